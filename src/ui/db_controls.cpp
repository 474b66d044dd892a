// Data-aware edit, check box, grid and navigator (user-interface layer); see db_controls.h.
#include "ui/db_controls.h"

#include "ui/design.h"

namespace riviza::ui {
namespace {

void require(const Status& status) {
  if (!status.ok()) throw InvalidInput(status.error().message);
}

}  // namespace

void TDBEdit::load() {
  const db::TField* f = link_.field();
  loading_ = true;
  if (f && f->dataType() == db::FieldType::Alpha) setMaxLength(f->size());
  setText(f ? f->asString() : std::string());
  loading_ = false;
  modified_ = false;
}

void TDBEdit::store() {
  if (!modified_) return;
  modified_ = false;
  db::TField* f = link_.field();
  if (f && link_.editing()) {
    const Status stored = f->setAsString(text());
    if (!stored.ok()) modified_ = true;  // the typed text stays, to be corrected
    require(stored);
  }
}

bool TDBEdit::prepareModify() {
  const db::TField* f = link_.field();
  if (readOnly() || !f || f->readOnly()) return false;
  return link_.dataSource()->edit();
}

void TDBEdit::textChanged() {
  if (!loading_ && link_.editing()) modified_ = true;
}

// ---------------------------------------------------------------------------------------------

void TDBCheckBox::load() {
  const db::TField* f = link_.field();
  if (!f || f->isNull())
    setState(f ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked);
  else
    setChecked(f->asBoolean());
}

bool TDBCheckBox::prepareModify() {
  const db::TField* f = link_.field();
  return f && !f->readOnly() && link_.dataSource()->edit();
}

void TDBCheckBox::userChangedState() {
  if (db::TField* f = link_.field()) require(f->setAsBoolean(checked()));
}

// ---------------------------------------------------------------------------------------------

TDBGrid::TDBGrid(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent) {
  color_ = clWindow;
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::setDataSource(TDataSource* source) {
  link_.setDataSource(source);
  dataChanged();
}

std::vector<std::string> TDBGrid::columns() const {
  if (!columns_.empty()) return columns_;
  std::vector<std::string> all;
  if (const db::TTable* t = link_.table())
    for (const auto& def : t->structure().fields) all.push_back(def.name);
  return all;
}

void TDBGrid::setColumns(std::vector<std::string> fieldNames) {
  columns_ = std::move(fieldNames);
  dataChanged();
}

// The grid asks per column and per cell on every data notice: the name is looked up where it is
// kept, not in a copy of the list.
const std::string* TDBGrid::columnField(int column) const {
  if (column < 0) return nullptr;
  if (!columns_.empty())
    return column < static_cast<int>(columns_.size()) ? &columns_[static_cast<size_t>(column)] : nullptr;
  const db::TTable* t = link_.table();
  if (!t || column >= static_cast<int>(t->structure().fields.size())) return nullptr;
  return &t->structure().fields[static_cast<size_t>(column)].name;
}

int TDBGrid::columnCount() const {
  if (!columns_.empty()) return static_cast<int>(columns_.size());
  const db::TTable* t = link_.table();
  return t ? static_cast<int>(t->structure().fields.size()) : 0;
}

std::string TDBGrid::columnTitle(int column) const {
  const std::string* name = columnField(column);
  if (!name) return {};
  db::TTable* t = link_.table();
  const db::TField* f = t ? t->findField(*name) : nullptr;
  return f ? f->displayName() : *name;
}

int TDBGrid::columnWidth(int column) const {
  const std::string* name = columnField(column);
  if (!name) return 0;
  for (const ColumnWidth& w : widths_)
    if (w.field == *name) return w.pixels;
  return 0;
}

bool TDBGrid::inserting() const {
  const db::TTable* t = link_.table();
  return t && t->state() == db::TableState::Insert;
}

int TDBGrid::postedRows() const {
  const db::TTable* t = link_.table();
  return t ? t->recordCount() : 0;
}

int TDBGrid::rowCount() const { return postedRows() + (inserting() ? 1 : 0); }

int TDBGrid::currentRow() const {
  const db::TTable* t = link_.table();
  if (!t) return -1;
  if (inserting()) return postedRows();
  return t->recNo() - 1;
}

const std::vector<std::string>& TDBGrid::rowTexts(int row) const {
  rows_.resize(static_cast<size_t>(postedRows()));
  auto& cached = rows_.at(static_cast<size_t>(row));
  if (!cached) {
    auto texts = link_.table()->recordTexts(row + 1);
    cached = texts ? std::move(texts.value()) : std::vector<std::string>();
  }
  return *cached;
}

// The text of a field: from a posted row's texts, or from the cursor when row is null.
std::string TDBGrid::fieldText(const std::string& fieldName, const std::vector<std::string>* row) const {
  db::TTable* t = link_.table();
  const db::TField* f = t ? t->findField(fieldName) : nullptr;
  if (!f) return {};
  if (!row) return f->asString();
  return static_cast<size_t>(f->index()) < row->size() ? (*row)[static_cast<size_t>(f->index())]
                                                       : std::string();
}

TGridCell TDBGrid::cell(int row, int column) {
  TGridCell c;
  c.row = row;
  c.column = column;
  const std::string* name = columnField(column);
  if (row < 0 || row >= rowCount() || !name) return c;
  c.fieldName = *name;
  // The current record shows what the logic holds now, pending edits included.
  c.text = fieldText(c.fieldName, row == currentRow() ? nullptr : &rowTexts(row));
  if (OnDrawColumnCell) OnDrawColumnCell(*this, c);
  return c;
}

bool TDBGrid::userSelectRow(int row) {
  db::TTable* t = link_.table();
  if (!t || row < 0 || row >= postedRows()) return false;
  const auto action = reachForAction();
  if (!action) return false;
  if (row == currentRow()) return true;
  require(t->setRecNo(row + 1));
  return true;
}

bool TDBGrid::userEditCell(int row, int column, const std::string& text) {
  if (readOnly_ || !userSelectRow(row) || !link_.dataSource()->edit()) return false;
  const std::string* name = columnField(column);
  db::TField* f = name ? link_.table()->findField(*name) : nullptr;
  if (!f || f->readOnly()) return false;
  require(f->setAsString(text));
  return true;
}

void TDBGrid::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  readOnly_ = design.readOnly;
  columns_ = design.fields;
  widths_ = design.widths;
  setDataSource(design.dataSource);
}

void TDBGrid::dataChanged() {
  rows_.clear();
  notify(Prop::Data);
}

// ---------------------------------------------------------------------------------------------

TDBNavigator::TDBNavigator(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent) {}

void TDBNavigator::setDataSource(TDataSource* source) {
  link_.setDataSource(source);
  notify(Prop::Data);
}

bool TDBNavigator::buttonEnabled(TNavigateBtn button) const {
  const db::TTable* t = link_.table();
  if (!t || !effectivelyEnabled()) return false;
  switch (button) {
    case TNavigateBtn::nbFirst:
    case TNavigateBtn::nbPrior:
      return !t->bof();
    case TNavigateBtn::nbNext:
    case TNavigateBtn::nbLast:
      return !t->eof();
  }
  return false;
}

bool TDBNavigator::userClick(TNavigateBtn button) {
  if (!buttonEnabled(button)) return false;
  const auto action = reachForAction();
  if (!action) return false;
  db::TTable* t = link_.table();
  switch (button) {
    case TNavigateBtn::nbFirst:
      require(t->first());
      break;
    case TNavigateBtn::nbPrior:
      require(t->prior());
      break;
    case TNavigateBtn::nbNext:
      require(t->next());
      break;
    case TNavigateBtn::nbLast:
      require(t->last());
      break;
  }
  return true;
}

void TDBNavigator::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  setDataSource(design.dataSource);
}

}  // namespace riviza::ui
