#include "xls/cxExcelFileReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>

#include "calc/cxSSDateTime.h"
#include "platform/FixedPlatform.h"
#include "platform/RegionalSettings.h"
#include "xls/cxCompoundDocument.h"
#include "xls/cxExcelFileWriter.h"
#include "xls/cxWorkBookWriter.h"
#include "xls/HostileFiles.h"
#include "xls/ReaderTestSupport.h"

using namespace readertest;

namespace {

struct TReadResult {
  bool Accepted = false;
  std::string Error;  // empty when read
  std::unique_ptr<TRecordingBook> Book = std::make_unique<TRecordingBook>();
  std::vector<TcxFormulaProblem> Problems;
  bool UnknownFunctions = false;
};

TReadResult ReadFile(const std::filesystem::path& path,
                     const TRegionalSettings& settings = TRegionalSettings::English()) {
  TReadResult result;
  TcxExcelFileReader reader(*result.Book, settings);
  result.Accepted = reader.AcceptFile(ReadFileBytes(path));
  if (!result.Accepted) return result;
  try {
    reader.ReadAll();
  } catch (const TcxExcelReadError& e) {
    result.Error = e.what();
  }
  result.Problems = reader.FormulaProblems();
  result.UnknownFunctions = reader.HasUnknownFunctions();
  return result;
}

std::string Where(const TXlrdCell& c) {
  return "sheet " + std::to_string(c.Sheet) + " R" + std::to_string(c.Row + 1) + "C" +
         std::to_string(c.Col + 1);
}

bool SameNumber(double a, double b) {
  return a == b || std::fabs(a - b) <= 1e-14 * std::max(std::fabs(a), std::fabs(b));
}

// Every difference between what the reader handed the workbook and what xlrd reads. Formula
// cells are compared by the value they keep when the workbook cannot hold their formula;
// formulas handed over as text are counted in `formulas`.
std::vector<std::string> CompareWithXlrd(const TRecordingBook& book, const TXlrdBook& xlrd,
                                         int& formulas) {
  std::vector<std::string> diffs;
  formulas = 0;
  if (book.GetPageCount() != static_cast<int>(xlrd.Sheets.size())) {
    diffs.push_back("pages: " + std::to_string(book.GetPageCount()) + " xlrd " +
                    std::to_string(xlrd.Sheets.size()));
    return diffs;
  }
  for (size_t i = 0; i < xlrd.Sheets.size(); ++i) {
    if (book.Sheets[i]->Caption != xlrd.Sheets[i].Name)
      diffs.push_back("sheet " + std::to_string(i) + " name " + book.Sheets[i]->Caption +
                      " xlrd " + xlrd.Sheets[i].Name);
    if (book.Visible[i] != (xlrd.Sheets[i].Visibility == 0))
      diffs.push_back("sheet " + std::to_string(i) + " visibility");
  }
  std::set<std::tuple<int, int, int>> seen;
  for (const TXlrdCell& x : xlrd.Cells) {
    seen.insert({x.Sheet, x.Row, x.Col});
    const TRecordedCell* ours = book.Sheet(x.Sheet).Find(x.Col, x.Row);
    if (!ours || !ours->HasText) {
      if (x.Kind == 'T' && x.Value.empty()) continue;  // an empty text is no text
      diffs.push_back(Where(x) + ": missing, xlrd " + x.Value);
      continue;
    }
    if (ours->AsFormula) {
      ++formulas;
      continue;
    }
    std::string expected;
    switch (x.Kind) {
      case 'T':
        expected = x.Value;
        break;
      case 'B':
        expected = x.Value == "1" ? "TRUE" : "FALSE";
        break;
      case 'E':
        expected = std::string(ErrorCodeToText(std::stoi(x.Value)));
        break;
      case 'N':
      case 'D': {
        const double value = ours->Number.value_or(0);
        // Dates too: the workbook keeps the file's date system and its serials.
        if (!ours->Number) {
          diffs.push_back(Where(x) + ": " + ours->Text + " xlrd number " + x.Value);
        } else if (!SameNumber(value, std::stod(x.Value))) {
          diffs.push_back(Where(x) + ": " + std::to_string(value) + " xlrd " + x.Value);
        }
        continue;
      }
    }
    if (ours->Text != expected) diffs.push_back(Where(x) + ": " + ours->Text + " xlrd " + expected);
  }
  for (size_t page = 0; page < book.Sheets.size(); ++page)
    for (const auto& [key, cell] : book.Sheets[page]->Cells)
      if (cell.HasText && (!cell.Text.empty() || cell.Number) &&
          !seen.count({static_cast<int>(page), key.first, key.second}))
        diffs.push_back("sheet " + std::to_string(page) + " R" + std::to_string(key.first + 1) +
                        "C" + std::to_string(key.second + 1) + ": " + cell.Text + ", xlrd empty");

  std::set<std::tuple<int, int, int, int, int>> ourMerges, xlrdMerges;
  for (size_t page = 0; page < book.Sheets.size(); ++page)
    for (const TRect& r : book.Sheets[page]->Merges)
      ourMerges.insert({static_cast<int>(page), r.Left, r.Top, r.Right, r.Bottom});
  for (const auto& [page, r] : xlrd.Merges)
    if (r.Left != r.Right || r.Top != r.Bottom)  // a one-cell merge changes nothing
      xlrdMerges.insert({page, r.Left, r.Top, r.Right, r.Bottom});
  // Column widths and row heights in pixels at 96 pixels per inch, rows no taller than 409.5
  // points; every row keeps the height the file stores, automatic unless the user set it.
  for (const TXlrdHeaderItem& x : xlrd.HeaderItems) {
    if (x.Kind == 0 && x.Index > 255) continue;
    const auto& items = book.Sheet(x.Sheet).Headers[x.Kind];
    const auto it = items.find(x.Index);
    const std::string what = (x.Kind == 0 ? "column " : "row ") + std::to_string(x.Index) +
                             " of sheet " + std::to_string(x.Sheet);
    const int size = static_cast<int>(
        std::lround(x.Kind == 0 ? x.Size / 36.6 : std::min(x.Size, 8190) / 20.0 * 1.325));
    if (it == items.end())
      diffs.push_back(what + ": not set");
    else if (it->second.Size != size || it->second.Visible == x.Hidden)
      diffs.push_back(what + ": size " + std::to_string(it->second.Size) + " xlrd " +
                      std::to_string(size));
    else if (x.Kind == 1 && it->second.Automatic == x.CustomHeight)
      diffs.push_back(what + (x.CustomHeight ? ": set by the user, read as automatic"
                                             : ": automatic, read as set by the user"));
  }
  if (book.Palette)
    for (const auto& [index, color] : xlrd.Palette)
      if ((*book.Palette)[static_cast<size_t>(index)] != color)
        diffs.push_back("palette entry " + std::to_string(index));
  // Every name of cells defined is one xlrd reads as that rectangle of that sheet.
  for (const TRecordedName& ours : book.Names) {
    if (ours.IsFormula) continue;
    const auto it = std::find_if(xlrd.Names.begin(), xlrd.Names.end(), [&](const TXlrdName& n) {
      return n.Name == ours.Name && n.Sheet == ours.Page && n.Area == ours.Area;
    });
    if (it == xlrd.Names.end())
      diffs.push_back("name " + ours.Name);
  }
  if (ourMerges != xlrdMerges)
    diffs.push_back("merged ranges: " + std::to_string(ourMerges.size()) + " xlrd " +
                    std::to_string(xlrdMerges.size()));
  return diffs;
}

class ExcelReaderCorpus : public testing::TestWithParam<std::filesystem::path> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ExcelReaderCorpus);

