// riviza-batch reorganisieren on an installation: the question answered as told, every line of
// the reorganisation list printed, exit status 0 only when the reorganisation ended.
#include <gtest/gtest.h>

#include "reorg_fixture.h"
#include "support/tools.h"

namespace riviza::test {
namespace {

ToolRun batch(const std::string& programmOrdner, const std::string& antwort) {
  return runTool(
      {RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch", programmOrdner, "reorganisieren", antwort});
}

TEST_F(Reorg, BatchOperationAnswersPrintsTheListAndTellsTheOutcome) {
  dakota4();
  programmIni();
  jahr("2024");
  tabelleAnlegen(jahrDaten(), "Ann.DB", aelter("Ann.DB", 20), {{{0, "1234567"}}});

  const ToolRun nein = batch(programm.str(), "--nein");
  EXPECT_EQ(nein.status, 1) << nein.output;
  EXPECT_NE(nein.output.find("[Dialog] Datensicherung durchgeführt ? -> Nein\n"), std::string::npos)
      << nein.output;
  EXPECT_EQ(nein.output.find("Reorganisation beendet"), std::string::npos) << nein.output;
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0].size(), 20u);

  const ToolRun ja = batch(programm.str(), "--ja");
  EXPECT_EQ(ja.status, 0) << ja.output;
  EXPECT_NE(ja.output.find("[Dialog] Datensicherung durchgeführt ? -> Ja\n"), std::string::npos) << ja.output;
  // Every line of REORG.LOG was printed, in its order.
  std::string log = platform::toUtf8(programm.read("REORG.LOG"));
  std::erase(log, '\r');
  EXPECT_NE(ja.output.find(log), std::string::npos) << ja.output;
  EXPECT_TRUE(log.ends_with("  Reorganisation beendet\n"));
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0][0], "101234567");
}

}  // namespace
}  // namespace riviza::test
