// The rebuild pattern (form library, cost-bearer subsystem); see tabellen_neuaufbau.h.
#include "costbearer/tabellen_neuaufbau.h"

#include <optional>
#include <unordered_set>
#include <utility>

#include "app/Riviza1.h"
#include "app/Riviza1_tabellen.h"
#include "app/globals.h"
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

std::string_view Arbeitszeile::bytesGetrimmt(size_t first, size_t last) const {
  return pf::trimView(roh(first, last));
}

std::string Arbeitszeile::text(size_t first, size_t last) const {
  return pf::toUtf8(bytesGetrimmt(first, last), pf::CodePage::Windows1252);
}

bool Arbeitszeile::hauptzeile(std::initializer_list<std::string_view> praefixe) const {
  if (roh(11, 12) != "01") return false;
  for (std::string_view p : praefixe)
    if (roh(1, 2) == p) return true;
  return false;
}

std::vector<std::string> Arbeitszeile::adresse() const {
  return {text(50, 79),   text(80, 109),  text(182, 211), text(140, 169),
          text(110, 114), text(115, 139), text(170, 171)};
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

// ---- the run ----

NeuaufbauLauf::NeuaufbauLauf() : begonnen_(kostentraegerDateienDa()) {}

NeuaufbauLauf::~NeuaufbauLauf() {
  if (begonnen_) FormEinstellungen->LabelWarten->setVisible(false);
}

bool NeuaufbauLauf::kostentraegerEinlesen() {
  FormEinstellungen->LabelWarten->setVisible(true);
  kostentraegerListenZeigen();
  const bool gelesen = kostentraegerLesen([](const KosttrLeseErgebnis& r, std::string_view arbeitsdatei) {
    for (const std::string& notiz : r.notes) UpdateProtokoll(notiz);
    if (r.ok()) return true;
    fehlerProtokollieren("Kostenträgerdateien nicht eingelesen (" + std::string(arbeitsdatei) + ")",
                         r.status.error());
    return false;
  });
  return gelesen && kostentraegerArtenVorhanden();
}

void NeuaufbauLauf::vorlagenKopieren(std::initializer_list<std::string_view> tabellen) {
  for (std::string_view t : tabellen) jahresVorlageKopieren(std::string(t));
}

// ---- one table in one transaction ----

Result<TabelleImNeuaufbau> TabelleImNeuaufbau::beginnen(ui::TTable& komponente, std::string_view tabelle) {
  RIVIZA_TRY(tabelleOeffnen(komponente, jahrDatenPfad(), std::string(tabelle)));
  auto guard = komponente.startTransaction();
  if (!guard) {
    komponente.close();
    return guard.error();
  }
  TabelleImNeuaufbau t(komponente, std::move(*guard));
  RIVIZA_TRY(komponente.emptyTable());
  return t;
}

TabelleImNeuaufbau::TabelleImNeuaufbau(TabelleImNeuaufbau&& other) noexcept
    : komponente_(std::exchange(other.komponente_, nullptr)),
      guard_(std::move(other.guard_)),
      fest_(other.fest_) {}

TabelleImNeuaufbau::~TabelleImNeuaufbau() {
  if (!komponente_ || fest_) return;
  (void)guard_.rollback();
  komponente_->close();
}

Status felderSetzen(db::TTable& tabelle, std::span<const std::string> werte) {
  for (size_t i = 0; i < werte.size(); ++i)
    RIVIZA_TRY(tabelle.fields(static_cast<int>(i)).setAsString(werte[i]));
  return okStatus();
}

Status TabelleImNeuaufbau::anfuegen(std::span<const std::string> werte) {
  RIVIZA_TRY(komponente_->append());
  RIVIZA_TRY(felderSetzen(*komponente_, werte));
  return komponente_->post();
}

Status TabelleImNeuaufbau::festschreiben(bool schliessen) {
  RIVIZA_TRY(guard_.commit());
  fest_ = true;
  if (!schliessen) return okStatus();
  Status aufgefrischt = komponente_->refresh();
  komponente_->close();
  return aufgefrischt;
}

// ---- a companion file ----

void Begleitdatei::vorsehen(std::string pfad, std::string kopf) {
  pfad_ = std::move(pfad);
  kopf_ = std::move(kopf);
}

Status Begleitdatei::markieren() {
  if (!datei_.isOpen()) {
    auto d = pf::File::open(temporaer(), pf::File::Mode::Create);
    if (!d) return d.error();
    datei_ = std::move(*d);
    benannt_ = false;
    RIVIZA_TRY(datei_.write(kopf_));
  }
  auto ende = datei_.seekEnd();
  if (!ende) return ende.error();
  marke_ = *ende;
  return okStatus();
}

Status Begleitdatei::zuruecknehmen() {
  if (!datei_.isOpen()) return okStatus();
  RIVIZA_TRY(datei_.truncate(marke_));
  auto stand = datei_.seek(marke_);
  if (!stand) return stand.error();
  return okStatus();
}

Status Begleitdatei::festschreiben() {
  if (!datei_.isOpen() || benannt_) return okStatus();
  RIVIZA_TRY(pf::renamePath(temporaer(), pfad_));
  benannt_ = true;
  return okStatus();
}

Status Begleitdatei::schliessen() {
  if (!datei_.isOpen()) return okStatus();
  const Status geschlossen = datei_.close();
  // A file no table committed is not the run's: the one of the run before stays.
  if (!benannt_) return pf::deleteFile(temporaer());
  return geschlossen;
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
      if (!genommen.insert(std::string(zeile.roh(1, 9))).second) {
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

DurchgangsErgebnis durchgang(ui::TTable& komponente, const Durchgang& d, DurchgangsRegeln& regeln) {
  const std::string pfad = jahrTabellenPfad(d.tabelle);
  if (!pf::fileExists(pfad)) {
    UpdateProtokoll("Datei nicht vorhanden! " + pf::displayPath(pfad));
    return DurchgangsErgebnis::TabelleFehlt;
  }
  auto fehlgeschlagen = [&](const Error& e) {
    fehlerProtokollieren(pf::displayPath(pfad), e);
    return DurchgangsErgebnis::Fehler;
  };
  auto t = TabelleImNeuaufbau::beginnen(komponente, d.tabelle);
  if (!t) return fehlgeschlagen(t.error());
  if (Status s = regeln.beginnen(); !s) return fehlgeschlagen(s.error());

  std::optional<int> anzahl;
  const std::string arbeitsdatei = arbeitsdateiPfad(d.arbeitsdatei);
  if (pf::fileExists(arbeitsdatei)) {
    auto text = pf::readFile(arbeitsdatei);
    if (!text) return fehlgeschlagen(text.error());
    regeln.firma = firmaWerteLesen();
    auto n = zeilenUebertragen(*text, d, *t, regeln);
    if (!n) return fehlgeschlagen(n.error());
    anzahl = *n;
  }
  // The companions follow the table: taken back when it does not commit, committed after it.
  Status fest = regeln.schreiben();
  if (fest) fest = t->festschreiben();
  if (!t->fest()) {
    if (Status z = regeln.zuruecknehmen(); !z) fehlerProtokollieren(pf::displayPath(pfad), z.error());
    return fehlgeschlagen(fest.error());
  }
  if (Status s = regeln.festschreiben(); !s) return fehlgeschlagen(s.error());
  if (!fest) return fehlgeschlagen(fest.error());
  if (anzahl) {
    UpdateProtokoll(std::string(d.anzahlText) + std::to_string(*anzahl));
    regeln.nachAnzahl(*anzahl);
  }
  return DurchgangsErgebnis::Ok;
}

}  // namespace riviza::costbearer
