// A chart of the passage as an SVG 1.1 picture: a Mercator chart framed on
// the route (a polar stereographic one for routes within 10 degrees of a
// pole), the land of Natural Earth's 1:110m polygons, a graticule with
// labels, the great ellipse (solid), the rhumb line (dashed), with a limit
// the composite track and the limiting parallel, the departure and the
// destination with their names, the vertex, the table's waypoints as dots
// (thinned, numbered where there is room) and a legend with each track's
// length. No scripts, no external references, no coordinate that is not
// finite; the tracks and the coast are simplified to a third of a pixel.
//
// The chart's frame and projection are stated in its <metadata> so that a
// reader (a test) can place a position on it independently:
//   projection=mercator x0=<lon> y0=<isometric latitude, degrees> scale=<px per degree>
//   projection=polar pole=<1|-1> center=<lon> x0=<x> y0=<y> scale=<px per unit>
// with the frame at left, top (pixels) and its width and height.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "elliptic/passage.h"
#include "elliptic/route.h"
#include "elliptic/waypoints.h"
#include "writers/chart_frame.h"

namespace sailings {

// The pieces every chart is drawn with: a number of the picture (one
// decimal), a path through pixels (simplified to a third of a pixel), the
// opening (the picture, its title and metadata, the sea, the land and the
// graticule, framed for `tracks`; the drawing continues inside the frame's
// clip) and the closing (the frame's border). With `coast`, the land is the
// 1:10m coastline that sea passages keep clear of, when it is at hand (the
// page loads it only for them), its scale written on the chart; otherwise
// the 1:110m polygons.
std::string ChartNumber(double v);
std::string ChartPath(const std::vector<Point>& pixels, bool closed);
std::string ChartOpen(const ChartFrame& chart, const std::string& title,
                      const std::vector<const std::vector<Point>*>& tracks, bool coast = false);
std::string ChartClose(const ChartFrame& chart);

class SvgChart {
 public:
  // `composite` may be null (no limit). `rows` is how many table rows to
  // expect (0 for a route without a table): the dots are thinned to a few
  // hundred as they come, so memory does not grow with the table.
  SvgChart(const std::filesystem::path& file, const RouteGeometry& route, std::string from,
           std::string to, const CompositeSailing* composite, long rows);

  // A table row (degrees): a dot, when it is one of the thinned rows.
  void Row(long number, double lat, double lon);
  // Writes the file whole (under a temporary name, then renamed). False,
  // with the reason in `error`, when it cannot be written.
  bool Finish(std::string& error);

 private:
  std::filesystem::path file_;
  RouteGeometry route_;
  std::string from_, to_;
  bool hasComposite_;
  CompositeSailing composite_;
  long stride_;
  struct Dot {
    long number;
    double lat, lon;  // degrees
  };
  std::vector<Dot> dots_;
};

}  // namespace sailings
