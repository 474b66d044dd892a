// THttpDownload and its worker THttpDownloadThread (net layer); see HttpDownload.h.
//
// The worker drives one libcurl transfer through a multi handle, so that Stop and the
// destructor can wake it out of a wait on the network at once (curl_multi_wakeup) instead of
// waiting for the next progress callback. Everything the worker shares with the main thread is
// either copied at start, atomic (the stop flag), guarded (the multi handle, for the wake-up),
// or read by the main thread only after the worker has been joined (its results).
#include "net/HttpDownload.h"

#include <curl/curl.h>

#include <atomic>
#include <cassert>
#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>

#include "net/curl_util.h"
#include "platform/files.h"
#include "platform/pump.h"

namespace riviza::net {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr long kConnectTimeoutSeconds = 30;
// A transfer that moves less than one byte per second for this long is dead.
constexpr long kLowSpeedSeconds = 60;
// libcurl's receive buffer; the default 16 KiB costs a third of the throughput on loopback.
constexpr long kBufferBytes = 256L * 1024;
// Upper bound of one wait for the network; a wake-up ends it at once.
constexpr int kPollMs = 1000;

bool successful(long status) { return status >= 200 && status <= 299; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

UrlParts SplitUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  bool scheme = url.size() >= kScheme.size();
  for (size_t i = 0; scheme && i < kScheme.size(); ++i) scheme = lowerAscii(url[i]) == kScheme[i];
  if (scheme) url.remove_prefix(kScheme.size());
  const size_t slash = url.find('/');
  if (slash == std::string_view::npos) return {"", std::string(url)};
  return {std::string(url.substr(0, slash)), std::string(url.substr(slash))};
}

// ---------------------------------------------------------------------------------------------

class THttpDownloadThread : public std::enable_shared_from_this<THttpDownloadThread> {
 public:
  struct Settings {
    std::string acceptTypes, agent, url, fileName, userName, password, postQuery, referer;
    bool binaryData = false, useCache = false;
  };

  THttpDownloadThread(THttpDownload& owner, std::shared_ptr<bool> alive, Settings settings,
                      TOnProgressEvent onProgress)
      : owner_(&owner),
        alive_(std::move(alive)),
        s_(std::move(settings)),
        onProgress_(std::move(onProgress)) {}
  ~THttpDownloadThread() { join(); }
  THttpDownloadThread(const THttpDownloadThread&) = delete;
  THttpDownloadThread& operator=(const THttpDownloadThread&) = delete;

  void start() {
    try {
      thread_ = std::thread([this] { execute(); });
    } catch (const std::system_error&) {
      postCompletion();  // no thread to be had: the download fails like any other
    }
  }

  void terminate() {
    terminated_ = true;
    std::lock_guard guard(multiLock_);
    if (multi_) curl_multi_wakeup(multi_);
  }

  void join() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  }

 private:
  friend class THttpDownload;

  // Takes the multi handle's place in the wake-up slot for the transfer and gives it back (and
  // frees it) on every way out.
  class MultiTransfer {
   public:
    MultiTransfer(THttpDownloadThread& worker, CURL* easy) : worker_(worker), easy_(easy) {
      multi_ = curl_multi_init();
      if (!multi_) return;
      curl_multi_add_handle(multi_, easy_);
      std::lock_guard guard(worker_.multiLock_);
      worker_.multi_ = multi_;
    }
    ~MultiTransfer() {
      if (!multi_) return;
      {
        std::lock_guard guard(worker_.multiLock_);
        worker_.multi_ = nullptr;
      }
      curl_multi_remove_handle(multi_, easy_);
      curl_multi_cleanup(multi_);
    }
    MultiTransfer(const MultiTransfer&) = delete;
    MultiTransfer& operator=(const MultiTransfer&) = delete;

