#!/usr/bin/env python3
"""Random parameter files, case rows and options for the differential test.

    case = make_case(seed)   # {"params": bytes, "row": {...}, "csv": bytes, "options": {...}}

The same seed always gives the same case.  Parameter files use the freedoms
of the grammar (CR LF or LF, tabs, comments after "#" on header lines, text
after the numbers, blank lines between entries, exponents, sometimes no final
list ends); a few are deliberately faulty (wrong version, values the reader
refuses).  Rows mix intervals, single scores, identical sides, withdrawn
sides, lone upper scores, reversed pairs and empty complexes; their scores
stand for a stage of the file's recoding tables.

    python3 generate.py SEED OUTDIR   writes Parameters.dat, case.csv and args
"""
import csv
import io
import os
import random
import re
import sys

sys.dont_write_bytecode = True  # leave no cache files in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference  # noqa: E402

# name, side count, highest stage on the score form
COMPLEXES = {
    "SUTURES": [("CRA_PTERICA", 1, 5), ("CRA_SAGITTAL", 1, 5), ("CRA_LAMDOID", 1, 5),
                ("CRA_INTERPL", 1, 5), ("CRA_MAXILARE", 1, 5)],
    "PUBIS": [("PUB_RELIEF", 2, 6), ("PUB_TEXTURE", 2, 4), ("PUB_OSSICLE", 2, 4),
              ("PUB_VENTRALM", 2, 7), ("PUB_DORSALM", 2, 5)],
    "AURICULAR": [("AUR_TOPOSUP", 2, 3), ("AUR_TOPOINF", 2, 3), ("AUR_MORSUP", 2, 5),
                  ("AUR_MORAPIC", 2, 5), ("AUR_MORINF", 2, 5), ("AUR_TEXINF", 2, 3),
                  ("AUR_EXOSUP", 2, 6), ("AUR_EXOINF", 2, 6), ("AUR_SPICUL", 2, 3)],
}
MAX_STAGE = {name: top for comps in COMPLEXES.values() for name, _, top in comps}
SIDES = {name: s for comps in COMPLEXES.values() for name, s, _ in comps}
COMPLEX_OF = {name: cx for cx, comps in COMPLEXES.items() for name, _, _ in comps}
G = 4


# ----------------------------------------------------------- parameter file

class Writer:
    def __init__(self, rnd):
        self.rnd = rnd
        self.eol = rnd.choice(["\r\n", "\n", "\r\n", "mixed"])
        self.lines = []

    def end(self):
        if self.eol == "mixed":
            return self.rnd.choice(["\r\n", "\n"])
        return self.eol

    def sep(self):
        return self.rnd.choice([" ", " ", " ", "  ", "\t", " \t ", "\t\t"])

    def tail(self):
        """Text that may follow the numbers of a line."""
        if self.rnd.random() < 0.8:
            return self.rnd.choice(["", "", " "])
        return self.sep() + self.rnd.choice(["ignored text", "x", "# note", "; 12", "9 9 9"])

    def lead(self):
        return self.rnd.choice(["", "", "", "", " ", "\t"])

    def line(self, text):
        self.lines.append(text + self.end())

    def numbers(self, tokens):
        self.line(self.lead() + self.sep().join(tokens) + self.tail())

    def blank(self, p=0.15):
        while self.rnd.random() < p:
            self.line(self.rnd.choice(["", " ", "\t"]))

    def header(self, number, name):
        comment = ""
        if self.rnd.random() < 0.3:
            comment = self.sep() + self.rnd.choice(["# comment", "#", "# 3 stages # x"])
        trailing = self.rnd.choice(["", "", " ", "\t", "   "])
        self.line(self.lead() + str(number) + self.sep() + name + trailing + comment)

    def text(self):
        return "".join(self.lines).encode("latin-1")


def real(rnd, v):
    """A real in one of the written forms."""
    form = rnd.random()
    if form < 0.55:
        s = "%.4f" % v
    elif form < 0.75:
        s = "%.6E" % v
    elif form < 0.85:
        s = "%e" % v
    else:
        s = repr(float("%.6g" % v))
    if s.startswith("-") and float(s) == 0:
        s = s[1:]
    return s


def small_extra(rnd):
    """Values of c, d and e: mostly 0, sometimes any, sometimes a negative zero."""
    u = rnd.random()
    if u < 0.7:
        return rnd.choice(["0", "0", "0.0", "0.000000E+00"])
    if u < 0.78:
        return rnd.choice(["-0", "-0.0", "-0.000E+00"])
    v = rnd.uniform(-9, 9)
    while -0.006 < v < 0.006:
        v = rnd.uniform(-9, 9)
    return real(rnd, v)


def transitions(rnd, n):
    """Per transition, per group: (a, b)."""
    mid = sorted(rnd.uniform(15, 105) for _ in range(n))
    if rnd.random() < 0.15:
        rnd.shuffle(mid)  # not always monotone
    out = []
    for t in range(n):
        row = []
        for g in range(G):
            age = mid[t] + rnd.uniform(-8, 8)
            b = rnd.uniform(0.02, 0.35)
            u = rnd.random()
            if u < 0.03:
                b = rnd.uniform(8, 20)  # exp overflows at the old ages
            elif u < 0.05:
                b = -b
            row.append((-b * age + rnd.uniform(-0.5, 0.5), b))
        out.append(row)
    return out


