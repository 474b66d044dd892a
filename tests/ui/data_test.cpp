// Data-aware controls on a real table: edits and grid follow the cursor and field changes,
// typing edits the record, the navigator moves, the check box shows null greyed.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/containers.h"
#include "ui/db_controls.h"
#include "ui/design.h"
#include "ui/form.h"

namespace riviza::test {
namespace {

using namespace riviza::ui;

// clang-format off
#define DATA_FORM_COMPONENTS(X) \
  X(TTable, TableAdr, nullptr) \
  X(TDataSource, DataSourceAdr, nullptr, .dataSet = TableAdr) \
  X(TEdit, EditSuchen, this) \
  X(TDBGrid, DBGridAdr, this, .readOnly = true, .dataSource = DataSourceAdr, .fields = {"Ik", "Name", "Druck"}) \
  X(TDBNavigator, DBNavigatorAdr, this, .dataSource = DataSourceAdr) \
  X(TPanel, PanelAdr, this) \
  X(TDBEdit, DBEditIk, PanelAdr, .dataSource = DataSourceAdr, .field = "Ik") \
  X(TDBEdit, DBEditName, PanelAdr, .dataSource = DataSourceAdr, .field = "Name") \
  X(TDBEdit, DBEditBetrag, PanelAdr, .dataSource = DataSourceAdr, .field = "Betrag") \
  X(TDBCheckBox, DBCheckBoxDruck, PanelAdr, .caption = "Druck", .dataSource = DataSourceAdr, .field = "Druck")
// clang-format on

struct DataForm : TForm {
  DATA_FORM_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
  std::vector<std::string> changes;
  DataForm() {
    DATA_FORM_COMPONENTS(RIVIZA_CREATE_COMPONENT)
    for (TDBEdit* e : {DBEditIk, DBEditName})
      e->OnChange = [this](TComponent& s) {
        changes.push_back(s.name() + "=" + static_cast<TDBEdit&>(s).text());
      };
    show();
  }
};

class DataAware : public ::testing::Test {
 protected:
  void SetUp() override {
    const db::TableStructure s{{{"Ik", db::FieldType::Alpha, 9},
                                {"Name", db::FieldType::Alpha, 30},
                                {"Betrag", db::FieldType::Number, 0},
                                {"Druck", db::FieldType::Logical, 0}},
                               0};
    ASSERT_TRUE(db::TTable::createTable(dir_.str(), "AdrAnn.DB", s).ok());
    db::TTable t;
    ASSERT_TRUE(t.setDatabaseName(dir_.str()).ok() && t.setTableName("AdrAnn.DB").ok() && t.open().ok());
    const char* rows[][3] = {{"101", "Alpha", "True"}, {"102", "Beta", ""}, {"201", "Gamma", "False"}};
    for (auto& r : rows) {
      ASSERT_TRUE(t.append().ok());
      ASSERT_TRUE(t.fields(0).setAsString(r[0]).ok() && t.fields(1).setAsString(r[1]).ok());
      ASSERT_TRUE(t.fields(3).setAsString(r[2]).ok());
      ASSERT_TRUE(t.post().ok());
    }
  }
  void open() {
    ASSERT_TRUE(f.TableAdr->setDatabaseName(dir_.str()).ok() && f.TableAdr->setTableName("AdrAnn.DB").ok());
    ASSERT_TRUE(f.TableAdr->open().ok());
    f.changes.clear();
  }
  std::string stored(int recNo, const char* field) {
    db::TTable t;
    EXPECT_TRUE(t.setDatabaseName(dir_.str()).ok() && t.setTableName("AdrAnn.DB").ok() && t.open().ok());
    EXPECT_TRUE(t.setRecNo(recNo).ok());
    return t.findField(field)->asString();
  }

