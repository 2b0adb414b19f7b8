#!/usr/bin/env python3
"""The layers hold: every project #include of every source file is checked
against the folders its folder may use. The faces (the command line, the
dialogue, main) reach the library through its public headers only; the
public headers include nothing of the implementation; a lower layer never
includes a higher one. The second core's task (src/concurrency) is the
library's own and installed with none.

usage: layers_check.py <source folder>
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
# What each folder of src/ may include besides itself and the public headers
# ("sailings/..."); None: the public headers are not allowed either.
# "concurrency" (the second core's task) is below the computation: the
# library's folders may use it; the faces may not.
ALLOWED = {
    "concurrency": (set(), False),
    "vector": (set(), False),
    "text": (set(), True),
    "input": ({"vector", "text"}, True),
    "elliptic": ({"vector", "text"}, True),
    "land": ({"vector", "elliptic"}, True),
    "sea": ({"vector", "elliptic", "land"}, False),
    "writers": ({"vector", "text", "elliptic", "land"}, True),
    "api": ({"vector", "text", "input", "elliptic", "land", "sea", "writers"}, True),
    "cli": (set(), True),
    "dialogue": (set(), True),
    ".": ({"cli", "dialogue"}, True),  # main.cpp
}
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
faults = []
for path in sorted((root / "src").rglob("*")):
    if path.suffix not in {".h", ".cpp", ".hpp", ".inc"}:
        continue
    folder = path.parent.relative_to(root / "src").as_posix()
    others, public = ALLOWED[folder]
    for name in include.findall(path.read_text(encoding="utf-8")):
        top = name.split("/")[0] if "/" in name else folder
        library = folder not in ("cli", "dialogue", ".")
        if top == folder or (library and top == "concurrency") or top in others or (
                public and top == "sailings"):
            continue
        faults.append(f"{path.relative_to(root)}: includes {name}")
for path in sorted((root / "include" / "sailings").glob("*.hpp")):
    for name in include.findall(path.read_text(encoding="utf-8")):
        if not name.startswith("sailings/"):
            faults.append(f"{path.relative_to(root)}: includes {name}")
for fault in faults:
    print("FAIL:", fault)
print(f"layers: {len(faults)} faults")
sys.exit(1 if faults else 0)
