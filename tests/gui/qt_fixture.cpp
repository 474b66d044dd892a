// The window tests' QApplication and the fixture that builds the program's forms; see
// qt_fixture.h.
#include "qt_fixture.h"

#include <QTest>
#include <cstdlib>

namespace riviza::test {
namespace {

// The offscreen platform warns once per window that it cannot pass size hints on; that is no
// finding of ours.
QtMessageHandler gDefaultHandler = nullptr;
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains("propagateSizeHints") || text.contains("XDG_RUNTIME_DIR")) return;
  if (gDefaultHandler) gDefaultHandler(type, context, text);
}

class QtEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { app.reset(); }
  std::unique_ptr<QApplication> app;
};

QtEnvironment* gEnvironment = static_cast<QtEnvironment*>(
    ::testing::AddGlobalTestEnvironment(std::make_unique<QtEnvironment>().release()));

}  // namespace

QApplication& qtApp() {
  if (!gEnvironment->app) {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    gDefaultHandler = qInstallMessageHandler(quietMessages);
    gEnvironment->app = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName("Riviza");
  }
  return *gEnvironment->app;
}

MainFormTest::MainFormTest() {
  shell = std::make_unique<gui::QtShell>(qtApp(), application);
  form = &application.createForm<TFormEinstellungen>();
  form->Timer1->OnTimer = [this](ui::TComponent&) {
    form->Timer1->setEnabled(false);
    ++timerTicks;
  };
  view = &shell->attach(*form);
  form->show();
  window()->activateWindow();
  if (!QTest::qWaitForWindowExposed(window())) ADD_FAILURE() << "the main window never showed";
  waitUntil([this] { return timerTicks > 0; }, "the start-up timer fired");
}

MainFormTest::~MainFormTest() { shell.reset(); }

bool waitUntil(const std::function<bool()>& done, const char* what) {
  // The limit only ends a wait for something that will never come.
  constexpr int kGiveUpMs = 60'000;
  if (QTest::qWaitFor(done, kGiveUpMs)) return true;
  ADD_FAILURE() << "never happened: " << what;
  return false;
}

}  // namespace riviza::test
