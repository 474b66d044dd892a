// EinstellungenLesen and EinstellungenSpeichern: the year file into the form, the form into
// both files with the folder checks and the completion of a new year (form library,
// application shell). The keys themselves are the table of Riviza1_ini.cpp.
//
// A new year's tables and cost-bearer files come from the program folder's LeerDaten and
// Kosttr through our own recursive copy (platform::copyTree) instead of the xcopy.exe of the
// program folder, so the messages about a missing or unstartable xcopy cannot occur; the
// checks that the copies brought "*.db" and "*.ke?" files stay, and a copy that reports an error
// counts as failed too.
#include "forms/Riviza1_settings.h"

#include <filesystem>

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_start.h"
#include "forms/globals.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

namespace pf = platform;

namespace {

void fehlerMeldung(const std::string& text) {
  meldung::fehler(text);
  globals().FehlerAufgetreten = true;
}

void winScpBefehleSetzen(const TFormEinstellungen& f) {
  Globals& g = globals();
  g.WinScpAufruf = "WinSCP.exe /console /ini=nul /log=\"WinSCP.log\" /script=\"WinSCP.txt\"";
  g.WinScpVerbindung = std::string("sftp://") + kUpdateKontoBenutzer + ":" + kUpdateKontoKennwort + "@" +
                       kUpdateKontoHost + " -hostkey=*";
  const std::string host = platform::trim(f.EditProxyHost->text());
  const std::string port = platform::trim(f.EditProxyPort->text());
  if (!host.empty() && !port.empty())
    g.WinScpVerbindung += " -rawsettings ProxyMethod=3 ProxyHost=" + host + "  ProxyPort=" + port +
                          "  ProxySettingsConsiderProxyingLocalHostConnections=true ProxySettingsDNS=No";
}

enum class Ordner { Vorhanden, Angelegt, Abgelehnt, Fehlgeschlagen };

// A folder named in the form that does not exist is created when the user agrees. A text of
// blanks names no folder (Windows cannot create one of that name; here it would become one).
Ordner ordnerAnbieten(const std::string& bezeichnung, const std::string& ordner) {
  if (platform::trim(ordner).empty() || pf::directoryExists(ordner)) return Ordner::Vorhanden;
  const auto antwort = ui::dialogs().messageDlg(
      "Ordner " + bezeichnung + " " + pf::displayPath(ordner) + " nicht vorhanden, Anlegen ?",
      ui::DlgType::Warning, ui::DlgButtons::YesNo);
  if (antwort != ui::DlgResult::Yes) return Ordner::Abgelehnt;
  (void)pf::forceDirectories(ordner);
  if (!pf::directoryExists(ordner)) return Ordner::Fehlgeschlagen;
  ui::dialogs().showMessage(pf::displayPath(ordner) + " wurde angelegt");
  return Ordner::Angelegt;
}

bool enthaelt(const std::string& ordner, std::string_view maske) {
  return !DateienSuchen(BackslashAnhaengen(ordner), maske).empty();
}

// The template ini that came with the tables replaces the year file; the year then records its
// print order and the program's version, and the form takes the new year's first options.
void vorlageUebernehmen(TFormEinstellungen& f) {
  const std::string vorlage = jahrDatenPfad() + "\\" + kAbrechngIni;
  (void)pf::copyFile(vorlage, jahrIniPfad());
  (void)pf::deleteFile(vorlage);
  pf::processMessages();
  pf::IniFile jahr(jahrIniPfad());
  (void)jahr.writeString("FIRMA", "DruckSortierung", "1");
  (void)jahr.writeString("EINSTELLUNGEN", "Version", programmVersion());
  f.EditOrdnerExport->setText(f.EditOrdnerBw->text());
  f.CheckBoxDatenimport->setChecked(true);
  f.CheckBoxTestdaten->setChecked(true);
  f.CheckBoxDruckNichtAnbieten->setChecked(true);
}

// A year folder is complete with at least one table and one cost-bearer file.
void jahrVervollstaendigen(TFormEinstellungen& f) {
  Globals& g = globals();
  if (!enthaelt(jahrDatenPfad(), "*.db")) {
    Status kopiert = pf::copyTree(g.ProgrammPfad + "LeerDaten", jahrDatenPfad());
    if (!kopiert.ok() || !enthaelt(jahrDatenPfad(), "*.db")) {
      g.FehlerAufgetreten = true;
      ui::dialogs().showMessage("Fehler beim Anlegen der Datenbanken, Kopierfehler, ");
    } else {
      vorlageUebernehmen(f);
    }
  }
  if (!enthaelt(jahrKosttrPfad(), "*.ke?")) {
    Status kopiert = pf::copyTree(g.ProgrammPfad + "Kosttr", jahrKosttrPfad());
    if (!kopiert.ok() || !enthaelt(jahrKosttrPfad(), "*.ke?")) {
      g.FehlerAufgetreten = true;
      ui::dialogs().showMessage("Fehler beim Kopieren der Kostenträgerdateien !");
    }
  }
}

// The program-folder file holds the share password in clear: only its owner may read it. (The
// Windows program set it hidden, which protects nothing.)
void nurFuerBesitzer(const std::string& datei) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::permissions(pf::nativePath(datei), fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::replace, ec);
}

