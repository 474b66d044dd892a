// String table of the zip engine's error codes (zip layer): one row per code, looked up by
// number; the texts stand exactly as the engine shows them.
#include "zip/kvoErrors.h"

#include <array>
#include <utility>

namespace riviza::zip {
namespace {

struct TextRow {
  int code;
  std::string_view text;
};

constexpr std::array kTexts{
    TextRow{kZipBadData, "Corrupt archive data"},
    TextRow{kZipBadLocalOffset, "Bad offset to local header"},
    TextRow{kZipBadBlock, "Bad block"},
    TextRow{kZipWriteError, "Error writing to file"},
    TextRow{kZipCloseError, "Error closing file"},
    TextRow{kZipCrcFailed, "File fails CRC check"},
    TextRow{kZipSpanLabelError, "Error writing spanned-disk label"},
    TextRow{kZipInvalidDirectory, "Invalid directory"},
    TextRow{kZipDiskFull, "Disk full"},
    TextRow{kZipNotAccessible, "is not accessible"},
    TextRow{kZipWriteProtected, "disk is write protected"},
    TextRow{kZipFileNotFound, "File not found"},
    TextRow{kZipOpenError, "Error opening file"},
    TextRow{kZipUnsupportedArchive, "Invalid or unsupported archive type for this operation"},
    TextRow{kZipNothingToDo, "Nothing to do"},
    TextRow{kZipEventNotAssigned, "Required event not assigned"},
    TextRow{kZipPropertyNotAssigned, "Required property not assigned"},
    TextRow{kZipStackOverflow, "Stack overflow"},
    TextRow{kZipUnsupportedMethod, "Unsupported compression method"},
    TextRow{kZipUserCanceled, "User canceled"},
    TextRow{kZipInvalidPassword, "Invalid password"},
    TextRow{kZipNothingToDoArchive, "Nothing to do"},
    TextRow{kZipStreamReadError, "Stream read error"},
    TextRow{kZipStreamWriteError, "Stream write error"},
    TextRow{kZipOutOfMemory, "Out of memory while expanding memory stream"},
    TextRow{kZipRangeError, "Range check error"},
    TextRow{kZipPasswordTooLong, "Password too long"},
    TextRow{kZipOverlap, "Entry data overlap another entry"},
    TextRow{kZipLocalMismatch, "Local header does not match the central directory"},
    TextRow{kZipNameOutside, "Name leads outside the target folder"},
    TextRow{kZipNameControl, "Name contains a control character"},
    TextRow{kZipNameColon, "Name contains a colon"},
    TextRow{kZipNameEmpty, "Entry has no name"},
    TextRow{kZipOutputLimit, "Output limit of the extraction reached"},
};

}  // namespace

std::string_view ErrorText(int code) {
  for (const auto& row : kTexts)
    if (row.code == code) return row.text;
  return {};
}

Error zipError(int code, std::string_view extendedMsg, const char* file, unsigned line) {
  std::string message(ErrorText(code));
  if (!extendedMsg.empty()) {
    message += ": ";
    message += extendedMsg;
  }
  return Error::make(code, std::move(message), file, line);
}

}  // namespace riviza::zip
