// The rebuild pattern (cost-bearer domain); see tabellen_neuaufbau.h.
#include "costbearer/tabellen_neuaufbau.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "app/vorgang.h"
#include "costbearer/abr_tools.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/pump.h"

namespace riviza::costbearer {

namespace pf = platform;

namespace {

std::string firmaWert(const pf::IniFile& ini, std::string_view schluessel) {
  std::string wert = ini.readString("FIRMA", schluessel, "-1");
  return wert == "-1" ? std::string() : pf::trim(wert);
}

// The lines of a work file (CR LF), without their ends; a last line without an end counts.
template <class F>
void zeilenDurchgehen(std::string_view text, F&& f) {
  while (!text.empty()) {
    size_t ende = text.find('\n');
    std::string_view zeile = text.substr(0, ende);
    if (!zeile.empty() && zeile.back() == '\r') zeile.remove_suffix(1);
    if (!f(zeile)) return;
    if (ende == std::string_view::npos) return;
    text.remove_prefix(ende + 1);
  }
}

}  // namespace

// ---- Arbeitszeile ----

std::string_view Arbeitszeile::bytesGetrimmt(Column c) const { return pf::trimView(roh(c)); }

std::string Arbeitszeile::text(Column c) const {
  return pf::toUtf8(bytesGetrimmt(c), pf::CodePage::Windows1252);
}

bool Arbeitszeile::hauptzeile(std::initializer_list<std::string_view> praefixe) const {
  if (roh(kLineType) != "01") return false;
  for (std::string_view p : praefixe)
    if (roh(kIkPrefix) == p) return true;
  return false;
}

std::vector<std::string> Arbeitszeile::adresse() const {
  using F = MainField;
  return {text(F::Kurzname), text(F::Name1), text(F::Name2),    text(F::Strasse),
          text(F::Plz),      text(F::Ort),   text(F::Kassenart)};
}

FirmaWerte firmaWerteLesen(const Installation& i) {
  pf::IniFile ini(i.jahrIniPfad());
  return {firmaWert(ini, "Bundesland"), firmaWert(ini, "KvBezirk"), firmaWert(ini, "Abrechnungscode302")};
}

bool gefunden(std::string_view antwort) { return !pf::trimView(antwort).empty(); }

std::string datenannahme302(const std::string& ik, const FirmaWerte& w, bool ersteSuche) {
  std::string stelle =
      ersteSuche ? Datenannahme302Suchen(ik, w.bundesland, w.kvBezirk, w.abrechnungscode302) : "";
  if (!gefunden(stelle)) stelle = Datenannahme302Suchen2(ik, w.bundesland, w.kvBezirk, w.abrechnungscode302);
  if (!gefunden(stelle)) stelle = Datenannahme302Suchen3(ik, w.bundesland, w.kvBezirk, w.abrechnungscode302);
  return stelle;
}

std::string jahrTabellenPfad(const Installation& i, std::string_view tabelle) {
  return i.jahrDatenPfad() + "\\" + std::string(tabelle);
}

Status jahrTabelleOeffnen(db::TTable& t, const Installation& i, std::string_view tabelle) {
  t.close();
  RIVIZA_TRY(t.setDatabaseName(i.jahrDatenPfad()));
  RIVIZA_TRY(t.setTableName(std::string(tabelle)));
  RIVIZA_TRY(t.setFilter(""));
  RIVIZA_TRY(t.setFiltered(false));
  return t.open();
}

void fehlerProtokollieren(Melder& m, std::string_view was, const Error& fehler) {
  m.zeile("  FEHLER " + std::string(was) + ": " + fehler.message);
}

void fehlerProtokollieren(Melder& m, const Error& fehler) { m.zeile("  FEHLER " + fehler.message); }

Error nichtAktualisiert(std::string_view was) {
  return Error::make(kNichtAktualisiert, std::string(was) + " nicht aktualisiert");
}

Error fehlerIn(const db::TTable& tabelle, const Error& e) {
  return Error::make(e.code, pf::displayPath(tabelle.filePathText()) + ": " + e.message);
}

// ---- the run ----

NeuaufbauLauf::NeuaufbauLauf(Neuaufbau& n)
    : n_(n), begonnen_(kostentraegerDateienDa(n.kosttrOrdner, n.melder)) {}

NeuaufbauLauf::~NeuaufbauLauf() {
  if (begonnen_) n_.melder.warten(false);
}

Status NeuaufbauLauf::kostentraegerEinlesen() {
  Melder& m = n_.melder;
  m.warten(true);
  Status st = kostentraegerLesen(
      n_.installation, n_.kosttrOrdner, m, [&m](const KosttrLeseErgebnis& r, std::string_view arbeitsdatei) {
        for (const std::string& notiz : r.notes) m.zeile(notiz);
        if (r.ok()) return true;
        fehlerProtokollieren(m, "Kostenträgerdateien nicht eingelesen (" + std::string(arbeitsdatei) + ")",
                             r.status.error());
        return false;
      });
  if (st && !kostentraegerArtenVorhanden(n_.installation, m))
    st = nichtAktualisiert("Kostenträgerdateien unvollständig, Tabellen");
  if (!st) n_.fehler = true;
  return st;
}

void NeuaufbauLauf::vorlagenKopieren(std::initializer_list<std::string_view> tabellen) {
  // A copy that fails shows as the failure of the open that follows.
  for (std::string_view t : tabellen) {
    const std::string vorlage = n_.installation.programmPfad + "LeerDaten\\" + std::string(t);
    if (!pf::fileExists(jahrTabellenPfad(n_.installation, t)) && pf::fileExists(vorlage))
      (void)pf::copyFile(vorlage, jahrTabellenPfad(n_.installation, t));
  }
}

Status neuaufbauFestschreiben(Neuaufbau& n) {
  if (n.fehler) return nichtAktualisiert("Tabellen");
  Status st = n.vorgang.festschreiben();
  if (st) return okStatus();
  std::string tabellen;
  for (const std::string& t : n.tabellen) tabellen += (tabellen.empty() ? "" : ", ") + pf::displayPath(t);
  fehlerProtokollieren(
      n.melder,
      std::string(n.vorgang.unveraendert() ? "nicht aktualisiert, unverändert: " : "nicht aktualisiert: ") +
          tabellen,
      st.error());
  if (!n.vorgang.unveraendert()) n.melder.zeile(n.vorgang.folgen(""));
  n.fehler = true;
  return st;
}

namespace {

// One rebuild between its beginning and end lines in the update list.
Status zwischenZeilen(Neuaufbau& n, std::string_view beginn, NeuaufbauSchritt schritt,
                      std::string_view ende) {
  n.melder.zeile(beginn);
  Status st = schritt(n);
  n.melder.zeile(ende);
  return st;
}

}  // namespace

Status KosttrTabellenNeuAufbauen(Neuaufbau& n) {
  Status st = zwischenZeilen(n, "  Beginn -> Kostenträgerdatei wird aktualisiert ...", KosttrAktualisierenIm,
                             "  Ende   -> Kostenträgerdatei aktualisiert");
  pf::processMessages();
  // A rebuild that failed has made the operation one that changes nothing: the others need not run.
  if (n.fehler) return st;
  Status kassen = zwischenZeilen(n, "  Beginn -> Kassendatei wird aktualisiert ...", KassenAktualisierenIm,
                                 "  Ende   -> Kassendatei aktualisiert");
  if (st) st = kassen;
  if (n.fehler) return st;
  if (pf::fileExists(jahrTabellenPfad(n.installation, "Kas.db")) &&
      pf::fileExists(jahrTabellenPfad(n.installation, "KasAdrAnn.db"))) {
    pf::processMessages();
    Status kas = zwischenZeilen(n, "  Beginn -> Kassendatei302 wird aktualisiert ...",
                                KassenAdrAnnAktualisierenIm, "  Ende   -> Kassendatei302 aktualisiert");
    if (st) st = kas;
  }
  return st;
}

NeuaufbauErgebnis imEigenenVorgang(const Installation& i, const NeuaufbauWerte& w, Melder& m,
                                   const std::string& was, NeuaufbauSchritt lauf) {
  Vorgang v(i, was);
  Neuaufbau n(v, i, w, m, i.jahrKosttrPfad());
  Status st = lauf(n);
  Status fest = neuaufbauFestschreiben(n);
  if (st && !fest) st = fest;
  if (st && n.fehlerDanach) st = nichtAktualisiert(was);
  return {std::move(st), n.debitorenAb};
}

// ---- one table of the rebuild ----

Result<TabelleImNeuaufbau> TabelleImNeuaufbau::beginnen(Neuaufbau& n, db::TTable& komponente,
                                                        std::string_view tabelle) {
  Vorgang& v = n.vorgang;
  Status st = v.tabellen().join(komponente);
  if (st) st = jahrTabelleOeffnen(komponente, n.installation, tabelle);
  if (st) st = v.schreiben();
  if (st) st = komponente.emptyTable();
  if (!st) return fehlerIn(komponente, st.error());
  const std::string pfad = jahrTabellenPfad(n.installation, tabelle);
  if (std::find(n.tabellen.begin(), n.tabellen.end(), pfad) == n.tabellen.end()) n.tabellen.push_back(pfad);
  return TabelleImNeuaufbau(komponente);
}

Status felderSetzen(db::TTable& tabelle, std::span<const std::string> werte) {
  for (size_t i = 0; i < werte.size(); ++i)
    RIVIZA_TRY(tabelle.fields(static_cast<int>(i)).setAsString(werte[i]));
  return okStatus();
}

Status TabelleImNeuaufbau::anfuegen(std::span<const std::string> werte) {
  Status st = komponente_->append();
  if (st) st = felderSetzen(*komponente_, werte);
  if (st) st = komponente_->post();
  if (!st) return fehlerIn(*komponente_, st.error());
  return okStatus();
}

Status TabelleImNeuaufbau::schliessen() {
  Status aufgefrischt = komponente_->refresh();
  komponente_->close();
  if (!aufgefrischt) return fehlerIn(*komponente_, aufgefrischt.error());
  return okStatus();
}

// ---- a companion file ----

void Begleitdatei::vorsehen(std::string pfad, std::string kopf) {
  pfad_ = std::move(pfad);
  kopf_ = std::move(kopf);
}

Error Begleitdatei::fehler(const Error& e) const {
  return Error::make(e.code, pf::displayPath(pfad_) + ": " + e.message);
}

Status Begleitdatei::anlegen(Vorgang& v) {
  if (angelegt_ || !vorgesehen()) return okStatus();
  auto bau = v.dateien().stageFile(pfad_);
  if (!bau) return fehler(bau.error());
  auto d = pf::File::open(*bau, pf::File::Mode::Create);
  if (!d) return fehler(d.error());
  datei_ = std::move(*d);
  angelegt_ = true;
  if (Status st = datei_.write(kopf_); !st) return fehler(st.error());
  return okStatus();
}

Status Begleitdatei::anhaengen(std::string_view bytes) {
  if (!datei_.isOpen()) return okStatus();
  if (Status st = datei_.write(bytes); !st) return fehler(st.error());
  return okStatus();
}

Status Begleitdatei::schliessen() {
  if (Status st = datei_.close(); !st) return fehler(st.error());
  return okStatus();
}

// ---- one pass ----

namespace {

// The lines of the work file through the rules; the count of records written.
Result<int> zeilenUebertragen(Melder& m, std::string_view text, const Durchgang& d, TabelleImNeuaufbau& t,
                              DurchgangsRegeln& regeln) {
  std::unordered_set<std::string> genommen;
  int anzahl = 0;
  Status fehler;
  zeilenDurchgehen(text, [&](std::string_view bytes) {
    const Arbeitszeile zeile(bytes);
    if (regeln.nimmt(zeile)) {
      if (!genommen.insert(std::string(zeile.roh(kLineIk))).second) {
        m.zeile("Doppelte IK übergangen: " + zeile.ik() + " in " + std::string(d.arbeitsdatei));
      } else {
        const std::vector<std::string> werte = regeln.felder(zeile);
        fehler = t.anfuegen(werte);
        if (fehler) fehler = regeln.nachSatz(zeile, t.tabelle());
        if (!fehler) return false;
        ++anzahl;
      }
    }
    m.stand(zeile.ik());
    return true;
  });
  if (!fehler) return fehler.error();
  return anzahl;
}

}  // namespace

DurchgangsErgebnis durchgang(Neuaufbau& n, const Durchgang& d, DurchgangsRegeln& regeln) {
  const std::string pfad = jahrTabellenPfad(n.installation, d.tabelle);
  if (!pf::fileExists(pfad)) {
    n.melder.zeile("Datei nicht vorhanden! " + pf::displayPath(pfad));
    return DurchgangsErgebnis::TabelleFehlt;
  }
  // Every error names the table or file it happened on.
  auto fehlgeschlagen = [&](const Error& e) {
    fehlerProtokollieren(n.melder, e);
    n.fehler = true;
    return DurchgangsErgebnis::Fehler;
  };
  auto t = TabelleImNeuaufbau::beginnen(n, n.cursor.neuaufbau, d.tabelle);
  if (!t) return fehlgeschlagen(t.error());
  if (Status s = regeln.beginnen(); !s) return fehlgeschlagen(s.error());

  std::optional<int> anzahl;
  const std::string arbeitsdatei = n.installation.tempDatei(d.arbeitsdatei);
  if (pf::fileExists(arbeitsdatei)) {
    auto text = pf::readFile(arbeitsdatei);
    if (!text)
      return fehlgeschlagen(Error::make(text.error().code, pf::displayPath(arbeitsdatei) + ": " + text.error().message));
    regeln.firma = firmaWerteLesen(n.installation);
    auto gezaehlt = zeilenUebertragen(n.melder, *text, d, *t, regeln);
    if (!gezaehlt) return fehlgeschlagen(gezaehlt.error());
    anzahl = *gezaehlt;
  }
  if (Status s = regeln.schreiben(); !s) return fehlgeschlagen(s.error());
  if (Status s = t->schliessen(); !s) return fehlgeschlagen(s.error());
  if (anzahl) {
    n.melder.zeile(std::string(d.anzahlText) + std::to_string(*anzahl));
    regeln.nachAnzahl(*anzahl);
  }
  return DurchgangsErgebnis::Ok;
}

}  // namespace riviza::costbearer
