#include "view/cxSSBookSheetControl.h"

#include <QKeyEvent>
#include <algorithm>

#include "calc/cxSSDataStorage.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"
#include "view/cxSSCursors.h"
#include "view/cxSSHeaderSizeAction.h"
#include "view/cxSSInplaceTextEdit.h"
#include "view/cxSheetPainter.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

TRect Normalized(TPoint a, TPoint b) {
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

}  // namespace

TcxSSBookSheetControl::TcxSSBookSheetControl(TcxSpreadSheetBookControl& owner, TcxSSBookSheet& sheet)
    : TcxWorkBookSubControl(owner), sheet_(sheet), viewInfo_(owner.CreateViewInfo(*this)) {}

TcxSSBookSheetControl::~TcxSSBookSheetControl() = default;

void TcxSSBookSheetControl::Paint(const QRect& dirty) {
  viewInfo_->EnsureLayout();
  viewInfo_->SetLayoutDirty(false);
  Owner().Painter().Paint(Owner().CanvasWrapper(), viewInfo_->Data(),
                          dirty.translated(-Left(), -Top()).intersected(QRect(0, 0, Width(), Height())));
}

void TcxSSBookSheetControl::BoundsChanged() { viewInfo_->SetLayoutPending(); }

void TcxSSBookSheetControl::FocusChanged() {
  if (!(state_ & kStateEditorOpened)) ClearState();
  if (sheet_.Owner().HideSelection()) viewInfo_->InvalidateSelection();
}

bool TcxSSBookSheetControl::DoMouseWheel(TShiftState, int, QPoint) {
  Owner().HideEditor();
  return true;
}

TcxScrollBarValues TcxSSBookSheetControl::ScrollBarValues(int kind) const {
  const TPoint first = viewInfo_->GetTopLeft();
  const TPoint last = viewInfo_->GetBottomRight();
  const TcxSSDataStorage& storage = sheet_.DataStorage();
  TcxScrollBarValues values;
  values.Position = kind == 0 ? first.X : first.Y;
  const int lastVisible = kind == 0 ? last.X : last.Y;
  const int count = kind == 0 ? storage.ColCount() : storage.RowCount();
  values.Page = lastVisible - values.Position;
  values.Maximum = std::max(count, lastVisible);
  if (lastVisible > count && values.Position > 0) --values.Maximum;
  return values;
}

void TcxSSBookSheetControl::UpdateScrollBars() {
  Owner().SetScrollBarValues(0, ScrollBarValues(0));
  Owner().SetScrollBarValues(1, ScrollBarValues(1));
}

void TcxSSBookSheetControl::Scroll(int kind, TScrollCode code, bool apply, int& position) {
  if (code == scEndScroll) return;
  const TcxSSHeader& header = kind == 0 ? sheet_.ColumnHeader() : sheet_.RowHeader();
  const TcxSSDataStorage& storage = sheet_.DataStorage();
  const int first = kind == 0 ? viewInfo_->GetTopLeft().X : viewInfo_->GetTopLeft().Y;
  const int last = kind == 0 ? viewInfo_->GetBottomRight().X : viewInfo_->GetBottomRight().Y;
  const int extent = std::max(kind == 0 ? storage.ColCount() : storage.RowCount(), last);
  const int page = last == first ? 1 : last - first;
  const int dataSize = kind == 0 ? Width() - viewInfo_->RowHeaderWidth()
                                 : Height() - viewInfo_->ColHeaderHeight();
  int newPosition = position;
  switch (code) {
    case scLineUp:
      newPosition = header.NextVisible(first, false);
      break;
    case scLineDown:
      newPosition = header.NextVisible(first, true);
      break;
    case scPageUp:
      newPosition = header.CountFitting(first, std::max(dataSize, 0), false);
      if (kind == 0 && last == first) --newPosition;
      break;
    case scPageDown:
      newPosition = last == first ? last + 1 : last;
      break;
    case scTop:
      newPosition = 0;
      break;
    case scBottom:
      newPosition = extent;
      break;
    default:
      break;
  }
  newPosition = std::max(newPosition, 0);

  TcxScrollBarValues values = Owner().ScrollBarValuesShown(kind);
  values.Position = newPosition;
  values.Page = last - first;
  if (newPosition + page > extent) values.Maximum = std::max(values.Maximum, newPosition + page - 1);
  values.Maximum = std::max(values.Maximum, 15);
  Owner().SetScrollBarValues(kind, values);

  if (apply) {
    if (kind == 0)
      viewInfo_->SetLeftCol(newPosition);
    else
      viewInfo_->SetTopRow(newPosition);
    newPosition = kind == 0 ? viewInfo_->GetTopLeft().X : viewInfo_->GetTopLeft().Y;
  }
  position = newPosition;
}

