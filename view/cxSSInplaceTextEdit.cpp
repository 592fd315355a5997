#include "view/cxSSInplaceTextEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QTextBlock>
#include <algorithm>

#include "platform/ScopeGuard.h"
#include "view/cxSpreadSheetBookControl.h"

TcxSSInplaceTextEdit::TcxSSInplaceTextEdit(TcxSpreadSheetBookControl& owner, bool gridMode)
    : QPlainTextEdit(&owner), owner_(owner), gridMode_(gridMode) {
  setObjectName(gridMode ? "cxSSInplaceTextEdit" : "cxSSRenameEdit");
  hide();
  setFrameShape(QFrame::NoFrame);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  document()->setDocumentMargin(0);
  setViewportMargins(0, 0, 0, 0);
  connect(this, &QPlainTextEdit::textChanged, this, &TcxSSInplaceTextEdit::TextChanged);
}

void TcxSSInplaceTextEdit::SetMinWidth(int value) {
  if (value == minWidth_) return;
  minWidth_ = value;
  UpdateEditorSize();
}

void TcxSSInplaceTextEdit::SetMinHeight(int value) {
  if (value == minHeight_) return;
  minHeight_ = value;
  UpdateEditorSize();
}

int TcxSSInplaceTextEdit::LineHeight() const {
  // The editor advances lines by the font's line spacing, which is at least the height of "Wg".
  const QFontMetrics metrics(font());
  return std::max(metrics.height(), metrics.lineSpacing());
}

void TcxSSInplaceTextEdit::ShowEditor(const std::string& text, const std::string& startText) {
  {
    updating_ = true;
    TScopeGuard done([this] { updating_ = false; });
    startText_ = QString::fromStdString(startText);
    // A stored carriage return before a line feed would show as a character of its own.
    QString shown = QString::fromStdString(text);
    shown.remove(QChar('\r'));
    setPlainText(shown);
    show();
    lower();
  }
  UpdateEditorSize();
}

std::string TcxSSInplaceTextEdit::GetEditText() const {
  QString text = toPlainText();
  text.remove(QChar('\r'));
  return text.toStdString();
}

void TcxSSInplaceTextEdit::UpdateEditorSize() {
  if (updating_ || !autoGrow_) return;
  const QFontMetrics metrics(font());
  const int w = metrics.horizontalAdvance(QChar('W'));
  int width = 0;
  bool measured = false;
  const QStringList lines = toPlainText().split(QChar('\n'));
  for (const QString& line : lines) {
    if (line.isEmpty()) continue;
    const int lineWidth = metrics.horizontalAdvance(line);
    if (lineWidth > width) {
      width = lineWidth + w / 2;
      measured = true;
    }
  }
  if (!measured) width = w / 2;
  int height = static_cast<int>(lines.size()) * LineHeight();
  width = std::max(width, minWidth_);
  height = std::max(height, minHeight_);
  resize(width + 2, height);
}

void TcxSSInplaceTextEdit::TextChanged() {
  UpdateEditorSize();
  if (!updating_ && isVisible() && OnChange) OnChange(*this);
}

void TcxSSInplaceTextEdit::HideEditor() {
  if (hiding_) return;
  hiding_ = true;
  TScopeGuard done([this] { hiding_ = false; });
  {
    // Hiding a focused widget would hand the focus to the next one in the chain: the workbook
    // control takes it back first.
    TScopeGuard hideAfterwards([this] {
      if (!isVisible()) return;
      if (hasFocus()) owner_.setFocus(Qt::OtherFocusReason);
      hide();
    });
    if (OnHide) OnHide(*this);
  }
}

QPoint TcxSSInplaceTextEdit::CaretPosition() const {
  const QTextCursor cursor = textCursor();
  return QPoint(cursor.positionInBlock(), cursor.blockNumber());
}

void TcxSSInplaceTextEdit::SetCaretPosition(int column, int line) {
  const QTextDocument& doc = *document();
  const int lineCount = doc.blockCount();
  line = std::clamp(line, 0, std::max(lineCount - 1, 0));
  const QTextBlock block = doc.findBlockByNumber(line);
  column = std::clamp(column, 0, std::max(block.length() - 1, 0));
  QTextCursor cursor(document());
  cursor.setPosition(block.position() + column);
  setTextCursor(cursor);
}

