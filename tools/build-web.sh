#!/bin/sh
# Builds the page into build/web/: the library and the command line compiled
# to WebAssembly with Debian's emscripten (3.1.x), the page's files beside it.
# Serve the folder with any static server (python3 -m http.server) and open
# it; nothing runs on the server.
#
# GeographicLib (the geodesic) and pugixml (route files) are compiled from
# their Debian source archives, fetched once into build/web-deps and checked
# against the checksums of their Debian source packages; their headers come
# from the Debian -dev packages of the same versions.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/web"
deps="$root/build/web-deps"
"$root/tools/install-deps.sh" --web
# emscripten's tools are Node.js programs that need Debian's Node.js modules;
# the machine's own node may not be Debian's and does not look there.
export NODE_PATH=/usr/share/nodejs

fetch() {  # url sha256 file
  if [ ! -f "$deps/$3" ] || ! echo "$2  $deps/$3" | sha256sum -c - >/dev/null 2>&1; then
    curl -fsSL "$1" -o "$deps/$3.part"
    echo "$2  $deps/$3.part" | sha256sum -c - >/dev/null
    mv "$deps/$3.part" "$deps/$3"
  fi
}
mkdir -p "$deps" "$out"
fetch http://deb.debian.org/debian/pool/main/g/geographiclib/geographiclib_2.1.2.orig.tar.gz \
  b062b472dae3d371b3005f4ea2fc59af687b8ea76eb23df732ec11c500fba959 geographiclib.tar.gz
fetch http://deb.debian.org/debian/pool/main/p/pugixml/pugixml_1.13.orig.tar.gz \
  5c5ad5d7caeb791420408042a7d88c2c6180781bf218feca259fd9d840a888e1 pugixml.tar.gz
[ -d "$deps/geographiclib" ] || { mkdir -p "$deps/geographiclib" && tar -xzf "$deps/geographiclib.tar.gz" -C "$deps/geographiclib" --strip-components=1; }
[ -d "$deps/pugixml" ] || { mkdir -p "$deps/pugixml" && tar -xzf "$deps/pugixml.tar.gz" -C "$deps/pugixml" --strip-components=1; }
# The header-only libraries and GeographicLib's configured headers, without
# the rest of /usr/include (the C library there is not emscripten's).
stage="$deps/include"
mkdir -p "$stage"
for d in CLI date nlohmann GeographicLib; do ln -sfn "/usr/include/$d" "$stage/$d"; done
ln -sf /usr/include/pugixml.hpp /usr/include/pugiconfig.hpp "$stage/"

version=$(sed -n 's/^project(sailings VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
sources=$(cd "$root" && ls src/api/*.cpp src/elliptic/*.cpp src/input/*.cpp src/land/*.cpp \
  src/text/*.cpp src/vector/*.cpp src/writers/*.cpp src/cli/*.cpp 2>/dev/null)
mkdir -p "$deps/obj"
flags="-std=c++17 -Os -fexceptions -DSAILINGS_ONE_CORE -DSAILINGS_VERSION='\"$version\"' -I$root/include -I$root/src -isystem $stage"
objects=""
stale=""
# Each source compiled once, again only when it (or a header) is newer; on
# every core.
for s in $sources web/sailings_web.cpp; do
  o="$deps/obj/$(echo "$s" | tr / _).o"
  if [ ! -f "$o" ] || [ -n "$(find "$root/src" "$root/include" "$root/web" -newer "$o" \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.inc' \) | head -1)" ]; then
    stale="$stale $s"
  fi
  objects="$objects $o"
done
if [ -n "$stale" ]; then
  # shellcheck disable=SC2086
  printf '%s\n' $stale | xargs -P "$(nproc)" -I{} sh -c \
    'em++ '"$flags"' -c "'"$root"'/{}" -o "'"$deps"'/obj/$(echo "{}" | tr / _).o"'
fi
for s in Geodesic GeodesicLine Math; do
  o="$deps/obj/geographiclib_$s.o"
  [ -f "$o" ] || em++ -std=c++17 -O2 -isystem "$stage" -c "$deps/geographiclib/src/$s.cpp" -o "$o"
  objects="$objects $o"
done
o="$deps/obj/pugixml.o"
[ -f "$o" ] || em++ -std=c++17 -O2 -fexceptions -isystem "$stage" -c "$deps/pugixml/src/pugixml.cpp" -o "$o"
objects="$objects $o"
# shellcheck disable=SC2086
em++ -Os -fexceptions $objects -o "$out/sailings.js" \
  -sMODULARIZE -sEXPORT_NAME=SailingsModule -sENVIRONMENT=web \
  -sEXPORTED_FUNCTIONS=_sailings_run,_sailings_place -sEXPORTED_RUNTIME_METHODS=ccall,FS \
  -sALLOW_MEMORY_GROWTH -sFORCE_FILESYSTEM \
  --embed-file "$root/data/input.txt@/plan/input.txt"
cp "$root/web/index.html" "$root/web/app.js" "$root/web/style.css" "$out/"
echo "built $out: $(du -cb "$out"/* | tail -1 | cut -f1) bytes"
