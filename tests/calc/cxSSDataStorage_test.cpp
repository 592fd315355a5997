#include "calc/cxSSDataStorage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"

namespace {

class DataStorageTest : public ::testing::Test {
protected:
  ~DataStorageTest() override { EXPECT_TRUE(storage.CheckConsistency()); }

  // Writes rows of texts separated by '|'; an empty text writes nothing.
  void Fill(const std::vector<std::string>& rows) {
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
      size_t start = 0;
      for (int col = 0;; ++col) {
        const size_t bar = rows[row].find('|', start);
        const std::string text = rows[row].substr(start, bar - start);
        if (!text.empty()) storage.SetCellText(col, row, text, false, false);
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
    }
  }

  // The texts of the cells' own records, in the form Fill takes.
  std::vector<std::string> Texts(int cols, int rows) const {
    std::vector<std::string> result;
    for (int row = 0; row < rows; ++row) {
      std::string line;
      for (int col = 0; col < cols; ++col) {
        if (col > 0) line += '|';
        line += storage.OwnCell(col, row).Text;
      }
      result.push_back(line);
    }
    return result;
  }

  // A shared style record like record 0 changed by `change`, with one reference for the cell.
  template <typename F>
  TcxSSStyleRec* Style(F&& change) {
    TcxSSStyleRec rec = *styles.DefaultRecord();
    change(rec);
    return styles.AddStyle(rec);
  }

  // Makes the cell a formula cell with a registered formula record.
  TcxSSFormula* PutFormula(int col, int row, const std::string& text = "=1") {
    auto formula = std::make_unique<TcxSSFormula>();
    formula->Col = col;
    formula->Row = row;
    TcxSSFormula* registered = book.FormulasCache().Add(std::move(formula));
    TcxSSCellRec cell = storage.OwnCell(col, row);
    cell.Kind = ckFormula;
    cell.Formula = registered;
    cell.Text = text;
    storage.SetCell(col, row, cell);
    return registered;
  }

  // The cells of the registered formulas, in registration order. (A formula that was
  // unregistered is freed, so tests look at what is still registered.)
  std::vector<TPoint> FormulaCells() const {
    std::vector<TPoint> cells;
    book.FormulasCache().ForEachFormula([&](const TcxSSFormula& f) { cells.push_back({f.Col, f.Row}); });
    return cells;
  }

  TcxSpreadSheetBook book{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSBookSheet& sheet = book.ActiveSheet();
  TcxSSDataStorage& storage = sheet.DataStorage();
  TcxSSStyleCache& styles = book.StyleCache();
};

// --- Reading and capacity -------------------------------------------------------------------

TEST_F(DataStorageTest, NegativeCoordinatesReadTheDefaultAndAreNeverWritten) {
  storage.SetCellText(-1, 0, "x", false, false);
  storage.SetCellNumber(0, -1, 1);
  EXPECT_TRUE(storage.GetCell(-1, -1).SameAs(storage.DefaultCell()));
  EXPECT_EQ(storage.ColCount(), 0);
  EXPECT_EQ(storage.RowCount(), 0);
}

TEST(DataStorageCapacity, GrowsInStepsOfTenColumnsAndAThousandRows) {
  struct Case { int Col, Row, ColCapacity, RowCapacity, ColCount, RowCount; } cases[] = {
      {0, 0, 10, 1000, 1, 1},
      {15, 2500, 25, 3500, 16, 2501},
      {9, 999, 19, 1999, 10, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Col << "," << c.Row);
    TcxSpreadSheetBook book{MakeFixedEnvironment(TRegionalSettings::English())};
    TcxSSDataStorage& storage = book.ActiveSheet().DataStorage();
    storage.SetCellText(c.Col, c.Row, "x", false, false);
    EXPECT_EQ(storage.ColCapacity(), c.ColCapacity);
    EXPECT_EQ(storage.RowCapacity(), c.RowCapacity);
    EXPECT_EQ(storage.ColCount(), c.ColCount);
    EXPECT_EQ(storage.RowCount(), c.RowCount);
    EXPECT_EQ(storage.ColumnRowCount(c.Col), c.Row + 1);
    EXPECT_EQ(storage.GetCell(c.Col, c.Row).Text, "x");
    EXPECT_TRUE(storage.CheckConsistency());
  }
}

// Rows inserted or deleted move the records below across the blocks they are kept in: each case
// puts texts at rows on both sides of block edges, shifts the column and compares every record
// with where the shift says it belongs.
TEST_F(DataStorageTest, ShiftedRowsCrossBlockEdges) {
  const std::vector<int> rows = {0, 1, 254, 255, 256, 257, 511, 512, 1000, 65535, 70000};
  struct Case { bool Delete; int Kind; int Top; int Height; } cases[] = {
      {false, 3, 0, 1},    {false, 3, 255, 1},   {false, 3, 200, 300}, {false, 3, 256, 256},
      {false, 1, 100, 5000}, {true, 3, 0, 1},   {true, 3, 255, 2},    {true, 3, 1, 600},
      {true, 1, 250, 10},  {true, 3, 60000, 10001}, {true, 1, 0, 70001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Delete ? "delete " : "insert ") << c.Height
                                    << " at " << c.Top << " kind " << c.Kind);
    storage.ClearAll();
    for (int row : rows) storage.SetCellText(2, row, std::to_string(row), false, false);
    const TRect rect{2, c.Top, 2, c.Top + c.Height - 1};
    if (c.Delete)
      storage.DeleteCells(rect, c.Kind);
    else
      storage.InsertCells(rect, c.Kind);
    std::vector<std::pair<int, std::string>> expected;
    for (int row : rows) {
      if (row < c.Top)
        expected.emplace_back(row, std::to_string(row));
      else if (!c.Delete)
        expected.emplace_back(row + c.Height, std::to_string(row));
      else if (row >= c.Top + c.Height)
        expected.emplace_back(row - c.Height, std::to_string(row));
    }
    std::vector<std::pair<int, std::string>> found;
    storage.ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
      EXPECT_EQ(col, 2);
      found.emplace_back(row, cell.Text);
    });
    EXPECT_EQ(found, expected);
    for (const auto& [row, text] : expected) EXPECT_EQ(storage.OwnCell(2, row).Text, text);
    EXPECT_TRUE(storage.CheckConsistency());
  }
}

