// The main form on a real X server (run under xvfb-run): it shows with its tab pages, and a
// picture of it is kept as build/artifacts/main-form.png (and one of each page) for CI.
#include <gtest/gtest.h>

#include <QImage>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <tuple>

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
  // Each form with its grid, and its edit panel disabled until "&Neu" or "Än&dern".
  for (auto [f, file, grid, panel] :
       {std::tuple<ui::TForm*, const char*, const char*, const char*>{&adressen, "adressen-form.png",
                                                                      "DBGridAdressen", "PanelAdressen"},
        {&le, "le-form.png", "DBGridLe", "PanelLe"}}) {
    gui::FormView& v = shell->attach(*f);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v.window()));
    EXPECT_EQ(v.window()->windowTitle().toStdString(), f->caption()) << file;
    EXPECT_TRUE(widget<QWidget>(v.window(), grid)->isVisible()) << file;
    EXPECT_FALSE(widget<QWidget>(v.window(), panel)->isEnabled()) << file;
    shoot(v.window(), file);
    f->close();
  }
}

}  // namespace
}  // namespace riviza::test
