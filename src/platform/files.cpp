#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "platform/codec.h"
#include "platform/masks.h"
#include "platform/paths.h"
#include "platform/syscalls.h"

namespace fs = std::filesystem;

namespace riviza::platform {

namespace {

Status fromErrorCode(const std::error_code& ec, std::string_view what, std::string_view text) {
  if (!ec) return okStatus();
  return errnoError(ec.value(), what, text);
}

}  // namespace

bool fileExists(std::string_view text) {
  if (text.empty()) return false;  // not the current folder, as nativePath("") would say
  std::error_code ec;
  return fs::is_regular_file(nativePath(text), ec);
}

bool directoryExists(std::string_view text) {
  if (text.empty()) return false;  // not the current folder, as nativePath("") would say
  std::error_code ec;
  return fs::is_directory(nativePath(text), ec);
}

bool pathExists(std::string_view text) {
  if (text.empty()) return false;  // not the current folder, as nativePath("") would say
  std::error_code ec;
  return fs::exists(nativePath(text), ec);
}

Status createDirectory(std::string_view text) {
  if (::mkdir(nativePath(text).c_str(), 0777) != 0) return errnoError(errno, "Ordner anlegen", text);
  return okStatus();
}

Status forceDirectories(std::string_view text) {
  if (unmappedDrive(text)) return errnoError(ENODEV, "Ordner anlegen", text);  // not dosdevices/e: itself
  std::error_code ec;
  fs::path p = nativePath(text);
  fs::create_directories(p, ec);
  if (ec) return fromErrorCode(ec, "Ordner anlegen", text);
  if (!fs::is_directory(p, ec)) return errnoError(ENOTDIR, "Ordner anlegen", text);
  return okStatus();
}

Status deleteFile(std::string_view text) {
  if (sys().unlink(nativePath(text).c_str()) != 0) return errnoError(errno, "Datei löschen", text);
  return okStatus();
}

Status removeDirectory(std::string_view text) {
  if (::rmdir(nativePath(text).c_str()) != 0) return errnoError(errno, "Ordner löschen", text);
  return okStatus();
}

Status removeTree(std::string_view text) {
  std::error_code ec;
  fs::path p = nativePath(text);
  if (!fs::exists(fs::symlink_status(p, ec))) return errnoError(ENOENT, "Löschen", text);
  fs::remove_all(p, ec);
  return fromErrorCode(ec, "Löschen", text);
}

Status renamePath(std::string_view from, std::string_view to) {
  if (sys().rename(nativePath(from).c_str(), nativePath(to).c_str()) != 0) {
    const int err = errno;
    return Error::make(err,
                       "Umbenennen " + displayPath(from) + " -> " + displayPath(to) + ": " + errnoText(err));
  }
  return okStatus();
}

Status copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  auto src = File::open(from, File::Mode::Read);
  if (!src) return src.error();
  fs::path target = nativePath(to);
  auto dst = File::openNative(target.string(), failIfExists ? File::Mode::CreateNew : File::Mode::Create);
  if (!dst) return dst.error();
  std::vector<char> buf(1 << 16);
  for (;;) {
    auto n = src->read(buf.data(), buf.size());
    if (!n) return n.error();
    if (*n == 0) break;
    RIVIZA_TRY(dst->write(buf.data(), *n));
  }
  struct stat st;
  if (::fstat(src->fd(), &st) == 0) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(dst->fd(), times);
  }
  return dst->close();
}

namespace {

// One copyTree run: the failures so far and the folders being copied (resolved), by which a
// link back into one of them is told from a folder to copy.
class TreeCopy {
 public:
  void folder(const std::string& from, const std::string& to);
  Status result() const {
    if (lines_.empty()) return okStatus();
    std::string text;
    for (const std::string& line : lines_) text += (text.empty() ? "" : "\n") + line;
    return Error::make(code_, text);
  }

 private:
  void fail(const Error& e) {
    if (code_ == 0) code_ = e.code;
    lines_.push_back(e.message);
  }
  void file(const std::string& from, const std::string& to) {
    if (fileExists(to)) (void)setReadOnly(to, false);
    if (Status copied = copyFile(from, to); !copied) fail(copied.error());
  }

  std::vector<std::string> lines_;
  int code_ = 0;
  std::vector<fs::path> walking_;
};

// A source folder that cannot be listed gets no target folder: an empty copy would pass for one.
void TreeCopy::folder(const std::string& from, const std::string& to) {
  std::error_code ec;
  const fs::path real = fs::canonical(nativePath(from), ec);
  if (std::find(walking_.begin(), walking_.end(), real) != walking_.end())
    return fail(errnoError(ELOOP, "Kopieren", from));
  auto entries = readDirectory(from);
  if (!entries) return fail(entries.error());
  if (Status made = forceDirectories(to); !made) return fail(made.error());
  walking_.push_back(real);
  for (const DirEntry& e : *entries) {
    const std::string src = includeTrailingBackslash(from) + e.name;
    const std::string dst = includeTrailingBackslash(to) + e.name;
    if (e.error != 0)
      fail(errnoError(e.error, "Kopieren", src));
    else if (e.isDirectory)
      folder(src, dst);
    else
      file(src, dst);
  }
  walking_.pop_back();
}

}  // namespace