TEST_F(DataStorageTest, SetCapacityOnlyGrows) {
  storage.SetCapacity(30, 5000);
  storage.SetCapacity(20, 6000);
  EXPECT_EQ(storage.ColCapacity(), 30);
  EXPECT_EQ(storage.RowCapacity(), 6000);
  storage.SetCellText(3, 3, "x", false, false);  // within capacity: no growth
  EXPECT_EQ(storage.ColCapacity(), 30);
  EXPECT_EQ(storage.RowCapacity(), 6000);
}

// --- Writing ----------------------------------------------------------------------------------

TEST_F(DataStorageTest, WritingTheSameRecordTwiceRecordsAndNotifiesOnce) {
  int changes = 0;
  book.OnCellChange = [&](TcxSSBookSheet& s, int col, int row) {
    EXPECT_EQ(&s, &sheet);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 3);
    ++changes;
  };
  book.SetModified(false);
  const int steps = book.History().UndoList().Count();
  storage.SetCellNumber(2, 3, 7.5);
  storage.SetCellNumber(2, 3, 7.5);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(book.History().UndoList().Count(), steps + 1);
  EXPECT_TRUE(book.Modified());
  const TcxSSCellRec& cell = storage.CellRef(2, 3);
  EXPECT_EQ(cell.Kind, ckNumber);
  EXPECT_EQ(cell.Number, 7.5);
  EXPECT_EQ(cell.Text, "7.5");
}

TEST_F(DataStorageTest, WritesInsideTheUpdateLockFireNoCellEvent) {
  int changes = 0;
  book.OnCellChange = [&](TcxSSBookSheet&, int, int) { ++changes; };
  book.BeginUpdate();
  storage.SetCellNumber(0, 0, 1);
  book.EndUpdate();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(storage.CellRef(0, 0).Number, 1);
}

TEST_F(DataStorageTest, RowsBeyondTheLoadLimitAreDroppedWhileReading) {
  storage.SetLoadLimit(3, 4);
  book.SetReading(true);
  EXPECT_TRUE(storage.CanWrite(100, 4));
  EXPECT_FALSE(storage.CanWrite(0, 5));
  storage.SetCellText(0, 5, "dropped", false, false);
  storage.SetCellNumber(0, 6, 1);
  storage.SetCellText(0, 4, "kept", false, false);
  book.SetReading(false);
  EXPECT_TRUE(storage.CanWrite(0, 5));  // only while reading
  EXPECT_EQ(Texts(1, 7), (std::vector<std::string>{"", "", "", "", "kept", "", ""}));
  storage.ClearLoadLimit();
  book.SetReading(true);
  EXPECT_TRUE(storage.CanWrite(0, 5));
  book.SetReading(false);
}

