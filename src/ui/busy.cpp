// The hourglass, waiting label and running count of a long operation (user-interface layer);
// see busy.h.
#include "ui/busy.h"

#include "platform/pump.h"

namespace riviza::ui {

LongOperation::LongOperation(TForm& form, TControl* waiting, TControl* counter,
                             const std::string& counterText)
    : form_(form), waiting_(waiting), counter_(counter) {
  form_.setCursor(TCursor::crHourGlass);
  if (waiting_) waiting_->setVisible(true);
  if (counter_) {
    counter_->setCaption(counterText);
    counter_->setVisible(true);
  }
  platform::processMessages();
}

LongOperation::~LongOperation() {
  if (waiting_) waiting_->setVisible(false);
  if (counter_) counter_->setVisible(false);
  form_.setCursor(TCursor::crDefault);
}

void LongOperation::step(long count) { show(std::to_string(count)); }

void LongOperation::show(const std::string& text) {
  if (counter_) counter_->setCaption(text);
  platform::processMessages();
}

}  // namespace riviza::ui
