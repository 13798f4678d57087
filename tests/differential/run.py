#!/usr/bin/env python3
"""Differential test of vorla-cli against the independent reference model.

    python3 run.py --cli PATH [--count N] [--seed S] [--keep]
    python3 run.py --acceptance CASES_DIR

With --cli: for every generated case (parameter file, case row, options) it
makes a temporary folder, imports the row, analyses it, exports the fields and
compares the outcome, TATree.txt and the 29 result fields with the reference.
Every difference is printed with the seed that reproduces the case
(`--seed S --count 1`); the last line is "N passed, M failed".

With --acceptance: checks the reference itself against the expected files of
the acceptance cases, without the tool.
"""
import argparse
import csv
import math
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # leave no cache files in the source tree
sys.path.insert(0, HERE)

import generate  # noqa: E402
import reference  # noqa: E402

sys.path.insert(0, os.path.dirname(HERE))
from trace_compare import compare_trace  # noqa: E402

NOISE_LEVEL = 4      # units of the last place moved in every elementary result
NOISE_RUNS = 8       # members of the rounding-noise ensemble
STATS = {"noise": 0}
OWN_MESSAGES = {reference.MSG_RACE, reference.MSG_SEX, reference.MSG_MODEL,
                reference.MSG_TYPES, reference.MSG_NODATA}


# ------------------------------------------------------------- comparisons

def near_boundary(x, decimals):
    """Whether x lies within about 1e-9 of a rounding boundary of its decimals
    without lying exactly on it (an exact half is rounded to the even
    neighbour by every correct implementation)."""
    scale = 10 ** decimals
    exact = Fraction(x) * scale
    if exact.denominator == 2:
        return False
    y = x * scale
    frac = y - math.floor(y)
    return abs(frac - 0.5) / scale <= 1e-9 * max(1.0, abs(x))


def compare_fields(got, want, others=()):
    """got: field -> text from the export; want: field -> (stored, unrounded,
    decimals) or None; others: the same for the noise ensemble.  Returns a
    list of differences."""
    out = []
    for field in reference.RESULT_FIELDS:
        g = got.get(field)
        if g is None:
            out.append("the export has no column %s" % field)
            continue
        problem = field_problem(field, g, want[field])
        if problem and not any(field_problem(field, g, o[field]) is None for o in others):
            out.append(problem)
    return out


def field_problem(field, g, w):
    if w is None:
        return None if g == "" else "%s is %s, expected empty" % (field, g)
    if g == "":
        return "%s is empty, expected %s" % (field, fmt_field(w))
    try:
        gv = float(g)
    except ValueError:
        return "%s is %r, not a number; expected %s" % (field, g, fmt_field(w))
    stored, raw, dec = w
    if abs(gv - stored) <= 1e-9:
        return None
    if dec > 0 and near_boundary(raw, dec) and abs(abs(gv - stored) - 10.0 ** -dec) <= 1e-9:
        return None
    return "%s is %s, expected %s (unrounded %.12g)" % (field, g, fmt_field(w), raw)


def fmt_field(w):
    stored, _, dec = w
    return "%.*f" % (dec, stored)


def read_export(path):
    with open(path, newline="", encoding="latin-1") as fh:
        rows = list(csv.reader(fh))
    if len(rows) < 2:
        return None
    return dict(zip([h.upper() for h in rows[0]], rows[1]))


def read_row_csv(path):
    with open(path, newline="", encoding="latin-1") as fh:
        rows = list(csv.reader(fh))
    return dict(zip(rows[0], rows[1]))


def parse_args_text(text):
    opts = {"level": 95, "no_cranial": False, "no_pubic": False, "no_auricular": False}
    words = shlex.split(text)
    i = 0
    while i < len(words):
        w = words[i]
        if w == "--level":
            opts["level"] = int(words[i + 1])
            i += 1
        elif w.startswith("--no-"):
            opts["no_" + w[5:]] = True
        i += 1
    return opts


# ------------------------------------------------------- acceptance self-check

def acceptance(cases_dir):
    passed = failed = 0
    for name in sorted(os.listdir(cases_dir)):
        case_dir = os.path.join(cases_dir, name)
        if not os.path.isdir(case_dir):
            continue
        with open(os.path.join(case_dir, "Parameters.dat"), "rb") as fh:
            params = fh.read()
        row = read_row_csv(os.path.join(case_dir, "case.csv"))
        with open(os.path.join(case_dir, "args")) as fh:
            opts = parse_args_text(fh.read())
        exp = os.path.join(case_dir, "expected")
        with open(os.path.join(exp, "outcome")) as fh:
            want_kind = fh.read().strip()
        msg_path = os.path.join(exp, "message")
        want_msg = open(msg_path).read().strip() if os.path.exists(msg_path) else ""
        ref = reference.run_case(params, row, opts)
        problems = []
        if ref.kind != want_kind:
            problems.append("outcome %s (%s), expected %s" % (ref.kind, ref.message, want_kind))
        elif want_kind == "error" and want_msg in OWN_MESSAGES and ref.message != want_msg:
            problems.append("message %r, expected %r" % (ref.message, want_msg))
        trace_path = os.path.join(exp, "TATree.txt")
        if not problems and want_kind == "ok" and os.path.exists(trace_path):
            with open(trace_path, "rb") as fh:
                diff = compare_trace(ref.trace, fh.read())
            if diff:
                problems.append("TATree.txt: " + diff)
        res_path = os.path.join(exp, "results.csv")
        if not problems and os.path.exists(res_path):
            problems += ["stored results: " + d for d in compare_fields(read_export(res_path), ref.fields)]
        if problems:
            failed += 1
            for p in problems:
                print("%s: %s" % (name, p))
        else:
            passed += 1
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


