// TZip's run and commit: a cancelled or failed run leaves the old archive byte for byte and no
// temporary file; the new archive is flushed before one rename puts it in place, and copied
// beside the archive across file systems; unreadable and changing sources are dropped and named;
// files the run does not take from its deflate workers hold none of the later ones up; the
// archive and its temporary file never archive themselves; the run's start checks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

#include "platform/paths.h"
#include "platform/syscalls.h"
#include "zip/core_test_support.h"
#include "zip/kvoErrors.h"
#include "zip/writer_support.h"

namespace riviza::zip {
namespace {

using namespace writertest;

// System calls of a test: open refused for one name, renames out of one folder across file
// systems, writes failing once a rename was tried, and the order of fsync and rename.
struct Injected {
  static inline std::string refuseOpen, crossFrom;
  static inline bool failWritesAfterRename = false, renameTried = false;
  static inline std::vector<std::string> calls;

  static platform::SysCalls table() {
    refuseOpen.clear(), crossFrom.clear(), calls.clear();
    failWritesAfterRename = renameTried = false;
    platform::SysCalls c = platform::realSysCalls();
    c.open = [](const char* path, int flags, mode_t mode) {
      if (!refuseOpen.empty() && std::strstr(path, refuseOpen.c_str())) {
        errno = EACCES;
        return -1;
      }
      return platform::realSysCalls().open(path, flags, mode);
    };
    c.fsync = [](int fd) {
      calls.push_back("fsync");
      return platform::realSysCalls().fsync(fd);
    };
    c.rename = [](const char* from, const char* to) {
      calls.push_back("rename");
      renameTried = true;
      if (!crossFrom.empty() && std::strstr(from, crossFrom.c_str())) {
        errno = EXDEV;
        return -1;
      }
      return platform::realSysCalls().rename(from, to);
    };
    c.write = [](int fd, const void* buffer, size_t n) -> ssize_t {
      if (failWritesAfterRename && renameTried) {
        errno = ENOSPC;
        return -1;
      }
      return platform::realSysCalls().write(fd, buffer, n);
    };
    return c;
  }
};

class WriterCommit : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("src/a.txt", TextBytes(5000, 1));
    dir_.write("src/sub/b.txt", TextBytes(7000, 2));
    dir_.mkdir("tmp");
  }
  void prepare(TZip& zip) {
    errors_.clear();
    SetUpZip(zip, dir_ / "a.zip", dir_ / "src", dir_ / "tmp", errors_);
  }
  int run() {
    TZip zip;
    prepare(zip);
    return zip.Compress();
  }
  test::TempDir dir_;
  std::vector<int> errors_;
  platform::ScopedSysCalls sys_{Injected::table()};
};

TEST_F(WriterCommit, CancelLeavesTheArchiveAndNoTemporaryFile) {
  ASSERT_EQ(run(), 2);
  const std::string before = dir_.read("a.zip");
  dir_.write("src/gross.txt", TextBytes(600000, 4));
  dir_.write("src/z.txt", "z");
  enum Where { kBegin, kProgress, kMoveBegin };
  for (Where where : {kBegin, kProgress, kMoveBegin}) {
    for (bool existing : {true, false}) {
      SCOPED_TRACE(std::to_string(where) + (existing ? " existing" : " new"));
      if (existing)
        test::writeNative(dir_ / "a.zip", before);
      else
        fs::remove(dir_ / "a.zip");
      TZip zip;
      prepare(zip);
      int begun = 0;
      zip.OnBegin = [&](const std::string&, int, bool&) {
        if (where == kBegin && ++begun == 2) zip.SetCancel(true);
      };
      zip.OnProgress = [&](uint8_t byFile, uint8_t) {
        if (where == kProgress && byFile > 10 && byFile < 90) zip.SetCancel(true);
      };
      zip.OnTmpFileMoveBegin = [&](const std::string&, const std::string&, bool& cancel) {
        cancel = where == kMoveBegin;
      };
      zip.Compress();
      if (existing)
        EXPECT_EQ(dir_.read("a.zip"), before);
      else
        EXPECT_FALSE(dir_.exists("a.zip"));
      EXPECT_EQ(FilesIn(dir_ / "tmp"), std::vector<std::string>{});
      if (where != kMoveBegin) {
        EXPECT_THAT(errors_, ::testing::Contains(kZipUserCanceled));
      }
    }
  }
}

