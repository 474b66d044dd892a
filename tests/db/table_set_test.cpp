// The joint transaction of several table files: the members of a set write on one connection
// and see each other's records before the commit; the commit changes every file or none,
// whether it fails on a lock, on a full disk, at any one of its file steps, or because the
// process is killed at any one of them (the next open then rolls every file back as long as
// SQLite's super-journal names it). The files are compared byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "db/errors.h"
#include "db/table_set.h"
#include "platform/clock.h"
#include "stoerung.h"
#include "support/trees.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

namespace fs = std::filesystem;
using riviza::test::Schritte;
using riviza::test::ScopedStoerung;
using riviza::test::Stoerung;

class TableSetTest : public TableTest {
 protected:
  void SetUp() override {
    create("Belege.DB", kosttrStructure());
    create("Positionen.DB", kosttrStructure());
    TTable b, p;
    openTable(b, "Belege.DB");
    openTable(p, "Positionen.DB");
    appendRow(b, {"17", "alt"});
    appendRow(p, {"17", "P1"});
    appendRow(p, {"17", "P2"});
  }

  std::map<std::string, std::string> dateien() const { return riviza::test::TreeContents(dir_.path(), false); }

  // The deletion of voucher 17 with its positions in one set: the step that changes two files.
  Status loeschen(TableSet& set) {
    TTable b, p;
    RIVIZA_TRY(set.join(b, p));
    RIVIZA_TRY(b.setDatabaseName(folder()));
    RIVIZA_TRY(b.setTableName("Belege.DB"));
    RIVIZA_TRY(p.setDatabaseName(folder()));
    RIVIZA_TRY(p.setTableName("Positionen.DB"));
    RIVIZA_TRY(b.open());
    RIVIZA_TRY(p.open());
    RIVIZA_TRY(set.begin());
    while (!p.isEmpty()) RIVIZA_TRY(p.deleteRecord());
    RIVIZA_TRY(b.edit());
    RIVIZA_TRY(b.fields(1).setAsString("neu"));
    RIVIZA_TRY(b.post());
    return set.commit();
  }
  Status loeschen() {
    TableSet set;
    return loeschen(set);
  }

  std::vector<std::string> lesen(const std::string& name, int feld) {
    TTable t;
    openTable(t, name);
    return column(t, feld);
  }
  // Both files as before the deletion or both as after it.
  void ganzOderGarNicht(bool geloescht) {
    const std::vector<std::string> belege = lesen("Belege.DB", 1), positionen = lesen("Positionen.DB", 1);
    if (geloescht) {
      EXPECT_EQ(belege, std::vector<std::string>{"neu"});
      EXPECT_TRUE(positionen.empty());
    } else {
      EXPECT_EQ(belege, std::vector<std::string>{"alt"});
      EXPECT_EQ(positionen, (std::vector<std::string>{"P1", "P2"}));
    }
  }
};

TEST_F(TableSetTest, MembersShareUncommittedRecordsAndCommitTogether) {
  TableSet set;
  TTable b, p, zweiter;
  ASSERT_TRUE(set.join(b, p, zweiter).ok());
  for (TTable* t : {&b, &p}) ASSERT_TRUE(t->setDatabaseName(folder()).ok());
  ASSERT_TRUE(b.setTableName("Belege.DB").ok() && p.setTableName("Positionen.DB").ok());
  ASSERT_TRUE(b.open().ok() && p.open().ok());
  ASSERT_TRUE(set.begin().ok());
  EXPECT_TRUE(b.inTransaction() && p.inTransaction());
  EXPECT_EQ(b.startTransaction().error().code, kTransactionState);
  appendRow(p, {"18", "P3"});
  // A member opened meanwhile on the same file writes in the transaction and sees the record.
  openTable(zweiter, "Positionen.DB");
  EXPECT_TRUE(zweiter.inTransaction());
  EXPECT_EQ(column(zweiter, 1), (std::vector<std::string>{"P1", "P2", "P3"}));
  ASSERT_TRUE(zweiter.first().ok() && zweiter.deleteRecord().ok());
  ASSERT_TRUE(p.refresh().ok());
  EXPECT_EQ(column(p, 1), (std::vector<std::string>{"P2", "P3"}));
  // Nothing reaches the files before the commit.
  EXPECT_EQ(lesen("Positionen.DB", 1), (std::vector<std::string>{"P1", "P2"}));
  ASSERT_TRUE(set.commit().ok());
  EXPECT_TRUE(set.committed());
  EXPECT_FALSE(b.inTransaction());
  EXPECT_EQ(lesen("Positionen.DB", 1), (std::vector<std::string>{"P2", "P3"}));
  set.assertInvariants();
}

