// Sea passages against an independent measure of the land
// (measured_land.h): clearance, tautness, narrows, ends and refusals.
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "elliptic/ellipsoid.h"
#include "land/coast.h"
#include "measured_land.h"
#include "reference.h"
#include "sailings/sea.hpp"
#include "sea/sea_planner.h"

namespace {

using measured::ArcMetres;
using measured::Land;
using measured::MeasuredLand;
using sailings::SeaLeg;
using sailings::SeaPassage;
using sailings::Status;

}  // namespace

TEST(Sea, TheCoastsDistanceIsTheMeasuredOne) {
  // Positions within a few miles of every 53rd point of every ring: the
  // coast's distance through its index against the measure over every
  // edge near (a cell of the index that lost an edge would be farther);
  // and of a position within 3 NM of each, through the coast kept round
  // the first (Coast::Near, 14 NM: the 10 NM asked and more than the 3).
  const sailings::Coast& coast = *sailings::Coast::Get();
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> nudge(-0.08, 0.08), step(-0.03, 0.03);
  int checked = 0;
  for (const auto& ring : coast.rings()) {
    for (std::size_t k = 0; k < ring.size(); k += 53) {
      const double lat = ring[k].lat + nudge(rng), lon = ring[k].lon + nudge(rng);
      if (std::fabs(lat) > 85) continue;
      const double reach = 10 * ref::kNm;
      const sailings::Vec3 p = sailings::EllipsoidPoint(lat * ref::kDeg, lon * ref::kDeg);
      EXPECT_NEAR(coast.Distance(p, reach) / ref::kNm, Land().Distance(lat, lon, 10), 0.005)
          << lat << " " << lon;
      const double qLat = lat + step(rng), qLon = lon + step(rng);
      const sailings::Coast::Near near(coast, p, 14 * ref::kNm);
      const double got =
          near.Distance(sailings::EllipsoidPoint(qLat * ref::kDeg, qLon * ref::kDeg), reach);
      EXPECT_NEAR(got / ref::kNm, Land().Distance(qLat, qLon, 10), 0.005) << qLat << " " << qLon;
      ++checked;
    }
  }
  EXPECT_GT(checked, 5000);
}

TEST(Sea, OpenSeaIsOpenAndLongArcsKeepTheMeasuredDistance) {
  // The open sea round each cell of the coast's index (what an arc across
  // an ocean passes over at once) holds no coast: at random positions, the
  // polar caps and the 180th meridian among them, by the measure out to
  // 50 NM and by the coast's own search over every cell within reach
  // beyond. And long arcs (300 to 3,000 NM, random, ends at sea) keep from
  // land what the measure finds along them, to 0.01 NM, within 5 NM.
  const sailings::Coast& coast = *sailings::Coast::Get();
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> lat(-90, 90), lon(-180, 180), cap(60, 90),
      edge(179.5, 180), bearing(0, 360), miles(300, 3000);
  int open = 0, wide = 0;
  for (int i = 0; i < 30000; ++i) {
    const double a = i % 5 == 0 ? (i % 2 ? 1 : -1) * cap(rng) : lat(rng);
    const double b = i % 7 == 0 ? (i % 2 ? 1 : -1) * edge(rng) : lon(rng);
    const double r = coast.OpenAround(a, b);
    ASSERT_GE(r, 0);
    if (r == 0) continue;
    ++open, wide += r > 500 * ref::kNm;
    const sailings::Vec3 p = sailings::EllipsoidPoint(a * ref::kDeg, b * ref::kDeg);
    if (r < 600 * ref::kNm) {
      EXPECT_GE(coast.Distance(p, r + 1000), r) << a << " " << b;
    }
    const double near = std::min(r, 50 * ref::kNm) / ref::kNm;
    if (std::fabs(a) < 84) {
      EXPECT_GE(Land().Distance(a, b, near + 1), near - 0.01) << a << " " << b;
    }
  }
  EXPECT_GT(open, 15000);
  EXPECT_GT(wide, 500);
  const auto& geodesic = GeographicLib::Geodesic::WGS84();
  int arcs = 0, passing = 0;
  while (arcs < 40) {
    const double a = lat(rng) * 0.8, b = lon(rng);
    if (coast.IsLand(a, b)) continue;
    const GeographicLib::GeodesicLine line =
        geodesic.DirectLine(a, b, bearing(rng), miles(rng) * ref::kNm);
    bool polar = false;
    for (int k = 0; k <= 20; ++k) {
      double x, y;
      line.Position(line.Distance() * k / 20, x, y);
      polar = polar || std::fabs(x) > 83;
    }
    // (Ended a few miles short of the land it first meets, if any: it
    // comes near land there, if not before.)
    double a2 = a, b2 = b;
    for (double s = 0; s <= line.Distance(); s += ref::kNm) {
      double x, y;
      line.Position(s, x, y);
      if (coast.IsLand(x, y)) {
        line.Position(s - (0.5 + 0.1 * (arcs % 40)) * ref::kNm, a2, b2);
        break;
      }
      a2 = x, b2 = y;
    }
    double length;
    geodesic.Inverse(a, b, a2, b2, length);
    if (polar || coast.IsLand(a2, b2) || length < 300 * ref::kNm) continue;
    ++arcs;
    const double got = coast.ArcDistance(sailings::EllipsoidPoint(a * ref::kDeg, b * ref::kDeg),
                                         sailings::EllipsoidPoint(a2 * ref::kDeg, b2 * ref::kDeg),
                                         5 * ref::kNm, 0) /
                       ref::kNm;
    const double want = std::min(5.0, Land().LegDistance(a, b, a2, b2, 5));
    EXPECT_NEAR(got, want, 0.01) << a << " " << b << " to " << a2 << " " << b2;
    // And measured among the land of a band round a leg to 3 NM off its
    // end (a turning point's legs as it swings): wide enough, the same.
    double a3, b3;
    geodesic.Direct(a2, b2, bearing(rng), 3 * ref::kNm, a3, b3);
    const sailings::Vec3 from = sailings::EllipsoidPoint(a * ref::kDeg, b * ref::kDeg);
    const sailings::Coast::Band band(coast, from,
                                     sailings::EllipsoidPoint(a3 * ref::kDeg, b3 * ref::kDeg),
                                     (5 + 1.02 * 3) * ref::kNm + 100);
    EXPECT_NEAR(band.ArcDistance(from, sailings::EllipsoidPoint(a2 * ref::kDeg, b2 * ref::kDeg),
                                 5 * ref::kNm, 0) /
                    ref::kNm,
                want, 0.01)
        << a << " " << b << " to " << a2 << " " << b2 << " (a band)";
    passing += want > 0.05 && want < 5;
  }
  EXPECT_GE(passing, 3);
  // Ends opposite each other over open sea (the Pacific's and the
  // Atlantic's): no one arc joins them, so none keeps clear, whether
  // measured through the index or a band.
  const sailings::Vec3 p = sailings::EllipsoidPoint(0, 155 * ref::kDeg),
                       q = sailings::EllipsoidPoint(0, -25 * ref::kDeg);
  ASSERT_GT(coast.OpenAround(0, 155), 5 * ref::kNm);
  ASSERT_GT(coast.OpenAround(0, -25), 5 * ref::kNm);
  EXPECT_EQ(coast.ArcDistance(p, q, 5 * ref::kNm, 0), 0);
  EXPECT_EQ(sailings::Coast::Band(coast, p, p, 10 * ref::kNm).ArcDistance(p, q, 5 * ref::kNm, 0),
            0);
}

