// The hidden FTP fetch of the update tab (form library, maintenance): "Start Download"
// (BitBtnStartClick) connects the form's FTP client IdFTP1, fetches the two date files of the
// file server's folder "/html/download_kassen" into the program folder, and toggles the
// connection again.
//
// The client connects with the built-in update account (globals.h) through libcurl
// (net/ftp_abruf.h). A failure of a step is what the Windows program passed on to the
// framework: an error message, and the button's remaining steps are skipped (so a connection
// that stands stays open).
#pragma once

#include <string>

#include "platform/result.h"

namespace riviza {

// The file server's folder of the date files.
inline constexpr const char* kFtpOrdner = "/html/download_kassen";

// Disconnects IdFTP1 when it is connected ("Getrennt"), otherwise connects it with the account,
// but only when its user, password and host are each non-blank ("Verbunden" once connected).
Status FtpVerbindungUmschalten();

// Fetches one file of kFtpOrdner into the program folder and logs it; nothing when IdFTP1 is
// not connected or the program folder does not exist. A folder the server refuses to enter is
// created instead (and the file then asked for in the folder the session was in).
Status FtpDateiHolen(const std::string& dateiname);

}  // namespace riviza
