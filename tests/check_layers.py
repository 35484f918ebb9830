#!/usr/bin/python3
"""Checks that includes under src/ point down the layers only.

The layers, lowest first. A file may include files of its own layer and of
the layers below it, never above. Every file under src/ must have a layer:
a new file outside the map fails the check until it is placed.

  0 base      text and messages, no engine: CP932 and encodings, the
              message tables, text positions, keywords, byte scanning.
  1 runtime   the engine's state and what it is made of: the word table
              (words/Hash), engine state (core/Engine.h, the run-control
              stack), table text that values are read through
              (words/TableText), the host service interfaces
              (core/Services.h, the change guard among them; core/Parts.h,
              the widgets behind GUI parts and the object model), and errors,
              which are written into the engine's error log.
  2 api       what a command sees: the command contract (words/Contract.h),
              the family list (words/Family.h), the command ids. These
              headers rest on the runtime alone; the interpreter implements
              them, which is why they sit below it.
  3 interp    reading and running the program: source preparation, the
              statement engine, flow, plans, expressions, values, binding,
              dispatch and the registration table, calls.
  4 families  src/lib/<family> and src/parts (the GUI parts, no Qt):
              one folder per command family, with the
              domain code it owns (paths, file operations, table
              operations...). Families may use one another.
  5 app       src/host (start-up, run, the security policy, the console
              host), src/gui (the Qt host), src/main.cpp.

Two further rules:
  - a family reaches the interpreter only through the api. The includes
    listed in FAMILY_TO_INTERP_DEBT are the ones still to be narrowed; no
    new one may be added.
  - nothing outside src/gui includes a Qt header.

Usage: check_layers.py SRC_DIR. Prints every offending include as
"file: includes x (layer a above layer b)" and exits 1 when there is any.
"""
import os
import re
import sys

LAYER_NAMES = ["base", "runtime", "api", "interp", "families", "app"]

# (path prefix under src/, layer). The longest matching prefix wins, so a
# file named here overrides its folder.
LAYER_MAP = [
    ("core/Cp932.", 0),
    ("core/Encoding.", 0),
    ("core/Messages.h", 0),
    ("core/TextPos.h", 0),
    ("core/Keywords.", 0),
    ("core/Scan.", 0),
    ("core/PlaceMap.h", 0),
    ("core/Hot.h", 0),
    ("core/Errors.", 1),
    ("core/LazyLibrary.", 1),  # libraries opened on first use, raising as errors do
    ("core/Services.", 1),
    ("core/Parts.h", 1),
    ("core/Sound.h", 1),
    ("core/Canvas.h", 1),
    ("core/Printing.h", 1),
    ("core/Progress.h", 1),
    ("core/Debugger.h", 1),
    ("core/Engine.h", 1),
    ("core/Events.h", 1),
    ("core/RunControl.", 1),
    ("words/Hash.", 1),
    ("words/NameIndex.", 1),  # the word table's exact-name index
    ("words/TableText.", 1),
    ("words/Contract.h", 2),
    ("words/Family.h", 2),
    ("words/CommandIds.h", 2),
    ("core/", 3),
    ("words/", 3),
    ("generators/", 3),  # build-time programs over the word tables
    ("lib/", 4),
    ("parts/", 4),
    ("host/", 5),
    ("gui/", 5),
    ("net/", 5),
    ("main.cpp", 5),
]

# Family files that still include the interpreter directly, with what they
# include. Shrink this list; never grow it.
FAMILY_TO_INTERP_DEBT = {
    ("lib/control/ControlCommands.cpp", "core/EngineCaches.h"),
    ("lib/control/ControlCommands.cpp", "core/Flow.h"),
    ("lib/control/ControlCommands.cpp", "words/Expr.h"),
    ("lib/control/ControlCommands.cpp", "words/Value.h"),
    ("lib/errors/ErrorCommands.cpp", "core/Prepare.h"),
    ("lib/errors/ErrorCommands.cpp", "core/Source.h"),
    ("lib/errors/ErrorCommands.cpp", "words/Value.h"),
    ("lib/math/MathCommands.cpp", "words/Value.h"),
    ("lib/text/TextVariables.cpp", "words/Value.h"),
    ("lib/words/WordCommands.cpp", "core/Prepare.h"),
    ("lib/words/WordCommands.cpp", "words/Expr.h"),
    ("lib/words/WordCommands.cpp", "words/Value.h"),
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Q[A-Za-z]+|Qt[A-Za-z]*/.*)$")
SOURCE_SUFFIXES = (".h", ".cpp", ".inc")


def layer_of(rel):
    best = None
    for prefix, layer in LAYER_MAP:
        if rel.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, layer)
    return None if best is None else best[1]


def check(src):
    problems = []
    debt_seen = set()
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            own = layer_of(rel)
            if own is None:
                problems.append(f"{rel}: has no layer (add it to LAYER_MAP in tests/check_layers.py)")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    quote, target = m.groups()
                    where = f"{rel}:{number}"
                    if quote == "<":
                        if QT_HEADER.match(target) and not rel.startswith("gui/"):
                            problems.append(f"{where}: includes Qt header <{target}> outside src/gui")
                        continue
                    if not os.path.exists(os.path.join(src, target)):
                        continue  # beside-the-file includes of tests and tools
                    theirs = layer_of(target)
                    if theirs is None:
                        continue  # reported once as the file's own problem
                    if theirs > own:
                        problems.append(f"{where}: includes {target} ({LAYER_NAMES[theirs]} above "
                                        f"{LAYER_NAMES[own]})")
                    elif own == 4 and theirs == 3 and (rel, target) in FAMILY_TO_INTERP_DEBT:
                        debt_seen.add((rel, target))
                    elif own == 4 and theirs == 3:
                        problems.append(f"{where}: includes {target} (a family reaches the interpreter "
                                        f"only through the api)")
    # Paid debts are good news, not a failure: say so, so the list shrinks.
    for rel, target in sorted(FAMILY_TO_INTERP_DEBT - debt_seen):
        print(f"note: {rel} no longer includes {target}: remove it from FAMILY_TO_INTERP_DEBT")
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__.splitlines()[0])
        print("usage: check_layers.py SRC_DIR")
        return 2
    problems = check(sys.argv[1])
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) against the layers")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
