#include "app/globals.h"

namespace riviza {
namespace {
Globals gGlobals;
}
Globals& globals() { return gGlobals; }
void resetGlobals() { gGlobals = Globals{}; }
}  // namespace riviza
