// The service-provider form and its launcher on fixture tables: which Le.db the form opens (the
// launcher's, or the one it finds itself), a provider typed along the Return chain and saved,
// entries left, kept or stored on activation and closing, the delete guard and the keys that
// close the form.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "ann_fixture.h"
#include "app/DiviveveLe1.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

class Le : public AnnTab {
 protected:
  Le() { tabelle("Le.DB", {{{"Nummer", "111111111"}, {"Name", "Praxis 2024"}}}); }
  ~Le() override { le_.reset(); }

  TFormLe& le() {
    if (!le_) le_ = std::make_unique<TFormLe>();
    return *le_;
  }
  // A click on "Leistung&serbringer" on page 6.
  void aufrufen() {
    form->PageControl1->setActivePage(form->TabSheet8);
    le();
    ASSERT_TRUE(form->BitBtnLe->userClick());
  }
  std::string nummer() {
    return le().TableLe->active() ? le().TableLe->findField("Nummer")->asString() : "-";
  }
  bool browsing() {
    TFormLe& f = le();
    return !f.PanelLe->enabled() && !f.BitBtnLeSpeichern->enabled() && f.BitBtnLeNeu->enabled() &&
           f.BitBtnLeAendern->enabled() && f.BitBtnLeLoeschen->enabled() && f.DBNavigatorLe->enabled();
  }
  std::string ordner(const char* rel) const { return imDaten(rel); }

  std::unique_ptr<TFormLe> le_;
};

TEST_F(Le, TheLauncherOpensTheTableOfTheSettingsFormsYearOrSaysThereIsNone) {
  // The program folder's file names another year, which has a table of its own.
  jahrOhneIni("2023");
  tabelle("Le.DB", {{{"Nummer", "222222222"}}}, ordner("Abrechng\\2023\\Daten"));
  iniSchreiben(programm, "Abrechng.ini",
               "[EINSTELLUNGEN]\r\nBüroWARE=" + daten.str() + "\r\nAktuellesJahr=2023\r\n");
  le().EditGeoeffnetVon->setText("Einstellungen");
  aufrufen();
  EXPECT_TRUE(le().visible());
  EXPECT_EQ(nummer(), "111111111");
  EXPECT_EQ(le().EditGeoeffnetVon->text(), "");
  EXPECT_EQ(le().activeControl(), le().EditSuchenLe);
  EXPECT_TRUE(browsing());
  EXPECT_TRUE(dialogs.transcript().empty());

  le().close();
  std::filesystem::remove(daten / "Abrechng/2024/Daten/Le.DB");
  aufrufen();
  EXPECT_FALSE(le().visible());
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
  EXPECT_NE(dialogs.transcript()[0].text.find("Le.db"), std::string::npos);
}

TEST_F(Le, WithoutTheLauncherTheFormFindsItsYearFromTheProgramFoldersSettingsFile) {
  tabelle("Le.DB", {{{"Nummer", "000000000"}}}, ordner("Abrechng\\Daten"));
  const std::string wurzel = "BüroWARE=" + daten.str() + "\r\n";
  const std::pair<std::string, const char*> faelle[] = {
      {wurzel + "AktuellesJahr=2024\r\n", "111111111"},
      {wurzel + "AktuellesJahr=2019\r\n", "000000000"},  // no such folder: Abrechng\Daten
      {wurzel + "AktuellesJahr=\r\n", "000000000"},
      {wurzel, "000000000"},            // no year: "-1" has no folder either
      {"AktuellesJahr=2024\r\n", "-"},  // no data root: nothing opens
  };
  for (const auto& [ini, erwartet] : faelle) {
    SCOPED_TRACE(ini);
    iniSchreiben(programm, "Abrechng.ini", "[EINSTELLUNGEN]\r\n" + ini);
    le_.reset();
    le().show();
    EXPECT_EQ(nummer(), erwartet);
  }
  // The form without a table: the record buttons do nothing.
  ASSERT_TRUE(le().BitBtnLeNeu->userClick());
  ASSERT_TRUE(le().BitBtnLeAendern->userClick());
  EXPECT_TRUE(browsing());
}

