#!/usr/bin/env python3
"""tools/stub_size/map_summary.py reads a GNU ld map as ld writes it: input
sections whose long names push the address to the next line, pattern lines,
discarded and debug sections that take no room in the shipped stub."""

import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "..", "tools", "stub_size"))
import map_summary  # noqa: E402

MAP = """\
Discarded input sections

 .text          0x0000000000000000      0x500 app/unused.cpp.obj

Linker script and memory map

.text           0x0000000140001000     0x2000
 *(.text)
 .text          0x0000000140001000      0x100 app/main.cpp.obj
 .text$_ZNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEE9_M_appendEPKwy
                0x0000000140001100       0x40 /usr/lib/gcc/x/12/libstdc++.a(string-inst.o)
 .text          0x0000000140001140      0x200 /tmp/ccAbC.ltrans0.ltrans.o
                0x0000000140001140                XML_Parse
.rsrc           0x000000014003f000     0x2800
 *(.rsrc)
 .rsrc          0x000000014003f000     0x2630 app/kzpstub.rc.res
.reloc          0x0000000140042000      0x400
 .reloc         0x0000000140042000      0x318 dll stuff
.debug_info     0x0000000140050000     0x9999
 .debug_info    0x0000000140050000     0x9999 app/main.cpp.obj
"""


class MapSummaryTest(unittest.TestCase):
    def test_counts_placed_sections_once_each(self):
        placed = [(out, size, map_summary.library_of(obj))
                  for out, size, obj in map_summary.input_sections(MAP.splitlines(True))
                  if not out.startswith(".debug")]
        self.assertEqual(placed, [
            (".text", 0x100, "main.cpp.obj"),
            (".text", 0x40, "libstdc++.a"),
            (".text", 0x200, "link-time optimised code (Expat)"),
            (".rsrc", 0x2630, "kzpstub.rc.res"),
            (".reloc", 0x318, "base relocations (made by the linker)"),
        ])

    def test_short_names_keep_the_library_member(self):
        self.assertEqual(map_summary.short_name("/usr/lib/gcc/x/12/libstdc++.a(string-inst.o)"),
                         "libstdc++.a(string-inst.o)")


if __name__ == "__main__":
    unittest.main()
