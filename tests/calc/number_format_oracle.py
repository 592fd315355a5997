#!/usr/bin/python3
"""Expected texts for the number-format table of cxSSNumberFormat_test.cpp, taken from two other
spreadsheet programs: writes every (format code, value) of CASES into one .xls with xlwt (every
code as a FORMAT record of its own), lets Gnumeric (ssconvert) and LibreOffice (soffice) export
the cells as shown, and prints the cases on which both agree as C++ table rows. Cases they
disagree on are listed on stderr and left out.

  number_format_oracle.py WORKDIR > rows.inc
  number_format_oracle.py WORKDIR CORPUS_FILE... > cells.inc

The second form does the same for the cells of real files: the numbers of each file's first
sheet whose format is a FORMAT record of the file (at most three cells of each format string),
as C++ rows of file, row, column and shown text.

Run under the C.UTF-8 locale (both programs then use United States English). Some
differences are not disagreements, and such rows keep LibreOffice's text:
- Gnumeric writes the minus sign as U+2212;
- a fill ("*x") is repeated to the column's width by Gnumeric and left out by LibreOffice; the
  row then also records the range of places where Gnumeric put the fill (Gnumeric draws the
  blanks of a fill partly as hair spaces, U+200A);
- in fractions ("# ?/?"), whose "?" places show blanks, Gnumeric pads with more blanks than
  LibreOffice (and Excel): such rows agree when runs of blanks are taken as one and blanks at
  either end are left out.
"""
import csv
import os
import subprocess
import sys

import xlwt

# Every built-in string would otherwise be written as its built-in index, which each program
# shows in its own way; 36 placeholders keep the indexes xlwt counts from.
xlwt.Style.StyleCollection._std_num_fmt_list = ['general'] + ['\x01%d' % i for i in range(35)]

# A date serial of 1907-03-04 (later than 1900-03-01: the two programs count days before it
# differently), 1988-05-03 (a Tuesday) and a time of 17:47:13.
D1907 = 2620
D1988 = 32266
T1747 = (17 * 3600 + 47 * 60 + 13) / 86400

