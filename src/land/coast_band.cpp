// The land near many arcs from one end (Coast::Band): the edges near a
// band of the surface, found once through the index (land/coast.cpp) and
// then looked through for each arc, as Coast::ArcDistance looks through
// the index's.
#include <cmath>

#include "land/coast.h"
#include "land/coast_arc.h"

namespace sailings {

using coast_arc::Unit;

double Coast::Band::ArcDistance(Vec3 a, Vec3 b, double reach, double stop) const {
  const Vec3 normal = Cross(Unit(a), Unit(b));
  const double sine = Length(normal);
  if (!(reach > 0)) return 0;
  double best = reach;
  if (!(sine > 1e-15)) {  // the arc is a point (or no one arc: as Coast::ArcDistance)
    if (!(Dot(Unit(a), Unit(b)) > 0)) return 0;
    for (std::size_t k = 0; k < ends_.size(); k += 2)
      best = std::min(best, coast_arc::PointSegment(a, ends_[k], ends_[k + 1]));
    return best;
  }
  const coast_arc::Arc arc{a, b, (1.0 / sine) * normal};
  Vec3 where;
  for (std::size_t k = 0; k < ends_.size() && !(best < stop); k += 2)
    best = std::min(best, arc.EdgeDistance(ends_[k], ends_[k + 1], best, where));
  return best;
}

}  // namespace sailings
