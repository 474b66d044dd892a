// One write transaction over several table files (db layer); see table_set.h.
#include "db/table_set.h"

#include <algorithm>
#include <cassert>

#include "db/TTable.h"
#include "db/errors.h"
#include "db/filter.h"
#include "db/table_file.h"
#include "platform/paths.h"

namespace riviza::db {
namespace fs = std::filesystem;

namespace {

Result<std::string> pragmaText(Database& db, const std::string& pragma) {
  auto st = Statement::prepare(db, "PRAGMA " + pragma);
  if (!st) return st.error();
  auto row = st->step();
  if (!row) return row.error();
  return *row ? st->columnText(0) : std::string();
}

// Rollback journal on every file and a synchronous mode above OFF: SQLite only writes a
// super-journal for files of that kind. Inside the transaction a file attached then cannot be
// switched; it must be of that kind already (every table file is: rollback journal, and the
// synchronous mode of the connection, FULL).
Status rollbackJournal(Database& db, const std::string& schema, bool inTransaction) {
  if (!inTransaction) {
    RIVIZA_TRY(db.exec(("PRAGMA " + schema + ".journal_mode=DELETE").c_str()));
    return db.exec(("PRAGMA " + schema + ".synchronous=FULL").c_str());
  }
  auto mode = pragmaText(db, schema + ".journal_mode");
  if (!mode) return mode.error();
  auto sync = pragmaText(db, schema + ".synchronous");
  if (!sync) return sync.error();
  if (*mode != "delete" || *sync == "0")
    return Error::make(SQLITE_MISUSE, "Tabelle nicht im Rollback-Journal: " + schema);
  return okStatus();
}

// SQLite's super-journals beside the main file ("<main>-mj" and 9 characters, "%06X9%02X").
std::vector<fs::path> superJournals(const fs::path& main) {
  std::vector<fs::path> found;
  const std::string prefix = main.filename().string() + "-mj";
  std::error_code ec;
  for (fs::directory_iterator it(main.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == prefix.size() + 9 && name.starts_with(prefix)) found.push_back(it->path());
  }
  return found;
}

}  // namespace

TableSet::~TableSet() {
  if (writing_) (void)end(false);
  for (TTable* t : std::vector<TTable*>(members_)) {
    t->close();
    t->set_ = nullptr;
  }
  members_.clear();
}

Status TableSet::join(TTable& table) {
  if (table.set_ == this) return okStatus();
  if (table.set_)
    return Error::make(kTransactionState, "Tabelle gehört schon zu einem Vorgang: " + platform::displayPath(table.filePathText()));
  table.close();
  table.set_ = this;
  members_.push_back(&table);
  return okStatus();
}

void TableSet::leave(TTable& table) {
  members_.erase(std::remove(members_.begin(), members_.end(), &table), members_.end());
  table.set_ = nullptr;
}

Result<std::string> TableSet::attach(const fs::path& file, TableStructure& structure) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec))
    return Error::make(kTableNotFound, "Tabelle nicht gefunden: " + platform::userPath(file));
  const fs::path canonical = fs::weakly_canonical(file, ec);
  const auto known = std::find_if(files_.begin(), files_.end(), [&](const Attached& a) { return a.file == canonical; });
  if (known != files_.end()) {
    auto s = loadStructure(db_, known->schema, file);
    if (!s) return s.error();
    structure = std::move(*s);
    return known->schema;
  }
  std::string schema = "main";
  if (!db_.isOpen()) {
    auto db = Database::open(file.string(), false);
    if (!db) return db.error();
    db_ = std::move(*db);
    RIVIZA_TRY(registerFilterFunctions(db_));
  } else {
    schema = "s" + std::to_string(files_.size());
    auto attach = Statement::prepare(db_, "ATTACH ? AS " + schema);
    if (!attach) return attach.error();
    RIVIZA_TRY(attach->bind(1, file.string()));
    RIVIZA_TRY(attach->run());
  }
  auto s = loadStructure(db_, schema, file);
  Status st = s ? rollbackJournal(db_, schema, writing_) : Status(s.error());
  if (!st) {
    // A foreign file is not kept on the connection (detaching fails inside a transaction that
    // read it: it then stays until the set ends, unwritten).
    if (schema == "main" && files_.empty())
      db_.close();
    else
      (void)db_.exec(("DETACH " + schema).c_str());
    return st.error();
  }
  unsigned counter = 0;
  if (writing_) {
    auto c = db_.fileChangeCounter(schema);
    if (!c) return c.error();
    counter = *c;
  }
  files_.push_back({canonical, schema, counter});
  structure = std::move(*s);
  return schema;
}

