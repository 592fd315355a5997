// The format cells dialog driven through its real widgets by mouse and keyboard: every kind of
// property written to every cell of the range as one undo step, and kept by a save and reload;
// an untouched OK and Cancel change nothing; the border model's edge cases.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QScopeGuard>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "dialogs/cxSSColorBox.h"
#include "dialogs/cxSSCtrls.h"
#include "dialogs/cxSSDesigner.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "view/ViewTestSupport.h"

namespace {

using TDrive = std::function<void(TcxSSStyleDesigner&)>;

template <typename T>
T* Child(QWidget& dialog, const char* name) {
  T* widget = dialog.findChild<T*>(name);
  if (!widget) qFatal("no widget %s", name);
  return widget;
}

void Click(QWidget* widget, QPoint at = {}) {
  QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
}

void ShowTab(TcxSSStyleDesigner& dialog, int index) {
  auto* tabs = Child<QTabWidget>(dialog, "pcSheets");
  Click(tabs->tabBar(), tabs->tabBar()->tabRect(index).center());
  QCOMPARE(tabs->currentIndex(), index);
}

QPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// Chooses the item `index` of a colour combo box's drop-down panel by mouse.
void ChooseFromCombo(TcxSSColorComboBox* combo, int index) {
  Click(combo);
  QVERIFY(combo->DroppedDown());
  Click(&combo->Panel(), Centre(combo->Panel().ItemRect(index)));
  QVERIFY(!combo->DroppedDown());
}

// Opens the font dialog with the Font tab's button and there chooses only a colour: the item
// `index` of its colour panel. The colour list first shows `shownFirst`.
void ChooseFontColourOnly(TcxSSStyleDesigner& dialog, int index, uint8_t shownFirst) {
  QTimer::singleShot(0, [index, shownFirst] {
    auto* fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    QVERIFY(fonts);
    const auto close = qScopeGuard([fonts] {
      if (fonts->isVisible()) fonts->accept();
    });
    auto* fontColor = fonts->findChild<TcxSSColorComboBox*>("cbxFontColor");
    QVERIFY(fontColor);
    QCOMPARE(fontColor->SelectedColor(), shownFirst);
    ChooseFromCombo(fontColor, fontColor->Panel().ColorIndex(index));
  });
  Click(Child<QPushButton>(dialog, "btnFont"));
}

// Chooses a line style by clicking its cell of the line style grid (column, row).
void ChooseLineStyle(TcxSSStyleDesigner& dialog, int col, int row) {
  QWidget* grid = Child<QWidget>(dialog, "drwgLineStyle");
  Click(grid, QPoint(1 + col * 62 + 31, 1 + row * 21 + 10));
}

// The looks of a block of cells, to compare before and after.
std::vector<TcxSSStyleRec> Looks(TcxSSDataStorage& storage, const TRect& area) {
  std::vector<TcxSSStyleRec> looks;
  TcxSSCellObject cell(storage, area.Left, area.Top);
  for (int col = area.Left; col <= area.Right; ++col)
    for (int row = area.Top; row <= area.Bottom; ++row) {
      cell.MoveTo(col, row);
      looks.push_back(cell.Style().Rec());
    }
  return looks;
}

bool SameLooks(const std::vector<TcxSSStyleRec>& a, const std::vector<TcxSSStyleRec>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!a[i].SameStyle(b[i])) {
      qWarning("look %d differs", int(i));
      return false;
    }
  return true;
}

}  // namespace

class tst_cxSSStyleDesigner : public QObject {
  Q_OBJECT