bool dateiSchreiben(TFormEinstellungen& f, IniDatei datei, const std::string& pfad) {
  pf::IniFile ini(pfad);
  Status st = iniSpeichern(f, datei, ini);
  if (st.ok()) return true;
  meldung::fehler("Fehler beim Schreiben: " + pf::displayPath(pfad) + "\n\n" + st.error().message);
  return false;
}

}  // namespace

void EinstellungenLesen() {
  TFormEinstellungen& f = *FormEinstellungen;
  {
    pf::IniFile ini(jahrIniPfad());
    iniLaden(f, IniDatei::Jahr, ini);
  }
  const std::string daten = jahrDatenPfad() + "\\";
  if (!pf::fileExists(daten + "Kas.db") && !pf::fileExists(daten + "KasAdrAnn.db"))
    f.TabSheet11->setTabVisible(false);
  winScpBefehleSetzen(f);
}

bool EinstellungenSpeichern() {
  TFormEinstellungen& f = *FormEinstellungen;
  Globals& g = globals();
  g.FehlerAufgetreten = false;
  if (!f.EditOrdnerBw->text().empty()) g.DatenPfad = BackslashAnhaengen(f.EditOrdnerBw->text());

  const Ordner datenRoot = ordnerAnbieten("Daten", g.DatenPfad);
  if (datenRoot == Ordner::Abgelehnt || datenRoot == Ordner::Fehlgeschlagen) g.FehlerAufgetreten = true;
  if (ordnerAnbieten("Fachanwendung", f.EditOrdnerFachAnw->text()) == Ordner::Fehlgeschlagen)
    g.FehlerAufgetreten = true;
  if (ordnerAnbieten("Export", f.EditOrdnerExport->text()) == Ordner::Fehlgeschlagen)
    g.FehlerAufgetreten = true;
  g.ProgrammPfadKurz = pf::shortPathName(g.ProgrammPfad);

  if (platform::trim(g.DatenPfad).empty()) fehlerMeldung("Eintrag fehlt ! Ordner der Fachanwendung");
  if (!g.FehlerAufgetreten) {
    if (!pf::directoryExists(g.DatenPfad)) {
      fehlerMeldung("Ordner der Fachanwendung nicht vorhanden !");
    } else {
      jahresordnerAnlegen();
      g.DatenPfadKurz = pf::shortPathName(g.DatenPfad);
      g.StartPfadKurz = pf::shortPathName(g.StartPfad);
      jahrVervollstaendigen(f);
    }
  }

  const std::string export_ = platform::trim(f.EditOrdnerExport->text());
  if (export_.empty())
    fehlerMeldung("Eintrag fehlt ! Ordner Export");
  else if (!pf::directoryExists(export_))
    fehlerMeldung("Ordner Export nicht vorhanden !");

  pf::processMessages();
  bool geschrieben = dateiSchreiben(f, IniDatei::Programm, programmIniPfad());
  nurFuerBesitzer(programmIniPfad());
  pf::processMessages();

  const bool fehler = g.FehlerAufgetreten;
  if (!fehler) geschrieben = dateiSchreiben(f, IniDatei::Jahr, jahrIniPfad()) && geschrieben;
  g.FehlerAufgetreten = false;
  return !fehler && geschrieben;
}

void TFormEinstellungen::BitBtnSpeichernClick(TComponent&) { (void)EinstellungenSpeichern(); }

}  // namespace riviza