TEST(DataStorageFormulaText, WhichTextsBecomeFormulas) {
  struct Case { const char* Text; bool Allow, Force; TxlsDataFormat Format; bool Formula; } cases[] = {
      {"=A1+1", true, false, 0, true},
      {"  =A1 ", true, false, 0, true},
      {"=#REF!+1", true, false, 0, false},  // "#" anywhere keeps it text
      {"=", true, false, 0, false},         // a lone "="
      {" = ", true, false, 0, false},
      {"=A1", true, false, 49, false},      // the text format
      {"=A1", false, false, 0, false},      // formulas not allowed
      {"abc", false, true, 49, true},       // forced
      {"A1=", true, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(TcxSSDataStorage::IsFormulaText(c.Text, c.Allow, c.Force, c.Format), c.Formula);
  }
}

TEST_F(DataStorageTest, TextThatIsNoFormulaIsStoredAsTyped) {
  TcxSSStyleRec* textFormat = Style([](TcxSSStyleRec& r) { r.Format = 49; });
  storage.SetCellStyle(0, 0, textFormat);
  storage.SetCellText(0, 0, "=A1", true, false);
  storage.SetCellText(1, 0, "=#REF!+1", true, false);
  storage.SetCellText(2, 0, "=", true, false);
  EXPECT_EQ(Texts(3, 1), (std::vector<std::string>{"=A1|=#REF!+1|="}));
  for (int col = 0; col < 3; ++col) EXPECT_EQ(storage.CellRef(col, 0).Kind, ckText);
  EXPECT_EQ(storage.CellRef(0, 0).Style, textFormat);
}

TEST_F(DataStorageTest, PercentTextInPercentCells) {
  struct Case { TxlsDataFormat Format; const char* Typed; const char* Stored; } cases[] = {
      {9, "50%", "0.5"},     {10, "12.5%", "0.125"}, {9, "%7", "0.07"},
      {9, "abc%", "abc%"},   {9, "50", "50"},        {0, "50%", "50%"},
      {10, "5%%", "5%%"},
  };
  int col = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Typed);
    storage.SetCellStyle(col, 0, Style([&](TcxSSStyleRec& r) { r.Format = c.Format; }));
    storage.SetCellText(col, 0, c.Typed, true, false);
    EXPECT_EQ(storage.CellRef(col, 0).Text, c.Stored);
    EXPECT_EQ(storage.CellRef(col, 0).Kind, ckText);
    ++col;
  }
}

TEST_F(DataStorageTest, NewContentsUnregisterTheOldFormula) {
  TcxSSFormulasCache& formulas = book.FormulasCache();
  PutFormula(0, 0);
  PutFormula(1, 0);
  TcxSSFormula* c = PutFormula(2, 0);
  ASSERT_EQ(formulas.Count(), 3);
  storage.SetCellText(0, 0, "text", true, false);
  storage.SetCellNumber(1, 0, 2);
  EXPECT_EQ(FormulaCells(), (std::vector<TPoint>{{2, 0}}));
  EXPECT_TRUE(formulas.IsRegistered(c));
  EXPECT_EQ(storage.CellRef(0, 0).Formula, nullptr);
  EXPECT_EQ(storage.CellRef(1, 0).Kind, ckNumber);
  // A style change keeps the formula.
  storage.SetCellStyle(2, 0, Style([](TcxSSStyleRec& r) { r.WordBreak = true; }));
  EXPECT_TRUE(formulas.IsRegistered(c));
  EXPECT_EQ(storage.CellRef(2, 0).Formula, c);
}

TEST_F(DataStorageTest, ACoveredCellReadsTheTopLeftCellButNeverTakesItsFormula) {
  //    A        B
  // 1  =1       (covered)
  // 2  (covered) own "y"
  TcxSSFormula* formula = PutFormula(0, 0);
  storage.SetCellText(1, 1, "y", false, false);
  storage.MergedCells().Add({0, 0, 2, 2});
  EXPECT_EQ(storage.GetCell(1, 0).Formula, formula);
  EXPECT_EQ(storage.GetCell(0, 1).Text, "=1");
  EXPECT_EQ(storage.GetCell(1, 1).Text, "y");
  EXPECT_EQ(storage.FindCell(1, 0), nullptr);

  // Writing a style or a number into a covered cell starts from its own (empty) record.
  storage.SetCellStyle(1, 0, Style([](TcxSSStyleRec& r) { r.Flags |= kStyleMerged; }));
  storage.SetCellNumber(0, 1, 3);
  EXPECT_EQ(storage.OwnCell(1, 0).Kind, ckText);
  EXPECT_EQ(storage.OwnCell(1, 0).Formula, nullptr);
  EXPECT_EQ(storage.OwnCell(1, 0).Text, "");
  EXPECT_TRUE(book.FormulasCache().IsRegistered(formula));
  EXPECT_EQ(storage.CellRef(0, 0).Formula, formula);
}

// --- Edit text and used area ------------------------------------------------------------------

TEST_F(DataStorageTest, EditText) {
  struct Case { TxlsDataFormat Format; const char* Text; const char* Edit; } cases[] = {
      {14, "45306.5", "1/15/2024 12:00 PM"},  // a date format shows date and time
      {22, "45306.25", "1/15/2024 6:00 AM"},
      {14, "soon", "soon"},
      {9, "0.5", "50%"},
      {10, "0.125", "12.5%"},
      {9, "half", "half"},
      {0, "0.5", "0.5"},
  };
  int col = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    storage.SetCellStyle(col, 0, Style([&](TcxSSStyleRec& r) { r.Format = c.Format; }));
    TcxSSCellRec cell = storage.OwnCell(col, 0);
    cell.Text = c.Text;
    storage.SetCell(col, 0, cell);
    EXPECT_EQ(storage.GetEditText(col, 0), c.Edit);
    ++col;
  }
  PutFormula(0, 1, "=SUM(A1)");
  EXPECT_EQ(storage.GetEditText(0, 1), "=SUM(A1)");
}

