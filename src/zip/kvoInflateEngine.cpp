// The inflate engine (zip layer): state machine, careful path and fast loop; see the header.
#include "zip/kvoInflateEngine.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace riviza::zip::inflate {
namespace {

static_assert(std::endian::native == std::endian::little, "the bit buffer loads little-endian words");

constexpr uint64_t lowBits(unsigned n) { return (uint64_t{1} << n) - 1; }

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, sizeof v); }

// Output decoded between two slides of the buffer, and the room below which the buffer slides.
// Sliding moves one window; 256 KiB of fresh output per slide keeps that copy near 1/8 of a byte
// per byte for Deflate64 and keeps buffer and tables inside the second-level cache.
constexpr size_t kSpan = size_t{256} * 1024;
constexpr size_t kMinRoom = size_t{64} * 1024;

// zlib's texts, so that messages read the same whichever inflater produced them.
constexpr const char* kBadBlockType = "invalid block type";
constexpr const char* kBadStoredLengths = "invalid stored block lengths";
constexpr const char* kTooManySymbols = "too many length or distance symbols";
constexpr const char* kBadPrecode = "invalid code lengths set";
constexpr const char* kBadRepeat = "invalid bit length repeat";
constexpr const char* kNoEndOfBlock = "invalid code -- missing end-of-block";
constexpr const char* kBadLitlenSet = "invalid literal/lengths set";
constexpr const char* kBadDistSet = "invalid distances set";
constexpr const char* kBadLitlenCode = "invalid literal/length code";
constexpr const char* kBadDistCode = "invalid distance code";
constexpr const char* kDistanceTooFar = "invalid distance too far back";

// Copies a match whose source lies `distance` bytes behind `out`; may write up to 15 bytes past
// out + length (the buffer's slack). Returns the new end of the output.
inline uint8_t* copyMatchWide(uint8_t* out, size_t distance, size_t length) {
  const uint8_t* src = out - distance;
  uint8_t* const end = out + length;
  if (distance >= 16) {
    // Each 16-byte load lies wholly before the store it feeds, so overlap needs no care.
    do {
      store64(out, load64(src));
      store64(out + 8, load64(src + 8));
      out += 16;
      src += 16;
    } while (out < end);
  } else if (distance >= 8) {
    do {
      store64(out, load64(src));
      out += 8;
      src += 8;
    } while (out < end);
  } else if (distance == 1) {
    const uint64_t run = 0x0101010101010101ull * src[0];
    do {
      store64(out, run);
      out += 8;
    } while (out < end);
  } else {
    // Short periods: widen the pattern to a whole number of periods within eight bytes, then
    // store words of it.
    for (size_t i = 0; i < 8; ++i) out[i] = src[i];
    const size_t step = 8 - 8 % distance;
    const uint64_t pattern = load64(out);
    for (out += step; out < end; out += step) store64(out, pattern);
  }
  return end;
}

}  // namespace

InflateEngine::InflateEngine(Format format, unsigned windowBits)
    : format_(format),
      windowSize_(size_t{1} << windowBits),
      historySize_(windowSize_),
      bufferSize_(historySize_ + kSpan),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(bufferSize_ + kSlack)) {
  assert(windowBits >= 8 && windowBits <= (format == Format::Deflate64 ? 16u : 15u));
  reset();
}

void InflateEngine::reset() {
  out_ = taken_ = runStart_ = outLimit_ = buffer_.get();
  totalOut_ = 0;
  bitBuffer_ = 0;
  bitCount_ = 0;
  mode_ = Mode::BlockHeader;
  finalBlock_ = false;
  message_ = nullptr;
  have_ = 0;
  storedLeft_ = matchLength_ = matchDistance_ = 0;
  litlenTable_ = distTable_ = nullptr;
}

void InflateEngine::assertInvariants() const {
  assert(buffer_.get() <= taken_ && taken_ <= out_ && out_ <= buffer_.get() + bufferSize_);
  assert(bitCount_ <= 64);
  assert(bitCount_ == 64 || (bitBuffer_ >> bitCount_) == 0);
  assert(mode_ != Mode::Match || (matchDistance_ >= 1 && matchDistance_ <= windowSize_));
}

InflateEngine::Result InflateEngine::fail(const char* message) {
  message_ = message;
  mode_ = Mode::Bad;
  return Result::DataError;
}

void InflateEngine::makeRoom() {
  uint8_t* const base = buffer_.get();
  if (taken_ != out_ || static_cast<size_t>(base + bufferSize_ - out_) >= kMinRoom) return;
  const size_t keep = std::min<size_t>(static_cast<size_t>(out_ - base), historySize_);
  std::memmove(base, out_ - keep, keep);
  out_ = taken_ = runStart_ = base + keep;
}

