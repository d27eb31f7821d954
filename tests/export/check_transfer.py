#!/usr/bin/python3
"""Reads back what the window saves of a transfer beyond Sheet1, with
independent readers, and compares it with the readings decoded apart.

    check_transfer.py [--libreoffice] FILE EXPECTED.json
    check_transfer.py --same-sheet1 PLAIN.xls[x] WITH_TRANSFER.xls[x]

FILE is a workbook (.xls, .xlsx) or the window's CSV. EXPECTED holds
"details" ([label, text] in order), "properties" (title, subject, author,
keywords, comments) and "readings" (number, clock: "yyyy-mm-dd hh:mm:ss" or
null where the meter's clock names no moment, clock_text, value or null,
unit, temperature, scale, out_of_step, and optionally decimals: the places
the meter shows, lost_before: readings lost right before it, received: false
where the time received is not known). The statistics are worked out here
from the readings (two passes, Python's statistics module; readings out of
step left out) and must equal the Details sheet's, which also counts the
readings out of step and lost. Numbers show the meter's places: in the CSV
as written, in a workbook by the cell's number format. With --libreoffice, LibreOffice prints the workbook to PDF, and a page
must show the Details sheet, with the chart's green and red lines in an
.xlsx (an .xls has no chart). Exit 0 when
everything matches; otherwise every difference is printed.

--same-sheet1 compares the first sheet of two workbooks byte for byte: its
BIFF8 substream in an .xls, its XML part in an .xlsx.
"""
import csv
import datetime
import io
import json
import math
import os
import re
import statistics
import subprocess
import sys
import tempfile
import urllib.parse
import zipfile

problems = []
HEADINGS = ["No.", "Date and Time", "Value", "Unit", "Temperature", "Scale", "Received (UTC)",
            "Out of step", "Lost before"]
COLUMNS = len(HEADINGS)


def expect(condition, message):
    if not condition:
        problems.append(message)


def close(a, b):
    return a == b or (a is not None and b is not None and math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-12))


def clock_of(reading):
    if reading["clock"] is None:
        return None
    return datetime.datetime.strptime(reading["clock"], "%Y-%m-%d %H:%M:%S")


def expected_statistics(readings):
    """[what, unit, n, min, max, mean, sd] in the order the units first come."""
    values, temperatures = {}, {}
    for r in readings:
        if r["out_of_step"]:
            continue
        if r["value"] is not None:
            values.setdefault(r["unit"], []).append(r["value"])
        temperatures.setdefault(r["scale"], []).append(r["temperature"])
    rows = []
    for what, groups in (("Value", values), ("Temperature", temperatures)):
        for unit, numbers in groups.items():
            sd = statistics.stdev(numbers) if len(numbers) > 1 else None
            rows.append([what, unit, len(numbers), min(numbers), max(numbers),
                         statistics.fmean(numbers), sd])
    return rows


def check_data_row(where, row, r):
    """row: [number, clock (datetime or text), value, unit, temperature, scale, received, mark]"""
    expect(row[0] == r["number"], f"{where} number {row[0]!r}")
    clock = clock_of(r)
    if clock is not None:
        expect(row[1] == clock, f"{where} clock {row[1]!r}, expected {clock}")
    else:
        expect(row[1] == r["clock_text"], f"{where} clock text {row[1]!r}")
    expect(close(row[2], r["value"]), f"{where} value {row[2]!r}, expected {r['value']!r}")
    expect((row[3] or "") == r["unit"], f"{where} unit {row[3]!r}, expected {r['unit']!r}")
    expect(close(row[4], r["temperature"]), f"{where} temperature {row[4]!r}")
    expect(row[5] == r["scale"], f"{where} scale {row[5]!r}")
    if r.get("received", True):
        expect(isinstance(row[6], datetime.datetime), f"{where} received {row[6]!r} is not a date")
    else:
        expect(row[6] is None, f"{where} received {row[6]!r}, but a replay cannot know it")
    expect((row[7] or "") == ("out of step" if r["out_of_step"] else ""), f"{where} mark {row[7]!r}")
    expect(row[8] == r.get("lost_before", 0), f"{where} lost before {row[8]!r}")


def check_details_sheet(rows, expected):
    for i, (label, text) in enumerate(expected["details"]):
        got = rows[i] if i < len(rows) else []
        expect(got[:1] == [label], f"Details row {i + 1}: {got!r}, expected {label!r}")
        expect(((got[1] if len(got) > 1 else None) or "") == text,
               f"Details {label}: {got[1:2]!r}, expected {text!r}")
    readings = expected["readings"]
    for label, count in (("Out of step", sum(1 for r in readings if r["out_of_step"])),
                         ("Lost on the line", sum(r.get("lost_before", 0) for r in readings))):
        found = [row for row in rows if row[:1] == [label]]
        expect(len(found) == 1 and found[0][1] == count,
               f"Details {label}: {found!r}, expected {count}")
    starts = [i for i, row in enumerate(rows) if row[:1] == ["Statistics"]]
    expect(len(starts) == 1, "no Statistics heading on the Details sheet")
    if not starts:
        return
    wanted = expected_statistics(expected["readings"])
    got = [row[:7] + [None] * (7 - len(row[:7])) for row in rows[starts[0] + 1:starts[0] + 1 + len(wanted)]]
    expect(len(got) == len(wanted), f"{len(got)} statistics rows, expected {len(wanted)}")
    for g, w in zip(got, wanted):
        ok = g[0] == w[0] and (g[1] or "") == w[1] and g[2] == w[2] and all(
            close(a, b) for a, b in zip(g[3:], w[3:]))
        expect(ok, f"statistics {g!r}, worked out {w!r}")


