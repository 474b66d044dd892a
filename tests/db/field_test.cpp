// Field values: conversions under the German formats, sizes, nulls, read-only fields.
#include "db/TTable.h"
#include "table_fixture.h"

namespace riviza::db::test {
namespace {

class Fields : public TableTest {
 protected:
  void SetUp() override {
    create("Mixed.db", mixedStructure());
    openTable(t_, "Mixed.db");
    ASSERT_TRUE(t_.append().ok());
  }
  TField& f(const char* name) { return *t_.fieldByName(name).value(); }
  TTable t_;
};

struct TextCase {
  const char* field;
  const char* written;
  const char* read;
};

TEST_F(Fields, TextRoundTripsPerType) {
  static const std::string longMemo(1000, 'x');
  for (const TextCase& c : {
           TextCase{"Id", "012345678", "012345678"},     // leading zero kept
           TextCase{"Id", "0123456789AB", "012345678"},  // cut to the size
           TextCase{"Id", "ÄÖÜäöüßÉè-x", "ÄÖÜäöüßÉè"},   // cut in characters, not bytes
           TextCase{"Id", " 1234567", " 1234567"},       // leading blank kept
           TextCase{"Betrag", "35,70", "35,7"},
           TextCase{"Betrag", "-0,5", "-0,5"},
           TextCase{"Anzahl", "1234567,125", "1234567,125"},
           TextCase{"Anzahl", "1E20", "1E20"},
           TextCase{"Kurz", "0903", "903"},
           TextCase{"Lang", "-2147483648", "-2147483648"},
           TextCase{"Flag", "True", "True"},
           TextCase{"Flag", "false", "False"},
           TextCase{"Datum", "15.03.2024", "15.03.2024"},
           TextCase{"Datum", "1.2.24", "01.02.2024"},
           TextCase{"Zeit", "7:05", "07:05:00"},
           TextCase{"Notiz", longMemo.c_str(), nullptr},
       }) {
    ASSERT_TRUE(f(c.field).setAsString(c.written).ok()) << c.field << " " << c.written;
    std::string expected = c.read ? c.read : c.written;
    EXPECT_EQ(f(c.field).asString(), expected) << c.field;
  }
}

TEST_F(Fields, ValuesSurviveStorage) {
  ASSERT_TRUE(f("Id").setAsString("012345678").ok());
  ASSERT_TRUE(f("Betrag").setAsFloat(35.7).ok());
  ASSERT_TRUE(f("Datum").setAsString("29.02.2024").ok());
  ASSERT_TRUE(f("Flag").setAsBoolean(false).ok());
  ASSERT_TRUE(t_.post().ok());
  TTable again;
  openTable(again, "Mixed.db");
  EXPECT_EQ(again.fields(0).asString(), "012345678");
  EXPECT_DOUBLE_EQ(again.fieldByName("Betrag").value()->asFloat().value(), 35.7);
  EXPECT_EQ(again.fieldByName("Datum").value()->asString(), "29.02.2024");
  EXPECT_FALSE(again.fieldByName("Flag").value()->isNull());
  EXPECT_FALSE(again.fieldByName("Flag").value()->asBoolean());
}

TEST_F(Fields, WrongTextIsAConversionErrorAndChangesNothing) {
  ASSERT_TRUE(f("Betrag").setAsString("12,5").ok());
  for (const TextCase& c : {TextCase{"Betrag", "12.5", nullptr}, TextCase{"Kurz", "40000", nullptr},
                            TextCase{"Kurz", "1,5", nullptr}, TextCase{"Datum", "31.02.2024", nullptr},
                            TextCase{"Flag", "vielleicht", nullptr}}) {
    Status st = f(c.field).setAsString(c.written);
    ASSERT_FALSE(st.ok()) << c.field << " " << c.written;
    EXPECT_EQ(st.error().code, kConversion);
  }
  EXPECT_EQ(f("Betrag").asString(), "12,5");
}

// A new record's fields are null; empty text makes a field null again; a logical field stays
// null through a post.
TEST_F(Fields, NullsReadAsEmptyZeroOrFalseAndStayNull) {
  for (const char* name : {"Id", "Betrag", "Kurz", "Flag", "Datum", "Notiz"}) {
    EXPECT_TRUE(f(name).isNull()) << name;
    EXPECT_EQ(f(name).asString(), "") << name;
  }
  EXPECT_EQ(f("Betrag").asFloat().value(), 0.0);
  EXPECT_EQ(f("Kurz").asInteger().value(), 0);
  EXPECT_FALSE(f("Flag").asBoolean());
  // Text without a number in it does not read as a number.
  EXPECT_EQ(f("Id").asInteger().error().code, kConversion);

  ASSERT_TRUE(f("Id").setAsString("x").ok());
  ASSERT_TRUE(f("Kurz").setAsString("5").ok());
  ASSERT_TRUE(f("Id").setAsString("").ok());
  ASSERT_TRUE(f("Kurz").setAsString("").ok());
  EXPECT_TRUE(f("Id").isNull());
  EXPECT_TRUE(f("Kurz").isNull());

  ASSERT_TRUE(f("Id").setAsString("A").ok());
  ASSERT_TRUE(t_.post().ok());
  ASSERT_TRUE(t_.refresh().ok());
  EXPECT_TRUE(f("Flag").isNull());
  ASSERT_TRUE(t_.edit().ok());
  ASSERT_TRUE(f("Flag").setAsBoolean(true).ok());
  ASSERT_TRUE(f("Flag").clear().ok());
  ASSERT_TRUE(t_.post().ok());
  ASSERT_TRUE(t_.refresh().ok());
  EXPECT_TRUE(f("Flag").isNull());
}

TEST_F(Fields, AutoIncrementIsSetByTheTableAndReadOnly) {
  EXPECT_EQ(f("Zaehler").setAsInteger(5).error().code, kReadOnlyField);
  ASSERT_TRUE(f("Id").setAsString("A").ok());
  ASSERT_TRUE(t_.post().ok());
  EXPECT_EQ(f("Zaehler").asInteger().value(), 1);
  appendRow(t_, {"B"});
  EXPECT_EQ(f("Zaehler").asInteger().value(), 2);
  ASSERT_TRUE(t_.deleteRecord().ok());
  appendRow(t_, {"C"});
  EXPECT_EQ(f("Zaehler").asInteger().value(), 3);  // never handed out twice
}

TEST_F(Fields, MetadataFollowsTheStructure) {
  EXPECT_EQ(t_.fieldCount(), 10);
  EXPECT_EQ(f("id").index(), 0);  // names are found ignoring case
  EXPECT_EQ(f("Id").size(), 9);
  EXPECT_EQ(f("Id").displayWidth(), 9);
  EXPECT_EQ(f("Flag").dataType(), FieldType::Logical);
  EXPECT_EQ(f("Betrag").displayName(), "Betrag");
  f("Betrag").setDisplayLabel("Betrag EUR");
  EXPECT_EQ(f("Betrag").displayName(), "Betrag EUR");
  EXPECT_EQ(t_.fieldByName("Fehlt").error().code, kFieldNotFound);
  EXPECT_EQ(t_.findField("Fehlt"), nullptr);
}

TEST_F(Fields, AssignCopiesByValueOrByText) {
  create("Text.db", {{{"A", FieldType::Alpha, 4}, {"B", FieldType::Alpha, 10}}, 0});
  TTable target;
  openTable(target, "Text.db");
  ASSERT_TRUE(f("Id").setAsString("123456789").ok());
  ASSERT_TRUE(f("Betrag").setAsString("7,25").ok());
  ASSERT_TRUE(target.append().ok());
  ASSERT_TRUE(target.fields(0).assign(f("Id")).ok());
  ASSERT_TRUE(target.fields(1).assign(f("Betrag")).ok());
  EXPECT_EQ(target.fields(0).asString(), "1234");
  EXPECT_EQ(target.fields(1).asString(), "7,25");
}

TEST(FloatText, FollowsFloatToStr) {
  EXPECT_EQ(formatFloatText(0), "0");
  EXPECT_EQ(formatFloatText(0.1 + 0.2), "0,3");
  EXPECT_EQ(formatFloatText(1e20), "1E20");
  EXPECT_EQ(formatFloatText(-2.5e-7), "-2,5E-7");
  EXPECT_EQ(formatFloatText(10000), "10000");
}

}  // namespace
}  // namespace riviza::db::test
