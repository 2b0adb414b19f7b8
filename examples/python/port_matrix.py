#!/usr/bin/env python3
"""The sea-distance matrix of the bundled ports, and a table of random
origin and destination pairs with their great-elliptic distances, computed
on a Dask cluster: a LocalCluster of two workers on this machine, or any
cluster by its scheduler's address (the same code either way).

  PYTHONPATH=build/python/python /usr/bin/python3 examples/python/port_matrix.py
      [--scheduler tcp://HOST:8786] [--workers 2] [--ports N] [--pairs 10000]

Needs Debian's python3-dask, python3-distributed and python3-pandas."""
import argparse
import os
import time

import dask.dataframe as dd
import numpy as np
import pandas as pd
from dask.distributed import Client, LocalCluster, progress

import sailings.dask

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def ports(count=None):
    """The bundled location list's places: names, latitudes, longitudes."""
    names, lat, lon = [], [], []
    for line in open(os.path.join(ROOT, "data", "input.txt"), encoding="utf-8"):
        if "\t" in line:
            name, position = line.rstrip("\n").split("\t")
            names.append(name)
            a, b = position.split()
            lat.append(float(a)), lon.append(float(b))
    return names[:count], np.array(lat[:count]), np.array(lon[:count])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--scheduler", help="a cluster's scheduler (default: a LocalCluster here)")
    parser.add_argument("--workers", type=int, default=2, help="the LocalCluster's workers (default 2)")
    parser.add_argument("--ports", type=int, help="the first N ports only (default: all)")
    parser.add_argument("--pairs", type=int, default=10000, help="random pairs in the table (default 10000)")
    args = parser.parse_args(argv)
    # One thread a worker (the workers share the cores, not each of them all).
    os.environ.setdefault("SAILINGS_THREADS", "1")
    cluster = None if args.scheduler else LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                                         dashboard_address=None)
    with Client(args.scheduler or cluster) as client:
        names, lat, lon = ports(args.ports)
        started = time.perf_counter()
        # (A pair a task: passages take from milliseconds to seconds.)
        matrix = sailings.dask.distance_matrix(lat, lon, sailing="sea", chunk=1).persist()
        progress(matrix)
        sea = matrix.compute()
        print(f"\nsea distances of {len(names)} ports: {time.perf_counter() - started:.1f} s")
        rng = np.random.default_rng(2027)
        table = pd.DataFrame({"lat1": rng.uniform(-70, 70, args.pairs), "lon1": rng.uniform(-180, 180, args.pairs),
                              "lat2": rng.uniform(-70, 70, args.pairs), "lon2": rng.uniform(-180, 180, args.pairs)})
        started = time.perf_counter()
        od = sailings.dask.od_distances(dd.from_pandas(table, npartitions=8)).persist()
        progress(od)
        od = od.compute()
        print(f"\n{len(od)} pairs, great-elliptic: {time.perf_counter() - started:.2f} s")
        client.close()
    if cluster:
        cluster.close()
    return names, lat, lon, sea, table, od


if __name__ == "__main__":
    names, *_, sea, _, _ = main()
    print(pd.DataFrame(np.round(sea, 1), index=names, columns=names).iloc[:6, :6].to_string())
