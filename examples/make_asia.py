#!/usr/bin/env python3
"""Writes asia.dat: records sampled from the small "Asia" chest-clinic network.

Eight binary variables (0 = no, 1 = yes) and their conditional probabilities:

  asia    visit to Asia              P(asia=1)               = 0.01
  smoke   smoker                     P(smoke=1)              = 0.5
  tub     tuberculosis               P(tub=1 | asia=1)       = 0.05,  P(tub=1 | asia=0)  = 0.01
  lung    lung cancer                P(lung=1 | smoke=1)     = 0.1,   P(lung=1 | smoke=0) = 0.01
  bronc   bronchitis                 P(bronc=1 | smoke=1)    = 0.6,   P(bronc=1 | smoke=0) = 0.3
  either  tub or lung                either = tub OR lung (deterministic)
  xray    positive X-ray             P(xray=1 | either=1)    = 0.98,  P(xray=1 | either=0) = 0.05
  dysp    dyspnoea                   P(dysp=1 | either, bronc) = 0.9 (1,1), 0.7 (1,0), 0.8 (0,1), 0.1 (0,0)

The output is in the program's data-set format: a first line "N n -1 0 -1" (N records,
n variables, a label line present, no constraint lines, no allowance matrix), the label
line, then one record per line. With --csv it is a CSV file instead, as other tools
write it: a header of names, then the states as the words "no" and "yes". The seed is
fixed, so the file is reproducible.

Usage: python3 make_asia.py [--csv] [records] [seed] > asia.dat (or asia.csv)
"""
import random
import sys

LABELS = ["asia", "smoke", "tub", "lung", "bronc", "either", "xray", "dysp"]


def sample(gen):
    def bit(p):
        return 1 if gen.random() < p else 0

    asia = bit(0.01)
    smoke = bit(0.5)
    tub = bit(0.05 if asia else 0.01)
    lung = bit(0.1 if smoke else 0.01)
    bronc = bit(0.6 if smoke else 0.3)
    either = tub | lung
    xray = bit(0.98 if either else 0.05)
    dysp = bit({(1, 1): 0.9, (1, 0): 0.7, (0, 1): 0.8, (0, 0): 0.1}[(either, bronc)])
    return [asia, smoke, tub, lung, bronc, either, xray, dysp]


def main():
    args = sys.argv[1:]
    csv = "--csv" in args
    args = [a for a in args if a != "--csv"]
    records = int(args[0]) if len(args) > 0 else 2000
    seed = int(args[1]) if len(args) > 1 else 20240601
    gen = random.Random(seed)
    out = sys.stdout
    if csv:
        out.write(",".join(LABELS) + "\n")
        for _ in range(records):
            out.write(",".join(("no", "yes")[v] for v in sample(gen)) + "\n")
        return
    out.write("%d %d -1 0 -1\n" % (records, len(LABELS)))
    out.write(" ".join(LABELS) + "\n")
    for _ in range(records):
        out.write(" ".join(str(v) for v in sample(gen)) + "\n")


if __name__ == "__main__":
    main()
