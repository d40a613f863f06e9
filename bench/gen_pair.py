#!/usr/bin/env python3
"""Writes a seeded, realistic pair of input files for setsieve.

Lines of 20-100 bytes: log entries, identifiers, paths and word runs. About
half of file1's lines appear in file2 (some in another case), a few lines
repeat, about 2% are blank. file1 ends its lines with CR LF, file2 with LF.

usage: gen_pair.py LINES SEED FILE1 FILE2 [--same]
  --same  every line of both files is the same line
"""
import random
import sys

WORDS = ("alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo "
         "lima mike november oscar papa quebec romeo sierra tango uniform "
         "victor whiskey xray yankee zulu request response cache server "
         "client worker queue index table column user group session token "
         "error warning notice debug info build deploy release").split()
LEVELS = ("INFO", "WARN", "ERROR", "DEBUG")
DIRS = ("usr", "lib", "share", "local", "etc", "var", "opt", "src", "include",
        "home", "data", "logs", "bin", "tmp", "cache")


def line(rng):
    kind = rng.random()
    if kind < 0.4:
        return "2026-%02d-%02d %02d:%02d:%02d.%03d %s %s: %s id=%08x" % (
            rng.randint(1, 12), rng.randint(1, 28), rng.randint(0, 23),
            rng.randint(0, 59), rng.randint(0, 59), rng.randint(0, 999),
            rng.choice(LEVELS), rng.choice(WORDS),
            " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 5))),
            rng.getrandbits(32))
    if kind < 0.6:
        return "%s_%s_%06d" % (rng.choice(WORDS).upper(), rng.choice(WORDS),
                               rng.randint(0, 999999))
    if kind < 0.85:
        parts = [rng.choice(DIRS) for _ in range(rng.randint(2, 7))]
        return "/" + "/".join(parts) + "/%s-%d.%s" % (
            rng.choice(WORDS), rng.randint(0, 99999),
            rng.choice(("so", "h", "c", "txt", "conf", "log")))
    words = [rng.choice(WORDS) for _ in range(rng.randint(3, 12))]
    return " ".join(words)[:100].ljust(20, ".")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    n, seed, path1, path2 = int(args[0]), int(args[1]), args[2], args[3]
    rng = random.Random(seed)
    if "--same" in sys.argv:
        one = line(rng)
        lines1 = [one] * n
        lines2 = [one] * n
    else:
        lines1 = [line(rng) for _ in range(n)]
        lines2 = []
        for text in lines1:
            if rng.random() < 0.5:
                r = rng.random()
                lines2.append(text.upper() if r < 0.1 else
                              text.lower() if r < 0.15 else text)
        while len(lines2) < n:
            lines2.append(line(rng))
        for lines in (lines1, lines2):
            for _ in range(n // 100):  # a few duplicates
                lines[rng.randrange(n)] = lines[rng.randrange(n)]
            for _ in range(n // 50):  # about 2% blank
                lines[rng.randrange(n)] = rng.choice(("", " ", "\t"))
        rng.shuffle(lines2)
    with open(path1, "w", newline="") as f:
        f.write("\r\n".join(lines1) + "\r\n")
    with open(path2, "w", newline="") as f:
        f.write("\n".join(lines2) + "\n")


if __name__ == "__main__":
    main()
