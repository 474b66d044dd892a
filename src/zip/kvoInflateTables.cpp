// Decoding tables of the inflaters (zip layer): alphabets, the canonical-code table builder and
// the fixed-code tables; see the header for the entry format and the rules of the builder.
#include "zip/kvoInflateTables.h"

#include <array>

namespace riviza::zip::inflate {
namespace {

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// Deflate64 gives length code 285 (index 28) 16 extra bits over a base of 3.
constexpr uint16_t kDeflate64LongBase = 3;
constexpr uint8_t kDeflate64LongExtra = 16;

constexpr uint32_t entryTemplate(uint32_t value, uint32_t flags, uint32_t extraBits) {
  return (value << 16) | flags | extraBits;
}

constexpr std::array<uint32_t, kMaxLitlenSymbols> makeLitlen(Format format) {
  std::array<uint32_t, kMaxLitlenSymbols> t{};
  for (unsigned s = 0; s < 256; ++s) t[s] = entryTemplate(s, kLiteral, 0);
  t[256] = entryTemplate(0, kExceptional | kEndOfBlock, 0);
  for (unsigned i = 0; i < 29; ++i) t[257 + i] = entryTemplate(kLengthBase[i], 0, kLengthExtra[i]);
  if (format == Format::Deflate64) t[285] = entryTemplate(kDeflate64LongBase, 0, kDeflate64LongExtra);
  t[286] = t[287] = kInvalid;
  return t;
}

constexpr std::array<uint32_t, kMaxDistSymbols> makeDist(Format format) {
  std::array<uint32_t, kMaxDistSymbols> t{};
  for (unsigned s = 0; s < kMaxDistSymbols; ++s) t[s] = entryTemplate(kDistBase[s], 0, kDistExtra[s]);
  if (format == Format::Deflate) t[30] = t[31] = kInvalid;
  return t;
}

constexpr std::array<uint32_t, kPrecodeSymbols> makePrecode() {
  std::array<uint32_t, kPrecodeSymbols> t{};
  for (unsigned s = 0; s < kPrecodeSymbols; ++s)
    t[s] = entryTemplate(s, 0, s == 16 ? 2 : s == 17 ? 3 : s == 18 ? 7 : 0);
  return t;
}

constexpr auto kLitlenDeflate = makeLitlen(Format::Deflate);
constexpr auto kLitlenDeflate64 = makeLitlen(Format::Deflate64);
constexpr auto kDistDeflate = makeDist(Format::Deflate);
constexpr auto kDistDeflate64 = makeDist(Format::Deflate64);
constexpr auto kPrecode = makePrecode();

// A codeword is stored most significant bit first but read from the low end of the bit buffer,
// so table indexes are the bit-reversed codes.
unsigned reverseBits(unsigned code, unsigned n) {
  unsigned r = 0;
  for (unsigned i = 0; i < n; ++i, code >>= 1) r = (r << 1) | (code & 1);
  return r;
}

constexpr uint32_t withCode(uint32_t symbolTemplate, unsigned codeBits) {
  return symbolTemplate + codeBits + (codeBits << 8);
}

// Unused parts of a table: one bit decides, so a truncated stream is "invalid", not "short".
constexpr uint32_t kInvalidEntry = kInvalid | (1u << 8) | 1u;

void fill(uint32_t* table, size_t size, unsigned index, unsigned step, uint32_t entry) {
  for (size_t i = index; i < size; i += step) table[i] = entry;
}

FixedTables makeFixed(Format format) {
  FixedTables t{};
  uint8_t lengths[kMaxLitlenSymbols];
  for (unsigned s = 0; s < kMaxLitlenSymbols; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  bool ok = buildDecodeTable(t.litlen, kLitlenTableSize, lengths, kMaxLitlenSymbols, litlenSymbols(format),
                             kLitlenTableBits, false, false);
  uint8_t distLengths[kMaxDistSymbols];
  for (auto& l : distLengths) l = 5;
  ok = ok && buildDecodeTable(t.dist, kDistTableSize, distLengths, kMaxDistSymbols, distSymbols(format),
                              kDistTableBits, false, false);
  if (!ok) __builtin_trap();  // the fixed codes are complete; failing here is a bug of the builder
  return t;
}

}  // namespace

const uint32_t* litlenSymbols(Format format) {
  return format == Format::Deflate64 ? kLitlenDeflate64.data() : kLitlenDeflate.data();
}
const uint32_t* distSymbols(Format format) {
  return format == Format::Deflate64 ? kDistDeflate64.data() : kDistDeflate.data();
}
const uint32_t* precodeSymbols() { return kPrecode.data(); }

bool buildDecodeTable(uint32_t* table, size_t capacity, const uint8_t* lengths, unsigned numSymbols,
                      const uint32_t* symbols, unsigned tableBits, bool allowSingleCode, bool allowEmpty) {
  const size_t mainSize = size_t{1} << tableBits;
  if (capacity < mainSize || numSymbols > kMaxLitlenSymbols) return false;
  unsigned count[kMaxBuildBits + 1] = {};
  for (unsigned s = 0; s < numSymbols; ++s) {
    if (lengths[s] > kMaxBuildBits) return false;
    ++count[lengths[s]];
  }
  count[0] = 0;
  unsigned maxLen = kMaxBuildBits;
  while (maxLen > 0 && count[maxLen] == 0) --maxLen;
  if (maxLen == 0) {
    if (allowEmpty) fill(table, mainSize, 0, 1, kInvalidEntry);
    return allowEmpty;
  }
  // Kraft sum: negative space is an over-subscribed code, spare space an incomplete one.
  int left = 1;
  for (unsigned len = 1; len <= kMaxBuildBits; ++len) {
    left = (left << 1) - static_cast<int>(count[len]);
    if (left < 0) return false;
  }
  if (left > 0) {
    if (!allowSingleCode || maxLen != 1) return false;
    fill(table, mainSize, 0, 1, kInvalidEntry);
  }

  // Symbols in canonical order (by length, then by value) and the first code of each length.
  unsigned offset[kMaxBuildBits + 2] = {};
  for (unsigned len = 1; len <= kMaxBuildBits; ++len) offset[len + 1] = offset[len] + count[len];
  uint16_t sorted[kMaxLitlenSymbols];
  for (unsigned s = 0; s < numSymbols; ++s)
    if (lengths[s] != 0) sorted[offset[lengths[s]]++] = static_cast<uint16_t>(s);
  const unsigned used = offset[kMaxBuildBits];
  unsigned nextCode[kMaxBuildBits + 1] = {};
  for (unsigned len = 1, code = 0; len <= kMaxBuildBits; ++len) {
    code = (code + count[len - 1]) << 1;
    nextCode[len] = code;
  }

  uint16_t codes[kMaxLitlenSymbols];
  for (unsigned i = 0; i < used; ++i) codes[i] = static_cast<uint16_t>(nextCode[lengths[sorted[i]]]++);
  auto prefixOf = [&](unsigned i) -> unsigned { return codes[i] >> (lengths[sorted[i]] - tableBits); };

  size_t nextSub = mainSize;
  size_t subStart = 0;
  unsigned subBits = 0;
  unsigned subPrefix = ~0u;
  for (unsigned i = 0; i < used; ++i) {
    const unsigned s = sorted[i];
    const unsigned len = lengths[s];
    if (len <= tableBits) {
      fill(table, mainSize, reverseBits(codes[i], len), 1u << len, withCode(symbols[s], len));
      continue;
    }
    // Long codes sharing their first tableBits bits are consecutive in canonical order; their
    // sub-table is as wide as the longest of them needs, which a complete code fills exactly.
    const unsigned prefix = prefixOf(i);
    if (prefix != subPrefix) {
      unsigned last = i;
      while (last + 1 < used && prefixOf(last + 1) == prefix) ++last;
      subBits = lengths[sorted[last]] - tableBits;
      subStart = nextSub;
      nextSub += size_t{1} << subBits;
      if (nextSub > capacity) return false;
      table[reverseBits(prefix, tableBits)] =
          kExceptional | kLink | static_cast<uint32_t>(subStart << 16) | (subBits << 8) | tableBits;
      subPrefix = prefix;
    }
    const unsigned subLen = len - tableBits;
    fill(table + subStart, size_t{1} << subBits, reverseBits(codes[i] & ((1u << subLen) - 1), subLen),
         1u << subLen, withCode(symbols[s], subLen));
  }
  return true;
}

const FixedTables& fixedTables(Format format) {
  static const FixedTables deflate = makeFixed(Format::Deflate);
  static const FixedTables deflate64 = makeFixed(Format::Deflate64);
  return format == Format::Deflate64 ? deflate64 : deflate;
}

}  // namespace riviza::zip::inflate
