// Explode (zip layer): method 6, PKWARE's imploding.
//
// General-purpose flag bit 1 selects the 8 KiB window (else 4 KiB), bit 2 three Shannon-Fano
// trees (literal, length, distance) with a minimum match of 3 (else two trees, 8-bit literals and
// a minimum match of 2). Each tree is stored as a count byte n and n + 1 bytes of (repeat - 1,
// bit length - 1) nibbles; a tree whose lengths do not number exactly 256 or 64, or do not form a
// complete code, is a bad tree. The format defines the bytes before the start of the output as
// zeros, so copies reaching there read zeros from the zeroed window. Decoding ends at the entry's
// declared size; data that run out first, a bad tree and a copy past the declared size fail with
// kZipBadData (the reader reports such entries without a message).
#pragma once

#include <cstdint>

#include "platform/result.h"
#include "zip/kvoDecoderFrame.h"

namespace riviza::zip {

Status ExplodeEntry(TDecoderFrame& frame, uint16_t generalPurposeFlags);

}  // namespace riviza::zip
