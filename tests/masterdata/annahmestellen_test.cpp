// The acceptance-office tab driven as a user drives it, on fixture tables and a fake cost-bearer
// lookup (the window test reads real cost-bearer files): opening, a new office typed and saved,
// names of known and unknown IKs, the caption rule, refused saves, the search, delete, the offer
// of an existing record and the office address.
#include "forms/Annahmestellen.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ann_fixture.h"
#include "platform/text.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

using costbearer::Basis;

constexpr const char* kAok = "108310400";
constexpr const char* kDav = "109905003";  // an office of the §300 file

// The first 30 characters, trimmed: what a name field keeps.
std::string kurzname(const std::string& text) { return platform::trim(text.substr(0, 30)); }

class Annahmestellen : public AnnTab {
 protected:
  Annahmestellen() {
    auskunft.setze(Basis::S302, kAok, adressblock("AOK Bayern", "AOK Bayern", "80331", "München", "Weg 28"));
    auskunft.setze(Basis::S300, kDav,
                   adressblock("DAV Rechenzentrum", "Datenannahme §300", "40211", "Düsseldorf",
                               "Königsallee 1", "Abteilung Sprechstundenbedarf"));
  }
  void neu(const char* kosttr) {
    ASSERT_TRUE(form->BitBtnAnnNeu->userClick());
    form->DBEdit13->userType(kosttr);
  }
  // A click on the grid: the focus leaves the panel, whose exit moves it on to the search.
  void verlassen() { (void)form->DBGridAnn->userReach(); }
  bool browsing() const {
    return !form->PanelAnn->enabled() && form->EditAnnSuchen->enabled() && form->DBNavigatorAnn->enabled() &&
           !form->BitBtnAnnSpeichern->enabled();
  }
};

TEST_F(Annahmestellen,
       OpeningCopiesTheTemplatesSaysWhenCostBearerFilesAreMissingHasNothingToChangeAndLeavingCloses) {
  std::filesystem::remove_all(daten / "Abrechng/2024/Kosttr");
  zeigen();
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].text, "Kostenträgerdateien nicht verfügbar");
  EXPECT_EQ(dialogs.transcript()[0].caption, "Fehler");
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/Ann.db") && daten.exists("Abrechng/2024/Daten/AdrAnn.db"));
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);
  EXPECT_TRUE(browsing());
  // The new table is empty: "Än&dern" has nothing to change and leaves no blank record.
  ASSERT_TRUE(form->BitBtnAnnAendern->userClick());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(form->TableAnn->state(), db::TableState::Browse);
  EXPECT_EQ(form->TableAnn->recordCount(), 0);
  form->PageControl1->setActivePageIndex(0);
  EXPECT_FALSE(form->TableAnn->active() || form->TableAdrAnn->active());
}

