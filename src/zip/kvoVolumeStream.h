// TVolumeStream: an archive of one or more volumes as the reader reads it (zip layer).
//
// One volume is open at a time. Seeks and sizes are those of the open volume (offsets in zip
// records count from the start of their volume); a read that meets the end of a volume goes on
// at the start of the next one, so an entry's data or the central directory may run across
// volumes without the reader noticing. The next volume is opened through the reader's own
// operation (the multi-volume naming with OnNextVolume, or the spanned-disk requests); when that
// fails the read ends with its error.
//   closed --Reset/Open--> volume n open --read past its end--> volume n+1 open ... --Close--> closed
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/result.h"
#include "zip/kvoStreams.h"

namespace riviza::zip {

class TVolumeStream : public TStream32 {
 public:
  // Opens volume `disk` (numbered from 0) for reading.
  using TOpenVolume = std::function<Result<std::unique_ptr<TStream32>>(uint32_t disk)>;

  // Starts with an open volume; lastDisk is the highest volume number reads may run on into.
  void Reset(std::unique_ptr<TStream32> volume, uint32_t disk, uint32_t lastDisk, TOpenVolume open);
  // Opens the volume unless it is the open one.
  Status Open(uint32_t disk);
  void Close() { current_.reset(); }
  bool IsOpen() const { return current_ != nullptr; }
  uint32_t Disk() const { return disk_; }
  uint32_t LastDisk() const { return lastDisk_; }
  void SetLastDisk(uint32_t lastDisk) { lastDisk_ = lastDisk; }

  Result<size_t> Read(void* buffer, size_t count) override;
  Status Write(const void* buffer, size_t count) override;
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;
  Result<uint64_t> Size() override;
  // Moves forward by count bytes, on into later volumes when needed.
  Status Skip(uint64_t count);

 private:
  std::unique_ptr<TStream32> current_;
  uint32_t disk_ = 0;
  uint32_t lastDisk_ = 0;
  TOpenVolume open_;
};

}  // namespace riviza::zip
