#include "sheet/cxSSBookFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "xls/BiffTestSupport.h"
#include "xls/cxCompoundDocument.h"
#include "xls/cxExcelFileWriter.h"

using namespace bifftest;
namespace fs = std::filesystem;

namespace {

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kProtect = 0x0012,
                   kName = 0x0018, kIndex = 0x020B, kDimensions = 0x0200, kWindow2 = 0x023E,
                   kRefMode = 0x000F, kDefColWidth = 0x0055, kColInfo = 0x007D, kRow = 0x0208,
                   kBlank = 0x0201, kRk = 0x027E, kNumber = 0x0203, kLabelSst = 0x00FD,
                   kBoolErr = 0x0205, kFormula = 0x0006, kString = 0x0207,
                   kMergedCells = 0x00E5, kXf = 0x00E0, kDefaultRowHeight = 0x0225,
                   kStandardWidth = 0x0099;

std::vector<const TRec*> Cells(const std::vector<TRec>& records) {
  std::vector<const TRec*> cells;
  for (const TRec& r : records)
    if (r.Id == kBlank || r.Id == kRk || r.Id == kNumber || r.Id == kLabelSst ||
        r.Id == kBoolErr || r.Id == kFormula)
      cells.push_back(&r);
  return cells;
}

class BookFileFixture : public ::testing::Test {
protected:
  BookFileFixture() : book_(MakeFixedEnvironment(TRegionalSettings::English())) {}

  TcxSSDataStorage& Storage(int page = 0) { return book_.Pages(page).DataStorage(); }
  void Set(int col, int row, const std::string& text, int page = 0) {
    TcxSSCellObject(Storage(page), col, row).SetText(text);
  }

  // Saves and splits the stream into the globals and one record list per sheet.
  void Save() {
    std::ostringstream out;
    report_ = book_.SaveToStream(out);
    const std::string file = out.str();
    TcxWorkBookReader reader(std::vector<uint8_t>(file.begin(), file.end()));
    ASSERT_TRUE(reader.Loaded());
    stream_.assign(reader.Buffer().begin(), reader.Buffer().end());
    all_ = Records(stream_);
    globals_ = Substream(all_, 0);
    sheets_.clear();
    for (const TRec* b : OfId(globals_, kBoundSheet)) sheets_.push_back(Substream(all_, b->U32(0)));
  }

  // The record ids of sheet `s` after its head (BOF, INDEX, DIMENSIONS, WINDOW2, the other view
  // records, REFMODE).
  std::vector<uint16_t> Body(size_t s) const {
    auto ids = Ids(sheets_.at(s));
    EXPECT_EQ(std::vector<uint16_t>(ids.begin(), ids.begin() + 4),
              (std::vector<uint16_t>{kBof, kIndex, kDimensions, kWindow2}));
    const auto refMode = std::find(ids.begin(), ids.end(), kRefMode);
    EXPECT_NE(refMode, ids.end());
    return std::vector<uint16_t>(refMode + 1, ids.end());
  }

  TcxSpreadSheetBook book_;
  TcxSaveReport report_;
  std::vector<uint8_t> stream_;
  std::vector<TRec> all_, globals_;
  std::vector<std::vector<TRec>> sheets_;
};

}  // namespace

TEST_F(BookFileFixture, NewWorkbookIsOneEmptySheet) {
  Save();
  ASSERT_EQ(sheets_.size(), 1u);
  EXPECT_EQ(Body(0), (std::vector<uint16_t>{kProtect, kDefaultRowHeight, kDefColWidth,
                                            kStandardWidth, kEof}));
  EXPECT_EQ(sheets_[0][2].U32(4), 0u);
  EXPECT_EQ(sheets_[0][3].U16(0), 0x06B6);
  EXPECT_EQ(OfId(globals_, kXf).size(), 18u);
  EXPECT_EQ(OfId(globals_, kProtect).size(), 1u);
}

