#!/usr/bin/env python3
"""Writes a CSV table of generated studies for benchmarks and cross-checks:
   bench/make_studies.py ROWS [SEED [LARGEST_GROUP [SMALLEST_GROUP]]] > studies.csv
Means around 100, SDs from 5 to 25, group sizes from SMALLEST_GROUP (3) to LARGEST_GROUP
(400), with a study label and a year."""
import random
import sys


def main():
    rows = int(sys.argv[1])
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    largest = int(sys.argv[3]) if len(sys.argv) > 3 else 400
    smallest = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    out = sys.stdout
    out.write("study,year,m1,sd1,n1,m2,sd2,n2\n")
    for i in range(rows):
        n1 = rng.randint(smallest, largest)
        n2 = rng.randint(smallest, largest)
        m1 = round(rng.uniform(80, 120), 2)
        m2 = round(m1 + rng.gauss(5, 8), 2)
        sd1 = round(rng.uniform(5, 25), 2)
        sd2 = round(rng.uniform(5, 25), 2)
        out.write(f"S{i + 1},{rng.randint(1970, 2026)},{m1},{sd1},{n1},{m2},{sd2},{n2}\n")


if __name__ == "__main__":
    main()
