// The widget of each simple, list and container control and its binding to the model (Qt
// layer); see bindings.h.
#include "gui/bindings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/form_view.h"
#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/lists.h"

namespace riviza::gui {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A palette role of the widget takes a TColor (0x00BBGGRR); a system colour (top bit set)
// leaves the parent's.
void applyColour(QWidget* w, QPalette::ColorRole role, ui::TColor c) {
  QPalette pal = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
  auto channel = [c](int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  if ((c & 0x80000000u) == 0) pal.setColor(role, QColor(channel(0), channel(8), channel(16)));
  w->setPalette(pal);
}

QStringList qItems(const ui::TStrings& items) {
  QStringList out;
  for (const auto& s : items.lines()) out << qs(s);
  return out;
}

// ---- graphic and simple controls -------------------------------------------------------------

class LabelBinding : public Binding {
 public:
  LabelBinding(FormView& v, ui::TControl& c, QLabel* w) : Binding(v, c, w), label_(w), control_(c) {}
  void update(ui::Prop p) override {
    if (p == ui::Prop::Caption) label_->setText(plainCaption(control_.caption()));
    if (p == ui::Prop::Font) applyFont();
  }

 private:
  void applyFont() {
    const auto* label = dynamic_cast<const ui::TLabel*>(&control_);
    if (!label) return;
    applyColour(label_, QPalette::WindowText, label->fontColor());
    QFont font = label_->font();
    font.setBold(label->bold());
    label_->setFont(font);
  }

  QLabel* label_;
  ui::TControl& control_;
};

class ButtonBinding : public Binding {
 public:
  ButtonBinding(FormView& v, ui::TButton& c, QAbstractButton* w) : Binding(v, c, w), button_(w), control_(c) {
    QObject::connect(w, &QAbstractButton::clicked, w,
                     [this] { view_.userAction([this] { control_.userClick(); }); });
  }
  void update(ui::Prop p) override {
    if (p == ui::Prop::Caption) button_->setText(mnemonicCaption(control_.caption()));
  }

 private:
  QAbstractButton* button_;
  ui::TButton& control_;
};

class EditBinding : public Binding {
 public:
  EditBinding(FormView& v, ui::TCustomEdit& c, QLineEdit* w) : Binding(v, c, w), edit_(w), control_(c) {
    if (c.password()) w->setEchoMode(QLineEdit::Password);
    QObject::connect(w, &QLineEdit::textEdited, w, [this](const QString& text) {
      const bool typed = view_.typing();
      view_.userAction([this, text, typed] {
        if (typed)
          control_.userEditText(text.toStdString());
        else
          control_.userInsertText(text.toStdString());
      });
      update(ui::Prop::Text);
    });
  }
  void update(ui::Prop p) override {
    switch (p) {
      case ui::Prop::Text:
        if (edit_->text().toStdString() != control_.text()) edit_->setText(qs(control_.text()));
        break;
      case ui::Prop::ReadOnly:
        edit_->setReadOnly(control_.readOnly());
        break;
      case ui::Prop::MaxLength:
        edit_->setMaxLength(control_.maxLength() > 0 ? control_.maxLength() : 32767);
        break;
      case ui::Prop::Color:
        applyColour(edit_, QPalette::Base, control_.color());
        break;
      default:
        break;
    }
  }

 private:
  QLineEdit* edit_;
  ui::TCustomEdit& control_;
};

class CheckBoxBinding : public Binding {
 public:
  CheckBoxBinding(FormView& v, ui::TCheckBox& c, QCheckBox* w) : Binding(v, c, w), box_(w), control_(c) {
    QObject::connect(w, &QCheckBox::clicked, w, [this] {
      view_.userAction([this] { control_.userClick(); });
      update(ui::Prop::Checked);
    });
  }
  void update(ui::Prop p) override {
    if (p == ui::Prop::Caption) box_->setText(mnemonicCaption(control_.caption()));
    if (p == ui::Prop::Checked) {
      const QSignalBlocker block(box_);
      const auto s = control_.state();
      box_->setTristate(s == ui::TCheckBoxState::cbGrayed);
      box_->setCheckState(s == ui::TCheckBoxState::cbChecked  ? Qt::Checked
                          : s == ui::TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                              : Qt::Unchecked);
    }
  }

 private:
  QCheckBox* box_;
  ui::TCheckBox& control_;
};

class DateBinding : public Binding {
 public:
  DateBinding(FormView& v, ui::TDateTimePicker& c, QDateEdit* w) : Binding(v, c, w), edit_(w), control_(c) {
    w->setCalendarPopup(true);
    w->setDisplayFormat("dd.MM.yyyy");
    QObject::connect(w, &QDateEdit::dateChanged, w, [this](QDate d) {
      view_.userAction([this, d] {
        control_.userPickDate(platform::DateTime{d.year(), d.month(), d.day()});
      });
      update(ui::Prop::Date);
    });
  }
  void update(ui::Prop p) override {
    if (p != ui::Prop::Date) return;
    const QSignalBlocker block(edit_);
    const auto& d = control_.date();
    edit_->setDate(QDate(d.year, d.month, d.day));
  }

 private:
  QDateEdit* edit_;
  ui::TDateTimePicker& control_;
};

class ProgressBinding : public Binding {
 public:
  ProgressBinding(FormView& v, ui::TProgressBar& c, QProgressBar* w)
      : Binding(v, c, w), bar_(w), control_(c) {}
  void update(ui::Prop p) override {
    if (p != ui::Prop::Position) return;
    bar_->setRange(control_.min(), control_.max());
    bar_->setValue(control_.position());
  }

 private:
  QProgressBar* bar_;
  ui::TProgressBar& control_;
};

// ---- lists -----------------------------------------------------------------------------------

class ComboBinding : public Binding {
 public:
  ComboBinding(FormView& v, ui::TComboBox& c, QComboBox* w) : Binding(v, c, w), combo_(w), control_(c) {
    w->setEditable(!c.listOnly());
    w->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(w, &QComboBox::activated, w, [this](int index) {
      view_.userAction([this, index] { control_.userSelect(index); });
      update(ui::Prop::Text);
    });
    if (QLineEdit* line = w->lineEdit()) {
      QObject::connect(line, &QLineEdit::textEdited, w, [this](const QString& text) {
        view_.userAction([this, text] { control_.userEditText(text.toStdString()); });
      });
    }
  }
  void update(ui::Prop p) override {
    const QSignalBlocker block(combo_);
    if (p == ui::Prop::Items) {
      combo_->clear();
      combo_->addItems(qItems(control_.items()));
      p = ui::Prop::Text;
    }
    if (p == ui::Prop::Text) {
      combo_->setCurrentIndex(control_.itemIndex());
      if (combo_->isEditable() && combo_->currentText().toStdString() != control_.text())
        combo_->setEditText(qs(control_.text()));
    }
    if (p == ui::Prop::Color) applyColour(combo_, QPalette::Base, control_.color());
  }

 private:
  QComboBox* combo_;
  ui::TComboBox& control_;
};

// A log list grows by a line per record during long work: inside a user action the rows and the
// selection wait for the view's next flush (form_view.h), which adds every line since the last
// one and scrolls once.
class ListBinding : public Binding {
 public:
  ListBinding(FormView& v, ui::TListBox& c, QListWidget* w) : Binding(v, c, w), list_(w), control_(c) {
    QObject::connect(w, &QListWidget::currentRowChanged, w, [this](int row) {
      if (row < 0) return;
      view_.userAction([this, row] { control_.userSelect(row); });
      update(ui::Prop::ItemIndex);
    });
  }
  void update(ui::Prop p) override {
    if (p == ui::Prop::Items || (p == ui::Prop::ItemIndex && itemsDeferred_)) {
      if (view_.inUserAction()) {
        itemsDeferred_ = true;
        view_.defer(*this);
        return;
      }
      p = ui::Prop::Items;
    }
    apply(p);
  }
  void flush() override {
    if (itemsDeferred_) apply(ui::Prop::Items);
  }

 private:
  void apply(ui::Prop p) {
    const QSignalBlocker block(list_);
    if (p == ui::Prop::Items) {
      itemsDeferred_ = false;
      // Rows from the first changed line on are made again; a growing log list adds its new
      // lines only.
      const auto& lines = control_.items().lines();
      const int from = std::min(control_.items().takeFirstChanged(), list_->count());
      if (from == 0) list_->clear();
      while (list_->count() > from) delete list_->takeItem(list_->count() - 1);
      QStringList added;
      for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i)
        added << QString::fromStdString(lines[i]);
      list_->addItems(added);
      if (list_->count() > 0) list_->scrollToBottom();
      p = ui::Prop::ItemIndex;
    }
    if (p == ui::Prop::ItemIndex) list_->setCurrentRow(control_.itemIndex());
    if (p == ui::Prop::Color) applyColour(list_, QPalette::Base, control_.color());
  }

  QListWidget* list_;
  ui::TListBox& control_;
  bool itemsDeferred_ = false;
};

class RadioGroupBinding : public Binding {
 public:
  RadioGroupBinding(FormView& v, ui::TRadioGroup& c, QGroupBox* w)
      : Binding(v, c, w), box_(w), group_(new QButtonGroup(w)), grid_(new QGridLayout(w)), control_(c) {
    QObject::connect(group_, &QButtonGroup::idClicked, w, [this](int id) {
      view_.userAction([this, id] { control_.userSelect(id); });
      update(ui::Prop::ItemIndex);
    });
  }
  void update(ui::Prop p) override {
    if (p == ui::Prop::Caption) box_->setTitle(mnemonicCaption(control_.caption()));
    if (p == ui::Prop::Items) rebuild();
    if (p == ui::Prop::Items || p == ui::Prop::ItemIndex) {
      const QSignalBlocker block(group_);
      for (QAbstractButton* b : group_->buttons()) b->setChecked(group_->id(b) == control_.itemIndex());
    }
  }

