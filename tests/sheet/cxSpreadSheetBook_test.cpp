#include "sheet/cxSpreadSheetBook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"

namespace {

class BookTest : public ::testing::Test {
protected:
  BookTest() : book_(MakeFixedEnvironment(TRegionalSettings::English())) {}

  std::vector<std::string> Captions() const {
    std::vector<std::string> result;
    for (int i = 0; i < book_.PageCount(); ++i) result.push_back(book_.Pages(i).Caption());
    return result;
  }
  // Asserts that exactly the active page is shown.
  void ExpectShown(int page) const {
    EXPECT_EQ(book_.ActivePage(), page);
    for (int i = 0; i < book_.PageCount(); ++i) EXPECT_EQ(book_.Pages(i).Visible(), i == page) << i;
  }
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const ESpreadSheetError& error) {
      return error.what();
    }
    return {};
  }

  TcxSpreadSheetBook book_;
};

using Names = std::vector<std::string>;

TEST_F(BookTest, ANewWorkbookHasOneSheetAndThePublishedDefaults) {
  EXPECT_EQ(Captions(), (Names{"Sheet1"}));
  ExpectShown(0);
  EXPECT_TRUE(book_.AutoRecalc());
  EXPECT_EQ(book_.ColHeaderHeight(), 20);
  EXPECT_EQ(book_.RowHeaderWidth(), 85);
  EXPECT_EQ(book_.DefaultColWidth(), 85);
  EXPECT_EQ(book_.DefaultRowHeight(), 20);
  EXPECT_EQ(book_.Precision(), 2);
  EXPECT_EQ(book_.PainterType(), ptOffice97Style);
  EXPECT_EQ(book_.ScrollBars(), sbsBoth);
  EXPECT_TRUE(book_.ExcelProtectionStyle());
  EXPECT_TRUE(book_.ShowGrid() && book_.ShowHeaders() && book_.ShowCaptionBar());
  EXPECT_FALSE(book_.ShowFormulas() || book_.R1C1ReferenceStyle() || book_.ReadOnly() ||
               book_.Protected());
  EXPECT_TRUE(book_.History().UndoList().Count() == 0);
  // Every sheet's headers start from the workbook's default sizes.
  EXPECT_EQ(book_.Pages(0).ColumnHeader().VisibleSize(1000000), 85);
  EXPECT_EQ(book_.Pages(0).RowHeader().VisibleSize(-5), 20);
}

TEST_F(BookTest, ASingleSheetWorkbookHidesItsTabs) {
  TcxSpreadSheet single(MakeFixedEnvironment(TRegionalSettings::English()));
  EXPECT_EQ(single.PageCount(), 1);
  EXPECT_FALSE(single.ShowCaptionBar());
  EXPECT_EQ(single.Pages(0).Caption(), "Sheet1");
}

TEST_F(BookTest, PageCountAddsNumberedSheetsAndRemovesFromTheEnd) {
  book_.SetPageCount(3);
  EXPECT_EQ(Captions(), (Names{"Sheet1", "Sheet2", "Sheet3"}));
  ExpectShown(0);
  book_.SetActivePage(2);
  book_.SetPageCount(1);
  EXPECT_EQ(Captions(), (Names{"Sheet1"}));
  ExpectShown(0);
  book_.SetPageCount(0);  // a workbook keeps one sheet
  EXPECT_EQ(book_.PageCount(), 1);
}

TEST_F(BookTest, AddedSheetsAreNumberedByCountSoCaptionsCanRepeat) {
  book_.SetPageCount(3);
  book_.DeleteSheet(1);
  book_.AddSheet();
  EXPECT_EQ(Captions(), (Names{"Sheet1", "Sheet3", "Sheet3"}));
  EXPECT_EQ(book_.AddSheet("Mine").Caption(), "Mine");
  EXPECT_FALSE(book_.Pages(3).Visible());  // a later page starts hidden (not shown)
}

