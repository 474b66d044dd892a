// Explode (zip layer); see the header.
//
// Shannon-Fano codes of a complete tree are the bitwise complements of the canonical Huffman
// codes of the same lengths (APPNOTE assigns them from the longest length down, starting at 0),
// so the trees decode through the inflater's table builder with the input bits inverted.
#include "zip/kvoExplode.h"

#include <array>
#include <memory>

#include "zip/kvoErrors.h"
#include "zip/kvoInflateTables.h"

namespace riviza::zip {
namespace {

using namespace inflate;

constexpr unsigned kTreeBits = 8;
constexpr unsigned kMaxTreeCode = 16;
// Worst-case table sizes with 8 index bits: a sub-table of 2^s entries needs at least s + 1
// symbols, so 256 symbols fill at most 28 sub-tables of 256 (and one of 8), 64 symbols 7.
constexpr size_t kLiteralTableSize = 256 + 28 * 256 + 8;
constexpr size_t kSmallTableSize = 256 + 7 * 256 + 2;

struct ShannonFanoTree {
  unsigned symbols;
  uint32_t* table;
  size_t capacity;
};

struct ExplodeTables {
  uint32_t literal[kLiteralTableSize];
  uint32_t length[kSmallTableSize];
  uint32_t distance[kSmallTableSize];
};

constexpr auto kSymbolTemplates = [] {
  std::array<uint32_t, 256> t{};
  for (uint32_t s = 0; s < 256; ++s) t[s] = s << 16;
  return t;
}();

Error badData(const char* what) { return zipError(kZipBadData, what); }

// Reads one stored tree and builds its table.
bool readTree(TFrameBitReader& in, TLegacyOutput& out, const ShannonFanoTree& tree) {
  uint8_t lengths[256];
  uint32_t count;
  if (!in.read(8, count)) return out.fail(badData("the data end inside a tree"));
  unsigned filled = 0;
  for (uint32_t i = 0; i <= count; ++i) {
    uint32_t pair;
    if (!in.read(8, pair)) return out.fail(badData("the data end inside a tree"));
    const unsigned repeat = (pair >> 4) + 1;
    const unsigned bits = (pair & 15) + 1;
    if (filled + repeat > tree.symbols) return out.fail(badData("bad tree"));
    for (unsigned k = 0; k < repeat; ++k) lengths[filled++] = static_cast<uint8_t>(bits);
  }
  if (filled != tree.symbols || !buildDecodeTable(tree.table, tree.capacity, lengths, tree.symbols,
                                                  kSymbolTemplates.data(), kTreeBits, false, false))
    return out.fail(badData("bad tree"));
  return true;
}

// One symbol of a tree, read from the inverted input bits.
bool decode(TFrameBitReader& in, const uint32_t* table, unsigned& symbol) {
  in.need(kMaxTreeCode);
  const uint32_t bits = ~in.peek(kMaxTreeCode);
  uint32_t e = table[bits & ((1u << kTreeBits) - 1)];
  unsigned consumed = 0;
  if (e & kLink) {
    consumed = kTreeBits;
    e = table[entryValue(e) + ((bits >> kTreeBits) & ((1u << entryCodeBits(e)) - 1))];
  }
  consumed += entryCodeBits(e);
  if (consumed > in.available()) return false;
  in.drop(consumed);
  symbol = entryValue(e);
  return true;
}

}  // namespace

Status ExplodeEntry(TDecoderFrame& frame, uint16_t generalPurposeFlags) {
  const bool largeWindow = (generalPurposeFlags & 2) != 0;
  const bool literalTree = (generalPurposeFlags & 4) != 0;
  const unsigned lowDistanceBits = largeWindow ? 7 : 6;
  const size_t minMatch = literalTree ? 3 : 2;

  TFrameBitReader in(frame);
  TLegacyOutput out(frame, largeWindow ? 8192 : 4096);
  if (out.done()) return okStatus();
  auto tables = std::make_unique<ExplodeTables>();
  if ((literalTree && !readTree(in, out, {256, tables->literal, kLiteralTableSize})) ||
      !readTree(in, out, {64, tables->length, kSmallTableSize}) ||
      !readTree(in, out, {64, tables->distance, kSmallTableSize}))
    return out.finish();

  auto ended = [&] { return out.fail(badData("the compressed data end before the entry")); };
  while (out.ok() && !out.done()) {
    if (frame.cancelled()) {
      out.fail(zipError(kZipUserCanceled));
      break;
    }
    uint32_t flag;
    if (!in.read(1, flag)) {
      ended();
      break;
    }
    if (flag) {
      unsigned literal;
      uint32_t raw;
      if (literalTree ? !decode(in, tables->literal, literal) : !in.read(8, raw)) {
        ended();
        break;
      }
      out.put(static_cast<uint8_t>(literalTree ? literal : raw));
      continue;
    }
    uint32_t low, extra = 0;
    unsigned high, length;
    if (!in.read(lowDistanceBits, low) || !decode(in, tables->distance, high) ||
        !decode(in, tables->length, length) || (length == 63 && !in.read(8, extra))) {
      ended();
      break;
    }
    out.copy(((size_t{high} << lowDistanceBits) | low) + 1, length + extra + minMatch);
  }
  return out.finish();
}

}  // namespace riviza::zip
