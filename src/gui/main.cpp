// The program entry `riviza` (Hauptprogramm): the two single-instance locks, the three forms in
// their order with their captions, and the event loop (Qt layer).
//
// Nothing is read from disk before the loop runs: the start-up is Timer1's first tick. A logout,
// Ctrl+C, a closed terminal or a reader of the output that went away (SIGTERM, SIGINT, SIGHUP,
// SIGPIPE) closes the main form as "&Beenden" does, so its close handler empties Temp, releases
// the year's lock and disconnects the share; during an operation, once it has ended.
#include <QApplication>
#include <QSocketNotifier>
#include <memory>

#include "app/Diviveve1.h"
#include "forms/DiviveveLe1.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "gui/qt_shell.h"
#include "platform/signals.h"
#include "ui/form.h"

int main(int argc, char** argv) {
  using namespace riviza;
  QApplication qt(argc, argv);
  QApplication::setApplicationName("Riviza");
  ui::TApplication application;
  gui::QtShell shell(qt, application);

  // Unit initialisations, in link order.
  if (!VuzarodedSperreAnlegen()) return 1;
  if (!EinzelinstanzSperreAnlegen()) return 1;

  auto& einstellungen = application.createForm<TFormEinstellungen>();
  auto& adressen = application.createForm<TFormAdressen>();
  auto& le = application.createForm<TFormLe>();
  shell.attach(einstellungen);
  shell.attach(adressen);
  shell.attach(le);

  std::unique_ptr<QSocketNotifier> endSignals;
  if (const int fd = platform::watchEndSignals(); fd >= 0) {
    endSignals = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(endSignals.get(), &QSocketNotifier::activated, [&einstellungen] {
      if (platform::takeEndSignal()) einstellungen.close();
    });
  }
  einstellungen.show();
  application.run();

  // Unit finalisations, in reverse order.
  EinzelinstanzSperreFreigeben();
  VuzarodedSperreFreigeben();
  return 0;
}
