#!/usr/bin/env python3
"""Fails when an #include in src/ points up a layer or closes a cycle.

Layers, lowest first: core, toolkit, session, windows, features, driver,
app. A file may include its own folder and any folder below it. The core
includes no Qt header. The session (the device session, Qt without widgets)
reaches no widget or GUI header, not even through a toolkit header. Between two subjects under features/ includes run one way only, and
no chain of them leads back to where it started.

Usage: check_includes.py SRC_DIR   (exit 0 when the tree holds, 1 otherwise)
"""
import os
import re
import sys

LAYERS = ["core", "toolkit", "session", "windows", "features", "driver", "app"]
# Qt headers of the widget and GUI modules: the session may not reach them.
GUI = re.compile(r"^Q(t?Widgets|t?Gui|Widget|Application|GuiApplication|Label|PushButton|LineEdit|ComboBox|"
                 r"ListWidget|CheckBox|RadioButton|Frame|GroupBox|Color|Pixmap|Painter|Font|Image|Dialog|MessageBox)\b")
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
    errors += session_gui(src)
    return errors


def session_gui(src):
    """One message per session file that reaches a widget or GUI header."""
    def reached(rel, seen):
        full = os.path.join(src, rel)
        if rel in seen or not os.path.exists(full):
            return None
        seen.add(rel)
        with open(full, encoding="utf-8") as f:
            for kind, target in INCLUDE.findall(f.read()):
                if kind == "<" and GUI.match(target):
                    return target
                if kind == '"':
                    hit = reached(target, seen)
                    if hit:
                        return hit
        return None

    found = []
    folder = os.path.join(src, "session")
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        if name.endswith((".h", ".cpp")):
            hit = reached("session/" + name, set())
            if hit:
                found.append(f"session/{name}: reaches the widget or GUI header <{hit}>")
    return found


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
