// The message boxes of the settings form's routines by kind, each with the caption, icon and
// buttons the Windows program gave it (application core). The texts are the
// callers'; the captions live here once, so a routine cannot drift to a caption of its own.
#pragma once

#include <string>

namespace riviza::meldung {

// An information box under "Hinweis !".
void hinweis(const std::string& text);
// An error box under "FEHLER": the checks and table failures of the settings routines.
void fehler(const std::string& text);
// An error box under "Fehler !": the start-up, the updates and the reorganisation's outcome.
void fehlerBox(const std::string& text);
// An error box under "Fehler", as the event boundary shows a failure: a run that ended on one.
void fehlschlag(const std::string& text);
// A warning dialog with OK.
void warnung(const std::string& text);
// A confirmation with Yes and No; true when answered Yes.
bool gefragt(const std::string& text);

}  // namespace riviza::meldung
