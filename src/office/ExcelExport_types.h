// The types of the Excel export component TExcelExport: its enumerations, the font, border and
// group-option objects of its published properties, the field types and variants of its custom
// pipe, its events and its exceptions (office layer).
//
// Enumerations keep the component's own names and order. Colours are TColor values ($BBGGRR,
// system colours with the top bit set); the component turns them into spreadsheet colours. The
// exceptions are the component's interface to its callers (the table exports and the census
// catch them at their event boundary); EExcelAutomation carries a failure of the spreadsheet
// layer, as an automation error reached the caller of the Windows component.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <variant>

#include "platform/clock.h"
#include "platform/result.h"
#include "ui/component.h"

namespace riviza::db {
class TField;
}

namespace riviza {

using ui::TColor;
using ui::TComponent;
using ui::TNotifyEvent;

inline constexpr TColor clWindowText = 0x80000008;

enum TConnectTo { ctNewExcel, ctNewWorkbook, ctNewWorksheet };
enum TDataPipe { dpDataSet, dpCustom };
enum TStyleColumnWidth {
  cwDefault,
  cwOwnerWidth,
  cwAutoFit,
  cwFieldDisplayWidth,
  cwFieldDataSize,
  cwEnhAutoFit
};
enum TSummarySelection { ssNone, ssValues, ssGiven };
enum TSummaryCalculation { scSUM, scMIN, scMAX };
enum THAlignment { haGeneral, haLeft, haRight, haCenter };
enum TBorderWeight { bwHairline, bwMedium, bwThick, bwThin };
enum TBorderLineStyle {
  blContinuous,
  blDash,
  blDashDot,
  blDashDotDot,
  blDot,
  blDouble,
  blSlantDashDot,
  blLine,
  blNone
};
enum TBorderRange { bsCell, bsRow };

// The field types a dataset (or the custom pipe's OnGetFieldDataType) reports.
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};

// A value of the custom pipe: Unassigned, text, number, integer, flag or date.
using Variant = std::variant<std::monostate, std::string, double, long long, bool, platform::DateTime>;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

struct TFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;
  TColor Color = clWindowText;
  TFontStyles Style = 0;
};

// A font with the cell alignment, wrapping and text direction of its area.
struct TxlFont : TFont {
  THAlignment Alignment = haGeneral;
  bool WrapText = false;
  int Orientation = 0;
};

struct TCellBorder {
  TColor BackColor = 0xFFFFFF;
  TColor BorderColor = 0;
  TBorderWeight Weight = bwMedium;
  TBorderLineStyle LineStyle = blNone;
};

struct TGroupOptions {
  bool ClearContents = true;
  TBorderRange BorderRange = bsRow;
  int IntervalFontSize = 2;
};

using TOnExportEvent = std::function<void(TComponent& Sender, int IntRecordNumber)>;
using TOnGetCellBackgroundColorEvent =
    std::function<void(TComponent& Sender, db::TField* Field, TColor& ColorBackground)>;
using TOnGetFieldCount = std::function<void(TComponent& Sender, int& IntFieldCount)>;
using TOnGetFieldName = std::function<void(TComponent& Sender, int IntFieldIndex, std::string& StrFieldName)>;
using TOnGetFieldDisplayName =
    std::function<void(TComponent& Sender, int IntFieldIndex, std::string& StrFieldDisplayName)>;
using TOnGetFieldDisplayWidth =
    std::function<void(TComponent& Sender, int IntFieldIndex, int& IntFieldDisplayWidth)>;
using TOnGetFieldDataSize = std::function<void(TComponent& Sender, int IntFieldIndex, int& IntFieldDataSize)>;
using TOnGetFieldDataType =
    std::function<void(TComponent& Sender, int IntFieldIndex, TFieldType& FieldDataType)>;
using TOnGetFieldVisible = std::function<void(TComponent& Sender, int IntFieldIndex, bool& BlnFieldVisible)>;
using TOnGetEOF = std::function<void(TComponent& Sender, bool& BlnEOF)>;
using TOnGetFieldValue = std::function<void(TComponent& Sender, int IntFieldIndex, Variant& VarValue)>;

// The component's exceptions (all derive from EExcelExport, the component's Exception).
struct EExcelExport : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct ENoDatasetConnected : EExcelExport {
  ENoDatasetConnected() : EExcelExport("No dataset connected") {}
};
struct EDatasetNotActive : EExcelExport {
  EDatasetNotActive() : EExcelExport("Dataset not active") {}
};
struct EFileNotExists : EExcelExport {
  explicit EFileNotExists(const std::string& filename)
      : EExcelExport("File " + filename + " does not exists") {}
};
struct ENoActiveWorkbook : EExcelExport {
  ENoActiveWorkbook() : EExcelExport("No active workbook or no active Excel") {}
};
// A failure of the spreadsheet layer (a refused value, a file that cannot be read or written);
// the layer's error code stays with it.
struct EExcelAutomation : EExcelExport {
  explicit EExcelAutomation(const Error& e) : EExcelExport(e.message), code(e.code) {}
  int code;
};

// Raises EExcelAutomation for a failed layer call.
inline void throwOnFailure(const Status& s) {
  if (!s) throw EExcelAutomation(s.error());
}

}  // namespace riviza
