#!/usr/bin/env python3
"""docs/reference.md against what the control really offers: every member and event of the type library
source (control/Tarnwick.idl), its number in control/TarnwickDispIds.h and its entry in the dispatch table
must be in the reference with the same DISPID, access, types and parameters, and nothing else may be
listed there. Each member has a VBScript and a C++ example; the C++ ones must compile against
host/ControlClient.h. A few broken copies of the sources check that the check itself notices.

Usage: check_reference.py              prints "ok - ..." / "not ok - ..." lines and "N passed, M failed"
       check_reference.py --write-vbs FILE   writes a script that runs every VBScript example under cscript"""
import os, re, shutil, subprocess, sys, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
IDL, IDS, REF = "control/Tarnwick.idl", "control/TarnwickDispIds.h", "docs/reference.md"
KINDS = ("Properties", "Methods", "Events")


def read(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return f.read()


def table_file():
    """The control's source that holds the dispatch table."""
    for name in sorted(os.listdir(os.path.join(ROOT, "control"))):
        if name.endswith(".cpp") and "DispEntry<" in read("control/" + name):
            return "control/" + name
    return None


def split_top(text, sep=","):
    """Splits at separators outside brackets and quotes."""
    parts, depth, quote, cur = [], 0, False, ""
    for ch in text:
        if ch == '"':
            quote = not quote
        elif not quote and ch in "([{<":
            depth += 1
        elif not quote and ch in ")]}>":
            depth -= 1
        if ch == sep and depth == 0 and not quote:
            parts.append(cur.strip())
            cur = ""
        else:
            cur += ch
    if cur.strip():
        parts.append(cur.strip())
    return parts


def bracketed(text, start, opening, closing):
    """The text between the bracket at start and its match, and the index after the match."""
    depth, quote = 0, False
    for i in range(start, len(text)):
        ch = text[i]
        if ch == '"':
            quote = not quote
        elif not quote and ch == opening:
            depth += 1
        elif not quote and ch == closing:
            depth -= 1
            if depth == 0:
                return text[start + 1:i], i + 1
    raise ValueError("unbalanced " + opening)


def norm_type(t):
    return re.sub(r"\s*\*", "*", re.sub(r"\s+", " ", t.strip()))


def norm_vt(v):
    return re.sub(r"\s*\|\s*", "|", v.strip())


class Member:
    def __init__(self, name, dispid, type_=None, access=(), params=None):
        self.name, self.dispid, self.type, self.access, self.params = name, dispid, type_, set(access), params

    def sig(self):
        return [(tuple(sorted(d)), t, n) for d, t, n in self.params] if self.params is not None else None


def parse_params(text):
    params = []
    for p in split_top(text):
        m = re.match(r"^\[(.*?)\]\s*(.+?)\s*(\w+)$", p, re.S)
        if not m:
            raise ValueError("parameter without [in]/[out]: " + p)
        params.append(({d.strip() for d in m.group(1).split(",")}, norm_type(m.group(2)), m.group(3)))
    return params


def parse_ids(text):
    ids = {m.group(1): int(m.group(2)) for m in re.finditer(r"#define (DISPID_TW_\w+) \(?(-?\d+)\)?", text)}
    counts = {ids.get(m.group(1)): int(m.group(2))
              for m in re.finditer(r"case (DISPID_TW_EVENT_\w+): return (\d+);", text)}
    return ids, counts


def dispid_of(attrs, ids):
    for a in attrs:
        m = re.match(r"^id\((.*)\)$", a)
        if m:
            v = m.group(1).strip()
            return ids[v] if v in ids else int(v)
    raise ValueError("no id() among " + ", ".join(attrs))


def parse_idl(text, ids):
    """{interface: {name: Member}} for _DTarnwick and _DTarnwickEvents, and {enum: {constant: value}}."""
    text = re.sub(r"//[^\n]*", "", text)
    found = {}
    for m in re.finditer(r"dispinterface\s+(\w+)\s*(?=\{)", text):
        body, _ = bracketed(text, m.end(), "{", "}")
        members, section = {}, "methods"
        for decl in split_top(body, ";"):
            for label in ("properties:", "methods:"):
                if decl.startswith(label):
                    section, decl = label[:-1], decl[len(label):].strip()
            if not decl:
                continue
            attr_text, after = bracketed(decl, decl.index("["), "[", "]")
            attrs, rest = split_top(attr_text), decl[after:].strip()
            dispid = dispid_of(attrs, ids)
            if section == "properties":
                type_, name = rest.rsplit(None, 1)
                members[name] = Member(name, dispid, norm_type(type_), {"propget", "propput"})
                continue
            sm = re.match(r"^(.+?)\s*(\w+)\s*\((.*)\)$", rest, re.S)
            ret, name, params = norm_type(sm.group(1)), sm.group(2), parse_params(sm.group(3))
            access = {a for a in attrs if a in ("propget", "propput")}
            if access:  # a property declared as its accessors
                type_ = ret if "propget" in access else params[-1][1]
                old = members.setdefault(name, Member(name, dispid, type_))
                if old.dispid != dispid or old.type != type_:
                    raise ValueError(name + ": its accessors disagree")
                old.access |= access
            else:
                members[name] = Member(name, dispid, ret, params=params)
        found[m.group(1)] = members
    enums = {m.group(1): {c.group(1): int(c.group(2)) for c in re.finditer(r"(\w+)\s*=\s*(-?\d+)", m.group(2))}
             for m in re.finditer(r"enum\s+(\w+)\s*\{([^}]*)\}", text)}
    return found, enums


def parse_table(text, ids):
    """{name: (dispid, kind, vt, access, params)} from the dispatch table."""
    start = re.search(r"DispEntry<\w+>\s+\w+\[\]\s*=\s*", text)
    if not start:
        raise ValueError("no dispatch table (fw::DispEntry<...> name[] = {...}) among the control's sources")
    body, _ = bracketed(text, start.end(), "{", "}")
    body = re.sub(r"//[^\n]*", "", body)
    entries = {}
    for item in filter(None, split_top(body)):
        f = split_top(item.strip()[1:-1])
        id_, name, kind, vt, get, put, params = f[0], f[1][2:-1], f[2], f[3], f[4], f[5], f[6]
        access = {"propget"} if get != "nullptr" else set()
        if put != "nullptr":
            access.add("propput")
        vts = [norm_vt(v) for v in split_top(params.strip()[1:-1])]
        if int(f[7]) != len(vts):
            raise ValueError(name + ": the table's parameter count is not its list's length")
        entries[name] = (ids.get(id_, id_), kind, norm_vt(vt), access, vts)
    return entries


class Entry:
    def __init__(self, name):
        self.name, self.sig, self.dispatch = name, None, None
        self.examples = {}  # language -> [(code, run)]


def parse_reference(text):
    """{section: {name: Entry}} from the reference's fixed headings and signature blocks; examples that
    stand before a section's first member belong to the section's entry "" (not a member)."""
    sections, section, entry, problems = {}, None, None, []
    lines, i = text.split("\n"), 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("## "):
            section = line[3:].strip()
            entry = sections.setdefault(section, {})[""] = Entry("")
        elif line.startswith("### ") and section in KINDS + ("Enumerations",):
            name = line[4:].strip()
            if name in sections[section]:
                problems.append(f"{name} is listed twice under {section}")
            entry = sections[section][name] = Entry(name)
        elif line.startswith("```") and section is not None:
            info = line[3:].split()
            j = lines.index("```", i + 1)
            code = lines[i + 1:j]
            if info and info[0] == "idl" and entry.sig is None and entry.name:
                entry.sig = [c for c in code if c.strip() and not c.startswith("// dispatch:")]
                entry.dispatch = next((c[len("// dispatch:"):].strip() for c in code if c.startswith("// dispatch:")),
                                      None)
            elif info and info[0] in ("vbscript", "cpp"):
                entry.examples.setdefault(info[0], []).append(("\n".join(code), "norun" not in info[1:]))
            i = j
        i += 1
    return sections, problems


def ref_member(entry, section):
    """The Member a reference entry describes, and whether it says it is outside the type library."""
    if not entry.sig or len(entry.sig) != 1:
        raise ValueError(f"{entry.name}: no one-line signature block")
    m = re.match(r"^\[(.*?)\]\s*(.+?)\s*(\w+)\s*(\((.*)\))?$", entry.sig[0].strip())
    if not m:
        raise ValueError(f"{entry.name}: signature not understood: {entry.sig[0]}")
    attrs = split_top(m.group(1))
    dispid = dispid_of(attrs, {})
    access = {a for a in attrs if a in ("propget", "propput")}
    member = Member(m.group(3), dispid, norm_type(m.group(2)), access,
                    parse_params(m.group(5)) if m.group(4) is not None else None)
    if section == "Properties" and m.group(4) is not None:
        raise ValueError(f"{entry.name}: a property takes no parameter list")
    if section != "Properties" and (m.group(4) is None or access):
        raise ValueError(f"{entry.name}: a method or event is written with its parameter list and no access")
    return member, "dispatchonly" in attrs


def check(sources):
    """Every disagreement between the reference and the sources, as sentences."""
    try:
        return disagreements(sources)
    except (ValueError, KeyError, AttributeError, IndexError) as e:  # a source the parsers cannot read
        return [f"the sources cannot be read: {type(e).__name__} {e}"]


def disagreements(sources):
    problems = []
    ids, arg_counts = parse_ids(sources[IDS])
    interfaces, enums = parse_idl(sources[IDL], ids)
    table = parse_table(sources["table"], ids)
    ref, ref_problems = parse_reference(sources[REF])
    problems += ref_problems
    lib = {"Properties": {n: m for n, m in interfaces["_DTarnwick"].items() if m.params is None},
           "Methods": {n: m for n, m in interfaces["_DTarnwick"].items() if m.params is not None},
           "Events": interfaces["_DTarnwickEvents"]}
    for section in KINDS:
        listed = {n: e for n, e in ref.get(section, {}).items() if n}
        wanted = dict(lib[section])
        if section != "Events":  # members that only the dispatch table has
            kind = "DISP_PROPERTY" if section == "Properties" else "DISP_METHOD"
            for name, (dispid, k, *_rest) in table.items():
                if k == kind and name not in wanted:
                    wanted[name] = None
        for name in wanted:
            if name not in listed:
                problems.append(f"{name} ({section[:-1].lower()}) is missing from the reference")
        for name, entry in listed.items():
            if name not in wanted:
                problems.append(f"{name} is listed under {section} but the control has no such {section[:-1].lower()}")
                continue
            try:
                member, dispatch_only = ref_member(entry, section)
            except ValueError as e:
                problems.append(str(e))
                continue
            if member.name != name:
                problems.append(f"{name}: the heading names another member than its signature ({member.name})")
            problems += compare(section, name, member, dispatch_only, entry, wanted[name], table.get(name),
                                arg_counts)
    listed = {n: e for n, e in ref.get("Enumerations", {}).items() if n}
    for name, constants in enums.items():
        entry = listed.get(name)
        text = " ".join(entry.sig) if entry and entry.sig else ""
        got = {c.group(1): int(c.group(2)) for c in re.finditer(r"(\w+)\s*=\s*(-?\d+)", text)}
        if got != constants:
            problems.append(f"enumeration {name}: the reference gives {got or 'nothing'}, the library {constants}")
    for name in listed:
        if name not in enums:
            problems.append(f"enumeration {name} is listed but the library has no such enumeration")
    for section in KINDS:
        for name, entry in ref.get(section, {}).items():
            for lang in ("vbscript", "cpp") if name else ():
                if not entry.examples.get(lang):
                    problems.append(f"{name} has no {lang} example")
    return problems


def compare(section, name, member, dispatch_only, entry, lib, row, arg_counts):
    problems = []
    where = f"{name}:"
    if lib is None and not dispatch_only:
        problems.append(f"{where} not in the type library, but not marked dispatchonly")
    if lib is not None and dispatch_only:
        problems.append(f"{where} marked dispatchonly, but the type library has it")
    if lib is not None:
        if member.dispid != lib.dispid:
            problems.append(f"{where} DISPID {member.dispid} in the reference, {lib.dispid} in the type library")
        if member.type != lib.type:
            problems.append(f"{where} type {member.type} in the reference, {lib.type} in the type library")
        if section == "Properties" and member.access != lib.access:
            problems.append(f"{where} access {sorted(member.access)} in the reference, "
                            f"{sorted(lib.access)} in the type library")
        if section != "Properties" and member.sig() != lib.sig():
            problems.append(f"{where} parameters {fmt(member.params)} in the reference, "
                            f"{fmt(lib.params)} in the type library")
    if section == "Events":
        count = arg_counts.get(member.dispid)
        if count != len(member.params):
            problems.append(f"{where} {len(member.params)} parameters in the reference, "
                            f"TwEventArgCount says {count}")
        return problems
    if row is None:
        return problems + [f"{where} the dispatch table has no entry of that name"]
    dispid, kind, vt, access, vts = row
    if member.dispid != dispid:
        problems.append(f"{where} DISPID {member.dispid} in the reference, {dispid} in the dispatch table")
    declared = entry.dispatch.split(", ") if entry.dispatch and entry.dispatch != "none" else []
    if section == "Properties":
        if member.access != access:
            problems.append(f"{where} access {sorted(member.access)} in the reference, "
                            f"{sorted(access)} in the dispatch table")
        if declared != [vt]:
            problems.append(f"{where} converted to {entry.dispatch} in the reference, {vt} in the dispatch table")
    else:
        if declared != vts:
            problems.append(f"{where} arguments converted to {entry.dispatch} in the reference, "
                            f"{', '.join(vts) or 'none'} in the dispatch table")
        if len(member.params) != len(vts):
            problems.append(f"{where} {len(member.params)} parameters in the reference, "
                            f"{len(vts)} in the dispatch table")
    return problems


def fmt(params):
    return "(" + ", ".join(f"[{', '.join(sorted(d))}] {t} {n}" for d, t, n in params) + ")"


# --- Examples

CPP_HEAD = """#include "host/ControlClient.h"
#include "host/EventSink.h"
#include "control/TarnwickDispIds.h"
#include <string>
#include <vector>
"""


def cpp_examples(ref):
    return [(entry.name or f"the {section} section", code) for section, entries in ref.items()
            for entry in entries.values() for code, _ in entry.examples.get("cpp", [])]


def compile_cpp(examples, compiler):
    """The names whose example does not compile, or None when every one does."""
    text, owners = CPP_HEAD, []
    for n, (name, code) in enumerate(examples):
        text += f"namespace example{n} {{\n[[maybe_unused]] void Run(IDispatch* ctl, DISPID id, DISPPARAMS* dp)\n{{\n"
        text += "(void)ctl; (void)id; (void)dp;\n"
        first = text.count("\n") + 1
        text += code + "\n}\n}\n"
        owners.append((first, text.count("\n"), name))
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "examples.cpp")
        with open(path, "w") as f:
            f.write(text)
        r = subprocess.run([compiler, "-std=c++17", "-fsyntax-only", "-I", ROOT, path],
                           capture_output=True, text=True)
    if r.returncode == 0:
        return None
    bad = set()
    for m in re.finditer(re.escape(path) + r":(\d+):\d+: error", r.stderr):
        line = int(m.group(1))
        bad |= {name for first, last, name in owners if first <= line <= last}
    return sorted(bad) or ["(outside the examples) " + r.stderr.strip().split("\n")[0]]


