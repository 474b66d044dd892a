// riviza-batch reorganisieren on an installation: the question answered as told, every line of
// the reorganisation list printed, exit status 0 only when the reorganisation ended.
#include <gtest/gtest.h>

#include "reorg_fixture.h"
#include "support/werkzeug.h"

namespace riviza::test {
namespace {

WerkzeugLauf batch(const std::string& programmOrdner, const std::string& antwort) {
  return werkzeugAusfuehren(
      {RIVIZA_BINARY_DIR "/tools/riviza-batch/riviza-batch", programmOrdner, "reorganisieren", antwort});
}

TEST_F(Reorg, BatchOperationAnswersPrintsTheListAndTellsTheOutcome) {
  dakota4();
  programmIni();
  jahr("2024");
  tabelleAnlegen(jahrDaten(), "Ann.DB", aelter("Ann.DB", 20), {{{0, "1234567"}}});

  const WerkzeugLauf nein = batch(programm.str(), "--nein");
  EXPECT_EQ(nein.status, 1) << nein.ausgabe;
  EXPECT_NE(nein.ausgabe.find("[Dialog] Datensicherung durchgeführt ? -> Nein\n"), std::string::npos)
      << nein.ausgabe;
  EXPECT_EQ(nein.ausgabe.find("Reorganisation beendet"), std::string::npos) << nein.ausgabe;
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0].size(), 20u);

  const WerkzeugLauf ja = batch(programm.str(), "--ja");
  EXPECT_EQ(ja.status, 0) << ja.ausgabe;
  EXPECT_NE(ja.ausgabe.find("[Dialog] Datensicherung durchgeführt ? -> Ja\n"), std::string::npos)
      << ja.ausgabe;
  // Every line of REORG.LOG was printed, in its order.
  std::string log = platform::toUtf8(programm.read("REORG.LOG"));
  std::erase(log, '\r');
  EXPECT_NE(ja.ausgabe.find(log), std::string::npos) << ja.ausgabe;
  EXPECT_TRUE(log.ends_with("  Reorganisation beendet\n"));
  EXPECT_EQ(tabelleLesen(jahrDaten(), "Ann.DB")[0][0], "101234567");
}

}  // namespace
}  // namespace riviza::test
