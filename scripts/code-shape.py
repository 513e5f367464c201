#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reports the shape of the product code:
#   functions  - every function definition longer than a limit (default 80 lines)
#   layers     - every include that looks up the layers: the core library
#                (rules, files, no widgets) < the shared widgets (widgets/) <
#                the dialogs and widgets of game/, settings/, records/ <
#                the windows and the shell (app/). A file includes only
#                headers of its own layer or below.
# Exit status 1 when anything is reported, so CTest can hold the line.
# Usage: code-shape.py functions|layers SOURCE_DIR [LIMIT]
import os
import re
import sys

PRODUCT_DIRS = ["app", "game", "settings", "records", "widgets"]
LAYER_NAMES = ["core library", "shared widgets", "dialogs", "windows"]
LIBRARY_LAYER = {"korvex_core": 0, "korvex_widgets": 1, "korvex_ui": 2}


def layer_map(src):
    """Maps every product source (relative path) to its layer: by the library
    its folder's CMakeLists.txt builds it into; app/ is the top layer."""
    layers = {}
    for d in PRODUCT_DIRS:
        cm = os.path.join(src, d, "CMakeLists.txt")
        if not os.path.exists(cm):
            continue
        text = open(cm, encoding="utf-8").read()
        for m in re.finditer(r"target_sources\(\s*(korvex_\w+)\b(.*?)\)", text, re.S):
            layer = 3 if d == "app" else LIBRARY_LAYER.get(m.group(1))
            if layer is None:
                continue
            for name in re.findall(r"[\w/.]+\.(?:cpp|h)", m.group(2)):
                layers[os.path.normpath(os.path.join(d, name))] = layer
    for path in sources(src, ["app"]):
        layers.setdefault(os.path.relpath(path, src), 3)
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
        layers = layer_map(src)
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
                if target.split(os.sep)[0] not in PRODUCT_DIRS:
                    continue
                above = layers.get(target, 3 if target.startswith("app" + os.sep) else None)
                if above is not None and above > layer:
                    bad.append(f"{rel}:{n}: {text.strip()} ({LAYER_NAMES[layer]} includes {LAYER_NAMES[above]})")
        print(f"{len(bad)} include(s) from a layer above")
    for b in bad:
        print(b)
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
