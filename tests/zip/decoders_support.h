// Test support for the zip decoders: zlib as the reference (compress, inflate), generated data,
// a deflate bit writer for hand-built streams, and the frame-driven decoders run on memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/result.h"
#include "zip/kvoDecoderFrame.h"

namespace riviza::test {

using Bytes = std::vector<uint8_t>;

// Raw deflate (window bits -15) or a zlib stream (15) made by zlib.
Bytes zlibCompress(const Bytes& data, int level, int strategy, int windowBits = -15, int memLevel = 8);

// What an inflater made of a stream: whether it reached the stream end, the output, the input
// bytes it left unused, and its message.
struct InflateOutcome {
  bool complete = false;
  Bytes output;
  size_t unusedInput = 0;
  std::string message;
};
// zlib's inflate on the whole stream at once (the reference).
InflateOutcome zlibInflate(const Bytes& stream, int windowBits = -15, size_t outputLimit = 1 << 26);
// Our stream inflater; inPiece/outPiece 0 mean the whole buffer in one piece, otherwise the
// pieces are drawn from 1..piece with the generator.
InflateOutcome ourInflate(const Bytes& stream, int windowBits = -15, bool deflate64 = false,
                          size_t inPiece = 0, size_t outPiece = 0, std::mt19937_64* rng = nullptr,
                          size_t outputLimit = 1 << 26);

// Generated data of different kinds: prose-like text, structured binary records, random bytes,
// long runs and repeats, and a mix.
enum class DataKind { Text, Binary, Random, Runs, Mixed };
Bytes generateData(DataKind kind, size_t size, std::mt19937_64& rng);

// Writes deflate bit streams least significant bit first, Huffman codes most significant first.
class BitWriter {
 public:
  void bits(uint32_t value, unsigned count);
  void code(uint32_t code, unsigned length);  // a Huffman codeword, reversed into the stream
  // Fixed-code symbols (block type 1).
  void fixedLitlen(unsigned symbol);
  void fixedDist(unsigned symbol) { code(symbol, 5); }
  void alignToByte();
  Bytes finish();

 private:
  Bytes out_;
  uint64_t buffer_ = 0;
  unsigned count_ = 0;
};

// Runs the frame-driven decoder of `method` (1 unshrink, 2-5 unreduce, 6 explode, 8 and 9
// inflate) on a frame.
Status runDecoder(uint16_t method, uint16_t flags, zip::TDecoderFrame& frame);
// The same on compressed bytes held in memory, reading them in blocks of at most readPiece.
struct FrameDecoded {
  Status status;
  Bytes output;
};
FrameDecoded decodeWithFrame(uint16_t method, uint16_t flags, const Bytes& compressed,
                             uint64_t compressedSize, uint64_t uncompressedSize,
                             zip::TExtractLimit* limit = nullptr, size_t readPiece = 1 << 20);

Bytes readFileBytes(const std::string& path);
inline std::string asString(const Bytes& b) { return std::string(b.begin(), b.end()); }
inline Bytes asBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
uint32_t zlibCrc32(const Bytes& data);

// How many generated cases a test runs: `full` normally, a tenth under the sanitizers; the
// environment variable RIVIZA_DECODER_CASES overrides both.
size_t caseCount(size_t full);

}  // namespace riviza::test
