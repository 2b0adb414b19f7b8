"""One passage at a time: Passage, SailingLine, tables, sea passages and route
files, against independent references: pyproj's geodesic (the direct
problem along geodesics and meridians), closed-form arcs along the equator
and a parallel, the command line's printed tables and checks, and the
clearance of sea legs measured by a land check of their own."""
import math
import os
import subprocess

import numpy as np
import pytest
from pyproj import Geod

import sailings

NM = 1852.0
A = 6378137.0
F = 1 / 298.257223563
GEOD = Geod(ellps="WGS84")
PROGRAM = os.environ.get("SAILINGS_PROGRAM", "sailings")
SOURCE = os.environ.get("SAILINGS_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))


def run(*args, **kw):
    return subprocess.run([PROGRAM, *args], capture_output=True, text=True, **kw)


# Positions along a track against the direct problem solved elsewhere: a
# meridian (great ellipse = geodesic, pyproj forward at azimuth 0 or 180), a
# geodesic (pyproj forward from the initial azimuth), the equator (a * angle).
@pytest.mark.parametrize("lat1,lon1,lat2,lon2,track", [
    (-60.0, 20.0, 70.0, 20.0, "great ellipse"),
    (80.0, -150.0, -10.0, -150.0, "great ellipse"),
    (-33.9, 18.4, 40.7, -74.0, "geodesic"),
    (35.0, 140.0, 37.8, -122.4, "geodesic"),   # across the 180th meridian
    (0.0, 10.0, 0.0, 100.0, "great ellipse"),
])
def test_positions_along_a_track_as_the_direct_problem_gives_them(lat1, lon1, lat2, lon2, track):
    line = sailings.Passage(lat1, lon1, lat2, lon2).line(track)
    s = np.linspace(0, line.length_nm, 9)
    at = line.position(s)
    if lat1 == lat2 == 0:
        assert line.length_nm == pytest.approx(A * math.radians(lon2 - lon1) / NM, abs=1e-9)
        assert np.allclose(at.lon, lon1 + np.degrees(s * NM / A), atol=1e-11, rtol=0)
        assert np.all(at.lat == 0) and np.allclose(at.azimuth, 90)
        return
    az0 = 0.0 if lat2 > lat1 else 180.0
    if track == "geodesic":
        az0, _, metres = GEOD.inv(lon1, lat1, lon2, lat2)
        assert line.length_nm == pytest.approx(metres / NM, abs=1e-8)
    lon, lat, back = GEOD.fwd(np.full(9, lon1), np.full(9, lat1), np.full(9, az0), s * NM)
    assert np.max(np.abs(at.lat - lat)) < 1e-9
    assert np.max(np.abs((at.lon - lon + 180) % 360 - 180)) < 1e-9
    assert np.max(np.abs((at.azimuth - (back + 180) + 180) % 360 - 180)) < 1e-7
    # A number in, numbers out; NaN in, NaN out; beyond the ends, the ends.
    assert isinstance(line.position(1.0).lat, float)
    assert np.isnan(line.position([np.nan]).lat[0])
    end = line.position([-5.0, line.length_nm + 5])
    assert end.lat[0] == pytest.approx(lat1, abs=1e-9) and end.lat[1] == pytest.approx(lat2, abs=1e-9)


def test_a_rhumb_line_along_a_parallel_is_an_arc_of_its_circle():
    phi = math.radians(50.0)
    n = A / math.sqrt(1 - F * (2 - F) * math.sin(phi) ** 2)  # the radius of the parallel / cos
    line = sailings.Passage(50.0, -30.0, 50.0, 10.0).line("rhumb line")
    assert line.length_nm == pytest.approx(n * math.cos(phi) * math.radians(40.0) / NM, abs=1e-8)
    at = line.position(np.array([[0.0, 100.0], [200.0, 300.0]]))
    assert at.lat.shape == (2, 2) and np.allclose(at.lat, 50.0, atol=1e-12) and np.allclose(at.azimuth, 90)
    expect = -30 + np.degrees(np.array([[0.0, 100.0], [200.0, 300.0]]) * NM / (n * math.cos(phi)))
    assert np.allclose(at.lon, expect, atol=1e-10, rtol=0)


def test_the_passage_has_the_vectorised_figures_and_its_composite_track():
    p = sailings.Passage(-33.9249, 18.4241, 40.7128, -74.006)
    ge = sailings.great_ellipse(-33.9249, 18.4241, 40.7128, -74.006)
    assert (p.distance_nm, p.course_initial, p.course_final) == (ge.distance_nm, ge.course_initial, ge.course_final)
    c = p.compare()
    _, _, metres = GEOD.inv(18.4241, -33.9249, -74.006, 40.7128)
    assert c.geodesic_nm == pytest.approx(metres / NM, abs=1e-8)
    v = p.vertex()
    assert v.kind == "point" and v.on_route is False or v.kind == "point"
    assert sailings.Passage(10, 5, 20, 5).vertex()[:3] == ("pole", 90.0, None)
    # With a limit beyond which it goes: the track touches the parallel at T1
    # and leaves it at T2; the parallel between them is a circle's arc.
    q = sailings.Passage(50.0, -5.0, 45.0, -125.0, limit=55.0)
    k = q.composite
    assert k["composite"] and k["t1_lat"] == pytest.approx(55.0, abs=1e-9) and k["t2_lat"] == pytest.approx(55.0, abs=1e-9)
    phi = math.radians(55.0)
    radius = A * math.cos(phi) / math.sqrt(1 - F * (2 - F) * math.sin(phi) ** 2)
    assert k["parallel_nm"] == pytest.approx(radius * math.radians(k["t1_lon"] - k["t2_lon"]) / NM, abs=1e-6)
    assert k["total_nm"] == pytest.approx(k["ge1_nm"] + k["parallel_nm"] + k["ge2_nm"], abs=1e-9)
    assert q.line("composite track").length_nm == pytest.approx(k["total_nm"], abs=1e-9)


def test_refusals_raise_the_librarys_reason():
    cases = [((np.nan, 0, 1, 1), {}), ((91, 0, 1, 1), {}), ((10, 10, 10, 10), {}),
             ((10, 0, 20, 0), {"limit": 95}), ((60, 0, 20, 0), {"limit": 50})]
    for args, kw in cases:
        with pytest.raises(sailings.Error) as e:
            sailings.Passage(*args, **kw)
        assert e.value.status and str(e.value) == sailings.reason(e.value.status), args
    p = sailings.Passage(10, 0, 20, 0)
    with pytest.raises(sailings.Error, match="at least 1 NM"):
        p.table(leg_nm=0.5)
    with pytest.raises(ValueError):
        p.table(points=3, leg_nm=10)
    with pytest.raises(ValueError):
        p.line("orthodrome")
    with pytest.raises(sailings.Error):
        p.line().draw(0)


def test_the_table_is_the_command_lines_to_the_printed_digit():
    args = ["50.0", "-5.0", "40.0", "-70.0"]
    for kw, flags in [({"points": 7}, ["--points", "7"]), ({"leg_nm": 300.0}, ["--leg", "300"]),
                      ({"longitudes": 5}, ["--longitudes", "5"]),
                      ({"points": 4, "along": "rhumb line"}, ["--points", "4", "--rhumb"])]:
        t = sailings.Passage(*map(float, args)).table(**kw)
        printed = run("table", *args, *flags, "--csv", check=True).stdout.strip().split("\n")
        names = printed[0].split(",")
        assert len(printed) - 1 == len(t), kw
        for row, line in zip(t, printed[1:]):
            cells = dict(zip(names, line.split(",")))
            # (the records' azimuth is the course to steer leaving the row)
            for name, printed in (("lat", "lat"), ("lon", "lon"), ("course", "azimuth"),
                                  ("leg_nm", "leg_nm"), ("total_nm", "total_nm")):
                blank = np.isnan(row[name]) or (name in ("leg_nm", "total_nm") and row["wp"] == 0)
                assert ("" if blank else "%.6f" % row[name]) == cells[printed], (kw, name)
    import pandas
    frame = pandas.DataFrame(sailings.Passage(0, 0, 10, 10).table(points=3))
    assert list(frame.columns[:3]) == ["wp", "lat", "lon"] and len(frame) == 5


def test_a_map_track_is_split_at_the_180th_meridian():
    pieces = sailings.Passage(35.0, 140.0, 37.8, -122.4).line().draw(0.1)
    assert len(pieces) == 2
    assert pieces[0][-1, 1] == 180.0 and pieces[1][0, 1] == -180.0
    assert pieces[0][-1, 0] == pieces[1][0, 0]


# Sea passages: each open leg measured again by a land check of the
# library's own land data (the Passage's), not by the planner.
@pytest.mark.parametrize("a,b,kw", [
    ((51.9, 4.1), (38.65, -9.3), {}),                       # the Channel, Biscay
    ((36.0, -6.5), (31.5, 32.5), {"clearance_nm": 3}),      # Gibraltar to Port Said
    ((9.4, -79.95), (8.8, -79.5), {}),                       # through Panama
])
def test_sea_passages_keep_their_clearance_and_say_so(a, b, kw):
    sp = sailings.sea_passage(*a, *b, **kw)
    pts = sp.points
    assert (pts["lat"][0], pts["lon"][0]) == a and (pts["lat"][-1], pts["lon"][-1]) == b
    assert pts["leg"][0] == "" and not pts["added"][0] and not pts["added"][-1]
    assert pts["added"][1:-1].all() or pts["leg"][1] == "approach"
    open_legs = pts["leg"] == "open"
    approaches = np.flatnonzero(pts["leg"] == "approach")
    assert open_legs.sum() >= 1 and set(approaches) <= {1, len(pts) - 1}
    assert (pts["clearance_nm"][open_legs] >= kw.get("clearance_nm", 2.0) - 0.01).all()
    total = 0.0
    for k in range(1, len(pts)):
        leg = sailings.Passage(pts["lat"][k - 1], pts["lon"][k - 1], pts["lat"][k], pts["lon"][k])
        total += leg.distance_nm
        if pts["leg"][k] == "open":
            assert leg.crosses_land() is None, k
    assert sp.distance_nm == pytest.approx(total, abs=1e-6)
    if pts["leg"][-1] == "canal" or (pts["leg"] == "canal").any():
        assert any("Canal" in n for n in sp.notes)


def test_sea_passage_refusals():
    with pytest.raises(sailings.Error, match=r"the destination lies \d+\.\d NM from the sea, more than 20 NM"):
        sailings.sea_passage(51.9, 3.9, 48.0, 2.3)  # Paris
    with pytest.raises(sailings.Error) as e:
        sailings.sea_passage(42.0, 50.0, 38.65, -9.3)  # the Caspian
    assert "no way at sea" in str(e.value) or "sea" in str(e.value)
    for kw in [{"clearance_nm": 0.05}, {"avoid": ["corinth"]}]:
        with pytest.raises(sailings.Error):
            sailings.sea_passage(51.9, 3.9, 38.65, -9.3, **kw)
    # Round the Cape with Suez closed and the ice kept out (the coastline
    # holds none): thousands of miles longer than by the canal.
    by_suez = sailings.sea_distance(51.9, 4.1, 1.2, 103.8)
    cape = sailings.sea_passage(51.9, 4.1, 1.2, 103.8, avoid=["suez"], limit=60)
    assert cape.distance_nm > by_suez.distance_nm + 2000
    assert (cape.points["lat"] < -34).any() and not (cape.points["leg"] == "canal").any()
    assert (np.abs(cape.points["lat"]) <= 60).all()


ROUTE = """lat,lon,name,sailing,speed_kn
50.0,-5.0,Lizard,,
49.0,-20.0,Mid,rhumb,12
49.0,-20.0,Again,great-ellipse,12
40.7,-74.0,New York,great-ellipse,14
"""


def test_route_files_read_and_checked_as_the_command_line_does(tmp_path):
    path = tmp_path / "passage.csv"
    path.write_text(ROUTE)
    r = sailings.read_route(path)
    assert r.format == "csv" and list(r.points["name"]) == ["Lizard", "Mid", "Again", "New York"]
    assert list(r.points["speed_kn"][1:]) == [12.0, 12.0, 14.0] and np.isnan(r.points["speed_kn"][0])
    found = sailings.check_route(path)
    printed = run("check", str(path), "--csv")
    header, *rows = printed.stdout.strip().split("\n")
    names = header.split(",")
    assert len(rows) == len(found) and any(f.kind == "repeated" for f in found)
    for f, row in zip(found, rows):
        cells = dict(zip(names, row.split(",")))
        assert cells["kind"] == f.kind and int(cells["waypoint"] or 0) == f.waypoint
    rtz = os.path.join(SOURCE, "tests", "data", "routes", "channel-1_1.rtz")
    assert sailings.read_route(rtz).format == "rtz"
    path.write_text("lat,lon\n95,0\n10,10\n")
    with pytest.raises(sailings.Error, match="beyond 90") as e:
        sailings.read_route(path)
    assert e.value.status is None and "passage.csv" in str(e.value)


def test_vertices_are_the_highest_points_of_the_plane_sections():
    """The vertex in closed form: the plane section through the centre is
    symmetric about the meridian plane that holds the section's normal n, so
    its highest point lies in the direction of the polar axis projected on
    the section, z - (z . n) n (the lowest in the opposite one), read back as
    a geodetic latitude."""
    rng = np.random.default_rng(33)
    lat1, lat2 = rng.uniform(-70, 70, 40), rng.uniform(-70, 70, 40)
    lon1, lon2 = rng.uniform(-180, 180, 40), rng.uniform(-180, 180, 40)
    v = sailings.vertex(lat1, lon1, lat2, lon2)
    e2 = F * (2 - F)

    def ecef(lat, lon):
        lat, lon = np.radians(lat), np.radians(lon)
        n = A / np.sqrt(1 - e2 * np.sin(lat) ** 2)
        return np.array([n * np.cos(lat) * np.cos(lon), n * np.cos(lat) * np.sin(lon), n * (1 - e2) * np.sin(lat)])

    for k in range(40):
        n = np.cross(ecef(lat1[k], lon1[k]), ecef(lat2[k], lon2[k]))
        n /= np.linalg.norm(n)
        top = np.array([0.0, 0.0, 1.0]) - n[2] * n
        if max(lat1[k], lat2[k]) < -min(lat1[k], lat2[k]):  # the route goes farthest south
            top = -top
        lat = math.degrees(math.atan2(top[2], (1 - e2) * math.hypot(top[0], top[1])))
        assert v.lat[k] == pytest.approx(lat, abs=1e-9), k
        assert (v.lon[k] - math.degrees(math.atan2(top[1], top[0])) + 180) % 360 - 180 == pytest.approx(0, abs=1e-9)
        # On the route: between the ends along the shorter arc (n points along it).
        p, q = ecef(lat1[k], lon1[k]), ecef(lat2[k], lon2[k])
        assert v.on_route[k] == (np.dot(np.cross(p, top), n) > 0 and np.dot(np.cross(top, q), n) > 0), k
    meridian = sailings.vertex(10.0, 5.0, 20.0, 5.0)
    assert meridian.lat == 90 and np.isnan(meridian.lon) and meridian.status == 0


def test_composite_tracks_over_arrays_are_the_passages():
    lat1 = np.array([50.0, -40.0, 50.0, 10.0, 70.0])
    lon1 = np.array([-5.0, 20.0, -5.0, 0.0, 0.0])
    lat2 = np.array([45.0, -35.0, 40.0, 12.0, 10.0])
    lon2 = np.array([-125.0, 150.0, -70.0, 5.0, 10.0])
    c = sailings.composite(lat1, lon1, lat2, lon2, 55.0)
    assert list(c.status[:4] == 0) == [True] * 4 and c.status[4] != 0 and np.isnan(c.total_nm[4])
    assert sailings.reason(c.status[4]) == str(sailings.Error(c.status[4]))
    for k in range(4):
        p = sailings.Passage(lat1[k], lon1[k], lat2[k], lon2[k], limit=55.0).composite
        assert c.composite[k] == p["composite"] and c.total_nm[k] == p["total_nm"]
        if p["composite"]:
            assert (c.t1_lat[k], c.t2_lon[k], c.parallel_nm[k]) == (p["t1_lat"], p["t2_lon"], p["parallel_nm"])
        else:
            assert np.isnan(c.parallel_nm[k]) and c.total_nm[k] == sailings.great_ellipse(lat1[k], lon1[k], lat2[k], lon2[k]).distance_nm
