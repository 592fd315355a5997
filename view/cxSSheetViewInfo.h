#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "calc/cxSSNumberFormat.h"
#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"
#include "view/cxCanvasWrapper.h"
#include "view/cxSSCellText.h"

class TcxSSBookSheet;
class TcxSSBookSheetControl;
class TcxCustomSpreadSheetBook;
struct TcxSSCellRec;

// One resolved border of a brick.
struct TcxSSBrickBorder {
  TcxSSEdgeLineStyle Style = lsDefault;
  TcxSSColor Color = kColorAuto;
};

// The layout of one column × row place of the view: a header, the corner or a cell. Pixel
// rectangles are inclusive and relative to the sheet (see ToQRect).
struct TcxSSInfoBrick {
  int Col = -1;
  int Row = -1;
  // The cell's pixels; after the border adjustment the part its fill covers.
  TRect CellRect;
  // Where the text is drawn: the cell less 2 pixels on each side, moved down 2, widened by text
  // that overflows into empty neighbours.
  TRect TextRect;
  TcxSSFillStyle FillStyle = fsSolid;
  TcxSSColor BackgroundColor = kColorNone;
  TcxSSColor PatternColor = kColorNone;
  // Left, top, right, bottom.
  std::array<TcxSSBrickBorder, 4> Borders{};
  // The top and left border lines (three rectangles for a double line, else only the first).
  std::array<TRect, 3> TopLineRects{};
  std::array<TRect, 3> LeftLineRects{};
  TcxTextParameters TextParams;
  bool Selected = false;
  bool Merged = false;
  int UnionIndex = -1;
};

// One merged area that touches the view: painted as one cell.
struct TcxSSUnionInfoBrick {
  TRect Area;  // cells, inclusive
  TcxSSFillStyle FillStyle = fsSolid;
  TcxSSColor BackgroundColor = kColorNone;
  TcxSSColor PatternColor = kColorNone;
  TRect TextRect;
  // The area's pixels relative to the sheet, its left and top raised to the data area.
  TRect PixelRect;
  bool Selected = false;
  TcxTextParameters TextParams;
};

// What a paint of the sheet draws: the whole result of a layout.
//
// Bricks are indexed [brick column][brick row]; index 0 in either direction is the header, so
// Bricks[0][0] is the corner, Bricks[i][0] the column headers, Bricks[0][j] the row headers and
// Bricks[i][j] (i, j >= 1) the cells. Hidden columns and rows get no bricks.
struct TcxSSViewInfoData {
  TRect Bounds;       // the sheet's client rectangle at layout time (Right, Bottom outside)
  TPoint TopLeft;     // first scrolled column and row
  TPoint BrickCount;  // brick columns and rows, headers included
  // Brick columns and rows of frozen panes (after the headers): they come first and stay put
  // while the bricks after them scroll.
  TPoint FrozenBricks;
  bool ShowHeaders = true;
  TRect Selection{0, 0, 0, 0};         // cells
  TRect SelectionBricks{-1, -1, -1, -1};  // brick indexes, -1 outside the bricks
  TColor HeaderColor = 0;
  TColor HeaderFontColor = 0;
  bool SelectionInView = false;
  std::vector<TcxSSUnionInfoBrick> Unions;
  std::vector<std::vector<TcxSSInfoBrick>> Bricks;

  // The pixel edges (Left, Top, Right, Bottom: the outer grid lines) of a block of bricks, its
  // indexes clamped to the laid-out bricks (-1 or past the end reaching to the last one), for
  // the selection frame. Needs at least one brick column and row.
  TRect FramePixels(const TRect& bricks) const {
    const int lastCol = BrickCount.X - 1;
    const int lastRow = BrickCount.Y - 1;
    const int left = std::clamp(bricks.Left, 0, lastCol);
    const int top = std::clamp(bricks.Top, 0, lastRow);
    const int right = bricks.Right < 0 || bricks.Right > lastCol ? lastCol : bricks.Right;
    const int bottom = bricks.Bottom < 0 || bricks.Bottom > lastRow ? lastRow : bricks.Bottom;
    return {Bricks[left][0].CellRect.Left, Bricks[0][top].CellRect.Top,
            Bricks[right][0].CellRect.Right, Bricks[0][bottom].CellRect.Bottom};
  }
};

// Hit-test flags of TcxSSheetViewInfo::HitTest.
inline constexpr int kHitCell = 1;
inline constexpr int kHitRowHeader = 2;
inline constexpr int kHitColumnHeader = 4;
inline constexpr int kHitResizeZone = 8;
inline constexpr int kHitCorner = 16;

// The on-screen layout of one sheet: the part of the sheet from its top-left cell to the edge of
// the sheet's area, turned into bricks with pixel rectangles, resolved fills and borders and
// laid-out text, plus one record per merged area in view. With frozen panes (the sheet's view),
// the frozen columns and rows are laid out first and the scrolled ones from the top-left cell
// after them; text does not overflow across the line between them. Painting reads nothing else; mouse
// handling uses it to find what lies under the pointer.
//
// Laid out once, painted many times: Calculate walks the column and row sizes from the top-left
// cell once, measures every text once and resolves every border; a paint only draws. The cost
// of a layout is one pass over the visible cells (a few thousand at most) and one text
// measurement per non-empty cell. A selection change only re-marks the bricks whose state
// changes (UpdateSelection).
class TcxSSheetViewInfo {
public:
  explicit TcxSSheetViewInfo(TcxSSBookSheetControl& sheet);
  virtual ~TcxSSheetViewInfo();
  TcxSSheetViewInfo(const TcxSSheetViewInfo&) = delete;
  TcxSSheetViewInfo& operator=(const TcxSSheetViewInfo&) = delete;

