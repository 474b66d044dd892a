// The published cost-bearer files of the shared test data (read in place, never changed): every
// IDK comes out exactly once, in the work file or in the log; lines keep their widths; umlauts
// arrive in UTF-8; no cap is hit; the lookups answer from the loaded tables.
#include <gtest/gtest.h>

#include <map>

#include "costbearer/abr_tools.h"
#include "costbearer/interchange.h"
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

// Copies of a published file as transfers, full disks and editors leave them: a damaged one
// fails the run with its name, line and what broke, and leaves no work file and no table; line
// ends of another kind, a last one or a blank line at the end read as the original.
TEST_F(RealFiles, DamagedCopiesAreRefusedByNameAndLine) {
  const std::string ao05 = test::publishedFile("AO05Q425.ke0");
  auto zeilen = [&](size_t von, size_t bis, std::string_view neu = {}) {  // lines von..bis (1-based) replaced
    size_t a = 0, b;
    for (size_t i = 1; i < von; ++i) a = ao05.find('\n', a) + 1;
    b = a;
    for (size_t i = von; i <= bis; ++i) b = ao05.find('\n', b) + 1;
    return ao05.substr(0, a) + std::string(neu) + ao05.substr(b);
  };
  std::string crlf;
  for (char c : ao05) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  struct Case {
    const char* what;
    std::string bytes;
    std::string fault;  // after "Kostenträgerdatei beschädigt: AO05Q425.ke0, "; empty: reads as the original
  } cases[] = {
      {"cut by head -c 40000", ao05.substr(0, 40000),
       "Zeile 1401: die Datei endet mitten im Segment, sie ist unvollständig"},
      {"cut right after the 100th UNT", test::cutAfterUnt(ao05, 100),
       "Zeile 1342: die Datei endet ohne UNZ, sie ist unvollständig"},
      {"200 bytes garbled", test::garbled(ao05, 20000, 200), "Zeile 681: keine Segmentzeile"},
      {"87 KB of random bytes", test::RandomBytes(87000, 9),
       "Zeile 1: die Datei beginnt nicht mit UNB, sie ist keine Kostenträgerdatei"},
      {"no EDIFACT", "kein EDIFACT",
       "Zeile 1: die Datei beginnt nicht mit UNB, sie ist keine Kostenträgerdatei"},
      {"empty", "", "Zeile 1: die Datei ist leer"},
      {"a segment gone", zeilen(6, 6), "Zeile 12: UNT zählt 000011 Segmente, die Nachricht hat 10"},
      {"a second IDK", zeilen(6, 6, "IDK+100295018+99+Zweite'\n"),
       "Zeile 13: die Nachricht ab Zeile 3 hat 2 IDK-Segmente statt einem"},
      {"a message gone", zeilen(3, 13), "Zeile 2523: UNZ zählt 000206 Nachrichten, die Datei hat 205"},
      {"a message without UNT", zeilen(13, 13), "Zeile 13: UNH vor dem UNT der Nachricht ab Zeile 3"},
      {"UNT of another message", zeilen(13, 13, "UNT+000011+00002'\n"),
       "Zeile 13: UNT nennt die Nachricht 00002, UNH 00001"},
      {"UNZ of another interchange", ao05.substr(0, ao05.size() - 3) + "95'",
       "Zeile 2534: UNZ nennt die Übertragung 00395, UNB 00394"},
      {"another separator in UNA", zeilen(1, 1, "UNA:*,? '\n"),
       "Zeile 1: UNA nennt andere Trennzeichen als + ' ?"},
      {"a second interchange after UNZ", ao05 + "\n" + ao05, "Zeile 2535: Text nach UNZ"},
      {"CR LF line ends", crlf, ""},
      {"a final line end", ao05 + "\n", ""},
      {"a blank line at the end", ao05 + "\r\n", ""},
  };
  ASSERT_TRUE(ao05.ends_with("UNZ+000206+00394'"));  // without a final line end
  auto lesen = [&](const std::string& bytes) {
    prog_.write("daten/Kosttr/AO05Q425.ke0", bytes);
    return test::einlesen(Basis::S302, prog_.str() + "\\", prog_.str() + "/daten\\", "");
  };
  ASSERT_TRUE(lesen(ao05).ok());
  const std::string original = temp("Kosttr302.txt");
  ASSERT_EQ(test::crlfLines(original).size(), 837u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const KosttrLeseErgebnis r = lesen(c.bytes);
    if (c.fault.empty()) {
      ASSERT_TRUE(r.ok()) << r.status.error().describe();
      EXPECT_EQ(r.kostentraeger, 206);
      EXPECT_EQ(temp("Kosttr302.txt"), original);
      continue;
    }
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status.error().code, costbearer::kDamaged);
    EXPECT_EQ(r.status.error().message, "Kostenträgerdatei beschädigt: AO05Q425.ke0, " + c.fault);
    EXPECT_EQ(temp("Kosttr302.txt"), "");
    EXPECT_EQ(Kosttr302Tabelle().size(), 0u);
  }
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
