// Both Abrechng.ini files: the key table itself, a round trip of hand-written files through the
// start-up and "&Speichern" (byte for byte, Windows-1252, unknown lines kept), the load's side
// effects, the save's checks and questions, and the first save on an empty data root.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "app/allg_tools.h"
#include "forms/Riviza1_settings.h"
#include "platform/codec.h"
#include "shell_fixture.h"

namespace riviza::test {
namespace {

std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string ersetzt(std::string text, const std::string& was, const std::string& durch) {
  for (size_t p; (p = text.find(was)) != std::string::npos;) text.replace(p, was.size(), durch);
  return text;
}

// ---- the table ----

TEST(IniTabelle, EveryRowNamesAControlOfItsKindAndEveryKeyIsUnique) {
  TFormEinstellungen f;
  std::set<std::string> keys;
  for (const IniSchluessel& row : iniSchluessel()) {
    SCOPED_TRACE(row.abschnitt + "/" + row.schluessel + row.schluesselAus);
    const std::string key = std::to_string(static_cast<int>(row.datei)) + row.abschnitt + "/" +
                            (row.schluesselAus.empty() ? row.schluessel : "<" + row.schluesselAus + ">");
    EXPECT_TRUE(keys.insert(key).second);
    ui::TComponent* c = row.control.empty() ? nullptr : f.findComponent(row.control);
    switch (row.art) {
      case IniArt::Text:
        EXPECT_TRUE(dynamic_cast<TCustomEdit*>(c) || dynamic_cast<TComboBox*>(c)) << row.control;
        break;
      case IniArt::Flag:
        EXPECT_NE(dynamic_cast<TCheckBox*>(c), nullptr) << row.control;
        break;
      case IniArt::Auswahl:
        EXPECT_NE(dynamic_cast<TRadioGroup*>(c), nullptr) << row.control;
        break;
      case IniArt::Ohne:
        EXPECT_TRUE(row.control.empty());
        EXPECT_FALSE(row.gelesen || row.geschrieben);
        break;
      case IniArt::Spezial:
        EXPECT_NE(dynamic_cast<TLabel*>(c), nullptr) << row.control;
        EXPECT_NE(row.nachLaden, nullptr);
        break;
    }
    for (const std::string& other : {row.nurMitText, row.schluesselAus}) {
      if (!other.empty()) {
        EXPECT_NE(dynamic_cast<TEdit*>(f.findComponent(other)), nullptr) << other;
      }
    }
    if (row.danachGesetzt) {
      EXPECT_EQ(row.art, IniArt::Flag);
    }
  }
}

TEST(IniTabelle, TheSaveWritesTheYearOperationsBeforeTheFirm) {
  std::vector<std::string> abschnitte;
  for (const IniSchluessel* row : speicherReihenfolge(IniDatei::Jahr))
    if (abschnitte.empty() || abschnitte.back() != row->abschnitt) abschnitte.push_back(row->abschnitt);
  EXPECT_EQ(abschnitte,
            (std::vector<std::string>{
                "EINSTELLUNGEN", "ANMELDUNG", "EINSTELLUNGEN", "JAHRESWECHSEL", "ZUSAMMENFEUHREN",
                "BEWEGUNGEN_LOESCHEN", "FIRMA", "ABRECHNUNGSSTELLE_LE", "ABRECHNUNGSSTELLE_LE_RENR",
                "ABRECHNUNGSSTELLE_LE", "ABRECHNUNGSSTELLE_LE_RENR", "ABRECHNUNGSSTELLE_LE",
                "ABRECHNUNGSSTELLE_LE_RENR", "ABRECHNUNGSSTELLE_LE", "ABRECHNUNGSSTELLE_LE_RENR",
                "ABRECHNUNGSSTELLE_LE", "ABRECHNUNGSSTELLE_LE_RENR", "DASI"}));
  std::vector<std::string> programm;
  for (const IniSchluessel* row : speicherReihenfolge(IniDatei::Programm))
    programm.push_back(row->schluessel);
  EXPECT_EQ(programm, (std::vector<std::string>{"BüroWARE", "AktuellesJahr", "BenutzerVerwenden",
                                                "AnmeldenUeberNetUseBat", "Laufwerk", "Computername",
                                                "Freigabename", "Domaenenname", "Benutzername", "Kennwort"}));
}

// ---- round trip of hand-written files ----

// A year file as a user of the billing application leaves it: every key of both programs, a
// comment, an unknown key and an unknown section. The save writes each value back unchanged.
const char* const kJahrIni = R"(; von Hand geschrieben
[EINSTELLUNGEN]
ProgrammZugriff=
Version=<VERSION>
KosttrDatum=01.02.2024
OrdnerFachanwendung=<FACH>
Export=<EXPORT>
Import=C:\Import
Tiff=C:\Tiff äöü
Fachanwendung=1
E-Mail=1
DatenimportAuto=
DatenimportBeiKorrektur=1
Feldtrenner=þ
KuerzelVorReNr=RE
DakotaMehrereZertifikate=1
HimiNrAuf10StellPruefen=
BarmerGsAusDebitor=1
ImagedateienPerEmail=
IdentifikationsNrVorgeben=1
KorrekturMitTagesdatum=
SortierungNachVerordner=1
GenKzNichtVorbelegen=
OhnePruefung=1
OhnePruefungBetraege=
OhnePruefungVoDatum=1
OhnePruefLeistungsDatum=
KorrNichtVorhandenerKosttr300=1
GleicheIdnrBeiPosOhneZuzahlung=
300SaReAuchBeiSimulation=1
300SortierungPosNr=
VerordDatAusLeistDatum=1
PosVersZeitraumNichtPruefen=
NeueIdentNBeiGgeicherPg=1
Belegart=Rezept
ImpSaReNrInBelNrLief=1
BwImportValutadatum=
BwImportFuerFibuFreigestellt=1
OrdnerAbrdtaInExport=
SammelrechnungArchivieren=1
DruckKzSetzen=
AusgangsdateiLoeschen=1
DatenPruefen=
FtpUpdate=1
Ta4PerMail=
Testdaten=1
Langprotokoll=
Outlook=1
AbfrageVorStart=
FensterSchliessen=1
DruckNichtAnbieten=
AbrechnungSimulieren=1
UpdateStatusUeberpruefen=
AbrCodeNichtBeruecksichtigen=1
NichtSortieren=
KeineAenderungAbrDat=1
AutomatischeVerarbeitung=
Netzwerkdrucker=1
KeinLpr=
AnzDruckBegleitzettel=2
AnzDruckZusammenstellung=3
BereinigungZuzahlungImBelegkopf=1
EinzelReNrImmerEins=
Unbekannt=bleibt
[ANMELDUNG]
ProxyHost=proxy.firma.de
ProxyPort=8080
[FIRMA]
emailAdresse=büro@müller.de
LeKuerzel=Müller
Mandant=01
DebitorenAb=10000
FirmaDebitorenAbJN=1
FirmaDebitorenNeu55JN=
BwBediener=000
BwCw=CW
BwWorkflowKost=WF
FeldTrennerTabDatei=;
MwSt1=19
MwSt2=7
FirmaNettoPreiseJN=1
DruckSortierung=1
Bundesland=05
KvBezirk=-1
Abrechnungscode302=-1
[JAHRESWECHSEL]
OffeneBelUebernehmen=1
AbDatumAbrechnung=01.12.2023
LeereDbAnlegen=
[ZUSAMMENFEUHREN]
VonJahr=2023
NachJahr=2024
FuerMonat=03
[BEWEGUNGEN_LOESCHEN]
LoeschenFuerJahr=2022
[ABRECHNUNGSSTELLE_LE]
LE1=100001
Name1=Praxis Süd
LE2=
Name2=Alter Name
LE3=300003
Name3=Drei
LE4=400004
Name4=Vier
LE5=500005
Name5=Fünf
[ABRECHNUNGSSTELLE_LE_RENR]
100001=17
300003=3
400004=4
500005=5
999999=alt
[DASI]
Ziel=E:\Sicherung
Kuerzel=MS
LetzteDatensicherung=01.03.2024 12:00:00
[FREMD]
Wert=€ bleibt
)";

const char* const kProgrammIni = R"([EINSTELLUNGEN]
BüroWARE=<DATEN>
AktuellesJahr=2024
UpdateDatum=01.02.2024
KosttrDatum=
[ANMELDUNG]
BenutzerVerwenden=
AnmeldenUeberNetUseBat=1
Laufwerk=X
Computername=server
Freigabename=daten
Domaenenname=
Benutzername=anna
Kennwort=gehéim
)";

