#include "print/dxPSGridLink.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "styles/cxSSStyleTypes.h"
#include "view/cxCanvasWrapper.h"

namespace {

// The room a line of text takes in a row besides its own height: two pixels above and below.
constexpr int kTextRowPadding = 4;

int MillimetresToPixels(double mm, int pixelsPerInch) {
  return static_cast<int>(std::lround(mm * pixelsPerInch / 25.4));
}

}  // namespace

// --- TdxPrinterPage --------------------------------------------------------------------------------

QPageLayout TdxPrinterPage::Layout() const {
  return QPageLayout(PaperSize, Orientation, Margins, QPageLayout::Millimeter);
}

void TdxPrinterPage::Assign(const QPageLayout& layout) {
  PaperSize = layout.pageSize();
  Orientation = layout.orientation();
  Margins = layout.margins(QPageLayout::Millimeter);
}

// --- TAbstractdxGridReportLink ---------------------------------------------------------------------

TAbstractdxGridReportLink::TAbstractdxGridReportLink() = default;

TAbstractdxGridReportLink::~TAbstractdxGridReportLink() = default;

void TAbstractdxGridReportLink::RestoreDefaults() {
  PrinterPage = TdxPrinterPage();
  OnlySelected = false;
  HeadersOnEveryPage = false;
  RowAutoHeight = false;
  BorrowingMode = true;
  GridLines = false;
  Color = kclWhite;
  Font = {{"Times New Roman", 10, 0, 1}, kclWindowText};
  FixedColor = RGBColor(240, 240, 240);
  FixedFont = {{"Times New Roman", 10, kFontBold, 1}, kclBlack};
  FixedTransparent = false;
  Transparent = true;
  GridLineColor = kclBlack;
  Effects3D = false;
  Soft3D = true;
  ScaleFonts = true;
  UseHorzDelimiters = true;
  UseVertDelimiters = true;
  UseCustomPageBreaks = false;
}

const std::array<TColor, 56>& TAbstractdxGridReportLink::WrapperPalette() const {
  return kDefaultPalette;
}

TcxCanvasWrapper& TAbstractdxGridReportLink::ReferenceWrapper() {
  if (!wrapper_) wrapper_ = std::make_unique<TcxCanvasWrapper>(WrapperPalette());
  if (&wrapper_->Palette() != &WrapperPalette()) wrapper_->SetPalette(WrapperPalette());
  wrapper_->SetPixelsPerInch(PixelsPerInch());
  return *wrapper_;
}

void TAbstractdxGridReportLink::InitializeCellData(TdxReportCellString& cell, int col, int row) {
  const bool fixed = col == 0 || row == 0;
  cell.Text = GetCellText(col, row);
  cell.TextAlignX = GetCellTextAlignX(col, row);
  cell.Multiline = GetCellMultiline(col, row);
  TdxReportFont font;
  if (BorrowingMode) {
    font = GetCellFont(col, row);
    cell.Color = GetCellColor(col, row);
    cell.PatternColor = GetCellPatternColor(col, row);
    cell.FillPattern = GetCellFillPattern(col, row);
    cell.Transparent = GetCellTransparent(col, row);
    cell.TextAlignY = GetCellTextAlignY(col, row);
  } else {
    font = fixed ? FixedFont : Font;
    cell.Color = fixed ? FixedColor : Color;
    cell.FillPattern = TdxPSFillPatternClass::TdxPSSolidFillPattern;
    cell.Transparent = fixed ? FixedTransparent : Transparent;
    cell.TextAlignY = TdxTextAlignY::taBottom;
  }
  cell.Raised = fixed && GetCellRaised(col, row);
  cell.Sides = GetCellSides(col, row);
  for (int edge = eLeft; edge <= eBottom; ++edge)
    GetCellEdge(col, row, edge, cell.EdgePatterns[edge], cell.EdgeColors[edge]);
  cell.FontIndex = report_->AddFont(font);
  InitializeCell(cell, col, row);
}

void TAbstractdxGridReportLink::RebuildReport() {
  ClearCache();
  report_.reset();
  if (!DataProviderPresent()) throw EdxReportLinkError(kNothingToPrint);
  ReferenceWrapper();
  const int colCount = GetColCount();
  const int rowCount = GetRowCount();
  if (colCount < 2 || rowCount < 2) throw EdxReportLinkError(kNothingToPrint);

  TRect range{1, 1, colCount - 1, rowCount - 1};
  if (HasSelection()) {
    const TRect selection = GetSelectionRect();
    range = {std::max(1, selection.Left), std::max(1, selection.Top), std::min(colCount - 1, selection.Right),
             std::min(rowCount - 1, selection.Bottom)};
  }
  auto report = std::make_unique<TdxReportCells>();
  if (IsColVisible(0)) report->Columns.push_back({0, GetColWidth(0), 0});
  for (int col = range.Left; col <= range.Right; ++col)
    if (IsColVisible(col)) report->Columns.push_back({col, GetColWidth(col), 0});
  if (IsRowVisible(0)) report->Rows.push_back({0, GetRowHeight(0), 0});
  for (int row = range.Top; row <= range.Bottom; ++row)
    if (IsRowVisible(row)) report->Rows.push_back({row, GetRowHeight(row), 0});
  const auto hasData = [](const auto& items) {
    return std::any_of(items.begin(), items.end(), [](const auto& item) { return item.GridIndex > 0; });
  };
  if (!hasData(report->Columns) || !hasData(report->Rows)) throw EdxReportLinkError(kNothingToPrint);
  const uint64_t cellCount = static_cast<uint64_t>(report->Columns.size()) * report->Rows.size();
  if (cellCount > kMaxReportCells)
    throw EdxReportLinkError("The report is too large to print (" + std::to_string(cellCount) +
                             " cells, at most " + std::to_string(kMaxReportCells) +
                             "). Set a print area to print a part of the sheet.");
  report->HeaderRowOnEveryPage = HeadersOnEveryPage && report->Rows.front().GridIndex == 0;
  report_ = std::move(report);

  report_->Cells.resize(report_->Rows.size());
  for (size_t j = 0; j < report_->Rows.size(); ++j) {
    auto& cells = report_->Cells[j];
    cells.reserve(report_->Columns.size());
    for (const TdxReportCells::TColumn& column : report_->Columns) {
      cells.push_back(CreateDataCell());
      InitializeCellData(*cells.back(), column.GridIndex, report_->Rows[j].GridIndex);
    }
  }
  report_->PlaceCells();
  if (RowAutoHeight) {
    GrowRowsToText(*report_);
    report_->PlaceCells();
  }
  AfterConstruct(*report_);
}

