// Panels, group boxes, page control and tab sheets (user-interface layer); see containers.h.
#include "ui/containers.h"

#include <algorithm>
#include <cassert>

#include "ui/design.h"
#include "ui/form.h"

namespace riviza::ui {

TTabSheet::TTabSheet(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent), pageControl_(dynamic_cast<TPageControl*>(parent)) {
  assert(pageControl_ && "a tab sheet sits on a page control");
  if (pageControl_) pageControl_->addPage(this);
}

TTabSheet::~TTabSheet() {
  if (!pageControl_) return;
  std::erase(pageControl_->pages_, this);
  if (pageControl_->active_ == this) pageControl_->active_ = nullptr;
}

int TTabSheet::pageIndex() const {
  if (!pageControl_) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::setTabVisible(bool v) {
  if (tabVisible_ == v) return;
  tabVisible_ = v;
  notify(Prop::TabVisible);
  if (!v && pageControl_) pageControl_->pageHidden(this);
}

void TTabSheet::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  tabVisible_ = design.tabVisible;
}

// ---------------------------------------------------------------------------------------------

void TPageControl::addPage(TTabSheet* page) {
  pages_.push_back(page);
  if (!active_) active_ = page;
}

TTabSheet* TPageControl::page(int index) const {
  return index >= 0 && index < pageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

int TPageControl::activePageIndex() const { return active_ ? active_->pageIndex() : -1; }

void TPageControl::setActivePageIndex(int index) { setActivePage(page(index)); }

void TPageControl::setActivePage(TTabSheet* next) {
  if (!next || next == active_ || next->pageControl() != this) return;
  TTabSheet* const old = active_;
  TForm* f = form();
  if (old && f && f->activeControl() && f->activeControl()->isWithin(old)) f->setFocusedControl(this);
  active_ = next;
  notify(Prop::ActivePage);
  if (old && old->OnHide) old->OnHide(*old);
  if (active_ == next && next->OnShow) next->OnShow(*next);
}

bool TPageControl::userSelectPage(int index) {
  TTabSheet* next = page(index);
  if (!next || !next->tabVisible() || !showing() || !effectivelyEnabled() || operationRunning()) return false;
  const OperationGuard action;
  setFocus();
  setActivePage(next);
  return active_ == next;
}

void TPageControl::pageHidden(TTabSheet* hidden) {
  if (hidden != active_) return;
  const int at = hidden->pageIndex();
  for (int step = 1; step < pageCount(); ++step) {
    for (int candidate : {at + step, at - step}) {
      if (TTabSheet* p = page(candidate); p && p->tabVisible()) {
        setActivePage(p);
        return;
      }
    }
  }
}

}  // namespace riviza::ui
