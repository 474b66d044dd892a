// The command-line tools as their users meet them: kvozip on files that are no archive, cut
// short or fine with a long comment, a jar, entries sharing their data or without a name, its
// counts, its option errors and --help, extraction failures that name the path and the system's
// reason, folder entries created on extraction; kosttr-lesen refusing folders that do not exist
// without creating anything.
#include "support/tools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/zip_archive.h"

namespace riviza::interop {
namespace {

namespace fs = std::filesystem;

const fs::path kKvozip = fs::path(RIVIZA_BINARY_DIR) / "tools" / "kvozip" / "kvozip";
const fs::path kKosttrLesen = fs::path(RIVIZA_BINARY_DIR) / "tools" / "kosttr-lesen" / "kosttr-lesen";

class Tools : public ::testing::Test {
 protected:
  Tools() {
    test::writeNative(dir_ / "a.txt", "a\n");
    test::writeNative(dir_ / "b.txt", "b\n");
    test::writeNative(dir_ / "c.txt", "c\n");
    fs::create_directories(dir_ / "tree" / "leer");
    test::writeNative(dir_ / "tree" / "x.txt", "x\n");
  }
  test::ToolRun kvozip(std::vector<std::string> args) const {
    args.insert(args.begin(), kKvozip.string());
    return test::runTool(args, {.dir = dir_.path()});
  }
  fs::path path(const std::string& rel) const { return dir_ / rel; }

