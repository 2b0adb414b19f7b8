#!/bin/sh
# Installs the Debian packages that the build, the tests, the fuzzing and the
# benchmarks need, where they are missing. Safe to run again.
#   cmake g++ python3              the build (CMake >= 3.25 for the presets, C++17; python3
#                                  makes the man page from docs/command-line.md)
#   libcli11-dev                   the command line's subcommands and options
#   libhowardhinnant-date-dev      ISO 8601 times of arrival
#   libgtest-dev                   the test suite
#   libgeographiclib-dev           the geodesic of the comparisons and geodesic tables
#   libpugixml-dev                 the XML reader of route files (GPX, RTZ, KML)
#   nlohmann-json3-dev             the JSON reader of GeoJSON route files
#   zlib1g-dev                     the sea's landmarks, compressed in the library
#   geographiclib-tools            references for the tests; the benchmarks' rivals
#   libbenchmark-dev               the benchmarks (nlohmann-json also as the JSON writer
#                                  measured against ours)
#   groff-base                     tests: the man page formatted without a warning
#   libxml2-utils python3          tests: xmllint checks the GPX files, python3 the JSON lines,
#                                  the RTZ files (its XML parser) and the README examples
#   librsvg2-bin chromium          tests: the charts rendered (rsvg-convert) and shown in a browser
#   poppler-utils                  tests: the page's printed plan read back (pdftotext)
#   gpsbabel gdal-bin python3-nmea2
#                                  tests: route files written and read by other tools
#   clang-14 libclang-rt-14-dev    the libFuzzer targets
#   clang-format-14                the format check (.clang-format)
#   emscripten                     the page: the library as WebAssembly (tools/build-web.sh;
#                                  the sources of GeographicLib and pugixml by apt-get source)
#   python3-numpy pybind11-dev python3-pybind11
#                                  the Python module (cmake --preset python)
#   python3-pytest python3-pyproj  its tests (pyproj: the geodesic as a reference, and the
#                                  speed it is measured against)
#   python3-dask python3-distributed python3-pandas
#                                  sailings.dask and its example on a LocalCluster
# With --program, only what the program itself needs to build; with --web,
# what the page needs (tools/build-web.sh): emscripten and the libraries' headers.
set -eu
packages="cmake g++ libcli11-dev libhowardhinnant-date-dev libgtest-dev libbenchmark-dev nlohmann-json3-dev
          libgeographiclib-dev libpugixml-dev zlib1g-dev geographiclib-tools groff-base libxml2-utils python3 librsvg2-bin
          chromium poppler-utils gpsbabel gdal-bin python3-nmea2 clang-14 libclang-rt-14-dev clang-format-14 emscripten
          python3-numpy pybind11-dev python3-pybind11 python3-pytest python3-pyproj python3-dask python3-distributed
          python3-pandas"
[ "${1:-}" = --web ] && packages="emscripten python3 libcli11-dev libhowardhinnant-date-dev nlohmann-json3-dev libgeographiclib-dev libpugixml-dev"
[ "${1:-}" = --program ] && packages="cmake g++ python3 libcli11-dev libhowardhinnant-date-dev libgeographiclib-dev libpugixml-dev nlohmann-json3-dev zlib1g-dev"
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
