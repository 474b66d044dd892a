// The DAKOTA backup and the zip backup of the billing year, with their buttons (form library,
// maintenance); see datensicherung.h.
//
// xcopy's own failures ("XCOPY.EXE nicht gefunden", a copy program that cannot be started) cannot
// occur with the platform's copy; its error, which xcopy's exit code never reported, is what now
// makes a row fail even when an older ".txt" file still sits in the target.
#include "maintenance/datensicherung.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "app/Riviza1.h"
#include "app/allg_tools.h"
#include "app/globals.h"
#include "app/meldungen.h"
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

// What went wrong in a run: the engine's reports and the files it left out.
class Gruende {
 public:
  void add(std::string grund) {
    if (std::find(gruende_.begin(), gruende_.end(), grund) == gruende_.end())
      gruende_.push_back(std::move(grund));
  }
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
};

// The entries the archive holds after a run. Compress also counts an entry that a changed file
// replaced, once for the old and once for the new one.
int eintraegeImArchiv(zip::TZip& z) {
  int n = 0;
  for (const auto& e : z.HeaderList().entries()) n += e.info.status != zip::esDrop;
  return n;
}

// The engine's own detail is English; the user reads the code's German text.
std::string meldungstext(const std::string& datei, int code) {
  return (datei.empty() ? std::string() : pf::displayPath(datei) + ": ") + zip::ReasonText(code);
}

// The loaded year folder compressed into `archiv`, the archive's percentage shown as it goes;
// the entries the archive then holds, what went wrong added to `gruende`.
int archivieren(const std::string& archiv, ui::LongOperation& anzeige, Gruende& gruende) {
  const Globals& g = globals();
  zip::TZip z;
  zipEinrichten(z, archiv, g.DatenPfad + g.JahrPfad + "*.*");
  z.OnError = [&gruende](const std::string& datei, const std::string&, const std::string&, int code) {
    gruende.add(meldungstext(datei, code));
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
  const int anzahl = verarbeitet > 0 ? eintraegeImArchiv(z) : 0;
  for (const zip::TEntryFailure& fehler : z.Failures())
    gruende.add(meldungstext(fehler.fileName, fehler.code));
  if (anzahl == 0 && gruende.empty())
    gruende.add("Keine Dateien gefunden: " + pf::displayPath(g.DatenPfad + g.JahrPfad));
  return anzahl;
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
  const int anzahl = archivieren(archiv, anzeige, gruende);

  const std::string meldung = "Archivierte Dateien: " + std::to_string(anzahl);
  if (!gruende.empty() || !pf::fileExists(archiv)) {
    // Files the engine could not read leave an archive without them.
    const char* was =
        pf::fileExists(archiv) ? "Datensicherung unvollständig: " : "Datensicherung fehlgeschlagen: ";
    meldung::fehlerBox(meldung + "\n\n" + was + pf::displayPath(archiv) + gruende.text());
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
