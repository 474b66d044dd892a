// The acceptance-office tab driven as a user drives it: new records typed and saved, IK edits
// with their names and addresses, the caption rule, refused saves, the search, delete, and the
// Return walk; on fixture tables and a fake cost-bearer lookup (one scenario on real files).
#include "masterdata/Annahmestellen.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ann_fixture.h"
#include "costbearer/fixtures.h"
#include "platform/codec.h"
#include "platform/text.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

using costbearer::Basis;

constexpr const char* kAok = "108310400";
constexpr const char* kDav = "109905003";  // an office of the §300 file

// The first 30 characters, trimmed: what a name field keeps.
std::string kurzname(const std::string& text) {
  return platform::trim(text.substr(0, std::min<size_t>(text.size(), 30)));
}

class Annahmestellen : public AnnTab {
 protected:
  Annahmestellen() {
    auskunft.setze(Basis::S302, kAok,
                   adressblock("AOK Bayern", "AOK Bayern Die Gesundheitskasse", "80331", "München",
                               "Carl-Wery-Straße 28"));
    auskunft.setze(Basis::S300, kDav,
                   adressblock("DAV Rechenzentrum", "Datenannahme §300", "40211", "Düsseldorf",
                               "Königsallee 1", "Abteilung Sprechstundenbedarf"));
  }
  // "&Neu" and the cost bearer typed.
  void neu(const char* kosttr) {
    ASSERT_TRUE(form->BitBtnAnnNeu->userClick());
    form->DBEdit13->userType(kosttr);
  }
  bool browsing() const {
    return !form->PanelAnn->enabled() && form->EditAnnSuchen->enabled() && form->BitBtnAnnNeu->enabled() &&
           form->DBNavigatorAnn->enabled() && !form->BitBtnAnnSpeichern->enabled();
  }
};

TEST_F(Annahmestellen, OpeningCopiesTheTemplatesSaysWhenCostBearerFilesAreMissingAndLeavingCloses) {
  std::filesystem::remove_all(daten / "Abrechng/2024/Kosttr");
  zeigen();
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].text, "Kostenträgerdateien nicht verfügbar");
  EXPECT_EQ(dialogs.transcript()[0].caption, "Fehler");
  EXPECT_EQ(dialogs.transcript()[0].icon, ui::MsgIcon::Error);
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/Ann.db"));
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/AdrAnn.db"));
  EXPECT_TRUE(form->TableAnn->active() && form->TableAdrAnn->active());
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);
  EXPECT_TRUE(browsing());

  form->PageControl1->setActivePageIndex(0);
  EXPECT_FALSE(form->TableAnn->active() || form->TableAdrAnn->active());
  zeigen();
  EXPECT_TRUE(form->TableAnn->active() && form->TableAdrAnn->active());
}

