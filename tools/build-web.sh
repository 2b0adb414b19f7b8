#!/bin/sh
# Builds the page into build/web/: the library and the command line compiled
# to WebAssembly with Debian's emscripten (3.1.x), the page's files beside it.
# Serve the folder with any static server (python3 -m http.server) and open
# it; nothing runs on the server.
#
# GeographicLib (the geodesic) and pugixml (route files) are compiled from
# the Debian source packages of the versions installed (their headers come
# from those -dev packages), fetched once into build/web-deps with apt-get
# source from the machine's own configured archive.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/web"
deps="$root/build/web-deps"
"$root/tools/install-deps.sh" --web
# emscripten's tools are Node.js programs that need Debian's Node.js modules;
# the machine's own node may not be Debian's and does not look there.
export NODE_PATH=/usr/share/nodejs

# The sources come through the package client, from the machine's own
# archive: its configured Debian entries, as source entries in a private apt
# state under build/web-deps/apt (nothing of the machine's is changed), and
# `apt-get source --download-only` of the versions whose headers are
# installed. apt checks every file against the archive's signed index.
sources_of() {  # the installed version's source package and version
  dpkg-query -W -f='${source:Package}=${source:Version}' "$1"
}
apt_state="$deps/apt"
mkdir -p "$deps" "$out" "$apt_state/lists/partial" "$apt_state/cache/archives/partial" "$apt_state/parts"
codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
python3 - "$codename" "$apt_state/parts/archive.sources" <<'PY'
import glob, re, sys
codename, target = sys.argv[1], sys.argv[2]
entries = []
# The deb822 files (*.sources) and the one-line lists (*.list), as apt reads them.
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for block in open(path, encoding="utf-8").read().split("\n\n"):
        fields = {}
        for line in block.splitlines():
            m = re.match(r"^([A-Za-z-]+):\s*(.*)$", line)
            if m:
                fields[m.group(1)] = m.group(2)
        if "deb" in fields.get("Types", "").split() and fields.get("Enabled", "yes") != "no":
            entries.append(fields)
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path, encoding="utf-8").read().splitlines()
    except OSError:
        continue
    for line in lines:
        m = re.match(r"^deb\s+(\[[^]]*\]\s+)?(\S+)\s+(\S+)\s+(.*)$", line.strip())
        if m:
            options = dict(o.split("=", 1) for o in (m.group(1) or "").strip("[] ").split() if "=" in o)
            entries.append({"URIs": m.group(2), "Suites": m.group(3), "Components": m.group(4),
                            **({"Signed-By": options["signed-by"]} if "signed-by" in options else {})})
# The distribution's own archive: the entries of this release.
with open(target, "w", encoding="utf-8") as out:
    for e in entries:
        suites = [s for s in e.get("Suites", "").split() if s == codename or s.startswith(codename + "-")]
        if not suites:
            continue
        out.write("Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n" %
                  (e["URIs"], " ".join(suites), e.get("Components", "main")))
        if "Signed-By" in e:
            out.write("Signed-By: %s\n" % e["Signed-By"])
        out.write("\n")
