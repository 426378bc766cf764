#pragma once
// How the analysis runs, beyond what the input data file says: the threads of the pile pass and
// how each pile's head stiffness is found. Neither changes what is analysed.

namespace stilt {

enum class StiffnessMethod {
  // Central differences on the six head displacements: twelve full nonlinear analyses per pile
  // and global iteration.
  kCentral,
  // The tangent of the converged pile state: the lateral system linearised with the tangent soil
  // moduli and bending stiffness, solved for unit head displacements.
  kTangent,
};

struct AnalysisOptions {
  int threads = 0;  // threads of the pile pass; 0: one per core
  StiffnessMethod stiffness = StiffnessMethod::kCentral;
};

}  // namespace stilt
