// The chart's frame: its projection (Mercator, or polar stereographic near a
// pole) and the window of the plane it shows, in pixels. The drawing
// (writers/svg_chart.cpp) places everything through it.
#pragma once

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "elliptic/ellipsoid.h"

namespace sailings {

constexpr double kBorder = 10;  // white margin around the frame, px
constexpr double kMaxWidth = 980, kMaxHeight = 700, kMinHeight = 300;
// Polar charts: the projection holds to this latitude on the far side of the
// equator (the opposite pole lies at infinity), and the frame reaches at
// most to kFrameReach; a track beyond runs off the chart.
constexpr double kFarthest = 89.5, kFrameReach = 60.0;

struct Point {
  double x, y;
};

// A position of the chart's plane: Mercator (longitude, isometric latitude,
// both degrees) or polar stereographic (2 tan(45 - |lat|/2) around the pole,
// in degrees' measure).
class Projection {
 public:
  bool polar = false;
  double pole = 1;    // 1 north, -1 south
  double center = 0;  // polar: the longitude pointing down the chart, degrees

  Point Plane(double lat, double lon) const {
    if (!polar) {
      const double phi = std::clamp(lat, -85.0, 85.0) * kDegree;
      return {lon, ToDegrees(IsometricLatitude(phi))};
    }
    // Faithful down to the far side of the equator: a ring that encloses the
    // opposite pole (Antarctica on a north polar chart) then encloses the
    // region outside its coast, as it must, not a disc over the chart.
    const double phi = std::clamp(pole * lat, -kFarthest, 90.0) * kDegree;
    const double rho = ToDegrees(2.0 * std::tan(0.25 * kPi - 0.5 * phi));
    const double a = (lon - center) * kDegree;
    return {rho * std::sin(a), -pole * rho * std::cos(a)};
  }
};

// The frame: the plane's window and its scale in pixels.
struct Frame {
  double x0 = 0, x1 = 1, y0 = 0, y1 = 1, scale = 1;
  double width() const { return (x1 - x0) * scale; }
  double height() const { return (y1 - y0) * scale; }
  Point Pixel(Point p) const {
    return {kBorder + (p.x - x0) * scale, kBorder + (y1 - p.y) * scale};
  }
  bool Near(Point p, double slack) const {
    return p.x > x0 - slack && p.x < x1 + slack && p.y > y0 - slack && p.y < y1 + slack;
  }
};

// Douglas-Peucker to `tolerance` pixels.
std::vector<Point> Simplify(const std::vector<Point>& in, double tolerance);

struct ChartFrame {
  Projection projection;
  Frame frame;
};

// The chart for `tracks` ((lon, lat) in degrees, each unwrapped in
// longitude from its first point) of the route from longitude `l1` to `l2`
// (degrees): polar when a track comes within 10 degrees of a pole, framed on
// every track with a margin, at most kMaxWidth by kMaxHeight pixels.
ChartFrame FrameTracks(const std::vector<const std::vector<Point>*>& tracks, double l1, double l2);

}  // namespace sailings
