// The key table of both Abrechng.ini files and the generic load and save over it (form library,
// application shell); see Riviza1_settings.h for the conventions of the rows.
#include <algorithm>
#include <cassert>

#include "app/allg_tools.h"
#include "forms/Riviza1.h"
#include "forms/Riviza1_settings.h"
#include "forms/globals.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/text.h"

namespace riviza {

namespace {

constexpr const char* kEinst = "EINSTELLUNGEN";
constexpr const char* kAnm = "ANMELDUNG";
constexpr const char* kFirma = "FIRMA";

IniSchluessel zeile(IniDatei datei, const char* abschnitt, const char* schluessel, const char* control,
                    IniArt art) {
  IniSchluessel r;
  r.datei = datei;
  r.abschnitt = abschnitt;
  r.schluessel = schluessel;
  r.control = control;
  r.art = art;
  if (art == IniArt::Ohne) r.gelesen = r.geschrieben = false;
  return r;
}
IniSchluessel text(const char* abschnitt, const char* schluessel, const char* control) {
  return zeile(IniDatei::Jahr, abschnitt, schluessel, control, IniArt::Text);
}
IniSchluessel flag(const char* abschnitt, const char* schluessel, const char* control) {
  return zeile(IniDatei::Jahr, abschnitt, schluessel, control, IniArt::Flag);
}
IniSchluessel ohne(IniDatei datei, const char* abschnitt, const char* schluessel) {
  return zeile(datei, abschnitt, schluessel, "", IniArt::Ohne);
}
IniSchluessel vorgabe(IniSchluessel r, const char* v) {
  r.vorgabe = v;
  return r;
}
IniSchluessel nurGelesen(IniSchluessel r) {
  r.geschrieben = false;
  return r;
}
IniSchluessel nurGeschrieben(IniSchluessel r) {
  r.gelesen = false;
  return r;
}
IniSchluessel danach(IniSchluessel r, bool gesetzt) {
  r.danachGesetzt = gesetzt;
  return r;
}
IniSchluessel nachLaden(IniSchluessel r, void (*hook)(TFormEinstellungen&, const std::string&)) {
  r.nachLaden = hook;
  return r;
}
IniSchluessel nachSchreiben(IniSchluessel r, Status (*hook)(TFormEinstellungen&, platform::IniFile&)) {
  r.nachSchreiben = hook;
  return r;
}

// ---- hooks of the rows that behave otherwise ----

// Without BüroWARE as the application its folder and import options are hidden; nothing is
// shown again here (the application choice's click does that).
void fachanwendungAnzeigen(TFormEinstellungen& f, const std::string&) {
  if (f.RadioGroupFachanwendung->itemIndex() == 1) return;
  f.LabelOrdnerBw->setCaption("Fachanwendung");
  f.Label59->setVisible(false);
  f.EditOrdnerFachAnw->setVisible(false);
  f.EditOrdnerFachAnw->setText("");
  f.SpeedButtonFachAnw->setVisible(false);
  f.CheckBoxImpSaReNrInBelNrLief->setVisible(false);
  f.CheckBoxBwImportValutadatum->setVisible(false);
  f.CheckBoxBwImportFuerFibuFreigestellt->setVisible(false);
}

void leKuerzelPruefen(TFormEinstellungen& f, const std::string&) {
  if (platform::toLowerAscii(f.EditLeKuerzel->text().substr(0, 3)) == "ser")
    f.ButtonGusTifDateien->setVisible(true);
}

void sicherungZeigen(TFormEinstellungen& f, const std::string& wert) {
  f.LabelSicherung->setCaption("Letzte Datensicherung: " + wert);
}

// The window option does not go with an automatic import for another application than the
// billing application: the box is cleared and the key written a second time, empty.
Status fensterSchliessenNachtragen(TFormEinstellungen& f, platform::IniFile& ini) {
  if (f.RadioGroupFachanwendung->itemIndex() == 0 || !f.CheckBoxDatenimport->checked()) return okStatus();
  f.CheckBoxFensterSchliessen->setChecked(false);
  return ini.writeString(kEinst, "FensterSchliessen", "");
}

// The year file's rows of one provider slot: number (read only), name, next invoice number
// keyed by the number.
void leistungserbringer(std::vector<IniSchluessel>& rows, int i) {
  const std::string n = std::to_string(i);
  const std::string le = "EditLe" + n;
  IniSchluessel nummer = nurGelesen(text("ABRECHNUNGSSTELLE_LE", "", ""));
  nummer.schluessel = "LE" + n;
  nummer.control = le;
  IniSchluessel name = text("ABRECHNUNGSSTELLE_LE", "", "");
  name.schluessel = "Name" + n;
  name.control = "EditName" + n;
  name.nurMitText = le;
  IniSchluessel renr = vorgabe(text("ABRECHNUNGSSTELLE_LE_RENR", "", ""), "");
  renr.control = "EditReNr" + n;
  renr.schluesselAus = le;
  renr.nurMitText = le;
  rows.insert(rows.end(), {nummer, name, renr});
}

std::vector<IniSchluessel> tabelle() {
  const IniDatei P = IniDatei::Programm;
  std::vector<IniSchluessel> r = {
      // ---- program-folder file ----
      nurGeschrieben(zeile(P, kEinst, "BüroWARE", "EditOrdnerBw", IniArt::Text)),
      nurGeschrieben(zeile(P, kEinst, "AktuellesJahr", "ComboBoxAktuellesJahr", IniArt::Text)),
      ohne(P, kEinst, "UpdateDatum"),
      ohne(P, kEinst, "KosttrDatum"),
      zeile(P, kAnm, "BenutzerVerwenden", "CheckBoxDomaenenbenutzer", IniArt::Flag),
      zeile(P, kAnm, "AnmeldenUeberNetUseBat", "CheckBoxAnmeldenUeberNetUseBat", IniArt::Flag),
      zeile(P, kAnm, "Laufwerk", "EditLaufwerk", IniArt::Text),
      zeile(P, kAnm, "Computername", "EditComputername", IniArt::Text),
      zeile(P, kAnm, "Freigabename", "EditFreigabename", IniArt::Text),
      nurGeschrieben(zeile(P, kAnm, "Domaenenname", "EditDomaenenname", IniArt::Text)),
      zeile(P, kAnm, "Benutzername", "EditBenutzername", IniArt::Text),
      zeile(P, kAnm, "Kennwort", "EditKennwort", IniArt::Text),

      // ---- year file: the options ----
      ohne(IniDatei::Jahr, kEinst, "ProgrammZugriff"),
      ohne(IniDatei::Jahr, kEinst, "Version"),
      text(kEinst, "OrdnerFachanwendung", "EditOrdnerFachAnw"),
      text(kEinst, "Export", "EditOrdnerExport"),
      text(kEinst, "Import", "EditOrdnerImport"),
      text(kEinst, "Tiff", "EditOrdnerTiff"),
      text(kAnm, "ProxyHost", "EditProxyHost"),
      text(kAnm, "ProxyPort", "EditProxyPort"),
      zeile(IniDatei::Jahr, kEinst, "Fachanwendung", "RadioGroupFachanwendung", IniArt::Auswahl),
      nachLaden(zeile(IniDatei::Jahr, kEinst, "E-Mail", "RadioGroupMailClient", IniArt::Auswahl),
                fachanwendungAnzeigen),
      flag(kEinst, "DatenimportAuto", "CheckBoxDatenimport"),
      flag(kEinst, "DatenimportBeiKorrektur", "CheckBoxDatenimportBeiKorrektur"),
      text(kEinst, "Feldtrenner", "EditFeldtrenner"),
      text(kEinst, "KuerzelVorReNr", "ComboBoxKuerzelVorReNr"),
      flag(kEinst, "DakotaMehrereZertifikate", "CheckBoxDakotaMehrereZertifikate"),
      flag(kEinst, "HimiNrAuf10StellPruefen", "CheckBoxHimiNrAuf10StellPruefen"),
      flag(kEinst, "BarmerGsAusDebitor", "CheckBoxBarmerGsAusDebitor"),
      flag(kEinst, "ImagedateienPerEmail", "CheckBoxImagedateienPerEmail"),
      flag(kEinst, "IdentifikationsNrVorgeben", "CheckBoxIdentifikationsNrVorgeben"),
      flag(kEinst, "KorrekturMitTagesdatum", "CheckBoxKorrekturMitTagesdatum"),
      flag(kEinst, "SortierungNachVerordner", "CheckBoxSortierungNachVerordner"),
      flag(kEinst, "GenKzNichtVorbelegen", "CheckBoxGenKzNichtVorbelegen"),
      flag(kEinst, "OhnePruefung", "CheckBoxOhnePruefung"),
      flag(kEinst, "OhnePruefungBetraege", "CheckBoxOhnePruefungBetraege"),
      flag(kEinst, "OhnePruefungVoDatum", "CheckBoxOhnePruefungVoDatum"),
      flag(kEinst, "OhnePruefLeistungsDatum", "CheckBoxOhnePruefLeistungsDatum"),
      flag(kEinst, "KorrNichtVorhandenerKosttr300", "CheckBoxKorrNichtVorhandenerKosttr300"),
      flag(kEinst, "GleicheIdnrBeiPosOhneZuzahlung", "CheckBoxGleicheIdnrBeiPosOhneZuzahlung"),
      flag(kEinst, "300SaReAuchBeiSimulation", "CheckBox300SaReAuchBeiSimulation"),
      flag(kEinst, "300SortierungPosNr", "CheckBox300SortierungPosNr"),
      flag(kEinst, "VerordDatAusLeistDatum", "CheckBoxVerordDatAusLeistDatum"),
      flag(kEinst, "PosVersZeitraumNichtPruefen", "CheckBoxPosVersZeitraumNichtPruefen"),
      flag(kEinst, "NeueIdentNBeiGgeicherPg", "CheckBoxNeueIdentNBeiGgeicherPg"),
      text(kEinst, "Belegart", "ComboBoxBelegart"),
      flag(kEinst, "ImpSaReNrInBelNrLief", "CheckBoxImpSaReNrInBelNrLief"),
      flag(kEinst, "BwImportValutadatum", "CheckBoxBwImportValutadatum"),
      flag(kEinst, "BwImportFuerFibuFreigestellt", "CheckBoxBwImportFuerFibuFreigestellt"),
      flag(kEinst, "OrdnerAbrdtaInExport", "CheckBoxOrdnerAbrdtaInExport"),
      flag(kEinst, "SammelrechnungArchivieren", "CheckBoxSammelrechnungArchivieren"),
      flag(kEinst, "DruckKzSetzen", "CheckBoxDruckKzSetzen"),
      flag(kEinst, "AusgangsdateiLoeschen", "CheckBoxAusgangsdatei"),
      flag(kEinst, "DatenPruefen", "CheckBoxDatenPruefen"),
      danach(flag(kEinst, "FtpUpdate", "CheckBoxFtpUpdate"), true),
      danach(flag(kEinst, "Ta4PerMail", "CheckBoxTa4PerMail"), false),
      flag(kEinst, "Testdaten", "CheckBoxTestdaten"),
      flag(kEinst, "Langprotokoll", "CheckBoxLangprotokoll"),
      flag(kEinst, "Outlook", "CheckBoxOutlook"),
      flag(kEinst, "AbfrageVorStart", "CheckBoxAbfrageVorStart"),
      nachSchreiben(flag(kEinst, "FensterSchliessen", "CheckBoxFensterSchliessen"),
                    fensterSchliessenNachtragen),
      flag(kEinst, "DruckNichtAnbieten", "CheckBoxDruckNichtAnbieten"),
      flag(kEinst, "AbrechnungSimulieren", "CheckBoxAbrechnungSimulieren"),
      flag(kEinst, "UpdateStatusUeberpruefen", "CheckBoxUpdateStatusUeberpruefen"),
      flag(kEinst, "AbrCodeNichtBeruecksichtigen", "CheckBoxAbrCodeNichtBeruecksichtigen"),
      flag(kEinst, "NichtSortieren", "CheckBoxNichtSortieren"),
      flag(kEinst, "KeineAenderungAbrDat", "CheckBoxKeineAenderungAbrDat"),
      flag(kEinst, "AutomatischeVerarbeitung", "CheckBoxAutomatischeVerarbeitung"),
      flag(kEinst, "Netzwerkdrucker", "CheckBoxNetzwerkdrucker"),
      flag(kEinst, "KeinLpr", "CheckBoxKeinLpr"),
      text(kEinst, "AnzDruckBegleitzettel", "EditAnzDruckBegleitzettel"),
      text(kEinst, "AnzDruckZusammenstellung", "EditAnzDruckZusammenstellung"),
      flag(kEinst, "BereinigungZuzahlungImBelegkopf", "CheckBoxBereinigungZuzahlungImBelegkopf"),
      flag(kEinst, "EinzelReNrImmerEins", "CheckBoxEinzelReNrImmerEins"),

      // ---- year file: the firm ----
      text(kFirma, "emailAdresse", "EditEmailAdresse"),
      nachLaden(text(kFirma, "LeKuerzel", "EditLeKuerzel"), leKuerzelPruefen),
      text(kFirma, "Mandant", "EditMandant"),
      text(kFirma, "DebitorenAb", "EditDebitorenAb"),
      flag(kFirma, "FirmaDebitorenAbJN", "CheckBoxFirmaDebitorenAbJN"),
      flag(kFirma, "FirmaDebitorenNeu55JN", "CheckBoxFirmaDebitorenNeu55JN"),
      text(kFirma, "BwBediener", "EditBwBediener"),
      text(kFirma, "BwCw", "EditBwCw"),
      text(kFirma, "BwWorkflowKost", "EditBwWorkflowKost"),
      text(kFirma, "FeldTrennerTabDatei", "EditFeldTrennerTabDatei"),
      // The VAT rates are written by the VAT button alone.
      nurGelesen(vorgabe(text(kFirma, "MwSt1", "EditMwStVoll"), " ")),
      nurGelesen(vorgabe(text(kFirma, "MwSt2", "EditMwstErm"), " ")),
      flag(kFirma, "FirmaNettoPreiseJN", "CheckBoxFirmaNettoPreiseJN"),
      ohne(IniDatei::Jahr, kFirma, "DruckSortierung"),
      ohne(IniDatei::Jahr, kFirma, "Bundesland"),
      ohne(IniDatei::Jahr, kFirma, "KvBezirk"),
      ohne(IniDatei::Jahr, kFirma, "Abrechnungscode302"),

      // ---- year file: the cost-bearer date, the year operations ----
      nurGelesen(nachLaden(zeile(IniDatei::Jahr, kEinst, "KosttrDatum", "LabelKosttr", IniArt::Spezial),
                           kosttrDatumZeigen)),
      flag("JAHRESWECHSEL", "OffeneBelUebernehmen", "CheckBoxOffeneBelUebernehmen"),
      vorgabe(text("JAHRESWECHSEL", "AbDatumAbrechnung", "EditAbDatumAbrechnung"), ""),
      flag("JAHRESWECHSEL", "LeereDbAnlegen", "CheckBoxLeereDbAnlegen"),
      vorgabe(text("ZUSAMMENFEUHREN", "VonJahr", "EditVonJahr"), ""),
      vorgabe(text("ZUSAMMENFEUHREN", "NachJahr", "EditNachJahr"), ""),
      vorgabe(text("ZUSAMMENFEUHREN", "FuerMonat", "EditFuerMonat"), ""),
      vorgabe(text("BEWEGUNGEN_LOESCHEN", "LoeschenFuerJahr", "EditLoeschenFuerJahr"), ""),
  };
  for (int i = 1; i <= 5; ++i) leistungserbringer(r, i);
  r.push_back(text("DASI", "Ziel", "EditZiel"));
  r.push_back(text("DASI", "Kuerzel", "EditKuerzel"));
  r.push_back(nurGelesen(vorgabe(
      nachLaden(zeile(IniDatei::Jahr, "DASI", "LetzteDatensicherung", "LabelSicherung", IniArt::Spezial),
                sicherungZeigen),
      "")));
  return r;
}

// ---- controls by name ----

std::string controlText(const TComponent* c) {
  if (auto* e = dynamic_cast<const TCustomEdit*>(c)) return e->text();
  if (auto* b = dynamic_cast<const TComboBox*>(c)) return b->text();
  assert(!"a text row names an edit or a combo box");
  return {};
}

void setControlText(TComponent* c, std::string t) {
  if (auto* e = dynamic_cast<TCustomEdit*>(c)) return e->setText(std::move(t));
  if (auto* b = dynamic_cast<TComboBox*>(c)) return b->setText(std::move(t));
  assert(!"a text row names an edit or a combo box");
}

TCheckBox* checkBox(const TFormEinstellungen& f, const IniSchluessel& row) {
  auto* box = dynamic_cast<TCheckBox*>(f.findComponent(row.control));
  assert(box && "a flag row names a check box");
  return box;
}

TRadioGroup* radioGroup(const TFormEinstellungen& f, const IniSchluessel& row) {
  auto* group = dynamic_cast<TRadioGroup*>(f.findComponent(row.control));
  assert(group && "a choice row names a radio group");
  return group;
}

// "-1", a missing key and (unlike the Windows program, which stopped the whole load there) a
// value that is no number all read as the first item.
int auswahlIndex(const std::string& wert, int anzahl) {
  long long index = platform::parseInt(wert).value_or(0);
  return static_cast<int>(std::clamp<long long>(index, 0, std::max(anzahl - 1, 0)));
}

void zeileLaden(TFormEinstellungen& f, const IniSchluessel& row, const platform::IniFile& ini) {
  const std::string key = schluesselVon(f, row);
  if (key.empty()) {
    setControlText(f.findComponent(row.control), "");
    return;
  }
  std::string wert = ini.readString(row.abschnitt, key, row.vorgabe);
  switch (row.art) {
    case IniArt::Text:
      setControlText(f.findComponent(row.control), row.vorgabe == "-1" && wert == "-1" ? "" : wert);
      break;
    case IniArt::Flag:
      checkBox(f, row)->setChecked(wert == "1");
      break;
    case IniArt::Auswahl: {
      TRadioGroup* group = radioGroup(f, row);
      group->setItemIndex(auswahlIndex(wert, group->items().count()));
      break;
    }
    case IniArt::Ohne:
    case IniArt::Spezial:
      break;
  }
  if (row.danachGesetzt) checkBox(f, row)->setChecked(*row.danachGesetzt);
  if (row.nachLaden) row.nachLaden(f, wert);
}

std::string zeilenWert(const TFormEinstellungen& f, const IniSchluessel& row) {
  switch (row.art) {
    case IniArt::Flag:
      return checkBox(f, row)->checked() ? "1" : "";
    case IniArt::Auswahl:
      return std::to_string(radioGroup(f, row)->itemIndex());
    default:
      return controlText(f.findComponent(row.control));
  }
}

}  // namespace

const std::vector<IniSchluessel>& iniSchluessel() {
  static const std::vector<IniSchluessel> rows = tabelle();
  return rows;
}

std::vector<const IniSchluessel*> speicherReihenfolge(IniDatei datei) {
  // The rows in table order, with the year operations' sections moved before FIRMA.
  auto vorFirma = [](const IniSchluessel* row) {
    return row->abschnitt == "JAHRESWECHSEL" || row->abschnitt == "ZUSAMMENFEUHREN" ||
           row->abschnitt == "BEWEGUNGEN_LOESCHEN";
  };
  std::vector<const IniSchluessel*> out, verschoben;
  for (const IniSchluessel& row : iniSchluessel())
    if (row.datei == datei && row.geschrieben) (vorFirma(&row) ? verschoben : out).push_back(&row);
  auto firma =
      std::find_if(out.begin(), out.end(), [](const IniSchluessel* row) { return row->abschnitt == kFirma; });
  out.insert(firma, verschoben.begin(), verschoben.end());
  return out;
}

std::string schluesselVon(const TFormEinstellungen& f, const IniSchluessel& row) {
  if (row.schluesselAus.empty()) return row.schluessel;
  return controlText(f.findComponent(row.schluesselAus));
}

void iniLaden(TFormEinstellungen& f, IniDatei datei, const platform::IniFile& ini) {
  for (const IniSchluessel& row : iniSchluessel())
    if (row.datei == datei && row.gelesen) zeileLaden(f, row, ini);
}

Status iniSpeichern(TFormEinstellungen& f, IniDatei datei, platform::IniFile& ini) {
  Status result;
  auto merke = [&result](Status st) {
    if (result.ok() && !st.ok()) result = std::move(st);
  };
  for (const IniSchluessel* row : speicherReihenfolge(datei)) {
    if (!row->nurMitText.empty() && controlText(f.findComponent(row->nurMitText)).empty()) continue;
    merke(ini.writeString(row->abschnitt, schluesselVon(f, *row), zeilenWert(f, *row)));
    if (row->nachSchreiben) merke(row->nachSchreiben(f, ini));
  }
  return result;
}

std::string programmVersion() { return DateiVersion("").substr(0, 3); }

std::string standDatum(const std::string& wert) {
  return wert == "-1" || platform::trim(wert).empty() ? "01.01.2000" : wert;
}

void kosttrDatumZeigen(TFormEinstellungen& f, const std::string& wert) {
  globals().StandKosttrDatum = standDatum(wert);
  f.LabelKosttr->setCaption(globals().StandKosttrDatum);
}

}  // namespace riviza
