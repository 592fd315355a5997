#!/usr/bin/env bash
# zofmirel-cli script end to end on a real workbook: commands read from standard input change
# the iris table of the corpus (a total, a sort, a row inserted, steps undone, cells merged,
# copied and pasted), the failing commands are reported by line and the exit status is 1, and
# the saved file carries the changes (read back by the program itself and, when installed, by
# python-xlrd). Arguments: the build folder and the source folder.
set -euo pipefail
build=$1
cli=$(cd "$build" && pwd)/zofmirel-cli
[[ -x $cli ]] || { echo "SKIP: $cli is not built"; exit 77; }
corpus=${ZOF_CORPUS_DIR:?ZOF_CORPUS_DIR names the corpus folder}
iris=$corpus/libxls-iris-excel-xls.xls
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/edit.script" <<SCRIPT
# the total of the sepal lengths, beside the table
set G1 Total
set G2 =ROUND(SUM(A2:A151),2)
print G1:G2

sort A2:E151 desc
print A2:E3
insert A1 rows
print G3
history
undo 2
print A2:E2
merge A1:E1
copy A2:E3
paste A160
print A160:E161
bogus command
delete A1 up
save $work/edited.xls
history
SCRIPT

status=0
"$cli" script "$iris" < "$work/edit.script" > "$work/out.txt" 2> "$work/err.txt" || status=$?
[[ $status == 1 ]] || fail "exit status $status, expected 1 (two commands fail)"

# Sorted descending by every column from left to right; the formula follows the inserted row.
printf '%s\n' \
  $'Total\n876.5' \
  $'7.9\t3.8\t6.4\t2\tvirginica\n7.7\t3.8\t6.7\t2.2\tvirginica' \
  '876.5' \
  $'Insert cells\nSort cells\nChange cells\nChange cells' \
  $'5.1\t3.5\t1.4\t0.2\tsetosa' \
  $'5.1\t3.5\t1.4\t0.2\tsetosa\n4.9\t3\t1.4\t0.2\tsetosa' > "$work/expected-out.txt"
diff -u "$work/expected-out.txt" "$work/out.txt" || fail "standard output differs"

printf '%s\n' 'line 17: unknown command "bogus"' 'line 18: Some modified cells are merged' \
  > "$work/expected-err.txt"
diff -u "$work/expected-err.txt" "$work/err.txt" || fail "standard error differs"

# The saved workbook: the merged header, the total, the pasted rows.
"$cli" info "$work/edited.xls" > "$work/info.json" || fail "info of the saved file"
grep -q '"merged": \["A1:E1"\]' "$work/info.json" || fail "the merged header is not in the file"
"$cli" dump "$work/edited.xls" --formulas > "$work/dump.csv" || fail "dump of the saved file"
[[ $(sed -n 2p "$work/dump.csv") == "5.1,3.5,1.4,0.2,setosa,,\"=ROUND(SUM(A2:A151),2)\"" ]] \
  || fail "row 2 of the saved file: $(sed -n 2p "$work/dump.csv")"
[[ $(sed -n 161p "$work/dump.csv") == "4.9,3,1.4,0.2,setosa,," ]] \
  || fail "row 161 of the saved file: $(sed -n 161p "$work/dump.csv")"

if /usr/bin/python3 -c 'import xlrd' 2>/dev/null; then
  /usr/bin/python3 - "$work/edited.xls" <<'PY' || fail "xlrd reads the saved file differently"
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sheet = book.sheet_by_index(0)
assert sheet.merged_cells == [(0, 1, 0, 5)], sheet.merged_cells
assert sheet.cell_value(1, 6) == 876.5, sheet.cell_value(1, 6)
assert sheet.row_values(159)[:5] == [5.1, 3.5, 1.4, 0.2, "setosa"], sheet.row_values(159)
PY
fi

# Without a file the script starts from a new workbook; a usage error is status 2.
[[ $(printf 'set A1 2\nset A2 =A1*21\nprint A2\n' | "$cli" script) == 42 ]] || fail "script without a file"
status=0
"$cli" script "$iris" extra.xls < /dev/null > /dev/null 2>&1 || status=$?
[[ $status == 2 ]] || fail "usage error gave status $status"
echo "PASS"
