// Reference encoders of the legacy zip methods, for tests only: shrinking (LZW with code widening
// and partial clears), reducing (follower sets over a DLE-escaped LZ stage, factors 1-4) and
// imploding (Shannon-Fano trees, 4 or 8 KiB window, two or three trees).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/decoders_support.h"

namespace riviza::test {

// When the shrink encoder clears the leaves of its code table: never (a full table then stays
// full), early (with 64 codes still free, and only when the code just sent is no leaf), or as
// soon as the table is full, whatever was sent. Info-ZIP's unzip reads only the early policy;
// 7-Zip reads all three.
enum class ShrinkClears { Never, Early, WhenFull };
struct ShrinkOptions {
  ShrinkClears clears = ShrinkClears::Early;
};
Bytes shrinkEncode(const Bytes& data, const ShrinkOptions& options = {});

// With zeroHistory matches may copy from the zeros the format puts before the start.
Bytes reduceEncode(const Bytes& data, unsigned factor, bool zeroHistory = false);

struct ImplodeOptions {
  bool largeWindow = true;   // general-purpose flag bit 1
  bool literalTree = true;   // flag bit 2
  bool zeroHistory = false;  // may copy from the zeros before the start
};
Bytes implodeEncode(const Bytes& data, const ImplodeOptions& options);
inline uint16_t implodeFlags(const ImplodeOptions& o) {
  return static_cast<uint16_t>((o.largeWindow ? 2 : 0) | (o.literalTree ? 4 : 0));
}

// Raw deflate or Deflate64 with fixed codes and some stored blocks: greedy matches of up to 258
// (Deflate64: 65,538) bytes at distances of up to 32 KiB (64 KiB). The plain-deflate variant lets
// zlib check the encoder; the Deflate64 one uses length code 285 with its 16 extra bits and the
// distance codes 30 and 31.
Bytes fixedDeflateEncode(const Bytes& data, bool deflate64);

}  // namespace riviza::test
