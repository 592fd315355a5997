// Allocation counts of the cell storage: reading an empty sheet allocates nothing, and far cells
// cost a block of slots, not the whole rectangle up to them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleCache.h"

// Counts the allocations of this test program, so that a test can tell how much an operation
// allocated. The replacements are global, which is why these tests live in a program of their
// own: every other test keeps the library's allocator and the sanitizer's checks on it. The replacements pair malloc with free; GCC 12 at -O2 cannot see that
// through inlining and warns about a mismatch. Every plain and nothrow form is replaced, so
// that a block never passes between the library's allocator and these.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
size_t gAllocations = 0;
size_t gAllocatedBytes = 0;
}  // namespace

void* operator new(size_t size) {
  ++gAllocations;
  gAllocatedBytes += size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++gAllocations;
  gAllocatedBytes += size;
  return std::malloc(size ? size : 1);
}
void* operator new[](size_t size) { return ::operator new(size); }
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class DataStorageTest : public ::testing::Test {
protected:
  ~DataStorageTest() override { EXPECT_TRUE(storage.CheckConsistency()); }

  TcxSpreadSheetBook book{MakeFixedEnvironment(TRegionalSettings::English())};
  TcxSSBookSheet& sheet = book.ActiveSheet();
  TcxSSDataStorage& storage = sheet.DataStorage();
  TcxSSStyleCache& styles = book.StyleCache();
};

TEST_F(DataStorageTest, ReadingAnEmptySheetAnswersTheDefaultCellAndAllocatesNothing) {
  TcxSSCellRec cell;
  cell.Text = "something long enough to live on the heap, not in the string itself";
  const size_t before = gAllocations;
  storage.GetCell(1000000, 1000000, cell);
  const TcxSSCellRec& ref = storage.CellRef(1000000, 1000000);
  const TcxSSCellRec* found = storage.FindCell(1000000, 1000000);
  const int width = sheet.ColumnHeader().VisibleSize(1000000);
  EXPECT_EQ(gAllocations, before);
  EXPECT_TRUE(cell.SameAs(storage.DefaultCell()));
  EXPECT_EQ(&ref, &storage.DefaultCell());
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(width, 85);
  EXPECT_EQ(storage.ColCapacity(), 0);
  EXPECT_EQ(storage.RowCapacity(), 0);
  EXPECT_EQ(storage.DefaultCell().Style, styles.DefaultRecord());
  EXPECT_EQ(storage.DefaultCell().Kind, ckText);
}

TEST_F(DataStorageTest, AFarCellCostsOneColumnOfSlotsNotTheWholeRectangle) {
  const size_t before = gAllocatedBytes;
  storage.SetCellNumber(255, 65535, 1);
  // 256 column entries and one column of 65536 slots: well under a megabyte, where slots for
  // every column would take more than a hundred.
  EXPECT_LT(gAllocatedBytes - before, size_t{1} << 20);
  EXPECT_EQ(storage.ColCapacity(), 265);
  EXPECT_EQ(storage.RowCapacity(), 66535);
  EXPECT_EQ(storage.ColumnRowCount(254), 0);
}

TEST_F(DataStorageTest, AValueInTheLastRowOfEveryColumnCostsABlockNotAColumn) {
  const size_t before = gAllocatedBytes;
  for (int col = 0; col < 256; ++col) storage.SetCellNumber(col, 65535, col);
  // One block of slots per column and the records: about a megabyte, where slots down to the
  // last row would take 128.
  EXPECT_LT(gAllocatedBytes - before, size_t{4} << 20);
  EXPECT_EQ(storage.RowCount(), 65536);
  EXPECT_EQ(storage.ColCount(), 256);
  for (int col = 0; col < 256; col += 51) {
    EXPECT_EQ(storage.CellRef(col, 65535).Number, col);
    EXPECT_EQ(storage.FindCell(col, 65534), nullptr);
    EXPECT_EQ(storage.FindCell(col, 0), nullptr);
  }
  int records = 0;
  storage.ForEachCellIn({250, 60000, 300, 70000}, [&](int col, int row, const TcxSSCellRec& cell) {
    EXPECT_EQ(row, 65535);
    EXPECT_EQ(cell.Number, col);
    ++records;
  });
  EXPECT_EQ(records, 6);
}

}  // namespace
