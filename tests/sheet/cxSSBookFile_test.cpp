#include "sheet/cxSSBookFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <set>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSDateTime.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSTokens.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "xls/HostileFiles.h"
#include "xls/ReaderTestSupport.h"
#include "xls/cxBiffRecords.h"
#include "xls/cxExcelUnits.h"

using namespace readertest;

namespace {

TcxSpreadSheetBook MakeBook() { return TcxSpreadSheetBook(MakeFixedEnvironment(TRegionalSettings::English())); }

struct TLoadResult {
  enum { kLoaded, kUnknownFunctions, kWorkbookError, kOtherError } Outcome = kLoaded;
  std::string Message;
  TcxLoadReport Report;
};

TLoadResult Load(TcxCustomSpreadSheetBook& book, const std::filesystem::path& file) {
  TLoadResult result;
  try {
    result.Report = book.LoadFromFile(file.string());
  } catch (const ESpreadSheetUnknownFunctions& e) {
    result.Outcome = TLoadResult::kUnknownFunctions;
    result.Message = e.what();
    result.Report = e.Report();
  } catch (const ESpreadSheetError& e) {
    result.Outcome = TLoadResult::kWorkbookError;
    result.Message = e.what();
  } catch (const std::exception& e) {
    result.Outcome = TLoadResult::kOtherError;
    result.Message = e.what();
  }
  return result;
}

// A cell's value as xlrd would report it: numbers (formula results included) as numbers, the
// rest as the text the cell holds.
struct TValue {
  bool IsNumber = false;
  double Number = 0;
  std::string Text;
  bool IsFormula = false;
};

TValue ValueOf(const TcxCustomSpreadSheetBook& book, int page, int col, int row) {
  TValue value;
  const TcxSSCellRec* cell = book.Pages(page).DataStorage().FindCell(col, row);
  if (!cell) return value;
  switch (cell->Kind) {
    case ckNumber:
      value.IsNumber = true;
      value.Number = cell->Number;
      break;
    case ckFormula: {
      value.IsFormula = true;
      const TcxResultValue result = book.FormulasCache().ResultValue(*cell->Formula);
      switch (result.Kind) {
        case rkNumber:
          value.IsNumber = true;
          value.Number = result.Number;
          break;
        case rkBool:
          value.Text = result.Bool ? "TRUE" : "FALSE";
          break;
        case rkError:
          value.Text = std::string(ErrorToText(result.Error));
          break;
        default:
          value.Text = result.Text;
          break;
      }
      break;
    }
    default:
      value.Text = cell->Text;
      break;
  }
  return value;
}

bool SameNumber(double a, double b) {
  return a == b || std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

struct TComparison {
  std::vector<std::string> Constants;  // differences in cells that hold no formula
  std::vector<std::string> Formulas;   // formula results that differ from Excel's
  int FormulaCells = 0;
};

TComparison Compare(const TcxCustomSpreadSheetBook& book, const TXlrdBook& xlrd) {
  TComparison c;
  for (const TXlrdCell& x : xlrd.Cells) {
    if (x.Sheet >= book.PageCount()) {
      c.Constants.push_back("missing sheet " + std::to_string(x.Sheet));
      continue;
    }
    const TValue ours = ValueOf(book, x.Sheet, x.Col, x.Row);
    const std::string where = "sheet " + std::to_string(x.Sheet) + " R" + std::to_string(x.Row + 1) +
                              "C" + std::to_string(x.Col + 1) + ": ";
    std::string expected;
    bool same = false;
    switch (x.Kind) {
      case 'N':
      case 'D':
        // Dates too: the workbook keeps the file's date system and its serials.
        expected = x.Value;
        same = ours.IsNumber && SameNumber(ours.Number, std::stod(x.Value));
        break;
      case 'B':
        expected = x.Value == "1" ? "TRUE" : "FALSE";
        same = !ours.IsNumber && ours.Text == expected;
        break;
      case 'E':
        expected = std::string(ErrorCodeToText(std::stoi(x.Value)));
        same = !ours.IsNumber && ours.Text == expected;
        break;
      default:
        expected = x.Value;
        same = !ours.IsNumber && ours.Text == expected;
        break;
    }
    if (ours.IsFormula) ++c.FormulaCells;
    if (same) continue;
    const std::string shown = ours.IsNumber ? std::to_string(ours.Number) : ours.Text;
    (ours.IsFormula ? c.Formulas : c.Constants).push_back(where + shown + ", Excel " + expected);
  }
  return c;
}

std::string FirstOf(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < 15; ++i) text += "\n  " + lines[i];
  return text;
}

// Files whose formulas all give Excel's results with the function library as it stands; every
// other corpus file is compared for its constants and the values its formula cells keep.
const std::set<std::string> kFormulaResultsAgree = {
    "poi-AbnormalSharedFormulaFlag.xls",
    "poi-overlapSharedFormula.xls", "poi-shared_formulas.xls",
    "sheetjs-cell_style_simple.xls", "sheetjs-formulae_test_simple.xls",
    "poi-testArraysAndTables.xls",
};

class BookFileCorpus : public testing::TestWithParam<std::filesystem::path> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BookFileCorpus);