  // Runs the workbook's FormatCells on `cells` with the style designer, which `drive` works
  // while it is shown; `drive` ends by pressing OK or Cancel.
  static void Run(TViewFixture& f, const QString& cells, const TDrive& drive) {
    bool driven = false;
    f.Book->SetFormatDialogClass([&f] { return std::make_unique<TcxSSStyleDesigner>(f.Control.get()); });
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<TcxSSStyleDesigner*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), QString("Format cells"));
      drive(*dialog);
      driven = true;
      if (dialog->isVisible()) dialog->reject();
    });
    f.Sheet().FormatCells(CellsOf(cells));
    QVERIFY(driven);
  }

  static void Press(TcxSSStyleDesigner& dialog, const char* button) {
    Click(Child<QPushButton>(dialog, button));
  }

  static void Prepare(TViewFixture& f) {
    f.SetText(1, 1, "1");
    f.Style(1, 1, [](TcxSSCellStyle& s) { s.Font().SetValues("Zof Missing Face", 10, 12, 1, kFontBold); });
    f.Style(2, 2, [](TcxSSCellStyle& s) {
      s.SetStoredFormat(2);
      s.Borders().Left().SetValues(lsDashed, 3);
    });
    f.Style(0, 0, [](TcxSSCellStyle& s) { s.Brush().SetValues(fsGray25, 5, 6); });
  }

 private slots:
  void untouchedOkAndCancelChangeNothing();
  void everyKindThroughTheWidgets();
  void fillColourOnlyChangesOnlyTheBrush();
  void bordersOfSmallAndLargeRanges();
  void formatListsAndTexts();
  void workbookPaletteAndSamples();
  void largerFontsKeepEveryControlWhole();
  void fontColourAloneKeepsAMissingFace();
  void extraAlignmentsRotationAndHalfPointSizesAreKept();
};

void tst_cxSSStyleDesigner::untouchedOkAndCancelChangeNothing() {
  TViewFixture f;
  Prepare(f);
  const TRect around = CellsOf("A1:E6");
  const auto before = Looks(f.Storage(), around);
  const auto steps = f.Book->History().UndoDescriptions();
  Run(f, "B2:C3", [](TcxSSStyleDesigner& d) { Press(d, "btnOk"); });
  QVERIFY(SameLooks(before, Looks(f.Storage(), around)));
  QCOMPARE(f.Book->History().UndoDescriptions(), steps);

  Run(f, "B2:C3", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 1);
    Click(Child<QCheckBox>(d, "chxWordWrap"));
    ShowTab(d, 2);
    Click(Child<QToolButton>(d, "btnOuter"));
    ShowTab(d, 3);
    auto* panel = Child<TcxSSColorPanel>(d, "cplPatColor");
    Click(panel, Centre(panel->ItemRect(panel->ColorIndex(10))));
    QVERIFY(d.Changes() != 0);
    Press(d, "btnCancel");
  });
  QVERIFY(SameLooks(before, Looks(f.Storage(), around)));
  QCOMPARE(f.Book->History().UndoDescriptions(), steps);

  // Escape is Cancel too.
  Run(f, "B2:C3", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 1);
    Click(Child<QCheckBox>(d, "chxWordWrap"));
    QTest::keyClick(&d, Qt::Key_Escape);
  });
  QVERIFY(SameLooks(before, Looks(f.Storage(), around)));
}