def recoding(rnd, n, top):
    table = [k if k <= n + 1 else 0 for k in range(1, 10)]
    u = rnd.random()
    if u < 0.55:
        pass
    elif u < 0.7:
        for k in range(9):
            if rnd.random() < 0.3:
                table[k] = 0
    elif u < 0.85:
        # many-to-one onto the model's stages
        table = [min(n + 1, max(1, (k * (n + 1) + top - 1) // top)) for k in range(1, 10)]
    else:
        table = [rnd.randint(0, n + 1) for _ in range(9)]
    return table


def make_parameters(rnd, fault, tables=None):
    """Returns (bytes, listed component names); tables, when given, gets the
    recoding table of every listed component."""
    w = Writer(rnd)
    version = rnd.choice(["0.11", "0.11", "0.110", "1.1E-1", "1.10e-1", "0.11000"])
    if fault == "version":
        version = rnd.choice(["0.12", "0.1", "1.1"])
    w.numbers([version])
    groups = G
    if fault == "groups":
        groups = rnd.choice([0, 2])
    w.numbers([str(groups)])
    case_resvar = rnd.choice([1.0, 1.0, rnd.uniform(0.5, 3.0)])
    if fault == "case_resvar":
        case_resvar = rnd.choice([0.0, -1.0])
    w.numbers([real(rnd, case_resvar)])
    names = list(COMPLEXES)
    rnd.shuffle(names)
    if rnd.random() < 0.3:
        names = names[:rnd.randint(1, 3)]
    listed = []
    blocks = []
    for cx in names:
        comps = list(COMPLEXES[cx])
        if rnd.random() < 0.4:
            comps = rnd.sample(comps, rnd.randint(1, len(comps)))
        elif rnd.random() < 0.3:
            rnd.shuffle(comps)
        blocks.append((cx, comps))
        listed += [c[0] for c in comps]
    fault_target = rnd.choice(listed)
    fault_complex = COMPLEX_OF[fault_target]
    for bi, (cx, comps) in enumerate(blocks):
        w.blank()
        w.header(rnd.randint(1, 9), cx)
        w.blank()
        resvar = rnd.choice([1.0, 1.0, rnd.uniform(0.5, 2.5)])
        if fault == "complex_resvar" and cx == fault_complex:
            resvar = rnd.choice([0.0, -0.5])
        w.numbers([real(rnd, resvar)])
        for ci, (name, sides, top) in enumerate(comps):
            w.blank()
            w.header(sides, name)
            w.blank(0.1)
            n = rnd.randint(1, 10)
            if rnd.random() < 0.3:
                n = rnd.randint(max(1, top - 2), min(10, top + 1))
            table = recoding(rnd, n, top)
            if fault == "transitions" and name == fault_target:
                n = rnd.choice([0, 11])
                table = [min(k, n + 1) if n > 0 else k for k in range(1, 10)]
            if fault == "recoding" and name == fault_target:
                table = [n + 2 + k for k in range(9)] if rnd.random() < 0.5 else [-1] * 9
            if tables is not None:
                tables[name] = table
            w.numbers([str(n)] + [str(v) for v in table])
            trans = transitions(rnd, max(n, 0))
            label = 0
            for t in range(max(n, 0)):
                for g in range(groups):
                    label += 1
                    a, b = trans[t][g % G]
                    vals = [real(rnd, a), real(rnd, b), small_extra(rnd), small_extra(rnd), small_extra(rnd)]
                    if fault == "parameter" and name == fault_target:
                        vals[0] = rnd.choice(["1e999", "-1E400"])
                    w.numbers([str(label)] + vals)
        last = bi == len(blocks) - 1
        if last and rnd.random() < 0.2:
            if rnd.random() < 0.5 and w.lines:
                w.lines[-1] = w.lines[-1].rstrip("\r\n")
            return w.text(), listed
        w.blank()
        w.numbers([rnd.choice(["0", "0", "-1", "00"])])
    w.blank()
    w.numbers([rnd.choice(["0", "0", "-3"])])
    if rnd.random() < 0.3:
        w.line("# trailing remarks after the list end")
    return w.text(), listed


# ------------------------------------------------------------------ case row

def random_case_letters(rnd, word):
    u = rnd.random()
    if u < 0.5:
        return word
    if u < 0.65:
        return word.upper()
    if u < 0.8:
        return word.lower()
    return "".join(ch.upper() if rnd.random() < 0.5 else ch.lower() for ch in word)


def pair(rnd, top):
    """Texts of the lower and upper field of one side."""
    hi = top if rnd.random() < 0.9 else 9
    s = rnd.randint(1, hi)
    t = rnd.randint(1, hi)
    u = rnd.random()
    if u < 0.25:
        return str(s), ""
    if u < 0.5:
        lo, up = sorted((s, t))
        return str(lo), str(up)
    if u < 0.58:
        return str(max(s, t)), str(min(s, t))
    if u < 0.66:
        return "", str(s)
    if u < 0.72:
        return "-1", rnd.choice(["", str(s)])
    if u < 0.76:
        return str(s), "-1"
    if u < 0.84:
        return str(s), str(s)
    if u < 0.88:
        return rnd.choice([("0", str(s)), (str(s), "0"), ("0", ""), ("", "0")])
    return "", ""


def stage_score(text, table):
    """A score that stands for no stage of the component (its recoding entry
    is 0) is refused by the tool; such a draw becomes the nearest score below
    it that stands for one, else the lowest, else no score. Nothing is drawn,
    so every other choice of the seed stays as it was."""
    if table is None or not re.fullmatch(r"[1-9]", text) or table[int(text) - 1] != 0:
        return text
    usable = [k for k in range(1, 10) if table[k - 1] != 0]
    if not usable:
        return ""
    below = [k for k in usable if k < int(text)]
    return str(below[-1] if below else usable[0])


def make_row(rnd, listed, fault, tables=None):
    row = {f: "" for f in reference.score_fields()}
    for cx, comps in COMPLEXES.items():
        if rnd.random() < 0.2:
            continue
        density = rnd.uniform(0.2, 0.9)
        for name, sides, top in comps:
            if rnd.random() > density:
                continue
            table = (tables or {}).get(name)
            if sides == 1:
                row[name + "_LOW"], row[name + "_UPPER"] = (stage_score(v, table) for v in pair(rnd, top))
                continue
            r = pair(rnd, top)
            u = rnd.random()
            if u < 0.2:
                left = r
            elif u < 0.35:
                left = ("", "")
            else:
                left = pair(rnd, top)
            if rnd.random() < 0.15:
                r = ("", "")
            row[name + "_R_LOW"], row[name + "_R_UPPER"] = (stage_score(v, table) for v in r)
            row[name + "_L_LOW"], row[name + "_L_UPPER"] = (stage_score(v, table) for v in left)
    if fault == "score":
        name = rnd.choice(listed)
        fields = [name + "_LOW", name + "_UPPER"] if SIDES[name] == 1 else \
            [name + s for s in ("_R_LOW", "_R_UPPER", "_L_LOW", "_L_UPPER")]
        row[rnd.choice(fields)] = rnd.choice(["10", "12", "-2", "-7", "99"])
    u = rnd.random()
    if u < 0.1:
        name = "Case %d, long name " % rnd.randint(1, 999) + "x" * 60
    elif u < 0.2:
        name = 'Specimen "%d" B/%d' % (rnd.randint(1, 99), rnd.randint(1, 9))
    else:
        name = "GEN-%d" % rnd.randint(1, 10 ** 6)
    row["SKELETON_NAME"] = name
    row["SEX"] = random_case_letters(rnd, rnd.choice(["Female", "Male", "Unknown"]))
    row["RACE"] = random_case_letters(rnd, rnd.choice(["White", "Black", "Unknown"]))
    model = random_case_letters(rnd, rnd.choice(["Archeological", "Forensic"]))
    if rnd.random() < 0.03:
        model = rnd.choice(["Modern", "Archaeological", "forensics", "Gompertz"])
    row["HAZARDFUNC"] = model
    return row


def row_csv(rnd, row):
    header = reference.score_fields() + ["SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC"]
    buf = io.StringIO()
    wr = csv.writer(buf, lineterminator=rnd.choice(["\r\n", "\n"]))
    wr.writerow(header)
    wr.writerow([row[h] for h in header])
    return buf.getvalue().encode("latin-1")


def make_options(rnd):
    opts = {"level": rnd.choice([90, 95, 95, 99]), "explicit_level": rnd.random() < 0.8}
    for flag in ("no_cranial", "no_pubic", "no_auricular"):
        opts[flag] = rnd.random() < 0.12
    return opts


def option_words(opts):
    words = []
    if opts.get("explicit_level", True) or opts.get("level", 95) != 95:
        words += ["--level", str(opts.get("level", 95))]
    for flag in ("no_cranial", "no_pubic", "no_auricular"):
        if opts.get(flag):
            words.append("--" + flag.replace("_", "-"))
    return words


FAULTS = ["version", "groups", "case_resvar", "complex_resvar", "transitions", "recoding",
          "parameter", "score"]


def make_case(seed):
    rnd = random.Random(seed)
    fault = rnd.choice(FAULTS) if rnd.random() < 0.06 else None
    tables = {}
    params, listed = make_parameters(rnd, fault, tables)
    row = make_row(rnd, listed, fault, tables)
    return {"params": params, "row": row, "csv": row_csv(rnd, row),
            "options": make_options(rnd), "fault": fault}


def main():
    if len(sys.argv) != 3:
        print("usage: generate.py SEED OUTDIR", file=sys.stderr)
        return 2
    case = make_case(int(sys.argv[1]))
    out = sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "Parameters.dat"), "wb") as fh:
        fh.write(case["params"])
    with open(os.path.join(out, "case.csv"), "wb") as fh:
        fh.write(case["csv"])
    with open(os.path.join(out, "args"), "w") as fh:
        fh.write(" ".join(option_words(case["options"])) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
