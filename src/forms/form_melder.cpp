// The settings form's Melder (forms); see form_melder.h.
#include "forms/form_melder.h"

#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "maintenance/reorganisation_tabellen.h"
#include "maintenance/update_liste.h"
#include "platform/pump.h"

namespace riviza {

bool FormMelder::frage(const std::string& text) { return meldung::gefragt(text); }

void FormMelder::meldung(Meldungsart art, const std::string& text) {
  switch (art) {
    case Meldungsart::Hinweis:
      return meldung::hinweis(text);
    case Meldungsart::Fehler:
      return meldung::fehler(text);
    case Meldungsart::FehlerBox:
      return meldung::fehlerBox(text);
    case Meldungsart::Fehlschlag:
      return meldung::fehlschlag(text);
    case Meldungsart::Warnung:
      return meldung::warnung(text);
  }
}

void FormMelder::zeile(std::string_view meldung) { UpdateProtokoll(meldung); }

void FormMelder::reorgZeile(std::string_view meldung) { ReorgProtokoll(meldung); }

void FormMelder::warten(bool laeuft) {
  if (FormEinstellungen) FormEinstellungen->LabelWarten->setVisible(laeuft);
}

void FormMelder::stand(std::string_view text) {
  if (standLabel_) standLabel_->setCaption(std::string(text));
  platform::processMessages();
}

}  // namespace riviza
