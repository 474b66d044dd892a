// The frame-driven decoders on archives other programs wrote (shared test data): every legacy and
// Deflate64 entry decodes to its stored size and CRC; the malformed Deflate64 archives fail
// cleanly.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "zip/decoders_support.h"

namespace riviza::test {
namespace {

std::string archive(const char* name) { return testData(std::string("zip/") + name).string(); }

struct Archive {
  const char* file;
  uint16_t method;
  size_t entries;
};

const Archive kArchives[] = {
    {"SHRUNK.ZIP", 1, 2},
    {"legacy-shrink.zip", 1, 1},
    {"legacy-reduce.zip", 5, 1},
    {"legacy-implode.zip", 6, 1},
    {"imploding-4Kdict-2trees.zip", 6, 1},
    {"imploding-8Kdict-3trees.zip", 6, 1},
    {"lorem-ipsum-implode.zip", 6, 1},
    {"lorem-ipsum-deflate64.zip", 9, 1},
    {"COMPRESS-380.zip", 9, 1},
};

TEST(DecodersTestData, EntriesDecodeToTheirSizeAndCrc) {
  for (const Archive& a : kArchives) {
    SCOPED_TRACE(a.file);
    const auto entries = readZipEntries(archive(a.file));
    ASSERT_EQ(entries.size(), a.entries);
    for (const ZipEntry& e : entries) {
      SCOPED_TRACE(e.name);
      EXPECT_EQ(e.method, a.method);
      const FrameDecoded d = decodeEntry(e);
      ASSERT_TRUE(d.status.ok()) << d.status.error().describe();
      EXPECT_EQ(d.output.size(), e.uncompressedSize);
      EXPECT_EQ(zlibCrc32(d.output), e.crc);
    }
  }
}

TEST(DecodersTestData, Compress380MatchesItsInput) {
  const auto entries = readZipEntries(archive("COMPRESS-380.zip"));
  ASSERT_EQ(entries.size(), 1u);
  const FrameDecoded d = decodeEntry(entries[0]);
  ASSERT_TRUE(d.status.ok());
  EXPECT_EQ(d.output, readFileBytes(archive("COMPRESS-380-input")));
}

TEST(DecodersTestData, MalformedDeflate64FailsCleanly) {
  for (const char* file : {"deflate64_index_out_of_bounds.zip", "deflate64_issue_25.zip"}) {
    SCOPED_TRACE(file);
    const auto entries = readZipEntries(archive(file));
    ASSERT_FALSE(entries.empty());
    for (const ZipEntry& e : entries) {
      const FrameDecoded d = decodeEntry(e);
      EXPECT_FALSE(d.status.ok());
      EXPECT_LE(d.output.size(), e.uncompressedSize);
    }
  }
}

}  // namespace
}  // namespace riviza::test
