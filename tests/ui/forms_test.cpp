// The program's three forms as declared: pages in their order, the controls the settings and
// handlers name, FormCreate on screens of other sizes, and the two instance locks.
#include <gtest/gtest.h>

#include "app/Diviveve1.h"
#include "db/catalogue.h"
#include "forms/DiviveveLe1.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "platform/mutex.h"
#include "platform/screen.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"

namespace riviza::test {
namespace {

template <class T>
T* find(TForm& form, const std::string& name) {
  return dynamic_cast<T*>(form.findComponent(name));
}

TEST(MainForm, PagesKeepTheIndicesTheStartUpSelects) {
  TFormEinstellungen f;
  std::vector<std::string> names;
  for (int i = 0; i < f.PageControl1->pageCount(); ++i) names.push_back(f.PageControl1->page(i)->name());
  EXPECT_EQ(names, (std::vector<std::string>{"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "TabSheet6",
                                             "TabSheet7", "TabSheet8", "TabSheet9", "TabSheet10",
                                             "TabSheet11", "TabSheet5"}));
  EXPECT_EQ(f.PageControl1->page(4)->caption(), "&Reorganisation");
  EXPECT_EQ(f.PageControl1->page(5)->caption(), "&Update");
  EXPECT_EQ(f.PageControl1->activePageIndex(), 0);
  EXPECT_EQ(f.caption(), "  Riviza Abrechnung");
  EXPECT_EQ(FormEinstellungen, &f);
}

// Every control the settings files, the start-up and the billing-year operations name.
TEST(MainForm, DeclaresTheControlsTheShellNames) {
  TFormEinstellungen f;
  const char* edits[] = {"EditOrdnerBw",
                         "EditOrdnerFachAnw",
                         "EditOrdnerExport",
                         "EditOrdnerImport",
                         "EditOrdnerTiff",
                         "EditProxyHost",
                         "EditProxyPort",
                         "EditFeldtrenner",
                         "EditAnzDruckBegleitzettel",
                         "EditAnzDruckZusammenstellung",
                         "EditEmailAdresse",
                         "EditLeKuerzel",
                         "EditMandant",
                         "EditDebitorenAb",
                         "EditBwBediener",
                         "EditBwCw",
                         "EditBwWorkflowKost",
                         "EditFeldTrennerTabDatei",
                         "EditMwStVoll",
                         "EditMwstErm",
                         "EditAbDatumAbrechnung",
                         "EditVonJahr",
                         "EditNachJahr",
                         "EditFuerMonat",
                         "EditLoeschenFuerJahr",
                         "EditZiel",
                         "EditKuerzel",
                         "EditLaufwerk",
                         "EditComputername",
                         "EditFreigabename",
                         "EditDomaenenname",
                         "EditBenutzername",
                         "EditKennwort",
                         "EditLe1",
                         "EditName3",
                         "EditReNr5"};
  for (const char* n : edits) EXPECT_NE(find<TEdit>(f, n), nullptr) << n;
  const char* checkBoxes[] = {"CheckBoxDatenimport",
                              "CheckBoxDatenimportBeiKorrektur",
                              "CheckBoxDakotaMehrereZertifikate",
                              "CheckBox300SaReAuchBeiSimulation",
                              "CheckBoxAusgangsdatei",
                              "CheckBoxFtpUpdate",
                              "CheckBoxTa4PerMail",
                              "CheckBoxFensterSchliessen",
                              "CheckBoxEinzelReNrImmerEins",
                              "CheckBoxFirmaDebitorenAbJN",
                              "CheckBoxFirmaNettoPreiseJN",
                              "CheckBoxOffeneBelUebernehmen",
                              "CheckBoxLeereDbAnlegen",
                              "CheckBoxDomaenenbenutzer",
                              "CheckBoxAnmeldenUeberNetUseBat",
                              "CheckBoxImpSaReNrInBelNrLief",
                              "CheckBoxBwImportValutadatum",
                              "CheckBoxBwImportFuerFibuFreigestellt"};
  for (const char* n : checkBoxes) EXPECT_NE(find<TCheckBox>(f, n), nullptr) << n;
  const char* buttons[] = {
      "BitBtnSpeichern",      "BitBtnBeenden",      "BitBtn1",           "ButtonNeuesJahrAnlegen",
      "SpeedButtonBw",        "SpeedButtonFachAnw", "SpeedButtonImport", "SpeedButtonExport",
      "SpeedButtonFiff",      "Button256",          "ButtonMwst",        "BitBtnLoeschZuzBefreiung",
      "BitBtnDatensicherung", "ButtonGusTifDateien"};
  for (const char* n : buttons) EXPECT_NE(find<TButton>(f, n), nullptr) << n;
  const char* tables[] = {"TableAdrDlz", "Table1", "Table2", "TableAlt", "TableNeu", "TableAdrAnn"};
  for (const char* n : tables) EXPECT_NE(find<ui::TTable>(f, n), nullptr) << n;
  for (const char* n : {"ComboBoxAktuellesJahr", "ComboBoxKuerzelVorReNr", "ComboBoxBelegart"})
    EXPECT_NE(find<TComboBox>(f, n), nullptr) << n;
  for (const char* n : {"LabelKosttr", "LabelSicherung", "LabelWarten", "LabelDbSatz", "Label59"})
    EXPECT_NE(find<TLabel>(f, n), nullptr) << n;
  EXPECT_NE(find<TListBox>(f, "ListBoxStat01"), nullptr);
  EXPECT_NE(find<TDateTimePicker>(f, "DateTimePicker1"), nullptr);
  EXPECT_NE(find<TDateTimePicker>(f, "DateTimePicker2"), nullptr);

  // Design values the program relies on.
  EXPECT_EQ(f.RadioGroupFachanwendung->items().lines(),
            (std::vector<std::string>{"Orvel Vuzaroded", "BüroWARE", "GDI", "WiWaMed", "frei"}));
  EXPECT_EQ(f.RadioGroupMailClient->items().lines(),
            (std::vector<std::string>{"Standand E-Mail Client", "MS Outlook"}));
  EXPECT_EQ(f.LabelOrdnerBw->caption(), "Daten");
  EXPECT_EQ(f.LabelWarten->caption(), "Verarbeitung läuft ...");
  EXPECT_FALSE(f.LabelWarten->visible());
  EXPECT_TRUE(f.CheckBoxFtpUpdate->checked());
  EXPECT_FALSE(f.CheckBoxFtpUpdate->enabled());
  EXPECT_FALSE(f.ButtonGusTifDateien->visible());
  EXPECT_TRUE(f.ComboBoxAktuellesJahr->sorted());
  EXPECT_EQ(f.Timer1->interval(), 1);
  EXPECT_TRUE(f.Timer1->enabled());
  EXPECT_EQ(f.DataSourceAdrAnn->dataSet(), f.TableAdrAnn);
}

TEST(MainForm, FormCreateFitsTheFormToTheScreen) {
  struct Case {
    platform::ScreenSize screen;
    int width, height;
  };
  const Case cases[] = {{{1200, 800}, 1200, 800},   // the design size: unchanged
                        {{1280, 1024}, 1210, 810},  // larger: 10 pixels each way
                        {{1024, 768}, 1200, 800},   // 768 high or less: unchanged
                        {{1600, 769}, 1210, 810}};
  const platform::ScreenSize saved = platform::screenSize();
  for (const Case& c : cases) {
    platform::setScreenSize(c.screen);
    TApplication app;
    auto& f = app.createForm<TFormEinstellungen>();
    EXPECT_EQ(f.width(), c.width) << c.screen.width << "x" << c.screen.height;
    EXPECT_EQ(f.height(), c.height);
    EXPECT_EQ(f.top(), 0);
    EXPECT_EQ(f.left(), 0);
  }
  platform::setScreenSize(saved);
}

TEST(ProgramEntry, CreatesTheThreeFormsInOrderAndTheirGlobals) {
  {
    TApplication app;
    auto& main = app.createForm<TFormEinstellungen>();
    auto& adressen = app.createForm<TFormAdressen>();
    auto& le = app.createForm<TFormLe>();
    EXPECT_EQ(app.mainForm(), &main);
    EXPECT_EQ(adressen.caption(), "  Adressen");
    EXPECT_EQ(le.caption(), "  Leistungserbringer");
    EXPECT_EQ(FormAdressen, &adressen);
    EXPECT_EQ(FormLe, &le);
    // The picker works on an address cursor of its own, not on the tab's.
    EXPECT_EQ(adressen.DBGridAdressen->dataSource(), adressen.DataSourceAdressen);
    EXPECT_EQ(adressen.DataSourceAdressen->dataSet(), adressen.TableAdressen);
    EXPECT_NE(adressen.TableAdressen, main.TableAdrAnn);
    EXPECT_EQ(adressen.DBEdit6->dataField(), "Ik");
    EXPECT_EQ(le.DBGridLe->columnCount(), 13);
    EXPECT_FALSE(le.PanelLe->enabled());
    EXPECT_FALSE(le.BitBtnLeSpeichern->enabled());
    EXPECT_FALSE(le.EditGeoeffnetVon->visible());
    EXPECT_FALSE(adressen.visible());
  }
  EXPECT_EQ(FormEinstellungen, nullptr);
  EXPECT_EQ(FormAdressen, nullptr);
  EXPECT_EQ(FormLe, nullptr);
}

// Each data-aware control names a field the table's structure has (a misspelt field would show
// nothing and store nothing).
TEST(ProgramEntry, DataAwareControlsNameFieldsOfTheirTables) {
  TApplication app;
  app.createForm<TFormEinstellungen>();  // the picker is created after it, as at start
  auto& adressen = app.createForm<TFormAdressen>();
  auto& le = app.createForm<TFormLe>();
  struct Binding {
    TForm* form;
    TDataSource* source;
    const char* table;
  };
  const Binding bindings[] = {{&adressen, adressen.DataSourceAdressen, "AdrAnn.DB"},
                              {&le, le.DataSourceLe, "Le.DB"}};
  for (const Binding& b : bindings) {
    const auto* entry = db::findCatalogueTable(b.table);
    ASSERT_NE(entry, nullptr) << b.table;
    std::vector<std::string> names;
    for (const auto& f : db::structureOf(*entry).fields) names.push_back(f.name);
    const auto known = [&](const std::string& n) {
      return std::find(names.begin(), names.end(), n) != names.end();
    };
    int checked = 0;
    for (TComponent* c : b.form->components()) {
      std::vector<std::string> fields;
      if (auto* e = dynamic_cast<TDBEdit*>(c); e && e->dataSource() == b.source) fields = {e->dataField()};
      if (auto* x = dynamic_cast<TDBCheckBox*>(c); x && x->dataSource() == b.source)
        fields = {x->dataField()};
      if (auto* g = dynamic_cast<TDBGrid*>(c); g && g->dataSource() == b.source) fields = g->columns();
      for (const auto& f : fields) {
        EXPECT_TRUE(known(f)) << b.table << ": " << c->name() << " names " << f;
        ++checked;
      }
    }
    EXPECT_GT(checked, 10) << b.table;
  }
}

TEST(ProgramEntry, InstanceLocksRefuseASecondHolder) {
  TempDir runtime;
  ScopedEnv env("XDG_RUNTIME_DIR", runtime.str());
  struct Lock {
    const char* name;
    bool (*take)();
    void (*release)();
    const char* message;
  };
  const Lock locks[] = {
      {"Vuzaroded", VuzarodedSperreAnlegen, VuzarodedSperreFreigeben, "Vuzaroded ist bereits gestartet!"},
      {"Riviza", EinzelinstanzSperreAnlegen, EinzelinstanzSperreFreigeben, "Riviza ist bereits gestartet!"}};
  for (const Lock& l : locks) {
    ScriptedDialogs script;
    {
      auto other = platform::NamedMutex::create(l.name);  // the billing application, or a first copy
      ASSERT_TRUE(other.ok());
      EXPECT_FALSE(l.take());
      EXPECT_EQ(script.texts(), std::vector<std::string>{l.message});
    }
    EXPECT_TRUE(l.take());
    EXPECT_FALSE(platform::NamedMutex::create(l.name).ok());  // now ours
    l.release();
    EXPECT_TRUE(platform::NamedMutex::create(l.name).ok());
    EXPECT_EQ(script.transcript().size(), 1u);
  }
}

}  // namespace
}  // namespace riviza::test
