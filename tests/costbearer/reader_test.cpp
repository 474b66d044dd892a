// The reader's rules on single cost bearers, in memory: validity, release characters, address
// choice, references, link buffers and their caps, unfinished cost bearers.
#include "costbearer/kosttr_reader.h"

#include <gtest/gtest.h>

#include "fixtures.h"

namespace riviza::costbearer {
namespace {

using test::crlfLines;
using test::latin1;
using test::message;
using test::segmentFile;

constexpr DateNumber kToday = 20250615;

ReadOutput readOne(Basis basis, std::string_view fileName, const std::vector<std::string>& lines,
                   Status* status = nullptr) {
  ReadOutput out;
  CostBearerReader reader(basis, kToday, out);
  Status s = reader.readFile(fileName, segmentFile(lines));
  if (status) *status = s;
  else EXPECT_TRUE(s.ok()) << s.error().describe();
  return out;
}

std::vector<std::string> repeat(const std::string& line, int n) { return std::vector<std::string>(n, line); }
std::vector<std::string> concat(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct Expect {
  Column column;
  std::string value;  // UTF-8, compared with the trimmed column
};

struct Case {
  const char* name;
  Basis basis;
  const char* fileName;
  std::vector<std::string> segments;  // of one cost bearer, IDK first
  bool valid;                         // main line in the work text, else in the log
  std::vector<Expect> main;
  std::vector<std::string> linkTypes;  // types of the link lines, in order
};

const Column kRef = mainColumn(MainField::Verweis);
const Column kP02 = mainColumn(MainField::Partner02);
const Column kP03 = mainColumn(MainField::Partner03);
const Column kKurz = mainColumn(MainField::Kurzname);
const Column kName1 = mainColumn(MainField::Name1);
const Column kName2 = mainColumn(MainField::Name2);
const Column kPlz = mainColumn(MainField::Plz);
const Column kOrt = mainColumn(MainField::Ort);
const Column kStrasse = mainColumn(MainField::Strasse);
const Column kKind = mainColumn(MainField::Kassenart);
const Column kPapier = mainColumn(MainField::Papierannahme);

const std::string kIdk = "IDK+101234567+04+Kurz'";
const std::string kVkg02 = "VKG+02+100000002+5++07++01++00'";
const std::string kVkg03 = "VKG+03+100000003+5++07++01++00'";
const std::string kVkg09 = "VKG+09+100000009+5++21+1+01++00'";
const std::string kAns1 = "ANS+1+11111+Eins+Weg 1'";
const std::string kAns2 = "ANS+2+22222+Zwei+Weg 2'";
const std::string kAns3 = "ANS+3+33333+Drei+Weg 3'";

const Case kCases[] = {
    {"to-date yesterday after VKG+03 drops that link and logs the rest", Basis::S302, "AO05.ke0",
     {kIdk, kVkg02, kVkg03, "VDT+20240101+20250614'"}, false, {{kP03, "100000003"}}, {"02"}},
    {"to-date today stays valid", Basis::S302, "AO05.ke0", {kIdk, kVkg03, "VDT+20240101+20250615'"}, true, {},
     {"03"}},
    {"13-byte from-date tomorrow is not yet valid", Basis::S302, "AO05.ke0", {kIdk, "VDT+20250616'"}, false, {},
     {}},
    {"22-byte from-date in the future, to-date not passed: valid", Basis::S302, "AO05.ke0",
     {kIdk, "VDT+20990101+20991231'"}, true, {}, {}},
    {"VDT of another length is passed over", Basis::S302, "AO05.ke0", {kIdk, kVkg02, "VDT+2099'"}, true, {},
     {"02"}},
    {"VDT with blanks around is trimmed first", Basis::S302, "AO05.ke0", {kIdk, "VDT+20250616'  "}, false, {},
     {}},
    {"release in IDK keeps the element whole, without ?", Basis::S302, "AO05.ke0",
     {"IDK+101234567+99+R?+V BKK'", "NAM+01+R?+V+Betriebs?+kasse+N?'3'"}, true,
     {{kKurz, "R+V BKK"}, {kName1, "R+V"}, {kName2, "Betriebs?+kasse"}}, {}},
    {"release in ANS splits", Basis::S302, "AO05.ke0", {kIdk, "ANS+1+11111+Ort?+Weg+Nr'"}, true,
     {{kOrt, "Ort?"}, {kStrasse, "Weg"}}, {}},
    {"§302 bare-number street takes ANS+2", Basis::S302, "AO05.ke0",
     {kIdk, "ANS+1+11111+Eins+41120'", kAns2, kAns3}, true, {{kPlz, "22222"}}, {}},
    {"§302 bare-number streets take ANS+3", Basis::S302, "AO05.ke0",
     {kIdk, "ANS+1+11111+Eins+41120'", "ANS+2+22222+Zwei+12,5'", kAns3}, true, {{kPlz, "33333"}}, {}},
    {"§302 keeps ANS+1 with a street", Basis::S302, "AO05.ke0", {kIdk, kAns1, kAns2, kAns3}, true,
     {{kPlz, "11111"}}, {}},
    {"§302 takes ANS+2 when PLZ and town are empty", Basis::S302, "AO05.ke0",
     {kIdk, "ANS+1+++Weg'", kAns2}, true, {{kOrt, "Zwei"}}, {}},
    {"§302 never trades a usable address for an empty one", Basis::S302, "AO05.ke0",
     {kIdk, "ANS+1+35387+Gießen+41120'"}, true, {{kPlz, "35387"}, {kOrt, "Gießen"}, {kStrasse, "41120"}}, {}},
    {"§302 address without PLZ and town is replaced even by an empty one", Basis::S302, "AO05.ke0",
     {kIdk, "ANS+1+++Weg'"}, true, {{kStrasse, ""}}, {}},
    {"§300 complete ANS+1 and ANS+2 takes ANS+2", Basis::S300, "AO03.ke0", {kIdk, kAns1, kAns2}, true,
     {{kPlz, "22222"}}, {}},
    {"§300 last complete address wins", Basis::S300, "AO03.ke0", {kIdk, kAns1, kAns2, kAns3}, true,
     {{kPlz, "33333"}}, {}},
    {"§300 incomplete ANS+2 does not replace a complete ANS+1", Basis::S300, "AO03.ke0",
     {kIdk, kAns1, "ANS+2+22222+Zwei'"}, true, {{kPlz, "11111"}}, {}},
    {"§105 address without town is replaced", Basis::S105, "AO06.ke0", {kIdk, "ANS+1+11111++Weg'", kAns2}, true,
     {{kOrt, "Zwei"}}, {}},
    {"§105 address without town is replaced even by an empty one", Basis::S105, "AO06.ke0",
     {kIdk, "ANS+1+11111++Weg'"}, true, {{kPlz, ""}, {kStrasse, ""}}, {}},
    {"§300 address without PLZ is replaced by an incomplete ANS+3", Basis::S300, "AO03.ke0",
     {kIdk, "ANS+1++Eins+Weg 1'", "ANS+3+++Weg 3'"}, true, {{kOrt, ""}, {kStrasse, "Weg 3"}}, {}},
    {"§105 without VKG+01 refers to itself", Basis::S105, "AO06.ke0", {kIdk}, true, {{kRef, "101234567"}}, {}},
    {"§105 VKG+01 replaces the own IK", Basis::S105, "AO06.ke0", {kIdk, "VKG+01+109999999+5'"}, true,
     {{kRef, "109999999"}}, {}},
    {"§302 last VKG+01 wins, partners in columns 30-49", Basis::S302, "AO05.ke0",
     {kIdk, "VKG+01+100000001'", "VKG+01+100000011'", kVkg02, kVkg03}, true,
     {{kRef, "100000011"}, {kP02, "100000002"}, {kP03, "100000003"}}, {"02", "03"}},
    {"§300 VKG+09 passed over, VKG+04 paper office, institution type", Basis::S300, "AO03.ke0",
     {kIdk, kVkg09, "VKG+04+100000004'", kVkg02}, true,
     {{kP02, ""}, {kP03, "04"}, {kPapier, "100000004"}, {kKind, "AO"}}, {"02"}},
    {"§300 bn file: first VKG+01 wins, type 04 with 21 adds an 03 line", Basis::S300, "Bn03.ke0",
     {kIdk, "VKG+01+100000001+5++21+1+01++00'", "VKG+01+100000011+5++23'", "VKG+01+100000021+5++22'"}, true,
     {{kRef, "100000001"}, {kKind, "Bn"}}, {"03", "03"}},
    {"§300 bn rule needs institution type 04", Basis::S300, "bn03.ke0",
     {"IDK+101234567+99+Kurz'", "VKG+01+100000001+5++21'"}, true, {{kRef, "100000001"}}, {}},
    {"§300 other files: last VKG+01 wins, no extra line", Basis::S300, "ab03.ke0",
     {kIdk, "VKG+01+100000001+5++21'", "VKG+01+100000011+5++23'"}, true, {{kRef, "100000011"}}, {}},
    {"no NAM: empty names", Basis::S302, "AO05.ke0", {kIdk}, true, {{kName1, ""}, {kName2, ""}}, {}},
    {"links are written 02, 03, 09 whatever their order", Basis::S302, "AO05.ke0",
     {kIdk, kVkg09, kVkg03, kVkg02, kVkg09}, true, {}, {"02", "03", "09", "09"}},
};

TEST(Reader, OneCostBearer) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ReadOutput out = readOne(c.basis, c.fileName, message(c.segments));
    std::vector<std::string> lines = crlfLines(c.valid ? out.work : out.log);
    EXPECT_TRUE((c.valid ? out.log : out.work).empty());
    ASSERT_EQ(lines.size(), 1 + c.linkTypes.size());
    FixedColumns mainLine(lines[0]);
    EXPECT_EQ(lines[0].size(), kMainLineWidth);
    for (const Expect& e : c.main) EXPECT_EQ(mainLine.trimmed(e.column.first, e.column.last()), e.value);
    for (size_t i = 0; i < c.linkTypes.size(); ++i) {
      EXPECT_EQ(lines[i + 1].substr(0, 13), "101234567 " + c.linkTypes[i] + " ");
      EXPECT_EQ(lines[i + 1].size(), kLinkLineWidth);
    }
    EXPECT_EQ(out.counter, static_cast<int>(c.linkTypes.size()) + (c.valid ? 1 : 0));
    EXPECT_TRUE(out.notes.empty());
  }
}

TEST(Reader, CounterRunsOverValidMainLinesAndEveryLinkLine) {
  ReadOutput out = readOne(Basis::S302, "AO05.ke0",
                           concat({message({"IDK+100000001+99+A'", kVkg02}),
                                   message({"IDK+100000002+99+B'", "VDT+20990101'", kVkg02, kVkg03}),
                                   message({"IDK+100000003+99+C'"})}));
  std::vector<std::string> work = crlfLines(out.work), log = crlfLines(out.log);
  ASSERT_EQ(work.size(), 3u);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(work[0].substr(13, 5), "00000");  // the first main line of a run
  EXPECT_EQ(log[0].substr(13, 5), "00002");   // a logged main line carries, not counts
  EXPECT_EQ(work[2].substr(13, 5), "00004");
  EXPECT_EQ(out.counter, 5);
}

TEST(Reader, CapsFailOnTheHundredthAndFiveHundredthLink) {
  struct CapCase {
    std::string link;
    int count;
    bool fails;
    std::string counters;
  } cases[] = {
      {kVkg02, 99, false, ""},     {kVkg02, 100, true, "100/0/0"}, {kVkg03, 99, false, ""},
      {kVkg03, 100, true, "0/100/0"}, {kVkg09, 499, false, ""},  {kVkg09, 500, true, "0/0/500"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link + " x" + std::to_string(c.count));
    // A VDT that would drop the last link comes too late: the cap is tested after every line.
    auto segs = concat({{kIdk}, repeat(c.link, c.count), {"VDT+19990101+20000101'"}});
    Status s;
    ReadOutput out = readOne(Basis::S302, "AO05.ke0", message(segs), &s);
    EXPECT_EQ(s.ok(), !c.fails);
    if (c.fails) {
      EXPECT_EQ(s.error().code, kTableSizeExceeded);
      EXPECT_EQ(s.error().message, "Annahmenstellen MIT/OHNE/PAPIER Tabellengröße überschritten!  " + c.counters);
    } else {
      EXPECT_EQ(out.counter, c.count - 1);  // invalid: the dropped link is gone, the main line uncounted
    }
  }
}

TEST(Reader, UnfinishedCostBearersGoToTheLogWithANote) {
  // No UNT before the end of the file, and an IDK before the UNT of the one before.
  ReadOutput out = readOne(Basis::S302, "AO05.ke0",
                           {"UNH+1'", "IDK+100000001+99+A'", kVkg02, "UNH+2'", "IDK+100000002+99+B'", kVkg03,
                            "UNT+3+2'", "UNH+3'", "IDK+100000003+99+C'", kVkg02});
  std::vector<std::string> work = crlfLines(out.work), log = crlfLines(out.log);
  ASSERT_EQ(work.size(), 2u);
  EXPECT_EQ(work[0].substr(0, 12), "100000002 01");
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].substr(0, 12), "100000001 01");
  EXPECT_EQ(log[1].substr(0, 12), "100000001 02");
  EXPECT_EQ(log[2].substr(0, 12), "100000003 01");
  EXPECT_EQ(out.notes, (std::vector<std::string>{
                           "Kostenträger ohne UNT in das Protokoll geschrieben: IK 100000001, AO05.ke0 Zeile 2",
                           "Kostenträger ohne UNT in das Protokoll geschrieben: IK 100000003, AO05.ke0 Zeile 9"}));
}

