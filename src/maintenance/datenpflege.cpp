// The data-maintenance tools and their handlers (form library, maintenance); see datenpflege.h.
//
// Mended against the Windows program: a doctor number became its integer value times 100, which
// dropped a leading zero ("0123456" gave "12345600") and took "+123456" for a number; here seven
// digits get "00" appended as text, and only digits count. The TIFF numbers were 32-bit and
// wrapped for large names; they are 64-bit here, and a client abbreviation that would put the
// copies outside GUS is refused. The PZN and doctor-number runs change their table in one
// transaction, so a failure leaves it as it was.
#include "maintenance/datenpflege.h"

#include <functional>
#include <limits>
#include <optional>

#include "app/meldungen.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_jahre.h"
#include "forms/Riviza1_tabellen.h"
#include "forms/globals.h"
#include "maintenance/abrdat_bereinigen.h"
#include "maintenance/leistungen_import.h"
#include "maintenance/update_liste.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/busy.h"
#include "ui/dialogs.h"

namespace riviza {

namespace {

namespace pf = platform;

constexpr long long kTifVersatz = 100000000;

// Walks a table of `ordner` through Table1 and gives field `feld` of each record the text
// `neu` answers, where it answers one; all in one transaction. The number of records changed.
using Umsetzung = std::function<std::optional<std::string>(const std::string& alt)>;
Result<int> feldUmsetzen(const std::string& ordner, const char* tabelle, int feld, const Umsetzung& neu) {
  db::TTable& t = *FormEinstellungen->Table1;
  RIVIZA_TRY(tabelleOeffnen(t, ordner, tabelle));
  if (t.fieldCount() <= feld)
    return Error::make(db::kFieldNotFound,
                       tabelle + std::string(" hat kein Feld ") + std::to_string(feld + 1));
  auto transaktion = t.startTransaction();
  if (!transaktion) return transaktion.error();
  int geaendert = 0;
  RIVIZA_TRY(jedenSatz(t, [&]() -> Status {
    const std::optional<std::string> wert = neu(t.fields(feld).asString());
    if (!wert) return okStatus();
    ++geaendert;
    return satzAendern(t, [&] { return t.fields(feld).setAsString(*wert); });
  }));
  RIVIZA_TRY(transaktion->commit());
  return geaendert;
}

bool nurZiffern(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The name without its last four characters (the extension ".tif"); empty for a shorter name.
std::string ohneEndung(const std::string& name) {
  const size_t laenge = pf::utf8Length(name);
  return laenge <= 4 ? std::string() : pf::utf8Copy(name, 1, laenge - 4);
}

// The number of a TIFF file's name as StrToInt reads it, in 64 bits; none when it is no number
// or the copy's number would overflow.
std::optional<long long> tifNummer(const std::string& text) {
  const std::optional<long long> n = pf::parseInt(text);
  if (!n || *n > std::numeric_limits<long long>::max() - kTifVersatz) return std::nullopt;
  return n;
}

bool mandantErlaubt(const std::string& mandant) {
  return mandant.find_first_of("\\/") == std::string::npos && mandant.find("..") == std::string::npos;
}

// A copy that failed is an error box; the files copied before it stay.
bool tifKopieren(TFormEinstellungen& f, const std::string& quelle, const std::string& ziel,
                 const std::string& mandant) {
  f.FileListBoxGusTifDateien->setMask("*.*");
  f.FileListBoxGusTifDateien->setDirectory(quelle);
  f.FileListBoxGusTifDateien->update();
  for (const std::string& name : f.FileListBoxGusTifDateien->items().lines()) {
    const std::string nummer = ohneEndung(name);
    const std::optional<long long> n = tifNummer(nummer);
    if (!n) {
      meldung::fehlerBox("'" + nummer + "' ist kein gültiger Integerwert");
      return false;
    }
    std::string neu = ziel;
    neu.append("\\").append(mandant).append(std::to_string(*n + kTifVersatz)).append(".tif");
    if (pf::fileExists(neu)) continue;
    const std::string alt = std::string(quelle).append("\\").append(name);
    if (Status st = pf::copyFile(alt, neu); !st) {
      meldung::fehlerBox("Fehler beim Kopieren: " + pf::displayPath(alt) + "\n" + st.error().message);
      return false;
    }
    f.ListBoxReorg->items().add(LogZeile("GUS-Daten kopiert: " + pf::displayPath(neu)));
  }
  return true;
}

}  // namespace

bool LeistungenImportieren(const std::string& datei, LeistungsListe art) {
  if (!pf::fileExists(datei)) {
    ui::dialogs().showMessage("Datei nicht vorhanden!");
    return false;
  }
  if (ui::dialogs().messageDlg("Datenimport Leistungen starten ?\n\nLeistungen werden gelöscht !\n\nBitte "
                               "sichern Sie vorher Ihre Daten !",
                               ui::DlgType::Confirmation, ui::DlgButtons::YesCancel) != ui::DlgResult::Yes)
    return false;
  // LabelWarten, and LabelDbSatz counting from "0", while the import runs.
  TFormEinstellungen& f = *FormEinstellungen;
  bool importiert = false;
  {
    const ui::LongOperation anzeige(f, f.LabelWarten, f.LabelDbSatz, "0");
    importiert = art == LeistungsListe::Xls ? ImportLeistungenXls(datei) : ImportLeistungenCsv(datei);
  }
  // The Windows program ended without a word once the labels were hidden; the count says it ran.
  if (importiert) ui::dialogs().showMessage("Leistungen importiert: " + f.LabelDbSatz->caption());
  return importiert;
}

bool PznAchtstellig() {
  const std::string ordner = datenOrdnerDesJahres(FormEinstellungen->ComboBoxAktuellesJahr->text());
  const Result<int> geaendert = feldUmsetzen(ordner, "Leistungen.DB", 18, [](const std::string& pzn) {
    return pf::utf8Length(pzn) == 7 ? std::optional<std::string>("0" + pzn) : std::nullopt;
  });
  FormEinstellungen->Table1->close();
  if (!geaendert) {
    tabellenFehler("PZN nicht umgesetzt: " + pf::displayPath(ordner + "\\Leistungen.DB"), geaendert.error());
    return false;
  }
  ui::dialogs().showMessage(*geaendert > 0 ? "PZN auf 8-stellig umgesetzt!"
                                           : "Keine 7-stellige PZN vorhanden!");
  return true;
}

bool ArztNummernUmsetzen() {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string ordner = jahrDatenPfad();
  if (!tabelleVorhanden(ordner, "Arzt.DB")) return false;
  const Result<int> geaendert = feldUmsetzen(ordner, "Arzt.DB", 0, [](const std::string& nummer) {
    const std::string getrimmt = pf::trim(nummer);
    if (pf::utf8Length(getrimmt) != 7) return std::optional<std::string>();
    if (nurZiffern(getrimmt)) return std::optional<std::string>(getrimmt + "00");
    ui::dialogs().showMessage("Artzt-Nr. <<" + nummer + ">> nicht numerisch!");
    return std::optional<std::string>();
  });
  if (!geaendert) {
    f.Table1->close();
    tabellenFehler("Arzt-Nr. nicht umgesetzt: " + pf::displayPath(ordner + "\\Arzt.DB"), geaendert.error());
    return false;
  }
  f.LabelUmsetzungBeendet->setCaption("Umsetzung beendet, " + std::to_string(f.Table1->recordCount()));
  f.LabelUmsetzungBeendet->setVisible(true);
  f.Table1->close();
  return true;
}

bool GusTifDateienKopieren() {
  TFormEinstellungen& f = *FormEinstellungen;
  const std::string quelle = f.EditOrdnerTiff->text();
  const std::string ziel = quelle + "\\GUS";
  if (!pf::directoryExists(quelle) || !pf::directoryExists(ziel)) return false;
  const std::string mandant = f.EditMandant->text();
  if (!mandantErlaubt(mandant)) {
    meldung::fehlerBox("Mandant <<" + mandant + ">> ungültig: \\, / und .. sind im Mandanten nicht erlaubt!");
    return false;
  }
  if (!tifKopieren(f, quelle, ziel, mandant)) return false;
  f.ButtonGusTifDateien->setVisible(false);
  return true;
}

void TFormEinstellungen::BitBtnImpLeistungenClick(TComponent&) {
  LeistungenImportieren(EditOrdnerImport->text() + "\\artImp.xls", LeistungsListe::Xls);
}

void TFormEinstellungen::BitBtnArtImpCsvClick(TComponent&) {
  LeistungenImportieren(EditOrdnerImport->text() + "\\artImp.csv", LeistungsListe::Csv);
}

void TFormEinstellungen::BitBtnBereinigenAbrDatClick(TComponent&) {
  Globals& g = globals();
  g.ExportPfad = EditOrdnerExport->text() + "\\";
  if (meldung::gefragt("Ändern ABR.DAT ?\n\n" + pf::displayPath(g.ExportPfad + kAbrDat) + "\n"))
    AbrDatBereinigen();
}

bool bewegungenZusammenfuehrenMitRueckfrage() {
  const TFormEinstellungen& f = *FormEinstellungen;
  const std::string von = f.EditVonJahr->text(), nach = f.EditNachJahr->text();
  if (!pf::directoryExists(datenOrdnerDesJahres(von)) || !pf::directoryExists(datenOrdnerDesJahres(nach)) ||
      von.empty() || nach.empty()) {
    meldung::fehler("In diese Jahren gibt es keine Daten!");
    return false;
  }
  return gesichertUndGespeichert() &&
         BewegungsdatenZusammenfuehren(datenOrdnerDesJahres(von), datenOrdnerDesJahres(nach));
}

bool bewegungenLoeschenMitRueckfrage() {
  return gesichertUndGespeichert() &&
         BewegungenFuerJahrLoeschen(datenOrdnerDesJahres(FormEinstellungen->EditLoeschenFuerJahr->text()));
}

void TFormEinstellungen::BitBtnVonJahrNachJahrClick(TComponent&) { bewegungenZusammenfuehrenMitRueckfrage(); }

void TFormEinstellungen::BitBtnBewegungenFuerJahrLoeschenClick(TComponent&) {
  bewegungenLoeschenMitRueckfrage();
}

void TFormEinstellungen::BitBtnPZN8Click(TComponent&) { PznAchtstellig(); }

void TFormEinstellungen::ButtonArztNrInBerstNrClick(TComponent&) { ArztNummernUmsetzen(); }

void TFormEinstellungen::ButtonGusTifDateienClick(TComponent&) { GusTifDateienKopieren(); }

void TFormEinstellungen::DateTimePicker2Change(TComponent&) {
  EditAbDatumAbrechnung->setText(pf::formatDate(DateTimePicker2->date()));
}

}  // namespace riviza