TEST_F(Shell, HandWrittenFilesSurviveStartAndSaveByteForByte) {
  dakota4();
  const std::string fach = imDaten("Fachanwendung äö"), exportOrdner = imDaten("Export");
  daten.mkdir("Fachanwendung äö");
  daten.mkdir("Export");
  jahr("2024", "");
  daten.write("Abrechng/2024/Daten/ErfBeleg.db", "");
  daten.write("Abrechng/2024/Kosttr/AO05Q124.ke0", "");
  std::string jahrText = ersetzt(ersetzt(ersetzt(crlf(kJahrIni), "<FACH>", fach), "<EXPORT>", exportOrdner),
                                 "<VERSION>", DateiVersion("").substr(0, 3));
  const std::string jahrBytes = platform::fromUtf8(jahrText);
  daten.write("Abrechng/2024/Abrechng.ini", jahrBytes);
  const std::string programmBytes = platform::fromUtf8(ersetzt(crlf(kProgrammIni), "<DATEN>", daten.str()));
  programm.write("Abrechng.ini", programmBytes);

  starten();
  ASSERT_EQ(texte(), std::vector<std::string>{});
  // What the start-up took for the lock, the close gives back; the save must keep the rest.
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "1");
  // Values changed on disk behind the form's back come back from the form: the save wrote them.
  daten.write("Abrechng/2024/Abrechng.ini",
              ersetzt(daten.read("Abrechng/2024/Abrechng.ini"), "Mandant=01", "Mandant=99"));
  programm.write("Abrechng.ini", ersetzt(programmBytes, "Laufwerk=X", "Laufwerk=Y"));
  EXPECT_TRUE(EinstellungenSpeichern());
  form->close();
  EXPECT_EQ(texte(), std::vector<std::string>{});

  const std::string jahrNachher = daten.read("Abrechng/2024/Abrechng.ini");
  const std::string programmNachher = programm.read("Abrechng.ini");
  // Key by key first, for a readable failure.
  TempDir vorher;
  vorher.write("Jahr.ini", jahrBytes);
  vorher.write("Programm.ini", programmBytes);
  for (const IniSchluessel& row : iniSchluessel()) {
    const bool imJahr = row.datei == IniDatei::Jahr;
    const std::string datei = imJahr ? imDaten("Abrechng\\2024\\Abrechng.ini") : imProgramm("Abrechng.ini");
    const std::string alt = vorher.str() + (imJahr ? "/Jahr.ini" : "/Programm.ini");
    const std::string key = schluesselVon(*form, row);
    if (key.empty()) continue;
    EXPECT_EQ(wert(datei, row.abschnitt.c_str(), key.c_str()), wert(alt, row.abschnitt.c_str(), key.c_str()))
        << row.abschnitt << "/" << key;
  }
  EXPECT_EQ(jahrNachher, jahrBytes);
  EXPECT_EQ(programmNachher, programmBytes);
  EXPECT_NE(jahrNachher.find("Tiff=C:\\Tiff \xE4\xF6\xFC\r\n"), std::string::npos);
  EXPECT_NE(programmNachher.find("B\xFCroWARE="), std::string::npos);
  // The password is in clear: only the owner may read the file.
  struct stat st {};
  ASSERT_EQ(::stat((programm / "Abrechng.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Shell, TheSaveWritesEveryKeyOfTheTableAndKeepsForeignLines) {
  bereitZumSpeichern("; Kommentar\r\n[EINSTELLUNGEN]\r\nVersion=" + DateiVersion("").substr(0, 3) +
                     "\r\n[FREMD]\r\nX=1\r\n");
  for (int i = 1; i <= 5; ++i)
    dynamic_cast<TEdit*>(form->findComponent("EditLe" + std::to_string(i)))->setText(std::to_string(i * 111));
  ASSERT_TRUE(EinstellungenSpeichern());
  for (IniDatei datei : {IniDatei::Programm, IniDatei::Jahr})
    for (const IniSchluessel* row : speicherReihenfolge(datei)) {
      const std::string pfad =
          datei == IniDatei::Jahr ? imDaten("Abrechng\\2024\\Abrechng.ini") : imProgramm("Abrechng.ini");
      const std::string key = schluesselVon(*form, *row);
      EXPECT_TRUE(platform::IniFile(pfad).valueExists(row->abschnitt, key)) << row->abschnitt << "/" << key;
    }
  const std::string text = daten.read("Abrechng/2024/Abrechng.ini");
  EXPECT_EQ(text.rfind("; Kommentar\r\n[EINSTELLUNGEN]\r\n", 0), 0u);
  EXPECT_NE(text.find("[FREMD]\r\nX=1\r\n"), std::string::npos);
  EXPECT_EQ(jahrWert("2024", "FtpUpdate"), "1");
  EXPECT_EQ(jahrWert("2024", "Fachanwendung"), "0");
  // Keys without a control, and the VAT rates, are never written by the save.
  const platform::IniFile jahrIni(imDaten("Abrechng\\2024\\Abrechng.ini"));
  const std::pair<const char*, const char*> nie[] = {{"EINSTELLUNGEN", "ProgrammZugriff"},
                                                     {"EINSTELLUNGEN", "KosttrDatum"},
                                                     {"FIRMA", "MwSt1"},
                                                     {"FIRMA", "MwSt2"},
                                                     {"FIRMA", "DruckSortierung"},
                                                     {"ABRECHNUNGSSTELLE_LE", "LE1"},
                                                     {"DASI", "LetzteDatensicherung"}};
  for (const auto& [abschnitt, key] : nie) EXPECT_FALSE(jahrIni.valueExists(abschnitt, key)) << key;
}

// ---- what loading does besides setting the controls ----

TEST_F(Shell, LoadingTheYearFile) {
  using Pruefung = std::function<void(TFormEinstellungen&)>;
  const std::string konto = std::string("sftp://") + kUpdateKontoBenutzer + ":" + kUpdateKontoKennwort + "@" +
                            kUpdateKontoHost + " -hostkey=*";
  struct Case {
    const char* name;
    const char* ini;
    Pruefung pruefen;
  } cases[] = {
      {"a choice that is no number reads as 0 and the load goes on",
       "[EINSTELLUNGEN]\r\nFachanwendung=abc\r\nE-Mail=x\r\nTestdaten=1\r\n[DASI]\r\nZiel=Z\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.RadioGroupFachanwendung->itemIndex(), 0);
         EXPECT_EQ(f.RadioGroupMailClient->itemIndex(), 0);
         EXPECT_TRUE(f.CheckBoxTestdaten->checked());
         EXPECT_EQ(f.EditZiel->text(), "Z");
       }},
      {"a choice past the last item", "[EINSTELLUNGEN]\r\nFachanwendung=7\r\nE-Mail=-1\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.RadioGroupFachanwendung->itemIndex(), 4);
         EXPECT_EQ(f.RadioGroupMailClient->itemIndex(), 0);
       }},
      {"not BüroWARE hides its controls",
       "[EINSTELLUNGEN]\r\nFachanwendung=2\r\nOrdnerFachanwendung=C:\\F\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.LabelOrdnerBw->caption(), "Fachanwendung");
         EXPECT_EQ(f.EditOrdnerFachAnw->text(), "");
         for (ui::TControl* c : std::initializer_list<ui::TControl*>{
                  f.Label59, f.EditOrdnerFachAnw, f.SpeedButtonFachAnw, f.CheckBoxImpSaReNrInBelNrLief,
                  f.CheckBoxBwImportValutadatum, f.CheckBoxBwImportFuerFibuFreigestellt})
           EXPECT_FALSE(c->visible()) << c->name();
       }},
      {"BüroWARE keeps them", "[EINSTELLUNGEN]\r\nFachanwendung=1\r\nOrdnerFachanwendung=C:\\F\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.LabelOrdnerBw->caption(), "Daten");
         EXPECT_EQ(f.EditOrdnerFachAnw->text(), "C:\\F");
         EXPECT_TRUE(f.Label59->visible());
       }},
      {"FtpUpdate always checked, Ta4PerMail never", "[EINSTELLUNGEN]\r\nFtpUpdate=\r\nTa4PerMail=1\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_TRUE(f.CheckBoxFtpUpdate->checked());
         EXPECT_FALSE(f.CheckBoxTa4PerMail->checked());
       }},
      {"LeKuerzel Service", "[FIRMA]\r\nLeKuerzel=sERvice\r\n",
       [](TFormEinstellungen& f) { EXPECT_TRUE(f.ButtonGusTifDateien->visible()); }},
      {"LeKuerzel Se", "[FIRMA]\r\nLeKuerzel=Se\r\n",
       [](TFormEinstellungen& f) { EXPECT_FALSE(f.ButtonGusTifDateien->visible()); }},
      {"defaults: -1 rule, VAT blank, empty-default keys, dates",
       "[EINSTELLUNGEN]\r\nImport=-1\r\n[JAHRESWECHSEL]\r\nAbDatumAbrechnung=-1\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.EditOrdnerImport->text(), "");
         EXPECT_EQ(f.EditAbDatumAbrechnung->text(), "-1");
         EXPECT_EQ(f.EditMwStVoll->text(), " ");
         EXPECT_EQ(f.EditMwstErm->text(), " ");
         EXPECT_EQ(f.EditVonJahr->text(), "");
         EXPECT_EQ(f.LabelKosttr->caption(), "01.01.2000");
         EXPECT_EQ(globals().StandKosttrDatum, "01.01.2000");
         EXPECT_EQ(f.LabelSicherung->caption(), "Letzte Datensicherung: ");
       }},
      {"cost-bearer date and last backup",
       "[EINSTELLUNGEN]\r\nKosttrDatum=05.05.2024\r\n[DASI]\r\nLetzteDatensicherung=x\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.LabelKosttr->caption(), "05.05.2024");
         EXPECT_EQ(f.LabelSicherung->caption(), "Letzte Datensicherung: x");
       }},
      {"provider slots",
       "[ABRECHNUNGSSTELLE_LE]\r\nLE1=111\r\nName1=Eins\r\nName2=Zwei\r\nLE3=333\r\n"
       "[ABRECHNUNGSSTELLE_LE_RENR]\r\n111=17\r\n=9\r\n",
       [](TFormEinstellungen& f) {
         EXPECT_EQ(f.EditLe1->text(), "111");
         EXPECT_EQ(f.EditName1->text(), "Eins");
         EXPECT_EQ(f.EditReNr1->text(), "17");
         EXPECT_EQ(f.EditLe2->text(), "");
         EXPECT_EQ(f.EditName2->text(), "Zwei");
         EXPECT_EQ(f.EditReNr2->text(), "");
         EXPECT_EQ(f.EditReNr3->text(), "");  // number without an invoice-number entry
       }},
      {"the update account through a proxy", "[ANMELDUNG]\r\nProxyHost= proxy \r\nProxyPort=3128\r\n",
       [&](TFormEinstellungen&) {
         EXPECT_EQ(globals().WinScpAufruf,
                   "WinSCP.exe /console /ini=nul /log=\"WinSCP.log\" /script=\"WinSCP.txt\"");
         EXPECT_EQ(globals().WinScpVerbindung,
                   konto +
                       " -rawsettings ProxyMethod=3 ProxyHost=proxy  ProxyPort=3128  "
                       "ProxySettingsConsiderProxyingLocalHostConnections=true ProxySettingsDNS=No");
       }},
      {"no proxy port", "[ANMELDUNG]\r\nProxyHost=proxy\r\n",
       [&](TFormEinstellungen&) { EXPECT_EQ(globals().WinScpVerbindung, konto); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    neuesProgramm();
    form->EditReNr2->setText("vom Vorjahr");
    form->EditReNr3->setText("vom Vorjahr");
    globals().DatenPfad = daten.str() + "\\";
    globals().JahrPfad = "Abrechng\\2024\\";
    jahr("2024", c.ini);
    EinstellungenLesen();
    c.pruefen(*form);
  }
}

