// Formatting of work-file lines; the layouts are documented in work_lines.h.
#include "costbearer/work_lines.h"

#include <algorithm>

#include "costbearer/column_text.h"
#include "costbearer/segment.h"
#include "platform/text.h"

namespace riviza::costbearer {
namespace {

// Places `value` at `col` of a line prepared with blanks.
void place(std::string& line, Column col, std::string_view value) {
  value = value.substr(0, col.width);
  line.replace(col.first - 1, value.size(), value);
}

}  // namespace

std::string formatMainLine(MainLineValues values, int counter) {
  // The values are views: the digits must outlive the line's assembly.
  const std::string digits = platform::zeroPadded(std::clamp(counter, 0, kCounterMax), 5);
  values[MainField::LineType] = "01";
  values[MainField::Counter] = digits;
  std::string line(kMainLineWidth, ' ');
  for (size_t i = 0; i < kMainColumns.size(); ++i) place(line, kMainColumns[i], values.field[i]);
  return line;
}

std::string formatLinkLine(std::string_view ik, std::string_view type, std::string_view segmentLine) {
  SegmentElements elements(segmentLine, Release::Ignored);
  std::string line(kLinkLineWidth, ' ');
  place(line, kLinkIk, ik);
  place(line, kLinkType, type);
  place(line, kLinkPartner, copyBytes(segmentLine, 8, 9));
  for (const LinkElement& e : kLinkElements) place(line, e.column, elements[e.element]);
  return line;
}

}  // namespace riviza::costbearer
