#include "model/status_code.hpp"

#include <array>
#include <string_view>

namespace stilt {
namespace {

constexpr std::string_view kErrorHead = "* ERROR IN ANALYSIS *";

struct Entry {
  std::int32_t code;
  int indent1;
  std::string_view line1;
  int indent2;
  std::string_view line2;
};

// Codes whose lines follow "* ERROR IN ANALYSIS *". An empty second line means one line only.
constexpr std::array kErrorTable = {
    Entry{3, 4, "PILE LENGTH EXTENDS BELOW THE BOTTOM", 4, "OF THE DEEPEST LAYER, NODE"},
    Entry{13, 4, "PILE LENGTH EXTENDS BELOW THE BOTTOM", 4, "OF THE DEEPEST LAYER, NODE2D"},
    Entry{14, 4, "DETERMINANT OF STIFFNESS MATRIX IS ZERO", 0, ""},
    Entry{21, 4, "WEAK ROCK, THE COHESIVE STRENGTH IS ZERO", 0, ""},
    Entry{22, 4, "CURRENT DEPTH IS BEYOND THE EXTENT", 4, "OF INPUT CURVE FOR UNIT WEIGHT"},
    Entry{23, 4, "CURRENT DEPTH IS BEYOND THE EXTENT", 4, "OF INPUT CURVE FOR COHESION"},
    Entry{24, 4, "CURRENT DEPTH IS BEYOND THE EXTENT", 4, "OF INPUT CURVE FOR FRICTION ANGLE"},
    Entry{25, 4, "CURRENT DEPTH IS BEYOND THE EXTENT", 4, "OF INPUT CURVE FOR SIDE FRICTION"},
    Entry{26, 4, "CURRENT DEPTH IS BEYOND THE EXTENT", 4, "OF INPUT CURVE FOR SIDE RESISTANCE"},
    // 27 prints the same text as 24.
    Entry{27, 4, "CURRENT DEPTH IS BEYOND THE EXTENT", 4, "OF INPUT CURVE FOR FRICTION ANGLE"},
    Entry{28, 4, "SILT, THE FRICTION ANGLE IS ZERO", 0, ""},
    Entry{29, 4, "SILT, SLOPE ANGLE GREATER THAN FRICTION ANGLE", 0, ""},
    Entry{30, 4, "SAND, THE FRICTION ANGLE IS ZERO", 0, ""},
    Entry{31, 4, "SAND, SLOPE ANGLE GREATER THAN FRICTION ANGLE", 0, ""},
    Entry{32, 5, "LS CURVE, E50 VALUE IS ZERO", 0, ""},
    Entry{33, 6, "LS CURVE, COHESION VALUE IS ZERO", 0, ""},
    Entry{34, 5, "TORQUE CURVE, E50 VALUE IS ZERO", 0, ""},
    Entry{35, 5, "TORQUE CURVE, COHESION VALUE IS ZERO", 0, ""},
    // Our own refusals; the detailed message (record, line, what was wrong) precedes them.
    Entry{40, 4, "RUN-CONTROL FILE Names.dat IS MISSING", 4, "OR MALFORMED"},
    Entry{41, 4, "A FILE OF THE RUN CANNOT BE OPENED", 4, "OR CREATED"},
    Entry{42, 4, "INPUT DATA FILE ENDS BEFORE", 4, "A REQUIRED RECORD"},
    Entry{43, 4, "INPUT DATA FILE HOLDS A VALUE", 4, "OF THE WRONG KIND"},
    Entry{44, 4, "A COUNT IN THE INPUT DATA FILE", 4, "EXCEEDS A CAPACITY"},
    Entry{45, 4, "THE INPUT DATA FILE REFERS TO", 4, "AN ITEM IT DOES NOT DEFINE"},
    Entry{46, 4, "THE INPUT DATA FILE HOLDS A VALUE", 4, "THE ANALYSIS CANNOT USE"},
    Entry{47, 4, "A PILE SECTION HAS ZERO BENDING STIFFNESS", 4,
          "(ELASTIC MODULUS OR MOMENT OF INERTIA)"},
    Entry{49, 4, "INTERNAL ERROR OF THE ENGINE", 0, ""},
    Entry{50, 5, "TORQUE CURVE, GJ (TORSIONAL RIGIDITY)", 5, "OF A PILE SECTION IS ZERO"},
    Entry{51, 5, "LS CURVE, MOVEMENT ITERATION", 5, "DOES NOT CLOSE IN A SEGMENT"},
    Entry{52, 5, "TORQUE CURVE, TWIST ITERATION", 5, "DOES NOT CLOSE IN A SEGMENT"},
    Entry{53, 5, "LS CURVE, EA (AXIAL RIGIDITY)", 5, "OF A PILE SECTION IS ZERO"},
    Entry{54, 4, "A FILE OF THE RUN COULD NOT BE WRITTEN", 4, "(DISK FULL OR WRITE ERROR)"},
};

}  // namespace

std::vector<StatusLine> statusLines(std::int32_t code) {
  if (code == 0) return {{4, "ANALYSIS COMPLETED"}};
  if (code == 4) return {{5, "*** ANALYSIS STOPPED BY USER ***"}};
  std::vector<StatusLine> lines{{4, std::string(kErrorHead)}};
  for (const Entry& e : kErrorTable) {
    if (e.code != code) continue;
    lines.push_back({e.indent1, std::string(e.line1)});
    if (!e.line2.empty()) lines.push_back({e.indent2, std::string(e.line2)});
    return lines;
  }
  lines.push_back({4, std::to_string(code) + ", UNKNOWN CODE"});
  return lines;
}

}  // namespace stilt
