// The update tab's hidden rebuild buttons and the form's side of the table rebuilds (forms);
// see update_tabellen.h.
#include "forms/update_tabellen.h"

#include "costbearer/kosttr_dateien.h"
#include "forms/Riviza1.h"
#include "forms/form_melder.h"
#include "forms/globals.h"
#include "forms/tabellen_pause.h"
#include "maintenance/update_liste.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "ui/operation.h"

namespace riviza {

namespace cb = costbearer;

namespace {

// A rebuild in an operation of its own (`was` names it, with the year's Daten folder), the
// program's tables closed meanwhile and opened again afterwards.
bool imEigenenVorgang(const std::string& was, cb::NeuaufbauSchritt lauf) {
  const ui::OperationGuard vorgang;
  const Installation inst = installation();
  const cb::NeuaufbauWerte werte = neuaufbauWerte();
  FormMelder melder(FormEinstellungen->LabelKosttr);
  kostentraegerListenZeigen(inst.jahrKosttrPfad());
  TabellenPause pause;
  const cb::NeuaufbauErgebnis e = cb::imEigenenVorgang(
      inst, werte, melder, was + " " + platform::displayPath(inst.jahrDatenPfad()), lauf);
  for (const std::string& meldung : pause.wiederOeffnen()) UpdateProtokoll(meldung);
  debitorenNummerZeigen(e.debitorenAb);
  return e.status.ok();
}

}  // namespace

cb::NeuaufbauWerte neuaufbauWerte() {
  const TFormEinstellungen& f = *FormEinstellungen;
  return {.debitoren = {.debitorenAb = f.CheckBoxFirmaDebitorenAbJN->checked(),
                        .neu55 = f.CheckBoxFirmaDebitorenNeu55JN->checked(),
                        .nummer = f.EditDebitorenAb->text(),
                        .bueroWare = f.RadioGroupFachanwendung->itemIndex() == 1,
                        .ordner = f.EditOrdnerFachAnw->text(),
                        .bediener = f.EditBwBediener->text(),
                        .workflow = f.EditBwWorkflowKost->text(),
                        .kennwort = f.EditBwCw->text()},
          .leKuerzel = f.EditLeKuerzel->text()};
}

void kostentraegerListenZeigen(const std::string& ordner) {
  if (!platform::directoryExists(ordner)) return;
  TFormEinstellungen& f = *FormEinstellungen;
  struct Liste {
    ui::TFileListBox* box;
    cb::Basis basis;
  };
  for (const Liste& l :
       {Liste{f.FileListBoxKost300, cb::Basis::S300}, Liste{f.FileListBoxKost302, cb::Basis::S302},
        Liste{f.FileListBoxKost105, cb::Basis::S105}}) {
    l.box->setMask(std::string(cb::kostentraegerMaske(l.basis)));
    l.box->setDirectory(ordner);
  }
}

void debitorenNummerZeigen(const std::optional<std::string>& nummer) {
  if (nummer) FormEinstellungen->EditDebitorenAb->setText(*nummer);
}

bool KosttrAktualisieren() { return imEigenenVorgang("Kostenträgertabellen", cb::KosttrAktualisierenIm); }

bool KassenAktualisieren() { return imEigenenVorgang("Kassentabellen", cb::KassenAktualisierenIm); }

bool KassenAdrAnnAktualisieren() {
  return imEigenenVorgang("Kassen- und Annahmestellentabellen", cb::KassenAdrAnnAktualisierenIm);
}

bool KostentraegerTabellenAktualisieren() {
  const bool ok = imEigenenVorgang("Kostenträger- und Kassentabellen", cb::KosttrTabellenNeuAufbauen);
  platform::processMessages();
  UpdateProtokoll("  Aktualisierung beendet");
  return ok;
}

void TFormEinstellungen::BitBtnTabelleKostentraegerClick(TComponent&) {
  (void)KostentraegerTabellenAktualisieren();
}

void TFormEinstellungen::BitBtnKassenClick(TComponent&) {
  UpdateProtokoll("  Beginn -> Kassen lesen ...");
  (void)KassenAktualisieren();
  UpdateProtokoll("  Ende   -> Kassen lesen aktualisiert");
  platform::processMessages();
}

void TFormEinstellungen::BitBtnImpKosttrClick(TComponent&) {
  (void)KassenAktualisieren();
  (void)KosttrAktualisieren();
}

}  // namespace riviza
