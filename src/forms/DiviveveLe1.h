// TFormLe, the service-provider form of unit DiviveveLe1 (form library, master-data editing).
//
// It maintains Le.DB, the service providers on whose behalf invoices are written, through its
// own TableLe. Created once at start, hidden until the settings form's "Leistung&serbringer"
// (BitBtnLeClick) shows it, modeless. The launcher checks the Le.db of the settings form's year
// and hands that folder to the form (LeOeffnen), which opens exactly that table; a form shown
// otherwise finds its year itself from the program folder's Abrechng.ini (LeOrdnerFinden). The
// handlers are defined in DiviveveLe1.cpp beside this header.
//
// The table is opened once each time the form is shown; an activation reopens it only when the
// folder the form should work on has changed and no entry is pending, so that coming back to
// the window never drops, stores or moves what is on screen (a delete question's box closing
// activates the form, too). Closing stores a pending entry only when a field was changed, and
// keeps the form open when that fails.
//
// States:
//   browse --"&Neu" (insert) / "Än&dern" (current record; not on an empty table)--> edit
//   edit   --"S&peichern" (stored), or the focus leaving PanelLe (entry cancelled)--> browse
// Browse: PanelLe and "S&peichern" disabled, the record buttons and the navigator enabled; edit
// the other way round. Without an open table the record buttons do nothing.
#pragma once

#include <string>

#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/data.h"
#include "ui/db_controls.h"
#include "ui/design.h"
#include "ui/form.h"

