// The table component's view of records and its cursor moves (db layer); see TTable.h.
//
// The view is the ordered list of record ids (with their key values for keyed tables) that pass
// the filter; it is loaded on open, refresh and filter changes and kept in step by post and
// delete, so that a bulk append does not reread the table per record. A new record's entry goes
// to the end of the list and the list is put in order on the next read that needs the order (a
// move, a record number, a record's texts, a delete): inserting each entry at its key's place
// shifted half the list per post, quadratic for a bulk append in any order but the key's.
#include <algorithm>
#include <cassert>
#include <optional>

#include "db/TTable.h"
#include "platform/paths.h"

namespace riviza::db {
namespace {

int compareKeys(const std::vector<Value>& a, const std::vector<Value>& b) {
  for (size_t k = 0; k < a.size() && k < b.size(); ++k)
    if (int c = compareValues(a[k], b[k])) return c;
  return 0;
}

}  // namespace

bool TTable::inViewOrder(const ViewEntry& a, const ViewEntry& b) {
  int c = compareKeys(a.key, b.key);
  return c < 0 || (c == 0 && a.rowid < b.rowid);
}

Status TTable::requireActive() const {
  if (!active())
    return Error::make(kInactive, "Tabelle ist nicht geöffnet: " + platform::displayPath(filePathText()));
  return okStatus();
}

// Without a key and a filter the view is the record ids in order; when they are dense (no record
// removed but the last ones, as after a rebuild or a copy), their count and bounds alone give all
// of them: distinct integers as many as the span from the least to the greatest are each number
// of it. The three answers come from one statement, so from one state of the file, and none of
// them steps through the records (count walks the pages, the bounds seek), where reading every
// id costs a step per record on each open of a large table. nullopt when the ids have gaps.
Result<std::optional<std::vector<ViewEntry>>> TTable::denseView() {
  const std::string from = " FROM " + records() + ")";
  auto cached = db().cached("SELECT (SELECT count(*)" + from + ",(SELECT min(rowid)" + from +
                            ",(SELECT max(rowid)" + from);
  if (!cached) return cached.error();
  Statement& st = **cached;
  auto row = st.step();
  if (!row) return row.error();
  const long long count = st.columnInt(0), least = st.columnInt(1), greatest = st.columnInt(2);
  st.rewind();
  std::optional<std::vector<ViewEntry>> view;
  // The span in unsigned arithmetic, which holds it whatever the ids' signs.
  if (count > 0 && static_cast<unsigned long long>(greatest) - static_cast<unsigned long long>(least) !=
                       static_cast<unsigned long long>(count - 1))
    return view;
  view.emplace();
  view->reserve(static_cast<size_t>(count));
  for (long long i = 0; i < count; ++i) view->push_back(ViewEntry{least + i, {}});
  return view;
}

Status TTable::loadView() {
  const int keys = file_.structure.keyFieldCount;
  std::optional<std::vector<ViewEntry>> dense;
  if (keys == 0 && compiled_.whereSql.empty()) {
    auto ids = denseView();
    if (!ids) return ids.error();
    dense = std::move(*ids);
  }
  std::vector<ViewEntry> view = dense ? std::move(*dense) : std::vector<ViewEntry>();
  if (!dense) {
    const std::string order = viewOrder(file_.structure);
    std::string sql = "SELECT " + order + " FROM " + records();
    if (!compiled_.whereSql.empty()) sql += " WHERE " + compiled_.whereSql;
    sql += " ORDER BY " + order;
    auto cached = db().cached(sql);
    if (!cached) return cached.error();
    Statement& st = **cached;
    for (size_t i = 0; i < compiled_.params.size(); ++i)
      RIVIZA_TRY(st.bind(static_cast<int>(i) + 1, compiled_.params[i]));
    for (;;) {
      auto row = st.step();
      if (!row) return row.error();
      if (!*row) break;
      ViewEntry& e = view.emplace_back(ViewEntry{st.columnInt(keys), {}});
      for (int i = 0; i < keys; ++i) e.key.push_back(st.column(i));
    }
    st.rewind();
  }
  view_ = std::move(view);
  ordered_ = view_.size();
  reader_.invalidate();  // positions changed: the next read starts a batch of its own
  return okStatus();
}

Status TTable::loadRecord() {
  if (current_ < 0) {
    std::fill(record_.begin(), record_.end(), Value{});
    recordRowid_ = -1;
    return okStatus();
  }
  const long long rowid = view_[static_cast<size_t>(current_)].rowid;
  if (rowid == recordRowid_ && reader_.unchanged(db(), inTransaction_)) return okStatus();
  recordRowid_ = -1;
  auto found = reader_.read(db(), view_, current_, inTransaction_, record_);
  if (!found) return found.error();
  if (!*found)
    return Error::make(kRecordGone, "Datensatz wurde von einem anderen Benutzer gelöscht: " +
                                        platform::displayPath(filePathText()));
  recordRowid_ = rowid;
  return okStatus();
}

void TTable::forgetBuffered() {
  reader_.invalidate();
  recordRowid_ = -1;
}

// Inside its own transaction the table alone writes the file, so only the written record leaves
// the reader's batch; outside, the commit that just happened makes the whole batch suspect.
void TTable::wroteRecord(long long rowid, bool changed) {
  recordRowid_ = -1;
  if (inTransaction_) reader_.forget(rowid);
  wroteFile(changed);
}

void TTable::wroteFile(bool changed) {
  if (set_) set_->wrote(*this, schema_);
  if (!inTransaction_) {
    reader_.invalidate();
    return;
  }
  (changed ? changedInTransaction_ : uncertainInTransaction_) = true;
}

Status TTable::moveTo(int index) {
  current_ = view_.empty() ? -1 : std::clamp(index, 0, static_cast<int>(view_.size()) - 1);
  return loadRecord();
}

int TTable::indexOfRowid(long long rowid) const {
  for (size_t i = 0; i < view_.size(); ++i)
    if (view_[i].rowid == rowid) return static_cast<int>(i);
  return -1;
}

int TTable::insertionIndex(const ViewEntry& e) const {
  assert(ordered_ == view_.size());
  return static_cast<int>(std::lower_bound(view_.begin(), view_.end(), e, inViewOrder) - view_.begin());
}

// The entries appended since are sorted and merged in: linear in the view once per read, where
// placing each on its post shifted the list each time. The cursor (and in Insert the record it
// goes back to) stays on its record.
void TTable::orderView() {
  if (ordered_ == view_.size()) return;
  const auto entryAt = [this](int index) {
    return index >= 0 ? std::optional(view_[static_cast<size_t>(index)]) : std::nullopt;
  };
  const std::optional<ViewEntry> current = entryAt(current_);
  const std::optional<ViewEntry> saved = state_ == TableState::Insert ? entryAt(savedCurrent_) : std::nullopt;
  const auto from = view_.begin() + static_cast<std::ptrdiff_t>(ordered_);
  std::sort(from, view_.end(), inViewOrder);
  std::inplace_merge(view_.begin(), from, view_.end(), inViewOrder);
  ordered_ = view_.size();
  if (current) current_ = insertionIndex(*current);
  if (saved) savedCurrent_ = insertionIndex(*saved);
}

// Without putting the view in order, so that reading the record number is no read that orders
// it: the entries before `index`'s in the ordered part and in the appended one.
int TTable::positionInOrder(int index) const {
  if (ordered_ == view_.size()) return index;
  const ViewEntry& e = view_[static_cast<size_t>(index)];
  const auto from = view_.begin() + static_cast<std::ptrdiff_t>(ordered_);
  const auto before = [&e](const ViewEntry& other) { return inViewOrder(other, e); };
  return static_cast<int>((std::lower_bound(view_.begin(), from, e, inViewOrder) - view_.begin()) +
                          std::count_if(from, view_.end(), before));
}

TTable::ViewEntry TTable::entryFor(long long rowid) const {
  ViewEntry e{rowid, {}};
  for (int i = 0; i < file_.structure.keyFieldCount; ++i) e.key.push_back(record_[static_cast<size_t>(i)]);
  return e;
}

Result<bool> TTable::passesFilter(long long rowid) {
  if (filterCheckSql_.empty()) return true;
  auto cached = db().cached(filterCheckSql_);
  if (!cached) return cached.error();
  Statement& check = **cached;
  RIVIZA_TRY(check.bind(1, rowid));
  for (size_t i = 0; i < compiled_.params.size(); ++i)
    RIVIZA_TRY(check.bind(static_cast<int>(i) + 2, compiled_.params[i]));
  auto row = check.step();
  if (!row) return row.error();
  check.rewind();
  return *row;
}

// After a record was written: put it into the view (when it passes the filter) and stand on it;
// a record that no longer passes leaves the cursor on the record after its place. `edited`: the
// record is the current one (searching the view for it would make a bulk edit quadratic), else a
// new one. The buffer already holds what was written.
Status TTable::placeAfterWrite(long long rowid, bool edited) {
  ViewEntry e = entryFor(rowid);
  // An edit that left every field the filter reads as it was read keeps passing: no query per
  // record of a bulk edit under a filter.
  const bool filterFieldsKept =
      edited && std::all_of(compiled_.fields.begin(), compiled_.fields.end(), [&](int f) {
        return record_[static_cast<size_t>(f)] == saved_[static_cast<size_t>(f)];
      });
  auto passes = filterFieldsKept ? Result<bool>(true) : passesFilter(rowid);
  if (!passes) return passes.error();
  // An edited record that keeps its key keeps its place: bulk edits stay linear.
  if (edited && *passes && view_[static_cast<size_t>(current_)].key == e.key) return okStatus();
  if (!edited && *passes) {
    const bool inOrder = ordered_ == view_.size() && (view_.empty() || inViewOrder(view_.back(), e));
    view_.push_back(std::move(e));
    if (inOrder) ordered_ = view_.size();
    current_ = static_cast<int>(view_.size()) - 1;
    return okStatus();
  }
  orderView();
  if (edited) view_.erase(view_.begin() + current_);
  ordered_ = view_.size();
  const int at = insertionIndex(e);
  if (!*passes) return moveTo(at);
  view_.insert(view_.begin() + at, std::move(e));
  ordered_ = view_.size();
  current_ = at;
  return okStatus();
}

// ---- moves ----

Status TTable::first() {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  orderView();
  RIVIZA_TRY(moveTo(0));
  bof_ = true;
  eof_ = view_.empty();
  notifyRecord();
  return okStatus();
}

Status TTable::last() {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  orderView();
  RIVIZA_TRY(moveTo(static_cast<int>(view_.size()) - 1));
  bof_ = view_.empty();
  eof_ = true;
  notifyRecord();
  return okStatus();
}

Status TTable::next() { return step(+1); }
Status TTable::prior() { return step(-1); }

// One record on or back; at the end of the view the cursor stays and Eof (Bof) is set.
Status TTable::step(int delta) {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  bool& atEnd = delta > 0 ? eof_ : bof_;
  bool& atOtherEnd = delta > 0 ? bof_ : eof_;
  if (atEnd) return okStatus();
  orderView();
  int target = current_ + delta;
  if (target < 0 || target >= static_cast<int>(view_.size())) {
    atEnd = true;
    atOtherEnd = view_.empty();
    return okStatus();
  }
  RIVIZA_TRY(moveTo(target));
  bof_ = eof_ = false;
  notifyRecord();
  return okStatus();
}

int TTable::recNo() const {
  if (!active() || state_ == TableState::Insert || current_ < 0) return 0;
  return positionInOrder(current_) + 1;
}

Status TTable::setRecNo(int recNo) {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  if (view_.empty()) return okStatus();
  orderView();
  RIVIZA_TRY(moveTo(recNo - 1));
  bof_ = eof_ = false;
  notifyRecord();
  return okStatus();
}

Result<std::vector<std::string>> TTable::recordTexts(int recNo) {
  RIVIZA_TRY(requireActive());
  if (recNo < 1 || recNo > static_cast<int>(view_.size()))
    return Error::make(kRecordGone, "Datensatz " + std::to_string(recNo) + " nicht vorhanden");
  orderView();
  std::vector<std::string> texts;
  const auto& fields = file_.structure.fields;
  if (recNo - 1 == current_ && state_ == TableState::Edit) {
    for (size_t i = 0; i < fields.size(); ++i) texts.push_back(fieldText(fields[i].type, record_[i]));
    return texts;
  }
  RIVIZA_TRY(selectRow_.reset());
  RIVIZA_TRY(selectRow_.bind(1, view_[static_cast<size_t>(recNo - 1)].rowid));
  auto row = selectRow_.step();
  if (!row) return row.error();
  if (!*row)
    return Error::make(kRecordGone, "Datensatz wurde gelöscht: " + platform::displayPath(filePathText()));
  for (size_t i = 0; i < fields.size(); ++i)
    texts.push_back(fieldText(fields[i].type, selectRow_.column(static_cast<int>(i))));
  RIVIZA_TRY(selectRow_.reset());
  return texts;
}

Status TTable::scanValues(const std::vector<int>& positions,
                          const std::function<Status(const ValueRow&)>& each) {
  RIVIZA_TRY(requireActive());
  std::string sql = "SELECT ";
  for (size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] < 0 || positions[i] >= fieldCount())
      return Error::make(kFieldNotFound,
                         "Feld " + std::to_string(positions[i]) + " fehlt: " + filePathText());
    sql += (i ? "," : "") + columnName(positions[i]);
  }
  sql += " FROM records";
  if (!compiled_.whereSql.empty()) sql += " WHERE " + compiled_.whereSql;
  sql += " ORDER BY " + viewOrder(file_.structure);
  // A statement of its own: `each` may move this very cursor, which reuses the cached ones.
  auto st = Statement::prepare(file_.db, sql);
  if (!st) return st.error();
  for (size_t i = 0; i < compiled_.params.size(); ++i)
    RIVIZA_TRY(st->bind(static_cast<int>(i) + 1, compiled_.params[i]));
  ValueRow values(positions.size());
  for (;;) {
    auto row = st->step();
    if (!row) return row.error();
    if (!*row) return okStatus();
    for (size_t i = 0; i < positions.size(); ++i) st->columnInto(static_cast<int>(i), values[i]);
    RIVIZA_TRY(each(values));
  }
}

