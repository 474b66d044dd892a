#!/usr/bin/python3
"""Test oracle: a workbook as openpyxl reads it, one "key<TAB>value" line per property.

Usage: xlsx_dump.py WORKBOOK OUTPUT

Keys: "sheets" (names joined by "|"); per sheet S: "S.gridlines", "S.header" (centre part of
the odd header), "S.summaryBelow", "S.summaryRight", "S.maxRow" (the last row of the used
range); per column letter L with a width: "S!col.L.width", with a number format of its own:
"S!col.L.format"; per row n with an outline level: "S!row.n.level"; per cell A1 holding a value
or a style: "S!A1.type", ".value", ".cached" (formulas: the stored result), ".font"
(name,size,b,i,u,color), ".fill", ".format", ".border" (left,top,bottom,right as style:color),
".align", ".wrap", ".rotation".
"""
import sys

import openpyxl


def color(c):
    if c is None or c.type != "rgb" or c.rgb is None:
        return "-"
    return c.rgb


def side(s):
    if s is None or s.style is None:
        return "-"
    return "%s:%s" % (s.style, color(s.color))


def text(v):
    return str(v).replace("\t", "\\t").replace("\n", "\\n")


def main(path, out):
    wb = openpyxl.load_workbook(path)
    cached = openpyxl.load_workbook(path, data_only=True)
    lines = ["sheets\t" + "|".join(wb.sheetnames)]
    for ws in wb.worksheets:
        s = ws.title
        pr = ws.sheet_properties.outlinePr
        lines.append("%s.gridlines\t%s" % (s, ws.print_options.gridLines))
        lines.append("%s.header\t%s" % (s, ws.oddHeader.center.text or ""))
        lines.append("%s.summaryBelow\t%s" % (s, pr.summaryBelow if pr is not None else None))
        lines.append("%s.summaryRight\t%s" % (s, pr.summaryRight if pr is not None else None))
        lines.append("%s.maxRow\t%d" % (s, ws.max_row))
        for letter, dim in sorted(ws.column_dimensions.items()):
            if dim.customWidth or dim.width:
                lines.append("%s!col.%s.width\t%.4f" % (s, letter, dim.width))
            if dim.number_format != "General":
                lines.append("%s!col.%s.format\t%s" % (s, letter, dim.number_format))
        for n, dim in sorted(ws.row_dimensions.items()):
            if dim.outline_level:
                lines.append("%s!row.%d.level\t%d" % (s, n, dim.outline_level))
        for row in ws.iter_rows():
            for c in row:
                if c.value is None and not c.has_style:
                    continue
                k = "%s!%s" % (s, c.coordinate)
                f = c.font
                lines.append("%s.type\t%s" % (k, c.data_type))
                lines.append("%s.value\t%s" % (k, text(c.value)))
                lines.append("%s.cached\t%s" % (k, text(cached[s][c.coordinate].value)))
                lines.append("%s.font\t%s,%g,%s,%s,%s,%s" % (k, f.name, f.sz, "b" if f.b else "", "i" if f.i else "",
                                                           "u" if f.u else "", color(f.color)))
                fill = c.fill
                lines.append("%s.fill\t%s" % (k, color(fill.fgColor) if fill.fill_type == "solid" else "-"))
                lines.append("%s.format\t%s" % (k, c.number_format))
                b = c.border
                lines.append("%s.border\t%s" % (k, ",".join(side(x) for x in (b.left, b.top, b.bottom, b.right))))
                lines.append("%s.align\t%s" % (k, c.alignment.horizontal or "-"))
                lines.append("%s.wrap\t%s" % (k, bool(c.alignment.wrap_text)))
                lines.append("%s.rotation\t%s" % (k, c.alignment.text_rotation or 0))
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
