#!/usr/bin/env python3
"""The rooms of src/ and the order they keep: a room includes only itself and rooms below it.

Reads every #include "room/..." under src/, prints the room-level include graph and the pairs of rooms
that reach each other (directly or through other rooms), and fails on any include against the order.
The link checks of the build enforce the same order for what is linked; this also catches a header
used only for its inline code.
"""
import itertools
import os
import re
import sys

# Bottom up. A room may include the rooms listed for it and, through them, what they may include.
MAY_INCLUDE = {
    "base": [],
    "db": ["base"],
    "grid": ["base"],
    "session": ["db"],
    "ui": ["session", "grid"],
    "about": ["ui"],
    "profiles": ["ui"],
    "catalogue": ["ui"],
    "results": ["catalogue"],
    "mainwindow": ["results", "profiles", "about"],
    "app": ["mainwindow"],
}


def below(room, seen=None):
    seen = set() if seen is None else seen
    for r in MAY_INCLUDE[room]:
        if r not in seen:
            seen.add(r)
            below(r, seen)
    return seen


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    edges = {}
    wrong = []
    for room in sorted(os.listdir(src)):
        folder = os.path.join(src, room)
        if not os.path.isdir(folder):
            continue
        if room not in MAY_INCLUDE:
            wrong.append(f"src/{room}: a room without a place in the order")
            continue
        allowed = below(room) | {room}
        for name in sorted(os.listdir(folder)):
            if not name.endswith((".h", ".cpp")):
                continue
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                for line in f:
                    m = re.match(r'\s*#\s*include\s+"([^/"]+)/', line)
                    if not m:
                        continue
                    target = m.group(1)
                    edges.setdefault(room, set()).add(target)
                    if target not in allowed:
                        wrong.append(f"src/{room}/{name} includes {target}/: above or beside {room}")

    def reach(a):
        out, todo = set(), [a]
        while todo:
            for b in edges.get(todo.pop(), ()):
                if b not in out:
                    out.add(b)
                    todo.append(b)
        return out

    rooms = sorted(set(edges) | {b for v in edges.values() for b in v})
    mutual = [(a, b) for a, b in itertools.combinations(rooms, 2) if b in reach(a) and a in reach(b)]
    for room in rooms:
        print(f"{room:>10} -> {', '.join(sorted(edges.get(room, set()) - {room}))}")
    print(f"pairs of rooms that include each other: {len(mutual)}")
    for a, b in mutual:
        print(f"  {a} <-> {b}")
    for w in wrong:
        print(w)
    return 1 if wrong or mutual else 0


if __name__ == "__main__":
    sys.exit(main())
