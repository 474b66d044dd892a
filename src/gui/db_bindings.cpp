// Widgets of the data-aware grid and navigator, and of images (Qt layer); see bindings.h.
#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "gui/bindings.h"
#include "gui/form_view.h"
#include "ui/db_controls.h"

namespace riviza::gui {
namespace {

constexpr auto kCheckMark = "check";

// The grid's rows as Qt asks for them; every cell goes through the grid's OnDrawColumnCell.
class GridModel : public QAbstractTableModel {
 public:
  GridModel(FormView& view, ui::TDBGrid& grid, QObject* parent)
      : QAbstractTableModel(parent), view_(view), grid_(grid) {}

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : grid_.rowCount(); }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : grid_.columnCount();
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::DecorationRole &&
        role != Qt::TextAlignmentRole)
      return {};
    const ui::TGridCell cell = grid_.cell(index.row(), index.column());
    const bool checkMark = cell.picture == kCheckMark;
    if (role == Qt::TextAlignmentRole) return checkMark ? QVariant(Qt::AlignCenter) : QVariant();
    if (role == Qt::DecorationRole)
      return cell.picture.empty() || checkMark ? QVariant()
                                               : QVariant(QPixmap(QString::fromStdString(cell.picture)));
    return checkMark && cell.text.empty() ? QString::fromUtf8("✓") : QString::fromStdString(cell.text);
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
      return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(grid_.columnTitle(section));
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return grid_.readOnly() ? f : f | Qt::ItemIsEditable;
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole) return false;
    bool stored = false;
    view_.userAction(
        [&] { stored = grid_.userEditCell(index.row(), index.column(), value.toString().toStdString()); });
    return stored;
  }

  void reset() {
    beginResetModel();
    endResetModel();
  }

 private:
  FormView& view_;
  ui::TDBGrid& grid_;
};

class GridBinding : public Binding {
 public:
  GridBinding(FormView& v, ui::TDBGrid& grid, QTableView* table)
      : Binding(v, grid, table), table_(table), grid_(grid), model_(new GridModel(v, grid, table)) {
    table->setModel(model_);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    QObject::connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, table,
                     [this](const QModelIndex& now) {
                       if (updating_ || !now.isValid()) return;
                       view_.userAction([this, row = now.row()] { grid_.userSelectRow(row); });
                       showCurrentRow();
                     });
  }
  void update(ui::Prop p) override {
    if (p != ui::Prop::Data && p != ui::Prop::ReadOnly) return;
    updating_ = true;
    model_->reset();
    sizeColumns();
    updating_ = false;
    showCurrentRow();
  }

 private:
  // A column of fixed width keeps it against the user's drag too; the others fit their contents.
  // The header's smallest section (from the font) would widen a narrow check-mark column; its
  // title is not cut, though (the design's 19 pixels left "ıck" of "DruckDlz").
  void sizeColumns() {
    QHeaderView* header = table_->horizontalHeader();
    for (int column = 0; column < model_->columnCount(QModelIndex()); ++column) {
      if (int pixels = grid_.columnWidth(column)) {
        pixels = std::max(pixels, header->sectionSizeHint(column));
        header->setMinimumSectionSize(std::min(header->minimumSectionSize(), pixels));
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        header->resizeSection(column, pixels);
      } else {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        table_->resizeColumnToContents(column);
      }
    }
  }

  void showCurrentRow() {
    updating_ = true;
    const int row = grid_.currentRow();
    if (row >= 0 && row < model_->rowCount(QModelIndex())) {
      const QModelIndex at = model_->index(row, std::max(0, table_->currentIndex().column()));
      table_->selectionModel()->setCurrentIndex(
          at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      table_->scrollTo(at);
    } else {
      table_->selectionModel()->clear();
    }
    updating_ = false;
  }

  QTableView* table_;
  ui::TDBGrid& grid_;
  GridModel* model_;
  bool updating_ = false;
};

class NavigatorBinding : public Binding {
 public:
  NavigatorBinding(FormView& v, ui::TDBNavigator& nav, QWidget* w) : Binding(v, nav, w), nav_(nav) {
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<ui::TNavigateBtn, const char*> buttons[] = {{ui::TNavigateBtn::nbFirst, "|◀"},
                                                                {ui::TNavigateBtn::nbPrior, "◀"},
                                                                {ui::TNavigateBtn::nbNext, "▶"},
                                                                {ui::TNavigateBtn::nbLast, "▶|"}};
    for (auto [which, glyph] : buttons) {
      auto* b = new QToolButton(w);
      b->setText(QString::fromUtf8(glyph));
      row->addWidget(b);
      buttons_.push_back({which, b});
      // Captured by name: clang 14 (clang-tidy) cannot capture a structured binding yet.
      QObject::connect(b, &QToolButton::clicked, b,
                       [this, which = which] { view_.userAction([this, which] { nav_.userClick(which); }); });
    }
  }
  void update(ui::Prop p) override {
    if (p != ui::Prop::Data && p != ui::Prop::Enabled) return;
    for (auto [which, b] : buttons_) b->setEnabled(nav_.buttonEnabled(which));
  }

 private:
  ui::TDBNavigator& nav_;
  std::vector<std::pair<ui::TNavigateBtn, QToolButton*>> buttons_;
};

class ImageBinding : public Binding {
 public:
  ImageBinding(FormView& v, ui::TImage& image, QLabel* w) : Binding(v, image, w), label_(w), image_(image) {}
  void update(ui::Prop p) override {
    if (p != ui::Prop::Caption) return;
    if (image_.picture() == kCheckMark)
      label_->setText(QString::fromUtf8("✓"));
    else
      label_->setPixmap(QPixmap(QString::fromStdString(image_.picture())));
  }

 private:
  QLabel* label_;
  ui::TImage& image_;
};

}  // namespace

std::unique_ptr<Binding> makeDataBinding(FormView& view, ui::TControl& c, QWidget* parent) {
  if (auto* grid = dynamic_cast<ui::TDBGrid*>(&c))
    return std::make_unique<GridBinding>(view, *grid, new QTableView(parent));
  if (auto* nav = dynamic_cast<ui::TDBNavigator*>(&c))
    return std::make_unique<NavigatorBinding>(view, *nav, new QWidget(parent));
  if (auto* image = dynamic_cast<ui::TImage*>(&c))
    return std::make_unique<ImageBinding>(view, *image, new QLabel(parent));
  return nullptr;
}

}  // namespace riviza::gui
