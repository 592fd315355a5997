#include "view/cxSSheetViewInfo.h"

#include <algorithm>
#include <climits>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSUtils.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleCache.h"
#include "view/cxSSBookSheetControl.h"
#include "view/cxSSBorderLines.h"
#include "view/cxSSCellText.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

// No layout walks further than this many columns or rows past the stored items looking for a
// visible one: every item beyond the stored ones has the (visible) default size.
constexpr int kWalkSlack = 2;

bool Intersects(const TRect& a, const TRect& b) {
  return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

TRect Inflate(const TRect& r, int d) { return {r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

TRect Union(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

bool InCells(const TRect& cells, int col, int row) {
  return col >= cells.Left && col <= cells.Right && row >= cells.Top && row <= cells.Bottom;
}

// Walks from `first` adding visible sizes while the sum stays below `size`: the number of
// visible items walked.
int CountWalked(const TcxSSHeader& header, int first, int size) {
  int count = 0;
  int64_t sum = 0;
  const int limit = std::max(first, header.Count()) + kWalkSlack;
  for (int index = first; sum < size; ++index) {
    const int itemSize = header.VisibleSize(index);
    if (itemSize > 0) {
      ++count;
      sum += itemSize;
    } else if (index > limit) {
      break;
    }
  }
  return count;
}

// The next visible item at or after `index`.
int VisibleFrom(const TcxSSHeader& header, int index) {
  const int limit = std::max(index, header.Count()) + kWalkSlack;
  while (header.VisibleSize(index) == 0 && index <= limit) ++index;
  return index;
}

// The last item that lies completely within `size` pixels from `first`, skipped back to a
// visible one; `first` itself when not even it fits.
int LastFitting(const TcxSSHeader& header, int first, int size) {
  int index = first;
  int64_t sum = 0;
  const int limit = std::max(first, header.Count()) + kWalkSlack;
  while (true) {
    const int itemSize = header.VisibleSize(index);
    if (sum + itemSize > size || (itemSize == 0 && index > limit)) break;
    sum += itemSize;
    ++index;
  }
  int result = index - 1;
  while (result > first && header.VisibleSize(result) == 0) --result;
  return std::max(result, first);
}

// The first item from which the items up to `last` fit within `size` pixels, moved forward past
// hidden items.
int FirstFitting(const TcxSSHeader& header, int last, int size) {
  int first = last;
  int64_t sum = header.VisibleSize(last);
  while (first > 0 && sum + header.VisibleSize(first - 1) <= size) {
    sum += header.VisibleSize(first - 1);
    --first;
  }
  while (first < last && header.VisibleSize(first) == 0) ++first;
  return first;
}

// The line style a cell shows for one of its own edges: a cell with a fill of its own does not
// show the grid line on its edges.
TcxSSEdgeLineStyle ShownEdgeStyle(const TcxSSStyleRec& style, int edge) {
  const TcxSSEdgeLineStyle line = style.Edges[edge].Style;
  if (line == lsDefault && (style.BrushStyle != fsSolid || style.BackgroundColor <= 55)) return lsNone;
  return line;
}

}  // namespace

TcxSSheetViewInfo::TcxSSheetViewInfo(TcxSSBookSheetControl& sheet) : sheetControl_(sheet) {}

TcxSSheetViewInfo::~TcxSSheetViewInfo() = default;

TcxSSBookSheet& TcxSSheetViewInfo::Sheet() const { return sheetControl_.Sheet(); }

TcxCustomSpreadSheetBook& TcxSSheetViewInfo::Book() const { return Sheet().Owner(); }

int TcxSSheetViewInfo::RowHeaderWidth() const {
  return Sheet().ShowHeaders() ? Book().RowHeaderWidth() : 0;
}

int TcxSSheetViewInfo::ColHeaderHeight() const {
  return Sheet().ShowHeaders() ? Book().ColHeaderHeight() : 0;
}

void TcxSSheetViewInfo::SetLayoutDirty(bool value) {
  const bool becomesDirty = value && !layoutDirty_;
  layoutDirty_ = value;
  if (becomesDirty && Book().BufferedPaint()) sheetControl_.Invalidate();
}

void TcxSSheetViewInfo::EnsureLayout() {
  if (layoutPending_ || data_.BrickCount.X == 0 || !(data_.Bounds == sheetControl_.ClientRect()))
    Calculate();
}

// --- Layout --------------------------------------------------------------------------------------

void TcxSSheetViewInfo::Calculate() {
  layoutPending_ = false;
  TcxSSBookSheet& sheet = Sheet();
  TcxCustomSpreadSheetBook& book = Book();
  TcxSpreadSheetBookControl& control = sheetControl_.Owner();
  control.SyncCanvas();
  TcxCanvasWrapper& wrapper = control.CanvasWrapper();

  showFormulas_ = sheet.ShowFormulas();
  data_.Bounds = sheetControl_.ClientRect();
  gridVisible_ = sheet.ShowGrid();
  const int rowHeaderWidth = RowHeaderWidth();
  const int colHeaderHeight = ColHeaderHeight();
  const int dataWidth = std::max(0, data_.Bounds.Right - rowHeaderWidth);
  const int dataHeight = std::max(0, data_.Bounds.Bottom - colHeaderHeight);
  // The frozen columns (rows) that are not hidden and start within the data area, then the
  // scrolled ones in the space they leave.
  const TcxSSSheetView& view = sheet.View();
  const auto frozenBricks = [](const TcxSSHeader& header, int first, int count, int size) {
    int bricks = 0;
    int64_t sum = 0;
    for (int index = first; index < first + count && sum < size; ++index) {
      const int itemSize = header.VisibleSize(index);
      if (itemSize == 0) continue;
      ++bricks;
      sum += itemSize;
    }
    return bricks;
  };
  data_.FrozenBricks = {frozenBricks(sheet.ColumnHeader(), view.Origin.X, view.FrozenCols, dataWidth),
                        frozenBricks(sheet.RowHeader(), view.Origin.Y, view.FrozenRows, dataHeight)};
  data_.TopLeft = ClampTopLeft(view.TopLeft());
  const TPoint frozen = FrozenPixels();
  const int colCount = data_.FrozenBricks.X +
                       CountWalked(sheet.ColumnHeader(), data_.TopLeft.X, std::max(0, dataWidth - frozen.X)) + 2;
  const int rowCount = data_.FrozenBricks.Y +
                       CountWalked(sheet.RowHeader(), data_.TopLeft.Y, std::max(0, dataHeight - frozen.Y)) + 2;

  layoutFonts_.clear();
  data_.Unions.clear();
  // Bricks are overwritten field by field, so the text lines keep their storage between layouts.
  data_.Bricks.resize(colCount);
  for (auto& column : data_.Bricks) column.resize(rowCount);
  data_.Selection = sheet.Selection();
  data_.ShowHeaders = sheet.ShowHeaders();
  data_.HeaderColor = book.HeaderColor();
  data_.HeaderFontColor = kclWindowText;
  wrapper.SetFont(&control.HeaderFont());
  CalculateHeaders(colCount, rowCount);
  data_.BrickCount = {colCount, rowCount};

  for (int j = 1; j < rowCount; ++j) {
    for (int i = 1; i < colCount; ++i) CalculateCell(i, j);
    CalculateTextOverflow(j);
  }
  ClearUnionInnerBorders();
  for (int j = 1; j < rowCount; ++j)
    for (int i = 1; i < colCount; ++i) AdjustBorders(i, j);

  data_.SelectionBricks = CellsToBricks(data_.Selection);
  sheetControl_.UpdateScrollBars();
  UpdateSelectionInView();
  SetLayoutDirty(true);
}

void TcxSSheetViewInfo::Recalculate() {
  TScopeGuard repaint([this] { sheetControl_.Invalidate(); });
  Calculate();
  UpdateSelectionInView();
}

TPoint TcxSSheetViewInfo::ScrollStart() const {
  const TcxSSSheetView& view = Sheet().View();
  return {view.FrozenCols > 0 ? view.Origin.X + view.FrozenCols : 0,
          view.FrozenRows > 0 ? view.Origin.Y + view.FrozenRows : 0};
}

bool TcxSSheetViewInfo::InFrozenCols(int col) const {
  const TcxSSSheetView& view = Sheet().View();
  return col >= view.Origin.X && col < view.Origin.X + view.FrozenCols;
}

bool TcxSSheetViewInfo::InFrozenRows(int row) const {
  const TcxSSSheetView& view = Sheet().View();
  return row >= view.Origin.Y && row < view.Origin.Y + view.FrozenRows;
}

TPoint TcxSSheetViewInfo::FrozenPixels() const {
  const TcxSSSheetView& view = Sheet().View();
  return {static_cast<int>(Sheet().ColumnHeader().Distance(view.Origin.X, view.Origin.X + view.FrozenCols)),
          static_cast<int>(Sheet().RowHeader().Distance(view.Origin.Y, view.Origin.Y + view.FrozenRows))};
}

TPoint TcxSSheetViewInfo::ClampTopLeft(TPoint topLeft) const {
  const TPoint start = ScrollStart();
  return {std::max(topLeft.X, start.X), std::max(topLeft.Y, start.Y)};
}

int TcxSSheetViewInfo::PixelX(int col) const {
  const TcxSSSheetView& view = Sheet().View();
  const TcxSSHeader& header = Sheet().ColumnHeader();
  if (view.FrozenCols > 0 && col < ScrollStart().X)
    return RowHeaderWidth() + static_cast<int>(header.Distance(view.Origin.X, col));
  return RowHeaderWidth() + FrozenPixels().X + static_cast<int>(header.Distance(data_.TopLeft.X, col));
}

int TcxSSheetViewInfo::PixelY(int row) const {
  const TcxSSSheetView& view = Sheet().View();
  const TcxSSHeader& header = Sheet().RowHeader();
  if (view.FrozenRows > 0 && row < ScrollStart().Y)
    return ColHeaderHeight() + static_cast<int>(header.Distance(view.Origin.Y, row));
  return ColHeaderHeight() + FrozenPixels().Y + static_cast<int>(header.Distance(data_.TopLeft.Y, row));
}

void TcxSSheetViewInfo::CalculateHeaders(int colCount, int rowCount) {
  TcxCanvasWrapper& wrapper = sheetControl_.Owner().CanvasWrapper();
  const TcxSSHeader& rows = Sheet().RowHeader();
  const TcxSSHeader& cols = Sheet().ColumnHeader();
  const int rowHeaderWidth = RowHeaderWidth();
  const int colHeaderHeight = ColHeaderHeight();
  const bool r1c1 = Book().R1C1ReferenceStyle();
  const TcxSSSheetView& view = Sheet().View();

  // The frozen rows (columns) first, then the scrolled ones from the top-left cell.
  int y = colHeaderHeight;
  int row = data_.FrozenBricks.Y > 0 ? view.Origin.Y : data_.TopLeft.Y;
  for (int j = 1; j < rowCount; ++j) {
    if (j == data_.FrozenBricks.Y + 1) row = std::max(row, data_.TopLeft.Y);
    row = VisibleFrom(rows, row);
    const int height = rows.VisibleSize(row);
    TcxSSInfoBrick& brick = Brick(0, j);
    brick.Col = -1;
    brick.Row = row;
    brick.CellRect = {0, y, rowHeaderWidth, y + height};
    brick.TextRect = brick.CellRect;
    brick.Merged = false;
    brick.UnionIndex = -1;
    wrapper.LayoutHeaderText(std::to_string(row + 1), brick.CellRect, false, brick.TextParams);
    brick.Selected = row >= data_.Selection.Top && row <= data_.Selection.Bottom;
    y += height;
    ++row;
  }

  int x = rowHeaderWidth;
  int col = data_.FrozenBricks.X > 0 ? view.Origin.X : data_.TopLeft.X;
  for (int i = 1; i < colCount; ++i) {
    if (i == data_.FrozenBricks.X + 1) col = std::max(col, data_.TopLeft.X);
    col = VisibleFrom(cols, col);
    const int width = cols.VisibleSize(col);
    TcxSSInfoBrick& brick = Brick(i, 0);
    brick.Col = col;
    brick.Row = -1;
    brick.CellRect = {x, 0, x + width, colHeaderHeight};
    brick.TextRect = brick.CellRect;
    brick.Merged = false;
    brick.UnionIndex = -1;
    wrapper.LayoutHeaderText(TcxSSUtils::ColumnName(col, r1c1), brick.CellRect, true,
                             brick.TextParams);
    brick.Selected = col >= data_.Selection.Left && col <= data_.Selection.Right;
    x += width;
    ++col;
  }

  TcxSSInfoBrick& corner = Brick(0, 0);
  corner.Col = -1;
  corner.Row = -1;
  corner.CellRect = {0, 0, rowHeaderWidth, colHeaderHeight};
  corner.TextRect = corner.CellRect;
  corner.TextParams.Clear();
  corner.Selected = false;
  corner.Merged = false;
  corner.UnionIndex = -1;
}

TcxSSheetViewInfo::TCellText TcxSSheetViewInfo::DisplayText(const TcxSSCellRec& cell,
                                                            const TcxSSStyleRec& style) const {
  return CellDisplayText(Book(), cell, style);
}

const TcxScreenFont& TcxSSheetViewInfo::CellFont(const TcxSSFontRec* font) {
  auto it = layoutFonts_.find(font);
  if (it != layoutFonts_.end()) return *it->second;
  TcxCanvasWrapper& wrapper = sheetControl_.Owner().CanvasWrapper();
  const TcxScreenFont& screenFont =
      font ? wrapper.ScreenFont(ScreenFontDesc(*font)) : wrapper.ScreenFont(Book().Font());
  layoutFonts_.emplace(font, &screenFont);
  return screenFont;
}

void TcxSSheetViewInfo::LayoutCellText(const TcxSSStyleRec& style, const TCellText& text,
                                       const TRect& rect, TcxTextParameters& params, bool widen,
                                       TRect* widenedRect) {
  TcxCanvasWrapper& wrapper = sheetControl_.Owner().CanvasWrapper();
  wrapper.SetFont(&CellFont(style.Font));
  ::LayoutCellText(wrapper, Book(), style, text, rect, params, widen, widenedRect);
}

void TcxSSheetViewInfo::CalculateCell(int colIndex, int rowIndex) {
  TcxSSInfoBrick& brick = Brick(colIndex, rowIndex);
  const int col = Brick(colIndex, 0).Col;
  const int row = Brick(0, rowIndex).Row;
  brick.Col = col;
  brick.Row = row;
  const TcxSSDataStorage& storage = Sheet().DataStorage();
  const TcxSSStyleRec& defaultStyle = *Book().StyleCache().DefaultRecord();
  const auto styleOf = [&](const TcxSSCellRec& cell) -> const TcxSSStyleRec& {
    return cell.Style ? *cell.Style : defaultStyle;
  };
  const TcxSSCellRec& cell = storage.CellRef(col, row);
  const TcxSSStyleRec& style = styleOf(cell);

  const TRect& colRect = Brick(colIndex, 0).CellRect;
  const TRect& rowRect = Brick(0, rowIndex).CellRect;
  brick.CellRect = {colRect.Left, rowRect.Top, colRect.Right, rowRect.Bottom};
  brick.FillStyle = style.BrushStyle;
  brick.BackgroundColor = style.BackgroundColor;
  brick.PatternColor = style.ForegroundColor;

  // The line between two cells is the right (bottom) cell's left (top) line; its colour is
  // this cell's own.
  const int rightCol = colIndex + 1 < data_.BrickCount.X ? Brick(colIndex + 1, 0).Col : col + 1;
  const int belowRow = rowIndex + 1 < data_.BrickCount.Y ? Brick(0, rowIndex + 1).Row : row + 1;
  const TcxSSStyleRec& rightStyle = styleOf(storage.CellRef(rightCol, row));
  const TcxSSStyleRec& belowStyle = styleOf(storage.CellRef(col, belowRow));
  brick.Borders[eLeft] = {ShownEdgeStyle(style, eLeft), style.Edges[eLeft].Color};
  brick.Borders[eTop] = {ShownEdgeStyle(style, eTop), style.Edges[eTop].Color};
  brick.Borders[eRight] = {ShownEdgeStyle(rightStyle, eLeft), style.Edges[eRight].Color};
  brick.Borders[eBottom] = {ShownEdgeStyle(belowStyle, eTop), style.Edges[eBottom].Color};
  if (!gridVisible_)
    for (auto& border : brick.Borders)
      if (border.Style == lsDefault) border.Style = lsNone;

  brick.TextParams.WordBreak = CellWrapsText(style);
  brick.TextRect = CellTextRect(brick.CellRect);
  brick.UnionIndex = (style.Flags & kStyleMerged) ? AddUnion(col, row) : -1;
  brick.Merged = brick.UnionIndex >= 0;
  if (brick.Merged) {
    const TcxSSUnionInfoBrick& area = data_.Unions[brick.UnionIndex];
    brick.FillStyle = area.FillStyle;
    brick.BackgroundColor = area.BackgroundColor;
    brick.PatternColor = area.PatternColor;
    brick.Selected = area.Selected;
    brick.TextParams.Clear();
  } else {
    brick.Selected = InCells(data_.Selection, col, row) && !IsActiveCell(col, row);
    const TCellText text = DisplayText(cell, style);
    if (text.Text.empty()) {
      brick.TextParams.Clear();
    } else {
      // Centred across the selection: over this cell and the empty cells after it that are
      // centred across the selection too.
      TRect span = brick.CellRect;
      if (style.HorzTextAlign == haCENTERACROSS && !CellWrapsText(style) && style.Rotation == 0)
        for (int k = colIndex + 1; k < data_.BrickCount.X; ++k) {
          const TcxSSCellRec& next = storage.CellRef(Brick(k, 0).Col, row);
          const TcxSSStyleRec& nextStyle = styleOf(next);
          if (next.Kind != ckText || !next.Text.empty() || nextStyle.HorzTextAlign != haCENTERACROSS ||
              (nextStyle.Flags & kStyleMerged))
            break;
          span.Right = Brick(k, 0).CellRect.Right;
        }
      brick.TextRect = CellTextRect(span);
      LayoutCellText(style, text, brick.TextRect, brick.TextParams, true, &brick.TextRect);
    }
    brick.TextParams.WordBreak = CellWrapsText(style);
  }
  CalculateLineRects(brick, brick.Borders[eTop].Style, false, brick.TopLineRects);
  CalculateLineRects(brick, brick.Borders[eLeft].Style, true, brick.LeftLineRects);
}

void TcxSSheetViewInfo::CalculateLineRects(const TcxSSInfoBrick& brick, TcxSSEdgeLineStyle style,
                                           bool vertical, std::array<TRect, 3>& rects) const {
  rects = BorderLineRects(brick.CellRect, style, vertical);
}

void TcxSSheetViewInfo::CalculateTextOverflow(int rowIndex) {
  const int count = data_.BrickCount.X;
  const auto hasText = [](const TcxSSInfoBrick& b) { return !b.TextParams.Lines.empty(); };
  // Text stays on its side of the frozen panes' line.
  const int frozen = data_.FrozenBricks.X;
  const int frozenRight = frozen > 0 ? Brick(frozen, 0).CellRect.Right : INT_MAX;
  for (int i = count - 1; i >= 1; --i) {
    TcxSSInfoBrick& brick = Brick(i, rowIndex);
    if (brick.Merged || !hasText(brick) || brick.TextParams.WordBreak) continue;
    const bool inFrozen = i <= frozen;
    const int firstIndex = inFrozen ? 1 : frozen + 1;
    const int lastIndex = inFrozen ? frozen : count - 1;
    const int leftEdge = inFrozen ? Brick(0, rowIndex).CellRect.Right
                                  : std::max(Brick(0, rowIndex).CellRect.Right,
                                             frozen > 0 ? frozenRight : 0);
    if (brick.TextRect.Left < brick.CellRect.Left) {
      for (int k = i - 1; k >= firstIndex; --k) {
        TcxSSInfoBrick& left = Brick(k, rowIndex);
        if (hasText(left) || left.Merged) {
          brick.TextRect.Left = std::max(brick.TextRect.Left, left.CellRect.Right + 2);
          break;
        }
        left.Borders[eRight].Style = lsNone;
        Brick(k + 1, rowIndex).Borders[eLeft].Style = lsNone;
        if (left.CellRect.Left < brick.TextRect.Left) break;
      }
      brick.TextRect.Left = std::max(brick.TextRect.Left, leftEdge);
    }
    if (brick.TextRect.Right > brick.CellRect.Right) {
      for (int k = i + 1; k <= lastIndex; ++k) {
        TcxSSInfoBrick& right = Brick(k, rowIndex);
        if (hasText(right) || right.Merged) {
          brick.TextRect.Right = std::min(brick.TextRect.Right, right.CellRect.Left - 2);
          break;
        }
        right.Borders[eLeft].Style = lsNone;
        Brick(k - 1, rowIndex).Borders[eRight].Style = lsNone;
        if (brick.TextRect.Right < right.CellRect.Right) break;
      }
      if (inFrozen) brick.TextRect.Right = std::min(brick.TextRect.Right, frozenRight - 1);
    }
    // The widened rectangle may now cut the text.
    brick.TextParams.FitsRect = false;
    if (brick.TextParams.Lines.size() == 1) {
      const TcxTextBrick& line = brick.TextParams.Lines.front();
      int left = brick.TextParams.X;
      if (brick.TextParams.HorzAlign == haCENTER)
        left -= line.Width / 2;
      else if (brick.TextParams.HorzAlign == haRIGHT)
        left -= line.Width;
      const int height = brick.TextParams.Font ? brick.TextParams.Font->Height : 0;
      brick.TextParams.FitsRect = left >= brick.TextRect.Left &&
                                  left + line.Width - 1 <= brick.TextRect.Right &&
                                  line.Y - 2 >= brick.TextRect.Top &&
                                  line.Y - 2 + height - 1 <= brick.TextRect.Bottom;
    }
  }
}

void TcxSSheetViewInfo::ClearUnionInnerBorders() {
  for (int i = 1; i < data_.BrickCount.X; ++i) {
    for (int j = 1; j < data_.BrickCount.Y; ++j) {
      TcxSSInfoBrick& brick = Brick(i, j);
      if (!brick.Merged) continue;
      const TRect& area = data_.Unions[brick.UnionIndex].Area;
      if (brick.Col != area.Left) brick.Borders[eLeft].Style = lsNone;
      if (brick.Col != area.Right) brick.Borders[eRight].Style = lsNone;
      if (brick.Row != area.Top) brick.Borders[eTop].Style = lsNone;
      if (brick.Row != area.Bottom) brick.Borders[eBottom].Style = lsNone;
    }
  }
}

void TcxSSheetViewInfo::AdjustBorders(int colIndex, int rowIndex) {
  TcxSSInfoBrick& brick = Brick(colIndex, rowIndex);
  const auto& borders = brick.Borders;
  // Fills stay inside the lines.
  brick.CellRect = InsideBorderLines(brick.CellRect, {borders[eLeft].Style, borders[eTop].Style,
                                                      borders[eRight].Style, borders[eBottom].Style});

  // Where double lines meet, their inner and outer lines are shortened or lengthened so that
  // the corners close.
  TcxSSInfoBrick* above = nullptr;
  if (rowIndex > 1 && Brick(colIndex, rowIndex - 1).Borders[eLeft].Style == lsDouble)
    above = &Brick(colIndex, rowIndex - 1);
  TcxSSInfoBrick* left = nullptr;
  if (colIndex > 1 && Brick(colIndex - 1, rowIndex).Borders[eTop].Style == lsDouble)
    left = &Brick(colIndex - 1, rowIndex);
  auto& top = brick.TopLineRects;
  auto& side = brick.LeftLineRects;
  const bool topDouble = borders[eTop].Style == lsDouble;
  const bool leftDouble = borders[eLeft].Style == lsDouble;
  if (topDouble && leftDouble) {
    top[2].Left += 1;
    side[2].Top += 1;
    if (!above && !left) {
      top[0].Left -= 1;
      side[0].Top -= 1;
    } else if (above) {
      top[0].Left += 1;
      above->LeftLineRects[2].Bottom -= 1;
    }
  }
  if (topDouble && !leftDouble && (above || left)) {
    top[0].Left += 1;
    if (above) {
      top[2].Left -= 1;
      above->LeftLineRects[0].Bottom += 1;
    }
  }
  if (leftDouble && left) {
    side[0].Top += 1;
    if (!topDouble && !above) {
      left->TopLineRects[0].Right += 1;
      side[2].Top -= 1;
    }
  }
  if (!leftDouble && !topDouble && above && left) {
    left->TopLineRects[2].Right += 1;
    above->LeftLineRects[2].Bottom += 2;
  }
}

int TcxSSheetViewInfo::AddUnion(int col, int row) {
  const TcxSSDataStorage& storage = Sheet().DataStorage();
  TRect area;
  if (!storage.GetMergedRect({col, row}, area)) return -1;
  for (size_t k = 0; k < data_.Unions.size(); ++k)
    if (data_.Unions[k].Area == area) return static_cast<int>(k);

  TcxSSUnionInfoBrick item;
  item.Area = area;
  const TcxSSCellRec& cell = storage.CellRef(area.Left, area.Top);
  const TcxSSStyleRec& style = cell.Style ? *cell.Style : *Book().StyleCache().DefaultRecord();
  item.FillStyle = style.BrushStyle;
  item.BackgroundColor = style.BackgroundColor;
  item.PatternColor = style.ForegroundColor;
  const TRect& selection = data_.Selection;
  item.Selected = !InCells(area, selection.Left, selection.Top) &&
                  InCells(selection, area.Left, area.Top) && InCells(selection, area.Right, area.Bottom);
  // Measured in the pane of its first cell: an area under the frozen panes' line is cut there.
  const TPoint frozen = FrozenPixels();
  const int rowHeaderWidth =
      RowHeaderWidth() + (InFrozenCols(area.Left) || data_.FrozenBricks.X == 0 ? 0 : frozen.X);
  const int colHeaderHeight =
      ColHeaderHeight() + (InFrozenRows(area.Top) || data_.FrozenBricks.Y == 0 ? 0 : frozen.Y);
  const TRect pixels = {PixelX(area.Left), PixelY(area.Top), PixelX(area.Right + 1),
                        PixelY(area.Bottom + 1)};
  item.PixelRect = pixels;
  item.TextRect = {pixels.Left + 1, pixels.Top + 2, pixels.Right - 3, pixels.Bottom + 2};
  const TCellText text = DisplayText(cell, style);
  item.TextParams.Clear();
  // Laid out before the clipping below, so that a partly scrolled area shows its text cut
  // rather than moved.
  if (!text.Text.empty())
    LayoutCellText(style, text, item.TextRect, item.TextParams, false, nullptr);
  item.TextParams.FitsRect = false;
  item.PixelRect.Top = std::max(item.PixelRect.Top, colHeaderHeight);
  item.PixelRect.Left = std::max(item.PixelRect.Left, rowHeaderWidth);
  item.TextRect.Top = std::max(item.TextRect.Top, colHeaderHeight);
  item.TextRect.Left = std::max(item.TextRect.Left, rowHeaderWidth);
  item.TextRect.Right += 1;
  data_.Unions.push_back(std::move(item));
  return static_cast<int>(data_.Unions.size()) - 1;
}

// --- Selection -----------------------------------------------------------------------------------

bool TcxSSheetViewInfo::IsActiveCell(int col, int row) const {
  return col == data_.Selection.Left && row == data_.Selection.Top;
}

void TcxSSheetViewInfo::UpdateSelectionInView() {
  const TPoint last = GetBottomRight();
  const TRect& s = data_.Selection;
  const TcxSSSheetView& view = Sheet().View();
  const TPoint first{data_.FrozenBricks.X > 0 ? view.Origin.X : data_.TopLeft.X,
                     data_.FrozenBricks.Y > 0 ? view.Origin.Y : data_.TopLeft.Y};
  data_.SelectionInView = last.X + 1 >= s.Left && s.Right >= first.X && last.Y + 1 >= s.Top &&
                          s.Bottom >= first.Y;
}

void TcxSSheetViewInfo::UpdateSelection() {
  SetLayoutDirty(true);
  const TRect selection = Sheet().Selection();
  if (selection == data_.Selection) return;
  const TRect oldBricks = data_.SelectionBricks;
  const bool oldInView = data_.SelectionInView;
  const TPoint oldActive{data_.Selection.Left, data_.Selection.Top};
  data_.Selection = selection;
  if (data_.BrickCount.X < 1 || data_.BrickCount.Y < 1) return;

  for (int i = 1; i < data_.BrickCount.X; ++i) {
    TcxSSInfoBrick& header = Brick(i, 0);
    const bool selected = header.Col >= selection.Left && header.Col <= selection.Right;
    if (selected != header.Selected) {
      header.Selected = selected;
      InvalidateCell(i, 0);
    }
  }
  for (int j = 1; j < data_.BrickCount.Y; ++j) {
    TcxSSInfoBrick& header = Brick(0, j);
    const bool selected = header.Row >= selection.Top && header.Row <= selection.Bottom;
    if (selected != header.Selected) {
      header.Selected = selected;
      InvalidateCell(0, j);
    }
  }

  // Merged areas change as a whole, also when their first cell is scrolled out of view.
  for (size_t k = 0; k < data_.Unions.size(); ++k) {
    TcxSSUnionInfoBrick& area = data_.Unions[k];
    const bool selected = !InCells(area.Area, selection.Left, selection.Top) &&
                          InCells(selection, area.Area.Left, area.Area.Top) &&
                          InCells(selection, area.Area.Right, area.Area.Bottom);
    if (selected == area.Selected) continue;
    area.Selected = selected;
    InvalidateArea(area.PixelRect);
  }
  for (int i = 1; i < data_.BrickCount.X; ++i) {
    for (int j = 1; j < data_.BrickCount.Y; ++j) {
      TcxSSInfoBrick& brick = Brick(i, j);
      const bool selected = brick.Merged ? data_.Unions[brick.UnionIndex].Selected
                                         : InCells(selection, brick.Col, brick.Row) &&
                                               !IsActiveCell(brick.Col, brick.Row);
      const bool wasActive = brick.Col == oldActive.X && brick.Row == oldActive.Y;
      if (selected != brick.Selected || wasActive || IsActiveCell(brick.Col, brick.Row)) {
        brick.Selected = selected;
        InvalidateCell(i, j);
      }
    }
  }

  // The frame moves with the selection: repaint where it was and where it goes.
  const auto invalidateFrame = [this](const TRect& bricks, bool inView) {
    if (!inView) return;
    const TRect frame = data_.FramePixels(bricks);
    const int x0 = frame.Left, y0 = frame.Top, x1 = frame.Right, y1 = frame.Bottom;
    InvalidateArea({x0, y0, x0, y1});
    InvalidateArea({x1, y0, x1, y1});
    InvalidateArea({x0, y0, x1, y0});
    InvalidateArea({x0, y1, x1, y1});
  };
  invalidateFrame(oldBricks, oldInView);
  data_.SelectionBricks = CellsToBricks(selection);
  UpdateSelectionInView();
  invalidateFrame(data_.SelectionBricks, data_.SelectionInView);
}

void TcxSSheetViewInfo::InvalidateSelection() {
  for (int i = 1; i < data_.BrickCount.X; ++i)
    for (int j = 1; j < data_.BrickCount.Y; ++j) {
      const TcxSSInfoBrick& brick = Brick(i, j);
      if (brick.Selected || IsActiveCell(brick.Col, brick.Row)) InvalidateCell(i, j);
    }
  for (const TcxSSUnionInfoBrick& area : data_.Unions)
    if (area.Selected || InCells(area.Area, data_.Selection.Left, data_.Selection.Top))
      InvalidateArea(area.PixelRect);
  if (data_.SelectionInView && data_.BrickCount.X > 1 && data_.BrickCount.Y > 1) {
    const TRect& s = data_.SelectionBricks;
    const int l = std::max(s.Left, 0);
    const int t = std::max(s.Top, 0);
    const int r = s.Right < 0 ? data_.BrickCount.X - 1 : s.Right;
    const int b = s.Bottom < 0 ? data_.BrickCount.Y - 1 : s.Bottom;
    InvalidateArea({Brick(l, 0).CellRect.Left, Brick(0, t).CellRect.Top, Brick(r, 0).CellRect.Right,
                    Brick(0, b).CellRect.Bottom});
  }
}

// --- Size changes --------------------------------------------------------------------------------

int TcxSSheetViewInfo::ColumnIndexOf(int col) const {
  for (int i = 1; i < data_.BrickCount.X; ++i)
    if (Brick(i, 0).Col >= col) return i;
  return -1;
}

int TcxSSheetViewInfo::RowIndexOf(int row) const {
  for (int j = 1; j < data_.BrickCount.Y; ++j)
    if (Brick(0, j).Row >= row) return j;
  return -1;
}

void TcxSSheetViewInfo::ColumnSizeChanged(int col) {
  if (data_.BrickCount.X < 2 || data_.BrickCount.Y < 1) return;
  int i = ColumnIndexOf(col);
  if (i < 0) return;
  for (int j = 0; j < data_.BrickCount.Y; ++j) InvalidateCell(i, j);
  Calculate();
  i = ColumnIndexOf(col);
  if (i < 0) return;
  for (int j = 0; j < data_.BrickCount.Y; ++j) InvalidateCell(i, j);
  const TRect changed{Brick(i, 0).CellRect.Left, 0, data_.Bounds.Right, data_.Bounds.Bottom};
  InvalidateArea(changed);
  // Texts that overflow into the changed area from the left.
  for (int k = 0; k <= i; ++k)
    for (int j = 0; j < data_.BrickCount.Y; ++j)
      if (Intersects(Brick(k, j).TextRect, changed)) InvalidateCell(k, j);
  for (const TcxSSUnionInfoBrick& area : data_.Unions)
    if (Intersects(area.TextRect, changed)) InvalidateArea(area.TextRect);
}

void TcxSSheetViewInfo::RowSizeChanged(int row) {
  if (data_.BrickCount.X < 1 || data_.BrickCount.Y < 2) return;
  Calculate();
  const int j = RowIndexOf(row);
  if (j < 0) return;
  const TRect changed{0, Brick(0, j).CellRect.Top, data_.Bounds.Right, data_.Bounds.Bottom};
  InvalidateArea(changed);
  for (const TcxSSUnionInfoBrick& area : data_.Unions)
    if (Intersects(area.TextRect, changed)) InvalidateArea(area.TextRect);
}

// --- Queries -------------------------------------------------------------------------------------

int TcxSSheetViewInfo::HitTest(int x, int y, int& hitCol, int& hitRow) const {
  x = std::clamp(x, 0, std::max(0, data_.Bounds.Right));
  y = std::clamp(y, 0, std::max(0, data_.Bounds.Bottom));
  int i = data_.BrickCount.X - 1;
  while (i >= 0 && !(Brick(i, 0).CellRect.Left <= x && x < Brick(i, 0).CellRect.Right)) --i;
  if (i < 0) return 0;
  int j = data_.BrickCount.Y - 1;
  while (j >= 0 && !(Brick(0, j).CellRect.Top <= y && y < Brick(0, j).CellRect.Bottom)) --j;
  if (j < 0) return 0;

  if (i >= 1 && j >= 1) {
    hitCol = Brick(i, j).Col;
    hitRow = Brick(i, j).Row;
    return kHitCell;
  }
  if (i == 0 && j == 0) {
    hitCol = -1;
    hitRow = -1;
    return kHitCorner;
  }
  const TcxSSBookSheet& sheet = Sheet();
  if (i == 0) {
    int flags = kHitRowHeader;
    hitCol = -1;
    hitRow = Brick(0, j).Row;
    if (hitRow > 0 && y - Brick(0, j).CellRect.Top <= 4) {
      flags |= kHitResizeZone;
      --hitRow;
      while (hitRow > 0 && !sheet.RowHeader().IsVisible(hitRow)) --hitRow;
    }
    return flags;
  }
  int flags = kHitColumnHeader;
  hitRow = -1;
  hitCol = Brick(i, 0).Col;
  if (hitCol > 0 && x - Brick(i, 0).CellRect.Left < 4) {
    flags |= kHitResizeZone;
    --hitCol;
    while (hitCol > 0 && !sheet.ColumnHeader().IsVisible(hitCol)) --hitCol;
  }
  return flags;
}

TPoint TcxSSheetViewInfo::GetBottomRight() const {
  const TcxSSBookSheet& sheet = Sheet();
  const TPoint frozen = FrozenPixels();
  const int dataWidth = std::max(0, sheetControl_.Width() - RowHeaderWidth() - frozen.X);
  const int dataHeight = std::max(0, sheetControl_.Height() - ColHeaderHeight() - frozen.Y);
  return {LastFitting(sheet.ColumnHeader(), data_.TopLeft.X, dataWidth),
          LastFitting(sheet.RowHeader(), data_.TopLeft.Y, dataHeight)};
}

TRect TcxSSheetViewInfo::CellsToBricks(const TRect& area) const {
  TRect result{-1, -1, -1, -1};
  const int cols = data_.BrickCount.X;
  const int rows = data_.BrickCount.Y;
  if (cols < 2 || rows < 2) return result;

  const auto edges = [](int count, auto indexOf, int first, int last, int& low, int& high) {
    const int firstIndex = indexOf(1);
    const int lastIndex = indexOf(count - 1);
    if (first >= firstIndex && first <= lastIndex) {
      int k = count - 1;
      while (k > 1 && indexOf(k) > first) --k;
      if (indexOf(k) != first) ++k;  // the column itself is hidden
      low = k < count ? k : -1;
    }
    if (last >= firstIndex && last <= lastIndex) {
      int k = count - 1;
      while (k > 1 && indexOf(k) > last) --k;
      high = k;
    }
    if (low >= 0 && high < 0) high = count - 1;
  };
  edges(cols, [this](int i) { return Brick(i, 0).Col; }, area.Left, area.Right, result.Left,
        result.Right);
  edges(rows, [this](int j) { return Brick(0, j).Row; }, area.Top, area.Bottom, result.Top,
        result.Bottom);
  return result;
}

// --- Scrolling -----------------------------------------------------------------------------------

// The sheet keeps the scroll position (its view's top-left cell), so that a save writes it and
// the sheet shows it again when it comes back.
void TcxSSheetViewInfo::SetTopLeft(int col, int row) {
  TPoint point = ClampTopLeft({std::max(col, 0), std::max(row, 0)});
  if (point == data_.TopLeft) return;
  Book().Listener().TopLeftChanging(Sheet(), point);
  point = ClampTopLeft({std::max(point.X, 0), std::max(point.Y, 0)});
  if (point == data_.TopLeft) return;
  Sheet().View().SetTopLeft(point);
  Calculate();
  sheetControl_.Invalidate();
}

void TcxSSheetViewInfo::MakeLastVisibleCol(int col) {
  const TcxSSBookSheet& sheet = Sheet();
  const TPoint frozen = FrozenPixels();
  const int dataWidth = std::max(0, sheetControl_.Width() - RowHeaderWidth() - frozen.X);
  const int dataHeight = std::max(0, sheetControl_.Height() - ColHeaderHeight() - frozen.Y);
  const int left = FirstFitting(sheet.ColumnHeader(), std::max(col, 0), dataWidth);
  const int top = FirstFitting(sheet.RowHeader(), GetBottomRight().Y, dataHeight);
  SetTopLeft(left, top);
}

void TcxSSheetViewInfo::MakeLastVisibleRow(int row) {
  const TcxSSBookSheet& sheet = Sheet();
  const TPoint frozen = FrozenPixels();
  const int dataWidth = std::max(0, sheetControl_.Width() - RowHeaderWidth() - frozen.X);
  const int dataHeight = std::max(0, sheetControl_.Height() - ColHeaderHeight() - frozen.Y);
  const int top = FirstFitting(sheet.RowHeader(), std::max(row, 0), dataHeight);
  const int left = FirstFitting(sheet.ColumnHeader(), GetBottomRight().X, dataWidth);
  SetTopLeft(left, top);
}

// --- Invalidation --------------------------------------------------------------------------------

void TcxSSheetViewInfo::InvalidateArea(const TRect& rect) {
  sheetControl_.InvalidateRect(Inflate(rect, 5));
}

void TcxSSheetViewInfo::InvalidateCell(int colIndex, int rowIndex) {
  if (colIndex < 0 || rowIndex < 0 || colIndex >= data_.BrickCount.X || rowIndex >= data_.BrickCount.Y)
    return;
  const TcxSSInfoBrick& brick = Brick(colIndex, rowIndex);
  sheetControl_.InvalidateRect(Inflate(Union(brick.CellRect, brick.TextRect), 3));
}

void TcxSSheetViewInfo::ClearBrickText(int colIndex, int rowIndex) {
  if (colIndex < 1 || rowIndex < 1 || colIndex >= data_.BrickCount.X || rowIndex >= data_.BrickCount.Y)
    return;
  InvalidateCell(colIndex, rowIndex);
  Brick(colIndex, rowIndex).TextParams.Clear();
}
