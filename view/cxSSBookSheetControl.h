#pragma once

#include <QPoint>
#include <memory>

#include "sheet/cxSSHeader.h"
#include "view/cxSSheetViewInfo.h"
#include "view/cxWorkBookSubControl.h"

class TcxSSBookSheet;

// What a scroll bar asks for.
enum TScrollCode : uint8_t {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll,
};

// The scroll bar values of one direction as the sheet computes them: the first visible column
// (row), the page (last visible − first visible) and the maximum position of the range.
struct TcxScrollBarValues {
  int Position = 0;
  int Page = 0;
  int Maximum = 0;
};

// The on-screen side of one sheet: the region of the workbook control the active sheet takes,
// with the sheet's layout (view info). The control keeps one per sheet it has shown, so every
// sheet keeps its own scroll position; only the active sheet's is visible and gets input.
//
// The input entry points (MouseDown, MouseMove, MouseUp, DblClick, KeyDown, KeyPress, KeyUp)
// receive what the control routes to the sheet, in sheet coordinates, and do the sheet's
// interaction: selecting with the mouse (dragging, with automatic scrolling) and the keys,
// resizing columns and rows by their header edges, and the life of an in-grid edit (StartEdit
// opens the control's in-place editor over the active cell, EndEdit writes its text back as one
// "Change cells" step). Every selection change goes through the storage's SetSelection, so
// merged areas are taken whole and OnActiveCellChanging may refuse it.
//
// The selection rectangle and its kind live in the cell storage; the active cell is its
// top-left cell. Keyboard movement moves MoveCell, the corner opposite KeyAnchor while a range is
// extended with Shift; a mouse drag spans from MouseAnchor to the cell under the pointer.
class TcxSSBookSheetControl : public TcxWorkBookSubControl {
public:
  // Interaction state flags.
  static constexpr int kStateResizing = 1;
  static constexpr int kStateResizingCol = 2;
  static constexpr int kStateResizingRow = 4;
  static constexpr int kStateEditorOpened = 8;
  static constexpr int kStateSelecting = 16;

  TcxSSBookSheetControl(TcxSpreadSheetBookControl& owner, TcxSSBookSheet& sheet);
  ~TcxSSBookSheetControl() override;

  TcxSSBookSheet& Sheet() const { return sheet_; }
  TcxSSheetViewInfo& ViewInfo() const { return *viewInfo_; }

  void Paint(const QRect& dirty) override;
  void FocusChanged() override;
  void BoundsChanged() override;
  void DblClick() override;
  void KeyDown(int key, TShiftState shift) override;
  void KeyPress(QChar key) override;
  void KeyUp(int key, TShiftState shift) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseDown(Qt::MouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(Qt::MouseButton button, TShiftState shift, int x, int y) override;

  // Opens the in-place editor over the active cell; false when the cell may not be changed or
  // OnEditing refuses.
  virtual bool StartEdit();
  // Writes the editor's text into the edited cell (one "Change cells" step; nothing is written
  // when the text is the one the edit started from), then recalculates, lays the view out
  // again and fires OnEndEdit, also when the write raised.
  virtual void EndEdit();
  bool Editing() const { return editing_; }
  TPoint EditCell() const { return editCell_; }
  // Whether the active cell may be edited (the protection test of the range operations).
  bool CanEditActiveCell() const;

  // The wheel turned over the sheet (the control has scrolled already): answers whether the
  // sheet handled it.
  virtual bool DoMouseWheel(TShiftState shift, int delta, QPoint position);
  // Pushes the layout's first and last visible column and row into the control's scroll bars.
  virtual void UpdateScrollBars();
  // A scroll bar action: kind 0 horizontal, 1 vertical. With `apply` the view scrolls to the new
  // position, which `position` then returns as the view took it.
  virtual void Scroll(int kind, TScrollCode code, bool apply, int& position);
  // The values UpdateScrollBars pushes (kind 0 horizontal, 1 vertical).
  TcxScrollBarValues ScrollBarValues(int kind) const;

  int State() const { return state_; }
  TPoint MoveCell() const { return moveCell_; }
  TPoint KeyAnchor() const { return keyAnchor_; }
  TPoint MouseAnchor() const { return mouseAnchor_; }
  bool ResizeIsRow() const { return resizeIsRow_; }
  int ResizeIndex() const { return resizeIndex_; }

private:
  // Scrolls so that MoveCell is visible: a column (row) before the first shown one becomes the
  // first, one after the last fully visible one becomes the last.
  void ScrollToMoveCell();
  // The arrow key's correction of MoveCell for merged areas while a range is extended.
  void CorrectForMerged(int key, int old);
  // The control-level keys that run range operations (clipboard, clear).
  void RangeKey(int key, TShiftState shift);
  void ClearState() { state_ = 0; }

  TcxSSBookSheet& sheet_;
  std::unique_ptr<TcxSSheetViewInfo> viewInfo_;
  int state_ = 0;
  TPoint moveCell_{0, 0};
  TPoint keyAnchor_{0, 0};
  TPoint mouseAnchor_{0, 0};
  TPoint editCell_{0, 0};
  bool editing_ = false;
  bool writing_ = false;
  QPoint mouseDownPoint_;
  bool resizeIsRow_ = false;
  int resizeIndex_ = -1;
  uint16_t resizeStartSize_ = 0;
  TcxSSHeaderItem resizeStartItem_;
};
