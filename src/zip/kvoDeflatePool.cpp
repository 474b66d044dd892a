// The writer's deflate workers (zip layer). See kvoDeflatePool.h.
#include "zip/kvoDeflatePool.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <chrono>

#include "zip/kvoCrc.h"
#include "zip/kvoErrors.h"

namespace riviza::zip {
namespace {

constexpr size_t kDictionary = 32768;  // deflate's window: what a block may refer back to
constexpr auto kWaitSlice = std::chrono::milliseconds(10);

// Up to n bytes at offset, fewer only at the end of the file.
Result<size_t> readFully(platform::File& file, uint64_t offset, uint8_t* buffer, size_t n) {
  size_t got = 0;
  while (got < n) {
    auto r = file.readAt(offset + got, buffer + got, n - got);
    if (!r) return r.error();
    if (*r == 0) break;
    got += *r;
  }
  return got;
}

// One worker's deflate state, made once and reset for every block.
class Deflater {
 public:
  explicit Deflater(int level) {
    ready_ = deflateInit2(&zs_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ready_) deflateEnd(&zs_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // The block's stream: primed with `dictionary`, sync-flushed or, as the last block, finished.
  Status run(const uint8_t* dictionary, size_t dictionaryBytes, const uint8_t* plain, size_t plainBytes,
             bool last, std::vector<uint8_t>& out) {
    if (!ready_ || deflateReset(&zs_) != Z_OK) return zipError(kZipOutOfMemory, "deflateInit2");
    if (dictionaryBytes > 0 &&
        deflateSetDictionary(&zs_, dictionary, static_cast<uInt>(dictionaryBytes)) != Z_OK)
      return zipError(kZipOutOfMemory, "deflateSetDictionary");
    // The bound holds for a finished stream; a sync flush adds its empty stored block.
    out.resize(deflateBound(&zs_, static_cast<uLong>(plainBytes)) + 16);
    zs_.next_in = const_cast<uint8_t*>(plain);
    zs_.avail_in = static_cast<uInt>(plainBytes);
    size_t produced = 0;
    for (;;) {
      zs_.next_out = out.data() + produced;
      zs_.avail_out = static_cast<uInt>(out.size() - produced);
      const int rc = deflate(&zs_, last ? Z_FINISH : Z_SYNC_FLUSH);
      produced = out.size() - zs_.avail_out;
      if (rc == Z_STREAM_END || (!last && rc == Z_OK && zs_.avail_out > 0)) break;
      if (rc != Z_OK && rc != Z_BUF_ERROR) return zipError(kZipOutOfMemory, "deflate");
      out.resize(out.size() * 2);
    }
    out.resize(produced);
    return okStatus();
  }

 private:
  z_stream zs_{};
  bool ready_ = false;
};

}  // namespace

bool StampOf(int fd, TSourceStamp& stamp) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  stamp = {static_cast<int64_t>(st.st_size), st.st_mtim};
  return true;
}

TDeflatePool::TDeflatePool(std::vector<std::string> files, int level, unsigned workers)
    : level_(level), maxInFlight_(kBlocksPerWorker * std::max(1u, workers)) {
  sources_.reserve(files.size());
  for (std::string& f : files) {
    sources_.emplace_back();
    sources_.back().path = std::move(f);
  }
  for (unsigned i = 0; i < std::max(1u, workers); ++i) workers_.emplace_back([this] { work(); });
}

TDeflatePool::~TDeflatePool() {
  {
    std::lock_guard guard(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void TDeflatePool::openSource(Source& s) {
  auto opened = platform::File::open(s.path, platform::File::Mode::Read);
  if (opened && StampOf(opened->fd(), s.stamp)) {
    s.file = std::move(*opened);
    const uint64_t size = static_cast<uint64_t>(s.stamp.size);
    s.blocks = static_cast<size_t>(std::max<uint64_t>(1, (size + kBlockSize - 1) / kBlockSize));
    return;
  }
  s.failed = true;
  s.failure =
      zipError(kZipOpenError, opened ? "nicht lesbar" : "nicht zu öffnen: " + opened.error().message);
  s.blocks = 1;
}

bool TDeflatePool::schedule(Key& key) {
  if (next_.first < firstKept_) next_ = {firstKept_, 0};
  if (next_.first >= sources_.size()) return false;
  Source& s = sources_[next_.first];
  if (next_.second == 0) openSource(s);
  key = next_;
  if (++next_.second >= s.blocks) next_ = {next_.first + 1, 0};
  ++s.reading;
  slots_.emplace(key, Slot{});
  return true;
}

void TDeflatePool::work() {
  Deflater deflater(level_);
  std::vector<uint8_t> input(kDictionary + kBlockSize);
  std::unique_lock guard(lock_);
  for (;;) {
    wake_.wait(guard, [this] {
      return stop_ || std::max(next_.first, firstKept_) >= sources_.size() || slots_.size() < maxInFlight_;
    });
    Key key;
    if (stop_ || !schedule(key)) return;
    Source& s = sources_[key.first];
    Slot done;
    if (s.failed) {
      done.failed = true;
      done.error = s.failure;
    } else {
      const TSourceStamp stamp = s.stamp;
      const size_t blocks = s.blocks;
      guard.unlock();
      const uint64_t offset = static_cast<uint64_t>(key.second) * kBlockSize;
      const size_t dictionary = key.second == 0 ? 0 : kDictionary;
      const uint64_t size = static_cast<uint64_t>(stamp.size);
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>(kBlockSize, size > offset ? size - offset : 0));
      auto got = readFully(s.file, offset - dictionary, input.data(), dictionary + want);
      if (!got) {
        done.failed = true;
        done.error = zipError(kZipOpenError, "nicht lesbar: " + got.error().message);
      } else {
        const size_t primed = std::min(*got, dictionary);
        Block& b = done.block;
        b.plainBytes = *got - primed;
        b.last = key.second + 1 == blocks;
        b.opened = stamp;
        b.crc = Crc32Of(input.data() + primed, b.plainBytes);
        if (Status packed =
                deflater.run(input.data(), primed, input.data() + primed, b.plainBytes, b.last, b.packed);
            !packed) {
          done.failed = true;
          done.error = packed.error();
        }
      }
      guard.lock();
    }
    if (--s.reading == 0 && next_.first > key.first) s.file = platform::File();
    auto slot = slots_.find(key);
    if (slot == slots_.end()) continue;  // dropped while it was read
    done.ready = true;
    slot->second = std::move(done);
    done_.notify_all();
  }
}

void TDeflatePool::dropBefore(size_t index) {
  firstKept_ = std::max(firstKept_, index);
  slots_.erase(slots_.begin(), slots_.lower_bound(Key{index, 0}));
  if (next_.first < index) next_ = {index, 0};
  for (size_t i = 0; i < index && i < sources_.size(); ++i)
    if (sources_[i].reading == 0) sources_[i].file = platform::File();
}

Result<TDeflatePool::Block> TDeflatePool::Take(size_t index, const std::function<bool()>& keepWaiting) {
  std::unique_lock guard(lock_);
  if (index >= sources_.size() || index < taking_.first)
    return zipError(kZipStreamReadError, "block out of order");
  if (index > taking_.first) {
    dropBefore(index);
    taking_ = {index, 0};
    wake_.notify_all();
  }
  const Key key = taking_;
  auto due = std::chrono::steady_clock::now() + kWaitSlice;
  for (;;) {
    auto slot = slots_.find(key);
    if (slot != slots_.end() && slot->second.ready) {
      Slot taken = std::move(slot->second);
      slots_.erase(slot);
      taking_ = taken.failed || !taken.block.last ? Key{index, key.second + 1} : Key{index + 1, 0};
      wake_.notify_all();
      assertInvariants();
      if (taken.failed) return taken.error;
      return std::move(taken.block);
    }
    if (done_.wait_until(guard, due) == std::cv_status::no_timeout) continue;
    guard.unlock();
    const bool go = keepWaiting();
    guard.lock();
    if (!go) return zipError(kZipUserCanceled);
    due = std::chrono::steady_clock::now() + kWaitSlice;
  }
}

void TDeflatePool::assertInvariants() const {
#ifndef NDEBUG
  assert(slots_.size() <= maxInFlight_);
  for (const auto& [key, slot] : slots_) {
    assert(key.first >= firstKept_ && key < next_);
    assert(!(key < taking_));
  }
#endif
}

}  // namespace riviza::zip