TEST_F(Annahmestellen, ANewOfficeTypedAndSavedStoresNamesAddressAndFalseFlags) {
  zeigen();
  EXPECT_TRUE(browsing());
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);

  neu(kAok);
  EXPECT_FALSE(form->EditAnnSuchen->enabled());
  EXPECT_TRUE(form->PanelAnn->enabled());
  EXPECT_EQ(kurzname(form->DBEdit14->text()), "AOK Bayern");
  EXPECT_EQ(form->GroupBox9->caption(), "§302");
  form->DBEdit13->userKey(U'\r');
  EXPECT_EQ(form->activeControl(), form->DBEdit53);
  form->DBEdit53->userType("3x0");  // the digit filter swallows the letter
  EXPECT_EQ(form->DBEdit53->text(), "30");

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
  EXPECT_EQ(form->DBEdit15->text(), "Datenannahme §300");
  EXPECT_EQ(form->DBEdit16->text(), "Abteilung Sprechstundenbedarf");
  EXPECT_EQ(form->DBEdit17->text(), "Königsallee 1");
  EXPECT_EQ(form->DBEdit18->text(), "40211");
  EXPECT_EQ(form->DBEdit19->text(), "Düsseldorf");
  EXPECT_EQ(form->DBEdit20->text(), kDav);

  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);
  EXPECT_FALSE(form->DBEdit15->visible());
  EXPECT_TRUE(dialogs.transcript().empty()) << dialogs.texts().front();

  const auto ann = gespeichert("Ann.DB");
  ASSERT_EQ(ann.size(), 1u);
  EXPECT_EQ(ann[0].at("Kostentraeger"), kAok);
  EXPECT_EQ(platform::trim(ann[0].at("NameKostentraeger")), "AOK Bayern");
  EXPECT_EQ(ann[0].at("Rechnungen300"), kDav);
  EXPECT_EQ(platform::trim(ann[0].at("NameRechnungen300")), "DAV Rechenzentrum");
  EXPECT_EQ(ann[0].at("NettoTage"), "30");
  EXPECT_EQ(ann[0].at("Rechnung mit PaketNr."), "False");
  EXPECT_EQ(ann[0].at("SaRe mit PaketNr."), "False");
  const auto adr = gespeichert("AdrAnn.DB");
  ASSERT_EQ(adr.size(), 1u);
  EXPECT_EQ(adr[0], (Satz{{"Ik", kDav},
                          {"Name", "Datenannahme §300"},
                          {"Name2", "Abteilung Sprechstundenbedarf"},
                          {"Strasse", "Königsallee 1"},
                          {"Plz", "40211"},
                          {"Ort", "Düsseldorf"},
                          {"IkTatsaechlich", ""}}));
}

TEST_F(Annahmestellen, AnIkTheFilesDoNotKnowEmptiesTheNameOrTakesItFromTheActualIk) {
  tabelle("Ann.DB", {{{"Kostentraeger", kAok},
                      {"NameKostentraeger", "AOK Bayern"},
                      {"Verordnungen300", kDav},
                      {"NameVerordnungen300", "DAV Rechenzentrum"}}});
  tabelle("AdrAnn.DB", {{{"Ik", "999000001"}, {"Name", "Sammelstelle"}, {"IkTatsaechlich", kDav}}});
  zeigen();
  ASSERT_TRUE(form->BitBtnAnnAendern->userClick());
  ASSERT_TRUE(form->DBEdit3->userReach());
  form->DBEdit3->userType("\b\b\b");
  EXPECT_EQ(form->DBEdit4->text(), "");
  form->DBEdit3->userType("777");  // 109905777: in no cost-bearer file, no address yet
  EXPECT_EQ(form->DBEdit4->text(), "");
  EXPECT_TRUE(form->DBEdit15->visible());
  EXPECT_FALSE(form->LabelAdrAusKosttr->visible());
  EXPECT_EQ(form->DBEdit20->text(), "109905777");
  EXPECT_EQ(form->DBEdit15->text(), "");

  // An address whose actual IK the files know lends the office its name.
  form->DBEdit3->userType("\b\b\b\b\b\b\b\b\b999000001");
  EXPECT_EQ(form->DBEdit15->text(), "Sammelstelle");
  EXPECT_EQ(kurzname(form->DBEdit4->text()), "DAV Rechenzentrum");

  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  const auto ann = gespeichert("Ann.DB");
  EXPECT_EQ(ann.at(0).at("Verordnungen300"), "999000001");
  EXPECT_EQ(platform::trim(ann.at(0).at("NameVerordnungen300")), "DAV Rechenzentrum");
  // The new address of 109905777 was left unsaved and is not stored in passing.
  EXPECT_EQ(gespeichert("AdrAnn.DB").size(), 1u);
}

