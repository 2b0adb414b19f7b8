// The command line: its subcommands parsed, then the one given run with
// every file it writes held until it succeeds.
#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/route_lines.h"
#include "sailings/coordinates.hpp"
#include "sailings/files.hpp"
#include "sailings/places.hpp"
#include "sailings/records.hpp"
#include "sailings/sailings.hpp"
#include "sailings/schedule.hpp"
#include "sailings/text.hpp"
#include "sailings/waypoints.hpp"
#include "sailings/writers.hpp"

namespace sailings {

// Parses and runs; `out` and `err` are checked by the caller.
int Run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
        const std::filesystem::path& directory) {
  // "-.5" is a number, not an option: write it as "-0.5" for the parser.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    if (arg.size() > 2 && arg[0] == '-' && arg[1] == '.' &&
        std::isdigit(static_cast<unsigned char>(arg[2]))) {
      arg.insert(1, "0");
    }
    args.push_back(std::move(arg));
  }
  std::reverse(args.begin(), args.end());  // CLI11 takes them last first

  CLI::App app{
      "sailings: great elliptic and rhumb line sailings on the WGS-84 ellipsoid.\n"
      "Without arguments it runs the interactive dialogue.",
      "sailings"};
  app.set_version_flag("--version", std::string("sailings ") + Version());
  app.require_subcommand(1, 1);
  Options o;
  // The options that take a value: none may be given an empty one.
  std::vector<std::pair<CLI::Option*, const std::string*>> valued;
  CLI::App* route = AddRouteCommand(app, o, valued);
  CLI::App* table = AddTableCommand(app, o, valued);
  CLI::App* voyage = AddVoyageCommand(app, o, valued);
  CLI::App* check = AddCheckCommand(app, o, valued);
  for (CLI::App* command : {route, table, voyage, check}) {
    valued.emplace_back(command->get_option("--list"), &o.list);
  }

  try {
    app.parse(args);
    // An option given an empty value ('') is refused, never taken as absent.
    for (const auto& [option, value] : valued) {
      if (option->count() > 0 && value->empty()) {
        throw CLI::ValidationError(option->get_name(), "an empty value");
      }
    }
    if (route->parsed()) CheckRouteArguments(*route, o);
    if (!o.sea && (!o.clearance.empty() || !o.avoid.empty()))
      throw CLI::ValidationError(!o.clearance.empty() ? "--clearance" : "--avoid", "needs --sea");
    if (route->parsed() && o.sea) {
      // A sea passage is a voyage of one leg the user gives.
      if (o.positions.empty())
        throw CLI::ValidationError("--sea", "plans FROM TO (standard input's routes: voyage)");
      if (o.compare || o.line || o.full || o.land)
        throw CLI::ValidationError("--sea", "not with --compare, --line, --full or --land");
    }
    if (!o.tolerance.empty() && o.geojson.empty() && o.kml.empty()) {
      throw CLI::ValidationError("--tolerance", "draws the tracks of --geojson and --kml");
    }
    if (voyage->parsed()) CheckVoyageArguments(o);
    if (table->parsed()) CheckTableArguments(*table, o);
  } catch (const CLI::CallForHelp&) {
    out << (route->parsed()    ? route->help()
            : table->parsed()  ? table->help()
            : voyage->parsed() ? voyage->help()
            : check->parsed()  ? check->help()
                               : app.help());
    return kOk;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return kOk;
  } catch (const CLI::CallForVersion&) {
    out << "sailings " << Version() << '\n';
    return kOk;
  } catch (const CLI::ParseError& e) {
    return Usage(err, PrintableText(e.what(), 400));
  }

  if (!o.limit.empty()) {
    // A latitude in the navigator's notation; its hemisphere does not matter
    // (the limit holds north and south). Not inside (0, 90): status 1.
    double limit = 0;
    const Status status = ParseCoordinate(o.limit, Axis::latitude, limit);
    if (status != Status::ok && status != Status::latitude_beyond_90) {
      err << "ERROR: --limit '" << PrintableText(o.limit) << "': " << Describe(status) << '\n';
      return kFailed;
    }
    limit = std::fabs(limit);
    if (status != Status::ok || !(limit > 0 && limit < 90)) {
      err << "ERROR: " << Describe(Status::limit_out_of_range) << '\n';
      return kFailed;
    }
    o.limitDegrees = limit;
  }
  CommandLine commands(in, out, err, directory);
  const int checked = commands.CheckOutputs(o);
  if (checked != kOk) return checked;
  // Every file of the command completed and checked before any replaces
  // what was there: a failure leaves them all as they were.
  OutputBatch files;
  const int status = voyage->parsed()  ? commands.Voyage(o)
                     : check->parsed() ? commands.Check(o)
                     : route->parsed() ? (o.sea ? commands.Voyage(o) : commands.Route(o))
                                       : commands.Table(o);
  std::string why;
  if (status == kOk && !files.Commit(why)) {
    err << "ERROR: cannot write " << PrintableText(why, 400) << '\n';
    return kFailed;
  }
  return status;
}

int RunCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out,
                   std::ostream& err, const std::filesystem::path& directory) {
  const int status = Run(argc, argv, in, out, err, directory);
  // Output that could not be written is a failure, whatever else went well.
  out.flush();
  if (!out) {
    err << "ERROR: standard output could not be written\n";
    return status == kUsage ? kUsage : kFailed;
  }
  return status;
}

}  // namespace sailings