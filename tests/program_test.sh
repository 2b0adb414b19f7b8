#!/bin/sh
# The real program, as a user runs it: in a working directory of its own, on
# the bundled location list, with a finite standard input.
# Usage: program_test.sh <sailings executable> <bundled input.txt>
set -u
program=$1
list=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cd "$work" || fail "no scratch folder"

# Without input.txt: one line on standard error and exit status -2 (254).
printf 'y\n' | "$program" >out.txt 2>err.txt
status=$?
[ "$status" -eq 254 ] || fail "missing input.txt gave status $status"
grep -q "Cannot open input.txt" err.txt || fail "no message for a missing input.txt"

# The bundled list: a typed departure, a listed destination, a table, exit.
cp "$list" input.txt
printf '0\n-33 55 12\n18 25 0\n2\n3\n500\n1\ny\n' | "$program" >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "session ended with status $status"
[ -s err.txt ] && fail "warnings on the bundled list: $(cat err.txt)"
grep -q "^1\.  Cape Town  ( -33.9249 , 18.4241 )$" out.txt || fail "no listing"
grep -q "Calculating route from A to New York" out.txt || fail "no route"
grep -q "GREAT ELLIPTIC ARC DISTANCE (in nautical miles):6[0-9]*\.[0-9]\{6\}$" out.txt ||
  fail "no distance"
[ -s waypoints.dat ] || fail "no waypoints.dat"
grep -q -i -E "nan|inf" out.txt waypoints.dat && fail "nan or inf printed"

# End of input at the first prompt: a final line end and status 0.
"$program" </dev/null >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "end of input gave status $status"
[ "$(tail -c 1 out.txt | od -An -c | tr -d ' ')" = '\n' ] || fail "no final line end"

echo "program end to end: 3 passed, 0 failed"