TEST_P(ExcelReaderCorpus, ReadsWhatXlrdReads) {
  const TReadResult result = ReadFile(GetParam());
  ASSERT_TRUE(result.Accepted);
  ASSERT_EQ(result.Error, "");
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const auto xlrd = ReadWithXlrd(GetParam());
  ASSERT_TRUE(xlrd) << "xlrd cannot read " << GetParam();
  int formulas = 0;
  const auto diffs = CompareWithXlrd(*result.Book, *xlrd, formulas);
  std::ostringstream shown;
  for (size_t i = 0; i < diffs.size() && i < 20; ++i) shown << "\n  " << diffs[i];
  EXPECT_TRUE(diffs.empty()) << diffs.size() << " differences:" << shown.str();
}

INSTANTIATE_TEST_SUITE_P(Corpus, ExcelReaderCorpus, testing::ValuesIn(CorpusFiles()),
                         [](const auto& info) { return TestName(info.param); });

}  // namespace

namespace {

// --- The fail set and the damaged files that are still readable --------------------------------

enum TOutcome { kNotAccepted, kReadError, kLoads };

struct TFailCase {
  const char* File;
  TOutcome Outcome;
  const char* Error = "";
  // xlrd refuses the workbook stream, which LibreOffice and Gnumeric read as we do.
  bool XlrdRefuses = false;
};

// What each file of the fail set gives. "Not accepted": the container holds no usable BIFF8
// workbook stream (the workbook says "Invalid stream format" and stays as it was). "Read error":
// the stream is damaged or encrypted (the workbook says "Invalid stream format" and keeps one
// empty sheet). "Loads": the damage lies outside the workbook records, which are intact and read
// as xlrd reads them.
const TFailCase kFailSet[] = {
    {"malformed/libxls-xls2csv_ole_ole2_fread_327.xls", kNotAccepted},
    {"malformed/libxls-xls2csv_ole_read_MSAT_772.xls", kNotAccepted},
    {"malformed/libxls-xls2csv_ole_read_MSAT_body_637.xls", kLoads},
    {"malformed/libxls-xls2csv_ole_read_MSAT_body_687.xls", kNotAccepted},
    {"malformed/poi-42464-ExpPtg-bad.xls", kLoads},
    // The string table claims 1,761 strings and holds none; no cell uses one.
    {"malformed/poi-57456.xls", kLoads, "", true},
    {"malformed/poi-61300.xls", kReadError, "a record runs past the end of the stream"},
    {"malformed/poi-WrongFormulaRecordType.xls", kLoads},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-4657005060816896.xls", kReadError,
     "a FORMAT record is cut short"},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-5786329142919168.xls", kNotAccepted},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-5816431116615680.xls", kReadError,
     "a BOUNDSHEET record does not point at a BOF record"},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-5889658057523200.xls", kNotAccepted},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6137883240824832.xls", kNotAccepted},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6322470200934400.xls", kNotAccepted},
    {"malformed/poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6537773940867072.xls", kNotAccepted},
    {"malformed/poi-poi-fuzz.xls", kLoads},
    {"malformed/sheetjs-phpexcel_bad_cfb_dir.xls", kLoads},
    {"malformed/xlrd-corrupted_error.xls", kLoads},
    {"encrypted/poi-password.xls", kReadError, "the workbook is encrypted"},
    {"encrypted/poi-xor-encryption-abc.xls", kReadError, "the workbook is encrypted"},
    {"encrypted/sheetjs-password_2002_128_strong.xls", kReadError, "the workbook is encrypted"},
    {"old-biff/libxls-biff5-label-records.xls", kNotAccepted},
    {"old-biff/poi-testEXCEL_3.xls", kNotAccepted},
    {"old-biff/poi-testEXCEL_4.xls", kNotAccepted},
    {"old-biff/poi-testEXCEL_5.xls", kNotAccepted},
    {"old-biff/poi-testEXCEL_95.xls", kNotAccepted},
};

