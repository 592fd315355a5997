#!/usr/bin/env bash
# zofmirel-cli print end to end: corpus workbooks drawn into PDF by the report link and engine of
# the window's Print command, read back with poppler (pdfinfo for the pages, pdftotext for the
# words and where they stand, pdftoppm for the pixels). The iris table breaks onto four pages
# with no row lost, numbers right-aligned as on the screen and the page number in the footer; a
# print area gives one page of just its cells; headings name the columns and rows; grid lines,
# fills, borders and merged areas show where the sheet has them; a sheet wider than the page
# goes on over more pages; an empty sheet, a used area too large to build, a bad range and an
# unwritable output fail cleanly.
# Arguments: the build folder and the source folder.
set -euo pipefail
build=$1
cli=$(cd "$build" && pwd)/zofmirel-cli
[[ -x $cli ]] || { echo "SKIP: $cli is not built"; exit 77; }
# A build without the Qt layer has no print command.
if "$cli" print /dev/null /dev/null 2>&1 | grep -q "not part of this build"; then
  echo "SKIP: $cli is built without printing"; exit 77
fi
for tool in pdfinfo pdftotext pdftoppm python3; do
  command -v $tool > /dev/null || { echo "FAIL: $tool is not installed (poppler-utils, python3)"; exit 1; }
done
corpus=${ZOF_CORPUS_DIR:?ZOF_CORPUS_DIR names the corpus folder}
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
print() {
  "$cli" print "$@" 2> "$work/err.txt" || fail "print $* exited with $?: $(cat "$work/err.txt")"
  [[ ! -s $work/err.txt ]] || fail "print $* wrote to standard error: $(cat "$work/err.txt")"
}

# Words with their boxes in points (x from the left, y from the top of a 595 × 842 A4 page) and
# the page's pixels at 72 dots per inch (one pixel a point), checked by the Python below.
cat > "$work/check.py" <<'PY'
import re, subprocess, sys

def words(pdf, page=None):
    args = ["pdftotext", "-bbox"] + (["-f", str(page), "-l", str(page)] if page else []) + [pdf, "-"]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    found = []
    for m in re.finditer(r'xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<', out):
        x0, y0, x1, y1 = map(float, m.groups()[:4])
        found.append((m.group(5), x0, y0, x1, y1))
    return found

def word(pdf, text, page=None):
    hits = [w for w in words(pdf, page) if w[0] == text]
    if len(hits) != 1:
        sys.exit(f"FAIL: {text!r} appears {len(hits)} times in {pdf}")
    return hits[0]

def pixels(pdf, page=1):
    data = subprocess.run(["pdftoppm", "-r", "72", "-f", str(page), "-l", str(page), pdf],
                          check=True, capture_output=True).stdout
    head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    w, h = int(head.group(1)), int(head.group(2))
    body = data[head.end():]
    return lambda x, y: tuple(body[(int(y) * w + int(x)) * 3:(int(y) * w + int(x)) * 3 + 3])

def dark(p): return max(p) < 128
def check(cond, message):
    if not cond: sys.exit("FAIL: " + message)

kind, pdf = sys.argv[1], sys.argv[2]
if kind == "iris":
    # The table's rows in order down the pages; row 1 starts below the top margin (36 pt) and
    # the page header band (18 pt); numbers stand right-aligned, texts left-aligned; the page
    # number sits in the footer band above the bottom margin.
    all_words = words(pdf)
    species = [w for w in all_words if w[0] in ("setosa", "versicolor", "virginica")]
    check(len(species) == 150, f"{len(species)} species names printed, expected 150")
    first = word(pdf, "Sepal.Length", 1)
    check(54 <= first[2] < 70 and 36 <= first[1] < 45, f"first cell at {first[1:3]}")
    page1 = words(pdf, 1)
    values = [w for w in page1 if w[0] in ("5.1", "4.9")][:2]
    check(len(values) == 2 and abs(values[0][3] - values[1][3]) < 0.5,
          "numbers of one column do not share their right edge")
    names = [w for w in page1 if w[0] == "setosa"]
    check(len({round(w[1], 1) for w in names}) == 1, "texts of one column do not share their left edge")
    tops = sorted(w[2] for w in names)
    steps = {round(b - a, 1) for a, b in zip(tops, tops[1:])}
    check(len(steps) == 1, f"rows are not evenly spaced: {steps}")
    footer = word(pdf, "/", 1)
    check(788 <= footer[2] and footer[4] <= 806 + 1, f"page number at {footer[1:]}")
    check(abs((footer[1] + footer[3]) / 2 - 595 / 2) < 3, "page number not centred")
