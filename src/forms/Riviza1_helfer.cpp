// The small handlers of the settings tabs (form library, application shell): the field
// separator button, the digit filters of the provider and invoice numbers, the application
// choice and the controls it shows, and the folder pickers (four on the settings tab, the backup
// target on the data-maintenance tab).
//
// The choice of BüroWARE also shows CheckBoxBwImportFuerFibuFreigestellt again, which loading
// a year of another application hides: without it that box stayed hidden for the rest of the
// run whatever was chosen.
#include "forms/Riviza1.h"
#include "platform/text.h"
#include "ui/edit_family.h"

namespace riviza {

// Character 254 of the Windows code page, the separator the billing application offers.
void TFormEinstellungen::Button256Click(TComponent&) { EditFeldtrenner->setText("\u00FE"); }

#define RIVIZA1_ZIFFERNFILTER(i)                                                                        \
  void TFormEinstellungen::EditLe##i##KeyPress(TComponent&, char32_t& Key) { ui::keepDigitsOnly(Key); } \
  void TFormEinstellungen::EditReNr##i##KeyPress(TComponent&, char32_t& Key) { ui::keepDigitsOnly(Key); }
RIVIZA1_ZIFFERNFILTER(1)
RIVIZA1_ZIFFERNFILTER(2)
RIVIZA1_ZIFFERNFILTER(3)
RIVIZA1_ZIFFERNFILTER(4)
RIVIZA1_ZIFFERNFILTER(5)
#undef RIVIZA1_ZIFFERNFILTER

void TFormEinstellungen::RadioGroupFachanwendungClick(TComponent&) {
  const bool bueroWare = RadioGroupFachanwendung->itemIndex() == 1;
  LabelOrdnerBw->setCaption(bueroWare ? "Daten" : "Fachanwendung");
  Label59->setVisible(bueroWare);
  if (bueroWare && platform::trim(EditOrdnerFachAnw->text()).empty())
    EditOrdnerFachAnw->setText(EditOrdnerBw->text());
  if (!bueroWare) EditOrdnerFachAnw->setText("");
  for (TControl* c : std::initializer_list<TControl*>{
           EditOrdnerFachAnw, SpeedButtonFachAnw, CheckBoxImpSaReNrInBelNrLief, CheckBoxBwImportValutadatum,
           CheckBoxDatenimportBeiKorrektur, CheckBoxBwImportFuerFibuFreigestellt})
    c->setVisible(bueroWare);
}

void TFormEinstellungen::RadioGroupMailClientClick(TComponent& Sender) {
  RadioGroupFachanwendungClick(Sender);
}

void TFormEinstellungen::SpeedButtonFachAnwClick(TComponent&) {
  ordnerWaehlen(*PathDialog1, *EditOrdnerFachAnw);
}
void TFormEinstellungen::SpeedButtonImportClick(TComponent&) {
  ordnerWaehlen(*PathDialog1, *EditOrdnerImport);
}
void TFormEinstellungen::SpeedButtonExportClick(TComponent&) {
  ordnerWaehlen(*PathDialog1, *EditOrdnerExport);
}
void TFormEinstellungen::SpeedButtonFiffClick(TComponent&) { ordnerWaehlen(*PathDialog1, *EditOrdnerTiff); }
// The backup target: EditZiel is read-only, so the folder dialog is the only way to set it.
void TFormEinstellungen::SpeedButton1Click(TComponent&) { ordnerWaehlen(*PathDialog1, *EditZiel); }

}  // namespace riviza