TEST(TcxExcelFileReader, TheFailSetIsRefusedOrReadAsDocumented) {
  for (const TFailCase& c : kFailSet) {
    SCOPED_TRACE(c.File);
    const TReadResult result = ReadFile(CorpusDir() / c.File);
    switch (c.Outcome) {
      case kNotAccepted:
        EXPECT_FALSE(result.Accepted);
        EXPECT_EQ(result.Book->GetPageCount(), 0);
        break;
      case kReadError:
        EXPECT_TRUE(result.Accepted);
        EXPECT_EQ(result.Error, c.Error);
        break;
      case kLoads:
        EXPECT_TRUE(result.Accepted);
        EXPECT_EQ(result.Error, "");
        EXPECT_GT(result.Book->GetPageCount(), 0);
        break;
    }
  }
}

// The readable damaged files against xlrd; for the two whose container xlrd refuses, xlrd reads
// the workbook stream we took out of it, put into a sound container.
TEST(TcxExcelFileReader, DamagedFilesWithIntactRecordsReadWhatXlrdReads) {
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  for (const TFailCase& c : kFailSet) {
    if (c.Outcome != kLoads || c.XlrdRefuses) continue;
    SCOPED_TRACE(c.File);
    const auto path = CorpusDir() / c.File;
    const TReadResult result = ReadFile(path);
    auto xlrd = ReadWithXlrd(path);
    if (!xlrd) {
      TcxWorkBookReader container(ReadFileBytes(path));
      ASSERT_TRUE(container.Loaded());
      const auto copy = std::filesystem::path(ZOF_BINARY_DIR) / ("xlrd-" + path.filename().string());
      const auto bytes = WriteCompoundDocument(container.Buffer());
      std::ofstream(copy, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      xlrd = ReadWithXlrd(copy);
      std::filesystem::remove(copy);
    }
    ASSERT_TRUE(xlrd);
    int formulas = 0;
    const auto diffs = CompareWithXlrd(*result.Book, *xlrd, formulas);
    std::string shown;
    for (size_t i = 0; i < diffs.size() && i < 30; ++i) shown += "\n  " + diffs[i];
    EXPECT_TRUE(diffs.empty()) << diffs.size() << " differences:" << shown;
  }
}

}  // namespace

