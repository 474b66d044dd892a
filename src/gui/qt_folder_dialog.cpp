// The folder dialog on Qt (Qt layer): QtDialogs::browseForFolder, the window of the folder
// pickers, the data-root change and the backup target (TPathDialog in the form library).
//
// A dialog of its own rather than QFileDialog, because its owner steers it while it is open
// (ui::FolderDialogWindow): the title above a tree of the machine's folders, a status line
// under the tree, and OK and Cancel, where the owner's callbacks may change the status text,
// the selection and whether OK can be pressed. Folders cross to the model as the user sees and
// stores them: in drive form where a drive of the prefix maps the folder ("D:\Sicherung", also
// when the tree went there through dosdevices/d:), else the Linux path, never "\home\...\d:\".
// The buttons are Qt's standard ones, German through the translation the shell installs.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "gui/qt_dialogs.h"
#include "platform/paths.h"

namespace riviza::gui {
namespace {

class QtFolderDialog final : public QDialog, public ui::FolderDialogWindow {
 public:
  QtFolderDialog(QWidget* parent, const ui::FolderRequest& request)
      : QDialog(parent), request_(request), statusLine_(request.statusLine || !request.statusText.empty()) {
    setObjectName("PathDialog");
    setWindowTitle("Ordner suchen");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromStdString(request.title), this);
    title->setObjectName("PathDialogTitle");
    title->setWordWrap(true);
    title->setVisible(!request.title.empty());
    layout->addWidget(title);

    model_.setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_.setRootPath(QDir::rootPath());
    tree_ = new QTreeView(this);
    tree_->setObjectName("PathDialogTree");
    tree_->setModel(&model_);
    tree_->setRootIndex(model_.index(QDir::rootPath()));
    for (int column = 1; column < model_.columnCount(); ++column) tree_->hideColumn(column);
    tree_->header()->hide();
    layout->addWidget(tree_, 1);

    status_ = new QLabel(this);
    status_->setObjectName("PathDialogStatus");
    status_->setWordWrap(true);
    layout->addWidget(status_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QObject::connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    QObject::connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons_);
    resize(420, 480);

    setStatusText(request.statusText);
    setSelection(request.pathName);
    enableOk(request.enableOk);
    // The model reads folders in the background: the selection is brought into view again as
    // the folders on its way arrive.
    QObject::connect(&model_, &QFileSystemModel::directoryLoaded, this,
                     [this] { tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter); });
    QObject::connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                     [this](const QModelIndex& now) {
                       if (now.isValid() && request_.onSelChanged)
                         request_.onSelChanged(platform::userPath(model_.filePath(now).toStdString()));
                     });
  }

  void setStatusText(const std::string& text) override {
    status_->setText(QString::fromStdString(text));
    status_->setVisible(statusLine_);
  }

  void setSelection(const std::string& pathName) override {
    if (pathName.empty()) return;
    const QModelIndex index = model_.index(QString::fromStdString(platform::nativePath(pathName).string()));
    if (!index.isValid()) return;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  }

  void enableOk(bool enable) override { buttons_->button(QDialogButtonBox::Ok)->setEnabled(enable); }

  std::optional<std::string> chosen() const {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid()) return std::nullopt;
    return platform::userPath(model_.filePath(index).toStdString());
  }

 private:
  const ui::FolderRequest& request_;
  bool statusLine_;
  QFileSystemModel model_;
  QTreeView* tree_ = nullptr;
  QLabel* status_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace

std::optional<std::string> QtDialogs::browseForFolder(const ui::FolderRequest& request) {
  QtFolderDialog dialog(QApplication::activeWindow(), request);
  if (request.onWindow) request.onWindow(&dialog);
  if (request.onInit) request.onInit();
  const bool ok = dialog.exec() == QDialog::Accepted;
  if (request.onWindow) request.onWindow(nullptr);
  return ok ? dialog.chosen() : std::nullopt;
}

}  // namespace riviza::gui
