// The lookups by IK: their answer rules on hand-made tables, walked both through the index and
// by the scan, and a differential test of the two on random tables.
#include "costbearer/kosttr_lookups.h"

#include <gtest/gtest.h>
#include <random>

#include "costbearer/abr_tools.h"
#include "fixtures.h"

namespace riviza::costbearer {
namespace {

std::string mainLine(std::string ik, std::string kind, std::string verweis = "", std::string inst = "",
                     std::string papier = "") {
  using F = MainField;
  return test::MainLine{{{F::Ik, ik}, {F::Kassenart, kind}, {F::Verweis, verweis}, {F::Partner03, inst},
                         {F::Papierannahme, papier}, {F::Kurzname, "Kurz " + ik + " " + kind},
                         {F::Name2, "Zwei"}, {F::Name3, "Drei"}}}
      .format();
}

std::string link(std::string ik, std::string type, std::string partner, std::string region, std::string gruppe,
                 std::string delivery = "07", std::string kv = "", std::string e4 = "5", std::string e7 = "") {
  return test::LinkLine{ik, type, partner, e4, delivery, e7, region, kv, gruppe}.format();
}

KosttrTabelle tableOf(const std::vector<std::string>& lines, Search how, int scanLength = -1) {
  std::string bytes;
  for (const auto& l : lines) bytes += l + "\r\n";
  KosttrTabelle t;
  t.load(bytes, scanLength < 0 ? static_cast<int>(lines.size()) : scanLength);
  t.setSearch(how);
  return t;
}

const char* const kIk = "101111111";
const char* const kOther = "102222222";

class Lookups : public testing::TestWithParam<Search> {
 protected:
  KosttrTabelle table(const std::vector<std::string>& lines, int scanLength = -1) const {
    return tableOf(lines, GetParam(), scanLength);
  }
};

TEST_P(Lookups, MainLineRules) {
  KosttrTabelle t = table({mainLine(kOther, "AO"), mainLine(kIk, "AB", "100000001"), mainLine(kIk, "EK", "100000002"),
                           mainLine(kOther, "AB", "", "04", "100000004")});
  struct Case {
    MainFilter filter;
    std::string ik, argument;
    Column result;
    std::string answer;
  } cases[] = {
      {MainFilter::KindNotAB, kIk, "", {170, 2}, "EK"},  // "AB" first: the second kind answers
      {MainFilter::KindNotAB, "109999999", "", {170, 2}, ""},
      {MainFilter::Any, kIk, "", {20, 9}, "100000001"},  // the first main line, whatever its kind
      {MainFilter::KindEquals, kIk, "EK", {20, 9}, "100000002"},
      {MainFilter::KindEquals, kIk, "  ", {20, 9}, "100000001"},  // a blank kind takes the first
      {MainFilter::KindEquals, kIk, "BK", {20, 9}, ""},
      {MainFilter::Einrichtung04, kOther, "", {1, 9}, kOther},
      {MainFilter::Einrichtung04, kIk, "", {1, 9}, ""},
      {MainFilter::Any, kOther, "", {172, 9}, "         "},  // columns as they stand: no paper office
      {MainFilter::Any, "10111111", "", {1, 9}, ""},  // an IK of 8 characters matches no key
  };
  for (const auto& c : cases)
    EXPECT_EQ(mainLineLookup(t, c.ik, c.filter, c.argument, c.result), c.answer) << c.ik << " " << c.argument;
  KosttrTabelle onlyAB = table({mainLine(kIk, "AB"), mainLine(kIk, "AB")});
  EXPECT_EQ(mainLineLookup(onlyAB, kIk, MainFilter::KindNotAB, "", {170, 2}), "");
  FixedColumns block = addressLookup(t, kIk, MainFilter::KindEquals, "EK", kLongAddressBlock);
  EXPECT_EQ(block.size(), 192u);
  EXPECT_EQ(block.trimmed(1, 30), "Kurz 101111111 EK");
  EXPECT_EQ(block.trimmed(163, 192), "Drei");
  EXPECT_TRUE(addressLookup(t, kIk, MainFilter::KindEquals, "BK", kLongAddressBlock).empty());
}

TEST_P(Lookups, PrioritySearchOrderAndBlocks) {
  struct Case {
    const char* name;
    std::vector<std::string> links;  // " 03" lines of kIk after its main line
    std::string gruppe, region, answer;
  } cases[] = {
      {"99 wins over 00", {link(kIk, "03", "100000000", "  ", "00"), link(kIk, "03", "100000099", "  ", "99")}, "21",
       "01", "100000099"},
      {"first digit wins over 99",
       {link(kIk, "03", "100000099", "  ", "99"), link(kIk, "03", "100000020", "  ", "20")}, "21", "01",
       "100000020"},
      {"exact wins over first digit",
       {link(kIk, "03", "100000021", "01", "21"), link(kIk, "03", "100000020", "  ", "20")}, "21", "01",
       "100000021"},
      {"group 52: 50 is no first-digit match", {link(kIk, "03", "100000050", "  ", "50")}, "52", "01", ""},
      {"group 61: 60 is no first-digit match", {link(kIk, "03", "100000060", "  ", "60")}, "61", "01", ""},
      {"a later line replaces an earlier one",
       {link(kIk, "03", "100000001", "  ", "99"), link(kIk, "03", "100000002", "99", "99")}, "21", "01",
       "100000002"},
      {"other region passed over", {link(kIk, "03", "100000021", "02", "21")}, "21", "01", ""},
      {"empty region: only blank and 99 regions",
       {link(kIk, "03", "100000001", "01", "21"), link(kIk, "03", "100000002", "99", "00")}, "21", "", "100000002"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {mainLine(kIk, "AO")};
    lines.insert(lines.end(), c.links.begin(), c.links.end());
    lines.push_back(mainLine(kOther, "AO"));
    EXPECT_EQ(prioritySearch(table(lines), kIk, " 03", "", {c.region, "", c.gruppe}), c.answer);
    // The block as the last of the table still answers.
    lines.pop_back();
    EXPECT_EQ(prioritySearch(table(lines), kIk, " 03", "", {c.region, "", c.gruppe}), c.answer);
  }
  // Only the first block of the IK counts.
  KosttrTabelle two = table({mainLine(kIk, "AO"), link(kIk, "03", "100000001", "  ", "00"), mainLine(kIk, "EK"),
                             link(kIk, "03", "100000021", "  ", "21")});
  EXPECT_EQ(prioritySearch(two, kIk, " 03", "", {"01", "", "21"}), "100000001");
  EXPECT_EQ(prioritySearch(two, kOther, " 03", "", {"01", "", "21"}), "");
}

TEST_P(Lookups, PaperSearchesFilterDeliveryCodes) {
  KosttrTabelle t = table({mainLine(kIk, "AO"), link(kIk, "09", "100000021", "  ", "21", "21"),
                           link(kIk, "09", "100000026", "  ", "21", "26"), link(kIk, "09", "100000028", "  ", "99", "28"),
                           mainLine(kOther, "AO")});
  EXPECT_EQ(prioritySearch(t, kIk, " 09", "21", {"01", "", "21"}), "100000021");
  EXPECT_EQ(prioritySearch(t, kIk, " 09", "26", {"01", "", "21"}), "100000026");
  EXPECT_EQ(prioritySearch(t, kIk, " 09", "27", {"01", "", "21"}), "100000028");  // "28" serves all three
}

TEST_P(Lookups, FullLineRuleForTheCallersRegion) {
  std::string shortLine = link(kIk, "03", "100000021", "01", "21").substr(0, 36);  // group cut off
  std::string shortNinetyNine = link(kIk, "03", "100000099", "99", "99").substr(0, 37);
  KosttrTabelle t = table({mainLine(kIk, "AO"), shortLine, shortNinetyNine});
  // A data search takes the caller's own region only from a full line; "99" from any.
  EXPECT_EQ(firstLinkSearch(t, kIk, FirstLinkRule::Daten3, {"01", "", "9"}), "100000099");
  EXPECT_EQ(firstLinkSearch(t, kIk, FirstLinkRule::Daten3, {"01", "", "2"}), "");
}

TEST_P(Lookups, FirstLinkRules) {
  KosttrTabelle t = table({
      mainLine(kIk, "AO"),
      link(kIk, "02", "200000072", "01", "21", "07", "72"),
      link(kIk, "02", "200000071", "01", "21", "07", ""),
      link(kIk, "02", "200000099", "01", "99"),
      link(kIk, "02", "200000000", "  ", "99"),
      link(kIk, "03", "300000001", "02", "99"),
      link(kIk, "03", "300000002", "99", "99"),
      link(kIk, "03", "300000003", "01", "31"),
  });
  struct Case {
    FirstLinkRule rule;
    OfficeQuery q;
    std::string answer;
  } cases[] = {
      {FirstLinkRule::Entschluesselung, {"01", "71", "21"}, "200000071"},  // district 72 passed over
      {FirstLinkRule::Entschluesselung, {"01", "72", "21"}, "200000072"},
      {FirstLinkRule::Entschluesselung, {"01", "", "21"}, "200000071"},    // no own district: blank only
      {FirstLinkRule::Entschluesselung, {"01", "", "25"}, "200000071"},    // same first digit
      {FirstLinkRule::Entschluesselung, {"03", "", "51"}, ""},             // other region, no "  "/"99" fit
      {FirstLinkRule::Entschluesselung99, {"01", "", "51"}, "200000099"},
      {FirstLinkRule::Entschluesselung99, {"", "", "51"}, ""},  // an empty region finds nothing here
      {FirstLinkRule::Daten2, {"01", "", "21"}, "300000002"},   // region 02 not accepted
      {FirstLinkRule::Daten2, {"02", "", "xx"}, "300000001"},   // whatever the provider group
      {FirstLinkRule::Daten3, {"01", "", "35"}, "300000003"},
      {FirstLinkRule::Daten3, {"01", "", ""}, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(firstLinkSearch(t, kIk, c.rule, c.q), c.answer) << static_cast<int>(c.rule) << " " << c.q.region
                                                               << "/" << c.q.kvBezirk << "/" << c.q.gruppe;
}

TEST_P(Lookups, Datenannahme300Rules) {
  KosttrTabelle t = table({mainLine(kIk, "AO"), link(kIk, "03", "300000001", "", "", "02", "", "5"),
                           link(kIk, "03", "300000002", "", "", "07", "", "5", "2"),
                           link(kIk, "03", "300000003", "", "", "07", "", "5", "1"),
                           link(kIk, "03", "300000004", "", "", "01", "", "3")});
  EXPECT_EQ(datenannahme300(t, kIk, "5"), "300000003");
  EXPECT_EQ(datenannahme300(t, kIk, "3"), "300000004");
  EXPECT_EQ(datenannahme300(t, kIk, "4"), "");
}

TEST_P(Lookups, EntriesAtAndBeyondTheScanLengthAreNotLookedAt) {
  std::vector<std::string> lines = {mainLine(kOther, "AO"), mainLine(kIk, "AO", "100000001")};
  EXPECT_EQ(mainLineLookup(table(lines, 1), kIk, MainFilter::Any, "", {20, 9}), "");
  EXPECT_EQ(mainLineLookup(table(lines, 2), kIk, MainFilter::Any, "", {20, 9}), "100000001");
  KosttrTabelle empty;
  empty.setSearch(GetParam());
  EXPECT_EQ(mainLineLookup(empty, kIk, MainFilter::Any, "", {1, 9}), "");
  EXPECT_EQ(prioritySearch(empty, kIk, " 09", "21", {"", "", ""}), "");
}

INSTANTIATE_TEST_SUITE_P(IndexAndScan, Lookups, testing::Values(Search::Index, Search::Scan));

// Random tables with few IKs, repeated blocks and every value the rules tell apart: every lookup
// answers the same through the index as by the scan.
TEST(LookupsDifferential, IndexAnswersLikeTheScan) {
  std::mt19937 rng(20250615);
  auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
  const std::vector<std::string> iks = {"101111111", "102222222", "103333333", "104444444"};
  const std::vector<std::string> regions = {"", "01", "02", "99"}, groups = {"", "00", "99", "20", "21", "50", "52", "31"};
  const std::vector<std::string> deliveries = {"01", "07", "21", "26", "27", "28"}, kvs = {"", "71", "72"};
  const std::vector<std::string> kinds = {"AO", "AB", "EK"}, types = {"02", "03", "09"};
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines;
    int bearers = 1 + rng() % 6;
    for (int b = 0; b < bearers; ++b) {
      std::string ik = pick(iks);
      lines.push_back(mainLine(ik, pick(kinds), rng() % 2 ? pick(iks) : "", rng() % 3 ? "99" : "04"));
      int links = rng() % 7;
      for (int l = 0; l < links; ++l)
        lines.push_back(link(ik, pick(types), pick(iks), pick(regions), pick(groups), pick(deliveries), pick(kvs),
                             rng() % 2 ? "5" : "3", rng() % 2 ? "1" : ""));
    }
    int scanLength = std::max(0, static_cast<int>(lines.size()) + static_cast<int>(rng() % 5) - 2);
    KosttrTabelle index = tableOf(lines, Search::Index, scanLength);
    KosttrTabelle scan = tableOf(lines, Search::Scan, scanLength);
    for (const std::string& ik : iks) {
      for (MainFilter f : {MainFilter::Any, MainFilter::KindNotAB, MainFilter::Einrichtung04, MainFilter::KindEquals})
        EXPECT_EQ(mainLineLookup(index, ik, f, "EK", {1, 241}), mainLineLookup(scan, ik, f, "EK", {1, 241}));
      EXPECT_EQ(datenannahme300(index, ik, "5"), datenannahme300(scan, ik, "5"));
      for (const std::string& region : regions) {
        for (const std::string& gruppe : groups) {
          OfficeQuery q{region, kvs[rng() % kvs.size()], gruppe};
          for (const char* type : {" 03", " 09"})
            for (const char* delivery : {"", "21", "26", "27"})
              EXPECT_EQ(prioritySearch(index, ik, type, delivery, q), prioritySearch(scan, ik, type, delivery, q));
          for (FirstLinkRule r : {FirstLinkRule::Daten2, FirstLinkRule::Daten3, FirstLinkRule::Entschluesselung,
                                  FirstLinkRule::Entschluesselung99})
            EXPECT_EQ(firstLinkSearch(index, ik, r, q), firstLinkSearch(scan, ik, r, q));
          ++compared;
        }
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

TEST(IstDatum, GermanShortDates) {
  struct Case {
    const char* text;
    bool date;
  } cases[] = {{"01.02.2024", true}, {"1.2.24", true}, {"29.02.2024", true}, {"29.02.2023", false},
               {"31.04.2024", false}, {"", false}, {"2024-02-01", false}, {"01.02", true}, {"01.", false}};
  for (const auto& c : cases) EXPECT_EQ(IstDatum(c.text), c.date) << c.text;
}

}  // namespace
}  // namespace riviza::costbearer
