#!/bin/sh
# The format check: every C++ file as clang-format (the house style in
# .clang-format) writes it. `clang-format-14 -i FILE` puts one right.
set -eu
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' '*.hpp' | xargs clang-format-14 --dry-run -Werror
