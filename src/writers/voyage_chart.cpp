// A chart of a voyage: every leg along its own track, every waypoint named.
#include <algorithm>
#include <cmath>
#include <map>

#include "elliptic/passage.h"
#include "elliptic/track_line.h"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/chart_frame.h"
#include "writers/output_file.h"
#include "writers/svg_chart.h"

namespace sailings {

namespace {

constexpr long kMostDots = 600;
constexpr std::size_t kVoyageSamples = 20000;  // along the whole voyage

struct Style {
  const char* name;
  const char* colour;
  const char* dash;
};

Style StyleOf(const VoyageLeg& leg) {
  const char* name = TrackName(leg.track());
  switch (leg.track()) {
    case Track::rhumb_line: return {name, "#1f5fbf", "9,6"};
    case Track::geodesic: return {name, "#d35400", ""};
    case Track::composite: return {name, "#1e8449", ""};
    case Track::great_ellipse: break;
  }
  return {name, "#c0392b", ""};
}

TrackLine::Kind KindOf(Track track) {
  switch (track) {
    case Track::rhumb_line: return TrackLine::kRhumbLine;
    case Track::geodesic: return TrackLine::kGeodesic;
    case Track::composite: return TrackLine::kComposite;
    case Track::great_ellipse: break;
  }
  return TrackLine::kGreatEllipse;
}

}  // namespace

struct VoyageChartWriter::State {
  std::filesystem::path file;
  const Voyage& voyage;
  std::string title;
  struct Dot {
    double lat, lon;
  };
  std::vector<Dot> dots;
  long stride = 1, seen = 0;
};

VoyageChartWriter::VoyageChartWriter(const std::filesystem::path& file, const Voyage& voyage,
                                     std::string title)
    : state_(new State{file, voyage, std::move(title), {}}) {}

VoyageChartWriter::~VoyageChartWriter() = default;

void VoyageChartWriter::Row(const Waypoint& row) {
  State& s = *state_;
  if (!row.name.empty() || s.seen++ % s.stride != 0) return;
  // Thinned as they come: when full, every other dot goes and the stride doubles.
  if (static_cast<long>(s.dots.size()) >= kMostDots) {
    for (std::size_t i = 0; i < s.dots.size() / 2; ++i) s.dots[i] = s.dots[2 * i];
    s.dots.resize(s.dots.size() / 2);
    s.stride *= 2;
  }
  s.dots.push_back({row.lat, row.lon});
}

bool VoyageChartWriter::Finish(std::string& error) {
  const State& s = *state_;
  const std::vector<VoyageLeg>& legs = s.voyage.legs();
  if (legs.empty()) {
    error = "a voyage of no legs";
    return false;
  }
  // Every leg sampled along its own track, unwrapped in longitude from the
  // voyage's departure; the whole voyage frames the chart.
  std::vector<std::vector<Point>> tracks(legs.size());
  std::vector<Point> whole;
  const std::size_t per = std::max<std::size_t>(16, kVoyageSamples / legs.size());
  double last = legs.front().from.lon;
  std::vector<Point> ends = {{last, legs.front().from.lat}};
  for (std::size_t i = 0; i < legs.size(); ++i) {
    const VoyageLeg& leg = legs[i];
    const TrackLine line(PassageRecords::Route(leg.passage), KindOf(leg.track()),
                         PassageRecords::Composite(leg.passage));
    for (std::size_t k = 0; k <= per; ++k) {
      const TrackPoint p = line.At(line.length() * static_cast<double>(k) / per);
      double lon = ToDegrees(p.lambda);
      lon += 360.0 * std::round((last - lon) / 360.0);
      last = lon;
      tracks[i].push_back({lon, ToDegrees(TrueLatitude(p.phi))});
    }
    whole.insert(whole.end(), tracks[i].begin(), tracks[i].end());
    ends.push_back(tracks[i].back());
  }
  const ChartFrame chart = FrameTracks({&whole}, whole.front().x, whole.back().x);
  const Projection& projection = chart.projection;
  const Frame& frame = chart.frame;
  const auto pixel = [&](double lat, double lon) {
    return frame.Pixel(projection.Plane(lat, lon));
  };
  // A sea passage is drawn on the coast it was planned round.
  const bool sea =
      std::any_of(legs.begin(), legs.end(), [](const VoyageLeg& leg) { return leg.at_sea; });
  std::string svg = ChartOpen(chart, s.title, {&whole}, sea);

  std::map<std::string, std::pair<Style, double>> sailed;  // kind: style, NM
  for (std::size_t i = 0; i < legs.size(); ++i) {
    const Style style = StyleOf(legs[i]);
    std::vector<Point> pixels;
    for (const Point& ll : tracks[i]) pixels.push_back(pixel(ll.y, ll.x));
    svg +=
        "<path d=\"" + ChartPath(pixels, false) + "\" fill=\"none\" stroke=\"" + style.colour +
        "\" stroke-width=\"2\"" +
        (style.dash[0] ? std::string(" stroke-dasharray=\"") + style.dash + "\"" : std::string()) +
        "/>\n";
    auto& entry = sailed.emplace(style.name, std::pair{style, 0.0}).first->second;
    entry.second += legs[i].distance_nm;
  }
  // The table's waypoints, 8 px apart at least.
  std::string dots;
  Point lastDot{-1e9, -1e9};
  const double lon1 = whole.front().x;
  for (const State::Dot& d : s.dots) {
    const Point p = pixel(d.lat, d.lon + 360.0 * std::round((lon1 - d.lon) / 360.0));
    if (std::hypot(p.x - lastDot.x, p.y - lastDot.y) < 8) continue;
    lastDot = p;
    dots += "<circle cx=\"" + ChartNumber(p.x) + "\" cy=\"" + ChartNumber(p.y) + "\" r=\"2\"/>\n";
  }
  if (!dots.empty()) svg += "<g fill=\"#222222\">\n" + dots + "</g>\n";
  // The voyage's waypoints, each marked and named (or numbered) where its
  // name finds room: the ports first, then the others in order, each name
  // tried on four sides of its mark and left out where it would cover
  // another name or mark.
  struct Box {
    double x0, y0, x1, y1;
    bool Meets(const Box& b) const { return x0 < b.x1 && b.x0 < x1 && y0 < b.y1 && b.y0 < y1; }
  };
  std::vector<Box> taken;
  std::vector<Point> marks;
  for (const Point& e : ends) {
    const Point p = pixel(e.y, e.x);
    marks.push_back(p);
    taken.push_back({p.x - 5, p.y - 5, p.x + 5, p.y + 5});
  }
  std::vector<std::size_t> order = {0, ends.size() - 1};
  for (std::size_t i = 1; i + 1 < ends.size(); ++i) order.push_back(i);
  std::string names;
  for (std::size_t i : order) {
    const bool port = i == 0 || i + 1 == ends.size();
    const std::string& name = i == 0 ? legs[0].from.name : legs[i - 1].to.name;
    // (Numbered from 0, as the waypoint table numbers its rows.)
    const std::string label = name.empty() ? std::to_string(i) : name;
    const double size = port ? 13 : 11;
    const double width = 0.62 * size * static_cast<double>(label.size()), height = size;
    const Point p = marks[i];
    for (const auto& [dx, dy] : {std::pair{7.0, -7.0},
                                 {7.0, 7.0 + height},
                                 {-7.0 - width, -7.0},
                                 {-7.0 - width, 7.0 + height}}) {
      const Box box{p.x + dx, p.y + dy - height, p.x + dx + width, p.y + dy + 2};
      bool free = true;
      for (const Box& b : taken) free = free && !box.Meets(b);
      if (!free && !port) continue;
      taken.push_back(box);
      names += "<text x=\"" + ChartNumber(p.x + dx) + "\" y=\"" + ChartNumber(p.y + dy) +
               "\" font-size=\"" + ChartNumber(size) + "\"" +
               (port ? " font-weight=\"bold\"" : "") + " fill=\"#111111\">" + XmlText(label) +
               "</text>\n";
      break;
    }
  }
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const bool port = i == 0 || i + 1 == marks.size();
    svg += "<circle cx=\"" + ChartNumber(marks[i].x) + "\" cy=\"" + ChartNumber(marks[i].y) +
           "\" r=\"" + (port ? "5" : "3.5") + "\" fill=\"#111111\"/>\n";
  }
  svg += names;
  // The legend: the distance along each kind of track, and the whole.
  std::vector<std::tuple<std::string, const char*, const char*>> legend;
  for (const auto& [name, entry] : sailed) {
    legend.emplace_back(name + " " + ChartNumber(entry.second) + " NM", entry.first.colour,
                        entry.first.dash);
  }
  legend.emplace_back(std::to_string(legs.size()) + (legs.size() == 1 ? " leg, " : " legs, ") +
                          ChartNumber(s.voyage.total_nm()) + " NM",
                      nullptr, "");
  const double lx = kBorder + 8, ly = kBorder + 8;
  svg += "<rect x=\"" + ChartNumber(lx) + "\" y=\"" + ChartNumber(ly) +
         "\" width=\"230\" height=\"" + ChartNumber(10 + 18 * legend.size()) +
         "\" fill=\"#ffffff\" fill-opacity=\"0.85\" stroke=\"#888888\"/>\n";
  for (std::size_t k = 0; k < legend.size(); ++k) {
    const double y = ly + 16 + 18 * k;
    const auto& [text, colour, dash] = legend[k];
    if (colour) {
      svg += "<path d=\"M" + ChartNumber(lx + 8) + " " + ChartNumber(y - 4) + "H" +
             ChartNumber(lx + 40) + "\" stroke=\"" + colour + "\" stroke-width=\"2.5\"" +
             (dash[0] ? std::string(" stroke-dasharray=\"") + dash + "\"" : std::string()) + "/>\n";
    }
    svg += "<text x=\"" + ChartNumber(lx + 48) + "\" y=\"" + ChartNumber(y) +
           "\" font-size=\"12\">" + XmlText(text) + "</text>\n";
  }
  svg += ChartClose(chart);
  OutputTarget target;
  if (!ResolveOutput(s.file, target, error)) return false;
  return AssembleFile(target, {{svg, nullptr}}, error);
}

}  // namespace sailings
