// Formulas the workbook cannot calculate, read from a file written as Excel writes one
// (tests/xls/make_linked_workbook.py): functions outside the library, add-in functions named
// through the link table, cells and names of another workbook, a sheet that is gone, a text
// result, a shared formula. Each stays a formula showing the value the file stored, keeps it
// through recalculation, moves like any formula, and a save writes the file's own tokens and
// value back, which xlrd reads as it read the original.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <unistd.h>

#include "cli/CliBook.h"
#include "sheet/cxSSBookFile.h"
#include "tests/sheet/SheetFixture.h"
#include "xls/BiffTestSupport.h"
#include "xls/ReaderTestSupport.h"
#include "xls/cxCompoundDocument.h"

using namespace readertest;

namespace {

// The generated workbook, made once for the test program.
const std::filesystem::path& LinkedWorkbook() {
  static const std::filesystem::path file = [] {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zof-linked-" + std::to_string(::getpid()) + ".xls");
    const std::string command = "/usr/bin/python3 '" ZOF_SOURCE_DIR
                                "/tests/xls/make_linked_workbook.py' '" +
                                path.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? path : std::filesystem::path();
  }();
  return file;
}

// The cells of the workbook, by their A1 names.
struct TKeptCell {
  const char* Cell;
  const char* Text;
  const char* Value;  // as the cell shows it unformatted
};
const TKeptCell kKeptCells[] = {
    {"B1", "=RTD(\"zof.rates\",\"\",A1,A2)", "42"},
    {"B2", "=EUROCONVERT(A1,\"DEM\",\"EUR\")", "1.0225837653"},
    {"B3", "='C:\\Data\\[Prices.xls]Rates'!$B$2*2", "7"},
    {"B4", "='C:\\Data\\Prices.xls'!Rate+1", "2.5"},
    {"B5", "=SUM(#REF!A1:A2)", "#REF!"},
    {"B6", "=RTD(\"zof.roman\",\"\",A1*2)", "IV"},
    {"B7", "=RTD(\"zof.length\",\"\",A7)", "3"},
    {"B8", "=RTD(\"zof.length\",\"\",A8)", "5"},
    {"B9", "=RTD(\"zof.rates\",\"\",#REF!)", "1"},
    {"B10", "=SUM(#REF!)+A1", "#REF!"},
};

class KeptFormulas : public testing::Test {
protected:
  void SetUp() override {
    if (LinkedWorkbook().empty()) GTEST_SKIP() << "python3 with xlwt cannot make the workbook";
    book = Load(LinkedWorkbook());
  }

  std::unique_ptr<TcxSpreadSheetBook> Load(const std::filesystem::path& file) {
    auto loaded = std::make_unique<TcxSpreadSheetBook>(
        MakeFixedEnvironment(TRegionalSettings::English()));
    try {
      report = loaded->LoadFromFile(file.string());
    } catch (const ESpreadSheetUnknownFunctions& e) {
      report = e.Report();
    }
    return loaded;
  }

  std::filesystem::path Save() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("zof-kept-" + std::to_string(::getpid()) + ".xls");
    book->SaveToFile(path.string());
    saved.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const auto& path : saved) std::filesystem::remove(path);
  }

  static const TcxSSCellRec& Cell(TcxCustomSpreadSheetBook& b, const std::string& name) {
    const TRect r = Range(name);
    return b.Pages(0).DataStorage().CellRef(r.Left, r.Top);
  }
  static std::string Text(TcxCustomSpreadSheetBook& b, const std::string& name) {
    const TRect r = Range(name);
    return TcxSSCellObject(b.Pages(0).DataStorage(), r.Left, r.Top).GetText();
  }
  static std::string Value(TcxCustomSpreadSheetBook& b, const std::string& name) {
    const TRect r = Range(name);
    return CellValueText(b, 0, r.Left, r.Top);
  }
  void Set(const std::string& name, const std::string& text) {
    const TRect r = Range(name);
    TcxSSCellObject(book->Pages(0).DataStorage(), r.Left, r.Top).SetText(text);
  }

  std::unique_ptr<TcxSpreadSheetBook> book;
  TcxLoadReport report;
  std::vector<std::filesystem::path> saved;
};

