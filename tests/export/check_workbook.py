#!/usr/bin/python3
"""Reads an exported workbook back with independent readers and compares it
with the table it was made from.

    check_workbook.py [--libreoffice] WORKBOOK EXPECTED.json

EXPECTED holds "headers" (texts), "widths" (sheet column widths in
characters) and "rows" (the texts of every table row). A cell text that is a
number must read as a number, a real "yyyy-mm-dd hh:mm:ss" date-time as a
date, an empty text as an empty cell, anything else as the same text. The
header row must be bold, centred vertically and 50 points high. With
--libreoffice, LibreOffice also opens the workbook, and what it shows must
be the table's texts. Exit 0 when everything matches; otherwise every
difference is printed.
"""
import csv
import datetime
import json
import os
import re
import subprocess
import sys
import tempfile

import xlrd

NUMBER = re.compile(r"[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?")
DATETIME = re.compile(r"(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})")
# What a spreadsheet program stores beyond the width in characters: the
# cell padding of the default font.
PADDING = 5.0 / 7.0

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def kind_of(text):
    if text == "":
        return "empty", None
    if NUMBER.fullmatch(text):
        return "number", float(text)
    match = DATETIME.fullmatch(text)
    if match:
        try:
            moment = datetime.datetime(*map(int, match.groups()))
        except ValueError:
            moment = None
        if moment and moment >= datetime.datetime(1900, 3, 1):
            return "date", moment
    return "text", text


def check_cells_with_xlrd(path, expected):
    xls = path.endswith(".xls")
    book = xlrd.open_workbook(path, formatting_info=xls)
    sheets = expected.get("sheets", ["Sheet1"])
    expect(book.sheet_names() == sheets, f"sheets {book.sheet_names()}, expected {sheets}")
    sheet = book.sheet_by_index(0)
    rows = [expected["headers"]] + expected["rows"]
    expect(sheet.nrows == len(rows), f"{sheet.nrows} rows, expected {len(rows)}")
    for r, texts in enumerate(rows):
        for c, text in enumerate(texts):
            if r >= sheet.nrows or c >= sheet.ncols:
                kind, value = kind_of(text)
                expect(kind == "empty", f"cell {r + 1},{c + 1} missing, expected {text!r}")
                continue
            cell = sheet.cell(r, c)
            kind, value = kind_of(text) if r > 0 else ("text", text)
            where = f"cell {r + 1},{c + 1} {text!r}"
            if kind == "empty":
                expect(cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK), f"{where}: {cell!r}")
            elif kind == "number":
                expect(cell.ctype == xlrd.XL_CELL_NUMBER and cell.value == value, f"{where}: {cell!r}")
            elif kind == "date":
                ok = cell.ctype == xlrd.XL_CELL_DATE
                if ok:
                    ok = xlrd.xldate_as_datetime(cell.value, book.datemode) == value
                expect(ok, f"{where}: {cell!r}")
            else:
                expect(cell.ctype == xlrd.XL_CELL_TEXT and cell.value == value, f"{where}: {cell!r}")
    if xls:
        check_xls_format(book, sheet, expected)


def width_matches(read, width):
    return abs(read - (width + PADDING)) < 0.01 if width > 0 else read == 0


def check_xls_format(book, sheet, expected):
    for c, width in enumerate(expected["widths"]):
        info = sheet.colinfo_map.get(c)
        expect(info is not None, f"column {c + 1} has no width")
        if info is not None:
            expect(width_matches(info.width / 256.0, width), f"column {c + 1} width {info.width / 256.0}, expected {width}")
            expect(bool(info.hidden) == (width == 0), f"column {c + 1} hidden {info.hidden}")
    expect(sheet.rowinfo_map[0].height == 1000, f"header height {sheet.rowinfo_map[0].height} twips")
    for c in range(len(expected["headers"])):
        xf = book.xf_list[sheet.cell_xf_index(0, c)]
        expect(book.font_list[xf.font_index].bold == 1, f"header {c + 1} not bold")
        expect(xf.alignment.vert_align == 1, f"header {c + 1} not centred vertically")
    if sheet.nrows > 1:
        xf = book.xf_list[sheet.cell_xf_index(1, 0)]
        expect(book.font_list[xf.font_index].bold == 0, "data row bold")


def check_xlsx_format(path, expected):
    import openpyxl
    from openpyxl.utils import get_column_letter

    sheet = openpyxl.load_workbook(path).active
    expect(sheet.row_dimensions[1].height == 50, f"header height {sheet.row_dimensions[1].height}")
    for c, width in enumerate(expected["widths"]):
        dimension = sheet.column_dimensions[get_column_letter(c + 1)]
        expect(width_matches(dimension.width, width), f"column {c + 1} width {dimension.width}, expected {width}")
        expect(bool(dimension.hidden) == (width == 0), f"column {c + 1} hidden {dimension.hidden}")
    for c in range(len(expected["headers"])):
        cell = sheet.cell(row=1, column=c + 1)
        expect(cell.font.b, f"header {c + 1} not bold")
        expect(cell.alignment.vertical == "center", f"header {c + 1} alignment {cell.alignment.vertical}")
    if len(expected["rows"]) > 0:
        expect(not sheet.cell(row=2, column=1).font.b, "data row bold")


def convert_with_libreoffice(path, target, extension, home):
    """LibreOffice, with a profile of its own in `home`, converts `path`
    there; returns the converted file's path, None when it failed, and what
    LibreOffice said."""
    result = subprocess.run(
        ["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{home}/profile",
         "--convert-to", target, "--outdir", home, path],
        capture_output=True, text=True, timeout=300, env=dict(os.environ, HOME=home))
    converted = os.path.join(home, os.path.splitext(os.path.basename(path))[0] + extension)
    ok = result.returncode == 0 and os.path.exists(converted)
    return (converted if ok else None), result.stdout + result.stderr


def check_with_libreoffice(path, expected):
    with tempfile.TemporaryDirectory() as home:
        converted, said = convert_with_libreoffice(
            path, "csv:Text - txt - csv (StarCalc):44,34,76", ".csv", home)
        expect(converted is not None, f"LibreOffice could not open {path}: {said}")
        if converted is None:
            return
        with open(converted, encoding="utf-8", newline="") as f:
            shown = list(csv.reader(f))
    rows = [expected["headers"]] + expected["rows"]
    expect(len(shown) == len(rows), f"LibreOffice shows {len(shown)} rows, expected {len(rows)}")
    for r, (seen, texts) in enumerate(zip(shown, rows)):
        seen = seen + [""] * (len(texts) - len(seen))
        expect(seen == texts, f"LibreOffice row {r + 1}: {seen!r}, expected {texts!r}")


def main():
    arguments = sys.argv[1:]
    libreoffice = arguments[0] == "--libreoffice"
    if libreoffice:
        arguments = arguments[1:]
    path, expected_path = arguments
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    check_cells_with_xlrd(path, expected)
    if libreoffice:
        check_with_libreoffice(path, expected)
    if path.endswith(".xlsx"):
        check_xlsx_format(path, expected)
    for problem in problems[:40]:
        print(problem)
    if problems:
        print(f"{len(problems)} differences in {path}")
        return 1
    print(f"{path}: all {len(expected['rows']) + 1} rows match")
    return 0


if __name__ == "__main__":
    sys.exit(main())
