// The FTP client of the update tab through libcurl (net layer): one control connection that
// lives from Connect to Disconnect, a server folder to change into or create, and fetches into
// local files.
//
// Settings as the form sets its client: active mode (the server connects back to the address of
// the control connection), no proxy, the account set before each Connect. RIVIZA_UPDATE_SERVER
// redirects the connection (curl_util.h). The commands the server sees are libcurl's:
//   Connect      USER, PASS, PWD
//   ChangeDir    CWD folder            (left out when the connection is already there)
//   MakeDir      MKD folder
//   Get          EPRT/PORT, TYPE I, SIZE name, RETR name   (TYPE left out when already binary)
//   Disconnect   QUIT
// libcurl sets the transfer type only for a transfer, so the ASCII type the form's code sets
// between CWD and its switch to binary never reaches the server; nothing is transferred in it.
// A command that fails leaves the connection open, except a failed MKD, after which libcurl
// closes it: Connected() tells which, after every call.
//   disconnected --Connect ok--> connected --Disconnect--> disconnected
//   connected --a call after which libcurl dropped the connection--> disconnected
// assertInvariants() checks, in debug builds, that a connected client has its handle and that a
// client without a handle is disconnected in the login folder.
#pragma once

#include <string>
#include <string_view>

#include "net/abruf.h"
#include "net/curl_util.h"
#include "platform/result.h"

namespace riviza::net {

class FtpClient {
 public:
  FtpClient() = default;
  ~FtpClient();
  FtpClient(const FtpClient&) = delete;
  FtpClient& operator=(const FtpClient&) = delete;

  std::string Username;
  std::string Password;
  std::string Host;  // may carry ":PORT"
  Zeitlimits zeitlimits;

  // Logs in with the account; an error (kAbrufAnmeldung, kAbrufVerbindung, ...) leaves it
  // disconnected. Connecting while connected changes nothing.
  Status Connect();
  bool Connected() const { return connected_; }
  // Ends the session (QUIT) and forgets the server folder.
  void Disconnect();

  // Makes `folder` (absolute, "/" separated) the folder of the next fetches; kAbrufFehlt when
  // the server refuses, the folder staying as it was.
  Status ChangeDir(std::string_view folder);
  Status MakeDir(std::string_view folder);
  // Fetches `name` of the current folder into `zielText` (path text), binary, from the start.
  // The target is replaced only when the whole file arrived (abruf.h); without `canOverwrite`
  // an existing target is an error and stays.
  Status Get(std::string_view name, std::string_view zielText, bool canOverwrite);

  void assertInvariants() const;

 private:
  Status perform(const std::string& url, bool nobody, curl_slist* quote, AbrufZiel* ziel,
                 std::string_view was);
  std::string url(std::string_view name) const;

  CurlEasy easy_;
  CurlList umleitung_;
  std::string folder_;  // empty: the folder after login
  bool connected_ = false;
};

}  // namespace riviza::net