void TAbstractdxGridReportLink::GrowRowsToText(TdxReportCells& report) {
  TcxCanvasWrapper& wrapper = ReferenceWrapper();
  for (size_t j = 0; j < report.Rows.size(); ++j) {
    int needed = 0;
    for (const auto& cell : report.Cells[j]) {
      if (cell->Text.empty()) continue;
      const TcxScreenFont& font = wrapper.ScreenFont(report.Fonts[cell->FontIndex].Desc);
      wrapper.SetFont(&font);
      int lines = 1;
      if (cell->Multiline) {
        TcxTextParameters params;
        wrapper.LayoutText(cell->Text, CellTextRect(cell->Bounds), params, true, vaTOP, haLEFT);
        lines = std::max<int>(1, static_cast<int>(params.Lines.size()));
      }
      needed = std::max(needed, lines * font.Height + kTextRowPadding);
    }
    report.Rows[j].Height = std::max(report.Rows[j].Height, needed);
  }
}

std::vector<TdxPSPage> TAbstractdxGridReportLink::Paginate(const QPageLayout& layout, int resolution) const {
  if (!report_) return {};
  const int ppi = PixelsPerInch();
  const QRect paint = layout.paintRectPixels(resolution);
  const int width = static_cast<int>(std::floor(paint.width() * static_cast<double>(ppi) / resolution));
  const int height = static_cast<int>(std::floor(paint.height() * static_cast<double>(ppi) / resolution)) -
                     MillimetresToPixels(PrinterPage.HeaderHeight, ppi) -
                     MillimetresToPixels(PrinterPage.FooterHeight, ppi);
  return PaginateReport(*report_, width, height);
}

void TAbstractdxGridReportLink::DrawPageFrame(QPainter& painter, const TRect& body, int number, int count) {
  TcxCanvasWrapper& wrapper = ReferenceWrapper();
  const int footer = MillimetresToPixels(PrinterPage.FooterHeight, PixelsPerInch());
  QPainter* previous = wrapper.Canvas();
  wrapper.SetCanvas(&painter);
  wrapper.SetFont(&wrapper.ScreenFont(PrinterPage.PageFooterFont));
  wrapper.SetTextColor(kclBlack);
  wrapper.DrawCentredText(QString("%1 / %2").arg(number).arg(count),
                          {body.Left, body.Bottom, body.Right, body.Bottom + footer});
  wrapper.SetCanvas(previous);
}

int TAbstractdxGridReportLink::PrintTo(QPrinter& printer) {
  return PrintToDevice(printer, printer.fromPage(), printer.toPage());
}

int TAbstractdxGridReportLink::PrintToDevice(QPagedPaintDevice& device, int fromPage, int toPage) {
  RebuildReport();
  const int resolution = device.logicalDpiX();
  const QPageLayout layout = device.pageLayout();
  const std::vector<TdxPSPage> pages = Paginate(layout, resolution);
  const int first = fromPage > 0 ? fromPage : 1;
  const int last = toPage > 0 ? std::min<int>(toPage, static_cast<int>(pages.size())) : static_cast<int>(pages.size());
  if (first > last) return 0;

  QPainter painter;
  if (!painter.begin(&device)) throw EdxReportLinkError("The printer could not be started.");
  const int ppi = PixelsPerInch();
  const double scale = static_cast<double>(resolution) / ppi;
  const QRect paint = layout.paintRectPixels(resolution);
  const int width = static_cast<int>(std::floor(paint.width() / scale));
  const int height = static_cast<int>(std::floor(paint.height() / scale));
  const int header = MillimetresToPixels(PrinterPage.HeaderHeight, ppi);
  const int footer = MillimetresToPixels(PrinterPage.FooterHeight, ppi);
  const TRect body{0, header, width, height - footer};
  TdxPSReportRenderer renderer(ReferenceWrapper(), *report_, Effects3D);
  int printed = 0;
  for (int number = first; number <= last; ++number) {
    if (printed > 0 && !device.newPage()) break;
    painter.save();
    painter.scale(scale, scale);
    DrawPageFrame(painter, body, number, static_cast<int>(pages.size()));
    painter.translate(0, header + report_->PageHeaderHeight());
    renderer.DrawPage(painter, pages[number - 1]);
    painter.restore();
    ++printed;
  }
  painter.end();
  return printed;
}