TEST_F(WriterCommit, MoveEndOnlyForAReplacedArchiveAbove64KiB) {
  struct Case {
    std::string archive;  // what stands there before
    bool moveEnd;
  };
  const Case cases[] = {{"", false}, {"small", false}, {"large", true}};
  for (const Case& c : cases) {
    fs::remove(dir_ / "a.zip");
    if (c.archive == "small") {
      ASSERT_GT(run(), 0);
    }
    if (c.archive == "large") {
      dir_.write("big/r.bin", RandomBytes(70000));
      TZip zip;
      prepare(zip);
      zip.FileSpec = {Text(dir_ / "big") + "\\*.*"};
      ASSERT_EQ(zip.Compress(), 1);
    }
    SCOPED_TRACE(c.archive);
    dir_.write("src/n-" + c.archive + ".txt", c.archive);
    TZip zip;
    prepare(zip);
    int begin = 0, end = 0;
    zip.OnTmpFileMoveBegin = [&](const std::string&, const std::string&, bool&) { ++begin; };
    zip.OnTmpFileMoveEnd = [&] { ++end; };
    zip.Compress();
    EXPECT_EQ(begin, 1);
    EXPECT_EQ(end, c.moveEnd ? 1 : 0);
  }
}

TEST_F(WriterCommit, ReadOnlyArchiveNeedsOnNonWriteableArchive) {
  ASSERT_EQ(run(), 2);
  const std::string before = dir_.read("a.zip");
  fs::permissions(dir_ / "a.zip", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  dir_.write("src/n.txt", "n");
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(errors_, std::vector<int>{kZipEventNotAssigned});
  EXPECT_EQ(dir_.read("a.zip"), before);
  TZip zip;
  prepare(zip);
  zip.OnNonWriteableArchive = [](const std::string&, bool& writeToFile) { writeToFile = true; };
  EXPECT_EQ(zip.Compress(), 3);
}

TEST_F(WriterCommit, UnreadableAndChangingFilesAreDroppedAndNamed) {
  dir_.write("src/gesperrt.txt", "no access");
  dir_.write("src/wachsend.log", TextBytes(400000, 5));
  TZip zip;
  prepare(zip);
  Injected::refuseOpen = "gesperrt";
  bool grown = false;
  zip.OnProgress = [&](uint8_t byFile, uint8_t) {
    if (grown || byFile == 0 || byFile == 100) return;
    grown = true;
    test::writeNative(dir_ / "src/wachsend.log", TextBytes(400100, 6));
  };
  EXPECT_EQ(zip.Compress(), 2);
  std::map<std::string, int> failed;
  for (const auto& f : zip.Failures()) failed[platform::extractFileName(f.fileName)] = f.code;
  EXPECT_EQ(failed,
            (std::map<std::string, int>{{"gesperrt.txt", kZipOpenError}, {"wachsend.log", kZipCrcFailed}}));
  std::vector<std::string> names;
  for (const auto& e : ParseZip(dir_.read("a.zip")).entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/b.txt"}));
  EXPECT_EQ(ExtractAll(dir_ / "a.zip", dir_ / "out").count, 2);
}

TEST_F(WriterCommit, FilesNotTakenFromTheWorkersHoldNoLaterFileUp) {
  // More files than the workers read ahead, of two deflate blocks each, before those taken.
  constexpr int kAus = 40;
  const auto ausName = [](int i) {
    return "aus-" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".txt";
  };
  const auto ausAlle = [&](const std::function<void(const fs::path&)>& tun) {
    for (int i = 0; i < kAus; ++i) tun(dir_ / "src" / ausName(i));
  };
  struct Fall {
    const char* was;
    std::function<void(TZip&)> einrichten;
    int fehlerCode;  // of each aus- file; 0: none failed
    bool ausImArchiv;
  };
  const auto beimErsten = [&](const std::function<void(const fs::path&)>& tun) {
    return [=](TZip& zip) {
      zip.OnBegin = [=, begun = false](const std::string&, int, bool&) mutable {
        if (!std::exchange(begun, true)) ausAlle(tun);
      };
    };
  };
  const Fall faelle[] = {
      {"skipped by OnBegin",
       [](TZip& zip) {
         zip.OnBegin = [](const std::string& file, int, bool& extract) {
           extract = platform::extractFileName(file).rfind("aus-", 0) != 0;
         };
       },
       0, false},
      {"cannot be opened", [](TZip&) { Injected::refuseOpen = "/aus-"; }, kZipOpenError, false},
      {"gone at its turn", beimErsten([](const fs::path& p) { fs::remove(p); }), kZipOpenError, false},
      {"shrunk to a small file at its turn",
       beimErsten([](const fs::path& p) { test::writeNative(p, "klein"); }), 0, true},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    fs::remove_all(dir_ / "out");
    fs::remove(dir_ / "a.zip");
    ausAlle([&](const fs::path& p) { test::writeNative(p, TextBytes(140000, 8)); });
    for (int i = 0; i < 3; ++i) dir_.write("src/zu-" + std::to_string(i) + ".txt", TextBytes(300000, 9 + i));
    TZip zip;
    prepare(zip);
    f.einrichten(zip);
    zip.Compress();
    Injected::refuseOpen.clear();
    std::vector<std::string> expected{"a.txt", "sub/b.txt", "zu-0.txt", "zu-1.txt", "zu-2.txt"};
    if (f.ausImArchiv)
      for (int i = kAus - 1; i >= 0; --i) expected.insert(expected.begin() + 1, ausName(i));
    std::vector<std::string> names;
    for (const auto& e : ParseZip(dir_.read("a.zip")).entries) names.push_back(e.name);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ExtractAll(dir_ / "a.zip", dir_ / "out").count, static_cast<int>(expected.size()));
    for (const std::string& name : expected)
      EXPECT_EQ(dir_.read("out/" + name), dir_.read("src/" + name)) << name;
    int failed = 0;
    for (const auto& failure : zip.Failures()) {
      EXPECT_EQ(failure.code, f.fehlerCode) << failure.fileName;
      ++failed;
    }
    EXPECT_EQ(failed, f.fehlerCode ? kAus : 0);
  }
}

TEST_F(WriterCommit, TraditionalEntryFailsWhenItsTwoReadsDisagree) {
  dir_.write("src/geheim.txt", TextBytes(400000, 7));
  TZip zip;
  prepare(zip);
  zip.EncryptionMethod = emZIP_v2;
  zip.Password = "pw";
  bool changed = false, current = false;
  zip.OnBegin = [&](const std::string& file, int, bool&) {
    current = platform::extractFileName(file) == "geheim.txt";
  };
  zip.OnProgress = [&](uint8_t, uint8_t) {
    if (changed || !current) return;
    changed = true;  // same size, same time: only the CRC can tell
    const fs::path p = dir_ / "src/geheim.txt";
    const auto stamp = fs::last_write_time(p);
    std::string text = test::readNative(p);
    text[10] ^= 1;
    test::writeNative(p, text);
    fs::last_write_time(p, stamp);
  };
  EXPECT_EQ(zip.Compress(), 2);
  ASSERT_EQ(zip.Failures().size(), 1u);
  EXPECT_EQ(zip.Failures()[0].code, kZipCrcFailed);
  EXPECT_EQ(ExtractAll(dir_ / "a.zip", dir_ / "out", "pw").count, 2);
}

TEST_F(WriterCommit, ArchiveAndTemporaryFileAreNeverTheirOwnSources) {
  TZip zip;
  prepare(zip);
  zip.SetArchiveFile(Text(dir_ / "src/ich.zip"));
  zip.SetTempDir(Text(dir_ / "src"));
  std::vector<std::string> names;
  EXPECT_EQ(zip.Compress(), 2);
  dir_.write("src/n.txt", "n");
  EXPECT_EQ(zip.Compress(), 3);
  for (const auto& e : ParseZip(dir_.read("src/ich.zip")).entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/b.txt", "n.txt"}));
  EXPECT_EQ(FilesIn(dir_ / "src"), (std::vector<std::string>{"a.txt", "ich.zip", "n.txt"}));
}

TEST_F(WriterCommit, RunsThatCannotStart) {
  TZip zip;
  prepare(zip);
  zip.SetArchiveFile(Text(dir_ / "fehlt/a.zip"));
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(errors_, std::vector<int>{kZipInvalidDirectory});
  prepare(zip);
  zip.FileSpec = {Text(dir_ / "src") + "\\*.nix"};
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(errors_, std::vector<int>{kZipNothingToDo});
  EXPECT_FALSE(dir_.exists("a.zip"));
  dir_.write("a.zip", "not an archive at all, and it must stay as it is");
  prepare(zip);
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(errors_, std::vector<int>{kZipUnsupportedArchive});
  EXPECT_EQ(dir_.read("a.zip"), "not an archive at all, and it must stay as it is");
  EXPECT_TRUE(FilesIn(dir_ / "tmp").empty());
}

TEST_F(WriterCommit, NewArchiveIsFlushedBeforeTheRename) {
  ASSERT_EQ(run(), 2);
  const auto& calls = Injected::calls;
  auto rename = std::find(calls.begin(), calls.end(), "rename");
  ASSERT_THAT(calls, ::testing::Contains("rename"));
  EXPECT_THAT(std::vector<std::string>(calls.begin(), rename), ::testing::Contains("fsync"))
      << "before the rename";
  EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"a.zip"});
}

