// KassenAdrAnnAktualisieren: the year's fund link tables rebuilt from the §302 work file
// (cost-bearer domain): Kas.db, one row per §302 fund with the cost bearer it refers
// to and its acceptance offices, and KasAdrAnn.db, the address of each paper office once per
// fund kind.
#include <array>
#include <optional>

#include "costbearer/abr_tools.h"
#include "costbearer/tabellen_aktualisieren.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "db/filter.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza {

namespace cb = costbearer;
namespace pf = platform;

namespace {

// The short name of an IK's first main line: the first 30 characters of its trimmed address
// block; "" without a main line.
std::string kurzname(const std::string& ik) {
  const cb::FixedColumns block = Kosttr302Adresse(ik, "");
  const std::string_view name = pf::trimView(block.bytes()).substr(0, 30);
  return pf::toUtf8(pf::trimView(name), pf::CodePage::Windows1252);
}

// The offices of one fund; all empty when the provider group is not two characters long.
struct Stellen {
  std::string daten, entschluesselung, rechnung, verordnung, kostenvoranschlag;
};

Stellen stellenSuchen(const std::string& r, const cb::FirmaWerte& w) {
  Stellen s;
  if (pf::utf8Length(w.abrechnungscode302) != 2) return s;
  const std::string& region = w.bundesland;
  const std::string& kv = w.kvBezirk;
  const std::string& gruppe = w.abrechnungscode302;
  s.daten = cb::datenannahme302(r, w, true);
  s.entschluesselung = Entschluesselung302Suchen99(s.daten, region, kv, gruppe);
  if (!cb::gefunden(s.entschluesselung))
    s.entschluesselung = Entschluesselung302Suchen(s.daten, region, kv, gruppe);
  if (!cb::gefunden(s.entschluesselung)) s.entschluesselung = s.daten;
  auto papier = [&](const std::string& stelle) -> std::string { return cb::gefunden(stelle) ? stelle : r; };
  s.rechnung = papier(PapierannahmeSuchen21(r, gruppe, region));
  s.verordnung = papier(PapierannahmeSuchen26(r, gruppe, region));
  s.kostenvoranschlag = papier(PapierannahmeSuchen27(r, gruppe, region));
  return s;
}

class KasRegeln : public cb::DurchgangsRegeln {
 public:
  explicit KasRegeln(cb::Neuaufbau& n) : n_(n) {}
  // KasAdrAnn.db is emptied with Kas.db, so that a missing work file leaves both empty; both are
  // in the run's transaction, so they never disagree.
  Status beginnen() override {
    db::TTable& t = n_.cursor.begleitung;
    t.close();
    if (Status st = t.setFilterOptions({.caseInsensitive = true}); !st) return cb::fehlerIn(t, st.error());
    auto a = cb::TabelleImNeuaufbau::beginnen(n_, t, "KasAdrAnn.db");
    if (!a) return a.error();
    adressen_.emplace(*a);
    return okStatus();
  }
  bool nimmt(const cb::Arbeitszeile& z) override { return z.hauptzeile({"10"}) && !z.ohneVerweis(); }
  std::vector<std::string> felder(const cb::Arbeitszeile& z) override {
    art_ = z.text(cb::MainField::Kassenart);
    std::string r = pf::trim(Kosttr302Verweis(z.ik()));
    if (r.empty()) r = z.ik();
    stellen_ = stellenSuchen(r, firma);
    const Stellen& s = stellen_;
    return {z.code(),
            art_,
            "302",
            z.text(cb::MainField::Kurzname),
            r,
            kurzname(r),
            s.kostenvoranschlag,
            kurzname(s.kostenvoranschlag),
            s.rechnung,
            kurzname(s.rechnung),
            s.verordnung,
            kurzname(s.verordnung),
            "",
            "",
            s.daten,
            kurzname(s.daten),
            s.entschluesselung,
            kurzname(s.entschluesselung)};
  }
  Status nachSatz(const cb::Arbeitszeile&, db::TTable&) override {
    Status st = adresseHinzufuegen(stellen_.kostenvoranschlag, "302");
    if (st) st = adresseHinzufuegen(stellen_.rechnung, "");
    if (st) st = adresseHinzufuegen(stellen_.verordnung, "");
    return st ? st : Status(cb::fehlerIn(adressen_->tabelle(), st.error()));
  }
  Status schreiben() override { return adressen_->schliessen(); }

 private:
  // One row per office and kind. An office the provider group left empty gets none (a row
  // without Ik would stand for every office).
  Status adresseHinzufuegen(const std::string& stelle, std::string_view datei) {
    if (!cb::gefunden(stelle)) return okStatus();
    db::TTable& t = adressen_->tabelle();
    RIVIZA_TRY(t.setFiltered(false));
    RIVIZA_TRY(t.setFilter("Ik = " + db::quoteFilterValue(stelle, true) +
                           "AND KassenArt = " + db::quoteFilterValue(art_, true)));
    RIVIZA_TRY(t.setFiltered(true));
    RIVIZA_TRY(t.refresh());
    if (!t.isEmpty()) return okStatus();
    const cb::FixedColumns block = Kosttr302AdresseLang(stelle, art_);
    RIVIZA_TRY(t.setFiltered(false));
    RIVIZA_TRY(t.last());
    RIVIZA_TRY(t.append());
    const std::vector<std::string> werte = {stelle,
                                            block.trimmed(1, 30),
                                            block.trimmed(31, 60),
                                            block.trimmed(133, 162),
                                            block.trimmed(163, 192),
                                            block.trimmed(91, 120),
                                            block.trimmed(61, 65),
                                            block.trimmed(66, 90),
                                            art_,
                                            std::string(datei)};
    RIVIZA_TRY(cb::felderSetzen(t, werte));
    return t.post();
  }

  cb::Neuaufbau& n_;
  std::optional<cb::TabelleImNeuaufbau> adressen_;
  std::string art_;
  Stellen stellen_;
};

}  // namespace

Status cb::KassenAdrAnnAktualisierenIm(Neuaufbau& n) {
  const Error nicht = nichtAktualisiert("Kassen- und Annahmestellentabellen");
  NeuaufbauLauf lauf(n);
  if (!lauf.begonnen()) {
    n.fehler = true;
    return nicht;
  }
  RIVIZA_TRY(lauf.kostentraegerEinlesen());
  lauf.vorlagenKopieren({"Kas.db", "KasAdrAnn.db"});
  for (const char* tabelle : {"Kas.db", "KasAdrAnn.db"}) {
    if (!pf::fileExists(jahrTabellenPfad(n.installation, tabelle))) {
      n.melder.zeile("Datei nicht vorhanden! " + pf::displayPath(jahrTabellenPfad(n.installation, tabelle)));
      return nicht;
    }
  }
  KasRegeln regeln(n);
  return durchgang(n, {"Kas.db", "Kosttr302.txt", "Kassen 302 aktualisiert, Anzahl: "}, regeln) ==
                 DurchgangsErgebnis::Ok
             ? okStatus()
             : Status(nicht);
}

}  // namespace riviza
