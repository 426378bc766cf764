#include "pile/pile_sections.hpp"

#include <fmt/format.h>

#include <array>
#include <cstddef>
#include <string>
#include <tuple>

namespace stilt {
namespace {

// Section values by position in a cross-section record.
constexpr std::size_t kDiameter = 1;
constexpr std::size_t kWidth = 3;
constexpr std::size_t kDepth = 4;
constexpr std::size_t kArea = 10;
constexpr std::size_t kIz = 11;
constexpr std::size_t kIy = 12;
constexpr std::size_t kMomentCapacity = 15;
constexpr std::size_t kShearCapacity = 16;

// A node within this distance of a section end lies in the section (the increment length times
// the node number may miss the pile length by a rounding error).
constexpr double kCoordinateGuard = 1.0e-6;

// Values carried along the pile, at one section end.
struct EndValues {
  double eiz = 0.0;  // E·Iz
  double eiy = 0.0;  // E·Iy
  double diameter = 0.0, width = 0.0, depth = 0.0, area = 0.0, iz = 0.0, iy = 0.0;
  double mn = 0.0, vn = 0.0;
};

struct SectionPoint {
  double x = 0.0;
  int shape = 0;
  EndValues v;
};

EndValues endValues(const PileSection& s, const std::array<double, 19>& values) {
  EndValues e;
  e.eiz = s.elasticModulus * values[kIz];
  e.eiy = s.elasticModulus * values[kIy];
  e.diameter = values[kDiameter];
  e.width = values[kWidth];
  e.depth = values[kDepth];
  e.area = values[kArea];
  e.iz = values[kIz];
  e.iy = values[kIy];
  e.mn = values[kMomentCapacity];
  e.vn = values[kShearCapacity];
  return e;
}

double lerp(double a, double b, double t) {
  return a + (b - a) * t;
}

EndValues lerp(const EndValues& a, const EndValues& b, double t) {
  EndValues e;
  e.eiz = lerp(a.eiz, b.eiz, t);
  e.eiy = lerp(a.eiy, b.eiy, t);
  e.diameter = lerp(a.diameter, b.diameter, t);
  e.width = lerp(a.width, b.width, t);
  e.depth = lerp(a.depth, b.depth, t);
  e.area = lerp(a.area, b.area, t);
  e.iz = lerp(a.iz, b.iz, t);
  e.iy = lerp(a.iy, b.iy, t);
  e.mn = lerp(a.mn, b.mn, t);
  e.vn = lerp(a.vn, b.vn, t);
  return e;
}

class SectionBuilder {
 public:
  SectionBuilder(const AnalysisModel& model, int property, Diagnostics& diag)
      : model_(model), number_(property), diag_(diag) {}

  StatusCode build(LateralPileModel& pile, int refine) {
    const int properties = static_cast<int>(model_.properties.size());
    if (number_ < 1 || number_ > properties) {
      return refuse(
          StatusCode::kInputUndefinedReference,
          fmt::format("PILE PROPERTY {} IS NOT DEFINED: THE FILE DEFINES {}", number_, properties));
    }
    const PileProperty& prop = model_.properties[static_cast<std::size_t>(number_ - 1)];
    if (prop.increments < 1 || prop.increments > kMaxFileIncrements) {
      return refuse(StatusCode::kInputInvalidValue,
                    fmt::format("PILE PROPERTY {} HAS {} INCREMENTS; 1 TO {} ARE NEEDED", number_,
                                prop.increments, kMaxFileIncrements));
    }
    if (refine < 1 || refine > kMaxRefinement) {
      return refuse(
          StatusCode::kInputInvalidValue,
          fmt::format("A MESH REFINEMENT FACTOR OF {} IS OUTSIDE 1 TO {}", refine, kMaxRefinement));
    }
    if (!(prop.length > 0.0)) {
      return refuse(StatusCode::kInputInvalidValue,
                    fmt::format("PILE PROPERTY {} HAS A LENGTH OF {:.4E}; IT MUST BE POSITIVE",
                                number_, prop.length));
    }
    if (prop.sections.empty()) {
      return refuse(StatusCode::kInputInvalidValue,
                    fmt::format("PILE PROPERTY {} HAS NO SECTIONS", number_));
    }
    const bool nonlinear = model_.switches.nonlinearBending();
    std::size_t count = 0;
    for (std::size_t k = 0; k < prop.sections.size(); ++k) {
      const StatusCode status =
          addSection(prop.sections[k], static_cast<int>(k + 1), nonlinear, count);
      if (!isOk(status)) return status;
    }

    // Every increment of the property cut into `refine` equal ones; the section values are
    // interpolated at the nodes of the finer mesh.
    const int n = prop.increments * refine;
    pile.resizeNodes(n);
    pile.increment = prop.length / n;
    pile.nonlinearBending = nonlinear;
    for (int m = 0; m <= n; ++m) {
      const auto node = static_cast<std::size_t>(m);
      const double x = m * pile.increment;
      const SectionPoint p = valuesAt(x, count);
      pile.stiffnessY[node] = p.v.eiz;
      pile.stiffnessZ[node] = model_.is2d() ? p.v.eiz : p.v.eiy;
      NodeSection& s = pile.sections[node];
      s.shape = p.shape;
      s.diameter = p.v.diameter;
      s.width = p.v.width;
      s.depth = p.v.depth;
      s.area = p.v.area;
      s.iz = p.v.iz;
      s.iy = p.v.iy;
      s.momentCapacity = p.v.mn;
      s.shearCapacity = p.v.vn;
      if (nonlinear) {
        for (const PileSection& sec : prop.sections) {
          if (x >= sec.from - kCoordinateGuard && x <= sec.to + kCoordinateGuard) {
            pile.curvesY[node] = setOf(sec.nleiY);
            // The planar analysis bends in one plane only ("SET_NLEI").
            pile.curvesZ[node] = model_.is2d() ? nullptr : setOf(sec.nleiZ);
            break;
          }
        }
      }
    }
    return StatusCode::kCompleted;
  }

