#!/usr/bin/python3
"""make_linked_workbook.py OUT.xls: a workbook as Excel 97-2003 writes one whose formulas the
function library cannot calculate, each with the value Excel stored for it. xlwt writes the
sheet's constants; the formulas and the link table (this workbook, another workbook with a
sheet and a name, the add-in functions) are written here record by record.

Sheet "Data":
      A        B
  1   2        =RTD("zof.rates","",A1,A2)            42     (function 379)
  2   3        =EUROCONVERT(A1,"DEM","EUR")            1.0225837653 (add-in, through tNameX)
  3            ='C:\\Data\\[Prices.xls]Rates'!$B$2*2   7      (a cell of another workbook)
  4            ='C:\\Data\\Prices.xls'!Rate+1          2.5    (a name of another workbook)
  5            =SUM(#REF!A1:A2)                        #REF!  (a sheet that is gone)
  6            =RTD("zof.roman","",A1*2)            "IV"   (text in a STRING record)
  7   abc      =RTD("zof.length","",A7)            3      (shared formula over B7:B8,
  8   hello    =RTD("zof.length","",A8)            5       tRefN tokens)
  9            =RTD("zof.rates","",#REF!)              1      (tRefErr: cells that are gone)
 10            =SUM(#REF!)+A1                          #REF!  (tAreaErr)

RTD (real-time data from a server) and EUROCONVERT (an add-in) are functions no library
calculates without their servers.
"""
import struct
import sys

import xlwt
from xlwt.CompoundDoc import XlsDoc


def record(rid, data):
    return struct.pack('<HH', rid, len(data)) + data


def records(stream):
    pos = 0
    while pos < len(stream):
        rid, length = struct.unpack_from('<HH', stream, pos)
        yield rid, stream[pos + 4:pos + 4 + length]
        pos += 4 + length


def u16string(text):  # XLUnicodeString: 16-bit count, flags, 8-bit characters
    return struct.pack('<HB', len(text), 0) + text.encode('latin-1')


def formula(row, col, xf, result, tokens, flags=0, extra=b''):
    return record(0x0006, struct.pack('<HHH', row, col, xf) + result +
                  struct.pack('<HIH', flags, 0, len(tokens)) + tokens + extra)


def number(x):
    return struct.pack('<d', x)


TEXT = bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])
PATH = b'\x01\x01CData\x03Prices.xls'
REF_ERROR = bytes([2, 0, 0x17, 0, 0, 0, 0xFF, 0xFF])

# EXTERNSHEET entries: 0 this workbook's sheet, 1 Rates of Prices.xls, 2 Prices.xls itself (its
# names), 3 the add-in functions, 4 a sheet that was deleted.
LINKS = [
    record(0x01AE, struct.pack('<HH', 1, 0x0401)),
    # C:\Data\Prices.xls, encoded: 0x01 (an encoded path), 0x01 'C' (drive C), 0x03 (a folder).
    record(0x01AE, struct.pack('<HH', 1, len(PATH)) + b'\x00' + PATH + u16string('Rates')),
    record(0x0023, struct.pack('<HHH', 0, 0, 0) + struct.pack('<BB', 4, 0) + b'Rate' +
           struct.pack('<H', 2) + b'\x1c\x17'),
    record(0x01AE, struct.pack('<HH', 1, 0x3A01)),
    record(0x0023, struct.pack('<HHH', 0, 0, 0) + struct.pack('<BB', 11, 0) + b'EUROCONVERT' +
           struct.pack('<H', 2) + b'\x1c\x17'),
    record(0x0017, struct.pack('<H', 5) + struct.pack('<HHH', 0, 0, 0) +
           struct.pack('<HHH', 1, 0, 0) + struct.pack('<HHH', 1, 0xFFFE, 0xFFFE) +
           struct.pack('<HHH', 2, 0xFFFE, 0xFFFE) + struct.pack('<HHH', 0, 0xFFFF, 0xFFFF)),
]

