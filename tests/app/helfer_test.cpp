// The settings-tab helpers, the two bulk corrections and the folder-browse component: the VAT
// rewrite against hand-computed sums, the refusal of bad rates, the co-payment reset, the digit
// filters (typed and pasted), the application choice, the folder pickers and TPathDialog with
// its callbacks on the scripted dialog.
#include "app/UPathDialog.h"
#include "forms/Riviza1_mwst.h"
#include "jahr_daten.h"
#include "platform/codec.h"
#include "ui/edit_family.h"

namespace riviza::test {
namespace {

using ui::DlgResult;

TEST(Mwst, RatesAsTypedAndRoundingToEven) {
  const std::pair<const char*, long long> gelesen[] = {{"19", 1900},      {"7", 700}, {"5,5", 550},
                                                       {" 16,00 ", 1600}, {"0", 0},   {"100", 10000}};
  for (const auto& [text, erwartet] : gelesen) EXPECT_EQ(mwstSatzLesen(text), erwartet) << text;
  for (const char* text : {"100,01", "7.5", "", "-7", "1,234", "19,", ",5", "1 9"})
    EXPECT_EQ(mwstSatzLesen(text), std::nullopt) << text;
  // 9,5 -> 10 and 10,5 -> 10 (ties to the even neighbour), also below zero.
  const std::tuple<long long, long long, long long> teilungen[] = {{95, 10, 10},   {105, 10, 10}, {85, 10, 8},
                                                                   {-95, 10, -10}, {-85, 10, -8}, {2, 3, 1},
                                                                   {1, 3, 0},      {-1, 3, 0}};
  for (const auto& [a, b, q] : teilungen) EXPECT_EQ(rundenGerade(a, b), q) << a << "/" << b;
}

class Helfer : public JahrShell {
 public:
  void SetUp() override {
    jahrMitTabellen("2024");
    oeffnen();
  }
};

// Voucher 100: 3 x 10,00 at 19 % is 35,70; 2 x 2,50 at 7 % is 2 x (2,50 + 0,175 -> 0,18);
// 0,50 at 19 % has 0,095 -> 0,10 of VAT; 1,50 at 7 % has 0,105 -> 0,10; a position of another
// indicator keeps its 16 %; the position without article goes. Sum 35,70 + 5,36 + 0,60 + 1,16
// + 1,60 = 44,42, co-payments 0,50 + 5,00 = 5,50. Billed vouchers, a voucher without number
// and the rates of other vouchers stay apart ("1" is not "17").
TEST_F(Helfer, TheVatRewriteRecomputesEveryOpenVoucher) {
  const std::string d = datenVon("2024");
  saetzeSchreiben(d, "ErfBeleg.DB",
                  std::vector<Felder>{{{"BelegNummer", "100"}, {"Verarbeitet", "0"}},
                                      {{"BelegNummer", "101"}, {"Verarbeitet", "1"}, {"GesBrutto", "9"}},
                                      {{"BelegNummer", ""}, {"Verarbeitet", "0"}, {"GesBrutto", "8"}},
                                      {{"BelegNummer", "1"}, {"Verarbeitet", "0"}},
                                      {{"BelegNummer", "17"}, {"Verarbeitet", "0"}}});
  auto pos = [](std::string beleg, std::string hm, std::string pzn, std::string kz, std::string menge,
                std::string preis, std::string kzZuz = "", std::string zuz = "0", std::string vz = "") {
    return Felder{{"BelegNummer", beleg},       {"HM Nummer", hm},
                  {"Pharmazentralnummer", pzn}, {"MwSt Kennzeichen", kz},
                  {"MwSt Satz", "16"},          {"Anzahl", menge},
                  {"Einzelbetrag", preis},      {"KzZUZ", kzZuz},
                  {"Zuzahlung", zuz},           {"Versorgungszeitraum", vz},
                  {"KzZuzahlberechnung", "X"},  {"PosNr", "9"}};
  };
  saetzeSchreiben(
      d, "ErfPosition.DB",
      std::vector<Felder>{
          pos("100", "A1", "", "1", "3", "10,00"), pos("100", "", "", "1", "1", "1,00", "J", "9,99"),
          pos("100", "", "1234567", "2", "2", "2,50", "J", "0,50"),
          pos("100", "B2", "", "1", "1", "0,50", "J", "5,00", "01.2024"),
          pos("100", "C3", "", "3", "1", "1,00", "J", "0"), pos("100", "D4", "", "2", "1", "1,50"),
          pos("101", "E1", "", "1", "1", "1,00"), pos("", "Z1", "", "1", "1", "1,00"),
          pos("1", "G1", "", "1", "1", "1,00"), pos("17", "H1", "", "2", "1", "1,00")});
  form->EditMwStVoll->setText(" 19 ");
  form->EditMwstErm->setText("7");
  form->ButtonMwst->click();
  EXPECT_EQ(texte(),
            (Zeilen{"MwSt-Sätze werden in nicht abgerechneten Rezepten / Verordnungen überschrieben\n\n"
                    "Sind Sie sicher ?",
                    "MwSt-Sätze geändert, Verarbeitung beendet"}));
  EXPECT_EQ(jahrWert("2024", "MwSt1", "FIRMA"), "19");
  EXPECT_EQ(jahrWert("2024", "MwSt2", "FIRMA"), "7");
  EXPECT_EQ(saetze(d, "ErfPosition.DB",
                   {"BelegNummer", "PosNr", "HM Nummer", "MwSt Satz", "GesNetto", "GesBrutto",
                    "KzZuzahlberechnung"}),
            (Zeilen{"100|1|A1|19|30|35,7|X", "100|2||7|5|5,36|2", "100|3|B2|19|0,5|0,6|1",
                    "100|4|C3|16|1|1,16|0", "100|5|D4|7|1,5|1,6|X", "101|9|E1|16|||X", "|9|Z1|16|||X",
                    "1|1|G1|19|1|1,19|X", "17|1|H1|7|1|1,07|X"}));
  EXPECT_EQ(saetze(d, "ErfBeleg.DB", {"BelegNummer", "GesBrutto", "GesZuzahlung", "PauschalerZuzahlbetrag"}),
            (Zeilen{"100|44,42|5,5|0", "101|9||", "|8||", "1|1,19|0|0", "17|1,07|0|0"}));
  EXPECT_FALSE(form->LabelWarten->visible());
}

TEST_F(Helfer, BadRatesAreRefusedBeforeAnythingChanges) {
  saetzeSchreiben(datenVon("2024"), "ErfBeleg.DB",
                  std::vector<Felder>{{{"BelegNummer", "1"}, {"Verarbeitet", "0"}}});
  for (const auto& [voll, erm, zeigt] : {std::tuple{"19,5,1", "7", "19,5,1"}, std::tuple{"19", "101", "101"},
                                         std::tuple{"", "7", ""}, std::tuple{"19", "7.5", "7.5"}}) {
    SCOPED_TRACE(std::string(voll) + "/" + erm);
    dialogs.clear();
    form->EditMwStVoll->setText(voll);
    form->EditMwstErm->setText(erm);
    form->ButtonMwst->click();
    EXPECT_EQ(texte(), Zeilen{"MwSt-Satz <<" + std::string(zeigt) +
                              ">> ungültig, bitte eine Zahl von 0 bis 100 eingeben!"});
    EXPECT_EQ(jahrWert("2024", "MwSt1", "FIRMA"), "-1");
    EXPECT_EQ(saetze(datenVon("2024"), "ErfBeleg.DB", {"GesBrutto"}), Zeilen{""});
  }
}

TEST_F(Helfer, TheCoPaymentExemptionsAreReset) {
  saetzeSchreiben(datenVon("2024"), "Patienten.DB",
                  std::vector<Felder>{{{"Zuzahlungsbefreit", "True"}},
                                      {{"Zuzahlungsbefreit", "False"}},
                                      {{"Zuzahlungsbefreit", "True"}}});
  dialogs.answer(DlgResult::No);
  form->BitBtnLoeschZuzBefreiung->click();
  EXPECT_EQ(saetze(datenVon("2024"), "Patienten.DB", {"Zuzahlungsbefreit"}),
            (Zeilen{"True", "False", "True"}));
  form->BitBtnLoeschZuzBefreiung->click();
  EXPECT_EQ(saetze(datenVon("2024"), "Patienten.DB", {"Zuzahlungsbefreit"}),
            (Zeilen{"False", "False", "False"}));
  EXPECT_EQ(texte().back(), "Alle Zuzahlungsbefreiungen gelöscht, Verarbeitung beendet");
}

TEST_F(Helfer, TheSeparatorButtonWritesCharacter254) {
  form->PageControl1->setActivePage(form->TabSheet3);
  ASSERT_TRUE(form->Button256->userClick());
  EXPECT_EQ(form->EditFeldtrenner->text(), "þ");
  form->BitBtnSpeichern->click();
  EXPECT_NE(daten.read("Abrechng/2024/Abrechng.ini").find("Feldtrenner=\xFE\r\n"), std::string::npos);
}

TEST_F(Helfer, ProviderAndInvoiceNumbersTakeDigitsOnlyTypedOrPasted) {
  form->PageControl1->setActivePage(form->TabSheet8);
  for (const char* art : {"EditLe", "EditReNr"})
    for (int i = 1; i <= 5; ++i) {
      auto* edit = dynamic_cast<TEdit*>(form->findComponent(art + std::to_string(i)));
      SCOPED_TRACE(edit->name());
      edit->userType("1a2-");
      EXPECT_EQ(edit->text(), "12");
      edit->userKey(ui::kKeyBack);
      EXPECT_EQ(edit->text(), "1");
      EXPECT_TRUE(edit->userInsertText("x3 4\r\n1" + edit->text()));  // pasted before the 1
      EXPECT_EQ(edit->text(), "3411");
    }
}

TEST_F(Helfer, TheApplicationChoiceShowsTheBueroWareControls) {
  const std::vector<TControl*> bueroWare{form->Label59,
                                         form->EditOrdnerFachAnw,
                                         form->SpeedButtonFachAnw,
                                         form->CheckBoxImpSaReNrInBelNrLief,
                                         form->CheckBoxBwImportValutadatum,
                                         form->CheckBoxDatenimportBeiKorrektur,
                                         form->CheckBoxBwImportFuerFibuFreigestellt};
  form->EditOrdnerBw->setText("D:\\Daten");
  for (auto [gruppe, index, sichtbar] :
       {std::tuple{form->RadioGroupFachanwendung, 0, false},
        std::tuple{form->RadioGroupFachanwendung, 1, true}, std::tuple{form->RadioGroupMailClient, 1, true},
        std::tuple{form->RadioGroupFachanwendung, 3, false}}) {
    SCOPED_TRACE(gruppe->name() + " " + std::to_string(index));
    gruppe->setItemIndex(-1);
    ASSERT_TRUE(gruppe->userSelect(index));
    for (TControl* c : bueroWare) EXPECT_EQ(c->visible(), sichtbar) << c->name();
    EXPECT_EQ(form->LabelOrdnerBw->caption(), sichtbar ? "Daten" : "Fachanwendung");
    EXPECT_EQ(form->EditOrdnerFachAnw->text(), sichtbar ? "D:\\Daten" : "");
  }
}

TEST_F(Helfer, FolderPickersTakeTheChosenFolderAndIgnoreACancel) {
  for (auto [knopf, edit] : {std::pair{form->SpeedButtonFachAnw, form->EditOrdnerFachAnw},
                             std::pair{form->SpeedButtonImport, form->EditOrdnerImport},
                             std::pair{form->SpeedButtonExport, form->EditOrdnerExport},
                             std::pair{form->SpeedButtonFiff, form->EditOrdnerTiff}}) {
    SCOPED_TRACE(knopf->name());
    dialogs.clear();
    edit->setText("C:\\alt");
    dialogs.answerFolder("D:\\neu");
    dialogs.answerFolder(std::nullopt);
    knopf->click();
    EXPECT_EQ(edit->text(), "D:\\neu");
    knopf->click();
    EXPECT_EQ(edit->text(), "D:\\neu");
    ASSERT_EQ(dialogs.transcript().size(), 2u);
    EXPECT_EQ(dialogs.transcript()[0].text, "C:\\alt");
    EXPECT_EQ(dialogs.transcript()[1].text, "D:\\neu");
  }
}

// The callbacks reach the open dialog through the setters; with OK disabled the user cannot
// confirm, and a dialog that ends without a folder leaves PathName as it was before Execute.
TEST(PathDialog, CallbacksSteerTheOpenDialogAndCancelKeepsThePath) {
  ui::ScriptedDialogs dialoge;
  TPathDialog d(nullptr, "PathDialog1");
  d.setTitle("Ordner wählen");
  d.setPathName("C:\\alt");
  std::vector<std::string> ereignisse;
  d.OnInit = [&](ui::TComponent&) {
    ereignisse.push_back("init " + d.PathName());
    d.setStatusText("bereit");
  };
  d.OnSelChanged = [&](ui::TComponent&) {
    ereignisse.push_back("sel " + d.PathName());
    d.setStatusText(d.PathName());
    d.setEnableOk(d.PathName() != "C:\\gesperrt");
  };
  dialoge.answerFolder("D:\\neu");
  dialoge.answerFolder("C:\\gesperrt");
  dialoge.answerFolder(std::nullopt);
  EXPECT_TRUE(d.Execute());
  EXPECT_EQ(d.PathName(), "D:\\neu");
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.PathName(), "D:\\neu");
  d.setEnableOk(true);
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.PathName(), "D:\\neu");
  EXPECT_FALSE(d.isOpen());
  EXPECT_EQ(ereignisse,
            (Zeilen{"init C:\\alt", "sel D:\\neu", "init D:\\neu", "sel C:\\gesperrt", "init D:\\neu"}));
  const auto& t = dialoge.transcript();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].caption, "Ordner wählen");
  EXPECT_EQ(t[0].statusText, "D:\\neu");
  EXPECT_EQ(t[1].answer, DlgResult::Cancel);
  EXPECT_FALSE(t[1].okEnabled);
  EXPECT_EQ(t[1].statusText, "C:\\gesperrt");
  EXPECT_EQ(t[2].statusText, "bereit");
}

}  // namespace
}  // namespace riviza::test
