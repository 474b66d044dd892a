// Construction and event tracing of the model tests' small form; see test_form.h.
#include "test_form.h"

#include "ui/edit_family.h"

namespace riviza::test {

TestForm::TestForm() : TForm(nullptr, "TestForm") {
  TEST_FORM_COMPONENTS(RIVIZA_CREATE_COMPONENT)
  TEST_FORM_HANDLERS(RIVIZA_BIND_HANDLER)
  show();
}

void TestForm::BitBtnSpeichernClick(TComponent& Sender) { log.push_back(Sender.name() + ".Click"); }

void TestForm::EditNummerKeyPress(TComponent&, char32_t& Key) { keepDigitsOnly(Key); }

void TestForm::Timer1Timer(TComponent&) {
  Timer1->setEnabled(false);
  log.push_back("Timer1.Timer");
}

void TestForm::traceAll() {
  auto tracer = [this](std::string event) {
    return [this, event](TComponent& s) { log.push_back(s.name() + "." + event); };
  };
  for (TComponent* c : components()) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      w->OnEnter = tracer("Enter");
      w->OnExit = tracer("Exit");
    }
    if (auto* e = dynamic_cast<TCustomEdit*>(c); e && !e->OnChange) e->OnChange = tracer("Change");
    if (auto* t = dynamic_cast<TTabSheet*>(c)) {
      t->OnShow = tracer("Show");
      t->OnHide = tracer("Hide");
    }
  }
}

}  // namespace riviza::test
