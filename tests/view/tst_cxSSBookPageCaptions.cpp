// The sheet tab strip: its layout (buttons, overlapping tabs, hidden sheets), hit testing on
// the slanted tabs, activating sheets and scrolling the tabs with real mouse events, renaming a
// sheet in place, the tab pop-up request and hiding the strip.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "ViewTestSupport.h"
#include "view/cxSSInplaceTextEdit.h"

namespace {

struct TStrip : TViewFixture {
  explicit TStrip(int sheets = 3) : TViewFixture(QSize(600, 400)) {
    Book->SetPageCount(sheets);
  }
  TcxSSBookPageCaptions& Captions() const { return Control->PageCaptions(); }
  const TcxSSBookCaptionViewInfo& Info() const { return Captions().ViewInfo(); }
  int H() const { return Captions().Height(); }
  int Top() const { return Captions().Top(); }
  const TRect& Tab(int index) const { return Info().Tabs.at(index).Rect; }
  QPoint TabCentre(int index) const {
    return QPoint((Tab(index).Left + Tab(index).Right) / 2, Top() + H() / 2);
  }
  QPoint ButtonCentre(int index) const {
    const TRect& b = Info().Buttons[index];
    return QPoint((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
  }
  int CaptionWidth(const QString& caption) const { return Control->HeaderFont().TextWidth(caption); }
  int HitTab(QPoint point) const {
    int index = -1;
    const int kind = Captions().HitTest(point.x() - Captions().Left(), point.y() - Top(), index);
    return kind == 1 ? index : -1 - kind;
  }
  TcxSSInplaceTextEdit* Editor() const { return Captions().RenameEditor(); }
  // As the system delivers a double-click: press, release, double-click (the second press),
  // release.
  void DoubleClickTab(int index) const {
    QTest::mouseClick(Control.get(), Qt::LeftButton, {}, TabCentre(index));
    QTest::mouseDClick(Control.get(), Qt::LeftButton, {}, TabCentre(index));
    QTest::mouseRelease(Control.get(), Qt::LeftButton, {}, TabCentre(index));
  }
};

}  // namespace

class TestPageCaptions : public QObject {
  Q_OBJECT

private slots:
  void stripAlongTheBottom() {
    TStrip s;
    QCOMPARE(s.Captions().StripHeight(), s.Control->HeaderFont().Height + 5);
    QCOMPARE(s.H(), s.Captions().StripHeight());
    QVERIFY(s.Captions().Visible());
    QCOMPARE(s.Captions().QBounds(), QRect(0, 400 - s.H(), 600, s.H()));
    QCOMPARE(s.Info().StripRect, (TRect{0, 400 - s.H(), 600, 400}));
  }

  // Four square buttons, then tabs as wide as their captions plus 30, each starting 10 pixels
  // before the previous one ends.
  void tabLayout() {
    TStrip s;
    const int h = s.H();
    const int top = s.Top();
    for (int i = 0; i < 4; ++i)
      QCOMPARE(s.Info().Buttons[i], (TRect{i * h, top, (i + 1) * h, 399}));
    int left = 4 * h;
    for (int k = 0; k < 3; ++k) {
      const QString caption = QString("Sheet%1").arg(k + 1);
      QCOMPARE(s.Info().Tabs[k].Caption, caption);
      QCOMPARE(s.Tab(k), (TRect{left, top, left + s.CaptionWidth(caption) + 30, 399}));
      left = s.Tab(k).Right - 10;
    }
    QCOMPARE(int(s.Info().Tabs[0].Flags), int(kTabActive));
    QCOMPARE(int(s.Info().Tabs[1].Flags), 0);
    s.Book->SetActivePage(2);
    QCOMPARE(int(s.Info().Tabs[0].Flags), 0);
    QCOMPARE(int(s.Info().Tabs[2].Flags), int(kTabActive));
  }

  void hiddenSheetHasNoTab() {
    TStrip s;
    s.Book->SetPageVisible(1, false);
    QCOMPARE(int(s.Info().Tabs[1].Flags), int(kTabHidden));
    QCOMPARE(s.Tab(1), s.Tab(0));
    QCOMPARE(s.Tab(2).Left, s.Tab(0).Right - 10);
    QCOMPARE(s.HitTab(s.TabCentre(2)), 2);
    // Where the hidden tab would be, the hit goes to a visible one.
    QCOMPARE(s.HitTab(s.TabCentre(0)), 0);
  }

