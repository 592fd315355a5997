#!/usr/bin/python3
"""Checks the value tables of a function test against LibreOffice and Gnumeric.

A function test (tests/calc/cxSSFunctions*_test.cpp) lays out its data as a grid of cells,
{"A1", "10"}, and lists its cases as {"=FORMULA", "value"}. This script writes the same grid and
formulas into a workbook with zofmirel-cli, has LibreOffice (soffice --convert-to csv) and
Gnumeric (ssconvert --recalc) calculate it, and compares each case's value with theirs:

  ok        both programs agree with each other and with the table (numbers within 1e-9);
  TABLE     both programs agree with each other, but not with the table: the table is wrong;
  differ    the programs disagree with each other: the table follows its own reasoning;
  unknown   neither program has the function; unread: the formula did not get into the file.

Usage: function_oracle.py CLI TEST.cpp [--all] [--fill]
--all lists the ok cases too; --fill writes the programs' common value into the table for the
TABLE cases (a number with 17 significant digits). The exit status is 1 when a case is TABLE.
"""

import csv
import os
import re
import subprocess
import sys
import tempfile

GRID = re.compile(r'\{"([A-Z]{1,2}[0-9]+)",\s*"((?:[^"\\]|\\.)*)"\}')
CASE = re.compile(r'\{"(=(?:[^"\\]|\\.)*)",\s*"((?:[^"\\]|\\.)*)"\}')
CASE_ROW = 20  # the cases go to J20, J21, ... as the tests put them into J20

# Error texts as this program writes them. LibreOffice's own codes (Err:502 for an invalid
# argument, ...) stand for themselves.
ERRORS = {"#N/A": "#N/A!", "#NAME?": "#NAME!"}


def unescape(text):
    return bytes(text, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def read_tables(path):
    grid, cases = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            for m in CASE.finditer(line):
                cases.append((unescape(m.group(1)), unescape(m.group(2)), m.group(0), m.group(1)))
            for m in GRID.finditer(line):
                grid.append((m.group(1), unescape(m.group(2))))
    return grid, cases


def normal(value):
    value = value.strip()
    value = ERRORS.get(value, value)
    upper = value.upper()
    if upper in ("TRUE", "FALSE"):
        return upper
    return value


def number(value):
    try:
        return float(value)
    except ValueError:
        return None


def same(a, b):
    a, b = normal(a), normal(b)
    x, y = number(a), number(b)
    if x is not None and y is not None:
        return abs(x - y) <= 1e-9 * max(1.0, abs(x), abs(y))
    # A truth value written by one program as a number by the other.
    truth = {"TRUE": 1.0, "FALSE": 0.0}
    if a in truth and y is not None:
        return truth[a] == y
    if b in truth and x is not None:
        return truth[b] == x
    return a == b


def column(rows, row):
    if row < len(rows) and len(rows[row]) > 9:
        return rows[row][9]
    return ""


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    show_all = "--all" in sys.argv
    cli, test = args
    grid, cases = read_tables(test)
    with tempfile.TemporaryDirectory() as work:
        book = os.path.join(work, "oracle.xls")
        # Gnumeric writes the used area only: a mark in A1 keeps the columns in place.
        commands = [] if any(cell == "A1" for cell, _ in grid) else ["set A1 mark"]
        commands += [f"setraw {cell} {text[1:]}" if text.startswith("'") else f"set {cell} {text}"
                     for cell, text in grid]
        commands += [f"set J{CASE_ROW + i} {case[0]}" for i, case in enumerate(cases)]
        commands.append(f"save {book}")
        subprocess.run([cli, "script"], input="\n".join(commands) + "\n", text=True,
                       capture_output=True, check=False)
        gnumeric = os.path.join(work, "gnumeric.csv")
        subprocess.run(["ssconvert", "--recalc", "-T", "Gnumeric_stf:stf_assistant", "-O",
                        "format=raw separator=; quoting-mode=auto", book, gnumeric],
                       capture_output=True, check=True)
        subprocess.run(["soffice", "--headless", "--convert-to",
                        "csv:Text - txt - csv (StarCalc):59,34,76,1,,0,false,true,false,false,false",
                        "--outdir", work, book], capture_output=True, check=True)
        with open(os.path.join(work, "oracle.csv"), encoding="utf-8") as f:
            lo = list(csv.reader(f, delimiter=";"))
        with open(gnumeric, encoding="utf-8") as f:
            gn = list(csv.reader(f, delimiter=";"))
    wrong = 0
    fills = []
    for i, (formula, expected, raw, written) in enumerate(cases):
        row = CASE_ROW - 1 + i
        a, b = column(lo, row), column(gn, row)
        if a.startswith("=") or b.startswith("="):
            verdict = "unread"  # the formula did not reach the workbook as a formula
        elif normal(a) == "#NAME!" and normal(b) == "#NAME!":
            verdict = "unknown"  # neither program has the function
        elif not same(a, b):
            verdict = "differ"
        elif same(expected, a) and same(expected, b):
            verdict = "ok"
        else:
            verdict = "TABLE"
            wrong += 1
            value = normal(b)
            if number(value) is not None:
                value = "%.17g" % float(value)
            fills.append((raw, '{"%s", "%s"}' % (written, value.replace('"', '\\"'))))
        if verdict != "ok" or show_all:
            print(f"{verdict:7} {formula}  table {expected}  LibreOffice {a}  Gnumeric {b}")
    print(f"{len(cases)} cases, {wrong} disagree with both programs")
    if "--fill" in sys.argv and fills:
        with open(test, encoding="utf-8") as f:
            text = f.read()
        for raw, new in fills:
            text = text.replace(raw, new, 1)
        with open(test, "w", encoding="utf-8") as f:
            f.write(text)
        print(f"{len(fills)} values written")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