TEST_P(BookFileCorpus, LoadsWhatExcelStored) {
  auto book = MakeBook();
  const TLoadResult result = Load(book, GetParam());
  ASSERT_TRUE(result.Outcome == TLoadResult::kLoaded ||
              result.Outcome == TLoadResult::kUnknownFunctions)
      << result.Message;
  if (result.Outcome == TLoadResult::kUnknownFunctions) {
    EXPECT_EQ(result.Message, "Stream has unknown function's");
    EXPECT_TRUE(std::any_of(result.Report.FormulaProblems.begin(), result.Report.FormulaProblems.end(),
                            [](const auto& p) { return p.Kind == fpUnknownFunction; }));
  }
  EXPECT_GT(book.PageCount(), 0);
  EXPECT_TRUE(book.History().UndoDescriptions().empty());
  EXPECT_FALSE(book.History().IsLocked());
  EXPECT_FALSE(book.Modified());

  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const auto xlrd = ReadWithXlrd(GetParam());
  ASSERT_TRUE(xlrd);
  ASSERT_EQ(book.PageCount(), static_cast<int>(xlrd->Sheets.size()));
  for (int page = 0; page < book.PageCount(); ++page) {
    EXPECT_EQ(book.Pages(page).Caption(), xlrd->Sheets[page].Name);
    EXPECT_EQ(book.PageVisible(page), xlrd->Sheets[page].Visibility == 0);
  }
  const TComparison c = Compare(book, *xlrd);
  EXPECT_TRUE(c.Constants.empty()) << c.Constants.size() << " differences:" << FirstOf(c.Constants);
  // Every row the file gives a height keeps it after the load, no taller than the format allows.
  std::vector<std::string> heights;
  for (const TXlrdHeaderItem& x : xlrd->HeaderItems) {
    if (x.Kind != 1) continue;
    const int size = book.Pages(x.Sheet).RowHeader().GetItem(x.Index).Size;
    if (size != TcxExcelUnits{}.RowPixels(static_cast<uint16_t>(std::min(x.Size, kMaxRowTwips))))
      heights.push_back("sheet " + std::to_string(x.Sheet) + " row " + std::to_string(x.Index + 1) +
                        ": " + std::to_string(size) + " pixels, the file " +
                        std::to_string(x.Size) + " twips");
  }
  EXPECT_TRUE(heights.empty()) << heights.size() << " rows:" << FirstOf(heights);
  if (kFormulaResultsAgree.count(GetParam().filename().string())) {
    EXPECT_TRUE(c.Formulas.empty()) << c.Formulas.size() << " of " << c.FormulaCells
                                    << " formula results differ:" << FirstOf(c.Formulas);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, BookFileCorpus, testing::ValuesIn(CorpusFiles()),
                         [](const auto& info) { return TestName(info.param); });


// --- The steps around the reader ------------------------------------------------------------------

// A workbook with two pages and a value, to see what a failed load leaves.
void Prepare(TcxCustomSpreadSheetBook& book) {
  book.ClearAll();
  book.AddSheet("Alpha");
  book.AddSheet("Beta");
  TcxSSCellObject(book.Pages(1).DataStorage(), 2, 3).SetText("kept");
  book.SetR1C1ReferenceStyle(true);
  book.SetReadOnly(true);
}

struct TFailCase {
  const char* File;
  enum { kNotAccepted, kReadError } Outcome;
};

// The documented outcomes: a stream the reader does not accept leaves the pages as they were;
// a stream that fails while it is read leaves one empty sheet. Both say "Invalid stream format";
// only the first is the workbook's own error class.
const TFailCase kFailSet[] = {
    {"old-biff/poi-testEXCEL_95.xls", TFailCase::kNotAccepted},
    {"old-biff/poi-testEXCEL_4.xls", TFailCase::kNotAccepted},
    {"old-biff/libxls-biff5-label-records.xls", TFailCase::kNotAccepted},
    {"malformed/libxls-xls2csv_ole_ole2_fread_327.xls", TFailCase::kNotAccepted},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6537773940867072.xls",
     TFailCase::kNotAccepted},
    {"encrypted/poi-password.xls", TFailCase::kReadError},
    {"encrypted/poi-xor-encryption-abc.xls", TFailCase::kReadError},
    {"encrypted/sheetjs-password_2002_128_strong.xls", TFailCase::kReadError},
    {"malformed/poi-61300.xls", TFailCase::kReadError},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-4657005060816896.xls",
     TFailCase::kReadError},
};

// A read that failed part-way leaves exactly one empty sheet, "Sheet1".
void ExpectOneEmptySheet(const TcxCustomSpreadSheetBook& book) {
  ASSERT_EQ(book.PageCount(), 1);
  EXPECT_EQ(book.Pages(0).Caption(), "Sheet1");
  int cells = 0;
  book.Pages(0).DataStorage().ForEachCell([&](int, int, const TcxSSCellRec&) { ++cells; });
  EXPECT_EQ(cells, 0);
}

// Whatever a load ended with, its locks, flags and history are restored.
void ExpectRestoredAfterLoad(const TcxCustomSpreadSheetBook& book) {
  EXPECT_FALSE(book.R1C1ReferenceStyle());
  EXPECT_FALSE(book.ReadOnly());
  EXPECT_TRUE(book.History().UndoDescriptions().empty());
  EXPECT_FALSE(book.History().IsLocked());
  EXPECT_FALSE(book.Loading());
  EXPECT_FALSE(book.Reading());
  EXPECT_EQ(book.LockCount(), 0);
}

