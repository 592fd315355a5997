#!/usr/bin/env bash
# zofmirel --screenshot: a 1280x800 PNG of the main window, also without any display, a
# non-zero exit with the message on stderr when the named file does not load, and every other
# message answered at once and written to stderr.
# Arguments: the build folder and the source folder.
set -euo pipefail
build=$1
program=$(cd "$build" && pwd)/zofmirel
[[ -x $program ]] || { echo "SKIP: $program is not built"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Width, height and the number of distinct colours of an 8-bit RGB(A) PNG.
png_facts() {
  python3 - "$1" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
pos, idat, width = 8, b"", 0
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        assert depth == 8 and colour in (2, 6), "unexpected pixel format"
        bpp = 3 if colour == 2 else 4
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
raw = zlib.decompress(idat)
stride = width * bpp
rows, prev, colours = [], bytearray(stride), set()
for y in range(height):
    f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b, c = prev[i], (prev[i - bpp] if i >= bpp else 0)
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    for x in range(0, stride, bpp * 7):
        colours.add(bytes(line[x:x + 3]))
    prev = line
print(width, height, len(colours))
PY
}

# 1. No display at all: the program chooses the offscreen platform itself.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  "$program" --screenshot "$work/empty.png" 2>"$work/err.txt" || fail "exit status $? ($(cat "$work/err.txt"))"
[[ -s $work/empty.png ]] || fail "no picture written"
read -r width height colours < <(png_facts "$work/empty.png")
[[ $width == 1280 && $height == 800 ]] || fail "picture is ${width}x${height}, not 1280x800"
(( colours >= 8 )) || fail "picture has only $colours colours: nothing was drawn"

# 2. A file that does not load: the load message on stderr and a non-zero exit.
printf 'not a workbook' >"$work/bad.xls"
status=0
"$program" --screenshot "$work/bad.png" "$work/bad.xls" 2>"$work/err.txt" || status=$?
(( status != 0 )) || fail "a file that does not load gave exit status 0"
grep -qF "Neispravni ili nečitljivi podaci u datoteci $work/bad.xls" "$work/err.txt" ||
  fail "stderr lacks the load message: $(cat "$work/err.txt")"

# 3. A relative file name is reported as the absolute path the window was captioned with.
status=0
(cd "$work" && "$program" --screenshot rel.png bad.xls 2>"$work/err.txt") || status=$?
(( status != 0 )) || fail "relative bad file gave exit status 0"
grep -qF "datoteci $work/bad.xls" "$work/err.txt" || fail "relative name not made absolute: $(cat "$work/err.txt")"

# 4. Missing output name.
status=0
"$program" --screenshot 2>"$work/err.txt" || status=$?
(( status == 2 )) || fail "usage error gave exit status $status"
grep -qF "usage: zofmirel --screenshot OUT.png [FILE.xls]" "$work/err.txt" || fail "no usage text"

# 5. An unwritable output.
status=0
"$program" --screenshot "$work/no/such/folder/x.png" 2>"$work/err.txt" || status=$?
(( status != 0 )) || fail "unwritable output gave exit status 0"
grep -qF "cannot write" "$work/err.txt" || fail "no message for the unwritable output"

# 6. A genuine workbook named on the command line opens: exit status 0 and no message.
sample=${ZOF_CORPUS_DIR:-$2/../shared/corpus/xls}/sheetjs-merge_cells.xls
if [[ -f $sample ]]; then
  "$program" --screenshot "$work/book.png" "$sample" 2>"$work/err.txt" ||
    fail "a genuine workbook gave exit status $? ($(cat "$work/err.txt"))"
  ! grep -q "Neispravni" "$work/err.txt" || fail "a genuine workbook was refused: $(cat "$work/err.txt")"
  [[ -s $work/book.png ]] || fail "no picture written for the workbook"
fi

corpus=${ZOF_CORPUS_DIR:-$2/../shared/corpus/xls}

# 7. Message boxes are answered at once with their default button and written to stderr: a
#    calculation message while the file loads (two formulas that need each other, written by
#    python3-xlwt), then the program goes on and exits with 0.
/usr/bin/python3 -c 'import xlwt' 2>/dev/null || fail "python3-xlwt is missing (./test installs it)"
/usr/bin/python3 - "$work/cycle.xls" <<'PY'
import sys
import xlwt
book = xlwt.Workbook()
sheet = book.add_sheet("Krug")
sheet.write(0, 0, xlwt.Formula("B1+1"))
sheet.write(0, 1, xlwt.Formula("A1+1"))
book.save(sys.argv[1])
PY
status=0
timeout 60 "$program" --screenshot "$work/cycle.png" "$work/cycle.xls" 2>"$work/err.txt" || status=$?
(( status != 124 )) || fail "a message box was left waiting for an answer"
(( status == 0 )) || fail "the calculation message gave exit status $status ($(cat "$work/err.txt"))"
grep -qxF "zofmirel: Calculation error. Formula cycled indexes present" "$work/err.txt" ||
  fail "stderr lacks the calculation message: $(cat "$work/err.txt")"
[[ -s $work/cycle.png ]] || fail "no picture written after the calculation message"

# 8. A workbook with functions outside the library opens; the message naming them is answered
#    and written to stderr, and the exit status is 0.
sample=$corpus/sheetjs-number_format.xls
if [[ -f $sample ]]; then
  status=0
  timeout 60 "$program" --screenshot "$work/unknown.png" "$sample" 2>"$work/err.txt" || status=$?
  (( status == 0 )) || fail "unknown functions gave exit status $status ($(cat "$work/err.txt"))"
  grep -qF "/sheetjs-number_format.xls sadrži formule sa funkcijama koje program ne poznaje." \
    "$work/err.txt" || fail "stderr lacks the unknown-function message: $(cat "$work/err.txt")"
  grep -qxF "NumFmt: 56 ćelija" "$work/err.txt" || fail "the message does not name NumFmt"
fi

echo "screenshot: all checks passed"
