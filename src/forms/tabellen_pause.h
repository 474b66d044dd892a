// TabellenPause: every open table component of the program, closed while work replaces or moves
// the year's table files or makes another year current, and opened again afterwards (form
// library, application shell). The reorganisation and every change of the current year use it.
//
// On Linux a component that stays open on a table goes on reading and writing the file it
// opened even after that file was renamed or deleted: its later changes would land in a file
// nobody sees, and it would show records that are gone. So such work closes every table first.
// The constructor closes every active table of the three forms (FormEinstellungen,
// FormAdressen, FormLe, whichever exist) and remembers folder, table name, exclusive mode and
// record number; a pending edit is posted first when it changed anything (an untouched "&Neu"
// is dropped), and one that cannot be posted is cancelled and reported (closing would have
// dropped it without a word); the edit panels of the modeless forms close with their entries
// (the address picker's first, through its own save checks).
// wiederOeffnen() gives each table its
// folder, name and mode back, opens it and returns to its record number (or the last record).
// A year change reopens the tables on the new year's folder: a table whose folder was
// `vonOrdner` (ignoring case and a trailing "\") opens in `nachOrdner`, and a closed table of
// the forms that names `vonOrdner` is pointed at `nachOrdner` too, so that it opens there later.
//
//   paused (constructed) --auslassen()--> paused --wiederOeffnen()--> reopened
//   destruction while paused: wiederOeffnen() without a folder change, messages dropped
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace riviza {

namespace ui {
class TTable;
}

class TabellenPause {
 public:
  TabellenPause();
  ~TabellenPause();
  TabellenPause(const TabellenPause&) = delete;
  TabellenPause& operator=(const TabellenPause&) = delete;

  // The number of tables that were closed and will be opened again.
  int anzahl() const { return static_cast<int>(tabellen_.size()); }

  // The caller opens this table itself afterwards: it stays closed, and wiederOeffnen passes
  // it over.
  void auslassen(const ui::TTable& tabelle);

  // Opens every closed table again (only once); returns one German message per edit that was
  // lost at the close and per table that could not be opened again, empty when all went well.
  std::vector<std::string> wiederOeffnen(std::string_view vonOrdner = {}, std::string_view nachOrdner = {});

 private:
  struct Geschlossen {
    ui::TTable* tabelle;
    std::string ordner;
    std::string name;
    bool exklusiv;
    int satz;  // record number, 0 when none
  };
  std::vector<Geschlossen> tabellen_;
  std::vector<std::string> meldungen_;
  bool offen_ = false;
};

}  // namespace riviza
