// The cost-bearer lookups the master-data tabs ask, behind one replaceable service (master-data
// domain).
//
// The tabs ask for the address block of an IK in one of the three in-memory cost-bearer tables
// of abr_tools.h. The installed service answers from those tables; a test installs its own
// answers with ScopedKosttrAuskunft, so that the tabs' rules are checked against hand-made blocks
// without cost-bearer files. The address lookups take a fund kind as well, which selects
// nothing in them; the service therefore asks for the block by IK alone.
#pragma once

#include <string_view>

#include "costbearer/column_text.h"
#include "costbearer/kosttr_reader.h"

namespace riviza {

class KosttrAuskunft {
 public:
  virtual ~KosttrAuskunft() = default;
  // The address block of ik's first main line in the table of `basis` (positions 1-30 short
  // name, 31-60 name, 61-65 PLZ, 66-90 town, 91-120 street, 133-162 second name line; work-file
  // encoding), empty when that table has none: Kosttr300Adresse, Kosttr302Adresse,
  // Kosttr105Adresse.
  virtual costbearer::FixedColumns adresse(costbearer::Basis basis, std::string_view ik) const = 0;
};

// The service in use (never null): the in-memory tables unless a test installed another.
const KosttrAuskunft& kosttrAuskunft();

// Installs a service for its lifetime and restores the previous one afterwards.
class ScopedKosttrAuskunft {
 public:
  explicit ScopedKosttrAuskunft(const KosttrAuskunft& auskunft);
  ~ScopedKosttrAuskunft();
  ScopedKosttrAuskunft(const ScopedKosttrAuskunft&) = delete;
  ScopedKosttrAuskunft& operator=(const ScopedKosttrAuskunft&) = delete;

 private:
  const KosttrAuskunft* previous_;
};

}  // namespace riviza
