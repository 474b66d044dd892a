// The table component: naming, opening, cursor, editing, observers (db layer); see TTable.h.
#include "db/TTable.h"

#include <algorithm>
#include <cassert>

#include "platform/codec.h"
#include "platform/paths.h"

namespace riviza::db {
namespace {

// Folder text, "\", file name; the name alone when no folder is given.
std::string tablePathText(std::string_view folderText, std::string_view fileName) {
  if (folderText.empty()) return std::string(fileName);
  return platform::includeTrailingBackslash(folderText) + std::string(fileName);
}

}  // namespace

TTable::TTable() = default;

TTable::~TTable() {
  close();
  if (set_) set_->leave(*this);
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableDestroyed(*this);
}

// ---- naming and opening ----

Status TTable::setDatabaseName(std::string folderText) {
  if (active())
    return Error::make(kInactive, "Tabelle ist geöffnet: " + platform::displayPath(filePathText()));
  databaseName_ = std::move(folderText);
  return okStatus();
}

Status TTable::setTableName(std::string fileName) {
  if (active())
    return Error::make(kInactive, "Tabelle ist geöffnet: " + platform::displayPath(filePathText()));
  tableName_ = std::move(fileName);
  return okStatus();
}

Status TTable::setExclusive(bool exclusive) {
  if (active())
    return Error::make(kInactive, "Tabelle ist geöffnet: " + platform::displayPath(filePathText()));
  exclusive_ = exclusive;
  return okStatus();
}

std::string TTable::filePathText() const { return tablePathText(databaseName_, tableName_); }

Status TTable::createTable(std::string_view folderText, std::string_view fileName,
                           const TableStructure& structure) {
  return createTableFile(platform::nativePath(tablePathText(folderText, fileName)), structure);
}

Status TTable::open() {
  if (active()) return okStatus();
  std::filesystem::path native = platform::nativePath(filePathText());
  auto lock = TableLock::acquire(native, exclusive_);
  if (!lock) return lock.error();
  TableFile file;
  std::string schema = "main";
  if (set_) {
    auto attached = set_->attach(native, file.structure);
    if (!attached) return attached.error();
    schema = std::move(*attached);
  } else {
    auto own = openTableFile(native);
    if (!own) return own.error();
    file = std::move(*own);
  }
  bool sameStructure = file.structure == file_.structure && !fields_.empty();
  lock_ = std::move(*lock);
  file_ = std::move(file);
  schema_ = std::move(schema);
  Status st = registerFilterFunctions(db());
  if (st) st = prepareStatements();
  // The fields follow the structure alone: built even when the open fails below, so that they
  // never lag behind file_.structure, which the next open compares with.
  if (!sameStructure) {
    fields_.clear();
    foldedNames_.clear();
    for (size_t i = 0; i < file_.structure.fields.size(); ++i) {
      fields_.push_back(std::make_unique<TField>(*this, static_cast<int>(i), file_.structure.fields[i]));
      foldedNames_.push_back(platform::foldCase(fields_.back()->fieldName()));
    }
  }
  autoIncField_ = -1;
  for (size_t i = 0; i < file_.structure.fields.size(); ++i)
    if (file_.structure.fields[i].type == FieldType::AutoInc) autoIncField_ = static_cast<int>(i);
  record_.assign(file_.structure.fields.size(), Value{});
  state_ = TableState::Browse;  // loadView and the filter need an active table
  if (st) st = applyFilter();
  if (st) st = loadView();
  if (st) st = moveTo(view_.empty() ? -1 : 0);
  if (!st) {
    teardown();
    return st;
  }
  bof_ = true;
  eof_ = view_.empty();
  // Opened while its set writes: it writes in that transaction too.
  if (set_ && set_->inTransaction()) {
    counterAtBegin_.reset();
    changedInTransaction_ = uncertainInTransaction_ = false;
    inTransaction_ = true;
  }
  state_ = TableState::Inactive;
  setState(TableState::Browse);
  notifyData();
  return okStatus();
}

void TTable::close() {
  if (!active()) return;
  // A member leaves what it wrote to its set's commit or rollback.
  if (inTransaction_ && !set_) (void)endTransaction(false);
  teardown();
  state_ = TableState::Browse;  // so that observers hear of the change
  setState(TableState::Inactive);
  notifyData();
}

void TTable::teardown() {
  selectRow_ = {};
  insertRow_ = {};
  updateRow_ = {};
  deleteRow_ = {};
  nextAutoInc_ = {};
  reader_.release();
  recordRowid_ = -1;
  file_.db.close();
  schema_ = "main";
  lock_.release();
  view_.clear();
  ordered_ = 0;
  record_.clear();
  saved_.clear();
  current_ = -1;
  bof_ = eof_ = true;
  modified_ = false;
  inTransaction_ = false;
  state_ = TableState::Inactive;
}

Status TTable::setActive(bool on) {
  if (!on) {
    close();
    return okStatus();
  }
  return open();
}

Status TTable::prepareStatements() {
  size_t n = file_.structure.fields.size();
  std::string cols = columnList(static_cast<int>(n));
  std::string marks;
  std::string sets;
  for (size_t i = 0; i < n; ++i) {
    marks += i ? ",?" : "?";
    sets += (i ? "," : "") + columnName(static_cast<int>(i)) + "=?";
  }
  struct Prep {
    Statement* target;
    std::string sql;
  };
  for (const Prep& p : {
           Prep{&selectRow_, "SELECT " + cols + " FROM " + records() + " WHERE rowid=?"},
           // NOLINTNEXTLINE(performance-inefficient-string-concatenation): built once, before the loop
           Prep{&insertRow_, "INSERT INTO " + records() + "(" + cols + ") VALUES(" + marks + ")"},
           Prep{&updateRow_, "UPDATE " + records() + " SET " + sets + " WHERE rowid=?"},
           Prep{&deleteRow_, "DELETE FROM " + records() + " WHERE rowid=?"},
           Prep{&nextAutoInc_, "UPDATE " + schema_ +
                                   ".riviza_table SET autoinc_next=autoinc_next+1 RETURNING autoinc_next-1"},
       }) {
    auto st = Statement::prepare(db(), p.sql);
    if (!st) return st.error();
    *p.target = std::move(*st);
  }
  return reader_.prepare(db(), static_cast<int>(n), schema_);
}

// ---- fields ----

TField& TTable::fields(int index) {
  assert(index >= 0 && index < fieldCount());
  return *fields_[static_cast<size_t>(index)];
}

// Routines look fields up by name per record; the names are unique ignoring case, so the name
// as written is tried first and the case-folded one (folded once, not per field) after it.
TField* TTable::findField(std::string_view name) {
  if (!active()) return nullptr;
  for (auto& f : fields_)
    if (f->fieldName() == name) return f.get();
  const std::string folded = platform::foldCase(name);
  for (size_t i = 0; i < foldedNames_.size(); ++i)
    if (foldedNames_[i] == folded) return fields_[i].get();
  return nullptr;
}

Result<TField*> TTable::fieldByName(std::string_view name) {
  if (TField* f = findField(name)) return f;
  return Error::make(kFieldNotFound,
                     "Feld '" + std::string(name) + "' nicht gefunden (" + tableName_ + ")");
}

// ---- filter ----

Status TTable::applyFilter() {
  setCompiled({});
  if (!filtered_) return okStatus();
  auto c = compileFilter(filterText_, file_.structure, filterOptions_);
  if (!c) return c.error();
  setCompiled(std::move(*c));
  return okStatus();
}

void TTable::setCompiled(CompiledFilter c) {
  compiled_ = std::move(c);
  filterCheckSql_.clear();
  if (!compiled_.whereSql.empty())
    filterCheckSql_ = "SELECT 1 FROM " + records() + " WHERE rowid=? AND (" + compiled_.whereSql + ")";
}

Status TTable::setFilter(std::string text) {
  if (!active() || !filtered_) {
    filterText_ = std::move(text);
    return okStatus();
  }
  RIVIZA_TRY(checkBrowseMode());
  auto c = compileFilter(text, file_.structure, filterOptions_);
  if (!c) return c.error();
  filterText_ = std::move(text);
  setCompiled(std::move(*c));
  return refilter();
}

Status TTable::setFiltered(bool on) {
  if (!active()) {
    filtered_ = on;
    return okStatus();
  }
  if (on == filtered_) return okStatus();
  RIVIZA_TRY(checkBrowseMode());
  filtered_ = on;
  Status st = applyFilter();
  if (!st) {
    filtered_ = false;
    setCompiled({});
    return st;
  }
  return refilter();
}

Status TTable::setFilterOptions(FilterOptions options) {
  if (options == filterOptions_) return okStatus();
  if (!active() || !filtered_) {
    filterOptions_ = options;
    return okStatus();
  }
  RIVIZA_TRY(checkBrowseMode());
  auto c = compileFilter(filterText_, file_.structure, options);
  if (!c) return c.error();
  filterOptions_ = options;
  setCompiled(std::move(*c));
  return refilter();
}

// A changed filter shows its first record, as the old engine did.
Status TTable::refilter() {
  RIVIZA_TRY(loadView());
  RIVIZA_TRY(moveTo(0));
  bof_ = true;
  eof_ = view_.empty();
  notifyData();
  return okStatus();
}

// ---- observers ----

void TTable::addObserver(TableObserver* o) {
  if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void TTable::removeObserver(TableObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void TTable::disableControls() {
  if (disableCount_++ == 0) stateWhenDisabled_ = state_;
}

void TTable::enableControls() {
  if (disableCount_ == 0 || --disableCount_ > 0) return;
  bool state = stateWhenDisabled_ != state_;
  bool data = std::exchange(pendingData_, false);
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) {
    if (state) o->tableStateChanged(*this);
    if (data || state) o->tableDataChanged(*this);
  }
}

void TTable::setState(TableState s) {
  if (s == state_) return;
  state_ = s;
  if (controlsDisabled()) return;  // told once, by enableControls, if it still differs
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableStateChanged(*this);
}

void TTable::notifyRecord() {
  if (controlsDisabled()) {
    pendingData_ = true;
    return;
  }
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableRecordChanged(*this);
}

void TTable::notifyData() {
  if (controlsDisabled()) {
    pendingData_ = true;
    return;
  }
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableDataChanged(*this);
}

void TTable::fieldStored(int index) {
  modified_ = true;
  if (controlsDisabled()) {
    pendingData_ = true;
    return;
  }
  if (observers_.empty()) return;  // a bulk write's cursor has no controls to tell
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableFieldChanged(*this, index);
}

// ---- invariants ----

void TTable::assertInvariants() const {
#ifndef NDEBUG
  if (state_ == TableState::Inactive) {
    assert(!file_.db.isOpen() && view_.empty() && current_ == -1 && !inTransaction_);
    return;
  }
  assert(db().isOpen() && lock_.held());
  assert(!set_ || (!file_.db.isOpen() && inTransaction_ == set_->inTransaction()));
  assert(record_.size() == file_.structure.fields.size() && fields_.size() == record_.size());
  assert(current_ >= -1 && current_ < static_cast<int>(view_.size()));
  assert((current_ == -1) == view_.empty() || state_ == TableState::Insert);
  if (view_.empty() && state_ != TableState::Insert) assert(bof_ && eof_);
  if (state_ == TableState::Browse) assert(!modified_);
  assert(ordered_ <= view_.size());
  for (size_t i = 1; i < ordered_; ++i) assert(inViewOrder(view_[i - 1], view_[i]));
#endif
}

}  // namespace riviza::db
