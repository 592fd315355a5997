// Sharing style records over many cells: formatting a block of cells with a few hundred
// distinct looks (as a read file does), and clearing it again.

#include <benchmark/benchmark.h>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

namespace {

// Gives every cell of a column-major block one of `looks` distinct looks (fill colour, number
// format and alignment), then clears the block with its styles.
void BM_FormatAndClearCells(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const int looks = static_cast<int>(state.range(1));
  constexpr int kCols = 4;
  TcxSpreadSheetBook book(MakeFixedEnvironment(TRegionalSettings::English()));
  TcxSSDataStorage& storage = book.Pages(0).DataStorage();
  book.History().Lock();
  book.BeginUpdate();
  for (auto _ : state) {
    for (int col = 0; col < kCols; ++col)
      for (int row = 0; row < rows; ++row) {
        const int look = (row * kCols + col) % looks;
        TcxSSCellStyle style(book.StyleCache(), &storage, col, row);
        style.Brush().SetValues(fsSolid, static_cast<TcxSSColor>(look % 56), 57);
        style.SetFormat(static_cast<TxlsDataFormat>(look / 56 % 52));
        style.SetHorzTextAlign(static_cast<TcxHorzTextAlign>(look / (56 * 52) % 6));
      }
    benchmark::DoNotOptimize(book.StyleCache().StyleCount());
    storage.ClearCells({0, 0, kCols - 1, rows - 1}, true);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * rows * kCols);
}
BENCHMARK(BM_FormatAndClearCells)
    ->Args({25000, 500})
    ->Args({250000, 500})
    ->Args({25000, 4000})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
