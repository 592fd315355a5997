// The history's actions: the cells they keep, the fifteen-step limit over range operations,
// defined names and merged areas put back, and a mixed run of steps undone and redone whole.

#include "sheet/cxSSActions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sheet/SheetFixture.h"

namespace {

using ActionsTest = SheetFixture;

TEST_F(ActionsTest, TheUndoListKeepsFifteenRangeSteps) {
  Fill("A1", "first");
  ForgetHistory();
  for (int i = 0; i < 16; ++i) Sheet().InsertCells(Range("A1"), 3);
  EXPECT_EQ(Steps(), std::vector<std::string>(15, "Insert cells"));
  EXPECT_EQ(Grid("A17"), "first");
  History().Undo(20);
  EXPECT_EQ(Grid("A2"), "first");  // the first insertion can no longer be undone
  History().Redo(20);
  EXPECT_EQ(Grid("A17"), "first");
}

TEST_F(ActionsTest, AStepInAFullListDropsTheOldest) {
  for (int i = 0; i < 15; ++i) Type("A" + std::to_string(i + 1), "v");
  ASSERT_EQ(Steps().size(), 15u);
  Sheet().MergeCells(Range("C1:D2"), true);
  EXPECT_EQ(Steps().size(), 15u);
  EXPECT_EQ(Steps().front(), "Merge cells");
}

TEST_F(ActionsTest, DeletedRowsTakeTheirNamesAndUndoGivesThemBack) {
  //  A        a name on row 3 alone, one over rows 2..5, one below the deletion
  Fill("A1", "1\n2\n3\n4\n5\n6");
  book->FormulasCache().AddName("Alone", 0, true, Range("A3"));
  book->FormulasCache().AddName("Span", 0, true, Range("A2:A5"));
  book->FormulasCache().AddName("Below", 0, true, Range("A6"));
  Type("B1", "=Alone*10");
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().DeleteCells(Range("A3:A4"), 3);
  EXPECT_TRUE(book->FormulasCache().Names()[0].Deleted);
  EXPECT_EQ(book->FormulasCache().Names()[2].Area, Range("A4"));
  ExpectUndoRedo(before);
  History().Undo(1);
  book->Recalc();
  EXPECT_EQ(Show("B1"), "30");
}

TEST_F(ActionsTest, UndoLeavesACellWithoutARecordOfItsOwnAgain) {
  //  A1:B1 merged as a file may bring it, with no record for B1: B1 reads as A1 until it is
  //  written, and again after the write is undone.
  Fill("A1", "x");
  Storage().MergedCells().Add({0, 0, 2, 1});
  ASSERT_EQ(Storage().CellRef(1, 0).Text, "x");
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Storage().SetCellText(1, 0, "y", false, false);
  EXPECT_EQ(Storage().CellRef(1, 0).Text, "y");
  ExpectUndoRedo(before);
  History().Undo(1);
  EXPECT_EQ(Storage().FindCell(1, 0), nullptr);
  EXPECT_EQ(Storage().CellRef(1, 0).Text, "x");
}

TEST_F(ActionsTest, SwappingLeavesUnchangedCellsAlone) {
  //  A        B
  //  =1+1     old       one action over A1:B1; only B1 differs when it is undone
  Fill("A1", "=1+1|old");
  TcxChangeDataAction action;
  action.Init(Sheet(), Range("A1:B1"));
  EXPECT_EQ(action.StoredCell(1, 0).Text, "old");
  EXPECT_EQ(action.StoredCell(0, 0).Kind, ckFormula);
  Storage().SetCellText(1, 0, "new", false, false);
  const TcxSSFormula* formula = Cell("A1").Formula;
  action.Undo();
  EXPECT_EQ(Grid("A1:B1"), "=1+1|old");
  EXPECT_EQ(Cell("A1").Formula, formula);
  action.Redo();
  EXPECT_EQ(Grid("B1"), "new");
  EXPECT_EQ(Cell("A1").Formula, formula);
}

TEST_F(ActionsTest, OneCellActionsKeepTheirCell) {
  Fill("C3", "v");
  TcxChangeDataAction action;
  action.Init(Sheet(), Range("C3"));
  EXPECT_EQ(action.StoredCell(2, 2).Text, "v");
  Storage().SetCellNumber(2, 2, 4.5);
  action.SwapCells();
  EXPECT_EQ(Cell("C3").Kind, ckText);
  EXPECT_EQ(action.StoredCell(2, 2).Kind, ckNumber);
  EXPECT_EQ(action.StoredCell(2, 2).Number, 4.5);
}

TEST_F(ActionsTest, EveryKindOfStepUndoneAndRedoneInOneRun) {
  //  A     B       C
  //  3     =A1*2   x
  //  1     =A2*2   y
  //  2     =A3*2   z
  Fill("A1", "3|=A1*2|x\n1|=A2*2|y\n2|=A3*2|z");
  Fill("A8", "left|gone|right");
  ForgetHistory();
  std::vector<std::string> states{Snapshot(*book)};
  auto step = [&](auto&& operation) {
    operation();
    states.push_back(Snapshot(*book));
  };
  step([&] { Type("D1", "typed"); });
  step([&] { Sheet().SortCells(Range("A1:C3"), {0}); });
  step([&] { Sheet().MergeCells(Range("C1:C2"), true); });
  step([&] { Sheet().InsertCells(Range("A2"), 3); });
  step([&] { Sheet().DeleteCells(Range("B1"), 2); });
  step([&] { Sheet().InsertCells(Range("D1:D2"), 1); });
  step([&] { Sheet().ClearCells(Range("A1:A2"), true); });
  step([&] {
    Sheet().CopyCells(Range("A3:C4"), false);
    Sheet().PasteCells(Range("E7"));
  });
  step([&] { Sheet().CopyCells(Range("B4"), true); });
  step([&] { Sheet().DeleteCells(Range("A9:B9"), 0); });
  step([&] { Sheet().MergeCells(Range("B2"), false); });
  step([&] { Sheet().ClearSheet(); });
  EXPECT_EQ(Steps(), (std::vector<std::string>{"Clear all", "Split cells", "Delete cells", "Cut cells",
                                               "Paste cells", "Clear cells", "Insert cells",
                                               "Delete cells", "Insert cells", "Merge cells",
                                               "Sort cells", "Change cells"}));
  for (size_t i = states.size() - 1; i > 0; --i) {
    History().Undo(1);
    EXPECT_EQ(Snapshot(*book), states[i - 1]) << "undo of step " << i;
    EXPECT_TRUE(Storage().CheckConsistency());
  }
  for (size_t i = 1; i < states.size(); ++i) {
    History().Redo(1);
    EXPECT_EQ(Snapshot(*book), states[i]) << "redo of step " << i;
  }
}

}  // namespace
