// PBKDF2 of RFC 2898 with HMAC-SHA1 (zip layer): the key material of AES entries.
//
// Blocks of 20 bytes numbered from 1 (a big-endian 4-byte index after the salt), each the xor of
// `iterations` chained HMAC values; the last block is cut to what the output still needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace riviza::zip {

void DeriveKey(std::string_view password, const uint8_t* salt, size_t saltBytes, uint32_t iterations,
               uint8_t* out, size_t outBytes);

}  // namespace riviza::zip