TEST_F(BookTest, RenamingRefusesACaptionAnotherSheetHasInAnyCase) {
  book_.SetPageCount(2);
  EXPECT_EQ(ErrorOf([&] { book_.Pages(1).SetCaption("sheet1"); }),
            "Sheet caption invalid or already exist");
  EXPECT_EQ(ErrorOf([&] { book_.Pages(1).SetCaption(""); }),
            "Sheet caption invalid or already exist");
  EXPECT_EQ(Captions(), (Names{"Sheet1", "Sheet2"}));
  book_.Pages(1).SetCaption("Prodaja");
  book_.Pages(1).SetCaption("PRODAJA");  // its own caption in another case is fine
  EXPECT_EQ(Captions(), (Names{"Sheet1", "PRODAJA"}));
  EXPECT_TRUE(book_.Modified());
}

// A caption holds at most 255 characters (UTF-16 code units, as a file counts them): a longer
// one is refused where it is given, by a rename or a new sheet, so that no save has to cut it
// into another sheet's caption. A file being read is taken as it is.
TEST_F(BookTest, CaptionsLongerThanAFileHoldsAreRefused) {
  std::string fits;
  for (int i = 0; i < 255; ++i) fits += "č";
  const std::string tooLong = fits + "x";
  const std::string message = "A sheet caption holds at most 255 characters";
  book_.Pages(0).SetCaption(fits);
  EXPECT_EQ(ErrorOf([&] { book_.Pages(0).SetCaption(tooLong); }), message);
  EXPECT_EQ(ErrorOf([&] { book_.AddSheet(tooLong); }), message);
  // A character beyond the basic plane is two code units.
  EXPECT_EQ(ErrorOf([&] { book_.AddSheet(std::string(254, 'a') + "\xF0\x9F\x98\x80"); }), message);
  EXPECT_EQ(Captions(), Names{fits});
  book_.AddSheet(std::string(253, 'a') + "\xF0\x9F\x98\x80");
  book_.SetLoading(true);
  book_.AddSheet(tooLong);
  book_.SetLoading(false);
  EXPECT_EQ(book_.PageCount(), 3);
  EXPECT_EQ(book_.Pages(2).Caption(), tooLong);
}

// A workbook holds the sheets a file holds, 1370: the next one is refused where it is added,
// with the limit in the message.
TEST_F(BookTest, SheetsBeyondWhatAFileHoldsAreRefusedWhereAdded) {
  book_.SetPageCount(1370);
  EXPECT_EQ(ErrorOf([&] { book_.AddSheet(); }), "A workbook holds at most 1370 sheets");
  EXPECT_EQ(ErrorOf([&] { book_.AddSheet("One more"); }), "A workbook holds at most 1370 sheets");
  EXPECT_EQ(book_.PageCount(), 1370);
  book_.DeleteSheet(5);
  book_.AddSheet("One more");
  EXPECT_EQ(book_.PageCount(), 1370);
}

TEST_F(BookTest, TheCaptionHandlerMayChangeOrCancelARename) {
  book_.OnChangeSheetCaption = [](TcxSSBookSheet& sheet, std::string& caption) {
    if (caption == "keep") caption = sheet.Caption();
    if (caption == "lower") caption = "upper";
  };
  book_.Pages(0).SetCaption("keep");
  EXPECT_EQ(book_.Pages(0).Caption(), "Sheet1");
  book_.Pages(0).SetCaption("lower");
  EXPECT_EQ(book_.Pages(0).Caption(), "upper");
}

TEST_F(BookTest, PagesOutsideTheListAreAnError) {
  for (int index : {-1, 1, 100})
    EXPECT_EQ(ErrorOf([&] { book_.Pages(index); }), "Invalid page number") << index;
  EXPECT_EQ(ErrorOf([&] { book_.SetPageVisible(3, false); }), "Invalid page number");
}

