// The work-cursor helpers of the year operations and bulk corrections (form library,
// application shell); see Riviza1_tabellen.h.
#include "forms/Riviza1_tabellen.h"

#include "app/meldungen.h"
#include "db/filter.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "platform/files.h"
#include "platform/pump.h"

namespace riviza {

Status tabelleOeffnen(db::TTable& tabelle, const std::string& ordner, const std::string& name,
                      const std::string& filter) {
  tabelle.close();
  RIVIZA_TRY(tabelle.setDatabaseName(ordner));
  RIVIZA_TRY(tabelle.setTableName(name));
  RIVIZA_TRY(tabelle.setFilter(filter));
  RIVIZA_TRY(tabelle.setFiltered(!filter.empty()));
  return tabelle.open();
}

std::string belegFilter(const std::string& belegNummer) {
  if (belegNummer.empty()) return "BelegNummer =";
  return "BelegNummer = " + db::quoteFilterValue(belegNummer);
}

Status belegWaehlen(db::TTable& tabelle, const std::string& belegNummer) {
  RIVIZA_TRY(tabelle.setFilter(belegFilter(belegNummer)));
  return tabelle.setFiltered(true);
}

Status datensatzAnhaengen(db::TTable& quelle, db::TTable& ziel) {
  RIVIZA_TRY(ziel.append());
  const int felder = std::min(quelle.fieldCount(), ziel.fieldCount());
  for (int i = 0; i < felder; ++i) {
    Status st = ziel.fields(i).assign(quelle.fields(i));
    if (!st) {
      ziel.cancel();
      return st;
    }
  }
  Status st = ziel.post();
  if (!st) ziel.cancel();
  return st;
}

Status jedenSatz(db::TTable& tabelle, const std::function<Status()>& tun) {
  RIVIZA_TRY(tabelle.first());
  while (!tabelle.eof()) {
    RIVIZA_TRY(tun());
    RIVIZA_TRY(tabelle.next());
  }
  return okStatus();
}

Status satzAendern(db::TTable& tabelle, const std::function<Status()>& setzen) {
  RIVIZA_TRY(tabelle.edit());
  Status st = setzen();
  if (st) st = tabelle.post();
  if (!st) tabelle.cancel();
  return st;
}

Status alleLoeschen(db::TTable& tabelle) {
  while (!tabelle.isEmpty()) RIVIZA_TRY(tabelle.deleteRecord());
  return okStatus();
}

Status loeschenWo(db::TTable& tabelle, const std::function<Result<bool>()>& treffer) {
  RIVIZA_TRY(tabelle.first());
  while (!tabelle.eof()) {
    auto loeschen = treffer();
    if (!loeschen) return loeschen.error();
    if (!*loeschen) {
      RIVIZA_TRY(tabelle.next());
      continue;
    }
    // After the last record the cursor goes back to one already passed over.
    const bool letzter = tabelle.recNo() == tabelle.recordCount();
    RIVIZA_TRY(tabelle.deleteRecord());
    if (letzter) break;
  }
  return okStatus();
}

namespace {

Result<BelegKopie::Index> belegIndex(db::TTable& tabelle) {
  BelegKopie::Index index;
  Status st = tabelle.first();
  for (; st && !tabelle.eof(); st = tabelle.next())
    index[tabelle.fields(0).asString()].push_back(tabelle.recNo());
  if (!st) return st.error();
  return index;
}

Status belegSaetzeAnhaengen(const BelegKopie::Index& index, const std::string& belegNummer,
                            db::TTable& quelle, db::TTable& ziel) {
  auto it = index.find(belegNummer);
  if (belegNummer.empty() || it == index.end()) return okStatus();
  for (int satz : it->second) {
    RIVIZA_TRY(quelle.setRecNo(satz));
    RIVIZA_TRY(datensatzAnhaengen(quelle, ziel));
  }
  return okStatus();
}

}  // namespace

Result<BelegKopie> BelegKopie::beginnen(db::TableSet& tabellen, const std::string& quelle,
                                        const std::string& ziel, const std::string& quellFilter,
                                        bool zielNachNummer) {
  TFormEinstellungen& f = *FormEinstellungen;
  RIVIZA_TRY(tabellen.join(*f.TableAlt, *f.TableNeu, *f.Table1, *f.Table2));
  RIVIZA_TRY(tabelleOeffnen(*f.TableAlt, quelle, "ErfBeleg.DB", quellFilter));
  RIVIZA_TRY(tabelleOeffnen(*f.TableNeu, ziel, "ErfBeleg.DB"));
  RIVIZA_TRY(tabelleOeffnen(*f.Table1, quelle, "ErfPosition.DB"));
  RIVIZA_TRY(tabelleOeffnen(*f.Table2, ziel, "ErfPosition.DB"));
  auto positionen = belegIndex(*f.Table1);
  if (!positionen) return positionen.error();
  if (!tabellen.inTransaction()) RIVIZA_TRY(tabellen.begin());
  if (zielNachNummer) {
    RIVIZA_TRY(f.TableNeu->ensureFilterIndex("BelegNummer"));
    RIVIZA_TRY(f.Table2->ensureFilterIndex("BelegNummer"));
  }
  return BelegKopie(std::move(*positionen));
}

Status BelegKopie::uebernehmen() {
  TFormEinstellungen& f = *FormEinstellungen;
  RIVIZA_TRY(belegSaetzeAnhaengen(positionen_, f.TableAlt->fields(0).asString(), *f.Table1, *f.Table2));
  return datensatzAnhaengen(*f.TableAlt, *f.TableNeu);
}

void arbeitstabellenSchliessen() {
  TFormEinstellungen& f = *FormEinstellungen;
  for (ui::TTable* t : {f.Table1, f.Table2, f.TableAlt, f.TableNeu}) t->close();
}

bool tabelleVorhanden(const std::string& ordner, const std::string& name) {
  return platform::fileExists(ordner + "\\" + name);
}

void jahresVorlageKopieren(const std::string& name) {
  const std::string vorlage = globals().ProgrammPfad + "LeerDaten\\" + name;
  if (!tabelleVorhanden(jahrDatenPfad(), name) && platform::fileExists(vorlage))
    (void)platform::copyFile(vorlage, jahrDatenPfad() + "\\" + name);
}

Fortschritt::Fortschritt(bool mitZaehler) : mitZaehler_(mitZaehler) {
  TFormEinstellungen& f = *FormEinstellungen;
  f.LabelWarten->setVisible(true);
  if (mitZaehler_) {
    f.LabelDbSatz->setCaption("");
    f.LabelDbSatz->setVisible(true);
  }
  platform::processMessages();
}

Fortschritt::~Fortschritt() {
  TFormEinstellungen& f = *FormEinstellungen;
  f.LabelWarten->setVisible(false);
  if (mitZaehler_) f.LabelDbSatz->setVisible(false);
}

void Fortschritt::weiter() {
  ++anzahl_;
  if (mitZaehler_) FormEinstellungen->LabelDbSatz->setCaption(std::to_string(anzahl_));
  platform::processMessages();
}

void tabellenFehler(const std::string& was, const Error& fehler) {
  meldung::fehler(was + "\n\n" + fehler.message);
}

bool arbeitAbschliessen(const Status& ergebnis, const std::string& wasBeiFehler, const std::string& erfolg) {
  arbeitstabellenSchliessen();
  if (!ergebnis) {
    tabellenFehler(wasBeiFehler, ergebnis.error());
    return false;
  }
  if (!erfolg.empty()) meldung::hinweis(erfolg);
  return true;
}

}  // namespace riviza
