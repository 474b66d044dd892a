// The online update through the form, against a real HTTP server on loopback: the date files of
// both chains, the packages and their installation, two chains at once, the road choice, and
// UPDATE.LOG. Log lines are compared whole, with the fixed clock's date and time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "fixtures.h"
#include "jahr_daten.h"
#include "maintenance/update_online.h"
#include "net/connection.h"
#include "net/curl_util.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/pump.h"
#include "shell_fixture.h"
#include "stoerung.h"
#include "support/zip_archive.h"
#include "update_server.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

const char* const kUnterbrochen = "Die Internetverbindung wurde unterbrochen!";
using Eintraege = std::vector<std::pair<std::string, std::string>>;  // a package's names and bytes

class OnlineUpdate : public UpdateTab {
 protected:
  void drueckenUndWarten(UpdateArt art) { test::drueckenUndWarten(*form, art); }
  // A file of Temp as the update list names it.
  std::string temp(std::string_view datei) const { return gezeigtImProgramm("temp/" + std::string(datei)); }

  UpdateServer server;
};

TEST_F(OnlineUpdate, DateFilesDecideWhatHappensNext) {
  struct Fall {
    const char* was;
    UpdateArt art;
    std::string datei;  // the date file's bytes
    Zeilen danach;      // the lines after "Download gestartet"
    int auflegen;
    bool paketGeholt;
    const char* regel = "";  // the server's rule for the date file
  };
  const std::string kost = "Datei: " + temp("kost.txt");
  const std::string upd = "Datei: " + temp("update.txt");
  const UpdateArt kosttr = UpdateArt::Kosttr, progr = UpdateArt::Programm;
  std::vector<Fall> faelle = {
      {"13 bytes", kosttr, "16.03.2024 \r\n",
       Zeilen{kost, "13 von 13 bytes", "Download fehlgeschlagen, Datei 13Byte, neu starten"}, 0, false},
      {"same date", kosttr, "15.03.2024\r\n",
       Zeilen{kost, "12 von 12 bytes", "keine neuen Kostenträgerdateien vorhanden, Stand: 15.03.2024",
              "Download beendet"},
       1, false},
      {"older date counts as new", kosttr, "01.01.2024\r\n",
       Zeilen{kost, "12 von 12 bytes", "neue Kostenträgerdateien, anzuwenden ab: 01.01.2024",
              "... Daten werden kopiert, Dauer bei ISDN ca. 0,5 min.",
              "Fehler bei der Datenübertragung, Datei: kost.zip"},
       0, true},
      {"program, same date", progr, "15.03.2024\r\n",
       Zeilen{upd, "12 von 12 bytes", "kein neues Update gefunden, Stand: 15.03.2024", "Download beendet"}, 1,
       false},
      {"program, older date", progr, "01.01.2024\r\n",
       Zeilen{upd, "12 von 12 bytes", "kein neues Update gefunden, Stand: 01.01.2024", "Download beendet"}, 1,
       false},
      {"program, newer date", progr, "16.03.2024\r\n",
       Zeilen{upd, "12 von 12 bytes", "neues Update gefunden, vom: 16.03.2024",
              "... Daten werden kopiert, Dauer bei ISDN ca. 10 min.",
              "Fehler bei der Datenübertragung, Datei: update.zip"},
       0, true},
      {"program, no date", progr, "31.02.2024\r\n",
       Zeilen{upd, "12 von 12 bytes",
              "Datum nicht erkennbar, Download fehlgeschlagen, Datei 12Byte, neu starten"},
       0, false},
      {"program, 13 bytes", progr, "16.03.2024 \r\n",
       Zeilen{upd, "13 von 13 bytes", "Download fehlgeschlagen, Datei 13Byte, neu starten"}, 0, false},
  };
  // A date file that does not arrive whole: answered 404 with a body, cut short, without length.
  for (const char* regel :
       {R"({"status": 404, "body": "fehlt"})", R"({"truncate": 5})", R"({"nolength": true})"})
    faelle.push_back({regel, kosttr, "16.03.2024\r\n",
                      Zeilen{"Fehler bei der Datenübertragung, Datei: kost.txt"}, 0, false, regel});
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    const bool istProgramm = f.art == UpdateArt::Programm;
    const char* datei = istProgramm ? "update.txt" : "kost.txt";
    const char* paketName = istProgramm ? "update.zip" : "kost.zip";
    server.veroeffentlichen(datei, f.datei);
    std::vector<std::pair<std::string, std::string>> r = {{paketName, R"({"status": 404})"}};
    if (*f.regel) r.push_back({datei, f.regel});
    server.regeln(r);
    globals().StandKosttrDatum = globals().StandUpdateDatum = "15.03.2024";  // installed
    form->ListBoxLiveUpdate->items().clear();
    dialogs.clear();
    const size_t anfragenVorher = server.anfragen().size();
    const int aufgelegtVorher = net::hangupCount();

    drueckenUndWarten(f.art);

    std::vector<std::string> erwartet = {z("Internetverbindung vorhanden"), z("Download gestartet")};
    for (const std::string& s : f.danach) erwartet.push_back(z(s));
    EXPECT_EQ(zeilen(), erwartet);
    EXPECT_EQ(net::hangupCount() - aufgelegtVorher, f.auflegen);
    const auto a = server.anfragen();
    EXPECT_EQ(a.size() - anfragenVorher, f.paketGeholt ? 2u : 1u);
    EXPECT_EQ(a[anfragenVorher], UpdateServer::anfrage(datei));
    const bool fehler = f.danach.back().starts_with("Fehler bei der");
    EXPECT_EQ(texte(), fehler ? std::vector<std::string>{kUnterbrochen} : std::vector<std::string>{});
    EXPECT_EQ(UpdateZustand(f.art).ergebnis, f.auflegen ? UpdateErgebnis::KeinNeues : UpdateErgebnis::Fehler);
    EXPECT_FALSE(fs::exists(programm / "Temp" / paketName));
  }
}