# --------------------------------------------------------------- tool runs

def run_tool(cli, args, cwd):
    try:
        p = subprocess.run([cli] + args, cwd=cwd, capture_output=True, timeout=300)
    except subprocess.TimeoutExpired:
        return -999, "timed out"
    return p.returncode, (p.stdout + p.stderr).decode("latin-1", "replace")


def check_one(cli, seed, keep):
    """Returns a list of differences for the case of this seed."""
    case = generate.make_case(seed)
    ref = reference.run_case(case["params"], case["row"], case["options"])
    work = tempfile.mkdtemp(prefix="vorla-diff-")
    problems = []
    try:
        d = os.path.join(work, "dir")
        os.makedirs(d)
        with open(os.path.join(d, "Parameters.dat"), "wb") as fh:
            fh.write(case["params"])
        csv_path = os.path.join(work, "case.csv")
        with open(csv_path, "wb") as fh:
            fh.write(case["csv"])
        rc, out = run_tool(cli, ["import", "--dir", d, csv_path], work)
        bad_score = any(not re.fullmatch(r"(-1|[0-9])?", case["row"][f])
                        for f in reference.score_fields())
        if bad_score:
            # A score outside -1..9 must be refused, at the latest by the analysis.
            if rc == 3:
                return []
            if rc != 0:
                return ["import of a row with a bad score ended with exit code %d: %s" % (
                    rc, out.strip()[-200:])]
        elif rc != 0:
            return ["import failed (%d): %s" % (rc, out.strip()[-200:])]
        rc, out = run_tool(cli, ["analyze", "--dir", d, "--all"] + generate.option_words(case["options"]), work)
        kinds = ref.alternatives
        if rc == 1:
            got = "version"
        elif rc == 3 and reference.MSG_NODATA in out:
            got = "nodata"
        elif rc == 3:
            got = "error"
        elif rc == 0:
            got = "ok"
        else:
            return ["analyze ended with exit code %d: %s" % (rc, out.strip()[-300:])]
        if got not in kinds:
            problems.append("outcome %s (exit %d: %s), reference %s (%s)" % (
                got, rc, out.strip()[-200:], ref.kind, ref.message))
            return problems
        chosen = ref if got == ref.kind else ref.lenient
        if got == "error" and chosen.message in OWN_MESSAGES and chosen.message not in out:
            problems.append("message missing: expected %r, got %r" % (chosen.message, out.strip()[-200:]))
        trace = os.path.join(d, "TATree.txt")
        got_trace = None
        if got == "ok":
            if not os.path.exists(trace):
                problems.append("no TATree.txt written")
            else:
                with open(trace, "rb") as fh:
                    got_trace = fh.read()
        elif os.path.exists(trace):
            problems.append("TATree.txt written although the outcome is %s" % got)
        exp_path = os.path.join(work, "export.csv")
        rc, out = run_tool(cli, ["export", "--dir", d, exp_path], work)
        if rc != 0:
            problems.append("export failed (%d): %s" % (rc, out.strip()[-200:]))
            return problems
        exported = read_export(exp_path)
        if exported is None:
            problems.append("the export holds no row")
            return problems

        def differences(others_trace, others_fields):
            found = []
            if got_trace is not None:
                diff = compare_trace(got_trace, chosen.trace, others_trace)
                if diff:
                    found.append("TATree.txt: " + diff)
            found += ["stored results: " + x for x in compare_fields(exported, chosen.fields, others_fields)]
            return found

        found = differences((), ())
        if found and got == "ok":
            # Agreement only within rounding noise still counts as agreement.
            members = [m if m.kind == got else m.lenient for m in (
                reference.run_case(case["params"], case["row"], case["options"], noise=NOISE_LEVEL, salt=k)
                for k in range(1, NOISE_RUNS + 1))]
            members = [m for m in members if m.kind == got]
            found = differences([m.trace for m in members], [m.fields for m in members])
            if not found:
                STATS["noise"] += 1
        problems += found
        return problems
    finally:
        if keep:
            print("seed %d: kept %s" % (seed, work))
        else:
            shutil.rmtree(work, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--cli", help="path of vorla-cli")
    ap.add_argument("--count", type=int, default=100)
    ap.add_argument("--seed", type=int, default=1, help="seed of the first case; case i uses seed + i")
    ap.add_argument("--keep", action="store_true", help="keep the working folders")
    ap.add_argument("--acceptance", metavar="CASES_DIR",
                    help="check the reference against the acceptance cases instead")
    a = ap.parse_args()
    if a.acceptance:
        return acceptance(a.acceptance)
    if not a.cli:
        ap.error("--cli or --acceptance is required")
    cli = os.path.abspath(a.cli)
    passed = failed = 0
    for seed in range(a.seed, a.seed + a.count):
        problems = check_one(cli, seed, a.keep)
        if problems:
            failed += 1
            for p in problems:
                print("seed %d: %s" % (seed, p))
            sys.stdout.flush()
        else:
            passed += 1
    if STATS["noise"]:
        print("(%d of the passed cases agree only within the rounding noise of the method)" % STATS["noise"])
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
