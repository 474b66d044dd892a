// The window against the batch tool on the same long operation: "Bewegungen für Jahr löschen"
// of 12,000 vouchers (three positions each) clicked in the settings form's window under Qt's
// offscreen platform, against `riviza-batch PROGRAMFOLDER bewegungen-loeschen JAHR` on the same
// demo installation, alternately in the same run (support/peer.h). The window's time is the
// click to the end of its handler, the batch's the whole process. Counters: vouchers per second
// of both and ratio = the window's speed / the batch's (above 1: the window is faster). Every run
// is checked: the year's vouchers gone, and the window's list showing every line the model holds.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "db/TTable.h"
#include "forms/DiviveveLe1.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "forms/globals.h"
#include "gui/qt_shell.h"
#include "platform/paths.h"
#include "support/bench_dir.h"
#include "support/peer.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

namespace fs = std::filesystem;

constexpr int kProBeleg = 3;

QApplication& qt() {
  static int argc = 1;
  static char name[] = "bench_gui";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication app(argc, argv);
  return app;
}

// The demo installation with `belege` vouchers of its year, and a copy of its tables to start
// every run from.
struct Demo {
  bench::BenchDir dir;
  fs::path wurzel = dir.path / "demo";
  fs::path programm = wurzel / "Programm";
  std::string jahr = std::to_string(platform::today().year);
  fs::path daten = wurzel / "Daten/Abrechng" / jahr / "Daten";
  fs::path vorlage = dir.path / "Daten.vorlage";
  bool gut = false;

  explicit Demo(int belege) {
    if (!bench::toolRuns({RIVIZA_DEMO_TOOL, wurzel.string()})) return;
    gut = fuellen(belege);
    fs::copy(daten, vorlage, fs::copy_options::recursive);
    setenv("WINEPREFIX", (wurzel / "wineprefix").c_str(), 1);
  }
  void zuruecksetzen() const {
    fs::copy(vorlage, daten, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  long long belegeDesJahres() const {
    db::TTable t;
    if (!t.setDatabaseName(daten.string()) || !t.setTableName("ErfBeleg.DB") || !t.open()) return -1;
    return t.recordCount();
  }

 private:
  bool fuellen(int belege) {
    db::TTable b, p;
    for (auto [t, name] : {std::pair{&b, "ErfBeleg.DB"}, std::pair{&p, "ErfPosition.DB"}})
      if (!t->setDatabaseName(daten.string()) || !t->setTableName(name) || !t->open()) return false;
    auto g1 = b.startTransaction();
    auto g2 = p.startTransaction();
    if (!g1 || !g2) return false;
    for (int i = 0; i < belege; ++i) {
      const std::string nummer = std::to_string(100000 + i);
      if (!b.append() || !b.fields(0).setAsString(nummer) || !b.fields(1).setAsString("15.03." + jahr) ||
          !b.post())
        return false;
      for (int k = 0; k < kProBeleg; ++k)
        if (!p.append() || !p.fields(0).setAsString(nummer) ||
            !p.fields(2).setAsString("60450" + std::to_string(k)) || !p.post())
          return false;
    }
    return g1->commit().ok() && g2->commit().ok();
  }
};

// The program's window on the demo installation, started as the program starts (the start-up
// timer's tick in Qt's loop), every question answered Yes; closed as "&Beenden" does.
class Fenster {
 public:
  explicit Fenster(const Demo& demo) {
    resetGlobals();
    if (::chdir(demo.programm.c_str()) != 0) return;
    shell_ = std::make_unique<gui::QtShell>(qt(), application_);
    antworten_ = std::make_unique<ui::ScriptedDialogs>();
    form_ = &application_.createForm<TFormEinstellungen>();
    application_.createForm<TFormAdressen>();
    application_.createForm<TFormLe>();
    view_ = &shell_->attach(*form_);
    form_->show();
    while (form_->Timer1->enabled()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    form_->PageControl1->setActivePage(form_->TabSheet5);
    form_->EditLoeschenFuerJahr->setText(demo.jahr);
    QCoreApplication::processEvents();
  }
  ~Fenster() {
    if (form_ && form_->visible()) form_->close();
    antworten_.reset();
    shell_.reset();
  }
  bool gestartet() const { return form_ && !globals().JahrPfad.empty() && !globals().JahrInNutzung; }
  bool loeschen() {
    auto* knopf = view_->window()->findChild<QAbstractButton*>("BitBtnBewegungenFuerJahrLoeschen");
    if (!knopf) return false;
    knopf->click();
    return true;
  }
  // The window's list shows every line the model holds, the last one too.
  bool listeVollstaendig(int zeilen) const {
    auto* liste = view_->window()->findChild<QListWidget*>("ListBoxStat01");
    const auto& items = form_->ListBoxStat01->items();
    return liste && items.count() == zeilen && liste->count() == zeilen &&
           liste->item(zeilen - 1)->text().toStdString() == items.lines().back();
  }

 private:
  ui::TApplication application_;
  std::unique_ptr<gui::QtShell> shell_;
  std::unique_ptr<ui::ScriptedDialogs> antworten_;
  TFormEinstellungen* form_ = nullptr;
  gui::FormView* view_ = nullptr;
};

void WindowRatio(benchmark::State& state) {
  const int belege = static_cast<int>(state.range(0));
  qt();
  static std::map<int, std::unique_ptr<Demo>> demos;
  auto& demo = demos[belege];
  if (!demo) demo = std::make_unique<Demo>(belege);
  if (!demo->gut) return state.SkipWithError("the demo installation was not built");
  std::unique_ptr<Fenster> fenster;
  bench::compareWithPeer(state, belege, "vouchersps",
                         {"ours", [&] { return fenster->gestartet() && fenster->loeschen(); },
                          [&] {
                            const bool gut =
                                demo->belegeDesJahres() == 0 && fenster->listeVollstaendig(belege);
                            fenster.reset();
                            return gut;
                          },
                          [&] {
                            demo->zuruecksetzen();
                            fenster = std::make_unique<Fenster>(*demo);
                          }},
                         {"batch",
                          [&] {
                            return bench::toolRuns({RIVIZA_BATCH_TOOL, demo->programm.string(),
                                                    "bewegungen-loeschen", demo->jahr, "--ja"});
                          },
                          [&] { return demo->belegeDesJahres() == 0; }, [&] { demo->zuruecksetzen(); }},
                         1);
}

BENCHMARK(WindowRatio)->Arg(12000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace riviza
