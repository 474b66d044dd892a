// The VAT button, the recomputation of a voucher and the co-payment reset (form library,
// application shell); see Riviza1_mwst.h.
//
// Mended against the Windows program: both rates are checked before the settings file or any
// table changes (a bad one ended the run halfway with a conversion error); a voucher's
// positions get their rates first and the voucher is recomputed once (recomputing after every
// position deleted positions under the running cursor and skipped others); the rates in the
// settings file and every voucher change in one exchange over the settings file and both tables
// (app/vorgang.h), so a failure leaves all of them as they were (the Windows program wrote the
// rates first and each table on its own, leaving positions with new rates under voucher sums
// with the old ones); an empty voucher number selects no positions (it recomputed the voucher
// before into this one); co-payment amounts count as amounts, so 0,50 is a co-payment (they
// were cut to whole euros). The voucher cursor is not refreshed after each voucher: that reread
// the whole table per voucher and shows nothing this routine did not write itself.
#include "forms/Riviza1_mwst.h"

#include <charconv>
#include <cmath>

#include "app/meldungen.h"
#include "app/vorgang.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_sperre.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza {

namespace pf = platform;
using meldung::gefragt;

namespace {

// A stored amount in whole units of 1/scale (cents: 100), null as 0.
long long festkomma(db::TTable& t, const char* feld, int scale) {
  db::TField* f = t.findField(feld);
  const double wert = f ? f->asFloat().valueOr(0) : 0;
  return std::llround(wert * scale);
}

// "35,70" for 3570 cents: two decimals with the German comma, in whole numbers throughout.
std::string centText(long long cents) {
  const unsigned long long betrag = cents < 0 ? 0ULL - static_cast<unsigned long long>(cents) : cents;
  return (cents < 0 ? "-" : "") + std::to_string(betrag / 100) + "," +
         platform::zeroPadded(static_cast<long long>(betrag % 100), 2);
}

std::string feldText(db::TTable& t, const char* feld) {
  db::TField* f = t.findField(feld);
  return f ? f->asString() : std::string();
}

Status feldSetzen(db::TTable& t, const char* feld, std::string_view text) {
  auto f = t.fieldByName(feld);
  if (!f) return f.error();
  return (*f)->setAsString(text);
}

// A value in hundredths (cents, hundredths of a percent) as its German text.
Status hundertstelSetzen(db::TTable& t, const char* feld, long long hundertstel) {
  return feldSetzen(t, feld, centText(hundertstel));
}

struct PositionsWerte {
  long long netto = 0, brutto = 0;  // cents
  std::optional<std::string> kzZuzahlberechnung;
};

// One position: VAT per unit from rate and net unit price, gross per unit, the totals of the
// quantity, and the co-payment indicator.
PositionsWerte positionRechnen(db::TTable& p) {
  const long long preis = festkomma(p, "Einzelbetrag", 100);
  const long long satz = festkomma(p, "MwSt Satz", 100);
  const long long menge = festkomma(p, "Anzahl", 1000);
  const long long mwst = rundenGerade(satz * preis, 10000);
  PositionsWerte w;
  w.netto = rundenGerade(menge * preis, 1000);
  w.brutto = rundenGerade(menge * (preis + mwst), 1000);
  if (feldText(p, "KzZUZ") == "J") {
    const long long zuzahlung = festkomma(p, "Zuzahlung", 100);
    const long long eigenanteil = festkomma(p, "BetragEigenanteil", 100);
    if (zuzahlung == 0 && eigenanteil == 0)
      w.kzZuzahlberechnung = "0";
    else if (zuzahlung > 0 || eigenanteil > 0)
      w.kzZuzahlberechnung = feldText(p, "Versorgungszeitraum").empty() ? "2" : "1";
  }
  return w;
}

bool ohneArtikel(db::TTable& p) {
  return feldText(p, "HM Nummer").empty() && feldText(p, "Pharmazentralnummer").empty();
}

// The rates of the voucher's positions by their indicator: "1" the full, "2" the reduced rate.
Status saetzeSetzen(db::TTable& p, long long voll, long long ermaessigt) {
  return jedenSatz(p, [&]() -> Status {
    const std::string kz = feldText(p, "MwSt Kennzeichen");
    if (kz != "1" && kz != "2") return okStatus();
    return satzAendern(p, [&] { return hundertstelSetzen(p, "MwSt Satz", kz == "1" ? voll : ermaessigt); });
  });
}

// One voucher: the rates of its positions, then its sums.
Status belegUmschreiben(TFormEinstellungen& f, long long voll, long long ermaessigt) {
  RIVIZA_TRY(belegWaehlen(*f.Table2, f.Table1->fields(0).asString()));
  if (f.Table2->isEmpty()) return okStatus();
  RIVIZA_TRY(saetzeSetzen(*f.Table2, voll, ermaessigt));
  return BelegSummenNeuBerechnen(1);
}

// Every unbilled voucher in the operation's one transaction over both tables.
Status mwstUmschreiben(TFormEinstellungen& f, Vorgang& v, long long voll, long long ermaessigt,
                       Fortschritt& fortschritt) {
  const std::string daten = jahrDatenPfad();
  RIVIZA_TRY(v.tabellen().join(*f.Table1, *f.Table2));
  RIVIZA_TRY(tabelleOeffnen(*f.Table1, daten, "ErfBeleg.DB", "Verarbeitet = 0"));
  RIVIZA_TRY(tabelleOeffnen(*f.Table2, daten, "ErfPosition.DB"));
  RIVIZA_TRY(v.schreiben());
  RIVIZA_TRY(f.Table2->ensureFilterIndex("BelegNummer"));
  return jedenSatz(*f.Table1, [&]() -> Status {
    RIVIZA_TRY(belegUmschreiben(f, voll, ermaessigt));
    fortschritt.weiter();
    return okStatus();
  });
}

Status zuzahlungsbefreiungenLoeschen(TFormEinstellungen& f) {
  RIVIZA_TRY(tabelleOeffnen(*f.Table1, jahrDatenPfad(), "Patienten.DB"));
  auto guard = f.Table1->startTransaction();
  if (!guard) return guard.error();
  RIVIZA_TRY(jedenSatz(*f.Table1, [&] {
    return satzAendern(*f.Table1, [&] { return f.Table1->fields(26).setAsBoolean(false); });
  }));
  return guard->commit();
}

}  // namespace

