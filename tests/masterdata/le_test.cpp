// The service-provider form and its launcher on fixture tables: which Le.db the form opens, a
// provider typed along the Return chain and saved, entries dropped, kept or stored on leaving the
// panel, activation and closing, the delete guard and the keys that close the form.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "ann_fixture.h"
#include "forms/DiviveveLe1.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

class Le : public AnnTab {
 protected:
  Le() {
    tabelle("Le.DB", {{{"Nummer", "111111111"}, {"Name", "Praxis 2024"}}});
    jahrOhneIni("2023");
    tabelle("Le.DB", {{{"Nummer", "222222222"}}}, imDaten("Abrechng\\2023\\Daten"));
    tabelle("Le.DB", {{{"Nummer", "000000000"}}}, imDaten("Abrechng\\Daten"));
  }
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
    return !le().PanelLe->enabled() && !le().BitBtnLeSpeichern->enabled() && le().BitBtnLeNeu->enabled() &&
           le().DBNavigatorLe->enabled();
  }

  std::unique_ptr<TFormLe> le_;
};

TEST_F(Le, TheLauncherOpensItsYearsTableAndTheFormAloneFindsItsYearFromTheProgramFolder) {
  // The program folder's file names 2023; the launcher's year is the settings form's 2024.
  const std::string wurzel = "[EINSTELLUNGEN]\r\nBüroWARE=" + daten.str() + "\r\n";
  iniSchreiben(programm, "Abrechng.ini", wurzel + "AktuellesJahr=2023\r\n");
  le().EditGeoeffnetVon->setText("x");
  aufrufen();
  EXPECT_TRUE(le().visible() && browsing());
  EXPECT_EQ(nummer(), "111111111");
  EXPECT_EQ(le().EditGeoeffnetVon->text(), "");
  EXPECT_EQ(le().activeControl(), le().EditSuchenLe);

  // Without the launcher: a year whose folder is missing, or none, falls back to Abrechng\.
  const std::pair<std::string, const char*> faelle[] = {
      {wurzel + "AktuellesJahr=2023\r\n", "222222222"},   {wurzel + "AktuellesJahr=2019\r\n", "000000000"},
      {wurzel + "AktuellesJahr=\r\n", "000000000"},       {wurzel, "000000000"},
      {"[EINSTELLUNGEN]\r\nAktuellesJahr=2023\r\n", "-"},  // no data root: nothing opens
  };
  for (const auto& [ini, erwartet] : faelle) {
    SCOPED_TRACE(ini);
    iniSchreiben(programm, "Abrechng.ini", ini);
    le_.reset();
    le().show();
    EXPECT_EQ(nummer(), erwartet);
  }
  ASSERT_TRUE(le().BitBtnLeNeu->userClick());  // no table: the record buttons do nothing
  EXPECT_TRUE(browsing());

  std::filesystem::remove(daten / "Abrechng/2024/Daten/Le.DB");
  le().close();
  aufrufen();
  EXPECT_FALSE(le().visible());
  ASSERT_EQ(dialogs.transcript().size(), 1u);
  EXPECT_EQ(dialogs.transcript()[0].caption, "Hinweis !");
}