TEST(Reader, VdtWithoutEightDigitsIsNotedAndPassedOver) {
  ReadOutput out =
      readOne(Basis::S302, "AO05.ke0", message({kIdk, "VDT+2025061X'", "VDT+20240101+2025O614'"}));
  EXPECT_EQ(crlfLines(out.work).size(), 1u);
  ASSERT_EQ(out.notes.size(), 2u);
  EXPECT_EQ(out.notes[0], "VDT ohne gültiges Datum übergangen: AO05.ke0 Zeile 3: VDT+2025061X'");
}

TEST(Reader, UmlautsStayOneByteAndCostBearersNeverSpanFiles) {
  ReadOutput out;
  CostBearerReader reader(Basis::S302, kToday, out);
  ASSERT_TRUE(reader.readFile("ÄK05.ke0", segmentFile({"IDK+101234567+99+Kurz'", "NAM+01+Müßig Süd'"})).ok());
  ASSERT_TRUE(reader.readFile("ek05.ke0", segmentFile({"UNT+1+1'"})).ok());
  std::vector<std::string> log = crlfLines(out.log);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].size(), kMainLineWidth);
  EXPECT_EQ(FixedColumns(log[0]).trimmed(80, 109), "Müßig Süd");
  EXPECT_EQ(FixedColumns(log[0]).text(170, 171), "ÄK");
  EXPECT_EQ(columns(log[0], 170, 171), latin1("ÄK"));
  EXPECT_TRUE(out.work.empty());
}

}  // namespace
}  // namespace riviza::costbearer
