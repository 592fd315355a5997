// Every FORMULA record of every corpus workbook, counted from the file's own records, is read as
// a formula, and a save keeps it one: load, save and load again gives the same formula texts,
// tokens and defined names, and the formulas the workbook cannot calculate keep the values the
// file stored, as xlrd reads them from the saved file.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSUtils.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "tests/sheet/BookFileTestSupport.h"
#include "xls/BiffTestSupport.h"
#include "xls/ReaderTestSupport.h"
#include "xls/cxCompoundDocument.h"

using namespace readertest;

namespace {

struct TFormulaRecord {
  int Page = 0;
  int Col = 0;
  int Row = 0;
};

// The FORMULA records of the worksheets and macro sheets, read from the records alone.
std::vector<TFormulaRecord> ReadFormulaRecords(const std::filesystem::path& file) {
  std::vector<TFormulaRecord> found;
  TcxWorkBookReader container(ReadFileBytes(file));
  const std::span<const uint8_t> stream = container.Buffer();
  // The records before the padding that ends the stream.
  size_t end = 0;
  while (end + 4 <= stream.size() && (stream[end] | stream[end + 1] | stream[end + 2] | stream[end + 3]))
    end += 4 + static_cast<size_t>(stream[end + 2] | stream[end + 3] << 8);
  const auto records = bifftest::Records(stream.first(std::min(end, stream.size())));
  std::vector<size_t> sheets;  // the BOF offsets of the pages, in order
  for (const auto& r : records) {
    if (r.Id == 0x000A) break;
    if (r.Id == 0x0085 && (r.Data.at(5) & 0x03) <= 1) sheets.push_back(r.U32(0));
  }
  for (size_t page = 0; page < sheets.size(); ++page) {
    int depth = 0;
    for (const auto& r : bifftest::Substream(records, sheets[page])) {
      if (r.Id == 0x0809) ++depth;
      if (r.Id == 0x000A) --depth;
      // Formulas of charts embedded in the sheet are no cells of it.
      if (depth != 1 || (r.Id != 0x0006 && r.Id != 0x0406)) continue;
      if (r.U16(2) > 255) continue;
      found.push_back({static_cast<int>(page), r.U16(2), r.U16(0)});
    }
  }
  return found;
}

using bookfiletest::EditText;
using bookfiletest::Load;

std::string Where(const TFormulaRecord& f) {
  return "sheet " + std::to_string(f.Page) + " " + TcxSSUtils::ColumnName(f.Col) +
         std::to_string(f.Row + 1);
}


std::string ResultText(const TcxResultValue& r) {
  std::ostringstream out;
  out.precision(17);
  out << int(r.Kind) << " " << r.Number << " " << r.Text << " " << r.Bool << " " << int(r.Error);
  return out.str();
}

// Each defined name with its scope, flags and tokens.
std::vector<std::string> NameLines(const TcxCustomSpreadSheetBook& book) {
  std::vector<std::string> lines;
  for (const TcxSSNameDefinition& n : book.FormulasCache().Names()) {
    std::ostringstream line;
    line << n.Name << " scope " << n.Scope << " sheet " << int(n.Sheet) << " " << n.Area.Left << ","
         << n.Area.Top << ":" << n.Area.Right << "," << n.Area.Bottom << " kind " << int(n.Kind)
         << " options " << n.FileOptions << (n.Deleted ? " deleted" : "")
         << (n.Hidden ? " hidden" : "") << (n.BuiltIn ? " built-in" : "") << " tokens";
    for (const uint8_t b : n.Tokens) line << " " << int(b);
    lines.push_back(line.str());
  }
  return lines;
}

class FormulaRecords : public testing::TestWithParam<std::filesystem::path> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FormulaRecords);

