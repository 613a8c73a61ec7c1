#!/usr/bin/env python3
"""Fails when a source includes a header of a layer above its own.

Layers, lowest first (a folder's files may include their own layer's headers
and those of every layer below):

    platform      platform/osal, platform/bt   (the OS and device stand-ins)
    link          link/                        (the controller link)
    libvu-core    libvu/core
    libvu-widgets libvu/widgets
    app-shell     app/shell
    app-comms     app/comms
    app-fiscal    app/fiscal
    app-main      app/main

tools/ (the stand-ins and helper programs) sits outside the layers and may
include anything but app/. tests/, bench/ and fuzz/ are not checked.

Includes are flat ("settings.h"): a header is found first beside the file
that includes it, then by its name in the layer folders. Headers that are
no layer's (system, third-party) are not checked.

The few upward includes that are known and not yet removed are listed in
scripts/layers-allowed.txt ("file header" per line); each is reported as
allowed, and a listed one that no longer occurs fails the check so that the
list only shrinks.

Usage: check-layers.py [ROOT] [--allowed FILE]
Exit status 0 when clean, 1 on an upward include, 2 on a usage error.
"""
import argparse
import os
import re
import sys

LAYERS = [
    ("platform", ["platform/osal", "platform/bt"]),
    ("link", ["link"]),
    ("libvu-core", ["libvu/core"]),
    ("libvu-widgets", ["libvu/widgets"]),
    ("app-shell", ["app/shell"]),
    ("app-comms", ["app/comms"]),
    ("app-fiscal", ["app/fiscal"]),
    ("app-main", ["app/main"]),
]
# Outside the layers, with the layers whose headers they must not include.
OUTSIDE = [("tools", "tools", ["app-shell", "app-comms", "app-fiscal", "app-main"])]
SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def rank_of(name):
    for n, (layer, _) in enumerate(LAYERS):
        if layer == name:
            return n
    raise KeyError(name)


def layer_of_dir(rel_dir):
    """The layer whose folder holds rel_dir (relative, '/'-separated), or None."""
    for layer, dirs in LAYERS:
        for d in dirs:
            if rel_dir == d or rel_dir.startswith(d + "/"):
                return layer
    return None


def sources(root, top):
    base = os.path.join(root, top)
    for dirpath, dirnames, filenames in os.walk(base):
        dirnames.sort()
        for name in sorted(filenames):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(dirpath, name)


def header_index(root):
    """Header file name -> the layers whose folders hold one of that name."""
    index = {}
    for layer, dirs in LAYERS:
        for d in dirs:
            for path in sources(root, d):
                index.setdefault(os.path.basename(path), set()).add(layer)
    return index


def resolve(root, path, header, index):
    """The layer of the header an include names, or None when no layer's."""
    beside = os.path.normpath(os.path.join(os.path.dirname(path), header))
    if os.path.isfile(beside):
        rel = os.path.relpath(beside, root).replace(os.sep, "/")
        layer = layer_of_dir(os.path.dirname(rel))
        if layer or not rel.startswith(".."):
            return layer
    layers = index.get(os.path.basename(header))
    if not layers:
        return None
    # A name held by several layers: the lowest is the one that can be meant
    # without crossing upward.
    return min(layers, key=rank_of)


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        in_comment = False
        for number, line in enumerate(f, 1):
            if in_comment:
                if "*/" not in line:
                    continue
                line = line.split("*/", 1)[1]
                in_comment = False
            stripped = line.lstrip()
            if stripped.startswith("/*") and "*/" not in stripped:
                in_comment = True
                continue
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1)


def load_allowed(path):
    allowed = set()
    if path and os.path.isfile(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.split("#", 1)[0].strip()
                if line:
                    parts = line.split()
                    if len(parts) != 2:
                        raise ValueError("%s: expected 'file header': %r" % (path, line))
                    allowed.add((parts[0], parts[1]))
    return allowed


def check(root, allowed):
    """(faults, allowed uses, counts) where counts[(from, to)] is the number
    of includes from one layer into another (own layer not counted)."""
    index = header_index(root)
    faults, used, counts = [], set(), {}
    scanned = [(layer, d, None) for layer, dirs in LAYERS for d in dirs]
    scanned += [(name, d, banned) for name, d, banned in OUTSIDE]
    for layer, d, banned in scanned:
        for path in sources(root, d):
            rel = os.path.relpath(path, root).replace(os.sep, "/")
            for number, header in includes(path):
                target = resolve(root, path, header, index)
                if target is None or target == layer:
                    continue
                counts[(layer, target)] = counts.get((layer, target), 0) + 1
                if banned is None:
                    upward = rank_of(target) > rank_of(layer)
                else:
                    upward = target in banned
                if not upward:
                    continue
                key = (rel, os.path.basename(header))
                if key in allowed:
                    used.add(key)
                    continue
                faults.append("%s:%d: %s includes \"%s\" of %s, a layer above it"
                              % (rel, number, layer, header, target))
    for rel, header in sorted(allowed - used):
        faults.append("%s: the allowed include of \"%s\" is gone: drop it from the allowed list"
                      % (rel, header))
    return faults, used, counts


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("root", nargs="?", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--allowed", help="list of known upward includes "
                        "(default: ROOT/scripts/layers-allowed.txt)")
    parser.add_argument("--counts", action="store_true", help="print the includes between layers")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    if not os.path.isdir(root):
        print("check-layers: no folder %s" % root, file=sys.stderr)
        return 2
    allowed_path = args.allowed or os.path.join(root, "scripts", "layers-allowed.txt")
    try:
        allowed = load_allowed(allowed_path)
    except ValueError as e:
        print("check-layers: %s" % e, file=sys.stderr)
        return 2
    faults, used, counts = check(root, allowed)
    if args.counts:
        for (src, dst), n in sorted(counts.items()):
            print("%-14s -> %-14s %4d" % (src, dst, n))
    for rel, header in sorted(used):
        print("allowed: %s includes \"%s\"" % (rel, header))
    for fault in faults:
        print(fault)
    if faults:
        print("check-layers: %d upward include(s)" % len(faults))
        return 1
    print("check-layers: no upward includes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
