// Numbers in the C library's own form for one scope of one thread (platform layer).
//
// Our code converts numbers without the process locale (clock.h's German formats, to_chars and
// from_chars). Some libraries print numbers with printf into formats that define "." as the
// decimal point (libxlsxwriter's workbook XML), and Qt sets the process locale from the
// environment: under a German one they would write "12,5". While a ScopedCNumbers lives, the
// calling thread's number formats are the C locale's; the process locale and every other
// thread stay as they are.
#pragma once

#include <locale.h>

namespace riviza::platform {

class ScopedCNumbers {
 public:
  ScopedCNumbers();
  ~ScopedCNumbers();
  ScopedCNumbers(const ScopedCNumbers&) = delete;
  ScopedCNumbers& operator=(const ScopedCNumbers&) = delete;

 private:
  locale_t numbers_;
  locale_t previous_ = nullptr;
};

}  // namespace riviza::platform
