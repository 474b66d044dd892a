// The record copy of the reorganisation: one table of the year's Daten into its new structure
// in Daten_neu, by the rule of its table (form library, maintenance).
//
// The old table is opened on TableAlt, the template copy on TableNeu (both components of the
// main form, their folders already set). Records move by position over the fields both
// structures have (n, the smaller field count); the rules of five tables then skip records or
// convert fields. The new table is filled in one transaction, so a record that cannot be
// written leaves it empty and the routine stops with an error naming table and record. A text
// cut to a narrower field is logged; a blank text that goes into a date or number field leaves
// it empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace riviza {

// Whether a file of Daten is an index or auxiliary file of the old database engine, not to be
// carried over: of the masks "*.p*", "*.x*", "*.y*" and with the base name of one of `tabellen`
// (table file names, "ErfBeleg.DB" for "ErfBeleg.PX"), ignoring case. A user's "Rechnung.pdf" or
// "Liste.xlsx" beside no such table is none.
bool IstIndexDatei(std::string_view name, const std::vector<std::string>& tabellen);

// Appends LogZeile(meldung) to the reorganisation list ListBoxReorg of the main form.
void ReorgProtokoll(std::string_view meldung);

// How the records go over: in one statement wherever it can convert them (the default), or
// record by record, the reference that one statement is held to.
enum class Kopierweg { EinSchritt, Satzweise };

// Copies every record of the table file `datei` (a name of Daten_neu, found in Daten ignoring
// case) from TableAlt into TableNeu, with the log lines " Anzahl der Felder: ", " Datensätze
// reorganisiert" (the records written) and, when the table's rule left records out,
// " Datensätze übergangen", the record numbers in LabelReorg and LabelDbSatz, and the message
// pump after each record (a table copied in one statement shows its last record number once).
// Both ways write the same records and log lines; the way the records went is returned (one
// statement falls back to record by record where it cannot convert them). Both tables are
// closed again on return.
Result<Kopierweg> TabelleReorganisieren(const std::string& datei, Kopierweg weg = Kopierweg::EinSchritt);

}  // namespace riviza
