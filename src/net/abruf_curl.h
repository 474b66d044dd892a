// The libcurl side that the SFTP and FTP fetches share (net layer, internal to src/net): the
// time-out options, the callbacks that feed an AbrufZiel and a progress report, and the
// translation of libcurl's result into the fetch's error codes (abruf.h).
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "net/abruf.h"

namespace riviza::net {

// Connect, low-speed and (for FTP) command-answer time-outs; no signals from libcurl.
void zeitlimitsSetzen(CURL* easy, const Zeitlimits& zeitlimits);

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

 private:
  static size_t onData(char* data, size_t size, size_t count, void* self);
  static int onProgress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t);

  CURL* easy_;
  AbrufZiel* ziel_;
  const AbrufFortschritt* fortschritt_;
  Status schreibFehler_;
  bool abgebrochen_ = false;
};

}  // namespace riviza::net
