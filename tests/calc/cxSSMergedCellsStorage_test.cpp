#include "calc/cxSSMergedCellsStorage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleTypes.h"

namespace {

class MergedCellsTest : public ::testing::Test {
protected:
  ~MergedCellsTest() override {
    EXPECT_TRUE(merged.CheckConsistency());
    EXPECT_TRUE(storage.CheckConsistency());
  }

  bool Flagged(int col, int row) const {
    const TcxSSStyleRec* style = storage.OwnCell(col, row).Style;
    return (style->Flags & kStyleMerged) != 0;
  }

  // The Merged flags of the cells A1..E4 drawn as rows of '#' (flagged) and '.' (clear).
  std::vector<std::string> FlagGrid() const {
    std::vector<std::string> grid;
    for (int row = 0; row < 4; ++row) {
      std::string line;
      for (int col = 0; col < 5; ++col) line += Flagged(col, row) ? '#' : '.';
      grid.push_back(line);
    }
    return grid;
  }

  TcxSpreadSheetBook book{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSBookSheet& sheet = book.ActiveSheet();
  TcxSSDataStorage& storage = sheet.DataStorage();
  TcxSSMergedCellsStorage& merged = storage.MergedCells();
};

TEST_F(MergedCellsTest, MergingStoresExclusiveAreaAndFlagsItsCells) {
  storage.MergeCells({1, 1, 2, 2}, true);  // B2:C3
  ASSERT_EQ(merged.Count(), 1);
  EXPECT_EQ(merged.GetAll()[0], (TRect{1, 1, 3, 3}));
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", ".##..", ".##..", "....."}));

  TRect area;
  EXPECT_TRUE(storage.GetMergedRect({2, 2}, area));
  EXPECT_EQ(area, (TRect{1, 1, 2, 2}));
  EXPECT_TRUE(merged.FindAt({2, 2}, area));
  EXPECT_EQ(area, (TRect{1, 1, 3, 3}));
  EXPECT_FALSE(merged.FindAt({3, 2}, area));
  EXPECT_EQ(area, (TRect{3, 2, 3, 2}));
  EXPECT_TRUE(merged.GetAreaInclusive(0, area));
  EXPECT_EQ(area, (TRect{1, 1, 2, 2}));
  EXPECT_EQ(merged.GetAllInclusive(), (TcxSSRectsArray{{1, 1, 2, 2}}));
}

TEST_F(MergedCellsTest, MergingOverAnAreaWidensToCoverIt) {
  //    A  B  C          A  B  C
  // 1  .  .  .       1  #  #  #
  // 2  .  #  #   →   2  #  #  #     (merge A1:B2 over B2:C3)
  // 3  .  #  #       3  #  #  #
  storage.MergeCells({1, 1, 2, 2}, true);
  storage.MergeCells({0, 0, 1, 1}, true);
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{0, 0, 3, 3}}));
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{"###..", "###..", "###..", "....."}));
}

TEST_F(MergedCellsTest, SplittingOneCellSplitsTheWholeArea) {
  storage.MergeCells({1, 1, 2, 2}, true);
  storage.MergeCells({4, 0, 4, 3}, true);  // E1:E4 stays
  storage.MergeCells({2, 2, 2, 2}, false);
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{4, 0, 5, 4}}));
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{"....#", "....#", "....#", "....#"}));
}

TEST_F(MergedCellsTest, TheMergeEventDecides) {
  bool request = false;
  book.OnMergeCells = [&](TcxSSBookSheet&, const TRect& cells, bool isMerge, bool& canMerge) {
    EXPECT_EQ(cells, (TRect{0, 0, 1, 1}));
    request = isMerge;
    canMerge = false;  // turns the merge into a split
  };
  storage.MergeCells({0, 0, 1, 1}, true);
  EXPECT_TRUE(request);
  EXPECT_EQ(merged.Count(), 0);
  EXPECT_FALSE(Flagged(0, 0));
}

TEST_F(MergedCellsTest, RowsBeyondTheLoadLimitAreNotFlagged) {
  storage.SetLoadLimit(5, 1);
  book.SetReading(true);
  storage.MergeCells({0, 0, 0, 3}, true);
  book.SetReading(false);
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{0, 0, 1, 4}}));
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{"#....", "#....", ".....", "....."}));
}

