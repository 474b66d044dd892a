// The zip backup of the billing year through "Start": the target from the folder dialog; the
// archive of the loaded year (not of the unsaved data-root edit or year box) under the name
// pattern, judged by unzip, 7zz and Python's zipfile and restored by each of them to the year's
// bytes (by unzip also to its file dates) with its umlaut names and empty folders; the 24 stored types
// stored; the progress; the label and LetzteDatensicherung; a second backup in the same second adding to the
// first; and the failures (no target, a missing, read-only or full target, nothing to archive) that leave no
// archive, no temporary file and no stamp, or an unreadable table that leaves an incomplete archive
// and no stamp.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <iterator>
#include <sstream>
#include <utility>

#include "platform/syscalls.h"
#include "sicherung_fixture.h"

namespace riviza::test {
namespace {

// The entries a backup of the fixture year holds, counted by hand: Abrechng.ini, AdrDlz.db (the
// start-up's template), Ann.db, ErfPosition.db, the cost-bearer file, the umlaut file, the three
// files of stored types, the folders without files Temp, Leer and Leer/Unter, the hidden files
// Daten/.notiz and .ordner/x.txt, and the umlaut file again through the link Verweis.
constexpr int kEintraege = 15;

// The archive types stored without compression, each spelt in a case of its own.
const char* const kGespeichert[] = {".ace", ".ARC", ".arj", ".BH",  ".cab", ".ENC", ".gz",  ".HA",
                                    ".jar", ".LHA", ".lzh", ".PAK", ".pk3", ".PK_", ".rar", ".TAR",
                                    ".tgz", ".UUE", ".uu",  ".WAR", ".xxe", ".Z",   ".zip", ".ZOO"};

std::map<std::string, int> methoden(const std::string& liste) {
  std::map<std::string, int> m;
  std::istringstream in(liste);
  for (std::string zeile; std::getline(in, zeile);) {
    const size_t blank = zeile.rfind(' ');
    m[zeile.substr(0, blank)] = std::stoi(zeile.substr(blank + 1));
  }
  return m;
}

TEST_F(Sicherung, StartArchivesTheLoadedYearForTheOutsideToolsAndStampsIt) {
  gestartet();
  for (size_t i = 0; i < std::size(kGespeichert); ++i)
    daten.write("Abrechng/2024/Archiv/typ" + std::string(kGespeichert[i]), tabellenText(3000, 10 + i));
  daten.write("Abrechng/2024/Archiv/typ.zipx", tabellenText(3000, 9));  // no archive type
  const int eintraege = kEintraege + static_cast<int>(std::size(kGespeichert)) + 1;
  const fs::path alt = jahrOrdner() / "Daten/Ann.db";
  fs::last_write_time(alt, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  const fs::path schnappschuss = systemTemp / "vorher";
  fs::copy(jahrOrdner(), schnappschuss, fs::copy_options::recursive);
  // The target comes from the folder dialog, which opens on the edit's folder; cancel keeps it.
  form->EditZiel->setText(imDaten("alt"));
  dialogs.answerFolder(std::nullopt);
  form->SpeedButton1->click();
  EXPECT_EQ(form->EditZiel->text(), imDaten("alt"));
  dialogs.answerFolder(imDaten("Sicherung"));
  form->SpeedButton1->click();
  EXPECT_EQ(form->EditZiel->text(), imDaten("Sicherung"));
  ASSERT_EQ(dialogs.transcript().size(), 2u);
  for (const ui::DialogShown& d : dialogs.transcript()) {
    EXPECT_EQ(d.kind, ui::DialogShown::Kind::FolderDialog);
    EXPECT_EQ(d.text, imDaten("alt"));
  }
  dialogs.clear();
  form->EditKuerzel->setText("");
  form->EditOrdnerBw->setText(imDaten("woanders"));  // unsaved: the loaded root and year count
  form->ComboBoxAktuellesJahr->setText("2023");

  form->BitBtn5->click();

  ASSERT_EQ(texte(), std::vector<std::string>{"Archivierte Dateien: " + std::to_string(eintraege)});
  EXPECT_EQ(form->LabelDbSatz->caption(), "100 %");      // the engine's progress, last shown
  const std::string name = "_2024_24-03-15_103000.ZIP";  // empty short name, clock 15.03.2024 10:30:00
  ASSERT_EQ(dateienIn(sicherungOrdner()), std::vector<std::string>{name});
  EXPECT_EQ(form->LabelSicherung->caption(),
            "Letzte Datensicherung: 15.03.2024");  // as the next load shows it
  EXPECT_EQ(jahrWert("2024", "LetzteDatensicherung", "DASI"), "15.03.2024");
  EXPECT_EQ(jahrWert("2023", "LetzteDatensicherung", "DASI"), "-1");
  EXPECT_FALSE(form->LabelWarten->visible());
  EXPECT_EQ(form->cursor(), ui::TCursor::crDefault);
  EXPECT_EQ(dateienIn(systemTemp.path()), std::vector<std::string>{"vorher"});

  const fs::path archiv = sicherungOrdner() / name;
  werkzeug({"unzip", "-tq", archiv.string()}, sicherungOrdner());
  werkzeug({"7zz", "t", "-bd", archiv.string()}, sicherungOrdner());
  const auto methode = methoden(pythonListe(archiv));
  EXPECT_EQ(static_cast<int>(methode.size()), eintraege);
  for (const char* typ : kGespeichert) EXPECT_EQ(methode.at(std::string("Archiv/typ") + typ), 0) << typ;
  for (const char* gespeichert : {"Update/kost.ZIP", "Update/alt.gz", "Update/paket.Tar"})
    EXPECT_EQ(methode.at(gespeichert), 0) << gespeichert;
  for (const char* gepackt :
       {"Daten/Ann.db", "Daten/ErfPosition.db", "Kosttr/AO05Q124.ke0", "Archiv/typ.zipx"})
    EXPECT_EQ(methode.at(gepackt), 8) << gepackt;
  for (const char* leer : {"Leer/", "Leer/Unter/", "Temp/"}) EXPECT_EQ(methode.count(leer), 1u) << leer;

  // unzip, 7zz and Python's zipfile each restore the year as it was before the stamp (the
  // position table in several deflate blocks of the writer's workers), umlaut names and empty
  // folders included.
  const fs::path wiederhergestellt = systemTemp / "unzip";
  const struct {
    const char* name;
    std::vector<std::string> aufruf;
  } auspacker[] = {
      {"unzip", {"unzip", "-q", archiv.string(), "-d", wiederhergestellt.string()}},
      {"7zz", {"7zz", "x", "-y", "-bd", "-o" + (systemTemp / "7zz").string(), archiv.string()}},
      {"python",
       {"/usr/bin/python3", "-c",
        "import sys, zipfile\nzipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])\n", archiv.string(),
        (systemTemp / "python").string()}},
  };
  for (const auto& a : auspacker) {
    SCOPED_TRACE(a.name);
    fs::create_directories(systemTemp / a.name);
    werkzeug(a.aufruf, sicherungOrdner());
    EXPECT_EQ(CompareTrees(schnappschuss, systemTemp / a.name), "");
  }
  EXPECT_TRUE(fs::exists(wiederhergestellt / "Prüfung" / "Übersicht für Ärzte.txt"));
  EXPECT_TRUE(fs::is_directory(wiederhergestellt / "Leer" / "Unter"));
  // The entry carries its file's date (to the two seconds of the format), not the day's.
  const auto abstand = fs::last_write_time(wiederhergestellt / "Daten/Ann.db") - fs::last_write_time(alt);
  EXPECT_LE(std::chrono::abs(abstand), std::chrono::seconds(2));
}

TEST_F(Sicherung, TwoBackupsInOneSecondWriteOneArchiveHoldingTheYearAsNow) {
  gestartet();
  form->EditZiel->setText(imDaten("Sicherung"));
  form->EditKuerzel->setText("AB");
  form->BitBtn5->click();
  const fs::path archiv = sicherungOrdner() / "AB_2024_24-03-15_103000.ZIP";
  const std::string vorStempel = werkzeug({"unzip", "-p", archiv.string(), "Abrechng.ini"}, daten.path());
  const std::string ann = werkzeug({"unzip", "-p", archiv.string(), "Daten/Ann.db"}, daten.path());
  form->BitBtn5->click();
  EXPECT_EQ(texte(), std::vector<std::string>(2, "Archivierte Dateien: " + std::to_string(kEintraege)));
  EXPECT_EQ(dateienIn(sicherungOrdner()), std::vector<std::string>{"AB_2024_24-03-15_103000.ZIP"});
  // The first backup's stamp is in the year's file now, and in the archive.
  const std::string ini = readNative(jahrOrdner() / "Abrechng.ini");
  EXPECT_NE(ini, vorStempel);
  EXPECT_EQ(werkzeug({"unzip", "-p", archiv.string(), "Abrechng.ini"}, daten.path()), ini);
  EXPECT_EQ(werkzeug({"unzip", "-p", archiv.string(), "Daten/Ann.db"}, daten.path()), ann);
  werkzeug({"unzip", "-tq", archiv.string()}, daten.path());
}

// System calls of the failure cases: writes of the zip engine's temporary file fail with a full
// disk, the target folder refuses new files and renames into it, or one table or folder cannot
// be read (root ignores file modes); and what happens in the year folder while the engine puts
// the archive in place (after its scan, before the check).
struct Stoerung {
  static inline std::string ziel, temp;
  static inline int fehler = 0;  // ENOSPC, EROFS or EACCES; 0: none
  static inline std::string gesperrt;
  static inline std::function<void()> waehrend;

  static bool unter(const char* pfad, const std::string& ordner) {
    return !ordner.empty() && std::strncmp(pfad, ordner.c_str(), ordner.size()) == 0;
  }
  static std::string pfadVon(int fd) {
    char puffer[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), puffer, sizeof puffer);
    return n > 0 ? std::string(puffer, static_cast<size_t>(n)) : std::string();
  }
  static platform::SysCalls tabelle() {
    platform::SysCalls c = platform::realSysCalls();
    c.open = [](const char* pfad, int flags, mode_t mode) {
      if (fehler == EROFS && (flags & O_CREAT) && unter(pfad, ziel)) return errno = EROFS, -1;
      if (fehler == EACCES && std::string_view(pfad).ends_with(gesperrt)) return errno = EACCES, -1;
      return platform::realSysCalls().open(pfad, flags, mode);
    };
    c.rename = [](const char* von, const char* nach) {
      if (fehler == EROFS && unter(nach, ziel)) return errno = EROFS, -1;
      if (waehrend && unter(von, temp)) std::exchange(waehrend, nullptr)();
      return platform::realSysCalls().rename(von, nach);
    };
    c.write = [](int fd, const void* puffer, size_t n) -> ssize_t {
      if (fehler == ENOSPC && unter(pfadVon(fd).c_str(), temp)) return errno = ENOSPC, -1;
      return platform::realSysCalls().write(fd, puffer, n);
    };
    c.pwrite = [](int fd, const void* puffer, size_t n, off_t at) -> ssize_t {
      if (fehler == ENOSPC && unter(pfadVon(fd).c_str(), temp)) return errno = ENOSPC, -1;
      return platform::realSysCalls().pwrite(fd, puffer, n, at);
    };
    return c;
  }
};

// An archive that lacks something keeps the name of an incomplete one and says what it lacks.
TEST_F(Sicherung, AFailedBackupLeavesNoArchiveNoTemporaryFileAndNoStamp) {
  gestartet();
  struct Fall {
    const char* was;
    std::string ziel;
    int stoerung;
    std::string meldungsanfang;
    std::string grund = {};       // the engine's reason, in German
    std::string genannt = {};     // named by the message; an archive lacking it stays
    std::string gesperrt = {};    // the table or folder that cannot be read
    bool jahrWeg = false;         // the year folder was removed behind the program's back
    std::string neu = {}, weg = {};  // a year file written, removed as the archive is put in place
  };
  const std::string fehlgeschlagen = "Archivierte Dateien: 0\n\nDatensicherung fehlgeschlagen: ";
  // A path as the message shows it: the Linux path with "/" (no drive maps the test's data root).
  const auto gezeigt = [this](const std::string& rel) { return (daten / rel).string(); };
  auto unvollstaendig = [&](int eintraege) {
    return "Archivierte Dateien: " + std::to_string(eintraege) +
           "\n\nDatensicherung unvollständig: " + gezeigt("Sicherung/_2024_24-03-15_103000_UNVOLLSTAENDIG.ZIP") +
           "\n";
  };
  const std::string arbeit = "_2024_24-03-15_103000_UNVOLLSTAENDIG.ZIP";
  const Fall faelle[] = {
      {"no target chosen", "", 0, "Kein Ziel für die Datensicherung angegeben!"},
      {"blank target", "   ", 0, "Kein Ziel für die Datensicherung angegeben!"},
      {"missing target folder", imDaten("Fehlt"), 0, fehlgeschlagen + gezeigt("Fehlt/_2024_"),
       "\n" + gezeigt("Fehlt/" + arbeit) + ": Ordner nicht gefunden (Zip 25158)"},
      {"read-only target", imDaten("Sicherung"), EROFS, fehlgeschlagen + gezeigt("Sicherung/_2024_"),
       ": Datenträger ist schreibgeschützt (Zip 25171)"},
      {"full disk", imDaten("Sicherung"), ENOSPC, fehlgeschlagen + gezeigt("Sicherung/_2024_"),
       ": Datenträger voll (Zip 25160)"},
      {"nothing to archive", imDaten("Sicherung"), 0, fehlgeschlagen + gezeigt("Sicherung/_2024_"),
       "\nKeine Dateien zu verarbeiten (Zip 25268)", "", "", true},
      {"a table cannot be read", imDaten("Sicherung"), EACCES, unvollstaendig(kEintraege - 1),
       "\n" + gezeigt("Abrechng/2024/Daten/ErfPosition.db") + ": Datei kann nicht geöffnet werden (Zip 25235)",
       "ErfPosition.db", "/Daten/ErfPosition.db"},
      {"a folder cannot be read", imDaten("Sicherung"), EACCES, unvollstaendig(kEintraege - 1),
       ": Datei kann nicht geöffnet werden (Zip 25235) (Ordner nicht lesbar: Zugriff verweigert (errno 13))",
       "Kosttr/", "/Abrechng/2024/Kosttr"},
      {"a file written while the archive was made", imDaten("Sicherung"), 0, unvollstaendig(kEintraege), "",
       "Fehlt im Archiv: " + gezeigt("Abrechng/2024/Daten/neu.db"), "", false, "Daten/neu.db"},
      {"a file removed while the archive was made", imDaten("Sicherung"), 0, unvollstaendig(kEintraege), "",
       "Nicht mehr im Jahresordner: " + gezeigt("Abrechng/2024/Daten/Ann.db"), "", false, "", "Daten/Ann.db"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    dialogs.clear();
    form->EditZiel->setText(f.ziel);
    Stoerung::ziel = fs::canonical(sicherungOrdner()).string();
    Stoerung::temp = fs::canonical(systemTemp.path()).string();
    Stoerung::fehler = f.stoerung;
    Stoerung::gesperrt = f.gesperrt;
    Stoerung::waehrend = [&] {
      if (!f.neu.empty()) writeNative(jahrOrdner() / f.neu, "neu");
      if (!f.weg.empty()) fs::rename(jahrOrdner() / f.weg, daten / "weg.db");
    };
    if (f.jahrWeg) fs::rename(jahrOrdner(), daten / "weg");
    {
      platform::ScopedSysCalls gestoert(Stoerung::tabelle());
      form->BitBtn5->click();
    }
    if (f.jahrWeg) fs::rename(daten / "weg", jahrOrdner());
    if (!f.neu.empty()) fs::remove(jahrOrdner() / f.neu);
    if (!f.weg.empty() && fs::exists(daten / "weg.db")) fs::rename(daten / "weg.db", jahrOrdner() / f.weg);
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    const ui::DialogShown& d = dialogs.transcript()[0];
    EXPECT_EQ(d.caption, "Fehler !");
    EXPECT_EQ(d.icon, ui::MsgIcon::Error);
    EXPECT_TRUE(d.text.starts_with(f.meldungsanfang)) << d.text;
    EXPECT_NE(d.text.find(f.grund), std::string::npos) << d.text;
    EXPECT_NE(d.text.find(f.genannt), std::string::npos) << d.text;
    // Only an archive that lacks something stays, under the name of an incomplete one.
    EXPECT_EQ(dateienIn(sicherungOrdner()),
              f.genannt.empty() ? std::vector<std::string>{}
                                : std::vector<std::string>{"_2024_24-03-15_103000_UNVOLLSTAENDIG.ZIP"});
    for (const std::string& name : dateienIn(sicherungOrdner())) fs::remove(sicherungOrdner() / name);
    EXPECT_FALSE(fs::exists(daten / "Fehlt"));
    EXPECT_TRUE(dateienIn(systemTemp.path()).empty());
    EXPECT_EQ(jahrWert("2024", "LetzteDatensicherung", "DASI"), "-1");
    EXPECT_EQ(form->LabelSicherung->caption(), "Letzte Datensicherung: ");
    EXPECT_FALSE(form->LabelWarten->visible());
  }
}

}  // namespace
}  // namespace riviza::test