def expect_sheets(names):
    expect(names[:3] == ["Sheet1", "Details", "Data"], f"sheets {names}")


def check_xls(path, expected):
    import olefile
    import xlrd

    book = xlrd.open_workbook(path)
    names = book.sheet_names()
    expect_sheets(names)

    def value(sheet, r, c):
        if c >= sheet.ncols:
            return None
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_DATE:
            return xlrd.xldate_as_datetime(cell.value, book.datemode).replace(microsecond=0)
        if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            return None
        return cell.value

    details = book.sheet_by_name("Details")
    check_details_sheet([[value(details, r, c) for c in range(details.ncols)] for r in range(details.nrows)],
                        expected)
    data = [[value(s, r, c) for c in range(COLUMNS)] for s in
            (book.sheet_by_name(n) for n in names if n.startswith("Data")) for r in range(1, s.nrows)]
    check_data(data, expected)
    styled = xlrd.open_workbook(path, formatting_info=True)

    def shown(sheet, r, c):
        xf = styled.xf_list[sheet.cell_xf_index(r, c)]
        return styled.format_map[xf.format_key].format_str
    formats = [shown(s, r, 2) for s in
               (styled.sheet_by_name(n) for n in names if n.startswith("Data"))
               for r in range(1, s.nrows)]
    check_places(formats, expected)
    meta = olefile.OleFileIO(path).get_metadata()
    for field, attribute in (("title", "title"), ("subject", "subject"), ("author", "author"),
                             ("keywords", "keywords"), ("comments", "comments")):
        got = (getattr(meta, attribute) or b"").decode("utf-8", "replace")
        expect(got == expected["properties"][field], f"property {field} {got!r}")


def check_xlsx(path, expected):
    import openpyxl

    book = openpyxl.load_workbook(path)
    names = book.sheetnames
    expect_sheets(names)

    def rows(sheet, first=1):
        return [[c.replace(microsecond=0) if isinstance(c, datetime.datetime) else c for c in row]
                for row in sheet.iter_rows(min_row=first, values_only=True)]

    check_details_sheet(rows(book["Details"]), expected)
    check_data([row for n in names if n.startswith("Data") for row in rows(book[n], 2)], expected)
    check_places([row[2].number_format for n in names if n.startswith("Data")
                  for row in book[n].iter_rows(min_row=2)], expected)
    p = book.properties
    for field, got in (("title", p.title), ("subject", p.subject), ("author", p.creator),
                       ("keywords", p.keywords), ("comments", p.description)):
        expect((got or "") == expected["properties"][field], f"property {field} {got!r}")
    check_charts(path, book["Data"])


def check_charts(path, data):
    """Two charts: the value's (column C) and the temperature's (column E),
    each on its own scale with an axis title naming the units, and no line
    joining readings of two units."""
    units = {row[0].row: (row[3].value or "", row[5].value) for row in data.iter_rows(min_row=2)}
    with zipfile.ZipFile(path) as archive:
        charts = sorted(n for n in archive.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n))
        expect(len(charts) == 2, f"charts {charts}")
        for name, column, which in zip(charts, ("C", "E"), (0, 1)):
            xml = archive.read(name).decode()
            ranges = re.findall(r"<c:yVal>.*?<c:f>Data!\$" + column + r"\$(\d+):\$" + column +
                                r"\$(\d+)</c:f>", xml, re.S)
            expect(ranges, f"{name} does not plot column {column} of the Data sheet")
            lines = "<c:marker><c:symbol val=\"none\"/>" in xml
            for first, last in ranges:
                seen = {units[r][which] for r in range(int(first), int(last) + 1) if r in units}
                expect(not lines or len(seen) <= 1, f"{name} joins rows {first}-{last} of {seen}")
            wanted = {units[r][which] for r in units if units[r][which]}
            title = "".join(re.findall(r"<c:valAx>.*?<c:title>.*?</c:title>", xml, re.S)[:2])
            expect(all(u in title for u in wanted), f"{name}: axis titles do not name {wanted}")


