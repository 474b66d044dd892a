// The IK edits of a master-data panel as one descriptor table and one routine per event (form
// library, master-data editing).
//
// An IK edit holds a 9-character institution code; beside it a read-only edit shows the name
// the cost-bearer files give for it, and an office IK also shows the office's postal address,
// which the panel keeps elsewhere. The forms repeat the same four handlers for every such edit;
// here each edit is a row, and installIkEdits binds Change, Enter, Exit and KeyDown of the row's
// control, and the click of its picker button, to the routines below. A new IK edit is a new
// row. What the rows share with their panel (the address block, the picker) goes through
// IkEditPanel; the names come from the master-data lookups (masterdata/stammdaten_pruefungen.h).
//
// The rules, for the IK edit a row names (handlers bound to a second control act on it too):
//  - Change, with exactly 9 characters: the name edit receives the whole address block of the
//    first of changeLookups that knows the IK (its first 30 characters, the short name, are what
//    the name field keeps), or is emptied when none does, so that a replaced IK never keeps the
//    name of the office it replaced. With any other length the name edit is emptied and an office
//    row (one with a kind) hides the panel's address. Then, on an office row whose edit has the
//    focus and holds 9 characters, the address step; last, the row's afterChange.
//  - Enter: the colour rule (ui/edit_family.h); on an office row, the address step with the
//    enterLookups when the edit holds 9 characters, otherwise the address is hidden.
//  - The address step: the panel shows the address of the IK (IkEditPanel::showAddress); then,
//    when it did and the name edit is blank, the name edit receives the lookups' block for the
//    address's actual IK.
//  - Exit: the window colour. KeyDown: Return (13) moves the focus to `next`; when that is the
//    control of a row that cannot take the focus (hidden), on to that row's `next`.
//  - The picker button's click: IkEditPanel::pick with the row.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "costbearer/kosttr_reader.h"
#include "masterdata/stammdaten_pruefungen.h"
#include "ui/controls.h"
#include "ui/db_controls.h"

namespace riviza {

struct IkEditRow {
  ui::TCustomEdit* control;  // whose events fire
  ui::TDBEdit* ik;           // the IK edit they act on
  ui::TCustomEdit* name;     // shows the name of the IK
  std::string kind;          // "300", "302" or "105" for an office IK; empty: no address step
  std::vector<costbearer::Basis> changeLookups;  // tried in order on Change
  std::vector<costbearer::Basis> enterLookups;   // tried in order by the address step on Enter
  ui::TWinControl* next = nullptr;               // Return moves here; null: Return does nothing
  ui::TButton* picker = nullptr;                 // opens the address picker for this field
  std::string code;                              // the picker's selector code for this field
  std::function<void(const IkEditRow&)> afterChange = {};
};

// What the rows ask of the panel they sit on.
class IkEditPanel {
 public:
  virtual ~IkEditPanel() = default;
  // Shows the postal address of the office ik (of the row's kind), creating it when needed;
  // false when another address stays on screen instead.
  virtual bool showAddress(std::string_view ik, std::string_view kind) = 0;
  virtual void hideAddress() = 0;
  // The actual IK of the address shown, for the name of an office whose own IK the cost-bearer
  // files do not list.
  virtual std::string actualIk() const = 0;
  virtual void pick(const IkEditRow& row) = 0;
};

// Binds the rows' events; the panel must outlive the controls.
void installIkEdits(std::span<const IkEditRow> rows, IkEditPanel& panel);

}  // namespace riviza
