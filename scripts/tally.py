#!/usr/bin/env python3
"""Sums the results of every suite: JUnit XML files (GoogleTest and pytest write
them) and plain lines "PASS name" / "FAIL name" in *.txt files.

A skipped case is counted too. Every suite here must run whole on the machines
the project is tested on, so a skip (the automation tool, Chromium or the
notification area missing) counts as a failure unless ZANT_ALLOW_SKIPS=1 says
that this machine may lack them."""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def count_xml(path):
    """(passed, failed, skipped, failed names, skipped names) of one results file."""
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        return 0, 1, 0, [os.path.basename(path) + ": unreadable results"], []
    passed = failed = skipped = 0
    failures, skips = [], []
    for case in root.iter("testcase"):
        name = "%s.%s" % (case.get("classname"), case.get("name"))
        if case.get("status") == "notrun" or case.find("skipped") is not None:
            skipped += 1
            reason = case.find("skipped")
            message = reason.get("message", "") if reason is not None else "not run"
            skips.append("%s (%s)" % (name, message))
        elif case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            failures.append(name)
        else:
            passed += 1
    return passed, failed, skipped, failures, skips


def main(folder):
    passed = failed = skipped = 0
    failures, skips = [], []
    for path in sorted(glob.glob(os.path.join(folder, "*.xml"))):
        p, f, s, names, skipped_names = count_xml(path)
        passed += p
        failed += f
        skipped += s
        failures += names
        skips += skipped_names
    for path in sorted(glob.glob(os.path.join(folder, "*.txt"))):
        for line in open(path, encoding="utf-8", errors="replace"):
            word, _, name = line.strip().partition(" ")
            if word == "PASS":
                passed += 1
            elif word == "FAIL":
                failed += 1
                failures.append(name)
    allowed = os.environ.get("ZANT_ALLOW_SKIPS") == "1"
    for name in failures:
        print("failed: " + name)
    for name in skips:
        print("skipped: " + name)
    if skipped:
        print("%d skipped%s" % (skipped, "" if allowed else
                                " (counted as failed; ZANT_ALLOW_SKIPS=1 allows them)"))
        if not allowed:
            failed += skipped
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
