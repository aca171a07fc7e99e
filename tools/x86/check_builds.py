#!/usr/bin/env python3
"""Static checks of the i686 modules against the x86_64 ones, run by ./tw test.

1. Exports: every entry point a COM client looks up by name is exported
   undecorated (DllGetClassObject, not _DllGetClassObject@12).
2. Interface slots: the debug information records, for every virtual method
   of every class compiled into a module, the slot it takes in the class's
   function table. For every class that descends from IUnknown both builds
   must give each method the same slot and the same number of parameters, and
   in the i686 build every method an interface declares must be __stdcall
   (its assembler name ends in @N): a method declared without the calling
   convention works in x86_64, which has only one, and breaks the i686 callers.
   A class's full description is in a module only where its function table is
   made, so the control shows the interfaces it implements and CddbLocal.dll
   the component's interfaces, which the control only calls.

Usage: check_builds.py WIN32_TREE WIN64_TREE
Prints one line per check and "N passed, M failed" last; exits 1 on a failure.
"""
import re
import subprocess
import sys

MODULES = ["control/Tarnwick.ocx", "cddb/CddbLocal.dll"]
ENTRY_POINTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]
# Interfaces each module must be seen to hold, so that a reading that found
# nothing cannot pass.
EXPECTED = {
    "control/Tarnwick.ocx": ["IUnknown", "IDispatch", "IOleObject", "IOleInPlaceObject", "IConnectionPoint",
                             "IPersistStreamInit", "IDropSource"],
    "cddb/CddbLocal.dll": ["IUnknown", "IDispatch", "ICddbComponent", "ICddbDisc", "ICddbTrack", "ICddbOptions"],
}
OBJDUMP = {"win32": "i686-w64-mingw32-objdump", "win64": "x86_64-w64-mingw32-objdump"}

DIE = re.compile(r"^ <(\d+)><([0-9a-f]+)>: Abbrev Number: (\d+)(?: \((DW_TAG_\w+)\))?")
ATTR = re.compile(r"^\s+<[0-9a-f]+>\s+(DW_AT_\w+)\s*: (.*)$")
SLOT = re.compile(r"DW_OP_constu: (\d+)\)")
STDCALL = re.compile(r"@\d+$")
# Interfaces go by the COM convention, IName in the global namespace; the
# classes that implement them are CName.
INTERFACE = re.compile(r"^I[A-Z]\w*$")
# The entries whose attributes are read; of the rest only the nesting counts.
KEPT = {"DW_TAG_namespace", "DW_TAG_structure_type", "DW_TAG_class_type", "DW_TAG_inheritance",
        "DW_TAG_subprogram", "DW_TAG_formal_parameter", "DW_TAG_typedef"}


def exports(objdump, path):
    text = subprocess.run([objdump, "-p", path], check=True, capture_output=True, text=True).stdout
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        m = re.match(r"^\s+\[\s*\d+\] (\S+)", line)
        if not m:
            break
        names.append(m.group(1))
    return names


def attr_text(value):
    m = re.match(r"^\(indirect [^)]*\): (.*)$", value)
    return (m.group(1) if m else value).strip()


