#!/usr/bin/env python3
"""Start-up time and peak memory of the program against a bare Qt window.

Each program is started RUNS times (alternating) on a fresh store, on each Qt platform in
turn: xcb, as a desktop shows it (on an Xvfb display of its own when no display is set),
and offscreen. The program starts as its main starts it, on the registry its main opens.
The three programs use the same platform plugin, and the window with text the program's
own font, made the application's font before any widget in both. Each is timed from its
start to the moment its window is painted, where it stops itself: its peak memory (VmHWM)
and the CPU time of its threads (schedstat) are read then, and, in the last round, what
each library and file holds resident, of which the lines where the program and the
window with text differ are printed. Then each
is run once more under strace -c and callgrind, which count the system calls and the
instructions up to that moment, figures that do not depend on the machine's load.
Prints the medians, the ratios and the load average, which says how far to trust times.
Usage: bench/startup_compare.py BUILD_DIR [RUNS] [--platform xcb|offscreen] [--no-counts]
"""
import argparse, collections, os, re, shutil, signal, statistics, subprocess, sys, tempfile, time

parser = argparse.ArgumentParser()
parser.add_argument("build")
parser.add_argument("runs", nargs="?", type=int, default=15)
parser.add_argument("--platform", action="append", choices=("xcb", "offscreen"))
parser.add_argument("--no-counts", action="store_true", help="skip the strace and callgrind runs")
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
MAPPING = re.compile(r"^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$")

def resident_by_file(pid):
    """KiB resident per mapped file (by its name), anonymous memory as one line."""
    resident = collections.Counter()
    name = "[anonymous]"
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            mapping = MAPPING.match(line)
            if mapping:
                path = mapping.group(1)
                name = os.path.basename(path) if path.startswith("/") else "[anonymous]"
            elif line.startswith("Rss:"):
                resident[name] += int(line.split()[1])
    return resident

def run_once(path, env, maps=False):
    """Milliseconds to the painted window, peak MiB then, milliseconds of CPU, and what is
    resident if asked."""
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        os.execve(path, [path], dict(env, STARTUP_AT_SHOWN="stop"))
    _, status = os.waitpid(pid, os.WUNTRACED)
    elapsed = time.perf_counter() - start
    if not os.WIFSTOPPED(status):
        sys.exit(f"{path} ended with status {status} before its window was shown")
    with open(f"/proc/{pid}/status") as info:
        peak = next(int(line.split()[1]) for line in info if line.startswith("VmHWM:"))
    # The time its threads ran, which another process's load disturbs far less than the
    # time on the clock.
    cpu = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
            cpu += int(schedstat.read().split()[0])
    resident = resident_by_file(pid) if maps else None
    os.kill(pid, signal.SIGCONT)
    _, status = os.waitpid(pid, 0)
    if status != 0:
        sys.exit(f"{path} failed with status {status}")
    return elapsed * 1000, peak / 1024, cpu / 1e6, resident

def counts(path, env):
    """System calls and instructions up to the painted window, where the program quits."""
    env = dict(env, STARTUP_AT_SHOWN="exit")
    calls = instructions = None
    with tempfile.TemporaryDirectory() as folder:
        if shutil.which("strace"):
            subprocess.run(["strace", "-f", "-c", "-o", f"{folder}/calls", path], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            with open(f"{folder}/calls") as table:
                calls = next(int(line.split()[3]) for line in table if line.rstrip().endswith(" total"))
        if shutil.which("valgrind"):
            subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={folder}/cg", path],
                           env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            with open(f"{folder}/cg") as profile:
                instructions = next(int(line.split()[1]) for line in profile
                                    if line.startswith("summary:"))
    return calls, instructions

def measure(platform):
    with tempfile.TemporaryDirectory() as folder:
        os.makedirs(f"{folder}/runtime", mode=0o700)
        env = dict(os.environ, QT_QPA_PLATFORM=platform, VANTREL_REGISTRY=f"{folder}/registry.db",
                   XDG_RUNTIME_DIR=f"{folder}/runtime")
        for path in programs.values():  # warm the caches and create the store
            run_once(path, env)
        results = {name: [] for name in programs}
        resident = {}
        for round in range(args.runs):
            for name, path in programs.items():
                elapsed, peak, cpu, maps = run_once(path, env, maps=round == args.runs - 1)
                results[name].append((elapsed, peak, cpu))
                if maps is not None:
                    resident[name] = maps
        counted = {} if args.no_counts else {name: counts(path, env) for name, path in programs.items()}
    return results, resident, counted

for platform in platforms:
    load = os.getloadavg()[0]
    results, resident, counted = measure(platform)
    print(f"platform {platform}, load average {load:.2f} before and {os.getloadavg()[0]:.2f} after")
    medians = {}
    for name, samples in results.items():
        times = [t for t, _, _ in samples]
        medians[name] = tuple(statistics.median(column) for column in zip(*samples))
        print(f"  {name:8}  start-up median {medians[name][0]:7.1f} ms  (min {min(times):.1f}, max {max(times):.1f})"
              f"   CPU {medians[name][2]:6.1f} ms   peak memory median {medians[name][1]:6.1f} MiB")
    for peer, words in (("bare Qt", "the bare window   "), ("Qt label", "a window with text")):
        print(f"  ratio to {words}  start-up {medians['vantrel'][0] / medians[peer][0]:.2f}x"
              f"   CPU {medians['vantrel'][2] / medians[peer][2]:.2f}x"
              f"   peak memory {medians['vantrel'][1] / medians[peer][1]:.2f}x   ({args.runs} runs each)")
    ours, theirs = resident["vantrel"], resident["Qt label"]
    print(f"  resident when shown: vantrel {sum(ours.values())} KiB, Qt label {sum(theirs.values())} KiB;"
          " where they differ by 16 KiB or more:")
    for name in sorted(set(ours) | set(theirs), key=lambda n: theirs[n] - ours[n]):
        if abs(ours[name] - theirs[name]) >= 16:
            print(f"    {name:40} {ours[name]:6} {theirs[name]:6} KiB  {ours[name] - theirs[name]:+6}")
    for name, (calls, instructions) in counted.items():
        print(f"  {name:8}  up to the painted window: "
              f"{'-' if calls is None else calls} system calls (strace -c), "
              f"{'-' if instructions is None else f'{instructions:,}'} instructions (callgrind)")
