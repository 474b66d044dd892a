// AES encryption: key expansion, the portable rounds and the AES-instruction rounds (zip layer).
// See kvoAesBlock.h.
#include "zip/kvoAesBlock.h"

#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define RIVIZA_AES_X86 1
#endif

namespace riviza::zip {
namespace {

constexpr uint8_t gfMul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (b & 1) r ^= a;
    a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    b >>= 1;
  }
  return r;
}

constexpr uint8_t rotl8(uint8_t v, int n) { return static_cast<uint8_t>((v << n) | (v >> (8 - n))); }

// The S-box from its definition: multiplicative inverse in GF(2^8) (a^254), then the affine map.
constexpr std::array<uint8_t, 256> makeSbox() {
  std::array<uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) {
    uint8_t inv = 1, base = static_cast<uint8_t>(i);
    for (int e = 254; e > 0; e >>= 1) {
      if (e & 1) inv = gfMul(inv, base);
      base = gfMul(base, base);
    }
    if (i == 0) inv = 0;
    s[i] = inv ^ rotl8(inv, 1) ^ rotl8(inv, 2) ^ rotl8(inv, 3) ^ rotl8(inv, 4) ^ 0x63;
  }
  return s;
}

alignas(64) constexpr std::array<uint8_t, 256> kSbox = makeSbox();
static_assert(kSbox[0x00] == 0x63 && kSbox[0x01] == 0x7C && kSbox[0x53] == 0xED, "FIPS-197 S-box");

// Touches every cache line of the S-box so that later lookups hit lines already loaded.
void preloadSbox() {
  uint32_t sink = 0;
  for (size_t i = 0; i < kSbox.size(); i += 32) sink ^= kSbox[i];
  asm volatile("" : : "r"(sink));
}

inline uint8_t xtime(uint8_t a) {
  // Conditional reduction by a mask, not a branch.
  return static_cast<uint8_t>((a << 1) ^ (0x1B & (0u - (a >> 7))));
}

inline uint32_t rotr(uint32_t w, int n) { return (w >> n) | (w << (32 - n)); }

// xtime on the four bytes of a word at once.
inline uint32_t xtime4(uint32_t w) { return ((w & 0x7F7F7F7Fu) << 1) ^ (((w >> 7) & 0x01010101u) * 0x1B); }

inline uint32_t load32le(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The state as four column words, byte r of column c in bits 8r..8r+7. SubBytes and ShiftRows
// read row r of column c from column c + r; MixColumns works on whole words:
// out = xtime(w ^ rotr8(w)) ^ rotr8(w) ^ rotr16(w) ^ rotr24(w), which gives 2a0 ^ 3a1 ^ a2 ^ a3
// in byte 0 and its rotations in the others.
void portableEncrypt(const uint8_t* roundKeys, int rounds, const uint8_t in[16], uint8_t out[16]) {
  uint32_t s[4];
  for (int c = 0; c < 4; ++c) s[c] = load32le(in + ptrdiff_t{4} * c) ^ load32le(roundKeys + ptrdiff_t{4} * c);
  for (int r = 1; r <= rounds; ++r) {
    uint32_t t[4];
    for (int c = 0; c < 4; ++c) {
      t[c] = uint32_t{kSbox[s[c] & 0xFF]} | (uint32_t{kSbox[(s[(c + 1) & 3] >> 8) & 0xFF]} << 8) |
             (uint32_t{kSbox[(s[(c + 2) & 3] >> 16) & 0xFF]} << 16) |
             (uint32_t{kSbox[s[(c + 3) & 3] >> 24]} << 24);
    }
    const uint8_t* k = roundKeys + ptrdiff_t{16} * r;
    for (int c = 0; c < 4; ++c) {
      uint32_t w = t[c];
      if (r < rounds) w = xtime4(w ^ rotr(w, 8)) ^ rotr(w, 8) ^ rotr(w, 16) ^ rotr(w, 24);
      s[c] = w ^ load32le(k + ptrdiff_t{4} * c);
    }
  }
  for (int c = 0; c < 4; ++c)
    for (int b = 0; b < 4; ++b) out[4 * c + b] = static_cast<uint8_t>(s[c] >> (8 * b));
}

inline void counterBlock(uint64_t counter, uint8_t block[16]) {
  for (int i = 0; i < 8; ++i) block[i] = static_cast<uint8_t>(counter >> (8 * i));
  std::memset(block + 8, 0, 8);
}

#if RIVIZA_AES_X86
__attribute__((target("aes,sse4.1"))) void niEncrypt(const uint8_t* roundKeys, int rounds,
                                                     const uint8_t in[16], uint8_t out[16]) {
  const auto* k = reinterpret_cast<const __m128i*>(roundKeys);
  __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), _mm_load_si128(k));
  for (int r = 1; r < rounds; ++r) x = _mm_aesenc_si128(x, _mm_load_si128(k + r));
  x = _mm_aesenclast_si128(x, _mm_load_si128(k + rounds));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x);
}