TEST_F(Annahmestellen, ThePrefixOfTheCostBearerSetsTheSecondGroupBox) {
  struct Fall {
    const char* kosttr;
    const char* caption;
    bool verordnungen;
  };
  const Fall faelle[] = {
      {"181234567", "§105", false}, {"201234567", "§105", false},  // another prefix leaves the box as it was
      {"101234567", "§302", true},  {"1", "§302", true},          {"18", "§105", false},
  };
  zeigen();
  neu("");
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.kosttr);
    form->DBEdit13->setText(f.kosttr);
    EXPECT_EQ(form->GroupBox9->caption(), f.caption);
    EXPECT_EQ(form->DBEdit9->visible(), f.verordnungen);
    EXPECT_EQ(form->DBEdit10->visible(), f.verordnungen);
    EXPECT_EQ(form->BitBtn302Ver->visible(), f.verordnungen);
  }
}

TEST_F(Annahmestellen, ASaveWithoutANineDigitCostBearerAndItsNameStoresNothingAndSaysSo) {
  const char* faelle[] = {"10831040", "101234567"};  // eight digits; nine the files do not know
  zeigen();
  for (const char* kosttr : faelle) {
    SCOPED_TRACE(kosttr);
    dialogs.clear();
    neu(kosttr);
    ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
    ASSERT_EQ(dialogs.transcript().size(), 1u);
    EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
    EXPECT_TRUE(browsing());
    EXPECT_EQ(form->TableAnn->recordCount(), 0);
  }
  EXPECT_TRUE(gespeichert("Ann.DB").empty());
}

TEST_F(Annahmestellen, TheSearchFindsPrefixesOfIkOrNameAndTakesTypedCharactersLiterally) {
  tabelle("Ann.DB", {{{"Kostentraeger", "101111111"}, {"NameKostentraeger", "BKK Süd"}},
                     {{"Kostentraeger", "102222222"}, {"NameKostentraeger", "O'Neill Kasse"}},
                     {{"Kostentraeger", "103333333"}, {"NameKostentraeger", "*Stern"}},
                     {{"Kostentraeger", "104444444"}, {"NameKostentraeger", "50% Kasse"}},
                     {{"Kostentraeger", "181111111"}, {"NameKostentraeger", "bkk nord"}}});
  struct Fall {
    const char* text;
    std::vector<std::string> iks;
  };
  const std::vector<std::string> alle{"101111111", "102222222", "103333333", "104444444", "181111111"};
  const Fall faelle[] = {
      {"10", {"101111111", "102222222", "103333333", "104444444"}},
      {"BKK", {"101111111", "181111111"}},  // either case
      {"bkk s", {"101111111"}},
      {"bkk süd 123", {"101111111"}},  // eleven characters: the filter stays as it was
      {"O'N", {"102222222"}},
      {"*", {"103333333"}},
      {"50%", {"104444444"}},
      {"%", {}},
      {"", alle},
  };
  zeigen();
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.text);
    form->EditAnnSuchen->setText(f.text);
    EXPECT_EQ(gridIks(), f.iks);
  }
  EXPECT_TRUE(dialogs.transcript().empty());
}

TEST_F(Annahmestellen, DeleteAsksAndDeletesOnlyOnYes) {
  tabelle("Ann.DB", {{{"Kostentraeger", "101111111"}}, {{"Kostentraeger", "102222222"}}});
  zeigen();
  dialogs.answer(ui::DlgResult::No);
  ASSERT_TRUE(form->BitBtnAnnLoeschen->userClick());
  dialogs.answer(ui::DlgResult::Yes);
  ASSERT_TRUE(form->BitBtnAnnLoeschen->userClick());
  ASSERT_EQ(dialogs.transcript().size(), 2u);
  for (const auto& shown : dialogs.transcript()) {
    EXPECT_EQ(shown.text, "Wollen Sie die Annahmestelle wirklich löschen?");
    EXPECT_EQ(shown.type, ui::DlgType::Warning);
    EXPECT_EQ(shown.buttons, ui::DlgButtons::YesNo);
  }
  const auto ann = gespeichert("Ann.DB");
  ASSERT_EQ(ann.size(), 1u);
  EXPECT_EQ(ann[0].at("Kostentraeger"), "102222222");
  EXPECT_EQ(form->activeControl(), form->EditAnnSuchen);
  EXPECT_EQ(form->DBEdit13->text(), "102222222");
}

