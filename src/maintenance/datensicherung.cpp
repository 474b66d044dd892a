// The DAKOTA backup and the zip backup of the billing year, with their buttons (form library,
// maintenance); see datensicherung.h.
//
// xcopy's own failures ("XCOPY.EXE nicht gefunden", a copy program that cannot be started) cannot
// occur with the platform's copy; its error, which xcopy's exit code never reported, is what now
// makes a row fail even when an older ".txt" file still sits in the target.
#include "maintenance/datensicherung.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/text.h"
#include "ui/busy.h"
#include "ui/dialogs.h"
#include "zip/kvoErrors.h"
#include "zip/kvoFileScan.h"
#include "zip/kvoGbls.h"
#include "zip/kvoZip.h"

namespace riviza {

namespace {

namespace pf = platform;

// At most this many reasons are listed in a failure message; the rest are counted.
constexpr size_t kMaxGruende = 8;

// ---- DAKOTA ----

struct DakotaZeile {
  std::string quelle;  // the source folder as the message names it
  std::string ziel;    // the target below the year folder
};

std::vector<DakotaZeile> dakotaZeilen() {
  const Globals& g = globals();
  return {{pf::windowsFolderText() + "\\dakota_le", "Dakota_le"},
          {g.DakotaBenutzerPfad, "Dakotale"},
          {g.DakotaProgrammPfad, "Programme\\Dakotale"}};
}

// An empty source names no folder: copying it would copy the current (program) folder.
Status zeileKopieren(const DakotaZeile& zeile, const std::string& ziel) {
  if (pf::trim(zeile.quelle).empty()) return Error::make(ENOENT, "kein Quellordner angegeben");
  if (Status st = pf::forceDirectories(ziel); !st) return st;
  return pf::copyTree(zeile.quelle, ziel);
}

// ---- zip ----

// The year folder's name for the archive name; the flat layout (JahrPfad "Abrechng\") has none.
std::string jahrName() {
  std::string jahr = pf::excludeTrailingBackslash(globals().JahrPfad);
  const std::string name = pf::extractFileName(jahr);
  return pf::equalsIgnoreCase(name, "Abrechng") ? std::string() : name;
}

// Every file of the loaded year folder, with all sub-folders.
std::string jahresMaske() { return globals().DatenPfad + globals().JahrPfad + "*.*"; }

// "yy-MM-dd_hhmmss" from today's date text "dd.MM.yyyy" and the time text "hh:mm:ss".
std::string zeitstempel(const pf::DateTime& jetzt) {
  const std::string d = pf::formatDate(jetzt), t = pf::formatTime(jetzt);
  return d.substr(8, 2) + "-" + d.substr(3, 2) + "-" + d.substr(0, 2) + "_" + t.substr(0, 2) +
         t.substr(3, 2) + t.substr(6, 2);
}

// Zip1 as the form sets it up, then the settings BitBtn5Click makes before Compress.
void zipEinrichten(zip::TZip& z, const std::string& archiv, const std::string& maske) {
  z.SetDefaultExt(".zip");
  z.StoreFilesOfType = zip::DefaultStoreFilesOfType();
  z.DeleteOptions = zip::doAllowUndo;
  z.SetTempDir("");
  z.SetArchiveFile(archiv);
  z.DateAttribute = zip::daFileDate;
  z.StoredDirNames = zip::sdRelative;
  z.SetCompressMethod(zip::cmDeflate);
  z.RecurseDirs = true;
  z.Switch = zip::swAdd;
  z.StoreEmptySubDirs = true;
  z.EncryptHeaders = false;
  z.ExcludeSpec.clear();
  z.FileSpec.clear();
  z.FileSpec.push_back(maske);
  constexpr zip::TkvoFileAttribute kAttribute[] = {zip::fsZeroAttr, zip::fsArchive,  zip::fsDirectory,
                                                   zip::fsHidden,   zip::fsReadOnly, zip::fsSysFile};
  for (auto a : kAttribute) z.SetAttribute(a, true);
  for (auto a : kAttribute) z.SetAttributeEx(a, false);
}

// What went wrong in a run: the engine's reports, the files it left out, and what the archive
// lacks; a file the engine named already is not named again as missing.
class Gruende {
 public:
  void add(std::string grund, const std::string& datei = {}) {
    if (!datei.empty()) benannt_.insert(datei);
    if (std::find(gruende_.begin(), gruende_.end(), grund) == gruende_.end())
      gruende_.push_back(std::move(grund));
  }
  bool nennt(const std::string& datei) const { return benannt_.contains(datei); }
  bool empty() const { return gruende_.empty(); }
  std::string text() const {
    std::string out;
    for (size_t i = 0; i < gruende_.size() && i < kMaxGruende; ++i) out += "\n" + gruende_[i];
    if (gruende_.size() > kMaxGruende)
      out += "\n... und " + std::to_string(gruende_.size() - kMaxGruende) + " weitere";
    return out;
  }

