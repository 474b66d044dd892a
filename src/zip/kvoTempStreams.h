// Temporary output of the zip writer (zip layer): TTempFileStream, a file in the temporary folder,
// and TTempMemStream, a memory block, each standing in for the archive while a run builds it.
//
// The writer never writes into the archive it updates. Release() commits: the owner's
// OnTmpFileMoveBegin may still cancel, then the data replace the archive through the owner's
// MoveTempFile, which never destroys the old archive (the new bytes are flushed to disk first
// and put in place with one rename; across file systems they are copied beside the archive,
// flushed and renamed). A stream that is destroyed without Release, or released while its
// owner's cancel flag is set, discards its data: the archive stays byte for byte as it was and
// no temporary file is left. The Windows program committed in the destructor; a commit can fail
// and a destructor cannot say so, hence the explicit Release.
//   open --Write/Seek...--> open --Release--> committed | discarded (cancel) | failed (old kept)
//   open --destroyed--> discarded
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "zip/kvoStreams.h"

namespace riviza::zip {

// What a temporary stream asks of the component that made it (TCustomCClass implements it).
class TTempStreamOwner {
 public:
  virtual ~TTempStreamOwner() = default;
  virtual bool TempCancelled() const = 0;
  // Puts the finished data in place of the archive: the file tempName, or with tempName
  // kMemoryTempName the bytes of `memory`.
  virtual Status MoveTempFile(const std::string& archive, const std::string& tempName, bool sameVolume,
                              TStream32* memory) = 0;
  virtual void DoTmpFileMoveBegin(const std::string& archive, bool& cancel, const std::string& tempName) = 0;
  virtual void DoTmpFileMoveEnd() = 0;
  // Size of the archive being replaced when the run began (0 for a new one).
  virtual uint64_t ReplacedArchiveSize() const = 0;
};

// The temporary name of a memory stream in move mode.
inline constexpr std::string_view kMemoryTempName = "NoName";
// OnTmpFileMoveEnd of a file stream fires only when the replaced archive was larger than this.
inline constexpr uint64_t kMoveEndThreshold = 65536;

class TTempStream : public TStream32 {
 public:
  ~TTempStream() override = default;

  // Commits or, when the owner's run is cancelled, discards; see the file comment.
  Status Release();
  const std::string& TempName() const { return tempName_; }
  const std::string& ArchiveName() const { return archive_; }
  bool Released() const { return released_; }

 protected:
  TTempStream(TTempStreamOwner& owner, std::string archive, std::string tempName)
      : owner_(owner), archive_(std::move(archive)), tempName_(std::move(tempName)) {}
  // Flushes and closes the data before the move.
  virtual Status closeData() = 0;
  virtual Status moveData() = 0;
  virtual void discardData() = 0;
  virtual bool firesMoveEnd() const = 0;

  TTempStreamOwner& owner_;
  std::string archive_;
  std::string tempName_;
  bool released_ = false;
};

class TTempFileStream : public TTempStream {
 public:
  // A new empty file with a unique name in tempDir (or in the system temporary folder when
  // tempDir does not exist) that will replace `archive`.
  static Result<std::unique_ptr<TTempFileStream>> Create(TTempStreamOwner& owner, std::string archive,
                                                         std::string_view tempDir);
  ~TTempFileStream() override;

  Result<size_t> Read(void* buffer, size_t count) override { return file_->Read(buffer, count); }
  Status Write(const void* buffer, size_t count) override { return file_->Write(buffer, count); }
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override { return file_->Seek(offset, origin); }
  Result<uint64_t> Size() override { return file_->Size(); }
  Status SetSize(uint64_t size) override { return file_->SetSize(size); }

 protected:
  Status closeData() override;
  Status moveData() override;
  void discardData() override;
  bool firesMoveEnd() const override { return owner_.ReplacedArchiveSize() > kMoveEndThreshold; }

 private:
  TTempFileStream(TTempStreamOwner& owner, std::string archive, std::string tempName,
                  std::unique_ptr<TFileStream32> file)
      : TTempStream(owner, std::move(archive), std::move(tempName)), file_(std::move(file)) {}
  std::unique_ptr<TFileStream32> file_;
};

class TTempMemStream : public TTempStream {
 public:
  TTempMemStream(TTempStreamOwner& owner, std::string archive)
      : TTempStream(owner, std::move(archive), std::string(kMemoryTempName)) {}

  Result<size_t> Read(void* buffer, size_t count) override { return memory_.Read(buffer, count); }
  Status Write(const void* buffer, size_t count) override { return memory_.Write(buffer, count); }
  Result<uint64_t> Seek(int64_t offset, TSeekOrigin origin) override { return memory_.Seek(offset, origin); }
  Result<uint64_t> Size() override { return memory_.Size(); }
  Status SetSize(uint64_t size) override { return memory_.SetSize(size); }

 protected:
  Status closeData() override { return okStatus(); }
  Status moveData() override;
  void discardData() override { memory_.Clear(); }
  bool firesMoveEnd() const override { return true; }

 private:
  TMemoryStream32 memory_;
};

}  // namespace riviza::zip