namespace riviza {

using namespace riviza::ui;

// clang-format off
#define DIVIVEVELE1_COMPONENTS(X) \
  X(TTable, TableLe, nullptr) \
  X(TDataSource, DataSourceLe, nullptr, .dataSet = TableLe) \
  X(TLabel, LabelSuchenLe, this, .caption = "Suchen") \
  X(TEdit, EditSuchenLe, this) \
  X(TDBGrid, DBGridLe, this, .readOnly = true, .dataSource = DataSourceLe, \
    .fields = {"Nummer", "Suchen", "Name", "Name2", "Strasse", "PlzOrt", "SteuerNummer", "NettoTage", \
               "SkontoTage", "SkontoProzent", "Bank", "KontoNummer", "Blz"}) \
  X(TPanel, PanelLeKnoepfe, this, .row = true) \
  X(TBitBtn, BitBtnLeNeu, PanelLeKnoepfe, .caption = "&Neu") \
  X(TBitBtn, BitBtnLeAendern, PanelLeKnoepfe, .caption = "Än&dern") \
  X(TBitBtn, BitBtnLeLoeschen, PanelLeKnoepfe, .caption = "Lös&chen") \
  X(TDBNavigator, DBNavigatorLe, PanelLeKnoepfe, .dataSource = DataSourceLe) \
  X(TPanel, PanelLe, this, .enabled = false, .columns = 2) \
  X(TLabel, LabelNummer, PanelLe, .caption = "Ik") \
  X(TDBEdit, DBEdit1, PanelLe, .dataSource = DataSourceLe, .field = "Nummer") \
  X(TLabel, LabelSuchen, PanelLe, .caption = "Suchen") \
  X(TDBEdit, DBEdit13, PanelLe, .dataSource = DataSourceLe, .field = "Suchen") \
  X(TLabel, LabelName, PanelLe, .caption = "Name") \
  X(TDBEdit, DBEdit2, PanelLe, .dataSource = DataSourceLe, .field = "Name") \
  X(TLabel, LabelName2, PanelLe, .caption = "Name 2") \
  X(TDBEdit, DBEdit3, PanelLe, .dataSource = DataSourceLe, .field = "Name2") \
  X(TLabel, LabelStrasse, PanelLe, .caption = "Straße") \
  X(TDBEdit, DBEdit4, PanelLe, .dataSource = DataSourceLe, .field = "Strasse") \
  X(TLabel, LabelPlzOrt, PanelLe, .caption = "Plz / Ort") \
  X(TDBEdit, DBEdit5, PanelLe, .dataSource = DataSourceLe, .field = "PlzOrt") \
  X(TLabel, LabelSteuerNummer, PanelLe, .caption = "SteuerNr.") \
  X(TDBEdit, DBEdit6, PanelLe, .dataSource = DataSourceLe, .field = "SteuerNummer") \
  X(TLabel, LabelAbrechnungsCode, PanelLe, .caption = "AC") \
  X(TDBEdit, DBEditLeAbreCode, PanelLe, .dataSource = DataSourceLe, .field = "AbrechnungsCode") \
  X(TGroupBox, GroupBoxBank, PanelLe, .caption = "Bankverbindung") \
  X(TLabel, LabelBank, GroupBoxBank, .caption = "Name") \
  X(TDBEdit, DBEdit7, GroupBoxBank, .dataSource = DataSourceLe, .field = "Bank") \
  X(TLabel, LabelKontoNummer, GroupBoxBank, .caption = "Konto-Nr.") \
  X(TDBEdit, DBEdit8, GroupBoxBank, .dataSource = DataSourceLe, .field = "KontoNummer") \
  X(TLabel, LabelBlz, GroupBoxBank, .caption = "BLZ / Konto") \
  X(TDBEdit, DBEdit9, GroupBoxBank, .dataSource = DataSourceLe, .field = "Blz") \
  X(TLabel, LabelIban, GroupBoxBank, .caption = "IBAN") \
  X(TDBEdit, DBEditIban, GroupBoxBank, .dataSource = DataSourceLe, .field = "IBAN") \
  X(TLabel, LabelBic, GroupBoxBank, .caption = "BIC") \
  X(TDBEdit, DBEditBic, GroupBoxBank, .dataSource = DataSourceLe, .field = "BIC") \
  X(TGroupBox, GroupBoxZahlung, PanelLe, .caption = "Zahlungskonditionen") \
  X(TLabel, LabelNettoTage, GroupBoxZahlung, .caption = "Nettotage") \
  X(TDBEdit, DBEdit10, GroupBoxZahlung, .dataSource = DataSourceLe, .field = "NettoTage") \
  X(TLabel, LabelSkontoTage, GroupBoxZahlung, .caption = "Skonto Tage") \
  X(TDBEdit, DBEdit11, GroupBoxZahlung, .dataSource = DataSourceLe, .field = "SkontoTage") \
  X(TLabel, LabelSkontoProzent, GroupBoxZahlung, .caption = "Skonto %") \
  X(TDBEdit, DBEdit12, GroupBoxZahlung, .dataSource = DataSourceLe, .field = "SkontoProzent") \
  X(TDBCheckBox, DBCheckBoxUstAusweisen, PanelLe, .caption = "UST auf Rechnung ausweisen", \
    .dataSource = DataSourceLe, .field = "UstAusweisen") \
  X(TDBCheckBox, DBCheckBoxUstBefreiung, PanelLe, .caption = "UST Befreiung", .dataSource = DataSourceLe, \
    .field = "UstBefreiung") \
  X(TBitBtn, BitBtnLeSpeichern, PanelLe, .caption = "S&peichern", .enabled = false) \
  X(TEdit, EditGeoeffnetVon, this, .visible = false)

#define DIVIVEVELE1_HANDLERS(X) \
  X(EditSuchenLe, OnChange, EditSuchenLeChange) \
  X(EditSuchenLe, OnEnter, EditSuchenLeEnter) \
  X(EditSuchenLe, OnExit, EditSuchenLeExit) \
  X(EditSuchenLe, OnKeyDown, EditSuchenLeKeyDown) \
  X(DBGridLe, OnKeyDown, DBGridLeKeyDown) \
  X(BitBtnLeNeu, OnClick, BitBtnLeNeuClick) \
  X(BitBtnLeAendern, OnClick, BitBtnLeAendernClick) \
  X(BitBtnLeSpeichern, OnClick, BitBtnLeSpeichernClick) \
  X(BitBtnLeLoeschen, OnClick, BitBtnLeLoeschenClick) \
  X(PanelLe, OnExit, PanelLeExit)
// clang-format on

class TFormLe;
extern TFormLe* FormLe;

class TFormLe : public TForm {
 public:
  TFormLe();

  DIVIVEVELE1_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
  DIVIVEVELE1_HANDLERS(RIVIZA_DECLARE_HANDLER)

  void FormShow(TComponent& Sender);
  void FormActivate(TComponent& Sender);
  void FormClose(TComponent& Sender, TCloseAction& Action);

  // The launcher's folder (the settings form's year Daten folder, whose Le.db it checked): the
  // form works on it from now on.
  void LeOeffnen(std::string datenOrdner);
  // The Daten folder the form works on: the launcher's, or else the one it finds itself.
  std::string LeOrdner() const;
  // The form's own finding: data root and year from the program folder's Abrechng.ini; the
  // year path "Abrechng\" when the year is empty or its folder missing. Without trailing "\".
  static std::string LeOrdnerFinden();

 private:
  // Opens Le.db of LeOrdner() when it exists (true); an open table stays as it is when it does
  // not.
  bool tabelleOeffnen();
  // Return and Esc close the form.
  void schliessenTaste(std::uint16_t key);

  std::string vorgabeOrdner_;  // from the launcher; empty: the form finds its year itself
  std::string geoeffnetIn_;    // the folder tabelleOeffnen last opened, empty when none
  GlobalFormRef<TFormLe> global_{FormLe, this};
};

}  // namespace riviza
