#!/usr/bin/env bash
# fuzz/run.sh [SECONDS] [extra libFuzzer options…]: builds the compound document reader's fuzz
# target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a
# bounded time, seeded with the .xls corpus. New inputs go to build/fuzz/corpus; crashes to
# build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
corpus_dir=${ZOF_CORPUS_DIR:-../shared/corpus/xls}
out=build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -O1 -g -I. -Wall -Wextra -Werror \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer \
  fuzz/cfb_fuzz.cpp xls/cxCompoundDocument.cpp xls/cxWorkBookWriter.cpp platform/Unicode.cpp \
  -o "$out/cfb_fuzz"

seeds=()
for dir in "$corpus_dir" "$corpus_dir"/malformed "$corpus_dir"/encrypted "$corpus_dir"/old-biff; do
  [[ -d $dir ]] && seeds+=("$dir")
done

# The first folder receives new inputs; the seed folders are only read. Inputs are capped at
# 1 MiB and memory at 2 GiB, so a huge allocation is reported as a failure.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$out/cfb_fuzz" -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=2048 \
  -malloc_limit_mb=512 -timeout=10 -artifact_prefix="$out/artifacts/" -print_final_stats=1 "$@" \
  "$out/corpus" "${seeds[@]}"