// The FORMULA records of a file's one sheet, by cell, and its global records.
struct TFileRecords {
  std::map<std::string, std::vector<uint8_t>> FormulaTokens;
  std::vector<bifftest::TRec> Globals;
};
TFileRecords ReadRecords(const std::filesystem::path& file) {
  TFileRecords out;
  TcxWorkBookReader container(ReadFileBytes(file));
  // The stream without the padding after its last record.
  std::span<const uint8_t> stream = container.Buffer();
  size_t end = 0;
  while (end + 4 <= stream.size() && (stream[end] | stream[end + 1] | stream[end + 2] | stream[end + 3]))
    end += 4 + static_cast<size_t>(stream[end + 2] | stream[end + 3] << 8);
  const auto records = bifftest::Records(stream.first(std::min(end, stream.size())));
  bool inGlobals = true;
  for (const auto& r : records) {
    if (inGlobals) out.Globals.push_back(r);
    if (r.Id == 0x000A) inGlobals = false;
    if (r.Id != 0x0006) continue;
    const std::string cell = TcxSSUtils::ColumnName(r.U16(2)) + std::to_string(r.U16(0) + 1);
    const size_t length = r.U16(20);
    out.FormulaTokens[cell].assign(r.Data.begin() + 22, r.Data.begin() + 22 + length);
  }
  return out;
}

TEST_F(KeptFormulas, ShowTheirTextAndTheValueTheFileStored) {
  for (const TKeptCell& c : kKeptCells) {
    EXPECT_EQ(Cell(*book, c.Cell).Kind, ckFormula) << c.Cell;
    EXPECT_EQ(Text(*book, c.Cell), c.Text) << c.Cell;
    EXPECT_EQ(Value(*book, c.Cell), c.Value) << c.Cell;
  }
  // The report still names the functions the library lacks, one entry a cell and function.
  std::multiset<std::string> unknown;
  for (const TcxFormulaProblem& p : report.FormulaProblems) {
    EXPECT_TRUE(p.Kept) << p.Detail;
    if (p.Kind == fpUnknownFunction) unknown.insert(p.Detail);
  }
  EXPECT_EQ(unknown,
            (std::multiset<std::string>{"EUROCONVERT", "RTD", "RTD", "RTD", "RTD", "RTD"}));
}

TEST_F(KeptFormulas, RecalculationLeavesTheirValuesAlone) {
  Set("A1", "5");
  Set("A7", "abcdef");
  book->Recalc();
  for (const TKeptCell& c : kKeptCells) EXPECT_EQ(Value(*book, c.Cell), c.Value) << c.Cell;
  // A formula the library calculates, over the kept ones, reads their values.
  Set("C1", "=B1+B2+LEN(B6)");
  EXPECT_EQ(Value(*book, "C1"), "45.0225837653");
}

