// The year's cost-bearer files (cost-bearer domain); see kosttr_dateien.h.
#include "costbearer/kosttr_dateien.h"

#include <array>

#include "app/allg_tools.h"
#include "costbearer/column_text.h"
#include "costbearer/kosttr_reader.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/work_lines.h"
#include "db/TTable.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::costbearer {

namespace pf = platform;

namespace {

// The legal bases in the readers' order, with the year tables rebuilt from their files.
struct Art {
  Basis basis;
  const char* paragraf;
  std::array<const char*, 4> tabellen;  // ends at the first nullptr
};
constexpr Art kArten[] = {
    {Basis::S300, "§300", {"Kosttr300.db", "Kassen300.db"}},
    {Basis::S302, "§302", {"Kosttr.db", "Kassen.db", "Kas.db", "KasAdrAnn.db"}},
    {Basis::S105, "§105", {"Kosttr105.db", "Kassen105.db"}},
};
using JeArt = std::array<bool, std::size(kArten)>;

// The records of a year table; -1 when it cannot be opened (it may hold some).
int saetze(const Installation& i, const char* tabelle) {
  const std::string ordner = i.jahrDatenPfad();
  if (!pf::fileExists(ordner + "\\" + tabelle)) return 0;
  db::TTable t;
  if (!t.setDatabaseName(ordner).ok() || !t.setTableName(tabelle).ok() || !t.open().ok()) return -1;
  return t.recordCount();
}

// The first basis without a valid cost bearer whose year tables hold records, as the reason:
// "<table> hat <n> Sätze, " + wer + " aber keine gültigen Kostenträger nach §<basis> (<mask>)".
std::optional<std::string> fehlendeArt(const Installation& inst, const JeArt& vorhanden,
                                       std::string_view wer) {
  for (size_t i = 0; i < std::size(kArten); ++i) {
    if (vorhanden[i]) continue;
    const Art& a = kArten[i];
    for (const char* tabelle : a.tabellen) {
      if (!tabelle) break;
      const int n = saetze(inst, tabelle);
      if (n == 0) continue;
      const std::string saetze = n == 1 ? " hat 1 Satz" : " hat " + std::to_string(n) + " Sätze";
      return std::string(tabelle) + (n < 0 ? " ist nicht lesbar" : saetze) + ", " + std::string(wer) +
             " aber keine gültigen Kostenträger nach " + a.paragraf + " (" + rulesFor(a.basis).mask + ")";
    }
  }
  return std::nullopt;
}

bool hatKostentraeger(const KosttrTabelle& t) {
  for (size_t i = 0; i < t.scanLength(); ++i)
    if (columns(t.entry(i), kLineType.first, kLineType.last()) == "01") return true;
  return false;
}

}  // namespace

bool kostentraegerOrdnerDa(const std::string& ordner, Melder& m) {
  if (pf::directoryExists(ordner)) return true;
  m.meldung(Meldungsart::Fehlschlag, "Kostenträgerdateien nicht verfügbar");
  return false;
}

std::string_view kostentraegerMaske(Basis basis) { return rulesFor(basis).mask; }

bool kostentraegerDateienDa(const std::string& ordner, Melder& m) {
  if (!kostentraegerOrdnerDa(ordner, m)) return false;
  std::string masken;
  for (const Art& a : kArten) {
    if (!DateienSuchen(ordner + "\\", rulesFor(a.basis).mask).empty()) return true;
    masken += (masken.empty() ? "" : ", ") + std::string(rulesFor(a.basis).mask);
  }
  m.zeile("  FEHLER Kostenträgerdateien nicht verfügbar: keine Datei " + masken + " in " +
          pf::displayPath(ordner));
  m.meldung(Meldungsart::Fehlschlag, "Kostenträgerdateien nicht verfügbar");
  return false;
}

Status kostentraegerLesen(const Installation& i, const std::string& ordner, Melder& m,
                          const LeseErgebnis& ergebnis) {
  using Leser = KosttrLeseErgebnis (*)(std::string_view, std::string_view, std::string_view, Melder&);
  struct Lauf {
    Leser lesen;
    const char* arbeitsdatei;
  };
  // The readers build their folder as data root + year path + "Kosttr".
  const std::string ueber = pf::extractFilePath(ordner);
  for (const Lauf& l : {Lauf{Kosttr300Einlesen, "Kosttr300.txt"}, Lauf{Kosttr302Einlesen, "Kosttr302.txt"},
                        Lauf{Kosttr105Einlesen, "Kosttr105.txt"}}) {
    const KosttrLeseErgebnis r = l.lesen(i.programmPfad, ueber, "", m);
    if (ergebnis(r, l.arbeitsdatei)) continue;
    if (!r.ok()) return r.status;
    return Error::make(kNichtAktualisiert,
                       "Kostenträgerdateien nicht eingelesen (" + std::string(l.arbeitsdatei) + ")");
  }
  return okStatus();
}

bool kostentraegerArtenVorhanden(const Installation& i, Melder& m) {
  const JeArt vorhanden = {hatKostentraeger(Kosttr300Tabelle()), hatKostentraeger(Kosttr302Tabelle()),
                           hatKostentraeger(Kosttr105Tabelle())};
  const std::optional<std::string> grund = fehlendeArt(i, vorhanden, "die Kostenträgerdateien");
  if (!grund) return true;
  m.zeile("  FEHLER Kostenträgerdateien unvollständig: " + *grund + "; keine Tabelle geändert");
  return false;
}

std::optional<std::string> kostentraegerPaketPruefen(const Installation& i, const std::string& ordner) {
  JeArt vorhanden{};
  for (size_t i = 0; i < std::size(kArten); ++i) {
    const KosttrLeseErgebnis r = KosttrDateienPruefen(kArten[i].basis, ordner + "\\");
    if (!r.ok()) return r.status.error().message;
    vorhanden[i] = r.kostentraeger > 0;
  }
  if (vorhanden == JeArt{}) return "keine gültigen Kostenträger im Paket";
  return fehlendeArt(i, vorhanden, "das Paket");
}

}  // namespace riviza::costbearer
