#!/usr/bin/python3
"""make_hostile.py KIND COUNT OUT.xls: a small, valid (or nearly valid) workbook that costs a naive
reader far more time or memory than its size. The tests load small ones; bench/hostile_bench loads
the sizes that once took minutes or gigabytes.

KIND and what COUNT counts:
  shared-after   formula cells whose shared formulas (SHRFMLA) all come after them
  exp-missing    formula cells pointing (tExp) at a shared formula that never comes
  shared-inside  formula cells pointing at the second cell of their two-cell shared formula
                 (as some writers do) rather than at its first; a last shared formula over all
                 of them, =A1+2, comes later in the file and so loses to each cell's own
  merge-full     copies of the merged area A1:IV65536 (values in A1 and IV65536)
  merge-rows     separate merged areas of 2 rows by 256 columns (values in A1 and IV65536)
  last-row       sheets holding a value in row 65536 of every column
  sum-wide       formulas =SUM(A1:IV60000) below that area, which holds one value (IV60000)
  sum-column     formulas =SUM(A1:A65536) in column B, column A holding every 64th row
  parens         formulas of 65,000 nested parentheses around 1
  no-worksheet   chart sheets and no worksheet (0: no sheet at all), which a workbook cannot show
  bad-formulas   formula cells whose tokens make no expression (an addition without operands),
                 with the cached values 7, 8, ... in column B beside the number 5 in A1
"""
import struct
import sys

from xlwt import CompoundDoc

ROWS, COLS = 65536, 256


def record(rid, data=b""):
    """One record; data beyond a record's 8,224 bytes goes on in CONTINUE records."""
    out = struct.pack("<HH", rid, min(len(data), 8224)) + data[:8224]
    for at in range(8224, len(data), 8224):
        chunk = data[at:at + 8224]
        out += struct.pack("<HH", 0x003C, len(chunk)) + chunk
    return out


def bof(kind):
    return record(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0x41, 6))


def globals_records(sheet_names, sheet_offsets, sheet_type=0):
    out = bof(0x0005) + record(0x0042, struct.pack("<H", 1200))
    for _ in range(5):
        out += record(0x0031, struct.pack("<HHHHHBBBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0,
                                          5, 0) + b"Arial")
    # 15 style formats and the default cell format; a 17th with a fill, so that its cells are kept.
    for i in range(16):
        style = 0xFFF5 if i < 15 else 0x0001
        out += record(0x00E0, struct.pack("<HHHBBBBIIH", 0, 0, style, 0x20, 0, 0, 0, 0, 0, 0x20C0))
    out += record(0x00E0, struct.pack("<HHHBBBBIIH", 0, 0, 0x0001, 0x20, 0, 0, 0, 0,
                                      0x04000000, 0x20C0 | 0x0A))
    for name, offset in zip(sheet_names, sheet_offsets):
        out += record(0x0085, struct.pack("<IBBBB", offset, 0, sheet_type, len(name), 0) +
                      name.encode())
    return out + record(0x000A)


def workbook(sheets, sheet_type=0):
    """The workbook stream of sheets given as (name, records between BOF and EOF), all
    worksheets (sheet type 0) or all chart sheets (2)."""
    names = [name for name, _ in sheets]
    bodies = [bof(0x0020 if sheet_type == 2 else 0x0010) + body + record(0x000A)
              for _, body in sheets]
    size = len(globals_records(names, [0] * len(names), sheet_type))
    offsets = []
    for body in bodies:
        offsets.append(size)
        size += len(body)
    return globals_records(names, offsets, sheet_type) + b"".join(bodies)


def dimensions(rows, cols):
    return record(0x0200, struct.pack("<IIHHH", 0, rows, 0, cols, 0))


def number(row, col, value, xf=15):
    return record(0x0203, struct.pack("<HHHd", row, col, xf, value))


def formula(row, col, tokens, shared=False, value=0.0):
    return record(0x0006, struct.pack("<HHHdHIH", row, col, 15, value, 0x0008 if shared else 0, 0,
                                      len(tokens)) + tokens)


def shrfmla(first_row, last_row, first_col, last_col, tokens):
    return record(0x04BC, struct.pack("<HHBBBBH", first_row, last_row, first_col, last_col, 0, 1,
                                      len(tokens)) + tokens)


def texp(row, col):
    return struct.pack("<BHH", 0x01, row, col)


