// TkvoAES: AES entry encryption on the archive streams (zip layer).
//
// The writer makes one per AES entry, the reader one when it starts an AES entry; each owns its
// context (kvoAesEntryCrypt.h), nothing is process-wide. Salts come from a random pool fed by
// the system random source, so two entries never share a salt by the clock.
//   idle --BeginEncrypt/RestartEncrypt--> encrypting --EncryptData*--> --EndEncrypt--> idle
//   idle --BeginDecrypt (true)--> decrypting --DecryptData*--> --EndDecrypt--> idle
//   BeginDecrypt false: still idle, input moved back before the salt, next password may follow.
// The authentication code is compared in full and in constant time; a stored code shorter than
// 10 bytes fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "zip/kvoAesEntryCrypt.h"
#include "zip/kvoAesPrng.h"
#include "zip/kvoStreams.h"

namespace riviza::zip {

class TkvoAES {
 public:
  // Either stream may be null when only the other direction is used.
  TkvoAES(TStream32* inStream, TStream32* outStream) : in_(inStream), out_(outStream) {}

  // Draws a salt, writes salt and verifier to the output stream. kZipPasswordTooLong above 128
  // bytes; kZipBadData for a strength other than 1-3.
  Status BeginEncrypt(std::string_view password, uint8_t strength);
  // Moves the output back over salt and verifier, draws a fresh salt and writes both again; the
  // data restarts under the new context (the writer stores an entry it deflated first).
  Status RestartEncrypt();
  void EncryptData(uint8_t* data, size_t count) { ctx_.EncryptData(data, count); }
  // Writes the 10-byte authentication code.
  Status EndEncrypt();

  // Reads salt and verifier; true when the verifier matches, with overhead = salt + 2 + 10 (what
  // the reader subtracts from the compressed size). False for an empty or overlong password, or
  // a wrong one (the input then stands before the salt again). Read failures are errors.
  Result<bool> BeginDecrypt(std::string_view password, uint8_t strength, uint32_t& overhead);
  void DecryptData(uint8_t* data, size_t count) { ctx_.DecryptData(data, count); }
  // Reads the stored code and compares all 10 bytes.
  Result<bool> EndDecrypt();

  // The context as the cipher of a filter stream.
  TEntryCipher& cipher() { return ctx_; }
  size_t saltLength() const { return AesSaltLength(strength_); }
  // Debug check: a strength once set is 1-3 and the kept password fits the key set-up.
  void assertInvariants() const;

 private:
  Status writeSaltAndVerifier();

  TStream32* in_;
  TStream32* out_;
  TAesEntryCrypt ctx_;
  TPrng prng_;
  std::string password_;
  uint8_t strength_ = 0;
  uint8_t salt_[kAesMaxSaltSize] = {};
};

}  // namespace riviza::zip