std::optional<Bookmark> TTable::getBookmark() const {
  if (!active() || state_ == TableState::Insert || current_ < 0) return std::nullopt;
  return Bookmark{view_[static_cast<size_t>(current_)].rowid};
}

bool TTable::bookmarkValid(const Bookmark& b) const { return active() && indexOfRowid(b.rowid) >= 0; }

Status TTable::gotoBookmark(const Bookmark& b) {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  int at = indexOfRowid(b.rowid);
  if (at < 0)
    return Error::make(kRecordGone, "Datensatz nicht gefunden: " + platform::displayPath(filePathText()));
  RIVIZA_TRY(moveTo(at));
  bof_ = eof_ = false;
  notifyRecord();
  return okStatus();
}

Status TTable::refresh() {
  RIVIZA_TRY(requireActive());
  RIVIZA_TRY(checkBrowseMode());
  return reloadView();
}

// The cursor stays on its record, or at the record's old place when another writer or a
// rollback removed it.
Status TTable::reloadView() {
  orderView();
  long long rowid = current_ >= 0 ? view_[static_cast<size_t>(current_)].rowid : -1;
  int oldIndex = current_;
  RIVIZA_TRY(loadView());
  int at = indexOfRowid(rowid);
  RIVIZA_TRY(moveTo(at >= 0 ? at : oldIndex));
  if (view_.empty()) bof_ = eof_ = true;
  else if (at < 0) bof_ = eof_ = false;
  notifyData();
  return okStatus();
}

}  // namespace riviza::db
