// Workbook: the worksheets of one workbook, its file and its save (office layer).
//
// Excel's Workbook with its Worksheets collection: Worksheets.Count, .Item(n), .Add, lookup by
// name, Close and SaveAs. A new workbook has one sheet "Tabelle1" (the German default); sheets
// added later are "Tabelle2", ... and go before the active sheet, which they become. Names are
// looked up by their valid form (validSheetName), ignoring case.
//
// Saving: .xlsx through libxlsxwriter, or CSV of one sheet (German: ";" between fields, decimal
// comma, dates dd.mm.yyyy, Windows-1252, CR LF, as German Excel writes "CSV (Trennzeichen-
// getrennt)"). Excel's binary .xls formats cannot be written here: SaveAs with one of them writes
// .xlsx under the name with the extension ".xlsx". Every file is written to a temporary file of
// mode 0600 beside the target and renamed into place (exports may hold patient data; a failed
// save leaves an existing file as it was). With DisplayAlerts on, an existing file is not
// replaced (kFileExists): Excel would have asked, and nobody is there to answer.
//
// Life: open --close() / Application::quit()--> closed (its sheets closed too; calls fail with
// kClosed). revision() counts changes, so a presentation shows a workbook again only when it
// changed since it was last shown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "office/worksheet.h"
#include "platform/result.h"

namespace riviza::office {

class Application;

class Workbook : public std::enable_shared_from_this<Workbook> {
 public:
  // A workbook without sheets; Application::addWorkbook and the readers fill it.
  Workbook(Application* app, int maxRows);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // ---- Excel's workbook ----
  int worksheetCount() const { return static_cast<int>(sheets_.size()); }
  // Worksheets.Item(index), from 1; null outside 1..Count.
  std::shared_ptr<Worksheet> worksheet(int index) const;
  // The sheet whose name equals the valid form of `name`, ignoring case; null when none.
  std::shared_ptr<Worksheet> findWorksheet(std::string_view name) const;
  // Worksheets.Add: a new sheet before the active one, named "TabelleN", now active.
  Result<std::shared_ptr<Worksheet>> addWorksheet();
  std::shared_ptr<Worksheet> activeSheet() const;
  // The file the workbook was opened from or last saved to; empty for a new one.
  const std::string& fullName() const { return fullName_; }
  // Close(SaveChanges := False): the workbook and its sheets are gone.
  void close();
  // SaveAs: fileFormat xlWorkbookDefault/xlOpenXMLWorkbook writes .xlsx, xlCSV the CSV of
  // `sheet` (the active sheet when null); xlExcel9795, xlExcel8 and xlWorkbookNormal write .xlsx
  // as said above. A name without extension gets ".xlsx" or ".csv". The path text written.
  Result<std::string> saveAs(std::string_view pathText, int fileFormat, const Worksheet* sheet = nullptr);
  bool closed() const { return closed_; }
  Application* application() const { return app_; }

  // ---- for the readers, the presentation and the sheets ----
  // Appends a sheet at the end under the valid, unused form of `name` ("Tabelle1" when empty).
  std::shared_ptr<Worksheet> appendWorksheet(std::string_view name);
  const std::vector<std::shared_ptr<Worksheet>>& sheets() const { return sheets_; }
  void setFullName(std::string pathText) { fullName_ = std::move(pathText); }
  uint64_t revision() const { return revision_; }
  void touch() { ++revision_; }
  uint64_t presentedRevision = 0;  // the revision last shown to the user (0: never)

 private:
  friend class Application;
  std::string unusedDefaultName() const;

  Application* app_;
  int maxRows_;
  std::vector<std::shared_ptr<Worksheet>> sheets_;
  size_t active_ = 0;
  std::string fullName_;
  uint64_t revision_ = 1;
  bool closed_ = false;
};

}  // namespace riviza::office