namespace {

// --- What the reader hands the workbook ---------------------------------------------------------

const TRecordedCell& CellOf(const TReadResult& result, int page, int col, int row) {
  static const TRecordedCell kNone;
  const TRecordedCell* cell = result.Book->Sheet(page).Find(col, row);
  return cell ? *cell : kNone;
}

// Formulas with functions outside the library keep their values and set the flag the workbook
// reports as "Stream has unknown function's": sheetjs-formula_stress_test.xls calls functions
// newer than the file format (AGGREGATE, ...) beside ones the library has.
TEST(TcxExcelFileReader, UnknownFunctionsKeepTheirValuesAndAreReported) {
  const TReadResult result = ReadFile(CorpusDir() / "sheetjs-formula_stress_test.xls");
  ASSERT_EQ(result.Error, "");
  EXPECT_TRUE(result.UnknownFunctions);
  std::set<std::string> unknown;
  for (const auto& p : result.Problems)
    if (p.Kind == fpUnknownFunction) unknown.insert(p.Detail);
  EXPECT_FALSE(unknown.empty());
  // Functions of the library are never reported, whether built in or add-ins.
  EXPECT_EQ(unknown.count("_xlfn.AGGREGATE"), 1u);
  for (const char* known : {"VLOOKUP", "YEARFRAC", "EDATE", "NETWORKDAYS", "INFO", "GETPIVOTDATA",
                            "JIS", "YEN"})
    EXPECT_EQ(unknown.count(known), 0u) << known;
  for (const auto& p : result.Problems) {
    SCOPED_TRACE(p.Detail);
    EXPECT_FALSE(CellOf(result, p.Page, p.Col, p.Row).AsFormula);
  }
}

// A shared formula's first cell comes before its SHRFMLA record, and two shared ranges may
// overlap: each cell takes the formula its own record points at.
TEST(TcxExcelFileReader, CellsTakeTheSharedFormulaTheyPointAt) {
  const TReadResult result = ReadFile(CorpusDir() / "poi-overlapSharedFormula.xls");
  ASSERT_EQ(result.Error, "");
  //  sheet 2, column A:  A1 =1+1 (own)  A2:A3 shared "1+1"  A4 =2+2 (own)  A5:A14 shared "2+2"
  //                      A15:A24 shared "1+1" again (the first range overlaps the second)
  const struct {
    int Row;
    const char* Text;
  } cases[] = {{0, "=1+1"}, {1, "=1+1"}, {3, "=2+2"}, {4, "=2+2"}, {13, "=2+2"}, {14, "=1+1"}, {23, "=1+1"}};
  for (const auto& c : cases) {
    const TRecordedCell& cell = CellOf(result, 1, 0, c.Row);
    EXPECT_EQ(cell.Text, c.Text) << c.Row;
    EXPECT_TRUE(cell.AsFormula) << c.Row;
    EXPECT_EQ(cell.TextCount, 1) << c.Row;  // set once, not overwritten by an overlapping range
  }
}

// Shared formulas settle in time linear in the file, wherever their records come (made by
// make_hostile.py; column A holds numbers, column B the formula cells):
//   shared-after   B1 … B20000 each point at a shared formula =A+1 of its own that comes after
//                  all the cells (cubic once: 8,000 cells took 41 s)
//   shared-inside  B1 … B20000 point at the second cell of their two-cell shared formula =A+1;
//                  a shared formula =A+2 over them all comes later in the file and loses
//   exp-missing    160,000 cells point at shared formulas that never come (quadratic once:
//                  99 s): each keeps its cached value and is reported
TEST(TcxExcelFileReader, SharedFormulasSettleWhereverTheirRecordsCome) {
  const struct {
    const char* Kind;
    int Count;
    int Cells;
    bool Missing;
  } cases[] = {{"shared-after", 20000, 20000, false},
               {"shared-inside", 10000, 20000, false},
               {"exp-missing", 160000, 160000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Kind);
    const hostiletest::THostileFile file(c.Kind, c.Count);
    const TReadResult result = ReadFile(file.Path());
    ASSERT_EQ(result.Error, "");
    const int col = c.Missing ? 0 : 1;
    int wrong = 0;
    for (int i = 0; i < c.Cells; ++i) {
      // exp-missing fills column A, then B, … from row 1.
      const int row = c.Missing ? i % 65536 : i;
      const TRecordedCell& cell = CellOf(result, 0, c.Missing ? i / 65536 : col, row);
      const std::string expected = c.Missing ? "" : "=A" + std::to_string(row + 1) + "+1";
      if (cell.AsFormula == c.Missing || cell.Text != expected) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    const size_t missing =
        std::count_if(result.Problems.begin(), result.Problems.end(),
                      [](const auto& p) { return p.Kind == fpMissingSharedFormula; });
    EXPECT_EQ(missing, c.Missing ? size_t(c.Cells) : 0u);
    EXPECT_EQ(result.Problems.size(), missing);
  }
}

struct TStyleCase {
  const char* File;
  int Col;
  int Row;
  TcxSSColor FontColor;
  TcxSSFillStyle Brush;
  TcxSSColor Background;
  TcxSSEdgeLineStyle Edge;  // all four edges
};

// Cell formats as xlrd reads them: poi-55341_CellStyleBorder.xls has black text (colour 8) and
// one border style per cell on its diagonal; poi-SimpleWithColours.xls red text (colour 10), a
// solid fill in colour 11 and pink text (colour 14).
TEST(TcxExcelFileReader, CellFormatsBecomeStyleRecords) {
  const TStyleCase cases[] = {
      {"poi-55341_CellStyleBorder.xls", 0, 0, 0, fsSolid, kColorAuto, lsHair},
      {"poi-55341_CellStyleBorder.xls", 1, 1, 0, fsSolid, kColorAuto, lsDotted},
      {"poi-55341_CellStyleBorder.xls", 9, 9, 0, fsSolid, kColorAuto, lsMedium},
      {"poi-55341_CellStyleBorder.xls", 11, 11, 0, fsSolid, kColorAuto, lsDouble},
      {"poi-55341_CellStyleBorder.xls", 6, 6, 0, fsSolid, kColorAuto, lsSlantedDashDot},
      {"poi-SimpleWithColours.xls", 0, 1, 2, fsSolid, kColorAuto, lsDefault},
      {"poi-SimpleWithColours.xls", 0, 2, 2, fsSolid, 3, lsDefault},
      {"poi-SimpleWithColours.xls", 0, 3, 6, fsSolid, kColorAuto, lsDefault},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " " + std::to_string(c.Col) + "," + std::to_string(c.Row));
    const TReadResult result = ReadFile(CorpusDir() / c.File);
    const TRecordedCell& cell = CellOf(result, 0, c.Col, c.Row);
    ASSERT_TRUE(cell.Style && cell.Font);
    EXPECT_EQ(cell.Font->FontColor, c.FontColor);
    EXPECT_EQ(cell.Style->BrushStyle, c.Brush);
    EXPECT_EQ(cell.Style->BackgroundColor, c.Background);
    for (const auto& edge : cell.Style->Edges) EXPECT_EQ(edge.Style, c.Edge);
  }
}

// Number formats as the files give them: a FORMAT record's string becomes the code of the cells
// that use it, classified into a built-in index; a FORMAT record for a built-in index (the
// currency formats of poi-florida_data.ashx.xls) keeps that index; a built-in index without a
// string of the file's own has no code.
TEST(TcxExcelFileReader, FormatRecordsBecomeTheCellsFormatCodes) {
  constexpr uint16_t kNone = TcxNumberFormat::kNoBuiltIn;
  const struct {
    const char* File;
    int Col, Row;
    TxlsDataFormat Format;
    const char* Code;  // nullptr: none
    uint16_t BuiltIn;
  } cases[] = {
      {"xlrd-Formate.xls", 1, 0, 14, "DD/MM/YYYY", kNone},
      {"xlrd-Formate.xls", 1, 2, 14, "DDDD\", \"MMMM\\ DD\", \"YYYY", kNone},
      {"xlrd-Formate.xls", 1, 5, 21, "H:MM:SS\\ AM/PM", kNone},
      {"xlrd-Formate.xls", 1, 6, 10, "0.0%", kNone},
      {"poi-florida_data.ashx.xls", 13, 4, 7,
       "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"\?\?_);_(@_)", kNone},
      {"poi-florida_data.ashx.xls", 0, 0, 44,
       "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"\?\?_);_(@_)", 44},
      {"sheetjs-number_format.xls", 1, 3, 2, nullptr, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " " + std::to_string(c.Col) + "," + std::to_string(c.Row));
    const TReadResult result = ReadFile(CorpusDir() / c.File);
    const TRecordedCell& cell = CellOf(result, 0, c.Col, c.Row);
    ASSERT_TRUE(cell.Style);
    EXPECT_EQ(cell.Style->Format, c.Format);
    EXPECT_EQ(cell.FormatCode.has_value(), c.Code != nullptr);
    if (!c.Code || !cell.FormatCode) continue;
    EXPECT_EQ(*cell.FormatCode, c.Code);
    EXPECT_EQ(cell.FormatBuiltIn, c.BuiltIn);
  }
}

// Alignment, rotation, indent and font height as xlrd reads them from real files: centre across
// selection stays itself (it was read as centre), stacked letters (255) and 90 degrees keep their
// rotation, an indent of 1 stays, and fonts of 8.5 and 9.75 points keep their twips (they were
// rounded to whole points).
TEST(TcxExcelFileReader, AlignmentsRotationsIndentsAndFontHeightsAreKept) {
  const struct {
    const char* File;
    int Page, Col, Row;
    TcxHorzTextAlign Horz;
    TcxVertTextAlign Vert;
    uint8_t Rotation, Indent;
    bool Wrap;
    int16_t Height;
  } cases[] = {
      {"poi-15228.xls", 6, 1, 5, haCENTERACROSS, vaCENTER, 0, 0, false, 200},
      {"poi-FormulaEvalTestData.xls", 0, 0, 5, haGENERAL, vaCENTER, kRotationStacked, 0, false, 200},
      {"poi-florida_data.ashx.xls", 4, 9, 60, haCENTER, vaCENTER, 90, 0, false, 180},
      {"poi-florida_data.ashx.xls", 4, 0, 2, haLEFT, vaBOTTOM, 0, 1, false, 220},
      {"poi-29982.xls", 0, 0, 8, haLEFT, vaCENTER, 0, 0, true, 170},
      {"poi-BOOK_in_capitals.xls", 0, 1, 5, haGENERAL, vaCENTER, 0, 0, false, 195},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " " + std::to_string(c.Col) + "," + std::to_string(c.Row));
    const TReadResult result = ReadFile(CorpusDir() / c.File);
    const TRecordedCell& cell = CellOf(result, c.Page, c.Col, c.Row);
    ASSERT_TRUE(cell.Style && cell.Font);
    EXPECT_EQ(cell.Style->HorzTextAlign, c.Horz);
    EXPECT_EQ(cell.Style->VertTextAlign, c.Vert);
    EXPECT_EQ(cell.Style->Rotation, c.Rotation);
    EXPECT_EQ(cell.Style->Indent, c.Indent);
    EXPECT_EQ(cell.Style->WordBreak, c.Wrap);
    EXPECT_EQ(cell.Font->Height, c.Height);
  }
}