TEST(TcxBookFile, FilesThatCannotBeReadGiveTheDocumentedErrorAndState) {
  for (const TFailCase& c : kFailSet) {
    SCOPED_TRACE(c.File);
    auto book = MakeBook();
    Prepare(book);
    const TLoadResult result = Load(book, CorpusDir() / c.File);
    EXPECT_EQ(result.Message, "Invalid stream format");
    if (c.Outcome == TFailCase::kNotAccepted) {
      EXPECT_EQ(result.Outcome, TLoadResult::kWorkbookError);
      ASSERT_EQ(book.PageCount(), 2);
      EXPECT_EQ(book.Pages(1).Caption(), "Beta");
      EXPECT_EQ(ValueOf(book, 1, 2, 3).Text, "kept");
    } else {
      EXPECT_EQ(result.Outcome, TLoadResult::kOtherError);
      ExpectOneEmptySheet(book);
    }
    ExpectRestoredAfterLoad(book);
  }
}

// Every file of the fail folders, whatever the folder holds now: encrypted workbooks and older
// BIFF versions are refused with "Invalid stream format"; a damaged file either loads or is
// refused the same way, and in every case the workbook is left in one of the two documented
// states with its locks, flags and history restored.
std::vector<std::filesystem::path> FailFolderFiles() {
  std::vector<std::filesystem::path> files;
  for (const char* folder : {"encrypted", "old-biff", "malformed"})
    for (const auto& file : CorpusFiles(folder)) files.push_back(file);
  return files;
}

class BookFileFailSet : public testing::TestWithParam<std::filesystem::path> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BookFileFailSet);

TEST_P(BookFileFailSet, EndsLoadedOrWithTheDocumentedError) {
  auto book = MakeBook();
  Prepare(book);
  const TLoadResult result = Load(book, GetParam());
  const bool mayLoad = GetParam().parent_path().filename() == "malformed";
  switch (result.Outcome) {
    case TLoadResult::kLoaded:
    case TLoadResult::kUnknownFunctions:
      EXPECT_TRUE(mayLoad) << "an encrypted or old workbook was read";
      EXPECT_GT(book.PageCount(), 0);
      break;
    case TLoadResult::kWorkbookError:
      // Not accepted: the pages stay as they were.
      EXPECT_EQ(result.Message, "Invalid stream format");
      ASSERT_EQ(book.PageCount(), 2);
      EXPECT_EQ(ValueOf(book, 1, 2, 3).Text, "kept");
      break;
    case TLoadResult::kOtherError: {
      // Failed while reading: one empty sheet.
      EXPECT_EQ(result.Message, "Invalid stream format");
      ExpectOneEmptySheet(book);
      break;
    }
  }
  for (int page = 0; page < book.PageCount(); ++page)
    EXPECT_TRUE(book.Pages(page).DataStorage().CheckConsistency()) << "page " << page;
  ExpectRestoredAfterLoad(book);
}

INSTANTIATE_TEST_SUITE_P(Corpus, BookFileFailSet, testing::ValuesIn(FailFolderFiles()),
                         [](const auto& info) {
                           return TestName(info.param.parent_path().filename()) + "_" +
                                  TestName(info.param);
                         });

// A workbook stream that makes no page (no BOUNDSHEET at all, or only a chart sheet) is a read
// failure like any other: one empty sheet, active, and "Invalid stream format".
TEST(TcxBookFile, AWorkbookWithoutWorksheetLeavesOneEmptySheet) {
  for (int charts : {0, 1}) {
    SCOPED_TRACE(charts);
    auto book = MakeBook();
    Prepare(book);
    const hostiletest::THostileFile file("no-worksheet", charts);
    const TLoadResult result = Load(book, file.Path());
    EXPECT_EQ(result.Outcome, TLoadResult::kOtherError);
    EXPECT_EQ(result.Message, "Invalid stream format");
    ExpectOneEmptySheet(book);
    EXPECT_EQ(book.ActivePage(), 0);
    ExpectRestoredAfterLoad(book);
  }
}

// Formulas nested far deeper than Excel writes them (65,000 parentheses around 1) keep their
// whole text and their value.
TEST(TcxBookFile, DeeplyNestedFormulasKeepTheirWholeText) {
  auto book = MakeBook();
  const hostiletest::THostileFile file("parens", 2);
  const TLoadResult result = Load(book, file.Path());
  ASSERT_EQ(result.Outcome, TLoadResult::kLoaded) << result.Message;
  const std::string expected = "=" + std::string(65000, '(') + "1" + std::string(65000, ')');
  for (const int row : {0, 1}) {
    SCOPED_TRACE(row);
    const TcxSSCellRec* cell = book.Pages(0).DataStorage().FindCell(0, row);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Kind, ckFormula);
    // Compared as a flag: a failure would print 130,000 characters.
    EXPECT_TRUE(cell->Text == expected) << cell->Text.substr(0, 80);
    EXPECT_TRUE(ValueOf(book, 0, 0, row).IsNumber);
    EXPECT_EQ(ValueOf(book, 0, 0, row).Number, 1);
  }
}

