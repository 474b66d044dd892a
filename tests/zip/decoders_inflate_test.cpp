// The stream inflater against zlib's inflate: generated streams of every level and strategy,
// mutated streams, streams fed in random pieces, and hand-built streams for each kind of fault.
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>

#include "zip/decoders_support.h"
#include "zip/kvoInflate.h"

namespace riviza::test {
namespace {

constexpr int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
constexpr DataKind kKinds[] = {DataKind::Text, DataKind::Binary, DataKind::Random, DataKind::Runs,
                               DataKind::Mixed};

// A size drawn so that most streams are small (fast), some span several windows.
size_t drawSize(std::mt19937_64& rng) {
  switch (rng() % 16) {
    case 0:
    case 1:
      return rng() % 16;
    case 2:
    case 3:
    case 4:
    case 5:
      return rng() % 600;
    case 15:
      return 33000 + rng() % 90000;
    default:
      return rng() % 9000;
  }
}

struct GeneratedStream {
  Bytes data;
  Bytes stream;
  int level;
  int strategy;
};

GeneratedStream generateStream(size_t index) {
  std::mt19937_64 rng(0x5EED0000 + index);
  GeneratedStream g;
  g.level = static_cast<int>(index % 10);
  g.strategy = kStrategies[(index / 10) % std::size(kStrategies)];
  const DataKind kind = kKinds[(index / 50) % std::size(kKinds)];
  const size_t size = drawSize(rng);
  g.data = generateData(kind, size, rng);
  const int memLevel = 1 + static_cast<int>(rng() % 9);
  g.stream = zlibCompress(g.data, g.level, g.strategy, -15, memLevel);
  return g;
}

TEST(InflateDifferential, GeneratedStreamsMatchZlib) {
  const size_t cases = caseCount(100000);
  size_t bytesChecked = 0;
  for (size_t i = 0; i < cases; ++i) {
    const GeneratedStream g = generateStream(i);
    const InflateOutcome ours = ourInflate(g.stream);
    ASSERT_TRUE(ours.complete) << "stream " << i << ": " << ours.message;
    ASSERT_EQ(ours.output, g.data) << "stream " << i << " level " << g.level << " strategy " << g.strategy;
    ASSERT_EQ(ours.unusedInput, 0u) << "stream " << i;
    bytesChecked += g.data.size();
  }
  RecordProperty("streams", static_cast<int>(cases));
  RecordProperty("megabytes", static_cast<int>(bytesChecked >> 20));
}

// Mutations of valid streams: flipped bits, changed bytes, cut ends, inserted and deleted bytes.
Bytes mutate(const Bytes& stream, std::mt19937_64& rng) {
  Bytes m = stream;
  const int rounds = 1 + static_cast<int>(rng() % 3);
  for (int r = 0; r < rounds && !m.empty(); ++r) {
    const size_t at = rng() % m.size();
    switch (rng() % 5) {
      case 0:
        m[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 1:
        m[at] = static_cast<uint8_t>(rng());
        break;
      case 2:
        m.resize(at);
        break;
      case 3:
        m.insert(m.begin() + static_cast<long>(at), static_cast<uint8_t>(rng()));
        break;
      default:
        m.erase(m.begin() + static_cast<long>(at));
        break;
    }
  }
  return m;
}

// Same output or both fail; when both fail, the output before the fault agrees as far as both
// went.
void expectSameAsZlib(const Bytes& stream, const std::string& what) {
  const InflateOutcome reference = zlibInflate(stream, -15, 1 << 20);
  const InflateOutcome ours = ourInflate(stream, -15, false, 0, 0, nullptr, 1 << 20);
  ASSERT_EQ(ours.complete, reference.complete)
      << what << ": ours '" << ours.message << "' zlib '" << reference.message << "'";
  if (reference.complete) {
    ASSERT_EQ(ours.output, reference.output) << what;
    ASSERT_EQ(ours.unusedInput, reference.unusedInput) << what;
  } else {
    const size_t common = std::min(ours.output.size(), reference.output.size());
    ASSERT_TRUE(std::equal(ours.output.begin(), ours.output.begin() + static_cast<long>(common),
                           reference.output.begin()))
        << what;
  }
}

TEST(InflateDifferential, MutatedStreamsAgreeWithZlib) {
  const size_t cases = caseCount(25000);
  for (size_t i = 0; i < cases; ++i) {
    GeneratedStream g = generateStream(i * 7 + 3);
    if (g.data.size() > 20000) g = generateStream(i * 7 + 4);
    std::mt19937_64 rng(0xBADC0DE + i);
    expectSameAsZlib(mutate(g.stream, rng), "mutated stream " + std::to_string(i));
  }
}

TEST(InflateDifferential, RandomBytesAgreeWithZlib) {
  const size_t cases = caseCount(100000);
  for (size_t i = 0; i < cases; ++i) {
    std::mt19937_64 rng(0xF00D + i);
    Bytes junk = generateData(DataKind::Random, rng() % 200, rng);
    // Half of them start as a plausible dynamic or fixed block.
    if (!junk.empty() && (i & 1)) junk[0] = static_cast<uint8_t>((junk[0] & ~6) | ((i & 2) ? 4 : 2));
    expectSameAsZlib(junk, "random stream " + std::to_string(i));
  }
}

TEST(InflateDifferential, PiecewiseInputAndOutputGiveTheSameResult) {
  const size_t cases = caseCount(3000);
  constexpr size_t kPieces[] = {1, 2, 7, 64, 1000};
  for (size_t i = 0; i < cases; ++i) {
    const GeneratedStream g = generateStream(i * 13 + 1);
    std::mt19937_64 rng(i);
    const size_t inPiece = kPieces[i % 5];
    const size_t outPiece = kPieces[(i / 5) % 5];
    const InflateOutcome ours = ourInflate(g.stream, -15, false, inPiece, outPiece, &rng);
    ASSERT_TRUE(ours.complete) << "stream " << i << ": " << ours.message;
    ASSERT_EQ(ours.output, g.data) << "stream " << i << " pieces " << inPiece << "/" << outPiece;
  }
}

TEST(InflateStream, ZlibWrappedStreamsCheckTheirAdler) {
  std::mt19937_64 rng(5);
  const Bytes data = generateData(DataKind::Text, 70000, rng);
  Bytes stream = zlibCompress(data, 6, Z_DEFAULT_STRATEGY, 15);
  InflateOutcome ours = ourInflate(stream, 15);
  ASSERT_TRUE(ours.complete) << ours.message;
  EXPECT_EQ(ours.output, data);
  stream[stream.size() - 1] ^= 1;
  ours = ourInflate(stream, 15);
  EXPECT_FALSE(ours.complete);
  EXPECT_EQ(ours.message, "incorrect data check");
  stream[1] ^= 1;
  EXPECT_EQ(ourInflate(stream, 15).message, "incorrect header check");
}

TEST(InflateStream, TrailingBytesAreLeftInTheInput) {
  std::mt19937_64 rng(6);
  const Bytes data = generateData(DataKind::Mixed, 50000, rng);
  for (int level : {0, 1, 9}) {
    Bytes stream = zlibCompress(data, level, Z_DEFAULT_STRATEGY);
    stream.insert(stream.end(), {'P', 'K', 3, 4, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    const InflateOutcome ours = ourInflate(stream);
    ASSERT_TRUE(ours.complete);
    EXPECT_EQ(ours.output, data);
    EXPECT_EQ(ours.unusedInput, 20u) << "level " << level;
  }
}

TEST(InflateStream, InitRefusesForeignVersionsAndWindows) {
  zip::TZStreamRec z;
  EXPECT_EQ(zip::InflateInit2(z, -15, false, "2.0"), zip::kZVersionError);
  EXPECT_EQ(zip::InflateInit2(z, -15, false, zip::kInflateVersion, sizeof(z) + 1), zip::kZVersionError);
  EXPECT_EQ(zip::InflateInit2(z, -16, false), zip::kZStreamError);
  EXPECT_EQ(zip::InflateInit2(z, -7, false), zip::kZStreamError);
  EXPECT_EQ(zip::InflateInit2(z, -16, true), zip::kZStreamError);  // 17 with the switch
  EXPECT_EQ(zip::InflateInit2(z, -15, true), zip::kZOk);
  EXPECT_EQ(zip::InflateEnd(z), zip::kZOk);
  EXPECT_EQ(zip::Inflate(z, zip::kZNoFlush), zip::kZStreamError);
}

// Hand-built streams, one per fault; each also goes to zlib, which must agree.
struct FaultCase {
  const char* name;
  Bytes (*build)();
  const char* message;  // our message; nullptr when the stream is valid
};

Bytes storedBadLength() {
  return {0x01, 0x05, 0x00, 0xFB, 0xFF, 'a', 'b', 'c', 'd', 'e'};  // NLEN one off
}
Bytes blockType3() { return {0x07, 0x00}; }
Bytes fixedWith(std::initializer_list<unsigned> litlen, unsigned dist = 0, bool withDist = false) {
  BitWriter w;
  w.bits(1, 1);
  w.bits(1, 2);
  for (unsigned s : litlen) {
    w.fixedLitlen(s);
    if (s > 256 && withDist) w.fixedDist(dist);
  }
  w.fixedLitlen(256);
  return w.finish();
}
Bytes fixedSymbol286() { return fixedWith({'a', 286}); }
Bytes fixedSymbol287() { return fixedWith({'a', 287}); }
Bytes fixedDistance30() { return fixedWith({'a', 'b', 257}, 30, true); }
Bytes fixedDistance31() { return fixedWith({'a', 'b', 257}, 31, true); }
Bytes distanceBeforeStart() { return fixedWith({'a', 257}, 1, true); }  // distance 2 after one byte
Bytes distanceAtStart() { return fixedWith({'a', 257}, 0, true); }      // distance 1: valid

// A dynamic block header with the given code-length code lengths (in storage order).
BitWriter dynamicHeader(unsigned hlit, unsigned hdist, std::initializer_list<unsigned> precode) {
  BitWriter w;
  w.bits(1, 1);
  w.bits(2, 2);
  w.bits(hlit - 257, 5);
  w.bits(hdist - 1, 5);
  w.bits(static_cast<uint32_t>(precode.size() - 4), 4);
  for (unsigned l : precode) w.bits(l, 3);
  return w;
}
Bytes tooManyLitlen() { return dynamicHeader(287, 1, {0, 0, 0, 0}).finish(); }
Bytes tooManyDistances() { return dynamicHeader(257, 31, {0, 0, 0, 0}).finish(); }
// Code-length code: symbols 16, 17, 18 and 0 with length 1 each: over-subscribed.
Bytes overSubscribedPrecode() { return dynamicHeader(257, 1, {1, 1, 1, 1}).finish(); }
// Code-length code with only symbol 18 (length 1): incomplete.
Bytes incompletePrecode() { return dynamicHeader(257, 1, {0, 0, 1, 0}).finish(); }
// Precode with symbols 1 and 18 at one bit each: canonical order gives 1 the code 0 and 18 the
// code 1. Storage order is 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1: symbol 1 is the 18th.
BitWriter precode18and1(unsigned hlit, unsigned hdist) {
  return dynamicHeader(hlit, hdist, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
}
void lengthOne(BitWriter& w) { w.code(0, 1); }
void zeros(BitWriter& w, unsigned n) {  // symbol 18: 11..138 zeros
  w.code(1, 1);
  w.bits(n - 11, 7);
}
// 257 literal/length lengths of 1: over-subscribed.
Bytes overSubscribedLitlen() {
  BitWriter w = precode18and1(257, 1);
  for (int i = 0; i < 258; ++i) lengthOne(w);
  return w.finish();
}
// Every literal/length length zero: no end-of-block code.
Bytes missingEndOfBlock() {
  BitWriter w = precode18and1(257, 1);
  zeros(w, 138);
  zeros(w, 119);
  lengthOne(w);  // the distance code
  return w.finish();
}
// Only the end-of-block symbol has a code, one bit long: the single code RFC 1951 allows.
BitWriter onlyEndOfBlockHeader() {
  BitWriter w = precode18and1(257, 1);
  zeros(w, 138);
  zeros(w, 118);
  lengthOne(w);  // 256
  lengthOne(w);  // distance 0
  return w;
}
Bytes onlyEndOfBlock() {
  BitWriter w = onlyEndOfBlockHeader();
  w.code(0, 1);  // end of block
  return w.finish();
}
Bytes onlyEndOfBlockThenUnusedCode() {
  BitWriter w = onlyEndOfBlockHeader();
  w.code(1, 1);  // the unused half of the one-bit code
  return w.finish();
}

const FaultCase kFaults[] = {
    {"stored length check", storedBadLength, "invalid stored block lengths"},
    {"block type 3", blockType3, "invalid block type"},
    {"fixed symbol 286", fixedSymbol286, "invalid literal/length code"},
    {"fixed symbol 287", fixedSymbol287, "invalid literal/length code"},
    {"fixed distance 30", fixedDistance30, "invalid distance code"},
    {"fixed distance 31", fixedDistance31, "invalid distance code"},
    {"distance before start", distanceBeforeStart, "invalid distance too far back"},
    {"distance 1 after one byte", distanceAtStart, nullptr},
    {"288 literal/length codes", tooManyLitlen, "too many length or distance symbols"},
    {"31 distance codes", tooManyDistances, "too many length or distance symbols"},
    {"over-subscribed code-length code", overSubscribedPrecode, "invalid code lengths set"},
    {"incomplete code-length code", incompletePrecode, "invalid code lengths set"},
    {"over-subscribed literal code", overSubscribedLitlen, "invalid literal/lengths set"},
    {"missing end of block", missingEndOfBlock, "invalid code -- missing end-of-block"},
    {"single one-bit code", onlyEndOfBlock, nullptr},
    {"unused half of a one-bit code", onlyEndOfBlockThenUnusedCode, "invalid literal/length code"},
};

TEST(InflateFaults, EachFaultFailsLikeZlib) {
  for (const FaultCase& c : kFaults) {
    SCOPED_TRACE(c.name);
    const Bytes stream = c.build();
    const InflateOutcome ours = ourInflate(stream);
    const InflateOutcome reference = zlibInflate(stream);
    EXPECT_EQ(ours.complete, c.message == nullptr) << ours.message;
    if (c.message) {
      EXPECT_EQ(ours.message, c.message);
    }
    EXPECT_EQ(reference.complete, ours.complete) << reference.message;
    if (reference.complete) {
      EXPECT_EQ(reference.output, ours.output);
    }
  }
}

}  // namespace
}  // namespace riviza::test
