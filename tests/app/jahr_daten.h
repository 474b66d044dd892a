// Year tables for the scenario tests of every folder: a year's Daten filled with the catalogue's
// empty tables (the program folder's LeerDaten), records, vouchers and positions written through
// the table component by field name, and the tables read back as short texts.
#pragma once

#include <string>
#include <vector>

#include "app/allg_tools.h"
#include "db/TTable.h"
#include "shell_fixture.h"

namespace riviza::test {

// A voucher: number, date ("dd.MM.yyyy", empty: none), billed, and its positions' article
// numbers (HM Nummer); positions carry the voucher number.
struct TestBeleg {
  std::string nummer;
  std::string datum;
  bool verarbeitet = false;
  std::vector<std::string> positionen{};
};

// Copies the program folder's LeerDaten tables into the Daten folder (path text).
void leereTabellen(const std::string& programmOrdner, const std::string& datenOrdner);

// Appends vouchers and their positions to ErfBeleg.DB and ErfPosition.DB.
void belegeSchreiben(const std::string& datenOrdner, const std::vector<TestBeleg>& belege);
// Appends records to a table, each a list of field names and texts.
using Felder = std::vector<std::pair<std::string, std::string>>;
void saetzeSchreiben(const std::string& datenOrdner, const std::string& tabelle,
                     const std::vector<Felder>& saetze);

// The records of a table in table order, the given fields of each (no fields: every field)
// joined by "|"; one line "<tabelle fehlt>" when it cannot be opened.
std::vector<std::string> saetze(const std::string& datenOrdner, const std::string& tabelle,
                                const std::vector<std::string>& felder = {});
// Vouchers as "number|date|billed", positions as "number|article".
std::vector<std::string> belege(const std::string& datenOrdner);
std::vector<std::string> positionen(const std::string& datenOrdner);

// The shell scenario with year folders whose Daten hold the catalogue's tables.
class JahrShell : public Shell {
 public:
  std::string datenVon(const std::string& jahr) const { return imDaten("Abrechng\\" + jahr + "\\Daten"); }
  // A year folder with its Abrechng.ini (the lock value given, the program's version) and the
  // empty tables.
  void jahrMitTabellen(const std::string& j, const std::string& zugriff = "") {
    jahr(j, "[EINSTELLUNGEN]\r\nProgrammZugriff=" + zugriff + "\r\nVersion=" + DateiVersion("").substr(0, 3) +
                "\r\n");
    leereTabellen(programm.str(), datenVon(j));
  }
  // DAKOTA, the program folder on the data root, the start-up and the export folder the save
  // needs; the form is shown, so that the user's actions reach it.
  void oeffnen() {
    dakota4();
    programmIni();
    starten();
    form->EditOrdnerExport->setText(daten.str());
    form->show();
    dialogs.clear();
  }
};

}  // namespace riviza::test
