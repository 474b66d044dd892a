// The exchange of staged files and folders: all of it or none, whichever step fails, with or
// without a table commit inside it, and a process killed at any step leaves a journal from
// which the next start restores the one or the other. A name in the way is never overwritten.
#include "platform/exchange.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/files.h"
#include "platform/ini.h"
#include "stoerung.h"
#include "support/temp_dir.h"
#include "support/trees.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;
using platform::CommitPoint;
using platform::Exchange;
using platform::Recovery;

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zuruecksetzen();
    vorher = TreeContents(ziel());
  }
  fs::path ziel() const { return dir / "ziel"; }
  std::string pfad(const char* name) const { return (ziel() / name).string(); }
  std::string journal() const { return (dir / "Vorgang.jnl").string(); }

  // The exchange every case runs: one file replaced, one new, a settings file edited in its
  // copy, a folder replaced, a file removed; `punkt` commits inside it.
  Status austauschen(const CommitPoint& punkt = {}) {
    Exchange e(journal(), "Test");
    auto dta = e.stageFile(pfad("Kosttr.dta"));
    if (!dta) return dta.error();
    RIVIZA_TRY(platform::writeFile(*dta, "neue Debitoren\r\n"));
    auto neu = e.stageFile(pfad("Kosttr.tab"));
    if (!neu) return neu.error();
    RIVIZA_TRY(platform::writeFile(*neu, "neu\t\r\n"));
    auto ini = e.stageCopy(pfad("Abrechng.ini"));
    if (!ini) return ini.error();
    RIVIZA_TRY(platform::IniFile(*ini).writeString("FIRMA", "DebitorenAb", "502"));
    auto kosttr = e.stageFolder(pfad("Kosttr"));
    if (!kosttr) return kosttr.error();
    RIVIZA_TRY(platform::writeFile(*kosttr + "/AO03.ke1", "neue Kostenträger"));
    RIVIZA_TRY(e.removeAtCommit(pfad("weg.tab")));
    return e.commit(punkt);
  }
  void einmalGut() {
    ASSERT_TRUE(austauschen().ok());
    nachher = TreeContents(ziel());
    zuruecksetzen();
    ASSERT_EQ(TreeContents(ziel()), vorher);
  }
  // The folder as every case begins.
  void zuruecksetzen() {
    fs::remove_all(ziel());
    fs::remove(journal());
    dir.write("ziel/Kosttr.dta", "alte Debitoren\r\n");
    dir.write("ziel/Abrechng.ini", "[FIRMA]\r\nDebitorenAb=500\r\n");
    dir.write("ziel/weg.tab", "wird entfernt\r\n");
    dir.write("ziel/Kosttr/AO03.ke0", "alte Kostenträger");
    dir.write("ziel/Kosttr/AO05.ke0", "alte Kassen");
  }
  // The folder holds the old or the new files, nothing else, and no journal is left.
  void vorherOderNachher(bool ausgefuehrt) {
    EXPECT_EQ(TreeContents(ziel()), ausgefuehrt ? nachher : vorher);
    EXPECT_FALSE(fs::exists(journal()));
  }

  TempDir dir;
  std::map<std::string, std::string> vorher, nachher;
};

TEST_F(ExchangeTest, AFailureAtAnyStepLeavesTheOldOrTheNewFiles) {
  einmalGut();
  EXPECT_EQ(nachher.count("Kosttr/AO03.ke1"), 1u);
  EXPECT_EQ(nachher.count("Kosttr/AO05.ke0"), 0u);
  EXPECT_EQ(nachher.count("weg.tab"), 0u);
  EXPECT_EQ(nachher.at("Kosttr.tab"), Fingerprint("neu\t\r\n"));
  int schritte = 0;
  {
    Schritte zaehlen;
    ASSERT_TRUE(austauschen().ok());
    schritte = zaehlen.anzahl();
  }
  for (int n = 1; n <= schritte; ++n) {
    zuruecksetzen();
    Status st = okStatus();
    std::string schritt;
    {
      Schritte fehler(n);
      st = austauschen();
      schritt = fehler.liste().size() >= static_cast<size_t>(n) ? fehler.liste()[static_cast<size_t>(n - 1)] : "";
    }
    SCOPED_TRACE("step " + std::to_string(n) + ": " + schritt);
    // A failure while undoing leaves the journal: the next start finishes the undo.
    const Recovery r = platform::recoverExchange(journal(), {});
    EXPECT_NE(r.outcome, Recovery::Outcome::Failed) << r.message;
    // The exchange counts as done once the journal is marked; a failure while tidying up after
    // that is reported, but the files are the new ones.
    const bool neu = TreeContents(ziel()) == nachher;
    vorherOderNachher(neu);
    if (!neu) {
      EXPECT_FALSE(st.ok());
    }
  }
}

