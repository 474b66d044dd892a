#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "platform/syscalls.h"
#include "support/refused_opens.h"
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

TEST(Files, ListingReportsWhatItCannotRead) {
  TempDir dir;
  dir.write("datei", "1");
  dir.mkdir("fremd");
  dir.mkdir("ordner/echt");
  std::filesystem::create_symlink("fehlt", dir / "ordner/lose");
  std::filesystem::create_directory_symlink("echt", dir / "ordner/verweis");
  const test::ScopedRefusedOpens refused({"/fremd"});
  struct Case {
    const char* what;
    std::string folder;
    int code;
  } cases[] = {
      {"folder of another user", dir.str() + "/fremd", EACCES},
      {"missing folder", dir.str() + "/fehlt", ENOENT},
      {"a file", dir.str() + "/datei", ENOTDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto listed = readDirectory(c.folder);
    ASSERT_FALSE(listed.ok());
    EXPECT_EQ(listed.error().code, c.code);
    EXPECT_NE(listed.error().message.find(c.folder), std::string::npos) << listed.error().message;
    EXPECT_TRUE(listDirectory(c.folder).empty());
  }
  auto listed = readDirectory(dir.str() + "/ordner");
  ASSERT_TRUE(listed.ok());
  std::vector<std::string> seen;
  for (const DirEntry& e : *listed)
    seen.push_back(e.name + (e.isDirectory ? "/" : "") + (e.isLink ? " link" : "") +
                   (e.error ? " " + std::to_string(e.error) : ""));
  EXPECT_EQ(seen,
            (std::vector<std::string>{"echt/", "lose link " + std::to_string(ENOENT), "verweis/ link"}));
  seen.clear();
  for (const DirEntry& e : listDirectory(dir.str() + "/ordner")) seen.push_back(e.name);
  EXPECT_EQ(seen, (std::vector<std::string>{"echt", "verweis"}));  // the link without a target left out
}

// What copyTree cannot copy is named, each entry once, while the rest is copied; a target inside
// the source is refused with nothing made.
TEST(Files, CopyTreeNamesEveryEntryItCouldNotCopy) {
  struct Case {
    const char* what;
    std::function<void(const TempDir&)> prepare;
    std::vector<std::string> refused;  // path ends whose opens fail
    std::string target;
    int code;
    std::vector<std::string> named;   // in the message
    std::vector<std::string> copied;  // below the target
    std::vector<std::string> absent;  // below the data folder
  };
  const Case cases[] = {
      {"unreadable folder and file",
       [](const TempDir&) {},
       {"/Zertifikate", "/sub/geheim.txt"},
       "dst",
       EACCES,
       {"Zertifikate", "geheim.txt"},
       {"a.txt", "sub/ok.txt", "leer"},
       {"dst/Zertifikate", "dst/sub/geheim.txt"}},
      {"link back to a folder being copied",
       [](const TempDir& d) { std::filesystem::create_directory_symlink("..", d / "src/sub/zurueck"); },
       {},
       "dst",
       ELOOP,
       {"zurueck"},
       {"a.txt", "sub/ok.txt", "sub/geheim.txt", "Zertifikate/z.txt"},
       {"dst/sub/zurueck"}},
      {"target inside the source",
       [](const TempDir&) {},
       {},
       "src/sub/kopie",
       EINVAL,
       {"the target lies inside the source"},
       {},
       {"src/sub/kopie"}},
      {"target is the source",
       [](const TempDir&) {},
       {},
       "src",
       EINVAL,
       {"the target lies inside the source"},
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("src/a.txt", "a");
    dir.write("src/Zertifikate/z.txt", "z");
    dir.write("src/sub/geheim.txt", "g");
    dir.write("src/sub/ok.txt", "ok");
    dir.mkdir("src/leer");
    c.prepare(dir);
    Status st = [&] {
      const test::ScopedRefusedOpens refused(c.refused);
      return copyTree(dir.str() + "/src", dir.str() + "/" + c.target);
    }();
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().code, c.code);
    for (const std::string& n : c.named) {
      EXPECT_NE(st.error().message.find(n), std::string::npos) << n << "\n" << st.error().message;
    }
    EXPECT_EQ(std::count(st.error().message.begin(), st.error().message.end(), '\n') + 1,
              static_cast<long>(c.named.size()))
        << st.error().message;
    for (const std::string& f : c.copied) EXPECT_TRUE(dir.exists(c.target + "/" + f)) << f;
    for (const std::string& f : c.absent) EXPECT_FALSE(dir.exists(f)) << f;
  }
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
