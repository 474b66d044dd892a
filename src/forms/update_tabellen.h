// The cost-bearer table rebuilds as the settings form runs them (forms): the hidden rebuild
// buttons of the update tab ("&Tabelle Kostenträger", "Tabelle Kassen", "Imp Kosttr IDB / DTA")
// and the routines riviza-batch, the demo and the cost-bearer update call.
//
// A handler builds the values of the rebuild from the form (the installation and year of the
// global state, the debtor and BüroWARE fields, the service provider's abbreviation), points the
// hidden file lists of the update tab at the cost-bearer files, closes the program's tables
// meanwhile (app/tabellen_pause.h), calls the domain (costbearer/tabellen_aktualisieren.h) with
// the form's Melder, and shows the debtor number the run leaves in EditDebitorenAb. Each runs as
// one operation (ui/operation.h): a second rebuild cannot start inside it. True when the rebuild
// succeeded; the update list and the message boxes have said what failed.
#pragma once

#include <optional>
#include <string>

#include "costbearer/tabellen_aktualisieren.h"

namespace riviza {

// The settings of the rebuilds as the form shows them now.
costbearer::NeuaufbauWerte neuaufbauWerte();
// Points FileListBoxKost300/302/105 at the folder with their masks (a folder that does not
// exist leaves them as they are).
void kostentraegerListenZeigen(const std::string& ordner);
// The debtor number a rebuild left (Neuaufbau::debitorenAb) into EditDebitorenAb.
void debitorenNummerZeigen(const std::optional<std::string>& nummer);

// Each rebuild in an operation of its own.
bool KosttrAktualisieren();
bool KassenAktualisieren();
bool KassenAdrAnnAktualisieren();

// The three rebuilds in one operation of their own, committed together, then
// "  Aktualisierung beendet": what "&Tabelle Kostenträger" does. False when a rebuild failed;
// the tables, files and debtor number are then all as they were.
bool KostentraegerTabellenAktualisieren();

}  // namespace riviza