TEST(TcxBookFile, AMissingFileIsNamedAndChangesNothing) {
  auto book = MakeBook();
  Prepare(book);
  const std::string name = (std::filesystem::path(ZOF_BINARY_DIR) / "no-such-workbook.xls").string();
  const TLoadResult result = Load(book, name);
  EXPECT_EQ(result.Outcome, TLoadResult::kWorkbookError);
  EXPECT_EQ(result.Message, "Invalid file " + name + " name");
  EXPECT_EQ(book.PageCount(), 2);
  EXPECT_TRUE(book.R1C1ReferenceStyle());
}

// poi-StringContinueRecords.xls, sheet "Param": long texts in wrapped cells, rows of 20.4, 12
// and 10.2 points, some set by the user (row 2), most worked out by Excel (row 15). The rows
// keep those heights after the load and after a save; automatic sizing applies again once a
// row's cells change, and no row grows past 409.5 points, on screen or in the file.
TEST(TcxBookFile, RowsKeepTheHeightsTheFileStores) {
  auto book = MakeBook();
  Load(book, CorpusDir() / "poi-StringContinueRecords.xls");
  ASSERT_EQ(book.Pages(1).Caption(), "Param");
  const auto rowsOf = [](const TcxCustomSpreadSheetBook& b, int page) {
    std::vector<int> sizes;
    const TcxSSHeader& rows = b.Pages(page).RowHeader();
    for (int row = 0; row < b.Pages(page).DataStorage().RowCount(); ++row)
      sizes.push_back(rows.GetItem(row).Size);
    return sizes;
  };
  TcxSSHeader& rows = book.Pages(1).RowHeader();
  EXPECT_EQ(rows.GetItem(0).Size, 27);   // 408 twips
  EXPECT_EQ(rows.GetItem(1).Size, 16);   // 240 twips, set by the user
  EXPECT_EQ(rows.GetItem(14).Size, 14);  // 204 twips, automatic
  EXPECT_EQ(rows.GetItem(1).Flags & (kHeaderAuto | kHeaderDefault), 0);
  EXPECT_EQ(rows.GetItem(14).Flags & (kHeaderAuto | kHeaderDefault), kHeaderAuto);
  EXPECT_EQ(rows.MaxSize(), TcxExcelUnits{}.RowPixels(kMaxRowTwips));
  for (int page = 0; page < book.PageCount(); ++page)
    for (const int size : rowsOf(book, page)) EXPECT_LE(size, rows.MaxSize()) << "sheet " << page;

  // Saved and read back: the same heights; the file holds none above 8190 twips.
  const auto file = std::filesystem::path(ZOF_BINARY_DIR) / "rows-kept.xls";
  book.SaveToFile(file.string());
  auto reloaded = MakeBook();
  Load(reloaded, file);
  for (int page = 0; page < book.PageCount(); ++page)
    EXPECT_EQ(rowsOf(reloaded, page), rowsOf(book, page)) << "sheet " << page;
  if (XlrdUnavailable().empty()) {
    const auto saved = ReadWithXlrd(file);
    ASSERT_TRUE(saved);
    for (const TXlrdHeaderItem& x : saved->HeaderItems) {
      if (x.Kind == 1) {
        EXPECT_LE(x.Size, kMaxRowTwips) << "sheet " << x.Sheet << " row " << x.Index;
      }
    }
  }
  std::filesystem::remove(file);

  // A change of the cells sizes the automatic row 15 again: one wrapped line, then far more
  // lines than the tallest row holds.
  TcxSSCellObject cell(book.Pages(1).DataStorage(), 2, 14);
  cell.Style().SetWordBreak(true);
  cell.SetText("x");
  const int oneLine = rows.GetItem(14).Size;
  EXPECT_EQ(oneLine, std::max<int>(rows.DefaultSize(), book.Pages(1).DataStorage().CellRef(2, 14)
                                                           .Style->Font->TextExtent.cy + 2));
  EXPECT_EQ(rows.GetItem(14).Flags & (kHeaderAuto | kHeaderDefault), kHeaderAuto);
  std::string words;
  for (int i = 0; i < 2000; ++i) words += "word ";
  cell.SetText(words);
  EXPECT_EQ(rows.GetItem(14).Size, rows.MaxSize());
  rows.SetSize(14, 60000);
  EXPECT_EQ(rows.GetItem(14).Size, rows.MaxSize());
}

struct TActiveCase {
  const char* File;
  int Active;
};

// The first visible sheet becomes the active page: poi-46250.xls hides its first two sheets.
TEST(TcxBookFile, TheFirstVisibleSheetIsActive) {
  const TActiveCase cases[] = {
      {"poi-46250.xls", 2}, {"sheetjs-sheet_visibility.xls", 0}, {"poi-SimpleMultiCell.xls", 0}};
  for (const auto& c : cases) {
    auto book = MakeBook();
    Load(book, CorpusDir() / c.File);
    EXPECT_EQ(book.ActivePage(), c.Active) << c.File;
    EXPECT_TRUE(book.Pages(c.Active).Visible()) << c.File;
  }
}