// --- Keyboard ----------------------------------------------------------------------------------------

void TcxSSBookSheetControl::ScrollToMoveCell() {
  viewInfo_->EnsureLayout();
  const TPoint first = viewInfo_->GetTopLeft();
  const TPoint last = viewInfo_->GetBottomRight();
  // A cell of the frozen panes is always in view.
  if (!viewInfo_->InFrozenCols(moveCell_.X)) {
    if (moveCell_.X < first.X)
      viewInfo_->SetLeftCol(moveCell_.X);
    else if (moveCell_.X > last.X)
      viewInfo_->MakeLastVisibleCol(moveCell_.X);
  }
  if (!viewInfo_->InFrozenRows(moveCell_.Y)) {
    if (moveCell_.Y < first.Y)
      viewInfo_->SetTopRow(moveCell_.Y);
    else if (moveCell_.Y > last.Y)
      viewInfo_->MakeLastVisibleRow(moveCell_.Y);
  }
}

void TcxSSBookSheetControl::CorrectForMerged(int key, int old) {
  const TcxSSDataStorage& storage = sheet_.DataStorage();
  const TRect s = storage.Selection();
  const bool columns = key == Qt::Key_Left || key == Qt::Key_Right;
  const bool backward = key == Qt::Key_Left || key == Qt::Key_Up;
  const int low = columns ? s.Left : s.Top;
  const int high = columns ? s.Right : s.Bottom;
  // The strip of the selection the moving edge runs along, grown over the merged areas it meets:
  // shrinking steps over a merged area whole, growing continues after the area already covered.
  const auto strip = [&](int from, int to) {
    const TRect r = columns ? TRect{from, s.Top, to, s.Bottom} : TRect{s.Left, from, s.Right, to};
    const TRect grown = storage.ExpandToMerged(r);
    return columns ? std::pair{grown.Left, grown.Right} : std::pair{grown.Top, grown.Bottom};
  };
  int& coordinate = columns ? moveCell_.X : moveCell_.Y;
  if (backward) {
    if (old != high) return;
    const int edge = strip(old, old).first;
    if (edge != old) coordinate = edge - 1;
  } else {
    const int edge = (old == low ? strip(old, old) : strip(old, high)).second;
    if (edge != old) coordinate = edge + 1;
  }
  coordinate = std::max(coordinate, 0);
}

void TcxSSBookSheetControl::RangeKey(int key, TShiftState shift) {
  const TRect selection = sheet_.Selection();
  const bool shiftHeld = shift.Keys & Qt::ShiftModifier;
  const bool ctrl = shift.Keys & Qt::ControlModifier;
  if (key == Qt::Key_Insert) {
    if (shiftHeld)
      sheet_.PasteCells(selection);
    else if (ctrl)
      sheet_.CopyCells(selection, false);
  } else if (key == Qt::Key_Delete) {
    if (shiftHeld)
      sheet_.CopyCells(selection, true);
    else
      sheet_.ClearCells(selection, ctrl);
  }
}

