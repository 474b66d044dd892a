// The record copy of the reorganisation: one table of the year's Daten into its new structure
// in Daten_neu, by the rule of its table (form library, maintenance).
//
// The old table is opened on TableAlt, the template copy on TableNeu (both components of the
// main form, their folders already set). Records move by position over the fields both
// structures have (n, the smaller field count); the rules of five tables then skip records or
// convert fields. The new table is filled in one transaction, so a record that cannot be
// written leaves it empty and the routine stops with an error naming table and record.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace riviza {

// Appends LogZeile(meldung) to the reorganisation list ListBoxReorg of the main form.
void ReorgProtokoll(std::string_view meldung);

// Copies every record of the table file `datei` (a name of Daten_neu, found in Daten ignoring
// case) from TableAlt into TableNeu, with the log lines " Anzahl der Felder: ", " Datensätze
// reorganisiert" (the records written) and, when the table's rule left records out,
// " Datensätze übergangen", the record numbers in LabelReorg and LabelDbSatz, and the message
// pump after each record (a table copied in one statement shows its last record number once).
// Both tables are closed again on return.
Status TabelleReorganisieren(const std::string& datei);

}  // namespace riviza
