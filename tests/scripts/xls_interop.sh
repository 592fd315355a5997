#!/usr/bin/env bash
# Files saved by zofmirel-cli read by independent programs: python-xlrd (the values stored in the
# file, formula results included), Gnumeric's ssconvert and LibreOffice (which calculate the
# formulas again from the saved tokens, add-in functions included). Each must see the same
# sheet, values and formulas.
# Arguments: the build folder and the source folder.
set -euo pipefail
build=$1
source=$2
cli=$(cd "$build" && pwd)/zofmirel-cli
[[ -x $cli ]] || { echo "SKIP: $cli is not built"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
/usr/bin/python3 -c 'import xlrd' 2>/dev/null || fail "python3-xlrd is missing (./test installs it)"
command -v ssconvert >/dev/null || fail "ssconvert is missing: install gnumeric (./test does)"
command -v soffice >/dev/null || fail "soffice is missing: install libreoffice-calc-nogui (./test does)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A sheet typed as a user would type it: texts, numbers, booleans, error values and formulas
# whose results are numbers, texts (one of 5000 characters, which needs CONTINUE records),
# booleans and errors.
#     A                    B                C                D
# 1   label                12               -3.5             1E-7
# 2   Ćevapčići ☺          a,b              say "hi"
# 3   TRUE                 FALSE            #DIV/0!          #N/A!
# 4   =B1*2                =B1+C1           =A1&"!"          =B1>C1
# 5   =IF(B1>10,...)       =1/0             =(B1-C1)/4       =-B1^2
# 6   =B4*B4               =D1*1000         =A2&"-"&B2       =NOT(B3)
# 7   Ж × 5000             =LEN(A7)         =A7&""           =UPPER("ћирилица")
# 8   =GCD(B1*2,18)        =EDATE(45306,1)  =DEC2HEX(255)    =SUM(B1:C1)+ISEVEN(B1)
# 9   =VLOOKUP(12,B1:C1,2,FALSE)  =IF(B1>100,1,"")  =MATCH(-3.5,A1:D1,0)  =TEXT(B1,"0.00")
# 10  =MROUND(B1,5)        =DELTA(B1,12)    =FACTDOUBLE(5)   =COMPLEX(3,4)
# Rows 8 and 10 call add-in functions, which the file names through its add-in link records.
long=$(printf 'Ж%.0s' $(seq 5000))
cat > "$work/typed.csv" <<CSV
label,12,-3.5,1E-7
Ćevapčići ☺,"a,b","say ""hi""",
TRUE,FALSE,#DIV/0!,#N/A!
=B1*2,=B1+C1,"=A1&""!""",=B1>C1
"=IF(B1>10,""big"",""small"")",=1/0,=(B1-C1)/4,=-B1^2
=B4*B4,=D1*1000,"=A2&""-""&B2",=NOT(B3)
$long,=LEN(A7),"=A7&""""","=UPPER(""ћирилица"")"
"=GCD(B1*2,18)","=EDATE(45306,1)",=DEC2HEX(255),=SUM(B1:C1)+ISEVEN(B1)
"=VLOOKUP(12,B1:C1,2,FALSE)","=IF(B1>100,1,"""")","=MATCH(-3.5,A1:D1,0)","=TEXT(B1,""0.00"")"
"=MROUND(B1,5)","=DELTA(B1,12)",=FACTDOUBLE(5),"=COMPLEX(3,4)"
CSV
"$cli" convert "$work/typed.csv" "$work/typed.xls" || fail "convert typed.csv"

/usr/bin/python3 - "$work/expected.json" "$long" <<'PY'
import json, sys
long = sys.argv[2]
cells = {
  "0,0": ["s", "label"], "0,1": ["n", 12], "0,2": ["n", -3.5], "0,3": ["n", 1e-7],
  "1,0": ["s", "Ćevapčići ☺"], "1,1": ["s", "a,b"], "1,2": ["s", 'say "hi"'],
  "2,0": ["b", True], "2,1": ["b", False], "2,2": ["e", "#DIV/0!"], "2,3": ["e", "#N/A!"],
  "3,0": ["n", 24], "3,1": ["n", 8.5], "3,2": ["s", "label!"], "3,3": ["b", True],
  "4,0": ["s", "big"], "4,1": ["e", "#DIV/0!"], "4,2": ["n", 3.875], "4,3": ["n", 144],
  "5,0": ["n", 72.25], "5,1": ["n", 1e-7 * 1000], "5,2": ["s", "Ćevapčići ☺-a,b"], "5,3": ["b", True],
  "6,0": ["s", long], "6,1": ["n", 5000], "6,2": ["s", long], "6,3": ["s", "ЋИРИЛИЦА"],
  "7,0": ["n", 6], "7,1": ["n", 45337], "7,2": ["s", "FF"], "7,3": ["n", 9.5],
  "8,0": ["n", -3.5], "8,2": ["n", 3], "8,3": ["s", "12.00"],
  "9,0": ["n", 10], "9,1": ["n", 1], "9,2": ["n", 15], "9,3": ["s", "3+4i"],
}
formulas = {
  "3,0": "=B1*2", "3,1": "=B1+C1", "3,2": '=A1&"!"', "3,3": "=B1>C1",
  "4,0": '=IF(B1>10,"big","small")', "4,1": "=1/0", "4,2": "=(B1-C1)/4", "4,3": "=-B1^2",
  "5,0": "=B4*B4", "5,1": "=D1*1000", "5,2": '=A2&"-"&B2', "5,3": "=NOT(B3)",
  "6,1": "=LEN(A7)", "6,2": '=A7&""', "6,3": '=UPPER("ћирилица")',
  "7,0": "=GCD(B1*2,18)", "7,1": "=EDATE(45306,1)", "7,2": "=DEC2HEX(255)",
  "7,3": "=SUM(B1:C1)+ISEVEN(B1)",
  "8,0": "=VLOOKUP(12,B1:C1,2,FALSE)", "8,1": '=IF(B1>100,1,"")', "8,2": "=MATCH(-3.5,A1:D1,0)",
  "8,3": '=TEXT(B1,"0.00")',
  "9,0": "=MROUND(B1,5)", "9,1": "=DELTA(B1,12)", "9,2": "=FACTDOUBLE(5)", "9,3": "=COMPLEX(3,4)",
}
json.dump({"sheets": ["Sheet1"], "cells": {"Sheet1": cells}, "formulas": {"Sheet1": formulas},
           "visible": {"Sheet1": True}, "merged": {"Sheet1": []}}, open(sys.argv[1], "w"),
          ensure_ascii=False)
PY
/usr/bin/python3 "$source/tests/scripts/interop.py" compare "$work/expected.json" "$work/typed.xls" "$work" \
  || fail "typed.xls is not read as written"
echo "PASS"
