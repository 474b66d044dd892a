// The read-only text window of the log viewers (Qt layer).
//
// A dialog with the text in a read-only, monospaced plain-text view without line wrapping, and
// a search bar below it that Ctrl+F opens and focuses (taking the selected text as the search
// text). Typing searches from the start of the current hit; Return and F3 find the next hit,
// Shift+Return and Shift+F3 the one before, wrapping round the text and ignoring case; a text
// without a hit turns the field red and says "nicht gefunden". Escape closes the search bar,
// or the window when the bar is closed. The widgets carry object names (TextViewerText,
// TextViewerSuche, TextViewerStatus) for the window tests.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace riviza::gui {

class TextViewer : public QDialog {
 public:
  TextViewer(const QString& title, const QString& text, QWidget* parent = nullptr);

  QPlainTextEdit* textView() const { return view_; }
  QLineEdit* searchField() const { return search_; }
  // Opens the search bar and puts the focus into it.
  void openSearch();
  // Selects the next (or previous) hit of the search text, wrapping round; false when none.
  bool findNext(bool backwards = false);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showFound(bool found);

  QPlainTextEdit* view_;
  QWidget* searchBar_;
  QLineEdit* search_;
  QLabel* status_;
};

// Shows the text in a TextViewer over the active window and waits until it is closed.
void showTextViewer(const std::string& title, const std::string& text);

}  // namespace riviza::gui