    // Runs the transfer until it ends or the worker is told to stop.
    CURLcode run() {
      if (!multi_) return CURLE_OUT_OF_MEMORY;
      CURLcode result = CURLE_ABORTED_BY_CALLBACK;
      int running = 1;
      while (!worker_.terminated_) {
        if (curl_multi_perform(multi_, &running) != CURLM_OK) return CURLE_FAILED_INIT;
        if (!running) break;
        // Bytes not yet reported wait at most one progress interval, also when the server stalls.
        const bool pending = worker_.received_ != worker_.postedReceived_;
        const int timeoutMs = pending ? static_cast<int>(kProgressInterval.count()) : kPollMs;
        if (curl_multi_poll(multi_, nullptr, 0, timeoutMs, nullptr) != CURLM_OK) return CURLE_FAILED_INIT;
        worker_.progressDue();
      }
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi_, &left))
        if (msg->msg == CURLMSG_DONE) result = msg->data.result;
      return result;
    }

   private:
    THttpDownloadThread& worker_;
    CURL* easy_;
    CURLM* multi_ = nullptr;
  };

  void execute() {
    bool ok = false;
    try {
      ok = transfer();
    } catch (...) {
      ok = false;  // whatever went wrong, the download did not succeed
    }
    success_ = ok && !terminated_;
    postCompletion();
  }

  bool transfer() {
    if (terminated_) return false;
    const UrlParts parts = SplitUrl(s_.url);
    if (parts.host.empty()) return false;
    CurlEasy easy = newCurlEasy();
    if (!easy) return false;
    easy_ = easy.get();
    auto redirect = applyUpdateServer(easy_);
    if (!redirect) return false;
    CurlList headers = requestHeaders();
    const std::string url = "http://" + parts.host + parts.path;
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kBufferBytes);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &THttpDownloadThread::onData);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    if (!s_.agent.empty()) curl_easy_setopt(easy_, CURLOPT_USERAGENT, s_.agent.c_str());
    if (!s_.referer.empty()) curl_easy_setopt(easy_, CURLOPT_REFERER, s_.referer.c_str());
    if (!s_.userName.empty() || !s_.password.empty()) {
      curl_easy_setopt(easy_, CURLOPT_USERNAME, s_.userName.c_str());
      curl_easy_setopt(easy_, CURLOPT_PASSWORD, s_.password.c_str());
    }
    if (!s_.postQuery.empty()) {
      curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(s_.postQuery.size()));
      curl_easy_setopt(easy_, CURLOPT_COPYPOSTFIELDS, s_.postQuery.c_str());
    }

    CURLcode result;
    {
      MultiTransfer transfer(*this, easy_);
      result = transfer.run();
    }
    // A response without a body still creates (or empties) the target.
    if (result == CURLE_OK && !file_.isOpen() && !refused_) openTarget();
    const bool opened = file_.isOpen();
    const bool closed = opened && file_.close().ok();
    if (received_ > 0 && received_ != postedReceived_ && !terminated_) postProgress();
    return result == CURLE_OK && opened && closed && fileSize_ == received_;
  }

  CurlList requestHeaders() const {
    CurlList headers;
    // An empty list of media types sends no Accept header (libcurl's own "*/*" is removed).
    headers.append(s_.acceptTypes.empty() ? "Accept:" : "Accept: " + s_.acceptTypes);
    // HTTP/1.0 has no Cache-Control; this is how the reload flag reaches caches and proxies.
    if (!s_.useCache) headers.append("Pragma: no-cache");
    if (!s_.postQuery.empty()) headers.append("Content-Type: application/x-www-form-urlencoded");
    return headers;
  }

  // The response's head is known: a status other than 2xx, or no length with BinaryData, refuses
  // the body before anything is written; otherwise the target file is created.
  bool openTarget() {
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    fileSize_ = length >= 0 ? static_cast<int64_t>(length) : 0;
    if (!successful(status) || (length < 0 && s_.binaryData)) {
      refused_ = true;
      return false;
    }
    auto file = platform::File::open(s_.fileName, platform::File::Mode::Create);
    if (!file) {
      refused_ = true;
      return false;
    }
    file_ = std::move(*file);
    return true;
  }

  static size_t onData(char* data, size_t size, size_t count, void* self) {
    return static_cast<THttpDownloadThread*>(self)->received(data, size * count);
  }

  // Returning less than n ends the transfer as a failure.
  size_t received(const char* data, size_t n) {
    if (terminated_ || refused_) return 0;
    if (!file_.isOpen() && !openTarget()) return 0;
    if (!file_.write(data, n).ok()) return 0;
    received_ += static_cast<int64_t>(n);
    progressDue();
    return n;
  }

  // Reports the bytes received when some are unreported and the last report is old enough.
  void progressDue() {
    if (received_ == postedReceived_) return;
    const Clock::time_point now = Clock::now();
    if (now - lastPost_ < kProgressInterval) return;
    lastPost_ = now;
    postProgress();
  }

  void postProgress() {
    postedReceived_ = received_;
    if (!onProgress_) return;
    platform::postToMainThread([self = shared_from_this(), total = fileSize_, readed = received_] {
      if (*self->alive_) self->owner_->progressArrived(*self, total, readed);
    });
  }

  void postCompletion() {
    platform::postToMainThread([self = shared_from_this()] {
      if (*self->alive_) self->owner_->completed(self);
    });
  }

  // Set at construction; owner_ is touched on the main thread only, after *alive_ was checked.
  THttpDownload* const owner_;
  const std::shared_ptr<bool> alive_;
  const Settings s_;
  const TOnProgressEvent onProgress_;

  std::atomic<bool> terminated_{false};
  std::thread thread_;
  std::mutex multiLock_;
  CURLM* multi_ = nullptr;

  // The worker's own; the main thread reads the results after join().
  CURL* easy_ = nullptr;
  platform::File file_;
  bool refused_ = false;
  bool success_ = false;
  int64_t fileSize_ = 0;
  int64_t received_ = 0;
  int64_t postedReceived_ = 0;
  Clock::time_point lastPost_{};
};

