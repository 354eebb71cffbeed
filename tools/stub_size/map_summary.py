#!/usr/bin/env python3
"""Where the stub's bytes come from, read from the linker's map.

Usage: map_summary.py <kzpstub.map> [top]

Sums the sizes of the input sections that the link placed in loaded output
sections (code, data, unwind tables, imports, resources; not the debug
sections, which the shipped stub does not carry), by library and by object
file, largest first, and prints the first `top` objects (default 25). The
sums are close to the stripped file's size but not equal to it: the file
also holds headers and section padding, and .bss takes no file space.
"""

import collections
import os
import re
import sys

# " .text  0x0000000140001000  0x1a4 path/to/lib.a(member.o)", or the name
# alone on its line when it is long, followed by the address line.
SECTION = re.compile(r"^ (\.\S+|COMMON)(?:\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(.+))?$")
CONTINUED = re.compile(r"^\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*)$")
OUTPUT_SECTION = re.compile(r"^(\.\S+)\s")
# The output of link-time optimisation, in a temporary file of a random name.
LTRANS = re.compile(r"ltrans\d*\.ltrans\.o$")


def input_sections(lines):
    """Yields (output section, size, object) for every placed input section."""
    in_memory_map = False
    output = None
    pending = False
    for line in lines:
        if line.startswith("Linker script and memory map"):
            in_memory_map = True
            continue
        if not in_memory_map:
            continue
        match = OUTPUT_SECTION.match(line)
        if match:
            output = match.group(1)
        if pending:
            pending = False
            match = CONTINUED.match(line)
            if match:
                yield output, int(match.group(2), 16), match.group(3).strip()
                continue
        match = SECTION.match(line)
        if not match:
            continue
        if match.group(2) is None:
            pending = True
        else:
            yield output, int(match.group(3), 16), match.group(4).strip()


def library_of(obj):
    if LTRANS.search(obj):
        return "link-time optimised code (Expat)"
    if obj == "dll stuff":
        return "base relocations (made by the linker)"
    name = re.sub(r"\(.*\)$", "", obj)
    return os.path.basename(name)


def short_name(obj):
    """Drops the folders in front of a library: libstdc++.a(string-inst.o)."""
    if LTRANS.search(obj) or obj == "dll stuff":
        return library_of(obj)
    return re.sub(r"^.*/(lib[^/]*\.a\()", r"\1", obj)


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    top = int(sys.argv[2]) if len(sys.argv) == 3 else 25
    by_library = collections.Counter()
    by_object = collections.Counter()
    by_output = collections.Counter()
    with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
        for output, size, obj in input_sections(f):
            if size == 0 or output is None or output.startswith(".debug") or obj.startswith("*"):
                continue
            by_library[library_of(obj)] += size
            by_object[obj] += size
            by_output[output] += size
    print(f"loaded bytes by output section (total {sum(by_output.values()):,}):")
    for name, size in by_output.most_common():
        print(f"  {size:>9,}  {name}")
    print("by library:")
    for name, size in by_library.most_common():
        print(f"  {size:>9,}  {name}")
    print(f"largest {top} objects:")
    for name, size in by_object.most_common(top):
        print(f"  {size:>9,}  {short_name(name)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