TEST_F(TableSetTest, ACommitThatFailsLeavesEveryFileAsItWas) {
  const auto vorher = dateien();
  struct Fall {
    const char* was;
    std::function<Status()> lauf;
    int code;  // primary SQLite code of the failure
  } faelle[] = {
      {"another program reads the second file",
       [this] {
         sqlite3* leser = nullptr;
         sqlite3_open((dir_.path() / "Positionen.DB").c_str(), &leser);
         sqlite3_exec(leser, "BEGIN; SELECT count(*) FROM records;", nullptr, nullptr, nullptr);
         // The wait for the reader pauses on the test's clock: no real time passes.
         platform::FixedClock uhr({2024, 3, 15, 10, 30});
         platform::ScopedClock mitUhr(uhr);
         Status st = loeschen();
         int gewartet = 0;
         for (int ms : uhr.sleeps()) gewartet += ms;
         EXPECT_GT(gewartet, 4000);
         sqlite3_close(leser);
         return st;
       },
       SQLITE_BUSY},
      {"the second file's disk is full",
       [this] {
         ScopedStoerung voll(Stoerung::TabelleVoll, "Positionen.DB");
         return loeschen();
       },
       SQLITE_FULL},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    const Status st = f.lauf();
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.error().code & 0xff, f.code) << st.error().describe();
    // A journal the failed rollback could not play back (the disk is still full) is played
    // back by the next open.
    ganzOderGarNicht(false);
    EXPECT_EQ(dateien(), vorher);
  }
}

TEST_F(TableSetTest, EveryStepOfTheCommitFailsOrKillsWithoutSplittingTheFiles) {
  const fs::path kopie = dir_.path().parent_path() / (dir_.path().filename().string() + "-vorher");
  fs::copy(dir_.path(), kopie);
  const auto vorher = dateien();
  const auto zuruecksetzen = [&] {
    fs::remove_all(dir_.path());
    fs::copy(kopie, dir_.path());
  };
  int schritte = 0;
  {
    Schritte zaehlen;
    ASSERT_TRUE(loeschen().ok());
    schritte = zaehlen.anzahl();
  }
  ASSERT_GT(schritte, 6);  // journals, their syncs, the super-journal, the pages, the deletions
  for (int n = 1; n <= schritte; ++n) {
    SCOPED_TRACE("failing step " + std::to_string(n));
    zuruecksetzen();
    Status st = okStatus();
    std::string schritt;
    {
      Schritte fehler(n);
      st = loeschen();
      if (fehler.anzahl() >= n) schritt = fehler.liste()[static_cast<size_t>(n - 1)];
    }
    SCOPED_TRACE(schritt);
    ganzOderGarNicht(st.ok());
    // Nothing of the failed commit is left beside the tables (a journal is played back by the
    // reads above; a super-journal no journal names is removed).
    if (!st.ok()) {
      EXPECT_EQ(dateien(), vorher);
    }
  }
  for (int n = 1; n <= schritte; ++n) {
    SCOPED_TRACE("killed before step " + std::to_string(n));
    zuruecksetzen();
    const pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
      Schritte toeten(0, Schritte::Alle, [n](int schritt) {
        if (schritt == n) raise(SIGKILL);
      });
      _exit(loeschen().ok() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    ASSERT_TRUE(WIFSIGNALED(status) || WIFEXITED(status));
    // The next open rolls back whatever a hot journal names; a finished commit stays.
    ganzOderGarNicht(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? true : lesen("Positionen.DB", 1).empty());
  }
  fs::remove_all(kopie);
}

}  // namespace
}  // namespace riviza::db::test