// A load calculates the workbook exactly once, with AutoRecalc on or off: its formulas come
// with no results of their own.
TEST(TcxBookFile, LoadingKeepsAutoRecalcAndSwitchesToA1References) {
  for (const bool autoRecalc : {true, false}) {
    auto book = MakeBook();
    book.SetAutoRecalc(autoRecalc);
    book.SetR1C1ReferenceStyle(true);
    int calculations = 0;
    book.OnAfterCalculation = [&](TcxCustomSpreadSheetBook&) { ++calculations; };
    Load(book, CorpusDir() / "sheetjs-cell_style_simple.xls");
    EXPECT_EQ(book.AutoRecalc(), autoRecalc);
    EXPECT_FALSE(book.R1C1ReferenceStyle());
    EXPECT_EQ(calculations, 1) << "AutoRecalc " << autoRecalc;
    // B1 =A1+1, calculated by the load itself.
    const TcxSSCellRec* b1 = book.Pages(0).DataStorage().FindCell(1, 0);
    ASSERT_TRUE(b1 && b1->Kind == ckFormula);
    EXPECT_FALSE(b1->Formula->Result.empty()) << "AutoRecalc " << autoRecalc;
    EXPECT_EQ(ValueOf(book, 0, 1, 0).Number, 2);
  }
}

// poi-56563a.xls is made of small records: every percentage is reached by some record, and
// each is reported once, in order.
TEST(TcxBookFile, ReportsProgressEndingAt100) {
  auto book = MakeBook();
  std::vector<int> reported;
  book.OnProgress = [&](TcxCustomSpreadSheetBook&, int percent) { reported.push_back(percent); };
  Load(book, CorpusDir() / "poi-56563a.xls");
  std::vector<int> everyPercent(101);
  std::iota(everyPercent.begin(), everyPercent.end(), 0);
  EXPECT_EQ(reported, everyPercent);
}

// Texts stay text and numbers keep all their digits: sheetjs-1904.xls turns the dates of column
// B into text in column C (=TEXT(B1,"YYYY-MM-DD"), "1904-01-02" in the workbook's own date
// system) and passes it on in column D (=T(C1)); poi-FormulaEvalTestData.xls stores numbers that
// need 17 digits.
TEST(TcxBookFile, ConstantsKeepWhatTheFileStored) {
  auto book = MakeBook();
  Load(book, CorpusDir() / "sheetjs-1904.xls");
  for (int col : {2, 3}) {
    const TValue text = ValueOf(book, 0, col, 0);
    EXPECT_TRUE(text.IsFormula);
    EXPECT_FALSE(text.IsNumber);
    EXPECT_EQ(text.Text, "1904-01-02");
  }
  // B1 is the 1904 serial 1, kept as the file holds it in the workbook's own date system.
  EXPECT_TRUE(book.Date1904());
  const TValue date = ValueOf(book, 0, 1, 0);
  ASSERT_TRUE(date.IsNumber);
  EXPECT_EQ(date.Number, 1);
}

