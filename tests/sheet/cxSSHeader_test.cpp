#include "sheet/cxSSHeader.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxBookControl.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

namespace {

struct THeaderChange {
  int Kind;
  int Index;
  bool operator==(const THeaderChange&) const = default;
};

class TRecordingControl : public IcxBookControl {
public:
  void HeaderChanged(TcxSSBookSheet&, int kind, int index) override {
    Changes.push_back({kind, index});
  }
  std::vector<THeaderChange> Changes;
};

class HeaderTest : public ::testing::Test {
protected:
  HeaderTest() { book.SetControl(&control); }
  ~HeaderTest() override { book.SetControl(nullptr); }

  // Gives the column header the sizes of `sizes`, a size of 0 meaning a hidden column of
  // width 10.
  void SetColumns(const std::vector<int>& sizes) {
    for (int i = 0; i < static_cast<int>(sizes.size()); ++i) {
      if (sizes[i] == 0) {
        cols.SetSize(i, 10);
        cols.SetVisible(i, false);
      } else {
        cols.SetSize(i, static_cast<uint16_t>(sizes[i]));
      }
    }
  }

  TRecordingControl control;
  TcxSpreadSheetBook book{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSBookSheet& sheet = book.ActiveSheet();
  TcxSSHeader& cols = sheet.ColumnHeader();
  TcxSSHeader& rows = sheet.RowHeader();
};

TEST_F(HeaderTest, FreshHeaderAnswersTheDefaultForEveryIndexWithoutStoring) {
  for (int index : {0, 1, 255, 65535, 1000000, INT_MAX, -1, INT_MIN}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(cols.VisibleSize(index), 85);
    EXPECT_EQ(rows.VisibleSize(index), 20);
    EXPECT_TRUE(cols.IsVisible(index));
    EXPECT_TRUE(rows.IsItemLocked(index));
    EXPECT_EQ(rows.GetItem(index).Flags, kHeaderDefault | kHeaderLocked);
    EXPECT_EQ(rows.GetItem(index).ContentHeight, -1);
  }
  EXPECT_EQ(cols.Count(), 0);
  EXPECT_EQ(rows.Count(), 0);
  EXPECT_EQ(cols.Kind(), 0);
  EXPECT_EQ(rows.Kind(), 1);
}

TEST_F(HeaderTest, SetDefaultSizeMovesOnlyItemsThatFollowTheDefault) {
  cols.SetSize(2, 50);           // explicit: stays 50
  cols.SetVisible(4, false);     // stored, still follows the default
  cols.SetDefaultSize(30);
  EXPECT_EQ(cols.VisibleSize(0), 30);
  EXPECT_EQ(cols.VisibleSize(2), 50);
  EXPECT_EQ(cols.GetItem(4).Size, 30);
  EXPECT_EQ(cols.VisibleSize(4), 0);
  EXPECT_EQ(cols.VisibleSize(1000), 30);
  EXPECT_EQ(cols.DefaultSize(), 30);

  cols.SetDefaultSize(0);  // ignored
  EXPECT_EQ(cols.DefaultSize(), 30);
}

TEST_F(HeaderTest, SetSizeStoresClearsDefaultAndAutoAndNotifiesTheView) {
  int events = 0;
  book.OnResizeCol = [&](TcxSSBookSheet& s, int index, uint16_t& size) {
    EXPECT_EQ(&s, &sheet);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(size, 40);
    ++events;
  };
  cols.SetSize(3, 40);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(cols.Count(), 4);  // the gap is filled with default items
  EXPECT_EQ(cols.GetItem(3).Size, 40);
  EXPECT_EQ(cols.GetItem(3).Flags & (kHeaderDefault | kHeaderAuto), 0);
  EXPECT_EQ(cols.GetItem(1), cols.DefaultItem());
  EXPECT_EQ(control.Changes, (std::vector<THeaderChange>{{0, 3}}));

  cols.SetSize(3, 40);  // unchanged: no event
  EXPECT_EQ(events, 1);
}

TEST_F(HeaderTest, SetSizeHandlerMayChangeOrCancelTheSize) {
  book.OnResizeRow = [](TcxSSBookSheet&, int index, uint16_t& size) {
    if (index == 1) size = 33;
    if (index == 2) size = 20;  // back to the current size: nothing happens
  };
  rows.SetSize(1, 50);
  rows.SetSize(2, 50);
  EXPECT_EQ(rows.VisibleSize(1), 33);
  EXPECT_EQ(rows.VisibleSize(2), 20);
  EXPECT_EQ(rows.Count(), 2);
  EXPECT_EQ(control.Changes, (std::vector<THeaderChange>{{1, 1}}));
}

TEST_F(HeaderTest, SetSizeOnAFixedItemDoesNothingAndFiresNoEvent) {
  int events = 0;
  book.OnResizeCol = [&](TcxSSBookSheet&, int, uint16_t&) { ++events; };
  cols.InsertItem(0, 50, false, true, true);
  cols.SetSize(0, 70);
  EXPECT_EQ(cols.VisibleSize(0), 50);
  EXPECT_EQ(events, 0);
}

TEST_F(HeaderTest, SizeChangesInsideTheUpdateLockDoNotTouchTheView) {
  book.BeginUpdate();
  cols.SetSize(0, 10);
  book.EndUpdate();
  EXPECT_EQ(cols.VisibleSize(0), 10);
  EXPECT_TRUE(control.Changes.empty());
}

TEST_F(HeaderTest, HidingKeepsTheSizeAndReportsTheChange) {
  std::vector<std::vector<int>> events;
  book.OnChangeRowVisible = [&](TcxCustomSpreadSheetBook&, TcxSSBookSheet&, int index, bool prev,
                                bool now) { events.push_back({index, prev, now}); };
  rows.SetSize(5, 33);
  rows.SetVisible(5, false);
  EXPECT_FALSE(rows.IsVisible(5));
  EXPECT_EQ(rows.VisibleSize(5), 0);
  EXPECT_EQ(rows.GetItem(5).Size, 33);
  rows.SetVisible(5, false);  // no change, no event
  rows.SetVisible(5, true);
  EXPECT_EQ(rows.VisibleSize(5), 33);
  EXPECT_EQ(events, (std::vector<std::vector<int>>{{5, 1, 0}, {5, 0, 1}}));
}

TEST_F(HeaderTest, SetLockedAndSetItem) {
  cols.SetLocked(2, true);  // already locked: nothing stored
  EXPECT_EQ(cols.Count(), 0);
  cols.SetLocked(2, false);
  EXPECT_FALSE(cols.IsItemLocked(2));
  EXPECT_TRUE(cols.IsItemLocked(1));
  EXPECT_EQ(cols.Count(), 3);

  TcxSSHeaderItem item{kHeaderHidden, 7, 12};
  cols.SetItem(6, item);
  EXPECT_EQ(cols.Count(), 7);
  EXPECT_EQ(cols.GetItem(6), item);
  EXPECT_EQ(cols.GetItem(4), cols.DefaultItem());
  cols.SetItem(-1, item);  // ignored
  EXPECT_EQ(cols.Count(), 7);
}

TEST_F(HeaderTest, InsertAndDeleteItemsShiftLaterItems) {
  SetColumns({10, 20, 30});
  // Inside the stored items: later ones move up.
  EXPECT_EQ(cols.InsertItem(1, cols.DefaultSize(), true, true, false), 4);
  EXPECT_EQ(cols.VisibleSize(1), 85);
  EXPECT_EQ(cols.VisibleSize(2), 20);
  EXPECT_EQ(cols.VisibleSize(3), 30);
  // A new default item inherits the header's lock, like the unstored items around it.
  EXPECT_TRUE(cols.IsItemLocked(1));
  // At or beyond the end, an item that follows the default is not stored.
  EXPECT_EQ(cols.InsertItem(10, 85, true, true, false), 4);
  // One that does not is stored, filling the gap.
  EXPECT_EQ(cols.InsertItem(6, 44, false, false, true), 7);
  EXPECT_EQ(cols.GetItem(6).Flags & (kHeaderHidden | kHeaderFixed | kHeaderDefault),
            kHeaderHidden | kHeaderFixed);
  EXPECT_EQ(cols.GetItem(6).Size, 44);

  cols.DeleteItem(0);
  EXPECT_EQ(cols.VisibleSize(0), 85);
  EXPECT_EQ(cols.VisibleSize(1), 20);
  EXPECT_EQ(cols.Count(), 6);
  cols.DeleteItem(100);  // beyond the items: nothing
  EXPECT_EQ(cols.Count(), 6);
  cols.Clear();
  EXPECT_EQ(cols.Count(), 0);
  EXPECT_EQ(cols.VisibleSize(1), 85);
}

// Many items inserted or deleted at once leave the header exactly as one at a time would.
TEST_F(HeaderTest, ManyItemsAtOnceAreManySingleItems) {
  const struct {
    const char* Name;
    bool Insert;
    int Index, Count;
    bool FollowsDefault;
  } cases[] = {
      {"insert inside", true, 1, 3, true},       {"insert at the end", true, 3, 2, true},
      {"insert beyond, default", true, 9, 4, true}, {"insert beyond, own size", true, 6, 3, false},
      {"insert none", true, 1, 0, false},        {"delete inside", false, 0, 2, true},
      {"delete past the end", false, 2, 5, true}, {"delete beyond", false, 7, 2, true},
  };
  // The same column header in a second workbook takes the items one at a time.
  TcxSpreadSheetBook second{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSHeader& one = second.ActiveSheet().ColumnHeader();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    one.Clear();
    cols.Clear();
    for (TcxSSHeader* header : {&cols, &one}) {
      header->SetSize(0, 10);
      header->SetSize(1, 20);
      header->SetVisible(2, false);
    }
    if (c.Insert) {
      cols.InsertItems(c.Index, c.Count, 44, c.FollowsDefault, false, true);
      for (int i = 0; i < c.Count; ++i) one.InsertItem(c.Index, 44, c.FollowsDefault, false, true);
    } else {
      cols.DeleteItems(c.Index, c.Count);
      for (int i = 0; i < c.Count; ++i) one.DeleteItem(c.Index);
    }
    ASSERT_EQ(cols.Count(), one.Count());
    for (int i = 0; i < cols.Count(); ++i) EXPECT_EQ(cols.GetItem(i), one.GetItem(i)) << i;
  }
}

TEST_F(HeaderTest, AssignCopiesItemsAndTheDefault) {
  cols.SetSize(1, 5);
  cols.SetDefaultSize(40);
  TcxSpreadSheetBook other{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSHeader& copy = other.ActiveSheet().ColumnHeader();
  copy.SetSize(9, 9);
  copy.Assign(cols);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.VisibleSize(1), 5);
  EXPECT_EQ(copy.VisibleSize(9), 40);
  EXPECT_EQ(copy.DefaultItem(), cols.DefaultItem());
}

// Columns used by the geometry tests:
//   index  0   1   2   3   4   5 …
//   size  10  20   –  30  85  85     (2 is hidden, so its visible size is 0)
class HeaderGeometryTest : public HeaderTest {
protected:
  HeaderGeometryTest() { SetColumns({10, 20, 0, 30}); }
};

TEST_F(HeaderGeometryTest, Distance) {
  struct Case { int First, Last; int64_t Pixels; } cases[] = {
      {0, 0, 0},   {0, 1, 10},  {0, 3, 30},   {0, 4, 60}, {2, 3, 0},
      {0, 6, 230}, {4, 6, 170}, {3, 0, -30},  {-2, 1, 180},
      {0, 1000000, 60 + int64_t{85} * (1000000 - 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.First << ".." << c.Last);
    EXPECT_EQ(cols.Distance(c.First, c.Last), c.Pixels);
  }
}

TEST_F(HeaderGeometryTest, CountFitting) {
  struct Case { int Start, Pixels; bool Forward; int Result; } cases[] = {
      {0, 9, true, 0},      // not even the first fits: the start itself
      {0, 10, true, 0},     {0, 30, true, 2},  // the hidden column fits for free
      {0, 59, true, 2},     {0, 60, true, 3},  {0, 145, true, 4}, {0, 229, true, 4},
      {0, 230, true, 5},    {10, 170, true, 11},
      {4, 29, false, 4},    {4, 30, false, 2},  // the hidden column fits for free
      {4, 50, false, 1},    {4, 1000, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Start << " " << c.Pixels << " " << c.Forward);
    EXPECT_EQ(cols.CountFitting(c.Start, c.Pixels, c.Forward), c.Result);
  }
}

TEST_F(HeaderGeometryTest, IndexAtDistance) {
  struct Case { int Start, Pixels; bool Forward; int Result; } cases[] = {
      {0, 0, true, 0},   {0, 9, true, 0},  {0, 10, true, 1},  {0, 29, true, 1},
      {0, 30, true, 3},  // lands on the hidden column: moves on to the next visible one
      {0, 60, true, 4},  {0, 230, true, 6}, {5, 85, true, 6},
      {4, 30, false, 3},  // the walk ends on the hidden column: back towards the start
      {4, 50, false, 1}, {4, 0, false, 4}, {3, 20, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Start << " " << c.Pixels << " " << c.Forward);
    EXPECT_EQ(cols.IndexAtDistance(c.Start, c.Pixels, c.Forward), c.Result);
  }
}

TEST_F(HeaderGeometryTest, NextVisible) {
  cols.SetSize(0, 10);
  struct Case { int Index; bool Forward; int Result; } cases[] = {
      {0, true, 1}, {1, true, 3}, {3, true, 4}, {10, true, 11}, {-5, true, 0},
      {3, false, 1}, {2, false, 1}, {1, false, 0}, {100, false, 99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Index << " " << c.Forward);
    EXPECT_EQ(cols.NextVisible(c.Index, c.Forward), c.Result);
  }
  // Nothing visible before: the first visible item from 0 on.
  cols.SetVisible(0, false);
  cols.SetVisible(1, false);
  EXPECT_EQ(cols.NextVisible(1, false), 3);
  EXPECT_EQ(cols.NextVisible(0, false), 3);
}

// AutoSize cases: the row starts with `flags`/`size` (and is hidden when `hidden`), then
// AutoSize(row, visible size, required) runs.
TEST_F(HeaderTest, AutoSize) {
  struct Case {
    const char* Name;
    uint8_t Flags;
    uint16_t Size;
    bool Hidden;
    int Required;
    uint16_t NewSize;
    uint8_t NewFlags;  // without the hidden bit
    int32_t ContentHeight;
  } cases[] = {
      {"default row grows", kHeaderDefault | kHeaderLocked, 20, false, 45, 45,
       kHeaderAuto | kHeaderLocked, 45},
      {"default row shrinks", kHeaderDefault | kHeaderLocked, 20, false, 15, 15,
       kHeaderAuto | kHeaderLocked, 15},
      {"automatic row shrinks", kHeaderAuto, 45, false, 30, 30, kHeaderAuto, 30},
      {"user-sized row grows", 0, 30, false, 45, 45, kHeaderAuto, 45},
      {"user-sized row never shrinks", 0, 60, false, 45, 60, 0, -1},
      {"hidden row takes the height and stays hidden", kHeaderDefault, 20, true, 51, 51,
       kHeaderAuto, 51},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    rows.Clear();
    rows.SetItem(7, {static_cast<uint8_t>(c.Flags | (c.Hidden ? kHeaderHidden : 0)), -1, c.Size});
    rows.AutoSize(7, rows.VisibleSize(7), c.Required);
    const TcxSSHeaderItem& item = rows.GetItem(7);
    EXPECT_EQ(item.Size, c.NewSize);
    EXPECT_EQ(item.Flags & ~kHeaderHidden, c.NewFlags);
    EXPECT_EQ((item.Flags & kHeaderHidden) != 0, c.Hidden);
    EXPECT_EQ(item.ContentHeight, c.ContentHeight);
  }
}

TEST_F(HeaderTest, AutoSizeStopsWhenTheRequiredHeightIsUnchanged) {
  rows.AutoSize(2, 20, 45);
  ASSERT_EQ(rows.VisibleSize(2), 45);
  rows.SetSize(2, 50);  // user size, content height kept
  int events = 0;
  book.OnResizeRow = [&](TcxSSBookSheet&, int, uint16_t&) { ++events; };
  rows.AutoSize(2, 50, 45);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(rows.VisibleSize(2), 50);
}

TEST_F(HeaderTest, AutoSizeScalesAnOldHeightToANewTextHeight) {
  // A visible row of 40 pixels whose text grows from 20 to 30 pixels high: 40 × 30 / 20.
  rows.SetItem(1, {kHeaderAuto, -1, 40});
  rows.AutoSize(1, 20, 30);
  EXPECT_EQ(rows.VisibleSize(1), 60);
}

TEST_F(HeaderTest, AutoSizeHandlerMayChangeTheHeight) {
  book.OnResizeRow = [](TcxSSBookSheet&, int, uint16_t& size) { size = 0; };
  rows.SetItem(3, {kHeaderAuto, -1, 40});
  rows.AutoSize(3, 40, 60);
  // A zero result falls back to the default size and follows it again.
  EXPECT_EQ(rows.GetItem(3).Size, 20);
  EXPECT_EQ(rows.GetItem(3).Flags & (kHeaderAuto | kHeaderDefault), kHeaderDefault);
  EXPECT_EQ(rows.GetItem(3).ContentHeight, 60);
  EXPECT_EQ(control.Changes, (std::vector<THeaderChange>{{1, 3}}));
}

}  // namespace
