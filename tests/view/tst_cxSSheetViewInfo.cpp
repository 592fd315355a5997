// The sheet layout: bricks and their pixel rectangles (hidden columns and rows, scrolling,
// merged areas), borders and fills after adjustment, text rectangles and overflow, selection
// marks, and hit testing.
//
// The control is 600 × 400 with a vertical scroll bar only and no tab strip, so the sheet is
// 584 × 400: the headers take 85 pixels on the left and 20 on top, columns are 85 wide and rows
// 20 high unless a test says otherwise. Column c starts at 85 + 85c, row r at 20 + 20r.
#include <QTest>

#include "ViewTestSupport.h"
#include "sheet/cxSSBookFile.h"

namespace {

constexpr int kHeaderWidth = 85;
constexpr int kHeaderHeight = 20;

struct TSheet : TViewFixture {
  TSheet() : TViewFixture(QSize(600, 400)) { PlainSheet(); }
  // The brick column / row showing a column / row, or -1.
  int ColumnIndex(int col) const {
    for (int i = 1; i < Data().BrickCount.X; ++i)
      if (Brick(i, 0).Col == col) return i;
    return -1;
  }
  int RowIndex(int row) const {
    for (int j = 1; j < Data().BrickCount.Y; ++j)
      if (Brick(0, j).Row == row) return j;
    return -1;
  }
  const TcxSSInfoBrick& Cell(int col, int row) const { return Brick(ColumnIndex(col), RowIndex(row)); }
};

QList<int> Ints(std::initializer_list<int> values) { return QList<int>(values); }

}  // namespace

Q_DECLARE_METATYPE(TRect)

class TestSheetViewInfo : public QObject {
  Q_OBJECT

private slots:
  void sheetAreaIsTheControlLessTheScrollBar() {
    TSheet s;
    QCOMPARE(s.Control->SheetArea(), QRect(0, 0, 584, 400));
    QCOMPARE(s.Data().Bounds, (TRect{0, 0, 584, 400}));
  }

  // Columns are walked from the left column until their sizes reach the data area's width; the
  // bricks are those columns plus the header and one more.
  void columnBricks_data() {
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QList<int>>("widths");  // sizes of columns 0, 1, ... (the rest 85)
    QTest::addColumn<int>("leftCol");
    QTest::addColumn<QList<int>>("cols");    // columns of brick columns 1, 2, ...
    QTest::addColumn<QList<int>>("lefts");   // their left pixel
    // 499 pixels of data: five columns fit (425), the sixth reaches past the edge, one more.
    QTest::newRow("default") << Ints({}) << Ints({}) << 0 << Ints({0, 1, 2, 3, 4, 5, 6})
                             << Ints({85, 170, 255, 340, 425, 510, 595});
    QTest::newRow("hidden columns get no brick")
        << Ints({1, 3}) << Ints({}) << 0 << Ints({0, 2, 4, 5, 6, 7, 8})
        << Ints({85, 170, 255, 340, 425, 510, 595});
    QTest::newRow("sizes") << Ints({}) << Ints({40, 200, 10}) << 0 << Ints({0, 1, 2, 3, 4, 5, 6})
                           << Ints({85, 125, 325, 335, 420, 505, 590});
    QTest::newRow("scrolled") << Ints({}) << Ints({}) << 7 << Ints({7, 8, 9, 10, 11, 12, 13})
                              << Ints({85, 170, 255, 340, 425, 510, 595});
    QTest::newRow("scrolled onto a hidden column")
        << Ints({7}) << Ints({}) << 7 << Ints({8, 9, 10, 11, 12, 13, 14})
        << Ints({85, 170, 255, 340, 425, 510, 595});
    QTest::newRow("one column wider than the sheet")
        << Ints({}) << Ints({900}) << 0 << Ints({0, 1}) << Ints({85, 985});
  }
  void columnBricks() {
    QFETCH(QList<int>, hidden);
    QFETCH(QList<int>, widths);
    QFETCH(int, leftCol);
    QFETCH(QList<int>, cols);
    QFETCH(QList<int>, lefts);
    TSheet s;
    for (int c = 0; c < widths.size(); ++c) s.Sheet().ColumnHeader().SetSize(c, widths[c]);
    for (int c : hidden) s.Sheet().ColumnHeader().SetVisible(c, false);
    s.ViewInfo().SetLeftCol(leftCol);
    const TcxSSViewInfoData& data = s.Data();
    QCOMPARE(data.BrickCount.X, int(cols.size()) + 1);
    for (int i = 1; i < data.BrickCount.X; ++i) {
      QCOMPARE(data.Bricks[i][0].Col, cols[i - 1]);
      QCOMPARE(data.Bricks[i][0].CellRect.Left, lefts[i - 1]);
      const int width = s.Sheet().ColumnHeader().VisibleSize(cols[i - 1]);
      QCOMPARE(data.Bricks[i][0].CellRect, (TRect{lefts[i - 1], 0, lefts[i - 1] + width, kHeaderHeight}));
      // Every cell of the column lies between the same edges.
      QCOMPARE(data.Bricks[i][1].Col, cols[i - 1]);
    }
  }

