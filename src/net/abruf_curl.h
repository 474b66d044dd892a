// The libcurl side that the SFTP and FTP fetches share (net layer, internal to src/net): the
// time-out options, the callbacks that feed an AbrufZiel and a progress report, the transfer
// itself, and the translation of libcurl's result into the fetch's error codes (abruf.h).
//
// A fetch on a handle of its own (SFTP) runs on a multi handle of its own and sleeps in
// curl_multi_poll on the connection's socket until data moves or libcurl's next timer is due:
// a stalled server costs a few wake-ups a second until the stall time-out, not a busy thread.
// The FTP client keeps its connection in its easy handle across fetches, so its transfers stay
// with curl_easy_perform.
#pragma once

#include <curl/curl.h>

#include <functional>
#include <string>
#include <string_view>

#include "net/abruf.h"

namespace riviza::net {

// Connect, low-speed and (for FTP) command-answer time-outs; no signals from libcurl.
void zeitlimitsSetzen(CURL* easy, const Zeitlimits& zeitlimits);

// Called after every wait of a waiting transfer (performWaiting), on its thread; tests count
// the wake-ups of a stalled transfer. Empty: none. Set it while no transfer runs.
void setTransferWakeHook(std::function<void()> hook);

// The callbacks of one transfer. Installed on a handle for one perform; the object must outlive
// it. Without a target the body is thrown away (a transfer that only moves commands).
class CurlAbruf {
 public:
  CurlAbruf(CURL* easy, AbrufZiel* ziel, const AbrufFortschritt* fortschritt);
  ~CurlAbruf();
  CurlAbruf(const CurlAbruf&) = delete;
  CurlAbruf& operator=(const CurlAbruf&) = delete;

  // curl_easy_perform, then the result as a Status: `was` names what was fetched (no secret).
  Status perform(std::string_view was);
  // The same transfer on a multi handle of its own, waiting on the socket between steps; for a
  // handle whose connection need not outlive the transfer.
  Status performWaiting(std::string_view was);

 private:
  Status ergebnis(CURLcode result, std::string_view was);

  static size_t onData(char* data, size_t size, size_t count, void* self);
  static int onProgress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);

  CURL* easy_;
  AbrufZiel* ziel_;
  const AbrufFortschritt* fortschritt_;
  Status schreibFehler_;
  bool abgebrochen_ = false;
};

}  // namespace riviza::net
