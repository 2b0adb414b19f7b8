// sailings for Python: voyages of many legs, from positions or a route
// file, their legs and waypoint tables as NumPy structured arrays, and
// their files written by the library's VoyageFileWriters, as the command
// line writes them.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "sailings/route_files.hpp"
#include "sailings/sea.hpp"
#include "sailings/voyage.hpp"
#include "sailings/voyage_files.hpp"

namespace py = pybind11;
using namespace sailings;

[[noreturn]] void RaiseError(py::object status, const std::string& message);  // objects.cpp

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
double Or(const std::optional<double>& v) { return v ? *v : kNaN; }

std::optional<Sailing> SailingOf(const std::string& name) {
  if (name == "great ellipse") return Sailing::great_ellipse;
  if (name == "rhumb line") return Sailing::rhumb_line;
  if (name == "geodesic") return Sailing::geodesic;
  return std::nullopt;
}
const char* SailingText(const VoyageLeg& leg) {
  if (leg.composite) return "composite track";
  switch (leg.sailing) {
    case Sailing::great_ellipse: return "great ellipse";
    case Sailing::rhumb_line: return "rhumb line";
    case Sailing::geodesic: return "geodesic";
  }
  return "";
}
[[noreturn]] void Refuse(Status s, long waypoint) {
  std::string text = Describe(s);
  if (waypoint > 0) text = "waypoint " + std::to_string(waypoint) + ": " + text;
  RaiseError(py::int_(static_cast<int>(s)), text);
}

// A voyage planned, with what its files need: its own waypoints, the RTZ
// route it came from and its schedule.
struct PyVoyage {
  std::vector<VoyagePoint> points;
  std::optional<RtzKept> kept;
  VoyageOptions options;
  Voyage voyage;
  std::optional<Schedule> schedule;
  std::vector<std::string> notes;

  void Plan(std::optional<std::int64_t> fileDepart) {
    long waypoint = 0;
    const bool fileDeparts = !options.depart && fileDepart;
    if (fileDeparts) options.depart = fileDepart;
    Status s = Voyage::Plan(points, options, voyage, waypoint);
    if (fileDeparts && s == Status::no_speed) {
      notes.push_back("the schedule's departure is not used: a leg has no speed");
      options.depart.reset();
      s = Voyage::Plan(points, options, voyage, waypoint);
    }
    if (s != Status::ok) Refuse(s, waypoint);
    if (voyage.total_hours()) {
      schedule.emplace();
      schedule->knots = options.speed_kn.value_or(1.0);  // (rows carry their own hours)
      schedule->depart = options.depart;
    }
  }

  // The table's plans: the voyage's own waypoints, `points` a leg, one
  // every `leg_nm`, or each leg split for the cross-track limit `xtd_nm`.
  std::vector<WaypointPlan> Plans(std::optional<long long> count, std::optional<double> leg_nm,
                                  std::optional<double> xtd_nm) const {
    if ((count ? 1 : 0) + (leg_nm ? 1 : 0) + (xtd_nm ? 1 : 0) > 1)
      throw py::value_error("give at most one of points, leg_nm and xtd_nm");
    std::vector<WaypointPlan> plans = VoyageWaypointsOnly(voyage);
    long leg = 0;
    if (count || leg_nm) {
      TableRequest request;
      if (count) {
        if (*count < 1 || *count > kMaxWaypoints) Refuse(Status::count_out_of_range, 0);
        request.placement = WaypointPlacement::points, request.count = *count;
      } else {
        request.leg_nm = *leg_nm;
      }
      const Status s = PlanVoyageWaypoints(voyage, request, plans, leg);
      if (s != Status::ok) Refuse(s, 0);
    } else if (xtd_nm) {
      if (!CrossTrackLimitInRange(*xtd_nm)) Refuse(Status::xtd_out_of_range, 0);
      std::vector<CrossTrackSplit> splits;
      Status s = SplitVoyageForCrossTrack(voyage, *xtd_nm, splits, leg);
      if (s == Status::ok) s = PlanCrossTrackWaypoints(voyage, splits, plans, leg);
      if (s != Status::ok) Refuse(s, 0);
    }
    return plans;
  }
};

