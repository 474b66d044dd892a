// Both Abrechng.ini files as one declarative table, the generic load and save over it, and the
// two settings routines EinstellungenLesen and EinstellungenSpeichern (form library,
// application shell).
//
// Every key of the program-folder file and of the year file is one row: file, section, key,
// the control that shows it, its kind, whether the generic load reads it and the generic save
// writes it, and its read default. The few keys that behave otherwise carry that behaviour on
// their row (a state forced after loading, a hook after loading or writing, a key named by
// another edit's text, a write only while another edit holds text), so that one routine reads
// and one routine writes every file. Conventions of the rows:
//  - Text: an edit's or combo box's text; with the read default "-1" the value "-1" stands for
//    a missing key and shows as empty, with any other default the value shows as read;
//  - Flag: a check box, "1" when checked and empty when not; any other value reads unchecked;
//  - Auswahl: a radio group's item index in decimal; "-1", a missing key or a value that is no
//    number read as 0, an index past the last item as the last item;
//  - Ohne: no control (lock, version, keys only other routines or programs write);
//  - Spezial: no control of its own; its load hook shows the value.
// The table's order is the load order; the save writes in the same order except that the
// sections JAHRESWECHSEL, ZUSAMMENFEUHREN and BEWEGUNGEN_LOESCHEN come before FIRMA.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ini.h"
#include "platform/result.h"

namespace riviza {

class TFormEinstellungen;

enum class IniDatei { Programm, Jahr };
enum class IniArt { Text, Flag, Auswahl, Ohne, Spezial };

struct IniSchluessel {
  IniDatei datei = IniDatei::Jahr;
  std::string abschnitt;
  std::string schluessel;  // empty: the key is the text of the edit `schluesselAus`
  std::string control;     // component name; empty for Ohne
  IniArt art = IniArt::Text;
  bool gelesen = true;      // read by the generic load
  bool geschrieben = true;  // written by the generic save
  std::string vorgabe = "-1";
  // Written only while this edit holds text (the provider slots); a key taken from an empty
  // edit is neither read (its control is emptied) nor written.
  std::string nurMitText{};
  std::string schluesselAus{};
  std::optional<bool> danachGesetzt{};  // check box state forced after loading
  void (*nachLaden)(TFormEinstellungen& form, const std::string& wert) = nullptr;
  Status (*nachSchreiben)(TFormEinstellungen& form, platform::IniFile& ini) = nullptr;
};

// Every key of both files, in load order.
const std::vector<IniSchluessel>& iniSchluessel();
// The rows of one file the generic save writes, in write order.
std::vector<const IniSchluessel*> speicherReihenfolge(IniDatei datei);

// The key a row reads and writes now (the provider's invoice number is keyed by the provider
// number in its edit); empty when that edit is empty.
std::string schluesselVon(const TFormEinstellungen& form, const IniSchluessel& row);

// The generic routines over the rows of one file.
void iniLaden(TFormEinstellungen& form, IniDatei datei, const platform::IniFile& ini);
Status iniSpeichern(TFormEinstellungen& form, IniDatei datei, platform::IniFile& ini);

// Loads the current year file into the form, with the visibility side effects, the fund tab
// and the WinSCP strings. Called only when the year file exists.
void EinstellungenLesen();

// Checks the folders, creates a new year's structure when it lacks tables or cost-bearer files,
// writes the program-folder file always and the year file only when no check failed. Leaves
// FehlerAufgetreten cleared, as the callers expect; the result tells them whether it failed
// (a check or a write), so that the year operations can stand aside.
bool EinstellungenSpeichern();

// The program's version as the years record it: the first three characters of its file version.
std::string programmVersion();

// A stored update or cost-bearer date; "-1" (missing) and blank read as "01.01.2000".
std::string standDatum(const std::string& wert);
// StandKosttrDatum from a KosttrDatum value, shown in LabelKosttr.
void kosttrDatumZeigen(TFormEinstellungen& form, const std::string& wert);

}  // namespace riviza
