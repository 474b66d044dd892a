// Components, controls and windowed controls: ownership, parents, visibility and keys
// (user-interface layer); see component.h.
#include "ui/component.h"

#include <algorithm>

#include "ui/design.h"
#include "ui/form.h"

namespace riviza::ui {

TComponent::TComponent(TComponent* owner, std::string name) : owner_(owner), name_(std::move(name)) {}

TComponent::~TComponent() { destroyComponents(); }

void TComponent::destroyComponents() {
  while (!owned_.empty()) {
    order_.pop_back();
    owned_.pop_back();
  }
}

void TComponent::adopt(std::unique_ptr<TComponent> owned) {
  order_.push_back(owned.get());
  owned_.push_back(std::move(owned));
}

TComponent* TComponent::findComponent(std::string_view name) const {
  for (TComponent* c : order_)
    if (c->name() == name) return c;
  return nullptr;
}

void TComponent::applyDesign(const Design&) {}

// ---------------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner, std::string name, TWinControl* parent)
    : TComponent(owner, std::move(name)), parent_(parent) {
  if (parent_) parent_->controls_.push_back(this);
}

TControl::~TControl() {
  if (TForm* f = form(); f && f != this) f->forgetControl(this);
  if (parent_) std::erase(parent_->controls_, this);
}

TForm* TControl::form() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return const_cast<TForm*>(dynamic_cast<const TForm*>(c));
}

void TControl::setVisible(bool v) { assign(visible_, v, Prop::Visible); }

void TControl::setEnabled(bool e) { assign(enabled_, e, Prop::Enabled); }

void TControl::setCaption(std::string caption) { assign(caption_, std::move(caption), Prop::Caption); }

void TControl::setColor(TColor c) { assign(color_, c, Prop::Color); }

bool TControl::showing() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
    if (c->parent_ && !c->parent_->showsChild(*c)) return false;
  }
  return true;
}

bool TControl::effectivelyEnabled() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return true;
}

bool TControl::isWithin(const TControl* ancestor) const {
  for (const TControl* c = this; c; c = c->parent_)
    if (c == ancestor) return true;
  return false;
}

void TControl::applyDesign(const Design& design) {
  caption_ = design.caption;
  visible_ = design.visible;
  enabled_ = design.enabled;
}

// ---------------------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner, std::string name, TWinControl* parent)
    : TControl(owner, std::move(name), parent) {}

bool TWinControl::canFocus() const { return acceptsFocus() && showing() && effectivelyEnabled() && form(); }

bool TWinControl::setFocus() {
  TForm* f = form();
  return f && f->setFocusedControl(this);
}

bool TWinControl::focused() const {
  TForm* f = form();
  return f && f->activeControl() == this;
}

std::optional<OperationGuard> TWinControl::reachForAction() {
  if (operationRunning() || !showing() || !effectivelyEnabled()) return std::nullopt;
  std::optional<OperationGuard> action(std::in_place);  // the focus handlers run inside the action
  if (acceptsFocus() && !(setFocus() && focused())) return std::nullopt;
  return action;
}

bool TWinControl::keyDown(std::uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
  return key != 0;
}

bool TWinControl::keyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(*this, key);
  return key != 0;
}

void TWinControl::applyDesign(const Design& design) {
  TControl::applyDesign(design);
  if (design.columns > 0) layoutColumns_ = design.columns;
  layoutRow_ = design.row;
}

std::uint16_t virtualKeyOf(char32_t ch) {
  if (ch >= U'a' && ch <= U'z') return static_cast<std::uint16_t>(ch - U'a' + U'A');
  if ((ch >= U'A' && ch <= U'Z') || (ch >= U'0' && ch <= U'9') || ch == U' ')
    return static_cast<std::uint16_t>(ch);
  if (ch == kKeyBack || ch == kKeyTab || ch == kKeyReturn || ch == kKeyEscape)
    return static_cast<std::uint16_t>(ch);
  if (ch == kCharDelete) return kKeyDelete;
  return 0;
}

}  // namespace riviza::ui
