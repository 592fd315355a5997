#include "calc/cxSSMergedCellsStorage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleTypes.h"

namespace {

class MergedCellsTest : public ::testing::Test {
protected:
  ~MergedCellsTest() override {
    EXPECT_TRUE(merged.CheckConsistency());
    EXPECT_TRUE(storage.CheckConsistency());
  }

  // The flag as every reader sees it: a covered cell without a record reads as its area's
  // top-left cell.
  bool Flagged(int col, int row) const {
    const TcxSSStyleRec* style = storage.CellRef(col, row).Style;
    return (style->Flags & kStyleMerged) != 0;
  }

  // A cell and the index of the area FindAt gives for it (-1: none).
  struct TAreaAt {
    TPoint Cell;
    int Area;
  };
  void ExpectAreasAt(std::initializer_list<TAreaAt> cases) const {
    for (const TAreaAt& c : cases) {
      SCOPED_TRACE(testing::Message() << c.Cell.X << "," << c.Cell.Y);
      TRect area;
      EXPECT_EQ(merged.FindAt(c.Cell, area), c.Area >= 0);
      if (c.Area >= 0) {
        EXPECT_EQ(area, merged.GetAll()[static_cast<size_t>(c.Area)]);
      }
    }
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
  // Nothing is written below the limit: those cells read as the area's top-left cell.
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{"#....", "#....", "#....", "#...."}));
  EXPECT_NE(storage.FindCell(0, 0), nullptr);
  EXPECT_EQ(storage.FindCell(0, 2), nullptr);
  EXPECT_EQ(storage.FindCell(0, 3), nullptr);
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

// --- The index against a plain scan of the list -------------------------------------------------

bool Meets(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// What the queries answer, worked out from the list alone.
bool ScanFind(const TcxSSRectsArray& all, TPoint cell, TRect& area) {
  for (const TRect& r : all)
    if (cell.X >= r.Left && cell.X < r.Right && cell.Y >= r.Top && cell.Y < r.Bottom) {
      area = r;
      return true;
    }
  return false;
}

TcxSSRectsArray ScanMeeting(const TcxSSRectsArray& all, const TRect& rect) {
  TcxSSRectsArray found;
  for (const TRect& r : all)
    if (Meets(r, rect)) found.push_back(r);
  return found;
}

// Random merges, splits, list changes and line insertions and deletions on a small grid (so
// that areas meet, touch and nest), each followed by point and rectangle queries checked
// against a scan of the list.
TEST_F(MergedCellsTest, QueriesAgreeWithAScanOfTheListThroughRandomChanges) {
  std::mt19937 random(15);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    const int x = pick(24), y = pick(40);
    const TRect cells{x, y, x + pick(4), y + pick(6)};
    switch (pick(9)) {
      case 0: case 1: case 2: storage.MergeCells(cells, true); break;
      case 3: storage.MergeCells(cells, false); break;
      case 4: merged.Delete(pick(merged.Count() + 1)); break;
      case 5: storage.InsertCells({x, y, x + pick(2), y + pick(3)}, 2 + pick(2)); break;
      case 6: storage.DeleteCells({x, y, x + pick(2), y + pick(3)}, 2 + pick(2)); break;
      case 7: merged.SetAll(TcxSSRectsArray(merged.GetAll())); break;
      default: merged.RemoveInside(cells); break;
    }
    ASSERT_TRUE(merged.CheckConsistency());
    const TcxSSRectsArray all = merged.GetAll();
    for (int probe = 0; probe < 30; ++probe) {
      const TPoint cell{pick(30), pick(50)};
      TRect expected, area;
      const bool inside = ScanFind(all, cell, expected);
      ASSERT_EQ(merged.FindAt(cell, area), inside) << cell.X << "," << cell.Y;
      if (inside) {
        EXPECT_EQ(area, expected);
      }
      // A covered cell without a record reads as its area's top-left cell, which carries the
      // flag; a cell outside every area reads as itself.
      if (inside) {
        EXPECT_TRUE(Flagged(cell.X, cell.Y)) << cell.X << "," << cell.Y;
      }
      const int px = pick(30), py = pick(50);
      const TRect rect{px, py, px + 1 + pick(8), py + 1 + pick(8)};
      const TcxSSRectsArray meeting = ScanMeeting(all, rect);
      EXPECT_EQ(merged.GetIntersecting(rect), meeting);
      EXPECT_EQ(merged.IntersectsAny(rect), !meeting.empty());
      int index = -1;
      EXPECT_EQ(merged.FirstIntersecting(rect, index), !meeting.empty());
      if (!meeting.empty()) {
        EXPECT_EQ(all[static_cast<size_t>(index)], meeting.front());
      }
    }
  }
}

// Areas that share an edge or a corner, and cells on both sides of each edge.
TEST_F(MergedCellsTest, TouchingAreasStaySeparate) {
  merged.AddAll({{0, 0, 2, 2}, {2, 0, 4, 2}, {0, 2, 4, 3}, {4, 3, 5, 4}});
  ExpectAreasAt({
      {{1, 1}, 0}, {{2, 1}, 1}, {{3, 0}, 1}, {{0, 2}, 2}, {{3, 2}, 2},
      {{4, 2}, -1}, {{4, 3}, 3}, {{3, 3}, -1}, {{5, 3}, -1}, {{4, 4}, -1},
  });
  EXPECT_TRUE(merged.CheckConsistency());
  // A widening that reaches one of them takes in each it then touches.
  EXPECT_EQ(merged.Expand({1, 1}, {2, 1}), (TRect{0, 0, 3, 1}));
  EXPECT_EQ(merged.Expand({3, 2}, {4, 3}), (TRect{0, 2, 4, 3}));
}

// Areas at the ends of the sheet and of the coordinates: the first and the last rows and
// columns of the file format, and rows and columns near the largest index.
TEST_F(MergedCellsTest, AreasAtTheEdges) {
  merged.AddAll({{0, 0, 256, 65536}, {300, INT_MAX - 2, INT_MAX, INT_MAX}, {0, 70000, 1, 70001}});
  EXPECT_TRUE(merged.CheckConsistency());
  ExpectAreasAt({
      {{0, 0}, 0}, {{255, 65535}, 0}, {{256, 65535}, -1}, {{255, 65536}, -1},
      {{300, INT_MAX - 2}, 1}, {{INT_MAX - 1, INT_MAX - 1}, 1}, {{299, INT_MAX - 1}, -1},
      {{0, 70000}, 2}, {{0, 69999}, -1}, {{-1, 0}, -1}, {{0, -1}, -1},
  });
  EXPECT_TRUE(merged.IsBandMerged({INT_MAX - 1, 0, INT_MAX - 1, 0}, true));
  EXPECT_FALSE(merged.IsBandMerged({256, 0, 299, 0}, true));
  EXPECT_EQ(merged.GetIntersecting({250, 60000, INT_MAX, INT_MAX}),
            (TcxSSRectsArray{{0, 0, 256, 65536}, {300, INT_MAX - 2, INT_MAX, INT_MAX}}));
  merged.Delete(0);
  TRect area;
  EXPECT_FALSE(merged.FindAt({0, 0}, area));
  EXPECT_TRUE(merged.CheckConsistency());
}

// Merging a whole sheet marks the records it holds and the top-left cell, not every cell:
// the records after it are the records before it plus at most the top-left one, and undo and
// redo bring the cells and the areas back.
TEST_F(MergedCellsTest, MergingAWholeSheetMakesNoRecordPerCoveredCell) {
  storage.SetCellText(3, 5, "x", true, false);
  storage.SetCellText(255, 65535, "last", true, false);
  auto records = [this] {
    int n = 0;
    storage.ForEachCell([&n](int, int, const TcxSSCellRec&) { ++n; });
    return n;
  };
  ASSERT_EQ(records(), 2);
  book.History().Clear();
  sheet.MergeCells({0, 0, 255, 65535}, true);
  EXPECT_EQ(records(), 3);
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{0, 0, 256, 65536}}));
  for (TPoint cell : {TPoint{0, 0}, TPoint{3, 5}, TPoint{255, 65535}, TPoint{100, 40000}})
    EXPECT_TRUE(Flagged(cell.X, cell.Y)) << cell.X << "," << cell.Y;
  EXPECT_EQ(storage.CellRef(100, 40000).Text, "");  // reads as the empty top-left cell
  EXPECT_EQ(storage.CellRef(3, 5).Text, "x");      // keeps its own record

  book.History().Undo(1);
  EXPECT_EQ(merged.Count(), 0);
  EXPECT_EQ(records(), 2);
  EXPECT_FALSE(Flagged(3, 5));
  EXPECT_FALSE(Flagged(255, 65535));
  book.History().Redo(1);
  EXPECT_EQ(merged.Count(), 1);
  EXPECT_TRUE(Flagged(3, 5));
  EXPECT_TRUE(Flagged(100, 40000));

  sheet.MergeCells({7, 7, 7, 7}, false);  // splitting any cell splits the whole sheet
  EXPECT_EQ(merged.Count(), 0);
  EXPECT_FALSE(Flagged(0, 0));
  EXPECT_FALSE(Flagged(3, 5));
  EXPECT_FALSE(Flagged(100, 40000));
  book.History().Undo(1);
  EXPECT_EQ(merged.Count(), 1);
  EXPECT_TRUE(Flagged(3, 5));
  EXPECT_TRUE(Flagged(0, 0));
}

