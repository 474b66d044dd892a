// The VAT button, the recomputation of a voucher and the co-payment reset (form library,
// application shell); see Riviza1_mwst.h.
//
// Mended against the Windows program: both rates are checked before the settings file or any
// table changes (a bad one ended the run halfway with a conversion error); a voucher is
// recomputed once, each position getting its rate and its sums in one edit (recomputing after
// every position deleted positions under the running cursor and skipped others); the rates in
// the settings file and every voucher change in one exchange over the settings file and both
// tables (app/vorgang.h), so a failure leaves all of them as they were (the Windows program
// wrote the rates first and each table on its own, leaving positions with new rates under
// voucher sums with the old ones); an empty voucher number selects no positions (it recomputed
// the voucher before into this one); co-payment amounts count as amounts, so 0,50 is a
// co-payment (they were cut to whole euros). The voucher cursor is not refreshed after each
// voucher: that reread the whole table per voucher and shows nothing this routine did not write
// itself.
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

// "35,70" for 3570 cents: two decimals with the German comma, in whole numbers throughout.
std::string centText(long long cents) {
  const unsigned long long betrag = cents < 0 ? 0ULL - static_cast<unsigned long long>(cents) : cents;
  return (cents < 0 ? "-" : "") + std::to_string(betrag / 100) + "," +
         platform::zeroPadded(static_cast<long long>(betrag % 100), 2);
}

// A field by name, looked up once for a whole run instead of at every use (a table's field
// objects stay while it is open on one structure). A field the table lacks reads as empty and
// refuses writes as fieldByName does.
class Feld {
 public:
  Feld(db::TTable& t, const char* name) : tabelle_(&t), name_(name), feld_(t.findField(name)) {}

  std::string text() const { return feld_ ? feld_->asString() : std::string(); }
  // The stored amount in whole units of 1/scale (cents: 100), null as 0.
  long long festkomma(int scale) const {
    return std::llround((feld_ ? feld_->asFloat().valueOr(0) : 0) * scale);
  }

  Status setzen(std::string_view text) const {
    if (!feld_) return tabelle_->fieldByName(name_).error();
    return feld_->setAsString(text);
  }
  // A value in hundredths (cents, hundredths of a percent): a number field takes h / 100, the
  // very double its German text reads as (both are the double nearest to it), without writing
  // and parsing the text for every position; any other field the text.
  Status hundertstelSetzen(long long hundertstel) const {
    if (feld_ && db::isFloatType(feld_->dataType()))
      return feld_->setAsFloat(static_cast<double>(hundertstel) / 100);
    return setzen(centText(hundertstel));
  }

 private:
  db::TTable* tabelle_;
  const char* name_;
  db::TField* feld_;
};

// The fields of ErfPosition.DB (`p`) and ErfBeleg.DB (`b`) the recomputation works with.
struct Felder {
  Felder(db::TTable& positionen, db::TTable& belege) : p(positionen), b(belege) {}
  db::TTable &p, &b;
  Feld hm{p, "HM Nummer"}, pzn{p, "Pharmazentralnummer"}, kz{p, "MwSt Kennzeichen"}, satz{p, "MwSt Satz"};
  Feld anzahl{p, "Anzahl"}, preis{p, "Einzelbetrag"}, zuzahlung{p, "Zuzahlung"}, kzZuz{p, "KzZUZ"};
  Feld eigenanteil{p, "BetragEigenanteil"}, zeitraum{p, "Versorgungszeitraum"};
  Feld netto{p, "GesNetto"}, brutto{p, "GesBrutto"}, posNr{p, "PosNr"}, kzBerechnung{p, "KzZuzahlberechnung"};
  Feld belegBrutto{b, "GesBrutto"}, belegZuzahlung{b, "GesZuzahlung"}, pauschal{b, "PauschalerZuzahlbetrag"};
};

struct PositionsWerte {
  long long netto = 0, brutto = 0;  // cents
  std::optional<std::string> kzZuzahlberechnung;
};

// One position: VAT per unit from rate and net unit price, gross per unit, the totals of the
// quantity, and the co-payment indicator.
PositionsWerte positionRechnen(const Felder& p) {
  const long long preis = p.preis.festkomma(100);
  const long long satz = p.satz.festkomma(100);
  const long long menge = p.anzahl.festkomma(1000);
  const long long mwst = rundenGerade(satz * preis, 10000);
  PositionsWerte w;
  w.netto = rundenGerade(menge * preis, 1000);
  w.brutto = rundenGerade(menge * (preis + mwst), 1000);
  if (p.kzZuz.text() == "J") {
    const long long zuzahlung = p.zuzahlung.festkomma(100);
    const long long eigenanteil = p.eigenanteil.festkomma(100);
    if (zuzahlung == 0 && eigenanteil == 0)
      w.kzZuzahlberechnung = "0";
    else if (zuzahlung > 0 || eigenanteil > 0)
      w.kzZuzahlberechnung = p.zeitraum.text().empty() ? "2" : "1";
  }
  return w;
}

