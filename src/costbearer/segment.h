// Segment reading of the cost-bearer files (cost-bearer domain).
//
// A cost-bearer file holds one segment per text line. The first three bytes name the segment;
// data elements are separated by "+" and the segment ends with "'". Element 1 is the tag, element
// k the text between separator k-1 and separator k, the closing "'" counting as a separator; an
// element with no separator after it (text behind the last separator, or beyond it) is empty. The
// release character "?" shields a directly following "+" or "'" only where the caller asks for
// it (IDK and NAM); only the one byte before a separator is looked at, so "??+" still shields.
// Everything works on the file's bytes: elements are views into the line, never copies, and no
// byte value can make a routine read outside its input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace riviza::costbearer {

enum class Release { Honoured, Ignored };

// The elements of one segment line that are closed by a separator, in order (element 1 first).
class SegmentElements {
 public:
  SegmentElements(std::string_view line, Release release);
  // Element k (1-based); empty beyond the last separator.
  std::string_view operator[](size_t k) const {
    return k >= 1 && k <= elements_.size() ? elements_[k - 1] : std::string_view();
  }
  size_t count() const { return elements_.size(); }

 private:
  std::vector<std::string_view> elements_;
};

// The value with every release character "?" removed (short name and name 1 only).
std::string withoutRelease(std::string_view value);

// Splits a file's bytes into lines. CR LF, LF and a lone CR each end a line (the published files
// come with CR LF or with LF only); text after the last line end is a last line of its own.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view bytes) : rest_(bytes) {}
  // The next line without its line end; false at the end of the bytes.
  bool next(std::string_view& line);
  // 1-based number of the line last returned.
  size_t lineNumber() const { return lineNumber_; }
  // No line follows the one last returned.
  bool atEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
  size_t lineNumber_ = 0;
};

}  // namespace riviza::costbearer
