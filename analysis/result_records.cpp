#include "analysis/result_records.hpp"

#include <fmt/format.h>

namespace stilt {

std::string itemResultText(int code, double convergedFraction) {
  switch (code) {
    case 1:
      return "ANALYSIS COMPLETED";
    case 2:
      // The percentage as the convergence-status file prints it: eight columns, two decimals.
      return fmt::format("SOLUTION AT{:>8.2f}% OF THE TOTAL LOAD", 100.0 * convergedFraction);
    case 3:
      return "NO CONVERGENCE ON PILE CAP";
    case 6:
      return "NO CONVERGENCE ON PILES";
    case 7:
      return "SINGULAR STIFFNESS MATRIX";
    case kItemNotAnalysed:
      return "ANALYSIS NOT PERFORMED";
    case kItemPlateModelWritten:
      return "PLATE MODEL WRITTEN, NOT SOLVED";
    default:
      return {};
  }
}

}  // namespace stilt
