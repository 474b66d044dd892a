// Unreduce (zip layer); see the header.
#include "zip/kvoUnreduce.h"

#include <cassert>

#include "zip/kvoErrors.h"

namespace riviza::zip {
namespace {

constexpr unsigned kMaxFollowers = 32;
constexpr uint8_t kCopyMarker = 144;
constexpr size_t kWindow = 4096;

// Index bits for a follower set of n entries: 1 for up to 2, 2 for up to 4, ... 6 above 32.
unsigned indexBits(unsigned n) {
  unsigned bits = 1;
  while (bits < 6 && (1u << bits) < n) ++bits;
  return bits;
}

struct FollowerSets {
  uint8_t count[256];
  uint8_t bits[256];
  uint8_t follower[256][kMaxFollowers];
};

// Reads the sets; false at the end of the data or for a count above 32 (error recorded).
bool readFollowerSets(TFrameBitReader& in, TLegacyOutput& out, FollowerSets& sets) {
  for (int b = 255; b >= 0; --b) {
    uint32_t n;
    if (!in.read(6, n)) return false;
    if (n > kMaxFollowers) return out.fail(zipError(kZipBadBlock, "follower set larger than 32"));
    sets.count[b] = static_cast<uint8_t>(n);
    sets.bits[b] = static_cast<uint8_t>(indexBits(n));
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t f;
      if (!in.read(8, f)) return false;
      sets.follower[b][i] = static_cast<uint8_t>(f);
    }
  }
  return true;
}

// The next byte of the probabilistic stage; false at the end of the data.
bool nextByte(TFrameBitReader& in, const FollowerSets& sets, uint8_t last, uint8_t& byte) {
  uint32_t v;
  const unsigned n = sets.count[last];
  if (n != 0) {
    if (!in.read(1, v)) return false;
    if (v == 0) {
      if (!in.read(sets.bits[last], v)) return false;
      // An index past the set reads a zero byte, as the set's unused slots are.
      byte = v < n ? sets.follower[last][v] : 0;
      return true;
    }
  }
  if (!in.read(8, v)) return false;
  byte = static_cast<uint8_t>(v);
  return true;
}

}  // namespace

Status UnreduceEntry(TDecoderFrame& frame, unsigned factor) {
  assert(factor >= 1 && factor <= 4);
  TFrameBitReader in(frame);
  TLegacyOutput out(frame, kWindow);
  if (out.done()) return okStatus();
  auto sets = std::make_unique<FollowerSets>();
  if (!readFollowerSets(in, out, *sets)) return out.finish();

  const unsigned lengthMask = 0xFFu >> factor;
  enum class State { Plain, Marker, LongLength, Distance } state = State::Plain;
  uint8_t last = 0;
  unsigned first = 0;
  size_t length = 0;
  uint8_t c;
  while (out.ok() && !out.done() && nextByte(in, *sets, last, c)) {
    last = c;
    switch (state) {
      case State::Plain:
        if (c == kCopyMarker) {
          state = State::Marker;
        } else {
          out.put(c);
        }
        break;
      case State::Marker:
        if (c == 0) {
          out.put(kCopyMarker);
          state = State::Plain;
        } else {
          first = c;
          length = c & lengthMask;
          state = length == lengthMask ? State::LongLength : State::Distance;
        }
        break;
      case State::LongLength:
        length += c;
        state = State::Distance;
        break;
      case State::Distance: {
        const size_t distance = ((static_cast<size_t>(first) >> (8 - factor)) << 8) + c + 1;
        out.copy(distance, length + 3);
        state = State::Plain;
        break;
      }
    }
    if (frame.cancelled()) out.fail(zipError(kZipUserCanceled));
  }
  return out.finish();
}

}  // namespace riviza::zip
