// The file format of one table and its advisory lock (db layer); see table_file.h.
#include "db/table_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "db/errors.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::db {
namespace fs = std::filesystem;

namespace {

const char* sqlType(FieldType t) {
  if (isIntegerType(t) || t == FieldType::Logical) return "INTEGER";
  if (isFloatType(t)) return "REAL";
  return "TEXT";
}

Error notOurs(const fs::path& file, std::string_view why) {
  return Error::make(kNotOurTable, "Datei ist keine Tabelle dieses Programms (" + std::string(why) +
                                       "): " + platform::userPath(file));
}

Status writeSchema(Database& db, const TableStructure& s) {
  RIVIZA_TRY(db.exec("PRAGMA journal_mode=DELETE"));
  RIVIZA_TRY(db.exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str()));
  RIVIZA_TRY(db.exec(("PRAGMA user_version=" + std::to_string(kFormatVersion)).c_str()));
  RIVIZA_TRY(db.exec("BEGIN"));
  RIVIZA_TRY(db.exec(
      "CREATE TABLE riviza_table(format INTEGER NOT NULL, key_fields INTEGER NOT NULL,"
      " autoinc_next INTEGER NOT NULL)"));
  RIVIZA_TRY(db.exec(
      "CREATE TABLE riviza_fields(position INTEGER PRIMARY KEY, name TEXT NOT NULL,"
      " type TEXT NOT NULL, size INTEGER NOT NULL)"));
  std::string create = "CREATE TABLE records(";
  for (size_t i = 0; i < s.fields.size(); ++i)
    create += (i ? ", " : "") + columnName(static_cast<int>(i)) + " " + sqlType(s.fields[i].type);
  create += ")";
  RIVIZA_TRY(db.exec(create.c_str()));
  if (s.keyFieldCount > 0) {
    std::string index = "CREATE UNIQUE INDEX records_key ON records(" + columnList(s.keyFieldCount) + ")";
    RIVIZA_TRY(db.exec(index.c_str()));
  }

  auto head = Statement::prepare(db, "INSERT INTO riviza_table VALUES(?, ?, 1)");
  if (!head) return head.error();
  RIVIZA_TRY(head->bind(1, static_cast<long long>(kFormatVersion)));
  RIVIZA_TRY(head->bind(2, static_cast<long long>(s.keyFieldCount)));
  RIVIZA_TRY(head->run());
  auto field = Statement::prepare(db, "INSERT INTO riviza_fields VALUES(?, ?, ?, ?)");
  if (!field) return field.error();
  for (size_t i = 0; i < s.fields.size(); ++i) {
    const FieldDef& f = s.fields[i];
    RIVIZA_TRY(field->reset());
    RIVIZA_TRY(field->bind(1, static_cast<long long>(i)));
    RIVIZA_TRY(field->bind(2, f.name));
    RIVIZA_TRY(field->bind(3, std::string(1, typeLetter(f.type))));
    RIVIZA_TRY(field->bind(4, static_cast<long long>(f.size)));
    RIVIZA_TRY(field->run());
  }
  return db.exec("COMMIT");
}

Result<long long> pragmaValue(Database& db, const char* pragma) {
  auto st = Statement::prepare(db, pragma);
  if (!st) return st.error();
  auto row = st->step();
  if (!row) return row.error();
  return *row ? st->columnInt(0) : 0LL;
}

}  // namespace

Result<TableStructure> loadStructure(Database& db, const std::string& schema, const fs::path& file) {
  auto appId = pragmaValue(db, ("PRAGMA " + schema + ".application_id").c_str());
  if (!appId) {
    if ((appId.error().code & 0xff) == SQLITE_NOTADB) return notOurs(file, "keine SQLite-Datei");
    return appId.error();
  }
  RIVIZA_CHECK_DATA(*appId == kApplicationId, kNotOurTable,
                    notOurs(file, "fremde Kennung").message);

  TableStructure s;
  auto head = Statement::prepare(db, "SELECT format, key_fields FROM " + schema + ".riviza_table");
  if (!head) return notOurs(file, "Kopfsatz fehlt");
  auto row = head->step();
  if (!row) return row.error();
  RIVIZA_CHECK_DATA(*row && head->columnInt(0) == kFormatVersion, kNotOurTable,
                    notOurs(file, "Formatversion").message);
  s.keyFieldCount = static_cast<int>(head->columnInt(1));

  auto fields = Statement::prepare(
      db, "SELECT position, name, type, size FROM " + schema + ".riviza_fields ORDER BY position");
  if (!fields) return notOurs(file, "Felder fehlen");
  for (;;) {
    auto more = fields->step();
    if (!more) return more.error();
    if (!*more) break;
    std::string letter = fields->columnText(2);
    auto type = letter.size() == 1 ? typeFromLetter(letter[0]) : std::nullopt;
    RIVIZA_CHECK_DATA(fields->columnInt(0) == static_cast<long long>(s.fields.size()) && type,
                      kNotOurTable, notOurs(file, "Feldliste").message);
    s.fields.push_back({fields->columnText(1), *type, static_cast<int>(fields->columnInt(3))});
  }
  RIVIZA_CHECK_DATA(validateStructure(s).ok(), kNotOurTable, notOurs(file, "Struktur").message);

  auto cols = Statement::prepare(db, "SELECT name FROM pragma_table_info('records','" + schema + "') ORDER BY cid");
  if (!cols) return cols.error();
  size_t n = 0;
  for (;; ++n) {
    auto more = cols->step();
    if (!more) return more.error();
    if (!*more) break;
    RIVIZA_CHECK_DATA(n < s.fields.size() && cols->columnText(0) == columnName(static_cast<int>(n)),
                      kNotOurTable, notOurs(file, "Datenspalten").message);
  }
  RIVIZA_CHECK_DATA(n == s.fields.size(), kNotOurTable, notOurs(file, "Datenspalten").message);
  return s;
}

