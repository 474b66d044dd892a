// THttpDownload (unit HttpDownload): downloads one resource over HTTP on a worker thread and
// reports progress, completion and failure as events on the main thread (net layer).
//
// Each start copies the properties into a new worker (THttpDownloadThread) and starts its
// thread; the worker speaks HTTP/1.0 to port 80 through libcurl (proxy variables apply,
// RIVIZA_UPDATE_SERVER redirects the connection, see curl_util.h) and posts its events to the
// main-thread queue (platform/pump.h), so they run whenever the main thread lets messages run.
//   idle --StartDownloadToFile--> running --worker ends, completion posted--> completing
//     (OnDoneFile or OnError on the main thread; Running() still true, so a start from the
//     component's own handler is ignored) --> idle
//   running --Stop--> running, the worker told to end (it completes with OnError)
//   any --destructor--> the worker told to end and joined; nothing of this component fires again
// A download succeeds when the server answered 2xx and exactly the announced number of bytes
// arrived and were written; a response without a length header succeeds only when empty (and
// fails at once with BinaryData). Anything else, an exception in the worker included, is a
// failure. Progress events are coalesced (at most one per 50 ms, and one at the end), each with
// the exact counts of its moment.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace riviza::net {

class THttpDownload;
class THttpDownloadThread;

using TOnProgressEvent = std::function<void(THttpDownloadThread& Sender, int64_t TotalSize, int64_t Readed)>;
using TOnDoneFileEvent =
    std::function<void(THttpDownload& Sender, const std::string& FileName, int64_t FileSize)>;
using TOnDoneStringEvent = std::function<void(THttpDownload& Sender, const std::string& Result)>;
using TOnErrorEvent = std::function<void(THttpDownload& Sender)>;

// The user-agent text Agent holds by default.
inline constexpr const char* kDefaultAgent = "Riviza HttpDownload";

// A URL split as the worker splits it: an "http://" at the start (any case) is dropped; the host
// runs to the first "/" and the path from there. Without "/" the host is empty.
struct UrlParts {
  std::string host;
  std::string path;
};
UrlParts SplitUrl(std::string_view url);

class THttpDownload {
 public:
  THttpDownload();
  virtual ~THttpDownload();
  THttpDownload(const THttpDownload&) = delete;
  THttpDownload& operator=(const THttpDownload&) = delete;

  // ---- published ----
  std::string AcceptTypes = "*/*";
  std::string Agent = kDefaultAgent;  // empty: no User-Agent header
  bool BinaryData = false;
  std::string URL;
  bool UseCache = false;  // false: the request asks caches to fetch from the server
  std::string FileName;   // path text
  std::string UserName;
  std::string Password;
  std::string PostQuery;  // not empty: a POST with this body
  std::string Referer;
  bool WaitThread = false;  // true: StartDownloadToFile returns when the download has completed
  TOnProgressEvent OnProgress;
  TOnDoneFileEvent OnDoneFile;
  // The component has no start operation in string mode, as the Windows component; the event is
  // part of its published interface and never fires.
  TOnDoneStringEvent OnDoneString;
  TOnErrorEvent OnError;

  // Ignored while a download runs (also from the component's own event handlers).
  void StartDownloadToFile();
  // Tells a running worker to end; it completes as a failure.
  void Stop();

  bool Running() const { return worker_ != nullptr; }
  // The outcome of the last completed download.
  bool Success() const { return success_; }
  // The announced size (0 without a length header) and the bytes received, of the running
  // download as far as its progress events have told, then exact once it has completed.
  int64_t TotalSize() const { return totalSize_; }
  int64_t Readed() const { return readed_; }

  // Debug builds: the counts are never negative, and a completed success received exactly the
  // announced bytes. Release builds check nothing.
  void assertInvariants() const;

 private:
  friend class THttpDownloadThread;
  void progressArrived(THttpDownloadThread& worker, int64_t totalSize, int64_t readed);
  void completed(const std::shared_ptr<THttpDownloadThread>& worker);

  std::shared_ptr<THttpDownloadThread> worker_;
  // False from the destructor on; posted events look at it before touching the component.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool success_ = false;
  int64_t totalSize_ = 0;
  int64_t readed_ = 0;
};

}  // namespace riviza::net
