// The writer's run: Compress, the per-entry loop, the commit and the replacement of the archive
// (zip layer). See kvoCompBase.h; the scan and the per-file decision are kvoCompScan.cpp.
#include "zip/kvoCompBase.h"

#include <algorithm>
#include <cassert>
#include <cerrno>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {

TCustomCClass::TCustomCClass() = default;
TCustomCClass::~TCustomCClass() = default;

void TCustomCClass::SetCompressMethod(TCompressMethod method) {
  if (AllowsCompressMethod(method)) compressMethod_ = method;
}

void TCustomCClass::assertInvariants() const {
#ifndef NDEBUG
  for (const auto& entry : names_) assert(entry.second < list_.Count());
  int added = 0;
  for (size_t i = 0; i < list_.Count(); ++i) {
    const auto& e = list_[i];
    if (!e.info.added) continue;
    assert(e.info.status != esDrop && e.central.has_value());
    ++added;
  }
  assert(added_ == 0 || added_ == added);
  assert(cancel_ || added_ + deleted_ <= Count);
#endif
}

// ---- placeholders of the archive kind ----

bool TCustomCClass::ReadCentralDirectory(TStream32&) {
  ReportError(archiveFile_, {}, kZipUnsupportedArchive);
  return false;
}

Status TCustomCClass::CopyKeptEntry(TCompHeaderObj::Entry&) {
  return RaiseError(archiveFile_, {}, kZipUnsupportedArchive);
}

Result<bool> TCustomCClass::CompressEntry(TCompHeaderObj::Entry&) {
  return RaiseError(archiveFile_, {}, kZipUnsupportedArchive);
}

Status TCustomCClass::WriteCentralDirectory() { return RaiseError(archiveFile_, {}, kZipUnsupportedArchive); }

Status TCustomCClass::WriteEmptyArchive() { return RaiseError(archiveFile_, {}, kZipUnsupportedArchive); }

Status TCustomCClass::CommitOutput() { return output_->Release(); }

void TCustomCClass::DoOnReadEntries() {}

void TCustomCClass::ReadEntries() { ReportError(archiveFile_, {}, kZipUnsupportedArchive); }

// ---- the run ----

int TCustomCClass::Compress() {
  ResetRun();
  failures_.clear();
  list_.Clear();
  names_.clear();
  added_ = deleted_ = deleteSelected_ = taken_ = 0;
  passwordAsked_ = false;
  maxDate_ = 0;
  replacedSize_ = prefixLength_ = 0;
  diskCounter_ = 0;
  if (archiveFile_.empty()) {
    ReportError({}, "ArchiveFile", kZipPropertyNotAssigned);
    return 0;
  }
  TDiskCheckHooks hooks{[this](const std::string& f, const std::string& x, int code, const std::string& v) {
                          ReportError(f, x, code, v);
                        },
                        OnDiskInDrvErr, OnDiskWriteProtectErr, OnPrompt};
  if (!drive_.CheckDrive(archiveFile_, hooks)) return 0;
  if (StoredDirNames == sdExplorer_Auto) {
    DefaultDir = defaultFolderFromMasks();
  } else if (StoredDirNames == sdExplorer_UserDefineDefaultDir && DefaultDir.empty()) {
    ReportError({}, "DefaultDir", kZipPropertyNotAssigned);
    return 0;
  }
  if (Switch == swDelete) DefaultDir.clear();
  const std::string folder = FolderPartOf(archiveFile_);
  if (!folder.empty() && !IsDirectory(folder)) {
    ReportError(archiveFile_, folder, kZipInvalidDirectory);
    return 0;
  }
  if (!cancel_) doCompress();
  output_.reset();
  old_.reset();
  return Count;
}

void TCustomCClass::doCompress() {
  archiveExists_ = platform::fileExists(archiveFile_);
  if (!archiveExists_ && (Switch == swRefresh || Switch == swDelete || Switch == swRead)) {
    ReportError(archiveFile_, {}, kZipNothingToDoArchive);
    return;
  }
  if (Switch == swRead) {
    ReadEntries();
    return;
  }
  if (archiveExists_ && !checkArchiveWriteable()) return;
  if (OnElapsedTime) timer.Start();
  if (OnActivate) OnActivate();
  if (!openOutput()) return;
  if (archiveExists_ && !readOldArchive()) return discardRun();
  if (Switch == swDelete) {
    ExcludeSpec.clear();
    markDeletions();
  } else if (!selectFiles()) {
    return discardRun();
  }
  if (Status loop = entryLoop(); !loop || cancel_) {
    // A raised error leaves nothing archived, whatever was processed before it.
    if (!loop && !cancel_) Count = 0;
    return discardRun();
  }
  if (added_ == 0 && deleted_ == 0) {
    discardRun();  // the archive stays byte for byte as it was
    deleteMovedSources();
    return;
  }
  const bool empty =
      Switch == swDelete && std::none_of(list_.entries().begin(), list_.entries().end(),
                                         [](const auto& e) { return e.info.status != esDrop; });
  if (Status ended = empty ? WriteEmptyArchive() : WriteCentralDirectory(); !ended) {
    Count = 0;  // an archive without its directory must not replace the old one
    return discardRun();
  }
  old_.reset();
  if (Status committed = CommitOutput(); !committed) {
    if (committed.error().code != kZipUserCanceled) Count = 0;
    return discardRun();
  }
  DoOnReadEntries();
  if (OnDeactivate) OnDeactivate();
  if (OnElapsedTime) OnElapsedTime(timer.Stop());
  deleteMovedSources();
}

