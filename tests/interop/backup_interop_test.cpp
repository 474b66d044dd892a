// The zip backup as an office runs it: riviza-batch sicherung on a demo installation whose year
// holds hidden files, a name in Windows-1252 bytes (copied from Windows), umlauts, empty folders
// and a linked folder. The archive passes unzip -t, 7zz t, Python's zipfile and bsdtar, and each
// gives every file back byte for byte (the Windows name by its Unicode path field, Python by its
// bytes). The same as an ordinary user, on a copy the user owns with one folder of root's in it,
// fails, names the folder and sets no stamp.
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

const std::string kBin = RIVIZA_BINARY_DIR "/tools/";
// "latäin.txt" in Windows-1252 below a folder named in UTF-8, which keeps its name.
constexpr const char* kWindowsName = "Prüfung/lat\xe4in.txt";
constexpr int kNobody = 65534;

// Every entry below argv[2] under the bytes of its name (a name without the UTF-8 flag reads as
// code page 437, which gives them back).
constexpr const char* kPythonExtract = R"(
import os, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
for i in z.infolist():
    path = os.path.join(os.fsencode(sys.argv[2]), i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437'))
    os.makedirs(path if i.is_dir() else os.path.dirname(path), exist_ok=True)
    i.is_dir() or open(path, 'wb').write(z.read(i))
)";

// riviza-batch sicherung D:\Sicherung AB on the installation, after `prefix` (setpriv).
test::ToolRun backup(const fs::path& installation, std::vector<std::string> argv) {
  for (const std::string& a : {kBin + "riviza-batch/riviza-batch", (installation / "Programm").string(),
                               std::string("sicherung"), std::string("D:\\Sicherung"), std::string("AB")})
    argv.push_back(a);
  return test::runTool(argv, {.dir = installation / "Programm",
                              .env = {"WINEPREFIX=" + (installation / "wineprefix").string(),
                                      "XDG_RUNTIME_DIR=" + (installation / "laufzeit").string(),
                                      "TMPDIR=" + (installation / "laufzeit").string(), "LC_ALL=C.UTF-8"}});
}

bool stamped(const fs::path& year) {
  return test::readNative(year / "Abrechng.ini").find("LetzteDatensicherung=") != std::string::npos;
}

TEST(BackupInterop, EveryFileComesBackFromEveryReaderAndAnOrdinaryUserIsToldWhatIsMissing) {
  test::TempDir dir;
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  const fs::path installation = dir / "demo", copy = dir / "kopie";
  test::toolOutput({kBin + "demo/riviza-demo", installation.string()});
  ASSERT_TRUE(fs::exists(installation / "Daten/Abrechng"));
  const fs::path year = fs::directory_iterator(installation / "Daten/Abrechng")->path();
  fs::create_directories(installation / "laufzeit");
  for (const char* f : {".versteckt", ".ordner/x.txt", "Daten/.notiz", "Prüfung/Übersicht für Ärzte.txt"})
    dir.write((year / f).lexically_relative(dir.path()).string(), test::TextBytes(3000));
  test::writeNative(year / kWindowsName, "copied from Windows\r\n");
  dir.write((year / "Belege/scan.tif").lexically_relative(dir.path()).string(), test::RandomBytes(20000));
  fs::create_directories(year / "Leer/Unter");
  fs::create_directory_symlink("Belege", year / "Verweis");
  fs::copy(installation, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  // The year before the run, links resolved; its settings are archived with the run's own lock.
  const fs::path bytes = dir / "vorher", read = dir / "gelesen";
  fs::copy(year, bytes, fs::copy_options::recursive);
  fs::remove(bytes / "Abrechng.ini");
  fs::copy(bytes, read, fs::copy_options::recursive);
  fs::rename(read / kWindowsName, read / "Prüfung/latäin.txt");

  const test::ToolRun run = backup(installation, {});
  ASSERT_EQ(run.status, 0) << run.output;
  const std::vector<std::string> archives = test::FilesIn(installation / "Daten/Sicherung");
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_TRUE(std::regex_match(archives[0], std::regex(R"(AB_\d{4}_\d\d-\d\d-\d\d_\d{6}\.ZIP)")))
      << archives[0];
  EXPECT_TRUE(stamped(year));
  const std::string archive = (installation / "Daten/Sicherung" / archives[0]).string();
  const struct {
    std::vector<std::string> test, extract;  // the folder follows `extract`
    const fs::path& expected;
  } readers[] = {
      {{"unzip", "-tq", archive}, {"unzip", "-q", archive, "-d"}, read},
      {{"7zz", "t", "-bd", archive}, {"7zz", "x", "-bd", archive, "-o"}, read},
      {{"bsdtar", "-tf", archive}, {"bsdtar", "-xf", archive, "-C"}, read},
      {{}, {"/usr/bin/python3", "-c", kPythonExtract, archive}, bytes},
  };
  for (const auto& r : readers) {
    SCOPED_TRACE(r.extract[0]);
    const fs::path out = dir / ("aus-" + fs::path(r.extract[0]).filename().string());
    fs::create_directories(out);
    std::vector<std::string> argv = r.extract;
    if (argv.back() == "-o")
      argv.back() += out.string();
    else
      argv.push_back(out.string());
    if (!r.test.empty()) test::toolOutput(r.test, {.env = {"LC_ALL=C.UTF-8"}});
    test::toolOutput(argv, {.env = {"LC_ALL=C.UTF-8"}});
    EXPECT_TRUE(fs::remove(out / "Abrechng.ini"));
    EXPECT_EQ(test::CompareTrees(r.expected, out), "");
  }

  // An ordinary user, who may not read one folder of root's.
  const fs::path copiedYear = copy / year.lexically_relative(installation);
  for (const auto& e : fs::recursive_directory_iterator(copy))
    ASSERT_EQ(::lchown(e.path().c_str(), kNobody, kNobody), 0) << e.path();
  fs::create_directories(copiedYear / "Gesperrt");
  test::writeNative(copiedYear / "Gesperrt/zertifikat.p7c", "root's alone");
  fs::permissions(copiedYear / "Gesperrt", fs::perms::owner_all);
  const std::string nobody = std::to_string(kNobody);
  const test::ToolRun refused =
      backup(copy, {"setpriv", "--reuid=" + nobody, "--regid=" + nobody, "--clear-groups"});
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_NE(refused.output.find("Datensicherung unvollständig: D:\\Sicherung\\AB_"), std::string::npos);
  EXPECT_NE(refused.output.find(
                "Gesperrt\\: Datei kann nicht geöffnet werden (Zip 25235) (Ordner nicht lesbar: Zugriff verweigert"),
            std::string::npos)
      << refused.output;
  EXPECT_FALSE(stamped(copiedYear));
  for (const std::string& name : test::FilesIn(copy / "Daten/Sicherung"))
    EXPECT_TRUE(name.ends_with("_UNVOLLSTAENDIG.ZIP"));
}

}  // namespace
}  // namespace riviza::interop
