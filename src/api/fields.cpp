// The records' field schemas: one list per record, for every format.
#include "sailings/fields.hpp"

#include "sailings/text.hpp"

namespace sailings {

namespace {

using Kind = FieldValue::Kind;

FieldValue Make(Kind kind, double a = 0, double b = 0) {
  FieldValue value;
  value.kind = kind;
  value.a = a;
  value.b = b;
  return value;
}
FieldValue Number(double v) { return Make(Kind::number, v); }
FieldValue Angle(double degrees) { return Make(Kind::angle, degrees); }
FieldValue Truth(bool t) {
  FieldValue value = Make(Kind::truth);
  value.truth = t;
  return value;
}
FieldValue None() { return {}; }
FieldValue Maybe(const std::optional<double>& v) { return v ? Number(*v) : None(); }
FieldValue MaybeAngle(const std::optional<double>& v) { return v ? Angle(*v) : None(); }
FieldValue Where(const std::optional<LandCrossing>& at) {
  return at ? Make(Kind::position, at->lat, at->lon) : None();
}

// The composite track of a record asked for it.
const CompositeTrack& CompositeOf(const RouteRecord& r) { return *r.passage.composite(); }

}  // namespace

bool FieldChoice::Holds(FieldGroup group) const {
  switch (group) {
    case FieldGroup::route: return true;
    case FieldGroup::vertex: return vertex;
    case FieldGroup::composite: return composite;
    case FieldGroup::land: return land;
    case FieldGroup::composite_land: return land && composite;
    case FieldGroup::compare: return compare;
    case FieldGroup::compare_record: return compare && records;
    case FieldGroup::always: return true;
    case FieldGroup::hours: return hours;
    case FieldGroup::eta: return eta;
    case FieldGroup::xtd: return xtd;
    case FieldGroup::names: return names;
  }
  return false;
}

const std::vector<Field<RouteRecord>>& RouteFields() {
  using G = FieldGroup;
  using R = RouteRecord;
  static const std::vector<Field<RouteRecord>> fields = {
      {"ge_distance_nm", "NM", "great elliptic distance", G::route,
       [](const R& r) { return Number(r.passage.route().ge_distance_nm); }},
      {"ge_azimuth_fwd", "deg", "great elliptic azimuth leaving the departure", G::route,
       [](const R& r) { return Angle(r.passage.route().ge_azimuth_fwd); }},
      {"ge_azimuth_inv", "deg", "azimuth from the destination back to the departure", G::route,
       [](const R& r) { return Angle(r.passage.route().ge_azimuth_inv); }},
      {"rhumb_course", "deg", "rhumb line course", G::route,
       [](const R& r) { return Angle(r.passage.route().rhumb_course); }},
      {"rhumb_distance_nm", "NM", "rhumb line distance", G::route,
       [](const R& r) { return Number(r.passage.route().rhumb_distance_nm); }},
      {"vertex_lat", "deg", "vertex latitude (--full)", G::vertex,
       [](const R& r) { return Number(r.vertex.lat); }},
      {"vertex_lon", "deg", "vertex longitude (none on a meridian or the equator)", G::vertex,
       [](const R& r) { return Maybe(r.vertex.lon); }},
      {"vertex_on_route", "", "whether the route passes the vertex", G::vertex,
       [](const R& r) { return Truth(r.vertex.on_route); }},
      {"composite", "", "whether keeping within --limit needs a composite track", G::composite,
       [](const R& r) { return Truth(CompositeOf(r).composite); }},
      {"t1_lat", "deg", "T1 latitude: where the track reaches the limit", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).t1_lat); }},
      {"t1_lon", "deg", "T1 longitude", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).t1_lon); }},
      {"t2_lat", "deg", "T2 latitude: where it leaves the limit", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).t2_lat); }},
      {"t2_lon", "deg", "T2 longitude", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).t2_lon); }},
      {"ge1_nm", "NM", "great ellipse to T1", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).ge1_nm); }},
      {"parallel_nm", "NM", "along the limit from T1 to T2", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).parallel_nm); }},
      {"ge2_nm", "NM", "great ellipse from T2", G::composite,
       [](const R& r) { return Maybe(CompositeOf(r).ge2_nm); }},
      {"composite_nm", "NM", "the composite track's length", G::composite,
       [](const R& r) { return Number(CompositeOf(r).total_nm); }},
      {"ge1_course", "deg", "course leaving the departure (none for a part of no length)",
       G::composite, [](const R& r) { return MaybeAngle(CompositeOf(r).ge1_course); }},
      {"parallel_course", "deg", "course along the limit (likewise)", G::composite,
       [](const R& r) { return MaybeAngle(CompositeOf(r).parallel_course); }},
      {"ge2_course", "deg", "course leaving T2 (likewise)", G::composite,
       [](const R& r) { return MaybeAngle(CompositeOf(r).ge2_course); }},
      {"composite_course_final", "deg", "the composite track's course arriving", G::composite,
       [](const R& r) { return Angle(CompositeOf(r).final_course); }},
      {"composite_minus_ge_nm", "NM", "what keeping within the limit costs", G::composite,
       [](const R& r) { return Number(CompositeOf(r).composite_minus_ge_nm); }},
      {"rhumb_minus_composite_nm", "NM", "what it saves over the rhumb line", G::composite,
       [](const R& r) { return Number(CompositeOf(r).rhumb_minus_composite_nm); }},
      {"ge_crosses_land", "deg", "[lat,lon] where the great ellipse first crosses land (--land)",
       G::land, [](const R& r) { return Where(r.ge_land); }},
      {"rhumb_crosses_land", "deg", "the same of the rhumb line", G::land,
       [](const R& r) { return Where(r.rhumb_land); }},
      {"composite_crosses_land", "deg", "the same of the composite track", G::composite_land,
       [](const R& r) { return Where(r.composite_land); }},
      {"ge_course_final", "deg", "great elliptic course arriving (--compare)", G::compare,
       [](const R& r) { return Angle(r.passage.route().ge_course_final); }},
      {"geodesic_nm", "NM", "geodesic distance", G::compare,
       [](const R& r) { return Number(r.comparison.geodesic_nm); }},
      {"geodesic_azimuth_fwd", "deg", "geodesic azimuth leaving the departure", G::compare,
       [](const R& r) { return Angle(r.comparison.geodesic_azimuth_fwd); }},
      {"geodesic_azimuth_final", "deg", "geodesic azimuth arriving", G::compare,
       [](const R& r) { return Angle(r.comparison.geodesic_azimuth_final); }},
      {"sphere_nm", "NM", "the sphere's great circle distance", G::compare,
       [](const R& r) { return Number(r.comparison.sphere_nm); }},
      {"sphere_course", "deg", "its initial course", G::compare,
       [](const R& r) { return Angle(r.comparison.sphere_course); }},
      {"sphere_course_final", "deg", "its final course (CSV and JSON)", G::compare_record,
       [](const R& r) { return Angle(r.comparison.sphere_course_final); }},
      {"ge_minus_geodesic_m", "m", "great ellipse - geodesic", G::compare,
       [](const R& r) { return Number(r.comparison.ge_minus_geodesic_m); }},
      {"sphere_minus_geodesic_nm", "NM", "sphere - geodesic", G::compare,
       [](const R& r) { return Number(r.comparison.sphere_minus_geodesic_nm); }},
      {"rhumb_minus_geodesic_nm", "NM", "rhumb line - geodesic", G::compare,
       [](const R& r) { return Number(r.comparison.rhumb_minus_geodesic_nm); }},
      {"rhumb_minus_geodesic_pct", "%", "the same, of the geodesic", G::compare,
       [](const R& r) { return Number(r.comparison.rhumb_minus_geodesic_pct); }},
      {"ge_geodesic_separation_km", "km",
       "greatest separation of the great-elliptic track from the geodesic", G::compare,
       [](const R& r) { return Number(r.comparison.ge_geodesic_separation_km); }},
  };
  return fields;
}

