// The template folder `LeerDaten`: the empty tables of the catalogue and the template
// `Abrechng.ini` that a new billing year starts from (db layer).
//
// The settings save copies this folder into a new year's `Daten` and the template ini over the
// year's `Abrechng.ini` before it writes the form's keys; the ini therefore holds only what the
// save does not write itself: the program-access lock key present but empty (so the lock works
// in the new year from the next start) and the two VAT rates.
#pragma once

#include <string_view>

#include "platform/result.h"

namespace riviza::db {

inline constexpr std::string_view kLeerDatenIniName = "Abrechng.ini";

// The template ini's text (UTF-8; written as Windows-1252 with CR LF).
std::string_view leerDatenIniText();

// Creates every catalogue table, empty, and the template ini in an existing or new folder.
// A table file already there is an error (nothing is overwritten).
Status writeLeerDaten(std::string_view folderText);

}  // namespace riviza::db
