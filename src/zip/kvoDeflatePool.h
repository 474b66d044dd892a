// Deflate on every core for the zip writer (zip layer): worker threads that read and deflate the
// files of a run ahead of the thread that writes the archive.
//
// A file is cut into blocks of kBlockSize input bytes. Each block is a raw deflate stream of its
// own, primed with the 32 KiB of input before it (so that it compresses about as well as one long
// stream) and ended by a sync flush -- an empty stored block, which leaves the stream open on a
// byte boundary -- except the file's last block, which is finished. Joined in order, the blocks
// are one valid deflate stream; their CRC-32s combine into the file's. The bytes do not depend on
// the number of workers or on their timing.
//
// Invariants:
// - blocks are handed to the workers in the order of the files and of their offsets, and the
//   writer takes them back in that order (Take); taking a later file drops what is left of every
//   earlier one, so a file the writer skips (not opened, refused by an event, stored after all)
//   never holds the pool up;
// - at most kBlocksPerWorker blocks per worker are read and not yet taken or dropped, so the
//   memory a run needs is bounded whatever the sizes of its files;
// - each worker owns its deflate state and buffers; the schedule, the open files and the finished
//   blocks sit behind one lock;
// - a file is opened once, when its first block is handed out; its size and modification time
//   at that moment come with every block, so the writer can tell a file that changed since.
// One writer thread calls Take; destroying the pool stops the workers after the block each is on,
// joins them and closes the files.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/result.h"

namespace riviza::zip {

// A source file's size and modification time as fstat gave them.
struct TSourceStamp {
  int64_t size = 0;
  timespec modified{};
  friend bool operator==(const TSourceStamp& a, const TSourceStamp& b) {
    return a.size == b.size && a.modified.tv_sec == b.modified.tv_sec &&
           a.modified.tv_nsec == b.modified.tv_nsec;
  }
};
// The stamp of an open file; false when fstat fails.
bool StampOf(int fd, TSourceStamp& stamp);

class TDeflatePool {
 public:
  static constexpr size_t kBlockSize = 131072;
  static constexpr size_t kBlocksPerWorker = 2;

  struct Block {
    std::vector<uint8_t> packed;  // this block's part of the file's deflate stream
    uint32_t crc = 0;             // the finished CRC-32 of its input
    uint64_t plainBytes = 0;      // its input bytes
    bool last = false;            // the file's last block
    TSourceStamp opened;          // the file when it was opened
  };

  // `files`: path texts in the order the writer takes them; `level`: zlib's level.
  TDeflatePool(std::vector<std::string> files, int level, unsigned workers);
  ~TDeflatePool();
  TDeflatePool(const TDeflatePool&) = delete;
  TDeflatePool& operator=(const TDeflatePool&) = delete;

  // The next block of file `index` (a file may not be taken after a later one), waiting for it;
  // `keepWaiting` runs every few milliseconds meanwhile and ends the wait with kZipUserCanceled
  // when it returns false. A file that cannot be opened or read is kZipOpenError, a deflate that
  // fails kZipOutOfMemory.
  Result<Block> Take(size_t index, const std::function<bool()>& keepWaiting);

  // Debug check of the schedule: the counts stay within the bound and behind the schedule.
  void assertInvariants() const;

 private:
  struct Source {
    std::string path;
    platform::File file;
    TSourceStamp stamp;
    Error failure;  // when `failed`: why it could not be opened
    bool failed = false;
    size_t blocks = 0;   // known once opened
    size_t reading = 0;  // blocks handed out and not yet read: the descriptor stays open
  };
  struct Slot {
    bool ready = false;
    bool failed = false;
    Error error;
    Block block;
  };
  using Key = std::pair<size_t, size_t>;  // file, block

  void work();
  // Under the lock: the next block to hand out, opening its file when it is the first.
  bool schedule(Key& key);
  void openSource(Source& s);
  // Under the lock: drops the finished blocks of files before `index` and moves the schedule on.
  void dropBefore(size_t index);

  std::vector<Source> sources_;
  const int level_;
  const size_t maxInFlight_;
  mutable std::mutex lock_;
  std::condition_variable wake_;  // workers: a slot is free or the pool stops
  std::condition_variable done_;  // writer: a block is finished
  std::map<Key, Slot> slots_;     // handed out and not yet taken: in work or finished
  Key next_{0, 0};                // the next block to hand out
  size_t firstKept_ = 0;          // files before it are dropped
  Key taking_{0, 0};              // the writer's next block
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace riviza::zip