  void hitTest_data() {
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("expected");
    QTest::newRow("left tab in front of an inactive right one") << 0 << 0;
    QTest::newRow("the active tab wins") << 1 << 1;
  }
  void hitTest() {
    QFETCH(int, active);
    QFETCH(int, expected);
    TStrip s;
    s.Book->SetActivePage(active);
    // Half-way down the strip the sides have slanted in by 5: both tabs cover the overlap's
    // middle column.
    const int y = s.Top() + s.H() / 2;
    const int slant = qRound(10.0 * (s.H() / 2) / s.H());
    const int x = s.Tab(1).Left + slant;
    QVERIFY(x <= s.Tab(0).Right - slant);
    QCOMPARE(s.HitTab(QPoint(x, y)), expected);
    // The first tab's slanted left side near the bottom.
    const int bottom = s.Top() + s.H() - 2;
    const int side = s.Tab(0).Left + qRound(10.0 * (s.H() - 2) / s.H());
    QCOMPARE(s.HitTab(QPoint(side, bottom)), 0);
    QCOMPARE(s.HitTab(QPoint(side - 1, bottom)), -1);
  }

  void hitTestButtonsAndNothing() {
    TStrip s;
    int index = 7;
    for (int i = 0; i < 4; ++i) {
      const QPoint p = s.ButtonCentre(i);
      QCOMPARE(s.Captions().HitTest(p.x(), p.y() - s.Top(), index), 2);
      QCOMPARE(index, i);
    }
    QCOMPARE(s.Captions().HitTest(590, s.H() / 2, index), 0);
    QCOMPARE(index, -1);
    // The top edge row belongs to no tab.
    QCOMPARE(s.Captions().HitTest(s.TabCentre(0).x(), 0, index), 0);
    // The control's hit test reports tabs and buttons.
    TcxSSHitTestRec hit;
    QVERIFY(s.Control->GetHitTest(s.TabCentre(2), hit));
    QCOMPARE(int(hit.Kind), int(htSheetCaption));
    QCOMPARE(hit.Index, 2);
    QVERIFY(s.Control->GetHitTest(s.ButtonCentre(3), hit));
    QCOMPARE(int(hit.Kind), int(htCaptionButton));
    QCOMPARE(int(hit.Button), 3);
    QVERIFY(!s.Control->GetHitTest(QPoint(s.Tab(2).Right + 5, s.Top() + 3), hit));
  }

  void clickActivatesTheSheet() {
    TStrip s;
    QTest::mouseClick(s.Control.get(), Qt::LeftButton, {}, s.TabCentre(1));
    QCOMPARE(s.Book->ActivePage(), 1);
    QVERIFY(s.Book->Pages(1).Visible());
    QVERIFY(!s.Book->Pages(0).Visible());
    QCOMPARE(&s.Control->ActiveSheetControl()->Sheet(), &s.Book->Pages(1));
    // The sheet-changing handler may refuse.
    s.Book->OnActiveSheetChanging = [](TcxCustomSpreadSheetBook&, int, bool& canSelect) { canSelect = false; };
    QTest::mouseClick(s.Control.get(), Qt::LeftButton, {}, s.TabCentre(2));
    QCOMPARE(s.Book->ActivePage(), 1);
  }

  void scrollButtons() {
    TStrip s(12);
    const auto click = [&](int button) { QTest::mouseClick(s.Control.get(), Qt::LeftButton, {}, s.ButtonCentre(button)); };
    click(2);
    QCOMPARE(s.Captions().FirstTab(), 1);
    QCOMPARE(s.Tab(1).Left, 4 * s.H());
    click(2);
    QCOMPARE(s.Captions().FirstTab(), 2);
    click(1);
    QCOMPARE(s.Captions().FirstTab(), 1);
    click(3);
    QCOMPARE(s.Captions().FirstTab(), 11);
    click(2);
    QCOMPARE(s.Captions().FirstTab(), 11);
    click(0);
    QCOMPARE(s.Captions().FirstTab(), 0);
    click(1);
    QCOMPARE(s.Captions().FirstTab(), 0);
    QCOMPARE(s.Book->ActivePage(), 0);
  }

