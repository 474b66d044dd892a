// KosttrAktualisieren: the year's cost-bearer tables Kosttr.db (§302), Kosttr300.db (§300) and
// Kosttr105.db (§105) rebuilt from the work files, with the BüroWARE debtor export woven in
// (form library, cost-bearer subsystem). A table keeps the cost bearers the billing can use:
// those that bill themselves and have a data acceptance office (§302, §300), and every §105
// cost bearer that names one to refer to.
#include "app/Riviza1.h"
#include "app/globals.h"
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
  KosttrRegeln(cb::Neuaufbau& n, cb::Paragraf p, cb::DebitorenExport& debitoren)
      : n_(n), p_(p), debitoren_(debitoren) {}

  Status beginnen() override { return debitoren_.durchgangBeginnen(n_, p_); }
  bool nimmt(const cb::Arbeitszeile& z) override {
    switch (p_) {
      case cb::Paragraf::P302:
        return z.hauptzeile({"10"}) && rechnetSelbst(z) && datenannahme302(z, firma);
      case cb::Paragraf::P300:
        return z.hauptzeile({"10"}) && rechnetSelbst(z) && datenannahme300(z);
      case cb::Paragraf::P105:
        return z.hauptzeile({"10", "18"}) && !z.ohneVerweis();
    }
    return false;
  }
  std::vector<std::string> felder(const cb::Arbeitszeile& z) override {
    std::vector<std::string> werte = {p_ == cb::Paragraf::P105 ? z.ik() : z.code()};
    for (std::string& w : z.adresse()) werte.push_back(std::move(w));
    return werte;
  }
  Status nachSatz(const cb::Arbeitszeile& z, db::TTable& gebucht) override {
    return debitoren_.satz(p_, z, gebucht);
  }
  Status schreiben() override { return debitoren_.durchgangSchreiben(); }

 private:
  cb::Neuaufbau& n_;
  cb::Paragraf p_;
  cb::DebitorenExport& debitoren_;
};

}  // namespace

bool KosttrAktualisierenIm(cb::Neuaufbau& n) {
  cb::NeuaufbauLauf lauf(n);
  cb::DebitorenExport debitoren;
  if (!lauf.begonnen() || !debitoren.nummerVorbereiten()) {
    n.fehler = true;
    return false;
  }
  if (Status s = debitoren.oeffnen(n); !s) {
    cb::fehlerProtokollieren("BüroWARE-Importdateien nicht angelegt", s.error());
    n.fehler = true;
    return false;
  }
  if (!lauf.kostentraegerEinlesen()) return false;
  lauf.vorlagenKopieren({"Kosttr.db", "Kosttr300.db", "Kosttr105.db"});

  const cb::DurchgangsErgebnis e = cb::durchgaenge(
      n, *FormEinstellungen->TableKosttr,
      {cb::ParagrafDurchgang{cb::Paragraf::P302,
                             {"Kosttr.db", "Kosttr302.txt", "Kostenträger 302 aktualisiert, Anzahl: "}},
       cb::ParagrafDurchgang{cb::Paragraf::P300,
                             {"Kosttr300.db", "Kosttr300.txt", "Kostenträger 300 aktualisiert, Anzahl: "}},
       cb::ParagrafDurchgang{cb::Paragraf::P105,
                             {"Kosttr105.db", "Kosttr105.txt", "Kostenträger 105 aktualisiert, Anzahl: "}}},
      [&](const cb::ParagrafDurchgang& pass) { return KosttrRegeln(n, pass.p, debitoren); });
  FormEinstellungen->LabelWarten->setVisible(false);
  return debitoren.abschliessen(n) && e == cb::DurchgangsErgebnis::Ok;
}

bool KosttrAktualisieren() {
  return cb::imEigenenVorgang("Kostenträgertabellen " + platform::displayPath(jahrDatenPfad()), KosttrAktualisierenIm);
}

}  // namespace riviza