TEST_F(OnlineUpdate, NoConnectionOrTheSftpRoadFetchNothingOverHttp) {
  server.veroeffentlichen("kost.txt", "16.03.2024\r\n");
  // Nothing listens there; a value that is no HOST:PORT is said to be one.
  for (const auto& [umleitung, zeile] :
       {std::pair<std::string, std::string>{"127.0.0.1:1", "keine Internetverbindung"},
        {"127.0.0.1", "RIVIZA_UPDATE_SERVER ist nicht HOST:PORT: 127.0.0.1"}}) {
    SCOPED_TRACE(umleitung);
    ScopedEnv nirgends(net::kUpdateServerVariable, umleitung);
    form->ListBoxLiveUpdate->items().clear();
    drueckenUndWarten(UpdateArt::Kosttr);
    EXPECT_EQ(zeilen(), std::vector<std::string>{z(zeile)});
    EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Fehler);
  }
  programm.write("WinSCP.exe", "");
  for (UpdateArt art : {UpdateArt::Kosttr, UpdateArt::Programm}) drueckenUndWarten(art);
  EXPECT_TRUE(server.anfragen().empty());
  // Without the tick the HTTP road is taken again, WinSCP.exe or not.
  form->CheckBoxFtpUpdate->setChecked(false);
  form->ListBoxLiveUpdate->items().clear();
  drueckenUndWarten(UpdateArt::Kosttr);
  EXPECT_EQ(zeilen().front(), z("Internetverbindung vorhanden"));
  EXPECT_EQ(server.anfragen().front(), UpdateServer::anfrage("kost.txt"));
}