TEST_P(FormulaRecords, AreReadAsFormulasAndStayFormulasThroughASave) {
  const std::string name = GetParam().filename().string();
  const std::vector<TFormulaRecord> records = ReadFormulaRecords(GetParam());
  std::ifstream in(GetParam(), std::ios::binary);
  auto book = Load(in);

  std::vector<std::string> lost;
  for (const TFormulaRecord& f : records) {
    if (f.Page >= book->PageCount()) {
      lost.push_back(Where(f) + ": no such page");
      continue;
    }
    const TcxSSCellRec& cell = book->Pages(f.Page).DataStorage().CellRef(f.Col, f.Row);
    if (cell.Kind == ckFormula) continue;
    lost.push_back(Where(f) + " holds \"" + cell.Text + "\"");
  }
  std::string first;
  for (size_t i = 0; i < lost.size() && i < 10; ++i) first += "\n  " + lost[i];
  EXPECT_TRUE(lost.empty()) << lost.size() << " of " << records.size()
                            << " formula cells are not formulas" << first;

  // Load, save, load again: the same formulas, tokens, kept values and names.
  std::stringstream saved;
  book->SaveToStream(saved);
  auto reloaded = Load(saved);
  ASSERT_EQ(reloaded->PageCount(), book->PageCount());
  std::vector<std::string> differ;
  std::vector<TFormulaRecord> kept;
  for (int page = 0; page < book->PageCount(); ++page) {
    const TcxSSDataStorage& again = reloaded->Pages(page).DataStorage();
    book->Pages(page).DataStorage().ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
      if (cell.Kind != ckFormula || !cell.Formula) return;
      const TFormulaRecord at{page, col, row};
      const TcxSSCellRec& other = again.CellRef(col, row);
      if (other.Kind != ckFormula || !other.Formula) {
        differ.push_back(Where(at) + " is no formula after the save");
        return;
      }
      if (EditText(*book, page, col, row) != EditText(*reloaded, page, col, row))
        differ.push_back(Where(at) + " " + EditText(*book, page, col, row) + " became " +
                         EditText(*reloaded, page, col, row));
      else if (cell.Formula->Tokens != other.Formula->Tokens)
        differ.push_back(Where(at) + " " + EditText(*book, page, col, row) + " has other tokens");
      if (!cell.Formula->KeepsResult) return;
      kept.push_back(at);
      const std::string before = ResultText(book->FormulasCache().ResultValue(*cell.Formula));
      const std::string after = ResultText(reloaded->FormulasCache().ResultValue(*other.Formula));
      if (before != after) differ.push_back(Where(at) + " kept " + before + ", then " + after);
    });
  }
  EXPECT_EQ(NameLines(*reloaded), NameLines(*book));
  first.clear();
  for (size_t i = 0; i < differ.size() && i < 10; ++i) first += "\n  " + differ[i];
  EXPECT_TRUE(differ.empty()) << differ.size() << " formulas differ:" << first;

  // xlrd reads the values the file stored for the formulas the workbook keeps from the saved
  // file as from the original.
  if (kept.empty() || !XlrdUnavailable().empty()) return;
  const auto file = std::filesystem::temp_directory_path() / ("zof-records-" + name);
  {
    std::ofstream out(file, std::ios::binary);
    out << saved.str();
  }
  const auto original = ReadWithXlrd(GetParam());
  const auto written = ReadWithXlrd(file);
  std::filesystem::remove(file);
  ASSERT_TRUE(original && written);
  const auto values = [](const TXlrdBook& x) {
    std::map<std::tuple<int, int, int>, std::string> v;
    for (const TXlrdCell& c : x.Cells) v[{c.Sheet, c.Row, c.Col}] = c.Kind + c.Value;
    return v;
  };
  const auto a = values(*original);
  const auto b = values(*written);
  for (const TFormulaRecord& f : kept) {
    const auto key = std::make_tuple(f.Page, f.Row, f.Col);
    const auto x = a.find(key);
    const auto y = b.find(key);
    EXPECT_EQ(x == a.end() ? "" : x->second, y == b.end() ? "" : y->second) << Where(f);
  }
}

