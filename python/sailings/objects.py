"""One passage at a time, as the C++ library has it: Passage, SailingLine,
the waypoint table as a NumPy structured array, the sea passage with its
turning points, and route files read and checked.

Units as everywhere in sailings: degrees and nautical miles. A refusal
raises sailings.Error (its ``status`` the library's Status code, or None for
a file that cannot be read, with the reason as the message).

    >>> import sailings
    >>> p = sailings.Passage(50.0, -5.0, 40.0, -70.0)
    >>> round(p.distance_nm, 3), round(p.course_initial, 3)
    (2740.973, 283.347)
    >>> t = p.table(points=4)
    >>> [round(x, 3) for x in t["total_nm"]]
    [0.0, 548.195, 1096.389, 1644.584, 2192.779, 2740.973]
"""
from collections import namedtuple
import os

import numpy as np

from . import _sailings

__all__ = ["Passage", "SailingLine", "SeaPassage", "RouteFile", "sea_passage", "read_route",
           "check_route", "Vertex", "LinePositions", "PassageComparison", "Finding", "TRACKS"]

# The tracks a passage has, by the names every face prints.
TRACKS = ("great ellipse", "rhumb line", "geodesic", "composite track")

Vertex = namedtuple("Vertex", "kind lat lon on_route")
Vertex.__doc__ = """The point of the route's great ellipse farthest from the equator: ``kind``
"point" (at lat, lon), "pole" (a meridian route: lat +-90, lon None) or
"equator" (lat 0, lon None); ``on_route`` whether it lies between the ends."""
LinePositions = namedtuple("LinePositions", "lat lon azimuth")
LinePositions.__doc__ = """Positions along a track (degrees) and the direction of travel there
(degrees, [0, 360): the course on a rhumb line or along a limiting parallel)."""
PassageComparison = namedtuple(
    "PassageComparison",
    "geodesic_nm geodesic_azimuth_initial geodesic_azimuth_final sphere_nm sphere_course "
    "sphere_course_final ge_geodesic_separation_km")
PassageComparison.__doc__ = """The geodesic and the sphere's great circle beside the route (NM,
degrees), and the greatest distance of the great elliptic track from the
geodesic (km)."""
Finding = namedtuple("Finding", "kind fault leg last_leg waypoint value_nm limit_nm lat lon message")
Finding.__doc__ = """What ``sailings check`` finds in a route: ``kind`` ("separation",
"short_leg", "zero_leg", "repeated", "duplicate_id", "first_leg",
"route_name", "file_size", "land", "crosses_180", "high_latitude"),
``fault`` (else a note), the leg and waypoint (from 1; 0: none), the value
and the limit held to (NM; NaN: none), where (degrees; NaN: none) and the
message."""

SEA_POINT = np.dtype([("lat", "f8"), ("lon", "f8"), ("added", "?"), ("leg", "U8"),
                      ("clearance_nm", "f8"), ("canal", "U24")])
ROUTE_POINT = np.dtype([("name", "O"), ("lat", "f8"), ("lon", "f8"), ("leg_type", "U10"),
                        ("speed_kn", "f8"), ("speed_max_kn", "f8"), ("port_xtd_nm", "f8"),
                        ("starboard_xtd_nm", "f8"), ("radius_nm", "f8")])


class Passage:
    """The route from (lat1, lon1) to (lat2, lon2), degrees, solved once, with
    an optional limiting latitude (degrees, (0, 90)) for the composite track.

    Figures: ``distance_nm`` (the great elliptic arc), ``course_initial``,
    ``course_final``, ``azimuth_inverse`` (at the destination back to the
    departure), ``rhumb_distance_nm``, ``rhumb_course``, ``along_meridian``;
    ``composite``: None without a limit, else a dict of the composite track
    (``composite`` False when the great ellipse keeps within the limit).
    Raises sailings.Error: not_a_number, latitude_beyond_90, same_position,
    limit_out_of_range, position_beyond_limit."""

    def __init__(self, lat1, lon1, lat2, lon2, limit=None):
        self._p = _sailings.Passage(float(lat1), float(lon1), float(lat2), float(lon2),
                                    None if limit is None else float(limit))
        (self.distance_nm, self.course_initial, self.azimuth_inverse, self.course_final,
         self.rhumb_course, self.rhumb_distance_nm, self.along_meridian) = self._p.route
        self.composite = self._p.composite

    def vertex(self):
        """The vertex of the great ellipse (a Vertex)."""
        return Vertex(*self._p._vertex())

    def compare(self):
        """The geodesic and the sphere beside the route (a PassageComparison)."""
        return PassageComparison(*self._p._compare())

    def crosses_land(self, track="great ellipse"):
        """Where ``track`` (one of TRACKS) first runs over Natural Earth's 1:10m
        land, the first and last 20 NM left out: (lat, lon), degrees, or None.
        Ocean scale: never "is this track safe?"."""
        return self._p.crosses_land(track)

    def line(self, track="great ellipse"):
        """The SailingLine of ``track`` (one of TRACKS)."""
        return SailingLine(self, track)

    def table(self, points=None, leg_nm=None, longitudes=None, along="great ellipse"):
        """The waypoint table (as ``sailings table``): ``points`` intermediate
        waypoints at equal distances (1 to 100000), a waypoint every ``leg_nm``
        (at least 1 NM; the last leg the remainder), or ``longitudes``
        intermediate waypoints at equal steps of longitude (great ellipse,
        0 to 100000); ``along`` "great ellipse", "rhumb line" or "geodesic"
        (a passage with a limit: its composite track only).

        A NumPy structured array, a row per waypoint (``pandas.DataFrame(t)``
        makes a frame): wp, lat, lon (degrees), azimuth (what the table shows
        there; NaN: none), course (to steer leaving the row; NaN on the
        destination), leg_nm, total_nm, loxodrome (the leg arriving keeps its
        course). Raises sailings.Error for a count or leg out of range."""
        given = [(k, v) for k, v in (("points", points), ("leg", leg_nm), ("longitudes", longitudes))
                 if v is not None]
        if len(given) != 1:
            raise ValueError("give one of points, leg_nm and longitudes")
        placement, value = given[0]
        return self._p._table(placement, float(value), along)[0]


