// Loading .xls workbooks: the reader alone and the whole load into a workbook, on the benchmark
// workbook of make_big.py (two sheets of 50,000 rows × 10 columns: numbers, short texts and 10%
// formulas, 17 MB) and on the corpus's largest formula workbook. Peers (python3-xlrd, Gnumeric's
// ssconvert, LibreOffice) read the same file in the same run, and the ratios (ours ÷ theirs) are
// printed at the end, so the comparison holds on a busy machine.
//
//   xls_bench [--benchmark_filter=…]      ZOF_BENCH_NO_PEERS=1 skips the peers.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSIntf.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "xls/cxExcelFileReader.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = ZOF_CORPUS_DIR;

// The benchmark workbook, made once per machine (make_big.py takes about a minute).
fs::path BigWorkbook() {
  static const fs::path path = [] {
    const fs::path file = fs::temp_directory_path() / "zofmirel-bench-big.xls";
    if (fs::exists(file)) return file;
    const fs::path script = kCorpus / ".." / ".." / "bench" / "make_big.py";
    const std::string command = "/usr/bin/python3 '" + script.string() + "' '" + file.string() + ".part' && mv '" +
                                file.string() + ".part' '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) return fs::path();
    return file;
  }();
  return path;
}

// Peak resident memory of the process since the last reset, in megabytes.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double PeakMemoryMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

