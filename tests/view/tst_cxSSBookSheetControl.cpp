// The sheet's interaction, driven by real key and mouse events on the workbook control: mouse
// selection (click, drag with automatic scrolling, headers, the right button), keyboard
// navigation and Shift extension (hidden columns and rows, merged areas), resizing columns and
// rows by their header edges (cursors, undo), and in-grid editing (typing, F2, double-click,
// Enter, Escape, the keys the editor passes back, parse errors, protection, OnEditing).
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "ViewTestSupport.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "view/cxSSCursors.h"
#include "view/cxSSInplaceTextEdit.h"

namespace {

// A plain sheet (no tab strip, only the vertical bar) on an active window, so that the keys
// and the focus behave as on a desktop. Columns are 85 pixels wide and rows 20 high after a
// row header of 85 and a column header of 20:
//        x: 85   170  255  340  425  510
//   y: 20  A1   B1   C1 ...
//      40  A2 ...
struct TSheetFixture : TViewFixture {
  TSheetFixture() {
    PlainSheet();
    Control->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Control.get()));
    Control->setFocus();
  }
  static QPoint CellPoint(int col, int row) { return QPoint(85 + 85 * col + 40, 20 + 20 * row + 10); }
  TRect Selection() const { return Sheet().Selection(); }
  void Select(const TRect& r) const { Sheet().SetSelection(r); }
  void Click(int col, int row, Qt::MouseButton button = Qt::LeftButton) const {
    QTest::mouseClick(Control.get(), button, {}, CellPoint(col, row));
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = {}) const {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Control.get();
    QTest::keyClick(target, Qt::Key(key), modifiers);
  }
  void Type(const QString& text) const {
    for (const QChar ch : text) {
      QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Control.get();
      QTest::keyClick(target, ch.toLatin1());
    }
  }
  void Move(QPoint point, Qt::MouseButtons buttons) const {
    QMouseEvent move(QEvent::MouseMove, QPointF(point), Control->mapToGlobal(QPointF(point)),
                     Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(Control.get(), &move);
  }
  TcxSSInplaceTextEdit* Editor() const { return Control->InplaceEditorIfMade(); }
  bool EditorShown() const { return Editor() && Editor()->isVisible(); }
  std::string Text(int col, int row) const { return Storage().GetEditText(col, row); }
  std::vector<std::string> UndoSteps() const { return Book->History().UndoDescriptions(); }
};

void SendKey(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  QKeyEvent event(type, key, modifiers);
  QApplication::sendEvent(target, &event);
}

// Keys written as "Shift+Right", "Ctrl+Home", "Tab" …, separated by spaces. The modifier keys
// are held down across a run of chords with the same modifiers, as a user holds Shift while
// pressing arrows.
void PressKeys(const QString& keys) {
  static const QMap<QString, int> names{
      {"Left", Qt::Key_Left},   {"Right", Qt::Key_Right},   {"Up", Qt::Key_Up},
      {"Down", Qt::Key_Down},   {"Home", Qt::Key_Home},     {"End", Qt::Key_End},
      {"PgUp", Qt::Key_PageUp}, {"PgDn", Qt::Key_PageDown}, {"Enter", Qt::Key_Return},
      {"Tab", Qt::Key_Tab},     {"Esc", Qt::Key_Escape},    {"A", Qt::Key_A}};
  Qt::KeyboardModifiers held;
  const auto hold = [&](Qt::KeyboardModifiers modifiers) {
    if (modifiers == held) return;
    if (held & Qt::ShiftModifier) SendKey(QEvent::KeyRelease, Qt::Key_Shift, {});
    if (held & Qt::ControlModifier) SendKey(QEvent::KeyRelease, Qt::Key_Control, {});
    held = modifiers;
    if (held & Qt::ShiftModifier) SendKey(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    if (held & Qt::ControlModifier) SendKey(QEvent::KeyPress, Qt::Key_Control, held);
  };
  for (const QString& chord : keys.split(' ', Qt::SkipEmptyParts)) {
    QStringList parts = chord.split('+');
    const QString keyName = parts.takeLast();
    Qt::KeyboardModifiers modifiers;
    for (const QString& m : parts) modifiers |= m == "Shift" ? Qt::ShiftModifier : Qt::ControlModifier;
    QVERIFY2(names.contains(keyName), qPrintable(keyName));
    int key = names.value(keyName);
    if (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier)) key = Qt::Key_Backtab;
    hold(modifiers);
    SendKey(QEvent::KeyPress, key, modifiers);
    SendKey(QEvent::KeyRelease, key, modifiers);
  }
  hold({});
}

}  // namespace

Q_DECLARE_METATYPE(TRect)

class TestSheetControl : public QObject {
  Q_OBJECT

private slots:
  // --- Mouse selection -----------------------------------------------------------------------

