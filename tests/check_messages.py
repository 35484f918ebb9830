#!/usr/bin/python3
"""Checks the message tables as a whole: the core's (src/core/Messages.h)
and every family's (src/lib/<family>/Messages.inc).

  - every message is thrown or shown somewhere (an unused entry is a text
    nobody will ever see, or a sign that a site writes its text again);
  - no two messages share a name or a text (the second one is the first
    written again, and the two drift apart).

Usage: check_messages.py SRC_DIR. Prints each problem and exits 1 on any.
"""
import os
import re
import sys

src = sys.argv[1]
DEFINITION = re.compile(r'inline constexpr char (k\w+)\[\] =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);'
                        r'|NOKARI_MESSAGE\((k\w+),\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\)')

tables, sources = {}, {}
for root, _, files in os.walk(src):
    for name in files:
        path = os.path.join(root, name)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if name in ("Messages.h", "Messages.inc") and (root.endswith("core") or name.endswith(".inc")):
            tables[path] = text
        else:
            sources[path] = text

problems = []
names, texts = {}, {}
for path, text in tables.items():
    for m in DEFINITION.finditer(text):
        name = m.group(1) or m.group(3)
        literal = re.sub(r'"\s+"', "", (m.group(2) or m.group(4)).strip())
        if name in names:
            problems.append(f"{name}: defined in {names[name]} and {path}")
        names[name] = path
        if literal in texts:
            problems.append(f"{name}: the same text as {texts[literal]}")
        texts.setdefault(literal, name)

everything = "\n".join(sources.values())
for name, path in sorted(names.items()):
    if not re.search(r"\b" + name + r"\b", everything):
        problems.append(f"{name} ({path}) is never used")

for p in problems:
    print(p)
print(f"{len(names)} messages, {len(problems)} problem(s)")
sys.exit(1 if problems else 0)
