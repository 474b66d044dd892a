// The window of one form: its widgets, the key and focus filter and the event boundary (Qt
// layer); see form_view.h.
#include "gui/form_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <exception>

#include "gui/bindings.h"
#include "gui/layout.h"
#include "ui/dialogs.h"
#include "ui/operation.h"

namespace riviza::gui {
namespace {

class FormBinding : public Binding {
 public:
  FormBinding(FormView& v, ui::TForm& form, QWidget* window) : Binding(v, form, window), form_(form) {}
  QWidget* content() const override { return widget_; }
  bool ownsVisibility() const override { return true; }
  void update(ui::Prop p) override {
    switch (p) {
      case ui::Prop::Caption:
        widget_->setWindowTitle(QString::fromStdString(form_.caption()));
        break;
      case ui::Prop::Visible:
        widget_->setVisible(form_.visible());
        break;
      case ui::Prop::Bounds:
        widget_->move(form_.left(), form_.top());
        widget_->resize(form_.width(), form_.height());
        break;
      case ui::Prop::Cursor:
        if (form_.cursor() == ui::TCursor::crHourGlass)
          widget_->setCursor(Qt::WaitCursor);
        else
          widget_->unsetCursor();
        break;
      case ui::Prop::Focus:
        if (!view_.inUserAction()) view_.syncFocus();
        break;
      default:
        break;
    }
  }

 private:
  ui::TForm& form_;
};

}  // namespace

// Keys, focus, closing and activation of the form's window, seen before the widgets handle them.
class InputFilter : public QObject {
 public:
  explicit InputFilter(FormView& view) : view_(view) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        return keyPress(watched, static_cast<QKeyEvent*>(event));
      case QEvent::Close:
        if (watched != view_.window()) return false;
        event->ignore();
        // While an operation runs the close is only noted (the form closes at its end).
        if (ui::operationRunning())
          view_.form().close();
        else
          view_.userAction([this] { view_.form().close(); });
        return true;
      case QEvent::WindowActivate:
        if (watched == view_.window()) view_.userAction([this] { view_.form().activate(); });
        return false;
      default:
        return false;
    }
  }

  void focusChanged(QWidget* now) {
    if (view_.inUserAction() || !now || !view_.window()->isAncestorOf(now)) return;
    ui::TWinControl* control = controlFor(now);
    if (control && control != view_.form().activeControl())
      view_.userAction([this, control] { view_.form().setFocusedControl(control); });
  }

 private:
  // The focusable control a widget belongs to (an edit inside a combo box belongs to the combo).
  ui::TWinControl* controlFor(QWidget* w) const {
    for (; w && w != view_.window(); w = w->parentWidget()) {
      auto it = owners_.find(w);
      if (it == owners_.end()) continue;
      auto* control = dynamic_cast<ui::TWinControl*>(it->second);
      return control && control->acceptsFocus() ? control : nullptr;
    }
    return nullptr;
  }

  // Only the focused widget's own key events: a key a child ignores travels to its parents,
  // and must not reach their controls a second time.
  bool keyPress(QObject* watched, QKeyEvent* key) {
    if (replaying_ || watched != QApplication::focusWidget()) return false;
    ui::TWinControl* control = controlFor(static_cast<QWidget*>(watched));
    if (!control) return false;
    std::uint16_t vk = virtualKeyOfQt(key->key());
    ui::TShiftState shift = 0;
    if (key->modifiers() & Qt::ShiftModifier) shift |= ui::kShift;
    if (key->modifiers() & Qt::AltModifier) shift |= ui::kAlt;
    if (key->modifiers() & Qt::ControlModifier) shift |= ui::kCtrl;
    const QList<uint> text = key->text().toUcs4();
    char32_t ch = text.size() == 1 ? static_cast<char32_t>(text.front()) : 0;
    const char32_t typed = ch;
    bool passes = true;
    view_.userAction([&] {
      if (vk != 0) passes = control->keyDown(vk, shift);
      if (passes && typed != 0) passes = control->keyPress(ch);
    });
    if (!passes) return true;
    // A character typed into a line edit reaches it here, with the character the handlers left,
    // so the edit it causes is known as typing; whatever else changes its text (a paste by menu
    // or Shift+Insert, a drop) arrives without it and passes the key handlers in the model. A
    // replaced character is handed on the same way to any widget.
    if ((ch >= U' ' && qobject_cast<QLineEdit*>(watched)) || ch != typed) {
      QKeyEvent replayed(QEvent::KeyPress, key->key(), key->modifiers(), QString::fromUcs4(&ch, 1),
                         key->isAutoRepeat(), static_cast<quint16>(key->count()));
      replaying_ = true;
      ++view_.typing_;
      QCoreApplication::sendEvent(watched, &replayed);
      --view_.typing_;
      replaying_ = false;
      return true;
    }
    return false;
  }

 public:
  std::map<QWidget*, ui::TComponent*> owners_;

 private:
  FormView& view_;
  bool replaying_ = false;
};

