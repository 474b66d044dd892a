// ImportLeistungenXls and ImportLeistungenCsv (form library, maintenance); see
// leistungen_import.h.
//
// Mended against the Windows program, which emptied the table first and then appended record by
// record, so that a read error or a refused record left half a catalogue: the list is read
// first, and the emptying and the refill share one transaction. Its text-file reader counted the
// parts of a line from the first, so it stored the ignored first part as the service key; here
// parts 2 to 5 are the columns, and a short line gives empty columns instead of a range error.
// It took any file for a list: a semicolon-separated one (the default of German spreadsheet
// programs), one of three columns, random bytes or a two-column workbook replaced the catalogue
// with empty or garbage records. Here a list must have the shape first (csvLesen, xlsLesen), and
// a formula cell whose result the file does not give, which reads empty, is refused with its
// row instead of ending the list there.
#include "maintenance/leistungen_import.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "app/allg_tools.h"
#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "office/application.h"
#include "office/range.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/text.h"

namespace riviza {

namespace {

namespace pf = platform;

constexpr const char* kTabelle = "Leistungen.DB";
// The highest field position the import writes; a table with fewer fields cannot take a record.
constexpr int kLetztesFeld = 19;
constexpr size_t kPznZeichen = 8;

// The four source columns of one record, in the order of the list.
using Spalten = std::array<std::string, 4>;
constexpr size_t kSpaltenAnzahl = std::tuple_size_v<Spalten>;
using Liste = std::vector<Spalten>;

// The error code of a list that is readable but not of the expected shape.
constexpr int kFalscheForm = 10001;
Error falscheForm(std::string grund) { return Error::make(kFalscheForm, std::move(grund)); }

void importFehler(const std::string& was, const std::string& grund) {
  meldung::fehlerBox("Leistungen nicht importiert: " + was + "\n" + grund +
                     "\n\nDie bisherigen Leistungen bleiben erhalten.");
}

std::string spalten(size_t n) { return std::to_string(n) + (n == 1 ? " Spalte" : " Spalten"); }

// ---- the workbook ----

// The workbook is closed unsaved and the spreadsheet program quit however the reading ends.
struct Arbeitsmappe {
  std::shared_ptr<office::Application> app = office::Application::connect();
  std::shared_ptr<office::Workbook> mappe;
  ~Arbeitsmappe() {
    if (mappe) mappe->close();
    app->quit();
  }
};

Result<Liste> xlsLesen(const std::string& datei) {
  Arbeitsmappe excel;
  excel.app->setVisible(true);
  excel.app->setUserControl(true);
  auto mappe = excel.app->openWorkbook(datei);
  if (!mappe) return mappe.error();
  excel.mappe = *mappe;
  const std::shared_ptr<office::Worksheet> blatt = excel.mappe->worksheet(1);
  // The sheet's width: its widest row, heading included.
  size_t breite = 0;
  for (int zeile = 1; zeile <= blatt->usedRows(); ++zeile)
    breite = std::max(breite, blatt->row(zeile)->cells.size());
  if (breite < kSpaltenAnzahl)
    return falscheForm("Das erste Tabellenblatt hat " + spalten(breite) +
                       ", erwartet werden die Spalten A bis D.");
  Liste liste;
  for (int zeile = 2; zeile <= blatt->rowsCount(); ++zeile) {
    Spalten spalten;
    for (size_t s = 0; s < spalten.size(); ++s) {
      const std::string zelle = std::string(1, static_cast<char>('A' + s)) + std::to_string(zeile);
      // freexl keeps no results of formulas, and an .xlsx may keep none: such a cell reads empty.
      if (blatt->formula(zeile, static_cast<int>(s) + 1))
        return falscheForm("Zelle " + zelle + " (Zeile " + std::to_string(zeile) +
                           ") enthält eine Formel ohne gespeicherten Wert. Bitte die Liste mit Werten statt "
                           "Formeln speichern.");
      auto bereich = blatt->range(zelle, zelle);
      if (!bereich) return bereich.error();
      spalten[s] = pf::trim(bereich->text());
    }
    if (spalten[0].empty()) break;
    liste.push_back(std::move(spalten));
  }
  return liste;
}

// ---- the text file ----

// Part 1 of the line is ignored; parts 2 to 5 are the columns. The end of the line ends the
// last part as a tab would; parts that are missing stay empty.
Spalten csvSpalten(std::string_view zeile) {
  const std::string getrennt = std::string(zeile) + '\t';
  Spalten spalten;
  for (size_t s = 0; s < spalten.size(); ++s) {
    spalten[s] = TeilString(getrennt, '\t', static_cast<int>(s) + 3);  // part 2 is field 3 there
    std::erase(spalten[s], '\'');
  }
  return spalten;
}

// Windows-1252, or UTF-8 behind its byte-order mark.
Result<std::string> csvText(const std::string& bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (!bytes.starts_with(kBom)) return pf::toUtf8(bytes);
  const std::string_view utf8 = std::string_view(bytes).substr(kBom.size());
  if (!pf::isValidUtf8(utf8))
    return falscheForm("Die Datei beginnt mit der Kennung für UTF-8, ist aber kein gültiges UTF-8.");
  return std::string(utf8);
}

// The shape of a text list: no control characters but tab and line ends (random or binary bytes
// have them), a heading of the five tab-separated parts, and on every line that is not blank at
// least the tab after part 1 (a shorter line leaves its last columns empty).
Result<Liste> csvLesen(const std::string& datei) {
  auto inhalt = pf::readFile(datei);
  if (!inhalt) return inhalt.error();
  auto text = csvText(*inhalt);
  if (!text) return text.error();
  size_t zeile = 1;
  for (char c : *text) {
    if (c == '\n') ++zeile;
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n')
      return falscheForm("Zeile " + std::to_string(zeile) +
                         " enthält Steuerzeichen: die Datei ist keine Textliste.");
  }
  std::string_view rest = *text;
  const std::string_view kopf = pf::nextLine(rest);
  const size_t teile = static_cast<size_t>(std::count(kopf.begin(), kopf.end(), '\t')) + 1;
  if (teile < kSpaltenAnzahl + 1)
    return falscheForm(
        "Die Überschrift (Zeile 1) hat " + spalten(teile) + ", erwartet werden " +
        std::to_string(kSpaltenAnzahl + 1) + ", durch Tabulatoren getrennt" +
        (kopf.find(';') != std::string_view::npos ? "; die Liste ist mit Semikolons getrennt." : "."));
  Liste liste;
  for (zeile = 2; !rest.empty(); ++zeile) {
    const std::string_view z = pf::nextLine(rest);
    if (!pf::trimView(z).empty() && z.find('\t') == std::string_view::npos)
      return falscheForm("Zeile " + std::to_string(zeile) +
                         " hat keine durch Tabulatoren getrennten Spalten.");
    liste.push_back(csvSpalten(z));
  }
  return liste;
}

// ---- the catalogue ----

Status satzAnhaengen(db::TTable& t, const Spalten& s) {
  RIVIZA_TRY(t.append());
  RIVIZA_TRY(t.fields(0).setAsString(pf::foldCase(s[0])));
  RIVIZA_TRY(t.fields(18).setAsString(pf::utf8Copy(s[1], 1, kPznZeichen)));
  RIVIZA_TRY(t.fields(1).setAsString(s[2]));
  RIVIZA_TRY(t.fields(11).setAsString(s[3]));
  RIVIZA_TRY(t.fields(19).setAsBoolean(true));
  RIVIZA_TRY(t.fields(3).setAsString("1"));
  RIVIZA_TRY(t.fields(16).setAsString(""));
  RIVIZA_TRY(t.fields(17).setAsString(""));
  return t.post();
}

// Empties the open table and appends the list, in one transaction that a failure rolls back.
// `satz` is the number (from 1) of the record that failed.
Status ersetzen(db::TTable& t, const Liste& liste, ui::TLabel& zaehler, size_t& satz) {
  auto transaktion = t.startTransaction();
  if (!transaktion) return transaktion.error();
  RIVIZA_TRY(t.emptyTable());
  for (satz = 1; satz <= liste.size(); ++satz) {
    if (Status st = satzAnhaengen(t, liste[satz - 1]); !st) {
      t.cancel();
      return st;
    }
    zaehler.setCaption(std::to_string(satz));
    pf::processMessages();
  }
  satz = 0;
  return transaktion->commit();
}

bool importieren(const std::string& datei, Result<Liste> (*lesen)(const std::string&)) {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string ordner = datenOrdnerDesJahres(f.ComboBoxAktuellesJahr->text());
  f.LabelDbSatz->setCaption("0");
  pf::processMessages();
  if (!pf::fileExists(datei) || !tabelleVorhanden(ordner, kTabelle)) return false;

  const Result<Liste> liste = lesen(datei);
  if (!liste) {
    importFehler(
        pf::displayPath(datei) + (liste.error().code == kFalscheForm ? " ist keine Leistungsliste der erwarteten Form."
                                                    : " kann nicht gelesen werden."),
        liste.error().message);
    return false;
  }
  db::TTable& t = *f.Table1;
  if (Status st = tabelleOeffnen(t, ordner, kTabelle); !st) {
    importFehler(pf::displayPath(ordner + "\\" + kTabelle) + " kann nicht geöffnet werden.",
                 st.error().message);
    return false;
  }
  if (t.fieldCount() <= kLetztesFeld) {
    importFehler(pf::displayPath(ordner + "\\" + kTabelle) + " hat " + std::to_string(t.fieldCount()) +
                     " Felder, der Import schreibt bis Feld " + std::to_string(kLetztesFeld + 1) + ".",
                 "Bitte zuerst die Tabellen reorganisieren.");
    t.close();
    return false;
  }
  size_t satz = 0;
  const Status st = ersetzen(t, *liste, *f.LabelDbSatz, satz);
  t.close();
  if (!st) {
    importFehler(satz ? "Satz " + std::to_string(satz) + " wird von " + kTabelle + " nicht angenommen."
                      : std::string(kTabelle) + " kann nicht geschrieben werden.",
                 st.error().message);
    f.LabelDbSatz->setCaption("0");
    return false;
  }
  return true;
}

}  // namespace

bool ImportLeistungenXls(const std::string& datei) { return importieren(datei, xlsLesen); }

bool ImportLeistungenCsv(const std::string& datei) { return importieren(datei, csvLesen); }

}  // namespace riviza
