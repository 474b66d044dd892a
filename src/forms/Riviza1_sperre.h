// The program-access lock of the years an operation writes, held for the operation's length
// (form library, application shell).
//
// Every operation that writes a year's tables (the merge and the deletion of movement data, the
// new year, which reads the old year's live tables, the VAT rewrite and the co-payment reset)
// locks each year it writes for the operation: a year another program holds ("1" in its
// Abrechng.ini, or the current year while JahrInNutzung is set) refuses the operation with the
// start-up's message; otherwise "1" is written and, at the end, the value the year had before is
// put back, so the current year keeps the lock this program holds on it and another year is left
// as it was found. Only a "1" still standing is given back: a year the operation itself left
// (the new year releases the old one) keeps what it was left with. A year without Abrechng.ini
// has no lock to take.
#pragma once

#include <string>
#include <vector>

namespace riviza {

class VorgangsSperre {
 public:
  VorgangsSperre() = default;
  ~VorgangsSperre();  // gives back every lock taken, last taken first
  VorgangsSperre(const VorgangsSperre&) = delete;
  VorgangsSperre& operator=(const VorgangsSperre&) = delete;

  // Locks the year whose Daten folder is given (path text, without trailing "\"). False, after
  // the message, when another program holds it (nothing is written then) or when the lock
  // cannot be written.
  bool nehmen(const std::string& datenOrdner);

 private:
  struct Genommen {
    std::string ini;
    std::string vorher;  // "-1": the key was missing
  };
  std::vector<Genommen> genommen_;
};

// The year folder's Abrechng.ini of a Daten folder (its parent folder's file).
std::string jahresIniVonDaten(const std::string& datenOrdner);

}  // namespace riviza
