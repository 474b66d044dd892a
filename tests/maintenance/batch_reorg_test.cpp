// riviza-batch reorganisieren on an installation: the question answered as told, every line of
// the reorganisation list printed, exit status 0 only when the reorganisation ended.
#include <gtest/gtest.h>

#include "batch_support.h"
#include "platform/ini.h"
#include "reorg_fixture.h"

namespace riviza::test {
namespace {

TEST_F(Reorg, BatchOperationAnswersPrintsTheListAndTellsTheOutcome) {
  dakota4();
  programmIni();
  jahr("2024");
  tabelleAnlegen(jahrDaten(), "Ann.DB", aelter("Ann.DB", 20), {{{0, "1234567"}}});

  const ToolRun nein = rivizaBatch(programm, {"reorganisieren", "--nein"});
  ausgabePruefen(nein, 1, {"[Dialog] Datensicherung durchgeführt ? -> Nein\n"});
  EXPECT_EQ(nein.output.find("Reorganisation beendet"), std::string::npos) << nein.output;
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0].size(), 20u);

  const ToolRun ja = rivizaBatch(programm, {"reorganisieren", "--ja"});
  ausgabePruefen(ja, 0, {"[Dialog] Datensicherung durchgeführt ? -> Ja\n"});
  // Every line of REORG.LOG was printed, in its order.
  std::string log = platform::toUtf8(programm.read("REORG.LOG"));
  std::erase(log, '\r');
  EXPECT_NE(ja.output.find(log), std::string::npos) << ja.output;
  EXPECT_TRUE(log.ends_with("  Reorganisation beendet\n"));
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0][0], "101234567");

  // A year of an older program is reorganised by the start-up; the operation takes that run's
  // outcome and does not reorganise a second time (which would replace the first's backup).
  ASSERT_TRUE(platform::IniFile(imDaten("Abrechng\\2024\\Abrechng.ini")).writeString("EINSTELLUNGEN", "Version", "1.0").ok());
  const ToolRun aelter = rivizaBatch(programm, {"reorganisieren"});
  ausgabePruefen(aelter, 0, {"Neue Programmversion installiert !"});
  const auto anzahl = [&](const std::string& teil) {
    size_t n = 0;
    for (size_t p = aelter.output.find(teil); p != std::string::npos; p = aelter.output.find(teil, p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(anzahl("Datensicherung durchgeführt ?"), 1u) << aelter.output;
  EXPECT_EQ(anzahl("  Reorganisation beendet"), 1u) << aelter.output;
}

}  // namespace
}  // namespace riviza::test