TEST(Sea, TheCoastNearAnArcIsAllOfIt) {
  // Arcs of 20 to 300 NM from near every 2,003rd point of the rings (every
  // third 300 to 3,000 NM: the index is looked at step by step along it),
  // in any direction: every point of the data's rings within 5 NM of the arc (the
  // distance from its plane where the point falls between its ends, else
  // from the nearer end: closed-form geometry in this file's own
  // coordinates) is among the coast's points near it.
  const sailings::Coast& coast = *sailings::Coast::Get();
  const auto& geodesic = GeographicLib::Geodesic::WGS84();
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> nudge(-0.05, 0.05), bearing(0, 360), miles(20, 300),
      far(300, 3000);
  const auto& rings = coast.rings();
  int arcs = 0, found = 0;
  std::size_t index = 0;
  for (std::size_t r = 0; r < rings.size(); ++r) {
    for (std::size_t k = 0; k < rings[r].size(); ++k) {
      if (++index % 2003) continue;
      const double lat1 = rings[r][k].lat + nudge(rng), lon1 = rings[r][k].lon + nudge(rng);
      if (std::fabs(lat1) > 70) continue;
      // (The latitudes the arc spans, from the geodesic's, which lies
      // within a few miles of it: a degree to spare.)
      const GeographicLib::GeodesicLine line = geodesic.DirectLine(
          lat1, lon1, bearing(rng), (arcs % 3 == 2 ? far(rng) : miles(rng)) * ref::kNm);
      double lat2 = lat1, lon2 = lon1, south = lat1, north = lat1;
      for (int k = 1; k <= 100; ++k) {
        line.Position(line.Distance() * k / 100, lat2, lon2);
        south = std::min(south, lat2), north = std::max(north, lat2);
      }
      if (std::fabs(lat2) > 70) continue;
      ++arcs;
      const ref::V a = ref::Ecef(lat1, lon1), b = ref::Ecef(lat2, lon2);
      const ref::V n = ref::Unit(ref::Cross(a, b));
      std::vector<sailings::Vec3> near;
      coast.PointsNearArc(sailings::EllipsoidPoint(lat1 * ref::kDeg, lon1 * ref::kDeg),
                          sailings::EllipsoidPoint(lat2 * ref::kDeg, lon2 * ref::kDeg),
                          5 * ref::kNm, near);
      const auto byX = [](sailings::Vec3 q, double x) { return q.x < x; };
      std::sort(near.begin(), near.end(),
                [](sailings::Vec3 u, sailings::Vec3 v) { return u.x < v.x; });
      const auto chord = [](ref::V p, ref::V q) {
        return std::sqrt(ref::Dot(ref::Lin(1, p, -1, q), ref::Lin(1, p, -1, q)));
      };
      for (const auto& ring : rings) {
        for (const auto& point : ring) {
          if (point.lat < south - 1 || point.lat > north + 1 || std::fabs(point.lat) > 89.9)
            continue;
          const ref::V p = ref::Ecef(point.lat, point.lon);
          const bool between =
              ref::Dot(ref::Cross(a, p), n) >= 0 && ref::Dot(ref::Cross(p, b), n) >= 0;
          const double d = between ? std::fabs(ref::Dot(p, n)) : std::min(chord(p, a), chord(p, b));
          if (d > 4.9 * ref::kNm) continue;
          ++found;
          bool listed = false;
          for (auto q = std::lower_bound(near.begin(), near.end(), p[0] - 1.0, byX);
               !listed && q != near.end() && q->x < p[0] + 1.0; ++q)
            listed = chord(p, {q->x, q->y, q->z}) < 1.0;
          EXPECT_TRUE(listed) << point.lat << " " << point.lon << " near " << lat1 << " " << lon1
                              << " to " << lat2 << " " << lon2;
        }
      }
    }
  }
  EXPECT_GT(arcs, 30) << arcs;
  EXPECT_GT(found, 1000) << found;
}

