#include "soil/user_py_curves.hpp"

#include <algorithm>
#include <cmath>

namespace stilt {
namespace {

// Depths closer than this are the same depth.
constexpr double kSameDepth = 1.0e-6;

}  // namespace

double UserPyTable::p(double y) const {
  if (ys.empty()) return 0.0;
  if (!(y > ys.front())) return ps.front();
  const auto it = std::upper_bound(ys.begin(), ys.end(), y);
  if (it == ys.end()) return ps.back();
  const auto i = static_cast<std::size_t>(it - ys.begin());  // ys[i - 1] <= y < ys[i]
  const double span = ys[i] - ys[i - 1];
  return ps[i - 1] + (ps[i] - ps[i - 1]) * (y - ys[i - 1]) / span;
}

double UserPyTable::tangent(double y) const {
  const auto it = std::upper_bound(ys.begin(), ys.end(), y);
  if (it == ys.begin() || it == ys.end()) return 0.0;
  const auto i = static_cast<std::size_t>(it - ys.begin());  // ys[i - 1] <= y < ys[i]
  return (ps[i] - ps[i - 1]) / (ys[i] - ys[i - 1]);
}

std::vector<UserPyTable> prepareUserPyTables(const UserPyCurveSet& set) {
  std::vector<UserPyTable> tables;
  tables.reserve(set.curves.size());
  for (const UserPyCurve& in : set.curves) {
    std::vector<PyPoint> pts;
    pts.reserve(in.points.size() + 1);
    for (const PyPoint& pt : in.points) {
      if (pt.y >= 0.0) pts.push_back(pt);
    }
    std::stable_sort(pts.begin(), pts.end(),
                     [](const PyPoint& a, const PyPoint& b) { return a.y < b.y; });
    if (pts.empty() || pts.front().y > 0.0) pts.insert(pts.begin(), PyPoint{0.0, 0.0});
    UserPyTable t;
    t.depth = in.depth;
    t.ys.reserve(pts.size());
    t.ps.reserve(pts.size());
    for (const PyPoint& pt : pts) {
      t.ys.push_back(pt.y);
      t.ps.push_back(pt.p);
      t.largestP = std::max(t.largestP, pt.p);
    }
    tables.push_back(std::move(t));
  }
  std::stable_sort(tables.begin(), tables.end(),
                   [](const UserPyTable& a, const UserPyTable& b) { return a.depth < b.depth; });
  return tables;
}

InterpolatedUserCurve interpolateUserCurves(std::span<const UserPyTable> tables, double x,
                                            bool& beyond) {
  InterpolatedUserCurve curve;
  beyond = false;
  if (tables.empty()) return curve;
  const UserPyTable& first = tables.front();
  const UserPyTable& last = tables.back();
  if (x <= first.depth || tables.size() == 1) {
    curve.upper = curve.lower = &first;
    beyond = x > last.depth + kSameDepth;
  } else if (x > last.depth + kSameDepth) {
    curve.upper = curve.lower = &last;
    beyond = true;
  } else {
    std::size_t i = 1;
    while (i + 1 < tables.size() && tables[i].depth < x) ++i;  // tables[i - 1] < x <= tables[i]
    curve.upper = &tables[i - 1];
    curve.lower = &tables[i];
    const double span = curve.lower->depth - curve.upper->depth;
    curve.weight = span > kSameDepth ? std::clamp((x - curve.upper->depth) / span, 0.0, 1.0) : 1.0;
  }
  curve.ultimate =
      (1.0 - curve.weight) * curve.upper->largestP + curve.weight * curve.lower->largestP;
  return curve;
}

double InterpolatedUserCurve::p(double y) const {
  if (upper == nullptr) return 0.0;
  const double a = upper->p(y);
  if (lower == upper) return a;
  return a + weight * (lower->p(y) - a);
}

double InterpolatedUserCurve::tangent(double y) const {
  if (upper == nullptr) return 0.0;
  const double a = upper->tangent(y);
  if (lower == upper) return a;
  return a + weight * (lower->tangent(y) - a);
}

void InterpolatedUserCurve::deflections(CurveDeflections& y) const {
  double top = 0.0;
  if (upper != nullptr) top = std::max(upper->ys.back(), lower->ys.back());
  for (std::size_t i = 0; i < kCurvePointCount; ++i) {
    y[i] = static_cast<double>(i) * top / 16.0;
  }
}

}  // namespace stilt
