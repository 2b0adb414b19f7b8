#!/bin/sh
# Builds and runs every test: the format check, the test suite, the Python module and its
# tests, the page (built to WebAssembly and tested in headless Chromium), the benchmarks (each
# run once), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets (their corpora replayed,
# then a bounded run of each).
# Set SAILINGS_QUICK=1 to run the plain suite only.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
# The house style first: a moment, and a clear message.
tools/format-check.sh

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

[ "${SAILINGS_QUICK:-0}" = 1 ] && exit 0

# The Python module (Debian's python3, pybind11, NumPy) and its tests.
cmake --preset python >/dev/null
cmake --build --preset python
ctest --preset python

# The page, against the program just built; screenshots kept in build/web-test.
tools/build-web.sh
(cd tests/web && npm ci --no-audit --no-fund >/dev/null)
rm -rf build/web-test
node tests/web/page_test.mjs build/default/sailings build/web . build/web-test
node tests/web/chart_test.mjs build/default/sailings build/web . build/web-test
node tests/web/legs_test.mjs build/default/sailings build/web . build/web-test

# The benchmarks, built and each run once so that they keep building and
# running (their numbers want longer runs on a quiet machine), but for the
# minutes of every pair of ports.
cmake --preset bench >/dev/null
cmake --build --preset bench
build/bench/bench/sailings_bench --benchmark_min_time=0 --benchmark_filter=-BM_SeaPairs >/dev/null

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

if [ -f fuzz/CMakeLists.txt ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  ctest --preset fuzz
fi