void TableSet::wrote(const TTable& by, const std::string& schema) {
  for (TTable* t : members_)
    if (t != &by && t->active() && t->schema_ == schema) t->forgetBuffered();
}

Status TableSet::begin() {
  if (writing_) return Error::make(kTransactionState, "Transaktion läuft bereits");
  if (!db_.isOpen()) return Error::make(kInactive, "keine Tabelle geöffnet");
  committed_ = false;
  RIVIZA_TRY(db_.run("BEGIN IMMEDIATE"));
  for (Attached& a : files_) {
    auto counter = db_.fileChangeCounter(a.schema);
    if (!counter) {
      (void)db_.run("ROLLBACK");
      return counter.error();
    }
    a.counterAtBegin = *counter;
  }
  writing_ = true;
  for (TTable* t : members_)
    if (t->active()) t->transactionBegan();
  return okStatus();
}

Status TableSet::commit() {
  if (!writing_) return Error::make(kTransactionState, "keine Transaktion");
  // A member's pending edit belongs to the commit; one that cannot be posted ends it.
  for (TTable* t : members_) {
    if (!t->active()) continue;
    if (Status st = t->checkBrowseMode(); !st) {
      (void)end(false);
      return st;
    }
  }
  return end(true);
}

Status TableSet::rollback() {
  if (!writing_) return Error::make(kTransactionState, "keine Transaktion");
  return end(false);
}

Status TableSet::end(bool commit) {
  const std::vector<fs::path> vorher = commit && !files_.empty() ? superJournals(files_[0].file) : std::vector<fs::path>{};
  Status st = db_.run(commit ? "COMMIT" : "ROLLBACK");
  // A COMMIT that could not take its locks leaves the transaction open: it is rolled back here,
  // so that a failed commit has changed nothing when it returns. (One that failed while writing
  // was rolled back by SQLite already.)
  if (!st && commit && !sqlite3_get_autocommit(db_.handle())) (void)db_.run("ROLLBACK");
  if (!st && commit) removeOrphanedSuperJournal(vorher);
  writing_ = false;
  committed_ = commit && st.ok();
  for (TTable* t : members_) {
    if (!t->active()) continue;
    if (committed_) {
      t->transactionCommitted();
    } else if (Status back = t->transactionRolledBack(); !back && st) {
      st = back;
    }
  }
  return st;
}

// A commit that failed after SQLite wrote its super-journal but before a journal named it
// leaves the super-journal behind (SQLite cannot tell that no journal names it). While the set
// holds its files' write locks no one else can have begun one beside the main file, so a new
// one is the set's; once no file of the set has a journal left to play back, nothing needs it.
void TableSet::removeOrphanedSuperJournal(const std::vector<fs::path>& before) const {
  std::error_code ec;
  for (const Attached& a : files_)
    if (fs::exists(a.file.string() + "-journal", ec)) return;
  for (const fs::path& p : superJournals(files_[0].file))
    if (std::find(before.begin(), before.end(), p) == before.end()) fs::remove(p, ec);
}

std::vector<std::string> TableSet::commitTests() const {
  std::vector<std::string> tests;
  for (const Attached& a : files_) tests.push_back("tabelle " + std::to_string(a.counterAtBegin) + " " + a.file.string());
  return tests;
}

Result<bool> TableSet::committedAfter(const std::vector<std::string>& tests) {
  bool moved = false;
  for (const std::string& t : tests) {
    const size_t first = t.find(' '), second = t.find(' ', first + 1);
    RIVIZA_CHECK_DATA(t.starts_with("tabelle ") && second != std::string::npos, kNotOurTable,
                      "Prüfung unbekannter Art: " + t);
    const std::string counterText = t.substr(first + 1, second - first - 1);
    const std::string file = t.substr(second + 1);
    unsigned before = 0;
    for (char c : counterText) {
      RIVIZA_CHECK_DATA(c >= '0' && c <= '9', kNotOurTable, "Prüfung unbekannter Art: " + t);
      before = before * 10 + static_cast<unsigned>(c - '0');
    }
    auto db = Database::open(file, false);
    if (!db) return db.error();
    // Reading the schema plays back a hot journal the killed commit left.
    RIVIZA_TRY(db->exec("SELECT count(*) FROM sqlite_master"));
    auto now = db->fileChangeCounter();
    if (!now) return now.error();
    if (*now != before) moved = true;
  }
  return moved;
}

void TableSet::assertInvariants() const {
#ifndef NDEBUG
  assert(!writing_ || db_.isOpen());
  assert(!(writing_ && committed_));
  for (const TTable* t : members_) {
    assert(t->set_ == this);
    if (t->active()) assert(t->inTransaction() == writing_);
  }
#endif
}

}  // namespace riviza::db