TEST(Sea, PassagesKeepTheirClearanceAndAreTaut) {
  // Each row: the passage, and what it must pass. The checks are the
  // planner's promises: every open leg keeps its clearance (the asked one
  // but in narrows) to 0.01 NM; no turning point it adds can be dropped
  // (the chord of its neighbours comes nearer the land); no leg goes beyond
  // the limit; the length is the legs' own.
  const struct {
    const char* what;
    double lat1, lon1, lat2, lon2;
    const char* avoid;
    double limit;              // 0: none
    const char* canal;         // the canal passed, or ""
    double least_nm, most_nm;  // the passage's length, from published distance tables
    bool narrows;              // whether it may keep less than the clearance somewhere
  } cases[] = {
      // Guards the Dover Strait and the Channel's capes (Dungeness, Portland).
      {"the Channel", 51.5, 2.5, 50.0, -2.0, "", 0, "", 190, 215, false},
      // Guards the Strait of Gibraltar (7.7 NM wide: the full clearance).
      {"Gibraltar", 36.5, -8.0, 36.3, -3.0, "", 0, "", 235, 260, false},
      // Guards the Suez Canal as a gate and the Red Sea's narrows.
      {"Suez", 35.8, 14.6, 12.5, 44.0, "", 0, "the Suez Canal", 2200, 2400, true},
      // Guards the way round Africa when Suez is closed.
      {"round the Cape", 35.8, 14.6, 12.5, 44.0, "suez", 0, "", 9800, 11500, false},
      // Guards Malacca and the Singapore Strait (narrows).
      {"Malacca", 5.9, 80.0, 22.0, 114.3, "", 0, "", 2800, 3050, true},
      // Guards the Panama Canal as a gate.
      {"Panama", 40.3, -73.8, -12.1, -77.3, "", 0, "the Panama Canal", 3250, 3500, true},
      // Guards the Pacific and the 180th meridian (no way round the world).
      {"the Pacific", -36.6, 175.0, 21.2, -157.9, "", 0, "", 3700, 3950, false},
      // Guards the limiting latitude as a wall.
      {"high latitude", 35.0, 140.2, 37.7, -123.1, "", 45, "", 4400, 4600, false},
      // Guards a narrow isthmus that coarse cells see sea on both sides of
      // (Auckland's): the way round North Cape. At least the geodesics by
      // the tips of North Cape and Cape Brett (GeographicLib).
      {"round Northland", -37.0, 173.5, -36.6, 175.0, "", 0, "", 326.3, 360, false},
      // Guards a way out of narrows (Guanabara Bay) whose next turn is far
      // off (Cabo Frio's shelf): at least the geodesic (GeographicLib), at
      // most the published distance.
      {"out of Rio", -22.9068, -43.1729, -34.6037, -58.3816, "", 0, "", 1062.1, 1200, true},
      // Guards the Tagus as narrows whose clearance ends at its mouth (the
      // turn off Cap Blanc on the full clearance): at least the geodesic
      // (GeographicLib), at most the published distance.
      {"out of the Tagus", 38.7223, -9.1393, 14.6928, -17.4467, "", 0, "", 1503.7, 1600, true},
      // Guards an end in a channel whose cells hold two seas (the Beagle
      // Channel, off Ushuaia). At least the geodesic.
      {"the Beagle Channel", -55.0, -63.5, -54.84, -68.25, "", 0, "", 164.7, 180, true},
      // Guards a turning point between two far capes (Brava's and Punta
      // Gallinas'), held off them by nothing but its legs' ends, whose
      // way through the Lesser Antilles once seemed longer than it was (a
      // chain of chords measured for an arc): it stayed 47 NM out. At least
      // the geodesics by the canal's ends (GeographicLib).
      {"Dakar to Los Angeles", 14.6928, -17.4467, 33.73, -118.26, "", 0, "the Panama Canal", 6323.8,
       6900, true},
      // Guards a turning point whose neighbour, round Tangier's cape, lies
      // metres within the clearance: the chord from it once seemed nearer
      // the land than the neighbour itself, and the point stayed 0.64 NM out.
      // At least the geodesics by the Strait (GeographicLib).
      {"Dakar to Piraeus", 14.6928, -17.4467, 37.94, 23.64, "", 0, "", 2830.0, 3100, true},
      // Guards a turning point between a corner's circle (the Falklands')
      // and a far one (Cape Verde's), the leg from the corner cutting its
      // circle by metres: the point bent the way by seconds of arc and
      // stayed 78 NM out. At least the geodesic (GeographicLib).
      {"Cape Horn to Le Havre", -55.9833, -67.2667, 49.48, 0.11, "", 0, "", 7151.4, 7300, false},
      // Guards the turns out of narrows (the Great Sandy Strait, behind
      // Fraser Island): the way out once turned back and forth between two
      // points 150 m apart, 250 times, and went 2.5 NM out and back. At
      // least the geodesic (GeographicLib), at most 1.16 times it.
      {"Sydney to Hong Kong", -33.8688, 151.2093, 22.2855, 114.1577, "", 0, "", 3969.2, 4600, true},
      // Guards corners merged at the last (round Cabo da Roca, the points
      // held a metre within the clearance): each leg still keeps it, and
      // each point is still on it. At least the geodesic (GeographicLib),
      // at most 1.1 times it.
      {"off Rotterdam to off Lisbon", 51.95, 4.05, 38.65, -9.3, "", 0, "", 974.7, 1072, false},
      // Guards two turning points metres apart (south of Unimak Island),
      // each holding the other 3.9 NM off the land: Honolulu to Rotterdam
      // by the Bering Strait, the ends as the location list reads them. At
      // least the geodesic (GeographicLib), at most 1.05 times it.
      {"Honolulu to Rotterdam", 21.306899999999992, -157.85829999999999, 51.924400000000013,
       4.4776999999999987, "", 0, "", 6324.1, 6640, false},
      // Guards ends in one fine cell whose leg comes nearer the land than
      // the clearance (in the Kattegat, 1 NM apart, the chord 1.96 NM off
      // the coast): a way out of the cell and back, bent off the land. At
      // least the geodesic (GeographicLib), at most 1.01 times it.
      {"within one cell", 57.28785, 10.80220, 57.29920, 10.82455, "", 0, "", 0.9976, 1.0076, false},
  };
  const MeasuredLand& land = Land();
  int total_off = 0, total_turns = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sailings::SeaOptions options;
    if (*c.avoid) options.avoid = {c.avoid};
    if (c.limit > 0) options.limit = c.limit;
    SeaPassage p;
    ASSERT_EQ(sailings::PlanSeaPassage(c.lat1, c.lon1, c.lat2, c.lon2, options, p), Status::ok);
    const double clearance = options.clearance_nm;
    double metres = 0;
    bool canal = false;
    const auto& pts = p.points;
    for (std::size_t k = 1; k < pts.size(); ++k) {
      metres += ArcMetres(pts[k - 1].lat, pts[k - 1].lon, pts[k].lat, pts[k].lon);
      if (pts[k].leg == SeaLeg::canal) {
        canal = true;
        EXPECT_EQ(pts[k].canal, c.canal);
        continue;
      }
      if (pts[k].leg == SeaLeg::approach) {  // from an end, or to one
        EXPECT_TRUE(k == 1 || k + 1 == pts.size()) << k;
        continue;
      }
      ASSERT_EQ(pts[k].leg, SeaLeg::open) << k;
      const double kept =
          land.LegDistance(pts[k - 1].lat, pts[k - 1].lon, pts[k].lat, pts[k].lon, clearance);
      EXPECT_GE(kept, std::min(clearance, pts[k].clearance_nm) - 0.01) << "leg " << k;
      if (!c.narrows) {
        EXPECT_GE(kept, clearance - 0.01) << "leg " << k;
      }
      EXPECT_LE(pts[k].clearance_nm, std::min(clearance, kept) + 0.01) << "leg " << k;
      if (c.limit > 0) {
        double angle;
        const ref::Section s =
            ref::SectionThrough(ref::Unit(ref::Ecef(pts[k - 1].lat, pts[k - 1].lon)),
                                ref::Unit(ref::Ecef(pts[k].lat, pts[k].lon)), angle);
        for (int j = 0; j <= 400; ++j) {
          double lat, lon;
          ref::Geodetic(s.Point(angle * j / 400), lat, lon);
          EXPECT_LE(std::fabs(lat), c.limit + 1e-6) << "leg " << k;
        }
      }
    }
    EXPECT_EQ(canal, *c.canal != '\0');
    EXPECT_NEAR(p.distance_nm, metres / ref::kNm, 1e-6 * p.distance_nm);
    EXPECT_GE(p.distance_nm, c.least_nm);
    EXPECT_LE(p.distance_nm, c.most_nm);
    int turns = 0, off = 0;
    for (std::size_t k = 1; k + 1 < pts.size(); ++k) {
      if (pts[k].leg != SeaLeg::open || pts[k + 1].leg != SeaLeg::open) continue;
      const double keep = std::min(pts[k].clearance_nm, pts[k + 1].clearance_nm);
      // (Held by the limit: a leg that reaches it.)
      const auto reaches = [&](std::size_t j) {
        double angle;
        const ref::Section s =
            ref::SectionThrough(ref::Unit(ref::Ecef(pts[j - 1].lat, pts[j - 1].lon)),
                                ref::Unit(ref::Ecef(pts[j].lat, pts[j].lon)), angle);
        double most = 0;
        for (int i = 0; i <= 400; ++i) {
          double lat, lon;
          ref::Geodetic(s.Point(angle * i / 400), lat, lon);
          most = std::max(most, std::fabs(lat));
        }
        return most > c.limit - 0.01;
      };
      const bool atLimit = c.limit > 0 && (reaches(k) || reaches(k + 1));
      // A turning point bends round land: it lies within 0.1 NM of the
      // clearance its legs keep (the greater, where one leaves narrows), or
      // of the clearance asked (a corner beside narrows, the leg from it
      // keeping less only where it comes out of them).
      if (!atLimit && pts[k].added) {
        ++turns;
        const double most = std::max(pts[k].clearance_nm, pts[k + 1].clearance_nm);
        const double d = land.Distance(pts[k].lat, pts[k].lon, clearance + 1);
        if (d > std::min(clearance, most) + 0.1 && std::fabs(d - clearance) > 0.1) {
          ++off;
          ADD_FAILURE() << "turning point " << k << " at " << pts[k].lat << " " << pts[k].lon
                        << " lies " << d << " NM from land";
        }
      }
      // Taut: without it the leg would come nearer the land than its legs keep.
      if (!atLimit) {
        EXPECT_LT(land.LegDistance(pts[k - 1].lat, pts[k - 1].lon, pts[k + 1].lat, pts[k + 1].lon,
                                   clearance),
                  keep + 0.005)
            << "turning point " << k;
      }
    }
    // Never back to where it has been (a shortest way crosses itself
    // nowhere): no two points within 10 m.
    for (std::size_t i = 0; i < pts.size(); ++i)
      for (std::size_t j = i + 1; j < pts.size(); ++j) {
        const ref::V a = ref::Ecef(pts[i].lat, pts[i].lon), b = ref::Ecef(pts[j].lat, pts[j].lon);
        const ref::V ab = ref::Lin(1, a, -1, b);
        EXPECT_GT(std::sqrt(ref::Dot(ab, ab)), 10.0) << "points " << i << " and " << j;
      }
    total_off += off, total_turns += turns;
  }
  // Every turning point on its clearance: a leg out of narrows carries
  // their clearance no farther than the narrows (a turn past Cape Agulhas
  // and Lisbon's way out guard it), and a leg held at its far end is
  // looked at for land in between.
  EXPECT_EQ(total_off, 0) << total_off << " of " << total_turns;
  EXPECT_GT(total_turns, 100);
}

