#!/usr/bin/python3
"""The benchmark's peer: openpyxl writes the values of a values file in write-only mode.

Usage: openpyxl_peer.py VALUES WORKBOOK SECONDS

VALUES holds one record per line, fields separated by tabs, each a type letter and the value:
s text, n number, b flag (0/1), d date (yyyy-mm-dd), e empty. Only the writing is timed; the
seconds go to the file SECONDS.
"""
import datetime
import sys
import time

import openpyxl


def value(field):
    kind, text = field[0], field[1:]
    if kind == "s":
        return text
    if kind == "n":
        return float(text)
    if kind == "b":
        return text == "1"
    if kind == "d":
        return datetime.date.fromisoformat(text)
    return None


def main(values, workbook, seconds):
    with open(values, encoding="utf-8") as f:
        rows = [[value(field) for field in line.rstrip("\n").split("\t")] for line in f]
    start = time.perf_counter()
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("Bench")
    for row in rows:
        ws.append(row)
    wb.save(workbook)
    with open(seconds, "w") as f:
        f.write(repr(time.perf_counter() - start))


if __name__ == "__main__":
    main(*sys.argv[1:4])
