// Controls with an item list: combo box, list box, radio group and file list box
// (user-interface layer).
//
// Setting Text, ItemIndex or the items by code fires no event; OnChange (combo box) and OnClick
// (list box, radio group) fire for the user's choice only. The year switch depends on this: the
// start-up fills and sets the year combo box without switching years. A combo box keeps
// ItemIndex in step with its text (the index of the item that equals it, else -1), and clearing
// its items clears its text as the native control does.
#pragma once

#include <string>
#include <string_view>

#include "ui/component.h"
#include "ui/strings.h"

namespace riviza::ui {

class TComboBox : public TWinControl {
 public:
  TComboBox(TComponent* owner, std::string name, TWinControl* parent);

  TStrings& items() { return items_; }
  const TStrings& items() const { return items_; }
  bool sorted() const { return items_.sorted(); }
  void setSorted(bool s) { items_.setSorted(s); }
  // A drop-down list: only items can be chosen, no text typed.
  bool listOnly() const { return listOnly_; }

  const std::string& text() const { return text_; }
  void setText(std::string text);
  int itemIndex() const { return itemIndex_; }
  void setItemIndex(int index);

  bool userSelect(int index);
  bool userEditText(std::string text);

  TNotifyEvent OnChange;

  void applyDesign(const Design& design) override;

 private:
  void itemsChanged();

  TStrings items_;
  std::string text_;
  int itemIndex_ = -1;
  bool listOnly_ = false;
};

// The choice of one item from a list, by the user's click (OnClick) or by code (no event).
class TItemChoice : public TWinControl {
 public:
  TItemChoice(TComponent* owner, std::string name, TWinControl* parent);

  TStrings& items() { return items_; }
  const TStrings& items() const { return items_; }
  int itemIndex() const { return itemIndex_; }
  void setItemIndex(int index);
  bool userSelect(int index);

  TNotifyEvent OnClick;

 protected:
  TStrings items_;

 private:
  int itemIndex_ = -1;
};

class TListBox : public TItemChoice {
 public:
  TListBox(TComponent* owner, std::string name, TWinControl* parent);
  void applyDesign(const Design& design) override;
};

class TRadioGroup : public TItemChoice {
 public:
  using TItemChoice::TItemChoice;
  int columns() const { return columns_; }
  void applyDesign(const Design& design) override;

 private:
  int columns_ = 1;
};

// Lists the files of Directory that match Mask ("*.*" by default; several masks separated by
// ";", an empty one counting as "*.*"), sorted by name; folders and hidden files are not
// listed. A missing folder lists nothing.
class TFileListBox : public TListBox {
 public:
  TFileListBox(TComponent* owner, std::string name, TWinControl* parent);

  const std::string& directory() const { return directory_; }
  void setDirectory(std::string pathText);
  const std::string& mask() const { return mask_; }
  void setMask(std::string mask);
  // Lists again (the folder may have changed on disk).
  void update();

 private:
  bool matchesAnyMask(std::string_view name) const;

  std::string directory_;
  std::string mask_ = "*.*";
};

}  // namespace riviza::ui