// The outside program the launcher starts for a .exe: a script that notes its folder and
// arguments.
class WineAttrappe {
 public:
  WineAttrappe()
      : pfad_("PATH", bin.str() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")),
        protokoll_("RIVIZA_TEST_WINE_LOG", (bin / "aufrufe").string()) {
    bin.write("wine", "#!/bin/sh\nprintf '%s|%s\\n' \"$PWD\" \"$*\" >> \"$RIVIZA_TEST_WINE_LOG\"\n");
    fs::permissions(bin / "wine", fs::perms::owner_all);
  }
  // The first start, once the script has written it (it runs on its own).
  std::string ersterAufruf() const {
    while (!fs::exists(bin / "aufrufe") || bin.read("aufrufe").empty())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::string s = bin.read("aufrufe");
    return s.substr(0, s.find('\n'));
  }
  bool aufgerufen() const { return fs::exists(bin / "aufrufe"); }

  TempDir bin;

 private:
  ScopedEnv pfad_, protokoll_;
};

// The installer is started first; the program makes way only for one that runs (or for a
// package without one), and an installer that cannot start leaves it running with the reason.
TEST_F(OnlineUpdate, ProgramPackageIsInstalledOnlyWhenItUnpacksWholeAndItsInstallerRuns) {
  struct Fall {
    const char* was;
    Eintraege eintraege;  // empty: the package is no zip
    bool installiert;
    const char* entpackt;  // the count line
    std::string aufruf;    // the installer's start (folder|program); "" none
    Zeilen vorhanden;      // below the program folder afterwards
    // The installer does not start and this is the reason given (the program goes on).
    std::string startFehler{};
    bool platteVoll = false;  // writes into the program folder's Update.exe fail
    bool mitWine = true;
    bool altesUpdateExe = false;  // an earlier update's Update.exe waits in the program folder
  };
  const std::string prog = programm.str();
  const std::vector<Fall> faelle = {
      {"Setup.exe", Eintraege{{"Setup.exe", "MZ setup"}, {"hilfe/liesmich.txt", "Hilfe"}}, true,
       "Dateien entpackt: 2", prog + "/Update|" + prog + "/Update/Setup.exe",
       Zeilen{"Update/hilfe/liesmich.txt"}},
      {"Update.exe only", Eintraege{{"Update.exe", "MZ update"}}, true, "Dateien entpackt: 1",
       prog + "|" + prog + "/Update.exe", Zeilen{"Update.exe"}},
      {"Update.exe, program folder full", Eintraege{{"Update.exe", "MZ update"}}, true, "Dateien entpackt: 1",
       "", Zeilen{"Update/Update.exe"}, prog + "/Update.exe: ", true},
      {"no installer", Eintraege{{"liesmich.txt", "neu"}}, true, "Dateien entpackt: 1", "",
       Zeilen{"Update/liesmich.txt"}},
      {"no installer, an earlier update's Update.exe", Eintraege{{"liesmich.txt", "neu"}}, true,
       "Dateien entpackt: 1", "", Zeilen{"Update/liesmich.txt", "Update.exe"}, "", false, true, true},
      {"Setup.exe without wine", Eintraege{{"Setup.exe", "MZ setup"}}, true, "Dateien entpackt: 1", "",
       Zeilen{"Update/Setup.exe"}, prog + "/Update/Setup.exe", false, false},
      {"a broken Setup.exe", Eintraege{{"Setup.exe", "<html>502 Bad Gateway</html>"}}, true,
       "Dateien entpackt: 1", "", Zeilen{"Update/Setup.exe"}, prog + "/Update/Setup.exe"},
      {"a name leading out", Eintraege{{"Setup.exe", "MZ setup"}, {"../boese.txt", "x"}}, false,
       "Dateien entpackt: 1", "", Zeilen{}},
      {"no zip", {}, false, "Dateien entpackt: 0", "", {}},
      {"a package unpacking to 1000 times its size", Eintraege{{"Setup.exe", std::string(8 << 20, '\0')}},
       false, "Dateien entpackt: 0", "", Zeilen{}},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    WineAttrappe wine;
    std::optional<ScopedEnv> ohneWine;
    if (!f.mitWine) ohneWine.emplace("PATH", wine.bin.str() + "/fehlt");
    fs::remove_all(programm / "Update");  // a waiting Setup.exe would end the next start
    fs::remove(programm / "Update.exe");
    neuStarten();
    dialogs.clear();
    if (f.altesUpdateExe) programm.write("Update.exe", "MZ altes Update");
    if (f.eintraege.empty())
      server.veroeffentlichen("update.zip", "das ist kein Zip-Archiv");
    else
      server.paket("update.zip", f.eintraege);
    server.veroeffentlichen("update.txt", "16.03.2024\r\n");

    {
      ScopedStoerung voll(Stoerung::PlatteVoll, f.platteVoll ? (programm / "Update.exe").string() : "");
      drueckenUndWarten(UpdateArt::Programm);
    }

    const auto l = zeilen();
    const bool gestartet = f.installiert && f.startFehler.empty();
    ASSERT_GE(l.size(), 4u);
    EXPECT_EQ(l[l.size() - (gestartet ? 1 : 2)], z(f.entpackt));
    EXPECT_EQ(form->visible(), !gestartet);
    EXPECT_EQ(UpdateZustand(UpdateArt::Programm).ergebnis,
              gestartet ? UpdateErgebnis::Installiert : UpdateErgebnis::Fehler);
    if (gestartet) {
      // Closed as the program closes: Temp emptied, the list kept in UPDATE.LOG.
      EXPECT_TRUE(platform::listDirectory(imProgramm("Temp")).empty());
      EXPECT_NE(programm.read("UPDATE.LOG").find(z(f.entpackt) + "\r\n"), std::string::npos);
      EXPECT_TRUE(texte().empty());
    } else if (f.installiert) {
      // The program goes on; the package's installer stays for a later run, no part of a copy is
      // left to start.
      EXPECT_TRUE(l.back().starts_with(z("Setup-Programm nicht gestartet: " + f.startFehler))) << l.back();
      ASSERT_EQ(texte().size(), 1u);
      EXPECT_TRUE(
          texte()[0].starts_with("Das Setup-Programm konnte nicht gestartet werden!\n\n" + f.startFehler))
          << texte()[0];
      EXPECT_FALSE(programm.exists("Update.exe"));
    } else {
      EXPECT_TRUE(l.back().starts_with(z("Programmupdate nicht installiert: "))) << l.back();
      ASSERT_EQ(texte().size(), 1u);
      EXPECT_TRUE(texte()[0].starts_with("Das Programmupdate wurde nicht installiert!\n\n"));
      EXPECT_FALSE(programm.exists("boese.txt"));
      EXPECT_FALSE(programm.exists("Update/Setup.exe"));
    }
    for (const std::string& rel : f.vorhanden) EXPECT_TRUE(programm.exists(rel)) << rel;
    if (!f.aufruf.empty()) {
      EXPECT_EQ(wine.ersterAufruf(), f.aufruf);
      EXPECT_FALSE(programm.exists("Update/Update.exe"));
    } else {
      EXPECT_FALSE(wine.aufgerufen());
    }
  }
  fs::remove(programm / "Update.exe");
}

TEST_F(OnlineUpdate, CostBearerPackageThatFailsItsCheckChangesNothing) {
  struct Fall {
    const char* was;
    Eintraege eintraege;  // empty: the package is `roh`
    ui::DlgResult antwort;
    std::optional<std::string> grund;  // the line's start after "Kostenträgerdateien nicht übernommen: "
    std::string roh{};
  };
  const std::vector<Fall> faelle = {
      {"cancel at the question", Eintraege{{"AO05Q224.ke0", "neu"}}, ui::DlgResult::Cancel, std::nullopt},
      {"a name leading out", Eintraege{{"AO05Q224.ke0", "neu"}, {"../../boese.ke0", "x"}}, ui::DlgResult::Yes,
       "Datei "},
      {"no cost-bearer file", Eintraege{{"liesmich.txt", "neu"}}, ui::DlgResult::Yes,
       "keine Kostenträgerdatei (*.ke?) im Paket"},
      {"no zip", {}, ui::DlgResult::Yes, "das Paket ist kein Zip-Archiv", "das ist kein Zip-Archiv"},
      {"a wrong checksum",
       {},
       ui::DlgResult::Yes,
       "Datei AO05Q224.ke0: Prüfsumme stimmt nicht (Zip 25151)",
       BuildZip({ZipEntrySpec("AO05Q224.ke0", "neu", 0, 0, 0x20, 0x5A8B6000, 0x12345678u)})},
      // The packages below unpack whole; the readers refuse them.
      {"a file that holds no cost bearer", Eintraege{{"AO05Q426.ke0", "kein EDIFACT"}}, ui::DlgResult::Yes,
       "Kostenträgerdatei beschädigt: AO05Q426.ke0, Zeile 1: die Datei beginnt nicht mit UNB, sie ist keine "
       "Kostenträgerdatei"},
      {"a published file cut by head -c 40000",
       Eintraege{{"AO05Q425.ke0", publishedFile("AO05Q425.ke0").substr(0, 40000)},
                 {"AO06Q425.ke0", publishedFile("AO06Q425.ke0")}},
       ui::DlgResult::Yes,
       "Kostenträgerdatei beschädigt: AO05Q425.ke0, Zeile 1401: die Datei endet mitten im Segment, sie ist "
       "unvollständig"},
      {"only §105 files while Kosttr.db holds a cost bearer",
       Eintraege{{"AO06Q425.ke0", publishedFile("AO06Q425.ke0")}}, ui::DlgResult::Yes,
       "Kosttr.db hat 1 Satz, das Paket aber keine gültigen Kostenträger nach §302 (??05*.ke?)"},
  };
  const std::string jahrKosttr = "Abrechng/2024/Kosttr/";
  daten.write(jahrKosttr + "AO05Q124.ke0", "alt");
  ASSERT_TRUE(
      platform::copyFile(imProgramm("LeerDaten\\Kosttr.db"), imDaten("Abrechng\\2024\\Daten\\Kosttr.db"))
          .ok());
  saetzeSchreiben(imDaten("Abrechng\\2024\\Daten"), "Kosttr.db", {{{"IK", "1234561"}, {"Kurz", "AOK"}}});
  const std::string kosttrDb = readNative(daten / "Abrechng/2024/Daten/Kosttr.db");
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    form->ListBoxLiveUpdate->items().clear();
    dialogs.clear();
    dialogs.answer(f.antwort);
    server.veroeffentlichen("kost.txt", "14.03.2024\r\n");
    if (f.eintraege.empty())
      server.veroeffentlichen("kost.zip", f.roh);
    else
      server.paket("kost.zip", f.eintraege);

    drueckenUndWarten(UpdateArt::Kosttr);

    EXPECT_EQ(texte(), std::vector<std::string>{"Kostenträger anzuwenden ab: 14.03.2024\r\nübernehmen ?"});
    const auto l = zeilen();
    if (f.grund) {
      EXPECT_TRUE(l.back().starts_with(z("Kostenträgerdateien nicht übernommen: " + *f.grund))) << l.back();
      EXPECT_FALSE(fs::exists(programm / "Temp" / "kost.zip"));
      EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Fehler);
    } else {
      EXPECT_EQ(l.back(), z("Download beendet"));
      EXPECT_TRUE(fs::exists(programm / "Temp" / "kost.zip"));  // kept for another try
      EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Abgebrochen);
    }
    EXPECT_EQ(daten.read(jahrKosttr + "AO05Q124.ke0"), "alt");
    EXPECT_FALSE(daten.exists(jahrKosttr + "AO05Q224.ke0"));
    EXPECT_FALSE(programm.exists("Kosttr/AO05Q224.ke0"));
    EXPECT_TRUE(programm.exists("Kosttr/EK06Q124.ke0"));
    EXPECT_FALSE(programm.exists("boese.ke0"));
    EXPECT_FALSE(programm.exists("Temp/KosttrNeu"));
    EXPECT_EQ(jahrWert("2024", "KosttrDatum"), "-1");
    EXPECT_EQ(globals().StandKosttrDatum, "01.01.2000");
    EXPECT_EQ(readNative(daten / "Abrechng/2024/Daten/Kosttr.db"), kosttrDb);
  }
}

