// The convex hull in the plane (sea/hull.h), against a gift-wrapping march
// written here, point by point: the points dropped before the sort are
// never corners, whatever the points (a cloud, a circle's polygon and its
// inside, a grid whose edges hold many points in a line, the same corner
// many times, polygons round circles along a coast a thousand kilometres
// from the projection's centre, too few points to drop any).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "sea/hull.h"

namespace {

struct P {
  double x, y;
};

// Jarvis's march: from the least point (x, then y), each next corner the
// point that leaves every other on its left, of those in one line the
// farthest (so no point on an edge is a corner).
std::vector<P> Wrapped(const std::vector<P>& points) {
  std::size_t first = 0;
  for (std::size_t i = 1; i < points.size(); ++i)
    if (points[i].x < points[first].x ||
        (points[i].x == points[first].x && points[i].y < points[first].y))
      first = i;
  std::vector<P> hull;
  std::size_t at = first;
  do {
    hull.push_back(points[at]);
    std::size_t next = at;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const P o = points[at], u = points[next], v = points[i];
      if (v.x == o.x && v.y == o.y) continue;
      if (next == at || (u.x == o.x && u.y == o.y)) {
        next = i;
        continue;
      }
      const double c = (u.x - o.x) * (v.y - o.y) - (u.y - o.y) * (v.x - o.x);
      const double du = std::hypot(u.x - o.x, u.y - o.y), dv = std::hypot(v.x - o.x, v.y - o.y);
      if (c < 0 || (c == 0 && dv > du)) next = i;
    }
    at = next;
  } while (at != first && hull.size() <= points.size());
  return hull;
}

}  // namespace

TEST(Hull, TheCornersAreTheMarchsEveryOne) {
  std::mt19937_64 random(31);
  std::uniform_real_distribution<double> unit(-1, 1);
  const auto circles = [&](double cx, double cy, int count, double spacing, double r, int sides) {
    std::vector<P> points;
    for (int i = 0; i < count; ++i) {
      const double x = cx + i * spacing, y = cy + 3 * r * std::sin(0.3 * i);
      for (int k = 0; k < sides; ++k)
        points.push_back(
            {x + r * std::cos(2 * M_PI * k / sides), y + r * std::sin(2 * M_PI * k / sides)});
    }
    return points;
  };
  struct Case {
    const char* what;
    std::vector<P> points;
  };
  std::vector<Case> cases;
  {
    std::vector<P> cloud;
    while (cloud.size() < 2000) {
      const P q{unit(random), unit(random)};
      if (q.x * q.x + q.y * q.y < 1) cloud.push_back(q);
    }
    cases.push_back({"a cloud in a disc", cloud});
  }
  {
    std::vector<P> ring;
    for (int k = 0; k < 61; ++k)
      ring.push_back({std::cos(2 * M_PI * k / 61), std::sin(2 * M_PI * k / 61)});
    for (int k = 0; k < 500; ++k) ring.push_back({0.5 * unit(random), 0.5 * unit(random)});
    cases.push_back({"a 61-gon and its inside", ring});
  }
  {
    std::vector<P> grid;
    for (int i = 0; i <= 20; ++i)
      for (int j = 0; j <= 20; ++j) grid.push_back({double(i), double(j)});
    cases.push_back({"a grid, its edges 21 points in a line", grid});
  }
  {
    std::vector<P> twice;
    for (int k = 0; k < 8; ++k)
      for (const P q : {P{-1, 0}, P{0, -1}, P{1, 0}, P{0, 1}, P{0.1, 0.2}}) twice.push_back(q);
    cases.push_back({"each corner eight times", twice});
  }
  cases.push_back({"circles along a coast far off the centre (metres)",
                   circles(1.2e6, -8.0e5, 40, 900.0, 3705.0, 61)});
  cases.push_back({"a narrow strip of circles", circles(0, 0, 200, 50.0, 1.0, 8)});
  cases.push_back({"too few to drop any", {{0, 0}, {2, 0}, {1, 0.5}, {1, 3}, {0.5, 1}}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<P> got = sailings::sea::Hull(c.points), want = Wrapped(c.points);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].x, want[i].x) << i;
      EXPECT_EQ(got[i].y, want[i].y) << i;
    }
  }
  EXPECT_TRUE(sailings::sea::Hull(std::vector<P>{}).empty());
}
