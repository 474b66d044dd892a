// The colour rule, the Return chain and the digit filter of the master-data edits
// (user-interface layer); see edit_family.h.
#include "ui/edit_family.h"

namespace riviza::ui {

void colourRuleEnter(TCustomEdit& edit) {
  if (edit.text().empty()) edit.setColor(kColorEmptyEntered);
}

void colourRuleExit(TCustomEdit& edit) { edit.setColor(clWindow); }

void installEditChain(std::span<const EditChainRow> rows) {
  for (const EditChainRow& row : rows) {
    if (TCustomEdit* coloured = row.coloured) {
      row.control->OnEnter = [coloured](TComponent&) { colourRuleEnter(*coloured); };
      row.control->OnExit = [coloured](TComponent&) { colourRuleExit(*coloured); };
    }
    if (TWinControl* next = row.next) {
      row.control->OnKeyDown = [next](TComponent&, std::uint16_t& key, TShiftState) {
        if (key == kKeyReturn) next->setFocus();
      };
    }
  }
}

void keepDigitsOnly(char32_t& key) {
  if (key != kKeyBack && key != kCharDelete && (key < U'0' || key > U'9')) key = 0;
}

}  // namespace riviza::ui
