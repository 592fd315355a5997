// The spreadsheet report link: what it makes of a sheet before anything is drawn. Sizes at
// other screen resolutions, the used area, print area and selection, headings, grid lines next to
// filled cells, merged areas laid over the grid, overflowing text with its extra columns and the
// lines it crosses, double lines joined at corners, suppressed formats, and the cutting of the
// body into pages.
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

#include "PrintTestSupport.h"
#include "print/dxPSReportRenderer.h"

namespace {

using F = TdxPSFillPatternClass;
using E = TdxPSEdgePatternClass;

QString ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return QString::fromStdString(error.what());
  }
  return {};
}

// The union of the bounds of the report cells of a range of sheet cells.
TRect UnionOf(const TLinkFixture& f, const QString& reference) {
  const TRect cells = TLinkFixture::Cells(reference);
  TRect result{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  const TdxPSGridCellsAdapter adapter(*f.Link.Report());
  for (int col = cells.Left; col <= cells.Right; ++col)
    for (int row = cells.Top; row <= cells.Bottom; ++row) {
      const TdxReportCellSSString* cell = adapter.Cell(col + 1, row + 1);
      if (!cell) continue;
      result = {std::min(result.Left, cell->Bounds.Left), std::min(result.Top, cell->Bounds.Top),
                std::max(result.Right, cell->Bounds.Right), std::max(result.Bottom, cell->Bounds.Bottom)};
    }
  return result;
}

}  // namespace

class TestSpreadSheetReportLink : public QObject {
  Q_OBJECT

private slots:
  void emptySheetHasNothingToPrint() {
    TLinkFixture f;
    // A font of its own makes a cell no less empty.
    f.Style("C3", [](TcxSSCellStyle& style) { style.Font().SetSize(20); });
    QVERIFY(!f.Link.DataProviderPresent());
    QCOMPARE(ErrorOf([&] { f.Build(); }), QString(kNothingToPrint));
    // A print area does not make an empty sheet printable.
    f.Link.SetPrintArea({1, 1, 3, 3});
    QCOMPARE(ErrorOf([&] { f.Build(); }), QString(kNothingToPrint));
    f.Set("C3", "x");
    QVERIFY(f.Link.DataProviderPresent());
    QCOMPARE(ErrorOf([&] { f.Build(); }), QString());
  }

  void aHugeUsedAreaIsRefusedNotBuilt() {
    // Two cells in opposite corners span the whole grid: 16.7 million cells, refused at once.
    TLinkFixture f;
    f.Set("A1", "a");
    f.Set("IV65536", "z");
    QVERIFY(ErrorOf([&] { f.Build(); }).startsWith("The report is too large to print (16777216 cells"));
    QVERIFY(!f.Link.Report());
    // A print area prints a part of it.
    f.Link.SetPrintArea(TLinkFixture::Cells("A1:D10"));
    QCOMPARE(ErrorOf([&] { f.Build(); }), QString());
    QCOMPARE(f.GridColumns(), QList<int>({1, 2, 3, 4}));
  }

  void rowsAndColumnsAtTheScreenResolution_data() {
    QTest::addColumn<int>("ppi");
    QTest::addColumn<int>("rowSize");
    QTest::addColumn<int>("rowPrinted");
    QTest::addColumn<int>("colPrinted");
    // 20 × 96 / 120 = 16, plus 3 is 19, and 19 × 120 / 96 = 23.75 rounds to 24.
    QTest::newRow("120 ppi") << 120 << 20 << 24 << 106;
    QTest::newRow("96 ppi") << 96 << 20 << 23 << 85;
    QTest::newRow("144 ppi") << 144 << 20 << 24 << 128;
    // Rows lower than 4 pixels get no room added.
    QTest::newRow("low row") << 96 << 3 << 3 << 85;
  }
  void rowsAndColumnsAtTheScreenResolution() {
    QFETCH(int, ppi);
    QFETCH(int, rowSize);
    QFETCH(int, rowPrinted);
    QFETCH(int, colPrinted);
    TLinkFixture f(ppi);
    f.Set("A1", "x");
    f.Sheet().RowHeader().SetSize(0, static_cast<uint16_t>(rowSize));
    const TdxReportCells& report = f.Build();
    QCOMPARE(report.Rows.size(), size_t(1));
    QCOMPARE(report.Rows[0].Height, rowPrinted);
    QCOMPARE(report.Columns[0].Width, colPrinted);
  }

