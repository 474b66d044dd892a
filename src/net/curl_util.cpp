// libcurl set-up, owning handles and the update-server redirection (net layer); see
// curl_util.h.
#include "net/curl_util.h"

#include <curl/curl.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <mutex>

namespace riviza::net {

void curlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void CurlEasyDeleter::operator()(CURL* easy) const { curl_easy_cleanup(easy); }

CurlEasy newCurlEasy() {
  curlGlobalInit();
  return CurlEasy(curl_easy_init());
}

CurlList::~CurlList() { curl_slist_free_all(list_); }

CurlList& CurlList::operator=(CurlList&& other) noexcept {
  if (this != &other) {
    curl_slist_free_all(list_);
    list_ = other.list_;
    other.list_ = nullptr;
  }
  return *this;
}

void CurlList::append(const std::string& line) {
  curl_slist* grown = curl_slist_append(list_, line.c_str());
  if (!grown) throw std::bad_alloc();
  list_ = grown;
}

Result<std::optional<std::string>> connectToEntry(std::string_view hostPort) {
  if (hostPort.empty()) return std::optional<std::string>();
  const size_t colon = hostPort.rfind(':');
  const std::string_view host =
      colon == std::string_view::npos ? std::string_view() : hostPort.substr(0, colon);
  const std::string_view port =
      colon == std::string_view::npos ? std::string_view() : hostPort.substr(colon + 1);
  unsigned number = 0;
  const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
  const bool hostOk = !host.empty() && host.find_first_of(" \t/") == std::string_view::npos;
  if (!hostOk || ec != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535)
    return Error::make(EINVAL,
                       std::string(kUpdateServerVariable) + " ist nicht HOST:PORT: " + std::string(hostPort));
  return std::optional<std::string>("::" + std::string(hostPort));
}

Result<std::optional<std::string>> updateServerConnectTo() {
  const char* value = std::getenv(kUpdateServerVariable);
  return connectToEntry(value ? value : "");
}

Result<CurlList> applyUpdateServer(CURL* easy) {
  auto entry = updateServerConnectTo();
  if (!entry) return entry.error();
  CurlList list;
  if (*entry) {
    list.append(**entry);
    curl_easy_setopt(easy, CURLOPT_CONNECT_TO, list.get());
  }
  return list;
}

}  // namespace riviza::net
