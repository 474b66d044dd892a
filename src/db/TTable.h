// TTable: the table component the logic works through, in place of the old database engine's
// Paradox table component (db layer).
//
// A TTable names a table by folder ("database name", path text) and file name ("Kosttr.db",
// found case-insensitively) and keeps a cursor over its records: the records in key order (or in
// the order they were added when the table has no key), narrowed by the filter. Positions,
// record numbers and counts refer to that view. Each table is one SQLite file (table_file.h).
//
// Cursor states and the calls that move between them:
//
//   Inactive      --open() / setActive(true)-->   Browse
//   Browse        --edit()-->                     Edit     (on an empty view: Insert)
//   Browse        --insert() / append()-->        Insert
//   Edit, Insert  --post() / cancel()-->          Browse   (a failed post stays where it was)
//   Browse, Edit  --deleteRecord()-->             Browse   (Insert: deleteRecord() cancels)
//   any state     --close() / setActive(false)--> Inactive
//
//  - Moving (first, next, prior, last, setRecNo, gotoBookmark), refresh, filter changes and
//    emptyTable in Edit/Insert first leave that state: post when a field was changed, else
//    cancel (the old engine's "check browse mode").
//  - post() that fails (key violation, conversion, I/O) stays in Edit/Insert with the values.
//  - deleteRecord() in Insert cancels; in Browse/Edit deletes the current record and moves to
//    the record after it (or the one before when it was the last).
//  - close() discards a pending Edit/Insert and rolls back an open transaction (a TableSet
//    member's transaction is its set's, and stays for the set's commit or rollback).
//  - Eof is set by last(), by next() on the last record and on an empty view; Bof by first(),
//    by prior() on the first record and on an empty view; a move that lands clears both.
//  - A changed filter stands on its first record. A posted record that does not pass the
//    filter leaves the view, and the cursor stands on the record after its place; an edit that
//    changed none of the fields the filter reads passes as the record did when it was read.
//
// Observers (data sources, data-aware controls) are told of state changes, moves, changed
// field values and changed record sets; disableControls() holds the notices back until the
// matching enableControls(), which then sends one data notice (and a state notice when the
// state differs from the one at disableControls()).
//
// Records are read a batch at a time (record_reader.h), which no caller sees: a move shows what
// the file holds at that moment, whoever committed it.
//
// Two TTables on one file in one process are two connections: a bulk write transaction on one
// can make reads of the other wait (busy time-out 5 s), so a caller does not read a table
// through a second TTable while it rewrites it in a transaction. The tables of an operation
// that writes several files join a TableSet (table_set.h) instead: they share its connection,
// see each other's uncommitted records and commit together.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/TField.h"
#include "db/errors.h"
#include "db/filter.h"
#include "db/record_reader.h"
#include "db/structure.h"
#include "db/table_file.h"
#include "db/table_set.h"
#include "platform/result.h"

namespace riviza::db {

enum class TableState { Inactive, Browse, Edit, Insert };

class TTable;

class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void tableStateChanged(TTable&) {}
  // The cursor stands on another record, or the current record's values changed as a whole.
  virtual void tableRecordChanged(TTable&) {}
  // The set of records may have changed (open, close, filter, refresh, post, delete, empty).
  virtual void tableDataChanged(TTable&) {}
  virtual void tableFieldChanged(TTable&, int /*fieldIndex*/) {}
  // Before a post: controls write their pending text into the fields now.
  virtual void tableUpdateRecord(TTable&) {}
  // The table object goes away; drop every pointer to it and its fields.
  virtual void tableDestroyed(TTable&) {}
};

