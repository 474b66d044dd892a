// TZip's switches on existing archives: adding keeps old entries byte for byte (stubs and
// comments too), delete, refresh, move, read, the duplicate rules with their error code, comments
// and directory edits, OnRead.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/codec.h"
#include "platform/paths.h"
#include "zip/core_test_support.h"
#include "zip/kvoErrors.h"
#include "zip/writer_support.h"

namespace riviza::zip {
namespace {

using namespace writertest;

// The bytes of each entry from its local header to the end of its data, by name.
std::map<std::string, std::string> entryBytes(const std::string& archive) {
  std::map<std::string, std::string> out;
  for (const auto& e : ParseZip(archive).entries) {
    const uint64_t start = e.dataOffset - TLocalHeader::kSize - e.local.name.size() - e.local.extra.size();
    out[e.name] = archive.substr(start, e.dataOffset + e.central.compressedSize - start);
  }
  return out;
}

std::vector<std::string> namesOf(const std::string& archive) {
  std::vector<std::string> out;
  for (const auto& e : ParseZip(archive).entries) out.push_back(e.name);
  return out;
}

class WriterSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("src/a.txt", TextBytes(5000, 1));
    dir_.write("src/sub/b.txt", TextBytes(7000, 2));
    dir_.write("src/c.bin", RandomBytes(3000, 3));
  }
  // A writer over src with the given switch.
  void prepare(TZip& zip, TSwitch sw) {
    errors_.clear();
    SetUpZip(zip, archive(), dir_ / "src", dir_.mkdir("tmp"), errors_);
    zip.Switch = sw;
  }
  int run(TSwitch sw) {
    TZip zip;
    prepare(zip, sw);
    return zip.Compress();
  }
  fs::path archive() const { return dir_ / "a.zip"; }
  std::string bytes() const { return dir_.read("a.zip"); }

  test::TempDir dir_;
  std::vector<int> errors_;
};

TEST_F(WriterSwitch, AddingToAnArchiveKeepsItsEntriesByteForByte) {
  // One archive of this writer, one with a stub in front and a comment from another builder.
  const std::string foreign =
      BuildZip({{"alt/x.txt", TextBytes(900, 9)}, {"y.bin", "yy", 0}}, {"MZ-stub-bytes", true, "Kommentar"});
  for (const std::string& start : {std::string(), foreign}) {
    SCOPED_TRACE(start.empty() ? "own" : "foreign");
    fs::remove(archive());
    if (start.empty()) {
      ASSERT_EQ(run(swAdd), 3);
    } else {
      test::writeNative(archive(), start);
    }
    const std::string before = bytes();
    const auto old = entryBytes(before);
    dir_.write("src/neu.txt", "neu");
    const int count = run(swAdd);
    EXPECT_EQ(count, static_cast<int>(old.size()) + (start.empty() ? 1 : 4));
    const std::string after = bytes();
    const auto now = entryBytes(after);
    for (const auto& [name, entry] : old) EXPECT_EQ(now.at(name), entry) << name;
    EXPECT_TRUE(now.count("neu.txt"));
    if (!start.empty()) {
      EXPECT_EQ(after.substr(0, 13), "MZ-stub-bytes");
      EXPECT_EQ(after.substr(after.size() - 9), "Kommentar");
    }
    EXPECT_EQ(ExtractAll(archive(), dir_ / "out").failures.size(), 0u);
    fs::remove(dir_ / "src/neu.txt");
    fs::remove_all(dir_ / "out");
  }
}

