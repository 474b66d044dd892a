// The table steps every master-data tab and form repeats, each written once (master-data
// domain).
//
// The acceptance-office, service-centre and funds tabs, the service-provider form and the address
// picker all search a table by prefix over a few fields, put their table back into edit state
// after a cancel or a delete, look up a record apart from their cursor and open a table of a
// folder. A tab names its fields and calls these routines; they work on tables only, never on a
// control or the form (the form's side of the steps is forms/stammdaten_form.h). The conventions
// they keep, which every master-data form follows:
//  - A search text is a value, never filter syntax: it is quoted with quoteFilterValue, so an
//    apostrophe, "*" or "%" typed by the user matches itself; only the one "*" the rule appends
//    makes the prefix test.
//  - "Edit state on the current record" never inserts: on an empty view the table stays in
//    browse state (the table layer's edit() would insert a blank record there).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/TTable.h"
#include "platform/result.h"

namespace riviza {

// A search edit's rule: the fields its text is looked for at the start of (in filter order),
// and the longest text that still changes the filter (0: any length).
struct SearchRule {
  std::vector<std::string> fields;
  size_t maxChars = 0;
};

// Filter off, the new filter text (empty: none), filter on.
Status setFilterText(db::TTable& table, std::string text);

// "F1 = 'text*'OR F2 = 'text*'": one prefix term per field, no blank before "OR".
std::string searchFilterText(const SearchRule& rule, std::string_view text);
// The search of every master-data list: an empty text removes the filter (all records), a text
// of up to maxChars characters filters (case-insensitively when the table's options say so), a
// longer one leaves the filter as it was.
Status applySearch(db::TTable& table, const SearchRule& rule, std::string_view text);

// Edit state on the current record; on an empty view (or a closed table) nothing happens.
Status editIfAny(db::TTable& table);
// An entry is pending: the table is in Edit or Insert state.
bool isPending(const db::TTable& table);

// The first record of the table's file whose field equals value (ignoring case when the table's
// filter options do), looked up through a cursor of its own, so that the table's own cursor
// and pending edit stay untouched; none when there is no such record or the file cannot be read.
std::optional<db::Bookmark> findRecord(const db::TTable& table, std::string_view field,
                                       std::string_view value);

// Points the table at folder (path text) under fileName and opens it with case-insensitive
// filters; closes it first.
Status openTable(db::TTable& table, std::string_view folder, std::string_view fileName);
}  // namespace riviza
