// The year's cost-bearer files as the table rebuilds and the acceptance-office tab read them
// (form library, cost-bearer subsystem): the folder test with its message, the three file lists
// of the update tab, and the three readers in their order.
#pragma once

#include <functional>
#include <string_view>

#include "costbearer/abr_tools.h"

namespace riviza::costbearer {

// True when the year's Kosttr folder exists; otherwise shows "Kostenträgerdateien nicht
// verfügbar" (caption "Fehler") and answers false.
bool kostentraegerOrdnerDa();
// Points FileListBoxKost300/302/105 at the year's Kosttr folder with their masks.
void kostentraegerListenZeigen();
// Runs the readers of the current year in the order §300, §302, §105 and hands each result with
// its work file ("Kosttr300.txt", ...) to `ergebnis`; an answer of false stops the runs. True
// when every reader ran.
bool kostentraegerLesen(const std::function<bool(const KosttrLeseErgebnis&, std::string_view)>& ergebnis);

}  // namespace riviza::costbearer
