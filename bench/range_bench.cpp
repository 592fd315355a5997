// Range operations over a large sheet: one entire row inserted at the top of 100,000 rows by 10
// columns holding 10,000 formulas, and its undo; sorting 100,000 rows by one column; and the cost
// of recording single-cell changes as steps of their own.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <random>
#include <string>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

// Numbers in columns A..I, and in column J every tenth row a formula over its own row.
std::unique_ptr<TcxSpreadSheetBook> MakeBigBook() {
  auto book = std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
  TcxSSDataStorage& storage = book->ActiveSheet().DataStorage();
  book->History().Lock();
  book->BeginUpdate();
  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kCols - 1; ++col) storage.SetCellNumber(col, row, row * 10 + col);
    if (row % 10 == 0) {
      const std::string r = std::to_string(row + 1);
      storage.SetCellText(kCols - 1, row, "=A" + r + "*2+B" + r, true, false);
    }
  }
  book->EndUpdate();
  book->History().Unlock();
  return book;
}

// The processor time the operation takes: the machines these run on are shared, and wall time
// there measures the neighbours as much as the operation (which runs on one thread).
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename F>
double Seconds(F&& f) {
  const double start = ThreadSeconds();
  f();
  return ThreadSeconds() - start;
}

void BM_InsertRowAtTop(benchmark::State& state) {
  for (auto _ : state) {
    auto book = MakeBigBook();
    TcxSSBookSheet& sheet = book->ActiveSheet();
    state.SetIterationTime(Seconds([&] { sheet.InsertCells({0, 0, 0, 0}, 3); }));
  }
}

void BM_UndoInsertRowAtTop(benchmark::State& state) {
  for (auto _ : state) {
    auto book = MakeBigBook();
    book->ActiveSheet().InsertCells({0, 0, 0, 0}, 3);
    state.SetIterationTime(Seconds([&] { book->History().Undo(1); }));
  }
}

// Sorting the rows of A1:J100000 by column A, whose numbers are shuffled.
void BM_SortRows(benchmark::State& state) {
  for (auto _ : state) {
    auto book = MakeBigBook();
    TcxSSDataStorage& storage = book->ActiveSheet().DataStorage();
    std::mt19937 random(42);
    book->History().Lock();
    for (int row = 0; row < kRows; ++row)
      storage.SetCellNumber(0, row, static_cast<double>(random() % 1000000));
    book->History().Unlock();
    TcxSSBookSheet& sheet = book->ActiveSheet();
    state.SetIterationTime(Seconds([&] { sheet.SortCells({0, 0, kCols - 1, kRows - 1}, {0}); }));
  }
}

// A million single-cell writes, each recorded as a step of its own (the undo list keeps the
// newest fifteen).
void BM_RecordMillionSingleChanges(benchmark::State& state) {
  for (auto _ : state) {
    auto book = std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
    TcxSSDataStorage& storage = book->ActiveSheet().DataStorage();
    state.SetIterationTime(Seconds([&] {
      book->BeginUpdate();
      for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kCols; ++col) storage.SetCellNumber(col, row, row + col * 0.125);
      book->EndUpdate();
    }));
  }
}

}  // namespace

BENCHMARK(BM_InsertRowAtTop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UndoInsertRowAtTop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortRows)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecordMillionSingleChanges)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
