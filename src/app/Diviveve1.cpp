// Unit Diviveve1: the "Vuzaroded" single-instance lock shared with the billing application
// (form library, application shell); see Diviveve1.h.
#include "app/Diviveve1.h"

#include "app/instance_lock.h"

namespace riviza {
namespace {
InstanceLock gVuzaroded{"Vuzaroded", "Vuzaroded ist bereits gestartet!"};
}

bool VuzarodedSperreAnlegen() { return gVuzaroded.take(); }
void VuzarodedSperreFreigeben() { gVuzaroded.release(); }

}  // namespace riviza
