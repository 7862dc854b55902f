#!/usr/bin/env python3
"""Small faults (scripts/faults.tsv) put into the code one at a time, to see
which tests catch them: a test that no fault makes fail proves nothing, and a fault that no
test catches is a hole. Each trial changes one line, rebuilds, runs the
tests that can see it and puts the line back.

    scripts/fault-trials.py [--native] [--wine] [--only ID,ID...]

Native trials build the preset "native" (configure it first); Wine trials
the preset "windows", and run its ctest under Wine (scripts/test.sh sets up
what that needs). Prints one line a trial and ends with the escaped ones;
exit 1 when any escaped.
"""
import argparse
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


# (id, file, text, faulty text, where it shows: "native" or "wine")
def load_faults():
    faults = []
    with open(os.path.join(ROOT, "scripts", "faults.tsv"), encoding="utf-8") as table:
        for line in table:
            if line.startswith("#") or not line.strip():
                continue
            ident, where, path, text, faulty = line.rstrip("\n").split("\t")
            faults.append((ident, path, unescape(text), unescape(faulty), where))
    return faults


FAULTS = load_faults()


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=ROOT, capture_output=True, text=True, **kw)


def failures(output):
    names = set(re.findall(r"\[  FAILED  \] ([A-Za-z][\w./]*)", output))
    names |= {m for m in re.findall(r"\d+ - (\S+) \(Failed", output)}
    return sorted(names)


def trial(fault):
    ident, path, text, faulty, where = fault
    full = os.path.join(ROOT, path)
    source = open(full, encoding="utf-8").read()
    if source.count(text) != 1:
        return "not applicable (the code has changed)"
    open(full, "w", encoding="utf-8").write(source.replace(text, faulty))
    try:
        if where == "native":
            build = run(["cmake", "--build", "--preset", "native", "--target", "unit_tests", "thread_tests"])
            if build.returncode != 0:
                return "caught by the compiler"
            out = ""
            for test in ["build/native/tests/unit_tests", "build/native/tests/thread_tests"]:
                out += run([test, "--gtest_brief=1"], timeout=300).stdout
        else:
            build = run(["cmake", "--build", "--preset", "windows"])
            if build.returncode != 0:
                return "caught by the compiler"
            out = run(["ctest", "--preset", "windows", "--output-on-failure"], timeout=1200).stdout
        caught = failures(out)
        return "caught by " + ", ".join(caught) if caught else "ESCAPED"
    finally:
        open(full, "w", encoding="utf-8").write(source)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native", action="store_true")
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--only", default="")
    args = parser.parse_args()
    kinds = {k for k, on in (("native", args.native), ("wine", args.wine)) if on} or {"native", "wine"}
    only = set(filter(None, args.only.split(",")))
    escaped = []
    for fault in FAULTS:
        if fault[4] not in kinds or (only and fault[0] not in only):
            continue
        verdict = trial(fault)
        print(f"{fault[0]:28} {verdict}", flush=True)
        if verdict == "ESCAPED":
            escaped.append(fault[0])
    print(f"{len(escaped)} escaped" + (": " + ", ".join(escaped) if escaped else ""))
    return 1 if escaped else 0


if __name__ == "__main__":
    sys.exit(main())
