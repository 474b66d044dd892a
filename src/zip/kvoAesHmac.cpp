// HMAC-SHA1 (zip layer). See kvoAesHmac.h.
#include "zip/kvoAesHmac.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace riviza::zip {

void THmacSha1::SetKey(const void* key, size_t keyBytes) {
  std::array<uint8_t, kSha1BlockSize> padded{};
  if (keyBytes > kSha1BlockSize) {
    TSha1Digest d = Sha1Of(key, keyBytes);
    std::memcpy(padded.data(), d.data(), d.size());
  } else if (keyBytes > 0) {
    std::memcpy(padded.data(), key, keyBytes);
  }
  std::array<uint8_t, kSha1BlockSize> pad;
  for (size_t i = 0; i < pad.size(); ++i) pad[i] = padded[i] ^ 0x36;
  innerKeyed_ = kSha1Initial;
  Sha1Compress(innerKeyed_, pad.data(), 1);
  for (size_t i = 0; i < pad.size(); ++i) pad[i] = padded[i] ^ 0x5C;
  outerKeyed_ = kSha1Initial;
  Sha1Compress(outerKeyed_, pad.data(), 1);
  Restart();
}

void THmacSha1::Restart() { inner_.Resume(innerKeyed_, kSha1BlockSize); }

void THmacSha1::Finish(uint8_t* out, size_t outBytes) {
  TSha1Digest innerDigest = inner_.Finish();
  TSha1 outer;
  outer.Resume(outerKeyed_, kSha1BlockSize);
  outer.Add(innerDigest.data(), innerDigest.size());
  TSha1Digest code = outer.Finish();
  std::memcpy(out, code.data(), std::min(outBytes, code.size()));
}

TSha1Digest THmacSha1::Finish() {
  TSha1Digest code;
  Finish(code.data(), code.size());
  return code;
}

}  // namespace riviza::zip
