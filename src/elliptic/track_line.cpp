#include "elliptic/track_line.h"

#include <cmath>

#include "elliptic/comparison.h"
#include "elliptic/rhumb.h"

namespace sailings {

TrackLine::TrackLine(const RouteGeometry& g, Kind kind, const CompositeSailing* c) : kind_(kind) {
  switch (kind) {
    case kGreatEllipse:
      first_.emplace(g.lat1, g.lon1, g.fwdAzimuthGc);
      length_ = std::fabs(g.distance);
      break;
    case kRhumbLine:
      phi1_ = g.lat1, lambda1_ = g.lon1, course_ = g.loxoCourse;
      poleMeridian_ = TrackLongitude2(g);
      length_ = g.loxoDistance;
      break;
    case kGeodesic:
      geodesic_ =
          Geodesic().InverseLine(ToDegrees(TrueLatitude(g.lat1)), ToDegrees(g.lon1),
                                 ToDegrees(TrueLatitude(g.lat2)), ToDegrees(TrackLongitude2(g)));
      length_ = geodesic_->Distance();
      break;
    case kComposite:
      composite_ = *c;
      first_.emplace(g.lat1, g.lon1, c->ge1AzimuthGc);
      last_.emplace(AdjustedLatitude(c->t2Phi), c->t2Lambda, c->ge2AzimuthGc);
      east_ = c->parallelCourse == kHalfPi ? 1.0 : -1.0;
      parallelRadius_ = PrimeVerticalRadius(std::fabs(c->t1Phi)) * std::cos(c->t1Phi);
      endFirst_ = c->ge1;
      endParallel_ = c->ge1 + c->parallel;
      length_ = c->total;
      break;
  }
}

namespace {

// A geodesic azimuth (degrees) as the tables take it: radians in [0, 2pi).
double GeodesicAzimuth(double degrees) {
  const double r = std::remainder(degrees, 360.0) * kDegree;
  return r < 0 ? r + kTwoPi : r;
}

}  // namespace

double TrackLine::InitialAzimuth() const {
  return kind_ == kGeodesic ? GeodesicAzimuth(geodesic_->Azimuth()) : At(0).azimuth;
}

TrackPoint TrackLine::At(double s) const {
  TrackPoint p;
  switch (kind_) {
    case kGreatEllipse: {
      const EllipticStepResult q = first_->At(s);
      p.phi = q.phi, p.lambda = q.lambda, p.azimuth = q.azimuth;
      return p;
    }
    case kRhumbLine: {
      const RhumbPoint q = RhumbDirect(phi1_, lambda1_, course_, s, poleMeridian_);
      p.phi = q.phi, p.lambda = q.lambda, p.azimuth = course_, p.loxodrome = true;
      return p;
    }
    case kGeodesic: {
      double lat, lon, azi;
      geodesic_->Position(s, lat, lon, azi);
      p.phi = lat * kDegree, p.lambda = lon * kDegree, p.azimuth = GeodesicAzimuth(azi);
      return p;
    }
    case kComposite: {
      const CompositeSailing& c = composite_;
      if (s < endFirst_) {
        const EllipticStepResult q = first_->At(s);
        p.phi = q.phi, p.lambda = q.lambda, p.azimuth = q.azimuth;
      } else if (s <= endParallel_) {
        p.phi = AdjustedLatitude(c.t1Phi);
        p.lambda = std::remainder(c.t1Lambda + east_ * (s - endFirst_) / parallelRadius_, kTwoPi);
        p.azimuth = c.parallelCourse;
        p.loxodrome = s > endFirst_;
      } else {
        const EllipticStepResult q = last_->At(s - endParallel_);
        p.phi = q.phi, p.lambda = q.lambda, p.azimuth = q.azimuth;
      }
      return p;
    }
  }
  return p;
}

}  // namespace sailings
