"""sailings at scale on Dask: distance matrices and tables of origin and
destination pairs computed in partitions on any Dask cluster (a
``distributed.LocalCluster`` on one machine, or a scheduler's address for
many), each partition by the sailings module on its worker.

Needs Debian's python3-dask and python3-distributed (and python3-pandas for
tables); ``import sailings`` does not.

    >>> import numpy as np, sailings.dask
    >>> m = sailings.dask.distance_matrix([51.9244, 35.4437], [4.4777, 139.638], chunk=1)
    >>> print(np.round(m.compute(scheduler="synchronous"), 1))
    [[   nan 5070.7]
     [5070.7    nan]]
"""
import dask.array as da
import numpy as np

import sailings

SAILINGS = ("great_ellipse", "rhumb_line", "geodesic", "sea")


def _distances(sailing, options):
    """The distance function of a sailing: arrays in, NM out (NaN where not solved)."""
    if sailing not in SAILINGS:
        raise ValueError(f"sailing {sailing!r}: one of {', '.join(SAILINGS)}")
    if sailing == "sea":
        return lambda *pairs: sailings.sea_distance(*pairs, **options).distance_nm
    solve = getattr(sailings, sailing)
    return lambda *pairs: solve(*pairs).distance_nm


def distance_matrix(lat, lon, sailing="great_ellipse", chunk=500, **options):
    """The distances (NM) between every pair of n positions (lat, lon:
    degrees, arrays of n) as a dask array of n x n, computed in blocks of
    ``chunk`` x ``chunk`` pairs; NaN on the diagonal (no passage from a place
    to itself) and where a pair is refused. ``sailing``: "great_ellipse",
    "rhumb_line", "geodesic" or "sea" (``options``: clearance_nm, avoid)."""
    distances = _distances(sailing, options)
    lat = da.from_array(np.asarray(lat, dtype=np.float64), chunks=chunk)
    lon = da.from_array(np.asarray(lon, dtype=np.float64), chunks=chunk)

    def block(lat1, lon1, lat2, lon2):
        return distances(lat1[:, None], lon1[:, None], lat2[None, :], lon2[None, :])

    return da.blockwise(block, "ij", lat, "i", lon, "i", lat, "j", lon, "j", dtype=np.float64,
                        concatenate=True)


def od_distances(frame, sailing="great_ellipse", columns=("lat1", "lon1", "lat2", "lon2"), **options):
    """A table of origin and destination pairs (a Dask DataFrame, or pandas)
    with ``distance_nm`` (NM) and ``status`` (0: solved; else
    sailings.reason(status)) added, partition by partition. ``columns``: the
    four columns of degrees."""
    if sailing not in SAILINGS:
        raise ValueError(f"sailing {sailing!r}: one of {', '.join(SAILINGS)}")

    def partition(p):
        pairs = [p[c].to_numpy(dtype=np.float64) for c in columns]
        if sailing == "sea":
            r = sailings.sea_distance(*pairs, **options)
        else:
            r = getattr(sailings, sailing)(*pairs)
        return p.assign(distance_nm=r.distance_nm, status=r.status)

    if hasattr(frame, "map_partitions"):
        meta = frame._meta.assign(distance_nm=np.float64(0), status=np.uint8(0))
        return frame.map_partitions(partition, meta=meta)
    return partition(frame)
