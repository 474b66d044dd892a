// The item list of the list controls (user-interface layer); see strings.h.
#include "ui/strings.h"

#include <algorithm>
#include <utility>

#include "platform/codec.h"

namespace riviza::ui {
namespace {

bool lessIgnoreCase(const std::string& a, const std::string& b) {
  return platform::foldCase(a) < platform::foldCase(b);
}

}  // namespace

int TStrings::add(std::string line) {
  auto at = lines_.end();
  if (sorted_) at = std::upper_bound(lines_.begin(), lines_.end(), line, lessIgnoreCase);
  const int index = static_cast<int>(at - lines_.begin());
  lines_.insert(at, std::move(line));
  changedFrom(index);
  return index;
}

void TStrings::insert(int index, std::string line) {
  index = std::clamp(index, 0, count());
  lines_.insert(lines_.begin() + index, std::move(line));
  changedFrom(index);
}

void TStrings::remove(int index) {
  if (index < 0 || index >= count()) return;
  lines_.erase(lines_.begin() + index);
  changedFrom(index);
}

void TStrings::clear() {
  if (lines_.empty()) return;
  lines_.clear();
  changedFrom(0);
}

void TStrings::assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  if (sorted_) std::stable_sort(lines_.begin(), lines_.end(), lessIgnoreCase);
  changedFrom(0);
}

int TStrings::indexOf(std::string_view line) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (platform::equalsIgnoreCase(lines_[i], line)) return static_cast<int>(i);
  return -1;
}

void TStrings::setSorted(bool sorted) {
  if (sorted_ == sorted) return;
  sorted_ = sorted;
  if (sorted_) {
    std::stable_sort(lines_.begin(), lines_.end(), lessIgnoreCase);
    changedFrom(0);
  }
}

void TStrings::endUpdate() {
  if (updating_ > 0 && --updating_ == 0 && pending_) {
    pending_ = false;
    if (onChange) onChange();
  }
}

int TStrings::takeFirstChanged() { return std::exchange(firstChanged_, count()); }

void TStrings::changedFrom(int index) {
  firstChanged_ = std::min(firstChanged_, index);
  changed();
}

void TStrings::changed() {
  if (updating_ > 0) {
    pending_ = true;
    return;
  }
  if (onChange) onChange();
}

}  // namespace riviza::ui
