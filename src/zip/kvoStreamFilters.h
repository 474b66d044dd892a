// Filter streams of the engine (zip layer): the filter base and the compress, store and checksum
// filters, with the whole-file CRC the writer takes before a traditionally enciphered entry. (The
// writer deflates a file through a TCompressStream fed by the engine's one block-copy loop.)
//
// A filter stands between the component and the archive stream: it checksums, enciphers or
// deflates what passes and reports each block through its run state (kvoStreams.h). Deflate is
// zlib's raw deflate (window bits -15, memory level 8, default strategy, the level of
// TDeflateType); inflate is the engine's own decompress stream, built on TCustomStream elsewhere.
// Filters write to their target at their own position, so a caller may move the target between
// blocks. A compress stream must be finished (Finish) before it is released; releasing an
// unfinished one discards its pending output.
//   TCompressStream: created --Write*--> writing --Finish--> finished (Write fails afterwards)
#pragma once

#include <zlib.h>

#include <memory>

#include "zip/kvoStreams.h"

namespace riviza::zip {

class TCustomStream : public TStream32 {
 public:
  static constexpr size_t kBufferSize = 131070;

 protected:
  explicit TCustomStream(TStream32& strm);
  // Enciphers or deciphers a block in place by the run's encryption byte (no-op for emNone).
  void encryptInPlace(uint8_t* data, size_t count);
  void decryptInPlace(uint8_t* data, size_t count);
  // Writes a block to the target at this filter's position and advances it.
  Status writeToTarget(const uint8_t* data, size_t count);

  TStream32& strm_;   // the stream read from or written to
  uint64_t strmPos_;  // the position last used there
  std::unique_ptr<uint8_t[]> buffer_;
};

// Write-only: deflates into the target and keeps the checksum of the uncompressed bytes.
class TCompressStream : public TCustomStream {
 public:
  // windowBits -15 gives raw deflate with a 32 KiB window.
  static Result<std::unique_ptr<TCompressStream>> Create(TStream32& target, int windowBits,
                                                         TDeflateType deflateType);
  ~TCompressStream() override;

  Result<size_t> Read(void* buffer, size_t count) override;  // kZipStreamReadError
  Status Write(const void* buffer, size_t count) override;
  // Only the question for the current position (offset 0 from the current position): the bytes
  // taken in so far. An offset outside 32 bits is kZipRangeError, any other seek an error.
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;
  // Flushes deflate to its end and writes the last block.
  Status Finish();

  uint64_t bytesIn() const { return zs_.total_in; }
  uint64_t bytesOut() const { return zs_.total_out; }

  // The zlib level of a DeflateType: 0, 1, zlib's default, 9.
  static int LevelOf(TDeflateType type);
  // Debug check: deflate's output pointer stays inside the filter buffer.
  void assertInvariants() const;

 private:
  explicit TCompressStream(TStream32& target);
  Status drain(int flush);
  Status flushOutput();

  z_stream zs_{};
  bool initialised_ = false;
  bool finished_ = false;
};

// Write-only: copies into the target, checksumming the plain bytes or enciphering them (then the
// checksum is the caller's, computed beforehand). CopyFrom moves at most 102,400 bytes a block.
class TStoreStream : public TCustomStream {
 public:
  TStoreStream(TStream32& target, TChecksumKind kind, uint8_t encryption, TEntryCipher* cipher);

  // Continues the component's running value instead of a fresh start.
  void ContinueChecksum(uint32_t value) { run_.checksum = value; }

  Result<size_t> Read(void* buffer, size_t count) override;  // kZipStreamReadError
  Status Write(const void* buffer, size_t count) override;
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;

 protected:
  size_t copyBlockSize() const override { return 102400; }
};

// A checksum over a source: CopyFrom(source, 0) passes the whole source through it.
class TCalcStreamCRC : public TCustomStream {
 public:
  TCalcStreamCRC(TStream32& source, TChecksumKind kind);

  Result<size_t> Read(void* buffer, size_t count) override;  // kZipStreamReadError
  Status Write(const void* buffer, size_t count) override;
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;  // only the position
};

// The raw running CRC-32 of a whole file (the caller complements it); rewinds the file to its
// start. The run's cancel flag, counter and progress are taken from `run`.
Result<uint32_t> CalcFileCRC(TStream32& file, const TStreamRun& run);

}  // namespace riviza::zip