elif kind == "area":
    # B2:C10 with headings: the letters B and C over their columns, the row numbers 2 … 10 down
    # the left, nothing else; grid lines (in the sheet's light grid colour) between the columns,
    # none without --grid.
    texts = [w[0] for w in words(pdf) if not w[0] in ("1", "/")]
    check(texts[:2] == ["B", "C"], f"heading row {texts[:2]}")
    check("setosa" not in texts and "Sepal.Length" not in texts, "cells outside the area printed")
    row2 = word(pdf, "3.5")
    b = word(pdf, "B")
    check(b[1] < row2[3], "column B's heading is not over its cells")
    grid = sys.argv[3] == "grid"
    at = pixels(pdf)
    y = (row2[2] + row2[4]) / 2
    beside = [w for w in words(pdf) if w[0] == "1.4" and abs(w[2] - row2[2]) < 1]
    check(len(beside) == 1, "column C of row 2 not beside column B")
    lines = [x for x in range(int(row2[3]) + 2, int(beside[0][1]) - 2) if min(at(x, y)) < 250]
    check(bool(lines) == grid, f"grid lines between B and C: {lines}")
    # The heading column's black line stays over the data cells' light grid line beside it.
    heading = [w for w in words(pdf) if w[0] == "3" and w[1] < b[1] - 20][0]
    three = [w for w in words(pdf) if w[0] == "3" and abs(w[2] - heading[2]) < 1 and w[1] > heading[3]][0]
    y = (heading[2] + heading[4]) / 2
    check(any(dark(at(x, y)) for x in range(int(heading[3]) + 2, int(three[1]) - 2)),
          "no dark line between the row headings and column B")
elif kind == "colours":
    # A green fill behind its text, none behind the plain text, the red font red.
    at = pixels(pdf)
    green = word(pdf, "bg")
    fill = at(green[3] + 2, (green[2] + green[4]) / 2)
    check(fill[1] > 200 and fill[0] < 60 and fill[2] < 60, f"fill behind the green row is {fill}")
    plain = word(pdf, "plain")
    check(at(plain[3] + 2, (plain[2] + plain[4]) / 2) == (255, 255, 255), "fill behind the plain row")
    red = min((w for w in words(pdf) if w[0] == "red"), key=lambda w: w[2])
    reds = [at(x, y) for x in range(int(red[1]), int(red[3]) + 1) for y in range(int(red[2]), int(red[4]) + 1)]
    check(any(p[0] > 150 and p[1] < 80 and p[2] < 80 for p in reds), "the red text has no red ink")
elif kind == "merged":
    # A1:B2 as one cell: its text centred over columns A and B, at the bottom of row 2.
    area = word(pdf, "A1:B2")
    a, b, two = word(pdf, "A"), word(pdf, "B"), word(pdf, "2")
    middle = ((a[1] + a[3]) / 2 + (b[1] + b[3]) / 2) / 2
    check(abs((area[1] + area[3]) / 2 - middle) < 2, f"merged text centred at {(area[1] + area[3]) / 2}, expected {middle}")
    check(abs(area[4] - two[4]) < 2, "merged text is not at the bottom of its area")
elif kind == "borders":
    # The cells' own lines: a staircase of bordered cells from the top-left corner.
    at = pixels(pdf)
    inked = sum(dark(at(x, y)) for x in range(36, 560) for y in range(54, 200))
    check(inked > 500, f"only {inked} dark pixels where the borders are")
elif kind == "corner":
    texts = [w[0] for w in words(pdf)]
    check(texts[0] == "z", f"the corner cell is not printed: {texts}")
elif kind == "wide":
    # 40 columns of text: every one printed once, over several pages across.
    texts = [w[0] for w in words(pdf)]
    for n in range(1, 41):
        check(texts.count(f"col{n:02d}") == 1, f"col{n:02d} printed {texts.count(f'col{n:02d}')} times")
PY
check() { python3 "$work/check.py" "$@" || exit 1; }

