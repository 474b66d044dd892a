// Construction of the service-provider form TFormLe with its design values (form library,
// master-data editing); see DiviveveLe1.h.
#include "app/DiviveveLe1.h"

namespace riviza {

TFormLe* FormLe = nullptr;

TFormLe::TFormLe() : TForm(nullptr, "FormLe") {
  setCaption("  Leistungserbringer");
  setBounds(0, 0, 900, 640);
  DIVIVEVELE1_COMPONENTS(RIVIZA_CREATE_COMPONENT)
  DIVIVEVELE1_HANDLERS(RIVIZA_BIND_HANDLER)
}

}  // namespace riviza
