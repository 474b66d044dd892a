// Masks, mask collections, entry selection and the folder scan: the wildcard rules (star flag,
// "?" after "*", the trailing "." rule), a matcher that stays linear on hostile masks, the
// reader's selection by FileSpec/ExcludeSpec/RecurseDirs, and the scan's line merging, attribute
// filter, names beginning with ".", links followed inside the root and reported outside it or in
// a circle, unreadable folders reported, and sort orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/paths.h"
#include "support/refused_opens.h"
#include "support/temp_dir.h"
#include "zip/kvoFileScan.h"
#include "zip/kvoUnZip.h"

namespace riviza::zip {
namespace {

struct MaskCase {
  const char* name;
  const char* mask;
  bool matches;
};

TEST(Masks, WildcardRules) {
  const MaskCase cases[] = {
      {"README", "*.*", false},  // compiled directly, "*.*" wants a period
      {"a.txt", "*.*", true},
      {"README", "*.", true},  // trailing "." lets a name without one match
      {"a.txt", "*.", false},
      {"ABC", "a?c", true},
      {"ac", "a?c", false},
      {"abc", "a*?", true},  // "?" after "*" is dropped
      {"a", "a*?", true},
      {"axbxcy", "*x*y", true},  // needs the star to resume
      {"axbxc", "*x*y", false},
      {"Ärzte.DB", "ä*.db", true},  // case folding beyond ASCII
      {"ü", "?", true},             // "?" takes one character, not one byte
      {"dir\\x.ini", "*.ini", true},
      {"abc", "*??", true},
      {"", "*??", false},
      {"", "*", true},
  };
  for (const MaskCase& c : cases)
    EXPECT_EQ(WildcardMatch(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
}

std::string repeated(std::string_view part, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

// Masks built to make a backtracking matcher try every split of the name among its stars: the
// work stays within name length times mask length (a matcher that tries every split takes
// millions of steps on the small cases already).
TEST(Masks, HostileMasksStayWithinNameTimesMaskSteps) {
  struct Case {
    std::string name, mask;
    bool matches;
  } cases[] = {
      {std::string(30, 'a'), repeated("*a", 10) + "*b", false},
      {std::string(30, 'a'), repeated("*a", 10) + "aab", false},
      {std::string(30, 'a') + "b", repeated("*a", 10) + "*b", true},
      {std::string(5000, 'a'), repeated("*a", 200) + "*b", false},
      {std::string(5000, 'a'), repeated("*a", 200) + "aab", false},
      {repeated("ab", 2500), repeated("*ab", 100) + "*abc", false},
      {std::string(5000, 'a'), repeated("*?", 200) + "b", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask.substr(0, 24) + "... on " + std::to_string(c.name.size()) + " characters");
    size_t steps = 0;
    EXPECT_EQ(TInternalMask(c.mask).Matches(c.name, &steps), c.matches);
    EXPECT_LE(steps, (c.name.size() + 1) * (c.mask.size() + 1));
  }
}

TEST(Masks, CollectionsFromLinesAndText) {
  std::vector<std::string> lines{"", "*.*", "*.txt"};
  TMaskCollection fromLines = MasksFromLines(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"*", "*", "*.txt"}));
  EXPECT_TRUE(AnyMaskMatches(fromLines, "README"));  // "*.*" became "*"
  TMaskCollection fromText = MasksFromText("  *.db, a b.txt ,, *.ini  ");
  ASSERT_EQ(fromText.size(), 3u);
  EXPECT_EQ(fromText[1].text(), "a b.txt");
  EXPECT_EQ(fromText[2].text(), "*.ini");
}

struct SelectCase {
  std::vector<std::string> fileSpec;
  std::vector<std::string> excludeSpec;
  bool recurse;
  const char* name;
  bool selected;
};

TEST(Selection, MatchEntryName) {
  const SelectCase cases[] = {
      {{}, {}, true, "a.txt", false},
      {{"*.*"}, {}, true, "README", true},
      {{"*.*"}, {}, true, "dir\\a.txt", true},
      {{"*.*"}, {}, false, "dir\\a.txt", false},  // without recursion only the top folder
      {{"*.*"}, {}, false, "a.txt", true},
      {{"dir\\*.txt"}, {}, true, "dir\\a.txt", true},
      {{"dir\\*.txt"}, {}, true, "other\\a.txt", false},
      {{"abc"}, {}, true, "abc.txt", false},
      {{"abc"}, {}, true, "abc", true},
      {{"*.*"}, {"*.ini"}, true, "x\\setup.ini", false},
      {{"*.*"}, {"*.ini"}, true, "setup.db", true},
  };
  for (const SelectCase& c : cases) {
    TUnZip u;
    u.FileSpec = c.fileSpec;
    u.ExcludeSpec = c.excludeSpec;
    u.RecurseDirs = c.recurse;
    EXPECT_EQ(u.MatchEntryName(c.name), c.selected) << c.name;
  }
}

TEST(Selection, FailedMaskGetsPeriodAndExcludeFires) {
  TUnZip u;
  u.FileSpec = {"abc"};
  EXPECT_FALSE(u.MatchEntryName("abc.txt"));
  EXPECT_EQ(u.FileSpec.front(), "abc.");
  std::vector<std::string> excluded;
  u.FileSpec = {"*.*"};
  u.ExcludeSpec = {"*.ini"};
  u.OnExcludeFile = [&](const std::string& n) { excluded.push_back(n); };
  EXPECT_FALSE(u.MatchEntryName("a.ini"));
  EXPECT_EQ(excluded, std::vector<std::string>{"a.ini"});
}

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("a.txt", "1");
    dir.write("b.db", "22");
    dir.write(".profile", "x");
    dir.write("sub/c.txt", "333");
    dir.write("sub/deep/d.TXT", "4444");
    root = platform::pathText(dir.path()) + "\\";
  }
  std::vector<std::string> names(const TkvoFileScan& scan) {
    std::vector<std::string> out;
    for (const TFileObject& f : scan.List()) out.push_back(f.name);
    return out;
  }
  test::TempDir dir;
  std::string root;
};

TEST_F(ScanTest, MergesLinesOfOneFolderAndFindsDotNames) {
  TkvoFileScan scan;
  std::vector<std::string> roots;
  scan.OnRootDirChange = [&](const std::string& d) { roots.push_back(d); };
  scan.SetFileSpec({root + "*.txt", root + "*.*"});
  scan.SetSorted(soByName);
  scan.Scan();
  EXPECT_EQ(roots.size(), 1u);  // one walk with the mask "*"
  EXPECT_EQ(names(scan), (std::vector<std::string>{".profile", "a.txt", "b.db", "c.txt", "d.TXT"}));
  EXPECT_EQ(scan.FilesCount(), 5);
  EXPECT_EQ(scan.FilesSize(), 11);
  EXPECT_TRUE(scan.FileSpec().empty());  // consumed
}

TEST_F(ScanTest, WithoutRecursionEachLineIsASearchPattern) {
  TkvoFileScan scan;
  scan.RecurseDirs = false;
  scan.SetFileSpec({root + "*.TXT"});
  scan.Scan();
  EXPECT_EQ(names(scan), std::vector<std::string>{"a.txt"});
}

TEST_F(ScanTest, AttributesSelectAndExclude) {
  std::filesystem::permissions(dir / "b.db", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  TkvoFileScan scan;
  scan.SetAttribute(fsDirectory, true);
  scan.AttributesEx.include(fsReadOnly);
  std::vector<std::string> folders;
  scan.FileFound = [&](const std::string& folder, const platform::DirEntry& e, uint32_t) {
    if (e.isDirectory) folders.push_back(folder);
    return !e.isDirectory;
  };
  scan.SetFileSpec({root + "*.*"});
  scan.Scan();
  EXPECT_EQ(scan.FilesCount(), 4);  // b.db (read-only) left out, folders not counted
  EXPECT_EQ(folders, (std::vector<std::string>{root + "sub\\", root + "sub\\deep\\"}));
}

TEST_F(ScanTest, LinksInsideTheRootAreFollowedAndWhatIsLeftOutIsReported) {
  namespace fs = std::filesystem;
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // below the root -> target ("*": outside)
    std::string refused;                                     // the folder whose listing fails
    std::vector<std::string> extra;                          // found besides the five files
    std::vector<std::string> reported;                       // the start of each report, relative to the root
  };
  const Case cases[] = {
      {"inside, outside and nowhere",
       {{"tief", "sub/deep"}, {"b.lnk", "b.db"}, {"aussen", "*"}, {"e.txt", "*/e.txt"}, {"lose", "fehlt"}},
       "",
       {"b.lnk", "tief\\d.TXT"},
       {"aussen\\: Verknüpfung führt aus ", "e.txt: Verknüpfung führt aus ", "lose: Verknüpfung führt ins Leere: "}},
      {"in circles: back to the root, two folders into each other",
       {{"sub/loop", ".."}, {"x/zu_y", "../y"}, {"y/zu_x", "../x"}},
       "",
       {},
       {"sub\\loop\\: Verknüpfung führt im Kreis", "x\\zu_y\\zu_x\\: Verknüpfung führt im Kreis",
        "y\\zu_x\\zu_y\\: Verknüpfung führt im Kreis"}},
      {"no link, a folder that cannot be listed", {}, "/sub/deep", {}, {"sub\\deep\\: Ordner nicht lesbar: "}},
  };
  const test::TempDir outside;
  outside.write("e.txt", "outside");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir d;
    for (const char* f : {".profile", "a.txt", "b.db", "sub/c.txt", "sub/deep/d.TXT"}) d.write(f, "1");
    std::vector<std::string> want{".profile", "a.txt", "b.db", "sub\\c.txt", "sub\\deep\\d.TXT"};
    for (const auto& [link, target] : c.links) {
      fs::create_directories((d / link).parent_path());
      fs::create_symlink(target[0] == '*' ? outside.str() + target.substr(1) : target, d / link);
    }
    const std::string top = platform::pathText(d.path()) + "\\";
    TkvoFileScan scan;
    std::vector<std::string> reported, found;
    scan.OnScanError = [&](const std::string& path, const std::string& reason) {
      reported.push_back(path.substr(top.size()) + ": " + reason);
    };
    scan.SetFileSpec({top + "*.*"});
    {
      const test::ScopedRefusedOpens refused({c.refused});
      scan.Scan();
    }
    for (const TFileObject& f : scan.List()) found.push_back(f.folder.substr(top.size()) + f.name);
    if (!c.refused.empty()) std::erase(want, "sub\\deep\\d.TXT");
    want.insert(want.end(), c.extra.begin(), c.extra.end());
    std::sort(found.begin(), found.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(found, want);
    std::sort(reported.begin(), reported.end());
    ASSERT_EQ(reported.size(), c.reported.size()) << testing::PrintToString(reported);
    for (size_t i = 0; i < reported.size(); ++i)
      EXPECT_TRUE(reported[i].starts_with(c.reported[i])) << reported[i];
  }
}

TEST(FilesList, SortOrdersAndSortedInsert) {
  TFilesList list;
  list.Add({"b.txt", "c:\\z\\", 30, 0, 0x20, 0x30000000});
  list.Add({"a.db", "c:\\y\\", 10, 0, 0x20, 0x10000000});
  list.Add({"c.ini", "c:\\x\\", 20, 0, 0x20, 0x20000000});
  struct Order {
    TkvoSortOptions order;
    const char* first;
  };
  for (Order o : {Order{soByName, "a.db"}, Order{soByType, "a.db"}, Order{soBySize, "a.db"},
                  Order{soByTime, "a.db"}, Order{soByPath, "c.ini"}}) {
    list.SetSortOrder(o.order);
    EXPECT_EQ(list[0].name, o.first) << int(o.order);
  }
  list.SetSortOrder(soByName);
  list.Add({"b.txt", "c:\\w\\", 1, 0, 0x20, 0});
  EXPECT_EQ(list[1].folder, "c:\\w\\");  // before the equal one
}

}  // namespace
}  // namespace riviza::zip