QPoint TcxSSInplaceTextEdit::CaretFromPoint(int x, int y) const {
  if (x <= 0) return QPoint(0, 0);
  const QFontMetrics metrics(font());
  const int lineCount = document()->blockCount();
  const int line = std::clamp(y / std::max(LineHeight(), 1), 0, std::max(lineCount - 1, 0));
  const QString text = document()->findBlockByNumber(line).text();
  if (metrics.horizontalAdvance(text) < x) return QPoint(static_cast<int>(text.size()), line);
  int column = 1;
  while (column < text.size() && metrics.horizontalAdvance(text.left(column)) < x - 2) ++column;
  return QPoint(column, line);
}

void TcxSSInplaceTextEdit::InsertLineBreak() {
  // Breaking inside a line splits it; at its end or start it adds an empty line. Either way the
  // caret goes to the start of the line after the break.
  QTextCursor cursor = textCursor();
  cursor.clearSelection();
  cursor.insertBlock();
  setTextCursor(cursor);
}

bool TcxSSInplaceTextEdit::event(QEvent* event) {
  // Tab and Shift+Tab reach the key handler instead of moving the focus on.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}

void TcxSSInplaceTextEdit::PassToOwner(int key, TShiftState shift) {
  owner_.setFocus(Qt::OtherFocusReason);
  // Without a focus change (no active window) the edit still ends here.
  if (isVisible()) HideEditor();
  owner_.EditorKeyDown(key, shift);
}

void TcxSSInplaceTextEdit::keyPressEvent(QKeyEvent* event) {
  int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const TShiftState shift{modifiers, QApplication::mouseButtons()};
  // The owner's key events see the key first and may consume it.
  if (owner_.OnKeyDown) {
    owner_.Guarded([&] { owner_.OnKeyDown(owner_, key, shift); });
    if (key == 0) {
      event->accept();
      return;
    }
  }
  if (owner_.OnKeyPress && !event->text().isEmpty()) {
    QChar ch = event->text().front();
    owner_.Guarded([&] { owner_.OnKeyPress(owner_, ch); });
    if (ch.isNull()) {
      event->accept();
      return;
    }
  }
  const QTextCursor cursor = textCursor();
  const bool noSelection = !cursor.hasSelection();
  event->accept();
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (modifiers & Qt::ControlModifier) break;
      if (!KeepTab)
        owner_.Guarded([&] { PassToOwner(key, shift); });
      else
        owner_.Guarded([this] { HideEditor(); });
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!gridMode_)
        owner_.Guarded([this] { HideEditor(); });
      else if (modifiers & Qt::AltModifier)
        InsertLineBreak();
      else
        owner_.Guarded([&] { PassToOwner(key, shift); });
      return;
    case Qt::Key_Escape:
      setPlainText(startText_);
      owner_.Guarded([&] { PassToOwner(key, shift); });
      return;
    default:
      break;
  }
  if (gridMode_) {
    bool pass = false;
    switch (key) {
      case Qt::Key_PageDown:
      case Qt::Key_Home:
        pass = true;
        break;
      case Qt::Key_Left:
        pass = cursor.positionInBlock() == 0 && noSelection;
        break;
      case Qt::Key_Up:
        pass = cursor.blockNumber() == 0;
        break;
      case Qt::Key_Right:
        pass = cursor.atBlockEnd() && noSelection;
        break;
      case Qt::Key_Down:
        pass = cursor.blockNumber() == document()->blockCount() - 1;
        break;
      default:
        break;
    }
    if (pass) {
      owner_.Guarded([&] { PassToOwner(key, shift); });
      return;
    }
  }
  // A line break is only ever made by Alt+Enter.
  const QString text = event->text();
  if (text == "\t" || text == "\n" || text == "\r") return;
  QPlainTextEdit::keyPressEvent(event);
}

void TcxSSInplaceTextEdit::keyReleaseEvent(QKeyEvent* event) {
  if (owner_.OnKeyUp) {
    int key = event->key();
    const TShiftState shift{event->modifiers(), QApplication::mouseButtons()};
    owner_.Guarded([&] { owner_.OnKeyUp(owner_, key, shift); });
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & Qt::AltModifier)) {
    event->accept();
    return;
  }
  QPlainTextEdit::keyReleaseEvent(event);
}

void TcxSSInplaceTextEdit::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (isVisible() && event->reason() != Qt::PopupFocusReason)
    owner_.Guarded([this] { HideEditor(); });
}
