// Array formulas and what-if data tables of a real file (poi-testArraysAndTables.xls): every
// cell of their blocks is a formula of its block, shown in braces with the file's value; a save
// writes the block's cells as Excel does (tExp or tTbl pointing at the block's first cell, which
// is followed by its ARRAY or TABLE record), so that xlrd reads the same values and the workbook
// the same formulas back; rows and columns move blocks as a whole and never cut through one.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "cli/CliBook.h"
#include "sheet/cxSSBookFile.h"
#include "tests/sheet/BookFileTestSupport.h"
#include "tests/sheet/SheetFixture.h"
#include "xls/BiffTestSupport.h"
#include "xls/ReaderTestSupport.h"
#include "xls/cxCompoundDocument.h"

using namespace readertest;

namespace {

const char kFile[] = "poi-testArraysAndTables.xls";

// Cells of the file's first sheet: the block they belong to and what they show.
struct TBlockCell {
  const char* Cell;
  TcxFormulaBlockKind Kind;
  const char* Block;
  const char* Text;
  const char* Value;
};
const TBlockCell kBlockCells[] = {
    {"C2", fbArray, "C2:G2", "{={1.5,2.7,3.3,4.9,6.2}}", "1.5"},
    {"B9", fbArray, "B4:B9", "{={23;24;25;26;27;28}}", "28"},
    {"D12", fbArray, "C11:E12", "{={\"1A\",\"1B\",\"1C\";\"2A\",\"2B\",\"2C\"}}", "2B"},
    {"B16", fbArray, "B16:E16", "{={1,2,3,4}*{5,6,7,8}}", "5"},
    {"E16", fbArray, "B16:E16", "{={1,2,3,4}*{5,6,7,8}}", "32"},
    {"B19", fbArray, "B19:C20", "{={3;4}*{5,6}}", "15"},
    {"C20", fbArray, "B19:C20", "{={3;4}*{5,6}}", "24"},
    {"C27", fbTable, "C27:E28", "{=TABLE(B26,)}", "103a"},
    {"E28", fbTable, "C27:E28", "{=TABLE(B26,)}", "2500"},
    {"D35", fbTable, "C33:E35", "{=TABLE(,B32)}", "#50#"},
    {"F46", fbTable, "C41:F46", "{=TABLE(B38,B39)}", "2.25g"},
};

using bookfiletest::Load;
using bookfiletest::LoadFile;

std::string Text(TcxCustomSpreadSheetBook& book, const TRect& at) {
  return bookfiletest::EditText(book, 0, at.Left, at.Top);
}

// Each block of sheet 0 with the text of each of its cells, the value the cell shows and the
// block it holds: equal exactly when the blocks are the same cells with the same formulas.
std::string Blocks(TcxCustomSpreadSheetBook& book) {
  std::ostringstream out;
  book.Pages(0).DataStorage().ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
    if (cell.Kind != ckFormula || !cell.Formula || cell.Formula->Block.Kind == fbNone) return;
    const TRect& b = cell.Formula->Block.Cells;
    out << TcxSSUtils::ColumnName(col) << row + 1 << " " << int(cell.Formula->Block.Kind) << " "
        << b.Left << "," << b.Top << ":" << b.Right << "," << b.Bottom << " "
        << Text(book, {col, row, col, row}) << " = " << CellValueText(book, 0, col, row) << "\n";
  });
  return out.str();
}

