// The census: Stat01.DB from the year's vouchers, and the buttons of the "Statistik" group
// (form library, maintenance); see statistik.h. The worksheet is statistik_blatt.cpp.
//
// Cursors: Table1 walks ErfBeleg.DB, Table2 selects one voucher's positions by its number as a
// bound value (a number with letters, quotes or leading zeros selects its own positions and no
// others), TableAlt writes Stat01.DB. Stat01.DB is emptied at the start and written only by this
// run, so the set of keys written so far answers whether a key is in the table, exactly, without
// one query per voucher. The rows go in one transaction, committed when the walk ends; the
// two tables that are only read are walked inside a transaction each as well (rolled back when
// they close), which holds their locks for the whole walk instead of taking them, and looking
// for a journal, once per voucher: that halves the time of a large year.
#include "maintenance/statistik.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "app/Riviza1.h"
#include "app/Riviza1_tabellen.h"
#include "app/globals.h"
#include "db/errors.h"
#include "maintenance/excel_lauf.h"
#include "maintenance/protokoll_anzeigen.h"
#include "maintenance/statistik_blatt.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/busy.h"

namespace riviza {

namespace {

namespace pf = platform;

// Field positions the census reads.
constexpr int kBelegNummer = 0, kBelegDatum = 1, kKvNummer = 3, kStatus = 4, kVerordnungsdatum = 6,
              kGeburtsdatum = 19, kMaenWeiblich = 56;
constexpr int kHmNummer = 2;
constexpr int kStat01Felder = 8;

std::string artVon(std::string_view hmNummer) {
  if (hmNummer == "704505" || hmNummer == "704506") return "F";
  if (hmNummer == "604503" || hmNummer == "604504") return "R";
  return "";
}

// The second character of the status as stored decides, when the trimmed status has more than one.
std::string geschlechtVon(std::string_view status, const std::string& maenWeiblich) {
  if (pf::utf8Length(pf::trimView(status)) > 1) {
    size_t pos = 0;
    pf::nextCodePoint(status, pos);
    const char32_t zweites = pf::nextCodePoint(status, pos);
    if (std::u32string_view(U"1357").find(zweites) != std::u32string_view::npos) return "W";
    if (std::u32string_view(U"2468").find(zweites) != std::u32string_view::npos) return "M";
  }
  return maenWeiblich;
}

// Completed years on `heute`: one less before the birthday of this year (born on 29 February, on
// 1 March of a common year); 0 when the birth date is no date.
int alterVon(const std::string& geburtsdatum, const pf::DateTime& heute) {
  const std::optional<pf::DateTime> geb = pf::parseDate(geburtsdatum);
  if (!geb) return 0;
  const bool vorGeburtstag = std::pair(heute.month, heute.day) < std::pair(geb->month, geb->day);
  return heute.year - geb->year - (vorGeburtstag ? 1 : 0);
}

// Left-aligned in at least `breite` characters, as "%-12s" pads.
std::string links(std::string_view wert, size_t breite) {
  std::string s(wert);
  for (size_t n = pf::utf8Length(wert); n < breite; ++n) s += ' ';
  return s;
}

Status mindestensFelder(const db::TTable& t, int felder) {
  if (t.fieldCount() >= felder) return okStatus();
  return Error::make(db::kBadStructure, "Tabelle " + t.filePathText() + " hat " +
                                            std::to_string(t.fieldCount()) +
                                            " Felder, die Statistik braucht " + std::to_string(felder));
}

class Stat01Lauf {
 public:
  Stat01Lauf() : f_(*FormEinstellungen), anzeige_(f_, f_.LabelWarten, f_.LabelDbSatz) {}
  Status ausfuehren();

 private:
  Status belegeLesen();
  Status beleg();
  Status zeileAnhaengen(const std::array<std::string, kStat01Felder>& werte);

