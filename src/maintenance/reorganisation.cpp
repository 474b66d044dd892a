// DatenReorganisieren and the reorganisation tab's start button (form library, maintenance); see
// reorganisation.h.
//
// The year folder Y (DatenPfad + JahrPfad) holds, besides the tables in Daten:
//   <yyyymmdd>\<hhnnss>\Daten   the dated backup of this run (a suffix "_2", "_3", ... when a
//                               run of the same second left one), with a copy of REORG.LOG
//   Daten_alt                   the backup of the last run, replaced by this run's
//   Daten_alt~neu               this run's backup while it is made
//   Daten_neu                   the work folder: templates of LeerDaten, filled table by table
//   Daten_vorher, Daten_alt~alt the old folders for the moment of the exchange
// The order keeps the year's tables usable whatever fails: the preconditions are checked before
// anything is made; both backups are copied and their sizes checked before Daten_neu is built;
// every table is converted in Daten_neu; what only Daten has is carried over; then one exchange
// (app/vorgang.h) puts Daten_alt~neu and Daten_neu in the places of Daten_alt and Daten, with
// the year's new Version, and removes the old folders once all of it is done. A failure before
// that leaves Daten, Daten_alt and the Version as they were, and removes what this run copied
// (the disk it filled has its room back); REORG.LOG and one message say what failed. A process
// killed during the exchange leaves its journal, and the next start restores the year or
// finishes the exchange before anything looks at Daten (the old way let the start make a new,
// empty Daten and the next run delete the folder aside, the only copy of the year). The index
// files the old database engine kept beside its tables ("*.p*", "*.x*", "*.y*") are the ones
// not carried over.
#include "maintenance/reorganisation.h"

#include <set>

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "app/vorgang.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "forms/tabellen_pause.h"
#include "maintenance/reorganisation_tabellen.h"
#include "maintenance/update_liste.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/masks.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/text.h"
#include "ui/busy.h"
#include "ui/operation.h"

namespace riviza {

namespace {

namespace pf = platform;

std::optional<bool> gBeimStart;
bool gBeendet = false;  // the last run ended with "Reorganisation beendet"

// Companion files SQLite may leave beside a table; they belong to the table file they name.
constexpr const char* kBegleitEndungen[] = {"-journal", "-wal", "-shm"};

// The table file a companion file belongs to; nullopt for any other name.
std::optional<std::string> begleiteteTabelle(std::string_view name) {
  for (std::string_view endung : kBegleitEndungen) {
    if (name.size() > endung.size() && pf::equalsIgnoreCase(name.substr(name.size() - endung.size()), endung))
      return std::string(name.substr(0, name.size() - endung.size()));
  }
  return std::nullopt;
}

// A failed step with the German text of what failed in front of the layer's message.
Status mitGrund(Status st, const std::string& was) {
  if (st) return st;
  return Error::make(st.error().code, was + " (" + st.error().message + ")");
}

Status kopierenUndPruefen(const std::string& von, const std::string& nach) {
  Status st = pf::copyFile(von, nach);
  if (st) {
    const auto quelle = pf::fileInfo(von), ziel = pf::fileInfo(nach);
    if (!quelle || !ziel || quelle->sizeBytes != ziel->sizeBytes)
      st = Error::make(EIO, "Kopie unvollständig: " + pf::displayPath(nach));
  }
  return mitGrund(st, "FEHLER beim kopieren: " + pf::displayPath(von) + "  ->  " + pf::displayPath(nach));
}

class Reorganisation {
 public:
  Reorganisation()
      : f_(*FormEinstellungen),
        y_(globals().DatenPfad + globals().JahrPfad),
        daten_(y_ + "Daten"),
        datenAlt_(y_ + "Daten_alt"),
        datenNeu_(y_ + "Daten_neu"),
        datenVorher_(y_ + "Daten_vorher"),
        vorgang_(installation(), "Reorganisation " + pf::displayPath(y_ + "Daten")) {}

  void ausfuehren();

 private:
  bool vorbedingungen();
  bool datiertenOrdnerAnlegen();
  Status sichern();
  void indexNeuAufbauen();
  Result<std::vector<std::string>> vorlagenKopieren();
  Status tabellenUmbauen(const std::vector<std::string>& tabellen);
  Status uebernehmen();
  Status tauschen();
  void aufraeumen();
  void abschliessen(const Status& ergebnis, TabellenPause& pause);
  std::vector<std::string> auflisten(const std::string& ordner, const char* maske);

