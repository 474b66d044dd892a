// The deferred start-up, the billing year's folders, the window caption and the
// program-access lock (form library, application shell).
//
// The routines work on FormEinstellungen and the global state. The program-access lock is the
// key [EINSTELLUNGEN] ProgrammZugriff of the year file, shared with the billing application:
// "1" while a program of the suite works on the year. Its table of events:
//   start:   "1" -> message, JahrInNutzung set, value kept; other value (also empty) -> "1";
//            key missing -> nothing written;
//   leaving a year (close, switch, data-root change, new year): "" when the year file exists
//            and JahrInNutzung is not set;
//   entering a year (switch, data-root change, new year): read first, as at the start: "1" ->
//            message, JahrInNutzung set, value kept; else "1" when the year file exists.
//            JahrInNutzung belongs to the current year and is set afresh on every entry, so a
//            lock another program holds is never released by this one;
//   "Be&nutzereintrag löschen": "" always, JahrInNutzung unchanged.
// The lock is only ever touched in a year below a known data root: before the start-up has
// found one, DatenPfad + JahrPfad would name a file relative to the program folder.
#pragma once

#include <string_view>

namespace riviza {

// Data root, year list and current year, caption, lock, settings, folders, version check and
// the service-centre table; called once by the start-up timer.
void StartInitialisieren();

// The caption rule: title, program version, update date and, with a year chosen, the year.
void fensterTitelSetzen(std::string_view updateDatum);

// The year list of ComboBoxAktuellesJahr: the sub-folders of DatenPfad + "Abrechng" whose
// names have four characters and begin with "2", sorted.
void jahresListeFuellen();

// With no "Abrechng" under the data root, creates it with the calendar year's folder, which
// becomes the current year (combo box and AktuellesJahr); then creates the year's Daten and
// Kosttr where missing.
void jahresordnerAnlegen();

void programmZugriffBeimStart();
void programmZugriffBeimBetreten();
// The start-up's message that another program of the suite holds a year's lock.
void programmZugriffBelegtMelden();
void programmZugriffSetzen();
void programmZugriffFreigeben();
void programmZugriffLoeschen();

// Opens TableAdrDlz on the current year's Daten, copying the empty template there first when
// the year lacks the table.
void dienstleistungszentrenOeffnen();

// The DAKOTA folders, read during the start-up: from DAKOTA 4's Riviza.ini, else from the registry.
// False, after the message and with FehlerAufgetreten set, when DAKOTA is not installed.
bool dakotaOrdnerLesen();

}  // namespace riviza
