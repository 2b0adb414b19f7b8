// sailings for Python: one passage at a time, as the C++ library has it.
// Passage (the route, its vertex, its composite track, the sailings side by
// side, the land check), SailingLine (positions along a track, vectorised
// over distances; the track drawn for a map), the waypoint table as a NumPy
// structured array, the sea passage with its turning points, and route
// files read and checked. A refusal raises sailings.Error with the
// library's Status (or, for a file, its one-line reason).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "sailings/check.hpp"
#include "sailings/line.hpp"
#include "sailings/passage.hpp"
#include "sailings/route_files.hpp"
#include "sailings/sea.hpp"
#include "sailings/waypoints.hpp"

namespace py = pybind11;
using namespace sailings;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// sailings.Error(status, message): the package's own exception (defined in
// Python, looked up when first raised).
[[noreturn]] void RaiseError(py::object status, const std::string& message) {
  py::object error = py::module_::import("sailings").attr("Error");
  py::object instance = message.empty() ? error(status) : error(status, message);
  PyErr_SetObject(error.ptr(), instance.ptr());
  throw py::error_already_set();
}

namespace {

void Check(Status s) {
  if (s != Status::ok) RaiseError(py::int_(static_cast<int>(s)), "");
}

Track TrackNamed(const std::string& name) {
  for (const Track t : {Track::great_ellipse, Track::rhumb_line, Track::geodesic, Track::composite})
    if (name == TrackName(t)) return t;
  throw py::value_error("track '" + name +
                        "': one of 'great ellipse', 'rhumb line', 'geodesic', 'composite track'");
}
Sailing SailingNamed(const std::string& name) {
  if (name == "great ellipse") return Sailing::great_ellipse;
  if (name == "rhumb line") return Sailing::rhumb_line;
  if (name == "geodesic") return Sailing::geodesic;
  throw py::value_error("along '" + name + "': one of 'great ellipse', 'rhumb line', 'geodesic'");
}
double Or(const std::optional<double>& v) { return v ? *v : kNaN; }

// A row of the waypoint table as NumPy holds it (NaN where the table shows
// none).
struct TableEntry {
  std::int64_t wp;
  double lat, lon, azimuth, course, leg_nm, total_nm;
  bool loxodrome;
};

// The rows gathered as they come (the table is the result: its memory is
// the array's).
class Rows : public WaypointSink {
 public:
  void Row(const Waypoint& w) override {
    rows.push_back(
        {w.wp, w.lat, w.lon, Or(w.azimuth), Or(w.course), w.leg_nm, w.total_nm, w.loxodrome});
  }
  std::vector<TableEntry> rows;
};

const char* LegName(SeaLeg leg) {
  switch (leg) {
    case SeaLeg::none: return "";
    case SeaLeg::open: return "open";
    case SeaLeg::approach: return "approach";
    case SeaLeg::canal: return "canal";
  }
  return "";
}
const char* LegTypeName(LegType t) {
  switch (t) {
    case LegType::unknown: return "";
    case LegType::orthodrome: return "orthodrome";
    case LegType::loxodrome: return "loxodrome";
  }
  return "";
}
const char* FormatName(RouteFormat f) {
  switch (f) {
    case RouteFormat::gpx: return "gpx";
    case RouteFormat::rtz: return "rtz";
    case RouteFormat::csv: return "csv";
    case RouteFormat::geojson: return "geojson";
    case RouteFormat::kml: return "kml";
    case RouteFormat::nmea: return "nmea";
  }
  return "";
}

}  // namespace

