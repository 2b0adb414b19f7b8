#!/usr/bin/env python3
"""The Python module's speed: 1,000,000 great-elliptic distances and courses
from arrays against pyproj's Geod.inv (the geodesic, Debian's python3-pyproj)
on the same arrays, and the rhumb lines beside GeographicLib's RhumbSolve
(geographiclib-tools; no peer in pyproj) on the same pairs as text, which it
reads and writes. The best of three runs each.

  PYTHONPATH=build/python/python /usr/bin/python3 tools/python-bench.py [N]"""
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from pyproj import Geod

import sailings


def best(f, runs=3):
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        f()
        times.append(time.perf_counter() - started)
    return min(times)


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    rng = np.random.default_rng(1)
    lat1, lat2 = rng.uniform(-80, 80, n), rng.uniform(-80, 80, n)
    lon1, lon2 = rng.uniform(-180, 180, n), rng.uniform(-180, 180, n)
    geod = Geod(ellps="WGS84")
    peer = best(lambda: geod.inv(lon1, lat1, lon2, lat2))
    ge = best(lambda: sailings.great_ellipse(lat1, lon1, lat2, lon2))
    rl = best(lambda: sailings.rhumb_line(lat1, lon1, lat2, lon2))
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "pairs.txt")
        np.savetxt(path, np.column_stack([lat1, lon1, lat2, lon2]), fmt="%.10f")
        def rhumb_solve():
            with open(path) as pairs, open(os.devnull, "w") as out:
                subprocess.run(["RhumbSolve", "-i"], stdin=pairs, stdout=out, check=True)
        solve = best(rhumb_solve)
    print(f"{n} pairs: pyproj Geod.inv {peer:.3f} s; sailings.great_ellipse {ge:.3f} s "
          f"({ge / peer:.2f} of pyproj's); sailings.rhumb_line {rl:.3f} s, RhumbSolve -i {solve:.3f} s (text in and out)")


if __name__ == "__main__":
    main()
