// TDecompressStream (zip layer): the read-only filter stream that inflates a source stream with
// the engine's stream inflater, deciphering the compressed bytes in place on the way.
//
// Read fills the filter's 131,070-byte input buffer from the source whenever it is empty (asking
// for as many bytes as the caller wants out, never more than the buffer holds nor more than the
// input limit), deciphers them by the run's encryption byte and cipher, reports progress, and
// inflates into the caller's buffer until the count is out, the stream ends, the input runs out
// or the data are bad. The status of the last Read tells the three apart (LastStatus: kZOk,
// kZStreamEnd, kZBufError for input that ran out, kZDataError). The stream reads the source at
// its own position, so the caller may move the source between calls. Release puts the source
// right after the compressed bytes inflate used and frees the inflate state.
//
// Sound behaviour beyond the original: an input limit (the entry's compressed size) keeps the
// filter from reading and deciphering bytes of the next record, which would also spoil an AES
// authentication code; an output limit (the entry's declared size) makes more output a data
// error; a seek back to 0 rewinds the source to where the compressed data began, not to the
// source's byte 0.
//   created --Read*--> reading --(end of stream)--> finished; any --Release--> released
//   reading --(input ran out, LastStatus kZBufError)--> ContinueFrom(next volume) --> reading
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

#include "zip/kvoInflate.h"
#include "zip/kvoStreamFilters.h"

namespace riviza::zip {

class TDecompressStream : public TCustomStream {
 public:
  // windowBits as for InflateInit2: the zip reader gives -15 (raw deflate, 32 KiB window).
  // encryption: TEncryptionMethod byte; cipher is required unless it is emNone.
  static Result<std::unique_ptr<TDecompressStream>> Create(TStream32& source, int windowBits,
                                                           uint8_t encryption = emNone,
                                                           TEntryCipher* cipher = nullptr,
                                                           bool deflate64 = false);
  ~TDecompressStream() override;

  // The bytes inflated into buffer (fewer than count at the end of the stream or of the input);
  // kZipBadData with zlib's message for bad data or output beyond the output limit.
  Result<size_t> Read(void* buffer, size_t count) override;
  Status Write(const void* buffer, size_t count) override;  // kZipStreamWriteError
  // 0 from the start: inflate restarts at the beginning of the compressed data. A forward seek
  // inflates and discards in 4,096-byte steps. Other seeks do nothing. The result is the bytes
  // produced so far.
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;

  int LastStatus() const { return lastStatus_; }
  bool Finished() const { return lastStatus_ == kZStreamEnd; }
  uint64_t TotalIn() const { return zs_.totalIn; }
  uint64_t TotalOut() const { return zs_.totalOut; }

  void SetInputLimit(uint64_t compressedBytes);
  void SetOutputLimit(uint64_t uncompressedBytes) { outputLimit_ = uncompressedBytes; }
  // Goes on with the same deflate data in the next volume, from that stream's position.
  void ContinueFrom(TStream32& nextSource);
  // Moves the source back by the input not yet used and frees the inflate state; done by the
  // destructor when not called before.
  Status Release();

 private:
  explicit TDecompressStream(TStream32& source);
  size_t refill(size_t want);

  TStream32* source_;
  uint64_t sourcePos_;  // next byte to read from the source
  uint64_t startPos_;   // where the compressed data began
  TZStreamRec zs_;
  uint64_t inputLimit_ = std::numeric_limits<uint64_t>::max();
  uint64_t inputLeft_ = std::numeric_limits<uint64_t>::max();
  uint64_t outputLimit_ = std::numeric_limits<uint64_t>::max();
  int lastStatus_ = kZOk;
  bool released_ = false;
};

}  // namespace riviza::zip
