#!/usr/bin/python3
"""Reads the same documents with the XML commands and with Python's
xml.etree, and compares what both see: the texts at a path, the attributes
of the first element at a path, the leaf paths, an element cut out, and
documents after their text or attributes were set.

The documents are made up from a fixed seed: nested elements with
Japanese names (表 and ソ carry a second byte 0x5C), attributes in both
quotes, text pieces between elements with blanks around them, comments.
All names differ in more than case, since the commands compare names in
any case and etree does not.

Usage: etree_check.py NOKARI. Exits 1 when a case differs."""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NOKARI = os.path.abspath(sys.argv[1])
NAMES = ["a", "b", "item", "表", "ソフト", "データ", "x1", "能力"]
ATTRS = ["id", "lang", "種類", "k"]
TEXTS = ["1", "hello world", "表示能力", "ソース", "a/b", "x=y", "全角　空白", "3.14"]
MARK = "@@@"

rng = random.Random(20240611)


def make_element(depth):
    el = ET.Element(rng.choice(NAMES))
    for name in rng.sample(ATTRS, rng.randint(0, 3)):
        el.set(name, rng.choice(TEXTS))
    if depth < 4:
        for _ in range(rng.randint(0, 3)):
            el.append(make_element(depth + 1))
    if rng.random() < 0.6:
        el.text = rng.choice(TEXTS)
    for child in el:
        if rng.random() < 0.3:
            child.tail = rng.choice(TEXTS)
    return el


def attribute_text(el):
    quote = rng.choice("\"'")
    return "".join(" %s=%s%s%s" % (k, quote, v, quote) for k, v in el.attrib.items())


def write(el, out, indent):
    """The element as text, with blanks, comments and both quotes mixed in."""
    pad = "\n" + "  " * indent if rng.random() < 0.7 else ""
    out.append("%s<%s%s" % (pad, el.tag, attribute_text(el)))
    if el.text is None and len(el) == 0:
        out.append(rng.choice(["/>", " />", "></%s>" % el.tag]))
    else:
        out.append(">")
        if el.text:
            out.append(rng.choice(["", " ", "\n\t"]) + el.text + rng.choice(["", "  ", "\r\n"]))
        for child in el:
            if rng.random() < 0.15:
                out.append("<!-- note > %s -->" % rng.choice(TEXTS))
            write(child, out, indent + 1)
            if child.tail:
                out.append(" " + child.tail + " ")
        out.append("</%s>" % el.tag)


def pieces(el):
    """The element's text pieces as the commands keep them: trimmed, none
    empty."""
    found = [el.text] + [c.tail for c in el]
    return [p.strip(" \t\r\n") for p in found if p and p.strip(" \t\r\n")]


def text_of(el):
    return "".join(pieces(el))


def leaf_paths(el):
    """The commands' leaf paths: text pieces count as children named ""."""
    items = []
    if el.text and el.text.strip(" \t\r\n"):
        items.append(None)
    for c in el:
        items.append(c)
        if c.tail and c.tail.strip(" \t\r\n"):
            items.append(None)
    if not items:
        return [el.tag]
    out = []
    for item in items:
        out += [el.tag + "\\"] if item is None else [el.tag + "\\" + p for p in leaf_paths(item)]
    return out


def find_all(root, parts):
    level = [root] if parts and parts[0] == root.tag else []
    for part in parts[1:]:
        level = [c for el in level for c in el if c.tag == part]
    return level


def find_first(root, parts):
    """Greedy: the first child of the name at each step, no going back."""
    el = root if parts and parts[0] == root.tag else None
    for part in parts[1:]:
        el = next((c for c in el if c.tag == part), None) if el is not None else None
    return el


def find_or_create(root, parts):
    el = root
    for part in parts[1:]:
        found = next((c for c in el if c.tag == part), None)
        el = found if found is not None else ET.SubElement(el, part)
    return el


def canonical(el):
    return (el.tag, dict(el.attrib), pieces(el), [canonical(c) for c in el])


def random_path(root):
    parts, el = [root.tag], root
    while len(el) and rng.random() < 0.8:
        el = rng.choice(list(el))
        parts.append(el.tag)
    if rng.random() < 0.15:
        parts.append("無い")
    return parts


