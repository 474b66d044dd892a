// Data-aware controls: edit, check box, grid and navigator on a data source (user-interface
// layer).
//
// A data-aware edit shows its field of the current record: its text follows every move of the
// cursor and every change of the field by code, and OnChange fires each time, as the handlers
// expect ("the change handler then shows the name"). What the user types first puts the table
// into edit state (AutoEdit); the typed text goes into the field when the focus leaves the edit
// or before the table posts or moves, so a half-typed number is never converted. A text the
// field cannot take raises InvalidInput at that point, which the window shows; the focus stays.
// A data-aware check box shows a null field greyed and stores the user's click at once.
//
// The grid shows the rows of its table's current view (filter included) and marks the current
// record; it reads a row's texts without moving the cursor the logic works with, only when the
// row is drawn, and keeps them until the table changes, so a grid on a table under bulk work
// costs nothing until it is looked at. The current row shows the cursor's values, pending edits
// included; a record being inserted shows as the last row. OnDrawColumnCell may change what a
// cell shows (its text, a picture).
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/data.h"
#include "ui/design.h"

namespace riviza::ui {

// A value the field of a data-aware control cannot take.
class InvalidInput : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A control that shows one field of its data source's current record: Base is the plain
// control (edit, check box); load() shows the field again after every move and every change of
// that field.
template <class Base>
class TFieldControl : public Base, protected DataSourceListener {
 public:
  TFieldControl(TComponent* owner, std::string name, TWinControl* parent)
      : Base(owner, std::move(name), parent) {}

  TDataSource* dataSource() const { return link_.dataSource(); }
  void setDataSource(TDataSource* source) {
    link_.setDataSource(source);
    load();
  }
  const std::string& dataField() const { return link_.fieldName(); }
  void setDataField(std::string name) {
    link_.setFieldName(std::move(name));
    load();
  }
  db::TField* field() const { return link_.field(); }

  void applyDesign(const Design& design) override {
    Base::applyDesign(design);
    link_.setFieldName(design.field);
    setDataSource(design.dataSource);
  }

 protected:
  virtual void load() = 0;
  void dataChanged() override { load(); }
  void fieldChanged(int fieldIndex) override {
    if (const db::TField* f = link_.field(); f && f->index() == fieldIndex) load();
  }
  void updateRecord() override {}

  FieldLink link_{*this};
};

class TDBEdit : public TFieldControl<TCustomEdit> {
 public:
  using TFieldControl::TFieldControl;

 protected:
  bool prepareModify() override;
  void textChanged() override;
  void exiting() override { store(); }
  void updateRecord() override { store(); }
  void load() override;

 private:
  void store();
  bool loading_ = false;
  bool modified_ = false;
};

class TDBCheckBox : public TFieldControl<TCheckBox> {
 public:
  using TFieldControl::TFieldControl;

 protected:
  bool prepareModify() override;
  void userChangedState() override;
  void load() override;
};

// What one grid cell shows; OnDrawColumnCell may change text and picture.
struct TGridCell {
  int row = 0;     // 0-based row of the view
  int column = 0;  // 0-based column
  std::string fieldName;
  std::string text;     // the field's text
  std::string picture;  // drawn centred in the cell ("check" or a picture file); empty: none
};
using TDrawColumnCellEvent = std::function<void(TComponent& Sender, TGridCell& Cell)>;

class TDBGrid : public TWinControl, private DataSourceListener {
 public:
  TDBGrid(TComponent* owner, std::string name, TWinControl* parent);
  ~TDBGrid() override;

  TDataSource* dataSource() const { return link_.dataSource(); }
  void setDataSource(TDataSource* source);
  // The fields shown, in order; every field of the table when none were set.
  std::vector<std::string> columns() const;
  void setColumns(std::vector<std::string> fieldNames);
  std::string columnTitle(int column) const;
  // Pixels; 0 when the column is fitted to its contents.
  int columnWidth(int column) const;
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool r) { assign(readOnly_, r, Prop::ReadOnly); }

  int rowCount() const;
  int columnCount() const;
  // The current record's row, -1 when the table is closed or empty.
  int currentRow() const;
  // What a cell shows, after OnDrawColumnCell.
  TGridCell cell(int row, int column);

  // A click on a row moves the table there.
  bool userSelectRow(int row);
  // In-place editing of a grid that is not read-only.
  bool userEditCell(int row, int column, const std::string& text);

  TDrawColumnCellEvent OnDrawColumnCell;

  void applyDesign(const Design& design) override;

 private:
  void dataChanged() override;
  void recordChanged() override { notify(Prop::Data); }
  void fieldChanged(int) override { notify(Prop::Data); }
  void updateRecord() override {}
  int postedRows() const;
  const std::string* columnField(int column) const;  // null outside the columns
  // The texts of a posted row (every field of the table), read once after each change.
  const std::vector<std::string>& rowTexts(int row) const;
  bool inserting() const;
  std::string fieldText(const std::string& fieldName, const std::vector<std::string>* row) const;

  FieldLink link_{*this};
  std::vector<std::string> columns_;
  std::vector<ColumnWidth> widths_;
  mutable std::vector<std::optional<std::vector<std::string>>> rows_;
  bool readOnly_ = false;
};

enum class TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast };

class TDBNavigator : public TWinControl, private DataSourceListener {
 public:
  TDBNavigator(TComponent* owner, std::string name, TWinControl* parent);

  TDataSource* dataSource() const { return link_.dataSource(); }
  void setDataSource(TDataSource* source);
  // First and prior are off at the first record, next and last at the last.
  bool buttonEnabled(TNavigateBtn button) const;
  bool userClick(TNavigateBtn button);

  void applyDesign(const Design& design) override;

 private:
  void dataChanged() override { notify(Prop::Data); }
  void fieldChanged(int) override {}
  void updateRecord() override {}

  FieldLink link_{*this};
};

}  // namespace riviza::ui
