// PBKDF2-HMAC-SHA1 (zip layer). See kvoAesKeyDerive.h.
#include "zip/kvoAesKeyDerive.h"

#include <algorithm>

#include "zip/kvoAesHmac.h"

namespace riviza::zip {

void DeriveKey(std::string_view password, const uint8_t* salt, size_t saltBytes, uint32_t iterations,
               uint8_t* out, size_t outBytes) {
  THmacSha1 prf(password.data(), password.size());
  for (uint32_t index = 1; outBytes > 0; ++index) {
    const uint8_t counter[4] = {static_cast<uint8_t>(index >> 24), static_cast<uint8_t>(index >> 16),
                                static_cast<uint8_t>(index >> 8), static_cast<uint8_t>(index)};
    prf.Restart();
    prf.Add(salt, saltBytes);
    prf.Add(counter, sizeof counter);
    TSha1Digest u = prf.Finish();
    TSha1Digest block = u;
    for (uint32_t i = 1; i < iterations; ++i) {
      prf.Restart();
      prf.Add(u.data(), u.size());
      u = prf.Finish();
      for (size_t k = 0; k < block.size(); ++k) block[k] ^= u[k];
    }
    size_t n = std::min(outBytes, block.size());
    std::copy_n(block.begin(), n, out);
    out += n;
    outBytes -= n;
  }
}

}  // namespace riviza::zip
