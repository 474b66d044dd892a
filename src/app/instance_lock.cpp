// Taking a single-instance lock of the program entry (form library, application shell); see
// instance_lock.h.
#include "app/instance_lock.h"

#include <cstdio>

#include "ui/dialogs.h"

namespace riviza {

bool InstanceLock::take() {
  auto made = platform::NamedMutex::create(name_);
  if (made) {
    mutex_ = std::move(made.value());
    return true;
  }
  if (made.error().code == platform::NamedMutex::kAlreadyExists) {
    ui::dialogs().showMessage(heldMessage_);
    return false;
  }
  std::fprintf(stderr, "%s\n", made.error().describe().c_str());
  return true;
}

}  // namespace riviza
