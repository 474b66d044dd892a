// The reorganisation of the year tables, as far as the start-up needs it (form library).
//
// The start-up calls DatenReorganisieren when the year's recorded program version is older than
// the program's. Until the reorganisation itself is built, the routine only counts its calls;
// it will then replace this header's body file and the count with the real work.
#pragma once

namespace riviza {

void DatenReorganisieren();

// How often DatenReorganisieren ran in this process (the start-up's tests look at it).
int datenReorganisierenAufrufe();

}  // namespace riviza