std::optional<long long> mwstSatzLesen(std::string_view text) {
  text = pf::trimView(text);
  const size_t komma = text.find(',');
  const std::string_view ganz = text.substr(0, komma);
  const std::string_view bruch =
      komma == std::string_view::npos ? std::string_view() : text.substr(komma + 1);
  auto ziffern = [](std::string_view s) {
    return s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (ganz.empty() || ganz.size() > 3 || !ziffern(ganz) || bruch.size() > 2 || !ziffern(bruch))
    return std::nullopt;
  if (komma != std::string_view::npos && bruch.empty()) return std::nullopt;
  long long wert = 0;
  std::from_chars(ganz.data(), ganz.data() + ganz.size(), wert);
  wert *= 100;
  if (!bruch.empty()) wert += (bruch[0] - '0') * 10 + (bruch.size() > 1 ? bruch[1] - '0' : 0);
  if (wert > 10000) return std::nullopt;
  return wert;
}

long long rundenGerade(long long zaehler, long long nenner) {
  const __int128 a = zaehler, b = nenner;
  __int128 q = a / b, r = a % b;
  if (r < 0) {  // floor division
    q -= 1;
    r += b;
  }
  if (2 * r > b || (2 * r == b && (q & 1) != 0)) q += 1;
  return static_cast<long long>(q);
}

Status BelegSummenNeuBerechnen(int positionSatz) {
  TFormEinstellungen& f = *FormEinstellungen;
  db::TTable& p = *f.Table2;
  RIVIZA_TRY(loeschenWo(p, [&p]() -> Result<bool> { return ohneArtikel(p); }));
  long long brutto = 0, zuzahlung = 0;
  int nummer = 0;
  RIVIZA_TRY(jedenSatz(p, [&]() -> Status {
    const PositionsWerte w = positionRechnen(p);
    RIVIZA_TRY(satzAendern(p, [&]() -> Status {
      RIVIZA_TRY(hundertstelSetzen(p, "GesNetto", w.netto));
      RIVIZA_TRY(hundertstelSetzen(p, "GesBrutto", w.brutto));
      RIVIZA_TRY(feldSetzen(p, "PosNr", std::to_string(++nummer)));
      return w.kzZuzahlberechnung ? feldSetzen(p, "KzZuzahlberechnung", *w.kzZuzahlberechnung) : okStatus();
    }));
    brutto += w.brutto;
    zuzahlung += festkomma(p, "Zuzahlung", 100);
    return okStatus();
  }));
  db::TTable& beleg = *f.Table1;
  RIVIZA_TRY(satzAendern(beleg, [&]() -> Status {
    RIVIZA_TRY(hundertstelSetzen(beleg, "GesBrutto", brutto));
    RIVIZA_TRY(hundertstelSetzen(beleg, "GesZuzahlung", zuzahlung));
    return hundertstelSetzen(beleg, "PauschalerZuzahlbetrag", 0);
  }));
  return p.isEmpty() ? okStatus() : p.setRecNo(positionSatz);
}

void TFormEinstellungen::ButtonMwstClick(TComponent&) {
  const std::string vollText = pf::trim(EditMwStVoll->text());
  const std::string ermText = pf::trim(EditMwstErm->text());
  const auto voll = mwstSatzLesen(vollText);
  const auto ermaessigt = mwstSatzLesen(ermText);
  for (const auto& [satz, text] : {std::pair{voll, vollText}, std::pair{ermaessigt, ermText}}) {
    if (!satz) {
      meldung::fehler("MwSt-Satz <<" + text + ">> ungültig, bitte eine Zahl von 0 bis 100 eingeben!");
      return;
    }
  }
  VorgangsSperre sperre;
  if (!sperre.nehmen(jahrDatenPfad())) return;
  if (!gefragt("MwSt-Sätze werden in nicht abgerechneten Rezepten / Verordnungen überschrieben\n\nSind Sie "
               "sicher ?"))
    return;
  // The rates in the settings and in the vouchers change together (staged settings file, one
  // transaction over both tables).
  Status st;
  std::string folgen;
  {
    Fortschritt fortschritt;
    Vorgang v(installation(), "MwSt-Sätze anpassen: " + platform::displayPath(jahrDatenPfad()));
    st = mwstUmschreiben(*this, v, *voll, *ermaessigt, fortschritt);
    auto ini = st ? v.dateien().stageCopy(jahrIniPfad()) : Result<std::string>(st.error());
    if (!ini) st = ini.error();
    if (st) st = pf::IniFile(*ini).writeString("FIRMA", "MwSt1", vollText);
    if (st) st = pf::IniFile(*ini).writeString("FIRMA", "MwSt2", ermText);
    if (st) st = v.festschreiben();
    folgen = v.folgen("Die Belege und die Einstellungen sind unverändert.");
  }
  (void)arbeitAbschliessen(st, "MwSt-Sätze nicht geändert. " + folgen, "MwSt-Sätze geändert, Verarbeitung beendet");
}

void TFormEinstellungen::BitBtnLoeschZuzBefreiungClick(TComponent&) {
  VorgangsSperre sperre;
  if (!sperre.nehmen(jahrDatenPfad())) return;
  if (!gefragt("Die Zuzahlungsbefreiungen aller Patienten werden gelöscht\n\nSind Sie sicher ?")) return;
  Status st;
  {
    Fortschritt fortschritt(false);
    st = zuzahlungsbefreiungenLoeschen(*this);
  }
  (void)arbeitAbschliessen(st, "Zuzahlungsbefreiungen nicht gelöscht.",
                           "Alle Zuzahlungsbefreiungen gelöscht, Verarbeitung beendet");
}

}  // namespace riviza
