// The log viewers: a log file of the program shown in the program's read-only text window
// (form library, maintenance).
//
// In place of the Windows text editor, a log opens in the text window of the dialogs service,
// modal as the editor was waited for. Log files are Windows-1252 on disk and are shown decoded,
// with their line ends as plain line breaks. A missing or unreadable file is said so in the
// window, where the editor would have said it.
#pragma once

#include <string_view>

namespace riviza {

// Shows the file `pfad` (path text) in a window titled `titel` + " - " + `pfad`.
void ProtokollAnzeigen(std::string_view pfad, std::string_view titel);

}  // namespace riviza
