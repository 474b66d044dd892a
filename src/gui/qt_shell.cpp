// The pump, dialogs, screen size and event loop handed to Qt (Qt layer); see qt_shell.h.
#include "gui/qt_shell.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <chrono>

#include "platform/pump.h"
#include "platform/screen.h"

namespace riviza::gui {

QtShell::QtShell(QApplication& qt, ui::TApplication& application) {
  // The start-up forces German formats; the widgets made from here on (date pickers, their
  // calendars, number displays) follow whatever LANG says otherwise.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  // Qt's own texts (standard buttons, edit menus, the folder tree's captions) come in German too;
  // without the translation (Debian's qt6-translations-l10n) they stay English, which is no
  // reason not to start.
  if (qtTexte_.load(QLocale(QLocale::German), "qtbase", "_",
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexte_);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    platform::setScreenSize({screen->size().width(), screen->size().height()});
  setPaceClock({});
  platform::setMessagePump([this] { pump(); });
  // Work posted by another thread (a finished download) must reach the main thread while the
  // loop sleeps: each post queues a call into the loop, which wakes it.
  platform::setWakeHook([] {
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(
          app, [] { platform::runPostedTasks(); }, Qt::QueuedConnection);
  });
  platform::setWaitHook(
      [] { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); });
  ui::setDialogs(&dialogs_);
  // Closing the last window does not end the program; closing the main form does.
  qt.setQuitOnLastWindowClosed(false);
  application.setLoop([&qt] { qt.exec(); }, [] { QCoreApplication::quit(); });
}

QtShell::~QtShell() {
  views_.clear();
  QCoreApplication::removeTranslator(&qtTexte_);
  ui::setDialogs(nullptr);
  platform::setWakeHook({});
  platform::setWaitHook({});
  platform::setMessagePump({});
}

void QtShell::setPaceClock(std::function<std::int64_t()> nowMs) {
  if (!nowMs)
    nowMs = [] {
      using namespace std::chrono;
      return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    };
  paceClock_ = std::move(nowMs);
  lastEventsMs_.reset();
}

void QtShell::pump() {
  const std::int64_t now = paceClock_();
  if (lastEventsMs_ && now - *lastEventsMs_ < kEventIntervalMs) return;
  lastEventsMs_ = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

FormView& QtShell::attach(ui::TForm& form) {
  views_.push_back(std::make_unique<FormView>(form));
  return *views_.back();
}

}  // namespace riviza::gui
