// Decoding tables of the inflaters (zip layer): the table-entry format, the length and distance
// alphabets of deflate and Deflate64, the canonical-code table builder and the fixed-code tables.
//
// A code is decoded by one lookup of the low bits of the bit buffer in a main table; codewords
// longer than the main table's index width go through one link to a sub-table. The builder
// refuses over-subscribed codes and incomplete ones, except the single one-bit code that RFC 1951
// allows ("one distance code ... a single code length of one"); the unused half of such a code,
// an empty code and the symbols no format allows (literal/length 286 and 287, distance 30 and 31
// in plain deflate) decode to invalid entries, so a stream that uses them fails. The fixed tables
// of deflate and Deflate64 are two separate constant tables built once per process: neither
// format's table can leak into the other. Pure and thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace riviza::zip::inflate {

// One table entry, 32 bits:
//
// | bits  | field        | meaning                                                              |
// |-------|--------------|----------------------------------------------------------------------|
// | 0-7   | totalBits    | bits to drop for this entry: codeword bits at this level + extra bits |
// |       |              | (a link: the main table's index width)                               |
// | 8-11  | codeBits     | codeword bits at this level (a link: the sub-table's index width)    |
// | 12    | kExceptional | link, end of block or invalid symbol                                 |
// | 13    | kLink        | value = start of the sub-table                                       |
// | 14    | kEndOfBlock  |                                                                      |
// | 15    | kLiteral     | value = the byte                                                     |
// | 16-31 | value        | literal, length base, distance base or sub-table start               |
//
// The extra bits of a length or distance are the bits above the codeword: with `saved` the bit
// buffer before the drop, extra = (saved & mask(totalBits)) >> codeBits.
inline constexpr uint32_t kExceptional = 1u << 12;
inline constexpr uint32_t kLink = 1u << 13;
inline constexpr uint32_t kEndOfBlock = 1u << 14;
inline constexpr uint32_t kLiteral = 1u << 15;
inline constexpr uint32_t kInvalid = kExceptional;

constexpr unsigned entryTotalBits(uint32_t e) { return e & 0xFF; }
constexpr unsigned entryCodeBits(uint32_t e) { return (e >> 8) & 0xF; }
constexpr unsigned entryValue(uint32_t e) { return e >> 16; }

// Main-table index widths and the worst-case table sizes (main plus every sub-table) for codes
// of at most 15 bits: 288 literal/length, 32 distance and 19 code-length symbols.
inline constexpr unsigned kLitlenTableBits = 11;
inline constexpr unsigned kDistTableBits = 8;
inline constexpr unsigned kPrecodeTableBits = 7;
inline constexpr size_t kLitlenTableSize = 2342;
inline constexpr size_t kDistTableSize = 402;
inline constexpr size_t kPrecodeTableSize = 128;

inline constexpr unsigned kMaxCodeBits = 15;
// Longest codeword the builder takes (the Shannon-Fano trees of imploding reach 16 bits).
inline constexpr unsigned kMaxBuildBits = 16;
inline constexpr unsigned kMaxLitlenSymbols = 288;
inline constexpr unsigned kMaxDistSymbols = 32;
inline constexpr unsigned kPrecodeSymbols = 19;
// Dynamic blocks may declare at most these many codes (HLIT, HDIST).
inline constexpr unsigned kMaxDynamicLitlen = 286;
inline constexpr unsigned kMaxDynamicDistDeflate = 30;

enum class Format : uint8_t { Deflate, Deflate64 };

// Entry templates per symbol (value, flags and extra-bit count; the builder adds the codeword
// bits): literals, end of block, the lengths of the format and invalid 286/287.
const uint32_t* litlenSymbols(Format format);
// The distances of the format; 30 and 31 are invalid in plain deflate.
const uint32_t* distSymbols(Format format);
// Code-length symbols 0-18, with the repeat counts' extra bits (2, 3, 7) of 16, 17, 18.
const uint32_t* precodeSymbols();

// Builds the decoding table of a canonical code from its code lengths (0 = unused symbol, at most
// kMaxBuildBits; a sub-table index may not exceed 15 bits).
// symbols[s] is the entry template of symbol s. Returns false when the lengths are
// over-subscribed, or incomplete without being a single one-bit code (allowSingleCode) or no code
// at all (allowEmpty), or when the table would not fit into capacity.
bool buildDecodeTable(uint32_t* table, size_t capacity, const uint8_t* lengths, unsigned numSymbols,
                      const uint32_t* symbols, unsigned tableBits, bool allowSingleCode, bool allowEmpty);

// The fixed codes of block type 1, one pair of tables per format.
struct FixedTables {
  uint32_t litlen[kLitlenTableSize];
  uint32_t dist[kDistTableSize];
};
const FixedTables& fixedTables(Format format);

// The order in which a dynamic block stores the code-length code's lengths.
inline constexpr uint8_t kPrecodeOrder[kPrecodeSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

}  // namespace riviza::zip::inflate
