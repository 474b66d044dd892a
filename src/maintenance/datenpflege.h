// The one-shot tools of the page "Da&tenpflege" (form library, maintenance): the confirmed
// service-list imports, the confirmed clean-up of ABR.DAT, the guarded and confirmed merge and
// deletion of movement data, the PZN widening, the doctor numbers turned into site numbers, the
// numbered copies of the TIFF files, and the date picker of the year change.
//
// Each button's handler calls the routine below that carries its name's work, so that
// riviza-batch runs the same checks, questions and messages. The heavy work lies in the routines
// of the billing years, the imports and the billing-export clean-up; these add the guards.
// Visibility: the doctor-number group never shows, the TIFF button shows when the settings load
// says so and hides after a run that went through, and LabelWarten with LabelDbSatz show only
// while an import runs.
#pragma once

#include <string>

namespace riviza {

enum class LeistungsListe { Xls, Csv };

// "Datei nicht vorhanden!" without the file, else the question whether the services may be
// deleted; on Yes the import with the waiting label and the count. True when imported.
bool LeistungenImportieren(const std::string& datei, LeistungsListe art);

// The merge of EditVonJahr into EditNachJahr (month EditFuerMonat): "In diese Jahren gibt es
// keine Daten!" unless both years have a Daten folder, then the backup question and the save of
// the settings, then the merge. True when merged.
bool bewegungenZusammenfuehrenMitRueckfrage();
// The backup question and the save of the settings, then the deletion of the movement data of
// EditLoeschenFuerJahr. True when deleted.
bool bewegungenLoeschenMitRueckfrage();

// Every PZN (field 18) of Leistungen.DB of the year in ComboBoxAktuellesJahr that is exactly
// seven characters long gets a "0" in front, in one transaction; the message says whether one
// changed. False when the table cannot be opened or written (an error box).
bool PznAchtstellig();

// Every doctor number of the current year's Arzt.DB that is seven characters after trimming and
// all digits becomes those digits followed by "00"; a seven-character one that is not all digits
// is named in a message and left. LabelUmsetzungBeendet shows the table's record count. False
// (silently) without Arzt.DB, or after an error box when the table fails.
bool ArztNummernUmsetzen();

// Copies each file n.xxx of EditOrdnerTiff into its sub-folder GUS as EditMandant + (n +
// 100000000) + ".tif" unless that file exists there, with a line in the reorganisation list per
// copy; then hides the button. A name that is no number stops the run with the conversion error,
// and a client abbreviation with a path separator or ".." is refused before anything is copied.
// True when the run went through.
bool GusTifDateienKopieren();

}  // namespace riviza