TEST_F(OnlineUpdate, TwoChainsAtOnceKeepTheirOwnDates) {
  // The cost-bearer package is held until the program's date file has been read (and the
  // shared DownloadDatum overwritten); the program package stalls until it is stopped.
  server.veroeffentlichen("kost.txt", "14.03.2024\r\n");
  server.veroeffentlichen("update.txt", "16.03.2024\r\n");
  server.paket("kost.zip", {{"AO05Q224.ke0", "neu"}});
  server.veroeffentlichen("update.zip", std::string(5000, 'u'));
  server.regeln({{"kost.zip", R"({"release": "kost"})"}, {"update.zip", R"({"hang": 100})"}});
  dialogs.answer(ui::DlgResult::Cancel);
  form->BitBtnKost->click();
  while (UpdateZustand(UpdateArt::Kosttr).datum.empty()) platform::waitForMessages();
  form->BitBtnLiveUpdate->click();
  while (UpdateZustand(UpdateArt::Programm).datum.empty()) platform::waitForMessages();
  EXPECT_EQ(globals().DownloadDatum, "16.03.2024");
  server.http.release("kost");
  warten(UpdateArt::Kosttr);

  EXPECT_EQ(texte(), std::vector<std::string>{"Kostenträger anzuwenden ab: 14.03.2024\r\nübernehmen ?"});
  EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::Abgebrochen);
  EXPECT_TRUE(UpdateKetteAktiv(UpdateArt::Programm));
  EXPECT_TRUE(fs::exists(programm / "Temp" / "kost.zip"));
  form->HttpDownloadFileZip->Stop();
  warten(UpdateArt::Programm);
  EXPECT_EQ(UpdateZustand(UpdateArt::Programm).datum, "16.03.2024");
  EXPECT_EQ(UpdateZustand(UpdateArt::Programm).ergebnis, UpdateErgebnis::Fehler);
  EXPECT_EQ(zeilen().back(), z("Fehler bei der Datenübertragung, Datei: update.zip"));
  // The program chain's failure empties Temp; the cost-bearer chain has ended, its package goes.
  EXPECT_FALSE(fs::exists(programm / "Temp" / "kost.zip"));
}

