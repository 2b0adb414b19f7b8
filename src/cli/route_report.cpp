// The report of one route (sailings route FROM TO): a line per sailing, then
// the vertex and the composite track, in the layout a person reads.
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "sailings/coordinates.hpp"
#include "sailings/sailings.hpp"
#include "sailings/text.hpp"

namespace sailings {

namespace {

// A position as a navigator writes it: 33°55.4940'S 018°25.4460'E.
std::string PositionText(double latDegrees, double lonDegrees, int decimals) {
  const int minutes = std::max(1, decimals - 2);
  return FormatCoordinate(latDegrees, Axis::latitude, CoordinateStyle::dm, minutes) + " " +
         FormatCoordinate(std::remainder(lonDegrees, 360.0), Axis::longitude, CoordinateStyle::dm,
                          minutes);
}

class Report {
 public:
  explicit Report(int decimals) : decimals_(decimals) {}

  std::string Number(double v) const {
    char digits[400];
    return std::string(digits, FormatNumber(digits, v, decimals_));
  }
  std::string Course(std::optional<double> degrees) const {
    if (!degrees) return "-";
    char digits[400];
    return std::string(digits, FormatAzimuth(digits, *degrees, decimals_));
  }
  void Header(const char* first) {
    std::string line = first;
    line.resize(22, ' ');
    text_ += line + "       distance NM  initial course    final course\n";
  }
  void Row(const char* name, double nm, std::optional<double> initial,
           std::optional<double> final) {
    std::string line = name;
    line.resize(22, ' ');
    text_ +=
        line + Cell(Number(nm), 18) + Cell(Course(initial), 16) + Cell(Course(final), 16) + '\n';
  }
  void Line(const std::string& line) { text_ += line + '\n'; }
  const std::string& text() const { return text_; }

 private:
  static std::string Cell(const std::string& text, std::size_t width) {
    return std::string(text.size() < width ? width - text.size() : 0, ' ') + text;
  }
  int decimals_;
  std::string text_;
};

}  // namespace

std::string RouteReport(const RouteRecord& s, const Asked& ask, int decimals) {
  Report r(decimals);
  const Route& route = s.passage.route();
  const Comparison& c = s.comparison;
  const double geFinal = std::fmod(route.ge_azimuth_inv + 180.0, 360.0);
  r.Header("sailing");
  r.Row("great ellipse", route.ge_distance_nm, route.ge_azimuth_fwd, geFinal);
  if (ask.compare) {
    r.Row("geodesic", c.geodesic_nm, c.geodesic_azimuth_fwd, c.geodesic_azimuth_final);
  }
  r.Row("rhumb line", route.rhumb_distance_nm, route.rhumb_course, route.rhumb_course);
  if (ask.compare) {
    r.Row("great circle (sphere)", c.sphere_nm, c.sphere_course, c.sphere_course_final);
    r.Line("great ellipse - geodesic: " + r.Number(c.ge_minus_geodesic_m) + " m");
    r.Line("sphere - geodesic: " + r.Number(c.sphere_minus_geodesic_nm) + " NM");
    r.Line("rhumb line - geodesic: " + r.Number(c.rhumb_minus_geodesic_nm) + " NM (" +
           r.Number(c.rhumb_minus_geodesic_pct) + " %)");
    r.Line("greatest separation of the great ellipse from the geodesic: " +
           r.Number(c.ge_geodesic_separation_km) + " km");
  }

  // The vertex: the point of the great ellipse farthest from the equator.
  const Vertex& v = s.vertex;
  const char* passes = v.on_route ? ", on the route" : ", not on the route";
  if (v.kind == Vertex::Kind::equator) {
    r.Line("vertex: none (the route runs along the equator)");
  } else if (v.kind == Vertex::Kind::pole) {
    r.Line(std::string("vertex: the ") + (v.lat > 0 ? "north" : "south") +
           " pole (the route runs along a meridian)" + passes);
  } else {
    r.Line("vertex: " + PositionText(v.lat, *v.lon, decimals) + passes);
  }

  if (ask.composite) {
    const CompositeTrack& k = *s.passage.composite();
    const std::string limit =
        FormatCoordinate(k.limit, Axis::latitude, CoordinateStyle::dm, std::max(1, decimals - 2));
    // "50°00.0000'" N and S: the limit holds on both sides of the equator.
    const std::string within =
        "the limiting latitude " + limit.substr(0, limit.size() - 1) + " N and S";
    if (!k.composite) {
      r.Line("composite track: none needed, the great ellipse keeps within " + within);
    } else {
      r.Line("composite track within " + within + ":");
      r.Header("part");
      // Each part arrives on the course the next one leaves on (the parallel
      // is touched, not crossed); the last arrives on the track's final course.
      r.Row("great ellipse to T1", *k.ge1_nm, k.ge1_course,
            k.ge1_course ? k.along_parallel : std::nullopt);
      r.Row("parallel T1 to T2", *k.parallel_nm, k.parallel_course, k.parallel_course);
      r.Row("great ellipse from T2", *k.ge2_nm, k.ge2_course,
            k.ge2_course ? std::optional<double>(k.final_course) : std::nullopt);
      r.Row("composite track", k.total_nm, k.initial_course, k.final_course);
      r.Line("T1: " + PositionText(*k.t1_lat, *k.t1_lon, decimals));
      r.Line("T2: " + PositionText(*k.t2_lat, *k.t2_lon, decimals));
      r.Line("composite - great ellipse: " + r.Number(k.composite_minus_ge_nm) + " NM");
      r.Line("rhumb line - composite: " + r.Number(k.rhumb_minus_composite_nm) + " NM");
    }
  }
  return r.text();
}

}  // namespace sailings
