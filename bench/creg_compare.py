#!/usr/bin/env python3
"""Opening a 2 MB Windows 98 SYSTEM.DAT and reading the four registration values: ours beside
Debian's cregexport (libcreg-utils), a reader of the format written apart from ours, on the
same files in the same run.

Makes one installation (creg_bench --make), then:
- ours in-process: creg_bench's OpenAndReadRegistration (open the installation, read the
  four values), median of its repetitions;
- process to process, by turns, ROUNDS times each: `vantrel-reg --registry DIR query KEY`
  against `cregexport -K KEY SYSTEM.DAT`, which both open the file, find the key and print
  its values; the medians and their ratio (cregexport / ours);
- the system calls of one more run of each under strace -c, when strace is installed.
Run from the project root after building the native preset:

    python3 bench/creg_compare.py build/native [--rounds 20]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import tempfile
import time

KEY = "Software\\Microsoft\\Windows\\CurrentVersion"


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def syscalls(command):
    if not shutil.which("strace"):
        return None
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as out:
        subprocess.run(["strace", "-f", "-c", "-o", out.name] + command, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for line in out.read().splitlines():
            # % time, seconds, usecs/call, calls, [errors,] total
            if line.strip().endswith("total"):
                return int(line.split()[3])
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=20)
    args = parser.parse_args()
    bench = os.path.join(args.build, "bench", "creg_bench")
    tool = os.path.join(args.build, "tools", "vantrel-reg")
    with tempfile.TemporaryDirectory() as folder:
        windows = os.path.join(folder, "WINDOWS")
        size = int(subprocess.run([bench, "--make", windows], check=True, capture_output=True,
                                  text=True).stdout)
        system = os.path.join(windows, "SYSTEM.DAT")
        print(f"SYSTEM.DAT: {size:,} bytes")

        report = json.loads(subprocess.run(
            [bench, "--benchmark_format=json", "--benchmark_repetitions=5",
             "--benchmark_report_aggregates_only=true"],
            check=True, capture_output=True, text=True).stdout)
        median = next(b for b in report["benchmarks"] if b["name"].endswith("_median"))
        print(f"ours in-process, open and read the four values: {median['real_time']:.2f} ms "
              "(median of 5 repetitions)")

        ours_command = [tool, "--registry", windows, "query", "HKLM\\" + KEY]
        theirs_command = ["cregexport", "-K", KEY, system]
        ours, theirs = [], []
        for _ in range(args.rounds):
            ours.append(timed(ours_command))
            theirs.append(timed(theirs_command))
        ours_ms, theirs_ms = statistics.median(ours), statistics.median(theirs)
        print(f"process, open the file and list the key ({args.rounds} rounds, by turns):")
        print(f"  vantrel-reg query : {ours_ms:8.2f} ms")
        print(f"  cregexport -K     : {theirs_ms:8.2f} ms")
        print(f"  ratio cregexport / ours: {theirs_ms / ours_ms:.2f}")
        ours_calls, theirs_calls = syscalls(ours_command), syscalls(theirs_command)
        if ours_calls is not None:
            print(f"system calls: vantrel-reg {ours_calls}, cregexport {theirs_calls}")


if __name__ == "__main__":
    main()
