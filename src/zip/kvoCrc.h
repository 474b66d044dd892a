// Checksums of the zip engine (zip layer): the zip CRC-32 (reflected polynomial 0xEDB88320) and
// the CRC-16 of the ARC kind (reflected polynomial 0xA001).
//
// The register is carried uncomplemented between calls: a run starts it at kCrcSeed and the CRC
// stored in an archive is the register xor 0xFFFFFFFF. CRC-16 starts wherever its caller sets it
// (the streams start it at 0). Crc32Update picks, once per process, the fastest routine the
// processor offers: carry-less multiply folding (PCLMULQDQ) for long buffers, slicing-by-8
// otherwise; every routine gives the same register for the same bytes. The routines are pure
// and thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace riviza::zip {

// The start value of every CRC-32 run (and of the traditional cipher's key updates).
inline constexpr uint32_t kCrcSeed = 0xFFFFFFFFu;

// The table of a reflected polynomial: entry i is i shifted through eight steps.
constexpr std::array<uint32_t, 256> MakeCrcTable(uint32_t reflectedPoly) {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ reflectedPoly : c >> 1;
    t[i] = c;
  }
  return t;
}
inline constexpr std::array<uint32_t, 256> kCrc32Table = MakeCrcTable(0xEDB88320u);

// One byte through the CRC-32 register (inline: the traditional cipher calls it per byte).
inline uint32_t Crc32Byte(uint8_t byte, uint32_t reg) {
  return kCrc32Table[(reg ^ byte) & 0xFF] ^ (reg >> 8);
}
// count bytes through the register; nothing for a count of 0.
void Crc32Update(const void* buffer, size_t count, uint32_t& reg);
// The CRC-16 rule over count bytes, register kept in the low 16 bits of a 32-bit value.
void Crc16Update(const void* buffer, size_t count, uint32_t& reg);

// The finished zip CRC-32 of a whole buffer (seed, update, complement).
uint32_t Crc32Of(const void* buffer, size_t count);
inline uint32_t Crc32Of(std::string_view bytes) { return Crc32Of(bytes.data(), bytes.size()); }

// The single routines, for tests and benchmarks. Crc32Clmul may only be called when
// Crc32ClmulAvailable() is true.
uint32_t Crc32Bytewise(const void* buffer, size_t count, uint32_t reg);
uint32_t Crc32Slicing8(const void* buffer, size_t count, uint32_t reg);
uint32_t Crc32Clmul(const void* buffer, size_t count, uint32_t reg);
bool Crc32ClmulAvailable();
// "clmul" or "slicing-by-8": the routine Crc32Update chose.
std::string_view Crc32Implementation();

}  // namespace riviza::zip
