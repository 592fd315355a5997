#!/usr/bin/python3
"""How independent programs read an .xls file: python-xlrd (the values the file stores),
Gnumeric's ssconvert and LibreOffice (which calculate the formulas again from their tokens).

Each reader gives the same normalised model: {sheet name: {(row, col): (kind, value, formula)}}
with kind 'n' (number), 's' (text), 'b' (boolean) or 'e' (error text), plus the sheet names in
order, their visibility, merged ranges and defined names where the reader knows them.

Used by the script tests:
  interop.py compare EXPECTED.json FILE.xls WORKDIR   check FILE.xls against a model (JSON)
  interop.py model FILE.xls                           print the model xlrd reads (JSON)
"""
import csv
import gzip
import json
import math
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

ERRORS = {0x00: "#NULL!", 0x07: "#DIV/0!", 0x0F: "#VALUE!", 0x17: "#REF!", 0x1D: "#NAME?",
          0x24: "#NUM!", 0x2A: "#N/A"}
# This program's error texts and Excel's differ in two of them.
OUR_ERRORS = {"#NAME!": "#NAME?", "#N/A!": "#N/A"}


def col_name(c):
    s = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def cell_ref(r, c):
    return "%s%d" % (col_name(c), r + 1)


def norm_error(text):
    return OUR_ERRORS.get(text, text)


