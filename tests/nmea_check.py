"""Reads an NMEA 0183 file with pynmea2 (Debian's python3-nmea2), which
verifies every checksum, and prints what it found, tab-separated: one line
per WPL (WPL name lat lon talker) and per RTE sentence (RTE name name ...).
Fails when a line is longer than 82 characters, does not end in CR LF, or
when the RTE sentences' counts and numbers do not run 1..total."""
import sys

import pynmea2

raw = open(sys.argv[1], "rb").read().decode("ascii")
lines = raw.split("\r\n")
assert lines[-1] == "", "the file does not end with CR LF"
route, total, number = [], None, 0
for line in lines[:-1]:
    assert "\n" not in line and "\r" not in line, "a line not ended by CR LF"
    assert len(line) + 2 <= 82, "longer than 82 characters: " + line
    m = pynmea2.parse(line, check=True)
    if m.sentence_type == "WPL":
        lat = (int(m.lat[:2]) + float(m.lat[2:]) / 60) * (-1 if m.lat_dir == "S" else 1)
        lon = (int(m.lon[:3]) + float(m.lon[3:]) / 60) * (-1 if m.lon_dir == "W" else 1)
        assert m.lat_dir in "NS" and m.lon_dir in "EW" and len(m.lat) == 9 and len(m.lon) == 10
        print("\t".join(["WPL", m.waypoint_id, repr(lat), repr(lon), m.talker]))
    elif m.sentence_type == "RTE":
        data = m.data
        if total is None:
            total = int(data[0])
        assert int(data[0]) == total, "the count changes"
        number += 1
        assert int(data[1]) == number, "sentence %s where %d was due" % (data[1], number)
        assert data[2] == "c"
        route.append(data[3])
        print("\t".join(["RTE"] + data[4:]))
assert number == (total or 0), "the route ends at sentence %d of %s" % (number, total)
