#include "sheet/cxSpreadSheetHistory.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

namespace {

class HistoryTest : public ::testing::Test {
protected:
  HistoryTest() : book_(MakeFixedEnvironment(TRegionalSettings::English())) {
    book_.OnHistoryChanged = [this](TcxCustomSpreadSheetBook&) { ++notifications_; };
  }

  TcxSpreadSheetHistory& History() { return book_.History(); }
  TcxSSDataStorage& Storage() { return book_.Pages(0).DataStorage(); }
  // Types a text into a cell through its own cell object, as the in-grid editor does.
  void Type(int col, int row, const std::string& text) {
    TcxSSCellObject cell(Storage(), col, row);
    cell.SetText(text);
  }
  std::string Text(int col, int row) { return Storage().CellRef(col, row).Text; }
  int UndoCount() { return History().UndoList().Count(); }
  int RedoCount() { return History().RedoList().Count(); }

  TcxSpreadSheetBook book_;
  int notifications_ = 0;
};

TEST_F(HistoryTest, EachCellObjectIsOneStepAndUndoRedoSwapsItsCells) {
  Type(0, 0, "first");
  {
    TcxSSCellObject cell(Storage(), 1, 0);
    cell.SetText("a");
    cell.SetText("b");  // two writes through one handle: one step
  }
  EXPECT_EQ(History().UndoDescriptions(), (std::vector<std::string>{"Change cells", "Change cells"}));
  History().Undo(1);
  EXPECT_EQ(Text(1, 0), "");
  EXPECT_EQ(Text(0, 0), "first");
  History().Undo(1);
  EXPECT_EQ(Text(0, 0), "");
  EXPECT_EQ(RedoCount(), 2);
  History().Redo(2);
  EXPECT_EQ(Text(0, 0), "first");
  EXPECT_EQ(Text(1, 0), "b");
  // Undo and redo any number of times.
  History().Undo(1);
  History().Redo(1);
  History().Undo(1);
  EXPECT_EQ(Text(1, 0), "");
}

TEST_F(HistoryTest, TheUndoListKeepsTheNewestFifteenSteps) {
  for (int i = 0; i < 16; ++i) Type(0, i, std::to_string(i));
  EXPECT_EQ(UndoCount(), 15);
  History().Undo(20);
  EXPECT_EQ(Text(0, 0), "0");  // the first edit can no longer be undone
  EXPECT_EQ(Text(0, 1), "");
  History().Redo(20);
  EXPECT_EQ(Text(0, 15), "15");
  // A handle that only reads still makes room in a full list: 14 remain.
  { TcxSSCellObject reader(Storage(), 5, 5); (void)reader.GetText(); }
  EXPECT_EQ(UndoCount(), 14);
}

TEST_F(HistoryTest, AReadingHandleAddsNoStepAndKeepsRedo) {
  Type(0, 0, "x");
  History().Undo(1);
  { TcxSSCellObject reader(Storage(), 0, 0); (void)reader.DisplayText(); }
  EXPECT_EQ(UndoCount(), 0);
  EXPECT_EQ(RedoCount(), 1);
}

TEST_F(HistoryTest, ANewChangeAfterUndoEmptiesRedo) {
  for (int i = 0; i < 4; ++i) Type(0, i, "v");
  History().Undo(3);
  EXPECT_EQ(RedoCount(), 3);
  Type(3, 3, "new");
  EXPECT_EQ(RedoCount(), 0);
  EXPECT_EQ(UndoCount(), 2);
}

TEST_F(HistoryTest, UndoRestoresNumbersTextsAndLooksExactly) {
  Storage().SetCellNumber(0, 0, 0.1 + 0.2);  // a number whose 15-digit text is not exact
  Type(1, 0, "12/25");                       // typed text that reads as a date
  {
    TcxSSCellObject cell(Storage(), 1, 0);
    cell.SetRawText("12/25", false);  // stored as plain text
    cell.Style().SetWordBreak(true);
  }
  History().Lock();
  History().Clear();
  History().Unlock();
  Type(0, 0, "words");
  Type(1, 0, "other");
  History().Undo(2);
  const TcxSSCellRec& number = Storage().CellRef(0, 0);
  EXPECT_EQ(number.Kind, ckNumber);
  EXPECT_EQ(number.Number, 0.1 + 0.2);
  const TcxSSCellRec& text = Storage().CellRef(1, 0);
  EXPECT_EQ(text.Kind, ckText);
  EXPECT_EQ(text.Text, "12/25");
  EXPECT_TRUE(text.Style->WordBreak);
}

TEST_F(HistoryTest, NothingIsRecordedWhileLocked) {
  History().Lock();
  Type(0, 0, "quiet");
  EXPECT_FALSE(History().BeginComplex("Paste cells"));
  EXPECT_EQ(History().AddAction<TcxChangeDataAction>(), nullptr);
  History().Unlock();
  EXPECT_EQ(UndoCount(), 0);
}

// Steps are named by their descriptions; an action that gives none is named by its class.
TEST_F(HistoryTest, AnActionWithoutADescriptionIsNamedByItsClass) {
  EXPECT_EQ(TcxActionList().Description(), "TcxActionList");
  EXPECT_EQ(TcxComplexAction("Paste cells").Description(), "Paste cells");
  EXPECT_EQ(TcxChangeDataAction().Description(), "Change cells");
  EXPECT_EQ(TcxInsertCellsAction().Description(), "Insert cells");
  EXPECT_EQ(TcxDeleteCellsAction().Description(), "Delete cells");
  EXPECT_EQ(TcxMergeCellsAction().Description(), "Merge cells");
  EXPECT_EQ(TcxSplitCellsAction().Description(), "Split cells");
  EXPECT_EQ(TcxSortCellsAction().Description(), "Sort cells");
  EXPECT_EQ(TcxMergedAreasAction().Description(), "TcxMergedAreasAction");
}

TEST_F(HistoryTest, EmptyNestedStepsAreDropped) {
  ASSERT_TRUE(History().BeginComplex("Paste cells"));
  ASSERT_TRUE(History().BeginComplex("Change cells"));
  History().EndComplex();
  History().EndComplex();
  EXPECT_EQ(UndoCount(), 0);

  ASSERT_TRUE(History().BeginComplex("Sort cells"));
  ASSERT_TRUE(History().BeginComplex("Change cells"));
  History().EndComplex();  // empty: dropped when the outer step closes
  Type(2, 2, "kept");      // a step of its own inside the outer one
  History().EndComplex();
  ASSERT_EQ(UndoCount(), 1);
  EXPECT_EQ(History().UndoDescriptions(), std::vector<std::string>{"Sort cells"});
  EXPECT_EQ(History().UndoList().Items(0)->Count(), 1);
  History().Undo(1);
  EXPECT_EQ(Text(2, 2), "");
}

TEST_F(HistoryTest, ChangesAreNotifiedAndClearEmptiesBothLists) {
  Type(0, 0, "a");
  Type(0, 1, "b");
  History().Undo(1);
  const int before = notifications_;
  History().Clear();
  EXPECT_GT(notifications_, before);
  EXPECT_EQ(UndoCount(), 0);
  EXPECT_EQ(RedoCount(), 0);
}

TEST_F(HistoryTest, UndoingManyStepsNotifiesOnce) {
  for (int i = 0; i < 4; ++i) Type(0, i, "v");
  for (const bool undo : {true, false}) {
    SCOPED_TRACE(undo);
    const int before = notifications_;
    if (undo)
      History().Undo(3);
    else
      History().Redo(3);
    EXPECT_EQ(notifications_, before + 1);
    EXPECT_EQ(UndoCount(), undo ? 1 : 4);
  }
}

//  A   B
//  2   =A1*10      with AutoRecalc off, undo still recalculates what it restored
TEST_F(HistoryTest, UndoRecalculatesEvenWithAutoRecalcOff) {
  Type(0, 0, "2");
  Type(1, 0, "=A1*10");
  book_.SetAutoRecalc(false);
  auto shown = [this] { return TcxSSCellObject(Storage(), 1, 0).DisplayText(); };
  Type(1, 0, "=A1*5");
  book_.Recalc();
  ASSERT_EQ(shown(), "10");
  History().Undo(1);
  EXPECT_EQ(Storage().GetEditText(1, 0), "=A1*10");
  EXPECT_EQ(shown(), "20");
  Type(0, 0, "7");
  book_.Recalc();
  ASSERT_EQ(shown(), "70");
  History().Undo(1);
  EXPECT_EQ(shown(), "20");
  History().Redo(1);
  EXPECT_EQ(shown(), "70");
  EXPECT_FALSE(book_.AutoRecalc());
}

// Loading and saving both leave nothing to undo and nothing to redo.
TEST_F(HistoryTest, LoadingAndSavingEmptyBothLists) {
  for (const bool load : {true, false}) {
    SCOPED_TRACE(load);
    History().Clear();
    Type(0, 0, "a");
    Type(0, 1, "b");
    History().Undo(1);
    ASSERT_EQ(UndoCount(), 1);
    ASSERT_EQ(RedoCount(), 1);
    if (load) {
      book_.LoadFromFile(std::string(ZOF_CORPUS_DIR) + "/poi-SimpleMultiCell.xls");
    } else {
      std::ostringstream out;
      book_.SaveToStream(out);
    }
    EXPECT_EQ(UndoCount(), 0);
    EXPECT_EQ(RedoCount(), 0);
    EXPECT_FALSE(History().IsLocked());
    Type(4, 4, load ? "after loading" : "after saving");
    EXPECT_EQ(UndoCount(), 1);
  }
}

// Steps point at their sheets and keep sheet indexes: deleting a sheet (which freed the sheet
// an undo then wrote into) or exchanging two leaves nothing to undo or redo.
TEST_F(HistoryTest, DeletingOrExchangingSheetsEmptiesTheHistory) {
  const struct {
    const char* Name;
    void (*Change)(TcxSpreadSheetBook&);
  } cases[] = {
      {"delete the sheet of the steps", [](TcxSpreadSheetBook& book) { book.DeleteSheet(0); }},
      {"delete another sheet", [](TcxSpreadSheetBook& book) { book.DeleteSheet(2); }},
      {"fewer pages", [](TcxSpreadSheetBook& book) { book.SetPageCount(2); }},
      {"exchange", [](TcxSpreadSheetBook& book) { book.ExchangeSheets(0, 1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    book_.SetPageCount(1);
    book_.SetPageCount(3);
    book_.Pages(0).DataStorage().ClearAll();
    History().Clear();
    Type(0, 0, "a");
    book_.Pages(0).MergeCells({1, 1, 2, 2}, true);
    Type(0, 1, "b");
    History().Undo(1);
    ASSERT_EQ(UndoCount(), 2);
    ASSERT_EQ(RedoCount(), 1);
    c.Change(book_);
    EXPECT_EQ(UndoCount(), 0);
    EXPECT_EQ(RedoCount(), 0);
    // The workbook records again.
    Type(3, 3, c.Name);
    EXPECT_EQ(UndoCount(), 1);
    History().Undo(1);
    EXPECT_EQ(Storage().GetEditText(3, 3), "");
  }
}

// An action whose undo fails: the whole history is emptied and the error passed on.
class TFailingAction : public TcxCustomAction {
public:
  void Undo() override { throw std::runtime_error("broken"); }
};

TEST_F(HistoryTest, AFailingUndoClearsTheHistoryAndPassesTheErrorOn) {
  Type(0, 0, "a");
  ASSERT_TRUE(History().AddAction<TFailingAction>());
  EXPECT_THROW(History().Undo(1), std::runtime_error);
  EXPECT_EQ(UndoCount(), 0);
  EXPECT_EQ(RedoCount(), 0);
  EXPECT_EQ(book_.LockCount(), 0);  // the update lock was released
}

}  // namespace
