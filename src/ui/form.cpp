// Forms, the focus transitions and the application object (user-interface layer); see form.h.
#include "ui/form.h"

#include <algorithm>

#include "ui/operation.h"

namespace riviza::ui {
namespace {

TWinControl* parentBelowForm(const TControl* c) {
  TWinControl* p = c->parent();
  return (p && p->parent()) ? p : nullptr;  // the form itself takes no part in enter and exit
}

}  // namespace

TForm::TForm(TComponent* owner, std::string name) : TWinControl(owner, std::move(name), nullptr) {
  color_ = clBtnFace;
  TControl::setVisible(false);
}

TForm::~TForm() {
  detail::forgetForm(*this);
  destroyComponents();
}

void TForm::setBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  notify(Prop::Bounds);
}

void TForm::show() {
  if (!visible()) {
    setVisible(true);
    if (OnShow) OnShow(*this);
  }
  activate();
}

void TForm::close() {
  if (operationRunning()) return detail::noteClose(*this);
  closeNow();
}

void TForm::closeNow() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(*this, action);
  if (action == TCloseAction::caNone) return;
  setVisible(false);
  if (application_ && application_->mainForm() == this) application_->terminate();
}

void TForm::activate() {
  if (application_) {
    application_->setActiveForm(this);
  } else if (OnActivate) {
    OnActivate(*this);
  }
}

void TForm::doCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(*this);
}

void TForm::setCursor(TCursor c) { assign(cursor_, c, Prop::Cursor); }

bool TForm::setFocusedControl(TWinControl* target) {
  if (!target || target->form() != this || !target->canFocus()) return false;
  if (target == active_) return true;
  const unsigned serial = ++focusSerial_;
  TWinControl* const from = active_;

  // Leave: the old control and its containers up to the one that also holds the target.
  for (TWinControl* c = from; c && c != this && !target->isWithin(c); c = parentBelowForm(c)) {
    active_ = parentBelowForm(c);
    try {
      c->exiting();
    } catch (...) {
      active_ = c;  // a value the control cannot store keeps the focus where it is
      throw;
    }
    if (c->OnExit) c->OnExit(*c);
    if (!fired(serial)) return active_ == target;
  }
  // Enter: the target's containers that did not hold the old control, outermost first.
  std::vector<TWinControl*> entered;
  for (TWinControl* c = target; c && c != this && !(from && from->isWithin(c)); c = parentBelowForm(c))
    entered.push_back(c);
  for (auto it = entered.rbegin(); it != entered.rend(); ++it) {
    active_ = *it;
    if ((*it)->OnEnter) (*it)->OnEnter(**it);
    if (!fired(serial)) return active_ == target;
  }
  active_ = target;
  notify(Prop::Focus);
  return true;
}

void TForm::forgetControl(const TControl* control) {
  if (active_ == control) active_ = nullptr;
}

// ---------------------------------------------------------------------------------------------

TApplication::~TApplication() {
  while (!forms_.empty()) forms_.pop_back();
}

void TApplication::adopt(std::unique_ptr<TForm> form) {
  form->application_ = this;
  forms_.push_back(std::move(form));
}

void TApplication::setActiveForm(TForm* form) {
  if (form == active_) return;
  active_ = form;
  if (form && form->OnActivate) form->OnActivate(*form);
}

void TApplication::terminate() {
  if (terminated_) return;
  terminated_ = true;
  if (quit_) quit_();
}

void TApplication::setLoop(std::function<void()> run, std::function<void()> quit) {
  run_ = std::move(run);
  quit_ = std::move(quit);
}

void TApplication::run() {
  if (run_ && !terminated_) run_();
}

}  // namespace riviza::ui
