// The IK edits' Change, Enter, Exit and KeyDown routines and their binding from the rows
// (form library, master-data editing); see ik_edits.h.
#include "masterdata/ik_edits.h"

#include <memory>

#include "masterdata/kosttr_auskunft.h"
#include "platform/codec.h"
#include "platform/text.h"
#include "ui/edit_family.h"

namespace riviza {
namespace {

bool isOffice(const IkEditRow& row) { return !row.kind.empty(); }

void addressStep(const IkEditRow& row, IkEditPanel& panel, std::span<const costbearer::Basis> lookups) {
  panel.showAddress(row.ik->text(), row.kind);
  if (platform::trimView(row.name->text()).empty())
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

}  // namespace

bool isFullIk(std::string_view text) { return platform::utf8Length(text) == 9; }

std::string nameFromLookups(std::span<const costbearer::Basis> lookups, std::string_view ik) {
  if (!isFullIk(ik)) return {};
  for (costbearer::Basis basis : lookups) {
    const costbearer::FixedColumns block = kosttrAuskunft().adresse(basis, ik);
    if (!block.blank()) return block.text(1, block.size());
  }
  return {};
}

void installIkEdits(std::span<const IkEditRow> rows, IkEditPanel& panel) {
  for (const IkEditRow& r : rows) {
    auto row = std::make_shared<const IkEditRow>(r);
    IkEditPanel* p = &panel;
    row->control->OnChange = [row, p](ui::TComponent&) { ikChange(*row, *p); };
    row->control->OnEnter = [row, p](ui::TComponent&) { ikEnter(*row, *p); };
    row->control->OnExit = [row](ui::TComponent&) { ui::colourRuleExit(*row->ik); };
    row->control->OnKeyDown = [row](ui::TComponent&, std::uint16_t& key, ui::TShiftState) {
      if (key == ui::kKeyReturn && row->next) row->next->setFocus();
    };
    if (row->picker) row->picker->OnClick = [row, p](ui::TComponent&) { p->pick(*row); };
  }
}

}  // namespace riviza
