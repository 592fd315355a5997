#include "sheet/cxSSListener.h"

#include "calc/cxSSDataStorage.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

TcxSSListener::TcxSSListener(TcxCustomSpreadSheetBook& book) : book_(book) {}

bool TcxSSListener::ActiveCellChanging(TcxSSBookSheet& sheet, TPoint activeCell) {
  bool canSelect = true;
  if (!IsLocked() && book_.OnActiveCellChanging) book_.OnActiveCellChanging(sheet, activeCell, canSelect);
  return canSelect;
}

bool TcxSSListener::ActiveSheetChanging(int activeSheet) {
  bool canSelect = true;
  if (!IsLocked() && book_.OnActiveSheetChanging)
    book_.OnActiveSheetChanging(book_, activeSheet, canSelect);
  return canSelect;
}

void TcxSSListener::CellChanged(TcxSSBookSheet& sheet, int col, int row) {
  if (IsLocked()) return;
  if (sheet.Visible() && book_.Control()) book_.Control()->CellChanged(sheet, col, row);
  if (book_.OnCellChange) book_.OnCellChange(sheet, col, row);
}

void TcxSSListener::ViewChanged() {
  if (IsLocked()) return;
  book_.RefreshView();
}

void TcxSSListener::SelectionChanged(TcxSSBookSheet& sheet, const TRect& oldSelection,
                                     const TRect& newSelection) {
  if (IsLocked()) return;
  if (sheet.Visible() && book_.Control())
    book_.Control()->SelectionChanged(sheet, oldSelection, newSelection);
  if (book_.OnSetSelection) book_.OnSetSelection(book_, sheet);
}

void TcxSSListener::ActiveSheetChanged(TcxSSBookSheet& sheet) {
  if (!IsLocked() && book_.OnSetSelection) book_.OnSetSelection(book_, sheet);
}

void TcxSSListener::SheetCaptionChanging(TcxSSBookSheet& sheet, std::string& caption) {
  book_.SetModified(true);
  if (!IsLocked() && book_.OnChangeSheetCaption) book_.OnChangeSheetCaption(sheet, caption);
}

void TcxSSListener::HeaderResizing(TcxSSBookSheet& sheet, int kind, int index, uint16_t& size) {
  const auto& handler = kind == 0 ? book_.OnResizeCol : book_.OnResizeRow;
  if (handler) handler(sheet, index, size);
}

void TcxSSListener::HeaderVisibilityChanged(TcxSSBookSheet& sheet, int kind, int index,
                                            bool prevValue, bool newValue) {
  if (kind == 1 && !newValue) {
    // A hidden row takes the selection with it: the selection becomes the first visible row
    // below it, over the selection's columns.
    auto& storage = sheet.DataStorage();
    const TRect selection = storage.Selection();
    const int next = storage.Headers(1).NextVisible(index, true);
    storage.SetSelection({selection.Left, next, selection.Right, next});
  }
  const auto& handler = kind == 0 ? book_.OnChangeColVisible : book_.OnChangeRowVisible;
  if (handler) handler(book_, sheet, index, prevValue, newValue);
  if (!IsLocked() && sheet.Visible()) {
    if (book_.Control()) book_.Control()->HeaderChanged(sheet, kind, index);
    book_.RefreshView();
  }
}

bool TcxSSListener::ClearingCells(TcxSSBookSheet& sheet, const TRect& cells,
                                  bool& useDefaultStyle) {
  bool canClear = true;
  if (book_.OnClearCells) book_.OnClearCells(sheet, cells, useDefaultStyle, canClear);
  return canClear;
}

bool TcxSSListener::EditingRequest(TcxSSBookSheet& sheet, int col, int row) {
  bool canEdit = true;
  if (!IsLocked() && book_.OnEditing) book_.OnEditing(sheet, col, row, canEdit);
  return canEdit;
}

void TcxSSListener::HistoryChanged() {
  if (!IsLocked() && book_.OnHistoryChanged) book_.OnHistoryChanged(book_);
}

bool TcxSSListener::MergingCells(TcxSSBookSheet& sheet, const TRect& cells, bool isMerge) {
  bool canMerge = isMerge;
  if (!IsLocked() && book_.OnMergeCells) book_.OnMergeCells(sheet, cells, isMerge, canMerge);
  return canMerge;
}

void TcxSSListener::Progress(int percent) {
  if (book_.OnProgress) book_.OnProgress(book_, percent);
}

namespace {

// The standard context-menu event first; the workbook's own pop-up event only when that was not
// handled and the control has no pop-up menu of its own.
void FirePopup(TcxCustomSpreadSheetBook& book, TPoint point,
               const std::function<void(TcxCustomSpreadSheetBook&, int, int)>& popupEvent) {
  bool handled = false;
  if (book.OnContextPopup) book.OnContextPopup(book, point, handled);
  const bool hasMenu = book.Control() && book.Control()->HasPopupMenu();
  if (!handled && !hasMenu && popupEvent) popupEvent(book, point.X, point.Y);
}

}  // namespace

void TcxSSListener::SheetPopup(TPoint point) { FirePopup(book_, point, book_.OnSheetPopupMenu); }

void TcxSSListener::CaptionPopup(TPoint point) {
  FirePopup(book_, point, book_.OnCaptionPopupMenu);
}

void TcxSSListener::TopLeftChanging(TcxSSBookSheet& sheet, TPoint& topLeft) {
  if (book_.OnTopLeftChanging) book_.OnTopLeftChanging(sheet, topLeft);
}

void TcxSSListener::CellsRectChanged(TcxSSBookSheet& sheet, const TRect& /*cells*/) {
  if (IsLocked()) return;
  if (book_.AutoRecalc()) book_.Recalc();
  if (sheet.Visible()) book_.RefreshView();
}