// Best wall-clock seconds per benchmark name, for the ratios.
std::map<std::string, double>& Seconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}
void Record(const std::string& name, double seconds) {
  auto [it, inserted] = Seconds().emplace(name, seconds);
  if (!inserted) it->second = std::min(it->second, seconds);
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// --- The reader alone, into a target that keeps nothing -------------------------------------------

class TNullCell final : public IcxSheetCell, public IcxCellStyle {
public:
  IcxCellStyle& GetStyle() override { return *this; }
  void SetText(const std::string&) override {}
  std::string GetText() const override { return {}; }
  void SetTextEx(const std::string& text, bool, bool) override { benchmark::DoNotOptimize(text.data()); }
  void SetNumber(double value) override { benchmark::DoNotOptimize(value); }
  void SetPlainText(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
  bool IsFormula() const override { return true; }
  void ApplyBorder(int, TcxSSEdgeLineStyle, TcxSSColor) override {}
  void ApplyBrush(TcxSSFillStyle, TcxSSColor, TcxSSColor) override {}
  void ApplyFormat(TxlsDataFormat) override {}
  void ApplyFont(const TcxSSFontRec*) override {}
  void ApplyStyleRec(const TcxSSStyleRec&, bool) override {}
};

class TNullSheet final : public IcxBookSheet {
public:
  void SetHeaderItem(int, int, int, bool, bool) override {}
  void SetDefaultSize(int, int) override {}
  void MergeCells(const TRect&, bool) override {}
  void SetDimensions(int, int) override {}
  void SetProtected(bool) override {}
  void SetOptions(const TRect&, bool, bool, bool, bool) override {}
  std::unique_ptr<IcxSheetCell> GetCell(int, int) override { return std::make_unique<TNullCell>(); }
};

class TNullBook final : public IcxSpreadSheetBook {
public:
  std::shared_ptr<IcxBookSheet> AddSheet(const std::string&) override {
    sheets_.push_back(std::make_shared<TNullSheet>());
    return sheets_.back();
  }
  int BeginUpdate() override { return 1; }
  int DefineName(const std::string&, int, const TRect&) override { return 0; }
  int EndUpdate() override { return 0; }
  std::unique_ptr<IcxSheetCell> GetCell(int, int, int) override { return std::make_unique<TNullCell>(); }
  std::shared_ptr<IcxBookSheet> GetSheet(int page) override { return sheets_.at(static_cast<size_t>(page)); }
  int GetPageCount() const override { return static_cast<int>(sheets_.size()); }
  void SetProtected(bool) override {}
  void SetDefaultStyleRecord(const TcxSSStyleRec&, const TcxSSFontRec&) override {}
  void SetPalette(const std::array<TColor, 56>&) override {}
  void SetPageVisible(int, bool) override {}

private:
  std::vector<std::shared_ptr<TNullSheet>> sheets_;
};

void ReadOnly(benchmark::State& state, const fs::path& file) {
  if (file.empty() || !fs::exists(file)) {
    state.SkipWithError("the workbook is missing (make_big.py needs /usr/bin/python3 with xlwt)");
    return;
  }
  for (auto _ : state) {
    TNullBook book;
    TcxExcelFileReader reader(book, TRegionalSettings::English());
    std::ifstream in(file, std::ios::binary);
    if (!reader.AcceptStream(in)) state.SkipWithError("not accepted");
    reader.ReadAll();
  }
}

// --- The whole load into a workbook ----------------------------------------------------------------

void Load(benchmark::State& state, const fs::path& file, const std::string& name) {
  if (file.empty() || !fs::exists(file)) {
    state.SkipWithError("the workbook is missing (make_big.py needs /usr/bin/python3 with xlwt)");
    return;
  }
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto book = std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
    ResetPeakMemory();
    const double start = Now();
    state.ResumeTiming();
    try {
      book->LoadFromFile(file.string());
    } catch (const ESpreadSheetUnknownFunctions&) {
      // The content is loaded; formulas with functions outside the library keep their values.
    }
    state.PauseTiming();
    Record(name, Now() - start);
    peak = std::max(peak, PeakMemoryMb());
    book.reset();
    state.ResumeTiming();
  }
  state.counters["peak_rss_mb"] = peak;
}

// --- Peers -----------------------------------------------------------------------------------------

bool PeersWanted() { return std::getenv("ZOF_BENCH_NO_PEERS") == nullptr; }

// Runs a peer's command once per iteration; skipped when its program is not installed.
void Peer(benchmark::State& state, const std::string& program, const std::string& command,
          const std::string& name) {
  if (!PeersWanted()) {
    state.SkipWithError("peers skipped (ZOF_BENCH_NO_PEERS)");
    return;
  }
  if (!fs::exists(program)) {
    state.SkipWithError((program + " is not installed").c_str());
    return;
  }
  const fs::path file = BigWorkbook();
  if (file.empty()) {
    state.SkipWithError("the workbook is missing");
    return;
  }
  for (auto _ : state) {
    const double start = Now();
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    Record(name, Now() - start);
  }
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

void BM_ReadBigWorkbookOnly(benchmark::State& state) { ReadOnly(state, BigWorkbook()); }
void BM_LoadBigWorkbook(benchmark::State& state) { Load(state, BigWorkbook(), "ours"); }
void BM_LoadMixedGasReport(benchmark::State& state) {
  Load(state, kCorpus / "poi-57231_MixedGasReport.xls", "MixedGasReport");
}
void BM_PeerXlrd(benchmark::State& state) {
  Peer(state, "/usr/bin/python3",
       "/usr/bin/python3 -c 'import sys, xlrd; xlrd.open_workbook(sys.argv[1])' " + Quoted(BigWorkbook()),
       "xlrd");
}
void BM_PeerGnumeric(benchmark::State& state) {
  const fs::path out = fs::temp_directory_path() / "zofmirel-bench-gnumeric.csv";
  Peer(state, "/usr/bin/ssconvert",
       "/usr/bin/ssconvert " + Quoted(BigWorkbook()) + " " + Quoted(out) + " >/dev/null 2>&1",
       "ssconvert");
}
void BM_PeerLibreOffice(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / "zofmirel-bench-soffice";
  Peer(state, "/usr/bin/soffice",
       "/usr/bin/soffice -env:UserInstallation=file://" + (dir / "profile").string() +
           " --headless --convert-to csv --outdir " + Quoted(dir) + " " + Quoted(BigWorkbook()) +
           " >/dev/null 2>&1",
       "soffice");
}

BENCHMARK(BM_ReadBigWorkbookOnly)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LoadBigWorkbook)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_LoadMixedGasReport)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_PeerXlrd)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_PeerGnumeric)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_PeerLibreOffice)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto& seconds = Seconds();
  if (const auto ours = seconds.find("ours"); ours != seconds.end()) {
    std::printf("\nLoading the benchmark workbook: %.3f s (best wall-clock time)\n", ours->second);
    for (const char* peer : {"xlrd", "ssconvert", "soffice"})
      if (const auto it = seconds.find(peer); it != seconds.end())
        std::printf("  ours / %-9s = %.3f  (%s: %.3f s)\n", peer, ours->second / it->second, peer,
                    it->second);
  }
  return 0;
}
