// The update list and the reorganisation list: their log-line form and their log files
// (form library, maintenance).
//
// A log line is Tagesdatum, a blank, the time "hh:mm:ss" and the message, separated from the
// time by two blanks; a message that itself begins with two blanks ("  Download gestartet")
// carries that separator, so every line has the same shape. Lines are only ever appended.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"
#include "ui/strings.h"

namespace riviza {

std::string LogZeile(std::string_view meldung);

// Appends LogZeile(meldung) to the update list ListBoxLiveUpdate of the main form.
void UpdateProtokoll(std::string_view meldung);
// Appends a line without date and time (the FTP connection lines).
void UpdateProtokollOhneZeit(std::string_view meldung);

// Replaces the file with the lines, first to last, each followed by CR LF, in Windows-1252
// (UPDATE.LOG, REORG.LOG).
Status ListeSpeichern(const ui::TStrings& zeilen, std::string_view pfadText);

}  // namespace riviza