  void hiddenColumnsAndRowsAreLeftOut() {
    TLinkFixture f;
    f.Set("D4", "x");
    f.Sheet().ColumnHeader().SetVisible(1, false);
    f.Sheet().RowHeader().SetVisible(2, false);
    f.Build();
    QCOMPARE(f.GridColumns(), QList<int>({1, 3, 4}));
    QCOMPARE(f.GridRows(), QList<int>({1, 2, 4}));
  }

  void lastColumnWithOnlyALeftBorderPrintsAsTheRightBorder() {
    TLinkFixture f;
    f.Set("A1", "x");
    f.Edge("C1", eLeft, lsThin);
    f.Edge("A3", eTop, lsMedium);
    f.Build();
    // C1 only lends its left edge to B1 and A3 its top edge to A2: neither prints.
    QCOMPARE(f.GridColumns(), QList<int>({1, 2}));
    QCOMPARE(f.GridRows(), QList<int>({1, 2}));
    const TdxReportCellSSString* b1 = f.Cell("B1");
    QVERIFY(b1->HasSide(eRight));
    QCOMPARE(b1->EdgePatterns[eRight], E::TdxPSSolidEdgePattern);
    QCOMPARE(b1->EdgeColors[eRight], kDefaultPalette[0]);
    const TdxReportCellSSString* a2 = f.Cell("A2");
    QVERIFY(a2->HasSide(eBottom));
    QCOMPARE(a2->EdgePatterns[eBottom], E::TdxPSMediumSolidEdgePattern);
    QVERIFY(!f.Cell("A1")->HasSide(eRight));
  }

  void printAreaOfOneCellPrintsItWithItsHeadings() {
    TLinkFixture f;
    f.Set("A1", "a");
    f.Set("B2", "b");
    f.Set("D5", "d");
    f.Link.SetOptionsView(ssovRowAndColumnHeadings);
    f.Link.SetPrintArea(TLinkFixture::Cells("B2"));
    f.Build();
    QCOMPARE(f.GridColumns(), QList<int>({0, 2}));
    QCOMPARE(f.GridRows(), QList<int>({0, 2}));
    QCOMPARE(QString::fromStdString(f.Cell("B")->Text), "B");
    QCOMPARE(QString::fromStdString(f.Cell("2")->Text), "2");
    QCOMPARE(QString::fromStdString(f.Cell("B2")->Text), "b");
    QVERIFY(f.Cell("B")->IsFixed);
    // Cleared, the whole used area prints again.
    f.Link.ClearPrintArea();
    QVERIFY(!f.Link.HasPrintArea());
    f.Build();
    QCOMPARE(f.GridColumns(), QList<int>({0, 1, 2, 3, 4}));
    QCOMPARE(f.GridRows(), QList<int>({0, 1, 2, 3, 4, 5}));
  }

  void printAreaIsNormalised() {
    TLinkFixture f;
    f.Link.SetPrintArea({-3, -1, -5, 4});
    QCOMPARE(f.Link.PrintArea(), (TRect{0, 0, 0, 4}));
    f.Link.SetPrintArea({-1, -1, -1, -1});
    QVERIFY(!f.Link.HasPrintArea());
  }

  void onlySelectedPrintsTheSelection() {
    TLinkFixture f;
    f.Set("A1", "a");
    f.Set("E9", "e");
    f.Sheet().SetSelection(TLinkFixture::Cells("B2:C3"));
    f.Link.OnlySelected = true;
    f.Build();
    QCOMPARE(f.GridColumns(), QList<int>({2, 3}));
    QCOMPARE(f.GridRows(), QList<int>({2, 3}));
    // Whole columns end where the used cells end, not at the grid's last row.
    f.Sheet().SetSelection({1, 0, 2, 65535});
    f.Build();
    QCOMPARE(f.GridColumns(), QList<int>({2, 3}));
    QCOMPARE(f.GridRows().size(), 9);
  }

