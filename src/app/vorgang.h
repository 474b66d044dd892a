// Vorgang: one operation of the settings form that changes several files, done all or nothing
// (domain core). The start-up's recovery of an operation a killed process left reads the same
// journal (Riviza1_start.cpp).
//
// The tables the operation writes join its TableSet (db/table_set.h) and commit in one SQLite
// transaction; the files and folders it replaces are staged in its Exchange
// (platform/exchange.h), whose journal is the program folder's "Vorgang.jnl" (kVorgangsJournal).
// festschreiben() renames the staged files into place with the tables' commit as the exchange's
// commit point, so that the files follow the tables: a failure anywhere leaves every table,
// file and folder as it was, and only then may a message say "unverändert". What the operation
// does only after the commit (an outside program that imports the new files, the form showing a
// new value) is registered with danach().
//
//   preparing --festschreiben()--> committed (the danach() steps ran) | failed (nothing changed)
//   preparing, failed --destruction--> staged names removed, tables rolled back and closed
//
// One Vorgang at a time: a second one, or a journal a killed run left, refuses its first staged
// file. Nothing is deleted while it is the only copy of the data: an old file or folder stays
// aside until the exchange is done.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/installation.h"
#include "db/table_set.h"
#include "platform/exchange.h"
#include "platform/result.h"

namespace riviza {

inline constexpr const char* kVorgangsJournal = "Vorgang.jnl";

// The program folder + kVorgangsJournal.
std::string vorgangsJournalPfad(const Installation& i);

class Vorgang {
 public:
  // `was` names the operation in the journal and in the start-up's message after a kill.
  Vorgang(const Installation& i, std::string was);
  Vorgang(const Vorgang&) = delete;
  Vorgang& operator=(const Vorgang&) = delete;

  db::TableSet& tabellen() { return tabellen_; }
  platform::Exchange& dateien() { return dateien_; }
  // Joins the tables (closed first) and, once one of them is open, begins the transaction when it
  // has not begun: the set's tables write from here on.
  Status schreiben();
  void danach(std::function<void()> schritt) { danach_.push_back(std::move(schritt)); }

  // Ok once everything is changed (an old file left aside is the next start's to remove); the
  // error when nothing is.
  Status festschreiben();
  bool festgeschrieben() const { return festgeschrieben_; }
  // Nothing changed: not committed, and every rename taken back (else the next start does it).
  bool unveraendert() const { return !festgeschrieben_ && !dateien_.restorePending(); }
  // The words for a failure: "unverändert" only when it holds.
  std::string folgen(const std::string& unveraendertText) const;

 private:
  // Declared first: destroyed last, after the staged names are gone and the tables closed.
  db::TableSet tabellen_;
  platform::Exchange dateien_;
  std::vector<std::function<void()>> danach_;
  bool festgeschrieben_ = false;
};

}  // namespace riviza