// Per sheet: protection, default height and width, columns, rows, the constants column by column,
// then the formulas, then the merged areas.
TEST_F(BookFileFixture, SheetRecordsFollowTheFixedOrder) {
  //     A        B
  // 1   =B1*2    3
  // 2   x        =A3
  // 3   5
  Set(0, 0, "=B1*2");
  Set(1, 0, "3");
  Set(0, 1, "x");
  Set(1, 1, "=A3");
  Set(0, 2, "5");
  TcxSSHeader& cols = book_.Pages(0).ColumnHeader();
  cols.SetSize(1, 120);
  TcxSSHeader& rows = book_.Pages(0).RowHeader();
  rows.SetVisible(4, false);
  Storage().MergeCells({2, 0, 3, 1}, true);
  Save();
  // The merged area's top-left cell carries the Merged flag, so it is written as BLANK; the
  // cells the area covers hold no records of their own and are not written.
  EXPECT_EQ(Body(0), (std::vector<uint16_t>{kProtect, kDefaultRowHeight, kDefColWidth,
                                            kStandardWidth, kColInfo, kRow, kLabelSst,
                                            kRk, kRk, kBlank, kFormula,
                                            kFormula, kMergedCells, kEof}));
}

TEST_F(BookFileFixture, ConstantsThenFormulasColumnByColumn) {
  Set(0, 0, "=B1*2");
  Set(1, 0, "3");
  Set(0, 1, "x");
  Set(1, 1, "=A3");
  Set(0, 2, "5");
  Save();
  std::vector<std::pair<uint16_t, uint16_t>> cells;  // column, row
  std::vector<uint16_t> kinds;
  for (const TRec& r : sheets_[0])
    if (r.Id == kLabelSst || r.Id == kRk || r.Id == kFormula) {
      cells.push_back({r.U16(2), r.U16(0)});
      kinds.push_back(r.Id);
    }
  EXPECT_EQ(cells, (std::vector<std::pair<uint16_t, uint16_t>>{{0, 1}, {0, 2}, {1, 0}, {0, 0}, {1, 1}}));
  EXPECT_EQ(kinds, (std::vector<uint16_t>{kLabelSst, kRk, kRk, kFormula, kFormula}));
  const auto formulas = OfId(sheets_[0], kFormula);
  EXPECT_EQ(formulas[0]->F64(6), 6);  // B1*2, calculated
  EXPECT_EQ(formulas[1]->F64(6), 5);  // =A3
  // =B1*2 at A1: tRef (value class) B1 relative, tInt 2, tMul.
  const std::vector<uint8_t> tokens(formulas[0]->Data.begin() + 22, formulas[0]->Data.end());
  ASSERT_GE(tokens.size(), 5u);
  EXPECT_EQ(tokens[0], 0x44);
  EXPECT_EQ(tokens.back(), 0x05);
}

TEST_F(BookFileFixture, FormulaTextResultsFollowInStringRecords) {
  Set(0, 0, "abc");
  Set(1, 0, "=A1&\"def\"");
  Set(2, 0, "=1>2");
  Set(3, 0, "=1/0");
  Save();
  const auto& recs = sheets_[0];
  size_t f = 0;
  while (recs[f].Id != kFormula) ++f;
  EXPECT_EQ(recs[f].Data[6], 0);
  EXPECT_EQ(recs[f].U16(12), 0xFFFF);
  ASSERT_EQ(recs[f + 1].Id, kString);
  EXPECT_EQ(recs[f + 1].U16(0), 6);
  EXPECT_EQ(std::string(recs[f + 1].Data.begin() + 3, recs[f + 1].Data.end()), "abcdef");
  EXPECT_EQ(recs[f + 2].Id, kFormula);
  EXPECT_EQ(recs[f + 2].Data[6], 1);  // boolean
  EXPECT_EQ(recs[f + 2].Data[8], 0);
  EXPECT_EQ(recs[f + 3].Data[6], 2);  // error
  EXPECT_EQ(recs[f + 3].Data[8], 0x07);
}

