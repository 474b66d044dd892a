// Batched record reads of the table cursor (db layer); see record_reader.h.
#include "db/record_reader.h"

#include <sys/vfs.h>

#include <algorithm>
#include <cassert>

#include "db/table_file.h"

namespace riviza::db {
namespace {

// Whether a file lies on a local disk file system (ext2-4, XFS, Btrfs, F2FS, tmpfs).
bool onLocalDisk(const char* path) {
  struct statfs fs {};
  if (!path || !*path || ::statfs(path, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // XFS
    case 0x9123683E:  // Btrfs
    case 0xF2F52010:  // F2FS
    case 0x01021994:  // tmpfs
      return true;
    default:
      return false;
  }
}

Status pragma(const Database& db, const std::string& sql) {
  auto st = Statement::prepare(db, sql);
  if (!st) return st.error();
  return st->run();
}

// The connection as the reads need it:
//  - every hand-out reads the file change counter; through SQLite's mapping of the file's first
//    page (one page: the rest is read as before) that read is a copy from memory instead of a
//    system call per record. Only on local disks: a mapped page of a network share that cannot
//    be read would end the program (SIGBUS) where a read reports an error;
//  - a batch read after the view's own pass, and bulk work in a transaction (records going in,
//    their index pages revisited), visit pages again: SQLite's default page cache of 2 MiB holds
//    a tenth of a year's voucher table, so they went through the file once more (written pages
//    spilled and read back). Up to 16 MiB per open table, taken only as its pages need it.
// Each file of a set of tables (table_set.h) is set up as its own schema; the schema names are
// the set's own ("main", "s1", ...), never text from outside.
Status tuneConnection(const Database& db, const std::string& schema) {
  const std::string prefix = "PRAGMA \"" + schema + "\".";
  if (onLocalDisk(sqlite3_db_filename(db.handle(), schema.c_str())))
    RIVIZA_TRY(pragma(db, prefix + "mmap_size = 4096"));
  return pragma(db, prefix + "cache_size = -16384");
}

}  // namespace

Status RecordReader::prepare(const Database& db, int fieldCount, const std::string& schema) {
  release();
  fieldCount_ = fieldCount;
  schema_ = schema;
  RIVIZA_TRY(tuneConnection(db, schema));
  auto range = Statement::prepare(db, selectSql() + " BETWEEN ? AND ?");
  if (!range) return range.error();
  range_ = std::move(*range);
  return okStatus();
}

std::string RecordReader::selectSql() const {
  return "SELECT rowid," + columnList(fieldCount_) + " FROM " + schema_ + ".records WHERE rowid";
}

// Only filtered and keyed views need it, and it is the dearest statement to prepare.
Status RecordReader::prepareList(const Database& db) {
  if (list_.isPrepared()) return okStatus();
  std::string marks;
  for (int i = 0; i < kMaxBatch; ++i) marks += i ? ",?" : "?";
  auto list = Statement::prepare(db, selectSql() + " IN (" + marks + ")");
  if (!list) return list.error();
  list_ = std::move(*list);
  return okStatus();
}

void RecordReader::release() {
  invalidate();
  range_ = {};
  list_ = {};
  slots_.clear();
}

void RecordReader::invalidate() {
  count_ = 0;
  batch_ = 1;
  lastIndex_ = lastSlot_ = -1;
  counter_.reset();
}

void RecordReader::forget(long long rowid) {
  for (int k = 0; k < count_; ++k)
    if (slots_[static_cast<size_t>(k)].rowid == rowid) slots_[static_cast<size_t>(k)].filled = false;
}

bool RecordReader::unchanged(const Database& db, bool inTransaction) const {
  if (inTransaction) return true;
  if (!counter_) return false;
  auto now = db.fileChangeCounter(schema_);
  return now && readAt(*now);
}

int RecordReader::find(long long rowid, int index) const {
  auto at = [&](int k) { return slots_[static_cast<size_t>(k)].rowid == rowid; };
  int k = index - begin_;
  if (k < 0 || k >= count_ || !at(k)) {
    // The view moved under the buffer (a record written or deleted before this one).
    for (k = 0; k < count_ && !at(k); ++k) {
    }
    if (k == count_) return -1;
  }
  return slots_[static_cast<size_t>(k)].filled ? k : -1;
}

Result<bool> RecordReader::read(const Database& db, const std::vector<ViewEntry>& view, int index,
                                bool inTransaction, std::vector<Value>& record) {
  assert(index >= 0 && index < static_cast<int>(view.size()));
  assert(static_cast<int>(record.size()) == fieldCount_);
  const long long rowid = view[static_cast<size_t>(index)].rowid;
  int slot = find(rowid, index);
  if (slot >= 0 && !unchanged(db, inTransaction)) {
    invalidate();
    slot = -1;
  }
  if (slot < 0) {
    RIVIZA_TRY(load(db, view, index, inTransaction));
    slot = find(rowid, index);
    if (slot < 0) return false;
  }
  Slot& s = slots_[static_cast<size_t>(slot)];
  record.swap(s.values);
  s.filled = false;
  lastIndex_ = index;
  lastSlot_ = slot;
  return true;
}

// Fetches the batch that holds record `index`: one record (a small view: all of it), or twice
// the last batch when the cursor just left the last one at its end (or, moving back, at its
// start).
Status RecordReader::load(const Database& db, const std::vector<ViewEntry>& view, int index,
                          bool inTransaction) {
  const bool onward = count_ > 0 && lastIndex_ == index - 1 && lastSlot_ == count_ - 1;
  const bool back = count_ > 0 && lastIndex_ == index + 1 && lastSlot_ == 0;
  const int records = static_cast<int>(view.size());
  // A small view (one voucher's positions) is read whole: it is usually walked through.
  const bool whole = !onward && !back && records <= kSmallView;
  batch_ = onward || back ? std::min(batch_ * 2, kMaxBatch) : whole ? records : 1;
  const int from = whole ? 0 : back ? std::max(0, index - batch_ + 1) : index;
  const int to = whole ? records : back ? index + 1 : std::min(records, index + batch_);
  const int count = to - from;
  count_ = 0;
  counter_.reset();
  begin_ = from;
  if (slots_.size() < static_cast<size_t>(count)) {
    slots_.resize(static_cast<size_t>(count));
    for (Slot& s : slots_) s.values.resize(static_cast<size_t>(fieldCount_));
  }
  ids_.clear();
  for (int k = 0; k < count; ++k) {
    Slot& s = slots_[static_cast<size_t>(k)];
    s.rowid = view[static_cast<size_t>(from) + k].rowid;
    s.filled = false;
    ids_.emplace_back(s.rowid, k);
  }
  std::sort(ids_.begin(), ids_.end());
  const long long lo = ids_.front().first, hi = ids_.back().first;

  // Ids close together (records added in order, the usual case) are read as one stretch of the
  // table; scattered ones (a filtered or keyed view) one by one inside the same statement run.
  Statement* query = &range_;
  if (hi - lo < 2LL * count + 16) {
    RIVIZA_TRY(range_.bind(1, lo));
    RIVIZA_TRY(range_.bind(2, hi));
  } else {
    RIVIZA_TRY(prepareList(db));
    query = &list_;
    for (int i = 0; i < kMaxBatch; ++i)
      RIVIZA_TRY(list_.bind(i + 1, i < count ? Value(ids_[static_cast<size_t>(i)].first) : Value()));
  }
  for (bool first = true;; first = false) {
    auto row = query->step();
    if (!row) return row.error();
    if (!*row) break;
    if (first && !inTransaction) {
      // Read while this statement holds the read lock: the counter of exactly what it reads.
      if (auto c = db.fileChangeCounter(schema_)) counter_ = *c;
    }
    const long long id = query->columnInt(0);
    auto it = std::lower_bound(ids_.begin(), ids_.end(), std::pair{id, -1});
    if (it == ids_.end() || it->first != id) continue;
    Slot& s = slots_[static_cast<size_t>(it->second)];
    for (int f = 0; f < fieldCount_; ++f) query->columnInto(f + 1, s.values[static_cast<size_t>(f)]);
    s.filled = true;
  }
  query->rewind();
  count_ = count;
  return okStatus();
}

}  // namespace riviza::db