bool InflateEngine::pull(unsigned bits, const uint8_t*& in, const uint8_t* inEnd) {
  while (bitCount_ < bits) {
    if (in == inEnd) return false;
    bitBuffer_ |= uint64_t{*in++} << bitCount_;
    bitCount_ += 8;
  }
  return true;
}

void InflateEngine::drop(unsigned bits) {
  bitBuffer_ >>= bits;
  bitCount_ -= bits;
}

// Looks the next symbol up without consuming it; pulls input bytes until the codeword and its
// extra bits are all in the buffer. Returns false when the input ran out first.
bool InflateEngine::peekSymbol(const uint32_t* table, unsigned tableBits, const uint8_t*& in,
                               const uint8_t* inEnd, uint32_t& entry, unsigned& codeBits,
                               unsigned& totalBits) {
  for (;;) {
    uint32_t e = table[bitBuffer_ & lowBits(tableBits)];
    unsigned prefix = 0;
    if (e & kLink) {
      prefix = tableBits;
      e = table[entryValue(e) + ((bitBuffer_ >> tableBits) & lowBits(entryCodeBits(e)))];
    }
    const unsigned need = prefix + entryTotalBits(e);
    if (bitCount_ >= need) {
      entry = e;
      codeBits = prefix + entryCodeBits(e);
      totalBits = need;
      return true;
    }
    if (in == inEnd) return false;
    bitBuffer_ |= uint64_t{*in++} << bitCount_;
    bitCount_ += 8;
  }
}

void InflateEngine::giveBackWholeBytes(const uint8_t*& in, const uint8_t* callStart) {
  const size_t back = std::min<size_t>(bitCount_ >> 3, static_cast<size_t>(in - callStart));
  in -= back;
  bitCount_ -= static_cast<unsigned>(back * 8);
  bitBuffer_ &= lowBits(bitCount_);
}

InflateEngine::Result InflateEngine::run(const uint8_t*& in, const uint8_t* inEnd, size_t maxOutput) {
  makeRoom();
  runStart_ = out_;
  const size_t pendingNow = static_cast<size_t>(out_ - taken_);
  const size_t allowed = maxOutput > pendingNow ? maxOutput - pendingNow : 0;
  const size_t room = static_cast<size_t>(buffer_.get() + bufferSize_ - out_);
  outLimit_ = out_ + std::min(allowed, room);
  const uint8_t* const callStart = in;

  Result result = Result::DataError;
  for (bool more = true; more;) {
    switch (mode_) {
      case Mode::BlockHeader: {
        if (!pull(3, in, inEnd)) {
          result = Result::NeedInput;
          more = false;
          break;
        }
        finalBlock_ = (bitBuffer_ & 1) != 0;
        const unsigned type = (bitBuffer_ >> 1) & 3;
        drop(3);
        if (type == 0) {
          mode_ = Mode::StoredHeader;
        } else if (type == 1) {
          const FixedTables& fixed = fixedTables(format_);
          litlenTable_ = fixed.litlen;
          distTable_ = fixed.dist;
          mode_ = Mode::Codes;
        } else if (type == 2) {
          mode_ = Mode::DynamicHeader;
        } else {
          result = fail(kBadBlockType);
          more = false;
        }
        break;
      }
      case Mode::StoredHeader:
        drop(bitCount_ & 7);
        if (!pull(32, in, inEnd)) {
          result = Result::NeedInput;
          more = false;
        } else if ((bitBuffer_ & 0xFFFF) != (((bitBuffer_ >> 16) & 0xFFFF) ^ 0xFFFF)) {
          result = fail(kBadStoredLengths);
          more = false;
        } else {
          storedLeft_ = static_cast<uint32_t>(bitBuffer_ & 0xFFFF);
          drop(32);
          mode_ = Mode::StoredCopy;
        }
        break;
      case Mode::StoredCopy:
        if (copyStored(in, inEnd, result)) {
          mode_ = finalBlock_ ? Mode::Done : Mode::BlockHeader;
        } else {
          more = false;
        }
        break;
      case Mode::DynamicHeader:
      case Mode::PrecodeLengths:
      case Mode::CodeLengths:
        more = readDynamicTables(in, inEnd, result);
        break;
      case Mode::Codes:
        if (static_cast<size_t>(inEnd - in) >= kFastInput &&
            static_cast<size_t>(outLimit_ - out_) >= kFastOutput) {
          const bool ok =
              format_ == Format::Deflate64 ? fastLoop<true>(in, inEnd) : fastLoop<false>(in, inEnd);
          if (!ok) {
            result = Result::DataError;
            more = false;
          }
          break;
        }
        more = decodeSlowSymbol(in, inEnd, result);
        break;
      case Mode::Distance:
        more = decodeSlowDistance(in, inEnd, result);
        break;
      case Mode::Match:
        if (copyMatch()) {
          mode_ = Mode::Codes;
        } else {
          result = Result::OutputFull;
          more = false;
        }
        break;
      case Mode::Done:
        giveBackWholeBytes(in, callStart);
        result = Result::StreamEnd;
        more = false;
        break;
      case Mode::Bad:
        result = Result::DataError;
        more = false;
        break;
    }
  }
  totalOut_ += static_cast<uint64_t>(out_ - runStart_);
  runStart_ = out_;
  assertInvariants();
  return result;
}

