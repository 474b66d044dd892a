// A small form declared the way the program's forms are (component and handler lists), for the
// model tests: an edit panel with a Return chain, a search edit, buttons, and a page control.
#pragma once

#include <string>
#include <vector>

#include "ui/containers.h"
#include "ui/controls.h"
#include "ui/design.h"
#include "ui/form.h"
#include "ui/lists.h"

namespace riviza::test {

using namespace riviza::ui;

// clang-format off
#define TEST_FORM_COMPONENTS(X) \
  X(TEdit, EditSuchen, this) \
  X(TPanel, PanelEdits, this, .enabled = true) \
  X(TLabel, LabelName, PanelEdits, .caption = "Name") \
  X(TEdit, EditName, PanelEdits) \
  X(TLabel, LabelNummer, PanelEdits, .caption = "Nummer") \
  X(TEdit, EditNummer, PanelEdits, .maxLength = 5) \
  X(TGroupBox, GroupBoxBank, PanelEdits, .caption = "Bank") \
  X(TEdit, EditIban, GroupBoxBank) \
  X(TEdit, EditBic, GroupBoxBank, .readOnly = true) \
  X(TBitBtn, BitBtnSpeichern, PanelEdits, .caption = "S&peichern") \
  X(TPageControl, PageControl1, this) \
  X(TTabSheet, TabSheet1, PageControl1, .caption = "&Eins") \
  X(TEdit, EditEins, TabSheet1) \
  X(TTabSheet, TabSheet2, PageControl1, .caption = "&Zwei") \
  X(TEdit, EditZwei, TabSheet2) \
  X(TTabSheet, TabSheet3, PageControl1, .caption = "&Drei", .tabVisible = false) \
  X(TButton, ButtonVersteckt, this, .visible = false) \
  X(TTimer, Timer1, nullptr, .interval = 1)

#define TEST_FORM_HANDLERS(X) \
  X(BitBtnSpeichern, OnClick, BitBtnSpeichernClick) \
  X(EditNummer, OnKeyPress, EditNummerKeyPress) \
  X(Timer1, OnTimer, Timer1Timer)
// clang-format on

class TestForm : public TForm {
 public:
  TEST_FORM_COMPONENTS(RIVIZA_DECLARE_COMPONENT)
  TEST_FORM_HANDLERS(RIVIZA_DECLARE_HANDLER)

  TestForm();

  // Every event fired on the form's controls, as "Name.Event".
  std::vector<std::string> log;
  // Records OnEnter/OnExit/OnChange/OnShow/OnHide of every control.
  void traceAll();
};

}  // namespace riviza::test
