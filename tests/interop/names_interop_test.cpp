// Entry names beyond ASCII between the engine and the outside tools: archives of a Linux tree made
// by Info-ZIP zip (raw UTF-8, host Unix, no flag) and 7zz (flag bit 11) extract with the engine's
// reader to the names they had; the engine's own archive of that tree lists the same names in
// unzip, 7zz, Python's zipfile and bsdtar, and unzip extracts it to the same tree. The tools run
// under LC_ALL=C.UTF-8 so that they print what they read rather than escapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "platform/paths.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/trees.h"
#include "support/zip_extract.h"
#include "zip/kvoUnZip.h"
#include "zip/kvoZip.h"

namespace riviza::interop {
namespace {

namespace fs = std::filesystem;

// An empty folder is stored as an entry of its own; a folder with files is not.
const std::set<std::string> kNames{"Ördner leer/", "Grüße/ä ö.txt", "日本.txt", "plain.txt"};

class NamesInterop : public ::testing::Test {
 protected:
  NamesInterop() {
    const fs::path s = source();
    fs::create_directories(s / "Grüße");
    test::writeNative(s / "Grüße" / "ä ö.txt", "Umlaute und ein Leerzeichen\n");
    test::writeNative(s / "日本.txt", "not in any single-byte code page\n");
    test::writeNative(s / "plain.txt", "ascii\n");
    fs::create_directories(s / "Ördner leer");
  }
  fs::path source() const { return dir_.path() / "src"; }

  // A tool under a UTF-8 locale in the source folder; its output, the test failing on an error.
  std::string tool(const std::vector<std::string>& argv) const {
    return test::toolOutput(argv, {.dir = source(), .env = {"LC_ALL=C.UTF-8", "PYTHONIOENCODING=utf-8"}});
  }

  // The engine's reader, as the update extracts (folders created).
  void extractWithOurReader(const fs::path& archive, const fs::path& out) const {
    const test::ExtractRun run = test::ExtractAll(archive, out);
    EXPECT_EQ(run.count, 3) << archive;
    for (const auto& f : run.failures) ADD_FAILURE() << f.fileName << ": " << f.reason;
  }

  test::TempDir dir_;
};

std::set<std::string> lines(const std::string& text, const std::string& prefix = {}) {
  std::set<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with(prefix) && line.size() > prefix.size()) out.insert(line.substr(prefix.size()));
  return out;
}

TEST_F(NamesInterop, ArchivesOfOtherToolsExtractToTheirNames) {
  struct Case {
    const char* what;
    std::vector<std::string> make;
  };
  const fs::path infoZip = dir_.path() / "zip.zip", sevenZip = dir_.path() / "7zz.zip";
  const Case cases[] = {
      {"zip -r", {"zip", "-q", "-r", infoZip.string(), "."}},
      {"7zz a",
       {"7zz", "a", "-tzip", "-bd", sevenZip.string(), "Grüße", "Ördner leer", "日本.txt", "plain.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tool(c.make);
    const fs::path archive = c.make[c.make[0] == "zip" ? 3 : 4];
    const fs::path out = dir_.path() / ("ours-" + archive.stem().string());
    extractWithOurReader(archive, out);
    EXPECT_EQ(test::readNative(out / "Grüße" / "ä ö.txt"), "Umlaute und ein Leerzeichen\n");
    EXPECT_EQ(test::readNative(out / "日本.txt"), "not in any single-byte code page\n");
    EXPECT_EQ(test::CompareTrees(source(), out), "");
  }
}

TEST_F(NamesInterop, OurArchiveListsTheNamesInEveryTool) {
  const fs::path archive = dir_.path() / "ours.zip";
  zip::TZip z;
  z.SetArchiveFile(platform::pathText(archive));
  z.StoreEmptySubDirs = true;
  z.SetAttribute(zip::fsDirectory, true);
  z.FileSpec = {platform::pathText(source()) + "\\*.*"};
  ASSERT_EQ(z.Compress(), 4);
  // Comments beyond ASCII: in UTF-8 under the flag of a UTF-8 name, in the code page with the
  // Unicode comment field on an ASCII name (whose local header has no flag to agree with).
  ASSERT_EQ(z.ReadDirectoryForEdit(), 4);
  for (size_t i = 0; i < 4; ++i) {
    std::string name, comment;
    ASSERT_TRUE(z.GetEntryComment(i, name, comment));
    if (name == "Grüße\\ä ö.txt") z.SetEntryComment(i, "Prüfung bestanden");
    if (name == "plain.txt") z.SetEntryComment(i, "Größe 日本");
  }
  ASSERT_TRUE(z.WriteDirectoryEdits());

  EXPECT_EQ(lines(tool({"unzip", "-Z1", archive.string()})), kNames) << "unzip";
  EXPECT_EQ(lines(tool({"7zz", "l", "-slt", "-ba", archive.string()}), "Path = "),
            (std::set<std::string>{"Ördner leer", "Grüße/ä ö.txt", "日本.txt", "plain.txt"}))
      << "7zz";
  const char* script = R"(
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print(i.filename)
    if i.comment and i.flag_bits & 0x800:
        print('utf-8 comment ' + i.comment.decode('utf-8'))
)";
  std::set<std::string> python = lines(tool({"/usr/bin/python3", "-c", script, archive.string()}));
  EXPECT_EQ(python.erase("utf-8 comment Prüfung bestanden"), 1u) << "python";
  EXPECT_EQ(python, kNames) << "python";
  EXPECT_EQ(lines(tool({"bsdtar", "-tf", archive.string()})), kNames) << "bsdtar";

  const fs::path unzipped = dir_.path() / "unzipped";
  tool({"unzip", "-q", archive.string(), "-d", unzipped.string()});
  EXPECT_EQ(test::CompareTrees(source(), unzipped), "");
  const fs::path ours = dir_.path() / "ours";
  extractWithOurReader(archive, ours);
  EXPECT_EQ(test::CompareTrees(source(), ours), "");
  zip::TZip again;
  again.SetArchiveFile(platform::pathText(archive));
  ASSERT_EQ(again.ReadDirectoryForEdit(), 4);
  std::set<std::string> comments;
  for (size_t i = 0; i < 4; ++i) {
    std::string name, comment;
    ASSERT_TRUE(again.GetEntryComment(i, name, comment));
    if (!comment.empty()) comments.insert(name + ": " + comment);
  }
  EXPECT_EQ(comments, (std::set<std::string>{"Grüße\\ä ö.txt: Prüfung bestanden", "plain.txt: Größe 日本"}));
}

}  // namespace
}  // namespace riviza::interop
