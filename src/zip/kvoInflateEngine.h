// The inflate engine shared by both inflaters (zip layer): a resumable decoder of raw deflate and
// Deflate64 data (RFC 1951; Deflate64 with the 64 KiB window, length code 285 as 3 + 16 extra
// bits and distance codes 30 and 31).
//
// Input comes in pieces of any size; the engine consumes them completely or stops at the end of
// the stream, where no byte after the last one holding stream bits is taken. Output goes into
// the engine's own history buffer, which is also the window: matches copy inside it, and the
// caller takes the produced bytes (`pending`) straight from it. The buffer slides its last window
// of bytes to the front when it fills; it only slides when every produced byte was taken.
//
// Two decoding paths share the state. The fast loop runs while at least kFastInput bytes of input
// and kFastOutput bytes of output space remain: a 64-bit bit buffer refilled eight bytes at a time
// without bounds tests, one table lookup per symbol, two literals per refill, matches copied in
// 8- or 16-byte words (the buffer has slack behind its end for the overrun). The careful path
// decodes one step at a time, pulls input a byte at a time and only as far as the step needs,
// and keeps partial work (a match longer than the output space, a stored block) in the state, so
// that decoding can stop at any input or output boundary and resume.
//
// Faults are data errors with zlib's message texts: block type 3, bad stored lengths, too many
// codes, over-subscribed or incomplete codes, a missing end-of-block code, symbols no format
// allows, and distances before the start of the output or beyond the window.
//
// State diagram (mode): BlockHeader -> Stored{Header,Copy} | DynamicHeader -> PrecodeLengths ->
// CodeLengths -> Codes <-> Distance <-> Match; Codes -> BlockHeader (end of block) or Done (end
// of the final block); any -> Bad. `run` moves it; `reset` returns to BlockHeader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "zip/kvoInflateTables.h"

namespace riviza::zip::inflate {

class InflateEngine {
 public:
  enum class Result : uint8_t { NeedInput, OutputFull, StreamEnd, DataError };

  // windowBits 8..15, or 8..16 for Deflate64: distances beyond 2^windowBits are data errors.
  InflateEngine(Format format, unsigned windowBits);
  InflateEngine(const InflateEngine&) = delete;
  InflateEngine& operator=(const InflateEngine&) = delete;

  // Back to the start of a stream (same format and window), keeping the buffers.
  void reset();

  // Decodes from [in, inEnd), advancing `in` past what was consumed, until the input is used up
  // (NeedInput), maxOutput more bytes are pending (OutputFull), the stream ends (StreamEnd) or
  // the data is bad (DataError, sticky until reset). Bytes still pending from an earlier call
  // count against maxOutput.
  Result run(const uint8_t*& in, const uint8_t* inEnd, size_t maxOutput);

  // Bytes produced and not yet taken; `take` marks the first n of them as handed on.
  std::span<const uint8_t> pending() const { return {taken_, out_}; }
  void take(size_t n) { taken_ += n; }

  // The text of the last data error (zlib's wording), or nullptr.
  const char* message() const { return message_; }
  bool finished() const { return mode_ == Mode::Done; }
  uint64_t totalOut() const { return totalOut_ + static_cast<uint64_t>(out_ - runStart_); }
  Format format() const { return format_; }

  // Margins of the fast loop: the most input one iteration can read (two eight-byte refills) and
  // the output space that holds any deflate match.
  static constexpr size_t kFastInput = 16;
  static constexpr size_t kFastOutput = 258;
  // Bytes behind the buffer's end that word copies may overwrite.
  static constexpr size_t kSlack = 32;

  void assertInvariants() const;

 private:
  enum class Mode : uint8_t {
    BlockHeader,
    StoredHeader,
    StoredCopy,
    DynamicHeader,
    PrecodeLengths,
    CodeLengths,
    Codes,
    Distance,
    Match,
    Done,
    Bad
  };

  Result fail(const char* message);
  void makeRoom();
  bool pull(unsigned bits, const uint8_t*& in, const uint8_t* inEnd);
  bool peekSymbol(const uint32_t* table, unsigned tableBits, const uint8_t*& in, const uint8_t* inEnd,
                  uint32_t& entry, unsigned& codeBits, unsigned& totalBits);
  void drop(unsigned bits);
  bool readDynamicTables(const uint8_t*& in, const uint8_t* inEnd, Result& result);
  bool copyStored(const uint8_t*& in, const uint8_t* inEnd, Result& result);
  bool decodeSlowSymbol(const uint8_t*& in, const uint8_t* inEnd, Result& result);
  bool decodeSlowDistance(const uint8_t*& in, const uint8_t* inEnd, Result& result);
  bool copyMatch();
  template <bool kDeflate64>
  bool fastLoop(const uint8_t*& in, const uint8_t* inEnd);
  void giveBackWholeBytes(const uint8_t*& in, const uint8_t* callStart);

  Format format_;
  size_t windowSize_;
  size_t historySize_;
  size_t bufferSize_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint8_t* out_ = nullptr;       // next byte to produce
  uint8_t* taken_ = nullptr;     // first byte not yet handed on
  uint8_t* outLimit_ = nullptr;  // end of the output allowed in this run
  uint8_t* runStart_ = nullptr;  // out_ when the run began (totalOut_ counts up to there)
  uint64_t totalOut_ = 0;

  uint64_t bitBuffer_ = 0;  // bits above bitCount_ are zero outside the fast loop
  unsigned bitCount_ = 0;
  Mode mode_ = Mode::BlockHeader;
  bool finalBlock_ = false;
  const char* message_ = nullptr;

  // Dynamic header and code lengths in progress.
  unsigned litlenCount_ = 0;
  unsigned distCount_ = 0;
  unsigned precodeCount_ = 0;
  unsigned have_ = 0;
  uint8_t lengths_[kMaxLitlenSymbols + kMaxDistSymbols] = {};
  uint32_t storedLeft_ = 0;
  uint32_t matchLength_ = 0;
  uint32_t matchDistance_ = 0;

  const uint32_t* litlenTable_ = nullptr;
  const uint32_t* distTable_ = nullptr;
  uint32_t litlenDynamic_[kLitlenTableSize];
  uint32_t distDynamic_[kDistTableSize];
  uint32_t precode_[kPrecodeTableSize];
};

}  // namespace riviza::zip::inflate
