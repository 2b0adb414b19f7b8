#!/usr/bin/env python3
"""Converts Natural Earth's 1:110m land polygons (public domain) into the
compact data file built into the program, src/land/land_110m.inc.

The polygons come from the npm package world-atlas (version 2.0.2, which
redistributes Natural Earth 4.1.0 as TopoJSON, land-110m.json). Run once,
when the data should change:

  tools/make-land-data.py            # fetches the package with `npm pack`
  tools/make-land-data.py FILE.json  # or converts a land-110m.json at hand

TopoJSON keeps each ring as arcs of quantized points, delta-encoded; this
decodes them into rings of quantized points (the same grid, so nothing is
rounded twice) and writes them as one integer array:
  ring point count, x0, y0, x1, y1, ... , then the next ring, ..., 0
with lon = X0 + x * DX and lat = Y0 + y * DY (the constants written beside)."""
import json, os, subprocess, sys, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGE = "world-atlas@2.0.2"


def load(path):
    if path:
        return json.load(open(path))
    with tempfile.TemporaryDirectory(prefix="sailings-land-") as work:
        subprocess.run(["npm", "pack", PACKAGE], cwd=work, check=True, stdout=subprocess.DEVNULL)
        tarball = [f for f in os.listdir(work) if f.endswith(".tgz")][0]
        subprocess.run(["tar", "xzf", tarball], cwd=work, check=True)
        return json.load(open(os.path.join(work, "package", "land-110m.json")))


def main():
    topo = load(sys.argv[1] if len(sys.argv) > 1 else None)
    arcs = []
    for arc in topo["arcs"]:  # delta-encoded quantized points
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x, y))
        arcs.append(points)
    rings = []
    for geometry in topo["objects"]["land"]["geometries"]:
        polygons = geometry["arcs"] if geometry["type"] == "MultiPolygon" else [geometry["arcs"]]
        for polygon in polygons:
            for ring in polygon:
                points = []
                for index in ring:
                    arc = arcs[index] if index >= 0 else list(reversed(arcs[~index]))
                    points.extend(arc if not points else arc[1:])
                rings.append(points)
    scale, translate = topo["transform"]["scale"], topo["transform"]["translate"]
    numbers = []
    for ring in rings:
        numbers.append(len(ring))
        for x, y in ring:
            numbers.extend((x, y))
    numbers.append(0)
    out = os.path.join(ROOT, "src", "land", "land_110m.inc")
    with open(out, "w") as f:
        f.write("// Natural Earth 1:110m land polygons (public domain), version 4.1.0, from the npm\n"
                f"// package {PACKAGE} (land-110m.json, TopoJSON), converted by\n"
                "// tools/make-land-data.py: rings of quantized points, each its point count and then\n"
                "// x, y pairs; a count of 0 ends the data. lon = kLandX0 + x * kLandDX,\n"
                "// lat = kLandY0 + y * kLandDY (degrees).\n")
        f.write(f"inline constexpr double kLandX0 = {translate[0]!r};\n")
        f.write(f"inline constexpr double kLandY0 = {translate[1]!r};\n")
        f.write(f"inline constexpr double kLandDX = {scale[0]!r};\n")
        f.write(f"inline constexpr double kLandDY = {scale[1]!r};\n")
        f.write("inline constexpr int kLandData[] = {\n")
        for i in range(0, len(numbers), 16):
            f.write("    " + ",".join(str(n) for n in numbers[i:i + 16]) + ",\n")
        f.write("};\n")
    print(f"{len(rings)} rings, {sum(len(r) for r in rings)} points -> {os.path.relpath(out, ROOT)}")


if __name__ == "__main__":
    main()
