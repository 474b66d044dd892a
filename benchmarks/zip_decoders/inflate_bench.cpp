// Inflate throughput: our stream inflater beside zlib's inflate on the same zlib-made streams,
// whole-buffer and in the 32 KiB output pieces the zip reader asks for; and our Deflate64 beside
// our plain inflate on 7-Zip streams of the same data (7-Zip is the common encoder of both).
// InflateRatio times ours against zlib in the reader's pieces, Deflate64Ratio our Deflate64
// against `7zz t` on the 7-Zip archive (7-Zip decodes it and checks its CRC; its time includes
// its start and reading the archive), each with its output checked.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "support/peer.h"
#include "support/zip_archive.h"
#include "zip/decoders_support.h"
#include "zip/kvoInflate.h"

namespace {

using riviza::test::Bytes;
using riviza::test::DataKind;

constexpr size_t kCorpusBytes = 56u << 20;
constexpr size_t kReaderPiece = 32768;

enum class Kind { Text, Binary, Compressed };

struct Corpus {
  Bytes data;
  Bytes zlibStream;       // raw deflate, zlib level 6
  Bytes sevenZipDeflate;  // raw deflate, 7-Zip
  Bytes sevenZipDeflate64;
  std::string sevenZipDeflate64Archive;  // the 7-Zip archive holding it, for 7zz as the peer
};

Bytes makeData(Kind kind) {
  std::mt19937_64 rng(2024);
  if (kind == Kind::Text) return riviza::test::generateData(DataKind::Text, kCorpusBytes, rng);
  if (kind == Kind::Binary) return riviza::test::generateData(DataKind::Binary, kCorpusBytes, rng);
  // Already-compressed data: deflated pieces of text, one after the other.
  Bytes out;
  while (out.size() < kCorpusBytes) {
    const Bytes piece = riviza::test::zlibCompress(riviza::test::generateData(DataKind::Mixed, 1 << 20, rng),
                                                   6, Z_DEFAULT_STRATEGY);
    out.insert(out.end(), piece.begin(), piece.end());
  }
  out.resize(kCorpusBytes);
  return out;
}

// The folder of the 7-Zip archives, removed when the process ends.
const std::filesystem::path& archiveFolder() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("riviza_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                  ("riviza_bench_" + std::to_string(getpid())));
    });
    return d;
  }();
  return dir;
}

// 7-Zip's raw stream of `data` by `method`, and the archive it came in.
Bytes sevenZip(const Bytes& data, const char* method, const std::string& archiveName,
               std::string* archivePath) {
  const auto input = archiveFolder() / "corpus.bin";
  const auto archive = archiveFolder() / archiveName;
  std::FILE* f = std::fopen(input.c_str(), "wb");
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
  const std::string command = "7zz a -tzip -mx=5 -mm=" + std::string(method) + " '" + archive.string() +
                              "' '" + input.string() + "' > /dev/null";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("7zz failed");
  std::filesystem::remove(input);
  auto entries = riviza::test::ParseZipFile(archive).entries;
  if (entries.size() != 1) throw std::runtime_error("7zz archive unreadable");
  if (archivePath) *archivePath = archive.string();
  return riviza::test::asBytes(entries[0].data);
}

const Corpus& corpus(Kind kind) {
  static std::map<Kind, Corpus> cache;
  auto it = cache.find(kind);
  if (it != cache.end()) return it->second;
  Corpus c;
  c.data = makeData(kind);
  c.zlibStream = riviza::test::zlibCompress(c.data, 6, Z_DEFAULT_STRATEGY);
  if (kind != Kind::Compressed) {
    const std::string name = std::to_string(static_cast<int>(kind));
    c.sevenZipDeflate = sevenZip(c.data, "Deflate", "deflate" + name + ".zip", nullptr);
    c.sevenZipDeflate64 =
        sevenZip(c.data, "Deflate64", "deflate64" + name + ".zip", &c.sevenZipDeflate64Archive);
  }
  return cache.emplace(kind, std::move(c)).first->second;
}

// Decodes `stream` into `out` in pieces of `piece` bytes (0: one piece); returns the bytes made.
size_t oursInflate(const Bytes& stream, Bytes& out, size_t piece, bool deflate64) {
  riviza::zip::TZStreamRec z;
  riviza::zip::InflateInit2(z, -15, deflate64);
  z.nextIn = stream.data();
  z.availIn = static_cast<uint32_t>(stream.size());
  size_t pos = 0;
  for (int status = riviza::zip::kZOk; status == riviza::zip::kZOk;) {
    z.nextOut = out.data() + pos;
    z.availOut = static_cast<uint32_t>(piece ? std::min(piece, out.size() - pos) : out.size() - pos);
    status = riviza::zip::Inflate(z, riviza::zip::kZNoFlush);
    pos = z.totalOut;
  }
  return pos;
}