 private:
  void rebuild() {
    for (QAbstractButton* b : group_->buttons()) {
      group_->removeButton(b);
      delete b;
    }
    const int n = control_.items().count();
    const int cols = std::max(1, control_.columns());
    const int rows = (n + cols - 1) / cols;
    for (int i = 0; i < n; ++i) {
      auto* radio = new QRadioButton(mnemonicCaption(control_.items()[i]), box_);
      group_->addButton(radio, i);
      grid_->addWidget(radio, i % rows, i / rows);
    }
  }

  QGroupBox* box_;
  QButtonGroup* group_;
  QGridLayout* grid_;
  ui::TRadioGroup& control_;
};

// ---- containers ------------------------------------------------------------------------------

class ContainerBinding : public Binding {
 public:
  ContainerBinding(FormView& v, ui::TWinControl& c, QWidget* w, QGroupBox* titled)
      : Binding(v, c, w), titled_(titled), control_(c) {}
  QWidget* content() const override { return widget_; }
  void update(ui::Prop p) override {
    if (p == ui::Prop::Caption && titled_) titled_->setTitle(mnemonicCaption(control_.caption()));
  }

 private:
  QGroupBox* titled_;
  ui::TWinControl& control_;
};

class TabSheetBinding : public Binding {
 public:
  TabSheetBinding(FormView& v, ui::TTabSheet& c, QScrollArea* w) : Binding(v, c, w), sheet_(c) {
    w->setWidgetResizable(true);
    w->setFrameShape(QFrame::NoFrame);
    content_ = new QWidget(w);
    w->setWidget(content_);
  }
  QWidget* content() const override { return content_; }
  bool ownsVisibility() const override { return true; }
  void attach(QTabWidget* tabs) { tabs_ = tabs; }
  void update(ui::Prop p) override {
    if (!tabs_) return;
    const int index = sheet_.pageIndex();
    if (p == ui::Prop::Caption) tabs_->setTabText(index, mnemonicCaption(sheet_.caption()));
    if (p == ui::Prop::TabVisible) tabs_->setTabVisible(index, sheet_.tabVisible());
  }