// A position that survives moves: the record itself, not its number.
struct Bookmark {
  long long rowid = 0;
  friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

class TransactionGuard;

// What TTable::appendFrom makes of each record of the source: the work of a routine that would
// read, assign and post the records one at a time, in one statement.
struct RecordCopy {
  // Per position of the new records from 0: the source position assigned to it (as
  // TField::assign would), or -1 for none; positions not listed stay empty.
  std::vector<int> from;
  // Positions of the new records whose flag, after the assignment, is set False unless it is
  // true (an empty one too); positions the new records lack are passed over.
  std::vector<int> falseUnlessTrue;
  // Source positions: a record whose texts there are all blank (after trimming) is left out.
  std::vector<int> leaveOutWhenBlank;
  // A blank text (after trimming) assigned to a field that holds no text (a date, a number)
  // leaves it empty, where the assignment would refuse it.
  bool blankTextLeavesEmpty = false;
  // Positions of the new records whose value is `value` of the stored values of the source
  // positions `sources` (in that order) instead of an assignment: the stored form for the new
  // field (storedFromText and its kin give it), a function of those values alone (it may be
  // called once for records with equal values). A failure ends the copy with that error.
  struct Computed {
    int position;
    std::vector<int> sources;
    std::function<Result<Value>(std::span<const Value>)> value;
  };
  std::vector<Computed> computed = {};
  // When set, called once per appended record, in the order of the new records, with its record
  // number in the source's view (0 for one its view does not hold, another program's record
  // since the view was read) and the stored values of the source positions `watched` (in
  // that order): what a routine that copies record by record notes of each record (its log
  // lines), without a second read of the source. Called after the statement and before the
  // copy commits; an error ends the copy with it, and a copy that fails calls it for none.
  std::vector<int> watched = {};
  std::function<Status(int recNo, std::span<const Value> values)> each = {};
};

class TTable {
 public:
  TTable();
  ~TTable();
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  // ---- naming and opening (names change only while Inactive) ----
  Status setDatabaseName(std::string folderText);
  const std::string& databaseName() const { return databaseName_; }
  Status setTableName(std::string fileName);
  const std::string& tableName() const { return tableName_; }
  Status setExclusive(bool exclusive);  // refuses other opens, in this process and in others
  bool exclusive() const { return exclusive_; }
  std::string filePathText() const;  // database name, "\", table name

  Status open();
  void close();
  Status setActive(bool active);
  bool active() const { return state_ != TableState::Inactive; }
  TableState state() const { return state_; }

  // Creates a new, empty table file; an existing file is never replaced.
  static Status createTable(std::string_view folderText, std::string_view fileName,
                            const TableStructure& structure);

  // ---- cursor ----
  Status first();
  Status last();
  Status next();
  Status prior();
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  bool isEmpty() const { return view_.empty(); }
  int recordCount() const { return static_cast<int>(view_.size()); }
  int recNo() const;           // 1-based; 0 in Insert, when empty or inactive
  Status setRecNo(int recNo);  // clamped to 1..recordCount
  // The texts of record `recNo` of the view without moving the cursor, for grids that show
  // many records at once (the record being edited shows its pending values).
  Result<std::vector<std::string>> recordTexts(int recNo);
  // Walks the view's records in view order without moving the cursor, reading only the fields at
  // `positions`: `each` gets their stored values in that order (fieldText and integerOf read them
  // as asString and asInteger would). One statement over the file, as direct SQL reads it, for
  // read-only walks that need a few fields of many records (a pending Edit or Insert is not
  // seen). An error of `each` ends the walk with it.
  using ValueRow = std::vector<Value>;
  Status scanValues(const std::vector<int>& positions, const std::function<Status(const ValueRow&)>& each);
  std::optional<Bookmark> getBookmark() const;
  Status gotoBookmark(const Bookmark& b);
  bool bookmarkValid(const Bookmark& b) const;

  // ---- editing ----
  Status edit();
  Status insert();
  Status append();
  Status post();
  void cancel();
  Status deleteRecord();
  bool modified() const { return modified_; }
  // Leaves Edit or Insert as a move does: a changed record is posted, an untouched one dropped.
  Status checkBrowseMode();
  // In Edit or Insert: the observers write what they still hold (a half-typed text) into the
  // fields now, without a post (the old engine's UpdateRecord), so modified() tells all.
  void updateFromControls();
  Status refresh();
  Status emptyTable();  // open or closed; inside an open transaction it rolls back with it

