// The deferred start-up (Timer1Timer, StartInitialisieren), the shutdown (FormClose, "&Beenden"),
// the program-access lock and the caption rule (form library, application shell); see
// Riviza1_start.h.
//
// The German formats the Windows program forced at this point are explicit routines of the
// platform layer (platform/clock.h), so the start-up has nothing to set; today's date is always
// written with four year digits, so the two-digit repair of Tagesdatum is not needed either.
// Mended against the Windows program: a waiting setup program is started before the form
// closes, and one that cannot start is reported and put aside (it closed first and tried later,
// so a setup that never ran ended every start with "Neues Update noch nicht installiert !").
#include "forms/Riviza1_start.h"

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "app/vorgang.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_settings.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "maintenance/reorganisation.h"
#include "maintenance/update_installation.h"
#include "maintenance/update_online.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

namespace pf = platform;

namespace {

constexpr const char* kEinst = "EINSTELLUNGEN";
constexpr const char* kProgrammZugriff = "ProgrammZugriff";
// Appended to the name of a waiting setup program that could not be started.
constexpr const char* kNichtGestartet = ".nicht_gestartet";

using meldung::fehlerBox;
using meldung::hinweis;

// A version text such as "4.5" as a number; missing or no number counts as 0, so a year of
// unknown version is reorganised.
double versionsNummer(std::string wert) {
  if (wert == "-1") return 0;
  for (char& c : wert)
    if (c == '.') c = ',';
  return pf::parseFloat(wert).value_or(0);
}

// An empty path text names no folder (the platform maps it to the current folder).
bool ordnerVorhanden(const std::string& ordner) { return !ordner.empty() && pf::directoryExists(ordner); }

// The lock is only touched below a known data root (see Riviza1_start.h).
bool jahrBekannt() { return !platform::trim(globals().DatenPfad).empty(); }

void programmZugriffSchreiben(std::string_view wert) {
  pf::IniFile jahr(jahrIniPfad());
  (void)jahr.writeString(kEinst, kProgrammZugriff, wert);
}

void anmeldungLesen(TFormEinstellungen& f) {
  {
    pf::IniFile ini(programmIniPfad());
    iniLaden(f, IniDatei::Programm, ini);
  }
  Globals& g = globals();
  g.AnmLaufwerk = f.EditLaufwerk->text();
  g.AnmComputername = f.EditComputername->text();
  g.AnmFreigabename = f.EditFreigabename->text();
  g.AnmBenutzername = f.EditBenutzername->text();
  g.AnmKennwort = f.EditKennwort->text();
  if (f.CheckBoxDomaenenbenutzer->checked() && !NetzlaufwerkAnmelden(g.ProgrammPfad, kAbrechngIni))
    fehlerBox("Serveranmeldung fehlgeschlagen !\n\nLaufwerk: " + g.AnmLaufwerk + "\n" +
              "Computername: " + g.AnmComputername + "\n" + "Freigabename: " + g.AnmFreigabename + "\n" +
              "Benutzername: " + g.AnmBenutzername);
}

// A finished program update left update.txt with its date: recorded, shown, and the update's
// leftovers removed.
void updateVerbuchen() {
  const std::string datei = globals().ProgrammPfad + "update.txt";
  if (!pf::fileExists(datei)) return;
  std::string text = pf::toUtf8(pf::readFile(datei).valueOr(""));
  const std::string zeile = text.substr(0, text.find_first_of("\r\n"));
  pf::IniFile ini(programmIniPfad());
  (void)ini.writeString(kEinst, "UpdateDatum", platform::trim(zeile));
  fensterTitelSetzen(zeile);
  (void)pf::deleteFile(datei);
  DateienLoeschen(globals().ProgrammPfad + "Temp\\", "*.*");
  DateienLoeschen(globals().ProgrammPfad + "Update\\", "*.*");
}

// An update's setup program still waits: the program makes way for it once it runs. True when it
// did. One that cannot start (no wine, a broken file) is reported and put aside under
// kNichtGestartet, so that this start and the next ones go on instead of stopping here.
bool setupStarten(TFormEinstellungen& f) {
  const std::string ordner = globals().ProgrammPfad + "Update";
  const std::string setup = ordner + "\\setup.exe";
  if (!pf::fileExists(setup)) return false;
  hinweis("Neues Update noch nicht installiert !\n\nAusführen: \n" + pf::displayPath(setup));
  pf::processMessages();
  if (SetupStarten(setup, ordner)) {
    f.close();
    return true;
  }
  const std::string beiseite = setup + kNichtGestartet;
  const Status st = pf::renamePath(setup, beiseite);
  globals().Tagesdatum = pf::formatDate(pf::today());  // the update list's lines carry it
  SetupStartFehler(pf::displayPath(setup), st ? "abgelegt als: " + pf::displayPath(beiseite) : st.error().message);
  return false;
}

void dakota4Pruefen(TFormEinstellungen& f) {
  Globals& g = globals();
  g.Dakota4 = g.Dakota4Zertifikat = false;
  if (!pf::fileExists(kDakotaRivizaIni) || !pf::fileExists(kDakotaAnnahmestIni)) return;
  f.BitBtnDatensicherung->setVisible(false);
  (pf::fileExists(kDakotaZertifikatIni) ? g.Dakota4Zertifikat : g.Dakota4) = true;
}

bool dakotaAbbruch(const std::string& text) {
  ui::dialogs().showMessage(text);
  globals().FehlerAufgetreten = true;
  return false;
}

// The current year from AktuellesJahr, else the highest listed year whose folder exists.
void aktuellesJahrWaehlen(TFormEinstellungen& f, pf::IniFile& programm) {
  Globals& g = globals();
  TComboBox* box = f.ComboBoxAktuellesJahr;
  const std::string jahr = programm.readString(kEinst, "AktuellesJahr", "-1");
  box->setText(jahr);
  if (jahr != "-1" && !platform::trim(jahr).empty() && ordnerVorhanden(g.DatenPfad + "Abrechng\\" + jahr)) {
    g.JahrPfad = "Abrechng\\" + jahr + "\\";
    return;
  }
  g.JahrPfad = "Abrechng\\";
  const std::string letztes = box->items().empty() ? "" : box->items()[box->items().count() - 1];
  if (letztes.empty() || !ordnerVorhanden(g.DatenPfad + "Abrechng\\" + letztes)) {
    box->setText("");
    return;
  }
  box->setText(letztes);
  g.JahrPfad = "Abrechng\\" + letztes + "\\";
  (void)programm.writeString(kEinst, "AktuellesJahr", letztes);
}

void versionPruefen(TFormEinstellungen& f) {
  pf::IniFile jahr(jahrIniPfad());
  const double jahrVersion = versionsNummer(jahr.readString(kEinst, "Version", "-1"));
  const double eigene = versionsNummer(programmVersion());
  if (jahrVersion < eigene && pf::fileExists(jahrIniPfad())) {
    hinweis("Neue Programmversion installiert !\n\nDaten werden reorganisiert");
    f.PageControl1->setActivePageIndex(4);
    DatenReorganisierenBeimStart();
  } else if (jahrVersion > eigene) {
    hinweis(
        "Der Programmstand ist nicht aktuell !\n\nStarten Sie das LiveUpdate\n\n"
        "Start -> Programme -> Orvel Abrechnung -> Riviza -> Live Update -> Progamme");
    f.PageControl1->setActivePageIndex(5);
  }
}

}  // namespace