struct RowEntry {
  std::int64_t wp, leg, point;
  double lat, lon, azimuth, course, leg_nm, total_nm, hours, speed_kn;
  bool loxodrome;
};
class Rows : public WaypointSink {
 public:
  void Row(const Waypoint& w) override {
    rows.push_back({w.wp, w.leg, w.point, w.lat, w.lon, Or(w.azimuth), Or(w.course), w.leg_nm,
                    w.total_nm, Or(w.hours), Or(w.speed_kn), w.loxodrome});
    names.push_back(w.name);
  }
  std::vector<RowEntry> rows;
  std::vector<std::string> names;
};

}  // namespace

void AddVoyage(py::module_& m) {
  PYBIND11_NUMPY_DTYPE(RowEntry, wp, leg, point, lat, lon, azimuth, course, leg_nm, total_nm, hours,
                       speed_kn, loxodrome);
  py::class_<PyVoyage>(m, "Voyage")
      .def(py::init([](const std::vector<std::tuple<double, double, std::string>>& given,
                       const std::string& path, const std::string& name, const std::string& sailing,
                       const std::string& orthodrome, std::optional<double> limit,
                       std::optional<double> speed_kn, std::optional<double> speed_all_kn,
                       std::optional<std::int64_t> depart, bool sea, double clearance_nm,
                       const std::vector<std::string>& avoid) {
        PyVoyage v;
        std::optional<std::int64_t> fileDepart;
        if (!path.empty()) {
          RouteFileContent content;
          std::string error;
          if (!ReadRouteFile(path, path, name, content, error)) RaiseError(py::none(), error);
          v.points = std::move(content.points);
          v.kept = std::move(content.rtz);
          v.notes = std::move(content.notes);
          fileDepart = content.depart;
        } else {
          for (const auto& [lat, lon, label] : given) {
            VoyagePoint p;
            p.lat = lat, p.lon = lon, p.name = label;
            v.points.push_back(std::move(p));
          }
        }
        const std::optional<Sailing> s = SailingOf(sailing), o = SailingOf(orthodrome);
        if (!s) throw py::value_error("sailing: 'great ellipse', 'rhumb line' or 'geodesic'");
        if (!o || *o == Sailing::rhumb_line)
          throw py::value_error("orthodrome: 'great ellipse' or 'geodesic'");
        v.options.sailing = *s, v.options.orthodrome = *o, v.options.limit = limit;
        v.options.speed_kn = speed_kn, v.options.every_leg_kn = speed_all_kn;
        v.options.depart = depart;
        if (sea) {
          // Each leg given becomes its sea passage (great elliptic or geodesic legs).
          if (*s == Sailing::rhumb_line)
            throw py::value_error("a sea passage lays great elliptic or geodesic legs");
          SeaOptions options;
          options.clearance_nm = clearance_nm, options.avoid = avoid, options.limit = limit;
          options.geodesic = *s == Sailing::geodesic;
          std::vector<VoyagePoint> points;
          std::vector<SeaVoyageNote> found;
          SeaVoyageRefusal refusal;
          Status status;
          {
            py::gil_scoped_release free;
            status = SeaVoyagePoints(v.points, options, points, found, refusal);
          }
          if (status == Status::end_inland) {
            RaiseError(py::int_(static_cast<int>(status)),
                       "leg " + std::to_string(refusal.leg) + ": the " +
                           (refusal.inland_end == 1 ? "departure" : "destination") + " " +
                           InlandText(refusal.inland_nm, options.clearance_nm));
          }
          if (status != Status::ok)
            RaiseError(py::int_(static_cast<int>(status)),
                       (refusal.leg > 0 ? "leg " + std::to_string(refusal.leg) + ": " : "") +
                           Describe(status));
          v.points.swap(points);
          for (const SeaVoyageNote& note : found)
            v.notes.push_back("leg " + std::to_string(note.leg) + ": " + note.text);
          if (v.kept) {
            v.kept.reset();
            v.notes.push_back(
                "the RTZ file's ids, leg attributes and schedule are not kept at sea");
          }
        }
        if (speed_all_kn && v.kept && v.kept->has_manual) {
          v.kept->has_manual = false;
          v.kept->not_kept.push_back("the manual schedule (speed_all_kn replaces its speeds)");
        }
        v.Plan(fileDepart);
        return v;
      }))
      .def_readonly("notes", &PyVoyage::notes)
      .def_property_readonly("total_nm", [](const PyVoyage& v) { return v.voyage.total_nm(); })
      .def_property_readonly("total_hours",
                             [](const PyVoyage& v) { return v.voyage.total_hours(); })
      .def_property_readonly("depart", [](const PyVoyage& v) { return v.voyage.depart(); })
      .def("_legs",
           [](const PyVoyage& v) {
             py::list out;
             for (const VoyageLeg& l : v.voyage.legs())
               out.append(py::make_tuple(l.number, EndName(l.from), EndName(l.to), SailingText(l),
                                         l.distance_nm, l.course, l.course_final, Or(l.speed_kn),
                                         Or(l.hours), Or(l.end_hours), l.total_nm, l.at_sea));
             return out;
           })
      .def("_table",
           [](const PyVoyage& v, std::optional<long long> count, std::optional<double> leg_nm,
              std::optional<double> xtd_nm) {
             const std::vector<WaypointPlan> plans = v.Plans(count, leg_nm, xtd_nm);
             Rows rows;
             {
               py::gil_scoped_release free;
               ForEachVoyageWaypoint(v.voyage, plans, rows);
             }
             py::array_t<RowEntry> out(static_cast<py::ssize_t>(rows.rows.size()));
             std::copy(rows.rows.begin(), rows.rows.end(), out.mutable_data());
             return py::make_tuple(out, rows.names);
           })
      .def("_write", [](const PyVoyage& v, const std::map<std::string, std::string>& paths,
                        std::optional<long long> count, std::optional<double> leg_nm,
                        std::optional<double> xtd_nm, double tolerance_nm,
                        const std::string& talker, int name_length) {
        VoyageFiles files;
        for (const auto& [kind, path] : paths) {
          std::filesystem::path* to = kind == "gpx"       ? &files.gpx
                                      : kind == "rtz"     ? &files.rtz
                                      : kind == "svg"     ? &files.svg
                                      : kind == "geojson" ? &files.geojson
                                      : kind == "kml"     ? &files.kml
                                      : kind == "nmea"    ? &files.nmea
                                                          : nullptr;
          if (!to) throw py::value_error("no writer for '" + kind + "'");
          *to = path;
        }
        if (!(tolerance_nm >= kMinDrawTolerance && tolerance_nm <= kMaxDrawTolerance))
          Refuse(Status::tolerance_out_of_range, 0);
        if (!IsNmeaTalker(talker)) throw py::value_error("talker: two capital letters");
        if (name_length < 1 || name_length > kMaxNmeaNameLength)
          throw py::value_error("name_length: 1 to " + std::to_string(kMaxNmeaNameLength));
        files.tolerance_nm = tolerance_nm;
        files.nmea_options.talker = talker, files.nmea_options.name_length = name_length;
        if (v.kept) files.kept = &*v.kept;
        const std::vector<WaypointPlan> plans = v.Plans(count, leg_nm, xtd_nm);
        std::vector<std::string> given;
        for (const VoyagePoint& p : v.points) given.push_back(p.name);
        std::filesystem::path failed;
        std::string error;
        bool ok = true;
        {
          py::gil_scoped_release free;
          VoyageFileWriters writers(v.voyage, given, v.schedule ? &*v.schedule : nullptr, files);
          ForEachVoyageWaypoint(v.voyage, plans, writers);
          ok = writers.Finish(failed, error);
        }
        if (!ok) RaiseError(py::none(), "cannot write " + failed.string() + ": " + error);
      });
}
