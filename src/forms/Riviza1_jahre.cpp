// The year switch, the data-root change and the move of the form's tables from year to year
// (form library, application shell); see Riviza1_jahre.h.
//
// Mended against the Windows program: the data-root change writes AktuellesJahr as the start-up
// does (it left the program-folder file naming a year of the old root), a cancelled folder
// dialog or an empty data-root edit stops before the lock is touched (the cancel took the root's
// highest year and moved the lock there), and every table component, TableAdrDlz included,
// follows the year (they stayed open on the year left), an edit in progress posted into the
// year it was made in (closing the table dropped it).
#include "forms/Riviza1_jahre.h"

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_settings.h"
#include "forms/Riviza1_start.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "forms/tabellen_pause.h"
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

bool mitTabellenImJahr(const std::function<bool()>& wechsel) {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string alt = jahrDatenPfad();
  TabellenPause pause;
  // The service-centre table gets the template when the year lacks it, as at the start-up.
  pause.auslassen(*f.TableAdrDlz);
  const bool ergebnis = wechsel();
  const std::string neu = jahrDatenPfad();
  std::string meldungen;
  for (const std::string& meldung : pause.wiederOeffnen(alt, neu))
    meldungen += (meldungen.empty() ? "" : "\n") + meldung;
  if (!meldungen.empty()) meldung::fehler(meldungen);
  if (!pf::trim(globals().DatenPfad).empty() && pf::directoryExists(neu))
    dienstleistungszentrenOeffnen();
  else
    f.TableAdrDlz->close();
  return ergebnis;
}

void jahrWechseln(const std::string& jahr) {
  (void)mitTabellenImJahr([&jahr] {
    jahrVerlassen();
    jahrBetreten(jahr);
    return true;
  });
}

void TFormEinstellungen::ComboBoxAktuellesJahrChange(TComponent&) {
  jahrWechseln(ComboBoxAktuellesJahr->text());
}

void TFormEinstellungen::SpeedButtonBwClick(TComponent&) {
  // A cancelled dialog chose no data root: the year, the highest year and the lock stay.
  if (!ordnerWaehlen(*PathDialog1, *EditOrdnerBw) || pf::trim(EditOrdnerBw->text()).empty()) return;
  (void)mitTabellenImJahr([this] {
    jahrVerlassen();
    globals().DatenPfad = BackslashAnhaengen(EditOrdnerBw->text());
    {
      pf::IniFile programm(programmIniPfad());
      (void)programm.writeString("EINSTELLUNGEN", "BüroWARE", EditOrdnerBw->text());
    }
    jahresListeFuellen();
    const TStrings& jahre = ComboBoxAktuellesJahr->items();
    jahrBetreten(jahre.empty() ? "" : jahre[jahre.count() - 1]);
    return true;
  });
}

}  // namespace riviza
