// The service-centre tab driven as a user drives it, on fixture tables: a new centre typed along
// the Return chain and saved, the check-mark column and the search, an entry left without
// saving, and delete.
#include <gtest/gtest.h>

#include "ann_fixture.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

class Dlz : public AnnTab {
 protected:
  void zeigen() { AnnTab::zeigen(form->TabSheet10); }
  // Records of AdrDlz.DB, which the start-up has already opened: the table reads them again.
  void dlz(const std::vector<Satz>& saetze) {
    tabelle("AdrDlz.DB", saetze);
    ASSERT_TRUE(form->TableAdrDlz->refresh().ok());
  }
  bool browsing() const {
    return !form->GroupBoxDlz->enabled() && !form->BitBtnSpeichernAdrDlz->enabled() &&
           form->EditSuchenAdrDlz->enabled() && form->BitBtnNeuAdrDlz->enabled() &&
           form->DBNavigator1->enabled();
  }
  std::vector<std::string> namen() const {
    std::vector<std::string> out;
    for (const Satz& s : gespeichert("AdrDlz.DB")) out.push_back(s.at("DlzId") + " " + s.at("Name"));
    return out;
  }
};

TEST_F(Dlz, ANewCentreTypedAlongTheReturnChainIsStoredAndTheTabReturnsToBrowsing) {
  zeigen();
  EXPECT_EQ(form->activeControl(), form->EditSuchenAdrDlz);
  EXPECT_EQ(form->EditSuchenAdrDlz->color(), ui::kColorEmptyEntered);
  ASSERT_TRUE(form->BitBtnNeuAdrDlz->userClick());
  EXPECT_FALSE(form->EditSuchenAdrDlz->enabled() || form->BitBtnNeuAdrDlz->enabled());
  // Each edit is entered empty (coloured), typed into and left by Return for the next one.
  ui::TDBEdit* const kette[] = {form->DBEdit28, form->DBEdit29, form->DBEdit30, form->DBEdit31,
                                form->DBEdit32, form->DBEdit33, form->DBEdit34, form->DBEdit35};
  for (ui::TDBEdit* edit : kette) {
    SCOPED_TRACE(edit->name());
    ASSERT_EQ(form->activeControl(), edit);
    EXPECT_EQ(edit->color(), ui::kColorEmptyEntered);
    edit->userType(edit == form->DBEdit28 ? "1083104" : edit->name());
    ASSERT_TRUE(taste(*edit, ui::kKeyReturn));
  }
  EXPECT_EQ(form->activeControl(), form->BitBtnSpeichernAdrDlz);
  ASSERT_TRUE(form->BitBtnSpeichernAdrDlz->userClick());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(form->activeControl(), form->DBGridAdrDlz);
  const auto dlz = gespeichert("AdrDlz.DB");
  ASSERT_EQ(dlz.size(), 1u);
  EXPECT_EQ(dlz[0].at("DlzId"), "1083104");
  EXPECT_EQ(dlz[0].at("Strasse"), "DBEdit31");
  EXPECT_EQ(dlz[0].at("Ansprechpartner"), "DBEdit35");
}

TEST_F(Dlz, TheFlagShowsAsCheckMarkOnlyAndTheSearchFindsNameTownOrIdInAnyCase) {
  dlz({{{"DlzId", "1083101"}, {"Name", "AOK DLZ Kiel"}, {"Ort", "Kiel"}, {"DruckDlz", "True"}},
       {{"DlzId", "1083102"}, {"Name", "aok dlz Lübeck"}, {"Ort", "Lübeck"}, {"DruckDlz", "False"}},
       {{"DlzId", "1049401"}, {"Name", "BARMER Köln"}, {"Ort", "Köln"}}});
  zeigen();
  const char* const bilder[] = {"check", "", ""};
  for (int zeile = 0; zeile < 3; ++zeile) {
    SCOPED_TRACE(zeile);
    EXPECT_EQ(form->DBGridAdrDlz->cell(zeile, 8).text, "");
    EXPECT_EQ(form->DBGridAdrDlz->cell(zeile, 8).picture, bilder[zeile]);
    EXPECT_EQ(form->DBGridAdrDlz->cell(zeile, 1).picture, "");
  }
  const std::pair<const char*, std::vector<std::string>> faelle[] = {
      {"AOK", {"1083101", "1083102"}},
      {"lübeck", {"1083102"}},
      {"KÖ", {"1049401"}},
      {"10494", {"1049401"}},
      {"barmer köln", {"1049401"}},  // 11 characters: unchanged
      {"", {"1083101", "1083102", "1049401"}}};
  for (const auto& [text, ids] : faelle) {
    SCOPED_TRACE(text);
    form->EditSuchenAdrDlz->setText(text);
    std::vector<std::string> gezeigt;
    for (int r = 0; r < form->DBGridAdrDlz->rowCount(); ++r)
      gezeigt.push_back(form->DBGridAdrDlz->cell(r, 0).text);
    EXPECT_EQ(gezeigt, ids);
  }
}

TEST_F(Dlz, AnEntryLeftUnsavedIsDroppedAndDeleteAsksFirst) {
  dlz({{{"DlzId", "1083101"}, {"Name", "Kiel"}}, {{"DlzId", "1083102"}, {"Name", "Lübeck"}}});
  zeigen();
  // "&Neu" and "Än&dern", each left by a click on the grid: what used to store a pending entry
  // (a search, a move, the next "&Neu") finds nothing to store.
  for (ui::TButton* knopf : {form->BitBtnNeuAdrDlz, form->BitBtnAendernAdrDlz}) {
    SCOPED_TRACE(knopf->name());
    ASSERT_TRUE(knopf->userClick());
    ASSERT_TRUE(form->DBEdit29->userReach());
    form->DBEdit29->userType("Halb");
    ASSERT_TRUE(form->DBGridAdrDlz->userReach());
    EXPECT_TRUE(browsing());
    form->EditSuchenAdrDlz->setText("1");
    ASSERT_TRUE(form->TableAdrDlz->last().ok());
    EXPECT_EQ(namen(), (std::vector<std::string>{"1083101 Kiel", "1083102 Lübeck"}));
  }
  for (ui::DlgResult antwort : {ui::DlgResult::No, ui::DlgResult::Yes, ui::DlgResult::Yes}) {
    dialogs.answer(antwort);
    ASSERT_TRUE(form->BitBtnLoeschenAdrDlz->userClick());
  }
  EXPECT_EQ(form->activeControl(), form->EditSuchenAdrDlz);
  ASSERT_TRUE(form->BitBtnLoeschenAdrDlz->userClick());  // empty: nothing is asked
  ASSERT_EQ(dialogs.texts(), std::vector<std::string>(3, "Wollen Sie das DLZ wirklich löschen?"));
  EXPECT_EQ(dialogs.transcript()[0].type, ui::DlgType::Warning);
  EXPECT_EQ(dialogs.transcript()[0].buttons, ui::DlgButtons::YesNo);
  EXPECT_TRUE(namen().empty());
  ASSERT_TRUE(form->BitBtnAendernAdrDlz->userClick());  // nothing to change: stays browsing
  EXPECT_TRUE(browsing());
}

}  // namespace
}  // namespace riviza::test
