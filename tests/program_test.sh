#!/bin/sh
# The real program as a user runs it, in a folder of its own, on the bundled
# location list: usage: program_test.sh <sailings> <bundled input.txt>
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/sailings-program-XXXXXX") && trap 'rm -rf "$work"' EXIT && cd "$work" || exit 1
fail() { echo "FAIL: $*"; exit 1; }
printf 'y\n' | "$1" >out 2>err
[ $? -eq 254 ] && grep -q "Cannot open input.txt" err || fail "no input.txt: status -2 and a message"
cp "$2" input.txt
printf '0\n-33 -55 -12\n18 25 0\n2\n3\n500\n1\ny\n' | "$1" >out 2>err || fail "a whole session"
[ -s err ] && fail "warnings on the bundled list: $(cat err)"
grep -q "^1\.  Cape Town  ( -33.9249 , 18.4241 )$" out && grep -q "route from A to New York" out || fail "listing"
[ -s waypoints.dat ] && [ -s waypoints.gpx ] || fail "no waypoints.dat or waypoints.gpx"
"$1" </dev/null >out 2>&1 && [ "$(tail -c 1 out | od -An -c | tr -d ' ')" = '\n' ] || fail "end of input"
echo "program end to end: 4 passed, 0 failed"
