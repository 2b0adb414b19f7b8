#!/usr/bin/env python3
"""Renders an SVG chart with a real renderer and checks its pixels.

  chart_check.py CHART.svg CHECKS.json [--chromium]

The chart states its frame and projection in <metadata>; this script places
positions on it with its own projection formulas (the ellipsoid's Mercator,
or a polar stereographic one) and checks, in the rendered PNG:
  - every "paint" check: the pixel of (lat, lon) has the colour named
    (land, sea), or, with a radius, some pixel within it does (a track);
  - nothing is drawn outside the frame: the margin around it is all white.
  - every "along" check: the point of (lat, lon) lies within a pixel of the
    polyline the chart draws in that track's colour (the drawing is
    simplified to well under a pixel).
CHECKS.json: {"paint": [[lat, lon, "land"|"sea"|"ellipse"|"rhumb"|"composite", radius], ...],
              "along": [[lat, lon, "ellipse"|"rhumb"|"composite"], ...]}.
The renderer is rsvg-convert (librsvg), or with --chromium headless Chromium
(then only that the chart renders: land and sea both appear). PNGs are
decoded here with zlib (8-bit RGB or RGBA, not interlaced). Exit 1 on any
failure, with one line per failure."""
import json, math, os, re, struct, subprocess, sys, tempfile, zlib

COLOURS = {"land": (0xdc, 0xcb, 0x9c), "sea": (0xcf, 0xe6, 0xf5), "ellipse": (0xc0, 0x39, 0x2b),
           "rhumb": (0x1f, 0x5f, 0xbf), "composite": (0x1e, 0x84, 0x49), "white": (255, 255, 255)}
E = math.sqrt(0.00669438)


def decode_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unsupported PNG"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = previous[i], previous[i - channels] if i >= channels else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line

    def pixel(x, y):
        if not (0 <= x < width and 0 <= y < height):
            return None
        r = rows[y][x * channels:x * channels + 3]
        alpha = rows[y][x * channels + 3] if channels == 4 else 255
        # Transparent counts as the white page it would show on.
        return tuple(int(v * alpha / 255 + 255 * (1 - alpha / 255)) for v in r)
    return width, height, pixel


def near(colour, name, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, COLOURS[name]))


def polylines(svg, name):
    """The vertices of the paths stroked in a track's colour."""
    colour = "#%02x%02x%02x" % COLOURS[name]
    lines = []
    for d in re.findall(r'<path d="([^"]*)" fill="none" stroke="' + colour + '"', svg):
        points = [(float(x), float(y)) for x, y in re.findall(r"[ML](-?[\d.]+) (-?[\d.]+)", d)]
        lines.append(points)
    return lines


def distance_to(lines, x, y):
    best = math.inf
    for points in lines:
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = 0 if dx == dy == 0 else max(0, min(1, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            best = min(best, math.hypot(ax + t * dx - x, ay + t * dy - y))
    return best


def placer(svg):
    meta = dict(re.findall(r"(\w+)=([-\w.]+)", re.search(r"<metadata>(.*?)</metadata>", svg).group(1)))
    f = {k: float(v) for k, v in meta.items() if k != "projection"}

    def place(lat, lon):
        if meta["projection"] == "mercator":
            phi = math.radians(max(-85, min(85, lat)))
            y = math.degrees(math.asinh(math.tan(phi)) - E * math.atanh(E * math.sin(phi)))
            x = lon
            width_deg = f["width"] / f["scale"]
            while x < f["x0"]: x += 360
            while x > f["x0"] + width_deg and x - 360 >= f["x0"]: x -= 360
        else:
            pole = f["pole"]
            rho = math.degrees(2 * math.tan(math.pi / 4 - math.radians(pole * lat) / 2))
            a = math.radians(lon - f["center"])
            x, y = rho * math.sin(a), -pole * rho * math.cos(a)
        return f["left"] + (x - f["x0"]) * f["scale"], f["top"] + (f["y0"] - y) * f["scale"]
    return place, f


def main():
    chart, checks_file = sys.argv[1], sys.argv[2]
    chromium = "--chromium" in sys.argv
    svg = open(chart, encoding="utf-8").read()
    place, frame = placer(svg)
    failures = []
    with tempfile.TemporaryDirectory(prefix="sailings-chart-") as work:
        png = os.path.join(work, "chart.png")
        if chromium:
            size = re.search(r'width="([\d.]+)" height="([\d.]+)"', svg)
            subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                            f"--window-size={math.ceil(float(size.group(1)))},{math.ceil(float(size.group(2)))}",
                            f"--screenshot={png}", "file://" + os.path.abspath(chart)],
                           check=True, capture_output=True, timeout=120)
        else:
            subprocess.run(["rsvg-convert", chart, "-o", png], check=True)
        width, height, pixel = decode_png(png)
        if chromium:
            seen = {name: False for name in ("land", "sea")}
            for y in range(0, height, 3):
                for x in range(0, width, 3):
                    for name in seen:
                        seen[name] = seen[name] or near(pixel(x, y), name)
            failures += [f"Chromium shows no {name}" for name, shown in seen.items() if not shown]
        else:
            checks = json.load(open(checks_file))
            for lat, lon, name in checks.get("along", []):
                x, y = place(lat, lon)
                gap = distance_to(polylines(svg, name), x, y)
                if gap > 1.0:
                    failures.append(f"the {name} is drawn {gap:.2f} px from ({lat}, {lon})")
            for lat, lon, name, radius in checks["paint"]:
                x, y = place(lat, lon)
                r = int(radius)
                found = any(near(pixel(int(round(x)) + dx, int(round(y)) + dy) or (0, 0, 0), name)
                            for dx in range(-r, r + 1) for dy in range(-r, r + 1))
                if not found:
                    failures.append(f"no {name} within {r} px of ({lat}, {lon}) at ({x:.1f}, {y:.1f}): "
                                    f"{pixel(int(round(x)), int(round(y)))}")
            # The margin outside the frame (beyond its 1-px border) is untouched.
            left, top = int(frame["left"]), int(frame["top"])
            right, bottom = left + int(frame["width"]), top + int(frame["height"])
            for y in range(height):
                for x in range(width):
                    if left - 2 <= x <= right + 2 and top - 2 <= y <= bottom + 2:
                        continue
                    if not near(pixel(x, y), "white", 2):
                        failures.append(f"drawn outside the frame at ({x}, {y}): {pixel(x, y)}")
                        break
                if failures and failures[-1].startswith("drawn outside"):
                    break
    for f in failures:
        print(f"{chart}: {f}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
