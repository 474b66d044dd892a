// The Qt window of one form of the component model (Qt layer, the only one that links Qt).
//
// FormView builds one top-level QWidget for a ui::TForm and one widget per control, laid out by
// container and order (layout.cpp), and binds each pair both ways (bindings.cpp): a widget's
// user action calls the control's user* member, which fires the model's events; every property
// change of the model reaches its widget through the control's ComponentView. The model is the
// truth: when it refuses a user action (a disabled control, a swallowed key, a focus it will
// not take) the widget is set back from it.
//
// Input during an operation: a handler's long work lets messages run (the pump processes Qt
// events), so clicks, keys, focus moves and timer ticks reach the window meanwhile; userAction
// drops them all while an operation runs (ui/operation.h), and a close of the window is only
// noted then, to be carried out when the operation ends.
//
// Focus: while a model handler runs, Qt moves focus on its own (a widget being disabled, a
// window being shown); those moves are not reported to the model. When the handler returns,
// the Qt focus is set to the model's active control. Only focus moves the user makes reach the
// model (and fire OnEnter/OnExit there).
//
// Long work: a handler that appends a line per record would have the list rebuilt, scrolled and
// repainted per line, each time over all its rows. While a user action runs, a binding may put
// its update off (defer): it is applied at the next round of Qt's events (which the shell's pump
// lets run only a few times a second, qt_shell.h) and at the latest when the action returns, so
// the window shows the model's state after every handler.
//
// Lifetime: a FormView must die before its form; it detaches every binding from the model.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "ui/form.h"

namespace riviza::gui {

class Binding;
class InputFilter;

class FormView {
 public:
  explicit FormView(ui::TForm& form);
  ~FormView();
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  ui::TForm& form() const { return form_; }
  QWidget* window() const { return window_.get(); }
  // The widget of a control (or of the form), nullptr when it has none.
  QWidget* widgetOf(const ui::TComponent* component) const;

  // Runs a user action on the model, unless an operation runs: focus moves Qt makes meanwhile are
  // ignored, and the Qt focus follows the model's focus afterwards. This is the event boundary: an
  // exception a handler lets out is shown once in a message box, and the loop goes on.
  void userAction(const std::function<void()>& action);
  bool inUserAction() const { return userActions_ > 0; }
  // A typed character is being delivered to its widget (its key events have already run).
  bool typing() const { return typing_ > 0; }
  // Sets the Qt focus to the model's active control.
  void syncFocus();

  // Called by the bindings.
  // `binding` has an update put off: its flush() runs at the next round of events or when the
  // user action ends, whichever comes first.
  void defer(Binding& binding);
  // Applies every update put off so far.
  void flushDeferred();
  void registerWidget(const ui::TComponent* component, QWidget* widget) { widgets_[component] = widget; }
  void adopt(std::unique_ptr<Binding> binding);

 private:
  ui::TForm& form_;
  std::unique_ptr<QWidget> window_;
  std::map<const ui::TComponent*, QPointer<QWidget>> widgets_;
  std::vector<std::unique_ptr<Binding>> bindings_;
  std::unique_ptr<InputFilter> filter_;
  std::vector<Binding*> deferred_;
  int userActions_ = 0;
  int typing_ = 0;
  bool dying_ = false;
  friend class InputFilter;
};

// Text of a caption for widgets that show no mnemonic: "&&" becomes "&", a single "&" goes.
QString plainCaption(const std::string& caption);
QString mnemonicCaption(const std::string& caption);

}  // namespace riviza::gui
