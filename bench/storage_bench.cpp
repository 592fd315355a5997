// Filling a sheet with a million numbers row by row and reading them back, the way a loaded
// file or a long paste fills a sheet.
#include <benchmark/benchmark.h>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

void WriteAndRead(benchmark::State& state, bool lockHistory) {
  for (auto _ : state) {
    state.PauseTiming();
    auto book = std::make_unique<TcxSpreadSheetBook>(
        MakeFixedEnvironment(TRegionalSettings::English()));
    TcxSSDataStorage& storage = book->ActiveSheet().DataStorage();
    if (lockHistory) book->History().Lock();
    state.ResumeTiming();

    book->BeginUpdate();
    for (int row = 0; row < kRows; ++row)
      for (int col = 0; col < kCols; ++col) storage.SetCellNumber(col, row, row + col * 0.125);
    book->EndUpdate();
    double sum = 0;
    size_t textLength = 0;
    for (int row = 0; row < kRows; ++row) {
      for (int col = 0; col < kCols; ++col) {
        const TcxSSCellRec& cell = storage.CellRef(col, row);
        sum += cell.Number;
        textLength += cell.Text.size();
      }
    }
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(textLength);

    state.PauseTiming();
    book.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows * kCols);
}

// As the task is stated: inside BeginUpdate/EndUpdate, every write recorded in the history.
void BM_WriteReadMillion(benchmark::State& state) { WriteAndRead(state, false); }
// As a file load does it: the history locked as well.
void BM_WriteReadMillionHistoryLocked(benchmark::State& state) { WriteAndRead(state, true); }

// Reading one far cell of an empty sheet.
void BM_ReadFarEmptyCell(benchmark::State& state) {
  TcxSpreadSheetBook book(MakeFixedEnvironment(TRegionalSettings::English()));
  const TcxSSDataStorage& storage = book.ActiveSheet().DataStorage();
  TcxSSCellRec cell;
  for (auto _ : state) {
    storage.GetCell(1000000, 1000000, cell);
    benchmark::DoNotOptimize(cell);
  }
}

}  // namespace

BENCHMARK(BM_WriteReadMillion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteReadMillionHistoryLocked)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadFarEmptyCell);

BENCHMARK_MAIN();
