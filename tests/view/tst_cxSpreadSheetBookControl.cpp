// The workbook control: how it divides its area, the scroll bars' values and actions, the wheel,
// routing of mouse and key events to the tab strip and the active sheet (capture, the automatic
// scrolling timer), one scroll position per sheet, painters, error handling and the cursor.
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "ViewTestSupport.h"
#include "view/cxSheetPainter.h"

namespace {

// What a sheet received from the control.
struct TInput {
  QString What;
  QPoint Point;
  bool operator==(const TInput&) const = default;
};

class TRecordingSheet : public TcxSSBookSheetControl {
public:
  TRecordingSheet(TcxSpreadSheetBookControl& owner, TcxSSBookSheet& sheet, QList<TInput>& log)
      : TcxSSBookSheetControl(owner, sheet), log_(log) {}
  void MouseDown(Qt::MouseButton b, TShiftState, int x, int y) override {
    log_.append({QString("down %1").arg(int(b)), QPoint(x, y)});
  }
  void MouseMove(TShiftState s, int x, int y) override {
    log_.append({QString("move %1").arg(int(s.Buttons)), QPoint(x, y)});
  }
  void MouseUp(Qt::MouseButton b, TShiftState, int x, int y) override {
    log_.append({QString("up %1").arg(int(b)), QPoint(x, y)});
  }
  void DblClick() override { log_.append(TInput{"double", {}}); }
  void KeyDown(int key, TShiftState s) override {
    log_.append(TInput{QString("key %1 %2").arg(key).arg(int(s.Keys)), {}});
  }
  void KeyPress(QChar key) override { log_.append(TInput{QString("char ") + key, {}}); }
  void KeyUp(int key, TShiftState) override { log_.append(TInput{QString("key up %1").arg(key), {}}); }

private:
  QList<TInput>& log_;
};

class TRecordingControl : public TcxSpreadSheetBookControl {
public:
  using TcxSpreadSheetBookControl::TcxSpreadSheetBookControl;
  std::unique_ptr<TcxSSBookSheetControl> CreateSheetControl(TcxSSBookSheet& sheet) override {
    return std::make_unique<TRecordingSheet>(*this, sheet, Log);
  }
  QList<TInput> Log;
};

struct TRouted {
  std::unique_ptr<TcxSpreadSheetBook> Book = std::make_unique<TcxSpreadSheetBook>(MakeViewEnvironment());
  std::unique_ptr<TRecordingControl> Control;
  TRouted() {
    Book->SetPageCount(2);
    Control = std::make_unique<TRecordingControl>(*Book);
    Control->resize(600, 400);
    Control->show();
    Control->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Control.get()));
    Control->Log.clear();
  }
  ~TRouted() { Control.reset(); }
  int StripTop() const { return Control->PageCaptions().Top(); }
  void Move(QPoint point, Qt::MouseButtons buttons) const {
    QMouseEvent move(QEvent::MouseMove, QPointF(point), Control->mapToGlobal(QPointF(point)), Qt::NoButton,
                     buttons, Qt::NoModifier);
    QApplication::sendEvent(Control.get(), &move);
  }
};

void Wheel(QWidget* widget, int delta) {
  const QPointF at(200, 100);
  QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &wheel);
}

}  // namespace

class TestBookControl : public QObject {
  Q_OBJECT

private slots:
  void attachesItselfToTheWorkbook() {
    auto book = std::make_unique<TcxSpreadSheetBook>(MakeViewEnvironment());
    {
      TcxSpreadSheetBookControl control(*book);
      QCOMPARE(book->Control(), &control);
      QCOMPARE(control.objectName(), QString("cxSpreadBook"));
    }
    QCOMPARE(book->Control(), nullptr);
  }

