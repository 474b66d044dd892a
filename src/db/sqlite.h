// Owning wrappers for SQLite handles and statements (db layer).
//
// Database owns one connection and Statement one prepared statement; both are move-only and
// release their handle on destruction, statements before their connection (callers keep
// statements in members declared after the connection). Every failure becomes an Error with
// SQLite's extended code and message. Values are always bound, never spliced into SQL text.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "db/structure.h"
#include "platform/result.h"

namespace riviza::db {

class Database {
 public:
  Database() = default;
  // Opens an existing file read-write (never creates one), or creates a new file when `create`.
  static Result<Database> open(const std::string& nativePath, bool create);

  bool isOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_.get(); }
  void close() { db_.reset(); }

  // Runs SQL without parameters (schema, pragmas, transaction control).
  Status exec(const char* sql);
  long long lastInsertRowid() const;
  int changes() const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

class Statement {
 public:
  Statement() = default;
  static Result<Statement> prepare(const Database& db, std::string_view sql);

  bool isPrepared() const { return stmt_ != nullptr; }
  Status reset();  // also clears the bindings
  Status bind(int index, const Value& v);  // 1-based, as SQLite counts
  // One step: true while a row is available, false when done.
  Result<bool> step();
  // Steps to the end (statements without rows).
  Status run();

  Value column(int index) const;  // 0-based
  long long columnInt(int index) const;
  std::string columnText(int index) const;

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
  sqlite3* db_ = nullptr;
};

// An Error from a SQLite result code on a connection.
Error sqliteError(sqlite3* db, int rc, std::string_view context);

}  // namespace riviza::db
