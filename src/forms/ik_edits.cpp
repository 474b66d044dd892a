// The IK edits' Change, Enter, Exit and KeyDown routines and their binding from the rows
// (form library, master-data editing); see ik_edits.h.
#include "forms/ik_edits.h"

#include <algorithm>
#include <memory>

#include "platform/text.h"
#include "ui/edit_family.h"

namespace riviza {
namespace {

bool isOffice(const IkEditRow& row) { return !row.kind.empty(); }

void addressStep(const IkEditRow& row, IkEditPanel& panel, std::span<const costbearer::Basis> lookups) {
  if (panel.showAddress(row.ik->text(), row.kind) && platform::trimView(row.name->text()).empty())
    row.name->setText(nameFromLookups(lookups, panel.actualIk()));
}

void ikChange(const IkEditRow& row, IkEditPanel& panel) {
  const bool full = isFullIk(row.ik->text());
  row.name->setText(full ? nameFromLookups(row.changeLookups, row.ik->text()) : std::string());
  if (!full && isOffice(row)) panel.hideAddress();
  if (full && isOffice(row) && row.ik->focused()) addressStep(row, panel, row.changeLookups);
  if (row.afterChange) row.afterChange(row);
}

void ikEnter(const IkEditRow& row, IkEditPanel& panel) {
  ui::colourRuleEnter(*row.ik);
  if (!isOffice(row)) return;
  if (isFullIk(row.ik->text()))
    addressStep(row, panel, row.enterLookups);
  else
    panel.hideAddress();
}

// Return: to the row's next control; one that cannot take the focus (DBEdit9, hidden for a §105
// cost bearer) is passed over along its own row, so the chain does not end in front of it.
void ikReturn(std::span<const IkEditRow> rows, const IkEditRow& row) {
  const IkEditRow* r = &row;
  for (size_t steps = 0; r && r->next && steps <= rows.size(); ++steps) {
    if (r->next->setFocus()) return;
    const auto from =
        std::find_if(rows.begin(), rows.end(), [r](const IkEditRow& x) { return x.control == r->next; });
    r = from == rows.end() ? nullptr : &*from;
  }
}

}  // namespace

void installIkEdits(std::span<const IkEditRow> rows, IkEditPanel& panel) {
  const auto all = std::make_shared<const std::vector<IkEditRow>>(rows.begin(), rows.end());
  for (const IkEditRow& r : *all) {
    const IkEditRow* row = &r;  // lives as long as `all`, which every handler holds
    IkEditPanel* p = &panel;
    row->control->OnChange = [all, row, p](ui::TComponent&) { ikChange(*row, *p); };
    row->control->OnEnter = [all, row, p](ui::TComponent&) { ikEnter(*row, *p); };
    row->control->OnExit = [all, row](ui::TComponent&) { ui::colourRuleExit(*row->ik); };
    row->control->OnKeyDown = [all, row](ui::TComponent&, std::uint16_t& key, ui::TShiftState) {
      if (key == ui::kKeyReturn) ikReturn(*all, *row);
    };
    if (row->picker) row->picker->OnClick = [all, row, p](ui::TComponent&) { p->pick(*row); };
  }
}

}  // namespace riviza
