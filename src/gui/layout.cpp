// Rows and columns of a container's widgets by kind and order (Qt layer); see layout.h.
#include "gui/layout.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "gui/bindings.h"
#include "gui/form_view.h"
#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/lists.h"

namespace riviza::gui {
namespace {

struct Placed {
  ui::TControl* control;
  QWidget* widget;
};

struct Row {
  QWidget* label = nullptr;
  QWidget* input = nullptr;
  QWidget* extra = nullptr;
  QWidget* whole = nullptr;  // a control with a row of its own
  bool stretch = false;
  bool hidden = false;  // every control hidden at layout time: no height when columns are balanced
};

bool isInput(const ui::TControl* c) {
  return dynamic_cast<const ui::TCustomEdit*>(c) || dynamic_cast<const ui::TComboBox*>(c) ||
         dynamic_cast<const ui::TDateTimePicker*>(c);
}

bool takesSpareHeight(const ui::TControl* c) {
  return dynamic_cast<const ui::TPageControl*>(c) || dynamic_cast<const ui::TListBox*>(c);
}

std::vector<Row> formRows(const std::vector<Placed>& placed) {
  std::vector<Row> rows;
  for (size_t i = 0; i < placed.size(); ++i) {
    const ui::TControl* c = placed[i].control;
    const auto at = [&](size_t k) { return k < placed.size() ? placed[k].control : nullptr; };
    bool shown = false;
    const auto take = [&](size_t k) {
      shown = shown || placed[k].control->visible();
      return placed[k].widget;
    };
    Row row;
    if (dynamic_cast<const ui::TLabel*>(c) && isInput(at(i + 1))) {
      row.label = take(i);
      row.input = take(++i);
    } else if (isInput(c)) {
      row.input = take(i);
    } else {
      row.whole = take(i);
      row.stretch = takesSpareHeight(c);
    }
    if (row.input && dynamic_cast<const ui::TSpeedButton*>(at(i + 1))) row.extra = take(++i);
    row.hidden = !shown;
    rows.push_back(row);
  }
  return rows;
}

int heightOf(const Row& row) {
  if (row.hidden) return 0;
  int h = 0;
  for (const QWidget* w : {row.label, row.input, row.extra, row.whole})
    if (w) h = std::max(h, w->sizeHint().height());
  return h;
}

// The first row of each column: rows keep their order, and a column ends once it holds its share
// of the height, so that tall group boxes do not pile up in one column while another stays short
// (splitting by the number of rows did that, hidden rows counting as full ones).
std::vector<size_t> columnStarts(const std::vector<Row>& rows, int columns) {
  std::vector<int> heights;  // each widget's size hint is worked out once
  int total = 0;
  for (const Row& row : rows) total += heights.emplace_back(heightOf(row));
  std::vector<size_t> starts{0};
  int filled = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    const int h = heights[r];
    const int share = total * static_cast<int>(starts.size()) / columns;
    // A row that would reach past this column's share begins the next column, when the column
    // already holds something and that lands nearer the share.
    if (static_cast<int>(starts.size()) < columns && r > starts.back() && filled + h > share &&
        share - filled < filled + h - share)
      starts.push_back(r);
    filled += h;
  }
  return starts;
}

// Each column is a grid of its own (label, input, button), so columns keep their own heights.
void arrangeColumns(const ui::TWinControl& container, QWidget* content, const std::vector<Placed>& placed) {
  const std::vector<Row> rows = formRows(placed);
  const int columns = std::max(1, container.layoutColumns());
  const std::vector<size_t> starts = columnStarts(rows, columns);
  auto* outer = new QHBoxLayout(content);
  for (size_t c = 0; c < starts.size(); ++c) {
    const size_t first = starts[c];
    const size_t end = c + 1 < starts.size() ? starts[c + 1] : rows.size();
    auto* grid = new QGridLayout();
    outer->addLayout(grid, 1);
    bool anyStretch = false;
    for (size_t r = first; r < end; ++r) {
      const Row& row = rows[r];
      const int at = static_cast<int>(r - first);
      if (row.whole) grid->addWidget(row.whole, at, 0, 1, 3);
      if (row.label) grid->addWidget(row.label, at, 0);
      if (row.input) grid->addWidget(row.input, at, 1, 1, row.extra ? 1 : 2);
      if (row.extra) grid->addWidget(row.extra, at, 2);
      // A list hidden at layout time (the cost-bearer file lists) takes no spare height: it would
      // leave a gap below the visible ones instead of the bottom row at the bottom.
      const bool stretch = row.stretch && !row.hidden;
      if (stretch) grid->setRowStretch(at, 1);
      anyStretch = anyStretch || stretch;
    }
    grid->setColumnStretch(1, 1);
    if (!anyStretch) grid->setRowStretch(static_cast<int>(end - first), 1);
  }
  // Columns after the last filled one keep their share of the width.
  for (int c = static_cast<int>(starts.size()); c < columns; ++c) outer->addStretch(1);
}

// An edit made for a short code (an IK, a number of days): MaxLength of a few characters.
constexpr int kShortInputChars = 12;
int shortInputChars(const ui::TControl* c) {
  const auto* edit = dynamic_cast<const ui::TCustomEdit*>(c);
  return edit && edit->maxLength() > 0 && edit->maxLength() <= kShortInputChars ? edit->maxLength() : 0;
}

// A row of labels alone is a header: its labels share the width as the inputs below them do.
// Short inputs keep their width, the other inputs share the rest.
void arrangeRow(QWidget* content, const std::vector<Placed>& placed) {
  auto* box = new QHBoxLayout(content);
  box->setContentsMargins(2, 2, 2, 2);
  const bool header = std::all_of(placed.begin(), placed.end(),
                                  [](const Placed& p) { return dynamic_cast<ui::TLabel*>(p.control); });
  const bool anyInput =
      std::any_of(placed.begin(), placed.end(), [](const Placed& p) { return isInput(p.control); });
  const QFontMetrics metrics = content->fontMetrics();
  for (const Placed& p : placed) {
    if (!header && &p == &placed.front() && dynamic_cast<ui::TLabel*>(p.control))
      p.widget->setMinimumWidth(16 * metrics.averageCharWidth());
    if (const int chars = header ? 0 : shortInputChars(p.control)) {
      p.widget->setFixedWidth(metrics.horizontalAdvance(QString(chars + 2, QLatin1Char('0'))) + 8);
      box->addWidget(p.widget, 0);
      continue;
    }
    box->addWidget(p.widget, header || isInput(p.control) ? 1 : 0);
  }
  if (!header && !anyInput) box->addStretch(1);
}

}  // namespace

void buildChildren(FormView& view, ui::TWinControl& container, Binding& containerBinding) {
  QWidget* content = containerBinding.content() ? containerBinding.content() : containerBinding.widget();
  const bool pages = dynamic_cast<ui::TPageControl*>(&container) != nullptr;
  std::vector<Placed> placed;
  for (ui::TControl* child : container.controls()) {
    auto owned = makeBinding(view, *child, content);
    Binding& binding = *owned;
    view.adopt(std::move(owned));
    if (auto* w = dynamic_cast<ui::TWinControl*>(child); w && !w->controls().empty())
      buildChildren(view, *w, binding);
    if (pages)
      containerBinding.addPage(binding);
    else
      placed.push_back({child, binding.widget()});
    binding.refreshAll();
  }
  if (pages || placed.empty()) return;
  if (container.layoutRow())
    arrangeRow(content, placed);
  else
    arrangeColumns(container, content, placed);
}

}  // namespace riviza::gui