void TcxSSBookSheetControl::KeyDown(int key, TShiftState shift) {
  TcxSSDataStorage& storage = sheet_.DataStorage();
  const bool alt = shift.Keys & Qt::AltModifier;
  const bool ctrl = shift.Keys & Qt::ControlModifier;
  bool shiftHeld = shift.Keys & Qt::ShiftModifier;
  if (key == Qt::Key_Menu || (alt && storage.SelectionKind() == 1)) return;
  if (key == Qt::Key_F2 && !shiftHeld && !ctrl) {
    if (StartEdit()) {
      TcxSSInplaceTextEdit& editor = Owner().InplaceEditor();
      editor.setFocus(Qt::OtherFocusReason);
      editor.SetCaretPosition(0, 0);
    }
    return;
  }
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
    key = key == Qt::Key_Backtab || shiftHeld ? Qt::Key_Left : Qt::Key_Right;
    shiftHeld = false;
    shift.Keys &= ~Qt::ShiftModifier;
    state_ &= ~kStateSelecting;
  }
  const TRect selection = storage.Selection();
  if (!shiftHeld) moveCell_ = {selection.Left, selection.Top};
  if (key == Qt::Key_Control) return;
  if (key == Qt::Key_Shift || (shiftHeld && !(state_ & kStateSelecting))) {
    keyAnchor_ = {selection.Left, selection.Top};
    moveCell_ = {selection.Right, selection.Bottom};
    state_ = kStateSelecting;
    if (key == Qt::Key_Shift) return;
  }
  const bool selecting = state_ & kStateSelecting;

  ScrollToMoveCell();
  const TcxSSHeader& cols = sheet_.ColumnHeader();
  const TcxSSHeader& rows = sheet_.RowHeader();
  const auto visible = [](const TcxSSHeader& header, int index) {
    return header.IsVisible(index) && header.VisibleSize(index) > 0;
  };
  const TPoint old = moveCell_;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      ++moveCell_.Y;
      break;
    case Qt::Key_PageUp:
      viewInfo_->MakeLastVisibleRow(viewInfo_->GetTopLeft().Y);
      moveCell_.Y = viewInfo_->GetTopLeft().Y;
      break;
    case Qt::Key_PageDown:
      viewInfo_->SetTopRow(viewInfo_->GetBottomRight().Y);
      moveCell_.Y = viewInfo_->GetTopLeft().Y;
      break;
    case Qt::Key_End:
      if (ctrl) moveCell_ = {storage.ColCount(), storage.RowCount()};
      break;
    case Qt::Key_Home:
      moveCell_.X = 0;
      if (ctrl) moveCell_.Y = 0;
      if (!visible(cols, moveCell_.X)) moveCell_.X = cols.NextVisible(moveCell_.X, true);
      if (!visible(rows, moveCell_.Y)) moveCell_.Y = rows.NextVisible(moveCell_.Y, true);
      break;
    case Qt::Key_Left:
      moveCell_.X = std::max(cols.NextVisible(selecting ? moveCell_.X : selection.Left, false), 0);
      break;
    case Qt::Key_Up:
      moveCell_.Y = std::max(rows.NextVisible(selecting ? moveCell_.Y : selection.Top, false), 0);
      break;
    case Qt::Key_Right:
      moveCell_.X = cols.NextVisible(selecting ? moveCell_.X : selection.Right, true);
      break;
    case Qt::Key_Down:
      moveCell_.Y = rows.NextVisible(selecting ? moveCell_.Y : selection.Bottom, true);
      break;
    case Qt::Key_Insert:
    case Qt::Key_Delete:
      RangeKey(key, shift);
      break;
    default:
      break;
  }
  if (selecting) {
    if (key == Qt::Key_Left || key == Qt::Key_Right) CorrectForMerged(key, old.X);
    if (key == Qt::Key_Up || key == Qt::Key_Down) CorrectForMerged(key, old.Y);
  }
  ScrollToMoveCell();
  const bool extend = (state_ & kStateSelecting) || shiftHeld;
  sheet_.SetSelection(extend ? Normalized(moveCell_, keyAnchor_)
                             : TRect{moveCell_.X, moveCell_.Y, moveCell_.X, moveCell_.Y});
  UpdateScrollBars();
}

