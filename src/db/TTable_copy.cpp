// The table component's copy of another table's records in one statement (db layer); see
// TTable::appendFrom.
//
// The source file is attached to this table's connection under a fixed name, its path bound as
// a parameter (a source of the same TableSet is on the connection already); one INSERT ...
// SELECT appends its records in its view's order (key, then record id). A value stored as it
// is stays a column of the SELECT, so SQLite copies it without it ever leaving the engine; the
// blank test, the flag rule, every conversion and every computed value run as SQL functions over
// the stored values, through the very conversions the fields read and write with (TField.h), so
// a value comes out as the record-by-record assignment gives it. The conversions of one copy are
// closures in a context that the one function riviza_copy_value(k, ...) reaches for the length
// of the statement: SQL functions are defined once per connection, and defining them again per
// copy would expire every prepared statement of the connection. A copy that wants to know of
// each record it writes has its first column wrapped in riviza_copy_watch, which notes the
// record's place and the watched values as the statement computes them.
#include <algorithm>
#include <bit>

#include "db/TTable.h"
#include "db/errors.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza::db {
namespace {

Value storedValue(sqlite3_value* v) {
  Value out;
  valueInto(v, out);
  return out;
}

void trueFunction(sqlite3_context* c, int, sqlite3_value** argv) {
  sqlite3_result_int(c, flagValue(storedValue(argv[0])) ? 1 : 0);
}

// Called on text fields only, whose text is the stored one (read in place: once per record).
void blankFunction(sqlite3_context* c, int, sqlite3_value** argv) {
  sqlite3_value* v = argv[0];
  const int type = sqlite3_value_type(v);
  if (type != SQLITE_TEXT) {
    sqlite3_result_int(
        c, type == SQLITE_NULL || platform::trimView(fieldText(FieldType::Alpha, storedValue(v))).empty());
    return;
  }
  const auto* text = static_cast<const char*>(sqlite3_value_blob(v));
  sqlite3_result_int(c,
                     platform::trimView(std::string_view(text ? text : "", sqlite3_value_bytes(v))).empty());
}

// The conversions of the copy that runs: column k of riviza_copy_value(k, ...) is columns[k].
// A column's values are functions of their arguments alone, so each column remembers the results
// of the first few arguments it met: a code or a flag takes a handful of values over a whole
// table, and its conversion (texts read, numbers parsed) then runs once per value, not once per
// record. A column that meets more values than that (an IK, a name) stops remembering.
struct CopyContext {
  using Column = std::function<Result<Value>(std::span<const Value>)>;
  static constexpr size_t kRemembered = 8;
  struct Memo {
    std::vector<std::pair<std::vector<Value>, Value>> results;
    bool off = false;
  };
  std::vector<Column> columns;
  std::vector<Memo> memos;       // per column
  std::optional<Error> failure;  // the first conversion that failed
  std::vector<Value> args;       // the arguments of the current call, their buffers reused
  // What riviza_copy_watch saw of each record it passed, in the order the statement computed
  // them: its place in the source's order, and the watched values (`keys` and `watched` values
  // per record, flat).
  size_t keys = 0, watched = 0;
  std::vector<ViewEntry> order;
  std::vector<Value> seen;
};
thread_local CopyContext* tCopy = nullptr;

// The very same stored values, numbers bit for bit: a result is reused only for what made it.
bool sameValues(const std::vector<Value>& a, const std::vector<Value>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Value& x, const Value& y) {
    const auto* dx = std::get_if<double>(&x);
    const auto* dy = std::get_if<double>(&y);
    if (dx && dy) return std::bit_cast<uint64_t>(*dx) == std::bit_cast<uint64_t>(*dy);
    return x == y;
  });
}