// Numbers of real files show by their format codes as LibreOffice and Gnumeric show them: cells
// of each file's first sheet whose format is a FORMAT record of the file, with the texts both
// programs agree on (tests/calc/number_format_oracle.py, United States English).
TEST(TcxBookFile, NumbersShowAsOtherSpreadsheetsShowThem) {
  const struct {
    const char* File;
    int Row, Col;
    const char* Shown;
  } cases[] = {
    {"xlrd-Formate.xls", 0, 1, "03/07/1907"},  // "DD/MM/YYYY"
    {"xlrd-Formate.xls", 1, 1, "23/02/2005"},  // "DD/MM/YYYY"
    {"xlrd-Formate.xls", 2, 1, "Tuesday, May 03, 1988"},  // "DDDD\", \"MMMM\\ DD\", \"YYYY"
    {"xlrd-Formate.xls", 3, 1, "06:34"},  // "HH:MM"
    {"xlrd-Formate.xls", 4, 1, "12:56"},  // "HH:MM"
    {"xlrd-Formate.xls", 5, 1, "5:47:13 PM"},  // "H:MM:SS\\ AM/PM"
    {"xlrd-Formate.xls", 6, 1, "97.4%"},  // "0.0%"
    {"xlrd-Formate.xls", 7, 1, "12.4%"},  // "0.0%"
    {"xlrd-Formate.xls", 8, 1, " 1,000.30 € "},  // "_-* #,##0.00\" €\"_-;\\-* #,##0.00\" €\"_-;_-* \\-\?\?\" €\"_-;_-@_-"
    {"xlrd-Formate.xls", 9, 1, " 1.20 € "},  // "_-* #,##0.00\\ [$€-407]_-;\\-* #,##0.00\\ [$€-407]_-;_-* \\-\?\?\\ [$€-407]_-;_-@_-"
    {"sheetjs-number_format.xls", 17, 1, "16:17"},  // "h:mm"
    {"sheetjs-number_format.xls", 19, 1, "10/18/33 16:17"},  // "m/d/yy\\ h:mm"
    {"sheetjs-number_format.xls", 20, 1, "12,346 "},  // "#,##0\\ ;\\(#,##0\\)"
    {"sheetjs-number_format.xls", 20, 5, "12,346 "},  // "#,##0\\ ;\\(#,##0\\)"
    {"sheetjs-number_format.xls", 21, 1, "12,346 "},  // "#,##0\\ ;[Red]\\(#,##0\\)"
    {"sheetjs-number_format.xls", 21, 5, "12,346 "},  // "#,##0\\ ;[Red]\\(#,##0\\)"
    {"sheetjs-number_format.xls", 22, 1, "12,345.68"},  // "#,##0.00;\\(#,##0.00\\)"
    {"sheetjs-number_format.xls", 22, 5, "12,345.68"},  // "#,##0.00;\\(#,##0.00\\)"
    {"sheetjs-number_format.xls", 23, 1, "12,345.68"},  // "#,##0.00;[Red]\\(#,##0.00\\)"
    {"sheetjs-number_format.xls", 23, 5, "12,345.68"},  // "#,##0.00;[Red]\\(#,##0.00\\)"
    {"sheetjs-NumberFormatCondition.xls", 0, 0, "50"},  // "[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ "
    {"sheetjs-NumberFormatCondition.xls", 0, 1, "50"},  // "[Red][<=-25]General;[Blue][>=25]General;[Green]General;[Yellow]General"
    {"sheetjs-NumberFormatCondition.xls", 0, 2, "50"},  // "[Red][=50]General;[Blue]000"
    {"sheetjs-NumberFormatCondition.xls", 0, 3, "050"},  // "[Red][<>50]General;[Blue]000"
    {"sheetjs-NumberFormatCondition.xls", 1, 0, "26"},  // "[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ "
    {"sheetjs-NumberFormatCondition.xls", 1, 1, "26"},  // "[Red][<=-25]General;[Blue][>=25]General;[Green]General;[Yellow]General"
    {"sheetjs-NumberFormatCondition.xls", 1, 2, "051"},  // "[Red][=50]General;[Blue]000"
    {"sheetjs-NumberFormatCondition.xls", 1, 3, "51"},  // "[Red][<>50]General;[Blue]000"
    {"sheetjs-NumberFormatCondition.xls", 2, 0, "25"},  // "[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ "
    {"sheetjs-NumberFormatCondition.xls", 2, 1, "25"},  // "[Red][<=-25]General;[Blue][>=25]General;[Green]General;[Yellow]General"
    {"sheetjs-NumberFormatCondition.xls", 2, 2, "049"},  // "[Red][=50]General;[Blue]000"
    {"sheetjs-NumberFormatCondition.xls", 2, 3, "49"},  // "[Red][<>50]General;[Blue]000"
    {"poi-54686_fraction_formats.xls", 2, 10, "-1 1/10"},  // "#\\ \?/10"
    {"poi-54686_fraction_formats.xls", 8, 5, "-  99/100"},  // "#\\ \?\?\?/\?\?\?"
    {"poi-54686_fraction_formats.xls", 8, 11, "- 99/100"},  // "#\\ \?\?/100"
    {"poi-54686_fraction_formats.xls", 9, 5, "-  49/50 "},  // "#\\ \?\?\?/\?\?\?"
    {"poi-54686_fraction_formats.xls", 9, 11, "- 98/100"},  // "#\\ \?\?/100"
    {"poi-54686_fraction_formats.xls", 10, 5, "-  97/100"},  // "#\\ \?\?\?/\?\?\?"
    {"poi-54686_fraction_formats.xls", 10, 11, "- 97/100"},  // "#\\ \?\?/100"
    {"poi-54686_fraction_formats.xls", 11, 9, "- 15/16"},  // "#\\ \?\?/16"
    {"poi-54686_fraction_formats.xls", 12, 9, "- 15/16"},  // "#\\ \?\?/16"
    {"poi-54686_fraction_formats.xls", 12, 10, "- 9/10"},  // "#\\ \?/10"
    {"poi-54686_fraction_formats.xls", 13, 9, "- 15/16"},  // "#\\ \?\?/16"
    {"poi-54686_fraction_formats.xls", 13, 10, "- 9/10"},  // "#\\ \?/10"
    {"poi-54686_fraction_formats.xls", 14, 8, "- 7/8"},  // "#\\ \?/8"
    {"poi-54686_fraction_formats.xls", 15, 8, "- 7/8"},  // "#\\ \?/8"
    {"poi-54686_fraction_formats.xls", 16, 8, "- 7/8"},  // "#\\ \?/8"
    {"poi-54686_fraction_formats.xls", 20, 7, "- 3/4"},  // "#\\ \?/4"
    {"poi-54686_fraction_formats.xls", 21, 7, "- 3/4"},  // "#\\ \?/4"
    {"poi-54686_fraction_formats.xls", 22, 7, "- 3/4"},  // "#\\ \?/4"
    {"poi-54686_fraction_formats.xls", 33, 6, "- 1/2"},  // "#\\ \?/2"
    {"poi-54686_fraction_formats.xls", 34, 6, "- 1/2"},  // "#\\ \?/2"
    {"poi-54686_fraction_formats.xls", 35, 6, "- 1/2"},  // "#\\ \?/2"
    {"poi-florida_data.ashx.xls", 4, 5, " 1.00 "},  // "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 4, 8, " 102.00 "},  // "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 4, 13, " $33,699 "},  // "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 4, 27, " $33,699 "},  // "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 4, 37, " $3,818 "},  // "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 5, 5, " 1.00 "},  // "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 400, 28, " 459,879 "},  // "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 400, 29, " 900,269 "},  // "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"\?\?_);_(@_)"
    {"poi-florida_data.ashx.xls", 400, 31, " 222,933 "},  // "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"\?\?_);_(@_)"
    {"sheetjs-numfmt_1_russian.xls", 3, 0, "1,234,567.89 р."},  // "#,##0.00\\ \"р.\""
    {"sheetjs-numfmt_1_russian.xls", 4, 0, " 1,234,567.89 р. "},  // "_-* #,##0.00\\ \"р.\"_-;\\-* #,##0.00\\ \"р.\"_-;_-* \"-\"\?\?\\ \"р.\"_-;_-@_-"
    {"sheetjs-numfmt_1_russian.xls", 11, 0, "1,234,568 р."},  // "#,##0\\ \"р.\";\\-#,##0\\ \"р.\""
    {"sheetjs-numfmt_1_russian.xls", 12, 0, "1,234,568 р."},  // "#,##0\\ \"р.\";[Red]\\-#,##0\\ \"р.\""
    {"sheetjs-numfmt_1_russian.xls", 13, 0, "1,234,567.89 р."},  // "#,##0.00\\ \"р.\";[Red]\\-#,##0.00\\ \"р.\""
  };
  std::string loaded;
  auto book = MakeBook();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " " + std::to_string(c.Row) + "," + std::to_string(c.Col));
    if (loaded != c.File) {
      Load(book, CorpusDir() / c.File);
      loaded = c.File;
    }
    book.History().Lock();
    EXPECT_EQ(TcxSSCellObject(book.Pages(0).DataStorage(), c.Col, c.Row).DisplayText(), c.Shown);
    book.History().Unlock();
  }
}

