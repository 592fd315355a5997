#include "print/dxPSReportCells.h"

#include <algorithm>

#include "print/dxPSReportRenderer.h"

namespace {

using F = TdxPSFillPatternClass;
using E = TdxPSEdgePatternClass;

// The fill pattern class of each fill style (rows in TcxSSFillStyle order).
struct TFillPatternRow {
  TcxSSFillStyle Style;
  TdxPSFillPatternClass Pattern;
};
constexpr TFillPatternRow kFillPatterns[] = {
    {fsSolid, F::TdxPSSolidFillPattern},
    {fsGray75, F::TdxPSGray75FillPattern},
    {fsGray50, F::TdxPSGray50FillPattern},
    {fsGray25, F::TdxPSGray25FillPattern},
    {fsGray12, F::TdxPSGray125FillPattern},
    {fsGray6, F::TdxPSGray625FillPattern},
    {fsHorzStrip, F::TdxPSHorizontalStripeFillPattern},
    {fsVertStrip, F::TdxPSVerticalStripeFillPattern},
    {fsRevDiagonalStrip, F::TdxPSDiagonalStripeFillPattern},
    {fsDiagonalStrip, F::TdxPSReverseDiagonalStripeFillPattern},
    {fsDiagCrossHatch, F::TdxPSDiagonalCrossHatchFillPattern},
    {fsThickCrossHatch, F::TdxPSThickCrossHatchFillPattern},
    {fsThinHorzStrip, F::TdxPSThinHorizontalStripeFillPattern},
    {fsThinVertStrip, F::TdxPSThinVerticalStripeFillPattern},
    {fsThinRevDiagonalStrip, F::TdxPSThinDiagonalStripeFillPattern},
    {fsThinDiagonalStrip, F::TdxPSThinReverseDiagonalStripeFillPattern},
    {fsThinDiagCrossHatch, F::TdxPSThinHorizontalCrossHatchFillPattern},
    {fsThinThickCrossHatch, F::TdxPSThinDiagonalCrossHatchFillPattern},
};

// The edge pattern class of each line style. A pattern is drawn as the first style that has it,
// so the thin line comes before the default and no line, which print as thin solid lines too.
struct TEdgePatternRow {
  TcxSSEdgeLineStyle Style;
  TdxPSEdgePatternClass Pattern;
};
constexpr TEdgePatternRow kEdgePatterns[] = {
    {lsThin, E::TdxPSSolidEdgePattern},
    {lsDefault, E::TdxPSSolidEdgePattern},
    {lsNone, E::TdxPSSolidEdgePattern},
    {lsMedium, E::TdxPSMediumSolidEdgePattern},
    {lsDashed, E::TdxPSDashedEdgePattern},
    {lsDotted, E::TdxPSDottedEdgePattern},
    {lsThick, E::TdxPSThickSolidEdgePattern},
    {lsDouble, E::TdxPSDoubleLineSolidEdgePattern},
    {lsHair, E::TdxPSHairEdgePattern},
    {lsMediumDashed, E::TdxPSMediumDashedEdgePattern},
    {lsDashDot, E::TdxPSDashDotEdgePattern},
    {lsMediumDashDot, E::TdxPSMediumDashDotEdgePattern},
    {lsDashDotDot, E::TdxPSDashDotDotEdgePattern},
    {lsMediumDashDotDot, E::TdxPSMediumDashDotDotEdgePattern},
    {lsSlantedDashDot, E::TdxPSSlantedDashDotEdgePattern},
};

}  // namespace

TdxPSFillPatternClass FillPatternClassOf(TcxSSFillStyle style) {
  for (const TFillPatternRow& row : kFillPatterns)
    if (row.Style == style) return row.Pattern;
  return F::TdxPSSolidFillPattern;
}

TcxSSFillStyle FillStyleOf(TdxPSFillPatternClass pattern) {
  for (const TFillPatternRow& row : kFillPatterns)
    if (row.Pattern == pattern) return row.Style;
  return fsSolid;
}

TdxPSEdgePatternClass EdgePatternClassOf(TcxSSEdgeLineStyle style) {
  for (const TEdgePatternRow& row : kEdgePatterns)
    if (row.Style == style) return row.Pattern;
  return E::TdxPSSolidEdgePattern;
}

TcxSSEdgeLineStyle LineStyleOf(TdxPSEdgePatternClass pattern) {
  for (const TEdgePatternRow& row : kEdgePatterns)
    if (row.Pattern == pattern) return row.Style;
  return lsThin;
}

// --- TdxReportCellString -------------------------------------------------------------------------

TcxSSEdgeLineStyle TdxReportCellString::SideLine(int edge) const {
  return HasSide(edge) ? LineStyleOf(EdgePatterns[edge]) : lsNone;
}

void TdxReportCellString::DrawBorders(TdxPSReportRenderer& renderer) const {
  // A right or bottom line reaches one pixel further, over the corner that the cells beyond
  // would otherwise close.
  for (int edge = eLeft; edge <= eBottom; ++edge)
    if (HasSide(edge)) renderer.DrawSide(*this, edge, 0, edge == eRight || edge == eBottom ? 1 : 0);
}

// --- TdxReportCells ------------------------------------------------------------------------------

int TdxReportCells::AddFont(const TdxReportFont& font) {
  const auto it = std::find(Fonts.begin(), Fonts.end(), font);
  if (it != Fonts.end()) return static_cast<int>(it - Fonts.begin());
  Fonts.push_back(font);
  return static_cast<int>(Fonts.size()) - 1;
}

void TdxReportCells::PlaceCells() {
  int x = 0;
  for (TColumn& column : Columns) {
    column.Left = x;
    x += column.Width;
  }
  int y = 0;
  for (size_t j = 0; j < Rows.size(); ++j) {
    TRow& row = Rows[j];
    if (j == 0 && HeaderRowOnEveryPage) {
      row.Top = -row.Height;
      continue;
    }
    row.Top = y;
    y += row.Height;
  }
  for (size_t j = 0; j < Cells.size(); ++j)
    for (size_t i = 0; i < Cells[j].size(); ++i) {
      const TColumn& column = Columns[i];
      const TRow& row = Rows[j];
      Cells[j][i]->Bounds = {column.Left, row.Top, column.Left + column.Width, row.Top + row.Height};
    }
}

int TdxReportCells::BodyWidth() const {
  return Columns.empty() ? 0 : Columns.back().Left + Columns.back().Width;
}

int TdxReportCells::BodyHeight() const {
  return Rows.empty() ? 0 : std::max(0, Rows.back().Top + Rows.back().Height);
}

int TdxReportCells::PageHeaderHeight() const {
  return HeaderRowOnEveryPage && !Rows.empty() ? Rows.front().Height : 0;
}