bool InflateEngine::copyStored(const uint8_t*& in, const uint8_t* inEnd, Result& result) {
  while (storedLeft_ > 0) {
    if (out_ == outLimit_) {
      result = Result::OutputFull;
      return false;
    }
    if (bitCount_ >= 8) {  // whole bytes pulled before the block header ended
      *out_++ = static_cast<uint8_t>(bitBuffer_);
      drop(8);
      --storedLeft_;
      continue;
    }
    if (in == inEnd) {
      result = Result::NeedInput;
      return false;
    }
    const size_t n = std::min({static_cast<size_t>(storedLeft_), static_cast<size_t>(inEnd - in),
                               static_cast<size_t>(outLimit_ - out_)});
    std::memcpy(out_, in, n);
    out_ += n;
    in += n;
    storedLeft_ -= static_cast<uint32_t>(n);
  }
  return true;
}

// The header of a dynamic block, the code-length code and the code lengths; resumable in each of
// the three modes. Returns false when the run stops (result set).
bool InflateEngine::readDynamicTables(const uint8_t*& in, const uint8_t* inEnd, Result& result) {
  auto stop = [&](Result r) {
    result = r;
    return false;
  };
  if (mode_ == Mode::DynamicHeader) {
    if (!pull(14, in, inEnd)) return stop(Result::NeedInput);
    litlenCount_ = static_cast<unsigned>(bitBuffer_ & 31) + 257;
    distCount_ = static_cast<unsigned>((bitBuffer_ >> 5) & 31) + 1;
    precodeCount_ = static_cast<unsigned>((bitBuffer_ >> 10) & 15) + 4;
    drop(14);
    if (litlenCount_ > kMaxDynamicLitlen ||
        (format_ == Format::Deflate && distCount_ > kMaxDynamicDistDeflate))
      return stop(fail(kTooManySymbols));
    have_ = 0;
    mode_ = Mode::PrecodeLengths;
  }
  if (mode_ == Mode::PrecodeLengths) {
    for (; have_ < precodeCount_; ++have_) {
      if (!pull(3, in, inEnd)) return stop(Result::NeedInput);
      lengths_[kPrecodeOrder[have_]] = static_cast<uint8_t>(bitBuffer_ & 7);
      drop(3);
    }
    for (; have_ < kPrecodeSymbols; ++have_) lengths_[kPrecodeOrder[have_]] = 0;
    if (!buildDecodeTable(precode_, kPrecodeTableSize, lengths_, kPrecodeSymbols, precodeSymbols(),
                          kPrecodeTableBits, false, false))
      return stop(fail(kBadPrecode));
    have_ = 0;
    mode_ = Mode::CodeLengths;
  }
  const unsigned total = litlenCount_ + distCount_;
  while (have_ < total) {
    uint32_t e;
    unsigned codeBits, totalBits;
    if (!peekSymbol(precode_, kPrecodeTableBits, in, inEnd, e, codeBits, totalBits))
      return stop(Result::NeedInput);
    const unsigned symbol = entryValue(e);
    const unsigned extra = static_cast<unsigned>((bitBuffer_ >> codeBits) & lowBits(totalBits - codeBits));
    if (symbol < 16) {
      drop(totalBits);
      lengths_[have_++] = static_cast<uint8_t>(symbol);
      continue;
    }
    uint8_t length = 0;
    unsigned repeat;
    if (symbol == 16) {
      if (have_ == 0) return stop(fail(kBadRepeat));
      length = lengths_[have_ - 1];
      repeat = 3 + extra;
    } else {
      repeat = (symbol == 17 ? 3 : 11) + extra;
    }
    if (have_ + repeat > total) return stop(fail(kBadRepeat));
    drop(totalBits);
    std::memset(lengths_ + have_, length, repeat);
    have_ += repeat;
  }
  if (lengths_[256] == 0) return stop(fail(kNoEndOfBlock));
  if (!buildDecodeTable(litlenDynamic_, kLitlenTableSize, lengths_, litlenCount_, litlenSymbols(format_),
                        kLitlenTableBits, true, false))
    return stop(fail(kBadLitlenSet));
  if (!buildDecodeTable(distDynamic_, kDistTableSize, lengths_ + litlenCount_, distCount_,
                        distSymbols(format_), kDistTableBits, true, true))
    return stop(fail(kBadDistSet));
  litlenTable_ = litlenDynamic_;
  distTable_ = distDynamic_;
  mode_ = Mode::Codes;
  return true;
}

