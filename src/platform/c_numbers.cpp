// Numbers in the C library's own form for one scope of one thread (platform layer); see
// c_numbers.h.
#include "platform/c_numbers.h"

namespace riviza::platform {

// The thread's locale with LC_NUMERIC replaced; without memory for it nothing changes.
ScopedCNumbers::ScopedCNumbers() {
  locale_t current = duplocale(uselocale(static_cast<locale_t>(0)));
  numbers_ = current ? newlocale(LC_NUMERIC_MASK, "C", current) : static_cast<locale_t>(0);
  if (!numbers_ && current) freelocale(current);
  if (numbers_) previous_ = uselocale(numbers_);
}

ScopedCNumbers::~ScopedCNumbers() {
  if (!numbers_) return;
  uselocale(previous_);
  freelocale(numbers_);
}

}  // namespace riviza::platform
