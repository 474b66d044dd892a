// The SFTP road of both update buttons against asyncssh's SFTP server on loopback, with the
// program's own update account: the date decisions and their exact lines, the cancelled and the
// installed package, a stale or broken package never installed, a host key that is not the
// pinned one, and the account's password in no file of the program folder and no command line.
// riviza-batch's run of the road, with the cost-bearer installation, is in batch_update_test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "dateiserver.h"
#include "maintenance/update_online.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/pump.h"
#include "shell_fixture.h"
#include "support/trees.h"
#include "update_server.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

const char* const kFrage = "Kostenträger anzuwenden ab: 16.03.2024\r\nübernehmen ?";

// A line of the update list: whole, or up to a closing "*" its start.
void zeilenVergleichen(const std::vector<std::string>& ist, const std::vector<std::string>& soll) {
  ASSERT_EQ(ist.size(), soll.size()) << ::testing::PrintToString(ist);
  for (size_t i = 0; i < soll.size(); ++i) {
    if (soll[i].ends_with('*'))
      EXPECT_TRUE(ist[i].starts_with(soll[i].substr(0, soll[i].size() - 1))) << ist[i];
    else
      EXPECT_EQ(ist[i], soll[i]);
  }
}

std::vector<std::string> dateien(const fs::path& ordner) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(ordner)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The switch of the road: WinSCP.exe in the program folder. It is a script that would leave a
// mark if anything ever ran it.
void winScpAblegen(const TempDir& programm) {
  programm.write("WinSCP.exe", "#!/bin/sh\ntouch \"$0.lief\"\n");
  fs::permissions(programm / "WinSCP.exe", fs::perms::owner_all);
}

class SftpUpdate : public UpdateTab {
 protected:
  SftpUpdate() { winScpAblegen(programm); }
  ~SftpUpdate() override { EXPECT_FALSE(programm.exists("WinSCP.exe.lief")); }

  void druecken(UpdateArt art) {
    form->ListBoxLiveUpdate->items().clear();
    dialogs.clear();
    server.server.clearLog();
    drueckenUndWarten(*form, art);
  }

  SftpServer server;
};