// One literal/length symbol on the careful path. A literal is only taken when there is room
// for it, so a full output never loses a symbol.
bool InflateEngine::decodeSlowSymbol(const uint8_t*& in, const uint8_t* inEnd, Result& result) {
  uint32_t e;
  unsigned codeBits, totalBits;
  if (!peekSymbol(litlenTable_, kLitlenTableBits, in, inEnd, e, codeBits, totalBits)) {
    result = Result::NeedInput;
    return false;
  }
  if (e & kLiteral) {
    if (out_ == outLimit_) {
      result = Result::OutputFull;
      return false;
    }
    *out_++ = static_cast<uint8_t>(entryValue(e));
    drop(totalBits);
    return true;
  }
  if (e & kExceptional) {
    if (!(e & kEndOfBlock)) {
      result = fail(kBadLitlenCode);
      return false;
    }
    drop(totalBits);
    mode_ = finalBlock_ ? Mode::Done : Mode::BlockHeader;
    return true;
  }
  matchLength_ =
      entryValue(e) + static_cast<uint32_t>((bitBuffer_ >> codeBits) & lowBits(totalBits - codeBits));
  drop(totalBits);
  mode_ = Mode::Distance;
  return true;
}

bool InflateEngine::decodeSlowDistance(const uint8_t*& in, const uint8_t* inEnd, Result& result) {
  uint32_t e;
  unsigned codeBits, totalBits;
  if (!peekSymbol(distTable_, kDistTableBits, in, inEnd, e, codeBits, totalBits)) {
    result = Result::NeedInput;
    return false;
  }
  if (e & kExceptional) {
    result = fail(kBadDistCode);
    return false;
  }
  const size_t distance = entryValue(e) + ((bitBuffer_ >> codeBits) & lowBits(totalBits - codeBits));
  drop(totalBits);
  if (distance > static_cast<size_t>(out_ - buffer_.get()) || distance > windowSize_) {
    result = fail(kDistanceTooFar);
    return false;
  }
  matchDistance_ = static_cast<uint32_t>(distance);
  mode_ = Mode::Match;
  return true;
}

// The rest of a match, as far as the output space allows. Returns true when it is complete.
bool InflateEngine::copyMatch() {
  size_t n = std::min<size_t>(matchLength_, static_cast<size_t>(outLimit_ - out_));
  matchLength_ -= static_cast<uint32_t>(n);
  if (matchDistance_ == 1) {
    std::memset(out_, out_[-1], n);
    out_ += n;
  } else {
    // Chunks of at most one distance never overlap their source; each extends the period.
    while (n > 0) {
      const size_t chunk = std::min<size_t>(n, matchDistance_);
      std::memcpy(out_, out_ - matchDistance_, chunk);
      out_ += chunk;
      n -= chunk;
    }
  }
  return matchLength_ == 0;
}