  test::TempDir dir_;
};

// Every case: the exit status and words its output must hold.
struct Case {
  const char* what;
  std::vector<std::string> args;
  int status;
  std::vector<std::string> says;
};

void expectRun(const test::ToolRun& r, const Case& c) {
  SCOPED_TRACE(c.what);
  EXPECT_EQ(r.status, c.status) << r.output;
  EXPECT_EQ(r.output.find('\\'), std::string::npos) << "an engine path in:\n" << r.output;
  for (const std::string& s : c.says)
    EXPECT_NE(r.output.find(s), std::string::npos) << s << " in:\n" << r.output;
}

TEST_F(Tools, KvozipSaysWhatItDidAndWhatWasWrong) {
  ASSERT_FALSE(test::findTool(kKvozip).empty()) << "tool missing: " << kKvozip;
  test::writeNative(path("text.zip"), "no archive at all\n");
  test::toolOutput({"zip", "-q", "-r", "whole.zip", "a.txt", "tree"}, {.dir = dir_.path()});
  const std::string whole = test::readNative(path("whole.zip"));
  test::writeNative(path("cut.zip"), whole.substr(0, whole.size() - 30));
  test::writeNative(path("comment.txt"), std::string(40000, 'k'));
  test::writeNative(path("commented.zip"), whole);
  test::toolOutput({"zip", "-q", "-z", "commented.zip"},
                   {.dir = dir_.path(), .stdinFile = path("comment.txt")});
  test::writeNative(path("blocker"), "a file where the target folder should be");
  fs::create_directories(path("ordner.zip"));
  test::writeNative(path("lib.jar"), whole);
  test::ZipEntrySpec shared{"b.bin", "bytes", 0};
  shared.dataOf = 0;
  test::WriteZip(path("shared.zip"), {{"a.bin", "bytes", 0}, shared});
  test::WriteZip(path("noname.zip"), {{"", "x"}});
  const Case cases[] = {
      {"add one", {"add", "n1.zip", "a.txt"}, 0, {"1 entry added, 0 failed"}},
      {"add two", {"add", "n2.zip", "a.txt", "b.txt"}, 0, {"2 entries added, 0 failed"}},
      {"add three", {"add", "n3.zip", "a.txt", "b.txt", "c.txt"}, 0, {"3 entries added, 0 failed"}},
      {"add again", {"add", "n3.zip", "tree"}, 0, {"2 entries added, 0 failed"}},  // tree/x.txt, tree/leer/
      {"list one entry", {"list", "n1.zip"}, 0, {"1 entry\n"}},
      {"list no archive", {"list", "text.zip"}, 1, {"text.zip: not a zip archive"}},
      {"list cut short", {"list", "cut.zip"}, 1, {"cut.zip: truncated or damaged"}},
      {"test cut short", {"test", "cut.zip"}, 1, {"cut.zip: truncated or damaged"}},
      {"list behind a long comment", {"list", "commented.zip"}, 0, {"4 entries"}},  // zip keeps tree/
      {"list a jar", {"list", "lib.jar"}, 0, {"4 entries"}},
      {"test a jar", {"test", "lib.jar"}, 0, {"2 files tested right, 0 failed"}},
      {"test entries sharing their data",
       {"test", "shared.zip"},
       1,
       {"b.bin: its bytes (offset 0 to 40) overlap those of entry \"a.bin\" (possible zip bomb) [25905]",
        "1 file tested right, 1 failed"}},
      {"test an entry without a name",
       {"test", "noname.zip"},
       1,
       {"entry 1 of the directory has no name [25910]", "0 of 1 entry tested right"}},
      {"list missing", {"list", "fehlt.zip"}, 1, {"fehlt.zip: no such file"}},
      {"list a folder", {"list", "ordner.zip"}, 1, {"ordner.zip: a folder, not an archive"}},
      // The engine's detail comes with Linux paths as well.
      {"add onto a folder",
       {"add", "ordner.zip", "a.txt"},
       1,
       {path("ordner.zip").string() + ": Ist ein Ordner (errno 21))", "0 entries added, 1 failed"}},
      {"extract below a file",
       {"extract", "whole.zip", "blocker/out"},
       1,
       {"cannot create " + path("blocker/out/a.txt").string() + ": Not a directory [", "4 failed"}},
      {"help", {"--help"}, 0, {"usage:", "kvozip add ARCHIVE"}},
      {"help of a command", {"add", "--help"}, 0, {"usage:"}},
      {"bad --aes value",
       {"add", "x.zip", "a.txt", "-p", "pw", "--aes", "100"},
       2,
       {"--aes takes 128, 192 or 256, not 100", "usage:"}},
      {"--aes without -p", {"add", "x.zip", "a.txt", "--aes", "128"}, 2, {"--aes needs -p PASSWORD"}},
      {"-p without its value", {"test", "whole.zip", "-p"}, 2, {"-p needs a password"}},
      {"unknown option", {"list", "whole.zip", "-v"}, 2, {"unknown option -v"}},
      {"too many words", {"list", "whole.zip", "more"}, 2, {"list takes an archive, not 2 arguments"}},
      {"unknown command", {"zap"}, 2, {"unknown command zap"}},
  };
  for (const Case& c : cases) expectRun(kvozip(c.args), c);
  EXPECT_FALSE(fs::exists(path("x.zip")));
  // The archive's folder entries are created, as unzip does.
  expectRun(kvozip({"extract", "whole.zip", "out"}), {"extract", {}, 0, {"2 files extracted, 0 failed"}});
  EXPECT_TRUE(fs::is_directory(path("out/tree/leer")));
  EXPECT_EQ(test::readNative(path("out/tree/x.txt")), "x\n");
}

TEST_F(Tools, KosttrLesenRefusesFoldersThatDoNotExist) {
  ASSERT_FALSE(test::findTool(kKosttrLesen).empty()) << "tool missing: " << kKosttrLesen;
  fs::create_directories(path("jahr/Kosttr"));
  fs::create_directories(path("programm"));
  const Case cases[] = {
      {"no year folder", {"fehlt", "programm"}, 2, {"YEARFOLDER fehlt: no such folder"}},
      {"no program folder", {"jahr", "fehlt"}, 2, {"PROGRAMFOLDER fehlt: no such folder"}},
      {"both", {"jahr", "programm"}, 0, {"Kosttr300: 0", "Kosttr302: 0", "Kosttr105: 0"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv{kKosttrLesen.string()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    expectRun(test::runTool(argv, {.dir = dir_.path()}), c);
    EXPECT_FALSE(fs::exists(path("fehlt"))) << c.what;
    EXPECT_EQ(fs::exists(path("programm/Temp")), c.status == 0) << c.what;
  }
}

}  // namespace
}  // namespace riviza::interop
