// Owning wrappers for SQLite handles and statements (db layer); see sqlite.h.
#include "db/sqlite.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <map>

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza::db {
namespace {

// SQLite's memory statistics put a process-wide mutex around every allocation, even on
// connections opened without mutexes; nothing here reads the statistics. The setting only takes
// before SQLite is first initialised, which the first open of this layer does; later calls are
// refused by SQLite and change nothing.
void configureOnce() {
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
  }();
  (void)configured;
}

// Another program's short write transaction is waited for, not reported: up to five seconds,
// in pauses of the platform's clock rather than SQLite's own sleep, so that a test's clock lets
// the wait run its course at once.
constexpr int kBusyWaitMs = 5000;
constexpr int kBusyPauseMs = 10;
int waitWhileBusy(void*, int pausesSoFar) {
  if (pausesSoFar * kBusyPauseMs >= kBusyWaitMs) return 0;
  platform::sleepMs(kBusyPauseMs);
  return 1;
}

// One row per primary result code that can end a table operation; the extended codes (an I/O
// error's kind, a constraint's kind) read as their primary code and show their number.
constexpr platform::CodeText kCodeTexts[] = {
    {SQLITE_ERROR, "Fehler in der Tabellenabfrage"},
    {SQLITE_INTERNAL, "Interner Fehler der Tabellenbibliothek"},
    {SQLITE_PERM, "Zugriff verweigert"},
    {SQLITE_ABORT, "Vorgang abgebrochen"},
    {SQLITE_BUSY, "Datenbank ist gesperrt"},
    {SQLITE_LOCKED, "Tabelle ist gesperrt"},
    {SQLITE_NOMEM, "Nicht genügend Arbeitsspeicher"},
    {SQLITE_READONLY, "Tabelle ist schreibgeschützt"},
    {SQLITE_INTERRUPT, "Vorgang unterbrochen"},
    {SQLITE_IOERR, "Ein-/Ausgabefehler beim Zugriff auf die Tabelle"},
    {SQLITE_CORRUPT, "Tabellendatei ist beschädigt"},
    {SQLITE_NOTFOUND, "Nicht gefunden"},
    {SQLITE_FULL, "Datenträger voll"},
    {SQLITE_CANTOPEN, "Tabellendatei kann nicht geöffnet werden"},
    {SQLITE_PROTOCOL, "Sperrprotokoll der Tabelle verletzt"},
    {SQLITE_SCHEMA, "Tabellenstruktur wurde geändert"},
    {SQLITE_TOOBIG, "Wert zu groß"},
    {SQLITE_CONSTRAINT, "Schlüssel oder Feldbedingung verletzt"},
    {SQLITE_MISMATCH, "Falscher Datentyp"},
    {SQLITE_MISUSE, "Falsche Verwendung der Tabellenbibliothek"},
    {SQLITE_NOLFS, "Große Dateien werden nicht unterstützt"},
    {SQLITE_AUTH, "Zugriff nicht erlaubt"},
    {SQLITE_RANGE, "Parameter außerhalb des Bereichs"},
    {SQLITE_NOTADB, "Datei ist keine Tabelle"},
};

}  // namespace

std::string sqliteText(int code) {
  return std::string(platform::textOfCode(kCodeTexts, code & 0xFF, "Fehler der Tabellenbibliothek")) +
         " (SQLite " + std::to_string(code) + ")";
}

Error sqliteError(sqlite3* db, int rc, std::string_view context) {
  const int code = db ? sqlite3_extended_errcode(db) : rc;
  return Error::make(code, std::string(context) + ": " + sqliteText(code));
}

struct Database::Cache {
  // Bounded: filters built from user input could otherwise add statements without end.
  static constexpr size_t kMaxStatements = 16;
  std::map<std::string, Statement, std::less<>> statements;
};

Database::Database() = default;
Database::~Database() { close(); }
Database::Database(Database&&) noexcept = default;

Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    close();
    db_ = std::move(other.db_);
    cache_ = std::move(other.cache_);
    functions_ = std::move(other.functions_);
    other.functions_.clear();
  }
  return *this;
}

void Database::close() {
  cache_.reset();
  db_.reset();
  functions_.clear();
}

Result<Statement*> Database::cached(std::string_view sql) {
  if (!cache_) cache_ = std::make_unique<Cache>();
  auto& statements = cache_->statements;
  if (auto it = statements.find(sql); it != statements.end()) {
    RIVIZA_TRY(it->second.reset());
    return &it->second;
  }
  auto st = Statement::prepare(*this, sql);
  if (!st) return st.error();
  if (statements.size() >= Cache::kMaxStatements) statements.clear();
  return &statements.emplace(std::string(sql), std::move(*st)).first->second;
}

Status Database::run(std::string_view sql) {
  auto st = cached(sql);
  if (!st) return st.error();
  sqlite3_stmt* s = (*st)->stmt_.get();
  int rc = sqlite3_step(s);
  while (rc == SQLITE_ROW) rc = sqlite3_step(s);
  Status result = okStatus();
  if (rc != SQLITE_DONE) result = sqliteError(db_.get(), rc, "Tabelle");
  sqlite3_reset(s);
  return result;
}

