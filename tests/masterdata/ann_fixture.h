// Scenario set-up of the master-data tests: the shell fixture started on a year 2024, the
// acceptance-office tables of that year filled with the records a test names, a fake cost-bearer
// lookup answering hand-made address blocks, and the helpers that act as the user does.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/RivizaAdr1.h"
#include "masterdata/kosttr_auskunft.h"
#include "shell_fixture.h"

namespace riviza::test {

// The cost-bearer lookups of a test: blocks by table and IK.
class FakeAuskunft : public KosttrAuskunft {
 public:
  costbearer::FixedColumns adresse(costbearer::Basis basis, std::string_view ik) const override;
  void setze(costbearer::Basis basis, std::string ik, std::string block) {
    bloecke_[{basis, std::move(ik)}] = std::move(block);
  }

 private:
  std::map<std::pair<costbearer::Basis, std::string>, std::string> bloecke_;
};

// An address block laid out as the work files hold it, left to right: short name (30), name (30),
// PLZ (5), town (25), street (30), kind (2), paper office (10), second name line (30); given as
// UTF-8, returned in the files' single bytes, each value cut or padded to its width.
std::string adressblock(std::string_view kurz, std::string_view name, std::string_view plz,
                        std::string_view ort, std::string_view strasse, std::string_view name2 = "");

using Satz = std::map<std::string, std::string>;

class AnnTab : public Shell {
 public:
  AnnTab();
  ~AnnTab() override;

  // Appends records (field name -> text) to a table of the year's Daten folder (or of another
  // folder, path text), creating it from its template first.
  void tabelle(const char* datei, const std::vector<Satz>& saetze, std::string ordner = {});
  // The records of a table as stored, in table order (field name -> text).
  std::vector<Satz> gespeichert(const char* datei, std::string ordner = {}) const;
  // Shows the acceptance-office tab (or another page), as a click on its page does.
  void zeigen(ui::TTabSheet* seite = nullptr);
  // The picker, created as at program start (after the main form).
  TFormAdressen& picker();

  // A user's key on a control (Return, Esc): reaches it first, as a keystroke does.
  static bool taste(ui::TWinControl& control, std::uint16_t key);

  FakeAuskunft auskunft;
  std::optional<ScopedKosttrAuskunft> auskunftAktiv{std::in_place, auskunft};
  std::unique_ptr<TFormAdressen> adressen;
};

}  // namespace riviza::test