TEST_F(BookFileFixture, TextFormatKeepsNumberLikeTextAsText) {
  Set(0, 0, "12");
  TcxSSCellObject(Storage(), 0, 1).Style().SetStoredFormat(kFormatText);
  Set(0, 1, "12");
  Save();
  const auto cells = Cells(sheets_[0]);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0]->Id, kRk);
  EXPECT_EQ(cells[1]->Id, kLabelSst);
}

TEST_F(BookFileFixture, HiddenLastColumnAndRowAreWritten) {
  book_.Pages(0).ColumnHeader().SetVisible(255, false);
  book_.Pages(0).RowHeader().SetVisible(65535, false);
  book_.Pages(0).ColumnHeader().SetVisible(256, false);  // beyond the format
  Save();
  const auto cols = OfId(sheets_[0], kColInfo);
  ASSERT_EQ(cols.size(), 1u);
  EXPECT_EQ(cols[0]->U16(0), 255);
  EXPECT_EQ(cols[0]->U16(8) & 1, 1);
  const auto rows = OfId(sheets_[0], kRow);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]->U16(0), 65535);
  EXPECT_EQ(rows[0]->U16(12), 0x0160);
}

// The default column width and row height come back from the file as they were, whatever
// whole number of characters the width is closest to.
TEST_F(BookFileFixture, DefaultWidthAndHeightComeBack) {
  const struct {
    int Width, Height;
  } cases[] = {{64, 20}, {67, 17}, {84, 24}, {85, 13}, {100, 31}, {133, 45}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " × " + std::to_string(c.Height));
    book_.Pages(0).ColumnHeader().SetDefaultSize(static_cast<uint16_t>(c.Width));
    book_.Pages(0).RowHeader().SetDefaultSize(static_cast<uint16_t>(c.Height));
    std::stringstream file;
    book_.SaveToStream(file);
    TcxSpreadSheetBook loaded(MakeFixedEnvironment(TRegionalSettings::English()));
    loaded.LoadFromStream(file);
    EXPECT_EQ(loaded.Pages(0).ColumnHeader().DefaultSize(), c.Width);
    EXPECT_EQ(loaded.Pages(0).RowHeader().DefaultSize(), c.Height);
  }
}

TEST_F(BookFileFixture, UnlockedColumnRefersToTheColumnXf) {
  book_.Pages(0).ColumnHeader().SetLocked(3, false);
  Save();
  const auto cols = OfId(sheets_[0], kColInfo);
  ASSERT_EQ(cols.size(), 1u);
  EXPECT_EQ(cols[0]->U16(6), 17);
  EXPECT_EQ(OfId(globals_, kXf)[17]->U16(4) & 1, 0);
}

TEST_F(BookFileFixture, SavingEmptiesTheHistoryAndClearsModified) {
  book_.AddSheet("Drugi");
  Set(0, 0, "1");
  book_.SetModified(true);
  std::vector<int> progress;
  book_.OnProgress = [&](TcxCustomSpreadSheetBook&, int percent) { progress.push_back(percent); };
  ASSERT_FALSE(book_.History().UndoDescriptions().empty());
  Save();
  EXPECT_TRUE(book_.History().UndoDescriptions().empty());
  EXPECT_FALSE(book_.Modified());
  EXPECT_EQ(progress, (std::vector<int>{0, 0, 50, 100}));
  // The history records again afterwards.
  Set(1, 1, "2");
  EXPECT_EQ(book_.History().UndoDescriptions().size(), 1u);
}

TEST_F(BookFileFixture, FailedSaveKeepsModifiedAndUnlocksTheHistory) {
  Set(0, 0, "1");
  book_.SetModified(true);
  std::vector<int> progress;
  book_.OnProgress = [&](TcxCustomSpreadSheetBook&, int percent) { progress.push_back(percent); };
  std::ostringstream out;
  out.setstate(std::ios::failbit);
  EXPECT_THROW(book_.SaveToStream(out), EcxExcelDataWriter);
  EXPECT_TRUE(book_.Modified());
  EXPECT_EQ(progress.back(), 100);
  Set(1, 1, "2");
  EXPECT_EQ(book_.History().UndoDescriptions().size(), 1u);
}

