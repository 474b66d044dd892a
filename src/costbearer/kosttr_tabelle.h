// The in-memory cost-bearer table of one reader (cost-bearer domain).
//
// A table holds the lines of its work file (single-byte text, without line ends) in file order
// from entry 0, and a scan length n, the reader's final running counter. It has n + 2 entries;
// those after the last stored line are empty, and entries at n and beyond are never looked at
// (the counter also counts link lines that went to the log, so n can exceed the stored lines).
// Before the first load, and after a failed run, the table is empty and n is 0.
//
// The key of an entry is its first 12 bytes. Besides the scan, the table keeps an index from
// each key to its entries below n in ascending order; lookups walk either, and the two answer
// the same by construction of the walks below (a differential test holds them to it).
//
//   empty --load()--> loaded --load()/clear()--> loaded/empty
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "costbearer/work_lines.h"

namespace riviza::costbearer {

enum class Search { Index, Scan };

class KosttrTabelle {
 public:
  // Replaces the contents with the lines of a work file's bytes (CR LF) and the scan length. A
  // last line is kept only when its trimmed length exceeds 9 bytes.
  void load(std::string_view workBytes, int scanLength);
  void clear();

  size_t scanLength() const { return scanLength_; }
  size_t size() const { return entries_.size(); }
  std::string_view entry(size_t i) const { return entries_[i]; }

  // How the lookups walk this table (the index unless a test asks for the scan).
  Search search() const { return search_; }
  void setSearch(Search how) { search_ = how; }

  // Calls f(entry) for each entry below the scan length whose key equals `key`, in table order,
  // until f returns false.
  template <class F>
  void forEachWithKey(std::string_view key, F&& f) const;

  // Calls f(entry) for the first block of `key`: the first entry with the key and those directly
  // after it with the same key. Returns whether the block exists.
  template <class F>
  bool forFirstBlock(std::string_view key, F&& f) const;

  // Debug check: n + 2 entries (none when empty), every indexed entry below n under its key.
  void assertInvariants() const;

 private:
  static std::string_view keyOf(std::string_view entry) { return entry.substr(0, kKeyWidth); }
  const std::vector<uint32_t>* indexed(std::string_view key) const;

  std::vector<std::string> entries_;
  size_t scanLength_ = 0;
  std::unordered_map<std::string, std::vector<uint32_t>> index_;
  Search search_ = Search::Index;
};

template <class F>
void KosttrTabelle::forEachWithKey(std::string_view key, F&& f) const {
  if (search_ == Search::Scan) {
    for (size_t i = 0; i < scanLength_; ++i)
      if (keyOf(entries_[i]) == key && !f(std::string_view(entries_[i]))) return;
    return;
  }
  if (const auto* hits = indexed(key))
    for (uint32_t i : *hits)
      if (!f(std::string_view(entries_[i]))) return;
}

template <class F>
bool KosttrTabelle::forFirstBlock(std::string_view key, F&& f) const {
  if (search_ == Search::Scan) {
    bool inBlock = false;
    for (size_t i = 0; i < scanLength_; ++i) {
      if (keyOf(entries_[i]) == key) {
        inBlock = true;
        f(std::string_view(entries_[i]));
      } else if (inBlock) {
        break;
      }
    }
    return inBlock;
  }
  const auto* hits = indexed(key);
  if (!hits) return false;
  uint32_t expected = hits->front();
  for (uint32_t i : *hits) {
    if (i != expected) break;
    f(std::string_view(entries_[i]));
    ++expected;
  }
  return true;
}

}  // namespace riviza::costbearer
