// Worksheet storage and the worksheet's own properties (office layer); see worksheet.h.
#include "office/worksheet.h"

#include <algorithm>

#include "office/a1.h"
#include "office/application.h"
#include "office/errors.h"
#include "office/formula.h"
#include "office/range.h"
#include "office/workbook.h"
#include "platform/codec.h"

namespace riviza::office {
namespace {

constexpr size_t kMaxSheetNameChars = 31;

Error closedError() {
  return Error::make(kClosed, "Das Arbeitsblatt gehört zu keiner offenen Arbeitsmappe mehr");
}

}  // namespace

std::string validSheetName(std::string_view name) {
  std::string out;
  size_t pos = 0;
  for (size_t chars = 0; pos < name.size() && chars < kMaxSheetNameChars; ++chars) {
    const size_t from = pos;
    const char32_t cp = platform::nextCodePoint(name, pos);
    switch (cp) {
      case '[':
      case ']':
      case ':':
      case '*':
      case '?':
      case '/':
      case '\\':
        out += '_';
        break;
      default:
        out.append(name.substr(from, pos - from));
    }
  }
  if (!out.empty() && out.front() == '\'') out.front() = '_';
  if (!out.empty() && out.back() == '\'') out.back() = '_';
  return out;
}

Worksheet::Worksheet(Workbook* book, std::string name, int maxRows)
    : book_(book), name_(std::move(name)), maxRows_(maxRows) {}

std::shared_ptr<Workbook> Worksheet::parent() const { return book_ ? book_->shared_from_this() : nullptr; }

Status Worksheet::setName(std::string_view name) {
  if (!book_) return closedError();
  std::string valid = validSheetName(name);
  if (valid.empty()) return Error::make(kBadValue, "Ein Tabellenblatt braucht einen Namen");
  auto other = book_->findWorksheet(valid);
  if (other && other.get() != this)
    return Error::make(kSheetName, "Der Name '" + valid + "' ist in der Arbeitsmappe bereits vergeben");
  name_ = std::move(valid);
  touch();
  return okStatus();
}

Result<Range> Worksheet::range(std::string_view first, std::string_view last) {
  if (!book_) return closedError();
  auto a = parseA1(first), b = parseA1(last);
  if (!a || !b) return Error::make(kBadCellName, "Ungültiger Zellbezug: " + std::string(a ? last : first));
  if (a->row > maxRows_ || b->row > maxRows_)
    return Error::make(kBadCellName,
                       "Zeile außerhalb des Tabellenblatts: " + std::string(first) + ":" + std::string(last));
  return Range(shared_from_this(), *a, *b);
}

Status Worksheet::setSummaryRow(int summaryRow) {
  if (!book_) return closedError();
  if (summaryRow != xlSummaryAbove && summaryRow != xlSummaryBelow)
    return Error::make(kBadValue, "Ungültige Lage der Zusammenfassungszeile " + std::to_string(summaryRow));
  outline_.summaryRow = summaryRow;
  touch();
  return okStatus();
}

Status Worksheet::setSummaryColumn(int summaryColumn) {
  if (!book_) return closedError();
  if (summaryColumn == xlRight) summaryColumn = xlSummaryOnRight;
  if (summaryColumn != xlSummaryOnLeft && summaryColumn != xlSummaryOnRight)
    return Error::make(kBadValue,
                       "Ungültige Lage der Zusammenfassungsspalte " + std::to_string(summaryColumn));
  outline_.summaryColumn = summaryColumn;
  touch();
  return okStatus();
}

Status Worksheet::setPrintGridlines(bool on) {
  if (!book_) return closedError();
  pageSetup_.printGridlines = on;
  touch();
  return okStatus();
}

Status Worksheet::setCenterHeader(std::string text) {
  if (!book_) return closedError();
  pageSetup_.centerHeader = std::move(text);
  touch();
  return okStatus();
}

Result<std::string> Worksheet::printPreview() {
  if (!book_ || !book_->application()) return closedError();
  return book_->application()->presentWorkbook(*book_);
}

Result<std::string> Worksheet::saveAs(std::string_view pathText, int fileFormat) {
  if (!book_) return closedError();
  return book_->saveAs(pathText, fileFormat, this);
}

const Cell* Worksheet::cell(int r, int c) const {
  const Row* row = this->row(r);
  if (!row || c < 1 || static_cast<size_t>(c) > row->cells.size()) return nullptr;
  return &row->cells[static_cast<size_t>(c - 1)];
}

const Style& Worksheet::styleOf(int r, int c) const {
  const Cell* cell = this->cell(r, c);
  return styles_[cell ? cell->style : columnStyle(c)];
}

uint32_t Worksheet::columnStyle(int c) const {
  const auto it = columnStyles_.find(c);
  return it == columnStyles_.end() ? 0 : it->second;
}

CellValue Worksheet::value(int r, int c) const {
  const Cell* cell = this->cell(r, c);
  if (!cell) return {};
  switch (cell->kind) {
    case CellKind::Empty:
      return {};
    case CellKind::Number:
      return cell->number;
    case CellKind::Text:
      return std::string(texts_[cell->text]);
    case CellKind::Boolean:
      return cell->number != 0;
    case CellKind::Date:
      return DateValue{cell->number};
    case CellKind::Formula: {
      auto v = evaluateFormula(texts_[cell->text], *this);
      return v ? CellValue{*v} : CellValue{};
    }
  }
  return {};
}

std::optional<std::string> Worksheet::formula(int r, int c) const {
  const Cell* cell = this->cell(r, c);
  if (!cell || cell->kind != CellKind::Formula) return std::nullopt;
  return texts_[cell->text];
}

Cell& Worksheet::cellAt(int r, int c) {
  if (static_cast<size_t>(r) > rows_.size()) rows_.resize(static_cast<size_t>(r));
  auto& cells = rows_[static_cast<size_t>(r - 1)].cells;
  if (static_cast<size_t>(c) > cells.size()) {
    const size_t from = cells.size();
    cells.resize(static_cast<size_t>(c));
    for (size_t k = from; k < cells.size() && !columnStyles_.empty(); ++k)
      cells[k].style = columnStyle(static_cast<int>(k) + 1);
  }
  return cells[static_cast<size_t>(c - 1)];
}

uint32_t Worksheet::storeText(std::string text) {
  if (!freeTexts_.empty()) {
    const uint32_t index = freeTexts_.back();
    freeTexts_.pop_back();
    texts_[index] = std::move(text);
    return index;
  }
  texts_.push_back(std::move(text));
  return static_cast<uint32_t>(texts_.size() - 1);
}

void Worksheet::releaseText(Cell& cell) {
  if (cell.text == kNoText) return;
  texts_[cell.text].clear();
  texts_[cell.text].shrink_to_fit();
  freeTexts_.push_back(cell.text);
  cell.text = kNoText;
}

void Worksheet::putValue(int r, int c, CellValue value) {
  Cell& cell = cellAt(r, c);
  if (cell.kind == CellKind::Formula) forgetFormula(r, c);
  if (auto* text = std::get_if<std::string>(&value)) {
    if (cell.text != kNoText)
      texts_[cell.text] = std::move(*text);
    else
      cell.text = storeText(std::move(*text));
    cell.kind = CellKind::Text;
    return;
  }
  releaseText(cell);
  if (auto* d = std::get_if<double>(&value)) {
    cell.kind = CellKind::Number;
    cell.number = *d;
  } else if (auto* b = std::get_if<bool>(&value)) {
    cell.kind = CellKind::Boolean;
    cell.number = *b ? 1 : 0;
  } else if (auto* date = std::get_if<DateValue>(&value)) {
    cell.kind = CellKind::Date;
    cell.number = date->serial;
    if (styles_[cell.style].numberFormat == "General") {
      Style s = styles_[cell.style];
      s.numberFormat = defaultDateFormat(*date);
      cell.style = styles_.intern(s);
    }
  } else {
    cell.kind = CellKind::Empty;
    cell.number = 0;
  }
}

void Worksheet::putFormula(int r, int c, std::string formula) {
  Cell& cell = cellAt(r, c);
  if (cell.kind != CellKind::Formula) formulaCells_.push_back({r, c});
  if (cell.text != kNoText)
    texts_[cell.text] = std::move(formula);
  else
    cell.text = storeText(std::move(formula));
  cell.kind = CellKind::Formula;
  cell.number = 0;
}

void Worksheet::putStyle(int r, int c, uint32_t style) { cellAt(r, c).style = style; }

void Worksheet::clearCell(int r, int c, bool keepStyle) {
  const Row* row = this->row(r);
  if (!row || static_cast<size_t>(c) > row->cells.size()) return;
  Cell& cell = rows_[static_cast<size_t>(r - 1)].cells[static_cast<size_t>(c - 1)];
  if (cell.kind == CellKind::Formula) forgetFormula(r, c);
  releaseText(cell);
  cell.kind = CellKind::Empty;
  cell.number = 0;
  if (!keepStyle) cell.style = 0;
}

void Worksheet::setRowLevel(int r, uint8_t level) {
  if (static_cast<size_t>(r) > rows_.size()) rows_.resize(static_cast<size_t>(r));
  rows_[static_cast<size_t>(r - 1)].level = level;
}

Status Worksheet::insertRows(int at, int count) {
  if (!book_) return closedError();
  if (at <= usedRows()) {
    if (usedRows() + count > maxRows_)
      return Error::make(kSheetFull, "Zeilen können nicht eingefügt werden: das Tabellenblatt ist voll");
    // The new rows take the formats of the row above and lie inside every group that holds
    // both their neighbours, as Excel inserts them.
    Row fresh;
    if (at > 1) {
      const Row& above = rows_[static_cast<size_t>(at - 2)];
      for (const Cell& c : above.cells) fresh.cells.push_back(Cell{0, kNoText, c.style, CellKind::Empty});
      fresh.level = std::min(above.level, rows_[static_cast<size_t>(at - 1)].level);
    }
    rows_.insert(rows_.begin() + (at - 1), static_cast<size_t>(count), fresh);
    for (CellRef& f : formulaCells_)
      if (f.row >= at) f.row += count;
  }
  for (const auto& sheet : book_->sheets()) sheet->shiftFormulaRows(name_, sheet.get() != this, at, count);
  touch();
  return okStatus();
}

void Worksheet::shiftFormulaRows(std::string_view sheetName, bool qualifiedOnly, int at, int count) {
  for (const CellRef& f : formulaCells_) {
    std::string& text = texts_[cellAt(f.row, f.column).text];
    text = shiftRowReferences(text, sheetName, qualifiedOnly, at, count);
  }
}

void Worksheet::forgetFormula(int r, int c) {
  auto it = std::find(formulaCells_.begin(), formulaCells_.end(), CellRef{r, c});
  if (it != formulaCells_.end()) formulaCells_.erase(it);
}

void Worksheet::touch() {
  if (book_) book_->touch();
}

bool Worksheet::logging() const { return book_ && book_->application() && book_->application()->callLog; }

void Worksheet::note(const std::string& call) const {
  if (book_ && book_->application() && book_->application()->callLog)
    book_->application()->callLog->push_back(name_ + "." + call);
}

}  // namespace riviza::office
