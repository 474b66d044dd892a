// The year's cost-bearer files as the table rebuilds and the acceptance-office tab read them
// (form library, cost-bearer subsystem): the folder test with its message, the three file lists
// of the update tab, and the three readers in their order.
#pragma once

#include <functional>
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
// Points FileListBoxKost300/302/105 at the folder with their masks.
void kostentraegerListenZeigen();
void kostentraegerListenZeigen(const std::string& ordner);
// Runs the readers in the order §300, §302, §105 and hands each result with its work file
// ("Kosttr300.txt", ...) to `ergebnis`; an answer of false stops the runs. True when every
// reader ran.
using LeseErgebnis = std::function<bool(const KosttrLeseErgebnis&, std::string_view)>;
bool kostentraegerLesen(const LeseErgebnis& ergebnis);
bool kostentraegerLesen(const std::string& ordner, const LeseErgebnis& ergebnis);

}  // namespace riviza::costbearer
