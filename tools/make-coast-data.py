#!/usr/bin/env python3
"""Converts Natural Earth's 1:10m land polygons (public domain) into the
compact coastline built into the library, src/land/coast_10m.bin: the land
that sea passages keep clear of and that the land check looks for.

The polygons come from the npm package world-atlas (version 2.0.2, which
redistributes Natural Earth 4.1.0 as TopoJSON, land-10m.json: a grid of
1e5 x 1e5 steps, 0.0036 degrees of longitude by 0.0017 of latitude, about
400 m by 190 m). Run once, when the data should change:

  tools/make-coast-data.py            # fetches the package with `npm pack`
  tools/make-coast-data.py FILE.json  # or converts a land-10m.json at hand

The file (little-endian):
  "SLC1", then four float64: lon0, lat0, dlon, dlat (degrees; a point is
  lon = lon0 + x * dlon, lat = lat0 + y * dlat on the package's own grid,
  so nothing is rounded twice), then uint32 ring count, then each ring:
  its point count and its points, every number an unsigned LEB128 varint,
  the points as zigzag differences from the previous point (the first from
  0, 0). A ring is not closed by repeating its first point, and holds no
  point twice in a row. Inside is by the even-odd rule in the plane of
  longitude and latitude (the rings meet the 180th meridian and close along
  it)."""
import json, os, struct, subprocess, sys, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGE = "world-atlas@2.0.2"
OUT = os.path.join(ROOT, "src", "land", "coast_10m.bin")


def load(path):
    if path:
        return json.load(open(path))
    with tempfile.TemporaryDirectory(prefix="sailings-coast-") as work:
        subprocess.run(["npm", "pack", PACKAGE], cwd=work, check=True, stdout=subprocess.DEVNULL)
        tarball = [f for f in os.listdir(work) if f.endswith(".tgz")][0]
        subprocess.run(["tar", "xzf", tarball], cwd=work, check=True)
        return json.load(open(os.path.join(work, "package", "land-10m.json")))


def varint(n, out):
    while True:
        byte = n & 0x7F
        n >>= 7
        if n:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return


def zigzag(n):
    return (n << 1) ^ (n >> 63)


def rings_of(topo):
    arcs = []
    for arc in topo["arcs"]:  # delta-encoded quantized points
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x, y))
        arcs.append(points)
    for geometry in topo["objects"]["land"]["geometries"]:
        polygons = geometry["arcs"] if geometry["type"] == "MultiPolygon" else [geometry["arcs"]]
        for polygon in polygons:
            for ring in polygon:
                points = []
                for index in ring:
                    arc = arcs[index] if index >= 0 else list(reversed(arcs[~index]))
                    points.extend(arc if not points else arc[1:])
                kept = [p for i, p in enumerate(points) if i == 0 or p != points[i - 1]]
                while len(kept) > 1 and kept[-1] == kept[0]:
                    kept.pop()
                if len(kept) >= 3:
                    yield kept


def main():
    topo = load(sys.argv[1] if len(sys.argv) > 1 else None)
    scale, translate = topo["transform"]["scale"], topo["transform"]["translate"]
    rings = list(rings_of(topo))
    out = bytearray(b"SLC1")
    out += struct.pack("<4d", translate[0], translate[1], scale[0], scale[1])
    out += struct.pack("<I", len(rings))
    for ring in rings:
        varint(len(ring), out)
        px = py = 0
        for x, y in ring:
            varint(zigzag(x - px), out)
            varint(zigzag(y - py), out)
            px, py = x, y
    with open(OUT, "wb") as f:
        f.write(out)
    print(f"{len(rings)} rings, {sum(len(r) for r in rings)} points, {len(out)} bytes -> "
          f"{os.path.relpath(OUT, ROOT)}")


if __name__ == "__main__":
    main()
