#!/usr/bin/env python3
"""Mutation testing: plants one plausible fault at a time in src/ (a flipped
comparison or boundary, a dropped absolute value or term, a sign flip, a
swapped logical operator, an off-by-one count, a truth value turned), builds,
runs the plain test suite, and counts the faults it catches.

  tools/mutate.py [--count N] [--seed S] [--files GLOB] [--list] [--unit]
                  [--dropped SUITE.NAME,...]

Prints one line per mutant (caught, SURVIVED, or not built) and at the end the
share caught and the survivors. A developer's tool: it takes minutes (each
mutant is an incremental build and a suite run), it is not part of CI, and it
restores every file it touches, also when interrupted. It builds in
build/mutate, a folder of its own.

With --dropped (and --unit) each mutant's failing GoogleTest cases are read,
and the share is given twice: with every case, and with the named cases left
out, as a trim of the suite would leave it (one run measures both)."""
import argparse, fnmatch, os, random, re, signal, subprocess, sys, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "mutate")

# (name, pattern, replacement): each applied at one match at a time.
OPERATORS = [
    ("boundary <= to <", r"(?<![<>=!])<=(?!=)", "<"),
    ("boundary >= to >", r"(?<![<>=!])>=(?!=)", ">"),
    ("boundary < to <=", r"(?<=\s)<(?=\s)", "<="),
    ("boundary > to >=", r"(?<=\s)>(?=\s)", ">="),
    ("comparison == to !=", r"==", "!="),
    ("comparison != to ==", r"!=", "=="),
    ("logic && to ||", r"&&", "||"),
    ("logic || to &&", r"\|\|", "&&"),
    ("absolute value dropped", r"std::fabs\(", "("),
    ("sign of a term flipped", r"(?<=[\w)\]]) \+ (?=[\w(])", " - "),
    ("sign of a term flipped", r"(?<=[\w)\]]) - (?=[\w(])", " + "),
    ("negation dropped", r"(?<=[=(,] )-(?=[A-Za-z(])", ""),
    ("off by one", r"(?<=[\s(])\+ 1(?=[^0-9.])", "+ 2"),
    ("off by one", r"(?<=[\s(])- 1(?=[^0-9.])", "- 2"),
    ("off by one", r"(?<=[\s(])\+ 1\.0\b", "+ 2.0"),
    ("truth turned", r"\btrue\b", "false"),
    ("truth turned", r"\bfalse\b", "true"),
    ("index shifted", r"\[0\]", "[1]"),
    ("index shifted", r"\[1\]", "[2]"),
    ("index shifted", r"\[2\]", "[0]"),
]