// ---------------------------------------------------------------------------------------------

THttpDownload::THttpDownload() = default;

THttpDownload::~THttpDownload() {
  *alive_ = false;
  if (worker_) {
    worker_->terminate();
    worker_->join();
  }
}

void THttpDownload::assertInvariants() const {
  assert(totalSize_ >= 0 && readed_ >= 0);
  assert(worker_ || !success_ || readed_ == totalSize_);
}

void THttpDownload::StartDownloadToFile() {
  assertInvariants();
  if (worker_) return;
  THttpDownloadThread::Settings s{AcceptTypes, Agent,     URL,     FileName,   UserName,
                                  Password,    PostQuery, Referer, BinaryData, UseCache};
  worker_ = std::make_shared<THttpDownloadThread>(*this, alive_, std::move(s), OnProgress);
  totalSize_ = readed_ = 0;
  worker_->start();
  if (!WaitThread) return;
  const std::shared_ptr<bool> alive = alive_;
  while (*alive && worker_) platform::waitForMessages();
}

void THttpDownload::Stop() {
  if (worker_) worker_->terminate();
}

void THttpDownload::progressArrived(THttpDownloadThread& worker, int64_t totalSize, int64_t readed) {
  totalSize_ = totalSize;
  readed_ = readed;
  // The worker's copy of the event, taken at start, as the Windows worker held it.
  worker.onProgress_(worker, totalSize, readed);
}

void THttpDownload::completed(const std::shared_ptr<THttpDownloadThread>& worker) {
  if (worker != worker_) return;
  worker->join();
  success_ = worker->success_;
  totalSize_ = worker->fileSize_;
  readed_ = worker->received_;
  const std::shared_ptr<bool> alive = alive_;
  if (success_) {
    if (TOnDoneFileEvent done = OnDoneFile) done(*this, worker->s_.fileName, worker->fileSize_);
  } else if (TOnErrorEvent error = OnError) {
    error(*this);
  }
  // Only now can the component start again: a start from its own handler was ignored.
  if (!*alive) return;
  worker_.reset();
  assertInvariants();
}

}  // namespace riviza::net
