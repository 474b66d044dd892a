// The display of a long operation (user-interface layer).
//
// While a long loop runs on the main thread the form shows the hourglass and its waiting label
// ("Verarbeitung läuft ..."), a second label shows the running count, and after every step the
// pump lets pending messages run, so the window repaints the count and stays responsive. The
// display ends with the scope, also when the work ends by an exception, so no waiting label or
// hourglass is left behind.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/form.h"

namespace riviza::ui {

class LongOperation {
 public:
  // The counter starts with `counterText`; the window repaints once before the work begins.
  LongOperation(TForm& form, TControl* waiting, TControl* counter = nullptr,
                const std::string& counterText = "");
  ~LongOperation();
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

  // Shows the count and lets pending messages run.
  void step(long count);
  // Shows a text in the counter label (the IK of the line being read, ...) and pumps.
  void show(const std::string& text);

 private:
  TForm& form_;
  TControl* waiting_;
  TControl* counter_;
};

}  // namespace riviza::ui
