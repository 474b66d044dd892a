// Pictures of windows for the screenshot tests (run under xvfb-run): kept under
// build/artifacts/ for CI and for the eye of a reviewer; and the installation in a temporary
// folder that the window tests of the pages work on.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTest>
#include <QWidget>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "db/TTable.h"
#include "db/catalogue.h"
#include "db/leerdaten.h"
#include "forms/globals.h"
#include "qt_fixture.h"
#include "support/temp_dir.h"

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

// The main form on an X server (xvfb-run) and an installation in a temporary folder with the year
// 2024 chosen: Programm, Programm/Temp and the year's data folder, which the test fills with tables.
class JahrWindowTest : public MainFormTest {
 protected:
  JahrWindowTest() {
    root.mkdir("Programm/Temp");
    root.mkdir("Daten/Abrechng/2024/Daten");
    Globals& g = globals();
    g.ProgrammPfad = root.str() + "/Programm\\";
    g.DatenPfad = root.str() + "/Daten\\";
    g.JahrPfad = "Abrechng\\2024\\";
  }
  ~JahrWindowTest() override { resetGlobals(); }
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  }

  // The table templates in Programm/LeerDaten.
  void vorlagen() const { EXPECT_TRUE(db::writeLeerDaten(root.str() + "/Programm/LeerDaten").ok()); }
  // A table of the year, opened.
  static void oeffnen(db::TTable& t, const char* datei) {
    ASSERT_TRUE(t.setDatabaseName(jahrDatenPfad()).ok() && t.setTableName(datei).ok() && t.open().ok())
        << datei;
  }
  // A new table of the year with records: each record's texts go to `felder` by name, or to the
  // first fields by position when `felder` is empty.
  static void tabelle(const char* datei, const std::vector<std::vector<std::string>>& saetze,
                      const std::vector<std::string>& felder = {}) {
    ASSERT_TRUE(
        db::TTable::createTable(jahrDatenPfad(), datei, db::structureOf(*db::findCatalogueTable(datei)))
            .ok());
    db::TTable t;
    oeffnen(t, datei);
    for (const auto& satz : saetze) {
      ASSERT_TRUE(t.append().ok());
      for (size_t i = 0; i < satz.size(); ++i) {
        db::TField* feld = felder.empty() ? &t.fields(static_cast<int>(i)) : t.findField(felder[i]);
        ASSERT_TRUE(feld && feld->setAsString(satz[i]).ok()) << datei << " " << i;
      }
      ASSERT_TRUE(t.post().ok());
    }
  }
  // A click on the tab of a page, until the page shows.
  void seite(ui::TTabSheet* page) {
    auto* tabs = widget<QTabWidget>(window(), "PageControl1");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(page->pageIndex());
    ASSERT_TRUE(waitUntil(
        [&] { return form->PageControl1->activePage() == page && tabs->currentWidget()->isVisible(); },
        "page shown"));
  }
  // A click on a button of a window.
  static void klick(QWidget* fenster, const char* name) {
    auto* knopf = widget<QAbstractButton>(fenster, name);
    ASSERT_NE(knopf, nullptr) << name;
    QTest::mouseClick(knopf, Qt::LeftButton);
    QCoreApplication::processEvents();
  }

  TempDir root;
};

}  // namespace riviza::test
