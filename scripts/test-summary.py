#!/usr/bin/env python3
"""Sums up the checks of scripts/test.sh from CTest's own JUnit results.

    test-summary.py [--allow GROUP=REASON]... [--note STAGE=TEXT]... [--total SECONDS]
                    --stage NAME JUNIT LABELS SECONDS...

JUNIT is CTest's --output-junit file of the stage (missing: the stage did not
get that far), LABELS the output of `ctest --show-only=json-v1` ("-" for
none); --note adds TEXT to the stage's row, --total a row with the whole
run's time (stages may overlap). Prints a table per stage, then every skipped group with its reason and
whether it fails the run, and last the line "N passed, M failed, K skipped".
Exits 1 when a check failed, or a check skipped that must run here.

A skip is allowed only for a group below marked so, or named by --allow.
Every other skip fails the run, and so does a required group of which no
check ran in its stage.
"""

import argparse
import json
import os
import re
import sys
import xml.etree.ElementTree as ET


class Check:
    def __init__(self, name, labels, status, reason):
        self.name = name
        self.labels = labels
        self.status = status  # "passed", "failed" or "skipped"
        self.reason = reason


class Group:
    def __init__(self, name, matches, must_run_in=(), allowed_in=(), allowed_reason=""):
        self.name = name
        self.matches = matches
        self.must_run_in = set(must_run_in)
        self.allowed_in = set(allowed_in)
        self.allowed_reason = allowed_reason


# The Wine comparisons carry the label "windows" (or "wine") and "Wine" in
# their suite's name; the architecture is part of each test's name.
def is_wine(check):
    return bool(check.labels & {"windows", "wine"}) and "Wine" in check.name


CUPS_CHAIN = re.compile(r"^(CupsChain|PrinterPpd)\.")

# A skipped check belongs to the first group that matches it.
GROUPS = [
    Group("Wine x86-64", lambda c: is_wine(c) and "X8664" in c.name, must_run_in={"windows"}),
    Group("Wine i686", lambda c: is_wine(c) and "I686" in c.name, must_run_in={"windows"}),
    Group("CUPS chain", lambda c: "cups" in c.labels or CUPS_CHAIN.match(c.name),
          must_run_in={"native", "sanitize"}),
    Group("Printer application", lambda c: "printerapp" in c.labels, must_run_in={"native", "sanitize"}),
    Group("Module image", lambda c: c.name.startswith("MinidriverImage."), allowed_in={"sanitize"},
          allowed_reason="an instrumented module needs the sanitizer runtime; the native stage checks the image"),
]

GTEST_SKIP_MARK = "[  SKIPPED ]"
CTEST_SKIP_MESSAGES = ("SKIP_REGULAR_EXPRESSION_MATCHED", "SKIP_RETURN_CODE")


def skip_reason(output):
    """The message of a GoogleTest skip ("file:line: Skipped" then the text), in one line."""
    lines = output.splitlines()
    for i, line in enumerate(lines):
        if line.endswith(": Skipped"):
            text = []
            for rest in lines[i + 1:]:
                if rest.startswith("[  "):
                    break
                text.append(rest.strip())
            reason = " ".join(t for t in text if t)
            return reason or "no reason given"
    tail = [line.strip() for line in lines if line.strip()]
    return tail[-1] if tail else "no reason given"


def read_xml(path):
    # Test output may hold bytes that XML 1.0 does not allow; drop them.
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", errors="replace")
    text = re.sub(r"[\x00-\x08\x0b\x0c\x0e-\x1f]", "", text)
    return ET.fromstring(text)


def read_labels(path):
    if path == "-" or not os.path.exists(path):
        return {}
    with open(path) as f:
        tests = json.load(f).get("tests", [])
    labels = {}
    for test in tests:
        for prop in test.get("properties", []):
            if prop.get("name") == "LABELS":
                labels[test["name"]] = set(prop.get("value", []))
    return labels


def read_checks(junit, labels):
    checks = []
    for case in read_xml(junit).iter("testcase"):
        name = case.get("name", "")
        status = case.get("status", "")
        out = case.findtext("system-out") or ""
        skipped = case.find("skipped")
        message = skipped.get("message", "") if skipped is not None else ""
        if status == "run" and GTEST_SKIP_MARK in out:
            # A skip that CTest took for a pass: the test lacks the skip rule.
            checks.append(Check(name, labels.get(name, set()), "skipped", skip_reason(out)))
        elif status == "run":
            checks.append(Check(name, labels.get(name, set()), "passed", ""))
        elif status == "notrun" and message.startswith(CTEST_SKIP_MESSAGES):
            checks.append(Check(name, labels.get(name, set()), "skipped", skip_reason(out)))
        elif status == "disabled":
            checks.append(Check(name, labels.get(name, set()), "skipped", "disabled in CTest"))
        else:
            # Failed, or could not start (CTest's "Not Run": no program).
            reason = message if status == "notrun" else ""
            checks.append(Check(name, labels.get(name, set()), "failed", reason))
    return checks