TEST_F(SftpUpdate, DatesDecideWhatHappensNext) {
  struct Fall {
    const char* was;
    UpdateArt art;
    std::optional<std::string> datei;  // on the server; none: missing
    bool paket;                        // the package is on the server
    Zeilen zeilen, geoeffnet;
    UpdateErgebnis ergebnis;
    const char* downloadDatum;  // DownloadDatum afterwards (it was "vorher")
  };
  const Zeilen kostBeide = {"open orvel_update/kost.txt", "open orvel_update/kost.zip"};
  const Zeilen kost = {"open orvel_update/kost.txt"};
  const Zeilen upd = {"open orvel_update/update.txt"};
  const UpdateArt kosttr = UpdateArt::Kosttr, progr = UpdateArt::Programm;
  const std::string nichtDa = "SFTP: Auf dem Server nicht vorhanden oder nicht zugänglich (orvel_update/";
  const Fall faelle[] = {
      {"newer cost bearers, cancelled", kosttr, "16.03.2024\r\n", true,
       Zeilen{z("neue Kostenträgerdateien, anzuwenden ab: 16.03.2024")}, kostBeide,
       UpdateErgebnis::Abgebrochen, "16.03.2024"},
      {"same date", kosttr, "15.03.2024\r\n", true,
       Zeilen{z("keine neuen Kostenträgerdateien vorhanden, Stand: 15.03.2024"), z("Download beendet")}, kost,
       UpdateErgebnis::KeinNeues, "15.03.2024"},
      {"older date shows the installed one", kosttr, "01.01.2024\r\n", true,
       Zeilen{z("keine neuen Kostenträgerdateien vorhanden, Stand: 15.03.2024"), z("Download beendet")}, kost,
       UpdateErgebnis::KeinNeues, "01.01.2024"},
      {"no date", kosttr, "31.02.2024\r\n", true,
       Zeilen{z("Datum nicht erkennbar, Download fehlgeschlagen, neu starten")}, kost, UpdateErgebnis::Fehler,
       "31.02.2024"},
      {"no date file", kosttr, std::nullopt, true, Zeilen{z(nichtDa + "kost.txt): *")}, kost,
       UpdateErgebnis::Fehler, "vorher"},
      {"newer, no package", kosttr, "16.03.2024\r\n", false,
       Zeilen{z("neue Kostenträgerdateien, anzuwenden ab: 16.03.2024"), z(nichtDa + "kost.zip): *")},
       kostBeide, UpdateErgebnis::Fehler, "16.03.2024"},
      {"program, same date", progr, "15.03.2024\r\n", true,
       Zeilen{z("kein neues Update gefunden, Stand: 15.03.2024"), z("Download beendet")}, upd,
       UpdateErgebnis::KeinNeues, "vorher"},
      {"program, older date", progr, "01.01.2024\r\n", true,
       Zeilen{z("kein neues Update gefunden, Stand: 01.01.2024"), z("Download beendet")}, upd,
       UpdateErgebnis::KeinNeues, "vorher"},
      {"program, no date", progr, "xx.xx.xxxx\r\n", true,
       Zeilen{z("Datum nicht erkennbar, Download fehlgeschlagen, neu starten")}, upd, UpdateErgebnis::Fehler,
       "vorher"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    const bool istProgramm = f.art == UpdateArt::Programm;
    const std::string datei = istProgramm ? "update.txt" : "kost.txt";
    const std::string paket = istProgramm ? "update.zip" : "kost.zip";
    fs::remove_all(server.dir / "konto/orvel_update");
    if (f.datei) server.veroeffentlichen(datei, *f.datei);
    if (f.paket) server.paket(paket, {{"AO05Q224.ke0", "neu"}});
    globals().StandKosttrDatum = globals().StandUpdateDatum = "15.03.2024";
    globals().DownloadDatum = "vorher";
    dialogs.answer(ui::DlgResult::Cancel);

    druecken(f.art);

    zeilenVergleichen(zeilen(), f.zeilen);
    EXPECT_EQ(server.server.log(), f.geoeffnet);
    EXPECT_EQ(texte(), f.ergebnis == UpdateErgebnis::Abgebrochen ? std::vector<std::string>{kFrage}
                                                                 : std::vector<std::string>{});
    EXPECT_EQ(UpdateZustand(f.art).ergebnis, f.ergebnis);
    EXPECT_EQ(globals().DownloadDatum, f.downloadDatum);
    // The date file is read and gone; a cancelled package goes too.
    EXPECT_TRUE(dateien(programm / "Temp").empty());
    EXPECT_FALSE(daten.exists("Abrechng/2024/Kosttr/AO05Q224.ke0"));
    EXPECT_TRUE(form->visible());
  }

  // After a cancel the next press fetches the package again.
  server.veroeffentlichen("kost.txt", "16.03.2024\r\n");
  server.paket("kost.zip", {{"AO05Q224.ke0", "neu"}});
  druecken(UpdateArt::Kosttr);
  druecken(UpdateArt::Kosttr);
  EXPECT_EQ(server.server.log(), kostBeide);
}

TEST_F(SftpUpdate, ProgramPackageIsInstalledThenDeletedAndTheFormCloses) {
  server.veroeffentlichen("update.txt", "16.03.2024\r\n");
  server.paket("update.zip", {{"liesmich.txt", "neu"}});
  druecken(UpdateArt::Programm);

  zeilenVergleichen(zeilen(), {z("neues Update gefunden, vom: 16.03.2024"), z("Dateien entpackt: 1")});
  EXPECT_EQ(UpdateZustand(UpdateArt::Programm).ergebnis, UpdateErgebnis::Installiert);
  EXPECT_FALSE(form->visible());
  EXPECT_EQ(programm.read("Update/liesmich.txt"), "neu");
  EXPECT_TRUE(dateien(programm / "Temp").empty());
  EXPECT_EQ(globals().DownloadDatum, "");
}

// A package left in Temp by an earlier attempt, under any case of its name, is never taken for
// the one this press should have fetched.
TEST_F(SftpUpdate, AStaleOrBrokenPackageIsNeverInstalled) {
  struct Fall {
    const char* was;
    const char* regeln;
    bool paketAufServer;
    const char* fehler;
  };
  const std::vector<Fall> faelle = {
      {"connection cut during the package", R"({"orvel_update/kost.zip": {"drop": 2000}})", true,
       "SFTP: Verbindung zum Server fehlgeschlagen oder abgebrochen (orvel_update/kost.zip): *"},
      {"no package on the server", "{}", false,
       "SFTP: Auf dem Server nicht vorhanden oder nicht zugänglich (orvel_update/kost.zip): *"},
  };
  // Random bytes stay as large in the package, so that the cut comes before its end.
  const std::string gross = RandomBytes(20000, 7);
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    fs::remove_all(server.dir / "konto/orvel_update");
    server.veroeffentlichen("kost.txt", "16.03.2024\r\n");
    if (f.paketAufServer) server.paket("kost.zip", {{"AO05Q224.ke0", gross}});
    server.server.setRules(f.regeln);
    makeZip(programm / "Temp/KOST.ZIP", {{"AO05ALT.ke0", "alt"}});
    programm.write("Temp/kost.zip.part", "halb");

    druecken(UpdateArt::Kosttr);

    zeilenVergleichen(zeilen(), {z("neue Kostenträgerdateien, anzuwenden ab: 16.03.2024"), z(f.fehler)});
    EXPECT_TRUE(texte().empty());
    EXPECT_TRUE(dateien(programm / "Temp").empty());
    EXPECT_FALSE(daten.exists("Abrechng/2024/Kosttr/AO05ALT.ke0"));
    EXPECT_FALSE(programm.exists("Kosttr/AO05ALT.ke0"));
    EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Fehler);
  }
}

