#!/usr/bin/env bash
# Saves that meet the system's limits, by zofmirel-cli as a user runs it: a file-size limit
# (ulimit -f) makes the save fail with the system's reason ("File too large") instead of killing
# the program, leaves the previous file as it was and no temporary file beside it; a later save
# removes temporary files that a killed save left behind. Arguments: the build folder and the
# source folder.
set -euo pipefail
build=$1
cli=$(cd "$build" && pwd)/zofmirel-cli
[[ -x $cli ]] || { echo "SKIP: $cli is not built"; exit 77; }
corpus=${ZOF_CORPUS_DIR:?ZOF_CORPUS_DIR names the corpus folder}
iris=$corpus/libxls-iris-excel-xls.xls
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The previous output, and a save that needs more than the 8 KiB the limit allows.
printf 'old contents\n' > "$work/out.xls"
status=0
( ulimit -f 8; "$cli" convert "$iris" "$work/out.xls" ) > "$work/stdout" 2> "$work/stderr" || status=$?
[[ $status == 1 ]] || fail "exit status $status, expected 1 (a signal kills with 128 + its number)"
expected="zofmirel-cli: $work/out.xls: Cannot write file \"$work/out.xls\". File too large"
[[ $(cat "$work/stderr") == "$expected" ]] || fail "message: $(cat "$work/stderr")"
[[ $(cat "$work/out.xls") == "old contents" ]] || fail "the previous file was changed"
leftovers=$(ls -A "$work" | grep -v -x -e out.xls -e stdout -e stderr || true)
[[ -z $leftovers ]] || fail "left beside the file: $leftovers"

# A temporary file of a save killed long ago is removed by the next save into that folder; a
# file of another name is not.
touch -d '1 hour ago' "$work/.zofmirel-0badf00d.tmp" "$work/other.tmp"
"$cli" convert "$iris" "$work/out.xls" || fail "the save without a limit"
[[ ! -e $work/.zofmirel-0badf00d.tmp ]] || fail "the stale temporary file is still there"
[[ -e $work/other.tmp ]] || fail "a file of another name was removed"
"$cli" info "$work/out.xls" > /dev/null || fail "the saved file does not load"
echo "PASS"