bool TCustomCClass::checkArchiveWriteable() {
  auto info = platform::fileInfo(archiveFile_);
  if (!info || !info->readOnly) return true;
  if (!OnNonWriteableArchive) {
    ReportError(archiveFile_, "OnNonWriteableArchive", kZipEventNotAssigned);
    return false;
  }
  bool writeToFile = false;
  OnNonWriteableArchive(archiveFile_, writeToFile);
  if (!writeToFile) return false;
  if (!platform::setReadOnly(archiveFile_, false)) {
    ReportError(archiveFile_, {}, kZipOpenError);
    return false;
  }
  return true;
}

bool TCustomCClass::openOutput() {
  if (archiveExists_)
    replacedSize_ = platform::fileInfo(archiveFile_).value_or(platform::DirEntry{}).sizeBytes;
  archiveNative_ = CanonicalText(archiveFile_);
  tempNative_.clear();
  if (CompressionMethod == cmInMemory) {
    output_ = std::make_unique<TTempMemStream>(*this, archiveFile_);
    return true;
  }
  auto made = TTempFileStream::Create(*this, archiveFile_, GetTempDir());
  if (!made) {
    ReportError(archiveFile_, made.error().message, kZipOpenError);
    return false;
  }
  output_ = std::move(*made);
  tempNative_ = CanonicalText(output_->TempName());
  return true;
}

std::unique_ptr<TFileStream32> TCustomCClass::openOldArchive() {
  auto opened = TFileStream32::Create(archiveFile_, fmOpenRead | fmShareDenyWrite);
  if (!opened) {
    ReportError(archiveFile_, {}, kZipOpenError);
    return nullptr;
  }
  const TArcType type = DetectArchiveType(**opened);
  arcType_ = atZip;
  // Anything but a single-volume zip is refused rather than overwritten with a new archive.
  if (!IsZipFamily(type) || type == atZipMV || type == atZipDS) {
    ReportError(archiveFile_, {}, kZipUnsupportedArchive);
    return nullptr;
  }
  return std::move(*opened);
}

bool TCustomCClass::readOldArchive() {
  old_ = openOldArchive();
  if (!old_ || !ReadCentralDirectory(*old_)) return false;
  if (prefixLength_ == 0) return true;
  auto rewound = old_->Seek(0, soFromBeginning);
  if (rewound) {
    auto copied = output_->CopyFrom(*old_, prefixLength_);
    if (copied && *copied == prefixLength_) return true;
  }
  ReportError(archiveFile_, {}, kZipWriteError);
  return false;
}

Status TCustomCClass::entryLoop() {
  archiveTotal = 0;
  for (const auto& e : list_.entries())
    archiveTotal += e.info.status == esCompress ? e.info.fileSize
                    : e.info.status == esKeep   ? e.info.sizes.compressed
                                                : 0;
  archiveRemaining = archiveTotal;
  BeginEntries();
  struct Ended {
    TCustomCClass& run;
    ~Ended() { run.EndEntries(); }
  } ended{*this};
  for (size_t i = 0; i < list_.Count(); ++i) {
    auto& entry = list_[i];
    if (cancel_) {
      dropFrom(i, output_->Position().valueOr(0));
      break;
    }
    switch (entry.info.status) {
      case esKeep:
      case esRename:  // renaming kept entries has no caller in this program; copied as kept
        RIVIZA_TRY(CopyKeptEntry(entry));
        ++Count;
        break;
      case esDrop:
        ++deleted_;
        ++Count;
        if (OnDeleteFile) OnDeleteFile(entry.name, deleted_, deleteSelected_);
        break;
      case esCompress: {
        auto start = output_->Position();
        if (!start) return RaiseError(entry.info.source, start.error().message, kZipWriteError);
        auto added = CompressEntry(entry);
        if (!added) return added.error();
        if (*added) {
          ++added_;
          ++Count;
          entry.info.added = true;
          entry.info.deleteSource = Switch == swMove && !entry.info.folder;
          break;
        }
        entry.info.status = esDrop;
        if (cancel_) {
          dropFrom(i, *start);
          return okStatus();
        }
        // A failed entry leaves no bytes behind in the archive.
        RIVIZA_TRY(output_->SetSize(*start));
        break;
      }
    }
    platform::processMessages();
  }
  assertInvariants();
  return okStatus();
}

