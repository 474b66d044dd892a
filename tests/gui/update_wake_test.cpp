// The Qt loop wakes up by itself for a finished download: a cost-bearer check on the update tab
// runs to its last log line while the test only sits in an event loop (nothing calls the pump).
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QListWidget>
#include <QProgressBar>

#include "forms/globals.h"
#include "maintenance/update_online.h"
#include "net/curl_util.h"
#include "qt_fixture.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

namespace riviza::test {
namespace {

TEST_F(MainFormTest, FinishedDownloadWakesTheEventLoop) {
  TempDir programm, server;
  programm.mkdir("Temp");
  server.write("www/OrvelTessaro/orvel_update/kost.txt", "15.03.2024\r\n");
  HttpServer http(server / "www");
  ScopedEnv redirect(net::kUpdateServerVariable, http.hostPort());
  globals().ProgrammPfad = programm.str() + "\\";
  globals().Tagesdatum = "15.03.2024";
  globals().StandKosttrDatum = "15.03.2024";

  QEventLoop loop;
  auto handler = form->HttpDownloadKostTxt->OnDoneFile;
  form->HttpDownloadKostTxt->OnDoneFile = [&](net::THttpDownload& d, const std::string& file, int64_t size) {
    handler(d, file, size);
    loop.quit();
  };
  form->BitBtnKost->click();
  loop.exec();

  const auto& zeilen = form->ListBoxLiveUpdate->items().lines();
  ASSERT_FALSE(zeilen.empty());
  EXPECT_TRUE(zeilen.back().ends_with("  Download beendet")) << zeilen.back();
  EXPECT_FALSE(UpdateKetteAktiv(UpdateArt::Kosttr));
  EXPECT_EQ(UpdateZustand(UpdateArt::Kosttr).ergebnis, UpdateErgebnis::KeinNeues);
  auto* liste = widget<QListWidget>(window(), "ListBoxLiveUpdate");
  ASSERT_NE(liste, nullptr);
  EXPECT_EQ(liste->count(), static_cast<int>(zeilen.size()));
  EXPECT_NE(widget<QProgressBar>(window(), "ProgressBar"), nullptr);
  resetGlobals();
}

}  // namespace
}  // namespace riviza::test
