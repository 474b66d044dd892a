// The components of the main form TFormEinstellungen, one line each (form library).
//
// Each tab page has its own list, and RIVIZA1_COMPONENTS joins them in page order, so the pages
// keep the indices the start-up selects by number: page 4 is "&Reorganisation" (TabSheet6), page
// 5 is "&Update" (TabSheet7). A subsystem adds its controls to its page's list; a line reads
// X(kind, name, parent, design values) with the design values as designated initializers in the
// order of ui::Design. Layout follows from container and order (a label before an input shares
// its row; a container's `columns` flows its rows into columns; `row` lines its children up).
// Captions the settings files and handlers name are the system's own; the rest are plain
// German captions of our choosing. The file is longer than a header should be because it is the
// form's one declaration, a line per control and handler of all its pages: split by page it
// would need an include per page in the one place that expands them all.
#pragma once

// clang-format off

// Page 0: folders, application, billing year, import options.
#define RIVIZA1_TAB_EINSTELLUNGEN(X) \
  X(TTabSheet, TabSheet1, PageControl1, .caption = "&Einstellungen", .columns = 2) \
  X(TGroupBox, GroupBoxOrdner, TabSheet1, .caption = "Ordner") \
  X(TLabel, LabelOrdnerBw, GroupBoxOrdner, .caption = "Daten") \
  X(TEdit, EditOrdnerBw, GroupBoxOrdner) \
  X(TSpeedButton, SpeedButtonBw, GroupBoxOrdner, .caption = "...") \
  X(TLabel, Label59, GroupBoxOrdner, .caption = "Fachanwendung") \
  X(TEdit, EditOrdnerFachAnw, GroupBoxOrdner) \
  X(TSpeedButton, SpeedButtonFachAnw, GroupBoxOrdner, .caption = "...") \
  X(TLabel, LabelOrdnerImport, GroupBoxOrdner, .caption = "Import") \
  X(TEdit, EditOrdnerImport, GroupBoxOrdner) \
  X(TSpeedButton, SpeedButtonImport, GroupBoxOrdner, .caption = "...") \
  X(TLabel, LabelOrdnerExport, GroupBoxOrdner, .caption = "Export") \
  X(TEdit, EditOrdnerExport, GroupBoxOrdner) \
  X(TSpeedButton, SpeedButtonExport, GroupBoxOrdner, .caption = "...") \
  X(TLabel, LabelOrdnerTiff, GroupBoxOrdner, .caption = "Tiff") \
  X(TEdit, EditOrdnerTiff, GroupBoxOrdner) \
  X(TSpeedButton, SpeedButtonFiff, GroupBoxOrdner, .caption = "...") \
  X(TGroupBox, GroupBoxJahr, TabSheet1, .caption = "Abrechnungsjahr") \
  X(TLabel, LabelAktuellesJahr, GroupBoxJahr, .caption = "Aktuelles Jahr") \
  X(TComboBox, ComboBoxAktuellesJahr, GroupBoxJahr, .sorted = true) \
  X(TButton, ButtonNeuesJahrAnlegen, GroupBoxJahr, .caption = "neues Abrechnungsjahr anlegen") \
  X(TCheckBox, CheckBoxOffeneBelUebernehmen, GroupBoxJahr, .caption = "offene Belege übernehmen") \
  X(TLabel, LabelAbDatumAbrechnung, GroupBoxJahr, .caption = "ab Datum Abrechnung") \
  X(TEdit, EditAbDatumAbrechnung, GroupBoxJahr) \
  X(TDateTimePicker, DateTimePicker2, GroupBoxJahr) \
  X(TCheckBox, CheckBoxLeereDbAnlegen, GroupBoxJahr, .caption = "leere Datenbanken anlegen") \
  X(TRadioGroup, RadioGroupFachanwendung, TabSheet1, .caption = "Fachanwendung", \
    .items = {"Orvel Vuzaroded", "BüroWARE", "GDI", "WiWaMed", "frei"}, .columns = 3) \
  X(TRadioGroup, RadioGroupMailClient, TabSheet1, .caption = "E-Mail", \
    .items = {"Standand E-Mail Client", "MS Outlook"}, .columns = 2) \
  X(TGroupBox, GroupBoxDatenimport, TabSheet1, .caption = "Datenimport") \
  X(TCheckBox, CheckBoxDatenimport, GroupBoxDatenimport, .caption = "Datenimport automatisch") \
  X(TCheckBox, CheckBoxDatenimportBeiKorrektur, GroupBoxDatenimport, .caption = "Datenimport bei Korrektur") \
  X(TCheckBox, CheckBoxImpSaReNrInBelNrLief, GroupBoxDatenimport, .caption = "Sammelrechnungs-Nr. in Beleg-Nr. Lieferant") \
  X(TCheckBox, CheckBoxBwImportValutadatum, GroupBoxDatenimport, .caption = "BüroWARE-Import mit Valutadatum") \
  X(TCheckBox, CheckBoxBwImportFuerFibuFreigestellt, GroupBoxDatenimport, .caption = "BüroWARE-Import für Fibu freigestellt")

// The folder dialog of the folder pickers, the data-root change and the backup target.
#define RIVIZA1_EINSTELLUNGEN_DIALOGE(X) \
  X(TPathDialog, PathDialog1, nullptr)