TEST_F(WriterSwitch, DeleteSelectedEntriesAndAllOfThem) {
  ASSERT_EQ(run(swAdd), 3);
  TZip zip;
  prepare(zip, swDelete);
  zip.FileSpec = {"*.txt"};
  std::vector<std::tuple<std::string, int, int>> deleted;
  zip.OnDeleteFile = [&](const std::string& name, int count, int max) {
    deleted.emplace_back(name, count, max);
  };
  EXPECT_EQ(zip.Compress(), 3);
  EXPECT_EQ(namesOf(bytes()), std::vector<std::string>{"c.bin"});
  EXPECT_EQ(deleted, (std::vector<std::tuple<std::string, int, int>>{{"a.txt", 1, 2}, {"sub\\b.txt", 2, 2}}));
  zip.FileSpec = {"*.*"};
  EXPECT_EQ(zip.Compress(), 1);
  EXPECT_EQ(bytes(), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  fs::remove(archive());
  zip.FileSpec = {"*.*"};
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(errors_, std::vector<int>{kZipNothingToDoArchive});
}

TEST_F(WriterSwitch, RefreshReplacesNewerFilesOnly) {
  ASSERT_EQ(run(swAdd), 3);
  const auto before = entryBytes(bytes());
  dir_.write("src/a.txt", "neuer Inhalt");
  fs::last_write_time(dir_ / "src/a.txt", fs::last_write_time(dir_ / "src/a.txt") + std::chrono::seconds(5));
  dir_.write("src/sub/b.txt", "aelter");
  fs::last_write_time(dir_ / "src/sub/b.txt", fs::file_time_type::clock::now() - std::chrono::hours(48));
  dir_.write("src/d.txt", "not in the archive");
  EXPECT_EQ(run(swRefresh), 3);
  const auto after = entryBytes(bytes());
  EXPECT_EQ(after.size(), 3u);  // d.txt is not added
  EXPECT_NE(after.at("a.txt"), before.at("a.txt"));
  EXPECT_EQ(after.at("sub/b.txt"), before.at("sub/b.txt"));
  EXPECT_EQ(after.at("c.bin"), before.at("c.bin"));
}

TEST_F(WriterSwitch, MoveDeletesWhatTheArchiveHolds) {
  ASSERT_EQ(run(swAdd), 3);
  dir_.write("src/c.bin", "changed, so the archive keeps another version");
  dir_.write("src/new.txt", "new");
  TZip zip;
  prepare(zip, swMove);
  zip.DeleteOptions = doFinal;
  zip.VerifyBeforeDelete = true;
  std::vector<std::string> deleted;
  zip.OnDeleteFile = [&](const std::string& name, int, int) {
    deleted.push_back(platform::extractFileName(name));
  };
  EXPECT_EQ(zip.Compress(), 4);
  EXPECT_EQ(errors_, std::vector<int>{kZipEventNotAssigned});  // c.bin differs: OnReplaceFile
  std::sort(deleted.begin(), deleted.end());
  EXPECT_EQ(deleted, (std::vector<std::string>{"a.txt", "b.txt", "new.txt"}));
  EXPECT_TRUE(dir_.exists("src/c.bin"));  // never deleted while the archive has another version
  EXPECT_FALSE(dir_.exists("src/a.txt"));
}

TEST_F(WriterSwitch, ReadListsTheDirectory) {
  ASSERT_EQ(run(swAdd), 3);
  const std::string before = bytes();
  TZip zip;
  prepare(zip, swRead);
  std::vector<std::pair<std::string, int64_t>> read;
  zip.OnRead = [&](int64_t offset, int) { read.emplace_back(zip.ReadEntry.fileName, offset); };
  EXPECT_EQ(zip.Compress(), 3);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0], std::make_pair(std::string("a.txt"), int64_t{0}));
  EXPECT_EQ(bytes(), before);
}

TEST_F(WriterSwitch, DuplicatesFollowTheRules) {
  ASSERT_EQ(run(swAdd), 3);
  const std::string first = bytes();
  // The same files again within the same second: kept, nothing written.
  EXPECT_EQ(run(swAdd), 3);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(bytes(), first);
  // A changed file without OnReplaceFile: reported, the old entry kept and counted.
  const auto stamp = fs::last_write_time(dir_ / "src/a.txt");
  dir_.write("src/a.txt", "anders");
  fs::last_write_time(dir_ / "src/a.txt", stamp);
  EXPECT_EQ(run(swAdd), 3);
  EXPECT_EQ(errors_, std::vector<int>{kZipEventNotAssigned});
  EXPECT_EQ(bytes(), first);
  // OnReplaceFile replaces it; OnRenameDupeFile adds an equal file under another name.
  TZip zip;
  prepare(zip, swAdd);
  zip.OnReplaceFile = [](const std::string&, const std::string&, double, double, int64_t, int64_t, int, int,
                         bool& replace) { replace = true; };
  zip.OnRenameDupeFile = [](const std::string& file, std::string& newName, bool& rename) {
    rename = platform::extractFileName(file) == "c.bin";
    newName = "c-kopie.bin";
  };
  EXPECT_EQ(zip.Compress(), 5);  // a.txt dropped and added, b kept, c kept and added as a copy
  auto out = ExtractAll(archive(), dir_ / "out");
  EXPECT_EQ(out.count, 4);
  EXPECT_EQ(dir_.read("out/a.txt"), "anders");
  EXPECT_EQ(dir_.read("out/c-kopie.bin"), dir_.read("src/c.bin"));
}

