// The new billing year (form library, application shell): "neues Abrechnungsjahr anlegen",
// the one-time migration of the flat layout, the new year's emptied tables and the carry-over
// of open vouchers; see Riviza1_jahre.h.
//
// Mended against the Windows program, which reported each failure and went on (and ended with
// "Verarbeitung beendet" whatever happened): the cut-off date, the dates of the open vouchers,
// the old year's folder and the free name of the new one are checked before anything is
// created; a failed step of the migration is undone as far as it went; a failure after the new
// folder exists (the settings file that cannot be copied included) removes it again; and only a
// year that was really made ends with the success message and becomes current. The old year's lock is
// released only when this program holds it. The carry-over selects each voucher's positions by its exact
// number (an empty number has none) and reads the old position table once, so its time grows with the data.
#include <charconv>

#include "app/Riviza1.h"
#include "app/Riviza1_jahre.h"
#include "app/Riviza1_settings.h"
#include "app/Riviza1_sperre.h"
#include "app/Riviza1_start.h"
#include "app/Riviza1_tabellen.h"
#include "app/allg_tools.h"
#include "app/globals.h"
#include "app/meldungen.h"
#include "db/errors.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

namespace pf = platform;
using meldung::warnung;

namespace {

void abgelehnt(const std::string& grund) {
  warnung("Neues Abrechnungsjahr konnte nicht angelegt werden!\r\n" + grund);
}

std::optional<int> jahresZahl(std::string_view text) {
  int wert = 0;
  if (text.size() != 4) return std::nullopt;
  auto [ende, ec] = std::from_chars(text.data(), text.data() + text.size(), wert);
  if (ec != std::errc() || ende != text.data() + text.size()) return std::nullopt;
  return wert;
}

struct Jahre {
  bool flach = false;  // no year folder yet: Abrechng itself holds the year
  std::string alt, neu;
};

struct Uebernahme {
  bool aktiv = false;
  pf::DateTime stichtag;  // vouchers dated on or after it go into the new year
};

// The vouchers not yet billed block a new year unless they are carried over.
bool offeneBelegeErlaubt(TFormEinstellungen& f) {
  if (f.CheckBoxOffeneBelUebernehmen->checked()) return true;
  Status st = tabelleOeffnen(*f.TableAlt, jahrDatenPfad(), "ErfBeleg.DB", "Verarbeitet = 0");
  const bool offen = st && !f.TableAlt->isEmpty();
  f.TableAlt->close();
  if (!st) {
    tabellenFehler("Neues Abrechnungsjahr konnte nicht angelegt werden!", st.error());
    return false;
  }
  if (offen)
    warnung(
        "Neues Abrechnungsjahr konnte nicht angelegt werden!\r\nAlle Belege sind noch nicht "
        "abgerechnet!\r\n\\" +
        globals().JahrPfad + "Daten");
  return !offen;
}

// The cut-off date and every open voucher's date, before anything is created.
bool uebernahmePruefen(TFormEinstellungen& f, Uebernahme& u) {
  u.aktiv = f.CheckBoxOffeneBelUebernehmen->checked() && !f.CheckBoxLeereDbAnlegen->checked();
  if (!u.aktiv) return true;
  const std::string text = pf::trim(f.EditAbDatumAbrechnung->text());
  auto datum = pf::parseDate(text.empty() ? "01.01.1900" : text);
  if (!datum) {
    abgelehnt("Das Datum <<" + text + ">> ist kein gültiges Datum!");
    return false;
  }
  u.stichtag = *datum;
  const std::string daten = jahrDatenPfad();
  if (!tabelleVorhanden(daten, "ErfPosition.DB")) {
    abgelehnt("Datei ErfPosition.DB nicht vorhanden!\r\n" + daten);
    return false;
  }
  Status st = tabelleOeffnen(*f.TableAlt, daten, "ErfBeleg.DB", "Verarbeitet = 0");
  for (; st && !f.TableAlt->eof(); st = f.TableAlt->next()) {
    if (!f.TableAlt->fields(1).asDate()) {
      abgelehnt("Beleg <<" + f.TableAlt->fields(0).asString() + ">> hat kein gültiges Belegdatum!");
      f.TableAlt->close();
      return false;
    }
  }
  f.TableAlt->close();
  if (!st) tabellenFehler("Neues Abrechnungsjahr konnte nicht angelegt werden!", st.error());
  return st.ok();
}

bool ordnerPruefen(const Jahre& j) {
  const std::string root = globals().DatenPfad;
  if (j.flach && pf::pathExists(root + j.alt)) {
    abgelehnt("Ordner <<" + pf::displayPath(root + j.alt) + ">> ist bereits vorhanden!");
    return false;
  }
  if (!j.flach && !pf::directoryExists(root + "Abrechng\\" + j.alt)) {
    warnung("Ordner <<" + pf::displayPath(root + "Abrechng\\" + j.alt) + ">> nicht vorhanden!");
    return false;
  }
  if (pf::pathExists(root + "Abrechng\\" + j.neu)) {
    warnung("Ordner <<" + pf::displayPath(root + "Abrechng\\" + j.neu) + ">> kann nicht angelegt werden!");
    return false;
  }
  return true;
}

// Abrechng\ with Abrechng.ini, Daten and Kosttr becomes Abrechng\<old year>\; each failed step
// undoes the ones before it.
bool flachesLayoutUmziehen(const Jahre& j) {
  const std::string root = globals().DatenPfad;
  const std::string abrechng = root + "Abrechng";
  const std::string zwischen = root + j.alt;
  if (DateiOperation(4, abrechng, zwischen, 4) != 0) {
    warnung("Fehler beim Umbenennen <<" + pf::displayPath(abrechng) + ">> in <<" + pf::displayPath(zwischen) +
            ">>");
    return false;
  }
  if (!pf::createDirectory(abrechng)) {
    warnung("Ordner <<" + pf::displayPath(abrechng) + ">> kann nicht angelegt werden!");
    (void)DateiOperation(4, zwischen, abrechng, 4);
    return false;
  }
  if (!DateienVerschieben(zwischen, abrechng)) {
    warnung("Ordner <<" + pf::displayPath(zwischen) + ">> kann nicht verschoben werden!");
    (void)pf::removeDirectory(abrechng);
    (void)DateiOperation(4, zwischen, abrechng, 4);
    return false;
  }
  FormEinstellungen->ComboBoxAktuellesJahr->items().add(j.alt);
  return true;
}

bool ordnerKopieren(const std::string& alt, const std::string& neu) {
  if (!pf::createDirectory(neu)) {
    warnung("Ordner <<" + pf::displayPath(neu) + ">> kann nicht angelegt werden!");
    return false;
  }
  for (const char* teil : {"Kosttr", "Daten"}) {
    if (!DateienKopieren(alt + "\\" + teil, neu)) {
      warnung("Ordner <<" + pf::displayPath(alt + "\\" + teil) + ">> kann nicht kopiert werden!");
      return false;
    }
  }
  return true;
}

Status tabellenLeeren(TFormEinstellungen& f, const std::string& daten) {
  for (const char* name : {"Aufstellung.DB", "ErfBeleg.DB", "ErfPosition.DB", "ImageAufstellung.DB"}) {
    if (!tabelleVorhanden(daten, name)) continue;  // nothing to empty
    f.Table1->close();
    RIVIZA_TRY(f.Table1->setDatabaseName(daten));
    RIVIZA_TRY(f.Table1->setTableName(name));
    RIVIZA_TRY(f.Table1->emptyTable());
  }
  return okStatus();
}

// The open vouchers of the old year dated on or after the cut-off, each after its positions.
Status offeneBelegeUebernehmen(TFormEinstellungen& f, const std::string& altDaten,
                               const std::string& neuDaten, const Uebernahme& u, Fortschritt& fortschritt) {
  auto kopie = BelegKopie::beginnen(altDaten, neuDaten, "Verarbeitet = 0", false);
  if (!kopie) return kopie.error();
  pf::processMessages();
  RIVIZA_TRY(jedenSatz(*f.TableAlt, [&]() -> Status {
    const auto datum = f.TableAlt->fields(1).asDate();
    if (!datum)
      return Error::make(db::kConversion,
                         "Beleg ohne gültiges Belegdatum: " + f.TableAlt->fields(0).asString());
    if (*datum < u.stichtag) return okStatus();
    RIVIZA_TRY(kopie->uebernehmen());
    fortschritt.weiter();
    return okStatus();
  }));
  return kopie->festschreiben();
}

// The old year's file goes with the new year; the new year starts without a lock, which
// entering it then takes, and the old year's own lock is given up. False after a message when
// the new year's file cannot be made: a year without its settings, or with the old year's "1"
// (another program's lock, to the next start), is no year to go on with.
bool einstellungenUebergeben(const std::string& altIni, const std::string& neuIni) {
  if (!pf::fileExists(altIni)) return true;
  Status st = pf::copyFile(altIni, neuIni);
  if (st) st = pf::IniFile(neuIni).writeString("EINSTELLUNGEN", "ProgrammZugriff", "");
  if (!st) {
    warnung("Datei <<" + pf::displayPath(neuIni) + ">> kann nicht angelegt werden!");
    return false;
  }
  if (!globals().JahrInNutzung) {
    pf::IniFile alt(altIni);
    (void)alt.writeString("EINSTELLUNGEN", "ProgrammZugriff", "");
  }
  return true;
}

// Years and, with a year list, the old year made current.
std::optional<Jahre> jahreBestimmen(TFormEinstellungen& f) {
  Jahre j;
  const TStrings& liste = f.ComboBoxAktuellesJahr->items();
  j.flach = liste.empty();
  if (j.flach) {
    j.neu = pf::formatDate(pf::today()).substr(6, 4);
    j.alt = std::to_string(std::stoi(j.neu) - 1);
    return j;
  }
  j.alt = liste[liste.count() - 1];
  const auto zahl = jahresZahl(j.alt);
  if (!zahl) {
    abgelehnt("Das Abrechnungsjahr <<" + j.alt + ">> ist keine Jahreszahl!");
    return std::nullopt;
  }
  j.neu = std::to_string(*zahl + 1);
  if (f.ComboBoxAktuellesJahr->text() != j.alt) jahrWechseln(j.alt);
  return j;
}

// The new year made, with the tables of the program closed (mitTabellenImJahr): the flat
// layout moved first when there is one, then the folder, its tables and its settings file; the
// new year current. False after a message when a step failed; the new year's folder is gone then.
bool jahrAnlegen(TFormEinstellungen& f, const Jahre& j, const Uebernahme& u, Fortschritt& fortschritt) {
  const Globals& g = globals();
  const std::string altOrdner = g.DatenPfad + "Abrechng\\" + j.alt;
  const std::string neuOrdner = g.DatenPfad + "Abrechng\\" + j.neu;
  if (j.flach) {
    if (!flachesLayoutUmziehen(j)) return false;
    // The flat year goes on as Abrechng\<old year>, with this program's lock in its file; it
    // stays current should a later step fail.
    jahrAnzeigen(j.alt);
  }
  if (!ordnerKopieren(altOrdner, neuOrdner)) {
    (void)pf::removeTree(neuOrdner);
    return false;
  }
  Status st = tabellenLeeren(f, neuOrdner + "\\Daten");
  if (st && u.aktiv)
    st = offeneBelegeUebernehmen(f, altOrdner + "\\Daten", neuOrdner + "\\Daten", u, fortschritt);
  arbeitstabellenSchliessen();
  if (!st) {
    tabellenFehler("Neues Abrechnungsjahr konnte nicht angelegt werden!", st.error());
    (void)pf::removeTree(neuOrdner);
    return false;
  }
  if (!einstellungenUebergeben(altOrdner + "\\" + kAbrechngIni, neuOrdner + "\\" + kAbrechngIni)) {
    (void)pf::removeTree(neuOrdner);
    return false;
  }
  f.ComboBoxAktuellesJahr->items().add(j.neu);
  jahrBetreten(j.neu, false);
  return true;
}

}  // namespace

