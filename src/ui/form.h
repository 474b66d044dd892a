// Forms, the focus and the application (user-interface layer).
//
// A form owns every component declared on it and keeps the one focused control. Moving the
// focus from A to B fires, in this order: OnExit of A and of each container of A that does not
// hold B (innermost first), then OnEnter of each container of B that did not hold A (outermost
// first) and of B. The active control follows each step, so a handler that moves the focus
// itself starts from where the transition stands, and the rest of the outer transition is
// dropped. A control that is disabled or not showing (hidden, or on a tab page that is not the
// active one) cannot take the focus.
//
// Life of a form: created (components made, handlers bound) -> OnCreate (TApplication::createForm)
// -> show(): Visible, OnShow, then activation (OnActivate) -> close(): OnClose decides; hidden,
// and closing the main form ends the application. A close asked for while an operation runs
// waits for its end (ui/operation.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/component.h"

namespace riviza::ui {

class TApplication;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TComponent& Sender, TCloseAction& Action)>;

enum class TCursor { crDefault, crHourGlass };

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner = nullptr, std::string name = "Form");
  ~TForm() override;

  TForm* form() const override { return const_cast<TForm*>(this); }
  bool acceptsFocus() const override { return false; }

  int top() const { return top_; }
  int left() const { return left_; }
  int width() const { return width_; }
  int height() const { return height_; }
  void setTop(int v) { setBounds(left_, v, width_, height_); }
  void setLeft(int v) { setBounds(v, top_, width_, height_); }
  void setWidth(int v) { setBounds(left_, top_, v, height_); }
  void setHeight(int v) { setBounds(left_, top_, width_, v); }
  void setBounds(int left, int top, int width, int height);

  void show();
  void hide() { setVisible(false); }
  // Asks OnClose; unless it answers caNone the form hides, and closing the main form
  // terminates the application. While an operation runs this happens when it ends.
  void close();
  // The form became the active window (the view reports it; show() does it headless).
  void activate();
  // Fires OnCreate once; TApplication::createForm calls it after construction.
  void doCreate();

  TWinControl* activeControl() const { return active_; }
  bool setFocusedControl(TWinControl* control);

  // Whether the title bar carries the close, minimise and maximise buttons (BorderIcons; the
  // program only ever takes all of them away). Read when the form's window is made.
  bool borderIcons() const { return borderIcons_; }
  void setBorderIcons(bool shown) { borderIcons_ = shown; }

  TCursor cursor() const { return cursor_; }
  void setCursor(TCursor c);

  TApplication* application() const { return application_; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnActivate;
  TCloseEvent OnClose;

 private:
  friend class TControl;
  friend class TApplication;
  friend class OperationGuard;
  void closeNow();
  void forgetControl(const TControl* control);
  bool fired(unsigned serial) const { return serial == focusSerial_; }

  int top_ = 0, left_ = 0, width_ = 640, height_ = 480;
  TWinControl* active_ = nullptr;
  unsigned focusSerial_ = 0;
  TCursor cursor_ = TCursor::crDefault;
  bool borderIcons_ = true;
  TApplication* application_ = nullptr;
  bool created_ = false;
};

// Keeps a global form variable (FormEinstellungen, FormLe, ...) pointing at its form while the
// form lives, as the Windows program's form variables did; a member of the form.
template <class F>
class GlobalFormRef {
 public:
  GlobalFormRef(F*& slot, F* form) : slot_(slot), form_(form) { slot_ = form; }
  ~GlobalFormRef() {
    if (slot_ == form_) slot_ = nullptr;
  }
  GlobalFormRef(const GlobalFormRef&) = delete;
  GlobalFormRef& operator=(const GlobalFormRef&) = delete;

 private:
  F*& slot_;
  F* form_;
};

// The application object: creates and owns the forms (the first one is the main form), knows
// the active form, and ends the run when the main form closes. The event loop belongs to the
// view; headless, run() returns at once.
class TApplication {
 public:
  TApplication() = default;
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  template <class F>
  F& createForm() {
    auto form = std::make_unique<F>();
    F& ref = *form;
    adopt(std::move(form));
    ref.doCreate();
    return ref;
  }

  TForm* mainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }
  TForm* activeForm() const { return active_; }
  void setActiveForm(TForm* form);

  void terminate();
  bool terminated() const { return terminated_; }
  // The view's loop: run() calls it; terminate() calls the quit hook.
  void setLoop(std::function<void()> run, std::function<void()> quit);
  void run();

 private:
  void adopt(std::unique_ptr<TForm> form);

  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* active_ = nullptr;
  bool terminated_ = false;
  std::function<void()> run_;
  std::function<void()> quit_;
};

}  // namespace riviza::ui
