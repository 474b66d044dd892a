// Network drives in place of Windows networking (platform layer).
//
// Connecting "\\computer\share" as "X:" mounts the share through GVfs (`gio mount smb://...`,
// which needs no root) and points the drive letter of the Wine prefix (dosdevices/x:) at the
// mount; disconnecting undoes both. The credentials go to gio on its standard input, never on a
// command line or into a file. Tests install FakeNetworkDrives behind the same interface.
#pragma once

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
