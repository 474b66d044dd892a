// Reader runs as the program calls them: folders from the caller, the message pump between
// files, and failures that leave no stale or partial table behind.
#include <gtest/gtest.h>

#include "costbearer/abr_tools.h"
#include "fixtures.h"
#include "forms/form_melder.h"
#include "platform/pump.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

class Einlesen : public testing::Test {
 protected:
  void SetUp() override {
    dir_.mkdir("prog/Temp");
    const std::pair<const char*, const char*> files[] = {{"AO05Q425.ke0", "IDK+101111111+99+A'"},
                                                         {"EK05Q425.ke0", "IDK+102222222+99+B'"},
                                                         {"ZZ05Q425.ke1", "IDK+103333333+99+C'"}};
    for (const auto& [name, idk] : files)
      dir_.write(std::string("daten/Abrechng/2025/Kosttr/") + name,
                 test::segmentFile(test::interchange(test::message({idk}))));
  }
  KosttrLeseErgebnis run(const std::string& prog) {
    return Kosttr302Einlesen(prog, dir_.str() + "/daten\\", "Abrechng\\2025\\", melder_);
  }
  std::string prog() const { return dir_.str() + "/prog\\"; }

  test::TempDir dir_;
  FormMelder melder_;
  ui::ScriptedDialogs dialogs_;
};

TEST_F(Einlesen, LetsMessagesRunOncePerFile) {
  int pumped = 0;
  platform::setMessagePump([&] { ++pumped; });
  KosttrLeseErgebnis r = run(prog());
  platform::setMessagePump({});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(pumped, 3);
  EXPECT_EQ(r.counter, 3);
  EXPECT_EQ(Kosttr302Tabelle().scanLength(), 3u);
  EXPECT_EQ(Kosttr302Tabelle().size(), 5u);
  EXPECT_FALSE(Kosttr302Adresse("101111111", "").empty());
}

TEST_F(Einlesen, AFailedRunLeavesNoStaleTable) {
  ASSERT_TRUE(run(prog()).ok());
  ASSERT_GT(Kosttr302Tabelle().size(), 0u);
  // No Temp folder in this program folder: the work file cannot be written.
  dir_.mkdir("leer");
  KosttrLeseErgebnis r = run(dir_.str() + "/leer\\");
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.counter, 0);
  EXPECT_EQ(Kosttr302Tabelle().size(), 0u);
  EXPECT_TRUE(Kosttr302Adresse("101111111", "").empty());
  EXPECT_TRUE(dialogs_.transcript().empty());  // only the cap has a message box of its own
}

TEST_F(Einlesen, NoCostBearerFolderIsAnEmptyRun) {
  KosttrLeseErgebnis r = Kosttr105Einlesen(prog(), dir_.str() + "/nirgends\\", "Abrechng\\2025\\", melder_);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.counter, 0);
  EXPECT_EQ(dir_.read("prog/Temp/Kosttr105.txt"), "");
  EXPECT_EQ(dir_.read("prog/Temp/kost105.log"), "");
  EXPECT_EQ(Kosttr105Tabelle().scanLength(), 0u);
  EXPECT_TRUE(Kosttr105Kassenart("101111111").empty());
}

}  // namespace
}  // namespace riviza
