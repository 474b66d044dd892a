// The simple controls: label, buttons, edit, check box, date picker, progress bar, image and the
// timer (user-interface layer).
//
// Events follow the framework the handlers were written for: an edit's OnChange fires on every
// change of its text, typed or set by code; a check box's OnClick fires only when the user
// clicks it (setting Checked by code, as the settings loader does, fires nothing); a date
// picker's OnChange only on the user's pick. The user* members are what a user does: they act
// only on a control that shows and is enabled, move the focus there first (as a click or a
// keystroke does), and then fire the events. The view calls them; so do tests.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "ui/component.h"

namespace riviza::ui {

// A label's text may carry a colour of its own and be bold (a warning in red, say).
class TLabel : public TControl {
 public:
  using TControl::TControl;
  static constexpr TColor kDefaultFontColor = 0x80000008;  // the system's window text

  TColor fontColor() const { return fontColor_; }
  void setFontColor(TColor c) { assign(fontColor_, c, Prop::Font); }
  bool bold() const { return bold_; }
  void setBold(bool b) { assign(bold_, b, Prop::Font); }
  void applyDesign(const Design& design) override;

 private:
  TColor fontColor_ = kDefaultFontColor;
  bool bold_ = false;
};

// A picture: a file (path text), or "check" for the check mark the grids draw.
class TImage : public TControl {
 public:
  using TControl::TControl;
  const std::string& picture() const { return picture_; }
  void setPicture(std::string picture) { assign(picture_, std::move(picture), Prop::Caption); }
  void applyDesign(const Design& design) override;

 private:
  std::string picture_;
};

class TButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
  // Click: fires OnClick (also for a disabled button, as the framework's Click does).
  void click();
  // A mouse click: nothing on a disabled or hidden button.
  bool userClick();

  TNotifyEvent OnClick;
};

// A button with a glyph; behaves as a button.
class TBitBtn : public TButton {
 public:
  using TButton::TButton;
};

// A flat tool button: clicks, but never takes the focus.
class TSpeedButton : public TButton {
 public:
  using TButton::TButton;
  bool acceptsFocus() const override { return false; }
};

class TCustomEdit : public TWinControl {
 public:
  TCustomEdit(TComponent* owner, std::string name, TWinControl* parent);

  const std::string& text() const { return text_; }
  // Sets the text; OnChange fires when it differs.
  void setText(std::string text);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool r);
  int maxLength() const { return maxLength_; }  // characters, 0 = unlimited
  void setMaxLength(int n);
  bool password() const { return password_; }

  // One keystroke: OnKeyDown, then (unless swallowed) OnKeyPress, then the edit's own action:
  // backspace removes the last character, a printable character is appended within MaxLength,
  // control keys change nothing. False when the key did not reach the text.
  bool userKey(char32_t ch, TShiftState shift = 0);
  // Types each character of the UTF-8 text with userKey.
  void userType(std::string_view utf8);
  // The view's edit result (the widget already applied the keystroke the key events let pass).
  bool userEditText(std::string text);
  // The view's edit result of an insertion no keystroke announced (a paste, a drop): the
  // inserted characters pass OnKeyPress one by one as if typed, so a key filter holds against
  // them too; a swallowed character is left out, a replaced one replaced, MaxLength applies.
  bool userInsertText(std::string text);

  TNotifyEvent OnChange;

  void applyDesign(const Design& design) override;

 protected:
  // Whether the user may change the text now; data-aware edits put their table into edit state
  // here, as the user's first keystroke does.
  virtual bool prepareModify();
  // After every change of the text, by the user or by code, before OnChange.
  virtual void textChanged() {}

 private:
  bool applyKey(char32_t ch);
  // The edit's result of a reached user action.
  bool applyText(std::string text);

  std::string text_;
  bool readOnly_ = false;
  int maxLength_ = 0;
  bool password_ = false;
};

class TEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
 public:
  using TWinControl::TWinControl;

  bool checked() const { return state_ == TCheckBoxState::cbChecked; }
  void setChecked(bool c) { setState(c ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
  TCheckBoxState state() const { return state_; }
  void setState(TCheckBoxState s);
  // The user's click toggles (grey becomes checked) and fires OnClick.
  bool userClick();

  TNotifyEvent OnClick;

  void applyDesign(const Design& design) override;

 protected:
  virtual bool prepareModify() { return true; }
  // After the user's click changed the state, before OnClick.
  virtual void userChangedState() {}

 private:
  TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
};

class TDateTimePicker : public TWinControl {
 public:
  TDateTimePicker(TComponent* owner, std::string name, TWinControl* parent);

  const platform::DateTime& date() const { return date_; }
  void setDate(const platform::DateTime& d);
  bool userPickDate(const platform::DateTime& d);

  TNotifyEvent OnChange;

 private:
  platform::DateTime date_;
};

class TProgressBar : public TWinControl {
 public:
  using TWinControl::TWinControl;
  bool acceptsFocus() const override { return false; }

  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return position_; }
  void setMax(int m);
  void setPosition(int p);

 private:
  int min_ = 0, max_ = 100, position_ = 0;
};

// A timer: while Enabled, the view calls fire() every Interval milliseconds from the event loop
// (so the first OnTimer comes only once the loop runs); tests call fire() themselves.
class TTimer : public TComponent {
 public:
  using TComponent::TComponent;

  int interval() const { return interval_; }
  void setInterval(int ms);
  bool enabled() const { return enabled_; }
  void setEnabled(bool e);
  // One tick: OnTimer, when enabled; an operation of its own, so none while another runs.
  void fire();

  TNotifyEvent OnTimer;

  void applyDesign(const Design& design) override;

 private:
  int interval_ = 1000;
  bool enabled_ = true;
};

}  // namespace riviza::ui
