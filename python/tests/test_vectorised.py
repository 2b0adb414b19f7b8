"""The module against independent references: the command line's own figures
for the same pairs (the same computation: equal to the printed digit),
pyproj's geodesic (GeographicLib's algorithm in C, not this library's
build), closed-form arcs on the equator and along a meridian; NumPy's
broadcasting, strided and integer input, and bad rows that give NaN and the
library's reason, never an exception."""
import math
import os
import subprocess

import numpy as np
import pytest
from pyproj import Geod

import sailings

NM = 1852.0
A = 6378137.0
PROGRAM = os.environ.get("SAILINGS_PROGRAM", "sailings")


@pytest.fixture(scope="module")
def pairs():
    rng = np.random.default_rng(20261209)
    n = 300
    lat1, lat2 = rng.uniform(-89, 89, n), rng.uniform(-89, 89, n)
    lon1, lon2 = rng.uniform(-180, 180, n), rng.uniform(-180, 180, n)
    return lat1, lon1, lat2, lon2


def six(x, azimuth=False):
    """A figure as the command line prints it: six decimals, correctly rounded
    (Python's %f rounds the double as the library's writer does); an azimuth
    that rounds to 360 is 0."""
    text = "%.6f" % x
    return "0.000000" if azimuth and text == "360.000000" else text


def test_the_command_lines_figures_to_the_printed_digit(pairs):
    lat1, lon1, lat2, lon2 = pairs
    lines = "".join("%.15g %.15g %.15g %.15g\n" % p for p in zip(lat1, lon1, lat2, lon2))
    run = subprocess.run([PROGRAM, "route", "--compare", "--csv"], input=lines, capture_output=True, text=True,
                         check=True)
    header, *rows = run.stdout.strip().split("\n")
    names = header.split(",")
    c = sailings.compare(lat1, lon1, lat2, lon2)
    assert (c.status == 0).all()
    fields = {"ge_distance_nm": c.ge_distance_nm, "ge_azimuth_fwd": c.ge_course_initial,
              "ge_course_final": c.ge_course_final, "rhumb_distance_nm": c.rhumb_distance_nm,
              "rhumb_course": c.rhumb_course, "geodesic_nm": c.geodesic_nm,
              "geodesic_azimuth_fwd": c.geodesic_azimuth_initial, "geodesic_azimuth_final": c.geodesic_azimuth_final,
              "sphere_nm": c.sphere_nm, "sphere_course": c.sphere_course, "sphere_course_final": c.sphere_course_final,
              "ge_geodesic_separation_km": c.ge_geodesic_separation_km}
    for k, row in enumerate(rows):
        cells = dict(zip(names, row.split(",")))
        for name, values in fields.items():
            assert six(values[k], "course" in name or "azimuth" in name) == cells[name], (k, name)
    # The same figures from the narrower functions.
    ge, rl, g = sailings.great_ellipse(*pairs), sailings.rhumb_line(*pairs), sailings.geodesic(*pairs)
    assert np.array_equal(ge.distance_nm, c.ge_distance_nm) and np.array_equal(ge.course_final, c.ge_course_final)
    assert np.array_equal(ge.course_initial, c.ge_course_initial)
    assert np.array_equal(rl.course, c.rhumb_course) and np.array_equal(rl.distance_nm, c.rhumb_distance_nm)
    assert np.array_equal(g.azimuth_final, c.geodesic_azimuth_final)


def test_geodesics_as_pyproj_gives_them(pairs):
    lat1, lon1, lat2, lon2 = pairs
    az1, az2, metres = Geod(ellps="WGS84").inv(lon1, lat1, lon2, lat2)
    g = sailings.geodesic(lat1, lon1, lat2, lon2)
    assert np.max(np.abs(g.distance_nm - metres / NM)) < 1e-8
    turn = lambda a, b: np.abs((a - b + 180) % 360 - 180)  # noqa: E731
    assert np.max(turn(g.azimuth_initial, az1)) < 1e-8
    assert np.max(turn(g.azimuth_final, az2 + 180)) < 1e-8  # (pyproj's az2 looks back)
    # The great ellipse is never shorter than the geodesic, and within 0.01 %.
    ge = sailings.great_ellipse(lat1, lon1, lat2, lon2)
    assert (ge.distance_nm >= g.distance_nm - 5e-7).all()  # (to the series, a millimetre)
    assert (ge.distance_nm <= g.distance_nm * (1 + 1e-4)).all()


@pytest.mark.parametrize("dlon", [1.0, 45.0, 120.0, 179.0])
def test_the_equator_and_a_meridian_in_closed_form(dlon):
    # Along the equator both sailings are the equator itself: a circle of
    # radius a, due east.
    ge = sailings.great_ellipse(0.0, 10.0, 0.0, 10.0 + dlon)
    rl = sailings.rhumb_line(0.0, 10.0, 0.0, 10.0 + dlon)
    arc = A * math.radians(dlon) / NM
    assert ge.distance_nm == pytest.approx(arc, abs=1e-8) and rl.distance_nm == pytest.approx(arc, abs=1e-8)
    assert ge.course_initial == pytest.approx(90.0) and rl.course == pytest.approx(90.0)
    # Along a meridian the great ellipse is the meridian: as long as the
    # geodesic there (pyproj), due north.
    lat2 = min(80.0, dlon / 2)
    m = sailings.great_ellipse(-10.0, 30.0, lat2, 30.0)
    _, _, metres = Geod(ellps="WGS84").inv(30.0, -10.0, 30.0, lat2)
    assert m.distance_nm == pytest.approx(metres / NM, abs=5e-7)  # (the series: a millimetre)
    assert m.course_initial == pytest.approx(0.0, abs=1e-9)


