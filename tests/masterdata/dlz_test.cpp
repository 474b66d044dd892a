// The service-centre tab driven as a user drives it, on fixture tables: a new centre typed along
// the Return chain and saved, the check-mark column, the search, an entry left without saving,
// and delete.
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
  // Browse state: the group box and its save button off, search, record buttons and navigator on.
  bool browsing() const {
    return !form->GroupBoxDlz->enabled() && !form->BitBtnSpeichernAdrDlz->enabled() &&
           form->EditSuchenAdrDlz->enabled() && form->BitBtnNeuAdrDlz->enabled() &&
           form->BitBtnAendernAdrDlz->enabled() && form->BitBtnLoeschenAdrDlz->enabled() &&
           form->DBNavigator1->enabled();
  }
  std::vector<std::string> ids() const {
    std::vector<std::string> out;
    for (const Satz& s : gespeichert("AdrDlz.DB")) out.push_back(s.at("DlzId"));
    return out;
  }
};

TEST_F(Dlz, ANewCentreTypedAlongTheReturnChainIsStoredAndTheTabReturnsToBrowsing) {
  zeigen();
  EXPECT_EQ(form->activeControl(), form->EditSuchenAdrDlz);
  EXPECT_EQ(form->EditSuchenAdrDlz->color(), ui::kColorEmptyEntered);
  EXPECT_TRUE(browsing());

  ASSERT_TRUE(form->BitBtnNeuAdrDlz->userClick());
  EXPECT_EQ(form->activeControl(), form->DBEdit28);
  EXPECT_TRUE(form->GroupBoxDlz->enabled() && form->BitBtnSpeichernAdrDlz->enabled());
  EXPECT_FALSE(form->EditSuchenAdrDlz->enabled() || form->BitBtnNeuAdrDlz->enabled() ||
               form->DBNavigator1->enabled());
  // Each edit is entered empty (coloured), typed into, and left by Return for the next one.
  const std::pair<ui::TDBEdit*, const char*> eingaben[] = {
      {form->DBEdit28, "1083104"},     {form->DBEdit29, "AOK DLZ Nord"},  {form->DBEdit30, "Kundencenter"},
      {form->DBEdit31, "Hafenstr. 3"}, {form->DBEdit32, "24103"},         {form->DBEdit33, "Kiel"},
      {form->DBEdit34, "0431 12345"},  {form->DBEdit35, "Frau Petersen"},
  };
  for (const auto& [edit, text] : eingaben) {
    SCOPED_TRACE(edit->name());
    ASSERT_EQ(form->activeControl(), edit);
    EXPECT_EQ(edit->color(), ui::kColorEmptyEntered);
    edit->userType(text);
    ASSERT_TRUE(taste(*edit, ui::kKeyReturn));
    EXPECT_EQ(edit->color(), ui::clWindow);
  }
  EXPECT_EQ(form->activeControl(), form->BitBtnSpeichernAdrDlz);

  ASSERT_TRUE(form->BitBtnSpeichernAdrDlz->userClick());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(form->activeControl(), form->DBGridAdrDlz);
  EXPECT_TRUE(dialogs.transcript().empty());
  EXPECT_EQ(gespeichert("AdrDlz.DB"), (std::vector<Satz>{{{"DlzId", "1083104"},
                                                          {"Name", "AOK DLZ Nord"},
                                                          {"Name2", "Kundencenter"},
                                                          {"Strasse", "Hafenstr. 3"},
                                                          {"Plz", "24103"},
                                                          {"Ort", "Kiel"},
                                                          {"Telefon", "0431 12345"},
                                                          {"Ansprechpartner", "Frau Petersen"},
                                                          {"DruckDlz", ""}}}));

  // "Än&dern" starts at the name; the change is stored over the same record.
  ASSERT_TRUE(form->BitBtnAendernAdrDlz->userClick());
  EXPECT_EQ(form->activeControl(), form->DBEdit29);
  form->DBEdit29->userType(" 2");
  ASSERT_TRUE(form->BitBtnSpeichernAdrDlz->userClick());
  ASSERT_EQ(gespeichert("AdrDlz.DB").size(), 1u);
  EXPECT_EQ(gespeichert("AdrDlz.DB")[0].at("Name"), "AOK DLZ Nord 2");
}

TEST_F(Dlz, TheFlagColumnShowsOnlyACheckMarkForTrueRows) {
  dlz({{{"DlzId", "1"}, {"Name", "Gedruckt"}, {"DruckDlz", "True"}},
       {{"DlzId", "2"}, {"Name", "Nicht gedruckt"}, {"DruckDlz", "False"}},
       {{"DlzId", "3"}, {"Name", "Ohne Angabe"}}});
  zeigen();
  ASSERT_EQ(form->DBGridAdrDlz->rowCount(), 3);
  ASSERT_EQ(form->DBGridAdrDlz->columnTitle(8), "DruckDlz");
  const std::pair<int, const char*> zeilen[] = {{0, "check"}, {1, ""}, {2, ""}};
  for (const auto& [zeile, bild] : zeilen) {
    SCOPED_TRACE(zeile);
    const ui::TGridCell flag = form->DBGridAdrDlz->cell(zeile, 8);
    EXPECT_EQ(flag.text, "");
    EXPECT_EQ(flag.picture, bild);
    const ui::TGridCell name = form->DBGridAdrDlz->cell(zeile, 1);
    EXPECT_FALSE(name.text.empty());
    EXPECT_EQ(name.picture, "");
  }
}

