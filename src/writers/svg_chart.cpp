#include "writers/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <tuple>

#include "land/coast.h"
#include "land/land.h"
#include "sailings/coordinates.hpp"
#include "sailings/text.hpp"
#include "sailings/writers.hpp"
#include "writers/chart_frame.h"
#include "writers/output_file.h"

namespace sailings {

namespace {

constexpr int kTrackSamples = 400;  // per track
constexpr long kMostDots = 300;

std::string Num(double v) {
  char text[400];
  return std::string(text, FormatNumber(text, std::isfinite(v) ? v : 0.0, 1));
}

std::string PathData(const std::vector<Point>& pixels, bool closed) {
  std::string d;
  const std::vector<Point> points = Simplify(pixels, 0.3);
  for (std::size_t i = 0; i < points.size(); ++i) {
    d += (i == 0 ? "M" : "L") + Num(points[i].x) + " " + Num(points[i].y);
  }
  if (closed && !d.empty()) d += "Z";
  return d;
}

// A track's positions from a generator, unwrapped in longitude from the first.
class TrackPoints : public RowSink {
 public:
  void Row(const WaypointRow& row) override {
    double lon = ToDegrees(row.longitude);
    if (!lonlat_.empty()) lon += 360.0 * std::round((lonlat_.back().x - lon) / 360.0);
    lonlat_.push_back({lon, ToDegrees(TrueLatitude(row.latitude))});
  }
  const std::vector<Point>& points() const { return lonlat_; }  // (lon, lat)

