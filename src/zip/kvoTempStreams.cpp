// Temporary output streams of the zip writer (zip layer). See kvoTempStreams.h.
#include "zip/kvoTempStreams.h"

#include <sys/stat.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "zip/kvoErrors.h"
#include "zip/kvoZipCommon.h"

namespace riviza::zip {
namespace {

// Whether two path texts lie on one file system: the device of the nearest existing folder of
// each. The Windows program compared drive letters; on Linux one letter can hold several mounts
// and two letters one, so only the device tells whether a rename can work.
bool sameFileSystem(const std::string& a, const std::string& b) {
  auto deviceOf = [](std::string folder, dev_t& device) {
    for (;;) {
      struct stat st;
      if (::stat(platform::nativePath(folder).c_str(), &st) == 0) {
        device = st.st_dev;
        return true;
      }
      std::string parent = platform::extractFilePath(platform::excludeTrailingBackslash(folder));
      if (parent.empty() || parent == folder) return false;
      folder = parent;
    }
  };
  dev_t da = 0, db = 0;
  return deviceOf(platform::extractFilePath(a), da) && deviceOf(platform::extractFilePath(b), db) && da == db;
}

}  // namespace

// ---- TTempStream ----

Status TTempStream::Release() {
  if (released_) return okStatus();
  released_ = true;
  if (owner_.TempCancelled()) {
    discardData();
    return zipError(kZipUserCanceled, archive_);
  }
  if (Status closed = closeData(); !closed) {
    discardData();
    return closed.error();
  }
  bool cancel = false;
  owner_.DoTmpFileMoveBegin(archive_, cancel, tempName_);
  Status moved = cancel || owner_.TempCancelled() ? Status(zipError(kZipUserCanceled, archive_)) : moveData();
  const bool moveFailed = !moved && moved.error().code != kZipUserCanceled;
  if (!moveFailed && firesMoveEnd()) owner_.DoTmpFileMoveEnd();
  discardData();  // after a rename there is nothing left to remove
  return moved;
}

// ---- TTempFileStream ----

Result<std::unique_ptr<TTempFileStream>> TTempFileStream::Create(TTempStreamOwner& owner, std::string archive,
                                                                 std::string_view tempDir) {
  auto name = TZipCommon::TempFileName(tempDir);
  if (!name) return name.error();
  auto file = TFileStream32::Create(*name, fmOpenReadWrite | fmShareExclusive);
  if (!file) {
    (void)platform::deleteFile(*name);  // the empty file just made; the open failure is what counts
    return file.error();
  }
  return std::unique_ptr<TTempFileStream>(
      new TTempFileStream(owner, std::move(archive), std::move(*name), std::move(*file)));
}

TTempFileStream::~TTempFileStream() {
  if (!released_) discardData();
}

Status TTempFileStream::closeData() {
  // The bytes reach the disk before the name points at them, so a crash between the two can
  // never leave a truncated archive under the archive's name.
  if (auto synced = file_->file().sync(); !synced) return zipError(kZipWriteError, synced.error().message);
  if (auto closed = file_->Close(); !closed) return zipError(kZipCloseError, closed.error().message);
  return okStatus();
}

Status TTempFileStream::moveData() {
  return owner_.MoveTempFile(archive_, tempName_, sameFileSystem(tempName_, archive_), nullptr);
}

void TTempFileStream::discardData() {
  if (file_->file().isOpen()) (void)file_->Close();  // the data are thrown away anyway
  if (platform::fileExists(tempName_))
    (void)platform::deleteFile(tempName_);  // best effort: nothing to report to
}

// ---- TTempMemStream ----

Status TTempMemStream::moveData() { return owner_.MoveTempFile(archive_, tempName_, false, &memory_); }

}  // namespace riviza::zip
