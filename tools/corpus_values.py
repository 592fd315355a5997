#!/usr/bin/python3
"""Compares what `zofmirel-cli dump` shows for every sheet of .xls files with the values the files
store (Excel's own cached formula results), as python3-xlrd reads them.

  corpus_values.py CLI FILE.xls... [--min FRACTION] [--cells] [--quiet]

For each file: the number of cells xlrd reports, how many the dump shows differently (formula
cells among them) and the share that agrees. --cells lists every differing cell with its formula
(from `dump --formulas`), the value shown and the value stored. With --min, the exit status is 1
when a file agrees on fewer than FRACTION of its cells (2 when a file cannot be read at all).

Values are compared as xlrd reports them: numbers within a relative 1e-9 (dates of a 1904 file
shifted to the 1900 date system the workbook uses), texts exactly, booleans as TRUE/FALSE and
errors by their text (this program writes #N/A and #NAME? as #N/A! and #NAME!).
"""
import csv
import io
import math
import subprocess
import sys

ERRORS = {0x00: "#NULL!", 0x07: "#DIV/0!", 0x0F: "#VALUE!", 0x17: "#REF!", 0x1D: "#NAME!",
          0x24: "#NUM!", 0x2A: "#N/A!"}
DAYS_1904 = 1462


def col_name(c):
    s = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def read_xlrd(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True, logfile=open("/dev/null", "w"))
    sheets = []
    for sheet in book.sheets():
        cells = {}
        for r in range(sheet.nrows):
            for c, cell in enumerate(sheet.row(r)):
                k = cell.ctype
                if k == xlrd.XL_CELL_TEXT:
                    if cell.value != "":
                        cells[(r, c)] = ("s", cell.value)
                elif k == xlrd.XL_CELL_NUMBER:
                    cells[(r, c)] = ("n", float(cell.value))
                elif k == xlrd.XL_CELL_DATE:
                    x = float(cell.value)
                    cells[(r, c)] = ("n", x + DAYS_1904 if book.datemode == 1 else x)
                elif k == xlrd.XL_CELL_BOOLEAN:
                    cells[(r, c)] = ("s", "TRUE" if cell.value else "FALSE")
                elif k == xlrd.XL_CELL_ERROR:
                    cells[(r, c)] = ("s", ERRORS.get(cell.value, "#?"))
        sheets.append((sheet.name, cells))
    return sheets


def dump(cli, path, sheet, mode=None):
    command = [cli, "dump", path, "--sheet", str(sheet)]
    if mode:
        command.append(mode)
    out = subprocess.run(command, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         timeout=600).stdout.decode("utf-8", "replace")
    grid = {}
    for r, record in enumerate(csv.reader(io.StringIO(out, newline=""))):
        for c, field in enumerate(record):
            if field != "":
                grid[(r, c)] = field
    return grid


def same(expected, shown):
    kind, value = expected
    if kind == "n":
        try:
            x = float(shown)
        except (TypeError, ValueError):
            return False
        return x == value or (math.isfinite(x) and
                              abs(x - value) <= 1e-9 * max(1.0, abs(x), abs(value)))
    return shown == value


def compare(cli, path, list_cells):
    sheets = read_xlrd(path)
    total = differing = formula_cells = 0
    lines = []
    for index, (name, cells) in enumerate(sheets):
        shown = dump(cli, path, index)
        formulas = None
        for key in sorted(set(cells) | set(shown)):
            expected = cells.get(key, ("s", ""))
            value = shown.get(key, "")
            if key in cells:
                total += 1
            if same(expected, value):
                continue
            differing += 1
            if formulas is None:
                formulas = dump(cli, path, index, "--formulas")
            text = formulas.get(key, "")
            if text.startswith("="):
                formula_cells += 1
            if list_cells:
                lines.append("  %s!%s%d  %s  shows %r, file %r" % (
                    name, col_name(key[1]), key[0] + 1, text if text.startswith("=") else "(constant)",
                    value, expected[1]))
    return total, differing, formula_cells, lines


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    minimum = None
    if "--min" in argv:
        minimum = float(argv[argv.index("--min") + 1])
        args.remove(argv[argv.index("--min") + 1])
    list_cells = "--cells" in argv
    quiet = "--quiet" in argv
    cli, files = args[0], args[1:]
    status = 0
    for path in files:
        try:
            total, differing, formula_cells, lines = compare(cli, path, list_cells)
        except Exception as error:  # xlrd refusing the file, or the program failing on it
            print("%s: cannot compare: %s" % (path, error))
            status = 2
            continue
        agree = 1.0 if total == 0 else (total - min(differing, total)) / total
        failed = minimum is not None and agree < minimum
        if failed:
            status = max(status, 1)
        if not quiet or failed or differing:
            print("%s: %d cells, %d differ (%d formulas), %.2f%% agree%s" % (
                path.rsplit("/", 1)[-1], total, differing, formula_cells, 100 * agree,
                "  BELOW %.0f%%" % (100 * minimum) if failed else ""))
        for line in lines:
            print(line)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