def test_broadcasting_strides_and_integers(pairs):
    lat1, lon1, lat2, lon2 = pairs
    # A column of departures against a row of destinations: a matrix, each
    # cell the pair's own figure.
    ge = sailings.great_ellipse(lat1[:5, None], lon1[:5, None], lat2[None, :7], lon2[None, :7])
    assert ge.distance_nm.shape == (5, 7) and ge.status.shape == (5, 7)
    for i in range(5):
        for j in range(7):
            one = sailings.great_ellipse(lat1[i], lon1[i], lat2[j], lon2[j])
            assert ge.distance_nm[i, j] == one.distance_nm and ge.course_final[i, j] == one.course_final
    # A matrix large enough to be solved in shares on several threads (each
    # share starting mid-row): the same as the pairs written out in full,
    # and as single pairs.
    big = sailings.great_ellipse(lat1[:, None], lon1[:, None], lat2[None, :], lon2[None, :])
    full = sailings.great_ellipse(np.repeat(lat1, 300), np.repeat(lon1, 300), np.tile(lat2, 300), np.tile(lon2, 300))
    assert big.distance_nm.shape == (300, 300)
    assert np.array_equal(big.distance_nm.ravel(), full.distance_nm)
    assert np.array_equal(big.course_initial.ravel(), full.course_initial)
    for i, j in [(0, 0), (149, 299), (150, 0), (299, 299), (233, 17)]:
        assert big.distance_nm[i, j] == sailings.great_ellipse(lat1[i], lon1[i], lat2[j], lon2[j]).distance_nm
    # A scalar against an array; every second element (a stride); integers.
    fixed = sailings.rhumb_line(10, 20, lat2[::2], lon2[::2])
    assert fixed.course.shape == lat2[::2].shape
    assert fixed.course[3] == sailings.rhumb_line(10.0, 20.0, lat2[6], lon2[6]).course
    assert isinstance(sailings.great_ellipse(1, 2, 3, 4).distance_nm, float)
    # Empty arrays (as Dask asks for its metadata): empty results.
    empty = sailings.great_ellipse(np.zeros((0, 3)), 0.0, np.zeros((0, 3)), 1.0)
    assert empty.distance_nm.shape == (0, 3) and empty.status.shape == (0, 3)
    with pytest.raises(ValueError):
        sailings.great_ellipse([1, 2], [1, 2, 3], 0, 0)  # shapes that do not broadcast


def test_bad_rows_give_nan_and_the_reason():
    lat1 = np.array([10.0, np.nan, 91.0, 5.0, -33.9249])
    lon1 = np.array([20.0, 0.0, 0.0, 5.0, 18.4241])
    lat2 = np.array([-10.0, 0.0, 0.0, 5.0, 40.7128])
    lon2 = np.array([-160.0, 1.0, 1.0, 5.0, -74.006])
    c = sailings.compare(lat1, lon1, lat2, lon2)
    assert list(c.status == 0) == [True, False, False, False, True]
    for k in (1, 2, 3):
        assert all(math.isnan(getattr(c, f)[k]) for f in c._fields if f != "status")
    assert not np.isnan(c.ge_distance_nm[[0, 4]]).any()
    # The reasons are the command line's.
    for k, (a, b, c2, d) in enumerate(zip(lat1, lon1, lat2, lon2)):
        if k in (1,):  # (the command line reads "nan" as no number at all)
            continue
        run = subprocess.run([PROGRAM, "route", "%r" % a, "%r" % b, "%r" % c2, "%r" % d], capture_output=True, text=True)
        if c.status[k]:
            assert run.stderr.strip().endswith(sailings.reason(c.status[k])), (run.stderr, sailings.reason(c.status[k]))
    assert sailings.reason(0) == ""
    error = sailings.Error(c.status[3])
    assert error.status == c.status[3] and str(error) == sailings.reason(c.status[3]) != ""


def test_sea_distances_as_the_command_line_plans_them():
    # Off Rotterdam to off Lisbon, and Yokohama to San Francisco: the
    # command line's total, to the printed digit; an end in the middle of
    # Asia is refused with the reason, the row beside it planned.
    ends = [(51.95, 4.05, 38.65, -9.3), (35.4437, 139.638, 37.7749, -122.4194)]
    lat1, lon1, lat2, lon2 = (np.array([e[k] for e in ends] + [45.0]) for k in range(4))
    lat2[2], lon2[2] = 38.65, -9.3
    s = sailings.sea_distance(lat1, lon1, lat2, lon2)
    for k, e in enumerate(ends):
        run = subprocess.run([PROGRAM, "route", *("%r" % v for v in e), "--sea", "--json"], capture_output=True,
                             text=True, check=True)
        last = run.stdout.strip().split("\n")[-1]
        assert '"total_nm":%s' % six(s.distance_nm[k]) in last, (last[-120:], s.distance_nm[k])
        assert s.legs[k] == len(run.stdout.strip().split("\n"))
    assert s.status[2] != 0 and math.isnan(s.distance_nm[2]) and "20 NM from the sea" in sailings.reason(s.status[2])
