// The online update of the update tab: the two buttons, the road choice, the HTTP road's chain
// of download events, and UPDATE.LOG (form library, maintenance).
//
// The handlers themselves are members of TFormEinstellungen (RIVIZA1_HANDLERS_UPDATE); this
// header holds what other code needs of the update: the server's address, the road choice, the
// state of a chain for callers that wait for it (riviza-batch), and the log at program close.
//
// A chain on the HTTP road: button -> date file (HttpDownload...Txt) -> its DoneFile compares
// the date and starts the package (HttpDownload...Zip) -> its DoneFile installs
// (update_installation.h). The two chains may overlap; each keeps its own date, judges
// completeness by its own component's byte counts, and while one is active the other never
// deletes its files from Temp or the Update folder it is installing from.
#pragma once

#include <cstdint>
#include <string>

#include "maintenance/update_komponenten.h"

namespace riviza {

// The update web server's host and folder: a constant of the program, without scheme; the
// connection goes to port 80 unless RIVIZA_UPDATE_SERVER redirects it.
inline constexpr const char* kUpdateBasisAdresse = "www.orvel-tessaro.example/OrvelTessaro/orvel_update/";

// The SFTP road instead of HTTP: ProgrammPfad + "WinSCP.exe" exists and CheckBoxFtpUpdate is
// checked. Decided at every press.
bool SftpWegGewaehlt();

// The first line of a date file (Windows-1252 on disk), as the Windows program's ReadLn.
std::string DatumsdateiZeile(const std::string& datei);

// Shows a transfer's progress on ProgressBar: Max the announced size, Position the bytes so far.
void UpdateFortschritt(int64_t gesamt, int64_t gelesen);

enum class UpdateArt { Programm, Kosttr };

// The state of a chain of the main form.
const UpdateKettenZustand& UpdateZustand(UpdateArt art);
// A download of the chain runs, or its package is being installed.
bool UpdateKetteAktiv(UpdateArt art);

// UPDATE.LOG at program close, so that the lines of a program update (which closes the form)
// are kept; nothing is written while the list is empty, which would replace the last run's file.
void UpdateLogBeimBeenden();

}  // namespace riviza
