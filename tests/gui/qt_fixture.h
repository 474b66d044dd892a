// Shared set-up of the window tests: one QApplication for the test program, and a fixture that
// creates the program's forms with the Qt shell, as the program entry does.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>

#include "forms/DiviveveLe1.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "gui/qt_shell.h"

// Qt's value types as text in a failed comparison (gtest would print a QString character by
// character as bytes); found by argument-dependent lookup in Qt's (global) namespace.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(QChar c, std::ostream* os) { PrintTo(QString(c), os); }
inline void PrintTo(const QColor& colour, std::ostream* os) {
  *os << colour.name(QColor::HexArgb).toStdString();
}

namespace riviza::test {

// The test program's QApplication (created on first use, gone at the end of the run).
QApplication& qtApp();

// Widgets of a window by object name (the component's name).
template <class W>
W* widget(QWidget* window, const char* name) {
  return window->findChild<W*>(QString::fromLatin1(name));
}

// Lets Qt deliver events (focus, paint, timers) until done() holds; true when it did. There is no
// fixed wait: a busy machine takes longer, and only a thing that never happens fails, named by
// what.
bool waitUntil(const std::function<bool()>& done, const char* what);

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest();
  ~MainFormTest() override;

  QWidget* window() const { return view->window(); }

  // The start-up timer's ticks; the fixture stands in for the start-up handler, whose body
  // belongs to the application shell.
  int timerTicks = 0;
  ui::TApplication application;
  std::unique_ptr<gui::QtShell> shell;
  TFormEinstellungen* form = nullptr;
  gui::FormView* view = nullptr;
};

}  // namespace riviza::test