TEST_F(OnlineUpdate, ProgramButtonLeavesTheRunningCostBearerChainItsFiles) {
  server.veroeffentlichen("kost.txt", "14.03.2024\r\n");
  server.veroeffentlichen("update.txt", "01.01.2000\r\n");
  server.veroeffentlichen("kost.zip", std::string(20000, 'k'));
  server.regeln({{"kost.zip", R"({"hang": 1000})"}});
  form->BitBtnKost->click();
  while (form->HttpDownloadKostZip->Readed() < 1000) platform::waitForMessages();

  drueckenUndWarten(UpdateArt::Programm);
  EXPECT_EQ(zeilen().back(), z("Download beendet"));
  EXPECT_TRUE(fs::exists(programm / "Temp" / "kost.txt"));
  EXPECT_TRUE(fs::exists(programm / "Temp" / "kost.zip"));

  // The stalled package ends as a failed transfer of its own file.
  form->HttpDownloadKostZip->Stop();
  warten(UpdateArt::Kosttr);
  EXPECT_EQ(zeilen().back(), z("Fehler bei der Datenübertragung, Datei: kost.zip"));
  EXPECT_EQ(texte(), std::vector<std::string>{kUnterbrochen});
  EXPECT_FALSE(fs::exists(programm / "Temp" / "kost.zip"));
}