// Eight counter blocks in flight hide the instruction's latency.
__attribute__((target("aes,sse4.1"))) void niCtr(const uint8_t* roundKeys, int rounds, uint8_t* data,
                                                 size_t blocks, uint64_t& counter) {
  const auto* k = reinterpret_cast<const __m128i*>(roundKeys);
  __m128i keys[15];
  for (int r = 0; r <= rounds; ++r) keys[r] = _mm_load_si128(k + r);
  constexpr size_t kLanes = 8;
  for (; blocks >= kLanes; blocks -= kLanes, data += kLanes * 16) {
    __m128i x[kLanes];
    for (size_t i = 0; i < kLanes; ++i)
      x[i] = _mm_xor_si128(_mm_set_epi64x(0, static_cast<int64_t>(counter + 1 + i)), keys[0]);
    counter += kLanes;
    for (int r = 1; r < rounds; ++r)
      for (size_t i = 0; i < kLanes; ++i) x[i] = _mm_aesenc_si128(x[i], keys[r]);
    for (size_t i = 0; i < kLanes; ++i) {
      auto* p = reinterpret_cast<__m128i*>(data + 16 * i);
      _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), _mm_aesenclast_si128(x[i], keys[rounds])));
    }
  }
  for (; blocks > 0; --blocks, data += 16) {
    __m128i x = _mm_xor_si128(_mm_set_epi64x(0, static_cast<int64_t>(++counter)), keys[0]);
    for (int r = 1; r < rounds; ++r) x = _mm_aesenc_si128(x, keys[r]);
    auto* p = reinterpret_cast<__m128i*>(data);
    _mm_storeu_si128(p, _mm_xor_si128(_mm_loadu_si128(p), _mm_aesenclast_si128(x, keys[rounds])));
  }
}

// Four blocks per 512-bit register and four registers in flight: sixteen counter blocks a step.
__attribute__((target("vaes,avx512f"))) void vaesCtr(const uint8_t* roundKeys, int rounds, uint8_t*& data,
                                                     size_t& blocks, uint64_t& counter) {
  __m512i keys[15];
  for (int r = 0; r <= rounds; ++r) {
    // Each round key four times over, loaded whole: GCC 12's broadcast and shuffle intrinsics
    // raise a false "may be used uninitialised" warning.
    alignas(64) uint8_t wide[64];
    for (size_t lane = 0; lane < 4; ++lane) std::memcpy(wide + 16 * lane, roundKeys + size_t{16} * r, 16);
    keys[r] = _mm512_load_si512(wide);
  }
  const __m512i four = _mm512_set_epi64(0, 4, 0, 4, 0, 4, 0, 4);
  for (; blocks >= 16; blocks -= 16, data += 256) {
    const auto c = static_cast<int64_t>(counter);
    __m512i x[4];
    x[0] = _mm512_set_epi64(0, c + 4, 0, c + 3, 0, c + 2, 0, c + 1);
    for (int i = 1; i < 4; ++i) x[i] = _mm512_add_epi64(x[i - 1], four);
    counter += 16;
    for (auto& v : x) v = _mm512_xor_si512(v, keys[0]);
    for (int r = 1; r < rounds; ++r)
      for (auto& v : x) v = _mm512_aesenc_epi128(v, keys[r]);
    for (int i = 0; i < 4; ++i) {
      uint8_t* p = data + size_t{64} * i;
      __m512i stream = _mm512_aesenclast_epi128(x[i], keys[rounds]);
      _mm512_storeu_si512(p, _mm512_xor_si512(_mm512_loadu_si512(p), stream));
    }
  }
}

