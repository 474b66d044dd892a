// TFormAdressen, the address picker of unit RivizaAdr1 (form library, master-data editing).
//
// It lists and edits the acceptance-office addresses through the main form's own TableAdrAnn
// and DataSourceAdrAnn, so the main form must exist first (the program entry creates it first).
// Created once at start, hidden until a picker button of the acceptance-office tab shows it,
// modeless. The button writes its selector code into the tab's hidden EditAuswahl first; when
// the picker closes (Return in the search edit or the grid, "&Beenden", the window's close),
// it writes the Ik of the current address into the Ann.DB field of that code and focuses the
// field's edit; Esc sets the code "x" and closes without a pick. The handlers are defined in
// src/masterdata/RivizaAdr1.cpp.
//
// A pick is written only into the office record the picker was opened for (AuswahlBeginnen),
// while the tab still edits it, and only when an address is current; otherwise nothing is
// written, and a pick for an office no longer edited is told. The picker's own records are
// stored with an Ik of 9 characters not yet in the table; a pending entry is stored on closing
// when it was changed and passes that check, and cancelled otherwise (a changed entry refused
// then means no pick either: the user was looking at it).
//
// Browse state: PanelAdressen and "S&peichern" disabled; "&Neu" or "Än&dern" enable both
// until the record is saved or the focus leaves the panel.
#pragma once

#include <optional>

#include "db/TTable.h"
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

#define RIVIZAADR1_HANDLERS(X) \
  X(EditSuchenAdressen, OnChange, EditSuchenAdressenChange) \
  X(EditSuchenAdressen, OnKeyDown, EditSuchenAdressenKeyDown) \
  X(DBGridAdressen, OnKeyDown, DBGridAdressenKeyDown) \
  X(BitBtnAdressenNeu, OnClick, BitBtnAdressenNeuClick) \
  X(BitBtnAdrAendern, OnClick, BitBtnAdrAendernClick) \
  X(BitBtnAdrSpeichern, OnClick, BitBtnAdrSpeichernClick) \
  X(BitBtnAdrLoeschen, OnClick, BitBtnAdrLoeschenClick) \
  X(BitBtnAdrBeenden, OnClick, BitBtnAdrBeendenClick) \
  X(PanelAdressen, OnExit, PanelAdressenExit)
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

  void FormShow(TComponent& Sender);
  void FormClose(TComponent& Sender, TCloseAction& Action);

  // From now on a pick goes into the record the settings form's TableAnn stands on (or is
  // inserting); the tab calls it before it shows the picker.
  void AuswahlBeginnen();

 private:
  // Watches the office table from AuswahlBeginnen on: the pick stays valid while the table is
  // open and on that record, or still inserting the new record it was inserting then.
  class AuswahlWache : public db::TableObserver {
   public:
    AuswahlWache() = default;
    ~AuswahlWache() override { loesen(); }
    AuswahlWache(const AuswahlWache&) = delete;
    AuswahlWache& operator=(const AuswahlWache&) = delete;
    void beginnen(db::TTable& table);
    bool gueltig() const;

   private:
    void tableStateChanged(db::TTable& table) override;
    void tableDestroyed(db::TTable&) override;
    void loesen();
    db::TTable* table_ = nullptr;
    bool neu_ = false;
    std::optional<db::Bookmark> satz_;
    bool verlassen_ = true;
  };

  // Key Esc or Return in the search edit or the grid.
  void auswahlTaste(std::uint16_t key);
  // The picker's own save rule; tells the user and answers false when the entry cannot be stored.
  bool adresseSpeicherbar();
  // Ends an entry of "&Neu" or "Än&dern" still pending: stored when changed and storable,
  // cancelled otherwise. False when a changed entry had to be cancelled.
  bool offeneAdresseAbschliessen();

  AuswahlWache wache_;
  bool eintragOffen_ = false;  // from "&Neu" or "Än&dern" until the entry is stored or dropped
  GlobalFormRef<TFormAdressen> global_{FormAdressen, this};
};

}  // namespace riviza
