// Network drives in place of Windows networking (platform layer).
//
// Connecting "\\computer\share" as "X:" mounts the share through GVfs (`gio mount smb://...`,
// which needs no root) and points the drive letter of the Wine prefix (dosdevices/x:) at the
// mount; disconnecting undoes both. A letter already in use (a link or folder of the prefix,
// such as the data drive) is refused, as Windows refuses it, and disconnecting a letter removes
// only a link this process made, and unmounts only a share it mounted. The credentials go to gio
// on its standard input, never on a command line or into a file. Tests install
// FakeNetworkDrives behind the same interface, or the GVfs implementation over a gio stand-in.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace riviza::platform {

class NetworkDrives {
 public:
  virtual ~NetworkDrives() = default;
  // localName "X:" (may be empty: connect without a letter), remoteName "\\computer\share".
  // An empty user or password means "the current credentials".
  virtual bool connect(std::string_view localName, std::string_view remoteName, std::string_view user,
                       std::string_view password, unsigned flags) = 0;
  // name is "X:" or "\\computer\share"; forced, open files do not prevent it.
  virtual bool disconnect(std::string_view name) = 0;
};

NetworkDrives& networkDrives();
void setNetworkDrives(NetworkDrives* drives);  // nullptr: the GVfs implementation

// Runs gio with its arguments and the answers to its prompts on standard input; true when it
// succeeded.
using GioRunner = std::function<bool(const std::vector<std::string>& args, const std::string& input)>;
// The GVfs implementation over the given runner (the real gio when empty).
std::unique_ptr<NetworkDrives> makeGvfsNetworkDrives(GioRunner runner = {});

// Records calls; connect succeeds as configured and may create the drive's folder in the prefix
// (so that a poll for "X:\" succeeds), optionally only after some polls.
class FakeNetworkDrives : public NetworkDrives {
 public:
  struct Call {
    std::string what, localName, remoteName, user;
    bool passwordGiven = false;
  };
  FakeNetworkDrives();
  ~FakeNetworkDrives() override;

  bool connectResult = true;
  bool createDriveFolder = true;  // make dosdevices/<x>: a folder on connect
  std::vector<Call> calls;

  bool connect(std::string_view localName, std::string_view remoteName, std::string_view user,
               std::string_view password, unsigned flags) override;
  bool disconnect(std::string_view name) override;

 private:
  NetworkDrives* previous_;
};

}  // namespace riviza::platform
