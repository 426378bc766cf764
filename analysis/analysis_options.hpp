#pragma once
// How the analysis runs, beyond what the input data file says: the threads of the pile pass, how
// each pile's head stiffness is found, and how finely the piles are meshed.

namespace stilt {

enum class StiffnessMethod {
  // Central differences on the six head displacements: twelve full nonlinear analyses per pile
  // and global iteration.
  kCentral,
  // The tangent of the converged pile state: the lateral system linearised with the tangent soil
  // moduli and bending stiffness, solved for unit head displacements.
  kTangent,
};

// The refinement factor that asks the engine for the mesh convergence of a run: analyses at
// K = 1 and 2 (and 4 when the answers still move), compared and extrapolated.
inline constexpr int kRefineAuto = 0;

struct AnalysisOptions {
  int threads = 0;  // threads of the pile pass; 0: one per core
  StiffnessMethod stiffness = StiffnessMethod::kCentral;
  // Mesh refinement factor K (1..16): every pile is analysed on K times its property's
  // increments, h = L/(N·K). The finite-difference error falls as h², so K = 2 removes about
  // three quarters of it. 1 analyses the input's own mesh.
  int refine = 1;
};

}  // namespace stilt