TEST(Sea, ALimitOrAWiderClearanceOnlyTakesWaysAway) {
  // A passage within a limiting latitude, or keeping a wider clearance, is
  // one of the ways open without the limit, or at a narrower clearance: it
  // is never shorter, and where the limit closes no sea the passage comes
  // near, it is the same passage. (Before, a limit of any latitude, or a
  // clearance under 1.125 NM, planned by the coarse cells alone: Valparaiso
  // to Durban within 89 degrees came out 88 NM longer than without a limit,
  // Auckland to Ushuaia within 70 degrees 13 NM shorter, and Haida Gwaii to
  // Juan de Fuca 30 NM longer at 1 NM than at 2.)
  const auto length = [](double lat1, double lon1, double lat2, double lon2, double nm,
                         std::optional<double> limit) {
    sailings::SeaOptions options;
    options.clearance_nm = nm, options.limit = limit;
    SeaPassage p;
    EXPECT_EQ(sailings::PlanSeaPassage(lat1, lon1, lat2, lon2, options, p), Status::ok);
    double metres = 0;
    for (std::size_t k = 1; k < p.points.size(); ++k)
      metres +=
          ArcMetres(p.points[k - 1].lat, p.points[k - 1].lon, p.points[k].lat, p.points[k].lon);
    return metres / ref::kNm;
  };
  const struct {
    const char* what;
    double lat1, lon1, lat2, lon2;
    double limit;
    bool closes;  // whether the limit closes sea the passage comes near
  } limits[] = {
      {"Valparaiso to Durban", -33.0472, -71.6127, -29.87, 31.03, 89, false},
      {"Cape Horn to Balboa", -55.9833, -67.2667, 8.95, -79.5667, 89, false},
      {"Auckland to Ushuaia", -36.8485, 174.7633, -54.8019, -68.303, 70, false},
      {"Yokohama to San Francisco", 35.0, 140.2, 37.7, -123.1, 45, true},
  };
  for (const auto& c : limits) {
    SCOPED_TRACE(c.what);
    const double free = length(c.lat1, c.lon1, c.lat2, c.lon2, 2, std::nullopt);
    const double limited = length(c.lat1, c.lon1, c.lat2, c.lon2, 2, c.limit);
    if (c.closes)
      EXPECT_GT(limited, free + 10);
    else
      EXPECT_NEAR(limited, free, 1e-6);
  }
  const struct {
    const char* what;
    double lat1, lon1, lat2, lon2;
  } clearances[] = {
      {"Haida Gwaii to the Strait of Juan de Fuca", 54.0, -133.0, 48.5, -125.0},
      {"Queen Maud Gulf to Lancaster Sound", 68.5, -105.0, 74.5, -80.0},
  };
  for (const auto& c : clearances) {
    SCOPED_TRACE(c.what);
    double wider = INFINITY;
    for (const double nm : {2.0, 1.0, 0.5}) {
      const double here = length(c.lat1, c.lon1, c.lat2, c.lon2, nm, std::nullopt);
      EXPECT_LE(here, wider + 0.01) << nm << " NM";
      wider = here;
    }
  }
}

TEST(Sea, NoTurningPointIsLeftFarOffTheLand) {
  // Singapore to Buenos Aires passes Antarctica between two legs of
  // thousands of miles (from the Sunda Strait, to Shag Rocks), each held
  // only at its far end, a turning point metres within its clearance: the
  // point between them, where no swing could move it, stayed 49 NM out.
  // Every turning point bends round land, within 0.1 NM of the clearance.
  SeaPassage p;
  ASSERT_EQ(sailings::PlanSeaPassage(1.2644, 103.82, -34.6037, -58.3816, {}, p), Status::ok);
  int turns = 0;
  for (std::size_t k = 1; k + 1 < p.points.size(); ++k) {
    const auto& x = p.points[k];
    if (!x.added || x.leg != SeaLeg::open || p.points[k + 1].leg != SeaLeg::open) continue;
    ++turns;
    EXPECT_LE(Land().Distance(x.lat, x.lon, 60), 2.0 + 0.1) << x.lat << " " << x.lon;
  }
  EXPECT_GT(turns, 20);
  // (It passes Antarctica: the geodesic crosses it. At least the geodesic,
  // GeographicLib.)
  EXPECT_GT(p.distance_nm, 8575.3);
  double south = 0;
  for (const auto& x : p.points) south = std::min(south, x.lat);
  EXPECT_LT(south, -65.0);
}

