// The data source between a table and its data-aware controls (user-interface layer); see
// data.h.
#include "ui/data.h"

#include <algorithm>

#include "ui/design.h"

namespace riviza::ui {

TDataSource::~TDataSource() { setDataSet(nullptr); }

void TDataSource::setDataSet(db::TTable* table) {
  if (table == dataSet_) return;
  if (dataSet_) dataSet_->removeObserver(this);
  dataSet_ = table;
  if (dataSet_) dataSet_->addObserver(this);
  tellData();
}

bool TDataSource::editing() const {
  return dataSet_ &&
         (dataSet_->state() == db::TableState::Edit || dataSet_->state() == db::TableState::Insert);
}

bool TDataSource::edit() {
  if (editing()) return true;
  if (!autoEdit_ || !dataSet_ || !dataSet_->active()) return false;
  return dataSet_->edit().ok() && editing();
}

void TDataSource::addListener(DataSourceListener* l) {
  if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void TDataSource::removeListener(DataSourceListener* l) { std::erase(listeners_, l); }

void TDataSource::applyDesign(const Design& design) { setDataSet(design.dataSet); }

// Listeners may come and go while they are told (a handler may free a form), so each round
// works on a copy and skips the ones that left.
template <class Fn>
void TDataSource::tellEach(Fn fn) {
  for (DataSourceListener* l : std::vector<DataSourceListener*>(listeners_))
    if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) fn(*l);
}

void TDataSource::tellData() {
  tellEach([](DataSourceListener& l) { l.dataChanged(); });
}

void TDataSource::tableRecordChanged(db::TTable&) {
  tellEach([](DataSourceListener& l) { l.recordChanged(); });
}

void TDataSource::tableFieldChanged(db::TTable&, int fieldIndex) {
  tellEach([fieldIndex](DataSourceListener& l) { l.fieldChanged(fieldIndex); });
}

void TDataSource::tableUpdateRecord(db::TTable&) {
  tellEach([](DataSourceListener& l) { l.updateRecord(); });
}

void TDataSource::tableDestroyed(db::TTable&) {
  dataSet_ = nullptr;
  tellData();
}

// ---------------------------------------------------------------------------------------------

FieldLink::~FieldLink() { setDataSource(nullptr); }

void FieldLink::setDataSource(TDataSource* source) {
  if (source == source_) return;
  if (source_) source_->removeListener(&owner_);
  source_ = source;
  if (source_) source_->addListener(&owner_);
}

db::TTable* FieldLink::table() const {
  db::TTable* t = source_ ? source_->dataSet() : nullptr;
  return t && t->active() ? t : nullptr;
}

db::TField* FieldLink::field() const {
  db::TTable* t = table();
  return t && !fieldName_.empty() ? t->findField(fieldName_) : nullptr;
}

}  // namespace riviza::ui
