// Safe writes and time-stamped names (office layer); see save_file.h.
#include "office/save_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "office/errors.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::office {
namespace {

Error fileError(int err, std::string_view what, const std::filesystem::path& p) {
  return platform::errnoError(err, what, platform::userPath(p));
}

std::string twoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

Status writeFileSafely(const std::filesystem::path& target, bool replace,
                       const std::function<Status(const std::filesystem::path& temp)>& produce) {
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(pattern.data());  // mode 0600
  if (fd < 0) return fileError(errno, "Temporäre Datei anlegen", folder);
  ::close(fd);
  const std::filesystem::path temp = pattern;
  Status produced = produce(temp);
  if (produced.ok()) {
    if (replace) {
      if (::rename(temp.c_str(), target.c_str()) != 0) produced = fileError(errno, "Datei ersetzen", target);
    } else if (::link(temp.c_str(), target.c_str()) != 0) {
      const int err = errno;
      produced =
          err == EEXIST
              ? Error::make(kFileExists, "Die Datei " + platform::userPath(target) + " ist bereits vorhanden")
              : fileError(err, "Datei anlegen", target);
    }
  }
  ::unlink(temp.c_str());  // after rename: already gone; after link: the second name
  return produced;
}

Result<std::filesystem::path> reserveStampedFile(const std::filesystem::path& folder, std::string_view base,
                                                 std::string_view ext) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return fileError(ec.value(), "Ordner anlegen", folder);
  const platform::DateTime t = platform::now();
  const std::string stamp = std::string(base) + "_" + platform::formatCompactDate(t) + "_" +
                            twoDigits(t.hour) + twoDigits(t.minute) + twoDigits(t.second);
  for (int n = 1; n < 10000; ++n) {
    const std::filesystem::path candidate =
        folder / (stamp + (n > 1 ? "_" + std::to_string(n) : std::string()) + std::string(ext));
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) return fileError(errno, "Datei anlegen", candidate);
  }
  return Error::make(kFileExists,
                     "Kein freier Dateiname für " + std::string(base) + " in " + platform::userPath(folder));
}

}  // namespace riviza::office
