// TkvoAES (zip layer). See kvoAES.h.
#include "zip/kvoAES.h"

#include <cassert>

#include "zip/kvoErrors.h"

namespace riviza::zip {

void TkvoAES::assertInvariants() const {
  assert(strength_ == 0 || IsAesStrength(strength_));
  assert(password_.size() <= kAesMaxPasswordBytes);
}

Status TkvoAES::writeSaltAndVerifier() {
  assertInvariants();
  const size_t saltLength = AesSaltLength(strength_);
  RIVIZA_TRY(prng_.PrngRandom(salt_, saltLength));
  RIVIZA_TRY(ctx_.Init(password_, strength_, salt_));
  RIVIZA_TRY(out_->WriteBuffer(salt_, saltLength));
  return out_->WriteBuffer(ctx_.verifier().data(), kAesVerifierSize);
}

Status TkvoAES::BeginEncrypt(std::string_view password, uint8_t strength) {
  if (password.size() > kAesMaxPasswordBytes) return zipError(kZipPasswordTooLong);
  if (!IsAesStrength(strength)) return zipError(kZipBadData, "AES key strength");
  password_.assign(password);
  strength_ = strength;
  RIVIZA_TRY(prng_.PrngInit());
  return writeSaltAndVerifier();
}

Status TkvoAES::RestartEncrypt() {
  if (!IsAesStrength(strength_)) return zipError(kZipBadData, "AES restart without a begin");
  auto back = out_->Seek(-static_cast<int64_t>(AesSaltLength(strength_) + kAesVerifierSize), soFromCurrent);
  if (!back) return back.error();
  RIVIZA_TRY(prng_.PrngInit());
  return writeSaltAndVerifier();
}

Status TkvoAES::EndEncrypt() {
  TAesAuthCode code = ctx_.AuthCode();
  return out_->WriteBuffer(code.data(), code.size());
}

Result<bool> TkvoAES::BeginDecrypt(std::string_view password, uint8_t strength, uint32_t& overhead) {
  overhead = 0;
  if (password.empty() || password.size() > kAesMaxPasswordBytes) return false;
  if (!IsAesStrength(strength)) return zipError(kZipBadData, "AES key strength");
  strength_ = strength;
  const size_t saltLength = AesSaltLength(strength);
  RIVIZA_TRY(in_->ReadBuffer(salt_, saltLength));
  overhead += static_cast<uint32_t>(saltLength);
  RIVIZA_TRY(ctx_.Init(password, strength, salt_));
  TAesVerifier stored;
  RIVIZA_TRY(in_->ReadBuffer(stored.data(), stored.size()));
  overhead += kAesVerifierSize;
  if (ConstantTimeEqual(stored.data(), ctx_.verifier().data(), kAesVerifierSize)) {
    overhead += kAesAuthCodeSize;
    return true;
  }
  auto back = in_->Seek(-static_cast<int64_t>(saltLength + kAesVerifierSize), soFromCurrent);
  if (!back) return back.error();
  return false;
}

Result<bool> TkvoAES::EndDecrypt() {
  TAesAuthCode computed = ctx_.AuthCode();
  TAesAuthCode stored{};
  size_t got = 0;
  while (got < stored.size()) {
    auto n = in_->Read(stored.data() + got, stored.size() - got);
    if (!n) return n.error();
    if (*n == 0) break;
    got += *n;
  }
  // A truncated code proves nothing: only all ten bytes, compared in full, pass.
  bool equal = ConstantTimeEqual(stored.data(), computed.data(), computed.size());
  return got == stored.size() && equal;
}

}  // namespace riviza::zip
