#pragma once
// One pile property as the axial and torsional load transfer sees it: length, segments,
// diameters, tip area, and the axial (E·A) and torsional (GJ) rigidity of every section.
//
// Depths of the sections are measured from the pile head. The head itself lies `headDepth`
// below the top of the soil profile, so the tip lies at `length + headDepth` in profile depths.

#include <vector>

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"

namespace stilt {

// Installation methods of a pile property.
inline constexpr int kDrivenPile = 1;
inline constexpr int kDrilledShaft = 2;

// Rigidities of one pile section, linear between its top and its bottom.
struct SectionRigidity {
  double top = 0.0;     // depth below the pile head: 0 for the first, else the previous bottom
  double bottom = 0.0;  // the section's "TO"
  double eaTop = 0.0;   // E times the cross-section area at the top
  double eaBottom = 0.0;
  double gjTop = 0.0;  // torsional rigidity as given for the cross section
  double gjBottom = 0.0;
};

struct AxialPile {
  int property = 0;  // 1-based number of the property, for messages and listings
  int pileType = kDrivenPile;
  double length = 0.0;
  int segments = 0;          // the property's number of increments
  double diameter = 0.0;     // D: equivalent diameter at the top of the first section
  double tipDiameter = 0.0;  // Db: equivalent diameter at the bottom of the last section
  double tipArea = 0.0;      // cross-section area at the bottom of the last section
  double headDepth = 0.0;    // depth of the pile head below the top of the soil profile
  std::vector<SectionRigidity> sections;

  // Installation codes other than 2 are treated as driven piles.
  bool drilled() const { return pileType == kDrilledShaft; }
  double segmentLength() const { return length / segments; }
  double tipDepth() const { return length + headDepth; }  // below the top of the profile
};

// The pile of property `propertyIndex` (0-based) of the model. Refuses, with status 45 or 46 and
// message lines, a property that does not exist, has no sections, refers to an undefined cross
// section, has fewer than one increment, no length, or a diameter that is not positive.
[[nodiscard]] StatusCode axialPileOf(const AnalysisModel& model, int propertyIndex,
                                     double headDepth, AxialPile& pile, Diagnostics& diag);

enum class Rigidity { kAxial, kTorsional };

// E·A or GJ at depth x below the pile head: linear between the top and bottom values of the
// section that contains x (the first section whose bottom is not above x); beyond the first top
// or the last bottom the end value holds.
[[nodiscard]] double rigidityAt(const AxialPile& pile, Rigidity which, double x);

// Every section whose rigidity at its top or bottom is not greater than 1.0E-6 gets the line
// "ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO" (or EA(AXIAL RIGIDITY) for the axial case) and a
// line naming the property and the section, to the report and the runtime file. Any such
// section gives status 50 (torsional) or 53 (axial): the transfer would divide by it.
[[nodiscard]] StatusCode checkRigidity(const AxialPile& pile, Rigidity which, Diagnostics& diag);

}  // namespace stilt
