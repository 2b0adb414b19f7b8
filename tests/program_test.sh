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
# Standard output that cannot be written: one line on standard error, status 1.
if [ -c /dev/full ]; then
  "$1" route 1 2 3 4 >/dev/full 2>err; [ $? -eq 1 ] && [ "$(wc -l <err)" -eq 1 ] || fail "standard output full"
fi
# A route file to standard output (/dev/stdout, here /proc/self/fd/1, where
# a faulty build could not put a file of its own) is written through, after
# the table: into a file (appended, not over the table) and into a pipe.
"$1" table 1 2 3 4 --points 2 --gpx /proc/self/fd/1 >out && grep -q '^ 3 ' out && [ "$(tail -n 1 out)" = '</gpx>' ] \
  || fail "--gpx /proc/self/fd/1 to a file"
[ "$("$1" table 1 2 3 4 --points 2 --gpx /proc/self/fd/1 | grep -c '<rtept')" -eq 4 ] || fail "--gpx to a pipe"
# A location list on standard input (a pipe) is read once.
grep -E '^(Cape Town|New York)' input.txt | "$1" route --line "Cape Town" "New York" --list /dev/stdin >out \
  && [ "$(cat out)" = "6777.739857 304.520312 115.675526 310.976976 6804.681655" ] || fail "--list /dev/stdin"
# 100,000 routes on standard input, read on a thread of their own while the
# rows are written: every line's figures once and in order, with --land (its
# warnings on standard error, many small blocks) the same as without.
awk 'BEGIN { srand(7); for (i = 0; i < 100000; i++)
  printf "%.4f %.4f %.4f %.4f\n", 160 * rand() - 80, 360 * rand() - 180, 160 * rand() - 80, 360 * rand() - 180 }' >routes
"$1" route <routes >plain || fail "100,000 routes"
"$1" route --land <routes >land 2>warnings || fail "100,000 routes with --land"
[ "$(wc -l <plain)" -eq 100000 ] && [ "$(awk 'NF != 5' plain | wc -l)" -eq 0 ] && cmp -s plain land \
  || fail "100,000 routes: $(wc -l <plain) and $(wc -l <land) lines"
echo "program end to end: 9 passed, 0 failed"
