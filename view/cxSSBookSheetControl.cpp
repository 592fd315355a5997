#include "view/cxSSBookSheetControl.h"

#include <algorithm>

#include "calc/cxSSDataStorage.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "view/cxSheetPainter.h"
#include "view/cxSpreadSheetBookControl.h"

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