def classes(objdump, path):
    """Every class with its bases and its methods' slots: name -> {bases, slots}."""
    proc = subprocess.Popen([objdump, "--dwarf=info", path], stdout=subprocess.PIPE, text=True)
    dies = {}      # offset -> die
    stack = []     # open dies by depth
    cur = None
    for line in proc.stdout:
        if line.startswith(" <"):
            m = DIE.match(line)
            if not m:
                continue
            depth, abbrev = int(m.group(1)), m.group(3)
            del stack[depth:]
            if abbrev == "0":
                cur = None
                continue
            parent = stack[-1] if stack else None
            cur = {"tag": m.group(4), "attrs": {}, "parent": parent, "kids": []}
            dies[int(m.group(2), 16)] = cur
            if parent:
                parent["kids"].append(cur)
            stack.append(cur)
        elif cur is not None and cur["tag"] in KEPT:
            m = ATTR.match(line)
            if m:
                cur["attrs"][m.group(1)] = m.group(2)
    if proc.wait() != 0:
        raise RuntimeError(f"{objdump} --dwarf=info {path} failed")

    def qualified(die):
        parts = []
        while die:
            if die["tag"] in ("DW_TAG_namespace", "DW_TAG_structure_type", "DW_TAG_class_type"):
                parts.append(attr_text(die["attrs"].get("DW_AT_name", "(anonymous)")))
            die = die["parent"]
        return "::".join(reversed(parts))

    found = {}
    for die in dies.values():
        if die["tag"] not in ("DW_TAG_structure_type", "DW_TAG_class_type"):
            continue
        if "DW_AT_name" not in die["attrs"] or "DW_AT_declaration" in die["attrs"]:
            continue
        name = qualified(die)
        entry = found.setdefault(name, {"bases": set(), "slots": {}})
        for kid in die["kids"]:
            a = kid["attrs"]
            if kid["tag"] == "DW_TAG_inheritance":
                base = dies.get(int(a["DW_AT_type"].strip("<>"), 16))
                while base and base["tag"] == "DW_TAG_typedef":
                    base = dies.get(int(base["attrs"]["DW_AT_type"].strip("<>"), 16))
                if base:
                    entry["bases"].add(qualified(base))
            elif kid["tag"] == "DW_TAG_subprogram" and "DW_AT_vtable_elem_location" in a:
                slot = SLOT.search(a["DW_AT_vtable_elem_location"])
                if not slot:
                    continue
                params = sum(1 for p in kid["kids"] if p["tag"] == "DW_TAG_formal_parameter"
                             and "DW_AT_artificial" not in p["attrs"])
                entry["slots"][int(slot.group(1))] = {
                    "name": attr_text(a.get("DW_AT_name", "?")),
                    "params": params,
                    "linkage": attr_text(a.get("DW_AT_linkage_name", "")),
                }
    return found


def com_classes(found):
    """The classes that descend from IUnknown (IUnknown itself included)."""
    com = {"IUnknown"} if "IUnknown" in found else set()
    grew = True
    while grew:
        grew = False
        for name, entry in found.items():
            if name not in com and entry["bases"] & com:
                com.add(name)
                grew = True
    return com


def main(win32, win64):
    passed = failed = 0

    def report(ok, text):
        nonlocal passed, failed
        print(("ok - " if ok else "not ok - ") + text)
        if ok:
            passed += 1
        else:
            failed += 1

    for module in MODULES:
        names = exports(OBJDUMP["win32"], f"{win32}/{module}")
        missing = [n for n in ENTRY_POINTS if n not in names]
        decorated = [n for n in names if n.startswith("_") or "@" in n]
        report(not missing and not decorated,
               f"i686 {module} exports {', '.join(ENTRY_POINTS)} undecorated"
               + (f" (missing {missing})" if missing else "") + (f" (decorated {decorated})" if decorated else ""))

        found = {tree: classes(OBJDUMP[tree], f"{path}/{module}") for tree, path in (("win32", win32), ("win64", win64))}
        com = {tree: com_classes(found[tree]) for tree in found}
        absent = [n for n in EXPECTED[module] if not all(n in com[t] and found[t][n]["slots"] for t in com)]
        report(not absent, f"{module}: the debug information of both builds holds the interfaces {EXPECTED[module]}"
               + (f" (not found: {absent})" if absent else ""))

        unlike = []
        slots = 0
        for name in sorted(com["win32"] | com["win64"]):
            a, b = found["win32"].get(name), found["win64"].get(name)
            if not a or not b:
                unlike.append(f"{name} is in one build only")
                continue
            for slot in sorted(set(a["slots"]) | set(b["slots"])):
                sa, sb = a["slots"].get(slot), b["slots"].get(slot)
                key_a = sa and (sa["name"], sa["params"])
                key_b = sb and (sb["name"], sb["params"])
                slots += 1
                if key_a != key_b:
                    unlike.append(f"{name} slot {slot}: i686 {key_a}, x86_64 {key_b}")
        report(not unlike, f"{module}: {len(com['win32'])} COM classes, each of {slots} slots alike in the i686 and x86_64 builds"
               + "".join(f"\n    {u}" for u in unlike[:20]))

        thiscall = []
        checked = 0
        for name in sorted(com["win32"]):
            if not INTERFACE.match(name):
                continue  # an implementation's own virtual methods are no COM slots
            for m in found["win32"][name]["slots"].values():
                checked += 1
                if not STDCALL.search(m["linkage"]):
                    thiscall.append(f"{name}::{m['name']} ({m['linkage']})")
        report(checked > 0 and not thiscall, f"{module}: every one of {checked} interface methods is __stdcall in the i686 build"
               + "".join(f"\n    not __stdcall: {t}" for t in thiscall[:20]))

    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
