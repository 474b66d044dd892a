// The file format of one table and the lock that makes an exclusive open exclusive (db layer).
//
// A table is one SQLite file in rollback-journal mode, so that a table is one file to copy,
// back up and zip once it is closed. Inside: the application id "RVZT" marks the file as ours;
// `riviza_fields` holds the structure (position, name, Paradox type letter, size);
// `riviza_table` the format version, the key width and the next autoincrement value;
// `records` the data in columns f0..fn-1 named by position, so field names (with blanks,
// umlauts, "%") never enter SQL text. A file without these marks is refused, never rewritten.
//
// Locks: every open takes a shared advisory lock, an exclusive open an exclusive one, on a lock
// file named after the table file's device and inode in the user's runtime folder. A separate
// file is used because closing any descriptor of the table file itself would drop SQLite's own
// POSIX locks on it. The locks bind processes of one machine; across machines the program-access
// lock of the year's settings file is the protection, as before.
#pragma once

#include <filesystem>
#include <string>

#include "db/sqlite.h"
#include "db/structure.h"
#include "platform/result.h"

namespace riviza::db {

inline constexpr int kApplicationId = 0x52565A54;  // "RVZT"
inline constexpr int kFormatVersion = 1;

// Column name of a position ("f0", "f1", ...), and the columns of the first `count` positions
// joined by "," ("f0,f1,f2"; empty for 0).
std::string columnName(int position);
std::string columnList(int count);
// The order of a table's records as the cursor shows them, as SQL: the key columns, then the
// record id ("f0,f1,rowid"; "rowid" without a key).
std::string viewOrder(const TableStructure& s);

// Checks a structure before it is created: names present and unique (ignoring case), alpha
// sizes 1..255, at most one autoincrement field, key within the fields.
Status validateStructure(const TableStructure& s);

// Creates a new, empty table file; an existing file (ours or not) is left alone and reported.
Status createTableFile(const std::filesystem::path& file, const TableStructure& s);

// An open, checked table file.
struct TableFile {
  Database db;
  TableStructure structure;
};

// Opens an existing table file and checks that it is ours; a missing file, a foreign file and a
// damaged structure are errors (kTableNotFound, kNotOurTable).
Result<TableFile> openTableFile(const std::filesystem::path& file);

// Reads and checks the structure records of the file attached to `db` as `schema` (named `file`
// in errors); every finding about a foreign or damaged file is a kNotOurTable error naming what
// was wrong.
Result<TableStructure> loadStructure(Database& db, const std::string& schema, const std::filesystem::path& file);

// Reads the structure of a table file (opens and closes it).
Result<TableStructure> readTableStructure(const std::filesystem::path& file);

class TableLock {
 public:
  TableLock() = default;
  ~TableLock();
  TableLock(TableLock&& other) noexcept;
  TableLock& operator=(TableLock&& other) noexcept;
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

  // Shared for an ordinary open, exclusive for an exclusive one; never waits: a conflict is
  // kTableLocked at once, as the old engine refused a table in use.
  static Result<TableLock> acquire(const std::filesystem::path& tableFile, bool exclusive);
  bool held() const { return fd_ >= 0; }
  void release();

 private:
  int fd_ = -1;
  std::filesystem::path lockPath_;
};

}  // namespace riviza::db
