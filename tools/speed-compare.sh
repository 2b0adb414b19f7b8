#!/bin/bash
# The longest waypoint table the program makes (1 NM legs from 40 S 60 W to
# 35 N 115 E, about 10,400 rows), end to end with output to /dev/null, beside
# GeographicLib's command-line tools producing the same number of points:
#   GeodSolve -L   points along the geodesic (direct problems along one line)
#   GeodSolve -I   the legs between successive points (inverse problems)
#   RhumbSolve -L  points along the rhumb line
# Each command runs 15 times; the best wall time is reported.
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

best() {  # best of 15 wall times (ms) of a command line, stdin from a file, stdout discarded
  python3 - "$@" <<'PY'
import subprocess, sys, time
stdin, command = sys.argv[1], sys.argv[2:]
best = min(
    (lambda start: (subprocess.run(command, stdin=open(stdin), stdout=subprocess.DEVNULL, check=True),
                    time.perf_counter() - start)[1])(time.perf_counter())
    for _ in range(15))
print(f"{best * 1000:.1f}")
PY
}
echo "rows: great ellipse $rows_e, rhumb line $rows_r"
echo "sailings, great ellipse table : $(best ellipse.answers "$program") ms"
echo "GeodSolve -L, same points     : $(best distances_e GeodSolve -L -40 -60 "$azi" $ellipsoid -p 6) ms"
echo "GeodSolve -I, same legs       : $(best legs_e GeodSolve -i $ellipsoid -p 6) ms"
echo "sailings, rhumb line table    : $(best rhumb.answers "$program") ms"
echo "RhumbSolve -L, same points    : $(best distances_r RhumbSolve -L -40 -60 "$razi" $ellipsoid -p 6) ms"
# Memory must not grow with the table: the long table against a 10-row one.
printf '1\n2\n2\n8\n1\ny\n' > short.answers
peak() { /usr/bin/time -f %M "$program" < "$1" 2>&1 >/dev/null | tail -n 1; }
if [ -x /usr/bin/time ]; then
  echo "peak memory, 10 rows / $rows_e rows (KiB): $(peak short.answers) / $(peak ellipse.answers)"
fi
