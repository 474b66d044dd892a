// The zip backup as an office runs it: riviza-batch sicherung on an installation that riviza-demo
// builds, its year folder holding hidden files, a name in Windows-1252 bytes (a file copied from
// Windows), umlauts, empty folders and a linked folder. The archive passes unzip -t, 7zz t,
// Python's zipfile and bsdtar, and every file comes back byte for byte: from unzip, 7zz and bsdtar
// under the Windows name's reading (its Unicode path field), from Python under its very bytes.
// The same backup as an ordinary user, on a copy of the installation the user owns with one
// folder of root's inside that the user may not read, fails, names the folder and sets no stamp.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tools.h"
#include "support/trees.h"

namespace riviza::interop {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(RIVIZA_BINARY_DIR) / "tools" / "demo" / "riviza-demo";
const fs::path kBatch = fs::path(RIVIZA_BINARY_DIR) / "tools" / "riviza-batch" / "riviza-batch";
constexpr const char* kWindowsName = "lat\xe4in.txt";  // "latäin.txt" in Windows-1252
constexpr const char* kReading = "latäin.txt";
constexpr int kNobody = 65534;

// Every entry of the archive written below `out` under the bytes of its name: zipfile decodes a
// name without the UTF-8 flag as code page 437, which gives the bytes back unchanged.
constexpr const char* kPythonExtract = R"(
import os, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
for i in z.infolist():
    raw = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
    path = os.path.join(os.fsencode(sys.argv[2]), raw)
    if raw.endswith(b'/'):
        os.makedirs(path, exist_ok=True)
        continue
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(z.read(i))
)";

class BackupInterop : public ::testing::Test {
 protected:
  BackupInterop() {
    // Others must reach the installation the ordinary user works on.
    fs::permissions(dir_.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  }

  // A demo installation in `folder` and its year folder (Daten/Abrechng/<the calendar year>),
  // with folders of its own for the lock files and the temporary archive.
  static fs::path demo(const fs::path& folder) {
    test::toolOutput({kDemo.string(), folder.string()});
    fs::create_directories(folder / "laufzeit");
    fs::create_directories(folder / "temp");
    const fs::path jahre = folder / "Daten" / "Abrechng";
    if (!fs::exists(jahre)) return {};
    const fs::directory_iterator erstes(jahre);
    return erstes == fs::directory_iterator() ? fs::path() : erstes->path();
  }

  // The year folder of the kinds a backup must keep.
  static void fill(const fs::path& year) {
    test::writeNative(year / ".versteckt", "hidden on Linux\n");
    fs::create_directories(year / ".ordner");
    test::writeNative(year / ".ordner" / "x.txt", "in a hidden folder\n");
    test::writeNative(year / "Daten" / ".notiz", "hidden beside the tables\n");
    test::writeNative(year / kWindowsName, "copied from Windows\r\n");
    fs::create_directories(year / "Prüfung");
    test::writeNative(year / "Prüfung" / "Übersicht für Ärzte.txt", test::TextBytes(30000, 4));
    fs::create_directories(year / "Leer" / "Unter");
    fs::create_directories(year / "Belege");
    test::writeNative(year / "Belege" / "scan.tif", test::RandomBytes(20000, 5));
    fs::create_directory_symlink("Belege", year / "Verweis");
  }

  // riviza-batch sicherung on the installation in `folder`, with `prefix` in front (setpriv).
  static test::ToolRun backup(const fs::path& folder, std::vector<std::string> prefix) {
    std::vector<std::string> argv = std::move(prefix);
    for (const std::string& a : {kBatch.string(), (folder / "Programm").string(), std::string("sicherung"),
                                 std::string("D:\\Sicherung"), std::string("AB")})
      argv.push_back(a);
    return test::runTool(argv, {.dir = folder / "Programm",
                                .env = {"WINEPREFIX=" + (folder / "wineprefix").string(),
                                        "XDG_RUNTIME_DIR=" + (folder / "laufzeit").string(),
                                        "TMPDIR=" + (folder / "temp").string(), "LC_ALL=C.UTF-8"}});
  }

  static std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    return names;
  }

  static bool stamped(const fs::path& year) {
    return test::readNative(year / "Abrechng.ini").find("LetzteDatensicherung=") != std::string::npos;
  }

  std::string tool(const std::vector<std::string>& argv) const {
    return test::toolOutput(argv, {.dir = dir_.path(), .env = {"LC_ALL=C.UTF-8"}});
  }

