// The FTP client against pyftpdlib on loopback: the commands the server sees for a session that
// fetches both date files, the failures and the connection they leave, and the time-outs of
// both fetches against a server that never answers.
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
constexpr const char* kOrdner = "/html/download_kassen";

// EPRT and PORT carry the client's port, which changes from run to run.
std::vector<std::string> ohnePort(std::vector<std::string> log) {
  for (std::string& line : log)
    if (line.rfind("EPRT ", 0) == 0 || line.rfind("PORT ", 0) == 0) line = line.substr(0, 4) + " ...";
  return log;
}

class Ftp : public test::MitServer<TransferServer::Art::Ftp> {
 protected:
  Ftp() {
    tmp_.write("server/html/download_kassen/update.txt", "03.03.2025\r\n");
    tmp_.write("server/html/download_kassen/kost.txt", "04.04.2025\r\n");
    fs::create_directories(tmp_ / "Programm");
    client_.Username = kUser;
    client_.Password = kPassword;
    client_.Host = "ftp.update.example";
  }
  std::string lokal(const std::string& name) const { return (tmp_ / "Programm" / name).string(); }

  FtpClient client_;
};

TEST_F(Ftp, ASessionFetchingBothDateFilesSendsTheseCommands) {
  tmp_.write("Programm/kost.txt", "alt");

  ASSERT_TRUE(client_.Connect().ok());
  EXPECT_TRUE(client_.Connected());
  ASSERT_TRUE(client_.ChangeDir(kOrdner).ok());
  ASSERT_TRUE(client_.Get("update.txt", lokal("update.txt"), false).ok());
  ASSERT_TRUE(client_.ChangeDir(kOrdner).ok());
  auto zweite = client_.Get("kost.txt", lokal("kost.txt"), true);
  ASSERT_TRUE(zweite.ok()) << zweite.error().describe();
  client_.Disconnect();
  EXPECT_FALSE(client_.Connected());

  EXPECT_EQ(tmp_.read("Programm/update.txt"), "03.03.2025\r\n");
  EXPECT_EQ(tmp_.read("Programm/kost.txt"), "04.04.2025\r\n");
  // Active mode (EPRT, never PASV/EPSV); a folder and a type already set are not sent again.
  EXPECT_EQ(ohnePort(server_.log()),
            (std::vector<std::string>{"USER Pruefer", "PASS", "PWD", "CWD /html/download_kassen", "EPRT ...",
                                      "TYPE I", "SIZE update.txt", "RETR update.txt", "EPRT ...",
                                      "SIZE kost.txt", "RETR kost.txt", "QUIT"}));
}

TEST_F(Ftp, FailuresKeepLocalFilesAndSayWhetherTheConnectionLives) {
  tmp_.write("Programm/update.txt", "alt");
  ASSERT_TRUE(client_.Connect().ok());

  auto cwd = client_.ChangeDir("/html/fehlt");
  ASSERT_FALSE(cwd.ok());
  EXPECT_EQ(cwd.error().code, kAbrufFehlt);
  EXPECT_TRUE(client_.Connected());

  ASSERT_TRUE(client_.MakeDir("/html/fehlt").ok());
  EXPECT_TRUE(fs::is_directory(tmp_ / "server/html/fehlt"));
  EXPECT_TRUE(client_.Connected());

  // The folder stayed the login folder, which has no update.txt: the local file stays as it was.
  auto get = client_.Get("update.txt", lokal("update.txt"), true);
  ASSERT_FALSE(get.ok());
  EXPECT_EQ(get.error().code, kAbrufFehlt);
  EXPECT_EQ(tmp_.read("Programm/update.txt"), "alt");
  EXPECT_FALSE(fs::exists(tmp_ / "Programm/update.txt.part"));
  EXPECT_TRUE(client_.Connected());

  ASSERT_TRUE(client_.ChangeDir(kOrdner).ok());
  auto ohneUeberschreiben = client_.Get("update.txt", lokal("update.txt"), false);
  ASSERT_FALSE(ohneUeberschreiben.ok());
  EXPECT_EQ(ohneUeberschreiben.error().code, kAbrufLokal);
  EXPECT_EQ(tmp_.read("Programm/update.txt"), "alt");

  // A failed MKD is the one failure after which libcurl drops the connection.
  auto mkd = client_.MakeDir("/html/fehlt");
  ASSERT_FALSE(mkd.ok());
  EXPECT_FALSE(client_.Connected());
  EXPECT_EQ(client_.ChangeDir(kOrdner).error().code, kAbrufVerbindung);
}

TEST_F(Ftp, AWrongPasswordLeavesItDisconnected) {
  client_.Password = "falsch";
  auto connect = client_.Connect();
  ASSERT_FALSE(connect.ok());
  EXPECT_EQ(connect.error().code, kAbrufAnmeldung);
  EXPECT_FALSE(client_.Connected());
  EXPECT_EQ(connect.error().message.find(kPassword), std::string::npos);
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
