// Shared value types of the zip engine (zip layer): archive types, file attributes, encryption
// methods, deflate variants, date and overwrite choices, and the zip-family membership tests.
//
// Enumerator names and ordinals are the engine's own (they travel in records and events: the
// encryption method is a byte of the entry info, the AES strength a byte of the 0x9901 extra), so
// the values are fixed here with static_asserts and never reordered.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace riviza::zip {

enum TArcType : uint8_t {
  atNA,
  atUnsupported,
  atFileOpenErr,
  atUnknown,
  atAce,
  atAceExe,
  atArc,
  atArcExe,
  atArj,
  atArjExe,
  atBh,
  atBhExe,
  atCab,
  atCabExe,
  atGZip,
  atHA,
  atJar,
  atJarExe,
  atLha,
  atLhaExe,
  atLzh,
  atLzhExe,
  atMsGZ,
  atPak,
  atPakExe,
  atRar,
  atRarExe,
  atTar,
  atTarGZip,
  atUUE,
  atZip,
  atZipExe,
  atZipDS,
  atZipMV,
  atZoo
};
static_assert(atZip == 30 && atZipMV == 33 && atZoo == 34, "archive type ordinals are fixed");

// The zip family: archives this engine reads and writes.
bool IsZipFamily(TArcType type);
// Every type but atNA, atUnsupported, atFileOpenErr and atUnknown.
bool IsKnownArcType(TArcType type);

enum TkvoFileAttribute : uint8_t {
  fsZeroAttr,
  fsReadOnly,
  fsHidden,
  fsSysFile,
  fsVolumeID,
  fsDirectory,
  fsArchive,
  fsCompressed,
  fsEncrypted
};

// A set of TkvoFileAttribute (Pascal "set of"): one bit per ordinal, ordinals up to 15.
class TkvoFileAttributes {
 public:
  constexpr TkvoFileAttributes() = default;
  constexpr TkvoFileAttributes(std::initializer_list<TkvoFileAttribute> items) {
    for (auto a : items) include(a);
  }
  constexpr bool contains(TkvoFileAttribute a) const { return (bits_ >> a) & 1u; }
  constexpr void include(TkvoFileAttribute a) { bits_ |= static_cast<uint16_t>(1u << a); }
  constexpr void exclude(TkvoFileAttribute a) { bits_ &= static_cast<uint16_t>(~(1u << a)); }
  // The components' setters: an ordinal above 15 has no bit and is ignored.
  constexpr void set(TkvoFileAttribute a, bool included) {
    if (a > 15) return;
    included ? include(a) : exclude(a);
  }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr uint16_t bits() const { return bits_; }
  friend constexpr bool operator==(TkvoFileAttributes, TkvoFileAttributes) = default;

 private:
  uint16_t bits_ = 0;
};

// 0 none, 1-3 AES with the key strength of the 0x9901 extra, 4 the traditional cipher.
enum TEncryptionMethod : uint8_t { emNone, emAES2_128, emAES2_192, emAES2_256, emZIP_v2, emUnsupported };
static_assert(emAES2_256 == 3 && emZIP_v2 == 4, "encryption bytes of the streams and entry info");

inline bool IsAesMethod(uint8_t m) { return m >= emAES2_128 && m <= emAES2_256; }

enum TDeflateType : uint8_t { dtDeflateS, dtDeflateF, dtDeflateN, dtDeflateX };

enum TDateAttribute : uint8_t { daFileDate, daSysDate, daMaxFileDate };

enum TOverwriteMode : uint8_t { omOverwrite, omSkip };

enum TDeleteOptions : uint8_t { doAllowUndo, doFinal };

// Which checksum a stream keeps: CRC-16 of the ARC kind or the zip CRC-32.
enum TChecksumKind : uint8_t { ckCrc16 = 16, ckCrc32 = 32 };

}  // namespace riviza::zip
