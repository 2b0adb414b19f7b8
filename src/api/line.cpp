// The lines of the public interface over the computation's track lines.
#include "sailings/line.hpp"

#include <algorithm>

#include "api/rows.h"
#include "elliptic/drawn_track.h"
#include "elliptic/track_line.h"

namespace sailings {

std::shared_ptr<const TrackLine> MakeTrackLine(const Passage& passage, Track track) {
  const RouteGeometry& g = PassageRecords::Route(passage);
  const CompositeSailing* c = PassageRecords::Composite(passage);
  switch (track) {
    case Track::great_ellipse: return std::make_shared<TrackLine>(g, TrackLine::kGreatEllipse);
    case Track::rhumb_line: return std::make_shared<TrackLine>(g, TrackLine::kRhumbLine);
    case Track::geodesic: return std::make_shared<TrackLine>(g, TrackLine::kGeodesic);
    case Track::composite: break;
  }
  return c && c->composite ? std::make_shared<TrackLine>(g, TrackLine::kComposite, c)
                           : std::make_shared<TrackLine>(g, TrackLine::kGreatEllipse);
}

SailingLine::SailingLine(const Passage& passage, Track track)
    : line_(MakeTrackLine(passage, track)) {}

double SailingLine::length_nm() const { return ToNauticalMiles(line_->length()); }

LinePosition SailingLine::Position(double s_nm) const {
  const double s = std::clamp(s_nm * kNauticalMile, 0.0, line_->length());
  const TrackPoint p = line_->At(std::isnan(s) ? 0.0 : s);
  return {ToDegrees(TrueLatitude(p.phi)), ToDegrees(WrapLongitude(p.lambda)),
          AzimuthDegrees(p.azimuth)};
}

Status SailingLine::Draw(double tolerance_nm, std::vector<std::vector<MapPoint>>& pieces) const {
  if (!(tolerance_nm >= kMinDrawTolerance && tolerance_nm <= kMaxDrawTolerance)) {
    return Status::tolerance_out_of_range;
  }
  std::vector<std::vector<MapPoint>> drawn;
  for (const std::vector<DrawnVertex>& piece :
       DrawTrackLine(*line_, tolerance_nm * kNauticalMile)) {
    drawn.emplace_back();
    for (const DrawnVertex& v : piece) drawn.back().push_back({v.lat, v.lon});
  }
  pieces = std::move(drawn);
  return Status::ok;
}

}  // namespace sailings