TEST_F(MergedCellsTest, ExpandWidensUntilNoAreaIsCut) {
  // Areas:   A1:B1 (0,0,2,1), B3:C4 (1,2,3,4), E2:E2 is not an area.
  merged.Add({0, 0, 2, 1});
  merged.Add({1, 2, 3, 4});
  struct Case { TPoint A, B; TRect Result; } cases[] = {
      {{3, 3}, {3, 3}, {3, 3, 3, 3}},  // outside every area
      {{0, 0}, {0, 0}, {0, 0, 1, 0}},  // one cell of A1:B1
      {{2, 1}, {0, 1}, {0, 1, 2, 1}},  // touches nothing
      {{0, 1}, {1, 2}, {0, 1, 2, 3}},  // cuts B3:C4
      {{1, 1}, {0, 0}, {0, 0, 1, 1}},  // reversed corners; holds A1:B1 whole
      {{1, 0}, {1, 2}, {0, 0, 2, 3}},  // cuts both: widened twice
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.A.X << "," << c.A.Y << " " << c.B.X << "," << c.B.Y);
    EXPECT_EQ(merged.Expand(c.A, c.B), c.Result);
    EXPECT_EQ(storage.ExpandToMerged({c.A.X, c.A.Y, c.B.X, c.B.Y}), c.Result);
  }
}

TEST_F(MergedCellsTest, Queries) {
  merged.Add({0, 0, 2, 1});
  merged.Add({1, 2, 3, 4});
  int index = -1;
  EXPECT_TRUE(merged.FirstIntersecting({1, 0, 2, 3}, index));
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(merged.FirstIntersecting({2, 3, 10, 10}, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(merged.FirstIntersecting({3, 0, 10, 2}, index));
  EXPECT_EQ(merged.GetIntersecting({0, 0, 5, 5}), merged.GetAll());
  EXPECT_EQ(merged.GetIntersecting({0, 1, 1, 2}), TcxSSRectsArray{});
  EXPECT_TRUE(merged.IntersectsAny({2, 3, 3, 4}));
  EXPECT_FALSE(merged.IntersectsAny({3, 0, 4, 4}));

  TRect area;
  EXPECT_FALSE(merged.GetArea(2, area));
  EXPECT_EQ(area, (TRect{-1, -1, -1, -1}));
  EXPECT_FALSE(merged.GetArea(-1, area));
  EXPECT_TRUE(merged.GetArea(1, area));
  EXPECT_EQ(area, (TRect{1, 2, 3, 4}));
}

TEST_F(MergedCellsTest, IsBandMergedLooksAtWholeColumnsOrRows) {
  merged.Add({1, 500000000, 3, 500000002});  // B:C far down
  EXPECT_TRUE(merged.IsBandMerged({2, 0, 2, 0}, true));
  EXPECT_FALSE(merged.IsBandMerged({3, 0, 9, 9}, true));
  EXPECT_TRUE(merged.IsBandMerged({0, 500000001, 0, 500000001}, false));
  EXPECT_FALSE(merged.IsBandMerged({0, 0, 100, 100}, false));
}

TEST_F(MergedCellsTest, ListChanges) {
  merged.AddAll({{0, 0, 1, 2}, {2, 2, 4, 4}, {5, 5, 6, 6}});
  const TcxSSRectsArray old = merged.SetAll({{7, 7, 8, 9}});
  EXPECT_EQ(old, (TcxSSRectsArray{{0, 0, 1, 2}, {2, 2, 4, 4}, {5, 5, 6, 6}}));
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{7, 7, 8, 9}}));
  merged.SetAll(old);

  merged.Delete(5);  // out of range: nothing
  merged.Delete(0);
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{2, 2, 4, 4}, {5, 5, 6, 6}}));

  merged.RemoveInside({2, 2, 5, 4});  // inclusive: holds (2,2)-(3,3) only
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{5, 5, 6, 6}}));

  TcxSpreadSheetBook other{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSMergedCellsStorage& copy = other.ActiveSheet().DataStorage().MergedCells();
  copy.Assign(merged);
  EXPECT_EQ(copy.GetAll(), merged.GetAll());

  merged.Clear();
  EXPECT_EQ(merged.Count(), 0);
}

TEST_F(MergedCellsTest, OffsetAndResize) {
  merged.AddAll({{1, 1, 3, 3}, {5, 0, 6, 2}});
  merged.Offset(1, 1, 1);
  EXPECT_EQ(merged.GetAll()[1], (TRect{6, 1, 7, 3}));
  merged.Offset(0, -2, 0);  // the left end is clipped to 0
  EXPECT_EQ(merged.GetAll()[0], (TRect{0, 1, 1, 3}));
  merged.Offset(0, -3, 1);  // (0, 2, -2, 4) is empty: removed
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{6, 1, 7, 3}}));
  merged.Offset(4, 1, 1);  // no such area: nothing
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{6, 1, 7, 3}}));

  merged.Resize(0, 1, -1);  // opposite signs: nothing
  merged.Resize(7, 1, 1);   // no such area: nothing
  EXPECT_EQ(merged.GetAll()[0], (TRect{6, 1, 7, 3}));
  merged.Resize(0, 0, -1);
  EXPECT_EQ(merged.GetAll()[0], (TRect{6, 1, 7, 2}));
  merged.Resize(0, 0, -1);
  EXPECT_EQ(merged.Count(), 0);
}

TEST_F(MergedCellsTest, ResizingUpFlagsTheNewCells) {
  storage.MergeCells({0, 0, 1, 0}, true);
  merged.Resize(0, 0, 2);
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{"##...", "##...", "##...", "....."}));
}

