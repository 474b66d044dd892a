// KassenAktualisieren: the year's fund tables Kassen.db (§302), Kassen300.db (§300) and
// Kassen105.db (§105) rebuilt from the work files, the BüroWARE fund lists Kassen.tab and
// Kassen105.tab, and the branch offices of the fund 104940005 added to the service-centre table
// AdrDlz.DB (cost-bearer domain). A fund table lists the cost bearers that refer
// their billing to a cost bearer, with that cost bearer.
#include <optional>

#include "app/vorgang.h"
#include "costbearer/abr_tools.h"
#include "costbearer/debitoren_export.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "db/filter.h"
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
    const cb::DebitorenEinstellungen& e = n.werte.debitoren;
    if (!cb::bueroWareGewaehlt(e)) return okStatus();
    auto ordner = cb::importOrdnerAnlegen(n.vorgang, e);
    if (!ordner) return ordner.error();
    kassen_.vorsehen(*ordner + "\\Kassen.tab");
    kassen105_.vorsehen(*ordner + "\\Kassen105.tab");
    return okStatus();
  }
  cb::Begleitdatei* fuer(cb::Basis b) {
    cb::Begleitdatei& f = b == cb::Basis::S105 ? kassen105_ : kassen_;
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
  explicit Geschaeftsstellen(db::TTable& t) : t_(t) {}
  Status beginnen(cb::Neuaufbau& n) {
    Status st = n.vorgang.tabellen().join(t_);
    if (st) st = cb::jahrTabelleOeffnen(t_, n.installation, "AdrDlz.DB");
    if (!st) return cb::fehlerIn(t_, st.error());
    offen_ = true;
    n.tabellen.push_back(cb::jahrTabellenPfad(n.installation, "AdrDlz.DB"));
    return okStatus();
  }
  // Adds the office of the line unless AdrDlz.DB holds its code already.
  Status hinzufuegen(const cb::Arbeitszeile& z) {
    Status st = eintragen(t_, z);
    return st ? st : Status(cb::fehlerIn(t_, st.error()));
  }
  Status abschliessen() {
    Status st = offen_ ? t_.setFiltered(false) : okStatus();
    return st ? st : Status(cb::fehlerIn(t_, st.error()));
  }
  ~Geschaeftsstellen() {
    // A cursor that cannot drop its filter is closed with the run anyway.
    if (offen_) (void)t_.setFiltered(false);
  }
  int anzahl() const { return anzahl_; }

 private:
  Status eintragen(db::TTable& t, const cb::Arbeitszeile& z) {
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

  db::TTable& t_;
  bool offen_ = false;
  int anzahl_ = 0;
};

class KassenRegeln : public cb::DurchgangsRegeln {
 public:
  KassenRegeln(cb::Neuaufbau& n, cb::Basis b, Kassenlisten& listen)
      : n_(n), b_(b), listen_(listen), stellen_(n.cursor.stellen) {
    const std::string kuerzel = n.werte.leKuerzel.substr(0, 3);
    zweigstellen_ = b == cb::Basis::S300 && pf::toLowerAscii(kuerzel) != "ser";
  }

  Status beginnen() override { return b_ == cb::Basis::S300 ? stellen_.beginnen(n_) : okStatus(); }
  bool nimmt(const cb::Arbeitszeile& z) override {
    switch (b_) {
      case cb::Basis::S302:
        return z.hauptzeile({"10"}) && !z.ohneVerweis() && cb::gefunden(Kosttr302Verweis(z.ik()));
      case cb::Basis::S300:
        aufgeloest_ = z.hauptzeile({"10"}) && !z.ohneVerweis() ? aufgeloest300(z) : std::string();
        return cb::gefunden(aufgeloest_);
      case cb::Basis::S105:
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
    if (listen_.fuer(b_)) {
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
                                                       cb::basisText(b_),
                                                       verweis};
      zeilen_ += cb::tabZeile(felder);
    }
    return okStatus();
  }
  Status schreiben() override {
    if (cb::Begleitdatei* liste = listen_.fuer(b_)) {
      RIVIZA_TRY(liste->anlegen(n_.vorgang));
      RIVIZA_TRY(liste->anhaengen(zeilen_));
    }
    return stellen_.abschliessen();
  }
  void nachAnzahl(int anzahl) override {
    if (zweigstellen_ && anzahl > 0)
      n_.melder.zeile("BARMER Geschäftsstelllen aktualisiert, Anzahl: " + std::to_string(stellen_.anzahl()));
  }

 private:
  cb::Neuaufbau& n_;
  cb::Basis b_;
  Kassenlisten& listen_;
  bool zweigstellen_ = false;
  std::string aufgeloest_;
  std::string zeilen_;
  Geschaeftsstellen stellen_;
};

}  // namespace

Status cb::KassenAktualisierenIm(Neuaufbau& n) {
  const Error nicht = nichtAktualisiert("Kassentabellen");
  NeuaufbauLauf lauf(n);
  if (!lauf.begonnen()) {
    n.fehler = true;
    return nicht;
  }
  Kassenlisten listen;
  if (Status s = listen.oeffnen(n); !s) {
    fehlerProtokollieren(n.melder, "Kassenlisten nicht angelegt", s.error());
    n.fehler = true;
    return s;
  }
  RIVIZA_TRY(lauf.kostentraegerEinlesen());
  lauf.vorlagenKopieren({"Kassen.db", "Kassen300.db", "Kassen105.db"});

  const DurchgangsErgebnis e = durchgaenge(
      n,
      {BasisDurchgang{Basis::S302, {"Kassen.db", "Kosttr302.txt", "Kassen 302 aktualisiert, Anzahl: "}},
       BasisDurchgang{Basis::S300, {"Kassen300.db", "Kosttr300.txt", "Kassen 300 aktualisiert, Anzahl: "}},
       BasisDurchgang{Basis::S105, {"Kassen105.db", "Kosttr105.txt", "Kassen 105 aktualisiert, Anzahl: "}}},
      [&](const BasisDurchgang& pass) { return KassenRegeln(n, pass.basis, listen); });
  if (Status s = listen.schliessen(); !s) {
    fehlerProtokollieren(n.melder, s.error());
    n.fehler = true;
    return s;
  }
  return e == DurchgangsErgebnis::Ok ? okStatus() : Status(nicht);
}

}  // namespace riviza
