#!/usr/bin/env python3
"""Fails when the project's files include each other in a circle.

A header and its source count as one unit (foo.h with foo.cpp), so a circle is a unit whose
source includes another unit's header that, through its own source or header, comes back.
Circles allowed by design are listed below with the reason.
"""
import os
import re
import subprocess
import sys

# The chart calls back into its property objects and they into the chart: one object split in two files.
ALLOWED = [{"core/chart/chart", "core/chart/chartprops"}]

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
os.chdir(root)
listed = subprocess.run(["git", "ls-files", "*.h", "*.cpp"], capture_output=True, text=True)
files = listed.stdout.split() if listed.returncode == 0 else []
if not files:  # a source tree without git, such as an unpacked release
    files = [os.path.relpath(os.path.join(d, f)) for d, dirs, names in os.walk(".")
             for f in names if f.endswith((".h", ".cpp"))
             if not os.path.relpath(d).startswith("build")]
    files = [os.path.normpath(f) for f in files]
by_name = {}
for f in files:
    by_name.setdefault(os.path.basename(f), []).append(f)
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def resolve(source, name):
    for candidate in (os.path.normpath(os.path.join(os.path.dirname(source), name)), os.path.normpath(name)):
        if candidate in files:
            return candidate
    found = by_name.get(os.path.basename(name), [])
    return found[0] if len(found) == 1 else None


def unit(path):
    return os.path.splitext(path)[0]


edges = {}
for f in files:
    with open(f, encoding="utf-8", errors="replace") as text:
        for line in text:
            m = include.match(line)
            if not m:
                continue
            target = resolve(f, m.group(1))
            if target and unit(target) != unit(f):
                edges.setdefault(unit(f), set()).add(unit(target))

# Tarjan's strongly connected components.
index, low, stack, on_stack, components = {}, {}, [], set(), []
counter = [0]


def visit(v):
    index[v] = low[v] = counter[0]
    counter[0] += 1
    stack.append(v)
    on_stack.add(v)
    for w in edges.get(v, ()):
        if w not in index:
            visit(w)
            low[v] = min(low[v], low[w])
        elif w in on_stack:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        component = set()
        while True:
            w = stack.pop()
            on_stack.discard(w)
            component.add(w)
            if w == v:
                break
        if len(component) > 1:
            components.append(component)


sys.setrecursionlimit(10000)
for v in sorted(set(edges) | {w for ws in edges.values() for w in ws}):
    if v not in index:
        visit(v)

bad = [c for c in components if c not in ALLOWED]
for c in bad:
    print("files include each other in a circle: " + ", ".join(sorted(c)))
sys.exit(1 if bad else 0)