TEST_F(DataStorageTest, LastUsedColumnAndRowSkipCellsThatShowNothing) {
  const TcxSSFontRec* bold = styles.GetFontRec(styles.DefaultRecord()->Font->Name, kFontBold,
                                               kColorAuto, 8, 1);
  storage.SetCellStyle(5, 9, Style([&](TcxSSStyleRec& r) { r.Font = bold; }));
  storage.SetCellStyle(4, 1, Style([](TcxSSStyleRec& r) { r.Format = 14; }));
  EXPECT_EQ(storage.GetLastUsedCol(), 0);
  EXPECT_EQ(storage.GetLastUsedRow(), 0);
  EXPECT_TRUE(storage.IsVisuallyEmpty(storage.CellRef(5, 9)));

  storage.SetCellStyle(3, 7, Style([](TcxSSStyleRec& r) { r.BackgroundColor = 5; }));
  EXPECT_EQ(storage.GetLastUsedCol(), 4);
  EXPECT_EQ(storage.GetLastUsedRow(), 8);
  storage.SetCellStyle(6, 2, Style([](TcxSSStyleRec& r) { r.Edges[eTop].Style = lsThin; }));
  storage.SetCellText(1, 12, "x", false, false);
  EXPECT_EQ(storage.GetLastUsedCol(), 7);
  EXPECT_EQ(storage.GetLastUsedRow(), 13);
}

// --- Clearing ---------------------------------------------------------------------------------

TEST_F(DataStorageTest, ClearingContentsKeepsFormatsAndClearingWithFormatsFreesRecords) {
  Fill({"a|b|c", "d|e|f", "g|h|i"});
  TcxSSStyleRec* wrap = Style([](TcxSSStyleRec& r) { r.WordBreak = true; });
  storage.SetCellStyle(1, 1, wrap);
  PutFormula(2, 1);
  PutFormula(2, 2);

  storage.ClearCells({1, 0, 2, 1}, false);
  EXPECT_EQ(Texts(3, 3), (std::vector<std::string>{"a||", "d||", "g|h|=1"}));
  EXPECT_EQ(storage.CellRef(1, 1).Style, wrap);
  EXPECT_EQ(FormulaCells(), (std::vector<TPoint>{{2, 2}}));
  EXPECT_EQ(storage.CellRef(2, 1).Kind, ckText);
  EXPECT_NE(storage.FindCell(1, 0), nullptr);

  storage.ClearCells({1, 0, 2, 1}, true);
  EXPECT_EQ(storage.FindCell(1, 1), nullptr);
  EXPECT_EQ(storage.FindCell(2, 0), nullptr);
  EXPECT_EQ(storage.GetLastUsedCol(), 3);  // row 3 still holds h and the formula
}

TEST_F(DataStorageTest, ClearingIsOneHistoryStepOfChangedCells) {
  Fill({"a|b", "c|d"});
  book.History().Clear();
  storage.ClearCells({0, 0, 1, 1}, false);
  ASSERT_EQ(book.History().UndoList().Count(), 1);
  TcxCustomAction* step = book.History().UndoList().Items(0);
  EXPECT_EQ(step->Description(), kDeleteCells);
  EXPECT_EQ(step->Count(), 4);
}

TEST_F(DataStorageTest, ClearingStopsAtTheFirstReadOnlyCell) {
  //    A  B  C
  // 1  a  b  c
  // 2  d  e* f      (* read-only)
  Fill({"a|b|c", "d|e|f"});
  storage.SetCellStyle(1, 1, Style([](TcxSSStyleRec& r) { r.Flags |= kStyleReadOnly; }));
  storage.ClearCells({0, 0, 2, 1}, true);
  // Column by column: A1, A2, B1 are cleared, then B2 stops the clear.
  EXPECT_EQ(Texts(3, 2), (std::vector<std::string>{"||c", "|e|f"}));
  EXPECT_EQ(storage.FindCell(0, 0), nullptr);
}

TEST_F(DataStorageTest, TheClearEventMayRefuseOrKeepTheFormats) {
  Fill({"a|b"});
  TcxSSStyleRec* wrap = Style([](TcxSSStyleRec& r) { r.WordBreak = true; });
  storage.SetCellStyle(0, 0, wrap);
  bool allow = false;
  book.OnClearCells = [&](TcxSSBookSheet&, const TRect& cells, bool& useDefaultStyle,
                          bool& canClear) {
    EXPECT_EQ(cells, (TRect{0, 0, 1, 0}));
    EXPECT_TRUE(useDefaultStyle);
    useDefaultStyle = false;
    canClear = allow;
  };
  storage.ClearCells({0, 0, 1, 0}, true);
  EXPECT_EQ(Texts(2, 1), (std::vector<std::string>{"a|b"}));
  allow = true;
  storage.ClearCells({0, 0, 1, 0}, true);
  EXPECT_EQ(Texts(2, 1), (std::vector<std::string>{"|"}));
  EXPECT_EQ(storage.CellRef(0, 0).Style, wrap);
}

