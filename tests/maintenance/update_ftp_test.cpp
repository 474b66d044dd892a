// "Start Download" against pyftpdlib on loopback with the program's own update account: the
// commands the server sees, the two forms of the log line (a file already in the program
// folder and a new one), the connection lines, and failures that leave the connection as the
// Windows program left it.
#include <gtest/gtest.h>

#include <filesystem>

#include "dateiserver.h"
#include "platform/pump.h"
#include "shell_fixture.h"
#include "update_server.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

// EPRT carries the client's port, which changes from run to run.
std::vector<std::string> ohnePort(std::vector<std::string> log) {
  for (std::string& line : log)
    if (line.starts_with("EPRT ") || line.starts_with("PORT ")) line = line.substr(0, 4) + " ...";
  return log;
}

class FtpDownload : public UpdateTab {
 protected:
  FtpDownload() {
    server.veroeffentlichen("update.txt", "01.03.2024\r\n");
    server.veroeffentlichen("kost.txt", "02.03.2024\r\n");
  }
  // The log line of a fetched file; the path of a new file begins with two slashes.
  std::string geholt(const std::string& serverPfad) const {
    return "15.03.2024 10:30:00   -> FTP Datei:" + serverPfad + "  Ordner: " + gezeigtImProgramm();
  }

  FtpServer server;
};

TEST_F(FtpDownload, FetchesBothDateFilesBetweenTheTwoToggles) {
  programm.write("update.txt", "alt\r\n");
  form->BitBtnStart->click();

  EXPECT_EQ(zeilen(), (std::vector<std::string>{"Verbunden", geholt("/html/download_kassen/update.txt"),
                                                geholt("//html/download_kassen/kost.txt"), "Getrennt"}));
  EXPECT_EQ(programm.read("update.txt"), "01.03.2024\r\n");
  EXPECT_EQ(programm.read("kost.txt"), "02.03.2024\r\n");
  EXPECT_FALSE(form->IdFTP1->Connected());
  EXPECT_TRUE(texte().empty());
  EXPECT_EQ(ohnePort(server.server.log()),
            (std::vector<std::string>{"USER Riviza", "PASS", "PWD", "CWD /html/download_kassen", "EPRT ...",
                                      "TYPE I", "SIZE update.txt", "RETR update.txt", "EPRT ...",
                                      "SIZE kost.txt", "RETR kost.txt", "QUIT"}));
}

TEST_F(FtpDownload, AFailureShowsItsErrorAndSkipsTheRestOfTheButton) {
  struct Fall {
    const char* was;
    bool ordner;  // the server has the folder (with update.txt, without kost.txt)
    Zeilen zeilen;
  };
  const Fall faelle[] = {
      {"kost.txt missing", true, Zeilen{"Verbunden", geholt("//html/download_kassen/update.txt")}},
      {"folder missing: created, the file asked for where the session was", false, Zeilen{"Verbunden"}},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    fs::remove_all(server.dir / "konto/html/download_kassen");
    fs::remove(programm / "update.txt");
    if (f.ordner) server.veroeffentlichen("update.txt", "01.03.2024\r\n");
    form->IdFTP1->Disconnect();
    form->ListBoxLiveUpdate->items().clear();
    dialogs.clear();

    form->BitBtnStart->click();

    EXPECT_EQ(zeilen(), f.zeilen);
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    EXPECT_EQ(dialogs.transcript()[0].type, ui::DlgType::Error);
    EXPECT_TRUE(dialogs.transcript()[0].text.starts_with("Auf dem Server nicht vorhanden"))
        << dialogs.transcript()[0].text;
    EXPECT_TRUE(form->IdFTP1->Connected());
    EXPECT_TRUE(fs::is_directory(server.dir / "konto/html/download_kassen"));
  }

  // Pressed again on the open connection: the first toggle ends it, the fetches then do
  // nothing, and the second toggle connects again and leaves the connection open.
  form->ListBoxLiveUpdate->items().clear();
  dialogs.clear();
  form->BitBtnStart->click();
  EXPECT_EQ(zeilen(), (std::vector<std::string>{"Getrennt", "Verbunden"}));
  EXPECT_TRUE(dialogs.transcript().empty());
  EXPECT_TRUE(form->IdFTP1->Connected());
}

TEST_F(FtpDownload, NoServerNoConnectionLine) {
  ScopedEnv nirgends(net::kUpdateServerVariable, "127.0.0.1:1");
  form->BitBtnStart->click();
  EXPECT_TRUE(zeilen().empty());
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_TRUE(dialogs.transcript()[0].text.starts_with("Verbindung zum Server fehlgeschlagen"))
      << dialogs.transcript()[0].text;
  EXPECT_FALSE(form->IdFTP1->Connected());
  EXPECT_TRUE(server.server.log().empty());
}

}  // namespace
}  // namespace riviza::test
