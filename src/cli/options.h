// The command line's options: what the subcommands share (--list,
// --precision, --csv, --json; the map and NMEA files) and how each
// subcommand declares its own, in the file of its command.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace sailings {

// The options that take a value, each with its text: none may be given an
// empty one.
using Valued = std::vector<std::pair<CLI::Option*, const std::string*>>;

// --list, --precision, --csv, --json.
void AddShared(CLI::App& command, Options& o);
// --geojson, --kml, --nmea and how they are written.
void AddMapOptions(CLI::App& command, Options& o, Valued& valued);
// --sea, --clearance, --avoid (sea_option.cpp).
void AddSeaOptions(CLI::App& command, Options& o, Valued& valued);

// Each subcommand with its options and its help (route_command.cpp, ...).
CLI::App* AddRouteCommand(CLI::App& app, Options& o, Valued& valued);
CLI::App* AddTableCommand(CLI::App& app, Options& o, Valued& valued);
CLI::App* AddVoyageCommand(CLI::App& app, Options& o, Valued& valued);
CLI::App* AddCheckCommand(CLI::App& app, Options& o, Valued& valued);
// What CLI11 cannot say of a parsed subcommand's arguments, as a
// CLI::ValidationError.
void CheckRouteArguments(const CLI::App& route, const Options& o);
void CheckTableArguments(const CLI::App& table, const Options& o);
void CheckVoyageArguments(const Options& o);

}  // namespace sailings
