#!/bin/sh
# Fuzzes every target for MINUTES minutes each (default 10), two at a time
# (one a core), from its committed seeds and a working corpus kept under
# build/fuzz-long/<target>/, and prints what each reached: executions, edges
# covered, features, corpus entries, and whether it found anything (the
# input is then saved as build/fuzz-long/<target>-crash-…; add it to
# fuzz/regressions/<target>/ with the fix).
#   usage: tools/fuzz-long.sh [MINUTES]
set -eu
cd "$(dirname "$0")/.."
minutes=${1:-10}
case $minutes in *[!0-9]*|'') echo "usage: tools/fuzz-long.sh [MINUTES]" >&2; exit 2 ;; esac
tools/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
out=$PWD/build/fuzz-long
mkdir -p "$out"
targets="coordinates location_list dialogue route_lines command_line"
for t in $targets; do mkdir -p "$out/$t"; done
echo "fuzzing $targets for $minutes min each, two at a time"
printf '%s\n' $targets | xargs -P 2 -I{} sh -c '
  build/fuzz/fuzz/fuzz_{} -max_total_time=$(('"$minutes"' * 60)) -timeout=30 -max_len=1024 \
    -rss_limit_mb=3000 -print_final_stats=1 -artifact_prefix='"$out"'/{}- \
    '"$out"'/{} fuzz/corpus/{} >'"$out"'/{}.log 2>&1 || true'
status=0
printf '%-14s %12s %8s %8s %8s  %s\n' target executions edges features corpus result
for t in $targets; do
  log=$out/$t.log
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
  cov=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  corp=$(echo "$last" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')
  result=clean
  if grep -q -E 'ERROR: (libFuzzer|AddressSanitizer|UndefinedBehaviorSanitizer)|runtime error|SUMMARY' "$log"; then
    result="FOUND SOMETHING: see $log"
    status=1
  fi
  printf '%-14s %12s %8s %8s %8s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result"
done
exit $status