TEST_F(BookFileFixture, SheetsNamesAndFlagsReachTheFile) {
  book_.AddSheet("Skriven");
  book_.AddSheet("Treći");
  book_.SetPageVisible(1, false);
  book_.Pages(2).SetShowGrid(false);
  book_.Pages(2).SetProtected(true);
  book_.SetProtected(true);
  book_.FormulasCache().AddName("Cene", 2, true, {1, 1, 3, 9});
  Save();
  const auto bound = OfId(globals_, kBoundSheet);
  ASSERT_EQ(bound.size(), 3u);
  EXPECT_EQ(bound[1]->Data[4], 1);
  EXPECT_EQ(sheets_[2][3].U16(0) & 2, 0);
  EXPECT_EQ(OfId(sheets_[2], kProtect)[0]->U16(0), 1);
  EXPECT_EQ(OfId(globals_, kProtect)[0]->U16(0), 1);
  const auto names = OfId(globals_, kName);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0]->U16(15 + 4 + 1), 2);  // EXTERNSHEET entry of sheet 2
}

// What a file cannot hold is reported per kind with its count and first cell, by the save and,
// beforehand, by CheckSave; what it can hold is not.
TEST_F(BookFileFixture, ReportsWhatTheFileCannotHold) {
  //     A (sheet 0)          B
  // 3                        40000 x   <- cut to 32768
  // 5   32768 y (fits)       40001 z   <- cut
  Set(1, 2, std::string(40000, 'x'));
  Set(0, 4, std::string(32768, 'y'));
  Set(1, 4, std::string(40001, 'z'));
  // A formula that only a file's own formulas could make (the check is off while loading).
  book_.FormulasCache().SetSilent(true);
  std::string longFormula = "=1";
  for (int i = 0; i < 3000; ++i) longFormula += "+1";
  Set(2, 0, longFormula);
  book_.FormulasCache().SetSilent(false);
  ASSERT_EQ(Storage().CellRef(2, 0).Kind, ckFormula);
  // A value below row 65536 and a styled empty cell beside it.
  Set(0, 70000, "far");
  TcxSSCellObject(Storage(), 1, 70000).Style().SetLocked(false);

  const TcxSaveReport check = book_.CheckSave();
  Save();
  ASSERT_EQ(report_.Losses.size(), 3u);
  const auto expect = [&](size_t i, TcxSaveLossKind kind, int count, int col, int row) {
    SCOPED_TRACE(i);
    EXPECT_EQ(report_.Losses[i].Kind, kind);
    EXPECT_EQ(report_.Losses[i].Count, count);
    EXPECT_EQ(report_.Losses[i].Sheet, 0);
    EXPECT_EQ(report_.Losses[i].Col, col);
    EXPECT_EQ(report_.Losses[i].Row, row);
    ASSERT_LT(i, check.Losses.size());
    EXPECT_EQ(check.Losses[i].Kind, kind);
    EXPECT_EQ(check.Losses[i].Count, count);
  };
  expect(0, slOutsideGrid, 1, 0, 70000);
  expect(1, slTextCut, 2, 1, 2);
  expect(2, slFormulaAsValue, 1, 2, 0);
  EXPECT_EQ(DescribeSaveLoss(book_, report_.Losses[1]),
            "Texts longer than 32768 characters were cut: 2 cells, the first Sheet1!B3");
  EXPECT_EQ(DescribeSaveLoss(book_, report_.Losses[2]),
            "Formulas too long for the file were saved as their values: 1 cell, Sheet1!C1");
  EXPECT_EQ(DescribeSaveLoss(book_, report_.Losses[0]),
            "Cells beyond IV65536 were left out: 1 cell, Sheet1!A70001");
  // The formula's value stands in its place.
  EXPECT_EQ(OfId(sheets_[0], kFormula).size(), 0u);

  Storage().ClearCells({-1, -1, -1, -1}, true);
  Set(0, 0, std::string(32768, 'y'));
  Set(1, 0, "=1+1");
  Save();
  EXPECT_TRUE(report_.Losses.empty());
  EXPECT_TRUE(book_.CheckSave().Losses.empty());
}