TEST_F(Dlz, TheSearchFindsNameTownOrIdPrefixesInAnyCase) {
  const char* ids[] = {"1083101", "1083102", "1049401", "1049402"};
  const char* namen[] = {"AOK DLZ Kiel", "aok dlz Lübeck", "BARMER Köln", "BARMER Bonn"};
  const char* orte[] = {"Kiel", "Lübeck", "Köln", "Bonn"};
  std::vector<Satz> saetze;
  for (size_t i = 0; i < 4; ++i) saetze.push_back({{"DlzId", ids[i]}, {"Name", namen[i]}, {"Ort", orte[i]}});
  dlz(saetze);
  const std::pair<const char*, std::vector<int>> faelle[] = {
      {"AOK", {0, 1}},   {"lübeck", {1}}, {"KÖ", {2}},
      {"10494", {2, 3}}, {"b", {2, 3}},   {"barmer köln", {2, 3}},  // 11 characters: the filter stays
      {"", {0, 1, 2, 3}}};
  zeigen();
  for (const auto& [text, zeilen] : faelle) {
    SCOPED_TRACE(text);
    form->EditSuchenAdrDlz->setText(text);
    ASSERT_EQ(form->DBGridAdrDlz->rowCount(), static_cast<int>(zeilen.size()));
    for (size_t r = 0; r < zeilen.size(); ++r)
      EXPECT_EQ(form->DBGridAdrDlz->cell(static_cast<int>(r), 0).text, ids[zeilen[r]]);
  }
}

TEST_F(Dlz, LeavingTheGroupBoxDropsWhatWasNotSavedAndNothingStoresItLater) {
  dlz({{{"DlzId", "1083101"}, {"Name", "AOK DLZ Kiel"}}});
  zeigen();
  struct Fall {
    const char* was;
    ui::TButton* knopf;
    std::function<void()> verlassen;
  };
  const Fall faelle[] = {
      {"Neu, then a click on the grid", form->BitBtnNeuAdrDlz, [&] { form->DBGridAdrDlz->userReach(); }},
      {"Ändern, then another page", form->BitBtnAendernAdrDlz,
       [&] { form->PageControl1->setActivePage(form->TabSheet9); }},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    zeigen();
    ASSERT_TRUE(f.knopf->userClick());
    ASSERT_TRUE(form->DBEdit29->userReach());
    form->DBEdit29->userType("Halb");
    f.verlassen();
    EXPECT_TRUE(browsing());
    EXPECT_EQ(form->TableAdrDlz->state(), db::TableState::Browse);
    // What used to store a pending entry: a search, a move, another "&Neu".
    zeigen();
    form->EditSuchenAdrDlz->setText("1");
    form->EditSuchenAdrDlz->setText("");
    ASSERT_TRUE(form->TableAdrDlz->last().ok());
    ASSERT_TRUE(form->BitBtnNeuAdrDlz->userClick());
    form->DBGridAdrDlz->userReach();
    EXPECT_EQ(gespeichert("AdrDlz.DB"), (std::vector<Satz>{{{"DlzId", "1083101"},
                                                            {"Name", "AOK DLZ Kiel"},
                                                            {"Name2", ""},
                                                            {"Strasse", ""},
                                                            {"Plz", ""},
                                                            {"Ort", ""},
                                                            {"Telefon", ""},
                                                            {"Ansprechpartner", ""},
                                                            {"DruckDlz", ""}}}));
  }
}

TEST_F(Dlz, DeleteAsksAndDeletesOnlyOnYesAndAnEmptyTableOffersNothing) {
  dlz({{{"DlzId", "1083101"}}, {{"DlzId", "1083102"}}});
  zeigen();
  for (ui::DlgResult antwort : {ui::DlgResult::No, ui::DlgResult::Yes, ui::DlgResult::Yes}) {
    dialogs.answer(antwort);
    ASSERT_TRUE(form->BitBtnLoeschenAdrDlz->userClick());
  }
  ASSERT_EQ(dialogs.transcript().size(), 3u);
  EXPECT_EQ(dialogs.transcript()[0].text, "Wollen Sie das DLZ wirklich löschen?");
  EXPECT_EQ(dialogs.transcript()[0].type, ui::DlgType::Warning);
  EXPECT_EQ(dialogs.transcript()[0].buttons, ui::DlgButtons::YesNo);
  EXPECT_EQ(form->activeControl(), form->EditSuchenAdrDlz);
  EXPECT_TRUE(ids().empty());
  // Empty: no question, and "Än&dern" does not open the group box (typing would insert).
  ASSERT_TRUE(form->BitBtnLoeschenAdrDlz->userClick());
  ASSERT_TRUE(form->BitBtnAendernAdrDlz->userClick());
  EXPECT_EQ(dialogs.transcript().size(), 3u);
  EXPECT_TRUE(browsing());
}

}  // namespace
}  // namespace riviza::test
