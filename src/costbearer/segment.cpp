// Segment and line splitting of the cost-bearer files; see segment.h.
#include "costbearer/segment.h"

namespace riviza::costbearer {

SegmentElements::SegmentElements(std::string_view line, Release release) {
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c != '+' && c != '\'') continue;
    if (release == Release::Honoured && i > 0 && line[i - 1] == '?') continue;
    elements_.push_back(line.substr(start, i - start));
    start = i + 1;
  }
}

std::string withoutRelease(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value)
    if (c != '?') out += c;
  return out;
}

bool LineSplitter::next(std::string_view& line) {
  if (rest_.empty()) return false;
  size_t end = rest_.find_first_of("\r\n");
  ++lineNumber_;
  if (end == std::string_view::npos) {
    line = rest_;
    rest_ = {};
    return true;
  }
  line = rest_.substr(0, end);
  size_t skip = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n' ? 2 : 1;
  rest_.remove_prefix(end + skip);
  return true;
}

}  // namespace riviza::costbearer
