// Filter streams and the deflate glue (zip layer). See kvoStreamFilters.h.
#include "zip/kvoStreamFilters.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "zip/kvoErrors.h"

namespace riviza::zip {

// ---- TCustomStream ----

TCustomStream::TCustomStream(TStream32& strm)
    : strm_(strm),
      strmPos_(strm.Position().valueOr(0)),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(kBufferSize)) {}

void TCustomStream::encryptInPlace(uint8_t* data, size_t count) {
  if (run_.encryption == emNone || count == 0) return;
  assert(run_.cipher != nullptr);
  run_.cipher->EncryptBlock(data, count);
}

void TCustomStream::decryptInPlace(uint8_t* data, size_t count) {
  if (run_.encryption == emNone || count == 0) return;
  assert(run_.cipher != nullptr);
  run_.cipher->DecryptBlock(data, count);
}

Status TCustomStream::writeToTarget(const uint8_t* data, size_t count) {
  auto at = strm_.Seek(static_cast<int64_t>(strmPos_), soFromBeginning);
  if (!at) return at.error();
  RIVIZA_TRY(strm_.Write(data, count));
  strmPos_ += count;
  return okStatus();
}

// ---- TCompressStream ----

TCompressStream::TCompressStream(TStream32& target) : TCustomStream(target) {}

TCompressStream::~TCompressStream() {
  if (initialised_) deflateEnd(&zs_);
}

int TCompressStream::LevelOf(TDeflateType type) {
  switch (type) {
    case dtDeflateS:
      return 0;
    case dtDeflateF:
      return 1;
    case dtDeflateX:
      return 9;
    case dtDeflateN:
      break;
  }
  return Z_DEFAULT_COMPRESSION;
}

Result<std::unique_ptr<TCompressStream>> TCompressStream::Create(TStream32& target, int windowBits,
                                                                 TDeflateType deflateType) {
  std::unique_ptr<TCompressStream> s(new TCompressStream(target));
  int rc = deflateInit2(&s->zs_, LevelOf(deflateType), Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) return zipError(rc == Z_MEM_ERROR ? kZipOutOfMemory : kZipStreamWriteError, "deflateInit2");
  s->initialised_ = true;
  s->zs_.next_out = s->buffer_.get();
  s->zs_.avail_out = kBufferSize;
  return s;
}

void TCompressStream::assertInvariants() const {
  assert(initialised_);
  assert(zs_.avail_out <= kBufferSize);
  assert(zs_.next_out == buffer_.get() + (kBufferSize - zs_.avail_out));
}

Result<size_t> TCompressStream::Read(void*, size_t) {
  return zipError(kZipStreamReadError, "compress stream");
}

// Enciphers and writes what deflate put into the buffer, reports progress and empties the buffer.
Status TCompressStream::flushOutput() {
  const size_t pending = kBufferSize - zs_.avail_out;
  encryptInPlace(buffer_.get(), pending);
  RIVIZA_TRY(writeToTarget(buffer_.get(), pending));
  if (run_.progress) run_.progress();
  zs_.next_out = buffer_.get();
  zs_.avail_out = kBufferSize;
  return okStatus();
}

// Runs deflate until it has taken all input (or, with Z_FINISH, until its end), writing every
// full output buffer.
Status TCompressStream::drain(int flush) {
  for (;;) {
    int rc = deflate(&zs_, flush);
    if (rc == Z_STREAM_ERROR) return zipError(kZipStreamWriteError, "deflate");
    if (zs_.avail_out == 0) {
      RIVIZA_TRY(flushOutput());
      continue;
    }
    if (flush == Z_FINISH ? rc == Z_STREAM_END : zs_.avail_in == 0) return okStatus();
  }
}

