// The table component's copy of another table's records in one statement (db layer); see
// TTable::appendFrom.
//
// The source file is attached to this table's connection under a fixed name, its path bound as
// a parameter (a source of the same TableSet is on the connection already); one INSERT ...
// SELECT appends its records in its view's order (key, then record id). The blank test and the flag rule run as SQL functions over the stored values, through
// the same conversions the fields read with.
#include <algorithm>

#include "db/TTable.h"
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

// Called on text fields only, whose text is the stored one.
void blankFunction(sqlite3_context* c, int, sqlite3_value** argv) {
  sqlite3_result_int(c, platform::trimView(fieldText(FieldType::Alpha, storedValue(argv[0]))).empty());
}

Status registerCopyFunctions(const Database& db) {
  RIVIZA_TRY(db.defineFunction("riviza_true", trueFunction, "Kopierfunktion"));
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

// `target` and `source`: the qualified names of the two records tables.
Result<std::string> copySql(const TableStructure& from, const TableStructure& to, const RecordCopy& copy,
                            const std::string& target, const std::string& source) {
  std::string columns, values;
  for (int i = 0; i < static_cast<int>(to.fields.size()); ++i) {
    const FieldDef& target = to.fields[static_cast<size_t>(i)];
    if (target.type == FieldType::AutoInc) return notInOne("Zählerfeld " + target.name);
    const int source = i < static_cast<int>(copy.from.size()) ? copy.from[static_cast<size_t>(i)] : -1;
    const bool flag = contains(copy.falseUnlessTrue, i);
    if (source < 0 && !flag) continue;
    std::string value = "0";
    if (source >= 0) {
      if (source >= static_cast<int>(from.fields.size())) return notInOne("Feld " + std::to_string(source));
      if (!keepsValue(from.fields[static_cast<size_t>(source)], target)) return notInOne(target.name);
      value = columnName(source);
    }
    if (flag) {
      if (target.type != FieldType::Logical) return notInOne(target.name);
      if (source >= 0) value = "CASE WHEN riviza_true(" + value + ") THEN " + value + " ELSE 0 END";
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
  auto sql = copySql(source.structure(), structure(), copy, records(),
                     together ? source.records() : "riviza_source.records");
  if (!sql) return sql.error();
  RIVIZA_TRY(checkBrowseMode());
  RIVIZA_TRY(registerCopyFunctions(db()));
  // In the set's transaction when it runs; alone, the one statement changes the file or not.
  if (together) return appendBy(*sql);

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
  auto appended = appendBy(*sql);
  if (!appended) return appended.error();
  RIVIZA_TRY(transaction->commit());
  return *appended;
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
