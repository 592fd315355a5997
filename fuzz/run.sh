#!/usr/bin/env bash
# fuzz/run.sh [SECONDS] [extra libFuzzer options…]: builds the fuzz targets with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for a bounded time (SECONDS each,
# default 30), seeded with the .xls corpus and small hostile workbooks of tests/xls/make_hostile.py:
#   cfb_fuzz         the compound document reader and writer
#   xls_reader_fuzz  the workbook reader (records, strings, formulas, styles)
#   xls_load_fuzz    loading into a workbook (the reader and the whole core behind it)
# ZOF_FUZZ_TARGETS picks some of them (all three by default). Objects are kept in build/fuzz/obj
# and rebuilt only when a source or a header they include changed. New inputs go to
# build/fuzz/<target>-corpus; crashes to build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
corpus_dir=${ZOF_CORPUS_DIR:-../shared/corpus/xls}
targets=${ZOF_FUZZ_TARGETS:-cfb_fuzz xls_reader_fuzz xls_load_fuzz}
out=build/fuzz
mkdir -p "$out/artifacts" "$out/obj"

flags=(-std=c++20 -O1 -g -I. -fsanitize=fuzzer-no-link,address,undefined
  -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
# Warnings are enforced by the gcc builds; clang's own warning set does not fail the fuzzing.

container_sources=(xls/cxCompoundDocument.cpp xls/cxWorkBookWriter.cpp platform/Unicode.cpp)
# The reader needs the function table, which needs the function library and with it most of the
# core: both reader targets link the whole core (the objects are shared, compiled once).
mapfile -t core_sources < <(ls sheet/*.cpp calc/*.cpp styles/*.cpp xls/*.cpp platform/*.cpp)

# The object of a source, compiled when it is missing or older than the source or any header
# its dependency file lists.
object() {
  local source=$1 object="$out/obj/${1//\//_}.o"
  local deps="${object%.o}.d" stale=1
  if [[ -f $object && -f $deps ]]; then
    stale=0
    for file in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$deps"); do
      [[ $file -nt $object ]] && { stale=1; break; }
    done
  fi
  if [[ $stale -eq 1 ]]; then
    clang++ "${flags[@]}" -MMD -MF "$deps" -c "$source" -o "$object" >&2
  fi
  echo "$object"
}

# Compiles the sources' objects, as many at a time as there are processors.
compile_all() {
  local parallel running=0 failed=0 source
  parallel=$(nproc)
  for source in "$@"; do
    object "$source" >/dev/null &
    running=$((running + 1))
    if ((running >= parallel)); then
      wait -n || failed=1
      running=$((running - 1))
    fi
  done
  while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
  done
  return $failed
}

build() {
  local target=$1 objects=()
  shift
  for source in "fuzz/$target.cpp" "$@"; do objects+=("$(object "$source")"); done
  clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" -o "$out/$target"
}

seeds=()
for dir in "$corpus_dir" "$corpus_dir"/malformed "$corpus_dir"/encrypted "$corpus_dir"/old-biff; do
  [[ -d $dir ]] && seeds+=("$dir")
done
# Hostile workbooks (tests/xls/make_hostile.py), a small one of each kind, made afresh: KIND:COUNT.
hostile_seeds=(${ZOF_FUZZ_HOSTILE:-shared-after:300 shared-inside:100 exp-missing:300
  merge-full:2 merge-rows:200 last-row:2 sum-wide:3 sum-column:5 parens:2 no-worksheet:0
  no-worksheet:1 bad-formulas:2})
rm -rf "$out/hostile-seeds"
mkdir -p "$out/hostile-seeds"
for seed in "${hostile_seeds[@]}"; do
  /usr/bin/python3 tests/xls/make_hostile.py "${seed%%:*}" "${seed##*:}" \
    "$out/hostile-seeds/${seed%%:*}-${seed##*:}.xls"
done
seeds+=("$out/hostile-seeds")

needed=()
for target in $targets; do
  case $target in
    cfb_fuzz) needed+=(fuzz/cfb_fuzz.cpp "${container_sources[@]}") ;;
    xls_reader_fuzz | xls_load_fuzz) needed+=("fuzz/$target.cpp" "${core_sources[@]}") ;;
  esac
done
if ((${#needed[@]} > 0)); then
  mapfile -t needed < <(printf '%s\n' "${needed[@]}" | sort -u)
  compile_all "${needed[@]}"
fi

for target in $targets; do
  case $target in
    cfb_fuzz) build cfb_fuzz "${container_sources[@]}" ;;
    xls_reader_fuzz) build xls_reader_fuzz "${core_sources[@]}" ;;
    xls_load_fuzz) build xls_load_fuzz "${core_sources[@]}" ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
  mkdir -p "$out/$target-corpus"
  echo "== $target ($seconds s)"
  # The first folder receives new inputs; the seed folders are only read. Inputs are capped at
  # 1 MiB (seeds are read whole), memory at 2 GiB and each input at 30 s, so a huge allocation or
  # a load that hangs is reported as a failure. The largest real workbooks of the corpus (tens
  # of thousands of formulas and styles) take a few seconds each under this instrumentation, and
  # more on a busy machine; 30 s keeps them well inside while a hang or a blow-up still shows.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$out/$target" -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -timeout=30 -artifact_prefix="$out/artifacts/$target-" \
    -print_final_stats=1 "$@" "$out/$target-corpus" "${seeds[@]}"
done