TEST_F(ExchangeTest, AProcessKilledAtAnyStepIsFinishedOrUndoneAtTheNextStart) {
  einmalGut();
  // The table commit inside the exchange: a marker file stands in for the tables, its presence
  // for "the tables committed".
  const std::string marke = (dir / "tabellen-fest").string();
  const CommitPoint punkt{[&] { return platform::writeFile(marke, "1"); }, {"marke " + marke}};
  const platform::CommitTest fest = [&](const std::vector<std::string>& tests) -> Result<bool> {
    EXPECT_EQ(tests, std::vector<std::string>{"marke " + marke});
    return platform::fileExists(marke);
  };
  for (const bool mitTabellen : {false, true}) {
    int schritte = 0;
    {
      Schritte zaehlen;
      ASSERT_TRUE(austauschen(mitTabellen ? punkt : CommitPoint{}).ok());
      schritte = zaehlen.anzahl();
    }
    for (int n = 1; n <= schritte + 1; ++n) {
      SCOPED_TRACE(std::string(mitTabellen ? "with" : "without") + " tables, killed at step " +
                   std::to_string(n));
      zuruecksetzen();
      fs::remove(marke);
      const pid_t kind = fork();
      ASSERT_GE(kind, 0);
      if (kind == 0) {
        Schritte toeten(0, Schritte::Alle, [n](int schritt) {
          if (schritt == n) raise(SIGKILL);
        });
        _exit(austauschen(mitTabellen ? punkt : CommitPoint{}).ok() ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(waitpid(kind, &status, 0), kind);
      const Recovery r = platform::recoverExchange(journal(), fest);
      ASSERT_NE(r.outcome, Recovery::Outcome::Failed) << r.message;
      if (r.outcome != Recovery::Outcome::None) {
        EXPECT_EQ(r.what, "Test");
      }
      const bool neu = TreeContents(ziel()) == nachher;
      vorherOderNachher(neu);
      // The files follow the tables.
      if (mitTabellen) {
        EXPECT_EQ(neu, platform::fileExists(marke));
      }
      if (WIFEXITED(status) || r.outcome == Recovery::Outcome::Finished) {
        EXPECT_TRUE(neu);
      }
      if (r.outcome == Recovery::Outcome::Undone) {
        EXPECT_FALSE(neu);
      }
    }
  }
}

TEST_F(ExchangeTest, ATableCommitThatFailsUndoesTheExchange) {
  const Status st = austauschen({[] { return Status(Error::make(5, "database is locked")); }, {}});
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().message, "database is locked");
  vorherOderNachher(false);
}

TEST_F(ExchangeTest, ANameInTheWayOrAJournalLeftOpenRefusesTheExchange) {
  struct Fall {
    const char* was;
    const char* datei;  // written before the exchange
  } faelle[] = {
      {"an aside name that holds something", "ziel/Kosttr~alt/AO03.ke0"},
      {"a journal a killed run left", "Vorgang.jnl"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    dir.write(f.datei, "nicht überschreiben");
    EXPECT_FALSE(austauschen().ok());
    EXPECT_EQ(dir.read(f.datei), "nicht überschreiben");
    fs::remove(dir / f.datei);
    fs::remove_all(ziel() / "Kosttr~alt");
    EXPECT_EQ(TreeContents(ziel()), vorher);
  }
}

}  // namespace
}  // namespace riviza::test
