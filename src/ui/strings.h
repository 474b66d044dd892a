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

  std::function<void()> onChange;

 private:
  void changed();

  std::vector<std::string> lines_;
  bool sorted_ = false;
  int updating_ = 0;
  bool pending_ = false;
};

}  // namespace riviza::ui
