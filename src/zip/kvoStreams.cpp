// Stream base, handle, file and memory streams (zip layer). See kvoStreams.h.
#include "zip/kvoStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "platform/pump.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {
namespace {

// The new absolute position for a seek, refusing one before the start or beyond 2^63.
Result<uint64_t> seekTarget(int64_t offset, TSeekOrigin origin, uint64_t current, uint64_t size) {
  uint64_t base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? current : size;
  if (offset < 0 && static_cast<uint64_t>(-(offset + 1)) + 1 > base)
    return zipError(kZipRangeError, "seek before the start");
  uint64_t target = base + static_cast<uint64_t>(offset);
  if (target > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
    return zipError(kZipRangeError, "seek beyond the end");
  return target;
}

Error writeFailure(const Error& e) {
  // A full disk and an exceeded quota both mean "no space for the output".
  if (e.code == ENOSPC || e.code == EDQUOT) return zipError(kZipDiskFull, e.message);
  return zipError(kZipWriteError, e.message);
}

}  // namespace

// ---- the block copy ----

Result<uint64_t> CopyBlocks(uint64_t count, const TBlockCopy& copy) {
  std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(count, copy.blockSize)));
  uint64_t moved = 0;
  for (;;) {
    platform::processMessages();
    if ((copy.cancelled && copy.cancelled()) || moved >= count) break;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(count - moved, block.size()));
    auto got = copy.read(block.data(), want);
    if (!got) return got.error();
    if (*got == 0) break;
    moved += *got;
    RIVIZA_TRY(copy.write(block.data(), *got, moved));
  }
  return moved;
}

std::function<Result<size_t>(uint8_t*, size_t)> ExactReader(TStream32& source) {
  return [&source](uint8_t* buffer, size_t n) -> Result<size_t> {
    RIVIZA_TRY(source.ReadBuffer(buffer, n));
    return n;
  };
}

// ---- TStreamRun ----

void TStreamRun::passed(uint64_t bytes) {
  if (remaining != nullptr) *remaining -= std::min(*remaining, bytes);
  if (progress) progress();
}

void TStreamRun::updateChecksum(const void* data, size_t count) {
  if (checksumKind == ckCrc16)
    Crc16Update(data, count, checksum);
  else
    Crc32Update(data, count, checksum);
}

// ---- TStream32 ----

Result<uint64_t> TStream32::Size() {
  auto here = Position();
  if (!here) return here.error();
  auto end = Seek(0, soFromEnd);
  if (!end) return end.error();
  auto back = Seek(static_cast<int64_t>(*here), soFromBeginning);
  if (!back) return back.error();
  return *end;
}

Status TStream32::SetSize(uint64_t) { return zipError(kZipStreamWriteError, "size cannot be set"); }

Status TStream32::ReadBuffer(void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    auto n = Read(p, count);
    if (!n) return n.error();
    if (*n == 0) return zipError(kZipStreamReadError, "unexpected end of stream");
    p += *n;
    count -= *n;
  }
  return okStatus();
}

size_t TStream32::ReadUpTo(void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  size_t got = 0;
  while (got < count) {
    auto n = Read(p + got, count - got);
    if (!n || *n == 0) break;
    got += *n;
  }
  return got;
}

Result<uint64_t> TStream32::CopyFrom(TStream32& source, uint64_t count) {
  if (count == 0) {
    auto size = source.Size();
    if (!size) return size.error();
    auto start = source.Seek(0, soFromBeginning);
    if (!start) return start.error();
    count = *size;
  }
  return CopyBlocks(count, {copyBlockSize(), [this] { return run_.cancelled(); }, ExactReader(source),
                            [this](uint8_t* buffer, size_t n, uint64_t) { return Write(buffer, n); }});
}

// ---- THandleStream32 ----

Result<size_t> THandleStream32::Read(void* buffer, size_t count) {
  auto n = file_.read(buffer, count);
  if (!n) return zipError(kZipStreamReadError, n.error().message);
  // The remaining counter falls by what was read, not by what was asked: asking for a whole block
  // at the end of a file must not drive the counter below the bytes still to come.
  if (*n > 0 && run_.progress) run_.passed(*n);
  return *n;
}

Status THandleStream32::Write(const void* buffer, size_t count) {
  if (count == 0) return okStatus();
  auto s = file_.write(buffer, count);
  if (!s) return writeFailure(s.error());
  return okStatus();
}