// Page 1: the options of the billing application for the year.
#define RIVIZA1_TAB_OPTIONEN(X) \
  X(TTabSheet, TabSheet2, PageControl1, .caption = "&Optionen", .columns = 3) \
  X(TCheckBox, CheckBoxDakotaMehrereZertifikate, TabSheet2, .caption = "DAKOTA mit mehreren Zertifikaten") \
  X(TCheckBox, CheckBoxHimiNrAuf10StellPruefen, TabSheet2, .caption = "Hilfsmittel-Nr. auf 10 Stellen prüfen") \
  X(TCheckBox, CheckBoxBarmerGsAusDebitor, TabSheet2, .caption = "BARMER-Geschäftsstelle aus Debitor") \
  X(TCheckBox, CheckBoxImagedateienPerEmail, TabSheet2, .caption = "Imagedateien per E-Mail") \
  X(TCheckBox, CheckBoxIdentifikationsNrVorgeben, TabSheet2, .caption = "Identifikations-Nr. vorgeben") \
  X(TCheckBox, CheckBoxKorrekturMitTagesdatum, TabSheet2, .caption = "Korrektur mit Tagesdatum") \
  X(TCheckBox, CheckBoxSortierungNachVerordner, TabSheet2, .caption = "Sortierung nach Verordner") \
  X(TCheckBox, CheckBoxGenKzNichtVorbelegen, TabSheet2, .caption = "Genehmigungskennzeichen nicht vorbelegen") \
  X(TCheckBox, CheckBoxOhnePruefung, TabSheet2, .caption = "ohne Prüfung") \
  X(TCheckBox, CheckBoxOhnePruefungBetraege, TabSheet2, .caption = "ohne Prüfung der Beträge") \
  X(TCheckBox, CheckBoxOhnePruefungVoDatum, TabSheet2, .caption = "ohne Prüfung des Verordnungsdatums") \
  X(TCheckBox, CheckBoxOhnePruefLeistungsDatum, TabSheet2, .caption = "ohne Prüfung des Leistungsdatums") \
  X(TCheckBox, CheckBoxKorrNichtVorhandenerKosttr300, TabSheet2, .caption = "Korrektur nicht vorhandener Kostenträger §300") \
  X(TCheckBox, CheckBoxGleicheIdnrBeiPosOhneZuzahlung, TabSheet2, .caption = "gleiche Ident-Nr. bei Positionen ohne Zuzahlung") \
  X(TCheckBox, CheckBox300SaReAuchBeiSimulation, TabSheet2, .caption = "§300 Sammelrechnung auch bei Simulation") \
  X(TCheckBox, CheckBox300SortierungPosNr, TabSheet2, .caption = "§300 Sortierung nach Positions-Nr.") \
  X(TCheckBox, CheckBoxVerordDatAusLeistDatum, TabSheet2, .caption = "Verordnungsdatum aus Leistungsdatum") \
  X(TCheckBox, CheckBoxPosVersZeitraumNichtPruefen, TabSheet2, .caption = "Versorgungszeitraum nicht prüfen") \
  X(TCheckBox, CheckBoxNeueIdentNBeiGgeicherPg, TabSheet2, .caption = "neue Ident-Nr. bei gleicher Produktgruppe") \
  X(TCheckBox, CheckBoxOrdnerAbrdtaInExport, TabSheet2, .caption = "Ordner ABRDTA im Export") \
  X(TCheckBox, CheckBoxSammelrechnungArchivieren, TabSheet2, .caption = "Sammelrechnung archivieren") \
  X(TCheckBox, CheckBoxDruckKzSetzen, TabSheet2, .caption = "Druckkennzeichen setzen") \
  X(TCheckBox, CheckBoxAusgangsdatei, TabSheet2, .caption = "Ausgangsdatei löschen") \
  X(TCheckBox, CheckBoxDatenPruefen, TabSheet2, .caption = "Daten prüfen") \
  X(TCheckBox, CheckBoxTa4PerMail, TabSheet2, .caption = "TA4 per Mail") \
  X(TCheckBox, CheckBoxTestdaten, TabSheet2, .caption = "Testdaten") \
  X(TCheckBox, CheckBoxLangprotokoll, TabSheet2, .caption = "Langprotokoll") \
  X(TCheckBox, CheckBoxOutlook, TabSheet2, .caption = "Outlook") \
  X(TCheckBox, CheckBoxAbfrageVorStart, TabSheet2, .caption = "Abfrage vor Start") \
  X(TCheckBox, CheckBoxFensterSchliessen, TabSheet2, .caption = "Fenster schließen") \
  X(TCheckBox, CheckBoxDruckNichtAnbieten, TabSheet2, .caption = "Druck nicht anbieten") \
  X(TCheckBox, CheckBoxAbrechnungSimulieren, TabSheet2, .caption = "Abrechnung simulieren") \
  X(TCheckBox, CheckBoxUpdateStatusUeberpruefen, TabSheet2, .caption = "Update-Status überprüfen") \
  X(TCheckBox, CheckBoxAbrCodeNichtBeruecksichtigen, TabSheet2, .caption = "Abrechnungscode nicht berücksichtigen") \
  X(TCheckBox, CheckBoxNichtSortieren, TabSheet2, .caption = "nicht sortieren") \
  X(TCheckBox, CheckBoxKeineAenderungAbrDat, TabSheet2, .caption = "keine Änderung der ABR.DAT") \
  X(TCheckBox, CheckBoxAutomatischeVerarbeitung, TabSheet2, .caption = "automatische Verarbeitung") \
  X(TCheckBox, CheckBoxNetzwerkdrucker, TabSheet2, .caption = "Netzwerkdrucker") \
  X(TCheckBox, CheckBoxKeinLpr, TabSheet2, .caption = "kein LPR") \
  X(TCheckBox, CheckBoxBereinigungZuzahlungImBelegkopf, TabSheet2, .caption = "Zuzahlung im Belegkopf bereinigen") \
  X(TCheckBox, CheckBoxEinzelReNrImmerEins, TabSheet2, .caption = "Einzelrechnungs-Nr. immer 1")

// Page 2: the firm, the billing texts and the VAT rates.
#define RIVIZA1_TAB_FIRMA(X) \
  X(TTabSheet, TabSheet3, PageControl1, .caption = "&Firma", .columns = 2) \
  X(TGroupBox, GroupBoxFirma, TabSheet3, .caption = "Firma") \
  X(TLabel, LabelEmailAdresse, GroupBoxFirma, .caption = "E-Mail-Adresse") \
  X(TEdit, EditEmailAdresse, GroupBoxFirma) \
  X(TLabel, LabelLeKuerzel, GroupBoxFirma, .caption = "LE-Kürzel") \
  X(TEdit, EditLeKuerzel, GroupBoxFirma) \
  X(TLabel, LabelMandant, GroupBoxFirma, .caption = "Mandant") \
  X(TEdit, EditMandant, GroupBoxFirma) \
  X(TLabel, LabelDebitorenAb, GroupBoxFirma, .caption = "Debitoren ab") \
  X(TEdit, EditDebitorenAb, GroupBoxFirma) \
  X(TCheckBox, CheckBoxFirmaDebitorenAbJN, GroupBoxFirma, .caption = "Debitoren-Nr. ab verwenden") \
  X(TCheckBox, CheckBoxFirmaDebitorenNeu55JN, GroupBoxFirma, .caption = "neue Debitoren ab 55") \
  X(TLabel, LabelBwBediener, GroupBoxFirma, .caption = "BüroWARE Bediener") \
  X(TEdit, EditBwBediener, GroupBoxFirma) \
  X(TLabel, LabelBwCw, GroupBoxFirma, .caption = "BüroWARE CW") \
  X(TEdit, EditBwCw, GroupBoxFirma) \
  X(TLabel, LabelBwWorkflowKost, GroupBoxFirma, .caption = "BüroWARE Workflow Kostenträger") \
  X(TEdit, EditBwWorkflowKost, GroupBoxFirma) \
  X(TLabel, LabelFeldTrennerTabDatei, GroupBoxFirma, .caption = "Feldtrenner Tab-Datei") \
  X(TEdit, EditFeldTrennerTabDatei, GroupBoxFirma) \
  X(TGroupBox, GroupBoxAbrechnung, TabSheet3, .caption = "Abrechnung") \
  X(TLabel, LabelFeldtrenner, GroupBoxAbrechnung, .caption = "Feldtrenner") \
  X(TEdit, EditFeldtrenner, GroupBoxAbrechnung, .maxLength = 1) \
  X(TButton, Button256, GroupBoxAbrechnung, .caption = "ASCII 254") \
  X(TLabel, LabelKuerzelVorReNr, GroupBoxAbrechnung, .caption = "Kürzel vor Rechnungs-Nr.") \
  X(TComboBox, ComboBoxKuerzelVorReNr, GroupBoxAbrechnung) \
  X(TLabel, LabelBelegart, GroupBoxAbrechnung, .caption = "Belegart") \
  X(TComboBox, ComboBoxBelegart, GroupBoxAbrechnung) \
  X(TLabel, LabelAnzDruckBegleitzettel, GroupBoxAbrechnung, .caption = "Anzahl Begleitzettel") \
  X(TEdit, EditAnzDruckBegleitzettel, GroupBoxAbrechnung) \
  X(TLabel, LabelAnzDruckZusammenstellung, GroupBoxAbrechnung, .caption = "Anzahl Zusammenstellungen") \
  X(TEdit, EditAnzDruckZusammenstellung, GroupBoxAbrechnung) \
  X(TBitBtn, BitBtnLoeschZuzBefreiung, GroupBoxAbrechnung, .caption = "Löschen &Zuz.-befreiung") \
  X(TGroupBox, GroupBoxMwSt, TabSheet3, .caption = "Mehrwertsteuer") \
  X(TLabel, LabelMwStVoll, GroupBoxMwSt, .caption = "voller Satz") \
  X(TEdit, EditMwStVoll, GroupBoxMwSt) \
  X(TLabel, LabelMwstErm, GroupBoxMwSt, .caption = "ermäßigter Satz") \
  X(TEdit, EditMwstErm, GroupBoxMwSt) \
  X(TCheckBox, CheckBoxFirmaNettoPreiseJN, GroupBoxMwSt, .caption = "Nettopreise") \
  X(TButton, ButtonMwst, GroupBoxMwSt, .caption = "MwSt-Sätze anpassen")

