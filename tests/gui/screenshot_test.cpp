// The main form on a real X server (run under xvfb-run): it shows with its tab pages, and a
// picture of it is kept as build/artifacts/main-form.png (and one of each page) for CI.
#include <gtest/gtest.h>

#include <QImage>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "qt_fixture.h"
#include "screenshot_support.h"

namespace riviza::test {
namespace {

TEST_F(MainFormTest, ScreenshotOfTheMainFormShowsTheTabs) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  auto* tabs = widget<QTabWidget>(window(), "PageControl1");
  ASSERT_NE(tabs, nullptr);
  QTabBar* bar = tabs->tabBar();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->count(), 11);

  // The tab bar carries text: many colours where the tabs are drawn.
  const QRect tabArea(bar->mapTo(window(), QPoint(0, 0)), bar->size());
  const QImage first =
      shoot(window(), "main-form.png", [&](const QImage& image) { return coloursIn(image, tabArea) > 8; });
  ASSERT_FALSE(first.isNull());
  EXPECT_GE(first.width(), TFormEinstellungen::kDesignWidth);
  EXPECT_GE(first.height(), TFormEinstellungen::kDesignHeight);

  // Every page, for the eye of a reviewer: main-form-page-<index>.png, each differing from the
  // one before (at least the tab bar shows another tab chosen).
  QImage previous = first;
  for (int page = 1; page < form->PageControl1->pageCount(); ++page) {
    SCOPED_TRACE(page);
    form->PageControl1->setActivePageIndex(page);
    previous = shoot(window(), QString("main-form-page-%1.png").arg(page),
                     [&](const QImage& image) { return image != previous; });
    EXPECT_EQ(tabs->currentWidget()->objectName().toStdString(), form->PageControl1->activePage()->name());
    EXPECT_TRUE(tabs->currentWidget()->isVisible());
  }
}

TEST_F(MainFormTest, ScreenshotsOfTheOtherTwoForms) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run this test under xvfb-run";
  auto& adressen = application.createForm<TFormAdressen>();
  auto& le = application.createForm<TFormLe>();
  struct Fenster {
    ui::TForm* form;
    const char* file;
    const char* grid;
    const char* panel;  // disabled until "&Neu" or "Än&dern"
  };
  for (const Fenster& f : {Fenster{&adressen, "adressen-form.png", "DBGridAdressen", "PanelAdressen"},
                           Fenster{&le, "le-form.png", "DBGridLe", "PanelLe"}}) {
    SCOPED_TRACE(f.file);
    gui::FormView& v = shell->attach(*f.form);
    f.form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v.window()));
    EXPECT_EQ(v.window()->windowTitle().toStdString(), f.form->caption());
    EXPECT_TRUE(widget<QWidget>(v.window(), f.grid)->isVisible());
    EXPECT_FALSE(widget<QWidget>(v.window(), f.panel)->isEnabled());
    shoot(v.window(), f.file);
    f.form->close();
  }
}

}  // namespace
}  // namespace riviza::test
