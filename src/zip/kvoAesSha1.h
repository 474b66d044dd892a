// SHA-1 of FIPS 180 (zip layer): the hash under HMAC, the key derivation and the random pool.
//
// Begin, Add, Finish over any number of pieces; Sha1Compress is the bare compression function
// over whole 64-byte blocks (the random pool mixes with it). The compression uses the processor's
// SHA instructions when present, chosen once at run time, and a portable routine otherwise; both
// give the same state. Objects are independent; nothing is shared between threads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace riviza::zip {

inline constexpr size_t kSha1DigestSize = 20;
inline constexpr size_t kSha1BlockSize = 64;
using TSha1Digest = std::array<uint8_t, kSha1DigestSize>;
using TSha1State = std::array<uint32_t, 5>;

inline constexpr TSha1State kSha1Initial = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

// A chaining state as its 20 bytes (big-endian words) and back: the digest's form, and the form
// in which the random pool chains blocks.
TSha1State Sha1StateFromBytes(const uint8_t* bytes);
TSha1Digest Sha1StateToBytes(const TSha1State& state);

// Runs the compression function over `blocks` consecutive 64-byte blocks.
void Sha1Compress(TSha1State& state, const uint8_t* data, size_t blocks);
// The single routines, for tests; Sha1CompressShaNi only when Sha1ShaNiAvailable().
void Sha1CompressPortable(TSha1State& state, const uint8_t* data, size_t blocks);
void Sha1CompressShaNi(TSha1State& state, const uint8_t* data, size_t blocks);
bool Sha1ShaNiAvailable();

class TSha1 {
 public:
  TSha1() { Begin(); }
  void Begin();
  void Add(const void* data, size_t count);
  TSha1Digest Finish();

  // The chaining state after whole blocks only (HMAC keeps its padded-key states this way).
  const TSha1State& state() const { return state_; }
  // Resumes from a state that has absorbed `bytesSoFar` bytes, a multiple of the block size.
  void Resume(const TSha1State& state, uint64_t bytesSoFar);

 private:
  TSha1State state_;
  uint64_t length_ = 0;
  std::array<uint8_t, kSha1BlockSize> block_{};
  size_t used_ = 0;
};

TSha1Digest Sha1Of(const void* data, size_t count);

}  // namespace riviza::zip
