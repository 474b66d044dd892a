// Test support for the zip decoders: zlib as the reference (compress, inflate), generated data,
// a deflate bit writer for hand-built streams, and a walker over the local headers of a zip file
// that stands in for the reader in decoder tests.
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

// One entry of a zip file, found by walking its local headers (no directory needed; sizes come
// from the central directory when a local header defers them to a data descriptor).
struct ZipEntry {
  std::string name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  Bytes data;   // the compressed bytes
  Bytes extra;  // the local header's extra field
};
std::vector<ZipEntry> readZipEntries(const std::string& path);

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
FrameDecoded decodeEntry(const ZipEntry& entry, zip::TExtractLimit* limit = nullptr);

Bytes readFileBytes(const std::string& path);
uint32_t zlibCrc32(const Bytes& data);

// How many generated cases a test runs: `full` normally, a tenth under the sanitizers; the
// environment variable RIVIZA_DECODER_CASES overrides both.
size_t caseCount(size_t full);

}  // namespace riviza::test
