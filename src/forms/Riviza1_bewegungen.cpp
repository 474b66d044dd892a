// Merging one year's movement data into another and deleting one year's movement data (form
// library, application shell); see Riviza1_jahre.h.
//
// Mended against the Windows program: a voucher's positions are selected by its exact, quoted
// number and an empty number selects none (it kept the filter of the voucher before); the
// month may be typed as "3" and means "03", a month outside 1-12 or a year that is not four
// digits is refused; a merge of a year into itself and a deletion in an empty, malformed or
// missing year are refused; the merge says how many vouchers it moved. The summaries merge in
// one transaction on the target and skip the records the target holds already (the old way
// copied the source's table over the target's and doubled everything on a second run); the
// source is only read. Each operation locks the year it writes (Riviza1_sperre.h) instead of
// the current year. The tables an operation writes change together, in one transaction over
// their files (db/table_set.h): the Windows program, and the first version here, committed the
// positions and then the vouchers, so a failure in between deleted or replaced positions under
// vouchers that stayed. A merge into a target that holds a taken voucher's number twice is
// refused before anything is written (it deleted the positions of both). The deletion
// goes on after a deleted voucher instead of scanning again from the first: the records
// before it did not match, so the result is the same, in linear time.
#include <filesystem>
#include <map>
#include <set>

#include "app/meldungen.h"
#include "db/errors.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_jahre.h"
#include "forms/Riviza1_sperre.h"
#include "forms/Riviza1_tabellen.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza {

namespace pf = platform;
using meldung::fehler;

