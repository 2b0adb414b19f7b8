"""sailings: marine sailings on the WGS-84 ellipsoid, over NumPy arrays.

The great elliptic arc (the plane section of the ellipsoid through its
centre and both points), the rhumb line, and beside them the geodesic and the
sphere's great circle, computed by the sailings C++ library for every pair of
positions of four arrays at once.

Units as everywhere in sailings: latitudes and longitudes in degrees
(latitudes in [-90, 90], longitudes any), distances in nautical miles
(1852 m), courses and azimuths in degrees clockwise from true north in
[0, 360).

The arrays broadcast against each other as NumPy's ufuncs do (a scalar, a
row against a column: a matrix), are read as float64, and are never copied.
A pair that cannot be solved (NaN, a latitude beyond 90, the same position
twice) gives NaN figures and its status (``status`` != 0, the reason from
``sailings.reason(status)``): one bad row of a million never raises.

    >>> import sailings
    >>> ge = sailings.great_ellipse(-33.9249, 18.4241, 40.7128, -74.006)
    >>> round(float(ge.distance_nm), 6)
    6777.739857
"""
from collections import namedtuple

import numpy as np

from . import _sailings
from . import objects
from .objects import *  # noqa: F401,F403 (Passage, SailingLine, sea_passage, ...)
from .voyage import Voyage  # noqa: F401

__all__ = objects.__all__ + ["Voyage", "great_ellipse", "rhumb_line", "geodesic", "compare", "vertex", "composite",
                                   "Vertices", "Composite", "sea_distance", "reason", "Error",
           "GreatEllipse", "RhumbLine", "Geodesic", "Comparison", "SeaDistance"]

GreatEllipse = namedtuple("GreatEllipse", "distance_nm course_initial course_final status")
GreatEllipse.__doc__ = """The great elliptic arc of each pair: its length (NM, the shorter arc),
the course leaving the departure and the course arriving at the destination
(degrees, [0, 360)), and the status (0: solved)."""
RhumbLine = namedtuple("RhumbLine", "distance_nm course status")
RhumbLine.__doc__ = """The rhumb line of each pair (the shorter way in longitude): its length (NM)
and its constant course (degrees, [0, 360)), and the status (0: solved)."""
Geodesic = namedtuple("Geodesic", "distance_nm azimuth_initial azimuth_final status")
Geodesic.__doc__ = """The geodesic of each pair (GeographicLib's, as the library computes it):
its length (NM), the azimuths leaving and arriving (degrees, [0, 360)), and
the status (0: solved)."""
Comparison = namedtuple(
    "Comparison",
    "ge_distance_nm ge_course_initial ge_course_final rhumb_distance_nm rhumb_course "
    "geodesic_nm geodesic_azimuth_initial geodesic_azimuth_final "
    "sphere_nm sphere_course sphere_course_final ge_geodesic_separation_km status")
Comparison.__doc__ = """Every sailing of each pair side by side: the great ellipse, the rhumb
line, the geodesic and the sphere's great circle (mean Earth radius), each
with its length (NM) and courses (degrees), the greatest distance of the
great elliptic track from the geodesic (km), and the status (0: solved)."""


Vertices = namedtuple("Vertices", "lat lon on_route status")
Vertices.__doc__ = """The vertex of each pair's great ellipse (its point farthest from the
equator, on the side the route goes farthest): lat, lon (degrees; lon NaN
where the route runs along a meridian, the vertex a pole, or along the
equator), on_route (between the ends), and the status (0: solved)."""
Composite = namedtuple(
    "Composite",
    "total_nm course_initial course_final ge1_nm parallel_nm ge2_nm t1_lat t1_lon t2_lat t2_lon "
    "composite status")
Composite.__doc__ = """The composite track of each pair within a limiting latitude: its length
(NM), its courses leaving and arriving (degrees), its parts (the great
ellipse to the parallel, along it, the great ellipse from it, NM; NaN where
the great ellipse keeps within the limit), where it touches the parallel
(T1) and leaves it (T2) (degrees), composite (False: the great ellipse
keeps within the limit as it is), and the status (an end beyond the limit:
position_beyond_limit)."""


SeaDistance = namedtuple("SeaDistance", "distance_nm legs status")
SeaDistance.__doc__ = """The sea passage of each pair (``sailings voyage --sea``): its length (NM,
approaches and canals included), its number of legs, and the status (0:
planned; an end inland, no way at sea: NaN and the reason)."""


