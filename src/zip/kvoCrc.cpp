// CRC-32 and CRC-16 routines (zip layer).
//
// Three CRC-32 routines share one reflected table family built at compile time:
//  - bytewise: the table rule of the format, for tails and as the reference;
//  - slicing-by-8: eight tables, eight bytes per step, the portable fast path;
//  - carry-less multiply folding: four 128-bit lanes folded 64 bytes at a time, then reduced to
//    32 bits with a Barrett step (the method of Intel's paper on CRC with PCLMULQDQ). The fold
//    constants are powers of x modulo the polynomial, computed below at compile time rather than
//    pasted as magic numbers, so their derivation stays checkable.
// The choice is made once by CPU feature test; there is no per-call dispatch cost beyond one
// indirect call.
#include "zip/kvoCrc.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define RIVIZA_CRC_X86 1
#endif

namespace riviza::zip {
namespace {

constexpr uint32_t kPoly16 = 0xA001u;

using Table = std::array<uint32_t, 256>;

constexpr std::array<Table, 8> makeSlicingTables() {
  std::array<Table, 8> t{};
  t[0] = kCrc32Table;
  for (int s = 1; s < 8; ++s)
    for (int i = 0; i < 256; ++i) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  return t;
}

constexpr std::array<Table, 8> kSlice = makeSlicingTables();
constexpr Table kTable16 = MakeCrcTable(kPoly16);
static_assert(kSlice[0][1] == 0x77073096u, "CRC-32 table of the reflected polynomial");
static_assert(kTable16[1] == 0xC0C1u, "CRC-16/ARC table of the reflected polynomial");

inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;  // little-endian host (x86-64, aarch64 Linux)
}

#if RIVIZA_CRC_X86
// x^n mod P(x) for the normal (unreflected) CRC-32 polynomial, then bit-reflected and shifted
// left by one: the form the reflected-domain fold multiplies with.
constexpr uint64_t foldConstant(int n) {
  constexpr uint64_t kP = 0x104C11DB7ull;
  uint64_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (1ull << 32)) r ^= kP;
  }
  uint64_t reflected = 0;
  for (int i = 0; i < 32; ++i)
    if (r & (1ull << i)) reflected |= 1ull << (31 - i);
  return reflected << 1;
}

// floor(x^64 / P(x)), reflected over 33 bits: the Barrett constant.
constexpr uint64_t barrettMu() {
  constexpr uint64_t kP = 0x104C11DB7ull;
  // Long division of x^64 by P, keeping the quotient (degree 32).
  unsigned __int128 a = static_cast<unsigned __int128>(1) << 64;
  uint64_t q = 0;
  for (int shift = 32; shift >= 0; --shift) {
    if ((a >> (shift + 32)) & 1) {
      q |= 1ull << shift;
      a ^= static_cast<unsigned __int128>(kP) << shift;
    }
  }
  uint64_t reflected = 0;
  for (int i = 0; i < 33; ++i)
    if (q & (1ull << i)) reflected |= 1ull << (32 - i);
  return reflected;
}

constexpr uint64_t kFold4Lo = foldConstant(4 * 128 + 32);  // x^544: four lanes ahead
constexpr uint64_t kFold4Hi = foldConstant(4 * 128 - 32);  // x^480
constexpr uint64_t kFold1Lo = foldConstant(128 + 32);      // x^160: one lane ahead
constexpr uint64_t kFold1Hi = foldConstant(128 - 32);      // x^96
constexpr uint64_t kFold64 = foldConstant(64);             // 128 -> 64 bits
constexpr uint64_t kPolyReflected = 0x1DB710641ull;        // P(x) bit-reflected over 33 bits
constexpr uint64_t kMu = barrettMu();
static_assert(kFold4Lo == 0x154442BD4ull && kFold4Hi == 0x1C6E41596ull, "fold-by-4 constants");
static_assert(kFold1Lo == 0x1751997D0ull && kFold1Hi == 0x0CCAA009Eull, "fold-by-1 constants");
static_assert(kMu == 0x1F7011641ull, "Barrett constant");

