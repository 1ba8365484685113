#!/usr/bin/env python3
"""Prints the folder include graph of the sources and checks it against the
README's layering: each folder includes only folders listed before it in the
table under "Layout and data flow" (a row naming several folders is one
layer). Exits 1 on an include that runs the other way, which is also how a
cycle between folders would show.

    python3 scripts/include-graph.py [SOURCE_DIR]
"""
import collections
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)


def layers(readme):
    """Folder -> its row number in the layering table."""
    rows, in_table = {}, False
    for line in readme.splitlines():
        if line.startswith("| Folder |"):
            in_table = True
        elif in_table and line.startswith("|---"):
            continue
        elif in_table and line.startswith("| "):
            first = line.split("|")[1]
            for name in re.findall(r"`([\w.-]+)/`", first):
                rows[name] = len(set(rows.values()))
        elif in_table:
            break
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        layer = layers(f.read())
    if not layer:
        print("include-graph: README.md has no layering table")
        return 1
    edges = collections.Counter()
    for folder in layer:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if not name.endswith((".h", ".c", ".cpp")):
                    continue
                with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
                    for target in INCLUDE.findall(f.read()):
                        if target != folder and target in layer:
                            edges[(folder, target)] += 1
    wrong = []
    for (src, dst), count in sorted(edges.items(), key=lambda e: (layer[e[0][0]], e[0][0], layer[e[0][1]])):
        upward = layer[dst] >= layer[src]
        print(f"{src:>11} -> {dst:<11} {count:3d}{'   AGAINST THE LAYERING' if upward else ''}")
        if upward:
            wrong.append(f"{src}/ includes {dst}/, listed {'with' if layer[dst] == layer[src] else 'after'} it")
    for line in wrong:
        print("include-graph: " + line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
