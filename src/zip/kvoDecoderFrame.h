// The frame around the decoders of one entry (zip layer): compressed input in blocks through the
// read operation, output through the write operation, the entry's declared sizes, the total
// limit of one extraction, and the cancel flag.
//
// Input is requested in blocks of at most 32,768 bytes and never beyond the entry's compressed
// size. Output never goes beyond the entry's declared uncompressed size nor beyond the
// extraction's limit: a decoder that would produce more fails with kZipBadData (beyond the size)
// or kZipOutputLimit (beyond the limit), after the bytes up to it were handed on. A failed write
// stops the decoder with the write operation's own error (disk full, write error); a set cancel
// flag stops it with kZipUserCanceled. Decoder state lives in the decoder's own objects for one
// entry; nothing here is process-wide.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>

#include "platform/result.h"

namespace riviza::zip {

// The operations DecodeEntry hands a decoder (the reader binds them to its entry's reads and
// writes).
struct TDecoderIo {
  // Up to buffer.size() bytes of the entry's compressed data, deciphered; 0 at the end of the
  // data or on a read error.
  std::function<size_t(std::span<uint8_t> buffer)> read;
  // Hands a block of output on (the CRC-32, counters and progress are the caller's business);
  // an error stops the decoder and is passed on unchanged.
  std::function<Status(std::span<const uint8_t> block)> write;
  const bool* cancel = nullptr;  // the run's cancel flag
};

// The bytes all entries of one extraction may produce together; each decoder lowers it by what it
// writes. The caller sets it once per run (the default sets no limit).
struct TExtractLimit {
  uint64_t remaining = std::numeric_limits<uint64_t>::max();
};

class TDecoderFrame {
 public:
  static constexpr size_t kBlockSize = 32768;

  TDecoderFrame(const TDecoderIo& io, uint64_t compressedSize, uint64_t uncompressedSize,
                TExtractLimit* limit = nullptr);
  TDecoderFrame(const TDecoderFrame&) = delete;
  TDecoderFrame& operator=(const TDecoderFrame&) = delete;

  // The next block of compressed input; empty when the compressed bytes are used up, the read
  // operation gave nothing, or the run was cancelled.
  std::span<const uint8_t> nextInput();
  // True once nextInput came back empty because the compressed size was used up or the read
  // failed (not because of a cancel).
  bool inputEnded() const { return inputEnded_; }

  // Hands a block on. What goes beyond the allowed output is not written: the part within it is,
  // then the result is the overflow error.
  Status write(std::span<const uint8_t> block);
  // Bytes the entry may still produce: its declared size left, capped by the extraction limit.
  uint64_t outputAllowed() const;
  // The error of output beyond outputAllowed(): the entry's size or the extraction's limit.
  Error overflowError() const;

  bool cancelled() const { return io_.cancel != nullptr && *io_.cancel; }
  uint64_t compressedLeft() const { return compressedLeft_; }
  uint64_t uncompressedLeft() const { return uncompressedLeft_; }

 private:
  const TDecoderIo& io_;
  uint64_t compressedLeft_;
  uint64_t uncompressedLeft_;
  TExtractLimit* limit_;
  std::unique_ptr<uint8_t[]> input_;
  bool inputEnded_ = false;
};

// Bits of the compressed input, least significant bit first, for the legacy decoders.
class TFrameBitReader {
 public:
  explicit TFrameBitReader(TDecoderFrame& frame) : frame_(frame) {}

  // Buffers at least n (<= 32) bits; false when the input ends first.
  bool need(unsigned n) { return count_ >= n || fill(n); }
  // The next n bits (after need; bits beyond the input read as 0).
  uint32_t peek(unsigned n) const { return static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1)); }
  void drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  bool read(unsigned n, uint32_t& value) {
    if (!need(n)) return false;
    value = peek(n);
    drop(n);
    return true;
  }
  unsigned available() const { return count_; }

 private:
  bool fill(unsigned n);

  TDecoderFrame& frame_;
  std::span<const uint8_t> block_;
  size_t pos_ = 0;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// The output of a legacy decoder: bytes appended, and copies from up to `windowSize` bytes back,
// handed to the frame in blocks of 32,768 bytes. The bytes before the start of the output read as
// zeros: both the reducing and the imploding format define them so, and the old DOS packers'
// archives of binary files begin with such copies. The first failure is kept and stops further
// output.
class TLegacyOutput {
 public:
  TLegacyOutput(TDecoderFrame& frame, size_t windowSize);

  // False once the output has failed (the declared size was reached, a write failed, ...).
  bool put(uint8_t byte) {
    if (left_ == 0) return overflow();
    buffer_[pos_++] = byte;
    --left_;
    return pos_ != end_ || flushBlock();
  }
  bool copy(size_t distance, size_t length);
  // Writes what is pending; the first failure when there was one.
  Status finish();

  bool ok() const { return !error_; }
  // The entry's declared size is reached: a decoder without an end code stops here, since the
  // bits after the last symbol are padding that could read as more symbols.
  bool done() const { return produced() == declared_; }
  uint64_t produced() const { return produced_ + (pos_ - start_); }
  uint64_t left() const { return left_; }
  // Records a failure of the decoder itself (bad data) unless an earlier one is kept.
  bool fail(Error error);

 private:
  bool overflow();
  bool flushBlock();

  TDecoderFrame& frame_;
  size_t windowSize_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t start_;           // first byte not yet written (the window lies before it)
  size_t pos_;             // next byte
  size_t end_;             // pos_ == end_: write and slide
  uint64_t produced_ = 0;  // bytes written before start_
  uint64_t left_;
  uint64_t declared_;
  std::optional<Error> error_;
  bool writeFailed_ = false;
};

}  // namespace riviza::zip