  void headingsAndTheirLook() {
    TLinkFixture f;
    f.Set("B2", "x");
    f.Link.SetOptionsView(ssovRowAndColumnHeadings);
    f.Book->SetR1C1ReferenceStyle(true);
    f.Book->SetHeaderColor(RGBColor(10, 20, 30));
    f.Build();
    QCOMPARE(QString::fromStdString(f.Cell("B")->Text), "2");
    QCOMPARE(QString::fromStdString(f.Cell("2")->Text), "2");
    QCOMPARE(f.Cell("B")->Color, RGBColor(10, 20, 30));
    QCOMPARE(f.Cell("B")->TextAlignX, TdxTextAlignX::taCenterX);
    QCOMPARE(f.Cell("B")->TextAlignY, TdxTextAlignY::taBottom);
    QCOMPARE(f.Link.Report()->Fonts[f.Cell("B")->FontIndex], f.Link.FixedFont);
    QVERIFY(f.Cell("B")->Raised);
    f.Book->SetPainterType(ptOfficeXPStyle);
    f.Build();
    QVERIFY(!f.Cell("B")->Raised);
  }

  void cellsTakeTheSheetsFormats() {
    TLinkFixture f;
    f.Set("A1", "1.5");
    f.Style("A1", [](TcxSSCellStyle& style) {
      style.SetFormatCode("0.00");
      style.Font().SetValues("Courier New", 12, 2, 1, kFontBold);
      style.Brush().SetValues(fsGray50, 5, 3);
    });
    f.Set("B1", "text");
    f.Style("B1", [](TcxSSCellStyle& style) {
      style.Brush().SetValues(fsSolid, 6, 0);
      style.SetVertTextAlign(vaTOP);
    });
    f.Set("C1", "=1/3");
    f.Build();
    const TdxReportCellSSString* a1 = f.Cell("A1");
    QCOMPARE(QString::fromStdString(a1->Text), "1.50");
    QCOMPARE(a1->TextAlignX, TdxTextAlignX::taRight);
    QCOMPARE(a1->FillPattern, F::TdxPSGray50FillPattern);
    // A pattern: the pattern's colour as the cell colour, the background behind it.
    QCOMPARE(a1->Color, kDefaultPalette[3]);
    QCOMPARE(a1->PatternColor, kDefaultPalette[5]);
    QVERIFY(!a1->Transparent);
    const TdxReportFont& font = f.Link.Report()->Fonts[a1->FontIndex];
    QCOMPARE(QString::fromStdString(font.Desc.Name), "Courier New");
    QCOMPARE(font.Desc.Size, 12);
    QCOMPARE(font.Desc.Style, kFontBold);
    QCOMPARE(font.Color, kDefaultPalette[2]);
    const TdxReportCellSSString* b1 = f.Cell("B1");
    QCOMPARE(b1->Color, kDefaultPalette[6]);
    QCOMPARE(b1->TextAlignX, TdxTextAlignX::taLeft);
    QCOMPARE(b1->TextAlignY, TdxTextAlignY::taTop);
    // The display text the sheet shows, from the same rules as the screen.
    QCOMPARE(QString::fromStdString(f.Cell("C1")->Text), "0.33333333");
    // Without a fill of its own a cell prints transparent.
    QVERIFY(f.Cell("C1")->Transparent);
  }