def group_of(check):
    for group in GROUPS:
        if group.matches(check):
            return group
    return None


def clock(seconds):
    minutes, secs = divmod(int(float(seconds)), 60)
    return f"{minutes}m{secs:02d}s"


def short(text, width=150):
    return text if len(text) <= width else text[: width - 3] + "..."


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--stage", nargs=4, action="append", default=[],
                        metavar=("NAME", "JUNIT", "LABELS", "SECONDS"))
    parser.add_argument("--allow", action="append", default=[], metavar="GROUP=REASON",
                        help="allow the skips of GROUP, for the reason given")
    parser.add_argument("--note", action="append", default=[], metavar="STAGE=TEXT",
                        help="a note for the stage's row")
    parser.add_argument("--total", metavar="SECONDS", help="the whole run's time")
    args = parser.parse_args()
    allowed = dict(a.split("=", 1) for a in args.allow)
    notes = dict(n.split("=", 1) for n in args.note)

    stage_rows = []
    group_rows = []  # stage, group, count, verdict, reason
    totals = {"passed": 0, "failed": 0, "skipped": 0}
    run_fails = False

    for name, junit, labels_path, seconds in args.stage:
        if not os.path.exists(junit):
            stage_rows.append((name, 0, 1, 0, seconds, "; ".join(
                n for n in ("did not finish (see its output above)", notes.get(name, "")) if n)))
            totals["failed"] += 1
            run_fails = True
            continue
        checks = read_checks(junit, read_labels(labels_path))
        count = {s: sum(1 for c in checks if c.status == s) for s in totals}
        note = ""
        if not checks:
            count["failed"] += 1
            note = "no check ran"

        skipped = {}
        for check in checks:
            if check.status == "skipped":
                group = group_of(check)
                # Ungrouped skips go by test suite ("Corpus/Suite.Test/Param" -> "Suite").
                key = group.name if group else "Other: " + check.name.split(".")[0].split("/")[-1]
                skipped.setdefault(key, (group, []))[1].append(check)
        for key, (group, members) in skipped.items():
            if key in allowed:
                verdict, reason = "allowed", allowed[key]
            elif group is not None and name in group.allowed_in:
                verdict, reason = "allowed", group.allowed_reason
            else:
                verdict, reason = "FAILS THE RUN", members[0].reason
                run_fails = True
            group_rows.append((name, key, len(members), verdict, reason))

        # A required group must have run here, not merely been left out.
        for group in GROUPS:
            if name in group.must_run_in and group.name not in allowed:
                ran = sum(1 for c in checks if c.status != "skipped" and group.matches(c))
                if ran == 0 and group.name not in skipped:
                    group_rows.append((name, group.name, 0, "FAILS THE RUN", "no check of this group ran"))
                    count["failed"] += 1
                    run_fails = True

        for s in totals:
            totals[s] += count[s]
        if count["failed"]:
            run_fails = True
        note = "; ".join(n for n in (note, notes.get(name, "")) if n)
        stage_rows.append((name, count["passed"], count["failed"], count["skipped"], seconds, note))

    print()
    print(f"{'stage':<10} {'passed':>7} {'failed':>7} {'skipped':>8} {'time':>7}")
    for stage, passed, failed, skipped, seconds, note in stage_rows:
        line = f"{stage:<10} {passed:>7} {failed:>7} {skipped:>8} {clock(seconds):>7}"
        print(line + (f"  {note}" if note else ""))
    if args.total is not None:
        print(f"{'total':<10} {totals['passed']:>7} {totals['failed']:>7} {totals['skipped']:>8} "
              f"{clock(args.total):>7}  from start to end")
    if group_rows:
        print()
        print(f"{'skipped group':<26} {'stage':<9} {'tests':>5}  verdict        reason")
        for stage, group, count, verdict, reason in group_rows:
            print(f"{group:<26} {stage:<9} {count:>5}  {verdict:<14} {short(reason)}")
    print()
    print(f"{totals['passed']} passed, {totals['failed']} failed, {totals['skipped']} skipped")
    return 1 if run_fails else 0


if __name__ == "__main__":
    sys.exit(main())
