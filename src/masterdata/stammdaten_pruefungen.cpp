// The master-data checks and lookups (master-data domain); see stammdaten_pruefungen.h.
#include "masterdata/stammdaten_pruefungen.h"

#include "app/allg_tools.h"
#include "costbearer/work_lines.h"
#include "masterdata/kosttr_auskunft.h"
#include "masterdata/stammdaten.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text.h"

namespace riviza {
namespace {

Status abgelehnt(std::string text) { return Error::make(kAbgelehnt, std::move(text)); }

bool blank(std::string_view text) { return platform::trimView(text).empty(); }

// Where the fields of a cost bearer's address block (kosttr_auskunft.h; their positions in the
// block are work_lines.h's blockColumn) go. A block shorter than a field's positions gives an
// empty field.
//
//   positions  length  content            field of AdrAnn.DB
//   31-60      30      first name line    Name
//   133-162    30      second name line   Name2
//   91-120     30      street             Strasse
//   61-65      5       postcode           Plz
//   66-90      25      town               Ort
struct BlockFeld {
  costbearer::MainField feld;
  std::string AnnAnschrift::*wert;
};
using F = costbearer::MainField;
constexpr BlockFeld kBlockFelder[] = {
    {F::Name1, &AnnAnschrift::name}, {F::Name2, &AnnAnschrift::name2}, {F::Strasse, &AnnAnschrift::strasse},
    {F::Plz, &AnnAnschrift::plz},    {F::Ort, &AnnAnschrift::ort},
};

}  // namespace

bool isFullIk(std::string_view text) { return platform::utf8Length(text) == 9; }

std::string nameFromLookups(std::span<const costbearer::Basis> lookups, std::string_view ik) {
  if (!isFullIk(ik)) return {};
  for (costbearer::Basis basis : lookups) {
    const costbearer::FixedColumns block = kosttrAuskunft().adresse(basis, ik);
    if (!block.blank()) return block.text(1, block.size());
  }
  return {};
}

std::optional<costbearer::Basis> verordnungsParagraph(std::string_view kostentraegerIk) {
  const std::string_view prefix = kostentraegerIk.substr(0, 2);
  if (prefix == "10") return costbearer::Basis::S302;
  if (prefix == "18") return costbearer::Basis::S105;
  return std::nullopt;
}

Status annahmestellePruefen(std::string_view kostentraegerIk, std::string_view name) {
  if (isFullIk(kostentraegerIk) && !blank(name)) return okStatus();
  return abgelehnt(
      "Die Annahmestelle wurde nicht gespeichert: die IK des Kostenträgers braucht 9 Stellen "
      "und einen Namen aus den Kostenträgerdateien.");
}

Status annAdressePruefen(std::string_view ik, std::string_view name) {
  if (isFullIk(ik) && !blank(name)) return okStatus();
  return abgelehnt("Die Adresse wurde nicht gespeichert: sie braucht eine IK mit 9 Stellen und einen Namen.");
}

Status adressenIkPruefen(const db::TTable& adressen, std::string_view ik) {
  const std::string vorne = "Die Adresse wurde nicht gespeichert: ";
  if (!isFullIk(ik)) return abgelehnt(vorne + "die IK der Annahmestelle braucht 9 Stellen.");
  const std::optional<db::Bookmark> vorhanden = findRecord(adressen, "Ik", ik);
  if (vorhanden && (adressen.state() == db::TableState::Insert || adressen.getBookmark() != vorhanden))
    return abgelehnt(vorne + "die IK " + std::string(ik) + " ist schon eingetragen.");
  return okStatus();
}

std::optional<AnnAnschrift> annAnschriftAusKosttr(std::string_view ik, std::string_view kind) {
  costbearer::FixedColumns block;
  if (kind == "300")
    block = kosttrAuskunft().adresse(costbearer::Basis::S300, ik);
  else if (kind == "302" || kind == "105")
    block = kosttrAuskunft().adresse(costbearer::Basis::S302, ik);
  if (block.blank()) return std::nullopt;
  AnnAnschrift anschrift;
  for (const BlockFeld& b : kBlockFelder) {
    const costbearer::Column c = costbearer::blockColumn(b.feld);
    anschrift.*b.wert = block.trimmed(c.first, c.last());
  }
  return anschrift;
}

std::string kasBueroFilter(std::string_view bueroIk, std::string_view kassenArt) {
  const std::string ik = platform::trim(bueroIk);
  if (ik.empty()) return "Ik =";
  return "Ik = " + db::quoteFilterValue(ik, true) +
         "AND KassenArt = " + db::quoteFilterValue(kassenArt, true);
}

std::string leOrdnerFinden(std::string_view programmPfad) {
  const platform::IniFile ini(BackslashAnhaengen(programmPfad) + "Abrechng.ini");
  const std::string wurzel = ini.readString("EINSTELLUNGEN", "BüroWARE", "-1");
  const std::string jahr = platform::trim(ini.readString("EINSTELLUNGEN", "AktuellesJahr", "-1"));
  // Without a data root the paths would name folders below the current one.
  if (wurzel == "-1" || blank(wurzel)) return {};
  const std::string datenPfad = BackslashAnhaengen(wurzel);
  std::string jahrPfad = jahr.empty() ? "Abrechng\\" : "Abrechng\\" + jahr + "\\";
  if (!platform::directoryExists(datenPfad + jahrPfad)) jahrPfad = "Abrechng\\";
  return datenPfad + jahrPfad + "Daten";
}

}  // namespace riviza