  void pressedButtonFollowsThePointer() {
    TStrip s(12);
    QTest::mousePress(s.Control.get(), Qt::LeftButton, {}, s.ButtonCentre(2));
    QVERIFY(s.Info().ButtonDown);
    QCOMPARE(int(s.Info().DownButton), 2);
    QCOMPARE(s.Control->CaptureOwner(), &s.Captions());
    QMouseEvent away(QEvent::MouseMove, QPointF(s.TabCentre(0)), s.Control->mapToGlobal(QPointF(s.TabCentre(0))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(s.Control.get(), &away);
    QVERIFY(!s.Info().ButtonDown);
    // Released elsewhere: no scrolling.
    QTest::mouseRelease(s.Control.get(), Qt::LeftButton, {}, s.TabCentre(0));
    QCOMPARE(s.Captions().FirstTab(), 0);
    QCOMPARE(int(s.Info().DownButton), int(kNoButton));
    QCOMPARE(s.Control->CaptureOwner(), nullptr);
  }

  void activeTabIsScrolledIntoView() {
    TStrip s(12);
    s.Book->SetActivePage(11);
    // The tabs have half the control's width (the horizontal scroll bar takes the rest).
    QVERIFY(s.Captions().FirstTab() > 0);
    QVERIFY(s.Tab(11).Right <= 300);
    s.Captions().SetFirstTab(s.Captions().FirstTab() - 1);
    QVERIFY(s.Tab(11).Right > 300);
    s.Book->SetActivePage(0);
    QCOMPARE(s.Captions().FirstTab(), 0);
  }

  void renameInPlace() {
    TStrip s;
    s.DoubleClickTab(0);
    QVERIFY(s.Editor());
    QVERIFY(s.Editor()->isVisible());
    QCOMPARE(s.Editor()->toPlainText(), QString("Sheet1"));
    QVERIFY(!s.Editor()->GridMode());
    // Placed over the tab's caption and sized to the text, as the cell editor is.
    QCOMPARE(s.Editor()->pos(), QPoint(s.Tab(0).Left + 15, s.Tab(0).Top + 2));
    const QFontMetrics metrics(s.Editor()->font());
    QCOMPARE(s.Editor()->width(),
             metrics.horizontalAdvance("Sheet1") + metrics.horizontalAdvance("W") / 2 + 2);
    QCOMPARE(s.Editor()->height(), s.Editor()->LineHeight());
    s.Editor()->selectAll();
    QTest::keyClicks(s.Editor(), "A much longer name");
    // The tab grows with the text.
    QCOMPARE(s.Info().Tabs[0].Caption, QString("A much longer name"));
    QCOMPARE(s.Tab(0).Right - s.Tab(0).Left, s.CaptionWidth("A much longer name") + 30);
    QTest::keyClick(s.Editor(), Qt::Key_Return);
    QVERIFY(!s.Editor()->isVisible());
    QCOMPARE(QString::fromStdString(s.Book->Pages(0).Caption()), QString("A much longer name"));
    QVERIFY(s.Book->Modified());
  }

  void escapeKeepsTheName() {
    TStrip s;
    s.DoubleClickTab(1);
    QVERIFY(s.Editor());
    s.Editor()->selectAll();
    QTest::keyClicks(s.Editor(), "Other");
    QTest::keyClick(s.Editor(), Qt::Key_Escape);
    QVERIFY(!s.Editor()->isVisible());
    QCOMPARE(QString::fromStdString(s.Book->Pages(1).Caption()), QString("Sheet2"));
    QCOMPARE(s.Info().Tabs[1].Caption, QString("Sheet2"));
  }

  void tabEndsTheRenameToo() {
    TStrip s;
    s.Captions().RenameActiveSheet();
    QVERIFY(s.Editor()->isVisible());
    s.Editor()->selectAll();
    QTest::keyClicks(s.Editor(), "Tabbed");
    QTest::keyClick(s.Editor(), Qt::Key_Tab);
    QVERIFY(!s.Editor()->isVisible());
    QCOMPARE(QString::fromStdString(s.Book->Pages(0).Caption()), QString("Tabbed"));
  }

  void duplicateNameIsRefused() {
    TStrip s;
    s.DoubleClickTab(0);
    QVERIFY(s.Editor());
    s.Editor()->selectAll();
    QTest::keyClicks(s.Editor(), "sheet2");
    QTest::keyClick(s.Editor(), Qt::Key_Return);
    QCOMPARE(Messages(*s.Book).Messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(Messages(*s.Book).Messages[0]),
             QString("Sheet caption invalid or already exist"));
    QCOMPARE(QString::fromStdString(s.Book->Pages(0).Caption()), QString("Sheet1"));
    QCOMPARE(s.Info().Tabs[0].Caption, QString("Sheet1"));
    QVERIFY(!s.Editor()->isVisible());
  }

  // A name longer than a file's sheet name holds is refused with the limit, not cut on saving.
  void tooLongNameIsRefused() {
    TStrip s;
    s.DoubleClickTab(0);
    QVERIFY(s.Editor());
    s.Editor()->selectAll();
    QTest::keyClicks(s.Editor(), QString(256, 'w'));
    QTest::keyClick(s.Editor(), Qt::Key_Return);
    QCOMPARE(Messages(*s.Book).Messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(Messages(*s.Book).Messages[0]),
             QString("A sheet caption holds at most 255 characters"));
    QCOMPARE(QString::fromStdString(s.Book->Pages(0).Caption()), QString("Sheet1"));
    QCOMPARE(s.Info().Tabs[0].Caption, QString("Sheet1"));
  }

  void noRenameWhenTheActiveCellIsLocked() {
    TStrip s;
    s.Book->ActiveSheet().SetProtected(true);
    s.DoubleClickTab(0);
    QVERIFY(!s.Editor() || !s.Editor()->isVisible());
    // An unlocked active cell may be edited, so the sheet may be renamed.
    s.Style(0, 0, [](TcxSSCellStyle& st) { st.SetLocked(false); });
    s.DoubleClickTab(0);
    QVERIFY(s.Editor() && s.Editor()->isVisible());
  }

  void rightClickAsksForTheTabMenu() {
    TStrip s;
    QList<QPoint> asked;
    s.Book->OnCaptionPopupMenu = [&](TcxCustomSpreadSheetBook&, int x, int y) { asked.append(QPoint(x, y)); };
    QTest::mouseClick(s.Control.get(), Qt::RightButton, {}, s.TabCentre(1));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0], s.Control->mapToGlobal(s.TabCentre(1)));
    QCOMPARE(s.Book->ActivePage(), 0);
    QCOMPARE(s.Control->CaptureOwner(), nullptr);
    // A handled context request, or a pop-up menu of the control's own, takes precedence.
    s.Book->OnContextPopup = [](TcxCustomSpreadSheetBook&, TPoint, bool& handled) { handled = true; };
    QTest::mouseClick(s.Control.get(), Qt::RightButton, {}, s.TabCentre(1));
    QCOMPARE(asked.size(), 1);
  }

