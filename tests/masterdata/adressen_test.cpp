// The address picker with the acceptance-office tab: each picker button's field, Esc, Return
// and "&Beenden", picks that must not be written, the search, and the picker's own records.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "ann_fixture.h"
#include "forms/tabellen_pause.h"
#include "platform/text.h"

namespace riviza::test {
namespace {

using costbearer::Basis;

class Adressen : public AnnTab {
 protected:
  Adressen() {
    tabelle("Ann.DB", {{{"Kostentraeger", "101111111"}, {"NameKostentraeger", "BKK Süd"}},
                       {{"Kostentraeger", "102222222"}, {"NameKostentraeger", "BKK Nord"}}});
    tabelle("AdrAnn.DB",
            {{{"Ik", "109900001"}, {"Name", "Annahme Nord"}, {"Ort", "Kiel"}},
             {{"Ik", "109900002"}, {"Name", "Annahme Süd"}, {"Name2", "Datenstelle"}, {"Ort", "Ulm"}},
             {{"Ik", "209900003"}, {"Name", "Zentrale"}, {"Ort", "Annaberg"}}});
    for (Basis b : {Basis::S300, Basis::S302})
      auskunft.setze(b, "109900002", adressblock("Annahme Süd kurz", "Annahme Süd", "89073", "Ulm", "Weg 2"));
    picker();
    zeigen();
  }
  // "Än&dern" on the tab's current record unless it is being edited, then a picker button.
  void waehlenFuer(ui::TButton* knopf) {
    if (!form->PanelAnn->enabled()) {
      ASSERT_TRUE(form->BitBtnAnnAendern->userClick());
    }
    ASSERT_TRUE(knopf->userClick());
    ASSERT_TRUE(adressen->visible());
  }
  // The picker's grid on the address of `ik`, then Return there.
  void nimm(const char* ik) {
    TDBGrid& grid = *adressen->DBGridAdressen;
    for (int row = 0; row < grid.rowCount(); ++row)
      if (grid.cell(row, 0).text == ik) {
        ASSERT_TRUE(grid.userSelectRow(row));
      }
    ASSERT_TRUE(taste(grid, ui::kKeyReturn));
  }
  // A click on the tab's grid while editing: the focus leaves the panel (PanelAnnExit).
  void verlassen() {
    if (form->PanelAnn->enabled()) form->DBGridAnn->userReach();
    ASSERT_FALSE(form->PanelAnn->enabled());
  }
  std::string annFeld(const char* feld) const { return form->TableAnn->findField(feld)->asString(); }
  // "Ik Name" of each record of AdrAnn.DB as stored.
  std::vector<std::string> adressenGespeichert() const {
    std::vector<std::string> out;
    for (const Satz& s : gespeichert("AdrAnn.DB")) out.push_back(s.at("Ik") + " " + s.at("Name"));
    return out;
  }
};

TEST_F(Adressen, EachPickerButtonWritesThePickIntoItsFieldAndFocusesItsEdit) {
  struct Fall {
    ui::TButton* knopf;
    const char* code;
    const char* feld;
    ui::TDBEdit* edit;
    ui::TDBEdit* name;
  };
  const Fall faelle[] = {
      {form->BitBtn300Adr, "1", "Rechnungen300", form->DBEdit1, form->DBEdit2},
      {form->BitBtn300Ver, "3", "Verordnungen300", form->DBEdit3, form->DBEdit4},
      {form->BitBtnImage, "5", "ImageDateien", form->DBEdit5, form->DBEdit6},
      {form->BitBtn302Adr, "7", "Rechnungen302", form->DBEdit7, form->DBEdit8},
      {form->BitBtn302Ver, "9", "Verordnungen302", form->DBEdit9, form->DBEdit10},
      {form->BitBtn300PatAdr, "21", "Rechnungen300Pat", form->DBEdit21, form->DBEdit22},
      {form->BitBtn300PatVer, "23", "Verordnungen300Pat", form->DBEdit23, form->DBEdit24},
      {form->BitBtnPatImage, "25", "ImageDateienPat", form->DBEdit25, form->DBEdit26},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.code);
    waehlenFuer(f.knopf);
    EXPECT_EQ(form->EditAuswahl->text(), f.code);
    EXPECT_EQ(adressen->activeControl(), adressen->EditSuchenAdressen);
    EXPECT_EQ(adressen->DBGridAdressen->rowCount(), 3);  // every address, whatever the tab filtered
    nimm("109900002");
    EXPECT_FALSE(adressen->visible());
    EXPECT_EQ(annFeld(f.feld), "109900002");
    EXPECT_EQ(form->activeControl(), f.edit);
    EXPECT_EQ(platform::trim(f.name->text().substr(0, 30)), "Annahme Süd kurz");
    EXPECT_EQ(form->DBEdit15->text(), "Annahme Süd");  // the Enter of the edit shows the address
  }
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  const Satz gespeichert1 = gespeichert("Ann.DB").at(0);
  for (const Fall& f : faelle) EXPECT_EQ(gespeichert1.at(f.feld), "109900002") << f.feld;
  EXPECT_TRUE(dialogs.transcript().empty());
}

TEST_F(Adressen, EscWritesNothingAndAPickNeedsACurrentAddressAndTheRecordStillEdited) {
  waehlenFuer(form->BitBtn300Ver);
  ASSERT_TRUE(taste(*adressen->DBGridAdressen, ui::kKeyEscape));
  EXPECT_FALSE(adressen->visible());
  EXPECT_EQ(form->EditAuswahl->text(), "x");
  EXPECT_EQ(annFeld("Verordnungen300"), "");
  EXPECT_EQ(form->activeControl(), form->BitBtn300Ver);
  // A search without hits leaves no address current: the field keeps its IK.
  waehlenFuer(form->BitBtn300Adr);
  form->DBEdit1->setText("109900001");
  adressen->EditSuchenAdressen->userType("zzz");
  ASSERT_TRUE(taste(*adressen->EditSuchenAdressen, ui::kKeyReturn));
  EXPECT_EQ(form->DBEdit1->text(), "109900001");
  EXPECT_TRUE(dialogs.transcript().empty());

  const std::pair<const char*, std::function<void()>> faelle[] = {
      {"another record", [&] { verlassen(), form->DBGridAnn->userSelectRow(1); }},
      {"the entry left", [&] { verlassen(); }},
      {"the tab left", [&] { form->PageControl1->setActivePageIndex(0); }},
  };
  for (const auto& [was, wegbewegen] : faelle) {
    SCOPED_TRACE(was);
    dialogs.clear();
    zeigen();
    verlassen();
    ASSERT_TRUE(form->DBGridAnn->userSelectRow(0));
    waehlenFuer(form->BitBtn302Adr);
    wegbewegen();
    nimm("109900002");
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
    EXPECT_EQ(gespeichert("Ann.DB").at(0).at("Rechnungen302"), "");
  }
  // "Adressen" opens the list without a field to fill; closing returns to the search.
  zeigen();
  ASSERT_TRUE(form->BitBtnAnnAdressen->userClick());
  EXPECT_EQ(form->EditAuswahl->text(), "");
  ASSERT_TRUE(adressen->BitBtnAdrBeenden->userClick());
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);
}

