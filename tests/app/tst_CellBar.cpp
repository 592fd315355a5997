// The parts of the main window that follow the workbook: the cell bar (reference panel and cell
// text box), the formatting buttons and font boxes of the active cell, and the undo and redo
// drop-down lists.
#include <QComboBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "WorkbookWindowDriver.h"
#include "app/HistoryMenu.h"
#include "calc/cxSSFormulasCache.h"
#include "sheet/cxSpreadSheetHistory.h"

class TestCellBar : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;
  std::unique_ptr<TWorkbookWindowDriver> drive_;

  TWorkbookWindowDriver& D() { return *drive_; }
  TcxSpreadSheetBook& Book() { return D().Book(); }
  QLineEdit* Box() { return window_->edtCellEdit; }
  QToolButton* HistoryButton(const char* name) {
    return window_->tbHistory->findChild<QToolButton*>(name);
  }
  QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions()) captions << action->text();
    return captions;
  }

private slots:
  void init() {
    window_ = TWorkbookWindowDriver::ShowMainWindow();
    QVERIFY(window_->isActiveWindow());
    drive_ = std::make_unique<TWorkbookWindowDriver>(*window_);
  }

  void cleanup() {
    drive_.reset();
    window_.reset();
  }

  // --- The reference panel -----------------------------------------------------------------------

  void referencePanel_data() {
    QTest::addColumn<QString>("cells");
    QTest::addColumn<bool>("r1c1");
    QTest::addColumn<QString>("name");  // a name defined for B2:D4 first
    QTest::addColumn<QString>("shown");
    QTest::newRow("range") << "B2:D4" << false << "" << "B2 x D4";
    QTest::newRow("R1C1") << "B2:D4" << true << "" << "R2C2 x R4C4";
    QTest::newRow("name of the range") << "B2:D4" << false << "Prodaja" << "Prodaja";
    QTest::newRow("name of another range") << "B2:D5" << false << "Prodaja" << "B2 x D5";
    QTest::newRow("one cell") << "C7" << true << "" << "R7C3";
    QTest::newRow("long references") << "BC17:BW65536" << true << "" << "R17C55 x R65536C75";
  }
  void referencePanel() {
    QFETCH(QString, cells);
    QFETCH(bool, r1c1);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    if (!name.isEmpty())
      QVERIFY(Book().FormulasCache().AddName(name.toStdString(), 0, true,
                                             TWorkbookWindowDriver::Cells("B2:D4")) >= 0);
    if (r1c1) window_->actR1C1Referencestyle->trigger();
    D().Select(cells);
    QCOMPARE(window_->pnCellRect->text(), shown);
    // 81 wide, and the whole reference shows however long it is.
    QLabel& panel = *window_->pnCellRect;
    QVERIFY(panel.width() >= 81);
    QVERIFY(panel.contentsRect().width() >= panel.fontMetrics().horizontalAdvance(shown));
    if (shown.size() <= 7) QCOMPARE(panel.width(), 81);
  }

  // --- The cell text box -------------------------------------------------------------------------

  void textBoxShowsTheActiveCellsEditText() {
    D().Enter("A1", "12,5");
    D().Enter("A2", "=A1*2");
    D().Enter("A3", "tekst");
    D().Select("A2:B4");
    QCOMPARE(Box()->text(), QString("=A1*2"));
    D().Select("A3");
    QCOMPARE(Box()->text(), QString("tekst"));
    D().Select("A1");
    QCOMPARE(Box()->text(), D().Text("A1"));
    D().Select("C9");
    QCOMPARE(Box()->text(), QString());
  }

  void typedTextGoesInRawAndIsInterpretedOnLeaving_data() {
    QTest::addColumn<bool>("enter");  // leave with Enter, or by clicking the grid
    QTest::newRow("Enter") << true;
    QTest::newRow("click on the grid") << false;
  }
  void typedTextGoesInRawAndIsInterpretedOnLeaving() {
    QFETCH(bool, enter);
    D().Select("B2");
    QTest::mouseClick(Box(), Qt::LeftButton);
    QVERIFY(Box()->hasFocus());
    QTest::keyClicks(Box(), "=1+1");
    // While typing the cell holds exactly the text, as text: no formula, no value.
    QCOMPARE(D().Text("B2"), QString("=1+1"));
    QCOMPARE(D().Value("B2"), QString("=1+1"));
    QCOMPARE(Book().History().UndoDescriptions().size(), size_t(4));
    if (enter)
      QTest::keyClick(Box(), Qt::Key_Return);
    else
      QTest::mouseClick(&D().Control(), Qt::LeftButton, {}, D().CellCentre(1, 1));
    QVERIFY(D().Control().hasFocus());
    QCOMPARE(D().Value("B2"), QString("2"));
    QCOMPARE(D().Text("B2"), QString("=1+1"));
    QCOMPARE(Box()->text(), QString("=1+1"));
    // Undo goes back through what was typed.
    Book().History().Undo(1);
    QCOMPARE(D().Value("B2"), QString("=1+1"));
  }

  void clickingIntoTheBoxAndOutChangesNothing() {
    D().Enter("A1", "5");
    D().Select("A1");
    const auto steps = Book().History().UndoDescriptions();
    QTest::mouseClick(Box(), Qt::LeftButton);
    QTest::keyClick(Box(), Qt::Key_Return);
    QCOMPARE(Book().History().UndoDescriptions(), steps);
    QCOMPARE(D().Text("A1"), QString("5"));
  }

  void boxFollowsAnUndo() {
    D().Select("A1");
    D().Enter("A1", "prvo");
    D().Enter("A1", "drugo");
    // A change of the active cell that is no new selection shows once it is complete.
    QTRY_COMPARE(Box()->text(), QString("drugo"));
    D().ClickToolButton(window_->tbHistory, window_->actUndo);
    QTRY_COMPARE(Box()->text(), QString("prvo"));
  }

  // --- The tool bars follow the active cell -------------------------------------------------------

  void buttonsFollowTheActiveCell() {
    // B2 bold and centred, in Arial 14; C3 plain.
    D().Enter("B2", "naslov");
    D().Select("B2");
    window_->actBold->trigger();
    window_->actCellCenterAlign->trigger();
    window_->actItalic->trigger();
    window_->actItalic->trigger();
    {
      TcxSSCellObject cell(D().Sheet().DataStorage(), 1, 1);
      TcxSSFont& font = cell.Style().Font();
      font.SetValues("Arial", 14, font.FontColor(), font.Charset(), font.Style());
    }
    D().Select("C3");
    QVERIFY(!window_->actBold->isChecked());
    QVERIFY(window_->actCellLeftAlign->isChecked());
    D().Select("B2");
    QVERIFY(window_->actBold->isChecked());
    QVERIFY(window_->actCellCenterAlign->isChecked());
    QVERIFY(!window_->actCellLeftAlign->isChecked());
    QVERIFY(!window_->actCellRightAlign->isChecked());
    QVERIFY(!window_->actItalic->isChecked());
    QVERIFY(!window_->actUnderline->isChecked());
    QVERIFY(!window_->actStrikeOut->isChecked());
    QCOMPARE(window_->cbxFont->currentText(), QString("Arial"));
    QCOMPARE(window_->cbxSize->currentText(), QString("14"));
    // Refreshing the boxes applies nothing to the cells.
    QCOMPARE(Book().History().UndoDescriptions().front(), std::string("Change cells"));

    // A number aligns right by itself: the right button shows it.
    D().Enter("D4", "42");
    D().Select("D4");
    QVERIFY(window_->actCellRightAlign->isChecked());
    QCOMPARE(window_->cbxFont->currentText(), QString("Tahoma"));
  }

  // A cell centred across the selection shows the centre button; distributed text the left
  // one. A size of 8.5 points shows as it is, and making the text bold keeps it.
  void extraAlignmentsAndHalfPointSizes() {
    D().Enter("B2", "preko");
    D().Enter("C3", "raspoređeno");
    {
      TcxSSCellObject b2(D().Sheet().DataStorage(), 1, 1);
      b2.Style().SetHorzTextAlign(haCENTERACROSS);
      TcxSSFont& font = b2.Style().Font();
      font.SetValuesOfHeight("Arial", 170, font.FontColor(), font.Charset(), font.Style());
      TcxSSCellObject c3(D().Sheet().DataStorage(), 2, 2);
      c3.Style().SetHorzTextAlign(haDISTRIBUTED);
    }
    D().Select("C3");
    QVERIFY(window_->actCellLeftAlign->isChecked());
    D().Select("B2");
    QVERIFY(window_->actCellCenterAlign->isChecked());
    QVERIFY(!window_->actCellLeftAlign->isChecked());
    QCOMPARE(window_->cbxSize->currentText(), QString("8.5"));
    window_->actBold->trigger();
    QCOMPARE(D().Style("B2").Font->Height, int16_t{170});
    QVERIFY(D().Style("B2").Font->Style & kFontBold);
  }

  void checkMarksFollowTheWorkbook() {
    Book().SetShowGrid(false);
    Book().SetAutoRecalc(false);
    Book().SetPainterType(ptOffice97Style);
    D().Select("B2");
    QVERIFY(!window_->actShowgrid->isChecked());
    QVERIFY(!window_->actAutomaticCalc->isChecked());
    QVERIFY(!window_->actBeveledLookandFeel->isChecked());
    QVERIFY(window_->actShowheaders->isChecked());
    // Another window with its own settings.
    window_->NewWorkbookWindow();
    QVERIFY(window_->actShowgrid->isChecked());
    QVERIFY(window_->actAutomaticCalc->isChecked());
    QVERIFY(window_->actBeveledLookandFeel->isChecked());
  }

  // --- The undo and redo lists -------------------------------------------------------------------

  void severalStepsUndoneFromTheDropDown() {
    for (const char* value : {"1", "2", "3", "4"}) D().Enter("A1", value);
    D().Select("B1");
    window_->actBold->trigger();
    TWorkbookWindowDriver::Idle();
    THistoryMenu* list = window_->pmUndo;
    QStringList captions;
    QString hoveredSummary;
    QImage drawn;
    TWorkbookWindowDriver::WhileMenuShown(
        list,
        [&] {
          captions = Captions(list);
          // Hovering over the third step marks the three newest and counts them.
          QTest::mouseMove(list, list->actionGeometry(list->actions()[2]).center());
          QTRY_COMPARE(list->activeAction(), list->actions()[2]);
          hoveredSummary = list->SummaryText();
          drawn = list->grab().toImage();
          TWorkbookWindowDriver::Click(list, list->actions()[2]);
        },
        [&] { TWorkbookWindowDriver::ClickArrow(HistoryButton("tbUndo")); });
    QCOMPARE(captions, (QStringList{"Format cells", "Change cells", "Change cells", "Change cells",
                                    "Change cells", ""}));
    QCOMPARE(hoveredSummary, QString::fromUtf8("Poništi 3 operaciju"));
    const QColor highlight = list->palette().color(QPalette::Highlight);
    for (int k = 0; k < 5; ++k) {
      const QRect item = list->actionGeometry(list->actions()[k]);
      QCOMPARE(drawn.pixelColor(item.right() - 2, item.center().y()) == highlight, k <= 2);
    }
    // Three steps undone: the bold and two edits.
    QCOMPARE(D().FontStyle("B1"), uint8_t(0));
    QCOMPARE(D().Text("A1"), QString("2"));
    QCOMPARE(Book().History().RedoDescriptions().size(), size_t(3));

    // The redo list, with nothing hovered, counts every step; choosing the newest redoes one.
    TWorkbookWindowDriver::Idle();
    QString summary;
    TWorkbookWindowDriver::WhileMenuShown(
        window_->pmRedo,
        [&] {
          captions = Captions(window_->pmRedo);
          summary = window_->pmRedo->SummaryText();
          TWorkbookWindowDriver::Click(window_->pmRedo, window_->pmRedo->actions()[0]);
        },
        [&] { TWorkbookWindowDriver::ClickArrow(HistoryButton("tbRedo")); });
    QCOMPARE(captions, (QStringList{"Change cells", "Change cells", "Format cells", ""}));
    QCOMPARE(summary, QString("Vrati 3 operaciju"));
    QCOMPARE(D().Text("A1"), QString("3"));
    QCOMPARE(D().FontStyle("B1"), uint8_t(0));
  }

  void summaryItemDoesNothing() {
    D().Enter("A1", "1");
    D().Enter("A1", "2");
    TWorkbookWindowDriver::Idle();
    THistoryMenu* list = window_->pmUndo;
    QString summary;
    TWorkbookWindowDriver::WhileMenuShown(
        list,
        [&] {
          QAction* last = list->actions().last();
          QTest::mouseMove(list, list->actionGeometry(last).center());
          QTRY_COMPARE(list->activeAction(), last);
          summary = list->SummaryText();
          TWorkbookWindowDriver::Click(list, last);
        },
        [&] { TWorkbookWindowDriver::ClickArrow(HistoryButton("tbUndo")); });
    QCOMPARE(summary, QString::fromUtf8("Poništi 2 operaciju"));
    QCOMPARE(D().Text("A1"), QString("2"));
  }

  void emptyListShowsOnlyTheSummaryLine() {
    THistoryMenu* list = window_->pmUndo;
    list->popup(window_->mapToGlobal(QPoint(40, 40)));
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(Captions(list), QStringList{""});
    QCOMPARE(list->SummaryText(), QString::fromUtf8("Poništi 0 operaciju"));
    // The summary line is ten pixels higher than an item.
    const int line = list->fontMetrics().height();
    QCOMPARE(list->actionGeometry(list->actions()[0]).height(), line + 10);
    list->close();
  }

  void itemsAreAsHighAsTheirText() {
    D().Enter("A1", "1");
    D().Enter("A2", "&2");
    THistoryMenu* list = window_->pmUndo;
    list->popup(window_->mapToGlobal(QPoint(40, 40)));
    QTRY_VERIFY(list->isVisible());
    const int line = list->fontMetrics().height();
    const QRect first = list->actionGeometry(list->actions()[0]);
    const QRect second = list->actionGeometry(list->actions()[1]);
    QCOMPARE(first.height(), line);
    QCOMPARE(second.top(), first.bottom() + 1);
    QVERIFY(first.width() >= 90);
    list->close();
  }
};

QTEST_MAIN(TestCellBar)
#include "tst_CellBar.moc"