TEST_F(DataStorageTest, ClearingWithFormatsRemovesTheMergedAreasInside) {
  storage.MergedCells().AddAll({{0, 0, 2, 2}, {2, 0, 4, 1}});
  storage.ClearCells({0, 0, 2, 2}, false);
  EXPECT_EQ(storage.MergedCells().Count(), 2);
  storage.ClearCells({0, 0, 2, 2}, true);
  EXPECT_EQ(storage.MergedCells().GetAll(), (TcxSSRectsArray{{2, 0, 4, 1}}));
}

TEST_F(DataStorageTest, ClearingTheWholeSheet) {
  Fill({"a|b", "c|d"});
  TcxSSStyleRec* wrap = Style([](TcxSSStyleRec& r) { r.WordBreak = true; });
  storage.SetCellStyle(1, 1, wrap);
  // Without formats the formats stay, and with them the extent.
  storage.ClearCells({-1, -1, -1, -1}, false);
  EXPECT_EQ(Texts(2, 2), (std::vector<std::string>{"|", "|"}));
  EXPECT_EQ(storage.CellRef(1, 1).Style, wrap);
  EXPECT_EQ(storage.ColCount(), 2);
  // With formats everything goes and the extent is reset.
  storage.ClearCells({-1, -1, -1, -1}, true);
  EXPECT_EQ(storage.ColCount(), 0);
  EXPECT_EQ(storage.RowCount(), 0);
  EXPECT_EQ(storage.ColCapacity(), 0);
}

TEST_F(DataStorageTest, ClearAllDropsEverythingButTheSelection) {
  Fill({"a|b"});
  PutFormula(3, 3);
  storage.MergedCells().Add({5, 5, 6, 7});
  storage.SetSelection({1, 1, 2, 2});
  storage.ClearAll();
  EXPECT_EQ(book.FormulasCache().Count(), 0);
  EXPECT_EQ(storage.ColCount(), 0);
  EXPECT_EQ(storage.RowCapacity(), 0);
  EXPECT_EQ(storage.MergedCells().Count(), 0);
  EXPECT_EQ(storage.Selection(), (TRect{1, 1, 2, 2}));
  EXPECT_EQ(storage.FindCell(0, 0), nullptr);
}

// --- Inserting and deleting -------------------------------------------------------------------