void AddObjects(py::module_& m) {
  PYBIND11_NUMPY_DTYPE(TableEntry, wp, lat, lon, azimuth, course, leg_nm, total_nm, loxodrome);
  py::class_<Passage>(m, "Passage", "One route, solved once (see the package's documentation).")
      .def(py::init(
               [](double lat1, double lon1, double lat2, double lon2, std::optional<double> limit) {
                 Passage p;
                 Check(Passage::Solve(lat1, lon1, lat2, lon2, limit, p));
                 return p;
               }),
           py::arg("lat1"), py::arg("lon1"), py::arg("lat2"), py::arg("lon2"),
           py::arg("limit") = py::none())
      .def_property_readonly("route",
                             [](const Passage& p) {
                               const Route& r = p.route();
                               return py::make_tuple(r.ge_distance_nm, r.ge_azimuth_fwd,
                                                     r.ge_azimuth_inv, r.ge_course_final,
                                                     r.rhumb_course, r.rhumb_distance_nm,
                                                     r.along_meridian);
                             })
      .def_property_readonly("composite",
                             [](const Passage& p) -> py::object {
                               if (!p.composite()) return py::none();
                               const CompositeTrack& c = *p.composite();
                               py::dict d;
                               d["limit"] = c.limit, d["composite"] = c.composite;
                               d["t1_lat"] = c.t1_lat, d["t1_lon"] = c.t1_lon;
                               d["t2_lat"] = c.t2_lat, d["t2_lon"] = c.t2_lon;
                               d["ge1_nm"] = c.ge1_nm, d["parallel_nm"] = c.parallel_nm;
                               d["ge2_nm"] = c.ge2_nm, d["total_nm"] = c.total_nm;
                               d["initial_course"] = c.initial_course;
                               d["final_course"] = c.final_course;
                               d["composite_minus_ge_nm"] = c.composite_minus_ge_nm;
                               d["rhumb_minus_composite_nm"] = c.rhumb_minus_composite_nm;
                               return std::move(d);
                             })
      .def("_vertex",
           [](const Passage& p) {
             const Vertex v = p.FindVertex();
             const char* kind = v.kind == Vertex::Kind::point  ? "point"
                                : v.kind == Vertex::Kind::pole ? "pole"
                                                               : "equator";
             return py::make_tuple(kind, v.lat, v.lon ? py::object(py::float_(*v.lon)) : py::none(),
                                   v.on_route);
           })
      .def("_compare",
           [](const Passage& p) {
             const Comparison c = p.Compare();
             return py::make_tuple(c.geodesic_nm, c.geodesic_azimuth_fwd, c.geodesic_azimuth_final,
                                   c.sphere_nm, c.sphere_course, c.sphere_course_final,
                                   c.ge_geodesic_separation_km);
           })
      .def(
          "crosses_land",
          [](const Passage& p, const std::string& track) -> py::object {
            const std::optional<LandCrossing> at = p.CrossesLand(TrackNamed(track));
            if (!at) return py::none();
            return py::make_tuple(at->lat, at->lon);
          },
          py::arg("track") = "great ellipse",
          "Where the track first runs over land (Natural Earth 1:10m, the first and last 20 NM "
          "left out): (lat, lon), degrees, or None.")
      .def("_table", [](const Passage& p, const std::string& placement, double value,
                        const std::string& along) {
        TableRequest request;
        request.along = SailingNamed(along);
        if (placement == "points") {
          request.placement = WaypointPlacement::points;
          if (!(value >= 1 && value <= static_cast<double>(kMaxWaypoints)))
            Check(Status::count_out_of_range);
          request.count = static_cast<long long>(value);
        } else if (placement == "longitudes") {
          request.placement = WaypointPlacement::longitudes;
          if (!(value >= 0 && value <= static_cast<double>(kMaxWaypoints)))
            Check(Status::count_out_of_range);
          request.count = static_cast<long long>(value);
        } else {
          request.placement = WaypointPlacement::leg;
          request.leg_nm = value;
        }
        WaypointPlan plan;
        Check(PlanWaypoints(p, request, plan));
        Rows rows;
        {
          py::gil_scoped_release free;
          ForEachWaypoint(p, plan, rows);
        }
        py::array_t<TableEntry> out(static_cast<py::ssize_t>(rows.rows.size()));
        std::copy(rows.rows.begin(), rows.rows.end(), out.mutable_data());
        return py::make_tuple(out, PlacementName(plan));
      });

  py::class_<SailingLine>(m, "SailingLine",
                          "A track of a passage, for positions along it (see the package's "
                          "documentation).")
      .def(py::init([](const Passage& p, const std::string& track) {
             return SailingLine(p, TrackNamed(track));
           }),
           py::arg("passage"), py::arg("track") = "great ellipse")
      .def_property_readonly("length_nm", &SailingLine::length_nm)
      .def("_position",
           [](const SailingLine& line,
              py::array_t<double, py::array::c_style | py::array::forcecast> s) {
             const py::ssize_t n = s.size();
             std::vector<py::ssize_t> shape(s.shape(), s.shape() + s.ndim());
             py::array_t<double> lat(shape), lon(shape), azimuth(shape);
             const double* in = s.data();
             double *a = lat.mutable_data(), *b = lon.mutable_data(), *c = azimuth.mutable_data();
             {
               py::gil_scoped_release free;
               for (py::ssize_t i = 0; i < n; ++i) {
                 if (!std::isfinite(in[i])) {  // (NaN in, NaN out)
                   a[i] = b[i] = c[i] = kNaN;
                   continue;
                 }
                 const LinePosition at = line.Position(in[i]);
                 a[i] = at.lat, b[i] = at.lon, c[i] = at.azimuth;
               }
             }
             return py::make_tuple(lat, lon, azimuth);
           })
      .def(
          "draw",
          [](const SailingLine& line, double tolerance_nm) {
            std::vector<std::vector<MapPoint>> pieces;
            Check(line.Draw(tolerance_nm, pieces));
            py::list out;
            for (const std::vector<MapPoint>& piece : pieces) {
              py::array_t<double> a({static_cast<py::ssize_t>(piece.size()), py::ssize_t{2}});
              double* to = a.mutable_data();
              for (const MapPoint& q : piece) *to++ = q.lat, *to++ = q.lon;
              out.append(a);
            }
            return out;
          },
          py::arg("tolerance_nm") = 0.1,
          "The track as a map draws it: a list of pieces (split at the 180th meridian), each an "
          "(n, 2) array of latitude and longitude, degrees, no chord more than tolerance_nm "
          "(0.001 to 100) from the track.");

  m.def("_sea_passage",
        [](double lat1, double lon1, double lat2, double lon2, double clearance_nm,
           std::optional<double> limit, const std::vector<std::string>& avoid, bool geodesic) {
          SeaOptions options;
          options.clearance_nm = clearance_nm, options.limit = limit, options.avoid = avoid;
          options.geodesic = geodesic;
          SeaPassage passage;
          int end = 0;
          double inland = 0;
          Status s;
          {
            py::gil_scoped_release free;
            s = PlanSeaPassage(lat1, lon1, lat2, lon2, options, passage, &end, &inland);
          }
          if (s == Status::end_inland) {
            RaiseError(py::int_(static_cast<int>(s)),
                       std::string(end == 1 ? "the departure" : "the destination") + " " +
                           InlandText(inland, options.clearance_nm));
          }
          Check(s);
          py::list points;
          for (const SeaPoint& p : passage.points)
            points.append(py::make_tuple(p.lat, p.lon, p.added, LegName(p.leg),
                                         p.leg == SeaLeg::open ? p.clearance_nm : kNaN, p.canal));
          return py::make_tuple(points, passage.distance_nm, passage.notes);
        });

  m.def("_read_route", [](const std::string& path, const std::string& name) {
    RouteFileContent content;
    std::string error;
    if (!ReadRouteFile(path, path, name, content, error)) RaiseError(py::none(), error);
    py::list points;
    for (const VoyagePoint& p : content.points)
      points.append(py::make_tuple(p.name, p.lat, p.lon, LegTypeName(p.type), Or(p.speed_kn),
                                   Or(p.speed_max_kn), Or(p.port_xtd_nm), Or(p.starboard_xtd_nm),
                                   Or(p.radius_nm)));
    return py::make_tuple(FormatName(content.format), content.version, content.route_name, points,
                          content.notes);
  });

  m.def("_check_route", [](const std::string& path, const std::string& name, double xtd_nm,
                           double radius_nm, bool land, const std::string& stem) {
    if (!(xtd_nm > 0 && std::isfinite(xtd_nm))) Check(Status::xtd_out_of_range);
    if (!(radius_nm >= 0 && std::isfinite(radius_nm)))
      throw py::value_error("radius_nm must be a number >= 0");
    RouteFileContent content;
    std::string error;
    if (!ReadRouteFile(path, path, name, content, error)) RaiseError(py::none(), error);
    CheckOptions options;
    options.xtd_nm = xtd_nm, options.radius_nm = radius_nm, options.land = land;
    options.file_stem = stem;
    py::list out;
    for (const Finding& f : CheckRoute(content, options))
      out.append(py::make_tuple(KindName(f.kind), f.fault, f.leg, f.last_leg, f.waypoint,
                                Or(f.value_nm), Or(f.limit_nm), Or(f.lat), Or(f.lon), f.message));
    return out;
  });
}
