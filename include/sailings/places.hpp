// sailings: named places, and the location list that holds them.
//
// The location list is a text file of lines "NAME<TAB>LATITUDE LONGITUDE",
// each coordinate one token of the notation in coordinates.hpp; blank lines
// are allowed; any other line is skipped with a warning naming it.
//
// A place keeps its position as the program stores every position: as a
// direction from the centre, read back as a latitude in [-90, 90] and a
// longitude in [-180, 180] degrees. What is read back differs from what was
// typed in the last bits (and a longitude of 200 reads -160): a route
// between stored places is solved from what was read back, so that the same
// places give the same figures in every face.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sailings {

// The location list every face reads when no other is named.
inline constexpr const char* kLocationFile = "input.txt";

struct Place {
  std::string name;  // at most 255 bytes
  double lat = 0;    // degrees, [-90, 90], as stored
  double lon = 0;    // degrees, [-180, 180], as stored
};

// The place `name` (cut to 255 bytes) at (lat, lon), degrees, finite (any
// value: a latitude beyond 90 lands beyond the pole, angles are reduced
// modulo 360), as stored.
Place StorePlace(std::string_view name, double lat, double lon);

// Whether two places are one position: latitudes within 1e-8 degrees and
// longitudes within 1e-8 degrees modulo 360, or both at the same pole.
bool SamePosition(const Place& p, const Place& q);

// The places of the location list at `path`, in order; each skipped line is
// told on `warnings` ("input.txt: line 3 skipped: no tab after the name").
// Nothing when the file cannot be opened. The list is read once, so `path`
// may be a pipe; a byte-order mark before the first line is skipped.
std::optional<std::vector<Place>> LoadPlaces(const std::filesystem::path& path,
                                             std::ostream& warnings);

// The first place whose name equals `name` without regard to the case of
// ASCII letters, or null.
const Place* FindPlace(const std::vector<Place>& places, std::string_view name);

}  // namespace sailings
