#include "print/dxPScxSSLnk.h"

#include <algorithm>
#include <cmath>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSMergedCellsStorage.h"
#include "calc/cxSSUtils.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "print/dxPScxSSLnkDesignWindow.h"
#include "styles/cxSSStyleCache.h"
#include "view/cxCanvasWrapper.h"
#include "xls/cxExcelFileWriter.h"

namespace {

// Sheet sizes are screen pixels of a 96 pixels-per-inch screen, scaled to the workbook's.
constexpr int kDesignPpi = 96;
// Rows print this much taller than the sheet shows them, for the room printed text needs.
constexpr int kRowPadding = 3;
// Text reaching over its neighbours keeps this much room after it (left and right alignment) or
// on both sides (centred).
constexpr int kOverflowRoom = 6;
constexpr int kCentredRoom = 2;
// Past the range's last column, overflowing text is cut this far beyond its right end.
constexpr int kRangeOverhang = 2;

constexpr int kSheetRows = TcxExcelFileWriter::kMaxRows;
constexpr int kSheetCols = TcxExcelFileWriter::kMaxCols;

int MulDiv(int64_t value, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

bool Intersects(const TRect& a, const TRect& b) {
  return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

bool SameFill(const TcxSSStyleRec& a, const TcxSSStyleRec& b) {
  return a.BrushStyle == b.BrushStyle && a.ForegroundColor == b.ForegroundColor &&
         a.BackgroundColor == b.BackgroundColor;
}

// The sheet's used columns and rows for printing: for every cell, the last column and row it
// makes used. A cell is used when it holds something or differs from the sheet's default cell in
// its fill or edges; one whose only difference is its left (top) edge uses only the column (row)
// before it, whose right (bottom) line that edge is. Merged areas are used whole.
TPoint UsedExtent(const TcxSSDataStorage& storage, const TcxSSStyleRec& defaultStyle) {
  int lastCol = -1;
  int lastRow = -1;
  storage.ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
    const TcxSSStyleRec& style = cell.Style ? *cell.Style : defaultStyle;
    if (!cell.Text.empty() || cell.Number != 0 || cell.Formula || !SameFill(style, defaultStyle)) {
      lastCol = std::max(lastCol, col);
      lastRow = std::max(lastRow, row);
      return;
    }
    unsigned differing = 0;
    for (int edge = eLeft; edge <= eBottom; ++edge)
      if (!(style.Edges[edge] == defaultStyle.Edges[edge])) differing |= kdxCellSides[edge];
    if (differing == 0) return;
    lastCol = std::max(lastCol, differing == csLeft ? col - 1 : col);
    lastRow = std::max(lastRow, differing == csTop ? row - 1 : row);
  });
  for (const TRect& area : storage.MergedCells().GetAllInclusive()) {
    lastCol = std::max(lastCol, area.Right);
    lastRow = std::max(lastRow, area.Bottom);
  }
  lastRow = std::min(lastRow, storage.RowCount());
  return {lastCol + 1, lastRow + 1};
}

TdxTextAlignX AlignX(TcxHorzTextAlign align) {
  switch (align) {
    case haCENTER:
    case haCENTERACROSS:
      return TdxTextAlignX::taCenterX;
    case haRIGHT:
      return TdxTextAlignX::taRight;
    case haJUSTIFY:
    case haDISTRIBUTED:
      return TdxTextAlignX::taDistributeX;
    default:  // left, and fill
      return TdxTextAlignX::taLeft;
  }
}

TdxTextAlignY AlignY(TcxVertTextAlign align) {
  switch (align) {
    case vaTOP:
      return TdxTextAlignY::taTop;
    case vaCENTER:
      return TdxTextAlignY::taCenterY;
    case vaJUSTIFY:
    case vaDISTRIBUTED:
      return TdxTextAlignY::taDistributeY;
    default:
      return TdxTextAlignY::taBottom;
  }
}

TdxReportCellSSString& SSCell(TdxReportCells& report, int rowIndex, int colIndex) {
  return static_cast<TdxReportCellSSString&>(report.Cell(rowIndex, colIndex));
}

}  // namespace

// --- TdxReportCellSSString -------------------------------------------------------------------------

TRect TdxReportCellSSString::TextBounds() const {
  return {LeftExtent > 0 ? std::min(LeftExtent, Bounds.Left) : Bounds.Left, Bounds.Top,
          RightExtent > 0 ? std::max(RightExtent, Bounds.Right) : Bounds.Right, Bounds.Bottom};
}