FormView::FormView(ui::TForm& form) : form_(form), window_(std::make_unique<QWidget>()) {
  window_->setObjectName(QString::fromStdString(form.name()));
  if (!form.borderIcons())
    window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto formBinding = std::make_unique<FormBinding>(*this, form, window_.get());
  buildChildren(*this, form, *formBinding);
  for (ui::TComponent* c : form.components()) {
    if (dynamic_cast<ui::TControl*>(c)) continue;
    if (auto b = makeComponentBinding(*this, *c)) {
      b->refreshAll();
      adopt(std::move(b));
    }
  }
  formBinding->refreshAll();
  adopt(std::move(formBinding));

  filter_ = std::make_unique<InputFilter>(*this);
  for (const auto& [component, widget] : widgets_)
    if (widget) filter_->owners_[widget] = const_cast<ui::TComponent*>(component);
  qApp->installEventFilter(filter_.get());
  QObject::connect(qApp, &QApplication::focusChanged, window_.get(),
                   [this](QWidget*, QWidget* now) { filter_->focusChanged(now); });
}

FormView::~FormView() {
  qApp->removeEventFilter(filter_.get());
  dying_ = true;
  deferred_.clear();
  window_.reset();    // widgets first: their last signals find the view dying and do nothing
  bindings_.clear();  // then the model forgets its views
}

QWidget* FormView::widgetOf(const ui::TComponent* component) const {
  auto it = widgets_.find(component);
  return it == widgets_.end() ? nullptr : it->second.data();
}

void FormView::adopt(std::unique_ptr<Binding> binding) { bindings_.push_back(std::move(binding)); }

void FormView::userAction(const std::function<void()>& action) {
  if (dying_) return;
  // Input that arrives while an operation lets messages run is dropped; the bindings set their
  // widgets back from the model, and a focus Qt moved goes back to the model's control.
  if (ui::operationRunning()) return syncFocus();
  ++userActions_;
  try {
    action();
  } catch (const std::exception& e) {
    // The event boundary: a fault in a handler is shown once and the loop goes on.
    --userActions_;
    flushDeferred();
    ui::dialogs().messageBox(e.what(), "Fehler", ui::MsgIcon::Error);
    if (userActions_ == 0) syncFocus();
    return;
  }
  if (--userActions_ == 0) {
    flushDeferred();
    syncFocus();
  }
}

void FormView::defer(Binding& binding) {
  if (std::find(deferred_.begin(), deferred_.end(), &binding) != deferred_.end()) return;
  // The window is the call's context: a view that dies first takes the queued call with it.
  if (deferred_.empty())
    QMetaObject::invokeMethod(
        window_.get(), [this] { flushDeferred(); }, Qt::QueuedConnection);
  deferred_.push_back(&binding);
}

void FormView::flushDeferred() {
  std::vector<Binding*> due;
  due.swap(deferred_);
  for (Binding* b : due) b->flush();
}

void FormView::syncFocus() {
  if (dying_ || !window_->isVisible()) return;
  QWidget* target = widgetOf(form_.activeControl());
  if (!target || !target->isVisible() || !target->isEnabled()) return;
  QWidget* focus = QApplication::focusWidget();
  if (focus && (focus == target || target->isAncestorOf(focus))) return;
  ++userActions_;  // our own focus move is not the user's
  target->setFocus(Qt::OtherFocusReason);
  --userActions_;
}

QString plainCaption(const std::string& caption) {
  QString out;
  const QString in = QString::fromStdString(caption);
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == '&' && i + 1 < in.size()) ++i;
    out += in[i];
  }
  return out;
}

QString mnemonicCaption(const std::string& caption) { return QString::fromStdString(caption); }

}  // namespace riviza::gui
