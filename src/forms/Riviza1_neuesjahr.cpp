// The new billing year (form library, application shell): "neues Abrechnungsjahr anlegen",
// the one-time migration of the flat layout, the new year's emptied tables and the carry-over
// of open vouchers; see Riviza1_jahre.h.
//
// Mended against the Windows program, which reported each failure and went on (and ended with
// "Verarbeitung beendet" whatever happened): the cut-off date, the dates of the open vouchers,
// the old year's folder and the free name of the new one are checked before anything is
// created; the new year (in the flat layout the whole Abrechng folder) is built beside its
// final name and takes it in one exchange at the end, so a failed or killed run never leaves a
// half year under that name, which the next new year would copy; and only a year that was
// really made ends with the success message and becomes current. The old year's lock is
// released only when this program holds it. The carry-over selects each voucher's positions by its exact
// number (an empty number has none) and reads the old position table once, so its time grows with the data.
#include <charconv>

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "app/vorgang.h"
#include "db/errors.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_jahre.h"
#include "forms/Riviza1_settings.h"
#include "forms/Riviza1_sperre.h"
#include "forms/Riviza1_start.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
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

// The old year's Kosttr and Daten into the new year's folder (being built).
bool ordnerKopieren(const std::string& alt, const std::string& neu) {
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
  // The new year's vouchers and positions commit together; they lie in the folder being built,
  // so they are committed before it takes its name (a journal's path follows its table's).
  db::TableSet tabellen;
  auto kopie = BelegKopie::beginnen(tabellen, altDaten, neuDaten, "Verarbeitet = 0", false);
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
  return tabellen.commit();
}

// The old year's file goes with the new year; the new year starts without a lock, which
// entering it then takes, and the old year's own lock is given up with the exchange (in `altIni`
// itself when it lies in the folder being built, else in its staged copy). `neuIni` is written in
// the folder being built; messages name it `neuIniName`, as it is called once made. False after a message
// when the new year's file cannot be made: a year without its settings, or with the old year's
// "1" (another program's lock, to the next start), is no year to go on with.
bool einstellungenUebergeben(Vorgang& v, const std::string& altIni, const std::string& neuIni,
                             const std::string& neuIniName, bool altImBau) {
  if (!pf::fileExists(altIni)) return true;
  Status st = pf::copyFile(altIni, neuIni);
  if (st) st = pf::IniFile(neuIni).writeString("EINSTELLUNGEN", "ProgrammZugriff", "");
  if (!st) {
    warnung("Datei <<" + pf::displayPath(neuIniName) + ">> kann nicht angelegt werden!");
    return false;
  }
  if (!globals().JahrInNutzung) {
    auto alt = altImBau ? Result<std::string>(altIni) : v.dateien().stageCopy(altIni);
    if (alt) (void)pf::IniFile(*alt).writeString("EINSTELLUNGEN", "ProgrammZugriff", "");
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

// The new year made, with the tables of the program closed (mitTabellenImJahr), beside its
// final name and renamed into place at the end in one exchange (app/vorgang.h): the folder
// "Abrechng\<new>~neu" with the copied folders, the emptied tables, the carried-over vouchers and
// the settings file becomes "Abrechng\<new>"; in the flat layout "Abrechng~neu", holding the old
// year as "<old>" (a copy of Abrechng) and the new one, replaces Abrechng. False after a message
// when a step failed: nothing has changed then, and a killed run is undone at the next start.
bool jahrAnlegen(TFormEinstellungen& f, const Jahre& j, const Uebernahme& u, Fortschritt& fortschritt) {
  const std::string abrechng = globals().DatenPfad + "Abrechng";
  Vorgang v(installation(), "Neues Abrechnungsjahr " + j.neu + ": " + pf::displayPath(abrechng + "\\" + j.neu));
  const auto bau = v.dateien().stageFolder(j.flach ? abrechng : abrechng + "\\" + j.neu);
  if (!bau) {
    warnung("Ordner <<" + abrechng + "\\" + j.neu + ">> kann nicht angelegt werden!\r\n" + bau.error().message);
    return false;
  }
  // In the flat layout the old year's folders are Abrechng's own, and the copy of them is the
  // old year's folder from the exchange on.
  const std::string altOrdner = j.flach ? abrechng : abrechng + "\\" + j.alt;
  const std::string neuOrdner = j.flach ? *bau + "\\" + j.neu : *bau;
  if (j.flach) {
    const std::string kopie = *bau + "\\" + j.alt;
    if (Status st = pf::copyTree(abrechng, kopie); !st) {
      warnung("Ordner <<" + abrechng + ">> kann nicht verschoben werden!\r\n" + st.error().message);
      return false;
    }
    if (Status st = pf::createDirectory(neuOrdner); !st) {
      warnung("Ordner <<" + abrechng + "\\" + j.neu + ">> kann nicht angelegt werden!");
      return false;
    }
  }
  if (!ordnerKopieren(altOrdner, neuOrdner)) return false;
  Status st = tabellenLeeren(f, neuOrdner + "\\Daten");
  if (st && u.aktiv)
    st = offeneBelegeUebernehmen(f, altOrdner + "\\Daten", neuOrdner + "\\Daten", u, fortschritt);
  arbeitstabellenSchliessen();
  if (!st) {
    tabellenFehler("Neues Abrechnungsjahr konnte nicht angelegt werden!", st.error());
    return false;
  }
  const std::string altIni = j.flach ? *bau + "\\" + j.alt + "\\" + kAbrechngIni : altOrdner + "\\" + kAbrechngIni;
  if (!einstellungenUebergeben(v, altIni, neuOrdner + "\\" + kAbrechngIni,
                               abrechng + "\\" + j.neu + "\\" + kAbrechngIni, j.flach))
    return false;
  // The new year becomes the current one with the exchange (the program folder's AktuellesJahr),
  // so that a year made is never left behind a pointer to the old one.
  auto programmIni = v.dateien().stageCopy(programmIniPfad());
  st = programmIni ? pf::IniFile(*programmIni).writeString("EINSTELLUNGEN", "AktuellesJahr", j.neu)
                   : Status(programmIni.error());
  if (st) st = v.festschreiben();
  if (!st) {
    abgelehnt(st.error().message + (v.unveraendert() ? "" : "\r\n" + v.folgen("")));
    return false;
  }
  if (j.flach) f.ComboBoxAktuellesJahr->items().add(j.alt);
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