  TcxSSBookSheetControl& SheetControl() const { return sheetControl_; }
  TcxSSBookSheet& Sheet() const;
  TcxCustomSpreadSheetBook& Book() const;

  const TcxSSViewInfoData& Data() const { return data_; }
  // Snapshots of the sheet's flags taken at each layout.
  bool GridVisible() const { return gridVisible_; }
  bool ShowFormulas() const { return showFormulas_; }
  // Set by a layout (and a selection change) not yet painted; with a paint buffer, setting it
  // repaints the sheet.
  bool LayoutDirty() const { return layoutDirty_; }
  void SetLayoutDirty(bool value);
  // A layout was asked for by a change that did not rebuild it yet (a cell change); the next
  // paint or hit test rebuilds it first, as it does when the sheet's size changed since.
  bool LayoutPending() const { return layoutPending_; }
  void SetLayoutPending() { layoutPending_ = true; }
  void EnsureLayout();

  // The header sizes in the sheet's current state (0 when the sheet hides its headers).
  int RowHeaderWidth() const;
  int ColHeaderHeight() const;

  // --- Layout ------------------------------------------------------------------------------------
  virtual void Calculate();
  // Calculate, then the selection state, then a repaint of the sheet (also when Calculate raises).
  void Recalculate();
  virtual void CalculateCell(int colIndex, int rowIndex);
  // The union index of the merged area holding the cell (made when new), or -1.
  virtual int AddUnion(int col, int row);
  // Brings the selection marks up to date after the selection changed.
  void UpdateSelection();
  // A column's width (or a row's height) changed: lays out again and repaints what moved.
  void ColumnSizeChanged(int col);
  void RowSizeChanged(int row);

  // --- Queries -----------------------------------------------------------------------------------
  // Flags (kHitCell …) of what lies at (x, y) in sheet coordinates; hitCol and hitRow receive
  // the column and row (-1 for the header direction), and stay unchanged when nothing is hit.
  int HitTest(int x, int y, int& hitCol, int& hitRow) const;
  TPoint GetTopLeft() const { return data_.TopLeft; }
  // Whether the column (row) lies in the frozen panes, which never scroll.
  bool InFrozenCols(int col) const;
  bool InFrozenRows(int row) const;
  // The last fully visible column and row.
  TPoint GetBottomRight() const;
  // The brick-index rectangle of a rectangle of cells (-1 where it lies outside the bricks).
  TRect CellsToBricks(const TRect& area) const;

  // --- Scrolling ---------------------------------------------------------------------------------
  void SetTopLeft(int col, int row);
  void SetLeftCol(int col) { SetTopLeft(col, data_.TopLeft.Y); }
  void SetTopRow(int row) { SetTopLeft(data_.TopLeft.X, row); }
  // Scrolls so that the column (row) becomes the last fully visible one.
  void MakeLastVisibleCol(int col);
  void MakeLastVisibleRow(int row);

  // --- Invalidation (sheet coordinates, inclusive) ---------------------------------------------
  virtual void InvalidateArea(const TRect& rect);
  virtual void InvalidateCell(int colIndex, int rowIndex);
  // Repaints the selected cells and the active cell (focus changes with hidden selection).
  void InvalidateSelection();
  // Drops the text of a cell brick and repaints it: the in-place editor covers the cell, and its
  // text must not show around the editor's edges. The next layout brings it back.
  void ClearBrickText(int colIndex, int rowIndex);

private:
  using TCellText = TcxSSCellText;

  TCellText DisplayText(const TcxSSCellRec& cell, const TcxSSStyleRec& style) const;
  const TcxScreenFont& CellFont(const TcxSSFontRec* font);
  void LayoutCellText(const TcxSSStyleRec& style, const TCellText& text, const TRect& rect,
                      TcxTextParameters& params, bool widen, TRect* widenedRect);
  // The first column and row that may scroll (after the frozen ones), and the pixels the frozen
  // columns and rows take of the data area.
  TPoint ScrollStart() const;
  TPoint FrozenPixels() const;
  // The top-left cell kept at or after the frozen columns and rows.
  TPoint ClampTopLeft(TPoint topLeft) const;
  // The left (top) pixel edge of a column (row) in the layout: measured in the frozen panes for
  // a frozen one, else from the top-left cell (negative distances lie before it).
  int PixelX(int col) const;
  int PixelY(int row) const;
  void CalculateHeaders(int colCount, int rowCount);
  void CalculateTextOverflow(int rowIndex);
  void AdjustBorders(int colIndex, int rowIndex);
  void ClearUnionInnerBorders();
  void CalculateLineRects(const TcxSSInfoBrick& brick, TcxSSEdgeLineStyle style, bool vertical,
                          std::array<TRect, 3>& rects) const;
  void UpdateSelectionInView();
  bool IsActiveCell(int col, int row) const;
  void SetBrickSelected(int colIndex, int rowIndex, bool selected);
  int ColumnIndexOf(int col) const;
  int RowIndexOf(int row) const;
  TcxSSInfoBrick& Brick(int colIndex, int rowIndex) { return data_.Bricks[colIndex][rowIndex]; }
  const TcxSSInfoBrick& Brick(int colIndex, int rowIndex) const {
    return data_.Bricks[colIndex][rowIndex];
  }

  TcxSSBookSheetControl& sheetControl_;
  bool gridVisible_ = true;
  TcxSSViewInfoData data_;
  bool layoutDirty_ = false;
  bool layoutPending_ = false;
  bool showFormulas_ = false;
  // The screen font of each font record during one layout (font records may be freed between
  // layouts, so the map starts empty every time).
  std::unordered_map<const TcxSSFontRec*, const TcxScreenFont*> layoutFonts_;
};
