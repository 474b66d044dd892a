// What the SFTP and FTP fetches share (net layer): their time-outs, their error codes, the pinned
// host key of the update server, and the target file that appears only when a fetch succeeded.
//
// A fetch writes into the target's name + ".part" and renames it to the target only after the
// whole file arrived and was written, so a partial file never stands under the target's name.
// A leftover ".part" is deleted before the fetch starts; an earlier copy of the target (any case
// of its name) either goes then too, so that afterwards the target exists only if this fetch
// brought it (the update packages), or stays until the new one replaces it (the FTP fetch).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/result.h"

namespace riviza::net {

// Error::code of a failed fetch. Error::message is a German text for the user, never holding a
// password.
enum AbrufFehler : int {
  kAbrufVerbindung = 1,  // the server (or the proxy) cannot be reached or ended the connection
  kAbrufZeitlimit,       // no connection within the connect time, or the transfer stood still
  kAbrufHostSchluessel,  // the server's host key is not the pinned one
  kAbrufAnmeldung,       // the account was refused
  kAbrufFehlt,           // the file (or folder) does not exist on the server
  kAbrufLokal,           // the local file could not be written or put in place
  kAbrufAbgebrochen,     // the progress callback asked to stop
  kAbrufEinstellung,     // the connection values are unusable (no pinned key, bad proxy, ...)
  kAbrufSonstiges,
};

// A dead transfer ends as kAbrufZeitlimit: no connection (handshake and login included) within
// verbindenSekunden, or less than one byte per second for stillstandSekunden (for FTP also: no
// answer to a command for that long).
struct Zeitlimits {
  long verbindenSekunden = 30;
  long stillstandSekunden = 60;
};

// Progress of a transfer: the size announced by the server (0 while unknown) and the bytes so
// far. Returning false stops the transfer (kAbrufAbgebrochen).
using AbrufFortschritt = std::function<bool(int64_t gesamtBytes, int64_t erhaltenBytes)>;

// RIVIZA_UPDATE_HOSTKEY replaces the update server's pinned key: for an office's own mirror
// (with RIVIZA_UPDATE_SERVER) and for tests.
inline constexpr const char* kUpdateHostKeyVariable = "RIVIZA_UPDATE_HOSTKEY";

// The SHA-256 fingerprint to pin: the variable's value when set, otherwise `mitgeliefert`.
std::string updateHostKey(std::string_view mitgeliefert);

// A fingerprint as ssh-keygen prints it ("SHA256:" and base64, padding optional) or the bare
// base64, reduced to the bare base64 without padding; an error unless it is 32 bytes of base64.
Result<std::string> hostKeyBase64(std::string_view fingerprint);

enum class Vorgaenger { Loeschen, Behalten };

// The target of one fetch (path text). Construction deletes the stale copies; open() creates the
// ".part" file; commit() puts it in place; without commit() the ".part" file is removed.
//   fresh --open()--> writing --write()*--> writing --commit()--> done
//   writing --destructor--> fresh (nothing left behind)
class AbrufZiel {
 public:
  AbrufZiel(std::string zielText, Vorgaenger vorgaenger);
  ~AbrufZiel();
  AbrufZiel(const AbrufZiel&) = delete;
  AbrufZiel& operator=(const AbrufZiel&) = delete;

  // The deletion of the stale copies failed (then nothing is fetched).
  const Status& vorbereitet() const { return vorbereitet_; }
  Status open();
  Status write(const char* data, size_t n);
  Status commit();
  const std::string& zielText() const { return ziel_; }

 private:
  std::string ziel_;
  std::string teil_;
  platform::File file_;
  Status vorbereitet_;
  bool offen_ = false;
};

}  // namespace riviza::net
