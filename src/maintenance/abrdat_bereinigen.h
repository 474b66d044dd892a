// The clean-up of the billing export (form library, maintenance): ABR.DAT in the export folder
// ExportPfad becomes ABR.NEU beside it, with the header line, the K records unchanged, the P
// records carrying the fixed billing period, and every other line dropped.
//
// The file is Windows-1252 text and is handled byte for byte, so the columns of a P line count
// single bytes and an umlaut passes unchanged. Lines end in CR LF or LF on reading and in CR LF
// in ABR.NEU; an empty line is dropped like any line that is neither K nor P.
#pragma once

namespace riviza {

// Writes ExportPfad + "ABR.NEU" from ExportPfad + "ABR.DAT" and says "Datei erstellt!". Without
// ABR.DAT it returns false without a message; a file that cannot be read or written is an
// error box and false. An existing ABR.NEU is replaced.
bool AbrDatBereinigen();

}  // namespace riviza