void TdxReportCellSSString::DrawBorders(TdxPSReportRenderer& renderer) const {
  TdxPSCellPatternsBorderPainter::DrawBorders(renderer, *this);
}

void TdxPSCellPatternsBorderPainter::DrawBorders(TdxPSReportRenderer& renderer,
                                                 const TdxReportCellSSString& cell) {
  for (int edge = eLeft; edge <= eBottom; ++edge) {
    if (!cell.HasSide(edge)) continue;
    if (cell.EdgePatterns[edge] == TdxPSEdgePatternClass::TdxPSDoubleLineSolidEdgePattern)
      renderer.DrawDoubleSide(cell, edge, cell.CornerJoins & TdxReportCellSSString::JoinBit(edge, 0),
                              cell.CornerJoins & TdxReportCellSSString::JoinBit(edge, 1));
    else
      renderer.DrawSide(cell, edge, 0, edge == eRight || edge == eBottom ? 1 : 0);
  }
}

// --- TdxPSGridCellsAdapter -------------------------------------------------------------------------

TdxPSGridCellsAdapter::TdxPSGridCellsAdapter(const TdxReportCells& report) : report_(report) {
  for (size_t i = 0; i < report.Columns.size(); ++i) columns_[report.Columns[i].GridIndex] = static_cast<int>(i);
  for (size_t j = 0; j < report.Rows.size(); ++j) rows_[report.Rows[j].GridIndex] = static_cast<int>(j);
}

int TdxPSGridCellsAdapter::ColumnIndex(int col) const {
  const auto it = columns_.find(col);
  return it == columns_.end() ? -1 : it->second;
}

int TdxPSGridCellsAdapter::RowIndex(int row) const {
  const auto it = rows_.find(row);
  return it == rows_.end() ? -1 : it->second;
}

const TdxReportCellSSString* TdxPSGridCellsAdapter::Cell(int col, int row) const {
  const int i = ColumnIndex(col);
  const int j = RowIndex(row);
  if (i < 0 || j < 0) return nullptr;
  return &static_cast<const TdxReportCellSSString&>(report_.Cell(j, i));
}

// --- TCustomdxSpreadSheetReportLink ----------------------------------------------------------------

TCustomdxSpreadSheetReportLink::TCustomdxSpreadSheetReportLink() { RestoreDefaults(); }

TCustomdxSpreadSheetReportLink::~TCustomdxSpreadSheetReportLink() = default;

void TCustomdxSpreadSheetReportLink::SetComponent(TcxCustomSpreadSheetBook* book) {
  component_ = book;
  ClearCache();
  rebuildNeeded_ = true;
}

void TCustomdxSpreadSheetReportLink::SetOptionsView(TdxPSSpreadSheetReportLinkOptionsView value) {
  optionsView_ = value;
  BorrowingMode = (value & ssovSuppressSourceFormats) == 0;
  GridLines = (value & ssovGridLines) != 0;
  rebuildNeeded_ = true;
}

void TCustomdxSpreadSheetReportLink::SetPrintArea(const TRect& area) {
  if (area == printArea_) return;
  TRect rect = area;
  if (!(rect == TRect{-1, -1, -1, -1})) {
    rect.Left = std::max(rect.Left, 0);
    rect.Top = std::max(rect.Top, 0);
    rect.Right = std::max(rect.Right, rect.Left);
    rect.Bottom = std::max(rect.Bottom, rect.Top);
  }
  printArea_ = rect;
  rebuildNeeded_ = true;
}

bool TCustomdxSpreadSheetReportLink::HasPrintArea() const {
  return !(printArea_ == TRect{-1, -1, -1, -1});
}

void TCustomdxSpreadSheetReportLink::RestoreDefaults() {
  TAbstractdxGridReportLink::RestoreDefaults();
  FixedColor = kclBtnFace;
  Soft3D = true;
  printArea_ = {-1, -1, -1, -1};
  if (component_) FixedFont.Desc = component_->HeaderFont();
  SetOptionsView(ssovRowAndColumnHeadings);
}

bool TCustomdxSpreadSheetReportLink::ShowDesignWindow(QWidget* parent) {
  TfmdxSpreadSheetDesignWindow window(*this, parent);
  return window.exec() == QDialog::Accepted;
}

TcxSSBookSheet& TCustomdxSpreadSheetReportLink::Sheet() const { return component_->ActiveSheet(); }

