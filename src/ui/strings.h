// TStrings: the item list of combo boxes, list boxes, radio groups and file list boxes
// (user-interface layer).
//
// A plain ordered list of UTF-8 lines; when Sorted it keeps itself in case-insensitive order and
// add() inserts at the sorted place. The owning control listens through onChange, which fires
// once per change, or once at the outermost endUpdate() when changes were made inside a
// beginUpdate/endUpdate pair.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace riviza::ui {

class TStrings {
 public:
  int count() const { return static_cast<int>(lines_.size()); }
  bool empty() const { return lines_.empty(); }
  const std::string& operator[](int index) const { return lines_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& lines() const { return lines_; }

  // Appends (or inserts at the sorted place); returns the index.
  int add(std::string line);
  void insert(int index, std::string line);
  void remove(int index);  // Delete
  void clear();
  void assign(std::vector<std::string> lines);
  // Case-insensitive, like the framework's string lists; -1 when missing.
  int indexOf(std::string_view line) const;

  bool sorted() const { return sorted_; }
  void setSorted(bool sorted);

  void beginUpdate() { ++updating_; }
  void endUpdate();

  // The index of the first line that may have changed since the last call (0 on the first);
  // count() when nothing changed. The window mirrors a list from there on, so a log list that
  // grows by one line per record costs one new row each time, not a rebuild of all rows.
  int takeFirstChanged();

  std::function<void()> onChange;

 private:
  void changedFrom(int index);
  void changed();

  std::vector<std::string> lines_;
  bool sorted_ = false;
  int firstChanged_ = 0;
  int updating_ = 0;
  bool pending_ = false;
};

}  // namespace riviza::ui
