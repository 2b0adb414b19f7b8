#!/usr/bin/env python3
"""Checks RTZ 1.0 route files the way the schema and ECDIS checkers do, with
an XML parser (Python's xml.etree): well-formed XML in the namespace, version
1.0, routeName equal to the file's base name, elements in the schema's order,
at least two waypoints with unique non-negative integer ids, positions as
plain decimals in range (lon in [-180, 180)), no leg on the first waypoint,
geometryType exactly Loxodrome or Orthodrome, every schedule element spelt
sheduleElement and naming a waypoint, times as xsd:dateTime.
usage: rtz_check.py FILE...   (prints one line per problem; exit 1 if any)"""
import os, re, sys
import xml.etree.ElementTree as ET

NS = "{http://www.cirm.org/RTZ/1/0}"
DECIMAL = re.compile(r"^[+-]?(\d+(\.\d*)?|\.\d+)$")
DATETIME = re.compile(r"^-?\d{4,}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?(Z|[+-]\d{2}:\d{2})?$")


def ordered(element, order, problems, where):
    """The children's tags follow `order` (each tag a run, in that order)."""
    last = -1
    for child in element:
        tag = child.tag.replace(NS, "")
        if tag not in order:
            problems.append(f"{where}: unexpected element {child.tag}")
            continue
        if order.index(tag) < last:
            problems.append(f"{where}: {tag} out of order")
        last = order.index(tag)


def check(path):
    problems = []
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as e:
        return [f"not well-formed XML: {e}"]
    if root.tag != NS + "route":
        problems.append(f"root is {root.tag}, not route in the RTZ 1.0 namespace")
    if root.get("version") != "1.0":
        problems.append("version is not 1.0")
    ordered(root, ["routeInfo", "waypoints", "schedules", "extensions"], problems, "route")
    infos = root.findall(NS + "routeInfo")
    if len(infos) != 1:
        problems.append("not exactly one routeInfo")
    elif infos[0].get("routeName") != os.path.splitext(os.path.basename(path))[0]:
        problems.append(f"routeName {infos[0].get('routeName')!r} is not the file's name")
    lists = root.findall(NS + "waypoints")
    if len(lists) != 1:
        return problems + ["not exactly one waypoints"]
    ordered(lists[0], ["defaultWaypoint", "waypoint", "extensions"], problems, "waypoints")
    waypoints = lists[0].findall(NS + "waypoint")
    if len(waypoints) < 2:
        problems.append("fewer than two waypoints")
    ids = set()
    for k, w in enumerate(waypoints):
        where = f"waypoint {k}"
        ident = w.get("id", "")
        if not ident.isdigit():
            problems.append(f"{where}: id {ident!r} is not a non-negative integer")
        elif ident in ids:
            problems.append(f"{where}: id {ident} repeated")
        ids.add(ident)
        ordered(w, ["position", "leg", "extensions"], problems, where)
        positions = w.findall(NS + "position")
        if len(positions) != 1:
            problems.append(f"{where}: not exactly one position")
            continue
        lat, lon = positions[0].get("lat", ""), positions[0].get("lon", "")
        if not DECIMAL.match(lat) or not -90 <= float(lat) <= 90:
            problems.append(f"{where}: lat {lat!r}")
        if not DECIMAL.match(lon) or not -180 <= float(lon) < 180:
            problems.append(f"{where}: lon {lon!r}")
        legs = w.findall(NS + "leg")
        if k == 0 and legs:
            problems.append("the first waypoint has a leg")
        for leg in legs:
            if leg.get("geometryType") not in ("Loxodrome", "Orthodrome"):
                problems.append(f"{where}: geometryType {leg.get('geometryType')!r}")
    for schedules in root.findall(NS + "schedules"):
        for schedule in schedules:
            if schedule.tag != NS + "schedule" or not schedule.get("id", "").isdigit():
                problems.append("a schedule without a non-negative integer id")
            ordered(schedule, ["manual", "calculated", "extensions"], problems, "schedule")
            for part in schedule:
                for element in part:
                    if element.tag != NS + "sheduleElement":
                        problems.append(f"schedule element {element.tag} (the 1.0 spelling is sheduleElement)")
                    if element.get("waypointId") not in ids:
                        problems.append(f"schedule names waypoint {element.get('waypointId')!r}")
                    for name in ("eta", "etd"):
                        value = element.get(name)
                        if value is not None and not DATETIME.match(value):
                            problems.append(f"{name} {value!r} is not an xsd:dateTime")
    return problems


if __name__ == "__main__":
    failed = 0
    for path in sys.argv[1:]:
        for problem in check(path):
            failed += 1
            print(f"{path}: {problem}")
    sys.exit(1 if failed else 0)