TEST_F(KeptFormulas, ASaveWritesTheFileTokensAndValuesBack) {
  const auto file = Save();
  // xlrd reads the values the original file stored, formula cells included.
  const auto before = ReadWithXlrd(LinkedWorkbook());
  const auto after = ReadWithXlrd(file);
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  ASSERT_TRUE(before && after);
  std::map<std::tuple<int, int, int>, std::string> values;
  for (const TXlrdCell& c : before->Cells) values[{c.Sheet, c.Row, c.Col}] = c.Kind + c.Value;
  std::map<std::tuple<int, int, int>, std::string> savedValues;
  for (const TXlrdCell& c : after->Cells) savedValues[{c.Sheet, c.Row, c.Col}] = c.Kind + c.Value;
  EXPECT_EQ(savedValues, values);

  // The tokens of formulas without links are the file's own; the shared formula's cells get the
  // form a cell's formula has (tRef where the shared formula has tRefN).
  const TFileRecords original = ReadRecords(LinkedWorkbook());
  const TFileRecords written = ReadRecords(file);
  for (const char* cell : {"B1", "B6"})
    EXPECT_EQ(written.FormulaTokens.at(cell), original.FormulaTokens.at(cell)) << cell;
  for (const auto& [cell, row] : {std::pair{"B7", 6}, std::pair{"B8", 7}}) {
    const std::vector<uint8_t> expected = {0x17, 10, 0, 'z', 'o', 'f', '.', 'l', 'e', 'n', 'g', 't', 'h', 0x17, 0, 0,
                0x44, static_cast<uint8_t>(row), 0, 0, 0xC0, 0x42, 3, 0x7B, 1};
    EXPECT_EQ(written.FormulaTokens.at(cell), expected) << cell;
  }
  // The others differ from the file's at most in their link indexes: the same token bytes
  // otherwise, naming what the saved link records say.
  for (const char* cell : {"B2", "B3", "B4", "B5"})
    EXPECT_EQ(written.FormulaTokens.at(cell).size(), original.FormulaTokens.at(cell).size())
        << cell;
  std::vector<std::string> links;
  for (const auto& r : written.Globals) {
    if (r.Id == 0x01AE) {
      const uint16_t marker = r.U16(2);
      links.push_back(marker == 0x0401   ? "SUPBOOK self"
                      : marker == 0x3A01 ? "SUPBOOK add-ins"
                                         : "SUPBOOK " + std::to_string(r.U16(0)) + " sheets");
    }
    if (r.Id == 0x0023)
      links.push_back("EXTERNNAME " + std::string(r.Data.begin() + 8, r.Data.begin() + 8 + r.Data[6]));
  }
  // The links of the file, in its order.
  EXPECT_EQ(links, (std::vector<std::string>{"SUPBOOK self", "SUPBOOK 1 sheets", "EXTERNNAME Rate",
                                             "SUPBOOK add-ins", "EXTERNNAME EUROCONVERT"}));

  // Read back, every formula is the one that was read, with its value and tokens.
  auto reloaded = Load(file);
  for (const TKeptCell& c : kKeptCells) {
    EXPECT_EQ(Text(*reloaded, c.Cell), c.Text) << c.Cell;
    EXPECT_EQ(Value(*reloaded, c.Cell), c.Value) << c.Cell;
    EXPECT_EQ(Cell(*reloaded, c.Cell).Formula->Tokens, Cell(*book, c.Cell).Formula->Tokens)
        << c.Cell;
  }
}

TEST_F(KeptFormulas, MovedFormulasAdjustTheirReferencesAndKeepTheirValues) {
  book->Pages(0).InsertCells(Range("A1"), 3);  // a row before row 1
  EXPECT_EQ(Text(*book, "B2"), "=RTD(\"zof.rates\",\"\",A2,A3)");
  EXPECT_EQ(Value(*book, "B2"), "42");
  EXPECT_EQ(Text(*book, "B3"), "=EUROCONVERT(A2,\"DEM\",\"EUR\")");
  // Another workbook's cells do not move with this one's rows.
  EXPECT_EQ(Text(*book, "B4"), "='C:\\Data\\[Prices.xls]Rates'!$B$2*2");
  EXPECT_EQ(Text(*book, "B9"), "=RTD(\"zof.length\",\"\",A9)");
  const auto file = Save();
  auto reloaded = Load(file);
  for (const char* cell : {"B2", "B3", "B4", "B5", "B6", "B7", "B8", "B9"}) {
    EXPECT_EQ(Text(*reloaded, cell), Text(*book, cell)) << cell;
    EXPECT_EQ(Value(*reloaded, cell), Value(*book, cell)) << cell;
  }
  const auto moved = ReadWithXlrd(file);
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  ASSERT_TRUE(moved);
  std::map<std::string, std::string> values;
  for (const TXlrdCell& c : moved->Cells)
    values[TcxSSUtils::ColumnName(c.Col) + std::to_string(c.Row + 1)] = c.Kind + c.Value;
  EXPECT_EQ(values["B2"], "N42.0");
  EXPECT_EQ(values["B7"], "TIV");
  EXPECT_EQ(values["B9"], "N5.0");
}