def write_vbs(ref, path):
    """A script for cscript: each example runs on a control of its own and must raise no error. Event
    handlers (Sub definitions) and examples marked norun are only parsed."""
    top, body, n = [], [], 0
    for section, entries in ref.items():
        for entry in entries.values():
            for code, run in entry.examples.get("vbscript", []):
                if re.match(r"^\s*(Sub|Function)\s", code):
                    top.append(code)
                    continue
                n += 1
                top.append(f"Sub Example{n}(ctl)\n{code}\nEnd Sub")
                if run:
                    body.append(f'Set ctl = CreateObject("Tarnwick.TarnwickCtrl.1")\nOn Error Resume Next\n'
                                f'Example{n} ctl\nReport Err.Number, Err.Description, "VBScript example of '
                                f'{entry.name or "the " + section + " section"} runs"\nOn Error GoTo 0\nSet ctl = Nothing')
    with open(path, "w", newline="\r\n") as f:
        f.write("' Generated from docs/reference.md by tests/docs/check_reference.py.\nOption Explicit\n"
                "Dim passed, failed, ctl\npassed = 0 : failed = 0\n"
                "Sub Report(number, description, name)\n"
                "    If number = 0 Then\n        passed = passed + 1 : WScript.Echo \"ok - \" & name\n"
                "    Else\n        failed = failed + 1\n"
                "        WScript.Echo \"not ok - \" & name & \" (error \" & number & \": \" & description & \")\"\n"
                "    End If\nEnd Sub\n\n")
        f.write("\n\n".join(top) + "\n\n" + "\n".join(body) + "\n")
        f.write('WScript.Echo passed & " passed, " & failed & " failed"\nIf failed > 0 Then WScript.Quit 1\n')


