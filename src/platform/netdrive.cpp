#include "platform/netdrive.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/codec.h"
#include "platform/launcher.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace riviza::platform {
namespace {

// "\\computer\share" -> {computer, share}
bool splitUnc(std::string_view remote, std::string& computer, std::string& share) {
  while (!remote.empty() && isPathSeparator(remote.front())) remote.remove_prefix(1);
  size_t sep = remote.find_first_of("\\/");
  if (sep == std::string_view::npos) return false;
  computer = std::string(remote.substr(0, sep));
  std::string_view rest = remote.substr(sep + 1);
  size_t end = rest.find_first_of("\\/");
  share = std::string(rest.substr(0, end));
  return !computer.empty() && !share.empty();
}

fs::path driveLink(std::string_view localName) {
  std::string letter(1, static_cast<char>(std::tolower(static_cast<unsigned char>(localName[0]))));
  return winePrefix() / "dosdevices" / (letter + ":");
}

fs::path gvfsMount(const std::string& computer, const std::string& share) {
  std::string rt = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR")
                                                  : "/run/user/" + std::to_string(::getuid());
  return fs::path(rt) / "gvfs" / ("smb-share:server=" + toLowerAscii(computer) + ",share=" + toLowerAscii(share));
}

// Runs gio with the answers to its prompts on standard input.
bool runGio(std::vector<std::string> args, const std::string& input) {
  // The argument list is built before fork: another thread may hold the allocator's lock, and
  // the child must not allocate.
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return false;  // dup2 onto standard input drops the flag
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(in[0]);
    ::close(in[1]);
    return false;
  }
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::close(in[0]);
    ::close(in[1]);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  (void)!::write(in[1], input.data(), input.size());
  ::close(in[1]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool hasDriveLetter(std::string_view name) { return name.size() >= 2 && name[1] == ':'; }

class GvfsNetworkDrives : public NetworkDrives {
 public:
  explicit GvfsNetworkDrives(GioRunner runner) : gio_(std::move(runner)) {
    if (!gio_)
      gio_ = [](const std::vector<std::string>& args, const std::string& input) {
        return runGio(args, input);
      };
  }

  bool connect(std::string_view localName, std::string_view remote, std::string_view user,
               std::string_view password, unsigned) override {
    std::string computer, share;
    if (!splitUnc(remote, computer, share)) return false;
    const bool letter = hasDriveLetter(localName);
    std::error_code ec;
    // A letter in use stays as it is: replacing it would take the data drive or another share
    // from the programs that use it.
    if (letter && fs::exists(fs::symlink_status(driveLink(localName), ec))) return false;
    std::string url = "smb://" + computer + "/" + share;
    // gio asks for user, domain and password in this order when the share wants them.
    std::string answers = std::string(user) + "\n\n" + std::string(password) + "\n";
    const fs::path mount = gvfsMount(computer, share);
    const bool mounted = gio_({"gio", "mount", url}, answers);
    if (!mounted && !fs::exists(mount)) return false;  // else it was mounted before
    if (!letter) return true;
    const fs::path link = driveLink(localName);
    fs::create_directories(link.parent_path(), ec);
    fs::create_directory_symlink(mount, link, ec);
    if (ec) return false;
    made_.push_back({link, mount, mounted});
    return true;
  }

  bool disconnect(std::string_view name) override {
    if (!hasDriveLetter(name)) {
      std::string computer, share;
      if (!splitUnc(name, computer, share)) return false;
      return gio_({"gio", "mount", "-f", "-u", "smb://" + computer + "/" + share}, "");
    }
    const fs::path link = driveLink(name);
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    auto it = std::find_if(made_.begin(), made_.end(), [&](const Made& m) { return m.link == link; });
    if (it == made_.end()) return false;  // not ours: whatever the letter names stays
    const Made m = *it;
    made_.erase(it);
    if (ec || target != m.target) return false;  // changed since by someone else
    fs::remove(link, ec);
    if (m.mountedHere) gio_({"gio", "mount", "-f", "-u", m.target.string()}, "");
    return true;
  }

 private:
  struct Made {
    fs::path link, target;
    bool mountedHere;
  };
  GioRunner gio_;
  std::vector<Made> made_;
};

GvfsNetworkDrives gGvfs{{}};
NetworkDrives* gDrives = &gGvfs;

}  // namespace

NetworkDrives& networkDrives() { return *gDrives; }
void setNetworkDrives(NetworkDrives* drives) { gDrives = drives ? drives : &gGvfs; }

std::unique_ptr<NetworkDrives> makeGvfsNetworkDrives(GioRunner runner) {
  return std::make_unique<GvfsNetworkDrives>(std::move(runner));
}

FakeNetworkDrives::FakeNetworkDrives() : previous_(gDrives) { gDrives = this; }
FakeNetworkDrives::~FakeNetworkDrives() { gDrives = previous_; }

bool FakeNetworkDrives::connect(std::string_view localName, std::string_view remoteName, std::string_view user,
                                std::string_view password, unsigned) {
  calls.push_back({"connect", std::string(localName), std::string(remoteName), std::string(user), !password.empty()});
  if (connectResult && createDriveFolder && localName.size() >= 2) {
    std::error_code ec;
    fs::create_directories(driveLink(localName), ec);
  }
  return connectResult;
}

bool FakeNetworkDrives::disconnect(std::string_view name) {
  calls.push_back({"disconnect", std::string(name), "", "", false});
  if (name.size() >= 2 && name[1] == ':') {
    std::error_code ec;
    fs::remove_all(driveLink(name), ec);
  }
  return true;
}

}  // namespace riviza::platform