TEST_F(Annahmestellen, ANewOfficeTypedAndSavedStoresNamesAddressAndFalseFlags) {
  zeigen();
  neu(kAok);
  EXPECT_FALSE(form->EditAnnSuchen->enabled());
  EXPECT_EQ(kurzname(form->DBEdit14->text()), "AOK Bayern");
  // Return walks DBEdit13, DBEdit53 to DBEdit55, then the office IKs; empty edits are coloured.
  form->DBEdit13->userKey(U'\r');
  form->DBEdit53->userType("3x0");  // the digit filter swallows the letter
  EXPECT_EQ(form->DBEdit53->text(), "30");
  for (ui::TDBEdit* tage : {form->DBEdit53, form->DBEdit54}) {
    char32_t entf = ui::kCharDelete;  // Delete passes, as Backspace does
    EXPECT_TRUE(tage->keyPress(entf)) << tage->name();
  }
  for (ui::TCustomEdit* next : {form->DBEdit54, form->DBEdit55, form->DBEdit1}) {
    ASSERT_TRUE(taste(*form->activeControl(), ui::kKeyReturn));
    EXPECT_EQ(form->activeControl(), next);
    EXPECT_EQ(next->color(), ui::kColorEmptyEntered);
  }
  // The office IK, character by character: name and address appear with the ninth.
  const std::string ik = kDav;
  for (size_t n = 1; n <= ik.size(); ++n) {
    SCOPED_TRACE(n);
    form->DBEdit1->userKey(static_cast<char32_t>(ik[n - 1]));
    const bool voll = n == ik.size();
    EXPECT_EQ(kurzname(form->DBEdit2->text()), voll ? "DAV Rechenzentrum" : "");
    EXPECT_EQ(form->DBEdit15->visible(), voll);
    EXPECT_EQ(form->LabelAdrAusKosttr->visible(), voll);
  }
  EXPECT_EQ(form->DBEdit20->text(), kDav);

  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);
  EXPECT_FALSE(form->DBEdit15->visible());
  EXPECT_TRUE(dialogs.transcript().empty());
  const auto ann = gespeichert("Ann.DB");
  ASSERT_EQ(ann.size(), 1u);
  EXPECT_EQ(ann[0].at("Kostentraeger"), kAok);
  EXPECT_EQ(platform::trim(ann[0].at("NameKostentraeger")), "AOK Bayern");
  EXPECT_EQ(ann[0].at("Rechnungen300"), kDav);
  EXPECT_EQ(platform::trim(ann[0].at("NameRechnungen300")), "DAV Rechenzentrum");
  EXPECT_EQ(ann[0].at("NettoTage"), "30");
  EXPECT_EQ(ann[0].at("Rechnung mit PaketNr."), "False");
  EXPECT_EQ(ann[0].at("SaRe mit PaketNr."), "False");
  EXPECT_EQ(gespeichert("AdrAnn.DB"), (std::vector<Satz>{{{"Ik", kDav},
                                                          {"Name", "Datenannahme §300"},
                                                          {"Name2", "Abteilung Sprechstundenbedarf"},
                                                          {"Strasse", "Königsallee 1"},
                                                          {"Plz", "40211"},
                                                          {"Ort", "Düsseldorf"},
                                                          {"IkTatsaechlich", ""}}}));
}

TEST_F(Annahmestellen, AnIkTheFilesDoNotKnowEmptiesTheNameOrTakesItFromTheActualIk) {
  tabelle("Ann.DB", {{{"Kostentraeger", kAok},
                      {"NameKostentraeger", "AOK"},
                      {"Verordnungen300", kDav},
                      {"NameVerordnungen300", "DAV Rechenzentrum"}}});
  tabelle("AdrAnn.DB", {{{"Ik", "999000001"}, {"Name", "Sammelstelle"}, {"IkTatsaechlich", kDav}}});
  zeigen();
  ASSERT_TRUE(form->BitBtnAnnAendern->userClick());
  ASSERT_TRUE(form->DBEdit3->userReach());
  form->DBEdit3->userType("\b\b\b777");  // 109905777: in no cost-bearer file, no address yet
  EXPECT_EQ(form->DBEdit4->text(), "");
  EXPECT_FALSE(form->LabelAdrAusKosttr->visible());
  EXPECT_EQ(form->DBEdit20->text(), "109905777");
  // An address whose actual IK the files know lends the office its name.
  form->DBEdit3->userType(std::string(9, '\b') + "999000001");
  EXPECT_EQ(form->DBEdit15->text(), "Sammelstelle");
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  EXPECT_EQ(platform::trim(gespeichert("Ann.DB").at(0).at("NameVerordnungen300")), "DAV Rechenzentrum");
  EXPECT_EQ(gespeichert("AdrAnn.DB").size(), 1u);  // the address left unsaved for 109905777
}

TEST_F(Annahmestellen, ASaveWithoutANineDigitCostBearerAndItsNameSaysSoAndKeepsWhatWasTyped) {
  zeigen();
  // Eight digits; nine the files do not know. "18..." is a §105 cost bearer (no §302
  // prescriptions: Return goes on from DBEdit7 to the save button), "20..." leaves the group
  // box as it was.
  const std::tuple<const char*, const char*, bool> faelle[] = {
      {"10831040", "§302", true}, {"181234567", "§105", false}, {"201234567", "§105", false}};
  for (const auto& [kosttr, caption, verordnungen] : faelle) {
    SCOPED_TRACE(kosttr);
    dialogs.clear();
    neu(kosttr);
    EXPECT_EQ(form->GroupBox9->caption(), caption);
    for (ui::TControl* c :
         std::initializer_list<ui::TControl*>{form->DBEdit9, form->DBEdit10, form->BitBtn302Ver})
      EXPECT_EQ(c->visible(), verordnungen);
    ASSERT_TRUE(form->DBEdit7->userReach());
    ASSERT_TRUE(taste(*form->DBEdit7, ui::kKeyReturn));
    EXPECT_EQ(form->activeControl(),
              verordnungen ? static_cast<ui::TWinControl*>(form->DBEdit9) : form->BitBtnAnnSpeichern);
    ASSERT_TRUE(form->DBEdit1->userReach());
    form->DBEdit1->userType(kDav);
    ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
    // The entry stays on screen, address included, to be corrected or left.
    EXPECT_FALSE(browsing());
    EXPECT_EQ(form->DBEdit13->text(), kosttr);
    EXPECT_EQ(form->DBEdit15->text(), "Datenannahme §300");
    verlassen();
    EXPECT_TRUE(browsing());
    EXPECT_TRUE(gespeichert("Ann.DB").empty());
    EXPECT_TRUE(gespeichert("AdrAnn.DB").empty());
  }
}

