// Melder: how a domain routine asks, tells, shows progress and writes the update list (domain
// core). The routine is given one and never reaches a control, the form or a dialog itself; the
// form's Melder (forms/form_melder.h) shows message boxes, the update list ListBoxLiveUpdate and
// the progress labels, and ListenMelder below keeps everything for tests and tools without a
// window.
//
// The texts are the routine's own, exactly as the user sees them; the kind of a message box
// gives its caption and icon (app/meldungen.h), so no routine picks a caption of its own. A
// domain routine reports its outcome as a Status; a message box is for what the Windows program
// showed while the work went on (a refusal before anything is written, a reader's full table).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace riviza {

enum class Meldungsart {
  Hinweis,     // "Hinweis !"
  Fehler,      // "FEHLER": checks and table failures of the settings routines
  FehlerBox,   // "Fehler !": start-up, updates, readers
  Fehlschlag,  // "Fehler": a run that ended on a failure
  Warnung,     // a warning dialog with OK
};

class Melder {
 public:
  virtual ~Melder() = default;
  // A question with Yes and No; true when answered Yes.
  virtual bool frage(const std::string& text) = 0;
  // A message box of the kind.
  virtual void meldung(Meldungsart art, const std::string& text) = 0;
  // A line of the update list; the list adds date and time (maintenance/update_liste.h).
  virtual void zeile(std::string_view meldung) = 0;
  // A line of the reorganisation's log list (REORG.LOG), dated the same way.
  virtual void reorgZeile(std::string_view meldung) = 0;
  // Long work begins (true) or ends (false): "Verarbeitung läuft ..." shows meanwhile.
  virtual void warten(bool laeuft) = 0;
  // The record long work has reached (an IK, a count); the window repaints here.
  virtual void stand(std::string_view text) = 0;
};

// A Melder without a window: keeps the lines and messages in order and answers every question
// with `antwort`.
class ListenMelder : public Melder {
 public:
  struct Meldung {
    Meldungsart art;
    std::string text;
  };

  explicit ListenMelder(bool antwort = true) : antwort_(antwort) {}

  bool frage(const std::string& text) override;
  void meldung(Meldungsart art, const std::string& text) override;
  void zeile(std::string_view meldung) override;
  void reorgZeile(std::string_view meldung) override { reorgZeilen_.emplace_back(meldung); }
  void warten(bool laeuft) override { wartet_ = laeuft; }
  void stand(std::string_view text) override { stand_ = text; }

  const std::vector<std::string>& zeilen() const { return zeilen_; }
  const std::vector<std::string>& reorgZeilen() const { return reorgZeilen_; }
  const std::vector<Meldung>& meldungen() const { return meldungen_; }
  const std::vector<std::string>& fragen() const { return fragen_; }
  bool wartet() const { return wartet_; }
  const std::string& letzterStand() const { return stand_; }

 private:
  bool antwort_;
  bool wartet_ = false;
  std::string stand_;
  std::vector<std::string> zeilen_, reorgZeilen_, fragen_;
  std::vector<Meldung> meldungen_;
};

}  // namespace riviza
