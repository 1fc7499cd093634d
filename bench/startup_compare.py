#!/usr/bin/env python3
"""Start-up time and peak memory of the program against a bare Qt window.

Each program is started RUNS times (alternating) on the offscreen platform and on a
fresh store; it exits as soon as its window is on screen. Prints the medians and ratios.
Usage: bench/startup_compare.py BUILD_DIR [RUNS]
"""
import os, statistics, sys, tempfile, time

build = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
programs = {"vantrel": f"{build}/bench/startup_vantrel", "bare Qt": f"{build}/bench/startup_bare_qt",
            "Qt label": f"{build}/bench/startup_qt_label"}

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

with tempfile.TemporaryDirectory() as folder:
    os.makedirs(f"{folder}/runtime", mode=0o700)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VANTREL_REGISTRY=f"{folder}/registry.db",
               XDG_RUNTIME_DIR=f"{folder}/runtime")
    for path in programs.values():  # warm the caches and create the store
        run_once(path, env)
    results = {name: [] for name in programs}
    for _ in range(runs):
        for name, path in programs.items():
            results[name].append(run_once(path, env))

medians = {}
for name, samples in results.items():
    times = [t for t, _ in samples]
    memory = [m for _, m in samples]
    medians[name] = (statistics.median(times), statistics.median(memory))
    print(f"{name:8}  start-up median {medians[name][0]:7.1f} ms  (min {min(times):.1f}, max {max(times):.1f})"
          f"   peak memory median {medians[name][1]:6.1f} MiB")
time_ratio = medians["vantrel"][0] / medians["bare Qt"][0]
memory_ratio = medians["vantrel"][1] / medians["bare Qt"][1]
print(f"ratio to the bare window     start-up {time_ratio:.2f}x   peak memory {memory_ratio:.2f}x   ({runs} runs each)")
print(f"ratio to a window with text  start-up {medians['vantrel'][0] / medians['Qt label'][0]:.2f}x"
      f"   peak memory {medians['vantrel'][1] / medians['Qt label'][1]:.2f}x")