TPoint TCustomdxSpreadSheetReportLink::UsedCells() const {
  if (!component_ || component_->PageCount() == 0) return {0, 0};
  return UsedExtent(Sheet().DataStorage(), *component_->StyleCache().DefaultRecord());
}

bool TCustomdxSpreadSheetReportLink::DataProviderPresent() const {
  const TPoint used = UsedCells();
  return used.X > 0 && used.Y > 0;
}

void TCustomdxSpreadSheetReportLink::ClearCache() {
  colCount_ = -1;
  rowCount_ = -1;
  cells_.clear();
  rebuildNeeded_ = false;
}

int TCustomdxSpreadSheetReportLink::PixelsPerInch() const {
  return component_ ? component_->Environment().PixelsPerInch : kDesignPpi;
}

const std::array<TColor, 56>& TCustomdxSpreadSheetReportLink::WrapperPalette() const {
  return component_ ? component_->Palette() : TAbstractdxGridReportLink::WrapperPalette();
}

TColor TCustomdxSpreadSheetReportLink::PaletteColor(TcxSSColor index, TColor otherwise) const {
  return index <= 55 ? component_->Palette()[index] : otherwise;
}

// --- Range and sizes -------------------------------------------------------------------------------

TRect TCustomdxSpreadSheetReportLink::Range() {
  TRect range = OnlySelected ? Sheet().Selection() : printArea_;
  // A range of whole columns or rows ends where the sheet's used cells end, rather than at the
  // grid's last row or column: such a selection means "all of these columns", not 65,536 rows.
  const TPoint used = UsedCells();
  if (range.Bottom >= kSheetRows - 1) range.Bottom = std::max(range.Top, used.Y - 1);
  if (range.Right >= kSheetCols - 1) range.Right = std::max(range.Left, used.X - 1);
  return range;
}

bool TCustomdxSpreadSheetReportLink::HasSelection() { return OnlySelected || HasPrintArea(); }

TRect TCustomdxSpreadSheetReportLink::GetSelectionRect() {
  const TRect range = Range();
  return {range.Left + 1, range.Top + 1, range.Right + 1, range.Bottom + 1};
}

int TCustomdxSpreadSheetReportLink::GetColCount() {
  if (colCount_ < 0) {
    colCount_ = HasSelection() ? GetSelectionRect().Right + 1 : UsedCells().X + 1;
    int first = HasSelection() ? GetSelectionRect().Left : 1;
    while (first < colCount_ - 1 && !IsColVisible(first)) ++first;
    firstDataCol_ = first;
  }
  return colCount_;
}

int TCustomdxSpreadSheetReportLink::GetRowCount() {
  if (rowCount_ < 0) {
    rowCount_ = HasSelection() ? GetSelectionRect().Bottom + 1 : UsedCells().Y + 1;
    int first = HasSelection() ? GetSelectionRect().Top : 1;
    while (first < rowCount_ - 1 && !IsRowVisible(first)) ++first;
    firstDataRow_ = first;
  }
  return rowCount_;
}

int TCustomdxSpreadSheetReportLink::GetColWidth(int col) {
  const int width = col == 0 ? component_->RowHeaderWidth() : Sheet().ColumnHeader().VisibleSize(col - 1);
  return MulDiv(width, PixelsPerInch(), kDesignPpi);
}

int TCustomdxSpreadSheetReportLink::GetRowHeight(int row) {
  const int ppi = PixelsPerInch();
  int height = row == 0 ? component_->ColHeaderHeight()
                        : MulDiv(Sheet().RowHeader().VisibleSize(row - 1), kDesignPpi, ppi);
  if (height >= 4) height += kRowPadding;
  return MulDiv(height, ppi, kDesignPpi);
}

bool TCustomdxSpreadSheetReportLink::IsColVisible(int col) {
  return col == 0 ? Headings() : Sheet().ColumnHeader().IsVisible(col - 1);
}

bool TCustomdxSpreadSheetReportLink::IsRowVisible(int row) {
  return row == 0 ? Headings() : Sheet().RowHeader().IsVisible(row - 1);
}

// --- Cells -----------------------------------------------------------------------------------------