Result<Database> Database::open(const std::string& nativePath, bool create) {
  configureOnce();
  sqlite3* raw = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(nativePath.c_str(), &raw, flags, nullptr);
  Database db;
  db.db_.reset(raw);
  if (rc != SQLITE_OK)
    return sqliteError(raw, rc, "Tabelle kann nicht geöffnet werden: " + platform::userPath(nativePath));
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_handler(raw, waitWhileBusy, nullptr);
  return db;
}

Status Database::exec(const char* sql) {
  int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return okStatus();
  return sqliteError(db_.get(), rc, "Tabelle");
}

Status Database::defineFunction(const char* name, ScalarFunction function, std::string_view what,
                                int arguments) const {
  if (functions_.contains(name)) return okStatus();
  int rc = sqlite3_create_function_v2(db_.get(), name, arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      function, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return sqliteError(db_.get(), rc, what);
  functions_.insert(name);
  return okStatus();
}

long long Database::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }
int Database::changes() const { return sqlite3_changes(db_.get()); }

Result<unsigned> Database::fileChangeCounter(const std::string& schema) const {
  sqlite3_file* file = nullptr;
  int rc = sqlite3_file_control(db_.get(), schema.c_str(), SQLITE_FCNTL_FILE_POINTER, &file);
  if (rc != SQLITE_OK || !file || !file->pMethods) return sqliteError(db_.get(), rc, "Tabellendatei");
  unsigned char bytes[4] = {};
  rc = file->pMethods->xRead(file, bytes, sizeof bytes, 24);
  if (rc != SQLITE_OK) return Error::make(rc, "Tabellendatei nicht lesbar");
  return static_cast<unsigned>(bytes[0]) << 24 | static_cast<unsigned>(bytes[1]) << 16 |
         static_cast<unsigned>(bytes[2]) << 8 | static_cast<unsigned>(bytes[3]);
}

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
  s.bound_.assign(static_cast<size_t>(sqlite3_bind_parameter_count(raw)) + 1, Bound{});
  return s;
}

Status Statement::reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
  std::fill(bound_.begin(), bound_.end(), Bound{});
  return okStatus();
}

void Statement::rewind() { sqlite3_reset(stmt_.get()); }

Status Statement::bind(int index, const Value& v) { return bindValue(index, v, SQLITE_TRANSIENT); }

Status Statement::bindUncopied(int index, const Value& v) { return bindValue(index, v, SQLITE_STATIC); }

Status Statement::bindValue(int index, const Value& v, sqlite3_destructor_type keep) {
  sqlite3_stmt* s = stmt_.get();
  Bound dummy{Bound::Text, 0};  // out of range: never counts as bound, so SQLite reports it
  Bound& was =
      index > 0 && static_cast<size_t>(index) < bound_.size() ? bound_[static_cast<size_t>(index)] : dummy;
  Bound now;
  int rc = SQLITE_OK;
  if (const auto* i = std::get_if<long long>(&v)) {
    now = {Bound::Integer, *i};
    if (was.kind == now.kind && was.bits == now.bits) return okStatus();
    rc = sqlite3_bind_int64(s, index, *i);
  } else if (const auto* d = std::get_if<double>(&v)) {
    now = {Bound::Real, std::bit_cast<long long>(*d)};
    if (was.kind == now.kind && was.bits == now.bits) return okStatus();
    rc = sqlite3_bind_double(s, index, *d);
  } else if (const auto* t = std::get_if<std::string>(&v)) {
    now = {Bound::Text, 0};
    rc = sqlite3_bind_text(s, index, t->data(), static_cast<int>(t->size()), keep);
  } else {
    if (was.kind == Bound::Null) return okStatus();
    rc = sqlite3_bind_null(s, index);
  }
  if (rc != SQLITE_OK) {
    was = {Bound::Text, 0};  // unknown: bound again next time
    return sqliteError(db_, rc, "Parameter");
  }
  was = now;
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
  Value out;
  columnInto(index, out);
  return out;
}

void Statement::columnInto(int index, Value& out) const {
  // One value handle instead of a column call per question: each column call looks the column
  // up again. The statement is used on one thread only, which is what the handle asks for.
  valueInto(sqlite3_column_value(stmt_.get(), index), out);
}

void valueInto(sqlite3_value* v, Value& out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      out = static_cast<long long>(sqlite3_value_int64(v));
      return;
    case SQLITE_FLOAT:
      out = sqlite3_value_double(v);
      return;
    case SQLITE_NULL:
      out = std::monostate{};
      return;
    default: {
      // A column's text is read through the blob view: the same bytes, without the copy that
      // sqlite3_value_text makes of them to add a terminating zero.
      const auto* p = static_cast<const char*>(sqlite3_value_type(v) == SQLITE_TEXT ? sqlite3_value_blob(v)
                                                                                    : sqlite3_value_text(v));
      const auto n = p ? static_cast<size_t>(sqlite3_value_bytes(v)) : 0;
      if (auto* text = std::get_if<std::string>(&out))
        text->assign(p ? p : "", n);
      else
        out = std::string(p ? p : "", n);
    }
  }
}

long long Statement::columnInt(int index) const { return sqlite3_column_int64(stmt_.get(), index); }

std::string Statement::columnText(int index) const {
  const unsigned char* p = sqlite3_column_text(stmt_.get(), index);
  int n = sqlite3_column_bytes(stmt_.get(), index);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

}  // namespace riviza::db
