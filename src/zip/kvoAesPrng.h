// The random pool of AES salts and the system random source (zip layer).
//
// SystemRandom reads the kernel's random source (getrandom), the one place the engine takes
// unpredictable bytes from. TPrng keeps the pool of the AES units: 260 bytes (13 blocks of 20)
// mixed with the SHA-1 compression function, refilled from an entropy source. The entropy source
// is the system random source; a clock or tick counter is never used, because two salts drawn in
// the same tick would repeat and a repeated salt reuses the key stream. A test may pass its own
// source to make the pool deterministic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/result.h"

namespace riviza::zip {

// Fills count bytes from getrandom; fails only when the kernel refuses.
Status SystemRandom(uint8_t* out, size_t count);

class TPrng {
 public:
  static constexpr size_t kPoolSize = 260;
  // Writes up to `count` bytes at `out`, returns how many it wrote (0 is a failure).
  using EntropySource = std::function<size_t(uint8_t* out, size_t count)>;

  // PrngInit: clear the pool, refill, mix the pool 20 times, refill. Without a source the
  // system random source is used.
  Status PrngInit(EntropySource source = {});
  // PrngRandom: bytes in order from the output buffer, refilling whenever it is used up.
  Status PrngRandom(uint8_t* out, size_t count);

  ~TPrng();

 private:
  Status refill();
  static void mix(std::array<uint8_t, kPoolSize>& buffer);

  std::array<uint8_t, kPoolSize> pool_{}, output_{};
  size_t position_ = kPoolSize;
  EntropySource source_;
};

}  // namespace riviza::zip
