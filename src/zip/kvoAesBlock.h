// The AES block cipher of FIPS-197, encryption only (zip layer): key set-up for 128-, 192- and
// 256-bit keys (10, 12, 14 rounds), single blocks, and the counter-mode keystream of AE-2.
//
// Zip entries use AES in counter mode only, so no decryption schedule exists. The processor's
// AES instructions are used when present (chosen once at run time, eight blocks in flight in
// counter mode); the portable path is constant-time-minded: one 256-byte S-box that is read
// whole into cache before each call, so the cache lines touched never depend on key or data, and
// MixColumns by arithmetic without tables. Both paths give identical output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace riviza::zip {

inline constexpr size_t kAesBlockSize = 16;

class TAesBlock {
 public:
  ~TAesBlock();
  // 16, 24 or 32 key bytes; false for any other length.
  bool SetKey(const uint8_t* key, size_t keyBytes);
  int rounds() const { return rounds_; }

  void EncryptBlock(const uint8_t in[kAesBlockSize], uint8_t out[kAesBlockSize]) const;
  // Xors `blocks` whole blocks of data with the encryptions of the counter blocks counter + 1,
  // counter + 2, ... (bytes 0-7 the little-endian counter, bytes 8-15 zero) and advances counter.
  void CtrXor(uint8_t* data, size_t blocks, uint64_t& counter) const;

  // Forces the portable path (tests and benchmarks compare both).
  void usePortable(bool portable) { forcePortable_ = portable; }
  static bool AesNiAvailable();

 private:
  alignas(16) std::array<uint8_t, 15 * kAesBlockSize> roundKeys_{};
  int rounds_ = 0;
  bool forcePortable_ = false;
};

}  // namespace riviza::zip
