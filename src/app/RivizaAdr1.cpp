// Construction of the address picker TFormAdressen with its design values (form library,
// master-data editing); see RivizaAdr1.h.
#include "app/RivizaAdr1.h"

#include "app/Riviza1.h"

namespace riviza {

TFormAdressen* FormAdressen = nullptr;

TFormAdressen::TFormAdressen()
    : TForm(nullptr, "FormAdressen"),
      DataSourceAdrAnn(FormEinstellungen ? FormEinstellungen->DataSourceAdrAnn : nullptr) {
  setCaption("  Adressen");
  setBounds(0, 0, 760, 560);
  RIVIZAADR1_COMPONENTS(RIVIZA_CREATE_COMPONENT)
  RIVIZAADR1_HANDLERS(RIVIZA_BIND_HANDLER)
}

}  // namespace riviza
