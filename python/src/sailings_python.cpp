// sailings for Python: the library's sailings over NumPy arrays (pybind11),
// the module sailings._sailings that sailings/__init__.py wraps.
//
// Each function takes four float64 arrays (latitudes and longitudes in
// degrees) already broadcast to one shape by the Python side (np.broadcast_to:
// any strides, 0 where a value is broadcast, so nothing is copied) and
// returns arrays of that shape, C-ordered: the figures, and each pair's
// Status (0: solved; else NaN figures and the reason, sailings.reason()).
// One bad pair of a million gives one NaN row, never an exception. The GIL
// is released while the pairs are solved, on every core.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#include "sailings/compare.hpp"
#include "sailings/passage.hpp"
#include "sailings/route.hpp"
#include "sailings/sea.hpp"
#include "sailings/status.hpp"

namespace py = pybind11;

namespace {

using Doubles = py::array_t<double, py::array::forcecast>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The four inputs' elements in C order over their common shape, by their
// own strides (an odometer over the dimensions).
class Pairs {
 public:
  Pairs(const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2)
      : arrays_{&lat1, &lon1, &lat2, &lon2} {
    const py::ssize_t n = lat1.ndim();
    for (const Doubles* a : arrays_) {
      if (a->ndim() != n) throw py::value_error("the four arrays differ in shape");
      for (py::ssize_t d = 0; d < n; ++d)
        if (a->shape(d) != lat1.shape(d)) throw py::value_error("the four arrays differ in shape");
    }
    for (py::ssize_t d = 0; d < n; ++d) shape_.push_back(lat1.shape(d));
    for (int k = 0; k < 4; ++k) {
      base_[k] = reinterpret_cast<const char*>(arrays_[k]->data());
      for (py::ssize_t d = 0; d < n; ++d) strides_[k].push_back(arrays_[k]->strides(d));
    }
  }
  const std::vector<py::ssize_t>& shape() const { return shape_; }
  py::ssize_t size() const {
    py::ssize_t s = 1;
    for (const py::ssize_t d : shape_) s *= d;
    return s;
  }
  // Calls f(i, lat1, lon1, lat2, lon2) for the elements i in [begin, end),
  // C order.
  template <class F>
  void ForEach(py::ssize_t begin, py::ssize_t end, F&& f) const {
    if (begin >= end) return;  // (none: an empty array has a dimension of 0)
    const py::ssize_t dims = static_cast<py::ssize_t>(shape_.size());
    std::vector<py::ssize_t> index(shape_.size(), 0);
    const char* at[4] = {base_[0], base_[1], base_[2], base_[3]};
    for (py::ssize_t d = dims - 1, rest = begin; d >= 0; --d) {  // where `begin` lies
      index[d] = rest % shape_[d], rest /= shape_[d];
      for (int k = 0; k < 4; ++k) at[k] += index[d] * strides_[k][d];
    }
    for (py::ssize_t i = begin; i < end; ++i) {
      f(i, *reinterpret_cast<const double*>(at[0]), *reinterpret_cast<const double*>(at[1]),
        *reinterpret_cast<const double*>(at[2]), *reinterpret_cast<const double*>(at[3]));
      for (py::ssize_t d = dims - 1; d >= 0; --d) {
        for (int k = 0; k < 4; ++k) at[k] += strides_[k][d];
        if (++index[d] < shape_[d]) break;
        for (int k = 0; k < 4; ++k) at[k] -= strides_[k][d] * shape_[d];
        index[d] = 0;
      }
    }
  }

 private:
  const Doubles* arrays_[4];
  const char* base_[4];
  std::vector<py::ssize_t> strides_[4];
  std::vector<py::ssize_t> shape_;
};

// `count` float64 arrays and a uint8 status array of the pairs' shape; the
// loop fills them through raw pointers with the GIL released. `least`: the
// fewest pairs worth a thread of their own.
template <std::size_t kCount, class Solve>
py::tuple Solved(const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2,
                 Solve&& solve, py::ssize_t least = 10000) {
  const Pairs pairs(lat1, lon1, lat2, lon2);
  std::vector<Doubles> out;
  double* to[kCount];
  for (std::size_t k = 0; k < kCount; ++k) {
    out.emplace_back(pairs.shape());
    to[k] = out.back().mutable_data();
  }
  py::array_t<std::uint8_t> status(pairs.shape());
  std::uint8_t* code = status.mutable_data();
  {
    // On every core (each pair is solved alone), in equal shares; a few
    // pairs on the calling thread alone.
    py::gil_scoped_release free;
    const auto part = [&](py::ssize_t begin, py::ssize_t end) {
      pairs.ForEach(begin, end, [&](py::ssize_t i, double a, double b, double c, double d) {
        double figures[kCount];
        const sailings::Status s = solve(a, b, c, d, figures);
        code[i] = static_cast<std::uint8_t>(s);
        for (std::size_t k = 0; k < kCount; ++k)
          to[k][i] = s == sailings::Status::ok ? figures[k] : kNaN;
      });
    };
    const py::ssize_t n = pairs.size();
    // (SAILINGS_THREADS caps them: one a Dask worker's thread, say.)
    const char* cap = std::getenv("SAILINGS_THREADS");
    const py::ssize_t cores = std::clamp<py::ssize_t>(
        cap && std::atoi(cap) > 0 ? std::atoi(cap) : std::thread::hardware_concurrency(), 1, 64);
    const py::ssize_t shares = std::clamp<py::ssize_t>(n / least, 1, cores);
    std::vector<std::thread> threads;
    for (py::ssize_t k = 1; k < shares; ++k)
      threads.emplace_back(part, n * k / shares, n * (k + 1) / shares);
    part(0, n / shares);
    for (std::thread& t : threads) t.join();
  }
  py::tuple result(kCount + 1);
  for (std::size_t k = 0; k < kCount; ++k) result[k] = out[k];
  result[kCount] = status;
  return result;
}

}  // namespace