 private:
  std::vector<Point> lonlat_;
};

// A graticule label: whole degrees with the side's letter.
std::string Degrees(double value, bool latitude) {
  return latitude ? FormatCoordinate(value, Axis::latitude, CoordinateStyle::degrees, 0)
                  : FormatCoordinate(std::remainder(value, 360.0), Axis::longitude,
                                     CoordinateStyle::degrees, 0);
}

double NiceStep(double extent) {
  for (double step : {1.0, 2.0, 5.0, 10.0, 15.0, 20.0, 30.0, 45.0}) {
    if (extent / step <= 8) return step;
  }
  return 60;
}

}  // namespace

std::string ChartNumber(double v) { return Num(v); }
std::string ChartPath(const std::vector<Point>& pixels, bool closed) {
  return PathData(pixels, closed);
}

// The chart's opening: the picture, its title and metadata, the sea, the
// land of every ring that reaches the frame and the graticule (up to the
// tracks' reach on a polar chart). The drawing continues inside the frame's
// clip; ChartClose() ends it.
std::string ChartOpen(const ChartFrame& chart, const std::string& title,
                      const std::vector<const std::vector<Point>*>& tracks, bool coast) {
  const Projection& projection = chart.projection;
  const Frame& frame = chart.frame;
  const double W = frame.width() + 2 * kBorder, H = frame.height() + 2 * kBorder;
  const auto pixel = [&](double lat, double lon) {
    return frame.Pixel(projection.Plane(lat, lon));
  };

  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
      Num(W) + "\" height=\"" + Num(H) + "\" viewBox=\"0 0 " + Num(W) + " " + Num(H) +
      "\">\n"
      "<title>" +
      XmlText(title) + "</title>\n";
  char meta[600];
  if (projection.polar) {
    std::snprintf(meta, sizeof meta,
                  "projection=polar pole=%d center=%.9f x0=%.9f y0=%.9f scale=%.9f",
                  projection.pole > 0 ? 1 : -1, projection.center, frame.x0, frame.y1, frame.scale);
  } else {
    std::snprintf(meta, sizeof meta, "projection=mercator x0=%.9f y0=%.9f scale=%.9f", frame.x0,
                  frame.y1, frame.scale);
  }
  svg += "<metadata>" + std::string(meta) + " left=" + Num(kBorder) + " top=" + Num(kBorder) +
         " width=" + Num(frame.width()) + " height=" + Num(frame.height()) + "</metadata>\n";
  const std::string box = "x=\"" + Num(kBorder) + "\" y=\"" + Num(kBorder) + "\" width=\"" +
                          Num(frame.width()) + "\" height=\"" + Num(frame.height()) + "\"";
  svg += "<defs><clipPath id=\"frame\"><rect " + box +
         "/></clipPath></defs>\n"
         "<rect width=\"" +
         Num(W) + "\" height=\"" + Num(H) +
         "\" fill=\"#ffffff\"/>\n"
         "<g clip-path=\"url(#frame)\" font-family=\"sans-serif\">\n"
         "<rect " +
         box + " fill=\"#cfe6f5\"/>\n";

  // The land: every ring (a turn either way on Mercator) that reaches the
  // frame; of the sea passages' 1:10m coastline where asked and at hand.
  std::string land;
  const double slack = 2.0;  // degrees of plane beyond the frame
  const Coast* detailed = coast ? Coast::Get() : nullptr;
  const auto drawRings = [&](const auto& rings) {
    for (const auto& ring : rings) {
      for (int shift = -1; shift <= 1; ++shift) {
        if (projection.polar && shift != 0) continue;
        std::vector<Point> pixels;
        bool reaches = false;
        const auto add = [&](double lat, double lon) {
          const Point q = projection.Plane(lat, lon + 360.0 * shift);
          reaches = reaches || frame.Near(q, slack + (frame.x1 - frame.x0));
          pixels.push_back(frame.Pixel(q));
        };
        for (std::size_t i = 0; i < ring.size(); ++i) {
          // A long edge (a ring closed over its pole runs round the pole) is
          // followed in steps of 2 degrees: on a polar chart it is a circle.
          if (i > 0) {
            const auto& p = ring[i - 1];
            const int steps = static_cast<int>(std::fabs(ring[i].lon - p.lon) / 2.0);
            for (int k = 1; k < steps; ++k) {
              const double f = static_cast<double>(k) / steps;
              add(p.lat + f * (ring[i].lat - p.lat), p.lon + f * (ring[i].lon - p.lon));
            }
          }
          add(ring[i].lat, ring[i].lon);
        }
        if (!reaches) continue;
        double px0 = 1e300, px1 = -1e300, py0 = 1e300, py1 = -1e300;
        for (const Point& p : pixels) {
          px0 = std::min(px0, p.x), px1 = std::max(px1, p.x), py0 = std::min(py0, p.y),
          py1 = std::max(py1, p.y);
        }
        if (px1 < 0 || px0 > W || py1 < 0 || py0 > H) continue;
        // (An island smaller than a pixel is none on the chart.)
        if (detailed) {
          // (An island smaller than a pixel or two is none on the chart;
          // the coast beyond the frame is drawn along a box round it,
          // farther out than any edge of the data is long.)
          if (px1 - px0 < 1.5 && py1 - py0 < 1.5) continue;
          constexpr double kBox = 40;  // pixels
          for (Point& p : pixels) {
            p.x = std::clamp(p.x, -kBox, W + kBox), p.y = std::clamp(p.y, -kBox, H + kBox);
          }
          pixels = Simplify(pixels, 0.6);
        }
        land += PathData(pixels, true);
      }
    }
  };
  if (detailed) {
    drawRings(detailed->rings());
  } else {
    drawRings(LandRings());
  }
  if (!land.empty()) {
    svg += "<path d=\"" + land +
           "\" fill=\"#dccb9c\" stroke=\"#9c8a5c\" stroke-width=\"0.6\" "
           "fill-rule=\"evenodd\"/>\n";
  }
  if (detailed) {  // the data's scale, where the passage was planned on it
    // (On a pale box at the frame's foot, above the longitudes' labels.)
    const double right = kBorder + frame.width() - 4, foot = kBorder + frame.height() - 20;
    svg += "<rect x=\"" + Num(right - 318) + "\" y=\"" + Num(foot - 12) +
           "\" width=\"320\" height=\"16\" fill=\"#ffffff\" fill-opacity=\"0.8\"/>\n"
           "<text x=\"" +
           Num(right - 2) + "\" y=\"" + Num(foot) +
           "\" font-size=\"11\" text-anchor=\"end\" fill=\"#46627a\">coast: Natural Earth 1:10m, "
           "ocean scale, not for pilotage</text>\n";
  }

  // The graticule.
  std::string grid, labels;
  if (!projection.polar) {
    const double step = NiceStep(frame.x1 - frame.x0);
    for (double lon = std::ceil(frame.x0 / step) * step; lon <= frame.x1; lon += step) {
      const double x = frame.Pixel({lon, 0}).x;
      grid += "M" + Num(x) + " " + Num(kBorder) + "V" + Num(kBorder + frame.height());
      labels += "<text x=\"" + Num(x + 3) + "\" y=\"" + Num(kBorder + frame.height() - 4) + "\">" +
                Degrees(lon, false) + "</text>\n";
    }
    double south = -85, north = 85;
    for (double lat = -85; lat <= 85; lat += 0.5) {  // the latitudes in the frame
      const double y = projection.Plane(lat, 0).y;
      if (y < frame.y0) south = lat;
      if (y > frame.y1) {
        north = lat;
        break;
      }
    }
    const double latStep = NiceStep(north - south);
    for (double lat = std::ceil(south / latStep) * latStep; lat <= north; lat += latStep) {
      const double y = pixel(lat, 0).y;
      if (y < kBorder || y > kBorder + frame.height()) continue;
      grid += "M" + Num(kBorder) + " " + Num(y) + "H" + Num(kBorder + frame.width());
      labels += "<text x=\"" + Num(kBorder + 3) + "\" y=\"" + Num(y - 3) + "\">" +
                Degrees(lat, true) + "</text>\n";
    }
  } else {
    const double pole = projection.pole;
    double farthest = 0;  // the lowest latitude the frame shows, from the pole
    for (const auto* t : tracks) {
      for (const Point& ll : *t) farthest = std::max(farthest, 90 - pole * ll.y);
    }
    farthest = std::min(farthest, 90 + kFrameReach);
    const double step = NiceStep(farthest + 10);
    for (double away = step; away < farthest + step && away <= 90 + kFrameReach; away += step) {
      std::vector<Point> circle;
      for (int k = 0; k <= 180; ++k) circle.push_back(pixel(pole * (90 - away), 2.0 * k));
      grid += PathData(circle, false);
      const Point at = pixel(pole * (90 - away), projection.center);
      labels += "<text x=\"" + Num(at.x + 3) + "\" y=\"" + Num(at.y - 3) + "\">" +
                Degrees(pole * (90 - away), true) + "</text>\n";
    }
    for (int lon = -180; lon < 180; lon += 30) {
      const Point a = pixel(pole * 90, lon), b = pixel(pole * -kFrameReach, lon);
      grid += "M" + Num(a.x) + " " + Num(a.y) + "L" + Num(b.x) + " " + Num(b.y);
      const Point at = pixel(pole * (90 - step * 0.5), lon);
      labels += "<text x=\"" + Num(at.x + 2) + "\" y=\"" + Num(at.y) + "\">" + Degrees(lon, false) +
                "</text>\n";
    }
  }
  svg += "<path d=\"" + grid + "\" fill=\"none\" stroke=\"#7a9bb5\" stroke-width=\"0.5\"/>\n";
  svg += "<g font-size=\"11\" fill=\"#46627a\">\n" + labels + "</g>\n";

  return svg;
}

std::string ChartClose(const ChartFrame& chart) {
  const Frame& frame = chart.frame;
  const std::string box = "x=\"" + Num(kBorder) + "\" y=\"" + Num(kBorder) + "\" width=\"" +
                          Num(frame.width()) + "\" height=\"" + Num(frame.height()) + "\"";
  return "</g>\n<rect " + box + " fill=\"none\" stroke=\"#333333\" stroke-width=\"1\"/>\n</svg>\n";
}

SvgChart::SvgChart(const std::filesystem::path& file, const RouteGeometry& route, std::string from,
                   std::string to, const CompositeSailing* composite, long rows)
    : file_(file),
      route_(route),
      from_(std::move(from)),
      to_(std::move(to)),
      hasComposite_(composite && composite->composite),
      composite_(composite ? *composite : CompositeSailing()),
      stride_(std::max(1L, rows / kMostDots)) {}

void SvgChart::Row(long number, double lat, double lon) {
  if (number % stride_ == 0) dots_.push_back({number, lat, lon});
}

struct ChartWriter::State {
  SvgChart chart;
};

ChartWriter::ChartWriter(const std::filesystem::path& file, const Passage& passage,
                         std::string from, std::string to, long rows)
    : state_(std::make_unique<State>(
          State{SvgChart(file, PassageRecords::Route(passage), std::move(from), std::move(to),
                         PassageRecords::Composite(passage), rows)})) {}

ChartWriter::~ChartWriter() = default;

void ChartWriter::Row(const Waypoint& row) { state_->chart.Row(row.wp, row.lat, row.lon); }

bool ChartWriter::Finish(std::string& error) { return state_->chart.Finish(error); }

bool SvgChart::Finish(std::string& error) {
  const RouteGeometry& g = route_;
  // The tracks, sampled along their own lengths.
  TrackPoints ellipse, rhumb, composite;
  GreatEllipseTable(g, kTrackSamples - 1, std::fabs(g.distance) / kTrackSamples, ellipse);
  RhumbLineTable(g, kTrackSamples - 1, g.loxoDistance / kTrackSamples, rhumb);
  if (hasComposite_) {
    CompositeTable(g, composite_, kTrackSamples - 1, composite_.total / kTrackSamples, composite);
  }
  std::vector<const std::vector<Point>*> tracks = {&ellipse.points(), &rhumb.points()};
  if (hasComposite_) tracks.push_back(&composite.points());

  const ChartFrame chart = FrameTracks(tracks, ToDegrees(g.lon1), ToDegrees(g.lon2));
  const Projection& projection = chart.projection;
  const Frame& frame = chart.frame;
  const auto pixel = [&](double lat, double lon) {
    return frame.Pixel(projection.Plane(lat, lon));
  };
  std::string svg = ChartOpen(chart, from_ + " to " + to_, tracks);

  // The limiting parallel.
  if (hasComposite_) {
    std::vector<Point> parallel;
    const double L = ToDegrees(composite_.t1Phi);
    for (int k = -180; k <= 540; k += 2) parallel.push_back(pixel(L, k));
    svg += "<path d=\"" + PathData(parallel, false) +
           "\" fill=\"none\" stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"2,4\"/>\n";
  }
  // The tracks, unwrapped from the departure.
  const auto track = [&](const std::vector<Point>& lonlat, const char* colour, const char* dash,
                         double width) {
    std::vector<Point> pixels;
    for (const Point& ll : lonlat) pixels.push_back(pixel(ll.y, ll.x));
    svg += "<path d=\"" + PathData(pixels, false) + "\" fill=\"none\" stroke=\"" + colour +
           "\" stroke-width=\"" + Num(width) + "\"" +
           (dash[0] ? std::string(" stroke-dasharray=\"") + dash + "\"" : std::string()) + "/>\n";
  };
  track(rhumb.points(), "#1f5fbf", "9,6", 2);
  if (hasComposite_) track(composite.points(), "#1e8449", "", 2.5);
  track(ellipse.points(), "#c0392b", "", 2);

  // The waypoints: dots at least 8 px apart, numbered 28 px apart.
  const double lon1 = ToDegrees(g.lon1);
  std::string dots, numbers;
  Point lastDot{-1e9, -1e9}, lastNumber{-1e9, -1e9};
  for (const Dot& d : dots_) {
    const Point p = pixel(d.lat, d.lon + 360.0 * std::round((lon1 - d.lon) / 360.0));
    if (std::hypot(p.x - lastDot.x, p.y - lastDot.y) < 8) continue;
    lastDot = p;
    dots += "<circle cx=\"" + Num(p.x) + "\" cy=\"" + Num(p.y) + "\" r=\"2.5\"/>\n";
    if (std::hypot(p.x - lastNumber.x, p.y - lastNumber.y) >= 28) {
      lastNumber = p;
      numbers += "<text x=\"" + Num(p.x + 4) + "\" y=\"" + Num(p.y + 12) + "\">" +
                 std::to_string(d.number) + "</text>\n";
    }
  }
  if (!dots.empty()) {
    svg += "<g fill=\"#222222\">\n" + dots + "</g>\n<g font-size=\"9\" fill=\"#222222\">\n" +
           numbers + "</g>\n";
  }
  // The vertex, the departure and the destination.
  const RouteVertex vertex = FindVertex(g);
  if (vertex.kind == RouteVertex::kPoint) {
    const double vlon = ToDegrees(vertex.lambda);
    const Point v = pixel(ToDegrees(vertex.phi), vlon + 360.0 * std::round((lon1 - vlon) / 360.0));
    svg += "<path d=\"M" + Num(v.x) + " " + Num(v.y - 6) + "L" + Num(v.x + 5) + " " + Num(v.y) +
           "L" + Num(v.x) + " " + Num(v.y + 6) + "L" + Num(v.x - 5) + " " + Num(v.y) +
           "Z\" fill=\"#8e44ad\"/>\n<text x=\"" + Num(v.x + 7) + "\" y=\"" + Num(v.y + 4) +
           "\" font-size=\"11\" fill=\"#8e44ad\">vertex " +
           FormatCoordinate(ToDegrees(vertex.phi), Axis::latitude, CoordinateStyle::dm, 0) +
           "</text>\n";
  }
  const auto& e = ellipse.points();
  for (const auto& [ll, name] : {std::pair{e.front(), from_}, std::pair{e.back(), to_}}) {
    const Point p = pixel(ll.y, ll.x);
    svg += "<circle cx=\"" + Num(p.x) + "\" cy=\"" + Num(p.y) +
           "\" r=\"5\" fill=\"#111111\"/>\n"
           "<text x=\"" +
           Num(p.x + 8) + "\" y=\"" + Num(p.y - 8) +
           "\" font-size=\"13\" "
           "font-weight=\"bold\" fill=\"#111111\">" +
           XmlText(name) + "</text>\n";
  }
  // The legend.
  std::vector<std::tuple<std::string, const char*, const char*>> legend = {
      {"great ellipse " + Num(ToNauticalMiles(std::fabs(g.distance))) + " NM", "#c0392b", ""},
      {"rhumb line " + Num(ToNauticalMiles(g.loxoDistance)) + " NM", "#1f5fbf", "9,6"}};
  if (hasComposite_) {
    legend.emplace_back(
        "composite track " + Num(ToNauticalMiles(composite_.total)) + " NM, limit " +
            FormatCoordinate(ToDegrees(composite_.t1Phi), Axis::latitude, CoordinateStyle::dm, 0),
        "#1e8449", "");
  }
  const double lx = kBorder + 8, ly = kBorder + 8;
  svg += "<rect x=\"" + Num(lx) + "\" y=\"" + Num(ly) + "\" width=\"260\" height=\"" +
         Num(10 + 18 * legend.size()) +
         "\" fill=\"#ffffff\" fill-opacity=\"0.85\" stroke=\"#888888\"/>\n";
  for (std::size_t k = 0; k < legend.size(); ++k) {
    const double y = ly + 16 + 18 * k;
    const auto& [text, colour, dash] = legend[k];
    svg += "<path d=\"M" + Num(lx + 8) + " " + Num(y - 4) + "H" + Num(lx + 40) + "\" stroke=\"" +
           colour + "\" stroke-width=\"2.5\"" +
           (dash[0] ? std::string(" stroke-dasharray=\"") + dash + "\"" : std::string()) +
           "/>\n"
           "<text x=\"" +
           Num(lx + 48) + "\" y=\"" + Num(y) + "\" font-size=\"12\">" + XmlText(text) + "</text>\n";
  }
  svg += ChartClose(chart);
  OutputTarget target;
  if (!ResolveOutput(file_, target, error)) return false;
  return AssembleFile(target, {{svg, nullptr}}, error);
}

}  // namespace sailings
