// The canvas wrapper: colour resolution and the selection blend, the 18 fill patterns and the
// border line styles pixel for pixel (inclusive rectangles, patterns anchored at the device
// origin), frames and edges, and the layout of text (alignment, wrapping, justification).
#include <QPainter>
#include <QTest>

#include "ViewTestSupport.h"
#include "sheet/cxSSTextWrap.h"

namespace {

constexpr TColor kRed = RGBColor(255, 0, 0);
constexpr TColor kBlue = RGBColor(0, 0, 255);
constexpr TColor kGreen = RGBColor(0, 128, 0);

// The fill patterns as the workbooks define them: rows top to bottom, most significant bit
// leftmost; 1 shows the background colour, 0 the pattern colour.
constexpr uint8_t kPatternRows[18][8] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0xAA, 0x00, 0x55, 0x00, 0xAA, 0x00, 0x55, 0x00},
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}, {0xFF, 0x55, 0xFF, 0xAA, 0xFF, 0x55, 0xFF, 0xAA},
    {0xFF, 0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD}, {0xFF, 0x77, 0xFF, 0xFF, 0xFF, 0xDD, 0xFF, 0xFF},
    {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF}, {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66},
    {0x33, 0x99, 0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66}, {0x99, 0x33, 0x66, 0xCC, 0x99, 0x33, 0x66, 0xCC},
    {0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC}, {0x11, 0x11, 0x44, 0x44, 0x11, 0x11, 0x44, 0x44},
    {0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF}, {0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77},
    {0x77, 0xBB, 0xDD, 0xEE, 0x77, 0xBB, 0xDD, 0xEE}, {0xBB, 0x77, 0xEE, 0xDD, 0xBB, 0x77, 0xEE, 0xDD},
    {0x77, 0x00, 0x77, 0x77, 0x77, 0x00, 0x77, 0x77}, {0xAA, 0x77, 0xAA, 0xDD, 0xAA, 0x77, 0xAA, 0xDD},
};

// An image to draw on, white, with the wrapper's painter on it.
struct TCanvas {
  QImage Image{120, 80, QImage::Format_RGB32};
  TcxCanvasWrapper::TPalette Palette = kDefaultPalette;
  TcxCanvasWrapper Wrapper{Palette};
  std::unique_ptr<QPainter> Painter;

  TCanvas() {
    Image.fill(Qt::white);
    Painter = std::make_unique<QPainter>(&Image);
    Wrapper.SetCanvas(Painter.get());
  }
  const QImage& Done() {
    Painter->end();
    return Image;
  }
};

QString Row(const QImage& image, int y, int from, int to, QRgb line) {
  QString bits;
  for (int x = from; x <= to; ++x) bits += image.pixel(x, y) == line ? '1' : '0';
  return bits;
}

QString Column(const QImage& image, int x, int from, int to, QRgb line) {
  QString bits;
  for (int y = from; y <= to; ++y) bits += image.pixel(x, y) == line ? '1' : '0';
  return bits;
}

// The dash pattern repeated from the device origin over [from, to].
QString Repeat(const QString& pattern, int from, int to) {
  QString bits;
  for (int x = from; x <= to; ++x) bits += pattern[x % pattern.size()];
  return bits;
}

}  // namespace

class TestCanvasWrapper : public QObject {
  Q_OBJECT

private slots:
  void selectionBlend_data() {
    QTest::addColumn<uint>("color");
    QTest::addColumn<uint>("selection");
    QTest::addColumn<uint>("blend");
    // Per channel round((s × 92 + c × 163) / 255).
    QTest::newRow("white") << uint(kclWindow) << uint(kclHighlight) << uint(RGBColor(181, 201, 234));
    QTest::newRow("black") << uint(kclBlack) << uint(kclHighlight) << uint(RGBColor(18, 38, 71));
    QTest::newRow("yellow") << uint(RGBColor(255, 255, 0)) << uint(kclHighlight)
                            << uint(RGBColor(181, 201, 71));
    QTest::newRow("same") << uint(kRed) << uint(kRed) << uint(kRed);
  }
  void selectionBlend() {
    QFETCH(uint, color);
    QFETCH(uint, selection);
    QFETCH(uint, blend);
    QCOMPARE(uint(TcxCanvasWrapper::SelectionBlend(color, selection)), blend);
  }

