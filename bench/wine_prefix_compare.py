#!/usr/bin/env python3
"""A Wine prefix whose system.reg is 20 MB: reading one value and writing one value with
vantrel-reg, against Wine's own reg on the same prefix in the same run.

    python3 bench/wine_prefix_compare.py [BUILD_DIR] [--size MB] [--runs N]

The prefix is made by wineboot (tests/make_wine_prefix.sh), then its system.reg grows to the
size asked by copies of its own keys under HKLM\\Software\\BulkNNN. Each side starts cold:
our tool reads the files at every start, and Wine's server loads them at its start and
writes system.reg whole when it ends (wineserver -k, then -w), which a write needs before
another program sees it. Wine's times include starting Wine itself, so the same commands run
on the small prefix as it came from wineboot too, and the difference is what the large file
costs Wine. Wine's server runs in the foreground as the script's child, so that its CPU time
is counted with its reg's. Times are medians of wall-clock seconds, with the processes' CPU
seconds (user and system) beside them, since a busy machine stretches the wall clock.

Two figures are ours: the whole vantrel-reg process (start, open, the one value, exit), and
the open with the one value alone, inside one process (bench/wine_prefix_bench).
"""
import json
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"


def grow(system_reg, megabytes):
    """Appends copies of the file's keys below Software\\BulkNNN until it is large enough."""
    with open(system_reg, "rb") as f:
        text = f.read()
    first = text.index(b"\n[") + 1
    body = text[first:]
    parts, size, copy = [text], len(text), 0
    while size < megabytes * 1024 * 1024:
        copy += 1
        prefix = b"[Software\\\\Bulk%03d\\\\" % copy
        grown = b"\n" + prefix + body[1:].replace(b"\n[", b"\n" + prefix)
        parts.append(grown)
        size += len(grown)
    with open(system_reg, "wb") as f:
        f.write(b"".join(parts))
    return size


def timed(command, env):
    """Wall seconds and CPU seconds (user + system of the children) of one command."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, env=env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, shell=isinstance(command, str))
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def median_of(runs, action):
    walls, cpus = [], []
    for _ in range(runs):
        wall, cpu = action()
        walls.append(wall)
        cpus.append(cpu)
    return statistics.median(walls), statistics.median(cpus)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--size", type=int, default=20)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    tool = os.path.join(args.build, "tools", "vantrel-reg")
    in_process = os.path.join(args.build, "bench", "wine_prefix_bench")
    if not os.path.exists(tool):
        sys.exit(f"{tool} is missing: build the native preset first")
    if not shutil.which("wine"):
        sys.exit("wine is missing: scripts/debian-deps.sh installs it")

    work = tempfile.mkdtemp(prefix="vantrel-wine-bench-")
    small, large = os.path.join(work, "small"), os.path.join(work, "large")
    subprocess.run(["sh", os.path.join(ROOT, "tests", "make_wine_prefix.sh"), small], check=True)
    shutil.copytree(small, large, symlinks=True)
    size = grow(os.path.join(large, "system.reg"), args.size)
    print(f"system.reg: {size / 1e6:.1f} MB ({os.path.getsize(os.path.join(small, 'system.reg')) / 1e6:.1f} MB "
          f"as wineboot made it), {args.runs} runs each, medians")

    def env_of(prefix):
        env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        return env

    def ours_read():
        return timed([tool, "--registry", large, "query", KEY, "/v", "ProductName"], os.environ)

    def ours_write():
        return timed([tool, "--registry", large, "add", KEY, "/v", "RegisteredOwner", "/d",
                      "Bench", "/f"], os.environ)

    def wine_timed(prefix, reg_arguments):
        """Wine's reg with its own server as our child, so that the server's CPU is counted:
        the server loads the files at its start and saves them when told to end."""
        env = env_of(prefix)

        def run():
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            server = subprocess.Popen(["wineserver", "-f", "-p0"], env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wine", "reg"] + reg_arguments, env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
            server.wait()
            wall = time.perf_counter() - start
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        return run

    def wine_read(prefix):
        return wine_timed(prefix, ["query", KEY, "/v", "ProductName"])

    def wine_write(prefix):
        return wine_timed(prefix, ["add", KEY, "/v", "RegisteredOwner", "/d", "Bench", "/f"])

    rows = [
        ("read one value", median_of(args.runs, ours_read), median_of(args.runs, wine_read(large)),
         median_of(args.runs, wine_read(small))),
        ("write one value", median_of(args.runs, ours_write), median_of(args.runs, wine_write(large)),
         median_of(args.runs, wine_write(small))),
    ]
    print(f"{'':18}{'vantrel-reg':>21}{'Wine, large':>21}{'Wine, small':>21}"
          f"{'Wine: the file':>18}{'ratio':>8}")
    for name, ours, wine, base in rows:
        file_cost = wine[1] - base[1]
        ratio = file_cost / ours[1] if ours[1] else float("nan")
        print(f"{name:18}" + "".join(f"{w:9.3f} s {c:5.2f} cpu" for w, c in (ours, wine, base)) +
              f"{file_cost:12.3f} s cpu{ratio:7.1f}x")
    print("Wine: the file: the CPU seconds the large file adds to Wine's (its server's and its")
    print("reg's) over the small prefix; ratio: that over vantrel-reg's whole CPU seconds")
    print("vantrel-reg: the whole process, from its start to its exit")
    if os.path.exists(in_process):
        report = json.loads(subprocess.run(
            [in_process, "--prefix", large, "--benchmark_format=json",
             f"--benchmark_repetitions={args.runs}", "--benchmark_report_aggregates_only=true"],
            check=True, capture_output=True, text=True).stdout)
        print("in-process, the open and the one value alone (wine_prefix_bench, medians):")
        for entry in report["benchmarks"]:
            if entry["name"].endswith("_median"):
                print(f"  {entry['name'][:-len('_median')]:22}{entry['real_time'] / 1000:9.3f} s"
                      f"{entry['cpu_time'] / 1000:6.2f} cpu")
    print("load average while it ran: " + " ".join(f"{x:.2f}" for x in os.getloadavg()))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
