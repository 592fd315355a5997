#!/usr/bin/python3
"""Dumps what python3-xlrd reads from an .xls file, as tab-separated lines for the reader tests.

  D  datemode
  S  sheet-index  visibility  name
  C  sheet-index  row  col  kind  value  [date]
  M  sheet-index  first-row  last-row  first-col  last-col     (inclusive)
  W  sheet-index  column  width  hidden     (COLINFO: width in 1/256 of a character)
  H  sheet-index  row  height  hidden  custom-height  own-format     (ROW: height in twips)
  P  palette-index  red  green  blue     (the 56 palette entries, 0 = file colour 8)
  N  name  option-flags  scope  [sheet-index  first-row  last-row  first-col  last-col]
     (scope: the sheet index of a sheet's own name, -1 for a workbook name; the area when the
     name is one rectangle of one worksheet)

kind: T text, N number, D date (value is the raw serial, date the civil date and time as
xlrd reads it under the file's date system), B boolean (0 or 1), E error (BIFF8 code).
Empty and blank cells are left out. Texts escape backslash, tab, line feed and carriage return.
Exit status 2 when xlrd refuses the file.
"""
import sys

import xlrd


def escape(text):
    return (text.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n')
            .replace('\r', '\\r'))


def number(x):
    return repr(float(x))


def main(path):
    try:
        book = xlrd.open_workbook(path, formatting_info=True, on_demand=False,
                                  logfile=open('/dev/null', 'w'))
    except Exception as error:  # xlrd's own errors and the struct errors of damaged files
        sys.stderr.write('xlrd: %s\n' % error)
        return 2
    out = sys.stdout
    out.write('D\t%d\n' % book.datemode)
    for index, sheet in enumerate(book.sheets()):
        out.write('S\t%d\t%d\t%s\n' % (index, sheet.visibility, escape(sheet.name)))
        for row in range(sheet.nrows):
            for col, cell in enumerate(sheet.row(row)):
                kind = cell.ctype
                if kind == xlrd.XL_CELL_TEXT:
                    out.write('C\t%d\t%d\t%d\tT\t%s\n' % (index, row, col, escape(cell.value)))
                elif kind == xlrd.XL_CELL_NUMBER:
                    out.write('C\t%d\t%d\t%d\tN\t%s\n' % (index, row, col, number(cell.value)))
                elif kind == xlrd.XL_CELL_DATE:
                    try:
                        y, m, d, hh, mm, ss = xlrd.xldate_as_tuple(cell.value, book.datemode)
                        date = '%04d-%02d-%02d %02d:%02d:%02d' % (y, m, d, hh, mm, ss)
                    except xlrd.XLDateError:
                        date = ''
                    out.write('C\t%d\t%d\t%d\tD\t%s\t%s\n' % (index, row, col, number(cell.value),
                                                             date))
                elif kind == xlrd.XL_CELL_BOOLEAN:
                    out.write('C\t%d\t%d\t%d\tB\t%d\n' % (index, row, col, cell.value))
                elif kind == xlrd.XL_CELL_ERROR:
                    out.write('C\t%d\t%d\t%d\tE\t%d\n' % (index, row, col, cell.value))
        for col, info in sorted(sheet.colinfo_map.items()):
            out.write('W\t%d\t%d\t%d\t%d\n' % (index, col, info.width, info.hidden))
        for row, info in sorted(sheet.rowinfo_map.items()):
            out.write('H\t%d\t%d\t%d\t%d\t%d\t%d\n' % (index, row, info.height, info.hidden,
                                                         info.height_mismatch,
                                                         info.has_default_xf_index))
        for first_row, end_row, first_col, end_col in sheet.merged_cells:
            out.write('M\t%d\t%d\t%d\t%d\t%d\n' % (index, first_row, end_row - 1, first_col,
                                                   end_col - 1))
    for index in range(56):
        rgb = book.colour_map.get(index + 8)
        if rgb:
            out.write('P\t%d\t%d\t%d\t%d\n' % ((index,) + tuple(rgb)))
    for name in book.name_obj_list:
        line = 'N\t%s\t%d\t%d' % (escape(name.name), name.option_flags, name.scope)
        result = name.result
        if (result is not None and result.kind == xlrd.oREF and len(result.value) == 1):
            ref = result.value[0]
            shtxlo, shtxhi, rowxlo, rowxhi, colxlo, colxhi = ref.coords
            if shtxhi == shtxlo + 1 and 0 <= shtxlo < book.nsheets:
                line += '\t%d\t%d\t%d\t%d\t%d' % (shtxlo, rowxlo, rowxhi - 1, colxlo, colxhi - 1)
        out.write(line + '\n')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
