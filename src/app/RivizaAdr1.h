// TFormAdressen, the address picker of unit RivizaAdr1 (form library, master-data editing).
//
// It lists and edits the acceptance-office addresses through the main form's own TableAdrAnn
// and DataSourceAdrAnn, so the main form must exist first (the program entry creates it first).
// Created once at start, hidden until a picker button shows it.
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
#define RIVIZAADR1_COMPONENTS(X) \
  X(TLabel, LabelSuchenAdressen, this, .caption = "Suchen") \
  X(TEdit, EditSuchenAdressen, this) \
  X(TDBGrid, DBGridAdressen, this, .readOnly = true, .dataSource = DataSourceAdrAnn, \
    .fields = {"Ik", "Name", "Name2", "Strasse", "Plz", "Ort"}) \
  X(TPanel, PanelAdressen, this, .enabled = false) \
  X(TLabel, LabelIkAnnahmest, PanelAdressen, .caption = "IK Annahmest.") \
  X(TDBEdit, DBEdit6, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "Ik") \
  X(TLabel, LabelIk, PanelAdressen, .caption = "IK") \
  X(TDBEdit, DBEdit7, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "IkTatsaechlich") \
  X(TLabel, LabelIkHinweis, PanelAdressen, .caption = "<IK Annahmest.> = 99... nur für RE u. VO") \
  X(TLabel, LabelName, PanelAdressen, .caption = "Name") \
  X(TDBEdit, DBEdit1, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "Name") \
  X(TLabel, LabelName2, PanelAdressen, .caption = "Name 2") \
  X(TDBEdit, DBEdit2, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "Name2") \
  X(TLabel, LabelStrasse, PanelAdressen, .caption = "Straße") \
  X(TDBEdit, DBEdit3, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "Strasse") \
  X(TLabel, LabelPlz, PanelAdressen, .caption = "PLZ") \
  X(TDBEdit, DBEdit4, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "Plz") \
  X(TLabel, LabelOrt, PanelAdressen, .caption = "Ort") \
  X(TDBEdit, DBEdit5, PanelAdressen, .dataSource = DataSourceAdrAnn, .field = "Ort") \
  X(TBitBtn, BitBtnAdrSpeichern, PanelAdressen, .caption = "S&peichern", .enabled = false) \
  X(TPanel, PanelAdrKnoepfe, this, .row = true) \
  X(TBitBtn, BitBtnAdressenNeu, PanelAdrKnoepfe, .caption = "&Neu") \
  X(TBitBtn, BitBtnAdrAendern, PanelAdrKnoepfe, .caption = "Än&dern") \
  X(TBitBtn, BitBtnAdrLoeschen, PanelAdrKnoepfe, .caption = "Lös&chen") \
  X(TDBNavigator, DBNavigatorAdr, PanelAdrKnoepfe, .dataSource = DataSourceAdrAnn) \
  X(TBitBtn, BitBtnAdrBeenden, PanelAdrKnoepfe, .caption = "&Beenden")

#define RIVIZAADR1_HANDLERS(X)
// clang-format on

class TFormAdressen;
extern TFormAdressen* FormAdressen;

class TFormAdressen : public TForm {
 public:
  TFormAdressen();

  // The main form's address source (not owned).
  TDataSource* const DataSourceAdrAnn;
  RIVIZAADR1_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
  RIVIZAADR1_HANDLERS(RIVIZA_DECLARE_HANDLER)

 private:
  GlobalFormRef<TFormAdressen> global_{FormAdressen, this};
};

}  // namespace riviza
