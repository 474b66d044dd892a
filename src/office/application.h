// Application: the spreadsheet program in place of Excel reached through automation, with its
// workbooks, its settings and the hand-over of visible workbooks to the user (office layer).
//
// One application object per program is "the running one": start() makes a new one the running
// one (CreateOleObject), connect() answers the running one or starts it (GetActiveOleObject,
// else create). quit() closes every workbook unsaved, without prompts, and the object stops
// being the running one; a caller still holding it gets kClosed from every later call.
//
// Visible: Excel showed its workbooks on screen. Here a workbook is shown by presenting it:
// saved as .xlsx into the export folder under its active sheet's name with a time stamp
// ("Patienten_20240315_103000.xlsx", "_2", "_3" ... when taken; never over an existing file;
// mode 0600 as it may hold patient data) and handed to the document opener, by default the
// desktop's default program (xdg-open), so the user sees it in LibreOffice as he saw it in
// Excel. present() does that for every workbook changed since it was last shown when the
// program lets go of a visible application; presentWorkbook() for PrintPreview. Tests and
// riviza-batch install their own opener (setDocumentOpener), which gets the saved path.
//
//   (none) --start() / connect() without one--> running --addWorkbook() / openWorkbook()-->
//   running with workbooks (the last added or opened is active; Workbook::close() forgets one)
//   running --quit()--> quitted: no workbooks, not the running one; every call answers kClosed
//   another start() --> the new one is running; the old one keeps its workbooks, unreachable
//                       through running()
// assertInvariants() checks, in debug builds, that the active workbook is one of the list and
// that a quitted application holds none and is not the running one.
//
// Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "office/workbook.h"
#include "platform/result.h"

namespace riviza::office {

class Application : public std::enable_shared_from_this<Application> {
 public:
  Application() = default;
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // A new instance; the running one from now on.
  static std::shared_ptr<Application> start();
  // The running instance, or a new one.
  static std::shared_ptr<Application> connect();
  // The running instance; null when none (none was started, or it quit).
  static std::shared_ptr<Application> running();

  // ---- Workbooks ----
  int workbookCount() const { return static_cast<int>(books_.size()); }
  std::shared_ptr<Workbook> workbook(int index) const;  // Workbooks.Item(index), from 1
  // Workbooks.Add: a new workbook with one sheet "Tabelle1"; now the active workbook.
  Result<std::shared_ptr<Workbook>> addWorkbook();
  // Workbooks.Open: an .xlsx (zip reader and expat) or an .xls (freexl), told apart by content.
  // Values and sheet names are read; other formatting is not kept. kFileNotFound, kBadFile.
  Result<std::shared_ptr<Workbook>> openWorkbook(std::string_view pathText);
  std::shared_ptr<Workbook> activeWorkbook() const;  // null when none is open

  // ---- settings ----
  bool displayAlerts() const { return displayAlerts_; }
  void setDisplayAlerts(bool on) { displayAlerts_ = on; }
  bool screenUpdating() const { return screenUpdating_; }
  void setScreenUpdating(bool on) { screenUpdating_ = on; }
  bool visible() const { return visible_; }
  void setVisible(bool on) { visible_ = on; }
  bool userControl() const { return userControl_; }
  void setUserControl(bool on) { userControl_ = on; }
  // Where presented workbooks are saved (path text; created when missing).
  const std::string& exportFolder() const { return exportFolder_; }
  void setExportFolder(std::string folderText) { exportFolder_ = std::move(folderText); }

  void quit();
  bool quitted() const { return quitted_; }

  // Presents every open workbook changed since it was last shown; the native paths saved.
  Result<std::vector<std::string>> present();
  // Presents one workbook (also when unchanged); the native path saved.
  Result<std::string> presentWorkbook(Workbook& book);

  // Workbooks close themselves out of the list.
  void forget(const Workbook* book);

  // When set, every Range call is appended as "Sheet.Range(A1:B2).Value" (a test's spy).
  std::vector<std::string>* callLog = nullptr;

  void assertInvariants() const;

 private:
  std::vector<std::shared_ptr<Workbook>> books_;
  std::shared_ptr<Workbook> active_;
  std::string exportFolder_;
  bool displayAlerts_ = true;
  bool screenUpdating_ = true;
  bool visible_ = false;
  bool userControl_ = false;
  bool quitted_ = false;
};

// Opens a saved workbook (its native path) for the user.
using DocumentOpener = std::function<Status(const std::string& nativePath)>;
// Installs an opener for all applications; an empty one restores the desktop's default
// program. Returns the one installed before.
DocumentOpener setDocumentOpener(DocumentOpener opener);

// Installs an opener for its lifetime (tests).
class ScopedDocumentOpener {
 public:
  explicit ScopedDocumentOpener(DocumentOpener opener) : saved_(setDocumentOpener(std::move(opener))) {}
  ~ScopedDocumentOpener() { setDocumentOpener(std::move(saved_)); }
  ScopedDocumentOpener(const ScopedDocumentOpener&) = delete;
  ScopedDocumentOpener& operator=(const ScopedDocumentOpener&) = delete;

 private:
  DocumentOpener saved_;
};

}  // namespace riviza::office