TEST_F(Adressen, TheSearchMatchesTheStartOfIkNameSecondNameOrTown) {
  const std::pair<const char*, int> faelle[] = {{"1099", 2}, {"annahme", 2}, {"ANNAHME S", 1}, {"daten", 1},
                                                {"Ann", 3},  {"ulm", 1},     {"'", 0},         {"", 3}};
  waehlenFuer(form->BitBtn300Adr);
  for (const auto& [text, zeilen] : faelle) {
    adressen->EditSuchenAdressen->setText(text);
    EXPECT_EQ(adressen->DBGridAdressen->rowCount(), zeilen) << text;
  }
}

TEST_F(Adressen, ItsOwnRecordsNeedANewNineDigitIkAndClosingStoresOrDropsAPendingEntry) {
  waehlenFuer(form->BitBtn300PatAdr);
  const std::pair<const char*, bool> faelle[] = {
      {"10990000", false}, {"109900001", false}, {"109900004", true}};
  ASSERT_TRUE(adressen->BitBtnAdressenNeu->userClick());
  EXPECT_EQ(adressen->activeControl(), adressen->DBEdit6);
  for (const auto& [ik, gespeichert_] : faelle) {
    SCOPED_TRACE(ik);
    dialogs.clear();
    ASSERT_TRUE(adressen->DBEdit6->userReach());  // a refused entry stays, to be corrected
    adressen->DBEdit6->userType(std::string(9, '\b') + ik);
    adressen->DBEdit1->setText("Neue Annahme");
    ASSERT_TRUE(adressen->BitBtnAdrSpeichern->userClick());
    EXPECT_EQ(dialogs.transcript().size(), gespeichert_ ? 0u : 1u);
    EXPECT_EQ(adressen->PanelAdressen->enabled(), !gespeichert_);
    EXPECT_EQ(gespeichert("AdrAnn.DB").size(), gespeichert_ ? 4u : 3u);
  }
  // A changed entry is stored on closing, and picked.
  ASSERT_TRUE(adressen->BitBtnAdressenNeu->userClick());
  adressen->DBEdit6->userType("109900009");
  ASSERT_TRUE(taste(*adressen->EditSuchenAdressen, ui::kKeyReturn));
  EXPECT_EQ(annFeld("Rechnungen300Pat"), "109900009");
  EXPECT_EQ(gespeichert("AdrAnn.DB").size(), 5u);
  // One that may not be stored is dropped, and nothing is picked; an untouched one is dropped.
  waehlenFuer(form->BitBtn300PatVer);
  ASSERT_TRUE(adressen->BitBtnAdressenNeu->userClick());
  adressen->DBEdit6->userType("109900001");
  ASSERT_TRUE(adressen->BitBtnAdrBeenden->userClick());
  EXPECT_EQ(annFeld("Verordnungen300Pat"), "");
  waehlenFuer(form->BitBtn300PatVer);
  ASSERT_TRUE(adressen->BitBtnAdrAendern->userClick());
  EXPECT_FALSE(adressen->DBEdit6->enabled());
  ASSERT_TRUE(adressen->BitBtnAdrBeenden->userClick());
  EXPECT_EQ(form->TableAdrAnn->state(), db::TableState::Browse);
  EXPECT_EQ(gespeichert("AdrAnn.DB").size(), 5u);

  waehlenFuer(form->BitBtn300PatVer);
  dialogs.clear();
  dialogs.answer(ui::DlgResult::Yes);
  ASSERT_TRUE(adressen->BitBtnAdrLoeschen->userClick());
  EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Wollen Sie die Adresse wirklich löschen?"});
  EXPECT_EQ(gespeichert("AdrAnn.DB").size(), 4u);
}