def set_text(el, value):
    """Changes the first text piece, or adds one after everything."""
    if el.text and el.text.strip(" \t\r\n"):
        el.text = value
        return
    for c in el:
        if c.tail and c.tail.strip(" \t\r\n"):
            c.tail = value
            return
    if len(el):
        el[-1].tail = value
    else:
        el.text = value


class Case:
    def __init__(self, label, command, expect):
        self.label, self.command, self.expect = label, command, expect


def cases_for(index, root):
    doc = "D%d" % index
    cases = []
    for _ in range(3):
        parts = random_path(root)
        path = "\\".join(parts)
        found = find_all(root, parts)
        got = "\r\n".join(text_of(el) for el in found).strip(" \t\r\n")
        cases.append(Case("texts %s" % path, "%sの、『%s』を、XMLテキストデータ取得" % (doc, path), ("text", got)))
        first = find_first(root, parts)
        attrs = "".join("%s=%s\r\n" % kv for kv in first.attrib.items()) if first is not None else ""
        cases.append(Case("attributes %s" % path, "%sの、『%s』を、XML属性データ取得" % (doc, path), ("text", attrs)))
        cases.append(Case("cut out %s" % path, "%sから、『%s』の、XML切り出し" % (doc, path),
                          ("tree", canonical(first) if first is not None else None)))
    cases.append(Case("leaf paths", "%sを、XMLパス形式で取得" % doc,
                      ("text", "".join(p + "\r\n" for p in leaf_paths(root)))))
    # Setting: on a copy of the tree, the same change etree's way.
    parts = [p for p in random_path(root) if p != "無い"]
    path = "\\".join(parts)
    value = rng.choice(TEXTS)
    changed = ET.fromstring(ET.tostring(root, encoding="unicode"))
    set_text(find_or_create(changed, parts), value)
    cases.append(Case("set text %s" % path, "%sの、『%s』に、『%s』を、XMLテキストデータ設定" % (doc, path, value),
                      ("document", canonical(changed))))
    changed = ET.fromstring(ET.tostring(root, encoding="unicode"))
    target = find_or_create(changed, parts)
    target.attrib.clear()
    target.set("新", value)
    target.set("k", "v w")
    cases.append(Case("set attributes %s" % path,
                      "%sの、『%s』に、『新=%s\nk=v w』を、XML属性データ設定" % (doc, path, value),
                      ("document", canonical(changed))))
    return cases


def main():
    folder = tempfile.mkdtemp(prefix="nokari-xml-")
    try:
        lines, cases = [], []
        for i in range(60):
            root = make_element(0)
            out = ['<?xml version="1.0" encoding="Shift_JIS"?>\r\n']
            write(root, out, 0)
            text = "".join(out)
            # etree itself must read the document as its tree says.
            assert canonical(ET.fromstring(text)) == canonical(root), text
            with open(os.path.join(folder, "d%d.xml" % i), "wb") as f:
                f.write(text.encode("cp932"))
            lines.append("D%dに、「d%d.xml」を、読む" % (i, i))
            for case in cases_for(i, root):
                cases.append(case)
                lines += [case.command, "Rは、それ", "「%s」を、表示" % MARK, "Rを、表示"]
        script = os.path.join(folder, "check.nkr")
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        p = subprocess.run([NOKARI, "-console", script], cwd=folder, capture_output=True, timeout=100)
        stdout = p.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
        if p.returncode != 0:
            print("FAIL status %d: %s" % (p.returncode, p.stderr.decode("utf-8", "replace")))
            return 1
        outputs = stdout.split(MARK + "\n")[1:]
        failures = 0
        if len(outputs) != len(cases):
            print("FAIL %d outputs for %d cases" % (len(outputs), len(cases)))
            return 1
        for case, got in zip(cases, outputs):
            # 表示 ends what it shows with a line end, CR LF showing as LF.
            got = got[:-1] if got.endswith("\n") else got
            kind, want = case.expect
            if kind == "text":
                ok = got == want.replace("\r\n", "\n")
            elif kind == "tree":
                ok = (got == "" and want is None) or (got != "" and canonical(ET.fromstring(got)) == want)
            else:
                ok = canonical(ET.fromstring(got)) == want
            if not ok:
                failures += 1
                print("FAIL %s\n  got:  %r\n  want: %r" % (case.label, got, want))
        print("%d cases, %d failed" % (len(cases), failures))
        return 1 if failures else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


sys.exit(main())
