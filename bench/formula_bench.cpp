// Formula engine benchmarks: parsing, full recalculation and a long dependency chain.
//
// The range sums use the library's SUM when its routine is registered; without it a stand-in
// with the same argument walk (number mode over the area) is registered under another name.
// On a shared machine compare the CPU column: the wall time includes waiting for a core.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionTable.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"

namespace {

void StandInSum(TcxSSFunctionHandler& h) {
  double sum = 0;
  h.ForEachArgument([&sum](const TcxArgumentValue& v) { sum += v.Number; }, amNumber);
  h.PushNumber(sum);
}

std::string SumName() {
  TcxFuncDefinition sum;
  if (FindFunctionByName("SUM", sum) && sum.Proc) return "SUM";
  if (!FindFunctionByName("BENCHSUM", sum)) AddFunction({1100, "BENCHSUM", StandInSum, 0, 1});
  return "BENCHSUM";
}

struct Book {
  Book() : book(MakeFixedEnvironment(TRegionalSettings::English())) {
    book.History().Lock();
    book.BeginUpdate();
  }
  // Ends the update bracket of the set-up (which recalculates once).
  void Ready() { book.EndUpdate(); }
  TcxSSDataStorage& Cells() { return book.Pages(0).DataStorage(); }
  TcxSSFormulasCache& Cache() { return book.FormulasCache(); }
  TcxSpreadSheetBook book;
};

// 100,000 formulas =SUM(A1:A10)*B1+IF(C1>0,1,2), each parsed into its tokens.
void BM_Parse100k(benchmark::State& state) {
  Book b;
  TcxSSFunctionHandler& handler = b.Cache().Handler();
  const std::string text = "=SUM(A1:A10)*B1+IF(C1>0,1,2)";
  TcxSSFormula formula;
  formula.Col = 5;
  formula.Row = 20;
  for (auto _ : state)
    for (int i = 0; i < 100000; ++i) {
      handler.ParseFormula(text, formula);
      benchmark::DoNotOptimize(formula.Tokens.data());
    }
  state.counters["formulas"] = 100000;
}
BENCHMARK(BM_Parse100k)->Unit(benchmark::kMillisecond);

// The same formulas typed into 100,000 cells: parse, register and rebuild the text.
void BM_Enter100k(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<Book>();
    state.ResumeTiming();
    for (int row = 0; row < 100000; ++row)
      b->Cells().SetCellText(3, row, "=SUM(A1:A10)*B1+IF(C1>0,1,2)", true, false);
    state.PauseTiming();
    b.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Enter100k)->Unit(benchmark::kMillisecond);

// A sheet of 100,000 formulas: a chain of 10,000 (B2 = B1 + 1 ...) and 90,000 sums of ten cells.
void BM_Recalc100k(benchmark::State& state) {
  Book b;
  const std::string sum = SumName();
  for (int row = 0; row < 10000; ++row) b.Cells().SetCellText(0, row, std::to_string(row), true, false);
  b.Cells().SetCellText(1, 0, "1", true, false);
  for (int row = 1; row < 10000; ++row)
    b.Cells().SetCellText(1, row, "=B" + std::to_string(row) + "+1", true, false);
  for (int i = 0; i < 90000; ++i) {
    const int first = i % 9990 + 1;
    b.Cells().SetCellText(2 + i / 10000, i % 10000,
                          "=" + sum + "(A" + std::to_string(first) + ":A" +
                              std::to_string(first + 9) + ")",
                          true, false);
  }
  if (b.Cache().Count() != 99999) state.SkipWithError("formulas not registered");
  b.Ready();
  for (auto _ : state) b.Cache().RecalcAll();
  state.counters["formulas"] = b.Cache().Count();
}
BENCHMARK(BM_Recalc100k)->Unit(benchmark::kMillisecond);

// A chain of 100,000 formulas registered from the end, so that each waits for the one before.
void BM_Chain100k(benchmark::State& state) {
  Book b;
  b.Cells().SetCellText(0, 0, "1", true, false);
  for (int row = 100000; row >= 1; --row)
    b.Cells().SetCellText(0, row, "=A" + std::to_string(row) + "+1", true, false);
  b.Ready();
  for (auto _ : state) b.Cache().RecalcAll();
  const TcxSSCellRec& last = b.Cells().CellRef(0, 100000);
  if (b.Cache().DisplayText(*last.Formula) != "100001") state.SkipWithError("wrong chain result");
}
BENCHMARK(BM_Chain100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