TEST_F(Adressen, AnEntryIsStoredThroughItsChecksOrDroppedWithAWordWhateverLeavesThePanel) {
  ASSERT_TRUE(form->BitBtnAnnAdressen->userClick());
  TFormAdressen& p = *adressen;
  TDBNavigator& nav = *p.DBNavigatorAdr;
  const std::pair<const char*, std::function<void()>> wege[] = {
      {"a row", [&] { p.DBGridAdressen->userSelectRow(1); }},
      {"the search", [&] { p.EditSuchenAdressen->userType("a"); }},
      {"the navigator",
       [&] {
         nav.userClick(nav.buttonEnabled(TNavigateBtn::nbNext) ? TNavigateBtn::nbNext
                                                               : TNavigateBtn::nbPrior);
       }},
      {"\"&Neu\"", [&] { p.BitBtnAdressenNeu->userClick(); }},
      {"a year change", [] { TabellenPause pause; }},
  };
  std::vector<std::string> erwartet = adressenGespeichert();
  for (const auto& [weg, verlassen_] : wege) {
    const std::string neu = "1099001" + std::to_string(10 + erwartet.size()),
                      name = std::string("Über ") + weg;
    // "&Neu" with an IK too short, one the table holds and a new one; "Än&dern" of the first.
    for (const std::string& ik : {std::string("12345"), std::string("109900001"), neu, std::string()}) {
      SCOPED_TRACE(std::string(weg) + " " + ik);
      dialogs.clear();
      p.EditSuchenAdressen->setText("");
      (void)p.EditSuchenAdressen->userReach();  // ends the empty entry "&Neu" left
      if (ik.empty()) nav.userClick(TNavigateBtn::nbFirst);
      ASSERT_TRUE((ik.empty() ? p.BitBtnAdrAendern : p.BitBtnAdressenNeu)->userClick());
      p.DBEdit6->userType(ik);
      ASSERT_TRUE(p.DBEdit1->userReach());
      p.DBEdit1->userType(std::string(p.DBEdit1->text().size(), '\b') + name);
      verlassen_();
      if (ik == neu) erwartet.push_back(neu + " " + name);
      if (ik.empty()) erwartet[0] = "109900001 " + name;
      EXPECT_EQ(adressenGespeichert(), erwartet);
      EXPECT_EQ(dialogs.transcript().size(), ik == neu || ik.empty() ? 0u : 1u);  // "... verworfen."
    }
  }
}