TEST(Sea, LongPassagesReachTheirPortsAndNeverCrossLand) {
  // Coarse cells that hold two seas: Auckland's (the Tasman's Manukau
  // Harbour and the Pacific's Waitemata, a few miles of isthmus apart) and
  // Ushuaia's (the Beagle Channel beside open water); Lisbon up the Tagus,
  // whose mouth's points moved off the land once left a leg across it.
  // And the Gulf of Tomini at 0.3 NM, whose first corridors (by Palu's
  // isthmus) the fine search found closed: the corridor found anew leaves
  // over the Indian Ocean from cells the search had taken up already.
  // And the South Pacific from off Portugal, by Panama: the corridor's last
  // step, two cells on the diagonal, left the cell it passes over out of
  // the corridor, and the fine search could not reach the end.
  // And an end behind a spit (a lagoon by Budai, Taiwan, at 1 NM): the step
  // into its cell was never looked at, from a centre across the spit. And
  // the Sele Strait by Sorong (from Bintuni Bay, 2 NM): a point moved off
  // the land and put back to its cell left its neighbour's leg across it.
  // And an end in a Greenland fjord at 0.1 NM, whose nearest waters keeping
  // two, four and eight times that are pockets still.
  // And ends opposite each other, which no one great ellipse joins: they
  // were once a single leg over the pole, across Greenland and Siberia.
  // And ends in one fine cell with an islet between them (in the Red Sea,
  // off Al Wajh): the search met the goal where it began, and the leg
  // across the islet was refused.
  // And ends 0.3 degrees from opposite whose arc keeps clear of land:
  // once one leg, whose plane a route file's rounding of its ends to 1e-6
  // degrees turns by some 3e-6 of a radian (20 m off the leg checked, at
  // its middle). Each once refused or crossed land. At least the geodesic
  // (GeographicLib); each leg one well-defined great ellipse (its ends not
  // within half a degree of opposite), no open leg nearer the land than
  // 0.01 NM.
  const struct {
    double lat1, lon1, lat2, lon2, clearance_nm;
  } cases[] = {
      {-33.9249, 18.4241, -36.8485, 174.7633, 2},     // Cape Town to Auckland
      {40.7128, -74.0060, -54.8019, -68.3030, 2},     // New York to Ushuaia
      {-33.9249, 18.4241, 38.7223, -9.1393, 2},       // Cape Town to Lisbon
      {-30.0, 60.0, -0.5544, 120.5289, 0.3},          // the Indian Ocean to the Gulf of Tomini
      {36.0, -15.0, -23.4761, -101.5541, 2},          // off Portugal to the South Pacific
      {26.8067, 120.5326, 23.4338, 120.0144, 1},      // Fujian to a lagoon behind a spit
      {-3.4992, 132.7899, 0.0, 160.0, 2},             // Bintuni Bay to the Pacific
      {63.5136, -41.6761, 56.1384, 16.5716, 0.1},     // a Greenland fjord to the Baltic
      {10.0, -30.0, -10.0, 150.0, 2},                 // opposite ends
      {25.86397, 36.58102, 25.85735, 36.59523, 0.1},  // round an islet, both ends in one cell
      {-45.0, 40.0, 44.8, -139.8, 2},  // ends 0.3 degrees from opposite, the arc between at sea
  };
  for (const auto& c : cases) {
    SeaPassage p;
    sailings::SeaOptions options;
    options.clearance_nm = c.clearance_nm;
    ASSERT_EQ(sailings::PlanSeaPassage(c.lat1, c.lon1, c.lat2, c.lon2, options, p), Status::ok);
    double s12;
    GeographicLib::Geodesic::WGS84().Inverse(c.lat1, c.lon1, c.lat2, c.lon2, s12);
    EXPECT_GE(p.distance_nm, s12 / ref::kNm);
    for (std::size_t k = 1; k < p.points.size(); ++k) {
      const ref::V a = ref::Unit(ref::Ecef(p.points[k - 1].lat, p.points[k - 1].lon)),
                   b = ref::Unit(ref::Ecef(p.points[k].lat, p.points[k].lon));
      EXPECT_GT(ref::Dot(a, b), std::cos(179.5 * ref::kDeg))
          << c.lat2 << " " << c.lon2 << " leg " << k;
      if (p.points[k].leg != SeaLeg::open) continue;
      EXPECT_GE(Land().LegDistance(p.points[k - 1].lat, p.points[k - 1].lon, p.points[k].lat,
                                   p.points[k].lon, 0.01),
                0.01)
          << c.lat2 << " " << c.lon2 << " leg " << k;
    }
  }
}

TEST(Sea, NarrowsKeepLessOnlyWhereTheWayIsNarrow) {
  // Lisbon lies up the Tagus, whose mouth is narrower than twice the
  // clearance; Ushuaia up the Beagle Channel. What the way keeps there
  // must not be carried along the coast: every open leg with both ends
  // farther from the port (GeographicLib) than the narrows reach keeps the
  // full clearance. (Once Rotterdam to Lisbon rounded Ushant at 0.1 NM.)
  const struct {
    double lat1, lon1, lat2, lon2;
    double narrows_nm;  // how far from the port the narrows reach
  } cases[] = {
      {51.9244, 4.4777, 38.7223, -9.1393, 30},        // Rotterdam to Lisbon
      {-34.6037, -58.3816, -54.8019, -68.3030, 100},  // Buenos Aires to Ushuaia
  };
  const GeographicLib::Geodesic& wgs = GeographicLib::Geodesic::WGS84();
  for (const auto& c : cases) {
    SeaPassage p;
    ASSERT_EQ(sailings::PlanSeaPassage(c.lat1, c.lon1, c.lat2, c.lon2, {}, p), Status::ok);
    int far = 0;
    for (std::size_t k = 1; k < p.points.size(); ++k) {
      if (p.points[k].leg != SeaLeg::open) continue;
      bool near = false;
      for (const auto& end : {p.points[k - 1], p.points[k]}) {
        double s12;
        wgs.Inverse(end.lat, end.lon, c.lat2, c.lon2, s12);
        near = near || s12 < c.narrows_nm * ref::kNm;
      }
      if (near) continue;
      ++far;
      EXPECT_GE(Land().LegDistance(p.points[k - 1].lat, p.points[k - 1].lon, p.points[k].lat,
                                   p.points[k].lon, 2.0),
                2.0 - 0.01)
          << c.lat2 << " " << c.lon2 << " leg " << k;
    }
    EXPECT_GT(far, 2);
  }
}

TEST(Sea, TheBosporusIsPassedAlongItsMiddle) {
  // The Bosporus is water in the data but some 750 m wide at its narrows,
  // less than a cell: the Black Sea to the Aegean passes it, each leg
  // keeping from the measured land nearly half its width there (0.2 NM),
  // and a note says so; the Dardanelles follow.
  SeaPassage p;
  ASSERT_EQ(sailings::PlanSeaPassage(43.0, 34.0, 39.5, 25.0, {}, p), Status::ok);
  double least = 1e9;
  bool strait = false;
  for (std::size_t k = 1; k < p.points.size(); ++k) {
    const sailings::SeaPoint &a = p.points[k - 1], &b = p.points[k];
    strait = strait || (b.lat > 41.0 && b.lat < 41.25 && b.lon > 28.95 && b.lon < 29.2);
    if (b.leg != SeaLeg::open) continue;
    const double kept = Land().LegDistance(a.lat, a.lon, b.lat, b.lon, 2.0);
    EXPECT_GE(kept, b.clearance_nm - 0.01) << "leg " << k;
    least = std::min(least, kept);
  }
  EXPECT_TRUE(strait);
  EXPECT_GE(least, 0.15);
  EXPECT_LE(least, 0.21);
  bool told = false;
  for (const std::string& note : p.notes)
    told = told || note.find("41.1N 29.0E") != std::string::npos;
  EXPECT_TRUE(told);
  double s12;
  GeographicLib::Geodesic::WGS84().Inverse(43.0, 34.0, 39.5, 25.0, s12);
  EXPECT_GT(p.distance_nm, s12 / ref::kNm);
  EXPECT_LT(p.distance_nm, 1.3 * s12 / ref::kNm);
}

