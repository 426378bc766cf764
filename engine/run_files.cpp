#include "engine/run_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace stilt {
namespace {

const std::vector<OutputFile> kOutputFiles = {
    {6, "out", "output report"},
    {7, "sum", "output summary"},
    {8, "plt", "plot output (curve listings for graphing)"},
    {9, "run", "runtime file (reading trace, warnings, final status)"},
    {10, "cnv", "convergence status, one coded line per load case or combination"},
    {11, "cap", "pile-cap results"},
    {12, "prg", "progress (the latest progress record)"},
    {13, "tz", "generated t-z and tip curves"},
    {14, "csw", "cap-stiffness work file"},
    {15, "phw", "pile-head results work file"},
    {16, "ppw", "per-pile results work file"},
    {17, "stp", "stop file: write 1 into it to stop the run"},
    {18, "eqk", "equivalent-stiffness listing"},
    {19, "fst", "foundation-stiffness iteration trace"},
    {20, "wrn", "warnings work file"},
    {21, "lcd", "per-load-case data (stiffness and corrections of every iteration)"},
    {22, "atc", "generated axial load-transfer curves"},
    {23, "crv", "curve work file (curve export)"},
    {24, "nod", "pile node results for graphing"},
    {25, "smw", "summary work file"},
};

}  // namespace

const std::vector<OutputFile>& outputFiles() {
  return kOutputFiles;
}

std::string namesFileText(const std::filesystem::path& input) {
  std::ostringstream out;
  out << "stilt\n";
  out << "stilt command-line host\n";
  out << input.filename().string() << "\n";
  out << "0\n";
  out << std::filesystem::absolute(input).lexically_normal().string() << "\n";
  const std::string stem = input.stem().string();
  for (const OutputFile& f : kOutputFiles) out << stem << '.' << f.extension << "\n";
  return out.str();
}

bool writeNamesFileFor(const std::filesystem::path& input, const std::filesystem::path& folder,
                       std::string& error) {
  const std::filesystem::path namesFile = folder / "Names.dat";
  const int fd =
      ::open(namesFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = "cannot write " + namesFile.string() + ": " + std::strerror(errno);
    return false;
  }
  const std::string text = namesFileText(input);
  const bool whole = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (::close(fd) != 0 || !whole) {
    error = namesFile.string() + " could not be written";
    return false;
  }
  return true;
}

}  // namespace stilt
