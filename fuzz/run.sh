#!/usr/bin/env bash
# fuzz/run.sh [SECONDS] [extra libFuzzer options…]: builds the fuzz targets with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for a bounded time (SECONDS each,
# default 30), seeded with the .xls corpus:
#   cfb_fuzz         the compound document reader and writer
#   xls_reader_fuzz  the workbook reader (records, strings, formulas, styles)
# ZOF_FUZZ_TARGETS picks some of them ("cfb_fuzz xls_reader_fuzz" by default). New inputs go to
# build/fuzz/<target>-corpus; crashes to build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
corpus_dir=${ZOF_CORPUS_DIR:-../shared/corpus/xls}
targets=${ZOF_FUZZ_TARGETS:-cfb_fuzz xls_reader_fuzz}
out=build/fuzz
mkdir -p "$out/artifacts"

container_sources=(xls/cxCompoundDocument.cpp xls/cxWorkBookWriter.cpp platform/Unicode.cpp)
reader_sources=(xls/cxBiffReader.cpp xls/cxBiffRecords.cpp xls/cxExcelStyles.cpp
  xls/cxFormulaReader.cpp xls/cxExcelSheetReader.cpp xls/cxExcelFileReader.cpp
  xls/cxCompoundDocument.cpp platform/Unicode.cpp platform/RegionalSettings.cpp
  calc/cxSSConvert.cpp calc/cxSSFormats.cpp calc/cxSSDateTime.cpp calc/cxSSUtils.cpp
  calc/cxSSFunctionTable.cpp)

build() {
  local target=$1
  shift
  clang++ -std=c++20 -O1 -g -I. -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer \
    "fuzz/$target.cpp" "$@" -o "$out/$target"
}

seeds=()
for dir in "$corpus_dir" "$corpus_dir"/malformed "$corpus_dir"/encrypted "$corpus_dir"/old-biff; do
  [[ -d $dir ]] && seeds+=("$dir")
done

for target in $targets; do
  case $target in
    cfb_fuzz) build cfb_fuzz "${container_sources[@]}" ;;
    xls_reader_fuzz) build xls_reader_fuzz "${reader_sources[@]}" ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
  mkdir -p "$out/$target-corpus"
  echo "== $target ($seconds s)"
  # The first folder receives new inputs; the seed folders are only read. Inputs are capped at
  # 1 MiB and memory at 2 GiB, so a huge allocation is reported as a failure.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$out/$target" -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -timeout=10 -artifact_prefix="$out/artifacts/$target-" \
    -print_final_stats=1 "$@" "$out/$target-corpus" "${seeds[@]}"
done