void TcxSSBookSheetControl::KeyPress(QChar key) {
  // A printable character starts an edit that replaces the cell's text; a space does not.
  if (key.unicode() <= 32 || !key.isPrint()) return;
  if (!CanEditActiveCell() || !StartEdit()) return;
  TcxSSInplaceTextEdit& editor = Owner().InplaceEditor();
  editor.setPlainText(QString(key));
  editor.setFocus(Qt::OtherFocusReason);
  editor.SetCaretPosition(1, 0);
}

void TcxSSBookSheetControl::KeyUp(int key, TShiftState) {
  if (key == Qt::Key_Shift) ClearState();
}

// --- Editing -----------------------------------------------------------------------------------------

bool TcxSSBookSheetControl::CanEditActiveCell() const {
  const TRect& selection = sheet_.Selection();
  return sheet_.CanChangeCell(selection.Left, selection.Top);
}

bool TcxSSBookSheetControl::StartEdit() {
  if (!CanEditActiveCell()) return false;
  TcxCustomSpreadSheetBook& book = sheet_.Owner();
  TcxSSDataStorage& storage = sheet_.DataStorage();
  const TPoint active{sheet_.Selection().Left, sheet_.Selection().Top};
  if (!book.Listener().EditingRequest(sheet_, active.X, active.Y)) return false;
  TcxSSInplaceTextEdit& editor = Owner().InplaceEditor();

  viewInfo_->EnsureLayout();
  TPoint topLeft = viewInfo_->GetTopLeft();
  if (active.X < topLeft.X) viewInfo_->SetLeftCol(active.X);
  if (active.Y < topLeft.Y) viewInfo_->SetTopRow(active.Y);
  viewInfo_->EnsureLayout();
  topLeft = viewInfo_->GetTopLeft();

  editCell_ = active;
  const TcxSSCellRec& cell = storage.CellRef(active.X, active.Y);
  const TcxSSStyleRec& style = cell.Style ? *cell.Style : *book.StyleCache().DefaultRecord();
  TcxCanvasWrapper& wrapper = Owner().CanvasWrapper();
  editor.setFont(style.Font ? wrapper.ScreenFont(ScreenFontDesc(*style.Font)).Font
                            : wrapper.ScreenFont(book.Font()).Font);
  const TColor back = style.BackgroundColor < 56 ? book.Palette()[style.BackgroundColor]
                                                 : book.BackgroundColor();
  QPalette colors = editor.palette();
  colors.setColor(QPalette::Base, ToQColor(back));
  colors.setColor(QPalette::Text, Qt::black);
  editor.setPalette(colors);

  // The cell's pixels as the storage measures them, replaced by the laid-out brick's when the
  // cell is in view (the text area of a plain cell, the whole merged area of a merged one).
  const int headerWidth = viewInfo_->RowHeaderWidth();
  const int headerHeight = viewInfo_->ColHeaderHeight();
  TRect rect = storage.GetCellRect(active.X, active.Y, true, topLeft.X, topLeft.Y);
  rect = {rect.Left + headerWidth, rect.Top + headerHeight, rect.Right + headerWidth,
          rect.Bottom + headerHeight};
  int minWidth = rect.Right - rect.Left;
  int minHeight = rect.Bottom - rect.Top;
  const TcxSSViewInfoData& data = viewInfo_->Data();
  int i = 1;
  while (i < data.BrickCount.X && data.Bricks[i][0].Col < active.X) ++i;
  const bool columnFound = i < data.BrickCount.X;
  if (columnFound) {
    int j = 1;
    while (j < data.BrickCount.Y && data.Bricks[0][j].Row < active.Y) ++j;
    if (j < data.BrickCount.Y) {
      const TcxSSInfoBrick& brick = data.Bricks[i][j];
      if (brick.Merged) {
        const TRect& pixels = data.Unions[brick.UnionIndex].PixelRect;
        rect = {pixels.Left + 1 + 3, pixels.Top + 1 + 2, pixels.Right + 1 - 3, pixels.Bottom + 1 - 2};
        minWidth = rect.Right - rect.Left;
        minHeight = rect.Bottom - rect.Top;
      } else {
        const TRect cellRect = brick.CellRect;
        const TRect textRect = brick.TextRect;
        // The cell's text is not drawn under the editor.
        viewInfo_->ClearBrickText(i, j);
        minWidth = std::max(cellRect.Right - cellRect.Left, textRect.Right - textRect.Left) - 5;
        minHeight = std::max(cellRect.Bottom - cellRect.Top, textRect.Bottom - textRect.Top) - 5;
        rect = {textRect.Left + 3, cellRect.Top + 2, textRect.Right, cellRect.Bottom};
      }
      rect.Bottom -= 1;
    }
    rect.Right = std::max(rect.Right, headerWidth);
    rect.Top = std::max(rect.Top, headerHeight);
  }
  editor.setGeometry(Left() + rect.Left - 2, Top() + rect.Top, std::max(rect.Right - rect.Left, 0),
                     std::max(rect.Bottom - rect.Top, 0));
  editor.SetAutoGrow(true);
  editor.SetMinWidth(minWidth);
  editor.SetMinHeight(minHeight);

  const std::string text = storage.GetEditText(active.X, active.Y);
  editing_ = true;
  editor.ShowEditor(text, text);
  editor.raise();
  state_ = kStateEditorOpened;
  viewInfo_->UpdateSelection();
  return true;
}