void TCustomCClass::dropFrom(size_t index, uint64_t cutAt) {
  for (size_t j = index; j < list_.Count(); ++j) list_[j].info.status = esDrop;
  (void)output_->SetSize(cutAt);  // the output is discarded anyway: the run was cancelled
}

void TCustomCClass::discardRun() {
  output_.reset();
  old_.reset();
  added_ = deleted_ = 0;
  for (auto& e : list_.entries()) e.info.deleteSource = false;
}

void TCustomCClass::deleteMovedSources() {
  if (Switch != swMove || cancel_) return;
  std::vector<std::string> sources;
  for (const auto& e : list_.entries()) {
    if (!e.info.deleteSource || e.info.status == esDrop) continue;
    if (VerifyBeforeDelete && findName(e.name) == std::nullopt) continue;
    sources.push_back(e.info.source);
  }
  int number = 0;
  for (const std::string& source : sources) {
    if (cancel_) break;
    ++number;
    if (DeleteOrRecycle(source, DeleteOptions == doAllowUndo) && OnDeleteFile)
      OnDeleteFile(source, static_cast<int>(sources.size()), number);
  }
}

// ---- replacing the archive ----

void TCustomCClass::DoTmpFileMoveBegin(const std::string& archive, bool& cancel,
                                       const std::string& tempName) {
  if (OnTmpFileMoveBegin) OnTmpFileMoveBegin(archive, tempName, cancel);
  if (cancel) cancel_ = true;
}

void TCustomCClass::DoTmpFileMoveEnd() {
  if (OnTmpFileMoveEnd) OnTmpFileMoveEnd();
}

void TCustomCClass::DoTmpFileProgress(uint64_t total, uint64_t done) {
  if (!OnTmpFileProgress) return;
  const auto percent =
      static_cast<uint8_t>(ProgressPercent(static_cast<int64_t>(total), static_cast<int64_t>(done)));
  OnTmpFileProgress(percent, percent);
}

Status CopyToNewFile(TStream32& source, uint64_t count, const std::string& target,
                     const std::function<void(uint64_t done)>& progress) {
  constexpr size_t kBlock = 100000;
  auto made = TFileStream32::Create(target, fmCreate);
  if (!made) return made.error();
  TFileStream32& out = **made;
  RIVIZA_TRY(source.Seek(0, soFromBeginning));
  auto copied = CopyBlocks(
      count, {kBlock, {}, ExactReader(source), [&](uint8_t* buffer, size_t n, uint64_t done) -> Status {
                RIVIZA_TRY(out.Write(buffer, n));
                if (progress) progress(done);
                return okStatus();
              }});
  if (!copied) return copied.error();
  if (auto synced = out.file().sync(); !synced) return zipError(kZipWriteError, synced.error().message);
  return out.Close();
}

// The old archive stays whole until the new one is complete on disk under another name: then
// one rename replaces it. Across file systems the new bytes are first copied beside it.
Status TCustomCClass::MoveTempFile(const std::string& archive, const std::string& tempName, bool sameVolume,
                                   TStream32* memory) {
  if (memory == nullptr && sameVolume) {
    Status renamed = platform::renamePath(tempName, archive);
    if (renamed || renamed.error().code != EXDEV) {
      if (!renamed) ReportError(archive, renamed.error().message, kZipWriteError);
      return renamed;
    }
  }
  std::unique_ptr<TFileStream32> file;
  TStream32* source = memory;
  if (source == nullptr) {
    auto opened = TFileStream32::Create(tempName, fmOpenRead | fmShareDenyWrite);
    if (!opened) {
      ReportError(tempName, {}, kZipOpenError);
      return opened.error();
    }
    file = std::move(*opened);
    source = file.get();
  }
  auto size = source->Size();
  if (!size) return size.error();
  auto beside =
      TempFileName(FolderPartOf(archive).empty() ? platform::currentFolderText() : FolderPartOf(archive));
  if (!beside) {
    ReportError(archive, beside.error().message, kZipOpenError);
    return beside.error();
  }
  Status copied =
      CopyToNewFile(*source, *size, *beside, [&](uint64_t done) { DoTmpFileProgress(*size, done); });
  if (copied) copied = platform::renamePath(*beside, archive);
  if (!copied) {
    (void)platform::deleteFile(*beside);  // the partial copy; the old archive is untouched
    ReportError(archive, copied.error().message,
                copied.error().code == kZipDiskFull ? kZipDiskFull : kZipWriteError);
  }
  return copied;
}

}  // namespace riviza::zip
