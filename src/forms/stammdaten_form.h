// The form's side of the steps every master-data tab and form repeats (form library, master-data
// editing): the control states, the delete question, the year's tables and the error box.
//
// The table steps themselves (searches, edit state, lookups of a record) are the master-data
// domain's (masterdata/stammdaten.h); these add what needs the form: its controls, its dialogs
// and the year the start-up found. Conventions every master-data form keeps:
//  - Refused input is told in an information box (meldung::hinweis, "Hinweis !"); a failure of
//    the table layer in an error box under "Fehler !" with the layer's text (succeeded). Nothing
//    is refused silently.
//  - The year folder is only touched below a known data root (DatenPfad set by the start-up).
// The edit colours, the Return chain and the digit filter are ui/edit_family.h; the IK edits
// with their cost-bearer names are ik_edits.h.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "db/TTable.h"
#include "masterdata/stammdaten.h"
#include "platform/result.h"
#include "ui/component.h"

namespace riviza {

void enableAll(std::initializer_list<ui::TControl*> controls, bool enabled);

// With a current record: the warning question (Yes, No); on Yes the record is deleted and the
// table put into edit state on the record then current. True when a record was deleted.
bool deleteAfterQuestion(db::TTable& table, const std::string& question);

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