TEST(Sea, ANarrowsNoteNamesWhereTheLandIsNear) {
  // From the Atlantic to the Pacific at 50 NM (opposite ends), the way
  // passes Cook Strait on a leg 2,600 NM long, whose far end, off the
  // equator, the note once named. Each narrows note names a position
  // within 10 NM of land (the tests' measure).
  SeaPassage p;
  sailings::SeaOptions options;
  options.clearance_nm = 50;
  ASSERT_EQ(sailings::PlanSeaPassage(0, -25, 0, 155, options, p), Status::ok);
  int told = 0;
  for (const std::string& note : p.notes) {
    double lat, lon;
    char ns, ew;
    if (std::sscanf(note.c_str(), "narrows near %lf%c %lf%c", &lat, &ns, &lon, &ew) != 4) continue;
    ++told;
    lat = ns == 'S' ? -lat : lat, lon = ew == 'W' ? -lon : lon;
    EXPECT_LT(Land().Distance(lat, lon, 20), 10) << note;
  }
  EXPECT_GE(told, 1);
}

TEST(Sea, OfTwoWaysRoundAnIslandTheShorter) {
  // From Bab-el-Mandeb to Dondra Head the geodesic crosses the Horn of
  // Africa west of Cape Guardafui (GeographicLib: at 51.28E it lies south
  // of the cape's 11.83N), so the shortest way bends round the cape, south
  // of Socotra (12.3N to 12.7N); north of Socotra is 9 NM longer. A
  // corridor of sixteen directions took the way north of Socotra where its
  // steps happened to favour it; the way Rotterdam to Singapore must turn
  // off Guardafui.
  const GeographicLib::GeodesicLine line =
      GeographicLib::Geodesic::WGS84().InverseLine(12.56, 43.94, 5.90, 80.47);
  double lat = 0, lon = 0;
  for (double s = 0; lon < 51.28; s += 100) line.Position(s, lat, lon);
  ASSERT_LT(lat, 11.83);
  SeaPassage p;
  ASSERT_EQ(sailings::PlanSeaPassage(51.9244, 4.4777, 1.2644, 103.82, {}, p), Status::ok);
  bool guardafui = false;
  for (const auto& q : p.points)
    guardafui = guardafui || (q.lon > 50.5 && q.lon < 52 && q.lat > 11.5 && q.lat < 12.2);
  EXPECT_TRUE(guardafui);
}

TEST(Sea, NoLegKeepsLessThanTheClearanceBesideOpenSea) {
  // Wherever an open leg comes nearer the land than the clearance, the way
  // is narrow within a few miles of there along it: land lies within twice
  // the clearance on both sides. (Once Honolulu to Rotterdam came out of
  // a pass in the Aleutians keeping its 0.23 NM up to the coast of Alaska,
  // 400 NM on. Sydney to Hong Kong passes the Great Sandy Strait, 0.24 NM,
  // behind Fraser Island, and the Torres Strait.)
  const double clearance = 2, within = 3 * clearance;
  int total = 0;
  for (const auto& [lat1, lon1, lat2, lon2] :
       {std::array<double, 4>{21.3069, -157.8583, 51.9244, 4.4777},
        std::array<double, 4>{-33.8688, 151.2093, 22.2855, 114.1577}}) {
    SeaPassage p;
    ASSERT_EQ(sailings::PlanSeaPassage(lat1, lon1, lat2, lon2, {}, p), Status::ok);
    struct Sample {
      double along, lat, lon;
      bool near, narrow;
    };
    std::vector<Sample> samples;  // every 0.5 NM of the open legs
    double along = 0;
    for (std::size_t k = 1; k < p.points.size(); ++k) {
      const auto &u = p.points[k - 1], &v = p.points[k];
      double angle;
      const ref::Section s = ref::SectionThrough(ref::Unit(ref::Ecef(u.lat, u.lon)),
                                                 ref::Unit(ref::Ecef(v.lat, v.lon)), angle);
      const int n = std::max(2, static_cast<int>(std::ceil(angle * ref::kA / (0.5 * ref::kNm))));
      for (int j = 0; j <= n && v.leg == SeaLeg::open; ++j) {
        Sample x{along + ArcMetres(u.lat, u.lon, v.lat, v.lon) / ref::kNm * j / n, 0, 0, false,
                 false};
        ref::Geodetic(s.Point(angle * j / n), x.lat, x.lon);
        x.near = Land().Distance(x.lat, x.lon, clearance) < clearance - 0.01;
        x.narrow = x.near && Land().Narrow(x.lat, x.lon, clearance);
        samples.push_back(x);
      }
      along += ArcMetres(u.lat, u.lon, v.lat, v.lon) / ref::kNm;
    }
    int near = 0;
    for (const Sample& x : samples) {
      if (!x.near) continue;
      ++near;
      const bool narrows = std::any_of(samples.begin(), samples.end(), [&](const Sample& y) {
        return y.narrow && std::fabs(y.along - x.along) <= within;
      });
      EXPECT_TRUE(narrows) << x.lat << " " << x.lon << " keeps "
                           << Land().Distance(x.lat, x.lon, clearance);
    }
    total += near;
  }
  EXPECT_GT(total, 0);  // (they pass narrows)
}

TEST(Sea, GeodesicLegsKeepTheClearanceAsGeodesics) {
  // Sailed as geodesics, the legs of Yokohama to San Francisco (by the
  // Uraga Channel and the Golden Gate) each keep what they say, measured
  // along the geodesic: the geodesic leaves the great ellipse by hundreds
  // of metres over a long leg, so a leg that touches its clearance halfway
  // is divided. The passage's length is the geodesics' (GeographicLib).
  sailings::SeaOptions options;
  options.geodesic = true;
  SeaPassage p;
  ASSERT_EQ(sailings::PlanSeaPassage(35.4437, 139.6380, 37.7749, -122.4194, options, p),
            Status::ok);
  double metres = 0;
  for (std::size_t k = 1; k < p.points.size(); ++k) {
    const auto &a = p.points[k - 1], &b = p.points[k];
    double s12;
    GeographicLib::Geodesic::WGS84().Inverse(a.lat, a.lon, b.lat, b.lon, s12);
    metres += s12;
    if (b.leg != SeaLeg::open) continue;
    EXPECT_GE(Land().GeodesicDistance(a.lat, a.lon, b.lat, b.lon, 2.0),
              std::min(2.0, b.clearance_nm) - 0.01)
        << "leg " << k;
  }
  EXPECT_NEAR(p.distance_nm, metres / ref::kNm, 1e-6);
}

TEST(Sea, WhereTheGreatEllipseKeepsClearItIsThePassage) {
  SeaPassage p;
  ASSERT_EQ(sailings::PlanSeaPassage(40, -40, 35, -20, {}, p), Status::ok);
  ASSERT_EQ(p.points.size(), 2u);
  EXPECT_NEAR(p.distance_nm, ArcMetres(40, -40, 35, -20) / ref::kNm, 1e-6);
  EXPECT_TRUE(p.notes.empty());
}

