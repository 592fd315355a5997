// Writing and reading the compound document container around large workbook streams.

#include <benchmark/benchmark.h>

#include <cstring>
#include <sstream>

#include "xls/cxCompoundDocument.h"
#include "xls/cxWorkBookWriter.h"

namespace {

std::vector<uint8_t> StreamBytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  return bytes;
}

// Reads from a buffer the benchmark keeps, so no iteration pays for copying the file.
class TBorrowedSource final : public TcxCompoundDocumentSource {
public:
  explicit TBorrowedSource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, std::span<uint8_t> dest) override {
    if (offset > bytes_.size() || dest.size() > bytes_.size() - offset) return false;
    std::memcpy(dest.data(), bytes_.data() + offset, dest.size());
    return true;
  }

private:
  const std::vector<uint8_t>& bytes_;
};

void BM_WriteContainer(benchmark::State& state) {
  const auto stream = StreamBytes(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    auto file = WriteCompoundDocument(stream);
    benchmark::DoNotOptimize(file.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_ReadContainerFromMemory(benchmark::State& state) {
  const auto file = WriteCompoundDocument(StreamBytes(static_cast<size_t>(state.range(0))));
  std::vector<uint8_t> stream;
  for (auto _ : state) {
    auto document = TcxCompoundDocument::Open(std::make_unique<TBorrowedSource>(file));
    const auto found = document.FindWorkbookStream();
    if (!found || document.ReadStream(found->Entry, stream) != TcxCompoundDocumentError::cdeNone)
      state.SkipWithError("container not read");
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_ReadContainerFromStream(benchmark::State& state) {
  const auto file = WriteCompoundDocument(StreamBytes(static_cast<size_t>(state.range(0))));
  std::istringstream in(std::string(file.begin(), file.end()));
  for (auto _ : state) {
    TcxWorkBookReader reader(in);
    if (!reader.Loaded()) state.SkipWithError("container not read");
    benchmark::DoNotOptimize(reader.Buffer().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// 64 KB, 1 MB, 8 MB (the first DIFAT sectors) and 48 MB (several DIFAT sectors).
void StreamSizes(benchmark::internal::Benchmark* benchmark) {
  for (const int64_t size : {64 << 10, 1 << 20, 8 << 20, 48 << 20}) benchmark->Arg(size);
  benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_WriteContainer)->Apply(StreamSizes);
BENCHMARK(BM_ReadContainerFromMemory)->Apply(StreamSizes);
BENCHMARK(BM_ReadContainerFromStream)->Apply(StreamSizes);

}  // namespace

BENCHMARK_MAIN();
