#!/usr/bin/env python3
"""Independent reference model of the headless analysis of one case row.

Written from the description of the method alone (standard library only), so
that the C++ engine can be checked against a second, separate computation.

    outcome = run_case(parameter_bytes, row, options)

`row` maps field names (any letter case) to the cell texts of the imported
case row ("" = empty field); `options` holds level (90, 95 or 99) and the
three flags no_cranial, no_pubic, no_auricular.  The outcome tells what the
tool must leave behind: its kind ("ok", "nodata", "error", "version"), the
message, the trace file bytes and the 29 stored result fields.

Checks whose placement is open (a reader may test a value when it reads it,
or only when it uses it) are computed both ways; `alternatives` lists the
outcome kinds that either reading allows.
"""
import math
import re

AGE_START, AGE_END = 15.0, 110.0
CRITICAL = {90: 1.355, 95: 1.9208, 99: 3.315}
VERSION = 0.11

ARCHEOLOGICAL = [0, 0, 0.01273, 2.478e-05, 0.106, 0, 0, 0, 0.02003]
FORENSIC = [0, 0, 0, 0.03142, 0.01618, 0, 0, 0, 0.04006]

MSG_RACE = "You must choose an ancestry-specific mortality profile, or unknown ancestry."
MSG_SEX = "You must choose a sex-specific mortality profile, or unknown sex."
MSG_MODEL = "You must choose a prior mortality distribution to use."
MSG_TYPES = "You must choose the data types to analyze."
MSG_NODATA = "No data to analyze."

# The score boxes of the data entry page, complex by complex, as (base) pairs
# base + "_LOW" / base + "_UPPER".
CRANIAL_PAIRS = ["CRA_PTERICA", "CRA_SAGITTAL", "CRA_LAMDOID", "CRA_INTERPL", "CRA_MAXILARE"]
PUBIC_STEMS = ["PUB_RELIEF", "PUB_TEXTURE", "PUB_OSSICLE", "PUB_VENTRALM", "PUB_DORSALM"]
AURICULAR_STEMS = ["AUR_TOPOSUP", "AUR_TOPOINF", "AUR_MORSUP", "AUR_MORAPIC", "AUR_MORINF",
                   "AUR_TEXINF", "AUR_EXOSUP", "AUR_EXOINF", "AUR_SPICUL"]
PUBIC_PAIRS = [s + "_L" for s in PUBIC_STEMS] + [s + "_R" for s in PUBIC_STEMS]
AURICULAR_PAIRS = [s + "_L" for s in AURICULAR_STEMS] + [s + "_R" for s in AURICULAR_STEMS]


def score_fields():
    """The 66 score fields in table order."""
    out = []
    for stem in CRANIAL_PAIRS:
        out += [stem + "_LOW", stem + "_UPPER"]
    for stem in PUBIC_STEMS + AURICULAR_STEMS:
        out += [stem + "_R_LOW", stem + "_R_UPPER", stem + "_L_LOW", stem + "_L_UPPER"]
    return out


RESULT_FIELDS = [
    "RES_ALL_MAX_LIKELIHOOD", "RES_ALL_STD_ERROR", "RES_ALL_LOW95P_CONF", "RES_ALL_UPPER95P_CONF",
    "RES_ALL_DEGFREE", "RES_ALL_CHI2", "RES_ALL_CHI2_P", "RES_ALLCOR_MAX_LIKELIHOOD",
    "RES_ALLCOR_STD_ERROR", "RES_ALLCOR_LOW95P_CONF", "RES_ALLCOR_UPPER95P_CONF"]
