// Unit Riviza1: the "Riviza" single-instance lock and the construction of the main form with
// its design values (form library, application shell); see Riviza1.h.
#include "forms/Riviza1.h"

#include "app/allg_tools.h"
#include "app/instance_lock.h"

namespace riviza {

TFormEinstellungen* FormEinstellungen = nullptr;

namespace {
InstanceLock MutexRiviza{"Riviza", "Riviza ist bereits gestartet!"};
}

bool EinzelinstanzSperreAnlegen() { return MutexRiviza.take(); }
void EinzelinstanzSperreFreigeben() { MutexRiviza.release(); }

TFormEinstellungen::TFormEinstellungen() : TForm(nullptr, "FormEinstellungen") {
  setCaption("  Riviza Abrechnung");
  setBounds(0, 0, kDesignWidth, kDesignHeight);
  RIVIZA1_COMPONENTS(RIVIZA_CREATE_COMPONENT)
  RIVIZA1_HANDLERS(RIVIZA_BIND_HANDLER)
  OnCreate = [this](TComponent& sender) { FormCreate(sender); };
  OnClose = [this](TComponent& sender, TCloseAction& action) { FormClose(sender, action); };
}

void TFormEinstellungen::FormCreate(TComponent&) {
  setTop(0);
  setLeft(0);
  int w = width(), h = height();
  FormAnBildschirmAnpassen(w, h, kDesignWidth, kDesignHeight);
  setBounds(left(), top(), w, h);
}

}  // namespace riviza
