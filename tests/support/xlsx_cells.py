#!/usr/bin/env python3
"""Reads a workbook back as a spreadsheet shows it and prints JSON for the C++ tests.

    xlsx_cells.py BOOK.xlsx               every sheet: name, frozen cell, column widths, and per row
                                          the cells as [kind, shown text, bold]; kind is "s" text,
                                          "n" number, "d" date or time, "" empty
    xlsx_cells.py --dimensions BOOK.xlsx  per sheet its name and used range, read from the sheet's
                                          first bytes only (for very long sheets)
    xlsx_cells.py --part-sizes BOOK.xlsx  every part of the zip file and its unpacked size
"""
import datetime
import json
import re
import sys
import zipfile

import openpyxl
from openpyxl.utils.escape import unescape


def shown(value, number_format):
    """The cell's text as a spreadsheet shows it with its number format."""
    if value is None:
        return "", ""
    if isinstance(value, str):
        # Excel decodes "_xHHHH_" in cell text (control characters, a literal "_x005F_"); openpyxl
        # leaves that to its caller.
        return "s", unescape(value)
    if isinstance(value, datetime.time):
        value = datetime.datetime.combine(datetime.date(1899, 12, 30), value)
    if isinstance(value, datetime.datetime):
        # A serial number carries a second as a fraction of a day; shown to the nearest second.
        if value.microsecond >= 500000:
            value += datetime.timedelta(seconds=1)
        value = value.replace(microsecond=0)
        if number_format == "yyyy-mm-dd":
            return "d", value.strftime("%Y-%m-%d")
        if number_format == "hh:mm:ss":
            return "d", value.strftime("%H:%M:%S")
        return "d", value.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(value, (int, float)):
        m = re.fullmatch(r"0(?:\.(0+))?", number_format or "")
        if not m:
            return "n", "unexpected format " + repr(number_format)
        decimals = len(m.group(1) or "")
        return "n", "{:.{}f}".format(value, decimals)
    return "?", repr(value)


def whole_book(path):
    book = openpyxl.load_workbook(path)
    sheets = []
    for ws in book.worksheets:
        rows = []
        for row in ws.iter_rows():
            rows.append([list(shown(c.value, c.number_format)) + [bool(c.font and c.font.b)] for c in row])
        widths = {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth}
        sheets.append({"name": ws.title, "freeze": ws.freeze_panes, "widths": widths, "rows": rows})
    return {"sheets": sheets}


def dimensions(path):
    out = []
    with zipfile.ZipFile(path) as z:
        names = sorted(n for n in z.namelist() if re.fullmatch(r"xl/worksheets/sheet\d+\.xml", n))
        names.sort(key=lambda n: int(re.search(r"\d+", n.rsplit("/", 1)[1]).group()))
        for n in names:
            with z.open(n) as f:
                head = f.read(4096).decode("utf-8", "replace")
            m = re.search(r'<dimension ref="([^"]+)"', head)
            out.append([n.rsplit("/", 1)[1], m.group(1) if m else ""])
    return out


def part_sizes(path):
    with zipfile.ZipFile(path) as z:
        return {i.filename: i.file_size for i in z.infolist()}


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--dimensions":
        result = dimensions(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "--part-sizes":
        result = part_sizes(sys.argv[2])
    elif len(sys.argv) == 2:
        result = whole_book(sys.argv[1])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    json.dump(result, sys.stdout, ensure_ascii=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
