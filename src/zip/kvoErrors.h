// The zip engine's numbered error codes and their string-table texts (zip layer).
//
// Every failure the engine reports or raises carries one of these codes; the text is the one the
// component hands to OnError or shows through its notify callback, spelled exactly as the string
// table has it. zipError() builds the layer's Error from a code, so a caller never spells a text
// twice. kZipBadData is the layer's own code for RIVIZA_CHECK_DATA on untrusted bytes (records,
// extra fields) where no numbered code of the string table applies.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace riviza::zip {

enum ZipErrorCode : int {
  kZipBadData = 25100,              // ours: a record or field that cannot be what it claims
  kZipBadLocalOffset = 25115,       // "Bad offset to local header"
  kZipBadBlock = 25116,             // "Bad block"
  kZipWriteError = 25136,           // "Error writing to file"
  kZipCloseError = 25138,           // "Error closing file"
  kZipCrcFailed = 25151,            // "File fails CRC check"
  kZipSpanLabelError = 25154,       // "Error writing spanned-disk label"
  kZipInvalidDirectory = 25158,     // "Invalid directory"
  kZipDiskFull = 25160,             // "Disk full"
  kZipNotAccessible = 25170,        // "is not accessible"
  kZipWriteProtected = 25171,       // "disk is write protected"
  kZipFileNotFound = 25192,         // "File not found"
  kZipOpenError = 25235,            // "Error opening file"
  kZipUnsupportedArchive = 25244,   // "Invalid or unsupported archive type for this operation"
  kZipNothingToDo = 25268,          // "Nothing to do"
  kZipEventNotAssigned = 25270,     // "Required event not assigned"
  kZipPropertyNotAssigned = 25271,  // "Required property not assigned"
  kZipStackOverflow = 25305,        // "Stack overflow"
  kZipUnsupportedMethod = 25326,    // "Unsupported compression method"
  kZipUserCanceled = 25443,         // "User canceled"
  kZipInvalidPassword = 26517,      // "Invalid password"
  kZipNothingToDoArchive = 26859,   // "Nothing to do" (refresh or delete on a missing archive)
  // Run-time library failures of the stream classes (no string-table number of their own).
  kZipStreamReadError = 25900,   // "Stream read error"
  kZipStreamWriteError = 25901,  // "Stream write error"
  kZipOutOfMemory = 25902,       // "Out of memory while expanding memory stream"
  kZipRangeError = 25903,        // "Range check error"
  kZipPasswordTooLong = 25904,   // ours: a password longer than the cipher takes is refused
  // Ours: the reader's refusals of hostile or damaged archives, one code per reason so that the
  // layer above can say each in its own words.
  kZipOverlap = 25905,        // "Entry data overlap another entry"
  kZipLocalMismatch = 25906,  // "Local header does not match the central directory"
  kZipNameOutside = 25907,    // "Name leads outside the target folder"
  kZipNameControl = 25908,    // "Name contains a control character"
  kZipNameColon = 25909,      // "Name contains a colon"
  kZipNameEmpty = 25910,      // "Entry has no name"
  kZipOutputLimit = 25911,    // "Output limit of the extraction reached"
};

// The string-table text of a code; "" for a number the engine does not know.
std::string_view ErrorText(int code);

// The German text of a code with the code in brackets ("Ordner nicht gefunden (Zip 25158)"):
// what a German user reads of a failure the engine reported in its string table's English.
std::string ReasonText(int code);

// The question SetTempDir asks after the folder and two carriage returns.
inline constexpr std::string_view kCreateDirQuestion = "Directory does not exist... Create?";

// An Error whose message is the code's text, followed by ": " and the extended message when one
// is given (the ExtendedMsg of OnError: an event name, a folder, a volume).
Error zipError(int code, std::string_view extendedMsg = {}, const char* file = __builtin_FILE(),
               unsigned line = __builtin_LINE());

}  // namespace riviza::zip