TEST_F(BookTest, DeletingASheetActivatesItsNeighbour) {
  struct Case {
    int active, deleted;
    Names expected;
    int shown;
  };
  const Case cases[] = {
      {0, 0, {"Sheet2", "Sheet3"}, 0},  // the former page 1, now page 0
      {0, 2, {"Sheet1", "Sheet2"}, 1},  // the neighbour before, also when page 0 was active
      {2, 1, {"Sheet1", "Sheet3"}, 0},
      {2, 0, {"Sheet2", "Sheet3"}, 0},  // the neighbour after it, also when another was active
  };
  for (const auto& c : cases) {
    TcxSpreadSheetBook book(MakeFixedEnvironment(TRegionalSettings::English()));
    book.SetPageCount(3);
    book.SetActivePage(c.active);
    book.DeleteSheet(c.deleted);
    Names captions;
    for (int i = 0; i < book.PageCount(); ++i) captions.push_back(book.Pages(i).Caption());
    EXPECT_EQ(captions, c.expected) << c.active << " " << c.deleted;
    EXPECT_EQ(book.ActivePage(), c.shown) << c.active << " " << c.deleted;
    for (int i = 0; i < book.PageCount(); ++i) EXPECT_EQ(book.Pages(i).Visible(), i == c.shown);
  }
}

TEST_F(BookTest, DeletingTheOnlySheetOrARefusedDeletionDoesNothing) {
  book_.DeleteSheet(0);
  EXPECT_EQ(Captions(), (Names{"Sheet1"}));
  book_.SetPageCount(2);
  book_.OnDeleteSheet = [](int, bool& canDelete) { canDelete = false; };
  book_.DeleteSheet(1);
  EXPECT_EQ(book_.PageCount(), 2);
}

TEST_F(BookTest, TheLastVisibleSheetCannotBeDeleted) {
  book_.SetPageCount(3);
  book_.SetPageVisible(0, false);
  book_.SetPageVisible(2, false);
  book_.SetActivePage(1);
  EXPECT_EQ(ErrorOf([&] { book_.DeleteSheet(1); }), "Cannot delete the last sheet");
  EXPECT_EQ(book_.PageCount(), 3);
  // A hidden sheet can go while a visible one remains.
  book_.DeleteSheet(2);
  EXPECT_EQ(Captions(), (Names{"Sheet1", "Sheet2"}));
  ExpectShown(1);
}

TEST_F(BookTest, AHiddenPageIsNeverShown) {
  book_.SetPageCount(4);
  book_.SetPageVisible(1, false);
  book_.SetPageVisible(2, false);
  book_.SetActivePage(1);  // forward to the next visible page
  ExpectShown(3);
  book_.SetPageVisible(3, false);
  book_.SetActivePage(0);
  ExpectShown(0);
  book_.SetActivePage(2);  // nothing visible after it: back to the nearest before it
  ExpectShown(0);
  book_.SetActivePage(7);  // outside the pages: nothing happens
  ExpectShown(0);
}

TEST_F(BookTest, TheActiveSheetHandlerCanRefuseAChange) {
  book_.SetPageCount(2);
  std::vector<int> asked;
  book_.OnActiveSheetChanging = [&](TcxCustomSpreadSheetBook&, int page, bool& canSelect) {
    asked.push_back(page);
    canSelect = false;
  };
  book_.SetActivePage(1);
  ExpectShown(0);
  EXPECT_EQ(asked, std::vector<int>{1});
}

// The selection shown is the active sheet's, so a change of the active sheet announces its
// selection (the cell bar follows it); a refused change and a change inside an update bracket
// announce nothing.
TEST_F(BookTest, ActivatingASheetAnnouncesItsSelection) {
  book_.SetPageCount(3);
  book_.Pages(2).SetSelection({1, 1, 3, 3});
  std::vector<int> announced;
  book_.OnSetSelection = [&](TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet) {
    EXPECT_EQ(&sender, &book_);
    announced.push_back(sheet.Index());
  };
  book_.SetActivePage(2);
  EXPECT_EQ(announced, std::vector<int>{2});
  book_.SetActivePage(2);  // already active
  book_.BeginUpdate();
  book_.SetActivePage(1);
  book_.EndUpdate();
  EXPECT_EQ(announced, std::vector<int>{2});
  book_.OnActiveSheetChanging = [](TcxCustomSpreadSheetBook&, int, bool& canSelect) {
    canSelect = false;
  };
  book_.SetActivePage(0);
  EXPECT_EQ(announced, std::vector<int>{2});
  ExpectShown(1);
}