void resultValue(sqlite3_context* c, const Value& v) {
  if (const auto* i = std::get_if<long long>(&v))
    sqlite3_result_int64(c, *i);
  else if (const auto* d = std::get_if<double>(&v))
    sqlite3_result_double(c, *d);
  else if (const auto* t = std::get_if<std::string>(&v))
    sqlite3_result_text64(c, t->data(), t->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  else
    sqlite3_result_null(c);
}

void copyValueFunction(sqlite3_context* c, int argc, sqlite3_value** argv) {
  const long long k = argc > 0 ? sqlite3_value_int64(argv[0]) : -1;
  if (!tCopy || k < 0 || k >= static_cast<long long>(tCopy->columns.size())) {
    sqlite3_result_error(c, "riviza_copy_value ohne Kopie", -1);
    return;
  }
  std::vector<Value>& args = tCopy->args;
  args.resize(static_cast<size_t>(argc - 1));
  for (int i = 1; i < argc; ++i) valueInto(argv[i], args[static_cast<size_t>(i - 1)]);
  CopyContext::Memo& memo = tCopy->memos[static_cast<size_t>(k)];
  if (!memo.off)
    for (const auto& [bekannt, ergebnis] : memo.results)
      if (sameValues(bekannt, args)) return resultValue(c, ergebnis);
  Result<Value> v = tCopy->columns[static_cast<size_t>(k)](args);
  if (v && !memo.off) {
    if (memo.results.size() < CopyContext::kRemembered)
      memo.results.emplace_back(args, *v);
    else
      memo = {{}, true};
  }
  if (v) return resultValue(c, *v);
  if (!tCopy->failure) tCopy->failure = v.error();
  sqlite3_result_error(c, v.error().message.c_str(), -1);
}

// riviza_copy_watch(value, rowid, keys..., watched...) is `value`, and notes the rest for the
// copy's `each`. It wraps the first column of the new record, so it runs once for every record
// the statement writes and for no record the WHERE clause leaves out.
void copyWatchFunction(sqlite3_context* c, int argc, sqlite3_value** argv) {
  if (!tCopy || argc != static_cast<int>(2 + tCopy->keys + tCopy->watched)) {
    sqlite3_result_error(c, "riviza_copy_watch ohne Kopie", -1);
    return;
  }
  ViewEntry& e = tCopy->order.emplace_back(ViewEntry{sqlite3_value_int64(argv[1]), {}});
  for (size_t i = 0; i < tCopy->keys; ++i) e.key.push_back(storedValue(argv[2 + i]));
  for (size_t i = 0; i < tCopy->watched; ++i) valueInto(argv[2 + tCopy->keys + i], tCopy->seen.emplace_back());
  sqlite3_result_value(c, argv[0]);
}

Status registerCopyFunctions(const Database& db) {
  RIVIZA_TRY(db.defineFunction("riviza_copy_watch", copyWatchFunction, "Kopierfunktion", -1));
  RIVIZA_TRY(db.defineFunction("riviza_true", trueFunction, "Kopierfunktion"));
  RIVIZA_TRY(db.defineFunction("riviza_copy_value", copyValueFunction, "Kopierfunktion", -1));
  return db.defineFunction("riviza_blank", blankFunction, "Kopierfunktion");
}

// Assigning a field of `from` to one of `to` keeps the stored value: the same type, and an alpha
// field no shorter (a stored text is never longer than its field, every write cuts it).
bool keepsValue(const FieldDef& from, const FieldDef& to) {
  return from.type == to.type && (to.type != FieldType::Alpha || to.size >= from.size);
}

bool contains(const std::vector<int>& positions, int p) {
  return std::find(positions.begin(), positions.end(), p) != positions.end();
}

Error notInOne(const std::string& why) {
  return Error::make(kNotInOneStatement, "nicht in einem Schritt zu kopieren: " + why);
}

// The call of column k of the context on `args` (source columns).
std::string copyCall(CopyContext& context, CopyContext::Column column, const std::vector<std::string>& args) {
  std::string call = "riviza_copy_value(" + std::to_string(context.columns.size());
  for (const std::string& a : args) call += "," + a;
  context.columns.push_back(std::move(column));
  context.memos.emplace_back();
  return call + ")";
}

// The value of a source field assigned to a target field, as an expression over the source.
std::string assignment(CopyContext& context, const FieldDef& from, int source, const FieldDef& to,
                       bool blankLeavesEmpty) {
  if (keepsValue(from, to)) return columnName(source);
  const bool blankEmpties = blankLeavesEmpty && isTextType(from.type) && !isTextType(to.type);
  return copyCall(context,
                  [from, to, blankEmpties](std::span<const Value> v) -> Result<Value> {
                    if (blankEmpties && platform::trimView(fieldText(from.type, v[0])).empty())
                      return Value{};
                    return assignedValue(from, v[0], to);
                  },
                  {columnName(source)});
}

// `target` and `source`: the qualified names of the two records tables.
Result<std::string> copySql(const TableStructure& from, const TableStructure& to, const RecordCopy& copy,
                            CopyContext& context, const std::string& target, const std::string& source) {
  auto sourceField = [&](int p) -> Result<const FieldDef*> {
    if (p < 0 || p >= static_cast<int>(from.fields.size())) return notInOne("Feld " + std::to_string(p));
    return &from.fields[static_cast<size_t>(p)];
  };
  std::string columns, values;
  for (int i = 0; i < static_cast<int>(to.fields.size()); ++i) {
    const FieldDef& target = to.fields[static_cast<size_t>(i)];
    if (target.type == FieldType::AutoInc) return notInOne("Zählerfeld " + target.name);
    const int source = i < static_cast<int>(copy.from.size()) ? copy.from[static_cast<size_t>(i)] : -1;
    const bool flag = contains(copy.falseUnlessTrue, i);
    const auto computed = std::find_if(copy.computed.begin(), copy.computed.end(),
                                       [i](const RecordCopy::Computed& c) { return c.position == i; });
    const bool isComputed = computed != copy.computed.end();
    if (source < 0 && !flag && !isComputed) continue;
    std::string value = "0";
    if (isComputed) {
      if (flag) return notInOne(target.name);
      std::vector<std::string> args;
      for (int p : computed->sources) {
        auto f = sourceField(p);
        if (!f) return f.error();
        args.push_back(columnName(p));
      }
      value = copyCall(context, computed->value, args);
    } else if (source >= 0) {
      auto f = sourceField(source);
      if (!f) return f.error();
      value = assignment(context, **f, source, target, copy.blankTextLeavesEmpty);
    }
    if (flag) {
      if (target.type != FieldType::Logical) return notInOne(target.name);
      if (source >= 0)
        value = std::string("CASE WHEN riviza_true(").append(value).append(") THEN ").append(value).append(" ELSE 0 END");
    }
    if (values.empty() && copy.each) {
      // The record's place in the source's order, and what `each` is to see of it.
      value = std::string("riviza_copy_watch(").append(value).append(",rowid");
      for (int k = 0; k < from.keyFieldCount; ++k) value += "," + columnName(k);
      for (int p : copy.watched) {
        auto f = sourceField(p);
        if (!f) return f.error();
        value += "," + columnName(p);
      }
      value += ")";
      context.keys = static_cast<size_t>(from.keyFieldCount);
      context.watched = copy.watched.size();
    }
    columns += (columns.empty() ? "" : ",") + columnName(i);
    values += (values.empty() ? "" : ",") + value;
  }
  if (columns.empty()) return notInOne("keine Felder");

  std::string sql = "INSERT INTO " + target + "(" + columns + ") SELECT " + values + " FROM " + source;
  if (!copy.leaveOutWhenBlank.empty()) {
    std::string blank;
    for (int p : copy.leaveOutWhenBlank) {
      std::string term = "1";  // a position the source lacks reads as empty
      if (p < static_cast<int>(from.fields.size())) {
        if (!isTextType(from.fields[static_cast<size_t>(p)].type))
          return notInOne("Feld " + std::to_string(p));
        term = "riviza_blank(" + columnName(p) + ")";
      }
      blank += (blank.empty() ? "" : " AND ") + term;
    }
    sql += " WHERE NOT (" + blank + ")";
  }
  return sql + " ORDER BY " + viewOrder(from);
}

}  // namespace