TCustomdxSpreadSheetReportLink::TCellInfo& TCustomdxSpreadSheetReportLink::Info(int sheetCol, int sheetRow) {
  const int64_t key = (static_cast<int64_t>(sheetCol) << 32) | static_cast<uint32_t>(sheetRow);
  const auto found = cells_.find(key);
  if (found != cells_.end()) return found->second;
  TCellInfo& info = cells_[key];
  TcxCustomSpreadSheetBook& book = *component_;
  const TcxSSStyleRec& defaultStyle = *book.StyleCache().DefaultRecord();
  if (sheetCol < 0 || sheetRow < 0 || sheetCol >= kSheetCols || sheetRow >= kSheetRows) {
    // Beyond the grid: an empty default cell.
    info.Style = &defaultStyle;
    info.DefaultStyle = true;
    info.Left = defaultStyle.Edges[eLeft];
    info.Top = defaultStyle.Edges[eTop];
    info.TextKnown = true;
    return info;
  }
  TcxSSDataStorage& storage = Sheet().DataStorage();
  const TcxSSCellRec& cell = storage.CellRef(sheetCol, sheetRow);
  info.Style = cell.Style ? cell.Style : &defaultStyle;
  info.DefaultStyle = info.Style == &defaultStyle;
  info.Merged = (info.Style->Flags & kStyleMerged) && storage.GetMergedRect({sheetCol, sheetRow}, info.Area);
  // Lines as the cell shows them: none inside a merged area, none for the grid of a filled cell.
  TcxSSCellStyle style(book.StyleCache(), &storage, sheetCol, sheetRow);
  TcxSSEdgeStyle& left = style.Borders().Left();
  TcxSSEdgeStyle& top = style.Borders().Top();
  info.Left = {left.Style(), left.Color()};
  info.Top = {top.Style(), top.Color()};
  return info;
}

const TcxSSCellText& TCustomdxSpreadSheetReportLink::DisplayText(int sheetCol, int sheetRow) {
  TCellInfo& info = Info(sheetCol, sheetRow);
  if (!info.TextKnown) {
    info.Text = CellDisplayText(*component_, Sheet().DataStorage().CellRef(sheetCol, sheetRow), *info.Style);
    info.TextKnown = true;
  }
  return info.Text;
}

TCustomdxSpreadSheetReportLink::TCellInfo& TCustomdxSpreadSheetReportLink::LaidOutText(int col, int row) {
  TCellInfo& info = Info(col - 1, row - 1);
  if (info.LaidOut) return info;
  const TcxSSCellText& text = DisplayText(col - 1, row - 1);
  info.LaidOut = true;
  info.PrintedText = text.Text;
  if (text.Text.empty()) return info;
  // Laid out in the printed cell as the view lays a cell out: a format's fill character repeated
  // to the cell's width; a wrapped text keeps its text, which the page wraps in the same width.
  TcxCanvasWrapper& wrapper = ReferenceWrapper();
  wrapper.SetFont(&wrapper.ScreenFont(GetCellFont(col, row).Desc));
  TcxTextParameters params;
  LayoutCellText(wrapper, *component_, *info.Style, text,
                 CellTextRect({0, 0, GetColWidth(col), GetRowHeight(row)}), params, false, nullptr);
  info.Multiline = params.WordBreak;
  if (!params.WordBreak && params.Lines.size() == 1) info.PrintedText = params.Lines.front().Text.toStdString();
  return info;
}

std::string TCustomdxSpreadSheetReportLink::GetCellText(int col, int row) {
  if (col == 0 && row == 0) return {};
  if (row == 0) return TcxSSUtils::ColumnName(col - 1, component_->R1C1ReferenceStyle());
  if (col == 0) return std::to_string(row);
  if (Info(col - 1, row - 1).Merged) return {};
  return LaidOutText(col, row).PrintedText;
}

TdxReportFont TCustomdxSpreadSheetReportLink::GetCellFont(int col, int row) {
  if (col == 0 || row == 0) return FixedFont;
  const TCellInfo& info = Info(col - 1, row - 1);
  const TcxSSFontRec* font = info.Style->Font;
  TdxReportFont result{font ? ScreenFontDesc(*font) : component_->Font(), Font.Color};
  // A number format's colour ([Red]) wins over the font's, as on the screen.
  const TcxSSColor formatColor = DisplayText(col - 1, row - 1).Color;
  if (formatColor != kKeepTextColor && formatColor <= 55)
    result.Color = PaletteColor(formatColor, Font.Color);
  else if (font)
    result.Color = PaletteColor(font->FontColor, Font.Color);
  return result;
}

