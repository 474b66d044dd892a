// TDecompressStream (zip layer); see the header.
#include "zip/kvoDecompressStream.h"

#include <algorithm>

#include "zip/kvoErrors.h"

namespace riviza::zip {

namespace {
constexpr size_t kSeekStep = 4096;
}

TDecompressStream::TDecompressStream(TStream32& source)
    : TCustomStream(source), source_(&source), sourcePos_(strmPos_), startPos_(strmPos_) {}

Result<std::unique_ptr<TDecompressStream>> TDecompressStream::Create(TStream32& source, int windowBits,
                                                                     uint8_t encryption, TEntryCipher* cipher,
                                                                     bool deflate64) {
  std::unique_ptr<TDecompressStream> s(new TDecompressStream(source));
  const int rc = InflateInit2(s->zs_, windowBits, deflate64);
  if (rc == kZMemError) return zipError(kZipOutOfMemory, "inflate");
  if (rc != kZOk) return zipError(kZipStreamReadError, "inflate window " + std::to_string(windowBits));
  s->run_.encryption = encryption;
  s->run_.cipher = cipher;
  return s;
}

TDecompressStream::~TDecompressStream() { (void)Release(); }

void TDecompressStream::SetInputLimit(uint64_t compressedBytes) {
  inputLimit_ = compressedBytes;
  inputLeft_ = compressedBytes > zs_.totalIn ? compressedBytes - zs_.totalIn - zs_.availIn : 0;
}

// Reads the next input block; 0 when the source or the input limit is exhausted (a read error
// counts as the end, as the engine's block reads do).
size_t TDecompressStream::refill(size_t want) {
  const size_t n = static_cast<size_t>(std::min<uint64_t>({want, kBufferSize, inputLeft_}));
  if (n == 0 || !source_->Seek(static_cast<int64_t>(sourcePos_), soFromBeginning)) return 0;
  const auto got = source_->Read(buffer_.get(), n);
  if (!got || *got == 0) return 0;
  sourcePos_ += *got;
  inputLeft_ -= *got;
  decryptInPlace(buffer_.get(), *got);
  if (run_.progress) run_.progress();
  zs_.nextIn = buffer_.get();
  zs_.availIn = static_cast<uint32_t>(*got);
  return *got;
}

Result<size_t> TDecompressStream::Read(void* buffer, size_t count) {
  if (released_) return zipError(kZipStreamReadError, "decompress stream released");
  if (lastStatus_ == kZStreamEnd || count == 0) return size_t{0};
  if (lastStatus_ < 0 && lastStatus_ != kZBufError) return zipError(kZipBadData, zs_.msg ? zs_.msg : "");
  // One byte beyond the output limit tells "exactly the size" from "more".
  if (outputLimit_ != std::numeric_limits<uint64_t>::max()) {
    const uint64_t room = outputLimit_ - std::min(outputLimit_, zs_.totalOut) + 1;
    count = static_cast<size_t>(std::min<uint64_t>(count, room));
  }
  count = std::min<size_t>(count, std::numeric_limits<uint32_t>::max());
  zs_.nextOut = static_cast<uint8_t*>(buffer);
  zs_.availOut = static_cast<uint32_t>(count);
  lastStatus_ = kZOk;
  while (zs_.availOut > 0) {
    if (zs_.availIn == 0 && refill(count) == 0) {
      // Inflate may still finish from what it holds (the end-of-block code of the last block).
      lastStatus_ = Inflate(zs_, kZNoFlush);
      if (lastStatus_ == kZOk) lastStatus_ = kZBufError;
      break;
    }
    lastStatus_ = Inflate(zs_, kZNoFlush);
    if (lastStatus_ != kZOk) break;
  }
  const size_t produced = count - zs_.availOut;
  if (lastStatus_ == kZDataError || lastStatus_ == kZNeedDict || lastStatus_ == kZStreamError)
    return zipError(kZipBadData, zs_.msg ? zs_.msg : "inflate");
  if (zs_.totalOut > outputLimit_) {
    lastStatus_ = kZDataError;
    return zipError(kZipBadData, "the data go on past the entry's size");
  }
  return produced;
}

Status TDecompressStream::Write(const void*, size_t) {
  return zipError(kZipStreamWriteError, "decompress stream");
}

Result<uint64_t> TDecompressStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (released_) return zipError(kZipStreamReadError, "decompress stream released");
  if (origin == soFromBeginning && offset == 0) {
    InflateReset(zs_);
    zs_.availIn = 0;
    sourcePos_ = startPos_;
    inputLeft_ = inputLimit_;
    lastStatus_ = kZOk;
    return uint64_t{0};
  }
  uint64_t target = zs_.totalOut;
  if (origin == soFromBeginning && offset > 0) target = static_cast<uint64_t>(offset);
  if (origin == soFromCurrent && offset > 0) target = zs_.totalOut + static_cast<uint64_t>(offset);
  uint8_t scratch[kSeekStep];
  while (zs_.totalOut < target) {
    auto got = Read(scratch, static_cast<size_t>(std::min<uint64_t>(kSeekStep, target - zs_.totalOut)));
    if (!got) return got.error();
    if (*got == 0) break;
  }
  return zs_.totalOut;
}

void TDecompressStream::ContinueFrom(TStream32& nextSource) {
  source_ = &nextSource;
  sourcePos_ = nextSource.Position().valueOr(0);
  if (lastStatus_ == kZBufError) lastStatus_ = kZOk;
}

Status TDecompressStream::Release() {
  if (released_) return okStatus();
  released_ = true;
  const uint64_t back = zs_.state ? zs_.availIn : 0;
  InflateEnd(zs_);
  auto at = source_->Seek(static_cast<int64_t>(sourcePos_ - back), soFromBeginning);
  if (!at) return at.error();
  return okStatus();
}

}  // namespace riviza::zip
