#!/usr/bin/env python3
"""Checks the manifest a Windows program carries: it declares UTF-8 as the active code page.

Windows 10 (1903) and later then run the program's 8-bit functions in UTF-8, so that every
stored name reaches the window whole; older Windows ignore the entry. The manifest is read
from the program itself, where the resource compiler stored it as it was written.
"""
import argparse
import sys
import xml.etree.ElementTree as ElementTree

SETTINGS = "http://schemas.microsoft.com/SMI/2019/WindowsSettings"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"


def embedded_manifest(program):
    data = open(program, "rb").read()
    start = data.find(b"<?xml")
    end = data.find(b"</assembly>", start)
    if start < 0 or end < 0:
        return None
    return data[start:end + len(b"</assembly>")]


def active_code_page(manifest):
    root = ElementTree.fromstring(manifest)
    found = root.findall(f"{{{ASM_V3}}}application/{{{ASM_V3}}}windowsSettings/"
                         f"{{{SETTINGS}}}activeCodePage")
    return [element.text for element in found]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("program")
    parser.add_argument("--expect-missing", action="store_true",
                        help="succeed only when the program declares no active code page")
    args = parser.parse_args()
    manifest = embedded_manifest(args.program)
    pages = active_code_page(manifest) if manifest else []
    if args.expect_missing:
        if pages:
            print(f"{args.program}: declares {pages}, expected none")
            return 1
        print(f"{args.program}: declares no active code page, as expected")
        return 0
    if manifest is None:
        print(f"{args.program}: carries no manifest")
        return 1
    if pages != ["UTF-8"]:
        print(f"{args.program}: the manifest's active code page is {pages or 'missing'}, "
              "not UTF-8")
        return 1
    print(f"{args.program}: UTF-8 is the active code page of its manifest")
    return 0


if __name__ == "__main__":
    sys.exit(main())
