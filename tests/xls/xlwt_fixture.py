#!/usr/bin/python3
"""Writes a small workbook with python3-xlwt, an independent writer, for the tests of what a
load and save keep of a file beyond its values.

  xlwt_fixture.py NAME OUT.xls

  protected   Sheet "Zaštićen" protected with the password "zof" (objects and scenarios
              too), "Otvoren" not protected; the workbook and its windows protected (xlwt
              writes no workbook password).
  view        Sheet "Okvir": rows 1-2 and column A frozen, scrolled to row 40 and column E,
              zoom 150 %, no grid lines, no headers, zero values hidden; sheet "Formule" shows
              its formulas and is the active sheet; sheet "Skriven" is very hidden.
  sizes       Column widths and row heights in units no whole pixel gives back (A 3000/256
              characters, C 1234/256 hidden, row 1 301 twips, row 4 hidden) and a default row
              height of 315 twips.
  dates1904   The 1904 date system: A1 the date 2000-01-01 (serial 35064), A2 =A1+1, A3
              =DATE(2000,1,1), A4 =YEAR(A1).
  alignment   One cell per alignment: centre across selection, fill, justify, distributed
              (horizontal and vertical), indent 3, rotation 45 and 90, shrink to fit, fonts
              of 8.5 and 5.5 points, and (last) stacked letters.
"""
import sys

import xlwt


def protected(book):
    sheet = book.add_sheet('Zaštićen')
    sheet.write(0, 0, 'zaključano')
    sheet.protect = True
    sheet.obj_protect = True
    sheet.scen_protect = True
    sheet.password = 'zof'
    book.add_sheet('Otvoren').write(0, 0, 'otvoreno')
    book.protect = True
    book.wnd_protect = True


def view(book):
    frame = book.add_sheet('Okvir')
    for row in range(60):
        for col in range(8):
            frame.write(row, col, row * 10 + col)
    frame.panes_frozen = True
    frame.horz_split_pos = 2
    frame.vert_split_pos = 1
    frame.horz_split_first_visible = 40
    frame.vert_split_first_visible = 4
    frame.normal_magn = 150
    frame.show_grid = False
    frame.show_headers = False
    frame.show_zero_values = False
    formulas = book.add_sheet('Formule')
    formulas.write(0, 0, 2)
    formulas.write(1, 0, xlwt.Formula('A1*3'))
    formulas.show_formulas = True
    hidden = book.add_sheet('Skriven')
    hidden.write(0, 0, 'tajna')
    hidden.visibility = 2
    book.active_sheet = 1
    formulas.selected = True
    formulas.sheet_visible = True
    frame.selected = False
    frame.sheet_visible = False


def sizes(book):
    sheet = book.add_sheet('Mere')
    sheet.col(0).width = 3000
    sheet.col(2).width = 1234
    sheet.col(2).hidden = True
    sheet.row(0).height = 301
    sheet.row(0).height_mismatch = True
    sheet.row(3).hidden = True
    sheet.row_default_height = 315
    for row in range(5):
        sheet.write(row, 0, row)


def dates1904(book):
    book.dates_1904 = True
    sheet = book.add_sheet('Datumi')
    date = xlwt.easyxf(num_format_str='yyyy-mm-dd')
    sheet.write(0, 0, 35064, date)
    sheet.write(1, 0, xlwt.Formula('A1+1'), date)
    sheet.write(2, 0, xlwt.Formula('DATE(2000,1,1)'))
    sheet.write(3, 0, xlwt.Formula('YEAR(A1)'))


def alignment(book):
    sheet = book.add_sheet('Poravnanje')
    cases = [
        ('align: horz centre_across_selection', 'preko'),
        ('align: horz filled', 'ab'),
        ('align: horz justified, wrap on', 'poravnato obostrano'),
        ('align: horz distributed, vert distributed', 'raspoređeno'),
        ('align: vert justified', 'vertikalno'),
        ('align: horz left, indent 3', 'uvučeno'),
        ('align: rotation 45', 'koso'),
        ('align: rotation 90', 'naviše'),
        ('align: shrink_to_fit on', 'skupljeno da stane'),
        ('font: height 170', 'osam i po'),
        ('font: height 110', 'pet i po'),
    ]
    for row, (style, text) in enumerate(cases):
        sheet.write(row, 0, text, xlwt.easyxf(style))
    stacked = xlwt.easyxf('')
    stacked.alignment.rota = xlwt.Alignment.ROTATION_STACKED
    sheet.write(len(cases), 0, 'stub', stacked)


FIXTURES = {
    'protected': protected,
    'view': view,
    'sizes': sizes,
    'dates1904': dates1904,
    'alignment': alignment,
}


def main(name, path):
    book = xlwt.Workbook(encoding='utf-8')
    FIXTURES[name](book)
    book.save(path)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