  void gridLinesStayOffFilledCells() {
    TLinkFixture f;
    f.Set("A1", "a");
    f.Set("D2", "d");
    f.Style("A1", [](TcxSSCellStyle& style) { style.Brush().SetBackgroundColor(5); });
    f.Build();
    QCOMPARE(f.Cell("B1")->Sides, uint8_t(0));
    f.Link.SetOptionsView(ssovGridLines);
    f.Build();
    QVERIFY(!f.Cell("A1")->HasSide(eRight));
    QVERIFY(!f.Cell("B1")->HasSide(eLeft));
    QVERIFY(f.Cell("B1")->HasSide(eRight));
    QVERIFY(f.Cell("C1")->HasSide(eLeft));
    QVERIFY(!f.Cell("A2")->HasSide(eTop));
    // The grid closes around the printed cells, also beside a filled cell.
    QVERIFY(f.Cell("A1")->HasSide(eLeft));
    QVERIFY(f.Cell("A1")->HasSide(eTop));
    QVERIFY(f.Cell("D2")->HasSide(eRight));
    QVERIFY(f.Cell("D2")->HasSide(eBottom));
    // Grid lines are drawn in the workbook's grid colour.
    f.Book->SetGridColor(RGBColor(1, 2, 3));
    f.Build();
    QCOMPARE(f.Cell("B1")->EdgeColors[eRight], RGBColor(1, 2, 3));
  }

