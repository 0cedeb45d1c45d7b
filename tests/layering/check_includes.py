#!/usr/bin/env python3
"""Fails when an #include in src/ points up a layer or closes a cycle.

Layers, lowest first: core, toolkit, windows, features, driver, app. A file
may include its own folder and any folder below it. The core includes no Qt
header. Between two subjects under features/ includes run one way only, and
no chain of them leads back to where it started.

Usage: check_includes.py SRC_DIR   (exit 0 when the tree holds, 1 otherwise)
"""
import os
import re
import sys

LAYERS = ["core", "toolkit", "windows", "features", "driver", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def folder_of(path):
    """('features', 'search') for features/search/x.h, ('core', None) for core/x.h."""
    parts = path.split("/")
    if parts[0] == "features" and len(parts) > 2:
        return parts[0], parts[1]
    return parts[0], None


def check(src):
    errors = []
    feature_edges = {}
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            full = os.path.join(root, name)
            rel = os.path.relpath(full, src).replace(os.sep, "/")
            layer, subject = folder_of(rel)
            if layer not in LAYERS:
                errors.append(f"{rel}: folder '{layer}' is not a layer")
                continue
            with open(full, encoding="utf-8") as f:
                text = f.read()
            for kind, target in INCLUDE.findall(text):
                if kind == "<":
                    if layer == "core" and re.match(r"Q[A-Za-z]", target):
                        errors.append(f"{rel}: the core includes the Qt header <{target}>")
                    continue
                t_layer, t_subject = folder_of(target)
                if t_layer not in LAYERS:
                    continue  # generated headers beside the build (the version)
                if not os.path.exists(os.path.join(src, target)):
                    errors.append(f"{rel}: includes \"{target}\", which does not exist")
                if LAYERS.index(t_layer) > LAYERS.index(layer):
                    errors.append(f"{rel}: '{layer}' includes \"{target}\" from the higher layer '{t_layer}'")
                if layer == "features" and t_layer == "features" and subject != t_subject:
                    feature_edges.setdefault(subject, set()).add(t_subject)
    errors += cycles(feature_edges)
    return errors


def cycles(edges):
    """One message per subject that reaches itself again."""
    found = []
    for start in sorted(edges):
        stack, seen = [(start, [start])], set()
        while stack:
            node, path = stack.pop()
            for nxt in sorted(edges.get(node, ())):
                if nxt == start:
                    found.append("features: includes run in a cycle: " + " -> ".join(path + [start]))
                    stack.clear()
                    break
                if nxt not in seen:
                    seen.add(nxt)
                    stack.append((nxt, path + [nxt]))
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    errors = check(sys.argv[1])
    for e in errors:
        print(e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