  void clickSelectsTheCell() {
    TSheetFixture f;
    int notified = 0;
    f.Book->OnSetSelection = [&](TcxCustomSpreadSheetBook&, TcxSSBookSheet&) { ++notified; };
    f.Click(2, 3);
    QCOMPARE(f.Selection(), (TRect{2, 3, 2, 3}));
    QCOMPARE(notified, 1);
    QCOMPARE(f.SheetControl().MouseAnchor(), (TPoint{2, 3}));
    // Shift does not extend a click.
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, Qt::ShiftModifier, f.CellPoint(4, 5));
    QCOMPARE(f.Selection(), (TRect{4, 5, 4, 5}));
    // A merged area is taken whole.
    f.Sheet().MergeCells({1, 1, 2, 2}, true);
    f.Click(2, 2);
    QCOMPARE(f.Selection(), (TRect{1, 1, 2, 2}));
    QCOMPARE(f.Storage().SelectionKind(), 2);
  }

  void refusedActiveCellKeepsTheSelection() {
    TSheetFixture f;
    f.Book->OnActiveCellChanging = [](TcxSSBookSheet&, TPoint cell, bool& can) { can = cell.X < 3; };
    f.Click(2, 2);
    QCOMPARE(f.Selection(), (TRect{2, 2, 2, 2}));
    f.Click(4, 2);
    QCOMPARE(f.Selection(), (TRect{2, 2, 2, 2}));
    PressKeys("Right Right");
    QCOMPARE(f.Selection(), (TRect{2, 2, 2, 2}));
  }

  void dragSelectsFromTheAnchor() {
    TSheetFixture f;
    QTest::mousePress(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(2, 2));
    f.Move(f.CellPoint(3, 5), Qt::LeftButton);
    QCOMPARE(f.Selection(), (TRect{2, 2, 3, 5}));
    // Back over the anchor to the other side: the anchor stays a corner.
    f.Move(f.CellPoint(0, 1), Qt::LeftButton);
    QCOMPARE(f.Selection(), (TRect{0, 1, 2, 2}));
    // Over the column header the row becomes the first one.
    f.Move(QPoint(f.CellPoint(3, 0).x(), 5), Qt::LeftButton);
    QCOMPARE(f.Selection(), (TRect{2, 0, 3, 2}));
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(3, 0));
    QCOMPARE(f.SheetControl().State(), 0);
    // Without a button, moving selects nothing.
    f.Move(f.CellPoint(5, 6), Qt::NoButton);
    QCOMPARE(f.Selection(), (TRect{2, 0, 3, 2}));
  }

  void dragBeyondTheDataAreaScrolls() {
    TSheetFixture f;
    QTest::mousePress(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    const int below = f.SheetControl().Height() + 10;
    f.Move(QPoint(200, below), Qt::LeftButton);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 1);
    QVERIFY(f.Control->AutoScrollTimer().isActive());
    // Each tick repeats the move: one more row each time, and the selection follows.
    f.Control->TimerTick();
    f.Control->TimerTick();
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 3);
    QCOMPARE(f.Selection().Top, 1);
    QVERIFY(f.Selection().Bottom >= 3 + 18);
    // Left of the data area: a column to the left, but not before column A.
    f.Move(QPoint(40, 200), Qt::LeftButton);
    QCOMPARE(f.ViewInfo().GetTopLeft().X, 0);
    f.Move(QPoint(f.SheetControl().Width() + 5, 200), Qt::LeftButton);
    QCOMPARE(f.ViewInfo().GetTopLeft().X, 1);
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, QPoint(200, 200));
    QVERIFY(!f.Control->AutoScrollTimer().isActive());
  }

  void headersAndTheRightButton() {
    TSheetFixture f;
    f.Select({1, 1, 3, 3});
    // A left click on a header or the corner selects nothing.
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, QPoint(f.CellPoint(4, 0).x(), 10));
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, QPoint(40, f.CellPoint(0, 6).y()));
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, QPoint(40, 10));
    QCOMPARE(f.Selection(), (TRect{1, 1, 3, 3}));
    // The right button keeps a range and asks for the pop-up menu at the screen point.
    QList<QPoint> popups;
    f.Book->OnSheetPopupMenu = [&](TcxCustomSpreadSheetBook&, int x, int y) { popups.append({x, y}); };
    f.Click(5, 5, Qt::RightButton);
    QCOMPARE(f.Selection(), (TRect{1, 1, 3, 3}));
    QCOMPARE(popups.value(0), f.Control->mapToGlobal(f.CellPoint(5, 5)));
    // From a single cell the right button selects the clicked cell first.
    f.Select({0, 0, 0, 0});
    f.Click(5, 5, Qt::RightButton);
    QCOMPARE(f.Selection(), (TRect{5, 5, 5, 5}));
    QCOMPARE(popups.size(), 2);
  }

  // The selected cells other than the active one are painted in the selection tint.
  void selectionIsTinted() {
    TSheetFixture f;
    QTest::mousePress(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    f.Move(f.CellPoint(2, 2), Qt::LeftButton);
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(2, 2));
    const QImage image = f.Grab();
    const QRgb tint = Rgb(TcxCanvasWrapper::SelectionBlend(f.Book->BackgroundColor(), f.Book->SelectionColor()));
    QCOMPARE(image.pixel(f.CellPoint(2, 2) + QPoint(20, 0)), tint);
    QCOMPARE(image.pixel(f.CellPoint(1, 2) + QPoint(20, 0)), tint);
    QCOMPARE(image.pixel(f.CellPoint(1, 1) + QPoint(20, 0)), Rgb(f.Book->BackgroundColor()));
    QCOMPARE(image.pixel(f.CellPoint(3, 3) + QPoint(20, 0)), Rgb(f.Book->BackgroundColor()));
  }

  // --- Keyboard navigation -------------------------------------------------------------------

  void keys_data() {
    QTest::addColumn<TRect>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<TRect>("expected");
    QTest::newRow("right") << TRect{0, 0, 0, 0} << "Right" << TRect{1, 0, 1, 0};
    QTest::newRow("down, up, left at the edge") << TRect{0, 0, 0, 0} << "Down Down Up Left" << TRect{0, 1, 0, 1};
    QTest::newRow("shift+right keeps the active cell") << TRect{2, 2, 2, 2} << "Shift+Right" << TRect{2, 2, 3, 2};
    QTest::newRow("shift+left shrinks back") << TRect{2, 2, 2, 2} << "Shift+Right Shift+Left" << TRect{2, 2, 2, 2};
    QTest::newRow("shift+up grows upwards") << TRect{2, 2, 2, 2} << "Shift+Up Shift+Up" << TRect{2, 0, 2, 2};
    QTest::newRow("right leaves a range past its edge") << TRect{0, 0, 1, 1} << "Right" << TRect{2, 0, 2, 0};
    QTest::newRow("down leaves a range below it") << TRect{1, 1, 2, 3} << "Down" << TRect{1, 4, 1, 4};
    QTest::newRow("left before a range") << TRect{2, 2, 4, 4} << "Left" << TRect{1, 2, 1, 2};
    QTest::newRow("enter") << TRect{3, 3, 3, 3} << "Enter" << TRect{3, 4, 3, 4};
    QTest::newRow("tab moves right, collapsing") << TRect{0, 0, 1, 1} << "Tab" << TRect{2, 0, 2, 0};
    QTest::newRow("shift+tab moves left") << TRect{3, 3, 3, 3} << "Shift+Tab" << TRect{2, 3, 2, 3};
    QTest::newRow("home") << TRect{4, 5, 4, 5} << "Home" << TRect{0, 5, 0, 5};
    QTest::newRow("ctrl+home") << TRect{4, 5, 6, 7} << "Ctrl+Home" << TRect{0, 0, 0, 0};
    QTest::newRow("end alone does nothing") << TRect{4, 5, 4, 5} << "End" << TRect{4, 5, 4, 5};
    QTest::newRow("escape collapses a range") << TRect{1, 1, 3, 3} << "Esc" << TRect{1, 1, 1, 1};
    QTest::newRow("shift+home extends") << TRect{3, 2, 3, 2} << "Shift+Home" << TRect{0, 2, 3, 2};
    // 380 pixels of rows: rows 0..18 are fully visible; the last one becomes the top row.
    QTest::newRow("page down") << TRect{0, 0, 0, 0} << "PgDn" << TRect{0, 18, 0, 18};
    QTest::newRow("page down and up") << TRect{0, 0, 0, 0} << "PgDn PgUp" << TRect{0, 0, 0, 0};
  }
  void keys() {
    QFETCH(TRect, start);
    QFETCH(QString, keys);
    QFETCH(TRect, expected);
    TSheetFixture f;
    f.Select(start);
    PressKeys(keys);
    QCOMPARE(f.Selection(), expected);
    QVERIFY(!f.EditorShown());
    // The active cell is in view.
    const TPoint first = f.ViewInfo().GetTopLeft();
    const TPoint last = f.ViewInfo().GetBottomRight();
    QVERIFY(expected.Left >= first.X && expected.Left <= last.X);
    QVERIFY(expected.Top >= first.Y && expected.Top <= last.Y);
    QCOMPARE(f.Control->VertScrollBar()->value(), first.Y);
  }

  void hiddenColumnsAndRows() {
    TSheetFixture f;
    f.Sheet().ColumnHeader().SetVisible(0, false);
    f.Sheet().RowHeader().SetVisible(0, false);
    f.Sheet().RowHeader().SetVisible(3, false);
    f.Select({3, 2, 3, 2});
    PressKeys("Ctrl+Home");
    QCOMPARE(f.Selection(), (TRect{1, 1, 1, 1}));
    // Down steps over the hidden row, Enter does not skip it.
    f.Select({1, 2, 1, 2});
    PressKeys("Down");
    QCOMPARE(f.Selection(), (TRect{1, 4, 1, 4}));
    f.Select({1, 2, 1, 2});
    PressKeys("Enter");
    QCOMPARE(f.Selection(), (TRect{1, 3, 1, 3}));
    // Left from column B stops at B: nothing visible before it.
    f.Select({1, 1, 1, 1});
    PressKeys("Left");
    QCOMPARE(f.Selection().Left, 1);
  }

  void ctrlEndGoesPastTheUsedArea() {
    TSheetFixture f;
    f.Book->LoadFromFile(ZOF_CORPUS_DIR "/libxls-iris-excel-xls.xls");
    const int cols = f.Storage().ColCount();
    const int rows = f.Storage().RowCount();
    QVERIFY(rows > 100);
    PressKeys("Ctrl+End");
    QCOMPARE(f.Selection(), (TRect{cols, rows, cols, rows}));
    // The view scrolled so that the cell is the last fully visible one.
    QCOMPARE(f.ViewInfo().GetBottomRight().Y, rows);
    PressKeys("Ctrl+Home");
    QCOMPARE(f.ViewInfo().GetTopLeft(), (TPoint{0, 0}));
  }

  // Shrinking a range steps over a merged area whole; growing continues after the area the
  // range already covers.
  void shiftArrowsOverMergedAreas_data() {
    QTest::addColumn<TRect>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<TRect>("expected");
    //        A    B    C    D
    //   1
    //   2         [B2:C3 merged]
    //   3
    QTest::newRow("grows into the area") << TRect{0, 1, 0, 1} << "Shift+Right" << TRect{0, 1, 2, 2};
    QTest::newRow("grows past the area") << TRect{0, 1, 0, 1} << "Shift+Right Shift+Right" << TRect{0, 1, 3, 2};
    QTest::newRow("shrinks back to its edge") << TRect{0, 1, 0, 1} << "Shift+Right Shift+Right Shift+Left"
                                              << TRect{0, 1, 2, 2};
    QTest::newRow("shrinks over the area whole") << TRect{0, 1, 0, 1}
                                                 << "Shift+Right Shift+Right Shift+Left Shift+Left"
                                                 << TRect{0, 1, 0, 1};
    QTest::newRow("grows down past it") << TRect{1, 0, 1, 0} << "Shift+Down Shift+Down" << TRect{1, 0, 2, 3};
    QTest::newRow("right leaves the area") << TRect{1, 1, 1, 1} << "Right" << TRect{3, 1, 3, 1};
    QTest::newRow("down leaves the area") << TRect{1, 1, 1, 1} << "Down" << TRect{1, 3, 1, 3};
  }
  void shiftArrowsOverMergedAreas() {
    QFETCH(TRect, start);
    QFETCH(QString, keys);
    QFETCH(TRect, expected);
    TSheetFixture f;
    f.Sheet().MergeCells({1, 1, 2, 2}, true);
    f.Select(start);
    PressKeys(keys);
    QCOMPARE(f.Selection(), expected);
  }

  void clipboardAndHistoryKeys() {
    TSheetFixture f;
    f.SetText(0, 0, "one");
    f.SetText(0, 1, "two");
    f.Select({0, 0, 0, 1});
    PressKeys("Ctrl+A");  // not a key of the control: the sheet collapses the range
    QCOMPARE(f.Selection(), (TRect{0, 0, 0, 0}));
    f.Select({0, 0, 0, 1});
    QTest::keyClick(f.Control.get(), Qt::Key_C, Qt::ControlModifier);
    f.Select({2, 3, 2, 3});
    QTest::keyClick(f.Control.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.Text(2, 3), std::string("one"));
    QCOMPARE(f.Text(2, 4), std::string("two"));
    QTest::keyClick(f.Control.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Text(2, 3), std::string());
    QTest::keyClick(f.Control.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.Text(2, 4), std::string("two"));
    // Delete clears the selected cells; Shift+Delete cuts.
    f.Select({2, 3, 2, 4});
    QTest::keyClick(f.Control.get(), Qt::Key_Delete);
    QCOMPARE(f.Text(2, 3), std::string());
    QCOMPARE(f.Text(2, 4), std::string());
    QCOMPARE(f.UndoSteps().front(), std::string("Clear cells"));
    f.Select({0, 0, 0, 0});
    QTest::keyClick(f.Control.get(), Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(f.Text(0, 0), std::string());
    f.Select({5, 5, 5, 5});
    QTest::keyClick(f.Control.get(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(f.Text(5, 5), std::string("one"));
  }

  void f9Recalculates() {
    TSheetFixture f;
    f.Book->SetAutoRecalc(false);
    f.SetText(0, 0, "2");
    f.SetText(1, 0, "=A1*10");
    f.Storage().SetCellText(0, 0, "5", false, false);
    QTest::keyClick(f.Control.get(), Qt::Key_F9);
    QCOMPARE(TcxSSCellObject(f.Storage(), 1, 0).DisplayText(), std::string("50"));
  }

  // --- Resizing ------------------------------------------------------------------------------

  void resizeByDraggingHeaderEdges_data() {
    QTest::addColumn<bool>("rows");
    QTest::addColumn<int>("dragged");
    // The edge between A and B lies at x = 170; the one between rows 1 and 2 at y = 40.
    QTest::newRow("column wider") << false << 30;
    QTest::newRow("column narrower") << false << -40;
    QTest::newRow("row taller") << true << 12;
    QTest::newRow("row to nothing") << true << -100;
    // A drag that ends where it began still leaves one more pixel.
    QTest::newRow("row, back where it began") << true << 0;
  }
  void resizeByDraggingHeaderEdges() {
    QFETCH(bool, rows);
    QFETCH(int, dragged);
    TSheetFixture f;
    TcxSSHeader& header = rows ? f.Sheet().RowHeader() : f.Sheet().ColumnHeader();
    const int before = header.VisibleSize(0);
    const QPoint edge = rows ? QPoint(40, 41) : QPoint(171, 10);
    const QPoint by = rows ? QPoint(0, dragged) : QPoint(dragged, 0);
    // Over the edge the pointer shows the split cursor.
    f.Move(edge, Qt::NoButton);
    const QCursor& split = rows ? VertSplitCursor() : HorzSplitCursor();
    QCOMPARE(f.Control->cursor().pixmap().cacheKey(), split.pixmap().cacheKey());
    QVERIFY(!split.pixmap().isNull());
    QTest::mousePress(f.Control.get(), Qt::LeftButton, {}, edge);
    QVERIFY(f.SheetControl().State() & TcxSSBookSheetControl::kStateResizing);
    f.Move(edge + by / 2 + QPoint(rows ? 0 : 1, rows ? 1 : 0), Qt::LeftButton);
    f.Move(edge + by, Qt::LeftButton);
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, edge + by);
    const int expected = std::max(before + dragged + 1, 0);
    QCOMPARE(header.GetItem(0).Size, uint16_t(expected));
    QCOMPARE(f.Selection(), (TRect{0, 0, 0, 0}));
    // The layout follows: the next column (row) starts where the resized one ends.
    const TcxSSInfoBrick& next = rows ? f.Brick(0, 2) : f.Brick(2, 0);
    if (expected > 0) QCOMPARE(rows ? next.CellRect.Top : next.CellRect.Left, (rows ? 20 : 85) + expected);
    // One step of the history, undone and redone.
    QCOMPARE(QString::fromStdString(f.UndoSteps().front()), rows ? QString("Resize row") : QString("Resize column"));
    QTest::keyClick(f.Control.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(header.GetItem(0).Size, uint16_t(before));
    QCOMPARE(header.GetItem(0), header.DefaultItem());
    QCOMPARE(rows ? f.Brick(0, 2).CellRect.Top : f.Brick(2, 0).CellRect.Left, (rows ? 20 : 85) + before);
    QTest::keyClick(f.Control.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(header.GetItem(0).Size, uint16_t(expected));
  }

  void resizeHandlerAndCellCursor() {
    TSheetFixture f;
    f.Book->OnResizeCol = [](TcxSSBookSheet&, int, uint16_t& size) { size = std::min<uint16_t>(size, 100); };
    QTest::mousePress(f.Control.get(), Qt::LeftButton, {}, QPoint(171, 10));
    f.Move(QPoint(171 + 60, 10), Qt::LeftButton);
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, QPoint(171 + 60, 10));
    QCOMPARE(f.Sheet().ColumnHeader().VisibleSize(0), 100);
    // Over a cell the pointer is the cell cursor "CR_SELECT".
    f.Move(f.CellPoint(3, 3), Qt::NoButton);
    QCOMPARE(f.Control->cursor().pixmap().cacheKey(), SelectCursor().pixmap().cacheKey());
    QCOMPARE(SelectCursor().hotSpot(), QPoint(16, 16));
    // A click on a resize zone selects nothing; a drag from it does not select either.
    f.Select({2, 2, 2, 2});
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, QPoint(40, 62));
    QCOMPARE(f.Selection(), (TRect{2, 2, 2, 2}));
    QCOMPARE(f.SheetControl().ResizeIsRow(), true);
    QCOMPARE(f.SheetControl().ResizeIndex(), 1);
  }

  // --- Editing -------------------------------------------------------------------------------

  void typingAndEnterCommit() {
    TSheetFixture f;
    f.Click(1, 1);
    f.Type("42");
    QVERIFY(f.EditorShown());
    QVERIFY(f.Editor()->hasFocus());
    QCOMPARE(f.Editor()->toPlainText(), QString("42"));
    // Over the cell: the editor starts at the cell's text position.
    QVERIFY(f.Editor()->geometry().intersects(QRect(170, 40, 85, 20)));
    QVERIFY(f.Editor()->width() >= 85 - 5);
    int ended = 0;
    f.Book->OnEndEdit = [&](TcxCustomSpreadSheetBook&) { ++ended; };
    f.Key(Qt::Key_Return);
    QVERIFY(!f.EditorShown());
    QVERIFY(f.Control->hasFocus());
    QCOMPARE(ended, 1);
    QCOMPARE(f.Text(1, 1), std::string("42"));
    QCOMPARE(f.Selection(), (TRect{1, 2, 1, 2}));
    QCOMPARE(f.UndoSteps(), std::vector<std::string>{"Change cells"});
    // The new text is laid out and painted.
    QCOMPARE(f.Brick(2, 2).TextParams.Lines.at(0).Text, QString("42"));
    QTest::keyClick(f.Control.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Text(1, 1), std::string());
  }

  void formulaEditRecalculates() {
    TSheetFixture f;
    f.SetText(0, 0, "1");
    f.SetText(0, 1, "2");
    f.SetText(0, 2, "3");
    f.Click(1, 3);
    f.Type("=SUM(A1:A3)");
    f.Key(Qt::Key_Return);
    QCOMPARE(TcxSSCellObject(f.Storage(), 1, 3).DisplayText(), std::string("6"));
    QCOMPARE(f.Text(1, 3), std::string("=SUM(A1:A3)"));
    // F2 opens the formula source with the caret at its start.
    f.Select({1, 3, 1, 3});
    f.Key(Qt::Key_F2);
    QVERIFY(f.EditorShown());
    QCOMPARE(f.Editor()->toPlainText(), QString("=SUM(A1:A3)"));
    QCOMPARE(f.Editor()->CaretPosition(), QPoint(0, 0));
    f.Key(Qt::Key_Escape);
    QVERIFY(!f.EditorShown());
  }

  void parseErrorIsReported() {
    TSheetFixture f;
    f.Click(0, 0);
    f.Type("=SUM(");
    f.Key(Qt::Key_Return);
    QVERIFY(!f.EditorShown());
    // The formula engine's own message names what is missing.
    QVERIFY(!Messages(*f.Book).Messages.empty());
    QCOMPARE(QString::fromStdString(Messages(*f.Book).Messages.front()), QString("Error - symbol ')' expected!"));
    QCOMPARE(f.Text(0, 0), std::string("=SUM("));
  }

  // Escape writes nothing: the cell keeps its value and kind (a text "007" is not read again as
  // the number 7) and no step is added.
  void escapeCancels() {
    TSheetFixture f;
    f.Storage().SetCellText(2, 2, "007", false, false);
    f.Book->History().Clear();
    f.Click(2, 2);
    f.Key(Qt::Key_F2);
    f.Type("123");
    QCOMPARE(f.Editor()->toPlainText(), QString("123007"));
    f.Key(Qt::Key_Escape);
    QVERIFY(!f.EditorShown());
    QCOMPARE(f.Text(2, 2), std::string("007"));
    QCOMPARE(f.Storage().CellRef(2, 2).Kind, ckText);
    QVERIFY(f.UndoSteps().empty());
    QCOMPARE(f.Selection(), (TRect{2, 2, 2, 2}));
  }

  void typedCharacterReplacesTheText() {
    TSheetFixture f;
    f.SetText(0, 0, "old");
    f.Click(0, 0);
    // A space does not open the editor.
    QTest::keyClick(f.Control.get(), Qt::Key_Space);
    QVERIFY(!f.EditorShown());
    f.Type("n");
    QCOMPARE(f.Editor()->toPlainText(), QString("n"));
    QCOMPARE(f.Editor()->CaretPosition(), QPoint(1, 0));
    f.Type("ew");
    // Tab commits and moves right.
    f.Key(Qt::Key_Tab);
    QCOMPARE(f.Text(0, 0), std::string("new"));
    QCOMPARE(f.Selection(), (TRect{1, 0, 1, 0}));
  }

  // The keys the editor passes back end the edit and move the active cell as on the sheet.
  void keysLeavingTheEditor_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("leaves");
    QTest::addColumn<TRect>("selection");
    QTest::newRow("left at the start") << "" << int(Qt::Key_Left) << true << TRect{1, 2, 1, 2};
    QTest::newRow("left inside the text") << "ab" << int(Qt::Key_Left) << false << TRect{2, 2, 2, 2};
    QTest::newRow("right at the end") << "ab" << int(Qt::Key_Right) << true << TRect{3, 2, 3, 2};
    QTest::newRow("up on the first line") << "ab" << int(Qt::Key_Up) << true << TRect{2, 1, 2, 1};
    QTest::newRow("down on the last line") << "ab" << int(Qt::Key_Down) << true << TRect{2, 3, 2, 3};
    QTest::newRow("home") << "ab" << int(Qt::Key_Home) << true << TRect{0, 2, 0, 2};
    QTest::newRow("end stays") << "ab" << int(Qt::Key_End) << false << TRect{2, 2, 2, 2};
  }
  void keysLeavingTheEditor() {
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, leaves);
    QFETCH(TRect, selection);
    TSheetFixture f;
    f.Click(2, 2);
    f.Key(Qt::Key_F2);
    f.Type(typed);
    QCOMPARE(f.Editor()->CaretPosition(), QPoint(int(typed.size()), 0));
    f.Key(key);
    QCOMPARE(!f.EditorShown(), leaves);
    QCOMPARE(f.Selection(), selection);
    if (leaves) QCOMPARE(f.Text(2, 2), typed.toStdString());
  }

  void altEnterBreaksTheLine() {
    TSheetFixture f;
    f.Click(0, 0);
    f.Type("ab");
    const int height = f.Editor()->height();
    f.Key(Qt::Key_Return, Qt::AltModifier);
    QVERIFY(f.EditorShown());
    QCOMPARE(f.Editor()->document()->blockCount(), 2);
    QVERIFY(f.Editor()->height() >= 2 * f.Editor()->LineHeight());
    QVERIFY(f.Editor()->height() >= height);
    f.Type("cd");
    f.Key(Qt::Key_Return);
    QCOMPARE(f.Text(0, 0), std::string("ab\ncd"));
    // Opened again, the line feed is a line break of the editor.
    f.Select({0, 0, 0, 0});
    f.Key(Qt::Key_F2);
    QCOMPARE(f.Editor()->document()->blockCount(), 2);
    QCOMPARE(f.Editor()->GetEditText(), std::string("ab\ncd"));
    f.Key(Qt::Key_Escape);
  }

  void doubleClickEdits() {
    TSheetFixture f;
    f.SetText(3, 3, "hello");
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(3, 3));
    QTest::mouseDClick(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(3, 3));
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(3, 3));
    QVERIFY(f.EditorShown());
    QVERIFY(f.Editor()->hasFocus());
    QCOMPARE(f.Editor()->toPlainText(), QString("hello"));
    QCOMPARE(f.SheetControl().State(), 0);
    // The text of the cell is not drawn under the editor.
    QVERIFY(f.Brick(4, 4).TextParams.Lines.empty());
    // A click elsewhere ends the edit, writing nothing new.
    f.Click(0, 0);
    QVERIFY(!f.EditorShown());
    QCOMPARE(f.Text(3, 3), std::string("hello"));
    QCOMPARE(f.Brick(4, 4).TextParams.Lines.at(0).Text, QString("hello"));
    // A double-click on a header does not edit.
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, QPoint(40, f.CellPoint(0, 3).y()));
    QTest::mouseDClick(f.Control.get(), Qt::LeftButton, {}, QPoint(40, f.CellPoint(0, 3).y()));
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, QPoint(40, f.CellPoint(0, 3).y()));
    QVERIFY(!f.EditorShown());
  }

  void wheelEndsTheEdit() {
    TSheetFixture f;
    f.Click(0, 0);
    f.Type("x");
    const QPointF at(200, 100);
    QWheelEvent wheel(at, f.Control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.Control.get(), &wheel);
    QVERIFY(!f.EditorShown());
    QVERIFY(f.Control->hasFocus());
    QCOMPARE(f.Text(0, 0), std::string("x"));
  }

  void editingRefused_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("OnEditing") << 0;
    QTest::newRow("protected sheet") << 1;
    QTest::newRow("read-only workbook without Excel protection") << 2;
  }
  void editingRefused() {
    QFETCH(int, how);
    TSheetFixture f;
    f.SetText(1, 1, "keep");
    QList<QPoint> asked;
    if (how == 0)
      f.Book->OnEditing = [&](TcxSSBookSheet&, int col, int row, bool& can) {
        asked.append({col, row});
        can = false;
      };
    if (how == 1) f.Sheet().SetProtected(true);
    if (how == 2) {
      f.Book->SetExcelProtectionStyle(false);
      f.Book->SetReadOnly(true);
    }
    f.Click(1, 1);
    f.Type("z");
    f.Key(Qt::Key_F2);
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    QTest::mouseDClick(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    QVERIFY(!f.EditorShown());
    QCOMPARE(f.Text(1, 1), std::string("keep"));
    if (how == 0) QCOMPARE(asked.value(0), QPoint(1, 1));
    // Navigation is not affected.
    f.Key(Qt::Key_Right);
    QCOMPARE(f.Selection(), (TRect{2, 1, 2, 1}));
  }

  // The editor takes the cell's font and fill colour; a cell without a fill shows the control's
  // background.
  void editorTakesTheCellsLook() {
    TSheetFixture f;
    f.Style(1, 1, [](TcxSSCellStyle& st) {
      st.Brush().SetBackgroundColor(5);
      st.Font().SetSize(14);
      st.Font().SetStyle(kFontBold);
    });
    f.Click(1, 1);
    f.Key(Qt::Key_F2);
    QVERIFY(f.EditorShown());
    QCOMPARE(f.Editor()->palette().color(QPalette::Base).rgb(), Rgb(f.Book->Palette()[5]));
    QVERIFY(f.Editor()->font().bold());
    const TcxSSStyleRec& style = *f.Storage().CellRef(1, 1).Style;
    QCOMPARE(f.Editor()->font(), f.Control->CanvasWrapper().ScreenFont(ScreenFontDesc(*style.Font)).Font);
    f.Key(Qt::Key_Escape);
    f.Click(2, 1);
    f.Key(Qt::Key_F2);
    QCOMPARE(f.Editor()->palette().color(QPalette::Base).rgb(), Rgb(f.Book->BackgroundColor()));
    QVERIFY(!f.Editor()->font().bold());
    // Painted over the cell in that colour.
    f.Key(Qt::Key_Escape);
    f.Click(1, 1);
    f.Key(Qt::Key_F2);
    const QImage image = f.Grab();
    QCOMPARE(image.pixel(f.Editor()->geometry().center() + QPoint(0, f.Editor()->height() / 2 - 1)),
             Rgb(f.Book->Palette()[5]));
    f.Key(Qt::Key_Escape);
  }

  // The standard events: press, release and double-click before the control acts, keys and
  // moves after; in the editor the owner's key events come first and may consume the key.
  void standardInputEvents() {
    TSheetFixture f;
    QStringList log;
    const auto at = [&](const char* what) {
      const TRect s = f.Selection();
      log.append(QString("%1 %2,%3 %4").arg(what).arg(s.Left).arg(s.Top).arg(f.EditorShown()));
    };
    f.Control->OnMouseDown = [&](TcxSpreadSheetBookControl&, Qt::MouseButton, TShiftState, int, int) { at("down"); };
    f.Control->OnMouseMove = [&](TcxSpreadSheetBookControl&, TShiftState s, int, int) {
      if (s.Buttons) at("move");
    };
    f.Control->OnMouseUp = [&](TcxSpreadSheetBookControl&, Qt::MouseButton, TShiftState, int, int) {
      at(f.SheetControl().State() ? "up selecting" : "up idle");
    };
    f.Control->OnDblClick = [&](TcxSpreadSheetBookControl&) { at("double"); };
    f.Control->OnKeyDown = [&](TcxSpreadSheetBookControl&, int& key, TShiftState) {
      if (key == Qt::Key_Right || key == Qt::Key_X) at("key");
      if (key == Qt::Key_Escape && f.EditorShown()) key = 0;
    };
    f.Control->OnKeyPress = [&](TcxSpreadSheetBookControl&, QChar& ch) {
      if (ch == 'x') at("char");
      if (ch == 'q') ch = QChar();
    };
    QTest::mousePress(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(2, 2));
    f.Move(f.CellPoint(3, 3), Qt::LeftButton);
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(3, 3));
    QTest::keyClick(f.Control.get(), Qt::Key_Right);
    QTest::keyClick(f.Control.get(), Qt::Key_X);
    QCOMPARE(log, QStringList({"down 0,0 0", "move 2,2 0", "up selecting 2,2 0", "key 4,2 0", "key 4,2 0",
                               "char 4,2 1"}));
    // In the editor: the owner's handler consumes Escape and 'q'.
    f.Key(Qt::Key_Escape);
    QVERIFY(f.EditorShown());
    f.Type("qy");
    QCOMPARE(f.Editor()->toPlainText(), QString("xy"));
    f.Key(Qt::Key_Return);
    QCOMPARE(f.Text(4, 2), std::string("xy"));
    log.clear();
    QTest::mouseClick(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    QTest::mouseDClick(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    QTest::mouseRelease(f.Control.get(), Qt::LeftButton, {}, f.CellPoint(1, 1));
    QCOMPARE(log.mid(0, 4), QStringList({"down 4,3 0", "up selecting 1,1 0", "double 1,1 0", "down 1,1 1"}));
  }

  // A control closed while its editor is open and focused goes without writing the edit.
  void closingWhileEditing() {
    TSheetFixture f;
    f.Click(1, 1);
    f.Type("unsaved");
    QVERIFY(f.Editor()->hasFocus());
    f.Control.reset();
    QCOMPARE(f.Text(1, 1), std::string());
    QVERIFY(f.Book->Control() == nullptr);
  }

  // Typing into a real workbook: the edit is written through a cell object and undone whole.
  void editOnACorpusWorkbook() {
    TSheetFixture f;
    f.Book->LoadFromFile(ZOF_CORPUS_DIR "/libxls-iris-excel-xls.xls");
    const std::string original = f.Text(0, 1);
    QVERIFY(!original.empty());

    f.Click(0, 1);
    f.Type("7.5");
    f.Key(Qt::Key_Return);
    QCOMPARE(TcxSSCellObject(f.Storage(), 0, 1).ValueText(), std::string("7.5"));
    QCOMPARE(f.UndoSteps(), std::vector<std::string>{"Change cells"});
    QTest::keyClick(f.Control.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.Text(0, 1), original);
  }
};

QTEST_MAIN(TestSheetControl)
#include "tst_cxSSBookSheetControl.moc"
