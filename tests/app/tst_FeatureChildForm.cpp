// The document window and the workbook it holds: the workbook's settings, the Editing flag,
// the selection handler and the current workbook of the main window.
#include <QLabel>
#include <QPointer>
#include <QMdiArea>
#include <QTest>

#include "app/FeatureChildForm.h"
#include "app/zofMirelGlavna.h"
#include "sheet/cxSSBookSheet.h"
#include "styles/cxSSCellStyle.h"
#include "view/cxSSBookPageCaptions.h"
#include "view/cxSheetPainter.h"
#include "view/cxSpreadSheetBookControl.h"

class TestFeatureChildForm : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;

private slots:
  void init() {
    window_ = std::make_unique<TzofMirelGlavna>();
    window_->NewWorkbookWindow();
    window_->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void workbookIsConfiguredAsDesigned() {
    TcxSpreadSheetBook& book = window_->ActiveChild()->Book();
    QCOMPARE(int(book.DefaultStyle().Brush().BackgroundColor()), 57);
    QCOMPARE(int(book.DefaultStyle().Brush().ForegroundColor()), 57);
    QCOMPARE(QString::fromStdString(book.DefaultStyle().Font().Name()), QString("Tahoma"));
    QCOMPARE(QString::fromStdString(book.HeaderFont().Name), QString("MS Sans Serif"));
    QCOMPARE(book.HeaderFont().Size, 8);
    QCOMPARE(book.PainterType(), ptOfficeXPStyle);
    QCOMPARE(book.PageCount(), 1);
    QCOMPARE(QString::fromStdString(book.ActiveSheet().Caption()), QString("Sheet1"));
    QVERIFY(book.OnSetSelection);
  }

  void theWorkbookControlFillsTheWindow() {
    TFeatureChildForm* form = window_->ActiveChild();
    TcxSpreadSheetBookControl& control = form->BookControl();
    QCOMPARE(form->widget(), &control);
    QCOMPARE(&control.Book(), static_cast<TcxCustomSpreadSheetBook*>(&form->Book()));
    QCOMPARE(form->Book().Control(), static_cast<IcxBookControl*>(&control));
    QVERIFY(dynamic_cast<TcxXPPainter*>(&control.Painter()));
    QVERIFY(control.isVisible());
    QVERIFY(control.SheetArea().width() > 0 && control.SheetArea().height() > 0);
    // The first sheet on screen: its tab, its column headers in the header colour.
    QVERIFY(control.PageCaptions().Visible());
    const QImage image = control.grab().toImage();
    QCOMPARE(image.pixel(200, 10), QColor(240, 240, 240).rgb());
  }

  void aClosedWindowTakesItsControlAndWorkbookAlong() {
    TFeatureChildForm& second = window_->NewWorkbookWindow();
    QPointer<TcxSpreadSheetBookControl> control = &second.BookControl();
    delete &second;
    QVERIFY(control.isNull());
    QCOMPARE(window_->DocumentWindows().size(), 1);
  }

  void everyWindowHasItsOwnWorkbook() {
    TFeatureChildForm* first = window_->ActiveChild();
    window_->NewWorkbookWindow();
    TFeatureChildForm* second = window_->ActiveChild();
    QVERIFY(first != second);
    QVERIFY(&first->Book() != &second->Book());
    QCOMPARE(window_->ActiveBook(), &second->Book());
    window_->MdiArea->setActiveSubWindow(first);
    QCOMPARE(window_->ActiveBook(), &first->Book());
  }

  void editingFollowsTheWorkbookEvents() {
    TFeatureChildForm* form = window_->ActiveChild();
    TcxSpreadSheetBook& book = form->Book();
    QVERIFY(!form->Editing());
    bool canEdit = true;
    book.OnEditing(book.ActiveSheet(), 1, 1, canEdit);
    QVERIFY(form->Editing());
    QVERIFY(canEdit);
    book.OnEndEdit(book);
    QVERIFY(!form->Editing());
  }

  void selectionShowsInTheReferencePanel_data() {
    QTest::addColumn<QRect>("cells");  // left, top, right, bottom as x1, y1, x2, y2
    QTest::addColumn<QString>("reference");
    QTest::newRow("one cell") << QRect(QPoint(2, 4), QPoint(2, 4)) << "C5";
    QTest::newRow("range") << QRect(QPoint(1, 1), QPoint(3, 3)) << "B2 x D4";
    QTest::newRow("column AA") << QRect(QPoint(26, 0), QPoint(26, 0)) << "AA1";
  }
  void selectionShowsInTheReferencePanel() {
    QFETCH(QRect, cells);
    QFETCH(QString, reference);
    TcxSpreadSheetBook& book = window_->ActiveChild()->Book();
    book.ActiveSheet().SetSelection({cells.left(), cells.top(), cells.right(), cells.bottom()});
    QCOMPARE(window_->pnCellRect->text(), reference);
    QVERIFY(!window_->UpdatingFromBook);
  }

  // Clicking a sheet tab shows that sheet's selection in the reference panel, and clicking the
  // first tab again shows the first sheet's.
  void switchingSheetsByTheTabsShowsTheirSelection() {
    TFeatureChildForm* form = window_->ActiveChild();
    TcxSpreadSheetBook& book = form->Book();
    book.SetPageCount(3);
    book.Pages(1).SetSelection({4, 9, 4, 9});
    book.Pages(2).SetSelection({0, 0, 2, 6});
    book.Pages(0).SetSelection({1, 1, 3, 3});
    QCOMPARE(window_->pnCellRect->text(), QString("B2 x D4"));
    TcxSpreadSheetBookControl& control = form->BookControl();
    const auto clickTab = [&](int index) {
      const TcxSSBookPageCaptions& tabs = control.PageCaptions();
      const TRect& tab = tabs.ViewInfo().Tabs.at(index).Rect;
      QTest::mouseClick(&control, Qt::LeftButton, {},
                        QPoint((tab.Left + tab.Right) / 2, tabs.Top() + tabs.Height() / 2));
      QCOMPARE(book.ActivePage(), index);
    };
    clickTab(1);
    QCOMPARE(window_->pnCellRect->text(), QString("E10"));
    clickTab(2);
    QCOMPARE(window_->pnCellRect->text(), QString("A1 x C7"));
    clickTab(0);
    QCOMPARE(window_->pnCellRect->text(), QString("B2 x D4"));
    QVERIFY(!window_->UpdatingFromBook);
  }

  void activatingAWindowShowsItsSelection() {
    TFeatureChildForm* first = window_->ActiveChild();
    first->Book().ActiveSheet().SetSelection({1, 1, 3, 3});
    window_->NewWorkbookWindow();
    window_->ActiveChild()->Book().ActiveSheet().SetSelection({4, 9, 4, 9});
    QCOMPARE(window_->pnCellRect->text(), QString("E10"));
    window_->MdiArea->setActiveSubWindow(first);
    QCOMPARE(window_->pnCellRect->text(), QString("B2 x D4"));
  }
};

QTEST_MAIN(TestFeatureChildForm)
#include "tst_FeatureChildForm.moc"