  void colourResolution() {
    TCanvas c;
    TcxCanvasWrapper& w = c.Wrapper;
    const TColor window = kclWindow;
    const TColor tintedWindow = TcxCanvasWrapper::SelectionBlend(window, kclHighlight);
    QCOMPARE(w.BackgroundColor(5, false), kDefaultPalette[5]);
    QCOMPARE(w.BackgroundColor(5, true), TcxCanvasWrapper::SelectionBlend(kDefaultPalette[5], kclHighlight));
    QCOMPARE(w.BackgroundColor(56, false), window);
    QCOMPARE(w.BackgroundColor(57, true), tintedWindow);
    // No pattern colour draws black.
    QCOMPARE(w.PatternColor(56, false), kclBlack);
    QCOMPARE(w.PatternColor(57, true), TcxCanvasWrapper::SelectionBlend(kclBlack, kclHighlight));
    QCOMPARE(w.PatternColor(4, false), kDefaultPalette[4]);
    // Automatic borders are the window text colour, never tinted; text is never tinted.
    QCOMPARE(w.BorderColor(57, true), kclWindowText);
    QCOMPARE(w.BorderColor(2, true), TcxCanvasWrapper::SelectionBlend(kDefaultPalette[2], kclHighlight));
    QCOMPARE(w.TextColor(2), kDefaultPalette[2]);
    QCOMPARE(w.TextColor(57), kclBlack);
    // The blends follow the selection colour and the palette.
    w.SetSelectionColor(kRed);
    QCOMPARE(w.BackgroundColor(57, true), TcxCanvasWrapper::SelectionBlend(window, kRed));
    c.Palette[5] = kGreen;
    w.RefreshColors();
    QCOMPARE(w.BackgroundColor(5, false), kGreen);
    QCOMPARE(w.BackgroundColor(5, true), TcxCanvasWrapper::SelectionBlend(kGreen, kRed));
  }

  void fillPatterns_data() {
    QTest::addColumn<int>("style");
    for (int style = 0; style < 18; ++style)
      QTest::newRow(qPrintable(QString("fill style %1").arg(style))) << style;
  }
  void fillPatterns() {
    QFETCH(int, style);
    TCanvas c;
    // An odd position: the pattern is tiled from the device origin, not from the rectangle.
    const TRect rect{3, 5, 27, 29};
    c.Wrapper.FillPattern(rect, TcxSSFillStyle(style), kRed, kBlue);
    const QImage& image = c.Done();
    for (int y = rect.Top; y <= rect.Bottom; ++y)
      for (int x = rect.Left; x <= rect.Right; ++x) {
        const bool background = (kPatternRows[style][y % 8] >> (7 - x % 8)) & 1;
        QCOMPARE(image.pixel(x, y), Rgb(background ? kBlue : kRed));
      }
    // Inclusive: nothing beyond the rectangle.
    QCOMPARE(image.pixel(2, 5), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(28, 29), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(27, 30), qRgb(255, 255, 255));
  }

  void fillCellTintsSelectedCells() {
    TCanvas c;
    c.Wrapper.FillCell({0, 0, 9, 9}, fsSolid, false, 56, 56);
    c.Wrapper.FillCell({10, 0, 19, 9}, fsSolid, true, 56, 56);
    c.Wrapper.FillCell({20, 0, 29, 9}, fsGray50, true, 57, 5);
    const QImage& image = c.Done();
    QCOMPARE(image.pixel(5, 5), Rgb(kclWindow));
    QCOMPARE(image.pixel(15, 5), Rgb(TcxCanvasWrapper::SelectionBlend(kclWindow, kclHighlight)));
    // (20, 0): bit 7 of 0xAA is 1, the background; (21, 0) the pattern.
    QCOMPARE(image.pixel(20, 0), Rgb(TcxCanvasWrapper::SelectionBlend(kDefaultPalette[5], kclHighlight)));
    QCOMPARE(image.pixel(21, 0), Rgb(TcxCanvasWrapper::SelectionBlend(kclBlack, kclHighlight)));
  }

