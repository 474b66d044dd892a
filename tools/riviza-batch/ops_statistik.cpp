// riviza-batch operations of the Datenpflege tab's "Patienten" and "Statistik" groups (tool);
// see batch.h. Without a desktop the workbook is saved in the export folder and its path
// printed (ops_office.cpp); a failure shows as the error message, which sets the exit status.
#include <cstdio>

#include "batch.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace riviza::batch {
namespace {

// The optional month of the patients export, picked as the user picks it in the date picker.
bool patientenExportieren(Sitzung& s) {
  if (s.args.size() > 1) throw Nutzungsfehler("höchstens ein Datum erwartet");
  if (!s.args.empty()) {
    const auto datum = platform::parseDate(s.args[0]);
    if (!datum || platform::formatDate(*datum) != s.args[0])
      throw Nutzungsfehler("kein Datum TT.MM.JJJJ: " + s.args[0]);
    s.form.DateTimePicker1->setDate(*datum);
    s.form.DateTimePicker1Change(*s.form.DateTimePicker1);
  }
  s.form.BitBtnPatientenExpClick(*s.form.BitBtnPatientenExp);
  return true;
}

bool kostentraegerExportieren(Sitzung& s) {
  keineArgumente(s);
  s.form.BitBtnKosttrClick(*s.form.BitBtnKosttr);
  return true;
}

// The button does nothing without the work table; here that is a failure worth saying.
bool statistik(Sitzung& s) {
  keineArgumente(s);
  if (!tabelleVorhanden(jahrDatenPfad(), "Stat01.DB")) {
    std::printf("Tabelle nicht vorhanden: %s\n",
                platform::displayPath(jahrDatenPfad() + "\\Stat01.DB").c_str());
    return false;
  }
  s.form.BitBtnStat01Click(*s.form.BitBtnStat01);
  std::printf("Zeilen neu / ohne Geschlecht: %s\n", s.form.LabelStat01->caption().c_str());
  return true;
}

}  // namespace

RIVIZA_BATCH_OPERATION("export-patienten", "[TT.MM.JJJJ]",
                       "exportiert die Patienten nach Excel, mit Datum nur die mit Karte gültig bis vor "
                       "dessen Monat (\"Export nach E&xcel\")",
                       patientenExportieren);
RIVIZA_BATCH_OPERATION("export-kosttr", "",
                       "exportiert die Kostenträgertabelle nach Excel (\"Export Kostenträger\")",
                       kostentraegerExportieren);
RIVIZA_BATCH_OPERATION(
    "statistik", "",
    "Bestandserhebung: Stat01.DB aus den Belegen und das Arbeitsblatt \"Bestandserhebung\" "
    "(\"Stat01\")",
    statistik);

}  // namespace riviza::batch
