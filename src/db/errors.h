// Error codes of the table layer (db layer).
//
// A failure of SQLite itself carries SQLite's extended result code (always below 1000); the
// conditions the table component detects on its own carry the codes below, so a caller can tell
// a key violation or a foreign file from an I/O failure without parsing message text.
#pragma once

#include "platform/result.h"

namespace riviza::db {

inline constexpr int kTableNotFound = 1001;   // no file under that folder and name
inline constexpr int kNotOurTable = 1002;     // a file that is not a table of this program
inline constexpr int kTableLocked = 1003;     // held exclusively by someone else, or in use
inline constexpr int kKeyViolation = 1004;    // a second record with the same primary key
inline constexpr int kNotEditing = 1005;      // field write outside Edit / Insert
inline constexpr int kConversion = 1006;      // text that is no number, date, ...
inline constexpr int kFilterSyntax = 1007;    // a filter text the parser does not know
inline constexpr int kFieldNotFound = 1008;   // no field of that name
inline constexpr int kReadOnlyField = 1009;   // autoincrement fields are set by the table
inline constexpr int kRecordGone = 1010;      // the record was deleted by another cursor
inline constexpr int kInactive = 1011;        // operation needs an open table
inline constexpr int kTransactionState = 1012;  // nested transaction, commit without one
inline constexpr int kTableExists = 1013;     // creating over an existing file
inline constexpr int kBadStructure = 1014;    // a structure that cannot be created
inline constexpr int kNotInOneStatement = 1015;  // a bulk copy that must go record by record

inline bool isKeyViolation(const Error& e) { return e.code == kKeyViolation; }

}  // namespace riviza::db
