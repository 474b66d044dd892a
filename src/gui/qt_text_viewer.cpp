// The read-only text window with its search bar (Qt layer); see qt_text_viewer.h.
#include "gui/qt_text_viewer.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QVBoxLayout>

namespace riviza::gui {

TextViewer::TextViewer(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent),
      view_(new QPlainTextEdit(this)),
      searchBar_(new QWidget(this)),
      search_(new QLineEdit(searchBar_)),
      status_(new QLabel(searchBar_)) {
  setWindowTitle(title);
  view_->setObjectName("TextViewerText");
  view_->setReadOnly(true);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setPlainText(text);

  search_->setObjectName("TextViewerSuche");
  status_->setObjectName("TextViewerStatus");
  auto* bar = new QHBoxLayout(searchBar_);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(new QLabel("Suchen:", searchBar_));
  bar->addWidget(search_, 1);
  auto* next = new QPushButton("&Weiter", searchBar_);
  auto* previous = new QPushButton("&Zurück", searchBar_);
  for (QPushButton* b : {next, previous}) b->setAutoDefault(false);
  bar->addWidget(next);
  bar->addWidget(previous);
  bar->addWidget(status_);
  searchBar_->hide();

  auto* close = new QPushButton("&Schließen", this);
  close->setAutoDefault(false);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addWidget(searchBar_);
  layout->addLayout(bottom);

  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(next, &QPushButton::clicked, this, [this] { findNext(false); });
  connect(previous, &QPushButton::clicked, this, [this] { findNext(true); });
  // Typing looks again from the start of the current hit, so a longer text keeps its place.
  connect(search_, &QLineEdit::textEdited, this, [this] {
    const QTextCursor hit = view_->textCursor();
    QTextCursor start = hit;
    start.setPosition(hit.selectionStart());
    view_->setTextCursor(start);
    if (!findNext(false)) view_->setTextCursor(hit);
  });
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, &TextViewer::openSearch);
  auto* again = new QShortcut(QKeySequence::FindNext, this);
  connect(again, &QShortcut::activated, this, [this] { findNext(false); });
  auto* back = new QShortcut(QKeySequence::FindPrevious, this);
  connect(back, &QShortcut::activated, this, [this] { findNext(true); });
  resize(900, 600);
}

void TextViewer::openSearch() {
  const QString selected = view_->textCursor().selectedText();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) search_->setText(selected);
  searchBar_->show();
  search_->setFocus();
  search_->selectAll();
}

bool TextViewer::findNext(bool backwards) {
  const QString wanted = search_->text();
  if (wanted.isEmpty()) {
    showFound(true);
    return false;
  }
  const QTextDocument::FindFlags flags = backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  bool found = view_->find(wanted, flags);
  if (!found) {
    const QTextCursor saved = view_->textCursor();
    view_->moveCursor(backwards ? QTextCursor::End : QTextCursor::Start);
    found = view_->find(wanted, flags);
    if (!found) view_->setTextCursor(saved);
  }
  showFound(found);
  return found;
}

void TextViewer::showFound(bool found) {
  status_->setText(found ? QString() : QStringLiteral("nicht gefunden"));
  search_->setStyleSheet(found ? QString() : QStringLiteral("QLineEdit { background: #ffc0c0; }"));
}

void TextViewer::keyPressEvent(QKeyEvent* event) {
  const bool inSearch = searchBar_->isVisible() && search_->hasFocus();
  if (inSearch && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    findNext(event->modifiers() & Qt::ShiftModifier);
    return;
  }
  if (event->key() == Qt::Key_Escape && searchBar_->isVisible()) {
    searchBar_->hide();
    view_->setFocus();
    return;
  }
  QDialog::keyPressEvent(event);
}

void showTextViewer(const std::string& title, const std::string& text) {
  TextViewer viewer(QString::fromStdString(title), QString::fromStdString(text),
                    QApplication::activeWindow());
  viewer.exec();
}

}  // namespace riviza::gui
