// The published cost-bearer files of the shared test data (read in place, never changed): every
// IDK comes out exactly once, in the work file or in the log; lines keep their widths; umlauts
// arrive in UTF-8; no cap is hit; the lookups answer from the loaded tables.
#include <gtest/gtest.h>
#include <map>

#include "costbearer/abr_tools.h"
#include "costbearer/kosttr_reader.h"
#include "costbearer/segment.h"
#include "fixtures.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

using costbearer::Basis;

// IK -> number of IDK segments in the files of the basis.
std::map<std::string, int> idkCounts(const std::string& mask) {
  std::map<std::string, int> counts;
  for (const auto& e : platform::listDirectory(test::testData("kosttr").string(), mask)) {
    std::string bytes = test::readNative(test::testData("kosttr") / e.name);
    costbearer::LineSplitter lines(bytes);
    std::string_view line;
    while (lines.next(line))
      if (line.substr(0, 3) == "IDK") ++counts[std::string(line.substr(4, 9))];
  }
  return counts;
}

class RealFiles : public testing::Test {
 protected:
  void SetUp() override {
    prog_.mkdir("Temp");
    // The readers look for <data root><year path>Kosttr\; the shared folder is spelled "kosttr".
    daten_ = test::testData().string() + "\\";
  }
  KosttrLeseErgebnis run(Basis basis) { return test::einlesen(basis, prog_.str() + "\\", daten_, ""); }
  std::string temp(const char* name) const { return prog_.read(std::string("Temp/") + name); }

  test::TempDir prog_;
  std::string daten_;
  platform::FixedClock clock_{platform::DateTime{2025, 11, 1}};
  platform::ScopedClock useClock_{clock_};
  ui::ScriptedDialogs dialogs_;
};

TEST_F(RealFiles, EveryIdkOnceAndFixedWidths) {
  struct Case {
    Basis basis;
    const char* mask;
    size_t bearers;
  } cases[] = {{Basis::S302, "??05*.ke?", 206 + 261}, {Basis::S105, "??06*.ke?", 188 + 182 + 328}};
  for (const auto& c : cases) {
    const auto& rules = costbearer::rulesFor(c.basis);
    SCOPED_TRACE(rules.workFile);
    KosttrLeseErgebnis r = run(c.basis);
    ASSERT_TRUE(r.ok()) << r.status.error().describe();
    EXPECT_TRUE(r.notes.empty());
    std::map<std::string, int> written;
    size_t lineCount = 0, logMainLines = 0;
    for (const char* file : {rules.workFile, rules.logFile}) {
      std::string text = temp(file);
      ASSERT_TRUE(text.empty() || text.ends_with("\r\n"));
      for (const std::string& line : test::crlfLines(text)) {
        bool main = line.substr(10, 2) == "01";
        EXPECT_EQ(line.size(), main ? 241u : 38u) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        ++lineCount;
        if (main) {
          ++written[line.substr(0, 9)];
          if (file == rules.logFile) ++logMainLines;
        }
      }
    }
    std::map<std::string, int> expected = idkCounts(c.mask);
    EXPECT_EQ(written, expected);
    size_t total = 0;
    for (const auto& [ik, n] : expected) total += n;
    EXPECT_EQ(total, c.bearers);
    // Every line but the logged main lines counts.
    EXPECT_EQ(static_cast<size_t>(r.counter), lineCount - logMainLines);
    EXPECT_TRUE(dialogs_.transcript().empty());  // no cap was hit
  }
  // The year holds no §300 files: an empty run.
  KosttrLeseErgebnis r300 = run(Basis::S300);
  EXPECT_TRUE(r300.ok());
  EXPECT_EQ(r300.counter, 0);
  EXPECT_EQ(temp("Kosttr300.txt"), "");
}

TEST_F(RealFiles, LookupsAnswerInUtf8) {
  ASSERT_TRUE(run(Basis::S302).ok());
  ASSERT_TRUE(run(Basis::S105).ok());
  struct Case {
    FixedColumns block;
    size_t first, last;
    std::string value;
  } cases[] = {
      // The office keeps its only address although its street is a PO box number.
      {Kosttr302Adresse("105413179", ""), 31, 60, "MPZ Häusliche Krankenpflege"},
      {Kosttr302Adresse("105413179", ""), 61, 65, "35387"},
      {Kosttr302Adresse("105413179", ""), 66, 90, "Gießen"},
      {Kosttr302Adresse("105413179", ""), 91, 120, "41120"},
      {Kosttr302Adresse("100295017", ""), 91, 120, "Luisenstraße 64"},
      {Kosttr302AdresseLang("100395611", "AO"), 133, 162, "Region Mecklenburg-Vorpommern"},
      {Kosttr105Adresse("105823040"), 1, 30, "R+V BKK"},  // release character removed
      {Kosttr105Adresse("105823040"), 31, 60, "R+V"},
      {Kosttr105Adresse("105823040"), 133, 162, "Betriebskrankenkasse"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.block.trimmed(c.first, c.last), c.value);
  EXPECT_EQ(Kosttr302Adresse("100395611", "").size(), 162u);
  EXPECT_EQ(Kosttr302AdresseLang("100395611", "AO").size(), 192u);
  EXPECT_EQ(Kosttr302Kassenart("100395611"), "AO");
  EXPECT_EQ(Kosttr302Verweis("100395611"), "100395611");
  EXPECT_TRUE(Kosttr302Adresse("999999999", "").empty());
  // Its only data link is for provider group 00 in every region.
  EXPECT_EQ(Datenannahme302Suchen("100395611", "01", "", "21"), "100395611");
  EXPECT_EQ(Datenannahme302Suchen2("100395611", "01", "", "21"), "");
  EXPECT_EQ(Kosttr302Tabelle().scanLength(), Kosttr302Tabelle().size() - 2);
}

}  // namespace
}  // namespace riviza