Result<int> TTable::appendFrom(const TTable& source, const RecordCopy& copy) {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(source.requireActive());
  if (source.filtered()) return notInOne("gefilterte Quelle");
  const bool together = set_ && source.set_ == set_;
  // A file attached to a set's connection would stay attached inside the set's transaction.
  if (set_ && !together) return notInOne("Quelle außerhalb der gemeinsamen Transaktion");
  // Its own connection would see what it has not committed; this statement would not.
  if (!together && source.inTransaction()) return notInOne("Quelle in einer Transaktion");
  CopyContext context;
  auto sql = copySql(source.structure(), structure(), copy, context, records(),
                     together ? source.records() : "riviza_source.records");
  if (!sql) return sql.error();
  RIVIZA_TRY(checkBrowseMode());
  RIVIZA_TRY(registerCopyFunctions(db()));
  struct Current {
    explicit Current(CopyContext& c) : before(std::exchange(tCopy, &c)) {}
    ~Current() { tCopy = before; }
    CopyContext* before;
  } current(context);
  // A failed conversion says which value it was, not SQLite's "SQL logic error".
  auto run = [&]() -> Result<int> {
    auto appended = appendBy(*sql);
    if (!appended && context.failure) return *context.failure;
    if (appended && copy.each) RIVIZA_TRY(tellEach(source, copy, context.order, context.seen));
    return appended;
  };
  // In the set's transaction when it runs; alone, the one statement changes the file or not.
  if (together) return run();

  // Detached once the transaction is over (a database read in a transaction stays attached).
  struct Detach {
    Database& db;
    ~Detach() { (void)db.exec("DETACH riviza_source"); }
  } detach{db()};
  // Attached after the write lock is taken, so the lock binds this table only and the source is
  // merely read: a source another program holds does not stall the copy.
  auto transaction = startTransaction();
  if (!transaction) return transaction.error();
  {
    auto attach = Statement::prepare(db(), "ATTACH ? AS riviza_source");
    if (!attach) return attach.error();
    RIVIZA_TRY(attach->bind(1, platform::nativePath(source.filePathText()).string()));
    RIVIZA_TRY(attach->run());
  }
  // The view before the commit: a failure after it would leave records the caller counts as
  // not appended.
  auto appended = run();
  if (!appended) return appended.error();
  RIVIZA_TRY(transaction->commit());
  return *appended;
}

