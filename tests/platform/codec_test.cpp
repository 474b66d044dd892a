#include "platform/codec.h"

#include <gtest/gtest.h>

#include <tuple>

namespace riviza::platform {
namespace {

TEST(Codec, EverySingleByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (CodePage page : {CodePage::Windows1252, CodePage::Oem850, CodePage::Latin1}) {
    std::string utf8 = toUtf8(all, page);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(fromUtf8(utf8, page), all);
  }
}

TEST(Codec, KnownCharactersOfEachPage) {
  EXPECT_EQ(toUtf8("\x80", CodePage::Windows1252), "€");
  EXPECT_EQ(toUtf8("B\xFCroWARE", CodePage::Windows1252), "BüroWARE");
  EXPECT_EQ(fromUtf8("BüroWARE"), std::string("B\xFCroWARE"));
  EXPECT_EQ(toUtf8("\x81\x94\x84\xE1", CodePage::Oem850), "üöäß");
  EXPECT_EQ(fromUtf8("€", CodePage::Latin1), "?");
  EXPECT_EQ(fromUtf8("日本"), "??");
}

TEST(Codec, Utf8Validation) {
  EXPECT_TRUE(isValidUtf8("Grüße €"));
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(isValidUtf8("abc\xE2\x82"));       // cut short
  EXPECT_FALSE(isValidUtf8("B\xFCro"));           // a Windows-1252 byte
}

TEST(Codec, CaseFoldingCoversUmlauts) {
  EXPECT_TRUE(equalsIgnoreCase("ÄRZTE.DB", "ärzte.db"));
  EXPECT_TRUE(equalsIgnoreCase("Ann.DB", "ann.db"));
  EXPECT_FALSE(equalsIgnoreCase("Ann.DB", "Anm.db"));
  // The Windows-1252 capitals beyond Latin-1 fold too; other letters and invalid bytes stay.
  EXPECT_EQ(foldCase("ŠŒŽŸ×ßΣ\xFC\xC3"), "šœžÿ×ßΣ\xFC\xC3");
  EXPECT_EQ(utf8Length("Büro"), 4u);
}

// Pascal's Copy(S, Index, Count) counted in characters: a start past the end gives "", a count
// past it stops there, a start of 0 reads as 1.
TEST(Codec, CopyCountsCharactersLikePascal) {
  const std::tuple<const char*, size_t, size_t, const char*> faelle[] = {{"16.03.2017", 4, 2, "03"},
                                                                         {"Größe.tif", 1, 5, "Größe"},
                                                                         {"äöü", 2, 9, "öü"},
                                                                         {"äöü", 4, 1, ""},
                                                                         {"äöü", 0, 1, "ä"},
                                                                         {"äöü", 2, 0, ""},
                                                                         {"", 1, 1, ""},
                                                                         {"a\xFC"
                                                                          "b",
                                                                          2, 2,
                                                                          "\xFC"
                                                                          "b"}};
  for (const auto& [text, start, anzahl, erwartet] : faelle)
    EXPECT_EQ(utf8Copy(text, start, anzahl), erwartet) << text << " " << start << " " << anzahl;
}

}  // namespace
}  // namespace riviza::platform
