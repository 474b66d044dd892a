// The BüroWARE files and the import run on the synthetic year (kosttr_jahr.cpp): byte-exact
// golden files, the 27/28 pair rule, the debtor number, and bwwin32.exe's argument list with
// masked passwords. With RIVIZA_UPDATE_GOLDEN=1 the golden files are rewritten instead (review
// the diff before committing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "costbearer/debitoren_export.h"
#include "fixtures.h"
#include "forms/update_tabellen.h"
#include "kosttr_jahr.h"
#include "platform/files.h"

namespace riviza::test {
namespace {

class Debitoren : public KosttrJahr {
 protected:
  std::string datei(const std::string& pfad) const { return platform::readFile(pfad).valueOr("<fehlt>"); }
};

TEST_F(Debitoren, FilesMatchTheGoldenBytesAndThePairRule) {
  starten();
  const bool neuSchreiben = std::getenv("RIVIZA_UPDATE_GOLDEN") != nullptr;
  for (bool neu55 : {false, true}) {
    SCOPED_TRACE(neu55 ? "newer address tags" : "older address tags");
    bueroWare(true, "00500", neu55);
    ASSERT_TRUE(KosttrAktualisieren());
    ASSERT_TRUE(KassenAktualisieren());
    const std::filesystem::path golden = std::filesystem::path(RIVIZA_SOURCE_DIR) /
                                         "tests/costbearer/golden" / (neu55 ? "debitoren55" : "debitoren");
    if (neuSchreiben) std::filesystem::create_directories(golden);
    for (const std::string& pfad : bwDateien()) {
      const std::string name = pfad.substr(pfad.find_last_of('\\') + 1);
      if (neuSchreiben) writeNative(golden / name, datei(pfad));
      EXPECT_EQ(datei(pfad), readNative(golden / name)) << name;
    }
    const auto idb = crlfLines(datei(imProgramm("IDB_ID0020.DAT")));
    ASSERT_EQ(idb.size(), 7u);
    EXPECT_EQ(idb[0], "");
    for (size_t i = 1; i < idb.size(); ++i) EXPECT_EQ(idb[i].size(), 488u) << i;
    const auto dta = crlfLines(datei(imProgramm("Kosttr.dta")));
    ASSERT_EQ(dta.size(), 6u);
    for (size_t i = 0; i < dta.size(); ++i) {
      // A leading separator and two per pair; the first two debtors come from the §302 pass.
      const size_t paare = std::count(dta[i].begin(), dta[i].end(), '\xFE') / 2;
      EXPECT_EQ(paare, neu55 && i < 2 ? 27u : 28u) << i;
      EXPECT_TRUE(dta[i].ends_with("STAMMKALK\xFEJ ")) << i;
    }
    EXPECT_EQ(form->EditDebitorenAb->text(), "506");
    EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), "506");
  }
}

TEST_F(Debitoren, TheNumberIsNormalisedOnceAndBothFilesCarryIt) {
  starten();
  struct Fall {
    const char* text;
    bool debitoren;
    const char* erste;  // the number of the first record in both files; nullptr: no record
    const char* ende;   // EditDebitorenAb afterwards, and the number stored
    size_t dtaZeilen;
    size_t idbSaetze = 6;
    bool ok = true;
  } faelle[] = {
      {"abc", true, "10000", "10006", 6},
      {"12,7", true, "12", "18", 6},
      {"-5", true, "10000", "10006", 6},  // a negative number is none
      // Three debtors fill the 8 digits; the number stored is the first not handed out.
      {"99999997", true, "99999997", "100000000", 3, 3, false},
      {" 0042 ", true, "42", "48", 6},
      {"", true, "", "", 0},
      {"500", false, nullptr, "500", 0, 0},
  };
  for (const auto& f : faelle) {
    SCOPED_TRACE(f.text);
    bueroWare(f.debitoren, f.text);
    EXPECT_EQ(KosttrAktualisieren(), f.ok);
    const auto idb = crlfLines(datei(imProgramm("IDB_ID0020.DAT")));
    const auto dta = crlfLines(datei(imProgramm("Kosttr.dta")));
    ASSERT_EQ(idb.size(), f.idbSaetze + 1);
    ASSERT_EQ(dta.size(), f.dtaZeilen);
    if (f.erste && *f.erste) {
      EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), f.ende);
    }
    if (f.erste) {
      EXPECT_EQ(platform::trim(idb[1].substr(284, 8)), f.erste);
    }
    if (f.dtaZeilen) {
      EXPECT_NE(dta[0].find(std::string("\xFE"
                                        "aa\xFE") +
                            f.erste + " \xFE"),
                std::string::npos);
    }
    EXPECT_EQ(form->EditDebitorenAb->text(), f.ende);
    EXPECT_EQ(crlfLines(datei(bw() + "\\Import\\Kosttr.tab")).size(), 7u);
  }
  EXPECT_EQ(jahrWert("2024", "DebitorenAb", "FIRMA"), "48");

  // A number wider than its column refuses the run before anything is written.
  ASSERT_TRUE(platform::deleteFile(imProgramm("IDB_ID0020.DAT")).ok());
  bueroWare(true, "123456789");
  EXPECT_FALSE(KosttrAktualisieren());
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].text,
            "Debitoren-Nr. \"123456789\" hat mehr als 8 Stellen:\nKostenträger nicht aktualisiert.");
  EXPECT_FALSE(platform::fileExists(imProgramm("IDB_ID0020.DAT")));
  EXPECT_EQ(form->EditDebitorenAb->text(), "123456789");
}

