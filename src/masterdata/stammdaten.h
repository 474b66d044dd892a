// The steps every master-data tab and form repeats, each written once (form library,
// master-data editing).
//
// The acceptance-office, service-centre and funds tabs, the service-provider form and the address
// picker all search a table by prefix over a few fields, switch between a browse state and an
// edit state that enable opposite sets of controls, delete after a warning question, put their
// table back into edit state after a cancel or a delete, and open a year table from the year's
// Daten folder. A tab names its fields and controls and calls these routines. The conventions
// they keep, which every master-data form follows:
//  - A search text is a value, never filter syntax: it is quoted with quoteFilterValue, so an
//    apostrophe, "*" or "%" typed by the user matches itself; only the one "*" the rule appends
//    makes the prefix test.
//  - "Edit state on the current record" never inserts: on an empty view the table stays in
//    browse state (the table layer's edit() would insert a blank record there).
//  - Refused input is told in an information box (meldung::hinweis, "Hinweis !"); a failure of
//    the table layer in an error box under "Fehler !" with the layer's text (succeeded). Nothing
//    is refused silently.
//  - The year folder is only touched below a known data root (DatenPfad set by the start-up).
// The edit colours, the Return chain and the digit filter are ui/edit_family.h; the IK edits
// with their cost-bearer names are ik_edits.h.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/TTable.h"
#include "platform/result.h"
#include "ui/component.h"
#include "ui/data.h"

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

void enableAll(std::initializer_list<ui::TControl*> controls, bool enabled);

// Edit state on the current record; on an empty view (or a closed table) nothing happens.
Status editIfAny(db::TTable& table);
// An entry is pending: the table is in Edit or Insert state.
bool isPending(const db::TTable& table);

// With a current record: the warning question (Yes, No); on Yes the record is deleted and the
// table put into edit state on the record then current. True when a record was deleted.
bool deleteAfterQuestion(db::TTable& table, const std::string& question);

// The first record of the table's file whose field equals value (ignoring case when the table's
// filter options do), looked up through a cursor of its own, so that the table's own cursor
// and pending edit stay untouched; none when there is no such record or the file cannot be read.
std::optional<db::Bookmark> findRecord(const db::TTable& table, std::string_view field,
                                       std::string_view value);

// Points the table at folder (path text) under fileName and opens it with case-insensitive
// filters; closes it first.
Status openTable(db::TTable& table, std::string_view folder, std::string_view fileName);
// openTable on the year's Daten folder, first copying the program folder's LeerDaten template
// when the year has no such file (jahresVorlageKopieren); fails with the table layer's error when
// neither file exists.
Status openYearTable(db::TTable& table, const std::string& fileName);
// The year's Daten folder is known: the start-up has found the data root.
bool yearKnown();

// Shows a failed status in the error box ("what" and the layer's text) and answers false;
// answers true for success.
bool succeeded(const Status& status, std::string_view what);

}  // namespace riviza
