#!/usr/bin/env python3
"""Adds up the test programs' GoogleTest XML results, test case by test case.

Usage: count-results.py --results DIR NAME... [--results DIR NAME...]
Each NAME is a test program expected to have written DIR/NAME.xml. Prints
"PASSED FAILED SKIPPED" on one line; a program without readable results counts
as one failure and is named on stderr.
"""
import sys
import xml.etree.ElementTree as ET


def outcome(case):
    if case.find("failure") is not None or case.find("error") is not None:
        return "failed"
    # Disabled tests (status="notrun") were not run, so they did not pass.
    if case.find("skipped") is not None or case.get("result") == "skipped" or case.get("status") == "notrun":
        return "skipped"
    return "passed"


def expected(args):
    """(folder, name) pairs from the --results groups."""
    folder = None
    for arg in args:
        if arg == "--results":
            folder = None
        elif folder is None:
            folder = arg
        else:
            yield folder, arg


def main(args):
    if not args or args[0] != "--results":
        sys.exit(__doc__)
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    for folder, name in expected(args):
        try:
            results = ET.parse(f"{folder}/{name}.xml").getroot()
        except (OSError, ET.ParseError):
            print(f"no results from {name}: it crashed, hung or could not start", file=sys.stderr)
            totals["failed"] += 1
            continue
        for case in results.iter("testcase"):
            totals[outcome(case)] += 1
    print(totals["passed"], totals["failed"], totals["skipped"])


if __name__ == "__main__":
    main(sys.argv[1:])
