// The run of a Datenpflege button that writes a workbook (form library, maintenance); see
// excel_lauf.h.
#include "maintenance/excel_lauf.h"

#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "office/ExcelExport.h"
#include "office/errors.h"
#include "platform/text.h"
#include "ui/operation.h"

namespace riviza {

namespace {

Error komponentenFehler(const EExcelExport& e) {
  const auto* automation = dynamic_cast<const EExcelAutomation*>(&e);
  return Error::make(automation ? automation->code : -1, e.what());
}

// Where a shown workbook is saved: the export folder of the settings tab, else ExportPfad (else,
// left empty, the component takes the program folder).
std::string exportOrdner() {
  std::string ordner = platform::trim(FormEinstellungen->EditOrdnerExport->text());
  return ordner.empty() ? globals().ExportPfad : ordner;
}

}  // namespace

void excelLauf(std::initializer_list<db::TTable*> tabellen, const std::function<Status()>& lauf) {
  const ui::OperationGuard vorgang;
  const Status st = lauf();
  for (db::TTable* t : tabellen) {
    t->close();
    (void)t->setFiltered(false);  // closed: a name or filter change cannot fail
    (void)t->setFilter("");
  }
  // A workbook that was saved but found no program to show it is no failure of the run.
  if (!st)
    (st.error().code == office::kOpenFailed ? meldung::hinweis : meldung::fehlschlag)(st.error().message);
}

Status tabelleNachExcel(db::TTable& tabelle, const std::string& blatt,
                        const std::function<void(TExcelExport&)>& danach) {
  TExcelExport& ex = *FormEinstellungen->ExcelExport1;
  Status st;
  try {
    ex.ResetFormatting();  // visible, into a new application
    ex.ExportFolder = exportOrdner();
    ex.SetDataset(&tabelle);
    ex.WorksheetName = blatt;
    ex.ConnectExcel();
    ex.ExportDataset();
    danach(ex);
  } catch (const EExcelExport& e) {
    st = komponentenFehler(e);
  }
  try {
    ex.DisconnectExcel();
  } catch (const EExcelExport& e) {
    if (st) st = komponentenFehler(e);  // the first failure is the one to tell
  }
  return st;
}

void zelleSchreiben(TExcelExport& ex, const std::string& a1, const office::CellValue& wert) {
  auto zelle = ex.Worksheet()->range(a1, a1);
  if (!zelle) throw EExcelAutomation(zelle.error());
  throwOnFailure(zelle->setValue(wert));
}

}  // namespace riviza
