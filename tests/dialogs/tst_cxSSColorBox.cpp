// The colour pickers: the swatches' order and colours and the pattern pictures, read from the
// painted pixels; hot tracking, the keyboard walk and the selection rules; the combo box's
// pop-up.

#include <QImage>
#include <QTest>

#include "dialogs/cxSSColorBox.h"
#include "view/cxCanvasWrapper.h"

namespace {

// The 8 × 8 pictures of the 18 fill patterns, a row a byte, the leftmost pixel in the high bit;
// a 0 bit is drawn in the pattern colour.
constexpr uint8_t kPatternBits[18][8] = {
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

// A palette of 56 colours that differ from each other and from the panel's own greys.
TcxSSColorPanel::TPalette DistinctPalette() {
  TcxSSColorPanel::TPalette palette{};
  for (int i = 0; i < 56; ++i) palette[i] = RGBColor(10 + i * 4, 250 - i * 3, (i * 37) % 200 + 30);
  return palette;
}

QRgb Rgb(TColor color) { return ToQColor(color).rgb(); }

QPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

}  // namespace

class tst_cxSSColorBox : public QObject {
  Q_OBJECT

 private slots:
  void swatchesFollowTheGridOrder_data();
  void swatchesFollowTheGridOrder();
  void defaultPaletteSwatches();
  void patternPictures();
  void keyboardWalk_data();
  void keyboardWalk();
  void selectedColorRules();
  void mouseChoosesAndHotTracks();
  void comboDropsThePanelAndShowsTheChoice();
};

void tst_cxSSColorBox::swatchesFollowTheGridOrder_data() {
  QTest::addColumn<bool>("brushes");
  QTest::newRow("with brushes") << true;
  QTest::newRow("without brushes") << false;
}

void tst_cxSSColorBox::swatchesFollowTheGridOrder() {
  QFETCH(bool, brushes);
  TcxSSColorPanel panel;
  panel.SetIncludeBrushes(brushes);
  const TcxSSColorPanel::TPalette palette = DistinctPalette();
  panel.AssignPalette(palette);
  const QImage image = panel.grab().toImage();
  for (int position = 0; position < kColorSwatchCount; ++position) {
    const TRect rect = panel.ItemRect(panel.ColorIndex(position));
    QVERIFY2(rect.Right - rect.Left >= 4 && rect.Bottom - rect.Top >= 4, qPrintable(QString::number(position)));
    QCOMPARE(image.pixel(Centre(rect)), Rgb(palette[kColorGridOrder[position] - 8]));
  }
  // Eight to a row, rows top to bottom, columns left to right.
  for (int position = 1; position < kColorSwatchCount; ++position) {
    const TRect prev = panel.ItemRect(panel.ColorIndex(position - 1));
    const TRect cur = panel.ItemRect(panel.ColorIndex(position));
    if (position % 8 == 0) {
      QVERIFY(cur.Top > prev.Bottom);
    } else {
      QCOMPARE(cur.Top, prev.Top);
      QVERIFY(cur.Left > prev.Right);
    }
  }
}

void tst_cxSSColorBox::defaultPaletteSwatches() {
  // The first row of the usual picker: black, brown, olive, dark green, dark teal, dark blue,
  // indigo, grey 80 %; the second row starts with dark red and orange.
  TcxSSColorPanel panel;
  const QImage image = panel.grab().toImage();
  const std::array<std::pair<int, QRgb>, 10> expected = {{
      {0, qRgb(0, 0, 0)}, {1, qRgb(0x99, 0x33, 0x00)}, {2, qRgb(0x33, 0x33, 0x00)},
      {3, qRgb(0x00, 0x33, 0x00)}, {4, qRgb(0x00, 0x33, 0x66)}, {5, qRgb(0x00, 0x00, 0x80)},
      {6, qRgb(0x33, 0x33, 0x99)}, {7, qRgb(0x33, 0x33, 0x33)}, {8, qRgb(0x80, 0x00, 0x00)},
      {9, qRgb(0xFF, 0x66, 0x00)},
  }};
  for (const auto& [position, rgb] : expected)
    QCOMPARE(image.pixel(Centre(panel.ItemRect(panel.ColorIndex(position)))), rgb);
}

void tst_cxSSColorBox::patternPictures() {
  TcxSSColorPanel panel;
  const QImage image = panel.grab().toImage();
  for (int brush = 0; brush < kBrushSwatchCount; ++brush) {
    const TRect rect = panel.ItemRect(brush);
    QVERIFY(rect.Right - rect.Left >= 8 && rect.Bottom - rect.Top >= 8);
    for (int y = rect.Top; y <= rect.Bottom; ++y) {
      for (int x = rect.Left; x <= rect.Right; ++x) {
        const bool black = (kPatternBits[brush][y % 8] & (0x80 >> (x % 8))) == 0;
        if (image.pixel(x, y) != (black ? qRgb(0, 0, 0) : qRgb(255, 255, 255)))
          QFAIL(qPrintable(QString("pattern %1 at %2,%3").arg(brush).arg(x).arg(y)));
      }
    }
  }
}

void tst_cxSSColorBox::keyboardWalk_data() {
  QTest::addColumn<bool>("brushes");
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("expected");
  const int up = Qt::Key_Up, down = Qt::Key_Down, left = Qt::Key_Left, right = Qt::Key_Right;
  // Without brushes: 0 "Automatic", 1–56 the colours.
  QTest::newRow("up from the third swatch of the first row") << false << 3 << up << 1;
  QTest::newRow("up from the eighth swatch of the first row") << false << 8 << up << 1;
  QTest::newRow("up from the first swatch") << false << 1 << up << 56;
  QTest::newRow("up from Automatic") << false << 0 << up << 56;
  QTest::newRow("up from the second row") << false << 10 << up << 2;
  QTest::newRow("down from Automatic") << false << 0 << down << 1;
  QTest::newRow("down a row") << false << 5 << down << 13;
  QTest::newRow("down from the last row wraps") << false << 50 << down << 0;
  QTest::newRow("right from the last wraps") << false << 56 << right << 0;
  QTest::newRow("left from Automatic wraps") << false << 0 << left << 56;
  // With brushes: 0–17 the patterns, 18 "Automatic", 19–74 the colours.
  QTest::newRow("brushes: up from the first pattern row") << true << 5 << up << 74;
  QTest::newRow("brushes: up a pattern row") << true << 14 << up << 8;
  QTest::newRow("brushes: up from Automatic") << true << 18 << up << 12;
  QTest::newRow("brushes: up from the first colour row") << true << 22 << up << 18;
  QTest::newRow("brushes: up a colour row") << true << 30 << up << 22;
  QTest::newRow("brushes: down a pattern row") << true << 3 << down << 9;
  QTest::newRow("brushes: down from the last pattern row") << true << 12 << down << 18;
  QTest::newRow("brushes: down from Automatic") << true << 18 << down << 19;
  QTest::newRow("brushes: down a colour row") << true << 20 << down << 28;
  QTest::newRow("brushes: down past the end wraps") << true << 70 << down << 0;
  QTest::newRow("brushes: right from the last pattern") << true << 17 << right << 18;
}

void tst_cxSSColorBox::keyboardWalk() {
  QFETCH(bool, brushes);
  QFETCH(int, start);
  QFETCH(int, key);
  QFETCH(int, expected);
  TcxSSColorPanel panel;
  panel.SetIncludeBrushes(brushes);
  panel.show();
  QVERIFY(QTest::qWaitForWindowExposed(&panel));
  QTest::mouseMove(&panel, QPoint(Centre(panel.ItemRect(start)).x(), Centre(panel.ItemRect(start)).y()));
  QCOMPARE(panel.HotIndex(), start);
  QTest::keyClick(&panel, static_cast<Qt::Key>(key));
  QCOMPARE(panel.HotIndex(), expected);
}

void tst_cxSSColorBox::selectedColorRules() {
  TcxSSColorPanel panel;
  int changes = 0;
  panel.OnChange = [&] { ++changes; };
  panel.SetAutomaticColor(57);
  panel.SetSelectedColor(10);
  QCOMPARE(panel.SelectedColor(), uint8_t(10));
  QCOMPARE(changes, 1);
  panel.SetSelectedColor(10);  // a choice reports even when nothing changed
  QCOMPARE(changes, 2);
  panel.SetSelectedColor(57);  // the automatic colour: "Automatic", quietly
  QCOMPARE(panel.SelectedColor(), kSelectedAutomatic);
  QCOMPARE(changes, 2);
  panel.SetSelectedColor(56);  // a position without a swatch
  QCOMPARE(panel.SelectedColor(), uint8_t(56));
  panel.SetAutomaticColor(0);
  panel.SetSelectedColor(57);
  QCOMPARE(panel.SelectedColor(), uint8_t(57));

  panel.SetSelectedBrush(fsGray50);
  QCOMPARE(panel.SelectedBrush(), fsGray50);
  panel.SetIncludeBrushes(false);
  QCOMPARE(panel.SelectedBrush(), fsSolid);
}

void tst_cxSSColorBox::mouseChoosesAndHotTracks() {
  TcxSSColorPanel panel;
  panel.AssignPalette(DistinctPalette());
  int changes = 0;
  panel.OnChange = [&] { ++changes; };
  panel.show();
  QVERIFY(QTest::qWaitForWindowExposed(&panel));

  const QPoint swatch = Centre(panel.ItemRect(panel.ColorIndex(12)));
  QTest::mouseMove(&panel, swatch);
  QCOMPARE(panel.HotIndex(), panel.ColorIndex(12));
  // The hot swatch gets a raised frame: its top-left corner pixel is highlighted, its colour
  // inside stays.
  QImage image = panel.grab().toImage();
  const TRect rect = panel.ItemRect(panel.ColorIndex(12));
  QCOMPARE(image.pixel(rect.Left - 1, rect.Top - 1), qRgb(255, 255, 255));
  QTest::mouseMove(&panel, QPoint(1, 1));
  QCOMPARE(panel.HotIndex(), -1);

  QTest::mouseClick(&panel, Qt::LeftButton, {}, swatch);
  QCOMPARE(panel.SelectedColor(), uint8_t(kColorGridOrder[12] - 8));
  QCOMPARE(changes, 1);
  QTest::mouseClick(&panel, Qt::LeftButton, {}, Centre(panel.ItemRect(panel.AutomaticIndex())));
  QCOMPARE(panel.SelectedColor(), kSelectedAutomatic);
  QCOMPARE(changes, 2);
  QTest::mouseClick(&panel, Qt::LeftButton, {}, Centre(panel.ItemRect(3)));
  QCOMPARE(panel.SelectedBrush(), fsGray25);
  QCOMPARE(changes, 3);
  // Enter chooses the hot item.
  QTest::mouseMove(&panel, Centre(panel.ItemRect(panel.ColorIndex(40))));
  QTest::keyClick(&panel, Qt::Key_Return);
  QCOMPARE(panel.SelectedColor(), uint8_t(kColorGridOrder[40] - 8));
  QCOMPARE(changes, 4);
}

void tst_cxSSColorBox::comboDropsThePanelAndShowsTheChoice() {
  QWidget window;
  auto* combo = new TcxSSColorComboBox(&window);
  combo->setGeometry(10, 10, 145, 24);
  const TcxSSColorPanel::TPalette palette = DistinctPalette();
  combo->AssignPalette(palette);
  combo->SetIncludeBrushes(false);
  int changes = 0;
  combo->OnChange = [&] { ++changes; };
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(combo->Popup()->size(), QSize(158, 175));

  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  QVERIFY(combo->DroppedDown());
  TcxSSColorPanel& panel = combo->Panel();
  QTest::keyClick(&panel, Qt::Key_Down);  // from no hot item to the first swatch
  QTest::keyClick(&panel, Qt::Key_Right);
  QTest::keyClick(&panel, Qt::Key_Return);
  QVERIFY(!combo->DroppedDown());
  QCOMPARE(changes, 1);
  QCOMPARE(combo->SelectedColor(), uint8_t(kColorGridOrder[1] - 8));
  const QImage image = combo->grab().toImage();
  QCOMPARE(image.pixel(10, 12), Rgb(palette[kColorGridOrder[1] - 8]));

  // Writing the combo's colour repaints it and reports once.
  combo->SetSelectedColor(5);
  QCOMPARE(changes, 2);
  QCOMPARE(combo->grab().toImage().pixel(10, 12), Rgb(palette[5]));

  // Any other key closes the pop-up without a choice.
  QTest::mouseClick(combo, Qt::LeftButton);
  QVERIFY(combo->DroppedDown());
  QTest::keyClick(&panel, Qt::Key_Escape);
  QVERIFY(!combo->DroppedDown());
  QCOMPARE(changes, 2);
}

QTEST_MAIN(tst_cxSSColorBox)
#include "tst_cxSSColorBox.moc"