TEST_F(Le, ANewProviderTypedAlongTheReturnChainIsStoredWithBothFlagsFalse) {
  aufrufen();
  TFormLe& f = le();
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  EXPECT_FALSE(f.BitBtnLeNeu->enabled() || f.BitBtnLeLoeschen->enabled() || f.DBNavigatorLe->enabled());
  ui::TDBEdit* const kette[] = {f.DBEdit1,  f.DBEdit13, f.DBEdit2, f.DBEdit3, f.DBEdit4,
                                f.DBEdit5,  f.DBEdit6,  f.DBEdit7, f.DBEdit8, f.DBEdit9,
                                f.DBEdit10, f.DBEdit11, f.DBEdit12};
  f.DBEdit1->userType("333333333");
  for (ui::TDBEdit* edit : kette) {
    SCOPED_TRACE(edit->name());
    ASSERT_EQ(f.activeControl(), edit);
    EXPECT_EQ(edit->color(), ui::kColorEmptyEntered);  // entered empty (DBEdit1 before typing)
    ASSERT_TRUE(taste(*edit, ui::kKeyReturn));
  }
  ASSERT_TRUE(taste(*f.DBCheckBoxUstAusweisen, ui::kKeyReturn));
  ASSERT_TRUE(taste(*f.DBCheckBoxUstBefreiung, ui::kKeyReturn));
  EXPECT_EQ(f.activeControl(), f.BitBtnLeSpeichern);
  // IBAN, BIC and the billing code share the handlers of DBEdit9: they colour DBEdit9.
  ASSERT_TRUE(f.DBEditIban->userReach());
  EXPECT_EQ(f.DBEdit9->color(), ui::kColorEmptyEntered);
  EXPECT_EQ(f.DBEditIban->color(), ui::clWindow);
  f.DBEditIban->userType("DE02120300000000202051");
  ASSERT_TRUE(taste(*f.DBEditIban, ui::kKeyReturn));
  EXPECT_EQ(f.activeControl(), f.DBEdit10);

  ASSERT_TRUE(f.BitBtnLeSpeichern->userClick());
  EXPECT_EQ(f.activeControl(), f.DBGridLe);
  EXPECT_TRUE(browsing());
  Satz neu = gespeichert("Le.DB").at(1);
  EXPECT_EQ(neu["Nummer"] + neu["IBAN"] + neu["UstAusweisen"] + neu["UstBefreiung"],
            "333333333DE02120300000000202051FalseFalse");
  ASSERT_TRUE(f.BitBtnLeAendern->userClick());
  ASSERT_TRUE(f.DBCheckBoxUstBefreiung->userClick());
  ASSERT_TRUE(f.BitBtnLeSpeichern->userClick());
  neu = gespeichert("Le.DB").at(1);
  EXPECT_EQ(neu["UstAusweisen"] + neu["UstBefreiung"], "FalseTrue");
}

TEST_F(Le, EntriesAreDroppedOnLeavingThePanelKeptOnActivationAndStoredOnClosingOnlyWhenChanged) {
  aufrufen();
  TFormLe& f = le();
  ASSERT_TRUE(f.BitBtnLeAendern->userClick());
  f.DBEdit2->userType(" geändert");
  ASSERT_TRUE(f.DBGridLe->userReach());
  EXPECT_TRUE(browsing());
  EXPECT_EQ(gespeichert("Le.DB")[0].at("Name"), "Praxis 2024");

  // Activation leaves a half-typed entry and the search alone; closing stores it.
  f.EditSuchenLe->setText("1");
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  f.DBEdit1->userType("4444");
  f.activate();
  EXPECT_EQ(f.DBEdit1->text() + f.EditSuchenLe->text(), "44441");
  f.close();
  EXPECT_FALSE(f.visible() || f.TableLe->active());
  EXPECT_EQ(gespeichert("Le.DB").at(1).at("Nummer"), "4444");
  // An untouched "&Neu" leaves no blank record.
  aufrufen();
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  f.close();
  EXPECT_EQ(gespeichert("Le.DB").size(), 2u);

  // A changed folder is opened on activation, but not over a pending entry.
  aufrufen();
  ASSERT_TRUE(f.BitBtnLeAendern->userClick());
  f.DBEdit2->userType("x");
  f.LeOeffnen(imDaten("Abrechng\\2023\\Daten"));
  f.activate();
  EXPECT_EQ(nummer(), "111111111");
  ASSERT_TRUE(f.EditSuchenLe->userReach());
  f.activate();
  EXPECT_EQ(nummer(), "222222222");

  // A year switch over an untouched "&Neu" stores no blank record in the year it leaves, and
  // the entry's panel closes with that year.
  f.LeOeffnen(imDaten("Abrechng\\2024\\Daten"));
  f.activate();
  ASSERT_TRUE(f.BitBtnLeNeu->userClick());
  form->ComboBoxAktuellesJahr->setText("2023");
  form->ComboBoxAktuellesJahrChange(*form->ComboBoxAktuellesJahr);
  EXPECT_EQ(gespeichert("Le.DB", imDaten("Abrechng\\2024\\Daten")).size(), 2u);
  EXPECT_TRUE(browsing());
}

