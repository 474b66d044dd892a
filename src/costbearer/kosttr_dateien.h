// The year's cost-bearer files as the table rebuilds and the acceptance-office tab read them
// (cost-bearer domain): the folder test with its message, the three readers in their order, and
// what a set of files must bring before it may replace the year's tables.
//
// Input that would empty or shrink a table is refused before anything changes: beside a damaged
// file (which fails its reader), a set without any cost-bearer file, and a set without a valid
// cost bearer of a legal basis whose tables in the year hold records (a folder with only §105
// files must not empty Kosttr.db). A basis whose tables are empty may come without files: an
// office that bills no pharmacies never gets §300 files.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/installation.h"
#include "app/melder.h"
#include "costbearer/abr_tools.h"

namespace riviza::costbearer {

// Each takes the folder of the cost-bearer files (a folder named "Kosttr": the year's, or an
// update's unpacked package; the readers find the files in <its parent>\Kosttr).

// True when the folder exists; otherwise shows "Kostenträgerdateien nicht verfügbar" (caption
// "Fehler") and answers false.
bool kostentraegerOrdnerDa(const std::string& ordner, Melder& m);
// The same for a rebuild, which also needs a cost-bearer file in the folder (the start-up makes
// the folder, so without this the test would never fire and every table be emptied); without
// one the update list also gets a line naming the folder.
bool kostentraegerDateienDa(const std::string& ordner, Melder& m);
// The masks of the three kinds in the readers' order: "??03*.ke?", "??05*.ke?", "??06*.ke?".
std::string_view kostentraegerMaske(Basis basis);
// Runs the readers in the order §300, §302, §105 (work files in the installation's Temp) and
// hands each result with its work file ("Kosttr300.txt", ...) to `ergebnis`; an answer of false
// stops the runs, with the error of the result it was given. Ok when every reader ran.
using LeseErgebnis = std::function<bool(const KosttrLeseErgebnis&, std::string_view)>;
[[nodiscard]] Status kostentraegerLesen(const Installation& i, const std::string& ordner, Melder& m,
                                        const LeseErgebnis& ergebnis);
// After kostentraegerLesen, for a rebuild: true when the in-memory tables hold a valid cost bearer
// of every basis whose year tables hold records; otherwise an error line of the update list says
// which basis is missing and that no table was changed.
bool kostentraegerArtenVorhanden(const Installation& i, Melder& m);
// The cost-bearer files of an update package unpacked into `ordner` (a folder text), checked as
// the rebuild will read them against the year's tables: why they may not replace the year's
// files, or nullopt.
std::optional<std::string> kostentraegerPaketPruefen(const Installation& i, const std::string& ordner);

}  // namespace riviza::costbearer