TColor TCustomdxSpreadSheetReportLink::GetCellColor(int col, int row) {
  if (col == 0 || row == 0) return component_->HeaderColor();
  const TcxSSStyleRec& style = *Info(col - 1, row - 1).Style;
  // A pattern's ink: automatic is black, as the screen draws it.
  if (style.BrushStyle != fsSolid) return PaletteColor(style.ForegroundColor, kclBlack);
  return PaletteColor(style.BackgroundColor, kclWindow);
}

TColor TCustomdxSpreadSheetReportLink::GetCellPatternColor(int col, int row) {
  if (col == 0 || row == 0) return component_->HeaderColor();
  return PaletteColor(Info(col - 1, row - 1).Style->BackgroundColor, kclWindow);
}

TdxPSFillPatternClass TCustomdxSpreadSheetReportLink::GetCellFillPattern(int col, int row) {
  if (col == 0 || row == 0) return TdxPSFillPatternClass::TdxPSSolidFillPattern;
  return FillPatternClassOf(Info(col - 1, row - 1).Style->BrushStyle);
}

TdxTextAlignX TCustomdxSpreadSheetReportLink::GetCellTextAlignX(int col, int row) {
  if (col == 0 || row == 0) return TdxTextAlignX::taCenterX;
  return AlignX(CellHorzAlign(*component_, *Info(col - 1, row - 1).Style, DisplayText(col - 1, row - 1)));
}

TdxTextAlignY TCustomdxSpreadSheetReportLink::GetCellTextAlignY(int col, int row) {
  if (col == 0 || row == 0) return TdxTextAlignY::taBottom;
  return AlignY(Info(col - 1, row - 1).Style->VertTextAlign);
}

bool TCustomdxSpreadSheetReportLink::GetCellMultiline(int col, int row) {
  if (col == 0 || row == 0) return false;
  return LaidOutText(col, row).Multiline;
}

bool TCustomdxSpreadSheetReportLink::IsDataTransparent(int col, int row) {
  if (col < 1 || row < 1) return FixedTransparent;
  const TcxSSStyleRec& style = *Info(col - 1, row - 1).Style;
  return Transparent && style.BrushStyle == fsSolid && PaletteColor(style.BackgroundColor, kclWindow) == kclWindow;
}

bool TCustomdxSpreadSheetReportLink::GetCellTransparent(int col, int row) { return IsDataTransparent(col, row); }

bool TCustomdxSpreadSheetReportLink::GetCellRaised(int col, int row) {
  return (col == 0 || row == 0) && component_->PainterType() != ptOfficeXPStyle;
}

TcxSSEdgeRec TCustomdxSpreadSheetReportLink::SideEdge(int col, int row, int edge) {
  switch (edge) {
    case eLeft:
      return Info(col - 1, row - 1).Left;
    case eTop:
      return Info(col - 1, row - 1).Top;
    case eRight:
      return Info(col, row - 1).Left;
    default:
      return Info(col - 1, row).Top;
  }
}

bool TCustomdxSpreadSheetReportLink::GridLineWanted(int col, int row, int edge) {
  // The grid closes around the printed cells: the first printed column and row and the last
  // grid column and row always have theirs. Inside, a grid line shows between two cells
  // without a fill.
  const bool transparent = IsDataTransparent(col, row);
  switch (edge) {
    case eLeft:
      return col == firstDataCol_ || (transparent && IsDataTransparent(col - 1, row));
    case eTop:
      return row == firstDataRow_ || (transparent && IsDataTransparent(col, row - 1));
    case eRight:
      return col >= GetColCount() - 1 || (transparent && IsDataTransparent(col + 1, row));
    default:
      return row >= GetRowCount() - 1 || (transparent && IsDataTransparent(col, row + 1));
  }
}

uint8_t TCustomdxSpreadSheetReportLink::GetCellSides(int col, int row) {
  if (col == 0 || row == 0) return csAll;
  const TCellInfo& info = Info(col - 1, row - 1);
  const bool gridLines = (optionsView_ & ssovGridLines) != 0;
  uint8_t sides = 0;
  for (int edge = eLeft; edge <= eBottom; ++edge) {
    const bool outer = !info.Merged || (edge == eLeft && col - 1 == info.Area.Left) ||
                       (edge == eTop && row - 1 == info.Area.Top) ||
                       (edge == eRight && col - 1 == info.Area.Right) ||
                       (edge == eBottom && row - 1 == info.Area.Bottom);
    if (Suppressed()) {
      if (gridLines && outer) sides |= kdxCellSides[edge];
      continue;
    }
    const TcxSSEdgeLineStyle line = SideEdge(col, row, edge).Style;
    if ((line != lsDefault && line != lsNone) || (gridLines && outer && GridLineWanted(col, row, edge)))
      sides |= kdxCellSides[edge];
  }
  return sides;
}

