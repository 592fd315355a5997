// Painting a sheet: the pixels of a grabbed control at known positions. Grid lines, fills and
// patterns, the selection tint and frame, hidden selection, both header looks, border lines
// over cell fills, merged areas, text, the dirty rectangle and the paint buffer.
//
// The sheet is 584 × 400 (no tab strip, a vertical scroll bar): column c spans
// x = 85 + 85c … 170 + 85c and row r spans y = 20 + 20r … 40 + 20r, sharing edge pixels.
#include <QPainter>
#include <QTest>

#include "ViewTestSupport.h"
#include "view/cxSheetPainter.h"

namespace {

constexpr TColor kGrid = RGBColor(0, 160, 0);
constexpr TColor kHeader = RGBColor(200, 200, 100);

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

constexpr uint8_t kGray50[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
constexpr uint8_t kDiagCross[8] = {0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC};

struct TPainted : TViewFixture {
  explicit TPainted(TcxSSPainterType painter = ptOffice97Style) : TViewFixture(QSize(600, 400), painter) {
    PlainSheet();
    Book->SetGridColor(kGrid);
    Book->SetHeaderColor(kHeader);
  }
};

TColor Tint(TColor color) { return TcxCanvasWrapper::SelectionBlend(color, kclHighlight); }

bool HasInk(const QImage& image, const QRect& area, QRgb background) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) != background) return true;
  return false;
}

}  // namespace

class TestSheetPainter : public QObject {
  Q_OBJECT

private slots:
  void gridLines() {
    TPainted p;
    p.Sheet().SetSelection({5, 15, 5, 15});
    QImage image = p.Grab();
    QCOMPARE(image.pixel(170, 50), Rgb(kGrid));  // column B's left line
    QCOMPARE(image.pixel(200, 40), Rgb(kGrid));  // row 2's top line
    QCOMPARE(image.pixel(255, 70), Rgb(kGrid));
    QCOMPARE(image.pixel(171, 50), kWhite);
    QCOMPARE(image.pixel(254, 59), kWhite);
    // The first grid line lies on the headers' edge pixels, which stay the headers'.
    QCOMPARE(image.pixel(85, 50), Rgb(kclBtnShadow));
    p.Book->SetShowGrid(false);
    image = p.Grab();
    QCOMPARE(image.pixel(170, 50), kWhite);
    QCOMPARE(image.pixel(200, 40), kWhite);
  }

  // Frozen panes (column A, rows 1-2) show a dark line where they end, over the grid line.
  void frozenPanesLine() {
    TPainted p;
    p.Sheet().SetSelection({5, 15, 5, 15});
    TcxSSSheetView view;
    view.FrozenCols = 1;
    view.FrozenRows = 2;
    p.Sheet().SetView(view);
    p.ViewInfo().SetTopLeft(4, 10);
    const QImage image = p.Grab();
    QCOMPARE(image.pixel(170, 200), kBlack);
    QCOMPARE(image.pixel(400, 60), kBlack);
    QCOMPARE(image.pixel(255, 200), Rgb(kGrid));  // the next column line is a grid line
    QCOMPARE(image.pixel(400, 80), Rgb(kGrid));
  }

  void fillsStayInsideTheLines() {
    TPainted p;
    p.Style(1, 1, [](TcxSSCellStyle& s) { s.Brush().SetBackgroundColor(5); });
    p.Style(3, 1, [](TcxSSCellStyle& s) { s.Borders().Left().SetValues(lsThick, 0); });
    p.Style(3, 1, [](TcxSSCellStyle& s) { s.Brush().SetBackgroundColor(3); });
    p.Sheet().SetSelection({5, 15, 5, 15});
    const QImage image = p.Grab();
    const QRgb yellow = Rgb(kDefaultPalette[5]);
    // A filled cell shows no grid on its own left and top edges; its right and bottom are its
    // unfilled neighbours' grid lines.
    QCOMPARE(image.pixel(170, 50), yellow);
    QCOMPARE(image.pixel(200, 40), yellow);
    QCOMPARE(image.pixel(254, 59), yellow);
    QCOMPARE(image.pixel(255, 50), Rgb(kGrid));
    QCOMPARE(image.pixel(200, 60), Rgb(kGrid));
    // A thick left line (three pixels centred on the grid line) keeps the fill 2 pixels in.
    const QRgb green = Rgb(kDefaultPalette[3]);
    for (int x = 339; x <= 341; ++x) QCOMPARE(image.pixel(x, 50), kBlack);
    QCOMPARE(image.pixel(342, 50), green);
    QCOMPARE(image.pixel(338, 50), kWhite);
  }