  TFormEinstellungen& f_;
  ui::LongOperation anzeige_;
  const pf::DateTime heute_ = pf::today();
  std::unordered_set<std::string> schluessel_;
  std::string ohneGeschlecht_;  // the lines of stat01.txt
  int neu_ = 0, ohne_ = 0;
};

Status Stat01Lauf::ausfuehren() {
  const std::string txt = globals().ProgrammPfad + "stat01.txt";
  RIVIZA_TRY(pf::writeFile(txt, ""));
  f_.LabelStat01->setVisible(true);
  const Status gelesen = belegeLesen();
  const Status geschrieben = pf::writeFile(txt, pf::fromUtf8(ohneGeschlecht_));
  RIVIZA_TRY(gelesen);
  RIVIZA_TRY(geschrieben);
  return BestandserhebungExcel();
}

Status Stat01Lauf::belegeLesen() {
  const std::string daten = jahrDatenPfad();
  RIVIZA_TRY(tabelleOeffnen(*f_.Table1, daten, "ErfBeleg.DB"));
  RIVIZA_TRY(mindestensFelder(*f_.Table1, kMaenWeiblich + 1));
  RIVIZA_TRY(tabelleOeffnen(*f_.Table2, daten, "ErfPosition.DB"));
  RIVIZA_TRY(mindestensFelder(*f_.Table2, kHmNummer + 1));
  RIVIZA_TRY(f_.Table2->ensureFilterIndex("BelegNummer"));
  db::TTable& stat = *f_.TableAlt;
  RIVIZA_TRY(tabelleOeffnen(stat, daten, "Stat01.DB"));
  RIVIZA_TRY(mindestensFelder(stat, kStat01Felder));
  RIVIZA_TRY(stat.emptyTable());
  auto transaktion = stat.startTransaction();
  if (!transaktion) return transaktion.error();
  auto belege = f_.Table1->startTransaction();
  if (!belege) return belege.error();
  auto positionen = f_.Table2->startTransaction();
  if (!positionen) return positionen.error();
  RIVIZA_TRY(jedenSatz(*f_.Table1, [this] { return beleg(); }));
  RIVIZA_TRY(transaktion->commit());
  f_.Table1->close();
  f_.Table2->close();
  stat.close();
  return okStatus();
}

Status Stat01Lauf::beleg() {
  db::TTable& b = *f_.Table1;
  const std::string nummer = b.fields(kBelegNummer).asString();
  if (!pf::trimView(nummer).empty()) {
    db::TTable& pos = *f_.Table2;
    RIVIZA_TRY(belegWaehlen(pos, nummer));
    const std::string hm = pos.isEmpty() ? "" : pos.fields(kHmNummer).asString();
    const std::string art = artVon(hm);
    const std::string geschlecht =
        geschlechtVon(b.fields(kStatus).asString(), b.fields(kMaenWeiblich).asString());
    const std::string kv = b.fields(kKvNummer).asString(), datum = b.fields(kBelegDatum).asString();
    const std::string geburtsdatum = b.fields(kGeburtsdatum).asString();
    const std::string schluessel =
        pf::trim(links(kv, 12) + links(datum, 10) + links(art, 1) + links(geschlecht, 1));
    if (!schluessel.empty() && !schluessel_.contains(schluessel)) {
      const Status st = zeileAnhaengen({schluessel, art, geschlecht, kv, b.fields(kStatus).asString(),
                                        b.fields(kVerordnungsdatum).asString(),
                                        std::to_string(alterVon(geburtsdatum, heute_)), geburtsdatum});
      if (!st) {
        f_.ListBoxStat01->items().add("Fehler: " + schluessel + " BEL: " + nummer);
      } else {
        schluessel_.insert(schluessel);
        ++neu_;
        if (geschlecht.empty()) {
          const std::string zeile = datum + ";" + nummer + ";" + hm + ";" + art;
          ohneGeschlecht_ += zeile + "\r\n";
          f_.ListBoxStat01->items().add(zeile);
          ++ohne_;
        }
      }
    }
  }
  f_.LabelStat01->setCaption(std::to_string(neu_) + " / " + std::to_string(ohne_));
  anzeige_.show(nummer);
  return okStatus();
}

Status Stat01Lauf::zeileAnhaengen(const std::array<std::string, kStat01Felder>& werte) {
  db::TTable& stat = *f_.TableAlt;
  RIVIZA_TRY(stat.append());
  Status st;
  for (int i = 0; st && i < kStat01Felder; ++i)
    st = stat.fields(i).setAsString(werte[static_cast<size_t>(i)]);
  if (st) st = stat.post();
  if (!st) stat.cancel();
  return st;
}

void statistikLauf(const char* pruefTabelle) {
  TFormEinstellungen& f = *FormEinstellungen;
  if (!tabelleVorhanden(jahrDatenPfad(), pruefTabelle)) return;
  excelLauf({f.Table1, f.Table2, f.TableAlt, f.TableFirma}, [] { return Stat01Erstellen(); });
}

}  // namespace

Status Stat01Erstellen() { return Stat01Lauf().ausfuehren(); }

Status BestandserhebungExcel() {
  db::TTable& t = *FormEinstellungen->TableFirma;
  const std::string daten = jahrDatenPfad();
  RIVIZA_TRY(tabelleOeffnen(t, daten, "Stat01.DB"));
  RIVIZA_TRY(mindestensFelder(t, kStat01Felder));
  Bestand bestand;
  RIVIZA_TRY(jedenSatz(t, [&]() -> Status {
    const auto alter = t.fields(6).asInteger();
    if (!alter) return alter.error();
    bestand.zaehlen(*alter, t.fields(1).asString(), t.fields(2).asString());
    return okStatus();
  }));
  RIVIZA_TRY(tabelleOeffnen(t, daten, "Firma.DB"));
  return tabelleNachExcel(t, "Bestandserhebung",
                          [&bestand](TExcelExport& ex) { blattSchreiben(ex, bestand); });
}

void TFormEinstellungen::BitBtnStat01Click(TComponent&) { statistikLauf("Stat01.DB"); }

// The hidden second button runs the same census when the year has Stat02.DB.
void TFormEinstellungen::BitBtn6Click(TComponent&) { statistikLauf("Stat02.DB"); }

void TFormEinstellungen::BitBtnListboxstat01Click(TComponent&) {
  ProtokollAnzeigen(globals().ProgrammPfad + "stat01.txt", "Belege ohne Geschlecht");
}

}  // namespace riviza