void TCustomdxSpreadSheetReportLink::GetCellEdge(int col, int row, int edge, TdxPSEdgePatternClass& pattern,
                                                 TColor& color) {
  pattern = TdxPSEdgePatternClass::TdxPSSolidEdgePattern;
  if (col == 0 || row == 0) {
    color = GridLineColor;
    return;
  }
  if (Suppressed()) {
    // The default cell's border colour where it has a line of its own, else the link's.
    const TcxSSEdgeRec& border =
        component_->StyleCache().DefaultRecord()->Edges[edge == eLeft || edge == eRight ? eLeft : eTop];
    color = border.Style != lsDefault && border.Style != lsNone ? PaletteColor(border.Color, kclWindowText)
                                                                 : GridLineColor;
    return;
  }
  const TcxSSEdgeRec line = SideEdge(col, row, edge);
  pattern = EdgePatternClassOf(line.Style);
  const TColor automatic = line.Style == lsDefault || line.Style == lsNone ? component_->GridColor() : kclWindowText;
  color = PaletteColor(line.Color, automatic);
}

std::unique_ptr<TdxReportCellString> TCustomdxSpreadSheetReportLink::CreateDataCell() {
  return std::make_unique<TdxReportCellSSString>();
}

void TCustomdxSpreadSheetReportLink::InitializeCell(TdxReportCellString& cell, int col, int row) {
  auto& item = static_cast<TdxReportCellSSString&>(cell);
  item.Col = col;
  item.Row = row;
  item.IsFixed = col == 0 || row == 0;
  item.IsMerged = !item.IsFixed && Info(col - 1, row - 1).Merged;
  item.IsRightAligned = !item.IsFixed && item.TextAlignX == TdxTextAlignX::taRight;
}

// --- After the engine's build ----------------------------------------------------------------------

void TCustomdxSpreadSheetReportLink::AfterConstruct(TdxReportCells& report) {
  if (OnInitializeItem)
    for (auto& row : report.Cells)
      for (auto& cell : row) OnInitializeItem(*this, static_cast<TdxReportCellSSString&>(*cell));
  if (Sheet().DataStorage().MergedCells().Count() > 0) AddMergedAreas(report);
  CalculateTextExtents(report);
  if (!HasSelection()) AddExtraColumns(report);
  RemoveCrossedLines(report);
  CalculateCornerJoins(report);
}

int64_t TCustomdxSpreadSheetReportLink::ColumnsWidth(int n) {
  int64_t sum = 0;
  for (int col = 0; col < n; ++col) sum += GetColWidth(col);
  return sum;
}

int64_t TCustomdxSpreadSheetReportLink::RowsHeight(int n, const TdxReportCells& report) {
  // The printed rows keep the heights the build gave them (grown to their text).
  std::unordered_map<int, int> printed;
  for (const TdxReportCells::TRow& row : report.Rows) printed[row.GridIndex] = row.Height;
  int64_t sum = 0;
  for (int row = 0; row < n; ++row) {
    const auto it = printed.find(row);
    sum += it != printed.end() ? it->second : GetRowHeight(row);
  }
  return sum;
}

