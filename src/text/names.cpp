// The names every face gives the tracks and the sailings: one spelling each,
// below the computation, so that the writers and the readers use them as the
// faces do.
#include "sailings/fields.hpp"
#include "sailings/passage.hpp"

namespace sailings {

const char* TrackName(Track track) {
  switch (track) {
    case Track::rhumb_line: return "rhumb line";
    case Track::geodesic: return "geodesic";
    case Track::composite: return "composite track";
    case Track::great_ellipse: break;
  }
  return "great ellipse";
}

const char* SailingName(Sailing sailing, bool composite) {
  switch (sailing) {
    case Sailing::rhumb_line: return "rhumb";
    case Sailing::geodesic: return "geodesic";
    case Sailing::great_ellipse: break;
  }
  return composite ? "composite" : "great-ellipse";
}

}  // namespace sailings
