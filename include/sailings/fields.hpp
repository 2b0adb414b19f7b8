// sailings: the fields of the library's records, one schema per record:
// each field's name, unit, meaning and how to get it. The same schema gives
// a CSV header, the keys of a JSON object, the values of a line of text and
// the list of fields a face's help shows, so no two of them can disagree.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sailings/check.hpp"
#include "sailings/passage.hpp"
#include "sailings/schedule.hpp"
#include "sailings/voyage.hpp"
#include "sailings/waypoints.hpp"

namespace sailings {

class RecordWriter;

// One value of a record.
struct FieldValue {
  enum class Kind {
    none,      // nothing there: an empty CSV cell, JSON null, "-" in text
    number,    // `a`
    angle,     // `a`, an azimuth or course in degrees: never written 360
    truth,     // `truth`
    position,  // (`a`, `b`): latitude and longitude, degrees
    integer,   // `integer`
    text,      // `text`
  };
  Kind kind = Kind::none;
  double a = 0, b = 0;
  bool truth = false;
  long integer = 0;
  std::string text;
};

// Everything known of one solved route: the passage and what was asked of it.
struct RouteRecord {
  Passage passage;
  Vertex vertex;  // when the vertex fields are asked
  std::optional<LandCrossing> ge_land, rhumb_land, composite_land;  // when land is asked
  Comparison comparison;                                            // when the comparison is asked
};

// Which fields a record holds.
enum class FieldGroup {
  route,           // always
  vertex,          // the vertex
  composite,       // a limiting latitude's composite track
  land,            // where the great ellipse and the rhumb line cross land
  composite_land,  // where the composite track does (land and composite)
  compare,         // the geodesic and the sphere
  compare_record,  // comparison fields of CSV and JSON only (the text line's fifteen
                   // comparison figures are fixed)
  always,          // a table's fields of every row
  hours,           // a table's hours from the departure (with a speed)
  eta,             // a table's times of arrival (with a speed and a departure time)
  xtd,             // a voyage's legs split for a cross-track limit
  names,           // a voyage's table: the names of its own waypoints
};

template <typename Record>
struct Field {
  const char* name;     // CSV header and JSON key
  const char* unit;     // "NM", "deg", "m", "km", "%", "" for none
  const char* meaning;  // for a person: "great elliptic distance"
  FieldGroup group;
  FieldValue (*get)(const Record&);
};

// One row of a waypoint table, with the passage's schedule (may be null).
struct WaypointRecord {
  const Waypoint& row;
  const Schedule* schedule;
};

// One leg of a voyage: `from` and `to` as a person reads them (the names,
// or the positions), the departure time, and the split for a cross-track
// limit (may be null).
struct VoyageLegRecord {
  const VoyageLeg& leg;
  const std::string& from;
  const std::string& to;
  const Voyage& voyage;
  const CrossTrackSplit* split;
};

// One finding of a route check.
struct FindingRecord {
  const Finding& finding;
};

// The route's fields in order, the table's, a voyage leg's, a finding's.
const std::vector<Field<RouteRecord>>& RouteFields();
const std::vector<Field<WaypointRecord>>& WaypointFields();
const std::vector<Field<VoyageLegRecord>>& VoyageLegFields();
const std::vector<Field<FindingRecord>>& FindingFields();

// The name of a sailing in records and messages: "great-ellipse",
// "rhumb", "geodesic", and "composite" for a great-elliptic leg kept within
// a limit.
const char* SailingName(Sailing sailing, bool composite = false);

// What is asked: each group in or out.
struct FieldChoice {
  bool vertex = false, composite = false, land = false, compare = false;
  bool records = false;  // CSV or JSON (compare_record)
  bool hours = false, eta = false;
  bool xtd = false;
  bool names = false;
  // Whether `group` is in.
  bool Holds(FieldGroup group) const;
};

// The fields of `all` in `choice`, in order: the same for every record.
template <typename Record>
std::vector<const Field<Record>*> ChooseFields(const std::vector<Field<Record>>& all,
                                               const FieldChoice& choice) {
  std::vector<const Field<Record>*> chosen;
  for (const Field<Record>& field : all) {
    if (choice.Holds(field.group)) chosen.push_back(&field);
  }
  return chosen;
}

// The names of `fields`, in order.
template <typename Record>
std::vector<const char*> FieldNames(const std::vector<const Field<Record>*>& fields) {
  std::vector<const char*> names;
  for (const auto* field : fields) names.push_back(field->name);
  return names;
}

// `value` as a line of text writes it, with `decimals` (0 to 12): numbers by
// the number writer, "true"/"false", "[lat,lon]", "-" for none.
void AppendFieldText(std::string& line, const FieldValue& value, int decimals);

// The same fields of a record as a line of text: the values divided by
// single blanks, ended by a newline.
template <typename Record>
void AppendRecordText(std::string& line, const std::vector<const Field<Record>*>& fields,
                      const Record& record, int decimals) {
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) line += ' ';
    AppendFieldText(line, fields[k]->get(record), decimals);
  }
  line += '\n';
}

// A list of `fields` for a help text: one line each, "  name  unit  meaning".
template <typename Record>
std::string FieldList(const std::vector<const Field<Record>*>& fields) {
  std::string list;
  for (const Field<Record>* field : fields) {
    std::string line = std::string("  ") + field->name;
    line.resize(30, ' ');
    line += field->unit;
    line.resize(36, ' ');
    list += line + field->meaning + '\n';
  }
  return list;
}
template <typename Record>
std::string FieldList(const std::vector<Field<Record>>& fields) {
  std::vector<const Field<Record>*> all;
  for (const Field<Record>& field : fields) all.push_back(&field);
  return FieldList(all);
}

}  // namespace sailings