TEST_F(Adressen, TheTabAndThePickerLeaveEachOthersEntriesAlone) {
  ASSERT_TRUE(form->BitBtnAnnAdressen->userClick());
  TFormAdressen& p = *adressen;
  // The picker's new address while the tab moves and shows an address ...
  ASSERT_TRUE(p.BitBtnAdressenNeu->userClick());
  p.DBEdit6->userType("109900005");
  ASSERT_TRUE(p.DBEdit1->userReach());
  p.DBEdit1->userType("Eigene");
  ASSERT_TRUE(form->DBGridAnn->userSelectRow(1) && form->BitBtnAnnAendern->userClick() &&
              form->DBEdit1->userReach());
  form->DBEdit1->userType("109900002");
  ASSERT_TRUE(p.BitBtnAdrSpeichern->userClick());
  // ... and the tab's changed address while the picker moves and searches.
  ASSERT_TRUE(form->DBEdit16->userReach());
  form->DBEdit16->userType("\b\b\b\b\b\bpunkt");  // "Datenstelle"
  ASSERT_TRUE(p.DBGridAdressen->userSelectRow(0));
  p.EditSuchenAdressen->userType("zen");
  ASSERT_TRUE(taste(*p.EditSuchenAdressen, ui::kKeyEscape));
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  EXPECT_TRUE(dialogs.transcript().empty());
  EXPECT_EQ(adressenGespeichert().back(), "109900005 Eigene");
  EXPECT_EQ(gespeichert("AdrAnn.DB").at(1).at("Name2"), "Datenpunkt");
  // A new address the tab filled from the files is not stored beside one the picker has stored
  // for the office meanwhile: the stored one is shown.
  auskunft.setze(Basis::S300, "109900007", adressblock("Sieben", "Annahme Sieben", "24103", "Kiel", "Weg 7"));
  ASSERT_TRUE(form->BitBtnAnnAendern->userClick() && form->DBEdit3->userReach());
  form->DBEdit3->userType("109900007");
  ASSERT_TRUE(form->BitBtn300Adr->userClick() && p.BitBtnAdressenNeu->userClick());
  p.DBEdit6->userType("109900007");
  ASSERT_TRUE(p.DBEdit1->userReach());
  p.DBEdit1->userType("Aus der Liste");
  ASSERT_TRUE(p.BitBtnAdrSpeichern->userClick() && form->BitBtnAnnAdressenSpeichern->userClick());
  EXPECT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(form->DBEdit15->text(), "Aus der Liste");
  EXPECT_EQ(adressenGespeichert().size(), 5u);
}

}  // namespace
}  // namespace riviza::test