Result<uint64_t> THandleStream32::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == soFromCurrent && offset == 0) {
    auto here = file_.position();
    if (!here) return zipError(kZipStreamReadError, here.error().message);
    return *here;
  }
  uint64_t current = 0, size = 0;
  if (origin == soFromCurrent) {
    auto here = file_.position();
    if (!here) return zipError(kZipStreamReadError, here.error().message);
    current = *here;
  } else if (origin == soFromEnd) {
    auto s = file_.size();
    if (!s) return zipError(kZipStreamReadError, s.error().message);
    size = *s;
  }
  auto target = seekTarget(offset, origin, current, size);
  if (!target) return target.error();
  auto pos = file_.seek(*target);
  if (!pos) return zipError(kZipStreamReadError, pos.error().message);
  return *pos;
}

Result<uint64_t> THandleStream32::Size() {
  auto s = file_.size();
  if (!s) return zipError(kZipStreamReadError, s.error().message);
  return *s;
}

Status THandleStream32::SetSize(uint64_t size) {
  auto pos = file_.seek(size);
  if (!pos) return zipError(kZipStreamWriteError, pos.error().message);
  auto t = file_.truncate(size);
  if (!t) return writeFailure(t.error());
  return okStatus();
}

// ---- TFileStream32 ----

Result<std::unique_ptr<TFileStream32>> TFileStream32::Create(std::string_view pathText, uint32_t mode) {
  using Mode = platform::File::Mode;
  Mode m = Mode::Read;
  if (mode == fmCreate)
    m = Mode::Create;
  else if ((mode & 0x3) != fmOpenRead)
    m = Mode::ReadWrite;  // Linux has no use for a write-only descriptor here
  auto f = platform::File::open(pathText, m);
  if (!f) return zipError(kZipOpenError, pathText);
  return std::unique_ptr<TFileStream32>(new TFileStream32(std::move(*f), std::string(pathText)));
}

// ---- TCustomMemoryStream32 ----

void TCustomMemoryStream32::SetPointer(const void* data, size_t size) {
  data_ = static_cast<const uint8_t*>(data);
  size_ = size;
  position_ = 0;
}

Result<size_t> TCustomMemoryStream32::Read(void* buffer, size_t count) {
  size_t n = position_ < size_ ? std::min(count, size_ - position_) : 0;
  if (n > 0) std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

Status TCustomMemoryStream32::Write(const void*, size_t) {
  return zipError(kZipStreamWriteError, "read-only memory stream");
}

Result<uint64_t> TCustomMemoryStream32::Seek(int64_t offset, TSeekOrigin origin) {
  auto target = seekTarget(offset, origin, position_, size_);
  if (!target) return target.error();
  if (*target > std::numeric_limits<size_t>::max()) return zipError(kZipRangeError);
  position_ = static_cast<size_t>(*target);
  return *target;
}

// ---- TMemoryStream32 ----

Status TMemoryStream32::reserveFor(size_t size) {
  if (size <= storage_.size()) return okStatus();
  size_t capacity = (size + kGrowStep - 1) / kGrowStep * kGrowStep;
  // Grow geometrically beyond the step so that many small writes stay linear overall.
  capacity = std::max(capacity, storage_.size() + storage_.size() / 2);
  try {
    storage_.resize(capacity);
  } catch (const std::bad_alloc&) {
    return zipError(kZipOutOfMemory);
  } catch (const std::length_error&) {
    return zipError(kZipOutOfMemory);
  }
  data_ = storage_.data();
  return okStatus();
}

Status TMemoryStream32::Write(const void* buffer, size_t count) {
  if (count == 0) return okStatus();
  if (count > std::numeric_limits<size_t>::max() - position_) return zipError(kZipOutOfMemory);
  size_t end = position_ + count;
  RIVIZA_TRY(reserveFor(end));
  if (position_ > size_) std::memset(storage_.data() + size_, 0, position_ - size_);
  std::memcpy(storage_.data() + position_, buffer, count);
  position_ = end;
  size_ = std::max(size_, end);
  return okStatus();
}

Status TMemoryStream32::SetSize(uint64_t size) {
  if (size > std::numeric_limits<size_t>::max()) return zipError(kZipOutOfMemory);
  size_t n = static_cast<size_t>(size);
  RIVIZA_TRY(reserveFor(n));
  if (n > size_) std::memset(storage_.data() + size_, 0, n - size_);
  size_ = n;
  if (position_ > size_) position_ = size_;
  return okStatus();
}

void TMemoryStream32::Clear() {
  storage_.clear();
  storage_.shrink_to_fit();
  data_ = nullptr;
  size_ = 0;
  position_ = 0;
}

}  // namespace riviza::zip
