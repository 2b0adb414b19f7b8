#!/bin/sh
# Builds and runs every test: the test suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets
# (their corpora replayed, then a bounded run of each).
# Set SAILINGS_QUICK=1 to run the plain suite only.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

[ "${SAILINGS_QUICK:-0}" = 1 ] && exit 0

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize

if [ -f fuzz/CMakeLists.txt ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  ctest --preset fuzz
fi