# --- The check, and the check of the check

def mutations(sources):
    """Broken copies of the sources, each with the member whose fault the check must name; None for a copy
    that could not be made because the text it changes is not there any more."""
    def edit(key, old, new):
        if not old or old not in sources[key]:
            return None
        copy = dict(sources)
        copy[key] = sources[key].replace(old, new, 1)
        return copy

    def find(key, pattern, group=0):
        m = re.search(pattern, sources[key], re.S)
        return m.group(group) if m else None

    def table_entry(macro, field=None, value=None):
        """The dispatch table's entry of a DISPID, or a copy of it with one field changed."""
        entry = find("table", r"\{" + macro + r",.*?\{[^{}]*\},\s*\d+\}")
        if entry is None or field is None:
            return entry
        fields = split_top(entry[1:-1])
        fields[field] = value
        return "{" + ", ".join(fields) + "}"

    def renumber(key, pattern, new):
        old = find(key, pattern)
        return edit(key, old, re.sub(r"\d+", new, old)) if old else None

    add = find(REF, r"\n### AddSearch\n.*?(?=\n### )")
    audio = table_entry("DISPID_TW_SETHIDEAUDIOLENGTH")
    tip = table_entry("DISPID_TW_TIPTEXT")
    return [
        ("a member left out of the reference", "AddSearch", edit(REF, add, "")),
        ("a member listed that does not exist", "AddSearches",
         edit(REF, add, add + add.replace("AddSearch", "AddSearches")) if add else None),
        ("a parameter's type changed in the type library", "AddSearch",
         edit(IDL, "[in] short patternCnt", "[in] long patternCnt")),
        ("a parameter renamed in the reference", "GetMusicCounts", edit(REF, "long* lTotalMusic)", "long* lTotal)")),
        ("a DISPID renumbered in the header", "Lookup", renumber(IDS, r"#define DISPID_TW_LOOKUP \d+", "60")),
        ("an entry dropped from the dispatch table", "ExtendedTags",
         edit("table", table_entry("DISPID_TW_EXTENDEDTAGS"), "")),
        ("an argument converted otherwise in the dispatch table", "SetHideAudioLength",
         edit("table", audio, table_entry("DISPID_TW_SETHIDEAUDIOLENGTH", 6, "{VT_I2}"))),
        ("a read-write property made read-only", "TipText",
         edit("table", tip, table_entry("DISPID_TW_TIPTEXT", 5, "nullptr"))),
        ("an event's argument count changed", "ItemDblClick",
         renumber(IDS, r"case DISPID_TW_EVENT_ITEMDBLCLICK: return \d+;", "7")),
        ("an enumeration constant renumbered", "ViewConstants", renumber(IDL, r"TwViewFile = \d+", "6")),
        ("an example left out", "HideHelp",
         edit(REF, find(REF, r"\n### HideHelp\n.*?(\n```cpp\n.*?\n```\n)", 1), "\n")),
    ]


