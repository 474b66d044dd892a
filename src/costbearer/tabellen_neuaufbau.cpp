// The rebuild pattern (form library, cost-bearer subsystem); see tabellen_neuaufbau.h.
#include "costbearer/tabellen_neuaufbau.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "app/Riviza1.h"
#include "app/Riviza1_tabellen.h"
#include "app/globals.h"
#include "app/tabellen_pause.h"
#include "app/vorgang.h"
#include "costbearer/abr_tools.h"
#include "maintenance/update_liste.h"
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

FirmaWerte firmaWerteLesen() {
  pf::IniFile ini(jahrIniPfad());
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

std::string_view paragrafText(Paragraf p) {
  switch (p) {
    case Paragraf::P302:
      return "302";
    case Paragraf::P300:
      return "300";
    case Paragraf::P105:
      return "105";
  }
  return "";
}

std::string jahrTabellenPfad(std::string_view tabelle) {
  return jahrDatenPfad() + "\\" + std::string(tabelle);
}

std::string arbeitsdateiPfad(std::string_view datei) {
  return globals().ProgrammPfad + "temp\\" + std::string(datei);
}

void fehlerProtokollieren(std::string_view was, const Error& fehler) {
  UpdateProtokoll("  FEHLER " + std::string(was) + ": " + fehler.message);
}

void fehlerProtokollieren(const Error& fehler) { UpdateProtokoll("  FEHLER " + fehler.message); }

Error fehlerIn(const db::TTable& tabelle, const Error& e) {
  return Error::make(e.code, pf::displayPath(tabelle.filePathText()) + ": " + e.message);
}

// ---- the run ----

NeuaufbauLauf::NeuaufbauLauf(Neuaufbau& n) : n_(n), begonnen_(kostentraegerDateienDa(n.kosttrOrdner)) {}

NeuaufbauLauf::~NeuaufbauLauf() {
  if (begonnen_) FormEinstellungen->LabelWarten->setVisible(false);
}

bool NeuaufbauLauf::kostentraegerEinlesen() {
  FormEinstellungen->LabelWarten->setVisible(true);
  kostentraegerListenZeigen(n_.kosttrOrdner);
  const bool gelesen = kostentraegerLesen(n_.kosttrOrdner, [](const KosttrLeseErgebnis& r, std::string_view arbeitsdatei) {
    for (const std::string& notiz : r.notes) UpdateProtokoll(notiz);
    if (r.ok()) return true;
    fehlerProtokollieren("Kostenträgerdateien nicht eingelesen (" + std::string(arbeitsdatei) + ")",
                         r.status.error());
    return false;
  });
  const bool vollstaendig = gelesen && kostentraegerArtenVorhanden();
  if (!vollstaendig) n_.fehler = true;
  return vollstaendig;
}

void NeuaufbauLauf::vorlagenKopieren(std::initializer_list<std::string_view> tabellen) {
  for (std::string_view t : tabellen) jahresVorlageKopieren(std::string(t));
}

bool neuaufbauFestschreiben(Neuaufbau& n) {
  if (n.fehler) return false;
  const Status st = n.vorgang.festschreiben();
  if (st) return true;
  std::string tabellen;
  for (const std::string& t : n.tabellen) tabellen += (tabellen.empty() ? "" : ", ") + pf::displayPath(t);
  fehlerProtokollieren(std::string(n.vorgang.unveraendert() ? "nicht aktualisiert, unverändert: " : "nicht aktualisiert: ") +
                           tabellen,
                       st.error());
  if (!n.vorgang.unveraendert()) UpdateProtokoll(n.vorgang.folgen(""));
  n.fehler = true;
  return false;
}

bool imEigenenVorgang(const std::string& was, bool (*lauf)(Neuaufbau&)) {
  bool ok = false;
  TabellenPause pause;
  {
    Vorgang v(was);
    Neuaufbau n{v, jahrKosttrPfad()};
    ok = lauf(n);
    ok = neuaufbauFestschreiben(n) && ok && !n.fehlerDanach;
  }
  for (const std::string& meldung : pause.wiederOeffnen()) UpdateProtokoll(meldung);
  return ok;
}

// ---- one table of the rebuild ----

Result<TabelleImNeuaufbau> TabelleImNeuaufbau::beginnen(Neuaufbau& n, ui::TTable& komponente,
                                                        std::string_view tabelle) {
  Vorgang& v = n.vorgang;
  Status st = v.tabellen().join(komponente);
  if (st) st = tabelleOeffnen(komponente, jahrDatenPfad(), std::string(tabelle));
  if (st) st = v.schreiben();
  if (st) st = komponente.emptyTable();
  if (!st) return fehlerIn(komponente, st.error());
  const std::string pfad = jahrTabellenPfad(tabelle);
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
Result<int> zeilenUebertragen(std::string_view text, const Durchgang& d, TabelleImNeuaufbau& t,
                              DurchgangsRegeln& regeln) {
  TFormEinstellungen& f = *FormEinstellungen;
  std::unordered_set<std::string> genommen;
  int anzahl = 0;
  Status fehler;
  zeilenDurchgehen(text, [&](std::string_view bytes) {
    const Arbeitszeile zeile(bytes);
    if (regeln.nimmt(zeile)) {
      if (!genommen.insert(std::string(zeile.roh(kLineIk))).second) {
        UpdateProtokoll("Doppelte IK übergangen: " + zeile.ik() + " in " + std::string(d.arbeitsdatei));
      } else {
        const std::vector<std::string> werte = regeln.felder(zeile);
        fehler = t.anfuegen(werte);
        if (fehler) fehler = regeln.nachSatz(zeile, t.tabelle());
        if (!fehler) return false;
        ++anzahl;
      }
    }
    f.LabelKosttr->setCaption(zeile.ik());
    pf::processMessages();
    return true;
  });
  if (!fehler) return fehler.error();
  return anzahl;
}

}  // namespace

DurchgangsErgebnis durchgang(Neuaufbau& n, ui::TTable& komponente, const Durchgang& d, DurchgangsRegeln& regeln) {
  const std::string pfad = jahrTabellenPfad(d.tabelle);
  if (!pf::fileExists(pfad)) {
    UpdateProtokoll("Datei nicht vorhanden! " + pf::displayPath(pfad));
    return DurchgangsErgebnis::TabelleFehlt;
  }
  // Every error names the table or file it happened on.
  auto fehlgeschlagen = [&](const Error& e) {
    fehlerProtokollieren(e);
    n.fehler = true;
    return DurchgangsErgebnis::Fehler;
  };
  auto t = TabelleImNeuaufbau::beginnen(n, komponente, d.tabelle);
  if (!t) return fehlgeschlagen(t.error());
  if (Status s = regeln.beginnen(); !s) return fehlgeschlagen(s.error());

  std::optional<int> anzahl;
  const std::string arbeitsdatei = arbeitsdateiPfad(d.arbeitsdatei);
  if (pf::fileExists(arbeitsdatei)) {
    auto text = pf::readFile(arbeitsdatei);
    if (!text)
      return fehlgeschlagen(Error::make(text.error().code, pf::displayPath(arbeitsdatei) + ": " + text.error().message));
    regeln.firma = firmaWerteLesen();
    auto gezaehlt = zeilenUebertragen(*text, d, *t, regeln);
    if (!gezaehlt) return fehlgeschlagen(gezaehlt.error());
    anzahl = *gezaehlt;
  }
  if (Status s = regeln.schreiben(); !s) return fehlgeschlagen(s.error());
  if (Status s = t->schliessen(); !s) return fehlgeschlagen(s.error());
  if (anzahl) {
    UpdateProtokoll(std::string(d.anzahlText) + std::to_string(*anzahl));
    regeln.nachAnzahl(*anzahl);
  }
  return DurchgangsErgebnis::Ok;
}

}  // namespace riviza::costbearer
