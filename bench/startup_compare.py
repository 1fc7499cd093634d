#!/usr/bin/env python3
"""Start-up time and peak memory of the program against a bare Qt window.

Each program is started RUNS times (alternating) on a fresh store, on each Qt platform in
turn: xcb, as a desktop shows it (on an Xvfb display of its own when no display is set),
and offscreen; it exits as soon as its window is on screen. The three programs use the
same platform plugin, and the window with text the program's own font. Prints the medians,
the ratios and the load average, which on a shared machine says how far to trust them.
Usage: bench/startup_compare.py BUILD_DIR [RUNS] [--platform xcb|offscreen]
"""
import argparse, os, shutil, statistics, subprocess, sys, tempfile, time

parser = argparse.ArgumentParser()
parser.add_argument("build")
parser.add_argument("runs", nargs="?", type=int, default=15)
parser.add_argument("--platform", action="append", choices=("xcb", "offscreen"))
args = parser.parse_args()
platforms = args.platform or ["xcb", "offscreen"]
if "xcb" in platforms and not os.environ.get("DISPLAY"):
    if not shutil.which("xvfb-run"):
        sys.exit("xcb needs a display: set DISPLAY, install xvfb, or pass --platform offscreen")
    sys.exit(subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable,
                             *sys.argv]).returncode)

programs = {"vantrel": f"{args.build}/bench/startup_vantrel",
            "bare Qt": f"{args.build}/bench/startup_bare_qt",
            "Qt label": f"{args.build}/bench/startup_qt_label"}

def run_once(path, env):
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        os.execve(path, [path], env)
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{path} failed with status {status}")
    return elapsed * 1000, usage.ru_maxrss / 1024

def measure(platform):
    with tempfile.TemporaryDirectory() as folder:
        os.makedirs(f"{folder}/runtime", mode=0o700)
        env = dict(os.environ, QT_QPA_PLATFORM=platform, VANTREL_REGISTRY=f"{folder}/registry.db",
                   XDG_RUNTIME_DIR=f"{folder}/runtime")
        for path in programs.values():  # warm the caches and create the store
            run_once(path, env)
        results = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, path in programs.items():
                results[name].append(run_once(path, env))
    return results

for platform in platforms:
    load = os.getloadavg()[0]
    results = measure(platform)
    print(f"platform {platform}, load average {load:.2f} before and {os.getloadavg()[0]:.2f} after")
    medians = {}
    for name, samples in results.items():
        times = [t for t, _ in samples]
        memory = [m for _, m in samples]
        medians[name] = (statistics.median(times), statistics.median(memory))
        print(f"  {name:8}  start-up median {medians[name][0]:7.1f} ms  (min {min(times):.1f}, max {max(times):.1f})"
              f"   peak memory median {medians[name][1]:6.1f} MiB")
    for peer, words in (("bare Qt", "the bare window   "), ("Qt label", "a window with text")):
        print(f"  ratio to {words}  start-up {medians['vantrel'][0] / medians[peer][0]:.2f}x"
              f"   peak memory {medians['vantrel'][1] / medians[peer][1]:.2f}x   ({args.runs} runs each)")