  void rowBricks_data() {
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QList<int>>("heights");
    QTest::addColumn<int>("topRow");
    QTest::addColumn<int>("count");       // brick rows, header included
    QTest::addColumn<QList<int>>("rows");  // the first brick rows' rows
    QTest::addColumn<QList<int>>("tops");
    // 380 pixels of data: nineteen rows reach the edge exactly, one more.
    QTest::newRow("default") << Ints({}) << Ints({}) << 0 << 21 << Ints({0, 1, 2, 3})
                             << Ints({20, 40, 60, 80});
    QTest::newRow("hidden rows") << Ints({1, 2}) << Ints({}) << 0 << 21 << Ints({0, 3, 4, 5})
                                 << Ints({20, 40, 60, 80});
    QTest::newRow("tall rows") << Ints({}) << Ints({100, 100, 100}) << 0 << 9
                               << Ints({0, 1, 2, 3}) << Ints({20, 120, 220, 320});
    QTest::newRow("scrolled") << Ints({}) << Ints({}) << 1000 << 21 << Ints({1000, 1001})
                              << Ints({20, 40});
  }
  void rowBricks() {
    QFETCH(QList<int>, hidden);
    QFETCH(QList<int>, heights);
    QFETCH(int, topRow);
    QFETCH(int, count);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, tops);
    TSheet s;
    for (int r = 0; r < heights.size(); ++r) s.Sheet().RowHeader().SetSize(r, heights[r]);
    for (int r : hidden) s.Sheet().RowHeader().SetVisible(r, false);
    s.ViewInfo().SetTopRow(topRow);
    QCOMPARE(s.Data().BrickCount.Y, count);
    for (int j = 1; j <= rows.size(); ++j) {
      QCOMPARE(s.Brick(0, j).Row, rows[j - 1]);
      QCOMPARE(s.Brick(0, j).CellRect.Top, tops[j - 1]);
      QCOMPARE(s.Brick(0, j).CellRect.Left, 0);
      QCOMPARE(s.Brick(0, j).CellRect.Right, kHeaderWidth);
    }
  }

  void cornerAndHiddenHeaders() {
    TSheet s;
    QCOMPARE(s.Brick(0, 0).Col, -1);
    QCOMPARE(s.Brick(0, 0).Row, -1);
    QCOMPARE(s.Brick(0, 0).CellRect, (TRect{0, 0, kHeaderWidth, kHeaderHeight}));
    s.Book->SetShowHeaders(false);
    QVERIFY(!s.Data().ShowHeaders);
    QCOMPARE(s.Brick(0, 0).CellRect, (TRect{0, 0, 0, 0}));
    QCOMPARE(s.Brick(1, 0).CellRect.Left, 0);
    QCOMPARE(s.Brick(0, 1).CellRect.Top, 0);
    // 584 pixels: six columns fit, the seventh reaches past the edge.
    QCOMPARE(s.Data().BrickCount.X, 9);
  }

  void headerTexts() {
    TSheet s;
    QCOMPARE(s.Brick(1, 0).TextParams.Lines.at(0).Text, QString("A"));
    QCOMPARE(s.Brick(0, 1).TextParams.Lines.at(0).Text, QString("1"));
    s.ViewInfo().SetLeftCol(26);
    QCOMPARE(s.Brick(1, 0).TextParams.Lines.at(0).Text, QString("AA"));
    s.Book->SetR1C1ReferenceStyle(true);
    QCOMPARE(s.Brick(1, 0).TextParams.Lines.at(0).Text, QString("27"));
    // Column headers are centred vertically, row headers sit at the bottom (both drawn 2 lower).
    const int height = s.Control->HeaderFont().Height;
    QCOMPARE(s.Brick(1, 0).TextParams.Lines.at(0).Y, (0 + 20 - height) / 2 + 2);
    QCOMPARE(s.Brick(0, 1).TextParams.Lines.at(0).Y, 40 - height + 2);
    QCOMPARE(s.Brick(0, 1).TextParams.X, 85 / 2);
  }

  // Before the border adjustment a cell spans its column's and row's edges; the grid lines on
  // its left and top (and the neighbours' on its right and bottom) then push the fill inwards.
  void cellRectangles_data() {
    QTest::addColumn<int>("style");  // the top border of B2 (and thus the bottom of B1)
    QTest::addColumn<TRect>("b2");
    QTest::addColumn<TRect>("b1");
    QTest::addColumn<TRect>("topLine");
    QTest::newRow("grid") << int(lsDefault) << TRect{171, 41, 254, 59} << TRect{171, 21, 254, 39}
                          << TRect{170, 40, 254, 40};
    QTest::newRow("thin") << int(lsThin) << TRect{171, 41, 254, 59} << TRect{171, 21, 254, 39}
                          << TRect{170, 40, 254, 40};
    QTest::newRow("medium") << int(lsMedium) << TRect{171, 42, 254, 59} << TRect{171, 21, 254, 39}
                            << TRect{170, 40, 254, 41};
    // Width-3 lines are centred on the grid line; a thick one also reaches over the corners.
    QTest::newRow("thick") << int(lsThick) << TRect{171, 42, 254, 59} << TRect{171, 21, 254, 38}
                           << TRect{169, 39, 256, 41};
    QTest::newRow("double") << int(lsDouble) << TRect{171, 42, 254, 59} << TRect{171, 21, 254, 38}
                            << TRect{170, 39, 254, 39};
    QTest::newRow("none") << int(lsNone) << TRect{171, 40, 254, 59} << TRect{171, 21, 254, 40}
                          << TRect{0, 0, 0, 0};
  }
  void cellRectangles() {
    QFETCH(int, style);
    QFETCH(TRect, b2);
    QFETCH(TRect, b1);
    QFETCH(TRect, topLine);
    TSheet s;
    s.Style(1, 1, [&](TcxSSCellStyle& st) { st.Borders().Top().SetValues(TcxSSEdgeLineStyle(style), 2); });
    s.Book->RefreshView();
    QCOMPARE(s.Cell(1, 1).CellRect, b2);
    QCOMPARE(s.Cell(1, 0).CellRect, b1);
    QCOMPARE(s.Cell(1, 1).Borders[eTop].Style, TcxSSEdgeLineStyle(style));
    QCOMPARE(s.Cell(1, 0).Borders[eBottom].Style, TcxSSEdgeLineStyle(style));
    QCOMPARE(s.Cell(1, 1).Borders[eTop].Color, TcxSSColor(2));
    QCOMPARE(s.Cell(1, 1).TopLineRects[0], topLine);
  }

  void doubleLineRectangles() {
    TSheet s;
    // B2 alone with a double top and a double left line: the corner is closed by lengthening
    // the outer lines and shortening the inner ones.
    s.Style(1, 1, [](TcxSSCellStyle& st) {
      st.Borders().Top().SetValues(lsDouble, 0);
      st.Borders().Left().SetValues(lsDouble, 0);
    });
    s.Book->RefreshView();
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    QCOMPARE(b.TopLineRects[0], (TRect{169, 39, 254, 39}));
    QCOMPARE(b.TopLineRects[1], (TRect{170, 40, 254, 40}));
    QCOMPARE(b.TopLineRects[2], (TRect{171, 41, 254, 41}));
    QCOMPARE(b.LeftLineRects[0], (TRect{169, 39, 169, 59}));
    QCOMPARE(b.LeftLineRects[1], (TRect{170, 40, 170, 59}));
    QCOMPARE(b.LeftLineRects[2], (TRect{171, 41, 171, 59}));
    QCOMPARE(b.CellRect, (TRect{172, 42, 254, 59}));
  }

  void gridOffTurnsDefaultLinesIntoNone() {
    TSheet s;
    s.Book->SetShowGrid(false);
    QVERIFY(!s.ViewInfo().GridVisible());
    for (const auto& border : s.Cell(2, 2).Borders) QCOMPARE(border.Style, lsNone);
    QCOMPARE(s.Cell(2, 2).CellRect, (TRect{255, 60, 340, 80}));
  }

  void filledCellsShowNoGridOnTheirEdges() {
    TSheet s;
    s.Style(1, 1, [](TcxSSCellStyle& st) { st.Brush().SetBackgroundColor(5); });
    s.Book->RefreshView();
    QCOMPARE(s.Cell(1, 1).Borders[eLeft].Style, lsNone);
    QCOMPARE(s.Cell(1, 1).Borders[eTop].Style, lsNone);
    QCOMPARE(s.Cell(1, 1).BackgroundColor, TcxSSColor(5));
    // The line on its right belongs to the unfilled neighbour.
    QCOMPARE(s.Cell(1, 1).Borders[eRight].Style, lsDefault);
    QCOMPARE(s.Cell(0, 1).Borders[eRight].Style, lsNone);
  }

  void mergedAreas() {
    TSheet s;
    s.Storage().MergeCells({1, 1, 2, 2}, true);
    s.SetText(1, 1, "merged");
    s.Book->RefreshView();
    const TcxSSViewInfoData& data = s.Data();
    QCOMPARE(data.Unions.size(), size_t(1));
    const TcxSSUnionInfoBrick& area = data.Unions[0];
    QCOMPARE(area.Area, (TRect{1, 1, 2, 2}));
    QCOMPARE(area.PixelRect, (TRect{170, 40, 340, 80}));
    QCOMPARE(area.TextRect, (TRect{171, 42, 338, 82}));
    QCOMPARE(area.TextParams.Lines.at(0).Text, QString("merged"));
    // The lines inside the area are gone, the ones around it stay.
    for (int col = 1; col <= 2; ++col)
      for (int row = 1; row <= 2; ++row) {
        const TcxSSInfoBrick& b = s.Cell(col, row);
        QVERIFY(b.Merged);
        QCOMPARE(b.UnionIndex, 0);
        QCOMPARE(b.Borders[eLeft].Style == lsNone, col == 2);
        QCOMPARE(b.Borders[eRight].Style == lsNone, col == 1);
        QCOMPARE(b.Borders[eTop].Style == lsNone, row == 2);
        QCOMPARE(b.Borders[eBottom].Style == lsNone, row == 1);
      }
    // Every cell of it takes the fill of its first cell.
    s.Style(1, 1, [](TcxSSCellStyle& st) { st.Brush().SetValues(fsGray50, 5, 4); });
    s.Book->RefreshView();
    QCOMPARE(s.Data().Unions.at(0).BackgroundColor, TcxSSColor(5));
    QCOMPARE(s.Data().Unions.at(0).FillStyle, fsGray50);
    QCOMPARE(s.Cell(2, 2).BackgroundColor, TcxSSColor(5));
    QCOMPARE(s.Cell(2, 2).PatternColor, TcxSSColor(4));
  }

  void mergedAreaScrolledPartlyOutOfView() {
    TSheet s;
    s.Storage().MergeCells({1, 1, 3, 3}, true);
    s.SetText(1, 1, "merged");
    s.ViewInfo().SetTopLeft(2, 2);
    const TcxSSUnionInfoBrick& area = s.Data().Unions.at(0);
    // Measured from column 2 and row 2 the area starts at (0, 0) of the data area, one column
    // and one row before it; left and top are raised to the header edges.
    QCOMPARE(area.PixelRect, (TRect{kHeaderWidth, kHeaderHeight, 85 + 170, 20 + 40}));
    QCOMPARE(area.TextRect, (TRect{kHeaderWidth, kHeaderHeight, 85 + 170 - 3 + 1, 20 + 40 + 2}));
    // Laid out in the unclipped rectangle: left-aligned text starts before the header edge.
    QCOMPARE(area.TextParams.X, 0 + 1 + 3);
  }

  void textRectanglesAndAlignment_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("align");  // the style's horizontal alignment
    QTest::addColumn<int>("effective");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("color");  // -1: the font's colour
    QTest::addColumn<QString>("code");  // a format code of the cell's own ("": none)
    QTest::newRow("text") << "abc" << 0 << int(haGENERAL) << int(haLEFT) << "abc" << -1 << "";
    QTest::newRow("number") << "12.5" << 0 << int(haGENERAL) << int(haRIGHT) << "12.5" << -1 << "";
    QTest::newRow("number as text") << "12.5" << 49 << int(haGENERAL) << int(haLEFT) << "12.5" << -1 << "";
    QTest::newRow("formatted number") << "1234.5" << 4 << int(haGENERAL) << int(haRIGHT)
                                      << "1,234.50" << -1 << "";
    QTest::newRow("red negative") << "-5" << 8 << int(haGENERAL) << int(haRIGHT) << "($5.00)" << 2 << "";
    QTest::newRow("logical word") << "true" << 0 << int(haGENERAL) << int(haCENTER) << "true" << -1 << "";
    QTest::newRow("own alignment") << "12" << 0 << int(haCENTER) << int(haCENTER) << "12" << -1 << "";
    QTest::newRow("formula") << "=2*3.5" << 0 << int(haGENERAL) << int(haRIGHT) << "7" << -1 << "";
    QTest::newRow("formula, formatted") << "=-2*3" << 8 << int(haGENERAL) << int(haRIGHT) << "($6.00)" << 2 << "";
    QTest::newRow("formula giving text") << "=\"ab\"" << 0 << int(haGENERAL) << int(haLEFT) << "ab" << -1 << "";
    // Format codes decide the text and, through [Colour], its colour; the built-in index the
    // code is classified as still decides nothing here.
    QTest::newRow("code: date") << "2620" << 0 << int(haGENERAL) << int(haRIGHT) << "04/03/1907"
                                << -1 << "dd/mm/yyyy";
    QTest::newRow("code: negative in blue") << "-5" << 0 << int(haGENERAL) << int(haRIGHT)
                                            << "-5.00" << 4 << "0.00;[Blue]-0.00";
    QTest::newRow("code: formula in red") << "=-2*3" << 0 << int(haGENERAL) << int(haRIGHT)
                                          << "-6.0" << 2 << "[Red]0.0";
    QTest::newRow("code: text section") << "abc" << 0 << int(haGENERAL) << int(haLEFT) << "<abc>"
                                        << 6 << "0;0;0;[Magenta]\"<\"@\">\"";
    QTest::newRow("code: formula text") << "=\"ab\"" << 0 << int(haGENERAL) << int(haLEFT)
                                        << "<ab>" << 6 << "0;0;0;[Magenta]\"<\"@\">\"";
  }
  void textRectanglesAndAlignment() {
    QFETCH(QString, typed);
    QFETCH(int, format);
    QFETCH(int, align);
    QFETCH(int, effective);
    QFETCH(QString, shown);
    QFETCH(int, color);
    QFETCH(QString, code);
    TSheet s;
    s.Style(1, 1, [&](TcxSSCellStyle& st) {
      st.SetStoredFormat(TxlsDataFormat(format));
      if (!code.isEmpty()) st.SetFormatCode(code.toStdString());
      st.SetHorzTextAlign(TcxHorzTextAlign(align));
    });
    s.SetText(1, 1, typed.toStdString());
    s.Book->RefreshView();
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    QCOMPARE(b.TextRect, (TRect{172, 42, 253, 62}));
    QCOMPARE(int(b.TextParams.HorzAlign), effective);
    QCOMPARE(b.TextParams.Lines.at(0).Text, shown);
    const int fontColor = s.Storage().CellRef(1, 1).Style->Font->FontColor;
    QCOMPARE(int(b.TextParams.TextColor), color < 0 ? fontColor : color);
    const int expectedX = effective == haCENTER ? (172 + 253) / 2 : effective == haRIGHT ? 250 : 175;
    QCOMPARE(b.TextParams.X, expectedX);
    // Centred vertically in the text rectangle, drawn 2 higher: centred in the cell.
    const int height = b.TextParams.Font->Height;
    QCOMPARE(b.TextParams.Lines.at(0).Y, (42 + 62 - height) / 2);
    if (color >= 0) return;
    s.Style(1, 1, [](TcxSSCellStyle& st) { st.Font().SetFontColor(3); });
    s.Book->RefreshView();
    QCOMPARE(int(s.Cell(1, 1).TextParams.TextColor), 3);
  }

  // A format code's fill ("*-") repeats its character until the text fills the cell, on the
  // side the code puts it; the filled text never flows over its neighbours.
  void formatFillFillsTheCell() {
    const struct {
      const char* Code;
      const char* Typed;
      const char* Before;  // what the fill follows
      const char* After;   // what follows the fill
    } cases[] = {{"*-0", "5", "", "5"}, {"0*.", "5", "5", ""}, {"\"$\"* 0.00", "7", "$", "7.00"}};
    for (const auto& c : cases) {
      TSheet s;
      s.Style(1, 1, [&](TcxSSCellStyle& st) { st.SetFormatCode(c.Code); });
      s.SetText(1, 1, c.Typed);
      s.Book->RefreshView();
      const TcxSSInfoBrick& b = s.Cell(1, 1);
      const QString text = b.TextParams.Lines.at(0).Text;
      QVERIFY2(text.startsWith(c.Before) && text.endsWith(c.After), c.Code);
      const QString run = text.mid(int(strlen(c.Before)), text.size() - int(strlen(c.Before)) -
                                                              int(strlen(c.After)));
      QVERIFY2(run.size() > 5, c.Code);
      QCOMPARE(run, QString(run.size(), run.at(0)));
      const int room = 253 - 172 - 4;
      QVERIFY2(b.TextParams.Lines.at(0).Width <= room, c.Code);
      QCOMPARE(b.TextRect, (TRect{172, 42, 253, 62}));
    }
  }

  // Text wider than its cell flows over empty neighbours and stops 2 pixels before a
  // neighbour with text; the lines between the cells it covers disappear.
  void textOverflow() {
    TSheet s;
    const std::string wide(80, 'W');
    s.SetText(0, 0, wide);
    s.SetText(3, 0, "x");
    s.SetText(5, 1, wide);
    s.Style(5, 1, [](TcxSSCellStyle& st) { st.SetHorzTextAlign(haRIGHT); });
    s.SetText(2, 2, "short");
    s.Book->RefreshView();
    const TcxSSInfoBrick& a1 = s.Cell(0, 0);
    QCOMPARE(a1.TextRect.Left, 87);
    QCOMPARE(a1.TextRect.Right, 340 - 2);
    QCOMPARE(a1.Borders[eRight].Style, lsNone);
    QCOMPARE(s.Cell(1, 0).Borders[eLeft].Style, lsNone);
    QCOMPARE(s.Cell(1, 0).Borders[eRight].Style, lsNone);
    QCOMPARE(s.Cell(2, 0).Borders[eRight].Style, lsDefault);
    QCOMPARE(s.Cell(3, 0).Borders[eLeft].Style, lsDefault);
    // Right-aligned text flows to the left up to the row header.
    const TcxSSInfoBrick& f2 = s.Cell(5, 1);
    QCOMPARE(f2.TextRect.Left, kHeaderWidth);
    QCOMPARE(f2.TextRect.Right, 595 - 2);
    QCOMPARE(s.Cell(0, 1).Borders[eRight].Style, lsNone);
    // Text that fits keeps its cell.
    QCOMPARE(s.Cell(2, 2).TextRect, (TRect{257, 62, 338, 82}));
    QVERIFY(s.Cell(2, 2).TextParams.FitsRect);
  }

  // A number wider than its cell never shows part of its digits: its line is "#" as many
  // times as fit in the cell, in the cell's own text rectangle, whatever its neighbours hold.
  // Text (also digits stored as text) keeps flowing over empty neighbours.
  void numbersTooWideShowHashes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");      // of column B
    QTest::addColumn<bool>("wrapped");
    QTest::addColumn<QString>("left");   // what A2 holds
    QTest::addColumn<QString>("shown");  // "#" for hashes
    //                                    typed               format width wrap  A2     shown
    QTest::newRow("fifteen digits") << "123456789012345" << 0 << 85 << false << "" << "#";
    QTest::newRow("thousands, text on the left") << "1137000" << 4 << 60 << false << "a" << "#";
    QTest::newRow("currency") << "-1137000" << 8 << 60 << false << "" << "#";
    QTest::newRow("date") << "3/15/2024" << 14 << 30 << false << "" << "#";
    QTest::newRow("formula result") << "=1137*1000" << 4 << 60 << false << "" << "#";
    QTest::newRow("wrapped cell") << "123456789012345" << 0 << 85 << true << "" << "#";
    QTest::newRow("narrower than one #") << "12345" << 0 << 6 << false << "" << "";
    QTest::newRow("number that fits") << "1137000" << 4 << 85 << false << "a" << "1,137,000.00";
    QTest::newRow("digits as text") << "123456789012345678" << 49 << 60 << false << ""
                                    << "123456789012345678";
  }
  void numbersTooWideShowHashes() {
    QFETCH(QString, typed);
    QFETCH(int, format);
    QFETCH(int, width);
    QFETCH(bool, wrapped);
    QFETCH(QString, left);
    QFETCH(QString, shown);
    TSheet s;
    s.Sheet().ColumnHeader().SetSize(1, width);
    s.Style(1, 1, [&](TcxSSCellStyle& st) {
      st.SetStoredFormat(TxlsDataFormat(format));
      st.SetWordBreak(wrapped);
    });
    s.SetText(1, 1, typed.toStdString());
    if (!left.isEmpty()) s.SetText(0, 1, left.toStdString());
    s.Book->RefreshView();
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    const TRect own{172, 42, 170 + width - 2, 62};
    QCOMPARE(b.TextParams.Lines.size(), size_t(1));
    const TcxTextBrick& line = b.TextParams.Lines[0];
    const int room = own.Right - own.Left - 4;
    if (shown == "#") {
      QVERIFY2(!line.Text.isEmpty() && line.Text.count('#') == line.Text.size(), qPrintable(line.Text));
      // As many as fit, right-aligned in the cell's own rectangle.
      const int hash = b.TextParams.Font->TextWidth("#");
      QVERIFY(line.Width <= room);
      QVERIFY(line.Width + hash > room);
      QCOMPARE(b.TextRect, own);
      QCOMPARE(int(b.TextParams.HorzAlign), int(haRIGHT));
    } else {
      QCOMPARE(line.Text, shown);
    }
    // The edit text is the whole value (a date's with its time of day).
    QVERIFY(QString::fromStdString(s.Storage().GetEditText(1, 1)).startsWith(typed));
  }

  // poi-StringContinueRecords.xls, sheet "Param", holds long texts in wrapped cells: its rows
  // are laid out with the heights the file stores (408, 240, 225 and 204 twips), not grown to
  // the text.
  void loadedRowsKeepTheirStoredHeights() {
    TViewFixture f(QSize(800, 600));
    f.Book->LoadFromFile(std::string(ZOF_CORPUS_DIR) + "/poi-StringContinueRecords.xls");
    f.Book->SetActivePage(1);
    QCOMPARE(QString::fromStdString(f.Sheet().Caption()), QString("Param"));
    //                      row 1   2 … 11                           12  13  14  15 … 20
    const QList<int> expected{27, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 15, 16, 16,
                              14, 14, 14, 14, 14, 14};
    QVERIFY(f.Data().BrickCount.Y > expected.size());
    QList<int> heights;
    for (int j = 1; j <= expected.size(); ++j) {
      const TcxSSInfoBrick& header = f.Brick(0, j);
      QCOMPARE(header.Row, j - 1);
      heights << header.CellRect.Bottom - header.CellRect.Top;
    }
    QCOMPARE(heights, expected);
  }

  void formulasShown() {
    TSheet s;
    s.SetText(1, 1, "=2*3");
    QCOMPARE(s.Cell(1, 1).TextParams.Lines.at(0).Text, QString("6"));
    s.Book->SetShowFormulas(true);
    QVERIFY(s.ViewInfo().ShowFormulas());
    QCOMPARE(s.Cell(1, 1).TextParams.Lines.at(0).Text, QString("=2*3"));
    QCOMPARE(int(s.Cell(1, 1).TextParams.HorzAlign), int(haLEFT));
  }

  // Centred across the selection: the text is centred over its cell and the empty cells after
  // it that are centred across the selection too, and the lines between them disappear; a cell
  // with text, or one aligned otherwise, ends the span.
  void centreAcrossSelectionSpansItsEmptyNeighbours() {
    TSheet s;
    for (int col = 1; col <= 5; ++col)
      s.Style(col, 1, [](TcxSSCellStyle& st) { st.SetHorzTextAlign(haCENTERACROSS); });
    s.Style(4, 1, [](TcxSSCellStyle& st) { st.SetHorzTextAlign(haLEFT); });
    s.SetText(1, 1, "naslov");
    s.Book->RefreshView();
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    const int right = s.Cell(3, 1).TextRect.Right;  // D2's own text rectangle
    QCOMPARE(b.TextRect, (TRect{172, 42, right, 62}));
    QCOMPARE(int(b.TextParams.HorzAlign), int(haCENTER));
    QCOMPARE(b.TextParams.X, (172 + right) / 2);
    QCOMPARE(s.Cell(2, 1).Borders[eLeft].Style, lsNone);
    QCOMPARE(s.Cell(3, 1).Borders[eLeft].Style, lsNone);
    QCOMPARE(s.Cell(4, 1).Borders[eLeft].Style, lsDefault);

    // Text in C2 ends the span at B2.
    s.SetText(2, 1, "x");
    s.Book->RefreshView();
    QCOMPARE(s.Cell(1, 1).TextRect, (TRect{172, 42, 253, 62}));
    QCOMPARE(s.Cell(1, 1).TextParams.X, (172 + 253) / 2);
  }

  // Filled: the text repeats as often as it fits whole in the cell, and never flows over.
  void fillRepeatsTheText() {
    TSheet s;
    s.Style(1, 1, [](TcxSSCellStyle& st) { st.SetHorzTextAlign(haFILL); });
    s.SetText(1, 1, "ab");
    s.SetText(2, 2, std::string(40, 'W'));
    s.Style(2, 2, [](TcxSSCellStyle& st) { st.SetHorzTextAlign(haFILL); });
    s.Book->RefreshView();
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    const QString text = b.TextParams.Lines.at(0).Text;
    const int room = 253 - 172 - 4;
    const int once = b.TextParams.Font->TextWidth(QStringLiteral("ab"));
    QCOMPARE(text, QString("ab").repeated(room / once));
    QVERIFY(text.size() > 4);
    QCOMPARE(b.TextRect, (TRect{172, 42, 253, 62}));
    // Too wide for one copy: shown once, cut at the cell.
    const TcxSSInfoBrick& wide = s.Cell(2, 2);
    QCOMPARE(wide.TextParams.Lines.at(0).Text, QString(40, 'W'));
    QCOMPARE(wide.TextRect, (TRect{257, 62, 338, 82}));
  }

  // Justified and distributed text (either way) wraps like word wrap, justified; a vertically
  // distributed text spreads its lines over the cell.
  void justifiedAndDistributedTextWraps_data() {
    QTest::addColumn<int>("horz");
    QTest::addColumn<int>("vert");
    QTest::addColumn<int>("drawn");
    QTest::newRow("justify") << int(haJUSTIFY) << int(vaTOP) << int(haJUSTIFY);
    QTest::newRow("distributed") << int(haDISTRIBUTED) << int(vaTOP) << int(haJUSTIFY);
    QTest::newRow("vertically justified") << int(haLEFT) << int(vaJUSTIFY) << int(haLEFT);
    QTest::newRow("vertically distributed") << int(haLEFT) << int(vaDISTRIBUTED) << int(haLEFT);
  }
  void justifiedAndDistributedTextWraps() {
    QFETCH(int, horz);
    QFETCH(int, vert);
    QFETCH(int, drawn);
    TSheet s;
    s.Style(1, 1, [&](TcxSSCellStyle& st) {
      st.SetHorzTextAlign(TcxHorzTextAlign(horz));
      st.SetVertTextAlign(TcxVertTextAlign(vert));
    });
    s.SetText(1, 1, "one two three four five six seven");
    s.Sheet().RowHeader().SetSize(1, 200);
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    QVERIFY(b.TextParams.WordBreak);
    QCOMPARE(int(b.TextParams.HorzAlign), drawn);
    const size_t count = b.TextParams.Lines.size();
    QVERIFY(count >= 3);
    QCOMPARE(b.TextRect, (TRect{172, 42, 253, 242}));
    const int height = b.TextParams.Font->Height;
    if (vert == vaTOP) {
      QCOMPARE(b.TextParams.Lines.front().Y, b.TextRect.Top);
    } else {
      // Spread: the first line at the top, the last at the bottom of the box.
      QCOMPARE(b.TextParams.Lines.front().Y, b.TextRect.Top);
      QVERIFY(b.TextParams.Lines.back().Y + height > b.TextRect.Bottom - 2 - height);
      QVERIFY(b.TextParams.Lines[1].Y - b.TextParams.Lines[0].Y > height);
    }
  }

  // An indent moves left-aligned text right and right-aligned text left, by three spaces of
  // the cell's font a step.
  void indentMovesTheText() {
    TSheet s;
    s.SetText(1, 1, "lijevo");
    s.SetText(1, 2, "desno");
    s.Style(1, 1, [](TcxSSCellStyle& st) {
      TcxSSStyleRec rec = st.Rec();
      rec.HorzTextAlign = haLEFT;
      rec.Indent = 2;
      st.ApplyStyleRec(rec, false);
    });
    s.Style(1, 2, [](TcxSSCellStyle& st) {
      TcxSSStyleRec rec = st.Rec();
      rec.HorzTextAlign = haRIGHT;
      rec.Indent = 1;
      st.ApplyStyleRec(rec, false);
    });
    s.Book->RefreshView();
    const int step = s.Cell(1, 1).TextParams.Font->TextWidth(QStringLiteral("   "));
    QVERIFY(step > 0);
    QCOMPARE(s.Cell(1, 1).TextParams.X, 175 + 2 * step);
    QCOMPARE(s.Cell(1, 2).TextParams.X, 250 - step);
  }

  // Stacked text is one letter a line, centred; turned text is one line with its angle, drawn
  // about the middle of the box it takes; both stay in their cell.
  void rotatedAndStackedText() {
    TSheet s;
    s.SetText(1, 1, "abc");
    s.SetText(2, 1, std::string(30, 'x'));
    s.Style(1, 1, [](TcxSSCellStyle& st) {
      TcxSSStyleRec rec = st.Rec();
      rec.Rotation = kRotationStacked;
      rec.VertTextAlign = vaTOP;
      st.ApplyStyleRec(rec, false);
    });
    const struct {
      uint8_t Rotation;
      int Degrees;
    } turns[] = {{90, 90}, {45, 45}, {135, -45}, {180, -90}};
    for (const auto& t : turns) {
      s.Style(2, 1, [&](TcxSSCellStyle& st) {
        TcxSSStyleRec rec = st.Rec();
        rec.Rotation = t.Rotation;
        rec.HorzTextAlign = haCENTER;
        st.ApplyStyleRec(rec, false);
      });
      s.Sheet().RowHeader().SetSize(1, 200);
      const TcxSSInfoBrick& b = s.Cell(1, 1);
      QCOMPARE(b.TextParams.Lines.size(), size_t{3});
      for (size_t k = 0; k < 3; ++k) {
        QCOMPARE(b.TextParams.Lines[k].Text, QString(QChar('a' + int(k))));
        QCOMPARE(b.TextParams.Lines[k].Y, b.TextRect.Top + int(k) * b.TextParams.Font->Height);
      }
      QCOMPARE(b.TextParams.X, (172 + 253) / 2);
      const TcxSSInfoBrick& turned = s.Cell(2, 1);
      QCOMPARE(turned.TextParams.Rotation, t.Degrees);
      QCOMPARE(turned.TextRect, (TRect{257, 42, 338, 242}));
      QCOMPARE(turned.TextParams.BoxX, (257 + 338) / 2);
      QCOMPARE(s.Cell(3, 1).Borders[eLeft].Style, lsDefault);
    }
  }

  void wrappedText() {
    TSheet s;
    s.Style(1, 1, [](TcxSSCellStyle& st) {
      st.SetWordBreak(true);
      st.SetVertTextAlign(vaTOP);
    });
    s.SetText(1, 1, "one two three four five six seven");
    s.Sheet().RowHeader().SetSize(1, 200);
    const TcxSSInfoBrick& b = s.Cell(1, 1);
    QVERIFY(b.TextParams.WordBreak);
    // Lines as the shared word wrap breaks them in the box less 2 pixels, one font height apart.
    const TcxScreenFont& font = *b.TextParams.Font;
    QVERIFY(b.TextParams.Lines.size() >= 3);
    for (size_t k = 0; k < b.TextParams.Lines.size(); ++k) {
      QCOMPARE(b.TextParams.Lines[k].Y, b.TextRect.Top + int(k) * font.Height);
      QVERIFY(b.TextParams.Lines[k].Width <= b.TextRect.Right - b.TextRect.Left - 2);
    }
    // A wrapped cell does not overflow.
    QCOMPARE(b.TextRect, (TRect{172, 42, 253, 242}));
  }

  void selectionMarks() {
    TSheet s;
    s.Sheet().SetSelection({1, 1, 2, 3});
    const TcxSSViewInfoData& data = s.Data();
    QCOMPARE(data.Selection, (TRect{1, 1, 2, 3}));
    QCOMPARE(data.SelectionBricks, (TRect{2, 2, 3, 4}));
    QVERIFY(data.SelectionInView);
    QVERIFY(!s.Cell(1, 1).Selected);  // the active cell
    QVERIFY(s.Cell(2, 1).Selected);
    QVERIFY(s.Cell(1, 3).Selected);
    QVERIFY(!s.Cell(3, 1).Selected);
    QVERIFY(s.Brick(2, 0).Selected && s.Brick(3, 0).Selected && !s.Brick(4, 0).Selected);
    QVERIFY(s.Brick(0, 2).Selected && s.Brick(0, 4).Selected && !s.Brick(0, 5).Selected);
    // A new selection moves the marks without a new layout.
    s.Sheet().SetSelection({4, 0, 4, 0});
    QVERIFY(!s.Cell(2, 1).Selected);
    QVERIFY(!s.Cell(4, 0).Selected);
    QVERIFY(s.Brick(5, 0).Selected && !s.Brick(2, 0).Selected);
    QCOMPARE(s.Data().SelectionBricks, (TRect{5, 1, 5, 1}));
  }

  void selectionOfMergedAreas() {
    TSheet s;
    s.Storage().MergeCells({2, 2, 3, 3}, true);
    s.Sheet().SetSelection({1, 1, 4, 4});
    QVERIFY(s.Data().Unions.at(0).Selected);
    QVERIFY(s.Cell(3, 3).Selected);
    // The area holding the active cell is not tinted.
    s.Sheet().SetSelection({2, 2, 4, 4});
    QVERIFY(!s.Data().Unions.at(0).Selected);
    QVERIFY(!s.Cell(3, 2).Selected);
    QVERIFY(s.Cell(4, 4).Selected);
  }

  void cellsToBricks_data() {
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<TRect>("cells");
    QTest::addColumn<TRect>("bricks");
    QTest::newRow("inside") << QPoint(0, 0) << TRect{1, 1, 3, 2} << TRect{2, 2, 4, 3};
    QTest::newRow("beyond the view") << QPoint(0, 0) << TRect{3, 5, 500, 9000} << TRect{4, 6, 7, 20};
    QTest::newRow("before the view") << QPoint(2, 2) << TRect{0, 0, 20, 1} << TRect{-1, -1, -1, -1};
    // Column 10 is hidden: a range starting on it starts at the next brick.
    QTest::newRow("on a hidden column") << QPoint(6, 0) << TRect{10, 1, 12, 1} << TRect{5, 2, 6, 2};
  }
  void cellsToBricks() {
    QFETCH(QPoint, topLeft);
    QFETCH(TRect, cells);
    QFETCH(TRect, bricks);
    TSheet s;
    s.Sheet().ColumnHeader().SetVisible(10, false);
    s.ViewInfo().SetTopLeft(topLeft.x(), topLeft.y());
    QCOMPARE(s.ViewInfo().CellsToBricks(cells), bricks);
  }

  void bottomRight_data() {
    QTest::addColumn<QList<int>>("hiddenCols");
    QTest::addColumn<int>("leftCol");
    QTest::addColumn<int>("lastCol");
    QTest::addColumn<int>("lastRow");
    QTest::newRow("default") << Ints({}) << 0 << 4 << 18;
    QTest::newRow("hidden column") << Ints({2}) << 0 << 5 << 18;
    QTest::newRow("hidden after the last") << Ints({5}) << 0 << 4 << 18;
    QTest::newRow("scrolled") << Ints({}) << 10 << 14 << 18;
  }
  void bottomRight() {
    QFETCH(QList<int>, hiddenCols);
    QFETCH(int, leftCol);
    QFETCH(int, lastCol);
    QFETCH(int, lastRow);
    TSheet s;
    for (int c : hiddenCols) s.Sheet().ColumnHeader().SetVisible(c, false);
    s.ViewInfo().SetLeftCol(leftCol);
    QCOMPARE(s.ViewInfo().GetBottomRight(), (TPoint{lastCol, lastRow}));
  }

  void selectionInView() {
    TSheet s;
    s.Sheet().SetSelection({5, 19, 6, 20});
    QVERIFY(s.Data().SelectionInView);  // next to the last fully visible column and row
    s.Sheet().SetSelection({6, 20, 6, 20});
    QVERIFY(!s.Data().SelectionInView);
    s.ViewInfo().SetTopLeft(6, 20);
    QVERIFY(s.Data().SelectionInView);
  }

  void topLeftChanging() {
    TSheet s;
    QList<TPoint> asked;
    s.Book->OnTopLeftChanging = [&](TcxSSBookSheet&, TPoint& topLeft) {
      asked.append(topLeft);
      if (topLeft.X == 7) topLeft.X = 8;
    };
    s.ViewInfo().SetTopLeft(3, 4);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(s.ViewInfo().GetTopLeft(), (TPoint{3, 4}));
    QCOMPARE(s.Brick(1, 1).Col, 3);
    // The same point again: no event, no layout.
    s.ViewInfo().SetLayoutDirty(false);
    s.ViewInfo().SetTopLeft(3, 4);
    QCOMPARE(asked.size(), 1);
    QVERIFY(!s.ViewInfo().LayoutDirty());
    // Negative coordinates become 0; the handler may move the point.
    s.ViewInfo().SetTopLeft(-5, -1);
    QCOMPARE(asked.last(), (TPoint{0, 0}));
    s.ViewInfo().SetTopLeft(7, 0);
    QCOMPARE(s.ViewInfo().GetTopLeft(), (TPoint{8, 0}));
  }

  // Frozen panes: column A and rows 1-2 stay where they are while the rest scrolls; the scroll
  // position is the sheet's (a save writes it) and never reaches into the frozen panes.
  void frozenPanesStayWhileTheRestScrolls() {
    TSheet s;
    TcxSSSheetView view;
    view.FrozenCols = 1;
    view.FrozenRows = 2;
    s.Sheet().SetView(view);
    s.ViewInfo().SetTopLeft(0, 0);
    QCOMPARE(s.ViewInfo().GetTopLeft(), (TPoint{1, 2}));
    QCOMPARE(s.Data().FrozenBricks, (TPoint{1, 2}));
    s.ViewInfo().SetTopLeft(5, 30);
    QCOMPARE(s.Sheet().View().TopLeft(), (TPoint{5, 30}));
    QCOMPARE(s.Brick(1, 0).Col, 0);
    QCOMPARE(s.Brick(2, 0).Col, 5);
    QCOMPARE(s.Brick(2, 0).CellRect.Left, kHeaderWidth + 85);
    QCOMPARE(s.Brick(0, 1).Row, 0);
    QCOMPARE(s.Brick(0, 2).Row, 1);
    QCOMPARE(s.Brick(0, 3).Row, 30);
    QCOMPARE(s.Brick(0, 3).CellRect.Top, kHeaderHeight + 40);
    // The frozen panes take their room from the scrolling part.
    QCOMPARE(s.ViewInfo().GetBottomRight(), (TPoint{8, 46}));
    QVERIFY(s.ViewInfo().InFrozenCols(0) && !s.ViewInfo().InFrozenCols(1));
    QVERIFY(s.ViewInfo().InFrozenRows(1) && !s.ViewInfo().InFrozenRows(2));
    s.ViewInfo().SetTopLeft(3, 1);
    QCOMPARE(s.ViewInfo().GetTopLeft(), (TPoint{3, 2}));
  }

  // Text of a frozen cell ends at the frozen panes' line; a merged area scrolled partly under it
  // is cut there.
  void frozenPanesCutTextAndMergedAreas() {
    TSheet s;
    TcxSSSheetView view;
    view.FrozenCols = 1;
    s.Sheet().SetView(view);
    s.SetText(0, 0, "a text far wider than its frozen column");
    s.Storage().MergeCells({5, 3, 8, 4}, true);
    s.SetText(5, 3, "spojeno");
    s.ViewInfo().SetTopLeft(7, 0);
    const int line = kHeaderWidth + 85;
    QCOMPARE(s.Brick(1, 1).Col, 0);
    QVERIFY(s.Brick(1, 1).TextRect.Right < line);
    QCOMPARE(s.Data().Unions.size(), size_t(1));
    QVERIFY(s.Data().Unions[0].PixelRect.Left >= line);
    QCOMPARE(s.Data().Unions[0].PixelRect.Right, line + 2 * 85);
  }

  void makeLastVisible() {
    TSheet s;
    s.ViewInfo().MakeLastVisibleRow(40);
    QCOMPARE(s.ViewInfo().GetTopLeft().Y, 22);
    QCOMPARE(s.ViewInfo().GetBottomRight().Y, 40);
    s.ViewInfo().MakeLastVisibleCol(30);
    QCOMPARE(s.ViewInfo().GetTopLeft().X, 26);
    QCOMPARE(s.ViewInfo().GetBottomRight().X, 30);
    // Hidden rows before it take no room.
    s.Sheet().RowHeader().SetVisible(90, false);
    s.Sheet().RowHeader().SetVisible(91, false);
    s.ViewInfo().MakeLastVisibleRow(100);
    QCOMPARE(s.ViewInfo().GetTopLeft().Y, 80);
  }

  void sizeChangesLayOutAgain() {
    TSheet s;
    s.Sheet().ColumnHeader().SetSize(1, 40);
    QCOMPARE(s.Brick(3, 0).CellRect.Left, 85 + 85 + 40);
    s.Sheet().RowHeader().SetSize(0, 50);
    QCOMPARE(s.Brick(0, 2).CellRect.Top, 20 + 50);
    s.Sheet().ColumnHeader().SetVisible(0, false);
    QCOMPARE(s.Brick(1, 0).Col, 1);
  }

  // Hit testing: what lies under a point of the control.
  void hitTest_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("flags");
    QTest::newRow("cell A1") << QPoint(100, 30) << int(htCell) << 0 << 0 << kHitCell;
    QTest::newRow("cell left edge") << QPoint(170, 40) << int(htCell) << 1 << 1 << kHitCell;
    QTest::newRow("cell C3") << QPoint(339, 79) << int(htCell) << 2 << 2 << kHitCell;
    QTest::newRow("corner") << QPoint(10, 10) << int(htColumnHeader) << -1 << -1 << kHitCorner;
    QTest::newRow("column header") << QPoint(200, 10) << int(htColumnHeader) << 1 << 0
                                   << kHitColumnHeader;
    QTest::newRow("column resize 3 px") << QPoint(258, 10) << int(htColumnHeader) << 1 << 0
                                        << (kHitColumnHeader | kHitResizeZone);
    QTest::newRow("column 4 px") << QPoint(259, 10) << int(htColumnHeader) << 2 << 0
                                 << kHitColumnHeader;
    QTest::newRow("first column edge") << QPoint(86, 10) << int(htColumnHeader) << 0 << 0
                                       << kHitColumnHeader;
    QTest::newRow("row header") << QPoint(40, 70) << int(htRowHeader) << 2 << 0 << kHitRowHeader;
    QTest::newRow("row resize 4 px") << QPoint(40, 64) << int(htRowHeader) << 1 << 0
                                     << (kHitRowHeader | kHitResizeZone);
    QTest::newRow("row 5 px") << QPoint(40, 65) << int(htRowHeader) << 2 << 0 << kHitRowHeader;
    QTest::newRow("past the right edge") << QPoint(583, 30) << int(htCell) << 5 << 0 << kHitCell;
  }
  void hitTest() {
    QFETCH(QPoint, point);
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(int, row);
    QFETCH(int, flags);
    TSheet s;
    TcxSSHitTestRec hit;
    QVERIFY(s.Control->GetHitTest(point, hit));
    QCOMPARE(int(hit.Kind), kind);
    QCOMPARE(hit.Index, index);
    QCOMPARE(hit.Row, row);
    int col = 99;
    int hitRow = 99;
    QCOMPARE(s.ViewInfo().HitTest(point.x(), point.y(), col, hitRow), flags);
  }

  void resizeZonesSkipHiddenColumnsAndRows() {
    TSheet s;
    s.Sheet().ColumnHeader().SetVisible(1, false);
    s.Sheet().RowHeader().SetVisible(1, false);
    int col = 0;
    int row = 0;
    // Column 2 now starts at 170: its left edge resizes column 0, the nearest visible one.
    QCOMPARE(s.ViewInfo().HitTest(171, 5, col, row), kHitColumnHeader | kHitResizeZone);
    QCOMPARE(col, 0);
    QCOMPARE(row, -1);
    QCOMPARE(s.ViewInfo().HitTest(5, 42, col, row), kHitRowHeader | kHitResizeZone);
    QCOMPARE(row, 0);
    QCOMPARE(col, -1);
  }

  void hitTestOutsideTheSheet() {
    TSheet s;
    TcxSSHitTestRec hit;
    hit.Kind = htCaptionButton;
    hit.Index = 7;
    QVERIFY(!s.Control->GetHitTest(QPoint(590, 30), hit));  // on the scroll bar
    QCOMPARE(int(hit.Kind), int(htCell));
    QCOMPARE(hit.Index, 0);
  }
};

QTEST_MAIN(TestSheetViewInfo)
#include "tst_cxSSheetViewInfo.moc"