void tst_cxSSStyleDesigner::everyKindThroughTheWidgets() {
  TViewFixture f;
  Prepare(f);
  const TRect range = CellsOf("B2:C3");
  const auto before = Looks(f.Storage(), CellsOf("A1:E6"));
  QString fontFamily;
  Run(f, "B2:C3", [&](TcxSSStyleDesigner& d) {
    // Number format: Date/Time, then "dd/mm/yy" from the list.
    Click(Child<QRadioButton>(d, "rbDateTime"));
    auto* list = Child<TcxSSStyleListBox>(d, "lbStyleTypes");
    QVERIFY(list->isVisible());
    QCOMPARE(list->count(), 14);
    Click(list->viewport(), list->visualItemRect(list->item(1)).center());
    QCOMPARE(d.ChosenFormat(), TxlsDataFormat(164));

    // Alignment by keyboard, word wrap by mouse, the font through the font dialog.
    ShowTab(d, 1);
    auto* horz = Child<QComboBox>(d, "cbxHorzAlign");
    horz->setFocus();
    QTest::keyClick(horz, Qt::Key_Down);
    QTest::keyClick(horz, Qt::Key_Down);
    QCOMPARE(horz->currentText(), QString("Center"));
    auto* vert = Child<QComboBox>(d, "cbxVertAlign");
    vert->setFocus();
    QTest::keyClick(vert, Qt::Key_Up);
    QCOMPARE(vert->currentText(), QString("Top"));
    Click(Child<QCheckBox>(d, "chxWordWrap"));
    QTimer::singleShot(0, [&] {
      auto* fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
      QVERIFY(fonts);
      const auto close = qScopeGuard([fonts] {
        if (fonts->isVisible()) fonts->accept();
      });
      QFont font = fonts->currentFont();
      for (const QString& family : QFontDatabase::families()) {
        if (family == font.family() || QFontDatabase::isPrivateFamily(family)) continue;
        font.setFamily(family);
        break;
      }
      font.setBold(false);
      font.setItalic(true);
      font.setPointSize(14);
      fonts->setCurrentFont(font);
      fontFamily = fonts->currentFont().family();
      // The colour among the font dialog's effects: it starts at the cell's colour 12.
      auto* fontColor = fonts->findChild<TcxSSColorComboBox*>("cbxFontColor");
      QVERIFY(fontColor);
      QCOMPARE(fontColor->SelectedColor(), uint8_t(12));
      ChooseFromCombo(fontColor, fontColor->Panel().ColorIndex(8));  // kColorGridOrder[8] = 16
    });
    Click(Child<QPushButton>(d, "btnFont"));

    // Borders: a thick outline in colour 10, thin inner lines.
    ShowTab(d, 2);
    ChooseLineStyle(d, 1, 5);
    auto* color = Child<TcxSSColorComboBox>(d, "cbxBorderColor");
    ChooseFromCombo(color, color->Panel().ColorIndex(5));  // grid position 5 is colour 10
    QCOMPARE(color->SelectedColor(), uint8_t(10));
    Click(Child<QToolButton>(d, "btnOuter"));
    ChooseLineStyle(d, 0, 6);
    Click(Child<QToolButton>(d, "btnInner"));

    // Patterns: background 46, a 50 % grey pattern in colour 42.
    ShowTab(d, 3);
    auto* panel = Child<TcxSSColorPanel>(d, "cplPatColor");
    Click(panel, Centre(panel->ItemRect(panel->ColorIndex(14))));  // kColorGridOrder[14] = 54
    auto* pattern = Child<TcxSSColorComboBox>(d, "cbxPattern");
    ChooseFromCombo(pattern, 2);
    ChooseFromCombo(pattern, pattern->Panel().ColorIndex(18));  // kColorGridOrder[18] = 50: colour 42
    QCOMPARE(pattern->SelectedBrush(), fsGray50);
    Press(d, "btnOk");
  });

  const auto check = [&](TcxSSDataStorage& storage, const QString& when) {
    TcxSSCellObject cell(storage, 0, 0);
    for (int col = range.Left; col <= range.Right; ++col) {
      for (int row = range.Top; row <= range.Bottom; ++row) {
        cell.MoveTo(col, row);
        TcxSSCellStyle& s = cell.Style();
        const QString at = QString("%1 cell %2,%3").arg(when).arg(col).arg(row);
        QVERIFY2(s.StoredFormat() == 164, qPrintable(at));
        QVERIFY2(s.HorzTextAlign() == haCENTER, qPrintable(at));
        QVERIFY2(s.VertTextAlign() == vaTOP, qPrintable(at));
        QVERIFY2(s.WordBreak(), qPrintable(at));
        QVERIFY2(s.Font().Size() == 14, qPrintable(at));
        // Italic added; bold, which the dialog could not show for the missing face, kept.
        QVERIFY2(s.Font().Style() == (kFontBold | kFontItalic), qPrintable(at));
        QVERIFY2(QString::fromStdString(s.Font().Name()) == fontFamily, qPrintable(at));
        QVERIFY2(s.Font().FontColor() == 8, qPrintable(at));
        QVERIFY2(s.Brush().Style() == fsGray50, qPrintable(at));
        QVERIFY2(s.Brush().BackgroundColor() == 46, qPrintable(at));
        QVERIFY2(s.Brush().ForegroundColor() == 42, qPrintable(at));
      }
    }
    // Edges: (column, row, edge) → style; the outline's right and bottom lines are the left and
    // top edges of the cells beyond the range.
    struct TEdge {
      const char* Cell;
      TcxSSEdgeIndex Edge;
      TcxSSEdgeLineStyle Style;
    };
    constexpr TEdge kEdges[] = {
        {"B2", eLeft, lsThick}, {"B3", eLeft, lsThick}, {"B2", eTop, lsThick},
        {"C2", eTop, lsThick},  {"D2", eLeft, lsThick}, {"D3", eLeft, lsThick},
        {"B4", eTop, lsThick},  {"C4", eTop, lsThick},  {"C2", eLeft, lsThin},
        {"C3", eLeft, lsThin},  {"B3", eTop, lsThin},   {"C3", eTop, lsThin},
        {"C3", eRight, lsThick}, {"C3", eBottom, lsThick}, {"B2", eRight, lsThin},
    };
    for (const TEdge& e : kEdges) {
      const TRect c = CellsOf(e.Cell);
      cell.MoveTo(c.Left, c.Top);
      TcxSSEdgeStyle& edge = cell.Style().Borders().Edges(e.Edge);
      QVERIFY2(edge.Style() == e.Style && edge.Color() == 10,
               qPrintable(QString("%1 %2 edge %3: %4/%5").arg(when, e.Cell).arg(e.Edge).arg(edge.Style()).arg(edge.Color())));
    }
    // Outside the range and its borders nothing moved.
    cell.MoveTo(0, 0);
    QVERIFY2(cell.Style().Brush().Style() == fsGray25, qPrintable(when));
    cell.MoveTo(4, 4);
    QVERIFY2(cell.Style().Font().Size() != 14, qPrintable(when));
  };
  check(f.Storage(), "after OK");
  const auto after = Looks(f.Storage(), CellsOf("A1:E6"));
  QCOMPARE(f.Book->History().UndoDescriptions().front(), std::string("Format cells"));
  f.Book->History().Undo(1);
  QVERIFY(SameLooks(before, Looks(f.Storage(), CellsOf("A1:E6"))));
  f.Book->History().Redo(1);
  QVERIFY(SameLooks(after, Looks(f.Storage(), CellsOf("A1:E6"))));

  QTemporaryDir dir;
  const std::string path = (dir.path() + "/format.xls").toStdString();
  f.Book->SaveToFile(path);
  TViewFixture reloaded;
  reloaded.Book->LoadFromFile(path);
  check(reloaded.Storage(), "after reload");
}