def main():
    table = table_file()
    sources = {k: read(k) for k in (IDL, IDS, REF)}
    sources["table"] = read(table) if table else ""
    if "--write-vbs" in sys.argv:
        write_vbs(parse_reference(sources[REF])[0], sys.argv[sys.argv.index("--write-vbs") + 1])
        return 0
    results = []
    problems = check(sources)
    for p in problems:
        print("    " + p)
    results.append((not problems, "the reference lists every member, event and enumeration as the control has them"))
    for label, name, broken in mutations(sources):
        if broken is None:
            results.append((False, f"the check notices {label} ({name}): the text it changes is gone"))
            continue
        results.append((any(name in p for p in check(broken)), f"the check notices {label} ({name})"))
    compiler = shutil.which("x86_64-w64-mingw32-g++-posix")
    examples = cpp_examples(parse_reference(sources[REF])[0])
    if compiler:
        bad = compile_cpp(examples, compiler)
        results.append((bad is None, "every C++ example compiles" + (": not " + ", ".join(bad) if bad else "")))
        bad = compile_cpp(examples + [("a broken example", "Method(ctl, NoSuchThing);")], compiler)
        results.append((bad == ["a broken example"], "the compile check names a broken example"))
    else:
        print("skip - the C++ examples: no x86_64-w64-mingw32-g++-posix")
    for ok, name in results:
        print(("ok - " if ok else "not ok - ") + name)
    failed = sum(1 for ok, _ in results if not ok)
    print(f"{len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
