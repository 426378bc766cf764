#include "soil/axial_pile.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace stilt {
namespace {

constexpr double kSameDepth = 1.0e-6;
// A rigidity not greater than this is no rigidity: the transfer divides by it.
constexpr double kNoRigidity = 1.0e-6;
// Positions of the section values of a cross section.
constexpr std::size_t kDiameterValue = 1;
constexpr std::size_t kAreaValue = 10;
constexpr std::size_t kTorsionalRigidityValue = 14;

StatusCode refuse(Diagnostics& diag, StatusCode code, int property, const std::string& reason) {
  diag.both("     **** FATAL ERROR ****");
  diag.both(fmt::format("     PILE PROPERTY {}: {}", property, reason));
  return code;
}

}  // namespace

StatusCode axialPileOf(const AnalysisModel& model, int propertyIndex, double headDepth,
                       AxialPile& pile, Diagnostics& diag) {
  const int count = static_cast<int>(model.properties.size());
  if (propertyIndex < 0 || propertyIndex >= count) {
    return refuse(diag, StatusCode::kInputUndefinedReference, propertyIndex + 1,
                  fmt::format("NOT DEFINED; THE INPUT HOLDS {}", count));
  }
  const PileProperty& prop = model.properties[static_cast<std::size_t>(propertyIndex)];
  const int number = propertyIndex + 1;
  if (prop.sections.empty()) {
    return refuse(diag, StatusCode::kInputInvalidValue, number, "THE PROPERTY HAS NO SECTIONS");
  }
  if (prop.increments < 1) {
    return refuse(diag, StatusCode::kInputInvalidValue, number,
                  "THE NUMBER OF INCREMENTS IS LESS THAN 1");
  }
  if (!(prop.length > 0.0)) {
    return refuse(diag, StatusCode::kInputInvalidValue, number,
                  "THE PILE LENGTH IS NOT GREATER THAN ZERO");
  }

  AxialPile p;
  p.property = number;
  p.pileType = prop.pileType;
  p.length = prop.length;
  p.segments = prop.increments;
  p.headDepth = headDepth;
  p.sections.reserve(prop.sections.size());
  const int crossSections = static_cast<int>(model.crossSections.size());
  double top = 0.0;
  for (std::size_t k = 0; k < prop.sections.size(); ++k) {
    const PileSection& s = prop.sections[k];
    if (s.crossSection < 1 || s.crossSection > crossSections) {
      return refuse(
          diag, StatusCode::kInputUndefinedReference, number,
          fmt::format("SECTION {} REFERS TO CROSS SECTION {}, NOT DEFINED", k + 1, s.crossSection));
    }
    const CrossSection& x = model.crossSections[static_cast<std::size_t>(s.crossSection) - 1];
    SectionRigidity r;
    r.top = top;
    r.bottom = s.to;
    r.eaTop = s.elasticModulus * x.top[kAreaValue];
    r.eaBottom = s.elasticModulus * x.bottom[kAreaValue];
    r.gjTop = x.top[kTorsionalRigidityValue];
    r.gjBottom = x.bottom[kTorsionalRigidityValue];
    p.sections.push_back(r);
    top = s.to;
  }
  const CrossSection& first =
      model.crossSections[static_cast<std::size_t>(prop.sections.front().crossSection) - 1];
  const CrossSection& last =
      model.crossSections[static_cast<std::size_t>(prop.sections.back().crossSection) - 1];
  p.diameter = first.top[kDiameterValue];
  p.tipDiameter = last.bottom[kDiameterValue];
  p.tipArea = last.bottom[kAreaValue];
  // Side load grows with the perimeter pi·D and the curves scale with D: without a diameter the
  // shapes collapse onto zero movement and the twists divide by the radius.
  if (!(p.diameter > 0.0) || !(p.tipDiameter > 0.0)) {
    return refuse(diag, StatusCode::kInputInvalidValue, number,
                  "THE EQUIVALENT DIAMETER OF THE PILE IS NOT GREATER THAN ZERO");
  }
  pile = std::move(p);
  return StatusCode::kCompleted;
}

double rigidityAt(const AxialPile& pile, Rigidity which, double x) {
  if (pile.sections.empty()) return 0.0;
  const SectionRigidity* s = &pile.sections.back();
  for (const SectionRigidity& c : pile.sections) {
    if (x <= c.bottom + kSameDepth) {
      s = &c;
      break;
    }
  }
  const bool axial = which == Rigidity::kAxial;
  const double atTop = axial ? s->eaTop : s->gjTop;
  const double atBottom = axial ? s->eaBottom : s->gjBottom;
  const double span = s->bottom - s->top;
  if (std::fabs(span) < kSameDepth) return atTop;
  // Beyond the sections (a pile longer than its last "TO") the end value holds: extending a
  // taper could reach zero rigidity.
  const double f = std::clamp((x - s->top) / span, 0.0, 1.0);
  return atTop + (atBottom - atTop) * f;
}

StatusCode checkRigidity(const AxialPile& pile, Rigidity which, Diagnostics& diag) {
  const bool axial = which == Rigidity::kAxial;
  bool zero = false;
  for (std::size_t k = 0; k < pile.sections.size(); ++k) {
    const SectionRigidity& s = pile.sections[k];
    const double top = axial ? s.eaTop : s.gjTop;
    const double bottom = axial ? s.eaBottom : s.gjBottom;
    if (top > kNoRigidity && bottom > kNoRigidity) continue;
    zero = true;
    diag.both(axial ? "     ERROR!!!     EA(AXIAL RIGIDITY) IS ZERO"
                    : "     ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO");
    diag.both(fmt::format("     PILE PROPERTY {}, SECTION {}", pile.property, k + 1));
  }
  if (!zero) return StatusCode::kCompleted;
  return axial ? StatusCode::kZeroAxialRigidity : StatusCode::kZeroTorsionalRigidity;
}

}  // namespace stilt
