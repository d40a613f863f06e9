#!/usr/bin/env python3
"""Benchmark of setsieve against what a user would write instead.

Generates seeded input pairs (cached in the data folder), checks that the
awk and Python peers write the same report bodies as setsieve, then prints
medians, ratios, the growth from N to 2N lines, peak memory, and the report
rate on a pair whose lines all match each other.

usage: bench/run.py --bin build/setsieve [--data DIR] [--lines N] [--runs K]
                    [--quick]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def pair(data, n, seed, same=False):
    tag = "same" if same else "pair"
    f1 = os.path.join(data, "%s-%d-%d-1.txt" % (tag, n, seed))
    f2 = os.path.join(data, "%s-%d-%d-2.txt" % (tag, n, seed))
    if not (os.path.exists(f1) and os.path.exists(f2)):
        cmd = [sys.executable, os.path.join(HERE, "gen_pair.py"), str(n),
               str(seed), f1, f2] + (["--same"] if same else [])
        subprocess.run(cmd, check=True)
    return f1, f2


GNU_TIME = "/usr/bin/time"


def run(cmd, cwd, env=None, shell=False):
    """Runs cmd once; gives (seconds, peak resident KiB or 0 if unknown).

    The peak comes from GNU time, which starts the program from a small
    process of its own; a child forked from this Python process would count
    Python's memory in its peak."""
    rss_file = os.path.join(cwd, ".rss")
    if shell:
        cmd = ["sh", "-c", cmd]
    if os.path.exists(GNU_TIME):
        cmd = [GNU_TIME, "-f", "%M", "-o", rss_file] + cmd
    start = time.perf_counter()
    proc = subprocess.run(cmd, cwd=cwd, env=env, stdout=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    if proc.returncode != 0:
        raise SystemExit("failed: %s" % cmd)
    rss = 0
    if os.path.exists(rss_file):
        with open(rss_file) as f:
            rss = int(f.read().split()[-1])
        os.remove(rss_file)
    return seconds, rss


def median_run(cmd, cwd, runs, env=None, shell=False):
    results = [run(cmd, cwd, env, shell) for _ in range(runs)]
    return (statistics.median(r[0] for r in results),
            max(r[1] for r in results))


def bodies(folder, with_headers):
    """The three report bodies of a folder, headers cut off if present."""
    out = {}
    for name, header_lines in (("unique1", 2), ("unique2", 2), ("common", 4)):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        if with_headers:
            for _ in range(header_lines):
                data = data[data.index(b"\n") + 1:]
        out[name] = data
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--data", default=os.path.join(tempfile.gettempdir(),
                                                   "setsieve-bench"))
    ap.add_argument("--lines", type=int, default=1000000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--quick", action="store_true",
                    help="small sizes, to check that the benchmark works")
    args = ap.parse_args()
    binary = os.path.abspath(args.bin)
    os.makedirs(args.data, exist_ok=True)
    n = 20000 if args.quick else args.lines
    runs = 2 if args.quick else args.runs
    work = tempfile.mkdtemp(prefix="setsieve-bench-")
    env_c = dict(os.environ, LC_ALL="C")

    f1, f2 = pair(args.data, n, 1)
    mb = (os.path.getsize(f1) + os.path.getsize(f2)) / 1e6
    print("input: 2 files of %d lines, %.1f MB together" % (n, mb))

    peers = [("setsieve", [binary, f1, f2], None)]
    for awk in ("mawk", "gawk"):
        if shutil.which(awk):
            peers.append(("%s hash" % awk,
                          [awk, "-f", os.path.join(HERE, "peer.awk"), f2, f1],
                          env_c))
    peers.append(("python dict",
                  [sys.executable, os.path.join(HERE, "peer.py"), f1, f2],
                  None))

    # Same reports first: every peer must write setsieve's bodies.
    reference = None
    for name, cmd, env in peers:
        folder = os.path.join(work, name.replace(" ", "-"))
        os.makedirs(folder)
        run(cmd, folder, env)
        got = bodies(folder, name == "setsieve")
        if reference is None:
            reference = got
        elif got != reference:
            raise SystemExit("%s writes other reports than setsieve" % name)
    print("reports: every peer's bodies equal setsieve's\n")

    timings = {}
    for name, cmd, env in peers:
        folder = os.path.join(work, name.replace(" ", "-"))
        timings[name] = median_run(cmd, folder, runs, env)
    floors = {
        "cat both > /dev/null": "cat '%s' '%s' > /dev/null" % (f1, f2),
        "cat both > out": "cat '%s' '%s' > out" % (f1, f2),
        "cat both | cat > out": "cat '%s' '%s' | cat > out" % (f1, f2),
    }
    for name, cmd in floors.items():
        timings[name] = median_run(cmd, work, runs, shell=True)

    ours = timings["setsieve"][0]
    print("%-22s %10s %10s %12s" % ("program", "median s", "vs ours",
                                    "peak MiB"))
    for name, (secs, rss) in timings.items():
        print("%-22s %10.3f %9.2fx %12.1f" % (name, secs, secs / ours,
                                             rss / 1024))
    fastest_peer = min(v[0] for k, v in timings.items()
                       if k not in floors and k != "setsieve")
    print("\nsetsieve is %.1fx faster than the fastest peer" %
          (fastest_peer / ours))
    print("setsieve / floor 'cat both > out': %.1fx; / 'cat both | cat > "
          "out': %.1fx" % (ours / timings["cat both > out"][0],
                           ours / timings["cat both | cat > out"][0]))
    in_bytes = os.path.getsize(f1) + os.path.getsize(f2)
    limit = 2 * in_bytes + 64 * 2 * n
    print("peak memory %.1f MiB; limit 2 x input + 64 B/line = %.1f MiB" %
          (timings["setsieve"][1] / 1024, limit / 2**20))

    print("\ngrowth, time at 2N over time at N:")
    sizes = [2000, 4000] if args.quick else [100000, 250000, 500000, 1000000]
    cache = {}

    def timed(lines):
        if lines not in cache:
            a, b = pair(args.data, lines, 1)
            cache[lines] = median_run([binary, a, b], work, runs)[0]
        return cache[lines]
    for lines in sizes:
        t1, t2 = timed(lines), timed(2 * lines)
        print("  N=%8d: %.3f s, 2N: %.3f s, ratio %.2f" % (lines, t1, t2,
                                                         t2 / t1))

    same_n = 300 if args.quick else 3000
    s1, s2 = pair(args.data, same_n, 7, same=True)
    secs = median_run([binary, s1, s2], work, runs)[0]
    report = os.path.getsize(os.path.join(work, "common"))
    print("\nall %d lines alike in both files: %.1f MB of report in %.3f s, "
          "%.0f MB/s" % (same_n, report / 1e6, secs, report / 1e6 / secs))
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