TEST_F(Annahmestellen, ATrailingStarInATypedIkIsACharacterNotAPrefix) {
  tabelle("Ann.DB",
          {{{"Kostentraeger", "101097008"}, {"NameKostentraeger", "BKK Stern"}, {"NettoTage", "14"}}});
  tabelle("AdrAnn.DB", {{{"Ik", "661430035"}, {"Name", "Gespeichert"}}});
  zeigen();
  neu("10109700*");  // not the record of 101097008 offered
  ASSERT_TRUE(form->DBEdit1->userReach());
  form->DBEdit1->userType("66143003*");  // not the address of 661430035 shown
  EXPECT_EQ(form->DBEdit53->text() + "|" + form->DBEdit20->text() + "|" + form->DBEdit15->text(),
            "|66143003*|");
  EXPECT_TRUE(dialogs.transcript().empty());
  ASSERT_TRUE(form->BitBtnAnnAdressenSpeichern->userClick());  // no name: refused
  verlassen();
  EXPECT_EQ(gespeichert("Ann.DB").at(0).at("NettoTage"), "14");
  ASSERT_EQ(gespeichert("AdrAnn.DB").size(), 1u);
  EXPECT_EQ(gespeichert("AdrAnn.DB")[0].at("Name"), "Gespeichert");
}

TEST_F(Annahmestellen, AChangedAddressStaysOnScreenWhenAnotherIkIsEnteredUntilTheSaveStoresIt) {
  tabelle("Ann.DB", {{{"Kostentraeger", kAok},
                      {"NameKostentraeger", "AOK"},
                      {"Rechnungen300", kDav},
                      {"Verordnungen300", "109900002"}}});
  tabelle("AdrAnn.DB", {{{"Ik", kDav}, {"Name", "Datenannahme"}}, {{"Ik", "109900002"}, {"Name", "Zweite"}}});
  zeigen();
  // "Name 2" of the office of DBEdit1 changed, then on to the next office IK, an empty one, or
  // back to DBEdit1 to shorten its IK.
  const std::pair<const char*, ui::TDBEdit*> faelle[] = {
      {"Neu 1", form->DBEdit3}, {"Neu 2", form->DBEdit5}, {"Neu 3", form->DBEdit1}};
  for (const auto& [name2, weiter] : faelle) {
    SCOPED_TRACE(name2);
    dialogs.clear();
    ASSERT_TRUE(form->BitBtnAnnAendern->userClick() && form->DBEdit1->userReach() &&
                form->DBEdit16->userReach());
    form->DBEdit16->userType(std::string(form->DBEdit16->text().size(), '\b') + name2);
    ASSERT_TRUE(weiter->userReach());
    if (weiter == form->DBEdit1) weiter->userKey(U'\b');
    EXPECT_EQ(form->DBEdit20->text() + "|" + form->DBEdit16->text(), std::string(kDav) + "|" + name2);
    ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
    EXPECT_EQ(dialogs.transcript().size(), 1u);  // told once that it stays
    EXPECT_EQ(gespeichert("AdrAnn.DB").at(0).at("Name2"), name2);
  }
  EXPECT_EQ(gespeichert("AdrAnn.DB").at(1).at("Name"), "Zweite");
  EXPECT_EQ(gespeichert("Ann.DB").at(0).at("Rechnungen300"), "10990500");  // the shortened IK
}

