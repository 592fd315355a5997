// Saving a workbook of 1,000,000 cells: the one ../shared/bench/make_big.py writes (two sheets of
// 50,000 rows × 10 columns: numbers, short texts and one formula a row), loaded once and saved
// again and again, to memory and to a file. The peak memory of the process is reported with
// each run (peak_rss_mb), since it covers the loaded workbook and everything a save needs.
//
// The workbook is read from $ZOF_BIG_XLS when that names a file; otherwise make_big.py is run
// (with /usr/bin/python3) to write it to the temporary folder first.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSpreadSheetBook.h"

namespace {

namespace fs = std::filesystem;

fs::path BigWorkbookFile() {
  if (const char* given = std::getenv("ZOF_BIG_XLS"); given && fs::exists(given)) return given;
  const fs::path file = fs::temp_directory_path() / "zof-bench-big.xls";
  if (!fs::exists(file)) {
    const std::string command = "/usr/bin/python3 " ZOF_SHARED_DIR "/bench/make_big.py " + file.string();
    if (std::system(command.c_str()) != 0) return {};
  }
  return file;
}

TcxSpreadSheetBook* BigBook() {
  static std::unique_ptr<TcxSpreadSheetBook> book = [] {
    auto b = std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
    b->LoadFromFile(BigWorkbookFile().string());
    return b;
  }();
  return book.get();
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void BM_SaveBigToMemory(benchmark::State& state) {
  TcxSpreadSheetBook* book = BigBook();
  size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    book->SaveToStream(out);
    bytes = out.tellp();
  }
  state.counters["file_mb"] = bytes / 1e6;
  state.counters["peak_rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_SaveBigToMemory)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_SaveBigToFile(benchmark::State& state) {
  TcxSpreadSheetBook* book = BigBook();
  const fs::path out = fs::temp_directory_path() / "zof-bench-saved.xls";
  for (auto _ : state) book->SaveToFile(out.string());
  state.counters["file_mb"] = fs::file_size(out) / 1e6;
  state.counters["peak_rss_mb"] = PeakRssMb();
  fs::remove(out);
}
BENCHMARK(BM_SaveBigToFile)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
