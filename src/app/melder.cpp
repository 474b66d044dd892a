// The Melder without a window (domain core); see melder.h.
#include "app/melder.h"

namespace riviza {

bool ListenMelder::frage(const std::string& text) {
  fragen_.push_back(text);
  return antwort_;
}

void ListenMelder::meldung(Meldungsart art, const std::string& text) { meldungen_.push_back({art, text}); }

void ListenMelder::zeile(std::string_view meldung) { zeilen_.emplace_back(meldung); }

}  // namespace riviza