// Page 3: the network-share login of the program folder and the proxy.
#define RIVIZA1_TAB_ANMELDUNG(X) \
  X(TTabSheet, TabSheet4, PageControl1, .caption = "&Anmeldung", .columns = 2) \
  X(TGroupBox, GroupBoxNetzlaufwerk, TabSheet4, .caption = "Netzlaufwerk") \
  X(TCheckBox, CheckBoxDomaenenbenutzer, GroupBoxNetzlaufwerk, .caption = "beim Start am Netzlaufwerk anmelden") \
  X(TCheckBox, CheckBoxAnmeldenUeberNetUseBat, GroupBoxNetzlaufwerk, .caption = "Anmelden über NetUse.bat") \
  X(TLabel, LabelLaufwerk, GroupBoxNetzlaufwerk, .caption = "Laufwerk") \
  X(TEdit, EditLaufwerk, GroupBoxNetzlaufwerk, .maxLength = 1) \
  X(TLabel, LabelComputername, GroupBoxNetzlaufwerk, .caption = "Computername") \
  X(TEdit, EditComputername, GroupBoxNetzlaufwerk) \
  X(TLabel, LabelFreigabename, GroupBoxNetzlaufwerk, .caption = "Freigabename") \
  X(TEdit, EditFreigabename, GroupBoxNetzlaufwerk) \
  X(TLabel, LabelDomaenenname, GroupBoxNetzlaufwerk, .caption = "Domänenname") \
  X(TEdit, EditDomaenenname, GroupBoxNetzlaufwerk) \
  X(TLabel, LabelBenutzername, GroupBoxNetzlaufwerk, .caption = "Benutzername") \
  X(TEdit, EditBenutzername, GroupBoxNetzlaufwerk) \
  X(TLabel, LabelKennwort, GroupBoxNetzlaufwerk, .caption = "Kennwort") \
  X(TEdit, EditKennwort, GroupBoxNetzlaufwerk, .password = true) \
  X(TGroupBox, GroupBoxProxy, TabSheet4, .caption = "Proxy") \
  X(TLabel, LabelProxyHost, GroupBoxProxy, .caption = "Host") \
  X(TEdit, EditProxyHost, GroupBoxProxy) \
  X(TLabel, LabelProxyPort, GroupBoxProxy, .caption = "Port") \
  X(TEdit, EditProxyPort, GroupBoxProxy)

// Page 4: the reorganisation of the year's tables.
#define RIVIZA1_TAB_REORGANISATION(X) \
  X(TTabSheet, TabSheet6, PageControl1, .caption = "&Reorganisation") \
  X(TListBox, ListBoxReorg, TabSheet6) \
  X(TPanel, PanelReorg, TabSheet6, .row = true) \
  X(TBitBtn, BitBtnReorg, PanelReorg, .caption = "Star&t") \
  X(TBitBtn, BitBtnFehler, PanelReorg, .caption = "Pr&otokoll Reorganisation") \
  X(TLabel, LabelReorg, PanelReorg) \
  X(TFileListBox, FileListBoxReorg, TabSheet6, .visible = false)

// Page 5: program and cost-bearer updates. The three rebuild buttons are hidden, as on the
// Windows form; riviza-batch presses them. The progress bar comes last: the bottom of the tab.
#define RIVIZA1_TAB_UPDATE(X) \
  X(TTabSheet, TabSheet7, PageControl1, .caption = "&Update") \
  X(TPanel, PanelUpdate, TabSheet7, .row = true) \
  X(TBitBtn, BitBtnLiveUpdate, PanelUpdate, .caption = "&Programme") \
  X(TBitBtn, BitBtnKost, PanelUpdate, .caption = "K&ostenträgerdateien") \
  X(TCheckBox, CheckBoxFtpUpdate, PanelUpdate, .caption = "FTP-Update", .enabled = false, .checked = true) \
  X(TLabel, Label37, PanelUpdate, .caption = "anzuwenden ab:") \
  X(TLabel, LabelKosttr, PanelUpdate) \
  X(TListBox, ListBoxLiveUpdate, TabSheet7) \
  X(TBitBtn, BitBtnTabelleKostentraeger, TabSheet7, .caption = "&Tabelle Kostenträger", .visible = false) \
  X(TBitBtn, BitBtnKassen, TabSheet7, .caption = "Tabelle Kassen", .visible = false) \
  X(TBitBtn, BitBtnImpKosttr, TabSheet7, .caption = "Imp Kosttr IDB / DTA", .visible = false) \
  X(TBitBtn, BitBtnStart, TabSheet7, .caption = "Start Download", .visible = false) \
  X(TProgressBar, ProgressBar, TabSheet7)

// The update's components without a place on screen: one download per file of the update
// server, the zip reader that unpacks the packages, and the state of the two update chains.
#define RIVIZA1_UPDATE_NICHTSICHTBAR(X) \
  X(THttpDownload, HttpDownloadFileTxt, nullptr) \
  X(THttpDownload, HttpDownloadFileZip, nullptr) \
  X(THttpDownload, HttpDownloadKostTxt, nullptr) \
  X(THttpDownload, HttpDownloadKostZip, nullptr) \
  X(TUnZip, UnZip1, nullptr) \
  X(TUpdateKetten, UpdateKetten, nullptr)

// The FTP client of the hidden "Start Download" (active mode, no proxy, the account set at each
// connect).
#define RIVIZA1_UPDATE_FTP(X) \
  X(TIdFTP, IdFTP1, nullptr)

// The components of the cost-bearer table rebuilds: the lists of the year's cost-bearer files
// (hidden, on the update tab) and the table components of the rebuilt tables.
#define RIVIZA1_KOSTTR_TABELLEN(X) \
  X(TFileListBox, FileListBoxKost300, TabSheet7, .visible = false) \
  X(TFileListBox, FileListBoxKost302, TabSheet7, .visible = false) \
  X(TFileListBox, FileListBoxKost105, TabSheet7, .visible = false) \
  X(TTable, TableKosttr, nullptr) \
  X(TTable, TableKassen, nullptr) \
  X(TTable, TableKasAdrAnn, nullptr)

// Page 6: the service-provider slots of the billing centre.
#define RIVIZA1_TAB_ABRECHNUNGSSTELLE(X) \
  X(TTabSheet, TabSheet8, PageControl1, .caption = "Abre&chnugsstelle") \
  X(TGroupBox, GroupBoxAbrechnungsstelleLe, TabSheet8, .caption = "Leistungserbringer") \
  X(TPanel, PanelLeKopf, GroupBoxAbrechnungsstelleLe, .row = true) \
  X(TLabel, LabelLeNr, PanelLeKopf, .caption = "LE-Nr.") \
  X(TLabel, LabelLeName, PanelLeKopf, .caption = "Name") \
  X(TLabel, LabelLeReNr, PanelLeKopf, .caption = "nächste Rechnungs-Nr.") \
  RIVIZA1_LE_SLOT(X, 1) RIVIZA1_LE_SLOT(X, 2) RIVIZA1_LE_SLOT(X, 3) RIVIZA1_LE_SLOT(X, 4) RIVIZA1_LE_SLOT(X, 5)
