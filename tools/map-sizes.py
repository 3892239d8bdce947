#!/usr/bin/env python3
"""What takes the room in a linked program: the bytes of each output section
that every library and object contributed, read from a GNU ld link map.

    python3 tools/map-sizes.py MAP [--objects] [--top N]

Without --objects the rows are libraries (the project's own objects count as
"project"); with it, one row per object or archive member.
"""
import argparse
import collections
import os
import re
import sys

# An input section: " .text  0xADDRESS  0xSIZE  FILE", the name alone on its
# line when it is long, the rest on the next.
SECTION = re.compile(r"^ (\.\S+|COMMON)\s*$|^ (\.\S+|COMMON)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
OUTPUT_SECTIONS = (".text", ".data", ".rdata", ".eh_frame", ".pdata", ".xdata", ".bss", ".tls", ".CRT", ".idata")


def output_section_of(name):
    for output in OUTPUT_SECTIONS:
        if name == output or name.startswith(output + ".") or name.startswith(output + "$"):
            return output
    if name == "COMMON":
        return ".bss"
    return None


def owner(path, objects):
    """The library (or, with objects, the member) that a path names."""
    path = path.strip()
    member = re.match(r"(.*)\((.*)\)$", path)
    if member:
        archive, name = member.groups()
        library = os.path.basename(archive)
        if "/tavrin" in archive or library.startswith("libtavrin") or not archive.startswith("/"):
            return ("project " if not objects else "") + (library + ":" + name if objects else "")
        return library + ("(" + name + ")" if objects else "")
    if ".ltrans" in path:
        # The link-time optimised code of the project's own objects.
        return "project (link-time optimised)" if objects else "project"
    if path.startswith("/"):
        return os.path.basename(path)
    return path if objects else "project"


def sizes(map_path, objects):
    table = collections.defaultdict(lambda: collections.Counter())
    in_map = False
    pending = None
    with open(map_path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            match = SECTION.match(line.rstrip("\n"))
            if not match:
                pending = None
                continue
            if match.group(1):
                pending = match.group(1)
                continue
            name = match.group(2) or pending
            pending = None
            if name is None:
                continue
            output = output_section_of(name)
            size = int(match.group(4), 16)
            if output is None or size == 0:
                continue
            table[owner(match.group(5), objects).strip() or "project"][output] += size
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("map")
    parser.add_argument("--objects", action="store_true", help="one row per object instead of per library")
    parser.add_argument("--top", type=int, default=30)
    arguments = parser.parse_args()
    table = sizes(arguments.map, arguments.objects)
    columns = [c for c in OUTPUT_SECTIONS if any(row[c] for row in table.values())]
    loaded = [c for c in columns if c != ".bss"]
    rows = sorted(table.items(), key=lambda item: -sum(item[1][c] for c in loaded))
    width = max(len(name) for name, _ in rows[: arguments.top]) if rows else 10
    print(f"{'':{width}}  {'in file':>8}  " + "  ".join(f"{c:>9}" for c in columns))
    for name, row in rows[: arguments.top]:
        print(f"{name:{width}}  {sum(row[c] for c in loaded):8}  " + "  ".join(f"{row[c]:9}" for c in columns))
    total = collections.Counter()
    for row in table.values():
        total.update(row)
    print(f"{'total':{width}}  {sum(total[c] for c in loaded):8}  " + "  ".join(f"{total[c]:9}" for c in columns))
    return 0


if __name__ == "__main__":
    sys.exit(main())