// The service-centre table is the one table the start-up opens; a year without it gets the
// empty template.
void dienstleistungszentrenOeffnen() {
  TFormEinstellungen& f = *FormEinstellungen;
  jahresVorlageKopieren("AdrDlz.db");
  f.TableAdrDlz->close();
  Status st = f.TableAdrDlz->setDatabaseName(jahrDatenPfad());
  if (st.ok()) st = f.TableAdrDlz->setTableName("AdrDlz.DB");
  if (st.ok()) st = f.TableAdrDlz->open();
  if (!st.ok()) ui::dialogs().showMessage(st.error().message);
}

void fensterTitelSetzen(std::string_view updateDatum) {
  TFormEinstellungen& f = *FormEinstellungen;
  std::string titel = "  Riviza Abrechnung nach §300 und §302 SGB V sowie §105 SGB XI  " + programmVersion() +
                      " / " + std::string(updateDatum);
  if (!f.ComboBoxAktuellesJahr->text().empty())
    titel += " / Abrechnungsjahr: " + f.ComboBoxAktuellesJahr->text();
  f.setCaption(titel);
}

void jahresListeFuellen() {
  TComboBox* box = FormEinstellungen->ComboBoxAktuellesJahr;
  box->items().clear();
  box->setSorted(true);
  std::vector<std::string> ordner;
  UnterordnerListe(globals().DatenPfad + "Abrechng", ordner);
  for (const std::string& pfad : ordner) {
    const std::string name = pf::extractFileName(pfad);
    if (pf::utf8Length(name) == 4 && name.front() == '2') box->items().add(name);
  }
}

