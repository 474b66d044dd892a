// Edits: typing, key filters, OnChange, the colour rule and the Return chain.
#include <gtest/gtest.h>

#include "test_form.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

int changes(const TestForm& f, const std::string& name) {
  return static_cast<int>(std::count(f.log.begin(), f.log.end(), name + ".Change"));
}

TEST(Edit, TypingRespectsKeyFiltersMaxLengthAndReadOnly) {
  struct Case {
    const char* edit;
    const char* typed;
    const char* text;
    int changes;
  };
  const Case cases[] = {
      {"EditNummer", "12a3b", "123", 3},      // digit filter swallows letters
      {"EditNummer", "12\b\b7", "7", 5},      // backspace passes the filter
      {"EditNummer", "1234567", "12345", 5},  // MaxLength 5
      {"EditName", "Müller\b\b", "Müll", 8},  // backspace removes characters, not bytes
      {"EditName", "a\r\x1b", "a", 1},        // Return and Esc change nothing
      {"EditBic", "DEUT", "", 0},             // read-only
  };
  for (const Case& c : cases) {
    TestForm f;
    f.traceAll();
    auto* edit = static_cast<TCustomEdit*>(f.findComponent(c.edit));
    edit->userType(c.typed);
    EXPECT_EQ(edit->text(), c.text) << c.edit << " " << c.typed;
    EXPECT_EQ(changes(f, c.edit), c.changes) << c.edit << " " << c.typed;
    EXPECT_EQ(f.activeControl(), edit);
  }
}

TEST(Edit, KeyDownCanSwallowAKeyBeforeKeyPress) {
  TestForm f;
  std::vector<std::string> seen;
  f.EditName->OnKeyDown = [&](TComponent&, std::uint16_t& key, TShiftState) {
    seen.push_back("down " + std::to_string(key));
    if (key == 'X') key = 0;
  };
  f.EditName->OnKeyPress = [&](TComponent&, char32_t& key) {
    seen.push_back("press " + std::to_string(static_cast<int>(key)));
    if (key == U'y') key = U'z';  // a filter may also replace the character
  };
  f.EditName->userType("axy");
  EXPECT_EQ(f.EditName->text(), "az");
  EXPECT_EQ(seen, (std::vector<std::string>{"down 65", "press 97", "down 88", "down 89", "press 121"}));
}

TEST(Edit, OnChangeFiresForCodeAndUserButNotForTheSameText) {
  TestForm f;
  f.traceAll();
  f.EditName->setText("abc");
  f.EditName->setText("abc");
  EXPECT_TRUE(f.EditName->userEditText("abcd"));
  EXPECT_EQ(changes(f, "EditName"), 2);
  f.PanelEdits->setEnabled(false);
  EXPECT_FALSE(f.EditName->userEditText("x"));
  f.EditName->userType("x");
  EXPECT_EQ(f.EditName->text(), "abcd");
}

TEST(EditFamily, ColourRuleOnEnterAndExit) {
  struct Case {
    const char* text;
    TColor onEnter;
  };
  for (const Case& c : {Case{"", kColorEmptyEntered}, Case{"x", clWindow}, Case{" ", clWindow}}) {
    TestForm f;
    const EditChainRow rows[] = {{f.EditSuchen, f.EditSuchen, nullptr}};
    installEditChain(rows);
    f.EditSuchen->setText(c.text);
    ASSERT_TRUE(f.EditSuchen->setFocus());
    EXPECT_EQ(f.EditSuchen->color(), c.onEnter) << '"' << c.text << '"';
    ASSERT_TRUE(f.EditName->setFocus());
    EXPECT_EQ(f.EditSuchen->color(), clWindow);
  }
  EXPECT_EQ(kColorEmptyEntered, 12639424u);
}

TEST(EditFamily, ReturnChainAndSharedHandlersActOnTheEditTheyName) {
  TestForm f;
  const EditChainRow rows[] = {
      {f.EditName, f.EditName, f.EditNummer},
      {f.EditNummer, f.EditNummer, f.EditIban},
      {f.EditIban, f.EditName, f.BitBtnSpeichern},  // shares EditName's colour handlers
      {f.EditBic, nullptr, f.EditName},
  };
  installEditChain(rows);
  f.EditName->userKey(U'\r');
  EXPECT_EQ(f.activeControl(), f.EditNummer);
  EXPECT_EQ(f.EditName->color(), clWindow);
  f.EditNummer->userKey(U'\r');
  EXPECT_EQ(f.activeControl(), f.EditIban);
  EXPECT_EQ(f.EditIban->color(), clWindow);  // entered empty, but it colours EditName
  EXPECT_EQ(f.EditName->color(), kColorEmptyEntered);
  f.EditIban->userKey(U'\r');
  EXPECT_EQ(f.activeControl(), f.BitBtnSpeichern);
  EXPECT_EQ(f.EditName->color(), clWindow);
  // A Return that leads to a control that cannot take the focus leaves it where it is.
  f.PanelEdits->setEnabled(false);
  f.EditSuchen->setFocus();
  f.PanelEdits->setEnabled(true);
  f.EditName->setEnabled(false);
  f.EditBic->setFocus();
  f.EditBic->userKey(U'\r');
  EXPECT_EQ(f.activeControl(), f.EditBic);
}

TEST(EditFamily, DigitFilter) {
  for (char32_t c : {U'0', U'5', U'9', char32_t{8}, kCharDelete}) {
    char32_t key = c;
    keepDigitsOnly(key);
    EXPECT_EQ(key, c);
  }
  for (char32_t c : {U'a', U'/', U':', U' ', U'ä', char32_t{13}, char32_t{27}}) {
    char32_t key = c;
    keepDigitsOnly(key);
    EXPECT_EQ(key, char32_t{0});
  }
}

}  // namespace
}  // namespace riviza::test
