// The options the subcommands share.
#include "cli/options.h"

namespace sailings {

void AddShared(CLI::App& command, Options& o) {
  command.add_option("--list", o.list,
                     "The location list for place names (default: input.txt, when it exists)");
  command
      .add_option("-p,--precision", o.decimals,
                  "Decimals of the route figures and of CSV and JSON numbers (0 to 12; the "
                  "text table keeps the dialogue's format)")
      ->check(CLI::Range(0, 12));
  auto* csv = command.add_flag("--csv", o.csv, "Comma-separated values with one header row");
  auto* json = command.add_flag("--json", o.json, "JSON Lines: one object per route or row");
  csv->excludes(json);
}

void AddMapOptions(CLI::App& command, Options& o, Valued& valued) {
  auto* geojson = command.add_option(
      "--geojson", o.geojson,
      "Also write FILE as GeoJSON (RFC 7946): each track densified, split at the 180th meridian");
  auto* kml = command.add_option("--kml", o.kml,
                                 "Also write FILE as KML 2.2 (Google Earth, chart viewers)");
  auto* nmea = command.add_option(
      "--nmea", o.nmea,
      "Also write FILE as NMEA 0183 WPL and RTE sentences (autopilots, plotters)");
  auto* tolerance = command.add_option(
      "--tolerance", o.tolerance,
      "GeoJSON and KML: no chord strays more than NM from the true track (default 0.1)");
  auto* talker = command.add_option("--talker", o.talker, "NMEA: the talker (default GP)");
  auto* length =
      command.add_option("--name-length", o.nameLength,
                         "NMEA: waypoint names cut to N characters (default 6), each told apart");
  talker->needs(nmea);
  length->needs(nmea);
  for (const auto& [option, value] :
       std::initializer_list<std::pair<CLI::Option*, const std::string*>>{
           {geojson, &o.geojson},
           {kml, &o.kml},
           {nmea, &o.nmea},
           {tolerance, &o.tolerance},
           {talker, &o.talker},
           {length, &o.nameLength}}) {
    valued.emplace_back(option, value);
  }
}

}  // namespace sailings
