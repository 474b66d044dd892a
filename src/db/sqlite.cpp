// Owning wrappers for SQLite handles and statements (db layer); see sqlite.h.
#include "db/sqlite.h"

namespace riviza::db {

Error sqliteError(sqlite3* db, int rc, std::string_view context) {
  std::string message(context);
  message += ": ";
  message += db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int code = db ? sqlite3_extended_errcode(db) : rc;
  return Error::make(code, std::move(message));
}

Result<Database> Database::open(const std::string& nativePath, bool create) {
  sqlite3* raw = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(nativePath.c_str(), &raw, flags, nullptr);
  Database db;
  db.db_.reset(raw);
  if (rc != SQLITE_OK) return sqliteError(raw, rc, "Tabelle kann nicht geöffnet werden: " + nativePath);
  sqlite3_extended_result_codes(raw, 1);
  // Another program's short write transaction is waited for, not reported.
  sqlite3_busy_timeout(raw, 5000);
  return db;
}

Status Database::exec(const char* sql) {
  char* msg = nullptr;
  int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, &msg);
  if (rc == SQLITE_OK) return okStatus();
  std::string text = msg ? msg : sqlite3_errstr(rc);
  sqlite3_free(msg);
  return Error::make(sqlite3_extended_errcode(db_.get()), text);
}

long long Database::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }
int Database::changes() const { return sqlite3_changes(db_.get()); }

Result<Statement> Statement::prepare(const Database& db, std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(raw);
    return sqliteError(db.handle(), rc, "SQL");
  }
  Statement s;
  s.stmt_.reset(raw);
  s.db_ = db.handle();
  return s;
}

Status Statement::reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
  return okStatus();
}

Status Statement::bind(int index, const Value& v) {
  int rc = SQLITE_OK;
  if (const auto* i = std::get_if<long long>(&v)) {
    rc = sqlite3_bind_int64(stmt_.get(), index, *i);
  } else if (const auto* d = std::get_if<double>(&v)) {
    rc = sqlite3_bind_double(stmt_.get(), index, *d);
  } else if (const auto* s = std::get_if<std::string>(&v)) {
    rc = sqlite3_bind_text(stmt_.get(), index, s->data(), static_cast<int>(s->size()),
                           SQLITE_TRANSIENT);
  } else {
    rc = sqlite3_bind_null(stmt_.get(), index);
  }
  if (rc != SQLITE_OK) return sqliteError(db_, rc, "Parameter");
  return okStatus();
}

Result<bool> Statement::step() {
  int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Error e = sqliteError(db_, rc, "Tabelle");
  sqlite3_reset(stmt_.get());
  return e;
}

Status Statement::run() {
  for (;;) {
    auto more = step();
    if (!more) return more.error();
    if (!*more) return okStatus();
  }
}

Value Statement::column(int index) const {
  switch (sqlite3_column_type(stmt_.get(), index)) {
    case SQLITE_INTEGER:
      return static_cast<long long>(sqlite3_column_int64(stmt_.get(), index));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt_.get(), index);
    case SQLITE_NULL:
      return std::monostate{};
    default:
      return columnText(index);
  }
}

long long Statement::columnInt(int index) const { return sqlite3_column_int64(stmt_.get(), index); }

std::string Statement::columnText(int index) const {
  const unsigned char* p = sqlite3_column_text(stmt_.get(), index);
  int n = sqlite3_column_bytes(stmt_.get(), index);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

}  // namespace riviza::db
