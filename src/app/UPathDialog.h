// TPathDialog, the folder-browse component of unit UPathDialog (application
// core): the folder pickers of the settings form, the data-root change and the backup target
// choose folders through its one instance PathDialog1.
//
// Execute hands the properties to the dialogs service (ui::Dialogs::browseForFolder): a Qt
// folder dialog in the program, scripted answers in tests. While the dialog is open the
// component knows its window, so StatusText, PathName and EnableOk set by a handler (OnInit,
// OnSelChanged) reach the open dialog at once. Of the options, a status line is what the
// dialog shows (poStatusText or a non-empty StatusText); browsing for computers or printers,
// staying above the domain and returning only file-system folders mean nothing for a folder
// tree of the local file system and are kept as properties without effect.
//
//   closed --Execute()--> open (window known; OnInit, OnSelChanged fire) --OK/Cancel--> closed
#pragma once

#include <functional>
#include <set>
#include <string>

#include "ui/component.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace riviza {

enum class TPathOption {
  poBrowseForComputer,
  poBrowseForPrinter,
  poDontGoBelowDomain,
  poReturnFsAncestors,
  poReturnOnlyFsDirs,
  poStatusText
};
using TPathOptions = std::set<TPathOption>;

class TPathDialog : public ui::TComponent {
 public:
  TPathDialog(ui::TComponent* owner, std::string name);

  const std::string& Title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  const std::string& StatusText() const { return statusText_; }
  void setStatusText(std::string text);
  // The folder selected at open; after a successful Execute the chosen folder (path text).
  const std::string& PathName() const { return pathName_; }
  void setPathName(std::string path);
  const TPathOptions& Options() const { return options_; }
  void setOptions(TPathOptions options) { options_ = std::move(options); }
  bool EnableOk() const { return enableOk_; }
  void setEnableOk(bool enable);

  ui::TNotifyEvent OnInit;
  // After each change of the selection, with PathName already the new folder.
  ui::TNotifyEvent OnSelChanged;

  // Runs the modal folder dialog: true when a folder was chosen (PathName holds it); after a
  // cancel PathName is what it was before, whatever the selection went through meanwhile.
  bool Execute();
  bool isOpen() const { return window_ != nullptr; }

 private:
  std::string title_;
  std::string statusText_;
  std::string pathName_;
  TPathOptions options_;
  bool enableOk_ = true;
  ui::FolderDialogWindow* window_ = nullptr;
};

// Lets the user choose a folder for the edit, starting from its text; a cancelled dialog
// changes nothing. True when a folder was chosen.
bool ordnerWaehlen(TPathDialog& dialog, ui::TCustomEdit& edit);

}  // namespace riviza
