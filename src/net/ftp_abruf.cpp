// The FTP client over one libcurl handle (net layer); see ftp_abruf.h.
//
// libcurl keeps the control connection in the handle's connection cache between performs, so
// one handle is one session. It also remembers the folder of its last transfer and skips a CWD
// to the same folder, which is why every URL names the client's current folder rather than the
// folder being relied on implicitly.
#include "net/ftp_abruf.h"

#include <curl/curl.h>

#include <cassert>

#include "net/abruf_curl.h"
#include "platform/files.h"

namespace riviza::net {
namespace {

std::string escaped(CURL* easy, std::string_view text) {
  char* out = curl_easy_escape(easy, text.data(), static_cast<int>(text.size()));
  if (!out) throw std::bad_alloc();
  std::string s(out);
  curl_free(out);
  return s;
}

// Whether libcurl still holds a live control connection. CURLINFO_ACTIVESOCKET, its successor,
// answers only for connect-only handles; this one answers for the connection of the last
// transfer, -1 once libcurl has closed it.
bool connectionAlive(CURL* easy) {
  long socket = -1;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const CURLcode rc = curl_easy_getinfo(easy, CURLINFO_LASTSOCKET, &socket);
#pragma GCC diagnostic pop
  return rc == CURLE_OK && socket != -1;
}

}  // namespace

FtpClient::~FtpClient() { Disconnect(); }

std::string FtpClient::url(std::string_view name) const {
  std::string out = "ftp://" + Host + "/";
  // With the single-CWD method an absolute folder goes as "%2F" and its path in one CWD.
  std::string_view folder = folder_;
  if (!folder.empty() && folder.front() == '/') {
    out += "%2F";
    folder.remove_prefix(1);
  }
  size_t at = 0;
  while (at < folder.size()) {
    const size_t end = std::min(folder.find('/', at), folder.size());
    if (end > at) out += escaped(easy_.get(), folder.substr(at, end - at)) + "/";
    at = end + 1;
  }
  return out + escaped(easy_.get(), name);
}

Status FtpClient::perform(const std::string& address, bool nobody, curl_slist* quote, AbrufZiel* ziel,
                          std::string_view was) {
  CURL* e = easy_.get();
  curl_easy_setopt(e, CURLOPT_URL, address.c_str());
  curl_easy_setopt(e, CURLOPT_NOBODY, nobody ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_QUOTE, quote);
  Status result;
  {
    CurlAbruf abruf(e, ziel, nullptr);
    result = abruf.perform(was);
  }
  curl_easy_setopt(e, CURLOPT_QUOTE, nullptr);
  connected_ = connectionAlive(e);
  assertInvariants();
  return result;
}

Status FtpClient::Connect() {
  if (connected_) return okStatus();
  easy_ = newCurlEasy();
  if (!easy_) throw std::bad_alloc();
  CURL* e = easy_.get();
  auto umleitung = applyUpdateServer(e);
  if (!umleitung) {
    easy_.reset();
    return Error::make(kAbrufEinstellung, umleitung.error().message);
  }
  umleitung_ = std::move(*umleitung);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(e, CURLOPT_USERNAME, Username.c_str());
  curl_easy_setopt(e, CURLOPT_PASSWORD, Password.c_str());
  curl_easy_setopt(e, CURLOPT_PROXY, "");
  curl_easy_setopt(e, CURLOPT_FTPPORT, "-");  // active mode, on the control connection's address
  curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
  zeitlimitsSetzen(e, zeitlimits);
  folder_.clear();
  Status result = perform("ftp://" + Host + "/", true, nullptr, nullptr, Host);
  if (!result) Disconnect();
  return result;
}

void FtpClient::Disconnect() {
  easy_.reset();  // closing the cached connection sends QUIT
  umleitung_ = CurlList();
  folder_.clear();
  connected_ = false;
  assertInvariants();
}

void FtpClient::assertInvariants() const {
  assert(!connected_ || easy_);
  assert(easy_ || (!connected_ && folder_.empty()));
}

Status FtpClient::ChangeDir(std::string_view folder) {
  if (!connected_) return Error::make(kAbrufVerbindung, "Keine Verbindung zum FTP-Server");
  const std::string before = folder_;
  folder_ = std::string(folder);
  std::string address = url("");
  Status result = perform(address, true, nullptr, nullptr, folder);
  if (!result) folder_ = before;
  return result;
}

Status FtpClient::MakeDir(std::string_view folder) {
  if (!connected_) return Error::make(kAbrufVerbindung, "Keine Verbindung zum FTP-Server");
  CurlList quote;
  quote.append("MKD " + std::string(folder));
  return perform(url(""), true, quote.get(), nullptr, folder);
}

Status FtpClient::Get(std::string_view name, std::string_view zielText, bool canOverwrite) {
  if (!connected_) return Error::make(kAbrufVerbindung, "Keine Verbindung zum FTP-Server");
  if (!canOverwrite && platform::fileExists(zielText))
    return Error::make(kAbrufLokal, "Datei ist schon vorhanden: " + std::string(zielText));
  AbrufZiel ziel{std::string(zielText), Vorgaenger::Behalten};
  RIVIZA_TRY(ziel.vorbereitet());
  return perform(url(name), false, nullptr, &ziel, name);
}

}  // namespace riviza::net