void TcxSSBookSheetControl::EndEdit() {
  if (!editing_) return;
  editing_ = false;
  ClearState();
  TcxSSInplaceTextEdit& editor = Owner().InplaceEditor();
  if (editor.isVisible()) {
    if (editor.hasFocus()) Owner().setFocus(Qt::OtherFocusReason);
    editor.hide();
  }
  TcxCustomSpreadSheetBook& book = sheet_.Owner();
  TScopeGuard after([this, &book] {
    if (book.AutoRecalc()) book.Recalc();
    viewInfo_->Recalculate();
    if (book.OnEndEdit) book.OnEndEdit(book);
  });
  const std::string text = editor.GetEditText();
  // An edit that changed nothing writes nothing: writing the starting text back would read it
  // again (a text "007" would become the number 7) and leave an empty undo step.
  if (text == editor.StartText().toStdString()) return;
  std::unique_ptr<TcxSSCellObject> cell = sheet_.DataStorage().GetCellObject(editCell_.X, editCell_.Y);
  writing_ = true;
  TScopeGuard written([this] { writing_ = false; });
  cell->SetText(text);
}

// --- Mouse -------------------------------------------------------------------------------------------

void TcxSSBookSheetControl::MouseDown(Qt::MouseButton button, TShiftState, int x, int y) {
  if (state_ & kStateEditorOpened) {
    // The press of a double-click's second click: the caret goes where the pointer is.
    TcxSSInplaceTextEdit& editor = Owner().InplaceEditor();
    editor.setFocus(Qt::MouseFocusReason);
    const QPoint at = editor.mapFrom(&Owner(), QPoint(x + Left(), y + Top()));
    const QPoint caret = editor.CaretFromPoint(at.x(), at.y());
    editor.SetCaretPosition(caret.x(), caret.y());
    ClearState();
    return;
  }
  mouseDownPoint_ = QPoint(x, y);
  viewInfo_->EnsureLayout();
  int col = mouseAnchor_.X;
  int row = mouseAnchor_.Y;
  const int flags = viewInfo_->HitTest(x, y, col, row);
  if (flags & kHitResizeZone) {
    resizeIsRow_ = flags & kHitRowHeader;
    resizeIndex_ = resizeIsRow_ ? row : col;
    state_ = kStateResizing | (resizeIsRow_ ? kStateResizingRow : kStateResizingCol);
    const TcxSSHeader& header = resizeIsRow_ ? sheet_.RowHeader() : sheet_.ColumnHeader();
    resizeStartSize_ = header.GetItem(resizeIndex_).Size;
    resizeStartItem_ = header.GetItem(resizeIndex_);
    return;
  }
  const bool onCell = flags & kHitCell;
  if (button == Qt::RightButton) {
    const bool keep = !onCell || sheet_.DataStorage().SelectionKind() != 0;
    if (!keep) {
      sheet_.SetSelection({col, row, col, row});
      mouseAnchor_ = {col, row};
    }
    const QPoint screen = Owner().mapToGlobal(QPoint(x + Left(), y + Top()));
    sheet_.Owner().Listener().SheetPopup({screen.x(), screen.y()});
    return;
  }
  if (!onCell) return;
  if (button == Qt::LeftButton) state_ = kStateSelecting;
  sheet_.SetSelection({col, row, col, row});
  mouseAnchor_ = {col, row};
}

