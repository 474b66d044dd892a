// libcurl set-up, owning handles and the update-server redirection (net layer); see
// curl_util.h.
#include "net/curl_util.h"

#include <curl/curl.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <mutex>

#include "platform/text.h"

namespace riviza::net {
namespace {

// The results a fetch of the update server can end with; the rest reads as a failed transfer.
constexpr platform::CodeText kCurlTexts[] = {
    {CURLE_UNSUPPORTED_PROTOCOL, "Protokoll nicht unterstützt"},
    {CURLE_URL_MALFORMAT, "Ungültige Adresse"},
    {CURLE_COULDNT_RESOLVE_PROXY, "Name des Proxys nicht gefunden"},
    {CURLE_COULDNT_RESOLVE_HOST, "Name des Servers nicht gefunden"},
    {CURLE_COULDNT_CONNECT, "Server nicht erreichbar"},
    {CURLE_WEIRD_SERVER_REPLY, "Unerwartete Antwort des Servers"},
    {CURLE_REMOTE_ACCESS_DENIED, "Zugriff auf dem Server verweigert"},
    {CURLE_FTP_ACCEPT_TIMEOUT, "Der Server hat die Datenverbindung nicht aufgebaut"},
    {CURLE_HTTP_RETURNED_ERROR, "Der Server meldet einen Fehler"},
    {CURLE_WRITE_ERROR, "Die Datei konnte nicht geschrieben werden"},
    {CURLE_READ_ERROR, "Die Datei konnte nicht gelesen werden"},
    {CURLE_OUT_OF_MEMORY, "Nicht genügend Arbeitsspeicher"},
    {CURLE_OPERATION_TIMEDOUT, "Zeitüberschreitung"},
    {CURLE_RANGE_ERROR, "Der Server kann nicht fortsetzen"},
    {CURLE_PARTIAL_FILE, "Die Datei kam nicht vollständig an"},
    {CURLE_ABORTED_BY_CALLBACK, "Abgebrochen"},
    {CURLE_TOO_MANY_REDIRECTS, "Zu viele Weiterleitungen"},
    {CURLE_GOT_NOTHING, "Der Server hat nichts gesendet"},
    {CURLE_SEND_ERROR, "Senden fehlgeschlagen"},
    {CURLE_RECV_ERROR, "Empfangen fehlgeschlagen"},
    {CURLE_PEER_FAILED_VERIFICATION, "Der Schlüssel des Servers wurde nicht anerkannt"},
    {CURLE_LOGIN_DENIED, "Anmeldung abgelehnt"},
    {CURLE_REMOTE_FILE_NOT_FOUND, "Datei auf dem Server nicht gefunden"},
    {CURLE_SSH, "Fehler der SSH-Verbindung"},
    {CURLE_PROXY, "Fehler des Proxys"},
    {CURLE_FAILED_INIT, "Übertragung konnte nicht beginnen"},
};

}  // namespace

std::string curlText(int code) {
  return std::string(platform::textOfCode(kCurlTexts, code, "Übertragung fehlgeschlagen")) + " (curl " +
         std::to_string(code) + ")";
}

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
