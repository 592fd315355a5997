#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "print/dxPSGridLink.h"
#include "view/cxSSCellText.h"

class TcxCustomSpreadSheetBook;
class TcxSSBookSheet;
struct TcxSSCellRec;

// What the spreadsheet link prints besides the cells, as a set of bits.
enum TdxPSSpreadSheetReportLinkOptionView : uint8_t {
  ssovRowAndColumnHeadings = 0x01,  // the heading row and column
  ssovGridLines = 0x02,             // grid lines between cells without lines of their own
  ssovSuppressSourceFormats = 0x04, // the engine's own look instead of the sheet's formats
};
using TdxPSSpreadSheetReportLinkOptionsView = uint8_t;

// One printed data or heading cell of a sheet: the engine's text cell with the sheet's place,
// the lines' double-line joins and the edges its text overflows to.
class TdxReportCellSSString : public TdxReportCellString {
public:
  // Bit (edge × 2 + end) of CornerJoins: the side's start (left or top) or end (right or bottom)
  // meets a double line across it.
  static constexpr uint8_t JoinBit(int edge, int end) { return static_cast<uint8_t>(1u << (edge * 2 + end)); }

  int Col = 0;  // grid column and row
  int Row = 0;
  bool IsFixed = false;    // a heading cell
  bool IsMerged = false;   // part of a merged area
  bool IsVirtual = false;  // a column added for overflowing text
  bool IsRightAligned = false;
  uint8_t CornerJoins = 0;
  // How far overflowing text reaches to the left and right (report x; 0: it keeps to the cell).
  int LeftExtent = 0;
  int RightExtent = 0;

  TRect TextBounds() const override;
  void DrawBorders(TdxPSReportRenderer& renderer) const override;
};

// Draws the sides of a sheet's printed cell: double lines joined where they meet double lines
// across them, the other patterns as the engine draws them.
class TdxPSCellPatternsBorderPainter {
public:
  static void DrawBorders(TdxPSReportRenderer& renderer, const TdxReportCellSSString& cell);
};

// The report's grid cells by grid column and row (the report keeps them by printed position),
// for code that looks a cell up by its place in the sheet.
class TdxPSGridCellsAdapter {
public:
  explicit TdxPSGridCellsAdapter(const TdxReportCells& report);
  // The cell, or null for a column or row not printed.
  const TdxReportCellSSString* Cell(int col, int row) const;
  // Printed positions of a grid column and row (-1 when not printed).
  int ColumnIndex(int col) const;
  int RowIndex(int row) const;

private:
  const TdxReportCells& report_;
  std::unordered_map<int, int> columns_;
  std::unordered_map<int, int> rows_;
};

// Turns the active sheet of a workbook into the engine's grid: grid column 0 and row 0 are the
// headings, grid column c and row r sheet column c - 1 and row r - 1. Sizes are the sheet's pixels
// (rows 3 pixels taller, for the printed text's room), texts the cells' display texts as the sheet
// view shows them, colours from the workbook's palette, lines from the cells' edges with the
// grid lines where wanted, merged areas as cells laid over the grid, text that overflows into empty
// neighbours with extra columns for text past the last used one.
//
// The print area is kept in sheet cells and applies to whichever workbook the link prints.
// Answers are gathered per cell on first use during a build and dropped with the next build.
class TCustomdxSpreadSheetReportLink : public TAbstractdxGridReportLink {
public:
  TCustomdxSpreadSheetReportLink();
  ~TCustomdxSpreadSheetReportLink() override;

  TcxCustomSpreadSheetBook* Component() const { return component_; }
  void SetComponent(TcxCustomSpreadSheetBook* book);

  TdxPSSpreadSheetReportLinkOptionsView OptionsView() const { return optionsView_; }
  void SetOptionsView(TdxPSSpreadSheetReportLinkOptionsView value);

  // Sheet cells, inclusive; (-1, -1, -1, -1) is none.
  const TRect& PrintArea() const { return printArea_; }
  void SetPrintArea(const TRect& area);
  void ClearPrintArea() { SetPrintArea({-1, -1, -1, -1}); }
  bool HasPrintArea() const;
  // Set when a setting changed since the last build.
  bool RebuildNeeded() const { return rebuildNeeded_; }

  // Called for every cell the link initialised (data cells, headings, merged areas, extra
  // columns), last.
  std::function<void(TCustomdxSpreadSheetReportLink& sender, TdxReportCellSSString& cell)> OnInitializeItem;

  void RestoreDefaults() override;
  bool DataProviderPresent() const override;
  // The design window TfmdxSpreadSheetDesignWindow.
  bool CanDesign() const override { return true; }
  bool ShowDesignWindow(QWidget* parent) override;