void TcxSSBookSheetControl::MouseMove(TShiftState shift, int x, int y) {
  const bool held = shift.Buttons != Qt::NoButton;
  if (held && !(state_ & (kStateResizing | kStateSelecting))) return;
  if ((state_ & kStateSelecting) && !held) return;
  const bool left = shift.Buttons & Qt::LeftButton;
  const bool resizing = state_ & kStateResizing;
  if (left && !resizing) {
    // Dragging beyond the data area scrolls one line (column) per move or timer tick.
    TcxCustomSpreadSheetBook& book = sheet_.Owner();
    viewInfo_->EnsureLayout();
    const TPoint first = viewInfo_->GetTopLeft();
    int col = first.X;
    int row = first.Y;
    bool scrolled = false;
    if (y < book.ColHeaderHeight()) {
      if (first.Y >= 1) {
        Scroll(1, scLineUp, false, row);
        scrolled = true;
      }
    } else if (y > Height()) {
      Scroll(1, scLineDown, false, row);
      scrolled = true;
    }
    if (x < book.RowHeaderWidth()) {
      if (first.X >= 1) {
        Scroll(0, scLineUp, false, col);
        scrolled = true;
      }
    } else if (x > Width()) {
      Scroll(0, scLineDown, false, col);
      scrolled = true;
    }
    if (scrolled) viewInfo_->SetTopLeft(col, row);
  }
  viewInfo_->EnsureLayout();
  int col = mouseAnchor_.X;
  int row = mouseAnchor_.Y;
  const int flags = viewInfo_->HitTest(x, y, col, row);
  if (resizing) {
    if (!left) return;
    const QPoint moved = QPoint(x, y) - mouseDownPoint_;
    const int size = std::max((resizeIsRow_ ? moved.y() : moved.x()) + resizeStartSize_ + 1, 0);
    TcxSSHeader& header = resizeIsRow_ ? sheet_.RowHeader() : sheet_.ColumnHeader();
    header.SetSize(resizeIndex_, static_cast<uint16_t>(std::min(size, 0xFFFF)));
    return;
  }
  if ((flags & kHitResizeZone) && !(state_ & kStateSelecting)) {
    const bool rowEdge = flags & kHitRowHeader;
    Owner().setCursor(rowEdge ? VertSplitCursor() : HorzSplitCursor());
    resizeIndex_ = rowEdge ? row : col;
    return;
  }
  Owner().setCursor(SelectCursor());
  if (state_ & kStateSelecting)
    sheet_.SetSelection(Normalized({std::max(col, 0), std::max(row, 0)}, mouseAnchor_));
}

void TcxSSBookSheetControl::MouseUp(Qt::MouseButton, TShiftState, int, int) {
  const bool resized = state_ & kStateResizing;
  ClearState();
  if (!resized) return;
  // The whole drag is one step of the history, undone to the size the drag started from.
  TcxSSHeader& header = resizeIsRow_ ? sheet_.RowHeader() : sheet_.ColumnHeader();
  if (header.GetItem(resizeIndex_) == resizeStartItem_) return;
  TcxCustomHistory& history = sheet_.Owner().History();
  if (auto* action = history.AddAction<TcxSSHeaderSizeAction>())
    action->Init(sheet_, resizeIsRow_ ? 1 : 0, resizeIndex_, resizeStartItem_);
}

void TcxSSBookSheetControl::DblClick() {
  viewInfo_->EnsureLayout();
  int col = 0;
  int row = 0;
  if (viewInfo_->HitTest(mouseDownPoint_.x(), mouseDownPoint_.y(), col, row) == kHitCell) StartEdit();
}