A1, A2 = b'\x44\x00\x00\x00\xc0', b'\x44\x01\x00\x00\xc0'  # tRefV, relative


def string(text):  # tStr
    return struct.pack('<BBB', 0x17, len(text), 0) + text.encode('latin-1')

FORMULAS = {
    0: (number(42.0), string('zof.rates') + string('') + A1 + A2 + b'\x42\x04\x7b\x01'),
    1: (number(1.0225837653), b'\x39\x03\x00\x01\x00\x00\x00' + A1 + b'\x17\x03\x00DEM' +
        b'\x17\x03\x00EUR' + b'\x42\x04\xff\x00'),
    2: (number(7.0), b'\x5a\x01\x00\x01\x00\x01\x00' + b'\x1e\x02\x00' + b'\x05'),
    3: (number(2.5), b'\x59\x02\x00\x01\x00\x00\x00' + b'\x1e\x01\x00' + b'\x03'),
    4: (REF_ERROR, b'\x3b\x04\x00\x00\x00\x01\x00\x00\xc0\x00\xc0' + b'\x22\x01\x04\x00'),
    5: (TEXT, string('zof.roman') + string('') + A1 + b'\x1e\x02\x00' + b'\x05' +
        b'\x42\x03\x7b\x01'),
    8: (number(1.0), string('zof.rates') + string('') + b'\x4a\x00\x00\x00\x00' +
        b'\x42\x03\x7b\x01'),
    9: (REF_ERROR, b'\x2b' + bytes(8) + b'\x42\x01\x04\x00' + A1 + b'\x03'),
}


def main(out):
    book = xlwt.Workbook()
    sheet = book.add_sheet('Data')
    sheet.write(0, 0, 2)
    sheet.write(1, 0, 3)
    sheet.write(6, 0, 'abc')
    sheet.write(7, 0, 'hello')
    for row in range(10):
        sheet.write(row, 1, 'placeholder %d' % row)
    stream = book.get_biff_data()

    parts = list(records(stream))
    end = next(i for i, (rid, _) in enumerate(parts) if rid == 0x000A)
    globals_ = parts[:end + 1]
    sheets = parts[end + 1:]
    last_bound = max(i for i, (rid, _) in enumerate(globals_) if rid == 0x0085)

    body = b''
    for rid, data in sheets:
        if rid == 0x00FD and struct.unpack_from('<H', data, 2)[0] == 1:
            row, _, xf = struct.unpack_from('<HHH', data, 0)
            if row in FORMULAS:
                result, tokens = FORMULAS[row]
                body += formula(row, 1, xf, result, tokens)
                if row == 5:
                    body += record(0x0207, u16string('IV'))
            elif row == 6:
                # The shared formula's first cell, then the shared formula itself.
                body += formula(row, 1, xf, number(3.0), b'\x01\x06\x00\x01\x00', flags=0x0008)
                shared = (string('zof.length') + string('') + b'\x4c\x00\x00\xff\xc0' +
                          b'\x42\x03\x7b\x01')
                body += record(0x04BC, struct.pack('<HHBBBB', 6, 7, 1, 1, 0, 2) +
                               struct.pack('<H', len(shared)) + shared)
            else:
                body += formula(row, 1, xf, number(5.0), b'\x01\x06\x00\x01\x00', flags=0x0008)
            continue
        body += record(rid, data)

    head = b''.join(record(rid, data) for rid, data in globals_[:last_bound + 1])
    head += b''.join(LINKS)
    tail = b''.join(record(rid, data) for rid, data in globals_[last_bound + 1:])
    sheet_offset = len(head) + len(tail)
    # The one BOUNDSHEET record points at the sheet's BOF.
    rebuilt = b''
    for rid, data in globals_[:last_bound + 1]:
        if rid == 0x0085:
            data = struct.pack('<I', sheet_offset) + data[4:]
        rebuilt += record(rid, data)
    rebuilt += b''.join(LINKS) + tail
    XlsDoc().save(out, rebuilt + body)


if __name__ == '__main__':
    main(sys.argv[1])