void tst_cxSSStyleDesigner::fillColourOnlyChangesOnlyTheBrush() {
  TViewFixture f;
  Prepare(f);
  const TRect range = CellsOf("A1:C3");
  const auto before = Looks(f.Storage(), range);
  Run(f, "A1:C3", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 3);
    auto* panel = Child<TcxSSColorPanel>(d, "cplPatColor");
    panel->setFocus();
    // Keyboard: from no hot item Down goes to the first swatch, Right to the second, Enter.
    QTest::keyClick(panel, Qt::Key_Down);
    QTest::keyClick(panel, Qt::Key_Right);
    QTest::keyClick(panel, Qt::Key_Return);
    QCOMPARE(d.Changes(), uint16_t(1u << TcxSSStyleDesigner::tagPatColor));
    Press(d, "btnOk");
  });
  const auto after = Looks(f.Storage(), range);
  for (size_t i = 0; i < after.size(); ++i) {
    TcxSSStyleRec expected = before[i];
    QCOMPARE(after[i].BackgroundColor, TcxSSColor(kColorGridOrder[1] - 8));
    // The brush of the top-left cell (A1: a 25 % grey in colour 6) goes to every cell.
    QCOMPARE(after[i].BrushStyle, fsGray25);
    QCOMPARE(after[i].ForegroundColor, TcxSSColor(6));
    expected.BrushStyle = after[i].BrushStyle;
    expected.BackgroundColor = after[i].BackgroundColor;
    expected.ForegroundColor = after[i].ForegroundColor;
    QVERIFY2(expected.SameStyle(after[i]), qPrintable(QString::number(i)));
  }
}

