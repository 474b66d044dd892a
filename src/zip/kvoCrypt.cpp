// The traditional zip cipher (zip layer). See kvoCrypt.h.
#include "zip/kvoCrypt.h"

#include "zip/kvoAesPrng.h"
#include "zip/kvoCrc.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {

Status TZipCrypt::ZipInitKeys(std::string_view password) {
  if (password.size() > kMaxPasswordBytes) return zipError(kZipPasswordTooLong);
  SetKeys(kStartKey0, kStartKey1, kStartKey2);
  for (char c : password) ZipUpdateKeys(static_cast<uint8_t>(c));
  return okStatus();
}

void TZipCrypt::SetKeys(uint32_t key0, uint32_t key1, uint32_t key2) {
  key0_ = key0;
  key1_ = key1;
  key2_ = key2;
}

void TZipCrypt::ZipUpdateKeys(uint8_t plain) {
  key0_ = Crc32Byte(plain, key0_);
  key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
  key2_ = Crc32Byte(static_cast<uint8_t>(key1_ >> 24), key2_);
}

uint8_t TZipCrypt::ZipStreamByte() const {
  uint32_t t = (key2_ & 0xFFFF) | 2;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

uint8_t TZipCrypt::ZipEncryptByte(uint8_t plain) {
  uint8_t k = ZipStreamByte();
  ZipUpdateKeys(plain);
  return plain ^ k;
}

void TZipCrypt::ZipEncryptBuffer(uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) data[i] = ZipEncryptByte(data[i]);
}

void TZipCrypt::ZipDecryptBuffer(uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t plain = data[i] ^ ZipStreamByte();
    data[i] = plain;
    ZipUpdateKeys(plain);
  }
}

Result<TZipCrypt::Header> BuildEncryptionHeader(TZipCrypt& crypt, std::string_view password, uint32_t crc) {
  RIVIZA_TRY(crypt.ZipInitKeys(password));
  TZipCrypt::Header h{};
  RIVIZA_TRY(SystemRandom(h.data(), 10));
  h[10] = static_cast<uint8_t>(crc >> 16);
  h[11] = static_cast<uint8_t>(crc >> 24);
  crypt.ZipEncryptBuffer(h.data(), h.size());
  return h;
}

bool TestEncryptionHeader(TZipCrypt& crypt, const TZipCrypt::Header& stored, uint16_t flags, uint32_t crc,
                          uint16_t dosTime, std::string_view password) {
  if (password.empty() || !crypt.ZipInitKeys(password)) return false;
  TZipCrypt::Header plain = stored;
  crypt.ZipDecryptBuffer(plain.data(), plain.size());
  // With a data descriptor (bit 3) the CRC was not known when the header was made.
  uint8_t check = (flags & 0x0008) ? static_cast<uint8_t>(dosTime >> 8) : static_cast<uint8_t>(crc >> 24);
  return plain[11] == check;
}

}  // namespace riviza::zip
