// The cost-bearer lookups of the master-data tabs over the in-memory tables, and their
// replacement for tests (master-data domain); see kosttr_auskunft.h.
#include "masterdata/kosttr_auskunft.h"

#include "costbearer/abr_tools.h"

namespace riviza {
namespace {

class TabellenAuskunft : public KosttrAuskunft {
 public:
  costbearer::FixedColumns adresse(costbearer::Basis basis, std::string_view ik) const override {
    switch (basis) {
      case costbearer::Basis::S300:
        return Kosttr300Adresse(ik, {});
      case costbearer::Basis::S302:
        return Kosttr302Adresse(ik, {});
      case costbearer::Basis::S105:
        return Kosttr105Adresse(ik);
    }
    return {};
  }
};

const TabellenAuskunft kTabellen;
const KosttrAuskunft* gAuskunft = &kTabellen;

}  // namespace

const KosttrAuskunft& kosttrAuskunft() { return *gAuskunft; }

ScopedKosttrAuskunft::ScopedKosttrAuskunft(const KosttrAuskunft& auskunft) : previous_(gAuskunft) {
  gAuskunft = &auskunft;
}

ScopedKosttrAuskunft::~ScopedKosttrAuskunft() { gAuskunft = previous_; }

}  // namespace riviza