void jahresordnerAnlegen() {
  Globals& g = globals();
  if (!pf::directoryExists(g.DatenPfad + "Abrechng")) {
    const std::string jahr = pf::formatDate(pf::today()).substr(6, 4);
    (void)pf::forceDirectories(g.DatenPfad + "Abrechng\\" + jahr);
    g.JahrPfad = "Abrechng\\" + jahr + "\\";
    TComboBox* box = FormEinstellungen->ComboBoxAktuellesJahr;
    box->items().add(jahr);
    box->setText(jahr);
    pf::IniFile programm(programmIniPfad());
    (void)programm.writeString(kEinst, "AktuellesJahr", jahr);
  }
  (void)pf::forceDirectories(jahrDatenPfad());
  (void)pf::forceDirectories(jahrKosttrPfad());
  pf::processMessages();
}

bool dakotaOrdnerLesen() {
  Globals& g = globals();
  if (g.Dakota4 || g.Dakota4Zertifikat) {
    pf::IniFile ini(kDakotaRivizaIni);
    g.DakotaBenutzerPfad = ini.readString("PFADE", "BENUTZERPFAD", "-1");
    if (g.DakotaBenutzerPfad == "-1") g.DakotaBenutzerPfad = ini.readString("VERZEICHNIS", "DATEN", "-1");
    if (g.DakotaBenutzerPfad != "-1" && !g.DakotaBenutzerPfad.empty()) return true;
    return dakotaAbbruch("FEHLER  DAKOTA 3/4 nicht installiert (BENUTZERPFAD/DATEN) Abbruch !");
  }
  // A 32-bit DAKOTA in a 64-bit prefix keeps its key under Wow6432Node.
  const char* schluessel = "SOFTWARE\\ITSG\\Dakota";
  if (!pf::registryKeyExists(pf::RegistryRoot::LocalMachine, schluessel))
    schluessel = "SOFTWARE\\Wow6432Node\\ITSG\\Dakota";
  auto wert = [schluessel](const char* name) {
    return pf::readRegistryValue(pf::RegistryRoot::LocalMachine, schluessel, name).value_or("");
  };
  g.DakotaBenutzerPfad = wert("BNSWH");
  if (g.DakotaBenutzerPfad.empty())
    return dakotaAbbruch("FEHLER  DAKOTA nicht installiert (SOFTWARE\\ITSG\\Dakota[BNSWH])  Abbruch !");
  // The DLL's path without its last three characters, counted on the trimmed value.
  const std::string dll = wert("DLL");
  const long long laenge = static_cast<long long>(platform::trim(dll).size()) - 3;
  g.DakotaProgrammPfad = laenge > 0 ? dll.substr(0, static_cast<size_t>(laenge)) : "";
  if (g.DakotaProgrammPfad.empty())
    return dakotaAbbruch("FEHLER  DAKOTA nicht installiert (SOFTWARE\\ITSG\\Dakota[DLL])  Abbruch !");
  return true;
}

void programmZugriffBelegtMelden() {
  fehlerBox(
      "Eines der Abrechnungsprogramme bereits in Nutzung, wenn nicht -> in Riviza <Benutzereintrag "
      "löschen>");
}

void programmZugriffBeimStart() {
  if (!jahrBekannt()) return;
  pf::IniFile jahr(jahrIniPfad());
  const std::string wert = jahr.readString(kEinst, kProgrammZugriff, "-1");
  if (wert == "1") {
    programmZugriffBelegtMelden();
    globals().JahrInNutzung = true;
  } else if (wert != "-1") {
    (void)jahr.writeString(kEinst, kProgrammZugriff, "1");
  }
}

void programmZugriffBeimBetreten() {
  Globals& g = globals();
  g.JahrInNutzung = false;
  if (!jahrBekannt() || !pf::fileExists(jahrIniPfad())) return;
  pf::IniFile jahr(jahrIniPfad());
  if (jahr.readString(kEinst, kProgrammZugriff, "-1") == "1") {
    programmZugriffBelegtMelden();
    g.JahrInNutzung = true;
  } else {
    (void)jahr.writeString(kEinst, kProgrammZugriff, "1");
  }
}

void programmZugriffSetzen() {
  if (jahrBekannt() && !globals().JahrInNutzung && pf::fileExists(jahrIniPfad()))
    programmZugriffSchreiben("1");
}

void programmZugriffFreigeben() {
  if (jahrBekannt() && !globals().JahrInNutzung && pf::fileExists(jahrIniPfad()))
    programmZugriffSchreiben("");
}

void programmZugriffLoeschen() {
  if (jahrBekannt()) programmZugriffSchreiben("");
}

