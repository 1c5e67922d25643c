#!/usr/bin/env python3
"""Writes a C++ header whose texts are Shift-JIS bytes, from a header written
readably in UTF-8, whose only characters beyond ASCII are in its texts.

Usage: shift_jis_header.py <input.h.in> <output.h>

Each such character becomes its bytes in code page 932, the table Windows
decodes the program's texts with, as \\xHH escapes; the literal is split
where an escape would otherwise run into a following hexadecimal digit.
"""

import os
import string
import sys


def shift_jis_escapes(source):
    out = []
    for i, character in enumerate(source):
        if ord(character) < 0x80:
            out.append(character)
            continue
        out.append("".join(f"\\x{byte:02X}" for byte in character.encode("cp932")))
        following = source[i + 1 : i + 2]
        if following and following in string.hexdigits:
            out.append('" "')
    return "".join(out)


def main():
    input_path, output_path = sys.argv[1:3]
    with open(input_path, encoding="utf-8") as file:
        source = file.read()
    os.makedirs(os.path.dirname(output_path), exist_ok=True)
    with open(output_path, "w", encoding="ascii", newline="\n") as file:
        file.write(f"// Made by the build from {os.path.basename(input_path)}: edit that file.\n")
        file.write(shift_jis_escapes(source))


if __name__ == "__main__":
    main()
