#!/usr/bin/env python3
"""Checks that Windows programs load on Windows 98 SE, from their import tables.

    check_imports.py --objdump OBJDUMP --data FOLDER [--win98] [--editor] PROGRAM...

Every program must import only names that Windows 98 SE exports (FOLDER/exports.txt) or
that were reviewed as Windows 95/98 functions (FOLDER/reviewed.txt), and be a PE32 file
for Windows 4.0. With --editor, it may import no Unicode ("...W") function but those that
Windows 95 and 98 implement or that the C runtime calls harmlessly, and no Unicode
registry function at all. Without --win98 (a 64-bit build) only the --editor rules apply.
--expect-refusal NAME turns the check around: it passes when the check fails on NAME.
"""
import argparse
import re
import subprocess
import sys
from pathlib import Path

# The W functions Windows 95 implements (Microsoft KB Q210341), and those the C runtime
# and libgcc import that degrade safely on Windows 9x.
IMPLEMENTED_W = {
    "EnumResourceLanguagesW", "EnumResourceNamesW", "EnumResourceTypesW", "ExtTextOutW",
    "FindResourceW", "FindResourceExW", "GetCharWidthW", "GetCommandLineW",
    "GetTextExtentPoint32W", "GetTextExtentPointW", "lstrlenW", "MessageBoxExW", "MessageBoxW",
    "TextOutW", "MultiByteToWideChar", "WideCharToMultiByte",
}
HARMLESS_W = {"CreateSemaphoreW", "GetModuleHandleW", "LoadLibraryW"}


def read_names(path):
    names = set()
    for line in Path(path).read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            dll, name = line.split()
            names.add((dll.lower(), name))
    return names


def inspect(objdump, program):
    """The PE fields and the (dll, name) imports of a program."""
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                          text=True).stdout
    fields = dict(re.findall(r"^(Magic|Major\w+Version|Minor\w+Version)\s+(\S+)", text, re.M))
    imports, dll = [], None
    for line in text.splitlines():
        found = re.match(r"\s*DLL Name: (\S+)", line)
        if found:
            dll = found.group(1).lower()
            continue
        entry = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
        if dll and entry:
            imports.append((dll, entry.group(1)))
    return fields, imports


def is_unicode_form(name):
    return len(name) > 2 and name.endswith("W") and name[-2].isalpha() and name[0].isupper()


def problems(objdump, program, known, win98, editor):
    fields, imports = inspect(objdump, program)
    found = []
    if win98:
        if fields.get("Magic") != "010b":
            found.append(f"not a PE32 file (magic {fields.get('Magic')})")
        for field in ("MajorOperatingSystemVersion", "MajorOSystemVersion", "MajorSubsystemVersion"):
            if field in fields and fields[field] != "4":
                found.append(f"{field} is {fields[field]}, not 4")
        for field in ("MinorOperatingSystemVersion", "MinorOSystemVersion", "MinorSubsystemVersion"):
            if field in fields and fields[field] != "0":
                found.append(f"{field} is {fields[field]}, not 0")
        for dll, name in imports:
            if (dll, name) not in known:
                found.append(f"imports {dll}!{name}, which Windows 98 SE does not export")
    if editor:
        for dll, name in imports:
            if dll == "advapi32.dll" and name.startswith("Reg") and name.endswith("W"):
                found.append(f"imports the Unicode registry function {name}")
            elif is_unicode_form(name) and name not in IMPLEMENTED_W | HARMLESS_W:
                found.append(f"imports {dll}!{name}, a stub on Windows 9x")
    return found, imports


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--win98", action="store_true")
    parser.add_argument("--editor", action="store_true")
    parser.add_argument("--expect-refusal")
    parser.add_argument("programs", nargs="+")
    arguments = parser.parse_args()
    known = read_names(Path(arguments.data) / "exports.txt") | read_names(
        Path(arguments.data) / "reviewed.txt")
    failed = False
    for program in arguments.programs:
        found, imports = problems(arguments.objdump, program, known, arguments.win98,
                                  arguments.editor)
        counts = {}
        for dll, _ in imports:
            counts[dll] = counts.get(dll, 0) + 1
        print(f"{Path(program).name}: {len(imports)} imports (" +
              ", ".join(f"{dll} {count}" for dll, count in sorted(counts.items())) + ")")
        for problem in found:
            print(f"  {problem}")
        failed = failed or bool(found)
    if arguments.expect_refusal:
        named = any(arguments.expect_refusal in " ".join(problems(arguments.objdump, p, known,
                                                                  arguments.win98,
                                                                  arguments.editor)[0])
                    for p in arguments.programs)
        print("refused as expected" if failed and named else "NOT refused")
        return 0 if failed and named else 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
