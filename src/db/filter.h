// The filter texts of the table component, parsed and turned into SQL (db layer).
//
// The logic builds filters as the old engine took them: `Name = 'abc*' OR Ort = 'x*'`,
// `BelegNummer = 17`, `GueltigBis < 903`, `Verarbeitet = 0`, quotes doubled inside values, no
// blank needed after a closing quote (`'x*'OR`), AND binding tighter than OR, parentheses.
// Meaning of a term `field op value`:
//  - a quoted value on a text field ending in a single "*" with "=" (or "<>") is a prefix test;
//    inside quotes "**" stands for a "*" as "''" stands for a quote, and every other "*" and
//    every "%" or "_" is a plain character (values are bound, never matched with LIKE, so no
//    user text can turn into a wildcard);
//  - an unquoted number compared with a text field compares the number's text exactly;
//  - a missing value (`BelegNummer =` followed by nothing) selects no record, never all;
//  - the case-insensitive option folds ASCII and Latin-1 letters on both sides;
//  - null text counts as empty text; a null number, date or flag matches only `= ''`.
// Anything else (an unknown field, a word where a value belongs, a stray quote) is a
// kFilterSyntax error: a filter is never silently dropped. The empty text means no filter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/sqlite.h"
#include "db/structure.h"
#include "platform/result.h"

namespace riviza::db {

struct FilterOptions {
  bool caseInsensitive = false;  // the old foCaseInsensitive
  friend bool operator==(const FilterOptions&, const FilterOptions&) = default;
};

// A WHERE condition over the columns f0..fn-1 with "?" placeholders and their values in order.
struct CompiledFilter {
  std::string whereSql;  // empty: no filter
  std::vector<Value> params;
  std::vector<int> fields;  // the positions the condition reads, each once
};

// The SQL expression a term compares for the field at `position`: text fields count null as
// empty (and fold case with the case-insensitive option), other fields compare the column.
// An index over this expression serves the filter's equality terms (TTable::ensureFilterIndex).
std::string filterColumnExpression(int position, FieldType type, FilterOptions options = {});

Result<CompiledFilter> compileFilter(std::string_view text, const TableStructure& structure,
                                     FilterOptions options);

// Registers riviza_fold(text), the case folding of the filters, on a connection.
Status registerFilterFunctions(const Database& db);

// Quotes a value for a filter text: 'O''Brien', '10109700**'. Without prefix the term it makes
// is an exact comparison whatever the value holds (a trailing "*" included); with prefix, the
// "*" of a prefix test follows the value inside the quotes. Callers that put user text into a
// filter use this.
std::string quoteFilterValue(std::string_view value, bool prefix = false);

}  // namespace riviza::db
