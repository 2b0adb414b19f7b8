#!/bin/sh
# Installs the Debian packages that the build, the tests, the fuzzing and the
# benchmarks need, where they are missing. Safe to run again.
set -eu
packages="cmake g++ libgtest-dev libbenchmark-dev libgeographiclib-dev geographiclib-tools
          libxml2-utils clang-14 libclang-rt-14-dev"
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
