// The rebuilds of the year's cost-bearer and fund tables from the cost-bearer files (form
// library, cost-bearer tables).
//
// Each runs on the main thread on FormEinstellungen and the global folders, reports to message
// boxes and the update list, and returns false when any step failed or was refused (a message
// box or an error line says which). A rebuild is all or nothing: its tables, the companion
// tables it adds to (the branch offices of AdrDlz.DB, KasAdrAnn.db beside Kas.db), the BüroWARE
// files it writes and the debtor number it stores change together, in one operation
// (app/vorgang.h), or not at all. Only one rebuild runs at a time; a call while another runs is
// refused. The update routines and the hidden rebuild buttons of the update tab call them.
#pragma once

#include <string>
#include <vector>

namespace riviza {

class Vorgang;

namespace costbearer {

// The operation a rebuild works in, when more than the rebuild commits with it (a cost-bearer
// update: its folders and date): the rebuilds add their tables and files to `vorgang`, read
// the cost-bearer files of `kosttrOrdner` (a folder named "Kosttr": the year's, or an update's
// unpacked package), and leave the commit to the caller.
struct Neuaufbau {
  Neuaufbau(Vorgang& v, std::string ordner) : vorgang(v), kosttrOrdner(std::move(ordner)) {}

  Vorgang& vorgang;
  std::string kosttrOrdner;
  // A step failed: the operation must not commit (an error line said what).
  bool fehler = false;
  // A step after the commit (the BüroWARE import) reported an error.
  bool fehlerDanach = false;
  // The tables the rebuilds write, for the message of a commit that fails.
  std::vector<std::string> tabellen;
};

// Commits what the rebuilds added to `n` (n.fehler unset), saying in the update list which
// tables were not written when it fails. True when it committed.
bool neuaufbauFestschreiben(Neuaufbau& n);

}  // namespace costbearer

// Kosttr.db, Kosttr300.db, Kosttr105.db, and the debtor export when the year asks for it.
bool KosttrAktualisieren();
bool KosttrAktualisierenIm(costbearer::Neuaufbau& n);
// Kassen.db, Kassen300.db, Kassen105.db, the fund lists and the branch offices in AdrDlz.DB.
bool KassenAktualisieren();
bool KassenAktualisierenIm(costbearer::Neuaufbau& n);
// Kas.db and KasAdrAnn.db.
bool KassenAdrAnnAktualisieren();
bool KassenAdrAnnAktualisierenIm(costbearer::Neuaufbau& n);

}  // namespace riviza
