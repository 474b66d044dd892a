// The acceptance-office tab's handlers, its field rows and its browse and edit states (form
// library, master-data editing); see Annahmestellen.h.
#include "forms/Annahmestellen.h"

#include "app/meldungen.h"
#include "costbearer/abr_tools.h"
#include "costbearer/kosttr_dateien.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "forms/form_melder.h"
#include "forms/globals.h"
#include "forms/ik_edits.h"
#include "forms/stammdaten_form.h"
#include "forms/update_tabellen.h"
#include "platform/files.h"
#include "ui/dialogs.h"
#include "ui/edit_family.h"

namespace riviza {
namespace {

using costbearer::Basis;

const SearchRule kAnnSuche{{"Kostentraeger", "NameKostentraeger"}, 10};

TFormEinstellungen& form() { return *FormEinstellungen; }

// Shows the address picker for the field of `code` ("" for none).
void adressenWaehlen(std::string_view code) {
  TFormEinstellungen& f = form();
  f.EditAuswahl->setText(std::string(code));
  if (!platform::fileExists(jahrDatenPfad() + "\\AdrAnn.db") || !FormAdressen) return;
  FormAdressen->AuswahlBeginnen();
  FormAdressen->show();
}

class AnnPanel : public IkEditPanel {
 public:
  bool showAddress(std::string_view ik, std::string_view kind) override {
    AnnAdresseAusKosttr(ik, kind);
    const db::TField* shown = form().DBEdit20->field();
    return shown && shown->asString() == ik;
  }
  void hideAddress() override {
    if (!annAdresseBehalten()) AnnAdresseVerbergen();
  }
  std::string actualIk() const override {
    db::TTable& t = *form().TableAdrAnn;
    const db::TField* f = t.active() ? t.findField("IkTatsaechlich") : nullptr;
    return f ? f->asString() : std::string();
  }
  void pick(const IkEditRow& row) override { adressenWaehlen(row.code); }
};

AnnPanel gAnnPanel;

// §302 prescriptions exist for cost bearers of §302, not for those of §105; a cost bearer of
// neither leaves the group box as it is.
void paragraphZeigen(TFormEinstellungen& f, std::string_view ik) {
  const std::optional<Basis> paragraph = verordnungsParagraph(ik);
  if (!paragraph) return;
  const bool p302 = *paragraph == Basis::S302;
  f.GroupBox9->setCaption(p302 ? "§302" : "§105");
  for (ui::TControl* c :
       std::initializer_list<ui::TControl*>{f.LabelAnn302Ve, f.DBEdit9, f.DBEdit10, f.BitBtn302Ver})
    c->setVisible(p302);
}

// A cost bearer typed into a new record (or over another one's IK) that already has its record
// gets that record offered for editing, instead of a second one that the key would refuse.
void bestehendeAnbieten(TFormEinstellungen& f, const std::string& ik) {
  db::TTable& t = *f.TableAnn;
  if (!isPending(t)) return;
  const std::optional<db::Bookmark> found = findRecord(t, "Kostentraeger", ik);
  if (!found || (t.state() == db::TableState::Edit && t.getBookmark() == found)) return;
  meldung::hinweis("Für den Kostenträger " + ik +
                   " ist bereits eine Annahmestelle eingetragen.\n"
                   "Sie wird zum Ändern angezeigt.");
  t.cancel();
  if (!t.bookmarkValid(*found)) f.EditAnnSuchen->setText("");  // the search had hidden it
  if (succeeded(t.gotoBookmark(*found), "Die Annahmestelle kann nicht angezeigt werden."))
    (void)succeeded(t.edit(), "Die Annahmestelle kann nicht bearbeitet werden.");
}

void kostentraegerGeaendert(const IkEditRow& row) {
  TFormEinstellungen& f = form();
  const std::string ik = row.ik->text();
  paragraphZeigen(f, ik);
  if (isFullIk(ik) && row.ik->focused()) bestehendeAnbieten(f, ik);
}

std::vector<IkEditRow> annIkZeilen(TFormEinstellungen& f) {
  const std::vector<Basis> k300{Basis::S300}, k302{Basis::S302}, k105{Basis::S105};
  const std::vector<Basis> k302und105{Basis::S302, Basis::S105};
  const std::vector<Basis> kKosttr{Basis::S302, Basis::S300, Basis::S105};
  // DBEdit27 (Debitor, hidden) shares the handlers of DBEdit13, which act on DBEdit13.
  const IkEditRow kosttr{.control = f.DBEdit13,
                         .ik = f.DBEdit13,
                         .name = f.DBEdit14,
                         .kind = "",
                         .changeLookups = kKosttr,
                         .enterLookups = {},
                         .next = f.DBEdit53,
                         .picker = nullptr,
                         .code = {},
                         .afterChange = kostentraegerGeaendert};
  IkEditRow debitor = kosttr;
  debitor.control = f.DBEdit27;
  const auto office = [](ui::TDBEdit* ik, ui::TDBEdit* name, const char* kind,
                         const std::vector<Basis>& change, const std::vector<Basis>& enter,
                         ui::TWinControl* next, ui::TButton* picker, const char* code) {
    return IkEditRow{.control = ik,
                     .ik = ik,
                     .name = name,
                     .kind = kind,
                     .changeLookups = change,
                     .enterLookups = enter,
                     .next = next,
                     .picker = picker,
                     .code = code};
  };
  return {
      kosttr,
      debitor,
      office(f.DBEdit1, f.DBEdit2, "300", k300, k300, f.DBEdit3, f.BitBtn300Adr, "1"),
      office(f.DBEdit3, f.DBEdit4, "300", k300, k300, f.DBEdit5, f.BitBtn300Ver, "3"),
      office(f.DBEdit5, f.DBEdit6, "300", k300, k300, f.DBEdit21, f.BitBtnImage, "5"),
      office(f.DBEdit7, f.DBEdit8, "302", k302, k302und105, f.DBEdit9, f.BitBtn302Adr, "7"),
      office(f.DBEdit9, f.DBEdit10, "302", k302, k302und105, f.BitBtnAnnSpeichern, f.BitBtn302Ver, "9"),
      office(f.DBEdit11, f.DBEdit12, "105", k105, k105, f.BitBtnAnnSpeichern, f.BitBtn105, "11"),
      office(f.DBEdit21, f.DBEdit22, "300", k300, k300, f.DBEdit23, f.BitBtn300PatAdr, "21"),
      office(f.DBEdit23, f.DBEdit24, "300", k300, k300, f.DBEdit25, f.BitBtn300PatVer, "23"),
      office(f.DBEdit25, f.DBEdit26, "300", k300, k300, f.DBEdit7, f.BitBtnPatImage, "25"),
  };
}

// The tab's repeated field handlers, from their tables, bound when the tab first shows (its
// controls cannot be reached before).
void felderEinrichten(TFormEinstellungen& f) {
  if (f.DBEdit13->OnChange) return;
  installIkEdits(annIkZeilen(f), gAnnPanel);
  // DBEdit56 shares the handlers of DBEdit55, which colour DBEdit55.
  const ui::EditChainRow kette[] = {
      {f.DBEdit53, f.DBEdit53, f.DBEdit54},
      {f.DBEdit54, f.DBEdit54, f.DBEdit55},
      {f.DBEdit55, f.DBEdit55, f.DBEdit1},
      {f.DBEdit56, f.DBEdit55, f.DBEdit1},
      {f.DBEdit15, f.DBEdit15, f.DBEdit16},
      {f.DBEdit16, f.DBEdit16, f.DBEdit17},
      {f.DBEdit17, f.DBEdit17, f.DBEdit18},
      {f.DBEdit18, f.DBEdit18, f.DBEdit19},
      {f.DBEdit19, f.DBEdit19, f.BitBtnAnnAdressenSpeichern},
      {f.EditAnnSuchen, f.EditAnnSuchen, nullptr},
  };
  ui::installEditChain(kette);
  for (ui::TDBEdit* tage : {f.DBEdit53, f.DBEdit54})
    tage->OnKeyPress = [](ui::TComponent&, char32_t& key) { ui::keepDigitsOnly(key); };
}

// The year's cost-bearer files read for the names and addresses the IK edits show.
void kosttrEinlesen() {
  const Installation inst = installation();
  const std::string ordner = inst.jahrKosttrPfad();
  FormMelder melder;
  if (!costbearer::kostentraegerOrdnerDa(ordner, melder)) return;
  kostentraegerListenZeigen(ordner);
  // Every reader runs; what failed the callback or the reader has shown already.
  (void)costbearer::kostentraegerLesen(
      inst, ordner, melder, [](const KosttrLeseErgebnis& r, std::string_view) {
        // The reader has already shown its own message for a full link table.
        if (!r.ok() && r.status.error().code != costbearer::kTableSizeExceeded)
          (void)succeeded(r.status, "Die Kostenträgerdateien können nicht gelesen werden.");
        return true;
      });
}

bool annSpeichern(TFormEinstellungen& f) {
  db::TTable& t = *f.TableAnn;
  if (!succeeded(editIfAny(t), "Die Annahmestelle kann nicht bearbeitet werden.")) return false;
  // An untouched flag is null; it is stored as False.
  for (ui::TDBCheckBox* box : {f.DBCheckBoxReMitPaketNr, f.DBCheckBoxSaReMitPaketNr}) {
    if (box->checked() || !box->field()) continue;
    box->setChecked(false);
    if (!succeeded(box->field()->setAsBoolean(false), "Die Annahmestelle kann nicht gespeichert werden."))
      return false;
  }
  return succeeded(t.post(), "Die Annahmestelle kann nicht gespeichert werden.");
}

}  // namespace

ui::TDBEdit* annAuswahlEdit(TFormEinstellungen& f, std::string_view code) {
  if (code.empty()) return nullptr;
  for (const IkEditRow& row : annIkZeilen(f))
    if (row.code == code) return row.ik;
  return nullptr;
}

void TFormEinstellungen::TabSheet9Show(TComponent&) {
  felderEinrichten(*this);
  if (!yearKnown()) return;
  if (succeeded(openYearTable(*TableAnn, "Ann.db"), "Die Tabelle Ann.db kann nicht geöffnet werden."))
    (void)succeeded(TableAnn->last(), "Die Tabelle Ann.db kann nicht gelesen werden.");
  (void)succeeded(openYearTable(*TableAdrAnn, "AdrAnn.db"),
                  "Die Tabelle AdrAnn.db kann nicht geöffnet werden.");
  kosttrEinlesen();
  AnnAdresseVerbergen();
  EditAnnSuchen->setFocus();
  if (TableAnn->active()) (void)succeeded(TableAnn->first(), "Die Tabelle Ann.db kann nicht gelesen werden.");
}

void TFormEinstellungen::TabSheet9Exit(TComponent&) {
  const std::string daten = jahrDatenPfad() + "\\";
  if (platform::fileExists(daten + "Ann.db") && TableAnn->active()) TableAnn->close();
  if (platform::fileExists(daten + "AdrAnn.db") && TableAdrAnn->active()) TableAdrAnn->close();
}

void TFormEinstellungen::EditAnnSuchenChange(TComponent&) {
  (void)succeeded(applySearch(*TableAnn, kAnnSuche, EditAnnSuchen->text()), "Die Suche ist fehlgeschlagen.");
}

void TFormEinstellungen::BitBtnAnnNeuClick(TComponent&) {
  if (!TableAnn->active()) return;
  enableAll({PanelAnn, BitBtnAnnSpeichern, BitBtnAnnSpeichernNeu}, true);
  if (!succeeded(TableAnn->first(), "Die Tabelle Ann.db kann nicht gelesen werden.") ||
      !succeeded(TableAnn->insert(), "Die Annahmestelle kann nicht angelegt werden."))
    return;
  DBEdit13->setFocus();
}

void TFormEinstellungen::BitBtnAnnAendernClick(TComponent&) {
  // Nothing to change in an empty table: typing would insert a blank record.
  if (!TableAnn->active() || TableAnn->isEmpty()) return;
  enableAll({PanelAnn, BitBtnAnnSpeichern, BitBtnAnnSpeichernNeu}, true);
  DBEdit13->setFocus();
}

void TFormEinstellungen::BitBtnAnnLoeschenClick(TComponent&) {
  if (deleteAfterQuestion(*TableAnn, "Wollen Sie die Annahmestelle wirklich löschen?"))
    EditAnnSuchen->setFocus();
}

void TFormEinstellungen::PanelAnnEnter(TComponent&) {
  enableAll(
      {EditAnnSuchen, BitBtnAnnNeu, BitBtnAnnAendern, BitBtnAnnLoeschen, BitBtnAnnAdressen, DBNavigatorAnn},
      false);
}

void TFormEinstellungen::PanelAnnExit(TComponent&) {
  enableAll(
      {EditAnnSuchen, BitBtnAnnNeu, BitBtnAnnAendern, BitBtnAnnLoeschen, BitBtnAnnAdressen, DBNavigatorAnn},
      true);
  LabelAdrAusKosttr->setVisible(false);
  TableAnn->cancel();
  (void)succeeded(editIfAny(*TableAnn), "Die Annahmestelle kann nicht bearbeitet werden.");
  enableAll({PanelAnn, BitBtnAnnSpeichernNeu, BitBtnAnnSpeichern}, false);
  EditAnnSuchen->setFocus();
  AnnAdresseVerbergen();
}

void TFormEinstellungen::BitBtnAnnSpeichernClick(TComponent&) {
  LabelAdrAusKosttr->setVisible(false);
  // A save refused here or by the table (a key another workstation took meanwhile, a full disk)
  // keeps the focus in the panel, whose exit would drop the entry: it stays to be corrected.
  if (const Status pruefung = annahmestellePruefen(DBEdit13->text(), DBEdit14->text()); !pruefung.ok()) {
    meldung::hinweis(pruefung.error().message);
    return;
  }
  if (!annSpeichern(*this)) return;
  if (BitBtnAnnAdressenSpeichern->visible()) (void)annAdresseSpeichern(true);
  // Leaving the panel runs PanelAnnExit, which discards whatever was not stored.
  EditAnnSuchen->setEnabled(true);
  EditAnnSuchen->setFocus();
  enableAll({PanelAnn, BitBtnAnnSpeichernNeu, BitBtnAnnSpeichern}, false);
}

void TFormEinstellungen::BitBtnAnnAdressenSpeichernClick(TComponent&) {
  LabelAdrAusKosttr->setVisible(false);
  (void)annAdresseSpeichern(false);
}

void TFormEinstellungen::BitBtnAnnAdressenClick(TComponent&) { adressenWaehlen(""); }

}  // namespace riviza
