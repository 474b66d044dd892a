// Unshrink (zip layer); see the header.
#include "zip/kvoUnshrink.h"

#include <memory>

#include "zip/kvoErrors.h"

namespace riviza::zip {
namespace {

constexpr unsigned kTableSize = 8192;
constexpr unsigned kEscape = 256;
constexpr unsigned kFirstFree = 257;
constexpr unsigned kMinBits = 9;
constexpr unsigned kMaxBits = 13;
constexpr uint16_t kFreeCode = 0xFFFF;

struct ShrinkTables {
  uint16_t parent[kTableSize];  // kFreeCode: the code is unassigned; codes below 256 are bytes
  uint8_t byte[kTableSize];
  uint8_t stack[kTableSize];
};

class Unshrinker {
 public:
  explicit Unshrinker(TDecoderFrame& frame) : frame_(frame), in_(frame), out_(frame, 0) {
    for (unsigned c = 0; c < kTableSize; ++c) t_->parent[c] = kFreeCode;
  }

  Status run();

 private:
  bool escape();
  void partialClear();
  bool emitString(unsigned code);
  void addString(uint8_t first);
  bool badBlock() { return out_.fail(zipError(kZipBadBlock)); }

  TDecoderFrame& frame_;
  TFrameBitReader in_;
  TLegacyOutput out_;
  std::unique_ptr<ShrinkTables> t_ = std::make_unique<ShrinkTables>();
  unsigned codeBits_ = kMinBits;
  unsigned previous_ = 0;
  unsigned nextFree_ = kFirstFree;  // no free code lies below it
};

Status Unshrinker::run() {
  if (out_.done()) return okStatus();
  uint32_t code;
  if (!in_.read(codeBits_, code) || code > 255) {
    badBlock();
    return out_.finish();
  }
  previous_ = code;
  out_.put(static_cast<uint8_t>(code));
  while (out_.ok() && !out_.done()) {
    if (frame_.cancelled()) {
      out_.fail(zipError(kZipUserCanceled));
      break;
    }
    if (!in_.read(codeBits_, code)) break;  // the end of the data ends the entry
    if (code == kEscape) {
      if (!escape()) break;
      continue;
    }
    emitString(code);
  }
  return out_.finish();
}

// The escape's second code; false when decoding ends (end of data or bad block).
bool Unshrinker::escape() {
  uint32_t what;
  if (!in_.read(codeBits_, what)) return false;
  if (what == 1 && codeBits_ < kMaxBits) {
    ++codeBits_;
    return true;
  }
  if (what == 2) {
    partialClear();
    return true;
  }
  return badBlock();
}

void Unshrinker::partialClear() {
  bool isParent[kTableSize] = {};
  for (unsigned c = kFirstFree; c < kTableSize; ++c)
    if (t_->parent[c] != kFreeCode) isParent[t_->parent[c]] = true;
  for (unsigned c = kFirstFree; c < kTableSize; ++c)
    if (!isParent[c]) t_->parent[c] = kFreeCode;
  nextFree_ = kFirstFree;
}

// Writes the string of `code` (gathered backwards through its parents on the stack), then gives
// the previous string plus this one's first byte the next free code.
bool Unshrinker::emitString(unsigned code) {
  uint8_t* const stack = t_->stack;
  unsigned depth = 0;
  const bool unknown = code >= kFirstFree && t_->parent[code] == kFreeCode;
  unsigned c = unknown ? previous_ : code;
  while (c >= kFirstFree) {
    if (t_->parent[c] == kFreeCode) return badBlock();
    if (depth == kTableSize - 1) {
      static_cast<void>(out_.finish());  // the output so far is written before the overflow is reported
      return out_.fail(zipError(kZipStackOverflow));
    }
    stack[depth++] = t_->byte[c];
    c = t_->parent[c];
  }
  stack[depth++] = static_cast<uint8_t>(c);
  const uint8_t first = static_cast<uint8_t>(c);
  while (depth > 0)
    if (!out_.put(stack[--depth])) return false;
  if (unknown && !out_.put(first)) return false;
  addString(first);
  previous_ = code;
  return true;
}

void Unshrinker::addString(uint8_t first) {
  while (nextFree_ < kTableSize && t_->parent[nextFree_] != kFreeCode) ++nextFree_;
  if (nextFree_ == kTableSize) return;
  t_->parent[nextFree_] = static_cast<uint16_t>(previous_);
  t_->byte[nextFree_] = first;
  ++nextFree_;
}

}  // namespace

Status UnshrinkEntry(TDecoderFrame& frame) { return Unshrinker(frame).run(); }

}  // namespace riviza::zip