TEST_F(WriterSwitch, TwoFilesOfOneStoredNameInOneRun) {
  dir_.write("src/A.TXT", "upper case twin");
  ASSERT_EQ(run(swAdd), 3);
  EXPECT_EQ(errors_, std::vector<int>{kZipEventNotAssigned});
  TZip zip;
  prepare(zip, swAdd);
  fs::remove(archive());
  EXPECT_EQ(zip.Compress(), 3);
  ASSERT_EQ(zip.Failures().size(), 1u);
  EXPECT_EQ(platform::foldCase(platform::extractFileName(zip.Failures()[0].fileName)), "a.txt");
  EXPECT_EQ(zip.Failures()[0].code, kZipEventNotAssigned);
}

TEST_F(WriterSwitch, CommentsAndDirectoryEdits) {
  ASSERT_EQ(run(swAdd), 3);
  TZip zip;
  prepare(zip, swAdd);
  ASSERT_EQ(zip.ReadDirectoryForEdit(), 3);
  zip.SetArchiveComment("Datensicherung März");
  zip.SetEntryComment(2, "Unterordner");
  zip.SetEntryComment(7, "ignored");
  ASSERT_TRUE(zip.WriteDirectoryEdits());
  const std::string edited = bytes();
  EXPECT_EQ(edited.substr(edited.size() - 19), "Datensicherung M\xE4rz");
  const auto entries = ParseZip(edited).entries;
  EXPECT_EQ(entries[2].comment.size(), 11);
  EXPECT_EQ(ExtractAll(archive(), dir_ / "out").count, 3);
  TZip again;
  prepare(again, swAdd);
  ASSERT_EQ(again.ReadDirectoryForEdit(), 3);
  EXPECT_EQ(again.GetArchiveComment(), "Datensicherung März");
  std::string name, comment;
  ASSERT_TRUE(again.GetEntryComment(2, name, comment));
  EXPECT_EQ(name, "sub\\b.txt");
  EXPECT_EQ(comment, "Unterordner");
  // Adding keeps the comments.
  dir_.write("src/z.txt", "z");
  EXPECT_EQ(run(swAdd), 4);
  EXPECT_EQ(bytes().substr(bytes().size() - 19), "Datensicherung M\xE4rz");
}

// A comment longer than the 32 KiB in which the end record is looked for hides that record: the
// archive is then walked by its local headers, and adding to it keeps the comment all the same.
TEST_F(WriterSwitch, AddingKeepsCommentsOfEveryLength) {
  for (size_t length : {size_t{1000}, size_t{40000}, size_t{65535}}) {
    for (bool foreign : {false, true}) {
      SCOPED_TRACE(std::to_string(length) + (foreign ? " foreign" : " own"));
      std::string comment;
      for (int i = 0; comment.size() < length; ++i) comment += "Sicherung " + std::to_string(i) + "; ";
      comment.resize(length);
      fs::remove(archive());
      fs::remove(dir_ / "src/neu.txt");
      if (foreign) {
        test::writeNative(archive(), BuildZip({{"alt.txt", TextBytes(900, 9)}}, {"", false, comment}));
      } else {
        ASSERT_EQ(run(swAdd), 3);
        TZip zip;
        prepare(zip, swAdd);
        ASSERT_EQ(zip.ReadDirectoryForEdit(), 3);
        zip.SetArchiveComment(comment);
        ASSERT_TRUE(zip.WriteDirectoryEdits());
      }
      const size_t entries = ParseZip(bytes()).entries.size();
      dir_.write("src/neu.txt", "neu");
      ASSERT_GT(run(swAdd), 0);
      const std::string after = bytes();
      EXPECT_EQ(ParseZip(after).entries.size(), foreign ? entries + 4 : entries + 1);
      ASSERT_GE(after.size(), length + 2);
      const std::string lengthField{static_cast<char>(length & 0xFF), static_cast<char>(length >> 8)};
      EXPECT_EQ(after.substr(after.size() - length - 2), lengthField + comment);  // the end record's tail
      TZip again;
      prepare(again, swAdd);
      again.ReadDirectoryForEdit();
      EXPECT_EQ(again.GetArchiveComment(), comment);
    }
  }
}

TEST_F(WriterSwitch, OnReadForEachAddedEntry) {
  TZip zip;
  prepare(zip, swAdd);
  zip.EncryptionMethod = emZIP_v2;
  zip.Password = "pw";
  std::vector<std::pair<std::string, uint64_t>> read;
  zip.OnRead = [&](int64_t, int) { read.emplace_back(zip.ReadEntry.fileName, zip.ReadEntry.compressedSize); };
  ASSERT_EQ(zip.Compress(), 3);
  const auto entries = ParseZip(bytes()).entries;
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[2].first, "sub\\b.txt");
  EXPECT_EQ(read[2].second + 12, entries[2].central.compressedSize);
}

}  // namespace
}  // namespace riviza::zip