TEST_F(BookTest, ExchangingSheetsKeepsTheShownSheetAndItsHiddenFlags) {
  book_.SetPageCount(3);
  book_.SetPageVisible(2, false);
  TcxSSBookSheet* shown = &book_.ActiveSheet();
  book_.ExchangeSheets(0, 2);
  EXPECT_EQ(Captions(), (Names{"Sheet3", "Sheet2", "Sheet1"}));
  EXPECT_EQ(&book_.ActiveSheet(), shown);
  ExpectShown(2);
  // The hidden sheet stays hidden wherever it goes.
  EXPECT_FALSE(book_.PageVisible(0));
  EXPECT_TRUE(book_.PageVisible(2));
  book_.OnExchangeSheets = [](int, int, bool& canExchange) { canExchange = false; };
  book_.ExchangeSheets(0, 1);
  EXPECT_EQ(Captions(), (Names{"Sheet3", "Sheet2", "Sheet1"}));
  book_.OnExchangeSheets = nullptr;
  book_.ExchangeSheets(0, 3);  // outside the pages
  EXPECT_EQ(Captions(), (Names{"Sheet3", "Sheet2", "Sheet1"}));
}

TEST_F(BookTest, AutoRecalcCountsItsSuspensionsOnlyOnChange) {
  book_.SetAutoRecalc(false);
  book_.SetAutoRecalc(false);
  EXPECT_FALSE(book_.AutoRecalc());
  book_.SetAutoRecalc(true);
  EXPECT_TRUE(book_.AutoRecalc());
  // The update lock suspends calculation while it is held; an unpaired EndUpdate changes nothing.
  EXPECT_EQ(book_.BeginUpdate(), 1);
  EXPECT_FALSE(book_.AutoRecalc());
  EXPECT_EQ(book_.EndUpdate(), 0);
  EXPECT_EQ(book_.EndUpdate(), 0);
  EXPECT_TRUE(book_.AutoRecalc());
}

TEST_F(BookTest, CellEventsAreSuppressedWhileLockedButCellsChangedReportsEachCell) {
  std::vector<std::pair<int, int>> changed;
  book_.OnCellChange = [&](TcxSSBookSheet&, int col, int row) { changed.push_back({col, row}); };
  auto& storage = book_.Pages(0).DataStorage();
  storage.SetCellNumber(0, 0, 1);
  EXPECT_EQ(changed.size(), 1u);
  book_.BeginUpdate();
  storage.SetCellNumber(1, 0, 2);
  EXPECT_EQ(changed.size(), 1u);
  book_.Pages(0).CellsChanged({0, 0, 1, 1});
  book_.EndUpdate();
  EXPECT_EQ(changed, (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {0, 1}, {1, 0}, {1, 1}}));
}

TEST_F(BookTest, RowResizeEventsFireWhileLockedAndMayChangeTheSize) {
  int calls = 0;
  book_.OnResizeRow = [&](TcxSSBookSheet&, int index, uint16_t& size) {
    ++calls;
    if (index == 4) size = 33;
  };
  book_.BeginUpdate();
  book_.Pages(0).RowHeader().SetSize(4, 50);
  book_.EndUpdate();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(book_.Pages(0).RowHeader().VisibleSize(4), 33);
}

TEST_F(BookTest, HidingARowMovesTheSelectionBelowIt) {
  TcxSSBookSheet& sheet = book_.Pages(0);
  sheet.SetSelection({0, 4, 3, 5});  // A5:D6
  sheet.RowHeader().SetVisible(4, false);
  sheet.RowHeader().SetVisible(5, false);
  EXPECT_EQ(sheet.Selection(), (TRect{0, 6, 3, 6}));  // A7:D7
  std::vector<std::string> seen;
  book_.OnChangeColVisible = [&](TcxCustomSpreadSheetBook&, TcxSSBookSheet&, int index,
                                 bool before, bool after) {
    seen.push_back(std::to_string(index) + (before ? "+" : "-") + (after ? "+" : "-"));
  };
  sheet.ColumnHeader().SetVisible(2, false);
  EXPECT_EQ(seen, std::vector<std::string>{"2+-"});
  EXPECT_EQ(sheet.Selection(), (TRect{0, 6, 3, 6}));  // columns do not move it
}

