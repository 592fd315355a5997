#include "view/cxSSBorderLines.h"

namespace {

// Line widths in pixels, in TcxSSEdgeLineStyle order.
constexpr int kLineWidth[15] = {1, 1, 2, 1, 1, 3, 3, 1, 2, 1, 2, 1, 2, 2, 1};
// How far a border line on the left or top pushes the fill inwards, in TcxSSEdgeLineStyle order.
constexpr int kLineInset[15] = {1, 1, 2, 1, 1, 2, 2, 1, 2, 1, 2, 1, 2, 2, 0};

}  // namespace

std::array<TRect, 3> BorderLineRects(const TRect& cell, TcxSSEdgeLineStyle style, bool vertical) {
  std::array<TRect, 3> rects{};
  if (style >= lsNone) return rects;
  TRect base = vertical ? TRect{cell.Left, cell.Top, cell.Left, cell.Bottom - 1}
                        : TRect{cell.Left, cell.Top, cell.Right - 1, cell.Top};
  const int width = kLineWidth[style];
  if (width == 3) {
    if (vertical) {
      --base.Left;
      --base.Right;
    } else {
      --base.Top;
      --base.Bottom;
    }
  }
  if (style == lsDouble) {
    for (int k = 0; k < 3; ++k)
      rects[k] = vertical ? TRect{base.Left + k, base.Top, base.Right + k, base.Bottom}
                          : TRect{base.Left, base.Top + k, base.Right, base.Bottom + k};
    return rects;
  }
  if (vertical)
    base.Right = base.Left + width - 1;
  else
    base.Bottom = base.Top + width - 1;
  if (style == lsThick) {
    // A thick line reaches over the corners, so that thick frames close.
    if (vertical) {
      base.Top -= 1;
      base.Bottom += 2;
    } else {
      base.Left -= 1;
      base.Right += 2;
    }
  }
  rects[0] = base;
  return rects;
}

TRect InsideBorderLines(const TRect& cell, const std::array<TcxSSEdgeLineStyle, 4>& lines) {
  TRect inside = cell;
  if (lines[eLeft] != lsNone) inside.Left += kLineInset[lines[eLeft]];
  if (lines[eTop] != lsNone) inside.Top += kLineInset[lines[eTop]];
  if (lines[eRight] != lsNone) inside.Right -= kLineWidth[lines[eRight]] == 3 ? 2 : 1;
  if (lines[eBottom] != lsNone) inside.Bottom -= kLineWidth[lines[eBottom]] == 3 ? 2 : 1;
  return inside;
}