// A natural-language formula whose label stands for the area after it (Sheet3!A6 of
// xlrd-namesdemo.xls: the label "Dec" for M2:M4, intersected with the name Profit) reads as that
// area, calculates from it, and is saved with the file's tokens, label included.
TEST(FormulaRecordsOfLabels, ALabelOfAnAreaReadsAsTheArea) {
  std::ifstream in(CorpusDir() / "xlrd-namesdemo.xls", std::ios::binary);
  auto book = Load(in);
  ASSERT_GE(book->PageCount(), 3);
  const auto cell = [](TcxCustomSpreadSheetBook& b) -> const TcxSSCellRec& {
    return b.Pages(2).DataStorage().CellRef(0, 5);
  };
  ASSERT_EQ(cell(*book).Kind, ckFormula);
  EXPECT_EQ(EditText(*book, 2, 0, 5), "=$M$2:$M$4 Profit");
  EXPECT_FALSE(cell(*book).Formula->KeepsResult);
  EXPECT_EQ(book->FormulasCache().ResultValue(*cell(*book).Formula).Number, 4321);

  std::stringstream saved;
  book->SaveToStream(saved);
  auto reloaded = Load(saved);
  const TcxSSCellRec& again = cell(*reloaded);
  ASSERT_EQ(again.Kind, ckFormula);
  ASSERT_TRUE(again.Formula->File);
  const std::vector<uint8_t>& tokens = again.Formula->File->Tokens;
  const uint8_t label[] = {0x18, 0x0A};
  EXPECT_NE(std::search(tokens.begin(), tokens.end(), std::begin(label), std::end(label)),
            tokens.end());

  // The area's cells changed, the formula follows them.
  TcxSSCellObject(book->Pages(2).DataStorage(), 12, 3).SetNumber(5000);
  EXPECT_EQ(book->FormulasCache().ResultValue(*cell(*book).Formula).Number, 5000);
}

// An array constant in the value class stands for its first value in Excel, which the formula
// text cannot say (poi-testRVA.xls A73: MODE of a VLOOKUP of {"a","b","b"}, stored as #N/A): the
// cell keeps the stored value until it is edited; one of the array class (A65) is calculated.
TEST(FormulaRecordsOfArrays, AConstantOfTheValueClassKeepsTheStoredValue) {
  std::ifstream in(CorpusDir() / "poi-testRVA.xls", std::ios::binary);
  auto book = Load(in);
  TcxSSDataStorage& storage = book->Pages(0).DataStorage();
  const TcxSSCellRec& kept = storage.CellRef(0, 72);
  ASSERT_EQ(kept.Kind, ckFormula);
  EXPECT_EQ(EditText(*book, 0, 0, 72), "=MODE(VLOOKUP({\"a\",\"b\",\"b\"},C72:D75,2))");
  EXPECT_TRUE(kept.Formula->KeepsResult);
  book->Recalc();
  EXPECT_EQ(book->FormulasCache().ResultValue(*kept.Formula).Kind, rkError);
  const TcxSSCellRec& calculated = storage.CellRef(0, 64);
  ASSERT_EQ(calculated.Kind, ckFormula);
  EXPECT_FALSE(calculated.Formula->KeepsResult);
  // Typed again, it is the workbook's own formula and is calculated.
  TcxSSCellObject(storage, 0, 72).SetText(EditText(*book, 0, 0, 72));
  ASSERT_EQ(storage.CellRef(0, 72).Kind, ckFormula);
  EXPECT_FALSE(storage.CellRef(0, 72).Formula->KeepsResult);
  // Saved, the constant is written in the class Excel gives it: the value class as VLOOKUP's
  // single value, the array class as SUM's argument.
  TcxSSCellObject(storage, 1, 72).SetText("=SUM({1,2})");
  std::stringstream saved;
  book->SaveToStream(saved);
  auto reloaded = Load(saved);
  const auto fileTokens = [&](int col) {
    const TcxSSCellRec& c = reloaded->Pages(0).DataStorage().CellRef(col, 72);
    return c.Kind == ckFormula && c.Formula->File ? c.Formula->File->Tokens
                                                  : std::vector<uint8_t>{};
  };
  ASSERT_FALSE(fileTokens(0).empty());
  EXPECT_EQ(fileTokens(0).front(), 0x40);
  const TcxSSCellRec& lookup = reloaded->Pages(0).DataStorage().CellRef(0, 72);
  EXPECT_EQ(reloaded->FormulasCache().ResultValue(*lookup.Formula).Number,
            book->FormulasCache().ResultValue(*storage.CellRef(0, 72).Formula).Number);
  const TcxSSCellRec& sum = reloaded->Pages(0).DataStorage().CellRef(1, 72);
  ASSERT_EQ(sum.Kind, ckFormula);
  EXPECT_FALSE(sum.Formula->KeepsResult);
  EXPECT_EQ(reloaded->FormulasCache().ResultValue(*sum.Formula).Number, 3);
}