TEST_F(BookTest, PopupRequestsAskTheContextEventFirst) {
  std::vector<std::string> fired;
  book_.OnSheetPopupMenu = [&](TcxCustomSpreadSheetBook&, int x, int y) {
    fired.push_back("sheet " + std::to_string(x) + "," + std::to_string(y));
  };
  book_.OnCaptionPopupMenu = [&](TcxCustomSpreadSheetBook&, int, int) { fired.push_back("tab"); };
  book_.Listener().SheetPopup({10, 20});
  book_.Listener().CaptionPopup({1, 2});
  book_.OnContextPopup = [](TcxCustomSpreadSheetBook&, TPoint, bool& handled) { handled = true; };
  book_.Listener().SheetPopup({10, 20});
  EXPECT_EQ(fired, (std::vector<std::string>{"sheet 10,20", "tab"}));
}

TEST_F(BookTest, CellReferenceTextInBothStyles) {
  const struct {
    TRect cells;
    int separator;
    bool r1c1;
    const char* expected;
  } cases[] = {
      {{0, 0, 0, 0}, 0, false, "A1"},
      {{1, 2, 3, 9}, 0, false, "B3:D10"},
      {{26, 0, 27, 4}, 1, false, "AA1 x AB5"},
      {{0, 0, 0, 0}, 0, true, "R1C1"},
      {{1, 2, 3, 9}, 0, true, "R3C2:R10C4"},
  };
  for (const auto& c : cases) {
    book_.SetR1C1ReferenceStyle(c.r1c1);
    EXPECT_EQ(book_.CellReferenceText(0, c.cells, c.separator), c.expected);
  }
}

TEST_F(BookTest, AssignCopiesSheetsCellsPaletteAndActivePage) {
  book_.SetPageCount(3);
  book_.Pages(1).SetCaption("Data");
  book_.Pages(1).DataStorage().SetCellText(2, 3, "hello", true, false);
  book_.Pages(2).ColumnHeader().SetSize(1, 140);
  auto palette = book_.Palette();
  palette[5] = RGBColor(1, 2, 3);
  book_.SetPalette(palette);
  book_.SetActivePage(1);

  TcxSpreadSheetBook copy(MakeFixedEnvironment(TRegionalSettings::English()));
  copy.Assign(book_);
  ASSERT_EQ(copy.PageCount(), 3);
  EXPECT_EQ(copy.Pages(1).Caption(), "Data");
  EXPECT_EQ(copy.Pages(1).DataStorage().CellRef(2, 3).Text, "hello");
  EXPECT_EQ(copy.Pages(2).ColumnHeader().VisibleSize(1), 140);
  EXPECT_EQ(copy.Palette()[5], RGBColor(1, 2, 3));
  EXPECT_EQ(copy.ActivePage(), 1);
  EXPECT_TRUE(copy.Pages(1).Visible());
}

TEST_F(BookTest, ClearAllLeavesNoPages) {
  book_.SetPageCount(2);
  book_.Pages(0).DataStorage().SetCellNumber(0, 0, 5);
  book_.ClearAll();
  EXPECT_EQ(book_.PageCount(), 0);
  EXPECT_EQ(book_.AddSheet().Caption(), "Sheet1");
  EXPECT_TRUE(book_.Pages(0).DataStorage().FindCell(0, 0) == nullptr);
}