 private:
  ui::TTabSheet& sheet_;
  QWidget* content_;
  QTabWidget* tabs_ = nullptr;
};

class PageControlBinding : public Binding {
 public:
  PageControlBinding(FormView& v, ui::TPageControl& c, QTabWidget* w)
      : Binding(v, c, w), tabs_(w), control_(c) {
    QObject::connect(w, &QTabWidget::currentChanged, w, [this](int index) {
      if (updating_) return;
      view_.userAction([this, index] { control_.userSelectPage(index); });
      update(ui::Prop::ActivePage);
    });
  }
  void addPage(Binding& page) override {
    const ScopedUpdate guard(updating_);
    tabs_->addTab(page.widget(), QString());
    static_cast<TabSheetBinding&>(page).attach(tabs_);
  }
  void update(ui::Prop p) override {
    if (p != ui::Prop::ActivePage) return;
    const ScopedUpdate guard(updating_);
    tabs_->setCurrentIndex(control_.activePageIndex());
  }

 private:
  struct ScopedUpdate {
    bool& flag;
    bool saved;
    explicit ScopedUpdate(bool& f) : flag(f), saved(f) { flag = true; }
    ~ScopedUpdate() { flag = saved; }
  };
  QTabWidget* tabs_;
  ui::TPageControl& control_;
  bool updating_ = false;
};

// ---- components without a place on screen ----------------------------------------------------

class TimerBinding : public Binding {
 public:
  TimerBinding(FormView& v, ui::TTimer& t) : Binding(v, t, nullptr), control_(t) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_,
                     [this] { view_.userAction([this] { control_.fire(); }); });
  }
  void update(ui::Prop p) override {
    if (p != ui::Prop::Timer) return;
    if (control_.enabled())
      timer_.start(std::max(0, control_.interval()));
    else
      timer_.stop();
  }

 private:
  QTimer timer_;
  ui::TTimer& control_;
};

}  // namespace

Binding::Binding(FormView& view, ui::TComponent& model, QWidget* widget)
    : view_(view), model_(model), widget_(widget) {
  model_.setView(this);
  if (widget) view.registerWidget(&model, widget);
}

