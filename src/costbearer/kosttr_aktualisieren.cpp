// KosttrAktualisieren: the year's cost-bearer tables Kosttr.db (§302), Kosttr300.db (§300) and
// Kosttr105.db (§105) rebuilt from the work files, with the BüroWARE debtor export woven in
// (form library, cost-bearer subsystem). A table keeps the cost bearers the billing can use:
// those that bill themselves and have a data acceptance office (§302, §300), and every §105
// cost bearer that names one to refer to.
#include "app/Riviza1.h"
#include "costbearer/abr_tools.h"
#include "costbearer/debitoren_export.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "platform/text.h"

namespace riviza {

namespace cb = costbearer;

namespace {

bool gefunden(std::string_view antwort) { return !platform::trimView(antwort).empty(); }

// A cost bearer stays when it points to nobody or to itself.
bool rechnetSelbst(const cb::Arbeitszeile& z) {
  return z.ohneVerweis() || z.bytesGetrimmt(20, 28) == z.bytesGetrimmt(1, 9);
}

bool datenannahme302(const cb::Arbeitszeile& z, const cb::FirmaWerte& w) {
  const std::string ik(z.roh(1, 9));
  std::string stelle;
  if (!w.bundesland.empty() && !w.abrechnungscode302.empty())
    stelle = Datenannahme302Suchen(ik, w.bundesland, w.kvBezirk, w.abrechnungscode302);
  if (!gefunden(stelle)) stelle = Datenannahme302Suchen2(ik, w.bundesland, w.kvBezirk, w.abrechnungscode302);
  if (!gefunden(stelle)) stelle = Datenannahme302Suchen3(ik, w.bundesland, w.kvBezirk, w.abrechnungscode302);
  return gefunden(stelle);
}

// Every step trims, as the §302 test does: an answer of blanks is no office.
bool datenannahme300(const cb::Arbeitszeile& z) {
  const std::string ik = z.ik();
  return gefunden(Datenannahme300Suchen(ik, "5")) || gefunden(Datenannahme300Suchen(ik, "3")) ||
         gefunden(Kosttr300Art04(ik));
}

class KosttrRegeln : public cb::DurchgangsRegeln {
 public:
  KosttrRegeln(cb::Paragraf p, cb::DebitorenExport& debitoren) : p_(p), debitoren_(debitoren) {}

  Status beginnen() override { return debitoren_.durchgangBeginnen(p_); }
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
  Status festschreiben() override { return debitoren_.durchgangFestschreiben(); }

 private:
  cb::Paragraf p_;
  cb::DebitorenExport& debitoren_;
};

}  // namespace

bool KosttrAktualisieren() {
  cb::NeuaufbauLauf lauf;
  if (!lauf.begonnen()) return false;
  cb::DebitorenExport debitoren;
  if (!debitoren.nummerVorbereiten()) return false;
  if (Status s = debitoren.oeffnen(); !s) {
    cb::fehlerProtokollieren("BüroWARE-Importdateien nicht angelegt", s.error());
    (void)debitoren.abschliessen(false);
    return false;
  }
  if (!lauf.kostentraegerEinlesen()) {
    (void)debitoren.abschliessen(false);
    return false;
  }
  lauf.vorlagenKopieren({"Kosttr.db", "Kosttr300.db", "Kosttr105.db"});

  struct Pass {
    cb::Paragraf p;
    cb::Durchgang d;
  };
  bool ok = true, abgebrochen = false;
  for (const Pass& pass : {
           Pass{cb::Paragraf::P302,
                {"Kosttr.db", "Kosttr302.txt", "Kostenträger 302 aktualisiert, Anzahl: "}},
           Pass{cb::Paragraf::P300,
                {"Kosttr300.db", "Kosttr300.txt", "Kostenträger 300 aktualisiert, Anzahl: "}},
           Pass{cb::Paragraf::P105,
                {"Kosttr105.db", "Kosttr105.txt", "Kostenträger 105 aktualisiert, Anzahl: "}},
       }) {
    KosttrRegeln regeln(pass.p, debitoren);
    const cb::DurchgangsErgebnis e = cb::durchgang(*FormEinstellungen->TableKosttr, pass.d, regeln);
    ok = ok && e == cb::DurchgangsErgebnis::Ok;
    if (e == cb::DurchgangsErgebnis::Fehler) {
      abgebrochen = true;
      break;
    }
  }
  FormEinstellungen->LabelWarten->setVisible(false);
  return debitoren.abschliessen(!abgebrochen) && ok;
}

}  // namespace riviza