void tst_cxSSStyleDesigner::bordersOfSmallAndLargeRanges() {
  TViewFixture f;
  // One cell: the inner buttons are off, the preview's right line is V[1]; a second press of
  // the same border removes it.
  Run(f, "B2", [](TcxSSStyleDesigner& d) {
    QVERIFY(!Child<QToolButton>(d, "btnInner")->isEnabled());
    QVERIFY(!Child<QToolButton>(d, "btnVMiddle")->isEnabled());
    QVERIFY(!Child<QToolButton>(d, "btnMiddle")->isEnabled());
    ShowTab(d, 2);
    ChooseLineStyle(d, 1, 4);  // medium
    Click(Child<QToolButton>(d, "btnRight"));
    QCOMPARE(d.VerticalLines()[1].Style, lsMedium);
    Click(Child<QToolButton>(d, "btnTop"));
    Click(Child<QToolButton>(d, "btnTop"));
    QCOMPARE(d.HorizontalLines()[0].Style, lsNone);
    // A click on the preview's bottom line toggles it.
    QWidget* preview = Child<QWidget>(d, "ppPaintBorders");
    Click(preview, QPoint(preview->width() / 2, preview->height() - 20));
    QCOMPARE(d.HorizontalLines()[1].Style, lsMedium);
    // The line style grid by keyboard: to the top of the first column ("None"), right to the
    // second column, down to the thick line.
    QWidget* grid = Child<QWidget>(d, "drwgLineStyle");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Left);
    for (int i = 0; i < 7; ++i) QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Right);
    for (int i = 0; i < 5; ++i) QTest::keyClick(grid, Qt::Key_Down);
    Click(Child<QToolButton>(d, "btnLeft"));
    QCOMPARE(d.VerticalLines()[0].Style, lsThick);
    Press(d, "btnOk");
  });
  {
    TcxSSCellObject cell(f.Storage(), 1, 1);
    QCOMPARE(cell.Style().Borders().Top().Style(), lsDefault);
    QCOMPARE(cell.Style().Borders().Right().Style(), lsMedium);
    QCOMPARE(cell.Style().Borders().Bottom().Style(), lsMedium);
    QCOMPARE(cell.Style().Borders().Left().Style(), lsThick);
  }
  // Outline on 3 × 3, then None on the same range removes every line again.
  Run(f, "B6:D8", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 2);
    ChooseLineStyle(d, 0, 6);
    Click(Child<QToolButton>(d, "btnOuter"));
    Press(d, "btnOk");
  });
  TcxSSCellObject cell(f.Storage(), 0, 0);
  for (int row = 5; row <= 7; ++row) {
    cell.MoveTo(4, row);
    QCOMPARE(cell.Style().Borders().Left().Style(), lsThin);
    cell.MoveTo(2, row);
    QCOMPARE(cell.Style().Borders().Left().Style(), lsDefault);
  }
  for (int col = 1; col <= 3; ++col) {
    cell.MoveTo(col, 8);
    QCOMPARE(cell.Style().Borders().Top().Style(), lsThin);
    cell.MoveTo(col, 6);
    QCOMPARE(cell.Style().Borders().Top().Style(), lsDefault);
  }
  Run(f, "B6:D8", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 2);
    Click(Child<QToolButton>(d, "btnNone"));
    Press(d, "btnOk");
  });
  for (int row = 5; row <= 7; ++row) {
    cell.MoveTo(4, row);
    QCOMPARE(cell.Style().Borders().Left().Style(), lsDefault);
  }
}

void tst_cxSSStyleDesigner::formatListsAndTexts() {
  TViewFixture f;
  f.Style(1, 1, [](TcxSSCellStyle& s) { s.SetStoredFormat(7); });
  Run(f, "B2", [](TcxSSStyleDesigner& d) {
    // A currency cell opens on the currency list with its format selected.
    QVERIFY(Child<QRadioButton>(d, "rbCurrency")->isChecked());
    auto* list = Child<TcxSSStyleListBox>(d, "lbStyleTypes");
    QCOMPARE(list->count(), 7);
    QCOMPARE(list->currentItem()->text(), QString("_($#,##0.00_);($#,##0.00)"));
    QCOMPARE(d.Changes(), uint16_t(0));
    QCOMPARE(Child<QLabel>(d, "lbStyleDescription")->text(),
             QString("Currency formats are used for general monetary amounts."));
    const QStringList tabs = {"Cell style", "&Alignment", "&Border", "&Patterns"};
    auto* pages = Child<QTabWidget>(d, "pcSheets");
    for (int i = 0; i < 4; ++i) QCOMPARE(pages->tabText(i), tabs[i]);
    // Number: 15 formats, the first chosen; Text: no list, format 49.
    Click(Child<QRadioButton>(d, "rbNumber"));
    QCOMPARE(list->count(), 15);
    QCOMPARE(d.ChosenFormat(), TxlsDataFormat(1));
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(d.ChosenFormat(), TxlsDataFormat(48));
    Click(Child<QRadioButton>(d, "rbText"));
    QVERIFY(!list->isVisible());
    QCOMPARE(d.ChosenFormat(), TxlsDataFormat(49));
    Press(d, "btnOk");
  });
  TcxSSCellObject cell(f.Storage(), 1, 1);
  QCOMPARE(cell.Style().StoredFormat(), TxlsDataFormat(49));
}

