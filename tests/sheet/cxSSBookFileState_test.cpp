// What a load and a save keep of a workbook beyond its cells: the date system, the palette, how
// sheets are hidden, protection with its password, column widths and row heights in the file's
// own units, and how sheets are viewed. Each is read back from the saved file by python3-xlrd
// where xlrd reads it, and by our own reader.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleTypes.h"
#include "xls/BiffTestSupport.h"
#include "xls/ReaderTestSupport.h"
#include "xls/cxCompoundDocument.h"
#include "xls/cxExcelFileWriter.h"
#include "xls/cxExcelUnits.h"

using namespace readertest;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<TcxSpreadSheetBook> MakeBook() {
  return std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
}

void LoadStream(TcxCustomSpreadSheetBook& book, std::istream& stream) {
  try {
    book.LoadFromStream(stream);
  } catch (const ESpreadSheetUnknownFunctions&) {
  }
}

std::unique_ptr<TcxSpreadSheetBook> Load(const fs::path& path) {
  auto book = MakeBook();
  std::ifstream in(path, std::ios::binary);
  LoadStream(*book, in);
  return book;
}

// The workbook saved and loaded again.
std::unique_ptr<TcxSpreadSheetBook> Reloaded(TcxCustomSpreadSheetBook& book) {
  std::stringstream file;
  book.SaveToStream(file);
  auto reloaded = MakeBook();
  LoadStream(*reloaded, file);
  return reloaded;
}

// The workbook saved as a file for xlrd; removed with the object.
class TSavedFile {
public:
  TSavedFile(TcxCustomSpreadSheetBook& book, const std::string& name)
      : path_(fs::path(ZOF_BINARY_DIR) / ("state-" + name + ".xls")) {
    book.SaveToFile(path_.string());
  }
  ~TSavedFile() { fs::remove(path_); }
  const fs::path& Path() const { return path_; }

private:
  fs::path path_;
};

TcxSSCellObject Cell(TcxCustomSpreadSheetBook& book, int col, int row, int page = 0) {
  return TcxSSCellObject(book.Pages(page).DataStorage(), col, row);
}

double NumberOf(TcxCustomSpreadSheetBook& book, int col, int row, int page = 0) {
  const TcxSSCellRec* cell = book.Pages(page).DataStorage().FindCell(col, row);
  if (!cell) return -1e300;
  if (cell->Kind == ckNumber) return cell->Number;
  if (cell->Kind == ckFormula) return book.FormulasCache().ResultValue(*cell->Formula).Number;
  double x = 0;
  return TryTextToFloat(cell->Text, x, book.Settings()) ? x : -1e300;
}

const TXlrdCell* XlrdCell(const TXlrdBook& xlrd, int sheet, int col, int row) {
  for (const TXlrdCell& c : xlrd.Cells)
    if (c.Sheet == sheet && c.Col == col && c.Row == row) return &c;
  return nullptr;
}

// --- 1904 date system ----------------------------------------------------------------------------