class Error(Exception):
    """A refusal of the library: ``status`` is its Status code (None where a
    file cannot be read or written), the message its reason."""

    def __init__(self, status, message=None):
        self.status = None if status is None else int(status)
        super().__init__(message if message is not None else _sailings.reason(self.status))


def reason(status):
    """The library's reason for a status code (an int): "" for 0 (solved)."""
    status = int(status)
    return "" if status == 0 else _sailings.reason(status)


def _pairs(lat1, lon1, lat2, lon2):
    arrays = np.broadcast_arrays(*(np.asarray(a, dtype=np.float64) for a in (lat1, lon1, lat2, lon2)))
    return arrays, arrays[0].ndim == 0


def _result(kind, figures, scalar):
    if scalar:  # four numbers in, numbers out (0-d arrays made plain)
        figures = [f[()] for f in figures]
    return kind(*figures)


def great_ellipse(lat1, lon1, lat2, lon2):
    """The great elliptic sailing from (lat1, lon1) to (lat2, lon2), degrees,
    arrays broadcast together: a GreatEllipse of arrays (distance_nm,
    course_initial, course_final, status)."""
    arrays, scalar = _pairs(lat1, lon1, lat2, lon2)
    return _result(GreatEllipse, _sailings.great_ellipse(*arrays), scalar)


def rhumb_line(lat1, lon1, lat2, lon2):
    """The rhumb line (loxodrome) from (lat1, lon1) to (lat2, lon2), degrees,
    arrays broadcast together: a RhumbLine of arrays (distance_nm, course,
    status). Longitudes exactly 180 degrees apart run the way of lon2 - lon1."""
    arrays, scalar = _pairs(lat1, lon1, lat2, lon2)
    return _result(RhumbLine, _sailings.rhumb_line(*arrays), scalar)


def compare(lat1, lon1, lat2, lon2):
    """Every sailing side by side (a Comparison of arrays), as
    ``sailings route --compare`` gives it for each pair."""
    arrays, scalar = _pairs(lat1, lon1, lat2, lon2)
    return _result(Comparison, _sailings.compare(*arrays), scalar)


def geodesic(lat1, lon1, lat2, lon2):
    """The geodesic from (lat1, lon1) to (lat2, lon2), degrees, arrays
    broadcast together: a Geodesic of arrays (distance_nm, azimuth_initial,
    azimuth_final, status)."""
    c = compare(lat1, lon1, lat2, lon2)
    return Geodesic(c.geodesic_nm, c.geodesic_azimuth_initial, c.geodesic_azimuth_final, c.status)


def vertex(lat1, lon1, lat2, lon2):
    """The vertex of the great ellipse of each pair, arrays broadcast
    together: Vertices of arrays (lat, lon, on_route, status)."""
    arrays, scalar = _pairs(lat1, lon1, lat2, lon2)
    lat, lon, on_route, status = _sailings.vertex(*arrays)
    return _result(Vertices, (lat, lon, on_route == 1, status), scalar)


def composite(lat1, lon1, lat2, lon2, limit):
    """The composite sailing of each pair within the limiting latitude
    ``limit`` (degrees, (0, 90), north and south alike), as ``sailings route
    --limit`` gives it: a Composite of arrays."""
    arrays, scalar = _pairs(lat1, lon1, lat2, lon2)
    figures = list(_sailings.composite(*arrays, float(limit)))
    figures[10] = figures[10] == 1
    return _result(Composite, figures, scalar)


def sea_distance(lat1, lon1, lat2, lon2, clearance_nm=2.0, avoid=()):
    """The length of the sea passage from (lat1, lon1) to (lat2, lon2),
    degrees, arrays broadcast together: the shortest chain of great elliptic
    legs keeping ``clearance_nm`` (0.1 to 50) from the land of Natural Earth's
    1:10m coastline, canals ("suez", "panama", "kiel") passed unless named in
    ``avoid``, as ``sailings voyage --sea`` plans it. Ocean passages, not
    pilotage. About half a second a passage across an ocean (on every core):
    for many, see sailings.dask. A SeaDistance of arrays (distance_nm, legs,
    status)."""
    arrays, scalar = _pairs(lat1, lon1, lat2, lon2)
    figures = _sailings.sea_distance(*arrays, float(clearance_nm), [str(a) for a in avoid])
    distance, legs, status = figures
    return _result(SeaDistance, (distance, legs, status), scalar)