  // ---- fields (listed while active) ----
  int fieldCount() const { return active() ? static_cast<int>(fields_.size()) : 0; }
  TField& fields(int index);                 // 0 <= index < fieldCount()
  TField* findField(std::string_view name);  // ignoring case; nullptr when missing
  Result<TField*> fieldByName(std::string_view name);
  const TableStructure& structure() const { return file_.structure; }

  // ---- filter ----
  const std::string& filter() const { return filterText_; }
  Status setFilter(std::string text);
  bool filtered() const { return filtered_; }
  Status setFiltered(bool on);
  FilterOptions filterOptions() const { return filterOptions_; }
  Status setFilterOptions(FilterOptions options);

  // ---- controls ----
  void addObserver(TableObserver* o);
  void removeObserver(TableObserver* o);
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return disableCount_ > 0; }

  // ---- maintenance ----
  // Rebuilds every index of the open table (the old engine's index regeneration).
  Status rebuildIndexes();
  // Checks the whole file of the open table (pages, records, indexes) without changing it; a
  // damaged file is SQLITE_CORRUPT with SQLite's first finding.
  Status checkIntegrity();
  // Gives the file a secondary index for the filter's equality terms on one field (the voucher
  // number the bulk routines select by, once per voucher), so that each such filter reads only
  // its records instead of the whole table. Kept in the file; creating it again does nothing.
  Status ensureFilterIndex(std::string_view fieldName);
  // Appends the records of the open table `source` (another file) by `copy`, in the source's
  // order, in one transaction of its own (a member of a TableSet: from a member of the same set,
  // in the set's transaction when it runs), and returns how many were appended; on any failure
  // none are. Values are assigned as TField::assign assigns them (types that differ converted
  // through the text, a text cut to a shorter alpha field); a value that does not convert ends
  // the copy with kConversion. A copy the statement cannot do (an autoincrement field here, a
  // flag that is no logical field or is computed, a blank test on no text field, a filtered
  // source) is refused with kNotInOneStatement, to be done record by record.
  Result<int> appendFrom(const TTable& source, const RecordCopy& copy);
  // Starts a write transaction for bulk work; see TransactionGuard. Refused for a member of a
  // TableSet, whose transaction is the set's.
  Result<TransactionGuard> startTransaction();
  bool inTransaction() const { return inTransaction_; }
  TableSet* tableSet() const { return set_; }

  void assertInvariants() const;

 private:
  friend class TField;
  friend class TransactionGuard;
  friend class TableSet;
  using ViewEntry = db::ViewEntry;  // key values empty for tables without a key