// xlwt's dates1904: A1 the date 2000-01-01 (1904 serial 35064), A2 =A1+1, A3 =DATE(2000,1,1),
// A4 =YEAR(A1). The workbook keeps the file's serials and its date system: dates show, are typed
// and calculate in it, and the save writes it (before, the flag was dropped and every date of
// the saved file moved by 1,462 days).
TEST(BookFileState, A1904WorkbookKeepsItsDateSystem) {
  if (!XlwtUnavailable().empty()) GTEST_SKIP() << XlwtUnavailable();
  const fs::path fixture = XlwtFixture("dates1904");
  ASSERT_FALSE(fixture.empty());
  auto book = Load(fixture);
  ASSERT_TRUE(book->Date1904());
  EXPECT_EQ(NumberOf(*book, 0, 0), 35064);
  EXPECT_EQ(NumberOf(*book, 0, 1), 35065);
  EXPECT_EQ(NumberOf(*book, 0, 2), 35064);
  EXPECT_EQ(NumberOf(*book, 0, 3), 2000);

  // Calculated and typed in the workbook's own system (1904-01-01 is serial 0, a Friday).
  const struct {
    const char* Input;
    double Value;
  } cases[] = {
      {"=DATE(1904,1,2)", 1},          {"=YEAR(0)", 1904},
      {"=DAY(59)", 29},                {"=WEEKDAY(0)", 6},
      {"=EDATE(1,1)", 32},             {"=EOMONTH(0,0)", 30},
      {"=WORKDAY(0,1)", 3},            {"=NETWORKDAYS(0,6)", 5},
      {"=DATEVALUE(\"3/1/1904\")", 60}, {"=DATEDIF(0,366,\"Y\")", 1},
      {"=COUPNCD(0,366,1)", 366},      {"3/1/1904", 60},
      {"=VALUE(TEXT(35064,\"yyyymmdd\"))", 20000101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Input);
    Cell(*book, 2, 0).SetText(c.Input);
    EXPECT_EQ(NumberOf(*book, 2, 0), c.Value);
  }
  Cell(*book, 2, 0).SetText("");

  // The same dates in a workbook of the 1900 system.
  auto other = MakeBook();
  Cell(*other, 0, 0).SetText("=DATE(2000,1,1)");
  Cell(*other, 0, 1).SetText("3/1/1904");
  EXPECT_EQ(NumberOf(*other, 0, 0), 36526);
  EXPECT_EQ(NumberOf(*other, 0, 1), 1522);

  const auto reloaded = Reloaded(*book);
  EXPECT_TRUE(reloaded->Date1904());
  EXPECT_EQ(NumberOf(*reloaded, 0, 0), 35064);
  EXPECT_EQ(NumberOf(*reloaded, 0, 3), 2000);
  EXPECT_FALSE(Reloaded(*other)->Date1904());

  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const TSavedFile saved(*book, "1904");
  const auto xlrd = ReadWithXlrd(saved.Path());
  ASSERT_TRUE(xlrd);
  EXPECT_EQ(xlrd->DateMode, 1);
  const TXlrdCell* a1 = XlrdCell(*xlrd, 0, 0, 0);
  ASSERT_TRUE(a1);
  EXPECT_EQ(a1->Date, "2000-01-01 00:00:00");
}

// --- Palette -----------------------------------------------------------------------------------

// A workbook stream with its PALETTE record replaced by one of `colors` (the first entries only,
// as some writers give it), the BOUNDSHEET offsets moved with the records after it.
std::vector<uint8_t> WithShortPalette(std::vector<uint8_t> stream, const std::vector<TColor>& colors) {
  std::vector<uint8_t> record = {0x92, 0x00, 0, 0, static_cast<uint8_t>(colors.size()), 0};
  for (const TColor c : colors)
    for (int i = 0; i < 4; ++i) record.push_back(static_cast<uint8_t>(c >> (8 * i)));
  record[2] = static_cast<uint8_t>(record.size() - 4);
  const auto records = bifftest::Records(stream);
  const auto palette = std::find_if(records.begin(), records.end(),
                                    [](const bifftest::TRec& r) { return r.Id == 0x0092; });
  EXPECT_NE(palette, records.end());
  const size_t at = palette->Offset;
  const size_t oldSize = 4 + palette->Data.size();
  const auto delta = static_cast<int64_t>(record.size()) - static_cast<int64_t>(oldSize);
  for (const bifftest::TRec& r : records) {
    if (r.Id != 0x0085) continue;
    const uint32_t position = r.U32(0) + static_cast<uint32_t>(delta);
    for (int i = 0; i < 4; ++i) stream[r.Offset + 4 + i] = static_cast<uint8_t>(position >> (8 * i));
  }
  stream.erase(stream.begin() + static_cast<ptrdiff_t>(at),
               stream.begin() + static_cast<ptrdiff_t>(at + oldSize));
  stream.insert(stream.begin() + static_cast<ptrdiff_t>(at), record.begin(), record.end());
  return stream;
}