bool NeuesAbrechnungsjahrAnlegen() {
  TFormEinstellungen& f = *FormEinstellungen;
  const auto jahre = jahreBestimmen(f);
  // The new year is built from the old year's live tables: not while another program holds it.
  VorgangsSperre sperre;
  if (!jahre || !sperre.nehmen(jahrDatenPfad()) || !offeneBelegeErlaubt(f)) return false;
  const Jahre& j = *jahre;
  if (ui::dialogs().messageDlg(
          "Neuen Abrechnungszeitraum anlegen?\n\n" + j.neu + "\n\n" + "Sind Sie sicher ?",
          ui::DlgType::Confirmation, ui::DlgButtons::YesCancel) != ui::DlgResult::Yes)
    return false;
  Uebernahme u;
  if (!uebernahmePruefen(f, u) || !ordnerPruefen(j)) return false;

  bool angelegt = false;
  {
    Fortschritt fortschritt;
    angelegt = mitTabellenImJahr([&] { return jahrAnlegen(f, j, u, fortschritt); });
  }
  if (!angelegt) return false;
  meldung::hinweis("Neuen Abrechnungszeitraum: " + j.neu + "\n\n" + "Verarbeitung beendet");
  return true;
}

bool gesichertUndGespeichert() {
  // The save reports its own failures; a year is not rewritten from settings that could not be
  // saved.
  return meldung::gefragt("Datensicherung durchgeführt ?\n\n" +
                          pf::displayPath(globals().DatenPfad + "Abrechng")) &&
         EinstellungenSpeichern();
}

bool neuesJahrAnlegenMitRueckfrage() { return gesichertUndGespeichert() && NeuesAbrechnungsjahrAnlegen(); }

void TFormEinstellungen::ButtonNeuesJahrAnlegenClick(TComponent&) { (void)neuesJahrAnlegenMitRueckfrage(); }

}  // namespace riviza