void TCustomdxSpreadSheetReportLink::AddMergedAreas(TdxReportCells& report) {
  const bool range = HasSelection();
  const TRect cells = range ? GetSelectionRect() : TRect{};
  const int headingWidth = GetColWidth(0);
  const int headingHeight = static_cast<int>(RowsHeight(1, report));
  int64_t x0 = 0;
  int64_t y0 = 0;
  if (range) {
    x0 = ColumnsWidth(cells.Left) - (Headings() ? headingWidth : 0);
    y0 = RowsHeight(cells.Top, report) - (Headings() && !HeadersOnEveryPage ? headingHeight : 0);
  } else if (Headings()) {
    y0 = HeadersOnEveryPage ? headingHeight : 0;
  } else {
    x0 = headingWidth;
    y0 = headingHeight;
  }
  for (const TRect& area : Sheet().DataStorage().MergedCells().GetAllInclusive()) {
    const TRect grid{area.Left + 1, area.Top + 1, area.Right + 1, area.Bottom + 1};
    if (range && !Intersects(grid, cells)) continue;
    auto cell = std::make_unique<TdxReportCellSSString>();
    InitializeCellData(*cell, grid.Left, grid.Top);
    cell->Bounds = {static_cast<int>(ColumnsWidth(grid.Left) - x0), static_cast<int>(RowsHeight(grid.Top, report) - y0),
                    static_cast<int>(ColumnsWidth(grid.Right + 1) - x0),
                    static_cast<int>(RowsHeight(grid.Bottom + 1, report) - y0)};
    cell->Sides = 0;
    cell->IsMerged = true;
    // The area's own text, laid out in the whole area.
    const TcxSSCellText& text = DisplayText(area.Left, area.Top);
    cell->Text = text.Text;
    cell->Multiline = false;
    if (!text.Text.empty()) {
      TcxCanvasWrapper& wrapper = ReferenceWrapper();
      wrapper.SetFont(&wrapper.ScreenFont(report.Fonts[cell->FontIndex].Desc));
      TcxTextParameters params;
      const TRect& b = cell->Bounds;
      LayoutCellText(wrapper, *component_, *Info(area.Left, area.Top).Style, text,
                     CellTextRect({0, 0, b.Right - b.Left, b.Bottom - b.Top}), params, false, nullptr);
      cell->Multiline = params.WordBreak;
      if (!params.WordBreak && params.Lines.size() == 1) cell->Text = params.Lines.front().Text.toStdString();
    }
    if (OnInitializeItem) OnInitializeItem(*this, *cell);
    report.Overlays.push_back(std::move(cell));
  }
}

void TCustomdxSpreadSheetReportLink::CalculateTextExtents(TdxReportCells& report) {
  TcxCanvasWrapper& wrapper = ReferenceWrapper();
  const int columns = static_cast<int>(report.Columns.size());
  const int lastRight = report.BodyWidth();
  const bool range = HasSelection();
  for (size_t j = 0; j < report.Rows.size(); ++j) {
    for (int i = 0; i < columns; ++i) {
      TdxReportCellSSString& cell = SSCell(report, static_cast<int>(j), i);
      if (cell.IsFixed || cell.IsMerged || cell.Text.empty() || cell.Multiline ||
          cell.TextAlignX == TdxTextAlignX::taDistributeX)
        continue;
      wrapper.SetFont(&wrapper.ScreenFont(report.Fonts[cell.FontIndex].Desc));
      TcxTextParameters params;
      const int width = wrapper.SingleLine(params, cell.Text).Width;
      const TRect& b = cell.Bounds;
      const auto stops = [](const TdxReportCellSSString& other) { return other.IsMerged || !other.Text.empty(); };
      const auto rightExtent = [&](int reach) {
        const int e = b.Left + reach;
        int extent = e;
        int k = i + 1;
        for (; k < columns; ++k) {
          const TdxReportCellSSString& next = SSCell(report, static_cast<int>(j), k);
          if (next.Bounds.Left > e) break;
          if (stops(next)) {
            extent = next.Bounds.Left;
            break;
          }
        }
        if (k == columns && e > lastRight && range) extent = lastRight + kRangeOverhang;
        return extent < b.Right ? 0 : extent;
      };
      const auto leftExtent = [&](int reach) {
        const int s = std::max(0, b.Right - reach);
        int extent = s;
        if (b.Left >= s)
          for (int k = i - 1; k >= 0; --k) {
            const TdxReportCellSSString& before = SSCell(report, static_cast<int>(j), k);
            if (before.IsFixed || stops(before)) {
              extent = before.Bounds.Right;
              break;
            }
            if (before.Bounds.Left < s) break;
          }
        return extent > b.Left ? 0 : extent;
      };
      switch (cell.TextAlignX) {
        case TdxTextAlignX::taLeft:
          cell.RightExtent = rightExtent(width + kOverflowRoom);
          break;
        case TdxTextAlignX::taRight:
          cell.LeftExtent = leftExtent(width + kOverflowRoom);
          break;
        default: {
          const int reach = width + kCentredRoom - (width - (b.Right - b.Left)) / 2;
          cell.RightExtent = rightExtent(reach);
          cell.LeftExtent = leftExtent(reach);
          break;
        }
      }
    }
  }
}