// Every case starts from this grid:
//    A   B   C   D
// 1  a1  b1  c1  d1
// 2  a2  b2  c2  d2
// 3  a3  b3  c3  d3
TEST_F(DataStorageTest, InsertAndDeleteCells) {
  struct Case {
    const char* Name;
    bool Delete;
    TRect Rect;
    int Kind;
    std::vector<std::string> Result;
  } cases[] = {
      {"delete B2:C2, shift left", true, {1, 1, 2, 1}, 0,
       {"a1|b1|c1|d1|", "a2|d2|||", "a3|b3|c3|d3|"}},
      {"delete B1:B2, shift up", true, {1, 0, 1, 1}, 1,
       {"a1|b3|c1|d1|", "a2||c2|d2|", "a3||c3|d3|", "||||"}},
      {"delete columns B:C", true, {1, 0, 2, 0}, 2, {"a1|d1|||", "a2|d2|||", "a3|d3|||"}},
      {"delete rows 1:2", true, {2, 0, 2, 1}, 3, {"a3|b3|c3|d3|", "||||", "||||"}},
      {"insert at B2, shift right", false, {1, 1, 1, 1}, 0,
       {"a1|b1|c1|d1|", "a2||b2|c2|d2", "a3|b3|c3|d3|"}},
      {"insert at B2:B3, shift down", false, {1, 1, 1, 2}, 1,
       {"a1|b1|c1|d1|", "a2||c2|d2|", "a3||c3|d3|", "|b2|||", "|b3|||"}},
      {"insert column B", false, {1, 2, 1, 2}, 2,
       {"a1||b1|c1|d1", "a2||b2|c2|d2", "a3||b3|c3|d3"}},
      {"insert rows 2:3", false, {3, 1, 3, 2}, 3,
       {"a1|b1|c1|d1|", "||||", "||||", "a2|b2|c2|d2|", "a3|b3|c3|d3|"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    storage.ClearAll();
    Fill({"a1|b1|c1|d1", "a2|b2|c2|d2", "a3|b3|c3|d3"});
    if (c.Delete)
      storage.DeleteCells(c.Rect, c.Kind);
    else
      storage.InsertCells(c.Rect, c.Kind);
    EXPECT_EQ(Texts(5, static_cast<int>(c.Result.size())), c.Result);
    EXPECT_TRUE(storage.CheckConsistency());
  }
}

TEST_F(DataStorageTest, MovedFormulasKnowTheirNewCells) {
  //    A   B
  // 1  =1  x
  // 2  y   =1
  TcxSSFormula* a1 = PutFormula(0, 0);
  TcxSSFormula* b2 = PutFormula(1, 1);
  storage.SetCellText(1, 0, "x", false, false);
  storage.SetCellText(0, 1, "y", false, false);
  storage.InsertCells({0, 0, 0, 0}, 0);  // A1 moves to B1, B1 to C1
  EXPECT_EQ((TPoint{a1->Col, a1->Row}), (TPoint{1, 0}));
  storage.InsertCells({1, 0, 1, 0}, 1);  // column B moves down from row 1
  EXPECT_EQ((TPoint{a1->Col, a1->Row}), (TPoint{1, 1}));
  EXPECT_EQ((TPoint{b2->Col, b2->Row}), (TPoint{1, 2}));
  storage.DeleteCells({0, 0, 0, 0}, 2);  // column A
  EXPECT_EQ((TPoint{a1->Col, a1->Row}), (TPoint{0, 1}));
  EXPECT_EQ((TPoint{b2->Col, b2->Row}), (TPoint{0, 2}));
  storage.DeleteCells({0, 0, 0, 0}, 3);  // row 1
  EXPECT_EQ((TPoint{a1->Col, a1->Row}), (TPoint{0, 0}));
  EXPECT_EQ((TPoint{b2->Col, b2->Row}), (TPoint{0, 1}));
  // Deleting a formula's cell unregisters it.
  storage.DeleteCells({0, 0, 0, 0}, 1);
  EXPECT_EQ(FormulaCells(), (std::vector<TPoint>{{0, 0}}));
  EXPECT_TRUE(book.FormulasCache().IsRegistered(b2));
}

TEST_F(DataStorageTest, EntireColumnsAndRowsMoveTheHeaderItems) {
  TcxSSHeader& cols = sheet.ColumnHeader();
  TcxSSHeader& rows = sheet.RowHeader();
  cols.SetSize(1, 10);
  cols.SetSize(2, 20);
  rows.SetSize(1, 30);
  storage.DeleteCells({1, 0, 1, 0}, 2);
  EXPECT_EQ(cols.VisibleSize(1), 20);
  storage.InsertCells({0, 0, 1, 0}, 2);
  EXPECT_EQ(cols.VisibleSize(0), 85);
  EXPECT_EQ(cols.VisibleSize(3), 20);
  storage.InsertCells({0, 1, 0, 1}, 3);
  EXPECT_EQ(rows.VisibleSize(1), 20);
  EXPECT_EQ(rows.VisibleSize(2), 30);
}

TEST_F(DataStorageTest, ShiftsThatWouldCutAMergedAreaAreRefused) {
  Fill({"a|b|c", "d|e|f"});
  storage.MergedCells().Add({2, 100, 3, 102});  // C101:C102, far below
  struct Case { bool Delete; TRect Rect; int Kind; } refused[] = {
      {true, {2, 0, 2, 0}, 1},  // shift up in column C
      {false, {1, 0, 2, 1}, 1},
      {true, {0, 100, 0, 100}, 0},  // shift left in row 101
      {false, {0, 101, 0, 101}, 0},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(testing::Message() << c.Delete << " " << c.Kind);
    try {
      if (c.Delete)
        storage.DeleteCells(c.Rect, c.Kind);
      else
        storage.InsertCells(c.Rect, c.Kind);
      ADD_FAILURE() << "no error";
    } catch (const ESpreadSheetError& e) {
      EXPECT_STREQ(e.what(), "Some modified cells are merged");
    }
    EXPECT_EQ(Texts(3, 2), (std::vector<std::string>{"a|b|c", "d|e|f"}));
  }
  storage.DeleteCells({1, 0, 1, 0}, 1);  // column B has no merged area
  EXPECT_EQ(Texts(3, 2), (std::vector<std::string>{"a|e|c", "d||f"}));
}

TEST_F(DataStorageTest, MoveCells) {
  Fill({"a|", "b|", "c|", "d|"});
  storage.MoveCells(1, 0, true, 3, 5, 1);  // A2:A4 to B6:B8
  EXPECT_EQ(Texts(2, 8), (std::vector<std::string>{"a|", "|", "|", "|", "|", "|b", "|c", "|d"}));
  storage.MoveCells(1, 1, true, 10, 6, 5);  // within the column, downwards, overlapping
  EXPECT_EQ(Texts(2, 9),
            (std::vector<std::string>{"a|", "|", "|", "|", "|", "|", "|b", "|c", "|d"}));
  storage.MoveCells(0, 7, true, 1, 0, 0);  // no such column: nothing
  EXPECT_EQ(storage.OwnCell(0, 0).Text, "a");
  EXPECT_EQ(storage.ColumnRowCount(1), 9);
}

// --- Sorting ----------------------------------------------------------------------------------

TEST_F(DataStorageTest, SortComparesNumbersAsNumbersAndTheRestAsText) {
  //  10, 9, (empty), abc  →  (empty), 9, 10, abc
  Fill({"10|r1", "9|r2", "|r3", "abc|r4"});
  storage.Sort({0, 0, 1, 3}, {false});
  EXPECT_EQ(Texts(2, 4), (std::vector<std::string>{"|r3", "9|r2", "10|r1", "abc|r4"}));
  storage.Sort({0, 0, 1, 3}, {true});
  EXPECT_EQ(Texts(2, 4), (std::vector<std::string>{"abc|r4", "10|r1", "9|r2", "|r3"}));
}

TEST_F(DataStorageTest, SortOrdersBooleansAndTextWithoutCase) {
  Fill({"TRUE", "b", "false", "A", "2.5"});
  storage.SetCellNumber(0, 5, 2);
  storage.Sort({0, 0, 0, 5}, {});
  EXPECT_EQ(Texts(1, 6), (std::vector<std::string>{"2", "2.5", "A", "b", "false", "TRUE"}));
}

TEST_F(DataStorageTest, SortByFurtherColumnsWithinRunsOfEqualKeys) {
  Fill({"b|2|x", "a|2|y", "a|1|z", "b|1|w"});
  storage.Sort({0, 0, 2, 3}, {false, true});
  EXPECT_EQ(Texts(3, 4), (std::vector<std::string>{"a|2|y", "a|1|z", "b|2|x", "b|1|w"}));
}

TEST_F(DataStorageTest, EqualCellsInALaterColumnDoNotFormARunAcrossDifferentKeys) {
  Fill({"1|x|3", "2|x|1"});
  storage.Sort({0, 0, 2, 1}, {false, false, false});
  EXPECT_EQ(Texts(3, 2), (std::vector<std::string>{"1|x|3", "2|x|1"}));
}

TEST_F(DataStorageTest, SortMovesFormulasAndStylesWithTheirRows) {
  Fill({"3", "1", "2"});
  TcxSSStyleRec* wrap = Style([](TcxSSStyleRec& r) { r.WordBreak = true; });
  storage.SetCellStyle(0, 0, wrap);
  TcxSSFormula* formula = PutFormula(1, 0, "=A1");
  storage.Sort({0, 0, 1, 2}, {});
  EXPECT_EQ(Texts(2, 3), (std::vector<std::string>{"1|", "2|", "3|=A1"}));
  EXPECT_EQ(storage.CellRef(0, 2).Style, wrap);
  EXPECT_EQ(storage.CellRef(1, 2).Formula, formula);
  EXPECT_EQ(formula->Row, 2);
}

TEST_F(DataStorageTest, SortLeavesCellsOutsideTheRectangleAlone) {
  Fill({"z|3|q", "y|2|r", "x|1|s"});
  storage.Sort({1, 1, 1, 2}, {});
  EXPECT_EQ(Texts(3, 3), (std::vector<std::string>{"z|3|q", "y|1|r", "x|2|s"}));
}

// --- Selection and geometry -------------------------------------------------------------------

TEST_F(DataStorageTest, SelectionKinds) {
  storage.MergedCells().Add({1, 1, 3, 3});  // B2:C3
  struct Case { TRect Rect; TRect Selection; int Kind; } cases[] = {
      {{4, 4, 4, 4}, {4, 4, 4, 4}, 0},
      {{2, 2, 2, 2}, {1, 1, 2, 2}, 2},  // one cell of the area: the whole area
      {{0, 0, 1, 1}, {0, 0, 2, 2}, 1},
      {{5, 5, 3, 4}, {3, 4, 5, 5}, 1},  // normalised
  };
  for (const auto& c : cases) {
    storage.SetSelection(c.Rect);
    EXPECT_EQ(storage.Selection(), c.Selection);
    EXPECT_EQ(storage.SelectionKind(), c.Kind);
  }
}

TEST_F(DataStorageTest, SelectionEvents) {
  std::vector<TPoint> asked;
  int selections = 0;
  bool allow = true;
  book.OnActiveCellChanging = [&](TcxSSBookSheet&, TPoint cell, bool& canSelect) {
    asked.push_back(cell);
    canSelect = allow;
  };
  book.OnSetSelection = [&](TcxCustomSpreadSheetBook&, TcxSSBookSheet&) { ++selections; };
  storage.SetSelection({0, 0, 3, 3});  // same active cell: not asked
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(selections, 1);
  storage.SetSelection({0, 0, 3, 3});  // unchanged: nothing
  EXPECT_EQ(selections, 1);
  allow = false;
  storage.SetSelection({2, 2, 2, 2});
  EXPECT_EQ(storage.Selection(), (TRect{0, 0, 3, 3}));
  allow = true;
  storage.SetSelection({2, 2, 2, 2});
  EXPECT_EQ(storage.Selection(), (TRect{2, 2, 2, 2}));
  EXPECT_EQ(asked, (std::vector<TPoint>{{2, 2}, {2, 2}}));
  EXPECT_EQ(selections, 2);
}

TEST_F(DataStorageTest, MovingTheActiveCellSkipsHiddenLinesAndTakesMergedAreas) {
  sheet.ColumnHeader().SetVisible(2, false);
  storage.MergedCells().Add({0, 3, 2, 5});  // A4:B5
  std::vector<TPoint> allowed;
  book.OnActiveCellChanging = [&](TcxSSBookSheet&, TPoint cell, bool&) { allowed.push_back(cell); };
  storage.SetActiveCol(2);  // hidden: on to D
  EXPECT_EQ(storage.Selection(), (TRect{3, 0, 3, 0}));
  // Asked once, for the cell requested.
  EXPECT_EQ(allowed, (std::vector<TPoint>{{2, 0}}));
  storage.SetActiveCol(2);  // moving left: back to B
  EXPECT_EQ(storage.Selection(), (TRect{1, 0, 1, 0}));
  storage.SetActiveRow(4);  // inside A4:B5
  EXPECT_EQ(storage.Selection(), (TRect{0, 3, 1, 4}));
  EXPECT_EQ(storage.SelectionKind(), 2);
  storage.SetActiveRow(-1);
  EXPECT_EQ(storage.Selection(), (TRect{0, 3, 1, 4}));

  int asked = 0;
  book.OnActiveCellChanging = [&](TcxSSBookSheet&, TPoint, bool& canSelect) {
    ++asked;
    canSelect = false;
  };
  storage.SetActiveCol(5);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(storage.Selection(), (TRect{0, 3, 1, 4}));
}

TEST_F(DataStorageTest, CellRectangles) {
  TcxSSHeader& cols = sheet.ColumnHeader();
  TcxSSHeader& rows = sheet.RowHeader();
  cols.SetSize(0, 10);
  cols.SetSize(1, 20);
  rows.SetSize(1, 5);
  storage.MergedCells().Add({1, 1, 3, 3});  // B2:C3
  EXPECT_EQ(storage.GetCellRect(0, 0, false, 0, 0), (TRect{0, 0, 10, 20}));
  EXPECT_EQ(storage.GetCellRect(1, 1, false, 0, 0), (TRect{10, 20, 30, 25}));
  EXPECT_EQ(storage.GetCellRect(2, 2, true, 0, 0), (TRect{10, 20, 115, 45}));
  EXPECT_EQ(storage.GetCellRect(2, 2, true, 1, 1), (TRect{0, 0, 105, 25}));
  EXPECT_EQ(storage.GetCellRect(0, 0, false, 1, 1), (TRect{-10, -20, 0, 0}));
}

// --- Copying ----------------------------------------------------------------------------------

TEST_F(DataStorageTest, AssignCopiesEverythingDeeply) {
  Fill({"a|b", "c|"});
  TcxSSStyleRec* wrap = Style([](TcxSSStyleRec& r) { r.WordBreak = true; });
  storage.SetCellStyle(1, 1, wrap);
  PutFormula(1, 1, "=A1");
  storage.MergedCells().Add({3, 3, 5, 4});
  storage.SetSelection({3, 3, 3, 3});
  storage.SetCaption("Data");

  TcxSSBookSheet& copySheet = book.AddSheet();
  TcxSSDataStorage& copy = copySheet.DataStorage();
  copy.Assign(storage);
  EXPECT_EQ(copy.Caption(), "Data2");
  EXPECT_EQ(copy.GetCell(0, 1).Text, "c");
  EXPECT_EQ(copy.ColCount(), storage.ColCount());
  EXPECT_EQ(copy.MergedCells().GetAll(), storage.MergedCells().GetAll());
  EXPECT_EQ(copy.Selection(), (TRect{3, 3, 4, 3}));
  EXPECT_EQ(copy.SelectionKind(), 2);
  EXPECT_EQ(book.FormulasCache().Count(), 2);
  const TcxSSCellRec& formulaCell = copy.CellRef(1, 1);
  EXPECT_NE(formulaCell.Formula, storage.CellRef(1, 1).Formula);
  EXPECT_EQ(formulaCell.Formula->Sheet, 1);
  EXPECT_EQ(formulaCell.Style, wrap);
  EXPECT_TRUE(copy.CheckConsistency());

  TcxSpreadSheetBook other{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSDataStorage& elsewhere = other.ActiveSheet().DataStorage();
  elsewhere.Assign(storage);
  EXPECT_EQ(elsewhere.Caption(), "Data");
  EXPECT_TRUE(elsewhere.CellRef(1, 1).Style->WordBreak);
  EXPECT_NE(elsewhere.CellRef(1, 1).Style, wrap);
  EXPECT_EQ(other.FormulasCache().Count(), 1);
  EXPECT_TRUE(elsewhere.CheckConsistency());
}

TEST_F(DataStorageTest, CaptionAndSheetIndex) {
  storage.SetCaption("One");
  EXPECT_EQ(storage.Caption(), "One");
  EXPECT_EQ(storage.GetSheetIndex(), 0);
  EXPECT_EQ(book.AddSheet().DataStorage().GetSheetIndex(), 1);
}

}  // namespace
