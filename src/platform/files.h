// File operations on path text (platform layer).
//
// Every routine takes the Windows program's path text and maps it with nativePath(). Expected
// failures come back as Status/Result with errno as the code; nothing throws. Directory
// listings are sorted by name ignoring case, because Linux gives no order of its own and every
// caller (file searches, year lists) must behave alike on every machine. All reads and writes
// of file contents go through the replaceable system-call table (syscalls.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace riviza::platform {

bool fileExists(std::string_view pathText);       // an existing regular file (or link to one)
bool directoryExists(std::string_view pathText);  // an existing folder
bool pathExists(std::string_view pathText);

Status createDirectory(std::string_view pathText);  // one level; fails when it exists
Status forceDirectories(std::string_view pathText); // all levels; fine when it exists
Status deleteFile(std::string_view pathText);
Status removeDirectory(std::string_view pathText);  // an empty folder
Status removeTree(std::string_view pathText);       // a folder with everything in it
Status renamePath(std::string_view from, std::string_view to);
// Copies one file; with failIfExists an existing target is an error (CopyFile's third argument).
Status copyFile(std::string_view from, std::string_view to, bool failIfExists = false);
// Copies a folder recursively into `to` (created as needed): all files and sub-folders (links
// followed), overwriting files, empty folders kept. Stands in for xcopy /E /Y. What cannot be
// read or written is left out and the copy goes on; the error then names every such file and
// folder, one line each. A target inside the source is refused before anything is copied (the
// copy would copy itself without end), and a link back to a folder being copied is left out as a
// circle.
Status copyTree(std::string_view from, std::string_view to);

struct DirEntry {
  std::string name;  // as on disk (UTF-8, or the bytes of a name written elsewhere)
  bool isDirectory = false;
  bool readOnly = false;
  bool isLink = false;  // a symbolic link; the other fields describe its target
  int error = 0;        // errno when the entry could not be looked at (a link without a target)
  uint64_t sizeBytes = 0;
  std::time_t modified = 0;
};

// Entries of a folder whose names match a Windows mask, sorted by name ignoring case; "." and
// ".." are never listed. A folder that cannot be listed (missing, not a folder, no permission)
// is the errno error; an entry that cannot be looked at is listed with its `error`.
Result<std::vector<DirEntry>> readDirectory(std::string_view folderText, std::string_view mask = "*");
// readDirectory for callers that only look for something: a folder that cannot be listed gives
// an empty list, an entry that cannot be looked at is left out.
std::vector<DirEntry> listDirectory(std::string_view folderText, std::string_view mask = "*");

std::optional<DirEntry> fileInfo(std::string_view pathText);
Status setModifiedTime(std::string_view pathText, std::time_t when);
Status setReadOnly(std::string_view pathText, bool readOnly);

Result<std::string> readFile(std::string_view pathText);
// Writes the whole file (created or truncated).
Status writeFile(std::string_view pathText, std::string_view bytes);
Status appendFile(std::string_view pathText, std::string_view bytes);

// An open file with 64-bit positions. Move-only; closes on destruction.
//   closed --open()--> open --close()/dtor--> closed
class File {
 public:
  enum class Mode { Read, ReadWrite, Create /* create or truncate, read-write */, CreateNew };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  static Result<File> open(std::string_view pathText, Mode mode);
  static Result<File> openNative(const std::string& nativePath, Mode mode);

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads up to n bytes; returns the count (0 at the end). Retries interrupted calls.
  Result<size_t> read(void* buf, size_t n);
  // Reads exactly n bytes or fails (a short file is an error).
  Status readExact(void* buf, size_t n);
  Result<size_t> readAt(uint64_t offset, void* buf, size_t n);
  // Writes all n bytes; ENOSPC and short writes are errors.
  Status write(const void* buf, size_t n);
  Status write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }
  Status writeAt(uint64_t offset, const void* buf, size_t n);
  Result<uint64_t> seek(uint64_t offset);
  Result<uint64_t> seekEnd();
  Result<uint64_t> position();
  Result<uint64_t> size();
  Status truncate(uint64_t size);
  Status sync();
  Status close();

 private:
  explicit File(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Error helpers for this layer. A reason the system gives reaches the user in German, with the
// number in brackets for support: errnoText(EACCES) is "Zugriff verweigert (errno 13)", never
// strerror's English (which would follow LANG). errnoError puts what was being done (a German
// noun, "Ordner anlegen") and the path as displayPath shows it in front.
std::string errnoText(int err);
Error errnoError(int err, std::string_view what, std::string_view pathText);

}  // namespace riviza::platform