def code_part(line):
    """The part of a line that is code: up to a // comment, outside strings."""
    out, quote = [], None
    i = 0
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" ")
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def sites(pattern):
    found = []
    for folder, _, files in os.walk(os.path.join(ROOT, "src")):
        for name in sorted(files):
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, ROOT)
            if not name.endswith(".cpp") or not fnmatch.fnmatch(rel, pattern):
                continue
            lines = open(path, encoding="utf-8").read().split("\n")
            for number, line in enumerate(lines):
                code = code_part(line)
                if code.lstrip().startswith("#"):
                    continue
                for label, regex, replacement in OPERATORS:
                    for m in re.finditer(regex, code):
                        found.append((rel, number, m.start(), m.end(), replacement, label))
    return found


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def failing(program, dropped, lost, rel, number, label):
    """Runs the test program; non-zero when a case fails. Where every case
    that fails is among `dropped`, the mutant is added to `lost`."""
    try:
        r = subprocess.run([program, "--gtest_brief=1"], cwd=ROOT, capture_output=True,
                           text=True, errors="replace", timeout=180)
    except subprocess.TimeoutExpired:
        return -1
    failed = set(re.findall(r"^\[  FAILED  \] (\w+\.\w+)", r.stdout, re.M))
    if r.returncode != 0 and failed and failed <= dropped:
        lost.append(f"{rel}:{number + 1}: {label} (only {', '.join(sorted(failed))})")
    return r.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--count", type=int, default=120, help="mutants to try (default 120)")
    parser.add_argument("--seed", type=int, default=12, help="which ones (default 12)")
    parser.add_argument("--files", default="src/*", help="only files matching this glob")
    parser.add_argument("--list", action="store_true", help="list the chosen mutants, run nothing")
    parser.add_argument("--unit", action="store_true",
                        help="build the test program alone and run it in one process (the "
                             "GoogleTest cases only: minutes faster, for code those cases reach)")
    parser.add_argument("--only", action="append", default=[],
                        help="FILE:LINE:OPERATOR of a mutant to try (again), e.g. a survivor's; "
                             "repeatable; --count and --seed then do not apply")
    parser.add_argument("--dropped", default="",
                        help="comma-separated SUITE.NAME cases: also count what the suite "
                             "without them catches (implies --unit)")
    args = parser.parse_args()
    dropped = {name for name in args.dropped.split(",") if name}
    if dropped:
        args.unit = True
    # A stop (Ctrl-C, kill) still restores the file being mutated.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    candidates = sites(args.files)
    random.Random(args.seed).shuffle(candidates)
    chosen = candidates[:args.count]
    if args.only:
        wanted = set(args.only)
        chosen = [c for c in candidates if f"{c[0]}:{c[1] + 1}:{c[5]}" in wanted]
    print(f"{len(candidates)} sites in {args.files}; trying {len(chosen)}", flush=True)
    if args.list:
        for rel, number, start, end, replacement, label in chosen:
            print(f"{rel}:{number + 1}: {label}")
        return 0
    if run(["cmake", "--preset", "default", "-B", BUILD], 600) != 0 or \
       run(["cmake", "--build", BUILD, "-j2"], 1800) != 0 or \
       run(["ctest", "--test-dir", BUILD, "-j2", "-E", "fuzz"], 600) != 0:
        print("the unmutated build or suite fails: nothing to measure")
        return 2
    caught, survived, unbuilt = 0, [], 0
    lost = []  # caught only by the dropped cases
    started = time.time()
    for index, (rel, number, start, end, replacement, label) in enumerate(chosen, 1):
        path = os.path.join(ROOT, rel)
        original = open(path, encoding="utf-8").read()
        lines = original.split("\n")
        before = lines[number]
        lines[number] = before[:start] + replacement + before[end:]
        where = f"{rel}:{number + 1}: {label}: {before.strip()}  ->  {lines[number].strip()}"
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            if run(["cmake", "--build", BUILD, "-j2"] + (["--target", "sailings_tests"] if args.unit else []),
                   900) != 0:
                unbuilt += 1
                verdict = "not built"
            elif (failing(os.path.join(BUILD, "tests", "sailings_tests"), dropped, lost, rel,
                          number, label) if args.unit else
                  run(["ctest", "--test-dir", BUILD, "-j2", "-E", "fuzz", "--stop-on-failure",
                       "--timeout", "120"], 900)) != 0:
                caught += 1
                verdict = "caught"
            else:
                survived.append(where)
                verdict = "SURVIVED"
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        print(f"[{index}/{len(chosen)}] {verdict}: {where}", flush=True)
    run(["cmake", "--build", BUILD, "-j2"], 1800)  # back to the sources as they are
    built = caught + len(survived)
    share = 100.0 * caught / built if built else 0.0
    print(f"\n{caught} of {built} built mutants caught ({share:.1f} %); {unbuilt} did not build; "
          f"{time.time() - started:.0f} s")
    for where in survived:
        print(f"survivor: {where}")
    if dropped:
        kept = caught - len(lost)
        print(f"without {', '.join(sorted(dropped))}: {kept} of {built} caught "
              f"({100.0 * kept / built if built else 0.0:.1f} %)")
        for where in lost:
            print(f"lost: {where}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