// The fast loop. Whole bytes left in the bit buffer at the exit go back to the input, as far as
// this loop read them: bits held from an earlier call (the input ran out inside a symbol, or a
// literal waited for output space) lie below them and stay, since their bytes belong to a buffer
// the caller may have replaced.
//
// Bit budget: a refill leaves at least 56 bits. A literal/length symbol takes at most 15 codeword
// and 5 extra bits (Deflate64: 16 extra, so 31); a distance at most 15 + 13 (Deflate64: 14). Plain
// deflate thus decodes a whole match from one refill; Deflate64 refills before the distance when
// fewer than 29 bits remain. Two refills per iteration read at most 15 bytes ahead: kFastInput.
template <bool kDeflate64>
bool InflateEngine::fastLoop(const uint8_t*& inRef, const uint8_t* inEnd) {
  const uint8_t* const inEntry = inRef;
  const uint8_t* in = inRef;
  uint8_t* out = out_;
  uint64_t bits = bitBuffer_;
  unsigned count = bitCount_;
  const uint32_t* const litlen = litlenTable_;
  const uint32_t* const dist = distTable_;
  const uint8_t* const outBase = buffer_.get();
  uint8_t* const outLimit = outLimit_;
  const uint8_t* const inLimit = inEnd - kFastInput;
  const uint8_t* const outFastLimit = outLimit - kFastOutput;
  const size_t window = windowSize_;
  constexpr uint64_t kLitlenMask = lowBits(kLitlenTableBits);
  constexpr uint64_t kDistMask = lowBits(kDistTableBits);
  const char* error = nullptr;

  // Branch-free refill: load eight bytes, keep the whole bytes that fit; afterwards 56 <= count
  // <= 63. Bits above count are the next input bits, identical to what the next load ORs in.
  auto refill = [&] {
    bits |= load64(in) << count;
    in += (63 - count) >> 3;
    count |= 56;
  };
  auto consume = [&](uint32_t entry) {
    bits >>= entryTotalBits(entry);
    count -= entryTotalBits(entry);
  };

  refill();
  uint32_t e = litlen[bits & kLitlenMask];
  for (;;) {
    // --- literals: up to three from one refill; the entry after them is preloaded, and stays
    // valid across the refill because at least 11 bits remain.
    if (e & kLiteral) {
      consume(e);
      *out++ = static_cast<uint8_t>(entryValue(e));
      e = litlen[bits & kLitlenMask];
      if (e & kLiteral) {
        consume(e);
        *out++ = static_cast<uint8_t>(entryValue(e));
        e = litlen[bits & kLitlenMask];
        if (e & kLiteral) {
          consume(e);
          *out++ = static_cast<uint8_t>(entryValue(e));
          e = litlen[bits & kLitlenMask];
        }
      }
      if (in > inLimit || out > outFastLimit) break;
      refill();
      continue;
    }
    // --- links, end of block, invalid symbols
    if (e & kExceptional) {
      if (e & kLink) {
        const uint32_t link = e;
        consume(link);
        e = litlen[entryValue(link) + (bits & lowBits(entryCodeBits(link)))];
        if (e & kLiteral) {
          consume(e);
          *out++ = static_cast<uint8_t>(entryValue(e));
          if (in > inLimit || out > outFastLimit) {
            e = 0;
            break;
          }
          refill();
          e = litlen[bits & kLitlenMask];
          continue;
        }
      }
      if (e & kExceptional) {
        if (e & kEndOfBlock) {
          consume(e);
          mode_ = finalBlock_ ? Mode::Done : Mode::BlockHeader;
        } else {
          error = kBadLitlenCode;
        }
        break;
      }
    }
    // --- length
    uint64_t saved = bits;
    consume(e);
    const size_t length = entryValue(e) + ((saved & lowBits(entryTotalBits(e))) >> entryCodeBits(e));
    if constexpr (kDeflate64) {
      if (count < 29) refill();
    }
    // --- distance
    e = dist[bits & kDistMask];
    if (e & kExceptional) {
      if (!(e & kLink)) {
        error = kBadDistCode;
        break;
      }
      const uint32_t link = e;
      consume(link);
      e = dist[entryValue(link) + (bits & lowBits(entryCodeBits(link)))];
      if (e & kExceptional) {
        error = kBadDistCode;
        break;
      }
    }
    saved = bits;
    consume(e);
    const size_t distance = entryValue(e) + ((saved & lowBits(entryTotalBits(e))) >> entryCodeBits(e));
    if (distance > static_cast<size_t>(out - outBase) || distance > window) {
      error = kDistanceTooFar;
      break;
    }
    // --- copy
    if (length > static_cast<size_t>(outLimit - out)) {
      matchLength_ = static_cast<uint32_t>(length);
      matchDistance_ = static_cast<uint32_t>(distance);
      mode_ = Mode::Match;
      break;
    }
    out = copyMatchWide(out, distance, length);
    if (in > inLimit || out > outFastLimit) break;
    refill();
    e = litlen[bits & kLitlenMask];
  }

  out_ = out;
  bitBuffer_ = bits;
  bitCount_ = count;
  inRef = in;
  // The careful path pulls handed-back bytes again when it needs them.
  giveBackWholeBytes(inRef, inEntry);
  if (error) {
    fail(error);
    return false;
  }
  return true;
}

template bool InflateEngine::fastLoop<false>(const uint8_t*&, const uint8_t*);
template bool InflateEngine::fastLoop<true>(const uint8_t*&, const uint8_t*);

}  // namespace riviza::zip::inflate