// Entire columns inserted or deleted, with the area B2:C3 or B2:D3.
TEST_F(MergedCellsTest, InsertingColumns) {
  storage.MergeCells({1, 1, 2, 2}, true);  // B2:C3
  storage.InsertCells({1, 0, 2, 0}, 2);   // two columns before B
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{3, 1, 5, 3}}));  // D2:E3
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", "...##", "...##", "....."}));

  storage.InsertCells({4, 0, 4, 0}, 2);  // one column at E, inside the area
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{3, 1, 6, 3}}));  // D2:F3
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", "...##", "...##", "....."}));
  EXPECT_TRUE(Flagged(5, 1));
  EXPECT_TRUE(Flagged(5, 2));
}

TEST_F(MergedCellsTest, DeletingColumns) {
  storage.MergeCells({1, 1, 3, 2}, true);  // B2:D3
  storage.DeleteCells({2, 0, 2, 0}, 2);    // column C
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{1, 1, 3, 3}}));  // B2:C3
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", ".##..", ".##..", "....."}));

  storage.DeleteCells({1, 0, 2, 0}, 2);  // B:C
  EXPECT_EQ(merged.Count(), 0);
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", ".....", ".....", "....."}));
}

TEST_F(MergedCellsTest, InsertingRows) {
  storage.MergeCells({0, 1, 1, 2}, true);  // A2:B3
  storage.InsertCells({0, 0, 0, 0}, 3);    // one row above
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{0, 2, 2, 4}}));
  storage.InsertCells({0, 3, 0, 3}, 3);  // one row inside
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{0, 2, 2, 5}}));
  EXPECT_TRUE(Flagged(0, 3));
  EXPECT_TRUE(Flagged(1, 3));
}

// DeleteLines keeps exactly the surviving lines of every area. Areas as column intervals
// [first, end) in stored form; columns 2..4 (C:E) are deleted.
TEST_F(MergedCellsTest, DeleteLinesKeepsTheSurvivingLines) {
  struct Case { int Left, Right; int NewLeft, NewRight; } cases[] = {
      {0, 2, 0, 2},    // before the deleted columns
      {6, 8, 3, 5},    // after them: moves back
      {1, 4, 1, 2},    // ends inside them: shrinks to its first column
      {0, 9, 0, 6},    // spans them: shrinks by three
      {3, 7, 2, 4},    // begins inside them: keeps F:G, now at C:D
      {2, 5, -1, -1},  // lies inside them: removed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Left << ".." << c.Right);
    merged.SetAll({{c.Left, 0, c.Right, 2}});
    merged.DeleteLines({2, 0, 5, 1}, 2);
    if (c.NewLeft < 0) {
      EXPECT_EQ(merged.Count(), 0);
    } else {
      ASSERT_EQ(merged.Count(), 1);
      EXPECT_EQ(merged.GetAll()[0], (TRect{c.NewLeft, 0, c.NewRight, 2}));
    }
    // The same with rows.
    merged.SetAll({{0, c.Left, 2, c.Right}});
    merged.DeleteLines({0, 2, 1, 5}, 3);
    if (c.NewLeft < 0) {
      EXPECT_EQ(merged.Count(), 0);
    } else {
      ASSERT_EQ(merged.Count(), 1);
      EXPECT_EQ(merged.GetAll()[0], (TRect{0, c.NewLeft, 2, c.NewRight}));
    }
  }
}

TEST_F(MergedCellsTest, InsertLinesMovesOrGrowsAreas) {
  struct Case { int Left, Right; int NewLeft, NewRight; } cases[] = {
      {0, 2, 0, 2},  // before the insertion line
      {2, 4, 4, 6},  // at it: moves
      {1, 3, 1, 5},  // straddles it: grows
      {5, 6, 7, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Left << ".." << c.Right);
    merged.SetAll({{c.Left, 0, c.Right, 1}});
    merged.InsertLines({2, 0, 4, 1}, 2);  // two columns at C
    ASSERT_EQ(merged.Count(), 1);
    EXPECT_EQ(merged.GetAll()[0], (TRect{c.NewLeft, 0, c.NewRight, 1}));
  }
}

TEST_F(MergedCellsTest, CheckConsistencyFindsBrokenLists) {
  merged.SetAll({{0, 0, 2, 2}, {1, 1, 3, 3}});
  EXPECT_FALSE(merged.CheckConsistency());
  merged.SetAll({{0, 0, 0, 2}});
  EXPECT_FALSE(merged.CheckConsistency());
  merged.SetAll({{-1, 0, 1, 2}});
  EXPECT_FALSE(merged.CheckConsistency());
  merged.SetAll({{0, 0, 1, 2}, {1, 0, 2, 2}});
  EXPECT_TRUE(merged.CheckConsistency());
}

}  // namespace
