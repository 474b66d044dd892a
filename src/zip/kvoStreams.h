// The engine's byte streams (zip layer): the 64-bit stream base, streams on a file handle or a
// named file, memory streams, and the per-run state every stream of a run carries.
//
// All archive data moves through these classes. Positions and sizes are 64-bit. Expected
// failures come back as Result/Status with the engine's codes: a full disk is kZipDiskFull, any
// other failed write kZipWriteError, a failed read kZipStreamReadError; nothing throws except
// std::bad_alloc, which the memory stream turns into kZipOutOfMemory. A stream is used by one
// archive operation on one thread; the run state points at that operation's cancel flag,
// counter and cipher, never at process-wide state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/result.h"
#include "zip/kvoCrc.h"
#include "zip/kvoTypes.h"

namespace riviza::zip {

enum TSeekOrigin { soFromBeginning, soFromCurrent, soFromEnd };

// The one block-copy loop of the engine: stream copies, the commit's copy beside an archive,
// stored entries, the span writer's entries and the writer's streamed files all move their bytes
// through it. Before each block (and once after the last) pending messages run and `cancelled`,
// when set, may stop the copy; `read` fills up to the asked count, 0 ending the copy (the source
// ended); `write` takes the bytes read, may change them in place, and learns the bytes moved so
// far with them. An error of either ends the copy with that error.
struct TBlockCopy {
  size_t blockSize = 32768;
  std::function<bool()> cancelled;
  std::function<Result<size_t>(uint8_t* buffer, size_t count)> read;
  std::function<Status(uint8_t* buffer, size_t count, uint64_t done)> write;
};
inline constexpr uint64_t kUntilSourceEnds = UINT64_MAX;
class TStream32;
// A reader for TBlockCopy that takes exactly the count asked from the source's position, a short
// read being kZipStreamReadError.
std::function<Result<size_t>(uint8_t* buffer, size_t count)> ExactReader(TStream32& source);
// Moves up to `count` bytes (kUntilSourceEnds: until read gives 0); the bytes moved.
Result<uint64_t> CopyBlocks(uint64_t count, const TBlockCopy& copy);

// A cipher of one entry, owned by the operation (the traditional keys or an AES context); the
// filter streams call it in place on each block when their encryption byte is set.
class TEntryCipher {
 public:
  virtual ~TEntryCipher() = default;
  virtual void EncryptBlock(uint8_t* data, size_t count) = 0;
  virtual void DecryptBlock(uint8_t* data, size_t count) = 0;
};

// Called after each block a stream passes; the component turns its counters into percentages.
using TProgressCallback = std::function<void()>;

// The state a writer or reader sets on a stream before data moves.
struct TStreamRun {
  const bool* cancel = nullptr;   // the operation's cancel flag
  uint64_t* remaining = nullptr;  // the operation's remaining-bytes counter
  TProgressCallback progress;     // the component's progress method
  TChecksumKind checksumKind = ckCrc32;
  uint32_t checksum = kCrcSeed;    // running register (uncomplemented)
  uint8_t encryption = emNone;     // TEncryptionMethod: 0 none, 1-3 AES, 4 traditional
  TEntryCipher* cipher = nullptr;  // required when encryption is not emNone

  bool cancelled() const { return cancel != nullptr && *cancel; }
  // Lowers the remaining counter by the bytes passed (never below 0) and calls progress.
  void passed(uint64_t bytes);
  void updateChecksum(const void* data, size_t count);
  // Starts the checksum as a fresh run of its kind: 0 for CRC-16, kCrcSeed for CRC-32.
  void resetChecksum() { checksum = checksumKind == ckCrc16 ? 0 : kCrcSeed; }
};

class TStream32 {
 public:
  virtual ~TStream32() = default;
  TStream32() = default;
  TStream32(const TStream32&) = delete;
  TStream32& operator=(const TStream32&) = delete;

  // Up to count bytes; the count read, 0 at the end.
  virtual Result<size_t> Read(void* buffer, size_t count) = 0;
  // All count bytes or an error.
  virtual Status Write(const void* buffer, size_t count) = 0;
  // The new position.
  virtual Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual Result<uint64_t> Size();
  // Seeks to size and ends the stream there.
  virtual Status SetSize(uint64_t size);

  Result<uint64_t> Position() { return Seek(0, soFromCurrent); }
  // Exactly count bytes, or kZipStreamReadError.
  Status ReadBuffer(void* buffer, size_t count);
  // Up to count bytes, fewer only at the end; a read error ends the data like its end would.
  size_t ReadUpTo(void* buffer, size_t count);
  Status WriteBuffer(const void* buffer, size_t count) { return Write(buffer, count); }
  Status WriteBuffer(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }

  // Copies count bytes from the source's current position, or with count 0 the whole source
  // from its start; lets pending messages run before each block and stops early at this
  // stream's cancel flag. A short read is kZipStreamReadError. Returns the bytes copied.
  Result<uint64_t> CopyFrom(TStream32& source, uint64_t count);

  TStreamRun& run() { return run_; }
  const TStreamRun& run() const { return run_; }

 protected:
  // Largest block CopyFrom moves at once.
  virtual size_t copyBlockSize() const { return 131072; }
  TStreamRun run_;
};

// A stream on an open file; owns the file. With a progress callback set, each non-empty read
// lowers the remaining counter and reports progress.
class THandleStream32 : public TStream32 {
 public:
  explicit THandleStream32(platform::File file) : file_(std::move(file)) {}

  Result<size_t> Read(void* buffer, size_t count) override;
  Status Write(const void* buffer, size_t count) override;
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;
  Result<uint64_t> Size() override;
  Status SetSize(uint64_t size) override;

  platform::File& file() { return file_; }
  Status Close() { return file_.close(); }

 private:
  platform::File file_;
};

// File-stream modes: fmCreate creates or truncates; otherwise an access value (read, write,
// read-write) or'ed with a share value. Share modes cannot be enforced on Linux and are ignored.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF
};

class TFileStream32 : public THandleStream32 {
 public:
  // Opens or creates pathText (Windows path text); failure is kZipOpenError with the name.
  static Result<std::unique_ptr<TFileStream32>> Create(std::string_view pathText, uint32_t mode);

  const std::string& fileName() const { return fileName_; }

 private:
  TFileStream32(platform::File file, std::string name)
      : THandleStream32(std::move(file)), fileName_(std::move(name)) {}
  std::string fileName_;
};

// A read-only view of a memory block the caller keeps alive.
class TCustomMemoryStream32 : public TStream32 {
 public:
  TCustomMemoryStream32() = default;
  TCustomMemoryStream32(const void* data, size_t size) { SetPointer(data, size); }

  void SetPointer(const void* data, size_t size);
  Result<size_t> Read(void* buffer, size_t count) override;
  Status Write(const void* buffer, size_t count) override;  // kZipStreamWriteError
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override;
  Result<uint64_t> Size() override { return static_cast<uint64_t>(size_); }

  const uint8_t* Memory() const { return data_; }

 protected:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
};

// A growing memory stream: capacity rises in steps of 8,192 bytes; a size below the position
// moves the position to the new end.
class TMemoryStream32 : public TCustomMemoryStream32 {
 public:
  static constexpr size_t kGrowStep = 8192;

  Status Write(const void* buffer, size_t count) override;
  Status SetSize(uint64_t size) override;
  void Clear();

  uint8_t* Memory() { return storage_.data(); }
  std::string_view view() const { return {reinterpret_cast<const char*>(data_), size_}; }

 private:
  Status reserveFor(size_t size);
  std::vector<uint8_t> storage_;
};

}  // namespace riviza::zip