void tst_cxSSStyleDesigner::workbookPaletteAndSamples() {
  // A workbook with a palette of its own (as a file's PALETTE record gives it): the pickers and
  // the pattern sample show its colours.
  TViewFixture f;
  TcxSpreadSheetBook::TPalette palette = f.Book->Palette();
  palette[10] = RGBColor(1, 2, 3);
  palette[20] = RGBColor(200, 100, 50);
  f.Book->SetPalette(palette);
  Run(f, "B2", [&](TcxSSStyleDesigner& d) {
    ShowTab(d, 3);
    auto* panel = Child<TcxSSColorPanel>(d, "cplPatColor");
    const int position10 = 5;  // kColorGridOrder[5] = 18: colour 10
    QCOMPARE(kColorGridOrder[position10], uint8_t(18));
    QCOMPARE(panel->grab().toImage().pixel(Centre(panel->ItemRect(panel->ColorIndex(position10)))),
             ToQColor(palette[10]).rgb());
    // Background colour 10, a solid pattern: the sample is all colour 10.
    Click(panel, Centre(panel->ItemRect(panel->ColorIndex(position10))));
    QWidget* sample = Child<QWidget>(d, "ppPattern");
    QImage image = sample->grab().toImage();
    QCOMPARE(image.pixel(5, 5), ToQColor(palette[10]).rgb());
    // Vertical stripes in colour 20 over it: columns alternate in pairs.
    auto* pattern = Child<TcxSSColorComboBox>(d, "cbxPattern");
    ChooseFromCombo(pattern, fsVertStrip);
    const auto at20 = std::find(kColorGridOrder.begin(), kColorGridOrder.end(), 28) - kColorGridOrder.begin();
    ChooseFromCombo(pattern, pattern->Panel().ColorIndex(static_cast<int>(at20)));
    image = sample->grab().toImage();
    int striped = 0;
    for (int x = 0; x < 8; ++x) {
      const QRgb pixel = image.pixel(x, 3);
      QVERIFY(pixel == ToQColor(palette[10]).rgb() || pixel == ToQColor(palette[20]).rgb());
      striped += pixel == ToQColor(palette[20]).rgb();
    }
    QCOMPARE(striped, 4);
    Press(d, "btnOk");
  });
  TcxSSCellObject cell(f.Storage(), 1, 1);
  QCOMPARE(cell.Style().Brush().Style(), fsVertStrip);
  QCOMPARE(cell.Style().Brush().BackgroundColor(), TcxSSColor(10));
  QCOMPARE(cell.Style().Brush().ForegroundColor(), TcxSSColor(20));
}

