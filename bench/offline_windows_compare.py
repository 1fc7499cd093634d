#!/usr/bin/env python3
"""Times vantrel-reg on an offline Windows installation against hivex's own tools.

Makes a drive in a temporary folder whose SOFTWARE hive hivexsh fills with GROUPS x KEYS
keys of three values each below Classes (about 50 MB at the default 140 x 250), beside the
four registration values, and SYSTEM and DEFAULT hives that are empty. Then times, by
turns, the median of ROUNDS runs of:
  - opening the installation and reading the four values: `vantrel-reg --registry DRIVE
    query ...\\Windows NT\\CurrentVersion` against `hivexsh` listing the same key;
  - exporting the whole hive: `vantrel-reg export HKLM\\Software` against
    `hivexregedit --export` (Debian's libwin-hivex-perl) where it is installed, else
    libregf's `regfexport`, which writes a listing of its own;
  - setting one value and writing the hive back: `vantrel-reg add` against `hivexsh -w`
    with `setval` and `commit`;
and prints each ratio (peer / ours), with the load average before and after. Then, where
strace and valgrind are installed, the system calls of one more run of each (strace -c) and
the instructions of one open-and-read and one write of each (callgrind). --other BUILD times the
vantrel-reg of another build (an earlier commit's) beside them in the same run. Run from
the project root after building the native preset:

    python3 bench/offline_windows_compare.py [--groups 140] [--keys 250] [--rounds 5]
"""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import tempfile
import time

VERSION_KEY = "Microsoft\\Windows NT\\CurrentVersion"


def minimal_hive():
    """An empty hive: a base block, then one bin with the root key, its security cell
    and a free cell, as the tests' helper writes it."""
    hive = bytearray(8192)
    struct.pack_into("<4sIIQIIIIII", hive, 0, b"regf", 1, 1, 0, 1, 3, 0, 1, 0x20, 4096)
    struct.pack_into("<I", hive, 0x2C, 1)
    checksum = 0
    for at in range(0, 0x1FC, 4):
        checksum ^= struct.unpack_from("<I", hive, at)[0]
    struct.pack_into("<I", hive, 0x1FC, checksum or 1)
    struct.pack_into("<4sI I", hive, 4096, b"hbin", 0, 4096)
    nk, nk_size = 4096 + 0x20, 0x58
    struct.pack_into("<i2sH", hive, nk, -nk_size, b"nk", 0x2C)
    for offset, value in ((0x10, 0xFFFFFFFF), (0x1C, 0xFFFFFFFF), (0x20, 0xFFFFFFFF),
                          (0x28, 0xFFFFFFFF), (0x2C, 0x20 + nk_size), (0x30, 0xFFFFFFFF)):
        struct.pack_into("<I", hive, nk + 4 + offset, value)
    struct.pack_into("<H", hive, nk + 4 + 0x48, 4)
    hive[nk + 4 + 0x4C:nk + 4 + 0x50] = b"ROOT"
    descriptor = bytes([1, 0, 4, 0x80, 48, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
                        2, 0, 28, 0, 1, 0, 0, 0, 0, 2, 20, 0, 0x3F, 0, 0x0F, 0,
                        1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
                        1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,
                        1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0])
    sk = 4096 + 0x20 + nk_size
    sk_size = (4 + 0x14 + len(descriptor) + 7) & ~7
    struct.pack_into("<i2sHIIII", hive, sk, -sk_size, b"sk", 0, 0x20 + nk_size, 0x20 + nk_size,
                     1, len(descriptor))
    hive[sk + 4 + 0x14:sk + 4 + 0x14 + len(descriptor)] = descriptor
    struct.pack_into("<i", hive, sk + sk_size, 8192 - (sk + sk_size))
    return bytes(hive)


def fill_software(empty, software, groups, keys):
    lines = ["add Microsoft", "cd Microsoft", "add Windows NT", "cd Windows NT",
             "add CurrentVersion", "cd CurrentVersion", "setval 4",
             "RegisteredOwner", "string:Ada Lovelace", "RegisteredOrganization",
             "string:Analytical Engines", "ProductId", "string:55274-640-1234567-23456",
             "ProductKey", "string:AAAAA-BBBBB-CCCCC-DDDDD-EEEEE", "cd \\", "add Classes",
             "cd Classes"]
    for g in range(groups):
        lines += [f"add Group{g:04d}", f"cd Group{g:04d}"]
        for k in range(keys):
            lines += [f"add Key{k:04d}", f"cd Key{k:04d}", "setval 3",
                      "Name", f"string:value {g} {k} of the generated tree",
                      "Count", f"dword:0x{k:x}", "Blob", "hex:3:" + "ab" * 40, "cd .."]
        lines.append("cd ..")
    lines.append(f"commit {software}")
    subprocess.run(["hivexsh", "-w", empty], input="\n".join(lines) + "\n", text=True,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def by_turns(commands, rounds):
    """The median time of each (command, stdin) pair, run by turns so that a change in the
    machine's load falls on all of them alike."""
    times = [[] for _ in commands]
    for _ in range(rounds):
        for index, (command, given) in enumerate(commands):
            start = time.perf_counter()
            subprocess.run(command, check=True, stdout=subprocess.DEVNULL, input=given)
            times[index].append(time.perf_counter() - start)
    return [statistics.median(each) for each in times]


def syscalls(command, given):
    if not shutil.which("strace"):
        return None
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as out:
        subprocess.run(["strace", "-f", "-c", "-o", out.name] + command, check=True,
                       input=given, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for line in out.read().splitlines():
            # % time, seconds, usecs/call, calls, [errors,] total
            if line.strip().endswith("total"):
                return int(line.split()[3])
    return None


def instructions(command, given):
    if not shutil.which("valgrind"):
        return None
    with tempfile.NamedTemporaryFile("r", suffix=".callgrind") as out:
        result = subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out.name}"]
                                + command, input=given, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, check=True)
        for line in result.stderr.decode(errors="replace").splitlines():
            if "Collected :" in line:
                return int(line.split()[-1])
    return None


