// TFormLe, the service-provider form of unit DiviveveLe1 (form library, master-data editing).
//
// It maintains Le.DB through its own TableLe; created once at start and shown modeless by the
// main form's "Leistung&serbringer" button.
#pragma once

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

#define DIVIVEVELE1_HANDLERS(X)
// clang-format on

class TFormLe;
extern TFormLe* FormLe;

class TFormLe : public TForm {
 public:
  TFormLe();

  DIVIVEVELE1_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
  DIVIVEVELE1_HANDLERS(RIVIZA_DECLARE_HANDLER)

 private:
  GlobalFormRef<TFormLe> global_{FormLe, this};
};

}  // namespace riviza
