#!/usr/bin/python3
"""What an .xls file holds beyond its values, as python3-xlrd reads it (formatting_info=True),
one fact a line, for the round-trip tests: a workbook we load and save must read the same.

  xlrd_state.py FILE.xls

Each line is KIND, PLACE and VALUE separated by tabs. PLACE says where the fact belongs
("sheet:row:col" for a cell); VALUE is the fact, with backslash, tab, line feed and carriage
return escaped as in xlrd_dump.py. The kinds are the functions in FACTS; a new kind of fact is
one more function there, and the test lists which kinds a save must keep.

  format   sheet:row:col   the number format string of every cell xlrd lists (blank ones too)

Exit status 2 when xlrd refuses the file.
"""
import os
import sys

import xlrd


def escape(text):
    return (text.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n')
            .replace('\r', '\\r'))


def cells(book):
    for index, sheet in enumerate(book.sheets()):
        for row in range(sheet.nrows):
            for col, cell in enumerate(sheet.row(row)):
                if cell.ctype != xlrd.XL_CELL_EMPTY:
                    yield '%d:%d:%d' % (index, row, col), cell


def formats(book):
    for place, cell in cells(book):
        key = book.xf_list[cell.xf_index].format_key
        fmt = book.format_map.get(key)
        yield place, fmt.format_str if fmt is not None else '(no FORMAT %d)' % key


FACTS = {
    'format': formats,
}


def main(path):
    try:
        book = xlrd.open_workbook(path, formatting_info=True, logfile=open(os.devnull, 'w'))
    except Exception as error:  # xlrd's own errors and the struct errors of damaged files
        sys.stderr.write('xlrd: %s\n' % error)
        return 2
    out = sys.stdout
    for kind, facts in FACTS.items():
        for place, value in facts(book):
            out.write('%s\t%s\t%s\n' % (kind, place, escape(value)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
