// The main window's commands at work on a real workbook: each reached the ways a user reaches
// it (the menu bar, a tool button, the sheet pop-up menu, a key) and the workbook checked
// afterwards.
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QEventLoop>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

#include "ModalAnswers.h"
#include "WorkbookWindowDriver.h"
#include "app/BordersMenu.h"
#include "app/FeatureModifyForm.h"
#include "dialogs/cxSSColorBox.h"
#include "dialogs/cxSSDesigner.h"
#include "calc/cxSSFormulasCache.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"

namespace {

const QString kFormatStep = "Format cells";

// Answers the insert/delete dialog: checks its caption, picks an option, presses OK.
TModalAnswers::TAnswer Choose(const QString& caption, QRadioButton* TFeatureModifyForm::*option) {
  return [caption, option](QWidget* dialog) {
    auto* form = qobject_cast<TFeatureModifyForm*>(dialog);
    QVERIFY2(form, "the insert/delete dialog was expected");
    QCOMPARE(form->windowTitle(), caption);
    QTest::mouseClick(form->*option, Qt::LeftButton);
    QTest::mouseClick(form->btnOk, Qt::LeftButton);
  };
}

}  // namespace

class TestMainCommands : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;
  std::unique_ptr<TModalAnswers> answers_;
  std::unique_ptr<TWorkbookWindowDriver> drive_;

  TWorkbookWindowDriver& D() { return *drive_; }
  TcxSpreadSheetBook& Book() { return D().Book(); }
  QStringList UndoSteps() {
    QStringList steps;
    for (const std::string& step : Book().History().UndoDescriptions()) steps << QString::fromStdString(step);
    return steps;
  }
  void NoUnansweredDialogs() {
    QVERIFY2(answers_->Unexpected.isEmpty(), qPrintable(answers_->Unexpected.join("; ")));
    QCOMPARE(answers_->Pending(), 0);
  }

