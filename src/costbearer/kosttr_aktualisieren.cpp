// KosttrAktualisieren: the year's cost-bearer tables Kosttr.db (§302), Kosttr300.db (§300) and
// Kosttr105.db (§105) rebuilt from the work files, with the BüroWARE debtor export woven in
// (cost-bearer domain). A table keeps the cost bearers the billing can use:
// those that bill themselves and have a data acceptance office (§302, §300), and every §105
// cost bearer that names one to refer to.
#include "costbearer/abr_tools.h"
#include "costbearer/debitoren_export.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza {

namespace cb = costbearer;

namespace {

// A cost bearer stays when it points to nobody or to itself.
bool rechnetSelbst(const cb::Arbeitszeile& z) {
  return z.ohneVerweis() || z.bytesGetrimmt(cb::kVerweisIk) == z.bytesGetrimmt(cb::kLineIk);
}

// The IK untrimmed; the first search only with region and provider group set.
bool datenannahme302(const cb::Arbeitszeile& z, const cb::FirmaWerte& w) {
  const bool ersteSuche = !w.bundesland.empty() && !w.abrechnungscode302.empty();
  return cb::gefunden(cb::datenannahme302(std::string(z.roh(cb::kLineIk)), w, ersteSuche));
}

// Every step trims, as the §302 test does: an answer of blanks is no office.
bool datenannahme300(const cb::Arbeitszeile& z) {
  const std::string ik = z.ik();
  return cb::gefunden(Datenannahme300Suchen(ik, "5")) || cb::gefunden(Datenannahme300Suchen(ik, "3")) ||
         cb::gefunden(Kosttr300Art04(ik));
}

class KosttrRegeln : public cb::DurchgangsRegeln {
 public:
  KosttrRegeln(cb::Basis b, cb::DebitorenExport& debitoren) : b_(b), debitoren_(debitoren) {}

  Status beginnen() override { return debitoren_.durchgangBeginnen(b_); }
  bool nimmt(const cb::Arbeitszeile& z) override {
    switch (b_) {
      case cb::Basis::S302:
        return z.hauptzeile({"10"}) && rechnetSelbst(z) && datenannahme302(z, firma);
      case cb::Basis::S300:
        return z.hauptzeile({"10"}) && rechnetSelbst(z) && datenannahme300(z);
      case cb::Basis::S105:
        return z.hauptzeile({"10", "18"}) && !z.ohneVerweis();
    }
    return false;
  }
  std::vector<std::string> felder(const cb::Arbeitszeile& z) override {
    std::vector<std::string> werte = {b_ == cb::Basis::S105 ? z.ik() : z.code()};
    for (std::string& w : z.adresse()) werte.push_back(std::move(w));
    return werte;
  }
  Status nachSatz(const cb::Arbeitszeile& z, db::TTable& gebucht) override {
    return debitoren_.satz(b_, z, gebucht);
  }
  Status schreiben() override { return debitoren_.durchgangSchreiben(); }

 private:
  cb::Basis b_;
  cb::DebitorenExport& debitoren_;
};

}  // namespace

Status cb::KosttrAktualisierenIm(Neuaufbau& n) {
  const Error nicht = nichtAktualisiert("Kostenträgertabellen");
  NeuaufbauLauf lauf(n);
  DebitorenExport debitoren(n);
  if (!lauf.begonnen() || !debitoren.nummerVorbereiten()) {
    n.fehler = true;
    return nicht;
  }
  if (Status s = debitoren.oeffnen(); !s) {
    fehlerProtokollieren(n.melder, "BüroWARE-Importdateien nicht angelegt", s.error());
    n.fehler = true;
    return s;
  }
  RIVIZA_TRY(lauf.kostentraegerEinlesen());
  lauf.vorlagenKopieren({"Kosttr.db", "Kosttr300.db", "Kosttr105.db"});

  const DurchgangsErgebnis e = durchgaenge(
      n,
      {BasisDurchgang{Basis::S302, {"Kosttr.db", "Kosttr302.txt", "Kostenträger 302 aktualisiert, Anzahl: "}},
       BasisDurchgang{Basis::S300,
                      {"Kosttr300.db", "Kosttr300.txt", "Kostenträger 300 aktualisiert, Anzahl: "}},
       BasisDurchgang{Basis::S105,
                      {"Kosttr105.db", "Kosttr105.txt", "Kostenträger 105 aktualisiert, Anzahl: "}}},
      [&](const BasisDurchgang& pass) { return KosttrRegeln(pass.basis, debitoren); });
  n.melder.warten(false);
  RIVIZA_TRY(debitoren.abschliessen());
  return e == DurchgangsErgebnis::Ok ? okStatus() : Status(nicht);
}

}  // namespace riviza
