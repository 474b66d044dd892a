// TFormEinstellungen, the main form of unit Riviza1 (form library, application shell).
//
// The form is declared once here: its components come from the lists of Riviza1_components.h
// and its handlers from RIVIZA1_HANDLERS; each subsystem defines the handlers it owns in its
// own folder. Every routine reaches the form through the global FormEinstellungen, which the
// form sets while it lives. Construction creates the components in list order with their
// design values and binds the handlers; OnCreate (FormCreate) follows when the application
// creates the form.
#pragma once

#include "app/UPathDialog.h"
#include "forms/Riviza1_components.h"
#include "maintenance/update_komponenten.h"
#include "net/komponenten.h"
#include "office/ExcelExport.h"
#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/data.h"
#include "ui/db_controls.h"
#include "ui/design.h"
#include "ui/form.h"
#include "ui/lists.h"

namespace riviza {

using namespace riviza::ui;

class TFormEinstellungen;
extern TFormEinstellungen* FormEinstellungen;

class TFormEinstellungen : public TForm {
 public:
  // The design size; FormCreate fits the form to the screen from it.
  static constexpr int kDesignWidth = 1200;
  static constexpr int kDesignHeight = 800;

  TFormEinstellungen();

  RIVIZA1_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
  RIVIZA1_HANDLERS(RIVIZA_DECLARE_HANDLER)

  void FormCreate(TComponent& Sender);
  void FormClose(TComponent& Sender, TCloseAction& Action);

 private:
  GlobalFormRef<TFormEinstellungen> global_{FormEinstellungen, this};
};

// The program's own single-instance lock, the named mutex "Riviza" (MutexRiviza): taken after
// the billing application's; when held by another process, shows "Riviza ist bereits
// gestartet!" and returns false, and the program ends at once.
bool EinzelinstanzSperreAnlegen();
void EinzelinstanzSperreFreigeben();

}  // namespace riviza