PY
apt_get() {
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_state/parts" \
    -o Dir::State::Lists="$apt_state/lists" -o Dir::Cache="$apt_state/cache" \
    -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)" "$@"
}
fetch() {  # the -dev package whose source is wanted, the name the orig tarball is kept as
  want=$(sources_of "$1")
  name=${want%%=*}
  version=${want#*=}
  upstream=${version#*:}
  upstream=${upstream%-*}
  if [ ! -f "$deps/$2" ] || [ "$(cat "$deps/$2.version" 2>/dev/null)" != "$version" ]; then
    [ -n "$(ls "$apt_state/lists/"*Sources* 2>/dev/null)" ] || apt_get update >/dev/null
    (cd "$deps" && apt_get source --download-only "$want" >/dev/null)
    mv "$deps/${name}_${upstream}.orig.tar."* "$deps/$2"
    echo "$version" > "$deps/$2.version"
    rm -rf "${deps:?}/${2%%.tar*}" "$deps/obj/${2%%.tar*}_"*.o
  fi
}
fetch libgeographiclib-dev geographiclib.tar.gz
fetch libpugixml-dev pugixml.tar.gz
fetch zlib1g-dev zlib.tar
[ -d "$deps/geographiclib" ] || { mkdir -p "$deps/geographiclib" && tar -xzf "$deps/geographiclib.tar.gz" -C "$deps/geographiclib" --strip-components=1; }
[ -d "$deps/pugixml" ] || { mkdir -p "$deps/pugixml" && tar -xzf "$deps/pugixml.tar.gz" -C "$deps/pugixml" --strip-components=1; }
[ -d "$deps/zlib" ] || { mkdir -p "$deps/zlib" && tar -xf "$deps/zlib.tar" -C "$deps/zlib" --strip-components=1; }
# The header-only libraries and GeographicLib's configured headers, without
# the rest of /usr/include (the C library there is not emscripten's).
stage="$deps/include"
mkdir -p "$stage"
for d in CLI date nlohmann GeographicLib; do ln -sfn "/usr/include/$d" "$stage/$d"; done
ln -sf /usr/include/pugixml.hpp /usr/include/pugiconfig.hpp "$stage/"
ln -sf "$deps/zlib/zlib.h" "$deps/zlib/zconf.h" "$stage/"

version=$(sed -n 's/^project(sailings VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
sources=$(cd "$root" && ls src/api/*.cpp src/elliptic/*.cpp src/input/*.cpp src/land/*.cpp \
  src/sea/*.cpp src/text/*.cpp src/vector/*.cpp src/writers/*.cpp src/cli/*.cpp 2>/dev/null)
mkdir -p "$deps/obj"
flags="-std=c++17 -Os -fexceptions -DSAILINGS_ONE_CORE -DSAILINGS_COAST_SEPARATE -DSAILINGS_VERSION='\"$version\"' -I$root/include -I$root/src -isystem $stage"
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
# zlib's inflating half: which coarse cells the sea joins (links.bin,
# fetched with the coastline) is read with uncompress.
for s in uncompr inflate inftrees inffast adler32 crc32 zutil; do
  o="$deps/obj/zlib_$s.o"
  [ -f "$o" ] || emcc -O2 -c "$deps/zlib/$s.c" -o "$o"
  objects="$objects $o"
done
o="$deps/obj/pugixml.o"
[ -f "$o" ] || em++ -std=c++17 -O2 -fexceptions -isystem "$stage" -c "$deps/pugixml/src/pugixml.cpp" -o "$o"
objects="$objects $o"
# shellcheck disable=SC2086
em++ -Os -fexceptions $objects -o "$out/sailings.js" \
  -sMODULARIZE -sEXPORT_NAME=SailingsModule -sENVIRONMENT=web \
  -sEXPORTED_FUNCTIONS=_sailings_run,_sailings_place,_sailings_load_coast,_sailings_land,_sailings_coordinate,_sailings_fixed,_sailings_azimuth -sEXPORTED_RUNTIME_METHODS=ccall,FS \
  -sALLOW_MEMORY_GROWTH -sFORCE_FILESYSTEM \
  --embed-file "$root/data/input.txt@/plan/input.txt"
cp "$root/web/index.html" "$root/web/app.js" "$root/web/results.js" "$root/web/files.js" "$root/web/chart.js" "$root/web/legs.js" \
  "$root/web/style.css" "$root/web/sw.js" "$out/"
# Leaflet, the working chart's map library, from npm at the version
# web/package-lock.json pins (npm checks it against the lock's integrity).
npm_dir="$deps/npm"
mkdir -p "$npm_dir"
if ! cmp -s "$root/web/package-lock.json" "$npm_dir/package-lock.json" || [ ! -f "$npm_dir/node_modules/leaflet/dist/leaflet.js" ]; then
  cp "$root/web/package.json" "$root/web/package-lock.json" "$npm_dir/"
  (cd "$npm_dir" && npm ci --no-audit --no-fund >/dev/null)
fi
cp "$npm_dir/node_modules/leaflet/dist/leaflet.js" "$npm_dir/node_modules/leaflet/dist/leaflet.css" "$out/"
# The coastline of sea passages, fetched by the page only when a plan stays at sea.
cp "$root/src/land/coast_10m.bin" "$root/src/sea/links.bin" "$out/"
echo "built $out: $(du -cb "$out"/* | tail -1 | cut -f1) bytes"
