// The census counters and worksheet (form library, maintenance); see statistik_blatt.h.
//
// The worksheet is first emptied as far as anything was written into it (the Firma.DB export
// that opened the workbook), so no cell of that export survives between the census cells.
// Counts are written as numbers and the date of the run as a date, as the spreadsheet program
// turned the typed texts into numbers and dates on entry.
#include "maintenance/statistik_blatt.h"

#include <algorithm>
#include <climits>
#include <string>

#include "maintenance/excel_lauf.h"
#include "office/ExcelExport.h"
#include "office/a1.h"
#include "platform/clock.h"

namespace riviza {

namespace {

struct Band {
  long long bis;  // the oldest age of the band
  const char* text;
};
constexpr std::array<Band, Bestand::kBaender> kBaender{{{6, "bis 6"},
                                                        {14, "7 bis 14"},
                                                        {18, "15 bis 18"},
                                                        {21, "19 bis 21"},
                                                        {26, "22 bis 26"},
                                                        {40, "27 bis 40"},
                                                        {50, "41 bis 50"},
                                                        {60, "51 bis 60"},
                                                        {LLONG_MAX, "ab 61"}}};
constexpr std::array<const char*, 2> kGeschlechter{" ml.", " wbl."};
constexpr int kSummenspalte = 21;  // U, then V

// C and D for the first band, male and female, up to S and T.
int zaehlspalte(size_t band, size_t geschlecht) { return 3 + static_cast<int>(2 * band + geschlecht); }

size_t bandVon(long long alter) {
  size_t b = 0;
  while (alter > kBaender[b].bis) ++b;
  return b;
}

class Blatt {
 public:
  explicit Blatt(TExcelExport& ex) : ex_(ex) {}

  void leeren() {
    const office::Worksheet& ws = *ex_.Worksheet();
    int spalten = 26, zeilen = std::max(10, ws.usedRows());
    for (int r = 1; r <= ws.usedRows(); ++r)
      spalten = std::max(spalten, static_cast<int>(ws.row(r)->cells.size()));
    auto bereich = ex_.Worksheet()->range("A1", office::a1Name({zeilen, spalten}));
    if (!bereich) throw EExcelAutomation(bereich.error());
    throwOnFailure(bereich->clear());
  }
  void setzen(int zeile, int spalte, const office::CellValue& wert) {
    zelleSchreiben(ex_, office::a1Name({zeile, spalte}), wert);
  }
  void text(int zeile, int spalte, std::string wert) { setzen(zeile, spalte, std::move(wert)); }
  void zahl(int zeile, int spalte, int wert) { setzen(zeile, spalte, static_cast<double>(wert)); }

  // A row of counts: the label, the bands male then female, and the two totals.
  void zaehlzeile(int zeile, const char* titel, const Bestand::Zeile& werte) {
    text(zeile, 1, titel);
    std::array<int, 2> summe{};
    for (size_t b = 0; b < Bestand::kBaender; ++b)
      for (size_t g = 0; g < 2; ++g) {
        zahl(zeile, zaehlspalte(b, g), werte[b][g]);
        summe[g] += werte[b][g];
      }
    zahl(zeile, kSummenspalte, summe[0]);
    zahl(zeile, kSummenspalte + 1, summe[1]);
  }

 private:
  TExcelExport& ex_;
};

}  // namespace

void Bestand::zaehlen(long long alter, std::string_view art, std::string_view geschlecht) {
  const int a = art == "R" ? 0 : art == "F" ? 1 : -1;
  const int g = geschlecht == "M" ? 0 : geschlecht == "W" ? 1 : -1;
  if (a >= 0 && g >= 0) ++n_[static_cast<size_t>(a)][bandVon(alter)][static_cast<size_t>(g)];
}

void blattSchreiben(TExcelExport& ex, const Bestand& bestand) {
  Blatt blatt(ex);
  blatt.leeren();
  blatt.text(1, 1, "Bestandserhebung am:");
  blatt.setzen(1, 3, office::DateValue{platform::toDateTimeNumber(platform::today())});
  blatt.text(3, 1, "Sportart");
  blatt.text(3, 2, "Verein / Abteilung");
  Bestand::Zeile gesamt{};
  int alle = 0;
  for (size_t b = 0; b < Bestand::kBaender; ++b)
    for (size_t g = 0; g < 2; ++g) {
      blatt.text(3, zaehlspalte(b, g), std::string(kBaender[b].text) + kGeschlechter[g]);
      gesamt[b][g] = bestand.reha()[b][g] + bestand.funktion()[b][g];
      alle += gesamt[b][g];
    }
  blatt.text(3, kSummenspalte, "ges. ml.");
  blatt.text(3, kSummenspalte + 1, "ges. wbl.");
  blatt.zaehlzeile(4, "Rehasport", bestand.reha());
  blatt.zaehlzeile(5, "Funktionstraining", bestand.funktion());
  blatt.zaehlzeile(7, "Gesamt", gesamt);
  blatt.text(9, kSummenspalte, "Gesamt (ml.+wbl.)");
  blatt.zahl(9, kSummenspalte + 1, alle);
}

}  // namespace riviza
