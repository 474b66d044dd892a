// The year's cost-bearer files as the table rebuilds and the acceptance-office tab read them
// (form library, cost-bearer subsystem): the folder test with its message, the three file lists
// of the update tab, the three readers in their order, and what a set of files must bring before
// it may replace the year's tables.
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

#include "costbearer/abr_tools.h"

namespace riviza::costbearer {

// Each takes the folder of the cost-bearer files, the year's Kosttr folder unless given (a
// folder named "Kosttr": the readers find the files in <its parent>\Kosttr).

// True when the folder exists; otherwise shows "Kostenträgerdateien nicht verfügbar" (caption
// "Fehler") and answers false.
bool kostentraegerOrdnerDa();
bool kostentraegerOrdnerDa(const std::string& ordner);
// The same for a rebuild, which also needs a cost-bearer file in the folder (the start-up makes
// the folder, so without this the test would never fire and every table be emptied); without
// one the update list also gets a line naming the folder.
bool kostentraegerDateienDa();
bool kostentraegerDateienDa(const std::string& ordner);
// Points FileListBoxKost300/302/105 at the folder with their masks.
void kostentraegerListenZeigen();
void kostentraegerListenZeigen(const std::string& ordner);
// Runs the readers in the order §300, §302, §105 and hands each result with its work file
// ("Kosttr300.txt", ...) to `ergebnis`; an answer of false stops the runs. True when every
// reader ran.
using LeseErgebnis = std::function<bool(const KosttrLeseErgebnis&, std::string_view)>;
bool kostentraegerLesen(const LeseErgebnis& ergebnis);
bool kostentraegerLesen(const std::string& ordner, const LeseErgebnis& ergebnis);
// After kostentraegerLesen, for a rebuild: true when the in-memory tables hold a valid cost bearer
// of every basis whose year tables hold records; otherwise an error line of the update list says
// which basis is missing and that no table was changed.
bool kostentraegerArtenVorhanden();
// The cost-bearer files of an update package unpacked into `ordner` (a folder text), checked as
// the rebuild will read them: why they may not replace the year's files, or nullopt.
std::optional<std::string> kostentraegerPaketPruefen(const std::string& ordner);

}  // namespace riviza::costbearer
