// Time-outs, callbacks and error translation of the SFTP and FTP fetches (net layer); see
// abruf_curl.h.
#include "net/abruf_curl.h"

#include "net/curl_util.h"

#include <memory>

namespace riviza::net {
namespace {

// The longest sleep between two steps when libcurl names no earlier timer.
constexpr int kLaengstesWartenMs = 1000;

std::function<void()>& transferWakeHook() {
  static std::function<void()> hook;
  return hook;
}

struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

struct Einordnung {
  AbrufFehler code;
  const char* text;
};

Einordnung einordnen(CURLcode result) {
  switch (result) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_PROXY:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_SSH:
    case CURLE_FTP_WEIRD_SERVER_REPLY:
      return {kAbrufVerbindung, "Verbindung zum Server fehlgeschlagen oder abgebrochen"};
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
      return {kAbrufZeitlimit, "Zeitüberschreitung, die Übertragung wurde beendet"};
    case CURLE_PEER_FAILED_VERIFICATION:
      return {kAbrufHostSchluessel,
              "Der Schlüssel des Servers stimmt nicht mit dem hinterlegten überein, Abruf verweigert"};
    case CURLE_LOGIN_DENIED:
      return {kAbrufAnmeldung, "Anmeldung am Server abgelehnt"};
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_ACCESS_DENIED:
      return {kAbrufFehlt, "Auf dem Server nicht vorhanden oder nicht zugänglich"};
    case CURLE_ABORTED_BY_CALLBACK:
      return {kAbrufAbgebrochen, "Übertragung abgebrochen"};
    default:
      return {kAbrufSonstiges, "Übertragung fehlgeschlagen"};
  }
}

}  // namespace

void zeitlimitsSetzen(CURL* easy, const Zeitlimits& zeitlimits) {
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, zeitlimits.verbindenSekunden);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, zeitlimits.stillstandSekunden);
  curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, zeitlimits.stillstandSekunden);
}

CurlAbruf::CurlAbruf(CURL* easy, AbrufZiel* ziel, const AbrufFortschritt* fortschritt)
    : easy_(easy), ziel_(ziel), fortschritt_(fortschritt && *fortschritt ? fortschritt : nullptr) {
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlAbruf::onData);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, fortschritt_ ? 0L : 1L);
  curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlAbruf::onProgress);
  curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
}

CurlAbruf::~CurlAbruf() {
  // The handle may live on (the FTP connection); nothing of this object may be reached from it.
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, nullptr);
  curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 1L);
}

size_t CurlAbruf::onData(char* data, size_t size, size_t count, void* self) {
  auto& abruf = *static_cast<CurlAbruf*>(self);
  const size_t n = size * count;
  if (!abruf.ziel_) return n;
  abruf.schreibFehler_ = abruf.ziel_->write(data, n);
  return abruf.schreibFehler_ ? n : 0;
}

int CurlAbruf::onProgress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto& abruf = *static_cast<CurlAbruf*>(self);
  if (!abruf.fortschritt_) return 0;
  abruf.abgebrochen_ = !(*abruf.fortschritt_)(total, now);
  return abruf.abgebrochen_ ? 1 : 0;
}

void setTransferWakeHook(std::function<void()> hook) { transferWakeHook() = std::move(hook); }

Status CurlAbruf::perform(std::string_view was) {
  return ergebnis(curl_easy_perform(easy_), was);
}

Status CurlAbruf::performWaiting(std::string_view was) {
  const std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!multi || curl_multi_add_handle(multi.get(), easy_) != CURLM_OK) throw std::bad_alloc();
  int running = 1;
  CURLMcode mc = CURLM_OK;
  for (;;) {
    mc = curl_multi_perform(multi.get(), &running);
    if (mc != CURLM_OK || running == 0) break;
    mc = curl_multi_poll(multi.get(), nullptr, 0, kLaengstesWartenMs, nullptr);
    if (mc != CURLM_OK) break;
    if (const auto& hook = transferWakeHook()) hook();
  }
  CURLcode result = mc == CURLM_OK ? CURLE_OK : CURLE_FAILED_INIT;
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left))
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_) result = msg->data.result;
  curl_multi_remove_handle(multi.get(), easy_);
  return ergebnis(result, was);
}

Status CurlAbruf::ergebnis(CURLcode result, std::string_view was) {
  if (result == CURLE_OK) return ziel_ ? ziel_->commit() : okStatus();
  if (result == CURLE_WRITE_ERROR && !schreibFehler_) return schreibFehler_.error();
  const Einordnung e = einordnen(result);
  return Error::make(e.code, std::string(e.text) + " (" + std::string(was) + "): " + curlText(result));
}

}  // namespace riviza::net