#define RIVIZA1_LE_SLOT(X, i) \
  X(TPanel, PanelLe##i, GroupBoxAbrechnungsstelleLe, .row = true) \
  X(TEdit, EditLe##i, PanelLe##i) \
  X(TEdit, EditName##i, PanelLe##i) \
  X(TEdit, EditReNr##i, PanelLe##i)

// Pages 7 to 9: acceptance offices, service centres, funds.
// Page 7: search and record buttons on top, the grid, then the edit panel (disabled while the
// tab browses) with its group boxes; one row per office IK: label, IK, name, picker button. The
// tables and data sources come first because the controls below bind to them (the address
// picker TFormAdressen has its own).
#define RIVIZA1_TAB_ANNAHMESTELLEN(X) \
  X(TTabSheet, TabSheet9, PageControl1, .caption = "Anna&hmestellen") \
  X(TTable, TableAnn, nullptr) \
  X(TDataSource, DataSourceAnn, nullptr, .dataSet = TableAnn) \
  X(TTable, TableAdrAnn, nullptr) \
  X(TDataSource, DataSourceAdrAnn, nullptr, .dataSet = TableAdrAnn) \
  X(TPanel, PanelAnnSuchen, TabSheet9, .row = true) \
  X(TLabel, LabelAnnSuchen, PanelAnnSuchen, .caption = "Suchen") \
  X(TEdit, EditAnnSuchen, PanelAnnSuchen) \
  X(TBitBtn, BitBtnAnnNeu, PanelAnnSuchen, .caption = "&Neu") \
  X(TBitBtn, BitBtnAnnAendern, PanelAnnSuchen, .caption = "Än&dern") \
  X(TBitBtn, BitBtnAnnLoeschen, PanelAnnSuchen, .caption = "Lös&chen") \
  X(TBitBtn, BitBtnAnnAdressen, PanelAnnSuchen, .caption = "Adressen") \
  X(TDBNavigator, DBNavigatorAnn, PanelAnnSuchen, .dataSource = DataSourceAnn) \
  X(TDBGrid, DBGridAnn, TabSheet9, .readOnly = true, .dataSource = DataSourceAnn, \
    .fields = {"Kostentraeger", "NameKostentraeger", "Verordnungen300", "NameVerordnungen300", \
               "Verordnungen302", "NameVerordnungen302", "Verordnungen300Pat", "NameVerordnungen300Pat"}) \
  X(TPanel, PanelAnn, TabSheet9, .enabled = false, .columns = 2) \
  X(TPanel, PanelAnnKosttr, PanelAnn, .row = true) \
  X(TLabel, LabelAnnKosttr, PanelAnnKosttr, .caption = "IK Kosttr.") \
  X(TDBEdit, DBEdit13, PanelAnnKosttr, .maxLength = 9, .dataSource = DataSourceAnn, .field = "Kostentraeger") \
  X(TDBEdit, DBEdit14, PanelAnnKosttr, .readOnly = true, .dataSource = DataSourceAnn, .field = "NameKostentraeger") \
  X(TLabel, LabelAnnDebitor, PanelAnnKosttr, .caption = "Debitor", .visible = false) \
  X(TDBEdit, DBEdit27, PanelAnnKosttr, .visible = false, .dataSource = DataSourceAnn, .field = "Debitor") \
  X(TGroupBox, GroupBox7, PanelAnn, .caption = "§ 300 (Sprechstundenbedarf)") \
  RIVIZA1_ANN_IK(X, GroupBox7, 300Re, "Rechnungen", DBEdit1, "Rechnungen300", DBEdit2, BitBtn300Adr) \
  RIVIZA1_ANN_IK(X, GroupBox7, 300Ve, "Verordnungen", DBEdit3, "Verordnungen300", DBEdit4, BitBtn300Ver) \
  RIVIZA1_ANN_IK(X, GroupBox7, Image, "Image-Dateien", DBEdit5, "ImageDateien", DBEdit6, BitBtnImage) \
  X(TGroupBox, GroupBox8, PanelAnn, .caption = "§ 300 (Patientenabrechnung)") \
  RIVIZA1_ANN_IK(X, GroupBox8, PatRe, "Rechnungen", DBEdit21, "Rechnungen300Pat", DBEdit22, BitBtn300PatAdr) \
  RIVIZA1_ANN_IK(X, GroupBox8, PatVe, "Verordnungen", DBEdit23, "Verordnungen300Pat", DBEdit24, BitBtn300PatVer) \
  RIVIZA1_ANN_IK(X, GroupBox8, PatImage, "Image-Dateien", DBEdit25, "ImageDateienPat", DBEdit26, BitBtnPatImage) \
  X(TGroupBox, GroupBox9, PanelAnn, .caption = "§ 302 / § 105") \
  RIVIZA1_ANN_IK(X, GroupBox9, 302Re, "Rechnungen", DBEdit7, "Rechnungen302", DBEdit8, BitBtn302Adr) \
  RIVIZA1_ANN_IK(X, GroupBox9, 302Ve, "Verordnungen", DBEdit9, "Verordnungen302", DBEdit10, BitBtn302Ver) \
  X(TPanel, PanelAnn105, GroupBox9, .visible = false, .row = true) \
  X(TLabel, LabelAnn105, PanelAnn105, .caption = "Kostenvoranschläge") \
  X(TDBEdit, DBEdit11, PanelAnn105, .maxLength = 9, .dataSource = DataSourceAnn, .field = "Kostenvoranschläge") \
  X(TDBEdit, DBEdit12, PanelAnn105, .readOnly = true, .dataSource = DataSourceAnn, .field = "Name Kostenvoranschläge") \
  X(TBitBtn, BitBtn105, PanelAnn105, .caption = "...", .visible = false) \
  X(TPanel, PanelAnnZahlung, PanelAnn, .row = true) \
  X(TLabel, LabelAnnZahlung, PanelAnnZahlung, .caption = "NeTa / SkTa / Sk%") \
  X(TDBEdit, DBEdit53, PanelAnnZahlung, .maxLength = 3, .dataSource = DataSourceAnn, .field = "NettoTage") \
  X(TDBEdit, DBEdit54, PanelAnnZahlung, .maxLength = 3, .dataSource = DataSourceAnn, .field = "SkontoTage") \
  X(TDBEdit, DBEdit55, PanelAnnZahlung, .dataSource = DataSourceAnn, .field = "Skonto%") \
  X(TLabel, LabelAnnFaktor, PanelAnnZahlung, .caption = "Faktor Images") \
  X(TDBEdit, DBEdit56, PanelAnnZahlung, .dataSource = DataSourceAnn, .field = "FaktorImages") \
  X(TDBCheckBox, DBCheckBoxReMitPaketNr, PanelAnn, .caption = "Zusammenstellung mit PaketNr.", \
    .dataSource = DataSourceAnn, .field = "Rechnung mit PaketNr.") \
  X(TDBCheckBox, DBCheckBoxSaReMitPaketNr, PanelAnn, .caption = "Rechnung mit PaketNr.", \
    .dataSource = DataSourceAnn, .field = "SaRe mit PaketNr.") \
  X(TGroupBox, GroupBoxAnnAdresse, PanelAnn, .caption = "Anschrift der Annahmestelle", .visible = false) \
  X(TLabel, LabelAdrAusKosttr, GroupBoxAnnAdresse, .caption = "Adresse aus Kostenträgerdatei !", .visible = false, \
    .fontColor = 0x0000FF, .bold = true) \
  X(TLabel, LabelAnnAdrIk, GroupBoxAnnAdresse, .caption = "IK") \
  X(TDBEdit, DBEdit20, GroupBoxAnnAdresse, .visible = false, .readOnly = true, .dataSource = DataSourceAdrAnn, .field = "Ik") \
  X(TLabel, LabelAnnAdrName, GroupBoxAnnAdresse, .caption = "Name") \
  X(TDBEdit, DBEdit15, GroupBoxAnnAdresse, .visible = false, .dataSource = DataSourceAdrAnn, .field = "Name") \
  X(TLabel, LabelAnnAdrName2, GroupBoxAnnAdresse, .caption = "Name 2") \
  X(TDBEdit, DBEdit16, GroupBoxAnnAdresse, .visible = false, .dataSource = DataSourceAdrAnn, .field = "Name2") \
  X(TLabel, LabelAnnAdrStrasse, GroupBoxAnnAdresse, .caption = "Straße") \
  X(TDBEdit, DBEdit17, GroupBoxAnnAdresse, .visible = false, .dataSource = DataSourceAdrAnn, .field = "Strasse") \
  X(TLabel, LabelAnnAdrPlz, GroupBoxAnnAdresse, .caption = "PLZ") \
  X(TDBEdit, DBEdit18, GroupBoxAnnAdresse, .visible = false, .dataSource = DataSourceAdrAnn, .field = "Plz") \
  X(TLabel, LabelAnnAdrOrt, GroupBoxAnnAdresse, .caption = "Ort") \
  X(TDBEdit, DBEdit19, GroupBoxAnnAdresse, .visible = false, .dataSource = DataSourceAdrAnn, .field = "Ort") \
  X(TBitBtn, BitBtnAnnAdressenSpeichern, GroupBoxAnnAdresse, .caption = "&Adr Speich.", .visible = false) \
  X(TEdit, EditAuswahl, PanelAnn, .visible = false) \
  X(TPanel, PanelAnnKnoepfe, PanelAnn, .row = true) \
  X(TBitBtn, BitBtnAnnSpeichern, PanelAnnKnoepfe, .caption = "S&peichern", .enabled = false) \
  X(TBitBtn, BitBtnAnnSpeichernNeu, PanelAnnKnoepfe, .caption = "Speichern / &Neu", .visible = false, \
    .enabled = false)
// One office IK row of page 7: a row panel with its label, the IK edit, its name edit (read-only)
// and the picker button.
#define RIVIZA1_ANN_IK(X, box, suffix, label, ikEdit, ikField, nameEdit, picker) \
  X(TPanel, PanelAnn##suffix, box, .row = true) \
  X(TLabel, LabelAnn##suffix, PanelAnn##suffix, .caption = (label)) \
  X(TDBEdit, ikEdit, PanelAnn##suffix, .maxLength = 9, .dataSource = DataSourceAnn, .field = (ikField)) \
  X(TDBEdit, nameEdit, PanelAnn##suffix, .readOnly = true, .dataSource = DataSourceAnn, .field = "Name" ikField) \
  X(TBitBtn, picker, PanelAnn##suffix, .caption = "...")
// Page 8: search row, grid, then the group box of the service centre's fields (disabled while
// the tab browses). The table is the one the start-up opens; Image3 holds the grid's check mark.
#define RIVIZA1_TAB_DLZ(X) \
  X(TTabSheet, TabSheet10, PageControl1, .caption = "DL&Z / GS") \
  X(TTable, TableAdrDlz, nullptr) \
  X(TDataSource, DataSourceAdrDlz, nullptr, .dataSet = TableAdrDlz) \
  X(TPanel, PanelDlzSuchen, TabSheet10, .row = true) \
  X(TLabel, LabelSuchenAdrDlz, PanelDlzSuchen, .caption = "Suchen") \
  X(TEdit, EditSuchenAdrDlz, PanelDlzSuchen) \
  X(TBitBtn, BitBtnNeuAdrDlz, PanelDlzSuchen, .caption = "&Neu") \
  X(TBitBtn, BitBtnAendernAdrDlz, PanelDlzSuchen, .caption = "Än&dern") \
  X(TBitBtn, BitBtnLoeschenAdrDlz, PanelDlzSuchen, .caption = "Lös&chen") \
  X(TDBNavigator, DBNavigator1, PanelDlzSuchen, .dataSource = DataSourceAdrDlz) \
  X(TDBGrid, DBGridAdrDlz, TabSheet10, .readOnly = true, .dataSource = DataSourceAdrDlz, \
    .fields = {"DlzId", "Name", "Name2", "Strasse", "Plz", "Ort", "Telefon", "Ansprechpartner", "DruckDlz"}, \
    .widths = {{"DruckDlz", 19}}) \
  X(TImage, Image3, TabSheet10, .visible = false, .picture = "check") \
  X(TGroupBox, GroupBoxDlz, TabSheet10, \
    .caption = "AOK Dienstleistungszentren (Kostenträger IK 108310400) / " \
               "BARMER Geschäftsstellen (Kostenträger IK 104940005)", \
    .enabled = false, .columns = 2) \
  X(TPanel, PanelDlzId, GroupBoxDlz, .row = true) \
  X(TLabel, LabelDlzId, PanelDlzId, .caption = "ID") \
  X(TDBEdit, DBEdit28, PanelDlzId, .dataSource = DataSourceAdrDlz, .field = "DlzId") \
  X(TLabel, LabelDlzIdHinweis, PanelDlzId, .caption = "(IK 7-stellig)") \
  X(TLabel, LabelDlzName, GroupBoxDlz, .caption = "Name") \
  X(TDBEdit, DBEdit29, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Name") \
  X(TLabel, LabelDlzName2, GroupBoxDlz, .caption = "Name 2") \
  X(TDBEdit, DBEdit30, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Name2") \
  X(TLabel, LabelDlzStrasse, GroupBoxDlz, .caption = "Straße") \
  X(TDBEdit, DBEdit31, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Strasse") \
  X(TLabel, LabelDlzPlz, GroupBoxDlz, .caption = "PLZ") \
  X(TDBEdit, DBEdit32, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Plz") \
  X(TLabel, LabelDlzOrt, GroupBoxDlz, .caption = "Ort") \
  X(TDBEdit, DBEdit33, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Ort") \
  X(TLabel, LabelDlzTelefon, GroupBoxDlz, .caption = "Telefon") \
  X(TDBEdit, DBEdit34, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Telefon") \
  X(TLabel, LabelDlzAnsprechpartner, GroupBoxDlz, .caption = "Ansprechpartner") \
  X(TDBEdit, DBEdit35, GroupBoxDlz, .dataSource = DataSourceAdrDlz, .field = "Ansprechpartner") \
  X(TBitBtn, BitBtnSpeichernAdrDlz, GroupBoxDlz, .caption = "S&peichern", .enabled = false)

// Page 9: search row, the read-only grid of the funds, then the disabled group box with the
// offices of the current fund (left) and the address of its office for cost estimates (right). TableKasAdrAnn
// is the rebuild's table component (RIVIZA1_KOSTTR_TABELLEN, created before this page).
#define RIVIZA1_TAB_KASSEN(X) \
  X(TTabSheet, TabSheet11, PageControl1, .caption = "Kassen") \
  X(TTable, TableKas, nullptr) \
  X(TDataSource, DataSourceKas, nullptr, .dataSet = TableKas) \
  X(TDataSource, DataSourceKasAdrAnn, nullptr, .dataSet = TableKasAdrAnn) \
  X(TPanel, PanelKasSuchen, TabSheet11, .row = true) \
  X(TLabel, LabelKas302Suchen, PanelKasSuchen, .caption = "Suchen") \
  X(TEdit, EditKas302Suchen, PanelKasSuchen) \
  X(TDBNavigator, DBNavigator2, PanelKasSuchen, .dataSource = DataSourceKas) \
  X(TDBGrid, DBGridKas302, TabSheet11, .readOnly = true, .dataSource = DataSourceKas) \
  X(TGroupBox, GroupBox13, TabSheet11, .caption = "Annahmestellen", .enabled = false, .columns = 2) \
  X(TPanel, PanelKasStellen, GroupBox13) \
  RIVIZA1_KAS_STELLE(X, Rech, "Rechnungen", DBEditKasRechIk, "AnRechIk", DBEditKasRechKurz, "AnRechKurz") \
  RIVIZA1_KAS_STELLE(X, Verord, "Verordnungen", DBEditKasVerordIk, "AnVerordIk", DBEditKasVerordKurz, \
                     "AnVerordKurz") \
  RIVIZA1_KAS_STELLE(X, DatOhne, "Daten (ohne)", DBEditKasDatOhneIk, "AnDatOhneIk", DBEditKasDatOhneKurz, \
                     "AnDatOhneKurz") \
  RIVIZA1_KAS_STELLE(X, DatMit, "Daten (mit)", DBEditKasDatMitIk, "AnDatMitIk", DBEditKasDatMitKurz, \
                     "AnDatMitKurz") \
  RIVIZA1_KAS_STELLE(X, Kostvor, "KV", DBEdit44, "AnKostvorIk", DBEditKasKostvorKurz, "AnKostvorKurz") \
  X(TPanel, PanelKasAdresse, GroupBox13) \
  X(TLabel, LabelKasAdrKurzName, PanelKasAdresse, .caption = "Kurzname") \
  X(TDBEdit, DBEditKasAdrKurzName, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "KurzName") \
  X(TLabel, LabelKasAdrName1, PanelKasAdresse, .caption = "Name") \
  X(TDBEdit, DBEditKasAdrName1, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "Name1") \
  X(TLabel, LabelKasAdrName2, PanelKasAdresse, .caption = "Name 2") \
  X(TDBEdit, DBEditKasAdrName2, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "Name2") \
  X(TLabel, LabelKasAdrName3, PanelKasAdresse, .caption = "Name 3") \
  X(TDBEdit, DBEditKasAdrName3, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "Name3") \
  X(TLabel, LabelKasAdrStrasse, PanelKasAdresse, .caption = "Straße") \
  X(TDBEdit, DBEditKasAdrStrasse, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "Strasse") \
  X(TLabel, LabelKasAdrPlz, PanelKasAdresse, .caption = "PLZ") \
  X(TDBEdit, DBEditKasAdrPlz, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "Plz") \
  X(TLabel, LabelKasAdrOrt, PanelKasAdresse, .caption = "Ort") \
  X(TDBEdit, DBEditKasAdrOrt, PanelKasAdresse, .dataSource = DataSourceKasAdrAnn, .field = "Ort")
// One office of page 9: a row panel with its label, the office's IK and its short name.
#define RIVIZA1_KAS_STELLE(X, suffix, label, ikEdit, ikField, kurzEdit, kurzField) \
  X(TPanel, PanelKas##suffix, PanelKasStellen, .row = true) \
  X(TLabel, LabelKas##suffix, PanelKas##suffix, .caption = (label)) \
  X(TDBEdit, ikEdit, PanelKas##suffix, .dataSource = DataSourceKas, .field = (ikField)) \
  X(TDBEdit, kurzEdit, PanelKas##suffix, .dataSource = DataSourceKas, .field = (kurzField))

// The launcher of the service-provider form TFormLe, on page 6 after its slots.
#define RIVIZA1_LE_AUFRUF(X) \
  X(TBitBtn, BitBtnLe, TabSheet8, .caption = "Leistung&serbringer")

// Page 10: the one-shot tools, year merge and delete, exports, statistics and backups.
#define RIVIZA1_TAB_DATENPFLEGE(X) \
  X(TTabSheet, TabSheet5, PageControl1, .caption = "Da&tenpflege", .columns = 2) \
  X(TGroupBox, GroupBoxZusammenfuehren, TabSheet5, .caption = "Bewegungsdaten zusammenführen") \
  X(TLabel, LabelVonJahr, GroupBoxZusammenfuehren, .caption = "von Jahr") \
  X(TEdit, EditVonJahr, GroupBoxZusammenfuehren, .maxLength = 4) \
  X(TLabel, LabelNachJahr, GroupBoxZusammenfuehren, .caption = "nach Jahr") \
  X(TEdit, EditNachJahr, GroupBoxZusammenfuehren, .maxLength = 4) \
  X(TLabel, LabelFuerMonat, GroupBoxZusammenfuehren, .caption = "für Monat") \
  X(TEdit, EditFuerMonat, GroupBoxZusammenfuehren, .maxLength = 2) \
  X(TGroupBox, GroupBoxBewegungenLoeschen, TabSheet5, .caption = "Bewegungen für Jahr löschen") \
  X(TLabel, LabelLoeschenFuerJahr, GroupBoxBewegungenLoeschen, .caption = "für Jahr") \
  X(TEdit, EditLoeschenFuerJahr, GroupBoxBewegungenLoeschen, .maxLength = 4) \
  X(TGroupBox, GroupBoxPatienten, TabSheet5, .caption = "Patienten") \
  X(TLabel, LabelMonat, GroupBoxPatienten, .caption = "Monat wählen") \
  X(TDateTimePicker, DateTimePicker1, GroupBoxPatienten) \
  X(TLabel, LabelGueltigBis, GroupBoxPatienten, .caption = "Karte gültig bis vor") \
  X(TEdit, EditGueltigBis, GroupBoxPatienten, .readOnly = true) \
  X(TPanel, PanelPatienten, GroupBoxPatienten, .row = true) \
  X(TBitBtn, BitBtnPatientenExp, PanelPatienten, .caption = "Export nach E&xcel") \
  X(TBitBtn, BitBtnKosttr, PanelPatienten, .caption = "Export Kostenträger", .visible = false) \
  X(TGroupBox, GroupBoxStatistik, TabSheet5, .caption = "Statistik") \
  X(TPanel, PanelStatistik, GroupBoxStatistik, .row = true) \
  X(TBitBtn, BitBtnStat01, PanelStatistik, .caption = "Stat01") \
  X(TBitBtn, BitBtn6, PanelStatistik, .caption = "Stat02", .visible = false) \
  X(TBitBtn, BitBtnListboxstat01, PanelStatistik, .caption = "An&sicht") \
  X(TLabel, LabelStat01, PanelStatistik, .visible = false) \
  X(TListBox, ListBoxStat01, GroupBoxStatistik) \
  X(TGroupBox, GroupBoxDatensicherung, TabSheet5, .caption = "Datensicherung") \
  X(TLabel, LabelZiel, GroupBoxDatensicherung, .caption = "Ziel") \
  X(TEdit, EditZiel, GroupBoxDatensicherung, .readOnly = true) \
  X(TSpeedButton, SpeedButton1, GroupBoxDatensicherung, .caption = "...") \
  X(TLabel, LabelKuerzel, GroupBoxDatensicherung, .caption = "Kürzel") \
  X(TEdit, EditKuerzel, GroupBoxDatensicherung, .maxLength = 2) \
  X(TLabel, LabelSicherung, GroupBoxDatensicherung, .caption = "Letzte Datensicherung: ") \
  X(TBitBtn, BitBtn5, GroupBoxDatensicherung, .caption = "Start") \
  X(TBitBtn, BitBtnDatensicherung, GroupBoxDatensicherung, .caption = "Datensicherung da&kota") \
  X(TGroupBox, GroupBoxAbrProtokolle, TabSheet5, .caption = "Protokolle der Abrechnung", .row = true) \
  X(TBitBtn, BitBtnProtokoll, GroupBoxAbrProtokolle, .caption = "Lo&gdatei") \
  X(TBitBtn, BitBtn2, GroupBoxAbrProtokolle, .caption = "&Fehlerdatei") \
  X(TButton, ButtonGusTifDateien, TabSheet5, .caption = "GUS TIF-Dateien", .visible = false) \
  RIVIZA1_DATENPFLEGE_WERKZEUGE(X)
// The one-shot tools of page 10: the START buttons of the merge and the deletion, the service
// list with its imports and the PZN widening, the billing-export clean-up, and the doctor numbers
// in a group the design never shows; the TIFF copies list their folder in a hidden file list.
#define RIVIZA1_DATENPFLEGE_WERKZEUGE(X) \
  X(TBitBtn, BitBtnVonJahrNachJahr, GroupBoxZusammenfuehren, .caption = "START") \
  X(TBitBtn, BitBtnBewegungenFuerJahrLoeschen, GroupBoxBewegungenLoeschen, .caption = "START") \
  X(TGroupBox, GroupBoxLeistungen, TabSheet5, .caption = "Leistungen", .row = true) \
  X(TBitBtn, BitBtnImpLeistungen, GroupBoxLeistungen, .caption = "<Import>\\ArtImp.xls") \
  X(TBitBtn, BitBtnArtImpCsv, GroupBoxLeistungen, .caption = "<Import>\\ArtImp.csv") \
  X(TBitBtn, BitBtnPZN8, GroupBoxLeistungen, .caption = "PZN8") \
  X(TGroupBox, GroupBoxAbrDat, TabSheet5, .caption = "Abrechnungsdatei", .row = true) \
  X(TBitBtn, BitBtnBereinigenAbrDat, GroupBoxAbrDat, .caption = "Bereinigen ABR.DAT") \
  X(TGroupBox, GroupBoxAerzte, TabSheet5, .caption = "Ärzte", .visible = false) \
  X(TButton, ButtonArztNrInBerstNr, GroupBoxAerzte, .caption = "Arzt-Nr. in Bertriebsstätten-Nr.") \
  X(TLabel, LabelUmsetzungBeendet, GroupBoxAerzte, .visible = false) \
  X(TFileListBox, FileListBoxGusTifDateien, TabSheet5, .visible = false)

// The census's cursor over Stat01.DB and Firma.DB (the other work cursors are the form's own).
#define RIVIZA1_STATISTIK_TABELLEN(X) \
  X(TTable, TableFirma, nullptr)

// The export component of the table exports and the census (non-visual).
#define RIVIZA1_EXCEL(X) \
  X(TExcelExport, ExcelExport1, nullptr)

// The form: the page control with its pages in page order, the button and status row (the
// waiting label and its count after the buttons, so that a long run does not push them aside),
// and the components without a place on screen.
#define RIVIZA1_COMPONENTS(X) \
  X(TPageControl, PageControl1, this) \
  RIVIZA1_TAB_EINSTELLUNGEN(X) \
  RIVIZA1_EINSTELLUNGEN_DIALOGE(X) \
  RIVIZA1_TAB_OPTIONEN(X) \
  RIVIZA1_TAB_FIRMA(X) \
  RIVIZA1_TAB_ANMELDUNG(X) \
  RIVIZA1_TAB_REORGANISATION(X) \
  RIVIZA1_TAB_UPDATE(X) \
  RIVIZA1_UPDATE_NICHTSICHTBAR(X) \
  RIVIZA1_UPDATE_FTP(X) \
  RIVIZA1_KOSTTR_TABELLEN(X) \
  RIVIZA1_TAB_ABRECHNUNGSSTELLE(X) \
  RIVIZA1_TAB_ANNAHMESTELLEN(X) \
  RIVIZA1_TAB_DLZ(X) \
  RIVIZA1_TAB_KASSEN(X) \
  RIVIZA1_LE_AUFRUF(X) \
  RIVIZA1_TAB_DATENPFLEGE(X) \
  RIVIZA1_STATISTIK_TABELLEN(X) \
  RIVIZA1_EXCEL(X) \
  X(TPanel, PanelUnten, this, .row = true) \
  X(TBitBtn, BitBtn1, PanelUnten, .caption = "Be&nutzereintrag löschen") \
  X(TBitBtn, BitBtnSpeichern, PanelUnten, .caption = "&Speichern") \
  X(TBitBtn, BitBtnBeenden, PanelUnten, .caption = "&Beenden") \
  X(TLabel, LabelWarten, PanelUnten, .caption = "Verarbeitung läuft ...", .visible = false) \
  X(TLabel, LabelDbSatz, PanelUnten, .visible = false) \
  X(TTimer, Timer1, nullptr, .enabled = true, .interval = 1) \
  X(TTable, Table1, nullptr) \
  X(TTable, Table2, nullptr) \
  X(TTable, TableAlt, nullptr) \
  X(TTable, TableNeu, nullptr)

// Handlers, X(component, event, handler); each is declared with its event's signature. One
// list per page (and one for the shell), so that the subsystems add their handlers apart.
#define RIVIZA1_HANDLERS_SHELL(X) \
  X(Timer1, OnTimer, Timer1Timer) \
  X(BitBtnSpeichern, OnClick, BitBtnSpeichernClick) \
  X(BitBtnBeenden, OnClick, BitBtnBeendenClick) \
  X(BitBtn1, OnClick, BitBtn1Click)

// RadioGroupMailClientClick hands the click on to RadioGroupFachanwendungClick: one handler
// serves both groups, and a list line declares its handler.
#define RIVIZA1_HANDLERS_EINSTELLUNGEN(X) \
  X(ComboBoxAktuellesJahr, OnChange, ComboBoxAktuellesJahrChange) \
  X(SpeedButtonBw, OnClick, SpeedButtonBwClick) \
  X(ButtonNeuesJahrAnlegen, OnClick, ButtonNeuesJahrAnlegenClick) \
  X(RadioGroupFachanwendung, OnClick, RadioGroupFachanwendungClick) \
  X(RadioGroupMailClient, OnClick, RadioGroupMailClientClick) \
  X(SpeedButtonFachAnw, OnClick, SpeedButtonFachAnwClick) \
  X(SpeedButtonImport, OnClick, SpeedButtonImportClick) \
  X(SpeedButtonExport, OnClick, SpeedButtonExportClick) \
  X(SpeedButtonFiff, OnClick, SpeedButtonFiffClick)

#define RIVIZA1_HANDLERS_OPTIONEN(X)

#define RIVIZA1_HANDLERS_FIRMA(X) \
  X(Button256, OnClick, Button256Click) \
  X(BitBtnLoeschZuzBefreiung, OnClick, BitBtnLoeschZuzBefreiungClick) \
  X(ButtonMwst, OnClick, ButtonMwstClick)

#define RIVIZA1_HANDLERS_REORGANISATION(X) \
  X(BitBtnReorg, OnClick, BitBtnReorgClick) \
  X(BitBtnFehler, OnClick, BitBtnFehlerClick)

#define RIVIZA1_HANDLERS_UPDATE(X) \
  X(BitBtnLiveUpdate, OnClick, BitBtnLiveUpdateClick) \
  X(BitBtnKost, OnClick, BitBtnKostClick) \
  X(BitBtnStart, OnClick, BitBtnStartClick) \
  X(TabSheet7, OnExit, TabSheet7Exit) \
  X(HttpDownloadFileTxt, OnDoneFile, HttpDownloadFileTxtDoneFile) \
  X(HttpDownloadKostTxt, OnDoneFile, HttpDownloadKostTxtDoneFile) \
  X(HttpDownloadFileZip, OnDoneFile, HttpDownloadFileZipDoneFile) \
  X(HttpDownloadKostZip, OnDoneFile, HttpDownloadKostZipDoneFile) \
  X(HttpDownloadFileTxt, OnError, HttpDownloadFileTxtError) \
  X(HttpDownloadFileZip, OnError, HttpDownloadFileZipError) \
  X(HttpDownloadKostTxt, OnError, HttpDownloadKostTxtError) \
  X(HttpDownloadKostZip, OnError, HttpDownloadKostZipError) \
  X(HttpDownloadFileTxt, OnProgress, HttpDownloadFileTxtProgress) \
  X(HttpDownloadFileZip, OnProgress, HttpDownloadFileZipProgress) \
  X(HttpDownloadKostTxt, OnProgress, HttpDownloadKostTxtProgress) \
  X(HttpDownloadKostZip, OnProgress, HttpDownloadKostZipProgress)

#define RIVIZA1_HANDLERS_UPDATE_TABELLEN(X) \
  X(BitBtnTabelleKostentraeger, OnClick, BitBtnTabelleKostentraegerClick) \
  X(BitBtnKassen, OnClick, BitBtnKassenClick) \
  X(BitBtnImpKosttr, OnClick, BitBtnImpKosttrClick)

// The digit filters of the provider and invoice numbers, one per edit.
#define RIVIZA1_HANDLERS_ABRECHNUNGSSTELLE(X) \
  RIVIZA1_LE_SLOT_HANDLERS(X, 1) RIVIZA1_LE_SLOT_HANDLERS(X, 2) RIVIZA1_LE_SLOT_HANDLERS(X, 3) \
  RIVIZA1_LE_SLOT_HANDLERS(X, 4) RIVIZA1_LE_SLOT_HANDLERS(X, 5)
#define RIVIZA1_LE_SLOT_HANDLERS(X, i) \
  X(EditLe##i, OnKeyPress, EditLe##i##KeyPress) \
  X(EditReNr##i, OnKeyPress, EditReNr##i##KeyPress)

// Page 7's own handlers; its repeated field handlers (the IK edits, colours, Return chain,
// digit filters, picker buttons) are bound from descriptor tables when the page shows.
#define RIVIZA1_HANDLERS_ANNAHMESTELLEN(X) \
  X(TabSheet9, OnShow, TabSheet9Show) \
  X(TabSheet9, OnExit, TabSheet9Exit) \
  X(EditAnnSuchen, OnChange, EditAnnSuchenChange) \
  X(BitBtnAnnNeu, OnClick, BitBtnAnnNeuClick) \
  X(BitBtnAnnAendern, OnClick, BitBtnAnnAendernClick) \
  X(BitBtnAnnLoeschen, OnClick, BitBtnAnnLoeschenClick) \
  X(BitBtnAnnSpeichern, OnClick, BitBtnAnnSpeichernClick) \
  X(BitBtnAnnAdressenSpeichern, OnClick, BitBtnAnnAdressenSpeichernClick) \
  X(BitBtnAnnAdressen, OnClick, BitBtnAnnAdressenClick) \
  X(PanelAnn, OnEnter, PanelAnnEnter) \
  X(PanelAnn, OnExit, PanelAnnExit)

// Page 8's handlers; the Enter, Exit and KeyDown handlers of DBEdit28 to DBEdit35 are rows of
// one Return chain, bound when the page shows.
#define RIVIZA1_HANDLERS_DLZ(X) \
  X(TabSheet10, OnShow, TabSheet10Show) \
  X(EditSuchenAdrDlz, OnChange, EditSuchenAdrDlzChange) \
  X(EditSuchenAdrDlz, OnEnter, EditSuchenAdrDlzEnter) \
  X(EditSuchenAdrDlz, OnExit, EditSuchenAdrDlzExit) \
  X(BitBtnNeuAdrDlz, OnClick, BitBtnNeuAdrDlzClick) \
  X(BitBtnAendernAdrDlz, OnClick, BitBtnAendernAdrDlzClick) \
  X(BitBtnLoeschenAdrDlz, OnClick, BitBtnLoeschenAdrDlzClick) \
  X(BitBtnSpeichernAdrDlz, OnClick, BitBtnSpeichernAdrDlzClick) \
  X(GroupBoxDlz, OnEnter, GroupBoxDlzEnter) \
  X(GroupBoxDlz, OnExit, GroupBoxDlzExit) \
  X(DBGridAdrDlz, OnEnter, DBGridAdrDlzEnter) \
  X(DBGridAdrDlz, OnDrawColumnCell, DBGridAdrDlzDrawColumnCell)

#define RIVIZA1_HANDLERS_KASSEN(X) \
  X(TabSheet11, OnShow, TabSheet11Show) \
  X(TabSheet11, OnExit, TabSheet11Exit) \
  X(EditKas302Suchen, OnChange, EditKas302SuchenChange) \
  X(EditKas302Suchen, OnEnter, EditKas302SuchenEnter) \
  X(EditKas302Suchen, OnExit, EditKas302SuchenExit) \
  X(DBEdit44, OnChange, DBEdit44Change)

#define RIVIZA1_HANDLERS_LE_AUFRUF(X) \
  X(BitBtnLe, OnClick, BitBtnLeClick)

#define RIVIZA1_HANDLERS_DATENPFLEGE(X) \
  X(SpeedButton1, OnClick, SpeedButton1Click) \
  X(BitBtn5, OnClick, BitBtn5Click) \
  X(BitBtnDatensicherung, OnClick, BitBtnDatensicherungClick) \
  X(BitBtnProtokoll, OnClick, BitBtnProtokollClick) \
  X(BitBtn2, OnClick, BitBtn2Click) \
  X(DateTimePicker1, OnChange, DateTimePicker1Change) \
  X(BitBtnPatientenExp, OnClick, BitBtnPatientenExpClick) \
  X(BitBtnKosttr, OnClick, BitBtnKosttrClick) \
  X(BitBtnStat01, OnClick, BitBtnStat01Click) \
  X(BitBtn6, OnClick, BitBtn6Click) \
  X(BitBtnListboxstat01, OnClick, BitBtnListboxstat01Click) \
  RIVIZA1_HANDLERS_DATENPFLEGE_WERKZEUGE(X)
// The date picker of the year change sits on page 0; its handler belongs to the tools.
#define RIVIZA1_HANDLERS_DATENPFLEGE_WERKZEUGE(X) \
  X(BitBtnImpLeistungen, OnClick, BitBtnImpLeistungenClick) \
  X(BitBtnArtImpCsv, OnClick, BitBtnArtImpCsvClick) \
  X(BitBtnBereinigenAbrDat, OnClick, BitBtnBereinigenAbrDatClick) \
  X(BitBtnVonJahrNachJahr, OnClick, BitBtnVonJahrNachJahrClick) \
  X(BitBtnBewegungenFuerJahrLoeschen, OnClick, BitBtnBewegungenFuerJahrLoeschenClick) \
  X(BitBtnPZN8, OnClick, BitBtnPZN8Click) \
  X(ButtonArztNrInBerstNr, OnClick, ButtonArztNrInBerstNrClick) \
  X(ButtonGusTifDateien, OnClick, ButtonGusTifDateienClick) \
  X(DateTimePicker2, OnChange, DateTimePicker2Change)

#define RIVIZA1_HANDLERS(X) \
  RIVIZA1_HANDLERS_SHELL(X) \
  RIVIZA1_HANDLERS_EINSTELLUNGEN(X) \
  RIVIZA1_HANDLERS_OPTIONEN(X) \
  RIVIZA1_HANDLERS_FIRMA(X) \
  RIVIZA1_HANDLERS_REORGANISATION(X) \
  RIVIZA1_HANDLERS_UPDATE(X) \
  RIVIZA1_HANDLERS_UPDATE_TABELLEN(X) \
  RIVIZA1_HANDLERS_ABRECHNUNGSSTELLE(X) \
  RIVIZA1_HANDLERS_ANNAHMESTELLEN(X) \
  RIVIZA1_HANDLERS_DLZ(X) \
  RIVIZA1_HANDLERS_KASSEN(X) \
  RIVIZA1_HANDLERS_LE_AUFRUF(X) \
  RIVIZA1_HANDLERS_DATENPFLEGE(X)

// clang-format on
