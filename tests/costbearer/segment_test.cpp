// Segment splitting, line splitting, byte columns and the fixed widths of work-file lines.
#include "costbearer/segment.h"

#include <gtest/gtest.h>

#include "costbearer/column_text.h"
#include "costbearer/work_lines.h"
#include "fixtures.h"

namespace riviza::costbearer {
namespace {

TEST(Segment, ElementsByReleaseRule) {
  struct Case {
    std::string line;
    Release release;
    size_t k;
    std::string element;
  } cases[] = {
      {"IDK+100295017+99+gkv informatik'", Release::Honoured, 1, "IDK"},
      {"IDK+100295017+99+gkv informatik'", Release::Honoured, 4, "gkv informatik"},
      {"IDK+100295017+99+gkv informatik'", Release::Honoured, 5, ""},  // beyond the last separator
      {"IDK+105823040+99+R?+V BKK'", Release::Honoured, 4, "R?+V BKK"},
      {"ANS+1+123+R?+V+Weg'", Release::Ignored, 4, "R?"},  // no release in ANS: the "+" separates
      {"ANS+1+123+R?+V+Weg'", Release::Ignored, 5, "V"},
      {"NAM+01+a?'b+c'", Release::Honoured, 3, "a?'b"},
      {"NAM+01+a??+b'", Release::Honoured, 3, "a??+b"},  // only the byte before is looked at
      {"VKG+02+100295017+5++07++01++00'", Release::Ignored, 5, ""},  // adjacent separators
      {"VKG+02+100295017+5++07++01++00'", Release::Ignored, 10, "00"},
      {"NAM+01+no terminator", Release::Honoured, 3, ""},  // text behind the last separator
      {"NAM", Release::Honoured, 1, ""},
      {"+", Release::Honoured, 1, ""},
      {"?+", Release::Honoured, 1, ""},  // a shielded "+" is no separator at all
  };
  for (const auto& c : cases)
    EXPECT_EQ(SegmentElements(c.line, c.release)[c.k], c.element) << c.line << " k=" << c.k;
  EXPECT_EQ(SegmentElements("x+y'", Release::Ignored)[0], "");
}

TEST(Segment, WithoutReleaseRemovesEveryQuestionMark) {
  EXPECT_EQ(withoutRelease("R?+V BKK"), "R+V BKK");
  EXPECT_EQ(withoutRelease("??"), "");
  EXPECT_EQ(withoutRelease("plain"), "plain");
}

TEST(Segment, LineEndsCrLfLfCrAndNoFinalEnd) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"", {}},
      {"\n", {""}},
      {"x\r", {"x"}},
  };
  for (const auto& c : cases) {
    LineSplitter s(c.bytes);
    std::vector<std::string> got;
    std::string_view line;
    while (s.next(line)) got.emplace_back(line);
    EXPECT_EQ(got, c.lines) << testing::PrintToString(c.bytes);
    EXPECT_EQ(s.lineNumber(), c.lines.size());
  }
}

TEST(Columns, CopyTrimAndFixedColumns) {
  EXPECT_EQ(copyBytes("abcdef", 2, 3), "bcd");
  EXPECT_EQ(copyBytes("abc", 3, 9), "c");
  EXPECT_EQ(copyBytes("abc", 4, 1), "");
  EXPECT_EQ(copyBytes("abc", 0, 2), "ab");
  EXPECT_EQ(columns("abcdef", 2, 1), "");
  EXPECT_EQ(platform::trimView("\t a \r"), "a");
  FixedColumns block(test::latin1("  Gießen "));
  EXPECT_EQ(block.size(), 9u);  // one byte per character
  EXPECT_EQ(block.trimmed(1, 9), "Gießen");
  EXPECT_EQ(block.text(6, 6), "ß");
  EXPECT_FALSE(block.blank());
  EXPECT_TRUE(FixedColumns("   ").blank());
}

TEST(WorkLines, MainLineColumnsHoldWhateverTheValues) {
  std::string longText(60, 'x');
  using F = MainField;
  test::MainLine m{{{F::Ik, "101234567"}, {F::Verweis, "109999999"}, {F::Plz, "1234567"}, {F::Ort, longText},
                    {F::Kurzname, longText}, {F::Name1, longText}, {F::Strasse, longText}, {F::Kassenart, "AO"},
                    {F::Name2, longText}, {F::Name3, longText}}};
  std::pair<int, std::string> counters[] = {{0, "00000"}, {7, "00007"}, {99999, "99999"}, {100000, "99999"}};
  for (const auto& [counter, digits] : counters) {
    m.counter = counter;
    std::string line = m.format();
    ASSERT_EQ(line.size(), kMainLineWidth);
    EXPECT_EQ(line.substr(0, 19), "101234567 01 " + digits + " ");
    EXPECT_EQ(columns(line, 110, 114), "12345");  // an over-long PLZ is cut, the town stays put
    EXPECT_EQ(columns(line, 115, 139), std::string(25, 'x'));
    EXPECT_EQ(columns(line, 170, 171), "AO");
    EXPECT_EQ(columns(line, 182, 211), std::string(30, 'x'));
  }
}

TEST(WorkLines, LinkLineColumnsHoldWhateverTheElements) {
  struct Case {
    std::string segment;
    std::string line;
  } cases[] = {
      {"VKG+02+100295017+5++07++01++00'", "101234567 02 100295017 5 07   01    00"},
      {"VKG+03+100295017+55++0777+12+011+7+000'", "101234567 03 100295017 5 07 1 01 7  00"},
      {"VKG+09+109519016+5++28+6+++00'", "101234567 09 109519016 5 28 6       00"},
      {"VKG+02+1234'", "101234567 02 1234'                    "},
      {"VKG+02", "101234567 02                          "},
  };
  for (const auto& c : cases) {
    std::string type = c.segment.substr(4, 2);
    std::string line = formatLinkLine("101234567", type, c.segment);
    EXPECT_EQ(line, c.line) << c.segment;
    EXPECT_EQ(line.size(), kLinkLineWidth);
  }
}

}  // namespace
}  // namespace riviza::costbearer