 private:
  StatusCode refuse(StatusCode code, const std::string& what, const std::string& detail = {}) {
    diag_.both("     **** FATAL ERROR ****");
    diag_.both("     " + what);
    if (!detail.empty()) diag_.both("     " + detail);
    return code;
  }

  const MomentCurvatureSet* setOf(int number) const {
    if (number < 1) return nullptr;
    return &model_.momentCurvatureSets[static_cast<std::size_t>(number - 1)];
  }

  StatusCode addSection(const PileSection& sec, int k, bool nonlinear, std::size_t& count) {
    const std::string where = fmt::format("PILE PROPERTY {}, SECTION {}", number_, k);
    const int crossSections = static_cast<int>(model_.crossSections.size());
    if (sec.crossSection < 1 || sec.crossSection > crossSections) {
      return refuse(StatusCode::kInputUndefinedReference,
                    fmt::format("{}: CROSS SECTION {} IS NOT DEFINED", where, sec.crossSection));
    }
    const CrossSection& cs = model_.crossSections[static_cast<std::size_t>(sec.crossSection - 1)];
    const EndValues top = endValues(sec, cs.top);
    const EndValues bottom = endValues(sec, cs.bottom);
    const bool bothPlanes = !model_.is2d();
    for (const auto& [end, v, values] :
         {std::tuple{"TOP", top, &cs.top}, std::tuple{"BOTTOM", bottom, &cs.bottom}}) {
      if (!(v.eiz > 0.0) || (bothPlanes && !(v.eiy > 0.0))) {
        return refuse(StatusCode::kZeroBendingStiffness,
                      fmt::format("{} (CROSS SECTION {}) HAS ZERO BENDING STIFFNESS", where,
                                  sec.crossSection),
                      fmt::format("AT ITS {}: E ={:12.4E}, Iz ={:12.4E}, Iy ={:12.4E}", end,
                                  sec.elasticModulus, (*values)[kIz], (*values)[kIy]));
      }
    }
    if (nonlinear) {
      for (const int set : {sec.nleiY, model_.is2d() ? 0 : sec.nleiZ}) {
        const StatusCode status = checkSet(where, set);
        if (!isOk(status)) return status;
      }
    }
    points_[count++] = {sec.from, cs.typeCode, top};
    points_[count++] = {sec.to, cs.typeCode, bottom};
    return StatusCode::kCompleted;
  }

  // A set the bending-stiffness update can read: every axial-load level a curve whose second
  // point lies at a positive curvature (the first-segment slope M2/φ2).
  StatusCode checkSet(const std::string& where, int number) {
    if (number == 0) return StatusCode::kCompleted;
    const int sets = static_cast<int>(model_.momentCurvatureSets.size());
    if (number < 0 || number > sets) {
      return refuse(StatusCode::kInputUndefinedReference,
                    fmt::format("{}: MOMENT-CURVATURE SET {} IS NOT DEFINED", where, number));
    }
    const MomentCurvatureSet& set =
        model_.momentCurvatureSets[static_cast<std::size_t>(number - 1)];
    if (set.curves.empty()) {
      return refuse(StatusCode::kInputInvalidValue,
                    fmt::format("{}: MOMENT-CURVATURE SET {} HAS NO CURVES", where, number));
    }
    for (std::size_t c = 0; c < set.curves.size(); ++c) {
      const auto& pts = set.curves[c].points;
      if (pts.size() < 2 || !(pts[1].curvature > 0.0)) {
        return refuse(StatusCode::kInputInvalidValue,
                      fmt::format("{}: MOMENT-CURVATURE SET {}, CURVE {}", where, number, c + 1),
                      "NEEDS TWO POINTS OR MORE, THE SECOND AT A POSITIVE CURVATURE");
      }
    }
    return StatusCode::kCompleted;
  }

  // Values at coordinate x: linear between the section points around x, the end point's values
  // beyond the ends. On a boundary between two sections the upper section's bottom values.
  SectionPoint valuesAt(double x, std::size_t count) const {
    if (x <= points_[0].x) return points_[0];
    for (std::size_t i = 0; i + 1 < count; ++i) {
      const SectionPoint& a = points_[i];
      const SectionPoint& b = points_[i + 1];
      if (x <= b.x) {
        const double span = b.x - a.x;
        if (!(span > 0.0)) return b;
        return {x, a.shape, lerp(a.v, b.v, (x - a.x) / span)};
      }
    }
    return points_[count - 1];
  }

  const AnalysisModel& model_;
  int number_;
  Diagnostics& diag_;
  std::array<SectionPoint, 2 * capacity::kSectionsPerProperty> points_{};
};

}  // namespace

StatusCode buildPileSections(const AnalysisModel& model, int property, LateralPileModel& pile,
                             Diagnostics& diag, int refine) {
  // The reader refuses more sections than a property may hold; a model built otherwise is
  // refused here rather than overrun.
  if (property >= 1 && property <= static_cast<int>(model.properties.size()) &&
      model.properties[static_cast<std::size_t>(property - 1)].sections.size() >
          static_cast<std::size_t>(capacity::kSectionsPerProperty)) {
    diag.both("     **** FATAL ERROR ****");
    diag.both(fmt::format("     PILE PROPERTY {} HAS MORE THAN {} SECTIONS", property,
                          capacity::kSectionsPerProperty));
    return StatusCode::kInputCapacityExceeded;
  }
  return SectionBuilder(model, property, diag).build(pile, refine);
}

}  // namespace stilt
