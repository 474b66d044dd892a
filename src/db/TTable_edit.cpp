// The table component's editing, emptying, index rebuild and transactions (db layer); see
// TTable.h for the state diagram these functions follow.
#include "db/TTable.h"

#include "platform/paths.h"

namespace riviza::db {
namespace {

// Deletes every record. A table without records is left as it is: emptying the fresh copy of a
// template then costs no write transaction (journal, flushes to disk) at all.
Status deleteAll(Database& db, const std::string& records) {
  auto probe = db.cached("SELECT 1 FROM " + records + " LIMIT 1");
  if (!probe) return probe.error();
  auto any = (*probe)->step();
  if (!any) return any.error();
  (*probe)->rewind();
  return *any ? db.exec(("DELETE FROM " + records).c_str()) : okStatus();
}

}  // namespace

// Leaves Edit/Insert before a move: post a changed record, drop an untouched one.
Status TTable::checkBrowseMode() {
  if (state_ != TableState::Edit && state_ != TableState::Insert) return okStatus();
  updateFromControls();
  if (modified_) return writePending();
  cancel();
  return okStatus();
}

Status TTable::edit() {
  RIVIZA_TRY(requireActive());
  if (state_ == TableState::Edit || state_ == TableState::Insert) return okStatus();
  if (view_.empty()) return insert();
  // The record is read again, so the edit starts from what another cursor may have stored
  // (loadRecord reads only when something was committed since the record was read).
  RIVIZA_TRY(loadRecord());
  saved_ = record_;
  recordRowid_ = -1;
  modified_ = false;
  setState(TableState::Edit);
  notifyRecord();
  return okStatus();
}

Status TTable::insert() {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  // The shown record moves aside for cancel(); swapping spares copying its texts on every
  // append of a bulk write.
  saved_.swap(record_);
  recordRowid_ = -1;
  record_.resize(saved_.size());
  savedCurrent_ = current_;
  savedBof_ = bof_;
  savedEof_ = eof_;
  std::fill(record_.begin(), record_.end(), Value{});
  modified_ = false;
  setState(TableState::Insert);
  notifyRecord();
  return okStatus();
}

// Without a key a new record goes to the end, with a key to its key's place, whichever of
// insert() and append() started it; the two differ only in name, as with the old engine.
Status TTable::append() { return insert(); }

void TTable::cancel() {
  if (state_ == TableState::Insert) {
    current_ = savedCurrent_;
    bof_ = savedBof_;
    eof_ = savedEof_;
  }
  if (state_ == TableState::Edit || state_ == TableState::Insert) {
    record_ = saved_;
    modified_ = false;
    setState(TableState::Browse);
    notifyRecord();
  }
}

Error TTable::mapWriteError(const Error& e) const {
  int primary = e.code & 0xff;
  if (primary == SQLITE_CONSTRAINT)
    return Error::make(kKeyViolation, "Schlüsselverletzung in " + tableName_ + ": " + e.message);
  return e;
}

Status TTable::insertRecord(long long& rowid) {
  if (autoIncField_ >= 0) {
    RIVIZA_TRY(nextAutoInc_.reset());
    auto row = nextAutoInc_.step();
    wroteFile(row.ok());
    if (!row) return row.error();
    record_[static_cast<size_t>(autoIncField_)] = nextAutoInc_.columnInt(0);
    RIVIZA_TRY(nextAutoInc_.reset());
  }
  // record_ stays as it is until the insert has run: its texts are bound without a copy.
  insertRow_.rewind();
  for (size_t i = 0; i < record_.size(); ++i)
    RIVIZA_TRY(insertRow_.bindUncopied(static_cast<int>(i) + 1, record_[i]));
  Status st = insertRow_.run();
  if (!st) {
    wroteFile(false);
    if (autoIncField_ >= 0) record_[static_cast<size_t>(autoIncField_)] = Value{};
    return mapWriteError(st.error());
  }
  rowid = db().lastInsertRowid();
  wroteRecord(rowid, true);  // a record id freed by a delete comes back
  return okStatus();
}

Status TTable::updateRecord(long long rowid) {
  updateRow_.rewind();
  int n = static_cast<int>(record_.size());
  for (int i = 0; i < n; ++i) RIVIZA_TRY(updateRow_.bindUncopied(i + 1, record_[static_cast<size_t>(i)]));
  RIVIZA_TRY(updateRow_.bind(n + 1, rowid));
  Status st = updateRow_.run();
  wroteRecord(rowid, st && db().changes() > 0);
  if (!st) return mapWriteError(st.error());
  if (db().changes() == 0)
    return Error::make(kRecordGone, "Datensatz wurde von einem anderen Benutzer gelöscht: " +
                                        platform::displayPath(filePathText()));
  return okStatus();
}

Status TTable::post() {
  RIVIZA_TRY(requireActive());
  if (state_ == TableState::Browse) return okStatus();
  updateFromControls();
  return writePending();
}

void TTable::updateFromControls() {
  if (state_ != TableState::Edit && state_ != TableState::Insert) return;
  for (TableObserver* o : std::vector<TableObserver*>(observers_)) o->tableUpdateRecord(*this);
}

Status TTable::writePending() {
  long long rowid = 0;
  if (state_ == TableState::Insert) {
    RIVIZA_TRY(insertRecord(rowid));
  } else {
    rowid = view_[static_cast<size_t>(current_)].rowid;
    if (modified_) RIVIZA_TRY(updateRecord(rowid));
  }
  if (state_ == TableState::Insert || modified_)
    RIVIZA_TRY(placeAfterWrite(rowid, state_ == TableState::Edit));
  modified_ = false;
  bof_ = eof_ = view_.empty();
  setState(TableState::Browse);
  notifyData();
  return okStatus();
}

Status TTable::deleteRecord() {
  RIVIZA_TRY(requireActive());
  if (state_ == TableState::Insert) {
    cancel();
    return okStatus();
  }
  if (view_.empty())
    return Error::make(kRecordGone, "Kein Datensatz zum Löschen: " + platform::displayPath(filePathText()));
  orderView();  // the cursor then stands on the record after it
  long long rowid = view_[static_cast<size_t>(current_)].rowid;
  RIVIZA_TRY(deleteRow_.reset());
  RIVIZA_TRY(deleteRow_.bind(1, rowid));
  Status st = deleteRow_.run();
  wroteRecord(rowid, st && db().changes() > 0);
  RIVIZA_TRY(st);
  view_.erase(view_.begin() + current_);
  ordered_ = view_.size();
  modified_ = false;
  setState(TableState::Browse);
  RIVIZA_TRY(moveTo(current_));
  if (view_.empty()) bof_ = eof_ = true;
  notifyData();
  return okStatus();
}

Status TTable::emptyTable() {
  if (!active()) {
    // It would commit on its own, outside the set's transaction.
    if (set_) return Error::make(kInactive, "Tabelle ist nicht geöffnet: " + filePathText());
    // A closed table is emptied through a connection of its own; a table someone holds
    // exclusively is refused like any open.
    std::filesystem::path native = platform::nativePath(filePathText());
    auto lock = TableLock::acquire(native, false);
    if (!lock) return lock.error();
    auto file = openTableFile(native);
    if (!file) return file.error();
    return deleteAll(file->db, "main.records");
  }
  RIVIZA_TRY(checkBrowseMode());
  Status emptied = deleteAll(db(), records());
  forgetBuffered();
  wroteFile(false);
  RIVIZA_TRY(emptied);
  view_.clear();
  ordered_ = 0;
  RIVIZA_TRY(moveTo(-1));
  bof_ = eof_ = true;
  notifyData();
  return okStatus();
}

Status TTable::rebuildIndexes() {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  wroteFile(false);
  return db().exec(("REINDEX " + records()).c_str());
}

Status TTable::checkIntegrity() {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  auto check = Statement::prepare(db(), "PRAGMA " + schema_ + ".integrity_check(1)");
  if (!check) return check.error();
  auto row = check->step();
  if (!row) return row.error();
  if (*row && check->columnText(0) == "ok") return okStatus();
  // SQLite's finding names pages and b-trees in English: nothing the user can act on.
  return Error::make(SQLITE_CORRUPT, "Tabelle beschädigt: " + platform::displayPath(filePathText()));
}

Status TTable::ensureFilterIndex(std::string_view fieldName) {
  RIVIZA_TRY(requireActive());
  auto field = fieldByName(fieldName);
  if (!field) return field.error();
  const int position = (*field)->index();
  const std::string sql = "CREATE INDEX IF NOT EXISTS " + schema_ + ".riviza_filter_" + columnName(position) +
                          " ON records(" + filterColumnExpression(position, (*field)->dataType()) + ")";
  wroteFile(false);
  return db().exec(sql.c_str());
}

// ---- transactions ----

Result<TransactionGuard> TTable::startTransaction() {
  RIVIZA_TRY(requireActive());
  if (set_)
    return Error::make(kTransactionState, "Tabelle schreibt in der Transaktion ihres Vorgangs: " + filePathText());
  if (inTransaction_)
    return Error::make(kTransactionState,
                       "Transaktion läuft bereits: " + platform::displayPath(filePathText()));
  // IMMEDIATE takes the write lock now: a table another program writes is reported here, not
  // halfway through the bulk work.
  RIVIZA_TRY(db().run("BEGIN IMMEDIATE"));
  transactionBegan();
  return TransactionGuard(this);
}

void TTable::transactionBegan() {
  // From here on nobody else commits; what was read before counts only when nothing was
  // committed in between.
  auto counter = db().fileChangeCounter(schema_);
  counterAtBegin_.reset();
  if (counter) counterAtBegin_ = *counter;
  if (!counter || !reader_.readAt(*counter)) forgetBuffered();
  changedInTransaction_ = uncertainInTransaction_ = false;
  inTransaction_ = true;
}

void TTable::transactionCommitted() {
  inTransaction_ = false;
  // The commit advanced the file change counter by one when the transaction changed the file,
  // else not at all; the batch read meanwhile stays valid until anyone commits after it (a
  // bulk routine with a transaction per voucher reads on without reading again).
  if (counterAtBegin_ && !uncertainInTransaction_)
    reader_.rebase(*counterAtBegin_ + (changedInTransaction_ ? 1u : 0u));
  else
    forgetBuffered();
}

Status TTable::transactionRolledBack() {
  inTransaction_ = false;
  cancel();
  forgetBuffered();
  // The view and the current record may name records that the rollback removed.
  if (state_ != TableState::Inactive) RIVIZA_TRY(reloadView());
  return okStatus();
}

Status TTable::endTransaction(bool commit) {
  if (!inTransaction_)
    return Error::make(kTransactionState, "keine Transaktion: " + platform::displayPath(filePathText()));
  if (commit) {
    RIVIZA_TRY(checkBrowseMode());
    RIVIZA_TRY(db().run("COMMIT"));
    transactionCommitted();
    return okStatus();
  }
  inTransaction_ = false;
  cancel();
  Status st = db().run("ROLLBACK");
  Status back = transactionRolledBack();
  return st ? back : st;
}

// A rollback that throws (no memory) must not end the program from a destructor; the
// transaction then ends with the connection.
TransactionGuard::~TransactionGuard() {
  try {
    if (table_ && table_->inTransaction_) (void)table_->endTransaction(false);
  } catch (...) {
  }
}

TransactionGuard::TransactionGuard(TransactionGuard&& other) noexcept
    : table_(std::exchange(other.table_, nullptr)) {}

TransactionGuard& TransactionGuard::operator=(TransactionGuard&& other) noexcept {
  if (this != &other) {
    TransactionGuard ending(std::move(*this));
    table_ = std::exchange(other.table_, nullptr);
  }
  return *this;
}

Status TransactionGuard::commit() {
  if (!table_) return Error::make(kTransactionState, "keine Transaktion");
  Status st = table_->endTransaction(true);
  if (st) table_ = nullptr;
  return st;
}

Status TransactionGuard::rollback() {
  if (!table_) return Error::make(kTransactionState, "keine Transaktion");
  TTable* t = std::exchange(table_, nullptr);
  return t->endTransaction(false);
}

}  // namespace riviza::db