TEST_F(Le, ANewProviderTypedAlongTheReturnChainIsStoredWithBothFlagsFalse) {
  aufrufen();
  TFormLe& f = le();
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  EXPECT_EQ(f.activeControl(), f.DBEdit1);
  EXPECT_TRUE(f.PanelLe->enabled() && f.BitBtnLeSpeichern->enabled());
  EXPECT_FALSE(f.BitBtnLeNeu->enabled() || f.BitBtnLeLoeschen->enabled() || f.DBNavigatorLe->enabled());
  const std::pair<ui::TDBEdit*, const char*> eingaben[] = {
      {f.DBEdit1, "333333333"},    {f.DBEdit13, "MUSTER"},
      {f.DBEdit2, "Muster Reha"},  {f.DBEdit3, "Sport & Therapie"},
      {f.DBEdit4, "Am Markt 1"},   {f.DBEdit5, "24103 Kiel"},
      {f.DBEdit6, "12/345/67890"}, {f.DBEdit7, "Förde Sparkasse"},
      {f.DBEdit8, "123456"},       {f.DBEdit9, "21050170"},
      {f.DBEdit10, "30"},          {f.DBEdit11, "10"},
      {f.DBEdit12, "2,5"},
  };
  for (const auto& [edit, text] : eingaben) {
    SCOPED_TRACE(edit->name());
    ASSERT_EQ(f.activeControl(), edit);
    EXPECT_EQ(edit->color(), ui::kColorEmptyEntered);
    edit->userType(text);
    ASSERT_TRUE(taste(*edit, ui::kKeyReturn));
  }
  for (ui::TWinControl* next : {static_cast<ui::TWinControl*>(f.DBCheckBoxUstBefreiung),
                                static_cast<ui::TWinControl*>(f.BitBtnLeSpeichern)}) {
    ASSERT_TRUE(taste(*f.activeControl(), ui::kKeyReturn));
    EXPECT_EQ(f.activeControl(), next);
  }
  // IBAN, BIC and the billing code share the handlers of DBEdit9: they colour DBEdit9.
  ASSERT_TRUE(f.DBEdit9->userReach());
  f.DBEdit9->userType(std::string(8, '\b'));
  ASSERT_TRUE(f.DBEditIban->userReach());
  EXPECT_EQ(f.DBEdit9->color(), ui::kColorEmptyEntered);
  EXPECT_EQ(f.DBEditIban->color(), ui::clWindow);
  f.DBEditIban->userType("DE02120300000000202051");
  ASSERT_TRUE(taste(*f.DBEditIban, ui::kKeyReturn));
  EXPECT_EQ(f.activeControl(), f.DBEdit10);
  EXPECT_EQ(f.DBEdit9->color(), ui::clWindow);

  ASSERT_TRUE(f.BitBtnLeSpeichern->userClick());
  EXPECT_EQ(f.activeControl(), f.DBGridLe);
  EXPECT_TRUE(browsing());
  const auto le = gespeichert("Le.DB");
  ASSERT_EQ(le.size(), 2u);
  EXPECT_EQ(le[1], (Satz{{"Nummer", "333333333"},
                         {"Suchen", "MUSTER"},
                         {"Name", "Muster Reha"},
                         {"Name2", "Sport & Therapie"},
                         {"Strasse", "Am Markt 1"},
                         {"PlzOrt", "24103 Kiel"},
                         {"SteuerNummer", "12/345/67890"},
                         {"NettoTage", "30"},
                         {"SkontoTage", "10"},
                         {"SkontoProzent", "2,5"},
                         {"Bank", "Förde Sparkasse"},
                         {"KontoNummer", "123456"},
                         {"Blz", ""},
                         {"LfdBelNr", ""},
                         {"UstAusweisen", "False"},
                         {"UstBefreiung", "False"},
                         {"AbrechnungsCode", ""},
                         {"IBAN", "DE02120300000000202051"},
                         {"BIC", ""}}));
  // A checked box is stored as True.
  ASSERT_TRUE(f.BitBtnLeAendern->userClick());
  ASSERT_TRUE(f.DBCheckBoxUstBefreiung->userClick());
  ASSERT_TRUE(f.BitBtnLeSpeichern->userClick());
  EXPECT_EQ(gespeichert("Le.DB")[1].at("UstBefreiung"), "True");
  EXPECT_EQ(gespeichert("Le.DB")[1].at("UstAusweisen"), "False");
}