# The iris table: 151 rows of five columns.
print "$corpus/libxls-iris-excel-xls.xls" "$work/iris.pdf"
[[ $(pages "$work/iris.pdf") == 4 ]] || fail "iris: $(pages "$work/iris.pdf") pages, expected 4"
check iris "$work/iris.pdf"

# A print area, with headings, with and without grid lines: one page.
print "$corpus/libxls-iris-excel-xls.xls" "$work/area.pdf" --area c10:B2 --headings --grid
[[ $(pages "$work/area.pdf") == 1 ]] || fail "area: $(pages "$work/area.pdf") pages, expected 1"
check area "$work/area.pdf" grid
print "$corpus/libxls-iris-excel-xls.xls" "$work/area-plain.pdf" --area B2:C10 --headings
check area "$work/area-plain.pdf" plain

print "$corpus/poi-SimpleWithColours.xls" "$work/colours.pdf"
check colours "$work/colours.pdf"
print "$corpus/sheetjs-merge_cells.xls" "$work/merged.pdf" --headings
check merged "$work/merged.pdf"
print "$corpus/poi-55341_CellStyleBorder.xls" "$work/borders.pdf"
check borders "$work/borders.pdf"

# A sheet wider than the page, made by the program itself.
for n in $(seq 1 40); do
  col=$(python3 -c "import sys; n=$n-1; print(('' if n < 26 else chr(64 + n // 26)) + chr(65 + n % 26))")
  printf 'set %s1 col%02d\n' "$col" "$n"
done > "$work/wide.script"
echo "save $work/wide.xls" >> "$work/wide.script"
"$cli" script < "$work/wide.script" > /dev/null || fail "making the wide sheet"
print "$work/wide.xls" "$work/wide.pdf"
wide=$(pages "$work/wide.pdf")
[[ $wide -ge 4 ]] || fail "wide sheet: $wide pages, expected at least 4"
check wide "$work/wide.pdf"
# Its first eight columns fit on one page.
print "$work/wide.xls" "$work/narrow.pdf" --area A1:H1
[[ $(pages "$work/narrow.pdf") == 1 ]] || fail "A1:H1 of the wide sheet: $(pages "$work/narrow.pdf") pages"

# Failures: nothing to print, a bad range, an output that cannot be written; no file is left.
printf 'set A1 x\nclear A1\nsave %s\n' "$work/empty.xls" | "$cli" script > /dev/null || fail "making the empty sheet"
status=0
"$cli" print "$work/empty.xls" "$work/empty.pdf" 2> "$work/err.txt" || status=$?
[[ $status == 1 ]] || fail "empty sheet: exit status $status, expected 1"
grep -qF "Cannot activate ReportLink because PrintingSystem did not find anything to print." "$work/err.txt" ||
  fail "empty sheet: $(cat "$work/err.txt")"
[[ ! -e $work/empty.pdf ]] || fail "empty sheet: a PDF was written"
# Cells in opposite corners span 16.7 million cells: refused at once, not built.
printf 'set A1 a\nset IV65536 z\nsave %s\n' "$work/corners.xls" | "$cli" script > /dev/null || fail "making the corners sheet"
status=0
"$cli" print "$work/corners.xls" "$work/corners.pdf" 2> "$work/err.txt" || status=$?
[[ $status == 1 ]] || fail "corners: exit status $status, expected 1"
grep -qF "The report is too large to print (16777216 cells" "$work/err.txt" || fail "corners: $(cat "$work/err.txt")"
print "$work/corners.xls" "$work/corners.pdf" --area IU65535:IV65536
check corner "$work/corners.pdf"
status=0
"$cli" print "$corpus/libxls-iris-excel-xls.xls" "$work/x.pdf" --area A0:B2 2> "$work/err.txt" || status=$?
[[ $status == 2 ]] || fail "bad range: exit status $status, expected 2"
status=0
"$cli" print "$corpus/libxls-iris-excel-xls.xls" "$work/no/such/folder/x.pdf" 2> "$work/err.txt" || status=$?
[[ $status == 1 ]] || fail "unwritable output: exit status $status, expected 1"
grep -q "x.pdf" "$work/err.txt" || fail "unwritable output: the message names no file: $(cat "$work/err.txt")"
echo "OK"