def check_csv(path, expected):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    # A comment line writes ",", ";", "%" and control characters as %XX.
    comments = [urllib.parse.unquote(l) for l in lines if l.startswith("# ")]
    wanted = [f"# {label}: {text}" for label, text in expected["details"] if text]
    expect(all("," not in l and ";" not in l for l in lines if l.startswith("#")),
           "a comment line a spreadsheet would split")
    expect(comments == wanted, f"comment lines {comments!r}, expected {wanted!r}")
    reader = csv.reader(io.StringIO("\n".join(l for l in lines if not l.startswith("#"))))
    table = [row for row in reader if row]
    expect(table[:1] == [HEADINGS], f"header {table[:1]!r}")

    def typed(row):
        received = datetime.datetime.strptime(row[6], "%Y-%m-%dT%H:%M:%S.%fZ") if row[6] else None
        clock = row[1]
        try:
            clock = datetime.datetime.strptime(row[1], "%Y-%m-%d %H:%M:%S")
        except ValueError:
            pass
        return [int(row[0]), clock, float(row[2]) if row[2] else None, row[3], float(row[4]), row[5],
                received, row[7], int(row[8])]

    expect(all(len(row) == COLUMNS for row in table), "a row with more or fewer fields than the header")
    check_data([typed(row) for row in table[1:]], expected)
    check_places(["0" if "." not in row[2] else "0." + "0" * len(row[2].split(".")[1])
                  for row in table[1:]], expected)


def check_places(formats, expected):
    """Each value shows the meter's places: "0.00" for two."""
    for fmt, r in zip(formats, expected["readings"]):
        if r["value"] is None or "decimals" not in r:
            continue
        want = "0" if r["decimals"] == 0 else "0." + "0" * r["decimals"]
        expect(fmt == want, f"reading {r['number']} shown as {fmt!r}, expected {want!r}")


def check_data(rows, expected):
    readings = expected["readings"]
    expect(len(rows) == len(readings), f"{len(rows)} data rows, expected {len(readings)}")
    for row, r in zip(rows, readings):
        row = list(row) + [None] * (COLUMNS - len(row))
        # A clock the calendar does not know stays text, as the meter sent it.
        if clock_of(r) is None and isinstance(row[1], datetime.datetime):
            row[1] = row[1].strftime("%Y-%m-%d %H:%M:%S")
        check_data_row(f"reading {r['number']}", row, r)


def printed_details(path, chart):
    """LibreOffice prints the workbook; a page must hold the Details sheet
    and, with `chart`, the chart's lines: pixels of its green and its red
    (an .xls has no chart)."""
    from check_workbook import convert_with_libreoffice

    with tempfile.TemporaryDirectory() as home:
        pdf, said = convert_with_libreoffice(path, "pdf", ".pdf", home)
        expect(pdf is not None, f"LibreOffice could not print {path}: {said}")
        if pdf is None:
            return
        text = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, text=True).stdout
        page = next((i + 1 for i, p in enumerate(text.split("\f")) if "Statistics" in p), None)
        expect(page is not None, "no printed page holds the Details sheet")
        if page is None or not chart:
            return
        subprocess.run(["pdftoppm", "-r", "50", "-f", str(page), "-l", str(page), pdf,
                        os.path.join(home, "page")], check=True)
        ppm = [f for f in os.listdir(home) if f.startswith("page")][0]
        green, red = count_line_pixels(os.path.join(home, ppm))
        expect(green > 50 and red > 50, f"the Details page shows no chart ({green} green, {red} red pixels)")


def count_line_pixels(ppm):
    with open(ppm, "rb") as f:
        data = f.read()
    # P6 header: magic, width, height, maxval, each after white space.
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    pixels = data[at + 1:]
    green = red = 0
    for i in range(0, len(pixels) - 2, 3):
        r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
        if g > 120 and r < 90 and b < 90:
            green += 1
        elif r > 180 and g < 90 and b < 90:
            red += 1
    return green, red


def sheet1_bytes(path):
    if path.endswith(".xlsx"):
        with zipfile.ZipFile(path) as archive:
            return archive.read("xl/worksheets/sheet1.xml")
    import olefile

    stream = olefile.OleFileIO(path).openstream("Workbook").read()
    # Records: type and length (16 bits each, little-endian), then the body.
    # The first sheet's substream runs from the second BOF to its EOF.
    at, bofs, start = 0, 0, None
    while at + 4 <= len(stream):
        kind = int.from_bytes(stream[at:at + 2], "little")
        length = int.from_bytes(stream[at + 2:at + 4], "little")
        if kind == 0x0809:
            bofs += 1
            if bofs == 2:
                start = at
        elif kind == 0x000A and start is not None:
            return stream[start:at + 4 + length]
        at += 4 + length
    return b""


def main():
    arguments = sys.argv[1:]
    if arguments[0] == "--same-sheet1":
        plain, extended = (sheet1_bytes(p) for p in arguments[1:3])
        if plain and plain == extended:
            return 0
        print(f"Sheet1 differs: {len(plain)} bytes alone, {len(extended)} with the transfer's sheets")
        return 1
    libreoffice = "--libreoffice" in arguments
    path, expectation = [a for a in arguments if not a.startswith("--")]
    with open(expectation, encoding="utf-8") as f:
        expected = json.load(f)
    if path.endswith(".csv"):
        check_csv(path, expected)
    elif path.endswith(".xlsx"):
        check_xlsx(path, expected)
        if libreoffice:
            printed_details(path, chart=True)
    else:
        check_xls(path, expected)
        if libreoffice:
            printed_details(path, chart=False)
    for problem in problems[:40]:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
