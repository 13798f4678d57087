"""analyze --all over a mixed batch, against the bytes recorded from the
sequential implementation: fully and partly scored cases, reversed and lone
score pairs, withdrawn sides, unchosen models and unscored rows. For --jobs 1 and --jobs 2 and every output format it compares
the printed output, the exit code, the messages, TATree.txt and the exported
table with the recorded SHA-256 digests, so the two job counts agree with
each other and with the recording. Each acceptance case, analysed alone,
prints the recorded output and writes the recorded trace.

  batch_check.py --cli vorla-cli --params Parameters.dat --expected FILE --acceptance DIR
  batch_check.py --cli vorla-cli --params Parameters.dat --expected FILE --acceptance DIR --record
(--record writes the digests of a build without --jobs.)"""
import argparse
import csv
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

TRAITS = [("CRA_PTERICA", 5, 1), ("CRA_SAGITTAL", 5, 1), ("CRA_LAMDOID", 5, 1), ("CRA_INTERPL", 5, 1),
          ("CRA_MAXILARE", 5, 1), ("PUB_RELIEF", 6, 2), ("PUB_TEXTURE", 4, 2), ("PUB_OSSICLE", 4, 2),
          ("PUB_VENTRALM", 7, 2), ("PUB_DORSALM", 5, 2), ("AUR_TOPOSUP", 3, 2), ("AUR_TOPOINF", 3, 2),
          ("AUR_MORSUP", 5, 2), ("AUR_MORAPIC", 5, 2), ("AUR_MORINF", 5, 2), ("AUR_TEXINF", 3, 2),
          ("AUR_EXOSUP", 6, 2), ("AUR_EXOINF", 6, 2), ("AUR_SPICUL", 3, 2)]
ROWS = 150


def make_cases(path):
    rnd = random.Random(17)
    header = ["SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC"]
    for name, _, sides in TRAITS:
        header += [name + s for s in (("_LOW", "_UPPER") if sides == 1 else
                                      ("_R_LOW", "_R_UPPER", "_L_LOW", "_L_UPPER"))]
    with open(path, "w", newline="") as fh:
        w = csv.writer(fh)
        w.writerow(header)
        for i in range(ROWS):
            kind = rnd.random()
            row = ["MIX-%03d" % i, rnd.choice(["Female", "Male", "Unknown", "male"]),
                   rnd.choice(["White", "Black", "Unknown"]), rnd.choice(["Archeological", "Forensic"])]
            if kind < 0.04:
                row[1 + rnd.randrange(3)] = ""  # a model choice missing
            scored = rnd.random()
            for name, stages, sides in TRAITS:
                for _ in range(sides):
                    if kind < 0.08 or (scored < 0.3 and name.startswith("CRA")) or rnd.random() < 0.1:
                        row += ["", ""]
                        continue
                    low = rnd.randint(1, stages)
                    high = rnd.randint(low, min(stages, low + 1))
                    shape = rnd.random()
                    if shape < 0.05:
                        row += [high, low]  # reversed
                    elif shape < 0.08:
                        row += ["", high]  # only the maximum
                    elif shape < 0.1:
                        row += [-1, high]  # side withdrawn
                    else:
                        row += [low, high]
            w.writerow(row)


def digest(data):
    return hashlib.sha256(data).hexdigest()


def run(cli, args):
    p = subprocess.run([cli] + args, capture_output=True, env=dict(os.environ, LC_ALL="C"))
    return p.returncode, p.stdout, p.stderr


def batch(cli, params, cases, work, fmt, jobs):
    d = os.path.join(work, "%s-%s" % (fmt, jobs or "seq"))
    os.makedirs(d)
    shutil.copy(params, os.path.join(d, "Parameters.dat"))
    rc, out, err = run(cli, ["import", "--dir", d, cases])
    if rc != 0:
        sys.exit("import failed: %s" % err.decode(errors="replace"))
    extra = ["--jobs", str(jobs)] if jobs else []
    rc, out, err = run(cli, ["analyze", "--dir", d, "--all", "--format", fmt] + extra)
    exported = os.path.join(work, "export-%s-%s.csv" % (fmt, jobs))
    erc, _, eerr = run(cli, ["export", "--dir", d, exported])
    if erc != 0:
        sys.exit("export failed: %s" % eerr.decode(errors="replace"))
    with open(os.path.join(d, "TATree.txt"), "rb") as fh:
        trace = fh.read()
    with open(exported, "rb") as fh:
        table = fh.read()
    return {"exit": rc, "output": digest(out), "messages": digest(err), "trace": digest(trace),
            "table": digest(table)}


def acceptance_case(cli, case_dir, work, jobs):
    """The acceptance case analysed alone: the digests of its trace and output."""
    d = os.path.join(work, "%s-%s" % (os.path.basename(case_dir), jobs or "seq"))
    os.makedirs(d)
    shutil.copy(os.path.join(case_dir, "Parameters.dat"), os.path.join(d, "Parameters.dat"))
    rc, _, err = run(cli, ["import", "--dir", d, os.path.join(case_dir, "case.csv")])
    if rc != 0:
        sys.exit("import failed: %s" % err.decode(errors="replace"))
    with open(os.path.join(case_dir, "args")) as fh:
        options = fh.read().split()
    extra = ["--jobs", str(jobs)] if jobs else []
    rc, out, err = run(cli, ["analyze", "--dir", d, "--all"] + options + extra)
    trace_path = os.path.join(d, "TATree.txt")
    trace = b"none"
    if os.path.exists(trace_path):
        with open(trace_path, "rb") as fh:
            trace = fh.read()
    return {"exit": rc, "output": digest(out), "trace": digest(trace)}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--params", required=True)
    ap.add_argument("--expected", required=True)
    ap.add_argument("--acceptance", required=True, help="the folder of the acceptance cases")
    ap.add_argument("--record", action="store_true")
    a = ap.parse_args()
    work = tempfile.mkdtemp(prefix="vorla-batch-")
    try:
        cases = os.path.join(work, "cases.csv")
        make_cases(cases)
        if a.record:
            recorded = {fmt: batch(a.cli, a.params, cases, work, fmt, None) for fmt in ("text", "csv", "json")}
            for name in sorted(os.listdir(a.acceptance)):
                recorded["acceptance/" + name] = acceptance_case(a.cli, os.path.join(a.acceptance, name), work, None)
            with open(a.expected, "w") as fh:
                json.dump(recorded, fh, indent=1, sort_keys=True)
                fh.write("\n")
            print("recorded", a.expected)
            return 0
        with open(a.expected) as fh:
            expected = json.load(fh)
        failures = []
        for fmt in ("text", "csv", "json"):
            for jobs in (1, 2):
                got = batch(a.cli, a.params, cases, work, fmt, jobs)
                for key, want in expected[fmt].items():
                    if got[key] != want:
                        failures.append("--format %s --jobs %d: %s differs from the recording" % (fmt, jobs, key))
        for name in sorted(os.listdir(a.acceptance)):
            got = acceptance_case(a.cli, os.path.join(a.acceptance, name), work, 2)
            for key, want in expected["acceptance/" + name].items():
                if got[key] != want:
                    failures.append("acceptance case %s: %s differs from the recording" % (name, key))
        for f in failures:
            print(f)
        print("%d differences" % len(failures))
        return 1 if failures else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
