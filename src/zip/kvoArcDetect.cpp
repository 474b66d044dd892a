// Archive-type detection and FindCentralDirectory of TRegisterKorvo (zip layer). See kvoregister.h.
//
// Only the zip family is read; every other type is recognised by its signature so that ArcType
// names it. The start signatures are one table in the order they are tested (4-byte patterns
// before 2-byte ones). Offsets taken from an archive (directory size and offset, zip64 positions,
// stub offsets from string resources) are checked against the file before a byte is read there;
// a record is only taken from the search window when all of it lies inside.
#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/paths.h"
#include "zip/kvoExeResources.h"
#include "zip/kvoregister.h"

namespace riviza::zip {
namespace {

constexpr size_t kHeadSize = 32767;
constexpr size_t kWindowSize = 32768;
constexpr int kScanBlocks = 11;
constexpr uint64_t kExeArcData = 7716;

uint32_t le32(std::span<const uint8_t> b, size_t at) {
  return at + 4 <= b.size() ? GetLE<uint32_t>(b.data() + at) : 0;
}

bool bytesAt(std::span<const uint8_t> b, size_t at, std::string_view pattern) {
  return at + pattern.size() <= b.size() && std::memcmp(b.data() + at, pattern.data(), pattern.size()) == 0;
}

// ---- start signatures ----

enum class SigKind { Exact, Zip };

struct SigRow {
  SigKind kind;
  uint8_t at;  // where the pattern starts
  std::string_view pattern;
  TArcType plain, exe;
  bool exeDataAt7716 = false;  // the executable form's data lies at offset 7,716
  bool plainDataAt7716 = false;
};

using namespace std::string_view_literals;
const SigRow kStartSignatures[] = {
    {SigKind::Exact, 0, "\x42\x48\x05\x07"sv, atBh, atBhExe},
    {SigKind::Exact, 0, "Rar!"sv, atRar, atRarExe},
    {SigKind::Exact, 0, "PKG5"sv, atUnknown, atUnknown},
    {SigKind::Exact, 0, "MSCF"sv, atCab, atCabExe},
    {SigKind::Exact, 0, "\xB7\xDF\x54\x57"sv, atArc, atArcExe, true},
    {SigKind::Exact, 0, "\x13\x5D\x65\x8C"sv, atMsGZ, atUnsupported},
    {SigKind::Exact, 2, "-l"sv, atLha, atLhaExe},
    {SigKind::Exact, 0, "\x1A\x02"sv, atArc, atUnsupported},
    {SigKind::Exact, 0, "\x1A\x1E"sv, atArc, atUnsupported},
    {SigKind::Exact, 0, "\x1A\x08"sv, atArc, atArcExe},
    {SigKind::Exact, 0, "\x1A\x09"sv, atArc, atArcExe},
    {SigKind::Exact, 0, "\x1A\x0A"sv, atPak, atPakExe},
    {SigKind::Exact, 0, "\x1A\x0B"sv, atPak, atPakExe},
    {SigKind::Exact, 0, "\x1F\x1E"sv, atGZip, atUnsupported},
    {SigKind::Exact, 0, "%!"sv, atGZip, atUnsupported},
    {SigKind::Exact, 0, "\x1F\x8B"sv, atGZip, atUnsupported},
    {SigKind::Exact, 0, "\x1F\x9D"sv, atGZip, atUnsupported},
    {SigKind::Exact, 0, "\x1F\x9E"sv, atGZip, atUnsupported},
    {SigKind::Exact, 0, "\x1F\xA0"sv, atGZip, atUnsupported},
    {SigKind::Exact, 0, "HA"sv, atHA, atUnsupported},
    {SigKind::Zip, 0, "P"sv, atZip, atZipExe},
    {SigKind::Exact, 0, "ZO"sv, atZoo, atUnsupported},
    {SigKind::Exact, 0, "\xB7\x92"sv, atArcExe, atArcExe, true, true},
    {SigKind::Exact, 0, "\xB7\xDF"sv, atArcExe, atArcExe, true, true},
    {SigKind::Exact, 0, "\x60\xEA"sv, atArj, atArjExe},
};

struct StartSig {
  TArcType type = atNA;  // atNA: not recognised
  bool multiVolume = false;
  std::optional<uint64_t> data;  // a fixed data offset (else the signature's own position)
};

StartSig signatureAtStart(std::span<const uint8_t> b, bool exe) {
  for (const SigRow& row : kStartSignatures) {
    if (row.kind == SigKind::Zip) {
      if (b.size() < 4 || b[0] != 'P' || (b[1] != 'K' && b[1] != 'L')) continue;
      if ((b[2] == 1 && b[3] == 2) || (b[2] == 7 && b[3] == 8)) return {atZipMV, true, {}};
      if ((b[2] == 'G' && b[3] == '4') || (b[2] == 'C' && b[3] == 'I')) return {};
      return {exe ? row.exe : row.plain, false, {}};
    }
    if (!bytesAt(b, row.at, row.pattern)) continue;
    StartSig sig{exe ? row.exe : row.plain, false, {}};
    if (exe ? row.exeDataAt7716 : row.plainDataAt7716) sig.data = kExeArcData;
    return sig;
  }
  return {};
}

bool isZipType(TArcType t) { return t == atZip || t == atZipExe || t == atJar || t == atJarExe; }

// ---- uuencoded and tar ----

bool isUuencoded(std::span<const uint8_t> head) {
  std::string_view text(reinterpret_cast<const char*>(head.data()), std::min<size_t>(head.size(), 5000));
  bool afterBegin = false;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (line.starts_with("begin 6") || line.starts_with("begin 7")) return true;
    if (afterBegin && line.starts_with("M")) return true;
    if (line.starts_with("begin")) afterBegin = true;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

bool isTarHeader(std::span<const uint8_t> block) {
  if (block.size() < 512) return false;
  uint64_t sum = 0;
  for (size_t i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 32 : block[i];
  std::string_view field(reinterpret_cast<const char*>(block.data() + 148), 8);
  return OctalToInt(field) == sum;
}

}  // namespace

// ---- FindCentralDirectory ----

// The end record at window[hit] (all of it inside the window), with the zip64 records before it.
bool TRegisterKorvo::readEndRecord(TStream32& s, std::span<const uint8_t> w, uint64_t windowStart,
                                   size_t hit) {
  auto m = SignatureKind(TRecordKind::End, le32(w, hit));
  const size_t length = m.kind == TRecordKind::End64 ? TEndRecord64::kSize : TEndRecord::kSize;
  if (m.kind == TRecordKind::None || hit + length > w.size()) return false;
  std::array<uint8_t, TEndRecord64::kSize> rec{};
  std::memcpy(rec.data(), w.data() + hit, length);
  if (m.enciphered) DecipherHeader(rec.data(), m.kind);
  hasEnd64_ = m.kind == TRecordKind::End64;
  if (hasEnd64_)
    end64_ = ReadRecord<TEndRecord64>(std::span<const uint8_t, TEndRecord64::kSize>(rec));
  else
    endRecord_ =
        ReadRecord<TEndRecord>(std::span<const uint8_t, TEndRecord::kSize>(rec.data(), TEndRecord::kSize));
  scanState_ = kScanEndFound;
  settleDirectoryEnd();
  if (hasEnd64_ || hit < TZip64Locator::kSize || le32(w, hit - TZip64Locator::kSize) != kSigZip64Locator)
    return true;
  scanState_ |= kScanZip64Locator;
  zip64Locator_ = ReadRecord<TZip64Locator>(std::span<const uint8_t, TZip64Locator::kSize>(
      w.data() + hit - TZip64Locator::kSize, TZip64Locator::kSize));
  // The zip64 end record normally stands right before the locator; else where the locator says.
  const size_t before = TZip64Locator::kSize + TZip64EndRecord::kSize;
  std::array<uint8_t, TZip64EndRecord::kSize> z{};
  if (hit >= before && le32(w, hit - before) == kSigZip64End) {
    std::memcpy(z.data(), w.data() + hit - before, z.size());
    zip64EndPos_ = windowStart + hit - before;
  } else if (ReadAt(s, zip64Locator_.zip64EndOffset, z.data(), z.size()) == z.size() &&
             GetLE<uint32_t>(z.data()) == kSigZip64End) {
    zip64EndPos_ = zip64Locator_.zip64EndOffset;
  } else {
    return true;
  }
  zip64End_ = ReadRecord<TZip64EndRecord>(std::span<const uint8_t, TZip64EndRecord::kSize>(z));
  scanState_ |= kScanZip64End;
  settleDirectoryEnd();
  return true;
}

int64_t TRegisterKorvo::searchLocalHeader(TStream32& s, uint64_t windowSize) {
  std::vector<uint8_t> block(windowSize + 3);
  for (uint64_t b = 0; b < 4; ++b) {
    const uint64_t start = b * windowSize;
    const size_t got = ReadAt(s, start, block.data(), block.size());
    for (size_t i = 0; i + 4 <= got && i < windowSize; ++i) {
      if (block[i] != 'P') continue;
      uint32_t sig = GetLE<uint32_t>(block.data() + i);
      if (sig == kSigLocal || sig == kSigLocalEnc) return static_cast<int64_t>(start + i);
    }
    if (got < block.size()) break;
  }
  return -1;
}

int64_t TRegisterKorvo::FindCentralDirectory(TStream32& s) {
  scanState_ = 0;
  hasEnd64_ = false;
  offsetCorrection_ = 0;
  endOfDirPos_ = 0;
  zip64EndPos_ = 0;
  directoryEnd_ = {};
  archiveSize_ = s.Size().valueOr(0);
  if (archiveSize_ == 0) return 0;
  const size_t window = static_cast<size_t>(std::min<uint64_t>(archiveSize_ - 1, kWindowSize));
  const uint64_t windowStart = archiveSize_ - window;
  std::vector<uint8_t> w(window);
  w.resize(ReadAt(s, windowStart, w.data(), window));
  if (w.size() < 4) return 0;
  size_t hit = 0;
  bool found = false;
  for (size_t i = w.size() - 4; i >= 1 && !found; --i)
    if (readEndRecord(s, w, windowStart, i)) hit = i, found = true;
  if (!found) return 0;

  const uint64_t hitPos = windowStart + hit;
  endOfDirPos_ = hitPos + (hasEnd64_ ? TEndRecord64::kSize : TEndRecord::kSize);
  if (ThisDisk() != CentralDisk()) {
    // The directory starts on an earlier volume: only its stored offset can say where.
    scanState_ |= kScanCentralFound;
    return static_cast<int64_t>(StoredDirectoryOffset());
  }
  const uint64_t dirSize = DirectorySize();
  const uint64_t endAt = HasZip64End() ? zip64EndPos_ : hitPos;
  std::vector<uint64_t> candidates;
  if (hasEnd64_) candidates.push_back(end64_.centralOffset);
  if (dirSize <= endAt) candidates.push_back(endAt - dirSize);
  if (dirSize <= hitPos) candidates.push_back(hitPos - dirSize);
  std::optional<uint64_t> start;
  std::optional<TCentralHeader> first;
  bool enciphered = false;
  for (uint64_t c : candidates)
    if (c < archiveSize_ &&
        (first = ReadHeaderAt<TCentralHeader>(s, c, TRecordKind::Central, *this, enciphered))) {
      start = c;
      break;
    }
  if (!start) {
    int64_t local = searchLocalHeader(s, window);
    if (local >= 0) scanState_ = kScanLocalFound;
    return local;
  }
  scanState_ |= kScanCentralFound;
  // Data in front of the archive: the directory stands later than its stored offset says. The
  // shift is confirmed by the first entry's local header; an archive whose offsets were adjusted
  // already needs none.
  const int64_t shift = static_cast<int64_t>(*start) - static_cast<int64_t>(StoredDirectoryOffset());
  const uint64_t local = first->localHeaderOffset;
  if (shift != 0 && static_cast<int64_t>(local) + shift >= 0 && LocalHeaderAt(s, local + shift)) {
    offsetCorrection_ = shift;
    scanState_ |= kScanLocalFound;
  } else if (LocalHeaderAt(s, local)) {
    scanState_ |= kScanLocalFound;
  } else if (shift > 0) {
    offsetCorrection_ = shift;
  }
  return static_cast<int64_t>(*start);
}

// ---- DetectArchiveType ----

TArcType TRegisterKorvo::scanForArchive(TStream32& s, uint64_t start) {
  std::vector<uint8_t> b(kWindowSize + 16);
  for (int blockNo = 0; blockNo < kScanBlocks; ++blockNo) {
    const uint64_t blockStart = start + uint64_t(blockNo) * kWindowSize;
    const size_t got = ReadAt(s, blockStart, b.data(), b.size());
    std::span<const uint8_t> v(b.data(), got);
    for (size_t i = 0; i < got && i < kWindowSize; ++i) {
      const uint64_t at = blockStart + i;
      auto found = [&](TArcType atStart, TArcType elsewhere, uint64_t back, uint64_t where) {
        dirOffset_ = static_cast<int64_t>(at - back);
        return at == where ? atStart : elsewhere;
      };
      if (bytesAt(v, i, "**ACE**") && at >= 7) return found(atAce, atAceExe, 7, 7);
      if (bytesAt(v, i, "-lh") && i + 4 < got && v[i + 4] == '-' && at >= 2)
        return found(atLha, atLhaExe, 2, 2);
      if (bytesAt(v, i, "\x42\x48\x05\x07") && !bytesAt(v, i + 4, "\x0F\x94\xC3\x84"))
        return found(atBh, atBhExe, 0, 0);
      if (start != 0 && bytesAt(v, i, "MSCF") && bytesAt(v, i + 4, std::string_view("\0\0\0\0", 4)))
        return found(atCabExe, atCabExe, 0, 0);
      if (le32(v, i) == kSigLocal && !bytesAt(v, i + 4, "\x74\x0B\x3D\x00"sv)) {
        const int64_t dir = FindCentralDirectory(s);
        if (dir <= 0) scanState_ = kScanLocalFound;
        dirOffset_ = dir > 0 ? dir : static_cast<int64_t>(at);
        return start != 0 ? atZipExe : atZip;
      }
      if (bytesAt(v, i, "Rar!")) return found(atRar, atRarExe, 0, 0);
      if (bytesAt(v, i, "\x60\xEA") && i + 4 <= got) {
        const uint64_t next = at + 4 + GetLE<uint16_t>(v.data() + i + 2) + 4 + 2;
        uint8_t sig[2];
        if (ReadAt(s, next, sig, 2) == 2 && sig[0] == 0x60 && sig[1] == 0xEA)
          return found(atArj, atArjExe, 0, 0);
      }
    }
    if (got < b.size()) break;
  }
  return atNA;
}

TArcType TRegisterKorvo::detectExecutable(TStream32& s, std::span<const uint8_t> head) {
  auto read = [&](uint64_t at, size_t n) {
    std::vector<uint8_t> out(n);
    out.resize(ReadAt(s, at, out.data(), n));
    return out;
  };
  for (uint64_t at : {6674u, 6867u, 7716u, 8601u, 13138u}) {
    auto b = read(at, 2);
    if (b.size() < 2 || b[0] != 0x1A) continue;
    if (b[1] == 0x08 || b[1] == 0x09 || b[1] == 0x0A || b[1] == 0x0B) {
      dirOffset_ = static_cast<int64_t>(at);
      return b[1] <= 0x09 ? atArcExe : atPakExe;
    }
  }
  if (auto b = read(1947, 5); b.size() == 5 && b[0] == '-' && b[1] == 'l' && b[2] == 'h' && b[4] == '-') {
    dirOffset_ = 1945;
    return atLhaExe;
  }
  for (uint64_t at : {7612u, 25661u}) {
    auto b = read(at, 4);
    if (le32(b, 0) == kSigLocal || le32(b, 0) == kSigLocalEnc) {
      dirOffset_ = FindCentralDirectory(s);
      return atZipExe;
    }
  }
  // A stub may name its archive's offset in string resources 1 to 8.
  TReadAt readAt = [&](uint64_t at, void* buffer, size_t n) { return ReadAt(s, at, buffer, n); };
  for (const std::string& text : ReadStringResources(readAt, archiveSize_, 1, 8, 5)) {
    auto value = platform::parseInt(text);
    if (text.empty() || !value || *value < 0 || static_cast<uint64_t>(*value) >= archiveSize_) break;
    const uint64_t at = static_cast<uint64_t>(*value);
    auto b = read(at, 14);
    if (bytesAt(b, 7, "**ACE**")) {
      dirOffset_ = static_cast<int64_t>(at);
      return atAceExe;
    }
    StartSig sig = signatureAtStart(b, true);
    if (isZipType(sig.type)) {
      const int64_t dir = FindCentralDirectory(s);
      dirOffset_ = scanState_ == 0 ? static_cast<int64_t>(at) : dir;
      return sig.type;
    }
    if (IsKnownArcType(sig.type) && !sig.multiVolume) {
      dirOffset_ = static_cast<int64_t>(sig.data.value_or(at));
      return sig.type;
    }
  }
  // The end of the DOS image, where a plain stub's archive begins.
  const uint64_t pages = GetLE<uint16_t>(head.data() + 4), lastPage = GetLE<uint16_t>(head.data() + 2);
  if (pages > 0 && pages * 512 + lastPage >= 512) {
    uint64_t at = pages * 512 + lastPage - 512;
    auto b = read(at, 4);
    if (b.size() == 4 && b[0] == 0x60 && b[1] == 0xEA) b = read(at += 2, 4);
    if (b.size() == 4 && le32(b, 0) != kSigLocal) {
      StartSig sig = signatureAtStart(b, true);
      if (IsKnownArcType(sig.type) && !sig.multiVolume) {
        dirOffset_ = static_cast<int64_t>(sig.data.value_or(at));
        return sig.type;
      }
    }
  }
  const int64_t dir = FindCentralDirectory(s);
  if (dir > 0) {
    dirOffset_ = dir;
    return atZipExe;
  }
  return scanForArchive(s, 17000);
}

TArcType TRegisterKorvo::detectPlain(TStream32& s, std::span<const uint8_t> head) {
  size_t first = 0;
  while (first < head.size() && head[first] == 0) ++first;
  if (first > 0 && archiveSize_ - first >= 133 && bytesAt(head, 130, "-l")) {
    dirOffset_ = 128;
    return atLha;
  }
  StartSig sig = signatureAtStart(head.subspan(first), false);
  if (sig.multiVolume) {
    dirOffset_ = FindCentralDirectory(s);
    if (scanState_ == 0) scanState_ = kScanLocalFound;
    return spannedOrMultiVolume();
  }
  if (isZipType(sig.type)) {
    const int64_t dir = FindCentralDirectory(s);
    if ((scanState_ & kScanLocalFound) == 0 && dir == 0) {
      dirOffset_ = static_cast<int64_t>(first);
      scanState_ |= kScanLocalFound;
    } else {
      dirOffset_ = dir;
    }
    return sig.type;
  }
  if (IsKnownArcType(sig.type)) {
    dirOffset_ = static_cast<int64_t>(sig.data.value_or(first));
    return sig.type;
  }
  if (bytesAt(head, 7, "**ACE**")) {
    dirOffset_ = 0;
    return atAce;
  }
  if (isUuencoded(head)) return atUUE;
  if (archiveSize_ >= 513 && isTarHeader(head)) {
    if (head[156] != 'V') return atTar;
    if (isTarHeader(head.subspan(512))) {
      dirOffset_ = 512;
      return atTar;
    }
  }
  const int64_t dir = FindCentralDirectory(s);
  if ((scanState_ & kScanEndFound) && ThisDisk() != 0) {
    dirOffset_ = dir;
    return spannedOrMultiVolume();
  }
  if (dir > 0) {
    dirOffset_ = dir;
    return atZip;
  }
  return scanForArchive(s, 0);
}

TArcType TRegisterKorvo::DetectArchiveType(TStream32& s) {
  TProgressCallback progress = std::exchange(s.run().progress, nullptr);
  dirOffset_ = -1;
  offsetCorrection_ = 0;
  endOfDirPos_ = 0;
  scanState_ = 0;
  TArcType type = atNA;
  try {
    archiveSize_ = s.Size().valueOr(0);
    if (archiveSize_ > 19) {
      std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(archiveSize_, kHeadSize)));
      head.resize(ReadAt(s, 0, head.data(), head.size()));
      if (head.size() > 19) type = bytesAt(head, 0, "MZ") ? detectExecutable(s, head) : detectPlain(s, head);
    }
  } catch (const std::exception&) {
    // Detection ends with what it found; an exhausted machine is not a reason to fail the caller.
  }
  if (IsKnownArcType(type) && dirOffset_ < 0) dirOffset_ = 0;
  if (type == atZip && platform::equalsIgnoreCase(platform::extractFileExt(archiveFile_), ".jar"))
    type = atJar;
  s.run().progress = std::move(progress);
  return type;
}

}  // namespace riviza::zip
