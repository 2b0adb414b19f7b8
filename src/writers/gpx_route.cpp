#include "writers/gpx_route.h"

#include <charconv>
#include <cstring>

#include "elliptic/ellipsoid.h"
#include "text/fixed_format.h"
#include "writers/route_file.h"
#include "text/printable.h"

namespace sailings {

GpxRoute::GpxRoute(const std::filesystem::path& file, std::string name, std::string placement)
    : name_(std::move(name)), placement_(std::move(placement)) {
  if (ResolveOutput(file, target_, unusable_)) points_.emplace(target_, "points");
}

void GpxRoute::Row(const WaypointRow& row) {
  Point(row.latitude, row.longitude);
  total_ = row.total;
}

void GpxRoute::Point(double latitude, double longitude) {
  // One line, formatted in place: this runs for every row of long tables.
  char line[1200];  // two numbers of at most 400 characters and the markup
  char* p = line;
  const auto append = [&p](const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    p += n;
  };
  append("    <rtept lat=\"");
  // The true position: a carried pole or equator latitude is notation only.
  p = Degrees8(p, ToDegrees(TrueLatitude(latitude)));
  append("\" lon=\"");
  p = Longitude8(p, ToDegrees(longitude));
  append("\"><name>");
  p = WaypointName(p, count_++);
  append("</name></rtept>\n");
  if (points_) points_->Write(std::string_view(line, static_cast<std::size_t>(p - line)));
}

bool GpxRoute::Finish(std::string& error) {
  if (!points_) {
    error = unusable_;
    return false;
  }
  if (!points_->Close(error)) return false;
  char total[400];
  const char* totalEnd = FormatFixed(total, ToNauticalMiles(total_), 6);
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"sailings\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      "  <rte>\n"
      "    <name>" + XmlText(name_) + "</name>\n"
      "    <desc>" + XmlText(placement_) + "; total distance " +
      std::string(static_cast<const char*>(total), totalEnd) + " NM</desc>\n";
  return AssembleFile(target_, {{head, nullptr}, {{}, &*points_}, {"  </rte>\n</gpx>\n", nullptr}},
                      error);
}

}  // namespace sailings