Binding::~Binding() { model_.setView(nullptr); }

void Binding::changed(ui::Prop prop) {
  if (auto* control = dynamic_cast<ui::TControl*>(&model_); control && widget_) {
    if (prop == ui::Prop::Visible && !ownsVisibility()) widget_->setVisible(control->visible());
    if (prop == ui::Prop::Enabled) widget_->setEnabled(control->enabled());
  }
  update(prop);
}

void Binding::refreshAll() {
  using ui::Prop;
  for (Prop p :
       {Prop::Items, Prop::Caption, Prop::Text, Prop::Enabled, Prop::Visible, Prop::Color, Prop::Checked,
        Prop::ItemIndex, Prop::ReadOnly, Prop::MaxLength, Prop::ActivePage, Prop::TabVisible, Prop::Position,
        Prop::Date, Prop::Bounds, Prop::Cursor, Prop::Timer, Prop::Data, Prop::Font})
    changed(p);
}

namespace {

std::unique_ptr<Binding> makeWidgetBinding(FormView& view, ui::TControl& c, QWidget* parent) {
  using std::make_unique;
  // Most derived kinds first.
  if (auto* x = dynamic_cast<ui::TSpeedButton*>(&c)) {
    auto* w = new QToolButton(parent);
    w->setFocusPolicy(Qt::NoFocus);
    return make_unique<ButtonBinding>(view, *x, w);
  }
  if (auto* x = dynamic_cast<ui::TButton*>(&c))
    return make_unique<ButtonBinding>(view, *x, new QPushButton(parent));
  if (auto* x = dynamic_cast<ui::TCustomEdit*>(&c))
    return make_unique<EditBinding>(view, *x, new QLineEdit(parent));
  if (auto* x = dynamic_cast<ui::TCheckBox*>(&c))
    return make_unique<CheckBoxBinding>(view, *x, new QCheckBox(parent));
  if (auto* x = dynamic_cast<ui::TRadioGroup*>(&c))
    return make_unique<RadioGroupBinding>(view, *x, new QGroupBox(parent));
  if (auto* x = dynamic_cast<ui::TComboBox*>(&c))
    return make_unique<ComboBinding>(view, *x, new QComboBox(parent));
  if (auto* x = dynamic_cast<ui::TListBox*>(&c))
    return make_unique<ListBinding>(view, *x, new QListWidget(parent));
  if (auto* x = dynamic_cast<ui::TDateTimePicker*>(&c))
    return make_unique<DateBinding>(view, *x, new QDateEdit(parent));
  if (auto* x = dynamic_cast<ui::TProgressBar*>(&c))
    return make_unique<ProgressBinding>(view, *x, new QProgressBar(parent));
  if (auto* x = dynamic_cast<ui::TPageControl*>(&c))
    return make_unique<PageControlBinding>(view, *x, new QTabWidget(parent));
  if (auto* x = dynamic_cast<ui::TTabSheet*>(&c))
    return make_unique<TabSheetBinding>(view, *x, new QScrollArea(parent));
  if (auto* x = dynamic_cast<ui::TGroupBox*>(&c)) {
    auto* w = new QGroupBox(parent);
    return make_unique<ContainerBinding>(view, *x, w, w);
  }
  if (auto* x = dynamic_cast<ui::TWinControl*>(&c))  // panels
    return make_unique<ContainerBinding>(view, *x, new QFrame(parent), nullptr);
  return make_unique<LabelBinding>(view, c, new QLabel(parent));
}

}  // namespace

std::unique_ptr<Binding> makeBinding(FormView& view, ui::TControl& c, QWidget* parent) {
  std::unique_ptr<Binding> made = makeDataBinding(view, c, parent);
  if (!made) made = makeWidgetBinding(view, c, parent);
  made->widget()->setObjectName(QString::fromStdString(c.name()));
  return made;
}

std::unique_ptr<Binding> makeComponentBinding(FormView& view, ui::TComponent& component) {
  if (auto* t = dynamic_cast<ui::TTimer*>(&component)) return std::make_unique<TimerBinding>(view, *t);
  return nullptr;
}

std::uint16_t virtualKeyOfQt(int key) {
  switch (key) {
    case Qt::Key_Backspace:
      return ui::kKeyBack;
    case Qt::Key_Tab:
      return ui::kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ui::kKeyReturn;
    case Qt::Key_Escape:
      return ui::kKeyEscape;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      break;
  }
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ||
      key == Qt::Key_Space)
    return static_cast<std::uint16_t>(key);  // Qt uses the same codes for these
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<std::uint16_t>(112 + key - Qt::Key_F1);
  return 0;
}

}  // namespace riviza::gui