bool ohneArtikel(const Felder& p) { return p.hm.text().empty() && p.pzn.text().empty(); }

// The rates a rewrite gives the positions by their indicator, in hundredths of a percent.
struct Saetze {
  long long voll, ermaessigt;
};

// The rate of a position by its indicator: "1" the full, "2" the reduced rate, others keep theirs.
Status satzSetzen(const Felder& p, const Saetze& s) {
  const std::string kz = p.kz.text();
  if (kz != "1" && kz != "2") return okStatus();
  return p.satz.hundertstelSetzen(kz == "1" ? s.voll : s.ermaessigt);
}

// The current voucher of Table1 from its positions selected in Table2, in one walk over them:
// a position without article is deleted, every other one edited once (its new rate, when
// `saetze` gives rates, then its sums) and posted, then the voucher's sums. Rewriting the rates
// in a walk of their own and then the sums in a second one wrote every position twice and read
// the voucher's positions four times.
Status belegNeuBerechnen(TFormEinstellungen& f, const Felder& felder, const Saetze* saetze) {
  db::TTable& p = *f.Table2;
  long long brutto = 0, zuzahlung = 0;
  int nummer = 0;
  RIVIZA_TRY(loeschenWo(p, [&]() -> Result<bool> {
    if (ohneArtikel(felder)) return true;
    PositionsWerte w;
    RIVIZA_TRY(satzAendern(p, [&]() -> Status {
      if (saetze) RIVIZA_TRY(satzSetzen(felder, *saetze));
      w = positionRechnen(felder);
      RIVIZA_TRY(felder.netto.hundertstelSetzen(w.netto));
      RIVIZA_TRY(felder.brutto.hundertstelSetzen(w.brutto));
      RIVIZA_TRY(felder.posNr.setzen(std::to_string(++nummer)));
      return w.kzZuzahlberechnung ? felder.kzBerechnung.setzen(*w.kzZuzahlberechnung) : okStatus();
    }));
    brutto += w.brutto;
    zuzahlung += felder.zuzahlung.festkomma(100);
    return false;
  }));
  return satzAendern(*f.Table1, [&]() -> Status {
    RIVIZA_TRY(felder.belegBrutto.hundertstelSetzen(brutto));
    RIVIZA_TRY(felder.belegZuzahlung.hundertstelSetzen(zuzahlung));
    return felder.pauschal.hundertstelSetzen(0);
  });
}

// One voucher: the rates of its positions and its sums.
Status belegUmschreiben(TFormEinstellungen& f, const Felder& felder, const Saetze& saetze) {
  RIVIZA_TRY(belegWaehlen(*f.Table2, f.Table1->fields(0).asString()));
  if (f.Table2->isEmpty()) return okStatus();
  return belegNeuBerechnen(f, felder, &saetze);
}

// Every unbilled voucher in the operation's one transaction over both tables.
Status mwstUmschreiben(TFormEinstellungen& f, Vorgang& v, const Saetze& saetze, Fortschritt& fortschritt) {
  const std::string daten = jahrDatenPfad();
  RIVIZA_TRY(v.tabellen().join(*f.Table1, *f.Table2));
  RIVIZA_TRY(tabelleOeffnen(*f.Table1, daten, "ErfBeleg.DB", "Verarbeitet = 0"));
  RIVIZA_TRY(tabelleOeffnen(*f.Table2, daten, "ErfPosition.DB"));
  RIVIZA_TRY(v.schreiben());
  RIVIZA_TRY(f.Table2->ensureFilterIndex("BelegNummer"));
  const Felder felder(*f.Table2, *f.Table1);
  return jedenSatz(*f.Table1, [&]() -> Status {
    RIVIZA_TRY(belegUmschreiben(f, felder, saetze));
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
  RIVIZA_TRY(belegNeuBerechnen(f, Felder(*f.Table2, *f.Table1), nullptr));
  return f.Table2->isEmpty() ? okStatus() : f.Table2->setRecNo(positionSatz);
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
    st = mwstUmschreiben(*this, v, {*voll, *ermaessigt}, fortschritt);
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