private slots:
  void init() {
    window_ = TWorkbookWindowDriver::ShowMainWindow();
    QVERIFY(window_->isActiveWindow());
    answers_ = std::make_unique<TModalAnswers>();
    drive_ = std::make_unique<TWorkbookWindowDriver>(*window_);
  }

  void cleanup() {
    drive_.reset();
    answers_.reset();
    window_.reset();
  }

  // --- Font style and alignment --------------------------------------------------------------

  void boldOnAPartlyBoldRangeFollowsTheButton() {
    //  A1 bold   B1 italic
    //  A2        B2 bold+underline
    D().Enter("A1", "a");
    D().Select("A1");
    window_->actBold->trigger();
    D().Select("B1");
    window_->actItalic->trigger();
    D().Select("B2");
    window_->actBold->trigger();
    window_->actUnderline->trigger();
    QCOMPARE(D().FontStyle("B2"), uint8_t(kFontBold | kFontUnderline));

    // A1 is the active cell: the button shows it bold; a click releases it and clears bold on
    // every cell, keeping the other styles.
    D().Select("A1:B2");
    QVERIFY(window_->actBold->isChecked());
    D().ClickToolButton(window_->tbFormatting, window_->actBold);
    QVERIFY(!window_->actBold->isChecked());
    QCOMPARE(D().FontStyle("A1"), uint8_t(0));
    QCOMPARE(D().FontStyle("B1"), uint8_t(kFontItalic));
    QCOMPARE(D().FontStyle("A2"), uint8_t(0));
    QCOMPARE(D().FontStyle("B2"), uint8_t(kFontUnderline));
    // Once more: all bold.
    D().ClickToolButton(window_->tbFormatting, window_->actBold);
    QCOMPARE(D().FontStyle("A1"), uint8_t(kFontBold));
    QCOMPARE(D().FontStyle("B1"), uint8_t(kFontBold | kFontItalic));
    QCOMPARE(D().FontStyle("A2"), uint8_t(kFontBold));
    QCOMPARE(D().FontStyle("B2"), uint8_t(kFontBold | kFontUnderline));
    // One step, undone at once.
    QCOMPARE(UndoSteps().first(), kFormatStep);
    Book().History().Undo(1);
    QCOMPARE(D().FontStyle("A2"), uint8_t(0));
    QCOMPARE(D().FontStyle("B1"), uint8_t(kFontItalic));
  }

  void styleKeysAndButtons_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("key");  // 0: the tool button instead
    QTest::addColumn<int>("bit");
    QTest::newRow("Ctrl+B") << "actBold" << int(Qt::Key_B) << int(kFontBold);
    QTest::newRow("Ctrl+I") << "actItalic" << int(Qt::Key_I) << int(kFontItalic);
    QTest::newRow("Ctrl+U") << "actUnderline" << int(Qt::Key_U) << int(kFontUnderline);
    QTest::newRow("italic button") << "actItalic" << 0 << int(kFontItalic);
    QTest::newRow("underline button") << "actUnderline" << 0 << int(kFontUnderline);
    QTest::newRow("strike-out button") << "actStrikeOut" << 0 << int(kFontStrikeOut);
  }
  void styleKeysAndButtons() {
    QFETCH(QString, action);
    QFETCH(int, key);
    QFETCH(int, bit);
    QAction* command = window_->findChild<QAction*>(action);
    D().Select("B2:C3");
    const auto press = [&] {
      if (key)
        D().Press(key, Qt::ControlModifier);
      else
        D().ClickToolButton(window_->tbFormatting, command);
    };
    press();
    QVERIFY(command->isChecked());
    for (const char* cell : {"B2", "C2", "B3", "C3"}) QCOMPARE(int(D().FontStyle(cell)), bit);
    QCOMPARE(int(D().FontStyle("D3")), 0);
    press();
    QVERIFY(!command->isChecked());
    for (const char* cell : {"B2", "C3"}) QCOMPARE(int(D().FontStyle(cell)), 0);
  }

  void alignmentButtonsAreOneGroup() {
    D().Select("A1:B2");
    D().ClickToolButton(window_->tbFormatting, window_->actCellCenterAlign);
    QCOMPARE(D().Style("B2").HorzTextAlign, haCENTER);
    QVERIFY(window_->actCellCenterAlign->isChecked());
    QVERIFY(!window_->actCellLeftAlign->isChecked());
    D().ClickToolButton(window_->tbFormatting, window_->actCellRightAlign);
    QCOMPARE(D().Style("A1").HorzTextAlign, haRIGHT);
    QVERIFY(!window_->actCellCenterAlign->isChecked());
    D().ClickToolButton(window_->tbFormatting, window_->actCellLeftAlign);
    QCOMPARE(D().Style("A2").HorzTextAlign, haLEFT);
    QCOMPARE(D().Style("C3").HorzTextAlign, haGENERAL);
  }

  void fontBoxesSetNameAndSize() {
    D().Select("A1:A2");
    QLineEdit* size = window_->cbxSize->lineEdit();
    size->setFocus();
    size->selectAll();
    QTest::keyClicks(size, "14");
    QCOMPARE(int(D().Style("A2").Font->Size()), 14);
    // Letters and Backspace are swallowed: the size box keeps "14" and nothing changes.
    QTest::keyClicks(size, "ab");
    QTest::keyClick(size, Qt::Key_Backspace);
    QCOMPARE(size->text(), QString("14"));
    QCOMPARE(int(D().Style("A1").Font->Size()), 14);
    // An empty size changes nothing.
    const QStringList before = UndoSteps();
    size->clear();
    window_->actFontSize->trigger();
    QCOMPARE(UndoSteps(), before);
    QCOMPARE(int(D().Style("A1").Font->Size()), 14);
    // Enter gives the grid the focus back.
    QTest::keyClick(size, Qt::Key_Return);
    QVERIFY(D().Control().hasFocus());

    // A size chosen from the list.
    window_->cbxSize->setCurrentIndex(window_->cbxSize->findText("20 "));
    emit window_->cbxSize->textActivated("20 ");
    QCOMPARE(int(D().Style("A1").Font->Size()), 20);

    // A font typed and confirmed with Enter.
    QLineEdit* font = window_->cbxFont->lineEdit();
    font->setFocus();
    font->selectAll();
    QTest::keyClicks(font, "DejaVu Serif");
    QTest::keyClick(font, Qt::Key_Return);
    QCOMPARE(QString::fromStdString(D().Style("A2").Font->Name), QString("DejaVu Serif"));
    QCOMPARE(int(D().Style("A2").Font->Size()), 20);
    QVERIFY(D().Control().hasFocus());
  }

  // --- Borders -----------------------------------------------------------------------------------

  void borderPresetFiveThenOne() {
    D().Select("B2:C3");
    ChooseBorderPreset(5);
    //     B    C    D
    // 2   +----+----+
    //     |    |    |
    // 3   +----+----+
    //     |    |    |
    // 4   +----+----+
    for (const char* cell : {"B2", "B3", "C2", "C3", "D2", "D3"}) QCOMPARE(D().Edge(cell, eLeft), lsThin);
    for (const char* cell : {"B2", "C2", "B3", "C3", "B4", "C4"}) QCOMPARE(D().Edge(cell, eTop), lsThin);
    QCOMPARE(D().Edge("E2", eLeft), lsDefault);
    QCOMPARE(D().Edge("B5", eTop), lsDefault);
    QCOMPARE(D().Edge("A2", eLeft), lsDefault);
    QCOMPARE(UndoSteps().first(), kFormatStep);

    // Preset 1 keeps the outer left, top and right lines, draws a double bottom line and
    // removes the inner ones.
    ChooseBorderPreset(1);
    for (const char* cell : {"B2", "B3", "D2", "D3"}) QCOMPARE(D().Edge(cell, eLeft), lsThin);
    for (const char* cell : {"B2", "C2"}) QCOMPARE(D().Edge(cell, eTop), lsThin);
    for (const char* cell : {"B4", "C4"}) QCOMPARE(D().Edge(cell, eTop), lsDouble);
    for (const char* cell : {"C2", "C3"}) QCOMPARE(D().Edge(cell, eLeft), lsDefault);
    for (const char* cell : {"B3", "C3"}) QCOMPARE(D().Edge(cell, eTop), lsDefault);

    // Preset 0 removes every line of the block.
    ChooseBorderPreset(0);
    for (const char* cell : {"B2", "B3", "D2", "D3"}) QCOMPARE(D().Edge(cell, eLeft), lsDefault);
    for (const char* cell : {"B2", "C2", "B4", "C4"}) QCOMPARE(D().Edge(cell, eTop), lsDefault);
  }

  void borderPresetsOfTheTable_data() {
    QTest::addColumn<int>("preset");
    QTest::addColumn<QList<int>>("lines");  // left, top, right, bottom, inner: -1 kept
    QTest::newRow("2") << 2 << QList<int>{-1, lsThin, -1, lsThick, lsDefault};
    QTest::newRow("3") << 3 << QList<int>{-1, -1, -1, lsThin, lsDefault};
    QTest::newRow("4") << 4 << QList<int>{-1, -1, -1, lsThick, lsDefault};
    QTest::newRow("6") << 6 << QList<int>{lsThin, -1, -1, -1, lsDefault};
    QTest::newRow("7") << 7 << QList<int>{-1, lsThin, -1, lsThin, lsDefault};
    QTest::newRow("8") << 8 << QList<int>{lsThin, lsThin, lsThin, lsThin, lsDefault};
    QTest::newRow("9") << 9 << QList<int>{-1, -1, lsThin, -1, lsDefault};
    QTest::newRow("10") << 10 << QList<int>{-1, lsThin, -1, lsDouble, lsDefault};
    QTest::newRow("11") << 11 << QList<int>{lsThick, lsThick, lsThick, lsThick, lsDefault};
  }
  void borderPresetsOfTheTable() {
    QFETCH(int, preset);
    QFETCH(QList<int>, lines);
    // Every line of the block medium first, so that a kept line shows as medium.
    D().Select("B2:C3");
    window_->Guarded([&] {
      for (const char* cell : {"B2", "B3", "C2", "C3", "D2", "D3"}) SetEdge(cell, eLeft, lsMedium);
      for (const char* cell : {"B2", "C2", "B3", "C3", "B4", "C4"}) SetEdge(cell, eTop, lsMedium);
    });
    ChooseBorderPreset(preset);
    const auto expected = [&](int side) { return lines[side] < 0 ? lsMedium : TcxSSEdgeLineStyle(lines[side]); };
    QCOMPARE(D().Edge("B2", eLeft), expected(0));
    QCOMPARE(D().Edge("B3", eLeft), expected(0));
    QCOMPARE(D().Edge("B2", eTop), expected(1));
    QCOMPARE(D().Edge("C2", eTop), expected(1));
    QCOMPARE(D().Edge("D2", eLeft), expected(2));
    QCOMPARE(D().Edge("D3", eLeft), expected(2));
    QCOMPARE(D().Edge("B4", eTop), expected(3));
    QCOMPARE(D().Edge("C4", eTop), expected(3));
    QCOMPARE(D().Edge("C3", eLeft), expected(4));
    QCOMPARE(D().Edge("C3", eTop), expected(4));
  }

  // --- Summary -----------------------------------------------------------------------------------

  void summaryOfARangeGoesBelowItsBottomRightCell() {
    //  A  B
    //  1  2
    //  3  4
    //  5  6
    const char* values[] = {"A1", "1", "B1", "2", "A2", "3", "B2", "4", "A3", "5", "B3", "6"};
    for (int k = 0; k < 12; k += 2) D().Enter(values[k], values[k + 1]);
    D().Select("A1:B3");
    // The button itself writes the sum.
    QTest::mouseClick(window_->tbSummary, Qt::LeftButton);
    QCOMPARE(D().Text("B4"), QString("=SUM(A1:B3)"));
    QCOMPARE(D().Value("B4"), QString("21"));
    QCOMPARE(D().Text("A4"), QString());
  }

  void summaryFunctionsFromTheDropDown_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("value");
    QTest::newRow("Suma") << "actSum" << "=SUM(C5)" << "8";
    QTest::newRow("Prosek") << "actAverage" << "=AVERAGE(C5)" << "8";
    QTest::newRow("Brojanje") << "actCount" << "=COUNT(C5)" << "1";
    QTest::newRow("Maksimum") << "actMax" << "=MAX(C5)" << "8";
    QTest::newRow("Minimum") << "actMin" << "=MIN(C5)" << "8";
  }
  void summaryFunctionsFromTheDropDown() {
    QFETCH(QString, action);
    QFETCH(QString, formula);
    QFETCH(QString, value);
    D().Enter("C5", "8");
    D().Select("C5");
    QAction* command = window_->findChild<QAction*>(action);
    TWorkbookWindowDriver::WhileMenuShown(window_->pmSummary, [&] { TWorkbookWindowDriver::Click(window_->pmSummary, command); },
                   [&] { TWorkbookWindowDriver::ClickArrow(window_->tbSummary); });
    QCOMPARE(D().Text("C6"), formula);
    QCOMPARE(D().Value("C6"), value);
    QCOMPARE(D().Text("C5"), QString("8"));
  }

  void summaryInR1C1Style() {
    Book().SetR1C1ReferenceStyle(true);
    D().Select("B2:C4");
    window_->actMax->trigger();
    Book().SetR1C1ReferenceStyle(false);
    // The reference in R1C1 form names the cells themselves: absolute.
    QCOMPARE(D().Text("C5"), QString("=MAX($B$2:$C$4)"));
  }

  // --- Merge, sort, hide, insert, delete -------------------------------------------------------

  void mergeAndSplitFromThePopupMenu() {
    D().Enter("B2", "x");
    D().Select("B2:C3");
    D().ChooseFromPopup(window_->actMergeCells);
    QVERIFY(D().Style("C3").Flags & kStyleMerged);
    QCOMPARE(UndoSteps().first(), QString("Merge cells"));
    D().ChooseFromPopup(window_->actSplitCells);
    QVERIFY(!(D().Style("C3").Flags & kStyleMerged));
    QCOMPARE(UndoSteps().first(), QString("Split cells"));
    QCOMPARE(D().Text("B2"), QString("x"));
    // From the tool bar too.
    D().ClickToolButton(window_->tbFormatting, window_->actMergeCells);
    QVERIFY(D().Style("B3").Flags & kStyleMerged);
  }

  void workbookErrorsReachTheMessageBox() {
    D().Select("B2:C3");
    window_->actMergeCells->trigger();
    // Shifting the cells of rows 2…3 to the right would cut the merged area.
    D().Select("A2");
    answers_->Then(Choose("Insert", &TFeatureModifyForm::rbShiftCol));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    D().ChooseFromPopup(window_->actInsertCells);
    QCOMPARE(answers_->Shown.last(), QString("Zof Mirel | Some modified cells are merged"));
    NoUnansweredDialogs();
  }

  void sortButtons() {
    D().Enter("A1", "b");
    D().Enter("A2", "10");
    D().Enter("A3", "a");
    D().Enter("A4", "9");
    D().Select("A1:A4");
    D().ClickToolButton(window_->tbFormatting, window_->actSortAscending);
    QCOMPARE((QStringList{D().Text("A1"), D().Text("A2"), D().Text("A3"), D().Text("A4")}),
             (QStringList{"9", "10", "a", "b"}));
    D().ClickToolButton(window_->tbFormatting, window_->actSortDescending);
    QCOMPARE((QStringList{D().Text("A1"), D().Text("A2"), D().Text("A3"), D().Text("A4")}),
             (QStringList{"b", "a", "10", "9"}));
    QCOMPARE(UndoSteps().first(), QString("Sort cells"));
  }

  void hideAndShowColumnsRowsAndCells() {
    TcxSSHeader& columns = D().Sheet().ColumnHeader();
    TcxSSHeader& rows = D().Sheet().RowHeader();
    D().Select("B2:C3");
    D().ChooseFromMenuBar(window_->mnuIzmene, {window_->mnuKoline}, window_->actHideCol);
    QVERIFY(!columns.IsVisible(1) && !columns.IsVisible(2) && columns.IsVisible(3));
    QVERIFY(rows.IsVisible(1));
    D().Select("B2:C3");
    D().ChooseFromMenuBar(window_->mnuIzmene, {window_->mnuKoline}, window_->actShowCol);
    QVERIFY(columns.IsVisible(1) && columns.IsVisible(2));

    D().Select("B2:C3");
    D().ChooseFromPopup(window_->actHideRow, window_->pmSheetCelije);
    QVERIFY(!rows.IsVisible(1) && !rows.IsVisible(2) && columns.IsVisible(1));
    D().Select("B2:C3");
    D().ChooseFromMenuBar(window_->mnuIzmene, {window_->mnuRedovi}, window_->actShowRow);
    QVERIFY(rows.IsVisible(1) && rows.IsVisible(2));

    D().Select("B2:C3");
    D().ChooseFromMenuBar(window_->mnuIzmene, {window_->mnuCelije}, window_->actHideCells);
    QVERIFY(!rows.IsVisible(1) && !columns.IsVisible(2));
    D().Select("B2:C3");
    D().ChooseFromPopup(window_->actShowCells);
    QVERIFY(rows.IsVisible(1) && rows.IsVisible(2) && columns.IsVisible(1) && columns.IsVisible(2));
    D().Select("D4");
    D().ChooseFromPopup(window_->actHideCol, window_->pmSheetKolone);
    QVERIFY(!columns.IsVisible(3));
  }

  void insertDialogModes_data() {
    QTest::addColumn<int>("option");  // 0 rbShiftCol, 1 rbShiftRw, 2 rbRw, 3 rbCol
    QTest::addColumn<QString>("moved");  // where the text of B2 went
    QTest::addColumn<QString>("formula");  // =B2 in E5 afterwards
    QTest::newRow("shift right") << 0 << "C2" << "=B2";
    QTest::newRow("shift down") << 1 << "B3" << "=B2";
    QTest::newRow("entire row") << 2 << "B3" << "=B3";
    QTest::newRow("entire column") << 3 << "C2" << "=C2";
  }
  void insertDialogModes() {
    QFETCH(int, option);
    QFETCH(QString, moved);
    QFETCH(QString, formula);
    QRadioButton* TFeatureModifyForm::*const options[] = {
        &TFeatureModifyForm::rbShiftCol, &TFeatureModifyForm::rbShiftRw, &TFeatureModifyForm::rbRw,
        &TFeatureModifyForm::rbCol};
    D().Enter("B2", "pomeri");
    D().Enter("E5", "=B2");
    D().Select("B2");
    answers_->Then(Choose("Insert", options[option]));
    D().ChooseFromMenuBar(window_->mnuUnos, {}, window_->actCells);
    QCOMPARE(D().Text(moved), QString("pomeri"));
    QCOMPARE(D().Text("B2"), QString());
    // Entire rows and columns move the formula and its reference along; shifted cells leave
    // references alone.
    const QString formulaCell = option == 2 ? "E6" : option == 3 ? "F5" : "E5";
    QCOMPARE(D().Text(formulaCell), formula);
    QCOMPARE(UndoSteps().first(), QString("Insert cells"));
    NoUnansweredDialogs();
  }

  void deleteDialogFromThePopupMenu() {
    D().Enter("B2", "prvi");
    D().Enter("B3", "drugi");
    D().Enter("C2", "desno");
    D().Select("B2");
    answers_->Then(Choose("Delete", &TFeatureModifyForm::rbShiftRw));
    D().ChooseFromPopup(window_->actDeleteCells);
    QCOMPARE(D().Text("B2"), QString("drugi"));
    QCOMPARE(D().Text("C2"), QString("desno"));
    answers_->Then(Choose("Delete", &TFeatureModifyForm::rbShiftCol));
    D().ChooseFromMenuBar(window_->mnuIzmene, {window_->mnuCelije}, window_->actDeleteCells);
    QCOMPARE(D().Text("B2"), QString("desno"));
    NoUnansweredDialogs();
  }

  void cancelledDialogChangesNothing() {
    D().Enter("B2", "ostaje");
    D().Select("B2");
    answers_->Then([](QWidget* dialog) {
      QTest::mouseClick(qobject_cast<TFeatureModifyForm*>(dialog)->btnCancel, Qt::LeftButton);
    });
    window_->actInsertCells->trigger();
    QCOMPARE(D().Text("B2"), QString("ostaje"));
    QCOMPARE(UndoSteps().first(), QString("Change cells"));
    NoUnansweredDialogs();
  }

  void dialogIsPlacedAtHalfTheMainWindowsExtent() {
    QPoint placed;
    answers_->Then([&](QWidget* dialog) {
      placed = dialog->pos();
      QTest::mouseClick(qobject_cast<TFeatureModifyForm*>(dialog)->btnCancel, Qt::LeftButton);
    });
    window_->actDeleteCells->trigger();
    const QRect frame = window_->frameGeometry();
    QCOMPARE(placed, QPoint((frame.left() + frame.width()) / 2, (frame.top() + frame.height()) / 2));
  }

  void insertRowsColumnsAndSheets() {
    D().Enter("B2", "x");
    D().Select("B2:C3");
    D().ChooseFromMenuBar(window_->mnuUnos, {}, window_->actRow);
    QCOMPARE(D().Text("B4"), QString("x"));
    D().Select("A1");
    D().ChooseFromMenuBar(window_->mnuUnos, {}, window_->actColumn);
    QCOMPARE(D().Text("C4"), QString("x"));
    D().ChooseFromMenuBar(window_->mnuUnos, {}, window_->actSheet);
    QCOMPARE(Book().PageCount(), 2);
    QCOMPARE(QString::fromStdString(Book().Pages(1).Caption()), QString("Sheet2"));
  }

  // --- Clipboard and history ---------------------------------------------------------------------

  void cutCopyPasteByMenuButtonAndKey() {
    D().Enter("A1", "jedan");
    D().Select("A1");
    D().ChooseFromMenuBar(window_->mnuIzmene, {}, window_->actCopy);
    D().Select("B1");
    D().ClickToolButton(window_->tbStandard, window_->actPaste);
    QCOMPARE(D().Text("B1"), QString("jedan"));
    D().Select("B1");
    D().Press(Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(D().Text("B1"), QString());
    D().Select("C3");
    D().ChooseFromPopup(window_->actPaste);
    QCOMPARE(D().Text("C3"), QString("jedan"));
    QCOMPARE(D().Text("A1"), QString("jedan"));
  }

  void undoAndRedoButtons() {
    D().Enter("A1", "1");
    D().Enter("A1", "2");
    TWorkbookWindowDriver::Idle();
    QVERIFY(window_->actUndo->isEnabled());
    QVERIFY(!window_->actRedo->isEnabled());
    D().ClickToolButton(window_->tbHistory, window_->actUndo);
    QCOMPARE(D().Text("A1"), QString("1"));
    TWorkbookWindowDriver::Idle();
    QVERIFY(window_->actRedo->isEnabled());
    D().ClickToolButton(window_->tbHistory, window_->actRedo);
    QCOMPARE(D().Text("A1"), QString("2"));
  }

  void undoIsDisabledWhileACellIsEdited() {
    D().Enter("A1", "1");
    D().Select("B2");
    TWorkbookWindowDriver::Idle();
    QVERIFY(window_->actUndo->isEnabled());
    QVERIFY(window_->actBold->isEnabled());
    D().Press(Qt::Key_7);
    QVERIFY(D().Child().Editing());
    // Worked out when the application is idle.
    TWorkbookWindowDriver::Idle();
    QVERIFY(!window_->actUndo->isEnabled());
    for (QAction* action : {window_->actBold, window_->actItalic, window_->actUnderline,
                            window_->actStrikeOut, window_->actCellLeftAlign, window_->actMergeCells,
                            window_->actSplitCells, window_->actSortAscending})
      QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    // The commands made always available stay so.
    for (QAction* action : {window_->actInsertCells, window_->actDeleteCells, window_->actFormatCells,
                            window_->actSum, window_->actNew})
      QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!D().Child().Editing());
    QCOMPARE(D().Text("B2"), QString("7"));
    QCOMPARE(D().FontStyle("B2"), uint8_t(0));
    TWorkbookWindowDriver::Idle();
    QVERIFY(window_->actUndo->isEnabled());
    QVERIFY(window_->actBold->isEnabled());
  }

  // --- Format cells ------------------------------------------------------------------------------

  void formatCellsDialogFromEveryPlace_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("menu") << "menu";
    QTest::newRow("tool bar") << "tool bar";
    QTest::newRow("pop-up menu") << "pop-up";
    QTest::newRow("Ctrl+1") << "key";
  }
  void formatCellsDialogFromEveryPlace() {
    QFETCH(QString, way);
    D().Enter("B2", "5");
    D().Select("B2:C3");
    const auto background = [&](int col, int row) {
      TcxSSCellObject cell(Book().ActiveSheet().DataStorage(), col, row);
      return cell.Style().Brush().BackgroundColor();
    };
    const TcxSSColor before = background(1, 1);
    // The dialog opens on the selection; a fill colour chosen on its patterns page goes to
    // every cell of it.
    answers_->Then([](QWidget* dialog) {
      auto* designer = qobject_cast<TcxSSStyleDesigner*>(dialog);
      QVERIFY2(designer, "the format cells dialog was expected");
      QCOMPARE(designer->windowTitle(), QString("Format cells"));
      auto* pages = designer->findChild<QTabWidget*>("pcSheets");
      pages->setCurrentIndex(3);
      auto* panel = designer->findChild<TcxSSColorPanel*>("cplPatColor");
      const TRect swatch = panel->ItemRect(panel->ColorIndex(5));  // colour 10
      QTest::mouseClick(panel, Qt::LeftButton, {},
                        QPoint((swatch.Left + swatch.Right) / 2, (swatch.Top + swatch.Bottom) / 2));
      QTest::mouseClick(designer->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    if (way == "menu")
      D().ChooseFromMenuBar(window_->mnuIzmene, {window_->mnuCelije}, window_->actFormatCells);
    else if (way == "tool bar")
      D().ClickToolButton(window_->tbFormatting, window_->actFormatCells);
    else if (way == "pop-up")
      D().ChooseFromPopup(window_->actFormatCells);
    else
      D().Press(Qt::Key_1, Qt::ControlModifier);
    NoUnansweredDialogs();
    for (int col = 1; col <= 2; ++col)
      for (int row = 1; row <= 2; ++row) QCOMPARE(background(col, row), TcxSSColor(10));
    QCOMPARE(background(3, 1), before);
    QCOMPARE(UndoSteps().first(), kFormatStep);
    D().ClickToolButton(window_->tbHistory, window_->actUndo);
    QCOMPARE(background(2, 2), before);
    QCOMPARE(D().Text("B2"), QString("5"));
  }

  // --- Configuration -----------------------------------------------------------------------------

  void configurationTogglesFromTheMenu_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("look") << "actBeveledLookandFeel";
    QTest::newRow("buffered paint") << "actBufferedpaint";
    QTest::newRow("captions") << "actShowcaptions";
    QTest::newRow("grid") << "actShowgrid";
    QTest::newRow("headers") << "actShowheaders";
    QTest::newRow("formulas") << "actShowformulas";
    QTest::newRow("R1C1") << "actR1C1Referencestyle";
    QTest::newRow("automatic calculation") << "actAutomaticCalc";
  }
  void configurationTogglesFromTheMenu() {
    QFETCH(QString, action);
    QAction* toggle = window_->findChild<QAction*>(action);
    const std::map<QString, std::function<bool()>> property = {
        {"actBeveledLookandFeel", [&] { return Book().PainterType() == ptOfficeXPStyle; }},
        {"actBufferedpaint", [&] { return Book().BufferedPaint(); }},
        {"actShowcaptions", [&] { return Book().ShowCaptionBar(); }},
        {"actShowgrid", [&] { return Book().ShowGrid(); }},
        {"actShowheaders", [&] { return Book().ShowHeaders(); }},
        {"actShowformulas", [&] { return Book().ShowFormulas(); }},
        {"actR1C1Referencestyle", [&] { return Book().R1C1ReferenceStyle(); }},
        {"actAutomaticCalc", [&] { return Book().AutoRecalc(); }},
    };
    const bool before = property.at(action)();
    // The check mark shows the workbook's state.
    QCOMPARE(toggle->isChecked(), before);
    D().ChooseFromMenuBar(window_->mnuKonfiguracija, {}, toggle);
    QCOMPARE(property.at(action)(), !before);
    QCOMPARE(toggle->isChecked(), !before);
    D().ChooseFromMenuBar(window_->mnuKonfiguracija, {}, toggle);
    QCOMPARE(property.at(action)(), before);

    // While the window copies state from the workbook, the toggle does nothing at all.
    window_->UpdatingFromBook = true;
    toggle->trigger();
    window_->UpdatingFromBook = false;
    QCOMPARE(property.at(action)(), before);
    QCOMPARE(toggle->isChecked(), before);
  }

  void r1c1StyleRewritesTheReferencePanel() {
    D().Select("B2:D4");
    window_->actR1C1Referencestyle->trigger();
    QCOMPARE(window_->pnCellRect->text(), QString("R2C2 x R4C4"));
    window_->actR1C1Referencestyle->trigger();
    QCOMPARE(window_->pnCellRect->text(), QString("B2 x D4"));
  }

  void recalculationOnDemandAndAutomatic() {
    D().Enter("A1", "2");
    D().Enter("A2", "=A1*10");
    D().ChooseFromMenuBar(window_->mnuKonfiguracija, {}, window_->actAutomaticCalc);
    QVERIFY(!Book().AutoRecalc());
    D().Enter("A1", "3");
    QCOMPARE(D().Value("A2"), QString("20"));
    D().ChooseFromMenuBar(window_->mnuKonfiguracija, {}, window_->actRecalcFormulas);
    QCOMPARE(D().Value("A2"), QString("30"));
    D().Enter("A1", "4");
    QCOMPARE(D().Value("A2"), QString("30"));
    // Switching it on again recalculates at once.
    D().ChooseFromMenuBar(window_->mnuKonfiguracija, {}, window_->actAutomaticCalc);
    QCOMPARE(D().Value("A2"), QString("40"));
  }

  // --- Sheets, selection, windows --------------------------------------------------------------

  void ctrlPageDownAndUpSwitchSheets() {
    Book().SetPageCount(3);
    Book().SetPageVisible(1, false);
    Book().SetActivePage(0);
    D().Press(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(Book().ActivePage(), 2);
    D().Press(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(Book().ActivePage(), 2);
    D().Press(Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(Book().ActivePage(), 0);
    D().Press(Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(Book().ActivePage(), 0);
  }

  void ctrlASelectsTheUsedArea() {
    D().Select("B2");
    D().Press(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(D().Sheet().Selection(), TWorkbookWindowDriver::Cells("A1"));
    D().Enter("C7", "x");
    D().Enter("E3", "y");
    D().Press(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(D().Sheet().Selection(), TWorkbookWindowDriver::Cells("A1:E7"));
    QCOMPARE(window_->pnCellRect->text(), QString("A1 x E7"));
  }

  void windowArrangements() {
    window_->NewWorkbookWindow();
    window_->NewWorkbookWindow();
    const QList<TFeatureChildForm*> windows = window_->DocumentWindows();
    const QRect area = window_->MdiArea->viewport()->rect();

    D().ChooseFromMenuBar(window_->mnuProzori, {}, window_->actWindowTileHorizontal);
    for (int k = 0; k < 3; ++k) {
      QVERIFY(!windows[k]->isMaximized());
      QCOMPARE(windows[k]->geometry().width(), area.width());
      QCOMPARE(windows[k]->geometry().top(), area.height() * k / 3);
    }
    D().ChooseFromMenuBar(window_->mnuProzori, {}, window_->actWindowTileVertical);
    for (int k = 0; k < 3; ++k) {
      QCOMPARE(windows[k]->geometry().height(), area.height());
      QCOMPARE(windows[k]->geometry().left(), area.width() * k / 3);
    }
    D().ChooseFromMenuBar(window_->mnuProzori, {}, window_->actWindowCascade);
    QVERIFY(windows[0]->geometry().topLeft() != windows[1]->geometry().topLeft());

    D().ChooseFromMenuBar(window_->mnuProzori, {}, window_->actWindowMinimizeAll);
    for (const TFeatureChildForm* child : windows) QVERIFY(child->isMinimized());
    for (TFeatureChildForm* child : windows) child->move(area.center());
    D().ChooseFromMenuBar(window_->mnuProzori, {}, window_->actWindowArrange);
    for (int k = 0; k < 3; ++k) {
      QCOMPARE(windows[k]->geometry().bottom(), area.bottom());
      if (k > 0) QCOMPARE(windows[k]->geometry().left(), windows[k - 1]->geometry().right() + 1);
    }

    window_->MdiArea->setActiveSubWindow(windows[1]);
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    D().ChooseFromMenuBar(window_->mnuProzori, {}, window_->actWindowClose);
    QCOMPARE(window_->DocumentWindows().size(), 2);
    QVERIFY(!window_->DocumentWindows().contains(windows[1]));
    NoUnansweredDialogs();
  }

private:
  void SetEdge(const char* cell, TcxSSEdgeIndex edge, TcxSSEdgeLineStyle line) {
    const TRect at = TWorkbookWindowDriver::Cells(cell);
    TcxSSCellObject object(D().Sheet().DataStorage(), at.Left, at.Top);
    object.Style().Borders().Edges(edge).SetStyle(line);
  }

  void ChooseBorderPreset(int index) {
    TWorkbookWindowDriver::WhileMenuShown(window_->pmBorders,
                   [&] { QTest::mouseClick(window_->pmBorders->PresetButton(index), Qt::LeftButton); },
                   [&] { QTest::mouseClick(window_->tbBorderStyle, Qt::LeftButton); });
  }
};

QTEST_MAIN(TestMainCommands)
#include "tst_MainCommands.moc"
