// The sheet's range operations: protection, clear, insert and delete in the four modes, hiding
// and showing, merge and split, sort and the format dialog, each with undo then redo.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/cxSSStrings.h"
#include "sheet/SheetFixture.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSSFormatDialog.h"

namespace {

using RangeTest = SheetFixture;

// --- Protection ------------------------------------------------------------------------------------

struct ProtectionCase {
  const char* name;
  bool excelStyle;
  bool bookProtected, sheetProtected, bookReadOnly, sheetReadOnly;
  bool stored;        // the cell has a record of its own
  uint8_t cellFlags;  // its style flags when stored
  bool columnLocked;  // the column header's locked flag
  bool loading;
  bool expected;  // the cell
  bool range;     // column B from row 1 to row 100001: the cell and unstored cells
};

const ProtectionCase kProtectionCases[] = {
    {"excel, nothing protected", true, false, false, false, false, true, kStyleLocked, true, false, true, true},
    {"excel, book protected, locked cell", true, true, false, false, false, true, kStyleLocked, true, false, false, false},
    {"excel, sheet protected, locked cell", true, false, true, false, false, true, kStyleLocked, true, false, false, false},
    {"excel, sheet protected, unlocked cell", true, false, true, false, false, true, 0, true, false, true, false},
    {"excel, protected, unstored, locked column", true, false, true, false, false, false, 0, true, false, false, false},
    {"excel, protected, unstored, unlocked column", true, false, true, false, false, false, 0, false, false, true, true},
    {"excel, read-only does not count", true, false, false, true, true, true, kStyleReadOnly, true, false, true, true},
    {"excel, protected but loading", true, true, true, false, false, true, kStyleLocked, true, true, true, true},
    {"plain, protected does not count", false, true, true, false, false, true, kStyleLocked, true, false, true, true},
    {"plain, book read-only", false, false, false, true, false, false, 0, false, false, false, false},
    {"plain, sheet read-only", false, false, false, false, true, false, 0, false, false, false, false},
    {"plain, read-only cell", false, false, false, false, false, true, kStyleReadOnly, false, false, false, false},
    {"plain, writable cell", false, false, false, false, false, true, kStyleLocked, false, false, true, true},
    {"plain, unstored cell", false, false, false, false, false, false, 0, true, false, true, true},
};

TEST_F(RangeTest, ProtectionRulesUnderBothProtectionStyles) {
  for (const ProtectionCase& c : kProtectionCases) {
    SCOPED_TRACE(c.name);
    book = std::make_unique<TcxSpreadSheetBook>(environment);
    TcxSSBookSheet& sheet = Sheet();
    if (c.stored) {
      Storage().SetCellText(1, 1, "x", false, false);
      StyleOf("B2")->SetFlags(c.cellFlags);
    }
    sheet.ColumnHeader().SetLocked(1, c.columnLocked);
    book->SetExcelProtectionStyle(c.excelStyle);
    book->SetProtected(c.bookProtected);
    sheet.SetProtected(c.sheetProtected);
    sheet.SetReadOnly(c.sheetReadOnly);
    if (c.bookReadOnly) book->SetReadOnly(true);
    book->SetLoading(c.loading);
    EXPECT_EQ(sheet.CanChangeCell(1, 1), c.expected);
    EXPECT_EQ(sheet.CanChangeRange({1, 0, 1, 100000}), c.range);
    book->SetLoading(false);
  }
}

TEST_F(RangeTest, ARangeStopsAtItsFirstRefusingCell) {
  Fill("A1", "a|b\nc|d");
  Sheet().SetProtected(true);
  for (int col = 0; col < 5; ++col) Sheet().ColumnHeader().SetLocked(col, false);
  StyleOf("A1")->SetLocked(false);
  StyleOf("A2")->SetLocked(false);
  StyleOf("B1")->SetLocked(false);
  EXPECT_TRUE(Sheet().CanChangeRange(Range("A1:A2")));
  EXPECT_TRUE(Sheet().CanChangeRange(Range("C1:E9")));    // unstored, unlocked columns
  EXPECT_FALSE(Sheet().CanChangeRange(Range("A1:B2")));  // B2 is locked
  EXPECT_FALSE(Sheet().CanChangeRange(Range("F1")));     // column F keeps the locked default
}

// --- Clear -------------------------------------------------------------------------------------

TEST_F(RangeTest, ClearKeepsFormatsUnlessAskedAndUndoRestoresEverything) {
  //  A     B        C
  //  1     text     =A1*10     (B1 bold and filled, B1:C1 merged below)
  Fill("A1", "1|text|=A1*10\n2|x|y");
  StyleOf("B1")->Font().SetStyle(kFontBold);
  StyleOf("B1")->Brush().SetBackgroundColor(5);
  ForgetHistory();

  std::string before = Snapshot(*book);
  Sheet().ClearCells(Range("A1:B1"), false);
  EXPECT_EQ(Grid("A1:C2"), "||=A1*10\n2|x|y");
  EXPECT_EQ(Cell("B1").Style->Font->Style, kFontBold);
  EXPECT_EQ(Steps(), std::vector<std::string>{"Clear cells"});
  ExpectUndoRedo(before);

  Sheet().MergeCells(Range("A2:B2"), true);
  ForgetHistory();
  before = Snapshot(*book);
  Sheet().ClearCells(Range("A1:C2"), true);
  EXPECT_EQ(Grid("A1:C2"), "||\n||");
  EXPECT_EQ(Cell("B1").Style, book->StyleCache().DefaultRecord());
  EXPECT_EQ(Storage().MergedCells().Count(), 0);
  EXPECT_TRUE(Storage().CheckConsistency());
  ExpectUndoRedo(before);
}

TEST_F(RangeTest, ClearIsRefusedByProtectionAndByItsHandler) {
  Fill("A1", "a|b");
  ForgetHistory();
  Sheet().SetProtected(true);
  Sheet().ClearCells(Range("A1:B1"), true);
  EXPECT_EQ(Grid("A1:B1"), "a|b");
  Sheet().SetProtected(false);

  bool formats = false;
  book->OnClearCells = [&](TcxSSBookSheet&, const TRect&, bool& useDefaultStyle, bool& canClear) {
    formats = useDefaultStyle;
    canClear = false;
  };
  Sheet().ClearCells(Range("A1:B1"), true);
  EXPECT_TRUE(formats);
  EXPECT_EQ(Grid("A1:B1"), "a|b");
  EXPECT_TRUE(Steps().empty());

  // The handler may turn a contents-only clear into one with formats.
  StyleOf("A1")->Brush().SetBackgroundColor(3);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  book->OnClearCells = [](TcxSSBookSheet&, const TRect&, bool& useDefaultStyle, bool&) {
    useDefaultStyle = true;
  };
  Sheet().ClearCells(Range("A1:B1"), false);
  EXPECT_EQ(Cell("A1").Style, book->StyleCache().DefaultRecord());
  ExpectUndoRedo(before);
}

TEST_F(RangeTest, ClearStopsAtAReadOnlyCell) {
  //  A   B
  //  1   3      B1 is read-only: column A is cleared, the clear stops at B1
  //  2   4
  Fill("A1", "1|3\n2|4");
  StyleOf("B1")->SetReadOnlyFlag(true);
  book->SetExcelProtectionStyle(true);
  Sheet().ClearCells(Range("A1:B2"), false);
  EXPECT_EQ(Grid("A1:B2"), "|3\n|4");
}

TEST_F(RangeTest, ClearSheetIsOneStepClearAll) {
  Fill("A1", "1|2\n3|=A1+B1");
  Sheet().MergeCells(Range("C3:D4"), true);
  StyleOf("A1")->Brush().SetBackgroundColor(4);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().ClearSheet();
  EXPECT_EQ(Grid("A1:D4"), "|||\n|||\n|||\n|||");
  EXPECT_EQ(Storage().MergedCells().Count(), 0);
  EXPECT_EQ(Steps(), std::vector<std::string>{"Clear all"});
  EXPECT_EQ(book->FormulasCache().Count(), 0);
  ExpectUndoRedo(before);
  History().Undo(1);
  EXPECT_EQ(Show("B2"), "3");
}

// --- Insert and delete --------------------------------------------------------------------------------

struct ShiftCase {
  const char* name;
  bool isDelete;
  int mode;
  const char* range;
  const char* expected;  // A1:D4 afterwards
};

//  The starting grid, A1:D4:
//   a1 | b1 | c1 | d1
//   a2 | b2 | c2 | d2
//   a3 | b3 | c3 | d3
//   a4 | b4 | c4 | d4
const char* const kStartGrid = "a1|b1|c1|d1\na2|b2|c2|d2\na3|b3|c3|d3\na4|b4|c4|d4";

const ShiftCase kShiftCases[] = {
    {"insert right", false, 0, "B2:C2", "a1|b1|c1|d1\na2|||b2\na3|b3|c3|d3\na4|b4|c4|d4"},
    {"insert down", false, 1, "B2:C2", "a1|b1|c1|d1\na2|||d2\na3|b2|c2|d3\na4|b3|c3|d4"},
    {"insert columns", false, 2, "B2:C2", "a1|||b1\na2|||b2\na3|||b3\na4|||b4"},
    {"insert rows", false, 3, "B2:C3", "a1|b1|c1|d1\n|||\n|||\na2|b2|c2|d2"},
    {"delete left", true, 0, "B2:C2", "a1|b1|c1|d1\na2|d2||\na3|b3|c3|d3\na4|b4|c4|d4"},
    {"delete up", true, 1, "B2:C2", "a1|b1|c1|d1\na2|b3|c3|d2\na3|b4|c4|d3\na4|||d4"},
    {"delete columns", true, 2, "B2:C2", "a1|d1||\na2|d2||\na3|d3||\na4|d4||"},
    {"delete rows", true, 3, "B2:C3", "a1|b1|c1|d1\na4|b4|c4|d4\n|||\n|||"},
};

TEST_F(RangeTest, InsertAndDeleteInTheFourModesAreUndoable) {
  for (const ShiftCase& c : kShiftCases) {
    SCOPED_TRACE(c.name);
    book = std::make_unique<TcxSpreadSheetBook>(environment);
    Fill("A1", kStartGrid);
    StyleOf("B2")->Brush().SetBackgroundColor(6);
    Sheet().RowHeader().SetSize(1, 33);
    Sheet().ColumnHeader().SetSize(2, 120);
    ForgetHistory();
    const std::string before = Snapshot(*book);
    if (c.isDelete)
      Sheet().DeleteCells(Range(c.range), c.mode);
    else
      Sheet().InsertCells(Range(c.range), c.mode);
    EXPECT_EQ(Grid("A1:D4"), c.expected);
    EXPECT_EQ(Steps(), std::vector<std::string>{c.isDelete ? "Delete cells" : "Insert cells"});
    EXPECT_TRUE(Storage().CheckConsistency());
    ExpectUndoRedo(before);
  }
}

TEST_F(RangeTest, EntireRowsAndColumnsMoveReferencesShiftedCellsDoNot) {
  //  A    B
  //  1    =A1*10
  //  2    =A2*10
  //  3    =SUM(A1:A3)
  Fill("A1", "1|=A1*10\n2|=A2*10\n3|=SUM(A1:A3)");
  Type("D1", "=B2");
  Sheet().InsertCells(Range("A2"), 3);  // a row before row 2
  EXPECT_EQ(Grid("A1:B4"), "1|=A1*10\n|\n2|=A3*10\n3|=SUM(A1:A4)");
  EXPECT_EQ(Grid("D1"), "=B3");
  History().Undo(1);
  EXPECT_EQ(Grid("A1:B3"), "1|=A1*10\n2|=A2*10\n3|=SUM(A1:A3)");
  EXPECT_EQ(Grid("D1"), "=B2");

  // Shifting cells down leaves every reference as it was.
  Sheet().InsertCells(Range("B2"), 1);
  EXPECT_EQ(Grid("B1:B4"), "=A1*10\n\n=A3*10\n=SUM(A2:A4)");
  EXPECT_EQ(Grid("D1"), "=B2");

  Sheet().InsertCells(Range("A1"), 2);  // a column before A
  EXPECT_EQ(Grid("E1"), "=C2");
  EXPECT_EQ(Grid("B1:C1"), "1|=B1*10");
}

TEST_F(RangeTest, DeletingReferencedRowsGivesRefAndUndoBringsTheFormulasBack) {
  //  A    B
  //  1    =A2+1       (a reference into the deleted row)
  //  2    =SUM(A1:A3)
  //  3    =$A$3
  Fill("A1", "1|=A2+1\n2|=SUM(A1:A3)\n3|=$A$3");
  book->AddSheet("Other");
  Type("A1", "=Sheet1!A2*2", 1);
  Sheet().RowHeader().SetSize(1, 40);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().DeleteCells(Range("A2:B2"), 3);
  EXPECT_EQ(Grid("A1:B2"), "1|#REF!\n3|=$A$2");
  EXPECT_EQ(Grid("A1", 1), "#REF!");
  EXPECT_EQ(Sheet().RowHeader().GetItem(1).Size, Sheet().RowHeader().DefaultSize());
  ExpectUndoRedo(before);
  History().Undo(1);
  EXPECT_EQ(Grid("A1:B3"), "1|=A2+1\n2|=SUM(A1:A3)\n3|=$A$3");
  EXPECT_EQ(Grid("A1", 1), "=Sheet1!A2*2");
  EXPECT_EQ(Sheet().RowHeader().GetItem(1).Size, 40);
}

TEST_F(RangeTest, ShiftingThroughMergedCellsIsRefused) {
  //  A merged area far to the left in rows 3..4 still blocks a shift of those rows.
  Fill("A1", kStartGrid);
  Sheet().MergeCells(Range("A3:A4"), true);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  for (int mode : {0, 1}) {
    for (bool isDelete : {false, true}) {
      SCOPED_TRACE(mode * 2 + isDelete);
      try {
        if (isDelete)
          Sheet().DeleteCells(Range(mode == 0 ? "D3" : "A1"), mode);
        else
          Sheet().InsertCells(Range(mode == 0 ? "D3" : "A1"), mode);
        ADD_FAILURE() << "no error";
      } catch (const ESpreadSheetError& e) {
        EXPECT_EQ(std::string(e.what()), kSomeCellsMerged);
      }
      EXPECT_EQ(Snapshot(*book), before);
      EXPECT_EQ(book->LockCount(), 0);
    }
  }
  EXPECT_TRUE(Steps().empty());
  // Entire rows move the merged area instead.
  Sheet().InsertCells(Range("A1"), 3);
  EXPECT_EQ(Storage().MergedCells().GetAll(), (TcxSSRectsArray{{0, 3, 1, 5}}));
  ExpectUndoRedo(before);
}

// An insert that would push a cell holding something past IV or row 65536, where no file keeps
// it, is refused with its reason and changes nothing; cells that stay inside, empty cells
// and cells outside the shifted band do not stop it.
struct OffGridCase {
  const char* Name;
  const char* Filled;  // the cell given a value
  const char* Insert;
  int Mode;
  bool Refused;
};

const OffGridCase kOffGridCases[] = {
    {"right: the last column's cell in the row", "IV2", "B2", 0, true},
    {"right: two cells wide, the column before the last", "IU2", "B2:C2", 0, true},
    {"right: a cell that stays inside", "IT2", "B2:C2", 0, false},
    {"right: the last column, another row", "IV3", "B2", 0, false},
    {"right: left of the inserted cells", "A2", "B2:IV2", 0, false},
    {"down: the last row's cell in the column", "C65536", "C1", 1, true},
    {"down: another column", "D65536", "C1", 1, false},
    {"down: three rows, the third row from the bottom", "C65534", "C10:C12", 1, true},
    {"columns: any row of the last column", "IV60000", "A1", 2, true},
    {"columns: the columns before stay inside", "IU1", "A1", 2, false},
    {"rows: any column of the last row", "IV65536", "A1", 3, true},
    {"rows: above the inserted rows", "A1", "A2:A65536", 3, false},
    {"rows: a whole sheet's rows inserted", "A1", "A1:A65536", 3, true},
};

TEST_F(RangeTest, InsertingThatPushesCellsOffTheSheetIsRefused) {
  for (const OffGridCase& c : kOffGridCases) {
    SCOPED_TRACE(c.Name);
    book = std::make_unique<TcxSpreadSheetBook>(environment);
    Type(c.Filled, "x");
    // A styled empty cell at the far corner shows nothing, so it never stops an insert.
    StyleOf("IV65536")->SetLocked(false);
    ForgetHistory();
    const std::string before = Snapshot(*book);
    try {
      Sheet().InsertCells(Range(c.Insert), c.Mode);
      EXPECT_FALSE(c.Refused) << "not refused";
    } catch (const ESpreadSheetError& e) {
      EXPECT_TRUE(c.Refused) << e.what();
      EXPECT_EQ(std::string(e.what()), kCellsPushedOffSheet);
      EXPECT_EQ(Snapshot(*book), before);
      EXPECT_TRUE(Steps().empty());
    }
    EXPECT_EQ(book->LockCount(), 0);
    EXPECT_TRUE(Storage().CheckConsistency());
  }
}

TEST_F(RangeTest, InsertAndDeleteAreRefusedForProtectedCellsOnlyInExcelStyle) {
  Fill("A1", kStartGrid);
  Sheet().SetProtected(true);
  const std::string before = Snapshot(*book);
  Sheet().InsertCells(Range("A1"), 3);
  Sheet().DeleteCells(Range("A1"), 3);
  EXPECT_EQ(Snapshot(*book), before);
  // Without Excel protection the test is not made at all.
  book->SetExcelProtectionStyle(false);
  Sheet().DeleteCells(Range("A1"), 3);
  EXPECT_EQ(Grid("A1"), "a2");
  // Undo is not refused by protection that came later.
  book->SetExcelProtectionStyle(true);
  History().Undo(1);
  EXPECT_EQ(Snapshot(*book), before);
}

TEST_F(RangeTest, DeletingMergedAreasAndUndoingBringsThemBack) {
  Fill("A1", kStartGrid);
  Sheet().MergeCells(Range("B2:C3"), true);
  Sheet().MergeCells(Range("A4:D4"), true);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().DeleteCells(Range("B1:C1"), 2);
  EXPECT_EQ(Storage().MergedCells().GetAll(), (TcxSSRectsArray{{0, 3, 2, 4}}));
  ExpectUndoRedo(before);
}

// --- Visibility ----------------------------------------------------------------------------------------

TEST_F(RangeTest, HidingTheSelectedColumnsMovesTheSelectionRight) {
  Sheet().SetSelection(Range("B1:C3"));
  Sheet().SetVisibility(Range("B1:C3"), true, false, false);
  EXPECT_FALSE(Sheet().ColumnHeader().IsVisible(1));
  EXPECT_FALSE(Sheet().ColumnHeader().IsVisible(2));
  EXPECT_TRUE(Sheet().RowHeader().IsVisible(0));
  EXPECT_EQ(Sheet().Selection(), Range("D1:E3"));
  EXPECT_TRUE(Steps().empty());
}

TEST_F(RangeTest, HidingTheSelectedRowsLeavesOneRowBelowThem) {
  Sheet().SetSelection(Range("A5:D6"));
  Sheet().SetVisibility(Range("A5:D6"), false, false, true);
  EXPECT_EQ(Sheet().Selection(), Range("A7:D7"));
  EXPECT_FALSE(Sheet().RowHeader().IsVisible(4));
  EXPECT_FALSE(Sheet().RowHeader().IsVisible(5));
}

TEST_F(RangeTest, ShowingALineWithoutSizeGivesItTheDefaultSize) {
  Sheet().ColumnHeader().SetSize(3, 0);
  Sheet().SetVisibility(Range("B2:D2"), true, false, true);  // hide cells: columns and rows
  EXPECT_FALSE(Sheet().RowHeader().IsVisible(1));
  Sheet().SetVisibility(Range("B2:D2"), true, true, true);
  for (int col = 1; col <= 3; ++col) EXPECT_TRUE(Sheet().ColumnHeader().IsVisible(col));
  EXPECT_TRUE(Sheet().RowHeader().IsVisible(1));
  EXPECT_EQ(Sheet().ColumnHeader().VisibleSize(3), Sheet().ColumnHeader().DefaultSize());
}

// --- Merge and split ---------------------------------------------------------------------------------

TEST_F(RangeTest, MergeAndSplitAreStepsOfTheirOwn) {
  Fill("A1", "top|x\ny|z");
  ForgetHistory();
  std::string before = Snapshot(*book);
  Sheet().MergeCells(Range("A1:B2"), true);
  EXPECT_EQ(Storage().MergedCells().GetAll(), (TcxSSRectsArray{{0, 0, 2, 2}}));
  EXPECT_EQ(Steps(), std::vector<std::string>{"Merge cells"});
  EXPECT_EQ(Grid("A1:B2"), "top|x\ny|z");  // contents are kept
  EXPECT_TRUE(Cell("B2").Style->Flags & kStyleMerged);
  ExpectUndoRedo(before);

  before = Snapshot(*book);
  Sheet().MergeCells(Range("B2"), false);  // one cell splits the whole area
  EXPECT_EQ(Storage().MergedCells().Count(), 0);
  EXPECT_FALSE(Cell("A1").Style->Flags & kStyleMerged);
  EXPECT_EQ(Steps().front(), "Split cells");
  ExpectUndoRedo(before);
}

TEST_F(RangeTest, MergeWidensOverTouchedAreasAndTheHandlerDecides) {
  Sheet().MergeCells(Range("B2:C3"), true);
  Sheet().MergeCells(Range("A1:B2"), true);
  EXPECT_EQ(Storage().MergedCells().GetAll(), (TcxSSRectsArray{{0, 0, 3, 3}}));

  std::vector<bool> asked;
  book->OnMergeCells = [&](TcxSSBookSheet&, const TRect&, bool isMerge, bool& canMerge) {
    asked.push_back(isMerge);
    canMerge = false;  // split instead
  };
  Sheet().MergeCells(Range("E5:F6"), true);
  EXPECT_EQ(asked, std::vector<bool>{true});
  EXPECT_EQ(Storage().MergedCells().Count(), 1);
  EXPECT_EQ(Steps().front(), "Split cells");
}

TEST_F(RangeTest, MergeIsRefusedForProtectedCells) {
  Sheet().SetProtected(true);
  Sheet().MergeCells(Range("A1:B2"), true);
  EXPECT_EQ(Storage().MergedCells().Count(), 0);
  EXPECT_TRUE(Steps().empty());
}

// --- Sort -------------------------------------------------------------------------------------------

struct SortCase {
  const char* name;
  const char* grid;
  const char* range;
  std::vector<uint8_t> directions;
  const char* expected;
};

const SortCase kSortCases[] = {
    {"numbers as numbers, empty first", "10\n9\n\nabc", "A1:A4", {0}, "\n9\n10\nabc"},
    {"descending puts empty last", "10\n9\n\nabc", "A1:A4", {1}, "abc\n10\n9\n"},
    {"booleans false before true", "TRUE\nFALSE\nTRUE", "A1:A3", {0}, "FALSE\nTRUE\nTRUE"},
    {"text without case", "pear\nApple\nbanana", "A1:A3", {0}, "Apple\nbanana\npear"},
    {"rows stay whole", "2|x|1\n1|x|3\n3|y|2", "A1:C3", {0}, "1|x|3\n2|x|1\n3|y|2"},
    {"second key within runs", "1|b\n2|a\n1|a", "A1:B3", {0}, "1|a\n1|b\n2|a"},
    {"directions per key, the last for the rest", "1|a|x\n1|b|y\n1|b|z\n0|c|w", "A1:C4", {0, 1},
     "0|c|w\n1|b|z\n1|b|y\n1|a|x"},
};

TEST_F(RangeTest, SortOrdersRowsByTheComparisonRules) {
  for (const SortCase& c : kSortCases) {
    SCOPED_TRACE(c.name);
    book = std::make_unique<TcxSpreadSheetBook>(environment);
    Fill("A1", c.grid);
    ForgetHistory();
    const std::string before = Snapshot(*book);
    Sheet().SortCells(Range(c.range), c.directions);
    EXPECT_EQ(Grid(c.range), c.expected);
    EXPECT_EQ(Steps(), std::vector<std::string>{"Sort cells"});
    EXPECT_TRUE(Storage().CheckConsistency());
    ExpectUndoRedo(before);
  }
}

TEST_F(RangeTest, SortKeepsRowsWhoseKeysOnlyCompareEqual) {
  //  b  2        Sorting by both columns: b and B compare equal, so the second column decides;
  //  B  1        the rows move whole, each letter staying with its number.
  Fill("A1", "b|2\nB|1");
  Sheet().SortCells(Range("A1:B2"), {0});
  EXPECT_EQ(Grid("A1:B2"), "B|1\nb|2");
}

TEST_F(RangeTest, SortMovesFormulasWithTheirRows) {
  //  A   B
  //  3   =A1*10
  //  1   =A2*10
  //  2   =A3*10
  Fill("A1", "3|=A1*10\n1|=A2*10\n2|=A3*10");
  StyleOf("A1")->Brush().SetBackgroundColor(7);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().SortCells(Range("A1:B3"), {0});
  EXPECT_EQ(Grid("A1:B3"), "1|=A1*10\n2|=A2*10\n3|=A3*10");
  EXPECT_EQ(Cell("A3").Style->BackgroundColor, 7);
  book->Recalc();
  EXPECT_EQ(Show("B3"), "30");
  ExpectUndoRedo(before);
}

TEST_F(RangeTest, SortingRowsInOrderRecordsNothing) {
  Fill("A1", "1\n2\n3");
  ForgetHistory();
  Sheet().SortCells(Range("A1:A3"), {0});
  EXPECT_TRUE(Steps().empty());
}

// --- Format dialog ------------------------------------------------------------------------------------

// A dialog that makes its cells bold, as the style designer would.
class TBoldDialog : public TcxSSFormatDialog {
public:
  explicit TBoldDialog(int& runs) : runs_(runs) {}
  void Execute(const TRect& cells, TcxSSBookSheet& sheet) override {
    ++runs_;
    for (int col = cells.Left; col <= cells.Right; ++col)
      for (int row = cells.Top; row <= cells.Bottom; ++row)
        TcxSSCellObject(sheet.DataStorage(), col, row).Style().Font().SetStyle(kFontBold);
  }

private:
  int& runs_;
};

TEST_F(RangeTest, FormatCellsRunsTheChosenDialogAsOneStep) {
  int runs = 0;
  book->SetFormatDialogClass([&runs] { return std::make_unique<TBoldDialog>(runs); });
  Fill("A1", "a|b");
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().FormatCells(Range("A1:B1"));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(Cell("B1").Style->Font->Style, kFontBold);
  EXPECT_EQ(Steps(), std::vector<std::string>{"Format cells"});
  ExpectUndoRedo(before);

  // The handler may change the cells or refuse.
  book->OnFormatCells = [](TcxSSBookSheet&, TRect& cells, bool& canFormat, TcxSSFormatDialogClass&) {
    canFormat = cells.Left != 5;
    cells = Range("C1");
  };
  Sheet().FormatCells(Range("A2"));
  EXPECT_EQ(Cell("C1").Style->Font->Style, kFontBold);
  EXPECT_EQ(Cell("A2").Style->Font->Style, 0);
  Sheet().FormatCells(Range("F1"));
  EXPECT_EQ(runs, 2);

  // Or choose another dialog class; the base dialog changes nothing and leaves no step.
  book->OnFormatCells = [](TcxSSBookSheet&, TRect&, bool&, TcxSSFormatDialogClass& dialogClass) {
    dialogClass = [] { return std::make_unique<TcxSSFormatDialog>(); };
  };
  ForgetHistory();
  Sheet().FormatCells(Range("D4"));
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(Steps().empty());
}

}  // namespace
