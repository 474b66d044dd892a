// Reading an archive across its volumes (zip layer). See kvoVolumeStream.h.
#include "zip/kvoVolumeStream.h"

#include "zip/kvoErrors.h"

namespace riviza::zip {

void TVolumeStream::Reset(std::unique_ptr<TStream32> volume, uint32_t disk, uint32_t lastDisk,
                          TOpenVolume open) {
  current_ = std::move(volume);
  disk_ = disk;
  lastDisk_ = lastDisk;
  open_ = std::move(open);
}

Status TVolumeStream::Open(uint32_t disk) {
  if (current_ && disk == disk_) return okStatus();
  if (!open_) return zipError(kZipOpenError, "volume " + std::to_string(disk + 1));
  current_.reset();
  auto opened = open_(disk);
  if (!opened) return opened.error();
  current_ = std::move(*opened);
  disk_ = disk;
  return okStatus();
}

Result<size_t> TVolumeStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t got = 0;
  while (got < count && current_) {
    auto n = current_->Read(out + got, count - got);
    if (!n) return got > 0 ? Result<size_t>(got) : n;
    got += *n;
    if (*n > 0) continue;
    if (disk_ >= lastDisk_) break;
    if (auto next = Open(disk_ + 1); !next)
      return got > 0 ? Result<size_t>(got) : Result<size_t>(next.error());
  }
  return got;
}

Status TVolumeStream::Write(const void*, size_t) {
  return zipError(kZipStreamWriteError, "archive volumes are read only");
}

Result<uint64_t> TVolumeStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!current_) return zipError(kZipStreamReadError, "no volume open");
  return current_->Seek(offset, origin);
}

Result<uint64_t> TVolumeStream::Size() {
  if (!current_) return zipError(kZipStreamReadError, "no volume open");
  return current_->Size();
}

Status TVolumeStream::Skip(uint64_t count) {
  while (count > 0) {
    auto position = Position();
    auto size = Size();
    if (!position || !size) return position ? size.error() : position.error();
    const uint64_t left = *size > *position ? *size - *position : 0;
    if (count <= left)
      return Seek(static_cast<int64_t>(count), soFromCurrent).ok() ? okStatus()
                                                                   : zipError(kZipStreamReadError);
    if (disk_ >= lastDisk_) return zipError(kZipStreamReadError, "data run past the last volume");
    count -= left;
    RIVIZA_TRY(Open(disk_ + 1));
  }
  return okStatus();
}

}  // namespace riviza::zip
