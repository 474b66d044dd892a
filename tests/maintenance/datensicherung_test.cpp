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
#include <iterator>
#include <sstream>

#include "platform/syscalls.h"
#include "sicherung_fixture.h"

namespace riviza::test {
namespace {

// The entries a backup of the fixture year holds, counted by hand: Abrechng.ini, AdrDlz.db (the
// start-up's template), Ann.db, ErfPosition.db, the cost-bearer file, the umlaut file, the three
// files of stored types, and the folders without files Temp, Leer and Leer/Unter.
constexpr int kEintraege = 12;

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
  EXPECT_EQ(form->LabelSicherung->caption(), imDaten("Sicherung") + "\\" + name);
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
// disk, the target folder refuses new files and renames into it, or one table cannot be read
// (root ignores file modes).
struct Stoerung {
  static inline std::string ziel, temp;
  static inline int fehler = 0;  // ENOSPC, EROFS or EACCES; 0: none
  static inline const char* gesperrt = "/Daten/ErfPosition.db";

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

TEST_F(Sicherung, AFailedBackupLeavesNoArchiveNoTemporaryFileAndNoStamp) {
  gestartet();
  struct Fall {
    const char* was;
    std::string ziel;
    int stoerung;
    std::string meldungsanfang;
    bool unvollstaendig = false;  // an archive without the unreadable table stays
    bool jahrWeg = false;         // the year folder was removed behind the program's back
  };
  const std::string fehlgeschlagen = "Archivierte Dateien: 0\n\nDatensicherung fehlgeschlagen: ";
  const Fall faelle[] = {
      {"no target chosen", "", 0, "Kein Ziel für die Datensicherung angegeben!"},
      {"blank target", "   ", 0, "Kein Ziel für die Datensicherung angegeben!"},
      {"missing target folder", imDaten("Fehlt"), 0, fehlgeschlagen + imDaten("Fehlt") + "\\_2024_"},
      {"read-only target", imDaten("Sicherung"), EROFS, fehlgeschlagen + imDaten("Sicherung") + "\\_2024_"},
      {"full disk", imDaten("Sicherung"), ENOSPC, fehlgeschlagen + imDaten("Sicherung") + "\\_2024_"},
      {"nothing to archive", imDaten("Sicherung"), 0, fehlgeschlagen + imDaten("Sicherung") + "\\_2024_",
       false, true},
      {"a table cannot be read", imDaten("Sicherung"), EACCES,
       "Archivierte Dateien: " + std::to_string(kEintraege - 1) +
           "\n\nDatensicherung unvollständig: " + imDaten("Sicherung") + "\\_2024_",
       true},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    dialogs.clear();
    form->EditZiel->setText(f.ziel);
    Stoerung::ziel = fs::canonical(sicherungOrdner()).string();
    Stoerung::temp = fs::canonical(systemTemp.path()).string();
    Stoerung::fehler = f.stoerung;
    if (f.jahrWeg) fs::rename(jahrOrdner(), daten / "weg");
    {
      platform::ScopedSysCalls gestoert(Stoerung::tabelle());
      form->BitBtn5->click();
    }
    if (f.jahrWeg) fs::rename(daten / "weg", jahrOrdner());
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    const ui::DialogShown& d = dialogs.transcript()[0];
    EXPECT_EQ(d.caption, "Fehler !");
    EXPECT_EQ(d.icon, ui::MsgIcon::Error);
    EXPECT_TRUE(d.text.starts_with(f.meldungsanfang)) << d.text;
    if (f.unvollstaendig) {
      EXPECT_NE(d.text.find("ErfPosition.db"), std::string::npos) << d.text;
    }
    EXPECT_EQ(dateienIn(sicherungOrdner()).size(), f.unvollstaendig ? 1u : 0u);
    EXPECT_FALSE(fs::exists(daten / "Fehlt"));
    EXPECT_TRUE(dateienIn(systemTemp.path()).empty());
    EXPECT_EQ(jahrWert("2024", "LetzteDatensicherung", "DASI"), "-1");
    EXPECT_EQ(form->LabelSicherung->caption(), "Letzte Datensicherung: ");
    EXPECT_FALSE(form->LabelWarten->visible());
  }
}

}  // namespace
}  // namespace riviza::test
