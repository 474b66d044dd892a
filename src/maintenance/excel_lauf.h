// One press of a Datenpflege button that writes a workbook through ExcelExport1, the table
// exports and the census alike (form library, maintenance).
//
// A run is an operation (ui/operation.h): the census lets pending messages run after every
// voucher, and a second run would reopen the shared cursors and the export component under the
// first one. Every run ends with its cursors closed and unfiltered, so the
// next user of Table1 sees the whole table, and with the export component disconnected, also
// after a failure; a failure is then shown once as the error message (caption "Fehler").
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "db/TTable.h"
#include "office/values.h"
#include "platform/result.h"

namespace riviza {

class TExcelExport;

// Runs `lauf` as an operation; afterwards closes `tabellen` with their filters removed
// and shows the error of a failed run.
void excelLauf(std::initializer_list<db::TTable*> tabellen, const std::function<Status()>& lauf);

// Exports the open `tabelle` into a new workbook as the worksheet `blatt` (ExcelExport1 reset,
// visible, a new instance), lets `danach` write further cells, and disconnects the component in
// every case, so the workbook goes to the user. An exception of the component becomes the
// returned error.
Status tabelleNachExcel(db::TTable& tabelle, const std::string& blatt,
                        const std::function<void(TExcelExport&)>& danach);

// The cell `a1` of the connected component's worksheet; a refused name or value raises as the
// component's automation failure.
void zelleSchreiben(TExcelExport& ex, const std::string& a1, const office::CellValue& wert);

}  // namespace riviza
