// Combo boxes, radio groups, list boxes and file list boxes: which changes fire events.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "test_form.h"

namespace riviza::test {
namespace {

struct ListForm : TForm {
  TComboBox& combo = make<TComboBox>("ComboBoxAktuellesJahr", this);
  TRadioGroup& radio = make<TRadioGroup>("RadioGroupFachanwendung", this);
  TListBox& list = make<TListBox>("ListBoxReorg", this);
  TFileListBox& files = make<TFileListBox>("FileListBoxKost302", this);
  int comboChanges = 0, radioClicks = 0;
  ListForm() {
    combo.OnChange = [this](TComponent&) { ++comboChanges; };
    radio.OnClick = [this](TComponent&) { ++radioClicks; };
    radio.applyDesign(Design{.items = {"Orvel Vuzaroded", "BüroWARE", "GDI", "WiWaMed", "frei"}});
    show();
  }
};

TEST(ComboBox, CodeChangesFireNothingUserChoicesFireOnChange) {
  ListForm f;
  f.combo.items().clear();
  f.combo.setSorted(true);
  for (const char* y : {"2024", "2022", "2023"}) f.combo.items().add(y);
  EXPECT_EQ(f.combo.items().lines(), (std::vector<std::string>{"2022", "2023", "2024"}));
  f.combo.setText("2023");
  EXPECT_EQ(f.combo.itemIndex(), 1);
  f.combo.setText("1999");
  EXPECT_EQ(f.combo.itemIndex(), -1);
  f.combo.setItemIndex(2);
  EXPECT_EQ(f.combo.text(), "2024");
  EXPECT_EQ(f.comboChanges, 0);

  EXPECT_TRUE(f.combo.userSelect(0));
  EXPECT_EQ(f.combo.text(), "2022");
  EXPECT_TRUE(f.combo.userEditText("2025"));
  EXPECT_EQ(f.comboChanges, 2);
  EXPECT_FALSE(f.combo.userSelect(3));
  f.combo.setEnabled(false);
  EXPECT_FALSE(f.combo.userSelect(1));
  EXPECT_EQ(f.comboChanges, 2);
}

TEST(ComboBox, ClearingTheItemsClearsTheText) {
  ListForm f;
  f.combo.items().assign({"2023", "2024"});
  f.combo.setItemIndex(1);
  f.combo.items().clear();
  EXPECT_EQ(f.combo.text(), "");
  EXPECT_EQ(f.combo.itemIndex(), -1);
}

TEST(RadioGroup, ItemIndexByCodeDoesNotClick) {
  ListForm f;
  EXPECT_EQ(f.radio.itemIndex(), 0);
  f.radio.setItemIndex(1);
  f.radio.setItemIndex(9);  // out of range: ignored
  EXPECT_EQ(f.radio.itemIndex(), 1);
  EXPECT_EQ(f.radioClicks, 0);
  EXPECT_TRUE(f.radio.userSelect(3));
  EXPECT_EQ(f.radio.itemIndex(), 3);
  EXPECT_EQ(f.radioClicks, 1);
}

TEST(ListBox, LinesAppendAndSelectionFollowsRemoval) {
  ListForm f;
  int repaints = 0;
  struct Counter : ComponentView {
    int& n;
    explicit Counter(int& n) : n(n) {}
    void changed(Prop p) override { n += p == Prop::Items; }
  } view(repaints);
  f.list.setView(&view);
  f.list.items().beginUpdate();
  for (int i = 0; i < 3; ++i) f.list.items().add("Zeile " + std::to_string(i));
  f.list.items().endUpdate();
  EXPECT_EQ(repaints, 1);  // one repaint for the whole update
  f.list.setItemIndex(2);
  f.list.items().remove(2);
  EXPECT_EQ(f.list.itemIndex(), -1);
  f.list.setView(nullptr);
}

TEST(FileListBox, ListsMatchingFilesSortedWithoutFoldersOrHiddenFiles) {
  TempDir dir;
  for (const char* n : {"AO05Q224.ke0", "bk05q124.KE1", "AO03Q224.ke0", ".AO05x.ke0", "readme.txt"})
    dir.write(n, "x");
  dir.mkdir("XX05.ke9");
  ListForm f;
  f.files.setMask("??05*.ke?");
  f.files.setDirectory(dir.str());
  EXPECT_EQ(f.files.items().lines(), (std::vector<std::string>{"AO05Q224.ke0", "bk05q124.KE1"}));
  f.files.setMask("*.txt;??03*.ke?");
  EXPECT_EQ(f.files.items().lines(), (std::vector<std::string>{"AO03Q224.ke0", "readme.txt"}));
  f.files.setMask("");
  EXPECT_EQ(f.files.items().lines(),
            (std::vector<std::string>{"AO03Q224.ke0", "AO05Q224.ke0", "bk05q124.KE1", "readme.txt"}));
  f.files.setDirectory((dir / "fehlt").string());
  EXPECT_TRUE(f.files.items().empty());
}

}  // namespace
}  // namespace riviza::test
