// Pictures of windows for the screenshot tests (run under xvfb-run): kept under
// build/artifacts/ for CI and for the eye of a reviewer.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QWidget>
#include <functional>
#include <set>

#include "qt_fixture.h"

namespace riviza::test {

// Distinct colours in a strip of the picture: a blank or black window has one or two.
inline size_t coloursIn(const QImage& image, QRect strip) {
  std::set<QRgb> colours;
  strip = strip.intersected(image.rect());
  for (int y = strip.top(); y <= strip.bottom(); ++y)
    for (int x = strip.left(); x <= strip.right(); ++x) colours.insert(image.pixel(x, y));
  return colours.size();
}

// The window renders itself into the picture: a grab of the X screen can still hold the page
// shown before. It is rendered until the picture shows what ready() looks for, then kept as
// build/artifacts/<file>. A picture that never gets there fails, named.
inline QImage shoot(QWidget* window, const QString& file, const std::function<bool(const QImage&)>& ready) {
  QImage image;
  const bool shown = waitUntil(
      [&] {
        image = window->grab().toImage();
        return !image.isNull() && ready(image);
      },
      qPrintable(file + " drawn"));
  const QString folder = QStringLiteral(RIVIZA_BINARY_DIR "/artifacts");
  QDir().mkpath(folder);
  if (shown) {
    EXPECT_TRUE(image.save(folder + "/" + file)) << file.toStdString();
  }
  return image;
}

// The same, ready once the window shows more than a blank background.
inline QImage shoot(QWidget* window, const QString& file) {
  return shoot(window, file, [](const QImage& image) { return coloursIn(image, image.rect()) > 8; });
}

}  // namespace riviza::test