TEST_F(Annahmestellen, NewForACostBearerThatHasARecordOffersThatRecord) {
  tabelle("Ann.DB", {{{"Kostentraeger", "101111111"}, {"NettoTage", "10"}},
                     {{"Kostentraeger", kAok}, {"NameKostentraeger", "AOK Bayern"}, {"NettoTage", "14"}}});
  zeigen();
  form->EditAnnSuchen->setText("1011");  // the search hides the AOK's record
  neu(kAok);
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_NE(dialogs.transcript()[0].text.find(kAok), std::string::npos);
  EXPECT_EQ(form->TableAnn->state(), db::TableState::Edit);
  EXPECT_EQ(form->DBEdit53->text(), "14");
  EXPECT_EQ(form->EditAnnSuchen->text(), "");
  form->DBEdit53->setFocus();
  form->DBEdit53->userType("\b\b21");
  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());
  EXPECT_EQ(dialogs.transcript().size(), 1u);
  const auto ann = gespeichert("Ann.DB");
  ASSERT_EQ(ann.size(), 2u);
  EXPECT_EQ(ann[1].at("Kostentraeger"), kAok);
  EXPECT_EQ(ann[1].at("NettoTage"), "21");
}

TEST_F(Annahmestellen, ReturnWalksThePanelAndEmptyEditsAreColouredWhileFocused) {
  zeigen();
  neu("");
  const std::vector<ui::TWinControl*> weg{
      form->DBEdit13, form->DBEdit53, form->DBEdit54,          form->DBEdit55, form->DBEdit1,
      form->DBEdit3,  form->DBEdit5,  form->DBEdit21,          form->DBEdit23, form->DBEdit25,
      form->DBEdit7,  form->DBEdit9,  form->BitBtnAnnSpeichern};
  for (size_t i = 0; i + 1 < weg.size(); ++i) {
    SCOPED_TRACE(weg[i]->name());
    ASSERT_EQ(form->activeControl(), weg[i]);
    auto* edit = dynamic_cast<ui::TCustomEdit*>(weg[i]);
    EXPECT_EQ(edit->color(), ui::kColorEmptyEntered);
    ASSERT_TRUE(taste(*weg[i], ui::kKeyReturn));
    EXPECT_EQ(edit->color(), ui::clWindow);
  }
  EXPECT_EQ(form->activeControl(), form->BitBtnAnnSpeichern);
  // DBEdit56 shares DBEdit55's handlers: entering it colours DBEdit55, Return goes to DBEdit1.
  ASSERT_TRUE(form->DBEdit56->setFocus());
  EXPECT_EQ(form->DBEdit55->color(), ui::kColorEmptyEntered);
  ASSERT_TRUE(taste(*form->DBEdit56, ui::kKeyReturn));
  EXPECT_EQ(form->activeControl(), form->DBEdit1);
}

