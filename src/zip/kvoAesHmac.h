// HMAC-SHA1 of RFC 2104 (zip layer): the authentication code of AES entries and the
// pseudo-random function of the key derivation.
//
// A key longer than the block is first hashed to 20 bytes, then zero-padded to 64 bytes; the
// padded key's inner and outer states are computed once by SetKey, so Restart (a new message
// under the same key) costs nothing and each PBKDF2 iteration costs two compressions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zip/kvoAesSha1.h"

namespace riviza::zip {

class THmacSha1 {
 public:
  THmacSha1() = default;
  THmacSha1(const void* key, size_t keyBytes) { SetKey(key, keyBytes); }

  void SetKey(const void* key, size_t keyBytes);
  // A new message under the same key.
  void Restart();
  void Add(const void* data, size_t count) { inner_.Add(data, count); }
  // The first outBytes (at most 20) of the code into out; the object must be restarted after.
  void Finish(uint8_t* out, size_t outBytes);
  TSha1Digest Finish();

 private:
  TSha1State innerKeyed_{}, outerKeyed_{};
  TSha1 inner_;
};

}  // namespace riviza::zip
