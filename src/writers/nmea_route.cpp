// The table as NMEA 0183 waypoint (WPL) and route (RTE) sentences.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "sailings/writers.hpp"
#include "writers/route_file.h"

namespace sailings {

namespace {

constexpr std::size_t kMaxSentence = 82;  // characters, from '$' to CR LF
constexpr std::size_t kRouteIdLength = 12;

// The accented Latin letters of U+00C0 to U+00FF without their accent ('_'
// where there is no plain letter).
constexpr const char* kLatin1 = "AAAAAAACEEEEIIII_NOOOOO_OUUUUY__aaaaaaaceeeeiiii_nooooo_ouuuuy_y";

// `text` as NMEA text: printable ASCII but for what NMEA reserves.
std::string NmeaText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7f) {
      out += std::string_view("$*,!\\^~").find(static_cast<char>(c)) == std::string_view::npos
                 ? static_cast<char>(c)
                 : '_';
      ++i;
      continue;
    }
    // A two-byte UTF-8 letter of Latin-1 keeps its plain letter.
    const unsigned char d = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0xC3 && (d & 0xC0) == 0x80) {
      out += kLatin1[d & 0x3F];  // U+00C0 + (d - 0x80)
      i += 2;
      continue;
    }
    out += '_';
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return out;
}

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  std::size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  return s.substr(k);
}

std::string Cut(const std::string& s, std::size_t n) { return Trim(s.substr(0, n)); }

// "$<body>*hh\r\n".
std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum & 0xFF);
  return "$" + body + tail;
}

// ddmm.mmmm,N (width 2 for latitudes, 3 for longitudes), the minutes
// rounded to 4 decimals (a carry reaches the degrees).
std::string DegreesMinutes(double degrees, int width, char positive, char negative) {
  const long long units = std::llround(std::fabs(degrees) * 600000.0);  // 1e-4 minutes
  char text[40];
  std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld,%c", width, units / 600000,
                units % 600000 / 10000, units % 10000,
                units == 0 || degrees >= 0 ? positive : negative);
  return text;
}

std::size_t Digits(long n) { return std::to_string(n).size(); }

}  // namespace

bool IsNmeaTalker(const std::string& talker) {
  return talker.size() == 2 && talker[0] >= 'A' && talker[0] <= 'Z' && talker[1] >= 'A' &&
         talker[1] <= 'Z';
}

struct NmeaWriter::State {
  State(RouteFile f, std::string r, const NmeaOptions& o)
      : file(std::move(f)), route(std::move(r)), options(o) {}
  RouteFile file;  // part 0 the WPL sentences, part 1 the route's names, a sentence a line
  std::string route;
  NmeaOptions options;
  std::string error;  // the first refusal
  struct Named {
    std::string full, position;
  };
  std::map<std::string, Named> names;  // the names written, of the rows that have one
  std::set<long> namedRows;            // the rows that have a name
  std::string sentence;                // the route's names not yet given a sentence
  long sentences = 0;

  // Room for the names in one RTE sentence: the line less its fixed parts,
  // with room kept for counts of up to 6 digits.
  std::size_t Room() const {
    return kMaxSentence - (std::string("$") + options.talker + "RTE,").size() - 7 - 7 - 2 -
           route.size() - 1 - 5;
  }

  void ListInRoute(const std::string& name) {
    if (!sentence.empty() && sentence.size() + 1 + name.size() > Room()) Flush();
    if (!sentence.empty()) sentence += ',';
    sentence += name;
  }
  void Flush() {
    if (sentence.empty()) return;
    file.Write(1, sentence + "\n");
    sentence.clear();
    ++sentences;
  }

  // WP000, WP001, ... as GPX numbers them, in `length` characters at most.
  bool Numbered(long wp, std::string& name) {
    const std::size_t n = static_cast<std::size_t>(options.name_length);
    const std::size_t pad = n >= 5 ? 3 : n - 2;
    if (n < 3 || 2 + Digits(wp) > n) {
      const long most = n < 3 ? 0 : static_cast<long>(std::pow(10.0, static_cast<double>(n - 2)));
      error = "names of " + std::to_string(n) + " characters number at most " +
              std::to_string(most) + " waypoints without names (WP" + std::string(pad, '0') +
              " on); this table has more: give a longer --name-length";
      return false;
    }
    const std::string digits = std::to_string(wp);
    name = "WP" + std::string(pad > digits.size() ? pad - digits.size() : 0, '0') + digits;
    return true;
  }

