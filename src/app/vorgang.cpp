// One operation that changes several files, all or nothing, and the start-up's recovery (form
// library, application shell); see vorgang.h.
#include "app/vorgang.h"

#include "app/globals.h"
#include "app/meldungen.h"

namespace riviza {

std::string vorgangsJournalPfad() { return globals().ProgrammPfad + kVorgangsJournal; }

Vorgang::Vorgang(std::string was) : dateien_(vorgangsJournalPfad(), std::move(was)) {}

Status Vorgang::schreiben() { return tabellen_.inTransaction() ? okStatus() : tabellen_.begin(); }

Status Vorgang::festschreiben() {
  platform::CommitPoint punkt;
  if (tabellen_.inTransaction()) punkt = {[this] { return tabellen_.commit(); }, tabellen_.commitTests()};
  const Status st = dateien_.commit(punkt);
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

bool unterbrochenenVorgangAbschliessen() {
  const std::string journal = vorgangsJournalPfad();
  const platform::Recovery r = platform::recoverExchange(journal, db::TableSet::committedAfter);
  switch (r.outcome) {
    case platform::Recovery::Outcome::None:
      return true;
    case platform::Recovery::Outcome::Finished:
      meldung::hinweis("Ein beim letzten Mal unterbrochener Vorgang wurde zu Ende geführt:\n\n" + r.what);
      return true;
    case platform::Recovery::Outcome::Undone:
      meldung::hinweis("Ein beim letzten Mal unterbrochener Vorgang wurde rückgängig gemacht:\n\n" + r.what +
                       "\n\nDie Dateien sind wie vor dem Vorgang.");
      return true;
    case platform::Recovery::Outcome::Failed:
      break;
  }
  meldung::fehlerBox("Ein beim letzten Mal unterbrochener Vorgang konnte nicht wiederhergestellt werden:\n\n" +
                     r.what + "\n\n" + r.message + "\n\nJournal: " + journal +
                     "\n\nDas Programm arbeitet erst weiter, wenn er wiederhergestellt ist.");
  globals().FehlerAufgetreten = true;
  return false;
}

}  // namespace riviza
