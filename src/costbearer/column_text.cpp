// Byte slicing of work-file text; see column_text.h.
#include "costbearer/column_text.h"

#include "platform/codec.h"

namespace riviza::costbearer {

std::string_view copyBytes(std::string_view s, size_t first, size_t count) {
  if (first < 1) first = 1;
  if (first > s.size()) return {};
  return s.substr(first - 1, count);
}

std::string FixedColumns::text(size_t first, size_t last) const {
  return platform::toUtf8(columns(bytes_, first, last), platform::CodePage::Windows1252);
}

std::string FixedColumns::trimmed(size_t first, size_t last) const {
  return platform::toUtf8(platform::trimView(columns(bytes_, first, last)), platform::CodePage::Windows1252);
}

}  // namespace riviza::costbearer