const std::vector<Field<WaypointRecord>>& WaypointFields() {
  using G = FieldGroup;
  using R = WaypointRecord;
  static const std::vector<Field<WaypointRecord>> fields = {
      {"wp", "", "waypoint number, 0 the departure", G::always,
       [](const R& r) {
         FieldValue value = Make(Kind::integer);
         value.integer = r.row.wp;
         return value;
       }},
      {"name", "", "the name of a voyage's own waypoint (empty on the others)", G::names,
       [](const R& r) {
         FieldValue value = Make(Kind::text);
         value.text = r.row.name;
         return value;
       }},
      {"lat", "deg", "latitude", G::always, [](const R& r) { return Number(r.row.lat); }},
      {"lon", "deg", "longitude", G::always, [](const R& r) { return Number(r.row.lon); }},
      {"azimuth", "deg", "the course to steer leaving the waypoint (none at the destination)",
       G::always, [](const R& r) { return MaybeAngle(r.row.course); }},
      {"leg_nm", "NM", "from the waypoint before (none on row 0)", G::always,
       [](const R& r) { return r.row.wp > 0 ? Number(r.row.leg_nm) : None(); }},
      {"total_nm", "NM", "from the departure (none on row 0)", G::always,
       [](const R& r) { return r.row.wp > 0 ? Number(r.row.total_nm) : None(); }},
      {"hours", "h", "hours from the departure (--speed)", G::hours,
       [](const R& r) { return Number(RowHours(r.row, *r.schedule)); }},
      {"eta", "UTC", "time of arrival (--depart)", G::eta,
       [](const R& r) {
         FieldValue value = Make(Kind::text);
         value.text = r.schedule->EtaAfter(RowHours(r.row, *r.schedule));
         return value;
       }},
  };
  return fields;
}

