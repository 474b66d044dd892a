// Shared by the decoder fuzz targets: the input layout and a frame-driven decoder run on memory.
//
// Input of the frame targets: byte 0 selects the variant (flags, factor, read piece), bytes 1-3
// the declared uncompressed size (20 bits, little-endian: at most 1 MiB), the rest is compressed
// data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "platform/result.h"
#include "zip/kvoDecoderFrame.h"

namespace riviza::fuzz {

struct FrameInput {
  uint8_t variant = 0;
  uint64_t declared = 0;
  std::span<const uint8_t> compressed;
};

inline bool splitFrameInput(const uint8_t* data, size_t size, FrameInput& in) {
  if (size < 4) return false;
  in.variant = data[0];
  in.declared = data[1] | (uint64_t{data[2]} << 8) | (static_cast<uint64_t>(data[3] & 0x0F) << 16);
  in.compressed = {data + 4, size - 4};
  return true;
}

// Runs `decode` on a frame over the compressed bytes, read in pieces of `piece` bytes; the
// output must never exceed the declared size.
template <class Decode>
Status runFrame(const FrameInput& in, size_t piece, std::vector<uint8_t>& output, Decode decode) {
  size_t pos = 0;
  zip::TDecoderIo io;
  io.read = [&](std::span<uint8_t> buffer) {
    const size_t n = std::min({buffer.size(), in.compressed.size() - pos, piece});
    std::memcpy(buffer.data(), in.compressed.data() + pos, n);
    pos += n;
    return n;
  };
  io.write = [&](std::span<const uint8_t> block) {
    output.insert(output.end(), block.begin(), block.end());
    return okStatus();
  };
  zip::TDecoderFrame frame(io, in.compressed.size(), in.declared);
  Status status = decode(frame);
  if (output.size() > in.declared) std::abort();
  return status;
}

}  // namespace riviza::fuzz