  // The sheet takes the area less the vertical bar and the bottom line; the line holds the tab
  // strip, with the horizontal bar in its right half, or the bar alone.
  void divisionOfTheArea_data() {
    QTest::addColumn<bool>("tabs");
    QTest::addColumn<int>("bars");
    QTest::addColumn<bool>("lineReserved");
    QTest::addColumn<QRect>("sheet");     // with H = the strip's height, -1 in the height means 400 - H
    QTest::addColumn<QRect>("horizontal");  // empty: hidden
    QTest::addColumn<QRect>("vertical");
    QTest::newRow("tabs, both bars") << true << int(sbsBoth) << true << QRect(0, 0, 584, -1)
                                     << QRect(300, -1, 284, -1) << QRect(584, 0, 16, -1);
    QTest::newRow("tabs, horizontal bar") << true << int(sbsHorizontal) << true << QRect(0, 0, 600, -1)
                                          << QRect(300, -1, 300, -1) << QRect();
    QTest::newRow("tabs, no bars") << true << int(sbsNone) << true << QRect(0, 0, 600, -1) << QRect()
                                   << QRect();
    QTest::newRow("both bars") << false << int(sbsBoth) << true << QRect(0, 0, 584, -1)
                               << QRect(0, -1, 584, 16) << QRect(584, 0, 16, -1);
    QTest::newRow("vertical bar") << false << int(sbsVertical) << false << QRect(0, 0, 584, 400)
                                  << QRect() << QRect(584, 0, 16, 400);
    QTest::newRow("nothing") << false << int(sbsNone) << false << QRect(0, 0, 600, 400) << QRect()
                             << QRect();
  }
  void divisionOfTheArea() {
    QFETCH(bool, tabs);
    QFETCH(int, bars);
    QFETCH(bool, lineReserved);
    QFETCH(QRect, sheet);
    QFETCH(QRect, horizontal);
    QFETCH(QRect, vertical);
    TViewFixture f;
    f.Book->SetShowCaptionBar(tabs);
    f.Book->SetScrollBars(TcxScrollBars(bars));
    const int h = f.Control->PageCaptions().StripHeight();
    const auto resolve = [&](QRect r) {
      if (r.height() == -1) r.setHeight(400 - h);
      if (r.y() == -1) r.moveTop(400 - h);
      return r;
    };
    if (horizontal.height() == -1) horizontal.setHeight(h);
    QCOMPARE(f.Control->SheetArea(), resolve(sheet));
    QCOMPARE(f.SheetControl().QBounds(), resolve(sheet));
    QCOMPARE(f.Control->PageCaptions().Visible(), tabs);
    if (lineReserved) QCOMPARE(f.Control->PageCaptions().QBounds(), QRect(0, 400 - h, 600, h));
    QCOMPARE(f.Control->HorzScrollBar()->isVisible(), !horizontal.isNull());
    if (!horizontal.isNull()) QCOMPARE(f.Control->HorzScrollBar()->geometry(), resolve(horizontal));
    QCOMPARE(f.Control->VertScrollBar()->isVisible(), !vertical.isNull());
    if (!vertical.isNull()) QCOMPARE(f.Control->VertScrollBar()->geometry(), resolve(vertical));
    // Resizing lays the control out again.
    f.Control->resize(500, 300);
    QCOMPARE(f.Control->SheetArea().width(), resolve(sheet).width() - 100);
  }