void AppendFieldText(std::string& line, const FieldValue& v, int decimals) {
  char digits[kNumberBuffer];
  switch (v.kind) {
    case Kind::number: line.append(digits, FormatNumber(digits, v.a, decimals)); break;
    case Kind::angle: line.append(digits, FormatAzimuth(digits, v.a, decimals)); break;
    case Kind::truth: line += v.truth ? "true" : "false"; break;
    case Kind::position:
      line += '[';
      line.append(digits, FormatNumber(digits, v.a, decimals));
      line += ',';
      line.append(digits, FormatNumber(digits, v.b, decimals));
      line += ']';
      break;
    case Kind::integer: line += std::to_string(v.integer); break;
    case Kind::text: line += v.text; break;
    case Kind::none: line += '-'; break;
  }
}

namespace {

FieldValue Text(std::string text) {
  FieldValue value = Make(Kind::text);
  value.text = std::move(text);
  return value;
}
FieldValue Integer(long n) {
  FieldValue value = Make(Kind::integer);
  value.integer = n;
  return value;
}

}  // namespace

const std::vector<Field<VoyageLegRecord>>& VoyageLegFields() {
  using G = FieldGroup;
  using R = VoyageLegRecord;
  static const std::vector<Field<VoyageLegRecord>> fields = {
      {"leg", "", "the leg's number, from 1", G::always,
       [](const R& r) { return Integer(r.leg.number); }},
      {"from", "", "where the leg starts (its name, or its position)", G::always,
       [](const R& r) { return Text(r.from); }},
      {"to", "", "where it ends", G::always, [](const R& r) { return Text(r.to); }},
      {"sailing", "", "great-ellipse, composite (within the limit), rhumb or geodesic", G::always,
       [](const R& r) { return Text(SailingName(r.leg.sailing, r.leg.composite)); }},
      {"distance_nm", "NM", "the leg's length along its track", G::always,
       [](const R& r) { return Number(r.leg.distance_nm); }},
      {"course", "deg", "the initial course (a rhumb line's constant course)", G::always,
       [](const R& r) { return Angle(r.leg.course); }},
      {"course_final", "deg", "the course arriving", G::always,
       [](const R& r) { return Angle(r.leg.course_final); }},
      {"speed_kn", "kn", "the leg's speed (none when not known)", G::always,
       [](const R& r) { return Maybe(r.leg.speed_kn); }},
      {"hours", "h", "the leg's hours (with a speed)", G::always,
       [](const R& r) { return Maybe(r.leg.hours); }},
      {"eta", "UTC", "the time of arrival at `to` (--depart)", G::eta,
       [](const R& r) {
         if (!r.leg.end_hours || !r.voyage.depart()) return None();
         Schedule clock{1.0, r.voyage.depart()};
         return Text(clock.EtaAfter(*r.leg.end_hours));
       }},
      {"total_nm", "NM", "from the voyage's departure to `to`", G::always,
       [](const R& r) { return Number(r.leg.total_nm); }},
      {"from_lat", "deg", "the latitude of `from`", G::always,
       [](const R& r) { return Number(r.leg.from.lat); }},
      {"from_lon", "deg", "its longitude", G::always,
       [](const R& r) { return Number(r.leg.from.lon); }},
      {"to_lat", "deg", "the latitude of `to`", G::always,
       [](const R& r) { return Number(r.leg.to.lat); }},
      {"to_lon", "deg", "its longitude", G::always,
       [](const R& r) { return Number(r.leg.to.lon); }},
      {"xtd_parts", "", "equal parts that keep the rhumb lines within the cross-track limit",
       G::xtd, [](const R& r) { return r.split ? Integer(r.split->parts) : None(); }},
      {"xtd_nm", "NM", "the greatest separation of those rhumb lines from the leg", G::xtd,
       [](const R& r) { return r.split ? Number(r.split->separation_nm) : None(); }},
  };
  return fields;
}

