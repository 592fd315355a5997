#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/TextMeasurer.h"
#include "print/dxPSReportCells.h"
#include "print/dxPSReportRenderer.h"

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;
class TcxCanvasWrapper;

// What the report engine reports when a link has nothing to print or cannot print.
class EdxReportLinkError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kNothingToPrint =
    "Cannot activate ReportLink because PrintingSystem did not find anything to print.";

// The most cells a report is built with: every cell is made, with its text and look, before the
// pages are cut, which takes some 350 bytes a cell. A sheet whose used area spans more (a cell in
// IV65536 makes 16.7 million) is refused with a message instead of exhausting the memory.
inline constexpr uint64_t kMaxReportCells = uint64_t(1) << 20;

// A link's page: paper, orientation, margins, the page header and footer bands (their heights
// lie inside the margins' area, above and below the body) and their fonts, in millimetres and
// points.
struct TdxPrinterPage {
  QPageSize PaperSize{QPageSize::A4};
  QPageLayout::Orientation Orientation = QPageLayout::Portrait;
  QMarginsF Margins{12.7, 12.7, 12.7, 12.7};
  double HeaderHeight = 6.35;
  double FooterHeight = 6.35;
  TcxFontDesc PageHeaderFont{"Tahoma", 10, 0, 1};
  TcxFontDesc PageFooterFont{"Tahoma", 10, 0, 1};
  TcxFontDesc ReportTitleFont{"Times New Roman", 17, 1, 1};

  QPageLayout Layout() const;
  // Takes paper, orientation and margins from a page layout (a page setup dialog's answer).
  void Assign(const QPageLayout& layout);
};

// The engine's grid link: a report made of a grid of columns and rows, whose sizes, visibility
// and cells a derived link answers. Column 0 and row 0 are the fixed (heading) column and row.
// A build asks every question once, makes the report cells (TdxReportCells), lets the link
// change them (AfterConstruct) and then grows rows to their text when RowAutoHeight is on. The
// pages are the report's body cut to the page's body (PaginateReport), each printed with the page
// header above it and the page number in the footer below it.
class TAbstractdxGridReportLink {
public:
  TAbstractdxGridReportLink();
  virtual ~TAbstractdxGridReportLink();
  TAbstractdxGridReportLink(const TAbstractdxGridReportLink&) = delete;
  TAbstractdxGridReportLink& operator=(const TAbstractdxGridReportLink&) = delete;

  // --- Options -----------------------------------------------------------------------------------
  TdxPrinterPage PrinterPage;
  std::string ReportDocumentCaption = "New Report";
  bool OnlySelected = false;
  bool HeadersOnEveryPage = false;
  bool RowAutoHeight = false;
  // True: the link gives every cell's colours, fonts and sides; false: the engine's own look
  // (Color, Font, Transparent, plain grid sides, text at the bottom).
  bool BorrowingMode = true;
  // The engine's grid lines in its own look.
  bool GridLines = false;
  TColor Color = RGBColor(255, 255, 255);
  TdxReportFont Font{{"Times New Roman", 10, 0, 1}, 0};
  TColor FixedColor = RGBColor(240, 240, 240);
  TdxReportFont FixedFont{{"Times New Roman", 10, 1, 1}, 0};
  bool FixedTransparent = false;
  bool Transparent = true;
  TColor GridLineColor = 0;
  bool Effects3D = false;
  bool Soft3D = true;
  bool ScaleFonts = true;
  bool UseHorzDelimiters = true;
  bool UseVertDelimiters = true;
  bool UseCustomPageBreaks = false;
  // The engine's defaults.
  virtual void RestoreDefaults();

  // --- Building and printing -----------------------------------------------------------------
  // Whether there is anything to build a report from.
  virtual bool DataProviderPresent() const = 0;
  // Builds the report afresh; raises EdxReportLinkError kNothingToPrint when there is nothing.
  void RebuildReport();
  // The report of the last build (null before the first).
  const TdxReportCells* Report() const { return report_.get(); }
  // The report's pages on a page of this layout at this resolution (dots per inch).
  std::vector<TdxPSPage> Paginate(const QPageLayout& layout, int resolution) const;
  // Builds the report and prints its pages (the printer's page range when it has one) with the
  // link's page layout. Returns the number of pages printed.
  int PrintTo(QPrinter& printer);
  // The same on a paint device whose page layout has been set (a PDF writer, a picture).
  int PrintToDevice(QPagedPaintDevice& device, int fromPage, int toPage);
  // The reference device context the link measures text on, in report pixels.
  TcxCanvasWrapper& ReferenceWrapper();
  // The link's design window, where its kind of link has one: whether there is one, and showing
  // it modally (true when its changes were kept).
  virtual bool CanDesign() const { return false; }
  virtual bool ShowDesignWindow(QWidget* /*parent*/) { return false; }

protected:
  // --- The questions a build asks ------------------------------------------------------------
  virtual int GetColCount() = 0;
  virtual int GetRowCount() = 0;
  virtual int GetColWidth(int col) = 0;
  virtual int GetRowHeight(int row) = 0;
  virtual bool IsColVisible(int col) = 0;
  virtual bool IsRowVisible(int row) = 0;
  // A range of the grid to print (grid coordinates, inclusive), besides the fixed column and row.
  virtual bool HasSelection() { return false; }
  virtual TRect GetSelectionRect() { return {}; }
  virtual std::string GetCellText(int col, int row) = 0;
  virtual TdxReportFont GetCellFont(int col, int row) = 0;
  virtual TColor GetCellColor(int col, int row) = 0;
  virtual TColor GetCellPatternColor(int col, int row) = 0;
  virtual TdxPSFillPatternClass GetCellFillPattern(int col, int row) = 0;
  virtual TdxTextAlignX GetCellTextAlignX(int col, int row) = 0;
  virtual TdxTextAlignY GetCellTextAlignY(int col, int row) = 0;
  virtual bool GetCellMultiline(int col, int row) = 0;
  virtual bool GetCellTransparent(int col, int row) = 0;
  virtual uint8_t GetCellSides(int col, int row) = 0;
  virtual void GetCellEdge(int col, int row, int edge, TdxPSEdgePatternClass& pattern, TColor& color) = 0;
  virtual bool GetCellRaised(int col, int row) = 0;
  // The class of a data cell.
  virtual std::unique_ptr<TdxReportCellString> CreateDataCell() {
    return std::make_unique<TdxReportCellString>();
  }
  // Called for every new cell after the engine filled it in (the link's own fields).
  virtual void InitializeCell(TdxReportCellString&, int /*col*/, int /*row*/) {}
  // After the cells were made and placed: the link adds and changes cells.
  virtual void AfterConstruct(TdxReportCells&) {}
  // Forgets what the link cached for the last build.
  virtual void ClearCache() {}
  // The screen resolution report pixels are measured in.
  virtual int PixelsPerInch() const { return 96; }
  // The palette the reference wrapper resolves colour indexes with (none needed by the engine).
  virtual const std::array<TColor, 56>& WrapperPalette() const;

  // Fills a cell made for (col, row) as the engine does.
  void InitializeCellData(TdxReportCellString& cell, int col, int row);
  TdxReportCells& MutableReport() { return *report_; }

private:
  void GrowRowsToText(TdxReportCells& report);
  // The page number, centred in the footer band below the body (report pixels).
  void DrawPageFrame(QPainter& painter, const TRect& body, int number, int count);

  std::unique_ptr<TdxReportCells> report_;
  std::unique_ptr<TcxCanvasWrapper> wrapper_;
};
