"""Voyages of many legs, as ``sailings voyage`` plans them: from positions or
a route file (GPX, RTZ 1.0-1.2, CSV, GeoJSON, KML, NMEA 0183), each leg along
its own sailing at its own speed; the legs and the waypoint table as NumPy
structured arrays; and every file the command line writes (GPX, RTZ, SVG,
GeoJSON, KML, NMEA), byte for byte the same."""
import datetime
import os

import numpy as np

from . import _sailings

__all__ = ["Voyage"]

LEG = np.dtype([("number", "i8"), ("from_name", "O"), ("to_name", "O"), ("sailing", "U15"),
                ("distance_nm", "f8"), ("course", "f8"), ("course_final", "f8"), ("speed_kn", "f8"),
                ("hours", "f8"), ("end_hours", "f8"), ("total_nm", "f8"), ("at_sea", "?")])


def _seconds(depart):
    """A departure as seconds since 1970-01-01T00:00Z: a datetime (naive: UTC),
    an ISO 8601 text ("2027-03-01T08:00Z") or a number of seconds."""
    if depart is None or isinstance(depart, (int, np.integer)):
        return depart
    if isinstance(depart, str):
        depart = datetime.datetime.fromisoformat(depart.replace("Z", "+00:00"))
    if isinstance(depart, datetime.datetime):
        if depart.tzinfo is None:
            depart = depart.replace(tzinfo=datetime.timezone.utc)
        return int(depart.timestamp())
    raise TypeError("depart: a datetime, an ISO 8601 text or seconds since 1970")


class Voyage:
    """A voyage: ``points`` a sequence of (lat, lon) or (lat, lon, name), degrees,
    or ``route`` a route file's path (``name`` choosing a GPX route, map line
    or NMEA route). ``sailing`` for legs whose file gives none ("great
    ellipse", "rhumb line", "geodesic"), ``orthodrome`` for RTZ Orthodrome
    legs ("great ellipse" or "geodesic"), ``limit`` a limiting latitude
    (degrees), ``speed_kn`` for legs without their own speed, ``speed_all_kn``
    for every leg, ``depart`` (a datetime in UTC, ISO 8601 text or seconds)
    for the times of arrival; without it, an RTZ schedule's departure. With
    ``sea``, each leg given becomes its sea passage (``sailings voyage
    --sea``: ``clearance_nm`` from the 1:10m coastline, canals in ``avoid``
    closed, ``limit`` a wall), the turning points added as waypoints.

    ``legs``: a structured array, a row per leg (number, from_name, to_name,
    sailing, distance_nm, course, course_final, speed_kn, hours, end_hours,
    total_nm, at_sea; NaN where there is no speed); ``total_nm``,
    ``total_hours``, ``depart`` (seconds), ``notes`` (what the reading passed
    over or chose). Raises sailings.Error with the library's reason (naming
    the waypoint), or a file's."""

    def __init__(self, points=None, route=None, name="", sailing="great ellipse",
                 orthodrome="great ellipse", limit=None, speed_kn=None, speed_all_kn=None,
                 depart=None, sea=False, clearance_nm=2.0, avoid=()):
        if (points is None) == (route is None):
            raise ValueError("give points or a route file")
        given = []
        for p in points or ():
            p = tuple(p)
            given.append((float(p[0]), float(p[1]), str(p[2]) if len(p) > 2 else ""))
        self._v = _sailings.Voyage(given, "" if route is None else os.fspath(route), str(name),
                                   sailing, orthodrome, None if limit is None else float(limit),
                                   None if speed_kn is None else float(speed_kn),
                                   None if speed_all_kn is None else float(speed_all_kn),
                                   _seconds(depart), bool(sea), float(clearance_nm),
                                   [str(a) for a in avoid])
        self.legs = np.array([tuple(leg) for leg in self._v._legs()], dtype=LEG)
        self.total_nm, self.total_hours, self.depart = self._v.total_nm, self._v.total_hours, self._v.depart
        self.notes = list(self._v.notes)

    def table(self, points=None, leg_nm=None, xtd_nm=None):
        """The voyage's waypoint table (as ``sailings voyage --waypoints``): its
        own waypoints, with ``points`` intermediate waypoints a leg, one every
        ``leg_nm``, or each leg split so that no rhumb line between rows
        strays more than ``xtd_nm`` from it. A structured array: wp, leg (the
        leg the row ends), point (the voyage's waypoint, or -1), lat, lon,
        azimuth, course, leg_nm, total_nm, hours (from the departure; NaN
        without speeds), speed_kn, loxodrome, name."""
        rows, names = self._v._table(points, leg_nm, xtd_nm)
        out = np.empty(len(rows), dtype=[(n, rows.dtype[n]) for n in rows.dtype.names] + [("name", "O")])
        for field in rows.dtype.names:
            out[field] = rows[field]
        out["name"] = names
        return out

    def write(self, gpx=None, rtz=None, svg=None, geojson=None, kml=None, nmea=None, points=None,
              leg_nm=None, xtd_nm=None, tolerance_nm=0.1, talker="GP", name_length=6):
        """Writes the files named (paths), each of the same waypoint table
        (``points``, ``leg_nm`` or ``xtd_nm`` as ``table``), each whole or not
        at all, as the command line writes them: GPX 1.1, RTZ 1.0 (a route
        read from RTZ goes back as it came), an SVG chart, GeoJSON and KML
        (tracks within ``tolerance_nm``), NMEA 0183 (``talker``, names of at
        most ``name_length``). Raises sailings.Error (status None) naming the
        file that could not be written."""
        paths = {k: os.fspath(v) for k, v in (("gpx", gpx), ("rtz", rtz), ("svg", svg),
                                              ("geojson", geojson), ("kml", kml), ("nmea", nmea))
                 if v is not None}
        self._v._write(paths, points, leg_nm, xtd_nm, float(tolerance_nm), str(talker), int(name_length))

    def to_gpx(self, path, **table):
        """The GPX 1.1 route (``write(gpx=path, ...)``)."""
        self.write(gpx=path, **table)

    def to_rtz(self, path, **table):
        """The RTZ route for ECDIS (``write(rtz=path, ...)``)."""
        self.write(rtz=path, **table)

    def to_svg(self, path, **table):
        """The SVG chart (``write(svg=path, ...)``)."""
        self.write(svg=path, **table)

    def to_geojson(self, path, **table):
        """The GeoJSON map file (``write(geojson=path, ...)``)."""
        self.write(geojson=path, **table)

    def to_kml(self, path, **table):
        """The KML map file (``write(kml=path, ...)``)."""
        self.write(kml=path, **table)

    def to_nmea(self, path, **table):
        """The NMEA 0183 WPL and RTE sentences (``write(nmea=path, ...)``)."""
        self.write(nmea=path, **table)

    def __repr__(self):
        return "Voyage(%d legs, %.1f NM)" % (len(self.legs), self.total_nm)
