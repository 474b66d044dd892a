// Loading and indexing of an in-memory cost-bearer table; see kosttr_tabelle.h.
#include "costbearer/kosttr_tabelle.h"

#include <cassert>

#include "costbearer/column_text.h"
#include "costbearer/segment.h"

namespace riviza::costbearer {

void KosttrTabelle::clear() {
  entries_.clear();
  index_.clear();
  scanLength_ = 0;
  assertInvariants();
}

void KosttrTabelle::load(std::string_view workBytes, int scanLength) {
  clear();
  scanLength_ = scanLength > 0 ? static_cast<size_t>(scanLength) : 0;
  entries_.assign(scanLength_ + 2, std::string());
  LineSplitter lines(workBytes);
  std::string_view line;
  std::vector<std::string_view> stored;
  while (lines.next(line)) stored.push_back(line);
  if (!stored.empty() && platform::trimView(stored.back()).size() <= 9) stored.pop_back();
  // The running counter bounds the lines of a work file; a file that says otherwise is cut at
  // the table's size rather than read beyond it.
  if (stored.size() > entries_.size()) stored.resize(entries_.size());
  for (size_t i = 0; i < stored.size(); ++i) entries_[i] = std::string(stored[i]);
  // Empty entries are left out: no key a lookup builds is empty.
  for (size_t i = 0; i < scanLength_; ++i)
    if (!entries_[i].empty()) index_[std::string(keyOf(entries_[i]))].push_back(static_cast<uint32_t>(i));
  assertInvariants();
}

void KosttrTabelle::assertInvariants() const {
#ifndef NDEBUG
  assert(entries_.empty() ? scanLength_ == 0 : entries_.size() == scanLength_ + 2);
  for (const auto& [key, hits] : index_)
    for (size_t k = 0; k < hits.size(); ++k) {
      assert(hits[k] < scanLength_ && keyOf(entries_[hits[k]]) == key);
      assert(k == 0 || hits[k - 1] < hits[k]);
    }
#endif
}

const std::vector<uint32_t>* KosttrTabelle::indexed(std::string_view key) const {
  auto it = index_.find(std::string(key));
  return it == index_.end() ? nullptr : &it->second;
}

}  // namespace riviza::costbearer
