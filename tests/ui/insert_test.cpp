// Text an edit receives without keystrokes (a paste, a drop): the inserted characters pass the
// edit's key filter as if typed, whatever stands around them, within MaxLength.
#include <gtest/gtest.h>

#include "test_form.h"

namespace riviza::test {
namespace {

TEST(Edit, InsertedTextPassesTheKeyFilter) {
  struct Case {
    const char* edit;
    const char* vorher;
    const char* eingefuegt;  // the widget's text after the paste
    const char* text;
  };
  const Case cases[] = {
      {"EditNummer", "12", "12a3-4", "1234"},      // appended, letters dropped
      {"EditNummer", "12", "x9y12", "912"},        // before the old text
      {"EditNummer", "15", "1ab5", "15"},          // nothing but letters
      {"EditNummer", "12", "1\r\n7\t2", "172"},    // line breaks of a pasted text go
      {"EditNummer", "123", "12999993", "12993"},  // MaxLength 5 keeps the old text whole
      {"EditNummer", "1234", "1", "1"},            // a cut is no insertion
      {"EditName", "Mül", "Mü-ßler", "Mü-ßler"},   // no filter: as pasted, umlauts whole
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.edit) + " " + c.eingefuegt);
    TestForm f;
    auto* edit = static_cast<TCustomEdit*>(f.findComponent(c.edit));
    edit->setText(c.vorher);
    EXPECT_TRUE(edit->userInsertText(c.eingefuegt));
    EXPECT_EQ(edit->text(), c.text);
  }
}

TEST(Edit, InsertedTextTakesTheFiltersReplacement) {
  TestForm f;
  f.EditName->OnKeyPress = [](TComponent&, char32_t& key) {
    if (key == U'ä') key = U'Ä';
  };
  f.EditName->setText("Hä");
  EXPECT_TRUE(f.EditName->userInsertText("Häuser ä"));
  EXPECT_EQ(f.EditName->text(), "Häuser Ä");
}

}  // namespace
}  // namespace riviza::test
