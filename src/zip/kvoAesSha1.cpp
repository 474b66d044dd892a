// SHA-1 compression (portable and SHA instructions) and the incremental hash (zip layer).
//
// The SHA-instruction path keeps A..D in one register (A in the top lane) and E beside it; each
// group of four rounds takes E + W from sha1nexte of the state at the start of the previous group
// (after four rounds E is that group's A rotated by 30), and the message schedule for group g is
// msg2(msg1(W[g-4], W[g-3]) ^ W[g-2], W[g-1]). The groups are unrolled through a template so the
// round function number stays a compile-time constant, as the instruction requires.
#include "zip/kvoAesSha1.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define RIVIZA_SHA_X86 1
#endif

namespace riviza::zip {
namespace {

inline uint32_t rol(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

inline uint32_t loadBig32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

#if RIVIZA_SHA_X86
struct NiState {
  __m128i abcd, e, prev, w[4];
};

template <int G>
__attribute__((target("sha,sse4.1"), always_inline)) inline void niGroup(NiState& s, const uint8_t* data,
                                                                         __m128i byteSwap) {
  constexpr int k = G % 4;
  if constexpr (G < 4) {
    s.w[k] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + size_t{16} * G)), byteSwap);
  } else {
    __m128i t = _mm_xor_si128(_mm_sha1msg1_epu32(s.w[k], s.w[(k + 1) % 4]), s.w[(k + 2) % 4]);
    s.w[k] = _mm_sha1msg2_epu32(t, s.w[(k + 3) % 4]);
  }
  __m128i ew;
  if constexpr (G == 0)
    ew = _mm_add_epi32(s.e, s.w[0]);
  else
    ew = _mm_sha1nexte_epu32(s.prev, s.w[k]);
  s.prev = s.abcd;
  s.abcd = _mm_sha1rnds4_epu32(s.abcd, ew, G / 5);
}

template <int... G>
__attribute__((target("sha,sse4.1"), always_inline)) inline void niRounds(NiState& s, const uint8_t* data,
                                                                          __m128i byteSwap,
                                                                          std::integer_sequence<int, G...>) {
  (niGroup<G>(s, data, byteSwap), ...);
}
#endif

}  // namespace

TSha1State Sha1StateFromBytes(const uint8_t* bytes) {
  TSha1State state;
  for (size_t i = 0; i < state.size(); ++i) state[i] = loadBig32(bytes + 4 * i);
  return state;
}

TSha1Digest Sha1StateToBytes(const TSha1State& state) {
  TSha1Digest out;
  for (size_t i = 0; i < state.size(); ++i)
    for (size_t j = 0; j < 4; ++j) out[4 * i + j] = static_cast<uint8_t>(state[i] >> (24 - 8 * j));
  return out;
}

void Sha1CompressPortable(TSha1State& st, const uint8_t* data, size_t blocks) {
  for (; blocks > 0; --blocks, data += kSha1BlockSize) {
    uint32_t w[80];
    for (size_t i = 0; i < 16; ++i) w[i] = loadBig32(data + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = st[0], b = st[1], c = st[2], d = st[3], e = st[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d);
        k = 0x5A827999u;
      } else if (i < 40) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1u;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8F1BBCDCu;
      } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6u;
      }
      uint32_t t = rol(a, 5) + f + e + k + w[i];
      e = d;
      d = c;
      c = rol(b, 30);
      b = a;
      a = t;
    }
    st[0] += a;
    st[1] += b;
    st[2] += c;
    st[3] += d;
    st[4] += e;
  }
}

bool Sha1ShaNiAvailable() {
#if RIVIZA_SHA_X86
  // The SHA extensions are read from CPUID directly: not every compiler knows them by name.
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  __builtin_cpu_init();
  return (ebx & (1u << 29)) != 0 && __builtin_cpu_supports("sse4.1");
#else
  return false;
#endif
}

#if RIVIZA_SHA_X86
__attribute__((target("sha,sse4.1"))) void Sha1CompressShaNi(TSha1State& st, const uint8_t* data,
                                                             size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  NiState s;
  s.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(st.data())), 0x1B);
  s.e = _mm_set_epi32(static_cast<int>(st[4]), 0, 0, 0);
  for (; blocks > 0; --blocks, data += kSha1BlockSize) {
    const __m128i abcdSaved = s.abcd, eSaved = s.e;
    niRounds(s, data, byteSwap, std::make_integer_sequence<int, 20>{});
    s.e = _mm_sha1nexte_epu32(s.prev, eSaved);
    s.abcd = _mm_add_epi32(s.abcd, abcdSaved);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(st.data()), _mm_shuffle_epi32(s.abcd, 0x1B));
  st[4] = static_cast<uint32_t>(_mm_extract_epi32(s.e, 3));
}
#else
void Sha1CompressShaNi(TSha1State& st, const uint8_t* data, size_t blocks) {
  Sha1CompressPortable(st, data, blocks);
}
#endif

void Sha1Compress(TSha1State& state, const uint8_t* data, size_t blocks) {
  static const auto routine = Sha1ShaNiAvailable() ? &Sha1CompressShaNi : &Sha1CompressPortable;
  routine(state, data, blocks);
}

void TSha1::Begin() {
  state_ = kSha1Initial;
  length_ = 0;
  used_ = 0;
}

void TSha1::Resume(const TSha1State& state, uint64_t bytesSoFar) {
  state_ = state;
  length_ = bytesSoFar;
  used_ = 0;
}

void TSha1::Add(const void* data, size_t count) {
  const auto* p = static_cast<const uint8_t*>(data);
  length_ += count;
  if (used_ > 0) {
    size_t n = std::min(count, kSha1BlockSize - used_);
    std::memcpy(block_.data() + used_, p, n);
    used_ += n;
    p += n;
    count -= n;
    if (used_ < kSha1BlockSize) return;
    Sha1Compress(state_, block_.data(), 1);
    used_ = 0;
  }
  size_t whole = count / kSha1BlockSize;
  if (whole > 0) Sha1Compress(state_, p, whole);
  p += whole * kSha1BlockSize;
  count -= whole * kSha1BlockSize;
  std::memcpy(block_.data(), p, count);
  used_ = count;
}

TSha1Digest TSha1::Finish() {
  const uint64_t bits = length_ * 8;
  uint8_t pad[kSha1BlockSize * 2] = {0x80};
  size_t padLength = (used_ < 56 ? 56 : 120) - used_;
  for (int i = 0; i < 8; ++i) pad[padLength + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  Add(pad, padLength + 8);
  return Sha1StateToBytes(state_);
}

TSha1Digest Sha1Of(const void* data, size_t count) {
  TSha1 h;
  h.Add(data, count);
  return h.Finish();
}

}  // namespace riviza::zip