TEST_F(Le, TheSearchFindsTheStartOfNumberKeyOrNameAtAnyLengthAndShowingTheFormAgainClearsIt) {
  tabelle("Le.DB", {{{"Nummer", "222222222"}, {"Suchen", "MUSTER"}, {"Name", "O'Brien Physiotherapie"}},
                    {{"Nummer", "333333333"}, {"Suchen", "beispiel"}, {"Name", "Beispiel Reha"}}});
  aufrufen();
  TFormLe& f = le();
  // Typed text matches itself (apostrophe, "*"); a text longer than ten characters still filters.
  const std::pair<const char*, std::vector<std::string>> faelle[] = {
      {"1111", {"111111111"}},
      {"muster", {"222222222"}},
      {"BEISP", {"333333333"}},
      {"o'brien physio", {"222222222"}},
      {"Praxis 2024 Nord", {}},
      {"*", {}},
      {"", {"111111111", "222222222", "333333333"}},
  };
  for (const auto& [text, nummern] : faelle) {
    SCOPED_TRACE(text);
    f.EditSuchenLe->setText(text);
    std::vector<std::string> gezeigt;
    for (int r = 0; r < f.DBGridLe->rowCount(); ++r) gezeigt.push_back(f.DBGridLe->cell(r, 0).text);
    EXPECT_EQ(gezeigt, nummern);
  }
  f.EditSuchenLe->setText("muster");
  f.close();
  aufrufen();
  EXPECT_EQ(f.EditSuchenLe->text(), "");
  EXPECT_EQ(f.DBGridLe->rowCount(), 3);
}

TEST_F(Le, DeleteAsksOnlyWithARecordAndReturnOrEscClosesTheForm) {
  tabelle("Le.DB", {{{"Nummer", "999999999"}}});
  aufrufen();
  TFormLe& f = le();
  ASSERT_TRUE(f.DBNavigatorLe->userClick(ui::TNavigateBtn::nbLast));
  f.activate();  // as when the question's box closes: the cursor stays where the user put it
  const std::pair<ui::DlgResult, const char*> schritte[] = {{ui::DlgResult::No, "111111111 999999999 "},
                                                            {ui::DlgResult::Yes, "111111111 "},
                                                            {ui::DlgResult::Yes, ""}};
  for (const auto& [antwort, bleiben] : schritte) {
    dialogs.answer(antwort);
    ASSERT_TRUE(f.BitBtnLeLoeschen->userClick());
    std::string nummern;
    for (const Satz& s : gespeichert("Le.DB")) nummern += s.at("Nummer") + " ";
    EXPECT_EQ(nummern, bleiben);
  }
  ASSERT_TRUE(f.BitBtnLeLoeschen->userClick());  // empty: nothing is asked
  EXPECT_EQ(dialogs.texts(),
            std::vector<std::string>(3, "Wollen Sie den Rechnungsersteller wirklich löschen?"));
  EXPECT_EQ(dialogs.transcript()[0].type, ui::DlgType::Warning);

  const std::tuple<ui::TWinControl*, std::uint16_t, bool> tasten[] = {{f.EditSuchenLe, 'A', false},
                                                                      {f.EditSuchenLe, ui::kKeyReturn, true},
                                                                      {f.EditSuchenLe, ui::kKeyEscape, true},
                                                                      {f.DBGridLe, ui::kKeyReturn, true},
                                                                      {f.DBGridLe, ui::kKeyEscape, true}};
  for (const auto& [ziel, key, schliesst] : tasten) {
    SCOPED_TRACE(ziel->name() + " " + std::to_string(key));
    aufrufen();
    ASSERT_TRUE(taste(*ziel, key));
    EXPECT_EQ(f.visible(), !schliesst);
  }
}

}  // namespace
}  // namespace riviza::test
