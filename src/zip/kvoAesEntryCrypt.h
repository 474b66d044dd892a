// The AE-2 entry context (zip layer): key material from password and salt, counter-mode AES
// and HMAC-SHA1 over the ciphertext, the password verifier and the 10-byte authentication code.
//
// Layout of an AES entry's data (after its local header, name and 0x9901 extra):
//   | size            | field                                   |
//   | 8 / 12 / 16     | salt (strength 1 / 2 / 3)               |
//   | 2               | password verifier                       |
//   | n               | the compressed or stored data, enciphered |
//   | 10              | authentication code: HMAC-SHA1 of the enciphered data, first 10 bytes |
// Key material = PBKDF2-HMAC-SHA1(password, salt, 1000 iterations, 2 x key length + 2): AES key,
// HMAC key, verifier. The counter block is the little-endian counter in bytes 0-7 from 1 and
// zero bytes 8-15; the keystream position carries over between calls, so data may come in
// pieces of any size. One context belongs to one entry of one operation. A password longer than
// 128 bytes is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/result.h"
#include "zip/kvoAesBlock.h"
#include "zip/kvoAesHmac.h"
#include "zip/kvoStreams.h"

namespace riviza::zip {

inline constexpr size_t kAesMaxPasswordBytes = 128;
inline constexpr size_t kAesVerifierSize = 2;
inline constexpr size_t kAesAuthCodeSize = 10;
inline constexpr uint32_t kAesIterations = 1000;
inline constexpr size_t kAesMaxSaltSize = 16;

// Strength 1, 2, 3 (emAES2_128 .. emAES2_256): key 16/24/32 bytes, salt 8/12/16 bytes.
inline constexpr size_t AesKeyLength(uint8_t strength) { return 8u * strength + 8u; }
inline constexpr size_t AesSaltLength(uint8_t strength) { return 4u * strength + 4u; }
inline constexpr bool IsAesStrength(uint8_t strength) { return strength >= 1 && strength <= 3; }
static_assert(AesKeyLength(3) == 32 && AesSaltLength(1) == 8 && AesSaltLength(3) == kAesMaxSaltSize);

using TAesVerifier = std::array<uint8_t, kAesVerifierSize>;
using TAesAuthCode = std::array<uint8_t, kAesAuthCodeSize>;

// Equality of two byte runs in time independent of where they differ.
bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, size_t count);

class TAesEntryCrypt : public TEntryCipher {
 public:
  // Derives the keys; kZipPasswordTooLong above 128 bytes, kZipBadData for a strength not 1-3.
  Status Init(std::string_view password, uint8_t strength, const uint8_t* salt);
  const TAesVerifier& verifier() const { return verifier_; }

  // Counter mode in place, then the ciphertext into the HMAC.
  void EncryptData(uint8_t* data, size_t count);
  // The ciphertext into the HMAC, then counter mode in place.
  void DecryptData(uint8_t* data, size_t count);
  // Finishes the HMAC: the first 10 bytes of the code.
  TAesAuthCode AuthCode();

  void EncryptBlock(uint8_t* data, size_t count) override { EncryptData(data, count); }
  void DecryptBlock(uint8_t* data, size_t count) override { DecryptData(data, count); }

 private:
  void applyKeystream(uint8_t* data, size_t count);

  TAesBlock aes_;
  THmacSha1 hmac_;
  TAesVerifier verifier_{};
  uint64_t counter_ = 0;
  std::array<uint8_t, kAesBlockSize> keystream_{};
  size_t keystreamPos_ = kAesBlockSize;
};

}  // namespace riviza::zip