void StartInitialisieren() {
  TFormEinstellungen& f = *FormEinstellungen;
  Globals& g = globals();
  reorganisationBeimStartVergessen();
  {
    pf::IniFile programm(programmIniPfad());
    const std::string bw = programm.readString(kEinst, "BüroWARE", "-1");
    f.EditOrdnerBw->setText(bw);
    if (bw != "-1" && !platform::trim(bw).empty()) {
      g.DatenPfad = BackslashAnhaengen(bw);
      jahresListeFuellen();
    } else {
      f.EditOrdnerBw->setText("");
      fehlerBox("Ordner <Daten> nicht definiert -> Bitte Eintrag ergänzen!");
    }
    aktuellesJahrWaehlen(f, programm);
    g.StandUpdateDatum = standDatum(programm.readString(kEinst, "UpdateDatum", "-1"));
    kosttrDatumZeigen(f, programm.readString(kEinst, "KosttrDatum", "-1"));
    // From now on the year file keeps the cost-bearer date.
    (void)programm.writeString(kEinst, "KosttrDatum", "");
  }
  fensterTitelSetzen(g.StandUpdateDatum);
  pf::processMessages();
  programmZugriffBeimStart();
  if (pf::fileExists(jahrIniPfad())) EinstellungenLesen();

  const std::string fachanwendung = platform::trim(f.EditOrdnerBw->text());
  if (!fachanwendung.empty() && !ordnerVorhanden(fachanwendung)) {
    hinweis("Ordner Fachanwendung nicht vorhanden !\n\n" + pf::displayPath(fachanwendung));
    pf::processMessages();
    g.FehlerAufgetreten = true;
  }
  if (!g.FehlerAufgetreten) {
    if (ordnerVorhanden(g.DatenPfad)) jahresordnerAnlegen();
    versionPruefen(f);
  }
  if (!platform::trim(g.DatenPfad).empty()) dienstleistungszentrenOeffnen();
}

namespace {

// The start-up's first step on the program folder: a journal a killed process left is read and
// its operation finished or undone, which a message reports. False, after an error message, when
// that failed: the start-up must then stop before it creates any folder of a year.
bool unterbrochenenVorgangAbschliessen() {
  const std::string journal = vorgangsJournalPfad(installation());
  const platform::Recovery r = platform::recoverExchange(journal, db::TableSet::committedAfter);
  switch (r.outcome) {
    case platform::Recovery::Outcome::None:
      return true;
    case platform::Recovery::Outcome::Finished:
      meldung::hinweis("Ein beim letzten Mal unterbrochener Vorgang wurde zu Ende geführt:\n\n" + r.what);
      return true;
    case platform::Recovery::Outcome::Undone:
      meldung::hinweis("Ein beim letzten Mal unterbrochener Vorgang wurde rückgängig gemacht:\n\n" + r.what +
                       "\n\nDie Dateien sind wie vor dem Vorgang.");
      return true;
    case platform::Recovery::Outcome::Failed:
      break;
  }
  meldung::fehlerBox(
      "Ein beim letzten Mal unterbrochener Vorgang konnte nicht wiederhergestellt werden:\n\n" + r.what +
      "\n\n" + r.message + "\n\nJournal: " + journal +
      "\n\nDas Programm arbeitet erst weiter, wenn er wiederhergestellt ist.");
  globals().FehlerAufgetreten = true;
  return false;
}

}  // namespace

void TFormEinstellungen::Timer1Timer(TComponent&) {
  Timer1->setEnabled(false);
  Globals& g = globals();
  g.JahrInNutzung = false;
  g.FehlerAufgetreten = false;
  DateTimePicker1->setDate(pf::today());
  DateTimePicker2->setDate(pf::today());
  dakota4Pruefen(*this);
  g.StartPfad = pf::currentFolderText();
  g.ProgrammPfad = BackslashAnhaengen(g.StartPfad);
  anmeldungLesen(*this);
  // Before anything looks at a year: a folder a killed exchange left aside must be back first.
  if (!unterbrochenenVorgangAbschliessen()) return;
  updateVerbuchen();
  if (setupStarten(*this)) return;
  g.Tagesdatum = pf::formatDate(pf::today());
  if (!dakotaOrdnerLesen()) return;
  if (!pf::directoryExists(g.ProgrammPfad + "Temp")) (void)pf::forceDirectories(g.ProgrammPfad + "Temp");
  StartInitialisieren();
}

void TFormEinstellungen::FormClose(TComponent&, TCloseAction&) {
  Globals& g = globals();
  UpdateLogBeimBeenden();
  if (TableAdrDlz->active()) TableAdrDlz->close();
  if (!g.ProgrammPfad.empty()) DateienLoeschen(g.ProgrammPfad + "Temp\\", "*.*");
  programmZugriffFreigeben();
  if (!g.JahrInNutzung && CheckBoxDomaenenbenutzer->checked())
    NetzlaufwerkTrennen(g.AnmLaufwerk, g.AnmComputername, g.AnmFreigabename);
}

void TFormEinstellungen::BitBtnBeendenClick(TComponent&) { close(); }

void TFormEinstellungen::BitBtn1Click(TComponent&) { programmZugriffLoeschen(); }

}  // namespace riviza
