// The FTP client against pyftpdlib on loopback, for what "Start Download" never meets (its
// scenarios are in tests/maintenance): a refused login, a target it must not overwrite, a failed
// MKD after which libcurl drops the connection; and the time-outs of both fetches against a
// server that never answers.
#include "net/ftp_abruf.h"

#include <gtest/gtest.h>

#include "net/sftp_abruf.h"
#include "server_test.h"

namespace riviza::net {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::TransferServer;

constexpr const char* kUser = test::kTestBenutzer;
constexpr const char* kPassword = test::kTestKennwort;

class Ftp : public test::MitServer<TransferServer::Art::Ftp> {
 protected:
  Ftp() {
    tmp_.write("server/html/update.txt", "03.03.2025\r\n");
    tmp_.write("Programm/update.txt", "alt");
    client_.Username = kUser;
    client_.Password = kPassword;
    client_.Host = "ftp.update.example";
  }

  FtpClient client_;
};

TEST_F(Ftp, FailuresSayWhetherTheConnectionLivesAndKeepTheLocalFile) {
  client_.Password = "falsch";
  auto connect = client_.Connect();
  ASSERT_FALSE(connect.ok());
  EXPECT_EQ(connect.error().code, kAbrufAnmeldung);
  EXPECT_FALSE(client_.Connected());
  EXPECT_EQ(connect.error().message.find(kPassword), std::string::npos);

  client_.Password = kPassword;
  ASSERT_TRUE(client_.Connect().ok());
  ASSERT_TRUE(client_.ChangeDir("/html").ok());
  const std::string lokal = (tmp_ / "Programm/update.txt").string();
  auto get = client_.Get("update.txt", lokal, false);
  ASSERT_FALSE(get.ok());
  EXPECT_EQ(get.error().code, kAbrufLokal);
  EXPECT_EQ(tmp_.read("Programm/update.txt"), "alt");
  EXPECT_TRUE(client_.Connected());

  auto mkd = client_.MakeDir("/html");  // exists: refused
  ASSERT_FALSE(mkd.ok());
  EXPECT_FALSE(client_.Connected());
  EXPECT_EQ(client_.ChangeDir("/html").error().code, kAbrufVerbindung);
  EXPECT_FALSE(fs::exists(tmp_ / "Programm/update.txt.part"));
}

// A server that accepts the connection and then says nothing ends both fetches at the connect
// time-out instead of holding the program.
TEST(Zeitlimit, ASilentServerEndsEitherFetchAsATimeout) {
  TempDir tmp;
  TransferServer stumm(TransferServer::Art::Stumm, tmp / "stumm");
  test::ScopedEnv redirect(kUpdateServerVariable, stumm.hostPort());
  const Zeitlimits kurz{1, 1};

  FtpClient ftp;
  ftp.Username = kUser;
  ftp.Password = kPassword;
  ftp.Host = "ftp.update.example";
  ftp.zeitlimits = kurz;
  auto ftpErgebnis = ftp.Connect();

  const SftpKonto konto{kUser, kPassword, "sftp.update.example", "", ""};
  auto sftpErgebnis = SftpHolen(konto, "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU",
                                "orvel_update/kost.txt", (tmp / "kost.txt").string(), kurz);

  for (const auto* ergebnis : {&ftpErgebnis, &sftpErgebnis}) {
    ASSERT_FALSE(ergebnis->ok());
    EXPECT_EQ(ergebnis->error().code, kAbrufZeitlimit) << ergebnis->error().message;
  }
  EXPECT_FALSE(ftp.Connected());
  EXPECT_FALSE(fs::exists(tmp / "kost.txt"));
}

}  // namespace
}  // namespace riviza::net