__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i acc, __m128i k, __m128i next) {
  __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
  __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

// Needs count >= 64; returns the register after floor(count / 16) * 16 bytes and sets `used`.
__attribute__((target("pclmul,sse4.1"))) uint32_t clmulBody(const uint8_t* p, size_t count, uint32_t reg,
                                                            size_t& used) {
  const uint8_t* start = p;
  __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
  x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(reg)));
  p += 64;
  count -= 64;

  // ---- four lanes, 64 bytes per step ----
  __m128i k = _mm_set_epi64x(static_cast<int64_t>(kFold4Hi), static_cast<int64_t>(kFold4Lo));
  while (count >= 64) {
    x1 = fold(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    x2 = fold(x2, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    x3 = fold(x3, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
    x4 = fold(x4, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
    p += 64;
    count -= 64;
  }

  // ---- lanes into one, then 16 bytes per step ----
  k = _mm_set_epi64x(static_cast<int64_t>(kFold1Hi), static_cast<int64_t>(kFold1Lo));
  x1 = fold(x1, k, x2);
  x1 = fold(x1, k, x3);
  x1 = fold(x1, k, x4);
  while (count >= 16) {
    x1 = fold(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    p += 16;
    count -= 16;
  }

  // ---- 128 -> 64 bits ----
  const __m128i mask32 = _mm_setr_epi32(-1, 0, -1, 0);
  __m128i t = _mm_clmulepi64_si128(x1, k, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), t);
  __m128i k64 = _mm_set_epi64x(0, static_cast<int64_t>(kFold64));
  t = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k64, 0x00), t);

  // ---- Barrett reduction to 32 bits ----
  __m128i pm = _mm_set_epi64x(static_cast<int64_t>(kMu), static_cast<int64_t>(kPolyReflected));
  t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), pm, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), pm, 0x00);
  x1 = _mm_xor_si128(x1, t);
  used = static_cast<size_t>(p - start);
  return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}
#endif

using CrcRoutine = uint32_t (*)(const void*, size_t, uint32_t);

CrcRoutine chooseRoutine() {
#if RIVIZA_CRC_X86
  if (Crc32ClmulAvailable()) return &Crc32Clmul;
#endif
  return &Crc32Slicing8;
}

// Chosen on first use, not during static initialisation, so that callers in other translation
// units' initialisers get the right routine too.
CrcRoutine chosenRoutine() {
  static const CrcRoutine chosen = chooseRoutine();
  return chosen;
}

}  // namespace

uint32_t Crc32Bytewise(const void* buffer, size_t count, uint32_t reg) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  for (size_t i = 0; i < count; ++i) reg = kSlice[0][(reg ^ p[i]) & 0xFF] ^ (reg >> 8);
  return reg;
}

uint32_t Crc32Slicing8(const void* buffer, size_t count, uint32_t reg) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (count >= 8) {
    uint32_t a = load32(p) ^ reg;
    uint32_t b = load32(p + 4);
    reg = kSlice[7][a & 0xFF] ^ kSlice[6][(a >> 8) & 0xFF] ^ kSlice[5][(a >> 16) & 0xFF] ^
          kSlice[4][a >> 24] ^ kSlice[3][b & 0xFF] ^ kSlice[2][(b >> 8) & 0xFF] ^
          kSlice[1][(b >> 16) & 0xFF] ^ kSlice[0][b >> 24];
    p += 8;
    count -= 8;
  }
  return Crc32Bytewise(p, count, reg);
}

bool Crc32ClmulAvailable() {
#if RIVIZA_CRC_X86
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
#else
  return false;
#endif
}

uint32_t Crc32Clmul(const void* buffer, size_t count, uint32_t reg) {
#if RIVIZA_CRC_X86
  // Below 64 bytes the fold set-up costs more than slicing saves.
  if (count < 64) return Crc32Slicing8(buffer, count, reg);
  size_t used = 0;
  reg = clmulBody(static_cast<const uint8_t*>(buffer), count, reg, used);
  return Crc32Slicing8(static_cast<const uint8_t*>(buffer) + used, count - used, reg);
#else
  return Crc32Slicing8(buffer, count, reg);
#endif
}

std::string_view Crc32Implementation() {
  return chosenRoutine() == &Crc32Slicing8 ? "slicing-by-8" : "clmul";
}

void Crc32Update(const void* buffer, size_t count, uint32_t& reg) {
  if (count == 0) return;
  reg = chosenRoutine()(buffer, count, reg);
}

uint32_t Crc32Of(const void* buffer, size_t count) {
  uint32_t reg = kCrcSeed;
  Crc32Update(buffer, count, reg);
  return reg ^ kCrcSeed;
}

void Crc16Update(const void* buffer, size_t count, uint32_t& reg) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  uint32_t r = reg & 0xFFFF;
  for (size_t i = 0; i < count; ++i) r = kTable16[(r ^ p[i]) & 0xFF] ^ (r >> 8);
  reg = r;
}

}  // namespace riviza::zip
