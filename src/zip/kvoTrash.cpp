// DeleteOrRecycle: deleting for good, or moving to the desktop trash (zip layer).
//
// The Windows recycle bin is the freedesktop.org Trash here: a file goes to the home
// trash ($XDG_DATA_HOME/Trash, default ~/.local/share/Trash) when it lies on the same file
// system, else to the trash at the top of its own file system ($topdir/.Trash-$uid), so that
// the move is always a rename and never a copy. For each file an info file
// "info/<name>.trashinfo" (created exclusively, so two deletions never claim one name) records
// the original path and the deletion time; a name taken already gets ".2", ".3", ... before it is
// claimed. The info file is removed again when the move fails.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {
namespace fs = std::filesystem;

fs::path homeTrash() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && *data == '/') return fs::path(data) / "Trash";
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr && *home != '\0' ? home : "/") / ".local" / "share" / "Trash";
}

bool sameDevice(const fs::path& a, const fs::path& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// The mount point of a path: the highest ancestor still on its device.
fs::path topDirOf(const fs::path& p) {
  fs::path top = p.parent_path();
  while (top.has_parent_path() && top.parent_path() != top && sameDevice(top.parent_path(), p))
    top = top.parent_path();
  return top;
}

std::string percentEncoded(const std::string& path) {
  static const char* hexDigits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hexDigits[c >> 4];
      out += hexDigits[c & 15];
    }
  }
  return out;
}

// The trash folder for a file, created when missing; empty when none can be made.
fs::path trashFor(const fs::path& file) {
  fs::path home = homeTrash();
  (void)platform::forceDirectories(platform::pathText(home / "files"));
  (void)platform::forceDirectories(platform::pathText(home / "info"));
  if (sameDevice(home, file)) return home;
  fs::path own = topDirOf(file) / (".Trash-" + std::to_string(::getuid()));
  std::error_code ec;
  fs::create_directories(own / "files", ec);
  fs::create_directories(own / "info", ec);
  fs::permissions(own, fs::perms::owner_all, ec);
  return sameDevice(own, file) ? own : fs::path();
}

bool moveToTrash(const fs::path& file) {
  fs::path trash = trashFor(file);
  if (trash.empty()) return false;
  const std::string base = file.filename().string();
  const platform::DateTime t = platform::now();
  const std::string when = platform::zeroPadded(t.year, 4) + "-" + platform::zeroPadded(t.month, 2) + "-" +
                           platform::zeroPadded(t.day, 2) + "T" + platform::formatTime(t);
  const std::string info =
      "[Trash Info]\nPath=" + percentEncoded(file.string()) + "\nDeletionDate=" + when + "\n";
  for (int n = 1; n < 10000; ++n) {
    std::string name = n == 1 ? base : base + "." + std::to_string(n);
    fs::path infoPath = trash / "info" / (name + ".trashinfo");
    auto claimed = platform::File::openNative(infoPath.string(), platform::File::Mode::CreateNew);
    if (!claimed) {
      if (claimed.error().code == EEXIST) continue;
      return false;
    }
    bool written = claimed->write(info).ok() && claimed->close().ok();
    fs::path target = trash / "files" / name;
    std::error_code ec;
    if (written && !fs::exists(fs::symlink_status(target, ec)) &&
        platform::renamePath(platform::pathText(file), platform::pathText(target)).ok())
      return true;
    (void)platform::deleteFile(platform::pathText(infoPath));
    if (!written) return false;
  }
  return false;
}

}  // namespace

bool DeleteOrRecycle(std::string_view name, bool allowUndo) {
  if (!allowUndo) return platform::deleteFile(name).ok();
  if (!FileFound(name)) return false;
  std::error_code ec;
  fs::path file = fs::absolute(platform::nativePath(name), ec);
  return !ec && moveToTrash(file);
}

}  // namespace riviza::zip