# --- xlrd -----------------------------------------------------------------------------------
def read_xlrd(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    model = {"sheets": [], "cells": {}, "visible": {}, "merged": {}, "names": {}}
    for sheet in book.sheets():
        model["sheets"].append(sheet.name)
        model["visible"][sheet.name] = sheet.visibility == 0
        model["merged"][sheet.name] = sorted(
            "%s:%s" % (cell_ref(r0, c0), cell_ref(r1 - 1, c1 - 1)) for r0, r1, c0, c1 in sheet.merged_cells)
        cells = {}
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_NUMBER:
                    cells[(r, c)] = ("n", cell.value)
                elif cell.ctype == xlrd.XL_CELL_TEXT and cell.value != "":
                    cells[(r, c)] = ("s", cell.value)
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    cells[(r, c)] = ("b", bool(cell.value))
                elif cell.ctype == xlrd.XL_CELL_ERROR:
                    cells[(r, c)] = ("e", ERRORS.get(cell.value, "#?"))
        model["cells"][sheet.name] = cells
    for name in book.name_obj_list:
        if name.hidden or not name.result or name.result.kind != xlrd.oREF:
            continue
        for ref in name.result.value:
            sheet = book.sheet_by_index(ref.shtxlo).name if 0 <= ref.shtxlo < book.nsheets else ""
            model["names"][name.name] = "%s!%s:%s" % (sheet, cell_ref(ref.rowxlo, ref.colxlo),
                                                       cell_ref(ref.rowxhi - 1, ref.colxhi - 1))
    return model


# --- Gnumeric ---------------------------------------------------------------------------------
GNM = "{http://www.gnumeric.org/v10.dtd}"


def read_gnumeric(path, work):
    xml_out = os.path.join(work, "gnumeric.xml")
    subprocess.run(["ssconvert", "-T", "Gnumeric_XmlIO:sax", path, xml_out], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    data = open(xml_out, "rb").read()
    root = ET.fromstring(gzip.decompress(data) if data[:2] == b"\x1f\x8b" else data)
    model = {"sheets": [], "cells": {}, "visible": {}, "merged": {}, "formulas": {}}
    csv_out = os.path.join(work, "gnumeric-%n.csv")
    subprocess.run(["ssconvert", "-S", "-T", "Gnumeric_stf:stf_csv", path, csv_out], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for index, sheet in enumerate(root.iter(GNM + "Sheet")):
        name = sheet.find(GNM + "Name").text
        model["sheets"].append(name)
        model["visible"][name] = sheet.get("Visibility", "GNM_SHEET_VISIBILITY_VISIBLE").endswith("_VISIBLE")
        model["merged"][name] = sorted(m.text for m in sheet.iter(GNM + "Merge"))
        formulas = {}
        for cell in sheet.iter(GNM + "Cell"):
            text = cell.text or ""
            if text.startswith("="):
                formulas[(int(cell.get("Row")), int(cell.get("Col")))] = text
        model["formulas"][name] = formulas
        cells = {}
        with open(os.path.join(work, "gnumeric-%d.csv" % index), newline="", encoding="utf-8") as f:
            for r, record in enumerate(csv.reader(f)):
                for c, field in enumerate(record):
                    if field != "":
                        cells[(r, c)] = field
        model["cells"][name] = cells
    return model


# --- LibreOffice ------------------------------------------------------------------------------
NS = {
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "calcext": "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0",
}


def q(prefix, name):
    return "{%s}%s" % (NS[prefix], name)


def convert_libreoffice(paths, work):
    """Converts every file to flat ODS in one LibreOffice run with a profile of its own."""
    profile = "file://" + os.path.join(work, "lo-profile")
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--norestore",
                    "--convert-to", "fods", "--outdir", work] + list(paths), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)


def lo_formula(text):
    """of:=SUM([.A1:.B2]) -> =SUM(A1:B2); of:=['Sheet 2'.A1] -> ='Sheet 2'!A1"""
    if text.startswith("of:"):
        text = text[3:]

    def ref(m):
        parts = []
        for part in m.group(1).split(":"):
            sheet, _, cell = part.rpartition(".")
            sheet = sheet.lstrip("$")
            parts.append((sheet + "!" if sheet else "") + cell)
        return ":".join(parts)
    text = re.sub(r"\[([^\]]*)\]", ref, text)
    return text.replace(";", ",")


def read_libreoffice(fods):
    root = ET.parse(fods).getroot()
    model = {"sheets": [], "cells": {}, "merged": {}, "formulas": {}}
    for table in root.iter(q("table", "table")):
        name = table.get(q("table", "name"))
        model["sheets"].append(name)
        cells, formulas, merged = {}, {}, []
        r = 0
        for row in table.iter(q("table", "table-row")):
            row_repeat = int(row.get(q("table", "number-rows-repeated"), "1"))
            c = 0
            for cell in row:
                if cell.tag not in (q("table", "table-cell"), q("table", "covered-table-cell")):
                    continue
                repeat = int(cell.get(q("table", "number-columns-repeated"), "1"))
                kind = cell.get(q("office", "value-type"))
                calc_kind = cell.get(q("calcext", "value-type"))
                text = "\n".join("".join(p.itertext()) for p in cell.findall(q("text", "p")))
                value = None
                if calc_kind == "error":
                    value = ("e", text)
                elif kind in ("float", "percentage", "currency", "date", "time"):
                    value = ("n", float(cell.get(q("office", "value"), "nan")))
                elif kind == "boolean":
                    value = ("b", cell.get(q("office", "boolean-value")) == "true")
                elif kind == "string" and text != "":
                    value = ("s", cell.get(q("office", "string-value"), text))
                formula = cell.get(q("table", "formula"))
                span_c = int(cell.get(q("table", "number-columns-spanned"), "1"))
                span_r = int(cell.get(q("table", "number-rows-spanned"), "1"))
                for k in range(repeat if value or formula or span_c > 1 or span_r > 1 else 0):
                    for rr in range(row_repeat):
                        if value:
                            cells[(r + rr, c + k)] = value
                        if formula:
                            formulas[(r + rr, c + k)] = lo_formula(formula)
                        if span_c > 1 or span_r > 1:
                            merged.append("%s:%s" % (cell_ref(r + rr, c + k),
                                                     cell_ref(r + rr + span_r - 1, c + k + span_c - 1)))
                c += repeat
            r += row_repeat
        model["cells"][name] = cells
        model["formulas"][name] = formulas
        model["merged"][name] = sorted(merged)
    return model


# --- Comparison -------------------------------------------------------------------------------
def same_number(a, b):
    return a == b or (math.isfinite(a) and math.isfinite(b) and
                      abs(a - b) <= 1e-9 * max(1.0, abs(a), abs(b)))


def same_value(expected, got):
    """expected: (kind, value); got: (kind, value) or a CSV field (text)."""
    kind, value = expected
    if isinstance(got, str):  # a CSV field as the program shows it in the General format
        if kind == "n":
            try:
                return same_number(value, float(got))
            except ValueError:
                return False
        if kind == "b":
            return got in (("TRUE", "1") if value else ("FALSE", "0"))
        if kind == "e":
            return got == value
        return got == value
    if kind == "b" and got[0] == "n":  # LibreOffice shows a boolean in the General format as 1 or 0
        return got[1] == (1.0 if value else 0.0)
    if got[0] != kind:
        return False
    return same_number(value, got[1]) if kind == "n" else got[1] == value


def same_formula(a, b):
    """Formula texts alike up to letter case, blanks and parentheses: Gnumeric writes function
    names in lower case and -B1^2 as (-B1)^2; the values, calculated again, check the meaning."""
    def norm(t):
        return re.sub(r"[ ()]", "", t).upper()
    return norm(a) == norm(b)


# LibreOffice turns BOOLERR constants into formulas (=TRUE(), =FALSE(), =NA(), ...).
def synthesized_formula(expected_value):
    return expected_value is not None and expected_value[0] in ("b", "e")


def compare(name, expected, got, problems, check_formulas=True, check_visible=True):
    def problem(text):
        problems.append("%s: %s" % (name, text))
    if got["sheets"] != expected["sheets"]:
        problem("sheets %r, expected %r" % (got["sheets"], expected["sheets"]))
        return
    for sheet in expected["sheets"]:
        want = expected["cells"][sheet]
        have = got["cells"].get(sheet, {})
        for key, value in want.items():
            if key not in have:
                problem("%s!%s missing, expected %r" % (sheet, cell_ref(*key), value))
            elif not same_value(value, have[key]):
                problem("%s!%s is %r, expected %r" % (sheet, cell_ref(*key), have[key], value))
        for key in have:
            if key not in want:
                problem("%s!%s is %r, expected nothing" % (sheet, cell_ref(*key), have[key]))
        if "merged" in got and got["merged"].get(sheet) != expected["merged"].get(sheet, []):
            problem("%s merged %r, expected %r" % (sheet, got["merged"].get(sheet), expected["merged"].get(sheet)))
        if check_visible and "visible" in got and got["visible"][sheet] != expected["visible"][sheet]:
            problem("%s visible %r" % (sheet, got["visible"][sheet]))
        if check_formulas and "formulas" in got:
            want_f = expected["formulas"].get(sheet, {})
            have_f = got["formulas"].get(sheet, {})
            for key, text in want_f.items():
                if not same_formula(have_f.get(key, ""), text):
                    problem("%s!%s formula %r, expected %r" % (sheet, cell_ref(*key), have_f.get(key), text))
            for key in have_f:
                if key not in want_f and not synthesized_formula(want.get(key)):
                    problem("%s!%s formula %r, expected none" % (sheet, cell_ref(*key), have_f[key]))
    if "names" in got:
        for n, ref in expected.get("names", {}).items():
            if got["names"].get(n) != ref:
                problem("name %s is %r, expected %r" % (n, got["names"].get(n), ref))


def load_expected(path):
    """The expected model as JSON: cells keyed "row,col"."""
    raw = json.load(open(path, encoding="utf-8"))
    for key in ("cells", "formulas"):
        raw[key] = {s: {tuple(map(int, k.split(","))): (tuple(v) if key == "cells" else v)
                        for k, v in cells.items()} for s, cells in raw.get(key, {}).items()}
    for s, cells in raw["cells"].items():
        for k, (kind, value) in cells.items():
            if kind == "e":
                cells[k] = ("e", norm_error(value))
    return raw


def main():
    if sys.argv[1] == "model":
        model = read_xlrd(sys.argv[2])
        model["cells"] = {s: {"%d,%d" % k: v for k, v in c.items()} for s, c in model["cells"].items()}
        json.dump(model, sys.stdout, ensure_ascii=False, indent=1)
        return 0
    if sys.argv[1] == "compare":
        expected = load_expected(sys.argv[2])
        path, work = sys.argv[3], sys.argv[4]
        problems = []
        compare("xlrd", expected, read_xlrd(path), problems, check_formulas=False)
        compare("gnumeric", expected, read_gnumeric(path, work), problems)
        convert_libreoffice([path], work)
        fods = os.path.join(work, os.path.splitext(os.path.basename(path))[0] + ".fods")
        compare("libreoffice", expected, read_libreoffice(fods), problems, check_visible=False)
        for p in problems:
            print("FAIL:", p)
        return 1 if problems else 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
