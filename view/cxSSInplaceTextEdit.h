#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>

#include "view/cxWorkBookSubControl.h"

class TcxSpreadSheetBookControl;

// The borderless multi-line text box shown over a cell while it is edited (grid mode), and over
// a sheet tab while the tab gets a new name. It grows with its text (never below MinWidth ×
// MinHeight), keeps line breaks (typed only as Alt+Enter) and, in grid mode, hands the keys that
// leave the text back to the workbook control, so that moving out of the text moves the active
// cell. It knows nothing about cells: its owner places it, fills it with ShowEditor and reads it
// back from OnHide, which runs whenever the editor hides (a key that leaves it, Escape, the
// focus moving elsewhere).
//
// Carets are (column, line) with lines counted from 0; the text keeps its line breaks as the
// document's blocks, and GetEditText hands them out as line feeds.
class TcxSSInplaceTextEdit : public QPlainTextEdit {
  Q_OBJECT

public:
  TcxSSInplaceTextEdit(TcxSpreadSheetBookControl& owner, bool gridMode);

  TcxSpreadSheetBookControl& Owner() const { return owner_; }
  bool GridMode() const { return gridMode_; }
  bool AutoGrow() const { return autoGrow_; }
  void SetAutoGrow(bool value) { autoGrow_ = value; }
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int value);
  int MinHeight() const { return minHeight_; }
  void SetMinHeight(int value);
  // Tab ends the edit without being passed to the owner.
  bool KeepTab = false;
  const QString& StartText() const { return startText_; }

  // Called as the editor hides (before it is hidden), with the editor as sender.
  std::function<void(TcxSSInplaceTextEdit& sender)> OnHide;
  // Called after every change of the text while the editor is shown.
  std::function<void(TcxSSInplaceTextEdit& sender)> OnChange;

  // Fills the editor (line feeds become line breaks), remembers the text Escape goes back to,
  // shows it and sizes it to the text.
  void ShowEditor(const std::string& text, const std::string& startText);
  // The text, line breaks given as line feeds.
  std::string GetEditText() const;
  // The caret as (column, line).
  QPoint CaretPosition() const;
  // The (column, line) of the character under a point of the editor.
  QPoint CaretFromPoint(int x, int y) const;
  // The height of one line ("Wg") in the editor's font.
  int LineHeight() const;

  // Resizes the editor to its text: the widest line plus half a "W", one line height per line,
  // never below the minimum size.
  virtual void UpdateEditorSize();
  // Runs OnHide, then hides the editor.
  virtual void HideEditor();
  // Alt+Enter: breaks the line at the caret (or adds an empty line) and puts the caret at the
  // start of the next line.
  virtual void InsertLineBreak();
  virtual void SetCaretPosition(int column, int line);

protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  // The owner takes the focus (which ends the edit) and handles the key itself.
  void PassToOwner(int key, TShiftState shift);
  void TextChanged();

  TcxSpreadSheetBookControl& owner_;
  bool gridMode_;
  bool autoGrow_ = true;
  bool updating_ = false;
  bool skipResize_ = false;
  bool hiding_ = false;
  int minWidth_ = -1;
  int minHeight_ = -1;
  QString startText_;
};