// ---- saving ----

TEST_F(Shell, FensterSchliessenIsClearedWhenAnotherApplicationImports) {
  struct Case {
    int fachanwendung;
    bool datenimport;
    std::string wert;
  } cases[] = {{0, true, "1"}, {1, true, ""}, {1, false, "1"}, {4, true, ""}};
  bereitZumSpeichern();
  for (const Case& c : cases) {
    form->RadioGroupFachanwendung->setItemIndex(c.fachanwendung);
    form->CheckBoxDatenimport->setChecked(c.datenimport);
    form->CheckBoxFensterSchliessen->setChecked(true);
    ASSERT_TRUE(EinstellungenSpeichern());
    EXPECT_EQ(jahrWert("2024", "FensterSchliessen"), c.wert) << c.fachanwendung << c.datenimport;
    EXPECT_EQ(form->CheckBoxFensterSchliessen->checked(), c.wert == "1");
  }
}

TEST_F(Shell, AnEmptyProviderSlotKeepsItsOldEntries) {
  bereitZumSpeichern(
      "[ABRECHNUNGSSTELLE_LE]\r\nLE2=222\r\nName2=Alt\r\n[ABRECHNUNGSSTELLE_LE_RENR]\r\n222=5\r\n");
  form->EditLe2->setText("");
  form->EditName2->setText("Neu");
  form->EditLe1->setText("111");
  form->EditName1->setText("Eins");
  form->EditReNr1->setText("42");
  ASSERT_TRUE(EinstellungenSpeichern());
  EXPECT_EQ(jahrWert("2024", "Name2", "ABRECHNUNGSSTELLE_LE"), "Alt");
  EXPECT_EQ(jahrWert("2024", "222", "ABRECHNUNGSSTELLE_LE_RENR"), "5");
  EXPECT_EQ(jahrWert("2024", "LE2", "ABRECHNUNGSSTELLE_LE"), "222");  // LE keys are never written
  EXPECT_EQ(jahrWert("2024", "LE1", "ABRECHNUNGSSTELLE_LE"), "-1");
  EXPECT_EQ(jahrWert("2024", "Name1", "ABRECHNUNGSSTELLE_LE"), "Eins");
  EXPECT_EQ(jahrWert("2024", "111", "ABRECHNUNGSSTELLE_LE_RENR"), "42");
}

