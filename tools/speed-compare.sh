#!/bin/bash
# The longest waypoint table the program makes (1 NM legs from 40 S 60 W to
# 35 N 115 E, about 10,400 rows), end to end with output to /dev/null, beside
# GeographicLib's command-line tools producing the same number of points:
#   GeodSolve -L   points along the geodesic (direct problems along one line)
#   GeodSolve -I   the legs between successive points (inverse problems)
#   RhumbSolve -L  points along the rhumb line
# Each command runs 7 times; the best wall time is reported.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
program=$PWD/build/default/sailings
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'Start\t-40 -60\nEnd\t35 115\n' > input.txt
printf '1\n2\n3\n1\n1\ny\n' > ellipse.answers
printf '1\n2\n3\n1\n2\ny\n' > rhumb.answers

f=$(python3 -c 'import math; print(1 - math.sqrt(1 - 0.00669438))')
ellipsoid="-e 6378137 $f"
rows_e=$("$program" < ellipse.answers | grep -c '^ *[0-9][0-9]*  ')
rows_r=$("$program" < rhumb.answers | grep -c '^ *[0-9][0-9]*  ')
seq 0 1852 $(( (rows_e - 1) * 1852 )) > distances_e
seq 0 1852 $(( (rows_r - 1) * 1852 )) > distances_r
read -r azi _ < <(echo "-40 -60 35 115" | GeodSolve -i $ellipsoid -p 9 | awk '{print $1}')
read -r razi _ < <(echo "-40 -60 35 115" | RhumbSolve -i $ellipsoid -p 9 | awk '{print $1}')
GeodSolve -L -40 -60 "$azi" $ellipsoid -p 6 < distances_e > points_e
paste -d' ' <(head -n -1 points_e | awk '{print $1, $2}') <(tail -n +2 points_e | awk '{print $1, $2}') > legs_e

best() {  # best of 7 wall times, in milliseconds, of the command in "$@"
  local best=999999 t
  for _ in 1 2 3 4 5 6 7; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    t=$(( (end - start) / 1000 ))
    (( t < best )) && best=$t
  done
  printf '%d.%03d' $((best / 1000)) $((best % 1000))
}
run_sailings() { "$program" < "$1"; }
geod_line() { GeodSolve -L -40 -60 "$azi" $ellipsoid -p 6 < distances_e; }
geod_inverse() { GeodSolve -i $ellipsoid -p 6 < legs_e; }
rhumb_line() { RhumbSolve -L -40 -60 "$razi" $ellipsoid -p 6 < distances_r; }

echo "rows: great ellipse $rows_e, rhumb line $rows_r"
echo "sailings, great ellipse table : $(best run_sailings ellipse.answers) ms"
echo "GeodSolve -L, same points     : $(best geod_line) ms"
echo "GeodSolve -I, same legs       : $(best geod_inverse) ms"
echo "sailings, rhumb line table    : $(best run_sailings rhumb.answers) ms"
echo "RhumbSolve -L, same points    : $(best rhumb_line) ms"
# Memory must not grow with the table: the long table against a 10-row one.
printf '1\n2\n2\n8\n1\ny\n' > short.answers
peak() { /usr/bin/time -f %M "$program" < "$1" 2>&1 >/dev/null | tail -n 1; }
if [ -x /usr/bin/time ]; then
  echo "peak memory, 10 rows / $rows_e rows (KiB): $(peak short.answers) / $(peak ellipse.answers)"
fi