// The ARRAY and TABLE records of the first sheet, as their range and the rest of their data,
// and the cells whose FORMULA records point at a block (tExp, tTbl), by the cell they point at.
struct TBlockRecords {
  std::vector<std::string> Blocks;
  std::map<std::string, std::string> Pointers;
};
TBlockRecords ReadBlockRecords(std::span<const uint8_t> bytes) {
  TBlockRecords out;
  TcxWorkBookReader container(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  const std::span<const uint8_t> stream = container.Buffer();
  size_t end = 0;
  while (end + 4 <= stream.size() && (stream[end] | stream[end + 1] | stream[end + 2] | stream[end + 3]))
    end += 4 + static_cast<size_t>(stream[end + 2] | stream[end + 3] << 8);
  const auto records = bifftest::Records(stream.first(std::min(end, stream.size())));
  int eofs = 0;
  uint16_t previous = 0;
  for (const auto& r : records) {
    if (r.Id == 0x000A && ++eofs == 2) break;
    if (eofs == 1 && (r.Id == 0x0221 || r.Id == 0x0236)) {
      std::ostringstream line;
      // Each follows the FORMULA record of its block's first cell.
      line << (r.Id == 0x0221 ? "ARRAY " : "TABLE ") << r.U16(0) << "-" << r.U16(2) << " "
           << int(r.Data[4]) << "-" << int(r.Data[5]) << (previous == 0x0006 ? "" : " misplaced");
      if (r.Id == 0x0236)
        line << " options " << (r.U16(6) & 0x3C) << " inputs " << r.U16(8) << "," << r.U16(10)
             << (r.U16(6) & 0x0008 ? " " + std::to_string(r.U16(12)) + "," + std::to_string(r.U16(14)) : "");
      else
        line << " tokens " << r.U16(12);
      out.Blocks.push_back(line.str());
    }
    if (eofs == 1 && r.Id == 0x0006 && r.U16(20) == 5 && (r.Data[22] == 1 || r.Data[22] == 2))
      out.Pointers[TcxSSUtils::ColumnName(r.U16(2)) + std::to_string(r.U16(0) + 1)] =
          std::string(r.Data[22] == 1 ? "exp " : "tbl ") + TcxSSUtils::ColumnName(r.U16(25)) +
          std::to_string(r.U16(23) + 1);
    previous = r.Id;
  }
  return out;
}

TBlockRecords ReadBlockRecords(const std::string& bytes) {
  return ReadBlockRecords(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

class ArrayFormulasAndDataTables : public testing::Test {
protected:
  void SetUp() override { book = LoadFile(CorpusDir() / kFile); }
  std::string Saved() {
    std::stringstream out;
    book->SaveToStream(out);
    return out.str();
  }
  std::unique_ptr<TcxSpreadSheetBook> book;
};

TEST_F(ArrayFormulasAndDataTables, AreFormulasOfTheirBlocksShowingTheFileValues) {
  for (const TBlockCell& c : kBlockCells) {
    SCOPED_TRACE(c.Cell);
    const TRect at = Range(c.Cell);
    const TcxSSCellRec& cell = book->Pages(0).DataStorage().CellRef(at.Left, at.Top);
    ASSERT_EQ(cell.Kind, ckFormula);
    EXPECT_EQ(cell.Formula->Block, (TcxFormulaBlock{c.Kind, Range(c.Block)}));
    EXPECT_EQ(Text(*book, at), c.Text);
    if (*c.Value) {
      EXPECT_EQ(CellValueText(*book, 0, at.Left, at.Top), c.Value);
    }
  }
}

TEST_F(ArrayFormulasAndDataTables, ASaveWritesThemAsExcelDoes) {
  const std::string saved = Saved();
  const auto original = ReadBlockRecords(ReadFileBytes(CorpusDir() / kFile));
  auto written = ReadBlockRecords(saved);
  std::sort(written.Blocks.begin(), written.Blocks.end());
  // The same blocks; a table's one input is written without the file's leftover second entry.
  EXPECT_EQ(written.Blocks,
            (std::vector<std::string>{"ARRAY 1-1 2-6 tokens 8", "ARRAY 10-11 2-4 tokens 8",
                                      "ARRAY 15-15 1-4 tokens 25", "ARRAY 18-19 1-2 tokens 17",
                                      "ARRAY 3-8 1-1 tokens 8", "TABLE 26-27 2-4 options 4 inputs 25,1",
                                      "TABLE 32-34 2-4 options 0 inputs 31,1",
                                      "TABLE 40-45 2-5 options 8 inputs 37,1 38,1"}));
  EXPECT_EQ(written.Pointers, original.Pointers);
  EXPECT_EQ(written.Pointers.size(), 25u + 39u);

  // The workbook reads the same blocks back, xlrd the same values.
  std::stringstream in(saved);
  auto reloaded = Load(in);
  EXPECT_EQ(Blocks(*reloaded), Blocks(*book));
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const auto file = std::filesystem::temp_directory_path() / "zof-arrays-saved.xls";
  {
    std::ofstream out(file, std::ios::binary);
    out << saved;
  }
  const auto before = ReadWithXlrd(CorpusDir() / kFile);
  const auto after = ReadWithXlrd(file);
  std::filesystem::remove(file);
  ASSERT_TRUE(before && after);
  std::map<std::tuple<int, int, int>, std::string> a, b;
  for (const TXlrdCell& c : before->Cells) a[{c.Sheet, c.Row, c.Col}] = c.Kind + c.Value;
  for (const TXlrdCell& c : after->Cells) b[{c.Sheet, c.Row, c.Col}] = c.Kind + c.Value;
  EXPECT_EQ(b, a);
}

TEST_F(ArrayFormulasAndDataTables, MoveAsAWholeAndAreNeverCut) {
  const std::string before = Snapshot(*book);
  const std::string blocks = Blocks(*book);
  TcxSSBookSheet& sheet = book->Pages(0);
  // Lines that would cut through a block, or shift part of one, are refused; nothing changes.
  const struct {
    const char* Cells;
    int Mode;
    bool Delete;
  } cuts[] = {
      {"A20", 3, false},  // a row inside B19:C20
      {"C1", 2, false},   // a column inside B16:E16
      {"A20", 3, true},   // the last row of B19:C20
      {"C1:D1", 2, true}, // columns inside B16:E16
      {"C28", 1, false},  // cells shifted down out of C27:E28
      {"A16", 0, true},   // cells shifted left into B16:E16
  };
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.Cells);
    try {
      if (c.Delete)
        sheet.DeleteCells(Range(c.Cells), c.Mode);
      else
        sheet.InsertCells(Range(c.Cells), c.Mode);
      ADD_FAILURE() << "not refused";
    } catch (const ESpreadSheetError& e) {
      EXPECT_STREQ(e.what(), "Cannot change part of an array");
    }
    EXPECT_EQ(Snapshot(*book), before);
  }
  // A row above every block moves them all down by one, references with them; the save and
  // undo keep that.
  sheet.InsertCells(Range("A1"), 3);
  const TcxSSCellRec& moved = sheet.DataStorage().CellRef(1, 19);
  ASSERT_EQ(moved.Kind, ckFormula);
  EXPECT_EQ(moved.Formula->Block, (TcxFormulaBlock{fbArray, Range("B20:C21")}));
  EXPECT_EQ(Text(*book, Range("B20")), "{={3;4}*{5,6}}");
  EXPECT_EQ(Text(*book, Range("C28")), "{=TABLE(B27,)}");
  const std::string movedBlocks = Blocks(*book);
  book->History().Undo(1);
  EXPECT_EQ(Blocks(*book), blocks);
  book->History().Redo(1);
  EXPECT_EQ(Blocks(*book), movedBlocks);
  // Saved from where they are now (the file's own tokens no longer stand for them).
  std::stringstream in(Saved());
  EXPECT_EQ(Blocks(*Load(in)), movedBlocks);
}

// A data table's values come from Excel's recalculation of the table, which the workbook does not
// do for other inputs: a copy pastes the values its cells show, as Excel pastes them; the formulas
// around the table stay formulas. The table itself is unchanged.
TEST_F(ArrayFormulasAndDataTables, ACopiedDataTablePastesItsValues) {
  const std::string blocks = Blocks(*book);
  TcxSSBookSheet& sheet = book->Pages(0);
  sheet.CopyCells(Range("A26:E28"), false);
  sheet.PasteCells(Range("H26"));
  sheet.CopyCells(Range("D33:E35"), false);  // part of a table
  sheet.PasteCells(Range("H33"));
  const TcxSSDataStorage& storage = sheet.DataStorage();
  const struct {
    const char* Cell;
    TcxSSCellKind Kind;
    const char* Value;
  } pasted[] = {
      {"I27", ckFormula, "100a"}, {"J27", ckText, "103a"}, {"L27", ckText, "150a"},
      {"I28", ckFormula, "0"},    {"J28", ckNumber, "9"},  {"L28", ckNumber, "2500"},
      {"H33", ckText, "#3#"},     {"I35", ckText, "50#50#"},
  };
  for (const auto& c : pasted) {
    const TRect at = Range(c.Cell);
    EXPECT_EQ(storage.CellRef(at.Left, at.Top).Kind, c.Kind) << c.Cell;
    EXPECT_EQ(CellValueText(*book, 0, at.Left, at.Top), c.Value) << c.Cell;
  }
  EXPECT_EQ(Blocks(*book), blocks);
  // A recalculation keeps them.
  book->Recalc();
  EXPECT_EQ(CellValueText(*book, 0, 9, 26), "103a");
  EXPECT_EQ(CellValueText(*book, 0, 11, 27), "2500");
}

TEST_F(ArrayFormulasAndDataTables, ACellOfOneIsNotChangedAlone) {
  const std::string before = Snapshot(*book);
  TcxSSBookSheet& sheet = book->Pages(0);
  TcxSSDataStorage& storage = sheet.DataStorage();
  const auto refused = [&](const char* what, const std::function<void()>& change) {
    SCOPED_TRACE(what);
    try {
      change();
      ADD_FAILURE() << "not refused";
    } catch (const ESpreadSheetError& e) {
      EXPECT_STREQ(e.what(), "Cannot change part of an array");
    }
    EXPECT_EQ(Snapshot(*book), before);
  };
  refused("typed text", [&] { TcxSSCellObject(storage, 2, 15).SetText("7"); });
  refused("a formula", [&] { TcxSSCellObject(storage, 2, 18).SetText("=1+1"); });
  refused("a number", [&] { TcxSSCellObject(storage, 3, 26).SetNumber(4); });
  refused("clearing one cell", [&] { sheet.ClearCells(Range("C16"), false); });
  refused("clearing across the edge", [&] { sheet.ClearCells(Range("A20:B21"), true); });
  // The editor closed without a change writes the text the cell has: nothing happens.
  TcxSSCellObject(storage, 2, 15).SetText(Text(*book, Range("C16")));
  EXPECT_EQ(Snapshot(*book), before);
  EXPECT_TRUE(book->History().UndoDescriptions().empty());

  // The whole block clears, and undo brings it back with its formulas and values.
  const std::string blocks = Blocks(*book);
  sheet.ClearCells(Range("A19:D20"), false);
  EXPECT_EQ(storage.CellRef(1, 18).Kind, ckText);
  EXPECT_EQ(storage.CellRef(2, 19).Text, "");
  book->History().Undo(1);
  EXPECT_EQ(Blocks(*book), blocks);
  EXPECT_EQ(Snapshot(*book), before);
}


// Array formulas entered over a selection: each cell shows its part of the result, as Excel
// spreads it (a result of one row or column repeats, a position the result does not have is
// #N/A), and recalculates when its inputs change.
struct TArrayCase {
  const char* Cells;
  const char* Text;
  std::vector<const char*> Values;  // row by row
};
const TArrayCase kArrayCases[] = {
    {"C1:C3", "=A1:A3*B1:B3", {"4", "10", "18"}},
    {"D1:D4", "=A1:A3*2", {"2", "4", "6", "#N/A!"}},
    {"E1:E2", "=SUM(A1:A3*B1:B3)", {"32", "32"}},
    {"A5:C5", "=TRANSPOSE(A1:A3)", {"1", "2", "3"}},
    {"A7:C8", "=MMULT(A1:A2,TRANSPOSE(B1:B3))", {"4", "5", "6", "8", "10", "12"}},
    {"F1:G2", "=A1:A2", {"1", "1", "2", "2"}},
    {"H1:H3", "=IF(A1:A3>1,\"big\",\"small\")", {"small", "big", "big"}},
    {"I1:I3", "=1/(A1:A3-2)", {"-1", "#DIV/0!", "1"}},
    {"J1:K1", "=B1:B3", {"4", "4"}},
};

class EnteredArrayFormulas : public testing::Test {
protected:
  void SetUp() override {
    TcxSSDataStorage& storage = book->Pages(0).DataStorage();
    for (int row = 0; row < 3; ++row) {
      TcxSSCellObject(storage, 0, row).SetNumber(row + 1);
      TcxSSCellObject(storage, 1, row).SetNumber(row + 4);
    }
  }
  std::vector<std::string> Values(TcxCustomSpreadSheetBook& b, const TRect& r) {
    std::vector<std::string> values;
    for (int row = r.Top; row <= r.Bottom; ++row)
      for (int col = r.Left; col <= r.Right; ++col) values.push_back(CellValueText(b, 0, col, row));
    return values;
  }
  std::unique_ptr<TcxSpreadSheetBook> book =
      std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
};

TEST_F(EnteredArrayFormulas, ShowTheirPartOfTheResult) {
  for (const TArrayCase& c : kArrayCases) {
    SCOPED_TRACE(c.Text);
    ASSERT_TRUE(book->Pages(0).SetArrayFormula(Range(c.Cells), c.Text));
    const TRect r = Range(c.Cells);
    EXPECT_EQ(Values(*book, r), std::vector<std::string>(c.Values.begin(), c.Values.end()));
    for (int row = r.Top; row <= r.Bottom; ++row)
      for (int col = r.Left; col <= r.Right; ++col)
        EXPECT_EQ(Text(*book, {col, row, col, row}), "{" + std::string(c.Text) + "}");
  }
  // A change of the inputs recalculates every cell of every block.
  TcxSSCellObject(book->Pages(0).DataStorage(), 0, 1).SetNumber(10);
  EXPECT_EQ(Values(*book, Range("C1:C3")), (std::vector<std::string>{"4", "50", "18"}));
  EXPECT_EQ(Values(*book, Range("E1:E2")), (std::vector<std::string>{"72", "72"}));
  EXPECT_EQ(Values(*book, Range("I1:I3")), (std::vector<std::string>{"-1", "0.125", "1"}));
  // Text that is no formula enters nothing.
  EXPECT_FALSE(book->Pages(0).SetArrayFormula(Range("L1:L2"), "=SUM(1"));
  EXPECT_EQ(book->Pages(0).DataStorage().CellRef(11, 0).Kind, ckText);
}

TEST_F(EnteredArrayFormulas, AreOneUndoStep) {
  const std::string before = Snapshot(*book);
  ASSERT_TRUE(book->Pages(0).SetArrayFormula(Range("C1:C3"), "=A1:A3*B1:B3"));
  const std::string after = Snapshot(*book);
  book->History().Undo(1);
  EXPECT_EQ(Snapshot(*book), before);
  book->History().Redo(1);
  EXPECT_EQ(Snapshot(*book), after);
  EXPECT_EQ(Values(*book, Range("C1:C3")), (std::vector<std::string>{"4", "10", "18"}));
}

TEST_F(EnteredArrayFormulas, ASaveKeepsThemAndTheirValues) {
  for (const TArrayCase& c : kArrayCases) ASSERT_TRUE(book->Pages(0).SetArrayFormula(Range(c.Cells), c.Text));
  std::stringstream saved;
  book->SaveToStream(saved);
  const std::string bytes = saved.str();
  // One ARRAY record a block, after the FORMULA record of its first cell.
  const auto records = ReadBlockRecords(bytes);
  EXPECT_EQ(records.Blocks.size(), std::size(kArrayCases));
  for (const std::string& b : records.Blocks) EXPECT_EQ(b.find("misplaced"), std::string::npos) << b;
  auto reloaded = Load(saved);
  EXPECT_EQ(Blocks(*reloaded), Blocks(*book));
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const auto file = std::filesystem::temp_directory_path() / "zof-entered-arrays.xls";
  {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
  }
  const auto x = ReadWithXlrd(file);
  std::filesystem::remove(file);
  ASSERT_TRUE(x);
  std::map<std::pair<int, int>, TXlrdCell> cells;
  for (const TXlrdCell& c : x->Cells)
    if (c.Sheet == 0) cells[{c.Col, c.Row}] = c;
  for (const TArrayCase& c : kArrayCases) {
    const TRect r = Range(c.Cells);
    size_t i = 0;
    for (int row = r.Top; row <= r.Bottom; ++row)
      for (int col = r.Left; col <= r.Right; ++col, ++i) {
        SCOPED_TRACE(std::string(c.Text) + " " + std::to_string(col) + "," + std::to_string(row));
        const std::string expected = c.Values[i];
        const TXlrdCell& read = cells[{col, row}];
        const auto error = std::find_if(std::begin(kErrorValues), std::end(kErrorValues),
                                        [&](const TcxSSErrorValue& e) { return e.Text == expected; });
        if (error != std::end(kErrorValues)) {
          EXPECT_EQ(read.Kind, 'E');
          EXPECT_EQ(read.Value, std::to_string(error->FileCode));
        } else if (read.Kind == 'N') {
          EXPECT_DOUBLE_EQ(std::stod(read.Value), std::stod(expected));
        } else {
          EXPECT_EQ(read.Kind, 'T');
          EXPECT_EQ(read.Value, expected);
        }
      }
  }
}

}  // namespace