  // Each border line style drawn along the top of a cell (horizontal) and down its left side
  // (vertical), one rectangle per line as the layout gives them.
  void lineStyles_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("rows");  // the pattern of each pixel row of the line
    const QString solid = "1";
    QTest::newRow("default") << int(lsDefault) << 1 << QStringList{"g"};
    QTest::newRow("thin") << int(lsThin) << 1 << QStringList{solid};
    QTest::newRow("medium") << int(lsMedium) << 2 << QStringList{solid, solid};
    QTest::newRow("dashed") << int(lsDashed) << 1 << QStringList{"11101110"};
    QTest::newRow("dotted") << int(lsDotted) << 1 << QStringList{"11001100"};
    QTest::newRow("thick") << int(lsThick) << 3 << QStringList{solid, solid, solid};
    QTest::newRow("double") << int(lsDouble) << 3 << QStringList{solid, "0", solid};
    QTest::newRow("hair") << int(lsHair) << 1 << QStringList{"10101010"};
    QTest::newRow("medium dashed") << int(lsMediumDashed) << 2
                                   << QStringList{"111111111000", "111111111000"};
    QTest::newRow("dash dot") << int(lsDashDot) << 1 << QStringList{"111111111000111000"};
    QTest::newRow("medium dash dot") << int(lsMediumDashDot) << 2
                                     << QStringList{"111111111000111000", "111111111000111000"};
    QTest::newRow("dash dot dot") << int(lsDashDotDot) << 1
                                  << QStringList{"111000111000111111111000"};
    QTest::newRow("medium dash dot dot")
        << int(lsMediumDashDotDot) << 2
        << QStringList{"111000111000111111111000", "111000111000111111111000"};
    QTest::newRow("slanted dash dot") << int(lsSlantedDashDot) << 2
                                      << QStringList{"011111111111011111", "111111111100111100"};
    QTest::newRow("none") << int(lsNone) << 1 << QStringList{"w"};
  }
  void lineStyles() {
    QFETCH(int, style);
    QFETCH(int, width);
    QFETCH(QStringList, rows);
    TCanvas c;
    c.Wrapper.SetGridColor(kGreen);
    const auto rects = [&](bool vertical) {
      std::array<TRect, 3> r{};
      const int first = 7;
      const int last = 70;
      if (style == lsDouble) {
        for (int k = 0; k < 3; ++k)
          r[k] = vertical ? TRect{20 + k, first, 20 + k, last} : TRect{first, 20 + k, last, 20 + k};
      } else {
        r[0] = vertical ? TRect{20, first, 20 + width - 1, last} : TRect{first, 20, last, 20 + width - 1};
      }
      return r;
    };
    // Line colour palette 2 (red) over background palette 4 (blue).
    c.Wrapper.DrawLine(rects(false), false, 2, 4, false, TcxSSEdgeLineStyle(style));
    c.Wrapper.DrawLine(rects(true), false, 2, 4, true, TcxSSEdgeLineStyle(style));
    const QImage& image = c.Done();
    const QRgb line = Rgb(kDefaultPalette[2]);
    const QRgb background = Rgb(kDefaultPalette[4]);
    for (int k = 0; k < rows.size(); ++k) {
      const QString& pattern = rows[k];
      if (pattern == "g" || pattern == "w") {
        const QRgb expected = pattern == "g" ? Rgb(kGreen) : qRgb(255, 255, 255);
        for (int x = 7; x <= 70; ++x) QCOMPARE(image.pixel(x, 20 + k), expected);
        for (int y = 30; y <= 70; ++y) QCOMPARE(image.pixel(20 + k, y), expected);
        continue;
      }
      QCOMPARE(Row(image, 20 + k, 30, 70, line), Repeat(pattern, 30, 70));
      QCOMPARE(Column(image, 20 + k, 30, 70, line), Repeat(pattern, 30, 70));
      // What is not line is the cell's background.
      for (int x = 30; x <= 70; ++x)
        if (image.pixel(x, 20 + k) != line) QCOMPARE(image.pixel(x, 20 + k), background);
    }
    // Nothing past the line's width or its ends.
    QCOMPARE(image.pixel(71, 20), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(40, 20 + int(rows.size())), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(6, 20), qRgb(255, 255, 255));
  }

  void framesAndEdges() {
    TCanvas c;
    c.Wrapper.FrameRect({10, 10, 20, 16}, kRed, false);
    c.Wrapper.Edge3D({30, 10, 40, 16}, kBlue, kRed);
    c.Wrapper.FrameRect({50, 10, 60, 16}, kclWindow, true);
    const QImage& image = c.Done();
    for (const QPoint p : {QPoint(10, 10), QPoint(20, 10), QPoint(10, 16), QPoint(20, 16), QPoint(15, 10),
                           QPoint(10, 13), QPoint(20, 13), QPoint(15, 16)})
      QCOMPARE(image.pixel(p), Rgb(kRed));
    QCOMPARE(image.pixel(15, 13), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(21, 13), qRgb(255, 255, 255));
    // Top and left in the first colour, bottom and right (corners included) in the second.
    QCOMPARE(image.pixel(30, 10), Rgb(kBlue));
    QCOMPARE(image.pixel(39, 10), Rgb(kBlue));
    QCOMPARE(image.pixel(30, 15), Rgb(kBlue));
    QCOMPARE(image.pixel(40, 10), Rgb(kRed));
    QCOMPARE(image.pixel(30, 16), Rgb(kRed));
    QCOMPARE(image.pixel(35, 13), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(50, 10), Rgb(TcxCanvasWrapper::SelectionBlend(kclWindow, kclHighlight)));
  }

  void singleLineLayout_data() {
    QTest::addColumn<int>("horz");
    QTest::addColumn<int>("vert");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("yFromFont");  // 0 top, 1 centre, 2 bottom
    QTest::newRow("left top") << int(haLEFT) << int(vaTOP) << 103 << 0;
    QTest::newRow("general centre") << int(haGENERAL) << int(vaCENTER) << 103 << 1;
    QTest::newRow("centre bottom") << int(haCENTER) << int(vaBOTTOM) << 150 << 2;
    QTest::newRow("right justify") << int(haRIGHT) << int(vaJUSTIFY) << 197 << 0;
    QTest::newRow("fill") << int(haFILL) << int(vaCENTER) << 103 << 1;
  }
  void singleLineLayout() {
    QFETCH(int, horz);
    QFETCH(int, vert);
    QFETCH(int, x);
    QFETCH(int, yFromFont);
    TCanvas c;
    const TcxScreenFont& font = c.Wrapper.ScreenFont({"Tahoma", 8, 0, 1});
    c.Wrapper.SetFont(&font);
    TcxTextParameters params;
    c.Wrapper.LayoutText(std::string_view("Some text"), {100, 50, 200, 80}, params, false,
                         TcxVertTextAlign(vert), TcxHorzTextAlign(horz));
    QCOMPARE(params.X, x);
    QCOMPARE(params.Font, &font);
    QCOMPARE(params.Lines.size(), size_t(1));
    QCOMPARE(params.Lines[0].Text, QString("Some text"));
    TcxTextBrick measured;
    measured.Text = "Some text";
    c.Wrapper.MeasureLine(measured);
    QCOMPARE(params.Lines[0].Width, measured.Width);
    QVERIFY(qAbs(measured.Width - font.TextWidth("Some text")) <= 1);
    const int expectedY = yFromFont == 0 ? 50 : yFromFont == 1 ? (50 + 80 - font.Height) / 2 : 80 - font.Height;
    QCOMPARE(params.Lines[0].Y, expectedY);
  }

  void wrappedLayout_data() {
    QTest::addColumn<int>("vert");
    QTest::addColumn<int>("boxHeight");
    QTest::newRow("top") << int(vaTOP) << 200;
    QTest::newRow("centre") << int(vaCENTER) << 200;
    QTest::newRow("bottom") << int(vaBOTTOM) << 200;
    QTest::newRow("justify") << int(vaJUSTIFY) << 200;
    QTest::newRow("taller than the box is top-aligned") << int(vaBOTTOM) << 10;
  }
  void wrappedLayout() {
    QFETCH(int, vert);
    QFETCH(int, boxHeight);
    TCanvas c;
    const TcxScreenFont& font = c.Wrapper.ScreenFont({"Tahoma", 8, 0, 1});
    c.Wrapper.SetFont(&font);
    const std::string text = "one two three four five six seven eight";
    const TRect rect{10, 20, 90, 20 + boxHeight};
    TcxTextParameters params;
    c.Wrapper.LayoutText(std::string_view(text), rect, params, true, TcxVertTextAlign(vert), haLEFT);
    // The lines of the shared word wrap, measured in the same font, in the box less 2 pixels.
    class TMeasurer : public ITextMeasurer {
    public:
      explicit TMeasurer(const TcxScreenFont& f) : f_(f) {}
      TSize TextExtent(const TcxFontDesc&, std::string_view s) const override {
        return {f_.Metrics.horizontalAdvance(QString::fromUtf8(s.data(), qsizetype(s.size()))), f_.Height};
      }

    private:
      const TcxScreenFont& f_;
    } measurer(font);
    const auto expected = WrapText(measurer, font.Desc, text, 80 - 2);
    QCOMPARE(params.Lines.size(), expected.size());
    const int n = int(expected.size());
    QVERIFY(n >= 3);
    const int h = font.Height;
    const int freeHeight = boxHeight - 2 - n * h;
    for (int k = 0; k < n; ++k) {
      QCOMPARE(params.Lines[k].Text, QString::fromStdString(expected[k]));
      int y = 20 + k * h;
      if (freeHeight > 0) {
        if (vert == vaCENTER) y += freeHeight / 2;
        if (vert == vaBOTTOM) y = rect.Bottom - h * (n - k);
        if (vert == vaJUSTIFY) y += k * qRound(double(freeHeight) / (n - 1));
      }
      QCOMPARE(params.Lines[k].Y, y);
    }
  }

  void justifiedLines() {
    TCanvas c;
    const TcxScreenFont& font = c.Wrapper.ScreenFont({"Tahoma", 8, 0, 1});
    c.Wrapper.SetFont(&font);
    TcxTextParameters params;
    const TRect rect{0, 0, 120, 100};
    c.Wrapper.LayoutText(std::string_view("aa bb cc dd ee ff gg hh ii jj kk ll mm nnnnnnnnnnnnnnnnnnnn"),
                         rect, params, true, vaTOP, haJUSTIFY);
    QVERIFY(params.Lines.size() >= 2);
    for (const TcxTextBrick& line : params.Lines) {
      const int spaces = int(line.Text.count(' '));
      QCOMPARE(line.JustifyBreaks, spaces);
      // The extra pixels make a line with spaces as wide as the box; one without keeps 1.
      if (spaces > 0 && line.Width < 118)
        QCOMPARE(line.JustifyExtra, std::max(2, 118 - line.Width));
      else
        QCOMPARE(line.JustifyExtra, 1);
    }
    QCOMPARE(params.Lines.back().JustifyBreaks, 0);
  }

  void headerTextLayout() {
    TCanvas c;
    const TcxScreenFont& font = c.Wrapper.ScreenFont({"MS Sans Serif", 8, 0, 1});
    c.Wrapper.SetFont(&font);
    TcxTextParameters column;
    TcxTextParameters row;
    c.Wrapper.LayoutHeaderText("AB", {85, 0, 170, 20}, true, column);
    c.Wrapper.LayoutHeaderText("12", {0, 20, 85, 40}, false, row);
    QCOMPARE(column.X, (85 + 170) / 2);
    QCOMPARE(column.Lines.at(0).Y, (0 + 20 - font.Height) / 2 + 2);
    QCOMPARE(row.Lines.at(0).Y, 40 - font.Height + 2);
    QCOMPARE(int(column.HorzAlign), int(haCENTER));
    QCOMPARE(int(row.TextColor), int(kKeepTextColor));
  }

  // A line laid out again with a text the quick glyph layout does not take ("€") is drawn as
  // that text, not with the glyphs of the text the line held before.
  void aLineLaidOutAgainDrawsItsNewText() {
    const TRect rect{10, 10, 150, 40};
    const auto draw = [&](std::initializer_list<std::string_view> texts) {
      TCanvas c;
      const TcxScreenFont& font = c.Wrapper.ScreenFont({"DejaVu Sans", 10, 0, 1});
      c.Wrapper.SetFont(&font);
      TcxTextParameters params;
      for (const std::string_view text : texts)
        c.Wrapper.LayoutText(text, rect, params, false, vaTOP, haLEFT);
      params.TextColor = 0;
      c.Wrapper.DrawText(rect, params);
      return c.Done().copy();
    };
    QCOMPARE(draw({"abcdefgh", "5 €"}), draw({"5 €"}));
  }

  void textIsClippedToItsRectangle() {
    TCanvas c;
    const TcxScreenFont& font = c.Wrapper.ScreenFont({"Tahoma", 10, 0, 1});
    c.Wrapper.SetFont(&font);
    TcxTextParameters params;
    const TRect rect{20, 20, 50, 45};
    c.Wrapper.LayoutText(std::string_view("WWWWWWWWWWWW"), rect, params, false, vaTOP, haLEFT);
    params.TextColor = 0;
    QVERIFY(!params.FitsRect);
    c.Wrapper.DrawText(rect, params);
    const QImage& image = c.Done();
    int inside = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) == qRgb(255, 255, 255)) continue;
        QVERIFY2(x >= rect.Left && x <= rect.Right && y >= rect.Top && y <= rect.Bottom,
                 qPrintable(QString("ink at %1,%2").arg(x).arg(y)));
        ++inside;
      }
    QVERIFY(inside > 20);
  }
};

QTEST_MAIN(TestCanvasWrapper)
#include "tst_cxCanvasWrapper.moc"