  test::TempDir dir_;
};

TEST_F(BackupInterop, EveryFileComesBackFromEveryReaderAndAnOrdinaryUserIsToldWhatIsMissing) {
  ASSERT_FALSE(test::findTool(kDemo).empty()) << "tool missing: " << kDemo;
  ASSERT_FALSE(test::findTool(kBatch).empty()) << "tool missing: " << kBatch;
  const fs::path installation = dir_ / "demo";
  const fs::path year = demo(installation);
  ASSERT_FALSE(year.empty());
  fill(year);
  const fs::path copy = dir_ / "kopie";
  fs::copy(installation, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  // What the year holds before the stamp: the links resolved, as a restore gives them.
  const fs::path bytes = dir_ / "vorher";
  fs::copy(year, bytes, fs::copy_options::recursive);
  // The year's settings go into the archive with the run's own program-access lock in them.
  fs::remove(bytes / "Abrechng.ini");
  const fs::path read = dir_ / "gelesen";
  fs::copy(bytes, read, fs::copy_options::recursive);
  fs::rename(read / kWindowsName, read / kReading);

  const test::ToolRun run = backup(installation, {});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("[Meldung] Archivierte Dateien: "), std::string::npos) << run.output;
  const std::vector<std::string> archives = namesIn(installation / "Daten" / "Sicherung");
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_TRUE(std::regex_match(archives[0], std::regex(R"(AB_\d{4}_\d\d-\d\d-\d\d_\d{6}\.ZIP)")))
      << archives[0];
  EXPECT_TRUE(stamped(year));
  EXPECT_TRUE(namesIn(installation / "temp").empty());
  const std::string archive = (installation / "Daten" / "Sicherung" / archives[0]).string();

  tool({"unzip", "-tq", archive});
  tool({"7zz", "t", "-bd", archive});
  tool({"bsdtar", "-tf", archive});
  struct Reader {
    const char* what;
    std::vector<std::string> extract;  // into the folder that follows
    const fs::path& expected;
  };
  const Reader readers[] = {
      {"unzip", {"unzip", "-q", archive, "-d"}, read},
      {"7zz", {"7zz", "x", "-bd", "-y", archive}, read},
      {"bsdtar", {"bsdtar", "-xf", archive, "-C"}, read},
      {"python", {"/usr/bin/python3", "-c", kPythonExtract, archive}, bytes},
  };
  for (const Reader& r : readers) {
    SCOPED_TRACE(r.what);
    const fs::path out = dir_ / (std::string("aus-") + r.what);
    fs::create_directories(out);
    std::vector<std::string> argv = r.extract;
    argv.push_back(std::string(r.what) == "7zz" ? "-o" + out.string() : out.string());
    tool(argv);
    EXPECT_TRUE(fs::remove(out / "Abrechng.ini"));
    EXPECT_EQ(test::CompareTrees(r.expected, out), "");
  }

  // As an ordinary user, who may not read one folder of root's.
  const fs::path copiedYear = copy / year.lexically_relative(installation);
  for (const auto& e : fs::recursive_directory_iterator(copy))
    ASSERT_EQ(::lchown(e.path().c_str(), kNobody, kNobody), 0) << e.path();
  ASSERT_EQ(::lchown(copy.c_str(), kNobody, kNobody), 0);
  fs::create_directories(copiedYear / "Gesperrt");
  test::writeNative(copiedYear / "Gesperrt" / "zertifikat.p7c", "root's alone");
  fs::permissions(copiedYear / "Gesperrt", fs::perms::owner_all);
  const std::string nobody = std::to_string(kNobody);
  const test::ToolRun refused =
      backup(copy, {"setpriv", "--reuid=" + nobody, "--regid=" + nobody, "--clear-groups"});
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_NE(refused.output.find("Datensicherung unvollständig: D:\\Sicherung\\AB_"), std::string::npos)
      << refused.output;
  EXPECT_NE(refused.output.find("Gesperrt"), std::string::npos) << refused.output;
  EXPECT_FALSE(stamped(copiedYear));
  for (const std::string& name : namesIn(copy / "Daten" / "Sicherung"))
    EXPECT_TRUE(name.ends_with("_UNVOLLSTAENDIG.ZIP")) << name;
}

}  // namespace
}  // namespace riviza::interop