bool vaesAvailable() {
  // VAES is read from CPUID directly: not every compiler knows it as a feature name.
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  __builtin_cpu_init();
  return (ecx & (1u << 9)) != 0 && __builtin_cpu_supports("avx512f");
}
#endif

bool useNi(bool forcePortable) {
  static const bool hasNi = TAesBlock::AesNiAvailable();
  return hasNi && !forcePortable;
}

}  // namespace

TAesBlock::~TAesBlock() {
  // Round keys are key material; do not leave them in freed memory.
  volatile uint8_t* p = roundKeys_.data();
  for (size_t i = 0; i < roundKeys_.size(); ++i) p[i] = 0;
}

bool TAesBlock::AesNiAvailable() {
#if RIVIZA_AES_X86
  __builtin_cpu_init();
  return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
#else
  return false;
#endif
}

bool TAesBlock::SetKey(const uint8_t* key, size_t keyBytes) {
  if (keyBytes != 16 && keyBytes != 24 && keyBytes != 32) return false;
  preloadSbox();
  const int nk = static_cast<int>(keyBytes / 4);
  rounds_ = nk + 6;
  const int words = 4 * (rounds_ + 1);
  uint8_t* w = roundKeys_.data();
  std::memcpy(w, key, keyBytes);
  uint8_t rcon = 1;
  for (int i = nk; i < words; ++i) {
    uint8_t t[4];
    std::memcpy(t, w + size_t{4} * (i - 1), 4);
    if (i % nk == 0) {
      uint8_t first = t[0];
      t[0] = kSbox[t[1]] ^ rcon;
      t[1] = kSbox[t[2]];
      t[2] = kSbox[t[3]];
      t[3] = kSbox[first];
      rcon = xtime(rcon);
    } else if (nk > 6 && i % nk == 4) {
      for (auto& b : t) b = kSbox[b];
    }
    for (int j = 0; j < 4; ++j) w[4 * i + j] = w[4 * (i - nk) + j] ^ t[j];
  }
  return true;
}

void TAesBlock::EncryptBlock(const uint8_t in[kAesBlockSize], uint8_t out[kAesBlockSize]) const {
#if RIVIZA_AES_X86
  if (useNi(forcePortable_)) return niEncrypt(roundKeys_.data(), rounds_, in, out);
#endif
  preloadSbox();
  portableEncrypt(roundKeys_.data(), rounds_, in, out);
}

void TAesBlock::CtrXor(uint8_t* data, size_t blocks, uint64_t& counter) const {
#if RIVIZA_AES_X86
  if (useNi(forcePortable_)) {
    static const bool wide = vaesAvailable();
    if (wide) vaesCtr(roundKeys_.data(), rounds_, data, blocks, counter);
    return niCtr(roundKeys_.data(), rounds_, data, blocks, counter);
  }
#endif
  preloadSbox();
  for (; blocks > 0; --blocks, data += kAesBlockSize) {
    uint8_t block[kAesBlockSize], stream[kAesBlockSize];
    counterBlock(++counter, block);
    portableEncrypt(roundKeys_.data(), rounds_, block, stream);
    for (size_t i = 0; i < kAesBlockSize; ++i) data[i] ^= stream[i];
  }
}

}  // namespace riviza::zip
