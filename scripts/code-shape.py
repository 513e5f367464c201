#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reports the shape of the product code:
#   functions  - every function definition longer than a limit (default 80 lines)
#   layers     - the folders against the layers: every folder holds the files
#                of one library, as its CMakeLists.txt builds them; every
#                include looks down the layers: the core library (rules,
#                files, no widgets) < the shared widgets < the dialogs <
#                the windows < the program; and no folder includes a folder
#                that includes it back.
# Exit status 1 when anything is reported, so CTest can hold the line.
# Usage: code-shape.py functions|layers SOURCE_DIR [LIMIT]
import os
import re
import sys

PRODUCT_DIRS = ["base", "game", "settings", "records", "widgets", "dialogs", "app", "program"]
LAYER_NAMES = ["core library", "shared widgets", "dialogs", "windows", "program"]
LIBRARY_LAYER = {"korvex_core": 0, "korvex_widgets": 1, "korvex_ui": 2}
# The windows build into the same library as the dialogs, a layer above them.
WINDOW_DIRS = {"app"}


def folder_libraries(src, d):
    """The libraries (and programs) the CMakeLists.txt of folder d builds its
    sources into, with the sources of each."""
    cm = os.path.join(src, d, "CMakeLists.txt")
    found = {}
    if not os.path.exists(cm):
        return found
    text = open(cm, encoding="utf-8").read()
    for m in re.finditer(r"(target_sources|add_executable)\(\s*(\w+)\b(.*?)\)", text, re.S):
        target = m.group(2)
        if m.group(1) == "add_executable":
            target = "program " + target
        found.setdefault(target, []).extend(re.findall(r"[\w/.]+\.(?:cpp|h)", m.group(3)))
    return found


def layer_of(d, target):
    if target.startswith("program "):
        return 4
    layer = LIBRARY_LAYER.get(target)
    if layer == 2 and d in WINDOW_DIRS:
        return 3
    return layer


def layer_map(src, bad):
    """Maps every product source (relative path) to its layer; reports a
    folder whose sources go into more than one library."""
    layers = {}
    for d in PRODUCT_DIRS:
        libs = folder_libraries(src, d)
        if len(libs) > 1:
            bad.append(f"{d}/ holds files of {len(libs)} libraries: {', '.join(sorted(libs))}")
        for target, names in libs.items():
            layer = layer_of(d, target)
            if layer is None:
                continue
            for name in names:
                layers[os.path.normpath(os.path.join(d, name))] = layer
    return layers


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
        layers = layer_map(src, bad)
        reaches = {}  # folder -> folders its files include
        for rel, layer in sorted(layers.items()):
            path = os.path.join(src, rel)
            if not os.path.exists(path):
                continue
            for n, text in enumerate(open(path, encoding="utf-8"), 1):
                m = re.match(r'\s*#\s*include\s*"([^"]+)"', text)
                if not m:
                    continue
                target = m.group(1) if "/" in m.group(1) else os.path.join(os.path.dirname(rel), m.group(1))
                target = os.path.normpath(target)
                folder = target.split(os.sep)[0]
                if folder not in PRODUCT_DIRS:
                    continue
                if folder != rel.split(os.sep)[0]:
                    reaches.setdefault(rel.split(os.sep)[0], set()).add(folder)
                above = layers.get(target)
                if above is not None and above > layer:
                    bad.append(f"{rel}:{n}: {text.strip()} ({LAYER_NAMES[layer]} includes {LAYER_NAMES[above]})")
        for a in sorted(reaches):
            for b in sorted(reaches[a]):
                if a < b and a in reaches.get(b, ()):
                    bad.append(f"{a}/ and {b}/ include each other")
        print(f"{len(bad)} fault(s) in the layers")
    for b in bad:
        print(b)
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