// Strings of the file that read as numbers or error values stay the texts they are: they show
// as stored (through the text section of the cell's format code when it has one, as LibreOffice
// and Gnumeric show them), and a saved copy still holds them as strings, not as numbers or
// errors. So does a formula's text value (the name numCatNum is =123&456).
TEST(TcxBookFile, TextsThatReadAsValuesStayTexts) {
  const struct {
    const char* File;
    int Page, Col, Row;
    const char* Text;
    const char* Shown;
    bool Formula;
  } cases[] = {
      // Its format is _("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_).
      {"poi-florida_data.ashx.xls", 0, 0, 4, "01", " 01 ", false},
      {"poi-46904.xls", 0, 12, 2693, "+4773597287", "+4773597287", false},
      {"xlrd-namesdemo.xls", 2, 2, 23, "123456", "123456", true},
      {"sheetjs-ErrorTypes.xls", 0, 1, 7, "#N/A!", "#N/A!", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    auto book = MakeBook();
    Load(book, CorpusDir() / c.File);
    TcxSSDataStorage& storage = book.Pages(c.Page).DataStorage();
    const TcxSSCellRec& cell = storage.CellRef(c.Col, c.Row);
    EXPECT_EQ(cell.Kind, c.Formula ? ckFormula : ckText);
    if (!c.Formula) {
      EXPECT_EQ(cell.Text, c.Text);
      ASSERT_TRUE(cell.Style);
      EXPECT_EQ(cell.Style->Format, 49);
    }
    book.History().Lock();
    EXPECT_EQ(TcxSSCellObject(storage, c.Col, c.Row).DisplayText(), c.Shown);
    book.History().Unlock();

    if (!XlrdUnavailable().empty()) continue;
    const auto saved = std::filesystem::path(ZOF_BINARY_DIR) / "texts-as-values.xls";
    book.SaveToFile(saved.string());
    const auto xlrd = ReadWithXlrd(saved);
    std::filesystem::remove(saved);
    ASSERT_TRUE(xlrd);
    const auto found = std::find_if(xlrd->Cells.begin(), xlrd->Cells.end(), [&](const TXlrdCell& x) {
      return x.Sheet == c.Page && x.Col == c.Col && x.Row == c.Row;
    });
    ASSERT_NE(found, xlrd->Cells.end());
    EXPECT_EQ(found->Kind, 'T');
    EXPECT_EQ(found->Value, c.Text);
  }
}

// Every defined name of a file is kept: names of cells and names of formulas (constants,
// relative names, unions, intersections, names of #REF!), each with the page it belongs to (a
// page's own name, so that two pages may each have a "PaidDump"), hidden and built-in names,
// names holding "." or "\\". The cells that use them are formulas calculated from them. A save
// writes the names back with their pages and flags, as xlrd reads them, with the formulas'
// values; our reader reads the same names and formulas again.
TEST(TcxBookFile, KeepsDefinedNamesAndTheFormulasThatUseThem) {
  struct TName {
    const char* Name;
    int Scope;
    bool Hidden, BuiltIn;
    const char* Formula;  // NameFormulaText: a name of cells as its reference
  };
  struct TCell {
    int Page, Col, Row;
    const char* Formula;
    const char* Shows;
  };
  const struct {
    const char* File;
    std::vector<TName> Names;
    std::vector<TCell> Cells;
  } cases[] = {
      {"xlrd-namesdemo.xls",
       {{"LocalRange", 0, false, false, "=Sheet1!$A$1"},
        {"localRange", 1, false, false, "=Sheet2!$B$2"},
        {"Localrange", 2, false, false, "=Sheet3!$C$3"},
        {"Print_Titles", 2, false, true, "=Sheet3!$A$1:$A$65536,Sheet3!$A$1:$IV$1"},
        {"RelativePos", -1, false, false, "=Sheet1!A1:Z10"},
        {"all_local_ranges", -1, false, false,
         "=Sheet1!LocalRange,Sheet2!localRange,Sheet3!Localrange"},
        {"BottomLine", -1, false, false, "=Profit Year_Tot"},
        {"vrai", -1, false, false, "=TRUE"}},
       {{2, 0, 6, "=BottomLine", "9876"},
        {2, 0, 12, "=SUM(rectangle1:rectangle2)", "16383"},
        {2, 1, 12, "=SUM(Union)", "16383"},
        {2, 0, 13, "=SUM(rectangle1 rectangle2)", "192"},
        {2, 1, 13, "=SUM(Intersection)", "192"},
        {2, 1, 14, "=SUM(List)", "16575"},
        {2, 0, 18, "=PosFloat", "65536"},
        {2, 2, 23, "=numCatNum", "123456"},
        {2, 4, 26, "=twofivesix", "256"}}},
      {"poi-15228.xls",
       {{"PaidDump", -1, false, false, "='paid claim lag dump'!$B$3:$AL$38"},
        {"PaidDump", 1, false, false, "='reported claim lag dump'!$B$3:$AL$38"},
        {"AdjClaimLiab", -1, false, false, "=#REF!"}},
       {{9, 5, 8, "=IF($A9=\"\",\"\",VLOOKUP($A9,PaidDump,F$8+2,FALSE))", " 50,333 "}}},
      {"poi-29982.xls",
       {{"_FilterDatabase", 0, true, true, "=Plan1!$A$9:$K$168"},
        {"Z_42949398_7BEB_496B_AC82_6B9CD934298F_.wvu.FilterData", 0, true, false,
         "=Plan1!$A$9:$K$153"}},
       {}},
      {"poi-47034.xls",
       {{"Matthew\\Matthew11_1\\Matthew101_1___val", -1, false, false, "=Others!$B$196"}},
       {}},
  };
  const auto check = [](TcxCustomSpreadSheetBook& book, const auto& c) {
    TcxSSFormulasCache& formulas = book.FormulasCache();
    for (const TName& n : c.Names) {
      SCOPED_TRACE(n.Name);
      const int index = formulas.FindName(n.Name, n.Scope);
      ASSERT_GE(index, 0);
      const TcxSSNameDefinition& name = formulas.Names()[static_cast<size_t>(index)];
      EXPECT_EQ(name.Scope, n.Scope);
      EXPECT_EQ(name.Hidden, n.Hidden);
      EXPECT_EQ(name.BuiltIn, n.BuiltIn);
      EXPECT_EQ(formulas.NameFormulaText(index), n.Formula);
    }
    book.History().Lock();
    for (const TCell& cell : c.Cells) {
      SCOPED_TRACE(cell.Formula);
      TcxSSCellObject object(book.Pages(cell.Page).DataStorage(), cell.Col, cell.Row);
      EXPECT_TRUE(object.IsFormula());
      EXPECT_EQ(object.GetText(), cell.Formula);
      EXPECT_EQ(object.DisplayText(), cell.Shows);
    }
    book.History().Unlock();
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    auto book = MakeBook();
    const TLoadResult loaded = Load(book, CorpusDir() / c.File);
    check(book, c);
    // No cell keeps its value for want of a name.
    for (const TcxFormulaProblem& problem : loaded.Report.FormulaProblems)
      EXPECT_EQ(problem.Detail.find("the name "), std::string::npos) << problem.Detail;

    const auto saved = std::filesystem::path(ZOF_BINARY_DIR) / "names.xls";
    book.SaveToFile(saved.string());
    auto reloaded = MakeBook();
    Load(reloaded, saved);
    check(reloaded, c);
    if (!XlrdUnavailable().empty()) {
      std::filesystem::remove(saved);
      continue;
    }
    const auto xlrd = ReadWithXlrd(saved);
    std::filesystem::remove(saved);
    ASSERT_TRUE(xlrd);
    for (const TName& n : c.Names) {
      SCOPED_TRACE(n.Name);
      const auto found = std::find_if(xlrd->Names.begin(), xlrd->Names.end(), [&](const TXlrdName& x) {
        return x.Name == n.Name && x.Scope == n.Scope;
      });
      ASSERT_NE(found, xlrd->Names.end());
      EXPECT_EQ((found->Options & 0x01) != 0, n.Hidden);
      EXPECT_EQ((found->Options & 0x20) != 0, n.BuiltIn);
    }
    for (const TCell& cell : c.Cells) {
      SCOPED_TRACE(cell.Formula);
      const auto found = std::find_if(xlrd->Cells.begin(), xlrd->Cells.end(), [&](const TXlrdCell& x) {
        return x.Sheet == cell.Page && x.Col == cell.Col && x.Row == cell.Row;
      });
      ASSERT_NE(found, xlrd->Cells.end());
      const TValue ours = ValueOf(book, cell.Page, cell.Col, cell.Row);
      if (ours.IsNumber)
        EXPECT_TRUE(found->Kind == 'N' && SameNumber(std::stod(found->Value), ours.Number))
            << found->Value;
      else
        EXPECT_EQ(found->Value, ours.Text);
    }
  }
}

}  // namespace
