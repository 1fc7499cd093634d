#!/usr/bin/env python3
"""Checks the execution level that a Windows program's manifest asks for.

    check_execution_level.py LEVEL PROGRAM

The manifest resource is kept in the program as its XML text; the check finds it there and
fails unless its requestedExecutionLevel is LEVEL (asInvoker, highestAvailable,
requireAdministrator).
"""
import re
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

SECURITY = "{urn:schemas-microsoft-com:asm.v3}"


def execution_levels(program):
    data = Path(program).read_bytes()
    manifests = re.findall(rb"<assembly\b.*?</assembly>", data, re.S)
    if not manifests:
        raise SystemExit(f"{program}: no manifest found in the program")
    levels = []
    for manifest in manifests:
        root = ElementTree.fromstring(manifest)
        levels += [element.get("level")
                   for element in root.iter(SECURITY + "requestedExecutionLevel")]
    return levels


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    wanted, program = sys.argv[1], sys.argv[2]
    levels = execution_levels(program)
    if levels != [wanted]:
        raise SystemExit(f"{program}: the manifest asks for {levels or 'no execution level'}, "
                         f"not [{wanted!r}]")
    print(f"{program}: {wanted}")


if __name__ == "__main__":
    main()