  TFormEinstellungen& f_;
  const std::string y_, daten_, datenAlt_, datenNeu_, datenVorher_;
  std::string datiert_;  // relative to Y: "yyyymmdd\hhnnss"
  Vorgang vorgang_;
  std::string datenAltNeu_;  // the backup being made, staged for Daten_alt
};

// The checks before the run are reported under "FEHLER", its outcome under "Fehler !".
void fehler(const std::string& text) {
  meldung::fehler(text);
  globals().FehlerAufgetreten = true;
}
void fehlerBox(const std::string& text) {
  meldung::fehlerBox(text);
  globals().FehlerAufgetreten = true;
}

std::vector<std::string> Reorganisation::auflisten(const std::string& ordner, const char* maske) {
  f_.FileListBoxReorg->setMask(maske);
  f_.FileListBoxReorg->setDirectory(ordner);
  pf::processMessages();
  return f_.FileListBoxReorg->items().lines();
}

// Everything the routine relies on, before it makes a folder or deletes a file.
bool Reorganisation::vorbedingungen() {
  if (pf::trim(globals().DatenPfad).empty()) {
    fehler("Eintrag fehlt ! Ordner der Fachanwendung");
    return false;
  }
  const std::string vorlagen = globals().ProgrammPfad + "LeerDaten";
  if (auflisten(vorlagen, "*.db").empty()) {
    fehler("Vorlagen fehlen ! Keine Tabellen in " + pf::displayPath(vorlagen));
    return false;
  }
  if (!pf::directoryExists(daten_)) {
    fehler("Ordner fehlt ! " + pf::displayPath(daten_));
    return false;
  }
  return true;
}

bool Reorganisation::datiertenOrdnerAnlegen() {
  const pf::DateTime jetzt = pf::now();
  const std::string datum = pf::formatDate(jetzt), zeit = pf::formatTime(jetzt);
  const std::string basis = datum.substr(6, 4) + datum.substr(3, 2) + datum.substr(0, 2) + "\\" +
                            zeit.substr(0, 2) + zeit.substr(3, 2) + zeit.substr(6, 2);
  datiert_ = basis;
  for (int n = 2; pf::pathExists(y_ + datiert_); ++n) datiert_ = basis + "_" + std::to_string(n);
  if (Status st = pf::forceDirectories(y_ + datiert_ + "\\Daten"); !st) {
    fehler("Ordner nicht angelegt: " + pf::displayPath(y_ + datiert_ + "\\Daten") + "\n\n" +
           st.error().message);
    return false;
  }
  return true;
}

// Both backups, each file checked for its size before anything goes on; Daten_alt is made
// beside the old one and takes its place with the new tables.
Status Reorganisation::sichern() {
  if (!pf::directoryExists(datenAlt_)) ReorgProtokoll("Ordner angelegt: " + pf::displayPath(datenAlt_));
  auto alt = vorgang_.dateien().stageFolder(datenAlt_);
  if (!alt) return mitGrund(alt.error(), "Ordner nicht angelegt: " + pf::displayPath(datenAlt_));
  datenAltNeu_ = *alt;
  ReorgProtokoll("Dateien gelöscht: " + pf::displayPath(datenAlt_));
  pf::processMessages();
  for (const std::string& datei : auflisten(daten_, "*.*")) {
    for (const std::string& ziel : {datenAltNeu_, y_ + datiert_ + "\\Daten"})
      RIVIZA_TRY(kopierenUndPruefen(daten_ + "\\" + datei, std::string(ziel).append("\\").append(datei)));
  }
  ReorgProtokoll("Daten kopiert: " + pf::displayPath(daten_ + "\\") + "  ->  " +
                 pf::displayPath(datenAlt_ + "\\"));
  ReorgProtokoll("Daten kopiert: " + pf::displayPath(daten_ + "\\") + "  ->  " +
                 pf::displayPath(y_ + datiert_ + "\\Daten\\"));
  pf::processMessages();
  return okStatus();
}

// The voucher table's indexes rebuilt and its file checked; a failure is logged and the routine
// goes on (reading the table in the copy step will find a real defect).
void Reorganisation::indexNeuAufbauen() {
  db::TTable& t = *f_.TableAlt;
  t.close();
  Status st = t.setDatabaseName(daten_);
  if (st) st = t.setTableName("ErfBeleg.DB");
  if (st) st = t.setExclusive(true);
  if (st) st = t.open();
  if (st) st = t.rebuildIndexes();
  if (st) st = t.checkIntegrity();
  pf::processMessages();
  t.close();
  ReorgProtokoll(st ? "  ErfBeleg.DB  Index neu aufgebaut" : "  ErfBeleg.DB  Index nicht aufgebaut, Fehler!");
  pf::processMessages();
}

// Daten_neu afresh with every template but the template settings file; the table files it holds.
Result<std::vector<std::string>> Reorganisation::vorlagenKopieren() {
  const std::string vorlagen = globals().ProgrammPfad + "LeerDaten";
  const std::vector<std::string> dateien = auflisten(vorlagen, "*.*");
  // Staged for Daten from the start, so that a killed run leaves none behind.
  auto neu = vorgang_.dateien().stageFolder(daten_, datenNeu_, datenVorher_);
  if (!neu) return mitGrund(Status(neu.error()), "Ordner nicht angelegt: " + pf::displayPath(datenNeu_)).error();
  for (const std::string& datei : dateien)
    if (!pf::equalsIgnoreCase(datei, kAbrechngIni))
      RIVIZA_TRY(kopierenUndPruefen(std::string(vorlagen).append("\\").append(datei), datenNeu_ + "\\" + datei));
  pf::processMessages();
  return auflisten(datenNeu_, "*.db");
}

Status Reorganisation::tabellenUmbauen(const std::vector<std::string>& tabellen) {
  RIVIZA_TRY(f_.TableAlt->setDatabaseName(daten_));
  RIVIZA_TRY(f_.TableNeu->setDatabaseName(datenNeu_));
  f_.LabelDbSatz->setCaption("0");
  f_.LabelDbSatz->setVisible(true);
  for (const std::string& datei : tabellen)
    if (pf::fileExists(daten_ + "\\" + datei)) RIVIZA_TRY(TabelleReorganisieren(datei));
  return okStatus();
}

// What only Daten has (tables of no template, other files, sub-folders) goes over unchanged;
// the old engine's index files and the companions of rebuilt tables stay behind.
Status Reorganisation::uebernehmen() {
  std::set<std::string> neu;
  std::vector<std::string> tabellen;
  for (const pf::DirEntry& e : pf::listDirectory(datenNeu_)) neu.insert(pf::foldCase(e.name));
  for (const std::string& ordner : {daten_, datenNeu_})
    for (const pf::DirEntry& e : pf::listDirectory(ordner, "*.db")) tabellen.push_back(e.name);
  for (const pf::DirEntry& e : pf::listDirectory(daten_)) {
    if (neu.count(pf::foldCase(e.name))) continue;
    if (!e.isDirectory && IstIndexDatei(e.name, tabellen)) continue;
    if (auto tabelle = begleiteteTabelle(e.name); tabelle && neu.count(pf::foldCase(*tabelle))) continue;
    const std::string von = daten_ + "\\" + e.name, nach = datenNeu_ + "\\" + e.name;
    RIVIZA_TRY(e.isDirectory
                   ? mitGrund(pf::copyTree(von, nach), "FEHLER beim kopieren: " + pf::displayPath(von) +
                                                           "  ->  " + pf::displayPath(nach))
                   : kopierenUndPruefen(von, nach));
    ReorgProtokoll(e.name + " nur in Daten, unverändert übernommen");
    pf::processMessages();
  }
  return okStatus();
}

// Daten_neu and the new Daten_alt take their places, with the year's Version, in one exchange.
Status Reorganisation::tauschen() {
  auto ini = vorgang_.dateien().stageCopy(jahrIniPfad());
  Status st = ini ? pf::IniFile(*ini).writeString("EINSTELLUNGEN", "Version", DateiVersion("").substr(0, 3))
                  : Status(ini.error());
  RIVIZA_TRY(mitGrund(st, "Version nicht gespeichert: " + pf::displayPath(jahrIniPfad())));
  RIVIZA_TRY(mitGrund(vorgang_.festschreiben(), "Umbenennen fehlgeschlagen: " + pf::displayPath(datenNeu_)));
  ReorgProtokoll("Index gelöscht: " + pf::displayPath(daten_ + "\\"));
  ReorgProtokoll("Dateien gelöscht: " + pf::displayPath(daten_ + "\\"));
  ReorgProtokoll("Daten kopiert: " + pf::displayPath(datenNeu_ + "\\") + "  ->  " +
                 pf::displayPath(daten_ + "\\"));
  ReorgProtokoll("Dateien gelöscht: " + pf::displayPath(datenNeu_));
  pf::processMessages();
  return okStatus();
}

// A run that failed takes back what it copied: the work folder, the backup made for Daten_alt
// and the dated copies (the dated folder stays, for the log). Daten and Daten_alt are the old.
void Reorganisation::aufraeumen() {
  if (pf::pathExists(datenNeu_)) (void)pf::removeTree(datenNeu_);
  const std::string datiert = y_ + datiert_ + "\\Daten";
  for (const pf::DirEntry& e : pf::listDirectory(datiert)) (void)pf::removeTree(datiert + "\\" + e.name);
}

void Reorganisation::abschliessen(const Status& ergebnis, TabellenPause& pause) {
  const Globals& g = globals();
  if (!ergebnis && vorgang_.unveraendert()) aufraeumen();
  for (const std::string& meldung : pause.wiederOeffnen()) ReorgProtokoll(meldung);
  if (ergebnis) {
    ReorgProtokoll("Reorganisation beendet");
    gBeendet = true;
  } else {
    ReorgProtokoll(ergebnis.error().message);
    ReorgProtokoll((vorgang_.unveraendert() ? "Reorganisation abgebrochen, Daten unverändert: "
                                            : "Reorganisation abgebrochen: ") +
                   pf::displayPath(daten_ + "\\"));
  }
  pf::processMessages();

  const std::string log = g.ProgrammPfad + kReorgLog;
  Status geschrieben = ListeSpeichern(f_.ListBoxReorg->items(), log);
  if (geschrieben) {
    const std::string kopie = y_ + datiert_ + "\\" + kReorgLog;
    geschrieben = pf::copyFile(log, kopie);
    if (!geschrieben) (void)pf::deleteFile(kopie);  // no half a log
  }
  // One message: a log that could not be written (a full disk) is said after the reason.
  const std::string logFehler =
      geschrieben ? std::string() : "\n\n" + std::string(kReorgLog) + " nicht geschrieben: " + geschrieben.error().message;
  if (ergebnis) {
    if (pf::fileExists(g.ProgrammPfad + "update.txt")) (void)pf::deleteFile(g.ProgrammPfad + "update.txt");
    if (!logFehler.empty()) fehlerBox(logFehler.substr(2));
  } else {
    fehlerBox("Reorganisation abgebrochen !\n\n" + ergebnis.error().message + "\n\n" +
              vorgang_.folgen("Die Tabellen in " + pf::displayPath(daten_) + " sind unverändert.") + logFehler);
  }
  f_.ListBoxReorg->setItemIndex(f_.ListBoxReorg->items().count() - 1);
  f_.LabelDbSatz->setVisible(false);
}

void Reorganisation::ausfuehren() {
  if (!vorbedingungen() || !datiertenOrdnerAnlegen()) return;
  if (!meldung::gefragt("Datensicherung durchgeführt ?")) return;
  ui::LongOperation anzeige(f_, f_.LabelWarten);
  TabellenPause pause;
  Status ergebnis = sichern();
  if (ergebnis) {
    indexNeuAufbauen();
    auto tabellen = vorlagenKopieren();
    ergebnis = tabellen ? tabellenUmbauen(*tabellen) : Status(tabellen.error());
  }
  if (ergebnis) ergebnis = uebernehmen();
  if (ergebnis) ergebnis = tauschen();
  abschliessen(ergebnis, pause);
}

}  // namespace

void DatenReorganisieren() {
  // The message pump runs after every record: as an operation, no second start (which would
  // rename the folders under the first one's feet) and no close gets in meanwhile.
  const ui::OperationGuard vorgang;
  gBeendet = false;
  Reorganisation().ausfuehren();
}

void DatenReorganisierenBeimStart() {
  DatenReorganisieren();
  gBeimStart = gBeendet && !globals().FehlerAufgetreten;
}

std::optional<bool> reorganisationBeimStart() { return gBeimStart; }

void reorganisationBeimStartVergessen() { gBeimStart.reset(); }

void TFormEinstellungen::BitBtnReorgClick(TComponent&) { DatenReorganisieren(); }

}  // namespace riviza