TEST_F(Debitoren, ImportStartsBwwin32WithAnArgumentListAndNoPasswordInTheLog) {
  starten();
  TempDir bin, leer;
  bin.write("wine",
            "#!/bin/sh\nshift\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$RIVIZA_WINE_ARGS\"\n");
  std::filesystem::permissions(bin / "wine", std::filesystem::perms::owner_all);
  ScopedEnv argsDatei("RIVIZA_WINE_ARGS", (bin / "args").string());
  // The update list shows the folder and the program as the user sees them: "/" only.
  const std::string gezeigt = (daten / "BueroWare").string();
  const std::string programm = gezeigt + "/bwwin32.exe";
  // bwwin32.exe's arguments and the update list's line of the call around user and password.
  auto argumente = [](const std::string& anmeldung) {
    return "/NoLogo\n/NoStartLogo\n" + anmeldung + "\n01\n1742\n99\n";
  };
  auto aufruf = [&](const std::string& anmeldung) {
    return zeile("BüroWARE-Import: bwwin32.exe /NoLogo /NoStartLogo " + anmeldung + " 01 1742 99 " + gezeigt);
  };
  const std::string ende = zeile("ENDE BüroWARE-Import");
  const std::string ohneWine = zeile("FEHLER BüroWARE-Import, Start fehlgeschlagen: " + programm +
                                     ": Programm starten bwwin32.exe: wine ist nicht installiert");
  struct Fall {
    const char* bediener;
    const char* kennwort;
    bool vorhanden, wine;
    std::string argumente;            // as bwwin32.exe gets them; "" when it is not started
    std::vector<std::string> zeilen;  // the last lines of the update list
  } faelle[] = {
      {"000", "", true, true, argumente("000\nkrt30217"), {aufruf("000 *****"), ende}},
      {"7", "", true, true, argumente("7\n---"), {aufruf("7 ---"), ende}},
      {"7", "geh eim", true, true, argumente("7\ngeh eim"), {aufruf("7 *****"), ende}},
      {"7", "x", false, true, "", {zeile("FEHLER BüroWARE-Import, Datei nichr vorhanden: " + programm)}},
      {"7", "x", true, false, "", {aufruf("7 *****"), ohneWine}},
  };
  for (const auto& f : faelle) {
    SCOPED_TRACE(std::string(f.bediener) + " " + f.kennwort);
    bueroWare(false, "");
    form->EditBwBediener->setText(f.bediener);
    form->EditBwCw->setText(f.kennwort);
    form->EditBwWorkflowKost->setText("42");
    (void)platform::deleteFile((bin / "args").string());
    if (f.vorhanden)
      daten.write("BueroWare/bwwin32.exe", "MZ");
    else
      std::filesystem::remove(daten / "BueroWare/bwwin32.exe");
    form->ListBoxLiveUpdate->items().clear();
    {
      ScopedEnv pfad("PATH", (f.wine ? bin : leer).str());
      EXPECT_EQ(KosttrAktualisieren(), !f.argumente.empty());
    }
    EXPECT_EQ(bin.exists("args") ? bin.read("args") : "", f.argumente);
    const auto& z = protokoll();
    ASSERT_GE(z.size(), f.zeilen.size());
    EXPECT_EQ(std::vector<std::string>(z.end() - f.zeilen.size(), z.end()), f.zeilen);
    for (const std::string& l : z) EXPECT_EQ(l.find("geh eim"), std::string::npos);
  }

  // No table rebuilt (neither the year nor LeerDaten has the three): the last run's files are
  // not imported again.
  for (const char* t : {"Kosttr.db", "Kosttr300.db", "Kosttr105.db"}) {
    std::filesystem::remove(this->programm / "LeerDaten" / t);
    std::filesystem::remove(daten / "Abrechng/2024/Daten" / t);
  }
  (void)platform::deleteFile((bin / "args").string());
  ScopedEnv pfad("PATH", bin.str());
  EXPECT_FALSE(KosttrAktualisieren());
  EXPECT_FALSE(bin.exists("args"));
}

}  // namespace
}  // namespace riviza::test
