// Kept folder names over inotify; see foldernames.h.
#include "platform/foldernames.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/codec.h"

namespace riviza::platform {
namespace {

constexpr size_t kMaxFolders = 256;
constexpr uint32_t kEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

std::atomic<uint64_t> gReads{0};

// Every name of the open folder but "." and ".."; the descriptor is consumed.
std::vector<std::string> readNames(int fd) {
  gReads.fetch_add(1, std::memory_order_relaxed);
  std::vector<std::string> names;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return names;
  }
  while (const dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

int openFolder(const std::string& dir) { return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

// The file systems whose every change this machine's kernel makes itself.
bool onLocalFileSystem(int fd) {
  struct statfs info;
  if (::fstatfs(fd, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

// The names of one folder by their folded form.
struct Folder {
  dev_t dev = 0;
  ino_t ino = 0;
  std::unordered_map<std::string, std::set<std::string>> names;

  void add(const std::string& name) { names[foldCase(name)].insert(name); }
  void remove(const std::string& name) {
    auto it = names.find(foldCase(name));
    if (it == names.end()) return;
    it->second.erase(name);
    if (it->second.empty()) names.erase(it);
  }
  std::optional<std::string> find(const std::string& folded) const {
    auto it = names.find(folded);
    if (it == names.end()) return std::nullopt;
    return *it->second.begin();
  }
};

class FolderNames {
 public:
  FolderNames() = default;
  FolderNames(const FolderNames&) = delete;
  FolderNames& operator=(const FolderNames&) = delete;
  ~FolderNames() {
    if (inotify_ >= 0) ::close(inotify_);
  }

  // The kept answer, or nullopt in `served` when dir cannot be kept.
  std::optional<std::string> find(const std::string& dir, const std::string& folded, bool& served) {
    std::lock_guard lock(mutex_);
    const Folder* f = kept(dir);
    served = f != nullptr;
    return f ? f->find(folded) : std::nullopt;
  }

  bool keeps(const std::string& dir) {
    std::lock_guard lock(mutex_);
    return kept(dir) != nullptr;
  }

 private:
  static constexpr int kNotTried = -2;

  bool ready() {
    if (inotify_ == kNotTried) inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);  // -1: none to be had
    return inotify_ >= 0;
  }

  void restart() {
    if (inotify_ >= 0) ::close(inotify_);
    inotify_ = kNotTried;
    folders_.clear();
    watchOf_.clear();
  }

  const Folder* kept(const std::string& dir) {
    struct stat st;
    // The path is looked at before the queue is drained: a folder removed, and another created
    // with its inode number in between, is then dropped by the drain, not taken for the old one.
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !ready()) return nullptr;
    drain();
    if (auto w = watchOf_.find(dir); w != watchOf_.end()) {
      auto f = folders_.find(w->second);
      if (f != folders_.end() && f->second.dev == st.st_dev && f->second.ino == st.st_ino) return &f->second;
    }
    return watch(dir);
  }

  const Folder* watch(const std::string& dir) {
    if (folders_.size() >= kMaxFolders || watchOf_.size() >= 4 * kMaxFolders) restart();
    if (!ready()) return nullptr;
    int fd = openFolder(dir);
    if (fd < 0) return nullptr;
    // The watch is put on the folder just opened, through its descriptor's /proc link, so the
    // names read below and the events after them belong to one folder even if the path moves.
    struct stat st;
    int wd = -1;
    if (::fstat(fd, &st) == 0 && onLocalFileSystem(fd))
      wd = ::inotify_add_watch(inotify_, ("/proc/self/fd/" + std::to_string(fd)).c_str(), kEvents);
    if (wd < 0) {
      ::close(fd);
      return nullptr;
    }
    auto [it, added] = folders_.try_emplace(wd);
    if (added) {
      it->second.dev = st.st_dev;
      it->second.ino = st.st_ino;
      for (const std::string& name : readNames(fd)) it->second.add(name);
    } else {
      ::close(fd);  // the same folder under another path text: its names are kept already
    }
    watchOf_[dir] = wd;
    return &it->second;
  }

  void drain() {
    alignas(inotify_event) char buf[64 * 1024];
    for (;;) {
      ssize_t n = ::read(inotify_, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // EAGAIN: the queue is empty
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        if (e->mask & IN_Q_OVERFLOW) {
          restart();
          return;
        }
        apply(*e);
      }
    }
  }

  void apply(const inotify_event& e) {
    auto f = folders_.find(e.wd);
    if (f == folders_.end()) return;
    if (e.mask & (IN_DELETE_SELF | IN_IGNORED | IN_UNMOUNT)) {
      folders_.erase(f);
      return;
    }
    const std::string name = e.len ? std::string(e.name) : std::string();  // padded with NULs
    if (e.mask & (IN_CREATE | IN_MOVED_TO))
      f->second.add(name);
    else if (e.mask & (IN_DELETE | IN_MOVED_FROM))
      f->second.remove(name);
  }

  std::mutex mutex_;
  int inotify_ = kNotTried;
  std::unordered_map<int, Folder> folders_;       // by watch
  std::unordered_map<std::string, int> watchOf_;  // path text as given -> watch
};

FolderNames& folderNames() {
  static FolderNames names;
  return names;
}

std::string key(const std::filesystem::path& folder) { return folder.empty() ? "." : folder.string(); }

}  // namespace

std::optional<std::string> findNameIgnoringCase(const std::filesystem::path& folder, std::string_view name) {
  const std::string dir = key(folder);
  const std::string folded = foldCase(name);
  bool served = false;
  auto found = folderNames().find(dir, folded, served);
  if (served) return found;
  int fd = openFolder(dir);
  if (fd < 0) return std::nullopt;
  for (std::string& candidate : readNames(fd))
    if (foldCase(candidate) == folded && (!found || candidate < *found)) found = std::move(candidate);
  return found;
}

uint64_t folderReads() { return gReads.load(std::memory_order_relaxed); }

bool keepsNamesOf(const std::filesystem::path& folder) { return folderNames().keeps(key(folder)); }

}  // namespace riviza::platform
