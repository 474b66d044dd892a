// One widget per control and the binding that keeps the two in step (Qt layer).
//
// makeBinding() creates the widget that stands for a control (a line edit for an edit, a tab
// widget for a page control, ...) and a Binding that the model tells of every property change.
// The binding applies the change to the widget; the widget's signals call the control's user*
// members through FormView::userAction. A binding never caches a value: it reads the model each
// time, and after a user action it reads the model back, so a refused action leaves the widget
// as the model says.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "ui/component.h"

namespace riviza::gui {

class FormView;

class Binding : public ui::ComponentView {
 public:
  Binding(FormView& view, ui::TComponent& model, QWidget* widget);
  ~Binding() override;
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  void changed(ui::Prop prop) final;
  // Applies every property (after creation).
  void refreshAll();

  ui::TComponent& model() const { return model_; }
  QWidget* widget() const { return widget_; }
  // Where the widgets of child controls go; null for controls without children.
  virtual QWidget* content() const { return nullptr; }
  // A page control receives its tab sheets here.
  virtual void addPage(Binding&) {}
  // Whether the generic Visible applies (tab sheets and forms show another way).
  virtual bool ownsVisibility() const { return false; }
  // Applies what update() put off through FormView::defer.
  virtual void flush() {}

 protected:
  virtual void update(ui::Prop prop) = 0;
  FormView& view_;
  ui::TComponent& model_;
  QPointer<QWidget> widget_;
};

// The widget and binding for a control, created as a child of `parent`.
std::unique_ptr<Binding> makeBinding(FormView& view, ui::TControl& control, QWidget* parent);
// The grid, navigator and image widgets (db_bindings.cpp); null for other controls.
std::unique_ptr<Binding> makeDataBinding(FormView& view, ui::TControl& control, QWidget* parent);
// The binding of a component without a place on screen (a timer), or null when it needs none.
std::unique_ptr<Binding> makeComponentBinding(FormView& view, ui::TComponent& component);

// The virtual key code of a Qt key (0 for keys the handlers never see).
std::uint16_t virtualKeyOfQt(int qtKey);

}  // namespace riviza::gui
