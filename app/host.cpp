#include "app/host.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "model/file_set.hpp"

namespace stilt::app {
namespace {

std::string trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::string text;
  if (!readRegularFile(file, text)) return lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string ioError(int error) {
  return error == 0 ? std::string("write error") : std::string(std::strerror(error));
}

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

std::filesystem::path defaultOutputFolder(const std::filesystem::path& input) {
  // An input without an extension would name its own folder; its results go to NAME_run.
  if (!input.has_extension()) return input.parent_path() / (input.filename().string() + "_run");
  return input.parent_path() / input.stem();
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

bool readNamesPaths(const std::filesystem::path& folder, std::vector<std::filesystem::path>& paths,
                    std::string& error) {
  const std::filesystem::path names = folder / "Names.dat";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(names, ec)) {
    error = "no Names.dat in " + folder.string();
    return false;
  }
  const std::vector<std::string> lines = readLines(names);
  if (lines.size() < 25) {
    error = names.string() + " has " + std::to_string(lines.size()) + " lines; it needs 25";
    return false;
  }
  paths.clear();
  for (std::size_t i = 4; i < 25; ++i) {
    const std::string p = trim(lines[i]);
    if (p.empty()) {
      paths.emplace_back();
    } else {
      const std::filesystem::path path(p);
      paths.push_back(path.is_absolute() ? path : folder / path);
    }
  }
  return true;
}

bool readRegularFile(const std::filesystem::path& file, std::string& text) {
  text.clear();
  if (file.empty()) return false;
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  std::array<char, 65536> buffer{};
  while (ok) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

std::optional<std::string> inputClash(const std::filesystem::path& input,
                                      const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> written = {folder / "Names.dat", folder / kResultsFile,
                                                folder / kResultsTempFile};
  const std::string stem = input.stem().string();
  for (const OutputFile& f : kOutputFiles) written.push_back(folder / (stem + '.' + f.extension));
  for (const std::filesystem::path& p : written) {
    if (!stilt::sameFile(input, p)) continue;
    return "the input file " + input.string() + " is the same file as " + p.string() +
           ", which the run writes; choose another output folder (--out) or rename the input";
  }
  return std::nullopt;
}

std::optional<std::string> resultsClash(const std::filesystem::path& folder,
                                        const std::vector<std::filesystem::path>& paths) {
  std::vector<std::filesystem::path> named = paths;
  named.push_back(folder / "Names.dat");
  for (const char* own : {kResultsFile, kResultsTempFile}) {
    for (const std::filesystem::path& p : named) {
      if (!stilt::sameFile(folder / own, p)) continue;
      return (folder / own).string() + ", which stilt writes, is the same file as " + p.string() +
             ", named by " + (folder / "Names.dat").string();
    }
  }
  return std::nullopt;
}

bool writeResultsFile(const std::filesystem::path& folder, const std::string& text,
                      std::string& error) {
  const std::filesystem::path temp = folder / kResultsTempFile;
  const std::filesystem::path target = folder / kResultsFile;
  std::error_code ec;
  int failure = 0;
  // A fresh file under the temporary name ("x": never through a file or link left there).
  std::filesystem::remove(temp, ec);
  std::FILE* out = std::fopen(temp.c_str(), "wbx");
  if (out == nullptr) {
    failure = errno;
  } else {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) failure = errno;
    if (std::fflush(out) != 0 && failure == 0) failure = errno;
    if (::fsync(::fileno(out)) != 0 && failure == 0 && errno != EINVAL) failure = errno;
    if (std::fclose(out) != 0 && failure == 0) failure = errno;
    if (failure == 0 && std::rename(temp.c_str(), target.c_str()) != 0) failure = errno;
    if (failure == 0) return true;
  }
  std::filesystem::remove(temp, ec);
  std::filesystem::remove(target, ec);
  error = target.string() + " could not be written: " + ioError(failure);
  return false;
}

std::string progressLine(const std::filesystem::path& progressFile) {
  std::string joined;
  for (const std::string& line : readLines(progressFile)) {
    const std::string t = trim(line);
    if (t.empty()) continue;
    if (!joined.empty()) joined += "  ";
    joined += t;
  }
  return joined;
}

RuntimeOutcome readRuntimeOutcome(const std::filesystem::path& runtimeFile) {
  RuntimeOutcome outcome;
  const std::vector<std::string> lines = readLines(runtimeFile);
  std::size_t last = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "    ") last = i;
  }
  if (last == lines.size()) return outcome;
  for (std::size_t i = last + 1; i < lines.size(); ++i) {
    const std::string t = trim(lines[i]);
    if (!t.empty()) outcome.statusLines.push_back(t);
  }
  // The message of a refused input or file: the block that opens with "**** ... ERROR ****".
  for (std::size_t i = 0; i < last; ++i) {
    const std::string t = trim(lines[i]);
    if (t.rfind("****", 0) == 0 && t.find("ERROR ****") != std::string::npos) {
      outcome.detail.clear();
      for (std::size_t k = i + 1; k < last && !trim(lines[k]).empty(); ++k) {
        outcome.detail.push_back(trim(lines[k]));
      }
    }
  }
  return outcome;
}

}  // namespace stilt::app
