#!/usr/bin/env python3
"""Writes the demonstration parameter set Parameters.dat.

The numbers are invented to show how the program behaves; they were not fitted
to any reference sample and must not be used to estimate real ages.

Every transition t of a trait is described by the age m at which half of the
individuals that have reached stage t have moved on to stage t + 1, and by the
slope b of the logit: a = -b * m, so that the logit a + b * x is 0 at x = m and
1 / b is the spread of the transition in years. The four groups are

  1  female or other sex, not black
  2  male, not black
  3  female or other sex, black
  4  male, black

and differ from group 1 by a few years on some traits (see GROUP_SHIFT).

Usage: make_demo_parameters.py [OUTPUT]   (default: Parameters.dat beside this script)
"""

import math
import os
import sys

VERSION = "0.11"
GROUPS = 4
CASE_VARIANCE = 1.0

# name, side count, variance factor, comment, components:
#   (stem, [(age of transition t, slope of transition t), ...])
COMPLEXES = [
    ("SUTURES", 1, 1.3, "cranial sutures, scored once", [
        ("CRA_PTERICA",  [(22, 0.10), (35, 0.08), (52, 0.07), (72, 0.060)]),
        ("CRA_SAGITTAL", [(20, 0.10), (32, 0.08), (48, 0.07), (68, 0.060)]),
        ("CRA_LAMDOID",  [(24, 0.09), (38, 0.08), (55, 0.07), (76, 0.055)]),
        ("CRA_INTERPL",  [(26, 0.09), (40, 0.07), (58, 0.06), (80, 0.055)]),
        ("CRA_MAXILARE", [(30, 0.08), (46, 0.07), (64, 0.06), (88, 0.050)]),
    ]),
    ("PUBIS", 2, 1.0, "pubic symphysis, right and left", [
        ("PUB_RELIEF",   [(18, 0.25), (22, 0.22), (28, 0.18), (38, 0.14), (55, 0.10)]),
        ("PUB_TEXTURE",  [(24, 0.18), (38, 0.12), (60, 0.08)]),
        ("PUB_OSSICLE",  [(19, 0.25), (25, 0.20), (34, 0.15)]),
        ("PUB_VENTRALM", [(19, 0.25), (24, 0.22), (30, 0.18), (40, 0.14), (55, 0.10), (72, 0.08)]),
        ("PUB_DORSALM",  [(20, 0.22), (27, 0.18), (42, 0.12), (65, 0.08)]),
    ]),
    ("AURICULAR", 2, 1.1, "auricular surface of the ilium, right and left", [
        ("AUR_TOPOSUP",  [(28, 0.15), (55, 0.08)]),
        ("AUR_TOPOINF",  [(30, 0.14), (58, 0.08)]),
        ("AUR_MORSUP",   [(19, 0.25), (25, 0.20), (36, 0.14), (55, 0.09)]),
        ("AUR_MORAPIC",  [(20, 0.24), (27, 0.18), (40, 0.12), (60, 0.08)]),
        ("AUR_MORINF",   [(19, 0.25), (26, 0.19), (38, 0.13), (58, 0.085)]),
        ("AUR_TEXINF",   [(26, 0.16), (48, 0.09)]),
        ("AUR_EXOSUP",   [(25, 0.16), (35, 0.12), (48, 0.10), (62, 0.08), (80, 0.06)]),
        ("AUR_EXOINF",   [(27, 0.15), (38, 0.12), (50, 0.10), (65, 0.08), (82, 0.06)]),
        ("AUR_SPICUL",   [(40, 0.10), (65, 0.07)]),
    ]),
]

# How group k differs from group 1 in each complex: (years added to the
# transition age for every 10 years past 15, factor on the slope).
GROUP_SHIFT = {
    "SUTURES":   {1: (0.0, 1.00), 2: (0.4, 0.97), 3: (-0.5, 1.02), 4: (-0.1, 0.99)},
    "PUBIS":     {1: (0.0, 1.00), 2: (0.8, 0.95), 3: (-0.3, 1.03), 4: (0.5, 0.97)},
    "AURICULAR": {1: (0.0, 1.00), 2: (0.3, 0.98), 3: (0.4, 0.97), 4: (0.7, 0.95)},
}


def group_row(complex_name, group, age, slope):
    per_decade, slope_factor = GROUP_SHIFT[complex_name][group]
    m = age + per_decade * (age - 15) / 10.0
    b = round(slope * slope_factor, 4)
    a = round(-b * m, 3)
    return a, b


def parameter_text():
    lines = [f"{VERSION}  demonstration set: invented parameters, not calibrated on a reference sample",
             f"{GROUPS}",
             f"{CASE_VARIANCE:.1f}"]
    for number, (name, sides, variance, comment, components) in enumerate(COMPLEXES, start=1):
        lines.append(f"{number} {name}   # {comment}")
        lines.append(f"{variance:.1f}")
        for stem, transitions in components:
            n = len(transitions)
            recoding = [k if k <= n + 1 else 0 for k in range(1, 10)]
            lines.append(f"{sides} {stem}")
            lines.append(" ".join(str(v) for v in [n] + recoding))
            previous = {g: -math.inf for g in range(1, GROUPS + 1)}
            for age, slope in transitions:
                for g in range(1, GROUPS + 1):
                    a, b = group_row(name, g, age, slope)
                    midpoint = -a / b
                    if not (15 < midpoint < 100 and 0.04 <= b <= 0.26 and midpoint > previous[g]):
                        raise SystemExit(f"{stem}: implausible transition at {midpoint:.2f} for group {g}")
                    previous[g] = midpoint
                    lines.append(f"{g} {a:.3f} {b:.4f} 0 0 0")
        lines.append("0")
    lines.append("0")
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "Parameters.dat")
    with open(target, "w", encoding="ascii", newline="\n") as f:
        f.write(parameter_text())


if __name__ == "__main__":
    main()