namespace {

bool nurZiffern(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool jahrGueltig(const std::string& jahr) {
  if (nurZiffern(jahr) && jahr.size() == 4) return true;
  fehler("Jahr <<" + jahr + ">> ungültig, bitte vierstellig eingeben (z.B. 2024)!");
  return false;
}

// EditFuerMonat as the date text carries it ("3" -> "03"); nullopt after the message when it
// names no month. Empty: every month.
std::optional<std::string> monatLesen(TFormEinstellungen& f) {
  const std::string text = pf::trim(f.EditFuerMonat->text());
  if (text.empty()) return text;
  const int monat = nurZiffern(text) && text.size() <= 2 ? std::stoi(text) : 0;
  if (monat < 1 || monat > 12) {
    fehler("Monat <<" + text + ">> ungültig, bitte 1 bis 12 eingeben!");
    return std::nullopt;
  }
  return std::string(monat < 10 ? "0" : "") + std::to_string(monat);
}

bool gleicherOrdner(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(pf::nativePath(a), pf::nativePath(b), ec);
}

bool belegTabellenDa(const std::string& ordner) {
  return tabelleVorhanden(ordner, "ErfBeleg.DB") && tabelleVorhanden(ordner, "ErfPosition.DB");
}

std::string monatUndJahr(const std::string& datum) { return datum.size() >= 10 ? datum.substr(3, 7) : datum; }

std::string belegAnzahl(int anzahl) { return std::to_string(anzahl) + (anzahl == 1 ? " Beleg" : " Belege"); }

// The source voucher at TableAlt is one the merge takes: every one with no month given, else
// those of the month and the year typed.
bool genommen(TFormEinstellungen& f, const std::string& monat) {
  const std::string datum = f.TableAlt->fields(1).asString();
  return monat.empty() ||
         (datum.size() >= 10 && datum.substr(3, 2) == monat && datum.substr(6) == pf::trim(f.EditVonJahr->text()));
}

// ErfBeleg has no key: a carried-over voucher and the year's own may share a number. A voucher
// the merge takes replaces the target's voucher of its number; with two of them it would delete
// the positions of both and keep one. Such a merge is refused, naming the numbers.
Status zielNummernEindeutig(TFormEinstellungen& f, const std::string& monat) {
  std::map<std::string, int> imZiel;
  RIVIZA_TRY(jedenSatz(*f.TableNeu, [&] {
    ++imZiel[f.TableNeu->fields(0).asString()];
    return okStatus();
  }));
  std::set<std::string> doppelt;
  RIVIZA_TRY(jedenSatz(*f.TableAlt, [&] {
    const std::string nummer = f.TableAlt->fields(0).asString();
    if (genommen(f, monat) && imZiel[nummer] > 1) doppelt.insert(nummer);
    return okStatus();
  }));
  if (doppelt.empty()) return okStatus();
  std::string liste;
  for (const std::string& n : doppelt) liste += (liste.empty() ? "" : ", ") + n;
  return Error::make(db::kKeyViolation, "Im Ziel gibt es diese Belegnummern mehrfach: " + liste);
}

// The vouchers: each taken source voucher replaces the target's voucher of that number.
Status belegeZusammenfuehren(TFormEinstellungen& f, db::TableSet& tabellen, const std::string& quelle,
                             const std::string& ziel, const std::string& monat, Fortschritt& fortschritt) {
  auto kopie = BelegKopie::beginnen(tabellen, quelle, ziel, "", true);
  if (!kopie) return kopie.error();
  RIVIZA_TRY(zielNummernEindeutig(f, monat));
  return jedenSatz(*f.TableAlt, [&]() -> Status {
    if (!genommen(f, monat)) return okStatus();
    const std::string nummer = f.TableAlt->fields(0).asString();
    f.ListBoxStat01->items().add("Beleg: " + nummer + "  für: " + monatUndJahr(f.TableAlt->fields(1).asString()));
    RIVIZA_TRY(belegWaehlen(*f.TableNeu, nummer));
    RIVIZA_TRY(belegWaehlen(*f.Table2, nummer));
    if (!f.TableNeu->isEmpty()) {
      RIVIZA_TRY(alleLoeschen(*f.Table2));
      RIVIZA_TRY(f.TableNeu->first());
      RIVIZA_TRY(f.TableNeu->deleteRecord());
    }
    RIVIZA_TRY(kopie->uebernehmen());
    fortschritt.weiter();
    return okStatus();
  });
}

std::string satzSchluessel(db::TTable& t) {
  std::string key;
  for (int i = 0; i < t.fieldCount(); ++i) key += t.fields(i).asString() + '\x1f';
  return key;
}

// The summaries: every source record the target does not hold yet is appended to it, in the
// transaction of the vouchers.
Status aufstellungZusammenfuehren(TFormEinstellungen& f, db::TableSet& tabellen, const std::string& quelle,
                                  const std::string& ziel, Fortschritt& fortschritt) {
  RIVIZA_TRY(tabellen.join(*f.TableAlt, *f.TableNeu));
  RIVIZA_TRY(tabelleOeffnen(*f.TableAlt, quelle, "Aufstellung.DB"));
  RIVIZA_TRY(tabelleOeffnen(*f.TableNeu, ziel, "Aufstellung.DB"));
  if (!tabellen.inTransaction()) RIVIZA_TRY(tabellen.begin());
  std::set<std::string> vorhanden;
  RIVIZA_TRY(jedenSatz(*f.TableNeu, [&] {
    vorhanden.insert(satzSchluessel(*f.TableNeu));
    return okStatus();
  }));
  return jedenSatz(*f.TableAlt, [&]() -> Status {
    if (vorhanden.contains(satzSchluessel(*f.TableAlt))) return okStatus();
    RIVIZA_TRY(datensatzAnhaengen(*f.TableAlt, *f.TableNeu));
    fortschritt.weiter();
    return okStatus();
  });
}

// Every voucher of the year with its positions, in one transaction over both tables.
Status belegeLoeschen(TFormEinstellungen& f, const std::string& daten, const std::string& jahr,
                      Fortschritt& fortschritt) {
  db::TableSet tabellen;
  RIVIZA_TRY(tabellen.join(*f.TableAlt, *f.Table1));
  RIVIZA_TRY(tabelleOeffnen(*f.TableAlt, daten, "ErfBeleg.DB"));
  RIVIZA_TRY(tabelleOeffnen(*f.Table1, daten, "ErfPosition.DB"));
  // The index belongs to the transaction too: a deletion that does not commit leaves the
  // file as it was, byte for byte.
  RIVIZA_TRY(tabellen.begin());
  RIVIZA_TRY(f.Table1->ensureFilterIndex("BelegNummer"));
  RIVIZA_TRY(loeschenWo(*f.TableAlt, [&]() -> Result<bool> {
    const std::string datum = f.TableAlt->fields(1).asString();
    if (datum.size() < 10 || datum.substr(6) != jahr) return false;
    const std::string nummer = f.TableAlt->fields(0).asString();
    f.ListBoxStat01->items().add("Beleg: " + nummer + "  für: " + datum.substr(6, 4));
    RIVIZA_TRY(belegWaehlen(*f.Table1, nummer));
    RIVIZA_TRY(alleLoeschen(*f.Table1));
    fortschritt.weiter();
    return true;
  }));
  return tabellen.commit();
}

}  // namespace

bool BewegungsdatenZusammenfuehren(const std::string& quelle, const std::string& ziel) {
  TFormEinstellungen& f = *FormEinstellungen;
  const auto monat = monatLesen(f);
  if (!monat) return false;
  if (!monat->empty() && !jahrGueltig(pf::trim(f.EditVonJahr->text()))) return false;
  for (const std::string& ordner : {quelle, ziel}) {
    if (!pf::directoryExists(ordner)) {
      fehler("Ordner <<" + pf::displayPath(ordner) + ">> nicht vorhanden!");
      return false;
    }
  }
  if (gleicherOrdner(quelle, ziel)) {
    fehler("Ein Jahr kann nicht mit sich selbst zusammengeführt werden!");
    return false;
  }
  VorgangsSperre sperre;
  if (!sperre.nehmen(ziel)) return false;
  Fortschritt fortschritt;
  const bool belege = belegTabellenDa(quelle) && belegTabellenDa(ziel);
  if (!belege) fehler("Datei ErfBeleg.DB oder ErfPosition.DB nicht vorhanden!");
  const bool aufstellung = tabelleVorhanden(quelle, "Aufstellung.DB") && tabelleVorhanden(ziel, "Aufstellung.DB");
  // Vouchers, positions and summaries of the target change in one transaction: all or none.
  Status st = okStatus();
  int uebernommen = 0;
  {
    db::TableSet tabellen;
    if (belege) st = belegeZusammenfuehren(f, tabellen, quelle, ziel, *monat, fortschritt);
    uebernommen = fortschritt.anzahl();  // the count goes on with the summaries
    if (st && aufstellung) st = aufstellungZusammenfuehren(f, tabellen, quelle, ziel, fortschritt);
    if (st && tabellen.inTransaction()) st = tabellen.commit();
  }
  if (!arbeitAbschliessen(st, "Bewegungsdaten nicht zusammengeführt, das Ziel ist unverändert.",
                          belege ? "Bewegungsdaten erfolgreich zusamenngeführt\n\n" + belegAnzahl(uebernommen) +
                                       " übernommen"
                                 : ""))
    return false;
  if (!aufstellung) {
    fehler("Datei Aufstellung.DB nicht vorhanden!");
    return false;
  }
  meldung::hinweis("Abrechnungsdaten erfolgreich zusamenngeführt");
  return belege;
}

bool BewegungenFuerJahrLoeschen(const std::string& datenOrdner) {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string jahr = pf::trim(f.EditLoeschenFuerJahr->text());
  if (!jahrGueltig(jahr)) return false;
  if (!pf::directoryExists(datenOrdner)) {
    fehler("Ordner <<" + pf::displayPath(datenOrdner) + ">> nicht vorhanden!");
    return false;
  }
  VorgangsSperre sperre;
  if (!sperre.nehmen(datenOrdner)) return false;
  Fortschritt fortschritt;
  if (!belegTabellenDa(datenOrdner)) {
    fehler("Datei ErfBeleg.DB oder ErfPosition.DB nicht vorhanden!");
    return false;
  }
  const Status st = belegeLoeschen(f, datenOrdner, jahr, fortschritt);
  return arbeitAbschliessen(st, "Bewegungsdaten nicht gelöscht, die Tabellen sind unverändert.",
                            "Bewegungsdaten gelöscht\n\n" + belegAnzahl(fortschritt.anzahl()) + " gelöscht");
}

}  // namespace riviza