TEST(TcxExcelFileReader, TheDefaultCellFormatBecomesTheDefaultStyle) {
  const TReadResult result = ReadFile(CorpusDir() / "poi-55341_CellStyleBorder.xls");
  ASSERT_TRUE(result.Book->DefaultStyle && result.Book->DefaultFont);
  EXPECT_EQ(result.Book->DefaultFont->Name, "Calibri");
  EXPECT_EQ(result.Book->DefaultFont->Size(), 11);
  EXPECT_EQ(result.Book->DefaultStyle->VertTextAlign, vaBOTTOM);
  // Cells in the default format get no style of their own.
  EXPECT_FALSE(CellOf(result, 0, 1, 0).Style);
}

TEST(TcxExcelFileReader, ReportsProgressUpTo100) {
  TRecordingBook book;
  TcxExcelFileReader reader(book, TRegionalSettings::English());
  std::vector<int> reported;
  reader.OnProgress = [&](TcxExcelFileReader&, int percent) { reported.push_back(percent); };
  ASSERT_TRUE(reader.AcceptFile(ReadFileBytes(CorpusDir() / "poi-56563a.xls")));
  reader.ReadAll();
  ASSERT_GT(reported.size(), 10u);
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  EXPECT_EQ(std::adjacent_find(reported.begin(), reported.end()), reported.end());
  EXPECT_EQ(reported.back(), 100);
}

}  // namespace