// The statement computes its records in the order it writes them (its ORDER BY is the source's
// view order), and a sorter would compute them before sorting: the order is put right here
// when it is not, so that `each` always sees the new records' order. The record numbers come
// from one walk along the source's view, which holds the records in the same order.
Status TTable::tellEach(const TTable& source, const RecordCopy& copy, const std::vector<ViewEntry>& order,
                        const std::vector<Value>& seen) {
  std::vector<size_t> rows(order.size());
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
  auto before = [&](size_t a, size_t b) { return inViewOrder(order[a], order[b]); };
  if (!std::is_sorted(rows.begin(), rows.end(), before)) std::sort(rows.begin(), rows.end(), before);
  const size_t w = copy.watched.size();
  // A view with records posted since its last ordered read is put in order on a copy of it.
  std::vector<ViewEntry> sorted;
  if (source.ordered_ != source.view_.size()) {
    sorted = source.view_;
    std::sort(sorted.begin(), sorted.end(), inViewOrder);
  }
  const std::vector<ViewEntry>& view = sorted.empty() ? source.view_ : sorted;
  size_t at = 0;
  for (size_t row : rows) {
    const long long rowid = order[row].rowid;
    while (at < view.size() && view[at].rowid != rowid && inViewOrder(view[at], order[row])) ++at;
    const int recNo = at < view.size() && view[at].rowid == rowid ? static_cast<int>(at) + 1 : 0;
    RIVIZA_TRY(copy.each(recNo, std::span<const Value>(seen).subspan(row * w, w)));
  }
  return okStatus();
}

Result<int> TTable::appendBy(const std::string& sql) {
  int appended = 0;
  {
    auto insert = Statement::prepare(db(), sql);
    if (!insert) return insert.error();
    Status st = insert->run();
    appended = st ? db().changes() : 0;
    wroteFile(appended > 0);
    if (!st) return mapWriteError(st.error());
  }
  RIVIZA_TRY(reloadView());
  return appended;
}

}  // namespace riviza::db
