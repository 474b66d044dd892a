// Where TExcelExport's rows come from: one interface over the two pipes, a dataset (dpDataSet)
// and the component's OnGet... events (dpCustom), so each stage of the export is written once
// (office layer).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/TTable.h"
#include "office/ExcelExport_types.h"
#include "office/values.h"

namespace riviza {

class TExcelExport;

class ExportSource {
 public:
  virtual ~ExportSource() = default;

  // Fields: their count (nullopt when the custom pipe has no OnGetFieldCount), and each field's
  // properties with the component's defaults where an event is missing.
  virtual std::optional<int> fieldCount() = 0;
  virtual bool visible(int i) = 0;
  virtual TFieldType type(int i) = 0;
  virtual std::string name(int i) = 0;
  virtual std::string displayName(int i) = 0;
  virtual int displayWidth(int i) = 0;
  virtual int dataSize(int i) = 0;
  virtual std::string displayFormat(int i) = 0;  // empty for the custom pipe
  virtual db::TField* field(int i) = 0;          // null for the custom pipe
  // The index of a field named so (ignoring case); the custom pipe has no names to look up.
  virtual std::optional<int> indexOf(const std::string& name) = 0;

  // Records.
  virtual void first() = 0;
  virtual void next() = 0;
  virtual bool eof() = 0;
  // The current record's value of field i, typed for the sheet; and as text.
  virtual office::CellValue value(int i) = 0;
  virtual std::string text(int i) = 0;

  // Holds the source while it is walked: controls disabled and the position remembered; the
  // destructor of the returned guard puts both back.
  struct Hold {
    virtual ~Hold() = default;
  };
  virtual std::unique_ptr<Hold> hold() = 0;
};

std::unique_ptr<ExportSource> datasetSource(db::TTable& table);
std::unique_ptr<ExportSource> customSource(TExcelExport& component);

// A field type written as a column (Blob, Graphic, Bytes and the like are not).
bool isExportedType(TFieldType type);
bool isNumericType(TFieldType type);      // the types whose DisplayFormat is a number format
bool isDecimalType(TFieldType type);      // Float, Currency, BCD, FMTBcd
bool isSummedValueType(TFieldType type);  // ssValues: Smallint, Integer, Word, Float, Currency

}  // namespace riviza
