#include "platform/files.h"

#include <cerrno>
#include <gtest/gtest.h>

#include "platform/syscalls.h"
#include "support/temp_dir.h"

namespace riviza::platform {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;

TEST(Files, ListingIsSortedIgnoringCaseAndFilteredByMask) {
  TempDir dir;
  for (const char* n : {"b.DB", "A.db", "c.txt", "B2.db"}) dir.write(n, "1");
  dir.mkdir("Sub.db");
  std::vector<std::string> names;
  for (const auto& e : listDirectory(dir.str(), "*.db")) names.push_back(e.name + (e.isDirectory ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"A.db", "b.DB", "B2.db", "Sub.db/"}));
  EXPECT_TRUE(listDirectory(dir.str() + "/missing").empty());
  EXPECT_FALSE(directoryExists(""));
  EXPECT_FALSE(pathExists(""));
}

TEST(Files, CopyTreeKeepsEmptyFoldersAndOverwrites) {
  TempDir dir;
  dir.write("src/a.txt", "new");
  dir.write("src/sub/b.txt", "b");
  dir.mkdir("src/empty");
  dir.write("dst/a.txt", "old");
  ScopedCurrentDir cwd(dir.path());
  ASSERT_TRUE(copyTree("src", "DST").ok());
  EXPECT_EQ(dir.read("dst/a.txt"), "new");
  EXPECT_EQ(dir.read("dst/sub/b.txt"), "b");
  EXPECT_TRUE(dir.exists("dst/empty"));
  EXPECT_FALSE(copyTree("missing", "dst2").ok());
}

TEST(Files, CopyFileKeepsTheTimeAndHonoursFailIfExists) {
  struct Case {
    const char* target;  // "" for a new file
    bool failIfExists;
    bool ok;
    const char* after;
  } cases[] = {
      {"", false, true, "neu"},
      {"alt", false, true, "neu"},
      {"alt", true, false, "alt"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("a.txt", "neu");
    ASSERT_TRUE(setModifiedTime(dir.str() + "/a.txt", 1700000000).ok());
    if (*c.target) dir.write("B.txt", c.target);
    Status st = copyFile(dir.str() + "/A.TXT", dir.str() + "/b.txt", c.failIfExists);
    EXPECT_EQ(st.ok(), c.ok) << c.target << c.failIfExists;
    if (!c.ok) {
      EXPECT_EQ(st.error().code, EEXIST);
    }
    EXPECT_EQ(readFile(dir.str() + "/b.txt").valueOr(""), c.after);
    if (c.ok) {
      EXPECT_EQ(fileInfo(dir.str() + "/b.txt")->modified, 1700000000);
    }
  }
}

TEST(Files, DiskFullIsAnErrorNotAShortFile) {
  TempDir dir;
  SysCalls failing = realSysCalls();
  failing.write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  Status s = [&] {
    ScopedSysCalls scope(failing);
    return writeFile(dir.str() + "/x.bin", "data");
  }();
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().code, ENOSPC);
}

TEST(Files, InterruptedCallsAreRetried) {
  TempDir dir;
  static int interruptions;
  interruptions = 2;
  SysCalls flaky = realSysCalls();
  flaky.write = [](int fd, const void* p, size_t n) -> ssize_t {
    if (interruptions-- > 0) {
      errno = EINTR;
      return -1;
    }
    return realSysCalls().write(fd, p, n < 2 ? n : 2);  // and short writes on top
  };
  {
    ScopedSysCalls scope(flaky);
    ASSERT_TRUE(writeFile(dir.str() + "/x.bin", "abcdefg").ok());
  }
  EXPECT_EQ(dir.read("x.bin"), "abcdefg");
}

// The reason of a failure reads German whatever LANG says, with the path as the user sees it.
TEST(Files, FailuresNameWhatWasDoneAndWhyInGerman) {
  TempDir dir, prefix;
  dir.write("Export", "eine Datei, kein Ordner");
  prefix.mkdir("dosdevices");
  test::ScopedEnv env("WINEPREFIX", prefix.str());
  struct Case {
    const char* what;
    Status status;
    int code;
    std::string message;
  } cases[] = {
      {"folder under a file", forceDirectories(dir.str() + "\\Export\\2024"), ENOTDIR,
       "Ordner anlegen " + dir.str() + "/Export/2024: Ist kein Ordner (errno 20)"},
      {"missing file", Status(File::open(dir.str() + "\\fehlt.txt", File::Mode::Read).error()), ENOENT,
       "Öffnen " + dir.str() + "/fehlt.txt: Datei oder Ordner nicht gefunden (errno 2)"},
      {"drive mapping nowhere", forceDirectories("E:\\Export"), ENODEV,
       "Ordner anlegen E:\\Export: Laufwerk oder Gerät nicht vorhanden (errno 19)"},
      {"rename of a missing file", renamePath(dir.str() + "\\a.txt", "D:\\b.txt"), ENOENT,
       "Umbenennen " + dir.str() + "/a.txt -> D:\\b.txt: Datei oder Ordner nicht gefunden (errno 2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_FALSE(c.status.ok());
    EXPECT_EQ(c.status.error().code, c.code);
    EXPECT_EQ(c.status.error().message, c.message);
  }
  // The refused drive did not become a folder of the prefix.
  EXPECT_FALSE(prefix.exists("dosdevices/e:"));
}

TEST(Files, ReadExactFailsOnShortFile) {
  TempDir dir;
  dir.write("f", "abc");
  auto f = File::open(dir.str() + "/f", File::Mode::Read);
  ASSERT_TRUE(f.ok());
  char buf[8];
  EXPECT_FALSE(f->readExact(buf, 4).ok());
  EXPECT_FALSE(File::open(dir.str() + "/nope", File::Mode::Read).ok());
  EXPECT_FALSE(File::open(dir.str(), File::Mode::Read).ok());  // a folder is not a file
}

}  // namespace
}  // namespace riviza::platform
