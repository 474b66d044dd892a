// Test support for the zip decoders; see the header.
#include "zip/decoders_support.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "zip/kvoExplode.h"
#include "zip/kvoInflate.h"
#include "zip/kvoInflate64.h"
#include "zip/kvoUnreduce.h"
#include "zip/kvoUnshrink.h"

namespace riviza::test {

Bytes zlibCompress(const Bytes& data, int level, int strategy, int windowBits, int memLevel) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, windowBits, memLevel, strategy) != Z_OK)
    throw std::runtime_error("deflateInit2");
  Bytes out(deflateBound(&z, data.size()) + 16);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

InflateOutcome zlibInflate(const Bytes& stream, int windowBits, size_t outputLimit) {
  InflateOutcome r;
  z_stream z{};
  if (inflateInit2(&z, windowBits) != Z_OK) throw std::runtime_error("inflateInit2");
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  int status = Z_OK;
  size_t produced = 0;
  while (status == Z_OK && produced < outputLimit) {
    r.output.resize(std::min(outputLimit, std::max<size_t>(2 * r.output.size(), 65536)));
    z.next_out = r.output.data() + produced;
    z.avail_out = static_cast<uInt>(r.output.size() - produced);
    status = inflate(&z, Z_NO_FLUSH);
    produced = z.total_out;
  }
  r.complete = status == Z_STREAM_END;
  r.output.resize(produced);
  r.unusedInput = z.avail_in;
  if (z.msg) r.message = z.msg;
  inflateEnd(&z);
  return r;
}

InflateOutcome ourInflate(const Bytes& stream, int windowBits, bool deflate64, size_t inPiece,
                          size_t outPiece, std::mt19937_64* rng, size_t outputLimit) {
  InflateOutcome r;
  zip::TZStreamRec z;
  if (zip::InflateInit2(z, windowBits, deflate64) != zip::kZOk) throw std::runtime_error("InflateInit2");
  auto pick = [&](size_t piece, size_t left) {
    if (piece == 0 || !rng) return left;
    return std::min(left, std::uniform_int_distribution<size_t>(1, piece)(*rng));
  };
  size_t inPos = 0;
  size_t outPos = 0;
  int status = zip::kZOk;
  z.nextIn = stream.data();
  for (;;) {
    if (outPos == r.output.size()) {
      if (outPos == outputLimit) break;
      r.output.resize(std::min(outputLimit, std::max<size_t>(2 * r.output.size(), 65536)));
    }
    if (z.availIn == 0) z.availIn = static_cast<uint32_t>(pick(inPiece, stream.size() - inPos));
    z.nextOut = r.output.data() + outPos;
    z.availOut = static_cast<uint32_t>(pick(outPiece, r.output.size() - outPos));
    const uint8_t* inBefore = z.nextIn;
    status = zip::Inflate(z, zip::kZNoFlush);
    inPos += static_cast<size_t>(z.nextIn - inBefore);
    outPos = static_cast<size_t>(z.nextOut - r.output.data());
    if (status != zip::kZOk) break;
  }
  r.complete = status == zip::kZStreamEnd;
  r.output.resize(outPos);
  r.unusedInput = stream.size() - inPos;
  if (z.msg) r.message = z.msg;
  return r;
}

namespace {

// Text: pseudo-words of a 3000-word vocabulary drawn with Zipf's law, with punctuation, line
// breaks and numbers; compresses about as well as real prose.
void appendText(Bytes& out, size_t size, std::mt19937_64& rng) {
  static const std::vector<std::string> vocabulary = [] {
    std::mt19937_64 g(1951);
    std::vector<std::string> v;
    const char* letters = "eeeeeeeennnnniiiiisssssrrrrraaaaattttdddhhhuuulllcccggmmoobbwwffkkzzpvjyxq";
    for (int i = 0; i < 3000; ++i) {
      std::string w;
      const size_t n = 2 + g() % 9;
      for (size_t k = 0; k < n; ++k) w += letters[g() % std::strlen(letters)];
      if (g() % 5 == 0) w[0] = static_cast<char>(w[0] - 32);
      v.push_back(w);
    }
    return v;
  }();
  // Zipf: rank r with weight 1/(r+1), drawn through the cumulative table.
  static const std::vector<double> cumulative = [] {
    std::vector<double> c(vocabulary.size());
    double sum = 0;
    for (size_t r = 0; r < c.size(); ++r) c[r] = sum += 1.0 / static_cast<double>(r + 1);
    for (double& x : c) x /= sum;
    return c;
  }();
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> punct(0, 29);
  while (out.size() < size) {
    const size_t r = static_cast<size_t>(std::lower_bound(cumulative.begin(), cumulative.end(), unit(rng)) -
                                         cumulative.begin());
    const std::string& w = vocabulary[std::min(r, vocabulary.size() - 1)];
    out.insert(out.end(), w.begin(), w.end());
    const int p = punct(rng);
    if (p == 0) {
      const std::string number = std::to_string(rng() % 100000);
      out.push_back(' ');
      out.insert(out.end(), number.begin(), number.end());
    }
    out.push_back(p == 1 ? '\n' : p == 2 ? '.' : p == 3 ? ',' : ' ');
  }
}

void appendBinary(Bytes& out, size_t size, std::mt19937_64& rng) {
  // Records of a small struct: a counter, a few small fields and a float-like word.
  uint32_t counter = static_cast<uint32_t>(rng());
  std::uniform_int_distribution<int> small(0, 15);
  while (out.size() < size) {
    uint8_t record[16];
    const uint32_t f = 0x3F800000u + static_cast<uint32_t>(small(rng)) * 0x10000u;
    std::memcpy(record, &counter, 4);
    record[4] = static_cast<uint8_t>(small(rng));
    record[5] = static_cast<uint8_t>(small(rng) * 3);
    record[6] = 0;
    record[7] = 0xFF;
    std::memcpy(record + 8, &f, 4);
    std::memset(record + 12, 0, 4);
    out.insert(out.end(), record, record + 16);
    counter += 1 + static_cast<uint32_t>(small(rng) == 0);
  }
}

void appendRuns(Bytes& out, size_t size, std::mt19937_64& rng) {
  std::uniform_int_distribution<size_t> len(1, 300);
  std::uniform_int_distribution<int> kind(0, 3);
  while (out.size() < size) {
    const size_t n = len(rng);
    const int k = kind(rng);
    if (k == 0 || out.size() < 8) {
      out.insert(out.end(), n, static_cast<uint8_t>(rng()));
    } else {
      // Repeat an earlier piece, at a distance that may reach far back.
      const size_t dist = std::uniform_int_distribution<size_t>(1, std::min<size_t>(out.size(), 70000))(rng);
      const size_t from = out.size() - dist;
      for (size_t i = 0; i < n; ++i) out.push_back(out[from + i]);
    }
  }
}

}  // namespace