// Deleting the first rows (columns) of an area, or clearing its top-left cell with its
// formats, leaves the flag in the cell that is now its top-left, which the others read as.
TEST_F(MergedCellsTest, AnAreaThatLostItsTopLeftCellStaysMarked) {
  storage.MergeCells({1, 1, 3, 4}, true);  // B2:D5
  storage.DeleteCells({0, 1, 0, 2}, 3);    // rows 2 and 3
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{1, 1, 4, 3}}));  // B2:D3
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", ".###.", ".###.", "....."}));

  storage.DeleteCells({1, 0, 1, 0}, 2);  // column B
  EXPECT_EQ(merged.GetAll(), (TcxSSRectsArray{{1, 1, 3, 3}}));  // B2:C3
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", ".##..", ".##..", "....."}));

  storage.ClearCells({0, 0, 1, 1}, true);  // A1:B2 cuts the area: it stays
  EXPECT_EQ(merged.Count(), 1);
  EXPECT_EQ(FlagGrid(), (std::vector<std::string>{".....", ".##..", ".##..", "....."}));
}

// Thousands of areas: each query still finds exactly its own area.
TEST_F(MergedCellsTest, ManyAreas) {
  TcxSSRectsArray areas;
  for (int i = 0; i < 5000; ++i) areas.push_back({(i % 7) * 3, (i / 7) * 2, (i % 7) * 3 + 3, (i / 7) * 2 + 2});
  merged.SetAll(areas);
  ASSERT_TRUE(merged.CheckConsistency());
  for (int i = 0; i < 5000; i += 37) {
    TRect area;
    ASSERT_TRUE(merged.FindAt({areas[i].Right - 1, areas[i].Bottom - 1}, area));
    EXPECT_EQ(area, areas[i]);
    int index = -1;
    ASSERT_TRUE(merged.FirstIntersecting(areas[i], index));
    EXPECT_EQ(index, i);
  }
  EXPECT_EQ(merged.GetIntersecting({2, 0, 4, 3}),
            (TcxSSRectsArray{areas[0], areas[1], areas[7], areas[8]}));
}

}  // namespace