CASES = [
    # Sections, conditions and the sign.
    ('0.00;[Red]-0.00;"zero"', 5), ('0.00;[Red]-0.00;"zero"', -5), ('0.00;[Red]-0.00;"zero"', 0),
    ('0;(0)', -7), ('0;(0)', 7), ('0;(0)', 0), ('0.0', -2.25), ('0.0', -0.01), ('0;-0;;@', 0),
    ('[>100]"big";[<0]"neg";"small"', 500), ('[>100]"big";[<0]"neg";"small"', -3),
    ('[>100]"big";[<0]"neg";"small"', 5), ('[<=10]0.0;[>10]0', 5), ('[<=10]0.0;[>10]0', 50),
    ('[<0]"minus "0;"plus "0', -4), ('[<0]"minus "0;"plus "0', 4), ('[>=1000]#,##0;0.00', 12345),
    ('[>=1000]#,##0;0.00', 3.14159), ('[<-5]0;0.0', -8), ('[<-5]0;0.0', -2),
    ('"text only"', 3), ('"text only"', -3),
    # Colours (the text; the colour itself is checked in the test).
    ('[Red]0.00', 1.5), ('[Blue]#,##0;[Red]-#,##0', -1234), ('[Color10]0', 3), ('[GREEN]0', 9),
    # Literal and quoted text, escapes.
    ('"$ "0.00', 0.123), ('#,##0.00 "€"', 1000.3), ('0 "units"', 12), ('$#,##0', 1234.5),
    ('(000) 000-0000', 5551234567), ('000-00-0000', 123456789), ('\\$0.00', 4.5), ('0\\%', 12),
    ('0.0\\x', 3), ('"("0")"', 8), ('+0;-0', 5), ('[$€-407] #,##0.00', 99.5), ('[$-409]0.00', 2),
    ('0.00 [$USD]', 7), ('"a;b"0', 1),
    # Padding and fill.
    ('0.00_)', 3.5), ('_(0_)', 42), ('0_0', 5), ('*-0.00', 3.5), ('0.00*x', 2), ('**0', 7),
    ('_(* #,##0.00_);_(* (#,##0.00);_(* "-"??_);_(@_)', 1234.5),
    ('_(* #,##0.00_);_(* (#,##0.00);_(* "-"??_);_(@_)', -1234.5),
    ('_(* #,##0.00_);_(* (#,##0.00);_(* "-"??_);_(@_)', 0),
    ('_("$"* #,##0_);_("$"* (#,##0);_("$"* "-"_);_(@_)', 56),
    # Digit places.
    ('000', 7), ('000', 1234), ('#.##', 0.5), ('#.##', 12), ('#.##', 3.14159), ('0.0#', 2.5),
    ('0.0#', 2.567), ('??.??', 1.5), ('??.??', 12.25), ('0.???', 2.5), ('#', 0), ('0', 0.4),
    ('0', 2.5), ('0.00', 2.675), ('0.000', 1.5), ('#0.0', 0.25), ('00.00', -1.5),
    ('.00', 0.5), ('#.00', 0.5), ('0 "m"', 5),
    # Thousands and scaling.
    ('#,##0', 1234567), ('#,##0', 999.5), ('#,##0.00', -1234567.891), ('#,##0,', 1234567),
    ('0.0,,"M"', 12345678), ('#,##0,"K"', 999), ('0,000', 12), ('#,###', 0), ('0.00,', 12345),
    ('0.0,0', 12345.678),
    # Percent.
    ('0%', 0.256), ('0.0%', -0.0123), ('0%', 1.5), ('#,##0%', 123.4),
    # Scientific.
    ('0.00E+00', 12345), ('0.00E+00', 0.00012345), ('0.00E+00', 0), ('0.00E-00', 12345),
    ('0.00E-00', 0.00012345), ('##0.0E+0', 12345), ('##0.0E+0', 0.0012345), ('0E+0', 5e10),
    ('0.0E+00', -987654), ('#.##E+0', 1234),
    # Fractions.
    ('# ?/?', 2.5), ('# ?/?', 3.25), ('# ??/??', 2.75), ('# ??/??', 3.5), ('?/?', 0.75),
    ('?/?', 1.5), ('# ?/8', 2.3), ('# ??/100', 1.37), ('0 ?/?', 4.5), ('# ?/?', -1.25),
    ('# ??/??', 0.3333333), ('?/??', 0.125), ('# ?/?', 0), ('# ?/?', 3), ('# ??/??', 5),
    ('# ?/?', 0.01), ('?/?', 0),
    # Dates and times.
    ('dd/mm/yyyy', D1907), ('mm/dd/yyyy', D1907), ('m/d/yy', D1907), ('d-mmm-yy', D1988),
    ('dddd, mmmm dd, yyyy', D1988), ('ddd d mmm yyyy', D1988), ('mmmmm', D1988), ('yyyy-mm-dd', D1988),
    ('mmm-yy', D1988), ('d.m.yyyy', D1907), ('h:mm:ss AM/PM', T1747), ('h:mm AM/PM', T1747),
    ('h:mm', T1747), ('hh:mm:ss', 0.25), ('h AM/PM', 0.5), ('h:mm a/p', T1747),
    ('h:mm A/P', 0.1), ('hh:mm:ss.00', 0.123456789), ('mm:ss.0', 0.0012345), ('[h]:mm:ss', 1.75),
    ('[h]:mm', 2.5), ('[mm]:ss', 0.1), ('[ss]', 0.01), ('yyyy-mm-dd hh:mm:ss', D1988 + T1747),
    ('m/d/yyyy h:mm', D1988 + 0.5), ('dd/mm/yyyy hh:mm', D1907 + 0.99999999), ('h:mm:ss', 0.999999),
    ('yy', D1907), ('d', D1988), ('[h]:mm:ss', -1.5),
    # Text and the general format.
    ('@', 12), ('"Name: "@', 'Ana'), ('@', 'plain'), ('0.00;-0.00;0;"<"@">"', 'txt'),
    ('0.00;-0.00;0;"<"@">"', 1.5), ('_(@_)', 'pad'), ('0.00', 'text'), ('[Red]@', 'red'),
    ('General', 12.5), ('General', -3), ('"x"General', 7), ('General" kg"', 2.5),
    ('0;0;0;General"!"', 'txt'), ('0;0;0;[Blue]"<"General', 'txt'),
]


def write_fixture(path):
    book = xlwt.Workbook()
    sheet = book.add_sheet('Codes')
    sheet.col(0).width = 20 * 256
    for row, (code, value) in enumerate(CASES):
        sheet.write(row, 0, value, xlwt.easyxf(num_format_str=code))
        sheet.write(row, 1, code)
    book.save(path)


def gnumeric_texts(xls, workdir):
    out = os.path.join(workdir, 'gnumeric.txt')
    subprocess.run(['ssconvert', '-T', 'Gnumeric_stf:stf_assistant', '-O',
                    'format=preserve separator=| quoting-mode=never eol=unix', xls, out],
                   check=True, capture_output=True)
    with open(out, encoding='utf-8') as f:
        # The shown text is the first field; the code after it may hold anything.
        return [line.split('|', 1)[0] for line in f.read().split('\n')[:len(CASES)]]


def libreoffice_texts(xls, workdir):
    # Separator TAB (9), quote ", UTF-8 (76), start row 1, no column formats, language en-US,
    # text not quoted, numbers detected, cells saved as shown.
    subprocess.run(['soffice', '--headless', '--convert-to',
                    'csv:Text - txt - csv (StarCalc):9,34,76,1,,1033,false,true,true',
                    '--outdir', workdir, xls], check=True, capture_output=True)
    with open(os.path.join(workdir, 'codes.csv'), encoding='utf-8', newline='') as f:
        rows = list(csv.reader(f, delimiter='\t'))
    return [row[0] if row else '' for row in rows[:len(CASES)]]


