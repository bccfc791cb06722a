#!/usr/bin/env python3
"""The substitute's string table, generated from the resource script that
windres compiles for the Windows programs:

    qvr_string_table.py <script.rc> <output.cpp>

Each (language, block of 16 IDs) becomes one array laid out as in a Windows
module (every string its length, then its UTF-16 units), so that LoadStringW
on the substitute walks the same data that it walks on Windows.

Only the part of the script language that our scripts use is understood:
#pragma code_page(65001), #include of a header of #defines, #define,
LANGUAGE, STRINGTABLE with BEGIN/END (or braces) and lines of
"ID text" or "ID, text". Anything else stops the build with the place it
was found, rather than leaving the substitute with texts that differ from
the Windows programs'.
"""

import os
import re
import sys


class ScriptError(Exception):
    pass


def fail(where, message):
    raise ScriptError(f"{where[0]}:{where[1]}: {message}")


def strip_comments(text):
    """Comments out, strings kept; line breaks stay so line numbers hold."""
    out = []
    i = 0
    in_string = False
    while i < len(text):
        ch = text[i]
        if in_string:
            out.append(ch)
            if ch == '"':
                # "" inside a string is a quote, not its end.
                if text.startswith('""', i):
                    out.append('"')
                    i += 1
                else:
                    in_string = False
            elif ch == "\n":
                in_string = False
            i += 1
        elif ch == '"':
            in_string = True
            out.append(ch)
            i += 1
        elif text.startswith("//", i):
            while i < len(text) and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = len(text) if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        else:
            out.append(ch)
            i += 1
    return "".join(out)


def number(token, defines, where):
    token = defines.get(token, token)
    try:
        return int(token, 0)
    except ValueError:
        fail(where, f"not a number or a known name: {token}")


def read_defines(path, defines, where):
    if not os.path.isfile(path):
        fail(where, f"cannot find the included file {path}")
    with open(path, encoding="utf-8") as f:
        for line in strip_comments(f.read()).splitlines():
            m = re.match(r"\s*#\s*define\s+(\w+)\s+(\S+)\s*$", line)
            if m:
                defines[m.group(1)] = m.group(2)


def quoted_text(rest, where):
    """The text of a quoted string that makes up the rest of the line."""
    if not rest.startswith('"'):
        fail(where, "a string entry needs its text in double quotes")
    text = []
    i = 1
    while True:
        if i >= len(rest):
            fail(where, "the text has no closing quote")
        ch = rest[i]
        if ch == '"':
            if rest.startswith('""', i):
                text.append('"')
                i += 2
                continue
            break
        if ch == "\\":
            fail(where, "escape sequences are not supported; write the character itself")
        text.append(ch)
        i += 1
    if rest[i + 1 :].strip():
        fail(where, "unexpected text after the closing quote")
    return "".join(text)


