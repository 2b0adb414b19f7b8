#!/bin/bash
# Whole-process timings beside GeographicLib's command-line tools doing the
# same amount of work, each command the best of 15 runs, output to /dev/null:
#
#   sailings route, 100,000 random routes on standard input
#       against GeodSolve -i over the same lines (the geodesic inverse problem),
#       and with --compare (which adds the geodesic and the tracks' separation)
#   sailings table, the longest table (1 NM legs from 40 S 60 W to 35 N 115 E,
#   about 10,400 rows), along the great ellipse and along the rhumb line
#       against GeodSolve -I / -L and RhumbSolve -L producing the same points
#   the dialogue making the same two tables (waypoints.dat and .gpx written)
#
# and the peak memory of short and long runs (it must not grow with them).
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset app >/dev/null
cmake --build --preset app >/dev/null
program=$PWD/build/app/sailings
work=$(mktemp -d "${TMPDIR:-/tmp}/sailings-speed-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

f=$(python3 -c 'import math; print(1 - math.sqrt(1 - 0.00669438))')
ellipsoid="-e 6378137 $f"
python3 - <<'PY'
import random
r = random.Random(9)
with open("routes", "w") as f:
    for _ in range(100000):
        f.write("%.6f %.6f %.6f %.6f\n" % (r.uniform(-80, 80), r.uniform(-180, 180),
                                            r.uniform(-80, 80), r.uniform(-180, 180)))
PY
: > empty
rows_e=$("$program" table -40 -60 35 115 --leg 1 | tail -n +3 | wc -l)
rows_r=$("$program" table -40 -60 35 115 --leg 1 --rhumb | tail -n +3 | wc -l)
seq 0 1852 $(( (rows_e - 1) * 1852 )) > distances_e
seq 0 1852 $(( (rows_r - 1) * 1852 )) > distances_r
read -r azi _ < <(echo "-40 -60 35 115" | GeodSolve -i $ellipsoid -p 9)
read -r razi _ < <(echo "-40 -60 35 115" | RhumbSolve -i $ellipsoid -p 9)
printf 'Start\t-40 -60\nEnd\t35 115\n' > input.txt
printf '1\n2\n3\n1\n1\ny\n' > ellipse.answers
printf '1\n2\n3\n1\n2\ny\n' > rhumb.answers

best() {  # best of 15 wall times (ms) of a command line, stdin from a file, output discarded
  python3 - "$@" <<'PY'
import subprocess, sys, time
stdin, command = sys.argv[1], sys.argv[2:]
def once():
    start = time.perf_counter()
    subprocess.run(command, stdin=open(stdin), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start
print(f"{min(once() for _ in range(15)) * 1000:.1f}")
PY
}
ratio() { python3 -c "print(f'{$1 / $2:.2f}')"; }

echo "100,000 routes:"
a=$(best routes "$program" route); b=$(best routes GeodSolve -i $ellipsoid)
echo "  sailings route               : $a ms"
echo "  GeodSolve -i, same lines     : $b ms   ratio $(ratio "$a" "$b")"
c=$(best routes "$program" route --land)
echo "  sailings route --land        : $c ms   adds $(python3 -c "print(f'{($c - $a) * 1000 / 100000:.1f}')") us a route"
head -n 1000 routes > routes1000
echo "  sailings route --compare, the first 1,000 lines: $(best routes1000 "$program" route --compare) ms" \
     "(without: $(best routes1000 "$program" route) ms)"
echo "great ellipse table, $rows_e rows:"
a=$(best empty "$program" table -40 -60 35 115 --leg 1)
b=$(best distances_e GeodSolve -I -40 -60 35 115 $ellipsoid -p 6)
c=$(best distances_e GeodSolve -L -40 -60 "$azi" $ellipsoid -p 6)
echo "  sailings table --leg 1       : $a ms"
echo "  GeodSolve -I, same points    : $b ms   ratio $(ratio "$a" "$b")"
echo "  GeodSolve -L, same points    : $c ms   ratio $(ratio "$a" "$c")"
echo "  the dialogue, same table     : $(best ellipse.answers "$program") ms"
echo "rhumb line table, $rows_r rows:"
a=$(best empty "$program" table -40 -60 35 115 --leg 1 --rhumb)
b=$(best distances_r RhumbSolve -L -40 -60 "$razi" $ellipsoid -p 6)
echo "  sailings table --leg 1 --rhumb: $a ms"
echo "  RhumbSolve -L, same points    : $b ms   ratio $(ratio "$a" "$b")"
echo "  the dialogue, same table      : $(best rhumb.answers "$program") ms"
# Memory must not grow with the work.
if [ -x /usr/bin/time ]; then
  peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
  head -n 10 routes > few
  echo "peak memory (KiB): 10 routes $(peak "$program" route < few), 100,000 routes" \
       "$(peak "$program" route < routes); 10-row table $(peak "$program" table -40 -60 35 115 --points 8)," \
       "$rows_e rows $(peak "$program" table -40 -60 35 115 --leg 1)"
fi