def fill_char(code):
    """The fill character of the section of a code that has one, or None."""
    i = 0
    while i < len(code):
        c = code[i]
        if c == '"':
            i = code.find('"', i + 1)
            if i < 0:
                return None
        elif c in '\\_':
            i += 1
        elif c == '*':
            return code[i + 1] if i + 1 < len(code) else None
        i += 1
    return None


def fill_places(gnumeric, libre, char):
    """The places of `libre` where a run of `char` gives `gnumeric`, as (first, last), or None."""
    fillers = {char, '\u200a'} if char == ' ' else {char}
    places = []
    for at in range(len(libre) + 1):
        head, tail = libre[:at], libre[at:]
        if not (gnumeric.startswith(head) and gnumeric.endswith(tail)):
            continue
        run = gnumeric[len(head):len(gnumeric) - len(tail)]
        if len(gnumeric) >= len(head) + len(tail) and all(c in fillers for c in run):
            places.append(at)
    return (places[0], places[-1]) if places else None


def same_blanks_aside(a, b):
    return ' '.join(a.split()) == ' '.join(b.split())


def agreement(code, gnumeric, libre):
    """How the two texts agree: (-1, -1) when they are the same (taking the differences listed
    at the top as none), the range of fill places when they differ by a fill, None otherwise."""
    gnumeric = gnumeric.replace('\u2212', '-')
    if gnumeric == libre or ('?' in code and '/' in code and same_blanks_aside(gnumeric, libre)):
        return (-1, -1)
    char = fill_char(code)
    return fill_places(gnumeric, libre, char) if char is not None else None


def cpp_string(text):
    # "?" is escaped too: "??/" would be a trigraph.
    escapes = {'"': '\\"', '\\': '\\\\', '?': '\\?'}
    return '"' + ''.join(escapes.get(c, c) for c in text) + '"'


def corpus_cells(workdir, files):
    import xlrd
    for path in files:
        name = os.path.basename(path)
        book = xlrd.open_workbook(path, formatting_info=True, logfile=open(os.devnull, 'w'))
        sheet = book.sheet_by_index(0)
        own = {f.format_key for f in book.format_list}
        subprocess.run(['ssconvert', '-T', 'Gnumeric_stf:stf_assistant', '-O',
                        'format=preserve separator=\x1f quoting-mode=never eol=unix', path,
                        os.path.join(workdir, 'g.txt')], check=True, capture_output=True)
        with open(os.path.join(workdir, 'g.txt'), encoding='utf-8') as f:
            gnumeric = [line.split('\x1f') for line in f.read().split('\n')]
        for old in os.listdir(workdir):
            if old.endswith('.csv'):
                os.remove(os.path.join(workdir, old))
        subprocess.run(['soffice', '--headless', '--convert-to',
                        'csv:Text - txt - csv (StarCalc):31,34,76,1,,1033,false,true,true',
                        '--outdir', workdir, path], check=True, capture_output=True)
        csv_name = [n for n in os.listdir(workdir) if n.endswith('.csv')][0]
        with open(os.path.join(workdir, csv_name), encoding='utf-8', newline='') as f:
            libre = list(csv.reader(f, delimiter='\x1f'))
        per_format = {}
        for row in range(sheet.nrows):
            for col, cell in enumerate(sheet.row(row)):
                if cell.ctype not in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                    continue
                key = book.xf_list[cell.xf_index].format_key
                code = book.format_map[key].format_str
                if key not in own or code.lower() in ('general', '@'):
                    continue
                if per_format.get(code, 0) >= 3:
                    continue
                try:
                    g = gnumeric[row][col]
                    l = libre[row][col]
                except IndexError:
                    continue
                if agreement(code, g, l) is None:
                    sys.stderr.write('disagree: %s %d,%d %r: gnumeric %r, libreoffice %r\n'
                                     % (name, row, col, code, g, l))
                    continue
                per_format[code] = per_format.get(code, 0) + 1
                print('    {%s, %d, %d, %s},  // %s' % (cpp_string(name), row, col, cpp_string(l),
                                                      cpp_string(code)))


def main(workdir):
    os.makedirs(workdir, exist_ok=True)
    xls = os.path.join(workdir, 'codes.xls')
    write_fixture(xls)
    gnumeric = gnumeric_texts(xls, workdir)
    libre = libreoffice_texts(xls, workdir)
    for (code, value), g, l in zip(CASES, gnumeric, libre):
        value_text = cpp_string(value) if isinstance(value, str) else repr(float(value))
        places = agreement(code, g, l)
        if places is None:
            sys.stderr.write('disagree: %r %r: gnumeric %r, libreoffice %r\n' % (code, value, g, l))
            continue
        # Byte offsets in the UTF-8 text, as the formatter reports them.
        first, last = (len(l[:p].encode('utf-8')) if p >= 0 else -1 for p in places)
        print('    {%s, %s, %s, %d, %d},' % (cpp_string(code), value_text, cpp_string(l), first, last))


if __name__ == '__main__':
    if len(sys.argv) > 2:
        os.makedirs(sys.argv[1], exist_ok=True)
        corpus_cells(sys.argv[1], sys.argv[2:])
    else:
        main(sys.argv[1])
