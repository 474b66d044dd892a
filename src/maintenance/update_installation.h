// Installing the two kinds of update package, whatever road brought it (form library,
// maintenance).
//
// Both routines work on FormEinstellungen (UnZip1, the update list, LabelKosttr) and the global
// folders, report every step as a line of the update list and never throw. The HTTP road
// (update_online.h) and the SFTP road call them with the package in ProgrammPfad + "Temp\".
//
// What a package may do is checked before anything is replaced: the zip reader writes nothing
// outside its target folder (a name with ".." or an absolute name is refused), and a package
// that unpacks nothing, or any entry with an error, installs nothing.
#pragma once

#include <string>

namespace riviza {

// Unpacks the program package into ProgrammPfad + "Update\" (emptied first), logs
// "Dateien entpackt: " with the count, and on success starts Update\Setup.exe, or else the
// package's Update.exe (copied from Update\ into the program folder), through the launcher
// without waiting for it, and then closes the settings form; a package with neither closes it
// and starts nothing. A package that unpacks nothing or with errors leaves the program running
// with an empty Update\, a log line and a message saying why: false. An installer that cannot be
// copied or started leaves it running too, with SetupStartFehler: false. With paketLoeschen the
// package is deleted once it has been unpacked (the SFTP road).
bool ProgrammUpdateInstallieren(const std::string& paket, bool paketLoeschen);

// Unpacks the cost-bearer package into a staging folder under Temp and checks it (at least one
// "*.ke?" file, every entry written with its checksum right, and its files read by the readers
// as the rebuild will: no damaged file, cost bearers of every basis the year's tables hold,
// costbearer::kostentraegerPaketPruefen); only then replaces the files of
// the year's and the program folder's Kosttr folders with it (put back as they were if that
// fails), logs "Dateien entpackt: " with the count and rebuilds the cost-bearer and fund tables
// between their log lines. Only when every rebuild succeeded is `datum` stored as the year's
// KosttrDatum, taken as StandKosttrDatum, shown in LabelKosttr, and "  Aktualisierung beendet"
// logged: true. Otherwise a log line says what failed and the date stays as it was.
bool KosttrUpdateInstallieren(const std::string& paket, const std::string& datum);

// The question both roads ask before KosttrUpdateInstallieren: "Kostenträger anzuwenden ab: "
// + datum + "\r\nübernehmen ?" with Yes and Cancel; true on Yes.
bool KosttrUebernehmenGefragt(const std::string& datum);

// Starts an update's installer in `ordner` through the launcher, shown normally and not waited
// for (it outlives the program); true when it runs. No wine, or a file that is no Windows
// program, is a start that fails.
bool SetupStarten(const std::string& programm, const std::string& ordner);
// Says that an installer did not start: the update-list line "Setup-Programm nicht gestartet: "
// + was (with " (" + dazu + ")"), and the error box "Das Setup-Programm konnte nicht gestartet
// werden!\n\n" + was (with "\n\n" + dazu).
void SetupStartFehler(const std::string& was, const std::string& dazu = "");

}  // namespace riviza