// The first save on an empty data root builds the whole year from the program folder.
// A read-only year file is not replaced behind its attribute: the save reports it in its
// "FEHLER" box and the file keeps its bytes.
TEST_F(Shell, AReadOnlyYearFileIsNotWrittenAndTheSaveSaysSo) {
  bereitZumSpeichern();
  const std::filesystem::path datei = daten / "Abrechng/2024/Abrechng.ini";
  const std::string vorher = daten.read("Abrechng/2024/Abrechng.ini");
  std::filesystem::permissions(datei, std::filesystem::perms::owner_read | std::filesystem::perms::group_read,
                               std::filesystem::perm_options::replace);
  dialogs.clear();
  form->EditMandant->setText("42");
  EinstellungenSpeichern();
  EXPECT_EQ(daten.read("Abrechng/2024/Abrechng.ini"), vorher);
  ASSERT_FALSE(dialogs.transcript().empty());
  const ui::DialogShown& box = dialogs.transcript().back();
  EXPECT_EQ(box.caption, "FEHLER");
  EXPECT_TRUE(box.text.starts_with("Fehler beim Schreiben: " + gezeigtImDaten("Abrechng/2024/Abrechng.ini")))
      << box.text;
}

TEST_F(Shell, TheFirstSaveOnAnEmptyDataRootCreatesTheYear) {
  dakota4();
  iniSchreiben(programm, "Abrechng.ini", "[ANMELDUNG]\r\nKennwort=x\r\n");
  starten();  // no data root yet: only the message
  ASSERT_EQ(texte(), std::vector<std::string>{"Ordner <Daten> nicht definiert -> Bitte Eintrag ergänzen!"});
  dialogs.clear();
  form->EditOrdnerBw->setText(daten.str());
  form->EditMandant->setText("M1");
  EXPECT_TRUE(EinstellungenSpeichern());
  EXPECT_EQ(texte(), std::vector<std::string>{});

  EXPECT_EQ(globals().JahrPfad, "Abrechng\\2024\\");
  EXPECT_EQ(form->ComboBoxAktuellesJahr->text(), "2024");
  EXPECT_EQ(programmWert("AktuellesJahr"), "2024");
  EXPECT_EQ(programmWert("BüroWARE"), daten.str());
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/AdrDlz.DB"));
  EXPECT_TRUE(daten.exists("Abrechng/2024/Daten/ErfBeleg.DB"));
  EXPECT_FALSE(daten.exists("Abrechng/2024/Daten/Abrechng.ini"));
  EXPECT_EQ(daten.read("Abrechng/2024/Kosttr/AO05Q124.ke0"), programm.read("Kosttr/AO05Q124.ke0"));
  EXPECT_TRUE(daten.exists("Abrechng/2024/Kosttr/EK06Q124.ke0"));
  // The template ini, then the year's first values, then every form key over it.
  EXPECT_EQ(jahrWert("2024", "ProgrammZugriff"), "");
  EXPECT_EQ(jahrWert("2024", "MwSt1", "FIRMA"), "19");
  EXPECT_EQ(jahrWert("2024", "DruckSortierung", "FIRMA"), "1");
  EXPECT_EQ(jahrWert("2024", "Version"), DateiVersion("").substr(0, 3));
  EXPECT_EQ(jahrWert("2024", "Export"), daten.str());
  EXPECT_EQ(jahrWert("2024", "Mandant", "FIRMA"), "M1");
  for (const char* key : {"DatenimportAuto", "Testdaten", "DruckNichtAnbieten"})
    EXPECT_EQ(jahrWert("2024", key), "1");
  EXPECT_FALSE(globals().FehlerAufgetreten);
}