PREFIXES = {"PUBIS": "RES_PUB_", "AURICULAR": "RES_AUR_", "SUTURES": "RES_CRA_"}
ENDINGS = ["MAX_LIKELIHOOD", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"]
for _p in ("RES_PUB_", "RES_AUR_", "RES_CRA_"):
    RESULT_FIELDS += [_p + e for e in ENDINGS]


class Refused(Exception):
    """The run stops with exit code 3 and this message."""


class VersionMismatch(Exception):
    """The program ends with exit code 1."""


# ---------------------------------------------------------------- IEEE helpers

def fdiv(a, b):
    if b == 0.0:
        if a == 0.0 or a != a:
            return math.nan
        return math.copysign(math.inf, a) * math.copysign(1.0, b)
    return a / b


def flog(x):
    if x != x:
        return math.nan
    if x == 0.0:
        return -math.inf
    if x < 0:
        return math.nan
    return math.log(x)


def fexp(x):
    try:
        return math.exp(x)
    except OverflowError:
        return math.inf


def fpow(x, y):
    if x != x or y != y:
        return math.nan
    if x == math.inf:
        return math.inf if y > 0 else 0.0
    try:
        return x ** y
    except (OverflowError, ZeroDivisionError):
        return math.inf


# ---------------------------------------------------------- chi-square, gamma

B_COEF = [-0.577191652, 0.988205891, -0.897056937, 0.918206857,
          -0.756704078, 0.482199394, -0.193527818, 0.035868343]


def ln_gamma(x):
    if x < 1e-10:
        return -math.log(x)
    if x > 15:
        s = (x - 0.5) * math.log(x) - x + math.log(2.5066282746310005)
        return s + 1 / (12 * x) - 1 / (360 * x ** 3) + \
            (1 / 1260 - 1 / (1680 * x * x)) * math.exp(-5 * math.log(x))
    if x < 1:
        c, z = -math.log(x), x
    elif x < 2:
        c, z = 0.0, x - 1
    else:
        c, z = 0.0, x
        while True:
            c += math.log(z - 1)
            z -= 1
            if not z >= 2:
                break
        z -= 1
    g, power = 1.0, z
    for b in B_COEF:
        g += b * power
        power *= z
    return math.log(g) + c


def incomplete_gamma_p(a, x, lng):
    if x <= 0:
        return 0.0
    factor = fexp(a * math.log(x) - x - lng)
    if x <= 1 or x < a:
        total, term, r = 1.0, 1.0, a
        while True:
            r += 1
            term = term * x / r
            total += term
            if term <= 1e-8:
                break
        return total * factor / a
    u = 1 - a
    v = u + x + 1
    n = 0
    p1, p2, p3, p4 = 1.0, x, x + 1, x * v
    g = p3 / p4
    while True:
        u += 1
        v += 2
        n += 1
        w = u * n
        p5 = v * p3 - w * p1
        p6 = v * p4 - w * p2
        if p6 != 0:
            r = p5 / p6
            d = abs(g - r)
            if d <= 1e-8 and d <= 1e-8 * r:
                break
            g = r
        p1, p2, p3, p4 = p3, p4, p5, p6
        if abs(p5) >= 1e30:
            p1 /= 1e30
            p2 /= 1e30
            p3 /= 1e30
            p4 /= 1e30
    return 1 - factor * g


def chi2(df, x):
    if not (df > 0 and x >= 0):
        raise Refused("Chi2 called by illegal input")
    if x == math.inf:
        return 0.0  # no probability is left beyond an infinite statistic
    return 1 - incomplete_gamma_p(df / 2, x / 2, ln_gamma(df / 2))


# ------------------------------------------------------------- rounding noise
#
# Some quantities of the method are differences of nearly equal products, so
# any two correct implementations agree there only to a few units of the last
# place of the terms, and a later decision (a halving step, a grid maximum)
# can go either way.  With a non-zero level, every elementary result below is
# moved by a deterministic pseudo-random amount of that many units, so that a
# handful of runs shows how far such noise carries.

EPS = 2.220446049250313e-16
NOISE = {"level": 0.0, "salt": 0}


def wobble(tag, x):
    """A deterministic value in [-1, 1] for (salt, tag, x)."""
    h = hash((NOISE["salt"], tag, x)) & 0xFFFFFFFF
    h = (h * 2654435761 + 12345) & 0xFFFFFFFF
    return h / 2147483647.5 - 1.0


def logit(a, b, x):
    z = a + b * x
    e = fexp(z)
    if e == math.inf:
        return 1.0
    v = e / (e + 1)
    if NOISE["level"]:
        v *= 1 + wobble((1, a, b), x) * NOISE["level"] * EPS * (4 + abs(z))
        v = min(1.0, max(0.0, v))
    return v


class Component:
    count = 0

    def __init__(self, name):
        Component.count += 1
        self.uid = Component.count
        self.name = name[:31]
        self.er = self.nr = self.el = self.nl = 0
        self.raw = [0, 0, 0, 0]
        self.n = 0
        self.a = [0.0] * 10
        self.b = [0.0] * 10
        self.c = [0.0] * 10
        self.d = [0.0] * 10
        self.e = [0.0] * 10
        self.profile = None
        self.mla = 0.0
        self.nc = 0.0
        self._memo = {}

    def reached(self, n, x):
        if n > self.n + 1:
            return 0.0
        p = 1.0
        for j in range(0, n - 1):
            p *= logit(self.a[j], self.b[j], x)
        return p

    def side(self, entered, notoutof, x):
        # A side takes part only when both of its stages are known; stages
        # given in reverse are taken in order.
        if entered == 0 or notoutof == 0:
            return 1.0
        lo, hi = min(entered, notoutof), max(entered, notoutof)
        first, beyond = self.reached(lo, x), self.reached(hi + 1, x)
        p = first - beyond
        if NOISE["level"]:
            p += wobble((2, self.uid, entered, notoutof), x) * NOISE["level"] * EPS * (first + beyond)
            p = max(0.0, p)
        return p

    def likelihood(self, x):
        v = self._memo.get(x)
        if v is None:
            v = self.side(self.er, self.nr, x) * self.side(self.el, self.nl, x)
            if v == 0.0:
                v = 1e-40
            self._memo[x] = v
        return v


class Complex:
    def __init__(self, name):
        self.name = name[:31]
        self.resvar = 0.0
        self.components = []
        self.profile = None
        self.mla = self.ml = self.cilow = self.cihigh = 0.0
        self.df = 0
        self.se = 0.0
        self.consistency = 0.0
        self.pconsistency = 0.0

    def likelihood(self, x):
        p = 1.0
        for k in self.components:
            p *= fdiv(k.likelihood(x), k.nc)
        if NOISE["level"]:
            p *= 1 + wobble((3, self.components[0].uid), x) * NOISE["level"] * EPS * len(self.components)
        return p


class Case:
    def __init__(self):
        self.cl = 0.0
        self.name = self.sex = self.race = self.hazardfunc = ""
        self.group = 1
        self.resvar = 0.0
        self.complexes = []
        self.likelihood_profile = None
        self.hazard_profile = None
        self.mla = self.ml = self.cilow = self.cihigh = 0.0
        self.df = 0
        self.se = 0.0
        self.consistency = 0.0
        self.pconsistency = 0.0
        self.hazard_mla = self.hazard_ml = self.hazard_se = 0.0
        self.hazard_cilow = self.hazard_cihigh = 0.0

    def likelihood(self, x):
        p = 1.0
        for c in self.complexes:
            p *= fpow(fdiv(c.likelihood(x), c.ml), fdiv(1.0, c.resvar))
        if NOISE["level"]:
            p *= 1 + wobble(4, x) * NOISE["level"] * EPS * 4 * len(self.complexes)
        return p


def hazard_density(table, x):
    a, b, c, d = table[2], table[3], table[4], table[8]
    h = a + b * math.exp(c * x)
    s = math.exp(-a * (x - 15) - (b / c) * (math.exp(c * x) - math.exp(15 * c)))
    v = h * s / d
    if NOISE["level"]:
        v *= 1 + wobble(5, x) * NOISE["level"] * EPS * 16
    return v


# ---------------------------------------------------- maximum and limits

def find_maximum(f):
    best_x, best_v = 15.0, f(15.0)
    profile = []
    for i in range(381):
        x = i * 0.25 + 15
        v = f(x)
        profile.append([x, v])
        if v > best_v:
            best_x, best_v = x, v
    if best_x == AGE_START or best_x == AGE_END:
        return best_x, best_v, True, profile
    lo, hi = best_x - 0.25, best_x + 0.25
    f_lo, f_hi = f(lo), f(hi)
    rounds = 0
    while abs(f_hi - f_lo) > 1e-6 and rounds < 10000:
        rounds += 1
        if f_hi > f_lo:
            lo = (lo + hi) / 2
            f_lo = f(lo)
        else:
            hi = (lo + hi) / 2
            f_hi = f(hi)
    mla = (lo + hi) / 2
    return mla, f(mla), False, profile


def confidence_limit(g, low_end, high_end):
    a, b = low_end, high_end
    g_a, g_b = g(a), g(b)
    if g_a * g_b > 0:
        return 0.0
    rounds = 0
    while abs(b - a) > 1e-6 and rounds < 10000:
        rounds += 1
        m = (a + b) / 2
        g_m = g(m)
        if (g_m < 0 and g_a < 0) or (g_m > 0 and g_a > 0):
            a, g_a = m, g_m
        else:
            b = m
    return (a + b) / 2


def consistency(ml, df, at_edge):
    """Statistic and probability of a consistency test."""
    if at_edge or df <= 0:
        return 0.0, -1.0
    stat = -2 * flog(ml)
    if stat < 0:
        # A refined maximum a little short of the true one: no disagreement.
        return 0.0, 1.0
    return stat, chi2(df, stat)


def analyse(case, critical, prior):
    for c in case.complexes:
        for k in c.components:
            k.mla, k.nc, _, prof = find_maximum(k.likelihood)
            for p in prof:
                p[1] = fdiv(p[1], k.nc)
            k.profile = prof
        c.df = max(0, len(c.components) - 1)
        c.mla, c.ml, edge, prof = find_maximum(c.likelihood)
        c.consistency, c.pconsistency = consistency(c.ml, c.df, edge)
        inv = fdiv(1.0, c.resvar)
        for p in prof:
            p[1] = fpow(fdiv(p[1], c.ml), inv)
        c.profile = prof

        def g(x, c=c):
            return -flog(fdiv(c.likelihood(x), c.ml)) / c.resvar - critical
        if c.mla <= 15:
            c.cilow = 0.0
            c.cihigh = confidence_limit(g, c.mla, 110.0)
        elif c.mla < 110:
            c.cilow = confidence_limit(g, 15.0, c.mla)
            c.cihigh = confidence_limit(g, c.mla, 110.0)
        else:
            c.cilow = confidence_limit(g, 15.0, c.mla)
            c.cihigh = 0.0
        c.se = 1.0

    s = case
    s.df = max(0, len(s.complexes) - 1)
    s.mla, m, edge, prof = find_maximum(s.likelihood)
    s.ml = m
    s.consistency, s.pconsistency = consistency(m, s.df, edge)
    inv = fdiv(1.0, s.resvar)
    for p in prof:
        p[1] = fpow(p[1], inv)
    s.likelihood_profile = prof

    def limits(func, peak, mla):
        def g(x):
            return -flog(fdiv(func(x), peak)) / s.resvar - critical
        if mla <= 15:
            low = 15.0
            high = confidence_limit(g, mla, 110.0)
        elif mla < 110:
            low = confidence_limit(g, 15.0, mla)
            high = confidence_limit(g, mla, 110.0)
        else:
            low = confidence_limit(g, 15.0, mla)
            high = 110.0
        if low == 0:
            low = 15.0
        if high == 0:
            high = 110.0
        return low, high

    s.cilow, s.cihigh = limits(s.likelihood, m, s.mla)
    s.ml = fpow(m, inv)

    def weighted(x):
        return prior(x) * s.likelihood(x)
    s.hazard_mla, h, _, prof = find_maximum(weighted)
    for p in prof:
        p[1] = fpow(p[1], inv)
    s.hazard_profile = prof
    s.hazard_cilow, s.hazard_cihigh = limits(weighted, h, s.hazard_mla)
    s.se = 1.0
    s.hazard_se = 1.0
    s.hazard_ml = fpow(h, inv)
    return s


# ------------------------------------------------------------ parameter file

INT_CHARS = set(b"0123456789")


def parse_int(tok):
    t = tok[1:] if tok[:1] in (b"+", b"-") else tok
    if not t or any(ch not in INT_CHARS for ch in t):
        raise Refused("not a valid integer: %r" % tok)
    return int(tok)


def parse_real(tok):
    if not re.fullmatch(rb"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?", tok):
        raise Refused("not a valid number: %r" % tok)
    return float(tok)


class Reader:
    def __init__(self, data, whole=False):
        self.data = data
        self.pos = 0
        self.whole = whole  # the end of the file is an error, never a 0

    def number(self, kind):
        d, n = self.data, len(self.data)
        while self.pos < n and d[self.pos] in (0x20, 0x09, 0x0D, 0x0A):
            self.pos += 1
        if self.pos >= n:
            if self.whole:
                raise Refused("the file ends early")
            return 0 if kind == "int" else 0.0
        start = self.pos
        while self.pos < n and d[self.pos] > 0x20 and d[self.pos] != 0x7F:
            self.pos += 1
        tok = d[start:self.pos]
        return parse_int(tok) if kind == "int" else parse_real(tok)

    def rest_of_line(self):
        d, n = self.data, len(self.data)
        start = self.pos
        while self.pos < n and d[self.pos] not in (0x0D, 0x0A):
            self.pos += 1
        return d[start:self.pos]

    def skip_line_end(self):
        d, n = self.data, len(self.data)
        if self.pos < n and d[self.pos] == 0x0D:
            self.pos += 1
        if self.pos < n and d[self.pos] == 0x0A:
            self.pos += 1

    def skip_line(self):
        self.rest_of_line()
        self.skip_line_end()

    def skip_lines(self, count):
        for _ in range(max(0, count)):
            self.skip_line()


def header_name(raw):
    text = raw.decode("latin-1")
    cut = text.find("#")
    if cut >= 0:
        text = text[:cut]
    return text.strip("".join(chr(i) for i in range(33)))


def good_real(v):
    return not (math.isinf(v) or math.isnan(v))


def read_parameter_set(data, group, scores, flags, strict, whole=False):
    """Returns (case Resvar, complexes).  `scores(name, sides)` gives the
    four normalised scores; flags maps SUTURES/PUBIS/AURICULAR to selection.
    `whole`: the file must hold its list ends (the end of the file is an
    error) and nothing but blank or "#" lines after them."""
    r = Reader(data, whole)
    version = r.number("real")
    r.skip_line()
    if version != VERSION:
        raise VersionMismatch()
    groups = r.number("int")
    r.skip_line()
    if strict and (groups < 1 or group > groups):
        raise Refused("group count")
    resvar = r.number("real")
    r.skip_line()
    if strict and not (good_real(resvar) and resvar > 0):
        raise Refused("case Resvar")
    complexes = []
    while True:
        head = r.number("int")
        if head <= 0:
            r.skip_line()
            break
        cx = Complex(header_name(r.rest_of_line()))
        r.skip_line_end()
        cx.resvar = r.number("real")
        r.skip_line()
        if strict and not (good_real(cx.resvar) and cx.resvar > 0):
            raise Refused("complex Resvar")
        deselected = flags.get(cx.name) is False
        while True:
            sides = r.number("int")
            if sides <= 0:
                r.skip_line()
                break
            full_name = header_name(r.rest_of_line())
            r.skip_line_end()
            sc, bad = scores(full_name, sides)
            used = (sc[0] != 0 or sc[2] != 0) and not deselected
            if bad and (strict or used):
                raise Refused("score out of range in " + full_name)
            if not used:
                n = r.number("int")
                if strict and not (1 <= n <= 10):
                    raise Refused("transition count")
                r.skip_line()
                r.skip_lines(n * groups)
                continue
            k = Component(full_name)
            k.raw = list(sc)
            rl, ru, ll, lu = sc
            if (rl, ru) == (ll, lu):
                ll, lu = 0, 0
            n = r.number("int")
            table = [r.number("int") for _ in range(9)]
            r.skip_line()
            if not (1 <= n <= 10):
                raise Refused("transition count")
            if groups < 1 or group > groups:
                raise Refused("group count")
            if not (good_real(cx.resvar) and cx.resvar > 0):
                raise Refused("complex Resvar")
            used_entries = [table[v - 1] for v in (rl, ru, ll, lu) if v > 0]
            check = table if strict else used_entries
            if any(not (0 <= e <= n + 1) for e in check):
                raise Refused("recoding entry")
            k.n = n
            stages = [table[v - 1] if v > 0 else 0 for v in (rl, ru, ll, lu)]
            k.er, k.nr, k.el, k.nl = stages
            for t in range(n):
                r.skip_lines(group - 1)
                r.number("int")
                vals = [r.number("real") for _ in range(5)]
                r.skip_line()
                r.skip_lines(groups - group)
                if any(not good_real(v) for v in vals):
                    raise Refused("parameter not finite")
                k.a[t], k.b[t], k.c[t], k.d[t], k.e[t] = vals
            cx.components.append(k)
        complexes.append(cx)
    if whole:
        for line in data[r.pos:].splitlines():
            text = line.strip(bytes(range(33)))
            if text and not text.startswith(b"#"):
                raise Refused("text after the end of the complex list")
    kept = [c for c in complexes if c.components]
    if kept and not (good_real(resvar) and resvar > 0):
        raise Refused("case Resvar")
    return resvar, kept


def check_whole_file(data):
    """The tool reads and checks the whole file once before the first case:
    every group's rows of every component, the list ends, the four groups."""
    every = lambda name, sides: ((1, 1, 0, 0), False)  # noqa: E731
    r = Reader(data, True)
    r.number("real")
    r.skip_line()
    try:
        groups = r.number("int")
    except Refused:
        groups = 0
    if groups < 4:
        read_parameter_set(data, 1, every, {}, True, True)  # the version is checked first
        raise Refused("group count")
    for g in range(1, groups + 1):
        read_parameter_set(data, g, every, {}, True, True)


# ---------------------------------------------------------------- case row

def cell(row, name):
    for k, v in row.items():
        if k.upper() == name.upper():
            return v
    raise Refused("no field " + name)


def set_cell(row, name, value):
    for k in list(row):
        if k.upper() == name.upper():
            row[k] = value
            return
    raise Refused("no field " + name)


def as_int(text):
    t = text.strip()
    if t == "":
        return 0
    return int(t)


def make_score_source(row):
    def normalise(lo, up):
        if lo == -1 or up == -1:
            lo, up = 0, 0
        if up == 0:
            up = lo
        return lo, up

    def scores(name, sides):
        if sides == 1:
            fields = [name + "_LOW", name + "_UPPER"]
        else:
            fields = [name + "_R_LOW", name + "_R_UPPER", name + "_L_LOW", name + "_L_UPPER"]
        vals = [as_int(cell(row, f)) for f in fields]
        bad = any(not (-1 <= v <= 9) for v in vals)
        if sides == 1:
            vals += [0, 0]
        rl, ru = normalise(vals[0], vals[1])
        ll, lu = normalise(vals[2], vals[3])
        return [rl, ru, ll, lu], bad
    return scores


def order_score_pair(row, base):
    lo = cell(row, base + "_LOW")
    up = cell(row, base + "_UPPER")
    if up == "":
        return
    if lo == "":
        set_cell(row, base + "_LOW", str(int(up)))
        set_cell(row, base + "_UPPER", "")
        return
    if lo > up:
        set_cell(row, base + "_LOW", str(int(up)))
        set_cell(row, base + "_UPPER", str(int(lo)))


def box_empty(text):
    return text.strip("".join(chr(i) for i in range(33))) == ""


# ------------------------------------------------------------------ outcome

class Outcome:
    def __init__(self, kind, message=""):
        self.kind = kind
        self.message = message
        self.trace = None
        self.fields = {f: None for f in RESULT_FIELDS}  # (stored, unrounded, decimals) or None
        self.alternatives = {kind}


def nearest_even(y):
    return float(round(y))


def r1(x):
    return nearest_even(x * 10) / 10


def r2(x):
    return nearest_even(x * 100) / 100


def store_results(case, out):
    f = out.fields
    if case is None:
        return
    f["RES_ALL_MAX_LIKELIHOOD"] = (r1(case.mla), case.mla, 1)
    f["RES_ALL_STD_ERROR"] = (r1(case.se), case.se, 1)
    f["RES_ALL_LOW95P_CONF"] = (r1(case.cilow), case.cilow, 1) if case.cilow > 0 else (15.0, 15.0, 1)
    f["RES_ALL_UPPER95P_CONF"] = (r1(case.cihigh), case.cihigh, 1) if case.cihigh > 0 else (110.0, 110.0, 1)
    f["RES_ALL_DEGFREE"] = (float(case.df), float(case.df), 0)
    if case.df >= 1:
        f["RES_ALL_CHI2"] = (r1(case.consistency), case.consistency, 1)
        if case.pconsistency >= 0:
            f["RES_ALL_CHI2_P"] = (r2(case.pconsistency), case.pconsistency, 2)
    f["RES_ALLCOR_MAX_LIKELIHOOD"] = (r1(case.hazard_mla), case.hazard_mla, 1)
    f["RES_ALLCOR_STD_ERROR"] = (r1(case.hazard_se), case.hazard_se, 1)
    f["RES_ALLCOR_LOW95P_CONF"] = (r1(case.hazard_cilow), case.hazard_cilow, 1)
    f["RES_ALLCOR_UPPER95P_CONF"] = (r1(case.hazard_cihigh), case.hazard_cihigh, 1)
    for c in case.complexes:
        p = PREFIXES.get(c.name)
        if p is None:
            raise Refused("no field %sMAX_LIKELIHOOD" % c.name)
        f[p + "MAX_LIKELIHOOD"] = (r1(c.mla), c.mla, 1)
        f[p + "LOW95P_CONF"] = (r1(c.cilow), c.cilow, 1) if c.cilow > 0 else (15.0, 15.0, 1)
        f[p + "UPPER95P_CONF"] = (r1(c.cihigh), c.cihigh, 1) if c.cihigh > 0 else (110.0, 110.0, 1)
        f[p + "DEGFREE"] = (float(c.df), float(c.df), 0)
        if c.df > 0:
            f[p + "CHI2"] = (r1(c.consistency), c.consistency, 1)
            if c.pconsistency >= 0:
                f[p + "CHI2_P"] = (r2(c.pconsistency), c.pconsistency, 2)
    # The summary that follows every run: a listed complex without a
    # probability gets 1, a combined probability of -1 is emptied.
    for c in case.complexes:
        p = PREFIXES[c.name]
        if f[p + "CHI2_P"] is None:
            f[p + "CHI2_P"] = (1.0, 1.0, 2)
    if f["RES_ALL_CHI2_P"] is not None and f["RES_ALL_CHI2_P"][0] == -1:
        f["RES_ALL_CHI2_P"] = None


# ------------------------------------------------------------------- trace

def fmt_real(v):
    if v == 0:
        v = 0.0
    s = "%.14E" % v
    if "E" not in s:
        return s.rjust(23)
    mant, exp = s.split("E")
    exp = exp[0] + exp[1:].rjust(4, "0")
    if not mant.startswith("-"):
        mant = " " + mant
    return mant + "E" + exp


def fmt_fixed(v, width, decimals):
    if v == 0:
        v = 0.0
    return "%*.*f" % (width, decimals, v)


def profile_lines(prof):
    return ["Age :" + "".join(fmt_fixed(p[0], 9, 5) + ", " for p in prof),
            "Lik :" + "".join(fmt_fixed(p[1], 9, 5) + ", " for p in prof)]


def trace_text(s):
    L = ["Name          = " + s.name, "Sex           = " + s.sex,
         "Race          = " + s.race, "HazardFunc    = " + s.hazardfunc]
    for c in s.complexes:
        for k in c.components:
            L += ["",
                  "      Component name            = " + k.name,
                  "      Entered, right            = %d     %d" % (k.er, k.raw[0]),
                  "      NotOutOf, right           = %d     %d" % (k.nr, k.raw[1]),
                  "      Entered, left             = %d     %d" % (k.el, k.raw[2]),
                  "      NotOutOf, left            = %d     %d" % (k.nl, k.raw[3]),
                  "      NumStagesOfComponent      = %d" % k.n,
                  "      ComponentNormalizingConst = " + fmt_real(k.nc),
                  "      MLA                       = " + fmt_real(k.mla)]
            for label, arr in (("a", k.a), ("b", k.b), ("c", k.c), ("d", k.d), ("e", k.e)):
                L.append(label + " = " + "".join(fmt_fixed(v, 6, 2) + ", " for v in arr))
            L += profile_lines(k.profile)
            L.append("^")
        L += ["",
              "   Complexname  = " + c.name,
              "   Resvar       = " + fmt_real(c.resvar),
              "   MLA          = " + fmt_real(c.mla),
              "   ML           = " + fmt_real(c.ml),
              "   CILow        = " + fmt_real(c.cilow),
              "   CIHigh       = " + fmt_real(c.cihigh),
              "   DF           = %d" % c.df,
              "   SE           = " + fmt_real(c.se),
              "   Consistensy  = " + fmt_real(c.consistency),
              "   PConsistensy = " + fmt_real(c.pconsistency)]
        L += profile_lines(c.profile)
        L.append("***")
    L.append("Likelihood:")
    L += profile_lines(s.likelihood_profile)
    L.append("HazardFunc:")
    L += profile_lines(s.hazard_profile)
    L += ["", "",
          "Resvar        = " + fmt_real(s.resvar),
          "MLA           = " + fmt_real(s.mla),
          "ML            = " + fmt_real(s.ml),
          "CILow         = " + fmt_real(s.cilow),
          "CIHigh        = " + fmt_real(s.cihigh),
          "DF            = %d" % s.df,
          "SE            = " + fmt_real(s.se),
          "Consistensy   = " + fmt_real(s.consistency),
          "PConsistensy  = " + fmt_real(s.pconsistency),
          "CL            = " + fmt_real(s.cl),
          "Hazard_MLA    = " + fmt_real(s.hazard_mla),
          "Hazard_ML     = " + fmt_real(s.hazard_ml),
          "Hazard_SE     = " + fmt_real(s.hazard_se),
          "Hazard_CIHigh = " + fmt_real(s.hazard_cihigh),
          "Hazard_CILow  = " + fmt_real(s.hazard_cilow),
          "Corrected graph values:"]
    return "".join(x + "\r\n" for x in L).encode("latin-1")


# -------------------------------------------------------------- the action

def _run(params, row, options, strict):
    row = dict(row)
    # The three model choices, each an item of its list (any letter case).
    if cell(row, "RACE").lower() not in ("white", "black", "unknown"):
        return Outcome("error", MSG_RACE)
    if cell(row, "SEX").lower() not in ("female", "male", "unknown"):
        return Outcome("error", MSG_SEX)
    model = cell(row, "HAZARDFUNC").lower()
    if model not in ("archeological", "forensic"):
        return Outcome("error", MSG_MODEL)
    checked = {"SUTURES": not options.get("no_cranial", False),
               "PUBIS": not options.get("no_pubic", False),
               "AURICULAR": not options.get("no_auricular", False)}
    for key, bases in (("SUTURES", CRANIAL_PAIRS), ("PUBIS", PUBIC_PAIRS),
                       ("AURICULAR", AURICULAR_PAIRS)):
        boxes = [cell(row, b + s) for b in bases for s in ("_LOW", "_UPPER")]
        if all(box_empty(t) for t in boxes):
            checked[key] = False
        else:
            for b in bases:
                order_score_pair(row, b)
    if not any(checked.values()):
        return Outcome("error", MSG_TYPES)

    critical = CRITICAL[int(options.get("level", 95))]
    table = ARCHEOLOGICAL if model == "archeological" else FORENSIC
    sex, race = cell(row, "SEX"), cell(row, "RACE")
    group = 1 + (1 if sex.lower() == "male" else 0) + (2 if race.lower() == "black" else 0)
    try:
        resvar, complexes = read_parameter_set(params, group, make_score_source(row),
                                               checked, strict)
    except VersionMismatch:
        return Outcome("version")
    except Refused as e:
        return Outcome("error", str(e))
    out = Outcome("nodata", MSG_NODATA) if not complexes else Outcome("ok")
    if not complexes:
        return out
    case = Case()
    case.complexes = complexes
    case.name = cell(row, "SKELETON_NAME")[:63]
    case.sex, case.race, case.hazardfunc = sex[:15], race[:15], cell(row, "HAZARDFUNC")[:15]
    case.group = group
    case.resvar = resvar
    try:
        analyse(case, critical, lambda x: hazard_density(table, x))
        store_results(case, out)
    except Refused as e:
        return Outcome("error", str(e))
    out.trace = trace_text(case)
    out.case = case
    return out


def run_case(params, row, options, noise=0.0, salt=0):
    """The outcome of `vorla-cli analyze --all` on one imported row.  With a
    noise level, the run is one member of the rounding-noise ensemble."""
    try:
        check_whole_file(params)
    except VersionMismatch:
        refused = Outcome("version")
        refused.alternatives, refused.lenient = {"version"}, refused
        return refused
    except (Refused, ValueError) as e:
        refused = Outcome("error", "parameter file refused: " + str(e))
        refused.alternatives, refused.lenient = {"error"}, refused
        return refused
    NOISE["level"], NOISE["salt"] = float(noise), salt
    try:
        main = _run(params, row, options, strict=True)
        other = _run(params, row, options, strict=False)
    finally:
        NOISE["level"], NOISE["salt"] = 0.0, 0
    main.alternatives = {main.kind, other.kind}
    main.lenient = other
    return main
