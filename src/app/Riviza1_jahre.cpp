// The year switch, the data-root change and the move of the form's tables from year to year
// (form library, application shell); see Riviza1_jahre.h.
//
// Mended against the Windows program: the data-root change writes AktuellesJahr as the start-up
// does (it left the program-folder file naming a year of the old root), an empty data-root
// edit stops before the lock is touched, and every table component, TableAdrDlz included,
// follows the year (they stayed open on the year left).
#include "app/Riviza1_jahre.h"

#include "app/Riviza1.h"
#include "app/Riviza1_settings.h"
#include "app/Riviza1_start.h"
#include "app/Riviza1_tabellen.h"
#include "app/allg_tools.h"
#include "app/globals.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/text.h"

namespace riviza {

namespace pf = platform;

void jahrVerlassen() { programmZugriffFreigeben(); }

void jahrAnzeigen(const std::string& jahr) {
  Globals& g = globals();
  FormEinstellungen->ComboBoxAktuellesJahr->setText(jahr);
  {
    pf::IniFile programm(programmIniPfad());
    (void)programm.writeString("EINSTELLUNGEN", "AktuellesJahr", jahr);
  }
  g.JahrPfad = jahr.empty() ? "Abrechng\\" : "Abrechng\\" + jahr + "\\";
  fensterTitelSetzen(g.StandUpdateDatum);
}

void jahrBetreten(const std::string& jahr, bool einstellungenLaden) {
  jahrAnzeigen(jahr);
  programmZugriffBeimBetreten();
  if (einstellungenLaden && pf::fileExists(jahrIniPfad())) EinstellungenLesen();
}

void tabellenAufJahrUmstellen(const std::string& alterDatenOrdner) {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string neu = jahrDatenPfad();
  for (ui::TComponent* c : f.components()) {
    auto* tabelle = dynamic_cast<ui::TTable*>(c);
    if (!tabelle || tabelle == f.TableAdrDlz) continue;
    if (!pf::equalsIgnoreCase(pf::excludeTrailingBackslash(tabelle->databaseName()), alterDatenOrdner))
      continue;
    const bool offen = tabelle->active();
    tabelle->close();
    (void)tabelle->setDatabaseName(neu);
    if (!offen) continue;
    if (Status st = tabelle->open(); !st)
      tabellenFehler("Tabelle " + tabelle->tableName() + " nicht geöffnet", st.error());
  }
  if (!pf::trim(globals().DatenPfad).empty() && pf::directoryExists(neu))
    dienstleistungszentrenOeffnen();
  else
    f.TableAdrDlz->close();
}

void TFormEinstellungen::ComboBoxAktuellesJahrChange(TComponent&) {
  const std::string alt = jahrDatenPfad();
  jahrVerlassen();
  jahrBetreten(ComboBoxAktuellesJahr->text());
  tabellenAufJahrUmstellen(alt);
}

void TFormEinstellungen::SpeedButtonBwClick(TComponent&) {
  Globals& g = globals();
  PathDialog1->setPathName(EditOrdnerBw->text());
  if (PathDialog1->Execute()) EditOrdnerBw->setText(PathDialog1->PathName());
  if (pf::trim(EditOrdnerBw->text()).empty()) return;  // nothing chosen: the year and its lock stay
  const std::string alt = jahrDatenPfad();
  jahrVerlassen();
  g.DatenPfad = BackslashAnhaengen(EditOrdnerBw->text());
  {
    pf::IniFile programm(programmIniPfad());
    (void)programm.writeString("EINSTELLUNGEN", "BüroWARE", EditOrdnerBw->text());
  }
  jahresListeFuellen();
  const TStrings& jahre = ComboBoxAktuellesJahr->items();
  jahrBetreten(jahre.empty() ? "" : jahre[jahre.count() - 1]);
  tabellenAufJahrUmstellen(alt);
}

}  // namespace riviza
