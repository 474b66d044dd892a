// FormMelder: the settings form's Melder (forms): what a domain routine asks and tells reaches
// the user as the Windows program showed it. Questions and message boxes go through the dialogs
// service with the captions of app/meldungen.h, lines into the update list ListBoxLiveUpdate or
// the reorganisation list ListBoxReorg, long work shows LabelWarten, and the record it has
// reached shows in the label the handler names (the table rebuilds: LabelKosttr), after which
// pending messages run so that the window repaints. Message boxes and questions work without
// the form too (the readers' tests); the lists and the labels need it.
#pragma once

#include "app/melder.h"

namespace riviza {

namespace ui {
class TLabel;
}

class FormMelder : public Melder {
 public:
  // `standLabel` shows the record long work has reached; without one only messages run there.
  explicit FormMelder(ui::TLabel* standLabel = nullptr) : standLabel_(standLabel) {}

  bool frage(const std::string& text) override;
  void meldung(Meldungsart art, const std::string& text) override;
  void zeile(std::string_view meldung) override;
  void reorgZeile(std::string_view meldung) override;
  void warten(bool laeuft) override;
  void stand(std::string_view text) override;

 private:
  ui::TLabel* standLabel_;
};

}  // namespace riviza
