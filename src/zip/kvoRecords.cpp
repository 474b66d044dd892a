// Signature tests and extra fields of zip records (zip layer). See kvoRecords.h.
#include "zip/kvoRecords.h"

#include <algorithm>

#include "zip/kvoCrc.h"

namespace riviza::zip {
namespace {

constexpr uint64_t kLow32 = 0xFFFFFFFFull;

uint16_t high16(uint64_t v) { return static_cast<uint16_t>(v >> 32); }

uint64_t withHigh16(uint64_t v, uint16_t high) { return (v & kLow32) | (uint64_t{high} << 32); }

// Zip64 extra: each present 8-byte value replaces the field whose 32-bit value was 0xFFFFFFFF.
void readZip64(std::span<const uint8_t> data, bool central, TEntrySizes& sizes) {
  size_t at = 0;
  uint64_t* order[] = {&sizes.uncompressed, &sizes.compressed, central ? &sizes.localHeaderOffset : nullptr};
  for (uint64_t* value : order) {
    if (value == nullptr || (*value & kLow32) != kLow32) continue;
    if (at + 8 > data.size()) return;
    *value = GetLE<uint64_t>(data.data() + at);
    at += 8;
  }
}

void readLargeFile(std::span<const uint8_t> data, bool central, TEntrySizes& sizes) {
  if (data.size() < 4) return;
  sizes.compressed = withHigh16(sizes.compressed, GetLE<uint16_t>(data.data()));
  sizes.uncompressed = withHigh16(sizes.uncompressed, GetLE<uint16_t>(data.data() + 2));
  if (central && data.size() >= 6)
    sizes.localHeaderOffset = withHigh16(sizes.localHeaderOffset, GetLE<uint16_t>(data.data() + 4));
}

std::optional<TAesExtra> readAes(std::span<const uint8_t> data) {
  if (data.size() < 7 || data[2] != 'A' || data[3] != 'E') return std::nullopt;
  TAesExtra aes;
  aes.vendorVersion = GetLE<uint16_t>(data.data());
  aes.strength = data[4];
  aes.actualMethod = GetLE<uint16_t>(data.data() + 5);
  return aes;
}

}  // namespace

TSignatureMatch SignatureKind(TRecordKind expected, uint32_t value) {
  switch (expected) {
    case TRecordKind::Local:
      if (value == kSigLocal || value == kSigLocalEnc) return {TRecordKind::Local, value == kSigLocalEnc};
      break;
    case TRecordKind::Central:
      if (value == kSigCentral || value == kSigCentralEnc)
        return {TRecordKind::Central, value == kSigCentralEnc};
      break;
    case TRecordKind::End:
    case TRecordKind::End64:
      if (value == kSigEnd || value == kSigEndEnc) return {TRecordKind::End, value == kSigEndEnc};
      if (value == kSigEnd64 || value == kSigEnd64Enc) return {TRecordKind::End64, value == kSigEnd64Enc};
      break;
    case TRecordKind::Span:
      if (value == kSigSpan) return {TRecordKind::Span, false};
      break;
    case TRecordKind::None:
      break;
  }
  return {};
}

uint32_t HeaderSignature(TRecordKind kind, bool encryptHeaders) {
  switch (kind) {
    case TRecordKind::Local:
      return encryptHeaders ? kSigLocalEnc : kSigLocal;
    case TRecordKind::Central:
      return encryptHeaders ? kSigCentralEnc : kSigCentral;
    case TRecordKind::End:
      return kSigEnd;
    default:
      return kSigSpan;
  }
}

std::array<uint8_t, kAesExtraSize> WriteAesExtra(const TAesExtra& aes) {
  std::array<uint8_t, kAesExtraSize> out{};
  PutLE(out.data(), kExtraAes);
  PutLE<uint16_t>(out.data() + 2, 7);
  PutLE(out.data() + 4, aes.vendorVersion);
  out[6] = 'A';
  out[7] = 'E';
  out[8] = aes.strength;
  PutLE(out.data() + 9, aes.actualMethod);
  return out;
}

bool NeedsLargeFileExtra(const TEntrySizes& sizes) {
  return sizes.uncompressed > kLow32 || sizes.compressed > kLow32 || sizes.localHeaderOffset > kLow32;
}

std::vector<uint8_t> WriteLargeFileExtra(const TEntrySizes& sizes, bool central) {
  std::vector<uint8_t> out;
  AppendLE(out, kExtraLargeFile);
  AppendLE<uint16_t>(out, central ? 6 : 4);
  AppendLE(out, high16(sizes.compressed));
  AppendLE(out, high16(sizes.uncompressed));
  if (central) AppendLE(out, high16(sizes.localHeaderOffset));
  return out;
}

std::vector<uint8_t> WriteZip64Extra(const TEntrySizes& sizes, bool uncompressed, bool compressed,
                                     bool offset) {
  std::vector<uint8_t> out;
  AppendLE(out, kExtraZip64);
  AppendLE<uint16_t>(out, static_cast<uint16_t>(8 * (uncompressed + compressed + offset)));
  if (uncompressed) AppendLE(out, sizes.uncompressed);
  if (compressed) AppendLE(out, sizes.compressed);
  if (offset) AppendLE(out, sizes.localHeaderOffset);
  return out;
}

TExtraInfo ReadExtraField(std::span<const uint8_t> extra, bool central, TEntrySizes& sizes) {
  TExtraInfo info;
  info.truncated = !ForEachExtraField(extra, [&](uint16_t id, std::span<const uint8_t> data) {
    switch (id) {
      case kExtraZip64:
        info.zip64 = true;
        readZip64(data, central, sizes);
        break;
      case kExtraLargeFile:
        info.largeFile = true;
        readLargeFile(data, central, sizes);
        break;
      case kExtraAes:
        info.aes = readAes(data);
        break;
      case kExtraStrongEncryption:
        info.hasStrongEncryption = true;
        info.strongEncryption.assign(data.begin(), data.end());
        break;
      default:
        break;
    }
  });
  return info;
}

std::optional<std::string_view> UnicodeExtraText(std::span<const uint8_t> extra, uint16_t id,
                                                 std::string_view stored) {
  std::optional<std::string_view> text;
  bool seen = false;
  (void)ForEachExtraField(extra, [&](uint16_t fieldId, std::span<const uint8_t> data) {
    if (fieldId != id || seen) return;
    seen = true;
    if (data.size() < kUnicodeExtraHeader || data[0] != 1) return;
    if (GetLE<uint32_t>(data.data() + 1) != Crc32Of(stored)) return;
    text = std::string_view(reinterpret_cast<const char*>(data.data()) + kUnicodeExtraHeader,
                            data.size() - kUnicodeExtraHeader);
  });
  return text;
}

void AppendUnicodeExtra(std::vector<uint8_t>& extra, uint16_t id, std::string_view stored,
                        std::string_view utf8) {
  AppendLE(extra, id);
  AppendLE(extra, static_cast<uint16_t>(kUnicodeExtraHeader + utf8.size()));
  extra.push_back(1);
  AppendLE(extra, Crc32Of(stored));
  extra.insert(extra.end(), utf8.begin(), utf8.end());
}

std::vector<uint8_t> WithoutExtraFields(std::span<const uint8_t> extra, std::initializer_list<uint16_t> ids) {
  std::vector<uint8_t> out;
  (void)ForEachExtraField(extra, [&](uint16_t id, std::span<const uint8_t> data) {
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) return;
    AppendLE(out, id);
    AppendLE(out, static_cast<uint16_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  });
  return out;
}

}  // namespace riviza::zip