// A PALETTE record of three colours: the workbook takes them and keeps the default colours for
// the other 53 (before, a short palette was dropped whole, so the file's own colours showed as
// the defaults), and the save writes all 56 so that every colour shows as before.
TEST(BookFileState, AShortPaletteKeepsTheDefaultColoursForTheRest) {
  auto original = MakeBook();
  Cell(*original, 0, 0).SetText("boja");
  std::stringstream file;
  original->SaveToStream(file);
  const std::string bytes = file.str();
  TcxWorkBookReader container(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  ASSERT_TRUE(container.Loaded());
  const std::vector<TColor> given = {RGBColor(0, 0, 128), RGBColor(255, 255, 255),
                                     RGBColor(12, 34, 56)};
  const std::vector<uint8_t> stream = WithShortPalette(
      std::vector<uint8_t>(container.Buffer().begin(), container.Buffer().end()), given);
  const std::vector<uint8_t> patched = WriteCompoundDocument(stream);
  std::istringstream in(std::string(patched.begin(), patched.end()));
  auto book = MakeBook();
  book->LoadFromStream(in);
  std::array<TColor, 56> expected = kDefaultPalette;
  std::copy(given.begin(), given.end(), expected.begin());
  EXPECT_EQ(book->Palette(), expected);
  EXPECT_EQ(Reloaded(*book)->Palette(), expected);

  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const TSavedFile saved(*book, "palette");
  const auto xlrd = ReadWithXlrd(saved.Path());
  ASSERT_TRUE(xlrd);
  ASSERT_EQ(xlrd->Palette.size(), 56u);
  for (int i = 0; i < 56; ++i) EXPECT_EQ(xlrd->Palette.at(i), expected[i]) << "colour " << i + 8;
}

// --- Sheet visibility ----------------------------------------------------------------------------

// sheetjs-sheet_visibility.xls: a visible, a hidden and a very hidden sheet. A very hidden sheet
// stays very hidden (it became merely hidden before).
TEST(BookFileState, VeryHiddenSheetsStayVeryHidden) {
  const fs::path file = CorpusDir() / "sheetjs-sheet_visibility.xls";
  auto book = Load(file);
  ASSERT_EQ(book->PageCount(), 3);
  const TcxSheetVisibility expected[] = {svVisible, svHidden, svVeryHidden};
  const auto reloaded = Reloaded(*book);
  for (int page = 0; page < 3; ++page) {
    EXPECT_EQ(book->PageVisibility(page), expected[page]) << page;
    EXPECT_EQ(reloaded->PageVisibility(page), expected[page]) << page;
  }
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const TSavedFile saved(*book, "visibility");
  const auto before = ReadWithXlrd(file);
  const auto after = ReadWithXlrd(saved.Path());
  ASSERT_TRUE(before && after);
  ASSERT_EQ(after->Sheets.size(), before->Sheets.size());
  for (size_t i = 0; i < before->Sheets.size(); ++i)
    EXPECT_EQ(after->Sheets[i].Visibility, before->Sheets[i].Visibility) << i;
}

// --- Protection ----------------------------------------------------------------------------------

// xlwt's protected: sheet 0 protected with the password "zof" (the file holds its hash, 0xCC30,
// as xlwt computed it), objects and scenarios too; the workbook and its windows protected. The
// password and the flags survive the save (before, a protected sheet was saved with no
// password), and unprotecting needs the password.
TEST(BookFileState, ProtectionKeepsItsPasswordAndFlags) {
  if (!XlwtUnavailable().empty()) GTEST_SKIP() << XlwtUnavailable();
  const fs::path fixture = XlwtFixture("protected");
  ASSERT_FALSE(fixture.empty());
  auto book = Load(fixture);
  const auto reloadedFirst = Reloaded(*book);
  for (TcxCustomSpreadSheetBook* b : {book.get(), reloadedFirst.get()}) {
    const TcxSSBookSheet& sheet = b->Pages(0);
    EXPECT_TRUE(sheet.Protected());
    EXPECT_EQ(sheet.Protection(), (TcxSSProtection{0xCC30, true, true, false}));
    EXPECT_FALSE(b->Pages(1).Protected());
    EXPECT_EQ(b->Pages(1).Protection(), TcxSSProtection{});
    EXPECT_TRUE(b->Protected());
    EXPECT_EQ(b->Protection(), (TcxSSProtection{0, false, false, true}));
  }
  EXPECT_EQ(ProtectionPasswordHash("zof"), 0xCC30);

  TcxSSBookSheet& sheet = book->Pages(0);
  EXPECT_FALSE(sheet.Unprotect("Zof"));
  EXPECT_FALSE(sheet.Unprotect(""));
  EXPECT_TRUE(sheet.Protected());
  EXPECT_TRUE(sheet.Unprotect("zof"));
  EXPECT_FALSE(sheet.Protected());
  EXPECT_EQ(sheet.Protection(), TcxSSProtection{});

  // A password given here reaches the file and comes back.
  sheet.Protect("nova lozinka");
  book->Protect("knjiga");
  const auto reloaded = Reloaded(*book);
  EXPECT_EQ(reloaded->Pages(0).Protection().PasswordHash, ProtectionPasswordHash("nova lozinka"));
  EXPECT_EQ(reloaded->Protection().PasswordHash, ProtectionPasswordHash("knjiga"));
  EXPECT_FALSE(reloaded->Unprotect("Knjiga"));
  EXPECT_TRUE(reloaded->Unprotect("knjiga"));
  EXPECT_FALSE(reloaded->Protected());
}

// A password hash of a real file (poi-15556.xls: both sheets protected with a password, objects
// and scenarios too) is kept.
TEST(BookFileState, ProtectionOfARealFileIsKept) {
  auto book = Load(CorpusDir() / "poi-15556.xls");
  const auto reloaded = Reloaded(*book);
  for (int page = 0; page < 2; ++page) {
    EXPECT_EQ(book->Pages(page).Protection(), (TcxSSProtection{0xCA7F, true, true, false}));
    EXPECT_EQ(reloaded->Pages(page).Protection(), book->Pages(page).Protection());
    EXPECT_TRUE(reloaded->Pages(page).Protected());
  }
}

// --- Column widths and row heights ---------------------------------------------------------------

// xlwt's sizes: column A 3000/256 characters, C 1234/256 and hidden, row 1 301 twips, row 4
// hidden, default row height 315 twips. None of them is a whole number of pixels: they come back
// exactly while nothing changed them (before, they went through pixels and came back as 3001,
// 1244, 302 and 318), and a width changed in the workbook is written from its pixels.
TEST(BookFileState, WidthsAndHeightsKeepTheFilesUnits) {
  if (!XlwtUnavailable().empty()) GTEST_SKIP() << XlwtUnavailable();
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const fs::path fixture = XlwtFixture("sizes");
  ASSERT_FALSE(fixture.empty());
  auto book = Load(fixture);
  const auto sizes = [](const TXlrdBook& xlrd) {
    std::map<std::pair<int, int>, std::pair<int, bool>> items;
    for (const TXlrdHeaderItem& item : xlrd.HeaderItems)
      items[{item.Kind, item.Index}] = {item.Size, item.Hidden};
    return items;
  };
  {
    const TSavedFile saved(*book, "sizes");
    const auto xlrd = ReadWithXlrd(saved.Path());
    ASSERT_TRUE(xlrd);
    const auto items = sizes(*xlrd);
    EXPECT_EQ(items.at({0, 0}), std::make_pair(3000, false));
    EXPECT_EQ(items.at({0, 2}), std::make_pair(1234, true));
    EXPECT_EQ(items.at({1, 0}), std::make_pair(301, false));
    EXPECT_TRUE(items.at({1, 3}).second);
    EXPECT_EQ(book->Pages(0).FileDefaultSizes().RowHeight, uint16_t{315});
    const auto reloaded = Reloaded(*book);
    EXPECT_EQ(reloaded->Pages(0).FileDefaultSizes().RowHeight, uint16_t{315});
    EXPECT_EQ(reloaded->Pages(0).RowHeader().DefaultSize(), book->Pages(0).RowHeader().DefaultSize());
  }
  // A column the user widened is written from its new width.
  TcxSSHeader& columns = book->Pages(0).ColumnHeader();
  columns.SetSize(0, static_cast<uint16_t>(columns.GetItem(0).Size + 10));
  const TSavedFile saved(*book, "sizes-changed");
  const auto xlrd = ReadWithXlrd(saved.Path());
  ASSERT_TRUE(xlrd);
  const int width = sizes(*xlrd).at({0, 0}).first;
  EXPECT_EQ(TcxExcelUnits{}.ColumnPixels(static_cast<uint16_t>(width)), columns.GetItem(0).Size);
  EXPECT_NE(width, 3000);
}

// --- Alignment and font sizes ---------------------------------------------------------------------

// xlwt's alignment fixture: column A of sheet "Poravnanje", one cell a row: centre across
// selection, fill, justify with wrap, distributed both ways, vertically justified, left with
// indent 3, rotation 45 and 90, shrink to fit, fonts of 8.5 and 5.5 points, stacked letters.
// The workbook keeps each in the cell's style record and the save writes it back as it was
// (before, centre across selection became centre, distributed became justified, the rotation,
// indent and reading order were dropped and the sizes became 9 and 6 points).
TEST(BookFileState, AlignmentsRotationIndentShrinkAndHalfPointSizesAreKept) {
  if (!XlwtUnavailable().empty()) GTEST_SKIP() << XlwtUnavailable();
  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const fs::path fixture = XlwtFixture("alignment");
  ASSERT_FALSE(fixture.empty());
  const struct {
    TcxHorzTextAlign Horz;
    TcxVertTextAlign Vert;
    uint8_t Rotation, Indent;
    bool Shrink, Wrap;
    int16_t Height;
  } cases[] = {
      {haCENTERACROSS, vaBOTTOM, 0, 0, false, false, 200},
      {haFILL, vaBOTTOM, 0, 0, false, false, 200},
      {haJUSTIFY, vaBOTTOM, 0, 0, false, true, 200},
      {haDISTRIBUTED, vaDISTRIBUTED, 0, 0, false, false, 200},
      {haGENERAL, vaJUSTIFY, 0, 0, false, false, 200},
      {haLEFT, vaBOTTOM, 0, 3, false, false, 200},
      {haGENERAL, vaBOTTOM, 45, 0, false, false, 200},
      {haGENERAL, vaBOTTOM, 90, 0, false, false, 200},
      {haGENERAL, vaBOTTOM, 0, 0, true, false, 200},
      {haGENERAL, vaBOTTOM, 0, 0, false, false, 170},
      {haGENERAL, vaBOTTOM, 0, 0, false, false, 110},
      {haGENERAL, vaBOTTOM, kRotationStacked, 0, false, false, 200},
  };
  const auto check = [&](TcxCustomSpreadSheetBook& book, const char* which) {
    for (size_t row = 0; row < std::size(cases); ++row) {
      SCOPED_TRACE(std::string(which) + " row " + std::to_string(row + 1));
      const auto& c = cases[row];
      const TcxSSCellRec* cell = book.Pages(0).DataStorage().FindCell(0, static_cast<int>(row));
      ASSERT_TRUE(cell && cell->Style && cell->Style->Font);
      const TcxSSStyleRec& s = *cell->Style;
      EXPECT_EQ(s.HorzTextAlign, c.Horz);
      EXPECT_EQ(s.VertTextAlign, c.Vert);
      EXPECT_EQ(s.Rotation, c.Rotation);
      EXPECT_EQ(s.Indent, c.Indent);
      EXPECT_EQ((s.Flags & kStyleShrinkToFit) != 0, c.Shrink);
      EXPECT_EQ(s.WordBreak, c.Wrap);
      EXPECT_EQ(s.Font->Height, c.Height);
    }
  };
  auto book = Load(fixture);
  check(*book, "loaded");

  const TSavedFile saved(*book, "alignment");
  const auto state = ReadStateWithXlrd(saved.Path());
  ASSERT_TRUE(state);
  for (size_t row = 0; row < std::size(cases); ++row) {
    SCOPED_TRACE("xlrd row " + std::to_string(row + 1));
    const auto& c = cases[row];
    const std::string place = "0:" + std::to_string(row) + ":0";
    // horizontal, vertical, rotation, indent, shrink, wrap, reading order
    const std::string alignment = std::to_string(c.Horz) + " " + std::to_string(c.Vert) + " " +
                                  std::to_string(c.Rotation) + " " + std::to_string(c.Indent) +
                                  " " + std::to_string(c.Shrink) + " " + std::to_string(c.Wrap) +
                                  " 0";
    EXPECT_EQ(state->at("alignment").at(place), alignment);
    const std::string font = state->at("font").at(place);
    EXPECT_EQ(font.substr(0, font.find(' ')), std::to_string(c.Height));
  }
  std::ifstream in(saved.Path(), std::ios::binary);
  auto reloaded = MakeBook();
  LoadStream(*reloaded, in);
  check(*reloaded, "reloaded");
}

// --- View ----------------------------------------------------------------------------------------

// xlwt's view: sheet "Okvir" with rows 1-2 and column A frozen, scrolled to row 41 and column E,
// zoom 150 %, no grid, no headers, zeros hidden; "Formule" shows formulas and is the active
// sheet; "Skriven" is very hidden. All of it is read (before, the active sheet, the panes, the
// zoom, the headers flag and the scroll position were dropped) and written back.
TEST(BookFileState, ViewSettingsAreReadAndWritten) {
  if (!XlwtUnavailable().empty()) GTEST_SKIP() << XlwtUnavailable();
  const fs::path fixture = XlwtFixture("view");
  ASSERT_FALSE(fixture.empty());
  auto book = Load(fixture);
  const auto check = [](TcxCustomSpreadSheetBook& b) {
    EXPECT_EQ(b.ActivePage(), 1);
    const TcxSSBookSheet& frame = b.Pages(0);
    const TcxSSSheetView& view = frame.View();
    EXPECT_EQ(view.FrozenCols, 1);
    EXPECT_EQ(view.FrozenRows, 2);
    EXPECT_EQ(view.TopLeft(), (TPoint{4, 40}));
    EXPECT_EQ(view.Origin, (TPoint{0, 0}));
    EXPECT_EQ(view.ZoomNumerator * 100 / view.ZoomDenominator, 150);
    EXPECT_EQ(view.OtherOptions & 0x10, 0);  // zeros hidden
    EXPECT_FALSE(frame.ShowGrid());
    EXPECT_FALSE(frame.ShowHeaders());
    EXPECT_TRUE(b.Pages(1).ShowFormulas());
    EXPECT_TRUE(b.Pages(1).ShowHeaders());
    EXPECT_EQ(b.PageVisibility(2), svVeryHidden);
  };
  check(*book);
  check(*Reloaded(*book));

  if (!XlrdUnavailable().empty()) GTEST_SKIP() << XlrdUnavailable();
  const TSavedFile saved(*book, "view");
  const auto before = ReadStateWithXlrd(fixture);
  const auto after = ReadStateWithXlrd(saved.Path());
  ASSERT_TRUE(before && after);
  ASSERT_EQ(before->count("window"), 1u);
  EXPECT_EQ(after->at("window"), before->at("window"));
  EXPECT_EQ(after->at("sheet"), before->at("sheet"));
}

// The active cell of a selection need not be its top-left cell: it is written while the
// selection is the one it belongs to. The R1C1 reference style of a file (its REFMODE,
// sheetjs-numfmt_1_russian.xls) is the workbook's after the load and reaches the saved file.
TEST(BookFileState, ActiveCellAndReferenceStyleAreKept) {
  auto book = Load(CorpusDir() / "sheetjs-numfmt_1_russian.xls");
  EXPECT_TRUE(book->R1C1ReferenceStyle());
  TcxSSBookSheet& sheet = book->Pages(0);
  sheet.SetSelection({1, 1, 3, 4});
  sheet.View().ActiveCell = {2, 3};
  sheet.View().ActiveCellSelection = {1, 1, 3, 4};
  auto reloaded = Reloaded(*book);
  EXPECT_TRUE(reloaded->R1C1ReferenceStyle());
  EXPECT_EQ(reloaded->Pages(0).Selection(), (TRect{1, 1, 3, 4}));
  EXPECT_EQ(reloaded->Pages(0).View().ActiveCell, (TPoint{2, 3}));
  // Another selection makes its top-left cell the active one.
  sheet.SetSelection({5, 6, 5, 6});
  reloaded = Reloaded(*book);
  EXPECT_EQ(reloaded->Pages(0).View().ActiveCell, (TPoint{5, 6}));
  book->SetR1C1ReferenceStyle(false);
  EXPECT_FALSE(Reloaded(*book)->R1C1ReferenceStyle());
}

}  // namespace
