// The census worksheet "Bestandserhebung": the 36 counters of Stat01.DB's rows and the fixed
// layout they are written in (form library, maintenance).
//
//   A1 "Bestandserhebung am:"   C1 the date of the run
//   A3 "Sportart"  B3 "Verein / Abteilung"  C3..T3 the nine age bands, male then female
//                                            ("bis 6 ml.", "bis 6 wbl.", ... "ab 61 wbl."),
//                                            U3 "ges. ml.", V3 "ges. wbl."
//   A4 "Rehasport"          C4..T4 its counts, U4/V4 its male and female totals
//   A5 "Funktionstraining"  C5..V5 the same
//   A7 "Gesamt"             C7..V7 rows 4 and 5 added
//   U9 "Gesamt (ml.+wbl.)"  V9 every counted row
// Age bands: under 7 (negative ages too), 7-14, 15-18, 19-21, 22-26, 27-40, 41-50, 51-60, over
// 60. A row of another kind than "R" or "F", or another sex than "M" or "W", counts nowhere.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace riviza {

class TExcelExport;

class Bestand {
 public:
  static constexpr size_t kBaender = 9;
  // The counts of one kind: [band][0 = M, 1 = W].
  using Zeile = std::array<std::array<int, 2>, kBaender>;

  // Counts one Stat01.DB row.
  void zaehlen(long long alter, std::string_view art, std::string_view geschlecht);
  const Zeile& reha() const { return n_[0]; }
  const Zeile& funktion() const { return n_[1]; }

 private:
  std::array<Zeile, 2> n_{};
};

// Empties the worksheet of the connected component and writes the census into it; a refused
// cell raises as the component's automation failure.
void blattSchreiben(TExcelExport& ex, const Bestand& bestand);

}  // namespace riviza
