// The billing application's single-instance lock, unit Diviveve1 (application
// core).
//
// The billing application holds the named mutex "Vuzaroded" while it runs; this program takes
// it too, before anything else, so that the two never run side by side. The lock is kept until
// VuzarodedSperreFreigeben or the end of the process.
#pragma once

namespace riviza {

// Takes "Vuzaroded"; when another process holds it, shows "Vuzaroded ist bereits gestartet!"
// and returns false: the program ends at once.
bool VuzarodedSperreAnlegen();
void VuzarodedSperreFreigeben();

}  // namespace riviza