void TCustomdxSpreadSheetReportLink::AddExtraColumns(TdxReportCells& report) {
  const int lastRight = report.BodyWidth();
  int furthest = lastRight;
  for (const auto& row : report.Cells)
    for (const auto& cell : row) furthest = std::max(furthest, static_cast<TdxReportCellSSString&>(*cell).RightExtent);
  const int width = MulDiv(component_->DefaultColWidth(), PixelsPerInch(), kDesignPpi);
  if (furthest <= lastRight || width <= 0) return;
  const int count = (furthest - lastRight + width - 1) / width;
  const TcxSSHeader& header = Sheet().ColumnHeader();
  int sheetCol = report.Columns.back().GridIndex;  // the sheet column after the last grid one
  for (int added = 0; added < count; ++added) {
    while (sheetCol < kSheetCols && !header.IsVisible(sheetCol)) ++sheetCol;
    if (sheetCol >= kSheetCols) break;
    const int col = sheetCol + 1;
    report.Columns.push_back({col, width, 0});
    for (size_t j = 0; j < report.Rows.size(); ++j) {
      auto cell = std::make_unique<TdxReportCellSSString>();
      const int row = report.Rows[j].GridIndex;
      InitializeCellData(*cell, col, row);
      if (row > 0) {
        cell->Text.clear();
        cell->IsVirtual = true;
      }
      if (OnInitializeItem) OnInitializeItem(*this, *cell);
      report.Cells[j].push_back(std::move(cell));
    }
    ++sheetCol;
  }
  report.PlaceCells();
}

void TCustomdxSpreadSheetReportLink::RemoveCrossedLines(TdxReportCells& report) {
  const int columns = static_cast<int>(report.Columns.size());
  for (size_t j = 0; j < report.Rows.size(); ++j) {
    const int row = static_cast<int>(j);
    for (int i = 0; i < columns; ++i) {
      const TdxReportCellSSString& cell = SSCell(report, row, i);
      for (int k = i; cell.RightExtent > 0 && k + 1 < columns && report.Columns[k + 1].Left < cell.RightExtent; ++k) {
        SSCell(report, row, k).Sides &= static_cast<uint8_t>(~csRight);
        SSCell(report, row, k + 1).Sides &= static_cast<uint8_t>(~csLeft);
      }
      for (int k = i; cell.LeftExtent > 0 && k > 0 && report.Columns[k].Left > cell.LeftExtent; --k) {
        if (SSCell(report, row, k - 1).IsFixed) break;
        SSCell(report, row, k).Sides &= static_cast<uint8_t>(~csLeft);
        SSCell(report, row, k - 1).Sides &= static_cast<uint8_t>(~csRight);
      }
    }
  }
}

void TCustomdxSpreadSheetReportLink::CalculateCornerJoins(TdxReportCells& report) {
  const int columns = static_cast<int>(report.Columns.size());
  const int rows = static_cast<int>(report.Rows.size());
  const auto isDouble = [&](int j, int i, int edge) {
    if (i < 0 || j < 0 || i >= columns || j >= rows) return false;
    const TdxReportCellSSString& cell = SSCell(report, j, i);
    return cell.HasSide(edge) && cell.EdgePatterns[edge] == TdxPSEdgePatternClass::TdxPSDoubleLineSolidEdgePattern;
  };
  // The grid point before column i and row j: the double lines that run across it.
  const auto horizontalAt = [&](int i, int j) {
    return isDouble(j, i - 1, eTop) || isDouble(j - 1, i - 1, eBottom) || isDouble(j, i, eTop) ||
           isDouble(j - 1, i, eBottom);
  };
  const auto verticalAt = [&](int i, int j) {
    return isDouble(j - 1, i, eLeft) || isDouble(j - 1, i - 1, eRight) || isDouble(j, i, eLeft) ||
           isDouble(j, i - 1, eRight);
  };
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      TdxReportCellSSString& cell = SSCell(report, j, i);
      cell.CornerJoins = 0;
      if (cell.IsFixed || cell.IsVirtual) continue;
      const auto join = [&](int edge, int end, bool meets) {
        if (meets && isDouble(j, i, edge)) cell.CornerJoins |= TdxReportCellSSString::JoinBit(edge, end);
      };
      join(eLeft, 0, horizontalAt(i, j));
      join(eLeft, 1, horizontalAt(i, j + 1));
      join(eRight, 0, horizontalAt(i + 1, j));
      join(eRight, 1, horizontalAt(i + 1, j + 1));
      join(eTop, 0, verticalAt(i, j));
      join(eTop, 1, verticalAt(i + 1, j));
      join(eBottom, 0, verticalAt(i, j + 1));
      join(eBottom, 1, verticalAt(i + 1, j + 1));
    }
}
