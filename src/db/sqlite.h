// Owning wrappers for SQLite handles and statements (db layer).
//
// Database owns one connection and Statement one prepared statement; both are move-only and
// release their handle on destruction, statements before their connection (callers keep
// statements in members declared after the connection). Every failure becomes an Error with
// SQLite's extended code and its German text. Values are always bound, never spliced into SQL
// text.
//
// The hot paths of the table component (a record read or written per call) avoid SQLite's
// copies where they can: values bound without a copy that the caller keeps alive until the
// statement has run, columns read into the strings a buffer already holds.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "db/structure.h"
#include "platform/result.h"

namespace riviza::db {

class Statement;

class Database {
 public:
  Database();
  ~Database();
  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  // Opens an existing file read-write (never creates one), or creates a new file when `create`.
  static Result<Database> open(const std::string& nativePath, bool create);

  bool isOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_.get(); }
  void close();

  // Runs SQL without parameters (schema, pragmas, transaction control).
  Status exec(const char* sql);
  // Runs one statement without parameters, prepared once and kept (transaction control that a
  // bulk routine runs per voucher); failures read as exec's.
  Status run(std::string_view sql);
  // The statement for `sql`, prepared on first use and kept with the connection, reset with its
  // bindings cleared. Valid until the next call of cached() or run(): a statement is reused, not
  // parsed again, when the same SQL comes back (the filter query of each voucher).
  Result<Statement*> cached(std::string_view sql);
  // A deterministic SQL function of `arguments` arguments on this connection; `what` names it in
  // an error. Defined once per name: defining it again would expire every prepared statement of
  // the connection (and fail while one runs), which a connection shared by several tables would feel.
  using ScalarFunction = void (*)(sqlite3_context*, int, sqlite3_value**);
  Status defineFunction(const char* name, ScalarFunction function, std::string_view what,
                        int arguments = 1) const;
  long long lastInsertRowid() const;
  int changes() const;
  // The file change counter of the database file (header offset 24), read straight from the
  // file without a lock: every commit by any connection in any process changes it, so an equal
  // value later means nothing was committed in between. Read it while a statement of this
  // connection holds the read lock to tie it to what that statement reads. `schema` names the
  // file among those attached ("main" is the one the connection was opened on).
  Result<unsigned> fileChangeCounter(const std::string& schema = "main") const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  struct Cache;
  std::unique_ptr<sqlite3, Closer> db_;
  std::unique_ptr<Cache> cache_;  // declared after db_: finalised before the connection closes
  mutable std::set<std::string> functions_;  // the names defineFunction defined
};

class Statement {
 public:
  Statement() = default;
  static Result<Statement> prepare(const Database& db, std::string_view sql);

  bool isPrepared() const { return stmt_ != nullptr; }
  Status reset();  // also clears the bindings
  void rewind();   // back to the start, keeping the bindings (every one is bound again)
  Status bind(int index, const Value& v);  // 1-based, as SQLite counts
  // Binds without copying a text: `v` must stay unchanged until the statement has run and must
  // be bound again before the next run (rewind keeps the pointer).
  Status bindUncopied(int index, const Value& v);
  // One step: true while a row is available, false when done.
  Result<bool> step();
  // Steps to the end (statements without rows).
  Status run();

  Value column(int index) const;  // 0-based
  // The column into `out`, reusing the text buffer `out` already holds.
  void columnInto(int index, Value& out) const;
  long long columnInt(int index) const;
  std::string columnText(int index) const;

 private:
  friend class Database;
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  Status bindValue(int index, const Value& v, sqlite3_destructor_type keep);

  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
  sqlite3* db_ = nullptr;
  // What each parameter holds (null after prepare and reset; numbers with their bits): binding
  // the same null or number again is skipped, which spares a bulk insert most binds of empty
  // fields, rates and flags.
  struct Bound {
    enum Kind : unsigned char { Null, Integer, Real, Text } kind = Null;
    long long bits = 0;
  };
  std::vector<Bound> bound_;
};

// A stored value (a column's, a function argument's) into `out`, reusing the text buffer `out`
// already holds.
void valueInto(sqlite3_value* v, Value& out);

// The German text of a SQLite result code with the code in brackets ("Datenbank ist gesperrt
// (SQLite 5)"): sqlite3_errmsg speaks English, and its detail (a column, a constraint) names our
// own schema, not what the user can act on.
std::string sqliteText(int code);
// An Error from a SQLite result code on a connection: the context, ": " and sqliteText.
Error sqliteError(sqlite3* db, int rc, std::string_view context);

}  // namespace riviza::db