  void patternsAndTheirColours_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("pattern");  // palette index, or 57 for none
    QTest::addColumn<bool>("selected");
    QTest::newRow("gray 50") << int(fsGray50) << 4 << false;
    QTest::newRow("diagonal cross, no pattern colour") << int(fsDiagCrossHatch) << 57 << false;
    QTest::newRow("gray 50 selected") << int(fsGray50) << 4 << true;
  }
  void patternsAndTheirColours() {
    QFETCH(int, style);
    QFETCH(int, pattern);
    QFETCH(bool, selected);
    TPainted p;
    p.Style(2, 1, [&](TcxSSCellStyle& s) {
      s.Brush().SetValues(TcxSSFillStyle(style), 5, TcxSSColor(pattern));
    });
    p.Sheet().SetSelection(selected ? TRect{1, 1, 2, 1} : TRect{5, 15, 5, 15});
    const QImage image = p.Grab();
    const uint8_t* rows = style == fsGray50 ? kGray50 : kDiagCross;
    const TColor background = kDefaultPalette[5];
    const TColor foreground = pattern <= 55 ? kDefaultPalette[pattern] : kclBlack;
    for (int y = 44; y < 56; ++y)
      for (int x = 260; x < 280; ++x) {
        const bool showsBackground = (rows[y % 8] >> (7 - x % 8)) & 1;
        const TColor expected = showsBackground ? background : foreground;
        QCOMPARE(image.pixel(x, y), Rgb(selected ? Tint(expected) : expected));
      }
  }

  void selectionTintAndFrame() {
    TPainted p;
    p.Style(2, 2, [](TcxSSCellStyle& s) { s.Brush().SetBackgroundColor(5); });
    p.Sheet().SetSelection({1, 1, 2, 2});
    const QImage image = p.Grab();
    // The active cell keeps its look, the others are tinted.
    QCOMPARE(image.pixel(200, 50), kWhite);
    QCOMPARE(image.pixel(300, 50), Rgb(Tint(kclWindow)));
    QCOMPARE(image.pixel(200, 70), Rgb(Tint(kclWindow)));
    QCOMPARE(image.pixel(300, 70), Rgb(Tint(kDefaultPalette[5])));
    QCOMPARE(image.pixel(400, 50), kWhite);
    // The frame: the outer grid line, one pixel outside and two inside, black.
    for (int x = 169; x <= 172; ++x) QCOMPARE(image.pixel(x, 60), kBlack);
    for (int y = 39; y <= 42; ++y) QCOMPARE(image.pixel(250, y), kBlack);
    for (int x = 338; x <= 341; ++x) QCOMPARE(image.pixel(x, 60), kBlack);
    for (int y = 78; y <= 81; ++y) QCOMPARE(image.pixel(250, y), kBlack);
    QCOMPARE(image.pixel(168, 60), Rgb(kGrid));
    QCOMPARE(image.pixel(173, 50), kWhite);
    QCOMPARE(image.pixel(342, 50), kWhite);
    QCOMPARE(image.pixel(250, 82), kWhite);
  }

  void frameAtTheHeaders() {
    TPainted p;
    p.Sheet().SetSelection({0, 0, 0, 0});
    const QImage image = p.Grab();
    // Cut at the headers' edges: over their last pixel, not into them.
    QCOMPARE(image.pixel(85, 30), kBlack);
    QCOMPARE(image.pixel(83, 30), Rgb(kHeader));
    QCOMPARE(image.pixel(100, 20), kBlack);
    QCOMPARE(image.pixel(100, 18), Rgb(kHeader));
  }

  void hiddenSelection() {
    TPainted p;
    p.Book->SetHideSelection(true);
    p.Sheet().SetSelection({1, 1, 2, 2});
    p.Control->clearFocus();
    QImage image = p.Grab();
    QCOMPARE(image.pixel(300, 50), kWhite);
    QCOMPARE(image.pixel(170, 60), Rgb(kGrid));
    QCOMPARE(image.pixel(171, 50), kWhite);
    // With the focus the selection shows again.
    p.Control->activateWindow();
    p.Control->setFocus();
    QTRY_VERIFY(p.Control->hasFocus());
    image = p.Grab();
    QCOMPARE(image.pixel(300, 50), Rgb(Tint(kclWindow)));
    QCOMPARE(image.pixel(171, 50), kBlack);
  }

  void office97Headers() {
    TPainted p;
    p.Sheet().SetSelection({0, 0, 0, 0});
    const QImage image = p.Grab();
    // Column B, not selected: shadow frame, highlight top-left inside it, header colour.
    QCOMPARE(image.pixel(200, 0), Rgb(kclBtnShadow));
    QCOMPARE(image.pixel(200, 1), Rgb(kclBtnHighlight));
    QCOMPARE(image.pixel(171, 10), Rgb(kclBtnHighlight));
    QCOMPARE(image.pixel(254, 10), Rgb(kclBtnFace));
    QCOMPARE(image.pixel(200, 19), Rgb(kclBtnFace));
    QCOMPARE(image.pixel(180, 3), Rgb(kHeader));
    QCOMPARE(image.pixel(255, 10), Rgb(kclBtnShadow));
    // Column A, selected: black frame, shadow bottom-right inside it.
    QCOMPARE(image.pixel(100, 0), kBlack);
    QCOMPARE(image.pixel(169, 10), Rgb(kclBtnShadow));
    QCOMPARE(image.pixel(100, 3), Rgb(kHeader));
    // Row 2, not selected, and the header text in black.
    QCOMPARE(image.pixel(0, 50), Rgb(kclBtnShadow));
    QCOMPARE(image.pixel(1, 50), Rgb(kclBtnHighlight));
    QVERIFY(HasInk(image, QRect(30, 42, 25, 16), Rgb(kHeader)));
    QVERIFY(HasInk(image, QRect(120, 2, 20, 16), Rgb(kHeader)));
  }

  void officeXPHeaders() {
    TPainted p(ptOfficeXPStyle);
    p.Sheet().SetSelection({0, 5, 0, 5});
    const QImage image = p.Grab();
    // Flat: the header colour framed by a shadow line.
    QCOMPARE(image.pixel(200, 0), Rgb(kclBtnShadow));
    QCOMPARE(image.pixel(200, 1), Rgb(kHeader));
    QCOMPARE(image.pixel(254, 10), Rgb(kHeader));
    QCOMPARE(image.pixel(255, 10), Rgb(kclBtnShadow));
    QCOMPARE(image.pixel(200, 20), Rgb(kclBtnShadow));
    // Selected: the tint of the window colour, framed by the tinted shadow. The first column
    // header starts one pixel higher, so its frame's top lies outside.
    QCOMPARE(image.pixel(100, 10), Rgb(Tint(kclWindow)));
    QCOMPARE(image.pixel(100, 0), Rgb(Tint(kclWindow)));
    QCOMPARE(image.pixel(120, 20), Rgb(Tint(kclBtnShadow)));
    QCOMPARE(image.pixel(0, 130), Rgb(Tint(kclBtnShadow)));
    QCOMPARE(image.pixel(10, 130), Rgb(Tint(kclWindow)));
    // The first row header starts one pixel further left; the others are framed there.
    QCOMPARE(image.pixel(0, 30), Rgb(kHeader));
    QCOMPARE(image.pixel(0, 50), Rgb(kclBtnShadow));
  }

  // Border lines are drawn over the cell's fill: the gaps of a dashed line and the middle of a
  // double line show the fill colour.
  void borderLinesOverFills() {
    TPainted p;
    p.Style(1, 1, [](TcxSSCellStyle& s) {
      s.Brush().SetBackgroundColor(5);
      s.Borders().Top().SetValues(lsDashed, 2);
    });
    p.Style(1, 3, [](TcxSSCellStyle& s) {
      s.Brush().SetBackgroundColor(5);
      s.Borders().Top().SetValues(lsDouble, 2);
    });
    p.Style(3, 1, [](TcxSSCellStyle& s) { s.Borders().Left().SetValues(lsDotted, 4); });
    p.Sheet().SetSelection({5, 15, 5, 15});
    const QImage image = p.Grab();
    const QRgb red = Rgb(kDefaultPalette[2]);
    const QRgb yellow = Rgb(kDefaultPalette[5]);
    for (int x = 172; x <= 252; ++x)
      QCOMPARE(image.pixel(x, 40), QString("11101110")[x % 8] == '1' ? red : yellow);
    // Double: centred on the grid line, line, fill-coloured gap, line.
    for (int x = 180; x <= 250; x += 7) {
      QCOMPARE(image.pixel(x, 79), red);
      QCOMPARE(image.pixel(x, 80), yellow);
      QCOMPARE(image.pixel(x, 81), red);
      QCOMPARE(image.pixel(x, 82), yellow);
    }
    // A vertical dotted line of an unfilled cell: its gaps are the window colour.
    const QRgb blue = Rgb(kDefaultPalette[4]);
    for (int y = 42; y <= 58; ++y)
      QCOMPARE(image.pixel(340, y), QString("11001100")[y % 8] == '1' ? blue : kWhite);
  }

  void mergedAreaIsOneCell() {
    TPainted p;
    p.Storage().MergeCells({1, 1, 2, 2}, true);
    p.Style(1, 1, [](TcxSSCellStyle& s) { s.Brush().SetBackgroundColor(5); });
    p.SetText(1, 1, "Merged");
    p.Style(1, 1, [](TcxSSCellStyle& s) { s.SetHorzTextAlign(haCENTER); });
    p.Sheet().SetSelection({5, 15, 5, 15});
    const QImage image = p.Grab();
    const QRgb yellow = Rgb(kDefaultPalette[5]);
    // No grid lines inside, one fill.
    QCOMPARE(image.pixel(255, 45), yellow);
    QCOMPARE(image.pixel(200, 60), yellow);
    QCOMPARE(image.pixel(300, 60), yellow);
    QCOMPARE(image.pixel(171, 41), yellow);
    QCOMPARE(image.pixel(339, 79), yellow);
    QCOMPARE(image.pixel(340, 60), Rgb(kGrid));
    QCOMPARE(image.pixel(200, 80), Rgb(kGrid));
    // Its text centred in the whole area.
    QVERIFY(HasInk(image, QRect(235, 52, 40, 14), yellow));
    QVERIFY(!HasInk(image, QRect(175, 45, 30, 30), yellow));
  }

  void textAndRedNegatives() {
    TPainted p;
    p.SetText(1, 1, "Hello");
    p.Style(2, 1, [](TcxSSCellStyle& s) { s.SetFormat(8); });
    p.SetText(2, 1, "-5");
    p.Sheet().SetSelection({5, 15, 5, 15});
    const QImage image = p.Grab();
    QVERIFY(HasInk(image, QRect(173, 42, 40, 16), kWhite));
    // Numbers stand at the right, red when negative under a red format.
    bool red = false;
    for (int x = 258; x < 338 && !red; ++x)
      for (int y = 42; y < 58 && !red; ++y) {
        const QColor c(image.pixel(x, y));
        red = c.red() > 150 && c.green() < 100 && c.blue() < 100;
      }
    QVERIFY(red);
    QVERIFY(!HasInk(image, QRect(258, 42, 20, 16), kWhite));
  }

  // A paint draws only over its dirty rectangle.
  void onlyTheDirtyRectangle() {
    TPainted p;
    p.Style(1, 1, [](TcxSSCellStyle& s) { s.Brush().SetBackgroundColor(5); });
    p.Sheet().SetSelection({5, 15, 5, 15});
    TcxSSheetViewInfo& viewInfo = p.ViewInfo();
    viewInfo.EnsureLayout();
    QImage image(584, 400, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
      QPainter painter(&image);
      p.Control->SyncCanvas();
      p.Control->CanvasWrapper().SetCanvas(&painter);
      p.Control->Painter().Paint(p.Control->CanvasWrapper(), viewInfo.Data(), QRect(150, 30, 60, 40));
      p.Control->CanvasWrapper().ResetCanvas();
    }
    QCOMPARE(image.pixel(200, 50), Rgb(kDefaultPalette[5]));
    QCOMPARE(image.pixel(150, 30), kWhite);
    QCOMPARE(image.pixel(209, 59), Rgb(kDefaultPalette[5]));
    QCOMPARE(image.pixel(149, 50), qRgb(255, 0, 255));
    QCOMPARE(image.pixel(210, 50), qRgb(255, 0, 255));
    QCOMPARE(image.pixel(200, 29), qRgb(255, 0, 255));
    QCOMPARE(image.pixel(300, 300), qRgb(255, 0, 255));
    QCOMPARE(image.pixel(10, 10), qRgb(255, 0, 255));
  }

  void paintBufferShowsTheSame() {
    TPainted p;
    p.SetText(0, 0, "buffered");
    p.Style(1, 1, [](TcxSSCellStyle& s) { s.Brush().SetValues(fsGray25, 5, 2); });
    p.Sheet().SetSelection({1, 1, 3, 4});
    const QImage direct = p.Grab();
    p.Book->SetBufferedPaint(true);
    const QImage buffered = p.Grab();
    QVERIFY(!p.ViewInfo().LayoutDirty());
    QCOMPARE(buffered, direct);
    // A selection change redraws the buffer.
    p.Sheet().SetSelection({2, 2, 2, 2});
    QVERIFY(p.ViewInfo().LayoutDirty());
    const QImage moved = p.Grab();
    QVERIFY(!p.ViewInfo().LayoutDirty());
    QCOMPARE(moved.pixel(300, 50), kWhite);
    p.Book->SetBufferedPaint(false);
    QCOMPARE(p.Grab(), moved);
  }

  void workbookWithoutSheets() {
    TPainted p;
    p.Book->ClearAll();
    QVERIFY(!p.Control->HasSheets());
    const QImage image = p.Grab();
    QCOMPARE(image.pixel(0, 0), Rgb(kclBtnHighlight));
    QCOMPARE(image.pixel(300, 399), Rgb(kclBtnShadow));
    QCOMPARE(image.pixel(300, 200), Rgb(kclBtnFace));
  }
};

QTEST_MAIN(TestSheetPainter)
#include "tst_cxSheetPainter.moc"
