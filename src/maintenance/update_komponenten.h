// The update tab's components without a place on screen (form library, maintenance): the zip
// reader as a form component and the state the two update chains keep apart (the download
// components are net/komponenten.h).
//
// An update is a chain of events: button, date file, package, installation. The program chain
// and the cost-bearer chain may run at the same time; each keeps its own date and outcome here,
// so one never reads the other's. A chain is active while one of its downloads runs or its
// installation is in progress.
#pragma once

#include <string>

#include "ui/nonvisual.h"
#include "zip/kvoUnZip.h"

namespace riviza {

using TUnZip = ui::TComponentOf<zip::TUnZip>;

enum class UpdateErgebnis {
  Keines,       // never started
  Laeuft,       // a download of the chain is under way
  KeinNeues,    // the server has nothing newer
  Installiert,  // the package was installed
  Abgebrochen,  // the user declined the installation
  Fehler,       // no connection, a failed download, a bad date file or package
};

struct UpdateKettenZustand {
  std::string datum;         // the date of the chain's date file
  bool installiert = false;  // its package arrived and is being installed
  UpdateErgebnis ergebnis = UpdateErgebnis::Keines;
};

class TUpdateKetten : public ui::TComponent {
 public:
  using TComponent::TComponent;
  UpdateKettenZustand programm, kosttr;
};

}  // namespace riviza
