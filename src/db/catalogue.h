// The catalogue: the structure of every table of a billing year, in one declarative list
// (db layer).
//
// Each table lists the positions the program's routines address, with name, type, size and the
// use that fixes them; positions no routine names are filled with placeholder fields
// "Feld<nn>" (Alpha 30) so that the positions after them stay where the routines expect them.
// File names are spelled as the reorganisation compares them (it picks its conversions by exact
// name); everywhere else they are found ignoring case. The empty template tables of `LeerDaten`
// are generated from this list at build time (leerdaten.h); nothing else creates structures.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "db/structure.h"

namespace riviza::db {

struct CatalogueField {
  int position;
  const char* name;
  FieldType type;
  int size;            // Alpha only
  const char* fixedBy;  // the use that fixes this position (or "our choice" and why)
};

struct CatalogueTable {
  const char* fileName;
  int fieldCount;     // positions 0..fieldCount-1
  int keyFieldCount;  // primary key over the first n fields; 0 = none
  std::span<const CatalogueField> named;
  const char* note;   // decisions taken for this table
};

// Every table, in a fixed order.
std::span<const CatalogueTable> catalogue();

// The entry of a file name, compared ignoring case.
const CatalogueTable* findCatalogueTable(std::string_view fileName);

// The full structure: named fields at their positions, placeholders elsewhere.
TableStructure structureOf(const CatalogueTable& table);

// The placeholder's name for a position: "Feld07".
std::string placeholderName(int position);

}  // namespace riviza::db
