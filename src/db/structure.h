// Field types, field definitions and table structures (db layer).
//
// The types follow the Paradox field types the billing application's tables were made of; each
// has one storage class in the SQLite file and one letter in the structure record of the file
// (the Paradox type letters, so a structure reads as it would in the old table tools). A
// structure is an ordered list of fields: positions count from 0 and are what the logic
// addresses; the first keyFieldCount fields form the primary key, as in Paradox.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/clock.h"

namespace riviza::db {

enum class FieldType {
  Alpha,    // text of at most `size` characters; empty text is stored as null
  Number,   // floating point
  Money,    // floating point, shown as an amount
  Short,    // 16-bit integer
  LongInt,  // 32-bit integer
  AutoInc,  // 32-bit integer set by the table on insert, read-only
  Logical,  // true / false / null
  Date,     // read and written as "dd.MM.yyyy"
  Time,     // read and written as "hh:mm:ss"
  Memo,     // text without a size limit
};

// Paradox type letter ("A", "N", "$", "S", "I", "+", "L", "D", "T", "M") and back.
char typeLetter(FieldType t);
std::optional<FieldType> typeFromLetter(char letter);

bool isTextType(FieldType t);     // Alpha, Memo
bool isIntegerType(FieldType t);  // Short, LongInt, AutoInc
bool isFloatType(FieldType t);    // Number, Money

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Alpha;
  int size = 0;  // characters for Alpha; 0 for every other type

  friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

struct TableStructure {
  std::vector<FieldDef> fields;
  int keyFieldCount = 0;  // the first n fields are the primary key; 0 = no key

  friend bool operator==(const TableStructure&, const TableStructure&) = default;
};

// A stored value as the SQLite file holds it: null, integer (Short, LongInt, AutoInc, Logical),
// real (Number, Money) or text (Alpha, Memo, Date as "yyyy-mm-dd", Time as "hh:mm:ss").
using Value = std::variant<std::monostate, long long, double, std::string>;

// A Date field's stored text ("yyyy-mm-dd", so that stored dates sort as dates) and back;
// nullopt for text that is no valid stored date.
std::string storedDate(const platform::DateTime& d);
std::optional<platform::DateTime> dateFromStored(const std::string& s);

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// SQLite's order of stored values (null, numbers, text bytewise as the BINARY collation):
// -1, 0 or 1. The cursor keeps keyed views in this order between reloads.
int compareValues(const Value& a, const Value& b);

}  // namespace riviza::db
