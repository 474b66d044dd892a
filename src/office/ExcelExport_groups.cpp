// The group stage of TExcelExport::ExportDataset: a header row inserted above each run of
// records with equal values of a group field, outermost field first, and the runs grouped as
// outline levels (office layer).
//
// A level's column is its field's column among the exported columns (the Windows component
// counted among all fields, so a hidden or Blob field before it put the group values into the
// wrong column); a group field that is not exported writes its value into the first data
// column and clears nothing there. A blank line of GroupFields is a level without field: it
// never changes, and its single group is neither outlined nor formatted.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "office/ExcelExport.h"
#include "office/ExcelExport_source.h"
#include "platform/text.h"

namespace riviza {

struct TExcelExport::GroupLevel {
  std::optional<int> field;  // index in the source; none for a blank line
  int column = 0;
  bool clearable = false;  // the field's own column holds the repeated values
  std::string last;
  std::vector<std::pair<int, int>> groups;  // header row, last row
};

std::vector<TExcelExport::GroupLevel> TExcelExport::groupLevels(ExportSource& source) const {
  std::vector<GroupLevel> levels(static_cast<size_t>(groupFields_.count()));
  for (int i = 0; i < groupFields_.count(); ++i) {
    GroupLevel& level = levels[static_cast<size_t>(i)];
    const std::string name = platform::trim(groupFields_[i]);
    if (DataPipe == dpCustom) {
      level.field = i;
    } else if (!name.empty()) {
      level.field = source.indexOf(name);
      if (!level.field) throw EExcelExport("Feld '" + name + "' nicht gefunden");
    }
    const int column = level.field ? columnOfField(*level.field) : 0;
    level.column = column ? column : beginColumnData_;
    level.clearable = column != 0;
  }
  return levels;
}

// Walks the records once: where the value of a level changes, that level and every inner one
// close their group and open the next with a header row inserted above the record.
void TExcelExport::insertGroupRows(ExportSource& source, std::vector<GroupLevel>& levels) {
  const int k = static_cast<int>(levels.size());
  auto held = source.hold();
  source.first();
  auto valueOf = [&](const GroupLevel& level) {
    return level.field ? source.text(*level.field) : std::string();
  };
  auto open = [&](GroupLevel& level, int row) {
    throwOnFailure(cell(row, level.column).insertRows());
    throwOnFailure(cell(row, level.column).setValue(level.last));
    level.groups.emplace_back(row, 0);
  };

  int r = beginRowData_;
  for (GroupLevel& level : levels) {
    level.last = valueOf(level);
    open(level, r++);
  }
  for (; !source.eof(); source.next()) {
    int changed = 0;
    while (changed < k &&
           valueOf(levels[static_cast<size_t>(changed)]) == levels[static_cast<size_t>(changed)].last)
      ++changed;
    for (int j = changed; j < k; ++j) {
      GroupLevel& level = levels[static_cast<size_t>(j)];
      level.last = valueOf(level);
      level.groups.back().second = r - 1;
      open(level, r + (j - changed));
    }
    r += k - changed + 1;
  }
  footerRow_ = r + 1;
  for (GroupLevel& level : levels) level.groups.back().second = r - 1;
}

// Clears, outlines and formats each level's groups, the group font shrinking level by level.
void TExcelExport::formatGroups(const std::vector<GroupLevel>& levels) {
  const int rowEnd = lastExportColumn();
  for (size_t i = 0; i < levels.size(); ++i) {
    const GroupLevel& level = levels[i];
    if (platform::trim(groupFields_[static_cast<int>(i)]).empty()) continue;
    for (const auto& [s, e] : level.groups) {
      if (s + 1 <= e) {
        if (GroupOptions.ClearContents && level.clearable)
          throwOnFailure(range(s + 1, level.column, e, level.column).clearContents());
        throwOnFailure(range(s + 1, level.column, e, level.column).groupRows());
      }
      const int end = GroupOptions.BorderRange == bsRow ? std::max(rowEnd, level.column) : level.column;
      (void)formatRange(fontGroup_, BorderGroup, s, level.column, s, end, false);  // failures are ignored
    }
    fontGroup_.Size -= GroupOptions.IntervalFontSize;
  }
}

void TExcelExport::writeGroups(ExportSource& source) {
  if (groupFields_.count() == 0 || recordCount_ == 0) return;
  std::vector<GroupLevel> levels = groupLevels(source);
  throwOnFailure(worksheet_->setSummaryRow(office::xlSummaryAbove));
  throwOnFailure(worksheet_->setSummaryColumn(office::xlRight));
  insertGroupRows(source, levels);
  formatGroups(levels);
}

}  // namespace riviza
