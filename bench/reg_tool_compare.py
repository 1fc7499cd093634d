#!/usr/bin/env python3
"""Times vantrel-reg against Wine's reg.exe on one large .reg file, side by side.

Writes a version-5 file of KEYS keys of VALUES values each (1,000 x 100 by default:
strings, dwords and binary data in turn), then for our tool (natively, on a fresh store)
and for Wine's reg (in the Wine prefix of scripts/with-wine) times, by turns:
import of the file, export of the tree, and query /s of the tree. Prints the median of
each and the ratio (Wine / ours), the median peak memory of each process (for Wine that of
reg's own process, without wineserver), then the system calls of one more run of each under
strace -c, per value of the tree (for Wine those of reg's own process tree: wineserver,
which does much of Wine's registry work, is not counted). Run from the project root after
building the native preset:

    scripts/with-wine python3 bench/reg_tool_compare.py [--rounds 3]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = "HKEY_CURRENT_USER\\Software\\VantrelToolBench"


def write_reg(path, keys, values):
    lines = ["Windows Registry Editor Version 5.00", ""]
    for k in range(keys):
        lines.append(f"[{ROOT}\\Key{k:04d}]")
        for v in range(values):
            kind = v % 3
            if kind == 0:
                lines.append(f'"Text{v:03d}"="value {k} {v} of the generated tree"')
            elif kind == 1:
                lines.append(f'"Number{v:03d}"=dword:{(k * values + v):08x}')
            else:
                lines.append(f'"Bytes{v:03d}"=hex:' + ",".join(f"{(k + v + i) % 256:02x}" for i in range(24)))
        lines.append("")
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))


def timed(command, env=None):
    """Seconds a command takes, and its peak resident memory in MiB. GNU time starts it and
    reads its peak: a process this script forked itself would count the script's own memory,
    which the child holds until it runs the command."""
    with tempfile.NamedTemporaryFile(suffix=".rss") as peak:
        start = time.perf_counter()
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name, *command], check=True, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        return elapsed, int(open(peak.name).read().split()[-1]) / 1024


def system_calls(command, env=None):
    """How many system calls a command makes, under strace -f -c."""
    with tempfile.NamedTemporaryFile(suffix=".strace") as out:
        subprocess.run(["strace", "-f", "-c", "-o", out.name, *command], check=True, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(out.name) as report:
            for line in report:
                parts = line.split()
                if parts and parts[-1] == "total":
                    return int(parts[3 if len(parts) >= 5 else 2])
    raise RuntimeError("strace wrote no total")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--keys", type=int, default=1000)
    parser.add_argument("--values", type=int, default=100)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--tool", default="build/native/tools/vantrel-reg")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="vantrel-toolbench-") as folder:
        source = os.path.join(folder, "tree.reg")
        write_reg(source, args.keys, args.values)
        print(f"{args.keys} keys x {args.values} values, {os.path.getsize(source) / 1e6:.1f} MB;"
              f" load average at start {os.getloadavg()[0]:.2f}")
        env = dict(os.environ, VANTREL_REGISTRY=os.path.join(folder, "registry.db"))
        wine_out = "Z:" + os.path.join(folder, "wine-out.reg").replace("/", "\\")
        wine_source = "Z:" + source.replace("/", "\\")
        ours_out = os.path.join(folder, "ours-out.reg")
        times = {name: ([], []) for name in ("import", "export", "query /s")}
        for _ in range(args.rounds):
            for store in ("registry.db", "registry.db-wal", "registry.db-shm"):
                if os.path.exists(os.path.join(folder, store)):
                    os.remove(os.path.join(folder, store))
            subprocess.run(["wine", "reg", "delete", ROOT, "/f"], capture_output=True)
            times["import"][0].append(timed(["wine", "reg", "import", wine_source]))
            times["import"][1].append(timed([args.tool, "import", source], env))
            times["export"][0].append(timed(["wine", "reg", "export", ROOT, wine_out, "/y"]))
            times["export"][1].append(timed([args.tool, "export", ROOT, ours_out, "/y"], env))
            times["query /s"][0].append(timed(["wine", "reg", "query", ROOT, "/s"]))
            times["query /s"][1].append(timed([args.tool, "query", ROOT, "/s"], env))
        calls = {}
        if shutil.which("strace"):
            values = args.keys * args.values
            # The import is counted into an empty store and an empty tree, as it is timed.
            for store in ("registry.db", "registry.db-wal", "registry.db-shm"):
                if os.path.exists(os.path.join(folder, store)):
                    os.remove(os.path.join(folder, store))
            subprocess.run(["wine", "reg", "delete", ROOT, "/f"], capture_output=True)
            for name, wine_command, ours_command in (
                    ("import", ["wine", "reg", "import", wine_source], [args.tool, "import", source]),
                    ("export", ["wine", "reg", "export", ROOT, wine_out, "/y"],
                     [args.tool, "export", ROOT, ours_out, "/y"]),
                    ("query /s", ["wine", "reg", "query", ROOT, "/s"], [args.tool, "query", ROOT, "/s"])):
                calls[name] = (system_calls(wine_command) / values,
                               system_calls(ours_command, env) / values)
        print(f"{'work':<10}{'Wine reg (s)':>14}{'vantrel-reg (s)':>17}{'ratio':>8}"
              f"{'peak MiB Wine':>15}{'ours':>8}"
              + (f"{'calls/value Wine':>18}{'ours':>8}" if calls else ""))
        for name, (wine, ours) in times.items():
            a, b = (statistics.median(t for t, _ in runs) for runs in (wine, ours))
            m, n = (statistics.median(rss for _, rss in runs) for runs in (wine, ours))
            line = f"{name:<10}{a:>14.3f}{b:>17.3f}{a / b:>7.1f}x{m:>15.1f}{n:>8.1f}"
            if name in calls:
                line += f"{calls[name][0]:>18.3f}{calls[name][1]:>8.3f}"
            print(line)
        print(f"load average at the end {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
