// allg_tools: the general routines every subsystem calls (application core).
//
// Plain routines without state over path text ("\" separators, folders usually ending in "\"),
// mapped to Linux by the platform layer. Failures come back as results, never as exceptions:
// false, -1, an empty text or the shell's code, as each routine documents.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace riviza {

namespace platform {
class Process;
}

// The folder with a trailing "\"; an empty text and one ending in "\" come back unchanged.
std::string BackslashAnhaengen(std::string_view folder);

// The file's version as four numbers joined by "."; an empty (trimmed) name means the running
// program, whose version is the build's constant. Other files carry no version information
// on Linux: "No version specification".
std::string DateiVersion(std::string_view fileName);

// Starts folder + command line (the first word names a program inside the folder) and waits
// without limit. True when the program could be started; its exit code is not looked at.
bool ProgrammStartenUndWarten(std::string_view folder, std::string_view commandLine);

// Names of the regular files of folder matching mask, sorted by name ignoring case, joined
// with "@" (no "@" before the first or after the last); "" when none match.
std::string DateienSuchen(std::string_view folder, std::string_view mask);
// Deletes every matching file of folder; failures (folders, files in use) are ignored.
void DateienLoeschen(std::string_view folder, std::string_view mask);

// Connects the network drive described in section ANMELDUNG of folder + "\" + iniFileName and
// reports whether the drive's root is reachable within about one second.
bool NetzlaufwerkAnmelden(std::string_view folder, std::string_view iniFileName);
bool NetzlaufwerkVerbinden(std::string_view localDrive, std::string_view uncPath, std::string_view user,
                           unsigned flags, std::string_view password);
void NetzlaufwerkTrennen(std::string_view driveLetter, std::string_view computer, std::string_view share);

// One shell file operation (move 1, copy 2, delete 3, rename 4); 0 on success.
int DateiOperation(int operation, std::string_view source, std::string_view target, unsigned flags);
bool DateienVerschieben(std::string_view source, std::string_view target);
bool DateienKopieren(std::string_view source, std::string_view target);

// Appends folder + "\" + name of every sub-folder (sorted by name ignoring case).
void UnterordnerListe(std::string_view folder, std::vector<std::string>& list);

// Field n of a separated line, counting from 2 for the first field; a field not followed by a
// separator, and any n outside 2..length of the text, give "".
std::string TeilString(std::string_view text, char separator, int fieldNumber);

// Opens a document or starts a program through the shell; with wait, waits as ProzessAbwarten
// does and returns the exit code; without, 0; -1 when it cannot start.
int ShellAusfuehrenUndWarten(std::string_view verb, std::string_view file, std::string_view parameters,
                             int showMode, bool wait, std::string_view workingFolder);

// Waits for a started program without a time limit, in 100 ms steps while the message pump
// runs (the Windows program's wait loop, so the window stays responsive); its exit code.
int ProzessAbwarten(platform::Process& prozess);

// A form 10 pixels wider and higher on screens of another size than the design size that are
// taller than 768 pixels; otherwise unchanged.
void FormAnBildschirmAnpassen(int& width, int& height, int designWidth, int designHeight);

}  // namespace riviza