// A caption or a name longer than a file holds (255 characters), or a workbook without sheets,
// refuses the save before a byte is written: cut, two sheets or names could become one.
TEST_F(BookFileFixture, WhatAFileCannotNameIsRefusedNotCut) {
  const auto refused = [&](const std::string& message) {
    std::ostringstream out;
    try {
      book_.SaveToStream(out);
      ADD_FAILURE() << "saved";
    } catch (const EcxExcelDataWriter& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(out.str().size(), 0u);
    if (book_.PageCount() > 0) {
      EXPECT_THROW(book_.CheckSave(), EcxExcelDataWriter);
    }
  };
  const std::string name(256, 'n');
  book_.FormulasCache().AddName(name, 0, false, {0, 0, 0, 0});
  refused("Cannot save the name \"" + name + "\": A name holds at most 255 characters");
  book_.FormulasCache().Clear();
  book_.FormulasCache().AddName(std::string(255, 'n'), 0, false, {0, 0, 0, 0});
  EXPECT_NO_THROW(book_.CheckSave());

  // Only the storage itself takes such a caption: every way of naming a sheet refuses it.
  const std::string caption(256, 'c');
  Storage().SetCaption(caption);
  refused("Cannot save the sheet \"" + caption + "\": A sheet caption holds at most 255 characters");
  Storage().SetCaption(std::string(255, 'c'));
  EXPECT_NO_THROW(book_.CheckSave());

  book_.ClearAll();
  refused("A workbook without sheets cannot be saved");
}

TEST(WriteFileReplacing, FailureLeavesTheOldFileAndNoLeftovers) {
  const fs::path dir = fs::temp_directory_path() / ("zof-replace-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path target = dir / "book.xls";
  std::ofstream(target) << "old contents";
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_THROW(WriteFileReplacing(target.string(),
                                  [](std::ostream& out) {
                                    out << "half a file";
                                    throw std::runtime_error("disk full");
                                  }),
               std::runtime_error);
  std::ifstream in(target);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  WriteFileReplacing(target.string(), [](std::ostream& out) { out << "new"; });
  std::ifstream again(target);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), "new");
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // Through a symbolic link the file it names is replaced; the link stays a link.
  const fs::path link = dir / "link.xls";
  fs::create_symlink(target, link);
  WriteFileReplacing(link.string(), [](std::ostream& out) { out << "via link"; });
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  std::ifstream viaLink(target);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(viaLink)), {}), "via link");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
  fs::remove_all(dir);
}

TEST(WriteFileReplacing, MissingFolderIsReportedWithTheFileName) {
  const std::string name = "/nonexistent-zof-folder/book.xls";
  try {
    WriteFileReplacing(name, [](std::ostream&) { FAIL() << "nothing may be written"; });
    FAIL() << "no error";
  } catch (const ESpreadSheetError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + name + "\". No such file or directory");
  }
}

TEST_F(BookFileFixture, SaveToFileWritesAContainerTheReaderOpens) {
  Set(0, 0, "zdravo");
  const fs::path file = fs::temp_directory_path() / ("zof-save-" + std::to_string(::getpid()) + ".xls");
  book_.SaveToFile(file.string());
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  TcxWorkBookReader reader(bytes);
  EXPECT_TRUE(reader.Loaded());
  EXPECT_EQ(bytes.size() % 512, 0u);
  fs::remove(file);
}
