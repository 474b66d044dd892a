// Pictures of windows for the screenshot tests (run under xvfb-run): kept under
// build/artifacts/ for CI and for the eye of a reviewer.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace riviza::test {

// Grabs the window once pending paints are done and saves it as build/artifacts/<file>.
inline QImage shoot(QWidget* window, const QString& file) {
  QTest::qWait(200);
  const QPixmap shot = window->screen()->grabWindow(window->winId());
  const QString folder = QStringLiteral(RIVIZA_BINARY_DIR "/artifacts");
  QDir().mkpath(folder);
  EXPECT_TRUE(shot.save(folder + "/" + file)) << file.toStdString();
  return shot.toImage();
}

}  // namespace riviza::test