  void teardown();  // back to Inactive without notices
  Status requireActive() const;
  Status prepareStatements();
  Status applyFilter();
  void setCompiled(CompiledFilter c);
  Status refilter();
  Status loadView();
  Result<std::optional<std::vector<ViewEntry>>> denseView();  // loadView without key and filter
  Status reloadView();    // loadView, keeping the cursor's record or place
  Status loadRecord();    // the current record into record_, unless record_ still holds it
  void forgetBuffered();  // record_ and the reader's batch may no longer match the file
  // A write through this connection: of record `rowid`, or of the file; `changed` when it
  // certainly changed the file (a commit then advances the file change counter by one).
  void wroteRecord(long long rowid, bool changed);
  void wroteFile(bool changed);
  Status moveTo(int index);
  Status step(int delta);
  Status placeAfterWrite(long long rowid, bool edited);
  Result<bool> passesFilter(long long rowid);
  static bool inViewOrder(const ViewEntry& a, const ViewEntry& b);  // key values, then record id
  void orderView();                              // puts the entries appended since in order
  int positionInOrder(int index) const;          // the place of view_[index] once the view is in order
  int insertionIndex(const ViewEntry& e) const;  // in an ordered view
  int indexOfRowid(long long rowid) const;
  ViewEntry entryFor(long long rowid) const;
  Status writePending();  // post without the update notice
  Status insertRecord(long long& rowid);
  Status updateRecord(long long rowid);
  Error mapWriteError(const Error& e) const;
  Result<int> appendBy(const std::string& sql);  // appendFrom's statement, then the view
  // appendFrom's calls of copy.each for the records its statement noted.
  static Status tellEach(const TTable& source, const RecordCopy& copy, const std::vector<ViewEntry>& order,
                         const std::vector<Value>& seen);
  Status endTransaction(bool commit);
  // The bookkeeping of a transaction that began or ended on the connection (own or the set's).
  void transactionBegan();
  void transactionCommitted();
  Status transactionRolledBack();
  // The connection the statements run on, and the records table's name there.
  Database& db() { return set_ ? set_->connection() : file_.db; }
  const Database& db() const { return set_ ? set_->connection() : file_.db; }
  std::string records() const { return schema_ + ".records"; }
  void fieldStored(int index);
  void setState(TableState s);
  void notifyRecord();
  void notifyData();

  std::string databaseName_;
  std::string tableName_;
  bool exclusive_ = false;
  TableState state_ = TableState::Inactive;

  TableLock lock_;
  TableFile file_;  // connection (not used by a set's member) and structure
  TableSet* set_ = nullptr;
  std::string schema_ = "main";  // the file's name on the connection
  // Statements below are finalised before either connection closes.
  Statement selectRow_, insertRow_, updateRow_, deleteRow_, nextAutoInc_;
  RecordReader reader_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<std::string> foldedNames_;  // the fields' names case-folded, for findField
  int autoIncField_ = -1;

  std::string filterText_;
  bool filtered_ = false;
  FilterOptions filterOptions_;
  CompiledFilter compiled_;
  std::string filterCheckSql_;  // whether one record passes the filter; empty without a filter

  // view_[0, ordered_) is in view order; the entries after it are records posted new since the
  // last read that needed the order, in the order of their posts (orderView).
  std::vector<ViewEntry> view_;
  size_t ordered_ = 0;
  int current_ = -1;  // index into view_, -1 when empty
  bool bof_ = true, eof_ = true;
  std::vector<Value> record_, saved_;
  long long recordRowid_ = -1;  // the record whose stored values record_ holds unchanged; -1 none
  int savedCurrent_ = -1;
  bool savedBof_ = true, savedEof_ = true;
  bool modified_ = false;
  bool inTransaction_ = false;
  // The file change counter when the transaction began, and what the transaction wrote: a
  // commit after certain changes only keeps the reader's batch valid.
  std::optional<unsigned> counterAtBegin_;
  bool changedInTransaction_ = false, uncertainInTransaction_ = false;

  std::vector<TableObserver*> observers_;
  int disableCount_ = 0;
  TableState stateWhenDisabled_ = TableState::Inactive;
  bool pendingData_ = false;
};

// Bulk work in one transaction: rolls back on destruction unless commit() succeeded, and then
// brings the cursor back in step with the restored records. A guard must not outlive its table.
class [[nodiscard]] TransactionGuard {
 public:
  TransactionGuard() = default;
  ~TransactionGuard();
  TransactionGuard(TransactionGuard&& other) noexcept;
  TransactionGuard& operator=(TransactionGuard&& other) noexcept;
  TransactionGuard(const TransactionGuard&) = delete;
  TransactionGuard& operator=(const TransactionGuard&) = delete;

  Status commit();
  Status rollback();

 private:
  friend class TTable;
  explicit TransactionGuard(TTable* t) : table_(t) {}
  TTable* table_ = nullptr;
};

}  // namespace riviza::db
