// One operation that changes several files, all or nothing (domain core); see vorgang.h.
#include "app/vorgang.h"

namespace riviza {

std::string vorgangsJournalPfad(const Installation& i) { return i.programmPfad + kVorgangsJournal; }

Vorgang::Vorgang(const Installation& i, std::string was) : dateien_(vorgangsJournalPfad(i), std::move(was)) {}

Status Vorgang::schreiben() { return tabellen_.inTransaction() ? okStatus() : tabellen_.begin(); }

Status Vorgang::festschreiben() {
  platform::CommitPoint punkt;
  if (tabellen_.inTransaction()) punkt = {[this] { return tabellen_.commit(); }, tabellen_.commitTests()};
  Status st = dateien_.commit(punkt);
  // A failure after the commit point (an old file not removed) has changed everything already;
  // its journal stays, and the next start removes what is left.
  festgeschrieben_ = dateien_.done();
  if (tabellen_.inTransaction()) (void)tabellen_.rollback();
  if (!festgeschrieben_) return st;
  for (const auto& schritt : danach_) schritt();
  return okStatus();
}

std::string Vorgang::folgen(const std::string& unveraendertText) const {
  if (unveraendert()) return unveraendertText;
  return "Nicht alles konnte zurückgenommen werden; der nächste Programmstart stellt den Stand vor dem "
         "Vorgang wieder her.";
}

}  // namespace riviza