Bytes generateData(DataKind kind, size_t size, std::mt19937_64& rng) {
  Bytes out;
  out.reserve(size + 400);
  switch (kind) {
    case DataKind::Text:
      appendText(out, size, rng);
      break;
    case DataKind::Binary:
      appendBinary(out, size, rng);
      break;
    case DataKind::Random:
      while (out.size() < size) out.push_back(static_cast<uint8_t>(rng()));
      break;
    case DataKind::Runs:
      appendRuns(out, size, rng);
      break;
    case DataKind::Mixed:
      while (out.size() < size) {
        const size_t piece = std::min<size_t>(size - out.size(), 1 + rng() % 5000);
        const auto k = static_cast<DataKind>(rng() % 4);
        Bytes part = generateData(k, piece, rng);
        out.insert(out.end(), part.begin(), part.end());
      }
      break;
  }
  out.resize(size);
  return out;
}

void BitWriter::bits(uint32_t value, unsigned count) {
  buffer_ |= uint64_t{value & ((count == 32 ? 0 : (1u << count)) - 1u)} << count_;
  count_ += count;
  while (count_ >= 8) {
    out_.push_back(static_cast<uint8_t>(buffer_));
    buffer_ >>= 8;
    count_ -= 8;
  }
}

void BitWriter::code(uint32_t code, unsigned length) {
  uint32_t reversed = 0;
  for (unsigned i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
  bits(reversed, length);
}

void BitWriter::fixedLitlen(unsigned symbol) {
  if (symbol < 144)
    code(0x30 + symbol, 8);
  else if (symbol < 256)
    code(0x190 + symbol - 144, 9);
  else if (symbol < 280)
    code(symbol - 256, 7);
  else
    code(0xC0 + symbol - 280, 8);
}

void BitWriter::alignToByte() {
  if (count_ % 8) bits(0, 8 - count_ % 8);
}

Bytes BitWriter::finish() {
  alignToByte();
  return out_;
}

FrameDecoded decodeWithFrame(uint16_t method, uint16_t flags, const Bytes& compressed,
                             uint64_t compressedSize, uint64_t uncompressedSize, zip::TExtractLimit* limit,
                             size_t readPiece) {
  FrameDecoded r;
  size_t pos = 0;
  zip::TDecoderIo io;
  io.read = [&](std::span<uint8_t> buffer) {
    const size_t n = std::min({buffer.size(), compressed.size() - pos, readPiece});
    std::memcpy(buffer.data(), compressed.data() + pos, n);
    pos += n;
    return n;
  };
  io.write = [&](std::span<const uint8_t> block) {
    r.output.insert(r.output.end(), block.begin(), block.end());
    return okStatus();
  };
  zip::TDecoderFrame frame(io, compressedSize, uncompressedSize, limit);
  r.status = runDecoder(method, flags, frame);
  return r;
}

Status runDecoder(uint16_t method, uint16_t flags, zip::TDecoderFrame& frame) {
  switch (method) {
    case 1:
      return zip::UnshrinkEntry(frame);
    case 2:
    case 3:
    case 4:
    case 5:
      return zip::UnreduceEntry(frame, method - 1u);
    case 6:
      return zip::ExplodeEntry(frame, flags);
    case 8:
      return zip::InflateEntry(frame, false);
    case 9:
      return zip::InflateEntry(frame, true);
    default:
      return Error::make(-1, "method " + std::to_string(method));
  }
}

Bytes readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t zlibCrc32(const Bytes& data) {
  return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

size_t caseCount(size_t full) {
  if (const char* env = std::getenv("RIVIZA_DECODER_CASES")) return std::strtoull(env, nullptr, 10);
#if defined(__SANITIZE_ADDRESS__)
  return full / 10;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return full / 10;
#endif
#endif
  return full;
}

}  // namespace riviza::test