Status TCompressStream::Write(const void* buffer, size_t count) {
  assertInvariants();
  if (finished_) return zipError(kZipStreamWriteError, "compress stream finished");
  run_.updateChecksum(buffer, count);
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    // zlib counts input in 32-bit units.
    uInt n = static_cast<uInt>(std::min<size_t>(count, std::numeric_limits<uInt>::max()));
    zs_.next_in = const_cast<Bytef*>(p);
    zs_.avail_in = n;
    RIVIZA_TRY(drain(Z_NO_FLUSH));
    p += n;
    count -= n;
  }
  return okStatus();
}

Result<uint64_t> TCompressStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset < std::numeric_limits<int32_t>::min() || offset > std::numeric_limits<int32_t>::max())
    return zipError(kZipRangeError);
  if (origin == soFromCurrent && offset == 0) return static_cast<uint64_t>(zs_.total_in);
  return zipError(kZipStreamReadError, "compress stream cannot seek");
}

Status TCompressStream::Finish() {
  if (finished_) return okStatus();
  zs_.next_in = nullptr;
  zs_.avail_in = 0;
  RIVIZA_TRY(drain(Z_FINISH));
  if (zs_.avail_out < kBufferSize) RIVIZA_TRY(flushOutput());
  finished_ = true;
  return okStatus();
}

// ---- TStoreStream ----

TStoreStream::TStoreStream(TStream32& target, TChecksumKind kind, uint8_t encryption, TEntryCipher* cipher)
    : TCustomStream(target) {
  run_.checksumKind = kind;
  run_.resetChecksum();
  run_.encryption = encryption;
  run_.cipher = cipher;
}

Result<size_t> TStoreStream::Read(void*, size_t) { return zipError(kZipStreamReadError, "store stream"); }

Status TStoreStream::Write(const void* buffer, size_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    size_t n = std::min(count, kBufferSize);
    const uint8_t* out = p;
    if (run_.encryption != emNone) {
      // The caller's bytes stay untouched; the cipher works on the filter's own buffer.
      std::memcpy(buffer_.get(), p, n);
      encryptInPlace(buffer_.get(), n);
      out = buffer_.get();
    } else {
      run_.updateChecksum(p, n);
    }
    RIVIZA_TRY(writeToTarget(out, n));
    run_.passed(n);
    p += n;
    count -= n;
  }
  return okStatus();
}

Result<uint64_t> TStoreStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == soFromCurrent && offset == 0) return strmPos_;
  return zipError(kZipStreamReadError, "store stream cannot seek");
}

// ---- TCalcStreamCRC ----

TCalcStreamCRC::TCalcStreamCRC(TStream32& source, TChecksumKind kind) : TCustomStream(source) {
  run_.checksumKind = kind;
  run_.resetChecksum();
}

Result<size_t> TCalcStreamCRC::Read(void*, size_t) {
  return zipError(kZipStreamReadError, "checksum stream");
}

Status TCalcStreamCRC::Write(const void* buffer, size_t count) {
  run_.updateChecksum(buffer, count);
  run_.passed(count);
  return okStatus();
}

Result<uint64_t> TCalcStreamCRC::Seek(int64_t, TSeekOrigin) {
  return zipError(kZipStreamReadError, "checksum stream cannot seek");
}

// ---- glue ----

namespace {

// The run's operation state (cancel, counter, progress, cipher) onto a filter, keeping the
// filter's own checksum start.
void adoptRun(TStreamRun& into, const TStreamRun& from) {
  into.cancel = from.cancel;
  into.remaining = from.remaining;
  into.progress = from.progress;
  into.encryption = from.encryption;
  into.cipher = from.cipher;
}

}  // namespace

Result<uint32_t> CalcFileCRC(TStream32& file, const TStreamRun& run) {
  TCalcStreamCRC calc(file, ckCrc32);
  adoptRun(calc.run(), run);
  calc.run().encryption = emNone;
  auto copied = calc.CopyFrom(file, 0);
  if (!copied) return copied.error();
  auto rewind = file.Seek(0, soFromBeginning);
  if (!rewind) return rewind.error();
  return calc.run().checksum;
}

}  // namespace riviza::zip
