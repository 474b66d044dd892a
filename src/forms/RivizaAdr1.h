// TFormAdressen, the address picker of unit RivizaAdr1 (form library, master-data editing).
//
// It lists and edits the acceptance-office addresses of the year's AdrAnn.DB through a cursor of
// its own (TableAdressen, opened each time the form shows, closed when it closes), so that
// neither the acceptance-office tab nor the picker moves, filters or cancels what the other
// shows or edits. Created once at start after the main form, hidden until a picker button of
// the acceptance-office tab shows it, modeless. The button writes its selector code into the
// tab's hidden EditAuswahl first; when the picker closes (Return in the search edit or the grid,
// "&Beenden", the window's close), it writes the Ik of the current address into the Ann.DB
// field of that code and focuses the field's edit; Esc sets the code "x" and closes without a
// pick. The handlers are defined in RivizaAdr1.cpp beside this header.
//
// A pick is written only into the office record the picker was opened for (AuswahlBeginnen),
// while the tab still edits it, and only when an address is current; otherwise nothing is
// written, and a pick for an office no longer edited is told. The picker's own records are
// stored with an Ik of 9 characters not yet in the table. An entry of "&Neu" or "Än&dern" ends
// when it is saved or when the focus leaves the panel (a click on the grid, the search, the
// navigator or a button, the form closing): then a changed entry that passes that check is
// stored, one that does not is cancelled and the user told why, and an untouched one is
// cancelled; no move or filter change ever posts it. An entry refused that way is no pick
// either when the form closes before the user chose another address: the user was looking at
// the entry.
//
//   browse --"&Neu" (insert) / "Än&dern" (current record; not on an empty list)--> edit
//   edit   --"S&peichern" stored, or the focus leaving PanelAdressen (stored or cancelled)--> browse
//   edit   --"S&peichern" refused (told)--> edit
// Browse state: PanelAdressen and "S&peichern" disabled; edit state: both enabled.
#pragma once

#include <optional>
#include <string_view>

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
  X(TTable, TableAdressen, nullptr) \
  X(TDataSource, DataSourceAdressen, nullptr, .dataSet = TableAdressen) \
  X(TLabel, LabelSuchenAdressen, this, .caption = "Suchen") \
  X(TEdit, EditSuchenAdressen, this) \
  X(TDBGrid, DBGridAdressen, this, .readOnly = true, .dataSource = DataSourceAdressen, \
    .fields = {"Ik", "Name", "Name2", "Strasse", "Plz", "Ort"}) \
  X(TPanel, PanelAdressen, this, .enabled = false) \
  X(TLabel, LabelIkAnnahmest, PanelAdressen, .caption = "IK Annahmest.") \
  X(TDBEdit, DBEdit6, PanelAdressen, .dataSource = DataSourceAdressen, .field = "Ik") \
  X(TLabel, LabelIk, PanelAdressen, .caption = "IK") \
  X(TDBEdit, DBEdit7, PanelAdressen, .dataSource = DataSourceAdressen, .field = "IkTatsaechlich") \
  X(TLabel, LabelIkHinweis, PanelAdressen, .caption = "<IK Annahmest.> = 99... nur für RE u. VO") \
  X(TLabel, LabelName, PanelAdressen, .caption = "Name") \
  X(TDBEdit, DBEdit1, PanelAdressen, .dataSource = DataSourceAdressen, .field = "Name") \
  X(TLabel, LabelName2, PanelAdressen, .caption = "Name 2") \
  X(TDBEdit, DBEdit2, PanelAdressen, .dataSource = DataSourceAdressen, .field = "Name2") \
  X(TLabel, LabelStrasse, PanelAdressen, .caption = "Straße") \
  X(TDBEdit, DBEdit3, PanelAdressen, .dataSource = DataSourceAdressen, .field = "Strasse") \
  X(TLabel, LabelPlz, PanelAdressen, .caption = "PLZ") \
  X(TDBEdit, DBEdit4, PanelAdressen, .dataSource = DataSourceAdressen, .field = "Plz") \
  X(TLabel, LabelOrt, PanelAdressen, .caption = "Ort") \
  X(TDBEdit, DBEdit5, PanelAdressen, .dataSource = DataSourceAdressen, .field = "Ort") \
  X(TBitBtn, BitBtnAdrSpeichern, PanelAdressen, .caption = "S&peichern", .enabled = false) \
  X(TPanel, PanelAdrKnoepfe, this, .row = true) \
  X(TBitBtn, BitBtnAdressenNeu, PanelAdrKnoepfe, .caption = "&Neu") \
  X(TBitBtn, BitBtnAdrAendern, PanelAdrKnoepfe, .caption = "Än&dern") \
  X(TBitBtn, BitBtnAdrLoeschen, PanelAdrKnoepfe, .caption = "Lös&chen") \
  X(TDBNavigator, DBNavigatorAdr, PanelAdrKnoepfe, .dataSource = DataSourceAdressen) \
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
  // The picker's own save rule; tells the user why (followed by `danach`) and answers false when
  // the entry cannot be stored.
  bool adresseSpeicherbar(std::string_view danach = {});
  // Ends an entry of "&Neu" or "Än&dern" still pending: stored when changed and storable,
  // cancelled otherwise (a changed one with a word to the user, and remembered as refused).
  void eintragBeenden();
  // Since the last entry was refused the cursor has not moved: what closing would pick is not
  // what the user chose.
  bool verworfenUnbewegt() const;

  AuswahlWache wache_;
  bool eintragOffen_ = false;  // from "&Neu" or "Än&dern" until the entry is stored or dropped
  bool verworfen_ = false;     // an entry was refused, and the cursor stood then on ...
  std::optional<db::Bookmark> verworfenAuf_;  // ... this record
  GlobalFormRef<TFormAdressen> global_{FormAdressen, this};
};

}  // namespace riviza
