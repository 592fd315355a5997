#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/TextMeasurer.h"
#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"

class TdxPSReportRenderer;

// The report engine's cells: what a link answers for each place of its grid, built once per
// report and then cut into pages and drawn (dxPSReportRenderer.h). Lengths are report pixels,
// 1/PPI inch for the screen resolution PPI of the printed workbook, so that a report is laid
// out in the pixels the sheet is shown in and only scaled at the page.

// The fill patterns a cell can be printed with.
enum class TdxPSFillPatternClass : uint8_t {
  TdxPSSolidFillPattern,
  TdxPSGray75FillPattern,
  TdxPSGray50FillPattern,
  TdxPSGray25FillPattern,
  TdxPSGray125FillPattern,
  TdxPSGray625FillPattern,
  TdxPSHorizontalStripeFillPattern,
  TdxPSVerticalStripeFillPattern,
  TdxPSDiagonalStripeFillPattern,
  TdxPSReverseDiagonalStripeFillPattern,
  TdxPSDiagonalCrossHatchFillPattern,
  TdxPSThickCrossHatchFillPattern,
  TdxPSThinHorizontalStripeFillPattern,
  TdxPSThinVerticalStripeFillPattern,
  TdxPSThinDiagonalStripeFillPattern,
  TdxPSThinReverseDiagonalStripeFillPattern,
  TdxPSThinHorizontalCrossHatchFillPattern,
  TdxPSThinDiagonalCrossHatchFillPattern,
};

// The line patterns a cell side can be printed with.
enum class TdxPSEdgePatternClass : uint8_t {
  TdxPSSolidEdgePattern,
  TdxPSMediumSolidEdgePattern,
  TdxPSDashedEdgePattern,
  TdxPSDottedEdgePattern,
  TdxPSThickSolidEdgePattern,
  TdxPSDoubleLineSolidEdgePattern,
  TdxPSHairEdgePattern,
  TdxPSMediumDashedEdgePattern,
  TdxPSDashDotEdgePattern,
  TdxPSMediumDashDotEdgePattern,
  TdxPSDashDotDotEdgePattern,
  TdxPSMediumDashDotDotEdgePattern,
  TdxPSSlantedDashDotEdgePattern,
};

// The pattern classes of the sheet's fill styles and line styles. A pattern is printed with the
// screen's picture of the style it stands for, so that a sheet prints with the patterns it shows.
TdxPSFillPatternClass FillPatternClassOf(TcxSSFillStyle style);
TcxSSFillStyle FillStyleOf(TdxPSFillPatternClass pattern);
TdxPSEdgePatternClass EdgePatternClassOf(TcxSSEdgeLineStyle style);
TcxSSEdgeLineStyle LineStyleOf(TdxPSEdgePatternClass pattern);

// Sides of a cell, as bits.
enum TdxCellSide : uint8_t { csLeft = 1, csTop = 2, csRight = 4, csBottom = 8, csAll = 15 };
// The bit of each side in TcxSSEdgeIndex order (left, top, right, bottom).
inline constexpr uint8_t kdxCellSides[4] = {csLeft, csTop, csRight, csBottom};

enum class TdxTextAlignX : uint8_t { taLeft, taCenterX, taRight, taDistributeX };
enum class TdxTextAlignY : uint8_t { taTop, taCenterY, taBottom, taDistributeY };

// A font of the report's font pool: the screen font and the colour its text is drawn in.
struct TdxReportFont {
  TcxFontDesc Desc;
  TColor Color = 0;
  bool operator==(const TdxReportFont& other) const {
    return Desc.Name == other.Desc.Name && Desc.Size == other.Desc.Size &&
           Desc.Style == other.Desc.Style && Desc.Charset == other.Desc.Charset && Color == other.Color;
  }
};

// One printed cell with text: its place, fill, sides with their line patterns and its text.
// Bounds follow the sheet view's pixel rule: inclusive, a cell of width w at x covering x … x + w,
// so that it shares its right and bottom pixel with its neighbours (the grid line between them).
class TdxReportCellString {
public:
  TdxReportCellString() = default;
  virtual ~TdxReportCellString() = default;
  TdxReportCellString(const TdxReportCellString&) = delete;
  TdxReportCellString& operator=(const TdxReportCellString&) = delete;

  TRect Bounds;
  uint8_t Sides = 0;  // TdxCellSide bits
  // Per side (left, top, right, bottom) the line pattern and colour.
  std::array<TdxPSEdgePatternClass, 4> EdgePatterns{};
  std::array<TColor, 4> EdgeColors{};
  TColor Color = RGBColor(255, 255, 255);
  TColor PatternColor = 0;
  TdxPSFillPatternClass FillPattern = TdxPSFillPatternClass::TdxPSSolidFillPattern;
  bool Transparent = true;
  std::string Text;
  int FontIndex = 0;
  TdxTextAlignX TextAlignX = TdxTextAlignX::taLeft;
  TdxTextAlignY TextAlignY = TdxTextAlignY::taBottom;
  bool Multiline = false;
  // A heading cell's raised edge, drawn when the link asks for 3-D effects.
  bool Raised = false;

  bool HasSide(int edge) const { return (Sides & kdxCellSides[edge]) != 0; }
  // The line a side shows: lsNone without the side.
  TcxSSEdgeLineStyle SideLine(int edge) const;
  // Where the text may be drawn: the cell, or wider for text that overflows into its
  // neighbours.
  virtual TRect TextBounds() const { return Bounds; }
  // Draws the four sides.
  virtual void DrawBorders(TdxPSReportRenderer& renderer) const;
};

// The engine's built report: the printed columns and rows of the link's grid with their sizes
// and positions, one cell per printed column and row, the cells laid over them (merged areas)
// and the font pool.
//
// Positions are those of the report body, which pages cut into pieces: x from the first printed
// column, y from the first printed row, except that a heading row printed on every page lies
// above the body (Top < 0) and is drawn at the top of each page instead.
class TdxReportCells {
public:
  struct TColumn {
    int GridIndex = 0;
    int Width = 0;
    int Left = 0;
  };
  struct TRow {
    int GridIndex = 0;
    int Height = 0;
    int Top = 0;
  };

  std::vector<TColumn> Columns;
  std::vector<TRow> Rows;
  // Rows[0] is the heading row, repeated at the top of every page.
  bool HeaderRowOnEveryPage = false;
  // Cells[row][column], indexes into Rows and Columns.
  std::vector<std::vector<std::unique_ptr<TdxReportCellString>>> Cells;
  // Cells drawn over the grid's cells, in order (merged areas).
  std::vector<std::unique_ptr<TdxReportCellString>> Overlays;
  std::vector<TdxReportFont> Fonts;

  // The index of a font in the pool, added when new.
  int AddFont(const TdxReportFont& font);
  TdxReportCellString& Cell(int rowIndex, int colIndex) const { return *Cells[rowIndex][colIndex]; }
  // Works out the column and row positions from their sizes and gives every grid cell its
  // bounds; after sizes changed or columns were added.
  void PlaceCells();
  // The body's extent: the right end of the last column, the bottom of the last row.
  int BodyWidth() const;
  int BodyHeight() const;
  // The height of the heading row drawn on every page (0 without one).
  int PageHeaderHeight() const;
};
