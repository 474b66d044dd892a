// CRC-32 and CRC-16: published check values, and every CRC-32 routine against the bytewise
// reference over random lengths, offsets and split points.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "zip/kvoCrc.h"

namespace riviza::zip {
namespace {

TEST(Crc32, CheckValues) {
  struct Case {
    std::string input;
    uint32_t crc;
  };
  const Case cases[] = {
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"123456789", 0xCBF43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
      {std::string(1000, 'a'),
       static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(std::string(1000, 'a').data()), 1000))},
  };
  for (const auto& c : cases) EXPECT_EQ(Crc32Of(c.input), c.crc) << c.input.substr(0, 20);
}

TEST(Crc32, RoutinesAgreeOnRandomBuffersAndSplits) {
  std::mt19937_64 rng(42);
  std::vector<uint8_t> data(70000);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  std::uniform_int_distribution<size_t> offsetOf(0, 63), lengthOf(0, 5000);
  for (int round = 0; round < 400; ++round) {
    size_t off = offsetOf(rng), len = round < 300 ? round : lengthOf(rng) + (round % 7) * 9000;
    const uint8_t* p = data.data() + off;
    uint32_t want = Crc32Bytewise(p, len, kCrcSeed);
    EXPECT_EQ(Crc32Slicing8(p, len, kCrcSeed), want) << len;
    if (Crc32ClmulAvailable()) {
      EXPECT_EQ(Crc32Clmul(p, len, kCrcSeed), want) << len;
    }
    uint32_t reg = kCrcSeed;
    size_t cut = len / 3;
    Crc32Update(p, cut, reg);
    Crc32Update(p + cut, len - cut, reg);
    EXPECT_EQ(reg, want) << len;
    EXPECT_EQ(reg ^ kCrcSeed, crc32(0, p, static_cast<uInt>(len)));
  }
}

TEST(Crc32, ByteStepMatchesTheTableRule) {
  uint32_t reg = kCrcSeed;
  for (char c : std::string("123456789")) reg = Crc32Byte(static_cast<uint8_t>(c), reg);
  EXPECT_EQ(reg ^ kCrcSeed, 0xCBF43926u);
}

TEST(Crc16, ArcCheckValueAndContinuation) {
  uint32_t reg = 0;
  Crc16Update("123456789", 9, reg);
  EXPECT_EQ(reg, 0xBB3Du);
  uint32_t split = 0;
  Crc16Update("1234", 4, split);
  Crc16Update("56789", 5, split);
  EXPECT_EQ(split, 0xBB3Du);
  uint32_t none = 0x1234;
  Crc16Update("", 0, none);
  EXPECT_EQ(none, 0x1234u);
}

}  // namespace
}  // namespace riviza::zip