 private:
  std::vector<std::string> gruende_;
  std::set<std::string> benannt_;
};

// The engine's own details are English; the user reads the code's German text. The details of
// opening and scanning (a folder that cannot be listed, a link leading out) are the platform's and
// the scan's, in German, and name what was left out.
std::string meldungstext(const std::string& datei, int code, const std::string& zusatz) {
  std::string text = (datei.empty() ? std::string() : pf::displayPath(datei) + ": ") + zip::ReasonText(code);
  if (code == zip::kZipOpenError && !zusatz.empty()) text += " (" + zusatz + ")";
  return text;
}

// The name of an archive that is not (yet) known to be whole: under it the run writes and
// checks, and an archive that lacks something keeps it. It holds all that could be read, which
// is worth having until the cause is mended; the name keeps it from passing for a backup.
std::string unvollstaendigName(const std::string& archiv) {
  return pf::changeFileExt(archiv, "") + "_UNVOLLSTAENDIG.ZIP";
}

// The loaded year folder compressed into `archiv`, the archive's percentage shown as it goes;
// what went wrong added to `gruende`. The number of entries the run processed (0: nothing
// written).
int archivieren(const std::string& archiv, ui::LongOperation& anzeige, Gruende& gruende) {
  const Globals& g = globals();
  zip::TZip z;
  zipEinrichten(z, archiv, jahresMaske());
  z.OnError = [&gruende](const std::string& datei, const std::string& zusatz, const std::string&, int code) {
    gruende.add(meldungstext(datei, code, zusatz));
  };
  // A file changed since an archive of the same name (a second backup within one second; the
  // first one's stamp changes Abrechng.ini) replaces its entry: the archive holds the year as now.
  z.OnReplaceFile = [](const std::string&, const std::string&, double, double, int64_t, int64_t, int, int,
                       bool& ersetzen) { ersetzen = true; };
  int prozent = -1;
  z.OnProgress = [&](uint8_t, uint8_t archivProzent) {
    if (archivProzent == prozent) return;
    prozent = archivProzent;
    anzeige.show(std::to_string(prozent) + " %");
  };
  const int verarbeitet = z.Compress();
  for (const zip::TEntryFailure& fehler : z.Failures())
    gruende.add(meldungstext(fehler.fileName, fehler.code, fehler.reason), fehler.fileName);
  if (verarbeitet == 0 && gruende.empty()) gruende.add("Keine Dateien gefunden: " + pf::displayPath(g.DatenPfad + g.JahrPfad));
  return verarbeitet;
}

// The stored names of the archive's entries ("/" separated, folders ending in "/"), from the
// archive on disk; nothing when it cannot be read, which `gruende` then says.
std::set<std::string> eintraegeImArchiv(const std::string& archiv, Gruende& gruende) {
  zip::TZip leser;
  leser.SetArchiveFile(archiv);
  leser.OnError = [&](const std::string&, const std::string& zusatz, const std::string&, int code) {
    gruende.add("Archiv nicht lesbar: " + meldungstext(archiv, code, zusatz));
  };
  std::set<std::string> namen;
  if (leser.ReadDirectoryForEdit() == 0) return namen;
  for (const auto& e : leser.HeaderList().entries()) namen.insert(e.info.storedName);
  return namen;
}

// What the year folder holds by the backup's own selection, without the archive itself: its files
// and the folders that hold no file, as their stored names would be.
std::set<std::string> dateienImJahr(const std::string& archiv) {
  zip::TZip auswahl;
  zipEinrichten(auswahl, archiv, jahresMaske());
  zip::TkvoFileScan scan;
  scan.Attributes = auswahl.Attributes;
  scan.Attributes.include(zip::fsDirectory);
  scan.AttributesEx = auswahl.AttributesEx;
  scan.SetFileSpec(auswahl.FileSpec);
  scan.Scan();  // what it cannot read the backup's own scan has named
  const std::string wurzel = scan.RootDir();
  const std::string archivName = pf::extractFileName(archiv), selbst = zip::CanonicalText(archiv);
  auto istArchiv = [&](const zip::TFileObject& f) {
    return pf::equalsIgnoreCase(f.name, archivName) && zip::CanonicalText(f.folder + f.name) == selbst;
  };
  std::set<std::string> namen;
  for (const zip::TFileObject& f : scan.List()) {
    // A folder that holds a file appears through it.
    if (f.name.empty() ? !zip::TreeHoldsNoFiles(f.folder) : istArchiv(f)) continue;
    const std::string pfad = f.folder + f.name;
    if (pfad.size() > wurzel.size()) namen.insert(zip::BackslashToSlash(pfad.substr(wurzel.size())));
  }
  return namen;
}

// The archive against the year folder: each file the archive lacks and each entry whose file is
// gone is a reason. The number of entries the archive holds.
int archivPruefen(const std::string& archiv, Gruende& gruende) {
  const std::set<std::string> imArchiv = eintraegeImArchiv(archiv, gruende);
  const std::set<std::string> imJahr = dateienImJahr(archiv);
  const std::string jahr = globals().DatenPfad + globals().JahrPfad;
  for (const std::string& name : imJahr) {
    const std::string datei = jahr + zip::SlashToBackslash(name);
    if (!imArchiv.contains(name) && !gruende.nennt(datei)) gruende.add("Fehlt im Archiv: " + pf::displayPath(datei));
  }
  for (const std::string& name : imArchiv)
    if (!imJahr.contains(name))
      gruende.add("Nicht mehr im Jahresordner: " + pf::displayPath(jahr + zip::SlashToBackslash(name)));
  return static_cast<int>(imArchiv.size());
}

// The backup written and checked under the name of an incomplete one, and given the archive
// name only once it holds the whole year: no state of the run, a killed one included, leaves
// an archive under that name that lacks something. A backup in the same second adds to the
// first (the engine's switch add) through a copy, so the first stays whole if this one fails.
// The entries the archive holds; `unvollstaendig` is set when an archive was kept under the
// name of an incomplete one.
int sichern(const std::string& archiv, ui::LongOperation& anzeige, Gruende& gruende, bool& unvollstaendig) {
  const std::string arbeit = unvollstaendigName(archiv);
  const bool ersteDaZu = pf::fileExists(archiv);
  if (ersteDaZu) {
    if (Status kopiert = pf::copyFile(archiv, arbeit); !kopiert) {
      gruende.add(kopiert.error().message);
      (void)pf::deleteFile(arbeit);
      return 0;
    }
  }
  if (archivieren(arbeit, anzeige, gruende) == 0 && ersteDaZu) (void)pf::deleteFile(arbeit);  // the copy
  if (!pf::fileExists(arbeit)) return 0;
  const int eintraege = archivPruefen(arbeit, gruende);
  if (gruende.empty()) {
    const Status umbenannt = pf::renamePath(arbeit, archiv);
    if (umbenannt) return eintraege;
    gruende.add(umbenannt.error().message);
  }
  unvollstaendig = true;
  return eintraege;
}

}  // namespace

bool DakotaSichern(TFormEinstellungen& f) {
  Globals& g = globals();
  g.FehlerAufgetreten = false;
  g.DatenPfadKurz = pf::shortPathName(g.DatenPfad);
  g.StartPfadKurz = pf::shortPathName(g.StartPfad);
  const std::string jahr = g.DatenPfad + g.JahrPfad;
  ui::LongOperation anzeige(f, f.LabelWarten, f.LabelDbSatz);
  for (const DakotaZeile& zeile : dakotaZeilen()) {
    anzeige.show(zeile.quelle);
    const std::string ziel = jahr + zeile.ziel;
    const Status kopiert = zeileKopieren(zeile, ziel);
    pf::processMessages();
    if (kopiert && !DateienSuchen(ziel + "\\", "*.txt").empty()) continue;
    g.FehlerAufgetreten = true;
    ui::dialogs().showMessage("Fehler beim Kopieren, " + pf::displayPath(zeile.quelle) +
                              (kopiert ? std::string() : "\n" + kopiert.error().message));
  }
  if (g.FehlerAufgetreten) return false;
  ui::dialogs().showMessage("Dakota erfogreich gesichert  " + pf::displayPath(g.DatenPfadKurz + g.JahrPfad));
  return true;
}

bool JahrSichern(TFormEinstellungen& f) {
  const std::string ziel = pf::trim(f.EditZiel->text());
  if (ziel.empty()) {
    meldung::fehlerBox("Kein Ziel für die Datensicherung angegeben!\n\nBitte zuerst den Zielordner wählen.");
    return false;
  }
  ui::LongOperation anzeige(f, f.LabelWarten, f.LabelDbSatz);
  const pf::DateTime jetzt = pf::now();
  const std::string archiv =
      BackslashAnhaengen(ziel) + f.EditKuerzel->text() + "_" + jahrName() + "_" + zeitstempel(jetzt) + ".ZIP";
  Gruende gruende;
  bool unvollstaendig = false;
  const int anzahl = sichern(archiv, anzeige, gruende, unvollstaendig);

  const std::string meldung = "Archivierte Dateien: " + std::to_string(anzahl);
  if (!gruende.empty()) {
    const std::string was = unvollstaendig ? "Datensicherung unvollständig: " + pf::displayPath(unvollstaendigName(archiv))
                                           : "Datensicherung fehlgeschlagen: " + pf::displayPath(archiv);
    meldung::fehlerBox(meldung + "\n\n" + was + gruende.text());
    return false;
  }
  ui::dialogs().showMessage(meldung);
  // As the next load shows it: the caption with the day of the backup, not the bare archive.
  f.LabelSicherung->setCaption("Letzte Datensicherung: " + pf::formatDate(jetzt));
  pf::IniFile ini(jahrIniPfad());
  if (Status st = ini.writeString("DASI", "LetzteDatensicherung", pf::formatDate(jetzt)); !st) {
    meldung::fehlerBox("LetzteDatensicherung nicht gespeichert: " + st.error().message);
    return false;
  }
  return true;
}

void TFormEinstellungen::BitBtnDatensicherungClick(TComponent&) { DakotaSichern(*this); }

void TFormEinstellungen::BitBtn5Click(TComponent&) { JahrSichern(*this); }

}  // namespace riviza
