// The two backups of the settings form (form library, maintenance): the copy of DAKOTA's three
// folders into the billing-year folder ("Datensicherung da&kota") and the zip archive of the
// whole billing-year folder ("Start" in the group "Datensicherung").
//
// Both work on the year the program has loaded (DatenPfad + JahrPfad), whose Abrechng.ini also
// records the zip backup, whatever the data-root edit or the year box show unsaved. DAKOTA's
// folders are copied with the platform's recursive copy in place of xcopy; a row counts as
// copied when the copy reported no error (it names every file and folder it could not read) and
// its target holds a ".txt" file.
//
// A zip backup is written and checked as KUERZEL_JAHR_yy-MM-dd_hhmmss_UNVOLLSTAENDIG.ZIP and
// takes the name KUERZEL_JAHR_yy-MM-dd_hhmmss.ZIP only when nothing went wrong and the archive,
// read back, holds exactly the files and empty folders the year folder holds (its hidden files
// and the folders its links lead to inside it included); only then does the label show the
// archive and LetzteDatensicherung get today's date. An archive that lacks something keeps the
// other name and the message names what it lacks. (The Windows program stamped every run and
// left an incomplete archive under the backup's name.)
#pragma once

namespace riviza {

class TFormEinstellungen;

// The DAKOTA backup: every row is tried; one message per failed row, else the success message.
// True when all three rows were copied.
bool DakotaSichern(TFormEinstellungen& f);

// The zip backup into EditZiel with the short name of EditKuerzel; shows the count and, on a
// failure, why and what the archive lacks. True when the archive holds the whole year folder.
bool JahrSichern(TFormEinstellungen& f);

}  // namespace riviza