  // Used columns and rows of the sheet for printing (see UsedExtent in the .cpp).
  TPoint UsedCells() const;

protected:
  int GetColCount() override;
  int GetRowCount() override;
  int GetColWidth(int col) override;
  int GetRowHeight(int row) override;
  bool IsColVisible(int col) override;
  bool IsRowVisible(int row) override;
  bool HasSelection() override;
  TRect GetSelectionRect() override;
  std::string GetCellText(int col, int row) override;
  TdxReportFont GetCellFont(int col, int row) override;
  TColor GetCellColor(int col, int row) override;
  TColor GetCellPatternColor(int col, int row) override;
  TdxPSFillPatternClass GetCellFillPattern(int col, int row) override;
  TdxTextAlignX GetCellTextAlignX(int col, int row) override;
  TdxTextAlignY GetCellTextAlignY(int col, int row) override;
  bool GetCellMultiline(int col, int row) override;
  bool GetCellTransparent(int col, int row) override;
  uint8_t GetCellSides(int col, int row) override;
  void GetCellEdge(int col, int row, int edge, TdxPSEdgePatternClass& pattern, TColor& color) override;
  bool GetCellRaised(int col, int row) override;
  std::unique_ptr<TdxReportCellString> CreateDataCell() override;
  void InitializeCell(TdxReportCellString& cell, int col, int row) override;
  void AfterConstruct(TdxReportCells& report) override;
  void ClearCache() override;
  int PixelsPerInch() const override;
  const std::array<TColor, 56>& WrapperPalette() const override;

private:
  // What the link gathered about one sheet cell.
  struct TCellInfo {
    const TcxSSStyleRec* Style = nullptr;
    bool Merged = false;
    TRect Area;  // the merged area (cells), when Merged
    // The left and top lines as the cell shows them (through its style object).
    TcxSSEdgeRec Left;
    TcxSSEdgeRec Top;
    bool DefaultStyle = false;
    bool TextKnown = false;
    TcxSSCellText Text;
    bool LaidOut = false;
    std::string PrintedText;  // the text as laid out in the printed cell
    bool Multiline = false;
  };

  TcxSSBookSheet& Sheet() const;
  TCellInfo& Info(int sheetCol, int sheetRow);
  const TcxSSCellText& DisplayText(int sheetCol, int sheetRow);
  // The printed text and whether it wraps, laid out in the cell's width as the view lays it out.
  TCellInfo& LaidOutText(int col, int row);
  // The line of a side of a data cell as the sheet shows it: the left and top ones of the cell,
  // the right and bottom ones of its neighbours (lines are kept as left and top edges).
  TcxSSEdgeRec SideEdge(int col, int row, int edge);
  bool GridLineWanted(int col, int row, int edge);
  bool IsDataTransparent(int col, int row);
  TColor PaletteColor(TcxSSColor index, TColor otherwise) const;
  bool Suppressed() const { return (optionsView_ & ssovSuppressSourceFormats) != 0; }
  bool Headings() const { return (optionsView_ & ssovRowAndColumnHeadings) != 0; }
  TRect Range();
  // The steps after the engine built its cells.
  void AddMergedAreas(TdxReportCells& report);
  void CalculateTextExtents(TdxReportCells& report);
  void AddExtraColumns(TdxReportCells& report);
  void RemoveCrossedLines(TdxReportCells& report);
  void CalculateCornerJoins(TdxReportCells& report);
  // W(n) and H(n): the widths of grid columns 0 … n - 1 and the heights of grid rows 0 … n - 1,
  // the printed rows with the heights the build gave them.
  int64_t ColumnsWidth(int n);
  int64_t RowsHeight(int n, const TdxReportCells& report);

  TcxCustomSpreadSheetBook* component_ = nullptr;
  TdxPSSpreadSheetReportLinkOptionsView optionsView_ = ssovRowAndColumnHeadings;
  TRect printArea_{-1, -1, -1, -1};
  bool rebuildNeeded_ = true;
  int colCount_ = -1;
  int rowCount_ = -1;
  int firstDataCol_ = 1;
  int firstDataRow_ = 1;
  std::unordered_map<int64_t, TCellInfo> cells_;
};

// The link for a workbook control (TcxSpreadSheetBook).
class TdxSpreadSheetBookReportLink : public TCustomdxSpreadSheetReportLink {};

// The link for a single-sheet control (TcxSpreadSheet).
class TdxSpreadSheetReportLink : public TCustomdxSpreadSheetReportLink {};
