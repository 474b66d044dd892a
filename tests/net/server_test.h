// Test support of the net layer's fetch tests: one loopback server of a kind serving the folder
// "server" of a temporary folder to the test account, with every connection of the net layer
// redirected to it.
#pragma once

#include <gtest/gtest.h>

#include "net/curl_util.h"
#include "support/temp_dir.h"
#include "support/transfer_servers.h"

namespace riviza::test {

inline constexpr const char* kTestBenutzer = "Pruefer";
inline constexpr const char* kTestKennwort = "Zq4Wn8Rb2Kc6Yt0Lp3Hx7Md5Gs9Fv1Ja";

template <TransferServer::Art kArt>
class MitServer : public ::testing::Test {
 protected:
  TempDir tmp_;
  TransferServer server_{kArt, tmp_ / "server", kTestBenutzer, kTestKennwort};
  ScopedEnv redirect_{net::kUpdateServerVariable, server_.hostPort()};
};

}  // namespace riviza::test