  void linesOfTheirOwnPrintWithTheirPattern_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("pattern");
    const std::pair<TcxSSEdgeLineStyle, TdxPSEdgePatternClass> table[] = {
        {lsThin, E::TdxPSSolidEdgePattern},           {lsMedium, E::TdxPSMediumSolidEdgePattern},
        {lsDashed, E::TdxPSDashedEdgePattern},         {lsDotted, E::TdxPSDottedEdgePattern},
        {lsThick, E::TdxPSThickSolidEdgePattern},      {lsDouble, E::TdxPSDoubleLineSolidEdgePattern},
        {lsHair, E::TdxPSHairEdgePattern},             {lsMediumDashed, E::TdxPSMediumDashedEdgePattern},
        {lsDashDot, E::TdxPSDashDotEdgePattern},       {lsMediumDashDot, E::TdxPSMediumDashDotEdgePattern},
        {lsDashDotDot, E::TdxPSDashDotDotEdgePattern}, {lsMediumDashDotDot, E::TdxPSMediumDashDotDotEdgePattern},
        {lsSlantedDashDot, E::TdxPSSlantedDashDotEdgePattern},
    };
    for (const auto& [line, pattern] : table)
      QTest::newRow(qPrintable(QString::number(line))) << int(line) << int(pattern);
  }
  void linesOfTheirOwnPrintWithTheirPattern() {
    QFETCH(int, line);
    QFETCH(int, pattern);
    TLinkFixture f;
    f.Set("B2", "x");
    f.Edge("B2", eTop, static_cast<TcxSSEdgeLineStyle>(line), 10);
    f.Edge("B2", eLeft, static_cast<TcxSSEdgeLineStyle>(line), 57);
    f.Build();
    const TdxReportCellSSString* b2 = f.Cell("B2");
    QCOMPARE(int(b2->EdgePatterns[eTop]), pattern);
    QCOMPARE(b2->EdgeColors[eTop], kDefaultPalette[10]);
    // An automatic colour of a line of its own is the window text colour.
    QCOMPARE(b2->EdgeColors[eLeft], kclWindowText);
    // The line between two cells is the same line for both.
    QCOMPARE(int(f.Cell("B1")->EdgePatterns[eBottom]), pattern);
    QCOMPARE(int(f.Cell("A2")->EdgePatterns[eRight]), pattern);
  }

  void mergedAreaIsOneCellOverTheGrid_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("everyPage");
    QTest::addColumn<QString>("area");
    QTest::newRow("plain") << 0 << false << "";
    QTest::newRow("headings") << int(ssovRowAndColumnHeadings) << false << "";
    QTest::newRow("headings on every page") << int(ssovRowAndColumnHeadings) << true << "";
    QTest::newRow("print area") << 0 << false << "B2:E5";
    QTest::newRow("print area, headings") << int(ssovRowAndColumnHeadings) << false << "A2:E5";
    QTest::newRow("print area, headings on every page") << int(ssovRowAndColumnHeadings) << true << "B1:E5";
  }
  void mergedAreaIsOneCellOverTheGrid() {
    QFETCH(int, options);
    QFETCH(bool, everyPage);
    QFETCH(QString, area);
    TLinkFixture f;
    f.Set("B3", "merged");
    f.Set("E5", "e");
    f.Sheet().ColumnHeader().SetSize(2, 40);
    f.Sheet().RowHeader().SetSize(3, 31);
    f.Sheet().ColumnHeader().SetVisible(0, false);
    f.Style("B3", [](TcxSSCellStyle& style) {
      style.Brush().SetBackgroundColor(7);
      style.SetHorzTextAlign(haCENTER);
    });
    f.Merge("B3:C4");
    // The area's own lines: its top, and its right one (kept as the left line of column D).
    f.Edge("B3:C3", eTop, lsThin);
    f.Edge("D3:D4", eLeft, lsThin);
    f.Link.SetOptionsView(static_cast<uint8_t>(options | ssovGridLines));
    f.Link.HeadersOnEveryPage = everyPage;
    if (!area.isEmpty()) f.Link.SetPrintArea(TLinkFixture::Cells(area));
    const TdxReportCells& report = f.Build();
    QCOMPARE(report.Overlays.size(), size_t(1));
    const auto& merged = static_cast<const TdxReportCellSSString&>(*report.Overlays[0]);
    // Exactly over the cells it covers, whatever the headings and the range.
    QCOMPARE(merged.Bounds, UnionOf(f, "B3:C4"));
    QCOMPARE(QString::fromStdString(merged.Text), "merged");
    QCOMPARE(merged.Color, kDefaultPalette[7]);
    QCOMPARE(merged.TextAlignX, TdxTextAlignX::taCenterX);
    QCOMPARE(merged.Sides, uint8_t(0));
    // The cells under it carry no text and only the area's outer lines: its own ones and the
    // grid's left line where the printed grid starts. The area is filled, and a fill hides the
    // grid lines around it, below it too.
    QVERIFY(f.Cell("B3")->Text.empty());
    QVERIFY(f.Cell("B3")->IsMerged);
    QCOMPARE(f.Cell("B3")->Sides, uint8_t(csLeft | csTop));
    QCOMPARE(f.Cell("C3")->Sides, uint8_t(csTop | csRight));
    QCOMPARE(f.Cell("B4")->Sides, uint8_t(csLeft));
    QCOMPARE(f.Cell("C4")->Sides, uint8_t(csRight));
  }

  void mergedAreaCutByThePrintArea() {
    TLinkFixture f;
    f.Set("B2", "merged");
    f.Set("E5", "e");
    f.Merge("B2:C3");
    f.Link.SetPrintArea(TLinkFixture::Cells("C3:E5"));
    const TdxReportCells& report = f.Build();
    QCOMPARE(report.Overlays.size(), size_t(1));
    // It starts a column and a row before the printed part, which the page cuts off.
    const TRect bounds = report.Overlays[0]->Bounds;
    QCOMPARE(bounds.Left, -report.Columns[0].Width);
    QCOMPARE(bounds.Top, -report.Rows[0].Height);
    QCOMPARE(bounds.Right, report.Columns[0].Width);
    QCOMPARE(bounds.Bottom, report.Rows[0].Height);
    // An area outside the print area is left out.
    f.Link.SetPrintArea(TLinkFixture::Cells("E5"));
    QCOMPARE(f.Build().Overlays.size(), size_t(0));
  }

  void longTextAddsColumnsForTheWholeSheetAndIsCutAtTheRange() {
    TLinkFixture f;
    f.Link.SetOptionsView(ssovRowAndColumnHeadings | ssovGridLines);
    f.Set("A1", "a long text that runs over several of the columns after it");
    f.Set("A2", "b");
    f.Sheet().ColumnHeader().SetVisible(2, false);
    const TdxReportCells& report = f.Build();
    const TdxReportCellSSString* a1 = f.Cell("A1");
    QVERIFY(a1->RightExtent > a1->Bounds.Right + 85);
    QCOMPARE(a1->LeftExtent, 0);
    // Default-width columns after the used one, the hidden column C skipped, with their names.
    QVERIFY(report.BodyWidth() >= a1->RightExtent);
    QVERIFY(report.BodyWidth() - a1->RightExtent < 85);
    QCOMPARE(f.GridColumns().mid(0, 4), QList<int>({0, 1, 2, 4}));
    QCOMPARE(QString::fromStdString(f.Cell("D")->Text), "D");
    QVERIFY(f.Cell("D1")->IsVirtual);
    QVERIFY(f.Cell("D1")->Text.empty());
    // The grid lines the text crosses are gone; the row below keeps its own.
    QVERIFY(!a1->HasSide(eRight));
    QVERIFY(!f.Cell("B1")->HasSide(eLeft));
    QVERIFY(!f.Cell("B1")->HasSide(eRight));
    QVERIFY(f.Cell("A2")->HasSide(eRight));
    // With a print area the text stops two pixels past the area and no column is added.
    f.Link.SetPrintArea(TLinkFixture::Cells("A1:B2"));
    const TdxReportCells& cut = f.Build();
    QCOMPARE(f.GridColumns(), QList<int>({0, 1, 2}));
    QCOMPARE(f.Cell("A1")->RightExtent, cut.BodyWidth() + 2);
  }

  void overflowStopsAtTheNextText_data() {
    QTest::addColumn<int>("align");
    QTest::addColumn<bool>("toTheLeft");
    QTest::addColumn<bool>("toTheRight");
    QTest::newRow("left") << int(haLEFT) << false << true;
    QTest::newRow("centre") << int(haCENTER) << true << true;
    QTest::newRow("right") << int(haRIGHT) << true << false;
  }
  void overflowStopsAtTheNextText() {
    QFETCH(int, align);
    QFETCH(bool, toTheLeft);
    QFETCH(bool, toTheRight);
    TLinkFixture f;
    f.Set("C1", "a text that needs much more room than one column has");
    f.Style("C1", [&](TcxSSCellStyle& style) { style.SetHorzTextAlign(static_cast<TcxHorzTextAlign>(align)); });
    f.Set("A1", "x");
    f.Set("E1", "y");
    f.Build();
    const TdxReportCellSSString* c1 = f.Cell("C1");
    // Left of it B1 is empty and A1 holds text; right of it D1 is empty and E1 holds text.
    QCOMPARE(c1->LeftExtent, toTheLeft ? f.Cell("A1")->Bounds.Right : 0);
    QCOMPARE(c1->RightExtent, toTheRight ? f.Cell("E1")->Bounds.Left : 0);
    QCOMPARE(f.Cell("B1")->LeftExtent, 0);
    // A text that fits keeps to its cell.
    QCOMPARE(f.Cell("A1")->RightExtent, 0);
  }

  void doubleLinesJoinAtTheirCorners() {
    TLinkFixture f;
    f.Set("B2", "x");
    f.Set("D5", "y");
    f.Edge("B2:B3", eLeft, lsDouble);
    f.Edge("D2:D3", eLeft, lsDouble);
    f.Edge("B2:C2", eTop, lsDouble);
    f.Edge("B4:C4", eTop, lsDouble);
    f.Build();
    const auto joins = [&](const char* cell) { return f.Cell(cell)->CornerJoins; };
    using S = TdxReportCellSSString;
    // B2: its left and top lines meet at its top-left corner; the top line goes on to C2.
    QCOMPARE(joins("B2"), uint8_t(S::JoinBit(eLeft, 0) | S::JoinBit(eTop, 0)));
    QCOMPARE(joins("C2"), uint8_t(S::JoinBit(eTop, 1) | S::JoinBit(eRight, 0)));
    QCOMPARE(joins("C3"), uint8_t(S::JoinBit(eRight, 1) | S::JoinBit(eBottom, 1)));
    QCOMPARE(joins("B3"), uint8_t(S::JoinBit(eLeft, 1) | S::JoinBit(eBottom, 0)));
    // Drawn, the box's outer corner is closed: no gap where the lines meet.
    TcxCanvasWrapper& wrapper = f.Link.ReferenceWrapper();
    const TdxReportCells& report = *f.Link.Report();
    QImage image(report.BodyWidth() + 10, report.BodyHeight() + 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      painter.translate(5, 5);
      TdxPSReportRenderer renderer(wrapper, report, false);
      renderer.DrawPage(painter, {{0, 0, report.BodyWidth(), report.BodyHeight()}, 1});
    }
    const TRect b2 = f.Cell("B2")->Bounds;
    const TRect c3 = f.Cell("C3")->Bounds;
    const QRgb black = qRgb(0, 0, 0);
    for (const QPoint corner : {QPoint(b2.Left - 1, b2.Top - 1), QPoint(c3.Right + 1, c3.Bottom + 1),
                                QPoint(b2.Left - 1, c3.Bottom + 1), QPoint(c3.Right + 1, b2.Top - 1)})
      QCOMPARE(image.pixel(corner + QPoint(5, 5)), black);
    // Between the two lines the gap stays open along the sides.
    QCOMPARE(image.pixel(b2.Left + 5, (b2.Top + b2.Bottom) / 2 + 5), qRgb(255, 255, 255));
  }

  void patternsPrintInTheirColoursIntoPdf() {
    // A grey-50 pattern of red ink on yellow: a PDF shows both colours, not the grey picture a
    // printer engine makes of a one-bit brush.
    TLinkFixture f;
    f.Set("A1", "");
    f.Style("A1", [](TcxSSCellStyle& style) { style.Brush().SetValues(fsGray50, 5, 2); });
    f.Set("B2", "x");
    QTemporaryDir folder;
    const QString pdf = folder.filePath("pattern.pdf");
    {
      QPdfWriter writer(pdf);
      writer.setResolution(96);
      writer.setPageLayout(f.Link.PrinterPage.Layout());
      QCOMPARE(f.Link.PrintToDevice(writer, 0, 0), 1);
    }
    QImage page;
    // Four pixels of the page's picture to a report pixel, so that each pattern dot has a clear
    // centre. The body starts at the 12.7 mm margin (48 report pixels) below the 6.35 mm header
    // (24 more).
    constexpr int k = 4;
    QVERIFY(page.loadFromData(RunPoppler("pdftoppm", {"-r", "384", "-f", "1", "-l", "1", pdf}), "PPM"));
    const TRect a1 = f.Cell("A1")->Bounds;
    int red = 0;
    int yellow = 0;
    int other = 0;
    for (int x = a1.Left + 3; x < a1.Right - 3; ++x)
      for (int y = a1.Top + 3; y < a1.Bottom - 3; ++y) {
        const QColor c = page.pixelColor((48 + x) * k + k / 2, (72 + y) * k + k / 2);
        if (c.red() > 180 && c.green() < 100 && c.blue() < 100)
          ++red;
        else if (c.red() > 180 && c.green() > 180 && c.blue() < 100)
          ++yellow;
        else
          ++other;
      }
    QVERIFY2(red > 20 && yellow > 20,
             qPrintable(QString("red %1, yellow %2, other %3").arg(red).arg(yellow).arg(other)));
  }

  void suppressedFormatsPrintInTheLinksLook() {
    TLinkFixture f;
    f.Set("A1", "a");
    f.Set("B2", "b");
    f.Style("A1", [](TcxSSCellStyle& style) {
      style.Brush().SetBackgroundColor(2);
      style.Font().SetStyle(kFontBold | kFontItalic);
      style.SetVertTextAlign(vaTOP);
    });
    f.Edge("B2", eLeft, lsThick);
    f.Link.Color = RGBColor(250, 250, 200);
    f.Link.Transparent = false;
    f.Link.SetOptionsView(ssovSuppressSourceFormats);
    f.Build();
    const TdxReportCellSSString* a1 = f.Cell("A1");
    QCOMPARE(a1->Color, RGBColor(250, 250, 200));
    QCOMPARE(a1->FillPattern, F::TdxPSSolidFillPattern);
    QCOMPARE(f.Link.Report()->Fonts[a1->FontIndex], f.Link.Font);
    QCOMPARE(a1->TextAlignY, TdxTextAlignY::taBottom);
    // No lines, the cells' own ones neither; with grid lines the plain grid all round.
    QCOMPARE(f.Cell("B2")->Sides, uint8_t(0));
    f.Link.SetOptionsView(ssovSuppressSourceFormats | ssovGridLines);
    f.Build();
    QCOMPARE(f.Cell("B2")->Sides, uint8_t(csAll));
    QCOMPARE(f.Cell("B2")->EdgePatterns[eLeft], E::TdxPSSolidEdgePattern);
    QCOMPARE(f.Cell("B2")->EdgeColors[eLeft], f.Link.GridLineColor);
  }

  void rowsGrowToTheirTextOnRequest() {
    TLinkFixture f;
    f.Set("A1", "one two three four five six seven eight nine ten");
    f.Style("A1", [](TcxSSCellStyle& style) { style.SetWordBreak(true); });
    f.Sheet().RowHeader().SetSize(0, 20);
    QVERIFY(f.Build().Rows[0].Height == 23);
    QVERIFY(f.Cell("A1")->Multiline);
    f.Link.RowAutoHeight = true;
    const TdxReportCells& report = f.Build();
    QVERIFY2(report.Rows[0].Height > 3 * 13, qPrintable(QString::number(report.Rows[0].Height)));
    QCOMPARE(f.Cell("A1")->Bounds.Bottom, report.Rows[0].Height);
  }

  void extentsAreBrokenAtEdgesOrCut_data() {
    QTest::addColumn<QList<int>>("edges");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("ends");
    QTest::newRow("fits") << QList<int>{50, 100} << 100 << 200 << QList<int>{100};
    QTest::newRow("at edges") << QList<int>{50, 100, 150, 200} << 200 << 120 << QList<int>{100, 200};
    // An item longer than a page goes on over the following pages; a page ends at the last edge
    // in its reach.
    QTest::newRow("wide item") << QList<int>{50, 400, 450} << 450 << 100 << QList<int>{50, 150, 250, 350, 450};
    QTest::newRow("empty") << QList<int>{} << 0 << 100 << QList<int>{};
  }
  void extentsAreBrokenAtEdgesOrCut() {
    QFETCH(QList<int>, edges);
    QFETCH(int, total);
    QFETCH(int, size);
    QFETCH(QList<int>, ends);
    QList<int> got;
    int start = 0;
    for (const auto& [from, to] : BreakExtent(std::vector<int>(edges.begin(), edges.end()), total, size)) {
      QCOMPARE(from, start);
      got << to;
      start = to;
    }
    QCOMPARE(got, ends);
  }

  void pagesGoDownThenAcrossAndRepeatTheHeadingRow() {
    TLinkFixture f;
    f.Link.SetOptionsView(ssovRowAndColumnHeadings);
    f.Link.HeadersOnEveryPage = true;
    f.Set("J60", "x");
    const TdxReportCells& report = f.Build();
    QCOMPARE(report.PageHeaderHeight(), report.Rows[0].Height);
    QCOMPARE(report.Rows[0].Top, -report.Rows[0].Height);
    // 10 columns of 85 and a heading column of 85 on pages 400 wide: three bands; 60 rows of 23
    // on pages 500 high less the heading row: three bands each.
    const auto pages = PaginateReport(report, 400, 500);
    QCOMPARE(int(pages.size()), 9);
    QCOMPARE(pages[0].Body, (TRect{0, 0, 340, 460}));
    QCOMPARE(pages[1].Body.Left, 0);
    QCOMPARE(pages[1].Body.Top, 460);
    QCOMPARE(pages[3].Body.Left, 340);
    QCOMPARE(pages[8].Body.Right, report.BodyWidth());
    QCOMPARE(pages[8].Body.Bottom, report.BodyHeight());
  }
};

QTEST_MAIN(TestSpreadSheetReportLink)
#include "tst_dxPScxSSLnk.moc"