def load():
    return " ".join(f"{value:.2f}" for value in os.getloadavg())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/native")
    parser.add_argument("--groups", type=int, default=140)
    parser.add_argument("--keys", type=int, default=250)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--other", help="another build whose vantrel-reg is timed beside")
    args = parser.parse_args()
    tools = [("ours", os.path.abspath(os.path.join(args.build, "tools", "vantrel-reg")))]
    if args.other:
        tools.append(("other", os.path.abspath(os.path.join(args.other, "tools", "vantrel-reg"))))
    with tempfile.TemporaryDirectory() as drive:
        config = os.path.join(drive, "Windows", "System32", "config")
        os.makedirs(config)
        empty = os.path.join(drive, "empty")
        with open(empty, "wb") as f:
            f.write(minimal_hive())
        for name in ("SYSTEM", "DEFAULT"):
            shutil.copy(empty, os.path.join(config, name))
        software = os.path.join(config, "SOFTWARE")
        fill_software(empty, software, args.groups, args.keys)
        size = os.path.getsize(software)
        print(f"SOFTWARE: {size / 1e6:.1f} MB, {args.groups * args.keys} keys of 3 values")
        print(f"load average before: {load()}")

        query = [([tool, "--registry", drive, "query", "HKLM\\Software\\" + VERSION_KEY], None)
                 for _, tool in tools]
        hivexsh = (["hivexsh", software], f"cd {VERSION_KEY}\nlsval\n".encode())
        times = by_turns(query + [hivexsh], args.rounds)
        theirs = times[-1]
        print(f"open and read the four values (median of {args.rounds}, by turns):")
        for (label, _), ours in zip(tools, times):
            print(f"  {label} {ours * 1000:.1f} ms, hivexsh {theirs * 1000:.1f} ms, "
                  f"ratio {theirs / ours:.2f}")

        out = os.path.join(drive, "out")
        export = [([tool, "--registry", drive, "export", "HKLM\\Software", out, "/y"], None)
                  for _, tool in tools]
        if shutil.which("hivexregedit"):
            peer, command = "hivexregedit --export", ["hivexregedit", "--export", software, "\\"]
        else:
            peer, command = "regfexport", ["regfexport", software]
        times = by_turns(export + [(command, None)], args.rounds)
        theirs = times[-1]
        print(f"export of the whole hive (median of {args.rounds}, by turns):")
        for (label, _), ours in zip(tools, times):
            print(f"  {label} {ours:.2f} s, {peer} {theirs:.2f} s, ratio {theirs / ours:.1f}")

        # A change is written to a copy beside the hive, flushed and renamed over it;
        # hivexsh writes the hive over itself and does not flush it.
        write = [([tool, "--registry", drive, "add", "HKLM\\Software\\" + VERSION_KEY, "/v",
                   "RegisteredOwner", "/d", "Bench Owner", "/f"], None) for _, tool in tools]
        hivexsh_write = (["hivexsh", "-w", software],
                         f"cd {VERSION_KEY}\nsetval 1\nRegisteredOwner\nstring:Bench Owner\n"
                         "commit\n".encode())
        times = by_turns(write + [hivexsh_write], args.rounds)
        theirs = times[-1]
        print(f"set one value and write the hive (median of {args.rounds}, by turns):")
        for (label, _), ours in zip(tools, times):
            print(f"  {label} {ours:.3f} s, hivexsh -w {theirs:.3f} s, ratio {theirs / ours:.2f}")
        print(f"load average after: {load()}")

        names = [name for name, _ in tools]
        counted = [("open and read", query + [hivexsh], names + ["hivexsh"], True),
                   ("export", export + [(command, None)], names + [peer], False),
                   ("set one value and write", write + [hivexsh_write], names + ["hivexsh -w"],
                    True)]
        for work, commands, named, with_instructions in counted:
            counters = [("system calls (strace -c)", syscalls)]
            if with_instructions:
                counters.append(("instructions (callgrind)", instructions))
            for label, counter in counters:
                counts = [counter(each, given) for each, given in commands]
                if counts[0] is not None:
                    print(f"{work}, {label}: " +
                          ", ".join(f"{name} {count:,}" for name, count in zip(named, counts)))

if __name__ == "__main__":
    main()
