#!/usr/bin/env python3
"""Counts the system calls one look-up costs the add-on and the floor program under Wine.

Runs `lookup_bench --count N` and `--count M` under `strace -f`, each starting the add-on and the
floor program (bench/floor_lookup_win.cpp) and having each look up N (or M) times. The calls
of each program's process, all its threads included, are counted in both runs; the difference
divided by M - N is the count per look-up, with start-up and exit cancelled out. In both runs
the programs are then left waiting for IDLE seconds, which the bench marks in the trace: the
calls each program makes in that time, per second, show what it does while nothing is asked of
it (a program that wakes to poll shows there). Several repeats show the spread. Most calls of a
program under Wine are round trips to the Wine server.

Expects the Wine environment of scripts/wine-env.sh, started (scripts/bench.sh --syscalls does
that). Prints figures and judges none of them.

Usage: count_syscalls.py [--quick] [--repeats R] [--lookups N M] [--idle SECONDS] [--kinds]
                         [--keep DIR] [--bench EXE]   (another build's bench, with its program
                                                       beside it)
       count_syscalls.py --parse TRACE [--kinds]   (counts of a trace already made)
"""
import argparse
import collections
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH = os.path.join(ROOT, "build", "win64", "bin", "lookup_bench.exe")
# Wine names each process's main thread after its exe; the kernel keeps 15 characters.
PROGRAMS = {"add-on": "QuendixInternetLookup.exe"[:15], "floor": "bench_floor_lookup.exe"[:15]}

LINE = re.compile(r"^(\d+) +(.*)$")
CALL = re.compile(r"^([a-z_0-9]+)\(")
RESUMED = re.compile(r"^<\.\.\. ([a-z_0-9]+) resumed>")
RESULT = re.compile(r"= (-?\d+)(?: [A-Z]|$| \()")
NAME = re.compile(r'prctl\(PR_SET_NAME, "([^"]*)"')
# The bench looks up these files, which do not exist, around the idle time.
IDLE_BEGIN, IDLE_END = "lookup-bench-idle-begin", "lookup-bench-idle-end"
SPAWNS = ("clone", "clone3", "fork", "vfork")


class Trace:
    """Calls per thread, and which threads make up which process, from one `strace -f` file."""

    def __init__(self):
        self.calls = collections.Counter()  # tid -> calls
        self.kinds = collections.defaultdict(collections.Counter)  # tid -> name -> calls
        self.leader = {}  # tid -> the thread that started its process
        self.names = {}  # tid -> name given by prctl(PR_SET_NAME)
        self.pending = {}  # tid -> the unfinished line of a clone, fork or vfork
        self.idle = collections.Counter()  # tid -> calls between the idle marks
        self.in_idle = False

    def feed(self, line):
        m = LINE.match(line)
        if not m:
            return
        tid, rest = int(m.group(1)), m.group(2)
        if rest.startswith("---") or rest.startswith("+++"):
            return  # a signal or an exit, not a call
        resumed = RESUMED.match(rest)
        if resumed:
            if resumed.group(1) in SPAWNS and tid in self.pending:
                self.spawned(tid, self.pending.pop(tid) + rest)
            return  # counted where it began
        call = CALL.match(rest)
        if not call:
            return
        name = call.group(1)
        if IDLE_BEGIN in rest:
            self.in_idle = True
        elif IDLE_END in rest:
            self.in_idle = False
        self.calls[tid] += 1
        self.idle[tid] += self.in_idle
        self.kinds[tid][name] += 1
        if name in SPAWNS:
            if rest.endswith("<unfinished ...>"):
                self.pending[tid] = rest
            else:
                self.spawned(tid, rest)
        elif name == "prctl":
            n = NAME.search(rest)
            if n and tid not in self.names:
                self.names[tid] = n.group(1)

    def spawned(self, tid, text):
        r = RESULT.match(text.rsplit(" = ", 1)[-1].join(("= ", "")))
        if " = " not in text or not r or int(r.group(1)) <= 0:
            return
        child = int(r.group(1))
        # A thread shares its parent's process; anything else starts a process of its own.
        self.leader[child] = tid if "CLONE_THREAD" in text else child

    def process_of(self, tid):
        seen = set()
        while tid in self.leader and self.leader[tid] != tid and tid not in seen:
            seen.add(tid)
            tid = self.leader[tid]
        return tid

    def processes(self):
        """name -> list of (calls, threads, kinds, idle calls) of each process of that name."""
        members = collections.defaultdict(list)
        for tid in set(self.calls) | set(self.leader):
            members[self.process_of(tid)].append(tid)
        result = collections.defaultdict(list)
        for leader, tids in members.items():
            name = self.names.get(leader)
            if name is None:
                named = [self.names[t] for t in sorted(tids) if t in self.names]
                name = named[0] if named else "?"
            kinds = collections.Counter()
            for t in tids:
                kinds.update(self.kinds[t])
            result[name].append((sum(self.calls[t] for t in tids), len(tids), kinds,
                                 sum(self.idle[t] for t in tids)))
        return result


def parse(path):
    trace = Trace()
    with open(path, errors="replace") as f:
        for line in f:
            trace.feed(line.rstrip("\n"))
    return trace.processes()


def program_counts(path):
    """(calls, threads, kinds, idle calls) of the add-on and of the floor program in a trace."""
    processes = parse(path)
    found = {}
    for label, name in PROGRAMS.items():
        runs = processes.get(name, [])
        if len(runs) != 1:
            sys.exit(f"count_syscalls: {path}: {len(runs)} processes named {name!r}, not one")
        found[label] = runs[0]
    return found