  TempDir dir_;
  DataForm f;
};

TEST_F(DataAware, EditsFollowTheCursorAndFieldChangesByCode) {
  EXPECT_EQ(f.DBEditIk->text(), "");  // closed table: empty
  open();
  EXPECT_EQ(f.DBEditIk->text(), "101");
  EXPECT_EQ(f.DBEditIk->maxLength(), 9);
  ASSERT_TRUE(f.TableAdr->next().ok());
  EXPECT_EQ(f.DBEditName->text(), "Beta");
  ASSERT_TRUE(f.TableAdr->edit().ok());
  ASSERT_TRUE(f.TableAdr->findField("Name")->setAsString("Beta neu").ok());
  EXPECT_EQ(f.DBEditName->text(), "Beta neu");
  EXPECT_EQ(f.changes, (std::vector<std::string>{"DBEditIk=102", "DBEditName=Beta", "DBEditName=Beta neu"}));
  f.TableAdr->cancel();
  EXPECT_EQ(f.DBEditName->text(), "Beta");
  f.TableAdr->close();
  EXPECT_EQ(f.DBEditIk->text(), "");
}

TEST_F(DataAware, TypingEditsTheRecordAndStoresWhenTheFocusLeaves) {
  open();
  f.DBEditName->userType("X");
  EXPECT_EQ(f.TableAdr->state(), db::TableState::Edit);
  EXPECT_EQ(f.DBEditName->text(), "AlphaX");
  EXPECT_EQ(f.TableAdr->findField("Name")->asString(), "Alpha");  // not yet
  ASSERT_TRUE(f.EditSuchen->setFocus());
  EXPECT_EQ(f.TableAdr->findField("Name")->asString(), "AlphaX");
  ASSERT_TRUE(f.TableAdr->post().ok());
  EXPECT_EQ(stored(1, "Name"), "AlphaX");

  // Typing and then moving: the move posts what was typed.
  f.DBEditIk->userType("9");
  ASSERT_TRUE(f.TableAdr->next().ok());
  EXPECT_EQ(stored(1, "Ik"), "1019");
  EXPECT_EQ(f.DBEditIk->text(), "102");
}

TEST_F(DataAware, NothingIsTypedIntoAClosedTableOrAReadOnlyEdit) {
  f.DBEditName->userType("abc");
  EXPECT_EQ(f.DBEditName->text(), "");
  open();
  f.DBEditName->setReadOnly(true);
  f.DBEditName->userType("abc");
  EXPECT_EQ(f.DBEditName->text(), "Alpha");
  EXPECT_EQ(f.TableAdr->state(), db::TableState::Browse);
}

TEST_F(DataAware, ATextTheFieldCannotTakeKeepsTheFocus) {
  open();
  f.DBEditBetrag->userType("12,5x");
  EXPECT_THROW(f.EditSuchen->setFocus(), InvalidInput);
  EXPECT_EQ(f.activeControl(), f.DBEditBetrag);
  f.DBEditBetrag->userKey(U'\b');
  ASSERT_TRUE(f.EditSuchen->setFocus());
  ASSERT_TRUE(f.TableAdr->post().ok());
  EXPECT_EQ(stored(1, "Betrag"), "12,5");
}

TEST_F(DataAware, CheckBoxShowsNullGreyedAndStoresAClick) {
  open();
  EXPECT_EQ(f.DBCheckBoxDruck->state(), TCheckBoxState::cbChecked);
  ASSERT_TRUE(f.TableAdr->next().ok());
  EXPECT_EQ(f.DBCheckBoxDruck->state(), TCheckBoxState::cbGrayed);
  EXPECT_TRUE(f.DBCheckBoxDruck->userClick());
  EXPECT_EQ(f.TableAdr->state(), db::TableState::Edit);
  EXPECT_TRUE(f.TableAdr->findField("Druck")->asBoolean());
  ASSERT_TRUE(f.TableAdr->post().ok());
  EXPECT_EQ(stored(2, "Druck"), "True");
}

TEST_F(DataAware, GridRowsAndCurrentRowFollowTheTable) {
  EXPECT_EQ(f.DBGridAdr->rowCount(), 0);
  EXPECT_EQ(f.DBGridAdr->currentRow(), -1);
  open();
  ASSERT_EQ(f.DBGridAdr->rowCount(), 3);
  EXPECT_EQ(f.DBGridAdr->columnCount(), 3);
  EXPECT_EQ(f.DBGridAdr->columnTitle(1), "Name");
  EXPECT_EQ(f.DBGridAdr->cell(2, 1).text, "Gamma");
  struct Step {
    std::function<Status(db::TTable&)> move;
    int row;
  };
  const Step steps[] = {{[](db::TTable& t) { return t.last(); }, 2},
                        {[](db::TTable& t) { return t.prior(); }, 1},
                        {[](db::TTable& t) { return t.first(); }, 0},
                        {[](db::TTable& t) { return t.setRecNo(3); }, 2}};
  for (const Step& s : steps) {
    ASSERT_TRUE(s.move(*f.TableAdr).ok());
    EXPECT_EQ(f.DBGridAdr->currentRow(), s.row);
  }
  // A click on a row moves the table, and the edits follow.
  EXPECT_TRUE(f.DBGridAdr->userSelectRow(1));
  EXPECT_EQ(f.TableAdr->recNo(), 2);
  EXPECT_EQ(f.DBEditName->text(), "Beta");
  // A filter narrows the rows; an insert shows as the current last row.
  ASSERT_TRUE(f.TableAdr->setFilter("Ik = '1*'").ok() && f.TableAdr->setFiltered(true).ok());
  EXPECT_EQ(f.DBGridAdr->rowCount(), 2);
  ASSERT_TRUE(f.TableAdr->append().ok());
  EXPECT_EQ(f.DBGridAdr->rowCount(), 3);
  EXPECT_EQ(f.DBGridAdr->currentRow(), 2);
  f.DBEditIk->userType("103");
  EXPECT_EQ(f.DBGridAdr->cell(2, 0).text, "");  // typed text reaches the field on leaving
  ASSERT_TRUE(f.EditSuchen->setFocus());
  EXPECT_EQ(f.DBGridAdr->cell(2, 0).text, "103");
  ASSERT_TRUE(f.TableAdr->post().ok());
  EXPECT_EQ(f.DBGridAdr->rowCount(), 3);
}

TEST_F(DataAware, DrawColumnCellShowsACheckMarkInsteadOfTheFlagText) {
  open();
  f.DBGridAdr->OnDrawColumnCell = [](TComponent&, TGridCell& cell) {
    if (cell.fieldName != "Druck") return;
    cell.picture = cell.text == "True" ? "check" : "";
    cell.text.clear();
  };
  std::vector<std::string> pictures;
  for (int row = 0; row < 3; ++row) pictures.push_back(f.DBGridAdr->cell(row, 2).picture);
  EXPECT_EQ(pictures, (std::vector<std::string>{"check", "", ""}));
  EXPECT_EQ(f.DBGridAdr->cell(0, 2).text, "");
  EXPECT_EQ(f.DBGridAdr->cell(0, 1).text, "Alpha");
}

TEST_F(DataAware, InPlaceEditingOnlyInAGridThatIsNotReadOnly) {
  open();
  EXPECT_FALSE(f.DBGridAdr->userEditCell(1, 1, "Zeta"));
  f.DBGridAdr->setReadOnly(false);
  EXPECT_TRUE(f.DBGridAdr->userEditCell(1, 1, "Zeta"));
  EXPECT_EQ(f.DBEditName->text(), "Zeta");
  ASSERT_TRUE(f.TableAdr->post().ok());
  EXPECT_EQ(stored(2, "Name"), "Zeta");
}

TEST_F(DataAware, NavigatorMovesAndDisablesAtTheEnds) {
  using B = TNavigateBtn;
  EXPECT_FALSE(f.DBNavigatorAdr->buttonEnabled(B::nbFirst));  // closed
  open();
  EXPECT_FALSE(f.DBNavigatorAdr->buttonEnabled(B::nbPrior));
  EXPECT_TRUE(f.DBNavigatorAdr->userClick(B::nbNext));
  EXPECT_EQ(f.DBEditIk->text(), "102");
  EXPECT_TRUE(f.DBNavigatorAdr->userClick(B::nbLast));
  EXPECT_FALSE(f.DBNavigatorAdr->buttonEnabled(B::nbNext));
  EXPECT_FALSE(f.DBNavigatorAdr->userClick(B::nbNext));
  EXPECT_TRUE(f.DBNavigatorAdr->buttonEnabled(B::nbFirst));
  f.DBNavigatorAdr->setEnabled(false);
  EXPECT_FALSE(f.DBNavigatorAdr->userClick(B::nbFirst));
  EXPECT_EQ(f.DBGridAdr->currentRow(), 2);
}

TEST(DataSource, ForgetsATableThatGoesFirst) {
  TForm form;
  auto& source = form.make<TDataSource>("DataSource1");
  auto& edit = form.make<TDBEdit>("DBEdit1", &form);
  edit.setDataField("Ik");
  edit.setDataSource(&source);
  {
    db::TTable table;
    source.setDataSet(&table);
  }
  EXPECT_EQ(source.dataSet(), nullptr);
  EXPECT_FALSE(source.edit());
}

}  // namespace
}  // namespace riviza::test