TEST_F(Annahmestellen, TheAddressStepShowsAStoredAddressAsItIsAndFillsANewOneByPosition) {
  tabelle("AdrAnn.DB", {{{"Ik", kDav}, {"Name", "Eigene Anschrift"}, {"Ort", "Köln"}}});
  auskunft.setze(Basis::S302, "101111111",
                 adressblock("BKK", "Betriebskrankenkasse", "35387", "Gießen", "Weg 1",
                             "Zweite Zeile mit genau 30 Zn."));
  auskunft.setze(Basis::S302, "102222222", adressblock("Kurz", "Nur der Name", "", "", "").substr(0, 40));
  zeigen();
  struct Fall {
    const char* ik;
    const char* kind;
    bool label;
    Satz felder;  // Name, Name2, Strasse, Plz, Ort
  };
  const Fall faelle[] = {
      {kDav, "300", false, {{"Name", "Eigene Anschrift"}, {"Ort", "Köln"}}},
      {"101111111",
       "105",
       true,  // §105 offices are looked up in the §302 file
       {{"Name", "Betriebskrankenkasse"},
        {"Name2", "Zweite Zeile mit genau 30 Zn."},
        {"Strasse", "Weg 1"},
        {"Plz", "35387"},
        {"Ort", "Gießen"}}},
      {"102222222", "302", true, {{"Name", "Nur der Na"}}},  // a block cut off at 40 bytes
      {"101111111", "300", false, {}},                       // not in the §300 file
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(std::string(f.ik) + " " + f.kind);
    AnnAdresseAusKosttr(f.ik, f.kind);
    EXPECT_TRUE(form->DBEdit15->visible());
    EXPECT_TRUE(form->BitBtnAnnAdressenSpeichern->visible());
    EXPECT_EQ(form->LabelAdrAusKosttr->visible(), f.label);
    EXPECT_EQ(form->DBEdit20->text(), f.ik);
    const std::pair<const char*, ui::TDBEdit*> edits[] = {{"Name", form->DBEdit15},
                                                          {"Name2", form->DBEdit16},
                                                          {"Strasse", form->DBEdit17},
                                                          {"Plz", form->DBEdit18},
                                                          {"Ort", form->DBEdit19}};
    for (const auto& [feld, edit] : edits)
      EXPECT_EQ(edit->text(), f.felder.contains(feld) ? f.felder.at(feld) : "") << feld;
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
  ASSERT_TRUE(form->DBEdit15->visible());
  ASSERT_TRUE(form->BitBtnAnnAdressenSpeichern->userClick());  // "&Adr Speich." with a blank name
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
  EXPECT_TRUE(form->DBEdit15->visible());  // the entry stays, to be completed

  ASSERT_TRUE(form->BitBtnAnnSpeichern->userClick());  // the office is stored, the address is not
  EXPECT_EQ(dialogs.transcript().size(), 2u);
  EXPECT_EQ(gespeichert("Ann.DB").size(), 1u);
  EXPECT_TRUE(gespeichert("AdrAnn.DB").empty());

  ASSERT_TRUE(form->BitBtnAnnAendern->userClick());
  ASSERT_TRUE(form->DBEdit1->userReach());
  form->DBEdit15->userType("Annahme West");
  ASSERT_TRUE(form->BitBtnAnnAdressenSpeichern->userClick());
  const auto adr = gespeichert("AdrAnn.DB");
  ASSERT_EQ(adr.size(), 1u);
  EXPECT_EQ(adr[0].at("Name"), "Annahme West");
  EXPECT_EQ(adr[0].at("Plz"), "12345");
}

TEST_F(Annahmestellen, NamesAndAddressesComeFromTheCostBearerFilesOfTheYear) {
  auskunftAktiv.reset();  // the lookups answer from the tables the tab reads when it shows
  daten.write("Abrechng/2024/Kosttr/AO05Q124.ke0",
              segmentFile(message({"IDK+101111111+99+BKK Süd'", "NAM+01+Betriebskrankenkasse+Süd-Ost'",
                                   "ANS+1+35387+Gießen+Weg 1'"})));
  zeigen();
  neu("");
  ASSERT_TRUE(form->DBEdit7->userReach());
  form->DBEdit7->userType("101111111");
  EXPECT_EQ(kurzname(form->DBEdit8->text()), "BKK Süd");
  EXPECT_TRUE(form->LabelAdrAusKosttr->visible());
  EXPECT_EQ(form->DBEdit15->text(), "Betriebskrankenkasse");
  EXPECT_EQ(form->DBEdit16->text(), "Süd-Ost");
  EXPECT_EQ(form->DBEdit17->text(), "Weg 1");
  EXPECT_EQ(form->DBEdit18->text(), "35387");
  EXPECT_EQ(form->DBEdit19->text(), "Gießen");
  EXPECT_TRUE(dialogs.transcript().empty());
}

}  // namespace
}  // namespace riviza::test
