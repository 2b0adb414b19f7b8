# Type stubs of the sailings package (editors complete from these).
from typing import NamedTuple, Sequence, Union

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

class SeaDistance(NamedTuple):
    distance_nm: Floats  # NM, approaches and canals included
    legs: Floats  # the passage's legs
    status: Codes

class Error(Exception):
    status: int
    def __init__(self, status: int) -> None: ...

def reason(status: int) -> str: ...
def great_ellipse(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> GreatEllipse: ...
def rhumb_line(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> RhumbLine: ...
def geodesic(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> Geodesic: ...
def compare(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike) -> Comparison: ...
def sea_distance(lat1: ArrayLike, lon1: ArrayLike, lat2: ArrayLike, lon2: ArrayLike,
                 clearance_nm: float = 2.0, avoid: Sequence[str] = ()) -> SeaDistance: ...