size_t zlibInflate(const Bytes& stream, Bytes& out, size_t piece) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  size_t pos = 0;
  for (int status = Z_OK; status == Z_OK;) {
    z.next_out = out.data() + pos;
    z.avail_out = static_cast<uInt>(piece ? std::min(piece, out.size() - pos) : out.size() - pos);
    status = inflate(&z, Z_NO_FLUSH);
    pos = z.total_out;
  }
  inflateEnd(&z);
  return pos;
}

// OursD64On7zDeflate decodes 7-Zip's plain stream with the Deflate64 tables: the same bits, so it
// measures the Deflate64 decoder itself (the stream uses no length 258, where the formats part).
enum class Decoder { Ours, Zlib, OursOn7zDeflate, OursOn7zDeflate64, OursD64On7zDeflate };

void runInflate(benchmark::State& state, Kind kind, Decoder decoder, size_t piece) {
  const Corpus& c = corpus(kind);
  Bytes out(c.data.size());
  size_t made = 0;
  for (auto _ : state) {
    switch (decoder) {
      case Decoder::Ours:
        made = oursInflate(c.zlibStream, out, piece, false);
        break;
      case Decoder::Zlib:
        made = zlibInflate(c.zlibStream, out, piece);
        break;
      case Decoder::OursOn7zDeflate:
        made = oursInflate(c.sevenZipDeflate, out, piece, false);
        break;
      case Decoder::OursOn7zDeflate64:
        made = oursInflate(c.sevenZipDeflate64, out, piece, true);
        break;
      case Decoder::OursD64On7zDeflate:
        made = oursInflate(c.sevenZipDeflate, out, piece, true);
        break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (made != c.data.size() || out != c.data) state.SkipWithError("output differs from the corpus");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.data.size()));
}

#define INFLATE_BENCH(kind, decoder, piece)                                                      \
  BENCHMARK_CAPTURE(runInflate, kind##_##decoder##_##piece, Kind::kind, Decoder::decoder, piece) \
      ->Unit(benchmark::kMillisecond)                                                            \
      ->MinTime(1.0)

#define INFLATE_KIND(kind)                 \
  INFLATE_BENCH(kind, Zlib, 0);            \
  INFLATE_BENCH(kind, Ours, 0);            \
  INFLATE_BENCH(kind, Zlib, kReaderPiece); \
  INFLATE_BENCH(kind, Ours, kReaderPiece)

#define DEFLATE64_KIND(kind)                  \
  INFLATE_BENCH(kind, OursOn7zDeflate, 0);    \
  INFLATE_BENCH(kind, OursD64On7zDeflate, 0); \
  INFLATE_BENCH(kind, OursOn7zDeflate64, 0)

// Ours against zlib in the reader's pieces, and our Deflate64 against 7-Zip's, in one run each.
void InflateRatio(benchmark::State& state, Kind kind) {
  const Corpus& c = corpus(kind);
  Bytes out(c.data.size());
  const auto right = [&] { return out == c.data; };
  riviza::bench::compareWithPeer(
      state, static_cast<double>(c.data.size()) / 1e6, "MBps",
      {"ours", [&] { return oursInflate(c.zlibStream, out, kReaderPiece, false) == c.data.size(); }, right},
      {"zlib", [&] { return zlibInflate(c.zlibStream, out, kReaderPiece) == c.data.size(); }, right});
}

void Deflate64Ratio(benchmark::State& state, Kind kind) {
  const Corpus& c = corpus(kind);
  Bytes out(c.data.size());
  riviza::bench::compareWithPeer(
      state, static_cast<double>(c.data.size()) / 1e6, "MBps",
      {"ours", [&] { return oursInflate(c.sevenZipDeflate64, out, kReaderPiece, true) == c.data.size(); },
       [&] { return out == c.data; }},
      {"7zz", [&] {
         return riviza::bench::toolRuns({"7zz", "t", c.sevenZipDeflate64Archive});
       }});
}

BENCHMARK_CAPTURE(InflateRatio, Text, Kind::Text)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(InflateRatio, Binary, Kind::Binary)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(InflateRatio, Compressed, Kind::Compressed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Deflate64Ratio, Text, Kind::Text)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Deflate64Ratio, Binary, Kind::Binary)->Iterations(1)->Unit(benchmark::kMillisecond);

INFLATE_KIND(Text);
INFLATE_KIND(Binary);
INFLATE_KIND(Compressed);
// 7-Zip stores already-compressed data rather than deflating it, so Deflate64 runs on the others.
DEFLATE64_KIND(Text);
DEFLATE64_KIND(Binary);

}  // namespace
