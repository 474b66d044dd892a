// Connection state and hang-up count (net layer); see connection.h.
#include "net/connection.h"

#include <curl/curl.h>

#include <atomic>

#include "net/HttpDownload.h"
#include "net/curl_util.h"

namespace riviza::net {
namespace {

std::atomic<int> hangups{0};
constexpr long kConnectTimeoutSeconds = 10;

}  // namespace

bool InternetAutodial(unsigned) { return true; }

bool InternetGetConnectedState(std::string_view url) {
  const UrlParts parts = SplitUrl(url);
  if (parts.host.empty()) return false;
  CurlEasy easy = newCurlEasy();
  if (!easy) return false;
  auto redirect = applyUpdateServer(easy.get());
  if (!redirect) return false;
  const std::string target = "http://" + parts.host + "/";
  curl_easy_setopt(easy.get(), CURLOPT_URL, target.c_str());
  curl_easy_setopt(easy.get(), CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
  return curl_easy_perform(easy.get()) == CURLE_OK;
}

bool InternetAutodialHangup(unsigned) {
  ++hangups;
  return true;
}

int hangupCount() { return hangups.load(); }

}  // namespace riviza::net