namespace {

// --- Fixtures written by our own writer, patched where a test needs what writers in the wild do --

// The workbook stream of one sheet "List" written by our writer; `cells` fills the sheet.
std::vector<uint8_t> WrittenStream(const std::function<void(TcxExcelFileWriter&, int sheet)>& cells) {
  static TcxSSFontRec font = [] {
    TcxSSFontRec f;
    f.Name = "Arial";
    f.Height = 200;
    return f;
  }();
  TcxSSStyleRec defaultRec;
  defaultRec.Font = &font;
  TcxExcelFileWriter writer(MakeFixedEnvironment(TRegionalSettings::English()));
  writer.SetPageCount(1);
  writer.WritePalette(kDefaultPalette);
  writer.WriteProtection(-1, false);
  writer.WriteDefaultStyle(defaultRec);
  const int sheet = writer.BeginSheet("List", true, 1);
  writer.WriteProtection(sheet, false);
  writer.WriteDefaultColWidth(sheet, 85);
  writer.RegisterStyle(defaultRec);
  cells(writer, sheet);
  return writer.WorkbookStream();
}

// The offset of the data of the first record `id` in a workbook stream.
size_t RecordData(const std::vector<uint8_t>& stream, uint16_t id) {
  for (size_t pos = 0; pos + 4 <= stream.size();) {
    const uint16_t at = static_cast<uint16_t>(stream[pos] | stream[pos + 1] << 8);
    const size_t length = static_cast<size_t>(stream[pos + 2] | stream[pos + 3] << 8);
    if (at == id) return pos + 4;
    pos += 4 + length;
  }
  ADD_FAILURE() << "no record " << std::hex << id;
  return 0;
}

void Patch32(std::vector<uint8_t>& stream, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) stream.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

TReadResult ReadStream(std::vector<uint8_t> stream) {
  TReadResult result;
  TcxExcelFileReader reader(*result.Book, TRegionalSettings::English());
  result.Accepted = reader.AcceptWorkbookStream(std::move(stream));
  try {
    reader.ReadAll();
  } catch (const TcxExcelReadError& e) {
    result.Error = e.what();
  }
  return result;
}

// A shared string table whose header claims more strings than follow (real tools write 7,668
// where 892 follow) is read by the strings present, as LibreOffice and Gnumeric read it; a cell
// that names a string beyond them still makes the file fail.
TEST(TcxExcelFileReader, AStringTableThatOverstatesItsCountIsReadByTheStringsPresent) {
  const auto write = [](TcxExcelFileWriter& w, int sheet) {
    w.WriteCell(sheet, 0, true, std::string_view("jedan"), 0);
    w.WriteCell(sheet, 0, true, std::string_view("dva"), 1);
    w.WriteCell(sheet, 1, true, std::string_view("jedan"), 2);
  };
  for (const uint32_t claimed : {2u, 3u, 7668u}) {
    SCOPED_TRACE(claimed);
    std::vector<uint8_t> stream = WrittenStream(write);
    Patch32(stream, RecordData(stream, 0x00FC) + 4, claimed);
    const TReadResult result = ReadStream(std::move(stream));
    ASSERT_EQ(result.Error, "");
    EXPECT_EQ(CellOf(result, 0, 0, 0).Text, "jedan");
    EXPECT_EQ(CellOf(result, 0, 0, 1).Text, "dva");
    EXPECT_EQ(CellOf(result, 0, 1, 2).Text, "jedan");
  }
  // A cell that names string 5 of the 2 present.
  std::vector<uint8_t> stream = WrittenStream(write);
  Patch32(stream, RecordData(stream, 0x00FC) + 4, 7668);
  Patch32(stream, RecordData(stream, 0x00FD) + 6, 5);
  EXPECT_EQ(ReadStream(std::move(stream)).Error, "a LABELSST record names string 5 of 2");
}

}  // namespace
