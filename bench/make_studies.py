#!/usr/bin/env python3
"""Writes a CSV table of generated studies for benchmarks and cross-checks:
   bench/make_studies.py [--sources] ROWS [SEED [LARGEST_GROUP [SMALLEST_GROUP]]] > studies.csv
Means around 100, SDs from 5 to 25, group sizes from SMALLEST_GROUP (3) to LARGEST_GROUP
(400), with a study label and a year. With --sources, each study is given as papers give
them, in turn: means and SDs with the t and p reported beside them, SEs, intervals of the
means, t, F with a sign, p with a sign, d, g, and an es with its variance."""
import math
import random
import sys

SOURCES = ["means", "se", "ci", "t", "f", "p", "d", "g", "es"]
COLUMNS = ["m1", "sd1", "se1", "ci1_low", "ci1_high", "n1", "m2", "sd2", "se2", "ci2_low",
           "ci2_high", "n2", "t", "f", "p", "sign", "d", "g", "es", "es_var"]


def reported(source, m1, sd1, n1, m2, sd2, n2):
    """The fields a paper of this kind gives, rounded as papers round them."""
    df = n1 + n2 - 2
    pooled = math.sqrt(((n1 - 1) * sd1 * sd1 + (n2 - 1) * sd2 * sd2) / df)
    d = (m2 - m1) / pooled
    t = d / math.sqrt(1 / n1 + 1 / n2)
    p = math.erfc(abs(t) / math.sqrt(2))  # near enough for a benchmark's reported p
    g = d * (1 - 3 / (4 * df - 1))
    sign = "+" if t >= 0 else "-"
    fields = {"n1": n1, "n2": n2}
    if source in ("means", "se", "ci"):
        fields.update(m1=m1, m2=m2)
    if source == "means":
        fields.update(sd1=sd1, sd2=sd2, t=f"{t:.2f}", p=f"{p:.3f}")
    elif source == "se":
        fields.update(se1=f"{sd1 / math.sqrt(n1):.3f}", se2=f"{sd2 / math.sqrt(n2):.3f}")
    elif source == "ci":
        for group, m, sd, n in (("1", m1, sd1, n1), ("2", m2, sd2, n2)):
            half = 1.96 * sd / math.sqrt(n)
            fields[f"ci{group}_low"] = f"{m - half:.2f}"
            fields[f"ci{group}_high"] = f"{m + half:.2f}"
    elif source == "t":
        fields.update(t=f"{t:.3f}")
    elif source == "f":
        fields.update(f=f"{t * t:.3f}", sign=sign)
    elif source == "p":
        fields.update(p=f"{max(p, 1e-12):.3g}", sign=sign)
    elif source == "d":
        fields.update(d=f"{d:.3f}")
    elif source == "g":
        fields.update(g=f"{g:.3f}")
    else:
        del fields["n1"], fields["n2"]
        fields.update(es=f"{g:.3f}", es_var=f"{1 / n1 + 1 / n2 + g * g / (2 * (n1 + n2)):.4f}")
    return fields


def main():
    args = [a for a in sys.argv[1:] if a != "--sources"]
    sources = len(args) < len(sys.argv) - 1
    rows = int(args[0])
    rng = random.Random(int(args[1]) if len(args) > 1 else 1)
    largest = int(args[2]) if len(args) > 2 else 400
    smallest = int(args[3]) if len(args) > 3 else 3
    out = sys.stdout
    out.write("study,year," + (",".join(COLUMNS) if sources else "m1,sd1,n1,m2,sd2,n2") + "\n")
    for i in range(rows):
        n1 = rng.randint(smallest, largest)
        n2 = rng.randint(smallest, largest)
        m1 = round(rng.uniform(80, 120), 2)
        m2 = round(m1 + rng.gauss(5, 8), 2)
        sd1 = round(rng.uniform(5, 25), 2)
        sd2 = round(rng.uniform(5, 25), 2)
        year = rng.randint(1970, 2026)
        if sources:
            fields = reported(SOURCES[i % len(SOURCES)], m1, sd1, n1, m2, sd2, n2)
            out.write(f"S{i + 1},{year}," + ",".join(str(fields.get(c, "")) for c in COLUMNS) + "\n")
        else:
            out.write(f"S{i + 1},{year},{m1},{sd1},{n1},{m2},{sd2},{n2}\n")


if __name__ == "__main__":
    main()
