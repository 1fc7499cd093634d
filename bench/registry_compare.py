#!/usr/bin/env python3
"""Times the control's call sequences on our store and on Wine's advapi32, alternately.

Runs build/native/bench/registry_sequences and, under scripts/with-wine,
build/windows/bench/registry_sequences.exe by turns, and prints the median time of
each sequence on both and their ratio (Wine / ours). Beside them it prints what one
sequence costs in system calls, counted under strace -c (for Wine those of the program's
own process tree: wineserver, which does much of Wine's registry work, is not counted),
and in instructions on our side, counted under callgrind. Both are the difference
between a run of 2N sequences and one of N, so that start-up cancels out. Run it from
the project root after building the native and windows presets:

    scripts/with-wine python3 bench/registry_compare.py [--rounds 5] [--no-counts]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile

OURS = ["build/native/bench/registry_sequences"]
WINE = ["wine", "build/windows/bench/registry_sequences.exe"]
SEQUENCES = ("QueryValue", "SetValue")


def run(command):
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    return {name: float(value) for name, value in (line.split() for line in out.splitlines())}


def counts_for(sequence, times):
    """The program's arguments that run `times` of one sequence and none of the other."""
    return [str(times), "0"] if sequence == "QueryValue" else ["0", str(times)]


def system_calls(command):
    """The calls of each kind a command makes, under strace -f -c."""
    with tempfile.NamedTemporaryFile(suffix=".strace") as out:
        subprocess.run(["strace", "-f", "-c", "-o", out.name, *command], capture_output=True,
                       check=True)
        calls = {}
        with open(out.name) as report:
            for line in report:
                parts = line.split()
                if len(parts) >= 5 and parts[0][0].isdigit() and parts[-1] != "total":
                    calls[parts[-1]] = int(parts[3])
        return calls


def calls_per_sequence(program, sequence, times):
    once = system_calls([*program, *counts_for(sequence, times)])
    twice = system_calls([*program, *counts_for(sequence, 2 * times)])
    return {name: (twice.get(name, 0) - once.get(name, 0)) / times
            for name in set(once) | set(twice)}


def instructions(command):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", *command],
                       capture_output=True, check=True)
        with open(out) as profile:
            for line in profile:
                if line.startswith(("summary:", "totals:")):
                    return int(line.split()[1])
    raise RuntimeError("callgrind wrote no total")


def instructions_per_sequence(sequence, times):
    once = instructions([*OURS, *counts_for(sequence, times)])
    twice = instructions([*OURS, *counts_for(sequence, 2 * times)])
    return (twice - once) / times


def shown(calls):
    total = sum(calls.values())
    kinds = ", ".join(f"{name} {count:.1f}" for name, count in
                      sorted(calls.items(), key=lambda item: -item[1]) if count >= 0.05)
    return f"{total + 0.0:5.1f}" + (f" ({kinds})" if kinds else "")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--reads", type=int, default=20000)
    parser.add_argument("--writes", type=int, default=5000)
    parser.add_argument("--no-counts", action="store_true",
                        help="time only: no strace or callgrind runs")
    args = parser.parse_args()
    counts = [str(args.reads), str(args.writes)]
    ours, wine = [], []
    for _ in range(args.rounds):
        ours.append(run([*OURS, *counts]))
        wine.append(run([*WINE, *counts]))
    print(f"{'sequence':<12}{'Wine advapi32 (us)':>20}{'our store (us)':>16}{'ratio':>8}")
    for name in ours[0]:
        a = statistics.median(r[name] for r in wine)
        b = statistics.median(r[name] for r in ours)
        print(f"{name:<12}{a:>20.2f}{b:>16.2f}{a / b:>7.1f}x")
    if args.no_counts:
        return
    times = {"QueryValue": 1000, "SetValue": 200}
    if shutil.which("strace"):
        print("\nsystem calls per sequence (strace -c)")
        for name in SEQUENCES:
            print(f"  {name:<11} ours {shown(calls_per_sequence(OURS, name, times[name]))}")
            print(f"  {'':<11} Wine {shown(calls_per_sequence(WINE, name, times[name]))}")
    if shutil.which("valgrind"):
        print("\ninstructions per sequence on our store (callgrind)")
        for name in SEQUENCES:
            print(f"  {name:<11} {instructions_per_sequence(name, times[name]):>12,.0f}")


if __name__ == "__main__":
    main()
