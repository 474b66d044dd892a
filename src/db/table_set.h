// TableSet: one write transaction over several table files, committed all or nothing (db layer).
//
// Each TTable is its own SQLite connection to its own file, and a transaction of one connection
// commits one file: an operation that wrote two tables committed them one after the other, and
// a commit that failed in between left one file new and the other old. The tables of one
// operation therefore join a set: the set's one connection opens the first file a member opens
// as its main database and attaches every further one (ATTACH, "s1", "s2", ... by file, so two
// members on one file share it), and the members' statements run on that connection with
// schema-qualified names. In rollback-journal mode with synchronous FULL on every file, SQLite
// commits the attached files of one transaction through a super-journal beside the main file:
// a commit that fails, or a process that dies in the middle of one, leaves every file as it was
// (the next connection to open a file rolls its hot journal back while the super-journal still
// names it). At most ten files can be attached besides the main one.
//
// States and the calls that move between them:
//
//   Idle     --begin()-->                Writing   (BEGIN IMMEDIATE: the write lock of every
//                                                   file attached so far, or kTableLocked-like
//                                                   SQLITE_BUSY at once after the wait)
//   Writing  --commit()-->               Idle      (all files changed together; a failed
//                                                   COMMIT is rolled back before it returns)
//   Writing  --rollback() / ~TableSet--> Idle      (no file changed)
//
// Invariants:
//  - A member joins closed (join closes it) and stays a member until the set is destroyed,
//    which closes it and lets it go; a member destroyed first leaves the set by itself.
//  - While Writing, every active member is in the transaction (TTable::inTransaction()), a
//    member opened meanwhile too; files attached meanwhile take their write lock on their first
//    write. A member neither starts nor ends a transaction of its own: startTransaction() is
//    refused, and closing a member leaves what it wrote to the set's commit or rollback.
//  - committed() tells whether the last transaction reached the disk; only then did any file
//    change. A commit that failed says so and the files are as they were: "unverändert" holds.
//  - A member's write drops what the other members on the same file have buffered.
//  - Table locks (TableLock) are taken per member, as for every open.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "db/sqlite.h"
#include "db/structure.h"
#include "platform/result.h"

namespace riviza::db {

class TTable;

class TableSet {
 public:
  TableSet() = default;
  ~TableSet();
  TableSet(const TableSet&) = delete;
  TableSet& operator=(const TableSet&) = delete;

  // `table` (in no other set; closed first when open) takes part: its next open() opens its
  // file on the set's connection. Several tables at once: join(a, b, ...).
  Status join(TTable& table);
  template <class... More>
  Status join(TTable& table, More&... more) {
    RIVIZA_TRY(join(table));
    if constexpr (sizeof...(more) > 0) return join(more...);
    return okStatus();
  }

  Status begin();
  Status commit();
  Status rollback();
  bool inTransaction() const { return writing_; }
  bool committed() const { return committed_; }

  // While Writing: how the next start can tell whether the commit happened, for a journal that
  // must be finished or undone with the tables (platform/exchange.h): each file with its change
  // counter at begin() ("tabelle <counter> <path>"). A commit changes the counter of every file
  // it wrote, a rollback none; a transaction that wrote nothing is the same either way.
  std::vector<std::string> commitTests() const;
  // The answer to commitTests()' lines after a restart: true when any file's counter moved. Each
  // file is opened first, which rolls back what a killed commit left in its journal.
  static Result<bool> committedAfter(const std::vector<std::string>& tests);

  void assertInvariants() const;

 private:
  friend class TTable;
  struct Attached {
    std::filesystem::path file;  // canonical
    std::string schema;
    unsigned counterAtBegin = 0;  // while Writing
  };

  // The schema of `file` on the connection, attached (or opened as main) and checked on first
  // use; `structure` receives its structure.
  Result<std::string> attach(const std::filesystem::path& file, TableStructure& structure);
  void leave(TTable& table);
  // A member wrote: the others on `schema` drop what they buffered.
  void wrote(const TTable& by, const std::string& schema);
  Database& connection() { return db_; }
  const Database& connection() const { return db_; }
  Status end(bool commit);
  void removeOrphanedSuperJournal(const std::vector<std::filesystem::path>& before) const;

  Database db_;
  std::vector<Attached> files_;
  std::vector<TTable*> members_;
  bool writing_ = false;
  bool committed_ = false;
};

}  // namespace riviza::db