const std::vector<Field<FindingRecord>>& FindingFields() {
  using G = FieldGroup;
  using R = FindingRecord;
  static const std::vector<Field<FindingRecord>> fields = {
      {"severity", "", "fault, or note", G::always,
       [](const R& r) { return Text(r.finding.fault ? "fault" : "note"); }},
      {"kind", "",
       "what was found (separation, short_leg, zero_leg, repeated, duplicate_id, "
       "first_leg, route_name, file_size, land, crosses_180, high_latitude)",
       G::always, [](const R& r) { return Text(KindName(r.finding.kind)); }},
      {"leg", "", "the leg, from 1 (leg k arrives at waypoint k + 1)", G::always,
       [](const R& r) { return r.finding.leg > 0 ? Integer(r.finding.leg) : None(); }},
      {"last_leg", "", "the last of consecutive legs a note covers (high_latitude)", G::always,
       [](const R& r) {
         return r.finding.last_leg > r.finding.leg ? Integer(r.finding.last_leg) : None();
       }},
      {"waypoint", "", "the waypoint, from 1", G::always,
       [](const R& r) { return r.finding.waypoint > 0 ? Integer(r.finding.waypoint) : None(); }},
      {"value_nm", "NM", "the separation or the leg's length", G::always,
       [](const R& r) { return Maybe(r.finding.value_nm); }},
      {"limit_nm", "NM", "the limit it was held to", G::always,
       [](const R& r) { return Maybe(r.finding.limit_nm); }},
      {"lat", "deg", "where", G::always, [](const R& r) { return Maybe(r.finding.lat); }},
      {"lon", "deg", "where", G::always, [](const R& r) { return Maybe(r.finding.lon); }},
      {"message", "", "the finding in words", G::always,
       [](const R& r) { return Text(r.finding.message); }},
  };
  return fields;
}

}  // namespace sailings