TEST_F(Le, EntriesAreDroppedOnLeavingThePanelKeptOnActivationAndStoredOnClosingOnlyWhenChanged) {
  aufrufen();
  TFormLe& f = le();
  // Leaving the panel drops the change.
  ASSERT_TRUE(f.BitBtnLeAendern->userClick());
  f.DBEdit2->userType(" geändert");
  ASSERT_TRUE(f.DBGridLe->userReach());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(f.TableLe->state(), db::TableState::Browse);
  EXPECT_EQ(gespeichert("Le.DB")[0].at("Name"), "Praxis 2024");

  // Coming back to the window keeps a half-typed entry and the search as they are.
  f.EditSuchenLe->setText("1");
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  f.DBEdit1->userType("4444");
  f.activate();
  EXPECT_EQ(f.TableLe->state(), db::TableState::Insert);
  EXPECT_EQ(f.DBEdit1->text(), "4444");
  EXPECT_EQ(f.EditSuchenLe->text(), "1");
  // Closing stores it: a field was changed.
  f.close();
  EXPECT_FALSE(f.visible() || f.TableLe->active());
  ASSERT_EQ(gespeichert("Le.DB").size(), 2u);
  EXPECT_EQ(gespeichert("Le.DB")[1].at("Nummer"), "4444");

  // An untouched "&Neu" leaves no blank record on closing.
  aufrufen();
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  f.close();
  EXPECT_EQ(gespeichert("Le.DB").size(), 2u);

  // An activation reopens the table when its folder changed, but not over a pending entry.
  jahrOhneIni("2023");
  tabelle("Le.DB", {{{"Nummer", "222222222"}}}, ordner("Abrechng\\2023\\Daten"));
  aufrufen();
  ASSERT_TRUE(f.BitBtnLeAendern->userClick());
  f.DBEdit2->userType("x");
  f.LeOeffnen(ordner("Abrechng\\2023\\Daten"));
  f.activate();
  EXPECT_EQ(nummer(), "111111111");
  ASSERT_TRUE(f.EditSuchenLe->userReach());
  f.activate();
  EXPECT_EQ(nummer(), "222222222");
  EXPECT_EQ(gespeichert("Le.DB")[0].at("Name"), "Praxis 2024");
}

TEST_F(Le, DeleteAsksOnlyWithARecordAndTakesTheLastRecordAfterAMoveThere) {
  tabelle("Le.DB", {{{"Nummer", "222222222"}}});
  aufrufen();
  TFormLe& f = le();
  ASSERT_TRUE(f.DBNavigatorLe->userClick(ui::TNavigateBtn::nbLast));
  f.activate();  // as when the question's box closes: the cursor stays where the user put it
  ASSERT_EQ(nummer(), "222222222");
  for (ui::DlgResult antwort : {ui::DlgResult::No, ui::DlgResult::Yes}) {
    dialogs.answer(antwort);
    ASSERT_TRUE(f.BitBtnLeLoeschen->userClick());
  }
  ASSERT_EQ(dialogs.transcript().size(), 2u);
  EXPECT_EQ(dialogs.transcript()[0].text, "Wollen Sie den Rechnungsersteller wirklich löschen?");
  EXPECT_EQ(dialogs.transcript()[0].type, ui::DlgType::Warning);
  EXPECT_EQ(dialogs.transcript()[0].buttons, ui::DlgButtons::YesNo);
  ASSERT_EQ(gespeichert("Le.DB").size(), 1u);
  EXPECT_EQ(gespeichert("Le.DB")[0].at("Nummer"), "111111111");
  EXPECT_EQ(f.TableLe->state(), db::TableState::Browse);
  // The last one goes too; then there is nothing to delete and nothing is asked.
  dialogs.answer(ui::DlgResult::Yes);
  ASSERT_TRUE(f.BitBtnLeLoeschen->userClick());
  ASSERT_TRUE(f.BitBtnLeLoeschen->userClick());
  EXPECT_EQ(dialogs.transcript().size(), 3u);
  EXPECT_TRUE(gespeichert("Le.DB").empty());
}

TEST_F(Le, ReturnOrEscInTheSearchEditOrTheGridClosesTheForm) {
  const std::tuple<const char*, bool, std::uint16_t, bool> faelle[] = {
      {"search, Return", true, ui::kKeyReturn, true},
      {"search, Esc", true, ui::kKeyEscape, true},
      {"grid, Return", false, ui::kKeyReturn, true},
      {"grid, Esc", false, ui::kKeyEscape, true},
      {"search, A", true, 'A', false},
  };
  for (const auto& [was, suche, taste, schliesst] : faelle) {
    SCOPED_TRACE(was);
    aufrufen();
    ui::TWinControl& ziel = suche ? static_cast<ui::TWinControl&>(*le().EditSuchenLe) : *le().DBGridLe;
    ASSERT_TRUE(AnnTab::taste(ziel, taste));
    EXPECT_EQ(le().visible(), !schliesst);
  }
}

}  // namespace
}  // namespace riviza::test