TEST_F(Annahmestellen, TheSearchFindsPrefixesOfIkOrNameAndTakesTypedCharactersLiterally) {
  const char* iks[] = {"101111111", "102222222", "103333333", "104444444", "181111111"};
  const char* namen[] = {"BKK Süd", "O'Neill Kasse", "*Stern", "50% Kasse", "bkk nord"};
  std::vector<Satz> saetze;
  for (size_t i = 0; i < 5; ++i)
    saetze.push_back({{"Kostentraeger", iks[i]}, {"NameKostentraeger", namen[i]}});
  tabelle("Ann.DB", saetze);
  const std::pair<const char*, std::vector<int>> faelle[] = {
      {"10", {0, 1, 2, 3}}, {"BKK", {0, 4}}, {"bkk s", {0}}, {"bkk süd 123", {0}},  // 11: filter unchanged
      {"O'N", {1}},         {"*", {2}},      {"50%", {3}},   {"%", {}},
      {"", {0, 1, 2, 3, 4}}};
  zeigen();
  for (const auto& [text, zeilen] : faelle) {
    SCOPED_TRACE(text);
    form->EditAnnSuchen->setText(text);
    ASSERT_EQ(form->DBGridAnn->rowCount(), static_cast<int>(zeilen.size()));
    for (size_t r = 0; r < zeilen.size(); ++r)
      EXPECT_EQ(form->DBGridAnn->cell(static_cast<int>(r), 0).text, iks[zeilen[r]]);
  }
}

TEST_F(Annahmestellen, DeleteAsksAndDeletesOnlyOnYes) {
  tabelle("Ann.DB", {{{"Kostentraeger", "101111111"}}, {{"Kostentraeger", "102222222"}}});
  zeigen();
  for (ui::DlgResult antwort : {ui::DlgResult::No, ui::DlgResult::Yes}) {
    dialogs.answer(antwort);
    ASSERT_TRUE(form->BitBtnAnnLoeschen->userClick());
  }
  ASSERT_EQ(dialogs.transcript().size(), 2u);
  EXPECT_EQ(dialogs.transcript()[1].text, "Wollen Sie die Annahmestelle wirklich löschen?");
  EXPECT_EQ(dialogs.transcript()[1].type, ui::DlgType::Warning);
  EXPECT_EQ(dialogs.transcript()[1].buttons, ui::DlgButtons::YesNo);
  ASSERT_EQ(gespeichert("Ann.DB").size(), 1u);
  EXPECT_EQ(gespeichert("Ann.DB")[0].at("Kostentraeger"), "102222222");
  EXPECT_EQ(form->DBEdit13->text(), "102222222");
}

TEST_F(Annahmestellen, NewForACostBearerThatHasARecordOffersThatRecord) {
  tabelle("Ann.DB", {{{"Kostentraeger", "101111111"}},
                     {{"Kostentraeger", kAok}, {"NameKostentraeger", "AOK"}, {"NettoTage", "14"}}});
  zeigen();
  form->EditAnnSuchen->setText("1011");  // the search hides the AOK's record
  neu(kAok);
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_NE(dialogs.transcript()[0].text.find(kAok), std::string::npos);
  EXPECT_EQ(form->DBEdit53->text(), "14");
  ASSERT_TRUE(form->DBEdit53->userReach());
  form->DBEdit53->userType("\b\b21");
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  const auto ann = gespeichert("Ann.DB");
  ASSERT_EQ(ann.size(), 2u);
  EXPECT_EQ(ann[1].at("NettoTage"), "21");
}

