// Closing and reopening every open table of the program's forms (form library, application
// shell); see tabellen_pause.h.
#include "forms/tabellen_pause.h"

#include <utility>

#include "forms/DiviveveLe1.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "platform/codec.h"
#include "platform/paths.h"
#include "ui/data.h"

namespace riviza {

namespace {

bool gleicherOrdner(std::string_view a, std::string_view b) {
  return platform::equalsIgnoreCase(platform::excludeTrailingBackslash(a),
                                    platform::excludeTrailingBackslash(b));
}

std::string tabellenText(const ui::TTable& t) {
  return t.name() + " (" + platform::displayPath(t.filePathText()) + ")";
}

// Every table component of the forms that exist.
std::vector<ui::TTable*> formTabellen() {
  std::vector<ui::TTable*> tabellen;
  for (ui::TForm* form : {static_cast<ui::TForm*>(FormEinstellungen), static_cast<ui::TForm*>(FormAdressen),
                          static_cast<ui::TForm*>(FormLe)}) {
    if (!form) continue;
    for (ui::TComponent* c : form->components())
      if (auto* t = dynamic_cast<ui::TTable*>(c)) tabellen.push_back(t);
  }
  return tabellen;
}

}  // namespace

TabellenPause::TabellenPause() {
  // The picker ends its entry through its own checks, which the post below would pass over.
  if (FormAdressen) FormAdressen->PanelAdressenExit(*FormAdressen);
  for (ui::TTable* t : formTabellen()) {
    if (!t->active()) continue;
    if (t->state() == db::TableState::Edit || t->state() == db::TableState::Insert) {
      if (Status st = t->checkBrowseMode(); !st) {
        meldungen_.push_back("Änderung verworfen: " + tabellenText(*t) + ": " + st.error().message);
        t->cancel();
      }
    }
    tabellen_.push_back({t, t->databaseName(), t->tableName(), t->exclusive(), t->recNo()});
    t->close();
  }
  // The entries are ended: the modeless forms' edit panels close too, so that a later
  // "S&peichern" there cannot write what was typed over a record of the reopened tables.
  if (FormLe) FormLe->PanelLeExit(*FormLe);
  offen_ = true;
}

TabellenPause::~TabellenPause() {
  if (offen_) (void)wiederOeffnen();
}

void TabellenPause::auslassen(const ui::TTable& tabelle) {
  std::erase_if(tabellen_, [&tabelle](const Geschlossen& g) { return g.tabelle == &tabelle; });
}

std::vector<std::string> TabellenPause::wiederOeffnen(std::string_view vonOrdner,
                                                      std::string_view nachOrdner) {
  if (!offen_) return {};
  offen_ = false;
  const auto ordnerNachher = [&](const std::string& ordner) {
    return !vonOrdner.empty() && gleicherOrdner(ordner, vonOrdner) ? std::string(nachOrdner) : ordner;
  };
  for (const Geschlossen& g : tabellen_) {
    ui::TTable& t = *g.tabelle;
    t.close();  // a caller may have opened it meanwhile, on other names
    Status st = t.setDatabaseName(ordnerNachher(g.ordner));
    if (st) st = t.setTableName(g.name);
    if (st) st = t.setExclusive(g.exklusiv);
    if (st) st = t.open();
    if (st && g.satz > 0) st = t.setRecNo(g.satz);
    if (!st) meldungen_.push_back("Tabelle nicht geöffnet: " + tabellenText(t) + ": " + st.error().message);
  }
  // A closed table cannot fail to take a folder.
  for (ui::TTable* t : formTabellen())
    if (!t->active()) (void)t->setDatabaseName(ordnerNachher(t->databaseName()));
  return std::exchange(meldungen_, {});
}

}  // namespace riviza
