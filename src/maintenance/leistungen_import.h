// The service-list imports (form library, maintenance): the service catalogue Leistungen.DB in
// the Daten folder of the year named by ComboBoxAktuellesJahr is replaced by the rows of a list
// the user supplies, the workbook artImp.xls or the text file artImp.csv.
//
// Sources:
//  - workbook: its first worksheet, at least four columns wide, from row 2 (row 1 is the heading)
//    down to the first row whose cell A is empty; columns A to D are read as the text a user
//    typed (a number cell 1234567 gives "1234567", a date cell "15.03.2024") and trimmed. A cell
//    holding a formula whose result the file does not give (every one in an .xls) is refused with
//    its row: it would read empty;
//  - text file: Windows-1252, or UTF-8 behind a byte-order mark; lines ending in CR LF or LF, the
//    first line a heading of at least five tab-separated parts; each line is split at the tab
//    character, its first part is ignored and parts 2 to 5 are the columns, each with every
//    apostrophe removed. A line with fewer parts gives empty columns, and an empty line an empty
//    record; a line that is not blank and has no tab, or any control character but tab and the
//    line ends, is refused with its line.
// A list of another shape (a semicolon-separated file, three columns, random bytes, a workbook
// of two columns) is refused whole, with a message that says why.
// Every record is written by position: 0 the first column in lower case (the service key), 18 at
// most the first eight characters of the second (the PZN), 1 the third (the text), 11 the fourth,
// 19 True, 3 "1", 16 and 17 empty; all other fields stay empty.
//
// The list is read whole before the table is touched, and the table is emptied and refilled in
// one transaction: a list that cannot be read, a table without the positions the import writes,
// or a record the table refuses leave the old catalogue as it was, with a message saying so. A
// missing list or a missing Leistungen.DB returns false without a message. The running count of
// imported records shows in LabelDbSatz, and pending messages run after each record.
#pragma once

#include <string>

namespace riviza {

// The import of a workbook (.xls through the spreadsheet layer); true when the catalogue now
// holds its rows.
bool ImportLeistungenXls(const std::string& datei);
// The import of a tab-separated text file; true when the catalogue now holds its lines.
bool ImportLeistungenCsv(const std::string& datei);

}  // namespace riviza
