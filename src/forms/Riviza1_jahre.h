// The billing-year operations (form library, application shell): switching the current year,
// changing the data root, creating the next year (with the migration of the flat layout),
// merging one year's movement data into another and deleting one year's movement data.
//
// Every operation keeps JahrPfad, ComboBoxAktuellesJahr and AktuellesJahr of the program-folder
// file naming the same year, the caption rule and the program-access lock of Riviza1_start.h
// (a year is left by releasing this program's own lock, entered by reading the lock first),
// and puts every table component of the program that worked on the year left onto the year
// entered. Long work shows LabelWarten with a running count in LabelDbSatz and lets messages
// run per voucher; the merge and the deletion write one line per voucher into ListBoxStat01.
#pragma once

#include <functional>
#include <string>

namespace riviza {

// Leaves the current year: its lock is released when this program holds it.
void jahrVerlassen();
// Names `jahr` the current year (empty: the flat layout "Abrechng\"): combo text, JahrPfad,
// AktuellesJahr and caption, the lock untouched.
void jahrAnzeigen(const std::string& jahr);
// Makes `jahr` the current year: jahrAnzeigen, the lock read and taken, and the year file
// loaded when it exists and `einstellungenLaden` is set.
void jahrBetreten(const std::string& jahr, bool einstellungenLaden = true);
// Makes `jahr` the current year as the year combo box does: the year left, `jahr` entered,
// the tables moved along (mitTabellenImJahr).
void jahrWechseln(const std::string& jahr);
// Runs `wechsel`, which may make another year current, with every table of the program's forms
// closed (TabellenPause). Afterwards the tables that named the Daten folder of the year current
// before open on the year current now, TableAdrDlz as the start-up opens it (closed when the
// year has no Daten folder), and a lost edit or a table that cannot be opened is shown in an
// error box. Returns what `wechsel` returned.
bool mitTabellenImJahr(const std::function<bool()>& wechsel);

// The step before an operation that rewrites a year (the new year, the merge and the deletion of
// movement data): the question "Datensicherung durchgeführt ?" naming the data root's Abrechng
// folder, then the save of the settings. False when not confirmed or when the save failed (it
// has said why): the operation stands aside.
bool gesichertUndGespeichert();
// "neues Abrechnungsjahr anlegen": gesichertUndGespeichert, then the new year. True when the new
// year was created.
bool neuesJahrAnlegenMitRueckfrage();
// The next billing year from the highest listed one (or, in the flat layout, the calendar
// year from the data as they are); true when it was created and became the current year.
// Everything that can be checked is checked before anything is created; the year is then built
// beside its final name and takes it at the end, so a refused, failed or killed run leaves no
// half-made year.
bool NeuesAbrechnungsjahrAnlegen();

// Merges the vouchers (with their positions) and the billing summaries of the `quelle` Daten
// folder into the `ziel` Daten folder (both without trailing "\"); with EditFuerMonat, only the
// vouchers of that month of EditVonJahr. A voucher the target holds already is replaced; a
// summary record the target holds already is not added again, so a second merge changes
// nothing; a target that holds a taken voucher's number twice is refused. Everything the target
// gets commits together or not at all. True when everything was merged.
bool BewegungsdatenZusammenfuehren(const std::string& quelle, const std::string& ziel);

// Deletes, in the given Daten folder, every voucher dated in the year of EditLoeschenFuerJahr
// (four digits) with its positions, both tables in one transaction. True when the deletion ran.
bool BewegungenFuerJahrLoeschen(const std::string& datenOrdner);

}  // namespace riviza