  void hidingTheStrip() {
    TStrip s;
    const int h = s.H();
    s.Book->SetShowCaptionBar(false);
    QVERIFY(!s.Captions().Visible());
    // The horizontal scroll bar still needs the line.
    QCOMPARE(s.Control->SheetArea(), QRect(0, 0, 584, 400 - h));
    s.Book->SetScrollBars(sbsVertical);
    QCOMPARE(s.Control->SheetArea(), QRect(0, 0, 584, 400));
    TcxSSHitTestRec hit;
    QVERIFY(s.Control->GetHitTest(QPoint(200, 395), hit));
    QCOMPARE(int(hit.Kind), int(htCell));
    s.Book->SetShowCaptionBar(true);
    QCOMPARE(s.Control->SheetArea(), QRect(0, 0, 584, 400 - h));
  }

  void stripIsPainted() {
    TStrip s;
    const QImage image = s.Grab();
    const int mid = s.Top() + s.H() / 2;
    // The inactive tab in the header colour, the active one in the window colour.
    QCOMPARE(image.pixel(s.Tab(1).Right - 14, s.Top() + 3), Rgb(s.Book->HeaderColor()));
    QCOMPARE(image.pixel(s.Tab(0).Left + 13, mid), Rgb(kclWindow));
    // The buttons' frames and a black arrow in each.
    QCOMPARE(image.pixel(0, mid), Rgb(kclBtnShadow));
    bool arrow = false;
    for (int x = 0; x < s.H() && !arrow; ++x) arrow = image.pixel(s.H() + x, mid) == qRgb(0, 0, 0);
    QVERIFY(arrow);
    // Captions in black.
    bool ink = false;
    for (int x = s.Tab(1).Left + 12; x < s.Tab(1).Right - 12 && !ink; ++x)
      for (int y = s.Top() + 2; y < s.Top() + s.H() - 2 && !ink; ++y)
        ink = qGray(image.pixel(x, y)) < 100;
    QVERIFY(ink);
  }
};

QTEST_MAIN(TestPageCaptions)
#include "tst_cxSSBookPageCaptions.moc"