TEST_F(BookTest, DefaultSizesReachEverySheet) {
  book_.SetPageCount(2);
  book_.Pages(1).ColumnHeader().SetSize(3, 200);
  book_.SetDefaultColWidth(60);
  book_.SetDefaultRowHeight(17);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(book_.Pages(i).ColumnHeader().VisibleSize(0), 60);
    EXPECT_EQ(book_.Pages(i).RowHeader().VisibleSize(9), 17);
  }
  EXPECT_EQ(book_.Pages(1).ColumnHeader().VisibleSize(3), 200);
}

}  // namespace

// The protection test, table-driven: (Excel style, workbook protected, sheet protected, the
// cell's own record unlocked, workbook read-only, sheet read-only, cell style read-only).
TEST_F(BookTest, CanChangeCellFollowsTheProtectionRule) {
  struct TCase {
    bool excel, bookProtected, sheetProtected, unlocked, bookReadOnly, sheetReadOnly, styleReadOnly;
    bool expected;
  };
  const TCase cases[] = {
      {true, false, false, false, true, true, true, true},    // unprotected: anything goes
      {true, true, false, false, false, false, false, false},  // protected workbook, locked cell
      {true, false, true, false, false, false, false, false},  // protected sheet, locked cell
      {true, false, true, true, false, false, false, true},    // protected sheet, unlocked cell
      {false, true, true, false, false, false, false, true},   // the other rule ignores protection
      {false, false, false, true, true, false, false, false},  // read-only workbook
      {false, false, false, true, false, true, false, false},  // read-only sheet
      {false, false, false, true, false, false, true, false},  // read-only cell style
  };
  for (const TCase& c : cases) {
    TcxSpreadSheetBook book(MakeFixedEnvironment(TRegionalSettings::English()));
    TcxSSBookSheet& sheet = book.ActiveSheet();
    TcxSSDataStorage& storage = sheet.DataStorage();
    book.SetExcelProtectionStyle(c.excel);
    book.SetProtected(c.bookProtected);
    sheet.SetProtected(c.sheetProtected);
    TcxSSStyleRec rec = *book.StyleCache().DefaultRecord();
    if (c.unlocked) rec.Flags = static_cast<uint8_t>(rec.Flags & ~kStyleLocked);
    if (c.styleReadOnly) rec.Flags |= kStyleReadOnly;
    storage.SetCellStyle(2, 3, book.StyleCache().AddStyle(rec));
    book.SetReadOnly(c.bookReadOnly);
    sheet.SetReadOnly(c.sheetReadOnly);
    EXPECT_EQ(sheet.CanChangeCell(2, 3), c.expected)
        << c.excel << c.bookProtected << c.sheetProtected << c.unlocked << c.bookReadOnly
        << c.sheetReadOnly << c.styleReadOnly;
    // While a file loads every cell may change.
    book.SetLoading(true);
    EXPECT_TRUE(sheet.CanChangeCell(2, 3));
    book.SetLoading(false);
  }
}

TEST_F(BookTest, CanChangeCellOfAnUnstoredCellTakesItsColumnsLock) {
  TcxSSBookSheet& sheet = book_.ActiveSheet();
  sheet.SetProtected(true);
  EXPECT_FALSE(sheet.CanChangeCell(4, 100));
  sheet.ColumnHeader().SetLocked(4, false);
  EXPECT_TRUE(sheet.CanChangeCell(4, 100));
  EXPECT_FALSE(sheet.CanChangeCell(5, 100));
}

TEST_F(BookTest, TheWindowHearsOfEverySheetThatLeaves) {
  class TRemovals : public IcxBookControl {
  public:
    void SheetRemoved(TcxSSBookSheet& sheet) override { Captions.push_back(sheet.Caption()); }
    std::vector<std::string> Captions;
  } control;
  book_.SetControl(&control);
  book_.SetPageCount(4);
  book_.DeleteSheet(1);
  EXPECT_EQ(control.Captions, (Names{"Sheet2"}));
  book_.SetPageCount(2);
  EXPECT_EQ(control.Captions, (Names{"Sheet2", "Sheet4"}));
  book_.ClearAll();
  EXPECT_EQ(control.Captions, (Names{"Sheet2", "Sheet4", "Sheet1", "Sheet3"}));
  book_.SetControl(nullptr);
}
