#!/usr/bin/env python3
"""Writes ROWS fully scored random cases (seed 1) to a CSV file for the benchmarks:
make_bench_cases.py ROWS PATH"""
import csv, random, sys
rows, path = int(sys.argv[1]), sys.argv[2]
traits = [("CRA_PTERICA", 5, 1), ("CRA_SAGITTAL", 5, 1), ("CRA_LAMDOID", 5, 1), ("CRA_INTERPL", 5, 1),
          ("CRA_MAXILARE", 5, 1), ("PUB_RELIEF", 6, 2), ("PUB_TEXTURE", 4, 2), ("PUB_OSSICLE", 4, 2),
          ("PUB_VENTRALM", 7, 2), ("PUB_DORSALM", 5, 2), ("AUR_TOPOSUP", 3, 2), ("AUR_TOPOINF", 3, 2),
          ("AUR_MORSUP", 5, 2), ("AUR_MORAPIC", 5, 2), ("AUR_MORINF", 5, 2), ("AUR_TEXINF", 3, 2),
          ("AUR_EXOSUP", 6, 2), ("AUR_EXOINF", 6, 2), ("AUR_SPICUL", 3, 2)]
random.seed(1)
header = ["SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC"]
for name, _, sides in traits:
    header += [name + s for s in (("_LOW", "_UPPER") if sides == 1 else ("_R_LOW", "_R_UPPER", "_L_LOW", "_L_UPPER"))]
with open(path, "w", newline="") as fh:
    w = csv.writer(fh)
    w.writerow(header)
    for i in range(rows):
        row = ["BENCH-%05d" % i, random.choice(["Female", "Male", "Unknown"]),
               random.choice(["White", "Black", "Unknown"]), random.choice(["Archeological", "Forensic"])]
        for name, stages, sides in traits:
            for _ in range(sides):
                low = random.randint(1, stages)
                row += [low, random.randint(low, min(stages, low + 1))]
        w.writerow(row)
