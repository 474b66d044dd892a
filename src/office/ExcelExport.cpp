// TExcelExport: properties and their rules, connecting to and disconnecting from the
// spreadsheet layer, saving and print preview, and the formatting of an area (office layer);
// the export stages are in ExcelExport_stages.cpp.
#include "office/ExcelExport.h"

#include <array>
#include <cassert>

#include "office/ExcelExport_source.h"
#include "office/errors.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/data.h"

namespace riviza {
namespace {

int excelAlignment(THAlignment a) {
  static constexpr std::array<int, 4> kMap{office::xlHAlignGeneral, office::xlHAlignLeft,
                                           office::xlHAlignRight, office::xlHAlignCenter};
  return kMap[static_cast<size_t>(a)];
}

int excelWeight(TBorderWeight w) {
  static constexpr std::array<int, 4> kMap{office::xlHairline, office::xlMedium, office::xlThick,
                                           office::xlThin};
  return kMap[static_cast<size_t>(w)];
}

int excelLineStyle(TBorderLineStyle s) {
  static constexpr std::array<int, 8> kMap{office::xlContinuous,   office::xlDash,      office::xlDashDot,
                                           office::xlDashDotDot,   office::xlDot,       office::xlDouble,
                                           office::xlSlantDashDot, office::xlContinuous};
  return kMap[static_cast<size_t>(s)];
}

// The Windows default colours of the system colours the forms and fonts use, as $BBGGRR.
TColor systemColor(unsigned index) {
  switch (index) {
    case 5:
    case 14:
      return 0xFFFFFF;  // clWindow, clHighlightText
    case 4:
    case 15:
      return 0xF0F0F0;  // clMenu, clBtnFace
    case 16:
      return 0xA0A0A0;  // clBtnShadow
    case 17:
      return 0x6D6D6D;  // clGrayText
    case 13:
      return 0xD77800;  // clHighlight
    case 24:
      return 0xE1FFFF;  // clInfoBk
    default:
      return 0x000000;  // clWindowText, clBtnText, clMenuText, clInfoText, ...
  }
}

// What ConnectExcel reaches before the component takes it over.
struct Connection {
  std::shared_ptr<office::Application> app;
  std::shared_ptr<office::Workbook> book;
  std::shared_ptr<office::Worksheet> sheet;
  bool sheetIsNew = false;  // added by the connection: it takes the worksheet name
};

// A new workbook of the connection's application; its first sheet is the one written.
void addBook(Connection& c) {
  auto book = c.app->addWorkbook();
  if (!book) throw EExcelAutomation(book.error());
  c.book = *book;
  c.sheet = c.book->worksheet(1), c.sheetIsNew = true;
}

// The sheet of that name in the connection's workbook, or a new one.
void findOrAddSheet(Connection& c, const std::string& name) {
  c.sheet = c.book->findWorksheet(name);
  if (c.sheet) return;
  auto added = c.book->addWorksheet();
  if (!added) throw EExcelAutomation(added.error());
  c.sheet = *added, c.sheetIsNew = true;
}

}  // namespace

office::XlColor xlColorOf(TColor color) {
  return (color & 0xFF000000) ? systemColor(color & 0xFF) : color & 0xFFFFFF;
}

std::string TExcelExport::ColumnLetters(int column) {
  if (column <= 0) return "A";
  if (column > 702) return "ZZ";
  std::string letters;
  if (column > 26) letters += static_cast<char>('A' + (column - 1) / 26 - 1);
  letters += static_cast<char>('A' + (column - 1) % 26);
  return letters;
}

TExcelExport::TExcelExport(TComponent* owner, std::string name) : TComponent(owner, std::move(name)) {
  ResetFormatting();
}

TExcelExport::~TExcelExport() { SetDataset(nullptr); }

void TExcelExport::SetDataset(db::TTable* table) {
  if (dataset_ == table) return;
  if (dataset_) dataset_->removeObserver(this);
  dataset_ = table;
  if (dataset_) dataset_->addObserver(this);
}

void TExcelExport::tableDestroyed(db::TTable& table) {
  if (dataset_ == &table) dataset_ = nullptr;
}

void TExcelExport::ResetFormatting() {
  for (TxlFont* f : {&fontHeader_, &fontTitles_, &fontData_, &fontSummary_, &fontFooter_, &fontGroup_})
    *f = TxlFont{};
  for (TCellBorder* b :
       {&BorderHeader, &BorderTitles, &BorderData, &BorderSummary, &BorderFooter, &BorderGroup})
    *b = TCellBorder{};
  Filename.clear();
  WorksheetName.clear();
  StyleColumnWidth = cwDefault;
  ColumnWidth = 0;
  SetHeaderText({});
  SetFooterText({});
  SetSummaryFields({});
  SetGroupFields({});
  SummarySelection = ssNone;
  SummaryCalculation = scSUM;
  GroupOptions = TGroupOptions{};
  ExcelVisible = true;
  ConnectTo = ctNewExcel;
}

void TExcelExport::SetHeaderText(std::vector<std::string> lines) {
  headerText_.assign(std::move(lines));
  if (headerText_.empty()) beginRowHeader_ = 1;
  if (beginRowTitles_ < beginRowHeader_ + headerText_.count())
    SetBeginRowTitles(beginRowHeader_ + headerText_.count());
}

void TExcelExport::SetSummaryFields(std::vector<std::string> lines) {
  for (std::string& line : lines) line = platform::toUpperAscii(line);
  summaryFields_.assign(std::move(lines));
}

void TExcelExport::SetShowTitles(bool on) {
  showTitles_ = on;
  if (on && beginRowData_ == beginRowTitles_) ++beginRowData_;
}

void TExcelExport::SetBeginRowHeader(int row) {
  beginRowHeader_ = headerText_.empty() || row <= 0 ? 1 : row;
  if (beginRowTitles_ < beginRowHeader_ + headerText_.count())
    SetBeginRowTitles(beginRowHeader_ + headerText_.count());
}

void TExcelExport::SetBeginRowTitles(int row) {
  beginRowTitles_ = std::max(row, beginRowHeader_ + headerText_.count());
  if (beginRowTitles_ >= beginRowData_) SetBeginRowData(beginRowTitles_ + 1);
}

void TExcelExport::SetBeginRowData(int row) {
  beginRowData_ = std::max(row, beginRowTitles_);
  if (beginRowData_ == beginRowTitles_ && showTitles_) ++beginRowData_;
}

std::string TExcelExport::datasetName() const {
  // The dataset is a table component of the form that owns us.
  if (!owner()) return {};
  for (TComponent* c : owner()->components())
    if (auto* table = dynamic_cast<ui::TTable*>(c); table && static_cast<db::TTable*>(table) == dataset_)
      return table->name();
  return {};
}

std::unique_ptr<ExportSource> TExcelExport::makeSource() {
  if (DataPipe == dpDataSet) return datasetSource(*dataset_);
  return customSource(*this);
}

void TExcelExport::ConnectExcel() {
  if (connected_) return;
  std::string sheetName = WorksheetName;
  if (sheetName.empty() && DataPipe == dpDataSet) sheetName = datasetName();
  const std::string file = platform::trim(Filename);
  if (ConnectTo == ctNewExcel && !file.empty() && !platform::fileExists(file)) throw EFileNotExists(Filename);

  Connection c;
  if (ConnectTo == ctNewExcel) {
    c.app = office::Application::start();
    if (file.empty()) {
      addBook(c);
    } else {
      auto opened = c.app->openWorkbook(file);
      if (!opened) throw EExcelAutomation(opened.error());
      c.book = *opened;
      findOrAddSheet(c, sheetName);
    }
  } else {
    c.app = office::Application::connect();
    if (ConnectTo == ctNewWorkbook) {
      addBook(c);
    } else {
      if (c.app->workbookCount() == 0) throw ENoActiveWorkbook();
      c.book = c.app->activeWorkbook();
      findOrAddSheet(c, sheetName);
    }
  }
  c.app->setScreenUpdating(false);
  c.app->setExportFolder(ExportFolder.empty() ? platform::currentFolderText() : ExportFolder);
  if (c.sheetIsNew && !sheetName.empty()) throwOnFailure(c.sheet->setName(sheetName));
  excel_ = std::move(c.app), workbook_ = std::move(c.book), worksheet_ = std::move(c.sheet);
  connected_ = true;
  assertInvariants();
}

void TExcelExport::DisconnectExcel() {
  Status shown;
  if (excel_) {
    if (!ExcelVisible) {
      excel_->setDisplayAlerts(false);
      excel_->quit();
    } else if (excel_->visible()) {
      auto paths = excel_->present();
      if (!paths) shown = paths.error();
    }
  }
  worksheet_.reset(), workbook_.reset(), excel_.reset();
  connected_ = false;
  assertInvariants();
  throwOnFailure(shown);
}

void TExcelExport::assertInvariants() const {
  assert(connected_ == (excel_ && workbook_ && worksheet_));
  assert(connected_ || (!excel_ && !workbook_ && !worksheet_));
  assert(beginRowHeader_ >= 1 && beginColumnHeader_ >= 1 && beginColumnData_ >= 1);
  assert(beginRowTitles_ >= beginRowHeader_ + headerText_.count());
  assert(beginRowData_ >= beginRowTitles_ + (showTitles_ ? 1 : 0));
}

void TExcelExport::requireWorkbook() const {
  if (!connected_ || !workbook_ || workbook_->closed()) throw ENoActiveWorkbook();
}

void TExcelExport::SaveWorksheetAs(const std::string& fileName, int kind) {
  requireWorkbook();
  excel_->setDisplayAlerts(false);
  // Kind 1 saves nothing; kind 3 asks for a binary format, which the layer writes as .xlsx.
  static constexpr std::array<int, 4> kFormat{office::xlWorkbookDefault, 0, office::xlCSV,
                                              office::xlExcel9795};
  if (kind < 0 || kind > 3 || kind == 1) return;
  auto saved = worksheet_->saveAs(fileName, kFormat[static_cast<size_t>(kind)]);
  if (!saved) throw EExcelAutomation(saved.error());
}

void TExcelExport::PrintPreviewWorksheet(bool gridLines) {
  requireWorkbook();
  throwOnFailure(worksheet_->setPrintGridlines(gridLines));
  throwOnFailure(worksheet_->setCenterHeader(worksheet_->name()));
  excel_->setScreenUpdating(true);
  excel_->setVisible(true);
  ExcelVisible = true;
  auto shown = worksheet_->printPreview();
  if (!shown) throw EExcelAutomation(shown.error());
}

office::Range TExcelExport::range(int row1, int column1, int row2, int column2) const {
  if (!worksheet_) throw ENoActiveWorkbook();
  auto r = worksheet_->range(ColumnLetters(column1) + std::to_string(row1),
                             ColumnLetters(column2) + std::to_string(row2));
  if (!r) throw EExcelAutomation(r.error());
  return *r;
}

Status TExcelExport::formatRange(const TxlFont& font, const TCellBorder& border, int row1, int column1,
                                 int row2, int column2, bool dataArea) {
  office::Range r = range(row1, column1, row2, column2);
  RIVIZA_TRY(r.setFont({.name = font.Name,
                        .size = static_cast<double>(font.Size),
                        .color = xlColorOf(font.Color),
                        .bold = (font.Style & fsBold) != 0,
                        .italic = (font.Style & fsItalic) != 0,
                        .underline = (font.Style & fsUnderline) != 0}));
  if (border.BackColor != 0xFFFFFF && !(dataArea && OnGetCellBackgroundColorEvent))
    RIVIZA_TRY(r.setInteriorColor(xlColorOf(border.BackColor)));
  if (border.LineStyle != blNone) {
    // The border colour is a TColor like the others (the Windows component handed it to the
    // palette index, which refused it after the first edge); a refused line ends the lines.
    const office::BorderChange line{excelLineStyle(border.LineStyle), excelWeight(border.Weight),
                                    xlColorOf(border.BorderColor)};
    for (int index = office::xlEdgeLeft; index <= office::xlInsideHorizontal; ++index)
      if (!r.setBorder(index, line)) break;
  }
  RIVIZA_TRY(r.setOrientation(font.Orientation));
  RIVIZA_TRY(r.setWrapText(font.WrapText));
  return r.setHorizontalAlignment(excelAlignment(font.Alignment));
}

int TExcelExport::columnOfField(int index) const {
  for (size_t k = 0; k < exportFields_.size(); ++k)
    if (exportFields_[k].index == index) return beginColumnData_ + static_cast<int>(k);
  return 0;
}

int TExcelExport::ColumnOfField(std::string_view fieldName) const {
  for (size_t k = 0; k < exportFields_.size(); ++k)
    if (platform::equalsIgnoreCase(exportFields_[k].name, fieldName))
      return beginColumnData_ + static_cast<int>(k);
  return 0;
}

}  // namespace riviza