def merged_cells(areas):
    out = b""
    for at in range(0, len(areas), 1026):
        chunk = areas[at:at + 1026]
        out += record(0x00E5, struct.pack("<H", len(chunk)) +
                      b"".join(struct.pack("<HHHH", *a) for a in chunk))
    return out


# tRefN of the cell to the left (row offset 0, column offset -1, both relative), plus 1.
LEFT_PLUS_ONE = struct.pack("<BHH", 0x2C, 0, 0xC000 | 0xFF) + struct.pack("<BH", 0x1E, 1) + b"\x03"


def sum_of_area(first_row, last_row, first_col, last_col):
    return struct.pack("<BHHHH", 0x25, first_row, last_row, first_col, last_col) + \
        struct.pack("<BBH", 0x22, 1, 4)


def make(kind, count):
    if kind == "shared-after":
        # Cell B(r+1) = A(r+1)+1, each its own shared formula, all of them after the cells.
        body = dimensions(count, 2)
        body += b"".join(number(r % ROWS, 0, r) for r in range(min(count, ROWS)))
        cells = [(r % ROWS, 1 + r // ROWS) for r in range(count)]
        body += b"".join(formula(r, c, texp(r, c), True) for r, c in cells)
        body += b"".join(shrfmla(r, r, c, c, LEFT_PLUS_ONE) for r, c in cells)
        return workbook([("Sheet1", body)])
    if kind == "shared-inside":
        rows = 2 * count
        body = dimensions(rows, 2) + b"".join(number(r, 0, r) for r in range(rows))
        body += b"".join(formula(r, 1, texp(r | 1, 1), True) for r in range(rows))
        body += b"".join(shrfmla(r, r + 1, 1, 1, LEFT_PLUS_ONE) for r in range(0, rows, 2))
        left_plus_two = LEFT_PLUS_ONE[:-3] + struct.pack("<BH", 0x1E, 2) + b"\x03"
        body += shrfmla(0, rows - 1, 1, 1, left_plus_two)
        return workbook([("Sheet1", body)])
    if kind == "exp-missing":
        cells = [(r % ROWS, r // ROWS) for r in range(count)]
        body = dimensions(min(count, ROWS), cells[-1][1] + 1)
        body += b"".join(formula(r, c, texp(r, c), True) for r, c in cells)
        return workbook([("Sheet1", body)])
    if kind == "merge-full":
        area = (0, ROWS - 1, 0, COLS - 1)
        return workbook([("Sheet1", dimensions(ROWS, COLS) + number(0, 0, 1) +
                          number(ROWS - 1, COLS - 1, 1) + merged_cells([area] * count))])
    if kind == "merge-rows":
        areas = [(2 * i % ROWS, 2 * i % ROWS + 1, 0, COLS - 1) for i in range(count)]
        return workbook([("Sheet1", dimensions(ROWS, COLS) + number(0, 0, 1) +
                          number(ROWS - 1, COLS - 1, 1) + merged_cells(areas))])
    if kind == "last-row":
        body = dimensions(ROWS, COLS) + b"".join(number(ROWS - 1, c, c) for c in range(COLS))
        return workbook([("Sheet%d" % (i + 1), body) for i in range(count)])
    if kind == "sum-wide":
        body = dimensions(60000 + count, COLS) + number(59999, COLS - 1, 7)
        body += b"".join(formula(60000 + r, 0, sum_of_area(0, 59999, 0, COLS - 1))
                         for r in range(count))
        return workbook([("Sheet1", body)])
    if kind == "sum-column":
        body = dimensions(ROWS, 2) + b"".join(number(r, 0, 1) for r in range(63, ROWS, 64))
        body += b"".join(formula(r, 1, sum_of_area(0, ROWS - 1, 0, 0)) for r in range(count))
        return workbook([("Sheet1", body)])
    if kind == "parens":
        tokens = struct.pack("<BH", 0x1E, 1) + b"\x15" * 65000
        return workbook([("Sheet1", dimensions(count, 1) +
                          b"".join(formula(r, 0, tokens) for r in range(count)))])
    if kind == "no-worksheet":
        return workbook([("Chart%d" % (i + 1), b"") for i in range(count)], sheet_type=2)
    if kind == "bad-formulas":
        body = dimensions(count, 2) + number(0, 0, 5)
        body += b"".join(formula(r, 1, b"\x03", value=7 + r) for r in range(count))
        return workbook([("Sheet1", body)])
    raise SystemExit("unknown kind " + kind)


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    CompoundDoc.XlsDoc().save(sys.argv[3], make(sys.argv[1], int(sys.argv[2])))


if __name__ == "__main__":
    main()
