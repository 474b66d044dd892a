// riviza-batch operations of the billing years (tool); see batch.h.
//
//   neues-jahr [--offene-belege [--ab TT.MM.JJJJ]] [--leer]
//   jahr-wechseln JAHR
//   zusammenfuehren VON NACH [MONAT]
//   bewegungen-loeschen JAHR
//
// Each sets the controls the settings form's user would set and runs the form's own routine:
// the new year, the merge and the deletion answer the backup question, save the settings and
// run as their buttons do (the merge first checks that both years have data); the switch is the
// year combo box's change.
#include <cstdio>
#include <string>

#include "batch.h"
#include "forms/Riviza1_jahre.h"
#include "forms/globals.h"
#include "maintenance/datenpflege.h"

namespace riviza::batch {
namespace {

bool vierstellig(const std::string& jahr) {
  return jahr.size() == 4 && jahr.find_first_not_of("0123456789") == std::string::npos;
}

std::string jahrArgument(const std::string& jahr) {
  if (!vierstellig(jahr)) throw Nutzungsfehler("Jahr vierstellig angeben: " + jahr);
  return jahr;
}

bool neuesJahr(Sitzung& s) {
  bool offene = false, leer = false;
  std::string ab;
  for (size_t i = 0; i < s.args.size(); ++i) {
    const std::string& a = s.args[i];
    if (a == "--offene-belege")
      offene = true;
    else if (a == "--leer")
      leer = true;
    else if (a == "--ab" && i + 1 < s.args.size())
      ab = s.args[++i];
    else
      throw Nutzungsfehler("unbekanntes Argument: " + a);
  }
  if (!ab.empty() && !offene) throw Nutzungsfehler("--ab nur mit --offene-belege");
  s.form.CheckBoxOffeneBelUebernehmen->setChecked(offene);
  s.form.EditAbDatumAbrechnung->setText(ab);
  s.form.CheckBoxLeereDbAnlegen->setChecked(leer);
  return neuesJahrAnlegenMitRueckfrage();
}

bool jahrWechseln(Sitzung& s) {
  if (s.args.size() != 1) throw Nutzungsfehler("ein Jahr erwartet");
  const std::string jahr = jahrArgument(s.args[0]);
  if (s.form.ComboBoxAktuellesJahr->items().indexOf(jahr) < 0) {
    std::printf("Abrechnungsjahr %s nicht vorhanden\n", jahr.c_str());
    return false;
  }
  s.form.ComboBoxAktuellesJahr->setText(jahr);
  s.form.ComboBoxAktuellesJahrChange(*s.form.ComboBoxAktuellesJahr);
  return !globals().JahrInNutzung;
}

bool zusammenfuehren(Sitzung& s) {
  if (s.args.size() != 2 && s.args.size() != 3) throw Nutzungsfehler("VON NACH [MONAT] erwartet");
  const std::string von = jahrArgument(s.args[0]);
  const std::string nach = jahrArgument(s.args[1]);
  s.form.EditVonJahr->setText(von);
  s.form.EditNachJahr->setText(nach);
  s.form.EditFuerMonat->setText(s.args.size() == 3 ? s.args[2] : "");
  return bewegungenZusammenfuehrenMitRueckfrage();
}

bool bewegungenLoeschen(Sitzung& s) {
  if (s.args.size() != 1) throw Nutzungsfehler("ein Jahr erwartet");
  const std::string jahr = jahrArgument(s.args[0]);
  s.form.EditLoeschenFuerJahr->setText(jahr);
  return bewegungenLoeschenMitRueckfrage();
}

}  // namespace

RIVIZA_BATCH_OPERATION("neues-jahr", "[--offene-belege [--ab TT.MM.JJJJ]] [--leer]",
                       "legt das nächste Abrechnungsjahr an (\"neues Abrechnungsjahr anlegen\")", neuesJahr);
RIVIZA_BATCH_OPERATION("jahr-wechseln", "JAHR", "macht JAHR zum aktuellen Abrechnungsjahr", jahrWechseln);
RIVIZA_BATCH_OPERATION("zusammenfuehren", "VON NACH [MONAT]",
                       "führt die Bewegungsdaten des Jahres VON (nur MONAT) in das Jahr NACH zusammen",
                       zusammenfuehren);
RIVIZA_BATCH_OPERATION("bewegungen-loeschen", "JAHR", "löscht die Bewegungsdaten des Jahres JAHR",
                       bewegungenLoeschen);

}  // namespace riviza::batch
