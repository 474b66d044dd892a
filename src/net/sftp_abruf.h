// Fetching one file of the update account over SFTP through libcurl (net layer), in place of a
// run of the console client with a generated script.
//
// The account comes from the connection argument the settings build (`WinScpVerbindung`):
//   "sftp://" USER ":" PASSWORD "@" HOST " -hostkey=*"
//   [" -rawsettings ProxyMethod=3 ProxyHost=" PROXYHOST "  ProxyPort=" PROXYPORT "  ..."]
// It is read here and handed to libcurl in memory: nothing of it is written to a file, put on a
// command line or logged. The "-hostkey=*" of that text (any key accepted) is not honoured: the
// server's key must have the SHA-256 fingerprint the caller pins, or nothing is fetched. A proxy
// (ProxyMethod=3: HTTP) is used as a CONNECT tunnel, also for local addresses; without one the
// connection is direct, whatever the environment's proxy variables say. RIVIZA_UPDATE_SERVER
// redirects the connection as for every server of the net layer (curl_util.h).
#pragma once

#include <string>
#include <string_view>

#include "net/abruf.h"
#include "platform/result.h"

namespace riviza::net {

struct SftpKonto {
  std::string benutzer;
  std::string kennwort;
  std::string host;  // may carry ":PORT"
  std::string proxyHost;
  std::string proxyPort;  // both empty: no proxy
};

// Reads the connection argument; kAbrufEinstellung when it is not of the form above. The error
// text never repeats the argument (it holds the password).
Result<SftpKonto> SftpKontoLesen(std::string_view verbindung);

// Fetches `serverPfad` (relative to the account's home, "/" separated) into the file `zielText`
// (path text). Before the fetch every copy of the target in its folder is deleted, so afterwards
// the target exists exactly when this fetch succeeded (abruf.h). `hostKey` is the pinned
// fingerprint (hostKeyBase64's forms).
Status SftpHolen(const SftpKonto& konto, std::string_view hostKey, std::string_view serverPfad,
                 std::string_view zielText, const Zeitlimits& zeitlimits = {},
                 const AbrufFortschritt& fortschritt = {});

}  // namespace riviza::net
