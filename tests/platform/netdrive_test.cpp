// Network drives over GVfs with a stand-in for gio (no gio, no network): which letters are
// linked, which links are removed at disconnect, which shares are unmounted.
#include "platform/netdrive.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace riviza::platform {
namespace {

namespace fs = std::filesystem;

TEST(NetworkDrives, LinksOnlyFreeLettersAndRemovesOnlyItsOwnLinks) {
  struct Case {
    const char* what;
    bool letterInUse;        // dosdevices/x: exists before the connect
    bool mountedBefore;      // the share was mounted by someone else (gio mount fails)
    bool relinkedMeanwhile;  // someone points x: elsewhere before the disconnect
    bool connects;
    std::vector<std::string> gio;
    bool linkAfterwards;  // x: exists after the disconnect
  };
  const Case cases[] = {
      {"free letter", false, false, false, true, {"mount", "unmount"}, false},
      {"letter in use", true, false, false, false, {}, true},
      {"share mounted before", false, true, false, true, {"mount"}, false},
      {"letter changed meanwhile", false, false, true, true, {"mount"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir prefix, runtime;
    test::ScopedEnv wine("WINEPREFIX", prefix.str());
    test::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.str());
    const fs::path link = prefix.path() / "dosdevices" / "x:";
    const fs::path mount = runtime.path() / "gvfs" / "smb-share:server=srv,share=daten";
    fs::create_directories(link.parent_path());
    if (c.letterInUse) fs::create_directory_symlink(prefix.path(), link);
    if (c.mountedBefore) fs::create_directories(mount);
    std::vector<std::string> gio;
    auto drives = makeGvfsNetworkDrives([&](const std::vector<std::string>& args, const std::string& input) {
      const bool mounting = args.size() == 3;
      gio.push_back(mounting ? "mount" : "unmount");
      if (mounting) {
        EXPECT_EQ(input, "anna\n\ngeheim\n");  // the answers, never an argument
      }
      if (c.mountedBefore) return false;
      return mounting ? fs::create_directories(mount) : fs::remove(mount);
    });
    EXPECT_EQ(drives->connect("X:", "\\\\srv\\daten", "anna", "geheim", 0), c.connects);
    if (c.connects) {
      EXPECT_EQ(fs::read_symlink(link), mount);
    }
    if (c.relinkedMeanwhile) {
      fs::remove(link);
      fs::create_directory_symlink(prefix.path(), link);
    }
    drives->disconnect("X:");
    EXPECT_EQ(gio, c.gio);
    EXPECT_EQ(fs::exists(fs::symlink_status(link)), c.linkAfterwards);
  }
}

}  // namespace
}  // namespace riviza::platform
