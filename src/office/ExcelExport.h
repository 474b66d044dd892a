// TExcelExport: the non-visual component that writes a dataset, or rows supplied through events,
// into a worksheet of the spreadsheet layer: header lines, a title row, the data in blocks of
// rows, number formats, summary formulas, column widths, outline groups and footer lines, each
// area with its own font and borders; afterwards the workbook is shown or discarded (office
// layer: it takes what it needs of the settings as values, ExportFolder).
//
// Used by the table exports and the census through the settings form's ExcelExport1. A caller:
//   ExcelVisible := ..., ResetFormatting(), SetDataset(&table), WorksheetName := ...,
//   ConnectTo := ...; ConnectExcel(); ExportDataset(); (optionally more cells through
//   Worksheet()->range(...)); DisconnectExcel() in every case, also after an exception.
// The worksheet stays addressable between ConnectExcel and DisconnectExcel (Worksheet(),
// Workbook(), Application()); several exports into one connection write into the same sheet.
//
// Connection (office/application.h): ctNewExcel starts a new application object (and opens
// Filename when given), ctNewWorkbook and ctNewWorksheet use the running one or start it.
// DisconnectExcel with ExcelVisible False quits it (the workbook is discarded, no prompt); with
// ExcelVisible True a visible application presents its changed workbooks: saved into
// ExportFolder (else the program folder) under the sheet's name with a time stamp, mode 0600,
// and opened with the desktop's program.
//
// Values are typed: numbers, dates and flags of the dataset's fields become numbers, dates and
// flags of the sheet (SUM works), texts stay texts, never formulas. Columns are counted among the
// exported fields everywhere, the group stage included.
//
// States:
//   not connected --ConnectExcel() (or ExportDataset(), which connects first)--> connected
//   connected --ExportDataset() / SaveWorksheetAs() / PrintPreviewWorksheet()--> connected
//   connected --DisconnectExcel()--> not connected (the workbook presented or discarded)
//   not connected --SaveWorksheetAs() / PrintPreviewWorksheet()--> ENoActiveWorkbook
// Failures raise the exceptions of ExcelExport_types.h; the component stays in its state and
// the dataset's position and controls are restored. assertInvariants() checks, in debug builds,
// that a connection holds application, workbook and worksheet and the row rules of the
// properties (titles below the header lines, data below the titles).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/TTable.h"
#include "office/ExcelExport_types.h"
#include "office/application.h"
#include "office/range.h"
#include "ui/strings.h"

namespace riviza {

class ExportSource;

class TExcelExport : public TComponent, private db::TableObserver {
 public:
  TExcelExport(TComponent* owner, std::string name);
  ~TExcelExport() override;

  // ---- published properties without rules ----
  bool ExcelVisible = true;
  TConnectTo ConnectTo = ctNewExcel;
  TDataPipe DataPipe = dpDataSet;
  std::string Filename;
  std::string WorksheetName;
  TStyleColumnWidth StyleColumnWidth = cwDefault;
  int ColumnWidth = 0;
  bool VisibleFieldsOnly = true;
  TSummarySelection SummarySelection = ssNone;
  TSummaryCalculation SummaryCalculation = scSUM;
  int BlockOfRecords = 20;
  TGroupOptions GroupOptions;
  // Where a visible workbook is saved, as ConnectExcel finds it; empty: the program folder. The
  // caller sets it from its settings; ResetFormatting keeps it.
  std::string ExportFolder;

  // ---- published properties with rules ----
  db::TTable* Dataset() const { return dataset_; }
  void SetDataset(db::TTable* table);  // cleared when that table goes away
  // The six fonts: modify in place, or assign (only the TFont part is copied).
  TxlFont& FontHeader() { return fontHeader_; }
  TxlFont& FontTitles() { return fontTitles_; }
  TxlFont& FontData() { return fontData_; }
  TxlFont& FontSummary() { return fontSummary_; }
  TxlFont& FontFooter() { return fontFooter_; }
  TxlFont& FontGroup() { return fontGroup_; }
  void SetFontHeader(const TFont& f) { static_cast<TFont&>(fontHeader_) = f; }
  void SetFontTitles(const TFont& f) { static_cast<TFont&>(fontTitles_) = f; }
  void SetFontData(const TFont& f) { static_cast<TFont&>(fontData_) = f; }
  void SetFontSummary(const TFont& f) { static_cast<TFont&>(fontSummary_) = f; }
  void SetFontFooter(const TFont& f) { static_cast<TFont&>(fontFooter_) = f; }
  void SetFontGroup(const TFont& f) { static_cast<TFont&>(fontGroup_) = f; }
  TCellBorder BorderHeader, BorderTitles, BorderData, BorderSummary, BorderFooter, BorderGroup;

  const ui::TStrings& HeaderText() const { return headerText_; }
  void SetHeaderText(std::vector<std::string> lines);
  const ui::TStrings& FooterText() const { return footerText_; }
  void SetFooterText(std::vector<std::string> lines) { footerText_.assign(std::move(lines)); }
  const ui::TStrings& SummaryFields() const { return summaryFields_; }
  void SetSummaryFields(std::vector<std::string> lines);  // stored upper-cased
  const ui::TStrings& GroupFields() const { return groupFields_; }
  void SetGroupFields(std::vector<std::string> lines) { groupFields_.assign(std::move(lines)); }