void AddObjects(py::module_& m);  // objects.cpp
void AddVoyage(py::module_& m);   // voyage.cpp

PYBIND11_MODULE(_sailings, m) {
  m.doc() = "The sailings library's sailings over NumPy arrays (see the sailings package).";
  m.def(
      "great_ellipse",
      [](const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2) {
        return Solved<3>(
            lat1, lon1, lat2, lon2, [](double a, double b, double c, double d, double* f) {
              sailings::Route r;
              const sailings::Status s = sailings::SolveGreatEllipse(a, b, c, d, r);
              f[0] = r.ge_distance_nm, f[1] = r.ge_azimuth_fwd, f[2] = r.ge_course_final;
              return s;
            });
      },
      "distance_nm, course_initial, course_final, status");
  m.def(
      "rhumb_line",
      [](const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2) {
        return Solved<2>(lat1, lon1, lat2, lon2,
                         [](double a, double b, double c, double d, double* f) {
                           sailings::Route r;
                           const sailings::Status s = sailings::SolveRhumbLine(a, b, c, d, r);
                           f[0] = r.rhumb_distance_nm, f[1] = r.rhumb_course;
                           return s;
                         });
      },
      "distance_nm, course, status");
  m.def(
      "compare",
      [](const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2) {
        return Solved<12>(
            lat1, lon1, lat2, lon2, [](double a, double b, double c, double d, double* f) {
              sailings::Route r;
              sailings::Comparison x;
              const sailings::Status s = sailings::CompareRoute(a, b, c, d, r, x);
              const double all[12] = {
                  r.ge_distance_nm,       r.ge_azimuth_fwd,         r.ge_course_final,
                  r.rhumb_distance_nm,    r.rhumb_course,           x.geodesic_nm,
                  x.geodesic_azimuth_fwd, x.geodesic_azimuth_final, x.sphere_nm,
                  x.sphere_course,        x.sphere_course_final,    x.ge_geodesic_separation_km};
              for (int k = 0; k < 12; ++k) f[k] = all[k];
              return s;
            });
      },
      "the twelve figures of sailings.Comparison, status");
  m.def(
      "vertex",
      [](const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2) {
        return Solved<3>(
            lat1, lon1, lat2, lon2, [](double a, double b, double c, double d, double* f) {
              sailings::Passage p;
              const sailings::Status s = sailings::Passage::Solve(a, b, c, d, std::nullopt, p);
              if (s != sailings::Status::ok) return s;
              const sailings::Vertex v = p.FindVertex();
              f[0] = v.lat, f[1] = v.lon ? *v.lon : kNaN, f[2] = v.on_route;
              return s;
            });
      },
      "lat, lon (NaN: a pole or the equator), on_route, status");
  m.def(
      "composite",
      [](const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2,
         double limit) {
        return Solved<11>(
            lat1, lon1, lat2, lon2, [limit](double a, double b, double c, double d, double* f) {
              sailings::Passage p;
              const sailings::Status s = sailings::Passage::Solve(a, b, c, d, limit, p);
              if (s != sailings::Status::ok) return s;
              const sailings::CompositeTrack& k = *p.composite();
              const auto value = [](const std::optional<double>& x) { return x ? *x : kNaN; };
              const double all[11] = {k.total_nm,      k.initial_course,       k.final_course,
                                      value(k.ge1_nm), value(k.parallel_nm),   value(k.ge2_nm),
                                      value(k.t1_lat), value(k.t1_lon),        value(k.t2_lat),
                                      value(k.t2_lon), k.composite ? 1.0 : 0.0};
              for (int i = 0; i < 11; ++i) f[i] = all[i];
              return s;
            });
      },
      "the composite track's figures, status");
  m.def(
      "sea_distance",
      [](const Doubles& lat1, const Doubles& lon1, const Doubles& lat2, const Doubles& lon2,
         double clearance_nm, const std::vector<std::string>& avoid) {
        sailings::SeaOptions options;
        options.clearance_nm = clearance_nm;
        options.avoid = avoid;
        return Solved<2>(
            lat1, lon1, lat2, lon2,
            [&options](double a, double b, double c, double d, double* f) {
              sailings::SeaPassage passage;
              const sailings::Status s = sailings::PlanSeaPassage(a, b, c, d, options, passage);
              f[0] = passage.distance_nm;
              f[1] = static_cast<double>(passage.points.size()) - 1;
              return s;
            },
            1);  // (each passage is long work: one a thread)
      },
      "distance_nm, legs, status");
  m.def(
      "reason",
      [](int status) { return sailings::Describe(static_cast<sailings::Status>(status)); },
      "The library's reason for a status code.");
  AddObjects(m);
  AddVoyage(m);
}
