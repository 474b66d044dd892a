// The acceptance-office tab TabSheet9 ("Anna&hmestellen") of the settings form and the office
// address it shows (form library, master-data editing).
//
// The tab edits Ann.DB (one record per cost bearer: the offices for invoices, prescriptions and
// image files under §300 and §302, payment terms, two package-number flags) through TableAnn,
// and the offices' postal addresses of AdrAnn.DB through TableAdrAnn (the address picker
// TFormAdressen has a cursor of its own on that file). Its handlers are members of TFormEinstellungen (Riviza1_components.h);
// its repeated field handlers are rows of ik_edits.h and ui/edit_family.h, bound when the tab
// shows.
//
// States of the tab:
//   browse --"&Neu" (insert) / "Än&dern" (current record; not on an empty table)--> edit
//   edit   --"S&peichern" (stored), or the focus leaving PanelAnn (PanelAnnExit)--> browse
//   edit   --"S&peichern" refused (the cost bearer without 9 digits or a name, or by the table)--> edit
// In the browse state PanelAnn and the save buttons are disabled and the search, record buttons
// and navigator enabled; PanelAnnEnter disables the latter, PanelAnnExit cancels what was not
// saved and restores the browse state. The address record the tab shows (Ik, Name, Name2,
// Strasse, Plz, Ort) is stored only with an Ik of 9 characters and a name that is not blank,
// by "&Adr Speich." or with the office by "S&peichern"; it is never stored in passing. One the
// user changed stays on screen when the focus moves on to another office IK (the user is told
// once), so that the save still stores it; one the user did not change (an address filled from
// the cost-bearer files) makes way for the next office's. Leaving the panel drops it with the
// office entry.
#pragma once

#include <string_view>

#include "ui/db_controls.h"

namespace riviza {

class TFormEinstellungen;

// Shows the address of office ik in DBEdit15 to DBEdit20: its AdrAnn.DB record, or, when it has
// none, a new record filled from the cost-bearer files (kind "300": the §300 table, "302" and
// "105": the §302 table) with LabelAdrAusKosttr shown when they know the office. A pending
// address of the same IK, or one the user changed (annAdresseBehalten), stays as it is; any
// other pending address is cancelled first.
void AnnAdresseAusKosttr(std::string_view ik, std::string_view kind);
// Hides the address block (and its label) and cancels a pending address record.
void AnnAdresseVerbergen();
// A pending address record holds changes of the user's: it is to stay on screen. The first time
// for that record the user is told that it waits to be stored.
bool annAdresseBehalten();

// Stores the address record shown when its Ik (DBEdit20) has 9 characters and its name
// (DBEdit15) is not blank; otherwise tells the user, and cancels the record when `cancelRefused`.
// A new record for an Ik that has an address meanwhile is never stored: the user is told, and
// the stored address shown instead. True when stored.
bool annAdresseSpeichern(bool cancelRefused);

// The IK edit of a picker selector code ("1", "3", ..., "25"), null for any other code.
ui::TDBEdit* annAuswahlEdit(TFormEinstellungen& f, std::string_view code);

}  // namespace riviza
