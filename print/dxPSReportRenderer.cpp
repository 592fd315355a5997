#include "print/dxPSReportRenderer.h"

#include <QPainter>
#include <algorithm>

#include "view/cxCanvasWrapper.h"
#include "view/cxSSBorderLines.h"

namespace {

// A page is never cut into pieces narrower than this, whatever its margins.
constexpr int kMinPiece = 8;

bool Overlaps(const TRect& a, const TRect& b) {
  return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

TcxHorzTextAlign HorzAlign(TdxTextAlignX align) {
  switch (align) {
    case TdxTextAlignX::taCenterX:
      return haCENTER;
    case TdxTextAlignX::taRight:
      return haRIGHT;
    case TdxTextAlignX::taDistributeX:
      return haJUSTIFY;
    default:
      return haLEFT;
  }
}

TcxVertTextAlign VertAlign(TdxTextAlignY align) {
  switch (align) {
    case TdxTextAlignY::taTop:
      return vaTOP;
    case TdxTextAlignY::taCenterY:
      return vaCENTER;
    case TdxTextAlignY::taDistributeY:
      return vaJUSTIFY;
    default:
      return vaBOTTOM;
  }
}

// The rectangle a line along one side lies on, as the left (top) line of a cell starting there;
// the ends moved out by the extensions.
TRect SideBase(const TRect& b, int edge, int extendStart, int extendEnd) {
  switch (edge) {
    case eLeft:
      return {b.Left, b.Top - extendStart, b.Left, b.Bottom + extendEnd};
    case eRight:
      return {b.Right, b.Top - extendStart, b.Right, b.Bottom + extendEnd};
    case eTop:
      return {b.Left - extendStart, b.Top, b.Right + extendEnd, b.Top};
    default:
      return {b.Left - extendStart, b.Bottom, b.Right + extendEnd, b.Bottom};
  }
}

}  // namespace

std::vector<std::pair<int, int>> BreakExtent(const std::vector<int>& edges, int total, int size) {
  size = std::max(size, kMinPiece);
  std::vector<std::pair<int, int>> pieces;
  int start = 0;
  while (start < total) {
    const int limit = start + size;
    int end = start;
    for (const int edge : edges)
      if (edge > start && edge <= limit) end = edge;
    if (end == start) end = std::min(limit, total);
    pieces.emplace_back(start, end);
    start = end;
  }
  return pieces;
}

std::vector<TdxPSPage> PaginateReport(const TdxReportCells& report, int width, int height) {
  std::vector<int> colEdges;
  for (const TdxReportCells::TColumn& column : report.Columns) colEdges.push_back(column.Left + column.Width);
  std::vector<int> rowEdges;
  for (const TdxReportCells::TRow& row : report.Rows)
    if (row.Top >= 0) rowEdges.push_back(row.Top + row.Height);
  const auto across = BreakExtent(colEdges, report.BodyWidth(), width);
  const auto down = BreakExtent(rowEdges, report.BodyHeight(), height - report.PageHeaderHeight());
  std::vector<TdxPSPage> pages;
  for (const auto& [left, right] : across)
    for (const auto& [top, bottom] : down)
      pages.push_back({{left, top, right, bottom}, static_cast<int>(pages.size()) + 1});
  return pages;
}

TdxPSReportRenderer::TdxPSReportRenderer(TcxCanvasWrapper& wrapper, const TdxReportCells& report,
                                         bool effects3D)
    : wrapper_(wrapper), report_(report), effects3D_(effects3D) {}

TColor TdxPSReportRenderer::GapColor(const TdxReportCellString& cell) const {
  return cell.Transparent ? kclWhite : cell.Color;
}

void TdxPSReportRenderer::DrawSide(const TdxReportCellString& cell, int edge, int extendStart,
                                   int extendEnd) {
  const TcxSSEdgeLineStyle line = cell.SideLine(edge);
  if (line == lsNone) return;
  const bool vertical = edge == eLeft || edge == eRight;
  wrapper_.DrawBorderLine(BorderLineRects(SideBase(cell.Bounds, edge, extendStart, extendEnd), line, vertical),
                          cell.EdgeColors[edge], GapColor(cell), vertical, line);
}

void TdxPSReportRenderer::DrawDoubleSide(const TdxReportCellString& cell, int edge, bool joinStart,
                                         bool joinEnd) {
  const bool vertical = edge == eLeft || edge == eRight;
  auto rects = BorderLineRects(SideBase(cell.Bounds, edge, 0, 0), lsDouble, vertical);
  // The crossing double line is three pixels wide, centred on the grid line (one pixel before
  // it to one after it): both lines reach its far line and the gap ends before its near one, so
  // no line is broken by a gap. The side runs from its start's grid line to the pixel before its
  // end's grid line.
  for (int k = 0; k < 3; ++k) {
    int& start = vertical ? rects[k].Top : rects[k].Left;
    int& end = vertical ? rects[k].Bottom : rects[k].Right;
    const bool gap = k == 1;
    if (joinStart) start += gap ? 2 : -1;
    if (joinEnd) end += gap ? -1 : 2;
  }
  wrapper_.DrawBorderLine(rects, cell.EdgeColors[edge], GapColor(cell), vertical, lsDouble);
}

void TdxPSReportRenderer::DrawFill(const TdxReportCellString& cell) {
  if (!cell.Transparent) {
    const TRect inside = InsideBorderLines(
        cell.Bounds, {cell.SideLine(eLeft), cell.SideLine(eTop), cell.SideLine(eRight), cell.SideLine(eBottom)});
    wrapper_.FillPattern(inside, FillStyleOf(cell.FillPattern), cell.PatternColor, cell.Color);
  }
  if (cell.Raised && effects3D_) {
    const TRect& b = cell.Bounds;
    wrapper_.Edge3D({b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1}, kclBtnHighlight, kclBtnShadow);
  }
}

void TdxPSReportRenderer::DrawText(const TdxReportCellString& cell) {
  if (cell.Text.empty() || cell.FontIndex < 0 || cell.FontIndex >= static_cast<int>(report_.Fonts.size()))
    return;
  const TdxReportFont& font = report_.Fonts[cell.FontIndex];
  wrapper_.SetFont(&wrapper_.ScreenFont(font.Desc));
  TcxTextParameters params;
  wrapper_.LayoutText(cell.Text, CellTextRect(cell.Bounds), params, cell.Multiline,
                      VertAlign(cell.TextAlignY), HorzAlign(cell.TextAlignX));
  params.TextColor = kKeepTextColor;
  wrapper_.SetTextColor(font.Color);
  const TRect clip = CellTextRect(cell.TextBounds());
  // Laid out in the cell, drawn in the room it may overflow into.
  params.FitsRect = params.FitsRect && clip == CellTextRect(cell.Bounds);
  wrapper_.DrawText(clip, params);
}

void TdxPSReportRenderer::DrawRows(QPainter& painter, int firstRow, int lastRow, const TRect& area,
                                   int dy) {
  // Fills and texts stay inside the piece; lines may reach a pixel beyond it, so that the lines
  // along its edges are whole (thick lines are centred on the grid line).
  const TRect inner{area.Left, area.Top, area.Right - 1, area.Bottom - 1};
  const TRect reach{area.Left - 1, area.Top - 1, area.Right + 1, area.Bottom + 1};
  // The cells of the piece's columns fill and frame it; every cell of its rows may overflow
  // into it with its text.
  std::vector<const TdxReportCellString*> cells;
  std::vector<const TdxReportCellString*> texts;
  // The heading cells' lines are drawn last, over the grid lines of the data cells beside them.
  std::vector<const TdxReportCellString*> headings;
  for (int j = firstRow; j <= lastRow; ++j)
    for (size_t i = 0; i < report_.Cells[j].size(); ++i) {
      const auto& cell = report_.Cells[j][i];
      const TRect& b = cell->Bounds;
      if (Overlaps({b.Left, b.Top, b.Right - 1, b.Bottom - 1}, inner)) {
        cells.push_back(cell.get());
        if (report_.Rows[j].GridIndex == 0 || report_.Columns[i].GridIndex == 0) headings.push_back(cell.get());
      }
      const TRect t = cell->TextBounds();
      if (!cell->Text.empty() && Overlaps({t.Left, t.Top, t.Right - 1, t.Bottom - 1}, inner))
        texts.push_back(cell.get());
    }
  std::vector<const TdxReportCellString*> overlays;
  for (const auto& cell : report_.Overlays)
    if (Overlaps({cell->Bounds.Left, cell->Bounds.Top, cell->Bounds.Right - 1, cell->Bounds.Bottom - 1}, inner))
      overlays.push_back(cell.get());

  painter.save();
  painter.translate(0, dy);
  painter.setClipRect(ToQRect(inner), Qt::IntersectClip);
  for (const TdxReportCellString* cell : cells) DrawFill(*cell);
  for (const TdxReportCellString* cell : overlays) DrawFill(*cell);
  painter.restore();

  painter.save();
  painter.translate(0, dy);
  painter.setClipRect(ToQRect(reach), Qt::IntersectClip);
  for (const TdxReportCellString* cell : cells)
    if (std::find(headings.begin(), headings.end(), cell) == headings.end()) cell->DrawBorders(*this);
  for (const TdxReportCellString* cell : headings) cell->DrawBorders(*this);
  painter.restore();

  painter.save();
  painter.translate(0, dy);
  painter.setClipRect(ToQRect(inner), Qt::IntersectClip);
  for (const TdxReportCellString* cell : texts) DrawText(*cell);
  for (const TdxReportCellString* cell : overlays) DrawText(*cell);
  painter.restore();
}

void TdxPSReportRenderer::DrawPage(QPainter& painter, const TdxPSPage& page) {
  const int rows = static_cast<int>(report_.Rows.size());
  if (rows == 0 || report_.Columns.empty()) return;
  QPainter* previous = wrapper_.Canvas();
  wrapper_.SetCanvas(&painter);
  painter.save();
  painter.translate(-page.Body.Left, -page.Body.Top);
  const TRect& body = page.Body;
  // The rows the piece shows.
  const int firstBody = report_.HeaderRowOnEveryPage ? 1 : 0;
  int first = rows;
  int last = -1;
  for (int j = firstBody; j < rows; ++j) {
    const TdxReportCells::TRow& row = report_.Rows[j];
    // A row that only touches the piece stays off it: clipped away, its text would still be in
    // the page's text (found by a search, copied) on two pages.
    if (row.Top < body.Bottom && row.Top + row.Height > body.Top) {
      first = std::min(first, j);
      last = j;
    }
  }
  if (last >= first) DrawRows(painter, first, last, body, 0);
  if (report_.HeaderRowOnEveryPage) {
    const int height = report_.Rows.front().Height;
    DrawRows(painter, 0, 0, {body.Left, -height, body.Right, 0}, body.Top);
  }
  painter.restore();
  wrapper_.SetCanvas(previous);
}
