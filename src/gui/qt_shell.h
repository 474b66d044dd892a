// The program's tie to Qt: the pump and the wake-up of the main-thread queue, the dialogs, the
// screen size, the event loop and one window per form (Qt layer).
//
// Construct it after the QApplication and before the forms (FormCreate reads the screen size, and
// the widgets take the German locale it sets as the default, Qt's own texts the German
// translation it installs: the standard buttons read "Ja", "Nein", "Abbrechen" whatever LANG says);
// attach each form once it is created. While it lives, "let pending messages run" processes Qt
// events and every dialog is a Qt dialog; it gives both back on destruction, after closing its
// windows, so it must die before the forms do.
#pragma once

#include <QTranslator>
#include <memory>
#include <vector>

#include "gui/form_view.h"
#include "gui/qt_dialogs.h"
#include "ui/form.h"

class QApplication;

namespace riviza::gui {

class QtShell {
 public:
  QtShell(QApplication& qt, ui::TApplication& application);
  ~QtShell();
  QtShell(const QtShell&) = delete;
  QtShell& operator=(const QtShell&) = delete;

  FormView& attach(ui::TForm& form);

 private:
  QTranslator qtTexte_;
  QtDialogs dialogs_;
  std::vector<std::unique_ptr<FormView>> views_;
};

}  // namespace riviza::gui
