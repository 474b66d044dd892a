// KassenAktualisieren: the year's fund tables Kassen.db (§302), Kassen300.db (§300) and
// Kassen105.db (§105) rebuilt from the work files, the BüroWARE fund lists Kassen.tab and
// Kassen105.tab, and the branch offices of the fund 104940005 added to the service-centre table
// AdrDlz.DB (form library, cost-bearer subsystem). A fund table lists the cost bearers that refer
// their billing to a cost bearer, with that cost bearer.
#include <optional>

#include "app/Riviza1.h"
#include "app/Riviza1_tabellen.h"
#include "app/globals.h"
#include "costbearer/abr_tools.h"
#include "costbearer/debitoren_export.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "db/filter.h"
#include "maintenance/update_liste.h"
#include "platform/codec.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza {

namespace cb = costbearer;
namespace pf = platform;

namespace {

// The §300 cost bearer a fund refers to: through its paper office when it has one.
std::string aufgeloest300(const cb::Arbeitszeile& z) {
  const std::string papier = pf::trim(Kosttr300Papierannahme(z.ik()));
  return Kosttr300Verweis(papier.empty() ? z.ik() : papier);
}

// The fund lists for BüroWARE, rewritten from empty by every run that rebuilds a table they list
// (staged in the run's operation): Kassen.tab gets the §302 and §300 funds, Kassen105.tab beside
// it the §105 funds.
class Kassenlisten {
 public:
  Status oeffnen(cb::Neuaufbau& n) {
    if (!cb::bueroWareGewaehlt()) return okStatus();
    auto ordner = cb::importOrdnerAnlegen(n.vorgang);
    if (!ordner) return ordner.error();
    kassen_.vorsehen(*ordner + "\\Kassen.tab");
    kassen105_.vorsehen(*ordner + "\\Kassen105.tab");
    return okStatus();
  }
  cb::Begleitdatei* fuer(cb::Paragraf p) {
    cb::Begleitdatei& f = p == cb::Paragraf::P105 ? kassen105_ : kassen_;
    return f.vorgesehen() ? &f : nullptr;
  }
  Status schliessen() {
    RIVIZA_TRY(kassen_.schliessen());
    return kassen105_.schliessen();
  }

 private:
  cb::Begleitdatei kassen_, kassen105_;
};

// The branch offices of one §300 pass, added to AdrDlz.DB in the run's transaction.
class Geschaeftsstellen {
 public:
  Status beginnen(cb::Neuaufbau& n) {
    ui::TTable& t = *FormEinstellungen->TableAdrDlz;
    Status st = n.vorgang.tabellen().join(t);
    if (st) st = tabelleOeffnen(t, jahrDatenPfad(), "AdrDlz.DB");
    if (!st) return cb::fehlerIn(t, st.error());
    offen_ = true;
    n.tabellen.push_back(cb::jahrTabellenPfad("AdrDlz.DB"));
    return okStatus();
  }
  // Adds the office of the line unless AdrDlz.DB holds its code already.
  Status hinzufuegen(const cb::Arbeitszeile& z) {
    ui::TTable& t = *FormEinstellungen->TableAdrDlz;
    Status st = eintragen(t, z);
    return st ? st : Status(cb::fehlerIn(t, st.error()));
  }
  Status abschliessen() {
    ui::TTable& t = *FormEinstellungen->TableAdrDlz;
    Status st = offen_ ? t.setFiltered(false) : okStatus();
    return st ? st : Status(cb::fehlerIn(t, st.error()));
  }
  ~Geschaeftsstellen() {
    if (offen_) (void)FormEinstellungen->TableAdrDlz->setFiltered(false);
  }
  int anzahl() const { return anzahl_; }

 private:
  Status eintragen(ui::TTable& t, const cb::Arbeitszeile& z) {
    RIVIZA_TRY(t.setFiltered(false));
    RIVIZA_TRY(t.setFilter("DlzId = " + db::quoteFilterValue(z.code())));
    RIVIZA_TRY(t.setFiltered(true));
    if (!t.isEmpty()) return okStatus();
    RIVIZA_TRY(t.setFiltered(false));
    RIVIZA_TRY(t.last());
    RIVIZA_TRY(t.append());
    using F = cb::MainField;
    const std::vector<std::string> werte = {z.code(),           z.text(F::Kurzname), z.text(F::Name1),
                                            z.text(F::Strasse), z.text(F::Plz),      z.text(F::Ort)};
    RIVIZA_TRY(cb::felderSetzen(t, werte));
    RIVIZA_TRY(t.post());
    ++anzahl_;
    return okStatus();
  }

  bool offen_ = false;
  int anzahl_ = 0;
};

class KassenRegeln : public cb::DurchgangsRegeln {
 public:
  KassenRegeln(cb::Neuaufbau& n, cb::Paragraf p, Kassenlisten& listen) : n_(n), p_(p), listen_(listen) {
    const std::string kuerzel = FormEinstellungen->EditLeKuerzel->text().substr(0, 3);
    zweigstellen_ = p == cb::Paragraf::P300 && pf::toLowerAscii(kuerzel) != "ser";
  }