TEST(Sea, NoPassageIsLongerThanAWayRoundTheSameLand) {
  // Each row: a way between the ends by the offings of the capes and
  // islands it passes, as a chart gives them (each leg found clear of the
  // land here by the clearance): the shortest passage is no longer. A
  // search that takes a worse way round (an island's far side, a strait
  // missed) is longer by tens of miles.
  const struct {
    const char* what;
    double lat1, lon1, lat2, lon2;
    std::vector<std::pair<double, double>> via;
  } cases[] = {
      // North of Hunter Island and Albatross Island (north-west Tasmania),
      // east across Bass Strait, off Gabo Island.
      {"Bass Strait", -35.0, 18.0, -34.0, 151.8, {{-40.30, 144.80}, {-37.60, 150.05}}},
      // Off Cape Agulhas, Cape Recife, Bird Island and the Transkei coast,
      // then across the Mozambique Channel by Cap Saint-André and east of
      // Mayotte to the offing of Mumbai.
      {"the Mozambique Channel",
       -34.6,
       18.3,
       18.8,
       72.8,
       {{-34.90, 20.00},
        {-34.10, 25.75},
        {-33.83, 26.60},
        {-33.60, 27.18},
        {-33.10, 27.95},
        {-32.62, 28.62},
        {-16.15, 44.30}}},
      // Off Dungeness, north of the Casquets (outside Alderney and the
      // Channel Islands), off Ile Vierge, through the Chenal du Four, off
      // Cape Finisterre and Cabo da Roca: the Channel Islands' channels
      // are shorter by a few miles, a way among them longer.
      {"the Channel",
       52.0,
       3.9,
       38.60,
       -9.60,
       {{50.87, 1.00},
        {49.765, -2.37},
        {48.68, -4.58},
        {48.59, -4.765},
        {48.57, -4.785},
        {43.17, -9.275},
        {43.06, -9.345},
        {42.93, -9.36}}},
  };
  constexpr double kClearance = 2.0;  // the passages' own, NM
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<double, double>> way{{c.lat1, c.lon1}};
    way.insert(way.end(), c.via.begin(), c.via.end());
    way.push_back({c.lat2, c.lon2});
    double nm = 0;
    for (std::size_t k = 1; k < way.size(); ++k) {
      const auto [lat1, lon1] = way[k - 1];
      const auto [lat2, lon2] = way[k];
      ASSERT_GE(Land().LegDistance(lat1, lon1, lat2, lon2, kClearance + 1), kClearance) << k;
      nm += ArcMetres(lat1, lon1, lat2, lon2) / ref::kNm;
    }
    SeaPassage p;
    ASSERT_EQ(sailings::PlanSeaPassage(c.lat1, c.lon1, c.lat2, c.lon2, {}, p), Status::ok);
    EXPECT_LE(p.distance_nm, nm);
  }
}

TEST(Sea, EndsOnLandAreJoinedToTheNearestSea) {
  // Rotterdam's centre lies inland at this scale: an approach leg to the
  // nearest position that keeps the clearance (and no farther).
  SeaPassage p;
  ASSERT_EQ(sailings::PlanSeaPassage(51.92, 4.48, 50.0, -2.0, {}, p), Status::ok);
  ASSERT_GE(p.points.size(), 3u);
  EXPECT_EQ(p.points[1].leg, SeaLeg::approach);
  const double out = Land().Distance(p.points[1].lat, p.points[1].lon, 5);
  EXPECT_GE(out, 2.0 - 0.01);
  EXPECT_LE(out, 2.0 + 0.1);
  const GeographicLib::Geodesic& wgs = GeographicLib::Geodesic::WGS84();
  double s12;
  wgs.Inverse(51.92, 4.48, p.points[1].lat, p.points[1].lon, s12);
  EXPECT_LT(s12 / ref::kNm, 20);
  // Nothing nearer keeps the clearance: every position on circles round the
  // port out to 0.1 NM short of the approach's end is on land or too near it.
  for (double r = 0.25; r < s12 / ref::kNm - 0.1; r += 0.25) {
    for (int b = 0; b < 360; b += 5) {
      double lat, lon;
      wgs.Direct(51.92, 4.48, b, r * ref::kNm, lat, lon);
      if (sailings::Coast::Get()->IsLand(lat, lon)) continue;
      EXPECT_LT(Land().Distance(lat, lon, 3), 2.0 + 0.01) << r << " " << b;
    }
  }
  EXPECT_NE(p.notes.at(0).find("approach leg"), std::string::npos);
  // And no farther: from ends on land and ends at sea too near it, the
  // approach ends within 0.1 NM of the nearest position (on rings every
  // 0.1 NM, every 2 degrees) that keeps the clearance.
  const struct {
    double lat, lon;
  } ends[] = {
      {51.92, 4.48}, {22.2855, 114.1577}, {51.22, 4.40}, {38.7223, -9.1393}, {57.70, 11.95}};
  for (const auto& e : ends) {
    SeaPassage q;
    ASSERT_EQ(sailings::PlanSeaPassage(e.lat, e.lon, 30.0, -40.0, {}, q), Status::ok) << e.lat;
    ASSERT_EQ(q.points.at(1).leg, SeaLeg::approach) << e.lat;
    wgs.Inverse(e.lat, e.lon, q.points[1].lat, q.points[1].lon, s12);
    double nearest = INFINITY;
    for (double r = 0.1; r < s12 / ref::kNm + 0.2 && nearest == INFINITY; r += 0.1)
      for (int b = 0; b < 360; b += 2) {
        double lat, lon;
        wgs.Direct(e.lat, e.lon, b, r * ref::kNm, lat, lon);
        if (!sailings::Coast::Get()->IsLand(lat, lon) && Land().Distance(lat, lon, 3) >= 2.02)
          nearest = std::min(nearest, r);
      }
    EXPECT_LE(s12 / ref::kNm, nearest + 0.1) << e.lat << " " << e.lon;
  }
  // Lagos lies on a lagoon whose way out is narrower than the cells see at
  // this scale: its nearest sea is a pocket of some tens of cells, and the
  // approach goes on out to the open sea (south of the bar, about 6.3N).
  SeaPassage lagos;
  ASSERT_EQ(sailings::PlanSeaPassage(6.45, 3.39, 4.0, 3.0, {}, lagos), Status::ok);
  EXPECT_EQ(lagos.points.at(1).leg, SeaLeg::approach);
  EXPECT_LT(lagos.points[1].lat, 6.38);
  EXPECT_GE(Land().Distance(lagos.points[1].lat, lagos.points[1].lon, 10), 2.0 - 0.01);
}