TEST_F(Shell, SaveChecksAndQuestions) {
  const std::string frage = "Ordner Daten ";
  struct Case {
    const char* name;
    std::function<void(Shell&)> vorbereiten;
    std::vector<ui::DlgResult> antworten;
    std::vector<std::string> meldungen;  // "<root>" stands for the data root as the user sees it
    bool ok;
  } cases[] = {
      {"export empty",
       [](Shell& s) { s.form->EditOrdnerExport->setText(" "); },
       {},
       {"Eintrag fehlt ! Ordner Export"},
       false},
      {"export missing",
       [](Shell& s) { s.form->EditOrdnerExport->setText(s.imDaten("weg")); },
       {ui::DlgResult::No},
       {"Ordner Export <root>weg nicht vorhanden, Anlegen ?", "Ordner Export nicht vorhanden !"},
       false},
      {"export created",
       [](Shell& s) { s.form->EditOrdnerExport->setText(s.imDaten("neu")); },
       {ui::DlgResult::Yes},
       {"Ordner Export <root>neu nicht vorhanden, Anlegen ?", "<root>neu wurde angelegt"},
       true},
      {"application folder declined",
       [](Shell& s) { s.form->EditOrdnerFachAnw->setText(s.imDaten("fach")); },
       {ui::DlgResult::No},
       {"Ordner Fachanwendung <root>fach nicht vorhanden, Anlegen ?"},
       true},
      {"data root declined",
       [](Shell& s) { s.form->EditOrdnerBw->setText(s.imDaten("anders")); },
       {ui::DlgResult::No},
       {"Ordner Daten <root>anders/ nicht vorhanden, Anlegen ?"},
       false},
      {"no data root",
       [](Shell& s) {
         s.form->EditOrdnerBw->setText("");
         globals().DatenPfad = "";
       },
       {},
       {"Eintrag fehlt ! Ordner der Fachanwendung"},
       false},
      {"templates missing",
       [](Shell& s) {
         std::filesystem::remove_all(s.programm / "LeerDaten");
         std::filesystem::remove_all(s.daten / "Abrechng/2024/Daten");
         s.daten.mkdir("Abrechng/2024/Daten");
       },
       {},
       {"Fehler beim Anlegen der Datenbanken, Kopierfehler, "},
       false},
      {"cost-bearer files missing",
       [](Shell& s) {
         std::filesystem::remove_all(s.programm / "Kosttr");
         std::filesystem::remove(s.daten / "Abrechng/2024/Kosttr/AO05Q124.ke0");
       },
       {},
       {"Fehler beim Kopieren der Kostenträgerdateien !"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(daten / "Abrechng");
    std::filesystem::remove_all(programm / "LeerDaten");
    std::filesystem::remove_all(programm / "Kosttr");
    programmVorlagen(programm);
    neuesProgramm();
    bereitZumSpeichern();
    form->EditMandant->setText("gespeichert");
    c.vorbereiten(*this);
    dialogs.clear();
    for (ui::DlgResult a : c.antworten) dialogs.answer(a);
    EXPECT_EQ(EinstellungenSpeichern(), c.ok);
    std::vector<std::string> erwartet;
    for (const std::string& m : c.meldungen) erwartet.push_back(ersetzt(m, "<root>", daten.str() + "/"));
    EXPECT_EQ(texte(), erwartet);
    EXPECT_FALSE(globals().FehlerAufgetreten);
    // The program-folder file is written in any case, the year file only without an error.
    EXPECT_EQ(programmWert("Kennwort", "ANMELDUNG"), "");
    EXPECT_EQ(jahrWert("2024", "Mandant", "FIRMA"), c.ok ? "gespeichert" : "-1");
    std::filesystem::remove_all(daten / "weg");
  }
}

}  // namespace
}  // namespace riviza::test