TEST_F(Annahmestellen, TheAddressStepShowsAStoredAddressAsItIsAndFillsANewOneByPosition) {
  tabelle("AdrAnn.DB", {{{"Ik", kDav}, {"Name", "Eigene Anschrift"}, {"Ort", "Köln"}}});
  auskunft.setze(Basis::S302, "101111111",
                 adressblock("BKK", "Betriebskrankenkasse", "35387", "Gießen", "Weg 1",
                             "Zweite Zeile mit 30 Zeichen!!!"));
  auskunft.setze(Basis::S302, "102222222", adressblock("Kurz", "Nur der Name", "", "", "").substr(0, 40));
  zeigen();
  // Name|Name2|Strasse|Plz|Ort as shown; a §105 office is looked up in the §302 file.
  const std::tuple<const char*, const char*, bool, const char*> faelle[] = {
      {kDav, "300", false, "Eigene Anschrift||||Köln"},
      {"101111111", "105", true, "Betriebskrankenkasse|Zweite Zeile mit 30 Zeichen!!!|Weg 1|35387|Gießen"},
      {"102222222", "302", true, "Nur der Na||||"},  // a block cut off at 40 bytes
      {"101111111", "300", false, "||||"},           // not in the §300 file
  };
  for (const auto& [ik, kind, label, werte] : faelle) {
    SCOPED_TRACE(std::string(ik) + " " + kind);
    AnnAdresseAusKosttr(ik, kind);
    EXPECT_TRUE(form->DBEdit15->visible() && form->BitBtnAnnAdressenSpeichern->visible());
    EXPECT_EQ(form->LabelAdrAusKosttr->visible(), label);
    EXPECT_EQ(form->DBEdit20->text(), ik);
    EXPECT_EQ(form->DBEdit15->text() + "|" + form->DBEdit16->text() + "|" + form->DBEdit17->text() + "|" +
                  form->DBEdit18->text() + "|" + form->DBEdit19->text(),
              werte);
  }
  AnnAdresseVerbergen();
  EXPECT_FALSE(form->DBEdit20->visible());
  EXPECT_EQ(gespeichert("AdrAnn.DB").size(), 1u);  // the filled records were never stored
}

TEST_F(Annahmestellen, AnAddressIsStoredOnlyWithNineDigitsAndAName) {
  auskunft.setze(Basis::S300, "109911111", adressblock("Ohne Namen", "", "12345", "Ort", "Weg"));
  zeigen();
  neu(kAok);
  ASSERT_TRUE(form->DBEdit1->userReach());
  form->DBEdit1->userType("109911111");
  ASSERT_TRUE(form->BitBtnAnnAdressenSpeichern->userClick());  // a blank name: refused, told
  EXPECT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_TRUE(form->DBEdit15->visible());              // the entry stays, to be completed
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());  // the office is stored, the address is not
  EXPECT_EQ(dialogs.transcript().size(), 2u);
  EXPECT_EQ(gespeichert("Ann.DB").size(), 1u);
  EXPECT_TRUE(gespeichert("AdrAnn.DB").empty());

  ASSERT_TRUE(form->BitBtnAnnAendern->userClick());
  ASSERT_TRUE(form->DBEdit1->userReach());
  form->DBEdit15->userType("Annahme West");
  ASSERT_TRUE(form->BitBtnAnnAdressenSpeichern->userClick());
  ASSERT_EQ(gespeichert("AdrAnn.DB").size(), 1u);
  EXPECT_EQ(gespeichert("AdrAnn.DB")[0].at("Name"), "Annahme West");
}

TEST_F(Annahmestellen, ASaveTheTableRefusesKeepsTheEntryOnScreenToBeCorrected) {
  auskunft.setze(Basis::S302, "101111111", adressblock("BKK Süd", "BKK Süd", "80331", "München", "Weg 1"));
  zeigen();
  neu(kAok);
  ASSERT_TRUE(form->DBEdit53->userReach());
  form->DBEdit53->userType("30");
  // Meanwhile another workstation on the same data folder stores the AOK's record.
  tabelle("Ann.DB", {{{"Kostentraeger", kAok}, {"NameKostentraeger", "AOK von nebenan"}}});
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].caption, "Fehler !");
  EXPECT_TRUE(dialogs.transcript()[0].text.starts_with("Die Annahmestelle kann nicht gespeichert werden."));
  // Still editing: the typed entry is there to be corrected, not dropped by leaving the panel.
  EXPECT_FALSE(browsing());
  EXPECT_TRUE(form->activeControl() && form->activeControl()->isWithin(form->PanelAnn));
  EXPECT_EQ(form->DBEdit53->text(), "30");
  ASSERT_TRUE(form->DBEdit13->userReach());
  form->DBEdit13->userType(std::string(9, '\b') + "101111111");
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  EXPECT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_TRUE(browsing());
  const auto ann = gespeichert("Ann.DB");
  ASSERT_EQ(ann.size(), 2u);  // in key order
  EXPECT_EQ(ann[0].at("Kostentraeger"), "101111111");
  EXPECT_EQ(ann[0].at("NettoTage"), "30");
  EXPECT_EQ(ann[1].at("NameKostentraeger"), "AOK von nebenan");
}

}  // namespace
}  // namespace riviza::test
