// The SFTP road of the two updates (form library, maintenance): the same fetches the console
// client made from the update account's folder "orvel_update" into the program folder's Temp,
// the same date decisions and log lines, then the same installation routines
// (update_installation.h). Taken when SftpWegGewaehlt() (update_online.h) says so; the file
// WinSCP.exe is only that switch and is never run.
//
// The transfers run in the program through libcurl (net/sftp_abruf.h) with the account and
// proxy of WinScpVerbindung; no script is written, so the password reaches no file, command line
// or log. What the console client wrote to the session log its command line names (WinScpAufruf,
// /log=) is written there: one line per file fetched, with the outcome. Three mends:
//  - the server's host key must have the fingerprint kUpdateServerSchluessel (or the one
//    RIVIZA_UPDATE_HOSTKEY names, for an office's own mirror); a mismatch fetches nothing;
//  - a package is fetched under a temporary name and put in place only when it arrived whole,
//    and a stale copy left by an earlier attempt is deleted first: only a package this press
//    fetched is installed;
//  - a failed transfer (including the time-outs that end a dead one) is a line of the update
//    list, where the console client's window used to show it.
// The window stays responsive during a transfer, the progress bar showing it; a road is an
// operation (ui/operation.h), so a press of either button meanwhile is refused, and closing the
// window ends the transfer and then closes it.
#pragma once

namespace riviza {

// The SHA-256 fingerprint of the maker's file server's host key, shipped with the program.
inline constexpr const char* kUpdateServerSchluessel = "SHA256:E9wOgkGsFM9zy/wySGpCQACzvjdNRBNuuE4eX3x9geI";

void ProgrammUpdateSftp();
void KosttrUpdateSftp();

}  // namespace riviza
