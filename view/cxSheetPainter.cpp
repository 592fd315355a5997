#include "view/cxSheetPainter.h"

#include <QPainter>
#include <algorithm>

#include "sheet/cxSpreadSheetBook.h"

namespace {

TRect Inflate(const TRect& r, int d) { return {r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

constexpr int kFillBand = 64;

TRect MoveDown(const TRect& r, int d) { return {r.Left, r.Top + d, r.Right, r.Bottom + d}; }

}  // namespace

bool TcxSheetPainter::IsDirty(const TRect& rect) const {
  return rect.Left <= dirty_.right() && dirty_.left() <= rect.Right && rect.Top <= dirty_.bottom() &&
         dirty_.top() <= rect.Bottom;
}

void TcxSheetPainter::Paint(TcxCanvasWrapper& wrapper, const TcxSSViewInfoData& data,
                            const QRect& dirty) {
  wrapper_ = &wrapper;
  data_ = &data;
  dirty_ = dirty;
  if (data.BrickCount.X < 1 || data.BrickCount.Y < 1 || dirty.isEmpty()) return;
  QPainter& painter = *wrapper.Canvas();
  painter.save();
  painter.setClipRect(dirty, Qt::IntersectClip);
  DrawCells();
  DrawFreezeLines();
  // The frame goes over everything painted before it: the same pixels as painting it first and
  // keeping it out of the clip, with the clip staying a rectangle.
  DrawSelectionFrame();
  painter.restore();
  wrapper_ = nullptr;
  data_ = nullptr;
}

// A one-pixel dark line where frozen columns (rows) end, across the data area, as spreadsheet
// programs mark frozen panes.
void TcxSheetPainter::DrawFreezeLines() {
  const TcxSSViewInfoData& data = Data();
  QPainter& painter = *Wrapper().Canvas();
  const QColor color(0, 0, 0);
  const TRect& header = Brick(0, 0).CellRect;
  if (data.FrozenBricks.X > 0 && data.FrozenBricks.X < data.BrickCount.X) {
    const int x = Brick(data.FrozenBricks.X, 0).CellRect.Right;
    painter.fillRect(QRect(QPoint(x, header.Bottom), QPoint(x, data.Bounds.Bottom)), color);
  }
  if (data.FrozenBricks.Y > 0 && data.FrozenBricks.Y < data.BrickCount.Y) {
    const int y = Brick(0, data.FrozenBricks.Y).CellRect.Bottom;
    painter.fillRect(QRect(QPoint(header.Right, y), QPoint(data.Bounds.Right, y)), color);
  }
}

void TcxSheetPainter::DrawBrickLines(int colIndex, int rowIndex) {
  const TcxSSInfoBrick& brick = Brick(colIndex, rowIndex);
  const bool selected = brick.Selected && !HideSelection;
  const auto& top = brick.Borders[eTop];
  const auto& left = brick.Borders[eLeft];
  Wrapper().DrawLine(brick.TopLineRects, selected, top.Color, brick.BackgroundColor, false, top.Style);
  Wrapper().DrawLine(brick.LeftLineRects, selected, left.Color, brick.BackgroundColor, true, left.Style);
}

void TcxSheetPainter::DrawCells() {
  const TcxSSViewInfoData& data = Data();
  TcxCanvasWrapper& wrapper = Wrapper();
  QPainter& painter = *wrapper.Canvas();
  const int cols = data.BrickCount.X;
  const int rows = data.BrickCount.Y;

  // Headers first; the cells are then kept off them by clipping to the data area (the headers'
  // last pixel column and row included, as the cells' first grid line lies there).
  if (data.ShowHeaders) {
    wrapper.BeginTextBatch();
    DrawHeader(0, 0);
    for (int j = 1; j < rows; ++j)
      if (IsDirty(Brick(0, j).CellRect)) DrawHeader(0, j);
    for (int i = 1; i < cols; ++i)
      if (IsDirty(Brick(i, 0).CellRect)) DrawHeader(i, 0);
    wrapper.FlushTextBatch();
  }
  if (cols < 2 || rows < 2) return;
  const TRect& corner = Brick(0, 0).CellRect;
  const int dataLeft = data.ShowHeaders ? corner.Right + 1 : 0;
  const int dataTop = data.ShowHeaders ? corner.Bottom + 1 : 0;
  const TRect dataArea{dataLeft, dataTop, std::max(data.Bounds.Right, dataLeft),
                       std::max(data.Bounds.Bottom, dataTop)};
  painter.save();
  painter.setClipRect(ToQRect(dataArea), Qt::IntersectClip);
  // An unselected cell without a fill shows the window colour: one fill for all of them, done
  // in bands of rows (Qt hands a tall fill to helper threads, which costs more than it saves).
  const TColor window = wrapper.BackgroundColor(kColorNone, false);
  for (int top = dataArea.Top; top <= dataArea.Bottom; top += kFillBand)
    wrapper.FillRect({dataArea.Left, top, dataArea.Right, std::min(top + kFillBand - 1, dataArea.Bottom)}, window);

  for (int j = 1; j < rows; ++j) {
    const TRect& rowRect = Brick(0, j).CellRect;
    // Lines of the row above are drawn with this row, texts reach 2 pixels below it.
    const int above = j >= 2 ? Brick(0, j - 1).CellRect.Top : rowRect.Top;
    if (!IsDirty({dataLeft, above - 3, dataArea.Right, rowRect.Bottom + 5})) continue;
    const bool lastRow = j == rows - 1;
    // Fills never cover grid lines, so those can wait for the end of the row.
    wrapper.BeginGridBatch();
    for (int i = 1; i < cols; ++i) {
      const TcxSSInfoBrick& brick = Brick(i, j);
      const TRect& colRect = Brick(i, 0).CellRect;
      if (!IsDirty({colRect.Left - 3, above - 3, colRect.Right + 3, rowRect.Bottom + 3})) continue;
      const bool selected = brick.Selected && !HideSelection;
      if (selected || brick.FillStyle != fsSolid || brick.BackgroundColor <= 55)
        wrapper.FillCell(brick.CellRect, brick.FillStyle, selected, brick.PatternColor,
                         brick.BackgroundColor);
      if (j >= 2) DrawBrickLines(i, j - 1);
      if (lastRow) DrawBrickLines(i, j);
    }
    wrapper.FlushGridBatch();
    // The texts of one row never overlap each other.
    wrapper.BeginTextBatch();
    for (int i = 1; i < cols; ++i) {
      const TcxSSInfoBrick& brick = Brick(i, j);
      if (!brick.Merged && !brick.TextParams.Lines.empty() && IsDirty(brick.TextRect))
        wrapper.DrawText(brick.TextRect, brick.TextParams);
    }
    wrapper.FlushTextBatch();
  }

  // Merged areas over the cells below them: the inside is the area's own, the 3-pixel margin
  // keeps the cells' fills and lines.
  for (const TcxSSUnionInfoBrick& area : data.Unions) {
    const TRect inside = Inflate(area.PixelRect, -3);
    if (!IsDirty(area.PixelRect) && !IsDirty(area.TextRect)) continue;
    wrapper.FillCell(inside, area.FillStyle, area.Selected && !HideSelection, area.PatternColor,
                     area.BackgroundColor);
    wrapper.DrawText(area.TextRect, area.TextParams);
  }
  painter.restore();
}

void TcxSheetPainter::DrawHeaderText(const TcxSSInfoBrick& brick) {
  if (brick.Col < 0 && brick.Row < 0) return;  // the corner has none
  Wrapper().SetTextColor(Data().HeaderFontColor);
  Wrapper().DrawText(MoveDown(brick.CellRect, 2), brick.TextParams);
}

void TcxSheetPainter::DrawHeader(int colIndex, int rowIndex) {
  const TcxSSInfoBrick& brick = Brick(colIndex, rowIndex);
  const bool tint = brick.Selected && !HideSelection;
  TcxCanvasWrapper& wrapper = Wrapper();
  const TRect& rect = brick.CellRect;
  wrapper.FrameRect(rect, tint ? kclBlack : kclBtnShadow, false);
  wrapper.Edge3D(Inflate(rect, -1), kclBtnHighlight, tint ? kclBtnShadow : kclBtnFace);
  wrapper.FillRect(Inflate(rect, -2), Data().HeaderColor);
  DrawHeaderText(brick);
}

void TcxXPPainter::DrawHeader(int colIndex, int rowIndex) {
  const TcxSSInfoBrick& brick = Brick(colIndex, rowIndex);
  const bool tint = brick.Selected && !HideSelection;
  TcxCanvasWrapper& wrapper = Wrapper();
  TRect rect = brick.CellRect;
  if (colIndex == 0 && rowIndex == 1) --rect.Left;
  if (colIndex == 1 && rowIndex == 0) --rect.Top;
  wrapper.FillRect(rect, tint ? TcxCanvasWrapper::SelectionBlend(kclWindow, wrapper.SelectionColor())
                              : Data().HeaderColor);
  wrapper.FrameRect(rect, kclBtnShadow, tint);
  DrawHeaderText(brick);
}

void TcxSheetPainter::DrawSelectionFrame() {
  const TcxSSViewInfoData& data = Data();
  if (HideSelection || !data.SelectionInView) return;
  if (data.BrickCount.X < 1 || data.BrickCount.Y < 1) return;
  const TRect frame = data.FramePixels(data.SelectionBricks);
  const int x0 = frame.Left, y0 = frame.Top, x1 = frame.Right, y1 = frame.Bottom;
  const TRect& corner = Brick(0, 0).CellRect;
  // The selection's outer grid line, one pixel outside it and two inside it.
  const TRect sides[4] = {
      {x0 - 1, y0 - 1, x0 + 2, y1 - 1},  // left
      {x0 + 2, y0 - 1, x1 - 1, y0 + 2},  // top
      {x1 - 2, y0 - 1, x1 + 1, y1 - 1},  // right
      {x0 - 1, y1 - 2, x1 + 1, y1 + 1},  // bottom
  };
  for (TRect side : sides) {
    if (side.Right <= corner.Right || side.Bottom <= corner.Bottom) continue;
    side.Left = std::max(side.Left, corner.Right);
    side.Top = std::max(side.Top, corner.Bottom);
    Wrapper().FillRect(side, kclBlack);
  }
}
