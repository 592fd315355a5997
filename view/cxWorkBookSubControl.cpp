#include "view/cxWorkBookSubControl.h"

#include "view/cxSpreadSheetBookControl.h"

void TcxWorkBookSubControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged();
}

void TcxWorkBookSubControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  VisibleChanged();
}

void TcxWorkBookSubControl::Invalidate() {
  if (visible_) owner_.InvalidateControlRect(QBounds());
}

void TcxWorkBookSubControl::InvalidateRect(const TRect& rect) {
  if (!visible_ || rect.Right < rect.Left || rect.Bottom < rect.Top) return;
  const QRect area = QRect(QPoint(rect.Left, rect.Top), QPoint(rect.Right, rect.Bottom))
                         .translated(left_, top_)
                         .intersected(QBounds());
  if (!area.isEmpty()) owner_.InvalidateControlRect(area);
}
