// Kept folder names: lookups stay right when other programs change a folder behind the layer's
// back, a burst of new files reads its folder once, an overflowing event queue starts afresh,
// and threads share the cache.
#include "platform/foldernames.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace riviza::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedCurrentDir;
using test::TempDir;

// Every change is made with plain system calls, as another program would make it.
TEST(FolderNames, LookupsFollowChangesMadeOutsideTheLayer) {
  struct Case {
    const char* what;
    std::vector<const char*> files;  // before
    const char* lookup;              // path text, looked up before and after the change
    const char* before;              // native result before the change
    std::function<void(const TempDir&)> change;
    const char* after;
  } cases[] = {
      {"a twin in another case appears",
       {"Daten/x.db"},
       "daten\\ANN.DB",
       "Daten/ANN.DB",
       [](const TempDir& d) { d.write("Daten/Ann.db", "1"); },
       "Daten/Ann.db"},
      {"the file goes",
       {"Daten/Ann.db"},
       "DATEN\\ann.DB",
       "Daten/Ann.db",
       [](const TempDir& d) { fs::remove(d / "Daten/Ann.db"); },
       "Daten/ann.DB"},
      {"the file is renamed to another case",
       {"Daten/Ann.db"},
       "daten\\ann.db",
       "Daten/Ann.db",
       [](const TempDir& d) { fs::rename(d / "Daten/Ann.db", d / "Daten/ANN.DB"); },
       "Daten/ANN.DB"},
      {"the folder is removed and made again",
       {"Daten/a.db"},
       "daten\\A.DB",
       "Daten/a.db",
       [](const TempDir& d) {
         fs::remove_all(d / "Daten");
         d.write("Daten/A.db", "1");
       },
       "Daten/A.db"},
      {"another folder is moved into its place",
       {"Daten/x.db", "Neu/X.DB"},
       "daten\\x.Db",
       "Daten/x.db",
       [](const TempDir& d) {
         fs::rename(d / "Daten", d / "Alt");
         fs::rename(d / "Neu", d / "Daten");
       },
       "Daten/X.DB"},
      {"a folder appears in the path",
       {"x"},
       "DATEN\\Ann.db",
       "DATEN/Ann.db",
       [](const TempDir& d) { d.write("daten/ANN.db", "1"); },
       "daten/ANN.db"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const char* f : c.files) dir.write(f, "1");
    ScopedCurrentDir cwd(dir.path());
    EXPECT_EQ(nativePath(c.lookup), fs::path(c.before)) << c.what;
    c.change(dir);
    EXPECT_EQ(nativePath(c.lookup), fs::path(c.after)) << c.what;
  }
}

TEST(FolderNames, OfSeveralTwinsTheSmallestIsFound) {
  TempDir dir;
  for (const char* f : {"b.txt", "B.txt", "B.TXT"}) dir.write(f, "1");
  EXPECT_EQ(findNameIgnoringCase(dir.path(), "b.Txt"), "B.TXT");
  fs::remove(dir / "B.TXT");
  EXPECT_EQ(findNameIgnoringCase(dir.path(), "b.Txt"), "B.txt");
  EXPECT_EQ(findNameIgnoringCase(dir / "fehlt", "b.txt"), std::nullopt);
}

TEST(FolderNames, ABurstOfNewFilesReadsTheFolderOnce) {
  TempDir dir;
  if (!keepsNamesOf(dir.path())) GTEST_SKIP() << dir.str() << " is not on a local file system";
  const uint64_t reads = folderReads();
  for (int i = 0; i < 1000; ++i) {
    const std::string name = dir.str() + "\\Datei" + std::to_string(i) + ".TXT";
    ASSERT_TRUE(writeFile(name, "x").ok());
    ASSERT_TRUE(fileExists(dir.str() + "/datei" + std::to_string(i) + ".txt"));
  }
  EXPECT_EQ(folderReads(), reads);
  EXPECT_EQ(listDirectory(dir.str()).size(), 1000u);
}

TEST(FolderNames, AnOverflowingQueueStartsAfresh) {
  TempDir dir;
  if (!keepsNamesOf(dir.path())) GTEST_SKIP() << dir.str() << " is not on a local file system";
  int queueLength = 16384;
  if (FILE* f = std::fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
    if (std::fscanf(f, "%d", &queueLength) != 1) queueLength = 16384;
    std::fclose(f);
  }
  if (queueLength > 100000) GTEST_SKIP() << "the event queue holds " << queueLength << " events";
  // Each rename queues two events; the folder stays small, so the queue fills quickly.
  dir.write("f0", "1");
  const int renames = queueLength / 2 + 100;
  for (int i = 0; i < renames; ++i) {
    const fs::path from = dir.path() / ("f" + std::to_string(i)),
                   to = dir.path() / ("f" + std::to_string(i + 1));
    ASSERT_EQ(::rename(from.c_str(), to.c_str()), 0);
  }
  const uint64_t reads = folderReads();
  EXPECT_EQ(findNameIgnoringCase(dir.path(), "F" + std::to_string(renames)), "f" + std::to_string(renames));
  EXPECT_GT(folderReads(), reads);
}

TEST(FolderNames, ThreadsCreateAndFindInOneFolder) {
  TempDir dir;
  constexpr int kThreads = 4, kFiles = 300;
  std::vector<int> missing(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kFiles; ++i) {
        const std::string name = "T" + std::to_string(t) + "_" + std::to_string(i);
        if (!writeFile(dir.str() + "\\" + name + ".DAT", "x").ok() ||
            !fileExists(dir.str() + "\\" + name + ".dat"))
          ++missing[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(missing, std::vector<int>(kThreads, 0));
  EXPECT_EQ(listDirectory(dir.str()).size(), static_cast<size_t>(kThreads * kFiles));
}

}  // namespace
}  // namespace riviza::platform