namespace {

// True while `path` still names the file open as `fd`.
bool sameFile(int fd, const fs::path& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
         held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

fs::path lockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return fs::path(runtime) / "riviza-tables";
  return fs::temp_directory_path() / ("riviza-tables-" + std::to_string(getuid()));
}

}  // namespace

std::string columnName(int position) { return "f" + std::to_string(position); }

std::string columnList(int count) {
  std::string cols;
  for (int i = 0; i < count; ++i) cols += (i ? "," : "") + columnName(i);
  return cols;
}

std::string viewOrder(const TableStructure& s) {
  return s.keyFieldCount > 0 ? columnList(s.keyFieldCount) + ",rowid" : "rowid";
}

Status validateStructure(const TableStructure& s) {
  RIVIZA_CHECK_DATA(!s.fields.empty(), kBadStructure, "Tabelle ohne Felder");
  RIVIZA_CHECK_DATA(s.keyFieldCount >= 0 && s.keyFieldCount <= static_cast<int>(s.fields.size()),
                    kBadStructure, "Schlüssel länger als die Feldliste");
  std::set<std::string> names;
  int autoIncs = 0;
  for (const FieldDef& f : s.fields) {
    RIVIZA_CHECK_DATA(!f.name.empty(), kBadStructure, "Feld ohne Namen");
    RIVIZA_CHECK_DATA(names.insert(platform::foldCase(f.name)).second, kBadStructure,
                      "Feldname doppelt: " + f.name);
    bool sized = f.type == FieldType::Alpha;
    RIVIZA_CHECK_DATA(sized ? (f.size >= 1 && f.size <= 255) : f.size == 0, kBadStructure,
                      "Feldgröße unzulässig: " + f.name);
    if (f.type == FieldType::AutoInc) ++autoIncs;
  }
  RIVIZA_CHECK_DATA(autoIncs <= 1, kBadStructure, "mehr als ein Zählerfeld");
  return okStatus();
}

Status createTableFile(const fs::path& file, const TableStructure& s) {
  RIVIZA_TRY(validateStructure(s));
  std::error_code ec;
  if (fs::exists(fs::symlink_status(file, ec)))
    return Error::make(kTableExists, "Tabelle existiert bereits: " + platform::userPath(file));
  auto db = Database::open(file.string(), true);
  if (!db) return db.error();
  Status st = writeSchema(*db, s);
  if (!st) {
    db->close();
    fs::remove(file, ec);
  }
  return st;
}

Result<TableFile> openTableFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec))
    return Error::make(kTableNotFound, "Tabelle nicht gefunden: " + platform::userPath(file));
  auto db = Database::open(file.string(), false);
  if (!db) return db.error();
  auto s = loadStructure(*db, "main", file);
  if (!s) return s.error();
  // A file switched to WAL by some other tool would grow companion files; ours never do.
  RIVIZA_TRY(db->exec("PRAGMA journal_mode=DELETE"));
  return TableFile{std::move(*db), std::move(*s)};
}

Result<TableStructure> readTableStructure(const fs::path& file) {
  auto t = openTableFile(file);
  if (!t) return t.error();
  return std::move(t->structure);
}

// ---- TableLock ----

TableLock::~TableLock() { release(); }

TableLock::TableLock(TableLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), lockPath_(std::move(other.lockPath_)) {}

TableLock& TableLock::operator=(TableLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    lockPath_ = std::move(other.lockPath_);
  }
  return *this;
}

Result<TableLock> TableLock::acquire(const fs::path& tableFile, bool exclusive) {
  struct stat st {};
  if (::stat(tableFile.c_str(), &st) != 0)
    return Error::make(kTableNotFound, "Tabelle nicht gefunden: " + platform::userPath(tableFile));
  fs::path folder = lockFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  fs::path path = folder / (std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino) + ".lock");
  // A lock file may be unlinked by its last holder between our open and our flock; then the
  // lock we got is on a dead inode and we try again on the new file.
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      const int err = errno;
      return Error::make(
          err, "Sperrdatei nicht verfügbar: " + platform::userPath(path) + ": " + platform::errnoText(err));
    }
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
      // The last holder takes the lock exclusively for a moment to remove the file; when the
      // file is gone a moment later, that was all it was.
      ::usleep(1000);
      bool removed = !sameFile(fd, path);
      ::close(fd);
      if (removed) continue;
      return Error::make(kTableLocked,
                         (exclusive ? "Tabelle ist in Benutzung: " : "Tabelle ist exklusiv gesperrt: ") +
                             platform::userPath(tableFile));
    }
    if (sameFile(fd, path)) {
      TableLock lock;
      lock.fd_ = fd;
      lock.lockPath_ = path;
      return lock;
    }
    ::close(fd);
  }
  return Error::make(kTableLocked, "Tabelle ist in Benutzung: " + platform::userPath(tableFile));
}

void TableLock::release() {
  if (fd_ < 0) return;
  // The last holder removes the file, so the runtime folder does not fill up with lock files.
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) ::unlink(lockPath_.c_str());
  ::close(fd_);
  fd_ = -1;
}

}  // namespace riviza::db