INSTANTIATE_TEST_SUITE_P(Corpus, FormulaRecords, testing::ValuesIn(CorpusFiles()),
                         [](const auto& info) { return TestName(info.param); });

// Moved, formulas no longer stand where the file had them: a save writes them from the
// workbook's tokens, the kept ones too (functions outside the library, add-in functions,
// array constants, sheets that are gone), and reading the file back
// gives the same formulas and kept values.
class MovedFormulaRecords : public testing::TestWithParam<const char*> {};

TEST_P(MovedFormulaRecords, AreWrittenFromTheWorkbooksTokens) {
  std::ifstream in(CorpusDir() / GetParam(), std::ios::binary);
  auto book = Load(in);
  ASSERT_GT(book->PageCount(), 0);
  book->Pages(0).InsertCells({0, 0, 0, 0}, 3);  // a row before the first
  std::stringstream saved;
  book->SaveToStream(saved);
  auto reloaded = Load(saved);
  std::vector<std::string> differ;
  int fromFile = 0;
  for (int page = 0; page < book->PageCount(); ++page) {
    const TcxSSDataStorage& again = reloaded->Pages(page).DataStorage();
    book->Pages(page).DataStorage().ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
      if (cell.Kind != ckFormula || !cell.Formula) return;
      const TFormulaRecord at{page, col, row};
      const TcxSSCellRec& other = again.CellRef(col, row);
      if (other.Kind != ckFormula || !other.Formula) {
        differ.push_back(Where(at) + " is no formula after the save");
        return;
      }
      const std::string moved = EditText(*book, page, col, row);
      const std::string read = EditText(*reloaded, page, col, row);
      // A reference the move pushed past the sheet's last row (H$1:H$65536 became H$2:H$65537)
      // has no place in the file and is written as #REF!, as for every formula.
      const bool pastTheSheet = read.find("#REF!") != std::string::npos &&
                                moved.find("#REF!") == std::string::npos;
      if (moved != read && !pastTheSheet)
        differ.push_back(Where(at) + " " + moved + " became " + read);
      if (cell.Formula->File) ++fromFile;
      if (!cell.Formula->KeepsResult || pastTheSheet) return;
      const std::string before = ResultText(book->FormulasCache().ResultValue(*cell.Formula));
      const std::string after = ResultText(reloaded->FormulasCache().ResultValue(*other.Formula));
      if (before != after) differ.push_back(Where(at) + " kept " + before + ", then " + after);
    });
  }
  // The files' formulas that text could not carry were there to move.
  EXPECT_GT(fromFile, 0);
  std::string first;
  for (size_t i = 0; i < differ.size() && i < 10; ++i) first += "\n  " + differ[i];
  EXPECT_TRUE(differ.empty()) << differ.size() << " formulas differ:" << first;
}

INSTANTIATE_TEST_SUITE_P(Corpus, MovedFormulaRecords,
                         testing::Values("libxls-types.xls", "poi-57231_MixedGasReport.xls",
                                         "poi-FormulaEvalTestData.xls", "poi-testRVA.xls",
                                         "sheetjs-ErrorTypes.xls",
                                         "sheetjs-formula_stress_test.xls", "sheetjs-wps-fn.xls"),
                         [](const auto& info) { return TestName(info.param); });

}  // namespace