  // After a layout each bar shows the first visible index, a page of the visible ones and a
  // range up to the used area or the last visible index.
  void scrollBarValues() {
    TViewFixture f;
    f.PlainSheet();
    QScrollBar* bar = f.Control->VertScrollBar();
    // 380 pixels of rows: rows 0..18 are fully visible.
    f.ViewInfo().EnsureLayout();
    TcxScrollBarValues v = f.Control->ScrollBarValuesShown(1);
    QCOMPARE(v.Position, 0);
    QCOMPARE(v.Page, 18);
    QCOMPARE(v.Maximum, 18);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->pageStep(), 18);
    QCOMPARE(bar->maximum(), 1);
    f.SetText(0, 999, "far");
    v = f.Control->ScrollBarValuesShown(1);
    QCOMPARE(v.Maximum, 1000);
    QCOMPARE(bar->maximum(), 1000 - 18 + 1);
    // Scrolled past the used area: the maximum is one less than the last visible row.
    f.ViewInfo().SetTopRow(2000);
    v = f.Control->ScrollBarValuesShown(1);
    QCOMPARE(v.Position, 2000);
    QCOMPARE(v.Maximum, 2017);
    QCOMPARE(bar->value(), 2000);
    // Columns: 499 pixels, columns 0..4.
    v = f.Control->ScrollBarValuesShown(0);
    QCOMPARE(v.Position, 0);
    QCOMPARE(v.Page, 4);
  }

  void scrollCodes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("position");  // for scTrack
    QTest::addColumn<int>("expected");
    QTest::newRow("line down") << 1 << int(scLineDown) << 0 << 0 << 1;
    QTest::newRow("line down over hidden rows") << 1 << int(scLineDown) << 4 << 0 << 7;
    QTest::newRow("line up") << 1 << int(scLineUp) << 7 << 0 << 4;
    QTest::newRow("line up at the top") << 1 << int(scLineUp) << 0 << 0 << 0;
    // 380 pixels of rows: from row 10 the rows 10..28 are fully visible.
    QTest::newRow("page down") << 1 << int(scPageDown) << 10 << 0 << 28;
    // Rows 21..39 fill a screen that ends before row 40.
    QTest::newRow("page up") << 1 << int(scPageUp) << 40 << 0 << 21;
    QTest::newRow("track") << 1 << int(scTrack) << 0 << 77 << 77;
    QTest::newRow("negative") << 1 << int(scPosition) << 5 << -3 << 0;
    QTest::newRow("column page down") << 0 << int(scPageDown) << 0 << 0 << 4;
    QTest::newRow("column line down") << 0 << int(scLineDown) << 3 << 0 << 4;
  }
  void scrollCodes() {
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(int, start);
    QFETCH(int, position);
    QFETCH(int, expected);
    TViewFixture f;
    f.PlainSheet();
    f.Sheet().RowHeader().SetVisible(5, false);
    f.Sheet().RowHeader().SetVisible(6, false);
    if (kind == 0)
      f.ViewInfo().SetLeftCol(start);
    else
      f.ViewInfo().SetTopRow(start);
    int result = position;
    f.SheetControl().Scroll(kind, TScrollCode(code), true, result);
    QCOMPARE(result, expected);
    const TPoint topLeft = f.ViewInfo().GetTopLeft();
    QCOMPARE(kind == 0 ? topLeft.X : topLeft.Y, expected);
    QCOMPARE(f.Control->ScrollBarValuesShown(kind).Position, expected);
  }

  void scrollWithoutApplyingMovesOnlyTheBar() {
    TViewFixture f;
    f.PlainSheet();
    int position = 500;
    f.SheetControl().Scroll(1, scTrack, false, position);
    QCOMPARE(position, 500);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 0);
    // The range grows to hold the position, and is never shorter than 15.
    QCOMPARE(f.Control->ScrollBarValuesShown(1).Maximum, 500 + 18 - 1);
    QCOMPARE(f.Control->VertScrollBar()->value(), 500);
    position = 0;
    f.SheetControl().Scroll(0, scTrack, false, position);
    QCOMPARE(f.Control->ScrollBarValuesShown(0).Maximum, 15);
  }

  void scrollBarActions() {
    TViewFixture f;
    f.PlainSheet();
    QScrollBar* bar = f.Control->VertScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 1);
    QCOMPARE(bar->value(), 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 19);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 18);
    bar->setSliderPosition(0);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, bar->height() - 4));
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 1);
  }

  void wheelScrollsLines() {
    TViewFixture f;
    f.PlainSheet();
    const int lines = QApplication::wheelScrollLines();
    Wheel(f.Control.get(), -120);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, lines);
    Wheel(f.Control.get(), -60);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, lines);
    Wheel(f.Control.get(), -60);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 2 * lines);
    Wheel(f.Control.get(), 360);
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 0);
  }

  void eachSheetKeepsItsScrollPosition() {
    TViewFixture f;
    f.Book->SetPageCount(2);
    f.ViewInfo().SetTopLeft(3, 50);
    f.Book->SetActivePage(1);
    QCOMPARE(f.ViewInfo().GetTopLeft(), (TPoint{0, 0}));
    QCOMPARE(f.Control->VertScrollBar()->value(), 0);
    f.Book->SetActivePage(0);
    QCOMPARE(f.ViewInfo().GetTopLeft(), (TPoint{3, 50}));
    QCOMPARE(f.Control->VertScrollBar()->value(), 50);
    // A deleted sheet's view goes with it; painting carries on.
    f.Book->DeleteSheet(0);
    QCOMPARE(f.ViewInfo().GetTopLeft(), (TPoint{0, 0}));
    QVERIFY(!f.Grab().isNull());
    f.Book->ClearAll();
    QVERIFY(!f.Grab().isNull());
    f.Book->AddSheet();
    QCOMPARE(f.Data().BrickCount.X > 2, true);
  }

  void cellChangesShowWithoutALayoutCall() {
    TViewFixture f;
    f.Storage().SetCellText(1, 1, "direct", false, false);
    f.Sheet().CellsChanged({1, 1, 1, 1});
    QVERIFY(f.ViewInfo().LayoutPending());
    QCOMPARE(f.Data().Bricks[2][2].TextParams.Lines.at(0).Text, QString("direct"));
    QVERIFY(!f.ViewInfo().LayoutPending());
  }

  void mouseRouting() {
    TRouted r;
    QTest::mousePress(r.Control.get(), Qt::LeftButton, {}, QPoint(200, 50));
    QCOMPARE(r.Control->Log.value(0), (TInput{"down 1", QPoint(200, 50)}));
    QCOMPARE(r.Control->CaptureOwner(), r.Control->ActiveSheetControl());
    QVERIFY(r.Control->hasFocus());
    // While the sheet holds the mouse every move goes to it, also over the tab strip.
    r.Move(QPoint(100, r.StripTop() + 3), Qt::LeftButton);
    QCOMPARE(r.Control->Log.value(1), (TInput{"move 1", QPoint(100, r.StripTop() + 3)}));
    QTest::mouseRelease(r.Control.get(), Qt::LeftButton, {}, QPoint(100, r.StripTop() + 3));
    QCOMPARE(r.Control->Log.value(2), (TInput{"up 1", QPoint(100, r.StripTop() + 3)}));
    QCOMPARE(r.Control->CaptureOwner(), nullptr);
    QCOMPARE(r.Book->ActivePage(), 0);
    // The right button does not capture.
    QTest::mousePress(r.Control.get(), Qt::RightButton, {}, QPoint(200, 50));
    QCOMPARE(r.Control->CaptureOwner(), nullptr);
    QTest::mouseRelease(r.Control.get(), Qt::RightButton, {}, QPoint(200, 50));
    // A press on the tab strip goes there.
    r.Control->Log.clear();
    QTest::mousePress(r.Control.get(), Qt::LeftButton, {}, QPoint(590, r.StripTop() + 3));
    QCOMPARE(r.Control->CaptureOwner(), &r.Control->PageCaptions());
    QVERIFY(r.Control->Log.isEmpty());
    QTest::mouseRelease(r.Control.get(), Qt::LeftButton, {}, QPoint(590, r.StripTop() + 3));
    // A double-click reaches the sheet before the press of its second click.
    r.Control->Log.clear();
    QTest::mouseClick(r.Control.get(), Qt::LeftButton, {}, QPoint(120, 70));
    QTest::mouseDClick(r.Control.get(), Qt::LeftButton, {}, QPoint(120, 70));
    QTest::mouseRelease(r.Control.get(), Qt::LeftButton, {}, QPoint(120, 70));
    const int doubleAt = int(r.Control->Log.indexOf(TInput{"double", {}}));
    QVERIFY(doubleAt >= 0);
    QCOMPARE(r.Control->Log.value(doubleAt + 1), (TInput{"down 1", QPoint(120, 70)}));
  }

  void automaticScrollingTimer() {
    TRouted r;
    QTest::mousePress(r.Control.get(), Qt::LeftButton, {}, QPoint(200, 50));
    QVERIFY(!r.Control->AutoScrollTimer().isActive());
    QCOMPARE(r.Control->AutoScrollTimer().interval(), 10);
    r.Move(QPoint(200, 10), Qt::LeftButton);  // over the column headers
    QVERIFY(r.Control->AutoScrollTimer().isActive());
    // Each tick repeats the last move.
    r.Control->Log.clear();
    r.Control->TimerTick();
    QCOMPARE(r.Control->Log.value(0), (TInput{"move 1", QPoint(200, 10)}));
    r.Move(QPoint(200, 60), Qt::LeftButton);
    QVERIFY(!r.Control->AutoScrollTimer().isActive());
    r.Move(QPoint(50, 60), Qt::LeftButton);  // over the row headers
    QVERIFY(r.Control->AutoScrollTimer().isActive());
    QTest::mouseRelease(r.Control.get(), Qt::LeftButton, {}, QPoint(50, 60));
    QVERIFY(!r.Control->AutoScrollTimer().isActive());
    // Without a button held it never runs.
    r.Move(QPoint(50, 60), Qt::NoButton);
    QVERIFY(!r.Control->AutoScrollTimer().isActive());
  }

  void keyRouting() {
    TRouted r;
    QTest::keyClick(r.Control.get(), Qt::Key_A);
    QCOMPARE(r.Control->Log.value(0).What, QString("key %1 0").arg(int(Qt::Key_A)));
    QCOMPARE(r.Control->Log.value(1).What, QString("char a"));
    QCOMPARE(r.Control->Log.value(2).What, QString("key up %1").arg(int(Qt::Key_A)));
    // Tab stays in the sheet.
    r.Control->Log.clear();
    QTest::keyClick(r.Control.get(), Qt::Key_Tab);
    QCOMPARE(r.Control->Log.value(0).What, QString("key %1 0").arg(int(Qt::Key_Tab)));
    // Not while a mouse button is held on a region.
    QTest::mousePress(r.Control.get(), Qt::LeftButton, {}, QPoint(200, 50));
    r.Control->Log.clear();
    QTest::keyClick(r.Control.get(), Qt::Key_B);
    QVERIFY(r.Control->Log.isEmpty());
    QTest::mouseRelease(r.Control.get(), Qt::LeftButton, {}, QPoint(200, 50));
  }

  void painterFollowsThePainterType() {
    TViewFixture f;
    QVERIFY(!dynamic_cast<TcxXPPainter*>(&f.Control->Painter()));
    f.Book->SetPainterType(ptOfficeXPStyle);
    QVERIFY(dynamic_cast<TcxXPPainter*>(&f.Control->Painter()));
    int asked = 0;
    f.Control->OnCustomPaint = [&](TcxSpreadSheetBookControl&, TcxSpreadSheetBookControl::TcxPainterFactory& painterClass) {
      ++asked;
      painterClass = [] { return std::make_unique<TcxXPPainter>(); };
    };
    f.Book->SetPainterType(ptCustom);
    QVERIFY(dynamic_cast<TcxXPPainter*>(&f.Control->Painter()));
    QCOMPARE(asked, 1);
  }

  void errorsOfHandlersAreShown() {
    TViewFixture f;
    f.PlainSheet();
    f.Book->OnTopLeftChanging = [](TcxSSBookSheet&, TPoint&) { throw ESpreadSheetError("No scrolling here"); };
    Wheel(f.Control.get(), -120);
    QCOMPARE(Messages(*f.Book).Messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(Messages(*f.Book).Messages[0]), QString("No scrolling here"));
    QCOMPARE(f.ViewInfo().GetTopLeft().Y, 0);
  }

  void busyCursor() {
    TViewFixture f;
    f.Control->SetBusyCursor(true);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    f.Control->SetBusyCursor(false);
    QVERIFY(!QApplication::overrideCursor());
  }
};

QTEST_MAIN(TestBookControl)
#include "tst_cxSpreadSheetBookControl.moc"
