// Containers: panel, group box, page control and tab sheets (user-interface layer).
//
// A container never takes the focus itself; its OnEnter and OnExit fire as the focus enters or
// leaves the controls inside it (form.h). A page control shows one tab sheet at a time; pages
// keep their index whether their tab shows or not, so code can select page 4 or 5 by number.
// Changing the page moves a focus that sat on the old page to the page control first (so the
// old page's OnExit fires), then fires OnHide of the old page and OnShow of the new one. A user
// clicking a tab focuses the page control the same way; a hidden tab cannot be chosen.
#pragma once

#include <string>
#include <vector>

#include "ui/component.h"

namespace riviza::ui {

class TPanel : public TWinControl {
 public:
  using TWinControl::TWinControl;
  bool acceptsFocus() const override { return false; }
};

class TGroupBox : public TWinControl {
 public:
  using TWinControl::TWinControl;
  bool acceptsFocus() const override { return false; }
};

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  TTabSheet(TComponent* owner, std::string name, TWinControl* parent);
  ~TTabSheet() override;

  bool acceptsFocus() const override { return false; }
  TPageControl* pageControl() const { return pageControl_; }
  int pageIndex() const;
  bool tabVisible() const { return tabVisible_; }
  void setTabVisible(bool v);

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

  void applyDesign(const Design& design) override;

 private:
  TPageControl* pageControl_;
  bool tabVisible_ = true;
};

class TPageControl : public TWinControl {
 public:
  using TWinControl::TWinControl;

  int pageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* page(int index) const;
  TTabSheet* activePage() const { return active_; }
  int activePageIndex() const;
  void setActivePage(TTabSheet* page);
  void setActivePageIndex(int index);
  // A click on a tab: nothing when the page control is unreachable or the tab is hidden.
  bool userSelectPage(int index);

 protected:
  bool showsChild(const TControl& child) const override { return &child == active_; }

 private:
  friend class TTabSheet;
  void addPage(TTabSheet* page);
  void pageHidden(TTabSheet* page);

  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

}  // namespace riviza::ui