TEST_F(OnlineUpdate, UpdateLogWhenTheTabIsLeftAndAtClose) {
  const auto logDatei = [&] { return platform::toUtf8(programm.read("UPDATE.LOG")); };
  // A program that closes with an empty list keeps the file of the last run.
  programm.write("UPDATE.LOG", "letzter Lauf\r\n");
  neuStarten();
  form->close();
  EXPECT_EQ(logDatei(), "letzter Lauf\r\n");
  neuStarten();

  // A check from the update tab, which is then left.
  const auto lauf = [&] {
    form->PageControl1->setActivePageIndex(5);
    ASSERT_TRUE(form->BitBtnKost->setFocus());
    drueckenUndWarten(UpdateArt::Kosttr);
    form->PageControl1->setActivePageIndex(0);
  };
  server.veroeffentlichen("kost.txt", "01.01.2000\r\n");
  lauf();
  std::string text;
  for (const std::string& s : zeilen()) text += s + "\r\n";
  EXPECT_EQ(logDatei(), text);

  // Back and away again: the second file holds every line of the first and the new ones.
  lauf();
  const std::string zweite = logDatei();
  EXPECT_TRUE(zweite.starts_with(text));
  EXPECT_GT(zweite.size(), text.size());

  form->ListBoxLiveUpdate->items().add("noch eine Zeile");
  form->close();
  EXPECT_TRUE(logDatei().ends_with("noch eine Zeile\r\n"));
}

}  // namespace
}  // namespace riviza::test