def parse(path):
    """{(language, id): text} of every STRINGTABLE."""
    defines = {}
    strings = {}
    with open(path, encoding="utf-8") as f:
        raw = f.read()
    lines = strip_comments(raw).splitlines()
    utf8 = False
    language = None
    state = "top"  # top, header (after STRINGTABLE), body
    for number_, line in enumerate(lines, 1):
        where = (path, number_)
        line = line.strip()
        if not line:
            continue
        if line.startswith("#"):
            m = re.match(r"#\s*pragma\s+code_page\s*\(\s*(\d+)\s*\)$", line)
            if m:
                if m.group(1) != "65001":
                    fail(where, "only code page 65001 (UTF-8) is supported")
                utf8 = True
                continue
            m = re.match(r'#\s*include\s+"([^"]+)"$', line)
            if m:
                read_defines(os.path.join(os.path.dirname(path), m.group(1)), defines, where)
                continue
            m = re.match(r"#\s*define\s+(\w+)\s+(\S+)$", line)
            if m:
                defines[m.group(1)] = m.group(2)
                continue
            fail(where, f"unsupported directive: {line}")
        if state == "top":
            m = re.match(r"LANGUAGE\s+(\w+)\s*,\s*(\w+)$", line)
            if m:
                primary = number(m.group(1), defines, where)
                sub = number(m.group(2), defines, where)
                if primary > 0x3FF or sub > 0x3F:
                    fail(where, "language out of range")
                language = (sub << 10) | primary
                continue
            if line == "STRINGTABLE":
                if language is None:
                    fail(where, "a STRINGTABLE needs a LANGUAGE before it")
                state = "header"
                continue
            fail(where, f"unsupported statement: {line}")
        elif state == "header":
            if line in ("BEGIN", "{"):
                state = "body"
                continue
            fail(where, "expected BEGIN after STRINGTABLE")
        else:
            if line in ("END", "}"):
                state = "top"
                continue
            m = re.match(r"(\w+)\s*,?\s*(.*)$", line)
            if not m:
                fail(where, f"unsupported string entry: {line}")
            ident = number(m.group(1), defines, where)
            if not 0 <= ident <= 0xFFFF:
                fail(where, "a string ID is a 16-bit number")
            text = quoted_text(m.group(2), where)
            if not utf8 and any(ord(c) > 0x7F for c in text):
                fail(where, "non-ASCII text needs #pragma code_page(65001)")
            if (language, ident) in strings:
                fail(where, f"string {ident} is defined twice for language 0x{language:04X}")
            strings[(language, ident)] = text
    if state != "top":
        fail((path, len(lines)), "the STRINGTABLE has no END")
    return strings


def blocks(strings):
    """{(language, block): [16 strings]} with the block number of Windows."""
    out = {}
    for (language, ident), text in strings.items():
        entries = out.setdefault((language, ident // 16 + 1), [""] * 16)
        entries[ident % 16] = text
    return out


def units(text):
    data = text.encode("utf-16-le")
    return [int.from_bytes(data[i : i + 2], "little") for i in range(0, len(data), 2)]


def emit(strings, source):
    lines = [
        f"// Generated from {os.path.basename(source)} by {os.path.basename(__file__)}; do not edit.",
        '#include "qvr_sim_string_table.h"',
        "",
        "namespace {",
        "",
    ]
    table = []
    for (language, block), entries in sorted(blocks(strings).items()):
        name = f"kBlock{language:04X}_{block}"
        data = []
        for text in entries:
            code = units(text)
            if len(code) > 0xFFFF:
                raise ScriptError(f"a string of language 0x{language:04X} is too long")
            data.append(len(code))
            data.extend(code)
        lines.append(f"const WCHAR {name}[] = {{")
        for i in range(0, len(data), 12):
            lines.append("    " + ", ".join(f"0x{u:04X}" for u in data[i : i + 12]) + ",")
        lines.append("};")
        table.append(f"    {{0x{language:04X}, {block}, {name}}},")
    lines += ["", "const qvrsim::StringBlock kBlocks[] = {"] + table + ["};", ""]
    lines += [
        "[[maybe_unused]] const bool kRegistered =",
        "    qvrsim::registerStringTable(kBlocks, sizeof kBlocks / sizeof kBlocks[0]);",
        "",
        "}  // namespace",
        "",
    ]
    return "\n".join(lines)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    source, output = argv[1], argv[2]
    try:
        strings = parse(source)
        if not strings:
            raise ScriptError(f"{source}: no STRINGTABLE found")
        code = emit(strings, source)
    except (ScriptError, UnicodeDecodeError) as e:
        print(f"qvr_string_table: {e}", file=sys.stderr)
        return 1
    # Written only when it changes, so that an edit of a comment in the
    # script does not rebuild what depends on the table.
    old = None
    if os.path.exists(output):
        with open(output, encoding="utf-8") as f:
            old = f.read()
    if old != code:
        with open(output, "w", encoding="utf-8") as f:
            f.write(code)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
