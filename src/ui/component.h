// The base of the component model: components with owner and name, controls with a parent, and
// the property-change hook through which a view (the Qt window) follows the model
// (user-interface layer).
//
// Ownership: a component owns the components created on it, in creation order, and destroys them
// in reverse order; the parent of a control is only where it sits, never its owner. A parent
// lists its controls in creation order, which is also their layout and tab order. Every setter
// compares before it stores and then calls notify() once, so a view repaints only real changes
// and always reads the value back from the model: the model is the truth, a view caches nothing.
// Events are std::function members named as the framework names them (OnClick, OnChange, ...);
// a form binds its handlers, plain member functions, to them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/operation.h"

namespace riviza::ui {

class TComponent;
class TControl;
class TWinControl;
class TForm;
struct Design;

// 0x00BBGGRR like the Windows colour value; values with the top bit set are system colours.
using TColor = std::uint32_t;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clBtnFace = 0x8000000F;

using TNotifyEvent = std::function<void(TComponent& Sender)>;

// What changed, for the view.
enum class Prop {
  Caption,
  Text,
  Enabled,
  Visible,
  Color,
  Checked,
  Items,
  ItemIndex,
  ReadOnly,
  MaxLength,
  ActivePage,
  TabVisible,
  Position,
  Date,
  Bounds,
  Cursor,
  Focus,
  Timer,
  Data,  // data-aware controls: the record, the state or the columns changed
  Font,  // labels: the text colour or weight
};

class ComponentView {
 public:
  virtual ~ComponentView() = default;
  virtual void changed(Prop prop) = 0;
};

class TComponent {
 public:
  TComponent(TComponent* owner, std::string name);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& name() const { return name_; }
  TComponent* owner() const { return owner_; }
  // Owned components in creation order.
  const std::vector<TComponent*>& components() const { return order_; }
  TComponent* findComponent(std::string_view name) const;

  // Creates a component owned by this one.
  template <class T, class... Args>
  T& make(Args&&... args) {
    auto owned = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& ref = *owned;
    adopt(std::move(owned));
    return ref;
  }

  // Design-time values (caption, items, flags); each kind takes what applies to it.
  virtual void applyDesign(const Design& design);

  void setView(ComponentView* view) { view_ = view; }
  ComponentView* view() const { return view_; }

 protected:
  void notify(Prop prop) const {
    if (view_) view_->changed(prop);
  }
  // The one shape of every setter: store a differing value and tell the view; true if changed.
  template <class T, class V>
  bool assign(T& field, V&& value, Prop prop) {
    if (field == value) return false;
    field = std::forward<V>(value);
    notify(prop);
    return true;
  }
  // Destroys the owned components, last created first. A form calls it from its own destructor
  // so that controls leave their parents while those are still whole.
  void destroyComponents();

 private:
  void adopt(std::unique_ptr<TComponent> owned);

  TComponent* owner_;
  std::string name_;
  std::vector<std::unique_ptr<TComponent>> owned_;
  std::vector<TComponent*> order_;
  ComponentView* view_ = nullptr;
};

// A visible element: parent, Visible, Enabled, Caption and Color. Graphic controls (labels, speed
// buttons, images) derive from it directly and never take the focus.
class TControl : public TComponent {
 public:
  TControl(TComponent* owner, std::string name, TWinControl* parent);
  ~TControl() override;

  TWinControl* parent() const { return parent_; }
  // The form the control sits on (itself for a form), or null while it has no parent chain.
  virtual TForm* form() const;

  bool visible() const { return visible_; }
  virtual void setVisible(bool v);
  bool enabled() const { return enabled_; }
  virtual void setEnabled(bool e);
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  TColor color() const { return color_; }
  void setColor(TColor c);

  // Visible along the whole parent chain (a tab sheet counts only while it is the active page).
  bool showing() const;
  // Enabled along the whole parent chain.
  bool effectivelyEnabled() const;
  // The control sits inside `ancestor` (or is it).
  bool isWithin(const TControl* ancestor) const;

  void applyDesign(const Design& design) override;

 protected:
  TColor color_ = clBtnFace;

 private:
  TWinControl* parent_;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
};

// Virtual key codes of OnKeyDown, as the handlers compare them.
inline constexpr std::uint16_t kKeyBack = 8;
inline constexpr std::uint16_t kKeyTab = 9;
inline constexpr std::uint16_t kKeyReturn = 13;
inline constexpr std::uint16_t kKeyEscape = 27;
inline constexpr std::uint16_t kKeyDelete = 46;
// The character the window system types for the Delete key (Windows types none, so the old key
// filters never saw it).
inline constexpr char32_t kCharDelete = 0x7f;

enum ShiftFlag : unsigned { kShift = 1, kAlt = 2, kCtrl = 4 };
using TShiftState = unsigned;

// Key may be set to 0 by the handler: the key is swallowed.
using TKeyEvent = std::function<void(TComponent& Sender, std::uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TComponent& Sender, char32_t& Key)>;

// A windowed control: it can hold controls, take the focus and receive keys. OnEnter and OnExit
// fire when the focus enters or leaves it or any control inside it (form.cpp has the order).
class TWinControl : public TControl {
 public:
  TWinControl(TComponent* owner, std::string name, TWinControl* parent);

  // Child controls in creation order (layout and tab order).
  const std::vector<TControl*>& controls() const { return controls_; }
  // Layout hints for the view: how many columns the children flow into, or one horizontal row.
  int layoutColumns() const { return layoutColumns_; }
  bool layoutRow() const { return layoutRow_; }

  // Whether this kind of control takes the focus itself (containers pass it to their children).
  virtual bool acceptsFocus() const { return true; }
  bool canFocus() const;
  // Moves the focus here; false (and nothing happens) when the control cannot take it.
  bool setFocus();
  bool focused() const;
  // Before a user action: refused while an operation runs (ui/operation.h); otherwise only a
  // control that shows and is enabled can be reached, and one that takes the focus gets it
  // first, as a click or a keystroke gives it. A reached control answers with the action's
  // operation, which the caller keeps until the action has run.
  std::optional<OperationGuard> reachForAction();
  // The user moves to the control and nothing else: the action ends on return. (A guard handed
  // back here would live to the end of the caller's expression and refuse the next reach in it.)
  bool userReach() { return reachForAction().has_value(); }

  // Keys from the user, in the order the framework delivers them. Each returns false when a
  // handler swallowed the key (set it to 0); keyPress may also replace the character.
  bool keyDown(std::uint16_t& key, TShiftState shift = 0);
  bool keyPress(char32_t& key);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;

  void applyDesign(const Design& design) override;

 protected:
  // A child of this container may show (a page control shows only its active page).
  virtual bool showsChild(const TControl& child) const { return true; }
  // The focus is leaving: the control's own work before OnExit (a data-aware edit writes its
  // field).
  virtual void exiting() {}

 private:
  friend class TControl;
  friend class TForm;
  int layoutColumns_ = 1;
  bool layoutRow_ = false;
  std::vector<TControl*> controls_;
};

// The virtual key code a typed character produces (letters as upper case, digits, space and the
// control characters); 0 for the rest.
std::uint16_t virtualKeyOf(char32_t ch);

}  // namespace riviza::ui