Status copyTree(std::string_view from, std::string_view to) {
  if (!directoryExists(from)) return errnoError(ENOENT, "Kopieren", from);
  std::error_code sourceError, targetError;
  const fs::path source = fs::canonical(nativePath(from), sourceError);
  const fs::path target = fs::weakly_canonical(nativePath(to), targetError);
  if (!sourceError && !targetError && isWithinPath(target, source))
    return Error::make(EINVAL, "Kopieren " + displayPath(from) + " nach " + displayPath(to) +
                                   ": das Ziel liegt im Quellordner");
  TreeCopy copy;
  copy.folder(std::string(from), std::string(to));
  return copy.result();
}

namespace {
DirEntry entryOf(const std::string& name, const struct stat& st) {
  DirEntry e;
  e.name = name;
  e.isDirectory = S_ISDIR(st.st_mode);
  e.readOnly = (st.st_mode & S_IWUSR) == 0;
  e.sizeBytes = static_cast<uint64_t>(st.st_size);
  e.modified = st.st_mtime;
  return e;
}
}  // namespace

namespace {
struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// The entry `name` of the open folder: its target's kind, size and time; a link is marked, and
// an entry that cannot be looked at carries the errno of that.
DirEntry entryAt(int dirFd, const std::string& name) {
  struct stat st;
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    DirEntry e;
    e.name = name;
    e.error = errno;
    return e;
  }
  const bool link = S_ISLNK(st.st_mode);
  if (link && ::fstatat(dirFd, name.c_str(), &st, 0) != 0) {
    DirEntry e;
    e.name = name;
    e.isLink = true;
    e.error = errno;
    return e;
  }
  DirEntry e = entryOf(name, st);
  e.isLink = link;
  return e;
}
}  // namespace

// The folder is opened through the system-call table, so tests can refuse a listing as the file
// system of a real installation does (a folder of another user), also when they run as root.
Result<std::vector<DirEntry>> readDirectory(std::string_view folderText, std::string_view mask) {
  const fs::path dir = nativePath(folderText);
  const std::string native = dir.empty() ? std::string(".") : dir.string();
  const int fd = sys().open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return errnoError(errno, "Ordner lesen", folderText);
  std::unique_ptr<DIR, DirCloser> d(::fdopendir(fd));
  if (!d) {
    const int err = errno;
    (void)sys().close(fd);
    return errnoError(err, "Ordner lesen", folderText);
  }
  // Each name is folded once for the sort, not once per comparison.
  std::vector<std::pair<std::string, DirEntry>> keyed;
  for (;;) {
    errno = 0;
    const dirent* de = ::readdir(d.get());
    if (de == nullptr) {
      if (errno != 0) return errnoError(errno, "Ordner lesen", folderText);
      break;
    }
    const std::string name = de->d_name;
    if (name == "." || name == ".." || !matchesMask(name, mask)) continue;
    keyed.emplace_back(foldCase(name), entryAt(::dirfd(d.get()), name));
  }
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
  });
  std::vector<DirEntry> out;
  out.reserve(keyed.size());
  for (auto& k : keyed) out.push_back(std::move(k.second));
  return out;
}

std::vector<DirEntry> listDirectory(std::string_view folderText, std::string_view mask) {
  auto entries = readDirectory(folderText, mask);
  if (!entries) return {};
  std::erase_if(*entries, [](const DirEntry& e) { return e.error != 0; });
  return std::move(*entries);
}

std::optional<DirEntry> fileInfo(std::string_view text) {
  fs::path p = nativePath(text);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return entryOf(p.filename().string(), st);
}

Status setModifiedTime(std::string_view text, std::time_t when) {
  struct timespec times[2];
  times[0].tv_sec = when;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  if (::utimensat(AT_FDCWD, nativePath(text).c_str(), times, 0) != 0)
    return errnoError(errno, "Dateizeit setzen", text);
  return okStatus();
}

Status setReadOnly(std::string_view text, bool readOnly) {
  fs::path p = nativePath(text);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return errnoError(errno, "Dateiattribute lesen", text);
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~static_cast<mode_t>(0222)) : (mode | S_IWUSR);
  if (::chmod(p.c_str(), mode) != 0) return errnoError(errno, "Schreibschutz ändern", text);
  return okStatus();
}

