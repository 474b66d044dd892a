// Error codes of the spreadsheet layer (office layer).
//
// Where Excel's automation would raise an error (a rejected property value, a bad cell name, a
// file it cannot open, an object whose workbook was closed), the layer returns an Error with one
// of these codes and a German text; errno-based failures of the file system keep errno.
#pragma once

#include "platform/result.h"

namespace riviza::office {

inline constexpr int kBadCellName = 2001;   // an A1 name that names no cell
inline constexpr int kBadValue = 2002;      // a property value Excel would refuse
inline constexpr int kClosed = 2003;        // the workbook (or application) is gone
inline constexpr int kSheetName = 2004;     // a sheet name already used in the workbook
inline constexpr int kFileNotFound = 2005;  // Workbooks.Open of a missing file
inline constexpr int kBadFile = 2006;       // a workbook file that cannot be read
inline constexpr int kWriteFailed = 2007;   // the .xlsx or .csv writer failed
inline constexpr int kFileExists = 2008;    // SaveAs over a file while alerts are on
inline constexpr int kSheetFull = 2009;     // rows would be pushed off the sheet
inline constexpr int kOpenFailed = 2010;    // the desktop program could not be started

}  // namespace riviza::office