def run_bench(bench, lookups, idle_ms, trace):
    command = ["strace", "-f", "-qq", "-s", "16", "-o", trace, "wine", bench, "--count",
               str(lookups), "--idle", str(idle_ms)]
    done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=900)
    if done.returncode != 0:
        sys.exit(f"count_syscalls: the bench failed ({done.returncode}):\n{done.stdout}")


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def print_kinds(few, many, span):
    """Calls per look-up of each kind, the add-on beside the floor program."""
    per = {}
    for label in PROGRAMS:
        per[label] = {k: (many[label][2][k] - few[label][2][k]) / span
                      for k in set(many[label][2]) | set(few[label][2])}
    kinds = sorted(set(per["add-on"]) | set(per["floor"]),
                   key=lambda k: -abs(per["add-on"].get(k, 0)) - abs(per["floor"].get(k, 0)))
    print("    per look-up, by kind       add-on    floor")
    for k in kinds:
        a, f = per["add-on"].get(k, 0), per["floor"].get(k, 0)
        if abs(a) >= 0.05 or abs(f) >= 0.05:
            print(f"    {k:<24} {a:8.1f} {f:8.1f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="few look-ups, one repeat")
    parser.add_argument("--repeats", type=int)
    parser.add_argument("--lookups", type=int, nargs=2, metavar=("N", "M"))
    parser.add_argument("--idle", type=float, metavar="SECONDS",
                        help="how long the programs wait after their look-ups in each run, "
                        "counted apart (0: not at all)")
    parser.add_argument("--kinds", action="store_true", help="calls per look-up by kind")
    parser.add_argument("--keep", metavar="DIR", help="keep the traces in DIR")
    parser.add_argument("--parse", metavar="TRACE", help="only count the processes of TRACE")
    parser.add_argument("--bench", default=BENCH, help="lookup_bench.exe to run (%(default)s)")
    args = parser.parse_args()

    if args.parse:
        for name, runs in sorted(parse(args.parse).items()):
            for calls, threads, kinds, _ in runs:
                print(f"{name:<16} {calls:8d} calls  {threads:3d} threads")
                if args.kinds:
                    for k, n in kinds.most_common():
                        print(f"    {k:<24} {n:8d}")
        return

    few, many = args.lookups or ((2, 6) if args.quick else (20, 120))
    repeats = args.repeats or (1 if args.quick else 3)
    idle = args.idle if args.idle is not None else (1.0 if args.quick else 5.0)
    if idle < 0:
        sys.exit("count_syscalls: the idle time cannot be negative")
    if not 1 <= few < many:
        sys.exit("count_syscalls: need 1 <= N < M (the first look-up of a process costs more)")
    if not shutil.which("strace"):
        sys.exit("count_syscalls: strace is missing (scripts/install-deps.sh installs it)")
    folder = args.keep or tempfile.mkdtemp(prefix="count-syscalls-")
    os.makedirs(folder, exist_ok=True)
    span = many - few
    print(f"System calls per look-up under strace -f: ({many} look-ups - {few}) / {span}, "
          f"each program's process with all its threads, {repeats} repeat(s)"
          + (f"; then {idle:g} s idle in each run" if idle > 0 else ""))
    results = {label: [] for label in PROGRAMS}
    idle_rates = {label: [] for label in PROGRAMS}
    try:
        for r in range(1, repeats + 1):
            before = load()
            counts = {}
            for key, n in (("few", few), ("many", many)):
                trace = os.path.join(folder, f"run{r}-{key}.trace")
                run_bench(args.bench, n, round(idle * 1000), trace)
                counts[key] = program_counts(trace)
                if not args.keep:
                    os.remove(trace)
            line = []
            for label in PROGRAMS:
                per = (counts["many"][label][0] - counts["few"][label][0]) / span
                results[label].append(per)
                threads = counts["many"][label][1]
                line.append(f"{label} {per:7.1f} ({threads} threads)")
                if idle > 0:
                    rates = [counts[key][label][3] / idle for key in ("few", "many")]
                    idle_rates[label] += rates
                    line[-1] += ", idle " + " and ".join(f"{x:.1f}" for x in rates) + "/s"
            ratio = results["add-on"][-1] / results["floor"][-1]
            print(f"  repeat {r}: {'   '.join(line)}   ratio {ratio:.2f}   "
                  f"load {before} .. {load()}")
            if args.kinds:
                print_kinds(counts["few"], counts["many"], span)
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)
    a, f = results["add-on"], results["floor"]
    print(f"  per look-up: add-on median {statistics.median(a):.1f} "
          f"(range {min(a):.1f} .. {max(a):.1f}), floor median {statistics.median(f):.1f} "
          f"(range {min(f):.1f} .. {max(f):.1f}), ratio of medians "
          f"{statistics.median(a) / statistics.median(f):.2f}")
    if idle > 0:
        ia, fa = idle_rates["add-on"], idle_rates["floor"]
        print(f"  idle, per second: add-on median {statistics.median(ia):.1f} "
              f"(range {min(ia):.1f} .. {max(ia):.1f}), floor median {statistics.median(fa):.1f} "
              f"(range {min(fa):.1f} .. {max(fa):.1f})")


if __name__ == "__main__":
    main()