TEST(Sea, Refusals) {
  const struct {
    double lat1, lon1, lat2, lon2, clearance;
    const char* avoid;
    Status status;
  } cases[] = {
      {50, -2, 36.5, -8, 0.05, "", Status::clearance_out_of_range},
      {50, -2, 36.5, -8, 50.5, "", Status::clearance_out_of_range},
      {50, -2, 36.5, -8, 2, "bosporus", Status::unknown_canal},
      {50, -2, 50, 358, 2, "", Status::same_position},
      {50, NAN, 36.5, -8, 2, "", Status::not_a_number},
      {40.42, -3.70, 36.5, -8, 2, "", Status::end_inland},     // Madrid
      {42.0, 50.5, 43.0, 34.0, 2, "", Status::no_way_at_sea},  // the Caspian to the Black Sea
      // The other way, and from the South Atlantic into a fjord of West
      // Greenland closed at this scale: the closed sea's cells are counted,
      // and the oceans are not searched for a way that is not there.
      {43.0, 34.0, 42.0, 50.5, 2, "", Status::no_way_at_sea},
      {-54.3045, 0.7129, 68.1666, -52.0916, 0.72, "", Status::no_way_at_sea},
  };
  for (const auto& c : cases) {
    sailings::SeaOptions options;
    options.clearance_nm = c.clearance;
    if (*c.avoid) options.avoid = {c.avoid};
    SeaPassage p;
    p.distance_nm = -1;
    int end = 0;
    double inland = 0;
    EXPECT_EQ(sailings::PlanSeaPassage(c.lat1, c.lon1, c.lat2, c.lon2, options, p, &end, &inland),
              c.status)
        << c.lat1 << " " << c.lon1;
    EXPECT_EQ(p.distance_nm, -1);  // nothing written on a refusal
    if (c.status == Status::end_inland) {
      EXPECT_EQ(end, 1);
      // Madrid lies some 160 NM from the nearest coast (the Bay of Biscay and
      // the Mediterranean are farther): a geodesic to every coast vertex near.
      double least = 1e9;
      const GeographicLib::Geodesic& wgs = GeographicLib::Geodesic::WGS84();
      for (const auto& ring : sailings::Coast::Get()->rings()) {
        for (const auto& v : ring) {
          if (std::fabs(v.lat - 40.42) > 5 || std::fabs(std::remainder(v.lon + 3.7, 360)) > 6)
            continue;
          double s12;
          wgs.Inverse(40.42, -3.70, v.lat, v.lon, s12);
          least = std::min(least, s12 / ref::kNm);
        }
      }
      EXPECT_NEAR(inland, least, 0.6);
    }
  }
  // Hamburg's centre lies a few miles from the Elbe's water at this scale,
  // but the river is narrower than twice the clearance for more than 20 NM
  // down: refused, and not said to lie more than 20 NM from the sea.
  SeaPassage hamburg;
  int end = 0;
  double inland = 0;
  EXPECT_EQ(sailings::PlanSeaPassage(53.55, 9.99, 54.0, 7.0, {}, hamburg, &end, &inland),
            Status::end_inland);
  EXPECT_GT(inland, 0);
  EXPECT_LT(inland, 20);
  EXPECT_EQ(sailings::InlandText(5.62, 2),
            "lies 5.6 NM from the sea, and no position within 20 NM "
            "of it keeps the clearance of 2.00 NM");
  EXPECT_EQ(sailings::InlandText(164.94, 2), "lies 164.9 NM from the sea, more than 20 NM");
  EXPECT_EQ(sailings::InlandText(0, 0.5),
            "lies at sea, but no position within 20 NM of it keeps the clearance of 0.50 NM");
}

TEST(Sea, PassagesPlannedOnManyThreadsAtOnceAreTheSame) {
  // A caller's threads (an analyst's pool of workers) each plan passages
  // while the planner pulls the parts between canals taut on a core of its
  // own: each planner's scratch and gathered coast are its thread's, so
  // every passage comes out as it does alone, to the last bit. Through
  // Suez (two parts), the Bosporus and Suez (three), Panama, and none.
  const double ends[][4] = {{51.9225, 4.4792, 1.2644, 103.82},
                            {46.45, 30.77, 1.2644, 103.82},
                            {9.40, -79.95, 35.4437, 139.638},
                            {35.4437, 139.638, 37.7749, -122.4194}};
  const sailings::Coast& coast = *sailings::Coast::Get();
  const auto plan = [&](const double* e) {
    sailings::SeaRequest request;
    request.lat1 = e[0], request.lon1 = e[1], request.lat2 = e[2], request.lon2 = e[3];
    request.clearance = 2 * sailings::kNauticalMile;
    sailings::SeaPlan p;
    EXPECT_EQ(sailings::PlanSea(coast, request, p, nullptr), sailings::SeaOutcome::ok);
    std::vector<double> at;
    for (const sailings::SeaTurn& t : p.points) at.insert(at.end(), {t.lat, t.lon});
    return at;
  };
  std::vector<std::vector<double>> alone;
  for (const auto& e : ends) alone.push_back(plan(e));
  EXPECT_GT(alone[1].size(), alone[0].size());  // (the Black Sea's way is longer)
  constexpr int kThreads = 3, kEnds = 4;
  std::vector<std::vector<double>> together(kThreads * kEnds);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEnds; ++i) together[t * kEnds + i] = plan(ends[(i + t) % kEnds]);
    });
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kEnds; ++i)
      EXPECT_EQ(together[t * kEnds + i], alone[(i + t) % kEnds]) << "thread " << t << " ends " << i;
}

TEST(Sea, WhatAPassageLearnsOfTheCellsChangesNoOtherPassage) {
  // A thread keeps what it finds of the fine cells (land, or how far from
  // it) from one passage to the next, for one clearance. Passages planned
  // one after another on one thread, at other clearances and under a limit
  // beyond which the one before sailed, come out each as on a thread of its
  // own: Rotterdam to Singapore at 0.5 NM, at 2 NM (round the narrows the
  // smaller clearance passes) and at 0.5 NM again; Yokohama to San Francisco, its
  // great ellipse up to 48 degrees north, and then within 40.
  struct Ask {
    double ends[4];
    double clearance_nm;
    std::optional<double> limit;
  };
  const std::vector<Ask> asks = {{{51.9225, 4.4792, 1.2644, 103.82}, 0.5, std::nullopt},
                                 {{51.9225, 4.4792, 1.2644, 103.82}, 2, std::nullopt},
                                 {{51.9225, 4.4792, 1.2644, 103.82}, 0.5, std::nullopt},
                                 {{35.4437, 139.638, 37.7749, -122.4194}, 2, std::nullopt},
                                 {{35.4437, 139.638, 37.7749, -122.4194}, 2, 40.0}};
  const sailings::Coast& coast = *sailings::Coast::Get();
  const auto plan = [&](const Ask& ask) {
    sailings::SeaRequest request;
    request.lat1 = ask.ends[0], request.lon1 = ask.ends[1];
    request.lat2 = ask.ends[2], request.lon2 = ask.ends[3];
    request.clearance = ask.clearance_nm * sailings::kNauticalMile, request.limit = ask.limit;
    sailings::SeaPlan p;
    EXPECT_EQ(sailings::PlanSea(coast, request, p, nullptr), sailings::SeaOutcome::ok);
    std::vector<double> at;
    for (const sailings::SeaTurn& t : p.points) at.insert(at.end(), {t.lat, t.lon});
    return at;
  };
  std::vector<std::vector<double>> inTurn, alone(asks.size());
  std::thread([&] {
    for (const Ask& ask : asks) inTurn.push_back(plan(ask));
  }).join();
  for (std::size_t i = 0; i < asks.size(); ++i)
    std::thread([&, i] { alone[i] = plan(asks[i]); }).join();
  for (std::size_t i = 0; i < asks.size(); ++i) EXPECT_EQ(inTurn[i], alone[i]) << "passage " << i;
  EXPECT_NE(alone[0], alone[1]);  // (the clearance changes the way)
  EXPECT_NE(alone[3], alone[4]);
  for (std::size_t k = 0; k < alone[4].size(); k += 2) EXPECT_LE(alone[4][k], 40.0);
}
