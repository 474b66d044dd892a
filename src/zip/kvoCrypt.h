// The traditional zip stream cipher of APPNOTE (zip layer): three 32-bit keys driven by the
// plain bytes, the 12-byte encryption header with its check byte, and the same routines started
// from fixed keys for enciphered headers.
//
// One TZipCrypt belongs to one archive operation (and one entry at a time within it); nothing is
// process-wide. The keys advance with every byte enciphered or deciphered, so a header and the
// data that follows it must go through the same object in order. A password longer than 255
// bytes is refused instead of being cut to its length modulo 256. The header's ten random bytes
// come from the system's random source, never from a clock.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/result.h"
#include "zip/kvoStreams.h"

namespace riviza::zip {

class TZipCrypt : public TEntryCipher {
 public:
  static constexpr size_t kMaxPasswordBytes = 255;
  static constexpr size_t kHeaderSize = 12;
  static constexpr uint32_t kStartKey0 = 0x12345678u, kStartKey1 = 0x23456789u, kStartKey2 = 0x34567890u;
  using Header = std::array<uint8_t, kHeaderSize>;

  // Start keys, then every password byte; a longer password is kZipPasswordTooLong.
  Status ZipInitKeys(std::string_view password);
  // Starts from given keys (the header cipher).
  void SetKeys(uint32_t key0, uint32_t key1, uint32_t key2);

  void ZipUpdateKeys(uint8_t plain);
  uint8_t ZipStreamByte() const;
  uint8_t ZipEncryptByte(uint8_t plain);
  void ZipEncryptBuffer(uint8_t* data, size_t count);
  void ZipDecryptBuffer(uint8_t* data, size_t count);

  void EncryptBlock(uint8_t* data, size_t count) override { ZipEncryptBuffer(data, count); }
  void DecryptBlock(uint8_t* data, size_t count) override { ZipDecryptBuffer(data, count); }

  std::array<uint32_t, 3> keys() const { return {key0_, key1_, key2_}; }

 private:
  uint32_t key0_ = kStartKey0, key1_ = kStartKey1, key2_ = kStartKey2;
};

// The 12-byte header for an entry whose finished CRC-32 is crc: ten random bytes, then bits 16-23
// and 24-31 of the CRC, all enciphered. The keys stay running for the entry's data.
Result<TZipCrypt::Header> BuildEncryptionHeader(TZipCrypt& crypt, std::string_view password, uint32_t crc);

// Deciphers a copy of the stored header with the password and compares its last byte with the
// high byte of the DOS time (flag bit 3 set) or bits 24-31 of the CRC. On success the keys stay
// running for the data. An empty or overlong password is false.
bool TestEncryptionHeader(TZipCrypt& crypt, const TZipCrypt::Header& stored, uint16_t flags, uint32_t crc,
                          uint16_t dosTime, std::string_view password);

}  // namespace riviza::zip
