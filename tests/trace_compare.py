"""The one comparison of trace files (TATree.txt) for the test runners: same
lines ending in CR LF, the same text between the numbers, every number printed
with the same width, and values equal to 6 significant digits or to the last
printed decimal."""
import re

NUM = re.compile(r"-?\d+(?:\.\d+)?(?:E[+-]\d+)?")


def numbers_close(got, want):
    """Same value to 6 significant digits, or to the last printed decimal."""
    a, b = float(got), float(want)
    unit = 0.0
    if "E" not in want and "." in want:
        unit = 10.0 ** -(len(want) - want.index(".") - 1)
    tol = max(1e-6 * max(abs(a), abs(b)), 1.01 * unit) + 1e-12
    return abs(a - b) <= tol


def compare_trace(got, want, others=()):
    """None when the traces agree, else the first difference.  `others` are
    traces of the rounding-noise ensemble: a number is also accepted when it
    lies within the spread of the ensemble (widened by the spread itself)."""
    if want.endswith(b"\r\n") and not got.endswith(b"\r\n"):
        return "the file does not end with CR LF"
    gl = got.decode("latin-1").split("\r\n")
    wl = want.decode("latin-1").split("\r\n")
    ol = [o.decode("latin-1").split("\r\n") for o in others]
    if any("\n" in x or "\r" in x for x in gl):
        return "a line does not end with CR LF"
    if len(gl) != len(wl):
        return "%d lines, expected %d" % (len(gl), len(wl))
    for n, (g, w) in enumerate(zip(gl, wl), 1):
        if g == w:
            continue
        gt, wt = NUM.split(g), NUM.split(w)
        gn, wn = NUM.findall(g), NUM.findall(w)
        if gt != wt or len(gn) != len(wn):
            return "line %d differs in its text:\n    got:  %r\n    want: %r" % (n, g[:160], w[:160])
        on = [NUM.findall(o[n - 1]) if len(o) == len(wl) else [] for o in ol]
        on = [x for x in on if len(x) == len(wn)]
        for i, (a, b) in enumerate(zip(gn, wn)):
            if len(a) != len(b) and not any(len(a) == len(x[i]) for x in on):
                return "line %d (%s), number %d printed as %r, expected the width of %r" % (
                    n, w[:30].strip(), i + 1, a, b)
            if numbers_close(a, b):
                continue
            values = [float(b)] + [float(x[i]) for x in on]
            lo, hi = min(values), max(values)
            spread = hi - lo
            if on and (any(numbers_close(a, x[i]) for x in on) or
                       lo - spread - 1e-6 * abs(lo) <= float(a) <= hi + spread + 1e-6 * abs(hi)):
                continue
            return "line %d (%s), number %d is %s, expected %s" % (n, w[:30].strip(), i + 1, a, b)
    return None