// Undo of a change that wrote over them (cells cleared, a row deleted that their references
// pointed into) puts back the formulas read from the file with their values, and a save writes
// the file's tokens again.
TEST_F(KeptFormulas, UndoPutsThemBackWithTheirValues) {
  const TFileRecords original = ReadRecords(LinkedWorkbook());
  const auto expectKept = [&](const char* step) {
    for (const TKeptCell& c : kKeptCells) {
      EXPECT_EQ(Text(*book, c.Cell), c.Text) << step << " " << c.Cell;
      EXPECT_EQ(Value(*book, c.Cell), c.Value) << step << " " << c.Cell;
    }
  };
  TcxSSBookSheet& sheet = book->Pages(0);
  sheet.ClearCells(Range("B1:B10"), false);
  EXPECT_EQ(Cell(*book, "B2").Kind, ckText);
  book->History().Undo(1);
  expectKept("cleared");
  // Row 1 deleted: B1 goes, the references of B2 to A1 become #REF!; undo restores both.
  sheet.DeleteCells(Range("A1:IV1"), 3);
  book->History().Undo(1);
  expectKept("row deleted");
  // Redo and undo again, any number of times.
  book->History().Redo(1);
  book->History().Undo(1);
  expectKept("redone");
  const TFileRecords written = ReadRecords(Save());
  for (const char* cell : {"B1", "B6", "B9", "B10"})
    EXPECT_EQ(written.FormulaTokens.at(cell), original.FormulaTokens.at(cell)) << cell;
}

// A pasted copy of a formula the workbook cannot calculate stays a formula whose references
// follow the copy as any formula's do. A copy that reads the same cells as its source has the
// source's value; another has none to show, as a typed one. A save writes the copies, and
// xlrd and the workbook read them back.
TEST_F(KeptFormulas, PastedCopiesStayFormulas) {
  TcxSSBookSheet& sheet = book->Pages(0);
  sheet.CopyCells(Range("B1:B10"), false);
  sheet.PasteCells(Range("D1"));
  const TKeptCell copies[] = {
      {"D1", "=RTD(\"zof.rates\",\"\",C1,C2)", "#NAME!"},
      {"D2", "=EUROCONVERT(C1,\"DEM\",\"EUR\")", "#NAME!"},
      {"D3", "='C:\\Data\\[Prices.xls]Rates'!$B$2*2", "7"},
      {"D4", "='C:\\Data\\Prices.xls'!Rate+1", "2.5"},
      {"D6", "=RTD(\"zof.roman\",\"\",C1*2)", "#NAME!"},
      {"D7", "=RTD(\"zof.length\",\"\",C7)", "#NAME!"},
      {"D9", "=RTD(\"zof.rates\",\"\",#REF!)", "1"},
      {"D10", "=SUM(#REF!)+C1", "#REF!"},
  };
  for (const TKeptCell& c : copies) {
    EXPECT_EQ(Cell(*book, c.Cell).Kind, ckFormula) << c.Cell;
    EXPECT_EQ(Text(*book, c.Cell), c.Text) << c.Cell;
    EXPECT_EQ(Value(*book, c.Cell), c.Value) << c.Cell;
  }
  // Pasted back at its own place, a copy is the formula itself.
  sheet.CopyCells(Range("B1"), false);
  sheet.PasteCells(Range("B1"));
  EXPECT_EQ(Value(*book, "B1"), "42");
  // Onto another sheet, its references read that sheet's cells.
  book->AddSheet("Other");
  sheet.CopyCells(Range("B3"), false);
  book->Pages(1).PasteCells(Range("B1"));
  EXPECT_EQ(CellValueText(*book, 1, 1, 0), "7");

  const auto file = Save();
  auto reloaded = Load(file);
  for (const TKeptCell& c : copies) {
    EXPECT_EQ(Text(*reloaded, c.Cell), c.Text) << c.Cell;
    EXPECT_EQ(Value(*reloaded, c.Cell), c.Value) << c.Cell;
  }
  const auto saved = ReadWithXlrd(file);
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  ASSERT_TRUE(saved);
  std::map<std::string, std::string> values;
  for (const TXlrdCell& c : saved->Cells)
    if (c.Sheet == 0) values[TcxSSUtils::ColumnName(c.Col) + std::to_string(c.Row + 1)] = c.Kind + c.Value;
  EXPECT_EQ(values["D1"], "E29");  // #NAME?
  EXPECT_EQ(values["D3"], "N7.0");
  EXPECT_EQ(values["D9"], "N1.0");
  EXPECT_EQ(values["D10"], "E23");  // #REF!
}

