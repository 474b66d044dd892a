// System random bytes and the SHA-1 mixed pool (zip layer). See kvoAesPrng.h.
#include "zip/kvoAesPrng.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "zip/kvoAesSha1.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {

Status SystemRandom(uint8_t* out, size_t count) {
  while (count > 0) {
    ssize_t n = ::getrandom(out, count, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Error::make(errno, std::string("getrandom: ") + std::strerror(errno));
    }
    out += n;
    count -= static_cast<size_t>(n);
  }
  return okStatus();
}

TPrng::~TPrng() {
  volatile uint8_t* p = pool_.data();
  for (size_t i = 0; i < pool_.size(); ++i) p[i] = 0;
  p = output_.data();
  for (size_t i = 0; i < output_.size(); ++i) p[i] = 0;
}

// One pass: each 20-byte block i is replaced by the SHA-1 compression of the 64 bytes starting at
// it (wrapping round), chained from the 20 bytes before it (for block 0, the last block).
void TPrng::mix(std::array<uint8_t, kPoolSize>& buffer) {
  constexpr size_t kBlocks = kPoolSize / kSha1DigestSize;
  static_assert(kBlocks * kSha1DigestSize == kPoolSize, "the pool is whole digest blocks");
  for (size_t i = 0; i < kBlocks; ++i) {
    size_t prev = (i == 0 ? kBlocks - 1 : i - 1) * kSha1DigestSize;
    TSha1State state = Sha1StateFromBytes(buffer.data() + prev);
    uint8_t message[kSha1BlockSize];
    for (size_t k = 0; k < kSha1BlockSize; ++k) message[k] = buffer[(i * kSha1DigestSize + k) % kPoolSize];
    Sha1Compress(state, message, 1);
    const TSha1Digest mixed = Sha1StateToBytes(state);
    std::copy(mixed.begin(), mixed.end(), buffer.begin() + static_cast<std::ptrdiff_t>(i * kSha1DigestSize));
  }
}

Status TPrng::refill() {
  output_ = pool_;
  size_t filled = 0;
  while (filled < kPoolSize) {
    size_t n = source_(pool_.data() + filled, kPoolSize - filled);
    if (n == 0) return Error::make(EIO, "random pool: entropy source gave nothing");
    filled += std::min(n, kPoolSize - filled);
  }
  for (size_t i = 0; i < kPoolSize; ++i) pool_[i] ^= static_cast<uint8_t>(~output_[i]);
  mix(pool_);
  mix(output_);
  position_ = 0;
  return okStatus();
}

Status TPrng::PrngInit(EntropySource source) {
  source_ = source ? std::move(source) : EntropySource([](uint8_t* out, size_t count) -> size_t {
    return SystemRandom(out, count) ? count : 0;
  });
  pool_.fill(0);
  RIVIZA_TRY(refill());
  for (int i = 0; i < 20; ++i) mix(pool_);
  return refill();
}

Status TPrng::PrngRandom(uint8_t* out, size_t count) {
  if (!source_) RIVIZA_TRY(PrngInit());
  for (size_t i = 0; i < count; ++i) {
    if (position_ >= kPoolSize) RIVIZA_TRY(refill());
    out[i] = output_[position_++];
  }
  return okStatus();
}

}  // namespace riviza::zip
