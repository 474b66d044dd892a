// SFTP fetches of the update account through libcurl (net layer); see sftp_abruf.h.
#include "net/sftp_abruf.h"

#include <curl/curl.h>

#include <vector>

#include "net/abruf_curl.h"
#include "net/curl_util.h"

namespace riviza::net {
namespace {

constexpr std::string_view kSchema = "sftp://";
constexpr std::string_view kHttpProxy = "3";

Error ungueltig(std::string_view was) {
  return Error::make(kAbrufEinstellung,
                     "Verbindungsangabe für das SFTP-Update ungültig: " + std::string(was));
}

std::vector<std::string_view> woerter(std::string_view text) {
  std::vector<std::string_view> out;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const size_t end = std::min(text.find(' ', at), text.size());
    out.push_back(text.substr(at, end - at));
    at = end;
  }
  return out;
}

// "/~/" is the account's home to libcurl; every segment is escaped, so no name of the server
// can reach outside the path it names.
Result<std::string> serverUrl(CURL* easy, const std::string& host, std::string_view serverPfad) {
  std::string url = std::string(kSchema) + host + "/~";
  size_t at = 0;
  while (at <= serverPfad.size()) {
    const size_t end = std::min(serverPfad.find('/', at), serverPfad.size());
    const std::string_view segment = serverPfad.substr(at, end - at);
    if (segment.empty() || segment == "." || segment == "..")
      return Error::make(kAbrufEinstellung, "Ungültiger Pfad auf dem Server: " + std::string(serverPfad));
    char* escaped = curl_easy_escape(easy, segment.data(), static_cast<int>(segment.size()));
    if (!escaped) throw std::bad_alloc();
    url += "/";
    url += escaped;
    curl_free(escaped);
    at = end + 1;
  }
  return url;
}

}  // namespace

Result<SftpKonto> SftpKontoLesen(std::string_view verbindung) {
  const std::vector<std::string_view> w = woerter(verbindung);
  if (w.empty() || w[0].substr(0, kSchema.size()) != kSchema) return ungueltig("kein sftp://");
  const std::string_view adresse = w[0].substr(kSchema.size());
  const size_t at = adresse.rfind('@');
  if (at == std::string_view::npos) return ungueltig("kein Konto vor dem Server");
  const std::string_view konto = adresse.substr(0, at);
  const size_t colon = konto.find(':');
  SftpKonto out;
  out.benutzer = std::string(konto.substr(0, colon));
  out.kennwort = colon == std::string_view::npos ? std::string() : std::string(konto.substr(colon + 1));
  out.host = std::string(adresse.substr(at + 1));
  if (out.benutzer.empty() || out.host.empty()) return ungueltig("Benutzer oder Server fehlt");

  std::string_view methode;
  for (size_t i = 1; i < w.size(); ++i) {
    const size_t eq = w[i].find('=');
    const std::string_view key = w[i].substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : w[i].substr(eq + 1);
    if (key == "ProxyMethod") methode = value;
    if (key == "ProxyHost") out.proxyHost = std::string(value);
    if (key == "ProxyPort") out.proxyPort = std::string(value);
  }
  if (out.proxyHost.empty() != out.proxyPort.empty()) return ungueltig("Proxy ohne Host oder Port");
  if (!out.proxyHost.empty() && !methode.empty() && methode != kHttpProxy)
    return ungueltig("Proxy-Verfahren " + std::string(methode) + " wird nicht unterstützt");
  return out;
}

Status SftpHolen(const SftpKonto& konto, std::string_view hostKey, std::string_view serverPfad,
                 std::string_view zielText, const Zeitlimits& zeitlimits,
                 const AbrufFortschritt& fortschritt) {
  AbrufZiel ziel{std::string(zielText), Vorgaenger::Loeschen};
  RIVIZA_TRY(ziel.vorbereitet());
  auto pin = hostKeyBase64(hostKey);
  if (!pin) return pin.error();

  CurlEasy easy = newCurlEasy();
  if (!easy) throw std::bad_alloc();
  CURL* e = easy.get();
  auto url = serverUrl(e, konto.host, serverPfad);
  if (!url) return url.error();
  auto umleitung = applyUpdateServer(e);
  if (!umleitung) return Error::make(kAbrufEinstellung, umleitung.error().message);

  curl_easy_setopt(e, CURLOPT_URL, url->c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "sftp");
  curl_easy_setopt(e, CURLOPT_USERNAME, konto.benutzer.c_str());
  curl_easy_setopt(e, CURLOPT_PASSWORD, konto.kennwort.c_str());
  // Only the account's password: no key files of the user's ~/.ssh, no known_hosts.
  curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES,
                   static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
  curl_easy_setopt(e, CURLOPT_SSH_HOST_PUBLIC_KEY_SHA256, pin->c_str());
  std::string proxy;
  if (!konto.proxyHost.empty()) {
    proxy = "http://" + konto.proxyHost + ":" + konto.proxyPort;
    curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, 1L);
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
  }
  curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
  zeitlimitsSetzen(e, zeitlimits);

  CurlAbruf abruf(e, &ziel, &fortschritt);
  return abruf.performWaiting(serverPfad);
}

}  // namespace riviza::net