TEST_F(WriterCommit, AcrossFileSystemsTheCopyIsMadeBesideTheArchive) {
  ASSERT_EQ(run(), 2);
  Injected::crossFrom = (dir_ / "tmp").string();
  dir_.write("src/n.txt", "n");
  ASSERT_EQ(run(), 3);
  EXPECT_EQ(ExtractAll(dir_ / "a.zip", dir_ / "out").count, 3);
  EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"a.zip"});
  EXPECT_TRUE(FilesIn(dir_ / "tmp").empty());
  // The same with the copy failing for a full disk: the old archive stays, nothing is left.
  const std::string before = dir_.read("a.zip");
  dir_.write("src/m.txt", "m");
  Injected::failWritesAfterRename = true;
  Injected::renameTried = false;
  EXPECT_EQ(run(), 0);
  Injected::failWritesAfterRename = false;
  EXPECT_THAT(errors_, ::testing::Contains(kZipDiskFull));
  EXPECT_EQ(dir_.read("a.zip"), before);
  EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"a.zip"});
  EXPECT_TRUE(FilesIn(dir_ / "tmp").empty());
}

TEST_F(WriterCommit, FullDiskWhileWritingEndsTheRunWithNothingArchived) {
  ASSERT_EQ(run(), 2);
  const std::string before = dir_.read("a.zip");
  dir_.write("src/n.txt", TextBytes(300000));
  {
    coretest::ScopedWriteFailure full(ENOSPC);
    EXPECT_EQ(run(), 0);
  }
  EXPECT_THAT(errors_, ::testing::Contains(kZipDiskFull));
  EXPECT_EQ(dir_.read("a.zip"), before);
  EXPECT_TRUE(FilesIn(dir_ / "tmp").empty());
}

TEST_F(WriterCommit, InMemoryOutput) {
  TZip zip;
  prepare(zip);
  zip.CompressionMethod = cmInMemory;
  int moveEnd = 0;
  zip.OnTmpFileMoveEnd = [&] { ++moveEnd; };
  EXPECT_EQ(zip.Compress(), 2);
  EXPECT_EQ(moveEnd, 1);
  EXPECT_EQ(ExtractAll(dir_ / "a.zip", dir_ / "out").count, 2);
  EXPECT_EQ(CompareTrees(dir_ / "src", dir_ / "out"), "");
  EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"a.zip"});
}

}  // namespace
}  // namespace riviza::zip
