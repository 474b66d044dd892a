// Workbooks: their sheets, closing and saving (office layer); see workbook.h.
#include "office/workbook.h"

#include <algorithm>

#include "office/application.h"
#include "office/errors.h"
#include "office/file_formats.h"
#include "office/save_file.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::office {
namespace {

Error closedError() { return Error::make(kClosed, "Die Arbeitsmappe ist geschlossen"); }

}  // namespace

Workbook::Workbook(Application* app, int maxRows) : app_(app), maxRows_(maxRows) {}

Workbook::~Workbook() {
  for (auto& sheet : sheets_) sheet->book_ = nullptr;
}

std::shared_ptr<Worksheet> Workbook::worksheet(int index) const {
  if (index < 1 || index > worksheetCount()) return nullptr;
  return sheets_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<Worksheet> Workbook::findWorksheet(std::string_view name) const {
  const std::string valid = validSheetName(name);
  for (const auto& sheet : sheets_)
    if (platform::equalsIgnoreCase(sheet->name(), valid)) return sheet;
  return nullptr;
}

std::string Workbook::unusedDefaultName() const {
  for (int n = 1;; ++n) {
    std::string name = "Tabelle" + std::to_string(n);
    if (!findWorksheet(name)) return name;
  }
}

Result<std::shared_ptr<Worksheet>> Workbook::addWorksheet() {
  if (closed_) return closedError();
  auto sheet = std::make_shared<Worksheet>(this, unusedDefaultName(), maxRows_);
  const size_t at = sheets_.empty() ? 0 : active_;
  sheets_.insert(sheets_.begin() + static_cast<std::ptrdiff_t>(at), sheet);
  active_ = at;
  touch();
  return sheet;
}

std::shared_ptr<Worksheet> Workbook::appendWorksheet(std::string_view name) {
  std::string valid = validSheetName(name);
  if (valid.empty() || findWorksheet(valid)) valid = unusedDefaultName();
  auto sheet = std::make_shared<Worksheet>(this, std::move(valid), maxRows_);
  sheets_.push_back(sheet);
  touch();
  return sheet;
}

std::shared_ptr<Worksheet> Workbook::activeSheet() const {
  return active_ < sheets_.size() ? sheets_[active_] : nullptr;
}

void Workbook::close() {
  if (closed_) return;
  closed_ = true;
  for (auto& sheet : sheets_) sheet->book_ = nullptr;
  if (app_) app_->forget(this);
}

Result<std::string> Workbook::saveAs(std::string_view pathText, int fileFormat, const Worksheet* sheet) {
  if (closed_) return closedError();
  bool csv = false;
  switch (fileFormat) {
    case xlCSV:
      csv = true;
      break;
    case xlOpenXMLWorkbook:
    case xlExcel9795:
    case xlExcel8:
    case xlWorkbookNormal:
      break;
    default:
      return Error::make(kBadValue, "Unbekanntes Dateiformat " + std::to_string(fileFormat));
  }
  std::string text(pathText);
  const std::string ext = platform::toLowerAscii(platform::extractFileExt(text));
  if (ext.empty())
    text += csv ? ".csv" : ".xlsx";
  else if (!csv && ext != ".xlsx")
    text = platform::changeFileExt(text, ".xlsx");  // the binary formats cannot be written here
  if (!sheet) sheet = activeSheet().get();
  if (csv && !sheet) return Error::make(kBadValue, "Die Arbeitsmappe hat kein Tabellenblatt");
  const std::filesystem::path target = platform::nativePath(text);
  Status written = writeFileSafely(
      target, !app_ || !app_->displayAlerts(), [&](const std::filesystem::path& temp) -> Status {
        if (!csv) return writeXlsx(*this, temp);
        auto file = platform::File::openNative(temp.string(), platform::File::Mode::Create);
        if (!file) return Status(file.error());
        RIVIZA_TRY(file->write(csvBytes(*sheet)));
        return file->close();
      });
  if (!written) return written.error();
  fullName_ = text;
  return text;
}

}  // namespace riviza::office