  // `base` made unique: NAME2, NAME3, ... in the same length.
  bool Unique(const std::string& base, std::string& name) {
    const std::size_t n = static_cast<std::size_t>(options.name_length);
    for (long k = 2; k < 1000000; ++k) {
      const std::string suffix = std::to_string(k);
      if (suffix.size() >= n) break;
      const std::string candidate = Cut(base, n - suffix.size()) + suffix;
      if (!names.count(candidate) && !TakenByNumber(candidate)) {
        name = candidate;
        return true;
      }
    }
    error = "cannot make the name '" + base + "' unique in " + std::to_string(n) + " characters";
    return false;
  }

  // Whether `name` is the number of an earlier row without a name.
  bool TakenByNumber(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "WP") != 0) return false;
    long wp = 0;
    const char* end = name.data() + name.size();
    const auto [ptr, ec] = std::from_chars(name.data() + 2, end, wp);
    if (ec != std::errc() || ptr != end || namedRows.count(wp) || wp >= current) return false;
    std::string numbered;
    const std::string keep = error;
    const bool fits = Numbered(wp, numbered);
    error = keep;
    return fits && numbered == name;
  }

  long current = 0;  // the row being written
};

NmeaWriter::NmeaWriter(const std::filesystem::path& file, std::string route_name,
                       const NmeaOptions& options)
    : state_(new State(RouteFile(file, {"waypoints", "route"}),
                       Cut(NmeaText(route_name), kRouteIdLength), options)) {}

NmeaWriter::~NmeaWriter() = default;

void NmeaWriter::Row(const Waypoint& row) {
  State& s = *state_;
  if (!s.error.empty()) return;
  s.current = row.wp;
  const std::size_t n = static_cast<std::size_t>(s.options.name_length);
  const std::string position = DegreesMinutes(row.lat, 2, 'N', 'S') + "," +
                               DegreesMinutes(row.lon == 180.0 ? -180.0 : row.lon, 3, 'E', 'W');
  std::string name;
  const std::string full = Trim(NmeaText(row.name));
  if (full.empty()) {
    if (!s.Numbered(row.wp, name)) return;
    if (s.names.count(name) && !s.Unique(name, name)) return;
    s.names.erase(name);  // (a number is never looked up again)
  } else {
    s.namedRows.insert(row.wp);
    name = Cut(full, n);
    const auto seen = s.names.find(name);
    if (seen != s.names.end()) {
      if (seen->second.full != full) {
        s.error = "waypoints '" + seen->second.full + "' and '" + full + "' are both '" + name +
                  "' in " + std::to_string(n) +
                  " characters: give a longer --name-length or "
                  "other names";
        return;
      }
      if (seen->second.position == position) {  // the same waypoint again
        s.ListInRoute(name);
        return;
      }
      if (!s.Unique(full, name)) return;
    } else if (s.TakenByNumber(name) && !s.Unique(full, name)) {
      return;
    }
    s.names[name] = {full, position};
  }
  s.file.Write(0, Sentence(s.options.talker + "WPL," + position + "," + name));
  s.ListInRoute(name);
}

bool NmeaWriter::Finish(std::string& error) {
  State& s = *state_;
  if (!s.error.empty()) {
    error = s.error;
    return false;
  }
  s.Flush();
  const long total = s.sentences;
  long number = 0;
  const std::string head = s.options.talker + "RTE," + std::to_string(total) + ",";
  if (!s.file.Rewrite(
          1,
          [&](std::string_view names) {
            return Sentence(head + std::to_string(++number) + ",c," + s.route + "," +
                            std::string(names));
          },
          error)) {
    return false;
  }
  return s.file.Finish({{{}, 0}, {{}, 1}}, error);
}

}  // namespace sailings
