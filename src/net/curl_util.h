// libcurl underneath the net layer: the one global initialisation, owning handles, and the
// redirection of the update servers (net layer).
//
// The update servers' hosts are constants of the program. RIVIZA_UPDATE_SERVER=HOST:PORT sends
// every connection of the net layer to HOST:PORT instead (libcurl's connect-to), leaving the
// request line and the Host header as they are, for tests and an office's own mirror. A value
// that is set but is no HOST:PORT is an error rather than ignored, so that a mistyped mirror
// never falls back to the maker's server unnoticed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

typedef void CURL;
struct curl_slist;

namespace riviza::net {

inline constexpr const char* kUpdateServerVariable = "RIVIZA_UPDATE_SERVER";

// curl_global_init, once per process, before the first handle.
void curlGlobalInit();

// The German text of a libcurl result code with the code in brackets ("Server nicht erreichbar
// (curl 7)"); curl_easy_strerror and the error buffer speak English.
std::string curlText(int code);

struct CurlEasyDeleter {
  void operator()(CURL* easy) const;
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
// A new easy handle (after curlGlobalInit); null only when libcurl is out of memory.
CurlEasy newCurlEasy();

// A header or connect-to list that must outlive the transfer using it.
class CurlList {
 public:
  CurlList() = default;
  ~CurlList();
  CurlList(CurlList&& other) noexcept : list_(other.list_) { other.list_ = nullptr; }
  CurlList& operator=(CurlList&& other) noexcept;
  CurlList(const CurlList&) = delete;
  CurlList& operator=(const CurlList&) = delete;

  void append(const std::string& line);
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

// The connect-to entry ("::HOST:PORT") for the value of RIVIZA_UPDATE_SERVER; none when the
// value is empty.
Result<std::optional<std::string>> connectToEntry(std::string_view hostPort);
// The same for the variable of the environment.
Result<std::optional<std::string>> updateServerConnectTo();

// Applies the redirection to a handle; the returned list must outlive the transfer.
Result<CurlList> applyUpdateServer(CURL* easy);

}  // namespace riviza::net
