#!/bin/sh
# Installs the build into a scratch prefix, builds the library example in
# examples/library against the installed CMake package, runs it, and checks
# its route against the installed program's.
# usage: install_test.sh <build folder> <source folder>
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/sailings-install-XXXXXX") && trap 'rm -rf "$work"' EXIT || exit 1
fail() { echo "FAIL: $*"; exit 1; }
cmake --install "$1" --prefix "$work/prefix" >"$work/log" 2>&1 || fail "cmake --install: $(cat "$work/log")"
for f in include/sailings/sailings.hpp lib/libsailings.a lib/cmake/sailings/sailingsConfig.cmake bin/sailings \
         share/man/man1/sailings.1; do
  [ -f "$work/prefix/$f" ] || fail "not installed: $f"
done
[ -z "$(find "$work/prefix/include" -name '*.h')" ] || fail "internal headers installed"
# The man page formats without a warning and says what the documentation says
# (its examples and options as one would type them).
groff -man -Tutf8 -P-cbou -ww "$work/prefix/share/man/man1/sailings.1" >"$work/man" 2>"$work/log" \
  || fail "groff: $(cat "$work/log")"
[ ! -s "$work/log" ] || fail "groff warns: $(head -n 3 "$work/log")"
for text in 'sailings voyage --route' '--speed-all' 'ROUTE AND TABLE' 'sailings check' 'DESCRIPTION'; do
  grep -qF -- "$text" "$work/man" || fail "the man page lacks '$text'"
done
# The package is relocatable: it names no path of the machine that built it
# (each dependency is found by its own package), and it works moved.
if grep -n '/usr/\|/home/\|/work/' "$work/prefix/lib/cmake/sailings/"*.cmake | grep -v '^[^:]*:[0-9]*:#' >"$work/log"; then
  fail "the package names paths: $(head -n 3 "$work/log")"
fi
mv "$work/prefix" "$work/moved"
prefix="$work/moved"
# A sanitized build's library needs the sanitizers' runtime in the consumer too.
flags=$(sed -n 's/^SAILINGS_SANITIZE:STRING=//p' "$1/CMakeCache.txt" | tr ';' ' ')
cmake -S "$2/examples/library" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$work/log" 2>&1 \
  || fail "configure the example: $(cat "$work/log")"
cmake --build "$work/build" >"$work/log" 2>&1 || fail "build the example: $(cat "$work/log")"
"$work/build/passage" >"$work/out" || fail "the example failed"
# Its first line against the installed program (one decimal).
"$prefix/bin/sailings" route --line "33d55'29.6\"S" 18.4241E 40:42:46N 74:00:22W -p 1 >"$work/route"
read -r ge fwd inv course rhumb <"$work/route"
expected="great ellipse $ge NM, leaving on $fwd; rhumb line $rhumb NM on course $course"
[ "$(head -n 1 "$work/out")" = "$expected" ] || fail "example says '$(head -n 1 "$work/out")', program '$expected'"
[ "$(grep -c '^WP' "$work/out")" -eq 5 ] || fail "the example's table: $(cat "$work/out")"
# The passage planner: the composite track with times, its RTZ written by
# the library alone; the same file as the installed program writes for the
# same passage, and valid against the published RTZ 1.0 schema.
cmake -S "$2/examples/passage" -B "$work/plan" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$work/log" 2>&1 \
  || fail "configure the passage example: $(cat "$work/log")"
cmake --build "$work/plan" >"$work/log" 2>&1 || fail "build the passage example: $(cat "$work/log")"
mkdir "$work/a" "$work/b"
"$work/plan/passage" "$work/a/melbourne.rtz" >"$work/plan.txt" || fail "the passage example failed"
"$prefix/bin/sailings" table -33.9249 18.4241 -37.8136 144.9631 --limit 45 --leg 500 \
  --speed 12 --depart 2027-01-15T06:00Z --rtz "$work/b/melbourne.rtz" >"$work/table.txt" \
  || fail "the program's passage failed"
cmp -s "$work/a/melbourne.rtz" "$work/b/melbourne.rtz" || fail "the example's RTZ differs from the program's"
xmllint --noout --nonet --schema "$2/tests/data/rtz-1_0.xsd" "$work/a/melbourne.rtz" 2>"$work/log" \
  || fail "the example's RTZ against the RTZ 1.0 schema: $(cat "$work/log")"
# Its rows are the program's: position, total distance and ETA of each.
rows=$(grep -c '^WP' "$work/plan.txt")
[ "$rows" -eq "$(grep -c '<waypoint ' "$work/a/melbourne.rtz")" ] || fail "the example printed $rows rows"
last_eta=$(tail -n 1 "$work/table.txt" | awk '{print $NF}')
tail -n 1 "$work/plan.txt" | grep -q " $last_eta\$" || fail "the example's last ETA is not $last_eta"
grep -q "^WP000 33°55.5'S 18°25.4'E      0.0 NM 2027-01-15T06:00Z\$" "$work/plan.txt" \
  || fail "the example's first row: $(head -n 2 "$work/plan.txt")"
echo "install and library examples: 2 passed, 0 failed"
