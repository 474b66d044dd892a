// TPathDialog over the dialogs service (form library, application shell); see UPathDialog.h.
#include "app/UPathDialog.h"

namespace riviza {

TPathDialog::TPathDialog(ui::TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {}

void TPathDialog::setStatusText(std::string text) {
  statusText_ = std::move(text);
  if (window_) window_->setStatusText(statusText_);
}

void TPathDialog::setPathName(std::string path) {
  pathName_ = std::move(path);
  if (window_) window_->setSelection(pathName_);
}

void TPathDialog::setEnableOk(bool enable) {
  enableOk_ = enable;
  if (window_) window_->enableOk(enableOk_);
}

bool TPathDialog::Execute() {
  const std::string vorher = pathName_;
  ui::FolderRequest request{
      .title = title_,
      .statusText = statusText_,
      .pathName = pathName_,
      .enableOk = enableOk_,
      .onInit =
          [this] {
            if (OnInit) OnInit(*this);
          },
      .onSelChanged =
          [this](const std::string& path) {
            pathName_ = path;
            if (OnSelChanged) OnSelChanged(*this);
          },
      .statusLine = options_.contains(TPathOption::poStatusText) || !statusText_.empty(),
      .onWindow = [this](ui::FolderDialogWindow* window) { window_ = window; },
  };
  std::optional<std::string> gewaehlt = ui::dialogs().browseForFolder(request);
  window_ = nullptr;
  if (!gewaehlt) {
    // The selection events moved PathName along; a cancelled dialog chose nothing.
    pathName_ = vorher;
    return false;
  }
  pathName_ = *gewaehlt;
  return true;
}

bool ordnerWaehlen(TPathDialog& dialog, ui::TCustomEdit& edit) {
  dialog.setPathName(edit.text());
  if (!dialog.Execute()) return false;
  edit.setText(dialog.PathName());
  return true;
}

}  // namespace riviza
