#!/usr/bin/env python3
"""Small hostile or extreme .xls files, written from the file format with struct alone.

    attack_files.py OUTDIR [NAME ...]   writes the named files (all of them without names)
    attack_files.py --list              prints the names

Each file is made by one function of ATTACKS below, a few lines over the record helpers. The
tests, the fuzz seeds (fuzz/run.sh) and the benchmarks generate what they need from here, so
no large file is kept in the repository. A file is written under a temporary name and renamed,
so test programs running at the same time may write the same folder.
"""

import os
import struct
import sys

# --- Compound document ----------------------------------------------------------------------------

SECTOR = 512
FREE, END_OF_CHAIN, FAT_SECTOR = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
MINI_CUTOFF = 4096


def directory_entry(name, kind, start, size, child=FREE):
    encoded = (name + "\0").encode("utf-16-le") if name else b""
    return (encoded.ljust(64, b"\0") + struct.pack("<HBB", len(encoded), kind, 1 if kind == 2 else 0)
            + struct.pack("<III", FREE, FREE, child) + bytes(36)
            + struct.pack("<III", start, size, 0))


def compound_document(workbook):
    """A compound document holding one stream, "Workbook", in big sectors (a stream below the
    mini-stream cut-off is padded up to it with zero bytes after its last record)."""
    stream = workbook.ljust(MINI_CUTOFF, b"\0")
    stream_sectors = -(-len(stream) // SECTOR)
    fat_sectors = 1
    while fat_sectors * (SECTOR // 4) < fat_sectors + 1 + stream_sectors:
        fat_sectors += 1
    assert fat_sectors <= 109, "the header's DIFAT holds 109 FAT sectors"
    directory = fat_sectors
    first = directory + 1
    fat = [FAT_SECTOR] * fat_sectors + [END_OF_CHAIN]
    fat += [first + i + 1 for i in range(stream_sectors - 1)] + [END_OF_CHAIN]
    fat += [FREE] * (fat_sectors * SECTOR // 4 - len(fat))
    difat = list(range(fat_sectors)) + [FREE] * (109 - fat_sectors)
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + bytes(16)
              + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + bytes(6)
              + struct.pack("<IIIIIIIII", 0, fat_sectors, directory, 0, MINI_CUTOFF,
                            END_OF_CHAIN, 0, END_OF_CHAIN, 0)
              + struct.pack("<109I", *difat))
    entries = (directory_entry("Root Entry", 5, END_OF_CHAIN, 0, child=1)
               + directory_entry("Workbook", 2, first, len(stream))
               + directory_entry("", 0, 0, 0) * 2)
    return (header + struct.pack("<%dI" % len(fat), *fat) + entries
            + stream.ljust(stream_sectors * SECTOR, b"\0"))


# --- BIFF8 records --------------------------------------------------------------------------------

MAX_RECORD_DATA = 8224
BOF, EOF, BOUNDSHEET, DIMENSIONS, NUMBER, LABEL = 0x0809, 0x000A, 0x0085, 0x0200, 0x0203, 0x0204
FORMULA = 0x0006
BOF_GLOBALS, BOF_WORKSHEET, BOF_CHART = 0x0005, 0x0010, 0x0020
SHEET_WORKSHEET, SHEET_CHART = 0, 2


def record(rid, data=b""):
    assert len(data) <= MAX_RECORD_DATA
    return struct.pack("<HH", rid, len(data)) + data


def bof(kind):
    return record(BOF, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))


def short_string(text):
    """A string with an 8-bit count, 16-bit characters."""
    return struct.pack("<BB", len(text), 1) + text.encode("utf-16-le")


def boundsheet(offset, name, kind=SHEET_WORKSHEET):
    return record(BOUNDSHEET, struct.pack("<IBB", offset, 0, kind) + short_string(name))


def dimensions(rows, cols):
    return record(DIMENSIONS, struct.pack("<IIHHH", 0, rows, 0, cols, 0))


def number(row, col, value):
    return record(NUMBER, struct.pack("<HHHd", row, col, 15, value))


def formula(row, col, tokens, value):
    """A FORMULA record with a number as its cached value."""
    return record(FORMULA, struct.pack("<HHHdHIH", row, col, 15, value, 0, 0, len(tokens)) + tokens)


def label(row, col, text):
    return record(LABEL, struct.pack("<HHHHB", row, col, 15, len(text), 1) + text.encode("utf-16-le"))


def workbook(sheets, globals_records=b""):
    """The "Workbook" stream: the globals (with one BOUNDSHEET per sheet), then each sheet's
    substream. `sheets` is a list of (name, sheet type, records between BOF and EOF)."""
    def globals_part(offsets):
        return (bof(BOF_GLOBALS) + globals_records
                + b"".join(boundsheet(o, name, kind) for o, (name, kind, _) in zip(offsets, sheets))
                + record(EOF))

    offset = len(globals_part([0] * len(sheets)))
    offsets = []
    substreams = b""
    for _, kind, body in sheets:
        offsets.append(offset + len(substreams))
        substreams += bof(BOF_CHART if kind == SHEET_CHART else BOF_WORKSHEET) + body + record(EOF)
    return globals_part(offsets) + substreams


def xls(sheets, globals_records=b""):
    return compound_document(workbook(sheets, globals_records))


# --- Attacks --------------------------------------------------------------------------------------

def no_worksheet():
    """Workbook globals without any BOUNDSHEET: no sheet at all."""
    return xls([])


def chart_sheet_only():
    """The only sheet is a chart sheet, which the workbook does not show."""
    return xls([("Chart1", SHEET_CHART, b"")])


def damaged_formulas():
    """Two formulas whose tokens make no expression (an addition without operands): read as
    their cached values 7 and 8, beside a number."""
    add = b"\x03"
    return xls([("Sheet1", SHEET_WORKSHEET, dimensions(2, 2) + number(0, 0, 5)
                 + formula(0, 1, add, 7) + formula(1, 1, add, 8))])


ATTACKS = {
    "no-worksheet.xls": no_worksheet,
    "chart-sheet-only.xls": chart_sheet_only,
    "damaged-formulas.xls": damaged_formulas,
}


def write(folder, name):
    path = os.path.join(folder, name)
    temporary = "%s.%d.part" % (path, os.getpid())
    with open(temporary, "wb") as out:
        out.write(ATTACKS[name]())
    os.replace(temporary, path)


def main(argv):
    if argv[1:] == ["--list"]:
        print("\n".join(sorted(ATTACKS)))
        return 0
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    folder, names = argv[1], argv[2:] or sorted(ATTACKS)
    unknown = [n for n in names if n not in ATTACKS]
    if unknown:
        sys.stderr.write("unknown attack file: %s\n" % ", ".join(unknown))
        return 2
    os.makedirs(folder, exist_ok=True)
    for name in names:
        write(folder, name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
