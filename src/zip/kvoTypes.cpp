// Membership tests of the archive types (zip layer): fixed sets over TArcType ordinals.
#include "zip/kvoTypes.h"

namespace riviza::zip {
namespace {

constexpr uint64_t setOf(std::initializer_list<TArcType> types) {
  uint64_t bits = 0;
  for (auto t : types) bits |= uint64_t{1} << t;
  return bits;
}

constexpr uint64_t kZipFamily = setOf({atZip, atZipExe, atZipDS, atZipMV});
constexpr uint64_t kNotKnown = setOf({atNA, atUnsupported, atFileOpenErr, atUnknown});

}  // namespace

bool IsZipFamily(TArcType type) { return type < 64 && ((kZipFamily >> type) & 1); }

bool IsKnownArcType(TArcType type) { return type <= atZoo && !((kNotKnown >> type) & 1); }

}  // namespace riviza::zip
