#pragma once
// Small soil profiles and piles for the load-transfer tests, written out value by value so that
// every expected number in the tests can be worked from them by hand.

#include <initializer_list>
#include <utility>
#include <vector>

#include "soil/axial_pile.hpp"
#include "soil/soil_profile.hpp"

namespace stilt::testing {

inline constexpr double kDegree = 3.14159265358979323846 / 180.0;

using Values = std::initializer_list<std::pair<SoilParameter, double>>;

// A layer with the same parameters at its top and bottom (friction angle given in degrees).
inline ProfileLayer uniformLayer(int code, double top, double bottom, Values values) {
  ProfileLayer l;
  l.code = code;
  l.type = soilTypeOf(code);
  l.top = top;
  l.bottom = bottom;
  for (const auto& [p, v] : values) {
    const double value = p == SoilParameter::kFrictionAngle ? v * kDegree : v;
    l.atTop[static_cast<std::size_t>(p)] = value;
    l.atBottom[static_cast<std::size_t>(p)] = value;
  }
  return l;
}

inline SoilProfile profileOf(std::vector<ProfileLayer> layers, int unitsCode = 1) {
  return SoilProfile(std::move(layers), unitsCode);
}

// A straight pile of one section with uniform rigidities.
inline AxialPile straightPile(double length, int segments, double diameter, double area, double ea,
                              double gj, int pileType = kDrivenPile) {
  AxialPile p;
  p.property = 1;
  p.pileType = pileType;
  p.length = length;
  p.segments = segments;
  p.diameter = diameter;
  p.tipDiameter = diameter;
  p.tipArea = area;
  p.headDepth = 0.0;
  p.sections.push_back({0.0, length, ea, ea, gj, gj});
  return p;
}

}  // namespace stilt::testing
