#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reports the shape of the product code:
#   functions  - every function definition longer than a limit (default 80 lines)
#   layers     - every core-library file that includes a header from app/
# Exit status 1 when anything is reported, so CTest can hold the line.
# Usage: code-shape.py functions|layers SOURCE_DIR [LIMIT]
import os
import re
import sys

PRODUCT_DIRS = ["app", "game", "settings", "records"]
CORE_DIRS = ["game", "settings", "records"]
# Dialogs that live in settings/ and records/ but belong to the widget layer;
# everything else in those folders is built into the core library.
def core_sources(src):
    listed = set()
    for d in CORE_DIRS:
        cm = os.path.join(src, d, "CMakeLists.txt")
        if not os.path.exists(cm):
            continue
        text = open(cm, encoding="utf-8").read()
        for m in re.finditer(r"target_sources\(\s*korvex_core\b(.*?)\)", text, re.S):
            for name in re.findall(r"[\w/.]+\.(?:cpp|h)", m.group(1)):
                listed.add(os.path.normpath(os.path.join(d, name)))
    return sorted(listed)


def strip(text):
    """Blanks comments, strings and character literals, keeping line breaks."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif c == 'R' and text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = ')' + (m.group(1) if m else '') + '"'
            j = text.find(end, i)
            j = n if j < 0 else j + len(end)
            out.append('""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def functions(path):
    text = strip(open(path, encoding="utf-8", errors="replace").read())
    found = []
    stack = []           # for each open brace: (kind, name, first line)
    head_start = 0       # where the text before the next declaration's '{' begins
    line = 1

    def in_scope():      # at file, namespace or class level, where declarations stand
        return not stack or stack[-1][0] in ("namespace", "type")

    for i, c in enumerate(text):
        if c == "\n":
            line += 1
        elif c == "{":
            if in_scope():
                head = text[head_start:i].strip()
                kind, name = "block", ""
                if re.search(r"\bnamespace\b[^;]*$", head) or head.startswith('extern ""'):
                    kind = "namespace"
                elif re.match(r"(template\s*<.*?>\s*)?(class|struct|enum|union)\b", head, re.S) \
                        and "(" not in head.split("{")[0].split(":")[0]:
                    kind = "type"
                elif "(" in head and not re.search(r"=\s*$", head):
                    kind = "function"
                    name = re.sub(r"\s+", " ", head.split("(")[0]).split(" ")[-1]
                stack.append((kind, name, line - head.count("\n")))
                head_start = i + 1
            else:
                stack.append(("inner", "", line))
        elif c == "}":
            if not stack:
                continue
            kind, name, first = stack.pop()
            if kind == "function":
                found.append((name, first, line - first + 1))
            if in_scope():
                head_start = i + 1
        elif c == ";" and in_scope():
            head_start = i + 1
        elif c == ":" and in_scope() and re.search(r"\b(public|private|protected|signals|slots)\s*$", text[head_start:i]):
            head_start = i + 1
    return found


def sources(src, dirs):
    for d in dirs:
        for root, _, files in os.walk(os.path.join(src, d)):
            for f in sorted(files):
                if f.endswith((".cpp", ".h")):
                    yield os.path.join(root, f)


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("functions", "layers"):
        sys.exit("usage: code-shape.py functions|layers SOURCE_DIR [LIMIT]")
    what, src = sys.argv[1], sys.argv[2]
    bad = []
    if what == "functions":
        limit = int(sys.argv[3]) if len(sys.argv) > 3 else 80
        for path in sources(src, PRODUCT_DIRS):
            for name, first, length in functions(path):
                if length > limit:
                    bad.append(f"{os.path.relpath(path, src)}:{first}: {name} is {length} lines")
        print(f"{len(bad)} function(s) over {limit} lines")
    else:
        for rel in core_sources(src):
            path = os.path.join(src, rel)
            if not os.path.exists(path):
                continue
            for n, text in enumerate(open(path, encoding="utf-8"), 1):
                if re.match(r'\s*#\s*include\s*"app/', text):
                    bad.append(f"{rel}:{n}: {text.strip()}")
        print(f"{len(bad)} core include(s) from app/")
    for b in bad:
        print(b)
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