  Status beginnen() override { return p_ == cb::Paragraf::P300 ? stellen_.beginnen(n_) : okStatus(); }
  bool nimmt(const cb::Arbeitszeile& z) override {
    switch (p_) {
      case cb::Paragraf::P302:
        return z.hauptzeile({"10"}) && !z.ohneVerweis() && cb::gefunden(Kosttr302Verweis(z.ik()));
      case cb::Paragraf::P300:
        aufgeloest_ = z.hauptzeile({"10"}) && !z.ohneVerweis() ? aufgeloest300(z) : std::string();
        return cb::gefunden(aufgeloest_);
      case cb::Paragraf::P105:
        return z.hauptzeile({"10", "18"}) && !z.ohneVerweis();
    }
    return false;
  }
  std::vector<std::string> felder(const cb::Arbeitszeile& z) override {
    std::vector<std::string> werte = {z.code()};
    for (std::string& w : z.adresse()) werte.push_back(std::move(w));
    werte.push_back(z.verweis());
    return werte;
  }
  Status nachSatz(const cb::Arbeitszeile& z, db::TTable&) override {
    if (zweigstellen_ && pf::trim(aufgeloest_) == "104940005") RIVIZA_TRY(stellen_.hinzufuegen(z));
    if (listen_.fuer(p_)) {
      using F = cb::MainField;
      auto b = [&](F f) { return z.bytesGetrimmt(f); };
      const std::string_view code = z.bytesGetrimmt(cb::kIkCode), verweis = z.bytesGetrimmt(cb::kVerweisIk);
      const std::array<std::string_view, 13> felder = {code,
                                                       b(F::Kurzname),
                                                       b(F::Name1),
                                                       b(F::Name2),
                                                       b(F::Strasse),
                                                       b(F::Plz),
                                                       b(F::Ort),
                                                       "",
                                                       "",
                                                       "",
                                                       b(F::Kassenart),
                                                       cb::paragrafText(p_),
                                                       verweis};
      zeilen_ += cb::tabZeile(felder);
    }
    return okStatus();
  }
  Status schreiben() override {
    if (cb::Begleitdatei* liste = listen_.fuer(p_)) {
      RIVIZA_TRY(liste->anlegen(n_.vorgang));
      RIVIZA_TRY(liste->anhaengen(zeilen_));
    }
    return stellen_.abschliessen();
  }
  void nachAnzahl(int anzahl) override {
    if (zweigstellen_ && anzahl > 0)
      UpdateProtokoll("BARMER Geschäftsstelllen aktualisiert, Anzahl: " + std::to_string(stellen_.anzahl()));
  }

 private:
  cb::Neuaufbau& n_;
  cb::Paragraf p_;
  Kassenlisten& listen_;
  bool zweigstellen_ = false;
  std::string aufgeloest_;
  std::string zeilen_;
  Geschaeftsstellen stellen_;
};

}  // namespace

bool KassenAktualisierenIm(cb::Neuaufbau& n) {
  cb::NeuaufbauLauf lauf(n);
  if (!lauf.begonnen()) {
    n.fehler = true;
    return false;
  }
  Kassenlisten listen;
  if (Status s = listen.oeffnen(n); !s) {
    cb::fehlerProtokollieren("Kassenlisten nicht angelegt", s.error());
    n.fehler = true;
    return false;
  }
  if (!lauf.kostentraegerEinlesen()) return false;
  lauf.vorlagenKopieren({"Kassen.db", "Kassen300.db", "Kassen105.db"});

  bool ok =
      cb::durchgaenge(
          n, *FormEinstellungen->TableKassen,
          {cb::ParagrafDurchgang{cb::Paragraf::P302,
                                 {"Kassen.db", "Kosttr302.txt", "Kassen 302 aktualisiert, Anzahl: "}},
           cb::ParagrafDurchgang{cb::Paragraf::P300,
                                 {"Kassen300.db", "Kosttr300.txt", "Kassen 300 aktualisiert, Anzahl: "}},
           cb::ParagrafDurchgang{cb::Paragraf::P105,
                                 {"Kassen105.db", "Kosttr105.txt", "Kassen 105 aktualisiert, Anzahl: "}}},
          [&](const cb::ParagrafDurchgang& pass) { return KassenRegeln(n, pass.p, listen); }) ==
      cb::DurchgangsErgebnis::Ok;
  if (Status s = listen.schliessen(); !s) {
    cb::fehlerProtokollieren(s.error());
    n.fehler = true;
    ok = false;
  }
  return ok;
}

bool KassenAktualisieren() {
  return cb::imEigenenVorgang("Kassentabellen " + pf::displayPath(jahrDatenPfad()), KassenAktualisierenIm);
}

}  // namespace riviza
