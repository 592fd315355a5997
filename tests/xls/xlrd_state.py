#!/usr/bin/python3
"""What an .xls file holds beyond its values, as python3-xlrd reads it (formatting_info=True),
one fact a line, for the round-trip tests: a workbook we load and save must read the same.

  xlrd_state.py FILE.xls

Each line is KIND, PLACE and VALUE separated by tabs. PLACE says where the fact belongs
("sheet:row:col" for a cell); VALUE is the fact, with backslash, tab, line feed and carriage
return escaped as in xlrd_dump.py. The kinds are the functions in FACTS; a new kind of fact is
one more function there, and the test lists which kinds a save must keep.

  format     sheet:row:col    the number format string of every cell xlrd lists (blank ones too)
  alignment  sheet:row:col    the cell's alignment: horizontal, vertical, rotation, indent, shrink
                              to fit, wrap, reading order
  font       sheet:row:col    the cell's font: height in twips, weight, italic, underline,
                              strike-out, colour index, name
  datemode   book             the date system (0 1900, 1 1904)
  palette    colour:N         the RGB of colour index N (8 to 63)
  sheet      sheet            the sheet's visibility (0 visible, 1 hidden, 2 very hidden)
  window     sheet            the window options: formulas, grid, headers, zeros, outline, active,
                              frozen, split positions and first visible row and column of the
                              panes, the first visible row and column, the zoom, the grid colour
  colwidth   sheet:col        a COLINFO's width (1/256 character) and hidden flag
  rowheight  sheet:row        a ROW's height (twips) and hidden flag
  defaults   sheet:name       DEFCOLWIDTH, STANDARDWIDTH and DEFAULTROWHEIGHT, when present

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


def alignments(book):
    for place, cell in cells(book):
        a = book.xf_list[cell.xf_index].alignment
        yield place, '%d %d %d %d %d %d %d' % (a.hor_align, a.vert_align, a.rotation,
                                               a.indent_level, a.shrink_to_fit, a.text_wrapped,
                                               a.text_direction)


def fonts(book):
    for place, cell in cells(book):
        f = book.font_list[book.xf_list[cell.xf_index].font_index]
        yield place, '%d %d %d %d %d %d %s' % (f.height, f.weight, f.italic, f.underline_type,
                                               f.struck_out, f.colour_index, f.name)


def datemode(book):
    yield 'book', str(book.datemode)


def palette(book):
    for index in range(8, 64):
        rgb = book.colour_map.get(index)
        if rgb:
            yield 'colour:%d' % index, '%d,%d,%d' % tuple(rgb)


def sheets(book):
    for index, sheet in enumerate(book.sheets()):
        yield str(index), str(sheet.visibility)


def windows(book):
    for index, sheet in enumerate(book.sheets()):
        yield str(index), ' '.join(str(x) for x in (
            sheet.show_formulas, sheet.show_grid_lines, sheet.show_sheet_headers,
            sheet.show_zero_values, sheet.show_outline_symbols, sheet.sheet_visible,
            sheet.panes_are_frozen, sheet.horz_split_pos, sheet.vert_split_pos,
            sheet.horz_split_first_visible, sheet.vert_split_first_visible,
            sheet.first_visible_rowx, sheet.first_visible_colx, sheet.scl_mag_factor,
            sheet.gridline_colour_index))


def column_widths(book):
    for index, sheet in enumerate(book.sheets()):
        for col, info in sorted(sheet.colinfo_map.items()):
            yield '%d:%d' % (index, col), '%d %d' % (info.width, info.hidden)


def row_heights(book):
    for index, sheet in enumerate(book.sheets()):
        for row, info in sorted(sheet.rowinfo_map.items()):
            yield '%d:%d' % (index, row), '%d %d' % (info.height, info.hidden)


def defaults(book):
    for index, sheet in enumerate(book.sheets()):
        for name in ('defcolwidth', 'standardwidth', 'default_row_height'):
            value = getattr(sheet, name, None)
            if value is not None:
                yield '%d:%s' % (index, name), str(value)


FACTS = {
    'format': formats,
    'alignment': alignments,
    'font': fonts,
    'datemode': datemode,
    'palette': palette,
    'sheet': sheets,
    'window': windows,
    'colwidth': column_widths,
    'rowheight': row_heights,
    'defaults': defaults,
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
