#!/usr/bin/env python3
"""Writes a C++ header whose string literals hold Shift-JIS bytes, from a
header written in UTF-8 (the texts as a reader sees them).

Usage: shift_jis_header.py <input.h.in> <output.h>

Every character beyond ASCII inside a string literal becomes its bytes in
code page 932, the table Windows itself decodes the program's texts with,
written as \\xHH escapes; a literal is split where an escape would otherwise
run into a following hexadecimal digit. Comments are copied as they are;
any other character beyond ASCII is an error.
"""

import os
import string
import sys

HEX_DIGITS = set(string.hexdigits)


def encode_literal_character(character, following):
    if ord(character) < 0x80:
        return character
    escaped = "".join(f"\\x{byte:02X}" for byte in character.encode("cp932"))
    return escaped + ('" "' if following in HEX_DIGITS else "")


def convert(source, name):
    out = []
    state = "code"
    i = 0
    line = 1
    while i < len(source):
        character = source[i]
        following = source[i + 1] if i + 1 < len(source) else ""
        if character == "\n":
            line += 1
        if state == "code":
            if character == "/" and following == "/":
                state = "line-comment"
            elif character == "/" and following == "*":
                state = "block-comment"
            elif character in "\"'":
                state = character
            elif ord(character) >= 0x80:
                sys.exit(f"{name}:{line}: '{character}' outside a string literal or comment")
            out.append(character)
        elif state == "line-comment":
            if character == "\n":
                state = "code"
            out.append(character)
        elif state == "block-comment":
            if character == "*" and following == "/":
                out.append("*/")
                i += 2
                state = "code"
                continue
            out.append(character)
        else:  # inside a string or character literal, closed by its own quote
            if character == "\\":
                out.append(source[i : i + 2])
                i += 2
                continue
            if character == state:
                state = "code"
                out.append(character)
            else:
                out.append(encode_literal_character(character, following))
        i += 1
    return "".join(out)


def main():
    input_path, output_path = sys.argv[1:3]
    with open(input_path, encoding="utf-8") as file:
        source = file.read()
    header = f"// Made from {input_path.rsplit('/', 1)[-1]} by the build: edit that file.\n" + convert(source, input_path)
    os.makedirs(os.path.dirname(output_path), exist_ok=True)
    with open(output_path, "w", encoding="utf-8", newline="\n") as file:
        file.write(header)


if __name__ == "__main__":
    main()
