// Fixed-column single-byte text of the cost-bearer work files (cost-bearer domain).
//
// Work files and the lines of the in-memory cost-bearer tables are single-byte text: the bytes of
// the ISO-8859-1 cost-bearer files as they stand, which read as Windows-1252 on disk. Their
// columns count in that encoding, so everything here slices bytes; text leaves the format as UTF-8
// only through FixedColumns::text() and trimmed(). Columns are 1-based and inclusive, as the
// formats are documented; a range beyond the end is clamped like the Windows program's Copy and
// is never an error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/text.h"

namespace riviza::costbearer {

// Copy(s, first, count): 1-based, clamped to the text.
std::string_view copyBytes(std::string_view s, size_t first, size_t count);
// Columns first..last (1-based, inclusive), clamped.
inline std::string_view columns(std::string_view s, size_t first, size_t last) {
  return last < first ? std::string_view() : copyBytes(s, first, last - first + 1);
}
inline bool isBlank(std::string_view s) { return platform::trimView(s).empty(); }

// A run of work-file columns, kept in the file's single-byte encoding: an address block handed
// out by a lookup, or a whole work-file line. Callers pick fields by position and get UTF-8.
class FixedColumns {
 public:
  FixedColumns() = default;
  explicit FixedColumns(std::string bytes) : bytes_(std::move(bytes)) {}

  std::string_view bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  bool blank() const { return isBlank(bytes_); }

  // Positions first..last (1-based, inclusive, clamped) as UTF-8, as they stand / trimmed.
  std::string text(size_t first, size_t last) const;
  std::string trimmed(size_t first, size_t last) const;

  friend bool operator==(const FixedColumns&, const FixedColumns&) = default;

 private:
  std::string bytes_;
};

}  // namespace riviza::costbearer
