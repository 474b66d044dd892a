// The shared table steps of the master-data tabs and forms (master-data domain); see
// stammdaten.h.
#include "masterdata/stammdaten.h"

#include "platform/codec.h"
#include "platform/text.h"

namespace riviza {

std::string searchFilterText(const SearchRule& rule, std::string_view text) {
  const std::string quoted = db::quoteFilterValue(text, true);
  std::string filter;
  for (const std::string& field : rule.fields) {
    if (!filter.empty()) filter += "OR ";
    filter.append(field).append(" = ").append(quoted);
  }
  return filter;
}

Status setFilterText(db::TTable& table, std::string text) {
  RIVIZA_TRY(table.setFiltered(false));
  RIVIZA_TRY(table.setFilter(std::move(text)));
  return table.setFiltered(true);
}

Status applySearch(db::TTable& table, const SearchRule& rule, std::string_view text) {
  if (rule.maxChars > 0 && platform::utf8Length(text) > rule.maxChars) return okStatus();
  return setFilterText(table, text.empty() ? std::string() : searchFilterText(rule, text));
}

Status editIfAny(db::TTable& table) {
  if (!table.active() || table.isEmpty()) return okStatus();
  return table.edit();
}

bool isPending(const db::TTable& table) {
  return table.state() == db::TableState::Edit || table.state() == db::TableState::Insert;
}

std::optional<db::Bookmark> findRecord(const db::TTable& table, std::string_view field,
                                       std::string_view value) {
  db::TTable other;
  if (!other.setDatabaseName(table.databaseName()) || !other.setTableName(table.tableName()) ||
      !other.setFilterOptions(table.filterOptions()) || !other.open())
    return std::nullopt;
  if (!other.setFilter(std::string(field) + " = " + db::quoteFilterValue(value)) ||
      !other.setFiltered(true) || other.isEmpty())
    return std::nullopt;
  return other.getBookmark();
}

Status openTable(db::TTable& table, std::string_view folder, std::string_view fileName) {
  table.close();
  RIVIZA_TRY(table.setDatabaseName(std::string(folder)));
  RIVIZA_TRY(table.setTableName(std::string(fileName)));
  RIVIZA_TRY(table.setFilterOptions({.caseInsensitive = true}));
  return table.open();
}

}  // namespace riviza
