"""Voyages from Python against the command line: every file it writes equal
byte for byte to the one `sailings voyage` writes for the same route (the
RTZ read back and written as it came too), the legs and the table equal to
its printed records, the sea voyage's turning points equal to its own, and
each refusal with the library's reason."""
import datetime
import os
import subprocess

import numpy as np
import pytest

import sailings

PROGRAM = os.environ.get("SAILINGS_PROGRAM", "sailings")
SOURCE = os.environ.get("SAILINGS_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
FORMATS = ("gpx", "rtz", "svg", "geojson", "kml", "nmea")
ROUTE = """lat,lon,name,sailing,speed_kn
50.0,-5.0,Lizard,,
49.0,-20.0,Mid,rhumb,12
40.7,-74.0,New York,great-ellipse,14
"""


def program(*args, cwd=None):
    return subprocess.run([PROGRAM, *args], capture_output=True, text=True, check=True, cwd=cwd)


def records(run):
    header, *rows = run.stdout.strip().split("\n")
    names = header.split(",")
    return [dict(zip(names, row.split(","))) for row in rows]


@pytest.mark.parametrize("route,table,cli", [
    ("passage.csv", {"points": 3}, ["--points", "3"]),
    ("passage.csv", {"xtd_nm": 2.0}, ["--xtd", "2"]),
    (os.path.join(SOURCE, "tests", "data", "routes", "schedule-1_2.rtz"), {}, []),
    (os.path.join(SOURCE, "tests", "data", "routes", "channel-1_1.rtz"), {"leg_nm": 20}, ["--leg", "20", "--speed", "11"]),
])
def test_every_file_is_the_command_lines_byte_for_byte(tmp_path, route, table, cli):
    speed = {"speed_kn": 11.0} if "--speed" in cli else {}
    (tmp_path / "passage.csv").write_text(ROUTE)
    route = str(tmp_path / route) if not os.path.isabs(route) else route
    (tmp_path / "cli").mkdir()
    (tmp_path / "py").mkdir()
    files = ["--%s=%s" % (f, "cli/out." + f) for f in FORMATS]
    program("voyage", "--route", route, "--depart", "2027-03-01T08:00Z", *cli, *files, cwd=tmp_path)
    v = sailings.Voyage(route=route, depart="2027-03-01T08:00Z", **speed)
    v.write(**{f: tmp_path / "py" / ("out." + f) for f in FORMATS}, **table)
    for f in FORMATS:
        assert (tmp_path / "cli" / ("out." + f)).read_bytes() == (tmp_path / "py" / ("out." + f)).read_bytes(), f
    # One file alone is the same file.
    v.to_rtz(tmp_path / "py" / "out.rtz", **table)
    assert (tmp_path / "cli" / "out.rtz").read_bytes() == (tmp_path / "py" / "out.rtz").read_bytes()


def test_legs_and_table_are_the_command_lines_records(tmp_path):
    (tmp_path / "passage.csv").write_text(ROUTE)
    route = str(tmp_path / "passage.csv")
    v = sailings.Voyage(route=route, depart="2027-03-01T08:00Z")
    legs = records(program("voyage", "--route", route, "--depart", "2027-03-01T08:00Z", "--csv"))
    assert len(legs) == len(v.legs) == 2
    for mine, theirs in zip(v.legs, legs):
        assert "%.6f" % mine["distance_nm"] == theirs["distance_nm"]
        assert "%.6f" % mine["hours"] == theirs["hours"] and "%.6f" % mine["total_nm"] == theirs["total_nm"]
    assert v.legs["sailing"].tolist() == ["rhumb line", "great ellipse"]
    t = v.table(points=2)
    rows = records(program("voyage", "--route", route, "--points", "2", "--waypoints", "--csv"))
    assert len(rows) == len(t) == 7
    for mine, theirs in zip(t, rows):
        assert "%.6f" % mine["lat"] == theirs["lat"] and "%.6f" % mine["lon"] == theirs["lon"]
        assert mine["name"] == theirs["name"]
    assert v.total_hours == pytest.approx(t["hours"][-1], abs=1e-9)
    assert v.depart == datetime.datetime(2027, 3, 1, 8, tzinfo=datetime.timezone.utc).timestamp()


def test_a_sea_voyage_is_the_command_lines(tmp_path):
    v = sailings.Voyage([(51.9, 4.1, "Hook"), (38.65, -9.3, "Lisbon")], sea=True, speed_kn=12)
    rows = records(program("voyage", "51.9", "4.1", "38.65", "-9.3", "--sea", "--speed", "12",
                           "--waypoints", "--csv"))
    t = v.table()
    assert [r["lat"] for r in rows] == ["%.6f" % x for x in t["lat"]]
    assert t["name"][1] == "Hook approach" and t["name"][2] == "turn 1"
    assert v.legs["at_sea"].all() and any("approach" in n for n in v.notes)
    with pytest.raises(sailings.Error, match=r"leg 1: the destination lies \d+\.\d NM from the sea"):
        sailings.Voyage([(51.9, 4.1), (48.0, 2.3)], sea=True)
    with pytest.raises(ValueError):
        sailings.Voyage([(51.9, 4.1), (38.65, -9.3)], sea=True, sailing="rhumb line")


def test_refusals(tmp_path):
    with pytest.raises(sailings.Error, match="waypoint 2: .*same position") as e:
        sailings.Voyage([(10, 10), (10, 10), (20, 20)])
    assert e.value.status
    with pytest.raises(sailings.Error, match="speed"):
        sailings.Voyage([(10, 10), (20, 20)], speed_kn=0.01)
    v = sailings.Voyage([(10, 10), (20, 20)])
    with pytest.raises(ValueError):
        v.table(points=2, xtd_nm=1)
    with pytest.raises(sailings.Error, match="cannot write"):
        v.to_gpx(tmp_path)  # a folder
    with pytest.raises(sailings.Error, match="cross-track"):
        v.to_rtz(tmp_path / "x.rtz", xtd_nm=1000)
    assert not (tmp_path / "x.rtz").exists()
