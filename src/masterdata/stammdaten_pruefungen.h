// The master-data checks and lookups (master-data domain): which IK is valid for what, the names
// and addresses the cost-bearer files give for an IK, the checks a save runs, and where the
// service providers' table lies.
//
// Values in, a value or a Status out: nothing here reads a control, the form or the program's
// global state, and nothing shows a message. The cost-bearer files are asked through the lookup
// service of kosttr_auskunft.h, so a test answers them with hand-made blocks. A refused check's
// Error carries the code kAbgelehnt and the German text the caller shows as it stands; the form's
// handlers (src/forms) read their controls, call these and write the result back.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "costbearer/kosttr_reader.h"
#include "db/TTable.h"
#include "platform/result.h"

namespace riviza {

// Error code of a check that refused the input.
constexpr int kAbgelehnt = 1;

// The text holds exactly 9 characters.
bool isFullIk(std::string_view text);

// The whole address block (UTF-8) of the first lookup that knows ik, "" when none does or ik
// does not have 9 characters.
std::string nameFromLookups(std::span<const costbearer::Basis> lookups, std::string_view ik);

// The legal basis of a cost bearer's prescriptions by its IK: "10..." §302, "18..." §105, none
// for any other prefix.
std::optional<costbearer::Basis> verordnungsParagraph(std::string_view kostentraegerIk);

// An acceptance office is stored with a cost bearer of 9 characters and a name that is not blank.
[[nodiscard]] Status annahmestellePruefen(std::string_view kostentraegerIk, std::string_view name);
// The office address of the acceptance-office tab likewise needs an Ik of 9 characters and a name.
[[nodiscard]] Status annAdressePruefen(std::string_view ik, std::string_view name);
// An address of the address picker's table: its Ik has 9 characters and no other record of the
// table's file holds it (the record current in `adressen` may, unless it is being inserted).
// The refusal's text begins "Die Adresse wurde nicht gespeichert: ".
[[nodiscard]] Status adressenIkPruefen(const db::TTable& adressen, std::string_view ik);

// An office's postal address, as the tab stores it in AdrAnn.DB (each value trimmed).
struct AnnAnschrift {
  std::string name;
  std::string name2;
  std::string strasse;
  std::string plz;
  std::string ort;
};
// The address the cost-bearer files give for office ik of `kind` ("300": the §300 table, "302"
// and "105": the §302 table, which lists the §105 offices too); none when they do not know it.
std::optional<AnnAnschrift> annAnschriftAusKosttr(std::string_view ik, std::string_view kind);

// The filter of KasAdrAnn.db for a fund's office for cost estimates:
// "Ik = 'office*'AND KassenArt = 'kind*'"; for a fund without an office IK a term without a
// value, which admits no record (the prefix of an empty IK would admit every office of the kind).
std::string kasBueroFilter(std::string_view bueroIk, std::string_view kassenArt);

// The Daten folder of the current year that the program folder's Abrechng.ini names (data root
// `BüroWARE`, `AktuellesJahr`; the flat layout when the year has no folder), "" when the file
// names no data root.
std::string leOrdnerFinden(std::string_view programmPfad);

}  // namespace riviza
