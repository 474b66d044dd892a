// A rebuild pass whose table does not commit leaves what it writes beside the table as it was:
// no lines of the pass in the BüroWARE files, no debtor number handed out, no branch office in
// AdrDlz.DB. The commit is made to fail by a SQLite VFS over the default one whose writes into
// one table's file fail as on a full disk: SQLite writes a table's pages when the transaction
// commits, so the emptied and refilled table never reaches the disk.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <string>

#include "costbearer/tabellen_aktualisieren.h"
#include "fixtures.h"
#include "kosttr_jahr.h"
#include "platform/files.h"
#include "platform/text.h"

namespace riviza::test {
namespace {

// While installed, the default VFS: every file opens as the default VFS opens it, and the main
// database file whose name ends with `tabelle` (ignoring case) gets a method table whose xWrite
// fails with SQLITE_FULL.
class VolleTabelle {
 public:
  explicit VolleTabelle(std::string tabelle) {
    tabelle_ = platform::toLowerAscii(std::move(tabelle));
    basis_ = sqlite3_vfs_find(nullptr);
    vfs_ = *basis_;
    vfs_.zName = "riviza_volle_tabelle";
    vfs_.xOpen = &oeffnen;
    EXPECT_EQ(sqlite3_vfs_register(&vfs_, 1), SQLITE_OK);
  }
  ~VolleTabelle() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(basis_, 1);
  }
  VolleTabelle(const VolleTabelle&) = delete;
  VolleTabelle& operator=(const VolleTabelle&) = delete;

  // Writes refused so far.
  static int verweigert() { return verweigert_; }

 private:
  static int oeffnen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* datei, int flags, int* aus) {
    const int rc = basis_->xOpen(basis_, name, datei, flags, aus);
    if (rc != SQLITE_OK || !name || !(flags & SQLITE_OPEN_MAIN_DB)) return rc;
    if (!platform::toLowerAscii(name).ends_with(tabelle_)) return rc;
    methoden_ = *datei->pMethods;
    methoden_.xWrite = [](sqlite3_file*, const void*, int, sqlite3_int64) {
      ++verweigert_;
      return SQLITE_FULL;
    };
    datei->pMethods = &methoden_;
    return rc;
  }

  static inline sqlite3_vfs* basis_ = nullptr;
  static inline std::string tabelle_;
  static inline sqlite3_io_methods methoden_{};
  static inline int verweigert_ = 0;
  sqlite3_vfs vfs_{};
};

class Festschreiben : public KosttrJahr {
 protected:
  std::string bw() const { return imDaten("BueroWare"); }
  std::vector<std::string> zeilen(const std::string& pfad) const {
    return crlfLines(platform::readFile(pfad).valueOr("<fehlt>"));
  }
};

TEST_F(Festschreiben, APassWhoseTableDoesNotCommitLeavesItsFilesNumberAndBranchOfficesAsTheyWere) {
  starten();
  ASSERT_TRUE(KosttrAktualisieren());  // Kosttr300.db holds the cost bearers of the files
  form->RadioGroupFachanwendung->setItemIndex(1);
  form->EditOrdnerFachAnw->setText(bw());
  form->CheckBoxFirmaDebitorenAbJN->setChecked(true);
  form->EditDebitorenAb->setText("500");
  struct Fall {
    const char* name;
    std::function<bool()> lauf;
    const char* tabelle;  // whose commit fails: the run's second pass
    // What the first pass (§302) alone leaves: lines of the files, the debtor number.
    std::vector<std::pair<std::string, size_t>> dateien;
    const char* nummer;
    size_t adrDlz;  // records of AdrDlz.DB (one there before the run)
  } faelle[] = {
      {"cost bearers, §300 pass",
       KosttrAktualisieren,
       "Kosttr300.db",
       {{imProgramm("IDB_ID0020.DAT"), 3}, {imProgramm("Kosttr.dta"), 2}, {bw() + "\\Import\\Kosttr.tab", 2}},
       "502",
       1},
      {"funds, §300 pass",
       KassenAktualisieren,
       "Kassen300.db",
       {{bw() + "\\Import\\Kassen.tab", 3}, {bw() + "\\Import\\Kassen105.tab", 0}},
       "502",
       1},
  };
  for (const Fall& fall : faelle) {
    SCOPED_TRACE(fall.name);
    const auto vorher = tabelle(fall.tabelle);
    form->ListBoxLiveUpdate->items().clear();
    {
      VolleTabelle voll(fall.tabelle);
      EXPECT_FALSE(fall.lauf());
      EXPECT_GT(VolleTabelle::verweigert(), 0);
    }
    const std::string fehler = zeile("FEHLER " + jahrOrdner("Daten\\") + fall.tabelle + ": ");
    const auto& p = protokoll();
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [&](const std::string& z) { return z.starts_with(fehler); }))
        << testing::PrintToString(p);
    EXPECT_EQ(tabelle(fall.tabelle), vorher);
    for (const auto& [pfad, anzahl] : fall.dateien) {
      SCOPED_TRACE(pfad);
      // Kassen105.tab is created empty; IDB_ID0020.DAT begins with an empty line.
      EXPECT_EQ(zeilen(pfad).size(), anzahl);
    }
    EXPECT_EQ(form->EditDebitorenAb->text(), fall.nummer);
    EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), fall.nummer);
    EXPECT_EQ(tabelle("AdrDlz.DB").size(), fall.adrDlz);
  }
  // Nothing of the failures stays: the next runs write what a first run writes.
  form->EditDebitorenAb->setText("500");
  ASSERT_TRUE(KosttrAktualisieren());
  ASSERT_TRUE(KassenAktualisieren());
  EXPECT_EQ(form->EditDebitorenAb->text(), "506");
  EXPECT_EQ(tabelle("AdrDlz.DB").size(), 2u);
  EXPECT_EQ(zeilen(bw() + "\\Import\\Kassen.tab").size(), 7u);
}

}  // namespace
}  // namespace riviza::test
