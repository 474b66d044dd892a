// Scenario set-up of the application-shell tests: a Wine prefix, a program folder (the current
// folder) and a data root in temporary folders, a fixed clock, fake network drives, scripted
// dialogs and a fresh main form with fresh global state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "platform/clock.h"
#include "platform/netdrive.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"

namespace riviza::test {

// Lines of text as the scenarios compare them: messages, log and list lines, arguments.
using Zeilen = std::vector<std::string>;

class Shell : public ::testing::Test {
 public:
  Shell();
  ~Shell() override;

  // Path text of a name inside the program folder, the data root or the prefix's drive C:.
  std::string imProgramm(std::string_view rel = "") const { return programm.str() + "\\" + std::string(rel); }
  std::string imDaten(std::string_view rel = "") const { return daten.str() + "\\" + std::string(rel); }
  // The same as a message or a list line shows it: "/" throughout (no drive of the prefix maps
  // these folders).
  std::string gezeigtImProgramm(std::string_view rel = "") const { return gezeigt(programm, rel); }
  std::string gezeigtImDaten(std::string_view rel = "") const { return gezeigt(daten, rel); }
  static std::string gezeigt(const TempDir& dir, std::string_view rel) {
    std::string text = dir.str() + "/" + std::string(rel);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
  }

  // DAKOTA 4 as the start-up finds it: Riviza.ini (with the given text) and
  // annahmest.ini, optionally zertifikat.ini, under C:\dakotale\System.
  void dakota4(std::string_view rivizaIni = "[PFADE]\r\nBENUTZERPFAD=C:\\dakotale\\Benutzer\r\n",
               bool zertifikat = false);
  // The registry of the prefix (system.reg) holding the given DAKOTA values.
  void dakotaRegistry(std::string_view bnswh, std::string_view dll);

  // Writes a settings file from UTF-8 text as Windows-1252.
  static void iniSchreiben(const TempDir& dir, std::string_view rel, std::string_view utf8);
  // The program-folder file naming the data root, plus further lines.
  void programmIni(std::string_view weitere = "");
  // A year folder Abrechng\<jahr> with Daten and Kosttr and its Abrechng.ini: the given text,
  // or one with an empty lock and the program's own version.
  void jahr(std::string_view jahr, std::string_view iniText);
  void jahr(std::string_view jahr);
  void jahrOhneIni(std::string_view jahr);

  // DAKOTA 4, the data root with a complete year 2024 (a table and a cost-bearer file) whose
  // file holds the given text (default: see jahr), the start-up run, and the data root as the
  // export folder: the state in which a save writes both files.
  void bereitZumSpeichern(std::optional<std::string> iniText = std::nullopt);

  // A value of a settings file, "-1" when missing.
  static std::string wert(const std::string& pfadText, const char* abschnitt, const char* schluessel);
  std::string jahrWert(std::string_view jahr, const char* schluessel,
                       const char* abschnitt = "EINSTELLUNGEN") const;
  std::string programmWert(const char* schluessel, const char* abschnitt = "EINSTELLUNGEN") const;

  // The start-up timer's tick.
  void starten() { form->Timer1->fire(); }
  // A program started afresh on the same folders: the form gone, the global state a fresh
  // process has, a new form, an empty transcript. (Not yet started.)
  void neuesProgramm();
  // The texts shown so far.
  std::vector<std::string> texte() const { return dialogs.texts(); }

  // LeerDaten (generated from the catalogue) and Kosttr with two cost-bearer files: the
  // program folder of every test.
  static void programmVorlagen(const TempDir& programm);

  TempDir prefix, programm, daten, runtime;
  ScopedEnv wine{"WINEPREFIX", prefix.str()};
  ScopedEnv locks{"XDG_RUNTIME_DIR", runtime.str()};
  ScopedCurrentDir cwd{programm.path()};
  platform::FixedClock uhr{{2024, 3, 15, 10, 30, 0}};
  platform::ScopedClock uhrAktiv{uhr};
  platform::FakeNetworkDrives drives;
  ui::ScriptedDialogs dialogs;
  std::unique_ptr<TFormEinstellungen> form;
};

}  // namespace riviza::test
