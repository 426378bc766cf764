#pragma once
// The model files of a flexible cap: the plate model built from the cap, its card-format file
// (the plate solver's input, read back by `readCardModel`), its keyword-format copy, and the
// run-control file `gslab.dat` that names the files of the plate analysis.

#include <array>
#include <cstddef>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "cap/cap_mesh.hpp"
#include "cap/plate_model.hpp"
#include "cap/plate_solver.hpp"

namespace stilt::cap {

inline constexpr const char* kCapModelTitle = "TEST OF ORLIM5_FC";
// A twisting moment about the normal smaller than this is taken as none.
inline constexpr double kTwistingMomentThreshold = 1.0e-10;

// One pile head under the cap.
struct CapPile {
  double x = 0.0, y = 0.0, z = 0.0;   // head coordinates
  std::array<double, 3> direction{};  // direction components of the pile axis
  int connection = 2;                 // 1 pinned, 2 fixed, 3 rotational spring
};

// What the cap model is built from.
struct CapModelInput {
  CapGeometry geometry;
  double young = 0.0;
  double poisson = 0.0;
  PlateStepping stepping;
  // The load resultant at the origin: PX, PY, PZ, MX (about the normal), MY, MZ.
  std::array<double, 6> load{};
  std::vector<CapPile> piles;
};

// The plate model of the cap: mesh, material, the load records (the resultant at the origin
// and, for a twisting moment, eight in-plane point loads that replace it) and a pile-spring
// record per pile.
[[nodiscard]] PlateModel buildCapPlateModel(const CapModelInput& in);

// The eight point loads in the plane of the cap that replace a twisting moment MX: with the
// lever arm a = min(t, L_Y, W_Z) and the basic force B = −0.5·MX/a, tangential forces of
// magnitude |B|/2 at eight points a/2 from the cap centre, 45° apart (the components at the
// diagonal points carry the factor 1/√2). Their resultant is zero and their moment about X is MX.
[[nodiscard]] std::vector<PlateLoad> twistingMomentLoads(const CapGeometry& g, double mx);

void writeCardModel(const PlateModel& m, std::ostream& os);
void writeKeywordModel(const PlateModel& m, std::ostream& os);

// Reading a card model: the header (title, control and time records), then the rest.
struct CardReader {
  std::vector<std::string> lines;
  std::size_t next = 0;  // index of the next line to read
  std::string fileName;  // for messages
};
[[nodiscard]] CardReader cardReaderOf(std::istream& is, std::string fileName);
// False with `error` naming the file, the line and the fault.
[[nodiscard]] bool readCardHeader(CardReader& r, PlateModel& m, std::string& error);
[[nodiscard]] bool readCardBody(CardReader& r, PlateModel& m, std::string& error);
// The lines not read yet (the post-disaster data cards).
[[nodiscard]] std::vector<std::string> remainingLines(const CardReader& r);

// The five files of a plate analysis, in the order of the lines of `gslab.dat`. The names are
// relative to the folder of `gslab.dat`.
struct CapFileNames {
  std::string keywordModel;  // not read by the plate solver
  std::string cardModel;     // the plate solver's input
  std::string listing;
  std::string stepResults;
  std::string messages;
};
inline constexpr const char* kGslabName = "gslab.dat";

// The names of a run whose files are named after `stem`: <stem>_plate_model.key,
// <stem>_plate_model.dat, <stem>_plate.lst, <stem>_plate_steps.dat, <stem>_plate.msg.
[[nodiscard]] CapFileNames capFileNamesFor(const std::string& stem);

// `gslab.dat`: one name a line, each in a field of 75 characters (a longer name is written
// whole, never cut).
[[nodiscard]] std::string gslabText(const CapFileNames& names);
[[nodiscard]] bool readGslab(std::istream& is, CapFileNames& names, std::string& error);

// Writes `gslab.dat`, the card model and the keyword model into `folder`. False with the reason
// in `error` when a file cannot be written whole.
[[nodiscard]] bool writeCapModel(const std::filesystem::path& folder, const CapFileNames& names,
                                 const PlateModel& m, std::string& error);

// The plate run of a folder: reads `gslab.dat` and the card model it names (both must exist),
// checks and solves the model on `supports`, and writes the plate listing, the step results and
// the message file named there. kFileError with `error` saying which file and why.
[[nodiscard]] PlateStatus runCapPlateSolver(const std::filesystem::path& folder,
                                            CapSupports* supports, PlateSolution& solution,
                                            std::vector<std::string>& messages, std::string& error);

}  // namespace stilt::cap
