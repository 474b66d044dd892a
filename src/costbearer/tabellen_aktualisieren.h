// The rebuilds of the year's cost-bearer and fund tables from the cost-bearer files (cost-bearer
// domain).
//
// Each takes the installation and year it works on, the settings it needs (a value the settings
// page builds from its controls) and a Melder for its message boxes, update-list lines and
// progress; it reads no control and no global state. It returns the Status of the run: an error
// when any step failed or was refused, after a message box or an error line of the update list
// said which. A rebuild is all or nothing: its tables, the companion tables it adds to (the
// branch offices of AdrDlz.DB, KasAdrAnn.db beside Kas.db), the BüroWARE files it writes and the
// debtor number it stores change together, in one operation (app/vorgang.h), or not at all. The
// tables are read and written through the run's own cursors (Neuaufbau::Tabellen): the form's
// components stay as they were, and the caller that shows them closes them meanwhile.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/installation.h"
#include "app/melder.h"
#include "db/TTable.h"
#include "platform/result.h"

namespace riviza {

class Vorgang;

namespace costbearer {

// Error code of a rebuild that failed or was refused; what went wrong is in the update list or
// a message box already, the error's text names the rebuild.
constexpr int kNichtAktualisiert = 2;

// The debtor export's settings (the firm page's debtor fields and the application's BüroWARE
// fields), taken as they stand when the rebuild begins.
struct DebitorenEinstellungen {
  bool debitorenAb = false;  // CheckBoxFirmaDebitorenAbJN: debtor records are written
  bool neu55 = false;        // CheckBoxFirmaDebitorenNeu55JN: the newer address tags
  std::string nummer;        // EditDebitorenAb: the first debtor number, as typed
  bool bueroWare = false;    // RadioGroupFachanwendung on BüroWARE (item 1)
  std::string ordner;        // EditOrdnerFachAnw: BüroWARE's folder
  std::string bediener;      // EditBwBediener
  std::string workflow;      // EditBwWorkflowKost
  std::string kennwort;      // EditBwCw
};

// What the rebuilds take from the settings.
struct NeuaufbauWerte {
  DebitorenEinstellungen debitoren;
  std::string leKuerzel;  // EditLeKuerzel: service providers "ser..." get no BARMER branch offices
};

// The operation a rebuild works in, when more than the rebuild commits with it (a cost-bearer
// update: its folders and date): the rebuilds add their tables and files to `vorgang`, read
// the cost-bearer files of `kosttrOrdner` (a folder named "Kosttr": the year's, or an update's
// unpacked package), and leave the commit to the caller.
struct Neuaufbau {
  Neuaufbau(Vorgang& v, const Installation& i, const NeuaufbauWerte& w, Melder& m, std::string ordner)
      : vorgang(v), installation(i), werte(w), melder(m), kosttrOrdner(std::move(ordner)) {}
  Neuaufbau(const Neuaufbau&) = delete;
  Neuaufbau& operator=(const Neuaufbau&) = delete;

  Vorgang& vorgang;
  const Installation& installation;
  const NeuaufbauWerte& werte;
  Melder& melder;
  std::string kosttrOrdner;
  // A step failed: the operation must not commit (an error line said what).
  bool fehler = false;
  // A step after the commit (the BüroWARE import) reported an error.
  bool fehlerDanach = false;
  // The tables the rebuilds write, for the message of a commit that fails.
  std::vector<std::string> tabellen;
  // The debtor number the settings show afterwards (normalised before the run, advanced by the
  // commit); none when the run left it alone.
  std::optional<std::string> debitorenAb;

  // The run's cursors, members of the operation's tables; they live until it has committed.
  struct Tabellen {
    db::TTable neuaufbau;   // the table a pass rebuilds
    db::TTable begleitung;  // KasAdrAnn.db beside Kas.db
    db::TTable stellen;     // AdrDlz.DB, the BARMER branch offices
    db::TTable schon302;    // Kosttr.db, read by the §300 debtor pass
  } cursor;
};

// Commits what the rebuilds added to `n` (n.fehler unset), saying in the update list which
// tables were not written when it fails.
[[nodiscard]] Status neuaufbauFestschreiben(Neuaufbau& n);

// Kosttr.db, Kosttr300.db, Kosttr105.db, and the debtor export when the settings ask for it.
[[nodiscard]] Status KosttrAktualisierenIm(Neuaufbau& n);
// Kassen.db, Kassen300.db, Kassen105.db, the fund lists and the branch offices in AdrDlz.DB.
[[nodiscard]] Status KassenAktualisierenIm(Neuaufbau& n);
// Kas.db and KasAdrAnn.db.
[[nodiscard]] Status KassenAdrAnnAktualisierenIm(Neuaufbau& n);
// The three rebuilds, each between its beginning and end lines in the update list (the
// fund-office rebuild only when the year has Kas.db and KasAdrAnn.db), without a closing line
// and without the commit: the steps a cost-bearer installation and "&Tabelle Kostenträger"
// share. A rebuild that set n.fehler ends it: the operation changes nothing then.
[[nodiscard]] Status KosttrTabellenNeuAufbauen(Neuaufbau& n);

// A rebuild in an operation of its own (`was` names it), on the year's cost-bearer files,
// committed unless a step failed; with the debtor number the settings show afterwards.
struct NeuaufbauErgebnis {
  Status status;
  std::optional<std::string> debitorenAb;
};
using NeuaufbauSchritt = Status (*)(Neuaufbau&);
[[nodiscard]] NeuaufbauErgebnis imEigenenVorgang(const Installation& i, const NeuaufbauWerte& w, Melder& m,
                                                 const std::string& was, NeuaufbauSchritt lauf);

}  // namespace costbearer

}  // namespace riviza
