#!/usr/bin/env python3
"""Sums the results of every suite: JUnit XML files (GoogleTest and pytest write
them) and plain lines "PASS name" / "FAIL name" in *.txt files."""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def count_xml(path):
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        return 0, 1, [os.path.basename(path) + ": unreadable results"]
    passed = failed = 0
    failures = []
    for case in root.iter("testcase"):
        if case.get("status") == "notrun" or case.find("skipped") is not None:
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            failures.append("%s.%s" % (case.get("classname"), case.get("name")))
        else:
            passed += 1
    return passed, failed, failures


def main(folder):
    passed = failed = 0
    failures = []
    for path in sorted(glob.glob(os.path.join(folder, "*.xml"))):
        p, f, names = count_xml(path)
        passed += p
        failed += f
        failures += names
    for path in sorted(glob.glob(os.path.join(folder, "*.txt"))):
        for line in open(path, encoding="utf-8", errors="replace"):
            word, _, name = line.strip().partition(" ")
            if word == "PASS":
                passed += 1
            elif word == "FAIL":
                failed += 1
                failures.append(name)
    for name in failures:
        print("failed: " + name)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
