#!/usr/bin/env python3
"""The build's layers, and a check that every include and every link runs down them.

Each folder is one layer and one library. ARROWS names what a layer may use
directly: another layer (and, through it, everything that layer may use), or
one header of a layer that is otherwise out of reach. A file may always use its
own folder. Folders not named here (tests, benchmarks, the soak, the fuzzers)
may use every layer.

    tools/layers.py [ROOT]    prints each include or link that runs the wrong way
                              as FILE:LINE and exits 1 if there is one
"""
import os
import re
import sys

ARROWS = {
    'platform': [],
    'framework': [],
    'catalogue': ['platform'],
    'scan': ['catalogue'],
    'lookup': ['catalogue', 'framework'],
    'listctrl': ['catalogue', 'framework'],
    'views': ['listctrl', 'scan', 'lookup'],
    'control': ['views'],
    'cddb': ['lookup/CddbApi.h', 'framework'],
    'host': ['framework', 'control/TarnwickDispIds.h'],
}

SOURCES = ('.h', '.cpp', '.c', '.rc')
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
LINK = re.compile(r'target_link_libraries\(\s*(\S+)([^)]*)\)', re.S)
LIBRARY = re.compile(r'add_library\(\s*(\S+)')


def reach(layer, seen=None):
    """Every layer and header that `layer` may use, itself included."""
    seen = set() if seen is None else seen
    if layer not in seen:
        seen.add(layer)
        for used in ARROWS.get(layer, []):
            if used in ARROWS:
                reach(used, seen)
            else:
                seen.add(used)
    return seen


def allowed(layer, target):
    """Whether a file of `layer` may use `target`, a path from the root."""
    if layer not in ARROWS:
        return True
    top = target.split('/', 1)[0]
    usable = reach(layer)
    return top in usable or target in usable


def resolve(root, source, name):
    """The included file as a path from the root, or None when it is not ours."""
    for base in (os.path.dirname(source), root):
        path = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(path) and os.path.commonpath([root, path]) == root:
            return os.path.relpath(path, root).replace(os.sep, '/')
    return None


def layer_of(root, path):
    return os.path.relpath(path, root).replace(os.sep, '/').split('/', 1)[0]


def walk(root):
    for top in sorted(os.listdir(root)):
        if top.startswith('.') or top == 'build' or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(files):
                yield os.path.join(folder, name)


def check_includes(root, path):
    layer = layer_of(root, path)
    with open(path, encoding='utf-8', errors='replace') as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            target = m and resolve(root, path, m.group(1))
            if target and not allowed(layer, target):
                yield f'{os.path.relpath(path, root)}:{number}: {layer}/ may not include {target}'


def check_links(root, lists):
    """Our libraries, by folder, and each link of a layer to one out of its reach."""
    owner = {}
    for path in lists:
        with open(path, encoding='utf-8') as f:
            for m in LIBRARY.finditer(f.read()):
                owner[m.group(1)] = layer_of(root, path)
    for path in lists:
        layer = layer_of(root, path)
        with open(path, encoding='utf-8') as f:
            text = f.read()
        for m in LINK.finditer(text):
            number = text.count('\n', 0, m.start()) + 1
            for lib in m.group(2).split():
                used = owner.get(lib)
                if used and used != layer and not allowed(layer, used):
                    yield f'{os.path.relpath(path, root)}:{number}: {layer}/ may not link {lib} ({used}/)'


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..'))
    faults, lists, files = [], [], 0
    for path in walk(root):
        if path.endswith(SOURCES):
            files += 1
            faults.extend(check_includes(root, path))
        elif os.path.basename(path) == 'CMakeLists.txt' and os.path.dirname(path) != root:
            lists.append(path)
    faults.extend(check_links(root, lists))
    for fault in faults:
        print(fault)
    print(f'layers: {files} files, {len(faults)} includes or links against the layers')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
