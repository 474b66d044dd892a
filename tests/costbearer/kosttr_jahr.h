// Scenario set-up of the table-rebuild tests: the shell fixture with a started year 2024 whose
// Daten folder holds the template tables and whose Kosttr folder holds a small synthetic set of
// cost-bearer files, each cost bearer placed to walk one rule of the rebuilds (see the comments
// at the set), plus helpers that read a rebuilt table and the update list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "forms/Riviza1.h"
#include "shell_fixture.h"

namespace riviza::test {

class KosttrJahr : public Shell {
 public:
  // The year's FIRMA settings of the scenarios: region 02, provider group 21, provider "PM".
  static constexpr std::string_view kFirma = "Bundesland=02\r\nAbrechnungscode302=21\r\nLeKuerzel=PM\r\n";

  // Writes the year (with the files of kostentraegerDateien() unless told otherwise) and runs the
  // start-up on it.
  void starten(std::string_view firma = kFirma, bool dateien = true);

  // The synthetic set: file name -> bytes.
  static std::vector<std::pair<std::string, std::string>> kostentraegerDateien();

  // The records of a year table, fields joined by "|", in table order.
  std::vector<std::string> tabelle(std::string_view name) const;
  // Every table the rebuilds write, by name.
  std::vector<std::vector<std::string>> alleTabellen() const;
  // The update list.
  const std::vector<std::string>& protokoll() const { return form->ListBoxLiveUpdate->items().lines(); }

  std::string jahrOrdner(std::string_view rel = "") const {
    return imDaten("Abrechng\\2024\\" + std::string(rel));
  }

  // BüroWARE as the application, its folder on the data root, debtor numbers from `nummer` when
  // `debitoren`, the newer address tags when `neu55`.
  std::string bw() const { return imDaten("BueroWare"); }
  void bueroWare(bool debitoren, const std::string& nummer, bool neu55 = false) {
    form->RadioGroupFachanwendung->setItemIndex(1);
    form->EditOrdnerFachAnw->setText(bw());
    form->CheckBoxFirmaDebitorenAbJN->setChecked(debitoren);
    form->EditDebitorenAb->setText(nummer);
    form->CheckBoxFirmaDebitorenNeu55JN->setChecked(neu55);
  }
  // The files a rebuild writes for BüroWARE: the debtor files, then the three import tables.
  std::vector<std::string> bwDateien() const {
    return {imProgramm("IDB_ID0020.DAT"), imProgramm("Kosttr.dta"), bw() + "\\Import\\Kosttr.tab",
            bw() + "\\Import\\Kassen.tab", bw() + "\\Import\\Kassen105.tab"};
  }

  // The tables the rebuilds write.
  static constexpr const char* kTabellen[] = {"Kosttr.db", "Kosttr300.db", "Kosttr105.db",
                                              "Kassen.db", "Kassen300.db", "Kassen105.db",
                                              "Kas.db",    "KasAdrAnn.db", "AdrDlz.DB"};
};

// A log line of the fixed clock's moment.
inline std::string zeile(std::string_view text) { return "15.03.2024 10:30:00  " + std::string(text); }

}  // namespace riviza::test