void tst_cxSSStyleDesigner::largerFontsKeepEveryControlWhole() {
  // With a system font twice the usual size every page lays itself out so that no caption,
  // button or list is cut and no two controls overlap.
  const QFont usual = QApplication::font();
  QFont large = usual;
  large.setPointSizeF(usual.pointSizeF() * 2);
  QApplication::setFont(large);
  const auto restore = qScopeGuard([&] { QApplication::setFont(usual); });
  TViewFixture f;
  Run(f, "B2:C3", [](TcxSSStyleDesigner& d) {
    auto* pages = Child<QTabWidget>(d, "pcSheets");
    for (int page = 0; page < pages->count(); ++page) {
      pages->setCurrentIndex(page);
      QApplication::processEvents();
      QWidget* tab = pages->widget(page);
      QList<QWidget*> controls;
      for (QWidget* w : tab->findChildren<QWidget*>()) {
        if (!w->isVisible() || qobject_cast<QGroupBox*>(w) || w->parentWidget() == nullptr) continue;
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w))
          continue;
        const QSize need = w->minimumSizeHint();
        QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
                 qPrintable(QString("%1 on page %2: %3x%4 < %5x%6").arg(w->objectName()).arg(page)
                                .arg(w->width()).arg(w->height()).arg(need.width()).arg(need.height())));
        controls << w;
      }
      for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j) {
          const QRect a(controls[i]->mapTo(tab, QPoint(0, 0)), controls[i]->size());
          const QRect b(controls[j]->mapTo(tab, QPoint(0, 0)), controls[j]->size());
          QVERIFY2(!a.intersects(b), qPrintable(controls[i]->objectName() + " overlaps " + controls[j]->objectName()));
        }
    }
    Press(d, "btnCancel");
  });
}

void tst_cxSSStyleDesigner::fontColourAloneKeepsAMissingFace() {
  // A face this computer lacks shows as a substitute in the font dialog; choosing only a colour
  // there keeps the cells' own face, size and style.
  TViewFixture f;
  f.Style(1, 1, [](TcxSSCellStyle& s) { s.Font().SetValues("No Such Face Zq", 11, kColorAuto, 1, kFontBold); });
  Run(f, "B2", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 1);
    ChooseFontColourOnly(d, 13, kSelectedAutomatic);  // kColorGridOrder[13] = 12
    Press(d, "btnOk");
  });
  TcxSSCellObject cell(f.Storage(), 1, 1);
  QCOMPARE(cell.Style().Font().Name(), std::string("No Such Face Zq"));
  QCOMPARE(cell.Style().Font().Size(), 11);
  QCOMPARE(cell.Style().Font().Style(), kFontBold);
  QCOMPARE(cell.Style().Font().FontColor(), TcxSSColor(4));
}

void tst_cxSSStyleDesigner::extraAlignmentsRotationAndHalfPointSizesAreKept() {
  // A cell centred across the selection, turned 90 degrees, indented, in 8.5-point text: the
  // lists show its alignments; choosing another horizontal alignment and another text colour
  // through the font dialog keeps the rotation, the indent and the 8.5 points.
  TViewFixture f;
  f.Style(1, 1, [](TcxSSCellStyle& s) {
    TcxSSStyleRec rec = s.Rec();
    rec.HorzTextAlign = haCENTERACROSS;
    rec.VertTextAlign = vaDISTRIBUTED;
    rec.Rotation = 90;
    rec.Indent = 2;
    s.ApplyStyleRec(rec, false);
    s.Font().SetValuesOfHeight("Arial", 170, kColorAuto, 1, 0);
  });
  Run(f, "B2", [](TcxSSStyleDesigner& d) {
    ShowTab(d, 1);
    auto* horz = Child<QComboBox>(d, "cbxHorzAlign");
    QCOMPARE(horz->currentText(), QString("Center Across Selection"));
    QCOMPARE(Child<QComboBox>(d, "cbxVertAlign")->currentText(), QString("Distributed"));
    horz->setFocus();
    QTest::keyClick(horz, Qt::Key_Down);
    QCOMPARE(horz->currentText(), QString("Distributed"));
    ChooseFontColourOnly(d, 13, kSelectedAutomatic);  // kColorGridOrder[13] = 12
    Press(d, "btnOk");
  });
  const TcxSSStyleRec& rec = *f.Storage().CellRef(1, 1).Style;
  QCOMPARE(rec.Font->FontColor, TcxSSColor(4));
  QCOMPARE(rec.HorzTextAlign, haDISTRIBUTED);
  QCOMPARE(rec.VertTextAlign, vaDISTRIBUTED);
  QCOMPARE(int(rec.Rotation), 90);
  QCOMPARE(int(rec.Indent), 2);
  QCOMPARE(rec.Font->Height, int16_t{170});
}

QTEST_MAIN(tst_cxSSStyleDesigner)
#include "tst_cxSSStyleDesigner.moc"