// A reference to cells that are gone (tRefErr, tAreaErr) stays that token, not the error
// constant, when the formula is written from the workbook's tokens: after a move, and in a copy.
TEST_F(KeptFormulas, ReferenceErrorsKeepTheirTokenKind) {
  const TFileRecords original = ReadRecords(LinkedWorkbook());
  book->Pages(0).InsertCells(Range("A1"), 3);  // a row before row 1
  EXPECT_EQ(Text(*book, "B10"), "=RTD(\"zof.rates\",\"\",#REF!)");
  EXPECT_EQ(Text(*book, "B11"), "=SUM(#REF!)+A2");
  EXPECT_EQ(Value(*book, "B11"), "#REF!");
  const TFileRecords written = ReadRecords(Save());
  // The moved formula is written from the workbook's tokens: the file's, but for the texts,
  // which a save writes in 16-bit characters.
  std::vector<uint8_t> rates = {0x17, 9, 1};
  for (const char c : std::string("zof.rates")) rates.insert(rates.end(), {uint8_t(c), 0});
  rates.insert(rates.end(), {0x17, 0, 0, 0x4A, 0, 0, 0, 0, 0x42, 3, 0x7B, 1});
  EXPECT_EQ(written.FormulaTokens.at("B10"), rates);
  std::vector<uint8_t> moved = original.FormulaTokens.at("B10");
  moved[moved.size() - 5] = 1;  // A1 became A2
  EXPECT_EQ(written.FormulaTokens.at("B11"), moved);
}

TEST_F(KeptFormulas, AnEditedFormulaHasNoValueToShowButStaysAFormula) {
  // Typed again, the formula is the same but its value is unknown.
  Set("B1", "=RTD(\"zof.rates\",\"\",A2)");
  Set("B2", "=EUROCONVERT(A2,\"DEM\",\"EUR\")");
  Set("B3", "='C:\\Data\\[Prices.xls]Rates'!B2*3");
  for (const char* cell : {"B1", "B2", "B3"}) {
    EXPECT_EQ(Cell(*book, cell).Kind, ckFormula) << cell;
  }
  EXPECT_EQ(Text(*book, "B1"), "=RTD(\"zof.rates\",\"\",A2)");
  EXPECT_EQ(Text(*book, "B2"), "=EUROCONVERT(A2,\"DEM\",\"EUR\")");
  EXPECT_EQ(Text(*book, "B3"), "='C:\\Data\\[Prices.xls]Rates'!B2*3");
  EXPECT_EQ(Value(*book, "B1"), "#NAME!");
  EXPECT_EQ(Value(*book, "B3"), "#NAME!");
  // A name no function and no link has is still no formula.
  Set("C1", "=NOSUCHFUNCTION(1)");
  EXPECT_EQ(Cell(*book, "C1").Kind, ckText);

  const auto file = Save();
  auto reloaded = Load(file);
  for (const char* cell : {"B1", "B2", "B3"})
    EXPECT_EQ(Text(*reloaded, cell), Text(*book, cell)) << cell;
  const auto edited = ReadWithXlrd(file);
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  ASSERT_TRUE(edited);
  std::map<std::string, std::string> values;
  for (const TXlrdCell& c : edited->Cells)
    values[TcxSSUtils::ColumnName(c.Col) + std::to_string(c.Row + 1)] = c.Kind + c.Value;
  EXPECT_EQ(values["B1"], "E29");  // #NAME?
  EXPECT_EQ(values["B6"], "TIV");  // untouched
}

}  // namespace
