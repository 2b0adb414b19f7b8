#!/usr/bin/env python3
"""Runs every command-line example of the README and of docs/ ("    $ sailings
...", the lines after it its output) in a scratch folder holding the bundled
data (the location list as input.txt, the example route files), in the order
of DOCUMENTS, and compares what the program prints. Also checks that
docs/library.md shows examples/library/main.cpp as it is.
usage: readme_test.py <program> <source folder>"""
import os, subprocess, sys, tempfile

program, source = sys.argv[1], sys.argv[2]
# The order matters: later examples read the files earlier ones write.
DOCUMENTS = ["README.md", "docs/command-line.md", "docs/formats.md", "docs/page.md",
             "docs/method.md", "docs/library.md", "docs/dialogue.md", "docs/developing.md"]
readme = []
for document in DOCUMENTS:
    readme += open(os.path.join(source, document), encoding="utf-8").read().split("\n") + [""]
examples, current = [], None
for line in readme:
    if line.startswith("    $ "):
        current = [line[6:], []]
        examples.append(current)
    elif current is not None and line.startswith("    "):
        current[1].append(line[4:])
    else:
        current = None
failed = 0
with tempfile.TemporaryDirectory(prefix="sailings-readme-") as work:
    for name in os.listdir(os.path.join(source, "data")):
        with open(os.path.join(source, "data", name), "rb") as f, \
             open(os.path.join(work, name), "wb") as g:
            g.write(f.read())
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(program)) + os.pathsep + os.environ["PATH"])
    for command, expected in examples:
        run = subprocess.run(["sh", "-c", command], cwd=work, env=env, capture_output=True, text=True)
        if run.stdout.splitlines() != expected:
            failed += 1
            print(f"FAIL: {command}\n--- README\n" + "\n".join(expected) + "\n--- program\n" + run.stdout)
example = open(os.path.join(source, "examples", "library", "main.cpp"), encoding="utf-8").read()
if example not in open(os.path.join(source, "docs", "library.md"), encoding="utf-8").read():
    failed += 1
    print("FAIL: docs/library.md does not show examples/library/main.cpp as it is")
print(f"README examples: {len(examples) + 1 - failed} passed, {failed} failed")
sys.exit(1 if failed or len(examples) < 5 else 0)
