#pragma once

#include <utility>
#include <vector>

#include "platform/Types.h"
#include "print/dxPSReportCells.h"

class QPainter;
class TcxCanvasWrapper;

// One page of a report: the piece of the body it shows (report pixels, Right and Bottom
// exclusive) and its number, from 1.
struct TdxPSPage {
  TRect Body;
  int Number = 1;
};

// Cuts [0, total) into pieces no longer than `size`, each ending at one of `edges` (ascending)
// where one lies in reach, else cut at `size` (an item longer than a page goes on over the
// following pieces, never left out).
std::vector<std::pair<int, int>> BreakExtent(const std::vector<int>& edges, int total, int size);

// The pages of a report whose pages hold `width` × `height` report pixels of body (the heading
// row printed on every page taken off the height): down the rows first, then across the columns.
std::vector<TdxPSPage> PaginateReport(const TdxReportCells& report, int width, int height);

// Draws a report's cells with the sheet view's canvas wrapper, in report pixels: fills in the
// view's fill patterns, lines placed and patterned as the view places them, text laid out and
// drawn as the view lays out a cell's text. A page is drawn in passes (fills, lines, texts), each
// over the cells that reach into the page, clipped to it.
class TdxPSReportRenderer {
public:
  TdxPSReportRenderer(TcxCanvasWrapper& wrapper, const TdxReportCells& report, bool effects3D);

  // The body piece of a page with its top-left at the painter's origin; a heading row printed on
  // every page goes above it (so at negative y), over the page's columns.
  void DrawPage(QPainter& painter, const TdxPSPage& page);

  TcxCanvasWrapper& Wrapper() const { return wrapper_; }
  // One side of a cell in its pattern. The line's ends may be moved out (`extendStart`,
  // `extendEnd` pixels) to meet the lines across it.
  void DrawSide(const TdxReportCellString& cell, int edge, int extendStart, int extendEnd);
  // A double line whose ends meet double lines across them: its lines reach over the crossing
  // line and its gap stops short of it (`joinStart`, `joinEnd`).
  void DrawDoubleSide(const TdxReportCellString& cell, int edge, bool joinStart, bool joinEnd);
  // The colour the gaps of a cell's patterned lines show.
  TColor GapColor(const TdxReportCellString& cell) const;

private:
  void DrawFill(const TdxReportCellString& cell);
  void DrawText(const TdxReportCellString& cell);
  void DrawRows(QPainter& painter, int firstRow, int lastRow, const TRect& area, int dy);

  TcxCanvasWrapper& wrapper_;
  const TdxReportCells& report_;
  bool effects3D_;
};
