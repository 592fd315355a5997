#!/usr/bin/env python3
"""layers.py SOURCE_DIR: checks that every #include "..." of the program's sources goes down the
layers or stays in its own folder, and that the core includes no Qt header. The order, lowest
first, is docs/LAYERS.md's: platform, styles, calc, xls, sheet (the core, standard library only),
then the Qt layer: platform/qt (the Qt forms of the platform interfaces), view, then menus,
dialogs and print, then app, then cli.

Includes that go up today are listed in tests/scripts/layers_known.txt, one "file -> header" a
line, until the code that needs them moves; an upward include not listed fails, and so does a
listed one that is gone (take it off the list)."""
import os
import re
import sys

RANKS = {
    "platform": 0, "styles": 1, "calc": 2, "xls": 3, "sheet": 4,
    "platform/qt": 5, "view": 6, "menus": 7, "dialogs": 7, "print": 7, "app": 8, "cli": 9,
}
CORE_RANK = 4
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(path):
    """The layer a source path (relative to the root) belongs to, or None."""
    parts = path.split("/")
    if len(parts) >= 3 and parts[0] == "platform" and parts[1] == "qt":
        return "platform/qt"
    return parts[0] if parts[0] in RANKS and len(parts) >= 2 else None


def violations(root):
    found = []
    for layer in RANKS:
        folder = os.path.join(root, layer)
        if not os.path.isdir(folder):
            continue
        for dirpath, _, files in os.walk(folder):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                rel = os.path.relpath(os.path.join(dirpath, name), root)
                own = layer_of(rel)
                if own != layer:
                    continue  # platform/qt is walked on its own
                with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        kind, target = m.groups()
                        if kind == "<":
                            if RANKS[own] <= CORE_RANK and re.match(r"Q[A-Za-z]|qt", target):
                                found.append(f"{rel} -> <{target}>")
                            continue
                        other = layer_of(target)
                        if other is None or other == own:
                            continue
                        if RANKS[other] >= RANKS[own]:
                            found.append(f"{rel} -> {target}")
    return sorted(set(found))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    known_path = os.path.join(root, "tests", "scripts", "layers_known.txt")
    known = set()
    if os.path.exists(known_path):
        with open(known_path, encoding="utf-8") as f:
            known = {l.strip() for l in f if l.strip() and not l.startswith("#")}
    found = violations(root)
    new = [v for v in found if v not in known]
    gone = sorted(known - set(found))
    for v in new:
        print(f"include goes up a layer: {v}")
    for v in gone:
        print(f"listed in layers_known.txt but gone (take it off the list): {v}")
    print(f"{len(found)} upward includes, {len(known)} listed")
    return 1 if new or gone else 0


if __name__ == "__main__":
    sys.exit(main())
