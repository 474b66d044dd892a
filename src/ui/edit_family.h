// The rules the master-data edits share: the colour of an empty edit while it has the focus,
// the Return chain from edit to edit, and the digit filter (user-interface layer).
//
// The forms repeat these per edit (Enter, Exit, KeyDown and KeyPress handlers of every field);
// here they are one table and one routine. A row names the control whose events fire, the edit
// the colour rule paints (handlers shared by several edits act on the edit they name, not on
// the one that fired), and the control Return moves to.
#pragma once

#include <span>

#include "ui/component.h"
#include "ui/controls.h"

namespace riviza::ui {

// The colour of an empty edit while it holds the focus (12639424).
inline constexpr TColor kColorEmptyEntered = 0xC0DCC0;

// Enter: an empty edit turns kColorEmptyEntered. Exit: the window colour returns.
void colourRuleEnter(TCustomEdit& edit);
void colourRuleExit(TCustomEdit& edit);

struct EditChainRow {
  TWinControl* control;   // the control whose events fire
  TCustomEdit* coloured;  // the edit the colour rule paints; null: no colour rule
  TWinControl* next;      // where Return (13) moves the focus; null: Return does nothing
};

// Binds OnEnter, OnExit and OnKeyDown of every row's control.
void installEditChain(std::span<const EditChainRow> rows);

// For OnKeyPress: backspace, Delete and the digits "0" to "9" pass, every other key is swallowed.
void keepDigitsOnly(char32_t& key);

}  // namespace riviza::ui