Result<std::string> readFile(std::string_view text) {
  auto f = File::open(text, File::Mode::Read);
  if (!f) return f.error();
  std::string out;
  char buf[1 << 16];
  for (;;) {
    auto n = f->read(buf, sizeof buf);
    if (!n) return n.error();
    if (*n == 0) break;
    out.append(buf, *n);
  }
  return out;
}

Status writeFile(std::string_view text, std::string_view bytes) {
  auto f = File::open(text, File::Mode::Create);
  if (!f) return f.error();
  RIVIZA_TRY(f->write(bytes));
  return f->close();
}

Status appendFile(std::string_view text, std::string_view bytes) {
  auto f = fileExists(text) ? File::open(text, File::Mode::ReadWrite) : File::open(text, File::Mode::Create);
  if (!f) return f.error();
  auto end = f->seekEnd();
  if (!end) return end.error();
  RIVIZA_TRY(f->write(bytes));
  return f->close();
}

// ---- File ----

File::~File() {
  if (fd_ >= 0) sys().close(fd_);
}

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) sys().close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

Result<File> File::open(std::string_view text, Mode mode) { return openNative(nativePath(text).string(), mode); }

Result<File> File::openNative(const std::string& path, Mode mode) {
  int flags = 0;
  switch (mode) {
    case Mode::Read: flags = O_RDONLY; break;
    case Mode::ReadWrite: flags = O_RDWR; break;
    case Mode::Create: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case Mode::CreateNew: flags = O_RDWR | O_CREAT | O_EXCL; break;
  }
  int fd;
  do {
    fd = sys().open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errnoError(errno, "Öffnen", path);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    sys().close(fd);
    return errnoError(EISDIR, "Öffnen", path);
  }
  return File(fd);
}

Result<size_t> File::read(void* buf, size_t n) {
  for (;;) {
    ssize_t r = sys().read(fd_, buf, n);
    if (r >= 0) return static_cast<size_t>(r);
    if (errno != EINTR) return errnoError(errno, "Lesen", "");
  }
}

Status File::readExact(void* buf, size_t n) {
  auto* p = static_cast<char*>(buf);
  while (n > 0) {
    auto r = read(p, n);
    if (!r) return r.error();
    if (*r == 0) return Error::make(EIO, "Lesen: die Datei endet vorzeitig");
    p += *r;
    n -= *r;
  }
  return okStatus();
}

Result<size_t> File::readAt(uint64_t offset, void* buf, size_t n) {
  size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = sys().pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return errnoError(errno, "Lesen", "");
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

Status File::write(const void* buf, size_t n) {
  const auto* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t r = sys().write(fd_, p, n);
    if (r < 0) {
      if (errno == EINTR) continue;
      return errnoError(errno, "Schreiben", "");
    }
    if (r == 0) return Error::make(ENOSPC, "Schreiben: nichts geschrieben, " + errnoText(ENOSPC));
    p += r;
    n -= static_cast<size_t>(r);
  }
  return okStatus();
}

Status File::writeAt(uint64_t offset, const void* buf, size_t n) {
  const auto* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t r = sys().pwrite(fd_, p, n, static_cast<off_t>(offset));
    if (r < 0) {
      if (errno == EINTR) continue;
      return errnoError(errno, "Schreiben", "");
    }
    if (r == 0) return Error::make(ENOSPC, "Schreiben: nichts geschrieben, " + errnoText(ENOSPC));
    p += r;
    offset += static_cast<uint64_t>(r);
    n -= static_cast<size_t>(r);
  }
  return okStatus();
}

Result<uint64_t> File::seek(uint64_t offset) {
  off_t r = sys().lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  if (r < 0) return errnoError(errno, "Positionieren", "");
  return static_cast<uint64_t>(r);
}

Result<uint64_t> File::seekEnd() {
  off_t r = sys().lseek(fd_, 0, SEEK_END);
  if (r < 0) return errnoError(errno, "Positionieren", "");
  return static_cast<uint64_t>(r);
}

Result<uint64_t> File::position() {
  off_t r = sys().lseek(fd_, 0, SEEK_CUR);
  if (r < 0) return errnoError(errno, "Positionieren", "");
  return static_cast<uint64_t>(r);
}

Result<uint64_t> File::size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return errnoError(errno, "Dateiattribute lesen", "");
  return static_cast<uint64_t>(st.st_size);
}

Status File::truncate(uint64_t size) {
  if (sys().ftruncate(fd_, static_cast<off_t>(size)) != 0) return errnoError(errno, "Datei kürzen", "");
  return okStatus();
}

Status File::sync() {
  if (sys().fsync(fd_) != 0) return errnoError(errno, "Auf den Datenträger schreiben", "");
  return okStatus();
}

Status File::close() {
  if (fd_ < 0) return okStatus();
  int fd = fd_;
  fd_ = -1;
  if (sys().close(fd) != 0 && errno != EINTR) return errnoError(errno, "Schließen", "");
  return okStatus();
}

}  // namespace riviza::platform
