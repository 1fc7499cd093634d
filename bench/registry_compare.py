#!/usr/bin/env python3
"""Times the control's call sequences on our store and on Wine's advapi32, alternately.

Runs build/native/bench/registry_sequences and, under scripts/with-wine,
build/windows/bench/registry_sequences.exe by turns, and prints the median time of
each sequence on both and their ratio (Wine / ours). Run it from the project root after
building the native and windows presets:

    scripts/with-wine python3 bench/registry_compare.py [--rounds 5]
"""
import argparse
import statistics
import subprocess


def run(command):
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    return {name: float(value) for name, value in (line.split() for line in out.splitlines())}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--reads", type=int, default=20000)
    parser.add_argument("--writes", type=int, default=5000)
    args = parser.parse_args()
    counts = [str(args.reads), str(args.writes)]
    ours, wine = [], []
    for _ in range(args.rounds):
        ours.append(run(["build/native/bench/registry_sequences", *counts]))
        wine.append(run(["wine", "build/windows/bench/registry_sequences.exe", *counts]))
    print(f"{'sequence':<12}{'Wine advapi32 (us)':>20}{'our store (us)':>16}{'ratio':>8}")
    for name in ours[0]:
        a = statistics.median(r[name] for r in wine)
        b = statistics.median(r[name] for r in ours)
        print(f"{name:<12}{a:>20.2f}{b:>16.2f}{a / b:>7.1f}x")


if __name__ == "__main__":
    main()
