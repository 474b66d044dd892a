// The record reads of the table cursor: records of the view fetched a batch at a time and
// handed out one by one (db layer).
//
// A scan that asked SQLite for each record on its own paid a whole statement run per record
// (and outside a transaction a lock, a journal check and a header read as well). The reader
// fetches the records after the one asked for in one statement run: the batch starts at one
// record and doubles, up to kMaxBatch, while the cursor keeps moving on (or back) past the end
// of what was fetched; any other move starts again at one, so random access reads no more than
// before (a view of up to kSmallView records is read whole at once). Records are found in the
// buffer by record id, never by position alone, so a view that changed since (an insert or
// delete moves positions) can only miss, never hand out the wrong record.
//
// What the buffer holds is what the file held when it was read, and it is handed out only while
// that is still so:
//  - inside the table's own write transaction nobody else can commit, and the table's own
//    writes drop the records they touched (forget);
//  - outside it, every hand-out first compares the file change counter with the one read under
//    the batch's read lock (on a local disk a copy from SQLite's mapping of the header page, not
//    a system call); any commit by any connection since throws the buffer away. The
//    table's own commit moves the counter on by exactly one when it changed the file, so the
//    buffer survives it (rebase) and still notices anyone committing after it. (The counter moves
//    with every commit in rollback-journal mode, the mode every table file is kept in.)
// A record handed out leaves the buffer (its vector is swapped into the cursor's record, and
// the cursor's old vector comes back to be refilled), so a record is never copied field by field.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/sqlite.h"
#include "db/structure.h"
#include "platform/result.h"

namespace riviza::db {

// One record of a cursor's view: its id and, for keyed tables, its key values in key order.
struct ViewEntry {
  long long rowid;
  std::vector<Value> key;
};

class RecordReader {
 public:
  static constexpr int kMaxBatch = 64;
  static constexpr int kSmallView = 8;

  // Prepares the statements for a table of `fieldCount` fields, attached to `db` as `schema`, and
  // sets the connection up for them (header page mapped, page cache).
  Status prepare(const Database& db, int fieldCount, const std::string& schema = "main");
  // Drops buffer and statements; before the connection closes.
  void release();

  // Record `index` of `view` into `record` (a vector of fieldCount values); false when the file
  // no longer holds it. `inTransaction`: the connection holds its own write transaction.
  Result<bool> read(const Database& db, const std::vector<ViewEntry>& view, int index, bool inTransaction,
                    std::vector<Value>& record);
  // True while nothing can have been committed since the last batch was read: what the cursor
  // was handed then is still what the file holds.
  bool unchanged(const Database& db, bool inTransaction) const;
  // True when the buffer was read at file change counter `counter`.
  bool readAt(unsigned counter) const { return counter_ && *counter_ == counter; }
  // Everything buffered is dropped; the next read starts a batch of one again.
  void invalidate();
  // One record was written through this connection inside its transaction.
  void forget(long long rowid);
  // The connection's transaction committed, leaving the file at `counter`: what the buffer
  // holds (the records the transaction wrote were forgotten) is what the file holds then.
  void rebase(unsigned counter) { counter_ = counter; }

 private:
  struct Slot {
    long long rowid = 0;
    bool filled = false;
    std::vector<Value> values;
  };

  Status load(const Database& db, const std::vector<ViewEntry>& view, int index, bool inTransaction);
  std::string selectSql() const;
  Status prepareList(const Database& db);
  int find(long long rowid, int index) const;

  int fieldCount_ = 0;
  std::string schema_ = "main";
  Statement range_;                             // the records with ids between two bounds, for a dense batch
  Statement list_;                              // the records with one of kMaxBatch ids, for a sparse one
  std::vector<Slot> slots_;                     // slots_[0..count_) hold view[begin_..begin_+count_)
  std::vector<std::pair<long long, int>> ids_;  // (rowid, slot) of the batch, by rowid
  int begin_ = 0, count_ = 0;
  int batch_ = 1;                       // records fetched by the last load
  int lastIndex_ = -1, lastSlot_ = -1;  // the view index and slot handed out last
  std::optional<unsigned> counter_;     // file change counter of the buffer (outside transactions)
};

}  // namespace riviza::db
