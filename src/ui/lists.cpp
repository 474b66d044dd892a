// Combo box, list box, radio group and file list box (user-interface layer); see lists.h.
#include "ui/lists.h"

#include "platform/files.h"
#include "platform/masks.h"
#include "ui/design.h"

namespace riviza::ui {
namespace {

bool validIndex(const TStrings& items, int index) { return index >= -1 && index < items.count(); }

}  // namespace

TComboBox::TComboBox(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent) {
  color_ = clWindow;
  items_.onChange = [this] { itemsChanged(); };
}

void TComboBox::itemsChanged() {
  if (items_.empty()) text_.clear();
  itemIndex_ = items_.indexOf(text_);
  if (itemIndex_ >= 0 && items_[itemIndex_] != text_) itemIndex_ = -1;
  notify(Prop::Items);
}

void TComboBox::setText(std::string text) {
  const int index = items_.indexOf(text);
  if (text == text_ && index == itemIndex_) return;
  text_ = std::move(text);
  itemIndex_ = (index >= 0 && items_[index] == text_) ? index : -1;
  notify(Prop::Text);
}

void TComboBox::setItemIndex(int index) {
  if (!validIndex(items_, index) || index == itemIndex_) return;
  itemIndex_ = index;
  text_ = index >= 0 ? items_[index] : std::string();
  notify(Prop::Text);
}

bool TComboBox::userSelect(int index) {
  if (index < 0 || index >= items_.count()) return false;
  const auto action = reachForAction();
  if (!action) return false;
  setItemIndex(index);
  if (OnChange) OnChange(*this);
  return true;
}

bool TComboBox::userEditText(std::string text) {
  if (listOnly_) return false;
  const auto action = reachForAction();
  if (!action) return false;
  if (text == text_) return true;
  setText(std::move(text));
  if (OnChange) OnChange(*this);
  return true;
}

void TComboBox::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  setCaption("");
  listOnly_ = design.readOnly;
  items_.setSorted(design.sorted);
  items_.assign(design.items);
  setText(design.caption);
}

// ---------------------------------------------------------------------------------------------

TItemChoice::TItemChoice(TComponent* owner, std::string name, TWinControl* parent)
    : TWinControl(owner, std::move(name), parent) {
  items_.onChange = [this] {
    if (itemIndex_ >= items_.count()) itemIndex_ = -1;
    notify(Prop::Items);
  };
}

void TItemChoice::setItemIndex(int index) {
  if (validIndex(items_, index)) assign(itemIndex_, index, Prop::ItemIndex);
}

bool TItemChoice::userSelect(int index) {
  if (index < 0 || index >= items_.count()) return false;
  const auto action = reachForAction();
  if (!action) return false;
  setItemIndex(index);
  if (OnClick) OnClick(*this);
  return true;
}

TListBox::TListBox(TComponent* owner, std::string name, TWinControl* parent)
    : TItemChoice(owner, std::move(name), parent) {
  color_ = clWindow;
}

void TListBox::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  setCaption("");
  items_.setSorted(design.sorted);
  items_.assign(design.items);
}

void TRadioGroup::applyDesign(const Design& design) {
  TWinControl::applyDesign(design);
  items_.assign(design.items);
  if (design.columns > 0) columns_ = design.columns;
  if (!items_.empty()) setItemIndex(0);
}

// ---------------------------------------------------------------------------------------------

TFileListBox::TFileListBox(TComponent* owner, std::string name, TWinControl* parent)
    : TListBox(owner, std::move(name), parent) {}

void TFileListBox::setDirectory(std::string pathText) {
  directory_ = std::move(pathText);
  update();
}

void TFileListBox::setMask(std::string mask) {
  mask_ = std::move(mask);
  update();
}

void TFileListBox::update() {
  std::vector<std::string> names;
  if (!directory_.empty()) {
    // One listing for all masks: each name is listed once, already in order.
    for (const auto& e : platform::listDirectory(directory_))
      if (!e.isDirectory && e.name.front() != '.' && matchesAnyMask(e.name)) names.push_back(e.name);
  }
  items_.assign(std::move(names));
}

bool TFileListBox::matchesAnyMask(std::string_view name) const {
  std::string_view masks = mask_;
  for (;;) {
    const size_t cut = masks.find(';');
    const std::string_view one = masks.substr(0, cut);
    if (platform::matchesMask(name, one.empty() ? "*.*" : one)) return true;
    if (cut == std::string_view::npos) return false;
    masks.remove_prefix(cut + 1);
  }
}

}  // namespace riviza::ui
