// The census: Stat01.DB from the year's vouchers, and the buttons of the "Statistik" group
// (form library, maintenance); see statistik.h. The worksheet is statistik_blatt.cpp.
//
// Cursors: Table1 holds ErfBeleg.DB, Table2 ErfPosition.DB, TableAlt writes Stat01.DB. The two
// tables that are only read are each walked once, reading just the fields the census uses
// (TTable::scanValues): the positions first, keeping for every voucher number the HM number of
// its first position in the table's order (what selecting the voucher's positions by its exact
// number and going to the first gave, without a query per voucher), then the vouchers. Stat01.DB
// is emptied at the start and written only by this run, so the set of keys written so far
// answers whether a key is in the table, exactly, without one query per voucher. The rows go in
// one transaction, committed when the walk ends.
#include "maintenance/statistik.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "db/errors.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
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

// Walks `t` reading the fields at `positions` into `texte` (as asString gives them), then `tun`.
Status alsTexte(db::TTable& t, const std::vector<int>& positions, std::vector<std::string>& texte,
                const std::function<Status()>& tun) {
  texte.resize(positions.size());
  return t.scanValues(positions, [&](const db::TTable::ValueRow& werte) {
    for (size_t i = 0; i < positions.size(); ++i)
      texte[i] = db::fieldText(t.structure().fields[static_cast<size_t>(positions[i])].type, werte[i]);
    return tun();
  });
}

class Stat01Lauf {
 public:
  Stat01Lauf() : f_(*FormEinstellungen), anzeige_(f_, f_.LabelWarten, f_.LabelDbSatz) {}
  Status ausfuehren();

 private:
  Status belegeLesen();
  Status beleg(const std::vector<std::string>& b);
  Status zeileAnhaengen(const std::array<std::string, kStat01Felder>& werte);

  TFormEinstellungen& f_;
  ui::LongOperation anzeige_;
  const pf::DateTime heute_ = pf::today();
  std::unordered_set<std::string> schluessel_;
  std::unordered_map<std::string, std::string> ersteHm_;  // voucher number -> HM number of its first position
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
  db::TTable& stat = *f_.TableAlt;
  RIVIZA_TRY(tabelleOeffnen(stat, daten, "Stat01.DB"));
  RIVIZA_TRY(mindestensFelder(stat, kStat01Felder));
  RIVIZA_TRY(stat.emptyTable());
  std::vector<std::string> texte;
  RIVIZA_TRY(alsTexte(*f_.Table2, {kBelegNummer, kHmNummer}, texte, [this, &texte] {
    ersteHm_.try_emplace(texte[0], texte[1]);
    return okStatus();
  }));
  auto transaktion = stat.startTransaction();
  if (!transaktion) return transaktion.error();
  RIVIZA_TRY(alsTexte(
      *f_.Table1,
      {kBelegNummer, kBelegDatum, kKvNummer, kStatus, kVerordnungsdatum, kGeburtsdatum, kMaenWeiblich}, texte,
      [this, &texte] { return beleg(texte); }));
  RIVIZA_TRY(transaktion->commit());
  f_.Table1->close();
  f_.Table2->close();
  stat.close();
  return okStatus();
}

// `b`: the voucher's fields in the order belegeLesen scans them.
Status Stat01Lauf::beleg(const std::vector<std::string>& b) {
  const std::string& nummer = b[0];
  if (!pf::trimView(nummer).empty()) {
    const auto erste = ersteHm_.find(nummer);
    const std::string hm = erste == ersteHm_.end() ? "" : erste->second;
    const std::string art = artVon(hm);
    const std::string& status = b[3];
    const std::string geschlecht = geschlechtVon(status, b[6]);
    const std::string &kv = b[2], &datum = b[1], &geburtsdatum = b[5];
    const std::string schluessel =
        pf::trim(links(kv, 12) + links(datum, 10) + links(art, 1) + links(geschlecht, 1));
    if (!schluessel.empty() && !schluessel_.contains(schluessel)) {
      const Status st = zeileAnhaengen({schluessel, art, geschlecht, kv, status, b[4],
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
  const auto& felder = t.structure().fields;
  RIVIZA_TRY(t.scanValues({6, 1, 2}, [&](const db::TTable::ValueRow& w) -> Status {
    const auto alter = db::integerOf(felder[6], w[0]);
    if (!alter) return alter.error();
    bestand.zaehlen(*alter, db::fieldText(felder[1].type, w[1]), db::fieldText(felder[2].type, w[2]));
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
