// Labels, buttons, edits, check boxes, date picker, progress bar and timer (user-interface
// layer); see controls.h.
#include "ui/controls.h"

#include "platform/codec.h"
#include "ui/design.h"

namespace riviza::ui {
namespace {

void eraseLastCharacter(std::string& s) {
  if (s.empty()) return;
  size_t cut = s.size() - 1;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  s.erase(cut);
}

}  // namespace

void TLabel::applyDesign(const Design& design) {
  TControl::applyDesign(design);
  fontColor_ = design.fontColor;
  bold_ = design.bold;
}

void TImage::applyDesign(const Design& design) {
  TControl::applyDesign(design);
  picture_ = design.picture;
}

void TButton::click() {
  if (OnClick) OnClick(*this);
}

bool TButton::userClick() {
  const auto action = reachForAction();
  if (!action) return false;
  click();
  return true;
}

// ---------------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent) {
  color_ = clWindow;
}

void TCustomEdit::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  notify(Prop::Text);
  textChanged();
  if (OnChange) OnChange(*this);
}

void TCustomEdit::setReadOnly(bool r) { assign(readOnly_, r, Prop::ReadOnly); }

void TCustomEdit::setMaxLength(int n) { assign(maxLength_, n, Prop::MaxLength); }

bool TCustomEdit::prepareModify() { return !readOnly_; }

bool TCustomEdit::userKey(char32_t ch, TShiftState shift) {
  const auto action = reachForAction();
  if (!action) return false;
  // Characters without a key code of their own (umlauts, punctuation) come as key presses only.
  if (std::uint16_t key = virtualKeyOf(ch); key != 0 && !keyDown(key, shift)) return false;
  if (!keyPress(ch)) return false;
  return applyKey(ch);
}

bool TCustomEdit::applyKey(char32_t ch) {
  // Tab, Return, Escape and the other controls; Delete finds nothing after the end of the text.
  if ((ch < U' ' && ch != kKeyBack) || ch == kCharDelete) return false;
  if (!prepareModify()) return false;
  std::string next = text_;
  if (ch == kKeyBack) {
    if (next.empty()) return false;
    eraseLastCharacter(next);
  } else {
    if (maxLength_ > 0 && platform::utf8Length(next) >= static_cast<size_t>(maxLength_)) return false;
    platform::appendUtf8(next, ch);
  }
  setText(std::move(next));
  return true;
}

void TCustomEdit::userType(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) userKey(platform::nextCodePoint(utf8, pos));
}

bool TCustomEdit::userEditText(std::string text) {
  const auto action = reachForAction();
  if (!action) return false;
  return applyText(std::move(text));
}

bool TCustomEdit::applyText(std::string text) {
  if (text == text_) return true;
  if (!prepareModify()) return false;
  setText(std::move(text));
  return true;
}

bool TCustomEdit::userInsertText(std::string text) {
  const auto action = reachForAction();
  if (!action) return false;
  // The insertion is what lies between the part both texts begin with and the part both end
  // with (a selection the paste replaced is simply gone).
  size_t head = 0;
  while (head < text.size() && head < text_.size() && text[head] == text_[head]) ++head;
  while (head > 0 && head < text.size() && (static_cast<unsigned char>(text[head]) & 0xC0) == 0x80) --head;
  size_t tail = 0;
  while (tail < text.size() - head && tail < text_.size() - head &&
         text[text.size() - 1 - tail] == text_[text_.size() - 1 - tail])
    ++tail;
  while (tail > 0 && (static_cast<unsigned char>(text[text.size() - tail]) & 0xC0) == 0x80) --tail;
  const std::string_view inserted(text.data() + head, text.size() - head - tail);
  std::string kept = text.substr(0, head);
  size_t room = maxLength_ > 0 ? static_cast<size_t>(maxLength_) : SIZE_MAX;
  const size_t fixed = platform::utf8Length(kept) + platform::utf8Length(text.substr(text.size() - tail));
  room = room > fixed ? room - fixed : 0;
  size_t pos = 0;
  while (pos < inserted.size()) {
    char32_t ch = platform::nextCodePoint(inserted, pos);
    if (ch < U' ') continue;  // line breaks and other controls of a pasted text
    if (!keyPress(ch) || ch < U' ' || room == 0) continue;
    platform::appendUtf8(kept, ch);
    --room;
  }
  kept += text.substr(text.size() - tail);
  return applyText(std::move(kept));
}

void TCustomEdit::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  text_ = design.caption;
  setCaption("");
  readOnly_ = design.readOnly;
  maxLength_ = design.maxLength;
  password_ = design.password;
}

// ---------------------------------------------------------------------------------------------

void TCheckBox::setState(TCheckBoxState s) { assign(state_, s, Prop::Checked); }

bool TCheckBox::userClick() {
  const auto action = reachForAction();
  if (!action || !prepareModify()) return false;
  setChecked(!checked());
  userChangedState();
  if (OnClick) OnClick(*this);
  return true;
}

void TCheckBox::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  state_ = design.checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked;
}

// ---------------------------------------------------------------------------------------------

TDateTimePicker::TDateTimePicker(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent), date_(platform::today()) {}

void TDateTimePicker::setDate(const platform::DateTime& d) { assign(date_, d, Prop::Date); }

bool TDateTimePicker::userPickDate(const platform::DateTime& d) {
  const auto action = reachForAction();
  if (!action) return false;
  if (d == date_) return true;
  setDate(d);
  if (OnChange) OnChange(*this);
  return true;
}

// ---------------------------------------------------------------------------------------------

void TProgressBar::setMax(int m) { assign(max_, m, Prop::Position); }

void TProgressBar::setPosition(int p) { assign(position_, p, Prop::Position); }

// ---------------------------------------------------------------------------------------------

void TTimer::setInterval(int ms) { assign(interval_, ms, Prop::Timer); }

void TTimer::setEnabled(bool e) { assign(enabled_, e, Prop::Timer); }

void TTimer::fire() {
  if (!enabled_ || !OnTimer || operationRunning()) return;  // a tick is an event like a click
  const OperationGuard tick;
  OnTimer(*this);
}

void TTimer::applyDesign(const Design& design) {
  if (design.interval > 0) interval_ = design.interval;
  enabled_ = design.enabled;
}

}  // namespace riviza::ui
