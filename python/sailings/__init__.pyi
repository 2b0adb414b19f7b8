# Type stubs of the sailings package (editors complete from these).
from typing import Any, Dict, List, NamedTuple, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

ArrayLike = Union[float, npt.ArrayLike]
Floats = Union[float, npt.NDArray[np.float64]]
Codes = Union[int, npt.NDArray[np.uint8]]

class GreatEllipse(NamedTuple):
    distance_nm: Floats  # NM, the shorter arc
    course_initial: Floats  # degrees, [0, 360)
    course_final: Floats  # degrees, [0, 360)
    status: Codes  # 0: solved; else sailings.reason(status)

class RhumbLine(NamedTuple):
    distance_nm: Floats
    course: Floats
    status: Codes

class Geodesic(NamedTuple):
    distance_nm: Floats
    azimuth_initial: Floats
    azimuth_final: Floats
    status: Codes

class Comparison(NamedTuple):
    ge_distance_nm: Floats
    ge_course_initial: Floats
    ge_course_final: Floats
    rhumb_distance_nm: Floats
    rhumb_course: Floats
    geodesic_nm: Floats
    geodesic_azimuth_initial: Floats
    geodesic_azimuth_final: Floats
    sphere_nm: Floats
    sphere_course: Floats
    sphere_course_final: Floats
    ge_geodesic_separation_km: Floats
    status: Codes

class Vertices(NamedTuple):
    lat: Floats  # degrees
    lon: Floats  # degrees; NaN for a pole or the equator
    on_route: Union[bool, npt.NDArray[np.bool_]]
    status: Codes

class Composite(NamedTuple):
    total_nm: Floats
    course_initial: Floats
    course_final: Floats
    ge1_nm: Floats  # NaN: the great ellipse keeps within the limit
    parallel_nm: Floats
    ge2_nm: Floats
    t1_lat: Floats
    t1_lon: Floats
    t2_lat: Floats
    t2_lon: Floats
    composite: Union[bool, npt.NDArray[np.bool_]]
    status: Codes

class SeaDistance(NamedTuple):
    distance_nm: Floats  # NM, approaches and canals included
    legs: Floats  # the passage's legs
    status: Codes

class Error(Exception):
    status: Optional[int]  # None: a file that cannot be read
    def __init__(self, status: Optional[int], message: Optional[str] = None) -> None: ...

def reason(status: int) -> str: ...
def great_ellipse(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> GreatEllipse: ...
def rhumb_line(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> RhumbLine: ...
def geodesic(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> Geodesic: ...
def compare(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> Comparison: ...
def vertex(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> Vertices: ...
def composite(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike, limit: float) -> Composite: ...
def sea_distance(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike,
                 clearance_nm: float = 2.0, avoid: Sequence[str] = ()) -> SeaDistance: ...

# One passage at a time (sailings.objects).
TRACKS: Tuple[str, str, str, str]

class Vertex(NamedTuple):
    kind: str  # "point", "pole" or "equator"
    lat: float  # degrees
    lon: Optional[float]  # degrees; None for a pole or the equator
    on_route: bool

class LinePositions(NamedTuple):
    lat: Floats  # degrees
    lon: Floats  # degrees
    azimuth: Floats  # degrees, [0, 360): the direction of travel

class PassageComparison(NamedTuple):
    geodesic_nm: float
    geodesic_azimuth_initial: float
    geodesic_azimuth_final: float
    sphere_nm: float
    sphere_course: float
    sphere_course_final: float
    ge_geodesic_separation_km: float

class Finding(NamedTuple):
    kind: str
    fault: bool
    leg: int
    last_leg: int
    waypoint: int
    value_nm: float
    limit_nm: float
    lat: float
    lon: float
    message: str

class RouteFile(NamedTuple):
    format: str
    version: str
    route_name: str
    points: npt.NDArray[Any]  # name, lat, lon, leg_type, speed_kn, speed_max_kn, port_xtd_nm, ...
    notes: List[str]

class SailingLine:
    def __init__(self, passage: "Passage", track: str = "great ellipse") -> None: ...
    @property
    def length_nm(self) -> float: ...
    def position(self, distance_nm: ArrayLike) -> LinePositions: ...
    def draw(self, tolerance_nm: float = 0.1) -> List[npt.NDArray[np.float64]]: ...

class Passage:
    distance_nm: float
    course_initial: float
    course_final: float
    azimuth_inverse: float
    rhumb_distance_nm: float
    rhumb_course: float
    along_meridian: bool
    composite: Optional[Dict[str, Any]]
    def __init__(self, lat1: float, lon1: float, lat2: float, lon2: float,
                 limit: Optional[float] = None) -> None: ...
    def vertex(self) -> Vertex: ...
    def compare(self) -> PassageComparison: ...
    def crosses_land(self, track: str = "great ellipse") -> Optional[Tuple[float, float]]: ...
    def line(self, track: str = "great ellipse") -> SailingLine: ...
    def table(self, points: Optional[int] = None, leg_nm: Optional[float] = None,
              longitudes: Optional[int] = None, along: str = "great ellipse") -> npt.NDArray[Any]: ...

class SeaPassage:
    points: npt.NDArray[Any]  # lat, lon, added, leg, clearance_nm, canal
    distance_nm: float
    notes: List[str]

def sea_passage(lat1: float, lon1: float, lat2: float, lon2: float, clearance_nm: float = 2.0,
                limit: Optional[float] = None, avoid: Sequence[str] = (),
                geodesic: bool = False) -> SeaPassage: ...
def read_route(path: Any, name: str = "") -> RouteFile: ...
def check_route(path: Any, xtd_nm: float = 0.1, radius_nm: float = 0.0, land: bool = False,
                name: str = "") -> List[Finding]: ...

class Voyage:
    legs: npt.NDArray[Any]  # number, from_name, to_name, sailing, distance_nm, course, ...
    total_nm: float
    total_hours: Optional[float]
    depart: Optional[int]  # seconds since 1970-01-01T00:00Z
    notes: List[str]
    def __init__(self, points: Optional[Sequence[Sequence[Any]]] = None, route: Any = None,
                 name: str = "", sailing: str = "great ellipse", orthodrome: str = "great ellipse",
                 limit: Optional[float] = None, speed_kn: Optional[float] = None,
                 speed_all_kn: Optional[float] = None, depart: Any = None, sea: bool = False,
                 clearance_nm: float = 2.0, avoid: Sequence[str] = ()) -> None: ...
    def table(self, points: Optional[int] = None, leg_nm: Optional[float] = None,
              xtd_nm: Optional[float] = None) -> npt.NDArray[Any]: ...
    def write(self, gpx: Any = None, rtz: Any = None, svg: Any = None, geojson: Any = None,
              kml: Any = None, nmea: Any = None, points: Optional[int] = None,
              leg_nm: Optional[float] = None, xtd_nm: Optional[float] = None,
              tolerance_nm: float = 0.1, talker: str = "GP", name_length: int = 6) -> None: ...
    def to_gpx(self, path: Any, **table: Any) -> None: ...
    def to_rtz(self, path: Any, **table: Any) -> None: ...
    def to_svg(self, path: Any, **table: Any) -> None: ...
    def to_geojson(self, path: Any, **table: Any) -> None: ...
    def to_kml(self, path: Any, **table: Any) -> None: ...
    def to_nmea(self, path: Any, **table: Any) -> None: ...
