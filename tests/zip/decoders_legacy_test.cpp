// Unshrink, unreduce and explode: round trips through the reference encoders (with Info-ZIP unzip
// and 7-Zip as oracles where they read the method), each decoder's faults, and the size limits of
// the frame for every frame-driven decoder.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/zip_archive.h"
#include "zip/decoders_encoders.h"
#include "zip/decoders_support.h"
#include "zip/kvoErrors.h"

namespace riviza::test {
namespace {

Bytes sample(DataKind kind, size_t size, uint64_t seed) {
  std::mt19937_64 rng(seed);
  return generateData(kind, size, rng);
}

void expectDecodes(uint16_t method, uint16_t flags, const Bytes& compressed, const Bytes& plain,
                   const std::string& what) {
  const FrameDecoded d = decodeWithFrame(method, flags, compressed, compressed.size(), plain.size());
  ASSERT_TRUE(d.status.ok()) << what << ": " << d.status.error().describe();
  ASSERT_EQ(d.output, plain) << what;
}

struct Sample {
  DataKind kind;
  size_t size;
};
const Sample kSamples[] = {{DataKind::Text, 1},     {DataKind::Text, 300},     {DataKind::Binary, 5000},
                           {DataKind::Runs, 70000}, {DataKind::Mixed, 120000}, {DataKind::Random, 40000},
                           {DataKind::Text, 400000}};

TEST(Unshrink, RoundTripsWithWideningAndPartialClears) {
  for (const Sample& s : kSamples) {
    const Bytes plain = sample(s.kind, s.size, s.size);
    for (auto clears : {ShrinkClears::Never, ShrinkClears::Early, ShrinkClears::WhenFull})
      expectDecodes(1, 0, shrinkEncode(plain, {clears}), plain, "size " + std::to_string(s.size));
  }
}

TEST(Explode, AllFourVariantsRoundTrip) {
  for (const Sample& s : kSamples) {
    const Bytes plain = sample(s.kind, s.size, s.size + 1);
    for (int variant = 0; variant < 8; ++variant) {
      const ImplodeOptions o{(variant & 1) != 0, (variant & 2) != 0, (variant & 4) != 0};
      expectDecodes(6, implodeFlags(o), implodeEncode(plain, o), plain,
                    "size " + std::to_string(s.size) + " variant " + std::to_string(variant));
    }
  }
}

TEST(Unreduce, EveryFactorRoundTrips) {
  for (const Sample& s : kSamples) {
    const Bytes plain = sample(s.kind, s.size, s.size + 2);
    for (unsigned factor = 1; factor <= 4; ++factor)
      expectDecodes(static_cast<uint16_t>(factor + 1), 0, reduceEncode(plain, factor), plain,
                    "size " + std::to_string(s.size) + " factor " + std::to_string(factor));
  }
}

// The format puts zeros before the start of the output, and the DOS packer copied from them when a
// file began with zeros. Hand-built streams (every follower set empty, so each byte is 8 literal
// bits) copy 4 bytes from just before the start and from the farthest distance of each factor;
// then the encoder, allowed the same, packs binary data that begin and go on with zero runs.
TEST(Unreduce, CopiesFromBeforeTheStartReadZeros) {
  for (unsigned factor = 1; factor <= 4; ++factor) {
    SCOPED_TRACE("factor " + std::to_string(factor));
    const uint16_t method = static_cast<uint16_t>(factor + 1);
    const uint8_t farHigh = static_cast<uint8_t>(((1u << factor) - 1) << (8 - factor));
    struct Stream {
      std::vector<unsigned> bytes;  // after the follower sets
      std::string plain;
    } streams[] = {
        {{'a', 'b', 144, 1, 5}, std::string("ab\0\0\0\0", 6)},         // 6 back from 2
        {{144, farHigh | 1u, 255, 'x'}, std::string("\0\0\0\0x", 5)},  // 256 << factor back
        {{'z', 144, 2, 2}, std::string("z\0\0z\0\0", 6)},  // 5 from 3 back: zeros, then the copy's own
    };
    for (const Stream& s : streams) {
      BitWriter w;
      for (int b = 255; b >= 0; --b) w.bits(0, 6);
      for (unsigned c : s.bytes) w.bits(c, 8);
      const Bytes z = w.finish();
      const FrameDecoded d = decodeWithFrame(method, 0, z, z.size(), s.plain.size());
      ASSERT_TRUE(d.status.ok()) << d.status.error().describe();
      EXPECT_EQ(std::string(d.output.begin(), d.output.end()), s.plain);
    }
    Bytes plain(3000, 0);
    const Bytes binary = sample(DataKind::Binary, 20000, factor);
    plain.insert(plain.end(), binary.begin(), binary.end());
    plain.insert(plain.end(), 5000, 0);
    const Bytes z = reduceEncode(plain, factor, true);
    const FrameDecoded d = decodeWithFrame(method, 0, z, z.size(), plain.size());
    ASSERT_TRUE(d.status.ok()) << d.status.error().describe();
    EXPECT_EQ(d.output.size(), plain.size());
    EXPECT_EQ(zlibCrc32(d.output), zlibCrc32(plain));
  }
}

// The reference encoders agree with independent decoders, so the decoders tested against them
// read the formats as those do: 7zz reads our shrunk entries with every clear policy, unzip our
// imploded entries (both windows, both tree sets, copies from the zeros before the start) and a
// shrunk entry with widening but no clear. (Info-ZIP's partial clear looks only at the codes up to
// the one assigned last; 7-Zip and this engine free every leaf of 257-8191, as the format says.)
TEST(LegacyOracles, UnzipAnd7zzReadTheReferenceEncodings) {
  TempDir dir;
  struct Member {
    ZipEntrySpec zip;
    bool unzip;
    bool sevenZip;
  };
  // An entry whose data are `packed`, the method's encoding of `plain`.
  auto member = [](std::string name, uint16_t method, uint16_t flags, const Bytes& plain,
                   const Bytes& packed) {
    ZipEntrySpec e(std::move(name), asString(plain), method, flags);
    e.packed = asString(packed);
    return e;
  };
  std::vector<Member> members;
  const Bytes big = sample(DataKind::Mixed, 1500000, 99);
  const Bytes small = sample(DataKind::Text, 20000, 98);
  members.push_back(
      {member("shrunk-small.bin", 1, 0, small, shrinkEncode(small, {ShrinkClears::Never})), true, true});
  for (auto clears : {ShrinkClears::Never, ShrinkClears::Early, ShrinkClears::WhenFull}) {
    const std::string name = "shrunk" + std::to_string(static_cast<int>(clears)) + ".bin";
    members.push_back({member(name, 1, 0, big, shrinkEncode(big, {clears})), false, true});
  }
  for (int variant = 0; variant < 8; ++variant) {
    const ImplodeOptions o{(variant & 1) != 0, (variant & 2) != 0, (variant & 4) != 0};
    const Bytes plain = sample(DataKind::Mixed, 90000 + variant, variant);
    members.push_back({member("imploded" + std::to_string(variant) + ".bin", 6, implodeFlags(o), plain,
                              implodeEncode(plain, o)),
                       true, false});
  }
  std::vector<ZipEntrySpec> entries;
  for (const Member& m : members) entries.push_back(m.zip);
  const std::string zip = (dir / "legacy.zip").string();
  WriteZip(zip, entries);
  for (const Member& m : members) {
    SCOPED_TRACE(m.zip.name);
    expectDecodes(m.zip.method, m.zip.flags, asBytes(*m.zip.packed), asBytes(m.zip.data), m.zip.name);
    if (m.unzip) {
      EXPECT_EQ(runTool({"unzip", "-p", zip, m.zip.name}, {.stderrApart = true}).output, m.zip.data);
    }
    if (m.sevenZip) {
      EXPECT_EQ(runTool({"7zz", "x", "-so", zip, m.zip.name}, {.stderrApart = true}).output, m.zip.data);
    }
  }
}

// ---- faults ----

Bytes codes9(std::initializer_list<unsigned> codes) {
  BitWriter w;
  for (unsigned c : codes) w.bits(c, 9);
  return w.finish();
}

Bytes reduceWithCount(unsigned count) {
  BitWriter w;
  w.bits(count, 6);  // follower set of byte 255
  for (unsigned i = 0; i < count; ++i) w.bits(i, 8);
  for (int b = 254; b >= 0; --b) w.bits(0, 6);
  for (unsigned c : {'a', 'b'}) w.bits(c, 8);
  return w.finish();
}

Bytes implodeTruncated() {
  const Bytes plain = sample(DataKind::Text, 3000, 5);
  Bytes z = implodeEncode(plain, {});
  z.resize(z.size() / 2);
  return z;
}

Bytes implodeShortTree() {
  BitWriter w;
  w.bits(0, 8);     // one pair:
  w.bits(0x77, 8);  // 8 lengths of 8: not the 256 a literal tree needs
  return w.finish();
}

Bytes implodeIncompleteTree() {
  BitWriter w;
  w.bits(3, 8);                                 // four pairs of 16 lengths: 64 symbols...
  for (int i = 0; i < 4; ++i) w.bits(0xF6, 8);  // ...all of length 7: half the code space
  return w.finish();
}

struct Fault {
  const char* name;
  uint16_t method;
  uint16_t flags;
  Bytes (*build)();
  size_t declared;
  int code;
  const char* outputBefore;  // what must have been written before the failure
};

const Fault kFaults[] = {
    {"unshrink: no data", 1, 0, [] { return Bytes{}; }, 10, zip::kZipBadBlock, ""},
    {"unshrink: first code not a byte", 1, 0,
     [] {
       return codes9({300, 97});
     },
     10, zip::kZipBadBlock, ""},
    {"unshrink: escape then 3", 1, 0,
     [] {
       return codes9({97, 98, 256, 3, 97});
     },
     10, zip::kZipBadBlock, "ab"},
    {"unshrink: widening past 13 bits", 1, 0,
     [] {
       BitWriter w;
       w.bits(97, 9);
       for (unsigned bits = 9; bits <= 13; ++bits) {
         w.bits(256, bits);
         w.bits(1, bits);
       }
       return w.finish();
     },
     10, zip::kZipBadBlock, "a"},
    // 257 is "aa"; the clear frees it; 'b' then makes 257 its own parent: an endless chain.
    {"unshrink: chain without end", 1, 0,
     [] {
       return codes9({97, 257, 256, 2, 98, 257});
     },
     100, zip::kZipStackOverflow, "aaab"},
    {"unreduce: 33 followers", 5, 0, [] { return reduceWithCount(33); }, 10, zip::kZipBadBlock, ""},
    {"explode: data end early", 6, 6, implodeTruncated, 3000, zip::kZipBadData, nullptr},
    {"explode: too few lengths", 6, 6, implodeShortTree, 10, zip::kZipBadData, ""},
    {"explode: incomplete tree", 6, 2, implodeIncompleteTree, 10, zip::kZipBadData, ""},
};

TEST(LegacyFaults, EachFaultFailsWithItsCode) {
  for (const Fault& f : kFaults) {
    SCOPED_TRACE(f.name);
    const Bytes z = f.build();
    const FrameDecoded d = decodeWithFrame(f.method, f.flags, z, z.size(), f.declared);
    ASSERT_FALSE(d.status.ok());
    EXPECT_EQ(d.status.error().code, f.code) << d.status.error().describe();
    if (f.outputBefore) {
      EXPECT_EQ(std::string(d.output.begin(), d.output.end()), f.outputBefore);
    }
  }
}

// ---- the frame's limits, for every frame-driven decoder ----

struct Encoded {
  const char* name;
  uint16_t method;
  uint16_t flags;
  Bytes (*encode)(const Bytes&);
};

const Encoded kMethods[] = {
    {"unshrink", 1, 0, [](const Bytes& b) { return shrinkEncode(b); }},
    {"unreduce", 3, 0, [](const Bytes& b) { return reduceEncode(b, 2); }},
    {"explode", 6, 6, [](const Bytes& b) { return implodeEncode(b, {}); }},
    {"inflate", 8, 0, [](const Bytes& b) { return zlibCompress(b, 6, 0); }},
    {"stored-heavy inflate", 8, 0, [](const Bytes& b) { return zlibCompress(b, 0, 0); }},
};

TEST(DecoderLimits, OutputStopsAtTheDeclaredSizeAndTheExtractionLimit) {
  const Bytes plain = sample(DataKind::Mixed, 100000, 42);
  for (const Encoded& m : kMethods) {
    SCOPED_TRACE(m.name);
    const Bytes z = m.encode(plain);
    // One byte short of the real size: the bytes up to the declared size, then a failure.
    FrameDecoded d = decodeWithFrame(m.method, m.flags, z, z.size(), plain.size() - 1);
    ASSERT_FALSE(d.status.ok());
    EXPECT_EQ(d.status.error().code, zip::kZipBadData);
    EXPECT_EQ(d.output, Bytes(plain.begin(), plain.end() - 1));
    // A limit for the whole extraction, shared by two entries.
    zip::TExtractLimit limit{plain.size() + 1000};
    d = decodeWithFrame(m.method, m.flags, z, z.size(), plain.size(), &limit);
    ASSERT_TRUE(d.status.ok());
    EXPECT_EQ(limit.remaining, 1000u);
    d = decodeWithFrame(m.method, m.flags, z, z.size(), plain.size(), &limit);
    ASSERT_FALSE(d.status.ok());
    EXPECT_NE(d.status.error().message.find("limit"), std::string::npos);
    EXPECT_EQ(d.output.size(), 1000u);
    // Input read in small pieces gives the same result.
    d = decodeWithFrame(m.method, m.flags, z, z.size(), plain.size(), nullptr, 7);
    ASSERT_TRUE(d.status.ok());
    EXPECT_EQ(d.output, plain);
  }
}

TEST(DecoderLimits, CancelStopsEveryDecoder) {
  const Bytes plain = sample(DataKind::Text, 200000, 7);
  for (const Encoded& m : kMethods) {
    SCOPED_TRACE(m.name);
    const Bytes z = m.encode(plain);
    bool cancel = false;
    size_t pos = 0;
    Bytes out;
    zip::TDecoderIo io;
    io.cancel = &cancel;
    io.read = [&](std::span<uint8_t> buffer) {
      const size_t n = std::min(buffer.size(), z.size() - pos);
      std::copy_n(z.begin() + static_cast<long>(pos), n, buffer.begin());
      pos += n;
      return n;
    };
    io.write = [&](std::span<const uint8_t> block) {
      out.insert(out.end(), block.begin(), block.end());
      cancel = true;  // the user cancels after the first block
      return okStatus();
    };
    zip::TDecoderFrame frame(io, z.size(), plain.size());
    const Status s = runDecoder(m.method, m.flags, frame);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().code, zip::kZipUserCanceled);
    EXPECT_LE(out.size(), 65536u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
  }
}

}  // namespace
}  // namespace riviza::test