  bool ShowTitles() const { return showTitles_; }
  void SetShowTitles(bool on);
  int BeginRowHeader() const { return beginRowHeader_; }
  void SetBeginRowHeader(int row);
  int BeginRowTitles() const { return beginRowTitles_; }
  void SetBeginRowTitles(int row);
  int BeginRowData() const { return beginRowData_; }
  void SetBeginRowData(int row);
  int BeginColumnHeader() const { return beginColumnHeader_; }
  void SetBeginColumnHeader(int column) { beginColumnHeader_ = column <= 0 ? 1 : column; }
  int BeginColumnData() const { return beginColumnData_; }
  void SetBeginColumnData(int column) { beginColumnData_ = column <= 0 ? 1 : column; }

  // ---- events ----
  TOnExportEvent OnExportRecords;
  TOnGetCellBackgroundColorEvent OnGetCellBackgroundColorEvent;
  TOnGetFieldCount OnGetFieldCount;
  TOnGetFieldName OnGetFieldName;
  TOnGetFieldDisplayName OnGetFieldDisplayName;
  TOnGetFieldDisplayWidth OnGetFieldDisplayWidth;
  TOnGetFieldDataSize OnGetFieldDataSize;
  TOnGetFieldDataType OnGetFieldDataType;
  TOnGetFieldVisible OnGetFieldVisible;
  TOnGetEOF OnGetEOF;
  TOnGetFieldValue OnGetFieldValue;
  TNotifyEvent OnGotoFirstRecord, OnGotoNextRecord;

  // ---- operations ----
  void ResetFormatting();
  void ConnectExcel();
  virtual void ExportDataset();
  // kind 0: .xlsx; 1: nothing; 2: CSV (file format 6); 3: file format 43, written as .xlsx.
  virtual void SaveWorksheetAs(const std::string& fileName, int kind);
  virtual void PrintPreviewWorksheet(bool gridLines);
  virtual void DisconnectExcel();
  bool Connected() const { return connected_; }
  void assertInvariants() const;

  // The connection's objects (null while not connected).
  const std::shared_ptr<office::Application>& Application() const { return excel_; }
  const std::shared_ptr<office::Workbook>& Workbook() const { return workbook_; }
  const std::shared_ptr<office::Worksheet>& Worksheet() const { return worksheet_; }

  // After an export: the rows it used (the footer row is the row after the data, the summary
  // or the groups).
  int RecordCount() const { return recordCount_; }
  int LastDataRow() const { return lastDataRow_; }
  int FooterRow() const { return footerRow_; }
  // The sheet column of the exported field of that name (ignoring case), for a cell the caller
  // writes over the column; 0 when the last export left the field out.
  int ColumnOfField(std::string_view fieldName) const;

  // The column letters of the component: "A" for columns up to 1, "A"-"Z", "AA"-"ZZ", and "ZZ"
  // from 703 on.
  static std::string ColumnLetters(int column);

 private:
  struct ExportField {
    std::string name;
    int index;  // the field's index in the dataset (or the custom pipe)
    TFieldType type;
  };

  void tableDestroyed(db::TTable& table) override;
  std::unique_ptr<ExportSource> makeSource();
  std::string datasetName() const;  // the Name of the dataset's table component, if it has one
  void requireWorkbook() const;

  // Stages of ExportDataset (ExcelExport_stages.cpp).
  void writeLines(const ui::TStrings& lines, int firstRow, const TxlFont& font, const TCellBorder& border);
  void writeTitles(ExportSource& source);
  void setNumberFormats(ExportSource& source);
  void writeData(ExportSource& source);
  void writeSummary();
  void setColumnWidths();
  void writeGroups(ExportSource& source);
  struct GroupLevel;  // ExcelExport_groups.cpp
  std::vector<GroupLevel> groupLevels(ExportSource& source) const;
  void insertGroupRows(ExportSource& source, std::vector<GroupLevel>& levels);
  void formatGroups(const std::vector<GroupLevel>& levels);

  // The range between two cells by their A1 names; an automation failure raises.
  office::Range range(int row1, int column1, int row2, int column2) const;
  office::Range cell(int row, int column) const { return range(row, column, row, column); }
  Status formatRange(const TxlFont& font, const TCellBorder& border, int row1, int column1, int row2,
                     int column2, bool dataArea);
  int lastExportColumn() const { return beginColumnData_ + static_cast<int>(exportFields_.size()) - 1; }
  int columnOfField(int index) const;  // 0 when the field is not exported

  db::TTable* dataset_ = nullptr;
  TxlFont fontHeader_, fontTitles_, fontData_, fontSummary_, fontFooter_, fontGroup_;
  ui::TStrings headerText_, footerText_, summaryFields_, groupFields_;
  bool showTitles_ = true;
  int beginRowHeader_ = 1, beginRowTitles_ = 1, beginRowData_ = 2;
  int beginColumnHeader_ = 1, beginColumnData_ = 1;

  bool connected_ = false;
  std::shared_ptr<office::Application> excel_;
  std::shared_ptr<office::Workbook> workbook_;
  std::shared_ptr<office::Worksheet> worksheet_;
  std::vector<ExportField> exportFields_;
  int recordCount_ = 0;
  int lastDataRow_ = 1;
  int footerRow_ = 2;
};

// A TColor as a spreadsheet colour: system colours (clWindowText, clWindow, ...) as the
// Windows defaults show them, others as their $BBGGRR value.
office::XlColor xlColorOf(TColor color);

}  // namespace riviza