TEST_F(SftpUpdate, AServerWithAnotherKeyGetsNoRequest) {
  ScopedEnv mitgeliefert(net::kUpdateHostKeyVariable, "");  // the program's own pin
  server.veroeffentlichen("kost.txt", "16.03.2024\r\n");
  server.veroeffentlichen("update.txt", "16.03.2024\r\n");
  for (UpdateArt art : {UpdateArt::Kosttr, UpdateArt::Programm}) {
    druecken(art);
    const char* datei = art == UpdateArt::Kosttr ? "kost.txt" : "update.txt";
    zeilenVergleichen(zeilen(),
                      {z(std::string("SFTP: Der Schlüssel des Servers stimmt nicht mit dem hinterlegten "
                                     "überein, Abruf verweigert (orvel_update/") +
                         datei + "): *")});
    EXPECT_TRUE(server.server.log().empty());
    EXPECT_EQ(UpdateZustand(art).ergebnis, UpdateErgebnis::Fehler);
  }
}

// Everything the account's password could have been left in: every file below the program
// folder (the session log included) and the command line of every process of the machine.
TEST_F(SftpUpdate, ThePasswordIsInNoFileAndOnNoCommandLine) {
  server.veroeffentlichen("kost.txt", "16.03.2024\r\n");
  server.paket("kost.zip", {{"AO05Q224.ke0", "neu"}});
  dialogs.answer(ui::DlgResult::Cancel);
  druecken(UpdateArt::Kosttr);
  druecken(UpdateArt::Programm);  // no update.txt: a failed fetch
  form->PageControl1->setActivePageIndex(5);
  form->PageControl1->setActivePageIndex(0);  // UPDATE.LOG

  const std::string kennwort = kUpdateKontoKennwort;
  for (const auto& e : fs::recursive_directory_iterator(programm.path())) {
    if (!e.is_regular_file()) continue;
    EXPECT_EQ(readNative(e.path()).find(kennwort), std::string::npos) << e.path();
  }
  int prozesse = 0;
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(e.path() / "cmdline", std::ios::binary);
    std::ostringstream zeile;
    zeile << in.rdbuf();
    ++prozesse;
    EXPECT_EQ(zeile.str().find(kennwort), std::string::npos) << name << ": " << zeile.str();
  }
  EXPECT_GT(prozesse, 1);

  // The session log the command line names holds each fetch and its outcome.
  const std::string protokoll = platform::toUtf8(programm.read("WinSCP.log"));
  EXPECT_NE(protokoll.find(z("get orvel_update/kost.txt: OK") + "\r\n"), std::string::npos) << protokoll;
  EXPECT_NE(protokoll.find(z("get orvel_update/kost.zip: OK") + "\r\n"), std::string::npos) << protokoll;
  EXPECT_NE(protokoll.find(z("get orvel_update/update.txt: Auf dem Server nicht vorhanden")),
            std::string::npos)
      << protokoll;
}

}  // namespace
}  // namespace riviza::test
