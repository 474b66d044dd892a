// AE-2 entry context (zip layer). See kvoAesEntryCrypt.h.
#include "zip/kvoAesEntryCrypt.h"

#include <algorithm>

#include "zip/kvoAesKeyDerive.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {

bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, size_t count) {
  volatile uint8_t diff = 0;
  for (size_t i = 0; i < count; ++i) diff = diff | (a[i] ^ b[i]);
  return diff == 0;
}

Status TAesEntryCrypt::Init(std::string_view password, uint8_t strength, const uint8_t* salt) {
  if (password.size() > kAesMaxPasswordBytes) return zipError(kZipPasswordTooLong);
  if (!IsAesStrength(strength)) return zipError(kZipBadData, "AES key strength");
  const size_t keyLength = AesKeyLength(strength);
  std::array<uint8_t, size_t{2} * 32 + kAesVerifierSize> material{};
  const size_t materialLength = 2 * keyLength + kAesVerifierSize;
  DeriveKey(password, salt, AesSaltLength(strength), kAesIterations, material.data(), materialLength);
  aes_.SetKey(material.data(), keyLength);
  hmac_.SetKey(material.data() + keyLength, keyLength);
  std::copy_n(material.data() + 2 * keyLength, kAesVerifierSize, verifier_.begin());
  std::fill(material.begin(), material.end(), uint8_t{0});
  counter_ = 0;
  keystreamPos_ = kAesBlockSize;
  return okStatus();
}

void TAesEntryCrypt::applyKeystream(uint8_t* data, size_t count) {
  while (count > 0 && keystreamPos_ < kAesBlockSize) {
    *data++ ^= keystream_[keystreamPos_++];
    --count;
  }
  size_t whole = count / kAesBlockSize;
  if (whole > 0) {
    aes_.CtrXor(data, whole, counter_);
    data += whole * kAesBlockSize;
    count -= whole * kAesBlockSize;
  }
  if (count > 0) {
    keystream_.fill(0);
    aes_.CtrXor(keystream_.data(), 1, counter_);
    for (keystreamPos_ = 0; keystreamPos_ < count; ++keystreamPos_)
      data[keystreamPos_] ^= keystream_[keystreamPos_];
  }
}

// Both directions go in slices, so a slice is still in the first-level cache when the second
// pass (HMAC after enciphering, deciphering after HMAC) reads it.
constexpr size_t kSlice = 16384;

void TAesEntryCrypt::EncryptData(uint8_t* data, size_t count) {
  for (size_t done = 0; done < count; done += kSlice) {
    size_t n = std::min(kSlice, count - done);
    applyKeystream(data + done, n);
    hmac_.Add(data + done, n);
  }
}

void TAesEntryCrypt::DecryptData(uint8_t* data, size_t count) {
  for (size_t done = 0; done < count; done += kSlice) {
    size_t n = std::min(kSlice, count - done);
    hmac_.Add(data + done, n);
    applyKeystream(data + done, n);
  }
}

TAesAuthCode TAesEntryCrypt::AuthCode() {
  TAesAuthCode code;
  hmac_.Finish(code.data(), code.size());
  return code;
}

}  // namespace riviza::zip