class SailingLine:
    """A track of a passage (one of TRACKS; the composite track is the great
    ellipse where there is no limit or it keeps within it), for the position
    at any distance along it, in the manner of GeographicLib's GeodesicLine."""

    def __init__(self, passage, track="great ellipse"):
        self._l = _sailings.SailingLine(passage._p, track)

    @property
    def length_nm(self):
        """The track's length, NM."""
        return self._l.length_nm

    def position(self, distance_nm):
        """The positions ``distance_nm`` (an array, any shape; clamped to [0,
        length_nm]; NaN gives NaN) from the departure: LinePositions of arrays
        of that shape, numbers for a number."""
        s = np.asarray(distance_nm, dtype=np.float64)
        lat, lon, azimuth = self._l._position(s)
        if s.ndim == 0:
            return LinePositions(float(lat[()]), float(lon[()]), float(azimuth[()]))
        return LinePositions(lat, lon, azimuth)

    def draw(self, tolerance_nm=0.1):
        """The track as a map draws it: a list of (n, 2) arrays of latitude
        and longitude (degrees), split at the 180th meridian, no chord more
        than ``tolerance_nm`` (0.001 to 100) from the track."""
        return self._l.draw(float(tolerance_nm))


class SeaPassage:
    """A sea passage (``sailings voyage --sea``): ``points``, a structured
    array from the departure to the destination (lat, lon: degrees; added: a
    turning point the planner added; leg: of the leg arriving, "open",
    "approach" (to or from an end on land, not checked) or "canal", "" at the
    departure; clearance_nm: what an open leg keeps from land, else NaN;
    canal: a canal leg's canal); ``distance_nm`` along the legs; ``notes``,
    what a navigator should know (approaches, canals, narrows)."""

    def __init__(self, points, distance_nm, notes):
        self.points = np.array([tuple(p) for p in points], dtype=SEA_POINT)
        self.distance_nm = distance_nm
        self.notes = list(notes)

    def __repr__(self):
        return "SeaPassage(%d legs, %.1f NM)" % (len(self.points) - 1, self.distance_nm)


def sea_passage(lat1, lon1, lat2, lon2, clearance_nm=2.0, limit=None, avoid=(), geodesic=False):
    """The sea passage from (lat1, lon1) to (lat2, lon2), degrees: the shortest
    chain of great elliptic legs (geodesic legs with ``geodesic``) keeping
    ``clearance_nm`` (0.1 to 50) from the land of Natural Earth's 1:10m
    coastline, never beyond ``limit`` (degrees), through the Suez, Panama and
    Kiel canals unless named in ``avoid``. Ocean passages, not pilotage. A
    SeaPassage; raises sailings.Error (clearance_out_of_range, unknown_canal,
    end_inland with how far, no_way_at_sea, ...)."""
    points, distance, notes = _sailings._sea_passage(
        float(lat1), float(lon1), float(lat2), float(lon2), float(clearance_nm),
        None if limit is None else float(limit), [str(a) for a in avoid], bool(geodesic))
    return SeaPassage(points, distance, notes)


RouteFile = namedtuple("RouteFile", "format version route_name points notes")
RouteFile.__doc__ = """A route file read: its ``format`` ("gpx", "rtz", "csv", "geojson",
"kml", "nmea"), ``version``, ``route_name``, ``points`` (a structured array:
name, lat, lon, leg_type of the leg arriving ("orthodrome", "loxodrome", ""
unknown), speed_kn, speed_max_kn, port_xtd_nm, starboard_xtd_nm, radius_nm;
NaN where the file gives none) and the reading's ``notes``."""


def read_route(path, name=""):
    """Reads the route file at ``path`` (GPX, RTZ 1.0-1.2, CSV, GeoJSON, KML or
    NMEA 0183, told by its content, as ``sailings voyage --route`` reads it;
    ``name`` chooses a GPX route, map line or NMEA route): a RouteFile.
    Raises sailings.Error (status None) with the file's one-line reason."""
    fmt, version, route_name, points, notes = _sailings._read_route(os.fspath(path), str(name))
    array = np.array([tuple(p) for p in points], dtype=ROUTE_POINT)
    return RouteFile(fmt, version, route_name, array, list(notes))


def check_route(path, xtd_nm=0.1, radius_nm=0.0, land=False, name=""):
    """Checks the route file at ``path`` as ``sailings check`` does: legs two
    systems would sail apart by more than their cross-track limit
    (``xtd_nm`` where a leg gives none), legs shorter than the turn radius
    (``radius_nm`` where a waypoint gives none), repeated waypoints and ids,
    an RTZ routeName other than the file's name, with ``land`` legs across
    land. A list of Finding, by waypoint and leg in order, then the file's."""
    stem = os.path.splitext(os.path.basename(os.fspath(path)))[0]
    found = _sailings._check_route(os.fspath(path), str(name), float(xtd_nm), float(radius_nm),
                                   bool(land), stem)
    return [Finding(*f) for f in found]
